#pragma once

namespace Kavrin {

// A point in logical units; y grows downwards.
struct CPoint
{
	double x {0.};
	double y {0.};

	constexpr CPoint() = default;
	constexpr CPoint(double x, double y) : x(x), y(y) {}

	constexpr CPoint& operator()(double newX, double newY)
	{
		x = newX;
		y = newY;
		return *this;
	}

	constexpr bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
	constexpr bool operator!=(const CPoint& other) const { return !(*this == other); }

	constexpr CPoint operator+(const CPoint& other) const { return {x + other.x, y + other.y}; }
	constexpr CPoint operator-(const CPoint& other) const { return {x - other.x, y - other.y}; }
	constexpr CPoint operator-() const { return {-x, -y}; }
	constexpr CPoint& operator+=(const CPoint& other) { return offset(other.x, other.y); }
	constexpr CPoint& operator-=(const CPoint& other) { return offset(-other.x, -other.y); }

	constexpr CPoint& offset(double dx, double dy)
	{
		x += dx;
		y += dy;
		return *this;
	}
	constexpr CPoint& offset(const CPoint& delta) { return offset(delta.x, delta.y); }
	constexpr CPoint& offsetInverse(const CPoint& delta) { return offset(-delta.x, -delta.y); }
};

} // namespace Kavrin
