#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin::Animation {

// How an animation's position runs over the milliseconds since its start.
class ITimingFunction
{
public:
	virtual ~ITimingFunction() noexcept = default;
	virtual float getPosition(uint32 milliseconds) = 0;
	virtual bool isDone(uint32 milliseconds) = 0;
};

} // namespace Kavrin::Animation
