#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/dragging.h"
#include "lib/platform/x11/runloop.h"
#include "lib/reference.h"

#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class IPlatformFrameCallback;
class X11DataPackage;
class X11Platform;

// Takes drags of other programs into a frame's window through XDND. The
// toolkit sees one enter (with the first position), moves, and then either
// a leave or a drop, whatever the source does: a source that disappears,
// or starts another drag without leaving, ends the first with a leave.
// The data is asked for on the drop and arrives on the run loop; a source
// that stays silent is given up after a bounded wait.
class X11DropTarget : public NonAtomicReferenceCounted
{
public:
	static constexpr uint32 kVersion = 5;
	static constexpr uint32 kDataTimeoutMilliseconds = 2000;

	X11DropTarget(X11Platform* platform, xcb_window_t window, IPlatformFrameCallback* callback, double scaleFactor);
	~X11DropTarget() noexcept override;
	X11DropTarget(const X11DropTarget&) = delete;
	X11DropTarget& operator=(const X11DropTarget&) = delete;

	// The frame closes: a drag under way is refused to its source and the
	// toolkit hears nothing more.
	void detach();
	void setScaleFactor(double newScaleFactor) { scaleFactor = newScaleFactor; }
	// Takes the protocol's messages to the window, the data of a drop and
	// the errors about the source's window. Sees the destruction of the
	// source's window without taking it from others.
	bool handleEvent(const xcb_generic_event_t* event);

private:
	struct Drag
	{
		xcb_window_t source {XCB_NONE};
		std::vector<xcb_atom_t> types;
		SharedPointer<X11DataPackage> preview;
		bool entered {false};
		bool watchingSource {false};
		DragOperation operation {DragOperation::None};
		CPoint position;
		CButtonState modifiers;
		// Set while the data of a drop is on its way.
		xcb_atom_t requestedTarget {XCB_NONE};
		IRunLoop::Handle timeout {IRunLoop::kNoHandle};
		// A large drop, arriving in pieces.
		bool incremental {false};
		std::string received;
		xcb_atom_t receivedType {XCB_NONE};
	};

	X11Platform* platform;
	xcb_connection_t* connection;
	const xcb_window_t window;
	bool attached {true};
	IPlatformFrameCallback* callback;
	double scaleFactor;
	Drag drag;

	xcb_atom_t atom(const char* name) const;
	bool handleMessage(const xcb_client_message_event_t& message);
	void enter(const xcb_client_message_event_t& message);
	void position(const xcb_client_message_event_t& message);
	void leave();
	void drop(const xcb_client_message_event_t& message);
	void receiveData(const xcb_selection_notify_event_t& notify);
	void receivePiece(const xcb_property_notify_event_t& notify);
	void deliverDrop(std::string& bytes, xcb_atom_t type);
	void armTimeout();
	void giveUpData();

	std::vector<xcb_atom_t> offeredTypes(const xcb_client_message_event_t& message) const;
	xcb_atom_t preferredTarget() const;
	SharedPointer<X11DataPackage> makePreview() const;
	bool takeProperty(std::string& bytes, xcb_atom_t& type);
	void addItems(std::string& bytes, xcb_atom_t type, X11DataPackage& package) const;
	bool watchSource(xcb_window_t source, bool watch, bool& gone);
	void locate(int16 rootX, int16 rootY);
	static DragEventData eventData(const Drag& from, IDataPackage* package);

	// Ends the drag: the toolkit hears a leave if it heard the enter, a
	// source waiting for the end of its drop hears a refusal.
	void endDrag();
	Drag takeDrag();
	void sendStatus(bool accept, DragOperation operation);
	void send(xcb_window_t source, xcb_atom_t type, uint32 data1, uint32 data2, uint32 data3 = 0,
	          uint32 data4 = 0);
	xcb_atom_t actionAtom(DragOperation operation) const;
};

} // namespace Kavrin
