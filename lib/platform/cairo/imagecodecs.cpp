#include "lib/platform/cairo/imagecodecs.h"

#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/imageformats.h"

#include <algorithm>
#include <cstdio>

namespace Kavrin {

bool acceptableImageSize(int64 width, int64 height)
{
	return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
	       width * height <= kMaxImagePixels;
}

SharedPointer<CairoImageSurface> decodeImage(const void* data, size_t size)
{
	if (!data || size < 8)
		return nullptr;
	auto bytes = static_cast<const uint8*>(data);
	static const uint8 pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
	if (std::equal(pngSignature, pngSignature + 8, bytes))
		return decodePNG(bytes, size);
	if (bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
		return decodeJPEG(bytes, size);
	if (bytes[0] == 'B' && bytes[1] == 'M')
		return decodeBMP(bytes, size);
	return nullptr;
}

SharedPointer<CairoImageSurface> decodeImageFile(const char* path)
{
	if (!path)
		return nullptr;
	std::FILE* file = std::fopen(path, "rb");
	if (!file)
		return nullptr;
	std::vector<unsigned char> bytes;
	unsigned char buffer[65536];
	size_t count;
	// Files beyond what any bounded image could need are refused.
	constexpr size_t kMaxFileSize = size_t(1) << 30;
	while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0 && bytes.size() <= kMaxFileSize)
		bytes.insert(bytes.end(), buffer, buffer + count);
	bool failed = std::ferror(file) || bytes.size() > kMaxFileSize;
	std::fclose(file);
	if (failed)
		return nullptr;
	return decodeImage(bytes.data(), bytes.size());
}

} // namespace Kavrin
