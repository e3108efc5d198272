#include "lib/platform/x11/x11dataconversion.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace X11DataConversion;
using Paths = std::vector<std::string>;

TEST(X11DataConversionTest, UriListKeepsOnlyWellFormedLocalFiles)
{
	struct Case
	{
		std::string_view list;
		Paths paths;
	};
	const Case cases[] = {
	    {"file:///tmp/a.wav\r\nfile:///tmp/b.wav\r\n", {"/tmp/a.wav", "/tmp/b.wav"}},
	    {"file:///tmp/a.wav\nfile:///tmp/b.wav", {"/tmp/a.wav", "/tmp/b.wav"}},
	    {"# comment\r\n\r\nfile://localhost/x\r\n", {"/x"}},
	    {"FILE:///upper", {"/upper"}},
	    {"file:///with%20space/%C3%A9t%C3%A9", {"/with space/\xC3\xA9t\xC3\xA9"}},
	    {"file://otherhost/x\r\nhttp://example.org/x\r\nfile:/x\r\nfile://", {}},
	    {"file:///cut%2", {}},
	    {"file:///cut%", {}},
	    {"file:///bad%zz", {}},
	    {"file:///nul%00inside", {}},
	    {std::string_view("file:///raw\0nul\r\nfile:///ok", 27), {"/ok"}},
	    {"", {}},
	    {"\r\n\r\n\n", {}},
	    {"file:///a\r\nfile:///broken%\r\nfile:///b", {"/a", "/b"}},
	};
	for (const auto& c : cases)
		EXPECT_EQ(parseUriList(c.list), c.paths) << std::string(c.list);
}

TEST(X11DataConversionTest, UriListEncodingEscapesAndRoundTrips)
{
	EXPECT_EQ(encodeUriList({"/tmp/a b.wav", "/x/%#?\r\n"}),
	          "file:///tmp/a%20b.wav\r\nfile:///x/%25%23%3F%0D%0A\r\n");
	EXPECT_EQ(encodeUriList({}), "");
	const Paths paths {"/plain", "/with space", "/\xC3\xA9t\xC3\xA9", "/100%", "/line\nbreak", "/hash#"};
	EXPECT_EQ(parseUriList(encodeUriList(paths)), paths);
}

TEST(X11DataConversionTest, Latin1WhereItFits)
{
	struct Case
	{
		const char* utf8;
		bool fits;
		const char* latin1;
	};
	const Case cases[] = {
	    {"plain", true, "plain"},
	    {"\xC3\xA9t\xC3\xA9 \xC2\xA0", true, "\xE9t\xE9 \xA0"},
	    {"\xE2\x82\xAC", false, ""},           // the euro sign is not in Latin-1
	    {"\xC3", false, ""},                   // cut sequence
	    {"\xC0\x80", false, ""},               // overlong NUL
	};
	for (const auto& c : cases)
	{
		std::string latin1 = "untouched";
		EXPECT_EQ(utf8ToLatin1(c.utf8, latin1), c.fits) << c.utf8;
		EXPECT_EQ(latin1, c.fits ? std::string(c.latin1) : "untouched") << c.utf8;
		if (c.fits)
		{
			EXPECT_EQ(latin1ToUtf8(latin1), c.utf8);
		}
	}
}

TEST(X11DataConversionTest, InvalidUtf8IsRepairedValidKept)
{
	const std::string replacement = "\xEF\xBF\xBD";
	struct Case
	{
		std::string bytes;
		std::string repaired;
	};
	const Case cases[] = {
	    {"ok \xC3\xA9 \xF0\x9F\x8E\xB5", "ok \xC3\xA9 \xF0\x9F\x8E\xB5"},
	    {"\xFF", replacement},
	    {"a\xC3", "a" + replacement},                                    // cut at the end
	    {"\xC0\xAF", replacement + replacement},                         // overlong '/'
	    {"\xED\xA0\x80", replacement + replacement + replacement},       // surrogate
	    {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement}, // beyond U+10FFFF
	    {"\xE2\x28\xA1", replacement + "(" + replacement},
	    {std::string("a\0b", 3), std::string("a\0b", 3)},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ(repairUtf8(c.bytes), c.repaired);
		EXPECT_TRUE(isValidUtf8(repairUtf8(c.bytes)));
		EXPECT_EQ(isValidUtf8(c.bytes), c.bytes == c.repaired);
	}
	EXPECT_EQ(incomingTextToUtf8("\xE9", IncomingText::Latin1), "\xC3\xA9");
	EXPECT_EQ(incomingTextToUtf8("\xE9", IncomingText::Utf8), replacement);
	EXPECT_EQ(incomingTextToUtf8("\xE9", IncomingText::Unknown), replacement);
}

TEST(X11DataConversionTest, ColorComponentsAreTruncated)
{
	struct Case
	{
		uint16 components[4];
		const char* text;
	};
	const Case cases[] = {
	    {{0xFFFF, 0, 0, 0x8000}, "#ff00007f"},
	    {{0xFFFF, 0, 0, 0x7FFF}, "#ff00007f"},
	    {{0, 0xFFFF, 0x0101, 0xFFFF}, "#00ff01ff"},
	    {{0x00FF, 0x0100, 0xFEFF, 0xFFFE}, "#0000fefe"},
	};
	for (const auto& c : cases)
		EXPECT_EQ(colorToText(reinterpret_cast<const uint8*>(c.components), sizeof(c.components)), c.text);
	const uint16 full[4] = {1, 2, 3, 4};
	EXPECT_EQ(colorToText(reinterpret_cast<const uint8*>(full), 7), "");
	EXPECT_EQ(colorToText(nullptr, 8), "");
}

} // namespace
} // namespace Kavrin::Test
