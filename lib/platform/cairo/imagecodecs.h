#pragma once

#include "lib/kavrintypes.h"
#include "lib/reference.h"

#include <cstddef>
#include <vector>

namespace Kavrin {

class CairoImageSurface;

// Image files face untrusted input: every size is bounded before anything
// is allocated and every decoder result is checked. Failures give null (or
// an empty vector), never a partial image.

// The largest image decoded: 32767 pixels on a side (Cairo's own limit) and
// 64 megapixels in all.
constexpr int32 kMaxImageSide = 32767;
constexpr int64 kMaxImagePixels = int64(1) << 26;

// PNG, JPEG or BMP, recognised by their signatures; anything else fails.
SharedPointer<CairoImageSurface> decodeImage(const void* data, size_t size);
SharedPointer<CairoImageSurface> decodeImageFile(const char* path);
// PNG of the surface's pixels, with a resolution chunk of 72 x scaleFactor
// dots per inch when the scale factor is not 1.
std::vector<uint8> encodePNG(const CairoImageSurface& surface, double scaleFactor);

} // namespace Kavrin
