#include "lib/cfont.h"

#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

class CountedFont : public IPlatformFont, public IFontPainter
{
public:
	double getAscent() const override { return 10.; }
	double getDescent() const override { return 3.; }
	double getLeading() const override { return 1.; }
	double getCapHeight() const override { return 7.; }
	const IFontPainter* getPainter() const override { return this; }
	void drawString(CDrawContext*, IPlatformString*, const CPoint&, bool) const override {}
	double getStringWidth(CDrawContext*, IPlatformString*, bool) const override { return 0.; }
};

// Makes a platform font for every request, except while told to fail, and
// records what was asked for.
class FontCountingPlatform : public HeadlessPlatform
{
public:
	SharedPointer<IPlatformFont> createFont(const std::string& name, double size, int32 style) override
	{
		requests.push_back({name, size, style});
		if (failing)
			return nullptr;
		return makeOwned<CountedFont>();
	}

	struct Request
	{
		std::string name;
		double size;
		int32 style;
	};
	std::vector<Request> requests;
	bool failing {false};
};

class CFontDescTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		platform = makeOwned<FontCountingPlatform>();
		setPlatform(platform);
	}
	void TearDown() override
	{
		CFontDesc::cleanup();
		setPlatform(nullptr);
	}

	SharedPointer<FontCountingPlatform> platform;
};

TEST_F(CFontDescTest, PlatformFontIsMadeOnceFromTheDescription)
{
	CFontDesc font("Face", 13., kBoldFace | kUnderlineFace);
	IPlatformFont* platformFont = font.getPlatformFont();
	ASSERT_NE(platformFont, nullptr);
	EXPECT_EQ(font.getPlatformFont(), platformFont);
	EXPECT_EQ(font.getFontPainter(), platformFont->getPainter());
	ASSERT_EQ(platform->requests.size(), 1u);
	EXPECT_EQ(platform->requests[0].name, "Face");
	EXPECT_EQ(platform->requests[0].size, 13.);
	EXPECT_EQ(platform->requests[0].style, kBoldFace | kUnderlineFace);
}

TEST_F(CFontDescTest, FailedCreationIsTriedAgain)
{
	CFontDesc font("Face", 12.);
	platform->failing = true;
	EXPECT_EQ(font.getPlatformFont(), nullptr);
	EXPECT_EQ(font.getFontPainter(), nullptr);
	platform->failing = false;
	EXPECT_NE(font.getPlatformFont(), nullptr);
	EXPECT_EQ(platform->requests.size(), 3u);
}

// Which changes drop the platform font, so that the next request makes one
// for the new description.
TEST_F(CFontDescTest, ChangesDropThePlatformFont)
{
	struct Case
	{
		const char* name;
		std::function<void(CFontDesc&)> change;
		bool kept;
	};
	const std::vector<Case> cases {
	    {"equal name", [](CFontDesc& f) { f.setName("Face"); }, true},
	    {"other name", [](CFontDesc& f) { f.setName("Other"); }, false},
	    {"name of other case", [](CFontDesc& f) { f.setName("face"); }, false},
	    {"size", [](CFontDesc& f) { f.setSize(14.); }, false},
	    {"style", [](CFontDesc& f) { f.setStyle(kItalicFace); }, false},
	    {"assignment", [](CFontDesc& f) { f = CFontDesc("Other", 9., kBoldFace); }, false},
	    {"freePlatformFont", [](CFontDesc& f) { f.freePlatformFont(); }, false},
	};
	for (const auto& c : cases)
	{
		CFontDesc font("Face", 12.);
		// Held, so that a new font can never take its address.
		SharedPointer<IPlatformFont> before = font.getPlatformFont();
		c.change(font);
		EXPECT_EQ(font.getPlatformFont() == before, c.kept) << c.name;
	}
}

TEST_F(CFontDescTest, CopySharesTheNameButNotThePlatformFont)
{
	CFontDesc font("Face", 12., kItalicFace);
	font.getPlatformFont();
	auto nameString = font.getName().getPlatformString();
	CFontDesc copy(font);
	EXPECT_EQ(copy, font);
	EXPECT_EQ(copy.getName().getPlatformString(), nameString);
	EXPECT_EQ(platform->requests.size(), 1u);
	EXPECT_NE(copy.getPlatformFont(), font.getPlatformFont());
	EXPECT_EQ(platform->requests.size(), 2u);
}

TEST_F(CFontDescTest, EqualityComparesEveryField)
{
	struct Case
	{
		CFontDesc other;
		bool equal;
	};
	const CFontDesc font("Face", 12., kNormalFace);
	const Case cases[] {
	    {CFontDesc("Face", 12., kNormalFace), true},
	    {CFontDesc("Face", 12., kBoldFace), false},
	    {CFontDesc("Face", 12.5, kNormalFace), false},
	    {CFontDesc("face", 12., kNormalFace), false},
	    {CFontDesc("Face ", 12., kNormalFace), false},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ(font == c.other, c.equal) << c.other.getName().get() << " " << c.other.getSize() << " "
		                                    << c.other.getStyle();
		EXPECT_EQ(font != c.other, !c.equal);
	}
}

TEST_F(CFontDescTest, CleanupDropsTheStandardFontsPlatformFonts)
{
	const CFontRef standard[] {kSystemFont,        kNormalFontVeryBig,   kNormalFontBig, kNormalFont,
	                           kNormalFontSmall,   kNormalFontSmaller,   kNormalFontVerySmall, kSymbolFont};
	std::vector<SharedPointer<IPlatformFont>> before;
	for (auto font : standard)
		before.emplace_back(font->getPlatformFont());
	CFontDesc::cleanup();
	for (size_t i = 0; i < std::size(standard); ++i)
		EXPECT_NE(standard[i]->getPlatformFont(), before[i]) << standard[i]->getName().get();
}

TEST(CFontDescStandardTest, StandardDescriptions)
{
	struct Case
	{
		CFontRef font;
		const char* name;
		double size;
	};
	for (const auto& c : {Case {kSystemFont, "Lucida Grande", 12.}, Case {kNormalFontVeryBig, "Arial", 18.},
	                      Case {kNormalFontBig, "Arial", 14.}, Case {kNormalFont, "Arial", 12.},
	                      Case {kNormalFontSmall, "Arial", 11.}, Case {kNormalFontSmaller, "Arial", 10.},
	                      Case {kNormalFontVerySmall, "Arial", 9.}, Case {kSymbolFont, "Symbol", 12.}})
	{
		EXPECT_EQ(c.font->getName(), c.name);
		EXPECT_EQ(c.font->getSize(), c.size) << c.name;
		EXPECT_EQ(c.font->getStyle(), kNormalFace) << c.name;
	}
}

TEST(CFontDescStandardTest, NoPlatformFontWithoutAPlatform)
{
	setPlatform(nullptr);
	CFontDesc font("Face", 12.);
	EXPECT_EQ(font.getPlatformFont(), nullptr);
	EXPECT_EQ(font.getFontPainter(), nullptr);
}

} // namespace
} // namespace Kavrin::Test
