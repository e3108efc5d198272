#pragma once

#include "lib/cbaseobject.h"
#include "lib/cpoint.h"

namespace Kavrin {

class CFrame;
class CKavrinTimer;
class CView;

// The frame's tooltip controller: shows the tooltip text stored on the view
// under the mouse after a delay and hides it when the mouse moves away.
// Driven by the frame's mouse events and one timer. The frame is not owned;
// the current view is held by reference.
class CTooltipSupport : public CBaseObject
{
public:
	enum State : int32
	{
		kHidden = 0,
		kVisible = 1,     // shown and settled
		kHiding = 2,      // shown; hides when the 200 ms phase ends
		kPending = 3,     // waiting for the delay (or 50 ms) before showing
		kJustShown = 4,   // appeared less than 100 ms ago; moves are ignored
	};

	CTooltipSupport(CFrame* frame, uint32 delay = 1000);
	~CTooltipSupport() noexcept override;

	void onMouseEntered(CView* view);
	void onMouseExited(CView* view);
	void onMouseMoved(const CPoint& where);
	void onMouseDown(const CPoint& where);
	void hideTooltip();

	State getState() const { return state; }
	CView* getCurrentView() const;

	NotifyResult notify(CBaseObject* sender, const char* message) override;
	void beforeDelete() override;

private:
	// Sets the timer's period and makes sure it runs.
	void startPhase(uint32 milliseconds);
	// Stops the timer, hides the platform tooltip, back to the delay.
	void reset();
	bool showTooltip();

	SharedPointer<CKavrinTimer> timer;
	CFrame* frame;
	SharedPointer<CView> currentView;
	uint32 delay;
	State state {kHidden};
	CPoint lastMouseMove;
};

} // namespace Kavrin
