#pragma once

#include "lib/cdrawcontext.h"
#include "lib/platform/platform.h"

namespace Kavrin {

// What every Linux platform draws with: gradients, bitmaps and the PNG and
// JPEG codecs on Cairo, fonts and strings on Pango. The window and the
// headless platform derive from it, so both measure and draw alike.
class CairoPlatform : public IPlatform
{
public:
	SharedPointer<IPlatformString> createString(const char* utf8String) override;
	CGradient* createGradient(const CGradient::ColorStopMap& stops) override;
	SharedPointer<IPlatformBitmap> createBitmap(CPoint* size) override;
	SharedPointer<IPlatformBitmap> createBitmapFromPath(const char* absolutePath) override;
	SharedPointer<IPlatformBitmap> createBitmapFromMemory(const void* data, uint32 size) override;
	std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap) override;
	SharedPointer<IPlatformFont> createFont(const std::string& name, double size, int32 style) override;

	// An offscreen context of width x height logical units at a scale
	// factor, for the platforms' frames. Null beyond what a surface may have.
	static SharedPointer<COffscreenContext> createOffscreenContext(double width, double height, double scale);
};

} // namespace Kavrin
