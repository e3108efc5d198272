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

} // namespace Kavrin::Demo
