#include "tests/support/controlframe.h"
#include "tests/support/drawntext.h"
#include "tests/support/elementpath.h"

#include "lib/cfont.h"
#include "lib/cgraphicspath.h"
#include "lib/controls/cparamdisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kDisplayRect {20, 20, 120, 50};

using RecordingDisplay = TextRecording<CParamDisplay>;

class ParamDisplayTest : public ControlFrameTest
{
protected:
	RecordingDisplay* addDisplay(int32 style = 0)
	{
		auto display = add(new RecordingDisplay(kDisplayRect, nullptr, style));
		display->drawn.clear();
		return display;
	}
	// What the display shows for value, drawn in the window.
	std::string shownFor(RecordingDisplay* display, float value)
	{
		display->setValue(value);
		display->drawn.clear();
		paint();
		auto texts = display->takeTexts();
		EXPECT_EQ(texts.size(), 1u);
		return texts.empty() ? std::string() : texts.front();
	}
};

TEST_F(ParamDisplayTest, ShowsTheValueWithItsPrecisionUnlessTheConversionFunctionAnswers)
{
	struct Case
	{
		const char* name;
		float value;
		int precision; // -1 keeps the default
		std::function<bool(float, std::string&, CParamDisplay*)> convert;
		std::string expected;
	};
	auto declines = [](float, std::string&, CParamDisplay*) { return false; };
	auto names = [](float v, std::string& s, CParamDisplay*) {
		s = v < 0.5f ? "low" : "high";
		return true;
	};
	const Case cases[] = {
	    {"default precision", 0.123456f, -1, nullptr, "0.12"},
	    {"precision 0", 0.123456f, 0, nullptr, "0"},
	    {"precision 4", 0.5f, 4, nullptr, "0.5000"},
	    {"declining function", 0.123456f, -1, declines, "0.12"},
	    {"answering function", 0.75f, -1, names, "high"},
	    {"negative", -0.25f, 1, nullptr, "-0.2"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto display = addDisplay();
		display->setMin(-1.f);
		if (c.precision >= 0)
			display->setPrecision(uint8(c.precision));
		display->setValueToStringFunction2(c.convert);
		EXPECT_EQ(shownFor(display, c.value), c.expected);
	}
}

// A float has no more than nine meaningful digits; a precision up to 255
// must neither overrun the text nor print the binary fraction's noise.
TEST_F(ParamDisplayTest, LargePrecisionsShowAtMostNineDecimalsWhateverTheValue)
{
	struct Case
	{
		float value;
		uint8 precision;
		std::string expected;
	};
	const Case cases[] = {
	    {1.f, 9, "1.000000000"},
	    {1.f, 10, "1.000000000"},
	    {0.1f, 255, "0.100000001"},
	    {FLT_MAX, 255, "340282346638528859811704183484516925440.000000000"},
	    {-FLT_MAX, 200, "-340282346638528859811704183484516925440.000000000"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(std::to_string(c.value) + " with precision " + std::to_string(c.precision));
		reopenFrame();
		auto display = addDisplay();
		display->setMin(-FLT_MAX);
		display->setMax(FLT_MAX);
		display->setPrecision(c.precision);
		EXPECT_EQ(display->getPrecision(), c.precision);
		EXPECT_EQ(shownFor(display, c.value), c.expected);
	}
}

TEST_F(ParamDisplayTest, BufferConversionNeverReadsPastItsBuffer)
{
	struct Case
	{
		const char* name;
		std::function<bool(float, char (&)[CParamDisplay::kValueTextBufferSize], CParamDisplay*)> convert;
		std::string expected;
	};
	const Case cases[] = {
	    {"terminated text",
	     [](float, char (&text)[CParamDisplay::kValueTextBufferSize], CParamDisplay*) {
		     std::strcpy(text, "-inf dB");
		     return true;
	     },
	     "-inf dB"},
	    {"buffer filled to the last byte",
	     [](float, char (&text)[CParamDisplay::kValueTextBufferSize], CParamDisplay*) {
		     std::memset(text, 'x', sizeof(text));
		     return true;
	     },
	     std::string(CParamDisplay::kValueTextBufferSize, 'x')},
	    {"declined", [](float, char (&)[CParamDisplay::kValueTextBufferSize], CParamDisplay*) { return false; },
	     "0.50"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto display = addDisplay();
		display->setValueToStringFunction(c.convert);
		EXPECT_EQ(shownFor(display, 0.5f), c.expected);
	}
}

TEST_F(ParamDisplayTest, ConversionFunctionMayRemoveTheDisplayWhileItDraws)
{
	auto display = addDisplay();
	display->setValueToStringFunction2([this](float, std::string& s, CParamDisplay* self) {
		page->removeView(self);
		s = "gone";
		return true;
	});
	display->setValue(0.3f);
	paint();
	EXPECT_FALSE(page->isChild(display));
}

TEST_F(ParamDisplayTest, StyleKeepsTheAntialiasBitToItself)
{
	auto display = owned(new CParamDisplay(kDisplayRect, nullptr, CParamDisplay::kShadowText));
	EXPECT_EQ(display->getStyle(), CParamDisplay::kShadowText);
	EXPECT_TRUE(display->getAntialias());
	display->setStyle(0);
	EXPECT_EQ(display->getStyle(), 0);
	EXPECT_TRUE(display->getAntialias());
	display->setDirty(false);
	display->setAntialias(false);
	EXPECT_FALSE(display->getAntialias());
	EXPECT_FALSE(display->isDirty()) << "antialiasing takes effect with the next drawing";
	display->setStyle(CParamDisplay::kNoFrame | 0x80);
	EXPECT_FALSE(display->getAntialias()) << "setStyle leaves the bit alone";
	EXPECT_EQ(display->getStyle(), CParamDisplay::kNoFrame);
}

TEST_F(ParamDisplayTest, TextRotationStaysWithinOneTurn)
{
	struct Case
	{
		double angle;
		double expected;
	};
	const Case cases[] = {
	    {-90., 270.}, {720., 360.}, {360., 360.}, {370., 10.}, {-360., 0.}, {-370., 350.}, {45., 45.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.angle);
		auto display = owned(new CParamDisplay(kDisplayRect));
		display->setTextRotation(c.angle);
		EXPECT_DOUBLE_EQ(display->getTextRotation(), c.expected);
		EXPECT_FALSE(std::signbit(display->getTextRotation()));
	}
}

// Stepping by whole turns never ends for angles too large for a turn to
// change them, and never starts for NaN.
TEST_F(ParamDisplayTest, HugeOrNonFiniteRotationsEndAtOnce)
{
	for (double angle : {1e30, -1e30, double(std::numeric_limits<float>::max()) * 1e10})
	{
		SCOPED_TRACE(angle);
		auto display = owned(new CParamDisplay(kDisplayRect));
		display->setTextRotation(angle);
		EXPECT_GE(display->getTextRotation(), 0.);
		EXPECT_LE(display->getTextRotation(), 360.);
	}
	for (double angle : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
	                     std::numeric_limits<double>::quiet_NaN()})
	{
		SCOPED_TRACE(angle);
		auto display = owned(new CParamDisplay(kDisplayRect));
		display->setTextRotation(30.);
		display->setDirty(false);
		display->setTextRotation(angle);
		EXPECT_EQ(display->getTextRotation(), 30.);
		EXPECT_FALSE(display->isDirty());
	}
}

TEST_F(ParamDisplayTest, SettersRedrawOnlyWhenTheSettingChanges)
{
	auto font = owned(new CFontDesc("Sans", 20));
	struct Case
	{
		const char* name;
		std::function<void(CParamDisplay&)> set;
	};
	const Case cases[] = {
	    {"font", [&](CParamDisplay& d) { d.setFont(font); }},
	    {"font colour", [](CParamDisplay& d) { d.setFontColor(kRedCColor); }},
	    {"back colour", [](CParamDisplay& d) { d.setBackColor(kRedCColor); }},
	    {"frame colour", [](CParamDisplay& d) { d.setFrameColor(kRedCColor); }},
	    {"shadow colour", [](CParamDisplay& d) { d.setShadowColor(kBlueCColor); }},
	    {"shadow offset", [](CParamDisplay& d) { d.setShadowTextOffset(CPoint(2, 2)); }},
	    {"alignment", [](CParamDisplay& d) { d.setHoriAlign(kLeftText); }},
	    {"text inset", [](CParamDisplay& d) { d.setTextInset(CPoint(3, 1)); }},
	    {"rotation", [](CParamDisplay& d) { d.setTextRotation(90.); }},
	    {"corner radius", [](CParamDisplay& d) { d.setRoundRectRadius(3.); }},
	    {"frame width", [](CParamDisplay& d) { d.setFrameWidth(2.); }},
	    {"style", [](CParamDisplay& d) { d.setStyle(CParamDisplay::kNoFrame); }},
	    {"precision", [](CParamDisplay& d) { d.setPrecision(4); }},
	    {"back offset", [](CParamDisplay& d) { d.setBackOffset(CPoint(0, 10)); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto display = owned(new CParamDisplay(kDisplayRect));
		display->setDirty(false);
		c.set(*display);
		EXPECT_TRUE(display->isDirty()) << "a change redraws";
		display->setDirty(false);
		c.set(*display);
		EXPECT_FALSE(display->isDirty()) << "the same setting again does not";
	}
	auto display = owned(new CParamDisplay(kDisplayRect));
	display->setDirty(false);
	display->setFont(nullptr);
	EXPECT_NE(display->getFont(), nullptr);
	EXPECT_FALSE(display->isDirty());
}

TEST_F(ParamDisplayTest, CopyKeepsEverySetting)
{
	auto display = owned(new CParamDisplay(kDisplayRect, nullptr, CParamDisplay::kRoundRectStyle));
	display->setValueToStringFunction2([](float, std::string& s, CParamDisplay*) {
		s = "copied";
		return true;
	});
	display->setFontColor(kRedCColor);
	display->setTextInset(CPoint(4, 2));
	display->setPrecision(5);
	display->setTextRotation(90.);
	display->setAntialias(false);
	auto copy = owned(static_cast<CParamDisplay*>(display->cloneView()));
	EXPECT_EQ(copy->getFontColor(), kRedCColor);
	EXPECT_EQ(copy->getTextInset(), CPoint(4, 2));
	EXPECT_EQ(copy->getPrecision(), 5);
	EXPECT_EQ(copy->getTextRotation(), 90.);
	EXPECT_EQ(copy->getStyle(), CParamDisplay::kRoundRectStyle);
	EXPECT_FALSE(copy->getAntialias());
	std::string text;
	ASSERT_TRUE(copy->getValueToStringFunction());
	EXPECT_TRUE(copy->getValueToStringFunction()(0.f, text, copy));
	EXPECT_EQ(text, "copied");
}

TEST_F(ParamDisplayTest, FocusBandFollowsTheOutline)
{
	auto display = addDisplay();
	display->setWantsFocus(true);
	ElementPath plain;
	EXPECT_TRUE(display->getFocusPath(plain));
	ASSERT_EQ(plain.getElements().size(), 2u);
	EXPECT_EQ(plain.getElements()[0].rect, kDisplayRect);
	EXPECT_EQ(plain.getElements()[1].rect, CRect(kDisplayRect).extend(2, 2));

	display->setStyle(CParamDisplay::kRoundRectStyle);
	ElementPath rounded;
	EXPECT_TRUE(display->getFocusPath(rounded));
	const auto& elements = rounded.getElements();
	EXPECT_EQ(std::count_if(elements.begin(), elements.end(),
	                        [](const auto& e) { return e.type == CGraphicsPath::Element::kArc; }),
	          8);

	display->setWantsFocus(false);
	ElementPath none;
	EXPECT_TRUE(display->getFocusPath(none));
	EXPECT_TRUE(none.getElements().empty());
}

} // namespace
} // namespace Kavrin::Test
