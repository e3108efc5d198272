#pragma once

// Writes JPEG files in memory for tests and benchmarks that need them, so
// that no image file is copied into the project.

#include "lib/ccolor.h"
#include "lib/kavrintypes.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <vector>

namespace Kavrin::Test {

// Adds the input components of pixel (x, y) to a scanline.
using JPEGPixelWriter = std::function<void(std::vector<unsigned char>&, int x, int y)>;

// Runs libjpeg's compressor on input of the given colour space: configure
// adjusts the defaults, appendPixel is asked row by row, left to right.
inline std::vector<uint8> compressJPEG(int width, int height, int components, J_COLOR_SPACE input,
                                       const std::function<void(jpeg_compress_struct&)>& configure,
                                       const JPEGPixelWriter& appendPixel)
{
	jpeg_compress_struct info;
	jpeg_error_mgr errors;
	info.err = jpeg_std_error(&errors);
	jpeg_create_compress(&info);
	unsigned char* buffer = nullptr;
	unsigned long size = 0;
	jpeg_mem_dest(&info, &buffer, &size);
	info.image_width = JDIMENSION(width);
	info.image_height = JDIMENSION(height);
	info.input_components = components;
	info.in_color_space = input;
	jpeg_set_defaults(&info);
	configure(info);
	jpeg_start_compress(&info, TRUE);
	std::vector<unsigned char> row;
	while (info.next_scanline < info.image_height)
	{
		row.clear();
		for (int x = 0; x < width; ++x)
			appendPixel(row, x, int(info.next_scanline));
		JSAMPROW rows[] = {row.data()};
		jpeg_write_scanlines(&info, rows, 1);
	}
	jpeg_finish_compress(&info);
	std::vector<uint8> bytes(buffer, buffer + size);
	std::free(buffer);
	jpeg_destroy_compress(&info);
	return bytes;
}

// A baseline (or progressive) JPEG, in colour or (one component) in grey.
// colorAt is asked row by row, left to right.
inline std::vector<uint8> encodeJPEG(int width, int height, const std::function<CColor(int, int)>& colorAt,
                                     bool grey = false, int quality = 95, bool progressive = false)
{
	return compressJPEG(
	    width, height, grey ? 1 : 3, grey ? JCS_GRAYSCALE : JCS_RGB,
	    [&](jpeg_compress_struct& info) {
		    jpeg_set_quality(&info, quality, TRUE);
		    if (progressive)
			    jpeg_simple_progression(&info);
	    },
	    [&](std::vector<unsigned char>& row, int x, int y) {
		    CColor c = colorAt(x, y);
		    if (grey)
			    row.push_back(c.red);
		    else
			    row.insert(row.end(), {c.red, c.green, c.blue});
	    });
}

// Cyan, magenta, yellow and black, as a print file stores them.
using Ink = std::array<uint8, 4>;

// A print JPEG stored as CMYK, or as YCCK (the encoder converts the ink).
// adobeMarker writes Adobe's APP14 marker, which marks ink stored inverted
// (255: none) and which YCCK needs to be recognised.
inline std::vector<uint8> encodeInkJPEG(int width, int height,
                                        const std::function<Ink(int, int)>& inkAt,
                                        J_COLOR_SPACE stored, bool adobeMarker)
{
	return compressJPEG(
	    width, height, 4, JCS_CMYK,
	    [&](jpeg_compress_struct& info) {
		    jpeg_set_colorspace(&info, stored);
		    info.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
		    jpeg_set_quality(&info, 100, TRUE);
	    },
	    [&](std::vector<unsigned char>& row, int x, int y) {
		    Ink ink = inkAt(x, y);
		    row.insert(row.end(), ink.begin(), ink.end());
	    });
}

} // namespace Kavrin::Test
