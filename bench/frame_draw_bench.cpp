// Painting through the frame: a full redraw of a 1,000-view tree, and the
// repaint after one view changes, at 1x and 2x.

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"

#include <benchmark/benchmark.h>

using namespace Kavrin;

namespace {

// A swatch: a filled rect with an outline.
class Swatch : public CView
{
public:
	Swatch(const CRect& size, const CColor& color) : CView(size), color(color) {}
	void draw(CDrawContext* context) override
	{
		context->setFillColor(color);
		context->drawRect(getViewSize(), kDrawFilled);
		context->setFrameColor(kBlackCColor);
		context->drawRect(getViewSize(), kDrawStroked);
		setDirty(false);
	}
	CColor color;
};

// 1000 x 700: 40 containers (8 x 5) of 24 swatches each (6 x 4), plus the
// containers themselves: 1,000 views.
struct Panel
{
	explicit Panel(double scale)
	{
		setPlatform(owned(new HeadlessPlatform));
		frame = new CFrame(CRect(0, 0, 1000, 700));
		for (int c = 0; c < 40; ++c)
		{
			double cx = (c % 8) * 125.;
			double cy = (c / 8) * 140.;
			auto container = new CViewContainer(CRect(cx, cy, cx + 125, cy + 140));
			container->setBackgroundColor(CColor(40, 40, uint8(50 + c), 255));
			for (int v = 0; v < 24; ++v)
			{
				double x = 5 + (v % 6) * 20.;
				double y = 5 + (v / 6) * 34.;
				auto swatch = new Swatch(CRect(x, y, x + 16, y + 30), CColor(uint8(v * 10), 120, 200));
				container->addView(swatch);
				if (c == 17 && v == 9)
					changing = swatch;
			}
			frame->addView(container);
		}
		frame->open(&parent, kHeadless);
		platformFrame = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		platformFrame->setScaleFactor(scale);
		platformFrame->invalidRects.clear();
	}
	~Panel()
	{
		frame->close();
		setPlatform(nullptr);
	}

	int parent {0};
	CFrame* frame;
	HeadlessFrame* platformFrame;
	Swatch* changing {nullptr};
};

void BM_FullRedraw(benchmark::State& state)
{
	Panel panel(double(state.range(0)));
	for (auto _ : state)
		panel.platformFrame->drawRect(CRect(0, 0, 1000, 700));
	state.SetLabel("1,000 views, 1000 x 700, per frame");
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_OneViewChange(benchmark::State& state)
{
	const double scale = double(state.range(0));
	Panel panel(scale);
	panel.platformFrame->drawRect(CRect(0, 0, 1000, 700));
	double pixels = 0.;
	uint8 shade = 0;
	for (auto _ : state)
	{
		// What a value change does: the view changes and is marked dirty,
		// the idle pass turns it into an invalid rect, the platform paints it.
		panel.changing->color.red = shade++;
		panel.changing->setDirty(true);
		panel.frame->idle();
		for (const auto& rect : panel.platformFrame->invalidRects)
			pixels += rect.getWidth() * rect.getHeight() * scale * scale;
		panel.platformFrame->drawInvalidRects();
	}
	state.counters["pixels_repainted"] = pixels / double(state.iterations());
	state.SetLabel("one 16 x 30 view in a 1,000-view panel");
}
BENCHMARK(BM_OneViewChange)->Arg(1)->Arg(2);

} // namespace
