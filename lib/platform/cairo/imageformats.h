#pragma once

#include "lib/platform/cairo/imagecodecs.h"

namespace Kavrin {

// The per-format codecs behind imagecodecs.h. Each decoder checks the size a
// file claims with acceptableImageSize before it allocates any pixels, and
// gives null rather than an image it could only partly decode.

bool acceptableImageSize(int64 width, int64 height);

SharedPointer<CairoImageSurface> decodePNG(const uint8* data, size_t size);
SharedPointer<CairoImageSurface> decodeJPEG(const uint8* data, size_t size);
SharedPointer<CairoImageSurface> decodeBMP(const uint8* data, size_t size);

} // namespace Kavrin
