#pragma once

#include "lib/idatapackage.h"
#include "lib/platform/x11/x11selectionserver.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class X11Platform;

// A selection of one connection: CLIPBOARD, or PRIMARY (what is selected,
// pasted with the middle button). The selection is owned by a window of the
// platform, not of a frame, so what an editor copied stays available while
// any of its frames is open. CLIPBOARD is handed to a clipboard manager
// when the last one closes; PRIMARY lives only as long as its owner.
class X11Clipboard
{
public:
	// The target under which Binary items are offered and recognised.
	static constexpr const char* kBinaryTarget = X11SelectionServer::kBinaryTarget;
	// How long a read waits for an owner that stays silent.
	static constexpr int kReplyTimeoutMilliseconds = 2000;

	explicit X11Clipboard(X11Platform* platform, const char* selectionName = "CLIPBOARD");
	~X11Clipboard() noexcept;
	X11Clipboard(const X11Clipboard&) = delete;
	X11Clipboard& operator=(const X11Clipboard&) = delete;

	// Owns the selection and serves the package; a null package, or one
	// with nothing to offer, gives the selection up.
	void set(const SharedPointer<IDataPackage>& package);
	// The selection's content, an empty package when no owner answers in
	// time. Waits on the connection for at most a few seconds.
	SharedPointer<IDataPackage> get();
	bool ownsSelection() const { return owned != nullptr; }
	// Text alone, as text fields exchange it: setText offers the text
	// (empty text gives the selection up); getText reads only the owner's
	// text targets, "" when it offers none or stays silent.
	void setText(const std::string& utf8);
	std::string getText();

	// Takes the events of the selection: requests, replies, lost ownership
	// and the property changes of transfers. False for anything else.
	bool handleEvent(const xcb_generic_event_t* event);
	// Events that arrived while a read waited, for the platform's loop.
	xcb_generic_event_t* takeDeferredEvent();
	// Asks a running clipboard manager to keep a copy of what we own
	// (CLIPBOARD only: managers keep no other selection).
	void handOverToManager();

private:
	X11Platform* platform;
	xcb_connection_t* connection;
	xcb_window_t window;
	xcb_atom_t selection;
	X11SelectionServer server;
	SharedPointer<IDataPackage> owned;
	std::deque<xcb_generic_event_t*> deferred;

	xcb_atom_t atom(const char* name) const;
	static xcb_window_t makeWindow(X11Platform* platform);
	xcb_window_t currentOwner();

	using EventMatch = std::function<bool(const xcb_generic_event_t*)>;
	void deferQueuedEvents();
	xcb_generic_event_t* waitFor(const EventMatch& match, int timeoutMilliseconds);
	bool fetch(xcb_atom_t target, std::string& bytes, xcb_atom_t& type);
	bool readIncremental(xcb_atom_t property, std::string& bytes, xcb_atom_t& type);
	std::vector<xcb_atom_t> fetchTargets();
	void readInto(class X11DataPackage& package);
	bool readText(const std::vector<xcb_atom_t>& targets, class X11DataPackage& package);
	bool readFiles(const std::vector<xcb_atom_t>& targets, class X11DataPackage& package);
	bool readColor(const std::vector<xcb_atom_t>& targets, class X11DataPackage& package);
	void readBinaries(const std::vector<xcb_atom_t>& targets, class X11DataPackage& package);
};

} // namespace Kavrin
