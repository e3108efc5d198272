#pragma once

#include "lib/reference.h"

namespace Kavrin {

// An image with one platform bitmap per scale factor. Views hold bitmaps by
// reference (backgrounds, skins); the images themselves arrive with the
// drawing back end.
class CBitmap : public AtomicReferenceCounted
{
public:
	CBitmap() = default;
	~CBitmap() noexcept override = default;
};

} // namespace Kavrin
