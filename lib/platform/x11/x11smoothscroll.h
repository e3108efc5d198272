#pragma once

#include "lib/cbuttonstate.h"

#include <map>
#include <utility>
#include <vector>
#include <xcb/xinput.h>

namespace Kavrin {

// The parts after the fixed fields of an XInput 2 press, release or move:
// the buttons held and the valuators the event carries. The event is read
// as xcb hands it over (its wire's first 32 bytes, the full sequence number
// xcb puts after them, then `length` 4-byte units), and nothing is read
// beyond those bytes.
struct X11DeviceEventParts
{
	// False, with the parts left empty, when the masks and values the
	// event announces do not fit in it.
	static bool read(const xcb_input_button_press_event_t* event, X11DeviceEventParts& parts);

	// Bit n set: button n is held (buttons 1 to 31).
	uint32 buttonsHeld {0};
	// Valuator number and value, in valuator order.
	std::vector<std::pair<uint32, double>> valuators;
};

// Smooth scrolling through XInput 2.1 scroll valuators. Touchpads and
// high-resolution wheels report scrolling as moves of a valuator whose
// value only grows or shrinks: the change since the device's last event,
// in units of the valuator's increment, is the wheel distance. Positive
// distances scroll up (like button 4) and left (like button 6); a valuator
// growing by its increment scrolls down, or right.
//
// A device scrolls both ways: the server makes up buttons 4 to 7 from the
// valuators, and valuator moves from real buttons 4 to 7, and flags what it
// made up as emulated. Only the device's own reports are delivered; the
// moves it made up still set where the valuators are, so that the next
// real move counts only its own change.
//
// Devices are known by the id of the device that sent the event (the
// source, not the master the event came through, which takes the source's
// valuators as its own).
class X11ScrollValuators
{
public:
	struct Axis
	{
		uint32 valuator;
		CMouseWheelAxis axis;
		double increment; // may be negative: the valuator runs the other way
	};
	struct WheelStep
	{
		CMouseWheelAxis axis;
		float distance;
	};

	// The scroll axes of a device in an XIQueryDevice reply; none when the
	// reply does not describe it, or describes it beyond its own length.
	// Axes without a direction or with an increment of zero are left out.
	static std::vector<Axis> axesFromQuery(const xcb_input_xi_query_device_reply_t* reply, uint16 deviceId);

	// A device with no scroll axes is known too: its events give no steps.
	void describeDevice(uint16 deviceId, std::vector<Axis> axes);
	bool knowsDevice(uint16 deviceId) const { return devices.count(deviceId) != 0; }
	void forgetDevice(uint16 deviceId) { devices.erase(deviceId); }
	void forgetDevices() { devices.clear(); }
	// Where the valuators were no longer counts (the pointer came back from
	// elsewhere, the device changed): the next value of each only records.
	void forgetPositions();
	void forgetPositions(uint16 deviceId);

	// The wheel steps of an XI_Motion event of a known device: none for
	// other events, for the first value of a valuator, for emulated moves
	// and for events whose parts do not fit.
	std::vector<WheelStep> motion(const xcb_input_motion_event_t* event);
	// True for a press or release of buttons 4 to 7 that the server made up
	// from valuator moves, which were delivered already.
	static bool isEmulatedWheelButton(const xcb_input_button_press_event_t* event);

private:
	struct Device
	{
		std::vector<Axis> axes;
		std::map<uint32, double> lastValues; // by valuator
	};
	std::map<uint16, Device> devices;
};

} // namespace Kavrin
