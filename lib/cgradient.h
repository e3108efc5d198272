#pragma once

#include "lib/ccolor.h"
#include "lib/reference.h"

#include <map>
#include <utility>

namespace Kavrin {

// Colour stops ordered by offset (equal offsets keep their insertion order).
// A drawing back end caches its own gradient object and rebuilds it after a
// stop is added.
class CGradient : public AtomicReferenceCounted
{
public:
	using ColorStopMap = std::multimap<double, CColor>;

	// A new gradient of the installed platform holding a copy of the stops;
	// null without a platform.
	static CGradient* create(const ColorStopMap& colorStopMap);
	static CGradient* create(double color1Start, double color2Start, const CColor& color1,
	                         const CColor& color2);

	explicit CGradient(const ColorStopMap& stops = {}) : colorStops(stops) {}
	~CGradient() noexcept override = default;

	virtual void addColorStop(const std::pair<double, CColor>& colorStop);
	virtual void addColorStop(std::pair<double, CColor>&& colorStop);

	const ColorStopMap& getColorStops() const { return colorStops; }

protected:
	// A stop was added: drop what was built from the old stops.
	virtual void changed() {}

	ColorStopMap colorStops;
};

} // namespace Kavrin
