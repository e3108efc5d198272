#include "lib/platform/x11/x11clipboard.h"

#include "lib/cdropsource.h"

#include "lib/platform/x11/runloop.h"
#include "lib/platform/x11/x11dataconversion.h"
#include "lib/platform/x11/x11datapackage.h"
#include "lib/platform/x11/x11platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace Kavrin {

namespace {

// More than this from one owner is not clipboard data but a runaway peer.
constexpr size_t kMaxIncomingBytes = 256u << 20;
// Binary reads fetch at most this many of the owner's targets.
constexpr size_t kMaxBinaryTargets = 8;

struct FreeDeleter
{
	void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

uint8 eventType(const xcb_generic_event_t* event)
{
	return event->response_type & 0x7F;
}

} // namespace

X11Clipboard::X11Clipboard(X11Platform* platform) : platform(platform), connection(platform->getConnection())
{
	window = xcb_generate_id(connection);
	const uint32 values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, platform->getScreen()->root, -10, -10, 1, 1, 0,
	                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
	// Requests hold at most the maximum request length (in 4-byte units);
	// larger data goes in chunks well below it.
	size_t maximum = size_t(xcb_get_maximum_request_length(connection)) * 4;
	chunkSize = std::min<size_t>(256 * 1024, maximum > 1024 ? maximum - 1024 : 1024);
}

X11Clipboard::~X11Clipboard() noexcept
{
	while (auto* event = takeDeferredEvent())
		std::free(event);
	xcb_destroy_window(connection, window);
	xcb_flush(connection);
}

xcb_atom_t X11Clipboard::atom(const char* name) const
{
	return platform->internAtom(name);
}

// ---- Owning the selection ----

// Offers what the clipboard keeps of the package: its text, its binary
// item or its file paths.
X11Clipboard::Offer X11Clipboard::makeOffer(IDataPackage& package)
{
	Offer offer;
	SharedPointer<IDataPackage> kept = CDropSource::forClipboard(package);
	if (!kept)
		return offer;
	std::vector<std::string> paths;
	for (uint32 index = 0; index < kept->getCount(); ++index)
	{
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		uint32 size = kept->getData(index, bytes, type);
		std::string data(static_cast<const char*>(bytes), size);
		if (type == IDataPackage::kText)
		{
			offer.text = X11DataConversion::repairUtf8(data);
			offer.hasText = true;
			return offer;
		}
		if (type == IDataPackage::kBinary)
		{
			offer.binary = std::move(data);
			offer.hasBinary = true;
			return offer;
		}
		data.resize(std::strlen(data.c_str()));
		if (!data.empty())
			paths.push_back(std::move(data));
	}
	offer.uriList = X11DataConversion::encodeUriList(paths);
	offer.hasFiles = !paths.empty();
	return offer;
}

void X11Clipboard::set(const SharedPointer<IDataPackage>& package)
{
	const xcb_atom_t clipboard = atom("CLIPBOARD");
	Offer next = package ? makeOffer(*package) : Offer {};
	if (!next.hasText && !next.hasBinary && !next.hasFiles)
	{
		if (owned)
		{
			xcb_set_selection_owner(connection, XCB_NONE, clipboard, XCB_CURRENT_TIME);
			// A round trip: once set returns, every other client sees the
			// selection without an owner.
			std::free(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard),
			                                        nullptr));
			deferQueuedEvents();
		}
		owned = nullptr;
		offer = {};
		return;
	}
	xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
	Reply<xcb_get_selection_owner_reply_t> owner(
	    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr));
	deferQueuedEvents();
	if (!owner || owner->owner != window)
	{
		owned = nullptr;
		offer = {};
		return;
	}
	owned = package;
	offer = std::move(next);
}

std::vector<xcb_atom_t> X11Clipboard::offeredTargets() const
{
	std::vector<xcb_atom_t> targets {atom("TARGETS"), atom("TIMESTAMP")};
	if (offer.hasText)
	{
		targets.insert(targets.end(), {atom("UTF8_STRING"), atom("text/plain;charset=utf-8"), atom("TEXT")});
		std::string latin1;
		if (X11DataConversion::utf8ToLatin1(offer.text, latin1))
			targets.push_back(XCB_ATOM_STRING);
	}
	if (offer.hasFiles)
		targets.push_back(atom("text/uri-list"));
	if (offer.hasBinary)
		targets.push_back(atom(kBinaryTarget));
	return targets;
}

bool X11Clipboard::dataFor(xcb_atom_t target, std::string& data, xcb_atom_t& type, uint8& format) const
{
	format = 8;
	type = target;
	if (target == atom("TARGETS"))
	{
		auto targets = offeredTargets();
		data.assign(reinterpret_cast<const char*>(targets.data()), targets.size() * sizeof(xcb_atom_t));
		type = XCB_ATOM_ATOM;
		format = 32;
		return true;
	}
	if (target == atom("TIMESTAMP"))
	{
		const uint32 time = XCB_CURRENT_TIME;
		data.assign(reinterpret_cast<const char*>(&time), sizeof(time));
		type = XCB_ATOM_INTEGER;
		format = 32;
		return true;
	}
	if (offer.hasText)
	{
		if (target == XCB_ATOM_STRING)
			return X11DataConversion::utf8ToLatin1(offer.text, data);
		if (target == atom("UTF8_STRING") || target == atom("TEXT") || target == atom("text/plain;charset=utf-8"))
		{
			if (target == atom("TEXT"))
				type = atom("UTF8_STRING");
			data = offer.text;
			return true;
		}
	}
	if (offer.hasFiles && target == atom("text/uri-list"))
	{
		data = offer.uriList;
		return true;
	}
	if (offer.hasBinary && target == atom(kBinaryTarget))
	{
		data = offer.binary;
		return true;
	}
	return false;
}

void X11Clipboard::serveRequest(const xcb_selection_request_event_t& request)
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
	if (owned && request.owner == window && request.selection == atom("CLIPBOARD") &&
	    sendProperty(request.requestor, property, request.target))
		reply.property = property;
	xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&reply));
	xcb_flush(connection);
}

bool X11Clipboard::sendProperty(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target)
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
	const uint32 values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, values);
	const uint32 size = uint32(std::min<size_t>(data.size(), UINT32_MAX));
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, atom("INCR"), 32, 1, &size);
	transfers[{requestor, property}] = Transfer {type, std::move(data), 0};
	return true;
}

void X11Clipboard::continueTransfer(const xcb_property_notify_event_t& event)
{
	auto it = transfers.find({event.window, event.atom});
	if (it == transfers.end() || event.state != XCB_PROPERTY_DELETE)
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
		{
			const uint32 values[] = {XCB_EVENT_MASK_NO_EVENT};
			xcb_change_window_attributes(connection, event.window, XCB_CW_EVENT_MASK, values);
		}
	}
	xcb_flush(connection);
}

bool X11Clipboard::handleEvent(const xcb_generic_event_t* event)
{
	switch (eventType(event))
	{
		case XCB_SELECTION_REQUEST:
		{
			auto request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
			if (request->owner != window)
				return false;
			serveRequest(*request);
			return true;
		}
		case XCB_SELECTION_CLEAR:
		{
			auto clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
			if (clear->owner != window)
				return false;
			if (clear->selection == atom("CLIPBOARD"))
			{
				owned = nullptr;
				offer = {};
			}
			return true;
		}
		case XCB_SELECTION_NOTIFY:
			// A reply that came after its read gave up.
			return reinterpret_cast<const xcb_selection_notify_event_t*>(event)->requestor == window;
		case XCB_PROPERTY_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
			if (notify->window == window)
				return true;
			if (!transfers.count({notify->window, notify->atom}))
				return false;
			continueTransfer(*notify);
			return true;
		}
		case 0:
		{
			// An error about a requestor that went away ends its transfers.
			auto error = reinterpret_cast<const xcb_generic_error_t*>(event);
			if (error->error_code != XCB_WINDOW)
				return false;
			bool ended = false;
			for (auto it = transfers.begin(); it != transfers.end();)
			{
				if (it->first.first == error->resource_id)
				{
					it = transfers.erase(it);
					ended = true;
				}
				else
					++it;
			}
			return ended;
		}
		default:
			return false;
	}
}

xcb_generic_event_t* X11Clipboard::takeDeferredEvent()
{
	if (deferred.empty())
		return nullptr;
	xcb_generic_event_t* event = deferred.front();
	deferred.pop_front();
	return event;
}

// Waiting for replies reads the events that came before them into the
// connection's queue, where the descriptor no longer shows them: the
// platform's loop takes them on its next turn.
void X11Clipboard::deferQueuedEvents()
{
	while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection))
		deferred.push_back(event);
	if (!deferred.empty())
		platform->wakeUp();
}

// ---- Reading the selection ----

// Waits on the connection for the event that matches, serving the
// selection meanwhile and keeping other events for the platform's loop.
xcb_generic_event_t* X11Clipboard::waitFor(const EventMatch& match, int timeoutMilliseconds)
{
	xcb_flush(connection);
	const uint64 deadline = DefaultRunLoop::monotonicMilliseconds() + uint64(timeoutMilliseconds);
	while (!xcb_connection_has_error(connection))
	{
		while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
		{
			if (match(event))
				return event;
			if (handleEvent(event))
				std::free(event);
			else
				deferred.push_back(event);
		}
		const uint64 now = DefaultRunLoop::monotonicMilliseconds();
		if (now >= deadline)
			break;
		pollfd descriptor {xcb_get_file_descriptor(connection), POLLIN, 0};
		::poll(&descriptor, 1, int(deadline - now));
	}
	return nullptr;
}

// Converts the selection to target into our property and reads it.
bool X11Clipboard::fetch(xcb_atom_t target, std::string& bytes, xcb_atom_t& type)
{
	const xcb_atom_t clipboard = atom("CLIPBOARD");
	const xcb_atom_t property = atom("KAVRIN_SELECTION");
	xcb_delete_property(connection, window, property);
	xcb_convert_selection(connection, window, clipboard, target, property, XCB_CURRENT_TIME);
	Reply<xcb_generic_event_t> notify(waitFor(
	    [&](const xcb_generic_event_t* event) {
		    if (eventType(event) != XCB_SELECTION_NOTIFY)
			    return false;
		    auto selection = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
		    return selection->requestor == window && selection->selection == clipboard &&
		           selection->target == target;
	    },
	    kReplyTimeoutMilliseconds));
	if (!notify || reinterpret_cast<xcb_selection_notify_event_t*>(notify.get())->property == XCB_NONE)
		return false;
	Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
	    connection, xcb_get_property(connection, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
	    nullptr));
	if (!reply || reply->type == XCB_NONE)
		return false;
	if (reply->type == atom("INCR"))
		return readIncremental(property, bytes, type);
	type = reply->type;
	bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())),
	             size_t(std::max(0, xcb_get_property_value_length(reply.get()))));
	return true;
}

// Each chunk arrives as a new value of the property, which deleting asks
// for the next; an empty chunk ends the data. An owner that stops midway
// leaves what came so far.
bool X11Clipboard::readIncremental(xcb_atom_t property, std::string& bytes, xcb_atom_t& type)
{
	bytes.clear();
	type = XCB_NONE;
	xcb_flush(connection);
	while (true)
	{
		Reply<xcb_generic_event_t> notify(waitFor(
		    [&](const xcb_generic_event_t* event) {
			    if (eventType(event) != XCB_PROPERTY_NOTIFY)
				    return false;
			    auto change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
			    return change->window == window && change->atom == property &&
			           change->state == XCB_PROPERTY_NEW_VALUE;
		    },
		    kReplyTimeoutMilliseconds));
		if (!notify)
			return !bytes.empty();
		Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
		    connection,
		    xcb_get_property(connection, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
		    nullptr));
		if (!reply)
			return !bytes.empty();
		const int length = std::max(0, xcb_get_property_value_length(reply.get()));
		if (length == 0)
			return true;
		if (type == XCB_NONE)
			type = reply->type;
		if (bytes.size() + size_t(length) > kMaxIncomingBytes)
			return false;
		bytes.append(static_cast<const char*>(xcb_get_property_value(reply.get())), size_t(length));
		xcb_flush(connection);
	}
}

std::vector<xcb_atom_t> X11Clipboard::fetchTargets()
{
	std::string bytes;
	xcb_atom_t type = XCB_NONE;
	std::vector<xcb_atom_t> targets;
	if (!fetch(atom("TARGETS"), bytes, type) || type != XCB_ATOM_ATOM)
		return targets;
	targets.resize(bytes.size() / sizeof(xcb_atom_t));
	std::memcpy(targets.data(), bytes.data(), targets.size() * sizeof(xcb_atom_t));
	return targets;
}

namespace {

bool offers(const std::vector<xcb_atom_t>& targets, xcb_atom_t target)
{
	return target != XCB_NONE && std::find(targets.begin(), targets.end(), target) != targets.end();
}

} // namespace

bool X11Clipboard::readText(const std::vector<xcb_atom_t>& targets, X11DataPackage& package)
{
	using X11DataConversion::IncomingText;
	const xcb_atom_t utf8 = atom("UTF8_STRING");
	const xcb_atom_t textTargets[] = {utf8, atom("text/plain;charset=utf-8"), XCB_ATOM_STRING, atom("TEXT")};
	for (xcb_atom_t target : textTargets)
	{
		if (!offers(targets, target))
			continue;
		std::string bytes;
		xcb_atom_t type = XCB_NONE;
		if (!fetch(target, bytes, type))
			continue;
		IncomingText kind = type == XCB_ATOM_STRING ? IncomingText::Latin1
		                    : type == utf8 || type == atom("text/plain;charset=utf-8") ? IncomingText::Utf8
		                                                                               : IncomingText::Unknown;
		package.addItem(X11DataConversion::incomingTextToUtf8(bytes, kind), IDataPackage::kText);
		return true;
	}
	return false;
}

bool X11Clipboard::readFiles(const std::vector<xcb_atom_t>& targets, X11DataPackage& package)
{
	const xcb_atom_t uriList = atom("text/uri-list");
	std::string bytes;
	xcb_atom_t type = XCB_NONE;
	if (!offers(targets, uriList) || !fetch(uriList, bytes, type))
		return false;
	auto paths = X11DataConversion::parseUriList(bytes);
	for (auto& path : paths)
		package.addItem(std::move(path), IDataPackage::kFilePath);
	return !paths.empty();
}

bool X11Clipboard::readColor(const std::vector<xcb_atom_t>& targets, X11DataPackage& package)
{
	const xcb_atom_t color = atom("application/x-color");
	std::string bytes;
	xcb_atom_t type = XCB_NONE;
	if (!offers(targets, color) || !fetch(color, bytes, type))
		return false;
	std::string text = X11DataConversion::colorToText(reinterpret_cast<const uint8*>(bytes.data()), bytes.size());
	if (text.empty())
		return false;
	package.addItem(std::move(text), IDataPackage::kText);
	return true;
}

// Every data target the owner declares, in its order; the conventions'
// own targets carry no data.
void X11Clipboard::readBinaries(const std::vector<xcb_atom_t>& targets, X11DataPackage& package)
{
	const xcb_atom_t meta[] = {atom("TARGETS"),   atom("TIMESTAMP"),    atom("MULTIPLE"), atom("SAVE_TARGETS"),
	                           atom("DELETE"),    atom("INSERT_PROPERTY"), atom("INSERT_SELECTION")};
	size_t fetched = 0;
	for (xcb_atom_t target : targets)
	{
		if (target == XCB_NONE || std::find(std::begin(meta), std::end(meta), target) != std::end(meta))
			continue;
		if (fetched++ == kMaxBinaryTargets)
			break;
		std::string bytes;
		xcb_atom_t type = XCB_NONE;
		if (fetch(target, bytes, type) && !bytes.empty())
			package.addItem(std::move(bytes), IDataPackage::kBinary);
	}
}

void X11Clipboard::readInto(X11DataPackage& package)
{
	auto targets = fetchTargets();
	if (readText(targets, package) || readFiles(targets, package) || readColor(targets, package))
		return;
	readBinaries(targets, package);
}

SharedPointer<IDataPackage> X11Clipboard::get()
{
	// The server knows the owner; a notice that another client took the
	// selection may still be on its way.
	Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
	    connection, xcb_get_selection_owner(connection, atom("CLIPBOARD")), nullptr));
	const xcb_window_t current = owner ? owner->owner : XCB_NONE;
	if (owned && current == window)
	{
		deferQueuedEvents();
		return owned;
	}
	owned = nullptr;
	offer = {};
	auto package = makeOwned<X11DataPackage>();
	if (current != XCB_NONE)
		readInto(*package);
	deferQueuedEvents();
	return package;
}

// ---- Clipboard managers ----

void X11Clipboard::handOverToManager()
{
	if (!owned)
		return;
	const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
	Reply<xcb_get_selection_owner_reply_t> owner(
	    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager), nullptr));
	if (!owner || owner->owner == XCB_NONE)
		return;
	const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
	xcb_convert_selection(connection, window, manager, saveTargets, atom("KAVRIN_SAVE"), XCB_CURRENT_TIME);
	// The manager reads our targets meanwhile; waitFor serves it.
	Reply<xcb_generic_event_t> done(waitFor(
	    [&](const xcb_generic_event_t* event) {
		    return eventType(event) == XCB_SELECTION_NOTIFY &&
		           reinterpret_cast<const xcb_selection_notify_event_t*>(event)->selection == manager;
	    },
	    kReplyTimeoutMilliseconds));
	deferQueuedEvents();
}

} // namespace Kavrin
