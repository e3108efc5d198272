#include "lib/platform/cairo/imageformats.h"

#include "lib/platform/cairo/cairopixels.h"
#include "lib/platform/cairo/cairosurface.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstring>
#include <png.h>
#include <utility>
#include <vector>

namespace Kavrin {

namespace {

// libpng reports an error by calling this, which leaves through the jump
// buffer of the function driving libpng. Nothing is printed: a file that
// fails is simply not an image.
[[noreturn]] void leaveOnError(png_structp png, png_const_charp)
{
	png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// ---- Reading ----

struct PngSource
{
	const uint8* data;
	size_t size;
	size_t position;
};

void readFromSource(png_structp png, png_bytep out, size_t length)
{
	auto source = static_cast<PngSource*>(png_get_io_ptr(png));
	if (length > source->size - source->position)
		png_error(png, "cut short");
	std::memcpy(out, source->data + source->position, length);
	source->position += length;
}

// What a read owns, kept outside the function that libpng may leave by
// longjmp.
struct PngReader
{
	PngReader(const uint8* data, size_t size) : source {data, size, 0}
	{
		png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, leaveOnError, ignoreWarning);
		if (png)
			info = png_create_info_struct(png);
	}
	~PngReader()
	{
		png_destroy_read_struct(&png, &info, nullptr);
		if (surface)
			cairo_surface_destroy(surface);
	}
	PngReader(const PngReader&) = delete;
	PngReader& operator=(const PngReader&) = delete;

	png_structp png {nullptr};
	png_infop info {nullptr};
	PngSource source;
	cairo_surface_t* surface {nullptr};
	std::vector<png_bytep> rows;
};

// Any PNG comes out as 8-bit straight-alpha words in Cairo's byte order with
// sRGB colour: palettes and grey expanded, 16-bit samples scaled, a missing
// alpha filled in as opaque, a recorded gamma applied. A file that names no
// colour space is taken as sRGB at either bit depth, as it was meant.
void requestNativeWords(png_structp png)
{
	png_set_expand(png);
	png_set_scale_16(png);
	png_set_gray_to_rgb(png);
	png_set_alpha_mode(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
	if (isLittleEndian())
	{
		png_set_bgr(png);
		png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
	}
	else
	{
		png_set_swap_alpha(png);
		png_set_add_alpha(png, 0xFF, PNG_FILLER_BEFORE);
	}
	png_set_interlace_handling(png);
}

// Leaves the straight pixels in reader.surface. Nothing in this frame has a
// destructor, since libpng leaves it by longjmp.
bool readStraightPixels(PngReader& reader)
{
	png_structp png = reader.png;
	png_infop info = reader.info;
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_read_fn(png, &reader.source, readFromSource);
	// A damaged critical chunk fails the image; a damaged ancillary one
	// (text, a colour profile) is only dropped.
	png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_WARN_DISCARD);
	png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
	png_read_info(png, info);
	const png_uint_32 width = png_get_image_width(png, info);
	const png_uint_32 height = png_get_image_height(png, info);
	if (!acceptableImageSize(width, height))
		return false;
	requestNativeWords(png);
	png_read_update_info(png, info);
	if (png_get_rowbytes(png, info) != size_t(width) * 4)
		return false;
	reader.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height));
	if (cairo_surface_status(reader.surface) != CAIRO_STATUS_SUCCESS)
		return false;
	unsigned char* pixels = cairo_image_surface_get_data(reader.surface);
	const int stride = cairo_image_surface_get_stride(reader.surface);
	reader.rows.resize(height);
	for (png_uint_32 y = 0; y < height; ++y)
		reader.rows[y] = pixels + size_t(y) * size_t(stride);
	// What libpng merely tolerates within the image data (a zlib stream that
	// fails its check, data that stops short or runs on) means wrong pixels.
	png_set_benign_errors(png, 0);
	png_read_image(png, reader.rows.data());
	return true;
}

// ---- Writing ----

bool append(std::vector<uint8>& out, const uint8* data, size_t length) noexcept
{
	try
	{
		out.insert(out.end(), data, data + length);
		return true;
	}
	catch (...)
	{
		return false;
	}
}

void writeToVector(png_structp png, png_bytep data, size_t length)
{
	if (!append(*static_cast<std::vector<uint8>*>(png_get_io_ptr(png)), data, length))
		png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

struct PngWriter
{
	PngWriter()
	{
		png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, leaveOnError, ignoreWarning);
		if (png)
			info = png_create_info_struct(png);
	}
	~PngWriter() { png_destroy_write_struct(&png, &info); }
	PngWriter(const PngWriter&) = delete;
	PngWriter& operator=(const PngWriter&) = delete;

	png_structp png {nullptr};
	png_infop info {nullptr};
	std::vector<uint8> bytes;
	std::vector<uint32> row;
};

// 0 when PNG cannot record it (a chunk holds at most 2^31 - 1).
png_uint_32 pixelsPerMetre(double dotsPerInch)
{
	double perMetre = std::floor(dotsPerInch / 0.0254 + 0.5);
	return perMetre >= 1. && perMetre <= double(PNG_UINT_31_MAX) ? png_uint_32(perMetre) : 0;
}

// Writes the surface's pixels with straight alpha, as PNG holds them.
// Nothing in this frame has a destructor, since libpng leaves it by longjmp.
bool writeStraightPixels(PngWriter& writer, cairo_surface_t* source, double scaleFactor)
{
	png_structp png = writer.png;
	png_infop info = writer.info;
	if (setjmp(png_jmpbuf(png)))
		return false;
	const int width = cairo_image_surface_get_width(source);
	const int height = cairo_image_surface_get_height(source);
	const int stride = cairo_image_surface_get_stride(source);
	const unsigned char* data = cairo_image_surface_get_data(source);
	png_set_write_fn(png, &writer.bytes, writeToVector, flushNothing);
	png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
	             PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
	if (scaleFactor != 1.)
	{
		if (png_uint_32 resolution = pixelsPerMetre(72. * scaleFactor))
			png_set_pHYs(png, info, resolution, resolution, PNG_RESOLUTION_METER);
	}
	png_write_info(png, info);
	if (isLittleEndian())
		png_set_bgr(png);
	else
		png_set_swap_alpha(png);
	writer.row.resize(size_t(width));
	for (int y = 0; y < height; ++y)
	{
		auto words = reinterpret_cast<const uint32*>(data + std::ptrdiff_t(y) * stride);
		std::transform(words, words + width, writer.row.begin(), unpremultiplyWord);
		png_write_row(png, reinterpret_cast<png_const_bytep>(writer.row.data()));
	}
	png_write_end(png, nullptr);
	return true;
}

} // namespace

SharedPointer<CairoImageSurface> decodePNG(const uint8* data, size_t size)
{
	PngReader reader(data, size);
	if (!reader.png || !reader.info || !readStraightPixels(reader))
		return nullptr;
	cairo_surface_t* surface = std::exchange(reader.surface, nullptr);
	premultiplyPixels(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
	                  cairo_image_surface_get_height(surface), cairo_image_surface_get_stride(surface));
	cairo_surface_mark_dirty(surface);
	return CairoImageSurface::adopt(surface);
}

std::vector<uint8> encodePNG(const CairoImageSurface& surface, double scaleFactor)
{
	auto source = static_cast<cairo_surface_t*>(surface.getCairoSurface());
	cairo_surface_flush(source);
	PngWriter writer;
	if (!writer.png || !writer.info || !writeStraightPixels(writer, source, scaleFactor))
		return {};
	return std::move(writer.bytes);
}

} // namespace Kavrin
