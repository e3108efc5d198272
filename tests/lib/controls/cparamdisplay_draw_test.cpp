#include "tests/support/controlframe.h"
#include "tests/support/drawntext.h"

#include "lib/cfont.h"
#include "lib/controls/cparamdisplay.h"
#include "lib/controls/ctextlabel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kDisplayRect {20, 20, 120, 60};
constexpr CColor kBack {0, 0, 255, 255};
constexpr CColor kFrame {255, 0, 0, 255};

bool isShadow(const CColor& c)
{
	return c.red > 200 && c.green < 60 && c.blue < 60;
}

bool isBright(const CColor& c)
{
	return c.red > 200 && c.green > 200 && c.blue > 200;
}

class ParamDisplayDrawTest : public ControlFrameTest
{
protected:
	// A display in blue, framed in red, with no text unless asked.
	CParamDisplay* addDisplay(int32 style, double frameWidth = 2.)
	{
		auto display = add(new CParamDisplay(kDisplayRect, nullptr, style));
		display->setBackColor(kBack);
		display->setFrameColor(kFrame);
		display->setFrameWidth(frameWidth);
		paint();
		return display;
	}
	// A pixel given from the display's top-left corner.
	CColor at(double x, double y) const { return pixel(origin() + CPoint(x, y)); }
	static CPoint origin() { return kPageRect.getTopLeft() + kDisplayRect.getTopLeft(); }
	int countPixels(const std::function<bool(const CColor&)>& match) const
	{
		int n = 0;
		for (int y = 0; y < int(kDisplayRect.getHeight()); ++y)
		{
			for (int x = 0; x < int(kDisplayRect.getWidth()); ++x)
				n += match(at(x + 0.5, y + 0.5)) ? 1 : 0;
		}
		return n;
	}
};

// The frame line lies inside the view: a width w covers the outer w
// pixels; a bevel paints its two upper-left edges in one colour and the
// lower-right ones in the other.
TEST_F(ParamDisplayDrawTest, BackgroundStylesPaintWhereTheirOutlineLies)
{
	const double w = kDisplayRect.getWidth();
	const double h = kDisplayRect.getHeight();
	struct Case
	{
		const char* name;
		int32 style;
		double frameWidth;
		bool transparent;
		CColor corner;
		CColor left;
		CColor right;
		CColor top;
		CColor bottom;
		CColor insideTheFrame;
		CColor centre;
	};
	const Case cases[] = {
	    {"framed", 0, 2., false, kFrame, kFrame, kFrame, kFrame, kFrame, kBack, kBack},
	    {"hairline frame", 0, -1., false, kFrame, kFrame, kFrame, kFrame, kFrame, kBack, kBack},
	    {"no frame", CParamDisplay::kNoFrame, 2., false, kBack, kBack, kBack, kBack, kBack, kBack, kBack},
	    {"round rect", CParamDisplay::kRoundRectStyle, 2., false, kBlackCColor, kFrame, kFrame, kFrame, kFrame,
	     kBack, kBack},
	    {"3D in", CParamDisplay::k3DIn, 2., false, kBack, kBack, kFrame, kBack, kFrame, kBack, kBack},
	    {"3D out", CParamDisplay::k3DOut, 2., false, kFrame, kFrame, kBack, kFrame, kBack, kBack, kBack},
	    {"transparent", 0, 2., true, kBlackCColor, kBlackCColor, kBlackCColor, kBlackCColor, kBlackCColor,
	     kBlackCColor, kBlackCColor},
	    {"no draw", CParamDisplay::kNoDrawStyle, 2., false, kBlackCColor, kBlackCColor, kBlackCColor, kBlackCColor,
	     kBlackCColor, kBlackCColor, kBlackCColor},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto display = addDisplay(c.style | CParamDisplay::kNoTextStyle, c.frameWidth);
		display->setTransparency(c.transparent);
		paint();
		EXPECT_EQ(at(0.5, 0.5), c.corner);
		EXPECT_EQ(at(0.5, h / 2), c.left);
		EXPECT_EQ(at(w - 0.5, h / 2), c.right);
		EXPECT_EQ(at(w / 2, 0.5), c.top);
		EXPECT_EQ(at(w / 2, h - 0.5), c.bottom);
		// Two pixels in: past a frame of width 2, and of one pixel.
		const double inside = c.frameWidth < 0. ? 1.5 : 2.5;
		EXPECT_EQ(at(inside, h / 2), c.insideTheFrame);
		EXPECT_EQ(at(w / 2, h / 2), c.centre);
		EXPECT_FALSE(display->isDirty()) << "drawn, even as nothing";
	}
}

TEST_F(ParamDisplayDrawTest, BitmapBackgroundShowsFromTheBackOffset)
{
	auto strip = FilmStrip::make(3, int(kDisplayRect.getWidth()), int(kDisplayRect.getHeight()));
	for (int frameIndex : {0, 2})
	{
		SCOPED_TRACE(frameIndex);
		reopenFrame();
		auto display = add(new CParamDisplay(kDisplayRect, strip, CParamDisplay::kNoTextStyle | CParamDisplay::k3DIn));
		display->setFrameColor(kFrame);
		display->setBackOffset(CPoint(0, frameIndex * kDisplayRect.getHeight()));
		paint();
		EXPECT_EQ(at(kDisplayRect.getWidth() / 2, kDisplayRect.getHeight() / 2), FilmStrip::frameColor(frameIndex));
		EXPECT_EQ(at(kDisplayRect.getWidth() - 0.5, kDisplayRect.getHeight() / 2), kFrame)
		    << "the bevel is drawn over the bitmap";
	}
}

TEST_F(ParamDisplayDrawTest, ShadowTextIsDrawnFirstInTheShadowColour)
{
	auto font = owned(new CFontDesc("Sans", 30));
	for (bool shadow : {false, true})
	{
		SCOPED_TRACE(shadow ? "with shadow" : "without shadow");
		reopenFrame();
		auto display = addDisplay(CParamDisplay::kNoFrame | (shadow ? CParamDisplay::kShadowText : 0));
		display->setBackColor(kBlackCColor);
		display->setFont(font);
		display->setShadowTextOffset(CPoint(3, 3));
		display->setValueToStringFunction2([](float, std::string& s, CParamDisplay*) {
			s = "HH";
			return true;
		});
		paint();
		EXPECT_GT(countPixels(isBright), 20) << "the text itself";
		EXPECT_EQ(countPixels(isShadow) > 10, shadow);
	}
}

TEST_F(ParamDisplayDrawTest, NoTextStyleAndNoDrawStyleDrawNoText)
{
	auto font = owned(new CFontDesc("Sans", 30));
	for (int32 style : {int32(CParamDisplay::kNoTextStyle), int32(CParamDisplay::kNoDrawStyle)})
	{
		SCOPED_TRACE(style);
		reopenFrame();
		auto label = add(new TextRecording<CTextLabel>(kDisplayRect, "HH", nullptr, style | CParamDisplay::kNoFrame));
		label->setFont(font);
		label->drawn.clear();
		paint();
		EXPECT_EQ(countPixels(isBright), 0);
		EXPECT_EQ(label->drawn.size(), style == CParamDisplay::kNoDrawStyle ? 0u : 1u);
	}
}

TEST_F(ParamDisplayDrawTest, TextStaysInsideTheInsetRect)
{
	auto font = owned(new CFontDesc("Sans", 30));
	auto label = add(new CTextLabel(kDisplayRect, "WWWWWWWWWW", nullptr, CParamDisplay::kNoFrame));
	label->setFont(font);
	label->setTextInset(CPoint(20, 0));
	paint();
	for (int y = 0; y < int(kDisplayRect.getHeight()); ++y)
	{
		for (double x : {0.5, 10.5, 19.5, kDisplayRect.getWidth() - 19.5, kDisplayRect.getWidth() - 0.5})
			EXPECT_FALSE(isBright(at(x, y + 0.5))) << x << ", " << y;
	}
	EXPECT_GT(countPixels(isBright), 20);
}

} // namespace
} // namespace Kavrin::Test
