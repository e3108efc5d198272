#pragma once

#include "lib/kavrintypes.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace Kavrin {

// Cairo's 32-bit pixels are native-endian 0xAARRGGBB words whose colour is
// multiplied by their alpha. Image files and straight-alpha pixel access keep
// colour and alpha apart; every conversion between the two goes through the
// pair below, so that a pixel read straight and written back unchanged lands
// on the word it came from.

inline bool isLittleEndian()
{
	const uint32 probe = 1;
	unsigned char first;
	std::memcpy(&first, &probe, 1);
	return first == 1;
}

inline uint32 premultiplyComponent(uint32 component, uint32 alpha)
{
	return (component * alpha + 127) / 255;
}

// Where alpha is 0 no colour is left to recover. A component above its
// alpha was never premultiplied and saturates.
inline uint32 unpremultiplyComponent(uint32 component, uint32 alpha)
{
	return alpha ? std::min<uint32>(255, (component * 255 + alpha / 2) / alpha) : 0;
}

template <typename Convert>
uint32 convertColourComponents(uint32 word, Convert convert)
{
	const uint32 alpha = word >> 24;
	if (alpha == 255)
		return word;
	return alpha << 24 | convert(word >> 16 & 0xFF, alpha) << 16 |
	       convert(word >> 8 & 0xFF, alpha) << 8 | convert(word & 0xFF, alpha);
}

inline uint32 premultiplyWord(uint32 straight)
{
	return convertColourComponents(straight, premultiplyComponent);
}

inline uint32 unpremultiplyWord(uint32 premultiplied)
{
	return convertColourComponents(premultiplied, unpremultiplyComponent);
}

// Converts every word of an image in place; rows are stride bytes apart.
template <typename Convert>
void convertPixelWords(uint8* data, int32 width, int32 height, int32 stride, Convert convert)
{
	for (int32 y = 0; y < height; ++y)
	{
		auto row = reinterpret_cast<uint32*>(data + std::ptrdiff_t(y) * stride);
		for (int32 x = 0; x < width; ++x)
			row[x] = convert(row[x]);
	}
}

inline void premultiplyPixels(uint8* data, int32 width, int32 height, int32 stride)
{
	convertPixelWords(data, width, height, stride, premultiplyWord);
}

inline void unpremultiplyPixels(uint8* data, int32 width, int32 height, int32 stride)
{
	convertPixelWords(data, width, height, stride, unpremultiplyWord);
}

} // namespace Kavrin
