#pragma once

// Pixels of composited layers: the colour a layer of some alpha leaves over
// what lies below it, a comparison that allows the rounding of the blend,
// and a layer delegate that fills what it is asked to draw and records it.

#include "lib/ccolor.h"
#include "lib/cdrawcontext.h"
#include "lib/platform/iplatformviewlayer.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace Kavrin::Test {

// An opaque colour painted with alpha over an opaque one.
inline CColor blended(const CColor& over, const CColor& under, double alpha)
{
	auto mix = [alpha](uint8 top, uint8 bottom) { return uint8(std::lround(top * alpha + bottom * (1. - alpha))); };
	return CColor(mix(over.red, under.red), mix(over.green, under.green), mix(over.blue, under.blue), 255);
}

// Equal within the rounding of 8-bit blending.
inline ::testing::AssertionResult colourNear(const CColor& actual, const CColor& expected, int tolerance = 1)
{
	auto near = [tolerance](uint8 a, uint8 b) { return std::abs(int(a) - int(b)) <= tolerance; };
	if (near(actual.red, expected.red) && near(actual.green, expected.green) && near(actual.blue, expected.blue) &&
	    near(actual.alpha, expected.alpha))
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not "
	                                     << ::testing::PrintToString(expected);
}

// Fills each dirty rect it is asked for with its colour, and remembers it.
class FillingLayerDelegate : public IPlatformViewLayerDelegate
{
public:
	explicit FillingLayerDelegate(const CColor& color) : color(color) {}

	void drawViewLayer(CDrawContext* context, const CRect& dirtyRect) override
	{
		drawnRects.push_back(dirtyRect);
		context->setFillColor(color);
		context->drawRect(dirtyRect, kDrawFilled);
		if (whileDrawing)
			whileDrawing();
	}

	CColor color;
	std::vector<CRect> drawnRects;
	// Runs inside each draw, after the fill.
	std::function<void()> whileDrawing;
};

} // namespace Kavrin::Test
