#include "lib/platform/x11/runloop.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <poll.h>

namespace Kavrin {

uint64 DefaultRunLoop::monotonicMilliseconds()
{
	timespec now {};
	clock_gettime(CLOCK_MONOTONIC, &now);
	return uint64(now.tv_sec) * 1000u + uint64(now.tv_nsec) / 1000000u;
}

DefaultRunLoop::DefaultRunLoop(Clock clock) : clock(clock ? std::move(clock) : Clock(&monotonicMilliseconds))
{
}

DefaultRunLoop::~DefaultRunLoop() noexcept = default;

IRunLoop::Handle DefaultRunLoop::watchFileDescriptor(int fd, Callback callback)
{
	if (fd < 0 || !callback)
		return kNoHandle;
	watches.push_back({++lastHandle, fd, std::make_shared<Callback>(std::move(callback))});
	return lastHandle;
}

bool DefaultRunLoop::unwatchFileDescriptor(Handle handle)
{
	auto it = std::find_if(watches.begin(), watches.end(), [handle](const Watch& w) { return w.handle == handle; });
	if (it == watches.end())
		return false;
	watches.erase(it);
	return true;
}

IRunLoop::Handle DefaultRunLoop::addTimer(uint32 intervalMilliseconds, Callback callback)
{
	if (!callback)
		return kNoHandle;
	uint32 interval = std::max<uint32>(intervalMilliseconds, 1);
	timers.push_back({++lastHandle, interval, clock() + interval, std::make_shared<Callback>(std::move(callback))});
	return lastHandle;
}

bool DefaultRunLoop::removeTimer(Handle handle)
{
	auto it = std::find_if(timers.begin(), timers.end(), [handle](const Timer& t) { return t.handle == handle; });
	if (it == timers.end())
		return false;
	timers.erase(it);
	return true;
}

int DefaultRunLoop::millisecondsToNextTimer(uint64 now) const
{
	if (timers.empty())
		return -1;
	uint64 next = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
		              return a.due < b.due;
	              })->due;
	return next <= now ? 0 : int(std::min<uint64>(next - now, INT_MAX));
}

// Fires every timer due now, earliest first. A timer fires at most once per
// pass; one that fell behind (a long callback, a sleeping machine) is not
// made to catch up with a burst but takes its next interval from now.
void DefaultRunLoop::fireDueTimers(uint64 now)
{
	std::vector<Handle> due;
	for (const auto& timer : timers)
	{
		if (timer.due <= now)
			due.push_back(timer.handle);
	}
	std::sort(due.begin(), due.end(), [this](Handle a, Handle b) {
		auto dueOf = [this](Handle h) {
			return std::find_if(timers.begin(), timers.end(), [h](const Timer& t) { return t.handle == h; })->due;
		};
		return dueOf(a) < dueOf(b);
	});
	for (Handle handle : due)
	{
		auto it = std::find_if(timers.begin(), timers.end(), [handle](const Timer& t) { return t.handle == handle; });
		if (it == timers.end())
			continue; // removed by an earlier callback
		it->due += it->interval;
		if (it->due <= now)
			it->due = now + it->interval;
		// The callback may remove its own timer: keep the function for the call.
		auto callback = it->callback;
		(*callback)();
	}
}

bool DefaultRunLoop::runOnce(int timeoutMilliseconds)
{
	if (watches.empty() && timers.empty())
		return false;
	uint64 now = clock();
	int timerWait = millisecondsToNextTimer(now);
	int wait = timeoutMilliseconds;
	if (timerWait >= 0 && (wait < 0 || timerWait < wait))
		wait = timerWait;

	std::vector<pollfd> descriptors = std::move(pollScratch);
	std::vector<Handle> handles = std::move(handleScratch);
	descriptors.clear();
	handles.clear();
	for (const auto& watch : watches)
	{
		descriptors.push_back({watch.fd, POLLIN, 0});
		handles.push_back(watch.handle);
	}
	int ready = ::poll(descriptors.data(), descriptors.size(), wait);
	if (ready < 0 && errno != EINTR)
	{
		pollScratch = std::move(descriptors);
		handleScratch = std::move(handles);
		return false;
	}
	for (size_t i = 0; ready > 0 && i < descriptors.size(); ++i)
	{
		if (!(descriptors[i].revents & (POLLIN | POLLHUP | POLLERR)))
			continue;
		Handle handle = handles[i];
		auto it = std::find_if(watches.begin(), watches.end(), [handle](const Watch& w) { return w.handle == handle; });
		if (it == watches.end())
			continue;
		auto callback = it->callback;
		(*callback)();
	}
	pollScratch = std::move(descriptors);
	handleScratch = std::move(handles);
	fireDueTimers(clock());
	return true;
}

void DefaultRunLoop::run()
{
	quitRequested = false;
	while (!quitRequested && runOnce(-1))
	{
	}
}

void DefaultRunLoop::quit()
{
	quitRequested = true;
}

} // namespace Kavrin
