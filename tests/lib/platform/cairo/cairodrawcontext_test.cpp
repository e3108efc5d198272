#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"

#include <gtest/gtest.h>

namespace Kavrin::Test {
namespace {

// A surface of 20 x 20 logical units and a context on it, cleared to
// transparent.
struct Canvas
{
	explicit Canvas(double scale = 1., int logicalSize = 20)
	: surface(CairoImageSurface::create(int32(logicalSize * scale), int32(logicalSize * scale), scale)),
	  context(owned(surface->createDrawContext()))
	{
	}
	bool covered(int x, int y) const { return surface->getPixel(x, y).alpha != 0; }

	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CDrawContext> context;
};

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

} // namespace
} // namespace Kavrin::Test
