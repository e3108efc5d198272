#include "lib/platform/cairo/cairobitmap.h"

#include "lib/platform/bundle.h"
#include "lib/platform/cairo/cairopixels.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/imagecodecs.h"
#include "lib/platform/iplatformresourceinputstream.h"

#include <cairo.h>

namespace Kavrin {

namespace {

cairo_surface_t* cairoSurface(const CairoImageSurface& surface)
{
	return static_cast<cairo_surface_t*>(surface.getCairoSurface());
}

// Holds the pixels open; straight-alpha access converts on the way in and
// out. Releasing it tells Cairo the pixels changed, so the next draw shows
// them.
class CairoBitmapPixelAccess : public IPlatformBitmapPixelAccess
{
public:
	CairoBitmapPixelAccess(CairoBitmap* bitmap, bool premultiplied)
	: bitmap(bitmap), premultiplied(premultiplied), surface(cairoSurface(*bitmap->getSurface()))
	{
		cairo_surface_flush(surface);
		if (!premultiplied)
			convert(false);
	}
	~CairoBitmapPixelAccess() noexcept override
	{
		if (!premultiplied)
			convert(true);
		cairo_surface_mark_dirty(surface);
	}

	uint8* getAddress() const override { return cairo_image_surface_get_data(surface); }
	uint32 getBytesPerRow() const override { return uint32(cairo_image_surface_get_stride(surface)); }
	PixelFormat getPixelFormat() const override { return isLittleEndian() ? kBGRA : kARGB; }

private:
	void convert(bool toPremultiplied)
	{
		const int width = cairo_image_surface_get_width(surface);
		const int height = cairo_image_surface_get_height(surface);
		const int stride = cairo_image_surface_get_stride(surface);
		unsigned char* data = cairo_image_surface_get_data(surface);
		if (toPremultiplied)
			premultiplyPixels(data, width, height, stride);
		else
			unpremultiplyPixels(data, width, height, stride);
	}

	SharedPointer<CairoBitmap> bitmap;
	bool premultiplied;
	cairo_surface_t* surface;
};

} // namespace

CairoBitmap::CairoBitmap() = default;

CairoBitmap::CairoBitmap(const SharedPointer<CairoImageSurface>& newSurface)
{
	setSurface(newSurface);
}

CairoBitmap::~CairoBitmap() noexcept = default;

void CairoBitmap::setSurface(const SharedPointer<CairoImageSurface>& newSurface)
{
	surface = newSurface;
	size = surface ? CPoint(surface->getPixelWidth(), surface->getPixelHeight()) : CPoint();
	if (surface)
		cairo_surface_set_device_scale(cairoSurface(*surface), scaleFactor, scaleFactor);
}

bool CairoBitmap::load(const CResourceDescription& desc)
{
	if (surface || !gBundleRef)
		return false;
	// A file that does not decode gives way to the next candidate, so that a
	// broken bmp00007.png does not hide a good bmp00007.jpg.
	for (const std::string& path : findResourcePaths(desc))
	{
		if (auto decoded = decodeImageFile(path.c_str()))
		{
			setSurface(decoded);
			return true;
		}
	}
	return false;
}

const CPoint& CairoBitmap::getSize() const
{
	return size;
}

SharedPointer<IPlatformBitmapPixelAccess> CairoBitmap::lockPixels(bool alphaPremultiplied)
{
	if (!surface)
		return nullptr;
	return owned(new CairoBitmapPixelAccess(this, alphaPremultiplied));
}

void CairoBitmap::setScaleFactor(double factor)
{
	if (!(factor > 0.))
		return;
	scaleFactor = factor;
	if (surface)
		cairo_surface_set_device_scale(cairoSurface(*surface), factor, factor);
}

double CairoBitmap::getScaleFactor() const
{
	return scaleFactor;
}

void CairoBitmap::drawScaled(const SharedPointer<IPlatformBitmap>&, const SharedPointer<IPlatformBitmap>&)
{
	// The pixel storage always exists once the bitmap has pixels.
}

const uint8* CairoBitmap::getBytes()
{
	if (!surface)
		return nullptr;
	cairo_surface_flush(cairoSurface(*surface));
	return cairo_image_surface_get_data(cairoSurface(*surface));
}

void CairoBitmap::setDisplayScale(double factor, uint32 newWidthMultiple, uint32 newHeightMultiple)
{
	displayScaleOn = true;
	displayScale = factor;
	widthMultiple = newWidthMultiple;
	heightMultiple = newHeightMultiple;
}

void CairoBitmap::resetDisplayScale()
{
	displayScaleOn = false;
	displayScale = 1.;
	widthMultiple = heightMultiple = 1;
}

bool CairoBitmap::hasDisplayScale() const
{
	return displayScaleOn;
}

double CairoBitmap::getDisplayScale() const
{
	return displayScaleOn ? displayScale : 1.;
}

uint32 CairoBitmap::getDisplayScaleWidthMultiple() const
{
	return widthMultiple;
}

uint32 CairoBitmap::getDisplayScaleHeightMultiple() const
{
	return heightMultiple;
}

CairoImageSurface* CairoBitmap::getSurface() const
{
	return surface;
}

SharedPointer<IPlatformBitmap> CairoBitmap::create(CPoint* size)
{
	if (!size)
		return makeOwned<CairoBitmap>();
	if (!(size->x >= 1.) || !(size->y >= 1.) || size->x > kMaxImageSide || size->y > kMaxImageSide)
		return nullptr;
	auto surface = CairoImageSurface::create(int32(size->x), int32(size->y));
	if (!surface)
		return nullptr;
	return makeOwned<CairoBitmap>(surface);
}

SharedPointer<IPlatformBitmap> CairoBitmap::createFromPath(const char* absolutePath)
{
	auto decoded = decodeImageFile(absolutePath);
	return decoded ? makeOwned<CairoBitmap>(decoded) : nullptr;
}

SharedPointer<IPlatformBitmap> CairoBitmap::createFromMemory(const void* data, uint32 size)
{
	auto decoded = decodeImage(data, size);
	return decoded ? makeOwned<CairoBitmap>(decoded) : nullptr;
}

std::vector<uint8> CairoBitmap::createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap)
{
	auto cairoBitmap = bitmap.cast<CairoBitmap>();
	if (!cairoBitmap || !cairoBitmap->getSurface())
		return {};
	return encodePNG(*cairoBitmap->getSurface(), cairoBitmap->getScaleFactor());
}

} // namespace Kavrin
