#pragma once

#include "lib/reference.h"

namespace Kavrin {

enum NotifyResult : int32
{
	kMessageIgnored = 0,
	kMessageHandled = 1,
};

// The messaging root of every toolkit object. Messages are global const char*
// constants compared by pointer, never by text.
class CBaseObject : public NonAtomicReferenceCounted
{
public:
	CBaseObject() = default;
	CBaseObject(const CBaseObject&) = default;
	CBaseObject& operator=(const CBaseObject&) = default;
	~CBaseObject() noexcept override = default;

	virtual NotifyResult notify(CBaseObject* sender, const char* message);
};

} // namespace Kavrin
