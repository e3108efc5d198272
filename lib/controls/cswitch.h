#pragma once

#include "lib/ckavrintimer.h"
#include "lib/controls/ccontrol.h"
#include "lib/controls/imultibitmapcontrol.h"
#include "lib/reference.h"

namespace Kavrin {

// A switch of several positions, drawn as one frame of a vertical film strip
// in its background: frame k starts at k x heightOfOneImage. The view is cut
// into as many equal bands as there are frames; a press picks the band under
// the pointer and a drag follows it from band to band, in one edit.
//
// A switch needs at least two frames of at least one pixel in a background
// to move: without them it shows its first frame and its value stays.
class CSwitchBase : public CControl, public IMultiBitmapControl
{
public:
	// Picks the frame for a value by rounding to the nearest position
	// (legacy) instead of cutting the range into equal parts (default).
	static bool useLegacyIndexCalculation;

	// The subclass sets the frame geometry.
	CSwitchBase(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
	            const CPoint& offset = CPoint());
	// maxPositions is not used: the frames are the positions.
	CSwitchBase(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps, double heightOfOneImage,
	            int32 maxPositions, CBitmap* background, const CPoint& offset = CPoint());
	// The copy starts outside any drag.
	CSwitchBase(const CSwitchBase& other);
	~CSwitchBase() noexcept override;

	void draw(CDrawContext* context) override;
	// The background's width and one frame's height.
	bool sizeToFit() override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	// Back to the value of the press.
	CMouseEventResult onMouseCancel() override;

	void setNumSubPixmaps(int32 count) override;
	// Pixels per position along the switch's axis; 0 without frames.
	virtual double calculateCoef() const = 0;
	// The normalized value of the band under a point (the parent's
	// coordinates), from the coef of the press; beyond the ends of the
	// range for points beyond the view.
	virtual float calcNormFromPoint(const CPoint& where) const = 0;

	void setInverseBitmap(bool state);
	bool getInverseBitmap() const { return inverseBitmap; }
	const CPoint& getOffset() const { return offset; }

protected:
	// One frame as tall as the view, as many as the background holds.
	void useFramesAsTallAsTheView();
	// The normalized value of the band a distance along the switch's axis
	// (from its top or left) falls in, with the coef of the press.
	float normalizedBand(double distance) const;
	// The frame a normalized value shows, by the rule in use; always a
	// frame of the strip (the first when there are none).
	int32 frameIndex(float normalized) const;
	// Whether the switch has positions to move between.
	bool hasPositions() const;
	// The arrow keys: back moves one position towards the minimum, forward
	// one towards the maximum, each in an edit of its own.
	int32 stepPosition(const MoxKeyCode& key, uint8 back, uint8 forward);

	CPoint offset;
	double coef {0.};
	float mouseStartValue {0.f};
	bool inverseBitmap {false};

private:
	EditGuard dragEdit;
};

// Positions from top to bottom; Up and Down step between them.
class CVerticalSwitch : public CSwitchBase
{
public:
	// One frame as tall as the view; as many frames as the background holds.
	CVerticalSwitch(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	                CBitmap* background = nullptr, const CPoint& offset = CPoint());
	CVerticalSwitch(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
	                double heightOfOneImage, int32 maxPositions, CBitmap* background,
	                const CPoint& offset = CPoint());

	CView* cloneView() const override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	double calculateCoef() const override;
	float calcNormFromPoint(const CPoint& where) const override;
};

// Positions from left to right; Left and Right step between them.
class CHorizontalSwitch : public CSwitchBase
{
public:
	// One frame as tall as the view; as many frames as the background holds.
	CHorizontalSwitch(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	                  CBitmap* background = nullptr, const CPoint& offset = CPoint());
	CHorizontalSwitch(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
	                  double heightOfOneImage, int32 maxPositions, CBitmap* background,
	                  const CPoint& offset = CPoint());

	CView* cloneView() const override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	double calculateCoef() const override;
	float calcNormFromPoint(const CPoint& where) const override;
};

// A spring-loaded switch of three states over [-1, 1]: pressed towards one
// end it reports that end, and it springs back to the middle when let go.
// Frames: 0 at the minimum, 1 in the middle, 2 at the maximum. The mouse,
// the arrow keys and the wheel each hold one edit while the rocker is off
// its rest; a wheel gesture ends 200 ms after its last step.
class CRockerSwitch : public CControl, public IMultiBitmapControl
{
public:
	enum Style : int32
	{
		// Left and right halves, the Left and Right keys.
		kHorizontal = 1 << 0,
		// The Up and Down keys (the halves are top and bottom unless
		// kHorizontal is set).
		kVertical = 1 << 1,
	};

	// One frame as tall as the view.
	CRockerSwitch(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	              CBitmap* background = nullptr, const CPoint& offset = CPoint(), int32 style = kHorizontal);
	CRockerSwitch(const CRect& size, IControlListener* listener, int32 tag, double heightOfOneImage,
	              CBitmap* background, const CPoint& offset = CPoint(), int32 style = kHorizontal);
	// The copy starts at rest, outside any gesture.
	CRockerSwitch(const CRockerSwitch& other);
	~CRockerSwitch() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	bool sizeToFit() override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	int32 onKeyUp(MoxKeyCode& keyCode) override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	// The end of a wheel gesture, from its timer.
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	// A key let go elsewhere never comes back: the key gesture ends here.
	void looseFocus() override;
	// A rocker leaving the tree springs back from its key or wheel gesture,
	// and no timer outlives its place.
	bool removed(CView* parent) override;
	void beforeDelete() override;
	void setNumSubPixmaps(int32 count) override;

	int32 getStyle() const { return style; }
	const CPoint& getOffset() const { return offset; }

private:
	float middle() const;
	// Back to the middle with the listeners told, and the gesture's edit
	// closed.
	void springBack(EditGuard& gesture);
	void endKeyGesture();
	void endWheelGesture();
	bool inDragOrKeyGesture() const { return dragEdit.isOpen() || keyEdit.isOpen(); }

	CPoint offset;
	int32 style;
	SharedPointer<CKavrinTimer> timer;
	float entryValue {0.f};
	EditGuard dragEdit;
	EditGuard keyEdit;
	EditGuard wheelEdit;
};

} // namespace Kavrin
