// A frame in a real X11 window wakes only when something asks: no timer
// runs while it is left alone, a view dirtied from another thread wakes the
// loop through its descriptor, and a view that keeps changing is painted
// once a display frame.

#include "lib/platform/x11/x11frame.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace Kavrin::Test {
namespace {

// Fills itself with the colour of the level another thread sets.
class LevelView : public CView
{
public:
	using CView::CView;

	void draw(CDrawContext* context) override
	{
		context->setFillColor(level.load() ? CColor(0, 0, 255) : CColor(255, 0, 0));
		context->drawRect(getViewSize(), kDrawFilled);
		setDirty(false);
	}

	std::atomic<int> level {0};
};

// Marks itself dirty again each time it is drawn, and notes when the idle
// pass invalidated it: an animation that never stops.
class RestlessView : public CView
{
public:
	using CView::CView;

	void invalid() override
	{
		passTicks.push_back(IPlatformFrame::getTicks());
		CView::invalid();
	}
	void draw(CDrawContext* context) override
	{
		CView::draw(context);
		setDirty(true);
	}

	std::vector<uint32> passTicks;
};

class X11IdleTest : public X11WindowTest
{
protected:
	DefaultRunLoop* loop() const { return static_cast<DefaultRunLoop*>(platform->getRunLoop()); }
	xcb_window_t frameWindow() const
	{
		return static_cast<xcb_window_t>(
		    reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}
	uint32 framesShown() const
	{
		return static_cast<X11Frame*>(frame->getPlatformFrame())->getFramesShown();
	}

	// Runs the loop, each turn sleeping until a descriptor is readable or a
	// timer is due, until the condition holds (two seconds at most).
	template <typename Condition>
	bool waitUntil(Condition condition)
	{
		auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
		while (!condition() && std::chrono::steady_clock::now() < end)
			loop()->runOnce(100);
		return condition();
	}
};

TEST_F(X11IdleTest, AnOpenPaintedFrameLeftAloneRunsNoTimer)
{
	frame->addView(new LevelView(CRect(0, 0, 100, 100)));
	open();
	ASSERT_GT(framesShown(), 0u);
	EXPECT_EQ(loop()->getTimerCount(), 0u);

	const uint32 shown = framesShown();
	pump(100);
	EXPECT_EQ(framesShown(), shown) << "nothing to paint";
	EXPECT_EQ(loop()->getTimerCount(), 0u);
}

TEST_F(X11IdleTest, AViewDirtiedFromAnotherThreadReachesTheWindowWithoutPolling)
{
	auto view = new LevelView(CRect(0, 0, 100, 100));
	frame->addView(view);
	open();
	ASSERT_TRUE(waitUntil([&] { return windowPixel(frameWindow(), 50, 50) == 0xFF0000; }));
	ASSERT_EQ(loop()->getTimerCount(), 0u) << "no timer polls for dirty views";

	std::thread feeder([view] {
		view->level = 1;
		view->setDirty(true);
	});
	feeder.join();
	EXPECT_TRUE(waitUntil([&] { return windowPixel(frameWindow(), 50, 50) == 0x0000FF; }));
	EXPECT_EQ(loop()->getTimerCount(), 0u);
}

// A view dirtied on every pass is painted at display rate: passes are at
// least a display frame apart, yet keep coming.
TEST_F(X11IdleTest, AViewThatKeepsChangingIsPaintedOnceADisplayFrame)
{
	auto view = new RestlessView(CRect(0, 0, 50, 50));
	frame->addView(view);
	open();
	view->passTicks.clear();
	view->setDirty(true);
	ASSERT_TRUE(waitUntil([&] { return view->passTicks.size() >= 10; }));
	// Passes start 16 ms apart; the walk may note its tick one later.
	for (size_t i = 1; i < view->passTicks.size(); ++i)
		EXPECT_GE(view->passTicks[i] - view->passTicks[i - 1], 15u) << "pass " << i;

	frame->removeView(view);
	pump(50);
	EXPECT_EQ(loop()->getTimerCount(), 0u) << "once it is gone, nothing runs";
}

} // namespace
} // namespace Kavrin::Test
