#include "lib/cdrawcontext.h"
#include "lib/platform/cairo/cairobitmap.h"

#include "lib/cfont.h"
#include "lib/cgraphicspath.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/platform/platform.h"
#include "tests/support/recording.h"

#include "tests/support/printers.h"
#include "tests/support/elementpath.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace Kavrin {

namespace Test {
namespace {

// A bitmap of a logical size, made without any platform installed.
SharedPointer<CBitmap> bitmapOfSize(double width, double height)
{
	CPoint size(width, height);
	return makeOwned<CBitmap>(CairoBitmap::create(&size));
}

const CRect kSurface {0, 0, 300, 200};

struct BitmapDraw
{
	CBitmap* bitmap;
	CRect dest;
	CPoint offset;
	float alpha;
};

struct TileFill
{
	CBitmap* bitmap;
	CRect source;
	CRect dest;
	float alpha;
};

// A back end without pixels: primitives are recorded, the setters are
// recorded and then stored by the base.
class RecordingContext : public CDrawContext
{
public:
	explicit RecordingContext(const CRect& surface = kSurface) : CDrawContext(surface) {}

	void drawLine(const std::pair<CPoint, CPoint>&) override { primitives.push_back("drawLine"); }
	void drawLines(const std::vector<std::pair<CPoint, CPoint>>&) override
	{
		primitives.push_back("drawLines");
	}
	void drawPolygon(const std::vector<CPoint>&, CDrawStyle) override { primitives.push_back("drawPolygon"); }
	void drawRect(const CRect&, CDrawStyle) override { primitives.push_back("drawRect"); }
	void drawArc(const CRect&, float, float, CDrawStyle) override { primitives.push_back("drawArc"); }
	void drawEllipse(const CRect&, CDrawStyle) override { primitives.push_back("drawEllipse"); }
	void drawPoint(const CPoint&, const CColor&) override { primitives.push_back("drawPoint"); }
	void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float alpha) override
	{
		bitmapDraws.push_back({bitmap, dest, offset, alpha});
	}
	void fillRectWithBitmap(CBitmap* bitmap, const CRect& srcRect, const CRect& dstRect,
	                        float alpha) override
	{
		tileFills.push_back({bitmap, srcRect, dstRect, alpha});
		if (tilesThroughBase)
			CDrawContext::fillRectWithBitmap(bitmap, srcRect, dstRect, alpha);
	}
	void clearRect(const CRect&) override { primitives.push_back("clearRect"); }
	CGraphicsPath* createGraphicsPath() override { return makesPaths ? new ElementPath : nullptr; }
	CGraphicsPath* createTextPath(CFontDesc*, const char*) override { return nullptr; }
	void drawGraphicsPath(CGraphicsPath*, PathDrawMode, CGraphicsTransform*) override
	{
		primitives.push_back("drawGraphicsPath");
	}
	void fillLinearGradient(CGraphicsPath*, const CGradient&, const CPoint&, const CPoint&, bool,
	                        CGraphicsTransform*) override
	{
		primitives.push_back("fillLinearGradient");
	}
	void fillRadialGradient(CGraphicsPath*, const CGradient&, const CPoint&, double, const CPoint&, bool,
	                        CGraphicsTransform*) override
	{
		primitives.push_back("fillRadialGradient");
	}

	void setLineStyle(const CLineStyle& style) override
	{
		setters.push_back("setLineStyle");
		CDrawContext::setLineStyle(style);
	}
	void setLineWidth(double width) override
	{
		setters.push_back("setLineWidth");
		CDrawContext::setLineWidth(width);
	}
	void setDrawMode(CDrawMode mode) override
	{
		setters.push_back("setDrawMode");
		CDrawContext::setDrawMode(mode);
	}
	void setClipRect(const CRect& clip) override
	{
		setters.push_back("setClipRect");
		CDrawContext::setClipRect(clip);
	}
	void setFillColor(const CColor& color) override
	{
		setters.push_back("setFillColor");
		CDrawContext::setFillColor(color);
	}
	void setFrameColor(const CColor& color) override
	{
		setters.push_back("setFrameColor");
		CDrawContext::setFrameColor(color);
	}
	void setFontColor(const CColor& color) override
	{
		setters.push_back("setFontColor");
		CDrawContext::setFontColor(color);
	}
	void setFont(CFontDesc* font, const double& size, const int& style) override
	{
		setters.push_back("setFont");
		CDrawContext::setFont(font, size, style);
	}
	double getScaleFactor() const override { return scaleFactor; }

	std::vector<std::string> primitives;
	std::vector<std::string> setters;
	std::vector<BitmapDraw> bitmapDraws;
	std::vector<TileFill> tileFills;
	bool tilesThroughBase {true};
	bool makesPaths {true};
	double scaleFactor {1.};
};

// ---- Defaults ----

TEST(CDrawContextTest, BeforeInitTheContextHoldsAFreshState)
{
	RecordingContext context;
	EXPECT_EQ(context.getFont(), nullptr);
	const CColor transparentWhite(255, 255, 255, 0);
	EXPECT_EQ(context.getFrameColor(), transparentWhite);
	EXPECT_EQ(context.getFillColor(), transparentWhite);
	EXPECT_EQ(context.getFontColor(), transparentWhite);
	EXPECT_EQ(context.getLineWidth(), 0.);
	EXPECT_EQ(context.getLineStyle(), kLineOnOffDash);
	EXPECT_EQ(context.getDrawMode().value(), 1u);
	EXPECT_EQ(context.getGlobalAlpha(), 1.f);
	EXPECT_EQ(context.getBitmapInterpolationQuality(), kBitmapInterpolationDefault);
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect());
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());
	EXPECT_EQ(context.getSurfaceRect(), kSurface);
	EXPECT_TRUE(context.setters.empty()) << "construction does not call init()";
}

TEST(CDrawContextTest, InitAppliesTheDefaultsThroughTheSettersInOrder)
{
	RecordingContext context(CRect(5, 6, 105, 56));
	context.init();
	const std::vector<std::string> order {"setFrameColor", "setLineStyle", "setLineWidth",
	                                      "setFillColor",  "setFontColor", "setFont",
	                                      "setDrawMode",   "setClipRect"};
	EXPECT_EQ(context.setters, order);

	EXPECT_EQ(context.getFrameColor(), kWhiteCColor);
	EXPECT_EQ(context.getFillColor(), kBlackCColor);
	EXPECT_EQ(context.getFontColor(), kWhiteCColor);
	EXPECT_EQ(context.getLineWidth(), 1.);
	EXPECT_EQ(context.getLineStyle(), kLineSolid);
	EXPECT_EQ(context.getLineStyle().getDashCount(), 0u);
	EXPECT_EQ(context.getDrawMode().value(), 0u);
	EXPECT_TRUE(context.getDrawMode().integralMode());
	EXPECT_FALSE(context.getDrawMode().antialiasing());
	EXPECT_EQ(context.getGlobalAlpha(), 1.f);
	EXPECT_EQ(context.getFont(), kSystemFont) << "the standard font itself, not a copy";
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(5, 6, 105, 56));
	CRect clip;
	EXPECT_EQ(context.getClipRect(clip), CRect(5, 6, 105, 56));
}

TEST(CDrawContextTest, DrawModeWordSplitsIntoModeAndIntegralBit)
{
	struct Case
	{
		uint32 word;
		bool integral;
		bool antialiasing;
		uint32 mode;
	};
	const Case cases[] = {
	    {kAliasing, true, false, 0},
	    {kAntiAliasing, true, true, 1},
	    {kAliasing | kNonIntegralMode, false, false, 0},
	    {kAntiAliasing | kNonIntegralMode, false, true, 1},
	    {0x20000001, false, true, 0x20000001}, // a higher bit is not the integral bit
	    {2, true, false, 2},
	};
	for (const auto& c : cases)
	{
		const CDrawMode mode(c.word);
		EXPECT_EQ(mode.integralMode(), c.integral) << std::hex << c.word;
		EXPECT_EQ(mode.antialiasing(), c.antialiasing) << std::hex << c.word;
		EXPECT_EQ(mode.modeIgnoringIntegralMode(), c.mode) << std::hex << c.word;
		EXPECT_EQ(mode.value(), c.word);
	}
}

TEST(CDrawContextTest, LineStyleTakesDashesOnlyFromACountWithLengths)
{
	const double lengths[] = {4., 2.};
	EXPECT_EQ(CLineStyle(CLineStyle::kLineCapButt, CLineStyle::kLineJoinMiter, 0., 2, nullptr), kLineSolid);
	EXPECT_EQ(CLineStyle(CLineStyle::kLineCapButt, CLineStyle::kLineJoinMiter, 0., 0, lengths), kLineSolid);
	const CLineStyle dashed(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 1.5, 2, lengths);
	EXPECT_EQ(dashed.getDashLengths(), (CLineStyle::DashLengths {4., 2.}));
	EXPECT_EQ(dashed, CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 1.5,
	                             CLineStyle::DashLengths {4., 2.}));

	// Any difference makes two styles unequal.
	EXPECT_NE(dashed, CLineStyle(CLineStyle::kLineCapButt, CLineStyle::kLineJoinBevel, 1.5, 2, lengths));
	EXPECT_NE(dashed, CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinRound, 1.5, 2, lengths));
	EXPECT_NE(dashed, CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 0.5, 2, lengths));
	EXPECT_NE(dashed, CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 1.5, 1, lengths));
	EXPECT_NE(dashed, CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 1.5,
	                             CLineStyle::DashLengths {4., 3.}));
	EXPECT_EQ(kLineOnOffDash.getDashLengths(), (CLineStyle::DashLengths {1., 1.}));
	EXPECT_NE(kLineOnOffDash, kLineSolid);
}

// ---- Clip and transforms ----

TEST(CDrawContextTest, ClipIsStoredInSurfaceCoordinatesAndReadBackInUserCoordinates)
{
	RecordingContext context;
	context.init();
	context.pushTransform(CGraphicsTransform::translation(10, 20));
	context.setClipRect(CRect(0, 0, 5, 5));
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(10, 20, 15, 25));
	CRect clip;
	EXPECT_EQ(context.getClipRect(clip), CRect(0, 0, 5, 5));

	context.popTransform();
	EXPECT_EQ(context.getClipRect(clip), CRect(10, 20, 15, 25)) << "the stored clip does not move";
}

TEST(CDrawContextTest, ClipUnderAMirroringTransformIsNormalisedBothWays)
{
	RecordingContext context;
	context.pushTransform(CGraphicsTransform(-1, 0, 0, 2, 100, 0));
	context.setClipRect(CRect(10, 5, 30, 15));
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(70, 10, 90, 30));
	CRect clip;
	EXPECT_EQ(context.getClipRect(clip), CRect(10, 5, 30, 15));
}

TEST(CDrawContextTest, ClipReadsBackUnmappedUnderASingularTransform)
{
	RecordingContext context;
	context.setClipRect(CRect(10, 20, 30, 40));
	context.pushTransform(CGraphicsTransform(2, 4, 1, 2, 7, 7)); // determinant 0
	CRect clip;
	EXPECT_EQ(context.getClipRect(clip), CRect(10, 20, 30, 40));
}

TEST(CDrawContextTest, ResetClipRectUsesTheSurfaceIgnoringTheTransform)
{
	RecordingContext context(CRect(0, 0, 50, 40));
	context.setClipRect(CRect(1, 1, 2, 2));
	context.pushTransform(CGraphicsTransform::translation(10, 10));
	context.resetClipRect();
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(0, 0, 50, 40));
	CRect clip;
	EXPECT_EQ(context.getClipRect(clip), CRect(-10, -10, 40, 30));
}

TEST(CDrawContextTest, PushedTransformsApplyTheNewestFirst)
{
	RecordingContext context;
	context.pushTransform(CGraphicsTransform::scaling(2, 2));
	context.pushTransform(CGraphicsTransform::translation(3, 0));
	EXPECT_EQ(context.getCurrentTransform().transformed(CPoint(1, 0)), CPoint(8, 0));
	EXPECT_EQ(context.getCurrentTransform(), CGraphicsTransform(2, 0, 0, 2, 6, 0));

	context.popTransform();
	EXPECT_EQ(context.getCurrentTransform(), CGraphicsTransform::scaling(2, 2));
	context.popTransform();
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());
}

TEST(CDrawContextTest, PoppingTheBaseIdentityAssertsAndKeepsTheStack)
{
	AssertionRecorder assertions;
	RecordingContext context;
	context.popTransform();
	ASSERT_EQ(assertions.reports.size(), 1u);
	EXPECT_TRUE(assertions.has("lib/cdrawcontext", "365"));
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());

	// Still usable: a push and a pop work, and the base stays.
	context.pushTransform(CGraphicsTransform::translation(1, 1));
	context.popTransform();
	EXPECT_EQ(assertions.reports.size(), 1u);
	context.popTransform();
	EXPECT_EQ(assertions.reports.size(), 2u);
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());
}

TEST(CDrawContextTest, TransformGuardPushesAndPopsAnythingButTheIdentity)
{
	RecordingContext context;
	{
		CDrawContext::Transform guard(context, CGraphicsTransform::translation(4, 5));
		EXPECT_EQ(context.getCurrentTransform(), CGraphicsTransform::translation(4, 5));
	}
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());

	// The guard keeps its own copy: changing the caller's transform later
	// does not stop the pop.
	CGraphicsTransform transform = CGraphicsTransform::scaling(2, 2);
	{
		CDrawContext::Transform guard(context, transform);
		transform = CGraphicsTransform();
	}
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());
}

TEST(CDrawContextTest, TransformGuardWithTheIdentityNeitherPushesNorPops)
{
	AssertionRecorder assertions;
	RecordingContext context;
	context.pushTransform(CGraphicsTransform::translation(1, 2));
	{
		CDrawContext::Transform guard(context, CGraphicsTransform());
		// Had the guard pushed, this would remove the guard's entry and leave
		// the translation in place.
		context.popTransform();
		EXPECT_TRUE(context.getCurrentTransform().isInvariant());
	}
	// Had the guard popped, the base identity would have been popped (an
	// assertion).
	EXPECT_TRUE(assertions.reports.empty());
	EXPECT_TRUE(context.getCurrentTransform().isInvariant());
}

TEST(CDrawContextTest, HairlineIsOneDevicePixelInUserUnits)
{
	RecordingContext context;
	EXPECT_EQ(context.CDrawContext::getScaleFactor(), 1.) << "the base surface is not scaled";
	EXPECT_EQ(context.getHairlineSize(), 1.);
	context.scaleFactor = 2.;
	EXPECT_EQ(context.getHairlineSize(), 0.5);
	context.pushTransform(CGraphicsTransform::scaling(2, 2));
	EXPECT_EQ(context.getHairlineSize(), 0.25);
}

// ---- Clip scope ----

TEST(CDrawContextTest, ClipScopeIntersectsWithTheCurrentClipAndRestoresIt)
{
	struct Case
	{
		const char* name;
		CRect rect;
		CRect clip;
		bool empty;
	};
	// The current clip is (0, 0, 100, 100).
	const Case cases[] = {
	    {"overlapping", {50, 60, 150, 80}, {50, 60, 100, 80}, false},
	    {"given the wrong way round", {150, 80, 50, 60}, {50, 60, 100, 80}, false},
	    {"inside", {10, 10, 20, 20}, {10, 10, 20, 20}, false},
	    {"covering", {-10, -10, 200, 200}, {0, 0, 100, 100}, false},
	    {"beside: no width, never inverted", {200, 10, 300, 20}, {200, 10, 200, 20}, true},
	    {"above: no height, never inverted", {10, -50, 20, -20}, {10, 0, 20, 0}, true},
	    {"touching the right edge", {100, 0, 150, 50}, {100, 0, 100, 50}, true},
	    {"no height of its own", {10, 10, 20, 10}, {10, 10, 20, 10}, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		RecordingContext context;
		context.setClipRect(CRect(0, 0, 100, 100));
		{
			CDrawContext::ClipScope scope(&context, c.rect);
			EXPECT_EQ(scope.isEmpty(), c.empty);
			EXPECT_EQ(context.getAbsoluteClipRect(), c.clip);
		}
		EXPECT_EQ(context.getAbsoluteClipRect(), CRect(0, 0, 100, 100));
	}
}

TEST(CDrawContextTest, ClipScopeWorksInTheCurrentUserCoordinates)
{
	RecordingContext context;
	context.setClipRect(CRect(0, 0, 100, 100));
	context.pushTransform(CGraphicsTransform::translation(10, 20));
	{
		CDrawContext::ClipScope scope(&context, CRect(0, 0, 200, 50));
		EXPECT_FALSE(scope.isEmpty());
		EXPECT_EQ(context.getAbsoluteClipRect(), CRect(10, 20, 100, 70));
		CRect clip;
		EXPECT_EQ(context.getClipRect(clip), CRect(0, 0, 90, 50));
	}
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(0, 0, 100, 100));
}

TEST(CDrawContextTest, NestedClipScopesNarrowAndUnwindInOrder)
{
	RecordingContext context;
	context.setClipRect(CRect(0, 0, 100, 100));
	{
		CDrawContext::ClipScope outer(&context, CRect(10, 10, 60, 60));
		{
			CDrawContext::ClipScope inner(&context, CRect(40, 0, 90, 50));
			EXPECT_EQ(context.getAbsoluteClipRect(), CRect(40, 10, 60, 50));
		}
		EXPECT_EQ(context.getAbsoluteClipRect(), CRect(10, 10, 60, 60));
	}
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(0, 0, 100, 100));
}

// ---- State stack ----

TEST(CDrawContextTest, RestoreGlobalStateBringsBackEveryFieldButNotTheTransform)
{
	RecordingContext context;
	context.init();
	auto font = makeOwned<CFontDesc>("Saved", 12.);
	const CLineStyle dashed(CLineStyle::kLineCapRound, CLineStyle::kLineJoinBevel, 2.,
	                        CLineStyle::DashLengths {3., 1.});

	context.setFont(font, 14., -1); // a copy only the state holds
	CFontDesc* savedFont = context.getFont();
	context.setFrameColor(kRedCColor);
	context.setFillColor(kGreenCColor);
	context.setFontColor(kBlueCColor);
	context.setLineWidth(3.);
	context.setClipRect(CRect(1, 2, 3, 4));
	context.setLineStyle(dashed);
	context.setDrawMode(kAntiAliasing | kNonIntegralMode);
	context.setGlobalAlpha(0.25f);
	context.setBitmapInterpolationQuality(kBitmapInterpolationHigh);
	context.saveGlobalState();

	context.setFont(kNormalFont, 0., -1);
	context.setFrameColor(kYellowCColor);
	context.setFillColor(kCyanCColor);
	context.setFontColor(kMagentaCColor);
	context.setLineWidth(7.);
	context.setClipRect(CRect(10, 20, 30, 40));
	context.setLineStyle(kLineSolid);
	context.setDrawMode(kAliasing);
	context.setGlobalAlpha(0.75f);
	context.setBitmapInterpolationQuality(kBitmapInterpolationLow);
	context.pushTransform(CGraphicsTransform::translation(5, 5));

	context.restoreGlobalState();
	ASSERT_EQ(context.getFont(), savedFont) << "the saved state kept its font alive";
	EXPECT_EQ(context.getFont()->getSize(), 14.);
	EXPECT_EQ(context.getFrameColor(), kRedCColor);
	EXPECT_EQ(context.getFillColor(), kGreenCColor);
	EXPECT_EQ(context.getFontColor(), kBlueCColor);
	EXPECT_EQ(context.getLineWidth(), 3.);
	EXPECT_EQ(context.getAbsoluteClipRect(), CRect(1, 2, 3, 4));
	EXPECT_EQ(context.getLineStyle(), dashed);
	EXPECT_EQ(context.getDrawMode().value(), kAntiAliasing | kNonIntegralMode);
	EXPECT_EQ(context.getGlobalAlpha(), 0.25f);
	EXPECT_EQ(context.getBitmapInterpolationQuality(), kBitmapInterpolationHigh);
	EXPECT_EQ(context.getCurrentTransform(), CGraphicsTransform::translation(5, 5));
	context.popTransform();
}

TEST(CDrawContextTest, SavedStatesRestoreLastInFirstOutAndAnEmptyStackChangesNothing)
{
	RecordingContext context;
	context.setLineWidth(1.);
	context.saveGlobalState();
	context.setLineWidth(2.);
	context.saveGlobalState();
	context.setLineWidth(3.);

	context.restoreGlobalState();
	EXPECT_EQ(context.getLineWidth(), 2.);
	context.restoreGlobalState();
	EXPECT_EQ(context.getLineWidth(), 1.);

	context.setLineWidth(9.);
	context.setFillColor(kRedCColor);
	context.restoreGlobalState();
	EXPECT_EQ(context.getLineWidth(), 9.);
	EXPECT_EQ(context.getFillColor(), kRedCColor);
}

// ---- Fonts ----

TEST(CDrawContextTest, SetFontKeepsTheCallersFontOrStoresAnAdjustedCopy)
{
	struct Case
	{
		const char* name;
		double size;
		int style;
		bool keepsObject;
		double expectedSize;
		int expectedStyle;
	};
	const Case cases[] = {
	    {"size 0, style -1", 0., -1, true, 12., kItalicFace},
	    {"negative size", -4., -1, true, 12., kItalicFace},
	    {"the font's own size and style", 12., kItalicFace, true, 12., kItalicFace},
	    {"a new size", 14., -1, false, 14., kItalicFace},
	    {"a new style", 0., kBoldFace, false, 12., kBoldFace},
	    {"the same size, a new style", 12., kNormalFace, false, 12., kNormalFace},
	    {"both new", 9., kBoldFace | kItalicFace, false, 9., kBoldFace | kItalicFace},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto font = makeOwned<CFontDesc>("Face", 12., kItalicFace);
		{
			RecordingContext context;
			context.setFont(font, c.size, c.style);
			CFontDesc* stored = context.getFont();
			ASSERT_NE(stored, nullptr);
			EXPECT_EQ(stored == font.get(), c.keepsObject);
			EXPECT_EQ(stored->getName(), "Face");
			EXPECT_EQ(stored->getSize(), c.expectedSize);
			EXPECT_EQ(stored->getStyle(), c.expectedStyle);
			EXPECT_EQ(font->getSize(), 12.) << "the caller's font is not changed";
			EXPECT_EQ(font->getStyle(), kItalicFace);
			EXPECT_EQ(font->getNbReference(), c.keepsObject ? 2 : 1);
		}
		EXPECT_EQ(font->getNbReference(), 1) << "the context released it";
	}
}

TEST(CDrawContextTest, SetFontWithoutAFontChangesNothing)
{
	RecordingContext context;
	auto font = makeOwned<CFontDesc>("Face", 12.);
	context.setFont(font, 0., -1);
	context.setFont(nullptr, 20., kBoldFace);
	EXPECT_EQ(context.getFont(), font.get());
	context.setFont(font, 0., -1);
	EXPECT_EQ(font->getNbReference(), 2) << "setting the current font again takes no second reference";
}

// ---- Strings ----

// A platform with fonts and strings only. Fonts named "NoPainter" have no
// painter and fonts named "Missing" do not exist; the painter measures six
// units per byte and records what it draws.
class TextString;

struct PaintLog
{
	struct Draw
	{
		std::string text;
		CPoint baseline;
		bool antialias;
	};
	std::vector<Draw> draws;
	std::vector<bool> widthAntialias;
	int stringsCreated {0};
	TextString* lastString {nullptr};
};
PaintLog paintLog;

class TextString : public IPlatformString
{
public:
	explicit TextString(const char* text) { setUTF8String(text); }
	void setUTF8String(const char* text) override { this->text = text ? text : ""; }
	std::string text;
};

class TextPainter : public IFontPainter
{
public:
	void drawString(CDrawContext*, IPlatformString* string, const CPoint& baseline,
	                bool antialias) const override
	{
		paintLog.draws.push_back({static_cast<TextString*>(string)->text, baseline, antialias});
	}
	double getStringWidth(CDrawContext*, IPlatformString* string, bool antialias) const override
	{
		paintLog.widthAntialias.push_back(antialias);
		return 6. * static_cast<double>(static_cast<TextString*>(string)->text.size());
	}
};

class TextFont : public IPlatformFont
{
public:
	TextFont(bool hasPainter, double capHeight) : hasPainter(hasPainter), capHeight(capHeight) {}
	double getAscent() const override { return 0.; }
	double getDescent() const override { return 0.; }
	double getLeading() const override { return 0.; }
	double getCapHeight() const override { return capHeight; }
	const IFontPainter* getPainter() const override { return hasPainter ? &painter : nullptr; }

	bool hasPainter;
	double capHeight;
	TextPainter painter;
};

class TextPlatform : public IPlatform
{
public:
	SharedPointer<IPlatformFrame> createFrame(IPlatformFrameCallback*, const CRect&, void*, PlatformType,
	                                          IPlatformFrameConfig*) override
	{
		return nullptr;
	}
	SharedPointer<IPlatformTimer> createTimer(IPlatformTimerCallback*) override { return nullptr; }
	uint32 getTicks() const override { return 0; }
	SharedPointer<IPlatformString> createString(const char* text) override
	{
		++paintLog.stringsCreated;
		auto string = makeOwned<TextString>(text);
		paintLog.lastString = string;
		return string;
	}
	CGradient* createGradient(const CGradient::ColorStopMap&) override { return nullptr; }
	SharedPointer<IPlatformBitmap> createBitmap(CPoint*) override { return nullptr; }
	SharedPointer<IPlatformBitmap> createBitmapFromPath(const char*) override { return nullptr; }
	SharedPointer<IPlatformBitmap> createBitmapFromMemory(const void*, uint32) override { return nullptr; }
	std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>&) override
	{
		return {};
	}
	SharedPointer<IPlatformFont> createFont(const std::string& name, double, int32) override
	{
		if (name == "Missing")
			return nullptr;
		return makeOwned<TextFont>(name != "NoPainter", name == "NoCapHeight" ? 0. : 8.);
	}
};

class CDrawContextTextTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		paintLog = {};
		setPlatform(makeOwned<TextPlatform>());
	}
	void TearDown() override
	{
		// The standard fonts cache what this platform made.
		CFontDesc::cleanup();
		setPlatform(nullptr);
	}
};

TEST_F(CDrawContextTextTest, StringWidthIsMinusOneWithoutStringFontOrPainter)
{
	RecordingContext context;
	EXPECT_EQ(context.getStringWidth("abc"), -1.) << "no font before init()";

	auto noPainter = makeOwned<CFontDesc>("NoPainter", 12.);
	context.setFont(noPainter, 0., -1);
	EXPECT_EQ(context.getStringWidth("abc"), -1.) << "a font without a painter";

	auto missing = makeOwned<CFontDesc>("Missing", 12.);
	context.setFont(missing, 0., -1);
	EXPECT_EQ(context.getStringWidth("abc"), -1.) << "a font the platform does not have";

	auto font = makeOwned<CFontDesc>("Face", 12.);
	context.setFont(font, 0., -1);
	EXPECT_EQ(context.getStringWidth(static_cast<const char*>(nullptr)), -1.);
	EXPECT_EQ(context.getStringWidth(static_cast<IPlatformString*>(nullptr)), -1.);
	EXPECT_TRUE(paintLog.widthAntialias.empty());

	EXPECT_EQ(context.getStringWidth("abc"), 18.) << "the painter's width";
	EXPECT_EQ(paintLog.widthAntialias, std::vector<bool> {true}) << "measured antialiased";
}

TEST_F(CDrawContextTextTest, StringWidthWithoutAPlatformIsMinusOne)
{
	setPlatform(nullptr);
	RecordingContext context;
	auto font = makeOwned<CFontDesc>("Face", 12.);
	context.setFont(font, 0., -1);
	EXPECT_EQ(context.getStringWidth("abc"), -1.);
}

TEST_F(CDrawContextTextTest, TextIsConvertedThroughOneReusedStringThatIsEmptiedAfterUse)
{
	RecordingContext context;
	context.init();
	EXPECT_EQ(context.getStringWidth("ab"), 12.);
	context.drawString("xyz", CPoint(1, 2));
	EXPECT_EQ(context.getStringWidth("abcd"), 24.);
	EXPECT_EQ(paintLog.stringsCreated, 1);
	ASSERT_EQ(paintLog.draws.size(), 1u);
	EXPECT_EQ(paintLog.draws[0].text, "xyz");
	EXPECT_EQ(paintLog.draws[0].baseline, CPoint(1, 2));

	ASSERT_NE(paintLog.lastString, nullptr);
	EXPECT_EQ(paintLog.lastString->text, "") << "no text is left behind in the helper";
}

TEST_F(CDrawContextTextTest, StringInARectIsPlacedByAlignmentAndCapHeight)
{
	struct Case
	{
		const char* name;
		const char* fontName;
		CHoriTxtAlign align;
		bool antialias;
		CPoint baseline;
	};
	// Rect (10, 20, 110, 60): half height 20; "abcd" is 24 wide; the font is
	// 12 points. With a cap height of 8 the baseline is 20 - 4 above the
	// bottom; without one 20 - 6 + 1.
	const Case cases[] = {
	    {"left", "Face", kLeftText, true, {10, 44}},
	    {"right", "Face", kRightText, true, {86, 44}},
	    {"centre", "Face", kCenterText, false, {48, 44}},
	    {"an unknown alignment is centred", "Face", static_cast<CHoriTxtAlign>(7), true, {48, 44}},
	    {"no cap height", "NoCapHeight", kLeftText, true, {10, 45}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		paintLog = {};
		RecordingContext context;
		auto font = makeOwned<CFontDesc>(c.fontName, 12.);
		context.setFont(font, 0., -1);
		context.drawString("abcd", CRect(10, 20, 110, 60), c.align, c.antialias);
		ASSERT_EQ(paintLog.draws.size(), 1u);
		EXPECT_EQ(paintLog.draws[0].text, "abcd");
		EXPECT_EQ(paintLog.draws[0].baseline, c.baseline);
		EXPECT_EQ(paintLog.draws[0].antialias, c.antialias);
		for (bool measured : paintLog.widthAntialias)
			EXPECT_EQ(measured, c.antialias) << "measured as it is drawn";
	}
}

TEST_F(CDrawContextTextTest, DrawStringWithoutAPainterDrawsNothing)
{
	RecordingContext context;
	context.drawString("abc", CPoint(0, 0));
	auto noPainter = makeOwned<CFontDesc>("NoPainter", 12.);
	context.setFont(noPainter, 0., -1);
	context.drawString("abc", CRect(0, 0, 10, 10), kLeftText);
	context.drawString("abc", CPoint(0, 0));
	EXPECT_TRUE(paintLog.draws.empty());
}

// ---- Bitmaps ----

TEST(CDrawContextTest, FillRectWithBitmapTilesRowByRowCuttingTheLastTiles)
{
	RecordingContext context;
	auto bitmap = bitmapOfSize(40, 40);
	context.fillRectWithBitmap(bitmap, CRect(3, 4, 13, 14), CRect(100, 200, 125, 212), 0.5f);

	const CRect expected[] = {
	    {100, 200, 110, 210}, {110, 200, 120, 210}, {120, 200, 125, 210},
	    {100, 210, 110, 212}, {110, 210, 120, 212}, {120, 210, 125, 212},
	};
	ASSERT_EQ(context.bitmapDraws.size(), 6u);
	for (size_t i = 0; i < 6; ++i)
	{
		SCOPED_TRACE(i);
		EXPECT_EQ(context.bitmapDraws[i].dest, expected[i]);
		EXPECT_EQ(context.bitmapDraws[i].offset, CPoint(3, 4)) << "every tile starts at the source's corner";
		EXPECT_EQ(context.bitmapDraws[i].bitmap, bitmap.get());
		EXPECT_EQ(context.bitmapDraws[i].alpha, 0.5f);
	}
	EXPECT_EQ(context.bitmapDraws[5].dest.getSize(), CPoint(5, 2));
}

TEST(CDrawContextTest, FillRectWithBitmapSmallerThanATileDrawsOnePartialTile)
{
	RecordingContext context;
	auto bitmap = bitmapOfSize(10, 10);
	context.fillRectWithBitmap(bitmap, CRect(0, 0, 10, 10), CRect(1, 2, 5, 5), 1.f);
	ASSERT_EQ(context.bitmapDraws.size(), 1u);
	EXPECT_EQ(context.bitmapDraws[0].dest, CRect(1, 2, 5, 5));
}

TEST(CDrawContextTest, FillRectWithBitmapDrawsNothingForAnEmptySourceOrDestination)
{
	struct Case
	{
		const char* name;
		CRect source;
		CRect dest;
	};
	const Case cases[] = {
	    {"source without width", {0, 0, 0, 10}, {0, 0, 50, 50}},
	    {"source without height", {0, 0, 10, 0}, {0, 0, 50, 50}},
	    {"inverted source", {10, 10, 0, 0}, {0, 0, 50, 50}},
	    {"destination without width", {0, 0, 10, 10}, {5, 0, 5, 50}},
	    {"destination without height", {0, 0, 10, 10}, {0, 5, 50, 5}},
	    {"inverted destination", {0, 0, 10, 10}, {50, 50, 0, 0}},
	};
	auto bitmap = bitmapOfSize(10, 10);
	for (const auto& c : cases)
	{
		RecordingContext context;
		context.fillRectWithBitmap(bitmap, c.source, c.dest, 1.f);
		EXPECT_TRUE(context.bitmapDraws.empty()) << c.name;
	}
}

void expectNineCells(const std::vector<TileFill>& fills, const CRect (&sources)[9],
                     const CRect (&dests)[9], CBitmap* bitmap, float alpha)
{
	static const char* const cellNames[] = {"top-left", "top", "top-right", "left", "centre",
	                                        "right", "bottom-left", "bottom", "bottom-right"};
	ASSERT_EQ(fills.size(), 9u);
	for (size_t i = 0; i < 9; ++i)
	{
		SCOPED_TRACE(cellNames[i]);
		EXPECT_EQ(fills[i].source, sources[i]);
		EXPECT_EQ(fills[i].dest, dests[i]);
		EXPECT_EQ(fills[i].bitmap, bitmap);
		EXPECT_EQ(fills[i].alpha, alpha);
	}
}

TEST(CDrawContextTest, NinePartTiledFillsTheNineCellsRowByRow)
{
	RecordingContext context;
	context.tilesThroughBase = false;
	auto bitmap = bitmapOfSize(30, 20);
	CNinePartTiledDescription desc;
	desc.left = 5;
	desc.top = 4;
	desc.right = 6;
	desc.bottom = 3;
	context.drawBitmapNinePartTiled(bitmap, CRect(100, 50, 200, 90), desc, 0.75f);

	// Source columns 0|5|24|30, rows 0|4|17|20; destination columns
	// 100|105|194|200, rows 50|54|87|90.
	const CRect sources[9] = {
	    {0, 0, 5, 4},    {5, 0, 24, 4},    {24, 0, 30, 4},
	    {0, 4, 5, 17},   {5, 4, 24, 17},   {24, 4, 30, 17},
	    {0, 17, 5, 20},  {5, 17, 24, 20},  {24, 17, 30, 20},
	};
	const CRect dests[9] = {
	    {100, 50, 105, 54}, {105, 50, 194, 54}, {194, 50, 200, 54},
	    {100, 54, 105, 87}, {105, 54, 194, 87}, {194, 54, 200, 87},
	    {100, 87, 105, 90}, {105, 87, 194, 90}, {194, 87, 200, 90},
	};
	expectNineCells(context.tileFills, sources, dests, bitmap, 0.75f);
}

TEST(CDrawContextTest, NinePartTiledWithOverlappingOffsetsSwapsTheInnerLines)
{
	RecordingContext context;
	context.tilesThroughBase = false;
	auto bitmap = bitmapOfSize(20, 10);
	CNinePartTiledDescription desc;
	desc.left = 12;
	desc.top = 6;
	desc.right = 12;
	desc.bottom = 6;
	context.drawBitmapNinePartTiled(bitmap, CRect(0, 0, 16, 8), desc, 1.f);

	// Source: inner x lines 12 and 20 - 12 = 8 become 8|12, inner y lines 6
	// and 4 become 4|6. Destination: 12 and 4 become 4|12, 6 and 2 become 2|6.
	const CRect sources[9] = {
	    {0, 0, 8, 4},  {8, 0, 12, 4},  {12, 0, 20, 4},
	    {0, 4, 8, 6},  {8, 4, 12, 6},  {12, 4, 20, 6},
	    {0, 6, 8, 10}, {8, 6, 12, 10}, {12, 6, 20, 10},
	};
	const CRect dests[9] = {
	    {0, 0, 4, 2},  {4, 0, 12, 2},  {12, 0, 16, 2},
	    {0, 2, 4, 6},  {4, 2, 12, 6},  {12, 2, 16, 6},
	    {0, 6, 4, 8},  {4, 6, 12, 8},  {12, 6, 16, 8},
	};
	expectNineCells(context.tileFills, sources, dests, bitmap, 1.f);
}

TEST(CDrawContextTest, NinePartTiledEdgesRepeatThroughTheGenericTiling)
{
	RecordingContext context;
	auto bitmap = bitmapOfSize(3, 3);
	CNinePartTiledDescription desc;
	desc.left = desc.top = desc.right = desc.bottom = 1;
	context.drawBitmapNinePartTiled(bitmap, CRect(0, 0, 5, 3), desc, 1.f);
	// Top row: one corner, three repeats of the 1-wide top edge, one corner;
	// the same for the middle and the bottom row.
	ASSERT_EQ(context.bitmapDraws.size(), 15u);
	EXPECT_EQ(context.bitmapDraws[1].dest, CRect(1, 0, 2, 1));
	EXPECT_EQ(context.bitmapDraws[2].dest, CRect(2, 0, 3, 1));
	EXPECT_EQ(context.bitmapDraws[3].dest, CRect(3, 0, 4, 1));
	for (int i = 1; i <= 3; ++i)
		EXPECT_EQ(context.bitmapDraws[size_t(i)].offset, CPoint(1, 0));
}

TEST(CDrawContextTest, NinePartTiledWithoutABitmapDrawsNothing)
{
	RecordingContext context;
	context.drawBitmapNinePartTiled(nullptr, CRect(0, 0, 10, 10), CNinePartTiledDescription {});
	EXPECT_TRUE(context.tileFills.empty());
	EXPECT_TRUE(context.bitmapDraws.empty());
}

// ---- Paths ----

TEST(CDrawContextTest, RoundRectPathComesFromTheBackEndsPath)
{
	RecordingContext context;
	auto path = owned(context.createRoundRectGraphicsPath(CRect(0, 0, 40, 20), 4.));
	ASSERT_NE(path, nullptr);
	const auto& elements = path->getElements();
	ASSERT_EQ(elements.size(), 6u);
	EXPECT_EQ(elements[0].type, CGraphicsPath::Element::kBeginSubpath);
	EXPECT_EQ(elements[0].point, CPoint(36, 0));
	EXPECT_EQ(elements[1].rect, CRect(32, 0, 40, 8));
	EXPECT_EQ(elements[5].type, CGraphicsPath::Element::kCloseSubpath);
	EXPECT_EQ(path->getNbReference(), 1) << "the caller owns the only reference";

	auto plain = owned(context.createRoundRectGraphicsPath(CRect(0, 0, 40, 20), 0.));
	ASSERT_NE(plain, nullptr);
	ASSERT_EQ(plain->getElements().size(), 1u);
	EXPECT_EQ(plain->getElements()[0].type, CGraphicsPath::Element::kRect);

	context.makesPaths = false;
	EXPECT_EQ(context.createRoundRectGraphicsPath(CRect(0, 0, 40, 20), 4.), nullptr);
}

} // namespace
} // namespace Test
} // namespace Kavrin
