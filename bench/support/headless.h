#pragma once

#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

namespace Kavrin::Bench {

// Installs the headless platform once for the whole benchmark program, for
// benchmarks that need bitmaps but no frame.
inline void installHeadlessPlatform()
{
	static const bool installed = [] {
		setPlatform(owned(new HeadlessPlatform));
		return true;
	}();
	(void)installed;
}

} // namespace Kavrin::Bench
