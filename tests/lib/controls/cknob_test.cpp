#include "tests/support/controlrecording.h"
#include "tests/support/recording.h"

#include "lib/cbitmap.h"
#include "lib/cgraphicspath.h"
#include "lib/controls/cknob.h"
#include "lib/iviewlistener.h"
#include "lib/moxkeycode.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/printers.h"
#include "tests/support/elementpath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::IsEmpty;

constexpr int32 kTag = 7;
constexpr double kDegrees = M_PI / 180.;
// The page's place in the frame, the knob's place in the page, and the
// knob's centre in the frame.
constexpr CRect kPageRect {10, 20, 200, 200};
constexpr CRect kKnobRect {40, 30, 140, 130};
constexpr CPoint kCentre {100, 100};

// A point at an angle (degrees, clockwise on screen from the right) and a
// distance from a centre.
CPoint around(const CPoint& centre, double degrees, double radius)
{
	return {centre.x + radius * std::cos(degrees * kDegrees),
	        centre.y + radius * std::sin(degrees * kDegrees)};
}

// A 100 x 100 knob centred on (100, 100) of an open 200 x 200 frame whose
// editor records the edit brackets, inside a page offset from the frame's
// origin. The knob stands at 0.2 and has been drawn. Input goes through the
// frame as a window would send it.
class KnobTest : public ::testing::Test
{
protected:
	KnobTest()
	{
		setPlatform(platform);
		openFrame();
	}
	~KnobTest() override
	{
		frame->close();
		setPlatform(nullptr);
	}

	// The creator's reference goes with close(), which a listener may call;
	// the holder keeps the frame until the next one replaces it.
	void openFrame()
	{
		frame = new CFrame(CRect(0, 0, 200, 200), &editor);
		frameHolder = frame;
		addPageWithKnob();
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		paint();
		log.clear();
	}
	void reopenFrame()
	{
		frame->close();
		openFrame();
	}
	// A second page along the bottom edge, away from where the tests press.
	CViewContainer* addOtherPage()
	{
		auto other = new CViewContainer(CRect(0, 190, 200, 200));
		frame->addView(other);
		return other;
	}
	// Moves the knob into another container, as a listener may.
	void moveKnobTo(CViewContainer* container)
	{
		knob->remember();
		page->removeView(knob);
		container->addView(knob);
	}

	void addPageWithKnob()
	{
		page = new CViewContainer(kPageRect);
		page->setTransparency(true);
		frame->addView(page);
		knob = new CKnob(kKnobRect, &listener, kTag);
		knob->setDefaultValue(0.5f);
		knob->setValue(0.2f);
		page->addView(knob);
	}

	// Back to 0.2 over [0, 1], drawn, with an empty log and no mouse down.
	void reset(float min = 0.f, float max = 1.f)
	{
		knob->setMin(min);
		knob->setMax(max);
		knob->setValueNormalized(0.2f);
		knob->setWheelInc(0.1f);
		paint();
		log.clear();
	}

	CMouseEventResult press(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseDown(where, CButtonState(buttons));
	}
	CMouseEventResult move(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseMoved(where, CButtonState(buttons));
	}
	CMouseEventResult release(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseUp(where, CButtonState(buttons));
	}
	bool wheel(float distance, uint32 buttons = 0, CPoint where = kCentre)
	{
		return frame->platformOnMouseWheel(where, kWheelAxisY, distance, CButtonState(buttons));
	}
	bool key(uint8 virt, uint8 modifier = 0)
	{
		MoxKeyCode code;
		code.virt = virt;
		code.modifier = modifier;
		return frame->platformOnKeyDown(code);
	}
	void focusKnob()
	{
		frame->platformOnActivate(true);
		frame->setFocusView(knob);
		ASSERT_EQ(frame->getFocusView(), knob);
	}
	void paint() { window->drawRect(CRect(0, 0, 200, 200)); }

	float normalized() const { return knob->getValueNormalized(); }
	size_t count(const std::string& entry) const { return size_t(std::count(log.begin(), log.end(), entry)); }
	// The editor's part of the log.
	ControlLog editorLog() const
	{
		ControlLog result;
		std::copy_if(log.begin(), log.end(), std::back_inserter(result),
		             [](const std::string& entry) { return entry.rfind("editor:", 0) == 0; });
		return result;
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	ControlLog log;
	LoggingEditor editor {log};
	LoggingListener listener {"main", log};
	CFrame* frame {nullptr};
	SharedPointer<CFrame> frameHolder;
	CViewContainer* page {nullptr};
	CKnob* knob {nullptr};
	HeadlessFrame* window {nullptr};
	int parent {0};
};

// ---- Angle geometry ----

TEST(KnobGeometry, ValuePointsAlongTheSweepFromLowerLeftOverTheTopToLowerRight)
{
	struct Case
	{
		const char* name;
		CRect size;
		float min;
		float max;
		float value;
		double degrees;
	};
	const Case cases[] = {
	    {"minimum", CRect(0, 0, 100, 100), 0.f, 1.f, 0.f, 135.},
	    {"middle", CRect(0, 0, 100, 100), 0.f, 1.f, 0.5f, 270.},
	    {"maximum", CRect(0, 0, 100, 100), 0.f, 1.f, 1.f, 45.},
	    {"a third", CRect(0, 0, 100, 100), 0.f, 1.f, 1.f / 3.f, 225.},
	    {"other range", CRect(0, 0, 100, 100), -50.f, 150.f, 100.f, 337.5},
	    {"moved view", CRect(30, 40, 130, 140), 0.f, 1.f, 0.5f, 270.},
	    {"wide view", CRect(0, 0, 160, 100), 0.f, 1.f, 0.f, 135.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto knob = owned(new CKnob(c.size));
		knob->setMin(c.min);
		knob->setMax(c.max);
		knob->setValue(c.value);
		CPoint point;
		knob->valueToPoint(point);
		// Local coordinates, on the ellipse shrunk by the inset of 3, shifted
		// by half a pixel.
		const double w = c.size.getWidth();
		const double h = c.size.getHeight();
		EXPECT_NEAR(point.x, w / 2. + 0.5 + (w / 2. - 3.) * std::cos(c.degrees * kDegrees), 1e-3);
		EXPECT_NEAR(point.y, h / 2. + 0.5 + (h / 2. - 3.) * std::sin(c.degrees * kDegrees), 1e-3);
	}
}

TEST(KnobGeometry, PointInTheGapBelowTheCentreGivesTheNearerEnd)
{
	struct Case
	{
		double degrees;
		float expected;
	};
	const Case cases[] = {
	    {135., 0.f},
	    {180., 1.f / 6.f},
	    {270., 0.5f},
	    {0., 5.f / 6.f},
	    {45., 1.f},
	    // The gap between the ends: right of straight down is the maximum,
	    // straight down and left of it the minimum.
	    {46., 1.f},
	    {60., 1.f},
	    {89.5, 1.f},
	    {90., 0.f},
	    {90.5, 0.f},
	    {120., 0.f},
	    {134., 0.f},
	};
	auto knob = owned(new CKnob(CRect(20, 20, 120, 120)));
	knob->setMin(-1.f);
	knob->setMax(1.f);
	for (const auto& c : cases)
	{
		for (double radius : {4., 30., 47., 80.})
		{
			SCOPED_TRACE(::testing::Message() << c.degrees << " degrees, radius " << radius);
			CPoint local = around(CPoint(50, 50), c.degrees, radius);
			EXPECT_NEAR(knob->valueFromPoint(local), -1.f + 2.f * c.expected, 1e-5);
		}
	}
}

TEST(KnobGeometry, OtherSweepsMapTheirOwnEnds)
{
	// The upper half, from the left over the top to the right.
	struct Case
	{
		double degrees;
		float expected;
	};
	const Case cases[] = {
	    {180., 0.f}, {225., 0.25f}, {270., 0.5f}, {315., 0.75f}, {359., 1.f - 1.f / 180.f},
	    {30., 1.f},  {60., 1.f},    {120., 0.f},  {150., 0.f},
	};
	auto knob = owned(new CKnob(CRect(0, 0, 100, 100)));
	knob->setStartAngle(float(M_PI));
	knob->setRangeAngle(float(M_PI));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.degrees);
		CPoint local = around(CPoint(50, 50), c.degrees, 30.);
		EXPECT_NEAR(knob->valueFromPoint(local), c.expected, 1e-5);
		if (c.degrees >= 180.)
		{
			knob->setValue(c.expected);
			CPoint point;
			knob->valueToPoint(point);
			EXPECT_NEAR(point.x, 50.5 + 47. * std::cos(c.degrees * kDegrees), 1e-3);
			EXPECT_NEAR(point.y, 50.5 + 47. * std::sin(c.degrees * kDegrees), 1e-3);
		}
	}
}

TEST(KnobGeometry, ACounterClockwiseKnobMapsItsSweepTheOtherWayRound)
{
	// From the lower right (45 degrees) over the top to the lower left.
	auto knob = owned(new CKnob(CRect(0, 0, 100, 100)));
	knob->setStartAngle(float(M_PI / 4.));
	knob->setRangeAngle(float(-3. * M_PI / 2.));
	struct Case
	{
		double degrees;
		float expected;
	};
	const Case cases[] = {{45., 0.f}, {0., 1.f / 6.f}, {270., 0.5f}, {180., 5.f / 6.f}, {135., 1.f},
	                      {60., 0.f}, {120., 1.f}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.degrees);
		CPoint local = around(CPoint(50, 50), c.degrees, 30.);
		EXPECT_NEAR(knob->valueFromPoint(local), c.expected, 1e-5);
	}
	// And the value's point lies where the value says.
	knob->setValue(0.5f);
	CPoint point;
	knob->valueToPoint(point);
	EXPECT_NEAR(point.x, 50.5, 1e-3);
	EXPECT_NEAR(point.y, 50.5 - 47., 1e-3);
}

TEST(KnobGeometry, StraightBelowTheCentreOnWholePixelsIsTheMinimum)
{
	// A pointer exactly below the centre of an even-sized knob.
	for (double y : {51., 60., 99., 140.})
	{
		SCOPED_TRACE(y);
		auto knob = owned(new CKnob(CRect(0, 0, 100, 100)));
		CPoint local(50, y);
		EXPECT_EQ(knob->valueFromPoint(local), 0.f);
	}
}

TEST(KnobGeometry, ValueSurvivesTheRoundTripThroughItsPoint)
{
	auto knob = owned(new CKnob(CRect(0, 0, 80, 120)));
	for (int i = 0; i <= 20; ++i)
	{
		SCOPED_TRACE(i);
		knob->setValue(float(i) / 20.f);
		CPoint point;
		knob->valueToPoint(point);
		// valueFromPoint measures from the centre without the half pixel.
		point -= CPoint(0.5, 0.5);
		EXPECT_NEAR(knob->valueFromPoint(point), float(i) / 20.f, 1e-4);
	}
}

// ---- Dragging ----

TEST_F(KnobTest, DragChangesTheValueAsTheKnobModeSaysInOneEdit)
{
	struct Case
	{
		const char* name;
		int32 editorMode;
		uint32 modifiers;
		double dy; // negative: upwards
		float expected;
		float min = 0.f;
		float max = 1.f;
	};
	// The press is on the top of the knob's circle; circular drags point
	// there (the middle of the range) whatever the distance.
	const Case cases[] = {
	    {"circular when the editor has no preference", -1, 0, -100., 0.5f},
	    {"circular mode", 0, 0, -100., 0.5f},
	    {"circular mode ignores shift", 0, kShiftModifier, -100., 0.5f},
	    {"another mode is circular", 1, 0, -100., 0.5f},
	    {"linear: a hundred pixels up is half the range", 2, 0, -100., 0.7f},
	    {"linear: down decreases", 2, 0, 30., 0.05f},
	    {"linear with shift drags at a third of the speed", 2, kShiftModifier, -100., 0.2f + 1.f / 3.f},
	    {"linear over another range", 2, 0, -100., 7.f, 0.f, 10.f},
	    {"linear clamps at the maximum", 2, 0, -300., 1.f},
	    {"linear clamps at the minimum", 2, 0, 100., 0.f},
	    {"alt makes circular linear", 0, kAltModifier, -100., 0.7f},
	    {"alt makes another mode linear", 1, kAltModifier, -100., 0.7f},
	    {"alt makes linear circular", 2, kAltModifier, -100., 0.5f},
	};
	const CPoint top(100, 60);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		editor.knobMode = c.editorMode;
		reset(c.min, c.max);
		const uint32 buttons = kLeftButton | c.modifiers;
		EXPECT_EQ(press(top, buttons), kMouseHandled);
		EXPECT_NEAR(normalized(), 0.2f, 1e-6) << "the press alone changes nothing";
		move(CPoint(100, 60 + c.dy / 2.), buttons);
		move(CPoint(100, 60 + c.dy), buttons);
		EXPECT_NEAR(knob->getValue(), c.expected, 1e-5);
		release(CPoint(100, 60 + c.dy), buttons);
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
		EXPECT_EQ(count("main:begin"), 1u);
		EXPECT_EQ(count("main:end"), 1u);
		EXPECT_GE(count("main:changed"), 1u);
		EXPECT_FALSE(knob->isEditing());
	}
}

TEST_F(KnobTest, FrameWideKnobModeAppliesWhenTheEditorHasNoPreference)
{
	const int32 saved = CFrame::kDefaultKnobMode;
	CFrame::kDefaultKnobMode = 2;
	press(CPoint(100, 60));
	move(CPoint(100, -40));
	release(CPoint(100, -40));
	CFrame::kDefaultKnobMode = saved;
	EXPECT_NEAR(normalized(), 0.7f, 1e-5);
}

TEST_F(KnobTest, ShiftPressedOrReleasedMidDragKeepsTheValueContinuous)
{
	editor.knobMode = 2;
	press(CPoint(100, 100));
	move(CPoint(100, 60));
	EXPECT_NEAR(normalized(), 0.4f, 1e-5);
	// Shift goes down with the next pixel: that pixel still counts at full
	// speed, the following ones at a third.
	move(CPoint(100, 59), kLeftButton | kShiftModifier);
	EXPECT_NEAR(normalized(), 0.405f, 1e-5);
	move(CPoint(100, -1), kLeftButton | kShiftModifier);
	EXPECT_NEAR(normalized(), 0.605f, 1e-5);
	// Releasing it: that pixel still counts at a third, the following ones
	// at full speed.
	move(CPoint(100, -2));
	EXPECT_NEAR(normalized(), 0.605f + 1.f / 300.f, 1e-5);
	move(CPoint(100, -22));
	EXPECT_NEAR(normalized(), 0.705f + 1.f / 300.f, 1e-5);
	release(CPoint(100, -22));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
}

TEST_F(KnobTest, CircularDragFollowsTheAngleOfThePointer)
{
	struct Step
	{
		double degrees;
		float expected;
	};
	const Step steps[] = {
	    {180., 1.f / 6.f}, {225., 1.f / 3.f}, {270., 0.5f}, {0., 5.f / 6.f}, {30., 17.f / 18.f}};
	press(around(kCentre, 270., 40.));
	for (const auto& step : steps)
	{
		SCOPED_TRACE(step.degrees);
		// Any distance from the centre, even outside the knob.
		move(around(kCentre, step.degrees, step.degrees < 100. ? 90. : 20.));
		EXPECT_NEAR(normalized(), step.expected, 1e-5);
	}
	release(around(kCentre, 30., 90.));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_EQ(count("main:changed"), std::size(steps));
}

TEST_F(KnobTest, CircularDragAcrossTheBottomGapSticksToTheEndItCameFrom)
{
	struct Case
	{
		const char* name;
		std::vector<double> path; // degrees, after the press at the first
		std::vector<float> expected;
	};
	const Case cases[] = {
	    {"from the maximum side",
	     {20., 40., 60., 100., 130., 150., 40.},
	     {0.9078f, 0.9815f, 1.f, 1.f, 1.f, 1.f, 0.9815f}},
	    {"from the minimum side",
	     {160., 140., 120., 80., 50., 30., 140.},
	     {0.0930f, 0.0185f, 0.f, 0.f, 0.f, 0.f, 0.0185f}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		press(around(kCentre, c.path.front(), 30.));
		for (size_t i = 0; i < c.path.size(); ++i)
		{
			SCOPED_TRACE(c.path[i]);
			move(around(kCentre, c.path[i] + (i == 0 ? 0.1 : 0.), 30.));
			EXPECT_NEAR(normalized(), c.expected[i], 1e-3);
		}
		release(around(kCentre, c.path.back(), 30.));
	}
}

TEST_F(KnobTest, PressWithAnyButtonButTheLeftAloneIsNotTaken)
{
	for (uint32 buttons : {uint32(kRightButton), uint32(kMiddleButton), uint32(kLeftButton | kRightButton),
	                       uint32(kButton4), uint32(0)})
	{
		SCOPED_TRACE(buttons);
		EXPECT_EQ(press(CPoint(100, 60), buttons), kMouseNotHandled);
		move(CPoint(100, 10), buttons);
		release(CPoint(100, 10), buttons);
		EXPECT_FALSE(knob->isEditing());
	}
	EXPECT_THAT(log, IsEmpty());
	EXPECT_EQ(normalized(), 0.2f);
}

TEST_F(KnobTest, SubListenersMayComeAndGoWhileADragReportsChanges)
{
	editor.knobMode = 2;
	LoggingListener leaving {"leaving", log};
	LoggingListener arriving {"arriving", log};
	LoggingListener other {"other", log};
	knob->registerControlListener(&leaving);
	knob->registerControlListener(&other);
	leaving.onChanged = [&](CControl* control) {
		control->unregisterControlListener(&leaving);
		control->unregisterControlListener(&other);
		control->registerControlListener(&arriving);
	};
	press(CPoint(100, 100));
	move(CPoint(100, 90));
	move(CPoint(100, 80));
	release(CPoint(100, 80));
	EXPECT_EQ(log, ControlLog({"main:begin", "leaving:begin", "other:begin", "editor:begin 7",
	                           "main:changed", "leaving:changed", "main:changed", "arriving:changed",
	                           "editor:end 7", "main:end"}))
	    << "a sub-listener that arrived during the edit hears no end without its begin";
}

// ---- Default value ----

TEST_F(KnobTest, DefaultValueGestureRestoresTheDefaultInOneEditAndStartsNoDrag)
{
	struct Case
	{
		const char* name;
		uint32 buttons;
		float value;
		ControlLog expected;
	};
	const ControlLog restored {"main:begin", "editor:begin 7", "main:changed", "editor:end 7", "main:end"};
	const Case cases[] = {
	    {"control-click", kLeftButton | kControlModifier, 0.2f, restored},
	    {"double click", kLeftButton | kDoubleClick, 0.2f, restored},
	    {"double click with shift", kLeftButton | kDoubleClick | kShiftModifier, 0.9f, restored},
	    {"already at the default", kLeftButton | kControlModifier, 0.5f,
	     {"main:begin", "editor:begin 7", "editor:end 7", "main:end"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		knob->setValue(c.value);
		paint();
		log.clear();
		EXPECT_EQ(press(CPoint(100, 60), c.buttons), kMouseDownHandledNoMoveOrUp);
		EXPECT_EQ(knob->getValue(), 0.5f);
		EXPECT_FALSE(knob->isEditing());
		move(around(kCentre, 180., 30.), c.buttons);
		release(around(kCentre, 180., 30.), c.buttons);
		EXPECT_EQ(knob->getValue(), 0.5f) << "no drag follows";
		EXPECT_EQ(log, c.expected);
	}
}

TEST_F(KnobTest, ControlClickWithAnotherModifierDrags)
{
	const uint32 buttons = kLeftButton | kControlModifier | kShiftModifier;
	EXPECT_EQ(press(CPoint(100, 60), buttons), kMouseHandled);
	move(around(kCentre, 180., 30.), buttons);
	EXPECT_NEAR(normalized(), 1.f / 6.f, 1e-5);
	release(around(kCentre, 180., 30.), buttons);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
}

// ---- Wheel ----

TEST_F(KnobTest, WheelStepsTheNormalizedValueInOneEditThatEndsAfterAPause)
{
	struct Case
	{
		const char* name;
		float distance;
		uint32 modifiers;
		float wheelInc;
		float start;
		float expected;
		bool changes;
	};
	const Case cases[] = {
	    {"one notch", 1.f, 0, 0.1f, 0.2f, 0.3f, true},
	    {"one notch back", -1.f, 0, 0.1f, 0.2f, 0.1f, true},
	    {"shift is fine", 1.f, kShiftModifier, 0.1f, 0.2f, 0.21f, true},
	    {"half a notch", 0.5f, 0, 0.1f, 0.2f, 0.25f, true},
	    {"larger increment", 1.f, 0, 0.25f, 0.2f, 0.45f, true},
	    {"clamped at the maximum", 1.f, 0, 0.1f, 0.95f, 1.f, true},
	    {"clamped at the minimum", -3.f, 0, 0.1f, 0.2f, 0.f, true},
	    {"already at the maximum", 1.f, 0, 0.1f, 1.f, 1.f, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		knob->setWheelInc(c.wheelInc);
		knob->setValueNormalized(c.start);
		paint();
		log.clear();
		EXPECT_TRUE(wheel(c.distance, c.modifiers));
		EXPECT_NEAR(normalized(), c.expected, 1e-6);
		ControlLog opened {"main:begin", "editor:begin 7"};
		if (c.changes)
			opened.push_back("main:changed");
		EXPECT_EQ(log, opened);
		EXPECT_TRUE(knob->isEditing());
		platform->advance(500);
		opened.push_back("editor:end 7");
		opened.push_back("main:end");
		EXPECT_EQ(log, opened);
		EXPECT_FALSE(knob->isEditing());
	}
}

TEST_F(KnobTest, WheelStepsInQuickSuccessionShareOneEditThatEndsHalfASecondAfterTheLast)
{
	const size_t timersBefore = platform->getRunningTimerCount();
	wheel(1.f);
	platform->advance(200);
	wheel(1.f);
	platform->advance(200);
	wheel(1.f);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7"}));
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore + 1) << "each step replaces the pending end";
	platform->advance(499);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7"}));
	platform->advance(1);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	platform->advance(5000);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_NEAR(normalized(), 0.5f, 1e-6);
	EXPECT_EQ(count("main:changed"), 3u);
}

TEST_F(KnobTest, PressEndsAPendingWheelEditBeforeItsOwn)
{
	wheel(1.f);
	press(CPoint(100, 60));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7", "editor:begin 7"}));
	release(CPoint(100, 60));
	platform->advance(2000);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7", "editor:begin 7", "editor:end 7"}));
}

TEST_F(KnobTest, KnobReleasedWithAPendingWheelEditEndsIt)
{
	auto loose = new CKnob(CRect(0, 0, 50, 50), &listener, kTag);
	EXPECT_TRUE(loose->onWheel(CPoint(25, 25), kWheelAxisY, 1.f, CButtonState()));
	EXPECT_EQ(log, ControlLog({"main:begin", "main:changed"}));
	loose->forget();
	EXPECT_EQ(log, ControlLog({"main:begin", "main:changed", "main:end"}));
	platform->advance(1000);
	EXPECT_EQ(log, ControlLog({"main:begin", "main:changed", "main:end"}));
}

TEST_F(KnobTest, WheelOnADisabledKnobDoesNothing)
{
	knob->setMouseEnabled(false);
	EXPECT_FALSE(knob->onWheel(kCentre, kWheelAxisY, 1.f, CButtonState()));
	platform->advance(1000);
	EXPECT_THAT(log, IsEmpty());
	EXPECT_EQ(normalized(), 0.2f);
}

// ---- Keys ----

TEST_F(KnobTest, ArrowKeysStepTheValueEachInAnEditOfItsOwn)
{
	const ControlLog stepped {"main:begin", "editor:begin 7", "main:changed", "editor:end 7", "main:end"};
	struct Case
	{
		const char* name;
		uint8 virt;
		uint8 modifier;
		float start;
		float expected;
		bool handled;
		float wheelInc = 0.1f;
	};
	const Case cases[] = {
	    {"up", kVKeyUp, 0, 0.2f, 0.3f, true},
	    {"right", kVKeyRight, 0, 0.2f, 0.3f, true},
	    {"down", kVKeyDown, 0, 0.2f, 0.1f, true},
	    {"left", kVKeyLeft, 0, 0.2f, 0.1f, true},
	    {"shift up is fine", kVKeyUp, kModifierShift, 0.2f, 0.21f, true},
	    {"shift left is fine", kVKeyLeft, kModifierShift, 0.2f, 0.19f, true},
	    {"alt is not fine", kVKeyUp, kModifierAlternate, 0.2f, 0.3f, true},
	    {"control is not fine", kVKeyDown, kModifierControl, 0.2f, 0.1f, true},
	    {"the wheel increment", kVKeyUp, 0, 0.2f, 0.45f, true, 0.25f},
	    {"clamped", kVKeyUp, 0, 0.95f, 1.f, true},
	    {"up at the maximum", kVKeyUp, 0, 1.f, 1.f, true},
	    {"down at the minimum", kVKeyDown, 0, 0.f, 0.f, true},
	    {"page up", kVKeyPageUp, 0, 0.2f, 0.2f, false},
	    {"home", kVKeyHome, 0, 0.2f, 0.2f, false},
	    {"return", kVKeyReturn, 0, 0.2f, 0.2f, false},
	};
	focusKnob();
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		knob->setWheelInc(c.wheelInc);
		knob->setValueNormalized(c.start);
		paint();
		log.clear();
		EXPECT_EQ(key(c.virt, c.modifier), c.handled);
		EXPECT_NEAR(normalized(), c.expected, 1e-6);
		EXPECT_EQ(log, c.expected != c.start ? stepped : ControlLog());
		EXPECT_FALSE(knob->isEditing());
	}
}

// ---- Bounds ----

TEST_F(KnobTest, NewBoundsPullTheValueInAndMarkTheKnobForRedrawing)
{
	struct Case
	{
		const char* name;
		float value;
		float min;
		float max;
		float expected;
	};
	const Case cases[] = {
	    {"maximum below the value", 0.8f, 0.f, 0.5f, 0.5f},
	    {"minimum above the value", 0.2f, 0.4f, 1.f, 0.4f},
	    {"value inside", 0.5f, -1.f, 2.f, 0.5f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		knob->setValue(c.value);
		paint();
		knob->setMin(c.min);
		knob->setMax(c.max);
		EXPECT_EQ(knob->getValue(), c.expected);
		EXPECT_TRUE(knob->isDirty());
	}
	EXPECT_THAT(log, IsEmpty());
}

// ---- Leaving the tree ----

TEST_F(KnobTest, KnobLeavingTheTreeMidGestureLeavesNoEditOpen)
{
	enum Gesture
	{
		kDrag,
		kWheel
	};
	enum Removal
	{
		kPageFromFrame,
		kKnobFromPage,
		kKnobByItsListener,
		kPageByTheKnobsListener,
		kKnobWhenItsEditEnds,
	};
	struct Case
	{
		const char* name;
		Gesture gesture;
		Removal removal;
		bool keptAlive;
	};
	const Case cases[] = {
	    {"page switched during a drag", kDrag, kPageFromFrame, false},
	    {"page switched during a drag, knob still held", kDrag, kPageFromFrame, true},
	    {"knob removed during a drag", kDrag, kKnobFromPage, false},
	    {"knob removes itself on a change during a drag", kDrag, kKnobByItsListener, false},
	    {"knob removes itself on a change during a drag, still held", kDrag, kKnobByItsListener, true},
	    {"page switched by the knob's listener during a drag", kDrag, kPageByTheKnobsListener, false},
	    {"page switched during a wheel edit", kWheel, kPageFromFrame, false},
	    {"page switched during a wheel edit, knob still held", kWheel, kPageFromFrame, true},
	    {"knob removed during a wheel edit", kWheel, kKnobFromPage, false},
	    {"knob removes itself on a wheel change", kWheel, kKnobByItsListener, false},
	    {"page switched by the knob's listener on a wheel change", kWheel, kPageByTheKnobsListener, false},
	    {"knob removed by its listener as the drag ends", kDrag, kKnobWhenItsEditEnds, false},
	    {"knob removed by its listener as the wheel edit ends", kWheel, kKnobWhenItsEditEnds, false},
	    {"knob removed by its listener as the wheel edit ends, still held", kWheel, kKnobWhenItsEditEnds,
	     true},
	};
	editor.knobMode = 2;
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		// A fresh page and knob for each case.
		if (frame->isChild(page))
			frame->removeView(page);
		log.clear();
		addPageWithKnob();
		CKnob* doomed = knob;
		SharedPointer<CKnob> holder = c.keptAlive ? doomed : nullptr;
		paint();

		bool removed = false;
		auto remove = [&, removal = c.removal] {
			if (std::exchange(removed, true))
				return;
			if (removal == kPageFromFrame || removal == kPageByTheKnobsListener)
				frame->removeView(page);
			else
				page->removeView(doomed);
		};
		if (c.removal == kKnobByItsListener || c.removal == kPageByTheKnobsListener)
			listener.onChanged = [&](CControl*) { remove(); };
		if (c.removal == kKnobWhenItsEditEnds)
			listener.onEnd = [&](CControl*) { remove(); };

		if (c.gesture == kDrag)
		{
			press(CPoint(100, 100));
			move(CPoint(100, 80));
		}
		else
			wheel(1.f);
		if (c.removal != kKnobWhenItsEditEnds)
			remove();
		else if (c.gesture == kDrag)
			release(CPoint(100, 80));
		else
			platform->advance(500);
		EXPECT_TRUE(removed);
		listener.onChanged = nullptr;
		listener.onEnd = nullptr;
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
		EXPECT_EQ(count("main:begin"), 1u);
		EXPECT_EQ(count("main:end"), 1u);
		if (holder)
		{
			EXPECT_FALSE(holder->isEditing());
			EXPECT_FALSE(holder->isAttached());
		}

		// What the window sends afterwards reaches no edit.
		const ControlLog before = log;
		move(CPoint(100, 40));
		move(CPoint(100, 20));
		release(CPoint(100, 20));
		wheel(1.f);
		platform->advance(2000);
		EXPECT_EQ(log, before);
		if (holder)
		{
			CPoint where(100, 10);
			EXPECT_FALSE(holder->isEditing());
			EXPECT_EQ(holder->onMouseMoved(where, CButtonState(kLeftButton)), kMouseNotHandled);
		}
	}
}

TEST_F(KnobTest, DragCancelledByTheFrameRestoresTheValueItStartedFrom)
{
	editor.knobMode = 2;
	press(CPoint(100, 100));
	move(CPoint(100, 60));
	ASSERT_NEAR(normalized(), 0.4f, 1e-5);
	paint();
	log.clear();
	// A modal view takes the mouse away from the drag.
	auto modal = owned(new RecordingView(CRect(0, 0, 10, 10)));
	auto session = frame->beginModalViewSession(modal);
	ASSERT_TRUE(session);
	EXPECT_NEAR(normalized(), 0.2f, 1e-6);
	EXPECT_EQ(log, ControlLog({"main:changed", "editor:end 7", "main:end"}));
	frame->endModalViewSession(*session);
	move(CPoint(100, 20));
	release(CPoint(100, 20));
	EXPECT_EQ(log, ControlLog({"main:changed", "editor:end 7", "main:end"}));
}

TEST_F(KnobTest, CancelledDragRestoresTheValueOfThePressWithinTheRange)
{
	struct Case
	{
		const char* name;
		int32 knobMode;
		bool repaintPending;
		bool redrawnDuringTheDrag;
		float min;
		float max;
	};
	const Case cases[] = {
	    {"linear", 2, false, true, 0.f, 1.f},
	    {"linear, repaint pending at the press", 2, true, true, 0.f, 1.f},
	    {"linear, repaint pending, another range", 2, true, true, -50.f, 150.f},
	    {"circular", 0, false, true, 0.f, 1.f},
	    {"circular, repaint pending at the press", 0, true, false, -50.f, 150.f},
	};
	auto dialog = owned(new RecordingView(CRect(0, 0, 10, 10)));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		editor.knobMode = c.knobMode;
		reset(c.min, c.max);
		const float pressValue = knob->getValue();
		if (c.repaintPending)
			knob->setDirty(true);
		std::vector<float> reported;
		listener.onChanged = [&](CControl* control) { reported.push_back(control->getValue()); };
		press(CPoint(100, 60));
		move(CPoint(100, 20));
		ASSERT_NE(knob->getValue(), pressValue);
		if (c.redrawnDuringTheDrag)
			paint();
		// A dialog takes the mouse away from the drag.
		auto session = frame->beginModalViewSession(dialog);
		ASSERT_TRUE(session);
		frame->endModalViewSession(*session);
		listener.onChanged = nullptr;

		EXPECT_EQ(knob->getValue(), pressValue);
		ASSERT_FALSE(reported.empty());
		EXPECT_EQ(reported.back(), pressValue) << "the listeners hear the value restored";
		for (float v : reported)
		{
			EXPECT_GE(v, c.min);
			EXPECT_LE(v, c.max);
		}
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
		EXPECT_FALSE(knob->isEditing());
	}
}

TEST_F(KnobTest, SecondButtonDuringADragCancelsItAndEndsItsEdit)
{
	enum Kind
	{
		kPress,
		kMove,
		kRelease,
	};
	struct Step
	{
		Kind kind;
		uint32 buttons;
		double y;
	};
	struct Case
	{
		const char* name;
		std::vector<Step> steps;
	};
	const Case cases[] = {
	    {"right pressed and released before the left is released",
	     {{kPress, kLeftButton, 100.},
	      {kMove, kLeftButton, 80.},
	      {kPress, kLeftButton | kRightButton, 80.},
	      {kRelease, kRightButton, 80.},
	      {kRelease, kLeftButton, 80.}}},
	    {"a move with both buttons held",
	     {{kPress, kLeftButton, 100.},
	      {kMove, kLeftButton, 80.},
	      {kMove, kLeftButton | kRightButton, 70.},
	      {kRelease, kLeftButton, 70.}}},
	};
	editor.knobMode = 2;
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reset();
		for (const auto& step : c.steps)
		{
			const CPoint where(100., step.y);
			if (step.kind == kPress)
				press(where, step.buttons);
			else if (step.kind == kMove)
				move(where, step.buttons);
			else
				release(where, step.buttons);
		}
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
		EXPECT_TRUE(bracketsAreWellFormed(log));
		EXPECT_FALSE(knob->isEditing());
		EXPECT_NEAR(normalized(), 0.2f, 1e-6) << "the drag was cancelled";
		EXPECT_EQ(frame->getMouseDownView(), nullptr);
	}
}

// A listener may take the knob away, close the frame or open a dialog as an
// edit begins: whatever the gesture, each observer hears a whole bracket or
// none, and value changes only inside one.
TEST_F(KnobTest, ListenerActingAsAnEditBeginsLeavesEachObserverAWholeBracketOrNone)
{
	enum Gesture
	{
		kDrag,
		kWheel,
		kArrowKey,
		kDefaultValueClick,
	};
	enum Action
	{
		kRemove,
		kRemoveAndRelease,
		kMoveToAnotherPage,
		kCloseTheFrame,
		kOpenADialog,
	};
	const std::pair<Gesture, const char*> gestures[] = {
	    {kDrag, "drag"}, {kWheel, "wheel"}, {kArrowKey, "arrow key"}, {kDefaultValueClick, "default-value click"}};
	const std::pair<Action, const char*> actions[] = {{kRemove, "removes the knob"},
	                                                  {kRemoveAndRelease, "removes and releases the knob"},
	                                                  {kMoveToAnotherPage, "moves the knob to another page"},
	                                                  {kCloseTheFrame, "closes the frame"},
	                                                  {kOpenADialog, "opens a dialog"}};
	editor.knobMode = 2;
	LoggingListener sub {"sub", log};
	auto dialog = owned(new RecordingView(CRect(0, 0, 10, 10)));
	for (const auto& [gesture, gestureName] : gestures)
	{
		for (const auto& [action, actionName] : actions)
		{
			SCOPED_TRACE(std::string(gestureName) + ": the listener " + actionName);
			reopenFrame();
			auto otherPage = addOtherPage();
			knob->registerControlListener(&sub);
			if (gesture == kArrowKey)
				focusKnob();
			SharedPointer<CKnob> held = action == kRemoveAndRelease ? nullptr : knob;
			std::optional<uint32> session;
			bool acted = false;
			listener.onBegin = [&, action = action](CControl*) {
				if (std::exchange(acted, true))
					return;
				switch (action)
				{
					case kRemove:
					case kRemoveAndRelease:
						page->removeView(knob);
						break;
					case kMoveToAnotherPage:
						moveKnobTo(otherPage);
						break;
					case kCloseTheFrame:
						frame->close();
						break;
					case kOpenADialog:
						session = frame->beginModalViewSession(dialog);
						break;
				}
			};
			log.clear();
			switch (gesture)
			{
				case kDrag:
					press(CPoint(100, 100));
					move(CPoint(100, 80));
					release(CPoint(100, 80));
					break;
				case kWheel:
					wheel(1.f);
					platform->advance(500);
					break;
				case kArrowKey:
					key(kVKeyUp);
					break;
				case kDefaultValueClick:
					press(CPoint(100, 100), kLeftButton | kControlModifier);
					release(CPoint(100, 100), kLeftButton | kControlModifier);
					break;
			}
			listener.onBegin = nullptr;
			if (session)
				frame->endModalViewSession(*session);
			EXPECT_TRUE(acted);
			EXPECT_TRUE(bracketsAreWellFormed(log));
			if (held)
			{
				EXPECT_FALSE(held->isEditing());
			}

			// What the window sends afterwards reaches no edit.
			const ControlLog before = log;
			move(CPoint(100, 40));
			release(CPoint(100, 40));
			platform->advance(2000);
			EXPECT_EQ(log, before);
		}
	}
}

// A listener asked before the knob (one of its mouse listeners, or the
// modifier-click listener) may take it away: the press stays where it was
// made and the knob gets none of the gesture.
TEST_F(KnobTest, KnobTakenAwayBeforeItsPressGetsNoneOfTheGesture)
{
	enum Asker
	{
		kMouseListener,
		kModifierClickListener,
	};
	enum Action
	{
		kRemove,
		kRemoveAndRelease,
		kMoveToAnotherPage,
		kRemoveItsPage,
	};
	struct Case
	{
		const char* name;
		Asker asker;
		Action action;
	};
	const Case cases[] = {
	    {"mouse listener removes it", kMouseListener, kRemove},
	    {"mouse listener removes and releases it", kMouseListener, kRemoveAndRelease},
	    {"mouse listener moves it to another page", kMouseListener, kMoveToAnotherPage},
	    {"mouse listener removes its page", kMouseListener, kRemoveItsPage},
	    {"modifier-click listener removes it", kModifierClickListener, kRemove},
	    {"modifier-click listener removes and releases it", kModifierClickListener, kRemoveAndRelease},
	    {"modifier-click listener moves it to another page", kModifierClickListener, kMoveToAnotherPage},
	    {"modifier-click listener removes its page", kModifierClickListener, kRemoveItsPage},
	};
	struct PressListener : ViewMouseListenerAdapter
	{
		CMouseEventResult viewOnMouseDown(CView*, CPoint, CButtonState) override
		{
			onDown();
			return kMouseNotHandled;
		}
		std::function<void()> onDown;
	} mouseListener;
	editor.knobMode = 2;
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto otherPage = addOtherPage();
		SharedPointer<CKnob> held = c.action == kRemoveAndRelease ? nullptr : knob;
		bool acted = false;
		auto takeAway = [&] {
			if (std::exchange(acted, true))
				return;
			knob->unregisterViewMouseListener(&mouseListener);
			if (c.action == kMoveToAnotherPage)
				moveKnobTo(otherPage);
			else if (c.action == kRemoveItsPage)
				frame->removeView(page);
			else
				page->removeView(knob);
		};
		uint32 buttons = kLeftButton;
		if (c.asker == kMouseListener)
		{
			mouseListener.onDown = takeAway;
			knob->registerViewMouseListener(&mouseListener);
		}
		else
		{
			buttons |= kShiftModifier;
			listener.onModifierClick = [&](CControl*, CButtonState) {
				takeAway();
				return 0;
			};
		}
		press(CPoint(100, 100), buttons);
		listener.onModifierClick = nullptr;
		EXPECT_TRUE(acted);
		EXPECT_EQ(frame->getMouseDownView(), nullptr);
		if (held)
		{
			EXPECT_FALSE(held->isEditing());
		}
		move(CPoint(100, 60), buttons);
		release(CPoint(100, 60), buttons);
		EXPECT_THAT(log, IsEmpty());
	}
}

TEST_F(KnobTest, KnobCopiedMidDragSharesNothingOfTheDrag)
{
	editor.knobMode = 2;
	knob->setCoronaColor(kRedCColor);
	knob->setDrawStyle(CKnob::kCoronaDrawing | CKnob::kCoronaInverted);
	knob->setHandleLineWidth(3.);
	knob->setStartAngle(1.f);
	press(CPoint(100, 100));
	move(CPoint(100, 80));
	auto copy = owned(static_cast<CKnob*>(knob->cloneView()));
	EXPECT_FALSE(copy->isEditing());
	CPoint where(100, 60);
	EXPECT_EQ(copy->onMouseMoved(where, CButtonState(kLeftButton)), kMouseNotHandled);
	EXPECT_EQ(copy->getCoronaColor(), kRedCColor);
	EXPECT_EQ(copy->getDrawStyle(), CKnob::kCoronaDrawing | CKnob::kCoronaInverted);
	EXPECT_EQ(copy->getHandleLineWidth(), 3.);
	EXPECT_EQ(copy->getStartAngle(), 1.f);
	move(CPoint(100, 60));
	release(CPoint(100, 60));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
}

TEST(KnobDragState, KnobReleasedInTheMiddleOfADragFreesTheDragAndEndsItsEdit)
{
	ControlLog log;
	LoggingListener listener {"main", log};
	auto knob = new CKnob(CRect(0, 0, 100, 100), &listener, kTag);
	CPoint where(50, 10);
	ASSERT_EQ(knob->onMouseDown(where, CButtonState(kLeftButton)), kMouseHandled);
	ASSERT_TRUE(knob->isEditing());
	// The drag's record goes with the knob (the leak checker sees to that).
	knob->forget();
	EXPECT_EQ(log, ControlLog({"main:begin", "main:end"}));
}

// ---- Size and focus ----

TEST_F(KnobTest, SizeToFitTakesTheBitmapsSize)
{
	struct Case
	{
		const char* name;
		bool anim;
		CPoint bitmap; // (0, 0): no background
		double frameHeight;
		bool fits;
		CRect expected;
	};
	const Case cases[] = {
	    {"knob", false, CPoint(80, 60), 0., true, CRect(10, 20, 90, 80)},
	    {"knob without a background", false, CPoint(), 0., false, CRect(10, 20, 110, 120)},
	    {"film strip", true, CPoint(64, 64 * 31), 64., true, CRect(10, 20, 74, 84)},
	    {"film strip of other frames", true, CPoint(60, 40 * 31), 40., true, CRect(10, 20, 70, 60)},
	    {"film strip without a background", true, CPoint(), 40., false, CRect(10, 20, 110, 120)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		SharedPointer<CBitmap> bitmap;
		if (c.bitmap.x > 0.)
			bitmap = owned(new CBitmap(c.bitmap.x, c.bitmap.y));
		const CRect size(10, 20, 110, 120);
		SharedPointer<CKnobBase> view;
		if (c.anim)
			view = owned(new CAnimKnob(size, nullptr, 0, 31, c.frameHeight, bitmap));
		else
			view = owned(new CKnob(size, nullptr, 0, bitmap));
		EXPECT_EQ(view->sizeToFit(), c.fits);
		EXPECT_EQ(view->getViewSize(), c.expected);
		EXPECT_EQ(view->getMouseableArea(), c.expected);
	}
}

TEST_F(KnobTest, FocusRingFollowsTheCoronaWhenThereIsOne)
{
	struct Case
	{
		const char* name;
		int32 style;
		std::vector<CGraphicsPath::Element::Type> types;
		std::vector<CRect> rects;
	};
	const Case cases[] = {
	    {"corona", CKnob::kCoronaDrawing, {CGraphicsPath::Element::kEllipse}, {CRect(47, 37, 133, 123)}},
	    {"no corona",
	     0,
	     {CGraphicsPath::Element::kRect, CGraphicsPath::Element::kRect},
	     {kKnobRect, CRect(38, 28, 142, 132)}},
	};
	knob->setCoronaInset(5.);
	knob->setHandleLineWidth(4.);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		knob->setDrawStyle(c.style);
		auto focusPath = owned(new ElementPath);
		EXPECT_TRUE(knob->getFocusPath(*focusPath));
		std::vector<CGraphicsPath::Element::Type> types;
		std::vector<CRect> rects;
		for (const auto& element : focusPath->getElements())
		{
			types.push_back(element.type);
			rects.push_back(element.rect);
		}
		EXPECT_EQ(types, c.types);
		EXPECT_EQ(rects, c.rects);
	}
}

TEST(FilmStripHeight, FrameHeightFollowsTheViewWhenAskedTo)
{
	auto knob = owned(new CAnimKnob(CRect(0, 0, 40, 70), nullptr, 0, 5, 50., nullptr));
	knob->autoComputeHeightOfOneImage();
	EXPECT_EQ(knob->getHeightOfOneImage(), 70.);

	// A film-strip mix-in on something that is not a view keeps its height.
	struct NotAView : IMultiBitmapControl
	{
	} strip;
	strip.setHeightOfOneImage(12.);
	strip.autoComputeHeightOfOneImage();
	EXPECT_EQ(strip.getHeightOfOneImage(), 12.);
}

} // namespace
} // namespace Kavrin::Test
