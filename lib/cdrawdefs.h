#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

enum CDrawStyle : uint32
{
	kDrawStroked = 0,
	kDrawFilled = 1,
	kDrawFilledAndStroked = 2,
};

} // namespace Kavrin
