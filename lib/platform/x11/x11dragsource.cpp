#include "lib/platform/x11/x11dragsource.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/idatapackage.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/x11/x11backbuffer.h"
#include "lib/platform/x11/x11clientmessage.h"
#include "lib/platform/x11/x11cursors.h"
#include "lib/platform/x11/x11keyboard.h"
#include "lib/platform/x11/x11platform.h"
#include "lib/platform/x11/x11pointerinput.h"
#include "lib/platform/x11/x11reply.h"
#include "lib/platform/x11/x11selectionserver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Kavrin {

namespace {

constexpr uint32 kEscapeKeysym = 0xFF1B;
constexpr uint16 kGrabMask =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
// Windows nested deeper than this are no desktop's.
constexpr int kMaxTreeDepth = 64;
// An image larger than this on a side is cut (device pixels).
constexpr int32 kMaxImageSide = 4096;

uint8 eventType(const xcb_generic_event_t* event)
{
	return event->response_type & 0x7F;
}

// A visual with an alpha channel, so that the image keeps its shape where
// a compositor runs; XCB_NONE when the server has none.
xcb_visualid_t argbVisual(xcb_screen_t* screen)
{
	for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths))
	{
		if (depths.data->depth != 32)
			continue;
		for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
			if (visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
				return visuals.data->visual_id;
	}
	return XCB_NONE;
}

} // namespace

// ---- The event a drag starts from ----

void X11DragTrigger::note(const xcb_generic_event_t* event)
{
	switch (eventType(event))
	{
		case XCB_BUTTON_PRESS:
		case XCB_BUTTON_RELEASE:
		{
			auto button = reinterpret_cast<const xcb_button_press_event_t*>(event);
			take(eventType(event) == XCB_BUTTON_PRESS && button->detail == 1, button->time, button->root_x,
			     button->root_y);
			break;
		}
		case XCB_MOTION_NOTIFY:
		{
			auto motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
			take(motion->state & XCB_BUTTON_MASK_1, motion->time, motion->root_x, motion->root_y);
			break;
		}
		case XCB_ENTER_NOTIFY:
		{
			// The frame hears an enter as a move.
			auto enter = reinterpret_cast<const xcb_enter_notify_event_t*>(event);
			take(enter->state & XCB_BUTTON_MASK_1, enter->time, enter->root_x, enter->root_y);
			break;
		}
		case XCB_LEAVE_NOTIFY:
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE:
			leftButtonDown = false;
			break;
		default:
			break;
	}
}

void X11DragTrigger::take(bool leftDown, xcb_timestamp_t eventTime, int16 x, int16 y)
{
	leftButtonDown = leftDown;
	time = eventTime;
	rootX = x;
	rootY = y;
}

// ---- Starting ----

bool X11DragSession::start(X11Platform* platform, xcb_window_t frameWindow, double scaleFactor,
                           const X11DragTrigger& trigger, const DragDescription& description,
                           const SharedPointer<IDragCallback>& callback)
{
	if (!trigger.canStartDrag() || !description.data || platform->getDragSession() || frameWindow == XCB_NONE ||
	    !(scaleFactor > 0.))
		return false;
	SharedPointer<X11DragSession> session =
	    owned(new X11DragSession(platform, frameWindow, scaleFactor, description, callback));
	if (!session->begin(trigger))
	{
		session->phase = Phase::Ended;
		session->releaseResources();
		return false;
	}
	platform->setDragSession(session);
	return true;
}

X11DragSession::X11DragSession(X11Platform* platform, xcb_window_t frameWindow, double scaleFactor,
                               const DragDescription& description, const SharedPointer<IDragCallback>& callback)
: platform(platform), connection(platform->getConnection()), frameWindow(frameWindow), scaleFactor(scaleFactor),
  data(description.data), bitmap(description.bitmap), bitmapOffset(description.bitmapOffset), callback(callback)
{
}

X11DragSession::~X11DragSession() noexcept
{
	releaseResources();
}

xcb_atom_t X11DragSession::atom(const char* name) const
{
	return platform->internAtom(name);
}

bool X11DragSession::begin(const X11DragTrigger& trigger)
{
	X11SelectionOffer offer = X11SelectionOffer::fromPackage(*data);
	if (offer.isEmpty())
		return false;
	const xcb_window_t root = platform->getScreen()->root;
	X11Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
	    connection, xcb_translate_coordinates(connection, frameWindow, root, 0, 0), nullptr));
	if (!origin)
		return false;
	frameOrigin = CPoint(origin->dst_x, origin->dst_y);
	rootX = trigger.getRootX();
	rootY = trigger.getRootY();
	lastTime = trigger.getTime();

	sourceWindow = xcb_generate_id(connection);
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, sourceWindow, root, -10, -10, 1, 1, 0,
	                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
	server = std::make_unique<X11SelectionServer>(platform, sourceWindow, "XdndSelection");
	xcb_timestamp_t ownedSince = XCB_CURRENT_TIME;
	if (!ownSelection(trigger.getTime(), ownedSince))
		return false;
	server->offer(std::move(offer), ownedSince);
	types = server->dataTargets();
	xcb_change_property(connection, XCB_PROP_MODE_REPLACE, sourceWindow, atom("XdndTypeList"), XCB_ATOM_ATOM, 32,
	                    uint32(types.size()), types.data());
	if (!grabInput())
		return false;
	showImage();
	// Heard once doDrag has returned, so that the listener finds the frame
	// done with the press that started the drag.
	beginTimer = platform->getRunLoop()->addTimer(0, [this] {
		SharedPointer<X11DragSession> keepAlive = this;
		X11Platform::CallbackScope scope(platform);
		announceBegin();
	});
	xcb_flush(connection);
	return true;
}

// With the time of the event that started the drag, as the conventions
// ask; a selection taken by someone later than that is taken now.
bool X11DragSession::ownSelection(xcb_timestamp_t time, xcb_timestamp_t& ownedSince)
{
	const xcb_atom_t selection = atom("XdndSelection");
	for (xcb_timestamp_t when : {time, xcb_timestamp_t(XCB_CURRENT_TIME)})
	{
		xcb_set_selection_owner(connection, sourceWindow, selection, when);
		X11Reply<xcb_get_selection_owner_reply_t> owner(
		    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
		if (owner && owner->owner == sourceWindow)
		{
			ownedSince = when;
			return true;
		}
		if (when == XCB_CURRENT_TIME)
			break;
	}
	return false;
}

// The pointer is grabbed on the root, so that every move and the release
// come here wherever the pointer goes; the keyboard too, for Escape (a
// drag goes on without it when another client holds it).
bool X11DragSession::grabInput()
{
	const xcb_window_t root = platform->getScreen()->root;
	platform->getPointerInput().releasePressGrab();
	X11Reply<xcb_grab_pointer_reply_t> pointer(xcb_grab_pointer_reply(
	    connection,
	    xcb_grab_pointer(connection, 0, root, kGrabMask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
	                     platform->getCursors().get(kCursorNotAllowed), XCB_CURRENT_TIME),
	    nullptr));
	pointerGrabbed = pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS;
	if (!pointerGrabbed)
		return false;
	X11Reply<xcb_grab_keyboard_reply_t> keyboard(xcb_grab_keyboard_reply(
	    connection,
	    xcb_grab_keyboard(connection, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
	    nullptr));
	keyboardGrabbed = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
	// A click quicker than the loop: its release went to the frame before
	// the grab, and nothing would end the drag.
	X11Reply<xcb_query_pointer_reply_t> pointerNow(
	    xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr));
	return pointerNow && (pointerNow->mask & XCB_BUTTON_MASK_1);
}

// ---- Events ----

bool X11DragSession::handleEvent(const xcb_generic_event_t* event)
{
	if (phase == Phase::Ended)
		return false;
	SharedPointer<X11DragSession> keepAlive = this;
	if (server && server->handleEvent(event))
		return true;
	const xcb_window_t root = platform->getScreen()->root;
	switch (eventType(event))
	{
		case XCB_MOTION_NOTIFY:
		{
			auto motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
			if (!pointerGrabbed || motion->event != root)
				return false;
			pointerMoved(motion->root_x, motion->root_y, motion->time);
			return true;
		}
		case XCB_BUTTON_PRESS:
		case XCB_BUTTON_RELEASE:
		{
			auto button = reinterpret_cast<const xcb_button_press_event_t*>(event);
			if (!pointerGrabbed || button->event != root)
				return false;
			if (eventType(event) == XCB_BUTTON_RELEASE && button->detail == 1)
				released(button->root_x, button->root_y, button->time);
			return true;
		}
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE:
		{
			auto key = reinterpret_cast<const xcb_key_press_event_t*>(event);
			if (!keyboardGrabbed || key->event != root)
				return false;
			if (eventType(event) == XCB_KEY_PRESS &&
			    platform->getKeyboard().keysym(key->detail, key->state) == kEscapeKeysym)
				cancel();
			return true;
		}
		case XCB_CLIENT_MESSAGE:
		{
			auto message = reinterpret_cast<const xcb_client_message_event_t*>(event);
			if (message->window != sourceWindow || message->format != 32)
				return false;
			if (message->type == atom("XdndStatus"))
				statusReceived(*message);
			else if (message->type == atom("XdndFinished"))
				finishedReceived(*message);
			return true;
		}
		case XCB_SELECTION_CLEAR:
			if (reinterpret_cast<const xcb_selection_clear_event_t*>(event)->owner != sourceWindow)
				return false;
			// Another drag took the selection: this one has nothing left to give.
			cancel();
			return true;
		case 0:
		{
			auto error = reinterpret_cast<const xcb_generic_error_t*>(event);
			if (target.window == XCB_NONE || error->error_code != XCB_WINDOW ||
			    (error->resource_id != target.window && error->resource_id != target.destination))
				return false;
			targetGone();
			return true;
		}
		default:
			return false;
	}
}

void X11DragSession::frameClosed(xcb_window_t window)
{
	if (window == frameWindow)
		cancel();
}

void X11DragSession::cancel()
{
	if (phase == Phase::Ended)
		return;
	SharedPointer<X11DragSession> keepAlive = this;
	// A target that has the drop hears no leave after it.
	if (phase == Phase::Dropping)
		target = {};
	leaveTarget();
	finish(DragOperation::None);
}

void X11DragSession::announceBegin()
{
	if (std::exchange(announced, true))
		return;
	disarm(beginTimer);
	if (SharedPointer<IDragCallback> listener = callback)
		listener->dragWillBegin(this, framePosition());
}

void X11DragSession::pointerMoved(int16 x, int16 y, xcb_timestamp_t time)
{
	announceBegin();
	if (phase != Phase::Dragging)
		return;
	rootX = x;
	rootY = y;
	lastTime = time;
	moveImage();
	changeTarget(findTarget());
	sendPosition();
	if (SharedPointer<IDragCallback> listener = callback)
		listener->dragMoved(this, framePosition());
}

void X11DragSession::released(int16 x, int16 y, xcb_timestamp_t time)
{
	if (x != rootX || y != rootY)
		pointerMoved(x, y, time);
	announceBegin();
	if (phase != Phase::Dragging)
		return;
	lastTime = time;
	// The gesture is over: the pointer and the keyboard are the user's again.
	releaseInput();
	hideImage();
	if (target.window == XCB_NONE)
	{
		finish(DragOperation::None);
		return;
	}
	phase = Phase::Released;
	if (target.awaitingStatus)
	{
		armTimeout();
		return;
	}
	decideDrop();
}

void X11DragSession::statusReceived(const xcb_client_message_event_t& message)
{
	const xcb_window_t from = message.data.data32[0];
	if (target.window == XCB_NONE || (from != target.window && from != target.destination) ||
	    (phase != Phase::Dragging && phase != Phase::Released))
		return;
	const uint32 flags = message.data.data32[1];
	target.awaitingStatus = false;
	target.accepted = flags & 1;
	target.action = target.accepted ? message.data.data32[4] : XCB_NONE;
	const uint32 area = message.data.data32[3];
	// Bit 1 clear: no positions wanted while the pointer stays in the area.
	target.quietAreaSet = !(flags & 2) && (area >> 16) > 0 && (area & 0xFFFF) > 0;
	target.quietX = int16(message.data.data32[2] >> 16);
	target.quietY = int16(message.data.data32[2] & 0xFFFF);
	target.quietWidth = uint16(area >> 16);
	target.quietHeight = uint16(area & 0xFFFF);
	updateCursor();
	// The last position goes out before the drop, whose answer decides it.
	if (target.positionPending)
	{
		sendPosition();
		if (target.awaitingStatus)
			return;
	}
	if (phase == Phase::Released)
		decideDrop();
}

void X11DragSession::finishedReceived(const xcb_client_message_event_t& message)
{
	const xcb_window_t from = message.data.data32[0];
	if (phase != Phase::Dropping || (from != target.window && from != target.destination))
		return;
	DragOperation result = target.accepted ? operationOf(target.action) : DragOperation::None;
	// Version 5 says what was done. A target that names an action did it,
	// even when it forgets the accept bit (some do); one that accepts
	// without naming any did what its last status said.
	if (target.version >= 5)
	{
		const bool accepted = message.data.data32[1] & 1;
		const xcb_atom_t action = message.data.data32[2];
		if (action != XCB_NONE)
			result = operationOf(action);
		else if (!accepted)
			result = DragOperation::None;
	}
	target = {};
	finish(result);
}

void X11DragSession::decideDrop()
{
	if (!target.accepted)
	{
		leaveTarget();
		finish(DragOperation::None);
		return;
	}
	send("XdndDrop", 0, lastTime);
	phase = Phase::Dropping;
	armTimeout();
}

// The target's window went away: nothing more is sent to it.
void X11DragSession::targetGone()
{
	target = {};
	if (phase == Phase::Dragging)
		updateCursor();
	else
		finish(DragOperation::None);
}

void X11DragSession::armTimeout()
{
	disarm(timeout);
	timeout = platform->getRunLoop()->addTimer(kReplyTimeoutMilliseconds, [this] {
		SharedPointer<X11DragSession> keepAlive = this;
		X11Platform::CallbackScope scope(platform);
		// The target stays silent: the drop is refused.
		cancel();
	});
}

void X11DragSession::disarm(IRunLoop::Handle& handle)
{
	if (handle != IRunLoop::kNoHandle)
		platform->getRunLoop()->removeTimer(std::exchange(handle, IRunLoop::kNoHandle));
}

// ---- Ending ----

// Everything is let go before the listener hears the end, so that it may
// start the next drag from dragEnded.
void X11DragSession::finish(DragOperation result)
{
	if (phase == Phase::Ended)
		return;
	SharedPointer<X11DragSession> keepAlive = this;
	phase = Phase::Ended;
	releaseResources();
	if (platform->getDragSession() == this)
		platform->setDragSession(nullptr);
	SharedPointer<IDragCallback> listener = std::move(callback);
	if (!listener)
		return;
	const CPoint position = framePosition();
	// A drag ended before its first turn was still begun for the listener.
	if (!std::exchange(announced, true))
		listener->dragWillBegin(this, position);
	listener->dragEnded(this, position, result);
}

void X11DragSession::releaseInput()
{
	if (std::exchange(pointerGrabbed, false))
		xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
	if (std::exchange(keyboardGrabbed, false))
		xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
}

void X11DragSession::releaseResources()
{
	disarm(beginTimer);
	disarm(timeout);
	releaseInput();
	hideImage();
	server.reset();
	if (sourceWindow != XCB_NONE)
		xcb_destroy_window(connection, std::exchange(sourceWindow, XCB_NONE));
	xcb_flush(connection);
}

// ---- The target ----

X11DragSession::Target X11DragSession::findTarget() const
{
	const xcb_window_t root = platform->getScreen()->root;
	xcb_window_t window = topLevelAt(rootX, rootY);
	for (int depth = 0; window != XCB_NONE && depth < kMaxTreeDepth; ++depth)
	{
		Target found = awareTarget(window);
		if (found.window != XCB_NONE)
			return found;
		X11Reply<xcb_translate_coordinates_reply_t> inside(xcb_translate_coordinates_reply(
		    connection, xcb_translate_coordinates(connection, root, window, rootX, rootY), nullptr));
		if (!inside)
			break;
		window = inside->child;
	}
	return {};
}

// The topmost mapped child of the root under the point, not counting the
// drag's image, which lies right under the pointer.
xcb_window_t X11DragSession::topLevelAt(int16 x, int16 y) const
{
	const xcb_window_t root = platform->getScreen()->root;
	X11Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
	if (!tree)
		return XCB_NONE;
	const xcb_window_t* children = xcb_query_tree_children(tree.get());
	const int count = xcb_query_tree_children_length(tree.get());
	std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
	std::vector<xcb_get_geometry_cookie_t> geometryCookies;
	attributeCookies.reserve(size_t(count));
	geometryCookies.reserve(size_t(count));
	for (int index = 0; index < count; ++index)
	{
		attributeCookies.push_back(xcb_get_window_attributes(connection, children[index]));
		geometryCookies.push_back(xcb_get_geometry(connection, children[index]));
	}
	// Children come from the bottom up; every reply is taken, found or not.
	xcb_window_t found = XCB_NONE;
	for (int index = count - 1; index >= 0; --index)
	{
		X11Reply<xcb_get_window_attributes_reply_t> attributes(
		    xcb_get_window_attributes_reply(connection, attributeCookies[size_t(index)], nullptr));
		X11Reply<xcb_get_geometry_reply_t> geometry(
		    xcb_get_geometry_reply(connection, geometryCookies[size_t(index)], nullptr));
		if (found != XCB_NONE || children[index] == imageWindow || !attributes || !geometry ||
		    attributes->map_state != XCB_MAP_STATE_VIEWABLE)
			continue;
		const int32 left = geometry->x;
		const int32 top = geometry->y;
		const int32 border = 2 * int32(geometry->border_width);
		if (x >= left && y >= top && x < left + int32(geometry->width) + border &&
		    y < top + int32(geometry->height) + border)
			found = children[index];
	}
	return found;
}

// The window as an XDND target: through its proxy when the proxy names
// itself, with the version both sides speak.
X11DragSession::Target X11DragSession::awareTarget(xcb_window_t window) const
{
	auto readFirst = [this](xcb_window_t from, xcb_atom_t property, xcb_atom_t type) -> uint32 {
		X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
		    connection, xcb_get_property(connection, 0, from, property, type, 0, 1), nullptr));
		if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
			return 0;
		return *static_cast<const uint32*>(xcb_get_property_value(reply.get()));
	};
	xcb_window_t destination = window;
	const xcb_window_t proxy = readFirst(window, atom("XdndProxy"), XCB_ATOM_WINDOW);
	if (proxy != XCB_NONE && readFirst(proxy, atom("XdndProxy"), XCB_ATOM_WINDOW) == proxy)
		destination = proxy;
	const uint32 version = readFirst(destination, atom("XdndAware"), XCB_ATOM_ATOM);
	if (version < 3)
		return {};
	Target found;
	found.window = window;
	found.destination = destination;
	found.version = std::min(version, kVersion);
	return found;
}

void X11DragSession::changeTarget(const Target& found)
{
	if (found.window == target.window && found.destination == target.destination)
		return;
	leaveTarget();
	target = found;
	if (target.window != XCB_NONE)
	{
		// Three types travel in the message; more are read from the list.
		uint32 inMessage[3] = {};
		std::copy_n(types.begin(), std::min<size_t>(3, types.size()), inMessage);
		send("XdndEnter", target.version << 24 | (types.size() > 3 ? 1u : 0u), inMessage[0], inMessage[1],
		     inMessage[2]);
	}
	updateCursor();
}

// One position at a time: the next waits for the answer to the last.
void X11DragSession::sendPosition()
{
	if (target.window == XCB_NONE)
		return;
	if (target.awaitingStatus)
	{
		target.positionPending = true;
		return;
	}
	target.positionPending = false;
	if (target.quietAreaSet && rootX >= target.quietX && rootY >= target.quietY &&
	    rootX < int32(target.quietX) + target.quietWidth && rootY < int32(target.quietY) + target.quietHeight)
		return;
	send("XdndPosition", 0, uint32(uint16(rootX)) << 16 | uint16(rootY), lastTime, atom("XdndActionCopy"));
	target.awaitingStatus = true;
}

void X11DragSession::leaveTarget()
{
	if (target.window == XCB_NONE)
		return;
	send("XdndLeave", 0);
	target = {};
}

void X11DragSession::send(const char* type, uint32 data1, uint32 data2, uint32 data3, uint32 data4)
{
	sendClientMessage(connection, target.destination, target.window, atom(type),
	                  {sourceWindow, data1, data2, data3, data4});
	xcb_flush(connection);
}

void X11DragSession::updateCursor()
{
	if (!pointerGrabbed)
		return;
	const bool accepted = target.window != XCB_NONE && target.accepted;
	xcb_change_active_pointer_grab(connection, platform->getCursors().get(accepted ? kCursorCopy : kCursorNotAllowed),
	                               XCB_CURRENT_TIME, kGrabMask);
	xcb_flush(connection);
}

DragOperation X11DragSession::operationOf(xcb_atom_t action) const
{
	if (action != XCB_NONE && action == atom("XdndActionCopy"))
		return DragOperation::Copy;
	if (action != XCB_NONE && action == atom("XdndActionMove"))
		return DragOperation::Move;
	return DragOperation::None;
}

CPoint X11DragSession::framePosition() const
{
	return CPoint((rootX - frameOrigin.x) / scaleFactor, (rootY - frameOrigin.y) / scaleFactor);
}

// ---- The image ----

bool X11DragSession::setBitmap(const SharedPointer<CBitmap>& newBitmap, const CPoint& offset)
{
	if (phase == Phase::Ended)
		return false;
	bitmap = newBitmap;
	bitmapOffset = offset;
	if (phase == Phase::Dragging)
		showImage();
	return true;
}

// The first resolution at its size in points, drawn at the frame's scale.
SharedPointer<CairoImageSurface> X11DragSession::renderImage() const
{
	if (!bitmap || bitmap->getPlatformBitmaps().empty())
		return nullptr;
	const CPoint size = bitmap->getSize();
	const int32 width = int32(std::min<double>(std::lround(size.x * scaleFactor), kMaxImageSide));
	const int32 height = int32(std::min<double>(std::lround(size.y * scaleFactor), kMaxImageSide));
	if (width < 1 || height < 1)
		return nullptr;
	auto image = CairoImageSurface::create(width, height, scaleFactor);
	if (!image)
		return nullptr;
	auto first = makeOwned<CBitmap>(bitmap->getPlatformBitmaps().front());
	auto context = owned(image->createDrawContext());
	context->drawBitmap(first, CRect(0, 0, size.x, size.y));
	return image;
}

void X11DragSession::showImage()
{
	auto image = renderImage();
	if (!image)
	{
		hideImage();
		return;
	}
	if (imageWindow == XCB_NONE && !makeImageWindow())
		return;
	const int32 width = image->getPixelWidth();
	const int32 height = image->getPixelHeight();
	// The image becomes the window's background: the server repaints it.
	xcb_pixmap_t pixmap = xcb_generate_id(connection);
	xcb_create_pixmap(connection, imageDepth, pixmap, imageWindow, uint16(width), uint16(height));
	xcb_gcontext_t gc = xcb_generate_id(connection);
	xcb_create_gc(connection, gc, pixmap, 0, nullptr);
	putImage(connection, pixmap, gc, imageDepth, *image, 0, 0, width, height);
	xcb_free_gc(connection, gc);
	const uint32 background[] = {pixmap};
	xcb_change_window_attributes(connection, imageWindow, XCB_CW_BACK_PIXMAP, background);
	xcb_free_pixmap(connection, pixmap);
	const uint32 size[] = {uint32(width), uint32(height)};
	xcb_configure_window(connection, imageWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
	moveImage();
	xcb_clear_area(connection, 0, imageWindow, 0, 0, 0, 0);
	xcb_map_window(connection, imageWindow);
	xcb_flush(connection);
}

bool X11DragSession::makeImageWindow()
{
	xcb_screen_t* screen = platform->getScreen();
	xcb_visualid_t visual = argbVisual(screen);
	xcb_colormap_t colormap = screen->default_colormap;
	imageDepth = screen->root_depth;
	if (visual != XCB_NONE)
	{
		colormap = xcb_generate_id(connection);
		xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, colormap, screen->root, visual);
		imageColormap = colormap;
		imageDepth = 32;
	}
	else
		visual = screen->root_visual;
	xcb_window_t window = xcb_generate_id(connection);
	// Kept from the window manager, and what it covers is kept by the server
	// (values in bit order: border pixel, override-redirect, save-under, colormap).
	const uint32 values[] = {0, 1, 1, colormap};
	auto cookie = xcb_create_window_checked(
	    connection, imageDepth, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
	    XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_SAVE_UNDER | XCB_CW_COLORMAP, values);
	if (xcb_generic_error_t* error = xcb_request_check(connection, cookie))
	{
		std::free(error);
		hideImage();
		return false;
	}
	imageWindow = window;
	const xcb_atom_t windowType = atom("_NET_WM_WINDOW_TYPE");
	const xcb_atom_t dndType = atom("_NET_WM_WINDOW_TYPE_DND");
	if (windowType != XCB_NONE && dndType != XCB_NONE)
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, imageWindow, windowType, XCB_ATOM_ATOM, 32, 1,
		                    &dndType);
	return true;
}

void X11DragSession::moveImage()
{
	if (imageWindow == XCB_NONE)
		return;
	const int32 x = int32(rootX) + int32(std::lround(bitmapOffset.x * scaleFactor));
	const int32 y = int32(rootY) + int32(std::lround(bitmapOffset.y * scaleFactor));
	const uint32 values[] = {uint32(x), uint32(y), XCB_STACK_MODE_ABOVE};
	xcb_configure_window(connection, imageWindow,
	                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_STACK_MODE, values);
	xcb_flush(connection);
}

void X11DragSession::hideImage()
{
	if (imageWindow != XCB_NONE)
		xcb_destroy_window(connection, std::exchange(imageWindow, XCB_NONE));
	if (imageColormap != XCB_NONE)
		xcb_free_colormap(connection, std::exchange(imageColormap, XCB_NONE));
}

} // namespace Kavrin
