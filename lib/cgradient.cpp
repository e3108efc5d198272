#include "lib/cgradient.h"

#include "lib/platform/platform.h"

namespace Kavrin {

CGradient* CGradient::create(const ColorStopMap& colorStopMap)
{
	auto platform = getPlatform();
	return platform ? platform->createGradient(colorStopMap) : nullptr;
}

CGradient* CGradient::create(double color1Start, double color2Start, const CColor& color1,
                             const CColor& color2)
{
	ColorStopMap stops;
	stops.emplace(color1Start, color1);
	stops.emplace(color2Start, color2);
	return create(stops);
}

void CGradient::addColorStop(const std::pair<double, CColor>& colorStop)
{
	colorStops.insert(colorStop);
	changed();
}

void CGradient::addColorStop(std::pair<double, CColor>&& colorStop)
{
	colorStops.insert(std::move(colorStop));
	changed();
}

} // namespace Kavrin
