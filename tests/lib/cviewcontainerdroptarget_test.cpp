#include "lib/cviewcontainerdroptarget.h"

#include "lib/cviewcontainer.h"

#include "tests/support/dragframe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace Kavrin::Test
{
namespace
{

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using DropTargetTest = DragFrameTest;

TEST_F(DropTargetTest, MovingBetweenChildrenLeavesTheFirstBeforeEnteringTheSecond)
{
	addTarget("a", CRect(10, 10, 50, 50));
	addTarget("b", CRect(60, 10, 100, 50));

	EXPECT_EQ(window->dragEnter(package, CPoint(20, 20)), DragOperation::Copy);
	EXPECT_EQ(window->dragMove(CPoint(25, 20)), DragOperation::Copy);
	EXPECT_EQ(window->dragMove(CPoint(70, 20)), DragOperation::Copy);
	EXPECT_TRUE(window->drop(CPoint(70, 20)));
	EXPECT_THAT(
	    log, ElementsAre("a:enter", "a:move", "a:move", "a:leave", "b:enter", "b:move", "b:drop"));
}

TEST_F(DropTargetTest, TheTargetGetsThePackageAndItsParentsCoordinatesWithModifiersOnly)
{
	auto container = new CViewContainer(CRect(100, 100, 200, 200));
	frame->addView(container);
	auto inner = addTarget("inner", CRect(10, 10, 40, 40), container);
	inner->logPositions = true;

	window->dragEnter(package, CPoint(120, 130), kLeftButton | kShiftModifier);
	EXPECT_EQ(inner->lastPackage, package.get());
	window->dragLeave(CPoint(120, 130), kRightButton);
	// Entering the container is a move for it, which the child sees after
	// its own enter and move.
	EXPECT_THAT(log, ElementsAre("inner:enter 20,30 16", "inner:move 20,30 16",
	                             "inner:move 20,30 16", "inner:leave 20,30 0"));
}

TEST_F(DropTargetTest, NothingToDropOnAnswersNone)
{
	struct Case
	{
		const char* name;
		std::function<void(CFrame&, CView&)> setUp;
	};
	const Case cases[] = {
	    {"a child without a drop target",
	     [](CFrame&, CView& child) { child.setDropTarget(nullptr); }},
	    {"a child that takes no mouse",
	     [](CFrame&, CView& child) { child.setMouseEnabled(false); }},
	    {"a frame that takes no mouse", [](CFrame& f, CView&) { f.setMouseEnabled(false); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		log.clear();
		frame->removeAll();
		addTarget("a", CRect(10, 10, 50, 50));
		frame->setMouseEnabled(true);
		c.setUp(*frame, *frame->getView(0));

		EXPECT_EQ(window->dragEnter(package, CPoint(20, 20)), DragOperation::None);
		EXPECT_EQ(window->dragMove(CPoint(30, 30)), DragOperation::None);
		EXPECT_FALSE(window->drop(CPoint(30, 30)));
		EXPECT_THAT(log, IsEmpty());
	}
}

TEST_F(DropTargetTest, ChildContainersRouteTheDragOneLevelFurther)
{
	auto outer = new CViewContainer(CRect(50, 50, 150, 150));
	frame->addView(outer);
	auto inner = new CViewContainer(CRect(10, 10, 90, 90));
	outer->addView(inner);
	addTarget("deep", CRect(0, 0, 20, 20), inner);
	addTarget("beside", CRect(0, 0, 10, 10), outer);

	window->dragEnter(package, CPoint(65, 65));
	window->dragMove(CPoint(55, 55));
	EXPECT_TRUE(window->drop(CPoint(55, 55)));
	// Each container level turns its own enter into one more move below.
	EXPECT_THAT(log, ElementsAre("deep:enter", "deep:move", "deep:move", "deep:move", "deep:leave",
	                             "beside:enter", "beside:move", "beside:drop"));
	// The drag is over: the frame's router holds no view any more.
	auto router = frame->getDropTarget().cast<CViewContainerDropTarget>();
	ASSERT_TRUE(router);
	EXPECT_EQ(router->getCurrentDragView(), nullptr);
}

TEST_F(DropTargetTest, TheFrameCachesItsRouterAndOtherContainersMakeOneUnlessOneIsSet)
{
	EXPECT_EQ(frame->getDropTarget(), frame->getDropTarget());
	auto container = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	EXPECT_NE(container->getDropTarget(), container->getDropTarget());
	auto own = owned(new LoggingDropTarget("own", log));
	container->setDropTarget(own);
	EXPECT_EQ(container->getDropTarget().get(), static_cast<IDropTarget*>(own.get()));
}

// Handlers may change the tree at any moment of a drag. Each case removes
// something from inside one call; whatever saw the drag enter sees exactly
// one leave or drop, and nothing freed is touched (the sanitizers check).
TEST_F(DropTargetTest, HandlersRemovingViewsDuringTheDragKeepEnterAndLeaveInPairs)
{
	struct Case
	{
		const char* name;
		const char* when; // enter, move or drop
		bool allChildren;
		std::vector<std::string> expected;
	};
	const Case cases[] = {
	    {"own view on enter",
	     "enter",
	     false,
	     {"a:enter", "a:move", "a:leave", "b:enter", "b:move", "b:drop"}},
	    {"all children on enter", "enter", true, {"a:enter", "a:move", "a:leave"}},
	    {"own view on move",
	     "move",
	     false,
	     {"a:enter", "a:move", "a:leave", "b:enter", "b:move", "b:drop"}},
	    {"all children on move", "move", true, {"a:enter", "a:move", "a:leave"}},
	    {"own view on drop", "drop", false, {"a:enter", "a:move", "a:move", "a:drop"}},
	    {"all children on drop", "drop", true, {"a:enter", "a:move", "a:move", "a:drop"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		log.clear();
		frame->removeAll();
		// a lies over b: once a is gone, the same point reaches b.
		auto b = addTarget("b", CRect(10, 10, 50, 50));
		(void)b;
		auto a = addTarget("a", CRect(10, 10, 50, 50));
		CView* aView = frame->getView(1);
		std::function<void()> remove = [this, aView, all = c.allChildren]
		{
			if (all)
				frame->removeAll();
			else
				frame->removeView(aView);
		};
		std::string when = c.when;
		(when == "enter"  ? a->onEnterHook
		 : when == "move" ? a->onMoveHook
		                  : a->onDropHook) = remove;

		window->dragEnter(package, CPoint(20, 20));
		window->dragMove(CPoint(21, 21));
		window->drop(CPoint(21, 21));
		EXPECT_EQ(log, c.expected);
	}
}

// A handler that ends the drag while it is being entered (a nested event
// loop, a modal dialog) must not then be sent a move it cannot pair.
TEST_F(DropTargetTest, ADragEndedInsideTheEnterHandlerSendsNoMoveAfterIt)
{
	auto a = addTarget("a", CRect(10, 10, 50, 50));
	a->onEnterHook = [this] { window->dragLeave(CPoint(20, 20)); };
	EXPECT_EQ(window->dragEnter(package, CPoint(20, 20)), DragOperation::None);
	EXPECT_THAT(log, ElementsAre("a:enter", "a:leave"));
}

// The frame's router holds the child under a drag that never ended; the
// frame lets go of it when it goes (the leak checker sees the rest).
TEST_F(DropTargetTest, AFrameClosedInTheMiddleOfADragFreesTheChildItWasOver)
{
	int destroyed = 0;
	struct Counted : CView
	{
		Counted(int& destroyed) : CView(CRect(10, 10, 50, 50)), destroyed(destroyed) {}
		~Counted() noexcept override { ++destroyed; }
		int& destroyed;
	};
	auto child = new Counted(destroyed);
	child->setDropTarget(owned(new LoggingDropTarget("a", log)));
	frame->addView(child);
	window->dragEnter(package, CPoint(20, 20));
	closeFrame();
	EXPECT_EQ(destroyed, 1);
}

TEST_F(DropTargetTest, ClosingTheFrameInsideADropHandlerIsSafe)
{
	auto a = addTarget("a", CRect(10, 10, 50, 50));
	a->onDropHook = [this] { closeFrame(); };
	window->dragEnter(package, CPoint(20, 20));
	EXPECT_TRUE(window->drop(CPoint(20, 20)));
	EXPECT_THAT(log, ElementsAre("a:enter", "a:move", "a:drop"));
	// No frame answers any more.
	EXPECT_EQ(window->dragEnter(package, CPoint(20, 20)), DragOperation::None);
}

// A target that saw the drag enter is told it left even when the frame
// stopped taking the mouse in the meantime; nothing is dropped on it.
TEST_F(DropTargetTest, AFrameDisabledDuringADragStillTellsTheEnteredTargetItLeft)
{
	struct Case
	{
		const char* name;
		bool drop;
		const char* last;
	};
	for (const auto& c : {Case{"leave", false, "a:leave"}, Case{"drop", true, "a:leave"}})
	{
		SCOPED_TRACE(c.name);
		log.clear();
		frame->removeAll();
		frame->setMouseEnabled(true);
		auto a = addTarget("a", CRect(10, 10, 50, 50));
		a->onEnterHook = [this] { frame->setMouseEnabled(false); };

		EXPECT_EQ(window->dragEnter(package, CPoint(20, 20)), DragOperation::Copy);
		EXPECT_EQ(window->dragMove(CPoint(22, 22)), DragOperation::None);
		if (c.drop)
			EXPECT_FALSE(window->drop(CPoint(22, 22)));
		else
			window->dragLeave(CPoint(22, 22));
		EXPECT_THAT(log, ElementsAre("a:enter", "a:move", c.last));
	}
}

} // namespace
} // namespace Kavrin::Test
