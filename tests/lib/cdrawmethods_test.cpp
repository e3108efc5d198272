#include "lib/cdrawmethods.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

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

using namespace CDrawMethods;

// ---- Truncation, measured by the real text system ----

class TruncationTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		setPlatform(makeOwned<HeadlessPlatform>());
		font = makeOwned<CFontDesc>("DejaVu Sans", 12.);
		ASSERT_NE(font->getFontPainter(), nullptr);
	}
	void TearDown() override
	{
		font = nullptr;
		setPlatform(nullptr);
	}

	double width(const std::string& text) const
	{
		UTF8String string(text);
		return font->getFontPainter()->getStringWidth(nullptr, string.getPlatformString(), true);
	}

	SharedPointer<CFontDesc> font;
};

// The room is given as the width of a text, give or take a little, so that
// each case sits exactly at the edge where one more code point would fit.
TEST_F(TruncationTest, CutsWholeCodePointsUntilTheTextFits)
{
	struct Case
	{
		const char* name;
		TextTruncateMode mode;
		std::string text;
		std::string room;
		double slack;
		double inset;
		uint32 flags;
		std::string expected;
	};
	const std::string euro = "\xE2\x82\xAC";
	const std::string grin = "\xF0\x9F\x98\x80";
	const std::vector<Case> cases {
	    {"fits", kTextTruncateTail, "abcdef", "abcdef", 0., 0., 0, "abcdef"},
	    {"no mode", kTextTruncateNone, "abcdef", "a", 0., 0., 0, "abcdef"},
	    {"tail, room for four", kTextTruncateTail, "abcdef", "abcd..", 0., 0., 0, "abcd.."},
	    {"tail, a hair less", kTextTruncateTail, "abcdef", "abcd..", -0.01, 0., 0, "abc.."},
	    {"head, room for four", kTextTruncateHead, "abcdef", "..cdef", 0., 0., 0, "..cdef"},
	    {"head, a hair less", kTextTruncateHead, "abcdef", "..cdef", -0.01, 0., 0, "..def"},
	    {"inset on both sides", kTextTruncateTail, "abcdef", "abcd..", 10., 5., 0, "abcd.."},
	    {"inset a hair wider", kTextTruncateTail, "abcdef", "abcd..", 10., 5.01, 0, "abc.."},
	    {"all gone", kTextTruncateTail, "abcdef", "", 0.5, 0., 0, ".."},
	    {"all gone, empty asked for", kTextTruncateTail, "abcdef", "", 0.5, 0., kReturnEmptyIfAllTruncated, ""},
	    {"head, all gone, empty asked for", kTextTruncateHead, "abcdef", "", 0.5, 0., kReturnEmptyIfAllTruncated,
	     ""},
	    {"tail, three-byte code points", kTextTruncateTail, "ab" + euro + euro + euro, "ab" + euro + "..", 0., 0.,
	     0, "ab" + euro + ".."},
	    {"head, three-byte code points", kTextTruncateHead, euro + euro + euro + "ab", ".." + euro + "ab", 0., 0.,
	     0, ".." + euro + "ab"},
	    {"tail, four-byte code points", kTextTruncateTail, "ab" + grin + grin, "ab" + grin + "..", 0., 0., 0,
	     "ab" + grin + ".."},
	    // Malformed bytes go one at a time, without reading past the text.
	    {"tail, cut sequence at the end", kTextTruncateTail, "abcd\xE2\x82", "abcd..", 0., 0., 0, "abcd.."},
	    {"head, stray continuation bytes", kTextTruncateHead, "\x80\x80wxyz", "..wxyz", 0., 0., 0, "..wxyz"},
	};
	for (const auto& c : cases)
	{
		double maxWidth = (c.room.empty() ? 0. : width(c.room)) + c.slack;
		UTF8String result =
		    createTruncatedText(c.mode, UTF8String(c.text), font, maxWidth, CPoint(c.inset, 0.), c.flags);
		EXPECT_EQ(result, c.expected) << c.name;
	}
}

TEST_F(TruncationTest, WithoutAPainterTheTextStays)
{
	auto nameless = makeOwned<CFontDesc>("", 12.);
	EXPECT_EQ(createTruncatedText(kTextTruncateTail, UTF8String("abcdef"), nameless, 1.), "abcdef");
	EXPECT_EQ(createTruncatedText(kTextTruncateTail, UTF8String("abcdef"), nullptr, 1.), "abcdef");
}

// ---- Icon and text layout, with a font of known metrics ----

// Every byte is 10 units wide; the cap height is 8.
class FixedFont : public IPlatformFont, public IFontPainter
{
public:
	struct Draw
	{
		std::string text;
		CPoint baseline;
	};

	explicit FixedFont(std::vector<Draw>* draws) : draws(draws) {}
	double getAscent() const override { return 10.; }
	double getDescent() const override { return 3.; }
	double getLeading() const override { return 0.; }
	double getCapHeight() const override { return 8.; }
	const IFontPainter* getPainter() const override { return this; }
	void drawString(CDrawContext*, IPlatformString* string, const CPoint& baseline, bool) const override
	{
		draws->push_back({textOf(string), baseline});
	}
	double getStringWidth(CDrawContext*, IPlatformString* string, bool) const override
	{
		return 10. * textOf(string).size();
	}

private:
	static std::string textOf(IPlatformString* string);
	std::vector<Draw>* draws;
};

class PlainString : public IPlatformString
{
public:
	explicit PlainString(const char* text) { setUTF8String(text); }
	void setUTF8String(const char* newText) override { text = newText ? newText : ""; }
	std::string text;
};

std::string FixedFont::textOf(IPlatformString* string)
{
	auto plain = dynamic_cast<PlainString*>(string);
	return plain ? plain->text : std::string();
}

class FixedTextPlatform : public HeadlessPlatform
{
public:
	SharedPointer<IPlatformString> createString(const char* text) override { return makeOwned<PlainString>(text); }
	SharedPointer<IPlatformFont> createFont(const std::string&, double, int32) override
	{
		return makeOwned<FixedFont>(&draws);
	}
	std::vector<FixedFont::Draw> draws;
};

class BitmapRecordingContext : public CairoDrawContext
{
public:
	using CairoDrawContext::CairoDrawContext;
	void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float alpha) override
	{
		bitmaps.push_back({bitmap, dest, offset, alpha});
	}
	struct Draw
	{
		CBitmap* bitmap;
		CRect dest;
		CPoint offset;
		float alpha;
	};
	std::vector<Draw> bitmaps;
};

class IconAndTextTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		platform = makeOwned<FixedTextPlatform>();
		setPlatform(platform);
		surface = CairoImageSurface::create(200, 40);
		context = makeOwned<BitmapRecordingContext>(surface);
		font = makeOwned<CFontDesc>("Fixed", 12.);
		icon = makeOwned<CBitmap>(20., 10.);
		ASSERT_EQ(icon->getWidth(), 20.);
		ASSERT_EQ(icon->getHeight(), 10.);
	}
	void TearDown() override
	{
		context = nullptr;
		setPlatform(nullptr);
	}

	SharedPointer<FixedTextPlatform> platform;
	SharedPointer<CairoImageSurface> surface;
	SharedPointer<BitmapRecordingContext> context;
	SharedPointer<CFontDesc> font;
	SharedPointer<CBitmap> icon;
};

std::string describe(const CRect& r)
{
	return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
	       std::to_string(r.bottom) + ")";
}

// In a 200 x 40 rect with a 20 x 10 icon, a margin of 5 and a 30-unit title
// of a 12-point font with cap height 8. A text rect of full height puts the
// baseline at 40 - (20 - 4) = 24.
TEST_F(IconAndTextTest, PlacesIconAndTitleByPositionAndAlignment)
{
	struct Case
	{
		const char* name;
		bool withIcon;
		IconPosition position;
		CHoriTxtAlign align;
		const char* title;
		CRect iconRect;
		CPoint baseline;
	};
	const CRect rect(0, 0, 200, 40);
	const Case cases[] {
	    {"left icon, left text", true, kIconLeft, kLeftText, "abc", CRect(5, 15, 25, 25), CPoint(30, 24)},
	    {"left icon, right text", true, kIconLeft, kRightText, "abc", CRect(5, 15, 25, 25), CPoint(165, 24)},
	    {"left icon, centred text", true, kIconLeft, kCenterText, "abc", CRect(5, 15, 25, 25), CPoint(95, 24)},
	    {"right icon, left text", true, kIconRight, kLeftText, "abc", CRect(175, 15, 195, 25), CPoint(5, 24)},
	    {"right icon, right text", true, kIconRight, kRightText, "abc", CRect(175, 15, 195, 25), CPoint(140, 24)},
	    // Icon top 20 - 5 - (12 + 5) / 2; the 12-high text rect 5 below it.
	    {"icon above, centred text", true, kIconCenterAbove, kCenterText, "abc", CRect(90, 6.5, 110, 16.5),
	     CPoint(85, 31.5)},
	    {"icon above, left text", true, kIconCenterAbove, kLeftText, "abc", CRect(90, 6.5, 110, 16.5),
	     CPoint(5, 31.5)},
	    {"icon below, right text", true, kIconCenterBelow, kRightText, "abc", CRect(90, 23.5, 110, 33.5),
	     CPoint(165, 16.5)},
	    {"icon above, no title", true, kIconCenterAbove, kCenterText, "", CRect(90, 15, 110, 25), CPoint()},
	    {"icon below, no title", true, kIconCenterBelow, kCenterText, "", CRect(90, 15, 110, 25), CPoint()},
	    {"no icon, left text", false, kIconLeft, kLeftText, "abc", CRect(), CPoint(5, 24)},
	    {"no icon, right text", false, kIconLeft, kRightText, "abc", CRect(), CPoint(165, 24)},
	    {"no icon, centred text", false, kIconLeft, kCenterText, "abc", CRect(), CPoint(85, 24)},
	};
	for (const auto& c : cases)
	{
		context->bitmaps.clear();
		platform->draws.clear();
		drawIconAndText(context, c.withIcon ? icon.get() : nullptr, c.position, c.align, 5., rect,
		                UTF8String(c.title), font, kRedCColor);
		if (c.withIcon)
		{
			ASSERT_EQ(context->bitmaps.size(), 1u) << c.name;
			EXPECT_EQ(context->bitmaps[0].bitmap, icon.get()) << c.name;
			EXPECT_EQ(context->bitmaps[0].dest, c.iconRect)
			    << c.name << ": " << describe(context->bitmaps[0].dest);
			EXPECT_EQ(context->bitmaps[0].offset, CPoint()) << c.name;
			EXPECT_EQ(context->bitmaps[0].alpha, 1.f) << c.name;
		}
		else
		{
			EXPECT_TRUE(context->bitmaps.empty()) << c.name;
		}
		if (*c.title)
		{
			ASSERT_EQ(platform->draws.size(), 1u) << c.name;
			EXPECT_EQ(platform->draws[0].text, c.title) << c.name;
			EXPECT_EQ(platform->draws[0].baseline.x, c.baseline.x) << c.name;
			EXPECT_EQ(platform->draws[0].baseline.y, c.baseline.y) << c.name;
		}
		else
		{
			EXPECT_TRUE(platform->draws.empty()) << c.name;
		}
	}
}

TEST_F(IconAndTextTest, TitleIsDrawnInTheGivenFontAndColour)
{
	drawIconAndText(context, nullptr, kIconLeft, kLeftText, 0., CRect(0, 0, 200, 40), UTF8String("abc"), font,
	                kRedCColor);
	EXPECT_EQ(context->getFont(), font.get());
	EXPECT_EQ(context->getFontColor(), kRedCColor);
}

// The title is cut to the text rect's width: 60 units hold four letters and
// the placeholder; 10 units hold nothing, and then nothing is drawn.
TEST_F(IconAndTextTest, TitleIsTruncatedToItsRect)
{
	struct Case
	{
		TextTruncateMode mode;
		double width;
		std::vector<std::string> drawn;
	};
	for (const auto& c : {Case {kTextTruncateTail, 60., {"abcd.."}}, Case {kTextTruncateHead, 60., {"..ghij"}},
	                      Case {kTextTruncateNone, 60., {"abcdefghij"}}, Case {kTextTruncateTail, 10., {}}})
	{
		platform->draws.clear();
		drawIconAndText(context, nullptr, kIconLeft, kCenterText, 0., CRect(0, 0, c.width, 40),
		                UTF8String("abcdefghij"), font, kBlackCColor, c.mode);
		std::vector<std::string> drawn;
		for (const auto& draw : platform->draws)
			drawn.push_back(draw.text);
		EXPECT_EQ(drawn, c.drawn) << c.mode << " in " << c.width;
	}
}

} // namespace
} // namespace Test
} // namespace Kavrin
