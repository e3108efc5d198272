#include "lib/cbitmapfilterstandard.h"

#include "lib/assertion.h"
#include "lib/cbitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Kavrin {
namespace BitmapFilter {
namespace Standard {

void reportWorkBufferIndexOutOfRange()
{
	doAssert("lib/malloc", "46");
}

namespace {

// ---- Pixels in and out ----

// A bitmap of the source's pixel grid and scale factor: the same logical
// size, and room for every pixel of the source.
SharedPointer<CBitmap> createBitmapLike(const IPlatformBitmap& source)
{
	CPoint size = source.getSize();
	auto platformBitmap = IPlatformBitmap::create(&size);
	if (!platformBitmap)
		return nullptr;
	platformBitmap->setScaleFactor(source.getScaleFactor());
	return makeOwned<CBitmap>(platformBitmap);
}

// The pixels a filter reads and writes: the input's own when it works in
// place (one access serves both), else those of a new bitmap.
class PixelTarget
{
public:
	bool open(CBitmap* input, bool replaceInputBitmap)
	{
		if (!input || !input->getPlatformBitmap())
			return false;
		source = owned(CBitmapPixelAccess::create(input));
		if (!source)
			return false;
		if (replaceInputBitmap)
		{
			output = input;
			destination = source;
			return true;
		}
		output = createBitmapLike(*input->getPlatformBitmap());
		destination = owned(CBitmapPixelAccess::create(output));
		return destination != nullptr;
	}

	// Ends the pixel accesses, so that the output shows what was written.
	CBitmap* close()
	{
		destination = nullptr;
		source = nullptr;
		return output;
	}

	bool inPlace() const { return source == destination; }

	SharedPointer<CBitmap> output;
	SharedPointer<CBitmapPixelAccess> source;
	SharedPointer<CBitmapPixelAccess> destination;
};

bool integerProperty(const FilterBase& filter, const char* name, int32& value)
{
	const Property& property = filter.getProperty(name);
	if (property.getType() != Property::kInteger || !property.hasValue())
		return false;
	value = property.getInteger();
	return true;
}

bool colorProperty(const FilterBase& filter, const char* name, CColor& color)
{
	const Property& property = filter.getProperty(name);
	if (property.getType() != Property::kColor || !property.hasValue())
		return false;
	color = property.getColor();
	return true;
}

// An output left from an earlier run would keep the filter from publishing
// a new one: the run fails before it reads or writes any pixel, so that a
// run in place leaves the caller's bitmap as it was.
bool hasOutputBitmap(const FilterBase& filter)
{
	return filter.getPropertyType(PropertyName::kOutputBitmap) != Property::kNotFound;
}

} // namespace

// ---- SimpleFilter ----

template <typename ProcessFunction>
SimpleFilter<ProcessFunction>::SimpleFilter(const char* description,
                                            ProcessFunction processFunction)
: FilterBase(description), processFunction(processFunction)
{
	registerProperty(PropertyName::kInputBitmap, Property(Property::kObject));
}

template <typename ProcessFunction>
bool SimpleFilter<ProcessFunction>::run(bool replaceInputBitmap)
{
	PixelTarget target;
	if (hasOutputBitmap(*this) || !target.open(getInputBitmap(), replaceInputBitmap))
		return false;
	CBitmapPixelAccess& source = *target.source;
	CBitmapPixelAccess& destination = *target.destination;
	const bool stepDestination = !target.inPlace();
	CColor color;
	do
	{
		source.getColor(color);
		processFunction(color, this);
		destination.setColor(color);
		if (stepDestination)
			++destination;
	} while (++source);
	return publishOutputBitmap(target.close());
}

template class SimpleFilter<PixelFunction>;

// ---- Grayscale ----

Grayscale::Grayscale() : SimpleFilter("A Grayscale Filter", processPixel) {}

IFilter* Grayscale::create(const char*)
{
	return new Grayscale();
}

void Grayscale::processPixel(CColor& color, FilterBase*)
{
	const float grey =
	    (float(color.red) * 0.3f + float(color.green) * 0.59f) + float(color.blue) * 0.11f;
	color.red = color.green = color.blue = uint8(std::min(grey, 255.f));
}

// ---- SetColor ----

SetColor::SetColor() : SimpleFilter("A Set Color Filter", processPixel)
{
	registerProperty(PropertyName::kIgnoreAlphaColorValue, Property(int32(1)));
	registerProperty(PropertyName::kInputColor, Property(CColor(255, 255, 255, 255)));
}

IFilter* SetColor::create(const char*)
{
	return new SetColor();
}

bool SetColor::run(bool replaceInputBitmap)
{
	int32 ignoreAlphaValue = 0;
	if (!colorProperty(*this, PropertyName::kInputColor, inputColor) ||
	    !integerProperty(*this, PropertyName::kIgnoreAlphaColorValue, ignoreAlphaValue))
		return false;
	ignoreAlpha = ignoreAlphaValue > 0;
	return SimpleFilter::run(replaceInputBitmap);
}

void SetColor::processPixel(CColor& color, FilterBase* filter)
{
	const auto& self = *static_cast<SetColor*>(filter);
	const uint8 alpha = self.ignoreAlpha ? color.alpha : self.inputColor.alpha;
	color = self.inputColor;
	color.alpha = alpha;
}

// ---- ReplaceColor ----

ReplaceColor::ReplaceColor() : SimpleFilter("A Replace Color Filter", processPixel)
{
	registerProperty(PropertyName::kInputColor, Property(CColor(255, 255, 255, 255)));
	registerProperty(PropertyName::kOutputColor, Property(CColor(255, 255, 255, 0)));
}

IFilter* ReplaceColor::create(const char*)
{
	return new ReplaceColor();
}

bool ReplaceColor::run(bool replaceInputBitmap)
{
	if (!colorProperty(*this, PropertyName::kInputColor, inputColor) ||
	    !colorProperty(*this, PropertyName::kOutputColor, outputColor))
		return false;
	return SimpleFilter::run(replaceInputBitmap);
}

void ReplaceColor::processPixel(CColor& color, FilterBase* filter)
{
	const auto& self = *static_cast<ReplaceColor*>(filter);
	if (color == self.inputColor)
		color = self.outputColor;
}

// ---- BoxBlur ----

namespace {

// Beyond a box this wide every window covers the whole image many times
// over; the limit keeps the sums and indices in range.
constexpr double kMaxBlurDiameter = std::numeric_limits<int32>::max();
// Larger boxes divide directly instead of filling a table of 256 entries
// per box pixel: the same quotients without the memory.
constexpr int64 kMaxTableDivisor = 4096;

// The vertical pass sums this many columns side by side, row by row, so
// that the planes and the destination are read and written along rows.
constexpr uint32 kStripWidth = 64;

constexpr uint32 kAlphaChannel = 3;
constexpr uint32 kChannelCount = 4;

} // namespace

BoxBlur::BoxBlur() : FilterBase("A Box Blur Filter")
{
	registerProperty(PropertyName::kInputBitmap, Property(Property::kObject));
	registerProperty(PropertyName::kRadius, Property(int32(2)));
	registerProperty(PropertyName::kAlphaChannelOnly, Property(int32(0)));
}

IFilter* BoxBlur::create(const char*)
{
	return new BoxBlur();
}

bool BoxBlur::run(bool replaceInputBitmap)
{
	CBitmap* input = getInputBitmap();
	int32 radiusValue = 0;
	if (hasOutputBitmap(*this) || !input || !input->getPlatformBitmap() ||
	    !integerProperty(*this, PropertyName::kRadius, radiusValue) || radiusValue < 0)
		return false;
	// The radius is logical; the box is measured in device pixels.
	const double scaledDiameter =
	    std::min(radiusValue * input->getPlatformBitmap()->getScaleFactor(), kMaxBlurDiameter);
	const auto diameter = int64(scaledDiameter);
	if (diameter <= 1)
		return false;
	int32 alphaOnlyValue = 0;
	if (!integerProperty(*this, PropertyName::kAlphaChannelOnly, alphaOnlyValue))
		return false;
	const Channels channels = alphaOnlyValue > 0 ? Channels{kAlphaChannel, kAlphaChannel + 1}
	                                             : Channels{0, kChannelCount};

	PixelTarget target;
	if (!target.open(input, replaceInputBitmap))
		return false;
	const int64 radius = diameter / 2;
	// Rows may be padded; only whole pixels take part.
	if (!prepareBuffers(target.source->getBitmapWidth(), target.source->getBitmapHeight(), radius,
	                    channels))
		return false;
	blurRows(*target.source, radius, channels);
	blurColumns(*target.destination, radius, channels);
	return publishOutputBitmap(target.close());
}

bool BoxBlur::prepareBuffers(uint32 newWidth, uint32 newHeight, int64 radius, Channels channels)
{
	width = newWidth;
	height = newHeight;
	const std::size_t planeSize = std::size_t(width) * height;
	for (uint32 channel = channels.first; channel < channels.end; ++channel)
	{
		if (!planes[channel].resize(planeSize))
			return false;
	}
	const std::size_t longestSide = std::max(width, height);
	if (!upperIndices.resize(longestSide) || !lowerIndices.resize(longestSide) ||
	    !rowPixels.resize(std::size_t(width) * kChannelCount))
		return false;
	const int64 divisor = 2 * radius + 1;
	if (divisor > kMaxTableDivisor)
		return true;
	const auto tableSize = std::size_t(256 * divisor);
	if (!divisionTable.resize(tableSize))
		return false;
	for (std::size_t i = 0; i < tableSize; ++i)
		divisionTable[i] = uint8(int64(i) / divisor);
	return true;
}

// Indices of the pixel entering and the pixel leaving the box after each
// step along a line of count pixels, clamped to the line and multiplied by
// stride (1 along a row, the row length down a column).
void BoxBlur::fillIndexTables(uint32 count, int64 radius, uint32 stride)
{
	const int64 last = int64(count) - 1;
	for (uint32 i = 0; i < count; ++i)
	{
		upperIndices[i] = uint32(std::min(i + radius + 1, last)) * stride;
		lowerIndices[i] = uint32(std::max(i - radius, int64(0))) * stride;
	}
}

inline uint8 BoxBlur::divide(int64 sum, int64 divisor)
{
	if (divisor > kMaxTableDivisor)
		return uint8(sum / divisor);
	return divisionTable[std::size_t(sum)];
}

namespace {

// The sum over the first box of a line: positions -r ... r, those before
// the line counting as its first pixel and those past it as its last. Adds
// up at most min(r + 1, count) pixels, whatever the radius.
template <typename ValueAt>
int64 initialBoxSum(uint32 count, int64 radius, ValueAt valueAt)
{
	const int64 last = int64(count) - 1;
	int64 sum = radius * valueAt(0);
	const int64 inside = std::min(radius, last);
	for (int64 i = 0; i <= inside; ++i)
		sum += valueAt(uint32(i));
	if (radius > last)
		sum += (radius - last) * valueAt(uint32(last));
	return sum;
}

// Only the blurred bytes change; with alpha alone the colour bytes keep
// what the destination had.
void writeBlurred(CBitmapPixelAccess& destination, uint32 x, uint32 y,
                  const uint8 (&blurred)[kChannelCount], BoxBlur::Channels channels)
{
	if (!destination.setPosition(x, y))
		return;
	CColor color;
	if (channels.first == kAlphaChannel)
		destination.getColor(color);
	else
		color = CColor(blurred[0], blurred[1], blurred[2], blurred[3]);
	color.alpha = blurred[kAlphaChannel];
	destination.setColor(color);
}

} // namespace

void BoxBlur::blurRows(CBitmapPixelAccess& source, int64 radius, Channels channels)
{
	fillIndexTables(width, radius, 1);
	const int64 divisor = 2 * radius + 1;
	for (uint32 y = 0; y < height; ++y)
	{
		readRow(source, y);
		const std::size_t rowStart = std::size_t(y) * width;
		for (uint32 channel = channels.first; channel < channels.end; ++channel)
		{
			auto valueAt = [&](uint32 x) {
				return int64(rowPixels[std::size_t(x) * kChannelCount + channel]);
			};
			int64 sum = initialBoxSum(width, radius, valueAt);
			auto& plane = planes[channel];
			for (uint32 x = 0; x < width; ++x)
			{
				plane[rowStart + x] = divide(sum, divisor);
				sum += valueAt(upperIndices[x]) - valueAt(lowerIndices[x]);
			}
		}
	}
}

// Each source pixel is read once, stepping along the row.
void BoxBlur::readRow(CBitmapPixelAccess& source, uint32 y)
{
	if (!source.setPosition(0, y))
		return;
	CColor color;
	for (uint32 x = 0; x < width; ++x)
	{
		source.getColor(color);
		const std::size_t first = std::size_t(x) * kChannelCount;
		rowPixels[first] = color.red;
		rowPixels[first + 1] = color.green;
		rowPixels[first + 2] = color.blue;
		rowPixels[first + 3] = color.alpha;
		++source;
	}
}

void BoxBlur::blurColumns(CBitmapPixelAccess& destination, int64 radius, Channels channels)
{
	fillIndexTables(height, radius, width);
	const int64 divisor = 2 * radius + 1;
	for (uint32 stripStart = 0; stripStart < width; stripStart += kStripWidth)
	{
		const uint32 stripWidth = std::min(kStripWidth, width - stripStart);
		int64 sums[kChannelCount][kStripWidth] = {};
		for (uint32 channel = channels.first; channel < channels.end; ++channel)
		{
			auto& plane = planes[channel];
			for (uint32 i = 0; i < stripWidth; ++i)
			{
				const std::size_t x = stripStart + i;
				auto valueAt = [&](uint32 y) { return int64(plane[std::size_t(y) * width + x]); };
				sums[channel][i] = initialBoxSum(height, radius, valueAt);
			}
		}
		for (uint32 y = 0; y < height; ++y)
		{
			const std::size_t entering = upperIndices[y] + std::size_t(stripStart);
			const std::size_t leaving = lowerIndices[y] + std::size_t(stripStart);
			for (uint32 i = 0; i < stripWidth; ++i)
			{
				uint8 blurred[kChannelCount] = {};
				for (uint32 channel = channels.first; channel < channels.end; ++channel)
				{
					auto& plane = planes[channel];
					blurred[channel] = divide(sums[channel][i], divisor);
					sums[channel][i] += plane[entering + i] - plane[leaving + i];
				}
				writeBlurred(destination, stripStart + i, y, blurred, channels);
			}
		}
	}
}

// ---- ScaleBase ----

ScaleBase::ScaleBase(const char* description) : FilterBase(description)
{
	registerProperty(PropertyName::kInputBitmap, Property(Property::kObject));
	registerProperty(PropertyName::kOutputRect, Property(CRect(0, 0, 10, 10)));
}

bool ScaleBase::run(bool replaceInputBitmap)
{
	if (replaceInputBitmap || hasOutputBitmap(*this))
		return false;
	const Property& rectProperty = getProperty(PropertyName::kOutputRect);
	if (rectProperty.getType() != Property::kRect || !rectProperty.hasValue())
		return false;
	const CRect& rect = rectProperty.getRect();
	const double width = std::floor(rect.right + 0.5) - std::floor(rect.left + 0.5);
	const double height = std::floor(rect.bottom + 0.5) - std::floor(rect.top + 0.5);
	if (!(width > 0.) || !(height > 0.))
		return false;
	CBitmap* input = getInputBitmap();
	if (!input)
		return false;
	// A size the platform refuses leaves the bitmap without pixels, and
	// then without pixel access.
	auto output = makeOwned<CBitmap>(width, height);
	auto source = owned(CBitmapPixelAccess::create(input));
	auto destination = owned(CBitmapPixelAccess::create(output));
	if (!source || !destination)
		return false;
	process(*source, *destination);
	source = nullptr;
	destination = nullptr;
	return publishOutputBitmap(output);
}

// ---- ScaleBiliniear ----

namespace {

// A source position along a line of count pixels and its fraction towards
// the next pixel; positions on or past the last pixel stay on it.
struct SourceSpan
{
	uint32 first;
	uint32 second;
	float fraction;
};

SourceSpan sourceSpan(float position, uint32 count)
{
	const uint32 last = count - 1;
	const auto first = uint32(position);
	if (first >= last)
		return {last, last, 0.f};
	return {first, first + 1, position - float(first)};
}

uint8 interpolate(float c00, float c10, float c01, float c11, float dx, float dy)
{
	const float value = c11 * dx * dy + (c01 * dy * (1.f - dx) +
	                                     (c10 * dx * (1.f - dy) + c00 * (1.f - dx) * (1.f - dy)));
	return uint8(std::clamp(value, 0.f, 255.f));
}

CColor colorAt(CBitmapPixelAccess& access, uint32 x, uint32 y)
{
	CColor color;
	access.setPosition(x, y);
	access.getColor(color);
	return color;
}

} // namespace

ScaleBiliniear::ScaleBiliniear() : ScaleBase("A Biliniear Scale Filter") {}

IFilter* ScaleBiliniear::create(const char*)
{
	return new ScaleBiliniear();
}

void ScaleBiliniear::process(CBitmapPixelAccess& source, CBitmapPixelAccess& destination)
{
	const uint32 sourceWidth = source.getBitmapWidth();
	const uint32 sourceHeight = source.getBitmapHeight();
	const uint32 destinationWidth = destination.getBitmapWidth();
	const uint32 destinationHeight = destination.getBitmapHeight();
	// The largest source index over the destination size keeps the second
	// neighbour inside the source.
	const float xRatio = float(sourceWidth - 1) / float(destinationWidth);
	const float yRatio = float(sourceHeight - 1) / float(destinationHeight);
	for (uint32 i = 0; i < destinationHeight; ++i)
	{
		const SourceSpan row = sourceSpan(float(i) * yRatio, sourceHeight);
		for (uint32 j = 0; j < destinationWidth; ++j)
		{
			const SourceSpan column = sourceSpan(float(j) * xRatio, sourceWidth);
			const CColor c00 = colorAt(source, column.first, row.first);
			const CColor c10 = colorAt(source, column.second, row.first);
			const CColor c01 = colorAt(source, column.first, row.second);
			const CColor c11 = colorAt(source, column.second, row.second);
			const float dx = column.fraction;
			const float dy = row.fraction;
			const CColor result(interpolate(c00.red, c10.red, c01.red, c11.red, dx, dy),
			                    interpolate(c00.green, c10.green, c01.green, c11.green, dx, dy),
			                    interpolate(c00.blue, c10.blue, c01.blue, c11.blue, dx, dy),
			                    interpolate(c00.alpha, c10.alpha, c01.alpha, c11.alpha, dx, dy));
			if (destination.setPosition(j, i))
				destination.setColor(result);
		}
	}
}

// ---- ScaleLinear ----

namespace {

// The source index of an accumulated position: repeated additions can
// carry it past the last pixel by a rounding error.
uint32 nearestSourceIndex(float position, uint32 count)
{
	if (position < 0.f)
	{
		doAssert("lib/cbitmapfilter", "761");
		return 0;
	}
	return std::min(uint32(position), count - 1);
}

} // namespace

ScaleLinear::ScaleLinear() : ScaleBase("A Linear Scale Filter") {}

IFilter* ScaleLinear::create(const char*)
{
	return new ScaleLinear();
}

void ScaleLinear::process(CBitmapPixelAccess& source, CBitmapPixelAccess& destination)
{
	const uint32 sourceWidth = source.getBitmapWidth();
	const uint32 sourceHeight = source.getBitmapHeight();
	const uint32 destinationWidth = destination.getBitmapWidth();
	const uint32 destinationHeight = destination.getBitmapHeight();
	const float xRatio = float(sourceWidth) / float(destinationWidth);
	const float yRatio = float(sourceHeight) / float(destinationHeight);
	float fy = 0.f;
	for (uint32 i = 0; i < destinationHeight; ++i, fy += yRatio)
	{
		const uint32 sourceY = nearestSourceIndex(fy, sourceHeight);
		CColor color = colorAt(source, 0, sourceY);
		uint32 sourceX = 0;
		float fx = 0.f;
		for (uint32 j = 0; j < destinationWidth; ++j, fx += xRatio)
		{
			const uint32 nextX = nearestSourceIndex(fx, sourceWidth);
			if (nextX != sourceX)
			{
				sourceX = nextX;
				color = colorAt(source, sourceX, sourceY);
			}
			if (destination.setPosition(j, i))
				destination.setColor(color);
		}
	}
}

} // namespace Standard
} // namespace BitmapFilter
} // namespace Kavrin
