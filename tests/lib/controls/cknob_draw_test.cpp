#include "lib/cbitmap.h"
#include "lib/cframe.h"
#include "lib/controls/cknob.h"
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
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr double kDegrees = M_PI / 180.;
constexpr CColor kCorona {0, 255, 0, 255};
constexpr CColor kShadow {255, 0, 0, 255};
constexpr CColor kHandle {255, 255, 255, 255};
constexpr CColor kHandleBitmapColor {0, 0, 255, 255};

// Colour of frame i of a film strip: each frame tells which it is.
CColor frameColor(int i)
{
	return CColor(uint8(i * 8), uint8(255 - i * 8), 128, 255);
}

// A strip of frames of width x frameHeight, each filled with frameColor.
SharedPointer<CBitmap> filmStrip(int frames, int width, int frameHeight)
{
	auto bitmap = owned(new CBitmap(width, frames * frameHeight));
	paintPixels(*bitmap, [&](uint32, uint32 y) { return frameColor(int(y) / frameHeight); });
	return bitmap;
}

std::string describe(const CColor& color)
{
	return "(" + std::to_string(color.red) + ", " + std::to_string(color.green) + ", " +
	       std::to_string(color.blue) + ", " + std::to_string(color.alpha) + ")";
}

// An open 200 x 140 frame on the headless platform with a black background;
// the tests put one knob in it and read the window's pixels.
class KnobDrawTest : public PixelFrameTest
{
protected:
	KnobDrawTest() : PixelFrameTest(CRect(0, 0, 200, 140), kBlackCColor) {}

	template <typename View> View* add(View* view)
	{
		EXPECT_TRUE(frame->addView(view));
		return view;
	}
	// The pixel under a point at an angle (degrees, clockwise on screen)
	// and a distance from a centre, or on an ellipse of two radii.
	CColor pixelAt(CPoint centre, double degrees, double rx, double ry = 0.) const
	{
		if (ry == 0.)
			ry = rx;
		return pixel(int(std::floor(centre.x + rx * std::cos(degrees * kDegrees))),
		             int(std::floor(centre.y + ry * std::sin(degrees * kDegrees))));
	}
	static bool isCorona(const CColor& c) { return c.green > 200 && c.red < 60 && c.blue < 60; }
	static bool isBlack(const CColor& c) { return c.red < 30 && c.green < 30 && c.blue < 30; }
	// How many pixels of a rect match.
	int countPixels(const CRect& r, const std::function<bool(const CColor&)>& match) const
	{
		int n = 0;
		for (int y = int(r.top); y < int(r.bottom); ++y)
		{
			for (int x = int(r.left); x < int(r.right); ++x)
			{
				if (match(pixel(x, y)))
					++n;
			}
		}
		return n;
	}
};

// A knob at (20, 20, 120, 120): its centre is (70, 70). With a corona inset
// of 10 the corona runs on a circle of radius 40, 8 pixels wide.
constexpr CRect kKnobRect {20, 20, 120, 120};
constexpr CPoint kKnobCentre {70, 70};

CKnob* coronaKnob(int32 style, float min, float max, float value)
{
	auto knob = new CKnob(kKnobRect, nullptr, 0, nullptr, nullptr, CPoint(), style);
	knob->setCoronaColor(kCorona);
	knob->setColorShadowHandle(kShadow);
	knob->setColorHandle(kHandle);
	knob->setCoronaInset(10.);
	knob->setHandleLineWidth(8.);
	knob->setMin(min);
	knob->setMax(max);
	knob->setValue(value);
	return knob;
}

// ---- Corona ----

TEST_F(KnobDrawTest, CoronaCoversTheSweepTheValueImplies)
{
	using K = CKnob;
	struct Case
	{
		const char* name;
		int32 style;
		float value;
		std::vector<double> inside;  // degrees where the corona is
		std::vector<double> outside; // degrees where it is not
		float min = 0.f;
		float max = 1.f;
	};
	const Case cases[] = {
	    {"from the minimum to the value", 0, 0.5f, {145., 200., 260., 273.}, {285., 330., 20., 90., 120.}},
	    {"over another range", 0, 1.f, {145., 200., 260.}, {285., 330., 20., 90.}, -1.f, 3.f},
	    {"whole range", 0, 1.f, {145., 270., 35.}, {60., 90., 120.}},
	    {"at the minimum", 0, 0.f, {}, {135., 150., 200., 270., 30.}},
	    {"inverted: the value to the maximum", K::kCoronaInverted, 0.25f, {215., 300., 35.},
	     {190., 150., 90.}},
	    {"inverted at the maximum", K::kCoronaInverted, 1.f, {}, {150., 270., 30., 45.}},
	    {"from the centre, above the middle", K::kCoronaFromCenter, 0.75f, {280., 325.}, {255., 200., 350.}},
	    {"from the centre, below the middle", K::kCoronaFromCenter, 0.25f, {260., 215.}, {285., 190., 330.}},
	    {"from the centre, inverted", K::kCoronaFromCenter | K::kCoronaInverted, 0.25f, {280., 325.},
	     {255., 200., 350.}},
	    {"butt caps end on the value", K::kCoronaLineCapButt, 0.5f, {140., 266.}, {130., 274.}},
	    {"dash-dot needs butt caps", K::kCoronaLineDashDot, 0.5f, {145., 200., 260.}, {285., 330.}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		add(coronaKnob(K::kCoronaDrawing | K::kSkipHandleDrawing | c.style, c.min, c.max, c.value));
		open();
		paintAll();
		for (double degrees : c.inside)
		{
			CColor color = pixelAt(kKnobCentre, degrees, 40.);
			EXPECT_TRUE(isCorona(color)) << degrees << " degrees: " << describe(color);
		}
		for (double degrees : c.outside)
		{
			CColor color = pixelAt(kKnobCentre, degrees, 40.);
			EXPECT_TRUE(isBlack(color)) << degrees << " degrees: " << describe(color);
		}
		// Nothing but the corona is drawn.
		auto notCorona = [](const CColor& p) { return p.red > 30 || p.blue > 30; };
		EXPECT_EQ(countPixels(CRect(0, 0, 200, 140), notCorona), 0);
	}
}

TEST_F(KnobDrawTest, CoronaFromTheCentreAtTheMiddleDrawsNothing)
{
	for (int32 extra : {0, int32(CKnob::kCoronaLineCapButt), int32(CKnob::kCoronaInverted)})
	{
		SCOPED_TRACE(extra);
		startOver();
		const int32 style = CKnob::kCoronaDrawing | CKnob::kCoronaFromCenter | CKnob::kSkipHandleDrawing;
		add(coronaKnob(style | extra, 0.f, 1.f, 0.5f));
		open();
		paintAll();
		EXPECT_EQ(countPixels(CRect(0, 0, 200, 140), [](const CColor& p) { return !isBlack(p); }), 0);
	}
}

TEST_F(KnobDrawTest, DashedCoronaLeavesGapsAlongTheArc)
{
	struct Case
	{
		const char* name;
		int32 style;
		bool gaps;
	};
	const Case cases[] = {
	    {"solid", CKnob::kCoronaLineCapButt, false},
	    {"dash-dot with butt caps", CKnob::kCoronaLineCapButt | CKnob::kCoronaLineDashDot, true},
	    {"dash-dot without butt caps stays solid", CKnob::kCoronaLineDashDot, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		add(coronaKnob(CKnob::kCoronaDrawing | CKnob::kSkipHandleDrawing | c.style, 0.f, 1.f, 1.f));
		open();
		paintAll();
		int covered = 0;
		int uncovered = 0;
		for (double degrees = 140.; degrees <= 400.; degrees += 1.)
		{
			if (isCorona(pixelAt(kKnobCentre, degrees, 40.)))
				++covered;
			else if (isBlack(pixelAt(kKnobCentre, degrees, 40.)))
				++uncovered;
		}
		EXPECT_GT(covered, 50);
		if (c.gaps)
			EXPECT_GT(uncovered, 50);
		else
			EXPECT_EQ(uncovered, 0);
	}
}

TEST_F(KnobDrawTest, CoronaOfAWideKnobEndsWhereTheHandlePoints)
{
	// A 160 x 100 knob: the corona runs on an ellipse of radii 70 and 40
	// around (100, 70), and ends at the same point of it as the handle.
	auto knob = add(new CKnob(CRect(20, 20, 180, 120), nullptr, 0, nullptr, nullptr, CPoint(),
	                          CKnob::kCoronaDrawing | CKnob::kCoronaLineCapButt | CKnob::kSkipHandleDrawing));
	knob->setCoronaColor(kCorona);
	knob->setCoronaInset(10.);
	knob->setHandleLineWidth(6.);
	knob->setValue(0.25f);
	open();
	paintAll();
	// 0.25 is 202.5 degrees along the ellipse, as valueToPoint measures.
	for (double degrees : {140., 170., 197.})
	{
		CColor color = pixelAt(CPoint(100, 70), degrees, 70., 40.);
		EXPECT_TRUE(isCorona(color)) << degrees << " degrees: " << describe(color);
	}
	for (double degrees : {208., 215., 240., 128.})
	{
		CColor color = pixelAt(CPoint(100, 70), degrees, 70., 40.);
		EXPECT_TRUE(isBlack(color)) << degrees << " degrees: " << describe(color);
	}
}

TEST_F(KnobDrawTest, OutlineLiesUnderTheCoronaAlongTheWholeSweep)
{
	auto knob = add(coronaKnob(CKnob::kCoronaDrawing | CKnob::kCoronaOutline | CKnob::kSkipHandleDrawing, 0.f,
	                           1.f, 0.5f));
	// Sixteen wide: four on either side of the corona.
	knob->setCoronaOutlineWidthAdd(8.);
	open();
	paintAll();
	struct Probe
	{
		double degrees;
		double radius;
		const char* expected; // "corona", "outline" or "none"
	};
	const Probe probes[] = {
	    {200., 40., "corona"}, {260., 40., "corona"},  {300., 40., "outline"}, {20., 40., "outline"},
	    {200., 46., "outline"}, {200., 34., "outline"}, {300., 46., "outline"}, {90., 40., "none"},
	    {200., 51., "none"},    {200., 29., "none"},
	};
	for (const auto& probe : probes)
	{
		SCOPED_TRACE(::testing::Message() << probe.degrees << " degrees, radius " << probe.radius);
		CColor color = pixelAt(kKnobCentre, probe.degrees, probe.radius);
		if (std::string(probe.expected) == "corona")
			EXPECT_TRUE(isCorona(color)) << describe(color);
		else if (std::string(probe.expected) == "outline")
			EXPECT_EQ(color, kShadow);
		else
			EXPECT_TRUE(isBlack(color)) << describe(color);
	}
}

// ---- Handle ----

TEST_F(KnobDrawTest, HandleLineRunsFromTheCentreToThePointOfTheValue)
{
	for (float value : {0.f, 0.25f, 0.5f, 0.8f, 1.f})
	{
		SCOPED_TRACE(value);
		startOver();
		auto knob = add(coronaKnob(0, 0.f, 1.f, value));
		knob->setHandleLineWidth(4.);
		knob->setInsetValue(20.);
		open();
		paintAll();
		CPoint tip;
		knob->valueToPoint(tip);
		EXPECT_NEAR(std::hypot(tip.x - 50.5, tip.y - 50.5), 30., 1e-3);
		const double degrees = std::atan2(tip.y - 50.5, tip.x - 50.5) / kDegrees;
		for (double radius : {8., 15., 22., 28.})
		{
			CColor color = pixelAt(kKnobCentre, degrees, radius);
			EXPECT_FALSE(isBlack(color)) << "radius " << radius << ": " << describe(color);
		}
		// The tip itself, in the frame.
		EXPECT_FALSE(isBlack(pixel(int(std::floor(tip.x + 20.)), int(std::floor(tip.y + 20.)))));
		for (double radius : {36., 45.})
			EXPECT_TRUE(isBlack(pixelAt(kKnobCentre, degrees, radius))) << "radius " << radius;
		EXPECT_TRUE(isBlack(pixelAt(kKnobCentre, degrees + 180., 10.))) << "nothing behind the centre";
		EXPECT_TRUE(isBlack(pixelAt(kKnobCentre, degrees + 90., 12.))) << "nothing beside the line";
		// The highlight, and the shadow along one side of it.
		EXPECT_GT(countPixels(kKnobRect, [](const CColor& p) { return p == kHandle; }), 20);
		EXPECT_GT(countPixels(kKnobRect, [](const CColor& p) { return p.red > 100 && p.green < 50; }), 0);
	}
}

TEST_F(KnobDrawTest, HandleDotSitsOnThePointOfTheValue)
{
	for (float value : {0.f, 0.5f, 0.9f})
	{
		SCOPED_TRACE(value);
		startOver();
		auto knob = add(coronaKnob(CKnob::kHandleCircleDrawing, 0.f, 1.f, value));
		knob->setHandleLineWidth(4.);
		open();
		paintAll();
		CPoint tip;
		knob->valueToPoint(tip);
		tip += kKnobRect.getTopLeft();
		EXPECT_EQ(pixel(int(std::floor(tip.x)), int(std::floor(tip.y))), kHandle);
		// A dot of radius 4.5 and no line to the centre.
		const int dotPixels = countPixels(kKnobRect, [](const CColor& p) { return !isBlack(p); });
		EXPECT_GT(dotPixels, 50);
		EXPECT_LT(dotPixels, 110);
		EXPECT_TRUE(isBlack(pixel(70, 70)));
	}
}

TEST_F(KnobDrawTest, SkippedHandleLeavesOnlyTheCorona)
{
	struct Case
	{
		const char* name;
		int32 style;
		bool corona;
	};
	const Case cases[] = {
	    {"line", CKnob::kSkipHandleDrawing, false},
	    {"dot", CKnob::kSkipHandleDrawing | CKnob::kHandleCircleDrawing, false},
	    {"with corona", CKnob::kSkipHandleDrawing | CKnob::kCoronaDrawing, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		add(coronaKnob(c.style, 0.f, 1.f, 0.7f));
		open();
		paintAll();
		EXPECT_EQ(countPixels(kKnobRect, [](const CColor& p) { return p.red > 30 || p.blue > 30; }), 0);
		EXPECT_EQ(countPixels(kKnobRect, isCorona) > 0, c.corona);
	}
}

TEST_F(KnobDrawTest, HandleBitmapIsCentredOnThePointOfTheValueInsteadOfTheVectorHandle)
{
	for (float value : {0.f, 0.3f, 0.5f, 1.f})
	{
		SCOPED_TRACE(value);
		startOver();
		auto handle = solidBitmap(10, 10, kHandleBitmapColor);
		auto knob = add(new CKnob(kKnobRect, nullptr, 0, nullptr, handle, CPoint(),
		                          CKnob::kCoronaDrawing | CKnob::kCoronaOutline));
		knob->setCoronaColor(kCorona);
		knob->setValue(value);
		open();
		paintAll();
		// Five for half the handle, two and a half more.
		CPoint tip;
		knob->valueToPoint(tip);
		const double angle = (135. + 270. * value) * kDegrees;
		EXPECT_NEAR(tip.x, 50.5 + 42.5 * std::cos(angle), 1e-3);
		EXPECT_NEAR(tip.y, 50.5 + 42.5 * std::sin(angle), 1e-3);
		const int left = int(std::floor(20. - 5. + tip.x));
		const int top = int(std::floor(20. - 5. + tip.y));
		std::string row;
		std::string column;
		for (int i = -1; i <= 10; ++i)
		{
			row += pixel(left + i, top + 5) == kHandleBitmapColor ? 'b' : '.';
			column += pixel(left + 5, top + i) == kHandleBitmapColor ? 'b' : '.';
		}
		EXPECT_EQ(row, "." + std::string(10, 'b') + ".");
		EXPECT_EQ(column, "." + std::string(10, 'b') + ".");
		EXPECT_EQ(countPixels(kKnobRect, [](const CColor& p) { return !isBlack(p); }), 100)
		    << "the handle bitmap replaces the corona, its outline and the handle line";
	}
}

TEST_F(KnobDrawTest, BackgroundIsDrawnFromTheKnobsOffset)
{
	struct Case
	{
		const char* name;
		CPoint offset;
		CColor expected;
	};
	const Case cases[] = {
	    {"no offset", CPoint(), kRedCColor},
	    {"offset into the right half", CPoint(100, 0), kBlueCColor},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto background = owned(new CBitmap(200, 100));
		paintPixels(*background, [](uint32 x, uint32) { return x < 100 ? kRedCColor : kBlueCColor; });
		add(new CKnob(kKnobRect, nullptr, 0, background, nullptr, c.offset, CKnob::kSkipHandleDrawing));
		open();
		paintAll();
		EXPECT_EQ(pixel(21, 21), c.expected);
		EXPECT_EQ(pixel(70, 70), c.expected);
		EXPECT_EQ(pixel(119, 119), c.expected);
	}
}

// ---- Film strips ----

// A 50 x 50 film-strip knob at (20, 20) over 31 frames of 50 pixels.
class AnimKnobDrawTest : public KnobDrawTest
{
protected:
	static constexpr CRect kAnimRect {20, 20, 70, 70};

	// Which frame fills the knob, -1 for none (black) and -2 when the rows
	// disagree or show something else.
	int shownFrame() const
	{
		const double scale = window->getScaleFactor();
		int found = -3;
		for (double y : {20., 21., 45., 68., 69.})
		{
			const CColor color = pixel(int(45. * scale), int(y * scale));
			int frameIndex = -2;
			if (color == kBlackCColor)
				frameIndex = -1;
			for (int i = 0; i < 31; ++i)
			{
				if (color == frameColor(i))
					frameIndex = i;
			}
			if (found != -3 && found != frameIndex)
				return -2;
			found = frameIndex;
		}
		return found;
	}
};

TEST_F(AnimKnobDrawTest, ShowsTheFrameTheValueSelects)
{
	struct Case
	{
		const char* name;
		float value;
		bool inverse;
		int frame;
		float min = 0.f;
		float max = 1.f;
		double scale = 1.;
	};
	const Case cases[] = {
	    {"minimum", 0.f, false, 0},
	    {"maximum", 1.f, false, 30},
	    {"middle: offset 750", 0.5f, false, 15},
	    {"just above the middle", 0.51f, false, 15},
	    {"just below the maximum", 0.99f, false, 29},
	    {"three fifths", 0.6f, false, 18},
	    {"other range", 50.f, false, 15, 0.f, 100.f},
	    {"inverse at the minimum: the last frame", 0.f, true, 30},
	    {"inverse at the maximum", 1.f, true, 0},
	    {"inverse at a quarter", 0.25f, true, 22},
	    {"inverse in the middle", 0.5f, true, 15},
	    {"backing scale 2", 0.5f, false, 15, 0.f, 1.f, 2.},
	    {"backing scale 2 at the maximum", 1.f, false, 30, 0.f, 1.f, 2.},
	};
	for (const auto& c : cases)
	{
		for (bool counted : {false, true})
		{
			SCOPED_TRACE(::testing::Message()
			             << c.name << (counted ? ", counted frames" : ", frames of the view"));
			startOver();
			auto strip = filmStrip(31, 50, 50);
			CAnimKnob* knob = counted ? new CAnimKnob(kAnimRect, nullptr, 0, 31, 50., strip)
			                          : new CAnimKnob(kAnimRect, nullptr, 0, strip);
			add(knob);
			EXPECT_EQ(knob->getNumSubPixmaps(), 31);
			knob->setMin(c.min);
			knob->setMax(c.max);
			knob->setValue(c.value);
			knob->setInverseBitmap(c.inverse);
			open();
			window->setScaleFactor(c.scale);
			paintAll();
			EXPECT_EQ(shownFrame(), c.frame);
		}
	}
}

TEST_F(AnimKnobDrawTest, StripGivenAfterwardsCountsItsFrames)
{
	auto knob = add(new CAnimKnob(kAnimRect));
	EXPECT_EQ(knob->getNumSubPixmaps(), 0);
	knob->setBackground(filmStrip(31, 50, 50));
	EXPECT_EQ(knob->getNumSubPixmaps(), 31);
	knob->setValue(0.5f);
	open();
	paintAll();
	EXPECT_EQ(shownFrame(), 15);
}

TEST_F(AnimKnobDrawTest, StripWithoutUsableFramesDrawsTheFirstOrNothingAndKeepsItsValue)
{
	enum Strip
	{
		kGood,
		kNone,
		kFailed,
	};
	struct Case
	{
		const char* name;
		Strip strip;
		double frameHeight; // NaN: the view's
		int frames;         // -1: as counted
		float value;
		int expectedFrame;
	};
	const double viewHeight = std::nan("");
	const Case cases[] = {
	    {"frames below a pixel", kGood, 0.5, -1, 0.7f, 0},
	    {"frames far below a pixel", kGood, 1e-9, -1, 0.7f, 0},
	    {"frames of no height", kGood, 0., -1, 0.7f, 0},
	    {"frames of negative height", kGood, -10., -1, 0.7f, 0},
	    {"no frames counted", kGood, 50., 0, 0.7f, 0},
	    {"value not a number", kGood, 50., -1, std::nanf(""), 0},
	    {"no strip", kNone, viewHeight, -1, 0.7f, -1},
	    {"strip that failed to load", kFailed, viewHeight, -1, 0.7f, -1},
	    {"strip that failed to load, counted frames", kFailed, 50., 31, 0.7f, -1},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		SharedPointer<CBitmap> strip;
		if (c.strip == kGood)
			strip = filmStrip(31, 50, 50);
		else if (c.strip == kFailed)
			strip = owned(new CBitmap(CResourceDescription("no-such-film-strip.png")));
		CAnimKnob* knob = std::isnan(c.frameHeight)
		                      ? new CAnimKnob(kAnimRect, nullptr, 0, strip)
		                      : new CAnimKnob(kAnimRect, nullptr, 0, 31, c.frameHeight, strip);
		add(knob);
		if (c.frames >= 0)
			knob->setNumSubPixmaps(c.frames);
		knob->setValue(c.value);
		const float before = knob->getValue();
		open();
		paintAll();
		EXPECT_EQ(shownFrame(), c.expectedFrame);
		if (std::isnan(before))
			EXPECT_TRUE(std::isnan(knob->getValue()));
		else
			EXPECT_EQ(knob->getValue(), before);
	}
}

} // namespace
} // namespace Kavrin::Test
