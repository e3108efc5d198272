#include "lib/cview.h"

#include "lib/animation/animator.h"
#include "lib/animation/ownership.h"
#include "lib/assertion.h"
#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/cviewcontainer.h"
#include "lib/dispatchlist.h"
#include "lib/dragging.h"
#include "lib/idleviewupdater.h"
#include "lib/platform/iplatformframe.h"
#include "lib/iviewlistener.h"
#include "lib/messages.h"

#include <atomic>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace Kavrin {

uint32 CView::idleRate = 30;
bool CView::kDirtyCallAlwaysOnMainThread = false;

namespace {

// Attributes that hold a reference, or point into one tree: a copied view
// must not take them over byte for byte.
bool isOwnedOrTreeAttribute(CViewAttributeID id)
{
	switch (id)
	{
		case kCViewBackgroundAttribute:
		case kCViewDisabledBackgroundAttribute:
		case kCViewHitTestPathAttribute:
		case kCViewDropTargetAttribute:
		case kCViewControllerAttribute:
		case kCViewContainerMouseDownViewAttribute:
		case kCViewContainerDropTargetAttribute:
			return true;
		default:
			return false;
	}
}

} // namespace

struct CView::Impl
{
	std::unordered_map<CViewAttributeID, std::vector<uint8>> attributes;
	DispatchList<IViewListener*> viewListeners;
	DispatchList<IViewMouseListener*> viewMouseListeners;
	CRect size;
	// Atomic, with the frame pointer: another thread may mark the view
	// dirty (setDirty) while the main thread changes other flags.
	std::atomic<int32> flags {kMouseEnabled | kVisible};
	int32 autosizeFlags {0};
	std::atomic<CFrame*> parentFrame {nullptr};
	CView* parentView {nullptr};
	// Spares hit tests a hash lookup for the common view without a path.
	bool hasHitTestPath {false};
	// Set while removed() runs: its handlers may not register the view again.
	bool beingRemoved {false};
	// A container that took the view while it was being removed: the view
	// is attached to it once the removal is over. Held, since the removal's
	// handlers may release it.
	SharedPointer<CView> parentAfterRemoval;

	template <typename T>
	T* getPointer(CViewAttributeID id) const
	{
		auto it = attributes.find(id);
		if (it == attributes.end() || it->second.size() != sizeof(T*))
			return nullptr;
		T* ptr = nullptr;
		std::memcpy(&ptr, it->second.data(), sizeof(T*));
		return ptr;
	}
};

CView::CView(const CRect& size) : impl(std::make_unique<Impl>())
{
	impl->size = size;
}

CView::CView(const CView& view) : CBaseObject(view), impl(std::make_unique<Impl>())
{
	impl->size = view.impl->size;
	impl->flags = view.impl->flags.load() & ~(kIsAttached | kIsSubview | kHasBackground |
	                                          kHasDisabledBackground);
	impl->autosizeFlags = view.impl->autosizeFlags;
	setHitTestPath(view.getHitTestPath());
	setBackground(view.getBackground());
	setDisabledBackground(view.getDisabledBackground());
	for (const auto& [id, bytes] : view.impl->attributes)
	{
		if (!isOwnedOrTreeAttribute(id))
			impl->attributes.emplace(id, bytes);
	}
}

CView::~CView() noexcept = default;

CView* CView::cloneView() const
{
	return new CView(*this);
}

// ---- Drawing and invalidation ----

void CView::draw(CDrawContext* context)
{
	if (auto background = getDrawBackground(); background && context)
		context->drawBitmap(background, impl->size, CPoint(), 1.f);
	setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&)
{
	draw(context);
}

bool CView::overlapsUpdateRect(const CRect& updateRect) const
{
	return updateRect.rectOverlap(impl->size);
}

bool CView::isDirty() const
{
	return hasViewFlag(kDirty);
}

// Any thread may mark a view dirty (a meter fed by the audio thread does):
// the flag and the frame pointer are atomics, and asking the frame for an
// idle pass neither locks nor allocates. Such a thread stops before the
// view leaves its frame.
void CView::setDirty(bool state)
{
	if (state && kDirtyCallAlwaysOnMainThread && isAttached())
	{
		invalidRect(impl->size);
		state = false;
	}
	setViewFlag(kDirty, state);
	if (!state)
		return;
	if (CFrame* frame = impl->parentFrame.load(std::memory_order_acquire))
		frame->requestIdle();
}

void CView::invalidRect(const CRect& rect)
{
	constexpr int32 kShown = kIsAttached | kVisible;
	if ((impl->flags.load(std::memory_order_relaxed) & kShown) != kShown)
		return;
	if (impl->parentView)
		impl->parentView->invalidRect(rect);
	else
		doAssert("lib/cview", "583");
}

void CView::invalid()
{
	setDirty(false);
	invalidRect(impl->size);
}

void CView::setVisible(bool state)
{
	if (hasViewFlag(kVisible) == state)
		return;
	if (state)
	{
		setViewFlag(kVisible, true);
		invalid();
	}
	else
	{
		invalid();
		setViewFlag(kVisible, false);
	}
}

// ---- Events ----

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&)
{
	return kMouseNotImplemented;
}

CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&)
{
	return kMouseNotImplemented;
}

CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&)
{
	return kMouseNotImplemented;
}

CMouseEventResult CView::onMouseCancel()
{
	return kMouseNotImplemented;
}

CMouseEventResult CView::onMouseEntered(CPoint&, const CButtonState&)
{
	return kMouseNotImplemented;
}

CMouseEventResult CView::onMouseExited(CPoint&, const CButtonState&)
{
	return kMouseNotImplemented;
}

bool CView::hitTest(const CPoint& where, const CButtonState&)
{
	if (auto path = getHitTestPath())
	{
		CPoint local = where - impl->size.getTopLeft();
		return path->hitTest(local);
	}
	return getMouseableArea().pointInside(where);
}

bool CView::spareViewHook()
{
	return false;
}

bool CView::onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&)
{
	return false;
}

void CView::setMouseEnabled(bool state)
{
	if (getMouseEnabled() == state)
		return;
	setViewFlag(kMouseEnabled, state);
	if (hasViewFlag(kHasDisabledBackground))
		setDirty(true);
	impl->viewMouseListeners.forEachReverse(
	    [&](IViewMouseListener* listener) { listener->viewOnMouseEnabled(this, state); });
}

SharedPointer<IDropTarget> CView::getDropTarget()
{
	return impl->getPointer<IDropTarget>(kCViewDropTargetAttribute);
}

int32 CView::onKeyDown(MoxKeyCode&)
{
	return kKeyNotHandled;
}

int32 CView::onKeyUp(MoxKeyCode&)
{
	return kKeyNotHandled;
}

// ---- Geometry ----

void CView::setViewSize(const CRect& rect, bool invalidate)
{
	if (rect == impl->size)
		return;
	if (kDirtyCallAlwaysOnMainThread && invalidate)
		invalid();
	CRect oldSize = impl->size;
	impl->size = rect;
	if (invalidate)
		setDirty(true);
	if (impl->parentView)
		impl->parentView->notify(this, kMsgViewSizeChanged);
	impl->viewListeners.forEach(
	    [&](IViewListener* listener) { listener->viewSizeChanged(this, oldSize); });
}

CRect CView::getVisibleViewSize() const
{
	if (auto parent = impl->parentView ? impl->parentView->toViewContainer() : nullptr)
		return parent->getVisibleSize(impl->size);
	return {};
}

void CView::parentSizeChanged() {}

CPoint& CView::frameToLocal(CPoint& point) const
{
	if (impl->parentView)
		return impl->parentView->frameToLocal(point);
	return point;
}

CPoint& CView::localToFrame(CPoint& point) const
{
	if (impl->parentView)
		return impl->parentView->localToFrame(point);
	return point;
}

void CView::setAutosizeFlags(int32 flags)
{
	impl->autosizeFlags = flags;
}

bool CView::sizeToFit()
{
	return false;
}

const CRect& CView::getViewSize() const
{
	return impl->size;
}

int32 CView::getAutosizeFlags() const
{
	return impl->autosizeFlags;
}

CRect CView::getMouseableArea() const
{
	CRect area = impl->size;
	if (hasViewFlag(kHasMouseableArea))
		getAttributeValue(kCViewMouseableAreaAttribute, area);
	return area;
}

void CView::setMouseableArea(const CRect& rect)
{
	if (rect == impl->size)
	{
		removeAttribute(kCViewMouseableAreaAttribute);
		setViewFlag(kHasMouseableArea, false);
		return;
	}
	setAttributeValue(kCViewMouseableAreaAttribute, rect);
	setViewFlag(kHasMouseableArea, true);
}

CGraphicsTransform CView::getGlobalTransform(bool ignoreFrame) const
{
	std::vector<const CView*> ancestors;
	for (auto parent = impl->parentView; parent; parent = parent->impl->parentView)
		ancestors.push_back(parent);

	CGraphicsTransform result;
	for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
	{
		const CView* ancestor = *it;
		auto container = ancestor->toViewContainer();
		if (!container)
			continue;
		if (ancestor == static_cast<const CView*>(impl->parentFrame))
		{
			if (!ignoreFrame)
				result = result * container->getTransform();
			continue;
		}
		const CRect& size = ancestor->getViewSize();
		result = result * CGraphicsTransform::translation(size.left, size.top) *
		         container->getTransform();
	}
	if (auto self = toViewContainer();
	    self && !(ignoreFrame && static_cast<const CView*>(impl->parentFrame) == this))
		result = result * self->getTransform();
	return result;
}

CPoint CView::translateToGlobal(const CPoint& point, bool ignoreFrame) const
{
	return getGlobalTransform(ignoreFrame).transformed(point);
}

CPoint CView::translateToLocal(const CPoint& point, bool ignoreFrame) const
{
	return getGlobalTransform(ignoreFrame).inverse().transformed(point);
}

// ---- Focus ----

void CView::looseFocus()
{
	dispatchViewListeners(&IViewListener::viewLostFocus);
}

void CView::takeFocus()
{
	dispatchViewListeners(&IViewListener::viewTookFocus);
}

bool CView::wantsFocus() const
{
	return hasViewFlag(kWantsFocus);
}

void CView::setWantsFocus(bool state)
{
	setViewFlag(kWantsFocus, state);
}

// ---- Appearance ----

namespace {

// Stores a remembered pointer under id (removing the attribute for null) and
// releases the previous one.
template <typename T>
bool replaceReferenceAttribute(CView& view, CViewAttributeID id, T* newObject, T* oldObject)
{
	if (newObject == oldObject)
		return false;
	if (newObject)
	{
		newObject->remember();
		view.setAttributeValue(id, newObject);
	}
	else
		view.removeAttribute(id);
	if (oldObject)
		oldObject->forget();
	return true;
}

} // namespace

void CView::setBackground(CBitmap* background)
{
	if (replaceReferenceAttribute(*this, kCViewBackgroundAttribute, background, getBackground()))
	{
		setViewFlag(kHasBackground, background != nullptr);
		setDirty(true);
	}
}

void CView::setDisabledBackground(CBitmap* background)
{
	if (replaceReferenceAttribute(*this, kCViewDisabledBackgroundAttribute, background,
	                              getDisabledBackground()))
	{
		setViewFlag(kHasDisabledBackground, background != nullptr);
		setDirty(true);
	}
}

CBitmap* CView::getBackground() const
{
	return impl->getPointer<CBitmap>(kCViewBackgroundAttribute);
}

CBitmap* CView::getDisabledBackground() const
{
	return impl->getPointer<CBitmap>(kCViewDisabledBackgroundAttribute);
}

CBitmap* CView::getDrawBackground() const
{
	if (!getMouseEnabled())
	{
		if (auto disabled = getDisabledBackground())
			return disabled;
	}
	return getBackground();
}

void CView::setHitTestPath(CGraphicsPath* path)
{
	replaceReferenceAttribute(*this, kCViewHitTestPathAttribute, path, getHitTestPath());
	impl->hasHitTestPath = path != nullptr;
}

CGraphicsPath* CView::getHitTestPath() const
{
	if (!impl->hasHitTestPath)
		return nullptr;
	return impl->getPointer<CGraphicsPath>(kCViewHitTestPathAttribute);
}

void CView::setDropTarget(const SharedPointer<IDropTarget>& target)
{
	replaceReferenceAttribute(*this, kCViewDropTargetAttribute, target.get(),
	                          impl->getPointer<IDropTarget>(kCViewDropTargetAttribute));
}

bool CView::doDrag(const DragDescription& description, const SharedPointer<IDragCallback>& callback)
{
	auto frame = getFrame();
	return frame && frame->performDrag(description, callback);
}

int32 CView::doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap)
{
	auto frame = getFrame();
	auto platformFrame = frame ? frame->getPlatformFrame() : nullptr;
	return platformFrame ? platformFrame->doDrag(source, offset, dragBitmap) : -1;
}

// ---- Animations ----

namespace {

// The animator a new animation of view joins, or null (having released what
// was handed over) when the view is not in an open frame's tree: a view on
// its way out would keep its animation after the frame dropped the others.
SharedPointer<Animation::Animator> animatorForNewAnimation(CView* view, const char* assertionLine,
                                                           Animation::IAnimationTarget* target,
                                                           Animation::ITimingFunction* timingFunction)
{
	CFrame* frame = view->isInTree() ? view->getFrame() : nullptr;
	SharedPointer<Animation::Animator> animator = frame ? frame->getAnimator() : nullptr;
	if (animator)
		return animator;
	Animation::Detail::releaseOwned(target);
	Animation::Detail::releaseOwned(timingFunction);
	// A closing frame starts nothing, without complaint.
	if (!frame)
		doAssert("lib/cview", assertionLine, "to start an animation, the view needs to be attached");
	return nullptr;
}

} // namespace

void CView::addAnimation(const char* name, Animation::IAnimationTarget* target,
                         Animation::ITimingFunction* timingFunction, CBaseObject* notificationObject)
{
	if (auto animator = animatorForNewAnimation(this, "1007", target, timingFunction))
		animator->addAnimation(this, name, target, timingFunction, notificationObject);
}

void CView::addAnimation(const char* name, Animation::IAnimationTarget* target,
                         Animation::ITimingFunction* timingFunction,
                         const std::function<void(CView*, const char*, Animation::IAnimationTarget*)>& notification)
{
	if (auto animator = animatorForNewAnimation(this, "1018", target, timingFunction))
		animator->addAnimation(this, name, target, timingFunction, notification);
}

void CView::removeAnimation(const char* name)
{
	CFrame* frame = getFrame();
	if (SharedPointer<Animation::Animator> animator = frame ? frame->getAnimator() : nullptr)
		animator->removeAnimation(this, name);
}

void CView::removeAllAnimations()
{
	CFrame* frame = getFrame();
	if (SharedPointer<Animation::Animator> animator = frame ? frame->getAnimator() : nullptr)
		animator->removeAnimations(this);
}

void CView::setTransparency(bool state)
{
	if (getTransparency() == state)
		return;
	setViewFlag(kTransparencyEnabled, state);
	setDirty(true);
}

void CView::setAlphaValue(float alpha)
{
	float oldAlpha = getAlphaValue();
	setAlphaValueNoInvalidate(alpha);
	if (oldAlpha != alpha && impl->parentView)
		impl->parentView->invalidRect(impl->size);
}

void CView::setAlphaValueNoInvalidate(float alpha)
{
	if (alpha == 1.f)
	{
		removeAttribute(kCViewAlphaValueAttribute);
		setViewFlag(kHasAlpha, false);
		return;
	}
	setAttributeValue(kCViewAlphaValueAttribute, alpha);
	setViewFlag(kHasAlpha, true);
}

float CView::getAlphaValue() const
{
	float alpha = 1.f;
	if (hasViewFlag(kHasAlpha))
		getAttributeValue(kCViewAlphaValueAttribute, alpha);
	return alpha;
}

void CView::setTooltipText(const char* text)
{
	if (!text)
	{
		removeAttribute(kCViewTooltipAttribute);
		return;
	}
	setAttribute(kCViewTooltipAttribute, static_cast<uint32>(std::strlen(text) + 1), text);
}

const char* CView::getTooltipText() const
{
	auto it = impl->attributes.find(kCViewTooltipAttribute);
	if (it == impl->attributes.end() || it->second.empty() || it->second.back() != 0)
		return nullptr;
	return reinterpret_cast<const char*>(it->second.data());
}

// ---- Tree ----

bool CView::attached(CView* parent)
{
	if (impl->beingRemoved)
	{
		// Re-added from one of its own removal handlers: it joins the new
		// parent when the removal ends.
		impl->parentAfterRemoval = parent;
		return false;
	}
	if (isAttached())
		return false;
	if (!parent || !parent->toViewContainer())
	{
		doAssert("lib/cview", "426");
		if (!parent)
			return false;
	}
	// A handler may remove, and release, this view at any step below.
	SharedPointer<CView> self = this;
	impl->parentView = parent;
	impl->parentFrame = parent->getFrame();
	setViewFlag(kIsAttached, true);
	if (CFrame* frame = impl->parentFrame.load())
		frame->onViewAdded(this);
	if (wantsIdle() && isInTree())
		CViewInternal::IdleViewUpdater::add(this);
	if (isAttached())
		dispatchViewListeners(&IViewListener::viewAttached);
	return true;
}

bool CView::removed(CView*)
{
	if (!isAttached() || impl->beingRemoved)
		return false;
	SharedPointer<CView> self = this;
	impl->beingRemoved = true;
	if (wantsIdle())
		CViewInternal::IdleViewUpdater::remove(this);
	dispatchViewListeners(&IViewListener::viewRemoved);
	if (CFrame* frame = impl->parentFrame.load())
		frame->onViewRemoved(this);
	impl->parentView = nullptr;
	impl->parentFrame = nullptr;
	setViewFlag(kIsAttached, false);
	impl->beingRemoved = false;
	attachToParentTakenDuringRemoval();
	return true;
}

void CView::attachToParentTakenDuringRemoval()
{
	SharedPointer<CView> parent = std::move(impl->parentAfterRemoval);
	auto container = parent ? parent->toViewContainer() : nullptr;
	if (container && container->isChild(this, false) && container->isInTree())
		attached(container);
}

bool CView::isInTree() const
{
	for (const CView* view = this; view; view = view->impl->parentView)
	{
		if (!view->isAttached() || view->impl->beingRemoved)
			return false;
	}
	return true;
}

KavrinEditorInterface* CView::getEditor() const
{
	CFrame* frame = impl->parentFrame.load();
	return frame ? frame->getEditor() : nullptr;
}

void CView::onIdle() {}

bool CView::wantsWindowActivation() const
{
	return false;
}

void CView::windowActivationChanged(bool) {}

CViewContainer* CView::toViewContainer()
{
	return nullptr;
}

const CViewContainer* CView::toViewContainer() const
{
	return nullptr;
}

CView* CView::getParentView() const
{
	return impl->parentView;
}

CFrame* CView::getFrame() const
{
	return impl->parentFrame;
}

void CView::setParentFrame(CFrame* frame)
{
	impl->parentFrame = frame;
}

bool CView::isAttached() const
{
	return hasViewFlag(kIsAttached);
}

bool CView::isSubview() const
{
	return hasViewFlag(kIsSubview);
}

void CView::setSubviewState(bool state)
{
	if (isSubview() == state)
		doAssert("lib/cview", "413");
	setViewFlag(kIsSubview, state);
}

void CView::beforeDelete()
{
	dispatchViewListeners(&IViewListener::viewWillDelete);
	if (!impl->viewListeners.empty())
		doAssert("lib/cview", "237", "View listeners not empty");
	if (!impl->viewMouseListeners.empty())
		doAssert("lib/cview", "241", "View mouse listeners not empty");
	if (isAttached())
		doAssert("lib/cview", "244", "View is still attached");
	setHitTestPath(nullptr);
	setDropTarget(nullptr);
	setBackground(nullptr);
	setDisabledBackground(nullptr);
	impl->attributes.clear();
	CBaseObject::beforeDelete();
}

// ---- Flags ----

void CView::setViewFlag(int32 flag, bool state)
{
	if (state)
		impl->flags.fetch_or(flag, std::memory_order_relaxed);
	else
		impl->flags.fetch_and(~flag, std::memory_order_relaxed);
}

bool CView::hasViewFlag(int32 flag) const
{
	return (impl->flags.load(std::memory_order_relaxed) & flag) == flag;
}

bool CView::getMouseEnabled() const
{
	return hasViewFlag(kMouseEnabled);
}

bool CView::getTransparency() const
{
	return hasViewFlag(kTransparencyEnabled);
}

bool CView::isVisible() const
{
	return hasViewFlag(kVisible) && getAlphaValue() > 0.f;
}

void CView::setWantsIdle(bool state)
{
	if (wantsIdle() == state)
		return;
	setViewFlag(kWantsIdle, state);
	if (!state)
		CViewInternal::IdleViewUpdater::remove(this);
	else if (isInTree())
		CViewInternal::IdleViewUpdater::add(this);
}

bool CView::wantsIdle() const
{
	return hasViewFlag(kWantsIdle);
}

// ---- Attributes ----

bool CView::setAttribute(CViewAttributeID id, uint32 inSize, const void* inData)
{
	if (inSize == 0 || !inData)
		return false;
	auto bytes = static_cast<const uint8*>(inData);
	impl->attributes[id].assign(bytes, bytes + inSize);
	return true;
}

bool CView::getAttributeSize(CViewAttributeID id, uint32& outSize) const
{
	auto it = impl->attributes.find(id);
	if (it == impl->attributes.end())
		return false;
	outSize = static_cast<uint32>(it->second.size());
	return true;
}

bool CView::getAttribute(CViewAttributeID id, uint32 inSize, void* outData, uint32& outSize) const
{
	auto it = impl->attributes.find(id);
	if (it == impl->attributes.end() || !outData || inSize < it->second.size())
		return false;
	outSize = static_cast<uint32>(it->second.size());
	std::memcpy(outData, it->second.data(), outSize);
	return true;
}

bool CView::removeAttribute(CViewAttributeID id)
{
	return impl->attributes.erase(id) > 0;
}

// ---- Listeners ----

void CView::registerViewListener(IViewListener* listener)
{
	if (listener)
		impl->viewListeners.add(listener);
}

void CView::unregisterViewListener(IViewListener* listener)
{
	impl->viewListeners.remove(listener);
}

void CView::registerViewMouseListener(IViewMouseListener* listener)
{
	if (listener)
		impl->viewMouseListeners.add(listener);
}

void CView::unregisterViewMouseListener(IViewMouseListener* listener)
{
	impl->viewMouseListeners.remove(listener);
}

void CView::dispatchViewListeners(void (IViewListener::*call)(CView*))
{
	impl->viewListeners.forEach([&](IViewListener* listener) { (listener->*call)(this); });
}

CMouseEventResult CView::callMouseListener(MouseListenerCall call, CPoint pos, CButtonState buttons)
{
	CMouseEventResult result = kMouseNotHandled;
	impl->viewMouseListeners.forEachReverse([&](IViewMouseListener* listener) {
		CMouseEventResult answer = kMouseNotHandled;
		switch (call)
		{
			case MouseListenerCall::MouseDown:
				answer = listener->viewOnMouseDown(this, pos, buttons);
				break;
			case MouseListenerCall::MouseMoved:
				answer = listener->viewOnMouseMoved(this, pos, buttons);
				break;
			case MouseListenerCall::MouseUp:
				answer = listener->viewOnMouseUp(this, pos, buttons);
				break;
			case MouseListenerCall::MouseCancel:
				answer = listener->viewOnMouseCancel(this);
				break;
		}
		if (!isMouseHandled(answer))
			return false;
		result = answer;
		return true;
	});
	return result;
}

void CView::callMouseListenerEnteredExited(bool entered)
{
	impl->viewMouseListeners.forEachReverse([&](IViewMouseListener* listener) {
		if (entered)
			listener->viewOnMouseEntered(this);
		else
			listener->viewOnMouseExited(this);
	});
}

} // namespace Kavrin
