#include "lib/platform/x11/x11pointerinput.h"

#include "lib/platform/x11/x11reply.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Kavrin {

namespace {

constexpr uint32 kPointerEvents = XCB_INPUT_XI_EVENT_MASK_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_BUTTON_RELEASE |
                                  XCB_INPUT_XI_EVENT_MASK_MOTION;

// One device's entry of an event selection: its id, the mask's length in
// 4-byte units, then the mask.
void selectEvents(xcb_connection_t* connection, xcb_window_t window,
                  const std::vector<std::pair<uint16, std::vector<uint32>>>& selections)
{
	std::vector<uint32> request;
	for (const auto& [deviceId, mask] : selections)
	{
		const xcb_input_event_mask_t head {deviceId, uint16(mask.size())};
		uint32 headWord = 0;
		std::memcpy(&headWord, &head, sizeof(headWord));
		request.push_back(headWord);
		request.insert(request.end(), mask.begin(), mask.end());
	}
	xcb_input_xi_select_events(connection, window, uint16(selections.size()),
	                           reinterpret_cast<const xcb_input_event_mask_t*>(request.data()));
}

// The core protocol's whole pixels: the integral part, toward minus
// infinity.
int16 corePixel(xcb_input_fp1616_t value)
{
	return int16(std::clamp(std::floor(value / 65536.), -32768., 32767.));
}

// Modifiers in bits 0 to 7, buttons 1 to 5 in bits 8 to 12, the keyboard
// group in bits 13 and 14.
uint16 coreState(uint32 modifiers, uint8 group, uint32 buttonsHeld)
{
	return uint16((modifiers & 0xFF) | (((buttonsHeld >> 1) & 0x1F) << 8) | ((group & 3u) << 13));
}

} // namespace

X11PointerInput::X11PointerInput(xcb_connection_t* connection, xcb_window_t root) : connection(connection)
{
	const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_input_id);
	if (!extension || !extension->present)
		return;
	majorOpcode = extension->major_opcode;
	// Announcing 2.2 (or more) has the server flag the scroll buttons it
	// makes up; 2.1 brought the scroll valuators.
	X11Reply<xcb_input_xi_query_version_reply_t> version(
	    xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2), nullptr));
	available = version && (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 1));
	if (available)
		watchHierarchy(root);
}

// Devices come and go (and a new one may take a gone one's id) on the
// root window only. Whatever else the connection selected there stays.
void X11PointerInput::watchHierarchy(xcb_window_t root)
{
	std::vector<uint32> mask {XCB_INPUT_XI_EVENT_MASK_HIERARCHY};
	X11Reply<xcb_input_xi_get_selected_events_reply_t> selected(xcb_input_xi_get_selected_events_reply(
	    connection, xcb_input_xi_get_selected_events(connection, root), nullptr));
	if (selected)
	{
		for (auto it = xcb_input_xi_get_selected_events_masks_iterator(selected.get()); it.rem;
		     xcb_input_event_mask_next(&it))
		{
			if (it.data->deviceid != XCB_INPUT_DEVICE_ALL)
				continue;
			const uint32* bits = xcb_input_event_mask_mask(it.data);
			mask.resize(std::max<size_t>(mask.size(), it.data->mask_len), 0);
			for (uint16 i = 0; i < it.data->mask_len; ++i)
				mask[i] |= bits[i];
		}
	}
	selectEvents(connection, root, {{XCB_INPUT_DEVICE_ALL, mask}});
}

void X11PointerInput::listenTo(xcb_window_t window)
{
	if (!isActive() || window == XCB_NONE)
		return;
	// A device whose classes change tells it to every window listening for
	// it; a master taking another source's valuators tells it as its own.
	selectEvents(connection, window,
	             {{XCB_INPUT_DEVICE_ALL_MASTER, {kPointerEvents | XCB_INPUT_XI_EVENT_MASK_DEVICE_CHANGED}},
	              {XCB_INPUT_DEVICE_ALL, {XCB_INPUT_XI_EVENT_MASK_DEVICE_CHANGED}}});
}

bool X11PointerInput::isOwnEvent(const xcb_generic_event_t* event, uint16 eventType) const
{
	if (!available || (event->response_type & 0x7F) != XCB_GE_GENERIC)
		return false;
	auto generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
	return generic->extension == majorOpcode && generic->event_type == eventType;
}

bool X11PointerInput::isDeviceEvent(const xcb_generic_event_t* event) const
{
	return isOwnEvent(event, XCB_INPUT_BUTTON_PRESS) || isOwnEvent(event, XCB_INPUT_BUTTON_RELEASE) ||
	       isOwnEvent(event, XCB_INPUT_MOTION);
}

void X11PointerInput::noteEvent(const xcb_generic_event_t* event)
{
	if ((event->response_type & 0x7F) == XCB_ENTER_NOTIFY)
	{
		scrollValuators.forgetPositions();
		hasLastPosition = false;
	}
	else if (isOwnEvent(event, XCB_INPUT_DEVICE_CHANGED))
	{
		auto changed = reinterpret_cast<const xcb_input_device_changed_event_t*>(event);
		// A master switching sources keeps the source's classes; otherwise
		// the device has new ones.
		if (changed->reason == XCB_INPUT_CHANGE_REASON_SLAVE_SWITCH)
			scrollValuators.forgetPositions(changed->sourceid);
		else
		{
			scrollValuators.forgetDevice(changed->sourceid);
			scrollValuators.forgetDevice(changed->deviceid);
		}
	}
	else if (isOwnEvent(event, XCB_INPUT_HIERARCHY))
		scrollValuators.forgetDevices();
}

xcb_window_t X11PointerInput::eventWindow(const xcb_generic_event_t* event) const
{
	if (!isDeviceEvent(event))
		return XCB_NONE;
	return reinterpret_cast<const xcb_input_button_press_event_t*>(event)->event;
}

X11PointerInput::PointerEvent X11PointerInput::translate(const xcb_generic_event_t* event)
{
	PointerEvent pointer;
	if (!isDeviceEvent(event))
		return pointer;
	auto device = reinterpret_cast<const xcb_input_button_press_event_t*>(event);
	X11DeviceEventParts parts;
	if (!X11DeviceEventParts::read(device, parts))
		return pointer;
	const bool motion = device->event_type == XCB_INPUT_MOTION;
	xcb_button_press_event_t& core = pointer.core;
	core.response_type = motion ? XCB_MOTION_NOTIFY
	                            : device->event_type == XCB_INPUT_BUTTON_PRESS ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE;
	core.detail = motion || device->detail > 255 ? 0 : uint8(device->detail);
	core.sequence = device->sequence;
	core.time = device->time;
	core.root = device->root;
	core.event = device->event;
	core.child = device->child;
	core.root_x = corePixel(device->root_x);
	core.root_y = corePixel(device->root_y);
	core.event_x = corePixel(device->event_x);
	core.event_y = corePixel(device->event_y);
	core.state = coreState(device->mods.effective, device->group.effective, parts.buttonsHeld);
	core.same_screen = 1;
	if (motion)
	{
		if (!scrollValuators.knowsDevice(device->sourceid))
			learnDevice(device->sourceid);
		pointer.wheel = scrollValuators.motion(device);
		pointer.reachesViews = pointerMoved(device);
	}
	else
		pointer.reachesViews = core.detail != 0 && !X11ScrollValuators::isEmulatedWheelButton(device);
	if (device->event_type == XCB_INPUT_BUTTON_PRESS)
		pressDevice = device->deviceid;
	return pointer;
}

void X11PointerInput::releasePressGrab()
{
	if (pressDevice != 0)
		xcb_input_xi_ungrab_device(connection, XCB_CURRENT_TIME, pressDevice);
}

// A device the server no longer knows is known to have no scroll axes.
void X11PointerInput::learnDevice(uint16 deviceId)
{
	X11Reply<xcb_input_xi_query_device_reply_t> reply(
	    xcb_input_xi_query_device_reply(connection, xcb_input_xi_query_device(connection, deviceId), nullptr));
	scrollValuators.describeDevice(deviceId, X11ScrollValuators::axesFromQuery(reply.get(), deviceId));
}

// Scrolling moves valuators, not the pointer: the core protocol sends no
// motion then, and the views hear none.
bool X11PointerInput::pointerMoved(const xcb_input_motion_event_t* event)
{
	const bool moved = !hasLastPosition || event->root_x != lastRootX || event->root_y != lastRootY;
	hasLastPosition = true;
	lastRootX = event->root_x;
	lastRootY = event->root_y;
	return moved;
}

} // namespace Kavrin
