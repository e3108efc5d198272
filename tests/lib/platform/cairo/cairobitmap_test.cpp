#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/bundle.h"
#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/bmpfile.h"
#include "tests/support/jpegencoder.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <png.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Under AddressSanitizer every allocation can be watched, which shows
// whether a decoder believed a size that a file only claims.
#if defined(__SANITIZE_ADDRESS__)
#define KAVRIN_WATCH_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVRIN_WATCH_ALLOCATIONS 1
#endif
#endif

#ifdef KAVRIN_WATCH_ALLOCATIONS
using SanitizerMallocHook = void (*)(const volatile void*, size_t);
using SanitizerFreeHook = void (*)(const volatile void*);
extern "C" int __sanitizer_install_malloc_and_free_hooks(SanitizerMallocHook, SanitizerFreeHook);
#endif

namespace Kavrin::Test {
namespace {

namespace fs = std::filesystem;

constexpr CColor kClear {0, 0, 0, 0};

std::string describe(const CColor& color)
{
	return "(" + std::to_string(color.red) + ", " + std::to_string(color.green) + ", " +
	       std::to_string(color.blue) + ", " + std::to_string(color.alpha) + ")";
}

// ---- Allocation watch ----

#ifdef KAVRIN_WATCH_ALLOCATIONS
std::atomic<bool> watching {false};
std::atomic<size_t> largestAllocation {0};

void onMalloc(const volatile void*, size_t size)
{
	if (!watching.load(std::memory_order_relaxed))
		return;
	size_t seen = largestAllocation.load(std::memory_order_relaxed);
	while (size > seen && !largestAllocation.compare_exchange_weak(seen, size))
	{
	}
}

void onFree(const volatile void*) {}
#endif

// The largest single allocation made while it lives; 0 when allocations
// cannot be watched in this build.
class AllocationWatch
{
public:
	AllocationWatch()
	{
#ifdef KAVRIN_WATCH_ALLOCATIONS
		static const bool installed =
		    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
		available = installed;
		largestAllocation = 0;
		watching = true;
#endif
	}
	~AllocationWatch()
	{
#ifdef KAVRIN_WATCH_ALLOCATIONS
		watching = false;
#endif
	}
	size_t largest() const
	{
#ifdef KAVRIN_WATCH_ALLOCATIONS
		return largestAllocation.load();
#else
		return 0;
#endif
	}
	bool isAvailable() const { return available; }

private:
	bool available {false};
};

// ---- Images ----

// A colour that tells where it came from: red and green carry x and y (up
// to 25 each).
CColor coordinateColor(int x, int y)
{
	return CColor(uint8(5 + x * 10), uint8(5 + y * 10), 77, 255);
}

CColor checker(int x, int y)
{
	return (x + y) % 2 ? kWhiteCColor : kBlackCColor;
}

void paint(CBitmap& bitmap, const std::function<CColor(int, int)>& colorAt,
           bool premultiplied = true)
{
	auto access = owned(CBitmapPixelAccess::create(&bitmap, premultiplied));
	ASSERT_TRUE(access);
	do
		access->setColor(colorAt(int(access->getX()), int(access->getY())));
	while (++*access);
}

SharedPointer<CBitmap> makeBitmap(int width, int height,
                                  const std::function<CColor(int, int)>& colorAt, double scale = 1.)
{
	auto bitmap = makeOwned<CBitmap>(CPoint(width, height), scale);
	paint(*bitmap, colorAt);
	return bitmap;
}

SharedPointer<IPlatformBitmap> makePlatformBitmap(int pixelWidth, int pixelHeight, double scale,
                                                  const std::function<CColor(int, int)>& colorAt)
{
	CPoint size(pixelWidth, pixelHeight);
	auto platform = IPlatformBitmap::create(&size);
	if (!platform)
		return nullptr;
	platform->setScaleFactor(scale);
	CBitmap holder(platform);
	paint(holder, colorAt);
	return platform;
}

CairoImageSurface* surfaceOf(const IPlatformBitmap* bitmap)
{
	auto cairoBitmap = dynamic_cast<const CairoBitmap*>(bitmap);
	return cairoBitmap ? cairoBitmap->getSurface() : nullptr;
}

std::vector<uint32> wordsOf(const IPlatformBitmap* bitmap)
{
	std::vector<uint32> words;
	auto surface = surfaceOf(bitmap);
	if (!surface)
		return words;
	for (int32 y = 0; y < surface->getPixelHeight(); ++y)
		for (int32 x = 0; x < surface->getPixelWidth(); ++x)
			words.push_back(surface->getPixelWord(x, y));
	return words;
}

int differingPixels(const IPlatformBitmap* a, const IPlatformBitmap* b)
{
	auto wordsA = wordsOf(a);
	auto wordsB = wordsOf(b);
	int count = 0;
	for (size_t i = 0; i < std::min(wordsA.size(), wordsB.size()); ++i)
		count += wordsA[i] != wordsB[i];
	return count +
	       int(std::max(wordsA.size(), wordsB.size()) - std::min(wordsA.size(), wordsB.size()));
}

std::vector<uint8> encodePNG(const CBitmap& bitmap)
{
	return IPlatformBitmap::createMemoryPNGRepresentation(bitmap.getPlatformBitmap());
}

// A straight-alpha RGBA PNG written by libpng itself, independent of the
// toolkit's encoder.
std::vector<uint8> straightRGBAPNG(int width, int height,
                                   const std::function<CColor(int, int)>& colorAt)
{
	std::vector<uint8> pixels;
	for (int y = 0; y < height; ++y)
		for (int x = 0; x < width; ++x)
		{
			CColor c = colorAt(x, y);
			pixels.insert(pixels.end(), {c.red, c.green, c.blue, c.alpha});
		}
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(width);
	image.height = png_uint_32(height);
	image.format = PNG_FORMAT_RGBA;
	png_alloc_size_t size = 0;
	if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr))
		return {};
	std::vector<uint8> png(size);
	if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr))
		return {};
	png.resize(size);
	return png;
}

// The straight RGBA pixels of a PNG as libpng reads them.
std::vector<CColor> readPNGWithLibpng(const std::vector<uint8>& png, int& width, int& height)
{
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
		return {};
	image.format = PNG_FORMAT_RGBA;
	std::vector<uint8> bytes(PNG_IMAGE_SIZE(image));
	if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr))
		return {};
	width = int(image.width);
	height = int(image.height);
	std::vector<CColor> colors;
	for (size_t i = 0; i + 3 < bytes.size(); i += 4)
		colors.emplace_back(bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]);
	return colors;
}

// ---- PNG and JPEG structure ----

uint32 crc32(const uint8* bytes, size_t size)
{
	uint32 crc = 0xFFFFFFFFu;
	for (size_t i = 0; i < size; ++i)
	{
		crc ^= bytes[i];
		for (int k = 0; k < 8; ++k)
			crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
	}
	return crc ^ 0xFFFFFFFFu;
}

uint32 readBigEndian(const std::vector<uint8>& bytes, size_t at)
{
	return uint32(bytes[at]) << 24 | uint32(bytes[at + 1]) << 16 | uint32(bytes[at + 2]) << 8 |
	       bytes[at + 3];
}

void writeBigEndian(std::vector<uint8>& bytes, size_t at, uint32 value)
{
	for (int i = 0; i < 4; ++i)
		bytes[at + size_t(i)] = uint8(value >> (24 - 8 * i));
}

struct PngChunk
{
	std::string type;
	size_t start; // of the length field
	uint32 length;
	size_t dataStart() const { return start + 8; }
	size_t crcStart() const { return start + 8 + length; }
};

std::vector<PngChunk> pngChunks(const std::vector<uint8>& png)
{
	std::vector<PngChunk> chunks;
	size_t at = 8;
	while (at + 12 <= png.size())
	{
		uint32 length = readBigEndian(png, at);
		if (at + 12 + length > png.size())
			break;
		chunks.push_back({std::string(reinterpret_cast<const char*>(&png[at + 4]), 4), at, length});
		at += 12 + length;
	}
	return chunks;
}

const PngChunk* findChunk(const std::vector<PngChunk>& chunks, const char* type)
{
	for (const auto& chunk : chunks)
		if (chunk.type == type)
			return &chunk;
	return nullptr;
}

bool crcIsRight(const std::vector<uint8>& png, const PngChunk& chunk)
{
	return crc32(&png[chunk.start + 4], chunk.length + 4) == readBigEndian(png, chunk.crcStart());
}

void fixCrc(std::vector<uint8>& png, const PngChunk& chunk)
{
	writeBigEndian(png, chunk.crcStart(), crc32(&png[chunk.start + 4], chunk.length + 4));
}

// The same PNG with another size in its header (and a valid header CRC).
std::vector<uint8> withPNGSize(std::vector<uint8> png, uint32 width, uint32 height)
{
	auto chunks = pngChunks(png);
	const PngChunk* header = findChunk(chunks, "IHDR");
	if (!header)
		return {};
	writeBigEndian(png, header->dataStart(), width);
	writeBigEndian(png, header->dataStart() + 4, height);
	fixCrc(png, *header);
	return png;
}

// The same JPEG with another size in its frame header.
std::vector<uint8> withJPEGSize(std::vector<uint8> jpeg, uint16 width, uint16 height)
{
	size_t at = 2;
	while (at + 9 < jpeg.size() && jpeg[at] == 0xFF)
	{
		uint8 marker = jpeg[at + 1];
		size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
		if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
		{
			jpeg[at + 5] = uint8(height >> 8);
			jpeg[at + 6] = uint8(height);
			jpeg[at + 7] = uint8(width >> 8);
			jpeg[at + 8] = uint8(width);
			return jpeg;
		}
		at += 2 + length;
	}
	return {};
}

// Entropy-coded data flipped in place without making or breaking a marker,
// so that the decoder meets bad codes rather than a cut.
std::vector<uint8> withDamagedScan(std::vector<uint8> jpeg, size_t at, size_t count)
{
	for (size_t i = std::max<size_t>(at, 1); i < at + count && i < jpeg.size(); ++i)
	{
		uint8 flipped = jpeg[i] ^ 0x55;
		if (jpeg[i] == 0xFF || jpeg[i - 1] == 0xFF || flipped == 0xFF)
			continue;
		jpeg[i] = flipped;
	}
	return jpeg;
}

std::vector<uint8> randomBytes(size_t count, uint32 seed, std::vector<uint8> prefix = {})
{
	std::mt19937 generator(seed);
	std::uniform_int_distribution<int> byte(0, 255);
	while (prefix.size() < count)
		prefix.push_back(uint8(byte(generator)));
	return prefix;
}


// A chunk put in at a byte position, with its CRC right or deliberately
// wrong.
std::vector<uint8> withChunkAt(std::vector<uint8> png, size_t at, const std::string& type,
                               const std::string& data, bool rightCrc)
{
	std::vector<uint8> chunk(12 + data.size());
	writeBigEndian(chunk, 0, uint32(data.size()));
	std::copy(type.begin(), type.end(), chunk.begin() + 4);
	std::copy(data.begin(), data.end(), chunk.begin() + 8);
	uint32 crc = crc32(&chunk[4], data.size() + 4);
	writeBigEndian(chunk, 8 + data.size(), rightCrc ? crc : ~crc);
	png.insert(png.begin() + std::ptrdiff_t(at), chunk.begin(), chunk.end());
	return png;
}

// The same BMP with another number of palette colours in its header.
std::vector<uint8> withBMPColourCount(std::vector<uint8> bmp, uint32 colours)
{
	for (int i = 0; i < 4; ++i)
		bmp[46 + size_t(i)] = uint8(colours >> (8 * i));
	return bmp;
}

// ---- libpng's own reading and writing ----

enum class ColourSpaceChunk
{
	none,
	sRGB,
	linearGamma,
};

void appendToVector(png_structp png, png_bytep data, size_t length)
{
	auto out = static_cast<std::vector<uint8>*>(png_get_io_ptr(png));
	out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Nothing in this frame has a destructor: libpng leaves it by longjmp.
bool write16BitRows(png_structp png, png_infop info, std::vector<uint8>& out,
                    const std::vector<png_byte>& row, int width, int height, bool alpha,
                    ColourSpaceChunk chunk)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_write_fn(png, &out, appendToVector, flushNothing);
	png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 16,
	             alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	if (chunk == ColourSpaceChunk::sRGB)
		png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
	else if (chunk == ColourSpaceChunk::linearGamma)
		png_set_gAMA_fixed(png, info, PNG_GAMMA_LINEAR);
	png_write_info(png, info);
	for (int y = 0; y < height; ++y)
		png_write_row(png, row.data());
	png_write_end(png, nullptr);
	return true;
}

// A PNG of 16-bit samples (red, green, blue and, with alpha, alpha), the same
// in every pixel.
std::vector<uint8> solid16BitPNG(int width, int height, const std::array<uint16, 4>& samples,
                                 bool alpha, ColourSpaceChunk chunk)
{
	std::vector<png_byte> row;
	for (int x = 0; x < width; ++x)
		for (int c = 0; c < (alpha ? 4 : 3); ++c)
		{
			const uint16 sample = samples[size_t(c)];
			row.insert(row.end(), {png_byte(sample >> 8), png_byte(sample)});
		}
	std::vector<uint8> out;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	bool written = png && info && write16BitRows(png, info, out, row, width, height, alpha, chunk);
	png_destroy_write_struct(&png, &info);
	return written ? out : std::vector<uint8>();
}

struct MemoryReader
{
	const std::vector<uint8>* bytes;
	size_t position;
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
	auto reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
	if (length > reader->bytes->size() - reader->position)
		png_error(png, "cut short");
	std::memcpy(out, reader->bytes->data() + reader->position, length);
	reader->position += length;
}

// The resolution a PNG records, as libpng reads it.
struct Resolution
{
	bool readable {false};
	bool recorded {false};
	png_uint_32 x {0};
	png_uint_32 y {0};
	int unit {-1};
};

// Nothing in this frame has a destructor: libpng leaves it by longjmp.
bool readResolutionInto(png_structp png, png_infop info, MemoryReader& reader,
                        Resolution& resolution)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_read_fn(png, &reader, readFromMemory);
	png_read_info(png, info);
	resolution.recorded =
	    png_get_pHYs(png, info, &resolution.x, &resolution.y, &resolution.unit) != 0;
	return true;
}

Resolution readResolution(const std::vector<uint8>& bytes)
{
	Resolution resolution;
	MemoryReader reader {&bytes, 0};
	png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	resolution.readable = png && info && readResolutionInto(png, info, reader, resolution);
	png_destroy_read_struct(&png, &info, nullptr);
	return resolution;
}

// ---- Fixtures ----

class CairoBitmapTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(owned(new HeadlessPlatform)); }
	void TearDown() override
	{
		gBundleRef = nullptr;
		setPlatform(nullptr);
	}
};

// A transparent surface of the given logical size and scale, and a context
// on it.
struct Canvas
{
	explicit Canvas(int logicalWidth, int logicalHeight, double scale = 1.)
	: surface(CairoImageSurface::create(int32(logicalWidth * scale), int32(logicalHeight * scale),
	                                    scale)),
	  context(owned(surface->createDrawContext()))
	{
	}
	CColor pixel(int x, int y) const { return surface->getPixel(x, y); }
	int width() const { return surface->getPixelWidth(); }
	int height() const { return surface->getPixelHeight(); }

	// Compares every device pixel with what expected() says, and reports
	// the first few that differ.
	void expectPixels(const std::function<CColor(int, int)>& expected) const
	{
		int mismatches = 0;
		for (int y = 0; y < height(); ++y)
		{
			for (int x = 0; x < width(); ++x)
			{
				CColor want = expected(x, y);
				CColor got = pixel(x, y);
				if (!(got == want) && ++mismatches <= 5)
					ADD_FAILURE() << "pixel " << x << "," << y << ": got " << describe(got)
					              << ", expected " << describe(want);
			}
		}
		EXPECT_EQ(mismatches, 0);
	}

	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CDrawContext> context;
};

// ---- Pixel order and alpha ----

TEST_F(CairoBitmapTest, ReportedPixelFormatIsTheByteOrderInMemory)
{
	CBitmap bitmap(3, 1);
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);
	const auto format = access->getPixelFormat();
	ASSERT_TRUE(access->setPosition(1, 0));
	access->setColor(CColor(0x11, 0x22, 0x33, 0xFF));
	access = nullptr;

	struct Order
	{
		int red, green, blue, alpha;
	};
	const Order orders[] = {{1, 2, 3, 0}, {0, 1, 2, 3}, {3, 2, 1, 0}, {2, 1, 0, 3}};
	ASSERT_GE(format, 0);
	ASSERT_LT(format, 4);
	const Order& order = orders[format];
	const uint8* pixel = bitmap.getPlatformBitmap()->getBytes() + 4;
	EXPECT_EQ(pixel[order.red], 0x11) << "format " << format;
	EXPECT_EQ(pixel[order.green], 0x22);
	EXPECT_EQ(pixel[order.blue], 0x33);
	EXPECT_EQ(pixel[order.alpha], 0xFF);
	// Cairo's own view of the pixel agrees.
	EXPECT_EQ(surfaceOf(bitmap.getPlatformBitmap())->getPixelWord(1, 0), 0xFF112233u);
}

TEST_F(CairoBitmapTest, PremultipliedAccessReadsAndWritesStoredValues)
{
	CBitmap bitmap(2, 1);
	const CColor premultiplied(50, 100, 20, 128);
	{
		auto access = owned(CBitmapPixelAccess::create(&bitmap, true));
		ASSERT_TRUE(access);
		access->setColor(premultiplied);
	}
	EXPECT_EQ(surfaceOf(bitmap.getPlatformBitmap())->getPixelWord(0, 0), 0x80326414u);
	{
		auto access = owned(CBitmapPixelAccess::create(&bitmap, true));
		CColor color;
		access->getColor(color);
		EXPECT_EQ(color, premultiplied);
	}
	{
		auto access = owned(CBitmapPixelAccess::create(&bitmap, false));
		CColor color;
		access->getColor(color);
		EXPECT_NEAR(color.red, 100, 1);
		EXPECT_NEAR(color.green, 200, 1);
		EXPECT_NEAR(color.blue, 40, 1);
		EXPECT_EQ(color.alpha, 128);
	}
}

TEST_F(CairoBitmapTest, StraightAccessIsStoredPremultipliedAndReadsBackStraight)
{
	struct Case
	{
		CColor straight;
		uint32 storedWord;
	};
	const Case cases[] = {
	    {{200, 100, 40, 128}, 0x80643214u},
	    {{255, 255, 255, 128}, 0x80808080u},
	    {{12, 34, 56, 255}, 0xFF0C2238u},
	    {{200, 100, 40, 0}, 0x00000000u},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(describe(c.straight));
		CBitmap bitmap(1, 1);
		{
			auto access = owned(CBitmapPixelAccess::create(&bitmap, false));
			ASSERT_TRUE(access);
			access->setColor(c.straight);
		}
		uint32 word = surfaceOf(bitmap.getPlatformBitmap())->getPixelWord(0, 0);
		EXPECT_EQ(word >> 24, c.storedWord >> 24);
		EXPECT_NEAR(int(word >> 16 & 0xFF), int(c.storedWord >> 16 & 0xFF), 1);
		EXPECT_NEAR(int(word >> 8 & 0xFF), int(c.storedWord >> 8 & 0xFF), 1);
		EXPECT_NEAR(int(word & 0xFF), int(c.storedWord & 0xFF), 1);

		auto access = owned(CBitmapPixelAccess::create(&bitmap, false));
		CColor color;
		access->getColor(color);
		EXPECT_EQ(color.alpha, c.straight.alpha);
		if (c.straight.alpha)
		{
			EXPECT_NEAR(color.red, c.straight.red, 1);
			EXPECT_NEAR(color.green, c.straight.green, 1);
			EXPECT_NEAR(color.blue, c.straight.blue, 1);
		}
	}
}

TEST_F(CairoBitmapTest, StraightAccessWithoutWritesLeavesEveryStoredValueAsItWas)
{
	// Every premultiplied value a pixel can hold: x is the colour value,
	// y the alpha, colour never above alpha.
	CBitmap bitmap(256, 256);
	paint(bitmap, [](int x, int y) {
		uint8 value = uint8(std::min(x, y));
		return CColor(value, uint8(value / 2), uint8(value / 3), uint8(y));
	});
	auto before = wordsOf(bitmap.getPlatformBitmap());
	{
		auto access = owned(CBitmapPixelAccess::create(&bitmap, false));
		ASSERT_TRUE(access);
	}
	auto after = wordsOf(bitmap.getPlatformBitmap());
	ASSERT_EQ(before.size(), after.size());
	int changed = 0;
	for (size_t i = 0; i < before.size(); ++i)
		if (before[i] != after[i] && ++changed <= 5)
			ADD_FAILURE() << "pixel " << i % 256 << "," << i / 256 << std::hex << ": " << before[i]
			              << " became " << after[i];
	EXPECT_EQ(changed, 0);
}

TEST_F(CairoBitmapTest, PixelChangesShowOnTheNextDraw)
{
	auto bitmap = makeBitmap(4, 4, [](int, int) { return kRedCColor; });
	Canvas canvas(4, 4);
	bitmap->draw(canvas.context, CRect(0, 0, 4, 4));
	ASSERT_EQ(canvas.pixel(1, 2), kRedCColor);

	for (bool premultiplied : {true, false})
	{
		SCOPED_TRACE(premultiplied ? "premultiplied" : "straight");
		const CColor color = premultiplied ? kBlueCColor : CColor(0, 255, 0, 128);
		{
			auto access = owned(CBitmapPixelAccess::create(bitmap, premultiplied));
			ASSERT_TRUE(access->setPosition(1, 2));
			access->setColor(color);
		}
		canvas.surface->clear();
		bitmap->draw(canvas.context, CRect(0, 0, 4, 4));
		EXPECT_EQ(canvas.pixel(1, 2), color) << describe(canvas.pixel(1, 2));
		EXPECT_EQ(canvas.pixel(2, 2), kRedCColor);
	}
}

// ---- Decoding ----

TEST_F(CairoBitmapTest, PNGRoundTripKeepsEveryPixelAtEveryScale)
{
	// Opaque, translucent and clear pixels, premultiplied as stored.
	auto colorAt = [](int x, int y) {
		if ((x + y) % 3 == 0)
			return coordinateColor(x, y);
		uint8 alpha = uint8(17 * (x + 1) + 9 * y);
		return CColor(uint8(alpha * (x % 13) / 12), uint8(alpha * (y % 11) / 10), uint8(alpha / 2),
		              alpha);
	};
	for (double scale : {1., 2., 3.})
	{
		SCOPED_TRACE(testing::Message() << "scale " << scale);
		auto bitmap = makeBitmap(6, 5, colorAt, scale);
		auto png = encodePNG(*bitmap);
		ASSERT_FALSE(png.empty());
		auto decoded = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
		ASSERT_TRUE(decoded);
		EXPECT_EQ(decoded->getSize(), CPoint(6 * scale, 5 * scale));
		EXPECT_EQ(wordsOf(decoded), wordsOf(bitmap->getPlatformBitmap()));
	}
}

TEST_F(CairoBitmapTest, PNGFilesHoldStraightAlphaAndBitmapsPremultiplied)
{
	const CColor straight(200, 100, 50, 128);
	auto png = straightRGBAPNG(2, 2, [&](int, int) { return straight; });
	ASSERT_FALSE(png.empty());
	auto decoded = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
	ASSERT_TRUE(decoded);
	uint32 word = surfaceOf(decoded)->getPixelWord(1, 1);
	EXPECT_EQ(word >> 24, 128u);
	EXPECT_NEAR(int(word >> 16 & 0xFF), 100, 1);
	EXPECT_NEAR(int(word >> 8 & 0xFF), 50, 1);
	EXPECT_NEAR(int(word & 0xFF), 25, 1);

	// And the encoder writes straight alpha again.
	int width = 0, height = 0;
	auto colors =
	    readPNGWithLibpng(IPlatformBitmap::createMemoryPNGRepresentation(decoded), width, height);
	ASSERT_EQ(colors.size(), 4u);
	EXPECT_EQ(colors[3].alpha, 128);
	EXPECT_NEAR(colors[3].red, 200, 2);
	EXPECT_NEAR(colors[3].green, 100, 2);
	EXPECT_NEAR(colors[3].blue, 50, 2);
}

TEST_F(CairoBitmapTest, JPEGDecodesOpaqueInColourAndInGrey)
{
	struct Case
	{
		const char* name;
		bool grey;
		bool progressive;
		CColor color;
	};
	const Case cases[] = {
	    {"colour", false, false, CColor(200, 60, 30, 255)},
	    {"grey", true, false, CColor(90, 90, 90, 255)},
	    {"progressive", false, true, CColor(30, 60, 200, 255)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		// Left half the colour, right half white, so that a mirrored or
		// shifted image shows.
		auto jpeg = encodeJPEG(
		    16, 8, [&](int x, int) { return x < 8 ? c.color : kWhiteCColor; }, c.grey, 100,
		    c.progressive);
		auto decoded = IPlatformBitmap::createFromMemory(jpeg.data(), uint32(jpeg.size()));
		ASSERT_TRUE(decoded);
		EXPECT_EQ(decoded->getSize(), CPoint(16, 8));
		CColor left = surfaceOf(decoded)->getPixel(2, 4);
		CColor right = surfaceOf(decoded)->getPixel(13, 4);
		EXPECT_EQ(left.alpha, 255);
		EXPECT_NEAR(left.red, c.color.red, 4) << describe(left);
		EXPECT_NEAR(left.green, c.color.green, 4) << describe(left);
		EXPECT_NEAR(left.blue, c.color.blue, 4) << describe(left);
		EXPECT_EQ(right.alpha, 255);
		EXPECT_GE(right.red, 250) << describe(right);
		EXPECT_GE(right.blue, 250) << describe(right);
	}
}

// Colours equal within a few steps of rounding (premultiplication, JPEG).
bool isNear(const CColor& got, const CColor& want, int tolerance)
{
	auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
	return got.alpha == want.alpha && near(got.red, want.red) && near(got.green, want.green) &&
	       near(got.blue, want.blue);
}

TEST_F(CairoBitmapTest, SixteenBitPNGsAreSRGBUnlessTheyNameAnotherColourSpace)
{
	const uint16 half = 128 * 257;
	struct Case
	{
		const char* name;
		bool alpha;
		uint16 alphaSample;
		ColourSpaceChunk chunk;
		CColor expected;
	};
	const Case cases[] = {
	    {"RGB naming no colour space", false, 65535, ColourSpaceChunk::none, {128, 64, 200, 255}},
	    {"RGBA naming no colour space", true, 65535, ColourSpaceChunk::none, {128, 64, 200, 255}},
	    {"translucent, naming no colour space", true, half, ColourSpaceChunk::none,
	     {128, 64, 200, 128}},
	    {"marked sRGB", false, 65535, ColourSpaceChunk::sRGB, {128, 64, 200, 255}},
	    // The same samples as linear light, brought into sRGB.
	    {"marked linear", false, 65535, ColourSpaceChunk::linearGamma, {186, 136, 228, 255}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto png = solid16BitPNG(3, 2, {128 * 257, 64 * 257, 200 * 257, c.alphaSample}, c.alpha,
		                         c.chunk);
		ASSERT_FALSE(png.empty());
		auto decoded = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
		ASSERT_TRUE(decoded);
		EXPECT_EQ(decoded->getSize(), CPoint(3, 2));
		CColor pixel = surfaceOf(decoded)->getPixel(2, 1);
		EXPECT_TRUE(isNear(pixel, c.expected, 1))
		    << describe(pixel) << ", expected " << describe(c.expected);
	}
}

TEST_F(CairoBitmapTest, PrintJPEGsInCMYKAndYCCKDecodeToTheColourOfTheirInk)
{
	// Adobe's marker means the ink is stored inverted: 255 is no ink.
	const Ink noInkInverted {255, 255, 255, 255};
	const Ink noInk {0, 0, 0, 0};
	struct Case
	{
		const char* name;
		J_COLOR_SPACE stored;
		bool adobeMarker;
		Ink ink;
		CColor expected;
	};
	const Case cases[] = {
	    {"inverted CMYK", JCS_CMYK, true, {200, 60, 30, 255}, {200, 60, 30, 255}},
	    {"inverted CMYK with black", JCS_CMYK, true, {200, 60, 30, 128}, {100, 30, 15, 255}},
	    {"inverted YCCK with black", JCS_YCCK, true, {200, 60, 30, 128}, {100, 30, 15, 255}},
	    {"plain CMYK", JCS_CMYK, false, {55, 195, 225, 0}, {200, 60, 30, 255}},
	    {"plain CMYK with black", JCS_CMYK, false, {55, 195, 225, 127}, {100, 30, 15, 255}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		// Left half inked, right half bare paper.
		const Ink paper = c.adobeMarker ? noInkInverted : noInk;
		auto jpeg = encodeInkJPEG(
		    16, 8, [&](int x, int) { return x < 8 ? c.ink : paper; }, c.stored, c.adobeMarker);
		auto decoded = IPlatformBitmap::createFromMemory(jpeg.data(), uint32(jpeg.size()));
		ASSERT_TRUE(decoded);
		EXPECT_EQ(decoded->getSize(), CPoint(16, 8));
		CColor left = surfaceOf(decoded)->getPixel(2, 4);
		CColor right = surfaceOf(decoded)->getPixel(13, 4);
		EXPECT_TRUE(isNear(left, c.expected, 4)) << describe(left);
		EXPECT_TRUE(isNear(right, kWhiteCColor, 4)) << describe(right);
	}
}

TEST_F(CairoBitmapTest, BMPDecodesEachDepthCompressionAndRowOrder)
{
	const CColor red(255, 0, 0, 255), green(0, 255, 0, 255), blue(0, 0, 255, 255);
	const std::vector<CColor> palette {red, green, blue};
	// Blue, green, red as stored: red, green / blue, white.
	const auto rows24 = paddedBmpRows({{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
	struct Case
	{
		const char* name;
		BmpImage image;
		// Top row first.
		std::vector<std::vector<CColor>> expected;
	};
	const Case cases[] = {
	    {"24-bit, bottom row stored first", {2, 2, 24, kBmpRGB, {}, rows24},
	     {{blue, kWhiteCColor}, {red, green}}},
	    {"24-bit, top row stored first", {2, -2, 24, kBmpRGB, {}, rows24},
	     {{red, green}, {blue, kWhiteCColor}}},
	    // Without masks the fourth byte is reserved, not alpha.
	    {"32-bit", {2, 1, 32, kBmpRGB, {}, {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0}},
	     {{{0x30, 0x20, 0x10, 255}, {0x60, 0x50, 0x40, 255}}}},
	    {"32-bit with an alpha mask",
	     {2, 1, 32, kBmpBitFields, {}, {50, 100, 200, 128, 40, 50, 60, 0},
	      {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
	     {{{200, 100, 50, 128}, kClear}}},
	    {"8-bit palette, rows padded",
	     {3, 2, 8, kBmpRGB, palette, paddedBmpRows({{0, 1, 2}, {2, 2, 1}})},
	     {{blue, blue, green}, {red, green, blue}}},
	    // Bottom row: three red, one blue, end of line. Middle: four given
	    // one by one. Top: two green, then the end of the bitmap leaves the
	    // rest transparent.
	    {"RLE8",
	     {4, 3, 8, kBmpRLE8, palette, {3, 0, 1, 2, 0, 0, 0, 4, 1, 2, 1, 0, 0, 0, 2, 1, 0, 1}},
	     {{green, green, kClear, kClear}, {green, blue, green, red}, {red, red, red, blue}}},
	    // Two pixels alternating green and blue, then four given one by one.
	    {"RLE4", {6, 1, 4, kBmpRLE4, palette, {2, 0x12, 0, 4, 0x01, 0x20, 0, 1}},
	     {{green, blue, red, green, blue, red}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto bmp = encodeBMP(c.image);
		auto decoded = IPlatformBitmap::createFromMemory(bmp.data(), uint32(bmp.size()));
		ASSERT_TRUE(decoded);
		const int height = int(c.expected.size());
		const int width = int(c.expected.front().size());
		ASSERT_EQ(decoded->getSize(), CPoint(width, height));
		for (int y = 0; y < height; ++y)
		{
			for (int x = 0; x < width; ++x)
			{
				CColor got = surfaceOf(decoded)->getPixel(x, y);
				const CColor& want = c.expected[size_t(y)][size_t(x)];
				EXPECT_TRUE(isNear(got, want, 1))
				    << x << "," << y << ": " << describe(got) << ", expected " << describe(want);
			}
		}
	}
}

TEST_F(CairoBitmapTest, DecodedFileFromPathMatchesDecodedMemory)
{
	TempFolder folder;
	auto png = encodePNG(*makeBitmap(5, 4, coordinateColor));
	std::string path = folder.write("image.png", png);
	auto fromPath = IPlatformBitmap::createFromPath(path.c_str());
	auto fromMemory = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
	ASSERT_TRUE(fromPath);
	ASSERT_TRUE(fromMemory);
	EXPECT_EQ(wordsOf(fromPath), wordsOf(fromMemory));
	EXPECT_FALSE(IPlatformBitmap::createFromPath((folder.path + "/none.png").c_str()));
	EXPECT_FALSE(IPlatformBitmap::createFromPath(folder.path.c_str())) << "a folder";
	EXPECT_FALSE(IPlatformBitmap::createFromPath(nullptr));
}

// Untrusted files and memory. Sample images to damage: a PNG of noise (so
// that its image data is long enough to damage in the middle), a small PNG
// and a JPEG, with what they decode to intact.
class HostileImageTest : public CairoBitmapTest
{
protected:
	void SetUp() override
	{
		CairoBitmapTest::SetUp();
		std::mt19937 noise(7);
		png = encodePNG(*makeBitmap(16, 16, [&](int, int) {
			return CColor(uint8(noise()), uint8(noise()), uint8(noise()), 255);
		}));
		smallPng = encodePNG(*makeBitmap(4, 4, coordinateColor));
		jpeg = encodeJPEG(64, 64, [](int x, int y) { return coordinateColor(x % 20, y % 20); });
		intactPng = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
		intactJpeg = IPlatformBitmap::createFromMemory(jpeg.data(), uint32(jpeg.size()));
		ASSERT_TRUE(intactPng);
		ASSERT_TRUE(intactJpeg);
		ASSERT_TRUE(IPlatformBitmap::createFromMemory(smallPng.data(), uint32(smallPng.size())));

		auto chunks = pngChunks(png);
		const PngChunk* found = findChunk(chunks, "IDAT");
		ASSERT_TRUE(found);
		imageData = *found;
		ASSERT_GT(imageData.length, 40u);
		for (size_t i = 2; i + 1 < jpeg.size() && !jpegScan; ++i)
			if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
				jpegScan = i;
		ASSERT_GT(jpegScan, 0u);
		ASSERT_FALSE(folder.path.empty());
		gBundleRef = folder.path.c_str();
	}

	static std::vector<uint8> cut(const std::vector<uint8>& bytes, size_t size)
	{
		return std::vector<uint8>(bytes.begin(),
		                          bytes.begin() + std::ptrdiff_t(std::min(size, bytes.size())));
	}

	// The bytes fail as memory, as a file and as a resource, without an
	// allocation of the size only claimed, and such a bitmap draws nothing.
	void expectRefused(const std::vector<uint8>& bytes)
	{
		ASSERT_FALSE(bytes.empty());
		{
			AllocationWatch watch;
			auto decoded = IPlatformBitmap::createFromMemory(bytes.data(), uint32(bytes.size()));
			if (decoded)
			{
				const IPlatformBitmap* intact = bytes[0] == 0xFF ? intactJpeg : intactPng;
				ADD_FAILURE() << "decoded to " << decoded->getSize().x << " x "
				              << decoded->getSize().y << ", " << differingPixels(decoded, intact)
				              << " of its pixels differ from the intact image";
			}
			EXPECT_LT(watch.largest(), size_t(16) << 20) << "allocated for a size only claimed";
		}
		std::string name = "bad" + std::to_string(fileCount++) + ".png";
		std::string path = folder.write(name, bytes);
		EXPECT_FALSE(IPlatformBitmap::createFromPath(path.c_str()));
		CBitmap loaded(CResourceDescription(name.c_str()));
		EXPECT_EQ(loaded.getPlatformBitmap(), nullptr);
		EXPECT_EQ(loaded.getSize(), CPoint(0, 0));
		Canvas canvas(4, 4);
		loaded.draw(canvas.context, CRect(0, 0, 4, 4));
		EXPECT_EQ(canvas.pixel(1, 1), kClear);
	}

	struct Case
	{
		const char* name;
		std::vector<uint8> bytes;
	};

	std::vector<uint8> png;
	std::vector<uint8> smallPng;
	std::vector<uint8> jpeg;
	SharedPointer<IPlatformBitmap> intactPng;
	SharedPointer<IPlatformBitmap> intactJpeg;
	PngChunk imageData {};
	size_t jpegScan {0};
	TempFolder folder;
	int fileCount {0};
};

TEST_F(HostileImageTest, CutDamagedAndOversizedImagesAreRefused)
{
	auto badCrc = png;
	badCrc[imageData.crcStart() + 3] ^= 0x5A;
	auto progressiveJpeg = encodeJPEG(
	    64, 64, [](int x, int y) { return coordinateColor(x % 20, y % 20); }, false, 95, true);
	ASSERT_TRUE(
	    IPlatformBitmap::createFromMemory(progressiveJpeg.data(), uint32(progressiveJpeg.size())));
	const Case cases[] = {
	    {"PNG signature alone", cut(png, 8)},
	    {"PNG cut inside its header", cut(png, 20)},
	    {"PNG cut inside its image data", cut(png, imageData.dataStart() + imageData.length / 2)},
	    {"PNG cut before its image data", cut(png, imageData.start)},
	    {"PNG with a wrong CRC on its image data", badCrc},
	    {"PNG header claiming 100000 x 100000", withPNGSize(png, 100000, 100000)},
	    {"PNG header claiming 20000 x 20000", withPNGSize(png, 20000, 20000)},
	    {"PNG header claiming 0 x 16", withPNGSize(png, 0, 16)},
	    {"PNG header taller than its image data", withPNGSize(smallPng, 4, 8)},
	    {"JPEG cut in half", cut(jpeg, jpeg.size() / 2)},
	    {"progressive JPEG cut in half", cut(progressiveJpeg, progressiveJpeg.size() / 2)},
	    {"JPEG cut after its headers", cut(jpeg, jpegScan + 20)},
	    {"JPEG without its end marker and last bytes", cut(jpeg, jpeg.size() - 10)},
	    {"JPEG header claiming 65000 x 65000", withJPEGSize(jpeg, 65000, 65000)},
	    {"JPEG header claiming 20000 x 20000", withJPEGSize(jpeg, 20000, 20000)},
	    {"random bytes", randomBytes(4096, 1)},
	    {"PNG signature then random bytes", randomBytes(4096, 2, cut(png, 8))},
	    {"PNG header then random bytes", randomBytes(4096, 3, cut(png, imageData.start))},
	    {"JPEG start then random bytes", randomBytes(4096, 4, {0xFF, 0xD8, 0xFF})},
	    {"JPEG headers then random bytes", randomBytes(4096, 5, cut(jpeg, jpegScan + 14))},
	    {"seven bytes of a PNG", cut(png, 7)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		expectRefused(c.bytes);
	}
}

// Damage that leaves the file whole but that the decoder itself notices:
// handing out what it made of it would show wrong pixels as an image.
TEST_F(HostileImageTest, DataTheDecoderFindsCorruptIsRefused)
{
	// Compressed PNG data flipped in the middle, under a recomputed CRC: the
	// zlib check of the image data fails.
	auto damagedPng = png;
	for (size_t i = 0; i < 8; ++i)
		damagedPng[imageData.dataStart() + imageData.length / 2 + i] ^= 0xFF;
	fixCrc(damagedPng, imageData);
	const Case cases[] = {
	    {"PNG with damaged image data under a right CRC", damagedPng},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		expectRefused(c.bytes);
	}

	// JPEG scan data carries no checksum: flipped bits that break no marker
	// can decode to valid codes, and the decoder does not always notice.
	// Such data must still stay within the declared size and never crash.
	auto damagedJpeg = withDamagedScan(jpeg, jpegScan + 20 + (jpeg.size() - jpegScan - 20) / 5, 8);
	AllocationWatch watch;
	auto decoded = IPlatformBitmap::createFromMemory(damagedJpeg.data(), uint32(damagedJpeg.size()));
	if (decoded)
	{
		EXPECT_EQ(decoded->getSize(), intactJpeg->getSize());
	}
	EXPECT_LT(watch.largest(), size_t(16) << 20);
}

// A warning about something harmless must not hide damage found later.
TEST_F(HostileImageTest, DamagedImageDataIsRefusedAfterAHarmlessWarning)
{
	// A text chunk with a wrong CRC before the image data: dropped with a
	// warning, and the image itself loads.
	auto withBadText = [&](const std::vector<uint8>& bytes) {
		return withChunkAt(bytes, imageData.start, "tEXt", std::string("Comment\0hi", 10), false);
	};
	auto harmless = withBadText(png);
	auto loaded = IPlatformBitmap::createFromMemory(harmless.data(), uint32(harmless.size()));
	ASSERT_TRUE(loaded);
	EXPECT_EQ(differingPixels(loaded, intactPng), 0);

	auto damagedPng = png;
	for (size_t i = 0; i < 8; ++i)
		damagedPng[imageData.dataStart() + imageData.length / 2 + i] ^= 0xFF;
	fixCrc(damagedPng, imageData);
	expectRefused(withBadText(damagedPng));
}

TEST_F(HostileImageTest, CutAndOversizedBMPsAreRefused)
{
	const std::vector<CColor> palette {kRedCColor, kGreenCColor, kBlueCColor};
	std::vector<std::vector<uint8>> rows(16, std::vector<uint8>(48, 0x7F));
	auto bmp24 = encodeBMP({16, 16, 24, kBmpRGB, {}, paddedBmpRows(rows)});
	auto bmp8 = encodeBMP({3, 2, 8, kBmpRGB, palette, paddedBmpRows({{0, 1, 2}, {2, 1, 0}})});
	// Two rows of four red pixels each, then the end of the bitmap.
	auto rle8 = encodeBMP({4, 2, 8, kBmpRLE8, palette, {4, 0, 0, 0, 4, 0, 0, 1}});
	ASSERT_TRUE(IPlatformBitmap::createFromMemory(bmp24.data(), uint32(bmp24.size())));
	ASSERT_TRUE(IPlatformBitmap::createFromMemory(bmp8.data(), uint32(bmp8.size())));
	ASSERT_TRUE(IPlatformBitmap::createFromMemory(rle8.data(), uint32(rle8.size())));
	const size_t pixelsStart = 14 + 40;
	const Case cases[] = {
	    {"BMP cut inside its header", cut(bmp24, 30)},
	    {"BMP cut inside its pixels", cut(bmp24, bmp24.size() / 2)},
	    {"BMP cut before its last row", cut(bmp24, bmp24.size() - 48)},
	    {"8-bit BMP cut inside its palette", cut(bmp8, pixelsStart + 6)},
	    {"8-bit BMP cut before its pixels", cut(bmp8, pixelsStart + 12)},
	    {"RLE8 BMP cut after its first line", cut(rle8, rle8.size() - 4)},
	    {"RLE8 BMP without its end", cut(rle8, rle8.size() - 2)},
	    {"BMP header claiming 30000 x 30000",
	     encodeBMP({30000, 30000, 24, kBmpRGB, {}, {1, 2, 3}})},
	    {"BMP header claiming 40000 x 1", encodeBMP({40000, 1, 24, kBmpRGB, {}, {1, 2, 3}})},
	    {"BMP header claiming 16 x -30000",
	     encodeBMP({16, -30000, 24, kBmpRGB, {}, {1, 2, 3}})},
	    {"RLE8 header claiming 20000 x 20000",
	     encodeBMP({20000, 20000, 8, kBmpRLE8, palette, {0, 1}})},
	    {"BMP header claiming 0 x 16", encodeBMP({0, 16, 24, kBmpRGB, {}, {1, 2, 3}})},
	    {"8-bit BMP claiming four billion colours", withBMPColourCount(bmp8, 0xFFFFFFFF)},
	    {"8-bit BMP claiming more colours than it holds", withBMPColourCount(bmp8, 4)},
	    {"BMP signature then random bytes", randomBytes(4096, 6, {'B', 'M'})},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		expectRefused(c.bytes);
	}
}

TEST_F(CairoBitmapTest, NoDataIsNoImage)
{
	const uint8 byte = 0x89;
	EXPECT_FALSE(IPlatformBitmap::createFromMemory(&byte, 0)) << "empty data";
	EXPECT_FALSE(IPlatformBitmap::createFromMemory(nullptr, 100)) << "null data";
	EXPECT_FALSE(IPlatformBitmap::createFromMemory(nullptr, 0));
	// And the same straight to the back end, past the platform's checks.
	EXPECT_FALSE(CairoBitmap::createFromMemory(&byte, 0));
	EXPECT_FALSE(CairoBitmap::createFromMemory(nullptr, 100));
	EXPECT_FALSE(CairoBitmap::createFromPath(nullptr));
}

TEST_F(CairoBitmapTest, AllocationWatchSeesADecodersAllocations)
{
	// Guards the refusal test above: the watch must see a real image's
	// pixels being allocated, else "small" proves nothing.
	auto png = encodePNG(CBitmap(1100, 1000));
	AllocationWatch watch;
	if (!watch.isAvailable())
		GTEST_SKIP() << "allocations cannot be watched in this build";
	auto decoded = IPlatformBitmap::createFromMemory(png.data(), uint32(png.size()));
	ASSERT_TRUE(decoded);
	EXPECT_GE(watch.largest(), size_t(1100 * 1000 * 4));
}

// ---- Encoding ----

TEST_F(CairoBitmapTest, PNGRecordsSeventyTwoDotsPerInchTimesTheScaleFactor)
{
	struct Case
	{
		double scale;
		uint32 pixelsPerMetre; // 0: no resolution recorded
	};
	// dpi / 0.0254, rounded: 144 dpi, 216 dpi, 108 dpi.
	const Case cases[] = {{2., 5669}, {3., 8504}, {1.5, 4252}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "scale " << c.scale);
		auto bitmap = makeBitmap(4, 2, checker, c.scale);
		auto png = encodePNG(*bitmap);
		auto chunks = pngChunks(png);
		ASSERT_GE(chunks.size(), 3u);
		EXPECT_EQ(chunks.front().type, "IHDR");
		EXPECT_EQ(chunks.back().type, "IEND");
		for (const auto& chunk : chunks)
			EXPECT_TRUE(crcIsRight(png, chunk)) << chunk.type;

		const PngChunk* resolution = findChunk(chunks, "pHYs");
		ASSERT_TRUE(resolution);
		ASSERT_EQ(resolution->length, 9u);
		EXPECT_EQ(readBigEndian(png, resolution->dataStart()), c.pixelsPerMetre);
		EXPECT_EQ(readBigEndian(png, resolution->dataStart() + 4), c.pixelsPerMetre);
		EXPECT_EQ(png[resolution->dataStart() + 8], 1) << "unit: metre";
		EXPECT_LT(resolution, findChunk(chunks, "IDAT")) << "before the image data";

		// libpng reads the resolution back as written.
		int width = 0, height = 0;
		auto colors = readPNGWithLibpng(png, width, height);
		EXPECT_EQ(width, int(4 * c.scale));
		EXPECT_EQ(height, int(2 * c.scale));
		ASSERT_EQ(colors.size(), size_t(width * height));
		for (int y = 0; y < height; ++y)
			for (int x = 0; x < width; ++x)
				EXPECT_EQ(colors[size_t(y * width + x)], checker(x, y)) << x << "," << y;
	}
}

TEST_F(CairoBitmapTest, PNGAtScaleOneRecordsNoOtherResolution)
{
	auto png = encodePNG(*makeBitmap(4, 2, checker));
	auto chunks = pngChunks(png);
	ASSERT_FALSE(chunks.empty());
	if (const PngChunk* resolution = findChunk(chunks, "pHYs"))
	{
		EXPECT_EQ(readBigEndian(png, resolution->dataStart()), 2835u) << "72 dpi if any";
	}
}

TEST_F(CairoBitmapTest, PNGResolutionReadsBackThroughLibpng)
{
	struct Case
	{
		double scale;
		bool recorded;
		png_uint_32 pixelsPerMetre;
	};
	// A resolution beyond what the chunk can hold (2^31 - 1) is left out.
	const Case cases[] = {{2., true, 5669}, {1.5, true, 4252}, {1., false, 0}, {1e9, false, 0}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "scale " << c.scale);
		auto png = IPlatformBitmap::createMemoryPNGRepresentation(
		    makePlatformBitmap(4, 2, c.scale, checker));
		Resolution resolution = readResolution(png);
		ASSERT_TRUE(resolution.readable);
		EXPECT_EQ(resolution.recorded, c.recorded)
		    << resolution.x << " x " << resolution.y << " per unit " << resolution.unit;
		if (c.recorded)
		{
			EXPECT_EQ(resolution.x, c.pixelsPerMetre);
			EXPECT_EQ(resolution.y, c.pixelsPerMetre);
			EXPECT_EQ(resolution.unit, PNG_RESOLUTION_METER);
		}
	}
}

TEST_F(CairoBitmapTest, PNGEncodingOnTwoThreadsAtOnceGivesTheSameFiles)
{
	auto noise = [](int x, int y) {
		int alpha = 128 + (x + y) % 128;
		return CColor(uint8((x * 7 + y * 13) % (alpha + 1)), uint8(x * y % (alpha + 1)),
		              uint8((255 - x) % (alpha + 1)), uint8(alpha));
	};
	// A bitmap each: encoding is what is shared, not the pixels.
	auto first = makePlatformBitmap(48, 32, 2., noise);
	auto second = makePlatformBitmap(48, 32, 2., noise);
	const auto expected = CairoBitmap::createMemoryPNGRepresentation(first);
	ASSERT_FALSE(expected.empty());
	constexpr int kRounds = 20;
	std::vector<std::vector<uint8>> fromFirst(kRounds), fromSecond(kRounds);
	auto encodeAll = [](const SharedPointer<IPlatformBitmap>& bitmap,
	                    std::vector<std::vector<uint8>>& out) {
		for (auto& png : out)
			png = CairoBitmap::createMemoryPNGRepresentation(bitmap);
	};
	std::thread one(encodeAll, first, std::ref(fromFirst));
	std::thread two(encodeAll, second, std::ref(fromSecond));
	one.join();
	two.join();
	for (const auto* results : {&fromFirst, &fromSecond})
		for (const auto& png : *results)
			EXPECT_EQ(png, expected);
	Resolution resolution = readResolution(expected);
	EXPECT_TRUE(resolution.readable);
	EXPECT_EQ(resolution.x, 5669u);
	auto decoded = IPlatformBitmap::createFromMemory(expected.data(), uint32(expected.size()));
	ASSERT_TRUE(decoded);
	EXPECT_EQ(differingPixels(decoded, first), 0);
}

TEST_F(CairoBitmapTest, NothingToEncodeGivesNoPNG)
{
	EXPECT_TRUE(IPlatformBitmap::createMemoryPNGRepresentation(nullptr).empty());
	EXPECT_TRUE(
	    IPlatformBitmap::createMemoryPNGRepresentation(IPlatformBitmap::create(nullptr)).empty());
}

// ---- Drawing ----

TEST_F(CairoBitmapTest, BitmapOffsetLandsAtTheDestinationsTopLeftClippedToIt)
{
	auto bitmap = makeBitmap(10, 8, coordinateColor);
	struct Case
	{
		const char* name;
		CRect dest;
		CPoint offset;
		// Where it lands in device pixels: origin and size of the clip and
		// the whole offset.
		CRect device;
		CPoint deviceOffset;
	};
	const Case cases[] = {
	    {"as it is", {0, 0, 10, 8}, {0, 0}, {0, 0, 10, 8}, {0, 0}},
	    {"moved", {5, 4, 15, 12}, {0, 0}, {5, 4, 15, 12}, {0, 0}},
	    {"a window into it", {5, 4, 9, 7}, {3, 2}, {5, 4, 9, 7}, {3, 2}},
	    {"destination larger than what is left", {2, 2, 18, 18}, {4, 3}, {2, 2, 18, 18}, {4, 3}},
	    {"negative offset", {6, 6, 16, 14}, {-2, -1}, {6, 6, 16, 14}, {-2, -1}},
	    {"offset past the bitmap", {0, 0, 10, 8}, {10, 0}, {0, 0, 10, 8}, {10, 0}},
	    {"fractions: origin rounded, size and offset cut",
	     {4.6, 3.4, 10.9, 8.9},
	     {1.7, 0.2},
	     {5, 3, 11, 8},
	     {1, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		for (bool throughBitmap : {true, false})
		{
			SCOPED_TRACE(throughBitmap ? "CBitmap::draw" : "drawBitmap");
			Canvas canvas(20, 20);
			if (throughBitmap)
				bitmap->draw(canvas.context, c.dest, c.offset);
			else
				canvas.context->drawBitmap(bitmap, c.dest, c.offset);
			canvas.expectPixels([&](int x, int y) {
				if (!c.device.pointInside(CPoint(x, y)))
					return kClear;
				int bx = x - int(c.device.left) + int(c.deviceOffset.x);
				int by = y - int(c.device.top) + int(c.deviceOffset.y);
				return bx >= 0 && by >= 0 && bx < 10 && by < 8 ? coordinateColor(bx, by) : kClear;
			});
			CRect clip;
			canvas.context->getClipRect(clip);
			EXPECT_EQ(clip, CRect(0, 0, 20, 20)) << "the clip is given back";
		}
	}
}

TEST_F(CairoBitmapTest, BitmapDrawStaysInsideTheContextsClip)
{
	auto bitmap = makeBitmap(10, 8, coordinateColor);
	Canvas canvas(20, 20);
	canvas.context->setClipRect(CRect(0, 0, 8, 20));
	bitmap->draw(canvas.context, CRect(5, 4, 15, 12));
	canvas.expectPixels([](int x, int y) {
		return x >= 5 && x < 8 && y >= 4 && y < 12 ? coordinateColor(x - 5, y - 4) : kClear;
	});
	CRect clip;
	canvas.context->getClipRect(clip);
	EXPECT_EQ(clip, CRect(0, 0, 8, 20));

	// Entirely outside the clip: nothing.
	canvas.surface->clear();
	bitmap->draw(canvas.context, CRect(10, 0, 20, 8));
	canvas.expectPixels([](int, int) { return kClear; });
}

TEST_F(CairoBitmapTest, BitmapAlphaIsMultipliedByTheGlobalAlpha)
{
	struct Case
	{
		float globalAlpha;
		float alpha;
		uint8 pixelAlpha;
		int expected;
	};
	const Case cases[] = {
	    {1.f, 1.f, 255, 255}, {0.5f, 1.f, 255, 128},  {1.f, 0.5f, 255, 128}, {0.5f, 0.5f, 255, 64},
	    {0.25f, 1.f, 255, 64}, {1.f, 0.f, 255, 0},    {0.f, 1.f, 255, 0},    {0.5f, 1.f, 128, 64},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message()
		             << c.globalAlpha << " x " << c.alpha << " on alpha " << int(c.pixelAlpha));
		auto bitmap =
		    makeBitmap(4, 4, [&](int, int) { return CColor(c.pixelAlpha, 0, 0, c.pixelAlpha); });
		Canvas canvas(4, 4);
		canvas.context->setGlobalAlpha(c.globalAlpha);
		bitmap->draw(canvas.context, CRect(0, 0, 4, 4), CPoint(), c.alpha);
		CColor pixel = canvas.pixel(2, 2);
		EXPECT_NEAR(pixel.alpha, c.expected, 1) << describe(pixel);
		if (c.expected)
		{
			EXPECT_GE(pixel.red, 253) << describe(pixel);
			EXPECT_EQ(pixel.green, 0);
		}
	}
}

TEST_F(CairoBitmapTest, NothingIsDrawnForAMissingOrEmptyBitmap)
{
	Canvas canvas(4, 4);
	CBitmap empty;
	CBitmap unloaded(IPlatformBitmap::create(nullptr));
	canvas.context->drawBitmap(nullptr, CRect(0, 0, 4, 4));
	canvas.context->drawBitmap(&empty, CRect(0, 0, 4, 4));
	canvas.context->drawBitmap(&unloaded, CRect(0, 0, 4, 4));
	canvas.context->fillRectWithBitmap(nullptr, CRect(0, 0, 2, 2), CRect(0, 0, 4, 4), 1.f);
	canvas.context->fillRectWithBitmap(&empty, CRect(0, 0, 2, 2), CRect(0, 0, 4, 4), 1.f);
	canvas.context->drawBitmapNinePartTiled(&empty, CRect(0, 0, 4, 4), {1, 1, 1, 1}, 1.f);
	canvas.expectPixels([](int, int) { return kClear; });
}

TEST_F(CairoBitmapTest, FillRectWithBitmapTilesTheSourceRowsFirst)
{
	// A 10 x 10 source cut from (4, 6) of a larger bitmap, tiled into 25 x 12
	// at (2, 3): two and a half tiles across, one and a fifth down.
	auto bitmap = makeBitmap(20, 20, coordinateColor);
	Canvas canvas(30, 20);
	canvas.context->fillRectWithBitmap(bitmap, CRect(4, 6, 14, 16), CRect(2, 3, 27, 15), 1.f);
	canvas.expectPixels([](int x, int y) {
		if (x < 2 || x >= 27 || y < 3 || y >= 15)
			return kClear;
		return coordinateColor(4 + (x - 2) % 10, 6 + (y - 3) % 10);
	});
	EXPECT_EQ(canvas.pixel(12, 3), coordinateColor(4, 6)) << "second tile starts over";
	EXPECT_EQ(canvas.pixel(26, 14), coordinateColor(8, 7)) << "last tile is cut";
}

TEST_F(CairoBitmapTest, FillRectWithBitmapDrawsNothingForEmptyRects)
{
	auto bitmap = makeBitmap(10, 10, coordinateColor);
	Canvas canvas(20, 20);
	canvas.context->fillRectWithBitmap(bitmap, CRect(0, 0, 0, 10), CRect(0, 0, 20, 20), 1.f);
	canvas.context->fillRectWithBitmap(bitmap, CRect(0, 0, 10, 10), CRect(5, 5, 5, 20), 1.f);
	canvas.context->fillRectWithBitmap(bitmap, CRect(0, 0, 10, 10), CRect(0, 0, 20, 20), 0.f);
	canvas.expectPixels([](int, int) { return kClear; });
}

TEST_F(CairoBitmapTest, NinePartBitmapKeepsCornersAndTilesEdgesAndCentre)
{
	// 12 x 12 cut 3 from the left, 2 from the top, 4 from the right and 5
	// from the bottom, drawn into 30 x 25 at (1, 1): the inner span is 5
	// wide and 5 high in the source.
	auto source = makeBitmap(12, 12, coordinateColor);
	auto bitmap = makeOwned<CNinePartTiledBitmap>(source->getPlatformBitmaps().front(),
	                                              CNinePartTiledDescription {3, 2, 4, 5});
	auto sourceX = [](int dx) { return dx < 3 ? dx : dx >= 26 ? dx - 26 + 8 : 3 + (dx - 3) % 5; };
	auto sourceY = [](int dy) { return dy < 2 ? dy : dy >= 20 ? dy - 20 + 7 : 2 + (dy - 2) % 5; };

	Canvas canvas(34, 30);
	bitmap->draw(canvas.context, CRect(1, 1, 31, 26), CPoint(7, 7));
	canvas.expectPixels([&](int x, int y) {
		if (x < 1 || x >= 31 || y < 1 || y >= 26)
			return kClear;
		return coordinateColor(sourceX(x - 1), sourceY(y - 1));
	});
	// Spot checks on the nine cells.
	EXPECT_EQ(canvas.pixel(1, 1), coordinateColor(0, 0)) << "top-left corner";
	EXPECT_EQ(canvas.pixel(30, 1), coordinateColor(11, 0)) << "top-right corner";
	EXPECT_EQ(canvas.pixel(1, 25), coordinateColor(0, 11)) << "bottom-left corner";
	EXPECT_EQ(canvas.pixel(30, 25), coordinateColor(11, 11)) << "bottom-right corner";
	EXPECT_EQ(canvas.pixel(9, 1), coordinateColor(3, 0)) << "top edge repeats";
	EXPECT_EQ(canvas.pixel(1, 8), coordinateColor(0, 2)) << "left edge repeats";
	EXPECT_EQ(canvas.pixel(16, 15), coordinateColor(5, 4)) << "centre repeats";

	// At its own size it is the bitmap itself.
	Canvas same(12, 12);
	bitmap->draw(same.context, CRect(0, 0, 12, 12));
	same.expectPixels(coordinateColor);
}

TEST_F(CairoBitmapTest, NinePartBitmapAtTwiceTheResolutionTilesWholeDevicePixels)
{
	// The same cut of a 2x bitmap (24 x 24 pixels, 12 x 12 logical) on a 2x
	// surface: every logical unit of the grid is two device pixels of the
	// source.
	auto bitmap = makeOwned<CNinePartTiledBitmap>(makePlatformBitmap(24, 24, 2., coordinateColor),
	                                              CNinePartTiledDescription {3, 2, 4, 5});
	auto sourceX = [](int dx) { return dx < 3 ? dx : dx >= 26 ? dx - 26 + 8 : 3 + (dx - 3) % 5; };
	auto sourceY = [](int dy) { return dy < 2 ? dy : dy >= 20 ? dy - 20 + 7 : 2 + (dy - 2) % 5; };

	Canvas canvas(34, 30, 2.);
	bitmap->draw(canvas.context, CRect(1, 1, 31, 26));
	canvas.expectPixels([&](int x, int y) {
		if (x < 2 || x >= 62 || y < 2 || y >= 52)
			return kClear;
		int dx = (x - 2) / 2, dy = (y - 2) / 2;
		return coordinateColor(2 * sourceX(dx) + (x - 2) % 2, 2 * sourceY(dy) + (y - 2) % 2);
	});
}

TEST_F(CairoBitmapTest, MatchingResolutionMapsPixelsOneToOneAndOthersAreScaled)
{
	// 8 x 8 logical: a solid 1x rendering and a one-pixel checker at 2x.
	auto solidBlue = [](int, int) { return kBlueCColor; };
	auto twoResolutions = makeBitmap(8, 8, solidBlue);
	ASSERT_TRUE(twoResolutions->addBitmap(makePlatformBitmap(16, 16, 2., checker)));
	auto retinaOnly = makeOwned<CBitmap>(makePlatformBitmap(16, 16, 2., checker));
	auto standardOnly = makeBitmap(8, 8, checker);

	struct Case
	{
		const char* name;
		CBitmap* bitmap;
		double surfaceScale;
		double zoom;
		// Device pixel (x, y) inside the drawn area shows this.
		std::function<CColor(int, int)> shows;
	};
	const Case cases[] = {
	    {"2x chosen on a 2x surface", twoResolutions, 2., 1., checker},
	    {"1x chosen on a 1x surface", twoResolutions, 1., 1., solidBlue},
	    {"2x chosen on a 1x surface zoomed by 2", twoResolutions, 1., 2., checker},
	    {"2x alone on a 2x surface", retinaOnly, 2., 1., checker},
	    {"1x on a 2x surface is doubled", standardOnly, 2., 1.,
	     [](int x, int y) { return checker(x / 2, y / 2); }},
	    {"2x on a 1x surface is halved", retinaOnly, 1., 1.,
	     [](int x, int y) { return checker(x * 2, y * 2); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		const double toDevice = c.surfaceScale * c.zoom;
		Canvas canvas(int(20 * c.zoom), int(20 * c.zoom), c.surfaceScale);
		{
			CDrawContext::Transform zoom(*canvas.context,
			                             CGraphicsTransform::scaling(c.zoom, c.zoom));
			c.bitmap->draw(canvas.context, CRect(2, 3, 10, 11));
		}
		const int left = int(2 * toDevice), top = int(3 * toDevice), side = int(8 * toDevice);
		canvas.expectPixels([&](int x, int y) {
			if (x < left || y < top || x >= left + side || y >= top + side)
				return kClear;
			return c.shows(x - left, y - top);
		});
	}
}

// ---- In a view tree ----

class BitmapBackgroundTest : public CairoBitmapTest
{
protected:
	void SetUp() override
	{
		CairoBitmapTest::SetUp();
		frame = new CFrame(CRect(0, 0, 60, 60));
		frame->setTransparency(true);
	}
	void TearDown() override
	{
		if (frame)
			std::exchange(frame, nullptr)->close();
		CairoBitmapTest::TearDown();
	}
	void openAndPaint(double scale = 1.)
	{
		ASSERT_TRUE(frame->open(&parentHandle, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		ASSERT_TRUE(window);
		if (scale != 1.)
			window->setScaleFactor(scale);
		window->invalidRects.clear();
		window->drawRect(CRect(0, 0, 60, 60));
	}
	CColor pixel(int x, int y) const { return window->getSurface()->getPixel(x, y); }

	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
	int parentHandle {0};
};

TEST_F(BitmapBackgroundTest, ContainerDrawsItsBitmapBackgroundFromItsOffset)
{
	struct Case
	{
		const char* name;
		CPoint offset;
	};
	const Case cases[] = {{"no offset", {0, 0}}, {"offset", {5, 3}}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		TearDown();
		SetUp();
		auto background = makeBitmap(20, 20, coordinateColor);
		auto container = new CViewContainer(CRect(10, 10, 40, 35));
		container->setBackground(background);
		container->setBackgroundOffset(c.offset);
		frame->addView(container);
		openAndPaint();
		int mismatches = 0;
		for (int y = 0; y < 60; ++y)
			for (int x = 0; x < 60; ++x)
			{
				CColor want = kClear;
				int bx = x - 10 + int(c.offset.x), by = y - 10 + int(c.offset.y);
				if (x >= 10 && x < 40 && y >= 10 && y < 35 && bx < 20 && by < 20)
					want = coordinateColor(bx, by);
				if (!(pixel(x, y) == want) && ++mismatches <= 5)
					ADD_FAILURE() << x << "," << y << ": " << describe(pixel(x, y)) << " not "
					              << describe(want);
			}
		EXPECT_EQ(mismatches, 0);
	}
}

TEST_F(BitmapBackgroundTest, ContainerBackgroundUsesTheWindowsResolution)
{
	auto background = makeBitmap(8, 8, [](int, int) { return kBlueCColor; });
	ASSERT_TRUE(background->addBitmap(makePlatformBitmap(16, 16, 2., checker)));
	auto container = new CViewContainer(CRect(10, 10, 18, 18));
	container->setBackground(background);
	frame->addView(container);
	openAndPaint(2.);
	for (int y = 18; y < 38; ++y)
	{
		for (int x = 18; x < 38; ++x)
		{
			bool inside = x >= 20 && x < 36 && y >= 20 && y < 36;
			EXPECT_EQ(pixel(x, y), inside ? checker(x - 20, y - 20) : kClear) << x << "," << y;
		}
	}
}

} // namespace
} // namespace Kavrin::Test
