// One wheel notch on a 1000 x 700 scroll view over a canvas of 20,000
// views (200 x 100 tiles of 20 x 20), from the event to the pixels in the
// frame's surface. With an opaque content layer the frame moves the pixels
// that stay in view and paints only the strip that scrolled in; a
// transparent one (the default) repaints the whole view, for comparison.
// Notches alternate down and up, so that every one moves the content.

#include "lib/cframe.h"
#include "lib/cscrollview.h"
#include "lib/platform/headless/headlessplatform.h"

#include <benchmark/benchmark.h>

using namespace Kavrin;

namespace {

constexpr double kTile = 20.;
constexpr int kColumns = 200;
constexpr int kRows = 100;

class Tile : public CView
{
public:
	Tile(const CRect& size, CColor color) : CView(size), color(color) {}

	void draw(CDrawContext* context) override
	{
		context->setFillColor(color);
		CRect face = getViewSize();
		face.inset(1., 1.);
		context->drawRect(face, kDrawFilled);
		setDirty(false);
	}

private:
	CColor color;
};

// One notch from the event to the pixels; not inlined, so that an
// instruction count (valgrind --tool=callgrind --toggle-collect=*scrollOneNotch*)
// sees exactly this, to be divided by notches_in_process.
long gNotchesInProcess = 0;

__attribute__((noinline)) void scrollOneNotch(CFrame& frame, HeadlessFrame& window, float distance)
{
	++gNotchesInProcess;
	frame.platformOnMouseWheel(CPoint(500, 350), kWheelAxisY, distance, {});
	window.drawInvalidRects();
}

void wheelNotch(benchmark::State& state, bool opaqueContent, double scaleFactor)
{
	setPlatform(owned(new HeadlessPlatform));
	auto frame = new CFrame(CRect(0, 0, 1000, 700));
	auto scrollView = new CScrollView(CRect(0, 0, 1000, 700), CRect(0, 0, kColumns * kTile, kRows * kTile),
	                                  CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar |
	                                      CScrollView::kDontDrawFrame,
	                                  14.);
	scrollView->setBackgroundColor(CColor(40, 40, 40));
	if (opaqueContent)
	{
		scrollView->getScrollContainer()->setTransparency(false);
		scrollView->getScrollContainer()->setBackgroundColor(CColor(10, 10, 10));
	}
	for (int row = 0; row < kRows; ++row)
	{
		for (int column = 0; column < kColumns; ++column)
		{
			CRect tile(column * kTile, row * kTile, (column + 1) * kTile, (row + 1) * kTile);
			scrollView->addView(new Tile(tile, CColor(uint8(column), uint8(row * 2), 128)));
		}
	}
	frame->addView(scrollView);
	int parent = 0;
	frame->open(&parent, kHeadless);
	auto platformFrame = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	platformFrame->setScaleFactor(scaleFactor);
	frame->invalid();
	platformFrame->drawInvalidRects();

	const uint64 paintedBefore = platformFrame->paintedPixels;
	float direction = -1.f;
	for (auto _ : state)
	{
		scrollOneNotch(*frame, *platformFrame, direction);
		direction = -direction;
	}
	const double viewPixels = 1000. * 700. * scaleFactor * scaleFactor;
	const double painted = double(platformFrame->paintedPixels - paintedBefore) / double(state.iterations());
	state.counters["repainted_device_pixels"] = painted;
	state.counters["view_device_pixels"] = viewPixels;
	state.counters["repainted_share"] = painted / viewPixels;
	// Every notch of every run so far, to divide an instruction count by.
	state.counters["notches_in_process"] = double(gNotchesInProcess);
	state.SetItemsProcessed(state.iterations());
	frame->close();
	setPlatform(nullptr);
}

void BM_WheelNotchOpaqueContent(benchmark::State& state)
{
	wheelNotch(state, true, 1.);
}
BENCHMARK(BM_WheelNotchOpaqueContent)->Unit(benchmark::kMicrosecond);

void BM_WheelNotchOpaqueContent2x(benchmark::State& state)
{
	wheelNotch(state, true, 2.);
}
BENCHMARK(BM_WheelNotchOpaqueContent2x)->Unit(benchmark::kMicrosecond);

void BM_WheelNotchTransparentContent(benchmark::State& state)
{
	wheelNotch(state, false, 1.);
}
BENCHMARK(BM_WheelNotchTransparentContent)->Unit(benchmark::kMicrosecond);

} // namespace
