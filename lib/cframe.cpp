#include "lib/cframe.h"

#include "lib/assertion.h"
#include "lib/iviewlistener.h"
#include "lib/messages.h"

#include <chrono>

namespace Kavrin {

namespace {

constexpr CViewAttributeID kFocusDrawingEnabledAttribute = makeViewAttributeID("vfde");
constexpr CViewAttributeID kFocusColorAttribute = makeViewAttributeID("vfco");
constexpr CViewAttributeID kFocusWidthAttribute = makeViewAttributeID("vfwi");

void sleepBetweenLockPolls()
{
	std::this_thread::sleep_for(std::chrono::microseconds(1000));
}

} // namespace

struct CFrame::Impl
{
	KavrinEditorInterface* editor {nullptr};
	CView* focusView {nullptr};
	bool settingFocus {false};
	std::atomic<int32> guiDrawingLock {0};
	std::atomic<std::thread::id> lockHolder {};
	// Nesting depth of the holder's own locks; touched by the holder only.
	int32 lockDepth {0};
};

CFrame::CFrame(const CRect& size, KavrinEditorInterface* editor)
: CViewContainer(size), impl(std::make_unique<Impl>())
{
	impl->editor = editor;
	setParentFrame(this);
}

CFrame::~CFrame() noexcept = default;

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

void CFrame::beforeDelete()
{
	removeAll(true);
	impl->focusView = nullptr;
	setViewFlag(kIsAttached, false);
	CViewContainer::beforeDelete();
}

KavrinEditorInterface* CFrame::getEditor() const
{
	return impl->editor;
}

bool CFrame::advanceNextFocusView(CView* current, bool reverse)
{
	// Each container from current's parent upwards continues after the
	// child the walk came from; failing that, wrap to the first (or last).
	CView* child = current;
	for (CView* parent = current ? current->getParentView() : nullptr; parent;
	     parent = parent->getParentView())
	{
		auto container = parent->toViewContainer();
		if (container == this)
		{
			if (CViewContainer::advanceNextFocusView(child, reverse))
				return true;
			break;
		}
		if (container && container->advanceNextFocusView(child, reverse))
			return true;
		child = parent;
	}
	if (CViewContainer::advanceNextFocusView(nullptr, reverse))
		return true;
	setFocusView(nullptr);
	return false;
}

// ---- Focus ----

namespace {

// Tells every ancestor container of view, and then the frame, about a focus
// change.
void notifyFocusChain(CFrame* frame, CView* view, const char* message)
{
	for (CView* parent = view->getParentView(); parent && parent != frame;
	     parent = parent->getParentView())
		parent->notify(view, message);
	frame->notify(view, message);
}

} // namespace

void CFrame::setFocusView(CView* view)
{
	if (view == impl->focusView || impl->settingFocus)
		return;
	impl->settingFocus = true;
	SharedPointer<CView> oldFocus = impl->focusView;
	// Only a view of this frame's tree can hold its focus: the frame is told
	// when such a view leaves, and clears the focus then.
	SharedPointer<CView> newFocus = (view && view->isAttached() && view->getFrame() == this) ? view : nullptr;
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
	// A handler above may have removed the new focus again.
	if (newFocus && newFocus->wantsFocus() && impl->focusView == newFocus)
		newFocus->takeFocus();
	impl->settingFocus = false;
}

CView* CFrame::getFocusView() const
{
	return impl->focusView;
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

// ---- Tree bookkeeping ----

void CFrame::onViewAdded(CView*) {}

void CFrame::onViewRemoved(CView* view)
{
	CView* focus = impl->focusView;
	if (!focus)
		return;
	bool focusInside = focus == view;
	if (!focusInside)
	{
		if (auto container = view->toViewContainer())
			focusInside = container->isChild(focus, true);
	}
	if (!focusInside)
		return;
	if (impl->settingFocus)
		impl->focusView = nullptr;
	else
		setFocusView(nullptr);
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
	impl->guiDrawingLock.store(0);
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
