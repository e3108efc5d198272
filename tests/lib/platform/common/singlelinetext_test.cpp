// What a one-line field keeps of untrusted text: valid UTF-8 with no
// control characters, line breaks turned into spaces when pasted.

#include "lib/platform/common/singlelinetext.h"

#include <gtest/gtest.h>

#include <string>

namespace Kavrin::Test {
namespace {

using SingleLineText::Source;

TEST(SingleLineTextTest, SanitizesTypedAndPastedText)
{
	struct Case
	{
		std::string input;
		std::string typed;
		std::string pasted;
	};
	const Case cases[] = {
	    {"plain \xC3\xA9", "plain \xC3\xA9", "plain \xC3\xA9"},
	    {"a\r\nb\n\rc", "abc", "a b  c"},
	    {"a\tb", "ab", "a b"},
	    {"\xE2\x80\xA8\xE2\x80\xA9\xC2\x85", "\xE2\x80\xA8\xE2\x80\xA9", "   "},
	    {std::string("a\0b\x1B\x7F\xC2\x80", 7), "ab", "ab"},
	    // Stray bytes, a cut sequence, an overlong form and a surrogate.
	    {"\x80", "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
	    {"a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
	    {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
	    {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
	    {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ(SingleLineText::sanitized(c.input, Source::kTyped), c.typed) << c.input;
		EXPECT_EQ(SingleLineText::sanitized(c.input, Source::kPasted), c.pasted) << c.input;
		EXPECT_TRUE(SingleLineText::isValidUTF8(SingleLineText::sanitized(c.input, Source::kPasted)));
	}
}

TEST(SingleLineTextTest, TellsValidUTF8)
{
	EXPECT_TRUE(SingleLineText::isValidUTF8("caf\xC3\xA9 \xEF\xBF\xBD"));
	EXPECT_FALSE(SingleLineText::isValidUTF8("\xC3"));
	EXPECT_FALSE(SingleLineText::isValidUTF8("\xED\xA0\x80"));
	EXPECT_FALSE(SingleLineText::isValidUTF8("a\xFF"));
}

TEST(SingleLineTextTest, FindsTheCodePointBoundaryBefore)
{
	const std::string text = "a\xE2\x82\xAC" "b";
	EXPECT_EQ(SingleLineText::codePointBoundaryBefore(text, 0), 0u);
	EXPECT_EQ(SingleLineText::codePointBoundaryBefore(text, 2), 1u);
	EXPECT_EQ(SingleLineText::codePointBoundaryBefore(text, 3), 1u);
	EXPECT_EQ(SingleLineText::codePointBoundaryBefore(text, 4), 4u);
	EXPECT_EQ(SingleLineText::codePointBoundaryBefore(text, 99), 5u);
}

} // namespace
} // namespace Kavrin::Test
