// Feeds arbitrary bytes to the image decoders (PNG, JPEG in colour, grey
// and print inks, BMP plain and run-length coded) through
// IPlatformBitmap::createFromMemory, which picks one by the file's
// signature. Anything may fail; nothing may crash, read out of bounds or
// allocate without bound. The corpus holds a small file of each kind.

#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformbitmap.h"
#include "lib/platform/platform.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	using namespace Kavrin;
	static bool installed = [] {
		setPlatform(owned(new HeadlessPlatform));
		return true;
	}();
	(void)installed;
	auto bitmap = IPlatformBitmap::createFromMemory(data, static_cast<uint32>(size));
	if (bitmap)
	{
		const CPoint& pixels = bitmap->getSize();
		if (pixels.x < 1 || pixels.y < 1)
			__builtin_trap();
		if (pixels.x * pixels.y <= 4096)
			IPlatformBitmap::createMemoryPNGRepresentation(bitmap);
	}
	return 0;
}
