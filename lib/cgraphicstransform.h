#pragma once

#include "lib/cpoint.h"
#include "lib/crect.h"

namespace Kavrin {

// A 2D affine matrix: x' = m11·x + m12·y + dx, y' = m21·x + m22·y + dy.
struct CGraphicsTransform
{
	double m11 {1.};
	double m12 {0.};
	double m21 {0.};
	double m22 {1.};
	double dx {0.};
	double dy {0.};

	constexpr CGraphicsTransform() = default;
	constexpr CGraphicsTransform(double m11, double m12, double m21, double m22, double dx,
	                             double dy)
	: m11(m11), m12(m12), m21(m21), m22(m22), dx(dx), dy(dy)
	{
	}

	static constexpr CGraphicsTransform translation(double x, double y) { return {1., 0., 0., 1., x, y}; }
	static constexpr CGraphicsTransform scaling(double sx, double sy) { return {sx, 0., 0., sy, 0., 0.}; }
	static CGraphicsTransform rotation(double degrees);

	// Applied after the current mapping (the result maps p to t(this(p))).
	CGraphicsTransform& translate(double x, double y);
	CGraphicsTransform& scale(double sx, double sy);
	CGraphicsTransform& rotate(double degrees);

	// The product that applies t first and then this transform.
	constexpr CGraphicsTransform operator*(const CGraphicsTransform& t) const
	{
		return {m11 * t.m11 + m12 * t.m21, m11 * t.m12 + m12 * t.m22,
		        m21 * t.m11 + m22 * t.m21, m21 * t.m12 + m22 * t.m22,
		        m11 * t.dx + m12 * t.dy + dx,  m21 * t.dx + m22 * t.dy + dy};
	}
	CGraphicsTransform& operator*=(const CGraphicsTransform& t) { return *this = *this * t; }

	constexpr bool operator==(const CGraphicsTransform& o) const
	{
		return m11 == o.m11 && m12 == o.m12 && m21 == o.m21 && m22 == o.m22 && dx == o.dx &&
		       dy == o.dy;
	}
	constexpr bool operator!=(const CGraphicsTransform& o) const { return !(*this == o); }

	// True only when all six values equal the identity's.
	constexpr bool isInvariant() const { return *this == CGraphicsTransform(); }

	constexpr double determinant() const { return m11 * m22 - m12 * m21; }
	// The inverse; the identity when the determinant is 0.
	CGraphicsTransform inverse() const;
	CGraphicsTransform& invert() { return *this = inverse(); }

	constexpr CPoint& transform(CPoint& p) const
	{
		double x = m11 * p.x + m12 * p.y + dx;
		p.y = m21 * p.x + m22 * p.y + dy;
		p.x = x;
		return p;
	}
	constexpr CPoint transformed(CPoint p) const { return transform(p); }
	// Maps the four corners and keeps their bounding box.
	CRect& transform(CRect& r) const;
	CRect transformed(CRect r) const { return transform(r); }
};

} // namespace Kavrin
