#pragma once

#include "lib/cdrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"

#include <algorithm>
#include <vector>

namespace Kavrin::Test {

// What an earlier paint left on a surface: opaque green with a translucent
// red band across it, which nothing repainted may let show through.
inline void paintStalePixels(CairoImageSurface& surface)
{
	auto context = owned(surface.createDrawContext());
	const CRect all = context->getSurfaceRect();
	context->setFillColor(CColor(0, 200, 0, 255));
	context->drawRect(all, kDrawFilled);
	context->setFillColor(CColor(255, 0, 0, 90));
	context->drawRect(CRect(all.left, all.top + 8, all.right, all.top + 16), kDrawFilled);
}

// How many device pixels of two surfaces differ; every pixel of the larger
// one when their sizes differ.
inline int differingPixels(const CairoImageSurface& a, const CairoImageSurface& b)
{
	if (a.getPixelWidth() != b.getPixelWidth() || a.getPixelHeight() != b.getPixelHeight())
		return std::max(a.getPixelWidth() * a.getPixelHeight(), b.getPixelWidth() * b.getPixelHeight());
	int count = 0;
	for (int32 y = 0; y < a.getPixelHeight(); ++y)
		for (int32 x = 0; x < a.getPixelWidth(); ++x)
			count += a.getPixelWord(x, y) != b.getPixelWord(x, y);
	return count;
}

// The premultiplied words of a surface, row by row, without alpha.
inline std::vector<uint32> surfaceWords(const CairoImageSurface& surface)
{
	std::vector<uint32> words;
	for (int32 y = 0; y < surface.getPixelHeight(); ++y)
		for (int32 x = 0; x < surface.getPixelWidth(); ++x)
			words.push_back(surface.getPixelWord(x, y) & 0xFFFFFF);
	return words;
}

// How many of two word lists differ; all of the longer when their sizes differ.
inline size_t differingWords(const std::vector<uint32>& a, const std::vector<uint32>& b)
{
	if (a.size() != b.size())
		return std::max(a.size(), b.size());
	size_t count = 0;
	for (size_t i = 0; i < a.size(); ++i)
		count += a[i] != b[i];
	return count;
}

} // namespace Kavrin::Test
