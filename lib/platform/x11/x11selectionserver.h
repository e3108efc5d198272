#pragma once

#include "lib/idatapackage.h"

#include <map>
#include <set>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class X11Platform;

// What the owner of a selection hands out: text, file paths and the
// toolkit's binary data, any of them at once.
struct X11SelectionOffer
{
	std::string text; // valid UTF-8
	std::string uriList;
	std::string binary;
	bool hasText {false};
	bool hasFiles {false};
	bool hasBinary {false};

	bool isEmpty() const { return !hasText && !hasFiles && !hasBinary; }
	// The package's first Text item, its first Binary item and all its
	// FilePath items; items without bytes offer nothing.
	static X11SelectionOffer fromPackage(IDataPackage& package);
};

// Answers the requests for one selection owned by one window: the offer
// under each target it converts to, TARGETS and TIMESTAMP, and data too
// large for one request in chunks (INCR). Requests to the window for
// another selection, or while nothing is offered, are refused.
class X11SelectionServer
{
public:
	// The target under which Binary items are offered and recognised.
	static constexpr const char* kBinaryTarget = "application/x-kavrin-binary";

	X11SelectionServer(X11Platform* platform, xcb_window_t owner, const char* selection);
	// Transfers under way end; requestors stop sending us what we asked to hear.
	~X11SelectionServer() noexcept;
	X11SelectionServer(const X11SelectionServer&) = delete;
	X11SelectionServer& operator=(const X11SelectionServer&) = delete;

	// time is when the window took the selection (XCB_CURRENT_TIME when
	// unknown), answered to TIMESTAMP.
	void offer(X11SelectionOffer offer, xcb_timestamp_t time);
	void withdraw();
	bool isOffering() const { return !current.isEmpty(); }
	const X11SelectionOffer& getOffer() const { return current; }
	// The targets that carry data, the preferred first.
	std::vector<xcb_atom_t> dataTargets() const;

	// Takes the requests to the owner window, the deletions by which
	// requestors ask for the next chunk, and the errors about requestors
	// that went away. Other changes of a requestor's property are left to
	// whoever reads it: a drop target of this process may be the requestor.
	bool handleEvent(const xcb_generic_event_t* event);

private:
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
	xcb_window_t owner;
	xcb_atom_t selection;
	X11SelectionOffer current;
	xcb_timestamp_t ownedSince {XCB_CURRENT_TIME};
	std::map<TransferKey, Transfer> transfers;
	// Requestors whose property changes we hear only for our transfers.
	std::set<xcb_window_t> watchedRequestors;
	size_t chunkSize;

	xcb_atom_t atom(const char* name) const;
	bool dataFor(xcb_atom_t target, std::string& data, xcb_atom_t& type, uint8& format) const;
	void serveRequest(const xcb_selection_request_event_t& request);
	bool sendProperty(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target);
	void continueTransfer(const xcb_property_notify_event_t& event);
	bool watchRequestor(xcb_window_t requestor);
	void endTransfersTo(xcb_window_t requestor, bool windowExists);
};

} // namespace Kavrin
