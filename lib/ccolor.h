#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// An 8-bit RGBA colour (straight alpha).
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
};

constexpr CColor kTransparentCColor {255, 255, 255, 0};
constexpr CColor kBlackCColor {0, 0, 0, 255};
constexpr CColor kWhiteCColor {255, 255, 255, 255};
constexpr CColor kRedCColor {255, 0, 0, 255};
constexpr CColor kGreenCColor {0, 255, 0, 255};
constexpr CColor kBlueCColor {0, 0, 255, 255};

} // namespace Kavrin
