// Box blur throughput on a 512 x 512 bitmap, in megapixels per second: in
// place and into a new bitmap, at two radii. The running sums make the cost
// independent of the radius. Each iteration makes its filter, as a view that
// re-blurs its shadow does (a filter publishes one output and then refuses
// to run again), so the work buffers' allocation is part of the figure.

#include "bench/support/headless.h"
#include "lib/cbitmap.h"
#include "lib/cbitmapfilter.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace Kavrin;

namespace {

constexpr int kSide = 512;

SharedPointer<CBitmap> makeArtwork()
{
	Bench::installHeadlessPlatform();
	auto bitmap = makeOwned<CBitmap>(double(kSide), double(kSide));
	auto access = owned(CBitmapPixelAccess::create(bitmap));
	if (!access)
		return nullptr;
	std::mt19937 noise(1);
	do
	{
		auto alpha = uint8(128 + noise() % 128);
		auto channel = [&](uint32 value) { return uint8(value * alpha / 255); };
		access->setColor(CColor(channel(access->getX() / 2), channel(access->getY() / 2),
		                        channel(uint32(noise() % 256)), alpha));
	} while (++*access);
	return bitmap;
}

bool blurOnce(CBitmap* bitmap, int32 radius, bool inPlace)
{
	auto blur = owned(BitmapFilter::Factory::getInstance().createFilter("Box Blur"));
	return blur && blur->setProperty("Radius", BitmapFilter::Property(radius)) &&
	       blur->setProperty("InputBitmap", BitmapFilter::Property(bitmap)) && blur->run(inPlace);
}

void boxBlur(benchmark::State& state, bool inPlace)
{
	auto bitmap = makeArtwork();
	const auto radius = int32(state.range(0));
	if (!bitmap || !blurOnce(bitmap.get(), radius, inPlace))
	{
		state.SkipWithError("the blur did not run");
		return;
	}
	for (auto _ : state)
	{
		if (!blurOnce(bitmap.get(), radius, inPlace))
		{
			state.SkipWithError("the blur did not run");
			return;
		}
	}
	const auto pixels = int64_t(kSide) * kSide;
	state.SetItemsProcessed(state.iterations() * pixels);
	state.counters["Mpixels/s"] = benchmark::Counter(
	    double(state.iterations()) * double(pixels) / 1e6, benchmark::Counter::kIsRate);
	state.SetLabel(inPlace ? "512x512, in place" : "512x512, into a new bitmap");
}

void BM_BoxBlurInPlace(benchmark::State& state)
{
	boxBlur(state, true);
}

void BM_BoxBlurNewBitmap(benchmark::State& state)
{
	boxBlur(state, false);
}

} // namespace

BENCHMARK(BM_BoxBlurInPlace)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxBlurNewBitmap)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
