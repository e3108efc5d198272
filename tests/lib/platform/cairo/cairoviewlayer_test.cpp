// Layers of the headless frame: content drawn once into a surface of the
// frame's scale and composited over the views with its alpha, in z-order;
// only invalidated content is ever redrawn.

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/cairoviewlayer.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformviewlayer.h"
#include "tests/support/layerpixels.h"
#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const CColor kBackground(200, 100, 0);
const CColor kBlue(0, 0, 255);
const CColor kGreen(0, 255, 0);
const CColor kWhite(255, 255, 255);

class CairoViewLayerTest : public PixelFrameTest
{
protected:
	CairoViewLayerTest() : PixelFrameTest(CRect(0, 0, 100, 80), kBackground) {}

	SharedPointer<IPlatformViewLayer> makeLayer(FillingLayerDelegate& delegate, const CRect& rect,
	                                            IPlatformViewLayer* parent = nullptr)
	{
		auto layer = window->createPlatformViewLayer(&delegate, parent);
		if (layer)
			layer->setSize(rect);
		return layer;
	}
	// The colour at a point of the frame, in logical units.
	CColor at(double x, double y) const
	{
		const double scale = window->getScaleFactor();
		return pixel(int(x * scale), int(y * scale));
	}
	// Draws what waits, and forgets what the delegates drew so far.
	void settle(std::initializer_list<FillingLayerDelegate*> delegates)
	{
		window->drawInvalidRects();
		for (auto delegate : delegates)
			delegate->drawnRects.clear();
	}
};

TEST_F(CairoViewLayerTest, ContentIsCompositedWithItsAlphaOnTheFramesPixels)
{
	struct Case
	{
		double scale;
		CRect rect;
	};
	// Whole units at 1x and 2x, and an origin between device pixels at 1.5x.
	for (const Case& c : {Case {1., CRect(10, 10, 30, 30)}, Case {2., CRect(10, 10, 30, 30)},
	                      Case {1.5, CRect(11, 11, 31, 31)}})
	{
		SCOPED_TRACE(c.scale);
		startOver();
		openAndPaint(c.scale);
		FillingLayerDelegate blue(kBlue);
		auto layer = makeLayer(blue, c.rect);
		layer->setAlpha(0.5f);
		window->drawInvalidRects();

		EXPECT_TRUE(colourNear(at(20, 20), blended(kBlue, kBackground, 0.5)));
		EXPECT_EQ(at(c.rect.left - 1, 20), kBackground);
		EXPECT_EQ(at(c.rect.right + 1, 20), kBackground);
		// The layer covers exactly the device pixels the frame's views fill
		// for the same rect: the first and last of them, and none beyond.
		const auto first = int(std::round(c.rect.left * c.scale));
		const auto last = int(std::round(c.rect.right * c.scale)) - 1;
		const int y = int(20 * c.scale);
		EXPECT_TRUE(colourNear(pixel(first, y), blended(kBlue, kBackground, 0.5)));
		EXPECT_TRUE(colourNear(pixel(last, y), blended(kBlue, kBackground, 0.5)));
		EXPECT_EQ(pixel(first - 1, y), kBackground);
		EXPECT_EQ(pixel(last + 1, y), kBackground);
	}
}

TEST_F(CairoViewLayerTest, AHigherZIndexShowsOverALowerWhateverTheOrderOfCreation)
{
	struct Case
	{
		const char* name;
		bool blueFirst;
		uint32 blueZ;
		uint32 greenZ;
		CColor onTop;
	};
	for (const Case& c : {Case {"blue higher, made first", true, 2, 1, kBlue},
	                      Case {"blue higher, made last", false, 2, 1, kBlue},
	                      Case {"green higher, made first", false, 0, 1, kGreen},
	                      Case {"equal, the later on top", true, 3, 3, kGreen},
	                      Case {"equal, the later on top again", false, 3, 3, kBlue}})
	{
		SCOPED_TRACE(c.name);
		startOver();
		openAndPaint();
		FillingLayerDelegate blue(kBlue);
		FillingLayerDelegate green(kGreen);
		SharedPointer<IPlatformViewLayer> blueLayer, greenLayer;
		if (c.blueFirst)
			blueLayer = makeLayer(blue, CRect(10, 10, 40, 40));
		greenLayer = makeLayer(green, CRect(30, 30, 60, 60));
		if (!c.blueFirst)
			blueLayer = makeLayer(blue, CRect(10, 10, 40, 40));
		blueLayer->setZIndex(c.blueZ);
		greenLayer->setZIndex(c.greenZ);
		window->drawInvalidRects();

		EXPECT_EQ(at(35, 35), c.onTop);
		EXPECT_EQ(at(15, 15), kBlue);
		EXPECT_EQ(at(55, 55), kGreen);
	}
}

TEST_F(CairoViewLayerTest, ChangingTheZIndexLaterReordersWithoutRedrawing)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	FillingLayerDelegate green(kGreen);
	auto blueLayer = makeLayer(blue, CRect(10, 10, 40, 40));
	auto greenLayer = makeLayer(green, CRect(30, 30, 60, 60));
	settle({&blue, &green});
	ASSERT_EQ(at(35, 35), kGreen);

	blueLayer->setZIndex(5);
	window->drawInvalidRects();

	EXPECT_EQ(at(35, 35), kBlue);
	EXPECT_THAT(blue.drawnRects, IsEmpty());
	EXPECT_THAT(green.drawnRects, IsEmpty());
}

// What only moves, fades or reorders a layer shows the content it has.
TEST_F(CairoViewLayerTest, AlphaAndPlaceChangesOnlyRecomposite)
{
	struct Case
	{
		const char* name;
		void (*change)(IPlatformViewLayer& layer);
		CPoint shownAt;
		CColor shown;
	};
	for (const Case& c :
	     {Case {"fade", [](IPlatformViewLayer& layer) { layer.setAlpha(0.25f); }, CPoint(20, 20),
	            blended(kBlue, kBackground, 0.25)},
	      Case {"move", [](IPlatformViewLayer& layer) { layer.setSize(CRect(50, 40, 70, 60)); }, CPoint(60, 50),
	            kBlue},
	      Case {"z-index", [](IPlatformViewLayer& layer) { layer.setZIndex(7); }, CPoint(20, 20), kBlue},
	      Case {"fade out and in",
	            [](IPlatformViewLayer& layer) {
		            layer.setAlpha(0.f);
		            layer.setAlpha(1.f);
	            },
	            CPoint(20, 20), kBlue}})
	{
		SCOPED_TRACE(c.name);
		startOver();
		openAndPaint();
		FillingLayerDelegate blue(kBlue);
		auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
		settle({&blue});

		c.change(*layer);
		window->drawInvalidRects();

		EXPECT_THAT(blue.drawnRects, IsEmpty());
		EXPECT_TRUE(colourNear(at(c.shownAt.x, c.shownAt.y), c.shown));
	}
}

TEST_F(CairoViewLayerTest, AMovedLayerLeavesNothingBehind)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	settle({&blue});

	layer->setSize(CRect(50, 40, 70, 60));
	window->drawInvalidRects();

	EXPECT_EQ(at(20, 20), kBackground);
	EXPECT_EQ(at(60, 50), kBlue);
}

TEST_F(CairoViewLayerTest, AnInvalidatedRectIsRedrawnAloneAndRepaintedInTheFrame)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 50, 50));
	settle({&blue});
	window->invalidRects.clear();

	blue.color = kWhite;
	layer->invalidRect(CRect(5, 5, 10, 10));
	EXPECT_THAT(window->invalidRects, ElementsAre(CRect(15, 15, 20, 20)));
	window->drawInvalidRects();

	EXPECT_THAT(blue.drawnRects, ElementsAre(CRect(5, 5, 10, 10)));
	EXPECT_EQ(at(17, 17), kWhite);
	EXPECT_EQ(at(12, 12), kBlue);
}

TEST_F(CairoViewLayerTest, ANewSizeOrScaleRedrawsTheWholeContent)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	settle({&blue});

	layer->setSize(CRect(10, 10, 40, 35));
	window->drawInvalidRects();
	EXPECT_THAT(blue.drawnRects, ElementsAre(CRect(0, 0, 30, 25)));
	EXPECT_EQ(at(38, 33), kBlue);
	blue.drawnRects.clear();

	window->setScaleFactor(2.);
	paintAll();
	EXPECT_THAT(blue.drawnRects, ElementsAre(CRect(0, 0, 30, 25)));
	EXPECT_EQ(pixel(79, 69), kBlue);
	EXPECT_EQ(pixel(80, 70), kBackground);
}

TEST_F(CairoViewLayerTest, ANestedLayerIsClippedToItsParentAndFadesWithIt)
{
	for (double scale : {1., 2.})
	{
		SCOPED_TRACE(scale);
		startOver();
		openAndPaint(scale);
		FillingLayerDelegate blue(kBlue);
		FillingLayerDelegate green(kGreen);
		auto parentLayer = makeLayer(blue, CRect(10, 10, 50, 50));
		// Relative to the parent: from 30, 30 to 70, 70 in the frame.
		auto childLayer = makeLayer(green, CRect(20, 20, 60, 60), parentLayer);
		parentLayer->setAlpha(0.5f);
		window->drawInvalidRects();

		EXPECT_TRUE(colourNear(at(20, 20), blended(kBlue, kBackground, 0.5)));
		EXPECT_TRUE(colourNear(at(40, 40), blended(kGreen, kBackground, 0.5)));
		EXPECT_EQ(at(60, 60), kBackground);
		EXPECT_THAT(green.drawnRects, ElementsAre(CRect(0, 0, 40, 40)));
	}
}

TEST_F(CairoViewLayerTest, AChildFollowsItsParentsMoveWithoutRedrawing)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	FillingLayerDelegate green(kGreen);
	auto parentLayer = makeLayer(blue, CRect(10, 10, 40, 40));
	auto childLayer = makeLayer(green, CRect(5, 5, 15, 15), parentLayer);
	settle({&blue, &green});

	parentLayer->setSize(CRect(50, 30, 80, 60));
	window->drawInvalidRects();

	EXPECT_EQ(at(60, 40), kGreen);
	EXPECT_EQ(at(20, 20), kBackground);
	EXPECT_THAT(blue.drawnRects, IsEmpty());
	EXPECT_THAT(green.drawnRects, IsEmpty());
}

TEST_F(CairoViewLayerTest, AReleasedLayerDisappearsAndItsChildrenWithIt)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	FillingLayerDelegate green(kGreen);
	auto parentLayer = makeLayer(blue, CRect(10, 10, 50, 50));
	auto childLayer = makeLayer(green, CRect(10, 10, 20, 20), parentLayer);
	settle({&blue, &green});

	parentLayer = nullptr;
	window->drawInvalidRects();
	EXPECT_EQ(at(15, 15), kBackground);
	EXPECT_EQ(at(25, 25), kBackground);

	// The orphan goes on taking calls, and shows nothing.
	childLayer->invalidRect(CRect(0, 0, 10, 10));
	childLayer->setAlpha(0.5f);
	childLayer->setSize(CRect(0, 0, 30, 30));
	paintAll();
	EXPECT_EQ(at(15, 15), kBackground);
	EXPECT_THAT(green.drawnRects, IsEmpty());
}

TEST_F(CairoViewLayerTest, ALayerReleasedWhileItsOrAnotherContentIsDrawnIsLeftOut)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	FillingLayerDelegate green(kGreen);
	auto blueLayer = makeLayer(blue, CRect(10, 10, 30, 30));
	auto greenLayer = makeLayer(green, CRect(40, 10, 60, 30));
	blue.whileDrawing = [&] {
		blueLayer = nullptr;
		greenLayer = nullptr;
	};
	window->drawInvalidRects();

	EXPECT_EQ(at(20, 20), kBackground);
	EXPECT_EQ(at(50, 20), kBackground);
	EXPECT_THAT(green.drawnRects, IsEmpty());
}

TEST_F(CairoViewLayerTest, AfterTheFrameClosesLayersTakeCallsAndDoNothing)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	SharedPointer<HeadlessFrame> keptWindow = window;
	frame->close();
	frame = nullptr;
	keptWindow->invalidRects.clear();

	layer->invalidRect(CRect(0, 0, 5, 5));
	layer->setSize(CRect(0, 0, 50, 50));
	layer->setAlpha(0.5f);
	layer->onScaleFactorChanged(2.);
	EXPECT_THAT(keptWindow->invalidRects, IsEmpty());
	EXPECT_FALSE(keptWindow->createPlatformViewLayer(&blue, nullptr));
	layer = nullptr;
	EXPECT_THAT(keptWindow->invalidRects, IsEmpty());
	EXPECT_THAT(blue.drawnRects, IsEmpty());
}

TEST_F(CairoViewLayerTest, ALayerOutlivesItsFrame)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	frame->close();
	frame = nullptr;
	window = nullptr;
	setPlatform(nullptr);
	platform = nullptr;

	layer->invalidRect(CRect(0, 0, 5, 5));
	layer->setSize(CRect(0, 0, 40, 40));
	layer = nullptr;
}

// The moved pixels would carry the layer's along, and the scrolled views may
// be drawn in the layer: the frame repaints instead, with the layer's
// content there drawn anew.
TEST_F(CairoViewLayerTest, AScrollWhereALayerShowsIsDeclined)
{
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	settle({&blue});
	window->invalidRects.clear();

	frame->scrollRect(CRect(0, 20, 100, 60), CPoint(0, -5));
	EXPECT_THAT(window->invalidRects, ElementsAre(CRect(0, 20, 100, 60)));
	window->drawInvalidRects();
	EXPECT_THAT(blue.drawnRects, ElementsAre(CRect(0, 10, 20, 20)));

	// Elsewhere, or where a faded-out layer shows nothing, pixels move.
	frame->scrollRect(CRect(0, 40, 100, 80), CPoint(0, -5));
	EXPECT_THAT(window->invalidRects, ElementsAre(CRect(0, 75, 100, 80)));
	window->drawInvalidRects();
	layer->setAlpha(0.f);
	window->drawInvalidRects();
	EXPECT_TRUE(window->scrollRect(CRect(0, 20, 100, 60), CPoint(0, -5)));
}

TEST_F(CairoViewLayerTest, IntoTheFramesOwnPaintALayerDrawsNothing)
{
	// A view that hands its drawing to the layer, as a layered container does.
	class LayerDrawingView : public CView
	{
	public:
		LayerDrawingView(const CRect& size, IPlatformViewLayer*& layer) : CView(size), layer(layer) {}
		void draw(CDrawContext* context) override
		{
			++draws;
			const CRect& size = getViewSize();
			CDrawContext::Transform toLayer(*context, CGraphicsTransform::translation(size.left, size.top));
			if (layer)
				layer->draw(context, CRect(size).originize());
			setDirty(false);
		}
		IPlatformViewLayer*& layer;
		int draws {0};
	};
	IPlatformViewLayer* layerToDraw = nullptr;
	auto view = new LayerDrawingView(CRect(50, 10, 90, 50), layerToDraw);
	frame->addView(view);
	openAndPaint();
	FillingLayerDelegate blue(kBlue);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	layerToDraw = layer;
	paintAll();

	EXPECT_EQ(view->draws, 2);
	EXPECT_EQ(at(60, 20), kBackground);
	EXPECT_EQ(at(20, 20), kBlue);
}

TEST_F(CairoViewLayerTest, AnOffscreenRenderingGetsTheContentWithBothAlphas)
{
	openAndPaint(2.);
	FillingLayerDelegate blue(kBlue);
	FillingLayerDelegate green(kGreen);
	auto layer = makeLayer(blue, CRect(10, 10, 30, 30));
	auto child = makeLayer(green, CRect(10, 0, 20, 10), layer);
	layer->setAlpha(0.5f);

	// Nothing painted the layer yet: the rendering draws its content first.
	auto surface = CairoImageSurface::create(40, 40, 1.);
	auto offscreen = makeOwned<CairoDrawContext>(surface.get());
	offscreen->setGlobalAlpha(0.5f);
	{
		CDrawContext::Transform at(*offscreen, CGraphicsTransform::translation(5, 5));
		layer->draw(offscreen, CRect(0, 0, 20, 20));
	}
	offscreen->endDraw();

	EXPECT_THAT(blue.drawnRects, ElementsAre(CRect(0, 0, 20, 20)));
	EXPECT_EQ(surface->getPixel(4, 10).alpha, 0);
	const CColor blueThere = surface->getPixel(6, 10);
	EXPECT_TRUE(colourNear(blueThere, CColor(0, 0, 255, 64)));
	EXPECT_TRUE(colourNear(surface->getPixel(20, 8), CColor(0, 255, 0, 64)));
	EXPECT_EQ(surface->getPixel(26, 10).alpha, 0);

	// The frame then shows the content as it is, without drawing it again.
	blue.drawnRects.clear();
	window->drawInvalidRects();
	EXPECT_THAT(blue.drawnRects, IsEmpty());
	EXPECT_TRUE(colourNear(at(15, 15), blended(kBlue, kBackground, 0.5)));
}

} // namespace
} // namespace Kavrin::Test
