#pragma once

#include "lib/ckavrintimer.h"
#include "lib/reference.h"

namespace Kavrin {

class CControl;

// Brackets mouse-wheel changes in one edit that ends after a pause: each
// wheel step pushes the end 500 ms further.
class CMouseWheelEditingSupport
{
protected:
	// Opens the edit on the first step and restarts the pause.
	void onMouseWheelEditing(CControl* control);
	// Ends a pending wheel edit at once (a press starts, the control goes).
	void invalidMouseWheelEditTimer(CControl* control);

private:
	SharedPointer<CKavrinTimer> wheelEditTimer;
};

} // namespace Kavrin
