#include "lib/ckavrintimer.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Installs a fresh headless platform for one test; fire times are read in
// milliseconds since the fixture began.
class KavrinTimerTest : public ::testing::Test
{
protected:
	KavrinTimerTest() { setPlatform(platform); }
	~KavrinTimerTest() override { setPlatform(nullptr); }

	uint32 now() const { return platform->getTicks() - HeadlessPlatform::kClockStart; }

	// A callback that records when it ran.
	CKavrinTimer::CallbackFunc recorder()
	{
		return [this](CKavrinTimer*) { fired.push_back(now()); };
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	std::vector<uint32> fired;
};

// Records what it is told, and by whom.
class RecordingTarget : public CBaseObject
{
public:
	NotifyResult notify(CBaseObject* sender, const char* message) override
	{
		received.emplace_back(sender, message);
		if (hook)
			hook();
		return kMessageHandled;
	}

	std::vector<std::pair<CBaseObject*, const char*>> received;
	std::function<void()> hook;
};

TEST_F(KavrinTimerTest, FunctionFormCallsTheFunctionWithTheTimerEveryPeriod)
{
	std::vector<CKavrinTimer*> seen;
	CKavrinTimer::CallbackFunc callback = [&](CKavrinTimer* timer)
	{
		seen.push_back(timer);
		fired.push_back(now());
	};

	auto copied = makeOwned<CKavrinTimer>(callback, 40);
	EXPECT_TRUE(static_cast<bool>(callback))
	    << "the copying form leaves the caller's function alone";
	auto moved = makeOwned<CKavrinTimer>(
	    CKavrinTimer::CallbackFunc([&](CKavrinTimer* timer) { seen.push_back(timer); }), 100);
	EXPECT_TRUE(copied->isRunning());
	EXPECT_TRUE(moved->isRunning());
	EXPECT_EQ(copied->getFireTime(), 40u);
	EXPECT_EQ(platform->getRunningTimerCount(), 2u);

	platform->advance(120);
	EXPECT_THAT(fired, ElementsAre(40u, 80u, 120u));
	EXPECT_THAT(seen, ElementsAre(copied.get(), copied.get(), moved.get(), copied.get()));
}

TEST_F(KavrinTimerTest, TargetFormSendsTheTimerMessageWithTheTimerAsSender)
{
	auto target = makeOwned<RecordingTarget>();
	auto timer = makeOwned<CKavrinTimer>(target.get(), 25);
	platform->advance(50);

	ASSERT_EQ(target->received.size(), 2u);
	for (const auto& [sender, message] : target->received)
	{
		EXPECT_EQ(sender, timer.get());
		// Messages are compared by pointer: it must be the constant itself.
		EXPECT_EQ(message, CKavrinTimer::kMsgTimer);
	}
	EXPECT_STREQ(CKavrinTimer::kMsgTimer, "timer fired");
}

TEST_F(KavrinTimerTest, TimerMadeWithoutStartingStaysStoppedUntilStarted)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 30, false);
	EXPECT_FALSE(timer->isRunning());
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	platform->advance(100);
	EXPECT_THAT(fired, IsEmpty());

	EXPECT_TRUE(timer->start());
	EXPECT_TRUE(timer->isRunning());
	platform->advance(60);
	EXPECT_THAT(fired, ElementsAre(130u, 160u)) << "first fire one period after the start";
}

TEST_F(KavrinTimerTest, StartOnARunningTimerSucceedsAndKeepsItsPhase)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 50);
	platform->advance(30);
	EXPECT_TRUE(timer->start());
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	platform->advance(70);
	EXPECT_THAT(fired, ElementsAre(50u, 100u));
}

TEST_F(KavrinTimerTest, StopIsTrueOnlyForARunningTimer)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 20);
	platform->advance(20);
	EXPECT_TRUE(timer->stop());
	EXPECT_FALSE(timer->isRunning());
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	EXPECT_FALSE(timer->stop());
	platform->advance(100);
	EXPECT_THAT(fired, ElementsAre(20u));

	auto neverStarted = makeOwned<CKavrinTimer>(recorder(), 20, false);
	EXPECT_FALSE(neverStarted->stop());
}

// Each case makes a 100 ms timer, possibly running, changes its period 60 ms
// later, and watches the next 300 ms.
TEST_F(KavrinTimerTest, SetFireTimeRestartsARunningTimerOnlyWhenThePeriodChanges)
{
	struct Case
	{
		const char* name;
		bool running;
		uint32 newPeriod;
		bool result;
		std::vector<uint32> fires; // ms since the timer was made
	};
	const std::vector<Case> cases {
	    {"running, same period: phase kept", true, 100, false, {100, 200, 300}},
	    {"running, new period: restarts from now", true, 50, true, {110, 160, 210, 260, 310, 360}},
	    {"running, longer period", true, 170, true, {230}},
	    {"stopped, new period: stays stopped", false, 50, true, {}},
	    {"stopped, same period", false, 100, false, {}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		fired.clear();
		const uint32 made = now();
		auto timer = makeOwned<CKavrinTimer>(recorder(), 100, c.running);
		platform->advance(60);
		EXPECT_EQ(timer->setFireTime(c.newPeriod), c.result);
		EXPECT_EQ(timer->getFireTime(), c.newPeriod);
		EXPECT_EQ(timer->isRunning(), c.running);
		EXPECT_EQ(platform->getRunningTimerCount(), c.running ? 1u : 0u);
		platform->advance(300);
		std::vector<uint32> relative;
		for (auto at : fired)
			relative.push_back(at - made);
		EXPECT_EQ(relative, c.fires);
	}
}

TEST_F(KavrinTimerTest, StoppedTimerStartsWithThePeriodSetWhileStopped)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 100, false);
	EXPECT_TRUE(timer->setFireTime(30));
	EXPECT_TRUE(timer->start());
	platform->advance(60);
	EXPECT_THAT(fired, ElementsAre(30u, 60u));
}

// What a callback does to its own timer on the first fire, at 100 ms.
TEST_F(KavrinTimerTest, CallbackMayChangeOrDropItsOwnTimer)
{
	struct Case
	{
		const char* name;
		std::function<void(SharedPointer<CKavrinTimer>& holder, CKavrinTimer* timer)> action;
		std::vector<uint32> fires;
		bool runningAfter;
	};
	const std::vector<Case> cases {
	    {"stops it", [](auto&, CKavrinTimer* timer) { EXPECT_TRUE(timer->stop()); }, {100}, false},
	    {"re-times it",
	     [](auto&, CKavrinTimer* timer) { EXPECT_TRUE(timer->setFireTime(30)); },
	     {100, 130, 160, 190, 220, 250},
	     true},
	    {"sets the same period",
	     [](auto&, CKavrinTimer* timer) { EXPECT_FALSE(timer->setFireTime(100)); },
	     {100, 200},
	     true},
	    {"stops and starts it",
	     [](auto&, CKavrinTimer* timer)
	     {
		     EXPECT_TRUE(timer->stop());
		     EXPECT_TRUE(timer->start());
	     },
	     {100, 200},
	     true},
	    {"releases the last reference",
	     [](auto& holder, CKavrinTimer* timer)
	     {
		     holder = nullptr;
		     // Still alive until the callback returns.
		     EXPECT_EQ(timer->getFireTime(), 100u);
		     EXPECT_TRUE(timer->isRunning());
	     },
	     {100},
	     false},
	    {"releases it, then re-times it",
	     [](auto& holder, CKavrinTimer* timer)
	     {
		     holder = nullptr;
		     EXPECT_TRUE(timer->setFireTime(10));
	     },
	     {100},
	     false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		fired.clear();
		const uint32 made = now();
		int calls = 0;
		SharedPointer<CKavrinTimer> holder;
		// The function's own captures must outlive a release inside the call.
		const std::string tag = c.name;
		holder = makeOwned<CKavrinTimer>(
		    [&, tag](CKavrinTimer* timer)
		    {
			    fired.push_back(now() - made);
			    if (++calls == 1)
				    c.action(holder, timer);
			    EXPECT_EQ(tag, c.name);
		    },
		    100);
		platform->advance(250);
		EXPECT_EQ(fired, c.fires);
		EXPECT_EQ(holder && holder->isRunning(), c.runningAfter);
		EXPECT_EQ(platform->getRunningTimerCount(), c.runningAfter ? 1u : 0u);
		holder = nullptr;
		EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	}
}

TEST_F(KavrinTimerTest, TargetMayReleaseTheTimerThatNotifiesIt)
{
	auto target = makeOwned<RecordingTarget>();
	auto timer = makeOwned<CKavrinTimer>(target.get(), 40);
	target->hook = [&] { timer = nullptr; };
	platform->advance(200);
	EXPECT_EQ(target->received.size(), 1u);
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
}

TEST_F(KavrinTimerTest, ReleasingARunningTimerStopsItsPlatformTimer)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 10);
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	timer = nullptr;
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	platform->advance(100);
	EXPECT_THAT(fired, IsEmpty());
}

TEST_F(KavrinTimerTest, WithoutAPlatformTheTimerCannotStart)
{
	setPlatform(nullptr);
	auto timer = makeOwned<CKavrinTimer>(recorder(), 10);
	EXPECT_FALSE(timer->isRunning());
	EXPECT_FALSE(timer->start());
	EXPECT_FALSE(timer->isRunning());
	EXPECT_FALSE(timer->stop());
	EXPECT_TRUE(timer->setFireTime(20)) << "a stopped timer only stores the period";
	EXPECT_EQ(timer->getFireTime(), 20u);

	auto target = makeOwned<RecordingTarget>();
	auto targeted = makeOwned<CKavrinTimer>(target.get(), 10);
	EXPECT_FALSE(targeted->isRunning());
	platform->advance(100);
	EXPECT_THAT(fired, IsEmpty());
	EXPECT_THAT(target->received, IsEmpty());
}

// A running timer keeps the platform that made it; once none is installed,
// re-timing stops it and cannot start it again.
TEST_F(KavrinTimerTest, RetimingWhenNoPlatformIsInstalledLeavesTheTimerStopped)
{
	auto timer = makeOwned<CKavrinTimer>(recorder(), 50);
	setPlatform(nullptr);
	platform->advance(50);
	EXPECT_THAT(fired, ElementsAre(50u));

	EXPECT_FALSE(timer->setFireTime(20));
	EXPECT_FALSE(timer->isRunning());
	EXPECT_EQ(timer->getFireTime(), 20u);
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	platform->advance(200);
	EXPECT_THAT(fired, ElementsAre(50u));
}

} // namespace
} // namespace Kavrin::Test
