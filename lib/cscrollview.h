#pragma once

#include "lib/controls/icontrollistener.h"
#include "lib/cviewcontainer.h"
#include "lib/iviewlistener.h"

namespace Kavrin {

class CScrollbar;

// Holds a scroll view's content and moves it by the scroll offset: the
// children keep their content coordinates shifted by the offset, so that
// hit testing, drawing and focus need nothing special. Horizontal offsets
// are 0 or negative, vertical ones 0 or positive.
class CScrollContainer : public CViewContainer
{
public:
	CScrollContainer(const CRect& size, const CRect& containerSize);
	CScrollContainer(const CScrollContainer& other);
	~CScrollContainer() noexcept override;

	CView* cloneView() const override;
	// Dirty when its own flag is set or a visible child with something to
	// show is; children with nothing visible are cleared.
	bool isDirty() const override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	bool attached(CView* parent) override;
	// Stops the auto-drag scrolling timer, if a drag left one running.
	bool removed(CView* parent) override;
	// With auto-drag scrolling, a drag hovering near an edge scrolls the
	// content, and keeps scrolling on a timer while it stays there.
	SharedPointer<IDropTarget> getDropTarget() override;

	// Stores the content size and re-applies the offset, clamped to it.
	void setContainerSize(const CRect& containerSize);
	const CRect& getContainerSize() const { return containerSize; }
	// Rounds to whole units, clamps to the content, moves the children and
	// moves the pixels that stay visible (or redraws the visible part).
	void setScrollOffset(CPoint offset, bool withRedraw = false);
	const CPoint& getScrollOffset() const { return offset; }
	// The part of the content shown now, in the content's coordinates (where
	// the children sit at offset (0, 0)).
	CRect getVisibleContentRect() const;
	// How far to scroll for a drag at where (the parent's coordinates): the
	// distance into the 10-unit band along each edge, negative towards the
	// left and top; false outside the bands.
	bool getScrollValue(const CPoint& where, float& x, float& y) const;
	// A drag at where (the parent's coordinates) scrolls when near an edge.
	void onDragMove(const CPoint& where);

	bool isAutoDragScroll() const { return autoDragScroll; }
	void setAutoDragScroll(bool state) { autoDragScroll = state; }
	bool isScrolling() const { return inScrolling; }

private:
	class AutoScrollDropTarget;

	void moveChildren(double dx, double dy);
	// Whether the pixels shown now can simply move with the content: this
	// container fills its area with an opaque, plain colour, and nothing
	// between it and the frame blends, hides or transforms it.
	bool canMovePixels() const;
	void scrollPixels(const CPoint& distance);
	// The parts of views drawn above this one that the pixel copy moved
	// with the content are drawn again.
	void invalidateViewsAbove(const CRect& visibleInFrame, const CPoint& distance);
	// A single child's new size becomes the scroll view's content size.
	void followSingleChildSize();

	CRect containerSize;
	CPoint offset;
	bool autoDragScroll {false};
	bool inScrolling {false};
	// The drop target whose timer scrolls now (it keeps this container
	// alive and clears the pointer when it stops).
	AutoScrollDropTarget* autoScrollTarget {nullptr};
};

// A container whose content (held by a CScrollContainer) is larger than
// its visible area, with a horizontal and a vertical scroll bar. Adding,
// removing and enumerating views act on the content. The wheel and the
// keys the focus view leaves scroll it; with kFollowFocusView a newly
// focused view of the content is scrolled into view.
class CScrollView : public CViewContainer, public IControlListener, public ViewListenerAdapter
{
public:
	enum CScrollViewStyle : int32
	{
		kHorizontalScrollbar = 1 << 0,
		kVerticalScrollbar = 1 << 1,
		kDontDrawFrame = 1 << 2,
		kAutoDragScrolling = 1 << 3,
		kOverlayScrollbars = 1 << 4,
		kFollowFocusView = 1 << 5,
		kAutoHideScrollbars = 1 << 6,
	};

	// Which bars show now.
	enum ActiveScrollbars : int32
	{
		kHorizontalActive = 1 << 0,
		kVerticalActive = 1 << 1,
	};

	CScrollView(const CRect& size, const CRect& containerSize,
	            int32 style = kHorizontalScrollbar | kVerticalScrollbar, double scrollbarWidth = 16.,
	            CBitmap* background = nullptr);
	CScrollView(const CScrollView& other);
	~CScrollView() noexcept override;

	CView* cloneView() const override;

	// The content's side of the container calls.
	bool addView(CView* view, CView* before = nullptr) override;
	bool removeView(CView* view, bool withForget = true) override;
	bool removeAll(bool withForget = true) override;
	uint32 getNbViews() const override;
	CView* getView(uint32 index) const override;
	bool changeViewZOrder(CView* view, uint32 newIndex) override;
	void drawBackgroundRect(CDrawContext* context, const CRect& rect) override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	// Keys no child took scroll the content: the arrows by a line, Page Up
	// and Page Down by a page, Home and End to the ends.
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	// The layout places the content and the bars, whatever this view's own
	// autosize flags say.
	void setViewSize(const CRect& rect, bool invalid = true) override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	void beforeDelete() override;

	virtual void setContainerSize(const CRect& containerSize, bool keepVisibleArea = false);
	// rect is in the content's coordinates (see
	// CScrollContainer::getVisibleContentRect). Scrolls just enough to show
	// it; one larger than the visible part shows its top and left edges.
	virtual void makeRectVisible(const CRect& rect);
	void valueChanged(CControl* control) override;
	virtual void recalculateSubViews();
	void viewSizeChanged(CView* view, const CRect& oldSize) override;
	void viewWillDelete(CView* view) override;

	void setStyle(int32 style);
	int32 getStyle() const { return style; }
	void setScrollbarWidth(double width);
	double getScrollbarWidth() const { return scrollbarWidth; }
	int32 getActiveScrollbars() const { return activeScrollbarStyle; }
	const CRect& getContainerSize() const { return containerSize; }
	// Scrolls back to the top-left.
	void resetScrollOffset();
	// The current offset: x 0 or negative, y 0 or positive.
	CPoint getScrollOffset() const;

	CScrollbar* getVerticalScrollbar() const { return vsb; }
	CScrollbar* getHorizontalScrollbar() const { return hsb; }
	CScrollContainer* getScrollContainer() const { return sc; }

private:
	// Which bars the layout shows for content shown in contentArea.
	int32 barsToShow(const CRect& contentArea) const;
	// Creates the bar on first need, else moves it to rect; null when there
	// is none or it is no longer this view's.
	CScrollbar* placeBar(CScrollbar* current, const CRect& rect, int32 tag);
	CScrollbar* addBar(const CRect& rect, int32 tag);
	// The bar while it is still this view's child; one taken away is let go.
	CScrollbar* ownBarOrNull(CScrollbar* bar);
	void placeScrollContainer(const CRect& rect);
	void observeChild(CView* child);
	void stopObserving(CView* child);
	enum class BarMove
	{
		// The view's own move: the content follows the bar, even to a value
		// it has already, which brings content moved directly back in line.
		kByView,
		// As by the user: every listener of the bar hears of a change, and
		// only of one.
		kByUser,
	};
	// Sets a bar to a new value, held within its range, and lets the
	// content follow it.
	void moveBar(CScrollbar* bar, float value, BarMove move = BarMove::kByView);
	// A key's step: the bar moves as by the user, listeners told.
	int32 stepBar(CScrollbar* bar, float value);
	// The bar shows and the content is longer than the visible extent
	// along it.
	bool canScroll(const CScrollbar* bar) const;
	// How far the content along the bar reaches past the visible part.
	double scrollRange(const CScrollbar* bar) const;
	// A descendant's rect in the content's coordinates.
	CRect contentRectOf(const CView* descendant) const;

	CScrollContainer* sc {nullptr};
	CScrollbar* vsb {nullptr};
	CScrollbar* hsb {nullptr};
	CRect containerSize;
	double scrollbarWidth;
	int32 style;
	int32 activeScrollbarStyle {0};
	bool inRecalculateSubViews {false};
};

} // namespace Kavrin
