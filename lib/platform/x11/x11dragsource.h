#pragma once

#include "lib/cpoint.h"
#include "lib/dragging.h"
#include "lib/platform/x11/runloop.h"
#include "lib/reference.h"

#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class CairoImageSurface;
class IDataPackage;
class X11Platform;
class X11SelectionServer;

// The input event a drag may start from: a press of the left button, or a
// move with it held. A frame follows its input events with it, so that a
// drag asked for from any other event is refused.
class X11DragTrigger
{
public:
	// Pointer and key events change it; other events leave it as it is.
	void note(const xcb_generic_event_t* event);

	bool canStartDrag() const { return leftButtonDown; }
	xcb_timestamp_t getTime() const { return time; }
	int16 getRootX() const { return rootX; }
	int16 getRootY() const { return rootY; }

private:
	void take(bool leftDown, xcb_timestamp_t eventTime, int16 x, int16 y);

	bool leftButtonDown {false};
	xcb_timestamp_t time {XCB_CURRENT_TIME};
	int16 rootX {0};
	int16 rootY {0};
};

// A drag out of a frame through XDND (version 5, down to 3 for older
// targets). It runs on the platform's loop, never in a loop of its own:
// the pointer and the keyboard are grabbed, and every move is answered
// when its events arrive.
//
// The callback hears dragWillBegin once (on the loop's next turn, or
// before anything else), dragMoved for each move and dragEnded exactly
// once, with the operation the target chose (Copy, Move, else None), all
// at the mouse position in the frame's coordinates. Escape, a release over
// no target or a refusing one, a target that stays silent for
// kReplyTimeoutMilliseconds and the frame closing end it with None.
//
// While it runs the session owns XdndSelection and offers the package's
// first text (UTF8_STRING, text/plain;charset=utf-8, TEXT, and STRING when
// Latin-1 holds it), all its file paths (text/uri-list) and its first
// binary item. The image is the bitmap's first resolution in an
// override-redirect window at the mouse plus the offset; the search for a
// target looks through it.
class X11DragSession : public IDraggingSession, public NonAtomicReferenceCounted
{
public:
	static constexpr uint32 kVersion = 5;
	static constexpr uint32 kReplyTimeoutMilliseconds = 2000;

	// Starts a drag from a frame's window, whose coordinates are
	// scaleFactor device pixels a unit, and makes it the platform's drag.
	// False, with no callback called, when the trigger is no left press or
	// drag, another drag runs, the package offers nothing or the pointer
	// cannot be grabbed. The session keeps the package, the bitmap and the
	// callback (which may be null) until it ends.
	static bool start(X11Platform* platform, xcb_window_t frameWindow, double scaleFactor,
	                  const X11DragTrigger& trigger, const DragDescription& description,
	                  const SharedPointer<IDragCallback>& callback);

	~X11DragSession() noexcept override;
	X11DragSession(const X11DragSession&) = delete;
	X11DragSession& operator=(const X11DragSession&) = delete;

	// Replaces the image while the drag runs (null hides it); false once
	// the drag has ended.
	bool setBitmap(const SharedPointer<CBitmap>& bitmap, const CPoint& offset) override;

	// Takes the events of the grab, the target's answers, the requests for
	// the data and the errors about the target's window.
	bool handleEvent(const xcb_generic_event_t* event);
	// The frame's window goes: a drag started from it ends with None.
	void frameClosed(xcb_window_t window);
	// Ends the drag with None; a target that heard of it hears it leave.
	void cancel();

	xcb_window_t getSourceWindow() const { return sourceWindow; }
	// XCB_NONE while no image is shown.
	xcb_window_t getImageWindow() const { return imageWindow; }

private:
	enum class Phase
	{
		Dragging,
		// Released while the target's answer to the last position was due.
		Released,
		// Dropped; the target reads the data and says when it is done.
		Dropping,
		Ended,
	};
	// The XDND-aware window under the pointer and what it last answered.
	struct Target
	{
		xcb_window_t window {XCB_NONE};
		// Where its messages go: the window, or the proxy it names.
		xcb_window_t destination {XCB_NONE};
		uint32 version {0};
		bool awaitingStatus {false};
		bool positionPending {false};
		bool accepted {false};
		xcb_atom_t action {XCB_NONE};
		// Root pixels where it wants no more positions, while inside.
		bool quietAreaSet {false};
		int16 quietX {0}, quietY {0};
		uint16 quietWidth {0}, quietHeight {0};
	};

	X11DragSession(X11Platform* platform, xcb_window_t frameWindow, double scaleFactor,
	               const DragDescription& description, const SharedPointer<IDragCallback>& callback);
	bool begin(const X11DragTrigger& trigger);
	bool ownSelection(xcb_timestamp_t time, xcb_timestamp_t& ownedSince);
	bool grabInput();
	void releaseInput();

	void announceBegin();
	void pointerMoved(int16 x, int16 y, xcb_timestamp_t time);
	void released(int16 x, int16 y, xcb_timestamp_t time);
	void statusReceived(const xcb_client_message_event_t& message);
	void finishedReceived(const xcb_client_message_event_t& message);
	void targetGone();
	void decideDrop();
	void finish(DragOperation result);
	void releaseResources();
	void armTimeout();
	void disarm(IRunLoop::Handle& handle);

	Target findTarget() const;
	xcb_window_t topLevelAt(int16 x, int16 y) const;
	Target awareTarget(xcb_window_t window) const;
	void changeTarget(const Target& found);
	void sendPosition();
	void leaveTarget();
	void send(const char* type, uint32 data1, uint32 data2 = 0, uint32 data3 = 0, uint32 data4 = 0);
	void updateCursor();
	DragOperation operationOf(xcb_atom_t action) const;
	CPoint framePosition() const;

	void showImage();
	void hideImage();
	bool makeImageWindow();
	void moveImage();
	SharedPointer<CairoImageSurface> renderImage() const;

	xcb_atom_t atom(const char* name) const;

	X11Platform* platform;
	xcb_connection_t* connection;
	const xcb_window_t frameWindow;
	const double scaleFactor;
	CPoint frameOrigin; // root pixels
	SharedPointer<IDataPackage> data;
	SharedPointer<CBitmap> bitmap;
	CPoint bitmapOffset;
	SharedPointer<IDragCallback> callback;

	Phase phase {Phase::Dragging};
	bool announced {false};
	bool pointerGrabbed {false};
	bool keyboardGrabbed {false};
	int16 rootX {0};
	int16 rootY {0};
	xcb_timestamp_t lastTime {XCB_CURRENT_TIME};
	Target target;
	std::vector<xcb_atom_t> types;
	xcb_window_t sourceWindow {XCB_NONE};
	std::unique_ptr<X11SelectionServer> server;
	IRunLoop::Handle beginTimer {IRunLoop::kNoHandle};
	IRunLoop::Handle timeout {IRunLoop::kNoHandle};

	xcb_window_t imageWindow {XCB_NONE};
	xcb_colormap_t imageColormap {XCB_NONE};
	uint8 imageDepth {0};
};

} // namespace Kavrin
