#include "lib/platform/cairo/cairoplatform.h"

#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/pangotext.h"

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

} // namespace Kavrin
