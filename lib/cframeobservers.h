#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/moxkeycode.h"

namespace Kavrin {

class CFrame;
class CView;

// Sees every key before the focus view; hooks are asked last registered
// first. -1 means not handled.
class IKeyboardHook
{
public:
	virtual ~IKeyboardHook() noexcept = default;
	virtual int32 onKeyDown(const MoxKeyCode& code, CFrame* frame) = 0;
	virtual int32 onKeyUp(const MoxKeyCode& code, CFrame* frame) = 0;
};

// Sees the frame's mouse events before the views, in registration order.
// Points are in frame coordinates.
class IMouseObserver
{
public:
	virtual ~IMouseObserver() noexcept = default;
	virtual void onMouseEntered(CView* view, CFrame* frame) = 0;
	virtual void onMouseExited(CView* view, CFrame* frame) = 0;
	virtual CMouseEventResult onMouseMoved(CFrame* frame, const CPoint& where,
	                                       const CButtonState& buttons) = 0;
	virtual CMouseEventResult onMouseDown(CFrame* frame, const CPoint& where,
	                                      const CButtonState& buttons) = 0;
};

class IFocusViewObserver
{
public:
	virtual ~IFocusViewObserver() noexcept = default;
	virtual void onFocusViewChanged(CFrame* frame, CView* newFocusView, CView* oldFocusView) = 0;
};

class IScaleFactorChangedListener
{
public:
	virtual ~IScaleFactorChangedListener() noexcept = default;
	virtual void onScaleFactorChanged(CFrame* frame, double newScaleFactor) = 0;
};

class IViewAddedRemovedObserver
{
public:
	virtual ~IViewAddedRemovedObserver() noexcept = default;
	virtual void onViewAdded(CFrame* frame, CView* view) = 0;
	virtual void onViewRemoved(CFrame* frame, CView* view) = 0;
};

} // namespace Kavrin
