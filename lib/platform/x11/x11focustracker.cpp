#include "lib/platform/x11/x11focustracker.h"

namespace Kavrin {

bool X11FocusTracker::focusEvent(bool focusIn, uint8 detail, uint8 mode)
{
	if (mode == kGrab || mode == kUngrab || detail > kNonlinearVirtual)
		return false;
	// Focus moving from the window into one of its descendants stays inside.
	bool nowInside = focusIn || detail == kInferior;
	if (nowInside == inside)
		return false;
	inside = nowInside;
	return true;
}

bool X11MapTracker::mapEvent(bool mapped)
{
	if (!mapped)
	{
		unmapped = true;
		return false;
	}
	bool comesBack = unmapped;
	unmapped = false;
	return comesBack;
}

} // namespace Kavrin
