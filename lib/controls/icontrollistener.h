#pragma once

#include "lib/cbuttonstate.h"

namespace Kavrin {

class CControl;

// The receiver of a control's value changes and edit brackets (typically the
// plug-in's editor). Not owned by the control.
class IControlListener
{
public:
	virtual ~IControlListener() noexcept = default;

	virtual void valueChanged(CControl* control) = 0;
	// Asked before a press with the right button, a modifier or a higher bit
	// reaches the control; non-zero consumes the press.
	virtual int32 controlClickedWithModifiers(CControl*, CButtonState) { return 0; }
	virtual void controlBeginEdit(CControl*) {}
	virtual void controlEndEdit(CControl*) {}
	virtual void controlTagWillChange(CControl*) {}
	virtual void controlTagDidChange(CControl*) {}
};

} // namespace Kavrin
