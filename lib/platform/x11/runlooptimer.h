#pragma once

#include "lib/platform/iplatformtimer.h"
#include "lib/platform/x11/runloop.h"

namespace Kavrin {

// A platform timer on a run loop: first fires one interval after start,
// then every interval. Releasing a running timer stops it; a timer released
// inside its own fire stays alive until the fire returns.
class RunLoopTimer : public IPlatformTimer
{
public:
	RunLoopTimer(const SharedPointer<IRunLoop>& runLoop, IPlatformTimerCallback* callback);
	~RunLoopTimer() noexcept override;

	bool start(uint32 fireTimeMilliseconds) override;
	bool stop() override;

private:
	SharedPointer<IRunLoop> runLoop;
	IPlatformTimerCallback* callback;
	IRunLoop::Handle handle {IRunLoop::kNoHandle};
};

} // namespace Kavrin
