#include "lib/cviewcontainer.h"

#include "lib/assertion.h"
#include "lib/cframe.h"
#include "lib/cdrawcontext.h"
#include "lib/cgraphicspath.h"
#include "lib/cviewcontainerdroptarget.h"
#include "lib/controls/ccontrol.h"
#include "lib/ifocusdrawing.h"
#include "lib/dispatchlist.h"
#include "lib/iviewcontainerlistener.h"
#include "lib/messages.h"

#include <algorithm>

namespace Kavrin {

struct CViewContainer::Impl
{
	ViewList children;
	CGraphicsTransform transform;
	CColor backgroundColor {kBlackCColor};
	CDrawStyle backgroundColorDrawStyle {kDrawFilledAndStroked};
	DispatchList<IViewContainerListener*> listeners;

	ViewList::iterator find(CView* view)
	{
		return std::find_if(children.begin(), children.end(),
		                    [view](const SharedPointer<CView>& child) { return child.get() == view; });
	}
};

namespace {

// Walks the children from the top (last) down, each remembered for its turn.
// Stops when the function returns true or when the number of children
// changes, since a handler that adds or removes children invalidates the walk.
template <typename Func>
void walkTopDown(const CViewContainer::ViewList& children, Func&& func)
{
	const auto count = children.size();
	for (auto i = count; i-- > 0;)
	{
		if (children.size() != count)
			return;
		SharedPointer<CView> child = children[i];
		if (func(child.get()))
			return;
	}
}

// Walks the children from the first (bottom) up, each remembered for its
// turn, stopping when the number of children changes.
template <typename Func>
void walkFirstToLast(const CViewContainer::ViewList& children, Func&& func)
{
	const auto count = children.size();
	for (size_t i = 0; i < count && children.size() == count; ++i)
	{
		SharedPointer<CView> child = children[i];
		func(child.get());
	}
}

bool isControl(CView* view)
{
	return dynamic_cast<CControl*>(view) != nullptr;
}

} // namespace

CViewContainer::CViewContainer(const CRect& size) : CView(size), impl(std::make_unique<Impl>())
{
	setViewFlag(kAutosizeSubviews, true);
}

CViewContainer::CViewContainer(const CViewContainer& other)
: CView(other), impl(std::make_unique<Impl>())
{
	impl->transform = other.impl->transform;
	impl->backgroundColor = other.impl->backgroundColor;
	impl->backgroundColorDrawStyle = other.impl->backgroundColorDrawStyle;
	setBackgroundOffset(other.getBackgroundOffset());
	for (const auto& child : other.impl->children)
	{
		if (CView* copy = child->cloneView())
			addView(copy);
	}
}

// Normally the last forget() has emptied the list in beforeDelete. A
// container destroyed otherwise still lets its children be added elsewhere.
CViewContainer::~CViewContainer() noexcept
{
	for (const auto& child : impl->children)
		child->setViewFlag(kIsSubview, false);
}

CView* CViewContainer::cloneView() const
{
	return new CViewContainer(*this);
}

CViewContainer* CViewContainer::toViewContainer()
{
	return this;
}

const CViewContainer* CViewContainer::toViewContainer() const
{
	return this;
}

// ---- Coordinates ----

bool CViewContainer::isFrameRoot() const
{
	return static_cast<const CView*>(getFrame()) == this;
}

CRect CViewContainer::getBoundsInParentSpace() const
{
	CRect bounds = getViewSize();
	if (isFrameRoot())
		bounds.originize();
	return bounds;
}

CPoint& CViewContainer::mapToChildren(CPoint& point) const
{
	point -= getBoundsInParentSpace().getTopLeft();
	return impl->transform.inverse().transform(point);
}

CRect& CViewContainer::mapFromChildren(CRect& rect) const
{
	impl->transform.transform(rect);
	return rect.offset(getBoundsInParentSpace().getTopLeft());
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const
{
	point -= getBoundsInParentSpace().getTopLeft();
	if (auto parent = getParentView())
		return parent->frameToLocal(point);
	return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const
{
	point += getBoundsInParentSpace().getTopLeft();
	if (auto parent = getParentView())
		return parent->localToFrame(point);
	return point;
}

CRect CViewContainer::getVisibleSize(const CRect& rect) const
{
	CRect result = rect;
	mapFromChildren(result);
	result.bound(getBoundsInParentSpace());
	if (auto parent = getParentView() ? getParentView()->toViewContainer() : nullptr)
		result = parent->getVisibleSize(result);
	result.offsetInverse(getBoundsInParentSpace().getTopLeft());
	return impl->transform.inverse().transform(result);
}

const CGraphicsTransform& CViewContainer::getTransform() const
{
	return impl->transform;
}

void CViewContainer::setTransform(const CGraphicsTransform& transform)
{
	if (impl->transform == transform)
		return;
	impl->transform = transform;
	impl->listeners.forEach([this](IViewContainerListener* listener) {
		listener->viewContainerTransformChanged(this);
	});
}

// ---- Children ----

bool CViewContainer::addView(CView* view, CView* before)
{
	if (!view)
		return false;
	if (auto container = view->toViewContainer();
	    container && (container == this || container->isChild(this, true)))
	{
		// A container inside itself would make every walk endless.
		doAssert("lib/cviewcontainer", "519", "a container cannot be added inside itself");
		return false;
	}
	if (view->isSubview())
	{
		// One view in two lists would leave one of them with a dangling
		// parent, so the second add is refused.
		doAssert("lib/cviewcontainer", "519", "view is already added to a container view");
		return false;
	}
	size_t addedAt = 0;
	{
		GUIDrawingLockScope lock(getFrame());
		auto position = impl->children.end();
		if (before)
		{
			position = impl->find(before);
			if (position == impl->children.end())
				doAssert("lib/cviewcontainer", "527");
		}
		position = impl->children.emplace(position, view);
		addedAt = size_t(position - impl->children.begin());
	}
	view->setSubviewState(true);
	// A handler below may remove and release the view.
	SharedPointer<CView> keepAlive = view;
	dispatchContainerListeners(&IViewContainerListener::viewContainerViewAdded, view);
	// A container on its way out takes the view without attaching it.
	if (isInTree() && holdsChild(view, addedAt))
	{
		view->attached(this);
		if (view->getParentView() == this && view->isAttached())
			view->invalid();
	}
	return true;
}

bool CViewContainer::addView(CView* view, const CRect& mouseableArea, bool mouseEnabled)
{
	if (view && !view->isSubview())
	{
		view->setMouseableArea(mouseableArea);
		view->setMouseEnabled(mouseEnabled);
	}
	return addView(view);
}

// Takes view out of the list first, so that a handler called during its
// removal finds it gone and cannot remove it twice; the local reference keeps
// it alive until the last step.
void CViewContainer::detachChild(CView* view, bool withForget)
{
	SharedPointer<CView> child;
	{
		GUIDrawingLockScope lock(getFrame());
		auto it = impl->find(view);
		if (it == impl->children.end())
			return;
		child = std::move(*it);
		impl->children.erase(it);
	}
	// A child removed in the middle of a drag (a page switched under the
	// mouse) has its drag cancelled while it is still attached, so that a
	// control can close its edit with the host.
	if (getMouseDownView() == view)
		setMouseDownView(nullptr);
	if (isAttached())
		view->removed(this);
	view->setSubviewState(false);
	dispatchContainerListeners(&IViewContainerListener::viewContainerViewRemoved, view);
	if (withForget)
		view->forget();
}

bool CViewContainer::removeView(CView* view, bool withForget)
{
	if (!view || impl->find(view) == impl->children.end())
		return false;
	view->invalid();
	if (impl->find(view) == impl->children.end())
		return false;
	detachChild(view, withForget);
	return true;
}

bool CViewContainer::removeAll(bool withForget)
{
	clearMouseDownView();
	// One child's removal may remove its siblings: the copy reaches every
	// child exactly once.
	ViewList remembered = impl->children;
	for (const auto& child : remembered)
		detachChild(child, withForget);
	return true;
}

bool CViewContainer::isChild(CView* view, bool deep) const
{
	for (const auto& child : impl->children)
	{
		if (child == view)
			return true;
		if (deep)
		{
			if (auto container = child->toViewContainer(); container && container->isChild(view, true))
				return true;
		}
	}
	return false;
}

bool CViewContainer::hasChildren() const
{
	return !impl->children.empty();
}

uint32 CViewContainer::getNbViews() const
{
	return static_cast<uint32>(impl->children.size());
}

CView* CViewContainer::getView(uint32 index) const
{
	return index < impl->children.size() ? impl->children[index].get() : nullptr;
}

const CViewContainer::ViewList& CViewContainer::getChildren() const
{
	return impl->children;
}

// A walk over a copy of a long list stays linear: unless a handler changed
// the list, the child is where the copy has it.
bool CViewContainer::holdsChild(CView* child, size_t expectedIndex) const
{
	if (expectedIndex < impl->children.size() && impl->children[expectedIndex].get() == child)
		return true;
	return impl->find(child) != impl->children.end();
}

bool CViewContainer::changeViewZOrder(CView* view, uint32 newIndex)
{
	if (newIndex >= impl->children.size())
		return false;
	auto it = impl->find(view);
	if (it == impl->children.end())
		return false;
	auto oldIndex = static_cast<uint32>(it - impl->children.begin());
	if (oldIndex == newIndex)
		return true;
	{
		GUIDrawingLockScope lock(getFrame());
		auto first = impl->children.begin();
		if (oldIndex < newIndex)
			std::rotate(first + oldIndex, first + oldIndex + 1, first + newIndex + 1);
		else
			std::rotate(first + newIndex, first + oldIndex, first + oldIndex + 1);
	}
	dispatchContainerListeners(&IViewContainerListener::viewContainerViewZOrderChanged, view);
	return true;
}

// Ends with every child in the list attached, including those a handler
// added meanwhile, unless a handler took this container out of the tree.
void CViewContainer::attachChildren()
{
	for (bool attachedOne = true; attachedOne;)
	{
		attachedOne = false;
		const ViewList remembered = impl->children;
		for (size_t index = 0; index < remembered.size(); ++index)
		{
			CView* child = remembered[index].get();
			if (!isInTree())
				return;
			if (child->isAttached() || !holdsChild(child, index))
				continue;
			child->attached(this);
			attachedOne = attachedOne || child->isAttached();
		}
	}
}

void CViewContainer::detachChildren()
{
	ViewList remembered = impl->children;
	for (const auto& child : remembered)
	{
		if (child->getParentView() == this)
			child->removed(this);
	}
	// A handler may have added a child while the container was still
	// attached; it leaves with the others.
	for (bool found = true; found;)
	{
		found = false;
		for (const auto& child : ViewList(impl->children))
		{
			if (child->getParentView() == this && child->isAttached())
			{
				child->removed(this);
				found = true;
			}
		}
	}
}

bool CViewContainer::attached(CView* parent)
{
	if (isAttached())
		return false;
	if (!parent)
		return CView::attached(parent);
	setParentFrame(parent->getFrame());
	if (!CView::attached(parent))
		return false;
	attachChildren();
	return true;
}

bool CViewContainer::removed(CView* parent)
{
	if (!isAttached())
		return false;
	SharedPointer<CView> keepAlive = this;
	detachChildren();
	if (!CView::removed(parent))
		return false;
	// Re-added to another container from a removal handler, this container
	// is attached again and so are its children; otherwise none may stay.
	if (isAttached())
		attachChildren();
	else
		detachChildren();
	return true;
}

SharedPointer<IDropTarget> CViewContainer::getDropTarget()
{
	if (!isFrameRoot())
	{
		if (auto target = CView::getDropTarget())
			return target;
		return owned<IDropTarget>(new CViewContainerDropTarget(this));
	}
	CViewContainerDropTarget* cached = nullptr;
	if (!getAttributeValue(kCViewContainerDropTargetAttribute, cached) || !cached)
	{
		cached = new CViewContainerDropTarget(this);
		setAttributeValue(kCViewContainerDropTargetAttribute, cached);
	}
	return SharedPointer<IDropTarget>(cached);
}

// The cached router may hold the child a drag was over: it goes first, so
// that the child is released with the others.
void CViewContainer::releaseCachedDropTarget()
{
	CViewContainerDropTarget* cached = nullptr;
	if (!getAttributeValue(kCViewContainerDropTargetAttribute, cached))
		return;
	removeAttribute(kCViewContainerDropTargetAttribute);
	if (cached)
		cached->forget();
}

void CViewContainer::beforeDelete()
{
	releaseCachedDropTarget();
	removeAll(true);
	CView::beforeDelete();
}

// ---- Listeners ----

void CViewContainer::registerViewContainerListener(IViewContainerListener* listener)
{
	if (listener)
		impl->listeners.add(listener);
}

void CViewContainer::unregisterViewContainerListener(IViewContainerListener* listener)
{
	impl->listeners.remove(listener);
}

void CViewContainer::dispatchContainerListeners(
    void (IViewContainerListener::*call)(CViewContainer*, CView*), CView* view)
{
	impl->listeners.forEach(
	    [&](IViewContainerListener* listener) { (listener->*call)(this, view); });
}

// ---- Mouse ----

CView* CViewContainer::getMouseDownView() const
{
	CView* view = nullptr;
	getAttributeValue(kCViewContainerMouseDownViewAttribute, view);
	return view;
}

void CViewContainer::clearMouseDownView()
{
	removeAttribute(kCViewContainerMouseDownViewAttribute);
}

void CViewContainer::setMouseDownView(CView* view)
{
	SharedPointer<CView> current = getMouseDownView();
	// Let go before the old holder hears the end: a handler that removes it
	// then must not end its drag a second time.
	clearMouseDownView();
	if (current && current != view)
		endDragOf(current);
	// Only a child may hold the drag: the stored pointer holds no reference
	// and is cleared when the child leaves. Ending the old drag may have
	// removed the new view.
	if (view && keepsItsPlace(view, isAttached()))
		setAttributeValue(kCViewContainerMouseDownViewAttribute, view);
	else
		clearMouseDownView();
}

void CViewContainer::endDragOf(CView* holder)
{
	SharedPointer<CView> keepAlive = holder;
	if (auto container = holder->toViewContainer())
		container->setMouseDownView(nullptr);
	else if (holder->onMouseCancel() == kMouseNotImplemented)
	{
		CPoint outside = holder->getViewSize().getTopLeft() - CPoint(10., 10.);
		holder->onMouseUp(outside, CButtonState());
	}
}

bool CViewContainer::keepsItsPlace(CView* child, bool inTree) const
{
	return impl->find(child) != impl->children.end() && (!inTree || child->isAttached());
}

CMouseEventResult CViewContainer::pressChild(CView* child, CPoint& local, const CButtonState& buttons,
                                             bool inTree)
{
	if (!keepsItsPlace(child, inTree))
		return kMouseNotHandled;
	CMouseEventResult result = child->callMouseListener(MouseListenerCall::MouseDown, local, buttons);
	if (isMouseHandled(result))
		return result;
	return keepsItsPlace(child, inTree) ? child->onMouseDown(local, buttons) : kMouseNotHandled;
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	CPoint mapped = where;
	mapToChildren(mapped);
	CMouseEventResult result = kMouseNotHandled;
	const bool inTree = isAttached();
	walkTopDown(impl->children, [&](CView* candidate) {
		if (!candidate->isVisible() || !candidate->getMouseEnabled() ||
		    !candidate->hitTest(mapped, buttons))
			return false;
		if (buttons.isModifierClick())
		{
			auto control = dynamic_cast<CControl*>(candidate);
			auto listener = control ? control->getListener() : nullptr;
			if (listener && listener->controlClickedWithModifiers(control, buttons) != 0)
			{
				result = kMouseHandled;
				return true;
			}
		}
		CFrame* frame = getFrame();
		CView* focusBefore = frame ? frame->getFocusView() : nullptr;
		CPoint local = mapped;
		result = pressChild(candidate, local, buttons, inTree);
		if (isMouseHandled(result))
		{
			// A candidate that left during its own press (removed, moved
			// elsewhere) gets neither focus nor the drag: the press is over
			// for it, and it closed what it had opened as it left.
			if (!keepsItsPlace(candidate, inTree))
				return true;
			frame = getFrame();
			if (frame && candidate->wantsFocus() && isControl(candidate) && frame->getFocusView() == focusBefore)
				frame->setFocusView(candidate);
			if (result == kMouseHandled)
				setMouseDownView(candidate);
			return true;
		}
		if (!candidate->getTransparency())
			return true;
		result = kMouseNotHandled;
		return false;
	});
	return result;
}

CMouseEventResult CViewContainer::forwardToMouseDownView(CView* view, MouseListenerCall call,
                                                         const CPoint& where,
                                                         const CButtonState& buttons)
{
	CPoint mapped = where;
	mapToChildren(mapped);
	CMouseEventResult result = view->callMouseListener(call, mapped, buttons);
	if (isMouseHandled(result))
		return result;
	return call == MouseListenerCall::MouseMoved ? view->onMouseMoved(mapped, buttons)
	                                             : view->onMouseUp(mapped, buttons);
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	SharedPointer<CView> view = getMouseDownView();
	if (!view)
		return kMouseNotHandled;
	auto result = forwardToMouseDownView(view, MouseListenerCall::MouseMoved, where, buttons);
	if (result == kMouseNotImplemented || result == kMouseHandled)
		return kMouseHandled;
	if (getMouseDownView() == view)
	{
		// A holder that stops following the drag (a second button held)
		// without saying it is done is cancelled, so that what its press
		// opened closes; one that needs no more moves has ended it itself.
		if (result == kMouseNotHandled)
			setMouseDownView(nullptr);
		else
			clearMouseDownView();
	}
	return kMouseNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const CButtonState& buttons)
{
	SharedPointer<CView> view = getMouseDownView();
	if (!view)
		return kMouseNotHandled;
	// The release ends the drag: a handler that removes the view (a close
	// button, a tab replacing its page) must not cancel it as well.
	clearMouseDownView();
	forwardToMouseDownView(view, MouseListenerCall::MouseUp, where, buttons);
	return kMouseHandled;
}

CMouseEventResult CViewContainer::onMouseCancel()
{
	SharedPointer<CView> view = getMouseDownView();
	if (!view)
		return kMouseHandled;
	// As for a release: a handler that removes the view ends nothing more.
	clearMouseDownView();
	view->callMouseListener(MouseListenerCall::MouseCancel, {}, {});
	return view->onMouseCancel();
}

bool CViewContainer::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                             const CButtonState& buttons)
{
	CPoint mapped = where;
	mapToChildren(mapped);
	bool result = false;
	walkTopDown(impl->children, [&](CView* child) {
		if (!child->isVisible() || !child->getMouseEnabled() ||
		    !child->getMouseableArea().pointInside(mapped))
			return false;
		result = child->onWheel(mapped, axis, distance, buttons);
		return result || !child->getTransparency();
	});
	return result;
}

bool CViewContainer::hitTest(const CPoint& where, const CButtonState& buttons)
{
	return CView::hitTest(where, buttons);
}

bool CViewContainer::hitTestSubViews(const CPoint& where, const CButtonState& buttons)
{
	CPoint mapped = where;
	mapToChildren(mapped);
	bool hit = false;
	walkTopDown(impl->children, [&](CView* child) {
		if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(mapped, buttons))
			return false;
		auto container = child->toViewContainer();
		hit = !container || container->hitTestSubViews(mapped, buttons);
		return hit;
	});
	return hit;
}

// ---- Lookups ----

namespace {

bool isConsidered(CView* child, const CPoint& mapped, const GetViewOptions& options)
{
	return child->getMouseableArea().pointInside(mapped) &&
	       (options.getIncludeInvisible() || child->isVisible()) &&
	       (!options.getMouseEnabled() || child->getMouseEnabled());
}

} // namespace

CView* CViewContainer::getViewAt(const CPoint& where, const GetViewOptions& options) const
{
	CPoint mapped = where;
	mapToChildren(mapped);
	for (auto it = impl->children.rbegin(); it != impl->children.rend(); ++it)
	{
		CView* child = *it;
		if (!isConsidered(child, mapped, options))
			continue;
		auto container = child->toViewContainer();
		if (!container)
			return child;
		if (options.getDeep())
		{
			if (CView* found = container->getViewAt(mapped, options))
				return found;
			return options.getIncludeViewContainer() ? child : nullptr;
		}
		if (options.getIncludeViewContainer())
			return child;
	}
	return nullptr;
}

CViewContainer* CViewContainer::getContainerAt(const CPoint& where, const GetViewOptions& options) const
{
	CPoint mapped = where;
	mapToChildren(mapped);
	auto self = const_cast<CViewContainer*>(this);
	for (auto it = impl->children.rbegin(); it != impl->children.rend(); ++it)
	{
		CView* child = *it;
		if (!isConsidered(child, mapped, options))
			continue;
		auto container = child->toViewContainer();
		if (options.getDeep() && container)
			return container->getContainerAt(mapped, options);
		return self;
	}
	return self;
}

bool CViewContainer::getViewsAt(const CPoint& where, std::list<SharedPointer<CView>>& views,
                                const GetViewOptions& options) const
{
	CPoint mapped = where;
	mapToChildren(mapped);
	const auto sizeBefore = views.size();
	for (auto it = impl->children.rbegin(); it != impl->children.rend(); ++it)
	{
		CView* child = *it;
		if (!isConsidered(child, mapped, options))
			continue;
		auto container = child->toViewContainer();
		if (!container)
		{
			views.emplace_back(child);
			continue;
		}
		// What lies inside a container is above it.
		if (options.getDeep())
			container->getViewsAt(mapped, views, options);
		if (options.getIncludeViewContainer())
			views.emplace_back(child);
	}
	return views.size() != sizeBefore;
}

// ---- Focus ----

bool CViewContainer::advanceNextFocusView(CView* current, bool reverse)
{
	CFrame* frame = getFrame();
	if (!frame)
		return false;
	ViewList order = impl->children;
	if (reverse)
		std::reverse(order.begin(), order.end());
	auto start = order.begin();
	if (current)
	{
		auto found = std::find(order.begin(), order.end(), current);
		if (found != order.end())
			start = found + 1;
	}
	for (auto it = start; it != order.end(); ++it)
	{
		CView* child = *it;
		if (child->wantsFocus() && child->getMouseEnabled() && child->isVisible())
		{
			frame->setFocusView(child);
			return true;
		}
		if (auto container = child->toViewContainer();
		    container && container->advanceNextFocusView(nullptr, reverse))
			return true;
	}
	return false;
}

NotifyResult CViewContainer::notify(CBaseObject* sender, const char* message)
{
	CFrame* frame = getFrame();
	if (message == kMsgNewFocusView)
	{
		auto view = dynamic_cast<CView*>(sender);
		if (frame && view && view->getParentView() == this && frame->focusDrawingEnabled())
		{
			double width = frame->getFocusWidth();
			invalidRect(CRect(view->getViewSize()).extend(width, width));
		}
		return kMessageIgnored;
	}
	if (message == kMsgOldFocusView)
	{
		CRect lastFocus = getLastDrawnFocus();
		if (!lastFocus.isEmpty())
		{
			invalidRect(lastFocus);
			removeAttribute(kCViewContainerLastDrawnFocusAttribute);
		}
		return kMessageIgnored;
	}
	return CView::notify(sender, message);
}

CRect CViewContainer::getLastDrawnFocus() const
{
	CRect rect;
	getAttributeValue(kCViewContainerLastDrawnFocusAttribute, rect);
	return rect;
}

void CViewContainer::setLastDrawnFocus(const CRect& rect)
{
	setAttributeValue(kCViewContainerLastDrawnFocusAttribute, rect);
}

// ---- Sizing ----

namespace {

// Applies the container's size change along one axis to one child edge pair.
void autosizeAxis(double& low, double& high, double change, bool distribute, double share,
                  size_t index, bool followsHigh, bool lowFixed)
{
	if (distribute)
	{
		low += share * static_cast<double>(index);
		high += share * static_cast<double>(index + 1);
		return;
	}
	if (change == 0. || !followsHigh)
		return;
	high += change;
	if (!lowFixed)
		low += change;
}

} // namespace

void CViewContainer::setViewSize(const CRect& rect, bool invalidate)
{
	CRect oldSize = getViewSize();
	if (rect == oldSize)
		return;
	CView::setViewSize(rect, invalidate);
	if (getAutosizingEnabled())
	{
		const auto inverse = impl->transform.inverse();
		const double widthChange = rect.getWidth() - oldSize.getWidth();
		const double heightChange = rect.getHeight() - oldSize.getHeight();
		const double dw = inverse.m11 * widthChange + inverse.m12 * heightChange;
		const double dh = inverse.m21 * widthChange + inverse.m22 * heightChange;
		const int32 ownFlags = getAutosizeFlags();
		const bool columns = ownFlags & kAutosizeColumn;
		const bool rows = ownFlags & kAutosizeRow;
		const auto count = impl->children.size();
		const double widthShare = count ? dw / static_cast<double>(count) : 0.;
		const double heightShare = count ? dh / static_cast<double>(count) : 0.;
		for (size_t i = 0; i < count; ++i)
		{
			if (impl->children.size() != count)
				break;
			SharedPointer<CView> child = impl->children[i];
			const int32 flags = child->getAutosizeFlags();
			CRect size = child->getViewSize();
			CRect area = child->getMouseableArea();
			for (CRect* r : {&size, &area})
			{
				autosizeAxis(r->left, r->right, dw, columns, widthShare, i, flags & kAutosizeRight,
				             flags & kAutosizeLeft);
				autosizeAxis(r->top, r->bottom, dh, rows, heightShare, i, flags & kAutosizeBottom,
				             flags & kAutosizeTop);
			}
			if (size != child->getViewSize())
			{
				child->setViewSize(size, true);
				child->setMouseableArea(area);
			}
		}
	}
	parentSizeChanged();
}

void CViewContainer::parentSizeChanged()
{
	walkFirstToLast(impl->children, [](CView* child) { child->parentSizeChanged(); });
}

bool CViewContainer::sizeToFit()
{
	if (getAutosizeFlags() & (kAutosizeRow | kAutosizeColumn))
		return false;
	bool found = false;
	CRect bounds;
	for (const auto& child : impl->children)
	{
		if (!child->isVisible())
			continue;
		const CRect& size = child->getViewSize();
		if (!found)
			bounds = size;
		else
			bounds.unite(size);
		found = true;
	}
	if (!found)
		return false;
	CRect newSize = getViewSize();
	newSize.right = newSize.left + bounds.right + bounds.left;
	newSize.bottom = newSize.top + bounds.bottom + bounds.top;
	setViewSize(newSize);
	setMouseableArea(newSize);
	return true;
}

void CViewContainer::setAutosizingEnabled(bool state)
{
	setViewFlag(kAutosizeSubviews, state);
}

bool CViewContainer::getAutosizingEnabled() const
{
	return hasViewFlag(kAutosizeSubviews);
}

// ---- Background ----

void CViewContainer::setBackgroundColor(const CColor& color)
{
	if (impl->backgroundColor == color)
		return;
	impl->backgroundColor = color;
	setDirty(true);
}

CColor CViewContainer::getBackgroundColor() const
{
	return impl->backgroundColor;
}

void CViewContainer::setBackgroundOffset(const CPoint& offset)
{
	if (offset == CPoint())
		removeAttribute(kCViewContainerBackgroundOffsetAttribute);
	else
		setAttributeValue(kCViewContainerBackgroundOffsetAttribute, offset);
}

CPoint CViewContainer::getBackgroundOffset() const
{
	CPoint offset;
	getAttributeValue(kCViewContainerBackgroundOffsetAttribute, offset);
	return offset;
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect)
{
	const CRect localBounds = CRect(getViewSize()).originize();
	if (auto background = getDrawBackground())
	{
		CDrawContext::ClipScope clip(context, rect);
		if (!clip.isEmpty())
			context->drawBitmap(background, localBounds, getBackgroundOffset(), 1.f);
		return;
	}
	const CColor color = impl->backgroundColor;
	const bool opaque = color.alpha == 255;
	// A transparent container shows what lies below unless its colour is
	// itself translucent.
	if (getTransparency() && opaque)
		return;
	const CDrawStyle style = impl->backgroundColorDrawStyle;
	const bool rectOnly = style == kDrawFilled || (style == kDrawFilledAndStroked && opaque);
	context->saveGlobalState();
	context->setLineWidth(1.);
	context->setLineStyle(kLineSolid);
	context->setFillColor(color);
	context->setFrameColor(color);
	context->drawRect(rectOnly ? rect : localBounds, style);
	context->restoreGlobalState();
}

void CViewContainer::draw(CDrawContext* context)
{
	drawRect(context, getBoundsInParentSpace());
}

CView* CViewContainer::focusChildToDraw() const
{
	CFrame* frame = getFrame();
	if (!frame || !frame->focusDrawingEnabled())
		return nullptr;
	CView* focus = frame->getFocusView();
	if (!focus || focus->getParentView() != this || !focus->isVisible() || !focus->wantsFocus())
		return nullptr;
	return focus;
}

void CViewContainer::drawFocus(CDrawContext* context, CView* focusView)
{
	CFrame* frame = getFrame();
	if (!frame)
		return;
	auto path = owned(context->createGraphicsPath());
	if (!path)
		return;
	auto focusDrawing = dynamic_cast<IFocusDrawing*>(focusView);
	if (!focusDrawing || !focusDrawing->getFocusPath(*path))
	{
		CRect visible = focusView->getVisibleViewSize();
		double width = frame->getFocusWidth();
		path->addRect(visible);
		path->addRect(CRect(visible).extend(width, width));
	}
	CRect box = path->getBoundingBox();
	if (box.isEmpty())
		return;
	context->saveGlobalState();
	context->setDrawMode(kAntiAliasing);
	context->setFillColor(frame->getFocusColor());
	context->drawGraphicsPath(path, CDrawContext::kPathFilledEvenOdd);
	context->restoreGlobalState();
	setLastDrawnFocus(box.extend(1., 1.));
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
	if (!context)
		return;
	const CRect bounds = getBoundsInParentSpace();
	CDrawContext::Transform offset(*context, CGraphicsTransform::translation(bounds.left, bounds.top));
	CRect localUpdate = CRect(updateRect).bound(bounds).offset(-bounds.left, -bounds.top);
	CRect savedClip;
	context->getClipRect(savedClip);
	context->setClipRect(CRect(localUpdate).bound(savedClip));

	drawBackgroundRect(context, localUpdate);

	// A child's draw may remove the focused sibling: the reference keeps it
	// alive, and its ring is drawn only while it is still the focus here.
	SharedPointer<CView> focusView = focusChildToDraw();
	auto focusDrawing = dynamic_cast<IFocusDrawing*>(focusView.get());
	bool focusDrawn = false;
	// The children's space: the container's transform over its offset.
	{
		CDrawContext::Transform transform(*context, impl->transform);
		CRect clip;
		context->getClipRect(clip);
		walkFirstToLast(impl->children, [&](CView* child) {
			if (!child->isVisible())
				return;
			if (child == focusView && focusDrawing && !focusDrawing->drawFocusOnTop() &&
			    focusView == focusChildToDraw())
			{
				drawFocus(context, child);
				focusDrawn = true;
			}
			if (!checkUpdateRect(child, clip))
				return;
			CRect visiblePart = CRect(child->getViewSize()).bound(clip);
			context->saveGlobalState();
			context->setClipRect(visiblePart);
			if (child->hasViewFlag(kHasAlpha))
				context->setGlobalAlpha(context->getGlobalAlpha() * child->getAlphaValue());
			child->drawRect(context, visiblePart);
			context->restoreGlobalState();
		});
	}
	// The clip from before this container narrowed it: a ring around a child
	// on the container's edge is not cut off.
	context->setClipRect(savedClip);
	if (focusView && !focusDrawn && focusView == focusChildToDraw())
	{
		CDrawContext::Transform transform(*context, impl->transform);
		drawFocus(context, focusView);
	}
	setDirty(false);
}

void CViewContainer::setBackgroundColorDrawStyle(CDrawStyle style)
{
	if (impl->backgroundColorDrawStyle == style)
		return;
	impl->backgroundColorDrawStyle = style;
	setDirty(true);
}

CDrawStyle CViewContainer::getBackgroundColorDrawStyle() const
{
	return impl->backgroundColorDrawStyle;
}

// ---- Invalidation ----

bool CViewContainer::checkUpdateRect(CView* view, const CRect& rect)
{
	return view->isVisible() && view->overlapsUpdateRect(rect);
}

void CViewContainer::invalidRect(const CRect& rect)
{
	CView* parent = getParentView();
	if (!parent || !isVisible())
		return;
	CRect mapped = rect;
	mapFromChildren(mapped);
	mapped.bound(getBoundsInParentSpace());
	if (!mapped.isEmpty())
		parent->invalidRect(mapped);
}

void CViewContainer::invalid()
{
	if (auto parent = getParentView(); parent && isVisible())
		parent->invalidRect(getViewSize());
}

bool CViewContainer::isDirty() const
{
	if (CView::isDirty())
		return true;
	CRect bounds = CRect(getViewSize()).originize();
	for (const auto& child : impl->children)
	{
		if (child->isVisible() && child->isDirty() && child->getViewSize().rectOverlap(bounds))
			return true;
	}
	return false;
}

void CViewContainer::invalidateDirtyViews()
{
	if (!isVisible())
		return;
	if (CView::isDirty())
	{
		invalid();
		return;
	}
	walkTopDown(impl->children, [](CView* child) {
		if (!child->isVisible())
			return false;
		if (auto container = child->toViewContainer())
			container->invalidateDirtyViews();
		else if (child->isDirty())
			child->invalid();
		return false;
	});
}

} // namespace Kavrin
