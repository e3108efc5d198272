#include "lib/controls/ccontrol.h"
#include "lib/controls/imultibitmapcontrol.h"

#include "lib/assertion.h"
#include "lib/cbitmap.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/kavrineditorinterface.h"
#include "lib/moxkeycode.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Kavrin {

int32 CControl::kZoomModifier = kShiftModifier;
int32 CControl::kDefaultValueModifier = kControlModifier;

namespace {

constexpr uint32 kButtonMask = kLeftButton | kMiddleButton | kRightButton | kButton4 | kButton5;

} // namespace

CControl::CControl(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background)
: CView(size), listener(listener), tag(tag)
{
	setTransparency(false);
	setMouseEnabled(true);
	setBackground(background);
}

CControl::CControl(const CControl& other)
: CView(other), IFocusDrawing(other), listener(other.listener), tag(other.tag), oldValue(other.oldValue),
  defaultValue(other.defaultValue), value(other.value), vmin(other.vmin), vmax(other.vmax),
  wheelInc(other.wheelInc)
{
}

CControl::~CControl() noexcept = default;

// ---- Value model ----

void CControl::setValue(float newValue)
{
	float clamped = newValue;
	if (getMin() > newValue)
		clamped = getMin();
	else if (newValue > getMax())
		clamped = getMax();
	if (clamped != value)
		value = clamped;
}

float CControl::getValue() const
{
	return value;
}

void CControl::setValueNormalized(float normalized)
{
	if (normalized > 1.f)
		normalized = 1.f;
	else if (normalized < 0.f)
		normalized = 0.f;
	setValue(getMin() + normalized * (getMax() - getMin()));
}

float CControl::getValueNormalized() const
{
	float range = getMax() - getMin();
	if (range == 0.f)
		return 0.f;
	return (value - getMin()) / range;
}

void CControl::setMin(float newMin)
{
	vmin = newMin;
}

float CControl::getMin() const
{
	return vmin;
}

void CControl::setMax(float newMax)
{
	vmax = newMax;
}

float CControl::getMax() const
{
	return vmax;
}

void CControl::setOldValue(float newOldValue)
{
	oldValue = newOldValue;
}

float CControl::getOldValue() const
{
	return oldValue;
}

void CControl::setDefaultValue(float newDefault)
{
	defaultValue = newDefault;
}

float CControl::getDefaultValue() const
{
	return defaultValue;
}

void CControl::bounceValue()
{
	if (value > getMax())
		value = getMax();
	else if (value < getMin())
		value = getMin();
}

bool CControl::isDirty() const
{
	if (getOldValue() != value)
		return true;
	return CView::isDirty();
}

void CControl::setDirty(bool state)
{
	CView::setDirty(state);
	if (state)
		setOldValue(value == -1.f ? 0.f : -1.f);
	else
		setOldValue(value);
}

bool CControl::checkDefaultValue(CButtonState button)
{
	const uint32 bits = button.getButtonState();
	const bool gesture = (bits & kDoubleClick) ||
	                     ((bits & kButtonMask) == kLeftButton &&
	                      (bits & kModifierMask) == uint32(kDefaultValueModifier));
	if (!gesture)
		return false;
	if (getDefaultValue() != getValue())
	{
		{
			EditGuard edit(this);
			if (edit.isOpen())
			{
				setValue(getDefaultValue());
				valueChanged();
			}
		}
		setDirty(true);
	}
	return true;
}

void CControl::setWheelInc(float increment)
{
	wheelInc = increment;
}

float CControl::getWheelInc() const
{
	return wheelInc;
}

// ---- Listeners and the edit bracket ----

template <typename Call>
void CControl::dispatchToListeners(Call call)
{
	subListeners.forEach([&](IControlListener* subListener) { call(subListener); });
}

void CControl::valueChanged()
{
	// A listener may release the control (a page rebuilt on a value).
	SharedPointer<CControl> keepAlive = this;
	if (listener)
		listener->valueChanged(this);
	dispatchToListeners([this](IControlListener* l) { l->valueChanged(this); });
}

// Each observer is recorded before it is told, and the round stops as soon
// as a listener has closed the edit: those not reached hear neither end.
void CControl::beginEdit()
{
	if (editing++ != 0)
		return;
	SharedPointer<CControl> keepAlive = this;
	const uint32 serial = ++editSerial;
	editAudience = {};
	if (listener)
	{
		editAudience.listener = true;
		listener->controlBeginEdit(this);
	}
	subListeners.forEach([&](IControlListener* subListener) {
		if (!isEditOpen(serial))
			return true;
		editAudience.subListeners.push_back(subListener);
		subListener->controlBeginEdit(this);
		return false;
	});
	if (CFrame* frame = getFrame(); isEditOpen(serial) && frame && frame->getEditor())
	{
		editAudience.editor = true;
		frame->beginEdit(tag);
	}
}

void CControl::endEdit()
{
	if (editing <= 0 || --editing != 0)
		return;
	SharedPointer<CControl> keepAlive = this;
	const EditAudience audience = std::exchange(editAudience, {});
	if (CFrame* frame = getFrame(); audience.editor && frame)
		frame->endEdit(tag);
	if (audience.listener && listener)
		listener->controlEndEdit(this);
	const auto& reached = audience.subListeners;
	dispatchToListeners([&](IControlListener* subListener) {
		if (std::find(reached.begin(), reached.end(), subListener) != reached.end())
			subListener->controlEndEdit(this);
	});
}

void CControl::closeOpenEdit()
{
	while (editing > 0)
		endEdit();
}

bool CControl::removed(CView* parent)
{
	if (isAttached())
	{
		// Keep this control alive while its listeners hear the end.
		SharedPointer<CControl> keepAlive = this;
		closeOpenEdit();
	}
	return CView::removed(parent);
}

void CControl::beforeDelete()
{
	closeOpenEdit();
	CView::beforeDelete();
}

// ---- Edit guard ----

CControl::EditGuard::EditGuard(EditGuard&& other) noexcept
: control(std::exchange(other.control, nullptr)), serial(other.serial)
{
}

CControl::EditGuard& CControl::EditGuard::operator=(EditGuard&& other) noexcept
{
	if (this != &other)
	{
		close();
		control = std::exchange(other.control, nullptr);
		serial = other.serial;
	}
	return *this;
}

bool CControl::EditGuard::open(CControl* newControl)
{
	close();
	if (!newControl)
		return false;
	// An outermost begin opens the next edit; a nested one joins the open one.
	serial = newControl->editing > 0 ? newControl->editSerial : newControl->editSerial + 1;
	control = newControl;
	newControl->beginEdit();
	return isOpen();
}

void CControl::EditGuard::close()
{
	// Taken first: a listener told of the end may close this guard again.
	CControl* owner = std::exchange(control, nullptr);
	if (owner && owner->isEditOpen(serial))
		owner->endEdit();
}

void CControl::setTag(int32 newTag)
{
	if (listener)
		listener->controlTagWillChange(this);
	tag = newTag;
	if (listener)
		listener->controlTagDidChange(this);
}

bool CControl::sizeToBackground(double height)
{
	CBitmap* background = getBackground();
	if (!background)
		return false;
	CRect size = getViewSize();
	size.setWidth(background->getWidth());
	size.setHeight(height);
	setViewSize(size, true);
	setMouseableArea(size);
	return true;
}

int32 CControl::getTag() const
{
	return tag;
}

IControlListener* CControl::getListener() const
{
	return listener;
}

void CControl::setListener(IControlListener* newListener)
{
	listener = newListener;
}

void CControl::registerControlListener(IControlListener* subListener)
{
	if (subListener == listener)
		doAssert("lib/controls/ccontrol", "57", "the subListener is already the main listener");
	subListeners.add(subListener);
}

void CControl::unregisterControlListener(IControlListener* subListener)
{
	subListeners.remove(subListener);
}

int32 CControl::stepByArrowKey(const MoxKeyCode& keyCode, bool reversed)
{
	float step = 0.f;
	switch (keyCode.virt)
	{
		case kVKeyLeft:
		case kVKeyDown:
			step = -1.f;
			break;
		case kVKeyUp:
		case kVKeyRight:
			step = 1.f;
			break;
		default:
			return -1;
	}
	if (reversed)
		step = -step;
	if (mapMoxKeyModifier(keyCode.modifier) & kZoomModifier)
		step *= 0.1f;
	setValueNormalized(getValueNormalized() + step * getWheelInc());
	if (isDirty())
	{
		invalid();
		EditGuard edit(this);
		if (edit.isOpen())
			valueChanged();
	}
	return 1;
}

int32 CControl::mapMoxKeyModifier(int32 keyModifiers)
{
	int32 result = 0;
	if (keyModifiers & kModifierShift)
		result |= kShiftModifier;
	if (keyModifiers & kModifierAlternate)
		result |= kAltModifier;
	if (keyModifiers & kModifierCommand)
		result |= kAppleModifier;
	if (keyModifiers & kModifierControl)
		result |= kControlModifier;
	return result;
}

// ---- Focus ----

bool CControl::drawFocusOnTop()
{
	return false;
}

// A band of the frame's focus width around the visible part, for an
// even-odd fill.
bool CControl::getFocusPath(CGraphicsPath& outPath)
{
	if (!wantsFocus())
		return true;
	double width = 2.;
	if (auto frame = getFrame())
		width = frame->getFocusWidth();
	CRect r = getVisibleViewSize();
	if (r.left < r.right && r.top < r.bottom)
	{
		outPath.addRect(r);
		r.extend(width, width);
		outPath.addRect(r);
	}
	return true;
}

// ---- Film strips ----

void IMultiBitmapControl::autoComputeHeightOfOneImage()
{
	if (auto view = dynamic_cast<CView*>(this))
		heightOfOneImage = view->getViewSize().getHeight();
}

int32 IMultiBitmapControl::framesInStrip(double stripHeight, double frameHeight)
{
	if (!(frameHeight > 0.) || !(stripHeight > 0.))
		return 0;
	double frames = std::trunc(stripHeight / frameHeight);
	return frames >= double(std::numeric_limits<int32>::max()) ? std::numeric_limits<int32>::max()
	                                                           : int32(frames);
}

} // namespace Kavrin
