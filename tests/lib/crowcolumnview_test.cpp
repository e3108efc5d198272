// Row and column layout in an open headless frame: cells and alignment,
// margins and spacing, fitting around the children, hiding clipped
// children, laying out again as children change, and animated moves on the
// frame's virtual clock.

#include "lib/crowcolumnview.h"

#include "lib/animation/animator.h"
#include "lib/animation/timingfunctions.h"
#include "lib/iviewlistener.h"
#include "tests/support/controlframe.h"
#include "tests/support/recordingtarget.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::Contains;

class RowColumnViewTest : public ControlFrameTest
{
protected:
	// A row or column view holding views of the given sizes (each at 0, 0),
	// not yet attached.
	CRowColumnView* make(const CRect& size, CRowColumnView::Style style,
	                     CRowColumnView::LayoutStyle layoutStyle, double spacing, const CRect& margin,
	                     const std::vector<CPoint>& childSizes)
	{
		auto view = new CRowColumnView(size, style, layoutStyle, spacing, margin);
		for (const auto& childSize : childSizes)
			view->addView(new CView(CRect(CPoint(), childSize)));
		return view;
	}
	CRowColumnView* attach(CRowColumnView* view)
	{
		page->addView(view);
		return view;
	}
	static std::vector<CRect> childRects(const CRowColumnView* view)
	{
		std::vector<CRect> rects;
		for (const auto& child : view->getChildren())
			rects.push_back(child->getViewSize());
		return rects;
	}
	void tick(uint32 count = 1) { platform->advance(Animation::Detail::Timer::kInterval * count); }
};

// Margins (3, 4, 5, 6), spacing 2, a 100 x 80 view and children of 10 x 20
// and 20 x 10. A row's cells are 92 wide (between the margins) and 20 high
// (the tallest child); a column's are 20 wide and 70 high. Each child
// follows the one before by its own extent along the direction plus the
// spacing.
TEST_F(RowColumnViewTest, PlacesEachChildInItsCellByTheLayoutStyle)
{
	using V = CRowColumnView;
	struct Case
	{
		const char* name;
		V::Style style;
		V::LayoutStyle layoutStyle;
		CRect first;
		CRect second;
	};
	const Case cases[] = {
	    {"row, left/top", V::kRowStyle, V::kLeftTopEqualy, {3, 4, 13, 24}, {3, 26, 23, 36}},
	    {"row, centred", V::kRowStyle, V::kCenterEqualy, {44, 4, 54, 24}, {39, 31, 59, 41}},
	    {"row, right/bottom", V::kRowStyle, V::kRightBottomEqualy, {85, 4, 95, 24}, {75, 36, 95, 46}},
	    {"row, stretched", V::kRowStyle, V::kStretchEqualy, {3, 4, 95, 24}, {3, 26, 95, 46}},
	    {"column, left/top", V::kColumnStyle, V::kLeftTopEqualy, {3, 4, 13, 24}, {15, 4, 35, 14}},
	    {"column, centred", V::kColumnStyle, V::kCenterEqualy, {8, 29, 18, 49}, {15, 34, 35, 44}},
	    {"column, right/bottom", V::kColumnStyle, V::kRightBottomEqualy, {13, 54, 23, 74},
	     {15, 64, 35, 74}},
	    {"column, stretched", V::kColumnStyle, V::kStretchEqualy, {3, 4, 23, 74}, {25, 4, 45, 74}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = make(CRect(0, 0, 100, 80), c.style, c.layoutStyle, 2., CRect(3, 4, 5, 6),
		                 {CPoint(10, 20), CPoint(20, 10)});
		EXPECT_EQ(childRects(view), std::vector<CRect>({CRect(0, 0, 10, 20), CRect(0, 0, 20, 10)}))
		    << "laid out before it was attached";
		attach(view);
		EXPECT_EQ(childRects(view), std::vector<CRect>({c.first, c.second}));
		EXPECT_EQ(view->getView(0)->getMouseableArea(), c.first);
		EXPECT_EQ(view->getView(1)->getMouseableArea(), c.second);
		page->removeView(view);
	}
}

// The container keeps its top-left corner and takes the children's extents,
// a spacing after each, and its margins (5 all round, spacing 2).
TEST_F(RowColumnViewTest, SizeToFitWrapsTheChildrenTheSpacingAndTheMargins)
{
	struct Case
	{
		const char* name;
		CRowColumnView::Style style;
		std::vector<CPoint> children;
		bool fits;
		CRect expected;
	};
	const Case cases[] = {
	    {"column: 5 + (10 + 2) + (20 + 2) + 5 wide", CRowColumnView::kColumnStyle,
	     {CPoint(10, 8), CPoint(20, 12)}, true, CRect(7, 9, 7 + 44, 9 + 22)},
	    {"row: 5 + (8 + 2) + (12 + 2) + 5 high", CRowColumnView::kRowStyle,
	     {CPoint(10, 8), CPoint(20, 12)}, true, CRect(7, 9, 7 + 30, 9 + 34)},
	    {"no children", CRowColumnView::kColumnStyle, {}, false, CRect(7, 9, 107, 89)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = owned(make(CRect(7, 9, 107, 89), c.style, CRowColumnView::kLeftTopEqualy, 2.,
		                       CRect(5, 5, 5, 5), c.children));
		EXPECT_EQ(view->sizeToFit(), c.fits);
		EXPECT_EQ(view->getViewSize(), c.expected);
		EXPECT_EQ(view->getMouseableArea(), c.expected);
	}
}

TEST_F(RowColumnViewTest, HidesTheChildrenItsEdgesCutOffAndShowsThemOnceTheyFit)
{
	for (bool hide : {false, true})
	{
		SCOPED_TRACE(hide ? "hiding clipped children" : "not hiding");
		auto view = make(CRect(0, 0, 100, 50), CRowColumnView::kRowStyle, CRowColumnView::kLeftTopEqualy,
		                 0., CRect(), {CPoint(30, 20), CPoint(30, 20), CPoint(30, 20)});
		view->setHideClippedSubviews(hide);
		EXPECT_EQ(view->hideClippedSubviews(), hide);
		attach(view);
		EXPECT_TRUE(view->getView(0)->isVisible());
		EXPECT_TRUE(view->getView(1)->isVisible());
		EXPECT_EQ(view->getView(2)->isVisible(), !hide) << "the third ends at 60, below the edge at 50";

		view->setViewSize(CRect(0, 0, 100, 60));
		EXPECT_TRUE(view->getView(2)->isVisible());
		page->removeView(view);
	}
}

// Under a zoom, what shows of a child is mapped through the frame's scaling
// and back, a rounding error away from the child's size for most factors:
// children that fit stay shown, the one cut off is hidden.
TEST_F(RowColumnViewTest, ChildrenThatFitStayShownUnderAZoom)
{
	for (double zoom : {1.1, 1.3, 0.7, 2.})
	{
		SCOPED_TRACE(testing::Message() << "zoom " << zoom);
		ASSERT_TRUE(frame->setZoom(zoom));
		auto view = make(CRect(3, 7, 103, 57), CRowColumnView::kRowStyle, CRowColumnView::kLeftTopEqualy,
		                 1., CRect(1, 1, 1, 1), {CPoint(30, 17), CPoint(31, 13), CPoint(30, 20)});
		view->setHideClippedSubviews(true);
		attach(view);
		EXPECT_TRUE(view->getView(0)->isVisible());
		EXPECT_TRUE(view->getView(1)->isVisible());
		EXPECT_FALSE(view->getView(2)->isVisible()) << "the third ends at 53, below the edge at 50";
		page->removeView(view);
	}
}

// Clearing the flag shows the children the container hid; one that someone
// else hid stays hidden.
TEST_F(RowColumnViewTest, ClearingTheHideFlagShowsTheChildrenItHid)
{
	auto view = attach(make(CRect(0, 0, 100, 50), CRowColumnView::kRowStyle,
	                        CRowColumnView::kLeftTopEqualy, 0., CRect(),
	                        {CPoint(30, 20), CPoint(30, 20), CPoint(30, 20), CPoint(30, 20)}));
	view->setHideClippedSubviews(true);
	view->getView(3)->setVisible(false);
	view->setViewSize(CRect(0, 0, 100, 45));
	ASSERT_TRUE(view->getView(1)->isVisible());
	ASSERT_FALSE(view->getView(2)->isVisible());

	view->setHideClippedSubviews(false);
	EXPECT_TRUE(view->getView(2)->isVisible());
	EXPECT_FALSE(view->getView(3)->isVisible()) << "hidden before the container cut it off";
	EXPECT_TRUE(view->getView(1)->isVisible());
}

TEST_F(RowColumnViewTest, LaysOutAgainAsChildrenChangeSizeComeGoAndMove)
{
	auto view = attach(make(CRect(0, 0, 100, 100), CRowColumnView::kRowStyle,
	                        CRowColumnView::kLeftTopEqualy, 2., CRect(), {CPoint(10, 20), CPoint(20, 10)}));
	CView* first = view->getView(0);
	CView* second = view->getView(1);
	ASSERT_EQ(second->getViewSize(), CRect(0, 22, 20, 32));

	first->setViewSize(CRect(50, 50, 60, 80));
	EXPECT_EQ(first->getViewSize(), CRect(0, 0, 10, 30)) << "a child's own move is undone";
	EXPECT_EQ(second->getViewSize(), CRect(0, 32, 20, 42));

	auto third = new CView(CRect(0, 0, 5, 5));
	view->addView(third);
	EXPECT_EQ(third->getViewSize(), CRect(0, 44, 5, 49));

	view->changeViewZOrder(third, 0);
	EXPECT_EQ(childRects(view),
	          std::vector<CRect>({CRect(0, 0, 5, 5), CRect(0, 7, 10, 37), CRect(0, 39, 20, 49)}));

	view->removeView(first);
	EXPECT_EQ(childRects(view), std::vector<CRect>({CRect(0, 0, 5, 5), CRect(0, 7, 20, 17)}));

	view->setSpacing(4.);
	EXPECT_EQ(second->getViewSize(), CRect(0, 9, 20, 19));
	view->setMargin(CRect(1, 2, 0, 0));
	EXPECT_EQ(second->getViewSize(), CRect(1, 11, 21, 21));
	view->setStyle(CRowColumnView::kColumnStyle);
	EXPECT_EQ(second->getViewSize(), CRect(10, 2, 30, 12));
	view->setLayoutStyle(CRowColumnView::kRightBottomEqualy);
	EXPECT_EQ(second->getViewSize(), CRect(10, 90, 30, 100));
}

// A listener on one child takes another out while the layout places them:
// the layout goes on with the children that are left.
TEST_F(RowColumnViewTest, AChildTakenOutByAListenerDuringTheLayoutIsLeftAlone)
{
	struct RemoveOnResize : ViewListenerAdapter
	{
		CViewContainer* container {nullptr};
		CView* victim {nullptr};
		void viewSizeChanged(CView* view, const CRect&) override
		{
			view->unregisterViewListener(this);
			container->removeView(victim);
		}
	} listener;
	auto view = make(CRect(0, 0, 100, 100), CRowColumnView::kRowStyle, CRowColumnView::kLeftTopEqualy, 0.,
	                 CRect(), {CPoint(10, 10), CPoint(10, 10), CPoint(10, 10)});
	listener.container = view;
	listener.victim = view->getView(2);
	view->getView(1)->registerViewListener(&listener);
	attach(view);
	EXPECT_EQ(childRects(view), std::vector<CRect>({CRect(0, 0, 10, 10), CRect(0, 10, 10, 20)}));
}

// With animated resizing a layout change moves the children through an
// animation of that name over the animation time, ending exactly in place;
// the steps of the animation do not start it over.
TEST_F(RowColumnViewTest, AnimatedResizingMovesChildrenOverTheAnimationTime)
{
	auto view = attach(make(CRect(0, 0, 100, 100), CRowColumnView::kRowStyle,
	                        CRowColumnView::kLeftTopEqualy, 0., CRect(),
	                        {CPoint(50, 20), CPoint(50, 20), CPoint(50, 20)}));
	view->setAnimateViewResizing(true);
	ASSERT_TRUE(view->isAnimateViewResizing());
	ASSERT_EQ(view->getViewResizeAnimationTime(), 200u);
	CView* second = view->getView(1);
	CView* third = view->getView(2);

	AnimationLog animationLog;
	second->addAnimation(CRowColumnView::kResizeAnimationName, new RecordingTarget(animationLog, "stand-in"),
	                     new Animation::LinearTimingFunction(1000));
	view->removeView(view->getView(0));
	EXPECT_THAT(animationLog, Contains("CRowColumnResizing canceled"))
	    << "the move replaces the view's animation of that name";
	EXPECT_EQ(second->getViewSize(), CRect(0, 20, 50, 40)) << "moved at once";
	EXPECT_EQ(third->getViewSize(), CRect(0, 40, 50, 60));

	tick(); // the animations start
	tick(6);
	const double halfWay = second->getViewSize().top;
	EXPECT_GT(halfWay, 0.);
	EXPECT_LT(halfWay, 20.);
	EXPECT_EQ(second->getViewSize().getHeight(), 20.);

	tick(7); // 208 ms after the start
	EXPECT_EQ(second->getViewSize(), CRect(0, 0, 50, 20));
	EXPECT_EQ(second->getMouseableArea(), CRect(0, 0, 50, 20));
	EXPECT_EQ(third->getViewSize(), CRect(0, 20, 50, 40));
	tick(20);
	EXPECT_EQ(childRects(view), std::vector<CRect>({CRect(0, 0, 50, 20), CRect(0, 20, 50, 40)}));
}

TEST_F(RowColumnViewTest, WithoutAnimationTimeChildrenMoveAtOnce)
{
	auto view = attach(make(CRect(0, 0, 100, 100), CRowColumnView::kRowStyle,
	                        CRowColumnView::kLeftTopEqualy, 0., CRect(), {CPoint(50, 20), CPoint(50, 20)}));
	view->setAnimateViewResizing(true);
	view->setViewResizeAnimationTime(0);
	view->removeView(view->getView(0));
	EXPECT_EQ(view->getView(0)->getViewSize(), CRect(0, 0, 50, 20));
}

// A child that leaves while it moves ends its move; one that comes back is
// laid out from where it is, and the container's own end releases nothing
// twice.
TEST_F(RowColumnViewTest, AChildThatLeavesMidMoveIsLaidOutAfreshWhenItReturns)
{
	auto view = attach(make(CRect(0, 0, 100, 100), CRowColumnView::kRowStyle,
	                        CRowColumnView::kLeftTopEqualy, 0., CRect(), {CPoint(50, 20), CPoint(50, 20)}));
	view->setAnimateViewResizing(true);
	SharedPointer<CView> second = view->getView(1);
	view->removeView(view->getView(0));
	tick(3);
	view->removeView(second, false);
	view->setAnimateViewResizing(false);
	second->setViewSize(CRect(0, 70, 50, 90));
	view->addView(second);
	EXPECT_EQ(second->getViewSize(), CRect(0, 0, 50, 20));
	tick(20);
	EXPECT_EQ(second->getViewSize(), CRect(0, 0, 50, 20));
	page->removeView(view);
}

} // namespace
} // namespace Kavrin::Test
