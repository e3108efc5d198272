#include "lib/cscrollview.h"

#include "lib/controls/cscrollbar.h"
#include "tests/support/printers.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr int32 kBoth = CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar;
constexpr int32 kNoFrame = CScrollView::kDontDrawFrame;
constexpr int32 kAutoHide = CScrollView::kAutoHideScrollbars;
constexpr int32 kOverlay = CScrollView::kOverlayScrollbars;
// Scroll views are 200 x 100 with bars 16 thick unless a case says else.
constexpr CRect kViewRect {0, 0, 200, 100};

SharedPointer<CScrollView> makeView(const CRect& content, int32 style, const CRect& size = kViewRect)
{
	return owned(new CScrollView(size, content, style, 16.));
}

// Where the layout put the bars and the content.
struct Layout
{
	int32 active;
	std::optional<CRect> horizontal; // none: no bar shown
	std::optional<CRect> vertical;
	CRect content;
};

Layout layoutOf(const CScrollView& view)
{
	auto shown = [](CScrollbar* bar) -> std::optional<CRect> {
		if (!bar || !bar->hasViewFlag(CView::kVisible))
			return std::nullopt;
		return bar->getViewSize();
	};
	return {view.getActiveScrollbars(), shown(view.getHorizontalScrollbar()),
	        shown(view.getVerticalScrollbar()), view.getScrollContainer()->getViewSize()};
}

void expectLayout(const CScrollView& view, const Layout& expected)
{
	const Layout actual = layoutOf(view);
	EXPECT_EQ(actual.active, expected.active);
	EXPECT_EQ(actual.horizontal, expected.horizontal);
	EXPECT_EQ(actual.vertical, expected.vertical);
	EXPECT_EQ(actual.content, expected.content);
}

constexpr int32 kH = CScrollView::kHorizontalActive;
constexpr int32 kV = CScrollView::kVerticalActive;
// The bars of a 200 x 100 view: alone, or meeting in the corner, where
// each ends one unit short of the other's far edge.
constexpr CRect kHorizontalAlone {0, 84, 200, 100};
constexpr CRect kVerticalAlone {184, 0, 200, 100};
constexpr CRect kHorizontalWithVertical {0, 84, 185, 100};
constexpr CRect kVerticalWithHorizontal {184, 0, 200, 85};

struct LayoutCase
{
	const char* name;
	int32 style;
	CRect content;
	Layout expected;
};

TEST(ScrollViewLayout, PlacesBarsAndContentForEachStyle)
{
	const CRect big {0, 0, 1000, 1000};
	const LayoutCase cases[] = {
	    {"both bars, framed", kBoth, big,
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {1, 1, 184, 84}}},
	    {"both bars, no frame", kBoth | kNoFrame, big,
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {0, 0, 184, 84}}},
	    {"vertical only", CScrollView::kVerticalScrollbar, big,
	     {kV, std::nullopt, kVerticalAlone, {1, 1, 184, 99}}},
	    {"horizontal only", CScrollView::kHorizontalScrollbar, big,
	     {kH, kHorizontalAlone, std::nullopt, {1, 1, 199, 84}}},
	    {"no bars", 0, big, {0, std::nullopt, std::nullopt, {1, 1, 199, 99}}},
	    {"overlay bars take no room", kBoth | kOverlay, big,
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {1, 1, 199, 99}}},
	    {"classic bars shown even when the content fits", kBoth, {0, 0, 50, 50},
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {1, 1, 184, 84}}},
	    {"auto-hide: content exactly the visible size", kBoth | kAutoHide, {0, 0, 198, 98},
	     {0, std::nullopt, std::nullopt, {1, 1, 199, 99}}},
	    {"auto-hide: tall content exactly as wide as the visible area", kBoth | kAutoHide,
	     {0, 0, 198, 500},
	     // The vertical bar takes 16 of the width, which the content then exceeds.
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {1, 1, 184, 84}}},
	    {"auto-hide: tall content that fits beside the vertical bar", kBoth | kAutoHide,
	     {0, 0, 182, 500}, {kV, std::nullopt, kVerticalAlone, {1, 1, 184, 99}}},
	    {"auto-hide: wide content exactly as high as the visible area", kBoth | kAutoHide,
	     {0, 0, 500, 98},
	     {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {1, 1, 184, 84}}},
	    {"auto-hide: wide content that fits above the horizontal bar", kBoth | kAutoHide,
	     {0, 0, 500, 82}, {kH, kHorizontalAlone, std::nullopt, {1, 1, 199, 84}}},
	    {"auto-hide overlay: tall content as wide as the view", kBoth | kAutoHide | kOverlay,
	     {0, 0, 198, 500}, {kV, std::nullopt, kVerticalAlone, {1, 1, 199, 99}}},
	    {"auto-hide: no horizontal bar without its style bit",
	     CScrollView::kVerticalScrollbar | kAutoHide, {0, 0, 500, 50},
	     {0, std::nullopt, std::nullopt, {1, 1, 199, 99}}},
	    {"auto-hide: no vertical bar without its style bit",
	     CScrollView::kHorizontalScrollbar | kAutoHide, {0, 0, 100, 500},
	     {0, std::nullopt, std::nullopt, {1, 1, 199, 99}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView(c.content, c.style);
		expectLayout(*view, c.expected);
	}
}

TEST(ScrollViewLayout, ContentComesFirstWithTheBarsAboveIt)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth);
	const auto& children = view->getChildren();
	ASSERT_EQ(children.size(), 3u);
	EXPECT_EQ(children[0], view->getScrollContainer());
	EXPECT_EQ(children[1], view->getHorizontalScrollbar());
	EXPECT_EQ(children[2], view->getVerticalScrollbar());
	EXPECT_EQ(view->getHorizontalScrollbar()->getTag(), 0);
	EXPECT_EQ(view->getVerticalScrollbar()->getTag(), 1);
	EXPECT_EQ(view->getHorizontalScrollbar()->getAutosizeFlags(),
	          kAutosizeLeft | kAutosizeRight | kAutosizeBottom);
	EXPECT_EQ(view->getVerticalScrollbar()->getAutosizeFlags(),
	          kAutosizeTop | kAutosizeRight | kAutosizeBottom);
	EXPECT_EQ(view->getScrollContainer()->getAutosizeFlags(), kAutosizeAll);
	EXPECT_TRUE(view->getScrollContainer()->getTransparency());
	// The content's side of the container calls.
	EXPECT_EQ(view->getNbViews(), 0u);
}

TEST(ScrollViewLayout, StyleAndWidthChangesLayOutAgainAndHideBarsNoLongerWanted)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	CScrollbar* horizontal = view->getHorizontalScrollbar();
	view->setStyle(CScrollView::kVerticalScrollbar | kNoFrame);
	// Hidden, not removed: the same bar comes back.
	EXPECT_EQ(view->getHorizontalScrollbar(), horizontal);
	expectLayout(*view, {kV, std::nullopt, kVerticalAlone, {0, 0, 184, 100}});
	view->setStyle(kBoth | kNoFrame | kOverlay);
	EXPECT_EQ(view->getHorizontalScrollbar(), horizontal);
	EXPECT_TRUE(horizontal->getOverlayStyle());
	expectLayout(*view, {kH | kV, kHorizontalWithVertical, kVerticalWithHorizontal, {0, 0, 200, 100}});
	view->setStyle(kBoth | kNoFrame);
	EXPECT_FALSE(horizontal->getOverlayStyle());
	view->setScrollbarWidth(20.);
	expectLayout(*view, {kH | kV, CRect(0, 80, 181, 100), CRect(180, 0, 200, 81), {0, 0, 180, 80}});
}

TEST(ScrollViewLayout, ResizingTheViewLaysItOutAgain)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth);
	view->setViewSize(CRect(0, 0, 300, 150));
	expectLayout(*view, {kH | kV, CRect(0, 134, 285, 150), CRect(284, 0, 300, 135), {1, 1, 284, 134}});
}

TEST(ScrollViewLayout, AutoDragScrollingFollowsTheStyle)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth);
	EXPECT_FALSE(view->getScrollContainer()->isAutoDragScroll());
	view->setStyle(kBoth | CScrollView::kAutoDragScrolling);
	EXPECT_TRUE(view->getScrollContainer()->isAutoDragScroll());
}

// The frame is the background's stroke: drawn exactly when the style does
// not say otherwise, whichever way the style got there.
TEST(ScrollViewLayout, TheFrameIsStrokedExactlyWithoutDontDrawFrame)
{
	struct Case
	{
		const char* name;
		int32 initial;
		std::vector<int32> changes;
		CDrawStyle expected;
	};
	const Case cases[] = {
	    {"framed from the start", kBoth, {}, kDrawFilledAndStroked},
	    {"frameless from the start", kBoth | kNoFrame, {}, kDrawFilled},
	    {"frame removed", kBoth, {kBoth | kNoFrame}, kDrawFilled},
	    {"frame removed and restored", kBoth, {kBoth | kNoFrame, kBoth}, kDrawFilledAndStroked},
	    {"frame added", kBoth | kNoFrame, {kBoth}, kDrawFilledAndStroked},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView({0, 0, 1000, 1000}, c.initial);
		for (int32 style : c.changes)
			view->setStyle(style);
		EXPECT_EQ(view->getBackgroundColorDrawStyle(), c.expected);
	}
}

// ---- Bar value to offset ----

TEST(ScrollViewOffset, BarValuesMapToWholeUnitOffsets)
{
	// Content 1000 x 1000 in a frameless view with both bars: the visible
	// part is 184 x 84, so the vertical bar spans 916 and the horizontal 816.
	struct Case
	{
		const char* name;
		bool vertical;
		float value;
		double expected;
	};
	const Case cases[] = {
	    {"top", true, 0.f, 0.},
	    {"middle", true, 0.5f, 458.},
	    {"bottom", true, 1.f, 916.},
	    {"a fraction of a unit is dropped", true, 0.3f, 274.},
	    {"left", false, 0.f, 0.},
	    {"middle across, as a negative offset", false, 0.5f, -408.},
	    {"right", false, 1.f, -816.},
	    {"a fraction across is dropped too", false, 0.3f, -244.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		CScrollbar* bar = c.vertical ? view->getVerticalScrollbar() : view->getHorizontalScrollbar();
		bar->setValue(c.value);
		view->valueChanged(bar);
		const CPoint offset = view->getScrollOffset();
		EXPECT_EQ(c.vertical ? offset.y : offset.x, c.expected);
		EXPECT_EQ(c.vertical ? offset.x : offset.y, 0.);
	}
}

// 0.7 as a float is 0.69999999: times 900 it lands a hair below 630, which
// is not a unit the user scrolled less.
TEST(ScrollViewOffset, AFloatValueAHairBelowAWholeOffsetGivesThatOffset)
{
	auto view = makeView({0, 0, 184, 1000}, CScrollView::kVerticalScrollbar | kNoFrame);
	CScrollbar* bar = view->getVerticalScrollbar();
	bar->setValue(0.7f);
	view->valueChanged(bar);
	EXPECT_EQ(view->getScrollOffset().y, 630.);
	auto across = makeView({0, 0, 1100, 100}, CScrollView::kHorizontalScrollbar | kNoFrame);
	bar = across->getHorizontalScrollbar();
	bar->setValue(0.7f);
	across->valueChanged(bar);
	EXPECT_EQ(across->getScrollOffset().x, -630.);
}

TEST(ScrollViewOffset, TheContentMovesByTheOffset)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	auto child = new CView(CRect(10, 400, 30, 420));
	child->setMouseableArea(CRect(12, 402, 28, 418));
	view->addView(child);
	EXPECT_EQ(view->getScrollContainer()->getView(0), child);
	view->getVerticalScrollbar()->setValue(0.5f);
	view->valueChanged(view->getVerticalScrollbar());
	view->getHorizontalScrollbar()->setValue(0.5f);
	view->valueChanged(view->getHorizontalScrollbar());
	EXPECT_EQ(view->getScrollOffset(), CPoint(-408, 458));
	EXPECT_EQ(child->getViewSize(), CRect(-398, -58, -378, -38));
	EXPECT_EQ(child->getMouseableArea(), CRect(-396, -56, -380, -40));
}

TEST(ScrollViewOffset, ContentNoLargerThanTheViewScrollsBackToTheOrigin)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	for (CScrollbar* bar : {view->getVerticalScrollbar(), view->getHorizontalScrollbar()})
	{
		bar->setValue(1.f);
		view->valueChanged(bar);
	}
	ASSERT_EQ(view->getScrollOffset(), CPoint(-816, 916));
	view->setContainerSize(CRect(0, 0, 100, 50));
	EXPECT_EQ(view->getScrollOffset(), CPoint(0, 0));
	EXPECT_EQ(view->getVerticalScrollbar()->getValue(), 0.f);
	EXPECT_EQ(view->getHorizontalScrollbar()->getValue(), 0.f);
	// The bars have nothing to scroll: a value set from outside moves nothing.
	view->getVerticalScrollbar()->setValue(1.f);
	view->valueChanged(view->getVerticalScrollbar());
	EXPECT_EQ(view->getScrollOffset(), CPoint(0, 0));
}

TEST(ScrollViewOffset, ResetScrollsBackToTheTopLeft)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	for (CScrollbar* bar : {view->getVerticalScrollbar(), view->getHorizontalScrollbar()})
	{
		bar->setValue(0.5f);
		view->valueChanged(bar);
	}
	view->resetScrollOffset();
	EXPECT_EQ(view->getScrollOffset(), CPoint(0, 0));
	EXPECT_EQ(view->getVerticalScrollbar()->getValue(), 0.f);
	EXPECT_EQ(view->getHorizontalScrollbar()->getValue(), 0.f);
}

// ---- Content size ----

TEST(ScrollViewContentSize, ResizingTheContentScrolledToTheEnd)
{
	// A frameless view with a vertical bar: 100 of the content's height
	// shows, so at the end of 1000 the offset is 900.
	struct Case
	{
		const char* name;
		double newHeight;
		bool keepVisibleArea;
		double expectedOffset;
		float expectedValue;
	};
	const Case cases[] = {
	    {"grows, keeping the visible part", 2000, true, 900, 900.f / 1900.f},
	    {"grows, keeping the bar's value", 2000, false, 1900, 1.f},
	    {"shrinks, keeping the visible part as far as it can", 500, true, 400, 1.f},
	    {"shrinks, keeping the bar's value", 500, false, 400, 1.f},
	    {"shrinks to exactly the visible height, kept", 100, true, 0, 0.f},
	    {"shrinks to exactly the visible height", 100, false, 0, 0.f},
	    {"shrinks below the visible height", 50, true, 0, 0.f},
	    {"keeps its height", 1000, true, 900, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView({0, 0, 184, 1000}, CScrollView::kVerticalScrollbar | kNoFrame);
		CScrollbar* bar = view->getVerticalScrollbar();
		bar->setValue(1.f);
		view->valueChanged(bar);
		ASSERT_EQ(view->getScrollOffset().y, 900.);
		view->setContainerSize(CRect(0, 0, 184, c.newHeight), c.keepVisibleArea);
		EXPECT_EQ(view->getContainerSize(), CRect(0, 0, 184, c.newHeight));
		EXPECT_EQ(view->getScrollContainer()->getContainerSize(), CRect(0, 0, 184, c.newHeight));
		EXPECT_EQ(bar->getScrollSize(), CRect(0, 0, 184, c.newHeight));
		EXPECT_FLOAT_EQ(bar->getValue(), c.expectedValue);
		EXPECT_EQ(view->getScrollOffset().y, c.expectedOffset);
	}
}

TEST(ScrollViewContentSize, GrowingFromAContentThatFitsKeepsTheTop)
{
	// The old extent equals the visible one: the kept part is the top.
	auto view = makeView({0, 0, 184, 100}, CScrollView::kVerticalScrollbar | kNoFrame);
	view->setContainerSize(CRect(0, 0, 184, 1000), true);
	EXPECT_EQ(view->getVerticalScrollbar()->getValue(), 0.f);
	EXPECT_EQ(view->getScrollOffset().y, 0.);
}

TEST(ScrollViewContentSize, AutoHideShowsAndHidesBarsAsTheContentChanges)
{
	auto view = makeView({0, 0, 198, 98}, kBoth | kAutoHide);
	expectLayout(*view, {0, std::nullopt, std::nullopt, {1, 1, 199, 99}});
	view->setContainerSize(CRect(0, 0, 182, 500));
	expectLayout(*view, {kV, std::nullopt, kVerticalAlone, {1, 1, 184, 99}});
	view->setContainerSize(CRect(0, 0, 198, 98));
	expectLayout(*view, {0, std::nullopt, std::nullopt, {1, 1, 199, 99}});
}

// A taller view shows more of the content: scrolled to the end it still
// ends where the content does, with nothing blank below.
TEST(ScrollViewContentSize, AViewResizedWhileScrolledToTheEndStillEndsAtTheContentsEnd)
{
	auto view = makeView({0, 0, 184, 1000}, CScrollView::kVerticalScrollbar | kNoFrame);
	CScrollbar* bar = view->getVerticalScrollbar();
	bar->setValue(1.f);
	view->valueChanged(bar);
	ASSERT_EQ(view->getScrollOffset().y, 900.);
	view->setViewSize(CRect(0, 0, 200, 300));
	EXPECT_EQ(view->getScrollContainer()->getViewSize(), CRect(0, 0, 184, 300));
	EXPECT_EQ(view->getScrollOffset().y, 700.);
}

// ---- Bringing a rect into view ----

struct VisibleCase
{
	const char* name;
	CRect rect; // in the content's coordinates
	CPoint expectedOffset;
};

// Starts scrolled to (300, 400) of content 1000 x 1000 in a frameless view
// with both bars, so content x 300 to 484 and y 400 to 484 are shown.
void expectMakeRectVisible(int32 extraStyle, const std::vector<VisibleCase>& cases)
{
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView({0, 0, 1000, 1000}, kBoth | extraStyle);
		const CRect visible = view->getScrollContainer()->getViewSize();
		view->getVerticalScrollbar()->setValue(float(400. / (1000. - visible.getHeight())));
		view->valueChanged(view->getVerticalScrollbar());
		view->getHorizontalScrollbar()->setValue(float(300. / (1000. - visible.getWidth())));
		view->valueChanged(view->getHorizontalScrollbar());
		ASSERT_EQ(view->getScrollOffset(), CPoint(-300, 400));
		view->makeRectVisible(c.rect);
		EXPECT_EQ(view->getScrollOffset(), c.expectedOffset);
		const CRect shown = view->getScrollContainer()->getVisibleContentRect();
		EXPECT_EQ(shown, CRect(visible).originize().offset(-c.expectedOffset.x, c.expectedOffset.y));
	}
}

TEST(ScrollViewMakeRectVisible, ScrollsJustEnoughToShowTheRect)
{
	expectMakeRectVisible(kNoFrame, {
	    {"inside", {350, 420, 360, 430}, {-300, 400}},
	    {"exactly the visible part", {300, 400, 484, 484}, {-300, 400}},
	    {"above: its top at the top", {350, 100, 360, 120}, {-300, 100}},
	    {"below: its bottom at the bottom", {350, 600, 360, 620}, {-300, 536}},
	    {"left: its left edge at the left", {100, 420, 120, 430}, {-100, 400}},
	    {"right: its right edge at the right", {600, 420, 620, 430}, {-436, 400}},
	    {"above and left", {10, 20, 30, 40}, {-10, 20}},
	    {"below and right", {900, 950, 1000, 1000}, {-816, 916}},
	    {"taller than the view: its top first", {350, 100, 360, 900}, {-300, 100}},
	    {"taller than the view, sticking out below: its top first", {350, 450, 360, 1000}, {-300, 450}},
	    {"wider than the view, sticking out right: its left first", {350, 420, 900, 430}, {-350, 400}},
	    {"larger than the view, below and right: its top-left first", {400, 450, 900, 1000}, {-400, 450}},
	    {"one unit past the bottom", {350, 470, 360, 485}, {-300, 401}},
	});
}

TEST(ScrollViewMakeRectVisible, ARectReachingIntoTheFrameCountsAsShown)
{
	// The framed view shows 183 x 83 of the content: x 300 to 483, y 400 to 483.
	expectMakeRectVisible(0, {
	    {"one unit into the frame at each side", {299, 399, 484, 484}, {-300, 400}},
	    {"two units into the frame below", {350, 470, 360, 485}, {-300, 402}},
	    {"two units into the frame on the left", {298, 420, 310, 430}, {-298, 400}},
	});
}

// The bar cannot take a share of nothing: content exactly as large as the
// visible part leaves the offset and the values as they are, and finite.
TEST(ScrollViewMakeRectVisible, ContentExactlyAsLargeAsTheVisiblePartMovesNothing)
{
	struct Case
	{
		const char* name;
		int32 style;
		CRect content;
	};
	const Case cases[] = {
	    {"frameless", kBoth | kNoFrame, {0, 0, 184, 84}},
	    {"framed", kBoth, {0, 0, 183, 83}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = makeView(c.content, c.style);
		for (const CRect rect : {CRect(10, 500, 20, 520), CRect(10, -50, 20, -40), CRect(500, 10, 520, 20),
		                         CRect(-50, 10, -40, 20), CRect(0, 0, 1, 1)})
		{
			SCOPED_TRACE(::testing::PrintToString(rect));
			view->makeRectVisible(rect);
			EXPECT_EQ(view->getScrollOffset(), CPoint(0, 0));
			for (CScrollbar* bar : {view->getVerticalScrollbar(), view->getHorizontalScrollbar()})
			{
				EXPECT_TRUE(std::isfinite(bar->getValue()));
				EXPECT_EQ(bar->getValue(), 0.f);
			}
		}
	}
}

TEST(ScrollViewMakeRectVisible, WithoutBarsNothingMoves)
{
	auto view = makeView({0, 0, 1000, 1000}, kNoFrame);
	view->makeRectVisible(CRect(500, 500, 520, 520));
	EXPECT_EQ(view->getScrollOffset(), CPoint(0, 0));
}

// ---- Copies and teardown ----

TEST(ScrollViewCopy, ACopyScrollsItsOwnContentWithItsOwnBars)
{
	auto original = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	original->addView(new CView(CRect(10, 10, 50, 50)));
	auto copy = owned(static_cast<CScrollView*>(original->cloneView()));
	ASSERT_NE(copy->getScrollContainer(), nullptr);
	ASSERT_NE(copy->getVerticalScrollbar(), nullptr);
	ASSERT_NE(copy->getHorizontalScrollbar(), nullptr);
	EXPECT_NE(copy->getScrollContainer(), original->getScrollContainer());
	EXPECT_NE(copy->getVerticalScrollbar(), original->getVerticalScrollbar());
	EXPECT_TRUE(copy->isChild(copy->getScrollContainer()));
	EXPECT_TRUE(copy->isChild(copy->getVerticalScrollbar()));
	EXPECT_TRUE(copy->isChild(copy->getHorizontalScrollbar()));
	EXPECT_EQ(copy->getVerticalScrollbar()->getDirection(), CScrollbar::kVertical);
	EXPECT_EQ(copy->getHorizontalScrollbar()->getDirection(), CScrollbar::kHorizontal);
	EXPECT_EQ(copy->getVerticalScrollbar()->getListener(), copy.get());
	EXPECT_EQ(copy->getNbViews(), 1u);
	EXPECT_EQ(copy->getStyle(), original->getStyle());
	EXPECT_EQ(copy->getActiveScrollbars(), original->getActiveScrollbars());

	// The copy's bar moves the copy's content only.
	CScrollbar* bar = copy->getVerticalScrollbar();
	bar->setValue(1.f);
	bar->valueChanged();
	EXPECT_EQ(copy->getScrollOffset(), CPoint(0, 916));
	EXPECT_EQ(copy->getView(0)->getViewSize(), CRect(10, -906, 50, -866));
	EXPECT_EQ(original->getScrollOffset(), CPoint(0, 0));
	// So does its layout.
	copy->setViewSize(CRect(0, 0, 300, 100));
	EXPECT_EQ(copy->getVerticalScrollbar()->getViewSize(), CRect(284, 0, 300, 85));
	EXPECT_EQ(original->getVerticalScrollbar()->getViewSize(), kVerticalWithHorizontal);
}

// A bar someone still holds outlives the scroll view: it must neither call
// back into it nor keep it as a listener.
TEST(ScrollViewCopy, ABarHeldElsewhereOutlivesItsScrollView)
{
	AssertionRecorder assertions;
	SharedPointer<CScrollbar> bar;
	SharedPointer<CScrollContainer> content;
	{
		auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		bar = view->getVerticalScrollbar();
		content = view->getScrollContainer();
	}
	EXPECT_TRUE(assertions.reports.empty());
	EXPECT_FALSE(bar->isSubview());
	EXPECT_FALSE(content->isSubview());
	EXPECT_EQ(bar->getListener(), nullptr);
	bar->setViewSize(CRect(0, 0, 16, 300));
	bar->setValue(0.5f);
	bar->valueChanged();
}

// Deleting the scroll view empties the view itself, not only its content.
TEST(ScrollViewCopy, DeletingTheViewReleasesItsContentAndBars)
{
	auto view = makeView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	view->addView(new CView(CRect(0, 0, 10, 10)));
	SharedPointer<CView> child = view->getView(0);
	SharedPointer<CScrollContainer> content = view->getScrollContainer();
	view = nullptr;
	EXPECT_FALSE(content->isSubview());
	// The content itself still holds its child until it goes.
	EXPECT_TRUE(child->isSubview());
	content = nullptr;
	EXPECT_FALSE(child->isSubview());
}

} // namespace
} // namespace Kavrin::Test
