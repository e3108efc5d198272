#include "lib/platform/x11/x11dragdrop.h"

#include "lib/platform/iplatformframecallback.h"
#include "lib/platform/x11/x11clientmessage.h"
#include "lib/platform/x11/x11clipboard.h"
#include "lib/platform/x11/x11dataconversion.h"
#include "lib/platform/x11/x11datapackage.h"
#include "lib/platform/x11/x11input.h"
#include "lib/platform/x11/x11platform.h"
#include "lib/platform/x11/x11reply.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace Kavrin {

namespace {

// A type list longer than this is not a drag but a misbehaving peer.
constexpr uint32 kMaxTypes = 256;
// The drop's data is read in one piece; more than this is refused.
constexpr uint32 kMaxDataWords = (64u << 20) / 4;

bool contains(const std::vector<xcb_atom_t>& types, xcb_atom_t type)
{
	return type != XCB_NONE && std::find(types.begin(), types.end(), type) != types.end();
}

} // namespace

X11DropTarget::X11DropTarget(X11Platform* platform, xcb_window_t window, IPlatformFrameCallback* callback,
                             double scaleFactor)
: platform(platform), connection(platform->getConnection()), window(window), callback(callback),
  scaleFactor(scaleFactor)
{
	const uint32 version = kVersion;
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("XdndAware"), XCB_ATOM_ATOM, 32, 1,
	                    &version);
	// Large drops arrive in pieces, each announced by a property change.
	X11Reply<xcb_get_window_attributes_reply_t> attributes(
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr));
	if (attributes)
	{
		const uint32 mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
		xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
	}
}

X11DropTarget::~X11DropTarget() noexcept
{
	detach();
}

void X11DropTarget::detach()
{
	callback = nullptr;
	endDrag();
	attached = false;
}

xcb_atom_t X11DropTarget::atom(const char* name) const
{
	return platform->internAtom(name);
}

// ---- Events ----

bool X11DropTarget::handleEvent(const xcb_generic_event_t* event)
{
	if (!attached)
		return false;
	SharedPointer<X11DropTarget> keepAlive = this;
	switch (event->response_type & 0x7F)
	{
		case XCB_CLIENT_MESSAGE:
			return handleMessage(*reinterpret_cast<const xcb_client_message_event_t*>(event));
		case XCB_SELECTION_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
			if (notify->requestor != window || notify->selection != atom("XdndSelection"))
				return false;
			receiveData(*notify);
			return true;
		}
		case XCB_PROPERTY_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
			if (notify->window != window || notify->atom != atom("KAVRIN_XDND"))
				return false;
			receivePiece(*notify);
			return true;
		}
		case XCB_DESTROY_NOTIFY:
			if (drag.source != XCB_NONE &&
			    reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == drag.source)
			{
				drag.watchingSource = false;
				endDrag();
			}
			return false;
		case 0:
		{
			// The source's window was gone before we could watch it.
			auto error = reinterpret_cast<const xcb_generic_error_t*>(event);
			if (drag.source == XCB_NONE || error->error_code != XCB_WINDOW || error->resource_id != drag.source)
				return false;
			drag.watchingSource = false;
			endDrag();
			return true;
		}
		default:
			return false;
	}
}

bool X11DropTarget::handleMessage(const xcb_client_message_event_t& message)
{
	if (message.window != window || message.format != 32)
		return false;
	const xcb_window_t sender = message.data.data32[0];
	if (message.type == atom("XdndEnter"))
		enter(message);
	else if (message.type == atom("XdndPosition"))
	{
		if (sender == drag.source)
			position(message);
	}
	else if (message.type == atom("XdndLeave"))
	{
		if (sender == drag.source && drag.requestedTarget == XCB_NONE)
			leave();
	}
	else if (message.type == atom("XdndDrop"))
	{
		if (sender == drag.source)
			drop(message);
	}
	else
		return false;
	return true;
}

void X11DropTarget::enter(const xcb_client_message_event_t& message)
{
	// The previous drag never left: it ends here.
	endDrag();
	const uint32 version = message.data.data32[1] >> 24;
	if (message.data.data32[0] == XCB_NONE || version < 3)
		return;
	drag.source = message.data.data32[0];
	drag.types = offeredTypes(message);
	drag.preview = makePreview();
	bool gone = false;
	drag.watchingSource = watchSource(drag.source, true, gone);
	if (gone)
		drag = Drag {};
}

void X11DropTarget::position(const xcb_client_message_event_t& message)
{
	// Positions that cross the drop on the wire have nothing left to say.
	if (drag.requestedTarget != XCB_NONE)
		return;
	const uint32 rootPosition = message.data.data32[2];
	locate(int16(rootPosition >> 16), int16(rootPosition & 0xFFFF));
	// The toolkit may end the drag (close the frame) while it reads the package.
	const xcb_window_t source = drag.source;
	SharedPointer<X11DataPackage> preview = drag.preview;
	DragOperation operation = DragOperation::None;
	if (callback)
	{
		DragEventData data = eventData(drag, preview);
		const bool entered = std::exchange(drag.entered, true);
		operation = entered ? callback->platformOnDragMove(data) : callback->platformOnDragEnter(data);
	}
	if (drag.source != source)
	{
		send(source, atom("XdndStatus"), 2u, 0, 0, XCB_NONE);
		return;
	}
	drag.operation = operation;
	sendStatus(operation != DragOperation::None, operation);
}

void X11DropTarget::leave()
{
	endDrag();
}

void X11DropTarget::drop(const xcb_client_message_event_t& message)
{
	if (drag.requestedTarget != XCB_NONE)
		return;
	const xcb_atom_t target = preferredTarget();
	if (!callback || !drag.entered || drag.operation == DragOperation::None || target == XCB_NONE)
	{
		// A refused drop is over for the source too.
		const xcb_window_t source = drag.source;
		endDrag();
		send(source, atom("XdndFinished"), 0, XCB_NONE);
		return;
	}
	const xcb_atom_t property = atom("KAVRIN_XDND");
	xcb_delete_property(connection, window, property);
	// The drop's time names the selection the source owned for this drag.
	const xcb_timestamp_t time = message.data.data32[2];
	xcb_convert_selection(connection, window, atom("XdndSelection"), target, property, time);
	xcb_flush(connection);
	drag.requestedTarget = target;
	armTimeout();
}

void X11DropTarget::receiveData(const xcb_selection_notify_event_t& notify)
{
	if (drag.requestedTarget == XCB_NONE || drag.incremental || notify.target != drag.requestedTarget)
		return;
	xcb_atom_t type = XCB_NONE;
	std::string bytes;
	if (notify.property == XCB_NONE || !takeProperty(bytes, type))
	{
		giveUpData();
		return;
	}
	if (type != atom("INCR"))
	{
		deliverDrop(bytes, type);
		return;
	}
	// Taking the announcement asked for the first piece; each piece gets
	// the whole wait again.
	drag.incremental = true;
	armTimeout();
}

// Pieces of a large drop: each new value of the property is one, taking it
// asks for the next, and an empty one ends the data.
void X11DropTarget::receivePiece(const xcb_property_notify_event_t& notify)
{
	if (!drag.incremental || notify.state != XCB_PROPERTY_NEW_VALUE)
		return;
	std::string piece;
	xcb_atom_t type = XCB_NONE;
	if (!takeProperty(piece, type) || drag.received.size() + piece.size() > kMaxDataWords * 4)
	{
		giveUpData();
		return;
	}
	if (piece.empty())
	{
		std::string bytes = std::move(drag.received);
		deliverDrop(bytes, drag.receivedType);
		return;
	}
	drag.receivedType = type;
	drag.received += piece;
	xcb_flush(connection);
	armTimeout();
}

void X11DropTarget::deliverDrop(std::string& bytes, xcb_atom_t type)
{
	auto package = makeOwned<X11DataPackage>();
	addItems(bytes, type, *package);
	if (package->getCount() == 0)
	{
		giveUpData();
		return;
	}
	// Entered and dropped: the toolkit hears no leave after this.
	Drag dropped = takeDrag();
	const bool accepted = callback && callback->platformOnDrop(eventData(dropped, package));
	send(dropped.source, atom("XdndFinished"), accepted ? 1 : 0, accepted ? actionAtom(dropped.operation) : XCB_NONE);
}

void X11DropTarget::armTimeout()
{
	if (drag.timeout != IRunLoop::kNoHandle)
		platform->getRunLoop()->removeTimer(drag.timeout);
	drag.timeout = platform->getRunLoop()->addTimer(kDataTimeoutMilliseconds, [this] {
		SharedPointer<X11DropTarget> keepAlive = this;
		X11Platform::CallbackScope scope(platform);
		giveUpData();
	});
}

// No data in time, or none that can be read: the drop becomes a leave.
void X11DropTarget::giveUpData()
{
	endDrag();
}

// ---- Reading what the source offers ----

std::vector<xcb_atom_t> X11DropTarget::offeredTypes(const xcb_client_message_event_t& message) const
{
	std::vector<xcb_atom_t> types;
	if (message.data.data32[1] & 1)
	{
		X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
		    connection,
		    xcb_get_property(connection, 0, drag.source, atom("XdndTypeList"), XCB_ATOM_ATOM, 0, kMaxTypes),
		    nullptr));
		if (reply && reply->format == 32)
		{
			auto values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
			types.assign(values, values + xcb_get_property_value_length(reply.get()) / 4);
		}
		return types;
	}
	for (int index = 2; index < 5; ++index)
		if (message.data.data32[index] != XCB_NONE)
			types.push_back(message.data.data32[index]);
	return types;
}

// Text wins, as on the clipboard, then files, then the toolkit's own data.
xcb_atom_t X11DropTarget::preferredTarget() const
{
	const xcb_atom_t candidates[] = {atom("UTF8_STRING"), atom("text/plain;charset=utf-8"), XCB_ATOM_STRING,
	                                 atom("text/uri-list"), atom(X11Clipboard::kBinaryTarget)};
	for (xcb_atom_t candidate : candidates)
		if (contains(drag.types, candidate))
			return candidate;
	return XCB_NONE;
}

// While the drag moves, its data stays with the source: targets see the
// kind of item the drop will bring, without its bytes.
SharedPointer<X11DataPackage> X11DropTarget::makePreview() const
{
	auto preview = makeOwned<X11DataPackage>();
	const xcb_atom_t target = preferredTarget();
	if (target == atom("text/uri-list"))
		preview->addItem({}, IDataPackage::kFilePath);
	else if (target == atom(X11Clipboard::kBinaryTarget))
		preview->addItem({}, IDataPackage::kBinary);
	else if (target != XCB_NONE)
		preview->addItem({}, IDataPackage::kText);
	return preview;
}

// Reads and deletes the property the data arrives in.
bool X11DropTarget::takeProperty(std::string& bytes, xcb_atom_t& type)
{
	X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
	    connection,
	    xcb_get_property(connection, 1, window, atom("KAVRIN_XDND"), XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxDataWords),
	    nullptr));
	// Data cut at the limit is not taken.
	if (!reply || reply->type == XCB_NONE || reply->bytes_after != 0)
		return false;
	type = reply->type;
	bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())),
	             size_t(std::max(0, xcb_get_property_value_length(reply.get()))));
	return true;
}

// The drop's bytes become items by the clipboard's rules for the target.
void X11DropTarget::addItems(std::string& bytes, xcb_atom_t type, X11DataPackage& package) const
{
	const xcb_atom_t target = drag.requestedTarget;
	if (target == atom("text/uri-list"))
	{
		for (auto& path : X11DataConversion::parseUriList(bytes))
			package.addItem(std::move(path), IDataPackage::kFilePath);
		return;
	}
	if (target == atom(X11Clipboard::kBinaryTarget))
	{
		if (!bytes.empty())
			package.addItem(std::move(bytes), IDataPackage::kBinary);
		return;
	}
	using X11DataConversion::IncomingText;
	const IncomingText kind = type == XCB_ATOM_STRING ? IncomingText::Latin1
	                          : type == atom("UTF8_STRING") || type == atom("text/plain;charset=utf-8")
	                              ? IncomingText::Utf8
	                              : IncomingText::Unknown;
	package.addItem(X11DataConversion::incomingTextToUtf8(bytes, kind), IDataPackage::kText);
}

// Hears when the source's window goes, adding to what this connection
// already hears of it. True when it changed what is heard (to be undone
// at the end); gone when the window does not exist any more.
bool X11DropTarget::watchSource(xcb_window_t source, bool watch, bool& gone)
{
	X11Reply<xcb_get_window_attributes_reply_t> attributes(
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, source), nullptr));
	gone = !attributes;
	if (gone)
		return false;
	uint32 mask = attributes->your_event_mask;
	const bool heard = mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY;
	if (watch == heard)
		return false;
	mask = watch ? mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY : mask & ~uint32(XCB_EVENT_MASK_STRUCTURE_NOTIFY);
	xcb_change_window_attributes(connection, source, XCB_CW_EVENT_MASK, &mask);
	return true;
}

void X11DropTarget::locate(int16 rootX, int16 rootY)
{
	auto translateCookie = xcb_translate_coordinates(connection, platform->getScreen()->root, window, rootX, rootY);
	auto pointerCookie = xcb_query_pointer(connection, window);
	X11Reply<xcb_translate_coordinates_reply_t> translated(
	    xcb_translate_coordinates_reply(connection, translateCookie, nullptr));
	X11Reply<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(connection, pointerCookie, nullptr));
	if (translated)
		drag.position = CPoint(translated->dst_x / scaleFactor, translated->dst_y / scaleFactor);
	if (pointer)
		drag.modifiers = X11Input::buttonStateFromState(pointer->mask).modifiersOnly();
}

DragEventData X11DropTarget::eventData(const Drag& from, IDataPackage* package)
{
	DragEventData data;
	data.drag = package;
	data.pos = from.position;
	data.modifiers = from.modifiers;
	return data;
}

// ---- Ending ----

void X11DropTarget::endDrag()
{
	if (drag.source == XCB_NONE)
		return;
	Drag ended = takeDrag();
	if (ended.requestedTarget != XCB_NONE)
		send(ended.source, atom("XdndFinished"), 0, XCB_NONE);
	if (ended.entered && callback)
		callback->platformOnDragLeave(eventData(ended, ended.preview));
}

// The drag leaves this object before the toolkit hears of its end, so that
// whatever the toolkit does meanwhile finds no drag under way.
X11DropTarget::Drag X11DropTarget::takeDrag()
{
	Drag taken = std::exchange(drag, Drag {});
	if (taken.timeout != IRunLoop::kNoHandle)
		platform->getRunLoop()->removeTimer(taken.timeout);
	bool gone = false;
	if (taken.watchingSource)
		watchSource(taken.source, false, gone);
	return taken;
}

void X11DropTarget::sendStatus(bool accept, DragOperation operation)
{
	// Bit 1: positions wanted everywhere, since each view answers for itself.
	send(drag.source, atom("XdndStatus"), (accept ? 1u : 0u) | 2u, 0, 0, accept ? actionAtom(operation) : XCB_NONE);
}

void X11DropTarget::send(xcb_window_t source, xcb_atom_t type, uint32 data1, uint32 data2, uint32 data3,
                         uint32 data4)
{
	// The source hears the end of its drop even when the frame closed meanwhile.
	if (source == XCB_NONE)
		return;
	sendClientMessage(connection, source, type, {window, data1, data2, data3, data4});
	xcb_flush(connection);
}

xcb_atom_t X11DropTarget::actionAtom(DragOperation operation) const
{
	switch (operation)
	{
		case DragOperation::Copy:
			return atom("XdndActionCopy");
		case DragOperation::Move:
			return atom("XdndActionMove");
		default:
			return XCB_NONE;
	}
}

} // namespace Kavrin
