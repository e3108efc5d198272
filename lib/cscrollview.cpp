#include "lib/cscrollview.h"

#include "lib/controls/cscrollbar.h"
#include "lib/messages.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

namespace {

constexpr int32 kHorizontalBarTag = 0;
constexpr int32 kVerticalBarTag = 1;

// The integer part of an offset computed from a bar's value. The value is
// a float, so the product lands a hair off the whole number it stands for
// (0.7f × 900 is 629.99998): that hair is not a unit of scrolling.
double wholeUnits(double offset)
{
	const double tolerance = 1e-6 * std::max(1., std::abs(offset));
	return std::trunc(offset + std::copysign(tolerance, offset));
}

double extentAlong(const CRect& rect, bool vertical)
{
	return vertical ? rect.getHeight() : rect.getWidth();
}

} // namespace

CScrollView::CScrollView(const CRect& size, const CRect& containerSize, int32 style,
                         double scrollbarWidth, CBitmap* background)
: CViewContainer(size), containerSize(containerSize), scrollbarWidth(scrollbarWidth), style(style)
{
	if (background)
		setBackground(background);
	// The frame is the stroke of the background: drawn exactly when the
	// style asks for it.
	setBackgroundColorDrawStyle((style & kDontDrawFrame) ? kDrawFilled : kDrawFilledAndStroked);
	recalculateSubViews();
}

// The base copied the children; the copies of the content and the bars
// are found among them again and answer to this view. The layout rebuilds
// any that could not be copied.
CScrollView::CScrollView(const CScrollView& other)
: CViewContainer(other)
, IControlListener()
, ViewListenerAdapter()
, containerSize(other.containerSize)
, scrollbarWidth(other.scrollbarWidth)
, style(other.style)
, activeScrollbarStyle(other.activeScrollbarStyle)
{
	for (const auto& child : getChildren())
	{
		if (auto container = dynamic_cast<CScrollContainer*>(child.get()); container && !sc)
			sc = container;
		auto bar = dynamic_cast<CScrollbar*>(child.get());
		if (!bar || bar->getListener() != &other)
			continue;
		CScrollbar*& slot = bar->getDirection() == CScrollbar::kVertical ? vsb : hsb;
		if (slot)
			continue;
		slot = bar;
		bar->setListener(this);
	}
	observeChild(sc);
	observeChild(vsb);
	observeChild(hsb);
	recalculateSubViews();
}

CScrollView::~CScrollView() noexcept = default;

CView* CScrollView::cloneView() const
{
	return new CScrollView(*this);
}

// ---- The content's side ----

bool CScrollView::addView(CView* view, CView* before)
{
	return sc && sc->addView(view, before);
}

bool CScrollView::removeView(CView* view, bool withForget)
{
	return sc && sc->removeView(view, withForget);
}

bool CScrollView::removeAll(bool withForget)
{
	return sc && sc->removeAll(withForget);
}

uint32 CScrollView::getNbViews() const
{
	return sc ? sc->getNbViews() : 0;
}

CView* CScrollView::getView(uint32 index) const
{
	return sc ? sc->getView(index) : nullptr;
}

bool CScrollView::changeViewZOrder(CView* view, uint32 newIndex)
{
	return sc && sc->changeViewZOrder(view, newIndex);
}

// ---- Layout ----

void CScrollView::setStyle(int32 newStyle)
{
	if (style == newStyle)
		return;
	if ((style ^ newStyle) & kDontDrawFrame)
		setBackgroundColorDrawStyle((newStyle & kDontDrawFrame) ? kDrawFilled : kDrawFilledAndStroked);
	style = newStyle;
	recalculateSubViews();
}

void CScrollView::setScrollbarWidth(double width)
{
	if (scrollbarWidth == width)
		return;
	scrollbarWidth = width;
	recalculateSubViews();
}

int32 CScrollView::barsToShow(const CRect& contentArea) const
{
	const bool horizontal = style & kHorizontalScrollbar;
	const bool vertical = style & kVerticalScrollbar;
	if (!(style & kAutoHideScrollbars))
		return (horizontal ? kHorizontalActive : 0) | (vertical ? kVerticalActive : 0);
	// A classic bar takes room from the other direction, which may then
	// need its bar too.
	const double room = (style & kOverlayScrollbars) ? 0. : scrollbarWidth;
	double visibleWidth = contentArea.getWidth();
	double visibleHeight = contentArea.getHeight();
	int32 result = 0;
	if (vertical && containerSize.getHeight() > visibleHeight)
	{
		result |= kVerticalActive;
		visibleWidth -= room;
	}
	if (horizontal)
	{
		if (visibleWidth < containerSize.getWidth())
			result |= kHorizontalActive;
		visibleHeight -= room;
		if (result == kHorizontalActive && vertical && containerSize.getHeight() > visibleHeight)
			result |= kVerticalActive;
	}
	return result;
}

void CScrollView::recalculateSubViews()
{
	if (inRecalculateSubViews)
		return;
	SharedPointer<CView> keepAlive(this);
	inRecalculateSubViews = true;
	const double width = getViewSize().getWidth();
	const double height = getViewSize().getHeight();
	CRect content(containerSize.left, containerSize.top, width, height);
	if (!(style & kDontDrawFrame))
		content.inset(1., 1.);
	const bool overlay = style & kOverlayScrollbars;
	const int32 active = barsToShow(content);
	activeScrollbarStyle = active;

	if (active & kHorizontalActive)
	{
		CRect rect(0., height - scrollbarWidth, width, height);
		if (active & kVerticalActive)
			rect.right -= scrollbarWidth - 1.;
		hsb = placeBar(hsb, rect, kHorizontalBarTag);
		if (!overlay)
			content.bottom = rect.top;
	}
	else if (hsb)
		hsb->setVisible(false);

	if (active & kVerticalActive)
	{
		CRect rect(width - scrollbarWidth, 0., width, height);
		if (active & kHorizontalActive)
			rect.bottom -= scrollbarWidth - 1.;
		vsb = placeBar(vsb, rect, kVerticalBarTag);
		if (!overlay)
			content.right = rect.left;
	}
	else if (vsb)
		vsb->setVisible(false);

	placeScrollContainer(content);
	inRecalculateSubViews = false;
}

CScrollbar* CScrollView::placeBar(CScrollbar* current, const CRect& rect, int32 tag)
{
	SharedPointer<CScrollbar> bar = current ? current : addBar(rect, tag);
	if (!bar)
		return nullptr;
	if (current)
	{
		bar->setViewSize(rect);
		// The new size reaches the bar's listeners, which may take it away.
		if (!ownBarOrNull(bar))
			return nullptr;
		bar->setMouseableArea(rect);
	}
	const bool overlay = style & kOverlayScrollbars;
	if (bar->getOverlayStyle() != overlay)
		bar->setOverlayStyle(overlay);
	bar->setVisible(true);
	return ownBarOrNull(bar);
}

CScrollbar* CScrollView::addBar(const CRect& rect, int32 tag)
{
	const auto direction = tag == kVerticalBarTag ? CScrollbar::kVertical : CScrollbar::kHorizontal;
	auto bar = new CScrollbar(rect, this, tag, direction, containerSize);
	bar->setAutosizeFlags(tag == kVerticalBarTag ? kAutosizeTop | kAutosizeRight | kAutosizeBottom
	                                             : kAutosizeLeft | kAutosizeRight | kAutosizeBottom);
	if (!CViewContainer::addView(bar))
	{
		bar->forget();
		return nullptr;
	}
	observeChild(bar);
	return bar;
}

// A bar taken out of this view answers to it no longer; the layout makes a
// new one when it needs one.
CScrollbar* CScrollView::ownBarOrNull(CScrollbar* bar)
{
	if (CViewContainer::isChild(bar))
		return bar;
	if (bar->getListener() == this)
		bar->setListener(nullptr);
	stopObserving(bar);
	return nullptr;
}

// The content keeps its offset when the visible part changes size: each
// bar's value is applied again, so that the end of the content stays at
// the end of the view.
void CScrollView::placeScrollContainer(const CRect& rect)
{
	if (!sc)
	{
		auto container = new CScrollContainer(rect, containerSize);
		container->setAutosizeFlags(kAutosizeAll);
		container->setAutoDragScroll(style & kAutoDragScrolling);
		CView* first = getChildren().empty() ? nullptr : getChildren().front().get();
		if (!CViewContainer::addView(container, first))
		{
			container->forget();
			return;
		}
		sc = container;
		observeChild(sc);
		return;
	}
	SharedPointer<CScrollContainer> content = sc;
	content->setAutoDragScroll(style & kAutoDragScrolling);
	if (content->getViewSize() == rect)
		return;
	content->setViewSize(rect);
	content->setMouseableArea(rect);
	SharedPointer<CScrollbar> vertical = vsb;
	SharedPointer<CScrollbar> horizontal = hsb;
	if (vertical)
		valueChanged(vertical);
	if (horizontal)
		valueChanged(horizontal);
}

void CScrollView::setViewSize(const CRect& rect, bool invalid)
{
	if (rect == getViewSize())
		return;
	SharedPointer<CView> keepAlive(this);
	CView::setViewSize(rect, invalid);
	recalculateSubViews();
	parentSizeChanged();
}

void CScrollView::setContainerSize(const CRect& newSize, bool keepVisibleArea)
{
	SharedPointer<CView> keepAlive(this);
	const CRect oldSize = containerSize;
	containerSize = newSize;
	if (sc)
		sc->setContainerSize(newSize);
	if (style & kAutoHideScrollbars)
		recalculateSubViews();
	for (SharedPointer<CScrollbar> bar : {SharedPointer<CScrollbar>(vsb), SharedPointer<CScrollbar>(hsb)})
	{
		if (!bar)
			continue;
		bar->setScrollSize(newSize);
		const bool vertical = bar == vsb;
		const double visible = sc ? extentAlong(sc->getViewSize(), vertical) : 0.;
		const double newExtent = extentAlong(newSize, vertical);
		const double oldExtent = extentAlong(oldSize, vertical);
		if (visible >= newExtent)
			bar->setValue(0.f);
		else if (keepVisibleArea && newExtent != oldExtent)
		{
			const double kept = (oldExtent - visible) / (newExtent - visible) * bar->getValue();
			bar->setValue(static_cast<float>(std::max(0., std::min(kept, 1.))));
		}
		if (newSize != oldSize)
			bar->onVisualChange();
		valueChanged(bar);
	}
}

// ---- Scrolling ----

void CScrollView::valueChanged(CControl* control)
{
	if (!sc || !control || (control != vsb && control != hsb))
		return;
	SharedPointer<CScrollContainer> content = sc;
	CPoint offset = content->getScrollOffset();
	const double value = control->getValue();
	const double range = scrollRange(control == vsb ? vsb : hsb);
	if (control == vsb)
	{
		if (range > 0.)
			offset.y = wholeUnits(containerSize.top + value * range);
		else if (offset.y > 0.)
			offset.y = 0.;
	}
	else
	{
		if (range > 0.)
			offset.x = wholeUnits(containerSize.left - value * range);
		else if (offset.x < 0.)
			offset.x = 0.;
	}
	content->setScrollOffset(offset, false);
}

void CScrollView::moveBar(CScrollbar* bar, float value, BarMove move)
{
	if (!bar || !std::isfinite(value))
		return;
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CScrollbar> held = bar;
	const float before = held->getValue();
	held->setValue(value);
	held->bounceValue();
	const bool byUser = move == BarMove::kByUser;
	if (byUser && held->getValue() == before)
		return;
	held->onVisualChange();
	held->invalid();
	if (byUser)
		held->valueChanged();
	else
		valueChanged(held);
}

void CScrollView::resetScrollOffset()
{
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CScrollbar> vertical = vsb;
	SharedPointer<CScrollbar> horizontal = hsb;
	moveBar(vertical, 0.f);
	moveBar(horizontal, 0.f);
}

CPoint CScrollView::getScrollOffset() const
{
	return sc ? sc->getScrollOffset() : CPoint();
}

double CScrollView::scrollRange(const CScrollbar* bar) const
{
	if (!sc || !bar)
		return 0.;
	const bool vertical = bar == vsb;
	return extentAlong(containerSize, vertical) - extentAlong(sc->getViewSize(), vertical);
}

void CScrollView::makeRectVisible(const CRect& rect)
{
	if (!sc)
		return;
	SharedPointer<CView> keepAlive(this);
	const CPoint offset = sc->getScrollOffset();
	const CRect window = sc->getVisibleContentRect();
	// Without the style bit a one-unit frame surrounds the content: a rect
	// reaching into it counts as shown.
	CRect shown = window;
	if (!(style & kDontDrawFrame))
		shown.extend(1., 1.);
	if (shown.rectInside(rect))
		return;
	// A rect larger than the window shows its top and left edges, wherever
	// it sticks out.
	CPoint wanted = offset;
	if (rect.top < shown.top)
		wanted.y = rect.top;
	else if (rect.bottom > shown.bottom)
		wanted.y = std::min(rect.top, rect.bottom - window.getHeight());
	if (rect.left < shown.left)
		wanted.x = -rect.left;
	else if (rect.right > shown.right)
		wanted.x = -std::min(rect.left, rect.right - window.getWidth());
	// A bar with nothing to scroll keeps its value: the division would not
	// give one.
	SharedPointer<CScrollbar> vertical = vsb;
	SharedPointer<CScrollbar> horizontal = hsb;
	if (vertical && wanted.y != offset.y && scrollRange(vertical) > 0.)
		moveBar(vertical, static_cast<float>((wanted.y - containerSize.top) / scrollRange(vertical)));
	if (horizontal && wanted.x != offset.x && scrollRange(horizontal) > 0.)
		moveBar(horizontal,
		        static_cast<float>(-(wanted.x - containerSize.left) / scrollRange(horizontal)));
}

CRect CScrollView::contentRectOf(const CView* descendant) const
{
	CRect rect = descendant->getViewSize();
	for (const CView* parent = descendant->getParentView(); parent && parent != sc;
	     parent = parent->getParentView())
	{
		if (auto container = parent->toViewContainer())
			container->getTransform().transform(rect);
		rect.offset(parent->getViewSize().getTopLeft());
	}
	const CPoint offset = sc->getScrollOffset();
	return rect.offset(-offset.x, offset.y);
}

// ---- Input ----

bool CScrollView::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                          const CButtonState& buttons)
{
	SharedPointer<CView> keepAlive(this);
	const bool wasAttached = isAttached();
	if (CViewContainer::onWheel(where, axis, distance, buttons))
		return true;
	// A child's handler may have taken this view out of the tree.
	if (wasAttached && !isAttached())
		return false;
	const bool vertical = axis == kWheelAxisY;
	SharedPointer<CScrollbar> bar = vertical ? vsb : hsb;
	if (!bar || !(activeScrollbarStyle & (vertical ? kVerticalActive : kHorizontalActive)))
		return false;
	CPoint mapped = where;
	mapToChildren(mapped);
	return bar->onWheel(mapped, axis, distance, buttons);
}

bool CScrollView::canScroll(const CScrollbar* bar) const
{
	if (!bar)
		return false;
	const int32 activeBit = bar == vsb ? kVerticalActive : kHorizontalActive;
	return (activeScrollbarStyle & activeBit) && scrollRange(bar) > 0.;
}

int32 CScrollView::stepBar(CScrollbar* bar, float value)
{
	if (!canScroll(bar))
		return kKeyNotHandled;
	moveBar(bar, value, BarMove::kByUser);
	return kKeyHandled;
}

int32 CScrollView::onKeyDown(MoxKeyCode& keyCode)
{
	if (keyCode.modifier != 0)
		return kKeyNotHandled;
	auto line = [](const CScrollbar* bar) { return bar ? bar->getWheelInc() : 0.f; };
	auto valueOf = [](const CScrollbar* bar) { return bar ? bar->getValue() : 0.f; };
	auto page = [this] {
		const double range = scrollRange(vsb);
		return range > 0. ? static_cast<float>(sc->getViewSize().getHeight() / range) : 0.f;
	};
	switch (keyCode.virt)
	{
		case kVKeyUp:
			return stepBar(vsb, valueOf(vsb) - line(vsb));
		case kVKeyDown:
			return stepBar(vsb, valueOf(vsb) + line(vsb));
		case kVKeyLeft:
			return stepBar(hsb, valueOf(hsb) - line(hsb));
		case kVKeyRight:
			return stepBar(hsb, valueOf(hsb) + line(hsb));
		case kVKeyPageUp:
			return stepBar(vsb, valueOf(vsb) - page());
		case kVKeyPageDown:
			return stepBar(vsb, valueOf(vsb) + page());
		case kVKeyHome:
			return stepBar(vsb, 0.f);
		case kVKeyEnd:
			return stepBar(vsb, 1.f);
		default:
			return kKeyNotHandled;
	}
}

// ---- Drawing ----

void CScrollView::drawBackgroundRect(CDrawContext* context, const CRect&)
{
	CViewContainer::drawBackgroundRect(context, CRect(0., 0., getViewSize().getWidth(),
	                                                  getViewSize().getHeight()));
}

// ---- Notifications ----

NotifyResult CScrollView::notify(CBaseObject* sender, const char* message)
{
	SharedPointer<CView> keepAlive(this);
	if (message == kMsgNewFocusView && (style & kFollowFocusView))
	{
		auto view = dynamic_cast<CView*>(sender);
		if (view && sc && sc->isChild(view, true))
			makeRectVisible(contentRectOf(view));
	}
	return CViewContainer::notify(sender, message);
}

void CScrollView::viewSizeChanged(CView* view, const CRect&)
{
	auto bar = dynamic_cast<CScrollbar*>(view);
	if (!bar || (bar != vsb && bar != hsb))
		return;
	bar->setScrollSize(containerSize);
	bar->onVisualChange();
}

void CScrollView::viewWillDelete(CView* view)
{
	stopObserving(view);
}

void CScrollView::observeChild(CView* child)
{
	if (child)
		child->registerViewListener(this);
}

void CScrollView::stopObserving(CView* child)
{
	if (!child)
		return;
	child->unregisterViewListener(this);
	if (child == sc)
		sc = nullptr;
	if (child == vsb)
		vsb = nullptr;
	if (child == hsb)
		hsb = nullptr;
}

// The content and the bars are this view's own children: the forwarding
// removeAll would empty only the content.
void CScrollView::beforeDelete()
{
	for (CScrollbar* bar : {vsb, hsb})
	{
		if (bar && bar->getListener() == this)
			bar->setListener(nullptr);
	}
	stopObserving(vsb);
	stopObserving(hsb);
	stopObserving(sc);
	CViewContainer::removeAll(true);
	CViewContainer::beforeDelete();
}

} // namespace Kavrin
