#pragma once

#include "lib/ckavrintimer.h"
#include "lib/controls/ccontrol.h"
#include "lib/reference.h"

namespace Kavrin {

// Brackets mouse-wheel changes in one edit that ends after a pause: each
// wheel step pushes the end 500 ms further.
class CMouseWheelEditingSupport
{
protected:
	// Opens the edit on the first step and restarts the pause. False when
	// the edit is not open: a listener closed it as it began (the control
	// left the tree), and the step should change nothing.
	bool onMouseWheelEditing(CControl* control);
	// One wheel step inside the wheel edit: the normalized value moves by
	// distance wheel increments (a tenth of that with the zoom modifier).
	// Always true: the turn is taken even when the edit closed at once (the
	// control has left), and then the value stays.
	bool stepByWheel(CControl* control, float distance, const CButtonState& buttons);
	// Ends a pending wheel edit at once (a press starts, the control goes).
	void invalidMouseWheelEditTimer(CControl* control);

private:
	SharedPointer<CKavrinTimer> wheelEditTimer;
	CControl::EditGuard wheelEdit;
};

} // namespace Kavrin
