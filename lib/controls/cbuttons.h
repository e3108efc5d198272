#pragma once

#include "lib/ccolor.h"
#include "lib/controls/ccontrol.h"
#include "lib/controls/imultibitmapcontrol.h"
#include "lib/cstring.h"
#include "lib/reference.h"

namespace Kavrin {

class CFontDesc;

// A two-state toggle: a click released on it, or Return, flips the value
// between min and max. Its background holds two frames, each half the
// bitmap's height: off on top, on below.
class COnOffButton : public CControl
{
public:
	COnOffButton(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	             CBitmap* background = nullptr, int32 style = 0);
	// The copy starts outside any click.
	COnOffButton(const COnOffButton& other);
	~COnOffButton() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	// The background's width and one frame's height; false, and the size
	// unchanged, without a background.
	bool sizeToFit() override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;

	// Kept for the editor; the button's behaviour does not depend on it.
	virtual int32 getStyle() const;
	virtual void setStyle(int32 newStyle);

private:
	void toggle();

	int32 style;
	EditGuard clickEdit;
};

// A square box with a title at its right, drawn in vector graphics (or as
// frames of a bitmap): empty below the middle of the range, a dash at the
// middle, a tick (or a cross) above it. A click released on it, or Return,
// turns it on from anything below max, else off.
class CCheckBox : public CControl
{
public:
	enum Style : int32
	{
		// Fit the view to the box and the title whenever either changes.
		kAutoSizeToFit = 1 << 0,
		// Mark "on" with a cross instead of a tick.
		kDrawCrossBox = 1 << 1,
	};

	// A background, when given, holds six frames, each a sixth of its
	// height: off, mixed, on, then the same three highlighted.
	CCheckBox(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0, const UTF8String& title = {},
	          CBitmap* background = nullptr, int32 style = 0);
	// The copy starts outside any click.
	CCheckBox(const CCheckBox& other);
	~CCheckBox() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	// The box and the title side by side; false with no title or a font that
	// cannot measure it.
	bool sizeToFit() override;
	void setBackground(CBitmap* background) override;
	// Two rounded rects, the box and the box grown by the frame's focus
	// width, for an even-odd fill.
	bool getFocusPath(CGraphicsPath& outPath) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;

	virtual void setTitle(const UTF8String& newTitle);
	// Null is ignored.
	virtual void setFont(CFontDesc* newFont);
	virtual void setFontColor(CColor color);
	virtual void setBoxFrameColor(CColor color);
	virtual void setBoxFillColor(CColor color);
	virtual void setCheckMarkColor(CColor color);
	virtual int32 getStyle() const;
	virtual void setStyle(int32 newStyle);
	// A negative width is one device pixel.
	virtual void setFrameWidth(double width);
	virtual void setRoundRectRadius(double radius);

	const UTF8String& getTitle() const { return title; }
	CFontDesc* getFont() const { return font; }
	CColor getFontColor() const { return fontColor; }
	CColor getBoxFrameColor() const { return boxFrameColor; }
	CColor getBoxFillColor() const { return boxFillColor; }
	CColor getCheckMarkColor() const { return checkMarkColor; }
	double getFrameWidth() const { return frameWidth; }
	double getRoundRectRadius() const { return roundRectRadius; }
	// The box, in the parent's coordinates.
	CRect getCheckBoxRect() const;

private:
	void fitWhenAutoSized();
	void drawBox(CDrawContext* context, const CRect& box) const;
	void drawMark(CDrawContext* context, const CRect& box) const;
	void drawTitle(CDrawContext* context, const CRect& box) const;
	void setHilight(bool state);
	void toggle();

	UTF8String title;
	int32 style;
	CColor fontColor {255, 255, 255, 255};
	CColor boxFrameColor {0, 0, 0, 255};
	CColor boxFillColor {255, 255, 255, 255};
	CColor checkMarkColor {255, 0, 0, 255};
	double frameWidth {1.};
	double roundRectRadius {0.};
	SharedPointer<CFontDesc> font;
	float previousValue {0.f};
	bool hilight {false};
	EditGuard clickEdit;
};

// A momentary button: max while pressed, min otherwise. A click released on
// it reports max, then min, in one edit; Return does the same, max on the
// key's press and min on its release. Frames: 0 released, 1 pressed.
class CKickButton : public CControl, public IMultiBitmapControl
{
public:
	// One frame as tall as the view.
	CKickButton(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	            CBitmap* background = nullptr, const CPoint& offset = CPoint());
	CKickButton(const CRect& size, IControlListener* listener, int32 tag, double heightOfOneImage,
	            CBitmap* background, const CPoint& offset = CPoint());
	// The copy starts released, outside any gesture.
	CKickButton(const CKickButton& other);
	~CKickButton() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	bool sizeToFit() override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	int32 onKeyUp(MoxKeyCode& keyCode) override;
	// Return let go elsewhere never comes back: the key's press ends here.
	void looseFocus() override;
	// A button leaving the tree with Return held is released.
	bool removed(CView* parent) override;
	void setNumSubPixmaps(int32 count) override;

	const CPoint& getOffset() const { return offset; }

private:
	// Back to min with the listeners told, inside the gesture's edit while
	// it is open, and the edit closed.
	void release(EditGuard& gesture);

	CPoint offset;
	EditGuard clickEdit;
	EditGuard keyEdit;
};

} // namespace Kavrin
