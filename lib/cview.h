#pragma once

#include "lib/cbaseobject.h"
#include "lib/cbuttonstate.h"
#include "lib/cgraphicstransform.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/kavrinfwd.h"
#include "lib/moxkeycode.h"

#include <functional>
#include <memory>

namespace Kavrin {

namespace Animation {
class IAnimationTarget;
class ITimingFunction;
} // namespace Animation

class IDataPackage;
class IDragCallback;
class KavrinEditorInterface;
struct DragDescription;

using CViewAttributeID = uint64;

// Four-character attribute identifiers, packed big-endian.
constexpr CViewAttributeID makeViewAttributeID(const char (&code)[5])
{
	return (CViewAttributeID(uint8(code[0])) << 24) | (CViewAttributeID(uint8(code[1])) << 16) |
	       (CViewAttributeID(uint8(code[2])) << 8) | CViewAttributeID(uint8(code[3]));
}

constexpr CViewAttributeID kCViewBackgroundAttribute = makeViewAttributeID("cvbb");
constexpr CViewAttributeID kCViewDisabledBackgroundAttribute = makeViewAttributeID("cvdb");
constexpr CViewAttributeID kCViewHitTestPathAttribute = makeViewAttributeID("cvht");
constexpr CViewAttributeID kCViewAlphaValueAttribute = makeViewAttributeID("cvav");
constexpr CViewAttributeID kCViewMouseableAreaAttribute = makeViewAttributeID("cvma");
constexpr CViewAttributeID kCViewTooltipAttribute = makeViewAttributeID("cvtt");
constexpr CViewAttributeID kCViewDropTargetAttribute = makeViewAttributeID("cvdt");
constexpr CViewAttributeID kCViewControllerAttribute = makeViewAttributeID("ictr");

// The base of every visual element: a rectangle in its parent's coordinates
// with state flags, an attribute store and listener lists.
//
// A view is reference counted. A container holds one reference on each child;
// parentView and the frame are back pointers and are not owned. A view must be
// detached and have no listeners left when its last reference goes.
class CView : public CBaseObject
{
public:
	enum ViewFlags : int32
	{
		kMouseEnabled = 1 << 0,
		kTransparencyEnabled = 1 << 1,
		kWantsFocus = 1 << 2,
		kIsAttached = 1 << 3,
		kVisible = 1 << 4,
		kDirty = 1 << 5,
		kWantsIdle = 1 << 6,
		kIsSubview = 1 << 7,
		kHasAlpha = 1 << 8,
		kHasBackground = 1 << 9,
		kHasDisabledBackground = 1 << 10,
		kHasMouseableArea = 1 << 11,
		kAutosizeSubviews = 1 << 12,
	};

	enum class MouseListenerCall
	{
		MouseDown,
		MouseMoved,
		MouseUp,
		MouseCancel,
	};

	// Milliseconds between idle calls.
	static uint32 idleRate;
	// When set, setDirty(true) on an attached view invalidates at once.
	static bool kDirtyCallAlwaysOnMainThread;

	explicit CView(const CRect& size);
	// Copies size, flags, autosize flags and attributes; background, disabled
	// background and hit-test path are shared with a reference of their own.
	// The drop target and the controller are not copied.
	CView(const CView& view);
	CView& operator=(const CView&) = delete;
	~CView() noexcept override;

	// Returns a new view copied from this one (the caller owns it), or null.
	virtual CView* cloneView() const;

	virtual void draw(CDrawContext* context);
	virtual void drawRect(CDrawContext* context, const CRect& updateRect);
	virtual bool overlapsUpdateRect(const CRect& updateRect) const;
	virtual bool isDirty() const;
	virtual void setDirty(bool state = true);
	// In the parent's coordinates; does nothing unless attached and visible.
	virtual void invalidRect(const CRect& rect);
	virtual void invalid();
	virtual void setVisible(bool state);

	virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
	virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
	virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
	virtual CMouseEventResult onMouseCancel();
	virtual CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons);
	virtual CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons);
	// where is in the parent's coordinates.
	virtual bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState());
	virtual bool spareViewHook();
	virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	                     const CButtonState& buttons);
	virtual void setMouseEnabled(bool state = true);
	virtual SharedPointer<IDropTarget> getDropTarget();

	virtual int32 onKeyDown(MoxKeyCode& keyCode);
	virtual int32 onKeyUp(MoxKeyCode& keyCode);

	virtual void setViewSize(const CRect& rect, bool invalid = true);
	virtual CRect getVisibleViewSize() const;
	virtual void parentSizeChanged();
	virtual CPoint& frameToLocal(CPoint& point) const;
	virtual CPoint& localToFrame(CPoint& point) const;
	virtual void setAutosizeFlags(int32 flags);
	virtual bool sizeToFit();

	virtual void looseFocus();
	virtual void takeFocus();
	virtual bool wantsFocus() const;
	virtual void setWantsFocus(bool state);

	virtual void setBackground(CBitmap* background);
	virtual void setDisabledBackground(CBitmap* background);
	virtual void setTransparency(bool state);
	virtual void setAlphaValue(float alpha);

	virtual bool removed(CView* parent);
	virtual bool attached(CView* parent);
	virtual KavrinEditorInterface* getEditor() const;
	virtual void onIdle();
	virtual bool wantsWindowActivation() const;
	virtual void windowActivationChanged(bool active);
	virtual CViewContainer* toViewContainer();
	virtual const CViewContainer* toViewContainer() const;

	void beforeDelete() override;

	// Geometry
	const CRect& getViewSize() const;
	int32 getAutosizeFlags() const;
	// The stored mouseable area, or the view size when none is stored.
	CRect getMouseableArea() const;
	// A rect equal to the view size removes the stored area.
	void setMouseableArea(const CRect& rect);
	CGraphicsTransform getGlobalTransform(bool ignoreFrame = false) const;
	CPoint translateToGlobal(const CPoint& point, bool ignoreFrame = false) const;
	CPoint translateToLocal(const CPoint& point, bool ignoreFrame = false) const;

	// Tree (back pointers, not owned)
	CView* getParentView() const;
	CFrame* getFrame() const;
	bool isAttached() const;
	// Attached, and neither this view nor an ancestor is in the middle of
	// its removal: only such a view may be registered for idle calls, the
	// focus, window activation or mouse tracking.
	bool isInTree() const;
	bool isSubview() const;
	void setSubviewState(bool state);

	// Flags
	void setViewFlag(int32 flag, bool state);
	bool hasViewFlag(int32 flag) const;
	bool getMouseEnabled() const;
	bool getTransparency() const;
	// The flag is set and the alpha value is above 0.
	bool isVisible() const;
	void setWantsIdle(bool state);
	bool wantsIdle() const;

	// Appearance
	CBitmap* getBackground() const;
	CBitmap* getDisabledBackground() const;
	// The disabled background while the mouse is disabled, else the background.
	CBitmap* getDrawBackground() const;
	float getAlphaValue() const;
	void setAlphaValueNoInvalidate(float alpha);
	void setHitTestPath(CGraphicsPath* path);
	CGraphicsPath* getHitTestPath() const;
	// Null removes the tooltip.
	void setTooltipText(const char* text);
	// The stored tooltip text, or null.
	const char* getTooltipText() const;

	// Attributes: copies of the caller's bytes.
	bool setAttribute(CViewAttributeID id, uint32 inSize, const void* inData);
	bool getAttributeSize(CViewAttributeID id, uint32& outSize) const;
	bool getAttribute(CViewAttributeID id, uint32 inSize, void* outData, uint32& outSize) const;
	bool removeAttribute(CViewAttributeID id);
	template <typename T>
	bool setAttributeValue(CViewAttributeID id, const T& value)
	{
		return setAttribute(id, sizeof(T), &value);
	}
	template <typename T>
	bool getAttributeValue(CViewAttributeID id, T& value) const
	{
		uint32 outSize = 0;
		return getAttribute(id, sizeof(T), &value, outSize) && outSize == sizeof(T);
	}

	void setDropTarget(const SharedPointer<IDropTarget>& target);
	// Starts a drag session through the frame; once it has started this view
	// gets no more moves or the release of the press. False without a frame
	// or platform frame, or when the platform refuses.
	bool doDrag(const DragDescription& description, const SharedPointer<IDragCallback>& callback);
	// The older entry: the platform's drag result code, -1 without a frame or
	// platform frame.
	int32 doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap = nullptr);

	// Animations, run by the frame's animator. The view must be in an open
	// frame's tree; otherwise nothing starts (target and timing function,
	// handed over, are released at once). See Animation::Animator.
	void addAnimation(const char* name, Animation::IAnimationTarget* target,
	                  Animation::ITimingFunction* timingFunction, CBaseObject* notificationObject = nullptr);
	void addAnimation(const char* name, Animation::IAnimationTarget* target,
	                  Animation::ITimingFunction* timingFunction,
	                  const std::function<void(CView*, const char*, Animation::IAnimationTarget*)>& notification);
	void removeAnimation(const char* name);
	void removeAllAnimations();

	// Listeners (not owned). Registration and removal are safe during dispatch.
	void registerViewListener(IViewListener* listener);
	void unregisterViewListener(IViewListener* listener);
	void registerViewMouseListener(IViewMouseListener* listener);
	void unregisterViewMouseListener(IViewMouseListener* listener);
	// Asks the mouse listeners, last registered first; the first answer that
	// counts as handled is returned, else kMouseNotHandled.
	CMouseEventResult callMouseListener(MouseListenerCall call, CPoint pos, CButtonState buttons);
	void callMouseListenerEnteredExited(bool entered);

protected:
	// The frame sets itself as its own frame.
	void setParentFrame(CFrame* frame);
	void dispatchViewListeners(void (IViewListener::*call)(CView*));

private:
	void attachToParentTakenDuringRemoval();

	struct Impl;
	std::unique_ptr<Impl> impl;
};

} // namespace Kavrin
