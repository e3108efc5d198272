// Text drawing costs.
//
// Label: the same label drawn 10,000 times into a 300 x 40 surface, once
// through its UTF8String, whose platform string keeps the laid-out line
// between draws (how a view draws its title), and once as const char* text,
// which the draw context hands over through its helper string and so lays
// out afresh for every draw. The ratio is what the layout cache saves.

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cstring.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <benchmark/benchmark.h>

using namespace Kavrin;

namespace {

constexpr int kDraws = 10000;
constexpr const char* kLabel = "Cutoff 1.25 kHz";

struct LabelScene
{
	explicit LabelScene(double scale)
	{
		setPlatform(makeOwned<HeadlessPlatform>());
		surface = CairoImageSurface::create(int32(300 * scale), int32(40 * scale), scale);
		context = owned(surface->createDrawContext());
		font = makeOwned<CFontDesc>("DejaVu Sans", 12.);
		context->setFont(font);
		context->setFontColor(kBlackCColor);
		context->setDrawMode(kAntiAliasing);
	}
	~LabelScene()
	{
		context = nullptr;
		surface = nullptr;
		font = nullptr;
		setPlatform(nullptr);
	}

	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CDrawContext> context;
	SharedPointer<CFontDesc> font;
};

const CRect kLabelRect(0, 0, 300, 40);

void BM_LabelCachedLayout(benchmark::State& state)
{
	LabelScene scene(double(state.range(0)));
	UTF8String label(kLabel);
	for (auto _ : state)
	{
		for (int i = 0; i < kDraws; ++i)
			scene.context->drawString(label.getPlatformString(), kLabelRect, kCenterText);
	}
	state.SetItemsProcessed(state.iterations() * kDraws);
	state.SetLabel("10000 centred draws, one layout");
}
BENCHMARK(BM_LabelCachedLayout)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_LabelFreshLayout(benchmark::State& state)
{
	LabelScene scene(double(state.range(0)));
	for (auto _ : state)
	{
		for (int i = 0; i < kDraws; ++i)
			scene.context->drawString(kLabel, kLabelRect, kCenterText);
	}
	state.SetItemsProcessed(state.iterations() * kDraws);
	state.SetLabel("10000 centred draws, a layout each");
}
BENCHMARK(BM_LabelFreshLayout)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
