#pragma once

// Writes BMP files byte by byte for tests, so that what a decoder makes of
// them can be checked against what the bytes say.

#include "lib/ccolor.h"
#include "lib/kavrintypes.h"

#include <array>
#include <vector>

namespace Kavrin::Test {

enum BmpCompression : uint32
{
	kBmpRGB = 0,
	kBmpRLE8 = 1,
	kBmpRLE4 = 2,
	kBmpBitFields = 3,
};

struct BmpImage
{
	int32 width {0};
	// Negative for rows stored top-down; BMP rows are bottom-up otherwise.
	int32 height {0};
	uint16 bitsPerPixel {24};
	uint32 compression {kBmpRGB};
	// Stored blue, green, red and a zero byte each.
	std::vector<CColor> palette;
	// The pixel data as stored (rows already padded to 4 bytes).
	std::vector<uint8> pixels;
	// Red, green, blue and alpha masks, written in a 108-byte header when
	// the compression is kBmpBitFields.
	std::array<uint32, 4> masks {};
};

inline void appendLittleEndian(std::vector<uint8>& out, uint32 value, int bytes)
{
	for (int i = 0; i < bytes; ++i)
		out.push_back(uint8(value >> (8 * i)));
}

inline std::vector<uint8> encodeBMP(const BmpImage& image)
{
	const bool withMasks = image.compression == kBmpBitFields;
	const uint32 infoSize = withMasks ? 108 : 40;
	const uint32 pixelOffset = 14 + infoSize + uint32(image.palette.size()) * 4;
	std::vector<uint8> out;
	out.push_back('B');
	out.push_back('M');
	appendLittleEndian(out, pixelOffset + uint32(image.pixels.size()), 4);
	appendLittleEndian(out, 0, 4);
	appendLittleEndian(out, pixelOffset, 4);

	appendLittleEndian(out, infoSize, 4);
	appendLittleEndian(out, uint32(image.width), 4);
	appendLittleEndian(out, uint32(image.height), 4);
	appendLittleEndian(out, 1, 2); // planes
	appendLittleEndian(out, image.bitsPerPixel, 2);
	appendLittleEndian(out, image.compression, 4);
	appendLittleEndian(out, uint32(image.pixels.size()), 4);
	appendLittleEndian(out, 2835, 4); // 72 dpi
	appendLittleEndian(out, 2835, 4);
	appendLittleEndian(out, uint32(image.palette.size()), 4);
	appendLittleEndian(out, 0, 4); // all colours important
	if (withMasks)
	{
		for (uint32 mask : image.masks)
			appendLittleEndian(out, mask, 4);
		appendLittleEndian(out, 0x73524742, 4); // 'sRGB'
		out.resize(14 + infoSize, 0);           // end points and gamma unused
	}
	for (const CColor& entry : image.palette)
		out.insert(out.end(), {entry.blue, entry.green, entry.red, 0});
	out.insert(out.end(), image.pixels.begin(), image.pixels.end());
	return out;
}

// Rows of stored bytes, each padded to a multiple of 4 bytes.
inline std::vector<uint8> paddedBmpRows(const std::vector<std::vector<uint8>>& rows)
{
	std::vector<uint8> out;
	for (const auto& row : rows)
	{
		out.insert(out.end(), row.begin(), row.end());
		out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
	}
	return out;
}

} // namespace Kavrin::Test
