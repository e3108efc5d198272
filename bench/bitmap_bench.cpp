// Bitmap costs of the Cairo back end: decoding a 512 x 512 PNG and JPEG from
// memory, and drawing a bitmap on a 2x surface, one to one from its 2x
// rendering and, for comparison, scaled up from a 1x rendering.
//
// The images are made here: a smooth gradient with a little noise, so that
// they compress about as well as a skin's artwork does.

#include "bench/support/headless.h"
#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"

#include "tests/support/jpegencoder.h"

#include <benchmark/benchmark.h>

#include <cstdio>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace Kavrin;

namespace {

constexpr int kSide = 512;

CColor artwork(int x, int y, std::mt19937& noise)
{
	int grain = int(noise() % 9) - 4;
	auto channel = [grain](int value) { return uint8(std::min(255, std::max(0, value + grain))); };
	return CColor(channel(x / 2), channel(y / 2), channel((x + y) / 4), 255);
}

// A bitmap of pixelSide x pixelSide device pixels at the given scale.
SharedPointer<CBitmap> makeArtwork(int pixelSide, double scale)
{
	Bench::installHeadlessPlatform();
	auto bitmap = makeOwned<CBitmap>(CPoint(pixelSide / scale, pixelSide / scale), scale);
	std::mt19937 noise(1);
	auto access = owned(CBitmapPixelAccess::create(bitmap));
	if (access)
	{
		do
			access->setColor(artwork(int(access->getX()), int(access->getY()), noise));
		while (++*access);
	}
	return bitmap;
}

std::vector<uint8> makeJPEG()
{
	std::mt19937 noise(1);
	return Test::encodeJPEG(kSide, kSide, [&](int x, int y) { return artwork(x, y, noise); }, false, 90);
}

void decode(benchmark::State& state, const std::vector<uint8>& bytes)
{
	if (bytes.empty())
	{
		state.SkipWithError("no image to decode");
		return;
	}
	for (auto _ : state)
	{
		auto bitmap = IPlatformBitmap::createFromMemory(bytes.data(), uint32(bytes.size()));
		if (!bitmap)
		{
			state.SkipWithError("decoding failed");
			return;
		}
		benchmark::DoNotOptimize(bitmap.get());
	}
	state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
	state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
	state.SetLabel(std::to_string(bytes.size() / 1024) + " KiB file; items are pixels");
}

void BM_DecodePNG512(benchmark::State& state)
{
	auto bitmap = makeArtwork(kSide, 1.);
	decode(state, IPlatformBitmap::createMemoryPNGRepresentation(bitmap->getPlatformBitmap()));
}
BENCHMARK(BM_DecodePNG512)->Unit(benchmark::kMillisecond);

void BM_DecodeJPEG512(benchmark::State& state)
{
	Bench::installHeadlessPlatform();
	decode(state, makeJPEG());
}
BENCHMARK(BM_DecodeJPEG512)->Unit(benchmark::kMillisecond);

// A 256 x 256 logical bitmap drawn whole on a 2x surface of the same
// logical size: 512 x 512 device pixels per draw. Argument 2 draws its 2x
// rendering one to one; argument 1 has only a 1x rendering, scaled up.
void BM_DrawBitmapOn2xSurface(benchmark::State& state)
{
	const double bitmapScale = double(state.range(0));
	auto bitmap = makeArtwork(int(256 * bitmapScale), bitmapScale);
	auto surface = CairoImageSurface::create(kSide, kSide, 2.);
	auto context = owned(surface->createDrawContext());
	const CRect dest(0, 0, 256, 256);
	for (auto _ : state)
		bitmap->draw(context, dest);
	state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
	state.SetLabel(bitmapScale == 2. ? "2x bitmap, one to one; items are device pixels"
	                                 : "1x bitmap scaled up; items are device pixels");
}
BENCHMARK(BM_DrawBitmapOn2xSurface)->Arg(2)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
