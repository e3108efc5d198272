#include "lib/platform/x11/runloop.h"
#include "lib/platform/x11/runlooptimer.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace Kavrin::Test {
namespace {

// A loop on a clock the test moves; runOnce(0) never waits.
struct FakeClockLoop
{
	FakeClockLoop() : loop(makeOwned<DefaultRunLoop>([this] { return now; })) {}
	void advance(uint64 milliseconds)
	{
		now += milliseconds;
		loop->runOnce(0);
	}
	uint64 now {5000};
	SharedPointer<DefaultRunLoop> loop;
};

TEST(DefaultRunLoopTest, TimersFireOneIntervalAfterTheyAreAddedAndThenEveryInterval)
{
	FakeClockLoop clock;
	std::vector<std::string> fired;
	clock.loop->addTimer(30, [&] { fired.push_back("a"); });
	clock.loop->addTimer(50, [&] { fired.push_back("b"); });
	clock.advance(29);
	EXPECT_TRUE(fired.empty());
	clock.advance(1);
	clock.advance(20);
	clock.advance(10);
	clock.advance(40);
	EXPECT_EQ(fired, (std::vector<std::string> {"a", "b", "a", "a", "b"}));
}

TEST(DefaultRunLoopTest, ATimerFallenBehindFiresOnceAndNotInABurst)
{
	FakeClockLoop clock;
	int fired = 0;
	clock.loop->addTimer(10, [&] { ++fired; });
	clock.advance(100);
	EXPECT_EQ(fired, 1);
	clock.advance(9);
	EXPECT_EQ(fired, 1);
	clock.advance(1);
	EXPECT_EQ(fired, 2) << "then it runs on one interval from then";
}

TEST(DefaultRunLoopTest, CallbacksMayRemoveTimersTheirOwnIncluded)
{
	FakeClockLoop clock;
	int first = 0;
	int second = 0;
	IRunLoop::Handle firstHandle = 0;
	IRunLoop::Handle secondHandle = 0;
	firstHandle = clock.loop->addTimer(10, [&] {
		++first;
		clock.loop->removeTimer(firstHandle);
		clock.loop->removeTimer(secondHandle);
	});
	secondHandle = clock.loop->addTimer(10, [&] { ++second; });
	clock.advance(10);
	clock.advance(10);
	EXPECT_EQ(first, 1);
	EXPECT_EQ(second, 0) << "removed before its turn in the same pass";
	EXPECT_FALSE(clock.loop->removeTimer(firstHandle));
	EXPECT_FALSE(clock.loop->runOnce(0)) << "nothing left to wait for";
}

TEST(DefaultRunLoopTest, ReadableDescriptorsRunTheirCallback)
{
	int fds[2];
	ASSERT_EQ(::pipe(fds), 0);
	FakeClockLoop clock;
	std::string received;
	auto handle = clock.loop->watchFileDescriptor(fds[0], [&] {
		char buffer[16];
		auto count = ::read(fds[0], buffer, sizeof(buffer));
		received.append(buffer, size_t(std::max<ssize_t>(count, 0)));
	});
	ASSERT_NE(handle, IRunLoop::kNoHandle);
	clock.loop->runOnce(0);
	EXPECT_TRUE(received.empty());
	ASSERT_EQ(::write(fds[1], "hi", 2), 2);
	clock.loop->runOnce(0);
	EXPECT_EQ(received, "hi");
	EXPECT_TRUE(clock.loop->unwatchFileDescriptor(handle));
	EXPECT_EQ(clock.loop->watchFileDescriptor(-1, [] {}), IRunLoop::kNoHandle);
	::close(fds[0]);
	::close(fds[1]);
}

struct CountingCallback : IPlatformTimerCallback
{
	void fire() override
	{
		++fires;
		if (onFire)
			onFire();
	}
	int fires {0};
	std::function<void()> onFire;
};

TEST(RunLoopTimerTest, StartAndStopFollowThePlatformTimerRules)
{
	FakeClockLoop clock;
	CountingCallback callback;
	auto timer = makeOwned<RunLoopTimer>(clock.loop, &callback);
	EXPECT_FALSE(timer->stop()) << "not running";
	EXPECT_TRUE(timer->start(20));
	EXPECT_FALSE(timer->start(5)) << "already running";
	clock.advance(20);
	clock.advance(20);
	EXPECT_EQ(callback.fires, 2);
	EXPECT_TRUE(timer->stop());
	clock.advance(40);
	EXPECT_EQ(callback.fires, 2);
}

TEST(RunLoopTimerTest, ReleasingARunningTimerStopsItAndATimerMayReleaseItselfWhileFiring)
{
	FakeClockLoop clock;
	CountingCallback callback;
	{
		auto timer = makeOwned<RunLoopTimer>(clock.loop, &callback);
		timer->start(10);
	}
	clock.advance(10);
	EXPECT_EQ(callback.fires, 0);

	SharedPointer<RunLoopTimer> timer = makeOwned<RunLoopTimer>(clock.loop, &callback);
	callback.onFire = [&] { timer = nullptr; };
	timer->start(10);
	clock.advance(10);
	EXPECT_EQ(callback.fires, 1);
	EXPECT_FALSE(timer);
	clock.advance(10);
	EXPECT_EQ(callback.fires, 1);
}

TEST(DefaultRunLoopTest, MonotonicClockDoesNotGoBack)
{
	uint64 first = DefaultRunLoop::monotonicMilliseconds();
	uint64 second = DefaultRunLoop::monotonicMilliseconds();
	EXPECT_LE(first, second);
	EXPECT_GT(first, 0u);
}

} // namespace
} // namespace Kavrin::Test
