#include "tests/support/recording.h"

#include "lib/ctooltipsupport.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/printers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr uint32 kDelay = 500;
// The phases after the first delay.
constexpr uint32 kSwitch = 50;
constexpr uint32 kSettle = 100;
constexpr uint32 kHide = 200;

// An open 200 x 200 frame on a headless platform, with tooltips after
// kDelay. The mouse is moved and pressed through the frame's platform calls.
class TooltipTest : public ::testing::Test
{
protected:
	TooltipTest()
	{
		setPlatform(platform);
		openFrame();
	}
	~TooltipTest() override
	{
		if (frame)
			frame->close();
		setPlatform(nullptr);
	}

	void openFrame()
	{
		frame = new CFrame(CRect(0, 0, 200, 200));
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		headless = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		frame->enableTooltips(true, kDelay);
	}

	RecordingView* addView(const CRect& size, const char* tooltip,
	                       CViewContainer* parentView = nullptr)
	{
		auto view = new RecordingView(size);
		if (tooltip)
			view->setTooltipText(tooltip);
		(parentView ? parentView : frame)->addView(view);
		return view;
	}

	void moveTo(double x, double y)
	{
		mouse = CPoint(x, y);
		CPoint where = mouse;
		frame->platformOnMouseMoved(where, CButtonState());
	}
	void moveBy(double dx, double dy) { moveTo(mouse.x + dx, mouse.y + dy); }
	void press()
	{
		CPoint where = mouse;
		frame->platformOnMouseDown(where, CButtonState(kLeftButton));
		where = mouse;
		frame->platformOnMouseUp(where, CButtonState(kLeftButton));
	}
	void advance(uint32 ms) { platform->advance(ms); }

	bool shown() const { return headless->tooltipShown; }
	CTooltipSupport::State state() const { return frame->getTooltipSupport()->getState(); }
	size_t runningTimers() const { return platform->getRunningTimerCount(); }

	// Moves into view at where and waits until its tooltip is settled.
	void showSettled(double x, double y)
	{
		moveTo(x, y);
		advance(kDelay + kSettle);
		ASSERT_TRUE(shown());
		ASSERT_EQ(state(), CTooltipSupport::kVisible);
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	int parent {0};
	CFrame* frame {nullptr};
	HeadlessFrame* headless {nullptr};
	CPoint mouse;
};

TEST_F(TooltipTest, TooltipShowsAfterTheDelayWithItsTextOverTheViewInFrameCoordinates)
{
	struct Case
	{
		const char* name;
		double zoom;
		CRect container; // empty: the view sits in the frame
		CRect view;
		CPoint mouse; // as the platform reports it
		CRect expected;
	};
	const std::vector<Case> cases {
	    {"child of the frame", 1., {}, {20, 30, 80, 60}, {40, 40}, {20, 30, 80, 60}},
	    {"inside an offset container",
	     1.,
	     {50, 50, 190, 190},
	     {10, 20, 60, 50},
	     {70, 80},
	     {60, 70, 110, 100}},
	    {"clipped by its container",
	     1.,
	     {50, 50, 150, 150},
	     {60, 60, 140, 140},
	     {120, 120},
	     {110, 110, 150, 150}},
	    {"in a zoomed frame", 2., {}, {20, 30, 80, 60}, {80, 80}, {40, 60, 160, 120}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		frame->removeAll();
		moveTo(199, 199);
		if (c.zoom != frame->getZoom())
		{
			ASSERT_TRUE(frame->setZoom(c.zoom));
		}
		CViewContainer* container = nullptr;
		if (!c.container.isEmpty())
		{
			container = new CViewContainer(c.container);
			frame->addView(container);
		}
		addView(c.view, "Gain in dB", container);
		headless->tooltipText.clear();

		moveTo(c.mouse.x, c.mouse.y);
		advance(kDelay - 1);
		EXPECT_FALSE(shown()) << "not 1 ms before the delay";
		EXPECT_EQ(state(), CTooltipSupport::kPending);
		advance(1);
		EXPECT_TRUE(shown());
		EXPECT_EQ(headless->tooltipText, "Gain in dB");
		EXPECT_EQ(headless->tooltipRect, c.expected);

		// Leave, let it hide, and start again from a clean controller.
		moveTo(1, 199);
		advance(kHide);
		EXPECT_FALSE(shown());
		EXPECT_EQ(state(), CTooltipSupport::kHidden);
	}
}

TEST_F(TooltipTest, SmallJigglesKeepTheTooltipAndLargerMovesHideIt200msLater)
{
	struct Case
	{
		const char* name;
		std::vector<CPoint> moves; // each relative to the one before
		bool hides;
	};
	const std::vector<Case> cases {
	    {"1.9 right", {{1.9, 0}}, false},
	    {"1.9 down", {{0, 1.9}}, false},
	    {"1.9 up and left", {{-1.9, -1.9}}, false},
	    {"drifting 1.5 at a time", std::vector<CPoint>(12, CPoint(1.5, 1.5)), false},
	    {"2 right", {{2, 0}}, true},
	    {"2 down", {{0, 2}}, true},
	    {"2.5 up", {{0, -2.5}}, true},
	    {"3 left, 1 down", {{-3, 1}}, true},
	    {"jiggle, then a move", {{1, 1}, {-1, 0}, {0, 5}}, true},
	};
	addView(CRect(20, 20, 120, 120), "tip");
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		moveTo(1, 1);
		advance(kHide);
		ASSERT_FALSE(shown());
		showSettled(50, 50);

		for (const auto& move : c.moves)
			moveBy(move.x, move.y);
		EXPECT_EQ(state(), c.hides ? CTooltipSupport::kHiding : CTooltipSupport::kVisible);
		advance(kHide - 1);
		EXPECT_TRUE(shown());
		advance(1);
		EXPECT_EQ(shown(), !c.hides);
		advance(2000);
		EXPECT_EQ(shown(), !c.hides);
	}
}

TEST_F(TooltipTest, MovesInTheFirst100msAfterShowingAreIgnored)
{
	addView(CRect(20, 20, 120, 120), "tip");
	moveTo(50, 50);
	advance(kDelay);
	ASSERT_TRUE(shown());
	EXPECT_EQ(state(), CTooltipSupport::kJustShown);

	advance(10);
	moveBy(20, 0);
	advance(kSettle - 11);
	moveBy(0, 20);
	EXPECT_EQ(state(), CTooltipSupport::kJustShown);
	advance(1);
	EXPECT_EQ(state(), CTooltipSupport::kVisible);
	advance(1000);
	EXPECT_TRUE(shown());
	EXPECT_EQ(runningTimers(), 0u) << "a settled tooltip needs no timer";

	// Once settled, the band is around the last position seen.
	moveBy(1, 1);
	EXPECT_EQ(state(), CTooltipSupport::kVisible);
	moveBy(10, 0);
	EXPECT_EQ(state(), CTooltipSupport::kHiding);
	advance(kHide);
	EXPECT_FALSE(shown());
}

// A shows and settles; the mouse leaves it for gapMs of empty frame and
// then enters B.
TEST_F(TooltipTest, EnteringASecondTooltipViewWhileTheFirstShowsIsQuick)
{
	struct Case
	{
		const char* name;
		uint32 gapMs; // 0: straight from A into B
		uint32 secondAfter;
	};
	const std::vector<Case> cases {
	    {"straight from one to the other", 0, kSwitch},
	    {"through a gap while the first is hiding", kHide - 1, kSwitch},
	    {"through a gap longer than the hiding phase", kHide, kDelay},
	};
	addView(CRect(10, 10, 60, 60), "first");
	auto b = addView(CRect(70, 10, 120, 60), "second");
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		moveTo(150, 150);
		advance(kDelay);
		ASSERT_FALSE(shown());
		showSettled(30, 30);

		if (c.gapMs)
		{
			moveTo(65, 30);
			advance(c.gapMs);
			EXPECT_EQ(shown(), c.gapMs < kHide);
		}
		moveTo(90, 30);
		EXPECT_EQ(state(), CTooltipSupport::kPending);
		advance(c.secondAfter - 1);
		if (c.secondAfter == kSwitch)
		{
			EXPECT_TRUE(shown());
			EXPECT_EQ(headless->tooltipText, "first")
			    << "the first stays up until the second shows";
		}
		else
		{
			EXPECT_FALSE(shown());
		}
		advance(1);
		EXPECT_TRUE(shown());
		EXPECT_EQ(headless->tooltipText, "second");
		EXPECT_EQ(headless->tooltipRect, b->getViewSize());
		EXPECT_EQ(frame->getTooltipSupport()->getCurrentView(), b);
	}
}

TEST_F(TooltipTest, MovingOnBeforeTheFirstTooltipShowsWaitsTheWholeDelayAgain)
{
	addView(CRect(10, 10, 60, 60), "first");
	addView(CRect(70, 10, 120, 60), "second");
	moveTo(30, 30);
	advance(kDelay - 1);
	moveTo(90, 30);
	EXPECT_EQ(state(), CTooltipSupport::kPending);
	advance(kDelay - 1);
	EXPECT_FALSE(shown());
	advance(1);
	EXPECT_TRUE(shown());
	EXPECT_EQ(headless->tooltipText, "second");
}

TEST_F(TooltipTest, ViewWithoutATooltipNeverStartsAPendingPhase)
{
	auto plain = addView(CRect(10, 10, 60, 60), nullptr);
	auto cleared = addView(CRect(70, 10, 120, 60), "gone soon");
	cleared->setTooltipText(nullptr);

	for (auto view : {plain, cleared})
	{
		moveTo(view->getViewSize().getCenter().x, view->getViewSize().getCenter().y);
		EXPECT_EQ(runningTimers(), 0u);
		EXPECT_EQ(state(), CTooltipSupport::kHidden);
		EXPECT_EQ(frame->getTooltipSupport()->getCurrentView(), nullptr);
		advance(kDelay * 3);
		EXPECT_FALSE(shown());
	}
}

TEST_F(TooltipTest, EmptyTooltipTextWaitsTheDelayThenShowsNothing)
{
	addView(CRect(10, 10, 60, 60), "");
	auto next = addView(CRect(70, 10, 120, 60), "next");

	moveTo(30, 30);
	EXPECT_EQ(state(), CTooltipSupport::kPending);
	EXPECT_EQ(runningTimers(), 1u);
	advance(kDelay);
	EXPECT_FALSE(shown());
	EXPECT_EQ(state(), CTooltipSupport::kHidden);
	EXPECT_EQ(runningTimers(), 0u);

	// Back to hidden: the next tooltip waits the whole delay again.
	moveTo(90, 30);
	advance(kDelay - 1);
	EXPECT_FALSE(shown());
	advance(1);
	EXPECT_EQ(headless->tooltipText, "next");
	EXPECT_EQ(frame->getTooltipSupport()->getCurrentView(), next);
}

TEST_F(TooltipTest, PressHidesTheTooltipWhateverPhaseItIsIn)
{
	struct Case
	{
		const char* name;
		std::function<void()> reach;
		CTooltipSupport::State before;
	};
	const std::vector<Case> cases {
	    {"waiting", [this] { advance(kDelay - 1); }, CTooltipSupport::kPending},
	    {"just shown", [this] { advance(kDelay + 1); }, CTooltipSupport::kJustShown},
	    {"settled", [this] { advance(kDelay + kSettle); }, CTooltipSupport::kVisible},
	    {"hiding",
	     [this]
	     {
		     advance(kDelay + kSettle);
		     moveBy(10, 10);
		     advance(kHide / 2);
	     },
	     CTooltipSupport::kHiding},
	};
	addView(CRect(20, 20, 120, 120), "tip");
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		moveTo(1, 1);
		advance(kHide);
		moveTo(40, 40);
		c.reach();
		ASSERT_EQ(state(), c.before);

		press();
		EXPECT_FALSE(shown());
		EXPECT_EQ(state(), CTooltipSupport::kHidden);
		EXPECT_EQ(runningTimers(), 0u);
		moveBy(1, 0);
		advance(kDelay * 3);
		EXPECT_FALSE(shown()) << "nothing comes back while the mouse stays in the view";
	}
}

TEST_F(TooltipTest, TooltipViewRemovedBeforeItsTooltipShowsIsDroppedSilently)
{
	struct Case
	{
		const char* name;
		bool removeContainer; // else the view itself
		bool keepReference;   // the test still holds the view
	};
	const std::vector<Case> cases {
	    {"the view is removed and released", false, false},
	    {"the view is removed but kept alive elsewhere", false, true},
	    {"its container is removed", true, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		AssertionRecorder assertions;
		frame->removeAll();
		moveTo(199, 199);
		auto container = new CViewContainer(CRect(10, 10, 110, 110));
		frame->addView(container);
		SharedPointer<CView> view = addView(CRect(10, 10, 60, 60), "tip", container);
		CView* removed = view;
		if (!c.keepReference)
			view = nullptr;
		moveTo(40, 40);
		ASSERT_EQ(state(), CTooltipSupport::kPending);
		advance(kDelay / 2);

		if (c.removeContainer)
			frame->removeView(container);
		else
			container->removeView(removed);
		advance(kDelay * 2);
		EXPECT_FALSE(shown());
		EXPECT_EQ(state(), CTooltipSupport::kHidden);
		EXPECT_EQ(frame->getTooltipSupport()->getCurrentView(), nullptr);
		EXPECT_EQ(runningTimers(), 0u);
		EXPECT_TRUE(assertions.reports.empty());
	}
}

// The view leaves the frame while the mouse still rests where it was; the
// controller must not hold on to it.
TEST_F(TooltipTest, RemovingTheViewOfAShownTooltipHidesIt)
{
	auto view = addView(CRect(20, 20, 120, 120), "tip");
	showSettled(50, 50);
	frame->removeView(view);
	EXPECT_EQ(frame->getTooltipSupport()->getCurrentView(), nullptr);
	advance(kHide);
	EXPECT_FALSE(shown());
	EXPECT_EQ(runningTimers(), 0u);
}

// Each way of ending, with the tooltip still waiting and with it shown: the
// timer stops, the platform tooltip goes, and nothing shows afterwards.
TEST_F(TooltipTest, EndingTooltipsStopsTheTimerAndHidesTheTooltip)
{
	struct Case
	{
		const char* name;
		std::function<void()> end;
	};
	const std::vector<Case> cases {
	    {"frame closed",
	     [this]
	     {
		     frame->close();
		     frame = nullptr;
	     }},
	    {"tooltips disabled", [this] { frame->enableTooltips(false); }},
	    {"mouse left the frame",
	     [this]
	     {
		     CPoint outside(250, 250);
		     frame->platformOnMouseExited(outside, CButtonState());
	     }},
	};
	for (const auto& c : cases)
	{
		for (bool shownFirst : {false, true})
		{
			SCOPED_TRACE(std::string(c.name) +
			             (shownFirst ? ", tooltip shown" : ", tooltip pending"));
			if (!frame)
				openFrame();
			frame->enableTooltips(true, kDelay);
			frame->removeAll();
			moveTo(1, 1);
			advance(kHide);
			addView(CRect(20, 20, 120, 120), "tip");
			SharedPointer<IPlatformFrame> platformFrame = headless;

			moveTo(50, 50);
			advance(shownFirst ? kDelay + kSettle / 2 : kDelay - 10);
			ASSERT_EQ(runningTimers(), 1u);
			ASSERT_EQ(headless->tooltipShown, shownFirst);
			c.end();
			EXPECT_EQ(runningTimers(), 0u);
			EXPECT_FALSE(headless->tooltipShown);
			advance(kDelay * 2);
			EXPECT_FALSE(headless->tooltipShown);
		}
	}
}

} // namespace
} // namespace Kavrin::Test
