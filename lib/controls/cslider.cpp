#include "lib/controls/cslider.h"

#include "lib/assertion.h"
#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cgraphicspath.h"
#include "lib/ckavrintimer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace Kavrin {

namespace {

constexpr uint32 kRampPeriod = 16; // milliseconds
// A ramp moves by this many wheel increments a tick.
constexpr float kRampStep = 0.1f;
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

bool onlyLeftButton(const CButtonState& buttons)
{
	return (buttons.getButtonState() & kMouseButtonMask) == kLeftButton;
}

bool holdsZoomModifier(const CButtonState& buttons)
{
	return buttons.hasAny(uint32(CControl::kZoomModifier));
}

} // namespace

bool CSliderBase::kAlwaysUseZoomFactor = false;

struct CSliderBase::Impl
{
	static CSliderMode globalMode;

	// The settings and the geometry, without any gesture.
	std::unique_ptr<Impl> copySettings() const
	{
		auto copy = std::make_unique<Impl>();
		copy->style = style;
		copy->zoomFactor = zoomFactor;
		copy->mode = mode;
		copy->offsetHandle = offsetHandle;
		copy->handleSize = handleSize;
		copy->rangeHandle = rangeHandle;
		copy->handleMin = handleMin;
		copy->handleMax = handleMax;
		copy->minPos = minPos;
		return copy;
	}

	SharedPointer<CKavrinTimer> rampTimer;
	int32 style {0};
	float zoomFactor {10.f};
	CSliderMode mode {CSliderMode::kUseGlobal};
	CPoint offsetHandle;
	CPoint handleSize {1., 1.};
	double rangeHandle {0.};
	double handleMin {0.};
	double handleMax {0.};
	double minPos {0.};
	// The press point; while a ramp runs, the point it ramps towards.
	CPoint targetPoint;
	// The normalized value fine adjustment is anchored at; none right after
	// a press.
	std::optional<float> anchor;
	float startValue {0.f};
	CButtonState oldButton;
	// What comes off the pointer's position along the axis to give the
	// handle's: set by the press, and when a ramp arrives.
	float delta {0.f};
	// The drag's edit, from the press to the release or cancel.
	EditGuard dragEdit;
};

CSliderMode CSliderBase::Impl::globalMode = CSliderMode::kFreeClickMode;

// ---- CSliderBase ----

CSliderBase::CSliderBase(const CRect& size, IControlListener* listener, int32 tag)
: CControl(size, listener, tag), impl(std::make_unique<Impl>())
{
	fitTravelToView(size);
}

CSliderBase::CSliderBase(const CSliderBase& other) : CControl(other), impl(other.impl->copySettings()) {}

CSliderBase::~CSliderBase() noexcept
{
	endGestures();
	invalidMouseWheelEditTimer(this);
}

void CSliderBase::setStyle(int32 style)
{
	if (((style & kHorizontal) != 0) == ((style & kVertical) != 0))
		doAssert("lib/controls/cslider", "125");
	if (impl->style == style)
		return;
	impl->style = style;
	invalid();
}

int32 CSliderBase::getStyle() const
{
	return impl->style;
}

void CSliderBase::setZoomFactor(float factor)
{
	impl->zoomFactor = factor;
}

float CSliderBase::getZoomFactor() const
{
	return impl->zoomFactor;
}

void CSliderBase::setSliderMode(CSliderMode mode)
{
	impl->mode = mode;
}

CSliderMode CSliderBase::getSliderMode() const
{
	return impl->mode;
}

CSliderMode CSliderBase::getEffectiveSliderMode() const
{
	return impl->mode == CSliderMode::kUseGlobal ? Impl::globalMode : impl->mode;
}

void CSliderBase::setGlobalMode(CSliderMode mode)
{
	if (mode == CSliderMode::kUseGlobal)
		doAssert("lib/controls/cslider", "197", "do not set the global mode to use global");
	Impl::globalMode = mode;
}

CSliderMode CSliderBase::getGlobalMode()
{
	return Impl::globalMode;
}

bool CSliderBase::isInverseStyle() const
{
	// The value grows to the right, or upwards, unless the position says
	// otherwise.
	return isStyleHorizontal() == isMirrored();
}

// ---- Geometry ----

double CSliderBase::along(const CPoint& point) const
{
	return isStyleHorizontal() ? point.x : point.y;
}

double CSliderBase::across(const CPoint& point) const
{
	return isStyleHorizontal() ? point.y : point.x;
}

bool CSliderBase::isMirrored() const
{
	return (getStyle() & (kRight | kBottom)) != 0;
}

float CSliderBase::mirrored(float normalized) const
{
	return isMirrored() ? 1.f - normalized : normalized;
}

double CSliderBase::travelStart() const
{
	return along(getViewSize().getTopLeft()) + along(impl->offsetHandle) + impl->minPos;
}

double CSliderBase::centringDelta() const
{
	return travelStart() + along(impl->handleSize) * 0.5 - 1.;
}

void CSliderBase::updateHandleLimits()
{
	impl->handleMin = along(impl->offsetHandle) + impl->minPos;
	impl->handleMax = impl->rangeHandle + impl->handleMin + along(impl->handleSize);
}

void CSliderBase::fitTravelToView(const CRect& rect)
{
	impl->minPos = along(rect.getTopLeft()) - along(getViewSize().getTopLeft());
	impl->rangeHandle = along(rect.getSize()) - (2. * along(impl->offsetHandle) + along(impl->handleSize));
	updateHandleLimits();
}

void CSliderBase::setViewSize(const CRect& rect, bool invalidate)
{
	CControl::setViewSize(rect, invalidate);
	fitTravelToView(rect);
}

void CSliderBase::setOffsetHandle(const CPoint& offset)
{
	impl->offsetHandle = offset;
	updateHandleLimits();
}

CPoint CSliderBase::getOffsetHandle() const
{
	return impl->offsetHandle;
}

void CSliderBase::setHandleRangePrivate(double range)
{
	impl->rangeHandle = range;
	updateHandleLimits();
}

void CSliderBase::setHandleMinPosPrivate(double position)
{
	impl->minPos = position;
	updateHandleLimits();
}

void CSliderBase::setHandleSizePrivate(double width, double height)
{
	impl->handleSize = CPoint(width, height);
	updateHandleLimits();
}

double CSliderBase::getHandleMinPosPrivate() const
{
	return impl->minPos;
}

CPoint CSliderBase::getHandleSizePrivate() const
{
	return impl->handleSize;
}

CPoint CSliderBase::getControlSizePrivate() const
{
	return getViewSize().getSize();
}

double CSliderBase::getHandleRange() const
{
	return impl->rangeHandle;
}

CRect CSliderBase::handleRectAt(double leading) const
{
	const double trailing = std::min(leading + along(impl->handleSize), impl->handleMax);
	const double side = across(impl->offsetHandle);
	const double otherSide = side + across(impl->handleSize);
	CRect rect = isStyleHorizontal() ? CRect(leading, side, trailing, otherSide)
	                                 : CRect(side, leading, otherSide, trailing);
	return rect.offset(getViewSize().getTopLeft());
}

CRect CSliderBase::calculateHandleRect(float normalizedValue) const
{
	// A value that is not a number shows the handle at the start.
	const float position = std::isnan(normalizedValue) ? 0.f : mirrored(normalizedValue);
	const double leading = std::floor(position * impl->rangeHandle) + along(impl->offsetHandle) + impl->minPos;
	return handleRectAt(std::max(impl->handleMin, leading));
}

float CSliderBase::calculateDelta(const CPoint& where, CRect* handleRect) const
{
	if (getEffectiveSliderMode() == CSliderMode::kFreeClickMode)
		return float(centringDelta());
	const float normalized = getValueNormalized();
	const float position = std::isnan(normalized) ? 0.f : mirrored(normalized);
	const double offset = std::trunc(position * impl->rangeHandle);
	if (handleRect)
		*handleRect = handleRectAt(offset + along(impl->offsetHandle) + impl->minPos);
	// The pointer keeps its distance from the handle's leading edge.
	return float(along(where) - offset);
}

float CSliderBase::normalizedAt(const CPoint& where) const
{
	if (!(impl->rangeHandle > 0.))
		return kNoValue;
	return mirrored(float((along(where) - impl->delta) / impl->rangeHandle));
}

// ---- Mouse ----

bool CSliderBase::isDragging() const
{
	return impl->dragEdit.isOpen();
}

CMouseEventResult CSliderBase::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!onlyLeftButton(buttons))
		return kMouseNotHandled;
	SharedPointer<CSliderBase> keepAlive = this;
	// A mouse edit never nests inside a pending wheel edit; a listener told
	// of its end may take the slider away, which ends this press.
	const CView* parent = getParentView();
	const bool wasAttached = isAttached();
	invalidMouseWheelEditTimer(this);
	if (getParentView() != parent || isAttached() != wasAttached)
		return kMouseDownHandledNoMoveOrUp;

	const CSliderMode mode = getEffectiveSliderMode();
	CRect handleRect;
	impl->delta = calculateDelta(where, &handleRect);
	const bool onHandle = mode != CSliderMode::kFreeClickMode && handleRect.pointInside(where);
	if (mode == CSliderMode::kTouchMode && !onHandle)
		return kMouseDownHandledNoMoveOrUp;
	impl->anchor.reset();
	impl->oldButton = buttons;
	if ((mode != CSliderMode::kRelativeTouchMode || onHandle) && checkDefaultValue(buttons))
		return kMouseDownHandledNoMoveOrUp;

	impl->startValue = value;
	// A listener that closed the edit as it began (it took the slider out
	// of the tree) has ended this press.
	if (!impl->dragEdit.open(this))
		return kMouseDownHandledNoMoveOrUp;
	impl->targetPoint = where;
	if (mode == CSliderMode::kRampMode && !onHandle)
		startRamp();
	if (holdsZoomModifier(buttons) || mode == CSliderMode::kRelativeTouchMode)
		return kMouseHandled;
	onMouseMoved(where, buttons);
	return kMouseHandled;
}

CMouseEventResult CSliderBase::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	if (!onlyLeftButton(buttons) || !isDragging())
		return kMouseNotHandled;
	CButtonState effective = buttons;
	if (kAlwaysUseZoomFactor)
		effective |= uint32(kZoomModifier);
	if (impl->rampTimer)
	{
		impl->targetPoint = where;
		return kMouseHandled;
	}
	if (kAlwaysUseZoomFactor)
		adaptZoomToDistance(where);
	anchorFineMode(effective);
	float normalized = normalizedAt(where);
	if (std::isnan(normalized))
		return kMouseHandled;
	if (holdsZoomModifier(effective))
		normalized = fineAdjusted(normalized);
	moveToNormalized(normalized);
	return kMouseHandled;
}

// The farther the pointer strays from the press across the axis, in
// multiples of the slider's thickness, the finer the drag.
void CSliderBase::adaptZoomToDistance(const CPoint& where)
{
	const double distance = std::fabs(across(where) - across(impl->targetPoint));
	const double extent = across(getViewSize().getSize());
	const float zoom = distance > extent ? float(std::trunc(distance / extent * 10.) / 10.) : 1.f;
	if (zoom == impl->zoomFactor)
		return;
	impl->zoomFactor = zoom;
	impl->anchor = getValueNormalized();
	impl->delta = calculateDelta(where, nullptr);
}

// Fine adjustment starts from the value where the modifier went down, so
// that pressing it mid-drag does not make the value jump. The buttons of
// every move are kept, so that the modifier pressed again later anchors
// afresh too.
void CSliderBase::anchorFineMode(const CButtonState& buttons)
{
	const float current = getValueNormalized();
	if (!impl->anchor || !holdsZoomModifier(buttons) || buttons != impl->oldButton)
		impl->anchor = current;
	impl->oldButton = buttons;
}

float CSliderBase::fineAdjusted(float normalized) const
{
	const float anchor = impl->anchor.value_or(normalized);
	// A zoom factor that divides nothing sensibly leaves the drag as it is.
	const float divisor = impl->zoomFactor > 0.f ? impl->zoomFactor : 1.f;
	return anchor + (normalized - anchor) / divisor;
}

void CSliderBase::moveToNormalized(float normalized)
{
	// A listener may release the slider while it hears the change.
	SharedPointer<CSliderBase> keepAlive = this;
	setValueNormalized(normalized);
	if (isDirty())
	{
		valueChanged();
		invalid();
	}
}

CMouseEventResult CSliderBase::onMouseUp(CPoint&, const CButtonState&)
{
	endGestures();
	return kMouseHandled;
}

// Back to the value of the press, within the range as it is now.
CMouseEventResult CSliderBase::onMouseCancel()
{
	SharedPointer<CSliderBase> keepAlive = this;
	if (isDragging())
	{
		setValue(impl->startValue);
		if (isDirty())
		{
			valueChanged();
			invalid();
		}
	}
	endGestures();
	return kMouseHandled;
}

void CSliderBase::endGestures()
{
	impl->oldButton = CButtonState();
	stopRamp();
	impl->dragEdit.close();
}

// ---- Ramp ----

void CSliderBase::startRamp()
{
	// The timer belongs to the slider and goes with it: the slider is alive
	// whenever it fires.
	impl->rampTimer = makeOwned<CKavrinTimer>([this](CKavrinTimer*) { doRamping(); }, kRampPeriod);
}

void CSliderBase::stopRamp()
{
	impl->rampTimer = nullptr;
}

void CSliderBase::doRamping()
{
	SharedPointer<CSliderBase> keepAlive = this;
	if (!isDragging() || !(impl->rangeHandle > 0.))
	{
		stopRamp();
		return;
	}
	const float current = getValueNormalized();
	const double centre = along(calculateHandleRect(current).getCenter());
	const double target = along(impl->targetPoint);
	// Towards the target on the screen, whichever way the value grows there.
	float step = centre > target ? -kRampStep : kRampStep;
	if (!isStyleHorizontal())
		step = -step;
	if (isInverseStyle())
		step = -step;
	const float targetValue = mirrored(float((target - centringDelta()) / impl->rangeHandle));
	float next = current + step * getWheelInc();
	if ((step < 0.f && targetValue > next) || (step > 0.f && next > targetValue))
	{
		// Arrived: from here on the handle's centre follows the pointer.
		stopRamp();
		impl->delta = float(centringDelta());
		next = targetValue;
	}
	moveToNormalized(next);
}

// ---- Wheel and keys ----

bool CSliderBase::onWheel(const CPoint&, const CMouseWheelAxis& axis, const float& distance,
                          const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return false;
	if (axis != (isStyleHorizontal() ? kWheelAxisX : kWheelAxisY))
		return false;
	return stepByWheel(this, isInverseStyle() ? -distance : distance, buttons);
}

int32 CSliderBase::onKeyDown(MoxKeyCode& keyCode)
{
	return stepByArrowKey(keyCode, isInverseStyle());
}

// ---- Leaving ----

bool CSliderBase::removed(CView* parent)
{
	if (isAttached())
	{
		SharedPointer<CSliderBase> keepAlive = this;
		endGestures();
		invalidMouseWheelEditTimer(this);
	}
	return CControl::removed(parent);
}

void CSliderBase::beforeDelete()
{
	endGestures();
	invalidMouseWheelEditTimer(this);
	CControl::beforeDelete();
}

// ---- CSlider ----

CSlider::CSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos, int32 iMaxPos,
                 CBitmap* handle, CBitmap* background, const CPoint& offset, int32 style)
: CSlider(size, listener, tag, CPoint(), 0, handle, background, offset, style)
{
	const double origin = isStyleHorizontal() ? size.left : size.top;
	setHandleMinPosPrivate(iMinPos - origin);
	setHandleRangePrivate(double(iMaxPos) - double(iMinPos));
}

CSlider::CSlider(const CRect& size, IControlListener* listener, int32 tag, const CPoint& offsetHandle,
                 int32 rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset, int32 style)
: CSliderBase(size, listener, tag), backgroundOffset(offset)
{
	setBackground(background);
	setStyle(style);
	setHandle(handle);
	setOffsetHandle(offsetHandle);
	setHandleRangePrivate(rangeHandle);
	setWantsFocus(true);
}

CSlider::CSlider(const CSlider& other)
: CSliderBase(other), backgroundOffset(other.backgroundOffset), handle(other.handle), frameWidth(other.frameWidth),
  drawStyle(other.drawStyle), frameColor(other.frameColor), backColor(other.backColor),
  valueColor(other.valueColor)
{
}

CSlider::~CSlider() noexcept = default;

CView* CSlider::cloneView() const
{
	return new CSlider(*this);
}

void CSlider::setOffset(const CPoint& offset)
{
	setAndInvalidate(backgroundOffset, offset);
}

CPoint CSlider::getOffset() const
{
	return backgroundOffset;
}

void CSlider::setBackgroundOffset(const CPoint& offset)
{
	setAndInvalidate(backgroundOffset, offset);
}

// The travel is refitted with or without a bitmap, so that it never keeps
// the length of a handle that has gone.
void CSlider::setHandle(CBitmap* newHandle)
{
	handle = newHandle;
	if (handle)
		setHandleSizePrivate(handle->getWidth(), handle->getHeight());
	else
		setHandleSizePrivate(1., 1.);
	setViewSize(getViewSize(), true);
}

CBitmap* CSlider::getHandle() const
{
	return handle;
}

void CSlider::setDrawStyle(int32 style)
{
	setAndInvalidate(drawStyle, style);
}

void CSlider::setFrameWidth(double width)
{
	setAndInvalidate(frameWidth, width);
}

void CSlider::setFrameColor(CColor color)
{
	setAndInvalidate(frameColor, color);
}

void CSlider::setBackColor(CColor color)
{
	setAndInvalidate(backColor, color);
}

void CSlider::setValueColor(CColor color)
{
	setAndInvalidate(valueColor, color);
}

bool CSlider::sizeToFit()
{
	return getBackground() && sizeToBackground(getBackground()->getHeight());
}

void CSlider::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
		background->draw(context, getViewSize(), backgroundOffset, 1.f);
	if (drawStyle != 0)
	{
		const double lineWidth = frameWidth < 0. ? context->getHairlineSize() : frameWidth;
		CRect rect = getViewSize();
		context->setDrawMode(kAntiAliasing);
		context->setLineStyle(kLineSolid);
		context->setLineWidth(lineWidth);
		if (drawStyle & (kDrawFrame | kDrawBack))
			drawFrameAndBack(context, rect, lineWidth);
		if (drawStyle & kDrawValue)
			drawValueBar(context, rect, lineWidth);
	}
	if (handle)
		handle->draw(context, calculateHandleRect(getValueNormalized()), CPoint(), 1.f);
	setDirty(false);
}

// The frame's stroke lies inside the view: the rect comes back inset by
// half of it.
void CSlider::drawFrameAndBack(CDrawContext* context, CRect& rect, double lineWidth)
{
	const bool stroked = drawStyle & kDrawFrame;
	const bool filled = drawStyle & kDrawBack;
	context->setFrameColor(frameColor);
	context->setFillColor(backColor);
	auto path = owned(context->createGraphicsPath());
	if (!path)
	{
		context->drawRect(rect, stroked && filled ? kDrawFilledAndStroked : (stroked ? kDrawStroked : kDrawFilled));
		return;
	}
	if (stroked)
		rect.inset(lineWidth / 2., lineWidth / 2.);
	path->addRect(rect);
	if (filled)
		context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	if (stroked)
		context->drawGraphicsPath(path, CDrawContext::kPathStroked);
}

// Inside the frame, on whole pixels.
void CSlider::drawValueBar(CDrawContext* context, CRect rect, double lineWidth)
{
	context->setDrawMode(kAliasing);
	if (drawStyle & kDrawFrame)
		rect.inset(lineWidth / 2., lineWidth / 2.);
	CRect bar = valueBarRect(rect);
	bar.normalize();
	if (!(bar.getWidth() >= 0.5 && bar.getHeight() >= 0.5))
		return;
	context->setFillColor(valueColor);
	if (auto path = owned(context->createGraphicsPath()))
	{
		path->addRect(bar);
		context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	}
	else
		context->drawRect(bar, kDrawFilled);
}

// Horizontal bars grow from the left and vertical ones from the bottom
// (from the right or the top when inverted); from the centre they reach
// as far from the middle as the value is.
CRect CSlider::valueBarRect(const CRect& rect) const
{
	const double normalized = getValueNormalized();
	const bool inverted = drawStyle & kDrawInverted;
	const double width = rect.getWidth();
	const double height = rect.getHeight();
	CRect bar = rect;
	if (drawStyle & kDrawValueFromCenter)
	{
		const double reach = inverted ? 1. - normalized : normalized;
		if (isStyleHorizontal())
		{
			bar.left = rect.getCenter().x;
			bar.right = rect.left + reach * width;
		}
		else
		{
			bar.top = rect.getCenter().y;
			bar.bottom = rect.bottom - reach * height;
		}
	}
	else if (isStyleHorizontal())
	{
		if (inverted)
			bar.left = rect.right - normalized * width;
		else
			bar.right = rect.left + normalized * width;
	}
	else if (inverted)
		bar.bottom = rect.top + normalized * height;
	else
		bar.top = rect.bottom - normalized * height;
	return bar;
}

// ---- CVerticalSlider and CHorizontalSlider ----

CVerticalSlider::CVerticalSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos,
                                 int32 iMaxPos, CBitmap* handle, CBitmap* background, const CPoint& offset,
                                 int32 style)
: CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset, style | kVertical)
{
}

CVerticalSlider::CVerticalSlider(const CRect& size, IControlListener* listener, int32 tag,
                                 const CPoint& offsetHandle, int32 rangeHandle, CBitmap* handle,
                                 CBitmap* background, const CPoint& offset, int32 style)
: CSlider(size, listener, tag, offsetHandle, rangeHandle, handle, background, offset, style | kVertical)
{
}

CHorizontalSlider::CHorizontalSlider(const CRect& size, IControlListener* listener, int32 tag, int32 iMinPos,
                                     int32 iMaxPos, CBitmap* handle, CBitmap* background, const CPoint& offset,
                                     int32 style)
: CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset, style | kHorizontal)
{
}

CHorizontalSlider::CHorizontalSlider(const CRect& size, IControlListener* listener, int32 tag,
                                     const CPoint& offsetHandle, int32 rangeHandle, CBitmap* handle,
                                     CBitmap* background, const CPoint& offset, int32 style)
: CSlider(size, listener, tag, offsetHandle, rangeHandle, handle, background, offset, style | kHorizontal)
{
}

} // namespace Kavrin
