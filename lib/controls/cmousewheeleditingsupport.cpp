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
