#pragma once

#include "lib/platform/x11/x11smoothscroll.h"

#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

// The pointer through XInput 2.1, one per connection. A window that listens
// through it hears presses, releases and moves of every master pointer as
// XInput 2 events instead of core ones (the server then sends it no core
// pointer events), so that scroll valuators reach it: touchpads and
// high-resolution wheels scroll by any fraction of a notch. The frame turns
// each event back into the core event the server would have sent, and hears
// the wheel steps besides; a server without XInput 2.1 leaves its windows
// on core events, wheel buttons included.
//
// What devices can scroll is asked of the server on a device's first move
// and asked again when the device changes.
class X11PointerInput
{
public:
	X11PointerInput(xcb_connection_t* connection, xcb_window_t root);

	// True when the server speaks XInput 2.1 or later and use is not
	// turned off.
	bool isActive() const { return available && enabled; }
	// A program or a test may keep later windows on core events.
	void setEnabled(bool use) { enabled = use; }
	// Has a window's pointer events come through XInput 2, when active.
	void listenTo(xcb_window_t window);

	// Follows device changes and core enters (the pointer comes back from
	// windows whose moves were not heard); takes no event from others.
	void noteEvent(const xcb_generic_event_t* event);
	// The window of an XInput 2 press, release or move; XCB_NONE for other
	// events.
	xcb_window_t eventWindow(const xcb_generic_event_t* event) const;

	struct PointerEvent
	{
		// The event as the core protocol would have sent it: press,
		// release or motion, in the window's device pixels, with the core
		// state of modifiers and buttons.
		xcb_button_press_event_t core {};
		// Whether the views hear it as a press, release or move. Wheel
		// buttons the server made up, and moves that only scrolled, are
		// not heard.
		bool reachesViews {false};
		std::vector<X11ScrollValuators::WheelStep> wheel;
	};
	// An XInput 2 press, release or move; nothing for other events.
	PointerEvent translate(const xcb_generic_event_t* event);

	// Ends the grab the last press began, for a core grab to follow (the
	// server refuses one while a grab of the other kind holds the pointer,
	// even the same client's).
	void releasePressGrab();

	X11ScrollValuators& getScrollValuators() { return scrollValuators; }

private:
	bool isOwnEvent(const xcb_generic_event_t* event, uint16 eventType) const;
	bool isDeviceEvent(const xcb_generic_event_t* event) const;
	void watchHierarchy(xcb_window_t root);
	void learnDevice(uint16 deviceId);
	// Whether a move reaches the views: its position differs from the
	// last one's.
	bool pointerMoved(const xcb_input_motion_event_t* event);

	xcb_connection_t* connection;
	uint8 majorOpcode {0};
	bool available {false};
	bool enabled {true};
	X11ScrollValuators scrollValuators;
	uint16 pressDevice {0}; // the master pointer the last press came through
	bool hasLastPosition {false};
	int32 lastRootX {0};
	int32 lastRootY {0};
};

} // namespace Kavrin
