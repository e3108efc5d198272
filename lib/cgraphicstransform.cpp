#include "lib/cgraphicstransform.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

CGraphicsTransform CGraphicsTransform::rotation(double degrees)
{
	double radians = degrees * M_PI / 180.;
	double c = std::cos(radians);
	double s = std::sin(radians);
	return {c, -s, s, c, 0., 0.};
}

CGraphicsTransform& CGraphicsTransform::translate(double x, double y)
{
	return *this = translation(x, y) * *this;
}

CGraphicsTransform& CGraphicsTransform::scale(double sx, double sy)
{
	return *this = scaling(sx, sy) * *this;
}

CGraphicsTransform& CGraphicsTransform::rotate(double degrees)
{
	return *this = rotation(degrees) * *this;
}

CGraphicsTransform CGraphicsTransform::inverse() const
{
	double det = determinant();
	if (det == 0.)
		return {};
	return {m22 / det,
	        -m12 / det,
	        -m21 / det,
	        m11 / det,
	        (m12 * dy - m22 * dx) / det,
	        (m21 * dx - m11 * dy) / det};
}

CRect& CGraphicsTransform::transform(CRect& r) const
{
	CPoint corners[] = {r.getTopLeft(), r.getTopRight(), r.getBottomLeft(), r.getBottomRight()};
	for (auto& corner : corners)
		transform(corner);
	r.left = r.right = corners[0].x;
	r.top = r.bottom = corners[0].y;
	for (const auto& corner : corners)
	{
		r.left = std::min(r.left, corner.x);
		r.right = std::max(r.right, corner.x);
		r.top = std::min(r.top, corner.y);
		r.bottom = std::max(r.bottom, corner.y);
	}
	return r;
}

} // namespace Kavrin
