#pragma once

#include "lib/cframe.h"
#include "lib/platform/x11/x11platform.h"

#include <string>

namespace Kavrin {

// A top-level X11 window for a standalone program: a title, the window
// manager's close button, and a frame opened inside it. run() serves the
// platform's loop until the window is closed.
class StandaloneWindow
{
public:
	// The frame is opened in the window; the window takes its size. False
	// from isOpen() when the window or the frame could not be made.
	StandaloneWindow(X11Platform* platform, CFrame* frame, const std::string& title);
	~StandaloneWindow();

	bool isOpen() const { return window != XCB_NONE && frameOpen; }
	// Runs until the user closes the window (or quit() is called).
	void run();
	void quit();

private:
	void handleEvent(const xcb_generic_event_t* event);

	SharedPointer<X11Platform> platform;
	CFrame* frame;
	xcb_window_t window {XCB_NONE};
	xcb_atom_t deleteWindowAtom {XCB_NONE};
	bool frameOpen {false};
	bool closing {false};
};

} // namespace Kavrin
