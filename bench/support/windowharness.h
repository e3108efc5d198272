#pragma once

#include "lib/cframe.h"
#include "lib/platform/x11/x11platform.h"

#include <cstdlib>

namespace Kavrin::Bench {

// A frame opened in a top-level window of an X server, for timing what
// reaches the screen. The window is the frame's size at the platform's
// scale; the frame is closed and the window destroyed at the end.
class WindowHarness
{
public:
	WindowHarness(const SharedPointer<X11Platform>& platform, CFrame* frame) : platform(platform), frame(frame)
	{
		setPlatform(platform);
		xcb_connection_t* connection = platform->getConnection();
		const double scale = platform->getScaleFactor();
		const CRect& size = frame->getViewSize();
		parent = xcb_generate_id(connection);
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, parent, platform->getScreen()->root, 0, 0,
		                  uint16(size.getWidth() * scale), uint16(size.getHeight() * scale), 0,
		                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
		xcb_map_window(connection, parent);
		frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window);
		// The first paints and exposes settle before anything is timed.
		for (int i = 0; i < 20; ++i)
			platform->processEvents();
		waitForServer();
	}

	~WindowHarness()
	{
		frame->close();
		xcb_destroy_window(platform->getConnection(), parent);
		xcb_flush(platform->getConnection());
		setPlatform(nullptr);
	}

	// Paints what was invalidated and waits until the server has the pixels.
	void showChanges()
	{
		platform->processEvents();
		waitForServer();
	}

	// The server has handled every earlier request once it answers a later
	// one.
	void waitForServer()
	{
		xcb_connection_t* connection = platform->getConnection();
		std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
	}

private:
	SharedPointer<X11Platform> platform;
	CFrame* frame;
	xcb_window_t parent {XCB_NONE};
};

} // namespace Kavrin::Bench
