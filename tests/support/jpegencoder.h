#pragma once

// Writes JPEG files in memory for tests and benchmarks that need them, so
// that no image file is copied into the project.

#include "lib/ccolor.h"
#include "lib/kavrintypes.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <vector>

namespace Kavrin::Test {

// A baseline (or progressive) JPEG, in colour or (one component) in grey.
// colorAt is asked row by row, left to right.
inline std::vector<uint8> encodeJPEG(int width, int height, const std::function<CColor(int, int)>& colorAt,
                                     bool grey = false, int quality = 95, bool progressive = false)
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
	info.input_components = grey ? 1 : 3;
	info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
	jpeg_set_defaults(&info);
	jpeg_set_quality(&info, quality, TRUE);
	if (progressive)
		jpeg_simple_progression(&info);
	jpeg_start_compress(&info, TRUE);
	std::vector<unsigned char> row;
	while (info.next_scanline < info.image_height)
	{
		row.clear();
		for (int x = 0; x < width; ++x)
		{
			CColor c = colorAt(x, int(info.next_scanline));
			if (grey)
				row.push_back(c.red);
			else
				row.insert(row.end(), {c.red, c.green, c.blue});
		}
		JSAMPROW rows[] = {row.data()};
		jpeg_write_scanlines(&info, rows, 1);
	}
	jpeg_finish_compress(&info);
	std::vector<uint8> bytes(buffer, buffer + size);
	std::free(buffer);
	jpeg_destroy_compress(&info);
	return bytes;
}

} // namespace Kavrin::Test
