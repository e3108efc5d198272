#include "lib/cbitmap.h"
#include "lib/platform/bundle.h"
#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformresourceinputstream.h"
#include "lib/platform/platform.h"
#include "tests/support/bmpfile.h"
#include "tests/support/jpegencoder.h"
#include "tests/support/recording.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

namespace fs = std::filesystem;

// ---- Helpers ----

// A colour that tells where it came from: red and green carry x and y.
CColor coordinateColor(uint32 x, uint32 y)
{
	return CColor(uint8(10 + x * 15), uint8(10 + y * 15), 77, 255);
}

// Sets every pixel of the bitmap through pixel access.
void paint(CBitmap& bitmap, const std::function<CColor(uint32, uint32)>& colorAt)
{
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);
	do
		access->setColor(colorAt(access->getX(), access->getY()));
	while (++*access);
}

// The premultiplied 0xAARRGGBB word of a device pixel of a bitmap of the
// Cairo back end.
uint32 pixelWord(const CBitmap& bitmap, int32 x, int32 y)
{
	auto cairoBitmap = dynamic_cast<CairoBitmap*>(bitmap.getPlatformBitmap());
	return cairoBitmap && cairoBitmap->getSurface() ? cairoBitmap->getSurface()->getPixelWord(x, y)
	                                                : 0;
}

SharedPointer<IPlatformBitmap> platformBitmap(double pixelWidth, double pixelHeight,
                                              double scaleFactor = 1.)
{
	CPoint size(pixelWidth, pixelHeight);
	auto bitmap = IPlatformBitmap::create(&size);
	if (bitmap)
		bitmap->setScaleFactor(scaleFactor);
	return bitmap;
}

// A PNG of a solid colour, made by the toolkit's own encoder.
std::vector<uint8> solidPNG(int width, int height, const CColor& color)
{
	CBitmap bitmap(width, height);
	paint(bitmap, [&](uint32, uint32) { return color; });
	return IPlatformBitmap::createMemoryPNGRepresentation(bitmap.getPlatformBitmap());
}

// A baseline JPEG of a solid colour.
std::vector<uint8> solidJPEG(int width, int height, const CColor& color)
{
	return encodeJPEG(width, height, [&](int, int) { return color; });
}

class BitmapTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(owned(new HeadlessPlatform)); }
	void TearDown() override
	{
		gBundleRef = nullptr;
		setPlatform(nullptr);
	}
};

// ---- Size and construction ----

TEST_F(BitmapTest, SizeAndScaleFactorGiveDevicePixelsAndLogicalSize)
{
	struct Case
	{
		CPoint size;
		double scale;
		CPoint pixels;
		CPoint logical;
	};
	const Case cases[] = {
	    {{100, 50}, 2., {200, 100}, {100, 50}},
	    {{100, 50}, 1., {100, 50}, {100, 50}},
	    {{10, 4}, 1.5, {15, 6}, {10, 4}},
	    // Rounded to the nearest pixel: 10.3 x 1.5 = 15.45, 5.1 x 1.5 = 7.65.
	    {{10.3, 5.1}, 1.5, {15, 8}, {10, 8 / 1.5}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << c.size.x << " x " << c.size.y << " at " << c.scale);
		CBitmap bitmap(c.size, c.scale);
		ASSERT_TRUE(bitmap.getPlatformBitmap());
		EXPECT_EQ(bitmap.getPlatformBitmap()->getSize(), c.pixels);
		EXPECT_EQ(bitmap.getPlatformBitmap()->getScaleFactor(), c.scale);
		EXPECT_DOUBLE_EQ(bitmap.getWidth(), c.logical.x);
		EXPECT_DOUBLE_EQ(bitmap.getHeight(), c.logical.y);
		EXPECT_EQ(bitmap.getResourceDescription().type, CResourceDescription::kUnknownType);
	}
}

TEST_F(BitmapTest, SizesWithoutPixelsOrBeyondTheLimitsGiveAnEmptyBitmap)
{
	const double nan = std::numeric_limits<double>::quiet_NaN();
	const CPoint sizes[] = {{0, 0},       {0, 10},        {-5, 10}, {10, 0.2},
	                        {100000, 10}, {20000, 20000}, {nan, 4}};
	for (const auto& size : sizes)
	{
		SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
		CBitmap bySize(size.x, size.y);
		EXPECT_EQ(bySize.getPlatformBitmap(), nullptr);
		EXPECT_EQ(bySize.getSize(), CPoint(0, 0));
		CBitmap byScale(size, 2.);
		EXPECT_EQ(byScale.getPlatformBitmap(), nullptr);
		EXPECT_EQ(owned(CBitmapPixelAccess::create(&byScale)), nullptr);
	}
}

TEST_F(BitmapTest, NewBitmapIsTransparent)
{
	CBitmap bitmap(CPoint(3, 2), 2.);
	for (int32 y = 0; y < 4; ++y)
		for (int32 x = 0; x < 6; ++x)
			EXPECT_EQ(pixelWord(bitmap, x, y), 0u) << x << "," << y;
}

TEST_F(BitmapTest, BitmapWithoutPlatformBitmapHasNoSizeAndNoPixelAccess)
{
	CBitmap empty;
	EXPECT_EQ(empty.getPlatformBitmap(), nullptr);
	EXPECT_EQ(empty.getSize(), CPoint(0, 0));
	EXPECT_EQ(empty.getBestPlatformBitmapForScaleFactor(1.), nullptr);
	EXPECT_EQ(owned(CBitmapPixelAccess::create(&empty)), nullptr);
	EXPECT_EQ(CBitmapPixelAccess::create(nullptr), nullptr);

	// A platform bitmap that was never loaded has no pixels to lock.
	CBitmap unloaded(IPlatformBitmap::create(nullptr));
	ASSERT_TRUE(unloaded.getPlatformBitmap());
	EXPECT_EQ(unloaded.getSize(), CPoint(0, 0));
	EXPECT_EQ(owned(CBitmapPixelAccess::create(&unloaded)), nullptr);
}

TEST_F(BitmapTest, SetPlatformBitmapAppendsToAnEmptyBitmapAndOtherwiseReplacesTheFirst)
{
	CBitmap bitmap;
	auto first = platformBitmap(10, 10);
	bitmap.setPlatformBitmap(first);
	ASSERT_EQ(bitmap.getPlatformBitmaps().size(), 1u);
	EXPECT_EQ(bitmap.getPlatformBitmap(), first.get());

	auto retina = platformBitmap(20, 20, 2.);
	ASSERT_TRUE(bitmap.addBitmap(retina));
	auto replacement = platformBitmap(30, 20);
	bitmap.setPlatformBitmap(replacement);
	ASSERT_EQ(bitmap.getPlatformBitmaps().size(), 2u);
	EXPECT_EQ(bitmap.getPlatformBitmap(), replacement.get());
	EXPECT_EQ(bitmap.getPlatformBitmaps()[1], retina);
	EXPECT_EQ(bitmap.getSize(), CPoint(30, 20));
}

// ---- Resolutions ----

TEST_F(BitmapTest, AddBitmapTakesEachScaleFactorOnceAndOnlyAtTheSameLogicalSize)
{
	AssertionRecorder assertions;
	CBitmap bitmap(CPoint(100, 50), 1.);

	EXPECT_FALSE(bitmap.addBitmap(platformBitmap(200, 102, 2.)));
	ASSERT_EQ(assertions.reports.size(), 1u);
	EXPECT_EQ(assertions.reports[0].file, "lib/cbitmap");
	EXPECT_EQ(assertions.reports[0].line, "188");
	EXPECT_EQ(assertions.reports[0].description, "wrong bitmap size");

	auto retina = platformBitmap(200, 100, 2.);
	EXPECT_TRUE(bitmap.addBitmap(retina));
	EXPECT_EQ(assertions.reports.size(), 1u);

	EXPECT_FALSE(bitmap.addBitmap(platformBitmap(200, 100, 2.)));
	EXPECT_FALSE(bitmap.addBitmap(retina));
	ASSERT_EQ(assertions.reports.size(), 3u);
	EXPECT_TRUE(assertions.has("lib/cbitmap", "195"));
	EXPECT_EQ(assertions.reports[2].line, "195");

	ASSERT_EQ(bitmap.getPlatformBitmaps().size(), 2u);
	EXPECT_EQ(bitmap.getPlatformBitmaps()[1], retina);
	EXPECT_EQ(bitmap.getSize(), CPoint(100, 50)) << "the first entry still defines the size";
}

TEST_F(BitmapTest, AddBitmapToAnEmptyBitmapIsASizeMismatch)
{
	AssertionRecorder assertions;
	CBitmap bitmap;
	EXPECT_FALSE(bitmap.addBitmap(platformBitmap(20, 20, 2.)));
	EXPECT_TRUE(assertions.has("lib/cbitmap", "188"));
	EXPECT_TRUE(bitmap.getPlatformBitmaps().empty());
}

TEST_F(BitmapTest, BestPlatformBitmapIsTheExactScaleElseTheClosestPreferringTheLarger)
{
	struct Case
	{
		const char* order;
		double wanted;
		double chosen;
	};
	const Case cases[] = {
	    {"1x, 2x", 1.0, 1.0}, {"1x, 2x", 1.2, 1.0},     {"1x, 2x", 1.5, 2.0},
	    {"1x, 2x", 2.0, 2.0}, {"1x, 2x", 3.0, 2.0},     {"1x, 2x", 0.5, 1.0},
	    {"2x, 1x", 1.0, 1.0}, {"2x, 1x", 1.2, 2.0},     {"2x, 1x", 2.0, 2.0},
	    {"2x, 1x", 0.5, 2.0}, {"1x, 2x, 3x", 2.4, 2.0}, {"1x, 2x, 3x", 2.5, 3.0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << c.order << " asked for " << c.wanted);
		std::vector<double> scales;
		for (const char* p = c.order; *p; ++p)
			if (*p >= '1' && *p <= '9')
				scales.push_back(*p - '0');
		CBitmap bitmap(CPoint(10, 10), scales[0]);
		for (size_t i = 1; i < scales.size(); ++i)
			ASSERT_TRUE(
			    bitmap.addBitmap(platformBitmap(10 * scales[i], 10 * scales[i], scales[i])));
		auto best = bitmap.getBestPlatformBitmapForScaleFactor(c.wanted);
		ASSERT_TRUE(best);
		EXPECT_EQ(best->getScaleFactor(), c.chosen);
	}
}

// ---- Display scale ----

TEST_F(BitmapTest, DisplayScaleRoundsDownToTheSizeMultipleUnlessThatGivesZero)
{
	struct Case
	{
		const char* name;
		CPoint pixels;
		double scale;
		double factor;
		uint32 widthMultiple;
		uint32 heightMultiple;
		CPoint logical;
	};
	const Case cases[] = {
	    {"45 down to a multiple of 4", {30, 30}, 1., 1.5, 4, 1, {44, 45}},
	    {"multiples on both axes", {30, 20}, 1., 1.5, 4, 7, {44, 28}},
	    {"multiple larger than the size", {2, 2}, 1., 1.5, 4, 4, {3, 3}},
	    {"divided by the scale factor", {30, 30}, 2., 1.5, 4, 1, {22, 22.5}},
	    {"factor 1 leaves the size", {30, 30}, 1., 1., 4, 4, {30, 30}},
	    {"fractions are cut", {7, 7}, 1., 1.3, 0, 1, {9, 9}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto platform = platformBitmap(c.pixels.x, c.pixels.y, c.scale);
		CBitmap bitmap(platform);
		platform->setDisplayScale(c.factor, c.widthMultiple, c.heightMultiple);
		EXPECT_TRUE(platform->hasDisplayScale());
		EXPECT_DOUBLE_EQ(bitmap.getWidth(), c.logical.x);
		EXPECT_DOUBLE_EQ(bitmap.getHeight(), c.logical.y);

		platform->resetDisplayScale();
		EXPECT_FALSE(platform->hasDisplayScale());
		EXPECT_EQ(platform->getDisplayScale(), 1.);
		EXPECT_EQ(platform->getDisplayScaleWidthMultiple(), 1u);
		EXPECT_DOUBLE_EQ(bitmap.getWidth(), c.pixels.x / c.scale);
		EXPECT_DOUBLE_EQ(bitmap.getHeight(), c.pixels.y / c.scale);
	}
}

// ---- Pixel access ----

TEST_F(BitmapTest, PixelAccessStepsThroughEveryPixelRowByRow)
{
	CBitmap bitmap(3, 2);
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);
	EXPECT_EQ(access->getBitmapWidth(), 3u);
	EXPECT_EQ(access->getBitmapHeight(), 2u);

	std::vector<std::pair<uint32, uint32>> visited;
	uint32 step = 0;
	do
	{
		visited.emplace_back(access->getX(), access->getY());
		access->setColor(CColor(uint8(10 * (step + 1)), 0, 0, 255));
		++step;
	} while (++*access && step < 100);
	const std::vector<std::pair<uint32, uint32>> expected{{0, 0}, {1, 0}, {2, 0},
	                                                      {0, 1}, {1, 1}, {2, 1}};
	EXPECT_EQ(visited, expected);
	EXPECT_FALSE(++*access) << "the last pixel stays the end";
	EXPECT_EQ(access->getX(), 2u);
	EXPECT_EQ(access->getY(), 1u);
	access = nullptr;

	// Each step wrote the pixel it reported.
	for (uint32 i = 0; i < expected.size(); ++i)
	{
		auto [x, y] = expected[i];
		EXPECT_EQ(pixelWord(bitmap, int32(x), int32(y)), 0xFF000000u | uint32(10 * (i + 1)) << 16)
		    << x << "," << y;
	}
}

TEST_F(BitmapTest, SetPositionOutsideTheBitmapIsRefusedAndKeepsThePosition)
{
	CBitmap bitmap(4, 3);
	paint(bitmap, coordinateColor);
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);

	ASSERT_TRUE(access->setPosition(3, 2)) << "the last pixel is inside";
	CColor color;
	access->getColor(color);
	EXPECT_EQ(color, coordinateColor(3, 2));

	ASSERT_TRUE(access->setPosition(1, 2));
	const std::pair<uint32, uint32> outside[] = {
	    {4, 0}, {0, 3}, {4, 3}, {0xFFFFFFFF, 1}, {1, 0xFFFFFFFF}};
	for (auto [x, y] : outside)
	{
		SCOPED_TRACE(testing::Message() << x << "," << y);
		EXPECT_FALSE(access->setPosition(x, y));
		EXPECT_EQ(access->getX(), 1u);
		EXPECT_EQ(access->getY(), 2u);
		access->getColor(color);
		EXPECT_EQ(color, coordinateColor(1, 2)) << "still reading the pixel it was on";
	}
	// Stepping goes on from there.
	ASSERT_TRUE(++*access);
	access->getColor(color);
	EXPECT_EQ(color, coordinateColor(2, 2));
}

TEST_F(BitmapTest, PixelAccessOnAScaledBitmapCoversEveryDevicePixel)
{
	CBitmap bitmap(CPoint(3, 2), 2.);
	auto access = owned(CBitmapPixelAccess::create(&bitmap));
	ASSERT_TRUE(access);
	EXPECT_EQ(access->getBitmapWidth(), 6u);
	EXPECT_EQ(access->getBitmapHeight(), 4u);
	EXPECT_TRUE(access->setPosition(5, 3));
	access->setColor(kRedCColor);
	access = nullptr;
	EXPECT_EQ(pixelWord(bitmap, 5, 3), 0xFFFF0000u);
}

// ---- Resource descriptions ----

TEST(ResourceDescriptionTest, KindFollowsHowItWasMade)
{
	EXPECT_EQ(CResourceDescription().type, CResourceDescription::kUnknownType);
	CResourceDescription byId(42);
	EXPECT_EQ(byId.type, CResourceDescription::kIntegerType);
	EXPECT_EQ(byId.u.id, 42);
	const char* name = "knob.png";
	CResourceDescription byName(name);
	EXPECT_EQ(byName.type, CResourceDescription::kStringType);
	EXPECT_EQ(byName.u.name, name);
}

// ---- Loading from the plug-in's resources ----

// A resource folder installed as the plug-in's bundle.
class BundleTest : public BitmapTest
{
protected:
	void SetUp() override
	{
		BitmapTest::SetUp();
		ASSERT_FALSE(folder.path.empty());
		gBundleRef = folder.path.c_str();
	}

	TempFolder folder;
};

TEST_F(BundleTest, WithoutABundleNothingLoads)
{
	std::string absolute = folder.write("bmp00007.png", solidPNG(4, 3, kRedCColor));
	folder.write("named.png", solidPNG(4, 3, kRedCColor));
	gBundleRef = nullptr;
	for (const CResourceDescription& desc :
	     {CResourceDescription(7), CResourceDescription("named.png"),
	      CResourceDescription(absolute.c_str())})
	{
		SCOPED_TRACE(desc.type);
		CBitmap bitmap(desc);
		EXPECT_EQ(bitmap.getPlatformBitmap(), nullptr);
		EXPECT_EQ(bitmap.getSize(), CPoint(0, 0));
		EXPECT_EQ(bitmap.getResourceDescription().type, desc.type);
	}
}

TEST_F(BundleTest, IntegerIdsTryPngBmpJpgPictInThatOrder)
{
	struct Case
	{
		std::vector<const char*> present;
		const char* found;
	};
	const Case cases[] = {
	    {{"png", "bmp", "jpg", "pict"}, "png"},
	    {{"pict", "jpg", "bmp"}, "bmp"},
	    {{"pict", "jpg"}, "jpg"},
	    {{"pict"}, "pict"},
	    {{}, nullptr},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "first expected: " << (c.found ? c.found : "none"));
		TempFolder bundle;
		gBundleRef = bundle.path.c_str();
		for (const char* extension : c.present)
			bundle.write(std::string("bmp00007.") + extension, {1, 2, 3});
		EXPECT_EQ(resolveResourcePath(CResourceDescription(7)),
		          c.found ? bundle.file(std::string("bmp00007.") + c.found) : std::string());
		gBundleRef = folder.path.c_str();
	}
}

TEST_F(BundleTest, IntegerIdsArePaddedToFiveDigits)
{
	const std::pair<int32, const char*> cases[] = {
	    {0, "bmp00000.png"}, {7, "bmp00007.png"}, {100, "bmp00100.png"}, {123456, "bmp123456.png"}};
	for (auto [id, name] : cases)
	{
		SCOPED_TRACE(name);
		folder.write(name, {1});
		EXPECT_EQ(resolveResourcePath(CResourceDescription(id)), folder.file(name));
	}
}

TEST_F(BundleTest, IdWithOnlyAJpegLoadsTheJpeg)
{
	folder.write("bmp00007.jpg", solidJPEG(8, 6, CColor(200, 40, 40, 255)));
	CBitmap bitmap(CResourceDescription(7));
	ASSERT_TRUE(bitmap.getPlatformBitmap());
	EXPECT_EQ(bitmap.getSize(), CPoint(8, 6));
	EXPECT_EQ(bitmap.getResourceDescription().type, CResourceDescription::kIntegerType);
	EXPECT_EQ(bitmap.getResourceDescription().u.id, 7);
	uint32 word = pixelWord(bitmap, 4, 3);
	EXPECT_EQ(word >> 24, 0xFFu);
	EXPECT_NEAR(int(word >> 16 & 0xFF), 200, 6);
	EXPECT_NEAR(int(word >> 8 & 0xFF), 40, 6);
	EXPECT_NEAR(int(word & 0xFF), 40, 6);
}

TEST_F(BundleTest, PngWinsOverJpegOfTheSameId)
{
	folder.write("bmp00007.jpg", solidJPEG(8, 6, kBlueCColor));
	folder.write("bmp00007.png", solidPNG(4, 3, kRedCColor));
	CBitmap bitmap(CResourceDescription(7));
	ASSERT_TRUE(bitmap.getPlatformBitmap());
	EXPECT_EQ(bitmap.getSize(), CPoint(4, 3));
	EXPECT_EQ(pixelWord(bitmap, 0, 0), 0xFFFF0000u);
}

// An uncompressed 24-bit BMP of a solid colour.
std::vector<uint8> solidBMP(int width, int height, const CColor& color)
{
	std::vector<uint8> row;
	for (int x = 0; x < width; ++x)
		row.insert(row.end(), {color.blue, color.green, color.red});
	auto rows = paddedBmpRows(std::vector<std::vector<uint8>>(size_t(height), row));
	return encodeBMP({width, height, 24, kBmpRGB, {}, rows});
}

TEST_F(BundleTest, IdWithABmpLoadsTheBmp)
{
	folder.write("bmp00010.bmp", solidBMP(5, 3, CColor(10, 120, 230, 255)));
	CBitmap bitmap(CResourceDescription(10));
	ASSERT_TRUE(bitmap.getPlatformBitmap());
	EXPECT_EQ(bitmap.getSize(), CPoint(5, 3));
	EXPECT_EQ(pixelWord(bitmap, 4, 2), 0xFF0A78E6u);
}

// A file found for an id that cannot be decoded gives way to the next
// extension, rather than hiding it.
TEST_F(BundleTest, AnIdFallsBackToTheNextExtensionThatDecodes)
{
	const std::vector<uint8> broken {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I'};
	const std::vector<uint8> brokenBmp {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8};
	struct Case
	{
		const char* name;
		std::vector<std::pair<const char*, std::vector<uint8>>> files;
		CPoint size; // 0 x 0: nothing loads
		uint32 word;
	};
	const Case cases[] = {
	    {"bmp before jpg",
	     {{"bmp", solidBMP(3, 2, kRedCColor)}, {"jpg", solidJPEG(8, 6, kBlueCColor)}},
	     {3, 2}, 0xFFFF0000u},
	    {"broken png, then jpg",
	     {{"png", broken}, {"jpg", solidJPEG(8, 6, kWhiteCColor)}}, {8, 6}, 0xFFFFFFFFu},
	    {"broken bmp, then jpg",
	     {{"bmp", brokenBmp}, {"jpg", solidJPEG(8, 6, kWhiteCColor)}}, {8, 6}, 0xFFFFFFFFu},
	    {"broken png and bmp, then jpg",
	     {{"png", broken}, {"bmp", brokenBmp}, {"jpg", solidJPEG(8, 6, kWhiteCColor)}},
	     {8, 6}, 0xFFFFFFFFu},
	    {"broken png, then bmp", {{"png", broken}, {"bmp", solidBMP(3, 2, kGreenCColor)}},
	     {3, 2}, 0xFF00FF00u},
	    {"nothing that decodes", {{"png", broken}, {"bmp", brokenBmp}, {"pict", {1, 2}}},
	     {0, 0}, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		TempFolder bundle;
		gBundleRef = bundle.path.c_str();
		for (const auto& [extension, bytes] : c.files)
			bundle.write(std::string("bmp00010.") + extension, bytes);
		CBitmap bitmap(CResourceDescription(10));
		EXPECT_EQ(bitmap.getSize(), c.size);
		EXPECT_EQ(pixelWord(bitmap, 1, 1), c.word);
		gBundleRef = folder.path.c_str();
	}
}

TEST_F(BundleTest, NamesAreLookedUpAsGiven)
{
	folder.write("knob.png", solidPNG(5, 5, kRedCColor));
	folder.write("skins/dark/knob.png", solidPNG(6, 2, kGreenCColor));
	folder.write("plain", solidPNG(3, 3, kBlueCColor));

	struct Case
	{
		const char* name;
		CPoint size; // 0 x 0: not loaded
	};
	const Case cases[] = {
	    {"knob.png", {5, 5}},
	    {"skins/dark/knob.png", {6, 2}},
	    {"plain", {3, 3}},
	    {"knob", {0, 0}},       // no extension is added to a name
	    {"knob.PNG", {0, 0}},   // nor is its case changed
	    {"missing.png", {0, 0}},
	    {"skins", {0, 0}},      // a folder is no image
	    {"", {0, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CBitmap bitmap(CResourceDescription(c.name));
		EXPECT_EQ(bitmap.getSize(), c.size);
		EXPECT_EQ(bitmap.getPlatformBitmap() != nullptr, c.size.x > 0);
	}
}

TEST_F(BundleTest, AbsolutePathsAreOpenedDirectly)
{
	TempFolder elsewhere;
	std::string path = elsewhere.write("outside.png", solidPNG(7, 2, kRedCColor));
	CBitmap bitmap(CResourceDescription(path.c_str()));
	ASSERT_TRUE(bitmap.getPlatformBitmap());
	EXPECT_EQ(bitmap.getSize(), CPoint(7, 2));

	CBitmap missing(CResourceDescription((elsewhere.path + "/none.png").c_str()));
	EXPECT_EQ(missing.getPlatformBitmap(), nullptr);
}

TEST_F(BundleTest, UnknownDescriptionsLoadNothing)
{
	folder.write("bmp00000.png", solidPNG(2, 2, kRedCColor));
	CBitmap bitmap {CResourceDescription()};
	EXPECT_EQ(bitmap.getPlatformBitmap(), nullptr);
	CResourceDescription nullName(static_cast<const char*>(nullptr));
	EXPECT_EQ(resolveResourcePath(nullName), "");
	CBitmap unnamed(nullName);
	EXPECT_EQ(unnamed.getPlatformBitmap(), nullptr);
}

TEST_F(BundleTest, APlatformBitmapLoadsOnlyOnce)
{
	folder.write("one.png", solidPNG(4, 3, kRedCColor));
	folder.write("two.png", solidPNG(6, 6, kBlueCColor));
	auto platform = IPlatformBitmap::create(nullptr);
	ASSERT_TRUE(platform);
	ASSERT_TRUE(platform->load(CResourceDescription("one.png")));
	EXPECT_FALSE(platform->load(CResourceDescription("two.png")));
	EXPECT_EQ(platform->getSize(), CPoint(4, 3));

	// Nor does a bitmap made with pixels take a resource.
	auto sized = platformBitmap(2, 2);
	EXPECT_FALSE(sized->load(CResourceDescription("one.png")));
	EXPECT_EQ(sized->getSize(), CPoint(2, 2));
}

TEST_F(BundleTest, ANinePartBitmapLoadsLikeAnyOtherAndKeepsItsOffsets)
{
	folder.write("frame.png", solidPNG(9, 9, kRedCColor));
	CNinePartTiledBitmap bitmap(CResourceDescription("frame.png"), {1, 2, 3, 4});
	EXPECT_EQ(bitmap.getSize(), CPoint(9, 9));
	EXPECT_EQ(bitmap.getPartOffsets().left, 1);
	EXPECT_EQ(bitmap.getPartOffsets().top, 2);
	EXPECT_EQ(bitmap.getPartOffsets().right, 3);
	EXPECT_EQ(bitmap.getPartOffsets().bottom, 4);
}

// ---- Resource streams ----

TEST_F(BundleTest, ResourceStreamsOpenOnlyNamedResourcesThatExist)
{
	folder.write("data.bin", {1, 2, 3, 4, 5});
	folder.write("bmp00003.png", {9, 9});
	folder.write("sub/inner.bin", {7});

	auto stream = IPlatformResourceInputStream::create(CResourceDescription("data.bin"));
	ASSERT_TRUE(stream);
	uint8 buffer[8] {};
	EXPECT_EQ(stream->readRaw(buffer, sizeof(buffer)), 5u);
	EXPECT_EQ(std::vector<uint8>(buffer, buffer + 5), (std::vector<uint8> {1, 2, 3, 4, 5}));

	std::string absolute = folder.file("data.bin");
	EXPECT_TRUE(IPlatformResourceInputStream::create(CResourceDescription(absolute.c_str())));
	EXPECT_TRUE(IPlatformResourceInputStream::create(CResourceDescription("sub/inner.bin")));

	EXPECT_FALSE(IPlatformResourceInputStream::create(CResourceDescription(3)))
	    << "ids give no stream";
	EXPECT_FALSE(IPlatformResourceInputStream::create(CResourceDescription()));
	EXPECT_FALSE(IPlatformResourceInputStream::create(CResourceDescription("missing.bin")));
	EXPECT_FALSE(IPlatformResourceInputStream::create(CResourceDescription("sub")));
	gBundleRef = nullptr;
	EXPECT_FALSE(IPlatformResourceInputStream::create(CResourceDescription("data.bin")));
}

TEST_F(BundleTest, FileStreamReadsCountsAndSeeks)
{
	std::vector<uint8> bytes;
	for (uint8 i = 0; i < 10; ++i)
		bytes.push_back(uint8(100 + i));
	auto stream = FileResourceInputStream::create(folder.write("ten.bin", bytes));
	ASSERT_TRUE(stream);

	uint8 buffer[16] {};
	EXPECT_EQ(stream->tell(), 0);
	EXPECT_EQ(stream->readRaw(buffer, 4), 4u);
	EXPECT_EQ(buffer[3], 103);
	EXPECT_EQ(stream->tell(), 4);
	EXPECT_EQ(stream->readRaw(buffer, 16), 6u) << "what is left";
	EXPECT_EQ(buffer[0], 104);
	EXPECT_EQ(stream->readRaw(buffer, 16), 0u) << "at the end";
	EXPECT_EQ(stream->readRaw(buffer, 16), 0u);
	EXPECT_EQ(stream->readRaw(buffer, 0), 0u);

	struct Seek
	{
		int64 position;
		IPlatformResourceInputStream::SeekMode mode;
		int64 result;
		int64 after; // tell() afterwards
	};
	const Seek seeks[] = {
	    {2, IPlatformResourceInputStream::kSeekSet, 2, 2},
	    {3, IPlatformResourceInputStream::kSeekCurrent, 5, 5},
	    {-1, IPlatformResourceInputStream::kSeekCurrent, 4, 4},
	    {-3, IPlatformResourceInputStream::kSeekEnd, 7, 7},
	    {0, IPlatformResourceInputStream::kSeekEnd, 10, 10},
	    {-1, IPlatformResourceInputStream::kSeekSet, -1, 10},
	    {-11, IPlatformResourceInputStream::kSeekEnd, -1, 10},
	    {-20, IPlatformResourceInputStream::kSeekCurrent, -1, 10},
	};
	for (const auto& s : seeks)
	{
		SCOPED_TRACE(testing::Message() << "seek " << s.position << " mode " << s.mode);
		EXPECT_EQ(stream->seek(s.position, s.mode), s.result);
		EXPECT_EQ(stream->tell(), s.after);
	}

	ASSERT_EQ(stream->seek(8, IPlatformResourceInputStream::kSeekSet), 8);
	EXPECT_EQ(stream->readRaw(buffer, 16), 2u);
	EXPECT_EQ(buffer[0], 108);
	EXPECT_EQ(buffer[1], 109);
}

TEST_F(BundleTest, FileStreamOpensOnlyWhatItCanRead)
{
	EXPECT_FALSE(FileResourceInputStream::create(folder.file("missing.bin")));
	EXPECT_FALSE(FileResourceInputStream::create(""));

	// A folder opens on some systems but cannot be read: every read reports
	// the error anew rather than looking like the end.
	if (auto folderStream = FileResourceInputStream::create(folder.path))
	{
		uint8 buffer[4];
		EXPECT_EQ(folderStream->readRaw(buffer, sizeof(buffer)),
		          IPlatformResourceInputStream::kReadError);
		EXPECT_EQ(folderStream->readRaw(buffer, sizeof(buffer)),
		          IPlatformResourceInputStream::kReadError);
	}
}

} // namespace
} // namespace Kavrin::Test
