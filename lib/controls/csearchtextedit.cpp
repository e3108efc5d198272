#include "lib/controls/csearchtextedit.h"

#include "lib/cdrawcontext.h"

#include <cmath>

namespace Kavrin {

CSearchTextEdit::CSearchTextEdit(const CRect& size, IControlListener* listener, int32 tag, const char* txt,
                                 CBitmap* background, int32 style)
: CTextEdit(size, listener, tag, txt, background, style)
{
	placeholderString = "Search";
}

CSearchTextEdit::CSearchTextEdit(const CSearchTextEdit& other)
: CTextEdit(other), clearMarkInset(other.clearMarkInset)
{
}

CSearchTextEdit::~CSearchTextEdit() noexcept = default;

CView* CSearchTextEdit::cloneView() const
{
	return new CSearchTextEdit(*this);
}

void CSearchTextEdit::setClearMarkInset(CPoint inset)
{
	setAndInvalidate(clearMarkInset, inset);
}

CRect CSearchTextEdit::getClearMarkRect() const
{
	CRect r = getViewSize();
	const double side = r.getHeight();
	if (horiTxtAlign == kRightText)
		r.right = r.left + side;
	else
		r.left = r.right - side;
	r.inset(clearMarkInset.x, clearMarkInset.y);
	return r;
}

CRect CSearchTextEdit::getTextRect() const
{
	CRect r = getViewSize();
	const CRect mark = getClearMarkRect();
	if (horiTxtAlign == kRightText)
		r.left = mark.right + clearMarkInset.x;
	else
		r.right = mark.left - clearMarkInset.x;
	return r;
}

CRect CSearchTextEdit::platformGetSize() const
{
	return toFrameRect(getTextRect());
}

CRect CSearchTextEdit::platformGetVisibleSize() const
{
	return toFrameRect(getTextRect().bound(getVisibleViewSize()));
}

void CSearchTextEdit::platformTextDidChange()
{
	invalidRect(getClearMarkRect());
	CTextEdit::platformTextDidChange();
}

CMouseEventResult CSearchTextEdit::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	const CRect mark = getClearMarkRect();
	// Left and top edges in, right and bottom out.
	const bool onMark = where.x >= mark.left && where.y >= mark.top && where.x < mark.right && where.y < mark.bottom;
	if ((buttons.getButtonState() & kMouseButtonMask) != kLeftButton || !onMark || getCurrentText().empty())
		return CTextEdit::onMouseDown(where, buttons);
	SharedPointer<CSearchTextEdit> keepAlive = this;
	EditGuard edit(this);
	setText("");
	if (edit.isOpen())
		valueChanged();
	return kMouseDownHandledNoMoveOrUp;
}

void CSearchTextEdit::drawClearMark(CDrawContext* context)
{
	if (getCurrentText().empty())
		return;
	CRect r = getClearMarkRect();
	CColor circle = fontColor;
	circle.alpha = uint8(circle.alpha / 2);
	double hue = 0.;
	double saturation = 0.;
	double brightness = 0.;
	circle.toHSV(hue, saturation, brightness);
	CColor cross = circle;
	cross.fromHSV(hue, saturation, 1. - brightness);

	context->setDrawMode(kAntiAliasing);
	context->setFillColor(circle);
	context->drawEllipse(r, kDrawFilled);
	const double shrink = r.getWidth() / (2. * M_PI) + 1.;
	r.inset(shrink, shrink);
	context->setFrameColor(cross);
	context->setLineWidth(2.);
	context->setLineStyle(kLineSolid);
	context->drawLine({r.getTopLeft(), r.getBottomRight()});
	context->drawLine({r.getBottomLeft(), r.getTopRight()});
}

void CSearchTextEdit::draw(CDrawContext* context)
{
	if (style & kNoDrawStyle)
	{
		setDirty(false);
		return;
	}
	drawBack(context, nullptr);
	drawClearMark(context);
	if (!platformTextEdit)
	{
		context->setDrawMode(kAntiAliasing);
		if (!text.empty())
			drawPlatformText(context, (secureStyle ? getBullets() : text).getPlatformString(), getTextRect());
		else if (!placeholderString.empty())
		{
			const CColor textColor = fontColor;
			fontColor.alpha = uint8(fontColor.alpha / 2);
			drawPlatformText(context, placeholderString.getPlatformString(), getTextRect());
			fontColor = textColor;
		}
	}
	setDirty(false);
}

} // namespace Kavrin
