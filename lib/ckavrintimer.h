#pragma once

#include "lib/cbaseobject.h"
#include "lib/platform/iplatformtimer.h"

#include <functional>

namespace Kavrin {

// The toolkit's repeating timer: calls a function, or sends kMsgTimer to a
// target, every fireTime milliseconds through a platform timer. The
// platform timer exists exactly while the timer runs. A timer released or
// re-timed inside its own callback stays alive until the callback returns.
class CKavrinTimer : public CBaseObject, public IPlatformTimerCallback
{
public:
	using CallbackFunc = std::function<void(CKavrinTimer*)>;

	static const char* const kMsgTimer; // "timer fired"

	// The target is not owned; it gets notify(timer, kMsgTimer) on each tick.
	CKavrinTimer(CBaseObject* target, uint32 fireTime, bool doStart = true);
	CKavrinTimer(const CallbackFunc& callback, uint32 fireTime, bool doStart = true);
	CKavrinTimer(CallbackFunc&& callback, uint32 fireTime, bool doStart = true);
	~CKavrinTimer() noexcept override;

	// True when a platform timer now exists (it may have existed already).
	virtual bool start();
	// False when not running.
	virtual bool stop();
	// False when unchanged. A running timer restarts with the new period.
	virtual bool setFireTime(uint32 newFireTime);
	uint32 getFireTime() const { return fireTime; }
	bool isRunning() const { return platformTimer != nullptr; }

	void beforeDelete() override;

private:
	void fire() override;

	uint32 fireTime;
	CallbackFunc callbackFunc;
	SharedPointer<IPlatformTimer> platformTimer;
};

} // namespace Kavrin
