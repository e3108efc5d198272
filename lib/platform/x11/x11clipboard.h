#pragma once

#include "lib/idatapackage.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class X11Platform;

// The CLIPBOARD selection of one connection. The selection is owned by a
// window of the platform, not of a frame, so what an editor copied stays
// available while any of its frames is open, and is handed to a clipboard
// manager when the last one closes.
class X11Clipboard
{
public:
	// The target under which Binary items are offered and recognised.
	static constexpr const char* kBinaryTarget = "application/x-kavrin-binary";
	// How long a read waits for an owner that stays silent.
	static constexpr int kReplyTimeoutMilliseconds = 2000;

	explicit X11Clipboard(X11Platform* platform);
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

	// Takes the events of the selection: requests, replies, lost ownership
	// and the property changes of transfers. False for anything else.
	bool handleEvent(const xcb_generic_event_t* event);
	// Events that arrived while a read waited, for the platform's loop.
	xcb_generic_event_t* takeDeferredEvent();
	// Asks a running clipboard manager to keep a copy of what we own.
	void handOverToManager();

private:
	struct Offer
	{
		std::string text;
		std::string binary;
		std::string uriList;
		bool hasText {false};
		bool hasBinary {false};
		bool hasFiles {false};
	};
	// An INCR transfer to one requestor, one chunk per deleted property.
	struct Transfer
	{
		xcb_atom_t type;
		std::string data;
		size_t offset {0};
	};
	using TransferKey = std::pair<xcb_window_t, xcb_atom_t>;

	X11Platform* platform;
	xcb_connection_t* connection;
	xcb_window_t window {XCB_NONE};
	SharedPointer<IDataPackage> owned;
	Offer offer;
	std::map<TransferKey, Transfer> transfers;
	std::deque<xcb_generic_event_t*> deferred;
	size_t chunkSize;

	xcb_atom_t atom(const char* name) const;
	static Offer makeOffer(IDataPackage& package);
	std::vector<xcb_atom_t> offeredTargets() const;
	bool dataFor(xcb_atom_t target, std::string& data, xcb_atom_t& type, uint8& format) const;
	void serveRequest(const xcb_selection_request_event_t& request);
	bool sendProperty(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target);
	void continueTransfer(const xcb_property_notify_event_t& event);

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
