#pragma once

// An open frame on the headless platform for pixel tests: views go into
// it, the whole frame is painted at a scale, and the window's pixels are
// read back. startOver gives a fresh platform and frame, for tables of
// cases in one test.

#include "lib/cframe.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <utility>

namespace Kavrin::Test {

class PixelFrameTest : public ::testing::Test
{
protected:
	PixelFrameTest(const CRect& frameSize, const CColor& background)
	: frameSize(frameSize), background(background)
	{
		start();
	}
	~PixelFrameTest() override { finish(); }

	void start()
	{
		platform = owned(new HeadlessPlatform);
		setPlatform(platform);
		frame = new CFrame(frameSize);
		frame->setBackgroundColor(background);
	}
	void finish()
	{
		if (frame)
			std::exchange(frame, nullptr)->close();
		window = nullptr;
		setPlatform(nullptr);
		platform = nullptr;
	}
	void startOver()
	{
		finish();
		start();
	}

	void open()
	{
		ASSERT_TRUE(frame->open(&parentHandle, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		ASSERT_TRUE(window);
	}
	// Paints the whole frame, and nothing else waiting.
	void paintAll()
	{
		window->invalidRects.clear();
		window->drawRect(CRect(frameSize).originize());
	}
	void openAndPaint(double scale = 1.)
	{
		open();
		if (!window)
			return;
		window->setScaleFactor(scale);
		paintAll();
	}

	CColor pixel(int x, int y) const { return window->getSurface()->getPixel(x, y); }

	const CRect frameSize;
	const CColor background;
	SharedPointer<HeadlessPlatform> platform;
	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
	int parentHandle {0};
};

} // namespace Kavrin::Test
