#include "lib/platform/cairo/imageformats.h"

#include "lib/platform/cairo/cairopixels.h"
#include "lib/platform/cairo/cairosurface.h"

#include <cairo.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

namespace Kavrin {

namespace {

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

bool isInk(J_COLOR_SPACE space)
{
	return space == JCS_CMYK || space == JCS_YCCK;
}

// Print files hold ink, which the decoder hands out as CMYK (converting
// YCCK). Adobe's applications store it inverted, 255 meaning no ink, and
// mark such files with their APP14 marker.
void inkToNativeWords(unsigned char* row, JDIMENSION width, bool inverted)
{
	for (JDIMENSION x = 0; x < width; ++x)
	{
		unsigned char* pixel = row + size_t(x) * 4;
		// How much light each ink lets through, 255 for none of it.
		auto light = [&](int i) -> uint32 { return inverted ? pixel[i] : 255 - pixel[i]; };
		auto underBlack = [&](int i) { return (light(i) * light(3) + 127) / 255; };
		const uint32 word = 0xFF000000u | underBlack(0) << 16 | underBlack(1) << 8 | underBlack(2);
		std::memcpy(pixel, &word, 4);
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
	    !acceptableImageSize(info.image_width, info.image_height))
	{
		jpeg_destroy_decompress(&info);
		return nullptr;
	}
	const bool ink = isInk(info.jpeg_color_space);
	if (ink)
		info.out_color_space = JCS_CMYK;
	else
		info.out_color_space = isLittleEndian() ? JCS_EXT_BGRA : JCS_EXT_ARGB;
	jpeg_start_decompress(&info);
	surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(info.output_width),
	                                     int(info.output_height));
	if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || info.output_components != 4)
		std::longjmp(errors.jump, 1);
	unsigned char* pixels = cairo_image_surface_get_data(surface);
	int stride = cairo_image_surface_get_stride(surface);
	while (info.output_scanline < info.output_height)
	{
		JSAMPROW row = pixels + info.output_scanline * stride;
		if (jpeg_read_scanlines(&info, &row, 1) != 1)
			std::longjmp(errors.jump, 1);
		if (ink)
			inkToNativeWords(row, info.output_width, info.saw_Adobe_marker);
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

} // namespace

SharedPointer<CairoImageSurface> decodeJPEG(const uint8* data, size_t size)
{
	return CairoImageSurface::adopt(decodeJPEGPixels(data, size));
}

} // namespace Kavrin
