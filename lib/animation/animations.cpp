#include "lib/animation/animations.h"

#include "lib/assertion.h"
#include "lib/controls/ccontrol.h"
#include "lib/cview.h"
#include "lib/cviewcontainer.h"

#include <cmath>

namespace Kavrin::Animation {
namespace {

// A timing function of the caller's own may answer a position that is no
// number (a length of 0 divides by zero): it would carry NaN or infinity
// into alpha values, control values and coordinates.
bool canApply(CView* view, float pos)
{
	return view && std::isfinite(pos);
}

bool reachesEndValue(bool wasCanceled, bool forceEndValueOnFinish)
{
	return !wasCanceled || forceEndValueOnFinish;
}

float interpolate(float from, float to, float pos)
{
	return from + (to - from) * pos;
}

// Truncated toward zero in floating point: no coordinate, however far a
// position overshoots, is out of range.
CRect interpolateToWholeUnits(const CRect& from, const CRect& to, float pos)
{
	auto edge = [pos](double a, double b) { return std::trunc(a + (b - a) * pos); };
	return {edge(from.left, to.left), edge(from.top, to.top), edge(from.right, to.right),
	        edge(from.bottom, to.bottom)};
}

void resizeIfChanged(CView* view, const CRect& rect)
{
	if (view->getViewSize() != rect)
		ExchangeViewAnimation::updateViewSize(view, rect);
}

} // namespace

// AlphaValueAnimation

AlphaValueAnimation::AlphaValueAnimation(float endValue, bool forceEndValueOnFinish)
: endValue(endValue), forceEndValueOnFinish(forceEndValueOnFinish)
{
}

void AlphaValueAnimation::animationStart(CView* view, const char*)
{
	if (view)
		startValue = view->getAlphaValue();
}

void AlphaValueAnimation::animationTick(CView* view, const char*, float pos)
{
	if (canApply(view, pos))
		view->setAlphaValue(interpolate(startValue, endValue, pos));
}

void AlphaValueAnimation::animationFinished(CView* view, const char*, bool wasCanceled)
{
	if (view && reachesEndValue(wasCanceled, forceEndValueOnFinish))
		view->setAlphaValue(endValue);
}

// ViewSizeAnimation

ViewSizeAnimation::ViewSizeAnimation(const CRect& newRect, bool forceEndValueOnFinish)
: newRect(newRect), forceEndValueOnFinish(forceEndValueOnFinish)
{
}

void ViewSizeAnimation::animationStart(CView* view, const char*)
{
	if (view)
		startRect = view->getViewSize();
}

void ViewSizeAnimation::animationTick(CView* view, const char*, float pos)
{
	if (canApply(view, pos))
		resizeIfChanged(view, interpolateToWholeUnits(startRect, newRect, pos));
}

void ViewSizeAnimation::animationFinished(CView* view, const char*, bool wasCanceled)
{
	if (view && reachesEndValue(wasCanceled, forceEndValueOnFinish))
		resizeIfChanged(view, newRect);
}

// ControlValueAnimation

ControlValueAnimation::ControlValueAnimation(float endValue, bool forceEndValueOnFinish)
: endValue(endValue), forceEndValueOnFinish(forceEndValueOnFinish)
{
}

void ControlValueAnimation::animationStart(CView* view, const char*)
{
	if (auto control = dynamic_cast<CControl*>(view))
		startValue = control->getValue();
}

void ControlValueAnimation::animationTick(CView* view, const char*, float pos)
{
	auto control = dynamic_cast<CControl*>(view);
	if (!control || !canApply(view, pos))
		return;
	control->setValue(interpolate(startValue, endValue, pos));
	if (control->isDirty())
		control->invalid();
}

void ControlValueAnimation::animationFinished(CView* view, const char*, bool wasCanceled)
{
	auto control = dynamic_cast<CControl*>(view);
	if (control && reachesEndValue(wasCanceled, forceEndValueOnFinish))
		control->setValue(endValue);
}

// ExchangeViewAnimation

ExchangeViewAnimation::ExchangeViewAnimation(CView* oldView, CView* newView, AnimationStyle style)
: newView(newView), oldView(oldView), style(style)
{
	if (newView && newView->isAttached())
		doAssert("lib/animation/animations", "107");
	if (!oldView || !oldView->isAttached())
		doAssert("lib/animation/animations", "108");
	if (setUp(oldView, newView))
		init();
}

ExchangeViewAnimation::~ExchangeViewAnimation() noexcept = default;

// Hands newView to oldView's container. A view in no container and no frame
// comes with its creator's reference; when no container takes it, this
// animation keeps that reference so that the view goes with the animation.
bool ExchangeViewAnimation::setUp(CView* old, CView* incoming)
{
	if (!incoming || incoming == old || incoming->isAttached() || incoming->isSubview())
		return false;
	CView* parent = old && old->isAttached() ? old->getParentView() : nullptr;
	SharedPointer<CViewContainer> oldContainer = parent ? parent->toViewContainer() : nullptr;
	if (oldContainer && oldContainer->addView(incoming))
	{
		container = oldContainer;
		return true;
	}
	incoming->forget();
	return false;
}

void ExchangeViewAnimation::init()
{
	if (style == kAlphaValueFade)
	{
		oldViewAlphaValueStart = oldView->getAlphaValue();
		newViewAlphaValueEnd = newView->getAlphaValue();
		newView->setAlphaValue(0.f);
		return;
	}
	destinationRect = oldView->getViewSize();
	moveTo(0.f);
}

void ExchangeViewAnimation::animationStart(CView*, const char*) {}

void ExchangeViewAnimation::animationTick(CView*, const char*, float pos)
{
	if (container && std::isfinite(pos))
		moveTo(pos);
}

void ExchangeViewAnimation::animationFinished(CView*, const char*, bool)
{
	if (!container)
		return;
	moveTo(1.f);
	removeOldView();
	container = nullptr;
}

// An old view that a listener has taken out of the exchange's container,
// and perhaps put elsewhere, is no longer part of the exchange: it is left
// as it is, wherever it now lives, rather than faded out or pushed away.
bool ExchangeViewAnimation::isOldViewInPlace() const
{
	return container && container->isChild(oldView);
}

void ExchangeViewAnimation::moveTo(float pos)
{
	if (style == kAlphaValueFade)
	{
		if (isOldViewInPlace())
			oldView->setAlphaValue(oldViewAlphaValueStart - oldViewAlphaValueStart * pos);
		newView->setAlphaValue(pos * newViewAlphaValueEnd);
		return;
	}
	// The moved views keep their sizes; one coordinate follows pos.
	const double oldWidth = oldView->getViewSize().getWidth();
	updateViewSize(newView, newViewRectAt(pos));
	if (!isOldViewInPlace())
		return;
	if (style == kPushInOutFromLeft)
		updateViewSize(oldView, CRect(destinationRect).offset(pos * oldWidth, 0.));
	else if (style == kPushInOutFromRight)
		updateViewSize(oldView, CRect(destinationRect).offset(-pos * oldWidth, 0.));
}

CRect ExchangeViewAnimation::newViewRectAt(float pos) const
{
	CRect rect = newView->getViewSize();
	const double width = rect.getWidth();
	const double height = rect.getHeight();
	switch (style)
	{
		case kPushInFromLeft:
		case kPushInOutFromLeft:
			return rect.moveTo({destinationRect.left - (1. - pos) * width, rect.top});
		case kPushInFromRight:
		case kPushInOutFromRight:
			return rect.moveTo({destinationRect.right - pos * width, rect.top});
		case kPushInFromTop:
			return rect.moveTo({rect.left, destinationRect.top - (1. - pos) * height});
		case kPushInFromBottom:
			return rect.moveTo({rect.left, destinationRect.bottom - pos * height});
		case kAlphaValueFade:
			break;
	}
	return rect;
}

// A listener may have taken oldView out during the last moves, or earlier,
// and may have put it somewhere else: it leaves only the place it gave up.
void ExchangeViewAnimation::removeOldView()
{
	if (!isOldViewInPlace())
		return;
	SharedPointer<CViewContainer> place = container;
	place->removeView(oldView);
}

void ExchangeViewAnimation::updateViewSize(CView* view, const CRect& rect)
{
	if (!view)
		return;
	// A size listener may remove and release the view.
	SharedPointer<CView> keepAlive = view;
	view->invalid();
	view->setViewSize(rect, true);
	view->setMouseableArea(rect);
	view->invalid();
}

} // namespace Kavrin::Animation
