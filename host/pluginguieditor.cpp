#include "host/pluginguieditor.h"

#include "lib/controls/ccontrol.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/platformtypes.h"

#include <utility>

namespace Kavrin {

namespace {

// Calls the function for every control with the tag below the container.
template <typename Func>
void forEachControlWithTag(CViewContainer* container, int32 tag, Func&& func)
{
	for (uint32 i = 0; i < container->getNbViews(); ++i)
	{
		CView* view = container->getView(i);
		if (auto control = dynamic_cast<CControl*>(view); control && control->getTag() == tag)
			func(control);
		else if (auto child = view ? view->toViewContainer() : nullptr)
			forEachControlWithTag(child, tag, func);
	}
}

} // namespace

PluginGUIEditor::PluginGUIEditor(const ERect& size, void* owner) : rect(size), owner(owner) {}

PluginGUIEditor::~PluginGUIEditor() noexcept
{
	close();
}

CView* PluginGUIEditor::getFrame() const
{
	return frame;
}

void PluginGUIEditor::dispose()
{
	delete this;
}

bool PluginGUIEditor::open(void* parent)
{
	if (frame || !parent)
		return false;
	frame = new CFrame(CRect(0, 0, rect.right - rect.left, rect.bottom - rect.top), this);
	if (!frame->open(parent, kX11Window))
	{
		frame->forget();
		frame = nullptr;
		return false;
	}
	return true;
}

void PluginGUIEditor::close()
{
	// Closing releases the frame; a control's closing edit may still reach
	// this editor meanwhile.
	if (CFrame* closing = std::exchange(frame, nullptr))
		closing->close();
}

void PluginGUIEditor::setParameter(int32 tag, float value)
{
	if (!frame)
		return;
	forEachControlWithTag(frame, tag, [value](CControl* control) {
		control->setValue(value);
		if (control->isDirty())
			control->invalid();
	});
}

void PluginGUIEditor::beginEdit(int32 tag)
{
	if (host)
		host->beginEdit(tag);
}

void PluginGUIEditor::endEdit(int32 tag)
{
	if (host)
		host->endEdit(tag);
}

bool PluginGUIEditor::approveSizeChange(const CRect& newSize, const CRect&)
{
	if (host && !host->requestResize(int32(newSize.getWidth()), int32(newSize.getHeight())))
		return false;
	rect.right = int16(rect.left + newSize.getWidth());
	rect.bottom = int16(rect.top + newSize.getHeight());
	return true;
}

void PluginGUIEditor::valueChanged(CControl* control)
{
	if (host)
		host->parameterChanged(control->getTag(), control->getValue());
}

} // namespace Kavrin
