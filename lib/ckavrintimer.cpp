#include "lib/ckavrintimer.h"

namespace Kavrin {

const char* const CKavrinTimer::kMsgTimer = "timer fired";

CKavrinTimer::CKavrinTimer(CBaseObject* target, uint32 fireTime, bool doStart)
: fireTime(fireTime), callbackFunc([target](CKavrinTimer* timer) {
	  if (target)
		  target->notify(timer, kMsgTimer);
  })
{
	if (doStart)
		start();
}

CKavrinTimer::CKavrinTimer(const CallbackFunc& callback, uint32 fireTime, bool doStart)
: fireTime(fireTime), callbackFunc(callback)
{
	if (doStart)
		start();
}

CKavrinTimer::CKavrinTimer(CallbackFunc&& callback, uint32 fireTime, bool doStart)
: fireTime(fireTime), callbackFunc(std::move(callback))
{
	if (doStart)
		start();
}

CKavrinTimer::~CKavrinTimer() noexcept
{
	if (platformTimer)
		platformTimer->stop();
}

bool CKavrinTimer::start()
{
	if (!platformTimer)
	{
		platformTimer = IPlatformTimer::create(this);
		if (platformTimer && !platformTimer->start(fireTime))
			platformTimer = nullptr;
	}
	return platformTimer != nullptr;
}

bool CKavrinTimer::stop()
{
	if (!platformTimer)
		return false;
	platformTimer->stop();
	platformTimer = nullptr;
	return true;
}

bool CKavrinTimer::setFireTime(uint32 newFireTime)
{
	if (newFireTime == fireTime)
		return false;
	if (!platformTimer)
	{
		fireTime = newFireTime;
		return true;
	}
	stop();
	fireTime = newFireTime;
	return start();
}

void CKavrinTimer::beforeDelete()
{
	stop();
	CBaseObject::beforeDelete();
}

void CKavrinTimer::fire()
{
	SharedPointer<CKavrinTimer> keepAlive = this;
	// A copy: the callback may replace or destroy the timer's own function.
	CallbackFunc callback = callbackFunc;
	if (callback)
		callback(this);
}

} // namespace Kavrin
