#include "lib/cscrollview.h"

#include "lib/cframe.h"
#include "lib/ckavrintimer.h"
#include "lib/idatapackage.h"
#include "lib/messages.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Kavrin {

namespace {

constexpr double kDragScrollBand = 10.;
constexpr uint32 kDragScrollInterval = 50;

// value held within [low, high]; a NaN value, or bounds the wrong way
// round, give low.
double clampTo(double value, double low, double high)
{
	return std::max(low, std::min(value, high));
}

// How far where lies into the band along one edge pair: negative towards
// low, positive towards high, 0 outside the bands.
float bandDistance(double where, double low, double high)
{
	if (where >= low && where < low + kDragScrollBand)
		return static_cast<float>(where - (low + kDragScrollBand));
	if (where > high - kDragScrollBand && where <= high)
		return static_cast<float>(where - (high - kDragScrollBand));
	return 0.f;
}

// A rect in container's children space, in the frame's children space;
// only valid while no container between them transforms its children.
CRect toFrameChildren(CRect rect, const CView* container)
{
	const CView* frame = container ? container->getFrame() : nullptr;
	for (const CView* view = container; view && view != frame; view = view->getParentView())
		rect.offset(view->getViewSize().getTopLeft());
	return rect;
}

} // namespace

// Wraps the container's own drop target: each move near an edge scrolls
// the content first, so that the target below sees the content where it now
// is. While the pointer rests in a band, a timer keeps scrolling, and tells
// the target below of each step, as the content moved under the pointer.
class CScrollContainer::AutoScrollDropTarget : public IDropTarget, public NonAtomicReferenceCounted
{
public:
	AutoScrollDropTarget(CScrollContainer* container, SharedPointer<IDropTarget> inner)
	: container(container), inner(std::move(inner))
	{
	}
	~AutoScrollDropTarget() noexcept override { stopTimer(); }

	DragOperation onDragEnter(DragEventData data) override
	{
		SharedPointer<IDropTarget> keepAlive(this);
		follow(data);
		return inner->onDragEnter(data);
	}
	DragOperation onDragMove(DragEventData data) override
	{
		SharedPointer<IDropTarget> keepAlive(this);
		container->onDragMove(data.pos);
		follow(data);
		return inner->onDragMove(data);
	}
	void onDragLeave(DragEventData data) override
	{
		SharedPointer<IDropTarget> keepAlive(this);
		stopTimer();
		inner->onDragLeave(data);
	}
	bool onDrop(DragEventData data) override
	{
		SharedPointer<IDropTarget> keepAlive(this);
		stopTimer();
		return inner->onDrop(data);
	}

	void stopTimer()
	{
		if (container->autoScrollTarget == this)
			container->autoScrollTarget = nullptr;
		if (auto running = std::exchange(timer, nullptr))
			running->stop();
		lastDrag = nullptr;
	}

private:
	bool inBand(const CPoint& where) const
	{
		float x = 0.f;
		float y = 0.f;
		return container->getScrollValue(where, x, y);
	}

	// The timer runs exactly while the last position lies in a band of a
	// container in the tree; the drag's data stays with it for the moves
	// it sends.
	void follow(const DragEventData& data)
	{
		lastDrag = data.drag;
		lastPosition = data.pos;
		lastModifiers = data.modifiers;
		if (!container->isInTree() || !inBand(data.pos))
		{
			stopTimer();
			return;
		}
		if (timer)
			return;
		// Another drag's target may still be scrolling this container.
		if (auto other = container->autoScrollTarget; other && other != this)
			other->stopTimer();
		container->autoScrollTarget = this;
		timer = owned(new CKavrinTimer([this](CKavrinTimer*) { tick(); }, kDragScrollInterval));
	}

	// Content at its end scrolls no further: the timer rests until the
	// pointer moves again.
	void tick()
	{
		SharedPointer<IDropTarget> keepAlive(this);
		const CPoint before = container->getScrollOffset();
		if (container->isInTree())
			container->onDragMove(lastPosition);
		if (!timer || container->getScrollOffset() == before)
		{
			stopTimer();
			return;
		}
		// The target may end the drag, and with it the data, from inside.
		SharedPointer<IDataPackage> drag = lastDrag;
		const DragEventData data {drag.get(), lastPosition, lastModifiers};
		inner->onDragMove(data);
		if (timer)
			follow(data);
	}

	SharedPointer<CScrollContainer> container;
	SharedPointer<IDropTarget> inner;
	SharedPointer<CKavrinTimer> timer;
	SharedPointer<IDataPackage> lastDrag;
	CPoint lastPosition;
	CButtonState lastModifiers;
};

CScrollContainer::CScrollContainer(const CRect& size, const CRect& containerSize)
: CViewContainer(size), containerSize(containerSize)
{
	setTransparency(true);
}

CScrollContainer::CScrollContainer(const CScrollContainer& other)
: CViewContainer(other)
, containerSize(other.containerSize)
, offset(other.offset)
, autoDragScroll(other.autoDragScroll)
{
}

CScrollContainer::~CScrollContainer() noexcept = default;

CView* CScrollContainer::cloneView() const
{
	return new CScrollContainer(*this);
}

CRect CScrollContainer::getVisibleContentRect() const
{
	return CRect(getViewSize()).originize().offset(-offset.x, offset.y);
}

void CScrollContainer::setContainerSize(const CRect& newSize)
{
	containerSize = newSize;
	setScrollOffset(offset, false);
}

// The moved content is redrawn, or its pixels moved, whenever the container
// is attached: withRedraw changes nothing.
void CScrollContainer::setScrollOffset(CPoint newOffset, bool)
{
	const double width = containerSize.getWidth();
	const double viewWidth = getViewSize().getWidth();
	const double reach = width >= viewWidth ? width - viewWidth : width;
	const double x =
	    clampTo(std::floor(newOffset.x + 0.5), containerSize.left - reach, containerSize.right);
	const double y = clampTo(std::floor(newOffset.y + 0.5), containerSize.top, containerSize.bottom);
	if (!std::isfinite(x) || !std::isfinite(y))
		return;
	const double dx = std::trunc(x - offset.x);
	const double dy = std::trunc(offset.y - y);
	if (dx == 0. && dy == 0.)
		return;
	SharedPointer<CView> keepAlive(this);
	offset = CPoint(x, y);
	moveChildren(dx, dy);
	if (!isAttached())
		return;
	if (canMovePixels())
		scrollPixels(CPoint(dx, dy));
	else
		invalid();
}

// The size messages the moves send are not content size changes. A
// child's listener may scroll again from inside (the offset is stored
// first, so each move adds up) or remove children.
void CScrollContainer::moveChildren(double dx, double dy)
{
	const bool wasScrolling = std::exchange(inScrolling, true);
	const ViewList remembered = getChildren();
	for (size_t index = 0; index < remembered.size(); ++index)
	{
		CView* child = remembered[index].get();
		if (!holdsChild(child, index))
			continue;
		CRect size = child->getViewSize();
		CRect area = child->getMouseableArea();
		child->setViewSize(size.offset(dx, dy), false);
		if (holdsChild(child, index))
			child->setMouseableArea(area.offset(dx, dy));
	}
	inScrolling = wasScrolling;
	// The focus ring moved with the children: the next focus change must
	// erase it where it is now.
	CRect lastFocus = getLastDrawnFocus();
	if (!lastFocus.isEmpty())
		setLastDrawnFocus(lastFocus.offset(dx, dy));
}

bool CScrollContainer::canMovePixels() const
{
	// An outline alone leaves the inside showing what lies below, which
	// stays where it is.
	const CDrawStyle style = getBackgroundColorDrawStyle();
	const bool fills = style == kDrawFilled || style == kDrawFilledAndStroked;
	if (getTransparency() || getDrawBackground() || !fills || getBackgroundColor().alpha != 255 ||
	    !getTransform().isInvariant())
		return false;
	const CFrame* frame = getFrame();
	if (!frame)
		return false;
	for (const CView* view = this; view; view = view->getParentView())
	{
		if (!view->isVisible() || view->getAlphaValue() < 1.f)
			return false;
		auto container = view->toViewContainer();
		if (view != frame && container && !container->getTransform().isInvariant())
			return false;
		if (view == frame)
			return true;
	}
	return false;
}

void CScrollContainer::scrollPixels(const CPoint& distance)
{
	SharedPointer<CFrame> frame = getFrame();
	const CRect visible = toFrameChildren(getVisibleViewSize(), getParentView());
	if (!frame || visible.isEmpty())
		return;
	frame->scrollRect(visible, distance);
	invalidateViewsAbove(visible, distance);
}

// The copy moved whatever was drawn over the content too: each view above
// is drawn again where it is and where its pixels went.
void CScrollContainer::invalidateViewsAbove(const CRect& visibleInFrame, const CPoint& distance)
{
	SharedPointer<CFrame> frame = getFrame();
	if (!frame)
		return;
	auto invalidOverlap = [&](CRect rect) {
		rect.bound(visibleInFrame);
		if (!rect.isEmpty())
			frame->invalidRect(rect);
	};
	const CView* below = this;
	for (CView* parent = getParentView(); parent; below = parent, parent = parent->getParentView())
	{
		auto container = parent->toViewContainer();
		if (!container)
			break;
		bool above = false;
		for (const auto& sibling : ViewList(container->getChildren()))
		{
			if (sibling == below)
			{
				above = true;
				continue;
			}
			if (!above || !sibling->isVisible())
				continue;
			CRect overlap = toFrameChildren(sibling->getViewSize(), parent);
			overlap.bound(visibleInFrame);
			if (overlap.isEmpty())
				continue;
			invalidOverlap(overlap);
			invalidOverlap(overlap.offset(distance));
		}
		if (parent == frame)
			break;
	}
}

bool CScrollContainer::getScrollValue(const CPoint& where, float& x, float& y) const
{
	const CRect& size = getViewSize();
	x = bandDistance(where.x, size.left, size.right);
	y = bandDistance(where.y, size.top, size.bottom);
	return x != 0.f || y != 0.f;
}

void CScrollContainer::onDragMove(const CPoint& where)
{
	float x = 0.f;
	float y = 0.f;
	if (!getScrollValue(where, x, y))
		return;
	if (auto scrollView = dynamic_cast<CScrollView*>(getParentView()))
	{
		SharedPointer<CView> keepAlive(scrollView);
		scrollView->makeRectVisible(getVisibleContentRect().offset(x, y));
	}
}

SharedPointer<IDropTarget> CScrollContainer::getDropTarget()
{
	auto target = CViewContainer::getDropTarget();
	if (!autoDragScroll || !target)
		return target;
	return owned<IDropTarget>(new AutoScrollDropTarget(this, target));
}

bool CScrollContainer::isDirty() const
{
	if (CView::isDirty())
		return true;
	for (const auto& child : ViewList(getChildren()))
	{
		if (!child->isVisible() || !child->isDirty())
			continue;
		if (!child->getVisibleViewSize().isEmpty())
			return true;
		// Scrolled out of sight: it is drawn when it comes back.
		child->setDirty(false);
	}
	return false;
}

void CScrollContainer::followSingleChildSize()
{
	if (getNbViews() != 1)
		return;
	const CRect childSize = getView(0)->getViewSize();
	if (childSize.getWidth() == containerSize.getWidth() &&
	    childSize.getHeight() == containerSize.getHeight())
		return;
	auto scrollView = dynamic_cast<CScrollView*>(getParentView());
	if (!scrollView)
		return;
	SharedPointer<CView> keepAlive(scrollView);
	CRect newSize = containerSize;
	newSize.setSize(childSize.getSize());
	// Content that grows or shrinks keeps the part shown now in view.
	scrollView->setContainerSize(newSize, true);
}

NotifyResult CScrollContainer::notify(CBaseObject* sender, const char* message)
{
	if (message == kMsgViewSizeChanged && !inScrolling && getNbViews() == 1 && sender == getView(0))
	{
		followSingleChildSize();
		return kMessageHandled;
	}
	return CViewContainer::notify(sender, message);
}

bool CScrollContainer::attached(CView* parent)
{
	SharedPointer<CView> keepAlive(this);
	if (!CViewContainer::attached(parent))
		return false;
	if (isAttached())
		followSingleChildSize();
	return true;
}

bool CScrollContainer::removed(CView* parent)
{
	if (autoScrollTarget)
		autoScrollTarget->stopTimer();
	return CViewContainer::removed(parent);
}

} // namespace Kavrin
