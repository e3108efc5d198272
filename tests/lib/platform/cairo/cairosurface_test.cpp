#include "lib/platform/cairo/cairosurface.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr int32 kWidth = 12;
constexpr int32 kHeight = 9;

// Every pixel says where it is, so that a pixel moved to the wrong place
// shows.
uint32 wordAt(int32 x, int32 y)
{
	return 0xFF000000u | uint32(y) << 8 | uint32(x);
}

SharedPointer<CairoImageSurface> numberedSurface()
{
	auto surface = CairoImageSurface::create(kWidth, kHeight);
	auto image = static_cast<cairo_surface_t*>(surface->getCairoSurface());
	cairo_surface_flush(image);
	unsigned char* data = cairo_image_surface_get_data(image);
	const int stride = cairo_image_surface_get_stride(image);
	for (int32 y = 0; y < kHeight; ++y)
		for (int32 x = 0; x < kWidth; ++x)
			reinterpret_cast<uint32*>(data + y * stride)[x] = wordAt(x, y);
	cairo_surface_mark_dirty(image);
	return surface;
}

std::vector<uint32> words(const CairoImageSurface& surface)
{
	std::vector<uint32> all;
	for (int32 y = 0; y < kHeight; ++y)
		for (int32 x = 0; x < kWidth; ++x)
			all.push_back(surface.getPixelWord(x, y));
	return all;
}

struct Move
{
	int32 left, top, right, bottom, dx, dy;
};

// One pixel at a time from an untouched copy: a pixel inside the rect
// (within the surface) whose source is inside too takes the source's word;
// every other pixel keeps its own.
std::vector<uint32> movedOneByOne(const Move& m)
{
	std::vector<uint32> expected;
	auto inside = [&](int32 x, int32 y) {
		return x >= std::max(m.left, 0) && x < std::min(m.right, kWidth) && y >= std::max(m.top, 0) &&
		       y < std::min(m.bottom, kHeight);
	};
	for (int32 y = 0; y < kHeight; ++y)
		for (int32 x = 0; x < kWidth; ++x)
			expected.push_back(inside(x, y) && inside(x - m.dx, y - m.dy) ? wordAt(x - m.dx, y - m.dy) : wordAt(x, y));
	return expected;
}

// Overlapping moves in every direction must not read pixels they already
// overwrote.
TEST(CairoImageSurfaceTest, ScrollPixelsMovesWhatStaysInsideTheRect)
{
	struct Case
	{
		const char* name;
		Move move;
	};
	const Case cases[] = {
	    {"up", {1, 1, 11, 8, 0, -2}},
	    {"down", {1, 1, 11, 8, 0, 2}},
	    {"left", {1, 1, 11, 8, -3, 0}},
	    {"right", {1, 1, 11, 8, 3, 0}},
	    {"down and right", {1, 1, 11, 8, 2, 1}},
	    {"up and left", {1, 1, 11, 8, -2, -1}},
	    {"down and left", {0, 0, 12, 9, -1, 3}},
	    {"up and right", {0, 0, 12, 9, 4, -3}},
	    {"by one pixel less than the rect", {2, 2, 7, 6, 4, 3}},
	    {"a rect over the edges, clipped to the surface", {-5, -4, 20, 15, 2, -2}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto surface = numberedSurface();
		ASSERT_TRUE(surface);
		const Move& m = c.move;
		EXPECT_TRUE(surface->scrollPixels(m.left, m.top, m.right, m.bottom, m.dx, m.dy));
		EXPECT_EQ(words(*surface), movedOneByOne(m));
	}
}

TEST(CairoImageSurfaceTest, ScrollPixelsLeavesEverythingWhenNothingStays)
{
	struct Case
	{
		const char* name;
		Move move;
	};
	const Case cases[] = {
	    {"as far as the rect is wide", {1, 1, 11, 8, 10, 0}},
	    {"farther than the rect is high", {1, 1, 11, 8, 0, -9}},
	    {"farther than the part inside the surface", {8, 0, 20, 9, 4, 0}},
	    {"a rect outside the surface", {20, 0, 30, 9, 1, 0}},
	    {"an empty rect", {5, 5, 5, 8, 0, 1}},
	    {"a reversed rect", {8, 1, 2, 8, 1, 0}},
	    {"the largest distances", {0, 0, 12, 9, -2147483647 - 1, 2147483647}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto surface = numberedSurface();
		ASSERT_TRUE(surface);
		const Move& m = c.move;
		EXPECT_FALSE(surface->scrollPixels(m.left, m.top, m.right, m.bottom, m.dx, m.dy));
		EXPECT_EQ(words(*surface), movedOneByOne({0, 0, 0, 0, 0, 0}));
	}
}

} // namespace
} // namespace Kavrin::Test
