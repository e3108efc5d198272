#include "host/standalonewindow.h"

#include <cstring>

namespace Kavrin {

StandaloneWindow::StandaloneWindow(X11Platform* platform, CFrame* frame, const std::string& title)
: platform(platform), frame(frame)
{
	if (!platform || !frame)
		return;
	xcb_connection_t* connection = platform->getConnection();
	const CRect& size = frame->getViewSize();
	window = xcb_generate_id(connection);
	const uint32 values[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, platform->getScreen()->root, 0, 0,
	                  static_cast<uint16>(std::max(1., size.getWidth())),
	                  static_cast<uint16>(std::max(1., size.getHeight())), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
	                  platform->getScreen()->root_visual, XCB_CW_EVENT_MASK, values);
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
	                    static_cast<uint32>(title.size()), title.data());
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

void StandaloneWindow::handleEvent(const xcb_generic_event_t* event)
{
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
