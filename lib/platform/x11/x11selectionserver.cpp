#include "lib/platform/x11/x11selectionserver.h"

#include "lib/platform/x11/x11dataconversion.h"
#include "lib/platform/x11/x11platform.h"
#include "lib/platform/x11/x11reply.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace Kavrin {

X11SelectionOffer X11SelectionOffer::fromPackage(IDataPackage& package)
{
	X11SelectionOffer offer;
	std::vector<std::string> paths;
	for (uint32 index = 0; index < package.getCount(); ++index)
	{
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		const uint32 size = package.getData(index, bytes, type);
		if (size == 0 || !bytes)
			continue;
		std::string data(static_cast<const char*>(bytes), size);
		if (type == IDataPackage::kText && !offer.hasText)
		{
			offer.text = X11DataConversion::repairUtf8(data);
			offer.hasText = true;
		}
		else if (type == IDataPackage::kBinary && !offer.hasBinary)
		{
			offer.binary = std::move(data);
			offer.hasBinary = true;
		}
		else if (type == IDataPackage::kFilePath)
		{
			data.resize(std::strlen(data.c_str()));
			if (!data.empty())
				paths.push_back(std::move(data));
		}
	}
	offer.hasFiles = !paths.empty();
	if (offer.hasFiles)
		offer.uriList = X11DataConversion::encodeUriList(paths);
	return offer;
}

X11SelectionServer::X11SelectionServer(X11Platform* platform, xcb_window_t owner, const char* selection)
: platform(platform), connection(platform->getConnection()), owner(owner), selection(platform->internAtom(selection))
{
	// Requests hold at most the maximum request length (in 4-byte units);
	// larger data goes in chunks well below it.
	size_t maximum = size_t(xcb_get_maximum_request_length(connection)) * 4;
	chunkSize = std::min<size_t>(256 * 1024, maximum > 1024 ? maximum - 1024 : 1024);
}

X11SelectionServer::~X11SelectionServer() noexcept
{
	while (!transfers.empty())
		endTransfersTo(transfers.begin()->first.first, true);
	xcb_flush(connection);
}

xcb_atom_t X11SelectionServer::atom(const char* name) const
{
	return platform->internAtom(name);
}

void X11SelectionServer::offer(X11SelectionOffer offer, xcb_timestamp_t time)
{
	current = std::move(offer);
	ownedSince = time;
}

void X11SelectionServer::withdraw()
{
	current = {};
	ownedSince = XCB_CURRENT_TIME;
}

std::vector<xcb_atom_t> X11SelectionServer::dataTargets() const
{
	std::vector<xcb_atom_t> targets;
	if (current.hasText)
	{
		targets.insert(targets.end(), {atom("UTF8_STRING"), atom("text/plain;charset=utf-8"), atom("TEXT")});
		std::string latin1;
		if (X11DataConversion::utf8ToLatin1(current.text, latin1))
			targets.push_back(XCB_ATOM_STRING);
	}
	if (current.hasFiles)
		targets.push_back(atom("text/uri-list"));
	if (current.hasBinary)
		targets.push_back(atom(kBinaryTarget));
	return targets;
}

bool X11SelectionServer::dataFor(xcb_atom_t target, std::string& data, xcb_atom_t& type, uint8& format) const
{
	format = 8;
	type = target;
	if (target == atom("TARGETS"))
	{
		std::vector<xcb_atom_t> targets {atom("TARGETS"), atom("TIMESTAMP")};
		auto offered = dataTargets();
		targets.insert(targets.end(), offered.begin(), offered.end());
		data.assign(reinterpret_cast<const char*>(targets.data()), targets.size() * sizeof(xcb_atom_t));
		type = XCB_ATOM_ATOM;
		format = 32;
		return true;
	}
	if (target == atom("TIMESTAMP"))
	{
		data.assign(reinterpret_cast<const char*>(&ownedSince), sizeof(ownedSince));
		type = XCB_ATOM_INTEGER;
		format = 32;
		return true;
	}
	if (current.hasText)
	{
		if (target == XCB_ATOM_STRING)
			return X11DataConversion::utf8ToLatin1(current.text, data);
		if (target == atom("UTF8_STRING") || target == atom("TEXT") || target == atom("text/plain;charset=utf-8"))
		{
			if (target == atom("TEXT"))
				type = atom("UTF8_STRING");
			data = current.text;
			return true;
		}
	}
	if (current.hasFiles && target == atom("text/uri-list"))
	{
		data = current.uriList;
		return true;
	}
	if (current.hasBinary && target == atom(kBinaryTarget))
	{
		data = current.binary;
		return true;
	}
	return false;
}

bool X11SelectionServer::handleEvent(const xcb_generic_event_t* event)
{
	switch (event->response_type & 0x7F)
	{
		case XCB_SELECTION_REQUEST:
		{
			auto request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
			if (request->owner != owner)
				return false;
			serveRequest(*request);
			return true;
		}
		case XCB_PROPERTY_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
			if (notify->state != XCB_PROPERTY_DELETE || !transfers.count({notify->window, notify->atom}))
				return false;
			continueTransfer(*notify);
			return true;
		}
		case 0:
		{
			auto error = reinterpret_cast<const xcb_generic_error_t*>(event);
			if (error->error_code != XCB_WINDOW)
				return false;
			const bool ended = std::any_of(transfers.begin(), transfers.end(), [&](const auto& entry) {
				return entry.first.first == error->resource_id;
			});
			endTransfersTo(error->resource_id, false);
			return ended;
		}
		default:
			return false;
	}
}

void X11SelectionServer::serveRequest(const xcb_selection_request_event_t& request)
{
	xcb_selection_notify_event_t reply {};
	reply.response_type = XCB_SELECTION_NOTIFY;
	reply.time = request.time;
	reply.requestor = request.requestor;
	reply.selection = request.selection;
	reply.target = request.target;
	// Clients older than the conventions name no property: use the target.
	xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
	reply.property = XCB_NONE;
	if (isOffering() && request.selection == selection && sendProperty(request.requestor, property, request.target))
		reply.property = property;
	xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&reply));
	xcb_flush(connection);
}

bool X11SelectionServer::sendProperty(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target)
{
	std::string data;
	xcb_atom_t type;
	uint8 format;
	if (!dataFor(target, data, type, format))
		return false;
	if (data.size() <= chunkSize)
	{
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, type, format,
		                    uint32(data.size() / (format / 8)), data.data());
		return true;
	}
	// Too large for one request: announce the size, then send a chunk each
	// time the requestor deletes the property.
	if (!watchRequestor(requestor))
		return false;
	const uint32 size = uint32(std::min<size_t>(data.size(), UINT32_MAX));
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, atom("INCR"), 32, 1, &size);
	transfers[{requestor, property}] = Transfer {type, std::move(data), 0};
	return true;
}

// Hears the requestor's property changes, adding to what this connection
// already hears of its window: the requestor may be a window of this very
// process, whose own events must go on.
bool X11SelectionServer::watchRequestor(xcb_window_t requestor)
{
	X11Reply<xcb_get_window_attributes_reply_t> attributes(
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, requestor), nullptr));
	if (!attributes)
		return false;
	if (attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE)
		return true;
	const uint32 mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
	xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, &mask);
	watchedRequestors.insert(requestor);
	return true;
}

void X11SelectionServer::continueTransfer(const xcb_property_notify_event_t& event)
{
	auto it = transfers.find({event.window, event.atom});
	if (it == transfers.end())
		return;
	Transfer& transfer = it->second;
	size_t length = std::min(chunkSize, transfer.data.size() - transfer.offset);
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, event.window, event.atom, transfer.type, 8,
	                    uint32(length), transfer.data.data() + transfer.offset);
	transfer.offset += length;
	// The zero-length chunk after the last one ends the transfer.
	if (length == 0)
	{
		transfers.erase(it);
		bool stillUsed = std::any_of(transfers.begin(), transfers.end(),
		                             [&](const auto& entry) { return entry.first.first == event.window; });
		if (!stillUsed)
			endTransfersTo(event.window, true);
	}
	xcb_flush(connection);
}

void X11SelectionServer::endTransfersTo(xcb_window_t requestor, bool windowExists)
{
	for (auto it = transfers.begin(); it != transfers.end();)
		it = it->first.first == requestor ? transfers.erase(it) : std::next(it);
	if (!watchedRequestors.erase(requestor) || !windowExists)
		return;
	X11Reply<xcb_get_window_attributes_reply_t> attributes(
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, requestor), nullptr));
	if (!attributes)
		return;
	const uint32 mask = attributes->your_event_mask & ~uint32(XCB_EVENT_MASK_PROPERTY_CHANGE);
	xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, &mask);
}

} // namespace Kavrin
