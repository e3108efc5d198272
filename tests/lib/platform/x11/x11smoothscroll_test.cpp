#include "lib/platform/x11/x11smoothscroll.h"

#include "tests/support/xinputevents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <string>

namespace Kavrin::Test {
namespace {

using Axis = X11ScrollValuators::Axis;
using Step = X11ScrollValuators::WheelStep;
using Values = std::vector<std::pair<uint32, double>>;

constexpr uint16 kTouchpad = 12;
constexpr uint32 kEmulated = XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED;

std::string describe(const std::vector<Step>& steps)
{
	std::string text;
	for (const auto& step : steps)
		text += std::string(step.axis == kWheelAxisY ? "Y" : "X") + std::to_string(step.distance) + " ";
	return text;
}

// Recorded moves of one device, fed to a tracker that knows it.
class ScrollValuatorsTest : public ::testing::Test
{
protected:
	std::vector<Step> move(const Values& values, uint32 flags = 0, uint16 source = kTouchpad)
	{
		XInputDeviceEvent event;
		event.source = source;
		event.flags = flags;
		event.valuators = values;
		XInputBytes bytes(event.bytes());
		return tracker.motion(bytes.as<xcb_input_motion_event_t>());
	}

	X11ScrollValuators tracker;
};

// Each case describes one device, then feeds its moves in order; the
// steps of all moves together are what the views would hear.
TEST_F(ScrollValuatorsTest, ValuatorChangesBecomeFractionalWheelSteps)
{
	struct Case
	{
		const char* what;
		std::vector<Axis> axes;
		std::vector<Values> moves;
		std::vector<Step> steps;
	};
	const Case cases[] = {
	    {"a touchpad scrolls down in fractions of its increment",
	     {{3, kWheelAxisY, 15.}},
	     {{{3, 100.}}, {{3, 107.5}}, {{3, 111.25}}},
	     {{kWheelAxisY, -0.5f}, {kWheelAxisY, -0.25f}}},
	    {"and back up",
	     {{3, kWheelAxisY, 15.}},
	     {{{3, 100.}}, {{3, 70.}}},
	     {{kWheelAxisY, 2.f}}},
	    {"a high-resolution wheel gives eighths of a notch",
	     {{2, kWheelAxisY, 120.}},
	     {{{2, 0.}}, {{2, 15.}}, {{2, 30.}}, {{2, 15.}}},
	     {{kWheelAxisY, -0.125f}, {kWheelAxisY, -0.125f}, {kWheelAxisY, 0.125f}}},
	    {"horizontal growth scrolls right, like button 7",
	     {{2, kWheelAxisX, 15.}},
	     {{{2, 0.}}, {{2, 15.}}, {{2, 7.5}}},
	     {{kWheelAxisX, -1.f}, {kWheelAxisX, 0.5f}}},
	    {"a negative increment turns the valuator around",
	     {{3, kWheelAxisY, -10.}},
	     {{{3, 0.}}, {{3, 5.}}},
	     {{kWheelAxisY, 0.5f}}},
	    {"both axes in one move, with the pointer moving too",
	     {{2, kWheelAxisX, 10.}, {3, kWheelAxisY, 10.}},
	     {{{0, 5.}, {1, 5.}, {2, 0.}, {3, 0.}}, {{0, 6.}, {1, 7.}, {2, 2.5}, {3, -10.}}},
	     {{kWheelAxisX, -0.25f}, {kWheelAxisY, 1.f}}},
	    {"a move without the scroll valuators scrolls nothing",
	     {{3, kWheelAxisY, 15.}},
	     {{{3, 0.}}, {{0, 50.}, {1, 60.}}, {{3, 15.}}},
	     {{kWheelAxisY, -1.f}}},
	    {"a valuator far up the mask, past the first word",
	     {{40, kWheelAxisY, 1.}},
	     {{{0, 1.}, {40, -3.}}, {{0, 1.}, {40, -1.}}},
	     {{kWheelAxisY, -2.f}}},
	    {"valuators of values that do not change give no step",
	     {{3, kWheelAxisY, 15.}},
	     {{{3, 5.}}, {{3, 5.}}},
	     {}},
	};
	for (const auto& c : cases)
	{
		tracker = X11ScrollValuators();
		tracker.describeDevice(kTouchpad, c.axes);
		std::vector<Step> steps;
		for (const auto& values : c.moves)
			for (const auto& step : move(values))
				steps.push_back(step);
		ASSERT_EQ(steps.size(), c.steps.size()) << c.what << ": " << describe(steps);
		for (size_t i = 0; i < steps.size(); ++i)
		{
			EXPECT_EQ(steps[i].axis, c.steps[i].axis) << c.what << " step " << i;
			EXPECT_FLOAT_EQ(steps[i].distance, c.steps[i].distance) << c.what << " step " << i;
		}
	}
}

// A physical wheel on a device with scroll valuators: the server sends the
// real button and a made-up valuator move. The move is no step, but the
// next real move counts from where it left the valuator.
TEST_F(ScrollValuatorsTest, EmulatedMovesOnlyRecordWhereTheValuatorIs)
{
	tracker.describeDevice(kTouchpad, {{3, kWheelAxisY, 120.}});
	EXPECT_TRUE(move({{3, 0.}}).empty());
	EXPECT_TRUE(move({{3, 120.}}, kEmulated).empty()) << "button 5 was delivered as itself";
	auto steps = move({{3, 135.}});
	ASSERT_EQ(steps.size(), 1u);
	EXPECT_FLOAT_EQ(steps[0].distance, -0.125f) << "not the emulated notch again";
}

TEST_F(ScrollValuatorsTest, OnlyMadeUpWheelButtonsAreSkipped)
{
	struct Case
	{
		uint16 type;
		uint32 detail;
		uint32 flags;
		bool skipped;
	};
	const Case cases[] = {
	    {XCB_INPUT_BUTTON_PRESS, 4, kEmulated, true},
	    {XCB_INPUT_BUTTON_RELEASE, 5, kEmulated, true},
	    {XCB_INPUT_BUTTON_PRESS, 6, kEmulated, true},
	    {XCB_INPUT_BUTTON_PRESS, 7, kEmulated, true},
	    {XCB_INPUT_BUTTON_PRESS, 4, 0, false},  // a real wheel button
	    {XCB_INPUT_BUTTON_PRESS, 1, kEmulated, false},  // a touch's emulated click is a click
	    {XCB_INPUT_BUTTON_PRESS, 8, kEmulated, false},
	    {XCB_INPUT_MOTION, 4, kEmulated, false},
	};
	for (const auto& c : cases)
	{
		XInputDeviceEvent event;
		event.type = c.type;
		event.detail = c.detail;
		event.flags = c.flags;
		XInputBytes bytes(event.bytes());
		EXPECT_EQ(X11ScrollValuators::isEmulatedWheelButton(bytes.as<xcb_input_button_press_event_t>()), c.skipped)
		    << "type " << c.type << " button " << c.detail << " flags " << c.flags;
	}
}

// After the pointer comes back from elsewhere the valuators moved unseen:
// the first value only records where they are.
TEST_F(ScrollValuatorsTest, FirstValueAfterForgettingPositionsOnlyRecords)
{
	constexpr uint16 kMouse = 14;
	tracker.describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}});
	tracker.describeDevice(kMouse, {{3, kWheelAxisY, 10.}});
	move({{3, 0.}});
	move({{3, 0.}}, 0, kMouse);
	tracker.forgetPositions();
	EXPECT_TRUE(move({{3, 500.}}).empty());
	EXPECT_EQ(move({{3, 510.}}).size(), 1u);

	tracker.forgetPositions(kMouse);
	EXPECT_EQ(move({{3, 520.}}).size(), 1u) << "another device's positions stay";
	EXPECT_TRUE(move({{3, 80.}}, 0, kMouse).empty());
	EXPECT_EQ(move({{3, 90.}}, 0, kMouse).size(), 1u);
}

// A changed device is asked about anew: until then it is unknown, and its
// events give nothing; described again, it starts from no position.
TEST_F(ScrollValuatorsTest, ADeviceChangeForgetsWhatTheDeviceWas)
{
	tracker.describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}});
	move({{3, 0.}});
	tracker.forgetDevice(kTouchpad);
	EXPECT_FALSE(tracker.knowsDevice(kTouchpad));
	EXPECT_TRUE(move({{3, 10.}}).empty());

	tracker.describeDevice(kTouchpad, {{2, kWheelAxisY, 10.}});
	EXPECT_TRUE(move({{2, 30.}, {3, 20.}}).empty()) << "valuator 2 starts here, valuator 3 no longer scrolls";
	auto steps = move({{2, 40.}, {3, 100.}});
	ASSERT_EQ(steps.size(), 1u);
	EXPECT_FLOAT_EQ(steps[0].distance, -1.f);

	tracker.forgetDevices();
	EXPECT_FALSE(tracker.knowsDevice(kTouchpad));
}

TEST_F(ScrollValuatorsTest, DevicesWithoutScrollAxesGiveNoSteps)
{
	tracker.describeDevice(kTouchpad, {});
	EXPECT_TRUE(tracker.knowsDevice(kTouchpad));
	move({{0, 1.}, {1, 1.}, {2, 0.}, {3, 0.}});
	EXPECT_TRUE(move({{0, 2.}, {1, 2.}, {2, 50.}, {3, 50.}}).empty());
	move({{3, 0.}}, 0, 99);
	EXPECT_TRUE(move({{3, 50.}}, 0, 99).empty()) << "an unknown device";
}

// Axes no step can be measured in are left out, rather than divided by.
TEST_F(ScrollValuatorsTest, AxesWithoutAStepSizeAreLeftOut)
{
	for (double increment : {0., std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
	{
		tracker.describeDevice(kTouchpad, {{3, kWheelAxisY, increment}, {2, kWheelAxisX, 10.}});
		move({{2, 0.}, {3, 0.}});
		auto steps = move({{2, 10.}, {3, 10.}});
		ASSERT_EQ(steps.size(), 1u) << increment;
		EXPECT_EQ(steps[0].axis, kWheelAxisX);
	}
}

// What a broken or hostile server might send: masks and values that run
// past the event's end, mask bits with no value. Nothing is read past the
// event (the sanitizer sees to that) and nothing scrolls.
TEST_F(ScrollValuatorsTest, EventsWhosePartsDoNotFitGiveNothing)
{
	tracker.describeDevice(kTouchpad, {{3, kWheelAxisY, 10.}, {5000, kWheelAxisY, 10.}});
	move({{3, 0.}});
	XInputDeviceEvent good;
	good.valuators = {{3, 10.}};
	const std::vector<uint8> goodBytes = good.bytes();
	struct Case
	{
		const char* what;
		std::function<void(std::vector<uint8>&)> damage;
	};
	auto field = [](std::vector<uint8>& bytes, size_t offset, uint16 value) {
		std::memcpy(bytes.data() + offset, &value, 2);
	};
	const size_t buttonsLenAt = offsetof(xcb_input_button_press_event_t, buttons_len);
	const size_t valuatorsLenAt = offsetof(xcb_input_button_press_event_t, valuators_len);
	const Case cases[] = {
	    {"the valuator mask is longer than the event",
	     [&](auto& bytes) { field(bytes, valuatorsLenAt, 3); }},
	    {"the buttons mask is longer than the event", [&](auto& bytes) { field(bytes, buttonsLenAt, 200); }},
	    {"every valuator is set, with one value",
	     [&](auto& bytes) { std::memset(bytes.data() + sizeof(xcb_input_button_press_event_t) + 4, 0xFF, 4); }},
	    {"the value is cut off",
	     [&](auto& bytes) {
		     bytes.resize(bytes.size() - 4);
		     XInputDeviceEvent::setLength(bytes);
	     }},
	    {"the masks are cut off",
	     [&](auto& bytes) {
		     bytes.resize(sizeof(xcb_input_button_press_event_t) + 4);
		     XInputDeviceEvent::setLength(bytes);
	     }},
	    {"only the first 36 bytes came",
	     [&](auto& bytes) {
		     bytes.resize(36);
		     XInputDeviceEvent::setLength(bytes);
	     }},
	};
	for (const auto& c : cases)
	{
		std::vector<uint8> bytes = goodBytes;
		c.damage(bytes);
		XInputBytes event(bytes);
		EXPECT_TRUE(tracker.motion(event.as<xcb_input_motion_event_t>()).empty()) << c.what;
		X11DeviceEventParts parts;
		EXPECT_FALSE(X11DeviceEventParts::read(event.as<xcb_input_button_press_event_t>(), parts)) << c.what;
		EXPECT_TRUE(parts.valuators.empty()) << c.what;
	}
	XInputBytes intact(goodBytes);
	EXPECT_EQ(tracker.motion(intact.as<xcb_input_motion_event_t>()).size(), 1u) << "the undamaged event scrolls";
}

TEST(X11DeviceEventPartsTest, ReadsTheButtonsHeldAndTheValuatorsInOrder)
{
	XInputDeviceEvent event;
	event.buttonsHeld = (1u << 1) | (1u << 3);
	event.valuators = {{0, 12.5}, {1, -3.25}, {33, 1e6}};
	XInputBytes bytes(event.bytes());
	X11DeviceEventParts parts;
	ASSERT_TRUE(X11DeviceEventParts::read(bytes.as<xcb_input_button_press_event_t>(), parts));
	EXPECT_EQ(parts.buttonsHeld, event.buttonsHeld);
	EXPECT_EQ(parts.valuators, event.valuators);
}

// ---- Devices from the server's description ----

TEST(X11ScrollAxesTest, TheAskedDevicesScrollClassesBecomeItsAxes)
{
	XInputDeviceInfo master {
	    2, "Virtual core pointer", {XInputDeviceInfo::otherClass(XCB_INPUT_DEVICE_CLASS_TYPE_VALUATOR, 11, 2)}};
	XInputDeviceInfo touchpad {12, "Touchpad!", // a name whose length needs padding
	                           {XInputDeviceInfo::otherClass(XCB_INPUT_DEVICE_CLASS_TYPE_BUTTON, 5),
	                            XInputDeviceInfo::otherClass(XCB_INPUT_DEVICE_CLASS_TYPE_VALUATOR, 11),
	                            XInputDeviceInfo::scrollClass(2, XCB_INPUT_SCROLL_TYPE_HORIZONTAL, 15.),
	                            XInputDeviceInfo::scrollClass(3, XCB_INPUT_SCROLL_TYPE_VERTICAL, 7.5),
	                            XInputDeviceInfo::scrollClass(4, XCB_INPUT_SCROLL_TYPE_VERTICAL, 0.),
	                            XInputDeviceInfo::scrollClass(5, 9, 10.)}};
	XInputBytes reply(xinputQueryDeviceReply({master, touchpad}));
	auto axes = X11ScrollValuators::axesFromQuery(reply.as<xcb_input_xi_query_device_reply_t>(), 12);
	ASSERT_EQ(axes.size(), 2u) << "no increment, or no direction, is no axis";
	EXPECT_EQ(axes[0].valuator, 2u);
	EXPECT_EQ(axes[0].axis, kWheelAxisX);
	EXPECT_EQ(axes[0].increment, 15.);
	EXPECT_EQ(axes[1].valuator, 3u);
	EXPECT_EQ(axes[1].axis, kWheelAxisY);
	EXPECT_EQ(axes[1].increment, 7.5);

	EXPECT_TRUE(X11ScrollValuators::axesFromQuery(reply.as<xcb_input_xi_query_device_reply_t>(), 2).empty());
	EXPECT_TRUE(X11ScrollValuators::axesFromQuery(reply.as<xcb_input_xi_query_device_reply_t>(), 40).empty());
	EXPECT_TRUE(X11ScrollValuators::axesFromQuery(nullptr, 12).empty()) << "no reply: the device is gone";
}

TEST(X11ScrollAxesTest, AReplyThatRunsPastItsEndGivesNoAxes)
{
	XInputDeviceInfo touchpad {12, "Touchpad", {XInputDeviceInfo::scrollClass(3, XCB_INPUT_SCROLL_TYPE_VERTICAL, 10.)}};
	const std::vector<uint8> good = xinputQueryDeviceReply({touchpad});
	auto setLength = [](std::vector<uint8>& bytes) {
		const uint32 length = uint32((bytes.size() - 32) / 4);
		std::memcpy(bytes.data() + 4, &length, 4);
	};
	const size_t classAt = good.size() - 24;
	struct Case
	{
		const char* what;
		std::function<void(std::vector<uint8>&)> damage;
		size_t touchpadAxes;
	};
	const Case cases[] = {
	    {"the class is cut off",
	     [&](auto& bytes) {
		     bytes.resize(bytes.size() - 8);
		     setLength(bytes);
	     },
	     0},
	    {"a class of no length", [&](auto& bytes) { std::memset(bytes.data() + classAt + 2, 0, 2); }, 0},
	    {"more classes than there are", [&](auto& bytes) { bytes[32 + 6] = 9; }, 0},
	    {"a name longer than the reply", [&](auto& bytes) { bytes[32 + 8] = 0xFF; }, 0},
	    // The device asked for is found before the missing ones.
	    {"more devices than there are", [&](auto& bytes) { bytes[8] = 5; }, 1},
	};
	for (const auto& c : cases)
	{
		std::vector<uint8> bytes = good;
		c.damage(bytes);
		XInputBytes reply(bytes);
		EXPECT_TRUE(X11ScrollValuators::axesFromQuery(reply.as<xcb_input_xi_query_device_reply_t>(), 40).empty())
		    << c.what;
		EXPECT_EQ(X11ScrollValuators::axesFromQuery(reply.as<xcb_input_xi_query_device_reply_t>(), 12).size(),
		          c.touchpadAxes)
		    << c.what;
	}
}

} // namespace
} // namespace Kavrin::Test
