#include "lib/platform/x11/x11platform.h"

#include "lib/platform/x11/runlooptimer.h"
#include "lib/platform/x11/x11clipboard.h"
#include "lib/platform/x11/x11cursors.h"
#include "lib/platform/x11/x11dragsource.h"
#include "lib/platform/x11/x11frame.h"
#include "lib/platform/x11/x11inputmethod.h"
#include "lib/platform/x11/x11keyboard.h"
#include "lib/platform/x11/x11pointerinput.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/shm.h>

namespace Kavrin {

namespace {

// A timer of the loop whose fires are callbacks of the platform: what they
// invalidate is painted, and what they ask of the server is sent, before
// the loop sleeps again.
class X11Timer : public IPlatformTimer, private IPlatformTimerCallback
{
public:
	X11Timer(X11Platform* platform, const SharedPointer<IRunLoop>& runLoop,
	         IPlatformTimerCallback* target)
	: platform(platform), target(target),
	  timer(makeOwned<RunLoopTimer>(runLoop, static_cast<IPlatformTimerCallback*>(this)))
	{
	}

	bool start(uint32 fireTimeMilliseconds) override { return timer->start(fireTimeMilliseconds); }
	bool stop() override { return timer->stop(); }

private:
	void fire() override
	{
		// The target may release this timer, or close its frame.
		SharedPointer<X11Timer> keepAlive = this;
		X11Platform::CallbackScope scope(platform);
		target->fire();
	}

	SharedPointer<X11Platform> platform;
	IPlatformTimerCallback* target;
	SharedPointer<RunLoopTimer> timer;
};

} // namespace

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
	pointerInput = std::make_unique<X11PointerInput>(connection, screen->root);
	connectionWatch =
	    runLoop->watchFileDescriptor(xcb_get_file_descriptor(connection), [this] { processEvents(); });
	wakeDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	if (wakeDescriptor >= 0)
		wakeWatch = runLoop->watchFileDescriptor(wakeDescriptor, [this] { handleWakeUp(); });
	scaleFactor = readScaleFactor();
	inputMethod = X11InputMethod::create(this);
	// Connecting asks the server things: the events that came meanwhile
	// wait in the connection's queue for the loop's first turn.
	if (inputMethod)
		wakeUp();
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
	if (wakeWatch != IRunLoop::kNoHandle)
		runLoop->unwatchFileDescriptor(wakeWatch);
	if (wakeDescriptor >= 0)
		::close(wakeDescriptor);
	if (auto drag = std::move(dragSession))
		drag->cancel();
	cursors.reset(); // frees them on the connection
	inputMethod.reset();
	clipboard.reset();
	primarySelection.reset();
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
	// Without a wake-up descriptor, dirty views would never be painted.
	if (type != kX11Window || !parent || !frame || wakeDescriptor < 0)
		return nullptr;
	auto parentWindow = static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(parent));
	auto platformFrame = makeOwned<X11Frame>(this, frame, size, parentWindow);
	if (!platformFrame->isValid())
		return nullptr;
	return platformFrame;
}

SharedPointer<IPlatformTimer> X11Platform::createTimer(IPlatformTimerCallback* callback)
{
	if (!callback)
		return nullptr;
	return makeOwned<X11Timer>(this, runLoop, callback);
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
	if (inputMethod)
		inputMethod->removeWindow(window);
	// Other programs can no longer paste what the editor copied once it is
	// gone: a clipboard manager keeps a copy.
	if (frames.empty() && clipboard)
		clipboard->handOverToManager();
}

X11Clipboard& X11Platform::getClipboard()
{
	if (!clipboard)
		clipboard = std::make_unique<X11Clipboard>(this);
	return *clipboard;
}

X11Clipboard& X11Platform::getPrimarySelection()
{
	if (!primarySelection)
		primarySelection = std::make_unique<X11Clipboard>(this, "PRIMARY");
	return *primarySelection;
}

void X11Platform::setDragSession(const SharedPointer<X11DragSession>& session)
{
	dragSession = session;
}

namespace {

// The window a core event is about.
xcb_window_t coreEventWindow(const xcb_generic_event_t* event)
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

xcb_window_t X11Platform::eventWindow(const xcb_generic_event_t* event) const
{
	if ((event->response_type & 0x7F) == XCB_GE_GENERIC)
		return pointerInput->eventWindow(event);
	return coreEventWindow(event);
}

void X11Platform::processEvents()
{
	SharedPointer<X11Platform> keepAlive = this;
	++callbackDepth;
	// Waiting for a reply (while handling an event or painting) reads the
	// events that came before it into the connection's queue, where the
	// descriptor no longer shows them: take those too before returning.
	xcb_generic_event_t* queued = nullptr;
	// Events that came while the clipboard waited for a reply go first.
	for (X11Clipboard* selection : {clipboard.get(), primarySelection.get()})
	{
		while (xcb_generic_event_t* deferred = selection ? selection->takeDeferredEvent() : nullptr)
			dispatchEvent(deferred);
	}
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
			break;
	}
	if (queued)
	{
		// Still busy: the rest waits for the next turn of the loop, which
		// nothing else may bring.
		dispatchEvent(queued);
		wakeUp();
	}
	--callbackDepth;
}

void X11Platform::processQueuedEvents()
{
	if (xcb_generic_event_t* queued = xcb_poll_for_queued_event(connection))
	{
		CallbackScope scope(this);
		dispatchEvent(queued);
	}
}

std::vector<SharedPointer<X11Frame>> X11Platform::openFrames() const
{
	std::vector<SharedPointer<X11Frame>> open;
	open.reserve(frames.size());
	for (const auto& [window, frame] : frames)
		open.emplace_back(frame);
	return open;
}

void X11Platform::paintFrames()
{
	// Most turns paint nothing: they need no list of frames.
	auto needsPaint = [](const auto& entry) { return entry.second->needsPaint(); };
	if (std::none_of(frames.begin(), frames.end(), needsPaint))
		return;
	for (const auto& frame : openFrames())
		frame->paint();
}

void X11Platform::wakeUp() const noexcept
{
	const uint64_t one = 1;
	// A full counter (after 2^64 - 2 wake-ups without a turn) already wakes.
	[[maybe_unused]] ssize_t written = ::write(wakeDescriptor, &one, sizeof(one));
}

void X11Platform::handleWakeUp()
{
	uint64_t count = 0;
	[[maybe_unused]] ssize_t read = ::read(wakeDescriptor, &count, sizeof(count));
	CallbackScope scope(this);
	for (const auto& frame : openFrames())
		frame->runRequestedIdle();
}

X11Platform::CallbackScope::CallbackScope(X11Platform* platform) : platform(platform)
{
	++platform->callbackDepth;
}

X11Platform::CallbackScope::~CallbackScope() noexcept
{
	if (--platform->callbackDepth == 0)
		platform->processEvents();
}

// Drags from other programs: their messages, the data of their drops (in
// pieces when large), and the end of their windows, which are none of ours.
bool X11Platform::dispatchDropEvent(const xcb_generic_event_t* event)
{
	const uint8 type = event->response_type & 0x7F;
	if (type != XCB_CLIENT_MESSAGE && type != XCB_SELECTION_NOTIFY && type != XCB_PROPERTY_NOTIFY &&
	    type != XCB_DESTROY_NOTIFY && type != 0)
		return false;
	for (const auto& frame : openFrames())
		if (frame->handleDropEvent(event))
			return true;
	return false;
}

bool X11Platform::dispatchDragEvent(const xcb_generic_event_t* event)
{
	// The listener may end the drag, and start another, meanwhile.
	SharedPointer<X11DragSession> drag = dragSession;
	return drag && drag->handleEvent(event);
}

// Hands an event to whoever it is for, and frees it.
void X11Platform::dispatchEvent(xcb_generic_event_t* event)
{
	pointerInput->noteEvent(event);
	if (keyboard->handleEvent(event) || (inputMethod && inputMethod->handleEvent(event)) ||
	    (clipboard && clipboard->handleEvent(event)) ||
	    (primarySelection && primarySelection->handleEvent(event)) || dispatchDragEvent(event) ||
	    dispatchDropEvent(event))
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
			for (const auto& frame : openFrames())
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
