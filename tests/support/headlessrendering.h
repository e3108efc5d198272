#pragma once

// What the headless platform paints for a scene, to compare a window with:
// a frame of the given size is built, opened, painted whole at the scale
// and closed again. Sets its own platform and leaves none set.

#include "lib/cframe.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"
#include "tests/support/surfacepixels.h"

#include <functional>
#include <vector>

namespace Kavrin::Test {

// The scene's pixels as 0x00RRGGBB words, row by row; empty when the frame
// does not open. prepare runs on the open frame, before the paint.
inline std::vector<uint32> headlessWords(const CRect& frameSize, double scale,
                                             const std::function<void(CFrame&)>& build,
                                             const std::function<void(CFrame&)>& prepare = {})
{
	setPlatform(owned(new HeadlessPlatform));
	auto frame = new CFrame(frameSize);
	build(*frame);
	std::vector<uint32> words;
	int parentHandle = 0;
	if (frame->open(&parentHandle, kHeadless))
	{
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(scale);
		if (prepare)
			prepare(*frame);
		window->invalidRects.clear();
		window->drawRect(CRect(frameSize).originize());
		words = surfaceWords(*window->getSurface());
	}
	frame->close();
	setPlatform(nullptr);
	return words;
}

} // namespace Kavrin::Test
