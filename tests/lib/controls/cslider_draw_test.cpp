#include "lib/cbitmap.h"
#include "lib/cframe.h"
#include "lib/controls/cslider.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/paintedbitmaps.h"
#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>

namespace Kavrin::Test {
namespace {

constexpr CColor kFrameColor {255, 0, 0, 255};
constexpr CColor kBackColor {0, 0, 128, 255};
constexpr CColor kValueColor {255, 255, 255, 255};
constexpr CColor kHandleColor {0, 255, 0, 255};

// Sliders are 200 long and 20 thick: horizontal ones at (20, 40), vertical
// ones at (40, 20), in a 260 x 240 frame on black.
constexpr CRect kHorizontalRect {20, 40, 220, 60};
constexpr CRect kVerticalRect {40, 20, 60, 220};

struct Direction
{
	const char* name;
	bool horizontal;
	int32 style;
	bool mirrored;
};

const Direction kDirections[] = {
    {"left to right", true, CSliderBase::kHorizontal | CSliderBase::kLeft, false},
    {"right to left", true, CSliderBase::kHorizontal | CSliderBase::kRight, true},
    {"bottom to top", false, CSliderBase::kVertical | CSliderBase::kBottom, true},
    {"top to bottom", false, CSliderBase::kVertical | CSliderBase::kTop, false},
};

class SliderDrawTest : public PixelFrameTest
{
protected:
	SliderDrawTest() : PixelFrameTest(CRect(0, 0, 260, 240), kBlackCColor) {}

	// A slider of the direction at the value, with its full length as
	// travel for a handle of handleLength, added to the frame.
	CSlider* addSlider(bool horizontal, int32 style, float value, CBitmap* handle = nullptr)
	{
		const CRect size = horizontal ? kHorizontalRect : kVerticalRect;
		const double handleLength = handle ? (horizontal ? handle->getWidth() : handle->getHeight()) : 1.;
		auto slider = new CSlider(size, nullptr, 0, CPoint(), int32(200. - handleLength), handle, nullptr, CPoint(),
		                          style);
		slider->setFrameColor(kFrameColor);
		slider->setBackColor(kBackColor);
		slider->setValueColor(kValueColor);
		slider->setValue(value);
		EXPECT_TRUE(frame->addView(slider));
		return slider;
	}
	// The pixels along the middle of a slider, one character each: the
	// character of the first colour that matches, '.' for black, '?' for
	// anything else.
	std::string alongTheMiddle(bool horizontal, const std::vector<std::pair<CColor, char>>& legend) const
	{
		std::string line;
		for (int i = 0; i < 200; ++i)
		{
			const CColor color = horizontal ? pixel(20 + i, 50) : pixel(50, 20 + i);
			char c = color == kBlackCColor ? '.' : '?';
			for (const auto& [wanted, symbol] : legend)
			{
				if (color == wanted)
				{
					c = symbol;
					break;
				}
			}
			line += c;
		}
		return line;
	}
	// A line of 200 with the span [from, to) marked.
	static std::string span(int from, int to, char mark, char rest = '.')
	{
		std::string line(200, rest);
		for (int i = std::max(from, 0); i < std::min(to, 200); ++i)
			line[size_t(i)] = mark;
		return line;
	}
};

TEST_F(SliderDrawTest, HandleBitmapLandsWhereTheValueSaysInEveryDirection)
{
	for (const auto& dir : kDirections)
	{
		for (float value : {0.f, 0.25f, 0.5f, 0.7f, 1.f})
		{
			SCOPED_TRACE(::testing::Message() << dir.name << " at " << value);
			startOver();
			addSlider(dir.horizontal, dir.style, value, solidBitmap(20, 20, kHandleColor));
			openAndPaint();
			// 180 pixels of travel; the position runs the other way for
			// sliders whose minimum is at the right or the bottom.
			const double position = dir.mirrored ? 1. - value : value;
			const int leading = int(std::floor(position * 180.));
			EXPECT_EQ(alongTheMiddle(dir.horizontal, {{kHandleColor, 'h'}}), span(leading, leading + 20, 'h'));
			// Across the slider the handle fills its thickness.
			const CPoint inside = dir.horizontal ? CPoint(20 + leading + 10, 40) : CPoint(40, 20 + leading + 10);
			EXPECT_EQ(pixel(int(inside.x), int(inside.y)), kHandleColor);
			EXPECT_EQ(pixel(int(inside.x + (dir.horizontal ? 0 : 19)), int(inside.y + (dir.horizontal ? 19 : 0))),
			          kHandleColor);
		}
	}
}

TEST_F(SliderDrawTest, HandleKeepsItsOffsetAcrossTheSlider)
{
	// A 10 x 8 handle 6 pixels down into a horizontal slider: it travels
	// from 4 to 186 along and sits on rows 46 to 53.
	auto slider = addSlider(true, CSliderBase::kHorizontal, 0.5f, solidBitmap(10, 8, kHandleColor));
	slider->setOffsetHandle(CPoint(4, 6));
	slider->setViewSize(kHorizontalRect);
	EXPECT_EQ(slider->getHandleRange(), 182.);
	openAndPaint();
	for (int y = 44; y < 56; ++y)
	{
		SCOPED_TRACE(y);
		const bool onHandle = y >= 46 && y < 54;
		EXPECT_EQ(pixel(20 + 4 + 91, y) == kHandleColor, onHandle);
		EXPECT_EQ(pixel(20 + 4 + 91 + 9, y) == kHandleColor, onHandle);
		EXPECT_NE(pixel(20 + 4 + 91 + 10, y), kHandleColor);
		EXPECT_NE(pixel(20 + 4 + 90, y), kHandleColor);
	}
}

TEST_F(SliderDrawTest, ValueBarCoversTheValuesShareOfTheLength)
{
	using S = CSlider;
	struct Case
	{
		const char* name;
		int32 drawStyle;
		float value;
		// The lit span along the screen, from the left or the top.
		int horizontalFrom, horizontalTo;
		int verticalFrom, verticalTo;
	};
	const Case cases[] = {
	    {"a quarter", S::kDrawValue, 0.25f, 0, 50, 150, 200},
	    {"three quarters", S::kDrawValue, 0.75f, 0, 150, 50, 200},
	    {"all", S::kDrawValue, 1.f, 0, 200, 0, 200},
	    {"inverted: from the right or the top", S::kDrawValue | S::kDrawInverted, 0.25f, 150, 200, 0, 50},
	    {"from the centre, below the middle", S::kDrawValue | S::kDrawValueFromCenter, 0.25f, 50, 100, 100, 150},
	    {"from the centre, above the middle", S::kDrawValue | S::kDrawValueFromCenter, 0.75f, 100, 150, 50, 100},
	    {"from the centre, inverted", S::kDrawValue | S::kDrawValueFromCenter | S::kDrawInverted, 0.25f, 100, 150,
	     50, 100},
	    {"from the centre at the middle: nothing", S::kDrawValue | S::kDrawValueFromCenter, 0.5f, 0, 0, 0, 0},
	    {"nothing at the minimum", S::kDrawValue, 0.f, 0, 0, 0, 0},
	    {"a value that is not a number: nothing", S::kDrawValue, std::nanf(""), 0, 0, 0, 0},
	};
	for (bool horizontal : {true, false})
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(horizontal ? "horizontal, " : "vertical, ") + c.name);
			startOver();
			auto slider = addSlider(horizontal, horizontal ? CSliderBase::kHorizontal : CSliderBase::kVertical,
			                        c.value);
			slider->setDrawStyle(c.drawStyle);
			openAndPaint();
			const int from = horizontal ? c.horizontalFrom : c.verticalFrom;
			const int to = horizontal ? c.horizontalTo : c.verticalTo;
			EXPECT_EQ(alongTheMiddle(horizontal, {{kValueColor, 'v'}}), span(from, to, 'v'));
			// Across, the bar fills the slider's thickness.
			if (to > from)
			{
				const int lit = 20 + from;
				EXPECT_EQ(horizontal ? pixel(lit, 40) : pixel(40, lit), kValueColor);
				EXPECT_EQ(horizontal ? pixel(lit, 59) : pixel(59, lit), kValueColor);
				EXPECT_EQ(horizontal ? pixel(lit, 39) : pixel(39, lit), kBlackCColor);
				EXPECT_EQ(horizontal ? pixel(lit, 60) : pixel(60, lit), kBlackCColor);
			}
		}
	}
}

TEST_F(SliderDrawTest, FrameAndBackFillTheViewAndTheBarLiesInsideTheFrame)
{
	for (double width : {1., 2.})
	{
		SCOPED_TRACE(width);
		startOver();
		auto slider = addSlider(true, CSliderBase::kHorizontal, 0.5f);
		slider->setDrawStyle(CSlider::kDrawFrame | CSlider::kDrawBack | CSlider::kDrawValue);
		slider->setFrameWidth(width);
		openAndPaint();
		const int w = int(width);
		// Along the middle: the frame, the bar over half of what is inside
		// the frame, the back, the frame.
		const int inner = 200 - 2 * w;
		std::string expected = std::string(size_t(w), 'f') + std::string(size_t(inner / 2), 'v') +
		                       std::string(size_t(inner - inner / 2), 'b') + std::string(size_t(w), 'f');
		EXPECT_EQ(alongTheMiddle(true, {{kFrameColor, 'f'}, {kValueColor, 'v'}, {kBackColor, 'b'}}), expected);
		// Down a column through the bar, and one through the back.
		for (int x : {60, 180})
		{
			SCOPED_TRACE(x);
			std::string column;
			for (int y = 39; y <= 60; ++y)
			{
				const CColor color = pixel(x, y);
				column += color == kFrameColor ? 'f' : color == kValueColor ? 'v' : color == kBackColor ? 'b' : '.';
			}
			const char fill = x == 60 ? 'v' : 'b';
			EXPECT_EQ(column, "." + std::string(size_t(w), 'f') + std::string(size_t(20 - 2 * w), fill) +
			                      std::string(size_t(w), 'f') + ".");
		}
	}
}

TEST_F(SliderDrawTest, NegativeFrameWidthIsOneDevicePixel)
{
	auto slider = addSlider(true, CSliderBase::kHorizontal, 0.f);
	slider->setDrawStyle(CSlider::kDrawFrame | CSlider::kDrawBack);
	slider->setFrameWidth(-1.);
	openAndPaint(2.);
	// In device pixels the slider spans 40 to 440 across and 80 to 120 down.
	EXPECT_EQ(pixel(39, 100), kBlackCColor);
	EXPECT_EQ(pixel(40, 100), kFrameColor);
	EXPECT_EQ(pixel(41, 100), kBackColor);
	EXPECT_EQ(pixel(438, 100), kBackColor);
	EXPECT_EQ(pixel(439, 100), kFrameColor);
	EXPECT_EQ(pixel(200, 80), kFrameColor);
	EXPECT_EQ(pixel(200, 81), kBackColor);
	EXPECT_EQ(pixel(200, 119), kFrameColor);
}

TEST_F(SliderDrawTest, BackgroundIsDrawnFromItsOffsetUnderTheHandle)
{
	struct Case
	{
		const char* name;
		CPoint offset;
		CColor expected;
	};
	const Case cases[] = {
	    {"no offset", CPoint(), kRedCColor},
	    {"offset into the right half", CPoint(200, 0), kBlueCColor},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto background = owned(new CBitmap(400, 20));
		paintPixels(*background, [](uint32 x, uint32) { return x < 200 ? kRedCColor : kBlueCColor; });
		auto slider = addSlider(true, CSliderBase::kHorizontal, 1.f, solidBitmap(20, 20, kHandleColor));
		slider->setBackground(background);
		slider->setBackgroundOffset(c.offset);
		openAndPaint();
		EXPECT_EQ(pixel(20, 40), c.expected);
		EXPECT_EQ(pixel(150, 59), c.expected);
		EXPECT_EQ(pixel(210, 50), kHandleColor) << "the handle over the background";
		EXPECT_EQ(pixel(19, 50), kBlackCColor);
	}
}

TEST_F(SliderDrawTest, SliderWithoutArtOrDrawStyleDrawsNothing)
{
	addSlider(true, CSliderBase::kHorizontal, 0.6f);
	openAndPaint();
	EXPECT_EQ(alongTheMiddle(true, {}), std::string(200, '.'));
}

} // namespace
} // namespace Kavrin::Test
