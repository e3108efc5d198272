#include "lib/platform/platform.h"

#include "lib/platform/iplatformbitmap.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/iplatformtimer.h"

#include <mutex>

namespace Kavrin {
namespace {

struct InstalledPlatform
{
	std::mutex mutex;
	SharedPointer<IPlatform> platform;
};

InstalledPlatform& installed()
{
	static InstalledPlatform instance;
	return instance;
}

} // namespace

void setPlatform(const SharedPointer<IPlatform>& platform)
{
	SharedPointer<IPlatform> previous;
	{
		std::lock_guard<std::mutex> lock(installed().mutex);
		previous = std::move(installed().platform);
		installed().platform = platform;
	}
}

SharedPointer<IPlatform> getPlatform()
{
	std::lock_guard<std::mutex> lock(installed().mutex);
	return installed().platform;
}

SharedPointer<IPlatformFrame> IPlatformFrame::createPlatformFrame(IPlatformFrameCallback* frame,
                                                                  const CRect& size, void* parent,
                                                                  PlatformType type,
                                                                  IPlatformFrameConfig* config)
{
	auto platform = getPlatform();
	if (!platform || !frame)
		return nullptr;
	return platform->createFrame(frame, size, parent, type, config);
}

uint32 IPlatformFrame::getTicks()
{
	auto platform = getPlatform();
	return platform ? platform->getTicks() : 0;
}

SharedPointer<IPlatformTimer> IPlatformTimer::create(IPlatformTimerCallback* callback)
{
	auto platform = getPlatform();
	if (!platform || !callback)
		return nullptr;
	return platform->createTimer(callback);
}

SharedPointer<IPlatformString> IPlatformString::createWithUTF8String(const char* utf8String)
{
	auto platform = getPlatform();
	return platform ? platform->createString(utf8String) : nullptr;
}

} // namespace Kavrin

namespace Kavrin {

SharedPointer<IPlatformFont> IPlatformFont::create(const std::string& name, const double& size,
                                                   const int32& style)
{
	auto platform = getPlatform();
	return platform ? platform->createFont(name, size, style) : nullptr;
}

} // namespace Kavrin

namespace Kavrin {

SharedPointer<IPlatformBitmap> IPlatformBitmap::create(CPoint* size)
{
	auto platform = getPlatform();
	return platform ? platform->createBitmap(size) : nullptr;
}

SharedPointer<IPlatformBitmap> IPlatformBitmap::createFromPath(const char* absolutePath)
{
	auto platform = getPlatform();
	return platform && absolutePath ? platform->createBitmapFromPath(absolutePath) : nullptr;
}

SharedPointer<IPlatformBitmap> IPlatformBitmap::createFromMemory(const void* data, uint32 size)
{
	auto platform = getPlatform();
	return platform && data && size ? platform->createBitmapFromMemory(data, size) : nullptr;
}

std::vector<uint8> IPlatformBitmap::createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap)
{
	auto platform = getPlatform();
	return platform && bitmap ? platform->createMemoryPNGRepresentation(bitmap) : std::vector<uint8>();
}

} // namespace Kavrin
