#pragma once

// A connection of the test's own to the X server, acting as another
// program would.

#include "lib/kavrintypes.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace Kavrin::Test {

class X11Client
{
public:
	explicit X11Client(const std::string& display) : connection(xcb_connect(display.c_str(), nullptr)) {}
	virtual ~X11Client() { xcb_disconnect(connection); }
	X11Client(const X11Client&) = delete;
	X11Client& operator=(const X11Client&) = delete;

	xcb_screen_t* screen() const { return xcb_setup_roots_iterator(xcb_get_setup(connection)).data; }

	xcb_atom_t atom(const char* name)
	{
		auto reply = xcb_intern_atom_reply(
		    connection, xcb_intern_atom(connection, 0, uint16(std::strlen(name)), name), nullptr);
		xcb_atom_t result = reply ? reply->atom : XCB_NONE;
		std::free(reply);
		return result;
	}
	std::string atomName(xcb_atom_t value)
	{
		if (value == XCB_NONE)
			return "None";
		auto reply = xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, value), nullptr);
		if (!reply)
			return "?";
		std::string name(xcb_get_atom_name_name(reply), size_t(xcb_get_atom_name_name_length(reply)));
		std::free(reply);
		return name;
	}
	// Handles every event that arrived, as the program's loop would.
	void service()
	{
		while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
		{
			handleEvent(*event);
			std::free(event);
		}
	}
	virtual void handleEvent(const xcb_generic_event_t&) {}

	// Returns once the server has handled every request sent before.
	void sync() { std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }

	xcb_connection_t* connection;
};

} // namespace Kavrin::Test
