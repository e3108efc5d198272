#include "examples/demo/labels.h"

#include <cmath>
#include <cstdio>

namespace Kavrin::Demo {

Label::Label(const CRect& size, std::string text, CFontRef font, CColor color, CHoriTxtAlign align)
: CView(size), text(std::move(text)), font(font), color(color), align(align)
{
	setMouseEnabled(false);
}

void Label::setText(std::string newText)
{
	if (newText == text)
		return;
	text = std::move(newText);
	invalid();
}

void Label::draw(CDrawContext* context)
{
	context->setFont(font);
	context->setFontColor(color);
	context->drawString(text.c_str(), getViewSize(), align);
	setDirty(false);
}

ValueLabel::ValueLabel(const CRect& size, CControl* control, Format format)
: Label(size, format(*control), kNormalFontSmall, CColor(230, 230, 235), kCenterText), control(control),
  format(std::move(format))
{
	control->registerControlListener(this);
}

ValueLabel::~ValueLabel() noexcept
{
	control->unregisterControlListener(this);
}

bool ValueLabel::attached(CView* parent)
{
	setText(format(*control));
	return Label::attached(parent);
}

void ValueLabel::valueChanged(CControl* changed)
{
	setText(format(*changed));
}

std::string ValueLabel::percent(const CControl& control)
{
	char text[16];
	std::snprintf(text, sizeof(text), "%d %%", int(std::lround(control.getValueNormalized() * 100.f)));
	return text;
}

ActionButton::ActionButton(const CRect& size, std::string title, std::function<void()> action)
: CView(size), title(std::move(title)), action(std::move(action))
{
}

void ActionButton::setTitle(std::string newTitle)
{
	if (newTitle == title)
		return;
	title = std::move(newTitle);
	invalid();
}

void ActionButton::draw(CDrawContext* context)
{
	auto path = owned(context->createRoundRectGraphicsPath(getViewSize(), 5.));
	context->setDrawMode(kAntiAliasing);
	context->setFillColor(pressed ? CColor(70, 110, 170) : CColor(52, 57, 72));
	if (path)
		context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	context->setFont(kNormalFont);
	context->setFontColor(kWhiteCColor);
	context->drawString(title.c_str(), getViewSize(), kCenterText);
	setDirty(false);
}

CMouseEventResult ActionButton::onMouseDown(CPoint&, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	setPressed(true);
	return kMouseHandled;
}

CMouseEventResult ActionButton::onMouseMoved(CPoint& where, const CButtonState&)
{
	setPressed(getViewSize().pointInside(where));
	return kMouseHandled;
}

CMouseEventResult ActionButton::onMouseUp(CPoint& where, const CButtonState&)
{
	setPressed(false);
	// The action may rebuild the page: a copy runs, and nothing of this
	// view is used after it.
	if (getViewSize().pointInside(where) && action)
	{
		auto run = action;
		run();
	}
	return kMouseHandled;
}

void ActionButton::setPressed(bool state)
{
	if (state == pressed)
		return;
	pressed = state;
	invalid();
}

} // namespace Kavrin::Demo
