#include "lib/cgradient.h"
#include "lib/cgraphicspath.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairographicspath.h"
#include "lib/platform/cairo/cairosurface.h"
#include "tests/support/surfacepixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

// A surface of 20 x 20 logical units (unless told otherwise) and a context
// on it, cleared to transparent.
struct Canvas
{
	explicit Canvas(double scale = 1., int logicalWidth = 20, int logicalHeight = -1)
	: surface(CairoImageSurface::create(int32(logicalWidth * scale),
	                                    int32((logicalHeight < 0 ? logicalWidth : logicalHeight) * scale),
	                                    scale)),
	  context(owned(surface->createDrawContext()))
	{
	}
	bool covered(int x, int y) const { return surface->getPixel(x, y).alpha != 0; }
	int alpha(int x, int y) const { return surface->getPixel(x, y).alpha; }
	CColor pixel(int x, int y) const { return surface->getPixel(x, y); }

	// One character per device pixel from 'from' to 'to' inclusive: 'X' fully
	// covered, '.' untouched, '+' partly covered.
	std::string row(int y, int from, int to) const
	{
		std::string text;
		for (int x = from; x <= to; ++x)
			text += symbol(x, y);
		return text;
	}
	std::string column(int x, int from, int to) const
	{
		std::string text;
		for (int y = from; y <= to; ++y)
			text += symbol(x, y);
		return text;
	}
	char symbol(int x, int y) const
	{
		int a = alpha(x, y);
		return a == 255 ? 'X' : a == 0 ? '.' : '+';
	}

	SharedPointer<CGraphicsPath> path() { return owned(context->createGraphicsPath()); }

	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CDrawContext> context;
};

std::string describe(const CColor& color)
{
	return "(" + std::to_string(color.red) + ", " + std::to_string(color.green) + ", " +
	       std::to_string(color.blue) + ", " + std::to_string(color.alpha) + ")";
}

SharedPointer<CGradient> twoStops(double start, const CColor& startColor, double end,
                                  const CColor& endColor)
{
	CGradient::ColorStopMap stops;
	stops.emplace(start, startColor);
	stops.emplace(end, endColor);
	return makeOwned<CGradient>(stops);
}

constexpr CColor kClear {0, 0, 0, 0};
constexpr CDrawMode kSmooth {kNonIntegralMode | kAntiAliasing};

// ---- Integral mode ----

TEST(CairoDrawContextTest, StrokedUnitRectCoversExactlyItsColumnsInIntegralMode)
{
	Canvas canvas;
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawRect(CRect(0, 0, 10, 10), kDrawStroked);
	for (int x = 0; x < 12; ++x)
	{
		EXPECT_EQ(canvas.covered(x, 0), x <= 9) << "column " << x;
		EXPECT_EQ(canvas.surface->getPixel(x, 0), x <= 9 ? kRedCColor : CColor(0, 0, 0, 0));
	}
	EXPECT_TRUE(canvas.covered(0, 9));
	EXPECT_TRUE(canvas.covered(9, 9));
	EXPECT_FALSE(canvas.covered(5, 5)) << "only the outline";
	EXPECT_FALSE(canvas.covered(10, 10));
}

TEST(CairoDrawContextTest, FilledRectCoversExactlyItsArea)
{
	Canvas canvas;
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawRect(CRect(2, 3, 7, 9), kDrawFilled);
	for (int y = 0; y < 12; ++y)
		for (int x = 0; x < 12; ++x)
			EXPECT_EQ(canvas.covered(x, y), x >= 2 && x < 7 && y >= 3 && y < 9) << x << "," << y;
}

// A stroked rect keeps its origin and loses one unit of width and height;
// odd whole widths are shifted half a unit onto whole pixels, even ones are
// centred on the outline as it is. Outside integral mode nothing is moved,
// so a unit line on a whole coordinate straddles two pixels.
struct StrokedRectCase
{
	const char* name;
	CDrawMode mode;
	double lineWidth;
	CRect rect;
	// Row 6, columns 0 to 13.
	const char* middleRow;
	// Column 6, rows 0 to 13.
	const char* middleColumn;
};

TEST(CairoDrawContextTest, StrokedRectCoverageFollowsLineWidthAndMode)
{
	const StrokedRectCase cases[] = {
	    {"width 1 integral", kAliasing, 1., CRect(2, 2, 12, 12), "..X........X..",
	     "..X........X.."},
	    {"width 2 is not shifted", kAliasing, 2., CRect(2, 2, 12, 12), ".XX.......XX..",
	     ".XX.......XX.."},
	    {"width 3 is shifted", kAliasing, 3., CRect(2, 2, 12, 12), ".XXX......XXX.",
	     ".XXX......XXX."},
	    {"width 2 antialiased integral", kAntiAliasing, 2., CRect(2, 2, 12, 12), ".XX.......XX..",
	     ".XX.......XX.."},
	    {"width 1 non-integral straddles", kSmooth, 1., CRect(2, 2, 12, 12), ".++.......++..",
	     ".++.......++.."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setDrawMode(c.mode);
		canvas.context->setLineWidth(c.lineWidth);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawRect(c.rect, kDrawStroked);
		EXPECT_EQ(canvas.row(6, 0, 13), c.middleRow);
		EXPECT_EQ(canvas.column(6, 0, 13), c.middleColumn);
	}
}

// Rect origins and sizes, and the translation of the current transform, are
// rounded to whole pixels in integral mode (half away from zero); outside it
// an edge on half a pixel covers that pixel half.
struct PlacementCase
{
	const char* name;
	CDrawMode mode;
	CPoint translation;
	CRect rect;
	// Row 2, columns 0 to 9.
	const char* row;
	int leftEdgeAlpha;
};

TEST(CairoDrawContextTest, FilledRectPlacementIsRoundedOnlyInIntegralMode)
{
	const PlacementCase cases[] = {
	    {"integral rect on half a pixel", kAliasing, {}, CRect(2.5, 0, 6.5, 5), "...XXXX...", 0},
	    {"integral rect below half", kAliasing, {}, CRect(2.4, 0, 6.4, 5), "..XXXX....", 255},
	    {"antialiased integral rect", kAntiAliasing, {}, CRect(2.5, 0, 6.5, 5), "...XXXX...", 0},
	    {"non-integral rect", kSmooth, {}, CRect(2.5, 0, 6.5, 5), "..+XXX+...", 128},
	    {"translation 0.4 rounded away", kAliasing, {0.4, 0}, CRect(2, 0, 6, 5), "..XXXX....", 255},
	    {"translation 0.6 rounded up", kAliasing, {0.6, 0}, CRect(2, 0, 6, 5), "...XXXX...", 0},
	    {"translation 0.5 kept outside integral mode",
	     kSmooth,
	     {0.5, 0},
	     CRect(2, 0, 6, 5),
	     "..+XXX+...",
	     128},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setDrawMode(c.mode);
		canvas.context->setFillColor(kBlueCColor);
		CDrawContext::Transform transform(
		    *canvas.context, CGraphicsTransform::translation(c.translation.x, c.translation.y));
		canvas.context->drawRect(c.rect, kDrawFilled);
		EXPECT_EQ(canvas.row(2, 0, 9), c.row);
		EXPECT_NEAR(canvas.alpha(2, 2), c.leftEdgeAlpha, 1);
	}
}

TEST(CairoDrawContextTest, FilledEllipseUsesTheFullRectAndStrokedOneUnitLess)
{
	struct Case
	{
		const char* name;
		CDrawStyle style;
		// Row 5 and column 5, 0 to 11 each.
		const char* row;
		const char* column;
	};
	const Case cases[] = {
	    {"filled", kDrawFilled, "XXXXXXXXXX..", "XXXXXXXXXX.."},
	    {"stroked", kDrawStroked, "X........X..", "X........X.."},
	    {"filled and stroked", kDrawFilledAndStroked, "XXXXXXXXXX..", "XXXXXXXXXX.."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawEllipse(CRect(0, 0, 10, 10), c.style);
		EXPECT_EQ(canvas.row(5, 0, 11), c.row);
		EXPECT_EQ(canvas.column(5, 0, 11), c.column);
	}
}

TEST(CairoDrawContextTest, FilledAndStrokedRectStrokesOverItsFill)
{
	Canvas canvas;
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawRect(CRect(2, 2, 12, 12), kDrawFilledAndStroked);
	EXPECT_EQ(canvas.pixel(2, 6), kRedCColor);
	EXPECT_EQ(canvas.pixel(11, 6), kRedCColor);
	EXPECT_EQ(canvas.pixel(6, 6), kBlueCColor);
	EXPECT_EQ(canvas.pixel(12, 6), kClear) << "fill and outline both lose a unit";
	EXPECT_EQ(canvas.row(11, 0, 13), "..XXXXXXXXXX..");
}

TEST(CairoDrawContextTest, FilledPolygonIsRoundedButNotShifted)
{
	Canvas canvas;
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawPolygon({{2.4, 2}, {8, 2}, {8, 8.4}, {2.4, 8.4}}, kDrawFilled);
	EXPECT_EQ(canvas.row(5, 0, 9), "..XXXXXX..");
	EXPECT_EQ(canvas.column(5, 0, 9), "..XXXXXX..");
}

// ---- Lines and dashes ----

// A unit line is shifted onto one row of pixels in integral mode and
// straddles two rows outside it.
TEST(CairoDrawContextTest, HorizontalUnitLineCoversOneRowInIntegralMode)
{
	struct Case
	{
		const char* name;
		CDrawMode mode;
		// Column 6, rows 0 to 9.
		const char* column;
	};
	const Case cases[] = {
	    {"integral", kAliasing, ".....X...."},
	    {"integral antialiased", kAntiAliasing, ".....X...."},
	    {"non-integral", kSmooth, "....++...."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setDrawMode(c.mode);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawLine({CPoint(2, 5), CPoint(12, 5)});
		EXPECT_EQ(canvas.column(6, 0, 9), c.column);
		for (int x = 3; x <= 11; ++x)
			EXPECT_EQ(canvas.alpha(x, c.mode.integralMode() ? 5 : 4),
			          c.mode.integralMode() ? 255 : 128)
			    << x;
		EXPECT_FALSE(canvas.covered(0, 5));
		EXPECT_FALSE(canvas.covered(14, 5));
	}
}

TEST(CairoDrawContextTest, LineCapsExtendTheLineByHalfItsWidth)
{
	struct Case
	{
		CLineStyle::LineCap cap;
		const char* row;
	};
	const Case cases[] = {
	    {CLineStyle::kLineCapButt, "....XXXXXX...."},
	    {CLineStyle::kLineCapSquare, "...XXXXXXXX..."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.cap);
		Canvas canvas;
		canvas.context->setLineStyle(CLineStyle(c.cap, CLineStyle::kLineJoinMiter));
		canvas.context->setLineWidth(2.);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawLine({CPoint(4, 10), CPoint(10, 10)});
		EXPECT_EQ(canvas.row(10, 0, 13), c.row);
	}
}

TEST(CairoDrawContextTest, StrokedPolygonIsNotClosed)
{
	Canvas canvas;
	canvas.context->setLineWidth(2.);
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawPolygon({{2, 2}, {16, 2}, {16, 16}}, kDrawStroked);
	EXPECT_TRUE(canvas.covered(9, 2));
	EXPECT_TRUE(canvas.covered(16, 9));
	EXPECT_FALSE(canvas.covered(9, 9)) << "no edge back to the first point";
	EXPECT_FALSE(canvas.covered(5, 5));
}

TEST(CairoDrawContextTest, DrawLinesStrokesEverySegmentAndAnEmptyListNothing)
{
	Canvas canvas;
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->setLineWidth(2.);
	canvas.context->drawLines({});
	canvas.context->drawPolygon({}, kDrawFilled);
	for (int y = 0; y < 20; ++y)
		EXPECT_EQ(canvas.row(y, 0, 19), "....................") << y;

	canvas.context->drawLines({{CPoint(0, 4), CPoint(20, 4)}, {CPoint(10, 10), CPoint(10, 20)}});
	EXPECT_EQ(canvas.column(2, 0, 7), "...XX...");
	EXPECT_EQ(canvas.row(15, 6, 13), "...XX...");
	EXPECT_FALSE(canvas.covered(10, 8)) << "the segments are not joined";
}

// Dash lengths are multiples of the line width: the default on-off dash
// gives runs as long as the line is wide.
TEST(CairoDrawContextTest, DashesScaleWithTheLineWidth)
{
	struct Case
	{
		double width;
		double phase;
		const char* row;
	};
	// The phase is an offset along the line in units, not a multiple of the
	// width.
	const Case cases[] = {
	    {2., 0., "XX..XX..XX..XX..XX.."},
	    {4., 0., "XXXX....XXXX....XXXX"},
	    {2., 1., "X..XX..XX..XX..XX..X"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "width " << c.width << " phase " << c.phase);
		Canvas canvas;
		canvas.context->setLineStyle(CLineStyle(CLineStyle::kLineCapButt,
		                                        CLineStyle::kLineJoinMiter, c.phase,
		                                        CLineStyle::DashLengths {1., 1.}));
		canvas.context->setLineWidth(c.width);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawLine({CPoint(0, 10), CPoint(20, 10)});
		EXPECT_EQ(canvas.row(10, 0, 19), c.row);
		EXPECT_EQ(canvas.row(9, 0, 19), c.row);
	}
}

TEST(CairoDrawContextTest, DashesFollowALineWidthSetAfterTheStyle)
{
	Canvas canvas;
	canvas.context->setLineWidth(4.);
	canvas.context->setLineStyle(kLineOnOffDash);
	canvas.context->setLineWidth(2.);
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawLine({CPoint(0, 10), CPoint(20, 10)});
	EXPECT_EQ(canvas.row(10, 0, 19), "XX..XX..XX..XX..XX..");
}

// ---- Points and clearing ----

TEST(CairoDrawContextTest, DrawPointColoursExactlyOnePixelAndKeepsTheState)
{
	const CLineStyle styles[] = {kLineSolid, kLineOnOffDash};
	for (const auto& style : styles)
	{
		Canvas canvas;
		canvas.context->setLineStyle(style);
		canvas.context->setLineWidth(3.);
		canvas.context->setFrameColor(kBlueCColor);
		canvas.context->drawPoint(CPoint(5, 7), kRedCColor);
		for (int y = 0; y < 20; ++y)
			for (int x = 0; x < 20; ++x)
				EXPECT_EQ(canvas.pixel(x, y), x == 5 && y == 7 ? kRedCColor : kClear)
				    << x << "," << y;
		EXPECT_EQ(canvas.context->getLineWidth(), 3.);
		EXPECT_EQ(canvas.context->getFrameColor(), kBlueCColor);
		EXPECT_EQ(canvas.context->getLineStyle(), style);
	}
}

TEST(CairoDrawContextTest, ClearRectMakesPixelsTransparentWhateverTheAlpha)
{
	Canvas canvas;
	canvas.context->setFillColor(kRedCColor);
	canvas.context->drawRect(CRect(0, 0, 20, 20), kDrawFilled);
	canvas.context->setGlobalAlpha(0.5f);
	canvas.context->clearRect(CRect(4, 4, 8, 10));
	EXPECT_EQ(canvas.row(6, 0, 11), "XXXX....XXXX");
	EXPECT_EQ(canvas.column(6, 0, 11), "XXXX......XX");
	EXPECT_EQ(canvas.pixel(5, 5), kClear);
}

// ---- Arcs ----

// A closed outline, for telling where a filled shape must and must not be.
struct Outline
{
	std::vector<CPoint> points;

	bool contains(const CPoint& p) const
	{
		bool inside = false;
		for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
		{
			const auto& a = points[i];
			const auto& b = points[j];
			if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
				inside = !inside;
		}
		return inside;
	}
	double distance(const CPoint& p) const
	{
		double best = std::numeric_limits<double>::max();
		for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
		{
			const auto& a = points[j];
			const auto& b = points[i];
			double dx = b.x - a.x, dy = b.y - a.y;
			double length = dx * dx + dy * dy;
			double t = length > 0
			               ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length, 0., 1.)
			               : 0.;
			best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
		}
		return best;
	}
};

// The region of a filled arc: the elliptic arc inscribed in rect from the
// start to the end angle (degrees from the x axis towards y, each landing on
// the ellipse in its own direction from the centre), with increasing angle,
// closed by the chord.
Outline filledArc(const CRect& rect, double startDegrees, double endDegrees)
{
	const double rx = rect.getWidth() / 2., ry = rect.getHeight() / 2.;
	const double cx = rect.left + rx, cy = rect.top + ry;
	auto parameter = [&](double degrees) {
		double a = degrees * M_PI / 180.;
		return std::atan2(std::sin(a) * rx, std::cos(a) * ry);
	};
	double t0 = parameter(startDegrees);
	double t1 = parameter(endDegrees);
	while (t1 < t0)
		t1 += 2. * M_PI;
	Outline outline;
	const int steps = 720;
	for (int i = 0; i <= steps; ++i)
	{
		double t = t0 + (t1 - t0) * i / steps;
		outline.points.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
	}
	return outline;
}

// Every pixel whose centre lies clearly inside (outside) the region is
// covered (untouched); pixels within the margin of its edge may be either.
void expectRegion(const Canvas& canvas, const Outline& region, int width, int height,
                  double margin = 0.75)
{
	int mismatches = 0;
	for (int y = 0; y < height; ++y)
	{
		for (int x = 0; x < width; ++x)
		{
			CPoint centre(x + 0.5, y + 0.5);
			if (region.distance(centre) < margin)
				continue;
			bool inside = region.contains(centre);
			if (canvas.covered(x, y) != inside && ++mismatches <= 10)
				ADD_FAILURE() << "pixel " << x << "," << y
				              << (inside ? " should be covered" : " should be clear");
		}
	}
	EXPECT_EQ(mismatches, 0);
}

TEST(CairoDrawContextTest, FilledArcRunsWithIncreasingCorrectedAngles)
{
	struct Case
	{
		const char* name;
		float start;
		float end;
	};
	// On a 2:1 ellipse only 0, 90, 180 and 270 degrees land where the
	// uncorrected angle would; the others tell the correction apart.
	const Case cases[] = {
	    {"bottom-right quarter", 0.f, 90.f},
	    {"to the 45 degree direction", 0.f, 45.f},
	    {"across the start of the circle", 300.f, 60.f},
	    {"the long way round", 45.f, 315.f},
	    {"upper half", 180.f, 360.f},
	};
	const CRect rect(4, 4, 84, 44);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas(1., 88, 48);
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->drawArc(rect, c.start, c.end, kDrawFilled);
		expectRegion(canvas, filledArc(rect, c.start, c.end), 88, 48);
	}
}

TEST(CairoDrawContextTest, ArcOfAQuarterStartsAtTheRightAndEndsAtTheBottomCentre)
{
	Canvas canvas(1., 40, 20);
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawArc(CRect(0, 0, 40, 20), 0.f, 90.f, kDrawFilled);
	// The chord from (40, 10) to (20, 20) bounds the segment.
	EXPECT_TRUE(canvas.covered(38, 11));
	EXPECT_TRUE(canvas.covered(22, 19));
	EXPECT_TRUE(canvas.covered(33, 16));
	EXPECT_FALSE(canvas.covered(29, 14)) << "on the centre's side of the chord";
	EXPECT_FALSE(canvas.covered(38, 8)) << "above the start";
	EXPECT_FALSE(canvas.covered(18, 19)) << "left of the end";
	EXPECT_FALSE(canvas.covered(10, 5));
}

// Only rects and ellipses lose a unit when stroked: an arc lies on the
// ellipse inscribed in its rect (here a circle of radius 10 about (10, 10),
// whose 2-unit stroke reaches from radius 9 to 11).
TEST(CairoDrawContextTest, StrokedArcLiesOnTheEllipseInscribedInItsRect)
{
	Canvas canvas(1., 24, 24);
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->setLineWidth(2.);
	canvas.context->drawArc(CRect(0, 0, 20, 20), 0.f, 360.f, kDrawStroked);
	EXPECT_EQ(canvas.row(10, 0, 22), "X..................XX..");
	EXPECT_EQ(canvas.column(10, 0, 22), "X..................XX..");
}

// ---- Paths ----

TEST(CairoDrawContextTest, PathArcRunsInItsDirectionWithCorrectedAngles)
{
	struct Case
	{
		const char* name;
		double start;
		double end;
		bool clockwise;
		// The same region as a clockwise arc between these angles.
		double regionStart;
		double regionEnd;
	};
	const Case cases[] = {
	    {"clockwise quarter", 0., 90., true, 0., 90.},
	    {"counter-clockwise from 0 to 90", 0., 90., false, 90., 360.},
	    {"clockwise to 45", 0., 45., true, 0., 45.},
	    {"counter-clockwise to 45", 0., 45., false, 45., 360.},
	    {"counter-clockwise across the start", 60., 300., false, 300., 60.},
	};
	const CRect rect(4, 4, 84, 44);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas(1., 88, 48);
		auto path = canvas.path();
		path->addArc(rect, c.start, c.end, c.clockwise);
		canvas.context->setDrawMode(kAntiAliasing);
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		expectRegion(canvas, filledArc(rect, c.regionStart, c.regionEnd), 88, 48);
	}
}

TEST(CairoDrawContextTest, FillRuleDecidesAboutTheOverlapOfSubpaths)
{
	struct Case
	{
		CDrawContext::PathDrawMode mode;
		bool overlapCovered;
	};
	const Case cases[] = {{CDrawContext::kPathFilled, true},
	                      {CDrawContext::kPathFilledEvenOdd, false}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.mode);
		Canvas canvas;
		auto path = canvas.path();
		path->addRect(CRect(2, 2, 12, 12));
		path->addRect(CRect(7, 7, 17, 17));
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->drawGraphicsPath(path, c.mode);
		EXPECT_EQ(canvas.covered(9, 9), c.overlapCovered);
		EXPECT_TRUE(canvas.covered(3, 3));
		EXPECT_TRUE(canvas.covered(15, 15));
		EXPECT_FALSE(canvas.covered(15, 3));
		EXPECT_EQ(canvas.row(9, 0, 19),
		          c.overlapCovered ? "..XXXXXXXXXXXXXXX..." : "..XXXXX.....XXXXX...");
	}
}

TEST(CairoDrawContextTest, StrokedPathCoversItsOutlineOnly)
{
	struct Case
	{
		const char* name;
		CDrawMode mode;
		double width;
		const char* row;
	};
	// A path is not shrunk like a stroked rect: its outline runs where it
	// was built (shifted by half a unit for odd widths in aliased mode).
	const Case cases[] = {
	    {"width 1 aliased", kAliasing, 1., "..X.........X..."},
	    {"width 2 aliased", kAliasing, 2., ".XX........XX..."},
	    {"width 2 antialiased", kAntiAliasing, 2., ".XX........XX..."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		auto path = canvas.path();
		path->addRect(CRect(2, 2, 12, 12));
		canvas.context->setDrawMode(c.mode);
		canvas.context->setLineWidth(c.width);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->drawGraphicsPath(path, CDrawContext::kPathStroked);
		EXPECT_EQ(canvas.row(6, 0, 15), c.row);
		EXPECT_EQ(canvas.pixel(6, 6), kClear);
	}
}

TEST(CairoDrawContextTest, PathTransformAppliesToThePathOnly)
{
	Canvas canvas(1., 40, 40);
	auto path = canvas.path();
	path->addRect(CRect(0, 0, 5, 5));
	canvas.context->setFillColor(kBlueCColor);
	CGraphicsTransform moveRight = CGraphicsTransform::translation(10, 0);
	{
		CDrawContext::Transform down(*canvas.context, CGraphicsTransform::translation(0, 20));
		canvas.context->drawGraphicsPath(path, CDrawContext::kPathFilled, &moveRight);
		EXPECT_EQ(canvas.context->getCurrentTransform(), CGraphicsTransform::translation(0, 20));
	}
	canvas.context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	canvas.context->drawRect(CRect(30, 30, 35, 35), kDrawFilled);

	EXPECT_EQ(canvas.row(22, 0, 19), "..........XXXXX.....") << "both transforms";
	EXPECT_EQ(canvas.row(2, 0, 19), "XXXXX...............") << "the path itself is unchanged";
	EXPECT_EQ(canvas.row(32, 28, 37), "..XXXXX...") << "later drawing is not moved";
	EXPECT_FALSE(canvas.covered(12, 2));
}

TEST(CairoDrawContextTest, RoundRectLeavesItsVeryCornersTransparent)
{
	Canvas canvas;
	auto path = owned(canvas.context->createRoundRectGraphicsPath(CRect(0, 0, 20, 20), 6.));
	ASSERT_TRUE(path);
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	for (auto corner : {CPoint(0, 0), CPoint(19, 0), CPoint(0, 19), CPoint(19, 19)})
		EXPECT_FALSE(canvas.covered(int(corner.x), int(corner.y))) << corner.x << "," << corner.y;
	for (auto edge : {CPoint(10, 0), CPoint(0, 10), CPoint(19, 10), CPoint(10, 19), CPoint(3, 3),
	                  CPoint(16, 16)})
		EXPECT_EQ(canvas.pixel(int(edge.x), int(edge.y)), kBlueCColor) << edge.x << "," << edge.y;
}

TEST(CairoDrawContextTest, PathHitTestFollowsFillRuleAndTransform)
{
	CairoGraphicsPath empty;
	EXPECT_FALSE(empty.hitTest(CPoint(0, 0)));

	CairoGraphicsPath path;
	path.addRect(CRect(0, 0, 10, 10));
	path.addRect(CRect(5, 5, 15, 15));
	auto moved = CGraphicsTransform::translation(100, 0);
	struct Case
	{
		CPoint where;
		bool evenOdd;
		CGraphicsTransform* transform;
		bool inside;
	};
	const Case cases[] = {
	    {{2, 2}, false, nullptr, true},   {{2, 2}, true, nullptr, true},
	    {{7, 7}, false, nullptr, true},   {{7, 7}, true, nullptr, false},
	    {{12, 2}, false, nullptr, false}, {{14, 14}, true, nullptr, true},
	    {{102, 2}, false, &moved, true},  {{2, 2}, false, &moved, false},
	    {{107, 7}, true, &moved, false},  {{107, 7}, false, &moved, true},
	};
	for (const auto& c : cases)
		EXPECT_EQ(path.hitTest(c.where, c.evenOdd, c.transform), c.inside)
		    << c.where.x << "," << c.where.y << (c.evenOdd ? " even-odd" : "")
		    << (c.transform ? " moved" : "");
}

TEST(CairoDrawContextTest, PathBoundingBoxEnclosesItsGeometry)
{
	struct Case
	{
		const char* name;
		std::function<void(CGraphicsPath&)> build;
		CRect box;
	};
	const Case cases[] = {
	    {"empty", [](CGraphicsPath&) {}, CRect()},
	    {"rect", [](CGraphicsPath& p) { p.addRect(CRect(2, 3, 12, 8)); }, CRect(2, 3, 12, 8)},
	    {"rect and ellipse",
	     [](CGraphicsPath& p) {
		     p.addRect(CRect(2, 3, 12, 8));
		     p.addEllipse(CRect(10, 0, 30, 10));
	     },
	     CRect(2, 0, 30, 10)},
	    {"lines",
	     [](CGraphicsPath& p) {
		     p.beginSubpath(CPoint(5, 5));
		     p.addLine(CPoint(-5, 20));
		     p.addLine(CPoint(8, 1));
	     },
	     CRect(-5, 1, 8, 20)},
	    {"quarter arc of a 2:1 ellipse",
	     [](CGraphicsPath& p) { p.addArc(CRect(0, 0, 40, 20), 0, 90, true); },
	     CRect(20, 10, 40, 20)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CairoGraphicsPath path;
		c.build(path);
		CRect box = path.getBoundingBox();
		EXPECT_NEAR(box.left, c.box.left, 0.05);
		EXPECT_NEAR(box.top, c.box.top, 0.05);
		EXPECT_NEAR(box.right, c.box.right, 0.05);
		EXPECT_NEAR(box.bottom, c.box.bottom, 0.05);
	}
}

TEST(CairoDrawContextTest, PathIsRebuiltAfterItChanges)
{
	CairoGraphicsPath path;
	EXPECT_EQ(path.getCurrentPosition(), CPoint(0, 0));
	path.addRect(CRect(0, 0, 10, 10));
	EXPECT_TRUE(path.hitTest(CPoint(5, 5)));
	EXPECT_FALSE(path.hitTest(CPoint(25, 5)));
	path.addRect(CRect(20, 0, 30, 10));
	EXPECT_TRUE(path.hitTest(CPoint(25, 5)));
	EXPECT_EQ(path.getBoundingBox(), CRect(0, 0, 30, 10));
	path.beginSubpath(CPoint(40, 3));
	path.addLine(CPoint(45, 7));
	EXPECT_EQ(path.getCurrentPosition(), CPoint(45, 7));
}

// ---- Gradients ----

TEST(CairoDrawContextTest, LinearGradientExtendsItsEndColoursBeyondBothEnds)
{
	struct Case
	{
		const char* name;
		double firstStop;
		double lastStop;
		// Columns at or left of this one show exactly the first colour,
		// columns at or right of the other exactly the last one.
		int lastStartColumn;
		int firstEndColumn;
	};
	const Case cases[] = {
	    {"stops at the ends", 0., 1., 4, 15},
	    {"stops inside", 0.2, 0.8, 6, 13},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		auto path = canvas.path();
		path->addRect(CRect(0, 0, 20, 20));
		auto gradient = twoStops(c.firstStop, kRedCColor, c.lastStop, kBlueCColor);
		canvas.context->fillLinearGradient(path, *gradient, CPoint(5, 0), CPoint(15, 0));
		for (int x = 0; x < 20; ++x)
		{
			CColor p = canvas.pixel(x, 10);
			if (x <= c.lastStartColumn)
				EXPECT_EQ(p, kRedCColor) << x << " " << describe(p);
			else if (x >= c.firstEndColumn)
				EXPECT_EQ(p, kBlueCColor) << x << " " << describe(p);
			else
			{
				EXPECT_EQ(p.alpha, 255) << x;
				EXPECT_LT(p.red, 255) << x;
				EXPECT_LT(p.blue, 255) << x;
			}
		}
		// Halfway along the gradient both colours mix evenly.
		CColor middle = canvas.pixel(9, 10);
		CColor next = canvas.pixel(10, 10);
		EXPECT_NEAR(middle.red + next.red, 255, 3) << describe(middle) << describe(next);
		EXPECT_GT(middle.red, next.red);
		EXPECT_EQ(canvas.pixel(9, 0), middle) << "the gradient runs along x only";
	}
}

TEST(CairoDrawContextTest, RadialGradientStartsAtTheOriginAndExtendsBeyondTheRadius)
{
	struct Case
	{
		const char* name;
		CPoint originOffset;
		CPoint startPixel;
	};
	const Case cases[] = {
	    {"centred", {0, 0}, {10, 10}},
	    {"origin moved left", {-4, 0}, {6, 10}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		auto path = canvas.path();
		path->addRect(CRect(0, 0, 20, 20));
		auto gradient = twoStops(0., kRedCColor, 1., kBlueCColor);
		canvas.context->fillRadialGradient(path, *gradient, CPoint(10.5, 10.5), 6., c.originOffset);
		EXPECT_EQ(canvas.pixel(int(c.startPixel.x), int(c.startPixel.y)), kRedCColor);
		for (auto outside :
		     {CPoint(0, 0), CPoint(19, 10), CPoint(10, 1), CPoint(3, 10), CPoint(17, 17)})
			EXPECT_EQ(canvas.pixel(int(outside.x), int(outside.y)), kBlueCColor)
			    << outside.x << "," << outside.y << " "
			    << describe(canvas.pixel(int(outside.x), int(outside.y)));
		CColor between = canvas.pixel(13, 10);
		EXPECT_LT(between.red, 255);
		EXPECT_LT(between.blue, 255);
	}
	Canvas centred;
	auto path = centred.path();
	path->addRect(CRect(0, 0, 20, 20));
	auto gradient = twoStops(0., kRedCColor, 1., kBlueCColor);
	centred.context->fillRadialGradient(path, *gradient, CPoint(10.5, 10.5), 6.);
	EXPECT_EQ(centred.pixel(13, 10), centred.pixel(7, 10)) << "symmetric about the centre";
	EXPECT_EQ(centred.pixel(10, 13), centred.pixel(13, 10));
}

TEST(CairoDrawContextTest, GradientIsClippedToItsPath)
{
	struct Case
	{
		const char* name;
		bool evenOdd;
		const char* row;
	};
	const Case cases[] = {
	    {"non-zero", false, "..XXXXXXXXXXXXXXX..."},
	    {"even-odd", true, "..XXXXX.....XXXXX..."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		auto path = canvas.path();
		path->addRect(CRect(2, 2, 12, 12));
		path->addRect(CRect(7, 7, 17, 17));
		auto gradient = twoStops(0., kRedCColor, 1., kRedCColor);
		canvas.context->fillLinearGradient(path, *gradient, CPoint(0, 0), CPoint(20, 0), c.evenOdd);
		EXPECT_EQ(canvas.row(9, 0, 19), c.row);
		EXPECT_FALSE(canvas.covered(15, 3));
		EXPECT_EQ(canvas.pixel(3, 3), kRedCColor);
	}
}

// ---- Global alpha, clip and state ----

TEST(CairoDrawContextTest, GlobalAlphaHalvesCoverageAndTheClipExcludes)
{
	Canvas canvas;
	canvas.context->setFillColor(kRedCColor);
	canvas.context->setGlobalAlpha(0.5f);
	canvas.context->setClipRect(CRect(0, 0, 5, 20));
	canvas.context->drawRect(CRect(0, 0, 10, 10), kDrawFilled);
	EXPECT_NEAR(canvas.surface->getPixel(2, 2).alpha, 128, 1);
	EXPECT_EQ(canvas.surface->getPixel(2, 2).red, 255);
	EXPECT_FALSE(canvas.covered(6, 2));
}

TEST(CairoDrawContextTest, GlobalAlphaAppliesToEveryPrimitive)
{
	struct Case
	{
		const char* name;
		std::function<void(Canvas&)> draw;
		CPoint probe;
	};
	auto fillPath = [](Canvas& canvas, CDrawContext::PathDrawMode mode) {
		auto path = canvas.path();
		path->addRect(CRect(2, 2, 12, 12));
		canvas.context->drawGraphicsPath(path, mode);
	};
	auto red = twoStops(0., kRedCColor, 1., kRedCColor);
	const Case cases[] = {
	    {"filled rect",
	     [](Canvas& c) { c.context->drawRect(CRect(2, 2, 12, 12), kDrawFilled); },
	     {5, 5}},
	    {"stroked rect",
	     [](Canvas& c) { c.context->drawRect(CRect(2, 2, 12, 12), kDrawStroked); },
	     {2, 5}},
	    {"line",
	     [](Canvas& c) {
		     c.context->drawLine({CPoint(0, 5), CPoint(20, 5)});
	     },
	     {8, 5}},
	    {"filled ellipse",
	     [](Canvas& c) { c.context->drawEllipse(CRect(0, 0, 20, 20), kDrawFilled); },
	     {10, 10}},
	    {"stroked ellipse",
	     [](Canvas& c) { c.context->drawEllipse(CRect(0, 0, 20, 20), kDrawStroked); },
	     {0, 9}},
	    {"filled arc",
	     [](Canvas& c) { c.context->drawArc(CRect(0, 0, 20, 20), 0.f, 180.f, kDrawFilled); },
	     {10, 14}},
	    {"polygon",
	     [](Canvas& c) {
		     c.context->drawPolygon({{2, 2}, {12, 2}, {12, 12}, {2, 12}}, kDrawFilled);
	     },
	     {5, 5}},
	    {"point", [](Canvas& c) { c.context->drawPoint(CPoint(7, 7), kRedCColor); }, {7, 7}},
	    {"filled path", [&](Canvas& c) { fillPath(c, CDrawContext::kPathFilled); }, {5, 5}},
	    {"stroked path", [&](Canvas& c) { fillPath(c, CDrawContext::kPathStroked); }, {2, 5}},
	    {"linear gradient",
	     [&](Canvas& c) {
		     auto path = c.path();
		     path->addRect(CRect(2, 2, 12, 12));
		     c.context->fillLinearGradient(path, *red, CPoint(0, 0), CPoint(20, 0));
	     },
	     {5, 5}},
	    {"radial gradient",
	     [&](Canvas& c) {
		     auto path = c.path();
		     path->addRect(CRect(2, 2, 12, 12));
		     c.context->fillRadialGradient(path, *red, CPoint(7, 7), 3.);
	     },
	     {3, 3}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setFillColor(kRedCColor);
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->setGlobalAlpha(0.5f);
		c.draw(canvas);
		CColor p = canvas.pixel(int(c.probe.x), int(c.probe.y));
		EXPECT_NEAR(p.alpha, 128, 1) << describe(p);
		EXPECT_EQ(p.red, 255) << describe(p);
		EXPECT_EQ(p.green, 0) << describe(p);
	}
}

TEST(CairoDrawContextTest, RestoringTheStateBringsBackAlphaClipAndColours)
{
	Canvas canvas;
	canvas.context->setFillColor(kRedCColor);
	canvas.context->saveGlobalState();
	canvas.context->setGlobalAlpha(0.25f);
	canvas.context->setClipRect(CRect(0, 0, 2, 2));
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->restoreGlobalState();
	canvas.context->drawRect(CRect(0, 0, 10, 10), kDrawFilled);
	EXPECT_EQ(canvas.pixel(5, 5), kRedCColor);
	// An unmatched restore changes nothing.
	canvas.context->restoreGlobalState();
	canvas.context->drawRect(CRect(10, 10, 20, 20), kDrawFilled);
	EXPECT_EQ(canvas.pixel(15, 15), kRedCColor);
}

TEST(CairoDrawContextTest, ClipIsStoredInSurfaceCoordinates)
{
	Canvas canvas(1., 40, 40);
	canvas.context->setFillColor(kBlueCColor);
	{
		CDrawContext::Transform moved(*canvas.context, CGraphicsTransform::translation(10, 20));
		canvas.context->setClipRect(CRect(0, 0, 5, 5));
		EXPECT_EQ(canvas.context->getAbsoluteClipRect(), CRect(10, 20, 15, 25));
		CRect clip;
		EXPECT_EQ(canvas.context->getClipRect(clip), CRect(0, 0, 5, 5));
		canvas.context->drawRect(CRect(-10, -10, 30, 30), kDrawFilled);
	}
	CRect clip;
	EXPECT_EQ(canvas.context->getClipRect(clip), CRect(10, 20, 15, 25))
	    << "the clip stays where it was set";
	EXPECT_EQ(canvas.row(22, 0, 19), "..........XXXXX.....");
	EXPECT_EQ(canvas.column(12, 15, 29), ".....XXXXX.....");

	// A transform pushed after the clip does not move it.
	canvas.context->setClipRect(CRect(0, 0, 5, 5));
	CDrawContext::Transform moved(*canvas.context, CGraphicsTransform::translation(20, 0));
	EXPECT_EQ(canvas.context->getClipRect(clip), CRect(-20, 0, -15, 5));
	canvas.context->setFillColor(kRedCColor);
	canvas.context->drawRect(CRect(0, 0, 5, 5), kDrawFilled);
	EXPECT_FALSE(canvas.covered(22, 2));
	EXPECT_FALSE(canvas.covered(2, 2));
}

TEST(CairoDrawContextTest, ClipEdgesAreRoundedOnlyInIntegralMode)
{
	struct Case
	{
		const char* name;
		CDrawMode mode;
		CRect clip;
		const char* row;
	};
	const Case cases[] = {
	    {"integral", kAliasing, CRect(2.4, 0, 6.4, 20), "..XXXX...."},
	    {"integral on half a pixel", kAliasing, CRect(2.5, 0, 6.5, 20), "...XXXX..."},
	    {"non-integral", kSmooth, CRect(2.5, 0, 6.5, 20), "..+XXX+..."},
	    {"empty", kAliasing, CRect(5, 0, 5, 20), ".........."},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setDrawMode(c.mode);
		canvas.context->setClipRect(c.clip);
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->drawRect(CRect(0, 0, 20, 20), kDrawFilled);
		EXPECT_EQ(canvas.row(5, 0, 9), c.row);
	}
}

// ---- Runs of primitives ----

// Nothing one primitive sets up for itself (compositing, fill rule, a
// path's clip) stays behind for the next one.
TEST(CairoDrawContextTest, EachPrimitiveStartsFromTheContextState)
{
	struct Case
	{
		const char* name;
		std::function<void(Canvas&)> before;
	};
	auto red = twoStops(0., kRedCColor, 1., kRedCColor);
	const Case cases[] = {
	    {"after clearing", [](Canvas& c) { c.context->clearRect(CRect(0, 0, 2, 2)); }},
	    {"after a gradient in a small path",
	     [&](Canvas& c) {
		     auto path = c.path();
		     path->addRect(CRect(0, 0, 2, 2));
		     c.context->fillLinearGradient(path, *red, CPoint(0, 0), CPoint(2, 0));
	     }},
	    {"after an even-odd path",
	     [](Canvas& c) {
		     auto path = c.path();
		     path->addRect(CRect(0, 0, 2, 2));
		     c.context->drawGraphicsPath(path, CDrawContext::kPathFilledEvenOdd);
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setFillColor(kRedCColor);
		canvas.context->drawRect(CRect(4, 4, 16, 16), kDrawFilled);
		c.before(canvas);
		// A translucent fill over red blends with it; a self-overlapping
		// polygon fills its overlap under the non-zero rule.
		canvas.context->setFillColor(CColor(0, 0, 255, 128));
		canvas.context->drawRect(CRect(8, 8, 20, 20), kDrawFilled);
		canvas.context->setFillColor(kBlueCColor);
		canvas.context->drawPolygon(
		    {{4, 0}, {8, 0}, {8, 3}, {2, 3}, {2, 1}, {6, 1}, {6, 2}, {4, 2}}, kDrawFilled);
		CColor blended = canvas.pixel(10, 10);
		EXPECT_EQ(blended.alpha, 255) << describe(blended);
		EXPECT_NEAR(blended.red, 127, 2) << describe(blended);
		EXPECT_NEAR(blended.blue, 128, 2) << describe(blended);
		EXPECT_NEAR(canvas.alpha(18, 18), 128, 1) << "outside the small path";
		EXPECT_EQ(canvas.pixel(5, 1), kBlueCColor) << "the polygon's overlap";
	}
}

TEST(CairoDrawContextTest, RestoredStateGivesBackTheLineWidthAndStyle)
{
	Canvas canvas;
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawLine({CPoint(0, 2), CPoint(20, 2)});
	canvas.context->saveGlobalState();
	canvas.context->setLineWidth(4.);
	canvas.context->setLineStyle(kLineOnOffDash);
	canvas.context->drawLine({CPoint(0, 8), CPoint(20, 8)});
	canvas.context->restoreGlobalState();
	canvas.context->drawLine({CPoint(0, 14), CPoint(20, 14)});
	EXPECT_EQ(canvas.column(1, 0, 19), "..X...XXXX....X.....");
	EXPECT_EQ(canvas.column(5, 0, 19), "..X...........X.....");
	EXPECT_EQ(canvas.context->getLineWidth(), 1.);
	EXPECT_EQ(canvas.context->getLineStyle(), kLineSolid);
}

TEST(CairoDrawContextTest, ChangingClipOrTransformBetweenPrimitivesTakesEffect)
{
	Canvas canvas(1., 40, 20);
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawRect(CRect(0, 0, 4, 4), kDrawFilled);
	canvas.context->setClipRect(CRect(10, 0, 12, 20));
	canvas.context->drawRect(CRect(0, 0, 40, 4), kDrawFilled);
	canvas.context->setClipRect(CRect(20, 0, 40, 20));
	canvas.context->drawRect(CRect(0, 0, 40, 4), kDrawFilled);
	{
		CDrawContext::Transform moved(*canvas.context, CGraphicsTransform::translation(0, 10));
		canvas.context->drawRect(CRect(30, 0, 32, 4), kDrawFilled);
	}
	canvas.context->resetClipRect();
	canvas.context->drawRect(CRect(0, 10, 2, 14), kDrawFilled);
	EXPECT_EQ(canvas.row(2, 0, 39), "XXXX......XX........XXXXXXXXXXXXXXXXXXXX");
	EXPECT_EQ(canvas.row(12, 0, 39), "XX............................XX........");
}

// ---- The clip across state changes ----

// Pixels outside the device rect that are not transparent.
int coveredOutside(const Canvas& canvas, const CRect& kept)
{
	int count = 0;
	for (int32 y = 0; y < canvas.surface->getPixelHeight(); ++y)
		for (int32 x = 0; x < canvas.surface->getPixelWidth(); ++x)
			if (!CRect(kept).pointInside(CPoint(x + 0.5, y + 0.5)) && canvas.covered(x, y))
				++count;
	return count;
}

// Whatever changes between two shapes, both stay inside the clip they were
// drawn under, and a state restored inside the clip keeps it.
TEST(CairoDrawContextTest, StateChangesBetweenShapesKeepThemClipped)
{
	struct Case
	{
		const char* name;
		std::function<void(CDrawContext&)> change;
	};
	const Case cases[] = {
	    {"line width", [](CDrawContext& c) { c.setLineWidth(5.); }},
	    {"dashes", [](CDrawContext& c) { c.setLineStyle(kLineOnOffDash); }},
	    {"square caps and round joins",
	     [](CDrawContext& c) {
		     c.setLineStyle(CLineStyle(CLineStyle::kLineCapSquare, CLineStyle::kLineJoinRound));
	     }},
	    {"draw mode", [](CDrawContext& c) { c.setDrawMode(kSmooth); }},
	    {"a state saved and restored",
	     [](CDrawContext& c) {
		     c.saveGlobalState();
		     c.setLineWidth(7.);
		     c.setDrawMode(kSmooth);
		     c.drawLine({CPoint(0, 25), CPoint(30, 25)});
		     c.restoreGlobalState();
	     }},
	    {"alpha and colour",
	     [](CDrawContext& c) {
		     c.setGlobalAlpha(0.5f);
		     c.setFrameColor(kBlueCColor);
	     }},
	    {"a transform pushed and popped",
	     [](CDrawContext& c) {
		     CDrawContext::Transform moved(c, CGraphicsTransform::translation(3, 3));
		     c.drawLine({CPoint(0, 12), CPoint(30, 12)});
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas(1., 30, 30);
		canvas.context->setClipRect(CRect(10, 10, 20, 20));
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->setLineWidth(3.);
		canvas.context->drawLine({CPoint(0, 15), CPoint(30, 15)});
		c.change(*canvas.context);
		// A shape well inside the clip between shapes that cross it.
		canvas.context->drawRect(CRect(13, 13, 17, 17), kDrawFilled);
		canvas.context->drawLine({CPoint(15, 0), CPoint(15, 30)});
		canvas.context->drawEllipse(CRect(4, 4, 26, 26));
		auto arc = canvas.path();
		arc->addArc(CRect(6, 6, 24, 24), 0., 270., true);
		canvas.context->drawGraphicsPath(arc, CDrawContext::kPathStroked);
		EXPECT_EQ(coveredOutside(canvas, CRect(10, 10, 20, 20)), 0);
		EXPECT_TRUE(canvas.covered(12, 15));
		EXPECT_TRUE(canvas.covered(15, 12));
	}
}

// A shape whose path lies inside the clip may still reach past it with its
// pen: caps, square caps on a slant, a miter at a sharp turn, the outline of
// a shape whose rect runs backwards.
TEST(CairoDrawContextTest, ShapesReachingPastTheClipThroughTheirPenAreClipped)
{
	struct Case
	{
		const char* name;
		CLineStyle style;
		double width;
		std::function<void(Canvas&)> draw;
	};
	const CLineStyle roundCaps(CLineStyle::kLineCapRound, CLineStyle::kLineJoinMiter);
	const CLineStyle squareCaps(CLineStyle::kLineCapSquare, CLineStyle::kLineJoinMiter);
	const Case cases[] = {
	    {"round caps", roundCaps, 4.,
	     [](Canvas& c) { c.context->drawLine({CPoint(10.5, 15), CPoint(19.5, 15)}); }},
	    {"square caps on a slant", squareCaps, 2.,
	     [](Canvas& c) { c.context->drawLine({CPoint(12, 12), CPoint(18.9, 18.9)}); }},
	    {"a mitred polygon", kLineSolid, 2.,
	     [](Canvas& c) { c.context->drawPolygon({{12, 17}, {18.9, 15}, {12, 13}}); }},
	    {"a mitred path",
	     kLineSolid, 2.,
	     [](Canvas& c) {
		     auto path = c.path();
		     path->beginSubpath(CPoint(12, 17));
		     path->addLine(CPoint(18.9, 15));
		     path->addLine(CPoint(12, 13));
		     c.context->drawGraphicsPath(path, CDrawContext::kPathStroked);
	     }},
	    {"a stroked arc", roundCaps, 3.,
	     [](Canvas& c) { c.context->drawArc(CRect(11, 11, 19, 19), 0.f, 300.f); }},
	    {"an ellipse in a rect given right to left", kLineSolid, 4.,
	     [](Canvas& c) { c.context->drawEllipse(CRect(19, 12.5, 11, 18.5)); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas(1., 30, 30);
		canvas.context->setDrawMode(kSmooth);
		canvas.context->setClipRect(CRect(10, 10, 20, 20));
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->setLineStyle(c.style);
		canvas.context->setLineWidth(c.width);
		c.draw(canvas);
		EXPECT_EQ(coveredOutside(canvas, CRect(10, 10, 20, 20)), 0);
		canvas.context->resetClipRect();
		c.draw(canvas);
		EXPECT_GT(coveredOutside(canvas, CRect(10, 10, 20, 20)), 0) << "the shape does reach past the clip";
	}
}

// ---- Paths drawn directly and from their cached form ----

// A path is written straight into the context the first time and appended
// from its cached form once it has one (after a query); both must land on
// the same pixels at every scale and under every transform.
TEST(CairoDrawContextTest, PathDrawsTheSamePixelsWithAndWithoutItsCachedForm)
{
	auto build = [](CGraphicsPath& p) {
		p.addArc(CRect(3.3, 4.1, 37.7, 26.9), 135., 45., true);
		p.addArc(CRect(10, 8, 30, 22), 200., 10., false);
		p.addEllipse(CRect(5.25, 5.5, 19.75, 15.5));
		p.addRect(CRect(20.1, 3.3, 35.6, 9.9));
		p.beginSubpath(CPoint(2.2, 28.3));
		p.addBezierCurve(CPoint(12.7, 18.1), CPoint(25.3, 35.9), CPoint(37.1, 27.7));
		p.addLine(CPoint(33.3, 20.05));
		p.closeSubpath();
	};
	struct Case
	{
		const char* name;
		double scale;
		CGraphicsTransform transform;
	};
	const Case cases[] = {
	    {"1x", 1., CGraphicsTransform()},
	    {"1.5x", 1.5, CGraphicsTransform()},
	    {"2x", 2., CGraphicsTransform()},
	    {"2x moved by a fraction", 2., CGraphicsTransform::translation(0.3, 0.7)},
	    {"1x zoomed", 1., CGraphicsTransform::scaling(1.25, 1.25)},
	    {"3x", 3., CGraphicsTransform()},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto paint = [&](bool cachedFirst) {
			auto canvas = std::make_unique<Canvas>(c.scale, 50, 40);
			auto path = canvas->path();
			build(*path);
			if (cachedFirst)
				path->getBoundingBox();
			CDrawContext::Transform transform(*canvas->context, c.transform);
			canvas->context->setDrawMode(kSmooth);
			canvas->context->setFillColor(CColor(0, 0, 255, 160));
			canvas->context->setFrameColor(kRedCColor);
			canvas->context->setLineWidth(1.5);
			canvas->context->drawGraphicsPath(path, CDrawContext::kPathFilledEvenOdd);
			canvas->context->drawGraphicsPath(path, CDrawContext::kPathStroked);
			return canvas;
		};
		EXPECT_EQ(differingPixels(*paint(false)->surface, *paint(true)->surface), 0);
	}
}

// ---- Clearing before drawing ----

// A clear left to the first drawing leaves exactly the pixels of clearing at
// once, whatever is drawn: only an opaque rect over every pixel of it may
// take its place.
TEST(CairoDrawContextTest, ClearBeforeDrawingLeavesThePixelsOfClearingFirst)
{
	struct Draw
	{
		const char* name;
		std::function<void(CDrawContext&, const CRect&)> draw;
	};
	const CColor paper(250, 240, 220);
	auto rectIn = [](CDrawContext& c, const CRect& r, CDrawStyle style, const CColor& fill, const CColor& frame) {
		c.setFillColor(fill);
		c.setFrameColor(frame);
		c.drawRect(r, style);
	};
	const Draw draws[] = {
	    {"nothing", [](CDrawContext&, const CRect&) {}},
	    {"an opaque fill of the rect",
	     [&](CDrawContext& c, const CRect& r) { rectIn(c, r, kDrawFilled, paper, paper); }},
	    {"an opaque fill of everything",
	     [&](CDrawContext& c, const CRect&) { rectIn(c, c.getSurfaceRect(), kDrawFilled, paper, paper); }},
	    {"a translucent fill",
	     [&](CDrawContext& c, const CRect& r) { rectIn(c, r, kDrawFilled, CColor(250, 240, 220, 128), paper); }},
	    {"an opaque fill at half alpha",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setGlobalAlpha(0.5f);
		     rectIn(c, r, kDrawFilled, paper, paper);
	     }},
	    {"an opaque fill one unit short",
	     [&](CDrawContext& c, const CRect& r) { rectIn(c, CRect(r).inset(0, 1), kDrawFilled, paper, paper); }},
	    {"an antialiased fill between pixels",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setDrawMode(kSmooth);
		     rectIn(c, CRect(r).offset(0.3, 0.3), kDrawFilled, paper, paper);
	     }},
	    {"an opaque fill under a narrower clip",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setClipRect(CRect(r).inset(2, 2));
		     rectIn(c, r, kDrawFilled, paper, paper);
	     }},
	    {"a fill turned about its centre",
	     [&](CDrawContext& c, const CRect& r) {
		     const CPoint centre = r.getCenter();
		     CGraphicsTransform turn;
		     turn.translate(-centre.x, -centre.y).rotate(45.).translate(centre.x, centre.y);
		     CDrawContext::Transform turned(c, turn);
		     rectIn(c, r, kDrawFilled, paper, paper);
	     }},
	    {"an opaque fill with its outline",
	     [&](CDrawContext& c, const CRect& r) { rectIn(c, r, kDrawFilledAndStroked, paper, kBlueCColor); }},
	    {"a fill with a translucent outline",
	     [&](CDrawContext& c, const CRect& r) {
		     rectIn(c, r, kDrawFilledAndStroked, paper, CColor(0, 0, 255, 128));
	     }},
	    {"a fill with a dashed outline",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setLineStyle(kLineOnOffDash);
		     rectIn(c, r, kDrawFilledAndStroked, paper, kBlueCColor);
	     }},
	    {"a smaller fill whose wide outline reaches the rect's edges",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setLineWidth(5.);
		     rectIn(c, CRect(r).inset(2, 2), kDrawFilledAndStroked, paper, kBlueCColor);
	     }},
	    {"the same with round corners",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setLineStyle(CLineStyle(CLineStyle::kLineCapButt, CLineStyle::kLineJoinRound));
		     c.setLineWidth(5.);
		     rectIn(c, CRect(r).inset(2, 2), kDrawFilledAndStroked, paper, kBlueCColor);
	     }},
	    {"an outline alone",
	     [&](CDrawContext& c, const CRect& r) { rectIn(c, r, kDrawStroked, paper, kBlueCColor); }},
	    {"a line and then an opaque fill",
	     [&](CDrawContext& c, const CRect& r) {
		     c.setFrameColor(CColor(0, 0, 255, 100));
		     c.drawLine({CPoint(0, 10), CPoint(40, 10)});
		     rectIn(c, r, kDrawFilled, paper, paper);
	     }},
	};
	struct Surface
	{
		double scale;
		CRect rect;
	};
	const Surface surfaces[] = {
	    {1., CRect(4, 4, 24, 18)},
	    {1.5, CRect(3.3, 4.1, 20.7, 17.4)},
	    {2., CRect(2.25, 3.75, 20.5, 16.25)},
	};
	for (const auto& surface : surfaces)
	{
		for (const auto& draw : draws)
		{
			SCOPED_TRACE(std::string(draw.name) + " at " + std::to_string(surface.scale));
			Canvas clearedFirst(surface.scale, 40, 24);
			Canvas clearedLater(surface.scale, 40, 24);
			paintStalePixels(*clearedFirst.surface);
			paintStalePixels(*clearedLater.surface);
			{
				auto context = makeOwned<CairoDrawContext>(clearedFirst.surface.get());
				context->clearRect(surface.rect);
				draw.draw(*context, surface.rect);
			}
			{
				auto context = makeOwned<CairoDrawContext>(clearedLater.surface.get());
				context->clearBeforeDrawing(surface.rect);
				draw.draw(*context, surface.rect);
			}
			EXPECT_EQ(differingPixels(*clearedFirst.surface, *clearedLater.surface), 0);
		}
	}
}

// ---- Scale factor ----

TEST(CairoDrawContextTest, SurfaceOfScaleTwoDoublesEveryEdge)
{
	Canvas canvas(2.);
	canvas.context->setFillColor(kBlueCColor);
	canvas.context->drawRect(CRect(2, 3, 7, 9), kDrawFilled);
	EXPECT_FALSE(canvas.covered(3, 6));
	EXPECT_TRUE(canvas.covered(4, 6));
	EXPECT_TRUE(canvas.covered(13, 17));
	EXPECT_FALSE(canvas.covered(14, 17));
	EXPECT_FALSE(canvas.covered(13, 18));
}

TEST(CairoDrawContextTest, UnitStrokeAtScaleTwoCoversTwoDevicePixels)
{
	Canvas canvas(2.);
	EXPECT_EQ(canvas.context->getScaleFactor(), 2.);
	EXPECT_EQ(canvas.context->getHairlineSize(), 0.5);
	canvas.context->setFrameColor(kRedCColor);
	canvas.context->drawRect(CRect(0, 0, 10, 10), kDrawStroked);
	EXPECT_EQ(canvas.row(10, 0, 22), "XX................XX...");
	EXPECT_EQ(canvas.column(10, 0, 22), "XX................XX...");
	canvas.context->drawLine({CPoint(0, 15), CPoint(20, 15)});
	EXPECT_EQ(canvas.column(30, 27, 34), "...XX...");
}

// At scale 2 half a unit is a whole device pixel: integral mode rounds to
// device pixels, not to units.
TEST(CairoDrawContextTest, IntegralModeRoundsToDevicePixelsAtScaleTwo)
{
	struct Case
	{
		const char* name;
		std::function<void(Canvas&)> draw;
		// Device row 2, columns 0 to 11.
		const char* row;
	};
	const Case cases[] = {
	    {"rect on half a unit",
	     [](Canvas& c) { c.context->drawRect(CRect(0.5, 0, 3, 5), kDrawFilled); }, ".XXXXX......"},
	    {"rect on a quarter unit",
	     [](Canvas& c) { c.context->drawRect(CRect(0.25, 0, 3.25, 5), kDrawFilled); },
	     ".XXXXXX....."},
	    {"translation of half a unit",
	     [](Canvas& c) {
		     CDrawContext::Transform moved(*c.context, CGraphicsTransform::translation(0.5, 0));
		     c.context->drawRect(CRect(0, 0, 3, 5), kDrawFilled);
	     },
	     ".XXXXXX....."},
	    {"clip on half a unit",
	     [](Canvas& c) {
		     c.context->setClipRect(CRect(1.5, 0, 4, 5));
		     c.context->drawRect(CRect(0, 0, 10, 5), kDrawFilled);
	     },
	     "...XXXXX...."},
	    {"polygon on half a unit",
	     [](Canvas& c) {
		     c.context->drawPolygon({{0.5, 0}, {3, 0}, {3, 5}, {0.5, 5}}, kDrawFilled);
	     },
	     ".XXXXX......"},
	    {"aliased path on half a unit",
	     [](Canvas& c) {
		     auto path = c.path();
		     path->addRect(CRect(0.5, 0, 3, 5));
		     c.context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	     },
	     ".XXXXX......"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas(2.);
		canvas.context->setFillColor(kBlueCColor);
		c.draw(canvas);
		EXPECT_EQ(canvas.row(2, 0, 11), c.row);
	}
}

// A point is a unit line shifted by half a unit: at scale 2 it is a square
// of four device pixels, half a unit right of the point (at scale 1 the
// half pixels on either end round to the point's own pixel).
TEST(CairoDrawContextTest, PointAtScaleTwoCoversFourDevicePixels)
{
	Canvas canvas(2.);
	canvas.context->drawPoint(CPoint(5, 7), kRedCColor);
	for (int y = 12; y < 18; ++y)
		for (int x = 8; x < 15; ++x)
			EXPECT_EQ(canvas.covered(x, y), (x == 11 || x == 12) && (y == 14 || y == 15))
			    << x << "," << y;
}

TEST(CairoDrawContextTest, ClearRectAtScaleTwoCoversDoubledPixels)
{
	Canvas canvas(2.);
	canvas.context->setFillColor(kRedCColor);
	canvas.context->drawRect(CRect(0, 0, 20, 20), kDrawFilled);
	canvas.context->clearRect(CRect(1, 1, 3.5, 3));
	EXPECT_EQ(canvas.row(3, 0, 9), "XX.....XXX");
	EXPECT_EQ(canvas.column(3, 0, 7), "XX....XX");
}

} // namespace
} // namespace Kavrin::Test

namespace Kavrin::Test {
namespace {

// Cairo puts a context into a lasting error state for a singular matrix or
// an invalid dash pattern; neither may stop later drawing.
TEST(CairoDrawContextRecovery, SingularTransformsAndInvalidDashesDrawNothingButLeaveTheContextWorking)
{
	struct Case
	{
		const char* name;
		std::function<void(CDrawContext&)> misuse;
	};
	const Case cases[] = {
	    {"scale 0", [](CDrawContext& c) { c.pushTransform(CGraphicsTransform::scaling(0., 0.)); }},
	    {"not a number", [](CDrawContext& c) { c.pushTransform(CGraphicsTransform::translation(NAN, 0.)); }},
	    {"dashes at width 0", [](CDrawContext& c) {
		     c.setLineStyle(kLineOnOffDash);
		     c.setLineWidth(0.);
	     }},
	    {"negative dashes", [](CDrawContext& c) {
		     const double dashes[] = {-1., 1.};
		     c.setLineStyle(CLineStyle(CLineStyle::kLineCapButt, CLineStyle::kLineJoinMiter, 0., 2, dashes));
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Canvas canvas;
		canvas.context->setFrameColor(kRedCColor);
		canvas.context->setFillColor(kRedCColor);
		canvas.context->saveGlobalState();
		c.misuse(*canvas.context);
		canvas.context->drawRect(CRect(0, 0, 5, 5), kDrawFilled);
		canvas.context->drawLine({CPoint(0, 8), CPoint(10, 8)});
		canvas.context->restoreGlobalState();
		if (canvas.context->getCurrentTransform() != CGraphicsTransform())
			canvas.context->popTransform();
		canvas.context->setLineStyle(kLineSolid);
		canvas.context->setLineWidth(1.);
		canvas.context->drawRect(CRect(10, 10, 15, 15), kDrawFilled);
		EXPECT_TRUE(canvas.covered(12, 12)) << "the context still draws";
	}
}

TEST(CairoDrawContextRecovery, HitTestHonoursTheTransformOnAFreshPath)
{
	CairoGraphicsPath path;
	path.addRect(CRect(0, 0, 10, 10));
	CGraphicsTransform moved = CGraphicsTransform::translation(100, 0);
	EXPECT_TRUE(path.hitTest(CPoint(105, 5), false, &moved));
	EXPECT_FALSE(path.hitTest(CPoint(5, 5), false, &moved));
	CGraphicsTransform singular = CGraphicsTransform::scaling(0, 0);
	EXPECT_FALSE(path.hitTest(CPoint(0, 0), false, &singular));
	EXPECT_TRUE(path.hitTest(CPoint(5, 5))) << "the scratch context still works";
}

} // namespace
} // namespace Kavrin::Test

#include "lib/cbitmap.h"
#include "lib/platform/headless/headlessplatform.h"

namespace Kavrin::Test {
namespace {

TEST(CairoOffscreenContext, RendersIntoABitmapThatCopyFromDraws)
{
	auto window = makeOwned<HeadlessFrame>(nullptr, CRect(0, 0, 20, 20), nullptr);
	auto offscreen = window->createOffscreenContext(8, 6, 2.);
	ASSERT_TRUE(offscreen);
	ASSERT_TRUE(offscreen->getBitmap());
	EXPECT_EQ(offscreen->getWidth(), 8.);
	EXPECT_EQ(offscreen->getHeight(), 6.);
	EXPECT_EQ(offscreen->getBitmap()->getPlatformBitmap()->getSize(), CPoint(16, 12));
	offscreen->setFillColor(kBlueCColor);
	offscreen->drawRect(CRect(0, 0, 8, 6), kDrawFilled);

	Canvas canvas;
	offscreen->copyFrom(canvas.context, CRect(2, 2, 10, 8));
	EXPECT_EQ(canvas.pixel(2, 2), kBlueCColor);
	EXPECT_EQ(canvas.pixel(9, 7), kBlueCColor);
	EXPECT_FALSE(canvas.covered(10, 8));

	for (double side : {0., -1., std::nan(""), 1e9})
		EXPECT_FALSE(window->createOffscreenContext(side, 6, 1.)) << side;
}

} // namespace
} // namespace Kavrin::Test
