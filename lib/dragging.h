#pragma once

#include "lib/reference.h"

namespace Kavrin {

// A view's receiver for drags. A view stores its drop target by reference.
class IDropTarget : virtual public IReference
{
public:
	~IDropTarget() noexcept override = default;
};

} // namespace Kavrin
