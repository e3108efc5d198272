#pragma once

#include "lib/ccolor.h"
#include "lib/dragging.h"
#include "lib/idatapackage.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/platform/cairo/cairoplatform.h"
#include "lib/platform/common/generictextedit.h"
#include "lib/platform/common/texteditrouter.h"
#include "lib/platform/platform.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Kavrin {

class CairoImageSurface;
class CairoLayerCompositor;
class HeadlessTimer;
class IPlatformFrameCallback;

// A platform without a window system, for tests and snapshots. Its timers run
// on a virtual clock that only advance() moves, so delays are exact and
// instant. The clock starts well above 0 (parts of the toolkit read a start
// time of 0 as "not started").
class HeadlessPlatform : public CairoPlatform
{
public:
	static constexpr uint32 kClockStart = 100000;

	HeadlessPlatform();
	~HeadlessPlatform() noexcept override;

	SharedPointer<IPlatformFrame> createFrame(IPlatformFrameCallback* frame, const CRect& size,
	                                          void* parent, PlatformType type,
	                                          IPlatformFrameConfig* config) override;
	SharedPointer<IPlatformTimer> createTimer(IPlatformTimerCallback* callback) override;
	uint32 getTicks() const override;

	// Moves the clock forward, firing every timer that falls due, in time
	// order (timers that fall due at the same moment in the order they were
	// started). Timers started, re-timed or stopped by other timers' callbacks
	// take part from that moment on.
	void advance(uint32 milliseconds);
	// The number of timers running now.
	size_t getRunningTimerCount() const;

private:
	friend class HeadlessTimer;
	void schedule(HeadlessTimer* timer);
	void unschedule(HeadlessTimer* timer);

	uint32 now {kClockStart};
	uint64 nextSequence {0};
	std::vector<HeadlessTimer*> running;
};

// A platform frame over nothing but memory. It records what the toolkit asks
// of it; a test sets what it reports (mouse position and buttons, size).
// Its window is an image surface of the frame's size times the scale
// factor, painted on request with exactly what a window would show.
class HeadlessFrame : public IPlatformFrame, private ITextEditHost
{
public:
	HeadlessFrame(IPlatformFrameCallback* callback, const CRect& size, void* parent);
	~HeadlessFrame() noexcept override;

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
	int32 doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap) override;
	bool doDrag(const DragDescription& dragDescription,
	            const SharedPointer<IDragCallback>& callback) override;
	void setClipboard(const SharedPointer<IDataPackage>& data) override;
	SharedPointer<IDataPackage> getClipboard() override;
	PlatformType getPlatformType() const override;
	void onFrameClosed() override;
	// Any thread: marks the idle pass as asked for; runPendingIdle runs it.
	void wakeForIdle() noexcept override;

	// Runs the frame's idle pass when one was asked for, as a window's run
	// loop would on its next turn; false when none was.
	bool runPendingIdle();
	bool isIdlePending() const { return idleRequested.load(std::memory_order_acquire); }

	// What the toolkit asked for, as delivered.
	std::vector<CRect> invalidRects;
	struct Scroll
	{
		CRect rect;
		CPoint distance;
	};
	// Every scrollRect asked for, moved or declined.
	std::vector<Scroll> scrolls;
	// When false, scrollRect declines (a window that cannot move pixels).
	bool acceptsScroll {true};
	// The device pixels drawRect (and so drawInvalidRects) painted so far,
	// each rect counted within the surface.
	uint64 paintedPixels {0};
	CCursorType cursor {kCursorDefault};
	int32 setCursorCalls {0};
	bool tooltipShown {false};
	std::string tooltipText;
	CRect tooltipRect;
	// What the clipboard holds, as a window system's clipboard would keep
	// it: the written package reduced to one text, one binary item or the
	// list of paths. A test may put anything here for the toolkit to read.
	SharedPointer<IDataPackage> clipboard;
	// Puts a colour on the clipboard the way another application would; the
	// toolkit reads it as one text item "#rrggbbaa". Components are 0 to 1.
	void putColorOnClipboard(double red, double green, double blue, double alpha);
	// The drags the toolkit started, the latest last; the session runs until
	// endDrag.
	std::vector<DragDescription> startedDrags;
	SharedPointer<IDragCallback> dragCallback;
	// What the older drag entry was given and answers.
	SharedPointer<IDataPackage> legacyDragData;
	CPoint legacyDragOffset;
	int32 legacyDragResult {0};
	// When false, the platform refuses to start drags.
	bool acceptsDrags {true};
	bool closed {false};
	// When false, setSize fails (a host that refuses a resize).
	bool acceptsSize {true};

	// What the frame reports.
	CRect size;
	CPoint globalPosition;
	CPoint mousePosition;
	CButtonState mouseButtons;

	IPlatformFrameCallback* getCallback() const { return callback; }
	void* getParent() const { return parent; }

	// Paints the invalidated rects, in the order they arrived, and forgets
	// them. Returns how many were painted. A scroll moves the surface's
	// pixels at once and adds only what it uncovers to the rects; it is
	// declined where a layer shows.
	size_t drawInvalidRects();
	// Paints one rect (frame coordinates) as an expose would: the views,
	// then the layers over them.
	void drawRect(const CRect& rect);
	// The window's pixels.
	CairoImageSurface* getSurface() const;
	bool writePNG(const std::string& path) const;
	// Changes the backing scale factor, as a window moved to another
	// screen would, and tells the frame.
	void setScaleFactor(double scaleFactor);

	// Makes the text editors createPlatformTextEdit hands out while set (a
	// test's stand-in editor); null restores the frame's own.
	using TextEditFactory =
	    std::function<SharedPointer<IPlatformTextEdit>(IPlatformTextEditCallback* callback)>;
	void setTextEditFactory(TextEditFactory factory) { textEditFactory = std::move(factory); }

	// Input as a window delivers it: to the open text editor first, else to
	// the frame. The editor that a press takes also gets the moves and the
	// release after it.
	GenericTextEdit* getFocusedTextEdit() const { return textEdits.getFocused(); }
	bool keyDown(MoxKeyCode key, std::string_view text = {});
	// One key press per character, each with its text.
	void typeText(std::string_view utf8);
	bool mouseDown(CPoint where, CButtonState buttons);
	bool mouseMoved(CPoint where, CButtonState buttons);
	bool mouseUp(CPoint where, CButtonState buttons);
	// The window gains or loses the keyboard focus (it starts with it).
	void setWindowFocused(bool focused) { textEdits.setWindowFocused(focused); }
	// What a middle click pastes, and what selecting text offered.
	std::string primaryText;
	// Where the editor last said its caret is.
	CRect textEditCaret;

	// A drag from elsewhere, as the window system reports it. dragEnter
	// holds the package until dragLeave or drop. Without a frame the
	// answers are None and false.
	DragOperation dragEnter(const SharedPointer<IDataPackage>& data, const CPoint& pos,
	                        CButtonState buttons = {});
	DragOperation dragMove(const CPoint& pos, CButtonState buttons = {});
	void dragLeave(const CPoint& pos, CButtonState buttons = {});
	bool drop(const CPoint& pos, CButtonState buttons = {});
	IDataPackage* getIncomingDrag() const { return incomingDrag; }
	// Ends the drag the toolkit started, as if the receiver chose result at pos.
	bool endDrag(DragOperation result, const CPoint& pos = {});
	double getScaleFactor() const { return scaleFactor; }

private:
	void invalidTextEditRect(const CRect& rect) override;
	void setClipboardText(const std::string& utf8) override;
	std::string getClipboardText() override;
	void setPrimaryText(const std::string& utf8) override;
	std::string getPrimaryText() override;
	void textEditCaretMoved(const CRect& caret) override;

	void makeSurface();
	uint64 devicePixelsWithin(const CRect& rect) const;
	DragEventData incomingEvent(const CPoint& pos, CButtonState buttons) const;

	SharedPointer<IDataPackage> incomingDrag;
	TextEditFactory textEditFactory;

	IPlatformFrameCallback* callback;
	void* parent;
	std::atomic<bool> idleRequested {false};
	double scaleFactor {1.};
	SharedPointer<CairoImageSurface> surface;
	SharedPointer<CairoLayerCompositor> layers;
	TextEditRouter textEdits {this, true};
};

} // namespace Kavrin
