#include "lib/controls/cswitch.h"

#include "lib/cbitmap.h"
#include "lib/moxkeycode.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

bool CSwitchBase::useLegacyIndexCalculation = false;

namespace {

// How long the rocker waits after a wheel step before it springs back.
constexpr uint32 kWheelGesturePause = 200; // milliseconds

} // namespace

// ---- CSwitchBase ----

CSwitchBase::CSwitchBase(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                         const CPoint& offset)
: CControl(size, listener, tag, background), offset(offset)
{
	setDefaultValue(0.f);
	setWantsFocus(true);
}

CSwitchBase::CSwitchBase(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                         double heightOfOneImage, int32, CBitmap* background, const CPoint& offset)
: CSwitchBase(size, listener, tag, background, offset)
{
	setNumSubPixmaps(subPixmaps);
	setHeightOfOneImage(heightOfOneImage);
}

CSwitchBase::CSwitchBase(const CSwitchBase& other)
: CControl(other), IMultiBitmapControl(other), offset(other.offset), coef(other.coef),
  mouseStartValue(other.mouseStartValue), inverseBitmap(other.inverseBitmap)
{
}

CSwitchBase::~CSwitchBase() noexcept = default;

void CSwitchBase::setNumSubPixmaps(int32 count)
{
	IMultiBitmapControl::setNumSubPixmaps(count);
	invalid();
}

void CSwitchBase::setInverseBitmap(bool state)
{
	if (inverseBitmap == state)
		return;
	inverseBitmap = state;
	invalid();
}

void CSwitchBase::useFramesAsTallAsTheView()
{
	heightOfOneImage = getViewSize().getHeight();
	CBitmap* background = getBackground();
	setNumSubPixmaps(background ? framesInStrip(background->getHeight(), heightOfOneImage) : 0);
}

float CSwitchBase::normalizedBand(double distance) const
{
	const int32 frames = getNumSubPixmaps();
	if (!(coef > 0.) || frames < 2)
		return 0.f;
	return float(std::trunc(distance / coef) / (frames - 1));
}

bool CSwitchBase::hasPositions() const
{
	return getBackground() && getNumSubPixmaps() >= 2 && getHeightOfOneImage() >= 1.;
}

int32 CSwitchBase::frameIndex(float normalized) const
{
	const int32 frames = getNumSubPixmaps();
	if (frames < 1)
		return 0;
	const double index = useLegacyIndexCalculation ? std::trunc(normalized * double(frames - 1) + 0.5)
	                                               : std::trunc(normalized * double(frames));
	// A value outside the range, or not a number, still names a frame.
	if (!(index > 0.))
		return 0;
	return index >= double(frames - 1) ? frames - 1 : int32(index);
}

void CSwitchBase::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
	{
		float normalized = getValueNormalized();
		if (inverseBitmap)
			normalized = 1.f - normalized;
		// Frames thinner than a pixel show the first one.
		const double frameHeight = getHeightOfOneImage() >= 1. ? getHeightOfOneImage() : 0.;
		background->draw(context, getViewSize(), CPoint(0., frameHeight * frameIndex(normalized)), 1.f);
	}
	setDirty(false);
}

bool CSwitchBase::sizeToFit()
{
	return sizeToBackground(getHeightOfOneImage());
}

CMouseEventResult CSwitchBase::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	coef = calculateCoef();
	// A listener that closed the edit as it began took the switch away.
	if (!dragEdit.open(this))
		return kMouseDownHandledNoMoveOrUp;
	if (checkDefaultValue(buttons))
	{
		dragEdit.close();
		return kMouseDownHandledNoMoveOrUp;
	}
	mouseStartValue = getValue();
	return onMouseMoved(where, buttons);
}

CMouseEventResult CSwitchBase::onMouseMoved(CPoint& where, const CButtonState&)
{
	if (!dragEdit.isOpen() || !hasPositions())
		return kMouseHandled;
	float normalized = calcNormFromPoint(where);
	if (inverseBitmap)
		normalized = 1.f - normalized;
	value = getMin() + (getMax() - getMin()) * normalized;
	bounceValue();
	if (isDirty())
	{
		valueChanged();
		invalid();
	}
	return kMouseHandled;
}

CMouseEventResult CSwitchBase::onMouseUp(CPoint&, const CButtonState&)
{
	dragEdit.close();
	return kMouseHandled;
}

CMouseEventResult CSwitchBase::onMouseCancel()
{
	if (dragEdit.isOpen())
	{
		setValue(mouseStartValue);
		if (isDirty())
		{
			valueChanged();
			invalid();
		}
	}
	dragEdit.close();
	return kMouseHandled;
}

int32 CSwitchBase::stepPosition(const MoxKeyCode& key, uint8 back, uint8 forward)
{
	if (key.modifier != 0 || (key.virt != back && key.virt != forward) || !hasPositions())
		return -1;
	const int32 last = getNumSubPixmaps() - 1;
	int32 index = frameIndex(getValueNormalized());
	if (key.virt == back && index > 0)
		--index;
	else if (key.virt == forward && index < last)
		++index;
	value = getMin() + (getMax() - getMin()) * float(index) / float(last);
	bounceValue();
	if (!isDirty())
		return -1;
	invalid();
	EditGuard edit(this);
	if (edit.isOpen())
		valueChanged();
	return 1;
}

// ---- CVerticalSwitch ----

CVerticalSwitch::CVerticalSwitch(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                                 const CPoint& offset)
: CSwitchBase(size, listener, tag, background, offset)
{
	useFramesAsTallAsTheView();
}

CVerticalSwitch::CVerticalSwitch(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                                 double heightOfOneImage, int32 maxPositions, CBitmap* background,
                                 const CPoint& offset)
: CSwitchBase(size, listener, tag, subPixmaps, heightOfOneImage, maxPositions, background, offset)
{
}

CView* CVerticalSwitch::cloneView() const
{
	return new CVerticalSwitch(*this);
}

double CVerticalSwitch::calculateCoef() const
{
	const int32 frames = getNumSubPixmaps();
	return frames > 0 ? getHeightOfOneImage() / frames : 0.;
}

float CVerticalSwitch::calcNormFromPoint(const CPoint& where) const
{
	return normalizedBand(where.y - getViewSize().top);
}

int32 CVerticalSwitch::onKeyDown(MoxKeyCode& keyCode)
{
	return stepPosition(keyCode, kVKeyUp, kVKeyDown);
}

// ---- CHorizontalSwitch ----

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, IControlListener* listener, int32 tag,
                                     CBitmap* background, const CPoint& offset)
: CSwitchBase(size, listener, tag, background, offset)
{
	useFramesAsTallAsTheView();
}

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                                     double heightOfOneImage, int32 maxPositions, CBitmap* background,
                                     const CPoint& offset)
: CSwitchBase(size, listener, tag, subPixmaps, heightOfOneImage, maxPositions, background, offset)
{
}

CView* CHorizontalSwitch::cloneView() const
{
	return new CHorizontalSwitch(*this);
}

double CHorizontalSwitch::calculateCoef() const
{
	const int32 frames = getNumSubPixmaps();
	CBitmap* background = getBackground();
	return frames > 0 && background ? background->getWidth() / frames : 0.;
}

float CHorizontalSwitch::calcNormFromPoint(const CPoint& where) const
{
	return normalizedBand(where.x - getViewSize().left);
}

int32 CHorizontalSwitch::onKeyDown(MoxKeyCode& keyCode)
{
	return stepPosition(keyCode, kVKeyLeft, kVKeyRight);
}

// ---- CRockerSwitch ----

CRockerSwitch::CRockerSwitch(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                             const CPoint& offset, int32 style)
: CRockerSwitch(size, listener, tag, size.getHeight(), background, offset, style)
{
}

CRockerSwitch::CRockerSwitch(const CRect& size, IControlListener* listener, int32 tag, double heightOfOneImage,
                             CBitmap* background, const CPoint& offset, int32 style)
: CControl(size, listener, tag, background), offset(offset), style(style)
{
	setNumSubPixmaps(3);
	setHeightOfOneImage(heightOfOneImage);
	setWantsFocus(true);
	setMin(-1.f);
	setMax(1.f);
	setValue(0.f);
}

CRockerSwitch::CRockerSwitch(const CRockerSwitch& other)
: CControl(other), IMultiBitmapControl(other), offset(other.offset), style(other.style)
{
	value = middle();
}

CRockerSwitch::~CRockerSwitch() noexcept = default;

CView* CRockerSwitch::cloneView() const
{
	return new CRockerSwitch(*this);
}

void CRockerSwitch::setNumSubPixmaps(int32 count)
{
	IMultiBitmapControl::setNumSubPixmaps(count);
	invalid();
}

float CRockerSwitch::middle() const
{
	return getMin() + (getMax() - getMin()) * 0.5f;
}

void CRockerSwitch::draw(CDrawContext* context)
{
	if (CBitmap* background = getDrawBackground())
	{
		CPoint where = offset;
		if (value == getMax())
			where.y += 2. * getHeightOfOneImage();
		else if (value == middle())
			where.y += getHeightOfOneImage();
		background->draw(context, getViewSize(), where, 1.f);
	}
	setDirty(false);
}

bool CRockerSwitch::sizeToFit()
{
	return sizeToBackground(getHeightOfOneImage());
}

CMouseEventResult CRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	entryValue = value;
	if (!dragEdit.open(this))
		return kMouseDownHandledNoMoveOrUp;
	return onMouseMoved(where, buttons);
}

// Either half of the view (its edges and its middle line in the first)
// pushes the rocker to an end; off the view it goes back to where it was.
CMouseEventResult CRockerSwitch::onMouseMoved(CPoint& where, const CButtonState&)
{
	if (!dragEdit.isOpen())
		return kMouseNotHandled;
	const CRect& size = getViewSize();
	const bool inside = where.x >= size.left && where.x <= size.right && where.y >= size.top && where.y <= size.bottom;
	if (!inside)
		value = entryValue;
	else if (style & kHorizontal)
		value = where.x <= size.left + size.getWidth() / 2. ? getMin() : getMax();
	else
		value = where.y <= size.top + size.getHeight() / 2. ? getMin() : getMax();
	if (isDirty())
	{
		valueChanged();
		invalid();
	}
	return kMouseHandled;
}

// Springs back without telling the listeners: they heard the end it was
// pushed to, and the release stands for the return.
CMouseEventResult CRockerSwitch::onMouseUp(CPoint&, const CButtonState&)
{
	if (dragEdit.isOpen())
	{
		value = middle();
		if (isDirty())
			invalid();
	}
	dragEdit.close();
	return kMouseHandled;
}

CMouseEventResult CRockerSwitch::onMouseCancel()
{
	if (dragEdit.isOpen())
	{
		value = entryValue;
		if (isDirty())
		{
			valueChanged();
			invalid();
		}
	}
	dragEdit.close();
	return kMouseHandled;
}

int32 CRockerSwitch::onKeyDown(MoxKeyCode& keyCode)
{
	if (keyCode.modifier != 0)
		return -1;
	float pushedTo = 0.f;
	if ((style & kHorizontal) && (keyCode.virt == kVKeyLeft || keyCode.virt == kVKeyRight))
		pushedTo = keyCode.virt == kVKeyLeft ? getMin() : getMax();
	else if ((style & kVertical) && (keyCode.virt == kVKeyUp || keyCode.virt == kVKeyDown))
		pushedTo = keyCode.virt == kVKeyUp ? getMin() : getMax();
	else
		return -1;
	value = pushedTo;
	invalid();
	// A held key repeats: its gesture keeps the one edit it opened.
	if (keyEdit.isOpen() || keyEdit.open(this))
		valueChanged();
	return 1;
}

int32 CRockerSwitch::onKeyUp(MoxKeyCode& keyCode)
{
	const bool leftOrRight = keyCode.virt == kVKeyLeft || keyCode.virt == kVKeyRight;
	const bool upOrDown = keyCode.virt == kVKeyUp || keyCode.virt == kVKeyDown;
	if (keyCode.modifier != 0 || !(leftOrRight || ((style & kVertical) && upOrDown)))
		return -1;
	endKeyGesture();
	return 1;
}

void CRockerSwitch::springBack(EditGuard& gesture)
{
	value = middle();
	invalid();
	if (gesture.isOpen() || gesture.open(this))
		valueChanged();
	gesture.close();
}

void CRockerSwitch::endKeyGesture()
{
	if (keyEdit.isOpen())
		springBack(keyEdit);
}

bool CRockerSwitch::onWheel(const CPoint&, const CMouseWheelAxis&, const float& distance, const CButtonState&)
{
	if (!getMouseEnabled())
		return false;
	value = distance > 0.f ? getMin() : getMax();
	if (isDirty())
	{
		invalid();
		// A listener that closed the edit as it began took the rocker away:
		// nothing is left to spring back.
		if (!wheelEdit.isOpen() && !wheelEdit.open(this))
			return true;
		valueChanged();
	}
	if (!timer)
		timer = makeOwned<CKavrinTimer>(this, kWheelGesturePause, false);
	timer->stop();
	timer->start();
	return true;
}

// A drag or a key holding the rocker keeps its value; the wheel's edit ends
// all the same.
void CRockerSwitch::endWheelGesture()
{
	timer = nullptr;
	if (inDragOrKeyGesture() || value == middle())
	{
		wheelEdit.close();
		return;
	}
	springBack(wheelEdit);
	setDirty(true);
}

NotifyResult CRockerSwitch::notify(CBaseObject* sender, const char*)
{
	if (!timer || sender != timer.get())
		return kMessageIgnored;
	// A listener told of the return may release the rocker.
	SharedPointer<CRockerSwitch> keepAlive = this;
	endWheelGesture();
	return kMessageHandled;
}

void CRockerSwitch::looseFocus()
{
	endKeyGesture();
	CControl::looseFocus();
}

bool CRockerSwitch::removed(CView* parent)
{
	if (isAttached())
	{
		SharedPointer<CRockerSwitch> keepAlive = this;
		endKeyGesture();
		if (timer)
			endWheelGesture();
	}
	return CControl::removed(parent);
}

void CRockerSwitch::beforeDelete()
{
	timer = nullptr;
	CControl::beforeDelete();
}

} // namespace Kavrin
