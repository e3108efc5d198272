#include "host/standalonewindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Kavrin {

namespace {

uint16 deviceSide(double logical, double scale)
{
	return static_cast<uint16>(std::clamp(std::ceil(logical * scale), 1., 32767.));
}

} // namespace

StandaloneWindow::StandaloneWindow(X11Platform* platform, CFrame* frame, const std::string& title,
                                   bool resizable)
: platform(platform), frame(frame), resizable(resizable)
{
	if (!platform || !frame)
		return;
	xcb_connection_t* connection = platform->getConnection();
	const CRect& size = frame->getViewSize();
	const double scale = platform->getScaleFactor();
	const uint16 width = deviceSide(size.getWidth(), scale);
	const uint16 height = deviceSide(size.getHeight(), scale);
	window = xcb_generate_id(connection);
	const uint32 values[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, platform->getScreen()->root, 0, 0, width, height,
	                  0, XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, XCB_CW_EVENT_MASK,
	                  values);
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
	                    static_cast<uint32>(title.size()), title.data());
	if (xcb_atom_t netName = platform->internAtom("_NET_WM_NAME"))
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netName, platform->internAtom("UTF8_STRING"),
		                    8, static_cast<uint32>(title.size()), title.data());
	if (!resizable)
		setSizeHints(width, height);
	// The close button asks the program instead of killing the connection.
	xcb_atom_t protocols = platform->internAtom("WM_PROTOCOLS");
	deleteWindowAtom = platform->internAtom("WM_DELETE_WINDOW");
	if (protocols != XCB_NONE && deleteWindowAtom != XCB_NONE)
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1,
		                    &deleteWindowAtom);
	xcb_map_window(connection, window);
	xcb_flush(connection);
	platform->setOtherWindowEventHandler([this](const xcb_generic_event_t* event) { handleEvent(event); });
	frame->setPosition(0, 0);
	frameOpen = frame->open(reinterpret_cast<void*>(uintptr_t(window)), kX11Window);
}

StandaloneWindow::~StandaloneWindow()
{
	if (platform)
		platform->setOtherWindowEventHandler(nullptr);
	if (frameOpen && !closing)
		frame->close();
	if (window != XCB_NONE)
	{
		xcb_destroy_window(platform->getConnection(), window);
		xcb_flush(platform->getConnection());
	}
}

// A window that may not be resized tells the window manager its only size.
void StandaloneWindow::setSizeHints(uint32 width, uint32 height)
{
	constexpr uint32 kMinSize = 1 << 4;
	constexpr uint32 kMaxSize = 1 << 5;
	// The 18 words of WM_SIZE_HINTS: flags, four obsolete, minimum, maximum,
	// increments, aspect ratios, base size, gravity.
	uint32 hints[18] = {};
	hints[0] = kMinSize | kMaxSize;
	hints[5] = hints[7] = width;
	hints[6] = hints[8] = height;
	xcb_change_property(platform->getConnection(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
	                    XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

void StandaloneWindow::handleEvent(const xcb_generic_event_t* event)
{
	if ((event->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY)
	{
		// The user resized the window: the frame follows, in logical units.
		auto configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
		if (configure->window != window || !resizable || !frameOpen || closing)
			return;
		const double scale = platform->getScaleFactor();
		CRect size = frame->getViewSize();
		if (configure->width != deviceSide(size.getWidth(), scale) ||
		    configure->height != deviceSide(size.getHeight(), scale))
			frame->setSize(configure->width / scale, configure->height / scale);
		return;
	}
	if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
		return;
	auto message = reinterpret_cast<const xcb_client_message_event_t*>(event);
	if (message->window == window && message->format == 32 && message->data.data32[0] == deleteWindowAtom)
		quit();
}

void StandaloneWindow::run()
{
	auto loop = dynamic_cast<DefaultRunLoop*>(platform->getRunLoop());
	if (!loop || !isOpen())
		return;
	while (!closing && loop->runOnce(-1))
	{
	}
}

void StandaloneWindow::quit()
{
	if (closing)
		return;
	closing = true;
	if (frameOpen)
		frame->close();
}

} // namespace Kavrin
