#include "lib/cstring.h"

#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Kavrin {

static void PrintTo(const UTF8String& s, std::ostream* out)
{
	*out << '"' << s.getString() << '"';
}

namespace Test {
namespace {

// ---- Comparison and construction ----

TEST(UTF8StringTest, NullIsEmptyAndUnequalToEverything)
{
	UTF8String fromNull(static_cast<const char*>(nullptr));
	EXPECT_TRUE(fromNull.empty());
	EXPECT_STREQ(fromNull.get(), "");
	EXPECT_FALSE(fromNull == static_cast<const char*>(nullptr));
	EXPECT_TRUE(fromNull != static_cast<const char*>(nullptr));
	EXPECT_TRUE(fromNull == "");
	EXPECT_FALSE(static_cast<const char*>(nullptr) == fromNull);
}

TEST(UTF8StringTest, ComparesBytes)
{
	UTF8String text("caf\xC3\xA9");
	EXPECT_EQ(text, "caf\xC3\xA9");
	EXPECT_EQ(text, std::string("caf\xC3\xA9"));
	EXPECT_EQ(std::string("caf\xC3\xA9"), text);
	EXPECT_EQ("caf\xC3\xA9", text);
	// The same letter composed differently is other bytes.
	EXPECT_NE(text, "cafe\xCC\x81");
	EXPECT_NE(text, UTF8String("Caf\xC3\xA9"));
	EXPECT_NE(text, "caf");
}

TEST(UTF8StringTest, ConcatenationLeavesTheOperandsAlone)
{
	UTF8String a("ab");
	UTF8String sum = a + UTF8String("cd") + "ef" + 'g' + static_cast<const char*>(nullptr);
	EXPECT_EQ(sum, "abcdefg");
	EXPECT_EQ(a, "ab");
	a += "";
	a += static_cast<const char*>(nullptr);
	a += UTF8String();
	EXPECT_EQ(a, "ab");
	a += 'c';
	a += UTF8String("d");
	a += "e";
	EXPECT_EQ(a, "abcde");
}

TEST(UTF8StringTest, MovedFromStringIsEmpty)
{
	UTF8String source("moved");
	UTF8String target(std::move(source));
	EXPECT_EQ(target, "moved");
	EXPECT_TRUE(source.empty());
	UTF8String assigned;
	assigned = std::move(target);
	EXPECT_EQ(assigned, "moved");
	EXPECT_TRUE(target.empty());
}

// ---- The cached platform string ----

class UTF8StringPlatformTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(makeOwned<HeadlessPlatform>()); }
	void TearDown() override { setPlatform(nullptr); }
};

// Which changes keep the platform string made for the text, and which make
// the next request build a new one.
TEST_F(UTF8StringPlatformTest, PlatformStringLivesWhileTheTextIsUnchanged)
{
	struct Case
	{
		const char* name;
		std::function<void(UTF8String&)> change;
		bool kept;
	};
	const std::vector<Case> cases {
	    {"assign equal text", [](UTF8String& s) { s.assign("Label"); }, true},
	    {"assign equal std::string", [](UTF8String& s) { s = std::string("Label"); }, true},
	    {"append nothing", [](UTF8String& s) { s += ""; }, true},
	    {"append an empty string", [](UTF8String& s) { s += UTF8String(); }, true},
	    {"assign other text", [](UTF8String& s) { s.assign("Other"); }, false},
	    {"assign null", [](UTF8String& s) { s.assign(nullptr); }, false},
	    {"assign other std::string", [](UTF8String& s) { s = std::string("Other"); }, false},
	    {"append", [](UTF8String& s) { s += "!"; }, false},
	    {"append a char", [](UTF8String& s) { s += '!'; }, false},
	    {"clear", [](UTF8String& s) { s.clear(); }, false},
	};
	for (const auto& c : cases)
	{
		UTF8String text("Label");
		// Held, so that a new platform string can never take its address.
		SharedPointer<IPlatformString> before = text.getPlatformString();
		ASSERT_NE(before, nullptr);
		c.change(text);
		EXPECT_EQ(text.getPlatformString() == before, c.kept) << c.name;
	}
}

TEST_F(UTF8StringPlatformTest, CopiesShareThePlatformString)
{
	UTF8String text("Label");
	IPlatformString* platformString = text.getPlatformString();
	UTF8String copy(text);
	EXPECT_EQ(copy.getPlatformString(), platformString);
	UTF8String assigned;
	assigned = text;
	EXPECT_EQ(assigned.getPlatformString(), platformString);
	// Changing a copy does not touch the shared one.
	SharedPointer<IPlatformString> held = platformString;
	copy += "!";
	EXPECT_NE(copy.getPlatformString(), platformString);
	EXPECT_EQ(text.getPlatformString(), platformString);
}

TEST(UTF8StringTest, NoPlatformStringWithoutAPlatform)
{
	setPlatform(nullptr);
	UTF8String text("Label");
	EXPECT_EQ(text.getPlatformString(), nullptr);
}

// ---- copy ----

TEST(UTF8StringTest, CopyTruncatesToWholeCodePointsAndTerminates)
{
	struct Case
	{
		const char* text;
		size_t bufferSize;
		const char* copied;
	};
	const char* euro = "a\xE2\x82\xAC"; // a€
	for (const auto& c : {
	         Case {"Arial", 4, "Ari"},
	         Case {"Arial", 6, "Arial"},
	         Case {"Arial", 100, "Arial"},
	         Case {"Arial", 1, ""},
	         Case {euro, 5, euro},
	         Case {euro, 4, "a"},
	         Case {euro, 3, "a"},
	         Case {euro, 2, "a"},
	         // A cut sequence in the text counts one byte at a time.
	         Case {"ab\xE2\x82", 4, "ab\xE2"},
	         Case {"\xF0\x9F\x98\x80!", 5, "\xF0\x9F\x98\x80"},
	         Case {"\xF0\x9F\x98\x80!", 4, ""},
	     })
	{
		const std::string text(c.text);
		std::vector<char> buffer(c.bufferSize, '#');
		EXPECT_EQ(UTF8String(text).copy(buffer.data(), buffer.size()), text.size()) << text;
		EXPECT_STREQ(buffer.data(), c.copied) << text << " into " << c.bufferSize;
	}
	char untouched = '#';
	EXPECT_EQ(UTF8String("Arial").copy(&untouched, 0), 5u);
	EXPECT_EQ(untouched, '#');
	EXPECT_EQ(UTF8String("Arial").copy(nullptr, 10), 5u);
}

// ---- Code points ----

// Each text lives in a heap block of exactly its length, so that a step
// that reads one byte too far is caught by the address sanitizer.
struct ExactBytes
{
	explicit ExactBytes(const std::string& text) : size(text.size()), bytes(new char[text.size()])
	{
		std::memcpy(bytes.get(), text.data(), size);
	}
	using Iterator = CStringIterator<const char*>;
	Iterator begin() const { return {bytes.get(), bytes.get(), bytes.get() + size}; }
	Iterator end() const { return {bytes.get() + size, bytes.get(), bytes.get() + size}; }

	size_t size;
	std::unique_ptr<char[]> bytes;
};

struct CodePointCase
{
	const char* name;
	std::string bytes;
	std::vector<char32_t> codePoints;
};

constexpr char32_t kBad = 0xFFFD;

const std::vector<CodePointCase>& codePointCases()
{
	static const std::vector<CodePointCase> cases {
	    {"empty", "", {}},
	    {"ascii", "az", {'a', 'z'}},
	    {"two bytes", "\xC3\xA9", {0xE9}},
	    {"three bytes", "\xE2\x82\xAC", {0x20AC}},
	    {"four bytes", "\xF0\x9F\x98\x80", {0x1F600}},
	    {"mixed", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", {'a', 0xE9, 0x20AC, 0x1F600, 'z'}},
	    {"lead byte at the end", "a\xC3", {'a', kBad}},
	    {"three-byte sequence cut at the end", "a\xE2\x82", {'a', kBad, kBad}},
	    {"four-byte sequence cut at the end", "\xF0\x9F\x98", {kBad, kBad, kBad}},
	    {"sequence cut by ascii", "\xE2\x82z", {kBad, kBad, 'z'}},
	    {"stray continuation bytes", "\x80\xBFz", {kBad, kBad, 'z'}},
	    {"continuation after a whole sequence", "\xC3\xA9\x80", {0xE9, kBad}},
	    {"four continuations after a lead", "\xF0\x9F\x98\x80\x80", {0x1F600, kBad}},
	    {"overlong forms", "\xC0\xAF\xE0\x80\xAF", {kBad, kBad, kBad, kBad, kBad}},
	    {"surrogate", "\xED\xA0\x80", {kBad, kBad, kBad}},
	    {"highest code point and beyond", "\xF4\x8F\xBF\xBF\xF4\x90\x80\x80", {0x10FFFF, kBad, kBad, kBad, kBad}},
	    {"bytes that start nothing", "\xF8\x88\x80\x80\x80\xFF", {kBad, kBad, kBad, kBad, kBad, kBad}},
	    {"lead bytes only", "\xE2\xE2\xC3", {kBad, kBad, kBad}},
	};
	return cases;
}

TEST(CStringIteratorTest, ForwardStepsStayInsideTheBytes)
{
	for (const auto& c : codePointCases())
	{
		ExactBytes text(c.bytes);
		std::vector<char32_t> read;
		for (auto it = text.begin(); it != text.end(); ++it)
			read.push_back(*it);
		EXPECT_EQ(read, c.codePoints) << c.name;
		auto end = text.end();
		EXPECT_EQ(*end, 0u) << c.name;
		EXPECT_EQ(++end, text.end()) << c.name << ": stepping past the end stays there";
	}
}

// Stepping back must split the bytes exactly as stepping forward does, or
// truncating from the end would cut sequences differently from drawing.
TEST(CStringIteratorTest, BackwardStepsSplitLikeForwardSteps)
{
	for (const auto& c : codePointCases())
	{
		ExactBytes text(c.bytes);
		std::vector<const char*> forward;
		for (auto it = text.begin(); it != text.end(); ++it)
			forward.push_back(it.base());
		std::vector<const char*> backward;
		for (auto it = text.end(); it != text.begin();)
			backward.insert(backward.begin(), (--it).base());
		EXPECT_EQ(backward, forward) << c.name;
		auto begin = text.begin();
		EXPECT_EQ(--begin, text.begin()) << c.name << ": stepping before the start stays there";
	}
}

TEST(UTF8StringTest, IteratesCodePoints)
{
	UTF8String text("a\xC3\xA9\xE2\x82\xAC");
	std::vector<char32_t> read(text.begin(), text.end());
	EXPECT_EQ(read, (std::vector<char32_t> {'a', 0xE9, 0x20AC}));
	EXPECT_EQ(text.begin().base(), text.getString().begin());
	EXPECT_EQ(text.end().base(), text.getString().end());
}

TEST(IsSpaceTest, KnowsExactlyTheWhiteSpace)
{
	for (char32_t c : {9u, 10u, 11u, 12u, 13u, 32u, 133u, 160u, 0x2000u, 0x2005u, 0x200Au, 0x200Bu, 0x202Fu,
	                   0x205Fu, 0x3000u, 0xFEFFu})
		EXPECT_TRUE(isSpace(c)) << std::hex << c;
	for (char32_t c : {0u, 8u, 14u, 31u, 33u, 120u, 132u, 134u, 159u, 161u, 0x1680u, 0x1FFFu, 0x200Cu, 0x2028u,
	                   0x2029u, 0x202Eu, 0x2060u, 0xFFFDu})
		EXPECT_FALSE(isSpace(c)) << std::hex << c;
}

TEST(TrimTest, RemovesTheTestedCodePointsAtTheChosenEnds)
{
	struct Case
	{
		const char* text;
		uint32 where;
		const char* trimmed;
	};
	const char* nbsp = "\xC2\xA0";
	const std::string spacedX = std::string("  x") + nbsp;
	const std::string wideSpaces = "\xEF\xBB\xBF\xE3\x80\x80" "a b" "\xE2\x80\x8B";
	for (const auto& c : {
	         Case {spacedX.c_str(), TrimOptions::kBoth, "x"},
	         Case {spacedX.c_str(), TrimOptions::kStart, "x\xC2\xA0"},
	         Case {spacedX.c_str(), TrimOptions::kEnd, "  x"},
	         Case {spacedX.c_str(), 0, spacedX.c_str()},
	         Case {"   ", TrimOptions::kBoth, ""},
	         Case {"   ", TrimOptions::kEnd, ""},
	         Case {"", TrimOptions::kBoth, ""},
	         Case {wideSpaces.c_str(), TrimOptions::kBoth, "a b"},
	         // Malformed bytes are not space, and cut sequences are not read past.
	         Case {" a\xE2\x82", TrimOptions::kBoth, "a\xE2\x82"},
	         Case {"\xC2 a \xC2", TrimOptions::kBoth, "\xC2 a \xC2"},
	         Case {" \xA0", TrimOptions::kBoth, "\xA0"},
	     })
	{
		EXPECT_EQ(trim(UTF8String(c.text), TrimOptions(c.where)), c.trimmed) << '"' << c.text << '"';
	}
}

TEST(TrimTest, UsesTheGivenTest)
{
	auto isX = [](char32_t c) { return c == 'x'; };
	EXPECT_EQ(trim(UTF8String("xx axb xx"), TrimOptions(TrimOptions::kBoth, isX)), " axb ");
	EXPECT_EQ(trim(UTF8String("xxaxx"), TrimOptions(TrimOptions::kBoth, isX)), "a");
	EXPECT_EQ(trim(UTF8String(" a "), TrimOptions(TrimOptions::kBoth, nullptr)), " a ");
}

// ---- String ----

TEST(StringTest, NewWithStringMakesAnIndependentCopy)
{
	EXPECT_EQ(String::newWithString(nullptr), nullptr);
	String::free(nullptr);
	const char* original = "text";
	char* copy = String::newWithString(original);
	ASSERT_NE(copy, nullptr);
	EXPECT_NE(copy, original);
	EXPECT_STREQ(copy, original);
	String::free(copy);
}

} // namespace
} // namespace Test
} // namespace Kavrin
