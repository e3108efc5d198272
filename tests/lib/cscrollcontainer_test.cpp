#include "tests/support/scrollviewframe.h"

#include "tests/support/dragframe.h"
#include "tests/support/recording.h"

#include "lib/cdropsource.h"
#include "lib/iviewlistener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr int32 kNoFrame = CScrollView::kDontDrawFrame;
constexpr int32 kVertical = CScrollView::kVerticalScrollbar;
constexpr int32 kBoth = CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar;

// ---- Offsets ----

// A container of 100 x 100 over content of 400 x 300: x may run from -300
// to 400 and y from 0 to 300, both as loosely as ever.
TEST(ScrollContainerOffset, OffsetsAreRoundedToWholeUnitsAndClampedToTheContent)
{
	struct Case
	{
		const char* name;
		CRect content;
		CPoint requested;
		CPoint expected;
	};
	const Case cases[] = {
	    {"whole units", {0, 0, 400, 300}, {-10, 20}, {-10, 20}},
	    {"rounded to the nearest unit", {0, 0, 400, 300}, {-10.4, 20.6}, {-10, 21}},
	    {"halves round up", {0, 0, 400, 300}, {-10.5, 20.5}, {-10, 21}},
	    {"past the far ends", {0, 0, 400, 300}, {-1000, 1000}, {-300, 300}},
	    {"before the near ends", {0, 0, 400, 300}, {1000, -5}, {400, 0}},
	    {"content narrower than the view", {0, 0, 60, 300}, {-1000, 10}, {-60, 10}},
	    {"content placed away from the origin", {50, 40, 450, 340}, {-1000, 0}, {-250, 40}},
	    {"not a number", {0, 0, 400, 300}, {std::nan(""), std::nan("")}, {-300, 0}},
	    {"content of negative size", {0, 0, -50, -50}, {-20, 20}, {50, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto container = owned(new CScrollContainer(CRect(0, 0, 100, 100), c.content));
		auto child = new CView(CRect(5, 5, 15, 15));
		container->addView(child);
		container->setScrollOffset(c.requested);
		const CPoint offset = container->getScrollOffset();
		EXPECT_EQ(offset, c.expected);
		// The children move right by x and up by y.
		EXPECT_EQ(child->getViewSize(), CRect(5, 5, 15, 15).offset(offset.x, -offset.y));
		EXPECT_EQ(container->getVisibleContentRect(), CRect(-offset.x, offset.y, 100 - offset.x, 100 + offset.y));
	}
}

TEST(ScrollContainerOffset, ContentSizeChangesClampTheOffsetAgain)
{
	auto container = owned(new CScrollContainer(CRect(0, 0, 100, 100), CRect(0, 0, 400, 300)));
	container->setScrollOffset(CPoint(-200, 250));
	container->setContainerSize(CRect(0, 0, 250, 120));
	EXPECT_EQ(container->getContainerSize(), CRect(0, 0, 250, 120));
	EXPECT_EQ(container->getScrollOffset(), CPoint(-150, 120));
}

TEST_F(ScrollViewFrameTest, TheSameOffsetTwiceMovesNothingTheSecondTime)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	CScrollContainer* container = scrollView->getScrollContainer();
	struct SizeCounter : ViewListenerAdapter
	{
		void viewSizeChanged(CView*, const CRect&) override { ++changes; }
		int changes {0};
	} counter;
	pattern->registerViewListener(&counter);
	container->setScrollOffset(CPoint(0, 40.4));
	EXPECT_EQ(counter.changes, 1);
	window->drawInvalidRects();
	container->setScrollOffset(CPoint(0, 39.6));
	EXPECT_EQ(counter.changes, 1);
	EXPECT_TRUE(window->invalidRects.empty());
	EXPECT_EQ(pattern->getViewSize(), CRect(0, -40, 184, 960));
	pattern->unregisterViewListener(&counter);
}

// ---- What reaches the window ----

// The transparent container shows what lies below, which does not move:
// its whole visible part is drawn again.
TEST_F(ScrollViewFrameTest, ATransparentContainerIsDrawnAgainWhereItShows)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	window->drawInvalidRects();
	scrollTo(scrollView->getVerticalScrollbar(), 0.5f);
	const CRect shown = CRect(0, 0, 184, 100).offset(atView(0, 0));
	EXPECT_NE(std::find(window->invalidRects.begin(), window->invalidRects.end(), shown),
	          window->invalidRects.end());
	expectWindowAsRepainted();
}

// An opaque container's pixels move with the content: what the window
// shows afterwards must be what a full repaint shows, wherever the
// container sits and whatever lies above it.
class OpaqueScrollTest : public ScrollViewFrameTest
{
protected:
	CScrollContainer* addOpaqueScrollView(const CRect& content, int32 style)
	{
		addScrollView(content, style);
		CScrollContainer* container = scrollView->getScrollContainer();
		container->setTransparency(false);
		container->setBackgroundColor(CColor(20, 20, 20, 255));
		paint();
		return container;
	}
	// An opaque view over part of the scroll view, added to container.
	void addCover(CViewContainer* container, const CRect& size)
	{
		auto cover = new CViewContainer(size);
		cover->setBackgroundColor(CColor(200, 40, 200, 255));
		container->addView(cover);
		paint();
	}
	void scrollBy(CPoint offset)
	{
		CScrollContainer* container = scrollView->getScrollContainer();
		container->setScrollOffset(container->getScrollOffset() + offset);
	}
};

TEST_F(OpaqueScrollTest, MovedPixelsAndRedrawnStripsMakeTheWholePicture)
{
	const CPoint steps[] = {{0, 7}, {0, 30}, {0, -12}, {-13, 0}, {-25, 40}, {11, -9}, {0, 99}, {0, 500}};
	addOpaqueScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	for (const CPoint& step : steps)
	{
		SCOPED_TRACE(::testing::PrintToString(step));
		scrollBy(step);
		expectWindowAsRepainted();
	}
}

TEST_F(OpaqueScrollTest, ViewsDrawnAboveTheContentStayWhereTheyAre)
{
	struct Case
	{
		const char* name;
		int32 style;
		// Where the cover goes: over the scroll view's children, on the
		// page or on the frame; in that container's coordinates.
		enum { kInScrollView, kOnPage, kOnFrame } place;
		CRect cover;
	};
	const Case cases[] = {
	    {"overlay bars shown", kBoth | kNoFrame | CScrollView::kOverlayScrollbars, Case::kInScrollView, {}},
	    {"a sibling on the page", kBoth | kNoFrame, Case::kOnPage, {40, 40, 120, 80}},
	    {"a view on the frame", kBoth | kNoFrame, Case::kOnFrame, {100, 70, 160, 200}},
	    {"touching the content's edge only", kBoth | kNoFrame, Case::kOnPage, {10, 0, 120, 10}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addOpaqueScrollView({0, 0, 1000, 1000}, c.style);
		if (c.place == Case::kOnPage)
			addCover(page, c.cover);
		else if (c.place == Case::kOnFrame)
			addCover(frame, c.cover);
		else
		{
			// Overlay bars show fully while the content moves.
			for (CScrollbar* bar : {scrollView->getVerticalScrollbar(), scrollView->getHorizontalScrollbar()})
				bar->setAlphaValue(1.f);
			paint();
		}
		for (const CPoint& step : {CPoint(0, 9), CPoint(-7, 0), CPoint(-20, 31), CPoint(5, -4)})
		{
			SCOPED_TRACE(::testing::PrintToString(step));
			scrollBy(step);
			expectWindowAsRepainted();
		}
	}
}

TEST_F(OpaqueScrollTest, OnlyTheVisiblePartOfAClippedContainerMoves)
{
	// The page clips the scroll view at its right and bottom, its right
	// only, its left and top.
	for (const CPoint& place : {CPoint(150, 100), CPoint(150, 20), CPoint(-50, -30)})
	{
		SCOPED_TRACE(::testing::PrintToString(place));
		reopenFrame();
		addOpaqueScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		scrollView->setViewSize(CRect(kViewRect).moveTo(place));
		paint();
		for (const CPoint& step : {CPoint(0, 9), CPoint(-7, 0), CPoint(-20, 31)})
		{
			scrollBy(step);
			expectWindowAsRepainted();
		}
	}
}

TEST_F(OpaqueScrollTest, AZoomedFrameMovesThePixelsOfItsScale)
{
	addOpaqueScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	ASSERT_TRUE(frame->setZoom(2.));
	window->drawRect(window->getSurface()->getLogicalRect());
	for (const CPoint& step : {CPoint(0, 9), CPoint(-7, 0), CPoint(-20, 31)})
	{
		scrollBy(step);
		expectWindowAsRepainted();
	}
}

// What the copy cannot move right is drawn again instead.
TEST_F(OpaqueScrollTest, ContainersThatBlendOrTransformAreDrawnAgain)
{
	struct Case
	{
		const char* name;
		std::function<void()> setUp;
	};
	// Stripes that stay where they are while the content moves over them.
	auto stripes = FilmStrip::make(6, 200, 17);
	auto contentOverStripes = [this] {
		scrollView->removeView(pattern);
		scrollView->addView(new PatternView(CRect(30, 30, 70, 400)));
	};
	const Case cases[] = {
	    {"a translucent background over a striped scroll view",
	     [&, this] {
		     contentOverStripes();
		     scrollView->setBackground(stripes);
		     scrollView->getScrollContainer()->setBackgroundColor(CColor(20, 200, 20, 128));
	     }},
	    {"a background bitmap of its own",
	     [&, this] {
		     contentOverStripes();
		     scrollView->getScrollContainer()->setBackground(stripes);
	     }},
	    {"an outline only, over a striped scroll view",
	     [&, this] {
		     contentOverStripes();
		     scrollView->setBackground(stripes);
		     scrollView->getScrollContainer()->setBackgroundColorDrawStyle(kDrawStroked);
	     }},
	    {"a translucent scroll view", [this] { scrollView->setAlphaValue(0.5f); }},
	    {"a scaled page", [this] { page->setTransform(CGraphicsTransform::scaling(1.5, 1.)); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addOpaqueScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		c.setUp();
		paint();
		for (const CPoint& step : {CPoint(0, 9), CPoint(-7, 0), CPoint(-20, 31)})
		{
			scrollBy(step);
			expectWindowAsRepainted();
		}
	}
}

// The ring around the focus view moves with the content: the next focus
// change must erase it where it went.
TEST_F(OpaqueScrollTest, TheFocusRingIsErasedWhereItMovedTo)
{
	frame->setFocusDrawingEnabled(true);
	frame->setFocusWidth(2.);
	CScrollContainer* container = addOpaqueScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	auto first = new RecordingControl(CRect(20, 20, 60, 40));
	auto second = new RecordingControl(CRect(20, 60, 60, 80));
	scrollView->addView(first);
	scrollView->addView(second);
	focus(first);
	paint();
	const CRect ring = container->getLastDrawnFocus();
	ASSERT_FALSE(ring.isEmpty());
	scrollBy(CPoint(0, 10));
	EXPECT_EQ(container->getLastDrawnFocus(), CRect(ring).offset(0, -10));
	window->drawInvalidRects();
	focus(second);
	expectWindowAsRepainted();
}

// ---- Dirty children ----

TEST_F(ScrollViewFrameTest, ADirtyChildScrolledOutOfSightDoesNotMakeTheContentDirty)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	CScrollContainer* container = scrollView->getScrollContainer();
	auto shown = new CView(CRect(0, 10, 50, 40));
	auto hidden = new CView(CRect(0, 500, 50, 530));
	scrollView->addView(shown);
	scrollView->addView(hidden);
	paint();
	container->setDirty(false);
	pattern->setDirty(false);
	shown->setDirty(false);

	hidden->setDirty(true);
	EXPECT_FALSE(container->isDirty());
	EXPECT_FALSE(hidden->isDirty());
	shown->setDirty(true);
	EXPECT_TRUE(container->isDirty());
	shown->setDirty(false);
	// An invisible child does not count, and keeps its flag.
	shown->setVisible(false);
	shown->setDirty(true);
	EXPECT_FALSE(container->isDirty());
	EXPECT_TRUE(shown->isDirty());
	container->setDirty(true);
	EXPECT_TRUE(container->isDirty());
}

// ---- A single child's size ----

TEST_F(ScrollViewFrameTest, TheContentSizeFollowsASingleChild)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	scrollTo(scrollView->getVerticalScrollbar(), 1.f);
	ASSERT_EQ(scrollView->getScrollOffset(), CPoint(0, 900));
	// Growing at the bottom keeps the part shown in view.
	pattern->setViewSize(CRect(pattern->getViewSize()).setHeight(2000));
	EXPECT_EQ(scrollView->getContainerSize(), CRect(0, 0, 184, 2000));
	EXPECT_EQ(scrollView->getVerticalScrollbar()->getScrollSize(), CRect(0, 0, 184, 2000));
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 900));
	EXPECT_EQ(pattern->getViewSize(), CRect(0, -900, 184, 1100));
	expectWindowAsRepainted();

	// With a second child the content is the caller's to size.
	scrollView->addView(new CView(CRect(0, 0, 10, 10)));
	pattern->setViewSize(CRect(pattern->getViewSize()).setHeight(500));
	EXPECT_EQ(scrollView->getContainerSize(), CRect(0, 0, 184, 2000));
}

TEST_F(ScrollViewFrameTest, AttachingTakesTheSingleChildsSize)
{
	auto view = new CScrollView(kViewRect, CRect(0, 0, 184, 1000), kVertical | kNoFrame);
	view->addView(new CView(CRect(0, 0, 300, 700)));
	EXPECT_EQ(view->getContainerSize(), CRect(0, 0, 184, 1000));
	page->addView(view);
	EXPECT_EQ(view->getContainerSize(), CRect(0, 0, 300, 700));
}

// ---- Auto drag scrolling ----

TEST(ScrollContainerDrag, ScrollAmountsNearTheEdges)
{
	// A container at (10, 20), 100 x 100: bands of 10 inside each edge.
	struct Case
	{
		const char* name;
		CPoint where;
		bool scrolls;
		float x;
		float y;
	};
	const Case cases[] = {
	    {"middle", {60, 70}, false, 0, 0},
	    {"near the left", {15, 70}, true, -5, 0},
	    {"on the left edge", {10, 70}, true, -10, 0},
	    {"just past the left band", {20, 70}, false, 0, 0},
	    {"near the right", {105, 70}, true, 5, 0},
	    {"on the right edge", {110, 70}, true, 10, 0},
	    {"near the top", {60, 25}, true, 0, -5},
	    {"near the bottom", {60, 115}, true, 0, 5},
	    {"in a corner", {12, 118}, true, -8, 8},
	    {"outside", {5, 70}, false, 0, 0},
	};
	auto container = owned(new CScrollContainer(CRect(10, 20, 110, 120), CRect(0, 0, 1000, 1000)));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		float x = 99.f;
		float y = 99.f;
		EXPECT_EQ(container->getScrollValue(c.where, x, y), c.scrolls);
		EXPECT_EQ(x, c.x);
		EXPECT_EQ(y, c.y);
	}
}

class AutoDragScrollTest : public ScrollViewFrameTest
{
protected:
	void SetUp() override
	{
		addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame | CScrollView::kAutoDragScrolling);
		timersWhenIdle = platform->getRunningTimerCount();
	}
	double offset() const { return scrollView->getScrollOffset().y; }
	bool timerRuns() const { return platform->getRunningTimerCount() > timersWhenIdle; }

	SharedPointer<IDataPackage> package {CDropSource::create("text", 4, IDataPackage::kText)};
	size_t timersWhenIdle {0};
};

TEST_F(AutoDragScrollTest, ADragNearAnEdgeScrollsAndKeepsScrollingWhileItRestsThere)
{
	window->dragEnter(package, atView(50, 50));
	EXPECT_EQ(offset(), 0.);
	EXPECT_FALSE(timerRuns());
	// 5 into the bottom band: 5 at once and 5 every 50 ms.
	window->dragMove(atView(50, 95));
	EXPECT_EQ(offset(), 5.);
	EXPECT_TRUE(timerRuns());
	platform->advance(50);
	EXPECT_EQ(offset(), 10.);
	platform->advance(100);
	EXPECT_EQ(offset(), 20.);
	// Back in the middle it stops.
	window->dragMove(atView(50, 50));
	EXPECT_FALSE(timerRuns());
	platform->advance(500);
	EXPECT_EQ(offset(), 20.);
	// 7 into the top band, up to the top and resting there.
	window->dragMove(atView(50, 3));
	EXPECT_EQ(offset(), 13.);
	platform->advance(100);
	EXPECT_EQ(offset(), 0.);
	window->dragLeave(atView(50, 3));
	EXPECT_FALSE(timerRuns());
	expectWindowAsRepainted();
}

TEST_F(AutoDragScrollTest, TheTimerStopsWhenTheDragEnds)
{
	struct Case
	{
		const char* name;
		std::function<void()> end;
	};
	const Case cases[] = {
	    {"it leaves", [this] { window->dragLeave(atView(50, 95)); }},
	    {"it drops", [this] { window->drop(atView(50, 95)); }},
	    {"it moves out of the view", [this] { window->dragMove(atView(250, 95)); }},
	    {"the scroll view leaves the tree", [this] { page->removeView(scrollView); }},
	    {"the frame closes", [this] { frame->close(); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		SetUp();
		window->dragEnter(package, atView(50, 95));
		ASSERT_TRUE(timerRuns());
		c.end();
		EXPECT_FALSE(timerRuns());
		platform->advance(500);
		if (std::string(c.name) == "the frame closes")
			openFrame();
	}
}

// The content's own targets still see the drag, at the content's place
// after the scroll.
TEST_F(AutoDragScrollTest, TargetsInTheContentStillSeeTheDrag)
{
	EventLog dragLog;
	// Under the pointer only once the content has moved up by 5.
	auto view = new CView(CRect(20, 97, 120, 200));
	auto target = owned(new LoggingDropTarget("content", dragLog));
	target->logPositions = true;
	view->setDropTarget(target);
	scrollView->addView(view);
	window->dragEnter(package, atView(50, 50));
	window->dragMove(atView(50, 95));
	window->drop(atView(50, 95));
	EXPECT_EQ(dragLog, EventLog({"content:enter 50,95 0", "content:move 50,95 0", "content:drop 50,95 0"}));
}

// The content moves under a pointer that rests in a band: the view now
// under it hears of the drag on each step, as on a move of the pointer,
// with the drag's last modifiers.
TEST_F(AutoDragScrollTest, TheTargetUnderARestingPointerHearsEachStep)
{
	EventLog dragLog;
	// Under the pointer once the content has moved up by 8 or more.
	auto view = new CView(CRect(20, 103, 120, 200));
	auto target = owned(new LoggingDropTarget("content", dragLog));
	target->logPositions = true;
	view->setDropTarget(target);
	scrollView->addView(view);
	window->dragEnter(package, atView(50, 50));
	window->dragMove(atView(50, 95), CButtonState(kShiftModifier));
	ASSERT_EQ(offset(), 5.);
	EXPECT_TRUE(dragLog.empty());
	platform->advance(50);
	ASSERT_EQ(offset(), 10.);
	EXPECT_EQ(dragLog, EventLog({"content:enter 50,95 16", "content:move 50,95 16"}));
	platform->advance(50);
	window->drop(atView(50, 95));
	EXPECT_EQ(dragLog, EventLog({"content:enter 50,95 16", "content:move 50,95 16", "content:move 50,95 16",
	                             "content:drop 50,95 0"}));
}

// Content at its end scrolls no further: the timer rests until the next
// move in a band, which starts it again.
TEST_F(AutoDragScrollTest, AtTheEndOfTheContentTheTimerRestsUntilThePointerMoves)
{
	scrollTo(scrollView->getVerticalScrollbar(), 890.f / 900.f);
	ASSERT_EQ(offset(), 890.);
	window->dragEnter(package, atView(50, 50));
	window->dragMove(atView(50, 95));
	EXPECT_EQ(offset(), 895.);
	EXPECT_TRUE(timerRuns());
	platform->advance(50);
	EXPECT_EQ(offset(), 900.);
	EXPECT_TRUE(timerRuns());
	platform->advance(50);
	EXPECT_FALSE(timerRuns());
	// Still at the end: it starts, and rests again after one step.
	window->dragMove(atView(50, 96));
	EXPECT_TRUE(timerRuns());
	platform->advance(50);
	EXPECT_FALSE(timerRuns());
	// Towards the top there is room: it scrolls on.
	window->dragMove(atView(50, 5));
	EXPECT_EQ(offset(), 895.);
	EXPECT_TRUE(timerRuns());
	platform->advance(100);
	EXPECT_EQ(offset(), 885.);
	EXPECT_TRUE(timerRuns());
	window->dragLeave(atView(50, 5));
	EXPECT_FALSE(timerRuns());
}

TEST_F(ScrollViewFrameTest, WithoutAutoDragScrollingADragNearTheEdgeScrollsNothing)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	const size_t timers = platform->getRunningTimerCount();
	auto package = CDropSource::create("text", 4, IDataPackage::kText);
	window->dragEnter(package, atView(50, 95));
	platform->advance(500);
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
	EXPECT_EQ(platform->getRunningTimerCount(), timers);
	window->dragLeave(atView(50, 95));
}

} // namespace
} // namespace Kavrin::Test
