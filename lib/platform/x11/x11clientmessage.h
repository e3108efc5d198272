#pragma once

#include "lib/kavrintypes.h"

#include <array>
#include <xcb/xcb.h>

namespace Kavrin {

// Sends a message of 32-bit values to another client's window, as the
// conventions of the desktop (XEmbed, XDND) exchange them. Not flushed.
// The message names window, which may differ from the destination: XDND
// sends a proxied target's messages to its proxy.
inline void sendClientMessage(xcb_connection_t* connection, xcb_window_t destination, xcb_window_t window,
                              xcb_atom_t type, const std::array<uint32, 5>& data)
{
	xcb_client_message_event_t message {};
	message.response_type = XCB_CLIENT_MESSAGE;
	message.format = 32;
	message.window = window;
	message.type = type;
	for (size_t index = 0; index < data.size(); ++index)
		message.data.data32[index] = data[index];
	xcb_send_event(connection, 0, destination, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
}

inline void sendClientMessage(xcb_connection_t* connection, xcb_window_t destination, xcb_atom_t type,
                              const std::array<uint32, 5>& data)
{
	sendClientMessage(connection, destination, destination, type, data);
}

} // namespace Kavrin
