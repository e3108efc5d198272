// Box blur throughput on a 512 x 512 bitmap, in megapixels per second: in
// place and into a new bitmap, at two radii. The running sums make the cost
// independent of the radius. One filter serves every iteration, so its work
// buffers are allocated once, as when a view re-blurs its shadow.

#include "lib/cbitmap.h"
#include "lib/cbitmapfilter.h"
#include "lib/platform/headless/headlessplatform.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace Kavrin;

namespace {

constexpr int kSide = 512;

void installPlatform()
{
	static const bool installed = [] {
		setPlatform(owned(new HeadlessPlatform));
		return true;
	}();
	(void)installed;
}

SharedPointer<CBitmap> makeArtwork()
{
	installPlatform();
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

void boxBlur(benchmark::State& state, bool inPlace)
{
	auto bitmap = makeArtwork();
	auto blur = owned(BitmapFilter::Factory::getInstance().createFilter("Box Blur"));
	if (!bitmap || !blur)
	{
		state.SkipWithError("no bitmap or no filter");
		return;
	}
	blur->setProperty("Radius", BitmapFilter::Property(int32(state.range(0))));
	blur->setProperty("InputBitmap", BitmapFilter::Property(bitmap.get()));
	// Later runs do the same work; only the first publishes its output.
	if (!blur->run(inPlace))
	{
		state.SkipWithError("the blur did not run");
		return;
	}
	for (auto _ : state)
		benchmark::DoNotOptimize(blur->run(inPlace));
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
