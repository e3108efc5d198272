#pragma once

#include "lib/cpoint.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

// A rectangle in logical units. y grows downwards; width = right - left.
// A point on the right or bottom edge lies outside; rects that only touch
// overlap.
struct CRect
{
	double left {0.};
	double top {0.};
	double right {0.};
	double bottom {0.};

	constexpr CRect() = default;
	constexpr CRect(double left, double top, double right, double bottom)
	: left(left), top(top), right(right), bottom(bottom)
	{
	}
	// A rect at origin with the given size (x = width, y = height).
	constexpr CRect(const CPoint& origin, const CPoint& size)
	: left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y)
	{
	}

	constexpr CRect& operator()(double l, double t, double r, double b)
	{
		left = l;
		top = t;
		right = r;
		bottom = b;
		return *this;
	}

	constexpr bool operator==(const CRect& o) const
	{
		return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
	}
	constexpr bool operator!=(const CRect& o) const { return !(*this == o); }

	constexpr double getWidth() const { return right - left; }
	constexpr double getHeight() const { return bottom - top; }
	constexpr CRect& setWidth(double width)
	{
		right = left + width;
		return *this;
	}
	constexpr CRect& setHeight(double height)
	{
		bottom = top + height;
		return *this;
	}
	constexpr CPoint getTopLeft() const { return {left, top}; }
	constexpr CPoint getTopRight() const { return {right, top}; }
	constexpr CPoint getBottomLeft() const { return {left, bottom}; }
	constexpr CPoint getBottomRight() const { return {right, bottom}; }
	constexpr CPoint getCenter() const { return {left + getWidth() / 2., top + getHeight() / 2.}; }
	constexpr CPoint getSize() const { return {getWidth(), getHeight()}; }
	constexpr CRect& setTopLeft(const CPoint& p)
	{
		left = p.x;
		top = p.y;
		return *this;
	}
	constexpr CRect& setBottomRight(const CPoint& p)
	{
		right = p.x;
		bottom = p.y;
		return *this;
	}
	constexpr CRect& setSize(const CPoint& size)
	{
		setWidth(size.x);
		return setHeight(size.y);
	}

	// No area: zero or negative width or height.
	constexpr bool isEmpty() const { return right <= left || bottom <= top; }

	constexpr CRect& offset(double dx, double dy)
	{
		left += dx;
		right += dx;
		top += dy;
		bottom += dy;
		return *this;
	}
	constexpr CRect& offset(const CPoint& delta) { return offset(delta.x, delta.y); }
	constexpr CRect& offsetInverse(const CPoint& delta) { return offset(-delta.x, -delta.y); }
	// Moves the top-left corner to p, keeping width and height.
	constexpr CRect& moveTo(const CPoint& p) { return offset(p.x - left, p.y - top); }
	constexpr CRect& originize() { return moveTo({0., 0.}); }

	constexpr bool pointInside(const CPoint& p) const
	{
		return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
	}
	constexpr bool rectOverlap(const CRect& o) const
	{
		return right >= o.left && o.right >= left && bottom >= o.top && o.bottom >= top;
	}
	// True when every edge of inner lies within this rect (edges may coincide).
	constexpr bool rectInside(const CRect& inner) const
	{
		return inner.left >= left && inner.top >= top && inner.right <= right &&
		       inner.bottom <= bottom;
	}

	// Intersection; when the rects do not meet the result has zero width or height.
	CRect& bound(const CRect& o)
	{
		left = std::max(left, o.left);
		top = std::max(top, o.top);
		right = std::max(left, std::min(right, o.right));
		bottom = std::max(top, std::min(bottom, o.bottom));
		return *this;
	}
	CRect& unite(const CRect& o)
	{
		left = std::min(left, o.left);
		top = std::min(top, o.top);
		right = std::max(right, o.right);
		bottom = std::max(bottom, o.bottom);
		return *this;
	}
	constexpr CRect& inset(double dx, double dy)
	{
		left += dx;
		right -= dx;
		top += dy;
		bottom -= dy;
		return *this;
	}
	constexpr CRect& extend(double dx, double dy) { return inset(-dx, -dy); }
	// Swaps edges so that left <= right and top <= bottom.
	CRect& normalize()
	{
		if (left > right)
			std::swap(left, right);
		if (top > bottom)
			std::swap(top, bottom);
		return *this;
	}
	// Rounds every coordinate half up, as invalid rects are.
	CRect& makeIntegral()
	{
		left = std::floor(left + 0.5);
		top = std::floor(top + 0.5);
		right = std::floor(right + 0.5);
		bottom = std::floor(bottom + 0.5);
		return *this;
	}
};

} // namespace Kavrin
