#include "lib/platform/cairo/cairosurface.h"

#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairopixels.h"

#include <cairo.h>
#include <cmath>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace Kavrin {

namespace {

// Larger surfaces are refused rather than risking an allocation that the
// host cannot afford (64 megapixels, 256 MiB).
constexpr int64 kMaxPixels = int64(1) << 26;

cairo_surface_t* cairoSurface(void* surface)
{
	return static_cast<cairo_surface_t*>(surface);
}

} // namespace

bool CairoImageSurface::isAllowedSize(int32 pixelWidth, int32 pixelHeight)
{
	return pixelWidth >= 1 && pixelHeight >= 1 && int64(pixelWidth) * pixelHeight <= kMaxPixels;
}

SharedPointer<CairoImageSurface> CairoImageSurface::create(int32 pixelWidth, int32 pixelHeight,
                                                           double scaleFactor)
{
	if (!isAllowedSize(pixelWidth, pixelHeight) || !(scaleFactor > 0.))
		return nullptr;
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
	if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
	{
		cairo_surface_destroy(surface);
		return nullptr;
	}
	cairo_surface_set_device_scale(surface, scaleFactor, scaleFactor);
	return owned(new CairoImageSurface(surface));
}

SharedPointer<CairoImageSurface> CairoImageSurface::adopt(void* cairoImageSurface)
{
	auto surface = cairoSurface(cairoImageSurface);
	if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
	    cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
	{
		if (surface)
			cairo_surface_destroy(surface);
		return nullptr;
	}
	return owned(new CairoImageSurface(surface));
}

CairoImageSurface::CairoImageSurface(void* surface) : surface(surface) {}

CairoImageSurface::~CairoImageSurface() noexcept
{
	cairo_surface_destroy(cairoSurface(surface));
}

int32 CairoImageSurface::getPixelWidth() const
{
	return cairo_image_surface_get_width(cairoSurface(surface));
}

int32 CairoImageSurface::getPixelHeight() const
{
	return cairo_image_surface_get_height(cairoSurface(surface));
}

double CairoImageSurface::getScaleFactor() const
{
	double x = 1., y = 1.;
	cairo_surface_get_device_scale(cairoSurface(surface), &x, &y);
	return x;
}

CRect CairoImageSurface::getLogicalRect() const
{
	double scale = getScaleFactor();
	return CRect(0., 0., getPixelWidth() / scale, getPixelHeight() / scale);
}

CRect CairoImageSurface::devicePixelsCovering(const CRect& logical, double scaleFactor)
{
	return CRect(std::floor(logical.left * scaleFactor), std::floor(logical.top * scaleFactor),
	             std::ceil(logical.right * scaleFactor), std::ceil(logical.bottom * scaleFactor));
}

CDrawContext* CairoImageSurface::createDrawContext()
{
	return new CairoDrawContext(this);
}

uint32 CairoImageSurface::getPixelWord(int32 x, int32 y) const
{
	auto image = cairoSurface(surface);
	if (x < 0 || y < 0 || x >= getPixelWidth() || y >= getPixelHeight())
		return 0;
	cairo_surface_flush(image);
	const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
	return reinterpret_cast<const uint32*>(row)[x];
}

CColor CairoImageSurface::getPixel(int32 x, int32 y) const
{
	const uint32 word = unpremultiplyWord(getPixelWord(x, y));
	return CColor(uint8(word >> 16), uint8(word >> 8), uint8(word), uint8(word >> 24));
}

void CairoImageSurface::clear()
{
	cairo_t* cr = cairo_create(cairoSurface(surface));
	cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
	cairo_paint(cr);
	cairo_destroy(cr);
}

bool CairoImageSurface::scrollPixels(int32 left, int32 top, int32 right, int32 bottom, int32 dx, int32 dy)
{
	auto image = cairoSurface(surface);
	const int64 areaLeft = std::max<int64>(left, 0);
	const int64 areaTop = std::max<int64>(top, 0);
	const int64 width = std::min<int64>(right, getPixelWidth()) - areaLeft - std::abs(int64(dx));
	const int64 height = std::min<int64>(bottom, getPixelHeight()) - areaTop - std::abs(int64(dy));
	if (width <= 0 || height <= 0)
		return false;
	cairo_surface_flush(image);
	unsigned char* data = cairo_image_surface_get_data(image);
	if (!data)
		return false;
	const std::ptrdiff_t stride = cairo_image_surface_get_stride(image);
	const int64 fromX = areaLeft + std::max<int64>(-dx, 0);
	const int64 fromY = areaTop + std::max<int64>(-dy, 0);
	const int64 toX = areaLeft + std::max<int64>(dx, 0);
	const int64 toY = areaTop + std::max<int64>(dy, 0);
	// memmove copes with a row moving over itself; rows moving down go
	// bottom first so that none is overwritten before it moved.
	auto moveRow = [&](int64 row) {
		std::memmove(data + (toY + row) * stride + toX * 4, data + (fromY + row) * stride + fromX * 4,
		             size_t(width) * 4);
	};
	if (dy > 0)
		for (int64 row = height - 1; row >= 0; --row)
			moveRow(row);
	else
		for (int64 row = 0; row < height; ++row)
			moveRow(row);
	cairo_surface_mark_dirty_rectangle(image, int(toX), int(toY), int(width), int(height));
	return true;
}

bool CairoImageSurface::writePNG(const std::string& path) const
{
	return cairo_surface_write_to_png(cairoSurface(surface), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void* CairoImageSurface::getCairoSurface() const
{
	return surface;
}

} // namespace Kavrin
