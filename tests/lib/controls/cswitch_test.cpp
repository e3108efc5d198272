#include "tests/support/controlframe.h"

#include "lib/controls/cswitch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::FloatNear;
using ::testing::IsEmpty;
using ::testing::Pointwise;

constexpr float kThird = 1.f / 3.f;
// A vertical switch of four positions, 100 pixels high; a horizontal one of
// three, 120 pixels wide; rockers of 30 x 60 (vertical) and 60 x 30.
constexpr CRect kVerticalRect {40, 20, 80, 120};
constexpr CRect kHorizontalRect {100, 20, 220, 50};
constexpr CRect kVerticalRockerRect {40, 20, 70, 80};
constexpr CRect kHorizontalRockerRect {100, 20, 160, 50};

// Restores the frame-index rule a test chose.
class LegacyIndexRule
{
public:
	explicit LegacyIndexRule(bool legacy) : saved(CSwitchBase::useLegacyIndexCalculation)
	{
		CSwitchBase::useLegacyIndexCalculation = legacy;
	}
	~LegacyIndexRule() { CSwitchBase::useLegacyIndexCalculation = saved; }

private:
	bool saved;
};

class SwitchTest : public ControlFrameTest
{
protected:
	CVerticalSwitch* addVertical() { return add(new CVerticalSwitch(kVerticalRect, nullptr, 0, FilmStrip::make(4, 40, 100))); }
	CHorizontalSwitch* addHorizontal()
	{
		return add(new CHorizontalSwitch(kHorizontalRect, nullptr, 0, FilmStrip::make(3, 120, 30)));
	}
	CSwitchBase* addSwitch(bool vertical)
	{
		return vertical ? static_cast<CSwitchBase*>(addVertical()) : addHorizontal();
	}
	CRockerSwitch* addRocker(int32 style)
	{
		const CRect& size = (style & CRockerSwitch::kHorizontal) ? kHorizontalRockerRect : kVerticalRockerRect;
		return add(new CRockerSwitch(size, nullptr, 0, FilmStrip::make(3, int(size.getWidth()), int(size.getHeight())),
		                             CPoint(), style));
	}
	// At a value, drawn, with nothing heard yet.
	void drawnAt(CControl* control, float value)
	{
		control->setValue(value);
		paint();
		log.clear();
		reported.clear();
	}
};

// ---- Multi-position switches: mouse ----

TEST_F(SwitchTest, PressSelectsTheBandUnderThePointer)
{
	struct Case
	{
		const char* name;
		bool vertical;
		CPoint where;
		float min;
		float max;
		float expected;
	};
	const Case cases[] = {
	    {"top band", true, {5, 0}, 0.f, 1.f, 0.f},
	    {"last pixel of the top band", true, {5, 24}, 0.f, 1.f, 0.f},
	    {"second band", true, {5, 25}, 0.f, 1.f, kThird},
	    {"third band", true, {5, 60}, 0.f, 1.f, 2.f * kThird},
	    {"bottom band", true, {5, 99}, 0.f, 1.f, 1.f},
	    {"another range", true, {5, 60}, -10.f, 20.f, 10.f},
	    {"left band", false, {10, 5}, 0.f, 1.f, 0.f},
	    {"middle band", false, {50, 5}, 0.f, 1.f, 0.5f},
	    {"right band", false, {119, 5}, 0.f, 1.f, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CSwitchBase* control = addSwitch(c.vertical);
		control->setMin(c.min);
		control->setMax(c.max);
		drawnAt(control, c.min);
		press(at(control, c.where.x, c.where.y));
		release(at(control, c.where.x, c.where.y));
		EXPECT_NEAR(control->getValue(), c.expected, 1e-5);
		EXPECT_EQ(log, bracket(c.expected != c.min ? 1 : 0));
	}
}

TEST_F(SwitchTest, DragFollowsThePointerAcrossPositionBoundaries)
{
	struct Case
	{
		const char* name;
		bool vertical;
		std::vector<CPoint> path;
		std::vector<float> heard;
	};
	const Case cases[] = {
	    {"vertical, down and beyond both ends",
	     true,
	     {{5, 10}, {5, 30}, {5, 40}, {5, 60}, {5, 80}, {5, 130}, {5, -20}, {5, 5}},
	     {kThird, 2.f * kThird, 1.f, 0.f}},
	    {"horizontal, right and beyond both ends",
	     false,
	     {{10, 5}, {45, 5}, {79, 5}, {80, 5}, {300, 5}, {-50, 5}},
	     {0.5f, 1.f, 0.f}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CSwitchBase* control = addSwitch(c.vertical);
		drawnAt(control, 0.f);
		auto& heard = recordValues();
		press(at(control, c.path.front().x, c.path.front().y));
		for (const CPoint& where : c.path)
		{
			move(at(control, where.x, where.y));
			// The window redraws between events.
			paint();
		}
		release(at(control, c.path.back().x, c.path.back().y));
		listener.onChanged = nullptr;
		EXPECT_THAT(heard, Pointwise(FloatNear(1e-5f), c.heard));
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
		EXPECT_FALSE(control->isEditing());
	}
}

TEST_F(SwitchTest, InverseBitmapRunsTheBandsFromTheMaximum)
{
	CVerticalSwitch* control = addVertical();
	control->setInverseBitmap(true);
	drawnAt(control, 0.5f);
	press(at(control, 5, 10));
	EXPECT_EQ(control->getValue(), 1.f);
	move(at(control, 5, 90));
	EXPECT_EQ(control->getValue(), 0.f);
	release(at(control, 5, 90));
}

TEST_F(SwitchTest, DefaultValueGestureRestoresTheDefaultAndStartsNoDrag)
{
	CVerticalSwitch* control = addVertical();
	drawnAt(control, 2.f * kThird);
	press(at(control, 5, 90), kLeftButton | kControlModifier);
	EXPECT_EQ(control->getValue(), 0.f) << "a switch's default is its minimum";
	EXPECT_EQ(log, bracket(1));
	move(at(control, 5, 60));
	release(at(control, 5, 60));
	EXPECT_EQ(control->getValue(), 0.f);
	EXPECT_EQ(log, bracket(1));
}

TEST_F(SwitchTest, PressNeedsTheLeftButton)
{
	struct Case
	{
		const char* name;
		uint32 buttons;
		bool taken;
	};
	const Case cases[] = {
	    {"right button", kRightButton, false},
	    {"middle button", kMiddleButton, false},
	    {"left button with shift", kLeftButton | kShiftModifier, true},
	    {"left and right buttons", kLeftButton | kRightButton, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CVerticalSwitch* control = addVertical();
		drawnAt(control, 0.f);
		press(at(control, 5, 60), c.buttons);
		release(at(control, 5, 60), c.buttons);
		EXPECT_EQ(control->getValue(), c.taken ? 2.f * kThird : 0.f);
		EXPECT_EQ(log, c.taken ? bracket(1) : ControlLog());
	}
}

TEST_F(SwitchTest, CancelledDragRestoresTheValueOfThePress)
{
	CVerticalSwitch* control = addVertical();
	drawnAt(control, kThird);
	auto& heard = recordValues();
	press(at(control, 5, 60));
	move(at(control, 5, 90));
	paint();
	interruptWithADialog();
	listener.onChanged = nullptr;
	EXPECT_NEAR(control->getValue(), kThird, 1e-6);
	ASSERT_FALSE(heard.empty());
	EXPECT_NEAR(heard.back(), kThird, 1e-6) << "the listeners hear the value restored";
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
	move(at(control, 5, 10));
	release(at(control, 5, 10));
	EXPECT_NEAR(control->getValue(), kThird, 1e-6);
}

// ---- Multi-position switches: keys and wheel ----

TEST_F(SwitchTest, ArrowKeysStepOnePositionEachInAnEditOfItsOwn)
{
	struct Case
	{
		const char* name;
		bool vertical;
		uint8 virt;
		uint8 modifier;
		float start;
		float expected;
		bool legacy = false;
	};
	const Case cases[] = {
	    {"down from the top", true, kVKeyDown, 0, 0.f, kThird},
	    {"up from the third position", true, kVKeyUp, 0, 2.f * kThird, kThird},
	    {"up at the top", true, kVKeyUp, 0, 0.f, 0.f},
	    {"down at the bottom", true, kVKeyDown, 0, 1.f, 1.f},
	    {"left on a vertical switch", true, kVKeyLeft, 0, kThird, kThird},
	    {"down with shift", true, kVKeyDown, kModifierShift, 0.f, 0.f},
	    {"up from between positions, cut into equal parts", true, kVKeyUp, 0, 0.8f, 2.f * kThird},
	    {"up from between positions, rounded", true, kVKeyUp, 0, 0.8f, kThird, true},
	    {"right from the left", false, kVKeyRight, 0, 0.f, 0.5f},
	    {"left from the right", false, kVKeyLeft, 0, 1.f, 0.5f},
	    {"left at the left", false, kVKeyLeft, 0, 0.f, 0.f},
	    {"up on a horizontal switch", false, kVKeyUp, 0, 0.5f, 0.5f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		LegacyIndexRule rule(c.legacy);
		reopenFrame();
		CSwitchBase* control = addSwitch(c.vertical);
		focus(control);
		drawnAt(control, c.start);
		const bool moves = c.expected != c.start;
		EXPECT_EQ(keyDown(c.virt, c.modifier), moves);
		EXPECT_NEAR(control->getValue(), c.expected, 1e-6);
		EXPECT_EQ(log, moves ? bracket(1) : ControlLog());
	}
}

TEST_F(SwitchTest, WheelIsNoSwitchGesture)
{
	CVerticalSwitch* control = addVertical();
	drawnAt(control, kThird);
	EXPECT_FALSE(wheel(at(control, 5, 50), 1.f));
	EXPECT_FALSE(wheel(at(control, 5, 50), -1.f));
	platform->advance(1000);
	EXPECT_EQ(control->getValue(), kThird);
	EXPECT_THAT(log, IsEmpty());
}

// ---- Multi-position switches: frames that cannot be told apart ----

// Positions come from the frames: with fewer than two, frames under a
// pixel or no bitmap to cut, there is nothing to move between, and no
// position may come from a division by zero.
TEST_F(SwitchTest, SwitchWithoutUsableFramesKeepsItsValue)
{
	struct Case
	{
		const char* name;
		std::function<CSwitchBase*()> make;
	};
	const CRect& size = kVerticalRect;
	const Case cases[] = {
	    {"vertical without a bitmap", [&] { return new CVerticalSwitch(size); }},
	    {"horizontal without a bitmap", [&] { return new CHorizontalSwitch(size); }},
	    {"one frame", [&] { return new CVerticalSwitch(size, nullptr, 0, FilmStrip::make(1, 40, 100)); }},
	    {"strip shorter than a frame",
	     [&] { return new CHorizontalSwitch(size, nullptr, 0, FilmStrip::make(1, 40, 50)); }},
	    {"no frames named", [&] { return new CVerticalSwitch(size, nullptr, 0, 0, 100., 0, FilmStrip::make(4, 40, 100)); }},
	    {"no frames named, horizontal",
	     [&] { return new CHorizontalSwitch(size, nullptr, 0, 0, 100., 0, FilmStrip::make(4, 40, 100)); }},
	    {"one frame named", [&] { return new CVerticalSwitch(size, nullptr, 0, 1, 100., 1, FilmStrip::make(4, 40, 100)); }},
	    {"frames under a pixel",
	     [&] { return new CVerticalSwitch(size, nullptr, 0, 4, 0.5, 4, FilmStrip::make(4, 40, 100)); }},
	    {"frames of no height", [&] { return new CVerticalSwitch(size, nullptr, 0, 4, 0., 4, FilmStrip::make(4, 40, 100)); }},
	    {"frames of no height, horizontal",
	     [&] { return new CHorizontalSwitch(size, nullptr, 0, 4, 0., 4, FilmStrip::make(4, 40, 100)); }},
	    {"four frames named, no bitmap", [&] { return new CHorizontalSwitch(size, nullptr, 0, 4, 25., 4, nullptr); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CSwitchBase* control = add(c.make());
		focus(control);
		drawnAt(control, 0.5f);
		press(at(control, 5, 60));
		move(at(control, 35, 90));
		move(at(control, 2, 3));
		release(at(control, 2, 3));
		for (uint8 virt : {kVKeyUp, kVKeyDown, kVKeyLeft, kVKeyRight})
			keyDown(virt);
		paint();
		EXPECT_EQ(control->getValue(), 0.5f);
		EXPECT_EQ(log, bracket(0)) << "the press is an edit that changes nothing";
	}
}

TEST_F(SwitchTest, SizeToFitTakesTheBitmapsWidthAndOneFrame)
{
	const CRect size {30, 40, 50, 60};
	expectSizesToFit({
	    {"switch", [&] { return new CVerticalSwitch(size, nullptr, 0, 4, 25., 4, FilmStrip::make(4, 36, 25)); }, true,
	     {30, 40, 66, 65}},
	    {"switch without a bitmap", [&] { return new CVerticalSwitch(size, nullptr, 0, 4, 25., 4, nullptr); }, false,
	     size},
	    {"rocker", [&] { return new CRockerSwitch(size, nullptr, 0, 18., FilmStrip::make(3, 44, 18)); }, true,
	     {30, 40, 74, 58}},
	    {"rocker without a bitmap", [&] { return new CRockerSwitch(size); }, false, size},
	});
}

// ---- Rocker ----

TEST_F(SwitchTest, RockerPressedInAHalfReportsThatEndAndSpringsBackWithoutATell)
{
	struct Case
	{
		const char* name;
		int32 style;
		CPoint where;
		float pushedTo;
	};
	const Case cases[] = {
	    {"upper half", CRockerSwitch::kVertical, {15, 10}, -1.f},
	    {"the middle line", CRockerSwitch::kVertical, {15, 30}, -1.f},
	    {"lower half", CRockerSwitch::kVertical, {15, 31}, 1.f},
	    {"bottom row", CRockerSwitch::kVertical, {15, 59}, 1.f},
	    {"no style bits", 0, {15, 50}, 1.f},
	    {"left half", CRockerSwitch::kHorizontal, {10, 15}, -1.f},
	    {"left half, both style bits", CRockerSwitch::kHorizontal | CRockerSwitch::kVertical, {10, 25}, -1.f},
	    {"right half", CRockerSwitch::kHorizontal, {45, 5}, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CRockerSwitch* rocker = addRocker(c.style);
		auto& heard = recordValues();
		press(at(rocker, c.where.x, c.where.y));
		EXPECT_EQ(rocker->getValue(), c.pushedTo);
		paint();
		window->invalidRects.clear();
		release(at(rocker, c.where.x, c.where.y));
		listener.onChanged = nullptr;
		EXPECT_EQ(rocker->getValue(), 0.f);
		EXPECT_EQ(heard, std::vector<float>({c.pushedTo}));
		EXPECT_EQ(log, bracket(1));
		EXPECT_FALSE(window->invalidRects.empty()) << "it redraws at rest";
	}
}

TEST_F(SwitchTest, RockerDraggedOffTheViewGoesBackToWhereItWas)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kVertical);
	auto& heard = recordValues();
	const std::vector<std::pair<CPoint, float>> path {
	    {{15, 10}, -1.f}, {{15, -5}, 0.f}, {{15, 60}, 1.f}, {{30, 0}, -1.f}, {{31, 10}, 0.f}, {{0, 59}, 1.f},
	};
	press(at(rocker, path.front().first.x, path.front().first.y));
	paint();
	for (size_t i = 1; i < path.size(); ++i)
	{
		const auto& [where, expected] = path[i];
		move(at(rocker, where.x, where.y));
		EXPECT_EQ(rocker->getValue(), expected) << "at " << where.x << ", " << where.y;
		paint();
	}
	release(at(rocker, 0, 59));
	listener.onChanged = nullptr;
	EXPECT_EQ(heard, std::vector<float>({-1.f, 0.f, 1.f, -1.f, 0.f, 1.f}));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_EQ(rocker->getValue(), 0.f);
}

TEST_F(SwitchTest, CancelledRockerReturnsToTheValueOfThePress)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kHorizontal);
	auto& heard = recordValues();
	press(at(rocker, 50, 10));
	paint();
	interruptWithADialog();
	listener.onChanged = nullptr;
	EXPECT_EQ(rocker->getValue(), 0.f);
	EXPECT_EQ(heard, std::vector<float>({1.f, 0.f}));
	EXPECT_EQ(log, bracket(2));
}

TEST_F(SwitchTest, ArrowKeysHoldTheRockerAtAnEndUntilTheyAreLetGo)
{
	struct Case
	{
		const char* name;
		int32 style;
		uint8 virt;
		std::optional<float> pushedTo;
	};
	const Case cases[] = {
	    {"left, horizontal", CRockerSwitch::kHorizontal, kVKeyLeft, -1.f},
	    {"right, horizontal", CRockerSwitch::kHorizontal, kVKeyRight, 1.f},
	    {"up, horizontal", CRockerSwitch::kHorizontal, kVKeyUp, std::nullopt},
	    {"up, vertical", CRockerSwitch::kVertical, kVKeyUp, -1.f},
	    {"down, vertical", CRockerSwitch::kVertical, kVKeyDown, 1.f},
	    {"left, vertical", CRockerSwitch::kVertical, kVKeyLeft, std::nullopt},
	    {"down, both", CRockerSwitch::kVertical | CRockerSwitch::kHorizontal, kVKeyDown, 1.f},
	    {"left, both", CRockerSwitch::kVertical | CRockerSwitch::kHorizontal, kVKeyLeft, -1.f},
	    {"return", CRockerSwitch::kHorizontal, kVKeyReturn, std::nullopt},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CRockerSwitch* rocker = addRocker(c.style);
		focus(rocker);
		auto& heard = recordValues();
		EXPECT_EQ(keyDown(c.virt), c.pushedTo.has_value());
		EXPECT_FALSE(keyDown(c.virt, kModifierShift)) << "with a modifier the key is not the rocker's";
		if (!c.pushedTo)
		{
			EXPECT_EQ(rocker->getValue(), 0.f);
			EXPECT_THAT(log, IsEmpty());
			continue;
		}
		EXPECT_EQ(rocker->getValue(), *c.pushedTo);
		// The key repeats while it is held.
		EXPECT_TRUE(keyDown(c.virt));
		EXPECT_TRUE(keyDown(c.virt));
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7"}));
		EXPECT_FALSE(keyUp(c.virt, kModifierShift));
		EXPECT_TRUE(keyUp(c.virt));
		listener.onChanged = nullptr;
		EXPECT_EQ(rocker->getValue(), 0.f);
		EXPECT_EQ(heard, std::vector<float>({*c.pushedTo, *c.pushedTo, *c.pushedTo, 0.f}));
		EXPECT_EQ(log, bracket(4));
	}
}

// A key let go while another view has the focus never reaches the rocker.
TEST_F(SwitchTest, RockerHeldByAKeySpringsBackWhenTheFocusMoves)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kHorizontal);
	CRockerSwitch* other = add(new CRockerSwitch(CRect(200, 100, 260, 130), nullptr, 0, nullptr));
	log.clear();
	focus(rocker);
	keyDown(kVKeyRight);
	focus(other);
	EXPECT_EQ(rocker->getValue(), 0.f);
	EXPECT_EQ(log, bracket(2));
	keyUp(kVKeyRight);
	EXPECT_EQ(log, bracket(2));
}

TEST_F(SwitchTest, WheelPushesTheRockerAndItSpringsBackAPauseAfterTheLastStep)
{
	struct Case
	{
		const char* name;
		float distance;
		float pushedTo;
	};
	const Case cases[] = {
	    {"turned up", 1.f, -1.f},
	    {"turned down", -1.f, 1.f},
	    {"half a notch up", 0.5f, -1.f},
	    {"no distance", 0.f, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CRockerSwitch* rocker = addRocker(CRockerSwitch::kVertical);
		const size_t timersBefore = platform->getRunningTimerCount();
		auto& heard = recordValues();
		for (int step = 0; step < 3; ++step)
		{
			EXPECT_TRUE(wheel(at(rocker, 10, 10), c.distance));
			paint();
			platform->advance(100);
		}
		EXPECT_EQ(rocker->getValue(), c.pushedTo);
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore + 1);
		platform->advance(99);
		EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7"}));
		platform->advance(1);
		EXPECT_EQ(rocker->getValue(), 0.f);
		EXPECT_EQ(heard, std::vector<float>({c.pushedTo, 0.f}));
		EXPECT_EQ(log, bracket(2));
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		platform->advance(1000);
		EXPECT_EQ(log, bracket(2));
		listener.onChanged = nullptr;
	}
}

TEST_F(SwitchTest, WheelOnADisabledRockerIsNotTaken)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kVertical);
	rocker->setMouseEnabled(false);
	CPoint where = at(rocker, 10, 10) - kPageRect.getTopLeft();
	EXPECT_FALSE(rocker->onWheel(where, kWheelAxisY, 1.f, CButtonState()));
	platform->advance(1000);
	EXPECT_EQ(rocker->getValue(), 0.f);
	EXPECT_THAT(log, IsEmpty());
}

// The wheel's pause may run out while the mouse holds the rocker down: the
// mouse keeps the value, and the host still hears one gesture.
TEST_F(SwitchTest, WheelPauseEndingDuringADragLeavesTheDragItsValue)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kVertical);
	auto& heard = recordValues();
	wheel(at(rocker, 10, 50), -1.f);
	paint();
	press(at(rocker, 10, 10));
	paint();
	platform->advance(200);
	EXPECT_EQ(rocker->getValue(), -1.f);
	release(at(rocker, 10, 10));
	listener.onChanged = nullptr;
	EXPECT_EQ(heard, std::vector<float>({1.f, -1.f}));
	EXPECT_EQ(log, bracket(2));
	EXPECT_EQ(rocker->getValue(), 0.f);
}

// The end of a wheel gesture comes from a timer: it must find the rocker
// alive and in place, or not fire at all.
TEST_F(SwitchTest, WheelPauseEndingAfterTheRockerLeftOrWhenItIsReleasedTouchesNothingFreed)
{
	enum Situation
	{
		kLooseRockerReleasedByItsListener,
		kRockerRemovedAndReleasedByItsListener,
		kRockerRemovedBeforeThePauseEnds,
		kFrameClosedBeforeThePauseEnds,
	};
	const std::pair<Situation, const char*> situations[] = {
	    {kLooseRockerReleasedByItsListener, "a rocker in no tree, released by its listener as it springs back"},
	    {kRockerRemovedAndReleasedByItsListener, "removed and released by its listener as it springs back"},
	    {kRockerRemovedBeforeThePauseEnds, "removed before the pause ends"},
	    {kFrameClosedBeforeThePauseEnds, "its frame closed before the pause ends"},
	};
	for (const auto& [situation, name] : situations)
	{
		SCOPED_TRACE(name);
		reopenFrame();
		const size_t timersBefore = platform->getRunningTimerCount();
		CRockerSwitch* rocker = nullptr;
		if (situation == kLooseRockerReleasedByItsListener)
		{
			rocker = new CRockerSwitch(kVerticalRockerRect, &listener, kTag);
			EXPECT_TRUE(rocker->onWheel(CPoint(50, 30), kWheelAxisY, 1.f, CButtonState()));
		}
		else
		{
			rocker = addRocker(CRockerSwitch::kVertical);
			wheel(at(rocker, 10, 10), 1.f);
		}
		ASSERT_EQ(rocker->getValue(), -1.f);
		int changes = 0;
		listener.onChanged = [&, situation = situation](CControl*) {
			++changes;
			if (situation == kLooseRockerReleasedByItsListener)
				rocker->forget();
			else if (situation == kRockerRemovedAndReleasedByItsListener)
				page->removeView(rocker);
		};
		SharedPointer<CRockerSwitch> held;
		if (situation == kRockerRemovedBeforeThePauseEnds)
		{
			held = rocker;
			page->removeView(rocker);
		}
		else if (situation == kFrameClosedBeforeThePauseEnds)
		{
			held = rocker;
			frame->close();
		}
		if (held)
		{
			EXPECT_EQ(changes, 1) << "it springs back as it leaves";
			EXPECT_EQ(platform->getRunningTimerCount(), timersBefore) << "no pause outlives its place";
		}
		platform->advance(200);
		platform->advance(2000);
		listener.onChanged = nullptr;
		EXPECT_EQ(changes, 1) << "the rocker springs back once, as it leaves or as the pause ends";
		EXPECT_TRUE(bracketsAreWellFormed(log));
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		if (held)
		{
			EXPECT_EQ(held->getValue(), 0.f);
			EXPECT_FALSE(held->isEditing());
		}
		if (situation == kFrameClosedBeforeThePauseEnds)
			openFrame();
	}
}

TEST_F(SwitchTest, CopiedRockerStartsAtRest)
{
	CRockerSwitch* rocker = addRocker(CRockerSwitch::kHorizontal);
	press(at(rocker, 5, 5));
	auto copy = owned(static_cast<CRockerSwitch*>(rocker->cloneView()));
	EXPECT_EQ(copy->getValue(), 0.f);
	EXPECT_FALSE(copy->isEditing());
	EXPECT_EQ(copy->getStyle(), CRockerSwitch::kHorizontal);
	release(at(rocker, 5, 5));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
}

// ---- Leaving the tree ----

TEST_F(SwitchTest, LeavingTheTreeMidGestureClosesItsEdit)
{
	const Gesture gestures[] = {
	    {"switch drag", [this] { return addVertical(); },
	     [this](CControl* control) {
		     // The press may take the switch away: both points first.
		     const CPoint top = at(control, 5, 10);
		     const CPoint below = at(control, 5, 60);
		     press(top);
		     move(below);
	     },
	     [this](CPoint origin) { release(origin + CPoint(5, 60)); }},
	    {"rocker held by the mouse", [this] { return addRocker(CRockerSwitch::kVertical); },
	     [this](CControl* control) { press(at(control, 5, 5)); }, [this](CPoint origin) { release(origin + CPoint(5, 5)); }},
	    {"rocker held by a key", [this] { return addRocker(CRockerSwitch::kHorizontal); },
	     [this](CControl* control) {
		     focus(control);
		     keyDown(kVKeyLeft);
	     },
	     [this](CPoint) { keyUp(kVKeyLeft); }},
	    {"rocker turned by the wheel", [this] { return addRocker(CRockerSwitch::kHorizontal); },
	     [this](CControl* control) { wheel(at(control, 5, 5), 1.f); }, [this](CPoint) { platform->advance(200); }},
	};
	for (const auto& gesture : gestures)
		expectRemovalMidGestureClosesIt(gesture);
}

} // namespace
} // namespace Kavrin::Test
