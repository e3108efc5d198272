#include "lib/platform/cairo/imagecodecs.h"

#include "lib/platform/cairo/cairosurface.h"

#include <cairo.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

namespace Kavrin {

namespace {

bool acceptableSize(uint64 width, uint64 height)
{
	return width >= 1 && height >= 1 && width <= uint64(kMaxImageSide) && height <= uint64(kMaxImageSide) &&
	       width * height <= uint64(kMaxImagePixels);
}

cairo_surface_t* cairoSurface(const CairoImageSurface& surface)
{
	return static_cast<cairo_surface_t*>(surface.getCairoSurface());
}

// Cairo wants premultiplied alpha; the codecs give straight alpha in the
// byte order of Cairo's native 32-bit words.
void premultiply(unsigned char* data, int32 width, int32 height, int32 stride)
{
	for (int32 y = 0; y < height; ++y)
	{
		auto pixel = reinterpret_cast<uint32*>(data + y * stride);
		for (int32 x = 0; x < width; ++x)
		{
			uint32 word = pixel[x];
			uint32 alpha = word >> 24;
			if (alpha == 255)
				continue;
			auto scale = [alpha](uint32 component) { return (component * alpha + 127) / 255; };
			pixel[x] = (alpha << 24) | (scale((word >> 16) & 0xFF) << 16) | (scale((word >> 8) & 0xFF) << 8) |
			           scale(word & 0xFF);
		}
	}
}

bool isLittleEndian()
{
	const uint32 probe = 1;
	unsigned char first;
	std::memcpy(&first, &probe, 1);
	return first == 1;
}

// The libpng format whose bytes match Cairo's native 0xAARRGGBB words.
png_uint_32 nativePngFormat()
{
	return isLittleEndian() ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
}

SharedPointer<CairoImageSurface> decodePNG(const void* data, size_t size)
{
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_memory(&image, data, size))
		return nullptr;
	if (!acceptableSize(image.width, image.height))
	{
		png_image_free(&image);
		return nullptr;
	}
	image.format = nativePngFormat();
	auto surface = CairoImageSurface::create(int32(image.width), int32(image.height));
	if (!surface)
	{
		png_image_free(&image);
		return nullptr;
	}
	cairo_surface_t* target = cairoSurface(*surface);
	cairo_surface_flush(target);
	unsigned char* pixels = cairo_image_surface_get_data(target);
	int32 stride = cairo_image_surface_get_stride(target);
	// Damaged image data is only a warning to the reader, which then hands
	// out wrong pixels; harmless warnings (colour profiles) still load.
	if (!png_image_finish_read(&image, nullptr, pixels, stride, nullptr) ||
	    ((image.warning_or_error & PNG_IMAGE_WARNING) && std::strstr(image.message, "IDAT")))
	{
		png_image_free(&image);
		return nullptr;
	}
	premultiply(pixels, int32(image.width), int32(image.height), stride);
	cairo_surface_mark_dirty(target);
	return surface;
}

struct JpegErrorManager
{
	jpeg_error_mgr base;
	std::jmp_buf jump;
	bool damaged;
};

void jpegErrorExit(j_common_ptr info)
{
	std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

// A cut or corrupt stream is only a warning to the decoder, which then
// fills the rest with grey; here it fails the image.
void jpegMessage(j_common_ptr info, int level)
{
	if (level < 0)
	{
		int code = info->err->msg_code;
		if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_NOT_SEQUENTIAL ||
		    code == JWRN_HUFF_BAD_CODE || code == JWRN_EXTRANEOUS_DATA)
			reinterpret_cast<JpegErrorManager*>(info->err)->damaged = true;
	}
}

// Decodes into a surface allocated only after the header passed the size
// bounds. Nothing with a destructor lives between setjmp and longjmp.
cairo_surface_t* decodeJPEGPixels(const unsigned char* data, size_t size)
{
	jpeg_decompress_struct info;
	JpegErrorManager errors;
	info.err = jpeg_std_error(&errors.base);
	errors.base.error_exit = jpegErrorExit;
	errors.base.emit_message = jpegMessage;
	errors.damaged = false;
	cairo_surface_t* volatile surface = nullptr;
	if (setjmp(errors.jump))
	{
		jpeg_destroy_decompress(&info);
		if (surface)
			cairo_surface_destroy(surface);
		return nullptr;
	}
	jpeg_create_decompress(&info);
	jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
	if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
	    !acceptableSize(info.image_width, info.image_height))
	{
		jpeg_destroy_decompress(&info);
		return nullptr;
	}
	info.out_color_space = isLittleEndian() ? JCS_EXT_BGRA : JCS_EXT_ARGB;
	jpeg_start_decompress(&info);
	surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(info.output_width), int(info.output_height));
	if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || info.output_components != 4)
		std::longjmp(errors.jump, 1);
	unsigned char* pixels = cairo_image_surface_get_data(surface);
	int stride = cairo_image_surface_get_stride(surface);
	while (info.output_scanline < info.output_height)
	{
		JSAMPROW row = pixels + info.output_scanline * stride;
		if (jpeg_read_scanlines(&info, &row, 1) != 1)
			std::longjmp(errors.jump, 1);
	}
	jpeg_finish_decompress(&info);
	jpeg_destroy_decompress(&info);
	if (errors.damaged)
	{
		cairo_surface_destroy(surface);
		return nullptr;
	}
	cairo_surface_mark_dirty(surface);
	return surface;
}

SharedPointer<CairoImageSurface> decodeJPEG(const void* data, size_t size)
{
	return CairoImageSurface::adopt(decodeJPEGPixels(static_cast<const unsigned char*>(data), size));
}

uint32 crc32Of(const unsigned char* bytes, size_t size)
{
	static uint32 table[256];
	static bool ready = false;
	if (!ready)
	{
		for (uint32 n = 0; n < 256; ++n)
		{
			uint32 c = n;
			for (int k = 0; k < 8; ++k)
				c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
			table[n] = c;
		}
		ready = true;
	}
	uint32 crc = 0xFFFFFFFFu;
	for (size_t i = 0; i < size; ++i)
		crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
	return crc ^ 0xFFFFFFFFu;
}

void appendBigEndian(std::vector<uint8>& out, uint32 value)
{
	for (int shift = 24; shift >= 0; shift -= 8)
		out.push_back(static_cast<uint8>(value >> shift));
}

// A pHYs chunk right after the header chunk (signature 8 bytes, header
// chunk 25 bytes).
void insertResolution(std::vector<uint8>& png, double dotsPerInch)
{
	constexpr size_t kAfterHeader = 8 + 25;
	if (png.size() < kAfterHeader)
		return;
	auto pixelsPerMeter = static_cast<uint32>(dotsPerInch / 0.0254 + 0.5);
	std::vector<uint8> chunk;
	appendBigEndian(chunk, 9);
	for (char c : {'p', 'H', 'Y', 's'})
		chunk.push_back(static_cast<uint8>(c));
	appendBigEndian(chunk, pixelsPerMeter);
	appendBigEndian(chunk, pixelsPerMeter);
	chunk.push_back(1); // unit: metre
	appendBigEndian(chunk, crc32Of(chunk.data() + 4, chunk.size() - 4));
	png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
}

} // namespace

SharedPointer<CairoImageSurface> decodeImage(const void* data, size_t size)
{
	if (!data || size < 8)
		return nullptr;
	auto bytes = static_cast<const unsigned char*>(data);
	if (png_sig_cmp(bytes, 0, 8) == 0)
		return decodePNG(data, size);
	if (bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
		return decodeJPEG(data, size);
	return nullptr;
}

SharedPointer<CairoImageSurface> decodeImageFile(const char* path)
{
	if (!path)
		return nullptr;
	std::FILE* file = std::fopen(path, "rb");
	if (!file)
		return nullptr;
	std::vector<unsigned char> bytes;
	unsigned char buffer[65536];
	size_t count;
	// Files beyond what any bounded image could need are refused.
	constexpr size_t kMaxFileSize = size_t(1) << 30;
	while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0 && bytes.size() <= kMaxFileSize)
		bytes.insert(bytes.end(), buffer, buffer + count);
	bool failed = std::ferror(file) || bytes.size() > kMaxFileSize;
	std::fclose(file);
	if (failed)
		return nullptr;
	return decodeImage(bytes.data(), bytes.size());
}

std::vector<uint8> encodePNG(const CairoImageSurface& surface, double scaleFactor)
{
	cairo_surface_t* source = cairoSurface(surface);
	cairo_surface_flush(source);
	const int32 width = surface.getPixelWidth();
	const int32 height = surface.getPixelHeight();
	const int32 stride = cairo_image_surface_get_stride(source);
	const unsigned char* data = cairo_image_surface_get_data(source);
	// Straight alpha for the file.
	std::vector<uint32> straight(size_t(width) * size_t(height));
	for (int32 y = 0; y < height; ++y)
	{
		auto row = reinterpret_cast<const uint32*>(data + y * stride);
		for (int32 x = 0; x < width; ++x)
		{
			uint32 word = row[x];
			uint32 alpha = word >> 24;
			if (alpha != 0 && alpha != 255)
			{
				auto unscale = [alpha](uint32 c) { return std::min<uint32>(255, (c * 255 + alpha / 2) / alpha); };
				word = (alpha << 24) | (unscale((word >> 16) & 0xFF) << 16) | (unscale((word >> 8) & 0xFF) << 8) |
				       unscale(word & 0xFF);
			}
			straight[size_t(y) * width + x] = word;
		}
	}
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(width);
	image.height = png_uint_32(height);
	image.format = nativePngFormat();
	png_alloc_size_t size = 0;
	if (!png_image_write_to_memory(&image, nullptr, &size, 0, straight.data(), 0, nullptr) || size == 0)
		return {};
	std::vector<uint8> png(size);
	if (!png_image_write_to_memory(&image, png.data(), &size, 0, straight.data(), 0, nullptr))
		return {};
	png.resize(size);
	if (scaleFactor != 1.)
		insertResolution(png, 72. * scaleFactor);
	return png;
}

} // namespace Kavrin
