// A scroll moves the pixels that stay in view inside the window's surface and
// repaints only what the move uncovered; what the window shows then equals a
// fresh rendering of the scrolled content.

#include "lib/cframe.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"
#include "tests/support/printers.h"
#include "tests/support/scrolledpattern.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

// A frame of frameSize (before its zoom) with one pattern view, open on the
// headless platform and fully painted.
struct ScrolledFrame
{
	ScrolledFrame(const CRect& frameSize, const CRect& viewRect, double scale, double zoom)
	: frameSize(frameSize)
	{
		frame = new CFrame(frameSize);
		view = addScrolledPattern(*frame, viewRect);
		if (!frame->open(&parent, kHeadless))
			return;
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(scale);
		if (zoom != 1.)
			frame->setZoom(zoom);
		window->invalidRects.clear();
		window->drawRect(CRect(frame->getViewSize()).originize());
		view->drawnRects.clear();
		window->paintedPixels = 0;
	}
	~ScrolledFrame() { frame->close(); }

	// The content moves by distance, and the frame moves its pixels.
	void scroll(const CPoint& distance)
	{
		view->offset += distance;
		frame->scrollRect(view->getViewSize(), distance);
	}

	CRect frameSize;
	CFrame* frame;
	ScrolledPatternView* view;
	HeadlessFrame* window {nullptr};
	int parent {0};
};

class HeadlessScrollRectTest : public ::testing::Test
{
protected:
	HeadlessScrollRectTest() { setPlatform(owned(new HeadlessPlatform)); }
	~HeadlessScrollRectTest() override { setPlatform(nullptr); }
};

const CRect kFrame(0, 0, 120, 80);
const CRect kView(10, 10, 110, 70);
// Beyond the frame's right and bottom edges.
const CRect kOverhangingView(60, 40, 160, 120);

TEST_F(HeadlessScrollRectTest, OnlyWhatTheMoveUncoveredIsRepainted)
{
	struct Case
	{
		const char* name;
		std::vector<CPoint> distances;
		std::vector<CRect> drawn; // by the view, in the frame's children's coordinates
		uint64 paintedPixels;
		size_t platformScrolls;
		CRect viewRect {kView};
		double scale {1.};
		double zoom {1.};
		CRect frameSize {kFrame};
		bool acceptsScroll {true};
		// Cells (content coordinates) that turn white and wait to be drawn
		// when the scroll comes.
		std::optional<CRect> waitingHighlight {};
		bool waitsInACollectScope {false};
	};
	const Case cases[] = {
	    {"up", {{0, -8}}, {{10, 62, 110, 70}}, 800, 1},
	    {"down", {{0, 8}}, {{10, 10, 110, 18}}, 800, 1},
	    {"left", {{-8, 0}}, {{102, 10, 110, 70}}, 480, 1},
	    {"right", {{8, 0}}, {{10, 10, 18, 70}}, 480, 1},
	    {"diagonally", {{6, -4}}, {{10, 66, 110, 70}, {10, 10, 16, 66}}, 736, 1},
	    {"diagonally the other way", {{-6, 4}}, {{10, 10, 110, 14}, {104, 14, 110, 70}}, 736, 1},
	    // The first band waits when the second scroll comes: it moves along.
	    {"twice before a paint",
	     {{0, -8}, {0, -4}},
	     {{10, 62, 110, 70}, {10, 58, 110, 66}, {10, 66, 110, 70}},
	     2000,
	     2},
	    {"as far as the area is high", {{0, 60}}, {kView}, 6000, 1},
	    {"farther than the area is wide", {{-100, 0}}, {kView}, 6000, 1},
	    {"at scale 2", {{3, -8}}, {{10, 62, 110, 70}, {10, 10, 13, 62}}, 4 * (800 + 156), 1, kView, 2.},
	    {"at scale 1.5 by whole pixels", {{0, -4}}, {{10, 66, 110, 70}}, 150 * 6, 1, kView, 1.5},
	    {"at scale 1.5 by half a pixel", {{0, -3}}, {kView}, 150 * 90, 1, kView, 1.5},
	    {"with the area partly outside the window",
	     {{-8, 6}},
	     {{60, 40, 120, 46}, {112, 46, 120, 80}},
	     360 + 272,
	     1,
	     kOverhangingView},
	    {"by a window that declines", {{0, -8}}, {kView}, 6000, 1, kView, 1., 1., kFrame, false},
	    // A waiting rect is drawn where it was and where its pixels went.
	    {"with a rect waiting to be drawn",
	     {{0, -8}},
	     {{30, 30, 50, 40}, {30, 22, 50, 32}, {10, 62, 110, 70}},
	     200 + 200 + 800,
	     1,
	     kView,
	     1.,
	     1.,
	     kFrame,
	     true,
	     CRect(20, 20, 40, 30)},
	    {"with a rect still being collected",
	     {{0, -8}},
	     {{30, 30, 50, 40}, {30, 22, 50, 32}, {10, 62, 110, 70}},
	     200 + 200 + 800,
	     1,
	     kView,
	     1.,
	     1.,
	     kFrame,
	     true,
	     CRect(20, 20, 40, 30),
	     true},
	    // The frame's zoom maps the area and the distance to whole units.
	    {"zoomed twice", {{0, -3}}, {{5, 32, 55, 35}}, 600, 1, CRect(5, 5, 55, 35), 1., 2., CRect(0, 0, 60, 40)},
	    {"zoomed by 1.5 to whole units",
	     {{0, -2}},
	     {{4, 48, 76, 50}},
	     108 * 3,
	     1,
	     CRect(4, 4, 76, 50),
	     1.,
	     1.5,
	     CRect(0, 0, 80, 54)},
	    // Zoomed to half units the frame redraws the area itself.
	    {"zoomed by 1.5 to half units",
	     {{0, -3}},
	     {CRect(4, 4, 76, 50)},
	     108 * 69,
	     0,
	     CRect(4, 4, 76, 50),
	     1.,
	     1.5,
	     CRect(0, 0, 80, 54)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		ScrolledFrame scrolled(c.frameSize, c.viewRect, c.scale, c.zoom);
		ASSERT_TRUE(scrolled.window);
		scrolled.window->acceptsScroll = c.acceptsScroll;
		{
			std::optional<CFrame::CollectInvalidRects> collect;
			if (c.waitsInACollectScope)
				collect.emplace(scrolled.frame);
			if (c.waitingHighlight)
			{
				scrolled.view->highlight = *c.waitingHighlight;
				scrolled.frame->invalidRect(
				    CRect(*c.waitingHighlight).offset(scrolled.view->contentOrigin()).bound(c.viewRect));
			}
			for (const auto& distance : c.distances)
				scrolled.scroll(distance);
		}
		EXPECT_EQ(scrolled.window->scrolls.size(), c.platformScrolls);
		scrolled.window->drawInvalidRects();

		EXPECT_THAT(scrolled.view->drawnRects, UnorderedElementsAreArray(c.drawn));
		EXPECT_EQ(scrolled.window->paintedPixels, c.paintedPixels);
		PatternState state {c.viewRect, scrolled.view->offset, scrolled.view->highlight, c.scale, c.zoom};
		EXPECT_EQ(differingWords(surfaceWords(*scrolled.window->getSurface()),
		                         freshPatternRendering(c.frameSize, state)),
		          0u);
	}
}

// The window hears the area and the distance in its own units: the frame's
// zoom applied, nothing rounded.
TEST_F(HeadlessScrollRectTest, TheWindowIsAskedInFrameUnits)
{
	ScrolledFrame scrolled(CRect(0, 0, 60, 40), CRect(5, 5, 55, 35), 1., 2.);
	ASSERT_TRUE(scrolled.window);
	scrolled.scroll({-2, 3});
	ASSERT_EQ(scrolled.window->scrolls.size(), 1u);
	EXPECT_EQ(scrolled.window->scrolls[0].rect, CRect(10, 10, 110, 70));
	EXPECT_EQ(scrolled.window->scrolls[0].distance, CPoint(-4, 6));
}

// A still move changes nothing and draws nothing; a closed frame asks the
// window nothing.
TEST_F(HeadlessScrollRectTest, NothingToMoveDrawsNothing)
{
	ScrolledFrame scrolled(kFrame, kView, 1., 1.);
	ASSERT_TRUE(scrolled.window);
	const auto before = surfaceWords(*scrolled.window->getSurface());
	scrolled.scroll({0, 0});
	EXPECT_THAT(scrolled.window->invalidRects, IsEmpty());
	EXPECT_EQ(scrolled.window->drawInvalidRects(), 0u);
	EXPECT_EQ(surfaceWords(*scrolled.window->getSurface()), before);
}

// The count of painted pixels is what a benchmark reports: every device
// pixel a paint touches, within the window.
TEST_F(HeadlessScrollRectTest, PaintedPixelsCountEveryDevicePixelTouchedInsideTheWindow)
{
	struct Case
	{
		const char* name;
		double scale;
		CRect rect;
		uint64 pixels;
	};
	const Case cases[] = {
	    {"whole units", 1., CRect(5, 5, 15, 10), 50},
	    {"at scale 2", 2., CRect(5, 5, 15, 10), 200},
	    {"over the edge", 2., CRect(50, 30, 70, 50), 400},
	    {"partly covered pixels", 1.5, CRect(1, 1, 2, 2), 4},
	    {"outside", 1., CRect(200, 10, 220, 20), 0},
	    {"empty", 1., CRect(10, 10, 10, 20), 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		ScrolledFrame painted(CRect(0, 0, 60, 40), CRect(0, 0, 60, 40), c.scale, 1.);
		ASSERT_TRUE(painted.window);
		painted.window->drawRect(c.rect);
		EXPECT_EQ(painted.window->paintedPixels, c.pixels);
	}
}

} // namespace
} // namespace Kavrin::Test
