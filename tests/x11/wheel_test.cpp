// The wheel and the pointer in a real X11 window, through XInput 2 where
// the server has it and through core events where it does not: XTEST's
// wheel buttons give one whole step each, clicks and drags reach the views
// as before, and recorded touchpad moves scroll by fractions.

#include "lib/platform/x11/x11frame.h"
#include "lib/platform/x11/x11pointerinput.h"
#include "lib/platform/x11/x11reply.h"
#include "tests/support/recording.h"
#include "tests/support/x11window.h"
#include "tests/support/xinputevents.h"

#include <gtest/gtest.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

struct WheelCall
{
	CPoint where;
	CMouseWheelAxis axis;
	float distance;
	CButtonState buttons;
};

class WheelView : public RecordingView
{
public:
	using RecordingView::RecordingView;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override
	{
		calls.push_back({where, axis, distance, buttons});
		return RecordingView::onWheel(where, axis, distance, buttons);
	}
	std::vector<WheelCall> calls;
};

// Runs each test with the frame listening through XInput 2 (true) and on
// core events, as on a server without it (false).
class X11WheelTest : public X11WindowTest, public ::testing::WithParamInterface<bool>
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (!platform)
			return;
		platform->getPointerInput().setEnabled(GetParam());
		view = new WheelView(CRect(0, 0, 300, 200));
		view->wheelResult = true;
		frame->addView(view);
	}

	// Presses and releases wheel buttons at a point; returns once as many
	// calls came as buttons were pressed, and some time more for extra ones.
	void turn(std::initializer_list<uint8> buttons)
	{
		fake(XCB_MOTION_NOTIFY, 0, 50, 60);
		for (uint8 button : buttons)
		{
			fake(XCB_BUTTON_PRESS, button);
			fake(XCB_BUTTON_RELEASE, button);
		}
		pumpUntil([&] { return view->calls.size() >= buttons.size(); });
		pump(150);
	}

	WheelView* view {nullptr};
};

TEST_P(X11WheelTest, EachWheelButtonGivesOneWholeStepOnItsAxis)
{
	open();
	turn({4, 5, 6, 7});
	struct Expected
	{
		CMouseWheelAxis axis;
		float distance;
	};
	const Expected expected[] = {{kWheelAxisY, 1.f}, {kWheelAxisY, -1.f}, {kWheelAxisX, 1.f}, {kWheelAxisX, -1.f}};
	ASSERT_EQ(view->calls.size(), 4u) << "one call a button, none twice";
	for (size_t i = 0; i < 4; ++i)
	{
		EXPECT_EQ(view->calls[i].axis, expected[i].axis) << "button " << i + 4;
		EXPECT_EQ(view->calls[i].distance, expected[i].distance) << "button " << i + 4;
		EXPECT_EQ(view->calls[i].where, CPoint(50, 60));
	}
	EXPECT_EQ(std::count(view->events.begin(), view->events.end(), "down"), 0) << "the wheel is no click";
}

TEST_P(X11WheelTest, ModifiersHeldReachTheWheel)
{
	open();
	const uint8 shift = keycodeOf(XKB_KEY_Shift_L);
	ASSERT_NE(shift, 0);
	fake(XCB_KEY_PRESS, shift);
	turn({5});
	fake(XCB_KEY_RELEASE, shift);
	pump(50);
	ASSERT_EQ(view->calls.size(), 1u);
	EXPECT_EQ(view->calls[0].buttons, CButtonState(kShiftModifier));
}

// The press's grab holds the pointer: moves and the release outside the
// window still reach the view that took the press.
TEST_P(X11WheelTest, ADragOutOfTheWindowKeepsReachingTheView)
{
	open();
	fake(XCB_MOTION_NOTIFY, 0, 50, 60);
	fake(XCB_BUTTON_PRESS, 1);
	fake(XCB_MOTION_NOTIFY, 0, 100, 100);
	fake(XCB_MOTION_NOTIFY, 0, 420, 310);
	fake(XCB_BUTTON_RELEASE, 1);
	ASSERT_TRUE(pumpUntil([&] { return !view->events.empty() && view->events.back() == "up"; }));
	EXPECT_EQ(view->lastPoint, CPoint(420, 310));
	auto down = std::find(view->events.begin(), view->events.end(), "down");
	EXPECT_EQ(std::vector<std::string>(down, view->events.end()),
	          (std::vector<std::string> {"down", "moved", "moved", "up"}));
	EXPECT_TRUE(view->calls.empty());
}

INSTANTIATE_TEST_SUITE_P(XInput2AndCore, X11WheelTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "XInput2" : "Core"; });

// ---- Recorded touchpad input ----

// Xvfb's only pointers (its mouse and XTEST's) have no scroll valuators:
// a touchpad's moves are fed to the frame as the server would send them.
class X11SmoothScrollTest : public X11WindowTest
{
protected:
	static constexpr uint16 kTouchpad = 12;

	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (!platform)
			return;
		ASSERT_TRUE(platform->getPointerInput().isActive()) << "Xvfb speaks XInput 2.1";
		view = new WheelView(CRect(0, 0, 300, 200));
		view->wheelResult = true;
		frame->addView(view);
	}

	X11Frame* platformFrame() const { return static_cast<X11Frame*>(frame->getPlatformFrame()); }

	void feed(XInputDeviceEvent event)
	{
		event.extension = xcb_get_extension_data(connection, &xcb_input_id)->major_opcode;
		event.window = platformFrame()->getWindow();
		event.source = kTouchpad;
		XInputBytes bytes(event.bytes());
		platformFrame()->handleEvent(bytes.as<xcb_generic_event_t>());
	}

	void scroll(double vertical, uint32 flags = 0)
	{
		XInputDeviceEvent event;
		event.x = 80.;
		event.y = 90.;
		event.flags = flags;
		event.modifiers = XCB_MOD_MASK_CONTROL;
		event.valuators = {{0, 80.}, {1, 90.}, {3, vertical}};
		feed(event);
	}

	WheelView* view {nullptr};
};

TEST_F(X11SmoothScrollTest, TouchpadMovesScrollByFractionsWithoutButtonsTwice)
{
	open();
	platform->getPointerInput().getScrollValuators().describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}});
	view->events.clear();
	scroll(100.);
	EXPECT_TRUE(view->calls.empty()) << "the first value only records";
	scroll(105.);
	scroll(112.5);
	// The server makes button 5 up from the valuator, and flags it.
	XInputDeviceEvent emulated;
	emulated.type = XCB_INPUT_BUTTON_PRESS;
	emulated.detail = 5;
	emulated.flags = XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED;
	feed(emulated);
	emulated.type = XCB_INPUT_BUTTON_RELEASE;
	feed(emulated);
	scroll(102.5);

	ASSERT_EQ(view->calls.size(), 3u);
	const float distances[] = {-0.5f, -0.75f, 1.f};
	for (size_t i = 0; i < 3; ++i)
	{
		EXPECT_EQ(view->calls[i].axis, kWheelAxisY);
		EXPECT_FLOAT_EQ(view->calls[i].distance, distances[i]);
		EXPECT_EQ(view->calls[i].where, CPoint(80, 90));
		EXPECT_EQ(view->calls[i].buttons, CButtonState(kControlModifier));
	}
	EXPECT_EQ(std::count(view->events.begin(), view->events.end(), "moved"), 1)
	    << "moves that only scroll do not move the pointer";
	EXPECT_EQ(std::count(view->events.begin(), view->events.end(), "down"), 0);
}

// Where the valuators went while the pointer was away, or while the
// device changed, is no scrolling here: the next value only records.
TEST_F(X11SmoothScrollTest, ScrollingStartsAfreshAfterThePointerLeftOrTheDeviceChanged)
{
	open();
	X11PointerInput& pointerInput = platform->getPointerInput();
	pointerInput.getScrollValuators().describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}});
	auto stepsOf = [&](std::initializer_list<double> values) {
		view->calls.clear();
		for (double value : values)
			scroll(value);
		return view->calls.size();
	};
	EXPECT_EQ(stepsOf({0., 10.}), 1u);

	fake(XCB_MOTION_NOTIFY, 0, 500, 400);
	pump(50);
	fake(XCB_MOTION_NOTIFY, 0, 80, 90);
	pump(100);
	EXPECT_EQ(stepsOf({500., 510.}), 1u) << "the pointer came back";

	auto deviceChanged = [&](uint8 reason) {
		xcb_input_device_changed_event_t event {};
		event.response_type = XCB_GE_GENERIC;
		event.extension = xcb_get_extension_data(connection, &xcb_input_id)->major_opcode;
		event.event_type = XCB_INPUT_DEVICE_CHANGED;
		event.deviceid = 2;
		event.sourceid = kTouchpad;
		event.reason = reason;
		pointerInput.noteEvent(reinterpret_cast<const xcb_generic_event_t*>(&event));
	};
	deviceChanged(XCB_INPUT_CHANGE_REASON_SLAVE_SWITCH);
	EXPECT_EQ(stepsOf({900., 910.}), 1u) << "the master took the touchpad's valuators again";
	EXPECT_TRUE(pointerInput.getScrollValuators().knowsDevice(kTouchpad));
	deviceChanged(XCB_INPUT_CHANGE_REASON_DEVICE_CHANGE);
	EXPECT_FALSE(pointerInput.getScrollValuators().knowsDevice(kTouchpad)) << "its classes are asked for anew";

	pointerInput.getScrollValuators().describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}});
	xcb_input_hierarchy_event_t hierarchy {};
	hierarchy.response_type = XCB_GE_GENERIC;
	hierarchy.extension = xcb_get_extension_data(connection, &xcb_input_id)->major_opcode;
	hierarchy.event_type = XCB_INPUT_HIERARCHY;
	pointerInput.noteEvent(reinterpret_cast<const xcb_generic_event_t*>(&hierarchy));
	EXPECT_FALSE(pointerInput.getScrollValuators().knowsDevice(kTouchpad)) << "a device came or went";
}

// Without XInput 2 the server keeps sending core events, wheel buttons
// included; with it, the frame's window hears the pointer through it.
TEST_F(X11SmoothScrollTest, TheFrameListensThroughXInput2WhenItCan)
{
	open();
	auto pointerMask = [&](xcb_window_t window) {
		X11Reply<xcb_input_xi_get_selected_events_reply_t> reply(xcb_input_xi_get_selected_events_reply(
		    connection, xcb_input_xi_get_selected_events(connection, window), nullptr));
		uint32 mask = 0;
		for (auto it = xcb_input_xi_get_selected_events_masks_iterator(reply.get()); reply && it.rem;
		     xcb_input_event_mask_next(&it))
			if (it.data->deviceid == XCB_INPUT_DEVICE_ALL_MASTER && it.data->mask_len > 0)
				mask |= xcb_input_event_mask_mask(it.data)[0];
		return mask;
	};
	const uint32 pointerEvents = XCB_INPUT_XI_EVENT_MASK_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_BUTTON_RELEASE |
	                             XCB_INPUT_XI_EVENT_MASK_MOTION;
	EXPECT_EQ(pointerMask(platformFrame()->getWindow()) & pointerEvents, pointerEvents);

	platform->getPointerInput().setEnabled(false);
	auto coreFrame = new CFrame(CRect(0, 0, 100, 100));
	ASSERT_TRUE(coreFrame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	EXPECT_EQ(pointerMask(static_cast<X11Frame*>(coreFrame->getPlatformFrame())->getWindow()), 0u);
	coreFrame->close();
}

} // namespace
} // namespace Kavrin::Test
