#pragma once

#include "lib/kavrintypes.h"
#include "lib/reference.h"

#include <functional>
#include <memory>
#include <poll.h>
#include <vector>

namespace Kavrin {

// What the window platform needs from an event loop: watch file
// descriptors and run repeating timers. Plug-in hosts own the loop, so the
// platform never blocks in a loop of its own; a host adapter implements
// this on the host's loop, and DefaultRunLoop serves standalone programs.
class IRunLoop : public AtomicReferenceCounted
{
public:
	using Callback = std::function<void()>;
	using Handle = uint64;
	static constexpr Handle kNoHandle = 0;

	~IRunLoop() noexcept override = default;

	// Calls callback whenever fd is readable; kNoHandle on failure.
	virtual Handle watchFileDescriptor(int fd, Callback callback) = 0;
	virtual bool unwatchFileDescriptor(Handle handle) = 0;
	// Calls callback every intervalMilliseconds, first one interval from now.
	virtual Handle addTimer(uint32 intervalMilliseconds, Callback callback) = 0;
	virtual bool removeTimer(Handle handle) = 0;
};

// A loop on poll(2) and the monotonic clock. Callbacks may add and remove
// watches and timers, their own included, while they run.
class DefaultRunLoop : public IRunLoop
{
public:
	using Clock = std::function<uint64()>; // milliseconds, monotonic

	// The clock defaults to the system's monotonic clock.
	explicit DefaultRunLoop(Clock clock = {});
	~DefaultRunLoop() noexcept override;

	Handle watchFileDescriptor(int fd, Callback callback) override;
	bool unwatchFileDescriptor(Handle handle) override;
	Handle addTimer(uint32 intervalMilliseconds, Callback callback) override;
	bool removeTimer(Handle handle) override;

	// Waits at most timeoutMilliseconds (-1: until something happens) for a
	// readable descriptor or a due timer and runs what is ready. Returns
	// false when there is nothing left to wait for.
	bool runOnce(int timeoutMilliseconds = -1);
	// Runs until quit() or until nothing is left to wait for.
	void run();
	void quit();
	// The timers added and not yet removed. A loop with none sleeps until a
	// descriptor becomes readable.
	size_t getTimerCount() const { return timers.size(); }

	// The system's monotonic clock in milliseconds.
	static uint64 monotonicMilliseconds();

private:
	struct Watch
	{
		Handle handle;
		int fd;
		std::shared_ptr<Callback> callback;
	};
	struct Timer
	{
		Handle handle;
		uint32 interval;
		uint64 due;
		std::shared_ptr<Callback> callback;
	};

	int millisecondsToNextTimer(uint64 now) const;
	void fireDueTimers(uint64 now);

	Clock clock;
	Handle lastHandle {kNoHandle};
	std::vector<Watch> watches;
	std::vector<Timer> timers;
	bool quitRequested {false};
	// Kept between turns so that a turn with nothing to do allocates
	// nothing; a nested turn finds them taken and makes its own.
	std::vector<pollfd> pollScratch;
	std::vector<Handle> handleScratch;
};

} // namespace Kavrin
