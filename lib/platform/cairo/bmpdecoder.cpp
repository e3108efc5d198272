#include "lib/platform/cairo/imageformats.h"

#include "lib/platform/cairo/cairopixels.h"
#include "lib/platform/cairo/cairosurface.h"

#include <algorithm>
#include <cairo.h>
#include <cstddef>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <vector>

namespace Kavrin {

namespace {

uint32 littleEndian32(const uint8* bytes)
{
	return uint32(bytes[0]) | uint32(bytes[1]) << 8 | uint32(bytes[2]) << 16 |
	       uint32(bytes[3]) << 24;
}

// The loader sizes its header buffer from the pixels' offset and its palette
// from the number of colours the header claims, before it knows whether the
// file holds them. Claims beyond the data are refused first, so that it
// allocates no more than the file's own size.
bool headersFitInData(const uint8* data, size_t size)
{
	constexpr uint64 kFileHeaderSize = 14;
	constexpr uint64 kColoursUsedAt = kFileHeaderSize + 32;
	constexpr uint64 kPaletteEntrySize = 4;
	if (size < kFileHeaderSize + 4)
		return false;
	const uint64 pixelOffset = littleEndian32(data + 10);
	const uint64 infoHeaderSize = littleEndian32(data + kFileHeaderSize);
	if (infoHeaderSize < 12 || kFileHeaderSize + infoHeaderSize > pixelOffset || pixelOffset > size)
		return false;
	// The shortest headers name no colour count.
	if (kFileHeaderSize + infoHeaderSize < kColoursUsedAt + 4)
		return true;
	const uint64 coloursUsed = littleEndian32(data + kColoursUsedAt);
	return kFileHeaderSize + infoHeaderSize + coloursUsed * kPaletteEntrySize <= pixelOffset;
}

// Which rows the loader has finished. It hands out whatever it has when the
// data ends, without an error, so a file cut short only shows as rows that
// were never reported.
struct BmpProgress
{
	std::vector<bool> rowsDone;
	size_t rowsLeft {0};
};

// Refuses a size beyond the bounds before the loader allocates its pixels:
// a size of 0 stops it.
void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
	if (!acceptableImageSize(width, height))
	{
		gdk_pixbuf_loader_set_size(loader, 0, 0);
		return;
	}
	auto progress = static_cast<BmpProgress*>(data);
	progress->rowsDone.assign(size_t(height), false);
	progress->rowsLeft = size_t(height);
}

void onAreaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data)
{
	auto progress = static_cast<BmpProgress*>(data);
	const int64 rows = int64(progress->rowsDone.size());
	for (int64 row = std::max<int64>(y, 0); row < std::min<int64>(int64(y) + height, rows); ++row)
	{
		if (!progress->rowsDone[size_t(row)])
		{
			progress->rowsDone[size_t(row)] = true;
			--progress->rowsLeft;
		}
	}
}

// The loader's finished image, or null. Only the BMP loader is asked, so no
// other format reaches gdk-pixbuf's other loaders through this path.
GdkPixbuf* loadPixbuf(const uint8* data, size_t size, BmpProgress& progress)
{
	GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
	if (!loader)
		return nullptr;
	g_signal_connect(loader, "size-prepared", G_CALLBACK(onSizePrepared), &progress);
	g_signal_connect(loader, "area-updated", G_CALLBACK(onAreaUpdated), &progress);
	const bool written = gdk_pixbuf_loader_write(loader, data, size, nullptr);
	// Closing is needed even after a failed write, to end the load.
	const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
	GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
	if (pixbuf)
		g_object_ref(pixbuf);
	g_object_unref(loader);
	return pixbuf;
}

bool isWholeImage(GdkPixbuf* pixbuf, const BmpProgress& progress)
{
	const int channels = gdk_pixbuf_get_n_channels(pixbuf);
	return gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
	       gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && (channels == 3 || channels == 4) &&
	       gdk_pixbuf_get_has_alpha(pixbuf) == (channels == 4) &&
	       size_t(gdk_pixbuf_get_height(pixbuf)) == progress.rowsDone.size() &&
	       progress.rowsLeft == 0 &&
	       acceptableImageSize(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf));
}

// The pixbuf's R, G, B (and A) bytes as premultiplied native words.
cairo_surface_t* toSurface(GdkPixbuf* pixbuf)
{
	const int width = gdk_pixbuf_get_width(pixbuf);
	const int height = gdk_pixbuf_get_height(pixbuf);
	const int channels = gdk_pixbuf_get_n_channels(pixbuf);
	const int sourceStride = gdk_pixbuf_get_rowstride(pixbuf);
	const guint8* source = gdk_pixbuf_read_pixels(pixbuf);
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
	if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
	{
		cairo_surface_destroy(surface);
		return nullptr;
	}
	unsigned char* pixels = cairo_image_surface_get_data(surface);
	const int stride = cairo_image_surface_get_stride(surface);
	for (int y = 0; y < height; ++y)
	{
		const guint8* in = source + std::ptrdiff_t(y) * sourceStride;
		auto out = reinterpret_cast<uint32*>(pixels + std::ptrdiff_t(y) * stride);
		for (int x = 0; x < width; ++x, in += channels)
		{
			const uint32 alpha = channels == 4 ? in[3] : 255;
			out[x] = premultiplyWord(alpha << 24 | uint32(in[0]) << 16 | uint32(in[1]) << 8 | in[2]);
		}
	}
	cairo_surface_mark_dirty(surface);
	return surface;
}

} // namespace

SharedPointer<CairoImageSurface> decodeBMP(const uint8* data, size_t size)
{
	if (!headersFitInData(data, size))
		return nullptr;
	BmpProgress progress;
	GdkPixbuf* pixbuf = loadPixbuf(data, size, progress);
	if (!pixbuf)
		return nullptr;
	cairo_surface_t* surface = isWholeImage(pixbuf, progress) ? toSurface(pixbuf) : nullptr;
	g_object_unref(pixbuf);
	return CairoImageSurface::adopt(surface);
}

} // namespace Kavrin
