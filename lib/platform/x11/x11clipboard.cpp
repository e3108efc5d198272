#include "lib/platform/x11/x11clipboard.h"

#include "lib/cdropsource.h"

#include "lib/platform/x11/runloop.h"
#include "lib/platform/x11/x11dataconversion.h"
#include "lib/platform/x11/x11datapackage.h"
#include "lib/platform/x11/x11platform.h"
#include "lib/platform/x11/x11reply.h"

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

uint8 eventType(const xcb_generic_event_t* event)
{
	return event->response_type & 0x7F;
}

} // namespace

X11Clipboard::X11Clipboard(X11Platform* platform, const char* selectionName)
: platform(platform), connection(platform->getConnection()), window(makeWindow(platform)),
  selection(platform->internAtom(selectionName)), server(platform, window, selectionName)
{
}

xcb_window_t X11Clipboard::makeWindow(X11Platform* platform)
{
	xcb_connection_t* connection = platform->getConnection();
	xcb_window_t window = xcb_generate_id(connection);
	const uint32 values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, platform->getScreen()->root, -10, -10, 1, 1, 0,
	                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
	return window;
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

void X11Clipboard::set(const SharedPointer<IDataPackage>& package)
{
	// The clipboard keeps the first text or binary item, else the paths.
	SharedPointer<IDataPackage> kept = package ? CDropSource::forClipboard(*package) : nullptr;
	X11SelectionOffer next = kept ? X11SelectionOffer::fromPackage(*kept) : X11SelectionOffer {};
	if (next.isEmpty())
	{
		if (owned)
		{
			xcb_set_selection_owner(connection, XCB_NONE, selection, XCB_CURRENT_TIME);
			// A round trip: once set returns, every other client sees the
			// selection without an owner.
			std::free(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
			                                        nullptr));
			deferQueuedEvents();
		}
		owned = nullptr;
		server.withdraw();
		return;
	}
	xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
	X11Reply<xcb_get_selection_owner_reply_t> owner(
	    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
	deferQueuedEvents();
	if (!owner || owner->owner != window)
	{
		owned = nullptr;
		server.withdraw();
		return;
	}
	owned = package;
	server.offer(std::move(next), XCB_CURRENT_TIME);
}

bool X11Clipboard::handleEvent(const xcb_generic_event_t* event)
{
	if (server.handleEvent(event))
		return true;
	switch (eventType(event))
	{
		case XCB_SELECTION_CLEAR:
		{
			auto clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
			if (clear->owner != window)
				return false;
			if (clear->selection == selection)
			{
				owned = nullptr;
				server.withdraw();
			}
			return true;
		}
		case XCB_SELECTION_NOTIFY:
			// A reply that came after its read gave up.
			return reinterpret_cast<const xcb_selection_notify_event_t*>(event)->requestor == window;
		case XCB_PROPERTY_NOTIFY:
			return reinterpret_cast<const xcb_property_notify_event_t*>(event)->window == window;
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
	const xcb_atom_t property = atom("KAVRIN_SELECTION");
	xcb_delete_property(connection, window, property);
	xcb_convert_selection(connection, window, selection, target, property, XCB_CURRENT_TIME);
	X11Reply<xcb_generic_event_t> notify(waitFor(
	    [&](const xcb_generic_event_t* event) {
		    if (eventType(event) != XCB_SELECTION_NOTIFY)
			    return false;
		    auto answer = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
		    return answer->requestor == window && answer->selection == selection && answer->target == target;
	    },
	    kReplyTimeoutMilliseconds));
	if (!notify || reinterpret_cast<xcb_selection_notify_event_t*>(notify.get())->property == XCB_NONE)
		return false;
	X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
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
		X11Reply<xcb_generic_event_t> notify(waitFor(
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
		X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
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

// The server knows the owner; a notice that another client took the
// selection may still be on its way. What we offered is forgotten once
// another client owns the selection.
xcb_window_t X11Clipboard::currentOwner()
{
	X11Reply<xcb_get_selection_owner_reply_t> owner(
	    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
	const xcb_window_t current = owner ? owner->owner : XCB_NONE;
	if (current != window)
	{
		owned = nullptr;
		server.withdraw();
	}
	return current;
}

SharedPointer<IDataPackage> X11Clipboard::get()
{
	const xcb_window_t current = currentOwner();
	if (owned && current == window)
	{
		deferQueuedEvents();
		return owned;
	}
	auto package = makeOwned<X11DataPackage>();
	if (current != XCB_NONE)
		readInto(*package);
	deferQueuedEvents();
	return package;
}

void X11Clipboard::setText(const std::string& utf8)
{
	if (utf8.empty())
	{
		set(nullptr);
		return;
	}
	auto package = makeOwned<X11DataPackage>();
	package->addItem(utf8, IDataPackage::kText);
	set(package);
}

std::string X11Clipboard::getText()
{
	const xcb_window_t current = currentOwner();
	std::string text;
	if (owned && current == window)
		text = server.getOffer().text;
	else if (current != XCB_NONE)
	{
		X11DataPackage package;
		if (readText(fetchTargets(), package))
		{
			const void* bytes = nullptr;
			IDataPackage::Type type = IDataPackage::kError;
			uint32 size = package.getData(0, bytes, type);
			text.assign(static_cast<const char*>(bytes), size);
		}
	}
	deferQueuedEvents();
	return text;
}

// ---- Clipboard managers ----

void X11Clipboard::handOverToManager()
{
	if (!owned || selection != atom("CLIPBOARD"))
		return;
	const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
	X11Reply<xcb_get_selection_owner_reply_t> owner(
	    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager), nullptr));
	if (!owner || owner->owner == XCB_NONE)
		return;
	const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
	xcb_convert_selection(connection, window, manager, saveTargets, atom("KAVRIN_SAVE"), XCB_CURRENT_TIME);
	// The manager reads our targets meanwhile; waitFor serves it.
	X11Reply<xcb_generic_event_t> done(waitFor(
	    [&](const xcb_generic_event_t* event) {
		    return eventType(event) == XCB_SELECTION_NOTIFY &&
		           reinterpret_cast<const xcb_selection_notify_event_t*>(event)->selection == manager;
	    },
	    kReplyTimeoutMilliseconds));
	deferQueuedEvents();
}

} // namespace Kavrin
