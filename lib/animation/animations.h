#pragma once

#include "lib/animation/ianimationtarget.h"
#include "lib/cbaseobject.h"
#include "lib/crect.h"

namespace Kavrin {

class CView;
class CViewContainer;

namespace Animation {

// The ready-made targets. Each is reference counted: the animation that runs
// it releases it at its end. A tick whose position is not a finite number
// changes nothing; a position may otherwise overshoot 0 or 1, and the values
// follow it.

// Fades the view from the alpha value it has when the animation starts to
// endValue. At a natural end the view gets endValue exactly; when canceled it
// keeps the value of the last tick unless forceEndValueOnFinish.
class AlphaValueAnimation : public IAnimationTarget, public CBaseObject
{
public:
	AlphaValueAnimation(float endValue, bool forceEndValueOnFinish);

	void animationStart(CView* view, const char* name) override;
	void animationTick(CView* view, const char* name, float pos) override;
	void animationFinished(CView* view, const char* name, bool wasCanceled) override;

private:
	float startValue {1.f};
	float endValue;
	bool forceEndValueOnFinish;
};

// Moves and resizes the view from its size when the animation starts to
// newRect (in the parent's coordinates). Intermediate edges are truncated
// toward zero to whole units; the mouseable area follows the view.
class ViewSizeAnimation : public IAnimationTarget, public CBaseObject
{
public:
	ViewSizeAnimation(const CRect& newRect, bool forceEndValueOnFinish);

	void animationStart(CView* view, const char* name) override;
	void animationTick(CView* view, const char* name, float pos) override;
	void animationFinished(CView* view, const char* name, bool wasCanceled) override;

private:
	CRect startRect;
	CRect newRect;
	bool forceEndValueOnFinish;
};

// Runs a control's value from the one it has when the animation starts to
// endValue (the control clamps it to its range). A view that is not a
// control is left alone.
class ControlValueAnimation : public IAnimationTarget, public CBaseObject
{
public:
	ControlValueAnimation(float endValue, bool forceEndValueOnFinish);

	void animationStart(CView* view, const char* name) override;
	void animationTick(CView* view, const char* name, float pos) override;
	void animationFinished(CView* view, const char* name, bool wasCanceled) override;

private:
	float startValue {0.f};
	float endValue;
	bool forceEndValueOnFinish;
};

// Puts newView in oldView's place: newView joins oldView's container at
// once, comes in as the style says, and at the end (natural or canceled)
// stands in its final place while oldView leaves the container. The view
// the animation runs on is not used; both views are retained.
//
// oldView must be attached (in a container) and newView must not be. A
// newView that is in no container is handed over with its creator's
// reference, as to CViewContainer::addView: the container takes it, or this
// animation when the exchange cannot take place. An exchange that cannot
// take place moves and removes nothing.
class ExchangeViewAnimation : public IAnimationTarget, public CBaseObject
{
public:
	enum AnimationStyle
	{
		kAlphaValueFade = 0,
		kPushInFromLeft,
		kPushInFromRight,
		kPushInFromTop,
		kPushInFromBottom,
		kPushInOutFromLeft,
		kPushInOutFromRight,
	};

	ExchangeViewAnimation(CView* oldView, CView* newView, AnimationStyle style);
	~ExchangeViewAnimation() noexcept override;

	void animationStart(CView* view, const char* name) override;
	void animationTick(CView* view, const char* name, float pos) override;
	void animationFinished(CView* view, const char* name, bool wasCanceled) override;

	// Moves the view to rect (parent's coordinates) with its mouseable area,
	// invalidating where it was and where it is now.
	static void updateViewSize(CView* view, const CRect& rect);

private:
	bool setUp(CView* oldView, CView* newView);
	void init();
	bool isOldViewInPlace() const;
	void moveTo(float pos);
	CRect newViewRectAt(float pos) const;
	void removeOldView();

	SharedPointer<CView> newView;
	SharedPointer<CView> oldView;
	AnimationStyle style;
	CRect destinationRect;
	float newViewAlphaValueEnd {1.f};
	float oldViewAlphaValueStart {1.f};
	// Where the exchange takes place, until its end; null when it cannot
	// take place. oldView is moved and removed only while it is still in
	// this container: a listener may have removed it or moved it elsewhere.
	SharedPointer<CViewContainer> container;
};

} // namespace Animation
} // namespace Kavrin
