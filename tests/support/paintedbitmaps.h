#pragma once

// Bitmaps whose pixels a test sets itself, for pixel tests that look for
// them on the screen.

#include "lib/cbitmap.h"
#include "lib/ccolor.h"
#include "lib/reference.h"

#include <gtest/gtest.h>

#include <functional>

namespace Kavrin::Test {

// Sets every pixel of the bitmap through pixel access.
inline void paintPixels(CBitmap& bitmap, const std::function<CColor(uint32 x, uint32 y)>& colorAt)
{
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);
	do
		access->setColor(colorAt(access->getX(), access->getY()));
	while (++*access);
}

// A bitmap of one colour, scale factor 1.
inline SharedPointer<CBitmap> solidBitmap(double width, double height, const CColor& color)
{
	auto bitmap = owned(new CBitmap(width, height));
	paintPixels(*bitmap, [&](uint32, uint32) { return color; });
	return bitmap;
}

} // namespace Kavrin::Test
