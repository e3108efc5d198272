#include "lib/cframe.h"

#include "lib/animation/animator.h"
#include "lib/assertion.h"
#include "lib/ctooltipsupport.h"
#include "lib/dispatchlist.h"
#include "lib/idatapackage.h"
#include "lib/iviewlistener.h"
#include "lib/messages.h"
#include "lib/platform/iplatformframe.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <deque>
#include <memory>
#include <thread>

namespace Kavrin {

int32 CFrame::kDefaultKnobMode = 0;

namespace {

constexpr CViewAttributeID kFocusDrawingEnabledAttribute = makeViewAttributeID("vfde");
constexpr CViewAttributeID kFocusColorAttribute = makeViewAttributeID("vfco");
constexpr CViewAttributeID kFocusWidthAttribute = makeViewAttributeID("vfwi");
constexpr uint32 kInvalidRectPacing = 17; // milliseconds
constexpr uint32 kNoTicks = 0xFFFFFFFF;

void sleepBetweenLockPolls()
{
	std::this_thread::sleep_for(std::chrono::microseconds(1000));
}

struct ModalViewSession
{
	uint32 identifier;
	SharedPointer<CView> view;
};

// Who has been told that the mouse entered a view. Its exit goes to exactly
// those, so that whatever the handlers do in between, every enter is
// followed by one exit and no exit comes without an enter.
struct MouseEnterNotice
{
	bool view {false};
	std::vector<IMouseObserver*> observers;
	bool listeners {false};
	bool listenersBeingTold {false};
	bool exited {false};
};

} // namespace

// A view the mouse is in; it reads as the view.
struct CFrame::MouseView
{
	SharedPointer<CView> view;
	std::shared_ptr<MouseEnterNotice> told {std::make_shared<MouseEnterNotice>()};

	CView* operator->() const { return view; }
	operator CView*() const { return view; }
};

struct CFrame::Impl
{
	SharedPointer<IPlatformFrame> platformFrame;
	KavrinEditorInterface* editor {nullptr};
	SharedPointer<CTooltipSupport> tooltipSupport;
	SharedPointer<Animation::Animator> animator;
	// Set when the frame closes or goes away: no animation starts after.
	bool animationsEnded {false};
	std::optional<uint32> legacyModalSession;
	CView* focusView {nullptr};
	CView* activeFocusView {nullptr};
	CollectInvalidRects* collectInvalidRects {nullptr};
	std::vector<MouseView> mouseViews; // innermost first
	std::deque<ModalViewSession> modalViewSessions;
	uint32 modalViewSessionID {0};
	DispatchList<CView*> windowActiveStateViews;
	DispatchList<IMouseObserver*> mouseObservers;
	DispatchList<IKeyboardHook*> keyboardHooks;
	DispatchList<IFocusViewObserver*> focusViewObservers;
	DispatchList<IScaleFactorChangedListener*> scaleFactorListeners;
	IViewAddedRemovedObserver* viewAddedRemovedObserver {nullptr};
	std::deque<std::function<void()>> afterEventFunctions;
	double userScaleFactor {1.};
	double platformScaleFactor {1.};
	bool active {false};
	bool windowActive {false};
	bool inEventProcessing {false};
	bool settingFocus {false};
	// The latest focus asked for while a focus change ran (empty when none).
	std::optional<SharedPointer<CView>> focusRequest;
	bool closed {false};
	// Changes whenever the mouse views change outside the tracking step
	// running now (a handler cleared them or tracked again).
	uint64 mouseViewsGeneration {0};
	BitmapInterpolationQuality bitmapInterpolationQuality {kBitmapInterpolationDefault};
	// Whether an idle pass was asked for and has not begun yet, and whom to
	// ask: both read by other threads, so apart from the shared pointer.
	std::atomic<bool> idlePending {false};
	std::atomic<IPlatformFrame*> idleWaker {nullptr};
	std::atomic<int32> guiDrawingLock {0};
	std::atomic<std::thread::id> lockHolder {};
	// Nesting depth of the holder's own locks; touched by the holder only.
	int32 lockDepth {0};

	CView* modalView() const
	{
		return modalViewSessions.empty() ? nullptr : modalViewSessions.back().view.get();
	}
};

CFrame::CFrame(const CRect& size, KavrinEditorInterface* editor)
: CViewContainer(size), impl(std::make_unique<Impl>())
{
	impl->editor = editor;
	setParentFrame(this);
}

CFrame::~CFrame() noexcept = default;

// ---- Opening and closing ----

bool CFrame::open(void* parent, PlatformType type, IPlatformFrameConfig* config)
{
	if (!parent || isAttached())
		return false;
	impl->platformFrame = IPlatformFrame::createPlatformFrame(this, getViewSize(), parent, type, config);
	impl->idleWaker.store(impl->platformFrame.get(), std::memory_order_release);
	impl->idlePending.store(false, std::memory_order_release);
	if (!impl->platformFrame)
		return false;
	CollectInvalidRects scope(this);
	attached(this);
	invalid();
	return true;
}

IPlatformFrame* CFrame::getPlatformFrame() const
{
	return impl->platformFrame;
}

// The steps close and beforeDelete share: no mouse views (without exit calls),
// no modal sessions, the default cursor, no children.
void CFrame::teardown()
{
	clearMouseViews({}, {}, false);
	clearModalViewSessions();
	if (impl->platformFrame)
		impl->platformFrame->setMouseCursor(kCursorDefault);
	removeAll(true);
}

void CFrame::close()
{
	// A second close (a listener closed the frame, then the host does) must
	// not drop the creator's reference again.
	if (impl->closed)
		return;
	impl->closed = true;
	SharedPointer<CFrame> keepAlive = this;
	endAnimations();
	teardown();
	// Switching tooltips off stops their timer.
	enableTooltips(false);
	releasePlatformFrame();
	forget();
}

// Cancels every animation while the views are still in place; the frame's
// own would otherwise hold the frame for ever.
void CFrame::endAnimations()
{
	impl->animationsEnded = true;
	if (auto animator = std::move(impl->animator))
		animator->removeAllAnimations();
}

void CFrame::releasePlatformFrame()
{
	impl->idleWaker.store(nullptr, std::memory_order_release);
	impl->idlePending.store(false, std::memory_order_release);
	if (auto platformFrame = std::move(impl->platformFrame))
		platformFrame->onFrameClosed();
}

void CFrame::beforeDelete()
{
	endAnimations();
	teardown();
	impl->tooltipSupport = nullptr;
	releasePlatformFrame();
	impl->focusView = nullptr;
	impl->activeFocusView = nullptr;
	setViewFlag(kIsAttached, false);
	CViewContainer::beforeDelete();
}

bool CFrame::attached(CView* parent)
{
	if (parent != this)
	{
		doAssert("lib/cframe", "234");
		return false;
	}
	if (isAttached())
		return false;
	setViewFlag(kIsAttached, true);
	dispatchViewListeners(&IViewListener::viewAttached);
	attachChildren();
	return true;
}

bool CFrame::removed(CView*)
{
	if (!isAttached())
		return false;
	detachChildren();
	dispatchViewListeners(&IViewListener::viewRemoved);
	setViewFlag(kIsAttached, false);
	return true;
}

// Attached below this frame and not on its way out: the only views the frame
// registers for focus, window activation or mouse tracking, since it is told
// when such a view leaves.
bool CFrame::isInThisTree(CView* view) const
{
	return view && view->getFrame() == this && view->isInTree();
}

bool CFrame::removeAll(bool withForget)
{
	clearModalViewSessions();
	return CViewContainer::removeAll(withForget);
}

KavrinEditorInterface* CFrame::getEditor() const
{
	return impl->editor;
}

// ---- The platform event wrapper ----

// Marks the frame as handling an event, opens a collection scope around the
// handler and runs the deferred functions afterwards. The reference keeps
// the frame alive when a handler closes it.
template <typename Result, typename Handler>
Result CFrame::dispatchPlatformEvent(Handler&& handler)
{
	SharedPointer<CFrame> keepAlive = this;
	bool wasInEventProcessing = impl->inEventProcessing;
	impl->inEventProcessing = true;
	Result result;
	{
		CollectInvalidRects scope(this);
		result = handler();
	}
	runDeferredFunctions(wasInEventProcessing);
	return result;
}

void CFrame::runDeferredFunctions(bool wasInEventProcessing)
{
	if (!impl->inEventProcessing)
		doAssert("lib/cframe", "104");
	impl->inEventProcessing = wasInEventProcessing;
	auto functions = std::move(impl->afterEventFunctions);
	impl->afterEventFunctions.clear();
	for (auto& function : functions)
		function();
}

bool CFrame::doAfterEventProcessing(std::function<void()>&& func)
{
	if (!impl->inEventProcessing)
		return false;
	impl->afterEventFunctions.push_back(std::move(func));
	return true;
}

bool CFrame::inEventProcessing() const
{
	return impl->inEventProcessing;
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return kMouseNotHandled;
	WaitForGUIDrawingLock();
	return dispatchPlatformEvent<CMouseEventResult>([&] {
		auto result = onMouseDown(where, buttons);
		if (!isMouseHandled(result) && impl->editor)
			result = impl->editor->onMouseDown(where, buttons);
		return result;
	});
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint& where, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return kMouseNotHandled;
	WaitForGUIDrawingLock();
	return dispatchPlatformEvent<CMouseEventResult>([&] { return onMouseMoved(where, buttons); });
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint& where, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return kMouseNotHandled;
	WaitForGUIDrawingLock();
	return dispatchPlatformEvent<CMouseEventResult>([&] {
		auto result = onMouseUp(where, buttons);
		if (!isMouseHandled(result) && impl->editor)
			result = impl->editor->onMouseUp(where, buttons);
		return result;
	});
}

CMouseEventResult CFrame::platformOnMouseExited(CPoint& where, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return kMouseNotHandled;
	WaitForGUIDrawingLock();
	return dispatchPlatformEvent<CMouseEventResult>([&] { return onMouseExited(where, buttons); });
}

bool CFrame::platformOnMouseWheel(const CPoint& where, const CMouseWheelAxis& axis,
                                  const float& distance, const CButtonState& buttons)
{
	if (!getMouseEnabled())
		return false;
	WaitForGUIDrawingLock();
	return dispatchPlatformEvent<bool>([&] { return onWheel(where, axis, distance, buttons); });
}

bool CFrame::platformOnKeyDown(MoxKeyCode& keyCode)
{
	if (!getMouseEnabled())
		return false;
	return dispatchPlatformEvent<bool>([&] { return onKeyDown(keyCode) == kKeyHandled; });
}

bool CFrame::platformOnKeyUp(MoxKeyCode& keyCode)
{
	if (!getMouseEnabled())
		return false;
	return dispatchPlatformEvent<bool>([&] { return onKeyUp(keyCode) == kKeyHandled; });
}

template <typename Result, typename Call>
Result CFrame::dispatchDragEvent(DragEventData data, Call&& call)
{
	data.modifiers = data.modifiers.modifiersOnly();
	return dispatchPlatformEvent<Result>([&] {
		auto target = getDropTarget();
		return call(*target, data);
	});
}

DragOperation CFrame::platformOnDragEnter(DragEventData data)
{
	if (!getMouseEnabled())
		return DragOperation::None;
	return dispatchDragEvent<DragOperation>(
	    data, [](IDropTarget& target, DragEventData d) { return target.onDragEnter(d); });
}

DragOperation CFrame::platformOnDragMove(DragEventData data)
{
	if (!getMouseEnabled())
		return DragOperation::None;
	return dispatchDragEvent<DragOperation>(
	    data, [](IDropTarget& target, DragEventData d) { return target.onDragMove(d); });
}

// A frame whose mouse was disabled while a drag was over it still tells the
// target that saw the drag enter that it left, so that no target is left
// waiting for an end; nothing is dropped.
bool CFrame::platformOnDragLeave(DragEventData data)
{
	bool enabled = getMouseEnabled();
	dispatchDragEvent<bool>(data, [](IDropTarget& t, DragEventData d) {
		t.onDragLeave(d);
		return true;
	});
	return enabled;
}

bool CFrame::platformOnDrop(DragEventData data)
{
	bool enabled = getMouseEnabled();
	return dispatchDragEvent<bool>(data, [enabled](IDropTarget& t, DragEventData d) {
		if (enabled)
			return t.onDrop(d);
		t.onDragLeave(d);
		return false;
	});
}

void CFrame::platformOnActivate(bool state)
{
	SharedPointer<CFrame> keepAlive = this;
	CollectInvalidRects scope(this);
	onActivate(state);
}

void CFrame::platformOnWindowActivate(bool state)
{
	if (impl->windowActive == state)
		return;
	impl->windowActive = state;
	SharedPointer<CFrame> keepAlive = this;
	CollectInvalidRects scope(this);
	impl->windowActiveStateViews.forEach([state](CView* view) { view->windowActivationChanged(state); });
}

void CFrame::platformOnDeminiaturize()
{
	SharedPointer<CFrame> keepAlive = this;
	invalid();
}

void CFrame::platformScaleFactorChanged(double newScaleFactor)
{
	if (impl->platformScaleFactor == newScaleFactor)
		return;
	SharedPointer<CFrame> keepAlive = this;
	impl->platformScaleFactor = newScaleFactor;
	double scale = newScaleFactor * impl->userScaleFactor;
	impl->scaleFactorListeners.forEach(
	    [&](IScaleFactorChangedListener* listener) { listener->onScaleFactorChanged(this, scale); });
}

void CFrame::platformDrawRect(CDrawContext* context, const CRect& rect)
{
	SharedPointer<CFrame> keepAlive = this;
	LockGUIDrawing();
	drawRect(context, rect);
	UnLockGUIDrawing();
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect)
{
	if (!context || updateRect.isEmpty())
		return;
	context->beginDraw();
	context->setBitmapInterpolationQuality(impl->bitmapInterpolationQuality);
	CRect savedClip;
	context->getClipRect(savedClip);
	CRect clip = CRect(updateRect).bound(savedClip);
	context->setClipRect(clip);
	if (!clip.isEmpty())
		CViewContainer::drawRect(context, clip);
	context->setClipRect(savedClip);
	context->endDraw();
}

void CFrame::draw(CDrawContext* context)
{
	drawRect(context, CRect(getViewSize()).originize());
}

// ---- Mouse ----

CPoint CFrame::toChildrenSpace(const CPoint& where) const
{
	CPoint mapped = where;
	return getTransform().inverse().transform(mapped);
}

// From the children's space of the frame into the coordinates of view's
// parent, through every container's offset and transform on the way.
CPoint CFrame::toParentCoordinates(CView* view, const CPoint& point) const
{
	std::vector<CViewContainer*> chain;
	for (CView* parent = view->getParentView(); parent && parent != this; parent = parent->getParentView())
	{
		if (auto container = parent->toViewContainer())
			chain.push_back(container);
	}
	CPoint result = point;
	for (auto it = chain.rbegin(); it != chain.rend(); ++it)
		(*it)->mapToChildren(result);
	return result;
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	WaitForGUIDrawingLock();
	CPoint mapped = toChildrenSpace(where);
	if (impl->tooltipSupport)
		impl->tooltipSupport->onMouseDown(mapped);

	std::optional<CMouseEventResult> observed;
	impl->mouseObservers.forEach([&](IMouseObserver* observer) {
		auto answer = observer->onMouseDown(this, mapped, buttons);
		if (answer != kMouseNotHandled)
			observed = answer;
	});
	if (observed)
		return *observed;

	// A press while another is held (a second button during a drag) ends
	// the held drag once it is routed, unless it handed the drag back to the
	// same view, so that whatever the held press opened is closed.
	struct HeldDrag
	{
		CFrame* frame;
		SharedPointer<CView> holder;
		~HeldDrag()
		{
			if (holder && frame->getMouseDownView() != holder)
				endDragOf(holder);
		}
	} heldDrag {this, getMouseDownView()};
	clearMouseDownView();

	if (SharedPointer<CView> modalView = getModalView())
	{
		if (!modalView->isVisible() || !modalView->getMouseEnabled())
			return kMouseNotHandled;
		CPoint local = mapped;
		auto result = modalView->callMouseListener(MouseListenerCall::MouseDown, local, buttons);
		if (!isMouseHandled(result))
			result = modalView->onMouseDown(local, buttons);
		// A dialog whose button ended its own session must not hold the drag.
		if (result == kMouseHandled && modalView == getModalView() && modalView->isAttached())
			setMouseDownView(modalView);
		return result;
	}
	return CViewContainer::onMouseDown(where, buttons);
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	WaitForGUIDrawingLock();
	CPoint mapped = toChildrenSpace(where);
	if (impl->tooltipSupport)
		impl->tooltipSupport->onMouseMoved(mapped);
	checkMouseViews(where, buttons);

	CMouseEventResult result = kMouseNotHandled;
	impl->mouseObservers.forEach([&](IMouseObserver* observer) {
		if (observer->onMouseMoved(this, mapped, buttons) == kMouseHandled)
			result = kMouseHandled;
	});
	if (result == kMouseHandled)
		return result;

	if (SharedPointer<CView> modalView = getModalView())
	{
		CPoint local = mapped;
		result = modalView->callMouseListener(MouseListenerCall::MouseMoved, local, buttons);
		if (!isMouseHandled(result))
			result = modalView->onMouseMoved(local, buttons);
	}
	else
		result = CViewContainer::onMouseMoved(where, buttons);
	if (result != kMouseNotHandled)
		return result;

	const CButtonState modifiers = buttons.modifiersOnly();
	auto views = impl->mouseViews;
	for (const auto& view : views)
	{
		CPoint local = toParentCoordinates(view, mapped);
		if (view->onMouseMoved(local, modifiers) == kMouseHandled)
			return kMouseHandled;
	}
	return result;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons)
{
	WaitForGUIDrawingLock();
	auto result = CViewContainer::onMouseUp(where, buttons);
	checkMouseViews(where, buttons.modifiersOnly());
	return result;
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const CButtonState& buttons)
{
	// A drag in progress keeps its views until the release.
	if (getMouseDownView())
		return kMouseHandled;
	WaitForGUIDrawingLock();
	clearMouseViews(where, buttons, true);
	if (impl->tooltipSupport)
		impl->tooltipSupport->hideTooltip();
	return kMouseHandled;
}

bool CFrame::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                     const CButtonState& buttons)
{
	WaitForGUIDrawingLock();
	if (SharedPointer<CView> modalView = getModalView())
		return modalView->onWheel(toChildrenSpace(where), axis, distance, buttons);
	if (getMouseDownView())
		return false;
	bool result = CViewContainer::onWheel(where, axis, distance, buttons);
	checkMouseViews(where, buttons);
	return result;
}

// ---- Mouse-view tracking ----

void CFrame::enterMouseView(const MouseView& entry, const CPoint& where, const CButtonState& buttons)
{
	std::shared_ptr<MouseEnterNotice> told = entry.told;
	SharedPointer<CView> view = entry.view;
	told->view = true;
	CPoint local = toParentCoordinates(view, toChildrenSpace(where));
	view->onMouseEntered(local, buttons);
	// Once the view has left (removed, or the mouse views cleared), the
	// observers not told yet hear nothing of it.
	impl->mouseObservers.forEach([&](IMouseObserver* observer) {
		if (told->exited)
			return true;
		told->observers.push_back(observer);
		observer->onMouseEntered(view, this);
		return false;
	});
	if (told->exited)
		return;
	told->listeners = true;
	told->listenersBeingTold = true;
	view->callMouseListenerEnteredExited(true);
	told->listenersBeingTold = false;
	// It left while its listeners were told; they all know of the enter now.
	if (told->exited)
		view->callMouseListenerEnteredExited(false);
}

// callView false for a view that leaves the tree: it is not called itself.
void CFrame::exitMouseView(const MouseView& entry, const CPoint& where, const CButtonState& buttons,
                           bool callView)
{
	std::shared_ptr<MouseEnterNotice> told = entry.told;
	if (std::exchange(told->exited, true))
		return;
	SharedPointer<CView> view = entry.view;
	if (callView && told->view)
	{
		CPoint local = toParentCoordinates(view, toChildrenSpace(where));
		view->onMouseExited(local, buttons);
	}
	auto& observersTold = told->observers;
	impl->mouseObservers.forEach([&](IMouseObserver* observer) {
		if (std::find(observersTold.begin(), observersTold.end(), observer) != observersTold.end())
			observer->onMouseExited(view, this);
	});
	// Listeners being told of the enter hear of the exit when that walk ends.
	if (told->listeners && !told->listenersBeingTold)
		view->callMouseListenerEnteredExited(false);
}

bool CFrame::isMouseView(const MouseView& entry) const
{
	const auto& mouseViews = impl->mouseViews;
	return std::any_of(mouseViews.begin(), mouseViews.end(),
	                   [&](const MouseView& other) { return other.told == entry.told; });
}

void CFrame::clearMouseViews(const CPoint& where, const CButtonState& buttons, bool callExited)
{
	++impl->mouseViewsGeneration;
	auto views = std::move(impl->mouseViews);
	impl->mouseViews.clear();
	for (const auto& entry : views)
	{
		if (callExited)
			exitMouseView(entry, where, buttons, true);
		else
			entry.told->exited = true;
	}
}

void CFrame::checkMouseViews(const CPoint& where, const CButtonState& buttons)
{
	if (getMouseDownView())
		return;
	const auto options = GetViewOptions().deep().mouseEnabled().includeViewContainer();
	SharedPointer<CView> mouseView = getViewAt(where, options);
	// A view on its way out of the tree is never tracked again.
	if (mouseView && mouseView != this && !isInThisTree(mouseView))
		mouseView = nullptr;
	auto& mouseViews = impl->mouseViews;
	SharedPointer<CView> innermost = mouseViews.empty() ? nullptr : mouseViews.front().view;
	if (mouseView == innermost)
		return;
	if (auto& tooltips = impl->tooltipSupport)
	{
		if (innermost)
			tooltips->onMouseExited(innermost);
		if (mouseView && mouseView != this)
			tooltips->onMouseEntered(mouseView);
	}
	if (!mouseView || mouseView == this)
	{
		clearMouseViews(where, buttons, true);
		return;
	}

	auto containsNewView = [&](CView* entry) {
		auto container = entry->toViewContainer();
		return container && container->isChild(mouseView, true);
	};
	// Exit handlers may change the tree or the mouse views (a modal session
	// begun, a view removed): then this step stops.
	const uint64 generation = ++impl->mouseViewsGeneration;
	auto changedMeanwhile = [&] {
		return impl->mouseViewsGeneration != generation || !isInThisTree(mouseView);
	};
	auto exitInnermost = [&] {
		MouseView entry = mouseViews.front();
		mouseViews.erase(mouseViews.begin());
		exitMouseView(entry, where, buttons, true);
	};
	if (innermost && !innermost->toViewContainer())
	{
		exitInnermost();
		if (changedMeanwhile())
			return;
	}
	while (!mouseViews.empty())
	{
		CView* entry = mouseViews.front();
		if (entry == mouseView)
			return;
		if (containsNewView(entry))
			break;
		exitInnermost();
		if (changedMeanwhile())
			return;
	}

	CView* stop = nullptr;
	if (!mouseViews.empty())
	{
		stop = mouseViews.front();
		if (!stop->toViewContainer())
			doAssert("lib/cframe", "488");
	}
	std::vector<MouseView> added; // innermost first
	for (CView* view = mouseView; view && view != this && view != stop; view = view->getParentView())
		added.push_back({view});
	mouseViews.insert(mouseViews.begin(), added.begin(), added.end());
	for (auto it = added.rbegin(); it != added.rend(); ++it)
	{
		// An enter handler may have taken a later view out of the mouse views
		// (removed it, or begun a modal session); the others still get theirs.
		if (isMouseView(*it))
			enterMouseView(*it, where, buttons);
	}
}

void CFrame::removeFromMouseViews(CView* view)
{
	auto container = view->toViewContainer();
	std::vector<MouseView> leaving;
	auto& mouseViews = impl->mouseViews;
	for (auto it = mouseViews.begin(); it != mouseViews.end();)
	{
		if (it->view == view || (container && container->isChild(*it, true)))
		{
			leaving.push_back(std::move(*it));
			it = mouseViews.erase(it);
		}
		else
			++it;
	}
	if (!leaving.empty())
		++impl->mouseViewsGeneration;
	for (const auto& gone : leaving)
	{
		if (impl->tooltipSupport)
			impl->tooltipSupport->onMouseExited(gone);
		exitMouseView(gone, {}, {}, false);
	}
}

// ---- Keys ----

int32 CFrame::dispatchKey(MoxKeyCode& keyCode, bool down)
{
	int32 result = kKeyNotHandled;
	impl->keyboardHooks.forEachReverse([&](IKeyboardHook* hook) {
		if (result > 0)
			return true;
		result = down ? hook->onKeyDown(keyCode, this) : hook->onKeyUp(keyCode, this);
		return false;
	});
	if (result != kKeyNotHandled)
		return result;

	auto send = [&](CView* view) { return down ? view->onKeyDown(keyCode) : view->onKeyUp(keyCode); };
	if (SharedPointer<CView> focus = impl->focusView)
	{
		if (focus->getMouseEnabled())
		{
			result = send(focus);
			if (result != kKeyNotHandled)
				return result;
		}
		for (SharedPointer<CView> parent = focus->getParentView(); parent && parent != this;
		     parent = parent->getParentView())
		{
			if (!parent->getMouseEnabled())
				continue;
			result = send(parent);
			if (result != kKeyNotHandled)
				return result;
		}
	}
	if (SharedPointer<CView> modalView = getModalView())
	{
		result = send(modalView);
		if (result != kKeyNotHandled)
			return result;
	}
	return kKeyNotHandled;
}

int32 CFrame::onKeyDown(MoxKeyCode& keyCode)
{
	int32 result = dispatchKey(keyCode, true);
	if (result != kKeyNotHandled)
		return result;
	if (keyCode.virt == kVKeyTab && (keyCode.modifier == 0 || keyCode.modifier == kModifierShift))
		return advanceNextFocusView(impl->focusView, keyCode.modifier == kModifierShift) ? kKeyHandled
		                                                                                 : kKeyNotHandled;
	return kKeyNotHandled;
}

int32 CFrame::onKeyUp(MoxKeyCode& keyCode)
{
	return dispatchKey(keyCode, false);
}

// ---- Focus ----

namespace {

// Tells every ancestor container of view, and then the frame, about a focus
// change. An ancestor's handler may take itself out of the tree (a scroll
// view that follows the focus moves its content, whose listeners may do
// anything): it stays alive for the next step, which then ends the walk.
void notifyFocusChain(CFrame* frame, CView* view, const char* message)
{
	for (SharedPointer<CView> parent = view->getParentView(); parent && parent != frame;
	     parent = parent->getParentView())
		parent->notify(view, message);
	frame->notify(view, message);
}

} // namespace

void CFrame::setFocusView(CView* view)
{
	if (impl->settingFocus && impl->active)
	{
		// Asked from a callback of the running change (a dialog opened when
		// a view took the focus): the latest such request is applied once
		// that change is over.
		impl->focusRequest = SharedPointer<CView>(view);
		return;
	}
	// Newer than whatever a change left waiting.
	impl->focusRequest.reset();
	if (!acceptsFocusRequest(view))
		return;
	if (!impl->active)
	{
		// Only a view of this tree is remembered: the frame is told when it
		// leaves and forgets it then.
		impl->activeFocusView = isInThisTree(view) ? view : nullptr;
		return;
	}
	changeFocus(view);
	applyFocusRequests();
}

// Not the focus already, and inside the modal view while a session is open.
bool CFrame::acceptsFocusRequest(CView* view) const
{
	if (view == impl->focusView)
		return false;
	auto modal = getModalView() ? getModalView()->toViewContainer() : nullptr;
	return !modal || !view || view == modal || modal->isChild(view, true);
}

void CFrame::changeFocus(CView* view)
{
	impl->settingFocus = true;
	SharedPointer<CView> oldFocus = impl->focusView;
	// Only a view of this frame's tree can hold its focus: the frame is told
	// when such a view leaves, and clears the focus then.
	SharedPointer<CView> newFocus = isInThisTree(view) ? view : nullptr;
	impl->focusView = newFocus;
	if (newFocus && newFocus->wantsFocus())
	{
		newFocus->invalid();
		notifyFocusChain(this, newFocus, kMsgNewFocusView);
	}
	if (oldFocus)
	{
		if (oldFocus->wantsFocus())
		{
			oldFocus->invalid();
			notifyFocusChain(this, oldFocus, kMsgOldFocusView);
		}
		oldFocus->looseFocus();
	}
	// A handler above may have removed the new focus again (a page rebuilt
	// when the old focus let go): then it gets no takeFocus.
	if (newFocus && (impl->focusView != newFocus || !newFocus->isAttached()))
	{
		if (impl->focusView == newFocus)
			impl->focusView = nullptr;
		newFocus = nullptr;
	}
	if (newFocus && newFocus->wantsFocus())
		newFocus->takeFocus();
	impl->settingFocus = false;
	SharedPointer<CView> current = impl->focusView;
	impl->focusViewObservers.forEach(
	    [&](IFocusViewObserver* observer) { observer->onFocusViewChanged(this, current, oldFocus); });
}

// Applies what the callbacks of a change asked for, one request after the
// other. Views that keep handing the focus on to each other are stopped
// after a few rounds.
void CFrame::applyFocusRequests()
{
	constexpr int kMaxRounds = 8;
	for (int round = 0; round < kMaxRounds; ++round)
	{
		if (!impl->active)
		{
			// Deactivated from a callback: an inactive frame holds no focus
			// (the one to restore was set aside by the deactivation).
			impl->focusRequest.reset();
			if (!impl->focusView)
				return;
			changeFocus(nullptr);
			continue;
		}
		auto request = std::exchange(impl->focusRequest, std::nullopt);
		if (!request)
			return;
		// A view that left the tree meanwhile is not focused.
		CView* next = request->get();
		if ((!next || isInThisTree(next)) && acceptsFocusRequest(next))
			changeFocus(next);
	}
	impl->focusRequest.reset();
}

CView* CFrame::getFocusView() const
{
	return impl->focusView;
}

bool CFrame::advanceNextFocusView(CView* current, bool reverse)
{
	SharedPointer<CView> modalView = getModalView();
	if (modalView && !modalView->toViewContainer())
	{
		if (modalView->wantsFocus())
		{
			setFocusView(modalView);
			return true;
		}
		return false;
	}
	CViewContainer* root = modalView ? modalView->toViewContainer() : this;
	auto advanceIn = [&](CViewContainer* container, CView* from) {
		return container == this ? CViewContainer::advanceNextFocusView(from, reverse)
		                         : container->advanceNextFocusView(from, reverse);
	};
	// Each container from current's parent upwards continues after the
	// child the walk came from; failing that, wrap to the first (or last).
	CView* child = current;
	for (CView* parent = current ? current->getParentView() : nullptr; parent;
	     parent = parent->getParentView())
	{
		auto container = parent->toViewContainer();
		if (container && advanceIn(container, child))
			return true;
		if (container == root)
			break;
		child = parent;
	}
	if (advanceIn(root, nullptr))
		return true;
	setFocusView(nullptr);
	return false;
}

void CFrame::onActivate(bool state)
{
	if (impl->active == state)
		return;
	if (state)
	{
		impl->active = true;
		if (CView* remembered = std::exchange(impl->activeFocusView, nullptr))
			setFocusView(remembered);
		else
			advanceNextFocusView(nullptr, false);
		return;
	}
	if (impl->tooltipSupport)
		impl->tooltipSupport->hideTooltip();
	impl->activeFocusView = impl->focusView;
	setFocusView(nullptr);
	impl->active = false;
	// A callback of that change may have focused a view again; a change
	// still running settles it when it ends.
	if (!impl->settingFocus)
		applyFocusRequests();
}

bool CFrame::isActive() const
{
	return impl->active;
}

bool CFrame::focusDrawingEnabled() const
{
	uint32 size = 0;
	return getAttributeSize(kFocusDrawingEnabledAttribute, size);
}

void CFrame::setFocusDrawingEnabled(bool state)
{
	if (state)
		setAttributeValue(kFocusDrawingEnabledAttribute, uint8(1));
	else
		removeAttribute(kFocusDrawingEnabledAttribute);
}

CColor CFrame::getFocusColor() const
{
	CColor color = kRedCColor;
	getAttributeValue(kFocusColorAttribute, color);
	return color;
}

void CFrame::setFocusColor(const CColor& color)
{
	setAttributeValue(kFocusColorAttribute, color);
}

double CFrame::getFocusWidth() const
{
	double width = 2.;
	getAttributeValue(kFocusWidthAttribute, width);
	return width;
}

void CFrame::setFocusWidth(double width)
{
	setAttributeValue(kFocusWidthAttribute, width);
}

// ---- Modal sessions ----

std::optional<uint32> CFrame::beginModalViewSession(CView* view)
{
	if (!view || view->isAttached())
		return {};
	// A handler may take the view out again while it is attached.
	SharedPointer<CView> keepAlive = view;
	if (!addView(view) || !isChild(view, false))
		return {};
	uint32 identifier = ++impl->modalViewSessionID;
	impl->modalViewSessions.push_back({identifier, view});
	initModalViewSession();
	return identifier;
}

void CFrame::initModalViewSession()
{
	CViewContainer::onMouseCancel();
	clearMouseViews({}, {}, true);
	SharedPointer<CView> modalView = getModalView();
	if (!modalView)
		return;
	if (auto container = modalView->toViewContainer())
	{
		if (!container->advanceNextFocusView(nullptr, false))
			setFocusView(nullptr);
	}
	else if (modalView->wantsFocus())
		setFocusView(modalView);
	else
		setFocusView(nullptr);
	if (isAttached() && impl->platformFrame)
	{
		CPoint where;
		CButtonState buttons;
		impl->platformFrame->getCurrentMousePosition(where);
		impl->platformFrame->getCurrentMouseButtons(buttons);
		checkMouseViews(where, buttons);
	}
}

bool CFrame::endModalViewSession(uint32 sessionID)
{
	if (impl->modalViewSessions.empty() || impl->modalViewSessions.back().identifier != sessionID)
		return false;
	SharedPointer<CView> view = std::move(impl->modalViewSessions.back().view);
	impl->modalViewSessions.pop_back();
	if (impl->legacyModalSession == sessionID)
		impl->legacyModalSession.reset();
	removeView(view, false);
	if (!impl->modalViewSessions.empty())
		initModalViewSession();
	return true;
}

CView* CFrame::getModalView() const
{
	return impl->modalView();
}

bool CFrame::setModalView(CView* view)
{
	if (view)
	{
		if (!impl->modalViewSessions.empty())
			return false;
		auto session = beginModalViewSession(view);
		if (!session)
			return false;
		impl->legacyModalSession = session;
		return true;
	}
	if (!impl->legacyModalSession)
	{
		doAssert("lib/cframe", "921");
		return true;
	}
	if (!endModalViewSession(*impl->legacyModalSession))
		doAssert("lib/cframe", "923");
	return true;
}

void CFrame::clearModalViewSessions()
{
	if (impl->legacyModalSession)
		endModalViewSession(*impl->legacyModalSession);
	while (!impl->modalViewSessions.empty())
		endModalViewSession(impl->modalViewSessions.back().identifier);
}

// ---- Observers ----

void CFrame::registerKeyboardHook(IKeyboardHook* hook)
{
	if (hook)
		impl->keyboardHooks.add(hook);
}

void CFrame::unregisterKeyboardHook(IKeyboardHook* hook)
{
	impl->keyboardHooks.remove(hook);
}

void CFrame::registerMouseObserver(IMouseObserver* observer)
{
	if (observer)
		impl->mouseObservers.add(observer);
}

void CFrame::unregisterMouseObserver(IMouseObserver* observer)
{
	impl->mouseObservers.remove(observer);
}

void CFrame::registerFocusViewObserver(IFocusViewObserver* observer)
{
	if (observer)
		impl->focusViewObservers.add(observer);
}

void CFrame::unregisterFocusViewObserver(IFocusViewObserver* observer)
{
	impl->focusViewObservers.remove(observer);
}

void CFrame::registerScaleFactorChangedListeneer(IScaleFactorChangedListener* listener)
{
	if (listener)
		impl->scaleFactorListeners.add(listener);
}

void CFrame::unregisterScaleFactorChangedListeneer(IScaleFactorChangedListener* listener)
{
	impl->scaleFactorListeners.remove(listener);
}

void CFrame::setViewAddedRemovedObserver(IViewAddedRemovedObserver* observer)
{
	impl->viewAddedRemovedObserver = observer;
}

IViewAddedRemovedObserver* CFrame::getViewAddedRemovedObserver() const
{
	return impl->viewAddedRemovedObserver;
}

// ---- Tree bookkeeping ----

void CFrame::onViewAdded(CView* view)
{
	SharedPointer<CView> keepAlive = view;
	if (impl->viewAddedRemovedObserver)
		impl->viewAddedRemovedObserver->onViewAdded(this, view);
	// The observer may have taken the view out again.
	if (view->wantsWindowActivation() && isInThisTree(view))
		impl->windowActiveStateViews.add(view);
}

void CFrame::onViewRemoved(CView* view)
{
	removeFromMouseViews(view);
	auto container = view->toViewContainer();
	auto isInside = [&](CView* candidate) {
		return candidate && (candidate == view || (container && container->isChild(candidate, true)));
	};
	// A dialog taken out of the frame without ending its session ends it
	// there: the frame never keeps a modal view outside its tree.
	SharedPointer<CView> modalBefore = getModalView();
	auto& sessions = impl->modalViewSessions;
	sessions.erase(std::remove_if(sessions.begin(), sessions.end(),
	                              [&](const ModalViewSession& session) { return isInside(session.view); }),
	               sessions.end());
	if (impl->legacyModalSession &&
	    std::none_of(sessions.begin(), sessions.end(), [&](const ModalViewSession& session) {
		    return session.identifier == *impl->legacyModalSession;
	    }))
		impl->legacyModalSession.reset();
	if (isInside(impl->activeFocusView))
		impl->activeFocusView = nullptr;
	if (isInside(impl->focusView))
	{
		// Within a running focus change the field is cleared directly; the
		// change checks the views again before its last steps.
		if (impl->active && !impl->settingFocus)
			setFocusView(nullptr);
		else
			impl->focusView = nullptr;
	}
	if (modalBefore != getModalView() && getModalView())
		initModalViewSession();
	if (impl->viewAddedRemovedObserver)
		impl->viewAddedRemovedObserver->onViewRemoved(this, view);
	impl->windowActiveStateViews.remove(view);
	if (SharedPointer<Animation::Animator> animator = impl->animator)
		animator->removeAnimations(view);
}

// ---- Invalidation ----

CFrame::CollectInvalidRects::CollectInvalidRects(CFrame* frame)
: frame(frame), lastTicks(frame && frame->impl->platformFrame ? frame->getTicks() : kNoTicks)
{
	if (!frame)
		return;
	previous = frame->impl->collectInvalidRects;
	if (previous)
		previous->flush();
	frame->setCollectInvalidRects(this);
}

CFrame::CollectInvalidRects::~CollectInvalidRects() noexcept
{
	if (!frame)
		return;
	flush();
	if (frame->impl->collectInvalidRects == this)
		frame->setCollectInvalidRects(previous);
}

void CFrame::CollectInvalidRects::addRect(const CRect& rect)
{
	if (!frame)
		return;
	bool dropped = false;
	for (auto it = invalidRects.begin(); it != invalidRects.end();)
	{
		if (it->rectInside(rect))
		{
			dropped = true;
			break;
		}
		if (rect.rectInside(*it))
			it = invalidRects.erase(it);
		else
			++it;
	}
	if (!dropped)
		invalidRects.push_back(rect);
	uint32 now = frame->getTicks();
	if (now - lastTicks >= kInvalidRectPacing)
	{
		flush();
		lastTicks = now;
	}
}

void CFrame::CollectInvalidRects::flush()
{
	auto rects = std::move(invalidRects);
	invalidRects.clear();
	if (!frame)
		return;
	auto platformFrame = frame->impl->platformFrame;
	if (!platformFrame || !frame->isVisible())
		return;
	for (const auto& rect : rects)
		platformFrame->invalidRect(rect);
}

void CFrame::setCollectInvalidRects(CollectInvalidRects* collectInvalidRects)
{
	impl->collectInvalidRects = collectInvalidRects;
}

void CFrame::onStartLocalEventLoop()
{
	if (auto scope = impl->collectInvalidRects)
	{
		scope->flush();
		impl->collectInvalidRects = nullptr;
	}
}

void CFrame::invalidFrameRect(const CRect& frameRect)
{
	if (!isVisible() || !impl->platformFrame)
		return;
	CRect rect = frameRect;
	rect.makeIntegral();
	if (rect.isEmpty())
		return;
	if (impl->collectInvalidRects)
		impl->collectInvalidRects->addRect(rect);
	else
		impl->platformFrame->invalidRect(rect);
}

void CFrame::invalidRect(const CRect& rect)
{
	invalidFrameRect(getTransform().transformed(rect));
}

void CFrame::invalid()
{
	setDirty(false);
	invalidFrameRect(CRect(getViewSize()).originize());
}

void CFrame::invalidate(const CRect& rect)
{
	for (const auto& child : getChildren())
	{
		if (child->getViewSize().rectOverlap(rect))
			child->setDirty(true);
	}
}

void CFrame::scrollRect(const CRect& src, const CPoint& distance)
{
	if (!isVisible() || !impl->platformFrame)
		return;
	// Only a zoom and a shift keep a moved rect a rect of whole pixels.
	const CGraphicsTransform& transform = getTransform();
	CRect frameRect = transform.transformed(src);
	CPoint frameDistance(distance.x * transform.m11, distance.y * transform.m22);
	CRect wholeUnits = frameRect;
	wholeUnits.makeIntegral();
	bool movable = transform.m12 == 0. && transform.m21 == 0. && transform.m11 > 0. &&
	               transform.m22 > 0. && frameDistance.x == std::round(frameDistance.x) &&
	               frameDistance.y == std::round(frameDistance.y) && wholeUnits == frameRect;
	if (movable && !frameRect.isEmpty())
	{
		// Rects still being collected must reach the platform first, so
		// that it moves them along with the pixels.
		if (impl->collectInvalidRects)
			impl->collectInvalidRects->flush();
		if (impl->platformFrame->scrollRect(frameRect, frameDistance))
			return;
	}
	invalidRect(src);
}

void CFrame::idle()
{
	// Cleared before the walk, so that a view dirtied meanwhile, on any
	// thread, asks for the next pass. The exchange sees every mark made
	// before the request that set the flag.
	impl->idlePending.exchange(false, std::memory_order_acq_rel);
	if (!kDirtyCallAlwaysOnMainThread)
		invalidateDirtyViews();
}

void CFrame::requestIdle() noexcept
{
	IPlatformFrame* waker = impl->idleWaker.load(std::memory_order_acquire);
	if (waker && !impl->idlePending.exchange(true, std::memory_order_acq_rel))
		waker->wakeForIdle();
}

// ---- Lookups ----

CView* CFrame::getViewAt(const CPoint& where, const GetViewOptions& options) const
{
	CView* modalView = getModalView();
	if (!modalView)
		return CViewContainer::getViewAt(where, options);
	CPoint mapped = toChildrenSpace(where);
	if (!modalView->getViewSize().pointInside(mapped))
		return nullptr;
	auto container = modalView->toViewContainer();
	if (!options.getDeep() || !container)
		return modalView;
	if (CView* found = container->getViewAt(mapped, options))
		return found;
	return options.getIncludeViewContainer() ? modalView : nullptr;
}

CViewContainer* CFrame::getContainerAt(const CPoint& where, const GetViewOptions& options) const
{
	CView* modalView = getModalView();
	if (!modalView)
		return CViewContainer::getContainerAt(where, options);
	CPoint mapped = toChildrenSpace(where);
	if (!modalView->getViewSize().pointInside(mapped))
		return nullptr;
	auto container = modalView->toViewContainer();
	if (!container)
		return const_cast<CFrame*>(this);
	return options.getDeep() ? container->getContainerAt(mapped, options) : container;
}

bool CFrame::getViewsAt(const CPoint& where, std::list<SharedPointer<CView>>& views,
                        const GetViewOptions& options) const
{
	CView* modalView = getModalView();
	if (!modalView)
		return CViewContainer::getViewsAt(where, views, options);
	CPoint mapped = toChildrenSpace(where);
	if (!modalView->getViewSize().pointInside(mapped))
		return false;
	auto container = modalView->toViewContainer();
	if (options.getDeep() && container)
		container->getViewsAt(mapped, views, options);
	if (!container || options.getIncludeViewContainer())
		views.emplace_back(modalView);
	return !views.empty();
}

// ---- Geometry and scale ----

bool CFrame::setSize(double width, double height)
{
	const CRect& oldSize = getViewSize();
	if (width == oldSize.getWidth() && height == oldSize.getHeight())
		return false;
	CRect newSize = oldSize;
	newSize.setWidth(width).setHeight(height);
	if (impl->editor && !impl->editor->approveSizeChange(newSize, oldSize))
		return false;
	// Before open there is no platform view to resize.
	if (impl->platformFrame && !impl->platformFrame->setSize(newSize))
		return false;
	CViewContainer::setViewSize(newSize, true);
	return true;
}

bool CFrame::getSize(CRect& size) const
{
	size = getViewSize();
	return true;
}

bool CFrame::setPosition(double x, double y)
{
	if (!impl->platformFrame)
		return false;
	CRect rect = getViewSize();
	rect.moveTo({x, y});
	if (!impl->platformFrame->setSize(rect))
		return false;
	CViewContainer::setViewSize(rect, false);
	return true;
}

bool CFrame::getPosition(double& x, double& y) const
{
	if (!impl->platformFrame)
		return false;
	CPoint position;
	if (!impl->platformFrame->getGlobalPosition(position))
		return false;
	x = position.x;
	y = position.y;
	return true;
}

bool CFrame::setZoom(double zoomFactor)
{
	if (zoomFactor == 0.)
		return false;
	const CGraphicsTransform previous = getTransform();
	const CRect& size = getViewSize();
	double width = std::round(size.getWidth() / previous.m11 * zoomFactor);
	double height = std::round(size.getHeight() / previous.m22 * zoomFactor);
	setAutosizingEnabled(false);
	setTransform(CGraphicsTransform::scaling(zoomFactor, zoomFactor));
	if (!setSize(width, height))
	{
		setTransform(previous);
		// Autosizing comes back on either way: a refused zoom must not leave
		// the children unable to follow later resizes.
		setAutosizingEnabled(true);
		return false;
	}
	invalid();
	setAutosizingEnabled(true);
	setDirty(false);
	impl->userScaleFactor = zoomFactor;
	double scale = zoomFactor * impl->platformScaleFactor;
	impl->scaleFactorListeners.forEach(
	    [&](IScaleFactorChangedListener* listener) { listener->onScaleFactorChanged(this, scale); });
	return true;
}

double CFrame::getZoom() const
{
	return impl->userScaleFactor;
}

double CFrame::getScaleFactor() const
{
	return impl->userScaleFactor * impl->platformScaleFactor;
}

void CFrame::dispatchNewScaleFactor(double newScaleFactor)
{
	impl->scaleFactorListeners.forEach([&](IScaleFactorChangedListener* listener) {
		listener->onScaleFactorChanged(this, newScaleFactor);
	});
}

void CFrame::setBitmapInterpolationQuality(BitmapInterpolationQuality quality)
{
	if (impl->bitmapInterpolationQuality == quality)
		return;
	impl->bitmapInterpolationQuality = quality;
	invalid();
}

BitmapInterpolationQuality CFrame::getBitmapInterpolationQuality() const
{
	return impl->bitmapInterpolationQuality;
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const
{
	if (!impl->platformFrame || !impl->platformFrame->getCurrentMousePosition(where))
		return false;
	getTransform().transform(where);
	return true;
}

CButtonState CFrame::getCurrentMouseButtons() const
{
	CButtonState buttons;
	if (impl->platformFrame)
		impl->platformFrame->getCurrentMouseButtons(buttons);
	return buttons;
}

void CFrame::setCursor(CCursorType type)
{
	if (impl->platformFrame)
		impl->platformFrame->setMouseCursor(type);
}

// ---- Services ----

Animation::Animator* CFrame::getAnimator()
{
	if (!impl->animator && !impl->animationsEnded)
		impl->animator = makeOwned<Animation::Animator>();
	return impl->animator;
}

void CFrame::enableTooltips(bool state, uint32 delayTime)
{
	if (state)
	{
		if (!impl->tooltipSupport)
			impl->tooltipSupport = owned(new CTooltipSupport(this, delayTime));
		return;
	}
	if (auto tooltips = std::move(impl->tooltipSupport))
		tooltips->hideTooltip();
}

CTooltipSupport* CFrame::getTooltipSupport() const
{
	return impl->tooltipSupport;
}

SharedPointer<IDataPackage> CFrame::getClipboard()
{
	return impl->platformFrame ? impl->platformFrame->getClipboard() : nullptr;
}

void CFrame::setClipboard(const SharedPointer<IDataPackage>& data)
{
	if (impl->platformFrame)
		impl->platformFrame->setClipboard(data);
}

bool CFrame::performDrag(const DragDescription& description, const SharedPointer<IDragCallback>& callback)
{
	if (!impl->platformFrame || !impl->platformFrame->doDrag(description, callback))
		return false;
	// The whole chain of holders lets go, without ending anyone's press: a
	// container left holding the view that started the drag would end it
	// later, on an unrelated press.
	CViewContainer* container = this;
	while (container)
	{
		CView* holder = container->getMouseDownView();
		container->clearMouseDownView();
		container = holder ? holder->toViewContainer() : nullptr;
	}
	return true;
}

uint32 CFrame::getTicks() const
{
	return IPlatformFrame::getTicks();
}

int32 CFrame::getKnobMode() const
{
	int32 mode = impl->editor ? impl->editor->getKnobMode() : -1;
	return mode == -1 ? kDefaultKnobMode : mode;
}

void CFrame::beginEdit(int32 tag)
{
	if (impl->editor)
		impl->editor->beginEdit(tag);
}

void CFrame::endEdit(int32 tag)
{
	if (impl->editor)
		impl->editor->endEdit(tag);
}

// ---- Drawing lock ----

void CFrame::LockGUIDrawing()
{
	WaitForThenLockGUIDrawing();
}

void CFrame::UnLockGUIDrawing()
{
	if (!holdsGUIDrawingLock() || --impl->lockDepth > 0)
		return;
	impl->lockHolder.store(std::thread::id());
	int32 held = 1;
	impl->guiDrawingLock.compare_exchange_strong(held, 0);
}

bool CFrame::IsGUIDrawingLocked() const
{
	return impl->guiDrawingLock.load() != 0;
}

// The holder never waits for itself: a handler running inside a locked
// section would otherwise hang the host's UI thread.
void CFrame::WaitForGUIDrawingLock() const
{
	while (IsGUIDrawingLocked() && !holdsGUIDrawingLock())
		sleepBetweenLockPolls();
}

void CFrame::WaitForThenLockGUIDrawing()
{
	if (holdsGUIDrawingLock())
	{
		++impl->lockDepth;
		return;
	}
	int32 expected = 0;
	while (!impl->guiDrawingLock.compare_exchange_strong(expected, 1))
	{
		expected = 0;
		sleepBetweenLockPolls();
	}
	impl->lockHolder.store(std::this_thread::get_id());
	impl->lockDepth = 1;
}

bool CFrame::holdsGUIDrawingLock() const
{
	return IsGUIDrawingLocked() && impl->lockHolder.load() == std::this_thread::get_id();
}

GUIDrawingLockScope::GUIDrawingLockScope(CFrame* frame)
{
	if (frame && !frame->holdsGUIDrawingLock())
	{
		frame->WaitForThenLockGUIDrawing();
		lockedFrame = frame;
	}
}

GUIDrawingLockScope::~GUIDrawingLockScope() noexcept
{
	if (lockedFrame)
		lockedFrame->UnLockGUIDrawing();
}

} // namespace Kavrin
