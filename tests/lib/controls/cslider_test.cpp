#include "tests/support/controlrecording.h"
#include "tests/support/recording.h"

#include "lib/cbitmap.h"
#include "lib/controls/cslider.h"
#include "lib/moxkeycode.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/printers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::IsEmpty;
using Mode = CSliderMode;

constexpr int32 kTag = 7;
// The page's place in the frame, and the slider's in the page: the slider's
// top-left lies at (30, 50) in the frame. Sliders are 200 long and 20 thick
// with a 20 x 20 handle, which leaves 180 pixels of travel.
constexpr CRect kPageRect {10, 20, 290, 290};
constexpr CPoint kSliderOrigin {30, 50};
constexpr double kLength = 200.;
constexpr double kThickness = 20.;
constexpr double kTravel = 180.;

// Which way a slider runs: its orientation, and where its minimum lies.
struct Direction
{
	const char* name;
	bool horizontal;
	int32 style;
	// The handle's position along the screen is 1 - the normalized value.
	bool mirrored;
};

const Direction kLeftToRight {"left to right", true, CSliderBase::kLeft, false};
const Direction kRightToLeft {"right to left", true, CSliderBase::kRight, true};
const Direction kBottomToTop {"bottom to top", false, CSliderBase::kBottom, true};
const Direction kTopToBottom {"top to bottom", false, CSliderBase::kTop, false};
const Direction kDirections[] = {kLeftToRight, kRightToLeft, kBottomToTop, kTopToBottom};

// The normalized value that puts the handle at a position (0 at the left
// or top end of the travel, 1 at the other).
float valueAt(const Direction& direction, double position)
{
	return float(direction.mirrored ? 1. - position : position);
}

// A slider of the given direction and mode in a page of an open 300 x 300
// frame whose editor records the edit brackets. The slider stands at 0.5
// (its handle from 90 to 110 along the travel) and has been drawn. Input
// goes through the frame as a window would send it.
class SliderTest : public ::testing::Test
{
protected:
	SliderTest()
	{
		setPlatform(platform);
		openFrame();
	}
	~SliderTest() override
	{
		CSliderBase::setGlobalMode(Mode::kFreeClickMode);
		frame->close();
		setPlatform(nullptr);
	}

	void openFrame()
	{
		frame = new CFrame(CRect(0, 0, 300, 300), &editor);
		frameHolder = frame;
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		build(kLeftToRight, Mode::kFreeClickMode);
	}
	void reopenFrame()
	{
		frame->close();
		openFrame();
	}

	// A fresh page and slider, drawn, with an empty log.
	CSlider* build(const Direction& newDirection, Mode mode)
	{
		direction = newDirection;
		if (page && frame->isChild(page))
			frame->removeView(page);
		page = new CViewContainer(kPageRect);
		page->setTransparency(true);
		frame->addView(page);
		const CRect size = direction.horizontal ? CRect(20, 30, 20 + kLength, 30 + kThickness)
		                                        : CRect(20, 30, 20 + kThickness, 30 + kLength);
		auto handle = owned(new CBitmap(20, 20));
		if (direction.horizontal)
			slider = new CHorizontalSlider(size, &listener, kTag, CPoint(), int32(kTravel), handle, nullptr,
			                               CPoint(), direction.style);
		else
			slider = new CVerticalSlider(size, &listener, kTag, CPoint(), int32(kTravel), handle, nullptr,
			                             CPoint(), direction.style);
		slider->setSliderMode(mode);
		slider->setDefaultValue(0.25f);
		slider->setValue(0.5f);
		page->addView(slider);
		paint();
		log.clear();
		return slider;
	}
	// A second page along the bottom edge, away from where the tests press.
	CViewContainer* addOtherPage()
	{
		auto other = new CViewContainer(CRect(0, 290, 300, 300));
		frame->addView(other);
		return other;
	}

	// A point in the frame a distance along the slider's travel from its
	// start, and a distance across it from its edge (the middle by default).
	CPoint at(double along, double across = kThickness / 2.) const
	{
		return direction.horizontal ? kSliderOrigin + CPoint(along, across) : kSliderOrigin + CPoint(across, along);
	}
	// The handle's position along the screen, 0 to 1.
	double position() const
	{
		const double normalized = slider->getValueNormalized();
		return direction.mirrored ? 1. - normalized : normalized;
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
	// The wheel along the slider's own axis unless told otherwise.
	bool wheel(float distance, uint32 buttons = 0, std::optional<CMouseWheelAxis> axis = std::nullopt)
	{
		const CMouseWheelAxis along = direction.horizontal ? kWheelAxisX : kWheelAxisY;
		return frame->platformOnMouseWheel(at(100.), axis.value_or(along), distance, CButtonState(buttons));
	}
	bool key(uint8 virt, uint8 modifier = 0)
	{
		MoxKeyCode code;
		code.virt = virt;
		code.modifier = modifier;
		return frame->platformOnKeyDown(code);
	}
	void focusSlider()
	{
		frame->platformOnActivate(true);
		frame->setFocusView(slider);
		ASSERT_EQ(frame->getFocusView(), slider);
	}
	void paint() { window->drawRect(CRect(0, 0, 300, 300)); }
	// Runs the ramp for a number of its 16 ms ticks.
	void ticks(int count) { platform->advance(uint32(16 * count)); }

	size_t count(const std::string& entry) const { return size_t(std::count(log.begin(), log.end(), entry)); }
	ControlLog editorLog() const
	{
		ControlLog result;
		std::copy_if(log.begin(), log.end(), std::back_inserter(result),
		             [](const std::string& entry) { return entry.rfind("editor:", 0) == 0; });
		return result;
	}
	static ControlLog oneEdit() { return {"editor:begin 7", "editor:end 7"}; }

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	ControlLog log;
	LoggingEditor editor {log};
	LoggingListener listener {"main", log};
	CFrame* frame {nullptr};
	SharedPointer<CFrame> frameHolder;
	CViewContainer* page {nullptr};
	CSlider* slider {nullptr};
	Direction direction {kLeftToRight};
	HeadlessFrame* window {nullptr};
	int parent {0};
};

// ---- Geometry ----

TEST(SliderGeometry, TravelIsTheLengthLeftOverByTheHandleAndItsOffsets)
{
	setPlatform(owned(new HeadlessPlatform));
	struct Case
	{
		const char* name;
		CRect size;
		int32 style;
		CPoint handle;
		CPoint offsetHandle;
		double travel;
		// The handle at 0.5, in the parent's coordinates.
		CRect handleRect;
	};
	const Case cases[] = {
	    {"horizontal", CRect(0, 0, 200, 20), CSliderBase::kHorizontal, CPoint(20, 20), CPoint(), 180.,
	     CRect(90, 0, 110, 20)},
	    {"horizontal, moved", CRect(50, 60, 250, 80), CSliderBase::kHorizontal, CPoint(20, 20), CPoint(), 180.,
	     CRect(140, 60, 160, 80)},
	    {"horizontal with a handle offset", CRect(0, 0, 200, 30), CSliderBase::kHorizontal, CPoint(20, 10),
	     CPoint(5, 8), 170., CRect(90, 8, 110, 18)},
	    {"vertical", CRect(0, 0, 20, 200), CSliderBase::kVertical | CSliderBase::kTop, CPoint(20, 20), CPoint(),
	     180., CRect(0, 90, 20, 110)},
	    {"vertical, minimum at the bottom", CRect(10, 10, 30, 210), CSliderBase::kVertical | CSliderBase::kBottom,
	     CPoint(16, 30), CPoint(2, 4), 162., CRect(12, 95, 28, 125)},
	    {"no handle", CRect(0, 0, 200, 20), CSliderBase::kHorizontal, CPoint(), CPoint(), 199.,
	     CRect(99, 0, 100, 1)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		SharedPointer<CBitmap> handle;
		if (c.handle.x > 0.)
			handle = owned(new CBitmap(c.handle.x, c.handle.y));
		auto slider = owned(new CSlider(c.size, nullptr, 0, CPoint(), 0, handle, nullptr, CPoint(), c.style));
		// The travel follows the view's size, then the handle's offset.
		slider->setViewSize(c.size);
		slider->setOffsetHandle(c.offsetHandle);
		slider->setViewSize(c.size);
		EXPECT_EQ(slider->getHandleRange(), c.travel);
		EXPECT_EQ(slider->calculateHandleRect(0.5f), c.handleRect);
	}
	setPlatform(nullptr);
}

TEST(SliderGeometry, HandleTravelsFromTheFirstToTheLastPositionGiven)
{
	setPlatform(owned(new HeadlessPlatform));
	// The handle's leading edge travels from x = 120 to 260 of a slider
	// that spans 100 to 300.
	auto handle = owned(new CBitmap(20, 20));
	auto slider = owned(new CSlider(CRect(100, 0, 300, 20), nullptr, 0, 120, 260, handle));
	EXPECT_EQ(slider->getHandleRange(), 140.);
	EXPECT_EQ(slider->calculateHandleRect(0.f), CRect(120, 0, 140, 20));
	EXPECT_EQ(slider->calculateHandleRect(0.5f), CRect(190, 0, 210, 20));
	EXPECT_EQ(slider->calculateHandleRect(1.f), CRect(260, 0, 280, 20));

	// A click puts the handle's centre under the pointer.
	CPoint where(199, 10);
	EXPECT_EQ(slider->onMouseDown(where, CButtonState(kLeftButton)), kMouseHandled);
	EXPECT_FLOAT_EQ(slider->getValueNormalized(), 0.5f);
	where = CPoint(129, 10);
	slider->onMouseMoved(where, CButtonState(kLeftButton));
	EXPECT_FLOAT_EQ(slider->getValueNormalized(), 0.f);
	where = CPoint(269, 10);
	slider->onMouseMoved(where, CButtonState(kLeftButton));
	EXPECT_FLOAT_EQ(slider->getValueNormalized(), 1.f);
	slider->onMouseUp(where, CButtonState(kLeftButton));
	setPlatform(nullptr);
}

TEST(SliderGeometry, HandleTakenAwayLeavesTheTravelOfOnePixel)
{
	setPlatform(owned(new HeadlessPlatform));
	auto slider = owned(new CSlider(CRect(0, 0, 200, 20), nullptr, 0, CPoint(), 180, owned(new CBitmap(20, 20))));
	slider->setHandle(nullptr);
	EXPECT_EQ(slider->getHandleRange(), 199.);
	EXPECT_EQ(slider->calculateHandleRect(1.f), CRect(199, 0, 200, 1));
	slider->setHandle(owned(new CBitmap(10, 20)));
	EXPECT_EQ(slider->getHandleRange(), 190.);
	EXPECT_EQ(slider->calculateHandleRect(1.f), CRect(190, 0, 200, 20));
	setPlatform(nullptr);
}

TEST(SliderGeometry, ValueThatIsNotANumberShowsTheHandleAtTheStart)
{
	auto slider = owned(new CSlider(CRect(0, 0, 200, 20), nullptr, 0, CPoint(), 180));
	EXPECT_EQ(slider->calculateHandleRect(std::nanf("")), slider->calculateHandleRect(0.f));
}

// ---- Settings ----

TEST(SliderSettings, StylesWithoutExactlyOneOrientationAreReportedAndKept)
{
	struct Case
	{
		int32 style;
		bool reported;
	};
	const Case cases[] = {
	    {CSliderBase::kHorizontal, false},
	    {CSliderBase::kVertical | CSliderBase::kBottom, false},
	    {0, true},
	    {CSliderBase::kLeft, true},
	    {CSliderBase::kHorizontal | CSliderBase::kVertical, true},
	};
	auto slider = owned(new CSlider(CRect(0, 0, 200, 20), nullptr, 0, CPoint(), 180));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.style);
		AssertionRecorder assertions;
		slider->setStyle(c.style);
		EXPECT_EQ(slider->getStyle(), c.style);
		EXPECT_EQ(assertions.has("lib/controls/cslider", "125"), c.reported);
		if (c.reported)
		{
			ASSERT_EQ(assertions.reports.size(), 1u);
			EXPECT_EQ(assertions.reports[0].description, "");
		}
	}
}

TEST(SliderSettings, SliderOfTheGlobalModeFollowsTheClassWideMode)
{
	auto slider = owned(new CSlider(CRect(0, 0, 200, 20), nullptr, 0, CPoint(), 180));
	EXPECT_EQ(slider->getSliderMode(), Mode::kUseGlobal);
	EXPECT_EQ(CSliderBase::getGlobalMode(), Mode::kFreeClickMode);
	EXPECT_EQ(slider->getEffectiveSliderMode(), Mode::kFreeClickMode);
	CSliderBase::setGlobalMode(Mode::kRampMode);
	EXPECT_EQ(slider->getEffectiveSliderMode(), Mode::kRampMode);
	slider->setSliderMode(Mode::kTouchMode);
	EXPECT_EQ(slider->getEffectiveSliderMode(), Mode::kTouchMode);
	{
		AssertionRecorder assertions;
		CSliderBase::setGlobalMode(Mode::kUseGlobal);
		ASSERT_EQ(assertions.reports.size(), 1u);
		EXPECT_EQ(assertions.reports[0].file, "lib/controls/cslider");
		EXPECT_EQ(assertions.reports[0].line, "197");
		EXPECT_EQ(assertions.reports[0].description, "do not set the global mode to use global");
		EXPECT_EQ(CSliderBase::getGlobalMode(), Mode::kUseGlobal);
	}
	CSliderBase::setGlobalMode(Mode::kFreeClickMode);
}

TEST(SliderSettings, CopyKeepsTheSettingsAndShowsTheSameHandle)
{
	setPlatform(owned(new HeadlessPlatform));
	auto handle = owned(new CBitmap(20, 10));
	auto slider = owned(new CSlider(CRect(10, 0, 210, 30), nullptr, 3, CPoint(4, 6), 150, handle, nullptr,
	                                CPoint(7, 8), CSliderBase::kHorizontal | CSliderBase::kRight));
	slider->setSliderMode(Mode::kRampMode);
	slider->setZoomFactor(4.f);
	slider->setDrawStyle(CSlider::kDrawBack | CSlider::kDrawValue);
	slider->setFrameWidth(-1.);
	slider->setValueColor(kRedCColor);
	slider->setValue(0.3f);
	auto copy = owned(static_cast<CSlider*>(slider->cloneView()));
	EXPECT_EQ(copy->getSliderMode(), Mode::kRampMode);
	EXPECT_EQ(copy->getZoomFactor(), 4.f);
	EXPECT_EQ(copy->getStyle(), slider->getStyle());
	EXPECT_EQ(copy->getOffsetHandle(), CPoint(4, 6));
	EXPECT_EQ(copy->getHandleRange(), 150.);
	EXPECT_EQ(copy->getHandle(), handle.get());
	EXPECT_EQ(copy->getBackgroundOffset(), CPoint(7, 8));
	EXPECT_EQ(copy->getDrawStyle(), CSlider::kDrawBack | CSlider::kDrawValue);
	EXPECT_EQ(copy->getFrameWidth(), -1.);
	EXPECT_EQ(copy->getValueColor(), kRedCColor);
	EXPECT_EQ(copy->calculateHandleRect(0.3f), slider->calculateHandleRect(0.3f));
	EXPECT_TRUE(copy->wantsFocus());
	setPlatform(nullptr);
}

TEST(SliderSettings, SizeToFitTakesTheBackgroundsSizeAndRefitsTheTravel)
{
	setPlatform(owned(new HeadlessPlatform));
	auto handle = owned(new CBitmap(10, 16));
	auto background = owned(new CBitmap(120, 16));
	auto slider = owned(new CSlider(CRect(10, 20, 210, 40), nullptr, 0, CPoint(), 190, handle, background));
	EXPECT_TRUE(slider->sizeToFit());
	EXPECT_EQ(slider->getViewSize(), CRect(10, 20, 130, 36));
	EXPECT_EQ(slider->getMouseableArea(), CRect(10, 20, 130, 36));
	EXPECT_EQ(slider->getHandleRange(), 110.);

	auto bare = owned(new CSlider(CRect(10, 20, 210, 40), nullptr, 0, CPoint(), 190, handle));
	EXPECT_FALSE(bare->sizeToFit());
	EXPECT_EQ(bare->getViewSize(), CRect(10, 20, 210, 40));
	setPlatform(nullptr);
}

// ---- Dragging ----

TEST_F(SliderTest, DragMovesTheValueAsTheModeSaysInEveryDirection)
{
	struct Case
	{
		const char* name;
		Mode mode;
		double press; // along the travel, from the slider's start
		std::vector<double> moves;
		// Where the handle ends up along the screen; none: the press is
		// refused and the value stays.
		std::optional<double> position;
	};
	// The handle starts at 0.5, from 90 to 110 along the travel.
	const Case cases[] = {
	    {"free click: the handle's centre jumps under the pointer", Mode::kFreeClickMode, 150., {}, 141. / 180.},
	    {"free click: and follows it", Mode::kFreeClickMode, 150., {60.}, 51. / 180.},
	    {"free click: clamped past the end", Mode::kFreeClickMode, 150., {400.}, 1.},
	    {"free click: clamped before the start", Mode::kFreeClickMode, 150., {-50.}, 0.},
	    {"the global mode", Mode::kUseGlobal, 150., {60.}, 51. / 180.},
	    {"touch: the handle follows the pointer", Mode::kTouchMode, 100., {130.}, 120. / 180.},
	    {"touch: grabbed at its leading edge", Mode::kTouchMode, 90., {60.}, 60. / 180.},
	    {"touch: a press off the handle is refused", Mode::kTouchMode, 150., {60.}, std::nullopt},
	    {"touch: its trailing edge is off it", Mode::kTouchMode, 110., {60.}, std::nullopt},
	    {"relative touch: grabbed off the handle", Mode::kRelativeTouchMode, 150., {120.}, 60. / 180.},
	    {"relative touch: grabbed on the handle", Mode::kRelativeTouchMode, 100., {160.}, 150. / 180.},
	    {"relative touch: the press alone moves nothing", Mode::kRelativeTouchMode, 20., {}, 0.5},
	    {"ramp: the handle itself is dragged", Mode::kRampMode, 100., {130.}, 120. / 180.},
	};
	for (const auto& dir : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(dir.name) + ", " + c.name);
			build(dir, c.mode);
			const auto pressed = press(at(c.press));
			for (double along : c.moves)
				move(at(along));
			release(at(c.moves.empty() ? c.press : c.moves.back()));
			if (c.position)
			{
				EXPECT_EQ(pressed, kMouseHandled);
				EXPECT_NEAR(slider->getValueNormalized(), valueAt(dir, *c.position), 1e-5);
				EXPECT_EQ(editorLog(), oneEdit());
				EXPECT_EQ(count("main:begin"), 1u);
				EXPECT_EQ(count("main:end"), 1u);
			}
			else
			{
				EXPECT_EQ(pressed, kMouseDownHandledNoMoveOrUp);
				EXPECT_EQ(slider->getValueNormalized(), 0.5f);
				EXPECT_THAT(log, IsEmpty());
			}
			EXPECT_TRUE(bracketsAreWellFormed(log));
			EXPECT_FALSE(slider->isEditing());
			EXPECT_EQ(slider->getSliderMode(), c.mode) << "a press leaves the slider's mode alone";
		}
	}
}

TEST_F(SliderTest, RampMovesTheValueATenthOfTheWheelIncrementEachTickAndStopsOnThePointer)
{
	for (const auto& dir : kDirections)
	{
		SCOPED_TRACE(dir.name);
		build(dir, Mode::kRampMode);
		const size_t timersBefore = platform->getRunningTimerCount();
		EXPECT_EQ(press(at(150.)), kMouseHandled);
		EXPECT_EQ(slider->getValueNormalized(), 0.5f) << "the press alone moves nothing";
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore + 1);
		// The handle's centre (-1) is to reach 150: position 141 / 180.
		for (int tick = 1; tick <= 28; ++tick)
		{
			ticks(1);
			ASSERT_NEAR(position(), 0.5 + 0.01 * tick, 1e-4) << "tick " << tick;
		}
		ticks(1);
		EXPECT_NEAR(position(), 141. / 180., 1e-6) << "the last tick stops exactly on the pointer";
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		ticks(10);
		EXPECT_NEAR(position(), 141. / 180., 1e-6);
		// From there the handle's centre follows the pointer.
		move(at(160.));
		EXPECT_NEAR(position(), 151. / 180., 1e-5);
		release(at(160.));
		EXPECT_EQ(editorLog(), oneEdit());
		EXPECT_EQ(count("main:changed"), 30u);
		EXPECT_FALSE(slider->isEditing());
	}
}

TEST_F(SliderTest, RampTurnsRoundWhenThePointerMovesToTheOtherSide)
{
	for (const auto& dir : kDirections)
	{
		SCOPED_TRACE(dir.name);
		build(dir, Mode::kRampMode);
		press(at(150.));
		ticks(5);
		ASSERT_NEAR(position(), 0.55, 1e-4);
		// The pointer moves behind the handle: the ramp heads for it.
		move(at(20.));
		EXPECT_NEAR(position(), 0.55, 1e-4) << "a move during the ramp only moves its target";
		ticks(1);
		EXPECT_NEAR(position(), 0.54, 1e-4);
		ticks(100);
		EXPECT_NEAR(position(), 11. / 180., 1e-6);
		release(at(20.));
		EXPECT_EQ(editorLog(), oneEdit());
	}
}

TEST_F(SliderTest, RampIsOverAtTheRelease)
{
	build(kLeftToRight, Mode::kRampMode);
	const size_t timersBefore = platform->getRunningTimerCount();
	press(at(150.));
	ticks(3);
	release(at(150.));
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	const float released = slider->getValueNormalized();
	ticks(50);
	EXPECT_EQ(slider->getValueNormalized(), released);
	EXPECT_NEAR(released, 0.53f, 1e-4);
	EXPECT_EQ(editorLog(), oneEdit());
}

TEST_F(SliderTest, VerticalSliderWithoutADirectionRunsFromTheTopThroughoutItsInput)
{
	// Neither kTop nor kBottom: the minimum is drawn at the top, so keys,
	// the wheel and the ramp move the handle the way they say on screen.
	const Direction unset {"vertical without a direction", false, 0, false};
	build(unset, Mode::kRampMode);
	EXPECT_EQ(slider->getStyle(), CSliderBase::kVertical);
	EXPECT_TRUE(slider->isInverseStyle());
	slider->setValue(0.f);
	EXPECT_EQ(slider->calculateHandleRect(0.f).top, slider->getViewSize().top) << "the minimum at the top";

	slider->setValue(0.5f);
	focusSlider();
	key(kVKeyUp);
	EXPECT_NEAR(position(), 0.4, 1e-6) << "Up moves the handle up";
	key(kVKeyDown);
	EXPECT_NEAR(position(), 0.5, 1e-6);
	wheel(1.f);
	EXPECT_NEAR(position(), 0.4, 1e-6) << "the wheel turned up moves the handle up";
	platform->advance(500);
	log.clear();

	// A ramp towards a point below the handle moves down a step at a time.
	press(at(150.));
	ticks(1);
	EXPECT_NEAR(position(), 0.41, 1e-4);
	ticks(2);
	EXPECT_NEAR(position(), 0.43, 1e-4);
	release(at(150.));
	EXPECT_EQ(editorLog(), oneEdit());
}

TEST_F(SliderTest, PressWithAnyButtonButTheLeftAloneIsNotTaken)
{
	for (Mode mode : {Mode::kFreeClickMode, Mode::kRelativeTouchMode, Mode::kRampMode})
	{
		build(kLeftToRight, mode);
		for (uint32 buttons : {uint32(kRightButton), uint32(kMiddleButton), uint32(kLeftButton | kRightButton),
		                       uint32(kLeftButton | kMiddleButton), uint32(0)})
		{
			SCOPED_TRACE(::testing::Message() << int(mode) << ", buttons " << buttons);
			EXPECT_EQ(press(at(150.), buttons), kMouseNotHandled);
			move(at(30.), buttons);
			release(at(30.), buttons);
			ticks(50);
			EXPECT_FALSE(slider->isEditing());
		}
		EXPECT_THAT(log, IsEmpty());
		EXPECT_EQ(slider->getValueNormalized(), 0.5f);
	}
}

TEST_F(SliderTest, SecondButtonDuringADragCancelsItAndEndsItsEdit)
{
	for (Mode mode : {Mode::kFreeClickMode, Mode::kRelativeTouchMode, Mode::kRampMode})
	{
		for (bool secondPress : {false, true})
		{
			SCOPED_TRACE(::testing::Message() << int(mode) << (secondPress ? ", second press" : ", move"));
			build(kLeftToRight, mode);
			press(at(150.));
			move(at(140.));
			ticks(2);
			if (secondPress)
			{
				press(at(140.), kLeftButton | kRightButton);
				release(at(140.), kRightButton);
			}
			else
				move(at(130.), kLeftButton | kRightButton);
			release(at(130.));
			ticks(50);
			EXPECT_EQ(editorLog(), oneEdit());
			EXPECT_TRUE(bracketsAreWellFormed(log));
			EXPECT_FALSE(slider->isEditing());
			EXPECT_EQ(slider->getValueNormalized(), 0.5f) << "the drag was cancelled";
			EXPECT_EQ(frame->getMouseDownView(), nullptr);
		}
	}
}

TEST_F(SliderTest, CancelledDragRestoresTheValueOfThePress)
{
	auto dialog = owned(new RecordingView(CRect(0, 0, 10, 10)));
	for (Mode mode : {Mode::kFreeClickMode, Mode::kRelativeTouchMode, Mode::kRampMode})
	{
		for (bool redrawn : {false, true})
		{
			SCOPED_TRACE(::testing::Message() << int(mode) << (redrawn ? ", redrawn" : ""));
			build(kBottomToTop, mode);
			const size_t timersBefore = platform->getRunningTimerCount();
			std::vector<float> reported;
			listener.onChanged = [&](CControl* control) { reported.push_back(control->getValue()); };
			press(at(150.));
			move(at(160.));
			ticks(3);
			ASSERT_NE(slider->getValue(), 0.5f);
			if (redrawn)
				paint();
			// A dialog takes the mouse away from the drag.
			auto session = frame->beginModalViewSession(dialog);
			ASSERT_TRUE(session);
			frame->endModalViewSession(*session);
			listener.onChanged = nullptr;
			EXPECT_EQ(slider->getValue(), 0.5f);
			ASSERT_FALSE(reported.empty());
			EXPECT_EQ(reported.back(), 0.5f) << "the listeners hear the value restored";
			EXPECT_EQ(editorLog(), oneEdit());
			EXPECT_EQ(platform->getRunningTimerCount(), timersBefore) << "no ramp goes on";
			ticks(20);
			EXPECT_EQ(slider->getValue(), 0.5f);
		}
	}
}

// ---- Fine adjustment ----

TEST_F(SliderTest, FineDragMovesByTheZoomFactorLessFromWhereTheModifierWentDown)
{
	struct Case
	{
		const char* name;
		Mode mode;
		float zoomFactor;
		double press;
		bool shiftAtThePress;
		// Each step: a move along the travel, whether Shift is held, and
		// where the handle then is along the screen.
		struct Step
		{
			double along;
			bool shift;
			double position;
		};
		std::vector<Step> steps;
	};
	const Case cases[] = {
	    // Pressed at the handle's centre (100, less one): 90 pixels more is
	    // half the travel, a tenth of which is 0.05.
	    {"free click, shift from the press", Mode::kFreeClickMode, 10.f, 99., true,
	     {{99., true, 0.5}, {189., true, 0.55}, {144., true, 0.525}}},
	    {"free click, another zoom factor", Mode::kFreeClickMode, 4.f, 99., true, {{189., true, 0.625}}},
	    // Relative from 60 (30 before the handle's leading edge).
	    {"relative, shift pressed and released mid-drag",
	     Mode::kRelativeTouchMode,
	     10.f,
	     60.,
	     false,
	     {{70., false, 100. / 180.},
	      {70., true, 100. / 180.},
	      {106., true, 100. / 180. + 0.02},
	      {124., true, 100. / 180. + 0.03},
	      // Released: the handle catches up with the pointer.
	      {124., false, 154. / 180.},
	      {134., false, 164. / 180.}}},
	    // The whole way from the press counts fine when Shift comes with
	    // the first move.
	    {"relative, shift pressed twice", Mode::kRelativeTouchMode, 10.f, 60., false,
	     {{70., true, 0.5 + 10. / 1800.},
	      {106., true, 0.5 + 46. / 1800.},
	      {106., false, 136. / 180.},
	      {110., false, 140. / 180.},
	      {110., true, 140. / 180.},
	      {20., true, 140. / 180. - 0.05}}},
	    {"touch, shift mid-drag", Mode::kTouchMode, 2.f, 100., false,
	     {{110., false, 100. / 180.}, {110., true, 100. / 180.}, {146., true, 100. / 180. + 0.1}}},
	};
	for (const auto& dir : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(dir.name) + ", " + c.name);
			build(dir, c.mode);
			slider->setZoomFactor(c.zoomFactor);
			const uint32 pressButtons = kLeftButton | (c.shiftAtThePress ? uint32(kShiftModifier) : 0u);
			EXPECT_EQ(press(at(c.press), pressButtons), kMouseHandled);
			EXPECT_EQ(slider->getValueNormalized(), 0.5f);
			for (const auto& step : c.steps)
			{
				SCOPED_TRACE(::testing::Message() << "at " << step.along << (step.shift ? " with shift" : ""));
				move(at(step.along), kLeftButton | (step.shift ? uint32(kShiftModifier) : 0u));
				EXPECT_NEAR(position(), step.position, 1e-5);
			}
			release(at(c.steps.back().along));
			EXPECT_EQ(editorLog(), oneEdit());
		}
	}
}

TEST_F(SliderTest, FineDragAnchoredAtTheEndOfARangeStartingAtTwoStaysAnchored)
{
	// Normalized 1 is 2 - 1 here: an anchor there is an anchor like any other.
	build(kLeftToRight, Mode::kRelativeTouchMode);
	slider->setMin(2.f);
	slider->setMax(3.f);
	slider->setValue(2.5f);
	press(at(100.));
	move(at(190.));
	ASSERT_EQ(slider->getValue(), 3.f);
	const uint32 fine = kLeftButton | kShiftModifier;
	move(at(190.), fine);
	move(at(100.), fine);
	EXPECT_NEAR(slider->getValue(), 2.95f, 1e-5);
	move(at(10.), fine);
	EXPECT_NEAR(slider->getValue(), 2.9f, 1e-5);
	release(at(10.), fine);
	EXPECT_EQ(editorLog(), oneEdit());
}

TEST_F(SliderTest, DraggingAwayAcrossTheSliderMakesItFinerWhenTheZoomIsAlwaysOn)
{
	CSliderBase::kAlwaysUseZoomFactor = true;
	for (const auto& dir : {kLeftToRight, kBottomToTop})
	{
		SCOPED_TRACE(dir.name);
		build(dir, Mode::kRelativeTouchMode);
		press(at(100.));
		move(at(100.));
		move(at(130.));
		EXPECT_NEAR(position(), 120. / 180., 1e-5) << "close to the slider a drag is not fine";
		EXPECT_EQ(slider->getZoomFactor(), 1.f);
		// Three times the slider's thickness away from the press.
		move(at(130., 10. + 60.));
		EXPECT_EQ(slider->getZoomFactor(), 3.f);
		EXPECT_NEAR(position(), 120. / 180., 1e-5) << "the value does not jump";
		move(at(160., 10. + 60.));
		EXPECT_NEAR(position(), 120. / 180. + 30. / 180. / 3., 1e-5);
		// Five and a half times away: the zoom goes in tenths.
		move(at(160., 10. - 110.));
		EXPECT_EQ(slider->getZoomFactor(), 5.5f);
		release(at(160., 10. - 110.));
		EXPECT_EQ(editorLog(), oneEdit());
	}
	CSliderBase::kAlwaysUseZoomFactor = false;
}

TEST(SliderFineMode, ZoomFactorThatDividesNothingLeavesTheDragAsItIs)
{
	for (float zoom : {0.f, -2.f, std::nanf("")})
	{
		SCOPED_TRACE(zoom);
		auto slider = owned(new CSlider(CRect(0, 0, 200, 20), nullptr, 0, CPoint(), 180));
		slider->setSliderMode(Mode::kRelativeTouchMode);
		slider->setZoomFactor(zoom);
		slider->setValue(0.5f);
		CPoint where(100, 10);
		const CButtonState fine(kLeftButton | kShiftModifier);
		slider->onMouseDown(where, fine);
		where = CPoint(136, 10);
		slider->onMouseMoved(where, fine);
		EXPECT_NEAR(slider->getValueNormalized(), 0.7f, 1e-5);
		slider->onMouseUp(where, fine);
	}
}

TEST(SliderFineMode, SliderWithoutTravelKeepsItsValue)
{
	// A slider as short as its handle: nothing to travel along.
	auto platform = owned(new HeadlessPlatform);
	setPlatform(platform);
	for (Mode mode : {Mode::kFreeClickMode, Mode::kRelativeTouchMode, Mode::kRampMode})
	{
		SCOPED_TRACE(int(mode));
		auto slider = owned(new CSlider(CRect(0, 0, 20, 20), nullptr, 0, CPoint(), 0, owned(new CBitmap(20, 20))));
		EXPECT_EQ(slider->getHandleRange(), 0.);
		slider->setSliderMode(mode);
		slider->setValue(0.3f);
		CPoint where(30, 10);
		slider->onMouseDown(where, CButtonState(kLeftButton));
		where = CPoint(9, 10);
		slider->onMouseMoved(where, CButtonState(kLeftButton));
		platform->advance(500);
		EXPECT_EQ(slider->getValue(), 0.3f);
		slider->onMouseUp(where, CButtonState(kLeftButton));
	}
	setPlatform(nullptr);
}

// ---- Default value ----

TEST_F(SliderTest, DefaultValueGestureRestoresTheDefaultInOneEditAndStartsNoDrag)
{
	struct Case
	{
		const char* name;
		Mode mode;
		double press;
		uint32 buttons;
		bool restores;
	};
	const Case cases[] = {
	    {"control-click", Mode::kFreeClickMode, 150., kLeftButton | kControlModifier, true},
	    {"double click", Mode::kFreeClickMode, 150., kLeftButton | kDoubleClick, true},
	    {"double click with shift", Mode::kFreeClickMode, 150., kLeftButton | kDoubleClick | kShiftModifier, true},
	    {"control-click on the handle in touch mode", Mode::kTouchMode, 100., kLeftButton | kControlModifier, true},
	    {"control-click on the handle in relative mode", Mode::kRelativeTouchMode, 100.,
	     kLeftButton | kControlModifier, true},
	    {"control-click off the handle in ramp mode", Mode::kRampMode, 150., kLeftButton | kControlModifier, true},
	};
	const ControlLog restored {"main:begin", "editor:begin 7", "main:changed", "editor:end 7", "main:end"};
	for (const auto& dir : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(dir.name) + ", " + c.name);
			build(dir, c.mode);
			EXPECT_EQ(press(at(c.press), c.buttons), kMouseDownHandledNoMoveOrUp);
			EXPECT_EQ(slider->getValue(), 0.25f);
			move(at(30.), c.buttons);
			release(at(30.), c.buttons);
			ticks(50);
			EXPECT_EQ(slider->getValue(), 0.25f) << "no drag follows";
			EXPECT_EQ(log, restored);
		}
	}
}

TEST_F(SliderTest, DefaultValueGestureOffTheHandleIsAPressLikeAnyOtherInRelativeAndTouchMode)
{
	// Relative touch: a drag. Touch: refused.
	build(kLeftToRight, Mode::kRelativeTouchMode);
	const uint32 buttons = kLeftButton | kControlModifier;
	EXPECT_EQ(press(at(150.), buttons), kMouseHandled);
	move(at(160.), buttons);
	release(at(160.), buttons);
	EXPECT_NEAR(position(), 100. / 180., 1e-5);
	EXPECT_EQ(editorLog(), oneEdit());

	build(kLeftToRight, Mode::kTouchMode);
	EXPECT_EQ(press(at(150.), buttons), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(slider->getValue(), 0.5f);
	EXPECT_THAT(log, IsEmpty());
}

TEST_F(SliderTest, DefaultValueGestureAtTheDefaultSendsNothing)
{
	build(kLeftToRight, Mode::kFreeClickMode);
	slider->setValue(0.25f);
	paint();
	log.clear();
	EXPECT_EQ(press(at(150.), kLeftButton | kControlModifier), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(slider->getValue(), 0.25f);
	EXPECT_THAT(log, IsEmpty());
}

// ---- Wheel ----

TEST_F(SliderTest, WheelAlongTheSliderStepsTheValueInOneEditThatEndsAfterAPause)
{
	struct Case
	{
		const char* name;
		float distance;
		uint32 modifiers;
		float wheelInc;
		double position; // from 0.5
	};
	const Case cases[] = {
	    {"one notch", 1.f, 0, 0.1f, 0.6},
	    {"one notch back", -1.f, 0, 0.1f, 0.4},
	    {"shift is fine", 1.f, kShiftModifier, 0.1f, 0.51},
	    {"larger increment", 2.f, 0, 0.2f, 0.9},
	    {"clamped", 10.f, 0, 0.1f, 1.},
	};
	for (const auto& dir : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(dir.name) + ", " + c.name);
			build(dir, Mode::kFreeClickMode);
			slider->setWheelInc(c.wheelInc);
			EXPECT_TRUE(wheel(c.distance, c.modifiers));
			// The value grows to the right and upwards.
			const double grows = dir.horizontal != dir.mirrored ? c.position : 1. - c.position;
			EXPECT_NEAR(slider->getValueNormalized(), grows, 1e-6);
			EXPECT_EQ(log, ControlLog({"main:begin", "editor:begin 7", "main:changed"}));
			platform->advance(500);
			EXPECT_EQ(editorLog(), oneEdit());
			EXPECT_FALSE(slider->isEditing());
		}
	}
}

TEST_F(SliderTest, WheelAcrossTheSliderIsNotTaken)
{
	for (const auto& dir : kDirections)
	{
		SCOPED_TRACE(dir.name);
		build(dir, Mode::kFreeClickMode);
		EXPECT_FALSE(slider->onWheel(at(100.), dir.horizontal ? kWheelAxisY : kWheelAxisX, 1.f, CButtonState()));
		platform->advance(1000);
		EXPECT_EQ(slider->getValueNormalized(), 0.5f);
		EXPECT_THAT(log, IsEmpty());
	}
}

TEST_F(SliderTest, WheelOnADisabledSliderDoesNothing)
{
	slider->setMouseEnabled(false);
	EXPECT_FALSE(slider->onWheel(at(100.), kWheelAxisX, 1.f, CButtonState()));
	platform->advance(1000);
	EXPECT_THAT(log, IsEmpty());
	EXPECT_EQ(slider->getValueNormalized(), 0.5f);
}

TEST_F(SliderTest, PressEndsAPendingWheelEditBeforeItsOwn)
{
	wheel(1.f);
	press(at(150.));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7", "editor:begin 7"}));
	release(at(150.));
	platform->advance(2000);
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7", "editor:begin 7", "editor:end 7"}));
}

// ---- Keys ----

TEST_F(SliderTest, ArrowKeysStepTheValueEachInAnEditOfItsOwn)
{
	const ControlLog stepped {"main:begin", "editor:begin 7", "main:changed", "editor:end 7", "main:end"};
	struct Case
	{
		const char* name;
		uint8 virt;
		uint8 modifier;
		float step; // for a slider whose value grows right and up
		bool handled;
	};
	const Case cases[] = {
	    {"up", kVKeyUp, 0, 0.1f, true},
	    {"right", kVKeyRight, 0, 0.1f, true},
	    {"down", kVKeyDown, 0, -0.1f, true},
	    {"left", kVKeyLeft, 0, -0.1f, true},
	    {"shift up is fine", kVKeyUp, kModifierShift, 0.01f, true},
	    {"alt is not fine", kVKeyLeft, kModifierAlternate, -0.1f, true},
	    {"page up", kVKeyPageUp, 0, 0.f, false},
	    {"home", kVKeyHome, 0, 0.f, false},
	};
	for (const auto& dir : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(dir.name) + ", " + c.name);
			build(dir, Mode::kFreeClickMode);
			focusSlider();
			log.clear();
			EXPECT_EQ(key(c.virt, c.modifier), c.handled);
			// Right and Up move the handle right and up.
			const float grows = dir.horizontal != dir.mirrored ? c.step : -c.step;
			EXPECT_NEAR(slider->getValueNormalized(), 0.5f + grows, 1e-6);
			EXPECT_EQ(log, c.handled ? stepped : ControlLog());
		}
	}
}

TEST_F(SliderTest, ArrowKeyAtTheEndSendsNothing)
{
	build(kBottomToTop, Mode::kFreeClickMode);
	focusSlider();
	slider->setValue(1.f);
	paint();
	log.clear();
	EXPECT_TRUE(key(kVKeyUp));
	EXPECT_EQ(slider->getValue(), 1.f);
	EXPECT_THAT(log, IsEmpty());
}

// ---- Leaving the tree ----

TEST_F(SliderTest, SliderLeavingTheTreeMidGestureLeavesNoEditOpen)
{
	enum Gesture
	{
		kDrag,
		kRamp,
		kWheel
	};
	enum Removal
	{
		kPageFromFrame,
		kSliderFromPage,
		kSliderByItsListener,
		kPageByTheSlidersListener,
		kSliderWhenItsEditEnds,
		kFrameClosed,
	};
	const std::pair<Gesture, const char*> gestures[] = {{kDrag, "drag"}, {kRamp, "ramp"}, {kWheel, "wheel edit"}};
	const std::pair<Removal, const char*> removals[] = {
	    {kPageFromFrame, "page switched"},
	    {kSliderFromPage, "slider removed"},
	    {kSliderByItsListener, "slider removed by its listener on a change"},
	    {kPageByTheSlidersListener, "page switched by the slider's listener on a change"},
	    {kSliderWhenItsEditEnds, "slider removed by its listener as its edit ends"},
	    {kFrameClosed, "frame closed"},
	};
	for (const auto& [gesture, gestureName] : gestures)
	{
		for (const auto& [removal, removalName] : removals)
		{
			for (bool keptAlive : {false, true})
			{
				SCOPED_TRACE(std::string(gestureName) + ": " + removalName + (keptAlive ? ", still held" : ""));
				reopenFrame();
				build(kLeftToRight, gesture == kRamp ? Mode::kRampMode : Mode::kFreeClickMode);
				const size_t timersBefore = platform->getRunningTimerCount();
				CSlider* doomed = slider;
				SharedPointer<CSlider> holder = keptAlive ? doomed : nullptr;
				bool removed = false;
				auto remove = [&, removal = removal] {
					if (std::exchange(removed, true))
						return;
					if (removal == kFrameClosed)
						frame->close();
					else if (removal == kPageFromFrame || removal == kPageByTheSlidersListener)
						frame->removeView(page);
					else
						page->removeView(doomed);
				};
				if (removal == kSliderByItsListener || removal == kPageByTheSlidersListener)
					listener.onChanged = [&](CControl*) { remove(); };
				if (removal == kSliderWhenItsEditEnds)
					listener.onEnd = [&](CControl*) { remove(); };

				if (gesture == kWheel)
					wheel(1.f);
				else
				{
					press(at(150.));
					move(at(140.));
					ticks(2);
				}
				if (removal == kSliderWhenItsEditEnds)
				{
					if (gesture == kWheel)
						platform->advance(500);
					else
						release(at(140.));
				}
				else if (!removed)
					remove();
				EXPECT_TRUE(removed);
				listener.onChanged = nullptr;
				listener.onEnd = nullptr;
				EXPECT_EQ(editorLog(), oneEdit());
				EXPECT_TRUE(bracketsAreWellFormed(log));
				if (holder)
				{
					EXPECT_FALSE(holder->isEditing());
					EXPECT_FALSE(holder->isAttached());
				}

				// What the window and the clock send afterwards reaches no edit,
				// and no ramp goes on.
				const ControlLog before = log;
				if (removal != kFrameClosed)
				{
					move(at(40.));
					release(at(40.));
					wheel(1.f);
					EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
				}
				platform->advance(2000);
				EXPECT_EQ(log, before);
				if (holder)
				{
					const float value = holder->getValue();
					CPoint where = at(20.);
					EXPECT_EQ(holder->onMouseMoved(where, CButtonState(kLeftButton)), kMouseNotHandled);
					platform->advance(2000);
					EXPECT_EQ(holder->getValue(), value);
				}
				if (removal == kFrameClosed)
					openFrame();
			}
		}
	}
}

TEST_F(SliderTest, RampStepWhoseListenerReleasesTheSliderTouchesNothingAfterwards)
{
	build(kLeftToRight, Mode::kRampMode);
	const size_t timersBefore = platform->getRunningTimerCount();
	int changes = 0;
	// Removed with forget: the page's reference was the last one.
	listener.onChanged = [&](CControl* control) {
		if (++changes == 3)
			page->removeView(control, true);
	};
	press(at(150.));
	ticks(10);
	listener.onChanged = nullptr;
	// Three steps, and the value of the press restored as the drag is
	// cancelled.
	EXPECT_EQ(changes, 4);
	EXPECT_EQ(editorLog(), oneEdit());
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	const ControlLog before = log;
	move(at(30.));
	release(at(30.));
	ticks(100);
	EXPECT_EQ(log, before);
}

TEST_F(SliderTest, SliderReleasedMidRampOrWheelEditEndsItsEdits)
{
	for (bool ramp : {false, true})
	{
		SCOPED_TRACE(ramp ? "ramp" : "wheel");
		log.clear();
		auto loose = new CSlider(CRect(0, 0, 200, 20), &listener, kTag, CPoint(), 180, owned(new CBitmap(20, 20)));
		loose->setSliderMode(Mode::kRampMode);
		if (ramp)
		{
			CPoint where(150, 10);
			ASSERT_EQ(loose->onMouseDown(where, CButtonState(kLeftButton)), kMouseHandled);
			ticks(2);
		}
		else
			EXPECT_TRUE(loose->onWheel(CPoint(100, 10), kWheelAxisX, 1.f, CButtonState()));
		ASSERT_TRUE(loose->isEditing());
		loose->forget();
		EXPECT_EQ(count("main:begin"), 1u);
		EXPECT_EQ(count("main:end"), 1u);
		const ControlLog before = log;
		platform->advance(2000);
		EXPECT_EQ(log, before);
	}
}

// A listener may take the slider away, close the frame or open a dialog as
// an edit begins: whatever the gesture, each observer hears a whole bracket
// or none, and value changes only inside one.
TEST_F(SliderTest, ListenerActingAsAnEditBeginsLeavesEachObserverAWholeBracketOrNone)
{
	enum Gesture
	{
		kDrag,
		kRamp,
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
	const std::pair<Gesture, const char*> gestures[] = {{kDrag, "drag"},
	                                                    {kRamp, "ramp"},
	                                                    {kWheel, "wheel"},
	                                                    {kArrowKey, "arrow key"},
	                                                    {kDefaultValueClick, "default-value click"}};
	const std::pair<Action, const char*> actions[] = {{kRemove, "removes the slider"},
	                                                  {kRemoveAndRelease, "removes and releases the slider"},
	                                                  {kMoveToAnotherPage, "moves the slider to another page"},
	                                                  {kCloseTheFrame, "closes the frame"},
	                                                  {kOpenADialog, "opens a dialog"}};
	LoggingListener sub {"sub", log};
	auto dialog = owned(new RecordingView(CRect(0, 0, 10, 10)));
	for (const auto& [gesture, gestureName] : gestures)
	{
		for (const auto& [action, actionName] : actions)
		{
			SCOPED_TRACE(std::string(gestureName) + ": the listener " + actionName);
			reopenFrame();
			build(kLeftToRight, gesture == kRamp ? Mode::kRampMode : Mode::kFreeClickMode);
			auto otherPage = addOtherPage();
			slider->registerControlListener(&sub);
			if (gesture == kArrowKey)
				focusSlider();
			SharedPointer<CSlider> held = action == kRemoveAndRelease ? nullptr : slider;
			std::optional<uint32> session;
			bool acted = false;
			listener.onBegin = [&, action = action](CControl*) {
				if (std::exchange(acted, true))
					return;
				switch (action)
				{
					case kRemove:
					case kRemoveAndRelease:
						page->removeView(slider);
						break;
					case kMoveToAnotherPage:
						slider->remember();
						page->removeView(slider);
						otherPage->addView(slider);
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
				case kRamp:
					press(at(150.));
					ticks(3);
					move(at(140.));
					release(at(140.));
					break;
				case kWheel:
					wheel(1.f);
					platform->advance(500);
					break;
				case kArrowKey:
					key(kVKeyUp);
					break;
				case kDefaultValueClick:
					press(at(150.), kLeftButton | kControlModifier);
					release(at(150.), kLeftButton | kControlModifier);
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
			const ControlLog before = log;
			move(at(40.));
			release(at(40.));
			platform->advance(2000);
			EXPECT_EQ(log, before);
		}
	}
}

TEST_F(SliderTest, ListenerThatTakesTheSliderAwayAsAWheelEditEndsEndsThePressToo)
{
	wheel(1.f);
	listener.onEnd = [&](CControl* control) { page->removeView(control); };
	EXPECT_EQ(press(at(150.)), kMouseDownHandledNoMoveOrUp);
	listener.onEnd = nullptr;
	EXPECT_EQ(editorLog(), oneEdit());
	EXPECT_EQ(count("main:begin"), 1u);
	EXPECT_EQ(count("main:end"), 1u);
	move(at(40.));
	release(at(40.));
	EXPECT_EQ(count("main:begin"), 1u);
}

} // namespace
} // namespace Kavrin::Test
