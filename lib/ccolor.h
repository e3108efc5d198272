#pragma once

#include "lib/cstring.h"
#include "lib/kavrintypes.h"

namespace Kavrin {

// An 8-bit RGBA colour (straight alpha; 255 is opaque). Conversions to and
// from HSL and HSV leave alpha alone; the text form is "#rrggbbaa".
struct CColor
{
	uint8 red {255};
	uint8 green {255};
	uint8 blue {255};
	uint8 alpha {255};

	constexpr CColor() = default;
	constexpr CColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255)
	: red(red), green(green), blue(blue), alpha(alpha)
	{
	}

	constexpr bool operator==(const CColor& o) const
	{
		return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
	}
	constexpr bool operator!=(const CColor& o) const { return !(*this == o); }

	// max / 2 + min / 2 of the three components, each halved as integers.
	uint8 getLightness() const;

	// Hue in degrees [0, 360), saturation and lightness (or value) in [0, 1].
	void toHSL(double& hue, double& saturation, double& lightness) const;
	void toHSV(double& hue, double& saturation, double& value) const;
	// Non-finite input leaves the colour unchanged. Any finite hue is wrapped
	// into [0, 360]; 360 itself stays in the last sector.
	void fromHSL(double hue, double saturation, double lightness);
	void fromHSV(double hue, double saturation, double value);

	// True for a non-null text of exactly nine characters starting with '#'.
	static bool isColorRepresentation(const char* text);
	// Reads "#rrggbbaa"; anything else returns false and changes nothing.
	bool fromString(const char* text);
	// "#rrggbbaa" in lowercase hexadecimal.
	UTF8String toString() const;
};

constexpr CColor kTransparentCColor {255, 255, 255, 0};
constexpr CColor kBlackCColor {0, 0, 0, 255};
constexpr CColor kWhiteCColor {255, 255, 255, 255};
constexpr CColor kGreyCColor {127, 127, 127, 255};
constexpr CColor kRedCColor {255, 0, 0, 255};
constexpr CColor kGreenCColor {0, 255, 0, 255};
constexpr CColor kBlueCColor {0, 0, 255, 255};
constexpr CColor kYellowCColor {255, 255, 0, 255};
constexpr CColor kCyanCColor {0, 255, 255, 255};
constexpr CColor kMagentaCColor {255, 0, 255, 255};

} // namespace Kavrin
