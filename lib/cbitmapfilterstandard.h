#pragma once

#include "lib/cbitmapfilter.h"

#include <cstddef>
#include <memory>
#include <new>

namespace Kavrin {

class CBitmapPixelAccess;

namespace BitmapFilter {
namespace Standard {

// The standard filters work on the premultiplied pixels of the input's first
// platform bitmap, so colours given to them ("InputColor", "OutputColor")
// are compared and written as premultiplied values.
//
// A filter that does not replace its input writes a new bitmap with the
// input's pixel grid and scale factor, so the result shows at the input's
// logical size with every pixel in place.

using PixelFunction = void (*)(CColor& color, FilterBase* filter);

// Runs a function over every pixel. The function gets the filter to read
// what its run prepared.
template <typename ProcessFunction>
class SimpleFilter : public FilterBase
{
public:
	bool run(bool replaceInputBitmap) override;

protected:
	SimpleFilter(const char* description, ProcessFunction processFunction);

	ProcessFunction processFunction;
};

// Grey from the weighted sum of red, green and blue; alpha unchanged.
class Grayscale : public SimpleFilter<PixelFunction>
{
public:
	Grayscale();
	static IFilter* create(const char* name);

private:
	static void processPixel(CColor& color, FilterBase* filter);
};

// Every pixel takes "InputColor"; with "IgnoreAlphaColorValue" above 0 each
// pixel keeps its own alpha.
class SetColor : public SimpleFilter<PixelFunction>
{
public:
	SetColor();
	static IFilter* create(const char* name);

	bool run(bool replaceInputBitmap) override;

private:
	static void processPixel(CColor& color, FilterBase* filter);

	CColor inputColor;
	bool ignoreAlpha {true};
};

// Pixels exactly equal to "InputColor", alpha included, become
// "OutputColor"; all others stay as they are.
class ReplaceColor : public SimpleFilter<PixelFunction>
{
public:
	ReplaceColor();
	static IFilter* create(const char* name);

	bool run(bool replaceInputBitmap) override;

private:
	static void processPixel(CColor& color, FilterBase* filter);

	CColor inputColor;
	CColor outputColor;
};

void reportWorkBufferIndexOutOfRange();

// Scratch memory that a filter keeps between runs: reallocated only when the
// needed size changes. An index past the end is reported and lands on a
// spare element instead of outside the memory.
template <typename T>
class WorkBuffer
{
public:
	// False, and no memory, when the size cannot be allocated.
	bool resize(std::size_t newSize)
	{
		if (newSize == count)
			return true;
		elements.reset(newSize ? new (std::nothrow) T[newSize] : nullptr);
		count = elements ? newSize : 0;
		return count == newSize;
	}
	T& operator[](std::size_t index)
	{
		if (index < count)
			return elements[index];
		reportWorkBufferIndexOutOfRange();
		return spare;
	}
	std::size_t size() const { return count; }

private:
	std::unique_ptr<T[]> elements;
	std::size_t count {0};
	T spare {};
};

// Averages each pixel with its neighbours in a square of 2r + 1 device
// pixels, r being half the "Radius" in device pixels. Two running-sum passes
// and a division table make the cost independent of the radius. With
// "AlphaChannelOnly" above 0 only the alpha bytes are blurred.
class BoxBlur : public FilterBase
{
public:
	BoxBlur();
	static IFilter* create(const char* name);

	bool run(bool replaceInputBitmap) override;

	// The blurred channels: [first, end) of red, green, blue, alpha.
	struct Channels
	{
		uint32 first;
		uint32 end;
	};

private:
	bool prepareBuffers(uint32 width, uint32 height, int64 radius, Channels channels);
	void blurRows(CBitmapPixelAccess& source, int64 radius, Channels channels);
	void readRow(CBitmapPixelAccess& source, uint32 y);
	void blurColumns(CBitmapPixelAccess& destination, int64 radius, Channels channels);
	void fillIndexTables(uint32 count, int64 radius, uint32 stride);
	uint8 divide(int64 sum, int64 divisor);

	uint32 width {0};
	uint32 height {0};
	WorkBuffer<uint8> planes[4];
	WorkBuffer<uint32> upperIndices;
	WorkBuffer<uint32> lowerIndices;
	WorkBuffer<uint8> divisionTable;
	// One source row, four bytes a pixel, read once for all channels.
	WorkBuffer<uint8> rowPixels;
};

// Scales the input into a new bitmap of the size of "OutputRect" (rounded
// to whole pixels, scale factor 1). Cannot work in place.
class ScaleBase : public FilterBase
{
public:
	bool run(bool replaceInputBitmap) override;

protected:
	explicit ScaleBase(const char* description);

	virtual void process(CBitmapPixelAccess& source, CBitmapPixelAccess& destination) = 0;
};

// Interpolates between the four source pixels around each destination pixel.
class ScaleBiliniear : public ScaleBase
{
public:
	ScaleBiliniear();
	static IFilter* create(const char* name);

protected:
	void process(CBitmapPixelAccess& source, CBitmapPixelAccess& destination) override;
};

// Nearest neighbour: each destination pixel copies one source pixel.
class ScaleLinear : public ScaleBase
{
public:
	ScaleLinear();
	static IFilter* create(const char* name);

protected:
	void process(CBitmapPixelAccess& source, CBitmapPixelAccess& destination) override;
};

} // namespace Standard
} // namespace BitmapFilter
} // namespace Kavrin
