#include "lib/platform/cairo/cairoplatform.h"

#include "lib/cbitmap.h"
#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/imagecodecs.h"
#include "lib/platform/cairo/pangotext.h"

#include <cmath>

namespace Kavrin {

SharedPointer<IPlatformString> CairoPlatform::createString(const char* utf8String)
{
	return createPangoString(utf8String);
}

CGradient* CairoPlatform::createGradient(const CGradient::ColorStopMap& stops)
{
	return new CGradient(stops);
}

SharedPointer<IPlatformBitmap> CairoPlatform::createBitmap(CPoint* size)
{
	return CairoBitmap::create(size);
}

SharedPointer<IPlatformBitmap> CairoPlatform::createBitmapFromPath(const char* absolutePath)
{
	return CairoBitmap::createFromPath(absolutePath);
}

SharedPointer<IPlatformBitmap> CairoPlatform::createBitmapFromMemory(const void* data, uint32 size)
{
	return CairoBitmap::createFromMemory(data, size);
}

std::vector<uint8> CairoPlatform::createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap)
{
	return CairoBitmap::createMemoryPNGRepresentation(bitmap);
}

SharedPointer<IPlatformFont> CairoPlatform::createFont(const std::string& name, double size, int32 style)
{
	return createPangoFont(name, size, style);
}

SharedPointer<COffscreenContext> CairoPlatform::createOffscreenContext(double width, double height, double scale)
{
	// Sizes beyond what a surface may have are refused before any conversion.
	if (!(width >= 1. && height >= 1. && scale > 0.) || width * scale > kMaxImageSide ||
	    height * scale > kMaxImageSide)
		return nullptr;
	CPoint pixels(std::floor(width * scale + 0.5), std::floor(height * scale + 0.5));
	auto platformBitmap = CairoBitmap::create(&pixels);
	if (!platformBitmap)
		return nullptr;
	platformBitmap->setScaleFactor(scale);
	auto bitmap = makeOwned<CBitmap>(platformBitmap);
	return makeOwned<CairoDrawContext>(bitmap.get());
}

} // namespace Kavrin
