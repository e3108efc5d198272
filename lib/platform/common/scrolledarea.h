#pragma once

#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/kavrintypes.h"

#include <optional>
#include <vector>

namespace Kavrin {

// A scroll of part of a frame's pixels, worked out for a surface of device
// pixels: what moves, where, and what the move leaves to draw again. Frame
// units throughout, except the device fields.
struct ScrolledArea
{
	// src clipped to bounds (the surface, in frame units) moved by distance;
	// none when no pixel of it stays in view, when the move is still, or when
	// the area or the distance falls between device pixels (a copy of whole
	// pixels would then show something else than a paint would).
	static std::optional<ScrolledArea> plan(const CRect& src, const CPoint& distance, const CRect& bounds,
	                                        double scaleFactor);

	// The part of the area the moved pixels no longer cover: at most two
	// rects, a band across the whole area and one beside the moved pixels.
	std::vector<CRect> uncoveredRects() const;
	// Rects waiting to be drawn that meet the area are also drawn where the
	// pixels under them went (within the area); the originals stay.
	void moveAlong(std::vector<CRect>& waitingRects) const;

	CRect area;
	CPoint distance;
	// The area and the distance in device pixels.
	int32 left {0};
	int32 top {0};
	int32 right {0};
	int32 bottom {0};
	int32 dx {0};
	int32 dy {0};
};

} // namespace Kavrin
