#pragma once

#include "lib/cgradient.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/platform/platformtypes.h"
#include "lib/reference.h"

#include <string>
#include <vector>

namespace Kavrin {

class IPlatformBitmap;
class IPlatformFont;
class IPlatformFrame;
class IPlatformFrameCallback;
class IPlatformString;
class IPlatformTimer;
class IPlatformTimerCallback;

// The one process-wide platform behind the static factories of the platform
// interfaces (IPlatformFrame::createPlatformFrame, IPlatformTimer::create,
// IPlatformFrame::getTicks, ...). A program or a test installs it before it
// opens frames; nothing else in the toolkit knows which platform runs.
class IPlatform : public AtomicReferenceCounted
{
public:
	~IPlatform() noexcept override = default;

	virtual SharedPointer<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size,
	                                                  void* parent, PlatformType type,
	                                                  IPlatformFrameConfig* config) = 0;
	virtual SharedPointer<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) = 0;
	// A monotonic millisecond counter; may be called from any thread.
	virtual uint32 getTicks() const = 0;
	virtual SharedPointer<IPlatformString> createString(const char* utf8String) = 0;
	// A gradient of the drawing back end (the caller owns it).
	virtual CGradient* createGradient(const CGradient::ColorStopMap& stops) = 0;
	// Bitmaps: see IPlatformBitmap's factories.
	virtual SharedPointer<IPlatformBitmap> createBitmap(CPoint* size) = 0;
	virtual SharedPointer<IPlatformBitmap> createBitmapFromPath(const char* absolutePath) = 0;
	virtual SharedPointer<IPlatformBitmap> createBitmapFromMemory(const void* data, uint32 size) = 0;
	virtual std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap) = 0;
	// Null when there is no such font.
	virtual SharedPointer<IPlatformFont> createFont(const std::string& name, double size, int32 style) = 0;
};

// Installs the platform (null uninstalls it). Objects already created keep
// the platform that made them alive.
void setPlatform(const SharedPointer<IPlatform>& platform);
SharedPointer<IPlatform> getPlatform();

} // namespace Kavrin
