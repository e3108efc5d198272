#pragma once

#include "lib/platform/cairo/cairoplatform.h"
#include "lib/platform/platform.h"
#include "lib/platform/x11/runloop.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class X11Clipboard;
class X11Cursors;
class X11DragSession;
class X11Frame;
class X11InputMethod;
class X11Keyboard;
class X11PointerInput;

// The platform of X11 windows, through xcb. Frames are child windows of the
// X11 window handed to CFrame::open (PlatformType kX11Window, the window id
// cast to void*). Events arrive on a run loop the platform never blocks in:
// the connection's descriptor and a wake-up eventfd are watched on it, and
// timers run on it only while they have work, so an editor left alone
// costs its host no wake-ups at all.
class X11Platform : public CairoPlatform
{
public:
	// Connects to the display (null: $DISPLAY); null when no server answers.
	// Without a run loop the platform makes a DefaultRunLoop of its own.
	static SharedPointer<X11Platform> create(const char* displayName = nullptr,
	                                         const SharedPointer<IRunLoop>& runLoop = nullptr);
	~X11Platform() noexcept override;

	SharedPointer<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size, void* parent,
	                                          PlatformType type, IPlatformFrameConfig* config) override;
	SharedPointer<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) override;
	uint32 getTicks() const override;

	// The desktop's scale: the Xft.dpi resource / 96, 1 without it. Frames
	// follow changes of the resource while they are open.
	double getScaleFactor() const { return scaleFactor; }

	// Whether back buffers share their pixels with the server (MIT-SHM).
	// Off when the server lacks the extension; a program or a test may turn
	// it off to use plain put-image.
	bool canUseSharedMemory() const { return sharedMemory; }
	void setUseSharedMemory(bool use) { sharedMemory = use && sharedMemoryAvailable; }

	xcb_connection_t* getConnection() const { return connection; }
	xcb_screen_t* getScreen() const { return screen; }
	IRunLoop* getRunLoop() const { return runLoop; }
	// Turns the connection's key events into key codes.
	X11Keyboard& getKeyboard() const { return *keyboard; }
	// The mouse cursors, made on first use and freed with the platform.
	X11Cursors& getCursors();
	// The CLIPBOARD selection, owned by a window of the platform so that it
	// outlives any one frame.
	X11Clipboard& getClipboard();
	// The PRIMARY selection: what an editor selected, pasted elsewhere with
	// the middle button.
	X11Clipboard& getPrimarySelection();
	// The drag out of a frame under way, null when none: it takes the
	// events of its grab, its target and its selection before anyone else.
	X11DragSession* getDragSession() const { return dragSession.get(); }
	void setDragSession(const SharedPointer<X11DragSession>& session);
	// The input method XMODIFIERS names, null when it names none.
	X11InputMethod* getInputMethod() const { return inputMethod.get(); }
	// The pointer through XInput 2 (smooth scrolling), where the server
	// has it.
	X11PointerInput& getPointerInput() const { return *pointerInput; }

	// Handles every event that arrived and paints what the frames
	// invalidated. The run loop calls it when the connection is readable.
	void processEvents();
	// Handles what a reply left in the connection's queue, where the
	// descriptor no longer shows it. Costs no system call when the queue is
	// empty.
	void processQueuedEvents();

	// Has the loop run the platform's wake-up soon: the idle passes frames
	// asked for, then what processEvents does. Nothing runs on this
	// platform while nothing asks, so this is how work reaches the loop
	// from outside its callbacks. Any thread may call it: it writes to an
	// eventfd the loop watches, and neither locks nor allocates.
	void wakeUp() const noexcept;
	// True inside the loop's callbacks on this platform (events, timers,
	// wake-ups): each ends by painting and flushing, so what they
	// invalidate needs no wake-up of its own.
	bool paintsSoon() const { return callbackDepth > 0; }

	// Marks a callback of the loop for its lifetime; when the outermost
	// one ends, what it invalidated is painted and its requests are sent.
	class CallbackScope
	{
	public:
		explicit CallbackScope(X11Platform* platform);
		~CallbackScope() noexcept;
		CallbackScope(const CallbackScope&) = delete;
		CallbackScope& operator=(const CallbackScope&) = delete;

	private:
		SharedPointer<X11Platform> platform;
	};

	// Sees the events of windows that are no frame's (a standalone
	// program's top-level window, for example).
	using EventHandler = std::function<void(const xcb_generic_event_t*)>;
	void setOtherWindowEventHandler(EventHandler handler) { otherWindowEvents = std::move(handler); }
	// An atom by name (XCB_NONE when the server does not answer).
	xcb_atom_t internAtom(const char* name) const;

	// Frames register their windows to receive their events.
	void registerFrame(xcb_window_t window, X11Frame* frame);
	void unregisterFrame(xcb_window_t window);

private:
	X11Platform(xcb_connection_t* connection, xcb_screen_t* screen, const SharedPointer<IRunLoop>& runLoop);

	xcb_connection_t* connection;
	xcb_screen_t* screen;
	SharedPointer<IRunLoop> runLoop;
	IRunLoop::Handle connectionWatch {IRunLoop::kNoHandle};
	int wakeDescriptor {-1};
	IRunLoop::Handle wakeWatch {IRunLoop::kNoHandle};
	int callbackDepth {0};
	std::map<xcb_window_t, X11Frame*> frames;
	mutable std::map<std::string, xcb_atom_t, std::less<>> atoms;
	EventHandler otherWindowEvents;
	std::unique_ptr<X11Keyboard> keyboard;
	std::unique_ptr<X11PointerInput> pointerInput;
	std::unique_ptr<X11Cursors> cursors;
	std::unique_ptr<X11Clipboard> clipboard;
	std::unique_ptr<X11Clipboard> primarySelection;
	SharedPointer<X11DragSession> dragSession;
	std::unique_ptr<X11InputMethod> inputMethod;
	double scaleFactor {1.};
	bool sharedMemoryAvailable {false};
	bool sharedMemory {false};

	double readScaleFactor() const;
	void dispatchEvent(xcb_generic_event_t* event);
	xcb_window_t eventWindow(const xcb_generic_event_t* event) const;
	bool dispatchDropEvent(const xcb_generic_event_t* event);
	bool dispatchDragEvent(const xcb_generic_event_t* event);
	void paintFrames();
	void handleWakeUp();
	std::vector<SharedPointer<X11Frame>> openFrames() const;
};

} // namespace Kavrin
