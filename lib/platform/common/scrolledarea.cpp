#include "lib/platform/common/scrolledarea.h"

#include <cmath>
#include <limits>

namespace Kavrin {

namespace {

// Device coordinates are computed from units and a scale factor, where
// binary fractions such as 1.25 are exact but others may not be.
constexpr double kWholePixelTolerance = 1e-9;

bool toWholePixels(double units, double scaleFactor, int32& pixels)
{
	const double device = units * scaleFactor;
	const double whole = std::round(device);
	if (!(std::fabs(device - whole) <= kWholePixelTolerance) ||
	    std::fabs(whole) > double(std::numeric_limits<int32>::max()))
		return false;
	pixels = int32(whole);
	return true;
}

} // namespace

std::optional<ScrolledArea> ScrolledArea::plan(const CRect& src, const CPoint& distance, const CRect& bounds,
                                               double scaleFactor)
{
	if (!(scaleFactor > 0.) || (distance.x == 0. && distance.y == 0.))
		return std::nullopt;
	ScrolledArea scrolled;
	scrolled.area = CRect(src).bound(bounds);
	scrolled.distance = distance;
	const CRect& area = scrolled.area;
	if (area.isEmpty() || !(std::fabs(distance.x) < area.getWidth()) ||
	    !(std::fabs(distance.y) < area.getHeight()))
		return std::nullopt;
	if (!toWholePixels(area.left, scaleFactor, scrolled.left) ||
	    !toWholePixels(area.top, scaleFactor, scrolled.top) ||
	    !toWholePixels(area.right, scaleFactor, scrolled.right) ||
	    !toWholePixels(area.bottom, scaleFactor, scrolled.bottom) ||
	    !toWholePixels(distance.x, scaleFactor, scrolled.dx) || !toWholePixels(distance.y, scaleFactor, scrolled.dy))
		return std::nullopt;
	return scrolled;
}

std::vector<CRect> ScrolledArea::uncoveredRects() const
{
	std::vector<CRect> uncovered;
	// The band the vertical move opens, across the whole area.
	CRect beside = area;
	if (distance.y > 0.)
	{
		uncovered.emplace_back(area.left, area.top, area.right, area.top + distance.y);
		beside.top += distance.y;
	}
	else if (distance.y < 0.)
	{
		uncovered.emplace_back(area.left, area.bottom + distance.y, area.right, area.bottom);
		beside.bottom += distance.y;
	}
	// The horizontal move opens a band beside the moved pixels only.
	if (distance.x > 0.)
		uncovered.emplace_back(beside.left, beside.top, beside.left + distance.x, beside.bottom);
	else if (distance.x < 0.)
		uncovered.emplace_back(beside.right + distance.x, beside.top, beside.right, beside.bottom);
	return uncovered;
}

void ScrolledArea::moveAlong(std::vector<CRect>& waitingRects) const
{
	const size_t waiting = waitingRects.size();
	for (size_t i = 0; i < waiting; ++i)
	{
		CRect moved = CRect(waitingRects[i]).bound(area);
		if (moved.isEmpty())
			continue;
		moved.offset(distance).bound(area);
		if (!moved.isEmpty())
			waitingRects.push_back(moved);
	}
}

} // namespace Kavrin
