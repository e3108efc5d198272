#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/dragging.h"
#include "lib/moxkeycode.h"

namespace Kavrin {

class CDrawContext;

// What a platform frame tells the toolkit's frame. Points are in frame
// coordinates (y down), before the frame's zoom.
class IPlatformFrameCallback
{
public:
	virtual void platformDrawRect(CDrawContext* context, const CRect& rect) = 0;
	virtual CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) = 0;
	virtual CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) = 0;
	virtual CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) = 0;
	virtual CMouseEventResult platformOnMouseExited(CPoint& where, const CButtonState& buttons) = 0;
	// One call per axis with a non-zero delta, X first.
	virtual bool platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis,
	                                  const float& distance, const CButtonState& buttons) = 0;
	virtual DragOperation platformOnDragEnter(DragEventData data) = 0;
	virtual DragOperation platformOnDragMove(DragEventData data) = 0;
	virtual bool platformOnDragLeave(DragEventData data) = 0;
	virtual bool platformOnDrop(DragEventData data) = 0;
	// True when the toolkit used the key; otherwise it travels on.
	virtual bool platformOnKeyDown(MoxKeyCode& keyCode) = 0;
	virtual bool platformOnKeyUp(MoxKeyCode& keyCode) = 0;
	virtual void platformOnActivate(bool state) = 0;
	virtual void platformOnWindowActivate(bool state) = 0;
	virtual void platformOnDeminiaturize() = 0;
	virtual void platformScaleFactorChanged(double newScaleFactor) = 0;

protected:
	~IPlatformFrameCallback() noexcept = default;
};

} // namespace Kavrin
