#include "lib/platform/x11/runlooptimer.h"

namespace Kavrin {

RunLoopTimer::RunLoopTimer(const SharedPointer<IRunLoop>& runLoop, IPlatformTimerCallback* callback)
: runLoop(runLoop), callback(callback)
{
}

RunLoopTimer::~RunLoopTimer() noexcept
{
	stop();
}

bool RunLoopTimer::start(uint32 fireTimeMilliseconds)
{
	if (handle != IRunLoop::kNoHandle || !runLoop || !callback)
		return false;
	handle = runLoop->addTimer(fireTimeMilliseconds, [this] {
		SharedPointer<RunLoopTimer> keepAlive = this;
		callback->fire();
	});
	return handle != IRunLoop::kNoHandle;
}

bool RunLoopTimer::stop()
{
	if (handle == IRunLoop::kNoHandle)
		return false;
	runLoop->removeTimer(handle);
	handle = IRunLoop::kNoHandle;
	return true;
}

} // namespace Kavrin
