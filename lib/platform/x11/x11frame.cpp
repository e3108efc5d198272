#include "lib/platform/x11/x11frame.h"

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/idatapackage.h"
#include "lib/platform/iplatformoptionmenu.h"
#include "lib/platform/iplatformtextedit.h"
#include "lib/platform/iplatformviewlayer.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/cairoviewlayer.h"
#include "lib/platform/common/scrolledarea.h"
#include "lib/platform/iplatformframecallback.h"
#include "lib/platform/x11/x11clipboard.h"
#include "lib/platform/x11/x11clientmessage.h"
#include "lib/platform/x11/x11cursors.h"
#include "lib/platform/x11/x11dragdrop.h"
#include "lib/platform/x11/x11dragsource.h"
#include "lib/platform/x11/x11input.h"
#include "lib/platform/x11/x11keyboard.h"
#include "lib/platform/x11/x11platform.h"
#include "lib/platform/x11/x11pointerinput.h"
#include "lib/platform/x11/x11tooltip.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace Kavrin {

namespace {

// XEmbed: the version this side speaks, the info flag saying the window
// wants to be shown, and the messages it honours.
constexpr uint32 kXEmbedVersion = 0;
constexpr uint32 kXEmbedMapped = 1;
enum XEmbedMessage : uint32
{
	kXEmbedEmbeddedNotify = 0,
	kXEmbedWindowActivate = 1,
	kXEmbedWindowDeactivate = 2,
	kXEmbedRequestFocus = 3,
	kXEmbedFocusIn = 4,
	kXEmbedFocusOut = 5,
};

// The idle pass runs when asked, but not more often than the display
// shows frames: a meter dirtied by every audio block repaints at display
// rate, not at the block rate.
constexpr uint32 kIdlePassInterval = 16;     // milliseconds
constexpr uint32 kDoubleClickTime = 400;     // milliseconds
constexpr double kDoubleClickDistance = 4.;  // pixels

constexpr uint32 kEventMask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                              XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                              XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                              XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                              XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

// The window just below the root that holds a window (the window itself
// when it is one); XCB_NONE for the root, or when the server cannot say.
xcb_window_t ancestorBelowRoot(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window)
{
	xcb_window_t found = XCB_NONE;
	for (xcb_window_t current = window; current != XCB_NONE && current != root;)
	{
		found = current;
		auto tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, current), nullptr);
		if (!tree)
			break;
		current = tree->parent;
		std::free(tree);
	}
	return found;
}

uint16 clampedSide(double value)
{
	return static_cast<uint16>(std::clamp(std::ceil(value), 1., 32767.));
}

int16 clampedPosition(double value)
{
	return static_cast<int16>(std::clamp(std::round(value), -32768., 32767.));
}

} // namespace

X11Frame::X11Frame(X11Platform* platform, IPlatformFrameCallback* callback, const CRect& size, xcb_window_t parent)
: platform(platform), callback(callback), size(size), scaleFactor(platform->getScaleFactor()),
  layers(makeOwned<CairoLayerCompositor>(this, scaleFactor))
{
	xcb_connection_t* connection = platform->getConnection();
	xcb_window_t newWindow = xcb_generate_id(connection);
	// The screen's depth, visual and colormap, whatever visual the parent
	// has (values in bit order: border pixel, event mask, colormap).
	xcb_screen_t* screen = platform->getScreen();
	const uint32 values[] = {0, kEventMask, screen->default_colormap};
	auto cookie = xcb_create_window_checked(connection, screen->root_depth, newWindow, parent,
	                                        clampedPosition(size.left * scaleFactor),
	                                        clampedPosition(size.top * scaleFactor),
	                                        clampedSide(size.getWidth() * scaleFactor),
	                                        clampedSide(size.getHeight() * scaleFactor), 0,
	                                        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
	                                        XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
	// A parent that does not exist (or went away) gives no frame.
	if (xcb_generic_error_t* error = xcb_request_check(connection, cookie))
	{
		std::free(error);
		return;
	}
	window = newWindow;
	platform->getPointerInput().listenTo(window);
	gc = xcb_generate_id(connection);
	xcb_create_gc(connection, gc, window, 0, nullptr);
	// The arrow from the start rather than whatever the parent shows.
	setMouseCursor(kCursorDefault);
	xcb_map_window(connection, window);
	xcb_flush(connection);
	platform->registerFrame(window, this);
	dropTarget = makeOwned<X11DropTarget>(platform, window, callback, scaleFactor);
	// Hosts that embed through XEmbed find the window willing, and forward
	// the keyboard to it.
	xembedAtom = platform->internAtom("_XEMBED");
	const uint32 xembedInfo[] = {kXEmbedVersion, kXEmbedMapped};
	if (xcb_atom_t infoAtom = platform->internAtom("_XEMBED_INFO"))
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, infoAtom, infoAtom, 32, 2, xembedInfo);
	watchTopLevel(parent);
	makeBackBuffer();
	if (scaleFactor != 1.)
		callback->platformScaleFactorChanged(scaleFactor);
	pacingTimer = platform->createTimer(this);
	if (announceWindowActive)
		wakeForIdle();
}

X11Frame::~X11Frame() noexcept
{
	destroyWindow();
}

void X11Frame::makeBackBuffer()
{
	// Pixels moved in the old buffer are gone with it: the window needs
	// them painted anew.
	if (!scrolledArea.isEmpty())
		invalidRect(std::exchange(scrolledArea, CRect()));
	backBuffer.reset();
	backBuffer = std::make_unique<X11BackBuffer>(platform.get(), clampedSide(size.getWidth() * scaleFactor),
	                                             clampedSide(size.getHeight() * scaleFactor), scaleFactor);
	if (!backBuffer->isValid())
		backBuffer.reset();
}

void X11Frame::setScaleFactor(double newScaleFactor)
{
	if (newScaleFactor == scaleFactor || !(newScaleFactor > 0.) || window == XCB_NONE)
		return;
	SharedPointer<X11Frame> keepAlive = this;
	scaleFactor = newScaleFactor;
	layers->setScaleFactor(newScaleFactor);
	if (dropTarget)
		dropTarget->setScaleFactor(newScaleFactor);
	setSize(size);
	makeBackBuffer();
	invalidRects.clear();
	invalidRect(CRect(0, 0, size.getWidth(), size.getHeight()));
	if (callback)
		callback->platformScaleFactorChanged(newScaleFactor);
}

void X11Frame::destroyWindow(bool destroyedByServer)
{
	if (pacingTimer)
	{
		pacingTimer->stop();
		pacingTimer = nullptr;
	}
	pacing = false;
	idleRequested = false;
	tooltip = nullptr;
	layers->detach();
	if (dropTarget)
		std::exchange(dropTarget, nullptr)->detach();
	if (window == XCB_NONE)
		return;
	if (X11DragSession* drag = platform->getDragSession())
		drag->frameClosed(window);
	platform->unregisterFrame(window);
	backBuffer.reset();
	xcb_connection_t* connection = platform->getConnection();
	xcb_free_gc(connection, gc);
	if (!destroyedByServer)
		xcb_destroy_window(connection, window);
	xcb_flush(connection);
	window = XCB_NONE;
}

void X11Frame::onFrameClosed()
{
	textEdits.detachAll();
	callback = nullptr;
	destroyWindow();
}

// ---- The idle pass ----

void X11Frame::wakeForIdle() noexcept
{
	idleRequested.store(true, std::memory_order_release);
	platform->wakeUp();
}

void X11Frame::runRequestedIdle()
{
	if (!idleRequested.exchange(false, std::memory_order_acq_rel) || pacing || window == XCB_NONE)
		return;
	const uint32 sinceLastPass = platform->getTicks() - lastIdlePass;
	if (sinceLastPass < kIdlePassInterval && pacingTimer)
		pacing = pacingTimer->start(kIdlePassInterval - sinceLastPass);
	if (!pacing)
		runIdlePass();
}

void X11Frame::fire()
{
	pacing = false;
	if (pacingTimer)
		pacingTimer->stop();
	runIdlePass();
}

void X11Frame::runIdlePass()
{
	SharedPointer<X11Frame> keepAlive = this;
	lastIdlePass = platform->getTicks();
	if (std::exchange(announceWindowActive, false) && callback && topLevelFocus.setInside(true))
		callback->platformOnWindowActivate(true);
	if (auto frame = dynamic_cast<CFrame*>(callback))
		frame->idle();
}

// ---- Events ----

void X11Frame::handleEvent(const xcb_generic_event_t* event)
{
	if (!callback)
		return;
	dragTrigger.note(event);
	switch (event->response_type & 0x7F)
	{
		case XCB_EXPOSE:
		{
			auto expose = reinterpret_cast<const xcb_expose_event_t*>(event);
			CPoint from = toLogical(expose->x, expose->y);
			CPoint to = toLogical(expose->x + expose->width, expose->y + expose->height);
			invalidRect(CRect(std::floor(from.x), std::floor(from.y), std::ceil(to.x), std::ceil(to.y)));
			break;
		}
		case XCB_BUTTON_PRESS:
		case XCB_BUTTON_RELEASE:
			handleButton(reinterpret_cast<const xcb_button_press_event_t*>(event),
			             (event->response_type & 0x7F) == XCB_BUTTON_PRESS);
			break;
		case XCB_MOTION_NOTIFY:
		case XCB_ENTER_NOTIFY:
		{
			auto motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
			mousePosition = toLogical(motion->event_x, motion->event_y);
			mouseButtons = X11Input::buttonStateFromState(motion->state);
			CPoint where = mousePosition;
			SharedPointer<X11Frame> keepAlive = this;
			textEdits.mouseMoved(where, mouseButtons, [&] {
				return callback && isMouseHandled(callback->platformOnMouseMoved(where, mouseButtons));
			});
			break;
		}
		case XCB_LEAVE_NOTIFY:
		{
			auto leave = reinterpret_cast<const xcb_leave_notify_event_t*>(event);
			CPoint where = toLogical(leave->event_x, leave->event_y);
			callback->platformOnMouseExited(where, X11Input::buttonStateFromState(leave->state));
			break;
		}
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE:
			handleKey(reinterpret_cast<const xcb_key_press_event_t*>(event),
			          (event->response_type & 0x7F) == XCB_KEY_PRESS);
			break;
		case XCB_FOCUS_IN:
		case XCB_FOCUS_OUT:
			handleFocus(reinterpret_cast<const xcb_focus_in_event_t*>(event),
			            (event->response_type & 0x7F) == XCB_FOCUS_IN);
			break;
		case XCB_CLIENT_MESSAGE:
			handleXEmbed(reinterpret_cast<const xcb_client_message_event_t*>(event));
			break;
		case XCB_GE_GENERIC:
			handlePointerEvent(event);
			break;
		case XCB_DESTROY_NOTIFY:
			// The host destroyed its window, and this one with it: nothing is
			// drawn or destroyed any more; the frame closes when its owner
			// says so.
			if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == window)
				destroyWindow(true);
			break;
		default:
			break;
	}
}

bool X11Frame::handleDropEvent(const xcb_generic_event_t* event)
{
	SharedPointer<X11DropTarget> target = dropTarget;
	return target && target->handleEvent(event);
}

// The views hear an XInput 2 press, release or move as its core event,
// and the wheel steps of scroll valuators where it happened.
void X11Frame::handlePointerEvent(const xcb_generic_event_t* event)
{
	X11PointerInput::PointerEvent pointer = platform->getPointerInput().translate(event);
	SharedPointer<X11Frame> keepAlive = this;
	if (pointer.reachesViews)
		handleEvent(reinterpret_cast<const xcb_generic_event_t*>(&pointer.core));
	CPoint where = toLogical(pointer.core.event_x, pointer.core.event_y);
	CButtonState modifiers = X11Input::buttonStateFromState(pointer.core.state).modifiersOnly();
	for (const auto& step : pointer.wheel)
	{
		if (!callback)
			break;
		callback->platformOnMouseWheel(where, step.axis, step.distance, modifiers);
	}
}

void X11Frame::handleButton(const xcb_button_press_event_t* event, bool press)
{
	CPoint where = toLogical(event->event_x, event->event_y);
	CMouseWheelAxis axis;
	float distance = 0.f;
	CButtonState modifiers = X11Input::buttonStateFromState(event->state).modifiersOnly();
	if (X11Input::wheelFromDetail(event->detail, axis, distance))
	{
		if (press)
			callback->platformOnMouseWheel(where, axis, distance, modifiers);
		return;
	}
	CButtonState buttons = X11Input::buttonFromDetail(event->detail);
	if (buttons == CButtonState())
		return;
	buttons |= modifiers.getButtonState();
	if (!press)
	{
		SharedPointer<X11Frame> keepAlive = this;
		textEdits.mouseUp(where, buttons, [&] {
			return callback && isMouseHandled(callback->platformOnMouseUp(where, buttons));
		});
		return;
	}
	takeKeyboardFocus(event->time);
	bool doubleClick = event->detail == lastPressButton && event->time - lastPressTime <= kDoubleClickTime &&
	                   std::fabs(where.x - lastPressPosition.x) <= kDoubleClickDistance &&
	                   std::fabs(where.y - lastPressPosition.y) <= kDoubleClickDistance;
	if (doubleClick)
	{
		buttons |= kDoubleClick;
		lastPressButton = 0; // a third click starts anew
	}
	else
	{
		lastPressButton = event->detail;
		lastPressTime = event->time;
		lastPressPosition = where;
	}
	SharedPointer<X11Frame> keepAlive = this;
	textEdits.mouseDown(where, buttons, [&] {
		return callback && isMouseHandled(callback->platformOnMouseDown(where, buttons));
	});
}

// An embedded window asks its embedder for the focus; the embedder keeps
// the X focus and forwards the keys. Otherwise the window takes it.
void X11Frame::takeKeyboardFocus(xcb_timestamp_t time)
{
	xcb_connection_t* connection = platform->getConnection();
	if (embedder == XCB_NONE)
	{
		xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, time);
		return;
	}
	sendClientMessage(connection, embedder, xembedAtom, {time, kXEmbedRequestFocus, 0, 0, 0});
}

void X11Frame::handleFocus(const xcb_focus_in_event_t* event, bool focusIn)
{
	if (!keyboardFocus.focusEvent(focusIn, event->detail, event->mode))
		return;
	SharedPointer<X11Frame> keepAlive = this;
	textEdits.setWindowFocused(keyboardFocus.isInside());
	updateInputMethodFocus();
	callback->platformOnActivate(keyboardFocus.isInside());
}

void X11Frame::handleXEmbed(const xcb_client_message_event_t* event)
{
	if (event->type != xembedAtom || xembedAtom == XCB_NONE || event->format != 32)
		return;
	switch (event->data.data32[1])
	{
		case kXEmbedEmbeddedNotify:
			embedder = event->data.data32[3];
			break;
		case kXEmbedWindowActivate:
		case kXEmbedWindowDeactivate:
		{
			bool active = event->data.data32[1] == kXEmbedWindowActivate;
			if (topLevelFocus.setInside(active))
				callback->platformOnWindowActivate(active);
			break;
		}
		case kXEmbedFocusIn:
		case kXEmbedFocusOut:
		{
			bool active = event->data.data32[1] == kXEmbedFocusIn;
			if (keyboardFocus.setInside(active))
			{
				textEdits.setWindowFocused(active);
				updateInputMethodFocus();
				callback->platformOnActivate(active);
			}
			break;
		}
		default:
			break;
	}
}

// Finds the window below the root that holds the frame and listens to its
// focus and map changes, adding to whatever this connection already hears
// of it (the host may share the connection).
void X11Frame::watchTopLevel(xcb_window_t parent)
{
	xcb_connection_t* connection = platform->getConnection();
	const xcb_window_t root = platform->getScreen()->root;
	topLevel = ancestorBelowRoot(connection, root, parent);
	if (topLevel == XCB_NONE)
	{
		topLevel = window;
		return;
	}
	auto attributes =
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, topLevel), nullptr);
	if (!attributes)
		return;
	const uint32 mask[] = {attributes->your_event_mask | XCB_EVENT_MASK_FOCUS_CHANGE |
	                       XCB_EVENT_MASK_STRUCTURE_NOTIFY};
	std::free(attributes);
	xcb_change_window_attributes(connection, topLevel, XCB_CW_EVENT_MASK, mask);
	// Whether the top-level holds the focus already.
	if (auto focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr))
	{
		// Told on the first idle pass, once the frame is open.
		if (focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT &&
		    ancestorBelowRoot(connection, root, focus->focus) == topLevel)
			announceWindowActive = true;
		std::free(focus);
	}
}

void X11Frame::handleTopLevelEvent(const xcb_generic_event_t* event)
{
	if (!callback)
		return;
	switch (event->response_type & 0x7F)
	{
		case XCB_FOCUS_IN:
		case XCB_FOCUS_OUT:
		{
			auto focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
			if (topLevelFocus.focusEvent((event->response_type & 0x7F) == XCB_FOCUS_IN, focus->detail,
			                             focus->mode))
				callback->platformOnWindowActivate(topLevelFocus.isInside());
			break;
		}
		case XCB_MAP_NOTIFY:
			if (topLevelMap.mapEvent(true))
				callback->platformOnDeminiaturize();
			break;
		case XCB_UNMAP_NOTIFY:
			topLevelMap.mapEvent(false);
			break;
		default:
			break;
	}
}

void X11Frame::handleKey(const xcb_key_press_event_t* event, bool press)
{
	SharedPointer<X11Frame> keepAlive = this;
	updateInputMethodFocus();
	// An editor's keys go to the input method first, modifiers included
	// (they switch input methods); those it does not take come back
	// through inputMethodKey.
	X11InputMethod* inputMethod = platform->getInputMethod();
	if (inputMethodFocused && inputMethod && inputMethod->forwardKey(*event))
		return;
	X11Keyboard& keyboard = platform->getKeyboard();
	// A modifier key alone is no key for the views: what it holds reaches
	// them in the state of the next key or mouse event.
	if (keyboard.isModifierKey(event->detail, event->state))
		return;
	if (!press)
	{
		MoxKeyCode code = keyboard.translate(event->detail, event->state);
		callback->platformOnKeyUp(code);
		return;
	}
	// Only an editor takes dead keys and compose sequences: without one
	// the views get every key as it is.
	if (!textEdits.getFocused())
	{
		deliverKeyPress(keyboard.translate(event->detail, event->state), {});
		return;
	}
	X11Keyboard::TypedKey typed = keyboard.type(event->detail, event->state);
	if (!typed.swallowed)
		deliverKeyPress(typed.code, typed.text);
}

void X11Frame::deliverKeyPress(MoxKeyCode code, std::string_view text)
{
	SharedPointer<X11Frame> keepAlive = this;
	textEdits.keyDown(code, text, [&] { return callback && callback->platformOnKeyDown(code); });
}

// ---- Painting ----

bool X11Frame::invalidRect(const CRect& rect)
{
	// What the toolkit invalidates while it paints is already being painted.
	if (painting || window == XCB_NONE)
		return true;
	// Outside the platform's callbacks (a host's call, a nested loop)
	// nothing else would bring the paint.
	if (invalidRects.empty() && !platform->paintsSoon())
		platform->wakeUp();
	invalidRects.push_back(rect);
	return true;
}

void X11Frame::paint()
{
	if (!callback || !backBuffer || !needsPaint())
		return;
	backBuffer->waitForCopy();
	SharedPointer<X11Frame> keepAlive = this;
	auto rects = std::move(invalidRects);
	invalidRects.clear();
	painting = true;
	{
		auto context = makeOwned<CairoDrawContext>(backBuffer->getSurface());
		CairoLayerCompositor::PaintScope framePaint(*layers, context);
		for (const auto& rect : rects)
		{
			if (!callback)
				break;
			context->clearBeforeDrawing(rect);
			callback->platformDrawRect(context, rect);
			layers->composite(*context, rect);
			textEdits.draw(context, rect);
		}
	}
	painting = false;
	copyToWindow(rects);
	++framesShown;
}

// The scrolled pixels and the strips painted into them leave in one copy,
// so that the window never shows the moved pixels without what they
// uncovered.
void X11Frame::copyToWindow(const std::vector<CRect>& paintedRects)
{
	CRect withScrolled = CairoImageSurface::devicePixelsCovering(std::exchange(scrolledArea, CRect()), scaleFactor);
	for (const auto& rect : paintedRects)
	{
		CRect device = CairoImageSurface::devicePixelsCovering(rect, scaleFactor);
		if (!withScrolled.isEmpty() && !CRect(device).bound(withScrolled).isEmpty())
			withScrolled.unite(device);
		else
			copyDevicePixels(device);
	}
	if (!withScrolled.isEmpty())
		copyDevicePixels(withScrolled);
}

void X11Frame::copyDevicePixels(const CRect& devicePixels)
{
	if (window == XCB_NONE || !backBuffer)
		return;
	// The back buffer clips the rect; only the conversion needs bounds.
	auto pixel = [](double device) { return device > 0. ? int32(std::min(device, double(1 << 30))) : 0; };
	backBuffer->copyTo(window, gc, pixel(devicePixels.left), pixel(devicePixels.top), pixel(devicePixels.right),
	                   pixel(devicePixels.bottom));
}

// ---- Queries ----

bool X11Frame::getGlobalPosition(CPoint& pos) const
{
	if (window == XCB_NONE)
		return false;
	xcb_connection_t* connection = platform->getConnection();
	auto reply = xcb_translate_coordinates_reply(
	    connection, xcb_translate_coordinates(connection, window, platform->getScreen()->root, 0, 0), nullptr);
	if (!reply)
		return false;
	pos = CPoint(reply->dst_x, reply->dst_y);
	std::free(reply);
	return true;
}

bool X11Frame::setSize(const CRect& newSize)
{
	if (window == XCB_NONE)
		return false;
	const uint32 values[] = {uint32(int32(clampedPosition(newSize.left * scaleFactor))),
	                         uint32(int32(clampedPosition(newSize.top * scaleFactor))),
	                         clampedSide(newSize.getWidth() * scaleFactor),
	                         clampedSide(newSize.getHeight() * scaleFactor)};
	xcb_configure_window(platform->getConnection(), window,
	                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
	                         XCB_CONFIG_WINDOW_HEIGHT,
	                     values);
	bool resized = newSize.getWidth() != size.getWidth() || newSize.getHeight() != size.getHeight();
	size = newSize;
	if (resized)
		makeBackBuffer();
	xcb_flush(platform->getConnection());
	return true;
}

bool X11Frame::getSize(CRect& outSize) const
{
	outSize = size;
	return true;
}

bool X11Frame::queryPointer(CPoint* position, CButtonState* buttons) const
{
	if (window == XCB_NONE)
		return false;
	xcb_connection_t* connection = platform->getConnection();
	auto reply = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr);
	if (!reply)
		return false;
	if (position)
		*position = toLogical(reply->win_x, reply->win_y);
	if (buttons)
		*buttons = X11Input::buttonStateFromState(reply->mask);
	std::free(reply);
	return true;
}

bool X11Frame::getCurrentMousePosition(CPoint& position) const
{
	return queryPointer(&position, nullptr);
}

bool X11Frame::getCurrentMouseButtons(CButtonState& buttons) const
{
	return queryPointer(nullptr, &buttons);
}

// ---- Not yet on this platform ----

// Every type sets a cursor of its own, the arrow included: inheriting
// would show whatever the host's window shows.
bool X11Frame::setMouseCursor(CCursorType type)
{
	if (window == XCB_NONE)
		return false;
	const uint32 values[] = {platform->getCursors().get(type)};
	xcb_change_window_attributes(platform->getConnection(), window, XCB_CW_CURSOR, values);
	xcb_flush(platform->getConnection());
	return true;
}

// The pixels move within the back buffer at once; the window gets them with
// the next paint, which the uncovered strip brings.
bool X11Frame::scrollRect(const CRect& src, const CPoint& distance)
{
	// Mid-paint the back buffer holds a half-drawn picture.
	if (painting || window == XCB_NONE || !backBuffer)
		return false;
	if (distance == CPoint())
		return true;
	if (layers->declinesScrollOf(src))
		return false;
	CairoImageSurface* surface = backBuffer->getSurface();
	auto scrolled = ScrolledArea::plan(src, distance, surface->getLogicalRect(), scaleFactor);
	if (!scrolled)
		return false;
	// The server may still be reading the pixels about to move.
	backBuffer->waitForCopy();
	if (!surface->scrollPixels(scrolled->left, scrolled->top, scrolled->right, scrolled->bottom, scrolled->dx,
	                           scrolled->dy))
		return false;
	scrolled->moveAlong(invalidRects);
	if (scrolledArea.isEmpty())
		scrolledArea = scrolled->area;
	else
		scrolledArea.unite(scrolled->area);
	for (const auto& rect : scrolled->uncoveredRects())
		invalidRect(rect);
	return true;
}

bool X11Frame::showTooltip(const CRect& rect, const char* utf8Text)
{
	if (window == XCB_NONE)
		return false;
	if (!tooltip)
		tooltip = makeOwned<X11Tooltip>(platform.get());
	return tooltip->show(window, scaleFactor, rect, utf8Text);
}

bool X11Frame::hideTooltip()
{
	if (tooltip)
		tooltip->hide();
	return true;
}

void* X11Frame::getPlatformRepresentation() const
{
	return reinterpret_cast<void*>(uintptr_t(window));
}

SharedPointer<IPlatformTextEdit> X11Frame::createPlatformTextEdit(IPlatformTextEditCallback* textEdit)
{
	if (!callback || window == XCB_NONE)
		return nullptr;
	auto editor = textEdits.create(textEdit, this);
	// The new editor has the focus: the input method gets ready for it
	// before its first key.
	updateInputMethodFocus();
	return editor;
}

SharedPointer<IPlatformOptionMenu> X11Frame::createPlatformOptionMenu()
{
	return nullptr;
}

SharedPointer<IPlatformViewLayer> X11Frame::createPlatformViewLayer(IPlatformViewLayerDelegate* drawDelegate,
                                                                   IPlatformViewLayer* parentLayer)
{
	if (window == XCB_NONE)
		return nullptr;
	return layers->createLayer(drawDelegate, parentLayer);
}

SharedPointer<COffscreenContext> X11Frame::createOffscreenContext(double width, double height, double scale)
{
	return CairoPlatform::createOffscreenContext(width, height, scale);
}

// The drag runs on after this returns, with no one to hear how it ends.
int32 X11Frame::doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap)
{
	DragDescription description {source, dragBitmap, offset};
	return doDrag(description, nullptr) ? 0 : -1;
}

bool X11Frame::doDrag(const DragDescription& description, const SharedPointer<IDragCallback>& dragCallback)
{
	return window != XCB_NONE &&
	       X11DragSession::start(platform.get(), window, scaleFactor, dragTrigger, description, dragCallback);
}

void X11Frame::setClipboard(const SharedPointer<IDataPackage>& package)
{
	platform->getClipboard().set(package);
}

SharedPointer<IDataPackage> X11Frame::getClipboard()
{
	return platform->getClipboard().get();
}

PlatformType X11Frame::getPlatformType() const
{
	return kX11Window;
}

// ---- What the text editors ask of the frame ----

void X11Frame::invalidTextEditRect(const CRect& rect)
{
	invalidRect(rect);
}

void X11Frame::setClipboardText(const std::string& utf8)
{
	platform->getClipboard().set(TextEditRouter::packageWithText(utf8));
}

std::string X11Frame::getClipboardText()
{
	return TextEditRouter::textIn(platform->getClipboard().get());
}

void X11Frame::setPrimaryText(const std::string& utf8)
{
	platform->getPrimarySelection().setText(utf8);
}

std::string X11Frame::getPrimaryText()
{
	return platform->getPrimarySelection().getText();
}

void X11Frame::textEditCaretMoved(const CRect& caret)
{
	updateInputMethodFocus();
	if (X11InputMethod* inputMethod = platform->getInputMethod(); inputMethod && inputMethodFocused)
	{
		CRect pixels(caret.left * scaleFactor, caret.top * scaleFactor, caret.right * scaleFactor,
		             caret.bottom * scaleFactor);
		inputMethod->setCaret(window, pixels);
	}
}

// ---- Input methods ----

void X11Frame::updateInputMethodFocus()
{
	const bool wanted = window != XCB_NONE && callback && textEdits.getFocused() && keyboardFocus.isInside();
	if (wanted == inputMethodFocused)
		return;
	inputMethodFocused = wanted;
	// A sequence begun in one editor does not finish in another.
	platform->getKeyboard().cancelCompose();
	X11InputMethod* inputMethod = platform->getInputMethod();
	if (!inputMethod)
		return;
	if (wanted)
		inputMethod->focusIn(window, this);
	else
		inputMethod->focusOut(window);
}

void X11Frame::inputMethodCommit(std::string_view utf8)
{
	SharedPointer<X11Frame> keepAlive = this;
	if (SharedPointer<GenericTextEdit> editor = textEdits.getFocused())
		editor->commitText(utf8);
}

void X11Frame::inputMethodPreedit(std::string_view utf8, int32 caretByte)
{
	SharedPointer<X11Frame> keepAlive = this;
	if (SharedPointer<GenericTextEdit> editor = textEdits.getFocused())
		editor->setPreedit(utf8, caretByte);
}

void X11Frame::inputMethodKey(const xcb_key_press_event_t& event)
{
	if (callback)
		handleKey(&event, (event.response_type & 0x7F) == XCB_KEY_PRESS);
}

} // namespace Kavrin
