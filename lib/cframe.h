#pragma once

#include "lib/cdrawcontext.h"
#include "lib/cframeobservers.h"
#include "lib/cviewcontainer.h"
#include "lib/dragging.h"
#include "lib/kavrineditorinterface.h"
#include "lib/platform/iplatformframecallback.h"
#include "lib/platform/platformtypes.h"

#include <functional>
#include <optional>

namespace Kavrin {

class CTooltipSupport;
class IDataPackage;
class IPlatformFrame;

namespace Animation {
class Animator;
} // namespace Animation

// The root container of a view tree and the only object the platform talks
// to. It routes events (keyboard hooks, mouse observers, the modal view, the
// focus view, the mouse-down view, the views under the mouse), owns the
// focus, runs stacked modal view sessions, collects invalid rects and lets
// code defer work until the current event has been handled.
//
// The frame owns its platform frame and tooltip support; the editor is not
// owned. A frame is attached to itself and has no parent view. Points from
// the platform are in frame units; the frame's transform is its zoom.
class CFrame : public CViewContainer, public IPlatformFrameCallback
{
public:
	// Collects invalid rects while it is open and hands them to the platform
	// when 17 ms have passed or when it closes. Scopes nest; opening one
	// first flushes the one open before.
	class CollectInvalidRects
	{
	public:
		explicit CollectInvalidRects(CFrame* frame);
		~CollectInvalidRects() noexcept;
		CollectInvalidRects(const CollectInvalidRects&) = delete;
		CollectInvalidRects& operator=(const CollectInvalidRects&) = delete;

		void addRect(const CRect& rect);
		void flush();

	private:
		friend class CFrame;
		SharedPointer<CFrame> frame;
		CollectInvalidRects* previous {nullptr};
		std::vector<CRect> invalidRects;
		uint32 lastTicks;
	};

	static int32 kDefaultKnobMode;

	CFrame(const CRect& size, KavrinEditorInterface* editor = nullptr);
	~CFrame() noexcept override;

	// Creates the platform frame inside parent and attaches the tree; false
	// for a null parent, a frame already open or no platform frame.
	bool open(void* parent, PlatformType type = kHeadless, IPlatformFrameConfig* config = nullptr);
	// Tears down, tells the platform frame and drops the creator's reference.
	void close();
	IPlatformFrame* getPlatformFrame() const;

	// Events (frame coordinates)
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	int32 onKeyUp(MoxKeyCode& keyCode) override;

	// Focus
	void setFocusView(CView* view);
	CView* getFocusView() const;
	bool advanceNextFocusView(CView* current, bool reverse = false) override;
	void onActivate(bool state);
	bool isActive() const;
	bool focusDrawingEnabled() const;
	void setFocusDrawingEnabled(bool state);
	CColor getFocusColor() const;
	void setFocusColor(const CColor& color);
	double getFocusWidth() const;
	void setFocusWidth(double width);

	// Modal sessions. The session takes the frame's list reference on the
	// view; ending it removes the view without releasing the caller's.
	std::optional<uint32> beginModalViewSession(CView* view);
	bool endModalViewSession(uint32 sessionID);
	CView* getModalView() const;
	bool setModalView(CView* view);
	void clearModalViewSessions();

	// Observers (not owned; safe to change during dispatch)
	void registerKeyboardHook(IKeyboardHook* hook);
	void unregisterKeyboardHook(IKeyboardHook* hook);
	void registerMouseObserver(IMouseObserver* observer);
	void unregisterMouseObserver(IMouseObserver* observer);
	void registerFocusViewObserver(IFocusViewObserver* observer);
	void unregisterFocusViewObserver(IFocusViewObserver* observer);
	void registerScaleFactorChangedListeneer(IScaleFactorChangedListener* listener);
	void unregisterScaleFactorChangedListeneer(IScaleFactorChangedListener* listener);
	void setViewAddedRemovedObserver(IViewAddedRemovedObserver* observer);
	IViewAddedRemovedObserver* getViewAddedRemovedObserver() const;

	// Called by views as they join and leave the attached tree.
	void onViewAdded(CView* view);
	void onViewRemoved(CView* view);

	// Invalidation. rect is in the children's coordinates.
	void invalidRect(const CRect& rect) override;
	void invalid() override;
	// Marks every child whose size overlaps rect dirty.
	void invalidate(const CRect& rect);
	void scrollRect(const CRect& src, const CPoint& distance);
	void setCollectInvalidRects(CollectInvalidRects* collectInvalidRects);
	// Turns dirty views into invalid rects. The platform runs it when asked
	// through requestIdle, not on a timer.
	void idle();
	// Has the platform run idle() soon. Any thread may call it (views
	// marked dirty from an audio thread do): it neither locks nor
	// allocates, and requests made before the run fold into one. Does
	// nothing while the frame is not open.
	void requestIdle() noexcept;
	// Before a nested event loop runs: hands the collected rects to the
	// platform and closes the open collection scope.
	void onStartLocalEventLoop();

	// Geometry and scale
	bool setSize(double width, double height);
	bool getSize(CRect& size) const;
	bool setPosition(double x, double y);
	bool getPosition(double& x, double& y) const;
	bool setZoom(double zoomFactor);
	double getZoom() const;
	double getScaleFactor() const;
	void dispatchNewScaleFactor(double newScaleFactor);
	void setBitmapInterpolationQuality(BitmapInterpolationQuality quality);
	BitmapInterpolationQuality getBitmapInterpolationQuality() const;
	// The platform's mouse position, mapped through the frame's transform.
	bool getCurrentMouseLocation(CPoint& where) const;
	CButtonState getCurrentMouseButtons() const;
	void setCursor(CCursorType type);

	// Services
	// Runs the animations of this frame's views; created on first use. Null
	// once the frame closes: its animations end with it.
	Animation::Animator* getAnimator();
	// With a delay in milliseconds before the first tooltip shows.
	void enableTooltips(bool state, uint32 delayTime = 1000);
	CTooltipSupport* getTooltipSupport() const;
	SharedPointer<IDataPackage> getClipboard();
	void setClipboard(const SharedPointer<IDataPackage>& data);
	bool performDrag(const DragDescription& description, const SharedPointer<IDragCallback>& callback);
	uint32 getTicks() const;
	int32 getKnobMode() const;
	KavrinEditorInterface* getEditor() const override;
	void beginEdit(int32 tag);
	void endEdit(int32 tag);
	// Runs func once the current platform event has been handled; false (and
	// func dropped) when no event is being handled.
	bool doAfterEventProcessing(std::function<void()>&& func);
	bool inEventProcessing() const;

	// Lookups see only the modal view while a session is open.
	CView* getViewAt(const CPoint& where, const GetViewOptions& options = {}) const override;
	CViewContainer* getContainerAt(const CPoint& where,
	                               const GetViewOptions& options = GetViewOptions::kDeep) const override;
	bool getViewsAt(const CPoint& where, std::list<SharedPointer<CView>>& views,
	                const GetViewOptions& options = GetViewOptions::kDeep) const override;

	// Drawing
	void drawRect(CDrawContext* context, const CRect& updateRect) override;
	void draw(CDrawContext* context) override;

	// The drawing lock keeps other threads off the tree while it is drawn or
	// while a container changes its children. Only the holder releases it;
	// the holder may lock again (each lock wants its unlock) and never waits
	// for itself.
	void LockGUIDrawing();
	void UnLockGUIDrawing();
	bool IsGUIDrawingLocked() const;
	void WaitForGUIDrawingLock() const;
	void WaitForThenLockGUIDrawing();
	// True when the calling thread holds the lock.
	bool holdsGUIDrawingLock() const;

	// IPlatformFrameCallback
	void platformDrawRect(CDrawContext* context, const CRect& rect) override;
	CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult platformOnMouseExited(CPoint& where, const CButtonState& buttons) override;
	bool platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	                          const CButtonState& buttons) override;
	DragOperation platformOnDragEnter(DragEventData data) override;
	DragOperation platformOnDragMove(DragEventData data) override;
	bool platformOnDragLeave(DragEventData data) override;
	bool platformOnDrop(DragEventData data) override;
	bool platformOnKeyDown(MoxKeyCode& keyCode) override;
	bool platformOnKeyUp(MoxKeyCode& keyCode) override;
	void platformOnActivate(bool state) override;
	void platformOnWindowActivate(bool state) override;
	void platformOnDeminiaturize() override;
	void platformScaleFactorChanged(double newScaleFactor) override;

	// Overrides of the container
	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	bool removeAll(bool withForget = true) override;
	void beforeDelete() override;

private:
	struct Impl;
	std::unique_ptr<Impl> impl;

	template <typename Result, typename Handler>
	Result dispatchPlatformEvent(Handler&& handler);
	// Routes a drag event, modifiers only, to the frame's drop target.
	template <typename Result, typename Call>
	Result dispatchDragEvent(DragEventData data, Call&& call);
	void runDeferredFunctions(bool wasInEventProcessing);
	void checkMouseViews(const CPoint& where, const CButtonState& buttons);
	void clearMouseViews(const CPoint& where, const CButtonState& buttons, bool callExited);
	struct MouseView;
	void enterMouseView(const MouseView& entry, const CPoint& where, const CButtonState& buttons);
	void exitMouseView(const MouseView& entry, const CPoint& where, const CButtonState& buttons,
	                   bool callView);
	bool isMouseView(const MouseView& entry) const;
	CPoint toParentCoordinates(CView* view, const CPoint& frameChildrenPoint) const;
	CPoint toChildrenSpace(const CPoint& where) const;
	void initModalViewSession();
	void endSession(size_t index);
	void invalidFrameRect(const CRect& frameRect);
	void removeFromMouseViews(CView* view);
	int32 dispatchKey(MoxKeyCode& keyCode, bool down);
	bool acceptsFocusRequest(CView* view) const;
	void changeFocus(CView* view);
	void applyFocusRequests();
	void teardown();
	void endAnimations();
	void releasePlatformFrame();
	bool isInThisTree(CView* view) const;
};

// Holds a frame's drawing lock for a scope unless the calling thread holds
// it already. A null frame locks nothing.
class GUIDrawingLockScope
{
public:
	explicit GUIDrawingLockScope(CFrame* frame);
	~GUIDrawingLockScope() noexcept;
	GUIDrawingLockScope(const GUIDrawingLockScope&) = delete;
	GUIDrawingLockScope& operator=(const GUIDrawingLockScope&) = delete;

private:
	CFrame* lockedFrame {nullptr};
};

} // namespace Kavrin
