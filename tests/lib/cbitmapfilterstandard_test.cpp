#include "lib/cbitmap.h"
#include "lib/cbitmapfilterstandard.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"
#include "tests/support/printers.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace BitmapFilter;

// ---- Helpers ----

// An object that only counts references.
class Counted : public NonAtomicReferenceCounted
{
};

// The pixels of a bitmap row by row, as the filters see them: premultiplied
// unless asked otherwise.
struct Pixels
{
	uint32 width {0};
	uint32 height {0};
	std::vector<CColor> colors;

	const CColor& at(uint32 x, uint32 y) const { return colors[y * width + x]; }
	CColor& at(uint32 x, uint32 y) { return colors[y * width + x]; }
	bool operator==(const Pixels& o) const
	{
		return width == o.width && height == o.height && colors == o.colors;
	}
};

void PrintTo(const Pixels& pixels, std::ostream* os)
{
	*os << pixels.width << " x " << pixels.height << ":";
	for (uint32 y = 0; y < pixels.height; ++y)
	{
		*os << "\n  ";
		for (uint32 x = 0; x < pixels.width; ++x)
		{
			PrintTo(pixels.at(x, y), os);
			*os << " ";
		}
	}
}

Pixels makePixels(uint32 width, uint32 height, const std::function<CColor(uint32, uint32)>& colorAt)
{
	Pixels pixels{width, height, {}};
	for (uint32 y = 0; y < height; ++y)
		for (uint32 x = 0; x < width; ++x)
			pixels.colors.push_back(colorAt(x, y));
	return pixels;
}

Pixels uniformPixels(uint32 width, uint32 height, const CColor& color)
{
	return makePixels(width, height, [&](uint32, uint32) { return color; });
}

// A colour that tells where it came from.
CColor coordinateColor(uint32 x, uint32 y)
{
	return CColor(uint8(10 + x * 20), uint8(10 + y * 20), 77, 255);
}

// Grey bytes of one value, a valid premultiplied pixel.
CColor grey(uint8 value)
{
	return CColor(value, value, value, value);
}

void writePixels(CBitmap& bitmap, const Pixels& pixels, bool premultiplied = true)
{
	auto access = owned(CBitmapPixelAccess::create(&bitmap, premultiplied));
	ASSERT_TRUE(access);
	ASSERT_EQ(access->getBitmapWidth(), pixels.width);
	ASSERT_EQ(access->getBitmapHeight(), pixels.height);
	do
		access->setColor(pixels.at(access->getX(), access->getY()));
	while (++*access);
}

Pixels readPixels(CBitmap* bitmap, bool premultiplied = true)
{
	Pixels pixels;
	auto access = owned(CBitmapPixelAccess::create(bitmap, premultiplied));
	if (!access)
		return pixels;
	pixels.width = access->getBitmapWidth();
	pixels.height = access->getBitmapHeight();
	do
	{
		CColor color;
		access->getColor(color);
		pixels.colors.push_back(color);
	} while (++*access);
	return pixels;
}

// A bitmap of exactly these device pixels at the given scale factor.
SharedPointer<CBitmap> bitmapOf(const Pixels& pixels, double scaleFactor = 1.)
{
	auto bitmap = makeOwned<CBitmap>(
	    CPoint(pixels.width / scaleFactor, pixels.height / scaleFactor), scaleFactor);
	writePixels(*bitmap, pixels);
	return bitmap;
}

SharedPointer<IFilter> createFilter(const char* name)
{
	return owned(Factory::getInstance().createFilter(name));
}

CBitmap* outputOf(const IFilter& filter)
{
	const Property& output = filter.getProperty("OutputBitmap");
	if (output.getType() != Property::kObject)
		return nullptr;
	return dynamic_cast<CBitmap*>(output.getObject());
}

bool runOn(IFilter& filter, CBitmap* input, bool replaceInputBitmap)
{
	filter.setProperty("InputBitmap", Property(input));
	return filter.run(replaceInputBitmap);
}

// The result of running a filter on pixels, in place or not; empty pixels
// when the run failed.
Pixels filtered(IFilter& filter, const Pixels& pixels, bool replaceInputBitmap)
{
	auto input = bitmapOf(pixels);
	if (!runOn(filter, input, replaceInputBitmap))
		return {};
	CBitmap* output = outputOf(filter);
	if (replaceInputBitmap && output != input.get())
		ADD_FAILURE() << "in place, the output is the input";
	return readPixels(output);
}

const char* modeName(bool replaceInputBitmap)
{
	return replaceInputBitmap ? "in place" : "into a new bitmap";
}

class BitmapFilterStandardTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(owned(new HeadlessPlatform)); }
	void TearDown() override { setPlatform(nullptr); }
};

// ---- Box blur ----

using BoxBlurTest = BitmapFilterStandardTest;

// "Radius" 3 gives r = 1, a 3 x 3 box. Each pass divides by 3 through the
// table: a lone 255 becomes 85, then 28 (255 / 9, rounded down). At the
// edge the first and last pixels repeat, so a corner weighs more.
TEST_F(BoxBlurTest, ALonePixelSpreadsOverItsBoxWithEdgesRepeated)
{
	struct Case
	{
		const char* label;
		uint32 width, height, litX, litY;
		std::vector<uint8> expected;
	};
	const Case cases[] = {
	    {"centre", 5, 5, 2, 2,
	     {0, 0,  0,  0,  0, //
	      0, 28, 28, 28, 0, //
	      0, 28, 28, 28, 0, //
	      0, 28, 28, 28, 0, //
	      0, 0,  0,  0,  0}},
	    {"corner", 4, 3, 0, 0,
	     {113, 56, 0, 0, //
	      56,  28, 0, 0, //
	      0,   0,  0, 0}},
	};
	for (const auto& c : cases)
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message() << c.label << ", " << modeName(replace));
			auto blur = createFilter("Box Blur");
			ASSERT_TRUE(blur->setProperty("Radius", Property(int32(3))));
			auto input = makePixels(c.width, c.height, [&](uint32 x, uint32 y) {
				return x == c.litX && y == c.litY ? grey(255) : grey(0);
			});
			auto expected = makePixels(c.width, c.height, [&](uint32 x, uint32 y) {
				return grey(c.expected[y * c.width + x]);
			});
			EXPECT_EQ(filtered(*blur, input, replace), expected);
		}
	}
}

// The straightforward two-pass definition, summing every box anew.
Pixels referenceBlur(const Pixels& source, int32 r)
{
	auto clampIndex = [](int32 i, uint32 count) {
		return uint32(std::clamp(i, 0, int32(count) - 1));
	};
	const int32 divisor = 2 * r + 1;
	auto channel = [](CColor& color, int c) -> uint8& {
		return c == 0 ? color.red : c == 1 ? color.green : c == 2 ? color.blue : color.alpha;
	};
	Pixels rows = source;
	Pixels result = source;
	for (int c = 0; c < 4; ++c)
	{
		for (uint32 y = 0; y < source.height; ++y)
			for (uint32 x = 0; x < source.width; ++x)
			{
				int32 sum = 0;
				for (int32 i = -r; i <= r; ++i)
				{
					CColor pixel = source.at(clampIndex(int32(x) + i, source.width), y);
					sum += channel(pixel, c);
				}
				channel(rows.at(x, y), c) = uint8(sum / divisor);
			}
		for (uint32 y = 0; y < source.height; ++y)
			for (uint32 x = 0; x < source.width; ++x)
			{
				int32 sum = 0;
				for (int32 i = -r; i <= r; ++i)
					sum += channel(rows.at(x, clampIndex(int32(y) + i, source.height)), c);
				channel(result.at(x, y), c) = uint8(sum / divisor);
			}
	}
	return result;
}

// Bytes that vary in every channel independently.
Pixels noisyPixels(uint32 width, uint32 height)
{
	uint32 state = 12345;
	auto next = [&] {
		state = state * 1103515245u + 12345u;
		return uint8(state >> 16);
	};
	return makePixels(width, height, [&](uint32, uint32) {
		const uint8 red = next(), green = next(), blue = next();
		return CColor(red, green, blue, next());
	});
}

// The running sums, index tables and division table give what the
// definition gives, also where the box is wider than the image.
TEST_F(BoxBlurTest, RunningSumsMatchTheTwoPassDefinition)
{
	struct Case
	{
		uint32 width, height;
		int32 radius;
	};
	const Case cases[] = {{6, 4, 2}, {6, 4, 3}, {9, 7, 5}, {9, 7, 9},  {3, 3, 9},
	                      {1, 5, 4}, {5, 1, 4}, {1, 1, 6}, {4, 6, 20}, {2, 9, 33}};
	for (const auto& c : cases)
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", Radius "
			                                << c.radius << ", " << modeName(replace));
			auto blur = createFilter("Box Blur");
			blur->setProperty("Radius", Property(c.radius));
			const Pixels input = noisyPixels(c.width, c.height);
			EXPECT_EQ(filtered(*blur, input, replace), referenceBlur(input, c.radius / 2));
		}
	}
}

// An average of equal values is that value, whatever the box. Huge radii
// neither allocate a table per box pixel nor sum box pixels one by one.
TEST_F(BoxBlurTest, UniformBitmapStaysTheSame)
{
	const Pixels uniform = uniformPixels(7, 5, CColor(40, 80, 120, 200));
	for (int32 radius : {2, 3, 4, 16, 1000, 100000, std::numeric_limits<int32>::max()})
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message() << "Radius " << radius << ", " << modeName(replace));
			auto blur = createFilter("Box Blur");
			blur->setProperty("Radius", Property(radius));
			EXPECT_EQ(filtered(*blur, uniform, replace), uniform);
		}
	}
}

TEST_F(BoxBlurTest, BoxesOfOneDevicePixelOrLessDoNothing)
{
	const Pixels input = noisyPixels(4, 3);
	for (int32 radius : {1, 0, -1, -3, std::numeric_limits<int32>::min()})
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message() << "Radius " << radius << ", " << modeName(replace));
			auto blur = createFilter("Box Blur");
			blur->setProperty("Radius", Property(radius));
			auto bitmap = bitmapOf(input);
			EXPECT_FALSE(runOn(*blur, bitmap, replace));
			EXPECT_EQ(readPixels(bitmap), input);
			EXPECT_EQ(blur->getPropertyType("OutputBitmap"), Property::kNotFound);
		}
	}
}

// Only the alpha bytes are blurred: in place the colour bytes keep their
// values, in a new bitmap they keep the new bitmap's zeros.
TEST_F(BoxBlurTest, AlphaChannelOnlyTouchesOnlyAlphaBytes)
{
	const Pixels input = makePixels(3, 3, [](uint32 x, uint32 y) {
		return x == 1 && y == 1 ? CColor(200, 100, 50, 255) : CColor(10, 20, 30, 0);
	});
	for (int32 alphaOnly : {1, 7})
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message()
			             << "AlphaChannelOnly " << alphaOnly << ", " << modeName(replace));
			auto blur = createFilter("Box Blur");
			blur->setProperty("Radius", Property(int32(3)));
			blur->setProperty("AlphaChannelOnly", Property(alphaOnly));
			Pixels expected = replace ? input : uniformPixels(3, 3, CColor(0, 0, 0, 0));
			for (auto& color : expected.colors)
				color.alpha = 28;
			EXPECT_EQ(filtered(*blur, input, replace), expected);
		}
	}
}

TEST_F(BoxBlurTest, AlphaChannelOnlyAtZeroOrBelowBlursEveryByte)
{
	const Pixels input = noisyPixels(5, 4);
	for (int32 alphaOnly : {0, -1})
	{
		SCOPED_TRACE(alphaOnly);
		auto blur = createFilter("Box Blur");
		blur->setProperty("Radius", Property(int32(4)));
		blur->setProperty("AlphaChannelOnly", Property(alphaOnly));
		EXPECT_EQ(filtered(*blur, input, false), referenceBlur(input, 2));
	}
}

// At scale factor 2 the radius counts logical units: "Radius" 1 is a box of
// two device pixels, r = 1. The new bitmap holds the input's whole pixel
// grid at its scale factor, so it shows at the same logical size.
TEST_F(BoxBlurTest, ScaleFactorTwoInputIsBlurredOverEveryDevicePixel)
{
	const Pixels input =
	    makePixels(6, 4, [](uint32 x, uint32 y) { return x == 2 && y == 1 ? grey(255) : grey(0); });
	const Pixels expected = makePixels(
	    6, 4, [](uint32 x, uint32 y) { return x >= 1 && x <= 3 && y <= 2 ? grey(28) : grey(0); });
	for (bool replace : {false, true})
	{
		SCOPED_TRACE(modeName(replace));
		auto bitmap = bitmapOf(input, 2.);
		auto blur = createFilter("Box Blur");
		blur->setProperty("Radius", Property(int32(1)));
		ASSERT_TRUE(runOn(*blur, bitmap, replace));
		CBitmap* output = outputOf(*blur);
		ASSERT_TRUE(output);
		EXPECT_EQ(output->getPlatformBitmap()->getSize(), CPoint(6, 4));
		EXPECT_EQ(output->getPlatformBitmap()->getScaleFactor(), 2.);
		EXPECT_EQ(output->getSize(), CPoint(3, 2));
		EXPECT_EQ(readPixels(output), expected);
	}
}

// ---- Grayscale ----

using GrayscaleTest = BitmapFilterStandardTest;

TEST_F(GrayscaleTest, GreyIsTheWeightedSumOfRedGreenAndBlue)
{
	struct Case
	{
		CColor input;
		CColor expected;
	};
	const Case cases[] = {
	    {{255, 0, 0, 255}, {76, 76, 76, 255}}, {{0, 255, 0, 255}, {150, 150, 150, 255}},
	    {{0, 0, 255, 255}, {28, 28, 28, 255}}, {{255, 255, 255, 255}, {255, 255, 255, 255}},
	    {{10, 20, 30, 40}, {18, 18, 18, 40}},  {{0, 0, 0, 0}, {0, 0, 0, 0}},
	    {{128, 0, 0, 128}, {38, 38, 38, 128}},
	};
	for (bool replace : {false, true})
	{
		SCOPED_TRACE(modeName(replace));
		Pixels input{uint32(std::size(cases)), 1, {}};
		Pixels expected = input;
		for (const auto& c : cases)
		{
			input.colors.push_back(c.input);
			expected.colors.push_back(c.expected);
		}
		auto grayscale = createFilter("Grayscale");
		EXPECT_EQ(filtered(*grayscale, input, replace), expected);
	}
}

// The filter works on premultiplied pixels: straight (255, 0, 0, 128) is
// stored as (128, 0, 0, 128), greys to 38 and reads back straight as 76.
TEST_F(GrayscaleTest, TranslucentPixelsAreGreyedPremultiplied)
{
	auto bitmap = makeOwned<CBitmap>(1., 1.);
	writePixels(*bitmap, uniformPixels(1, 1, CColor(255, 0, 0, 128)), false);
	auto grayscale = createFilter("Grayscale");
	ASSERT_TRUE(runOn(*grayscale, bitmap, false));
	EXPECT_EQ(readPixels(outputOf(*grayscale), false).at(0, 0), CColor(76, 76, 76, 128));
	EXPECT_EQ(readPixels(outputOf(*grayscale)).at(0, 0), CColor(38, 38, 38, 128));
}

// A pixel filter on a 2x input writes every device pixel in its place, into
// a bitmap of the same grid and scale factor.
TEST_F(GrayscaleTest, ScaleFactorTwoInputKeepsItsPixelGrid)
{
	const Pixels input = makePixels(
	    6, 4, [](uint32 x, uint32 y) { return CColor(uint8(x * 40), 0, uint8(y * 80), 255); });
	const Pixels expected = makePixels(6, 4, [](uint32 x, uint32 y) {
		const auto g = uint8(float(x * 40) * 0.3f + float(y * 80) * 0.11f);
		return CColor(g, g, g, 255);
	});
	auto bitmap = bitmapOf(input, 2.);
	auto grayscale = createFilter("Grayscale");
	ASSERT_TRUE(runOn(*grayscale, bitmap, false));
	CBitmap* output = outputOf(*grayscale);
	ASSERT_TRUE(output);
	EXPECT_EQ(output->getPlatformBitmap()->getScaleFactor(), 2.);
	EXPECT_EQ(output->getSize(), CPoint(3, 2));
	EXPECT_EQ(readPixels(output), expected);
}

// ---- Set Color ----

using SetColorTest = BitmapFilterStandardTest;

TEST_F(SetColorTest, EveryPixelTakesTheColourAndOptionallyKeepsItsAlpha)
{
	const Pixels input{4, 1, {{0, 0, 0, 255}, {50, 50, 50, 60}, {0, 0, 0, 0}, {200, 100, 0, 200}}};
	struct Case
	{
		int32 ignoreAlpha;
		std::vector<uint8> expectedAlpha;
	};
	const Case cases[] = {
	    {0, {40, 40, 40, 40}},
	    {-2, {40, 40, 40, 40}},
	    {1, {255, 60, 0, 200}},
	    {9, {255, 60, 0, 200}},
	};
	for (const auto& c : cases)
	{
		for (bool replace : {false, true})
		{
			SCOPED_TRACE(testing::Message()
			             << "IgnoreAlphaColorValue " << c.ignoreAlpha << ", " << modeName(replace));
			auto setColor = createFilter("Set Color");
			setColor->setProperty("InputColor", Property(CColor(10, 20, 30, 40)));
			setColor->setProperty("IgnoreAlphaColorValue", Property(c.ignoreAlpha));
			Pixels expected = input;
			for (uint32 x = 0; x < 4; ++x)
				expected.at(x, 0) = CColor(10, 20, 30, c.expectedAlpha[x]);
			EXPECT_EQ(filtered(*setColor, input, replace), expected);
		}
	}
}

// ---- Replace Color ----

using ReplaceColorTest = BitmapFilterStandardTest;

TEST_F(ReplaceColorTest, OnlyExactMatchesAreReplaced)
{
	const CColor match(100, 100, 100, 200);
	const CColor replacement(10, 20, 30, 40);
	struct Case
	{
		CColor input;
		bool replaced;
	};
	const Case cases[] = {
	    {match, true},
	    {{101, 100, 100, 200}, false},
	    {{100, 99, 100, 200}, false},
	    {{100, 100, 101, 200}, false},
	    {{100, 100, 100, 201}, false},
	    {{100, 100, 100, 199}, false},
	    {{0, 0, 0, 0}, false},
	};
	for (bool replace : {false, true})
	{
		SCOPED_TRACE(modeName(replace));
		Pixels input{uint32(std::size(cases)), 1, {}};
		Pixels expected = input;
		for (const auto& c : cases)
		{
			input.colors.push_back(c.input);
			expected.colors.push_back(c.replaced ? replacement : c.input);
		}
		auto replaceColor = createFilter("Replace Color");
		replaceColor->setProperty("InputColor", Property(match));
		replaceColor->setProperty("OutputColor", Property(replacement));
		EXPECT_EQ(filtered(*replaceColor, input, replace), expected);
	}
}

// ---- Scaling ----

using ScaleTest = BitmapFilterStandardTest;

Pixels scaled(const char* filterName, const Pixels& source, uint32 width, uint32 height)
{
	auto filter = createFilter(filterName);
	filter->setProperty("OutputRect", Property(CRect(0, 0, width, height)));
	return filtered(*filter, source, false);
}

TEST_F(ScaleTest, LinearFourToTwoTakesEveryOtherPixel)
{
	const Pixels source = makePixels(4, 4, coordinateColor);
	const Pixels expected{2,
	                      2,
	                      {coordinateColor(0, 0), coordinateColor(2, 0), coordinateColor(0, 2),
	                       coordinateColor(2, 2)}};
	EXPECT_EQ(scaled("Scale Linear", source, 2, 2), expected);
}

// Column j takes source column (int)(j x source / destination), the
// position being summed up step by step.
TEST_F(ScaleTest, LinearTakesTheNearestPixelBelowEachPosition)
{
	struct Case
	{
		uint32 source;
		uint32 destination;
		std::vector<uint32> taken;
	};
	const Case cases[] = {
	    {4, 2, {0, 2}},          {2, 4, {0, 0, 1, 1}}, {3, 2, {0, 1}},
	    {3, 5, {0, 0, 1, 1, 2}}, {5, 3, {0, 1, 3}},    {1, 3, {0, 0, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << c.source << " to " << c.destination);
		const Pixels source = makePixels(c.source, c.source, coordinateColor);
		const Pixels expected =
		    makePixels(c.destination, c.destination,
		               [&](uint32 x, uint32 y) { return coordinateColor(c.taken[x], c.taken[y]); });
		EXPECT_EQ(scaled("Scale Linear", source, c.destination, c.destination), expected);
	}
}

// Summing 1 / 8194 up 8193 times in single precision passes 1: the last
// row would be taken from below a one-pixel-high source. Each row keeps to
// the source, column by column.
TEST_F(ScaleTest, LinearAccumulatedPositionsStayInsideTheSource)
{
	const uint32 longSide = 8194;
	const Pixels row{2, 1, {kRedCColor, kBlueCColor}};
	EXPECT_EQ(scaled("Scale Linear", row, 2, longSide),
	          makePixels(2, longSide, [&](uint32 x, uint32) { return row.at(x, 0); }));
	const Pixels column{1, 2, {kRedCColor, kBlueCColor}};
	EXPECT_EQ(scaled("Scale Linear", column, longSide, 2),
	          makePixels(longSide, 2, [&](uint32, uint32 y) { return column.at(0, y); }));
}

// With a source of 2 x 2 the step is 1/4: the weights are exact and each
// value is the weighted sum of the four red bytes, rounded down.
TEST_F(ScaleTest, BilinearWeighsTheFourNeighbours)
{
	const Pixels source{
	    2, 2, {{10, 0, 0, 255}, {101, 0, 0, 255}, {200, 0, 0, 255}, {50, 0, 0, 255}}};
	const Pixels result = scaled("Scale Biliniear", source, 4, 4);
	ASSERT_EQ(result.width, 4u);
	// Rows dy = 0, 1/4, 1/2, 3/4; columns dx likewise.
	const uint8 expectedRed[4][4] = {
	    {10, 32, 55, 78},
	    {57, 65, 72, 80},
	    {105, 97, 90, 82},
	    {152, 130, 107, 85},
	};
	for (uint32 y = 0; y < 4; ++y)
	{
		for (uint32 x = 0; x < 4; ++x)
		{
			SCOPED_TRACE(testing::Message() << x << "," << y);
			EXPECT_EQ(result.at(x, y), CColor(expectedRed[y][x], 0, 0, 255));
		}
	}
}

// A source one pixel wide or high has no second neighbour across: its
// pixels are interpolated along the other axis only.
TEST_F(ScaleTest, BilinearOnAOnePixelWideOrHighSourceStaysInside)
{
	const Pixels row{3, 1, {{0, 0, 0, 255}, {90, 0, 0, 255}, {240, 0, 0, 255}}};
	const uint8 interpolated[] = {0, 45, 90, 165};
	EXPECT_EQ(
	    scaled("Scale Biliniear", row, 4, 3),
	    makePixels(4, 3, [&](uint32 x, uint32) { return CColor(interpolated[x], 0, 0, 255); }));
	const Pixels column{1, 3, row.colors};
	EXPECT_EQ(
	    scaled("Scale Biliniear", column, 3, 4),
	    makePixels(3, 4, [&](uint32, uint32 y) { return CColor(interpolated[y], 0, 0, 255); }));
	const Pixels single{1, 1, {CColor(1, 2, 3, 4)}};
	EXPECT_EQ(scaled("Scale Biliniear", single, 3, 2), uniformPixels(3, 2, CColor(1, 2, 3, 4)));
}

TEST_F(ScaleTest, OutputRectIsRoundedToWholePixelsAtScaleFactorOne)
{
	struct Case
	{
		CRect rect;
		uint32 width, height; // 0: the run fails
	};
	const double nan = std::numeric_limits<double>::quiet_NaN();
	const double infinity = std::numeric_limits<double>::infinity();
	const Case cases[] = {
	    {{0, 0, 10, 10}, 10, 10}, {{0.4, 0.4, 2.6, 3.4}, 3, 3}, {{0.5, 0, 2.4, 1}, 1, 1},
	    {{-3, -2, 1, 1}, 4, 3},   {{5, 5, 5, 9}, 0, 0},         {{3, 0, 1, 1}, 0, 0},
	    {{0, 0, 4, 0.4}, 0, 0},   {{0, 0, nan, 2}, 0, 0},       {{0, 0, 2, infinity}, 0, 0},
	    {{0, 0, 1e12, 1}, 0, 0},
	};
	for (const char* name : {"Scale Linear", "Scale Biliniear"})
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(testing::Message() << name << " to " << c.rect.left << ", " << c.rect.top
			                                << ", " << c.rect.right << ", " << c.rect.bottom);
			auto filter = createFilter(name);
			filter->setProperty("OutputRect", Property(c.rect));
			auto input = bitmapOf(makePixels(4, 4, coordinateColor), 2.);
			EXPECT_EQ(runOn(*filter, input, false), c.width > 0);
			CBitmap* output = outputOf(*filter);
			if (c.width == 0)
			{
				EXPECT_EQ(output, nullptr);
				continue;
			}
			ASSERT_TRUE(output);
			EXPECT_EQ(output->getPlatformBitmap()->getSize(), CPoint(c.width, c.height));
			EXPECT_EQ(output->getPlatformBitmap()->getScaleFactor(), 1.);
		}
	}
}

TEST_F(ScaleTest, ScalingCannotWorkInPlace)
{
	const Pixels source = makePixels(4, 4, coordinateColor);
	for (const char* name : {"Scale Linear", "Scale Biliniear"})
	{
		SCOPED_TRACE(name);
		auto filter = createFilter(name);
		auto bitmap = bitmapOf(source);
		EXPECT_FALSE(runOn(*filter, bitmap, true));
		EXPECT_EQ(filter->getPropertyType("OutputBitmap"), Property::kNotFound);
		EXPECT_EQ(readPixels(bitmap), source);
	}
}

// ---- Every filter ----

const char* const kAllFilters[] = {"Box Blur",      "Set Color",       "Grayscale",
                                   "Replace Color", "Scale Biliniear", "Scale Linear"};

TEST_F(BitmapFilterStandardTest, ASecondRunKeepsTheFirstOutput)
{
	for (const char* name : kAllFilters)
	{
		SCOPED_TRACE(name);
		auto filter = createFilter(name);
		auto first = bitmapOf(noisyPixels(3, 3));
		auto second = bitmapOf(noisyPixels(4, 2));
		ASSERT_TRUE(runOn(*filter, first, false));
		SharedPointer<CBitmap> firstOutput = outputOf(*filter);
		const Pixels firstResult = readPixels(firstOutput);
		EXPECT_FALSE(runOn(*filter, second, false));
		EXPECT_EQ(outputOf(*filter), firstOutput.get());
		EXPECT_EQ(readPixels(firstOutput), firstResult);
	}
}

// A run that cannot publish its result fails before it touches a pixel: in
// place, the caller's bitmap stays as it was.
TEST_F(BitmapFilterStandardTest, ASecondRunInPlaceLeavesTheInputAlone)
{
	Pixels pixels = noisyPixels(4, 2);
	pixels.at(1, 1) = CColor(255, 255, 255, 255); // what "Replace Color" replaces by default
	for (const char* name : kAllFilters)
	{
		SCOPED_TRACE(name);
		auto filter = createFilter(name);
		ASSERT_TRUE(runOn(*filter, bitmapOf(noisyPixels(3, 3)), false));
		SharedPointer<CBitmap> firstOutput = outputOf(*filter);
		auto second = bitmapOf(pixels);
		EXPECT_FALSE(runOn(*filter, second, true));
		EXPECT_EQ(readPixels(second), pixels);
		EXPECT_EQ(outputOf(*filter), firstOutput.get());
	}
}

// The value properties each standard filter reads.
struct ReadProperty
{
	const char* filter;
	const char* name;
	Property::Type type;
};

const ReadProperty kReadProperties[] = {
    {"Box Blur", "Radius", Property::kInteger},
    {"Box Blur", "AlphaChannelOnly", Property::kInteger},
    {"Set Color", "InputColor", Property::kColor},
    {"Set Color", "IgnoreAlphaColorValue", Property::kInteger},
    {"Replace Color", "InputColor", Property::kColor},
    {"Replace Color", "OutputColor", Property::kColor},
    {"Scale Biliniear", "OutputRect", Property::kRect},
    {"Scale Linear", "OutputRect", Property::kRect},
};

// Setting a property made from its type alone is refused: the filter runs
// with the value it had, as a fresh one does.
TEST_F(BitmapFilterStandardTest, PropertiesWithoutValueAreRefusedAndTheRunKeepsTheDefault)
{
	Pixels pixels = noisyPixels(4, 3);
	pixels.at(2, 1) = CColor(255, 255, 255, 255);
	for (const auto& c : kReadProperties)
	{
		SCOPED_TRACE(testing::Message() << c.filter << " " << c.name);
		auto fresh = createFilter(c.filter);
		ASSERT_TRUE(runOn(*fresh, bitmapOf(pixels), false));
		auto filter = createFilter(c.filter);
		EXPECT_FALSE(filter->setProperty(c.name, Property(c.type)));
		EXPECT_TRUE(filter->getProperty(c.name).hasValue());
		ASSERT_TRUE(runOn(*filter, bitmapOf(pixels), false));
		EXPECT_EQ(readPixels(outputOf(*filter)), readPixels(outputOf(*fresh)));
	}
}

// Inputs that have no pixels to work on fail quietly: no output, nothing
// reported.
TEST_F(BitmapFilterStandardTest, InputsWithoutPixelsFailWithoutOutput)
{
	auto withoutPlatformBitmap = makeOwned<CBitmap>();
	auto notLoaded = makeOwned<CBitmap>(IPlatformBitmap::create(nullptr));
	auto notABitmap = makeOwned<Counted>();
	struct Case
	{
		const char* label;
		IReference* input;
	};
	const Case cases[] = {
	    {"no input", nullptr},
	    {"a bitmap without platform bitmap", withoutPlatformBitmap.get()},
	    {"a bitmap that never loaded", notLoaded.get()},
	    {"an object that is not a bitmap", notABitmap.get()},
	};
	for (const char* name : kAllFilters)
	{
		for (const auto& c : cases)
		{
			for (bool replace : {false, true})
			{
				SCOPED_TRACE(testing::Message()
				             << name << " on " << c.label << ", " << modeName(replace));
				AssertionRecorder assertions;
				auto filter = createFilter(name);
				ASSERT_TRUE(filter->setProperty("InputBitmap", Property(c.input)));
				EXPECT_FALSE(filter->run(replace));
				EXPECT_EQ(filter->getPropertyType("OutputBitmap"), Property::kNotFound);
				EXPECT_TRUE(assertions.reports.empty());
			}
		}
	}
}

// A filter whose property was registered with another type than it reads,
// or without a value.
template <typename Filter>
class Mistyped : public Filter
{
public:
	Mistyped(const char* name, const Property& property) { this->properties[name] = property; }
};

template <typename Filter>
SharedPointer<IFilter> mistyped(const char* name, const Property& property)
{
	return owned<IFilter>(new Mistyped<Filter>(name, property));
}

TEST_F(BitmapFilterStandardTest, PropertiesOfTheWrongTypeOrWithoutValueFailWithoutOutput)
{
	using namespace Standard;
	struct Case
	{
		const char* label;
		SharedPointer<IFilter> filter;
		const char* reportedLine; // null: nothing reported
	};
	const Case cases[] = {
	    {"blur radius", mistyped<BoxBlur>("Radius", Property(3.)), nullptr},
	    {"blur alpha only", mistyped<BoxBlur>("AlphaChannelOnly", Property(CColor())), nullptr},
	    {"blur input", mistyped<BoxBlur>("InputBitmap", Property(int32(1))), "180"},
	    {"set colour", mistyped<SetColor>("InputColor", Property(int32(1))), nullptr},
	    {"set colour alpha", mistyped<SetColor>("IgnoreAlphaColorValue", Property(1.)), nullptr},
	    {"grey input", mistyped<Grayscale>("InputBitmap", Property(CRect())), "180"},
	    {"replace input colour", mistyped<ReplaceColor>("InputColor", Property(CPoint())), nullptr},
	    {"replace output colour", mistyped<ReplaceColor>("OutputColor", Property()), nullptr},
	    {"linear rect", mistyped<ScaleLinear>("OutputRect", Property(CPoint(4, 4))), nullptr},
	    {"bilinear rect", mistyped<ScaleBiliniear>("OutputRect", Property(CColor())), nullptr},
	    {"bilinear input", mistyped<ScaleBiliniear>("InputBitmap", Property(2.)), "180"},
	    {"blur radius without value", mistyped<BoxBlur>("Radius", Property(Property::kInteger)),
	     nullptr},
	    {"blur alpha only without value",
	     mistyped<BoxBlur>("AlphaChannelOnly", Property(Property::kInteger)), nullptr},
	    {"set colour without value", mistyped<SetColor>("InputColor", Property(Property::kColor)),
	     nullptr},
	    {"set colour alpha without value",
	     mistyped<SetColor>("IgnoreAlphaColorValue", Property(Property::kInteger)), nullptr},
	    {"replace input colour without value",
	     mistyped<ReplaceColor>("InputColor", Property(Property::kColor)), nullptr},
	    {"replace output colour without value",
	     mistyped<ReplaceColor>("OutputColor", Property(Property::kColor)), nullptr},
	    {"linear rect without value", mistyped<ScaleLinear>("OutputRect", Property(Property::kRect)),
	     nullptr},
	    {"bilinear rect without value",
	     mistyped<ScaleBiliniear>("OutputRect", Property(Property::kRect)), nullptr},
	};
	const Pixels pixels = noisyPixels(3, 3);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.label);
		auto bitmap = bitmapOf(pixels);
		c.filter->setProperty("InputBitmap", Property(bitmap.get()));
		AssertionRecorder assertions;
		EXPECT_FALSE(c.filter->run(false));
		EXPECT_EQ(c.filter->getPropertyType("OutputBitmap"), Property::kNotFound);
		EXPECT_EQ(readPixels(bitmap), pixels);
		if (c.reportedLine)
			EXPECT_TRUE(assertions.has("lib/cbitmapfilter", c.reportedLine));
		else
			EXPECT_TRUE(assertions.reports.empty());
	}
}

} // namespace
} // namespace Kavrin::Test
