#include "lib/controls/cmousewheeleditingsupport.h"

#include "lib/controls/ccontrol.h"

namespace Kavrin {

namespace {

constexpr uint32 kWheelEditPause = 500; // milliseconds

} // namespace

bool CMouseWheelEditingSupport::onMouseWheelEditing(CControl* control)
{
	if (!wheelEdit.isOpen() && !wheelEdit.open(control))
	{
		wheelEditTimer = nullptr;
		return false;
	}
	// The new timer replaces the pending one, which stops as it goes.
	wheelEditTimer = makeOwned<CKavrinTimer>(
	    [this, control](CKavrinTimer* timer) {
		    // Nothing else holds the control here, and a listener may remove
		    // and release it when the edit ends.
		    SharedPointer<CControl> keepAlive = control;
		    timer->stop();
		    wheelEdit.close();
	    },
	    kWheelEditPause);
	return true;
}

bool CMouseWheelEditingSupport::stepByWheel(CControl* control, float distance, const CButtonState& buttons)
{
	if (!onMouseWheelEditing(control))
		return true;
	const float fine = (buttons.getButtonState() & uint32(CControl::kZoomModifier)) ? 0.1f : 1.f;
	control->setValueNormalized(control->getValueNormalized() + distance * fine * control->getWheelInc());
	if (control->isDirty())
	{
		control->invalid();
		control->valueChanged();
	}
	return true;
}

void CMouseWheelEditingSupport::invalidMouseWheelEditTimer(CControl*)
{
	wheelEditTimer = nullptr;
	wheelEdit.close();
}

} // namespace Kavrin
