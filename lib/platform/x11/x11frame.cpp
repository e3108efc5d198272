#include "lib/platform/x11/x11frame.h"

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/idatapackage.h"
#include "lib/platform/iplatformoptionmenu.h"
#include "lib/platform/iplatformtextedit.h"
#include "lib/platform/iplatformviewlayer.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/iplatformframecallback.h"
#include "lib/platform/x11/x11input.h"
#include "lib/platform/x11/x11platform.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Kavrin {

namespace {

constexpr uint32 kIdleInterval = 16;         // milliseconds between idle passes
constexpr uint32 kDoubleClickTime = 400;     // milliseconds
constexpr double kDoubleClickDistance = 4.;  // pixels

constexpr uint32 kEventMask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                              XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                              XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                              XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                              XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

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
: platform(platform), callback(callback), size(size), scaleFactor(platform->getScaleFactor())
{
	xcb_connection_t* connection = platform->getConnection();
	xcb_window_t newWindow = xcb_generate_id(connection);
	const uint32 values[] = {kEventMask};
	auto cookie = xcb_create_window_checked(connection, XCB_COPY_FROM_PARENT, newWindow, parent,
	                                        clampedPosition(size.left * scaleFactor),
	                                        clampedPosition(size.top * scaleFactor),
	                                        clampedSide(size.getWidth() * scaleFactor),
	                                        clampedSide(size.getHeight() * scaleFactor), 0,
	                                        XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual,
	                                        XCB_CW_EVENT_MASK, values);
	// A parent that does not exist (or went away) gives no frame.
	if (xcb_generic_error_t* error = xcb_request_check(connection, cookie))
	{
		std::free(error);
		return;
	}
	window = newWindow;
	gc = xcb_generate_id(connection);
	xcb_create_gc(connection, gc, window, 0, nullptr);
	xcb_map_window(connection, window);
	xcb_flush(connection);
	platform->registerFrame(window, this);
	makeBackBuffer();
	if (scaleFactor != 1.)
		callback->platformScaleFactorChanged(scaleFactor);
	idleTimer = platform->createTimer(this);
	if (idleTimer)
		idleTimer->start(kIdleInterval);
}

X11Frame::~X11Frame() noexcept
{
	destroyWindow();
}

void X11Frame::makeBackBuffer()
{
	backBuffer = CairoImageSurface::create(clampedSide(size.getWidth() * scaleFactor),
	                                       clampedSide(size.getHeight() * scaleFactor), scaleFactor);
}

void X11Frame::setScaleFactor(double newScaleFactor)
{
	if (newScaleFactor == scaleFactor || !(newScaleFactor > 0.) || window == XCB_NONE)
		return;
	SharedPointer<X11Frame> keepAlive = this;
	scaleFactor = newScaleFactor;
	setSize(size);
	makeBackBuffer();
	invalidRects.clear();
	invalidRect(CRect(0, 0, size.getWidth(), size.getHeight()));
	if (callback)
		callback->platformScaleFactorChanged(newScaleFactor);
}

void X11Frame::destroyWindow()
{
	if (idleTimer)
	{
		idleTimer->stop();
		idleTimer = nullptr;
	}
	if (window == XCB_NONE)
		return;
	platform->unregisterFrame(window);
	xcb_connection_t* connection = platform->getConnection();
	xcb_free_gc(connection, gc);
	xcb_destroy_window(connection, window);
	xcb_flush(connection);
	window = XCB_NONE;
}

void X11Frame::onFrameClosed()
{
	callback = nullptr;
	destroyWindow();
}

void X11Frame::fire()
{
	SharedPointer<X11Frame> keepAlive = this;
	if (auto frame = dynamic_cast<CFrame*>(callback))
		frame->idle();
	paint();
	xcb_flush(platform->getConnection());
}

// ---- Events ----

void X11Frame::handleEvent(const xcb_generic_event_t* event)
{
	if (!callback)
		return;
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
			callback->platformOnMouseMoved(where, mouseButtons);
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
			callback->platformOnActivate(true);
			break;
		case XCB_FOCUS_OUT:
			callback->platformOnActivate(false);
			break;
		default:
			break;
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
		callback->platformOnMouseUp(where, buttons);
		return;
	}
	// A press takes the keyboard focus first.
	xcb_set_input_focus(platform->getConnection(), XCB_INPUT_FOCUS_PARENT, window, event->time);
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
	callback->platformOnMouseDown(where, buttons);
}

void X11Frame::handleKey(const xcb_key_press_event_t* event, bool press)
{
	xcb_connection_t* connection = platform->getConnection();
	auto reply = xcb_get_keyboard_mapping_reply(
	    connection, xcb_get_keyboard_mapping(connection, event->detail, 1), nullptr);
	if (!reply)
		return;
	const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
	int count = xcb_get_keyboard_mapping_keysyms_length(reply);
	bool shifted = event->state & X11Input::kShiftMask;
	xcb_keysym_t keysym = count > 0 ? keysyms[(shifted && count > 1 && keysyms[1]) ? 1 : 0] : 0;
	std::free(reply);
	// Latin-1 keysyms are their characters; Unicode keysyms carry theirs.
	uint32 character = 0;
	if (keysym >= 0x20 && keysym <= 0xFF)
		character = keysym;
	else if ((keysym & 0xFF000000) == 0x01000000)
		character = keysym & 0x00FFFFFF;
	MoxKeyCode code = X11Input::keyCodeFromKeysym(keysym, character, event->state);
	if (press)
		callback->platformOnKeyDown(code);
	else
		callback->platformOnKeyUp(code);
}

// ---- Painting ----

bool X11Frame::invalidRect(const CRect& rect)
{
	// What the toolkit invalidates while it paints is already being painted.
	if (painting || window == XCB_NONE)
		return true;
	invalidRects.push_back(rect);
	return true;
}

void X11Frame::paint()
{
	if (!callback || !backBuffer || invalidRects.empty())
		return;
	SharedPointer<X11Frame> keepAlive = this;
	auto rects = std::move(invalidRects);
	invalidRects.clear();
	painting = true;
	{
		auto context = owned(backBuffer->createDrawContext());
		for (const auto& rect : rects)
		{
			if (!callback)
				break;
			context->clearRect(rect);
			callback->platformDrawRect(context, rect);
		}
	}
	painting = false;
	for (const auto& rect : rects)
		copyToWindow(rect);
}

// Copies device pixels of the back buffer to the window, in requests small
// enough for the server.
void X11Frame::copyToWindow(const CRect& rect)
{
	if (window == XCB_NONE || !backBuffer)
		return;
	const int32 bufferWidth = backBuffer->getPixelWidth();
	const int32 bufferHeight = backBuffer->getPixelHeight();
	const int32 left = std::clamp(int32(std::floor(rect.left * scaleFactor)), 0, bufferWidth);
	const int32 top = std::clamp(int32(std::floor(rect.top * scaleFactor)), 0, bufferHeight);
	const int32 right = std::clamp(int32(std::ceil(rect.right * scaleFactor)), 0, bufferWidth);
	const int32 bottom = std::clamp(int32(std::ceil(rect.bottom * scaleFactor)), 0, bufferHeight);
	if (right <= left || bottom <= top)
		return;
	auto surface = static_cast<cairo_surface_t*>(backBuffer->getCairoSurface());
	cairo_surface_flush(surface);
	const unsigned char* data = cairo_image_surface_get_data(surface);
	const int32 stride = cairo_image_surface_get_stride(surface);
	const int32 width = right - left;
	xcb_connection_t* connection = platform->getConnection();
	const uint32 maxBytes = xcb_get_maximum_request_length(connection) * 4 - 64;
	const int32 rowsPerRequest = std::max<int32>(1, int32(maxBytes / uint32(width * 4)));
	std::vector<uint32> pixels;
	for (int32 y = top; y < bottom; y += rowsPerRequest)
	{
		int32 rows = std::min(rowsPerRequest, bottom - y);
		pixels.resize(size_t(width) * size_t(rows));
		for (int32 row = 0; row < rows; ++row)
			std::memcpy(&pixels[size_t(row) * size_t(width)], data + (y + row) * stride + left * 4,
			            size_t(width) * 4);
		xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, uint16(width), uint16(rows),
		              int16(left), int16(y), 0, platform->getScreen()->root_depth,
		              uint32(pixels.size() * 4), reinterpret_cast<const uint8_t*>(pixels.data()));
	}
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

bool X11Frame::setMouseCursor(CCursorType)
{
	return false;
}

bool X11Frame::scrollRect(const CRect&, const CPoint&)
{
	return false;
}

bool X11Frame::showTooltip(const CRect&, const char*)
{
	return false;
}

bool X11Frame::hideTooltip()
{
	return false;
}

void* X11Frame::getPlatformRepresentation() const
{
	return reinterpret_cast<void*>(uintptr_t(window));
}

SharedPointer<IPlatformTextEdit> X11Frame::createPlatformTextEdit(IPlatformTextEditCallback*)
{
	return nullptr;
}

SharedPointer<IPlatformOptionMenu> X11Frame::createPlatformOptionMenu()
{
	return nullptr;
}

SharedPointer<IPlatformViewLayer> X11Frame::createPlatformViewLayer(IPlatformViewLayerDelegate*, IPlatformViewLayer*)
{
	return nullptr;
}

SharedPointer<COffscreenContext> X11Frame::createOffscreenContext(double, double, double)
{
	return nullptr;
}

int32 X11Frame::doDrag(IDataPackage*, const CPoint&, CBitmap*)
{
	return -1;
}

bool X11Frame::doDrag(const DragDescription&, const SharedPointer<IDragCallback>&)
{
	return false;
}

void X11Frame::setClipboard(const SharedPointer<IDataPackage>&) {}

SharedPointer<IDataPackage> X11Frame::getClipboard()
{
	return nullptr;
}

PlatformType X11Frame::getPlatformType() const
{
	return kX11Window;
}

} // namespace Kavrin
