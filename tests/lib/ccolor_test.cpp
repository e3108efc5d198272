#include "lib/ccolor.h"

#include "tests/support/recording.h"

#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace Kavrin {

namespace Test {
namespace {

// Every conversion starts from this colour, so that an untouched alpha and an
// unchanged colour are visible.
constexpr CColor kMarker {1, 2, 3, 77};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

::testing::AssertionResult sameRGBWithin(const CColor& actual, const CColor& expected, int tolerance)
{
	if (std::abs(int(actual.red) - int(expected.red)) <= tolerance &&
	    std::abs(int(actual.green) - int(expected.green)) <= tolerance &&
	    std::abs(int(actual.blue) - int(expected.blue)) <= tolerance)
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got " << ::testing::PrintToString(actual) << ", expected "
	                                     << ::testing::PrintToString(expected) << " within "
	                                     << tolerance;
}

CColor fromHSL(double h, double s, double l)
{
	CColor color = kMarker;
	color.fromHSL(h, s, l);
	return color;
}

CColor fromHSV(double h, double s, double v)
{
	CColor color = kMarker;
	color.fromHSV(h, s, v);
	return color;
}

// The conversions as they were before hues were wrapped with fmod: repeated
// subtraction and addition of 360. Only usable for hues that wrap in a few
// steps; the results of the library must not differ from these.
double wrapHueStepwise(double h)
{
	while (h > 360.)
		h -= 360.;
	while (h < 0.)
		h += 360.;
	return h;
}

uint8 referenceComponent(double value)
{
	value = std::min(std::max(value, 0.), 1.);
	return static_cast<uint8>(std::round(value * 255.));
}

CColor referenceFromHSL(double hue, double s, double l)
{
	double h = wrapHueStepwise(hue) / 60.;
	double k = (1. - std::fabs(2. * l - 1.)) * s;
	double x = (1. - std::fabs(std::fmod(h, 2.) - 1.)) * k;
	double r = 0., g = 0., b = 0.;
	if (h >= 0. && h < 1.)
		r = k, g = x;
	else if (h >= 1. && h < 2.)
		r = x, g = k;
	else if (h >= 2. && h < 3.)
		g = k, b = x;
	else if (h >= 3. && h < 4.)
		g = x, b = k;
	else if (h >= 4. && h < 5.)
		r = x, b = k;
	else
		r = k, b = x;
	double m = l - k / 2.;
	return {referenceComponent(r + m), referenceComponent(g + m), referenceComponent(b + m),
	        kMarker.alpha};
}

CColor referenceFromHSV(double hue, double s, double v)
{
	if (v <= 0.)
		return {0, 0, 0, kMarker.alpha};
	v = std::min(v, 1.);
	if (s <= 0.)
	{
		auto grey = static_cast<uint8>(v * 255.);
		return {grey, grey, grey, kMarker.alpha};
	}
	double h = wrapHueStepwise(hue) / 60.;
	int i = static_cast<int>(std::floor(h));
	double f = h - i;
	s = std::min(s, 1.);
	double p = (1. - s) * v;
	double q = (1. - s * f) * v;
	double t = (1. - s * (1. - f)) * v;
	double r, g, b;
	switch (i)
	{
		case 0:
		case 6:
			r = v, g = t, b = p;
			break;
		case 1:
			r = q, g = v, b = p;
			break;
		case 2:
			r = p, g = v, b = t;
			break;
		case 3:
			r = p, g = q, b = v;
			break;
		case 4:
			r = t, g = p, b = v;
			break;
		default:
			r = v, g = p, b = q;
			break;
	}
	return {referenceComponent(r), referenceComponent(g), referenceComponent(b), kMarker.alpha};
}

// ---- Lightness ----

TEST(CColorTest, LightnessHalvesMaximumAndMinimumSeparately)
{
	struct Case
	{
		CColor color;
		int lightness;
	};
	const Case cases[] = {
	    {{255, 0, 0}, 127},     // 127 + 0, not 255 / 2 rounded
	    {{255, 255, 255}, 254}, // 127 + 127
	    {{1, 1, 1}, 0},         // both halves truncate to 0
	    {{0, 0, 0}, 0},
	    {{3, 200, 101}, 101},   // 100 + 1
	    {{9, 7, 5, 0}, 6},      // alpha plays no part
	};
	for (const auto& c : cases)
		EXPECT_EQ(int(c.color.getLightness()), c.lightness) << ::testing::PrintToString(c.color);
}

// ---- Text form ----

TEST(CColorTest, FromStringReadsRedGreenBlueAlphaInEitherCase)
{
	struct Case
	{
		const char* text;
		CColor expected;
	};
	const Case cases[] = {
	    {"#FF000080", {255, 0, 0, 128}},
	    {"#ff000080", {255, 0, 0, 128}},
	    {"#0a1B2c3D", {10, 27, 44, 61}},
	    {"#00000000", {0, 0, 0, 0}},
	    {"#FFFFFFFF", {255, 255, 255, 255}},
	};
	for (const auto& c : cases)
	{
		CColor color = kMarker;
		EXPECT_TRUE(color.fromString(c.text)) << c.text;
		EXPECT_EQ(color, c.expected) << c.text;
	}
}

TEST(CColorTest, FromStringRefusesMalformedTextAndLeavesTheColourUnchanged)
{
	const char* cases[] = {
	    nullptr,
	    "",
	    "#ff0000",    // seven characters: no alpha
	    "#ff00008",   // eight
	    "#ff0000800", // ten
	    "ff0000800",  // nine, but no number sign
	    "#gg000080",  // not hexadecimal
	    "#ff00008g",  // only the last digit is wrong
	    "#ff0000 8",
	    "#+f000080",  // a sign a number parser would accept
	    "#-1000080",
	    "#0xff0000",
	};
	for (const char* text : cases)
	{
		CColor color = kMarker;
		EXPECT_FALSE(color.fromString(text)) << (text ? text : "null");
		EXPECT_EQ(color, kMarker) << (text ? text : "null");
	}
}

TEST(CColorTest, ColourRepresentationIsANumberSignAndEightMoreCharacters)
{
	EXPECT_TRUE(CColor::isColorRepresentation("#12345678"));
	EXPECT_TRUE(CColor::isColorRepresentation("#zzzzzzzz")) << "only the form is checked";
	EXPECT_FALSE(CColor::isColorRepresentation(nullptr));
	EXPECT_FALSE(CColor::isColorRepresentation("#1234567"));
	EXPECT_FALSE(CColor::isColorRepresentation("#123456789"));
	EXPECT_FALSE(CColor::isColorRepresentation("123456789"));
}

TEST(CColorTest, ToStringWritesLowercaseTwoDigitPairsIncludingAlpha)
{
	EXPECT_EQ(CColor(255, 0, 0, 128).toString(), "#ff000080");
	EXPECT_EQ(CColor(0, 0, 0, 0).toString(), "#00000000");
	EXPECT_EQ(CColor(1, 2, 3, 4).toString(), "#01020304");
	EXPECT_EQ(CColor(171, 205, 239, 10).toString(), "#abcdef0a");
}

TEST(CColorTest, TextFormRoundTripsEveryComponent)
{
	for (int v = 0; v < 256; v += 5)
	{
		const CColor original(uint8(v), uint8(255 - v), uint8(v ^ 0x5a), uint8((v * 7) & 0xff));
		CColor read(9, 9, 9, 9);
		ASSERT_TRUE(read.fromString(original.toString().get())) << original.toString().get();
		EXPECT_EQ(read, original);
	}
}

// ---- HSL and HSV of a colour ----

TEST(CColorTest, ToHSLGivesHueDegreesSaturationAndLightness)
{
	struct Case
	{
		CColor color;
		double hue, saturation, lightness;
	};
	const Case cases[] = {
	    {{255, 0, 0, 9}, 0., 1., 0.5},
	    {{0, 255, 0}, 120., 1., 0.5},
	    {{0, 0, 255}, 240., 1., 0.5},
	    {{255, 255, 0}, 60., 1., 0.5},
	    {{0, 255, 255}, 180., 1., 0.5},
	    {{255, 0, 255}, 300., 1., 0.5},
	    {{255, 0, 51}, 348., 1., 0.5}, // negative sixth wrapped by +360
	    {{255, 255, 255}, 0., 0., 1.},
	    {{0, 0, 0}, 0., 0., 0.},
	    {{128, 128, 128}, 0., 0., 128. / 255.},
	    // Lightness above one half: saturation from 2 - 2l.
	    {{255, 153, 153}, 0., 1., 0.8},
	    // Lightness below one half: saturation from 2l.
	    {{51, 102, 51}, 120., 1. / 3., 0.3},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(::testing::PrintToString(c.color));
		double h = -1., s = -1., l = -1.;
		c.color.toHSL(h, s, l);
		EXPECT_NEAR(h, c.hue, 1e-9);
		EXPECT_NEAR(s, c.saturation, 1e-9);
		EXPECT_NEAR(l, c.lightness, 1e-9);
	}
}

TEST(CColorTest, ToHSVGivesHueDegreesSaturationAndValue)
{
	struct Case
	{
		CColor color;
		double hue, saturation, value;
	};
	const Case cases[] = {
	    {{255, 0, 0}, 0., 1., 1.},
	    {{0, 255, 0}, 120., 1., 1.},
	    {{0, 0, 255}, 240., 1., 1.},
	    {{255, 0, 255}, 300., 1., 1.},
	    {{102, 51, 0}, 30., 1., 0.4},
	    {{255, 0, 51}, 348., 1., 1.},
	    {{200, 100, 50}, 20., 0.75, 200. / 255.},
	    {{0, 0, 0}, 0., 0., 0.},
	    {{128, 128, 128}, 0., 0., 128. / 255.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(::testing::PrintToString(c.color));
		double h = -1., s = -1., v = -1.;
		c.color.toHSV(h, s, v);
		EXPECT_NEAR(h, c.hue, 1e-9);
		EXPECT_NEAR(s, c.saturation, 1e-9);
		EXPECT_NEAR(v, c.value, 1e-9);
	}
}

// ---- Colours from HSL and HSV ----

struct FromCase
{
	const char* name;
	double a, b, c;
	CColor expected; // alpha is always kMarker's
};

TEST(CColorTest, FromHSLPicksTheSectorAndRoundsHalfAwayFromZero)
{
	const FromCase cases[] = {
	    {"red", 0., 1., 0.5, {255, 0, 0}},
	    {"green", 120., 1., 0.5, {0, 255, 0}},
	    {"blue", 240., 1., 0.5, {0, 0, 255}},
	    {"yellow", 60., 1., 0.5, {255, 255, 0}},
	    {"360 stays in the last sector: red", 360., 1., 0.5, {255, 0, 0}},
	    {"half a component rounds up", 30., 1., 0.5, {255, 128, 0}},
	    {"grey 0.5 is 127.5 rounded up", 0., 0., 0.5, {128, 128, 128}},
	    {"white", 0., 0., 1., {255, 255, 255}},
	    {"black", 200., 1., 0., {0, 0, 0}},
	    {"saturation above 1 is clamped per component", 0., 2., 0.5, {255, 0, 0}},
	    {"lightness above 1 is clamped", 0., 1., 1.5, {255, 255, 255}},
	    {"negative lightness is clamped", 0., 1., -0.5, {0, 0, 0}},
	};
	AssertionRecorder assertions;
	for (const auto& c : cases)
	{
		CColor expected = c.expected;
		expected.alpha = kMarker.alpha;
		EXPECT_EQ(fromHSL(c.a, c.b, c.c), expected) << c.name;
	}
	EXPECT_TRUE(assertions.reports.empty()) << "clamped values are not reported";
}

TEST(CColorTest, FromHSVPicksTheSectorAndTruncatesGreys)
{
	const FromCase cases[] = {
	    {"red", 0., 1., 1., {255, 0, 0}},
	    {"green", 120., 1., 1., {0, 255, 0}},
	    {"blue", 240., 1., 1., {0, 0, 255}},
	    {"360 is the sixth sector: red", 360., 1., 1., {255, 0, 0}},
	    {"half a component rounds up", 30., 1., 1., {255, 128, 0}},
	    {"fifth sector", 300., 0.5, 1., {255, 128, 255}},
	    {"grey 0.5 is 127.5 truncated", 0., 0., 0.5, {127, 127, 127}},
	    {"negative saturation is grey", 90., -1., 1., {255, 255, 255}},
	    {"value 0 is black", 120., 1., 0., {0, 0, 0}},
	    {"negative value is black", 120., 1., -2., {0, 0, 0}},
	    {"value above 1 is clamped", 0., 1., 3., {255, 0, 0}},
	    {"saturation above 1 is clamped", 0., 4., 1., {255, 0, 0}},
	};
	AssertionRecorder assertions;
	for (const auto& c : cases)
	{
		CColor expected = c.expected;
		expected.alpha = kMarker.alpha;
		EXPECT_EQ(fromHSV(c.a, c.b, c.c), expected) << c.name;
	}
	EXPECT_TRUE(assertions.reports.empty());
}

TEST(CColorTest, FiniteHuesWrapIntoOneTurn)
{
	struct Case
	{
		double hue;
		double equivalent;
	};
	const Case cases[] = {
	    {720., 360.}, // 720 -> 360, which keeps the last sector
	    {-10., 350.},
	    {370., 10.},
	    {-370., 350.},
	    {-360., 0.},
	    {1090., 10.},
	    {-1e-20, 0.},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ(fromHSL(c.hue, 0.7, 0.4), fromHSL(c.equivalent, 0.7, 0.4)) << "HSL hue " << c.hue;
		EXPECT_EQ(fromHSV(c.hue, 0.7, 0.9), fromHSV(c.equivalent, 0.7, 0.9)) << "HSV hue " << c.hue;
	}
}

TEST(CColorTest, HugeFiniteHuesWrapWithoutStepping)
{
	// Stepping by 360 would not finish (or would stall once 360 is below
	// the spacing of the doubles); these must come back at once with the
	// colour of the hue's remainder.
	const double hues[] = {1e300, -1e300, std::numeric_limits<double>::max(),
	                       -std::numeric_limits<double>::max(), 1e17 + 360., 123456789012.5};
	for (double hue : hues)
	{
		double remainder = std::fmod(hue, 360.);
		if (remainder < 0.)
			remainder += 360.;
		EXPECT_EQ(fromHSL(hue, 1., 0.5), fromHSL(remainder, 1., 0.5)) << "HSL hue " << hue;
		EXPECT_EQ(fromHSV(hue, 1., 1.), fromHSV(remainder, 1., 1.)) << "HSV hue " << hue;
	}
}

TEST(CColorTest, WrappingKeepsTheResultsOfSteppingForEveryFiniteInput)
{
	std::vector<double> hues {-1e-20, -0., 1e-12, 59.999999999, 60., 300.0000001, 359.9999999, 360.,
	                          360.0000001, 719.9999999, -359.9999999, -360.0000001};
	for (double hue = -1090.; hue <= 1090.; hue += 7.25)
		hues.push_back(hue);
	const double saturations[] = {-0.5, 0., 0.3, 1., 1.5};
	const double levels[] = {-0.2, 0., 0.25, 0.5, 0.8, 1., 1.2};
	for (double h : hues)
	{
		for (double s : saturations)
		{
			for (double l : levels)
			{
				ASSERT_EQ(fromHSL(h, s, l), referenceFromHSL(h, s, l))
				    << "fromHSL(" << h << ", " << s << ", " << l << ")";
				ASSERT_EQ(fromHSV(h, s, l), referenceFromHSV(h, s, l))
				    << "fromHSV(" << h << ", " << s << ", " << l << ")";
			}
		}
	}
}

TEST(CColorTest, NonFiniteInputLeavesTheColourUnchangedAndReportsNothing)
{
	const double bad[] = {kNaN, kInf, -kInf};
	AssertionRecorder assertions;
	for (double x : bad)
	{
		for (int position = 0; position < 3; ++position)
		{
			// Finite partners that would otherwise produce a colour; a value
			// of 0 would make HSV black before looking at hue and saturation.
			double args[3] = {120., 0.5, 0.5};
			args[position] = x;
			EXPECT_EQ(fromHSL(args[0], args[1], args[2]), kMarker)
			    << "fromHSL with " << x << " at argument " << position;
			EXPECT_EQ(fromHSV(args[0], args[1], args[2]), kMarker)
			    << "fromHSV with " << x << " at argument " << position;
			args[2] = 0.;
			if (position != 2)
			{
				EXPECT_EQ(fromHSV(args[0], args[1], args[2]), kMarker)
				    << "fromHSV with value 0 and " << x << " at argument " << position;
			}
		}
	}
	EXPECT_TRUE(assertions.reports.empty());
}

// ---- Round trips ----

TEST(CColorTest, HSLAndHSVRoundTripsStayWithinOneStepAndKeepAlpha)
{
	const int levels[] = {0, 1, 17, 64, 127, 128, 200, 254, 255};
	for (int r : levels)
	{
		for (int g : levels)
		{
			for (int b : levels)
			{
				const CColor original(uint8(r), uint8(g), uint8(b), 42);
				double h, s, l;
				original.toHSL(h, s, l);
				CColor viaHSL(0, 0, 0, 42);
				viaHSL.fromHSL(h, s, l);
				EXPECT_TRUE(sameRGBWithin(viaHSL, original, 1)) << "HSL " << h << ", " << s << ", " << l;
				EXPECT_EQ(viaHSL.alpha, 42);

				double v;
				original.toHSV(h, s, v);
				CColor viaHSV(0, 0, 0, 42);
				viaHSV.fromHSV(h, s, v);
				EXPECT_TRUE(sameRGBWithin(viaHSV, original, 1)) << "HSV " << h << ", " << s << ", " << v;
				EXPECT_EQ(viaHSV.alpha, 42);
			}
		}
	}
}

} // namespace
} // namespace Test
} // namespace Kavrin
