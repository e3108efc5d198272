// The frame's idle pass runs on demand: marking a view dirty asks the
// platform for one pass, and a frame with nothing to do runs no timer.

#include "tests/support/recording.h"

#include "lib/controls/cknob.h"
#include "lib/ctooltipsupport.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

// Marks itself dirty again whenever the idle pass invalidates it, as a view
// that animates would.
class RestlessView : public CView
{
public:
	using CView::CView;

	void invalid() override
	{
		++invalidations;
		CView::invalid();
		setDirty(true);
	}

	int invalidations {0};
};

// An open frame on a headless platform, painted once, with a plain view, a
// knob and a view with a tooltip.
class IdlePassTest : public ::testing::Test
{
protected:
	IdlePassTest()
	{
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 300, 200));
		frame->enableTooltips(true, kTooltipDelay);
		view = new RecordingView(CRect(10, 10, 50, 50));
		frame->addView(view);
		knob = new CKnob(CRect(60, 10, 100, 50));
		frame->addView(knob);
		tooltipView = new RecordingView(CRect(110, 10, 150, 50));
		tooltipView->setTooltipText("explains");
		frame->addView(tooltipView);
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->drawInvalidRects();
		window->runPendingIdle();
		window->invalidRects.clear();
	}
	~IdlePassTest() override
	{
		if (frame)
			frame->close();
		setPlatform(nullptr);
	}

	void moveMouse(const CPoint& where)
	{
		CPoint point = where;
		frame->platformOnMouseMoved(point, CButtonState());
	}

	// Nothing asked for and nothing running.
	void expectIdle(const std::string& after)
	{
		EXPECT_FALSE(window->isIdlePending()) << after;
		EXPECT_EQ(platform->getRunningTimerCount(), 0u) << after;
	}

	static constexpr uint32 kTooltipDelay = 600;

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	int parent {0};
	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
	RecordingView* view {nullptr};
	CKnob* knob {nullptr};
	RecordingView* tooltipView {nullptr};
};

TEST_F(IdlePassTest, AnOpenPaintedFrameRunsNoTimerAndAsksForNoPass)
{
	expectIdle("after painting");
	window->drawInvalidRects();
	EXPECT_FALSE(window->runPendingIdle());
	EXPECT_TRUE(window->invalidRects.empty());
}

// Every service that runs a timer stops it once its work is done.
TEST_F(IdlePassTest, TimersRunOnlyWhileTheyHaveWork)
{
	struct Case
	{
		const char* name;
		std::function<void()> start;
		uint32 workMilliseconds;
	};
	const Case cases[] = {
	    {"a tooltip shown and hidden again",
	     [&] {
		     moveMouse(CPoint(120, 20));
		     platform->advance(kTooltipDelay + 200);
		     EXPECT_TRUE(window->tooltipShown);
		     moveMouse(CPoint(200, 150));
	     },
	     1000},
	    {"a wheel edit on the knob",
	     [&] {
		     moveMouse(CPoint(80, 30));
		     frame->platformOnMouseWheel(CPoint(80, 30), kWheelAxisY, 1.f, CButtonState());
	     },
	     1000},
	    {"a view that wanted idle calls for a while",
	     [&] {
		     view->setWantsIdle(true);
		     platform->advance(100);
		     view->setWantsIdle(false);
	     },
	     0},
	};
	for (const auto& c : cases)
	{
		c.start();
		platform->advance(c.workMilliseconds);
		window->runPendingIdle();
		window->drawInvalidRects();
		window->runPendingIdle();
		expectIdle(c.name);
	}
}

TEST_F(IdlePassTest, MarkingAViewDirtyAsksForOnePassThatInvalidatesItThenNothingRuns)
{
	view->setDirty(true);
	view->setDirty(true);
	knob->setDirty(true);
	EXPECT_TRUE(window->isIdlePending());
	EXPECT_EQ(platform->getRunningTimerCount(), 0u) << "no timer polls for the pass";

	EXPECT_TRUE(window->runPendingIdle());
	const auto& rects = window->invalidRects;
	EXPECT_EQ(rects.size(), 2u);
	EXPECT_NE(std::find(rects.begin(), rects.end(), CRect(10, 10, 50, 50)), rects.end());
	EXPECT_NE(std::find(rects.begin(), rects.end(), CRect(60, 10, 100, 50)), rects.end());
	EXPECT_FALSE(view->isDirty());

	window->invalidRects.clear();
	EXPECT_FALSE(window->runPendingIdle()) << "one pass for all the marks before it";
	expectIdle("after the pass");
}

TEST_F(IdlePassTest, OnlyMarkingAnAttachedViewOfAnOpenFrameDirtyAsksForAPass)
{
	struct Case
	{
		const char* name;
		std::function<void()> mark;
		bool asks;
	};
	auto loose = owned(new CView(CRect(0, 0, 10, 10)));
	const Case cases[] = {
	    {"an attached view marked dirty", [&] { view->setDirty(true); }, true},
	    {"the frame's invalidate over a view", [&] { frame->invalidate(CRect(0, 0, 20, 20)); },
	     true},
	    {"an attached view marked clean", [&] { view->setDirty(false); }, false},
	    {"a detached view marked dirty", [&] { loose->setDirty(true); }, false},
	};
	for (const auto& c : cases)
	{
		c.mark();
		EXPECT_EQ(window->isIdlePending(), c.asks) << c.name;
		window->runPendingIdle();
		window->invalidRects.clear();
	}
}

TEST_F(IdlePassTest, MarkingAViewDirtyWhileInvalidatingAtOnceAsksForNoPass)
{
	CView::kDirtyCallAlwaysOnMainThread = true;
	view->setDirty(true);
	CView::kDirtyCallAlwaysOnMainThread = false;
	EXPECT_EQ(window->invalidRects, (std::vector<CRect> {CRect(10, 10, 50, 50)}));
	EXPECT_FALSE(window->isIdlePending());
}

// The request is taken before the walk: a view that is marked dirty while
// the pass runs gets the next pass.
TEST_F(IdlePassTest, AViewMarkedDirtyDuringThePassAsksForTheNext)
{
	auto restless = new RestlessView(CRect(200, 100, 240, 140));
	frame->addView(restless);
	restless->setDirty(true);
	const int before = restless->invalidations;
	for (int pass = 1; pass <= 3; ++pass)
	{
		ASSERT_TRUE(window->runPendingIdle()) << "pass " << pass;
		EXPECT_EQ(restless->invalidations, before + pass);
	}
	frame->removeView(restless);
	window->runPendingIdle();
	EXPECT_FALSE(window->runPendingIdle()) << "a removed view asks for nothing";
}

TEST_F(IdlePassTest, AViewMarkedDirtyFromAnotherThreadAsksForAPassThatInvalidatesIt)
{
	std::thread feeder([this] { view->setDirty(true); });
	feeder.join();
	EXPECT_TRUE(window->isIdlePending());
	EXPECT_TRUE(window->runPendingIdle());
	EXPECT_EQ(window->invalidRects, (std::vector<CRect> {CRect(10, 10, 50, 50)}));
}

TEST_F(IdlePassTest, AClosedFrameAsksItsFormerWindowForNothing)
{
	SharedPointer<CFrame> keptFrame = frame;
	SharedPointer<HeadlessFrame> keptWindow = window;
	std::exchange(frame, nullptr)->close();
	keptFrame->setDirty(true);
	keptFrame->requestIdle();
	EXPECT_FALSE(keptWindow->isIdlePending());
}

} // namespace
} // namespace Kavrin::Test
