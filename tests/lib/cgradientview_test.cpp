// The gradient view painted in a headless window: the direction of a
// linear gradient, the centre of a radial one, and the outline, one device
// pixel wide for a negative width at any scale.

#include "lib/cgradientview.h"

#include "lib/cgradient.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace Kavrin::Test {
namespace {

const CColor kRed(255, 0, 0, 255);
const CColor kBlue(0, 0, 255, 255);

bool isNear(const CColor& color, const CColor& expected, int tolerance)
{
	auto near = [&](uint8 a, uint8 b) { return std::abs(int(a) - int(b)) <= tolerance; };
	return near(color.red, expected.red) && near(color.green, expected.green) &&
	       near(color.blue, expected.blue) && near(color.alpha, expected.alpha);
}

// A 60 x 40 white window with a 40 x 20 gradient view at (10, 10).
class GradientViewTest : public PixelFrameTest
{
protected:
	static constexpr CRect kViewRect {10, 10, 50, 30};

	GradientViewTest() : PixelFrameTest(CRect(0, 0, 60, 40), kWhiteCColor) {}

	CGradientView* addView()
	{
		auto view = new CGradientView(kViewRect);
		view->setRoundRectRadius(0.);
		view->setFrameWidth(0.);
		frame->addView(view);
		return view;
	}
	CGradientView* addRedToBlue()
	{
		auto view = addView();
		auto gradient = owned(CGradient::create(0., 1., kRed, kBlue));
		view->setGradient(gradient);
		return view;
	}
	void expectPixel(int x, int y, const CColor& expected, int tolerance, const std::string& where)
	{
		const CColor actual = pixel(x, y);
		EXPECT_TRUE(isNear(actual, expected, tolerance))
		    << where << " at (" << x << ", " << y << ") is " << ::testing::PrintToString(actual);
	}
};

// At 0 degrees the first colour is along the top edge and the last along
// the bottom; at 90 the first is along the right edge and the last along
// the left.
TEST_F(GradientViewTest, LinearGradientRunsAcrossTheViewAtItsAngle)
{
	struct Case
	{
		double angle;
		CPoint firstColourAt;
		CPoint lastColourAt;
	};
	const Case cases[] = {
	    {0., {30, 10}, {30, 29}},
	    {90., {49, 20}, {10, 20}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE("angle " + std::to_string(c.angle));
		startOver();
		auto view = addRedToBlue();
		view->setGradientAngle(c.angle);
		openAndPaint();
		expectPixel(int(c.firstColourAt.x), int(c.firstColourAt.y), kRed, 16, "first colour");
		expectPixel(int(c.lastColourAt.x), int(c.lastColourAt.y), kBlue, 16, "last colour");
		expectPixel(9, 20, kWhiteCColor, 0, "left of the view");
		expectPixel(50, 20, kWhiteCColor, 0, "right of the view");
	}
}

// The radius is the larger side (40) times the radial radius: the first
// colour sits at the centre, the last 20 units from it.
TEST_F(GradientViewTest, RadialGradientStartsAtItsCentre)
{
	struct Case
	{
		CPoint center;
		CPoint centerPixel;
		CPoint lastColourAt;
	};
	const Case cases[] = {
	    {{0.25, 0.5}, {20, 20}, {39, 20}},
	    {{0.75, 0.5}, {40, 20}, {20, 20}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(::testing::PrintToString(c.center));
		startOver();
		auto view = addRedToBlue();
		view->setGradientStyle(CGradientView::kRadialGradient);
		view->setRadialCenter(c.center);
		view->setRadialRadius(0.5);
		openAndPaint();
		expectPixel(int(c.centerPixel.x), int(c.centerPixel.y), kRed, 24, "centre");
		expectPixel(int(c.lastColourAt.x), int(c.lastColourAt.y), kBlue, 24, "20 units out");
	}
}

// A negative frame width draws exactly the outermost ring of device pixels
// at 1x and 2x, also for a view first drawn at one scale and then at the
// other.
TEST_F(GradientViewTest, NegativeFrameWidthStrokesOneDevicePixel)
{
	struct Case
	{
		const char* name;
		double firstScale;
		double scale;
	};
	const Case cases[] = {
	    {"1x", 1., 1.},
	    {"2x", 2., 2.},
	    {"1x, then 2x", 1., 2.},
	    {"2x, then 1x", 2., 1.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto view = addView();
		view->setFrameWidth(-1.);
		openAndPaint(c.firstScale);
		window->setScaleFactor(c.scale);
		paintAll();
		const int s = int(c.scale);
		const int left = 10 * s;
		const int top = 10 * s;
		const int right = 50 * s - 1;
		const int bottom = 30 * s - 1;
		const int middleX = 30 * s;
		const int middleY = 20 * s;
		expectPixel(left, middleY, kBlackCColor, 0, "left edge");
		expectPixel(right, middleY, kBlackCColor, 0, "right edge");
		expectPixel(middleX, top, kBlackCColor, 0, "top edge");
		expectPixel(middleX, bottom, kBlackCColor, 0, "bottom edge");
		expectPixel(left + 1, middleY, kWhiteCColor, 0, "inside the left edge");
		expectPixel(right - 1, middleY, kWhiteCColor, 0, "inside the right edge");
		expectPixel(middleX, top + 1, kWhiteCColor, 0, "inside the top edge");
		expectPixel(middleX, bottom - 1, kWhiteCColor, 0, "inside the bottom edge");
		expectPixel(left - 1, middleY, kWhiteCColor, 0, "outside the left edge");
	}
}

TEST_F(GradientViewTest, PositiveFrameWidthStrokesInsideTheView)
{
	auto view = addView();
	view->setFrameWidth(2.);
	view->setFrameColor(kBlue);
	openAndPaint();
	expectPixel(10, 20, kBlue, 0, "outer pixel");
	expectPixel(11, 20, kBlue, 0, "inner pixel");
	expectPixel(12, 20, kWhiteCColor, 0, "inside the frame");
	expectPixel(9, 20, kWhiteCColor, 0, "outside the view");
}

// Counts the outlines stroked through it.
class StrokeCountingContext : public CairoDrawContext
{
public:
	using CairoDrawContext::CairoDrawContext;
	void drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode, CGraphicsTransform* transformation) override
	{
		if (mode == kPathStroked)
			++strokes;
		CairoDrawContext::drawGraphicsPath(path, mode, transformation);
	}
	int strokes {0};
};

TEST_F(GradientViewTest, StrokesTheOutlineOnlyWithAWidthAndAVisibleColour)
{
	struct Case
	{
		const char* name;
		double frameWidth;
		CColor frameColor;
		int strokes;
	};
	const Case cases[] = {
	    {"width 1, black", 1., kBlackCColor, 1},
	    {"one device pixel, black", -1., kBlackCColor, 1},
	    {"width 1, transparent", 1., CColor(0, 0, 0, 0), 0},
	    {"width 0, black", 0., kBlackCColor, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto surface = CairoImageSurface::create(60, 40);
		auto context = makeOwned<StrokeCountingContext>(surface);
		auto view = owned(new CGradientView(kViewRect));
		view->setFrameWidth(c.frameWidth);
		view->setFrameColor(c.frameColor);
		view->draw(context);
		EXPECT_EQ(context->strokes, c.strokes);
		EXPECT_FALSE(view->isDirty());
	}
}

} // namespace
} // namespace Kavrin::Test
