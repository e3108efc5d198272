#pragma once

#include "lib/cviewcontainer.h"

#include <map>

namespace Kavrin {

// A container that places its children itself. It lays them out again
// whenever their places may have changed while it is attached: once
// attached, after its own size changes, and after a child is added,
// removed or moved in the z-order.
class CAutoLayoutContainerView : public CViewContainer
{
public:
	explicit CAutoLayoutContainerView(const CRect& size);

	using CViewContainer::addView;
	bool attached(CView* parent) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	bool addView(CView* view, CView* before = nullptr) override;
	bool removeView(CView* view, bool withForget = true) override;
	bool changeViewZOrder(CView* view, uint32 newIndex) override;

	// Puts every child in its place.
	virtual void layoutViews() = 0;
};

// Places its children one after the other, top to bottom (row style) or
// left to right (column style), inside its margins and with spacing after
// each. Every child gets a cell as long as the longest child along the
// direction and as wide as the space between the margins across it; the
// layout style says where in its cell the child goes. The next cell starts
// after the placed child's own extent and the spacing, so a centred or
// bottom/right-aligned child shorter than the longest one reaches into the
// next child's cell.
//
// A child's size change, from anyone, lays the children out again. With
// animated resizing, children move to their new places through a
// "CRowColumnResizing" animation of the frame's animator.
class CRowColumnView : public CAutoLayoutContainerView
{
public:
	enum Style : int32
	{
		kRowStyle = 0,    // children stacked top to bottom
		kColumnStyle = 1, // children side by side, left to right
	};

	enum LayoutStyle : int32
	{
		kLeftTopEqualy = 0,     // at the cell's top-left corner
		kCenterEqualy = 1,      // in the cell's middle
		kRightBottomEqualy = 2, // at the cell's bottom-right corner
		kStretchEqualy = 3,     // filling the cell
	};

	enum Flags : int32
	{
		kAnimateViewResizing = 1 << 0,
		kHideClippedSubviews = 1 << 1,
	};

	static constexpr const char* kResizeAnimationName = "CRowColumnResizing";

	// margin holds the left, top, right and bottom margins.
	CRowColumnView(const CRect& size, Style style = kRowStyle, LayoutStyle layoutStyle = kLeftTopEqualy,
	               double spacing = 0., const CRect& margin = CRect());

	void setStyle(Style style);
	Style getStyle() const { return style; }
	void setLayoutStyle(LayoutStyle layoutStyle);
	LayoutStyle getLayoutStyle() const { return layoutStyle; }
	void setSpacing(double spacing);
	double getSpacing() const { return spacing; }
	void setMargin(const CRect& margin);
	const CRect& getMargin() const { return margin; }

	void setAnimateViewResizing(bool state);
	bool isAnimateViewResizing() const;
	// A child that the container's edges (or an ancestor's) cut off is
	// hidden, and shown again once it fits or once the flag is cleared.
	void setHideClippedSubviews(bool state);
	bool hideClippedSubviews() const;
	// In milliseconds; 0 resizes at once even with animated resizing.
	void setViewResizeAnimationTime(uint32 milliseconds);
	uint32 getViewResizeAnimationTime() const { return viewResizeAnimationTime; }

	// Moves the child to rect (the container's coordinates), animated when
	// asked for and possible.
	void resizeSubView(CView* view, const CRect& rect);
	// The largest width and the largest height of the children, each kept
	// in maxSize when larger than what it holds.
	void getMaxChildViewSize(CPoint& maxSize) const;
	void layoutViewsEqualSize();

	void layoutViews() override;
	// Fits the container around its children, margins and spacing; false
	// without children.
	bool sizeToFit() override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;

private:
	// The size a child is laid out with: where its resize animation takes
	// it, or its size when none runs.
	CRect layoutSizeOf(CView* child) const;
	bool canAnimate(CView* view) const;
	void animateTo(CView* view, const CRect& rect);
	void hideOrShowClippedChildren();
	void showChildrenHiddenAsClipped();

	Style style;
	LayoutStyle layoutStyle;
	double spacing;
	CRect margin;
	int32 flags {0};
	bool inLayout {false};
	uint32 viewResizeAnimationTime {200};
	class ResizeAnimation;
	struct ResizeTarget
	{
		CRect rect;
		const ResizeAnimation* animation;
	};
	// The children a resize animation moves now, with where it takes them.
	std::map<CView*, ResizeTarget> resizeTargets;
};

} // namespace Kavrin
