#include "lib/controls/cbuttons.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/moxkeycode.h"
#include "lib/platform/iplatformfont.h"

#include <cmath>

namespace Kavrin {

namespace {

bool isPlainReturn(const MoxKeyCode& keyCode)
{
	return keyCode.virt == kVKeyReturn && keyCode.modifier == 0;
}

// Inside the view, its right and bottom edges included.
bool onOrInside(const CRect& size, const CPoint& where)
{
	return where.x >= size.left && where.x <= size.right && where.y >= size.top && where.y <= size.bottom;
}

} // namespace

// ---- COnOffButton ----

COnOffButton::COnOffButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                           int32 style)
: CControl(size, listener, tag, background), style(style)
{
	setWantsFocus(true);
}

COnOffButton::COnOffButton(const COnOffButton& other) : CControl(other), style(other.style) {}

COnOffButton::~COnOffButton() noexcept = default;

CView* COnOffButton::cloneView() const
{
	return new COnOffButton(*this);
}

int32 COnOffButton::getStyle() const
{
	return style;
}

void COnOffButton::setStyle(int32 newStyle)
{
	style = newStyle;
}

void COnOffButton::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
	{
		const double y = value == getMax() ? background->getHeight() * 0.5 : 0.;
		background->draw(context, getViewSize(), CPoint(0., y), 1.f);
	}
	setDirty(false);
}

bool COnOffButton::sizeToFit()
{
	CBitmap* background = getBackground();
	return background && sizeToBackground(background->getHeight() * 0.5);
}

void COnOffButton::toggle()
{
	value = value == getMax() ? getMin() : getMax();
	invalid();
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	// A listener that closed the edit as it began took the button away.
	return clickEdit.open(this) ? kMouseHandled : kMouseDownHandledNoMoveOrUp;
}

CMouseEventResult COnOffButton::onMouseMoved(CPoint&, const CButtonState&)
{
	return kMouseHandled;
}

CMouseEventResult COnOffButton::onMouseUp(CPoint& where, const CButtonState&)
{
	if (clickEdit.isOpen() && getViewSize().pointInside(where))
	{
		toggle();
		valueChanged();
	}
	clickEdit.close();
	return kMouseHandled;
}

CMouseEventResult COnOffButton::onMouseCancel()
{
	clickEdit.close();
	return kMouseHandled;
}

int32 COnOffButton::onKeyDown(MoxKeyCode& keyCode)
{
	if (!isPlainReturn(keyCode))
		return -1;
	toggle();
	EditGuard edit(this);
	if (edit.isOpen())
		valueChanged();
	return 1;
}

// ---- CCheckBox ----

CCheckBox::CCheckBox(const CRect& size, IControlListener* listener, int32 tag, const UTF8String& title,
                     CBitmap* background, int32 style)
: CControl(size, listener, tag, background), title(title), style(style), font(kSystemFont)
{
	setTitle(title);
	setBoxFillColor(kWhiteCColor);
	setBoxFrameColor(kBlackCColor);
	setCheckMarkColor(CColor(255, 0, 0, 255));
	setWantsFocus(true);
	if (style & kAutoSizeToFit)
		sizeToFit();
}

CCheckBox::CCheckBox(const CCheckBox& other)
: CControl(other), title(other.title), style(other.style), fontColor(other.fontColor),
  boxFrameColor(other.boxFrameColor), boxFillColor(other.boxFillColor), checkMarkColor(other.checkMarkColor),
  frameWidth(other.frameWidth), roundRectRadius(other.roundRectRadius), font(other.font)
{
}

CCheckBox::~CCheckBox() noexcept = default;

CView* CCheckBox::cloneView() const
{
	return new CCheckBox(*this);
}

void CCheckBox::fitWhenAutoSized()
{
	if (style & kAutoSizeToFit)
		sizeToFit();
}

void CCheckBox::setTitle(const UTF8String& newTitle)
{
	title = newTitle;
	fitWhenAutoSized();
	invalid();
}

void CCheckBox::setFont(CFontDesc* newFont)
{
	if (!newFont)
		return;
	font = newFont;
	fitWhenAutoSized();
	invalid();
}

void CCheckBox::setFontColor(CColor color)
{
	setAndInvalidate(fontColor, color);
}

void CCheckBox::setBoxFrameColor(CColor color)
{
	setAndInvalidate(boxFrameColor, color);
}

void CCheckBox::setBoxFillColor(CColor color)
{
	setAndInvalidate(boxFillColor, color);
}

void CCheckBox::setCheckMarkColor(CColor color)
{
	setAndInvalidate(checkMarkColor, color);
}

int32 CCheckBox::getStyle() const
{
	return style;
}

void CCheckBox::setStyle(int32 newStyle)
{
	if (style == newStyle)
		return;
	style = newStyle;
	fitWhenAutoSized();
	invalid();
}

void CCheckBox::setFrameWidth(double width)
{
	setAndInvalidate(frameWidth, width);
}

void CCheckBox::setRoundRectRadius(double radius)
{
	setAndInvalidate(roundRectRadius, radius);
}

void CCheckBox::setBackground(CBitmap* background)
{
	CControl::setBackground(background);
	fitWhenAutoSized();
}

// The box is as tall as the title's capitals, with a margin.
CRect CCheckBox::getCheckBoxRect() const
{
	const CRect& size = getViewSize();
	if (CBitmap* background = getDrawBackground())
		return CRect(size.left, size.top, size.left + background->getWidth(),
		             size.top + background->getHeight() / 6.);
	double height = font->getSize();
	if (IPlatformFont* platformFont = font->getPlatformFont())
	{
		if (platformFont->getCapHeight() > 0.)
			height = platformFont->getCapHeight();
		else if (platformFont->getAscent() > 0.)
			height = platformFont->getAscent();
	}
	const double side = std::floor(height + 2.5);
	const double top = size.top + std::ceil((size.getHeight() - side) * 0.5);
	return CRect(size.left + 1., top, size.left + 1. + side, top + side);
}

bool CCheckBox::sizeToFit()
{
	const IFontPainter* painter = font->getFontPainter();
	if (title.empty() || !painter)
		return false;
	CBitmap* background = getBackground();
	CRect size = getViewSize();
	const double boxWidth = background ? background->getWidth() : size.getHeight();
	size.setWidth(boxWidth + 5. + painter->getStringWidth(nullptr, title.getPlatformString(), true));
	if (background)
		size.setHeight(background->getHeight() / 6.);
	setViewSize(size, true);
	setMouseableArea(size);
	return true;
}

void CCheckBox::draw(CDrawContext* context)
{
	const CRect box = getCheckBoxRect();
	if (CBitmap* background = getDrawBackground())
	{
		const double frameHeight = background->getHeight() / 6.;
		const float normalized = getValueNormalized();
		double y = normalized < 0.5f ? 0. : normalized == 0.5f ? frameHeight : 2. * frameHeight;
		if (hilight)
			y += background->getHeight() / 2.;
		background->draw(context, box, CPoint(0., y), 1.f);
	}
	else
	{
		drawBox(context, box);
		drawMark(context, box);
	}
	drawTitle(context, box);
	setDirty(false);
}

namespace {

// A rounded rect when the context makes paths, else a plain one.
void drawOutline(CDrawContext* context, const CRect& rect, double radius, bool filled)
{
	if (auto path = owned(context->createRoundRectGraphicsPath(rect, radius)))
	{
		if (filled)
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		context->drawGraphicsPath(path, CDrawContext::kPathStroked);
	}
	else
		context->drawRect(rect, filled ? kDrawFilledAndStroked : kDrawStroked);
}

} // namespace

void CCheckBox::drawBox(CDrawContext* context, const CRect& box) const
{
	const double lineWidth = frameWidth < 0. ? context->getHairlineSize() : frameWidth;
	context->setLineWidth(lineWidth);
	context->setLineStyle(kLineSolid);
	context->setDrawMode(kAntiAliasing);
	context->setFrameColor(boxFrameColor);
	context->setFillColor(boxFillColor);
	drawOutline(context, box, roundRectRadius, true);
	if (hilight)
	{
		CColor faint = boxFrameColor;
		faint.alpha = uint8(faint.alpha >> 1);
		context->setFrameColor(faint);
		CRect inner = box;
		inner.inset(lineWidth, lineWidth);
		drawOutline(context, inner, roundRectRadius, false);
	}
}

void CCheckBox::drawMark(CDrawContext* context, const CRect& box) const
{
	const float normalized = getValueNormalized();
	if (!(normalized >= 0.5f))
		return;
	context->setDrawMode(kAntiAliasing);
	context->setFrameColor(checkMarkColor);
	context->setLineWidth(2.);
	if (normalized == 0.5f)
	{
		const double middle = box.top + box.getHeight() / 2.;
		context->drawLine({CPoint(box.left + 2., middle), CPoint(box.right - 2., middle)});
		return;
	}
	if (style & kDrawCrossBox)
	{
		context->drawLine({CPoint(box.left + 2., box.top + 2.), CPoint(box.right - 2., box.bottom - 2.)});
		context->drawLine({CPoint(box.left + 2., box.bottom - 2.), CPoint(box.right - 2., box.top + 2.)});
		return;
	}
	const CPoint start(box.left + 2., box.top + box.getHeight() / 2.);
	const CPoint bottom(box.left + box.getWidth() / 2., box.bottom - 2.);
	const CPoint end(box.right + 1., box.top - 1.);
	if (auto path = owned(context->createGraphicsPath()))
	{
		path->beginSubpath(start);
		path->addLine(bottom);
		path->addLine(end);
		context->drawGraphicsPath(path, CDrawContext::kPathStroked);
	}
	else
	{
		context->drawLine({start, bottom});
		context->drawLine({bottom, end});
	}
}

void CCheckBox::drawTitle(CDrawContext* context, const CRect& box) const
{
	if (title.empty())
		return;
	context->setFont(font, 0., -1);
	context->setFontColor(fontColor);
	context->setDrawMode(kAntiAliasing);
	context->drawString(title.getPlatformString(), CPoint(box.right + 5., box.bottom - 1.), true);
}

bool CCheckBox::getFocusPath(CGraphicsPath& outPath)
{
	if (!wantsFocus())
		return true;
	const double width = getFrame() ? getFrame()->getFocusWidth() : 2.;
	CRect box = getCheckBoxRect();
	outPath.addRoundRect(box, roundRectRadius);
	box.extend(width, width);
	outPath.addRoundRect(box, roundRectRadius);
	return true;
}

void CCheckBox::setHilight(bool state)
{
	if (hilight == state)
		return;
	hilight = state;
	invalid();
}

void CCheckBox::toggle()
{
	value = value < getMax() ? getMax() : getMin();
	invalid();
}

CMouseEventResult CCheckBox::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	// Any other button or a modifier takes the press and does nothing.
	if (buttons != kLeftButton || !clickEdit.open(this))
		return kMouseDownHandledNoMoveOrUp;
	previousValue = value;
	return onMouseMoved(where, buttons);
}

CMouseEventResult CCheckBox::onMouseMoved(CPoint& where, const CButtonState&)
{
	if (!clickEdit.isOpen())
		return kMouseNotHandled;
	setHilight(getViewSize().pointInside(where));
	return kMouseHandled;
}

CMouseEventResult CCheckBox::onMouseUp(CPoint& where, const CButtonState&)
{
	setHilight(false);
	if (clickEdit.isOpen())
	{
		if (getViewSize().pointInside(where))
			value = previousValue < getMax() ? getMax() : getMin();
		else
			value = previousValue;
		if (isDirty())
		{
			valueChanged();
			invalid();
		}
	}
	clickEdit.close();
	return kMouseHandled;
}

CMouseEventResult CCheckBox::onMouseCancel()
{
	setHilight(false);
	if (clickEdit.isOpen())
	{
		value = previousValue;
		if (isDirty())
			valueChanged();
		invalid();
	}
	clickEdit.close();
	return kMouseHandled;
}

int32 CCheckBox::onKeyDown(MoxKeyCode& keyCode)
{
	if (!isPlainReturn(keyCode))
		return -1;
	toggle();
	EditGuard edit(this);
	if (edit.isOpen())
		valueChanged();
	return 1;
}

// ---- CKickButton ----

CKickButton::CKickButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                         const CPoint& offset)
: CKickButton(size, listener, tag, size.getHeight(), background, offset)
{
}

CKickButton::CKickButton(const CRect& size, IControlListener* listener, int32 tag, double heightOfOneImage,
                         CBitmap* background, const CPoint& offset)
: CControl(size, listener, tag, background), offset(offset)
{
	this->heightOfOneImage = heightOfOneImage;
	setWantsFocus(true);
}

CKickButton::CKickButton(const CKickButton& other)
: CControl(other), IMultiBitmapControl(other), offset(other.offset)
{
	value = getMin();
}

CKickButton::~CKickButton() noexcept = default;

CView* CKickButton::cloneView() const
{
	return new CKickButton(*this);
}

void CKickButton::setNumSubPixmaps(int32 count)
{
	IMultiBitmapControl::setNumSubPixmaps(count);
	invalid();
}

void CKickButton::draw(CDrawContext* context)
{
	bounceValue();
	if (CBitmap* background = getDrawBackground())
	{
		CPoint where = offset;
		if (value == getMax())
			where.y += getHeightOfOneImage();
		background->draw(context, getViewSize(), where, 1.f);
	}
	setDirty(false);
}

bool CKickButton::sizeToFit()
{
	return sizeToBackground(getHeightOfOneImage());
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	if (!clickEdit.open(this))
		return kMouseDownHandledNoMoveOrUp;
	return onMouseMoved(where, buttons);
}

// Pressed while the pointer is on the button; the listeners hear of it
// only at the release.
CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState&)
{
	if (!clickEdit.isOpen())
		return kMouseNotHandled;
	value = onOrInside(getViewSize(), where) ? getMax() : getMin();
	if (isDirty())
		invalid();
	return kMouseHandled;
}

// Pressed means max whatever the range: a range that does not start at 0
// still reports its kick.
CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&)
{
	if (clickEdit.isOpen())
	{
		if (value == getMax())
			valueChanged();
		release(clickEdit);
	}
	clickEdit.close();
	return kMouseHandled;
}

CMouseEventResult CKickButton::onMouseCancel()
{
	if (clickEdit.isOpen())
	{
		value = getMin();
		if (isDirty())
		{
			valueChanged();
			invalid();
		}
	}
	clickEdit.close();
	return kMouseHandled;
}

void CKickButton::release(EditGuard& gesture)
{
	value = getMin();
	invalid();
	// The listener told of the press may have closed the edit (taken the
	// button away): the button is released all the same, untold.
	if (gesture.isOpen())
		valueChanged();
	gesture.close();
}

int32 CKickButton::onKeyDown(MoxKeyCode& keyCode)
{
	if (!isPlainReturn(keyCode))
		return -1;
	if (value != getMax() && (keyEdit.isOpen() || keyEdit.open(this)))
	{
		value = getMax();
		invalid();
		valueChanged();
	}
	return 1;
}

int32 CKickButton::onKeyUp(MoxKeyCode& keyCode)
{
	if (!isPlainReturn(keyCode))
		return -1;
	if (keyEdit.isOpen())
		release(keyEdit);
	return 1;
}

void CKickButton::looseFocus()
{
	if (keyEdit.isOpen())
		release(keyEdit);
	CControl::looseFocus();
}

bool CKickButton::removed(CView* parent)
{
	if (isAttached() && keyEdit.isOpen())
	{
		SharedPointer<CKickButton> keepAlive = this;
		release(keyEdit);
	}
	return CControl::removed(parent);
}

} // namespace Kavrin
