#include "lib/iviewcontainerlistener.h"
#include "lib/iviewlistener.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

// A frame of 200 x 200, attached, for tests that route events.
class ContainerTest : public ::testing::Test
{
protected:
	void SetUp() override { frame = owned(new RecordingFrame(CRect(0, 0, 200, 200))); }
	void TearDown() override
	{
		if (frame->isAttached())
			frame->removed(frame);
	}

	template <typename View>
	View* add(View* view, CViewContainer* container = nullptr)
	{
		(container ? container : frame.get())->addView(view);
		return view;
	}

	CMouseEventResult press(CPoint where, CButtonState buttons = kLeftButton)
	{
		return frame->onMouseDown(where, buttons);
	}

	SharedPointer<RecordingFrame> frame;
	EventLog log;
};

// ---- Pressing ----

TEST_F(ContainerTest, PressOnTransparentChildFallsThroughToTheOneBelow)
{
	auto below = add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	auto glass = add(new RecordingView(CRect(0, 0, 50, 50), "glass", &log));
	glass->setTransparency(true);
	glass->downResult = kMouseNotHandled;
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"glass:down", "below:down"}));
	EXPECT_EQ(frame->getMouseDownView(), below);
}

TEST_F(ContainerTest, PressOnOpaqueChildThatIgnoresItStopsThere)
{
	add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	auto top = add(new RecordingView(CRect(0, 0, 50, 50), "top", &log));
	top->downResult = kMouseNotHandled;
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseNotHandled);
	EXPECT_EQ(log, (EventLog {"top:down"}));
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
}

TEST_F(ContainerTest, InvisibleDisabledAndZeroAlphaChildrenAreSkipped)
{
	auto below = add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	add(new RecordingView(CRect(0, 0, 50, 50), "hidden", &log))->setVisible(false);
	add(new RecordingView(CRect(0, 0, 50, 50), "disabled", &log))->setMouseEnabled(false);
	add(new RecordingView(CRect(0, 0, 50, 50), "faded", &log))->setAlphaValue(0.f);
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"below:down"}));
	EXPECT_EQ(frame->getMouseDownView(), below);
}

TEST_F(ContainerTest, PressReachesNestedViewInItsParentsCoordinates)
{
	auto panel = add(new CViewContainer(CRect(20, 30, 120, 130)));
	auto inner = add(new RecordingView(CRect(10, 10, 40, 40)), panel);
	frame->attach();

	EXPECT_EQ(press({35, 45}), kMouseHandled);
	EXPECT_EQ(inner->lastPoint, CPoint(15, 15));
	EXPECT_EQ(frame->getMouseDownView(), panel);
	EXPECT_EQ(panel->getMouseDownView(), inner);

	CPoint move(40, 50);
	EXPECT_EQ(frame->onMouseMoved(move, kLeftButton), kMouseHandled);
	EXPECT_EQ(inner->lastPoint, CPoint(20, 20));
	CPoint up(41, 51);
	EXPECT_EQ(frame->onMouseUp(up, kLeftButton), kMouseHandled);
	EXPECT_EQ(inner->events.back(), "up");
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	EXPECT_EQ(panel->getMouseDownView(), nullptr);
}

TEST_F(ContainerTest, PressIsMappedThroughTheInverseTransform)
{
	auto zoomed = add(new CViewContainer(CRect(0, 0, 200, 200)));
	zoomed->setTransform(CGraphicsTransform::scaling(2., 2.));
	auto inner = add(new RecordingView(CRect(10, 10, 20, 20)), zoomed);
	frame->attach();

	EXPECT_EQ(press({30, 30}), kMouseHandled);
	EXPECT_EQ(inner->lastPoint, CPoint(15, 15));
	EXPECT_EQ(press({45, 45}), kMouseNotHandled);
}

TEST_F(ContainerTest, ResultsOtherThanHandledDoNotMakeAMouseDownView)
{
	struct Case
	{
		CMouseEventResult result;
		CMouseEventResult expected;
		bool becomesMouseDownView;
	};
	for (auto c : {Case {kMouseHandled, kMouseHandled, true},
	               Case {kMouseDownHandledNoMoveOrUp, kMouseDownHandledNoMoveOrUp, false},
	               Case {kMouseMoveHandledNoMore, kMouseMoveHandledNoMore, false},
	               Case {kMouseNotImplemented, kMouseNotImplemented, false}})
	{
		auto container = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
		auto view = new RecordingView(CRect(0, 0, 50, 50));
		view->downResult = c.result;
		container->addView(view);
		container->attach();
		CPoint where(5, 5);
		EXPECT_EQ(container->onMouseDown(where, kLeftButton), c.expected) << c.result;
		EXPECT_EQ(container->getMouseDownView() == view, c.becomesMouseDownView) << c.result;
		container->removed(container);
	}
}

TEST_F(ContainerTest, MouseListenerThatHandlesThePressKeepsItFromTheView)
{
	struct Listener : ViewMouseListenerAdapter
	{
		CMouseEventResult viewOnMouseDown(CView*, CPoint, CButtonState) override
		{
			++downs;
			return result;
		}
		CMouseEventResult result {kMouseHandled};
		int downs {0};
	} first, last;
	auto view = add(new RecordingView(CRect(0, 0, 50, 50)));
	view->registerViewMouseListener(&first);
	view->registerViewMouseListener(&last);
	frame->attach();

	EXPECT_EQ(press({5, 5}), kMouseHandled);
	EXPECT_EQ(last.downs, 1);
	EXPECT_EQ(first.downs, 0);
	EXPECT_TRUE(view->events.empty());
	EXPECT_EQ(frame->getMouseDownView(), view);

	last.result = kMouseNotHandled;
	first.result = kMouseNotHandled;
	EXPECT_EQ(press({5, 5}), kMouseHandled);
	EXPECT_EQ(first.downs, 1);
	EXPECT_EQ(view->events, (std::vector<std::string> {"down"}));

	view->unregisterViewMouseListener(&first);
	view->unregisterViewMouseListener(&last);
}

// ---- Modifier clicks ----

struct ModifierListener : IControlListener
{
	void valueChanged(CControl*) override {}
	int32 controlClickedWithModifiers(CControl*, CButtonState buttons) override
	{
		seen.push_back(buttons.getButtonState());
		return answer;
	}
	int32 answer {0};
	std::vector<uint32> seen;
};

TEST_F(ContainerTest, ModifierClickIsOfferedToTheControlListenerFirst)
{
	ModifierListener listener;
	auto control = add(new RecordingControl(CRect(0, 0, 50, 50), &listener));
	frame->attach();

	// A plain left click (2) and the middle button (4) are not modifier clicks.
	press({5, 5}, kLeftButton);
	press({5, 5}, kMiddleButton);
	EXPECT_TRUE(listener.seen.empty());
	EXPECT_EQ(control->mouseDowns, 2);

	press({5, 5}, kRightButton);
	press({5, 5}, kLeftButton | kShiftModifier);
	EXPECT_EQ(listener.seen, (std::vector<uint32> {kRightButton, kLeftButton | kShiftModifier}));
	EXPECT_EQ(control->mouseDowns, 4);

	listener.answer = 1;
	frame->clearMouseDownView();
	EXPECT_EQ(press({5, 5}, kRightButton), kMouseHandled);
	EXPECT_EQ(control->mouseDowns, 4);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
}

// ---- Focus on press ----

TEST_F(ContainerTest, PressedControlThatWantsFocusTakesIt)
{
	auto control = add(new RecordingControl(CRect(0, 0, 50, 50)));
	auto plainView = add(new RecordingView(CRect(100, 0, 150, 50)));
	plainView->setWantsFocus(true);
	frame->attach();

	press({110, 10});
	EXPECT_EQ(frame->getFocusView(), nullptr) << "only controls take the focus on a press";
	press({10, 10});
	EXPECT_EQ(frame->getFocusView(), control);
}

TEST_F(ContainerTest, ChildLeftUnreferencedByItsOwnMouseDownGetsNoFocus)
{
	auto control = add(new RecordingControl(CRect(0, 0, 50, 50)));
	control->onDown = [&](CPoint&, const CButtonState&) {
		frame->removeView(control);
		return kMouseHandled;
	};
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(frame->getFocusView(), nullptr);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	EXPECT_EQ(frame->getNbViews(), 0u);
}

TEST_F(ContainerTest, ChildRemovedButStillHeldDuringItsMouseDownDoesNotKeepTheDrag)
{
	auto control = add(new RecordingControl(CRect(0, 0, 50, 50)));
	SharedPointer<CView> keeper;
	control->onDown = [&](CPoint&, const CButtonState&) {
		keeper = control;
		frame->removeView(control);
		return kMouseHandled;
	};
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	EXPECT_EQ(frame->getFocusView(), nullptr) << "a detached view cannot hold the focus";
	EXPECT_EQ(keeper->getNbReference(), 1);
}

TEST_F(ContainerTest, FocusMovedByTheHandlerItselfIsLeftAlone)
{
	auto other = add(new RecordingControl(CRect(100, 0, 150, 50)));
	auto control = add(new RecordingControl(CRect(0, 0, 50, 50)));
	control->onDown = [&](CPoint&, const CButtonState&) {
		frame->setFocusView(other);
		return kMouseHandled;
	};
	frame->attach();

	press({10, 10});
	EXPECT_EQ(frame->getFocusView(), other);
}

// ---- Removal during walks ----

TEST_F(ContainerTest, HandlerThatRemovesItselfAndSiblingsEndsTheWalkSafely)
{
	auto below = add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	auto glass = add(new RecordingView(CRect(0, 0, 50, 50), "glass", &log));
	glass->setTransparency(true);
	glass->onDown = [&](CPoint&, const CButtonState&) {
		frame->removeView(below);
		frame->removeView(glass);
		return kMouseNotHandled;
	};
	frame->attach();

	EXPECT_EQ(press({10, 10}), kMouseNotHandled);
	EXPECT_EQ(log, (EventLog {"glass:down"}));
	EXPECT_FALSE(frame->hasChildren());
}

TEST_F(ContainerTest, TransparentChildThatDeclinesPassesTheWheelOn)
{
	auto below = add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	below->wheelResult = true;
	auto top = add(new RecordingView(CRect(0, 0, 50, 50), "top", &log));
	top->setTransparency(true);
	frame->attach();

	CPoint where(5, 5);
	EXPECT_TRUE(frame->onWheel(where, kWheelAxisX, 2.f, {}));
	EXPECT_EQ(log, (EventLog {"top:wheel", "below:wheel"}));
	EXPECT_FLOAT_EQ(below->lastWheelDistance, 2.f);
	EXPECT_EQ(below->lastPoint, CPoint(5, 5));
}

TEST_F(ContainerTest, OpaqueChildThatDeclinesTheWheelEndsTheSearch)
{
	auto below = add(new RecordingView(CRect(0, 0, 50, 50), "below", &log));
	below->wheelResult = true;
	add(new RecordingView(CRect(0, 0, 50, 50), "top", &log));
	frame->attach();

	CPoint where(5, 5);
	EXPECT_FALSE(frame->onWheel(where, kWheelAxisY, 1.f, {}));
	EXPECT_EQ(log, (EventLog {"top:wheel"}));
}

// A child whose removal takes its siblings with it (a page that tears down
// the whole panel when it goes).
class TearDownView : public RecordingView
{
public:
	using RecordingView::RecordingView;
	bool removed(CView* parent) override
	{
		++removedCalls;
		if (auto container = parent->toViewContainer())
		{
			for (auto sibling : siblings)
				container->removeView(sibling);
		}
		return RecordingView::removed(parent);
	}
	std::vector<CView*> siblings;
	int removedCalls {0};
};

TEST_F(ContainerTest, RemoveAllReachesEveryChildOnceWhenOneRemovesItsSiblings)
{
	auto first = add(new TearDownView(CRect(0, 0, 10, 10)));
	auto second = add(new TearDownView(CRect(0, 0, 10, 10)));
	auto third = add(new TearDownView(CRect(0, 0, 10, 10)));
	first->siblings = {second, third};
	SharedPointer<TearDownView> keepFirst = first;
	SharedPointer<TearDownView> keepSecond = second;
	SharedPointer<TearDownView> keepThird = third;
	frame->attach();

	frame->removeAll();
	EXPECT_FALSE(frame->hasChildren());
	EXPECT_EQ(keepFirst->removedCalls, 1);
	EXPECT_EQ(keepSecond->removedCalls, 1);
	EXPECT_EQ(keepThird->removedCalls, 1);
	EXPECT_FALSE(keepSecond->isAttached());
	EXPECT_FALSE(keepThird->isAttached());
	EXPECT_EQ(keepSecond->getNbReference(), 1);
	EXPECT_EQ(keepThird->getNbReference(), 1);
}

TEST_F(ContainerTest, DetachingAContainerReachesEveryChildOnceWhenOneRemovesItsSiblings)
{
	auto panel = add(new CViewContainer(CRect(0, 0, 100, 100)));
	auto first = add(new TearDownView(CRect(0, 0, 10, 10)), panel);
	auto second = add(new TearDownView(CRect(0, 0, 10, 10)), panel);
	auto third = add(new TearDownView(CRect(0, 0, 10, 10)), panel);
	first->siblings = {second};
	SharedPointer<TearDownView> keepFirst = first;
	SharedPointer<TearDownView> keepSecond = second;
	SharedPointer<TearDownView> keepThird = third;
	frame->attach();

	// Taking the panel out of the tree detaches it and its children without
	// removing them from the panel; the first child's handler still takes
	// its sibling out.
	frame->removeView(panel, false);
	EXPECT_EQ(keepFirst->removedCalls, 1);
	EXPECT_EQ(keepSecond->removedCalls, 1);
	EXPECT_FALSE(keepSecond->isAttached());
	EXPECT_FALSE(keepThird->isAttached());
	EXPECT_EQ(keepThird->removedCalls, 1);
	panel->forget();
}

// ---- Mouse-down view hand-over ----

TEST_F(ContainerTest, HandOverCancelsAViewThatImplementsCancel)
{
	auto first = add(new RecordingView(CRect(20, 20, 50, 50)));
	first->cancelResult = kMouseHandled;
	auto second = add(new RecordingView(CRect(100, 100, 150, 150)));
	frame->attach();

	press({25, 25});
	frame->setMouseDownView(second);
	EXPECT_EQ(first->events, (std::vector<std::string> {"down", "cancel"}));
	EXPECT_EQ(frame->getMouseDownView(), second);
}

TEST_F(ContainerTest, HandOverReleasesAViewWithoutCancelAboveAndLeftOfItsCorner)
{
	auto first = add(new RecordingView(CRect(20, 30, 50, 50)));
	auto second = add(new RecordingView(CRect(100, 100, 150, 150)));
	frame->attach();

	press({25, 35});
	frame->setMouseDownView(second);
	EXPECT_EQ(first->events, (std::vector<std::string> {"down", "cancel", "up"}));
	EXPECT_EQ(first->lastPoint, CPoint(10, 20));
	EXPECT_EQ(first->lastButtons, CButtonState());
}

TEST_F(ContainerTest, HandOverFromAContainerEndsItsInnerDrag)
{
	auto panel = add(new CViewContainer(CRect(0, 0, 100, 100)));
	auto inner = add(new RecordingView(CRect(0, 0, 50, 50)), panel);
	inner->cancelResult = kMouseHandled;
	auto other = add(new RecordingView(CRect(150, 150, 200, 200)));
	frame->attach();

	press({10, 10});
	ASSERT_EQ(panel->getMouseDownView(), inner);
	frame->setMouseDownView(other);
	EXPECT_EQ(panel->getMouseDownView(), nullptr);
	EXPECT_EQ(inner->events, (std::vector<std::string> {"down", "cancel"}));
}

TEST_F(ContainerTest, MoveAnsweredWithNotHandledOrMoreReleasesTheDrag)
{
	struct Case
	{
		CMouseEventResult moved;
		CMouseEventResult expected;
		bool keepsDrag;
	};
	for (auto c : {Case {kMouseHandled, kMouseHandled, true},
	               Case {kMouseNotImplemented, kMouseHandled, true},
	               Case {kMouseNotHandled, kMouseNotHandled, false},
	               Case {kMouseDownHandledNoMoveOrUp, kMouseNotHandled, false},
	               Case {kMouseMoveHandledNoMore, kMouseNotHandled, false}})
	{
		auto container = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
		auto view = new RecordingView(CRect(0, 0, 50, 50));
		view->movedResult = c.moved;
		container->addView(view);
		container->attach();
		CPoint where(5, 5);
		container->onMouseDown(where, kLeftButton);
		EXPECT_EQ(container->onMouseMoved(where, kLeftButton), c.expected) << c.moved;
		EXPECT_EQ(container->getMouseDownView() == view, c.keepsDrag) << c.moved;
		container->removed(container);
	}
}

TEST_F(ContainerTest, CancelWithoutDragIsHandledAndWithDragReturnsTheViewsAnswer)
{
	EXPECT_EQ(frame->onMouseCancel(), kMouseHandled);
	auto view = add(new RecordingView(CRect(0, 0, 50, 50)));
	view->cancelResult = kMouseMoveHandledNoMore;
	frame->attach();
	press({5, 5});
	EXPECT_EQ(frame->onMouseCancel(), kMouseMoveHandledNoMore);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	CPoint up(5, 5);
	EXPECT_EQ(frame->onMouseUp(up, {}), kMouseNotHandled);
}

TEST_F(ContainerTest, RemovingTheMouseDownViewEndsTheDrag)
{
	auto view = add(new RecordingView(CRect(0, 0, 50, 50)));
	frame->attach();
	press({5, 5});
	frame->removeView(view);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	CPoint move(6, 6);
	EXPECT_EQ(frame->onMouseMoved(move, kLeftButton), kMouseNotHandled);
}

// A view that runs a handler from inside its release or its cancel, as a
// close button or a tab that replaces its page does.
struct ViewActingAsItsDragEnds : RecordingView
{
	using RecordingView::RecordingView;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override
	{
		auto result = RecordingView::onMouseUp(where, buttons);
		if (onEnd)
			std::exchange(onEnd, nullptr)();
		return result;
	}
	CMouseEventResult onMouseCancel() override
	{
		auto result = RecordingView::onMouseCancel();
		if (onEnd)
			std::exchange(onEnd, nullptr)();
		return result;
	}
	std::function<void()> onEnd;
};

TEST(CViewContainerDrag, ViewLeavingAsItsDragEndsHearsOneEndOnly)
{
	enum Ending
	{
		kRelease,
		kCancel,
		kHandOver,
		kRemovedBeforeTheRelease,
	};
	enum Leaving
	{
		kViewRemovesItself,
		kViewRemovesItsPanel,
	};
	struct Case
	{
		const char* name;
		Ending ending;
		Leaving leaving;
		std::vector<std::string> expected;
	};
	const Case cases[] = {
	    {"release removes the view", kRelease, kViewRemovesItself, {"down", "up"}},
	    {"release removes the view's panel", kRelease, kViewRemovesItsPanel, {"down", "up"}},
	    {"cancel removes the view", kCancel, kViewRemovesItself, {"down", "cancel"}},
	    {"cancel removes the view's panel", kCancel, kViewRemovesItsPanel, {"down", "cancel"}},
	    {"hand-over removes the view", kHandOver, kViewRemovesItself, {"down", "cancel"}},
	    {"hand-over removes the view's panel", kHandOver, kViewRemovesItsPanel, {"down", "cancel"}},
	    // Taken away in the middle of the drag, the view is cancelled as
	    // before; the release that follows reaches nothing.
	    {"removed before the release", kRemovedBeforeTheRelease, kViewRemovesItself, {"down", "cancel"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
		auto panel = new CViewContainer(CRect(0, 0, 100, 100));
		frame->addView(panel);
		auto view = new ViewActingAsItsDragEnds(CRect(10, 10, 50, 50));
		view->cancelResult = kMouseHandled;
		panel->addView(view);
		auto other = new RecordingView(CRect(150, 150, 200, 200));
		frame->addView(other);
		SharedPointer<RecordingView> held = view;
		frame->attach();

		CPoint where(20, 20);
		ASSERT_EQ(frame->onMouseDown(where, kLeftButton), kMouseHandled);
		auto leave = [&, leaving = c.leaving] {
			if (leaving == kViewRemovesItself)
				panel->removeView(view);
			else
				frame->removeView(panel);
		};
		if (c.ending == kRemovedBeforeTheRelease)
			leave();
		else
			view->onEnd = leave;
		if (c.ending == kCancel)
			frame->onMouseCancel();
		else if (c.ending == kHandOver)
			frame->setMouseDownView(other);
		else
			frame->onMouseUp(where, kLeftButton);
		EXPECT_EQ(held->events, c.expected);
		EXPECT_FALSE(held->isAttached());
		EXPECT_EQ(frame->getMouseDownView(), c.ending == kHandOver ? other : nullptr);
		frame->removed(frame);
	}
}

TEST_F(ContainerTest, OnlyTransparentChildrenDecliningLeavesThePressNotHandled)
{
	auto glass = add(new RecordingView(CRect(0, 0, 50, 50), "glass", &log));
	glass->setTransparency(true);
	glass->downResult = kMouseNotImplemented;
	frame->attach();
	EXPECT_EQ(press({10, 10}), kMouseNotHandled);
}

TEST_F(ContainerTest, OnlyAChildCanHoldTheDrag)
{
	SharedPointer<CView> stranger = owned(new RecordingView(CRect(0, 0, 10, 10)));
	frame->setMouseDownView(stranger);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);

	// The old holder's cancel takes the new holder out of the tree.
	struct CancelRemoves : RecordingView
	{
		using RecordingView::RecordingView;
		CMouseEventResult onMouseCancel() override
		{
			getParentView()->toViewContainer()->removeView(victim);
			return kMouseHandled;
		}
		CView* victim {nullptr};
	};
	auto first = add(new CancelRemoves(CRect(0, 0, 50, 50)));
	auto second = add(new RecordingView(CRect(100, 100, 150, 150)));
	SharedPointer<CView> keepSecond = second;
	first->victim = second;
	frame->attach();
	press({5, 5});
	frame->setMouseDownView(second);
	EXPECT_FALSE(frame->isChild(second));
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
}

// ---- Children and references ----

TEST(CViewContainerChildren, ReferenceCountsFollowAddRemoveAndForget)
{
	auto container = owned(new CViewContainer(CRect(0, 0, 100, 100)));
	SharedPointer<CView> a = owned(new CView(CRect(0, 0, 10, 10)));
	SharedPointer<CView> b = owned(new CView(CRect(0, 0, 10, 10)));
	EXPECT_EQ(a->getNbReference(), 1);

	container->addView(a);
	container->addView(b);
	EXPECT_EQ(a->getNbReference(), 2) << "the list holds one reference";

	// Without forget only the list's reference goes.
	EXPECT_TRUE(container->removeView(a, false));
	EXPECT_EQ(a->getNbReference(), 1);
	EXPECT_FALSE(a->isSubview());
	EXPECT_FALSE(container->removeView(a, false)) << "no longer a child";

	// With forget the caller's first reference goes too: hand the container
	// one of its own first.
	a->remember();
	container->addView(a);
	EXPECT_EQ(a->getNbReference(), 3);
	container->removeView(a, true);
	EXPECT_EQ(a->getNbReference(), 1);

	b->remember();
	a->remember();
	container->addView(a);
	container->removeAll(false);
	EXPECT_EQ(a->getNbReference(), 2);
	EXPECT_EQ(b->getNbReference(), 2);
	a->forget();
	b->forget();

	a->remember();
	b->remember();
	container->addView(a);
	container->addView(b);
	container->removeAll(true);
	EXPECT_EQ(a->getNbReference(), 1);
	EXPECT_EQ(b->getNbReference(), 1);
	EXPECT_FALSE(container->hasChildren());
}

TEST(CViewContainerChildren, AFreshViewHandedOverIsDestroyedWithTheContainer)
{
	struct Tracked : CView
	{
		Tracked(bool* destroyed) : CView(CRect(0, 0, 1, 1)), destroyed(destroyed) {}
		~Tracked() noexcept override { *destroyed = true; }
		bool* destroyed;
	};
	bool destroyed = false;
	{
		auto container = owned(new CViewContainer(CRect(0, 0, 10, 10)));
		container->addView(new Tracked(&destroyed));
	}
	EXPECT_TRUE(destroyed);
}

TEST(CViewContainerChildren, AddingAViewTwiceIsRefused)
{
	AssertionRecorder assertions;
	auto first = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	auto second = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	auto view = new CView(CRect(0, 0, 1, 1));
	EXPECT_TRUE(first->addView(view));
	EXPECT_FALSE(second->addView(view));
	EXPECT_TRUE(assertions.has("lib/cviewcontainer", "519"));
	EXPECT_FALSE(second->isChild(view));
	EXPECT_FALSE(first->addView(nullptr));
}

TEST(CViewContainerChildren, AContainerCannotBeAddedInsideItself)
{
	AssertionRecorder assertions;
	auto outer = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	auto inner = new CViewContainer(CRect(0, 0, 10, 10));
	outer->addView(inner);
	EXPECT_FALSE(outer->addView(outer));
	EXPECT_FALSE(inner->addView(outer));
	EXPECT_EQ(assertions.reports.size(), 2u);
	EXPECT_FALSE(outer->isChild(outer, true));
}

TEST(CViewContainerChildren, ChildAddedWhileItsContainerIsDetachedLeavesWithTheOthers)
{
	struct AddsOnRemoval : ViewListenerAdapter
	{
		void viewRemoved(CView* view) override
		{
			if (!late)
			{
				late = new CView(CRect(0, 0, 1, 1));
				view->getParentView()->toViewContainer()->addView(late);
			}
		}
		CView* late {nullptr};
	} listener;
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto panel = new CViewContainer(CRect(0, 0, 50, 50));
	auto child = new CView(CRect(0, 0, 10, 10));
	frame->addView(panel);
	panel->addView(child);
	child->registerViewListener(&listener);
	frame->attach();

	frame->removeView(panel, false);
	ASSERT_NE(listener.late, nullptr);
	EXPECT_FALSE(listener.late->isAttached());
	EXPECT_EQ(listener.late->getFrame(), nullptr);
	child->unregisterViewListener(&listener);
	panel->forget();
	frame->removed(frame);
}

TEST(CViewContainerChildren, DrawingLockHolderMayLockAgainAndNeverWaitsForItself)
{
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	frame->attach();
	frame->LockGUIDrawing();
	EXPECT_TRUE(frame->holdsGUIDrawingLock());
	// Changing children inside a locked section (a view built while drawing)
	// must not wait for the lock its own thread holds.
	EXPECT_TRUE(frame->addView(new CView(CRect(0, 0, 10, 10))));
	frame->WaitForGUIDrawingLock();
	frame->LockGUIDrawing();
	frame->UnLockGUIDrawing();
	EXPECT_TRUE(frame->IsGUIDrawingLocked()) << "each lock wants its own unlock";
	frame->UnLockGUIDrawing();
	EXPECT_FALSE(frame->IsGUIDrawingLocked());
	frame->removed(frame);
}

TEST(CViewContainerChildren, AddBeforeInsertsBelowAndAnUnknownBeforeAppends)
{
	AssertionRecorder assertions;
	auto container = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	auto a = new CView(CRect());
	auto b = new CView(CRect());
	auto c = new CView(CRect());
	SharedPointer<CView> stranger = owned(new CView(CRect()));
	container->addView(a);
	container->addView(b, a);
	EXPECT_EQ(container->getView(0), b);
	EXPECT_EQ(container->getView(1), a);
	container->addView(c, stranger);
	EXPECT_TRUE(assertions.has("lib/cviewcontainer", "527"));
	EXPECT_EQ(container->getView(2), c);
	EXPECT_EQ(container->getView(3), nullptr);
}

TEST(CViewContainerChildren, ChangeViewZOrderMovesAndNotifiesOnlyOnChange)
{
	struct Listener : ViewContainerListenerAdapter
	{
		void viewContainerViewZOrderChanged(CViewContainer*, CView* view) override
		{
			moved.push_back(view);
		}
		std::vector<CView*> moved;
	} listener;
	auto container = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	CView* views[] = {new CView(CRect()), new CView(CRect()), new CView(CRect())};
	for (auto view : views)
		container->addView(view);
	container->registerViewContainerListener(&listener);

	EXPECT_TRUE(container->changeViewZOrder(views[1], 1));
	EXPECT_TRUE(listener.moved.empty());
	EXPECT_FALSE(container->changeViewZOrder(views[1], 3));
	EXPECT_TRUE(container->changeViewZOrder(views[0], 2));
	EXPECT_EQ(container->getView(0), views[1]);
	EXPECT_EQ(container->getView(1), views[2]);
	EXPECT_EQ(container->getView(2), views[0]);
	EXPECT_TRUE(container->changeViewZOrder(views[0], 0));
	EXPECT_EQ(container->getView(0), views[0]);
	EXPECT_EQ(listener.moved, (std::vector<CView*> {views[0], views[0]}));
	container->unregisterViewContainerListener(&listener);
}

TEST(CViewContainerChildren, ListenerThatUnregistersDuringDispatchIsSafe)
{
	struct SelfRemoving : ViewContainerListenerAdapter
	{
		void viewContainerViewAdded(CViewContainer* container, CView*) override
		{
			++added;
			container->unregisterViewContainerListener(this);
			if (other)
				container->unregisterViewContainerListener(other);
		}
		int added {0};
		IViewContainerListener* other {nullptr};
	};
	auto container = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	SelfRemoving first, second;
	first.other = &second;
	container->registerViewContainerListener(&first);
	container->registerViewContainerListener(&second);

	container->addView(new CView(CRect()));
	container->addView(new CView(CRect()));
	EXPECT_EQ(first.added, 1);
	EXPECT_EQ(second.added, 0) << "removed before its turn";
}

TEST(CViewContainerChildren, ListenersHearAddAndRemoveInOrder)
{
	struct Listener : ViewContainerListenerAdapter
	{
		void viewContainerViewAdded(CViewContainer*, CView* view) override
		{
			log.push_back(view->isAttached() ? "added-attached" : "added");
		}
		void viewContainerViewRemoved(CViewContainer*, CView* view) override
		{
			log.push_back(view->isAttached() ? "removed-attached" : "removed");
		}
		std::vector<std::string> log;
	} listener;
	auto frame = owned(new RecordingFrame(CRect(0, 0, 10, 10)));
	frame->attach();
	frame->registerViewContainerListener(&listener);
	auto view = new CView(CRect());
	frame->addView(view);
	frame->removeView(view);
	EXPECT_EQ(listener.log, (std::vector<std::string> {"added", "removed"}));
	frame->unregisterViewContainerListener(&listener);
	frame->removed(frame);
}

// ---- Autosizing ----

TEST(CViewContainerAutosize, ColumnsShareAWidthChange)
{
	auto container = owned(new CViewContainer(CRect(0, 0, 90, 50)));
	container->setAutosizeFlags(kAutosizeColumn);
	CView* views[] = {new CView(CRect(0, 0, 30, 50)), new CView(CRect(30, 0, 60, 50)),
	                  new CView(CRect(60, 0, 90, 50))};
	for (auto view : views)
		container->addView(view);

	container->setViewSize(CRect(0, 0, 120, 50));
	EXPECT_EQ(views[0]->getViewSize(), CRect(0, 0, 40, 50));
	EXPECT_EQ(views[1]->getViewSize(), CRect(40, 0, 80, 50));
	EXPECT_EQ(views[2]->getViewSize(), CRect(80, 0, 120, 50));
}

TEST(CViewContainerAutosize, RowsShareAHeightChange)
{
	auto container = owned(new CViewContainer(CRect(0, 0, 50, 60)));
	container->setAutosizeFlags(kAutosizeRow);
	CView* views[] = {new CView(CRect(0, 0, 50, 30)), new CView(CRect(0, 30, 50, 60))};
	for (auto view : views)
		container->addView(view);

	container->setViewSize(CRect(0, 0, 50, 40));
	EXPECT_EQ(views[0]->getViewSize(), CRect(0, 0, 50, 20));
	EXPECT_EQ(views[1]->getViewSize(), CRect(0, 20, 50, 40));
}

TEST(CViewContainerAutosize, EdgesFollowByTheirFlags)
{
	struct Case
	{
		int32 flags;
		CRect expected;
	};
	// The container grows by 10 wide and 20 high.
	for (auto c : {Case {kAutosizeNone, CRect(10, 10, 20, 20)},
	               Case {kAutosizeRight, CRect(20, 10, 30, 20)},
	               Case {kAutosizeRight | kAutosizeLeft, CRect(10, 10, 30, 20)},
	               Case {kAutosizeBottom, CRect(10, 30, 20, 40)},
	               Case {kAutosizeBottom | kAutosizeTop, CRect(10, 10, 20, 40)},
	               Case {kAutosizeAll, CRect(10, 10, 30, 40)},
	               Case {kAutosizeLeft | kAutosizeTop, CRect(10, 10, 20, 20)}})
	{
		auto container = owned(new CViewContainer(CRect(0, 0, 100, 100)));
		auto view = new CView(CRect(10, 10, 20, 20));
		view->setAutosizeFlags(c.flags);
		container->addView(view);
		container->setViewSize(CRect(0, 0, 110, 120));
		EXPECT_EQ(view->getViewSize(), c.expected) << "flags " << c.flags;
	}
}

TEST(CViewContainerAutosize, MouseableAreaMovesWithTheChildAndAutosizingCanBeOff)
{
	auto container = owned(new CViewContainer(CRect(0, 0, 100, 100)));
	auto view = new CView(CRect(10, 10, 20, 20));
	view->setAutosizeFlags(kAutosizeRight);
	view->setMouseableArea(CRect(12, 12, 18, 18));
	container->addView(view);
	container->setViewSize(CRect(0, 0, 110, 100));
	EXPECT_EQ(view->getViewSize(), CRect(20, 10, 30, 20));
	EXPECT_EQ(view->getMouseableArea(), CRect(22, 12, 28, 18));

	container->setAutosizingEnabled(false);
	container->setViewSize(CRect(0, 0, 150, 100));
	EXPECT_EQ(view->getViewSize(), CRect(20, 10, 30, 20));
}

TEST(CViewContainerAutosize, SizeChangeIsMappedThroughTheInverseTransform)
{
	auto container = owned(new CViewContainer(CRect(0, 0, 100, 100)));
	container->setTransform(CGraphicsTransform::scaling(2., 2.));
	auto view = new CView(CRect(0, 0, 10, 10));
	view->setAutosizeFlags(kAutosizeAll);
	container->addView(view);
	container->setViewSize(CRect(0, 0, 120, 140));
	EXPECT_EQ(view->getViewSize(), CRect(0, 0, 20, 30));
}

TEST(CViewContainerAutosize, SizeToFitRepeatsTheLeadingMargin)
{
	auto container = owned(new CViewContainer(CRect(5, 5, 500, 500)));
	container->addView(new CView(CRect(10, 20, 50, 60)));
	container->addView(new CView(CRect(30, 40, 80, 70)));
	auto hidden = new CView(CRect(0, 0, 400, 400));
	hidden->setVisible(false);
	container->addView(hidden);
	EXPECT_TRUE(container->sizeToFit());
	EXPECT_EQ(container->getViewSize(), CRect(5, 5, 95, 95));

	auto empty = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	EXPECT_FALSE(empty->sizeToFit());
	container->setAutosizeFlags(kAutosizeColumn);
	EXPECT_FALSE(container->sizeToFit());
}

// ---- Lookups ----

class LookupTest : public ::testing::Test
{
protected:
	// frame
	//   back (plain, 0..100)
	//   panel (container 50..150) holding inner (plain, 10..40 inside panel)
	void SetUp() override
	{
		frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
		back = new CView(CRect(0, 0, 100, 100));
		panel = new CViewContainer(CRect(50, 50, 150, 150));
		inner = new CView(CRect(10, 10, 40, 40));
		frame->addView(back);
		frame->addView(panel);
		panel->addView(inner);
	}

	SharedPointer<RecordingFrame> frame;
	CView* back {nullptr};
	CViewContainer* panel {nullptr};
	CView* inner {nullptr};
};

TEST_F(LookupTest, GetViewAtFollowsItsOptions)
{
	using O = GetViewOptions;
	struct Case
	{
		CPoint where;
		uint32 options;
		std::string expected;
	};
	auto name = [&](CView* view) -> std::string {
		if (view == back)
			return "back";
		if (view == panel)
			return "panel";
		if (view == inner)
			return "inner";
		return view ? "other" : "none";
	};
	for (const auto& c : {Case {{20, 20}, O::kNone, "back"},
	                      // The panel covers (70, 70): without deep it is
	                      // skipped unless containers count, and the search
	                      // goes on below.
	                      Case {{70, 70}, O::kNone, "back"},
	                      Case {{70, 70}, O::kIncludeViewContainer, "panel"},
	                      Case {{70, 70}, O::kDeep, "inner"},
	                      // Deep into the panel where it has no child: the first
	                      // child considered decides, the back view is not reached.
	                      Case {{95, 95}, O::kDeep, "none"},
	                      Case {{95, 95}, O::kDeep | O::kIncludeViewContainer, "panel"},
	                      Case {{190, 190}, O::kDeep, "none"}})
	{
		EXPECT_EQ(name(frame->getViewAt(c.where, c.options)), c.expected)
		    << c.where.x << "," << c.where.y << " options " << c.options;
	}
}

TEST_F(LookupTest, GetViewAtSkipsInvisibleAndDisabledViewsOnRequest)
{
	inner->setVisible(false);
	EXPECT_EQ(frame->getViewAt({70, 70}, GetViewOptions::kDeep), nullptr);
	EXPECT_EQ(frame->getViewAt({70, 70}, GetViewOptions().deep().includeInvisible()), inner);
	inner->setVisible(true);
	inner->setMouseEnabled(false);
	EXPECT_EQ(frame->getViewAt({70, 70}, GetViewOptions::kDeep), inner);
	EXPECT_EQ(frame->getViewAt({70, 70}, GetViewOptions().deep().mouseEnabled()), nullptr);
}

TEST_F(LookupTest, GetContainerAtAndGetViewsAt)
{
	EXPECT_EQ(frame->getContainerAt({70, 70}, GetViewOptions::kDeep), panel);
	EXPECT_EQ(frame->getContainerAt({70, 70}, GetViewOptions::kNone), frame.get());
	EXPECT_EQ(frame->getContainerAt({20, 20}, GetViewOptions::kDeep), frame.get());

	std::list<SharedPointer<CView>> views;
	EXPECT_TRUE(frame->getViewsAt({70, 70}, views, GetViewOptions().deep().includeViewContainer()));
	std::vector<CView*> found;
	for (auto& view : views)
		found.push_back(view);
	EXPECT_EQ(found, (std::vector<CView*> {inner, panel, back}));

	views.clear();
	EXPECT_FALSE(frame->getViewsAt({190, 190}, views, GetViewOptions::kDeep));
}

TEST_F(LookupTest, HitTestSubViewsNeedsAHitInsideContainers)
{
	EXPECT_TRUE(frame->hitTestSubViews({20, 20}));
	EXPECT_TRUE(frame->hitTestSubViews({70, 70}));
	EXPECT_FALSE(frame->hitTestSubViews({140, 140})) << "inside the panel but on none of its children";
}

TEST_F(LookupTest, IsChildDirectAndDeep)
{
	EXPECT_TRUE(frame->isChild(panel));
	EXPECT_FALSE(frame->isChild(inner));
	EXPECT_TRUE(frame->isChild(inner, true));
}

TEST_F(LookupTest, VisibleSizeIsClippedByEveryAncestor)
{
	frame->attach();
	inner->setViewSize(CRect(-20, 60, 40, 160));
	EXPECT_EQ(inner->getVisibleViewSize(), CRect(0, 60, 40, 100));
	frame->removed(frame);
}

// ---- Focus traversal ----

class FocusTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		frame = owned(new RecordingFrame(CRect(0, 0, 300, 100)));
		first = new RecordingControl(CRect(0, 0, 10, 10));
		panel = new CViewContainer(CRect(20, 0, 200, 100));
		nested = new RecordingControl(CRect(0, 0, 10, 10));
		skipped = new RecordingControl(CRect(20, 0, 30, 10));
		skipped->setVisible(false);
		last = new RecordingControl(CRect(250, 0, 260, 10));
		frame->addView(first);
		frame->addView(panel);
		panel->addView(nested);
		panel->addView(skipped);
		frame->addView(last);
		frame->attach();
	}
	void TearDown() override { frame->removed(frame); }

	SharedPointer<RecordingFrame> frame;
	CView* first {nullptr};
	CViewContainer* panel {nullptr};
	CView* nested {nullptr};
	CView* skipped {nullptr};
	CView* last {nullptr};
};

TEST_F(FocusTest, AdvanceVisitsFocusableViewsInOrderAndWraps)
{
	std::vector<CView*> visited;
	for (int i = 0; i < 4; ++i)
	{
		frame->advanceNextFocusView(frame->getFocusView());
		visited.push_back(frame->getFocusView());
	}
	EXPECT_EQ(visited, (std::vector<CView*> {first, nested, last, first}));
}

TEST_F(FocusTest, ReverseAdvanceVisitsBackwardsAndWraps)
{
	std::vector<CView*> visited;
	for (int i = 0; i < 4; ++i)
	{
		frame->advanceNextFocusView(frame->getFocusView(), true);
		visited.push_back(frame->getFocusView());
	}
	EXPECT_EQ(visited, (std::vector<CView*> {last, nested, first, last}));
}

TEST_F(FocusTest, ContainerAdvanceEndsAtItsLastChild)
{
	EXPECT_TRUE(panel->advanceNextFocusView(nullptr));
	EXPECT_EQ(frame->getFocusView(), nested);
	EXPECT_FALSE(panel->advanceNextFocusView(nested)) << "the frame decides about wrapping";

	auto detached = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	detached->addView(new RecordingControl(CRect(0, 0, 5, 5)));
	EXPECT_FALSE(detached->advanceNextFocusView(nullptr)) << "no frame";
}

TEST_F(FocusTest, RemovingAContainerWithTheFocusClearsIt)
{
	frame->setFocusView(nested);
	frame->removeView(panel);
	EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(FocusTest, FocusMessagesInvalidateTheRing)
{
	frame->setFocusDrawingEnabled(true);
	frame->setFocusWidth(3.);
	frame->invalidRects.clear();
	frame->setFocusView(nested);
	// The ring, grown by the focus width, in frame coordinates and clipped
	// to the panel.
	EXPECT_NE(std::find(frame->invalidRects.begin(), frame->invalidRects.end(), CRect(20, 0, 33, 13)),
	          frame->invalidRects.end());

	panel->setLastDrawnFocus(CRect(1, 1, 5, 5));
	frame->invalidRects.clear();
	frame->setFocusView(first);
	EXPECT_NE(std::find(frame->invalidRects.begin(), frame->invalidRects.end(), CRect(21, 1, 25, 5)),
	          frame->invalidRects.end());
	EXPECT_TRUE(panel->getLastDrawnFocus().isEmpty());
}

TEST(CFrameFocus, AViewOfAnotherFrameCannotTakeTheFocus)
{
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto other = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto foreign = new RecordingControl(CRect(0, 0, 10, 10));
	other->addView(foreign);
	frame->attach();
	other->attach();
	frame->setFocusView(foreign);
	EXPECT_EQ(frame->getFocusView(), nullptr);
	other->removed(other);
	frame->removed(frame);
}

// ---- Invalidation ----

TEST(CViewContainerInvalidation, DetachedContainerInvalidatesNothing)
{
	auto parent = owned(new CViewContainer(CRect(0, 0, 100, 100)));
	auto child = new CViewContainer(CRect(0, 0, 50, 50));
	parent->addView(child);
	parent->invalid();
	parent->invalidRect(CRect(0, 0, 10, 10));
	parent->setVisible(false);
	parent->setVisible(true);
	EXPECT_TRUE(parent->removeView(child));
}

TEST(CViewContainerInvalidation, ChildRectsAreMappedClippedAndRoundedOnTheWayUp)
{
	auto frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
	auto panel = new CViewContainer(CRect(10, 20, 110, 120));
	auto zoomed = new CViewContainer(CRect(0, 0, 100, 100));
	zoomed->setTransform(CGraphicsTransform::scaling(2., 2.));
	auto view = new CView(CRect(5, 5, 80, 15));
	frame->addView(panel);
	panel->addView(zoomed);
	zoomed->addView(view);
	frame->attach();

	frame->invalidRects.clear();
	view->invalid();
	// (5,5)-(80,15) doubled is (10,10)-(160,30), clipped to the 100 x 100
	// containers and moved by the panel's offset.
	ASSERT_EQ(frame->invalidRects.size(), 1u);
	EXPECT_EQ(frame->invalidRects[0], CRect(20, 30, 110, 50));

	frame->invalidRects.clear();
	panel->setVisible(false);
	ASSERT_EQ(frame->invalidRects.size(), 1u) << "hiding repaints the area once";
	view->invalid();
	EXPECT_EQ(frame->invalidRects.size(), 1u) << "nothing inside a hidden container";
	frame->removed(frame);
}

TEST(CViewContainerInvalidation, DirtyViewsBecomeInvalidRectsOnTheIdlePass)
{
	auto frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
	auto panel = new CViewContainer(CRect(100, 100, 200, 200));
	auto inPanel = new CView(CRect(0, 0, 10, 10));
	auto direct = new CView(CRect(0, 0, 10, 10));
	frame->addView(panel);
	frame->addView(direct);
	panel->addView(inPanel);
	frame->attach();
	frame->invalidRects.clear();

	EXPECT_FALSE(frame->isDirty());
	inPanel->setDirty(true);
	EXPECT_TRUE(panel->isDirty());
	EXPECT_TRUE(frame->isDirty()) << "through the dirty panel";
	direct->setDirty(true);
	frame->invalidateDirtyViews();
	std::vector<CRect> expected {CRect(0, 0, 10, 10), CRect(100, 100, 110, 110)};
	EXPECT_EQ(frame->invalidRects, expected);
	EXPECT_FALSE(frame->isDirty());

	// A dirty container repaints as a whole.
	frame->invalidRects.clear();
	panel->setDirty(true);
	inPanel->setDirty(true);
	frame->invalidateDirtyViews();
	EXPECT_EQ(frame->invalidRects, std::vector<CRect> {CRect(100, 100, 200, 200)});
	frame->removed(frame);
}

TEST(CViewContainerInvalidation, RemovedChildRepaintsItsAreaButRemoveAllDoesNotOneByOne)
{
	auto frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
	auto a = new RecordingView(CRect(0, 0, 10, 10));
	auto b = new RecordingView(CRect(20, 0, 30, 10));
	frame->addView(a);
	frame->addView(b);
	frame->attach();
	frame->invalidRects.clear();

	frame->removeView(a);
	EXPECT_EQ(frame->invalidRects, std::vector<CRect> {CRect(0, 0, 10, 10)});
	frame->invalidRects.clear();
	SharedPointer<RecordingView> keep = b;
	frame->removeAll();
	EXPECT_EQ(keep->invalidRectCalls, 0);
	EXPECT_TRUE(frame->invalidRects.empty());
	frame->removed(frame);
}

// ---- Copies ----

TEST(CViewContainerCopy, CopyClonesEveryChildInOrder)
{
	auto source = owned(new CViewContainer(CRect(0, 0, 100, 100)));
	source->setBackgroundColor(CColor(1, 2, 3, 4));
	source->setTransform(CGraphicsTransform::scaling(2., 3.));
	source->setBackgroundOffset(CPoint(4, 5));
	source->addView(new CView(CRect(1, 1, 2, 2)));
	source->addView(new CView(CRect(3, 3, 4, 4)));
	auto copy = owned(static_cast<CViewContainer*>(source->cloneView()));
	ASSERT_EQ(copy->getNbViews(), 2u);
	EXPECT_EQ(copy->getView(0)->getViewSize(), CRect(1, 1, 2, 2));
	EXPECT_EQ(copy->getView(1)->getViewSize(), CRect(3, 3, 4, 4));
	EXPECT_NE(copy->getView(0), source->getView(0));
	EXPECT_EQ(copy->getBackgroundColor(), CColor(1, 2, 3, 4));
	EXPECT_EQ(copy->getTransform(), CGraphicsTransform::scaling(2., 3.));
	EXPECT_EQ(copy->getBackgroundOffset(), CPoint(4, 5));
}

} // namespace
} // namespace Kavrin::Test
