// The frame's animator on the headless virtual clock: animations start on
// the first tick after they were added, tick while their position changes,
// end naturally or by removal, and the one animation timer runs exactly
// while something animates.

#include "tests/support/recording.h"
#include "tests/support/recordingtarget.h"

#include "lib/animation/animator.h"
#include "lib/animation/timingfunctions.h"
#include "lib/ckavrintimer.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformbitmap.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/platform/platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace Kavrin::Animation;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class LoggedView : public CView
{
public:
	LoggedView(const CRect& size, AnimationLog& log, std::string label)
	: CView(size), log(log), label(std::move(label))
	{
	}
	~LoggedView() noexcept override { log.push_back(label + " deleted"); }

private:
	AnimationLog& log;
	std::string label;
};

class LoggedFrame : public CFrame
{
public:
	LoggedFrame(AnimationLog& log, std::string label) : CFrame(CRect(0, 0, 200, 200)), log(log), label(std::move(label)) {}
	~LoggedFrame() noexcept override { log.push_back(label + " deleted"); }

private:
	AnimationLog& log;
	std::string label;
};

// A timing function that is also reference counted.
class CountedTimingFunction : public LinearTimingFunction, public CBaseObject
{
public:
	using LinearTimingFunction::LinearTimingFunction;
};

// Counts how often the animator asks for a position.
class CountingTimingFunction : public LinearTimingFunction
{
public:
	CountingTimingFunction(uint32 length, int& calls) : LinearTimingFunction(length), calls(calls) {}
	float getPosition(uint32 milliseconds) override
	{
		++calls;
		return LinearTimingFunction::getPosition(milliseconds);
	}

private:
	int& calls;
};

// An open frame with one view on a headless platform. Nothing animates when
// a test begins, and nothing may when it ends.
class AnimatorTest : public ::testing::Test
{
protected:
	AnimatorTest()
	{
		setPlatform(platform);
		openFrame();
		EXPECT_EQ(runningTimers(), 0u);
	}
	~AnimatorTest() override
	{
		if (frame)
			frame->close();
		frameHolder = nullptr;
		EXPECT_EQ(Detail::Timer::gInstance, nullptr) << "the animation timer outlived its animations";
		EXPECT_EQ(runningTimers(), 0u);
		setPlatform(nullptr);
	}

	// Replaces the frame (closing the one before) by a new one holding view.
	void openFrame()
	{
		if (frame)
			frame->close();
		frame = new LoggedFrame(log, "frame");
		frameHolder = frame;
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		view = addView("view");
	}
	CView* addView(const std::string& label, CViewContainer* container = nullptr)
	{
		auto added = new LoggedView(CRect(10, 10, 60, 60), log, label);
		(container ? container : frame)->addView(added);
		return added;
	}

	RecordingTarget* target(const std::string& label) { return new RecordingTarget(log, label); }
	DoneFunction done(const std::string& label)
	{
		return [this, label](CView*, const char*, IAnimationTarget*) { log.push_back(label + " done"); };
	}
	void tick(uint32 count = 1) { platform->advance(Detail::Timer::kInterval * count); }
	size_t runningTimers() const { return platform->getRunningTimerCount(); }
	AnimationLog takeLog() { return std::exchange(log, {}); }

	AnimationLog log;
	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	int parent {0};
	CFrame* frame {nullptr};
	SharedPointer<CFrame> frameHolder;
	CView* view {nullptr};
};

TEST_F(AnimatorTest, StartsOnTheFirstTickThenTicksUntilItsEnd)
{
	// Parts of the toolkit read a time of 0 as "not started".
	ASSERT_GT(IPlatformFrame::getTicks(), 0u);
	view->addAnimation("fade", target("target"), new LinearTimingFunction(64), done("fade"));
	EXPECT_THAT(log, IsEmpty());
	tick();
	EXPECT_THAT(takeLog(), ElementsAre("fade start", "fade tick 0"));
	tick(4);
	EXPECT_THAT(takeLog(), ElementsAre("fade tick 0.25", "fade tick 0.5", "fade tick 0.75", "fade tick 1",
	                                   "fade finished", "fade done", "target deleted"));
	tick();
	EXPECT_THAT(log, IsEmpty());
	EXPECT_EQ(runningTimers(), 0u);
}

TEST_F(AnimatorTest, PositionsThatDidNotChangeAreNotTicked)
{
	auto holdsThenRuns = new InterpolationTimingFunction(64);
	holdsThenRuns->addPoint(0.5f, 0.f);
	view->addAnimation("fade", target("target"), holdsThenRuns);
	tick(5);
	EXPECT_THAT(log, ElementsAre("fade start", "fade tick 0", "fade tick 0.5", "fade tick 1", "fade finished",
	                             "target deleted"));
}

TEST_F(AnimatorTest, TheFirstPositionReachesTheTargetWhateverItIs)
{
	// -1 is also what an animation that never ticked remembers.
	view->addAnimation("swing", target("target"), new InterpolationTimingFunction(32, -1.f, 1.f));
	tick(3);
	EXPECT_THAT(log, ElementsAre("swing start", "swing tick -1", "swing tick 0", "swing tick 1", "swing finished",
	                             "target deleted"));
}

TEST_F(AnimatorTest, ASecondAnimationOfTheSameNameReplacesTheFirst)
{
	AnimationLog otherLog;
	auto other = addView("other");
	other->addAnimation("fade", new RecordingTarget(otherLog, "other"), new LinearTimingFunction(64));
	view->addAnimation("fade", target("first"), new LinearTimingFunction(64), done("first"));
	tick();
	takeLog();

	view->addAnimation("fade", target("second"), new LinearTimingFunction(32), done("second"));
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "first deleted"));
	tick(3);
	EXPECT_THAT(takeLog(), ElementsAre("fade start", "fade tick 0", "fade tick 0.5", "fade tick 1",
	                                   "fade finished", "second done", "second deleted"));
	// The same name on another view is another animation.
	tick();
	EXPECT_THAT(otherLog, ElementsAre("fade start", "fade tick 0", "fade tick 0.25", "fade tick 0.5",
	                                  "fade tick 0.75", "fade tick 1", "fade finished", "other deleted"));
}

TEST_F(AnimatorTest, AReplacementStartsOnTheTimersBeat)
{
	view->addAnimation("fade", target("first"), new LinearTimingFunction(64));
	tick();
	platform->advance(4);
	takeLog();
	view->addAnimation("fade", target("second"), new LinearTimingFunction(64));
	platform->advance(Detail::Timer::kInterval - 4);
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "first deleted", "fade start", "fade tick 0"));
	view->removeAllAnimations();
}

TEST_F(AnimatorTest, RemovalByNameDropsTheNotificationRemovalOfAllKeepsIt)
{
	struct Case
	{
		const char* what;
		std::function<void(CView*)> remove;
		AnimationLog expected;
		size_t timersAfter;
	};
	const Case cases[] = {
	    {"removeAnimation", [](CView* v) { v->removeAnimation("fade"); },
	     {"fade canceled", "fade target deleted"}, 1},
	    {"removeAllAnimations", [](CView* v) { v->removeAllAnimations(); },
	     {"fade canceled", "fade done", "fade target deleted", "move canceled", "move done", "move target deleted"},
	     0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		view->addAnimation("fade", target("fade target"), new LinearTimingFunction(64), done("fade"));
		view->addAnimation("move", target("move target"), new LinearTimingFunction(64), done("move"));
		tick();
		takeLog();
		c.remove(view);
		EXPECT_EQ(takeLog(), c.expected);
		EXPECT_EQ(runningTimers(), c.timersAfter);
		view->removeAllAnimations();
		takeLog();
	}
}

TEST_F(AnimatorTest, AViewsAnimationsEndWhenItLeavesTheFrame)
{
	auto container = new CViewContainer(CRect(100, 100, 200, 200));
	frame->addView(container);
	auto child = addView("child", container);
	view->addAnimation("fade", target("fade target"), new LinearTimingFunction(64), done("fade"));
	child->addAnimation("move", target("move target"), new LinearTimingFunction(64), done("move"));
	tick();
	takeLog();

	frame->removeView(view);
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "fade done", "fade target deleted", "view deleted"));
	frame->removeView(container);
	EXPECT_THAT(takeLog(), ElementsAre("move canceled", "move done", "move target deleted", "child deleted"));
	EXPECT_EQ(runningTimers(), 0u);
}

TEST_F(AnimatorTest, ClosingTheFrameEndsEveryAnimation)
{
	view->addAnimation("fade", target("view target"), new LinearTimingFunction(64), done("view"));
	frame->addAnimation("glow", target("frame target"), new LinearTimingFunction(64), done("frame"));
	tick();
	takeLog();

	frame->close();
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "view done", "view target deleted", "glow canceled",
	                                   "frame done", "frame target deleted", "view deleted"));
	EXPECT_EQ(runningTimers(), 0u);
	EXPECT_EQ(frame->getAnimator(), nullptr);
	// A closed frame starts nothing, and keeps nothing of what it was given.
	frame->addAnimation("late", target("late target"), new LinearTimingFunction(64));
	EXPECT_THAT(takeLog(), ElementsAre("late target deleted"));
	EXPECT_EQ(runningTimers(), 0u);
	// Its own animation no longer holds it.
	frameHolder = nullptr;
	EXPECT_THAT(log, ElementsAre("frame deleted"));
	frame = nullptr;
}

TEST_F(AnimatorTest, ADoneFunctionMayStartTheNextAnimation)
{
	int positionsAsked = 0;
	view->addAnimation("fade out", target("out target"), new LinearTimingFunction(32),
	                   [&](CView* animated, const char*, IAnimationTarget*) {
		                   log.push_back("out done");
		                   animated->addAnimation("fade in", target("in target"),
		                                          new CountingTimingFunction(32, positionsAsked));
	                   });
	tick(3);
	EXPECT_THAT(takeLog(), ElementsAre("fade out start", "fade out tick 0", "fade out tick 0.5", "fade out tick 1",
	                                   "fade out finished", "out done", "out target deleted"));
	EXPECT_EQ(runningTimers(), 1u);
	tick(3);
	EXPECT_THAT(takeLog(), ElementsAre("fade in start", "fade in tick 0", "fade in tick 0.5", "fade in tick 1",
	                                   "fade in finished", "in target deleted"));
	EXPECT_EQ(positionsAsked, 3) << "the animator ticks once per timer tick";
	EXPECT_EQ(runningTimers(), 0u);
}

TEST_F(AnimatorTest, ATargetThatRestartsItselfAtItsEndKeepsTheNotificationOfTheRunThatEnded)
{
	auto first = target("first");
	first->onFinished = [this](CView* animated, const char* name, bool wasCanceled) {
		if (!wasCanceled)
			animated->addAnimation(name, target("second"), new LinearTimingFunction(16), done("second"));
	};
	view->addAnimation("pulse", first, new LinearTimingFunction(16), done("first"));
	tick(2);
	EXPECT_THAT(takeLog(), ElementsAre("pulse start", "pulse tick 0", "pulse tick 1", "pulse finished",
	                                   "first done", "first deleted"));
	tick(2);
	EXPECT_THAT(takeLog(), ElementsAre("pulse start", "pulse tick 0", "pulse tick 1", "pulse finished",
	                                   "second done", "second deleted"));
}

TEST_F(AnimatorTest, TheAnimationTimerExistsExactlyWhileSomethingAnimates)
{
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	auto otherFrame = owned(new CFrame(CRect(0, 0, 100, 100)));
	otherFrame->remember(); // close() drops one
	ASSERT_TRUE(otherFrame->open(&parent, kHeadless));
	auto otherView = new CView(CRect(0, 0, 10, 10));
	otherFrame->addView(otherView);

	view->addAnimation("a", target("a target"), new LinearTimingFunction(32));
	EXPECT_NE(Detail::Timer::gInstance, nullptr);
	EXPECT_EQ(runningTimers(), 1u);
	otherView->addAnimation("b", target("b target"), new LinearTimingFunction(64));
	EXPECT_EQ(runningTimers(), 1u) << "one timer for every frame";
	tick(3);
	EXPECT_THAT(log, Contains("a finished"));
	EXPECT_EQ(runningTimers(), 1u);
	tick(2);
	EXPECT_THAT(log, Contains("b finished"));
	EXPECT_EQ(runningTimers(), 0u);
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);

	view->addAnimation("c", target("c target"), new LinearTimingFunction(32));
	EXPECT_EQ(runningTimers(), 1u);
	view->removeAnimation("c");
	EXPECT_EQ(runningTimers(), 0u) << "gone with the last animation, not a tick later";
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	otherFrame->close();
}

class FinishedReceiver : public CBaseObject
{
public:
	struct Received
	{
		const char* message;
		bool fromFinishedMessage;
		CView* view;
		std::string name;
		IAnimationTarget* target;
	};

	NotifyResult notify(CBaseObject* sender, const char* message) override
	{
		auto finished = dynamic_cast<FinishedMessage*>(sender);
		received.push_back({message, finished != nullptr, finished ? finished->getView() : nullptr,
		                    finished ? finished->getName() : "", finished ? finished->getTarget() : nullptr});
		return kMessageHandled;
	}

	std::vector<Received> received;
};

TEST_F(AnimatorTest, ANotificationObjectIsToldWithAFinishedMessage)
{
	auto receiver = makeOwned<FinishedReceiver>();
	auto fadeTarget = target("target");
	view->addAnimation("fade", fadeTarget, new LinearTimingFunction(16), receiver.get());
	EXPECT_EQ(receiver->getNbReference(), 2) << "held while the animation runs";
	tick(2);
	ASSERT_EQ(receiver->received.size(), 1u);
	const auto& received = receiver->received[0];
	EXPECT_EQ(received.message, kMsgAnimationFinished);
	EXPECT_STREQ(kMsgAnimationFinished, "kMsgAnimationFinished");
	EXPECT_TRUE(received.fromFinishedMessage);
	EXPECT_EQ(received.view, view);
	EXPECT_EQ(received.name, "fade");
	EXPECT_EQ(received.target, fadeTarget);
	EXPECT_EQ(receiver->getNbReference(), 1);
}

TEST_F(AnimatorTest, TargetsAndTimingFunctionsAreReleasedTheirOwnWay)
{
	auto sharedTarget = new SharedRecordingTarget(log, "shared target");
	SharedPointer<CBaseObject> keptTarget = static_cast<CBaseObject*>(sharedTarget);
	auto countedFunction = new CountedTimingFunction(16);
	SharedPointer<CBaseObject> keptFunction = static_cast<CBaseObject*>(countedFunction);
	view->addAnimation("fade", sharedTarget, countedFunction);
	tick(2);
	EXPECT_THAT(log, Not(Contains("shared target deleted"))) << "released, not deleted";
	EXPECT_EQ(sharedTarget->getNbReference(), 1);
	EXPECT_EQ(countedFunction->getNbReference(), 1);
	keptTarget = nullptr;
	EXPECT_THAT(log, Contains("shared target deleted"));
}

TEST_F(AnimatorTest, AViewOutsideAFrameStartsNothing)
{
	struct Case
	{
		const char* line;
		std::function<void(CView*, IAnimationTarget*)> add;
	};
	const Case cases[] = {
	    {"1007", [](CView* v, IAnimationTarget* t) { v->addAnimation("fade", t, new LinearTimingFunction(16)); }},
	    {"1018",
	     [](CView* v, IAnimationTarget* t) {
		     v->addAnimation("fade", t, new LinearTimingFunction(16), [](CView*, const char*, IAnimationTarget*) {});
	     }},
	};
	auto detached = owned(new CView(CRect(0, 0, 10, 10)));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.line);
		AssertionRecorder assertions;
		c.add(detached, target("target"));
		ASSERT_EQ(assertions.reports.size(), 1u);
		EXPECT_EQ(assertions.reports[0].file, "lib/cview");
		EXPECT_EQ(assertions.reports[0].line, c.line);
		EXPECT_EQ(assertions.reports[0].description, "to start an animation, the view needs to be attached");
		// What was handed over does not leak.
		EXPECT_THAT(takeLog(), ElementsAre("target deleted"));
		EXPECT_EQ(runningTimers(), 0u);
	}
}

TEST_F(AnimatorTest, AViewOnItsWayOutStartsNothing)
{
	auto first = target("first");
	first->onFinished = [this](CView* animated, const char*, bool wasCanceled) {
		if (wasCanceled)
			animated->addAnimation("again", target("second"), new LinearTimingFunction(16));
	};
	view->addAnimation("fade", first, new LinearTimingFunction(64));
	tick();
	takeLog();
	AssertionRecorder assertions;
	frame->removeView(view);
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "second deleted", "first deleted", "view deleted"));
	EXPECT_TRUE(assertions.has("lib/cview", "1007"));
	EXPECT_EQ(runningTimers(), 0u);
}

TEST_F(AnimatorTest, AReplacementStartsNothingWhenTheCanceledTargetRemovedTheView)
{
	auto first = target("first");
	first->onFinished = [this](CView* animated, const char*, bool) { frame->removeView(animated); };
	view->addAnimation("fade", first, new LinearTimingFunction(64));
	tick();
	takeLog();
	view->addAnimation("fade", target("second"), new LinearTimingFunction(64));
	EXPECT_THAT(takeLog(), ElementsAre("fade canceled", "first deleted", "second deleted", "view deleted"));
	EXPECT_EQ(runningTimers(), 0u);
}

TEST_F(AnimatorTest, AnimationsAddedOutsideAnEventStartAll)
{
	// From a function deferred until a press has been handled.
	auto pressed = new RecordingView(CRect(100, 100, 150, 150));
	frame->addView(pressed);
	pressed->onDown = [this](CPoint&, const CButtonState&) {
		EXPECT_TRUE(frame->doAfterEventProcessing([this] {
			view->addAnimation("deferred", target("deferred target"), new LinearTimingFunction(16));
		}));
		return kMouseHandled;
	};
	CPoint where(120, 120);
	frame->platformOnMouseDown(where, CButtonState(kLeftButton));
	frame->platformOnMouseUp(where, CButtonState(kLeftButton));
	// From a timer, with no event in sight.
	auto timer = owned(new CKavrinTimer(
	    [this](CKavrinTimer* fired) {
		    EXPECT_FALSE(frame->inEventProcessing());
		    view->addAnimation("timed", target("timed target"), new LinearTimingFunction(16));
		    fired->stop();
	    },
	    5));
	platform->advance(5);
	tick(2);
	EXPECT_THAT(log, ElementsAre("deferred start", "deferred tick 0", "timed start", "timed tick 0",
	                             "deferred tick 1", "deferred finished", "deferred target deleted", "timed tick 1",
	                             "timed finished", "timed target deleted"));
}

// What a target may do from inside a tick, with a second animation of
// another view in the same frame running beside it.
TEST_F(AnimatorTest, CallbacksMayChangeAnythingWhileATickRuns)
{
	struct Case
	{
		const char* what;
		std::function<void(CView* self, CView* other)> act;
		// Removal by name drops the notification.
		bool fadeNotified {true};
	};
	const Case cases[] = {
	    {"removes its own view", [this](CView* self, CView*) { frame->removeView(self); }},
	    {"removes its own animation", [](CView* self, CView*) { self->removeAnimation("fade"); },
	     false},
	    {"cancels the other animation", [](CView*, CView* other) { other->removeAllAnimations(); }},
	    {"removes the other view", [this](CView*, CView* other) { frame->removeView(other); }},
	    {"adds an animation",
	     [this](CView*, CView* other) {
		     other->addAnimation("extra", target("extra target"), new LinearTimingFunction(16));
	     }},
	    {"closes the frame", [this](CView*, CView*) { frame->close(); }},
	    {"closes the frame and lets it go",
	     [this](CView*, CView*) {
		     frame->close();
		     frameHolder = nullptr;
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		openFrame();
		takeLog();
		auto self = view;
		auto other = addView("other");
		auto fadeTarget = target("fade target");
		bool acted = false;
		fadeTarget->onTick = [&, self, other](CView*, const char*, float pos) {
			if (pos == 0.5f && !std::exchange(acted, true))
				c.act(self, other);
		};
		self->addAnimation("fade", fadeTarget, new LinearTimingFunction(64), done("fade"));
		other->addAnimation("move", target("move target"), new LinearTimingFunction(64), done("move"));
		tick(8);
		EXPECT_TRUE(acted);
		EXPECT_EQ(runningTimers(), 0u);
		EXPECT_EQ(std::count(log.begin(), log.end(), "fade done"), c.fadeNotified ? 1 : 0);
		EXPECT_THAT(log, Contains("move done"));
		EXPECT_THAT(log, Contains("fade target deleted"));
		EXPECT_THAT(log, Contains("move target deleted"));
		if (!frameHolder)
		{
			EXPECT_THAT(log, Contains("frame deleted"));
			frame = nullptr;
		}
	}
}

TEST_F(AnimatorTest, ADoneFunctionMayCloseAnotherFrameThatTicksInTheSameTick)
{
	auto otherFrame = new LoggedFrame(log, "other frame");
	ASSERT_TRUE(otherFrame->open(&parent, kHeadless));
	auto otherView = addView("other view", otherFrame);
	view->addAnimation("fade", target("fade target"), new LinearTimingFunction(32),
	                   [otherFrame](CView*, const char*, IAnimationTarget*) { otherFrame->close(); });
	otherView->addAnimation("move", target("move target"), new LinearTimingFunction(64));
	tick(3);
	EXPECT_THAT(log, Contains("move canceled"));
	EXPECT_THAT(log, Not(Contains("move finished")));
	EXPECT_THAT(log, Contains("other frame deleted"));
	EXPECT_EQ(runningTimers(), 0u);
}

// A platform whose tick counter reads 0 on the first tick of a timer started
// at once: the headless clock otherwise starts far from 0.
class ClockFromZeroPlatform : public IPlatform
{
public:
	explicit ClockFromZeroPlatform(SharedPointer<HeadlessPlatform> clock) : clock(std::move(clock)) {}

	uint32 getTicks() const override
	{
		return clock->getTicks() - (HeadlessPlatform::kClockStart + Detail::Timer::kInterval);
	}
	SharedPointer<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) override
	{
		return clock->createTimer(callback);
	}
	SharedPointer<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size, void* parent,
	                                          PlatformType type, IPlatformFrameConfig* config) override
	{
		return clock->createFrame(frame, size, parent, type, config);
	}
	SharedPointer<IPlatformString> createString(const char* utf8String) override
	{
		return clock->createString(utf8String);
	}
	CGradient* createGradient(const CGradient::ColorStopMap& stops) override { return clock->createGradient(stops); }
	SharedPointer<IPlatformBitmap> createBitmap(CPoint* size) override { return clock->createBitmap(size); }
	SharedPointer<IPlatformBitmap> createBitmapFromPath(const char* absolutePath) override
	{
		return clock->createBitmapFromPath(absolutePath);
	}
	SharedPointer<IPlatformBitmap> createBitmapFromMemory(const void* data, uint32 size) override
	{
		return clock->createBitmapFromMemory(data, size);
	}
	std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap) override
	{
		return clock->createMemoryPNGRepresentation(bitmap);
	}
	SharedPointer<IPlatformFont> createFont(const std::string& name, double size, int32 style) override
	{
		return clock->createFont(name, size, style);
	}

private:
	SharedPointer<HeadlessPlatform> clock;
};

TEST(AnimatorClockTest, AnAnimationStartedWhenTheClockReadsZeroStartsOnce)
{
	auto clock = makeOwned<HeadlessPlatform>();
	setPlatform(makeOwned<ClockFromZeroPlatform>(clock));
	AnimationLog log;
	{
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		auto animator = makeOwned<Animator>();
		animator->addAnimation(view, "fade", new RecordingTarget(log, "target"), new LinearTimingFunction(32));
		clock->advance(Detail::Timer::kInterval);
		ASSERT_EQ(IPlatformFrame::getTicks(), 0u);
		clock->advance(2 * Detail::Timer::kInterval);
	}
	EXPECT_THAT(log, ElementsAre("fade start", "fade tick 0", "fade tick 0.5", "fade tick 1", "fade finished",
	                             "target deleted"));
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	setPlatform(nullptr);
}

} // namespace
} // namespace Kavrin::Test
