#include "lib/controls/cknob.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace Kavrin {

namespace {

constexpr float kPi = 3.14159265358979323846f;
constexpr uint32 kButtonMask = kLeftButton | kMiddleButton | kRightButton | kButton4 | kButton5;
// The frame's knob mode that drags linearly.
constexpr int32 kLinearKnobMode = 2;
// Pixels of drag for the whole range.
constexpr float kDragRange = 200.f;
// Antialiased and in non-integral coordinates, for curves and thin lines.
constexpr CDrawMode kSmoothDrawMode {0xF0000001};

bool onlyLeftButton(const CButtonState& buttons)
{
	return (buttons.getButtonState() & kButtonMask) == kLeftButton;
}

bool holds(const CButtonState& buttons, int32 modifier)
{
	return (buttons.getButtonState() & uint32(modifier)) != 0;
}

CLineStyle roundCapped(const CLineStyle& style)
{
	CLineStyle result = style;
	result.setLineCap(CLineStyle::kLineCapRound);
	return result;
}

} // namespace

// ---- CKnobBase ----

CKnobBase::CKnobBase(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background)
: CControl(size, listener, tag, background)
{
	setStartAngle(3.f * kPi / 4.f);
	setRangeAngle(3.f * kPi / 2.f);
	zoomFactor = 1.5f;
}

CKnobBase::CKnobBase(const CKnobBase& other)
: CControl(other), startAngle(other.startAngle), rangeAngle(other.rangeAngle), zoomFactor(other.zoomFactor),
  inset(other.inset)
{
	// The attribute was copied with the others; the record stays the
	// original's.
	removeAttribute(kMouseEditingStateAttribute);
}

CKnobBase::~CKnobBase() noexcept
{
	invalidMouseWheelEditTimer(this);
	clearMouseEditingState();
}

CKnobBase::MouseEditingState& CKnobBase::getMouseEditingState()
{
	if (MouseEditingState* state = findMouseEditingState())
		return *state;
	auto state = new MouseEditingState {};
	setAttribute(kMouseEditingStateAttribute, sizeof(state), &state);
	return *state;
}

CKnobBase::MouseEditingState* CKnobBase::findMouseEditingState() const
{
	MouseEditingState* state = nullptr;
	uint32 size = 0;
	if (!getAttribute(kMouseEditingStateAttribute, sizeof(state), &state, size) || size != sizeof(state))
		return nullptr;
	return state;
}

void CKnobBase::clearMouseEditingState()
{
	// The attribute goes first: deleting the record ends the drag's edit,
	// and a listener told of the end may remove the knob, which clears the
	// record again.
	MouseEditingState* state = findMouseEditingState();
	removeAttribute(kMouseEditingStateAttribute);
	delete state;
}

void CKnobBase::compute()
{
	setDirty(true);
}

void CKnobBase::valueToPoint(CPoint& point) const
{
	const float angle = ((value - getMin()) / (getMax() - getMin())) * rangeAngle + startAngle;
	const double width = getViewSize().getWidth();
	const double height = getViewSize().getHeight();
	point.x = std::cos(angle) * (width / 2. - inset) + width / 2. + 0.5;
	point.y = std::sin(angle) * (height / 2. - inset) + height / 2. + 0.5;
}

float CKnobBase::valueFromPoint(CPoint& point) const
{
	const double half = rangeAngle / 2.;
	const double middle = startAngle + half;
	const double width = getViewSize().getWidth();
	const double height = getViewSize().getHeight();
	const double dx = (point.x - width / 2.) / (width / 2. - inset);
	const double dy = (point.y - height / 2.) / (height / 2. - inset);
	// The angles are stored as floats, which puts the middle of the gap a
	// rounding error away from where it belongs; a pointer exactly on it
	// (straight below the centre) still lands on the minimum's side.
	constexpr double kWrapTolerance = 1e-6;
	double alpha = std::atan2(dy, dx) - middle;
	while (alpha >= M_PI - kWrapTolerance)
		alpha -= 2. * M_PI;
	while (alpha < -M_PI - kWrapTolerance)
		alpha += 2. * M_PI;
	// A knob that turns counter-clockwise measures its angles the other way
	// round, against the same half sweep.
	const double halfSweep = std::fabs(half);
	if (half < 0.)
		alpha = -alpha;
	if (alpha > halfSweep)
		return getMax();
	if (alpha < -halfSweep)
		return getMin();
	return float(getMin() + (getMax() - getMin()) * (alpha / (2. * halfSweep) + 0.5));
}

void CKnobBase::setStartAngle(float angle)
{
	startAngle = angle;
	compute();
}

float CKnobBase::getStartAngle() const
{
	return startAngle;
}

void CKnobBase::setRangeAngle(float angle)
{
	rangeAngle = angle;
	compute();
}

float CKnobBase::getRangeAngle() const
{
	return rangeAngle;
}

void CKnobBase::setZoomFactor(float factor)
{
	zoomFactor = factor;
}

float CKnobBase::getZoomFactor() const
{
	return zoomFactor;
}

double CKnobBase::getInsetValue() const
{
	return inset;
}

void CKnobBase::setInsetValue(double newInset)
{
	inset = newInset;
}

void CKnobBase::setMin(float newMin)
{
	CControl::setMin(newMin);
	bounceValue();
	if (getValue() < newMin)
		setValue(newMin);
	setDirty(true);
}

void CKnobBase::setMax(float newMax)
{
	CControl::setMax(newMax);
	bounceValue();
	if (getValue() > newMax)
		setValue(newMax);
	setDirty(true);
}

void CKnobBase::setViewSize(const CRect& rect, bool invalidate)
{
	CControl::setViewSize(rect, invalidate);
	compute();
}

bool CKnobBase::sizeToFit()
{
	return getBackground() && sizeToBackground(getBackground()->getHeight());
}

bool CKnobBase::removed(CView* parent)
{
	if (isAttached())
	{
		SharedPointer<CKnobBase> keepAlive = this;
		invalidMouseWheelEditTimer(this);
		clearMouseEditingState();
	}
	return CControl::removed(parent);
}

void CKnobBase::beforeDelete()
{
	invalidMouseWheelEditTimer(this);
	clearMouseEditingState();
	CControl::beforeDelete();
}

// ---- Mouse, wheel and keys ----

CMouseEventResult CKnobBase::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!onlyLeftButton(buttons))
		return kMouseNotHandled;
	// A mouse edit never nests inside a pending wheel edit.
	invalidMouseWheelEditTimer(this);
	EditGuard edit(this);
	// A listener that closed the edit as it began (it took the knob out of
	// the tree) has ended this press.
	if (!edit.isOpen() || checkDefaultValue(buttons))
		return kMouseDownHandledNoMoveOrUp;
	MouseEditingState& state = getMouseEditingState();
	state.edit = std::move(edit);
	state.pressValue = value;
	state.firstPoint = where;
	state.lastPoint = CPoint(-1., -1.);
	state.startValue = getOldValue();
	state.entryValue = value;
	state.range = kDragRange;
	state.coef = (getMax() - getMin()) / state.range;
	state.oldButton = buttons;
	state.modeLinear = false;

	const int32 mode = getFrame() ? getFrame()->getKnobMode() : CFrame::kDefaultKnobMode;
	const bool alt = holds(buttons, kAltModifier);
	if ((mode == kLinearKnobMode && !alt) || (mode != kLinearKnobMode && alt))
	{
		if (holds(buttons, kZoomModifier))
			state.range = kDragRange * zoomFactor;
		state.lastPoint = where;
		state.modeLinear = true;
		state.coef = (getMax() - getMin()) / state.range;
	}
	else
	{
		CPoint local = where - getViewSize().getTopLeft();
		state.startValue = valueFromPoint(local);
		state.lastPoint = where;
	}
	return onMouseMoved(where, buttons);
}

CMouseEventResult CKnobBase::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	MouseEditingState* dragged = findMouseEditingState();
	if (!onlyLeftButton(buttons) || !isEditing() || !dragged)
		return kMouseNotHandled;
	MouseEditingState& state = *dragged;
	if (where == state.lastPoint)
		return kMouseHandled;
	state.lastPoint = where;

	if (state.modeLinear)
	{
		const float diff = float(state.firstPoint.y - where.y);
		// A modifier pressed or released mid-drag rebases, so the value
		// does not jump.
		if (buttons != state.oldButton)
		{
			state.range = holds(buttons, kZoomModifier) ? kDragRange * zoomFactor : kDragRange;
			const float newCoef = (getMax() - getMin()) / state.range;
			state.entryValue += (state.coef - newCoef) * diff;
			state.coef = newCoef;
			state.oldButton = buttons;
		}
		value = state.entryValue + diff * state.coef;
		bounceValue();
	}
	else
	{
		where -= getViewSize().getTopLeft();
		value = valueFromPoint(where);
		// Crossing the gap between the ends sticks to the end it came from.
		const float jump = (getMax() - getMin()) / 2.f;
		if (state.startValue - value > jump)
			value = getMax();
		else if (value - state.startValue > jump)
			value = getMin();
		else
			state.startValue = value;
	}
	if (value != getOldValue())
		valueChanged();
	if (isDirty())
		invalid();
	return kMouseHandled;
}

CMouseEventResult CKnobBase::onMouseUp(CPoint&, const CButtonState&)
{
	clearMouseEditingState();
	return kMouseHandled;
}

// Back to the value of the press, within the range as it is now.
CMouseEventResult CKnobBase::onMouseCancel()
{
	MouseEditingState* state = findMouseEditingState();
	if (!state)
		return kMouseHandled;
	setValue(state->pressValue);
	if (isDirty())
	{
		valueChanged();
		invalid();
	}
	clearMouseEditingState();
	return kMouseHandled;
}

bool CKnobBase::onWheel(const CPoint&, const CMouseWheelAxis&, const float& distance, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return false;
	return stepByWheel(this, distance, buttons);
}

int32 CKnobBase::onKeyDown(MoxKeyCode& keyCode)
{
	return stepByArrowKey(keyCode);
}

// ---- CKnob ----

CKnob::CKnob(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background, CBitmap* handle,
             const CPoint& offset, int32 drawStyle)
: CKnobBase(size, listener, tag, background), offset(offset), drawStyle(drawStyle), coronaLineStyle(kLineOnOffDash),
  handleBitmap(handle)
{
	auto& dashes = coronaLineStyle.getDashLengths();
	if (dashes.size() < 2)
		dashes.resize(2, 1.);
	dashes[1] = 2.;
	updateInset();
	setWantsFocus(true);
}

CKnob::CKnob(const CKnob& other)
: CKnobBase(other), offset(other.offset), drawStyle(other.drawStyle), colorHandle(other.colorHandle),
  colorShadowHandle(other.colorShadowHandle), coronaColor(other.coronaColor),
  handleLineWidth(other.handleLineWidth), coronaInset(other.coronaInset),
  coronaOutlineWidthAdd(other.coronaOutlineWidthAdd), coronaLineStyle(other.coronaLineStyle),
  handleBitmap(other.handleBitmap)
{
}

CKnob::~CKnob() noexcept = default;

CView* CKnob::cloneView() const
{
	return new CKnob(*this);
}

void CKnob::updateInset()
{
	inset = handleBitmap ? handleBitmap->getWidth() * 0.5 + 2.5 : 3.;
}

void CKnob::setHandleBitmap(CBitmap* bitmap)
{
	handleBitmap = bitmap;
	if (bitmap)
		updateInset();
	setDirty(true);
}

void CKnob::setDrawStyle(int32 style)
{
	setAndMarkDirty(drawStyle, style);
}

void CKnob::setCoronaColor(CColor color)
{
	setAndMarkDirty(coronaColor, color);
}

void CKnob::setCoronaInset(double newInset)
{
	setAndMarkDirty(coronaInset, newInset);
}

void CKnob::setColorShadowHandle(CColor color)
{
	setAndMarkDirty(colorShadowHandle, color);
}

void CKnob::setColorHandle(CColor color)
{
	setAndMarkDirty(colorHandle, color);
}

void CKnob::setHandleLineWidth(double width)
{
	setAndMarkDirty(handleLineWidth, width);
}

void CKnob::setCoronaOutlineWidthAdd(double width)
{
	setAndMarkDirty(coronaOutlineWidthAdd, width);
}

void CKnob::setCoronaDashDotLengths(const std::vector<double>& lengths)
{
	setAndMarkDirty(coronaLineStyle.getDashLengths(), lengths);
}

const std::vector<double>& CKnob::getCoronaDashDotLengths() const
{
	return coronaLineStyle.getDashLengths();
}

void CKnob::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
		background->draw(context, getViewSize(), offset, 1.f);
	if (handleBitmap)
		drawHandle(context);
	else
	{
		if (drawStyle & kCoronaOutline)
			drawCoronaOutline(context);
		if (drawStyle & kCoronaDrawing)
			drawCorona(context);
		if (!(drawStyle & kSkipHandleDrawing))
		{
			if (drawStyle & kHandleCircleDrawing)
				drawHandleAsCircle(context);
			else
				drawHandleAsLine(context);
		}
	}
	setDirty(false);
}

void CKnob::strokeArc(CDrawContext* context, const CRect& rect, double from, double to, bool clockwise) const
{
	// An arc of no length is empty; stroked with round caps it would still
	// leave a dot.
	if (from == to)
		return;
	auto path = owned(context->createGraphicsPath());
	if (!path)
		return;
	const double width = rect.getWidth();
	const double height = rect.getHeight();
	if (width != height)
	{
		from = std::atan2(std::sin(from) * height, std::cos(from) * width);
		to = std::atan2(std::sin(to) * height, std::cos(to) * width);
	}
	path->addArc(rect, from * 180. / M_PI, to * 180. / M_PI, clockwise);
	context->drawGraphicsPath(path, CDrawContext::kPathStroked);
}

void CKnob::drawCorona(CDrawContext* context) const
{
	float normalized = getValueNormalized();
	if (drawStyle & kCoronaInverted)
		normalized = 1.f - normalized;
	CRect rect = getViewSize();
	rect.inset(coronaInset, coronaInset);

	context->setFrameColor(coronaColor);
	if (!(drawStyle & kCoronaLineCapButt))
		context->setLineStyle(roundCapped(kLineSolid));
	else
		context->setLineStyle((drawStyle & kCoronaLineDashDot) ? coronaLineStyle : kLineSolid);
	context->setLineWidth(handleLineWidth);
	context->setDrawMode(kSmoothDrawMode);

	const double sweep = normalized * rangeAngle;
	if (drawStyle & kCoronaFromCenter)
	{
		const double fromTop = (normalized - 0.5) * rangeAngle;
		strokeArc(context, rect, 1.5 * M_PI, 1.5 * M_PI + fromTop, fromTop >= 0.);
	}
	else if (drawStyle & kCoronaInverted)
	{
		const double end = startAngle + rangeAngle;
		strokeArc(context, rect, end, end - sweep, sweep <= 0.);
	}
	else
		strokeArc(context, rect, startAngle, startAngle + sweep, sweep >= 0.);
}

void CKnob::drawCoronaOutline(CDrawContext* context) const
{
	CRect rect = getViewSize();
	rect.inset(coronaInset, coronaInset);
	double start = startAngle;
	double sweep = rangeAngle;
	// Butt caps end flat: the outline reaches a little past the corona's
	// ends.
	if (coronaOutlineWidthAdd != 0. && (drawStyle & kCoronaLineCapButt))
	{
		const double k = coronaOutlineWidthAdd / getViewSize().getWidth();
		start -= k;
		sweep += 2. * k;
	}
	context->setFrameColor(colorShadowHandle);
	context->setLineStyle((drawStyle & kCoronaLineCapButt) ? kLineSolid : roundCapped(kLineSolid));
	context->setLineWidth(handleLineWidth + coronaOutlineWidthAdd);
	context->setDrawMode(kSmoothDrawMode);
	strokeArc(context, rect, start, start + sweep, sweep >= 0.);
}

void CKnob::drawHandleAsLine(CDrawContext* context) const
{
	const CRect& size = getViewSize();
	CPoint where;
	valueToPoint(where);
	CPoint tip = where + CPoint(size.left - 1., size.top);
	CPoint centre(size.left - 1. + size.getWidth() / 2., size.top + size.getHeight() / 2.);
	context->setFrameColor(colorShadowHandle);
	context->setLineWidth(handleLineWidth);
	context->setLineStyle(CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinMiter, 0.));
	context->setDrawMode(kSmoothDrawMode);
	context->drawLine({tip, centre});
	// The highlight sits one pixel right and up of the shadow.
	tip += CPoint(1., -1.);
	centre += CPoint(1., -1.);
	context->setFrameColor(colorHandle);
	context->drawLine({tip, centre});
}

void CKnob::drawHandleAsCircle(CDrawContext* context) const
{
	CPoint where;
	valueToPoint(where);
	where += getViewSize().getTopLeft();
	const double radius = 0.5 + handleLineWidth;
	CRect dot(where.x - radius, where.y - radius, where.x + radius, where.y + radius);
	context->setDrawMode(kAntiAliasing);
	context->setFrameColor(colorShadowHandle);
	context->setFillColor(colorHandle);
	context->setLineWidth(0.5);
	context->setLineStyle(kLineSolid);
	context->setDrawMode(kSmoothDrawMode);
	context->drawEllipse(dot, kDrawFilledAndStroked);
}

void CKnob::drawHandle(CDrawContext* context)
{
	if (!handleBitmap)
		return;
	CPoint where;
	valueToPoint(where);
	const double width = handleBitmap->getWidth();
	const double height = handleBitmap->getHeight();
	CPoint topLeft = getViewSize().getTopLeft() - CPoint(width / 2., height / 2.) + where;
	topLeft = CPoint(std::floor(topLeft.x), std::floor(topLeft.y));
	handleBitmap->draw(context, CRect(topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height), CPoint(), 1.f);
}

bool CKnob::drawFocusOnTop()
{
	return false;
}

bool CKnob::getFocusPath(CGraphicsPath& outPath)
{
	if (!(drawStyle & kCoronaDrawing) || !wantsFocus())
		return CKnobBase::getFocusPath(outPath);
	CRect ring = getViewSize();
	ring.inset(coronaInset, coronaInset);
	ring.inset(handleLineWidth / 2., handleLineWidth / 2.);
	outPath.addEllipse(ring);
	return true;
}

// ---- CAnimKnob ----

CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background, const CPoint&)
: CKnobBase(size, listener, tag, background)
{
	heightOfOneImage = size.getHeight();
	setNumSubPixmaps(background ? framesInStrip(background->getHeight(), heightOfOneImage) : 0);
	inset = 0.;
}

CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                     double heightOfOneImage, CBitmap* background, const CPoint&)
: CKnobBase(size, listener, tag, background)
{
	setNumSubPixmaps(subPixmaps);
	setHeightOfOneImage(heightOfOneImage);
	inset = 0.;
}

CAnimKnob::CAnimKnob(const CAnimKnob& other)
: CKnobBase(other), IMultiBitmapControl(other), inverseBitmap(other.inverseBitmap)
{
}

CAnimKnob::~CAnimKnob() noexcept = default;

CView* CAnimKnob::cloneView() const
{
	return new CAnimKnob(*this);
}

void CAnimKnob::setHeightOfOneImage(const double& height)
{
	IMultiBitmapControl::setHeightOfOneImage(height);
	if (CBitmap* background = getBackground(); background && height > 0.)
		setNumSubPixmaps(framesInStrip(background->getHeight(), height));
}

void CAnimKnob::setNumSubPixmaps(int32 count)
{
	IMultiBitmapControl::setNumSubPixmaps(count);
	invalid();
}

void CAnimKnob::setBackground(CBitmap* background)
{
	CKnobBase::setBackground(background);
	if (heightOfOneImage == 0.)
		heightOfOneImage = getViewSize().getHeight();
	if (background && heightOfOneImage > 0.)
		setNumSubPixmaps(framesInStrip(background->getHeight(), heightOfOneImage));
}

bool CAnimKnob::sizeToFit()
{
	return sizeToBackground(getHeightOfOneImage());
}

void CAnimKnob::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
	{
		// The frame the value selects, on a frame boundary. Frames thinner
		// than a pixel (or a strip that did not load) show the first one.
		double y = 0.;
		const float normalized = getValueNormalized();
		if (normalized >= 0.f && heightOfOneImage >= 1.)
		{
			y = std::floor(heightOfOneImage * (getNumSubPixmaps() - 1) *
			               (inverseBitmap ? 1. - normalized : double(normalized)));
			if (y > 0.)
				y -= double(int64(y) % int64(heightOfOneImage));
			else
				y = 0.;
		}
		background->draw(context, getViewSize(), CPoint(0., y), 1.f);
	}
	setDirty(false);
}

} // namespace Kavrin
