#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

int32 DemoEditor::addParameter(std::string name)
{
	parameterNames.push_back(std::move(name));
	return int32(parameterNames.size()) - 1;
}

std::string DemoEditor::getParameterName(int32 tag) const
{
	return tag >= 0 && size_t(tag) < parameterNames.size() ? parameterNames[size_t(tag)] : std::string();
}

void DemoEditor::beginEdit(int32 tag)
{
	if (onEdit)
		onEdit(tag, true);
}

void DemoEditor::endEdit(int32 tag)
{
	if (onEdit)
		onEdit(tag, false);
}

ModeSwitch::ModeSwitch(const CRect& size, DemoEditor& editor) : CView(size), editor(editor)
{
	setTooltipText("Every knob of a frame drags in the mode its editor chooses.");
}

void ModeSwitch::draw(CDrawContext* context)
{
	const bool linear = editor.getKnobMode() == DemoEditor::kLinearMode;
	CRect box = getViewSize();
	auto path = owned(context->createRoundRectGraphicsPath(box, 6.));
	context->setDrawMode(kAntiAliasing);
	context->setFillColor(linear ? CColor(70, 130, 90) : CColor(50, 80, 130));
	if (path)
		context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	context->setFont(kNormalFont);
	context->setFontColor(kWhiteCColor);
	context->drawString(linear ? "Knob mode: linear" : "Knob mode: circular", box, kCenterText);
	setDirty(false);
}

CMouseEventResult ModeSwitch::onMouseDown(CPoint&, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	const bool linear = editor.getKnobMode() == DemoEditor::kLinearMode;
	editor.setKnobMode(linear ? DemoEditor::kCircularMode : DemoEditor::kLinearMode);
	invalid();
	return kMouseDownHandledNoMoveOrUp;
}

} // namespace Kavrin::Demo
