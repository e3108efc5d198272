#include "tests/support/scrollviewframe.h"

#include "tests/support/controlrecording.h"
#include "tests/support/recording.h"

#include "lib/iviewlistener.h"
#include "lib/moxkeycode.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace Kavrin::Test {
namespace {

using ScrollViewInputTest = ScrollViewFrameTest;

constexpr int32 kBoth = CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar;
constexpr int32 kNoFrame = CScrollView::kDontDrawFrame;
constexpr int32 kVertical = CScrollView::kVerticalScrollbar;

// ---- Presses ----

TEST_F(ScrollViewInputTest, APressOnAChildOfScrolledContentArrivesAtItsOwnPoint)
{
	// Framed: the content starts one unit in and shows 98 of 1000.
	addScrollView({0, 0, 184, 1000}, kVertical);
	auto control = new RecordingControl(CRect(20, 300, 80, 330));
	std::optional<CPoint> pressedAt;
	control->onDown = [&](CPoint& where, const CButtonState&) {
		pressedAt = where;
		return kMouseHandled;
	};
	scrollView->addView(control);
	scrollTo(scrollView->getVerticalScrollbar(), float(250. / 902.));
	ASSERT_EQ(scrollView->getScrollOffset(), CPoint(0, 250));
	EXPECT_EQ(control->getViewSize(), CRect(20, 50, 80, 80));

	press(atView(1 + 25, 1 + 55));
	ASSERT_TRUE(pressedAt);
	EXPECT_EQ(*pressedAt, CPoint(25, 55));
	release(atView(1 + 25, 1 + 55));
	// Where it sat before the scroll, it is no more.
	press(atView(1 + 25, 1 + 5));
	EXPECT_EQ(control->mouseDowns, 1);
}

TEST_F(ScrollViewInputTest, DraggingTheScrollerToEachEndScrollsToEachEnd)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	CScrollbar* bar = scrollView->getVerticalScrollbar();
	const CPoint grip = bar->getScrollerRect().getCenter();
	press(atView(grip.x, grip.y));
	move(atView(grip.x, grip.y + 500));
	EXPECT_EQ(bar->getValue(), 1.f);
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 900));
	EXPECT_EQ(pattern->getViewSize(), CRect(0, -900, 184, 100));
	move(atView(grip.x, grip.y - 500));
	EXPECT_EQ(bar->getValue(), 0.f);
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
	release(atView(grip.x, grip.y - 500));
	expectWindowAsRepainted();
}

// The content follows each step the held press makes.
TEST_F(ScrollViewInputTest, APressOnTheTrackPagesTheContentWhileHeld)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	CScrollbar* bar = scrollView->getVerticalScrollbar();
	auto offsetFollowsTheBar = [&] {
		EXPECT_EQ(scrollView->getScrollOffset().y, std::trunc(bar->getValue() * 900. + 1e-3));
	};
	press(atView(192, 90));
	const double afterPress = scrollView->getScrollOffset().y;
	EXPECT_GT(afterPress, 0.);
	offsetFollowsTheBar();
	platform->advance(250);
	EXPECT_GT(scrollView->getScrollOffset().y, afterPress);
	offsetFollowsTheBar();
	release(atView(192, 90));
	const double afterRelease = scrollView->getScrollOffset().y;
	platform->advance(1000);
	EXPECT_EQ(scrollView->getScrollOffset().y, afterRelease);
}

// ---- The wheel ----

TEST_F(ScrollViewInputTest, TheWheelScrollsAlongItsAxis)
{
	// Both bars, frameless: 184 x 84 of 1000 x 1000 show, so the vertical
	// bar spans 916 and the horizontal one 816; a notch is a tenth.
	struct Case
	{
		const char* name;
		CMouseWheelAxis axis;
		uint32 buttons;
		float distance;
		bool handled;
		CPoint expected;
	};
	const Case cases[] = {
	    {"down a notch", kWheelAxisY, 0, -1.f, true, {0, 91}},
	    {"shift: a tenth of a notch", kWheelAxisY, kShiftModifier, -1.f, true, {0, 9}},
	    {"inverted", kWheelAxisY, kWheelInverted, 1.f, true, {0, 91}},
	    {"across", kWheelAxisX, 0, -1.f, true, {-81, 0}},
	    {"across, shift", kWheelAxisX, kShiftModifier, -1.f, true, {-8, 0}},
	    {"up at the top", kWheelAxisY, 0, 1.f, true, {0, 0}},
	    {"with a button held", kWheelAxisY, kLeftButton, -1.f, false, {0, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		EXPECT_EQ(wheelOn(atView(50, 50), c.axis, c.distance, c.buttons), c.handled);
		EXPECT_EQ(scrollView->getScrollOffset(), c.expected);
		expectWindowAsRepainted();
	}
}

TEST_F(ScrollViewInputTest, AChildThatTakesTheWheelKeepsItFromTheBars)
{
	addScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	auto child = new RecordingView(CRect(10, 10, 100, 60));
	child->wheelResult = true;
	scrollView->addView(child);
	EXPECT_TRUE(wheelOn(atView(20, 20), kWheelAxisY, -1.f));
	EXPECT_EQ(child->events, std::vector<std::string>({"wheel"}));
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
	// Beside it the content scrolls.
	EXPECT_TRUE(wheelOn(atView(150, 70), kWheelAxisY, -1.f));
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 91));
}

TEST_F(ScrollViewInputTest, WithNothingToScrollTheWheelIsNotTaken)
{
	addScrollView({0, 0, 150, 80}, kBoth | CScrollView::kAutoHideScrollbars);
	EXPECT_FALSE(wheelOn(atView(50, 50), kWheelAxisY, -1.f));
	EXPECT_FALSE(wheelOn(atView(50, 50), kWheelAxisX, -1.f));
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
}

// ---- Keys ----

struct KeyCase
{
	const char* name;
	uint8 virt;
	uint8 modifier;
	CPoint start;
	bool handled;
	CPoint expected;
};

TEST_F(ScrollViewInputTest, KeysTheFocusViewLeavesScrollTheContent)
{
	// 184 x 84 of 1000 x 1000 show: a line is a tenth of the bar (91.6 down,
	// 81.6 across), a page is the visible height.
	const KeyCase cases[] = {
	    {"down a line", kVKeyDown, 0, {0, 0}, true, {0, 91}},
	    {"up a line", kVKeyUp, 0, {0, 458}, true, {0, 366}},
	    {"right a line", kVKeyRight, 0, {0, 0}, true, {-81, 0}},
	    {"left a line", kVKeyLeft, 0, {-408, 0}, true, {-326, 0}},
	    {"page down", kVKeyPageDown, 0, {0, 0}, true, {0, 84}},
	    {"page up", kVKeyPageUp, 0, {0, 458}, true, {0, 374}},
	    {"end", kVKeyEnd, 0, {-408, 0}, true, {-408, 916}},
	    {"home", kVKeyHome, 0, {-408, 458}, true, {-408, 0}},
	    {"down at the bottom stays taken", kVKeyDown, 0, {0, 916}, true, {0, 916}},
	    {"with shift", kVKeyDown, kModifierShift, {0, 0}, false, {0, 0}},
	    {"with control", kVKeyPageDown, kModifierControl, {0, 0}, false, {0, 0}},
	    {"another key", kVKeyReturn, 0, {0, 0}, false, {0, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
		auto control = new RecordingControl(CRect(10, 10, 30, 30));
		scrollView->addView(control);
		focus(control);
		scrollTo(scrollView->getVerticalScrollbar(), float(c.start.y / 916.));
		scrollTo(scrollView->getHorizontalScrollbar(), float(-c.start.x / 816.));
		ASSERT_EQ(scrollView->getScrollOffset(), c.start);
		window->drawInvalidRects();
		EXPECT_EQ(keyDown(c.virt, c.modifier), c.handled);
		EXPECT_EQ(scrollView->getScrollOffset(), c.expected);
		expectWindowAsRepainted();
	}
}

TEST_F(ScrollViewInputTest, KeysPassWhenTheirBarCannotScroll)
{
	struct Case
	{
		const char* name;
		int32 style;
		CRect content;
		uint8 virt;
	};
	const Case cases[] = {
	    {"no vertical bar", CScrollView::kHorizontalScrollbar | kNoFrame, {0, 0, 1000, 1000}, kVKeyDown},
	    {"no vertical bar: page", CScrollView::kHorizontalScrollbar | kNoFrame, {0, 0, 1000, 1000},
	     kVKeyPageDown},
	    {"no horizontal bar", kVertical | kNoFrame, {0, 0, 1000, 1000}, kVKeyRight},
	    {"content as high as the view", kBoth | kNoFrame, {0, 0, 1000, 84}, kVKeyEnd},
	    {"content as wide as the view", kBoth | kNoFrame, {0, 0, 184, 1000}, kVKeyLeft},
	    {"auto-hidden bars", kBoth | kNoFrame | CScrollView::kAutoHideScrollbars, {0, 0, 100, 50},
	     kVKeyDown},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addScrollView(c.content, c.style);
		auto control = new RecordingControl(CRect(10, 10, 30, 30));
		scrollView->addView(control);
		focus(control);
		EXPECT_FALSE(keyDown(c.virt));
		EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
	}
}

TEST_F(ScrollViewInputTest, AKeyTheFocusViewTakesDoesNotScroll)
{
	class KeyTaker : public RecordingControl
	{
	public:
		using RecordingControl::RecordingControl;
		int32 onKeyDown(MoxKeyCode&) override { return kKeyHandled; }
	};
	addScrollView({0, 0, 1000, 1000}, kBoth | kNoFrame);
	auto control = new KeyTaker(CRect(10, 10, 30, 30));
	scrollView->addView(control);
	focus(control);
	EXPECT_TRUE(keyDown(kVKeyDown));
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
}

// ---- Following the focus ----

TEST_F(ScrollViewInputTest, TheFocusViewIsScrolledIntoView)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame | CScrollView::kFollowFocusView);
	auto top = new RecordingControl(CRect(10, 10, 30, 30));
	auto middle = new RecordingControl(CRect(10, 300, 30, 330));
	auto low = new RecordingControl(CRect(10, 600, 30, 630));
	// A control inside a container of the content: its place in the content
	// is its own plus the container's.
	auto group = new CViewContainer(CRect(0, 800, 184, 900));
	group->setTransparency(true);
	auto nested = new RecordingControl(CRect(10, 50, 30, 70));
	group->addView(nested);
	for (CView* view : {static_cast<CView*>(top), static_cast<CView*>(middle), static_cast<CView*>(low),
	                    static_cast<CView*>(group)})
		scrollView->addView(view);

	struct Step
	{
		const char* name;
		CView* focused;
		double expectedOffset;
	};
	const Step steps[] = {
	    {"below: its bottom at the bottom", low, 530},
	    {"above, while scrolled: its top at the top", middle, 300},
	    {"nested, below", nested, 770},
	    {"back at the top", top, 10},
	    {"already shown", top, 10},
	};
	for (const auto& step : steps)
	{
		SCOPED_TRACE(step.name);
		focus(step.focused);
		EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, step.expectedOffset));
		focus(nullptr);
	}
	expectWindowAsRepainted();
}

TEST_F(ScrollViewInputTest, WithoutFollowFocusTheFocusViewStaysWhereItIs)
{
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	auto low = new RecordingControl(CRect(10, 600, 30, 630));
	scrollView->addView(low);
	focus(low);
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, 0));
}

// ---- Listeners that change the tree while the content scrolls ----

// A listener of the content may take the scroll view out of the tree as it
// moves the content to show the new focus view.
TEST_F(ScrollViewInputTest, AContentListenerMayRemoveTheScrollViewFollowingTheFocus)
{
	class Remover : public ViewListenerAdapter
	{
	public:
		void viewSizeChanged(CView*, const CRect&) override
		{
			if (remove)
				std::exchange(remove, nullptr)();
		}
		void viewWillDelete(CView* view) override { view->unregisterViewListener(this); }
		std::function<void()> remove;
	} remover;
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame | CScrollView::kFollowFocusView);
	auto low = new RecordingControl(CRect(10, 600, 30, 630));
	scrollView->addView(low);
	pattern->registerViewListener(&remover);
	remover.remove = [this] { page->removeView(scrollView); };
	frame->setFocusView(low);
	EXPECT_EQ(page->getNbViews(), 0u);
	EXPECT_EQ(frame->getFocusView(), nullptr);
	paint();
}

TEST_F(ScrollViewInputTest, ABarListenerMayRemoveTheScrollViewAsItScrolls)
{
	struct Case
	{
		const char* name;
		std::function<void()> scroll;
	};
	const Case cases[] = {
	    {"by the wheel", [this] { wheelOn(atView(50, 50), kWheelAxisY, -1.f); }},
	    {"by a key", [this] { keyDown(kVKeyDown); }},
	    {"by a press on the track",
	     [this] {
		     press(atView(192, 90));
		     platform->advance(1000);
		     release(atView(192, 90));
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
		auto control = new RecordingControl(CRect(10, 10, 30, 30));
		scrollView->addView(control);
		focus(control);
		LoggingListener bystander("bystander", log);
		int removals = 0;
		bystander.onChanged = [&](CControl*) {
			++removals;
			page->removeView(scrollView);
		};
		scrollView->getVerticalScrollbar()->registerControlListener(&bystander);
		const size_t timersBefore = platform->getRunningTimerCount();
		c.scroll();
		EXPECT_EQ(removals, 1);
		EXPECT_EQ(page->getNbViews(), 0u);
		EXPECT_EQ(frame->getFocusView(), nullptr);
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		paint();
	}
}

// A handler that takes the scroll view away while the wheel is offered to
// the content must not leave the bar to scroll a view no longer shown.
TEST_F(ScrollViewInputTest, AWheelHandlerMayRemoveTheScrollView)
{
	class Remover : public RecordingView
	{
	public:
		using RecordingView::RecordingView;
		bool onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&) override
		{
			if (remove)
				remove();
			return false;
		}
		std::function<void()> remove;
	};
	addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
	auto remover = new Remover(CRect(0, 0, 184, 100));
	remover->remove = [this] { page->removeView(scrollView); };
	scrollView->addView(remover);
	SharedPointer<CScrollView> held = scrollView;
	EXPECT_FALSE(wheelOn(atView(50, 50), kWheelAxisY, -1.f));
	EXPECT_FALSE(held->isAttached());
	EXPECT_EQ(held->getVerticalScrollbar()->getValue(), 0.f);
	EXPECT_EQ(held->getScrollOffset(), CPoint(0, 0));
}

// Each child moves by the offset, even when a listener of one of them
// removes a sibling or the whole scroll view on the way.
TEST_F(ScrollViewInputTest, AChildsSizeListenerMayRemoveViewsWhileTheContentMoves)
{
	class SizeListener : public ViewListenerAdapter
	{
	public:
		void viewSizeChanged(CView* view, const CRect&) override
		{
			if (onSize)
				std::exchange(onSize, nullptr)(view);
		}
		void viewWillDelete(CView* view) override { view->unregisterViewListener(this); }
		std::function<void(CView*)> onSize;
	};
	struct Case
	{
		const char* name;
		bool removeScrollView;
	};
	for (const Case& c : {Case {"a later sibling", false}, Case {"the scroll view", true}})
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		addScrollView({0, 0, 184, 1000}, kVertical | kNoFrame);
		auto first = new CView(CRect(0, 100, 50, 150));
		auto second = new CView(CRect(0, 200, 50, 250));
		auto third = new CView(CRect(0, 300, 50, 350));
		scrollView->addView(first);
		scrollView->addView(second);
		scrollView->addView(third);
		SharedPointer<CView> heldFirst = first;
		SharedPointer<CView> heldThird = third;
		SizeListener listener;
		first->registerViewListener(&listener);
		listener.onSize = [&](CView*) {
			if (c.removeScrollView)
				page->removeView(scrollView);
			else
				scrollView->removeView(second);
		};
		scrollTo(scrollView->getVerticalScrollbar(), float(50. / 900.));
		EXPECT_EQ(heldFirst->getViewSize(), CRect(0, 50, 50, 100));
		EXPECT_EQ(heldThird->getViewSize(), CRect(0, 250, 50, 300));
		if (!c.removeScrollView)
		{
			EXPECT_EQ(scrollView->getNbViews(), 3u);
			expectWindowAsRepainted();
		}
		first->unregisterViewListener(&listener);
	}
}

} // namespace
} // namespace Kavrin::Test
