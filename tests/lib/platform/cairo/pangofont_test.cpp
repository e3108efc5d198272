#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cgraphicspath.h"
#include "lib/cstring.h"
#include "lib/platform/bundle.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/pangofont.h"
#include "lib/platform/cairo/pangofontsystem.h"
#include "lib/platform/cairo/pangostring.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr const char* kInstalledFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Same length as "DejaVu Sans", so the copy can be renamed in place.
constexpr const char* kProbeFamily = "KavrinProbe";

uint32_t bigEndian(const std::string& bytes, size_t at, size_t count)
{
	uint32_t value = 0;
	for (size_t i = 0; i < count; ++i)
		value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
	return value;
}

// Replaces every occurrence of from (as single bytes and as UTF-16BE) in the
// font's name table by to, of the same length. False when the file cannot
// be read or holds no such name.
bool renameFontFamily(std::string& font, const std::string& from, const std::string& to)
{
	if (font.size() < 12 || from.size() != to.size())
		return false;
	auto utf16 = [](const std::string& text) {
		std::string wide;
		for (char c : text)
			wide += std::string(1, '\0') + c;
		return wide;
	};
	size_t tables = bigEndian(font, 4, 2);
	int replaced = 0;
	for (size_t i = 0; i < tables && 12 + 16 * (i + 1) <= font.size(); ++i)
	{
		size_t record = 12 + 16 * i;
		if (font.compare(record, 4, "name") != 0)
			continue;
		size_t offset = bigEndian(font, record + 8, 4);
		size_t length = bigEndian(font, record + 12, 4);
		if (offset + length > font.size())
			return false;
		for (const auto& [needle, replacement] : {std::pair(from, to), std::pair(utf16(from), utf16(to))})
		{
			for (size_t at = font.find(needle, offset); at != std::string::npos && at + needle.size() <= offset + length;
			     at = font.find(needle, at + needle.size()))
			{
				font.replace(at, needle.size(), replacement);
				++replaced;
			}
		}
	}
	return replaced > 0;
}

// The plug-in's resource folder for this test program: a copy of an
// installed font under a family name nothing else has, and a file that is
// not a font. Made before any test runs, because the fonts are registered
// when the first font is created.
struct ResourceFolder
{
	ResourceFolder()
	{
		char pattern[] = "/tmp/kavrin-resources-XXXXXX";
		if (!mkdtemp(pattern))
			return;
		root = pattern;
		std::filesystem::create_directories(root + "/Fonts");
		std::ifstream in(kInstalledFont, std::ios::binary);
		std::string font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
		if (!renameFontFamily(font, "DejaVu Sans", kProbeFamily))
			return;
		fontFile = root + "/Fonts/" + kProbeFamily + ".ttf";
		std::ofstream(fontFile, std::ios::binary) << font;
		std::ofstream(root + "/Fonts/readme.txt") << "not a font\n";
		gBundleRef = root.c_str();
	}
	~ResourceFolder()
	{
		if (!root.empty())
		{
			std::error_code error;
			std::filesystem::remove_all(root, error);
		}
	}
	std::string root;
	std::string fontFile;
} resourceFolder;

// Where a drawing left ink, in device pixels.
struct Ink
{
	int top {-1};
	int bottom {-1};
	int left {-1};
	int right {-1};
	bool empty() const { return top < 0; }
};

struct Canvas
{
	Canvas(double logicalWidth, double logicalHeight, double scale = 1.)
	: surface(CairoImageSurface::create(int32(logicalWidth * scale), int32(logicalHeight * scale), scale)),
	  context(owned(surface->createDrawContext()))
	{
	}

	Ink ink() const { return inkIn(0, surface->getPixelWidth() - 1); }
	Ink inkIn(int fromColumn, int toColumn) const
	{
		Ink found;
		for (int y = 0; y < surface->getPixelHeight(); ++y)
		{
			for (int x = fromColumn; x <= toColumn; ++x)
			{
				if (surface->getPixel(x, y).alpha == 0)
					continue;
				if (found.empty())
					found = {y, y, x, x};
				found.bottom = y;
				found.left = std::min(found.left, x);
				found.right = std::max(found.right, x);
			}
		}
		return found;
	}
	bool rowInked(int y, int fromColumn, int toColumn) const
	{
		for (int x = fromColumn; x <= toColumn; ++x)
		{
			if (surface->getPixel(x, y).alpha != 0)
				return true;
		}
		return false;
	}

	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CDrawContext> context;
};

class PangoFontTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(makeOwned<HeadlessPlatform>()); }
	void TearDown() override { setPlatform(nullptr); }

	static PangoPlatformFont* pangoFont(CFontDesc& font)
	{
		return dynamic_cast<PangoPlatformFont*>(font.getPlatformFont());
	}
	static double width(CFontDesc& font, const char* text)
	{
		UTF8String string(text);
		return font.getFontPainter()->getStringWidth(nullptr, string.getPlatformString(), true);
	}
};

// ---- Creation and registration ----

TEST_F(PangoFontTest, FontFileFromTheResourceFolderIsFoundByItsFamily)
{
	ASSERT_FALSE(resourceFolder.fontFile.empty()) << "could not prepare a renamed copy of " << kInstalledFont;
	CFontDesc probe(kProbeFamily, 12.);
	ASSERT_NE(pangoFont(probe), nullptr);
	EXPECT_EQ(pangoFont(probe)->getResolvedFamily(), kProbeFamily);

	std::list<std::string> families;
	EXPECT_TRUE(IPlatformFont::getAllPlatformFontFamilies(families));
	EXPECT_NE(std::find(families.begin(), families.end(), kProbeFamily), families.end());
	EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));

	// Only font files are registered.
	EXPECT_EQ(PangoFontSystem::instance().getRegisteredFontFiles(), std::vector<std::string> {resourceFolder.fontFile});

	// A family nobody has resolves to a substitute, not to itself.
	CFontDesc absent("KavrinAbsent", 12.);
	ASSERT_NE(pangoFont(absent), nullptr);
	EXPECT_NE(pangoFont(absent)->getResolvedFamily(), "KavrinAbsent");
}

TEST_F(PangoFontTest, StandardFontsAllResolve)
{
	for (auto font : {kSystemFont, kNormalFontVeryBig, kNormalFontBig, kNormalFont, kNormalFontSmall,
	                  kNormalFontSmaller, kNormalFontVerySmall, kSymbolFont})
	{
		auto platformFont = pangoFont(*font);
		ASSERT_NE(platformFont, nullptr) << font->getName().get();
		EXPECT_FALSE(platformFont->getResolvedFamily().empty());
		EXPECT_GT(platformFont->getAscent(), 0.);
	}
	CFontDesc::cleanup();
}

TEST_F(PangoFontTest, NoFontWithoutNameOrSize)
{
	struct Case
	{
		const char* name;
		double size;
	};
	for (const auto& c : {Case {"", 12.}, Case {"DejaVu Sans", 0.}, Case {"DejaVu Sans", -3.},
	                      Case {"DejaVu Sans", std::nan("")}})
	{
		CFontDesc font(c.name, c.size);
		EXPECT_EQ(font.getPlatformFont(), nullptr) << "'" << c.name << "' " << c.size;
	}
}

TEST_F(PangoFontTest, MetricsAreInLogicalUnitsAndScaleWithSize)
{
	CFontDesc small("DejaVu Sans", 10.);
	CFontDesc large("DejaVu Sans", 20.);
	auto a = pangoFont(small);
	auto b = pangoFont(large);
	ASSERT_NE(a, nullptr);
	ASSERT_NE(b, nullptr);
	// DejaVu Sans: cap height 0.729 em, x-height 0.547 em, ascent 0.928 em.
	EXPECT_NEAR(a->getCapHeight(), 7.29, 0.05);
	EXPECT_NEAR(a->getXHeight(), 5.47, 0.05);
	EXPECT_NEAR(a->getAscent(), 9.28, 0.1);
	EXPECT_GT(a->getDescent(), 0.);
	EXPECT_GE(a->getLeading(), 0.);
	EXPECT_LT(a->getUnderlinePosition(), 0.) << "below the baseline";
	EXPECT_NEAR(b->getCapHeight(), 2. * a->getCapHeight(), 0.01);
	EXPECT_NEAR(b->getAscent(), 2. * a->getAscent(), 0.05);
	EXPECT_NEAR(width(large, "Hello World"), 2. * width(small, "Hello World"), 0.05);
}

TEST_F(PangoFontTest, BoldAndItalicPickThoseFaces)
{
	struct Case
	{
		int32 style;
		bool bold;
		bool slanted;
	};
	CFontDesc regular("DejaVu Sans", 14.);
	for (const auto& c : {Case {kNormalFace, false, false}, Case {kBoldFace, true, false},
	                      Case {kItalicFace, false, true}, Case {kBoldFace | kItalicFace, true, true},
	                      Case {kUnderlineFace | kStrikethroughFace, false, false}})
	{
		CFontDesc font("DejaVu Sans", 14., c.style);
		auto platformFont = pangoFont(font);
		ASSERT_NE(platformFont, nullptr);
		PangoFontDescription* described = pango_font_describe(platformFont->getPangoFont());
		EXPECT_EQ(pango_font_description_get_weight(described) >= PANGO_WEIGHT_BOLD, c.bold) << c.style;
		EXPECT_EQ(pango_font_description_get_style(described) != PANGO_STYLE_NORMAL, c.slanted) << c.style;
		pango_font_description_free(described);
		if (c.bold)
		{
			EXPECT_GT(width(font, "Hello"), width(regular, "Hello"));
		}
	}
}

// ---- Measuring ----

TEST_F(PangoFontTest, WidthOfNothingOrOfForeignStringsIsZero)
{
	class ForeignString : public IPlatformString
	{
	public:
		void setUTF8String(const char*) override {}
	};
	CFontDesc font("DejaVu Sans", 12.);
	auto painter = font.getFontPainter();
	ASSERT_NE(painter, nullptr);
	ForeignString foreign;
	EXPECT_EQ(painter->getStringWidth(nullptr, nullptr, true), 0.);
	EXPECT_EQ(painter->getStringWidth(nullptr, &foreign, true), 0.);
	EXPECT_EQ(width(font, ""), 0.);
}

TEST_F(PangoFontTest, WidthIsTheSameMeasuredWithOrWithoutContextAndAntialiasing)
{
	CFontDesc font("DejaVu Sans", 13.);
	Canvas canvas(200, 40, 2.);
	canvas.context->setFont(&font);
	UTF8String text("Truncate me, please");
	double free = font.getFontPainter()->getStringWidth(nullptr, text.getPlatformString(), true);
	EXPECT_GT(free, 0.);
	EXPECT_EQ(canvas.context->getStringWidth(text.getPlatformString()), free);
	EXPECT_EQ(font.getFontPainter()->getStringWidth(canvas.context, text.getPlatformString(), false), free);
}

// Malformed bytes reach Pango as U+FFFD each, without Pango's warnings.
TEST_F(PangoFontTest, MalformedTextMeasuresAsReplacementCharacters)
{
	struct Case
	{
		const char* text;
		const char* replaced;
	};
	int warnings = 0;
	auto handler = g_log_set_handler(
	    "Pango", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
	    [](const gchar*, GLogLevelFlags, const gchar*, gpointer counter) { ++*static_cast<int*>(counter); },
	    &warnings);
	CFontDesc font("DejaVu Sans", 12.);
	Canvas canvas(100, 30);
	canvas.context->setFont(&font);
	canvas.context->setFontColor(kBlackCColor);
	for (const auto& c : {Case {"a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"}, Case {"\xC3", "\xEF\xBF\xBD"},
	                      Case {"\x80x", "\xEF\xBF\xBDx"}, Case {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},
	                      Case {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}})
	{
		EXPECT_EQ(width(font, c.text), width(font, c.replaced)) << c.text;
		canvas.context->drawString(c.text, CPoint(2, 20));
	}
	g_log_remove_handler("Pango", handler);
	EXPECT_EQ(warnings, 0);
	EXPECT_FALSE(canvas.ink().empty());
}

// ---- Drawing ----

// The baseline of text in a rect lies half the cap height below the rect's
// middle, on a whole device pixel: a capital H's ink ends exactly there and
// reaches up by the cap height.
TEST_F(PangoFontTest, TextInRectLandsOnTheBaselineOfTheFormula)
{
	struct Case
	{
		double scale;
		CRect rect;
		double size;
	};
	for (const auto& c : {Case {1., CRect(10, 10, 110, 30), 12.}, Case {1., CRect(10, 5, 110, 28), 18.},
	                      Case {2., CRect(10, 10, 110, 30), 12.}, Case {2., CRect(3.25, 7.25, 100, 30.5), 11.},
	                      Case {1.5, CRect(0, 0, 100, 40), 20.}})
	{
		SCOPED_TRACE(::testing::Message() << "scale " << c.scale << ", size " << c.size << ", rect top "
		                                  << c.rect.top << " bottom " << c.rect.bottom);
		CFontDesc font("DejaVu Sans", c.size);
		Canvas canvas(120, 45, c.scale);
		canvas.context->setFont(&font);
		canvas.context->setFontColor(kBlackCColor);
		canvas.context->drawString("H", c.rect, kLeftText);

		double capHeight = font.getPlatformFont()->getCapHeight();
		double baseline = c.rect.bottom - (c.rect.getHeight() / 2. - capHeight / 2.);
		int deviceBaseline = static_cast<int>(std::round(baseline * c.scale));
		Ink ink = canvas.ink();
		ASSERT_FALSE(ink.empty());
		EXPECT_EQ(ink.bottom, deviceBaseline - 1);
		EXPECT_NEAR(ink.top, std::floor(deviceBaseline - capHeight * c.scale), 1.);
		EXPECT_NEAR(ink.left, c.rect.left * c.scale, 2. * c.scale);
	}
}

TEST_F(PangoFontTest, AlignmentPlacesTheMeasuredWidth)
{
	CFontDesc font("DejaVu Sans", 14.);
	const CRect rect(20, 0, 180, 30);
	double textWidth = width(font, "Hello");
	struct Case
	{
		CHoriTxtAlign align;
		double left;
	};
	for (const auto& c : {Case {kLeftText, rect.left}, Case {kRightText, rect.right - textWidth},
	                      Case {kCenterText, rect.left + (rect.getWidth() - textWidth) / 2.}})
	{
		Canvas canvas(200, 30);
		canvas.context->setFont(&font);
		canvas.context->setFontColor(kBlackCColor);
		canvas.context->drawString("Hello", rect, c.align);
		Ink ink = canvas.ink();
		ASSERT_FALSE(ink.empty());
		// The ink sits within the advance widths, give or take side bearings.
		EXPECT_GE(ink.left, std::floor(c.left)) << c.align;
		EXPECT_LE(ink.left, c.left + 2.) << c.align;
		EXPECT_LE(ink.right, c.left + textWidth) << c.align;
		EXPECT_GE(ink.right, c.left + textWidth - 3.) << c.align;
	}
}

// Metrics are not hinted, so text at twice the scale is the same text twice
// as large, and what truncation measured is what is drawn at any scale.
TEST_F(PangoFontTest, DrawnExtentScalesWithTheSurface)
{
	CFontDesc font("DejaVu Sans", 12.);
	Ink inks[2];
	for (int i = 0; i < 2; ++i)
	{
		Canvas canvas(200, 30, i + 1.);
		canvas.context->setFont(&font);
		canvas.context->setFontColor(kBlackCColor);
		canvas.context->drawString("Illuminated Wavy Text", CPoint(4, 20));
		inks[i] = canvas.ink();
		ASSERT_FALSE(inks[i].empty());
	}
	EXPECT_NEAR(inks[1].right, 2 * inks[0].right, 2.);
	EXPECT_LE(inks[0].right, 4. + width(font, "Illuminated Wavy Text"));
}

TEST_F(PangoFontTest, TextTakesTheFontColourAtTheGlobalAlpha)
{
	struct Case
	{
		float globalAlpha;
		CColor color;
		int alpha;
	};
	CFontDesc font("DejaVu Sans", 24., kBoldFace);
	for (const auto& c : {Case {1.f, CColor(200, 40, 20, 255), 255}, Case {0.5f, CColor(200, 40, 20, 255), 128},
	                      Case {1.f, CColor(10, 100, 240, 64), 64}})
	{
		Canvas canvas(60, 40);
		canvas.context->setFont(&font);
		canvas.context->setFontColor(c.color);
		canvas.context->setGlobalAlpha(c.globalAlpha);
		canvas.context->drawString("HI", CPoint(5, 30));
		CColor strongest(0, 0, 0, 0);
		for (int y = 0; y < 40; ++y)
			for (int x = 0; x < 60; ++x)
				if (canvas.surface->getPixel(x, y).alpha > strongest.alpha)
					strongest = canvas.surface->getPixel(x, y);
		EXPECT_NEAR(strongest.alpha, c.alpha, 1);
		EXPECT_NEAR(strongest.red, c.color.red, 3);
		EXPECT_NEAR(strongest.green, c.color.green, 3);
		EXPECT_NEAR(strongest.blue, c.color.blue, 3);
	}
}

// In the gap between two words only the lines can leave ink: the underline
// below the baseline, the strikethrough at half the x-height above it.
TEST_F(PangoFontTest, UnderlineAndStrikethroughRunAcrossTheText)
{
	struct Case
	{
		int32 style;
		bool below;
		bool above;
	};
	const double baseline = 30.;
	for (const auto& c : {Case {kNormalFace, false, false}, Case {kUnderlineFace, true, false},
	                      Case {kStrikethroughFace, false, true},
	                      Case {kUnderlineFace | kStrikethroughFace, true, true}})
	{
		CFontDesc font("DejaVu Sans", 20., c.style);
		auto platformFont = pangoFont(font);
		ASSERT_NE(platformFont, nullptr);
		Canvas canvas(120, 45);
		canvas.context->setFont(&font);
		canvas.context->setFontColor(kBlackCColor);
		canvas.context->drawString("x    x", CPoint(0, baseline));
		int gapFrom = static_cast<int>(width(font, "x ")) + 1;
		int gapTo = static_cast<int>(width(font, "x   "));
		bool below = false;
		for (int y = int(baseline); y < int(baseline) + 6; ++y)
			below = below || canvas.rowInked(y, gapFrom, gapTo);
		bool above = false;
		for (int y = int(baseline - platformFont->getXHeight()); y < int(baseline); ++y)
			above = above || canvas.rowInked(y, gapFrom, gapTo);
		EXPECT_EQ(below, c.below) << "style " << c.style;
		EXPECT_EQ(above, c.above) << "style " << c.style;
		if (c.style & kUnderlineFace)
		{
			int row = static_cast<int>(std::floor(baseline - platformFont->getUnderlinePosition() + 1.));
			EXPECT_TRUE(canvas.rowInked(row, gapFrom, gapTo) || canvas.rowInked(row - 1, gapFrom, gapTo));
		}
	}
}

TEST_F(PangoFontTest, NothingIsDrawnOutsideTheClip)
{
	CFontDesc font("DejaVu Sans", 16.);
	Canvas canvas(100, 30);
	canvas.context->setFont(&font);
	canvas.context->setFontColor(kBlackCColor);
	canvas.context->setClipRect(CRect(0, 0, 20, 30));
	canvas.context->drawString("WWWWWWWW", CPoint(2, 20));
	Ink ink = canvas.ink();
	ASSERT_FALSE(ink.empty());
	EXPECT_LT(ink.right, 20);
}

// ---- Layout cache ----

// A layout is reused while the font description and the antialiasing are
// the same; colour and the font object do not matter.
TEST_F(PangoFontTest, LayoutIsReusedForTheSameFontDescription)
{
	auto font = makeOwned<CFontDesc>("DejaVu Sans", 12.);
	auto copy = makeOwned<CFontDesc>(*font);
	copy->setStyle(kUnderlineFace);
	UTF8String text("Label");
	auto string = dynamic_cast<PangoPlatformString*>(text.getPlatformString());
	ASSERT_NE(string, nullptr);
	Canvas canvas(100, 30);
	canvas.context->setFont(font);
	canvas.context->setFontColor(kBlackCColor);
	canvas.context->drawString(string, CPoint(0, 20));
	PangoLayout* first = string->getLayout(*pangoFont(*font), true);
	// Held, so that a new layout can never take the old one's address.
	g_object_ref(first);

	canvas.context->setFontColor(kRedCColor);
	canvas.context->drawString(string, CPoint(0, 20));
	EXPECT_EQ(string->getLayout(*pangoFont(*font), true), first) << "colour changed";

	canvas.context->setFont(copy);
	canvas.context->drawString(string, CPoint(0, 20));
	EXPECT_EQ(string->getLayout(*pangoFont(*copy), true), first) << "another font object of that face";

	CFontDesc larger("DejaVu Sans", 13.);
	EXPECT_NE(string->getLayout(*pangoFont(larger), true), first) << "another size";
	EXPECT_NE(string->getLayout(*pangoFont(*font), false), first) << "aliased";
	g_object_unref(first);

	PangoLayout* current = string->getLayout(*pangoFont(*font), true);
	g_object_ref(current);
	string->setUTF8String("Label");
	EXPECT_EQ(string->getLayout(*pangoFont(*font), true), current) << "same text";
	string->setUTF8String("Other");
	EXPECT_NE(string->getLayout(*pangoFont(*font), true), current) << "new text";
	g_object_unref(current);
}

// ---- Text paths ----

TEST_F(PangoFontTest, TextPathHangsCapitalsFromTheTop)
{
	CFontDesc font("DejaVu Sans", 20.);
	Canvas canvas(10, 10);
	double capHeight = font.getPlatformFont()->getCapHeight();

	auto capitals = owned(canvas.context->createTextPath(&font, "HE"));
	ASSERT_NE(capitals, nullptr);
	CRect box = capitals->getBoundingBox();
	EXPECT_NEAR(box.top, 0., 0.05);
	EXPECT_NEAR(box.bottom, capHeight, 0.05);
	EXPECT_NEAR(box.right, width(font, "HE"), 3.);

	auto descending = owned(canvas.context->createTextPath(&font, "Hg"));
	ASSERT_NE(descending, nullptr);
	EXPECT_GT(descending->getBoundingBox().bottom, capHeight + 2.);

	auto empty = owned(canvas.context->createTextPath(&font, ""));
	ASSERT_NE(empty, nullptr);
	EXPECT_TRUE(empty->getElements().empty());

	CFontDesc nameless("", 12.);
	EXPECT_EQ(canvas.context->createTextPath(&nameless, "H"), nullptr);
	EXPECT_EQ(canvas.context->createTextPath(nullptr, "H"), nullptr);
	EXPECT_EQ(canvas.context->createTextPath(&font, nullptr), nullptr);
}

} // namespace
} // namespace Kavrin::Test
