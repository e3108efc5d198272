#pragma once

#include "lib/cframe.h"
#include "lib/platform/x11/x11platform.h"

#include <string>

namespace Kavrin {

// A top-level X11 window for a standalone program: a title, the window
// manager's close button, and a frame opened inside it. The window is as
// large as the frame at the desktop's scale; the user may resize it only
// when the editor allows, and the frame then follows. run() serves the
// platform's loop until the window is closed.
class StandaloneWindow
{
public:
	// The frame is opened in the window; the window takes its size. False
	// from isOpen() when the window or the frame could not be made.
	StandaloneWindow(X11Platform* platform, CFrame* frame, const std::string& title, bool resizable = false);
	~StandaloneWindow();

	bool isOpen() const { return window != XCB_NONE && frameOpen; }
	CFrame* getFrame() const { return frame; }
	xcb_window_t getWindow() const { return window; }
	// Runs until the user closes the window (or quit() is called).
	void run();
	void quit();

private:
	void handleEvent(const xcb_generic_event_t* event);
	void setSizeHints(uint32 width, uint32 height);

	SharedPointer<X11Platform> platform;
	CFrame* frame;
	xcb_window_t window {XCB_NONE};
	xcb_atom_t deleteWindowAtom {XCB_NONE};
	bool frameOpen {false};
	bool closing {false};
	bool resizable {false};
};

} // namespace Kavrin
