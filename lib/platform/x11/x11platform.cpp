#include "lib/platform/x11/x11platform.h"

#include "lib/platform/x11/runlooptimer.h"
#include "lib/platform/x11/x11cursors.h"
#include "lib/platform/x11/x11frame.h"
#include "lib/platform/x11/x11keyboard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <xcb/shm.h>

namespace Kavrin {

SharedPointer<X11Platform> X11Platform::create(const char* displayName, const SharedPointer<IRunLoop>& runLoop)
{
	int screenNumber = 0;
	xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
	if (!connection || xcb_connection_has_error(connection))
	{
		if (connection)
			xcb_disconnect(connection);
		return nullptr;
	}
	xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
	for (int i = 0; i < screenNumber && screens.rem; ++i)
		xcb_screen_next(&screens);
	if (!screens.rem)
	{
		xcb_disconnect(connection);
		return nullptr;
	}
	SharedPointer<IRunLoop> loop = runLoop ? runLoop : SharedPointer<IRunLoop>(makeOwned<DefaultRunLoop>());
	return owned(new X11Platform(connection, screens.data, loop));
}

X11Platform::X11Platform(xcb_connection_t* connection, xcb_screen_t* screen, const SharedPointer<IRunLoop>& runLoop)
: connection(connection), screen(screen), runLoop(runLoop)
{
	keyboard = std::make_unique<X11Keyboard>(connection);
	connectionWatch =
	    runLoop->watchFileDescriptor(xcb_get_file_descriptor(connection), [this] { processEvents(); });
	scaleFactor = readScaleFactor();
	if (auto shm = xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr))
	{
		sharedMemoryAvailable = sharedMemory = true;
		std::free(shm);
	}
	// The resources live on the root window; hear when they change.
	const uint32 values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, values);
	xcb_flush(connection);
}

// Reads Xft.dpi from the resource string on the root window.
double X11Platform::readScaleFactor() const
{
	auto reply = xcb_get_property_reply(
	    connection,
	    xcb_get_property(connection, 0, screen->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16),
	    nullptr);
	if (!reply)
		return 1.;
	std::string resources(static_cast<const char*>(xcb_get_property_value(reply)),
	                      size_t(std::max(0, xcb_get_property_value_length(reply))));
	std::free(reply);
	double dpi = 0.;
	size_t start = 0;
	while (start < resources.size())
	{
		size_t end = resources.find('\n', start);
		std::string line = resources.substr(start, end == std::string::npos ? std::string::npos : end - start);
		if (line.compare(0, 8, "Xft.dpi:") == 0)
			dpi = std::atof(line.c_str() + 8);
		if (end == std::string::npos)
			break;
		start = end + 1;
	}
	return dpi > 0. && dpi < 96. * 16. ? dpi / 96. : 1.;
}

X11Platform::~X11Platform() noexcept
{
	if (connectionWatch != IRunLoop::kNoHandle)
		runLoop->unwatchFileDescriptor(connectionWatch);
	cursors.reset(); // frees them on the connection
	xcb_disconnect(connection);
}

X11Cursors& X11Platform::getCursors()
{
	if (!cursors)
		cursors = std::make_unique<X11Cursors>(connection, screen);
	return *cursors;
}

SharedPointer<IPlatformFrame> X11Platform::createFrame(IPlatformFrameCallback* frame, const CRect& size,
                                                       void* parent, PlatformType type, IPlatformFrameConfig*)
{
	if (type != kX11Window || !parent || !frame)
		return nullptr;
	auto parentWindow = static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(parent));
	auto platformFrame = makeOwned<X11Frame>(this, frame, size, parentWindow);
	if (!platformFrame->isValid())
		return nullptr;
	return platformFrame;
}

SharedPointer<IPlatformTimer> X11Platform::createTimer(IPlatformTimerCallback* callback)
{
	return makeOwned<RunLoopTimer>(runLoop, callback);
}

uint32 X11Platform::getTicks() const
{
	return static_cast<uint32>(DefaultRunLoop::monotonicMilliseconds());
}

// Each name costs one round trip per connection: frames and tooltips ask
// for the same few atoms every time they are made.
xcb_atom_t X11Platform::internAtom(const char* name) const
{
	auto known = atoms.find(name);
	if (known != atoms.end())
		return known->second;
	auto reply = xcb_intern_atom_reply(
	    connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
	if (!reply)
		return XCB_NONE;
	xcb_atom_t atom = reply->atom;
	std::free(reply);
	atoms.emplace(name, atom);
	return atom;
}

void X11Platform::registerFrame(xcb_window_t window, X11Frame* frame)
{
	frames[window] = frame;
}

void X11Platform::unregisterFrame(xcb_window_t window)
{
	frames.erase(window);
}

namespace {

// The window an event is about.
xcb_window_t eventWindow(const xcb_generic_event_t* event)
{
	switch (event->response_type & 0x7F)
	{
		case XCB_EXPOSE:
			return reinterpret_cast<const xcb_expose_event_t*>(event)->window;
		case XCB_BUTTON_PRESS:
		case XCB_BUTTON_RELEASE:
			return reinterpret_cast<const xcb_button_press_event_t*>(event)->event;
		case XCB_MOTION_NOTIFY:
			return reinterpret_cast<const xcb_motion_notify_event_t*>(event)->event;
		case XCB_ENTER_NOTIFY:
		case XCB_LEAVE_NOTIFY:
			return reinterpret_cast<const xcb_enter_notify_event_t*>(event)->event;
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE:
			return reinterpret_cast<const xcb_key_press_event_t*>(event)->event;
		case XCB_FOCUS_IN:
		case XCB_FOCUS_OUT:
			return reinterpret_cast<const xcb_focus_in_event_t*>(event)->event;
		case XCB_CLIENT_MESSAGE:
			return reinterpret_cast<const xcb_client_message_event_t*>(event)->window;
		case XCB_MAP_NOTIFY:
			return reinterpret_cast<const xcb_map_notify_event_t*>(event)->event;
		case XCB_UNMAP_NOTIFY:
			return reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->event;
		case XCB_DESTROY_NOTIFY:
			return reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->event;
		default:
			return XCB_NONE;
	}
}

} // namespace

void X11Platform::processEvents()
{
	SharedPointer<X11Platform> keepAlive = this;
	// Waiting for a reply (while handling an event or painting) reads the
	// events that came before it into the connection's queue, where the
	// descriptor no longer shows them: take those too before returning.
	xcb_generic_event_t* queued = nullptr;
	for (int round = 0; round < 16; ++round)
	{
		if (queued)
			dispatchEvent(queued);
		while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
			dispatchEvent(event);
		paintFrames();
		xcb_flush(connection);
		queued = xcb_poll_for_queued_event(connection);
		if (!queued)
			return;
	}
	// Still busy: the rest waits for the next turn of the loop.
	dispatchEvent(queued);
}

void X11Platform::paintFrames()
{
	std::vector<SharedPointer<X11Frame>> toPaint;
	for (const auto& [window, frame] : frames)
		toPaint.emplace_back(frame);
	for (const auto& frame : toPaint)
		frame->paint();
}

// Hands an event to whoever it is for, and frees it.
void X11Platform::dispatchEvent(xcb_generic_event_t* event)
{
	if (keyboard->handleEvent(event))
	{
		std::free(event);
		return;
	}
	auto it = frames.find(eventWindow(event));
	if (it != frames.end())
	{
		// A handler may close the frame: keep it for the call.
		SharedPointer<X11Frame> frame = it->second;
		frame->handleEvent(event);
	}
	else if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
	         reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == XCB_ATOM_RESOURCE_MANAGER)
	{
		double newScale = readScaleFactor();
		if (newScale != scaleFactor)
		{
			scaleFactor = newScale;
			std::vector<SharedPointer<X11Frame>> open;
			for (const auto& [window, frame] : frames)
				open.emplace_back(frame);
			for (const auto& frame : open)
				frame->setScaleFactor(newScale);
		}
	}
	else
	{
		// The top-level window that holds frames: each of them follows its
		// focus and map state, and its owner may want it too.
		std::vector<SharedPointer<X11Frame>> inside;
		xcb_window_t window = eventWindow(event);
		for (const auto& entry : frames)
			if (window != XCB_NONE && entry.second->getTopLevel() == window)
				inside.emplace_back(entry.second);
		for (const auto& frame : inside)
			frame->handleTopLevelEvent(event);
		if (otherWindowEvents)
			otherWindowEvents(event);
	}
	std::free(event);
}

} // namespace Kavrin
