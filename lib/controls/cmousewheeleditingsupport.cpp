#include "lib/controls/cmousewheeleditingsupport.h"

#include "lib/controls/ccontrol.h"

namespace Kavrin {

namespace {

constexpr uint32 kWheelEditPause = 500; // milliseconds

} // namespace

void CMouseWheelEditingSupport::onMouseWheelEditing(CControl* control)
{
	if (!control->isEditing())
		control->beginEdit();
	// The new timer replaces the pending one, which stops as it goes.
	wheelEditTimer = makeOwned<CKavrinTimer>(
	    [control](CKavrinTimer* timer) {
		    // Nothing else holds the control here, and a listener may remove
		    // and release it when the edit ends.
		    SharedPointer<CControl> keepAlive = control;
		    timer->stop();
		    control->endEdit();
	    },
	    kWheelEditPause);
}

void CMouseWheelEditingSupport::invalidMouseWheelEditTimer(CControl* control)
{
	wheelEditTimer = nullptr;
	if (control->isEditing())
		control->endEdit();
}

} // namespace Kavrin
