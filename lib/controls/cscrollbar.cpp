#include "lib/controls/cscrollbar.h"

#include "lib/animation/animations.h"
#include "lib/animation/timingfunctions.h"
#include "lib/cdrawcontext.h"
#include "lib/cgraphicspath.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

namespace {

constexpr const char* kFadeAnimation = "AlphaValueAnimation";
// Nearly transparent rather than invisible: a faded overlay bar still takes
// the pointer, so that hovering brings it back.
constexpr float kFadedAlpha = 0.001f;
constexpr double kTrackInset = 2.;
// A scroller shorter than this would be hard to grab.
constexpr double kMinimumScrollerLength = 8.;
// In milliseconds: a held track press pages again after the first delay,
// then at every interval.
constexpr uint32 kFirstStepDelay = 250;
constexpr uint32 kStepInterval = 80;
// In milliseconds: an overlay bar shows for a while after its content
// moved, then fades quickly; it fades in quickly under the pointer, and
// out more slowly when the pointer leaves it shown.
constexpr uint32 kVisibleAfterChange = 1000;
constexpr uint32 kFadeAfterChange = 100;
constexpr uint32 kFadeIn = 100;
constexpr uint32 kFadeAfterHover = 300;
constexpr uint32 kFadeAfterHoverLength = 400;
constexpr uint32 kQuickFadeOut = 100;
// Buttons and modifiers a wheel turn may come with.
constexpr uint32 kWheelModifiers = kWheelInverted | kShiftModifier;

// The left button alone. A quick second press comes marked as a double
// click: it pages or grabs the scroller like any other, so that fast
// clicks on the track each move a page.
bool isPlainLeftPress(const CButtonState& buttons)
{
	return (buttons.getButtonState() & ~uint32(kDoubleClick)) == kLeftButton;
}

// Within [0, 1]; a value that is no number counts as the start.
double clampToUnit(double value)
{
	if (!(value > 0.))
		return 0.;
	return std::min(value, 1.);
}

CRect trackFor(const CRect& size)
{
	CRect track = size;
	return track.inset(kTrackInset, kTrackInset);
}

} // namespace

CScrollbar::CScrollbar(const CRect& size, IControlListener* listener, int32 tag, ScrollbarDirection direction,
                       const CRect& scrollSize)
: CControl(size, listener, tag), direction(direction), scrollSize(scrollSize), scrollerArea(trackFor(size))
{
	calculateScrollerLength();
}

CScrollbar::CScrollbar(const CScrollbar& other)
: CControl(other), direction(other.direction), scrollSize(other.scrollSize), scrollerArea(other.scrollerArea),
  stepValue(other.stepValue), scrollerLength(other.scrollerLength), frameColor(other.frameColor),
  scrollerColor(other.scrollerColor), backgroundColor(other.backgroundColor), overlayStyle(other.overlayStyle)
{
}

CScrollbar::~CScrollbar() noexcept
{
	stopStepping();
}

CView* CScrollbar::cloneView() const
{
	return new CScrollbar(*this);
}

// ---- Settings ----

void CScrollbar::setDrawer(IScrollbarDrawer* newDrawer)
{
	if (drawer == newDrawer)
		return;
	drawer = newDrawer;
	invalid();
}

void CScrollbar::setScrollSize(const CRect& newScrollSize)
{
	scrollSize = newScrollSize;
	calculateScrollerLength();
}

void CScrollbar::setStepValue(float newStepValue)
{
	stepValue = newStepValue;
}

void CScrollbar::setFrameColor(const CColor& color)
{
	setAndInvalidate(frameColor, color);
}

void CScrollbar::setScrollerColor(const CColor& color)
{
	setAndInvalidate(scrollerColor, color);
}

void CScrollbar::setBackgroundColor(const CColor& color)
{
	setAndInvalidate(backgroundColor, color);
}

// Unchanged, it leaves the alpha alone: a scroll view lays out its bars
// again on every resize and must not hide a bar the pointer is over.
void CScrollbar::setOverlayStyle(bool state)
{
	if (overlayStyle == state)
		return;
	overlayStyle = state;
	if (!overlayStyle && isInTree())
		removeAnimation(kFadeAnimation);
	setAlphaValue(overlayStyle ? kFadedAlpha : 1.f);
}

// ---- Geometry ----

double CScrollbar::pointAlong(const CPoint& point) const
{
	return direction == kHorizontal ? point.x : point.y;
}

double CScrollbar::trackExtent() const
{
	return pointAlong(scrollerArea.getSize());
}

double CScrollbar::trackStart() const
{
	return pointAlong(scrollerArea.getTopLeft());
}

void CScrollbar::calculateScrollerLength()
{
	const double viewExtent = pointAlong(getViewSize().getSize());
	const double scrollExtent = pointAlong(scrollSize.getSize());
	const double ratio = scrollExtent > 0. ? viewExtent / scrollExtent : 0.;
	// A ratio of 1 or more leaves nothing to scroll.
	const double length = ratio > 0. && ratio < 1. ? std::max(viewExtent * ratio, kMinimumScrollerLength) : 0.;
	if (length == scrollerLength)
		return;
	scrollerLength = length;
	setDirty(true);
}

// A scroller longer than its track (content barely larger than the view,
// or raised to the minimum length) fills the track and stays within it.
CRect CScrollbar::getScrollerRect() const
{
	const double extent = std::max(trackExtent(), 0.);
	const double length = std::min(scrollerLength, extent);
	const double leading = trackStart() + (extent - length) * clampToUnit(getValue());
	CRect rect = scrollerArea;
	if (direction == kHorizontal)
	{
		rect.left = leading;
		rect.right = leading + length;
	}
	else
	{
		rect.top = leading;
		rect.bottom = leading + length;
	}
	return rect;
}

void CScrollbar::setViewSize(const CRect& rect, bool invalidate)
{
	// The track is in place before anyone hears of the new size.
	scrollerArea = trackFor(rect);
	CControl::setViewSize(rect, invalidate);
	calculateScrollerLength();
}

// ---- Mouse ----

CMouseEventResult CScrollbar::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!isPlainLeftPress(buttons) || scrollerLength == 0.)
		return kMouseDownHandledNoMoveOrUp;
	SharedPointer<CScrollbar> keepAlive = this;
	stopStepping();
	startPoint = where;
	scrollerRect = getScrollerRect();
	scrolling = scrollerRect.pointInside(where);
	if (scrolling)
		return kMouseHandled;
	doStepping();
	// A listener that took the bar out of the tree has ended the press.
	if (!isInTree())
		return kMouseDownHandledNoMoveOrUp;
	timer = makeOwned<CKavrinTimer>(this, kFirstStepDelay);
	return kMouseHandled;
}

CMouseEventResult CScrollbar::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	if (scrolling)
	{
		dragScrollerTo(where);
		return kMouseHandled;
	}
	if (isStepping())
	{
		startPoint = where;
		if (getViewSize().pointInside(where) && !getScrollerRect().pointInside(where))
			doStepping();
	}
	return kMouseHandled;
}

// The pointer keeps its place on the scroller where the press took it.
void CScrollbar::dragScrollerTo(const CPoint& where)
{
	const double travel = trackExtent() - scrollerLength;
	// A scroller that fills its track has nowhere to go.
	if (!(travel > 0.))
		return;
	const double grip = pointAlong(startPoint) - pointAlong(scrollerRect.getTopLeft());
	scrollTo(float(clampToUnit((pointAlong(where) - grip - trackStart()) / travel)));
}

CMouseEventResult CScrollbar::onMouseUp(CPoint&, const CButtonState&)
{
	endGesture();
	return kMouseHandled;
}

CMouseEventResult CScrollbar::onMouseCancel()
{
	endGesture();
	return kMouseHandled;
}

void CScrollbar::endGesture()
{
	scrolling = false;
	stopStepping();
}

// ---- Stepping ----

void CScrollbar::doStepping()
{
	const CRect scroller = getScrollerRect();
	if (timer && (!getViewSize().pointInside(startPoint) || scroller.pointInside(startPoint)))
		return;
	const double extent = trackExtent();
	if (!(extent > 0.) || scrollerLength == 0.)
		return;
	const double step = scrollerLength / extent;
	const bool beforeScroller = pointAlong(startPoint) < pointAlong(scroller.getTopLeft());
	scrollTo(float(clampToUnit(getValue() + (beforeScroller ? -step : step))));
}

NotifyResult CScrollbar::notify(CBaseObject* sender, const char* message)
{
	if (message != CKavrinTimer::kMsgTimer || !timer || sender != timer)
		return CControl::notify(sender, message);
	SharedPointer<CScrollbar> keepAlive = this;
	doStepping();
	// The listener may have taken the bar out of the tree meanwhile.
	if (!isInTree())
		stopStepping();
	else if (timer)
		timer->setFireTime(kStepInterval);
	return kMessageHandled;
}

void CScrollbar::stopStepping()
{
	if (auto stopping = std::move(timer))
		stopping->stop();
}

bool CScrollbar::scrollTo(float newValue)
{
	if (newValue == getValue())
		return false;
	SharedPointer<CScrollbar> keepAlive = this;
	setValue(newValue);
	valueChanged();
	invalid();
	return true;
}

// ---- Wheel ----

bool CScrollbar::onWheel(const CPoint&, const CMouseWheelAxis& axis, const float& distance,
                         const CButtonState& buttons)
{
	if (scrollerLength == 0. || !getMouseEnabled())
		return false;
	if ((buttons.getButtonState() & ~kWheelModifiers) != 0)
		return false;
	if (axis != (direction == kHorizontal ? kWheelAxisX : kWheelAxisY))
		return false;
	if (!std::isfinite(distance))
		return false;
	float amount = buttons.hasAny(kWheelInverted) ? -distance : distance;
	if (buttons.hasAny(kShiftModifier))
		amount *= 0.1f;
	value -= amount * getWheelInc();
	bounceValue();
	if (isDirty())
	{
		SharedPointer<CScrollbar> keepAlive = this;
		onVisualChange();
		valueChanged();
		invalid();
	}
	return true;
}

// ---- Overlay ----

// Only a bar in an open frame's tree animates: the callers check first.
void CScrollbar::fadeTo(float alpha, Animation::ITimingFunction* timing)
{
	addAnimation(kFadeAnimation, new Animation::AlphaValueAnimation(alpha, false), timing);
}

void CScrollbar::onVisualChange()
{
	if (!isInTree() || !overlayStyle || mouseIsInside)
		return;
	if (scrollerLength == 0.)
	{
		removeAnimation(kFadeAnimation);
		setAlphaValue(0.f);
		return;
	}
	setAlphaValue(1.f);
	// Stays for a while, then fades quickly.
	const uint32 length = kVisibleAfterChange + kFadeAfterChange;
	auto timing = new Animation::InterpolationTimingFunction(length);
	timing->addPoint(float(kVisibleAfterChange) / float(length), 0.f);
	fadeTo(kFadedAlpha, timing);
}

CMouseEventResult CScrollbar::onMouseEntered(CPoint&, const CButtonState&)
{
	if (overlayStyle && scrollerLength != 0. && isInTree())
		fadeTo(1.f, new Animation::LinearTimingFunction(kFadeIn));
	mouseIsInside = true;
	return kMouseNotHandled;
}

CMouseEventResult CScrollbar::onMouseExited(CPoint&, const CButtonState&)
{
	if (overlayStyle && scrollerLength != 0. && isInTree())
	{
		if (getAlphaValue() == 1.f)
		{
			auto timing = new Animation::InterpolationTimingFunction(kFadeAfterHoverLength);
			timing->addPoint(float(kFadeAfterHover) / float(kFadeAfterHoverLength), 1.f);
			fadeTo(kFadedAlpha, timing);
		}
		else
			fadeTo(kFadedAlpha, new Animation::LinearTimingFunction(kQuickFadeOut));
	}
	mouseIsInside = false;
	return kMouseNotHandled;
}

// ---- Leaving ----

bool CScrollbar::removed(CView* parent)
{
	if (isAttached())
	{
		SharedPointer<CScrollbar> keepAlive = this;
		endGesture();
		mouseIsInside = false;
	}
	return CControl::removed(parent);
}

// ---- Drawing ----

void CScrollbar::draw(CDrawContext* context)
{
	drawBackground(context);
	if (scrollerLength > 0.)
		drawScroller(context, getScrollerRect());
	setDirty(false);
}

void CScrollbar::drawBackground(CDrawContext* context)
{
	if (drawer)
	{
		drawer->drawScrollbarBackground(context, getViewSize(), direction, this);
		return;
	}
	context->setDrawMode(kAliasing);
	context->setLineWidth(1.);
	context->setLineStyle(kLineSolid);
	context->setFillColor(backgroundColor);
	context->setFrameColor(frameColor);
	context->drawRect(getViewSize(), kDrawFilledAndStroked);
}

void CScrollbar::drawScroller(CDrawContext* context, const CRect& rect)
{
	if (drawer)
	{
		drawer->drawScrollbarScroller(context, rect, direction, this);
		return;
	}
	context->setLineWidth(1.);
	context->setLineStyle(kLineSolid);
	context->setFillColor(scrollerColor);
	context->setFrameColor(frameColor);
	const CPoint size = getViewSize().getSize();
	const double thickness = direction == kHorizontal ? size.y : size.x;
	const double radius = thickness / 2. - 2.;
	if (radius > 2.)
	{
		if (auto path = owned(context->createRoundRectGraphicsPath(rect, std::min(4., radius))))
		{
			context->setDrawMode(kAntiAliasing);
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
			context->drawGraphicsPath(path, CDrawContext::kPathStroked);
			return;
		}
	}
	context->setDrawMode(kAliasing);
	context->drawRect(rect, kDrawFilledAndStroked);
}

} // namespace Kavrin
