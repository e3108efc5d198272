#pragma once

#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/controls/ccontrol.h"
#include "lib/controls/cmousewheeleditingsupport.h"
#include "lib/controls/imultibitmapcontrol.h"

#include <vector>

namespace Kavrin {

// A rotary control: the angle geometry and all input (circular or linear
// drag, fine adjustment, wheel, arrow keys, the default-value gesture).
// Angles are in radians, 0 pointing right and growing clockwise on screen.
class CKnobBase : public CControl, private CMouseWheelEditingSupport
{
public:
	CKnobBase(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	          CBitmap* background = nullptr);
	CKnobBase(const CKnobBase& other);
	~CKnobBase() noexcept override;

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	bool sizeToFit() override;
	// A knob leaving the tree ends its drag and any pending wheel edit.
	bool removed(CView* parent) override;
	// Before the view's attributes go: the drag's record lives in one.
	void beforeDelete() override;
	void setMin(float value) override;
	void setMax(float value) override;

	// The point on the circle (local coordinates) the value points at.
	virtual void valueToPoint(CPoint& point) const;
	// The value a local point points at; points in the gap between the ends
	// of the range give the nearer end.
	virtual float valueFromPoint(CPoint& point) const;
	virtual void setStartAngle(float angle);
	virtual float getStartAngle() const;
	virtual void setRangeAngle(float angle);
	virtual float getRangeAngle() const;
	virtual void setZoomFactor(float factor);
	virtual float getZoomFactor() const;
	virtual double getInsetValue() const;
	virtual void setInsetValue(double value);

protected:
	// What a drag keeps between its events. The record holds the drag's
	// edit: clearing the record ends it.
	struct MouseEditingState
	{
		CPoint firstPoint;
		CPoint lastPoint;
		float startValue;
		float entryValue;
		float range;
		float coef;
		CButtonState oldButton;
		bool modeLinear;
		// The value at the press, which a cancel restores.
		float pressValue;
		EditGuard edit;
	};
	static constexpr CViewAttributeID kMouseEditingStateAttribute = 0x6B6E6D73; // 'knms'

	MouseEditingState& getMouseEditingState();
	// The record of the drag in progress, or null.
	MouseEditingState* findMouseEditingState() const;
	void clearMouseEditingState();
	void compute();

	float startAngle {0.f};
	float rangeAngle {0.f};
	float zoomFactor {1.5f};
	double inset {0.};
};

// A knob drawn with vector graphics (a value arc, the corona, its outline,
// a handle line or dot) or as a handle bitmap over the background.
class CKnob : public CKnobBase
{
public:
	enum DrawStyle : int32
	{
		kHandleCircleDrawing = 1 << 0,
		kCoronaDrawing = 1 << 1,
		kCoronaFromCenter = 1 << 2,
		kCoronaInverted = 1 << 3,
		kCoronaLineDashDot = 1 << 4,
		kCoronaOutline = 1 << 5,
		kCoronaLineCapButt = 1 << 6,
		kSkipHandleDrawing = 1 << 7,
	};

	CKnob(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0, CBitmap* background = nullptr,
	      CBitmap* handle = nullptr, const CPoint& offset = CPoint(), int32 drawStyle = 0);
	CKnob(const CKnob& other);
	~CKnob() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	bool drawFocusOnTop() override;
	bool getFocusPath(CGraphicsPath& outPath) override;

	virtual void setDrawStyle(int32 style);
	virtual void setCoronaColor(CColor color);
	virtual void setCoronaInset(double inset);
	virtual void setColorShadowHandle(CColor color);
	virtual void setColorHandle(CColor color);
	virtual void setHandleLineWidth(double width);
	virtual void setCoronaOutlineWidthAdd(double width);
	virtual void setCoronaDashDotLengths(const std::vector<double>& lengths);
	virtual void drawHandle(CDrawContext* context);
	virtual void drawCoronaOutline(CDrawContext* context) const;
	virtual void drawCorona(CDrawContext* context) const;
	virtual void drawHandleAsCircle(CDrawContext* context) const;
	virtual void drawHandleAsLine(CDrawContext* context) const;

	int32 getDrawStyle() const { return drawStyle; }
	CColor getCoronaColor() const { return coronaColor; }
	double getCoronaInset() const { return coronaInset; }
	CColor getColorShadowHandle() const { return colorShadowHandle; }
	CColor getColorHandle() const { return colorHandle; }
	double getHandleLineWidth() const { return handleLineWidth; }
	double getCoronaOutlineWidthAdd() const { return coronaOutlineWidthAdd; }
	const std::vector<double>& getCoronaDashDotLengths() const;
	CBitmap* getHandleBitmap() const { return handleBitmap; }
	void setHandleBitmap(CBitmap* bitmap);

private:
	// Stores a new setting and marks the knob for redrawing; an unchanged
	// setting changes nothing.
	template <typename T>
	void setAndMarkDirty(T& setting, const T& value)
	{
		if (setting == value)
			return;
		setting = value;
		setDirty(true);
	}
	// An arc of the rect from one angle to another, following the ellipse
	// when the rect is not square.
	void strokeArc(CDrawContext* context, const CRect& rect, double from, double to, bool clockwise) const;
	void updateInset();

	CPoint offset;
	int32 drawStyle;
	CColor colorHandle {255, 255, 255, 255};
	CColor colorShadowHandle {127, 127, 127, 255};
	CColor coronaColor {255, 255, 255, 255};
	double handleLineWidth {1.};
	double coronaInset {0.};
	double coronaOutlineWidthAdd {2.};
	CLineStyle coronaLineStyle;
	SharedPointer<CBitmap> handleBitmap;
};

// A knob that draws the frame of a vertical film strip the value selects.
class CAnimKnob : public CKnobBase, public IMultiBitmapControl
{
public:
	// One frame as tall as the view; as many frames as the background holds.
	CAnimKnob(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	          CBitmap* background = nullptr, const CPoint& offset = CPoint());
	CAnimKnob(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps, double heightOfOneImage,
	          CBitmap* background, const CPoint& offset = CPoint());
	CAnimKnob(const CAnimKnob& other);
	~CAnimKnob() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	bool sizeToFit() override;
	void setBackground(CBitmap* background) override;
	void setHeightOfOneImage(const double& height) override;
	void setNumSubPixmaps(int32 count) override;

	void setInverseBitmap(bool state) { inverseBitmap = state; }
	bool getInverseBitmap() const { return inverseBitmap; }

private:
	bool inverseBitmap {false};
};

} // namespace Kavrin
