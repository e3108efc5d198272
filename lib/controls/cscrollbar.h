#pragma once

#include "lib/ccolor.h"
#include "lib/ckavrintimer.h"
#include "lib/controls/ccontrol.h"

namespace Kavrin {

namespace Animation {
class ITimingFunction;
} // namespace Animation

class IScrollbarDrawer;

// A scroll bar: its value, 0 to 1, is the scroll position over content of
// scrollSize, of which the view's extent is visible. The scroller's length
// shows that share; a press on the track pages towards the pointer, first
// at once, then after 250 ms and every 80 ms while held. Overlay bars lie
// over the content, show while it moves or the pointer is over them, and
// fade out after.
class CScrollbar : public CControl
{
public:
	enum ScrollbarDirection : int32
	{
		kHorizontal = 0,
		kVertical = 1,
	};

	CScrollbar(const CRect& size, IControlListener* listener, int32 tag, ScrollbarDirection direction,
	           const CRect& scrollSize);
	// Copies the settings; the copy has no drawer and starts with no gesture.
	CScrollbar(const CScrollbar& other);
	~CScrollbar() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	// Also sets the track to the new size inset by 2 and refits the scroller.
	void setViewSize(const CRect& rect, bool invalid = true) override;
	bool removed(CView* parent) override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;

	// Not owned; null restores the bar's own drawing.
	virtual void setDrawer(IScrollbarDrawer* drawer);
	virtual void setScrollSize(const CRect& scrollSize);
	virtual void setStepValue(float stepValue);
	virtual void setFrameColor(const CColor& color);
	virtual void setScrollerColor(const CColor& color);
	virtual void setBackgroundColor(const CColor& color);
	virtual void setOverlayStyle(bool state);
	// The content or its position changed: an overlay bar shows itself and
	// fades out again unless the pointer is over it.
	virtual void onVisualChange();

	IScrollbarDrawer* getDrawer() const { return drawer; }
	ScrollbarDirection getDirection() const { return direction; }
	const CRect& getScrollSize() const { return scrollSize; }
	float getStepValue() const { return stepValue; }
	const CColor& getFrameColor() const { return frameColor; }
	const CColor& getScrollerColor() const { return scrollerColor; }
	const CColor& getBackgroundColor() const { return backgroundColor; }
	bool getOverlayStyle() const { return overlayStyle; }
	double getScrollerLength() const { return scrollerLength; }
	const CRect& getScrollerArea() const { return scrollerArea; }
	// The scroller at the current value, in the parent's coordinates.
	CRect getScrollerRect() const;
	// Whether the stepping timer runs (a press on the track is held).
	bool isStepping() const { return timer != nullptr; }

protected:
	void drawBackground(CDrawContext* context);
	void drawScroller(CDrawContext* context, const CRect& rect);
	void calculateScrollerLength();
	// One page towards the press point.
	void doStepping();

private:
	// The track's extent along the bar and its start.
	double trackExtent() const;
	double trackStart() const;
	// The coordinate along the bar.
	double pointAlong(const CPoint& point) const;
	void dragScrollerTo(const CPoint& where);
	// Sets the value and tells the listeners; false when unchanged.
	bool scrollTo(float newValue);
	void endGesture();
	void stopStepping();
	// Takes over the timing function.
	void fadeTo(float alpha, Animation::ITimingFunction* timing);

	ScrollbarDirection direction;
	CRect scrollSize;
	CRect scrollerArea;
	float stepValue {0.1f};
	double scrollerLength {0.};
	CColor frameColor {0, 0, 0, 255};
	CColor scrollerColor {0, 0, 255, 255};
	CColor backgroundColor {255, 255, 255, 200};
	bool overlayStyle {false};
	bool mouseIsInside {false};
	IScrollbarDrawer* drawer {nullptr};
	SharedPointer<CKavrinTimer> timer;
	CPoint startPoint;
	CRect scrollerRect;
	bool scrolling {false};
};

// Paints a scroll bar in place of its own drawing.
class IScrollbarDrawer
{
public:
	virtual ~IScrollbarDrawer() noexcept = default;

	virtual void drawScrollbarBackground(CDrawContext* context, const CRect& size,
	                                     CScrollbar::ScrollbarDirection direction, CScrollbar* bar) = 0;
	virtual void drawScrollbarScroller(CDrawContext* context, const CRect& scrollerRect,
	                                   CScrollbar::ScrollbarDirection direction, CScrollbar* bar) = 0;
};

} // namespace Kavrin
