#pragma once

#include "lib/cpoint.h"
#include "lib/reference.h"

namespace Kavrin {

// Where a nine-part bitmap is cut: the widths of the left and right columns
// and the heights of the top and bottom rows.
struct CNinePartTiledDescription
{
	double left {0.};
	double top {0.};
	double right {0.};
	double bottom {0.};
};

// An image with one platform bitmap per scale factor. Views hold bitmaps by
// reference (backgrounds, skins); decoding and drawing arrive with the image
// back end.
class CBitmap : public AtomicReferenceCounted
{
public:
	CBitmap() = default;
	explicit CBitmap(const CPoint& size) : size(size) {}
	~CBitmap() noexcept override = default;

	// In logical units.
	virtual double getWidth() const { return size.x; }
	virtual double getHeight() const { return size.y; }

private:
	CPoint size;
};

} // namespace Kavrin
