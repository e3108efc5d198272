#pragma once

#include "lib/reference.h"

namespace Kavrin {

// Presents an option menu; its operations arrive with the menus.
class IPlatformOptionMenu : public AtomicReferenceCounted
{
public:
	~IPlatformOptionMenu() noexcept override = default;
};

} // namespace Kavrin
