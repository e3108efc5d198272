#pragma once

#include "lib/ccolor.h"
#include "lib/controls/ccontrol.h"
#include "lib/controls/cmousewheeleditingsupport.h"

#include <memory>

namespace Kavrin {

// How a press on a slider moves its value.
enum class CSliderMode : int32
{
	// Only the handle can be grabbed; it then follows the pointer.
	kTouchMode = 0,
	// A press anywhere grabs: the value moves as far as the pointer does.
	kRelativeTouchMode,
	// The handle jumps under the pointer and follows it.
	kFreeClickMode,
	// A press off the handle ramps the value towards the pointer; a press on
	// it grabs as in touch mode.
	kRampMode,
	// The class-wide mode of CSliderBase::setGlobalMode.
	kUseGlobal,
};

// A linear control: the handle's geometry, the orientation and direction,
// and all input (drag in each mode, fine adjustment, the ramp, wheel, arrow
// keys, the default-value gesture).
//
// The handle's leading edge travels getHandleRange pixels along the axis,
// from the offset of the handle plus the start of the travel, both measured
// from the view's top-left. Points passed to the mouse handlers are in the
// parent's coordinates, as the view size is.
class CSliderBase : public CControl, private CMouseWheelEditingSupport
{
public:
	// Orientation (exactly one of the first two) and where the minimum lies.
	enum Style : int32
	{
		kHorizontal = 1 << 0,
		kVertical = 1 << 1,
		kLeft = 1 << 2,
		kRight = 1 << 3,
		kTop = 1 << 4,
		kBottom = 1 << 5,
	};

	// Treats every drag as fine, with a zoom factor that grows as the pointer
	// moves away from the slider across its axis.
	static bool kAlwaysUseZoomFactor;

	CSliderBase(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0);
	// Copies the settings and geometry; the copy starts with no gesture.
	CSliderBase(const CSliderBase& other);
	~CSliderBase() noexcept override;

	// Refits the travel to the new size.
	void setViewSize(const CRect& rect, bool invalid = true) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	// Back to the value of the press.
	CMouseEventResult onMouseCancel() override;
	// Only the wheel axis along the slider moves it.
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	// A slider leaving the tree ends its drag, its ramp and any wheel edit.
	bool removed(CView* parent) override;
	void beforeDelete() override;

	// An invalid style (no orientation, or both) is reported and kept.
	void setStyle(int32 style);
	int32 getStyle() const;
	void setZoomFactor(float factor);
	float getZoomFactor() const;
	void setSliderMode(CSliderMode mode);
	CSliderMode getSliderMode() const;
	// The own mode, or the class-wide one for kUseGlobal.
	CSliderMode getEffectiveSliderMode() const;
	// kUseGlobal is reported as misuse, and kept.
	static void setGlobalMode(CSliderMode mode);
	static CSliderMode getGlobalMode();
	// Where the handle's travel starts, relative to the view's top-left.
	void setOffsetHandle(const CPoint& offset);
	CPoint getOffsetHandle() const;

	bool isStyleHorizontal() const { return getStyle() & kHorizontal; }
	bool isStyleRight() const { return getStyle() & kRight; }
	bool isStyleBottom() const { return getStyle() & kBottom; }
	// The value grows towards the left or the top of the screen, so that keys,
	// the wheel and the ramp reverse their direction.
	bool isInverseStyle() const;

	// The handle's rect for a normalized value, in the parent's coordinates.
	CRect calculateHandleRect(float normalizedValue) const;
	double getHandleRange() const;

protected:
	void setHandleRangePrivate(double range);
	void setHandleMinPosPrivate(double position);
	void setHandleSizePrivate(double width, double height);
	double getHandleMinPosPrivate() const;
	CPoint getHandleSizePrivate() const;
	// The view's width and height.
	CPoint getControlSizePrivate() const;

private:
	struct Impl;

	// The component of a point along the travel axis, and across it.
	double along(const CPoint& point) const;
	double across(const CPoint& point) const;
	// The mirrored position for sliders whose minimum is at the right or
	// bottom end.
	bool isMirrored() const;
	float mirrored(float normalized) const;
	// Where the handle's leading edge sits at the value 0, in the parent's
	// coordinates along the axis.
	double travelStart() const;
	// The pointer offset along the axis that puts the handle's centre under
	// the pointer.
	double centringDelta() const;
	// The handle's rect with its leading edge at a position along the axis,
	// in the parent's coordinates.
	CRect handleRectAt(double leading) const;
	float calculateDelta(const CPoint& where, CRect* handleRect) const;
	// The normalized value a pointer position gives with the current delta;
	// NaN when the handle cannot travel.
	float normalizedAt(const CPoint& where) const;
	void updateHandleLimits();
	void fitTravelToView(const CRect& rect);

	bool isDragging() const;
	void adaptZoomToDistance(const CPoint& where);
	void anchorFineMode(const CButtonState& buttons);
	float fineAdjusted(float normalized) const;
	void startRamp();
	void stopRamp();
	void doRamping();
	// Sets the value, and tells the listeners and redraws when it moved.
	void moveToNormalized(float normalized);
	// Ends whatever gesture is in progress, without restoring the value.
	void endGestures();

	std::unique_ptr<Impl> impl;
};

// A slider drawn as a background bitmap, an optional vector frame, back and
// value bar, and a handle bitmap.
class CSlider : public CSliderBase
{
public:
	enum DrawStyle : int32
	{
		kDrawFrame = 1 << 0,
		kDrawBack = 1 << 1,
		kDrawValue = 1 << 2,
		// The value bar spans from the middle to the value.
		kDrawValueFromCenter = 1 << 3,
		// The value bar grows from the right, or the top, instead.
		kDrawInverted = 1 << 4,
	};

	// The handle's leading edge travels from iMinPos to iMaxPos, in the
	// parent's coordinates along the axis.
	CSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos, int32 iMaxPos,
	        CBitmap* handle = nullptr, CBitmap* background = nullptr, const CPoint& offset = CPoint(),
	        int32 style = kLeft | kHorizontal);
	// The handle's leading edge travels rangeHandle pixels from offsetHandle,
	// relative to the view's top-left.
	CSlider(const CRect& size, IControlListener* listener, int32 tag, const CPoint& offsetHandle,
	        int32 rangeHandle, CBitmap* handle = nullptr, CBitmap* background = nullptr,
	        const CPoint& offset = CPoint(), int32 style = kLeft | kHorizontal);
	CSlider(const CSlider& other);
	~CSlider() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	// Takes the background's size, keeping the top-left corner.
	bool sizeToFit() override;

	virtual void setOffset(const CPoint& offset);
	virtual CPoint getOffset() const;
	// The handle's size becomes the bitmap's (1 x 1 without one), and the
	// travel is refitted to the view.
	virtual void setHandle(CBitmap* handle);
	virtual CBitmap* getHandle() const;
	virtual void setDrawStyle(int32 style);
	// Negative: one device pixel.
	virtual void setFrameWidth(double width);
	virtual void setFrameColor(CColor color);
	virtual void setBackColor(CColor color);
	virtual void setValueColor(CColor color);

	// The source offset into the background bitmap.
	void setBackgroundOffset(const CPoint& offset);
	CPoint getBackgroundOffset() const { return backgroundOffset; }
	int32 getDrawStyle() const { return drawStyle; }
	double getFrameWidth() const { return frameWidth; }
	CColor getFrameColor() const { return frameColor; }
	CColor getBackColor() const { return backColor; }
	CColor getValueColor() const { return valueColor; }

private:
	void drawFrameAndBack(CDrawContext* context, CRect& rect, double lineWidth);
	void drawValueBar(CDrawContext* context, CRect rect, double lineWidth);
	CRect valueBarRect(const CRect& rect) const;
	static void fillRect(CDrawContext* context, const CRect& rect, bool filled, bool stroked);

	CPoint backgroundOffset;
	SharedPointer<CBitmap> handle;
	double frameWidth {1.};
	int32 drawStyle {0};
	CColor frameColor {127, 127, 127, 255};
	CColor backColor {0, 0, 0, 255};
	CColor valueColor {255, 255, 255, 255};
};

// A slider that travels along y; the minimum at the bottom unless kTop is
// given.
class CVerticalSlider : public CSlider
{
public:
	CVerticalSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos, int32 iMaxPos,
	                CBitmap* handle = nullptr, CBitmap* background = nullptr, const CPoint& offset = CPoint(),
	                int32 style = kBottom);
	CVerticalSlider(const CRect& size, IControlListener* listener, int32 tag, const CPoint& offsetHandle,
	                int32 rangeHandle, CBitmap* handle = nullptr, CBitmap* background = nullptr,
	                const CPoint& offset = CPoint(), int32 style = kBottom);
};

// A slider that travels along x; the minimum at the left unless kRight is
// given.
class CHorizontalSlider : public CSlider
{
public:
	CHorizontalSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos, int32 iMaxPos,
	                  CBitmap* handle = nullptr, CBitmap* background = nullptr, const CPoint& offset = CPoint(),
	                  int32 style = kLeft);
	CHorizontalSlider(const CRect& size, IControlListener* listener, int32 tag, const CPoint& offsetHandle,
	                  int32 rangeHandle, CBitmap* handle = nullptr, CBitmap* background = nullptr,
	                  const CPoint& offset = CPoint(), int32 style = kLeft);
};

} // namespace Kavrin
