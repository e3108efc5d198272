#pragma once

#include "lib/reference.h"

namespace Kavrin {

class IPlatformTimerCallback
{
public:
	virtual void fire() = 0;

protected:
	~IPlatformTimerCallback() noexcept = default;
};

// A repeating timer on the main run loop: first fires one interval after
// start, then every interval. start on a running timer and stop on a stopped
// one return false and change nothing; releasing a running timer stops it.
class IPlatformTimer : public AtomicReferenceCounted
{
public:
	// Null without a platform.
	static SharedPointer<IPlatformTimer> create(IPlatformTimerCallback* callback);

	~IPlatformTimer() noexcept override = default;

	virtual bool start(uint32 fireTimeMilliseconds) = 0;
	virtual bool stop() = 0;
};

} // namespace Kavrin
