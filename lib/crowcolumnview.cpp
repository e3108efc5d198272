#include "lib/crowcolumnview.h"

#include "lib/animation/animations.h"
#include "lib/animation/timingfunctions.h"
#include "lib/cframe.h"
#include "lib/messages.h"

#include <algorithm>

namespace Kavrin {

namespace {

// Marks a child that the container hid because its edges cut it off, so
// that it can be shown again when the container stops hiding, while a child
// hidden by someone else stays hidden.
constexpr CViewAttributeID kHiddenAsClippedAttribute = makeViewAttributeID("rchc");

// Mapping a rectangle through a zoom and back lands a rounding error away
// from where it started (x * 1.1 / 1.1 need not be x): a child counts as
// fitting when what shows of it covers its size up to such an error.
constexpr double kClipTolerance = 1e-6;

bool coversWithinTolerance(const CRect& visible, const CRect& size)
{
	return visible.left <= size.left + kClipTolerance && visible.top <= size.top + kClipTolerance &&
	       visible.right >= size.right - kClipTolerance &&
	       visible.bottom >= size.bottom - kClipTolerance;
}

} // namespace

// ---- CAutoLayoutContainerView ----

CAutoLayoutContainerView::CAutoLayoutContainerView(const CRect& size) : CViewContainer(size) {}

bool CAutoLayoutContainerView::attached(CView* parent)
{
	if (!CViewContainer::attached(parent))
		return false;
	// A handler of the attach may already have taken the container out again.
	if (isAttached())
		layoutViews();
	return true;
}

void CAutoLayoutContainerView::setViewSize(const CRect& rect, bool invalid)
{
	CViewContainer::setViewSize(rect, invalid);
	if (isAttached())
		layoutViews();
}

bool CAutoLayoutContainerView::addView(CView* view, CView* before)
{
	if (!CViewContainer::addView(view, before))
		return false;
	if (isAttached())
		layoutViews();
	return true;
}

bool CAutoLayoutContainerView::removeView(CView* view, bool withForget)
{
	if (!CViewContainer::removeView(view, withForget))
		return false;
	if (isAttached())
		layoutViews();
	return true;
}

bool CAutoLayoutContainerView::changeViewZOrder(CView* view, uint32 newIndex)
{
	if (!CViewContainer::changeViewZOrder(view, newIndex))
		return false;
	if (isAttached())
		layoutViews();
	return true;
}

// ---- CRowColumnView ----

CRowColumnView::CRowColumnView(const CRect& size, Style style, LayoutStyle layoutStyle, double spacing,
                               const CRect& margin)
: CAutoLayoutContainerView(size), style(style), layoutStyle(layoutStyle), spacing(spacing), margin(margin)
{
}

void CRowColumnView::setStyle(Style newStyle)
{
	if (style == newStyle)
		return;
	style = newStyle;
	if (isAttached())
		layoutViews();
}

void CRowColumnView::setLayoutStyle(LayoutStyle newLayoutStyle)
{
	if (layoutStyle == newLayoutStyle)
		return;
	layoutStyle = newLayoutStyle;
	if (isAttached())
		layoutViews();
}

void CRowColumnView::setSpacing(double newSpacing)
{
	if (spacing == newSpacing)
		return;
	spacing = newSpacing;
	if (isAttached())
		layoutViews();
}

void CRowColumnView::setMargin(const CRect& newMargin)
{
	if (margin == newMargin)
		return;
	margin = newMargin;
	if (isAttached())
		layoutViews();
}

void CRowColumnView::setAnimateViewResizing(bool state)
{
	flags = state ? (flags | kAnimateViewResizing) : (flags & ~kAnimateViewResizing);
}

bool CRowColumnView::isAnimateViewResizing() const
{
	return flags & kAnimateViewResizing;
}

void CRowColumnView::setHideClippedSubviews(bool state)
{
	flags = state ? (flags | kHideClippedSubviews) : (flags & ~kHideClippedSubviews);
	if (!state)
		showChildrenHiddenAsClipped();
}

void CRowColumnView::showChildrenHiddenAsClipped()
{
	// Showing a child may reach listeners that change the children.
	const ViewList children = getChildren();
	for (const auto& child : children)
	{
		if (child->getParentView() == this && child->removeAttribute(kHiddenAsClippedAttribute))
			child->setVisible(true);
	}
}

bool CRowColumnView::hideClippedSubviews() const
{
	return flags & kHideClippedSubviews;
}

void CRowColumnView::setViewResizeAnimationTime(uint32 milliseconds)
{
	viewResizeAnimationTime = milliseconds;
}

CRect CRowColumnView::layoutSizeOf(CView* child) const
{
	auto target = resizeTargets.find(child);
	return target != resizeTargets.end() ? target->second.rect : child->getViewSize();
}

void CRowColumnView::getMaxChildViewSize(CPoint& maxSize) const
{
	for (const auto& child : getChildren())
	{
		const CRect size = layoutSizeOf(child);
		maxSize.x = std::max(maxSize.x, size.getWidth());
		maxSize.y = std::max(maxSize.y, size.getHeight());
	}
}

void CRowColumnView::resizeSubView(CView* view, const CRect& rect)
{
	// A child on its way to rect stays on its way: starting over would make
	// every step of its animation start another one.
	if (layoutSizeOf(view) == rect)
		return;
	if (canAnimate(view))
	{
		animateTo(view, rect);
		return;
	}
	if (resizeTargets.count(view))
	{
		view->removeAnimation(kResizeAnimationName);
		resizeTargets.erase(view);
	}
	view->setViewSize(rect, true);
	view->setMouseableArea(rect);
}

// An animation starts only for a view in an open frame's tree; any other
// child is resized at once rather than left where it was.
bool CRowColumnView::canAnimate(CView* view) const
{
	if (!isAttached() || !isAnimateViewResizing() || viewResizeAnimationTime == 0 || !view->isInTree())
		return false;
	CFrame* frame = view->getFrame();
	return frame && frame->getAnimator();
}

// Moves a child of a row/column view and, while it does, lets the view lay
// the child out where it is heading. However the animation ends (naturally,
// canceled, replaced, or never started), the target is released then.
class CRowColumnView::ResizeAnimation : public Animation::ViewSizeAnimation
{
public:
	ResizeAnimation(CRowColumnView* owner, CView* view, const CRect& rect)
	: ViewSizeAnimation(rect, false), owner(owner), view(view)
	{
		owner->resizeTargets[view] = {rect, this};
	}
	~ResizeAnimation() noexcept override
	{
		auto entry = owner->resizeTargets.find(view);
		if (entry != owner->resizeTargets.end() && entry->second.animation == this)
			owner->resizeTargets.erase(entry);
	}

private:
	SharedPointer<CRowColumnView> owner;
	// Held by the running animation, which outlives its target.
	CView* view;
};

void CRowColumnView::animateTo(CView* view, const CRect& rect)
{
	view->addAnimation(kResizeAnimationName, new ResizeAnimation(this, view, rect),
	                   new Animation::LinearTimingFunction(viewResizeAnimationTime));
}

void CRowColumnView::layoutViewsEqualSize()
{
	CPoint cellSize;
	getMaxChildViewSize(cellSize);
	const CRect& size = getViewSize();
	if (style == kRowStyle)
		cellSize.x = size.getWidth() - margin.left - margin.right;
	else
		cellSize.y = size.getHeight() - margin.top - margin.bottom;

	CPoint position(margin.left, margin.top);
	// A child's resizing may reach listeners that change the children: the
	// walk goes over the children there were, skipping those gone.
	const ViewList children = getChildren();
	for (const auto& child : children)
	{
		if (child->getParentView() != this || !isChild(child))
			continue;
		CRect rect = layoutSizeOf(child);
		rect.moveTo(position);
		switch (layoutStyle)
		{
			case kLeftTopEqualy:
				break;
			case kCenterEqualy:
				rect.offset((cellSize.x - rect.getWidth()) / 2., (cellSize.y - rect.getHeight()) / 2.);
				break;
			case kRightBottomEqualy:
				rect.offset(cellSize.x - rect.getWidth(), cellSize.y - rect.getHeight());
				break;
			case kStretchEqualy:
				rect.right = position.x + cellSize.x;
				rect.bottom = position.y + cellSize.y;
				break;
		}
		resizeSubView(child, rect);
		if (style == kRowStyle)
			position.y += rect.getHeight() + spacing;
		else
			position.x += rect.getWidth() + spacing;
	}
}

void CRowColumnView::hideOrShowClippedChildren()
{
	const ViewList children = getChildren();
	for (const auto& child : children)
	{
		if (child->getParentView() != this)
			continue;
		if (coversWithinTolerance(child->getVisibleViewSize(), child->getViewSize()))
		{
			child->removeAttribute(kHiddenAsClippedAttribute);
			child->setVisible(true);
			continue;
		}
		if (child->isVisible())
			child->setAttributeValue(kHiddenAsClippedAttribute, uint8(1));
		child->setVisible(false);
	}
}

void CRowColumnView::layoutViews()
{
	if (inLayout)
		return;
	SharedPointer<CRowColumnView> keepAlive = this;
	inLayout = true;
	layoutViewsEqualSize();
	if (hideClippedSubviews())
		hideOrShowClippedChildren();
	inLayout = false;
}

bool CRowColumnView::sizeToFit()
{
	if (!hasChildren())
		return false;
	CPoint content;
	for (const auto& child : getChildren())
	{
		const CRect size = layoutSizeOf(child);
		if (style == kColumnStyle)
		{
			content.x += size.getWidth() + spacing;
			content.y = std::max(content.y, size.getHeight());
		}
		else
		{
			content.x = std::max(content.x, size.getWidth());
			content.y += size.getHeight() + spacing;
		}
	}
	CRect newSize = getViewSize();
	newSize.right = newSize.left + margin.left + content.x + margin.right;
	newSize.bottom = newSize.top + margin.top + content.y + margin.bottom;
	if (newSize != getViewSize())
	{
		invalid();
		setViewSize(newSize);
		setMouseableArea(newSize);
		invalid();
	}
	return true;
}

NotifyResult CRowColumnView::notify(CBaseObject* sender, const char* message)
{
	if (message == kMsgViewSizeChanged && isAttached())
	{
		auto child = dynamic_cast<CView*>(sender);
		if (child && child->getParentView() == this)
			layoutViews();
	}
	return CAutoLayoutContainerView::notify(sender, message);
}

} // namespace Kavrin
