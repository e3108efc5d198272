#pragma once

#include "lib/platform/common/generictextedit.h"
#include "lib/platform/common/texteditrouter.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/platform/x11/x11backbuffer.h"
#include "lib/platform/x11/x11dragsource.h"
#include "lib/platform/x11/x11focustracker.h"
#include "lib/platform/x11/x11inputmethod.h"
#include "lib/platform/x11/x11platform.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class CairoImageSurface;
class CairoLayerCompositor;
class IPlatformFrameCallback;
class X11Platform;
class X11DropTarget;
class X11Tooltip;

// A frame's window: a child of the parent window, drawn client-side. The
// toolkit paints the invalidated rects into an image back buffer, which is
// then copied to the window; exposes repaint the same way. An invalidation
// issued while the frame paints is dropped. A scroll moves the pixels
// inside the back buffer and paints only what it uncovered; it is declined
// where a layer shows. Layers are painted over the views they cover.
class X11Frame : public IPlatformFrame,
                 private IPlatformTimerCallback,
                 private ITextEditHost,
                 private X11InputMethod::Client
{
public:
	X11Frame(X11Platform* platform, IPlatformFrameCallback* callback, const CRect& size, xcb_window_t parent);
	~X11Frame() noexcept override;

	bool isValid() const { return window != XCB_NONE; }
	xcb_window_t getWindow() const { return window; }
	// How many paints reached the window so far.
	uint32 getFramesShown() const { return framesShown; }

	bool getGlobalPosition(CPoint& pos) const override;
	bool setSize(const CRect& newSize) override;
	bool getSize(CRect& size) const override;
	bool getCurrentMousePosition(CPoint& mousePosition) const override;
	bool getCurrentMouseButtons(CButtonState& buttons) const override;
	bool setMouseCursor(CCursorType type) override;
	bool invalidRect(const CRect& rect) override;
	bool scrollRect(const CRect& src, const CPoint& distance) override;
	bool showTooltip(const CRect& rect, const char* utf8Text) override;
	bool hideTooltip() override;
	void* getPlatformRepresentation() const override;
	SharedPointer<IPlatformTextEdit> createPlatformTextEdit(IPlatformTextEditCallback* textEdit) override;
	SharedPointer<IPlatformOptionMenu> createPlatformOptionMenu() override;
	SharedPointer<IPlatformViewLayer> createPlatformViewLayer(IPlatformViewLayerDelegate* drawDelegate,
	                                                          IPlatformViewLayer* parentLayer) override;
	SharedPointer<COffscreenContext> createOffscreenContext(double width, double height,
	                                                        double scaleFactor) override;
	// Both start a drag only from a press of the left button or a move with
	// it held, and return while it runs on the loop. The older form has no
	// one to tell how the drag ends: 0 when it started, -1 when not.
	int32 doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap) override;
	bool doDrag(const DragDescription& dragDescription,
	            const SharedPointer<IDragCallback>& callback) override;
	void setClipboard(const SharedPointer<IDataPackage>& data) override;
	SharedPointer<IDataPackage> getClipboard() override;
	PlatformType getPlatformType() const override;
	void onFrameClosed() override;
	// Any thread: the platform's wake-up runs the frame's idle pass.
	void wakeForIdle() noexcept override;

	// Called by the platform for events of this frame's window.
	void handleEvent(const xcb_generic_event_t* event);
	// Called by the platform for events that may belong to a drag from
	// another program; true when the drag took the event.
	bool handleDropEvent(const xcb_generic_event_t* event);
	// The window below the root that holds this frame (the host's or the
	// window manager's), whose focus and map state the frame follows.
	xcb_window_t getTopLevel() const { return topLevel; }
	// Called by the platform for events of the top-level window.
	void handleTopLevelEvent(const xcb_generic_event_t* event);
	// Paints what was invalidated and copies it to the window.
	void paint();
	bool needsPaint() const { return !invalidRects.empty() || !scrolledArea.isEmpty(); }
	// Called by the platform's wake-up: runs the idle pass when one was
	// asked for, at most once a display frame.
	void runRequestedIdle();
	// Device pixels per logical unit; the window and its back buffer follow,
	// and the frame is told.
	void setScaleFactor(double newScaleFactor);
	// The text editors open over the frame's controls.
	TextEditRouter& getTextEdits() { return textEdits; }

private:
	// The pacing timer: the pass asked for too soon after the last one.
	void fire() override;
	// Dirty views become invalid rects (the platform paints them after).
	void runIdlePass();
	void handlePointerEvent(const xcb_generic_event_t* event);
	void handleButton(const xcb_button_press_event_t* event, bool press);
	void handleKey(const xcb_key_press_event_t* event, bool press);
	// A key press with its text: to the open text editor first, else to the
	// frame.
	void deliverKeyPress(MoxKeyCode code, std::string_view text);
	void invalidTextEditRect(const CRect& rect) override;
	void setClipboardText(const std::string& utf8) override;
	std::string getClipboardText() override;
	void setPrimaryText(const std::string& utf8) override;
	std::string getPrimaryText() override;
	void textEditCaretMoved(const CRect& caret) override;
	// The input method hears the window's keys while an editor has the
	// focus and the window has the keyboard.
	void updateInputMethodFocus();
	void inputMethodCommit(std::string_view utf8) override;
	void inputMethodPreedit(std::string_view utf8, int32 caretByte) override;
	void inputMethodKey(const xcb_key_press_event_t& event) override;
	void handleFocus(const xcb_focus_in_event_t* event, bool focusIn);
	void handleXEmbed(const xcb_client_message_event_t* event);
	void takeKeyboardFocus(xcb_timestamp_t time);
	void watchTopLevel(xcb_window_t parent);
	// Sends what the paint drew, and the pixels scrolls moved since the last
	// paint, to the window.
	void copyToWindow(const std::vector<CRect>& paintedRects);
	void copyDevicePixels(const CRect& devicePixels);
	void makeBackBuffer();
	// The pointer's position and buttons now, from the server.
	bool queryPointer(CPoint* position, CButtonState* buttons) const;
	CPoint toLogical(double x, double y) const { return {x / scaleFactor, y / scaleFactor}; }
	// Frees the window's resources; destroys the window too unless the
	// server already did (with the host's window).
	void destroyWindow(bool destroyedByServer = false);

	// The connection must outlive the window; the platform only points back.
	SharedPointer<X11Platform> platform;
	IPlatformFrameCallback* callback;
	CRect size;
	double scaleFactor {1.};
	xcb_window_t window {XCB_NONE};
	xcb_gcontext_t gc {XCB_NONE};
	std::unique_ptr<X11BackBuffer> backBuffer;
	SharedPointer<CairoLayerCompositor> layers;
	std::vector<CRect> invalidRects;
	// Where scrolls moved pixels of the back buffer since the last paint;
	// they reach the window together with what the paint draws over them.
	CRect scrolledArea;
	bool painting {false};
	CPoint mousePosition;
	CButtonState mouseButtons;
	uint32 lastPressTime {0};
	uint8 lastPressButton {0};
	CPoint lastPressPosition;
	// Set by wakeForIdle from any thread, taken by the platform's wake-up.
	std::atomic<bool> idleRequested {false};
	// Runs once, while a pass waits for its display frame.
	SharedPointer<IPlatformTimer> pacingTimer;
	bool pacing {false};
	uint32 lastIdlePass {0};
	uint32 framesShown {0};
	SharedPointer<X11Tooltip> tooltip; // made on the first showTooltip
	SharedPointer<X11DropTarget> dropTarget;
	// The last input event, which a drag may start from.
	X11DragTrigger dragTrigger;
	xcb_window_t topLevel {XCB_NONE};
	X11FocusTracker keyboardFocus;
	X11FocusTracker topLevelFocus;
	X11MapTracker topLevelMap;
	xcb_atom_t xembedAtom {XCB_NONE};
	// The window that embeds this one through XEmbed, once it said so.
	xcb_window_t embedder {XCB_NONE};
	bool announceWindowActive {false};
	// The window starts without the keyboard focus; focus events say when
	// it gets it.
	TextEditRouter textEdits {this, false};
	bool inputMethodFocused {false};
};

} // namespace Kavrin
