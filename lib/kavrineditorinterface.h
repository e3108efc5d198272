#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/crect.h"

namespace Kavrin {

// The plug-in editor's side of a frame, implemented by plug-in code. Every
// operation has a neutral default: no knob-mode preference, no veto on size
// changes and no handling of presses the view tree left unhandled.
class KavrinEditorInterface
{
public:
	virtual ~KavrinEditorInterface() noexcept = default;

	// Not called by the toolkit; keeps the operations below in their places.
	virtual void reserved() {}
	// -1: no preference.
	virtual int32 getKnobMode() const { return -1; }
	// The first begin and the last end of a control's edit bracket.
	virtual void beginEdit(int32 /*tag*/) {}
	virtual void endEdit(int32 /*tag*/) {}
	// Presses and releases that no view handled.
	virtual CMouseEventResult onMouseDown(CPoint&, const CButtonState&) { return kMouseNotHandled; }
	virtual CMouseEventResult onMouseUp(CPoint&, const CButtonState&) { return kMouseNotHandled; }
	// False vetoes the frame's size change.
	virtual bool approveSizeChange(const CRect& /*newSize*/, const CRect& /*oldSize*/) { return true; }
};

} // namespace Kavrin
