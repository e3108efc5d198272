// Adding and removing views while handlers called by the adding or the
// removal change the tree again: the view stays alive for the whole step, and
// a view on its way out is never registered again.

#include "lib/cframeobservers.h"
#include "lib/idleviewupdater.h"
#include "lib/iviewcontainerlistener.h"
#include "lib/iviewlistener.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <functional>

namespace Kavrin::Test {
namespace {

// Runs a function from each view-listener call it is registered for; counts
// the attach and removal calls.
class ScriptedViewListener : public ViewListenerAdapter
{
public:
	void viewAttached(CView* view) override
	{
		++attachedCalls;
		if (onAttached)
			onAttached(view);
	}
	void viewRemoved(CView* view) override
	{
		++removedCalls;
		if (onRemoved)
			onRemoved(view);
	}

	int attachedCalls {0};
	int removedCalls {0};
	std::function<void(CView*)> onAttached;
	std::function<void(CView*)> onRemoved;
};

class ScriptedAddedRemovedObserver : public IViewAddedRemovedObserver
{
public:
	void onViewAdded(CFrame*, CView* view) override
	{
		if (onAdded)
			onAdded(view);
	}
	void onViewRemoved(CFrame*, CView* view) override
	{
		if (onRemoved)
			onRemoved(view);
	}

	std::function<void(CView*)> onAdded;
	std::function<void(CView*)> onRemoved;
};

// A view that wants to hear of window activation.
class ActivationView : public CView
{
public:
	using CView::CView;
	bool wantsWindowActivation() const override { return true; }
	void windowActivationChanged(bool) override { ++activationCalls; }
	int activationCalls {0};
};

class ContainerLifecycleTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		frame = owned(new RecordingFrame(CRect(0, 0, 200, 200)));
		frame->attach();
	}
	void TearDown() override
	{
		frame->setViewAddedRemovedObserver(nullptr);
		frame->removed(frame);
		EXPECT_FALSE(CViewInternal::IdleViewUpdater::isRegistered(remembered));
	}

	SharedPointer<RecordingFrame> frame;
	ScriptedViewListener listener;
	ScriptedAddedRemovedObserver observer;
	// Compared by address only, after the view may be gone.
	CView* remembered {nullptr};
};

// ---- Adding ----

// A view removed and released while it is being added: nothing touches it
// after its last reference goes, and nothing of it stays registered.
TEST_F(ContainerLifecycleTest, ViewRemovedWhileItIsAttachedIsLeftAlone)
{
	enum class Where
	{
		ViewListener,
		FrameObserver,
		ChildOfAttachingContainer,
	};
	for (auto where : {Where::ViewListener, Where::FrameObserver, Where::ChildOfAttachingContainer})
	{
		SCOPED_TRACE(static_cast<int>(where));
		auto view = new CView(CRect(0, 0, 10, 10));
		view->setWantsIdle(true);
		remembered = view;
		auto removeIt = [](CView* v) { v->getParentView()->toViewContainer()->removeView(v, true); };
		CViewContainer* parent = frame;
		SharedPointer<CViewContainer> panel;
		if (where == Where::ChildOfAttachingContainer)
		{
			panel = makeOwned<CViewContainer>(CRect(0, 0, 50, 50));
			parent = panel;
		}
		ScriptedViewListener local;
		if (where == Where::FrameObserver)
		{
			observer.onAdded = [&](CView* v) {
				if (v == remembered)
					removeIt(v);
			};
			frame->setViewAddedRemovedObserver(&observer);
		}
		else
		{
			local.onAttached = [&](CView* v) {
				v->unregisterViewListener(&local);
				removeIt(v);
			};
			view->registerViewListener(&local);
		}
		EXPECT_TRUE(parent->addView(view));
		if (panel)
			frame->addView(panel.get());
		EXPECT_FALSE(parent->isChild(remembered, false));
		EXPECT_FALSE(CViewInternal::IdleViewUpdater::isRegistered(remembered));
		frame->setViewAddedRemovedObserver(nullptr);
		if (panel)
			frame->removeView(panel, false);
	}
}

TEST_F(ContainerLifecycleTest, ViewTakenOutByTheAddedObserverIsNotToldOfWindowActivation)
{
	SharedPointer<ActivationView> view = makeOwned<ActivationView>(CRect(0, 0, 10, 10));
	observer.onAdded = [&](CView* v) { frame->removeView(v, false); };
	frame->setViewAddedRemovedObserver(&observer);
	frame->addView(view);
	frame->setViewAddedRemovedObserver(nullptr);
	ASSERT_FALSE(view->isAttached());

	// The owner lets it go; the frame must not know it any more.
	remembered = view.get();
	view = nullptr;
	frame->platformOnWindowActivate(true);
	frame->platformOnWindowActivate(false);
}

// ---- Removing ----

TEST_F(ContainerLifecycleTest, ViewThatAsksForIdleWhileBeingRemovedIsNotRegistered)
{
	auto view = new CView(CRect(0, 0, 10, 10));
	remembered = view;
	listener.onRemoved = [&](CView* v) {
		v->unregisterViewListener(&listener);
		v->setWantsIdle(true);
	};
	view->registerViewListener(&listener);
	frame->addView(view);
	SharedPointer<CView> keep = view;
	frame->removeView(view, true);
	EXPECT_FALSE(CViewInternal::IdleViewUpdater::isRegistered(view));

	// Added again, it is registered as a view that wants idle.
	frame->addView(view);
	view->remember();
	EXPECT_TRUE(CViewInternal::IdleViewUpdater::isRegistered(view));
	frame->removeView(view, true);
	EXPECT_FALSE(CViewInternal::IdleViewUpdater::isRegistered(view));
}

// A sibling that gives up idle calls while its container is being removed is
// unregistered at once, before its own removal comes.
TEST_F(ContainerLifecycleTest, SiblingGivingUpIdleDuringItsContainersRemovalIsUnregistered)
{
	auto panel = new CViewContainer(CRect(0, 0, 50, 50));
	auto first = new CView(CRect(0, 0, 10, 10));
	auto second = new CView(CRect(10, 0, 20, 10));
	second->setWantsIdle(true);
	panel->addView(first);
	panel->addView(second);
	frame->addView(panel);
	remembered = second;
	listener.onRemoved = [&](CView* v) {
		v->unregisterViewListener(&listener);
		second->setWantsIdle(false);
	};
	first->registerViewListener(&listener);
	frame->removeView(panel, true);
}

TEST_F(ContainerLifecycleTest, FocusGivenToAViewBeingRemovedIsRefused)
{
	struct Case
	{
		const char* name;
		bool fromObserver;
		bool frameActive;
	};
	const Case cases[] = {
	    {"frame observer, active frame", true, true},
	    {"view listener, active frame", false, true},
	    {"frame observer, inactive frame", true, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = new RecordingView(CRect(0, 0, 10, 10));
		view->setWantsFocus(true);
		frame->addView(view);
		frame->setFocusView(view);
		frame->onActivate(c.frameActive);
		auto giveFocusBack = [&](CView* v) {
			if (v == view)
				frame->setFocusView(v);
		};
		if (c.fromObserver)
		{
			observer.onRemoved = giveFocusBack;
			frame->setViewAddedRemovedObserver(&observer);
		}
		else
		{
			listener.onRemoved = [&](CView* v) {
				v->unregisterViewListener(&listener);
				giveFocusBack(v);
			};
			view->registerViewListener(&listener);
		}
		frame->removeView(view, true);
		frame->setViewAddedRemovedObserver(nullptr);
		EXPECT_EQ(frame->getFocusView(), nullptr);
		frame->onActivate(true);
		EXPECT_EQ(frame->getFocusView(), nullptr) << "nothing remembered for activation";
		MoxKeyCode key {};
		key.character = 'a';
		frame->onKeyDown(key);
	}
}

TEST_F(ContainerLifecycleTest, ChildAddedToAContainerBeingRemovedIsNotAttached)
{
	auto panel = new CViewContainer(CRect(0, 0, 50, 50));
	auto latecomer = new CView(CRect(0, 0, 10, 10));
	latecomer->setWantsIdle(true);
	remembered = latecomer;
	frame->addView(panel);
	listener.onRemoved = [&](CView* v) {
		v->unregisterViewListener(&listener);
		panel->addView(latecomer);
	};
	panel->registerViewListener(&listener);
	SharedPointer<CViewContainer> keep = panel;
	frame->removeView(panel, false);

	EXPECT_TRUE(panel->isChild(latecomer, false));
	EXPECT_FALSE(latecomer->isAttached());
	EXPECT_FALSE(CViewInternal::IdleViewUpdater::isRegistered(latecomer));

	// It comes along when the container is added again.
	frame->addView(panel);
	EXPECT_TRUE(latecomer->isAttached());
	EXPECT_EQ(latecomer->getFrame(), frame.get());
	frame->removeView(panel, true);
	EXPECT_FALSE(latecomer->isAttached());
}

// A view whose removal handler moves it into the frame while its container is
// being removed ends up attached there, told once of each step.
TEST_F(ContainerLifecycleTest, ViewMovedByItsRemovalHandlerIsAttachedToItsNewParent)
{
	auto panel = new CViewContainer(CRect(0, 0, 50, 50));
	auto view = new CView(CRect(0, 0, 10, 10));
	panel->addView(view);
	frame->addView(panel);
	view->registerViewListener(&listener);
	listener.onRemoved = [&](CView* v) {
		if (listener.removedCalls > 1)
			return;
		v->remember();
		panel->removeView(v, false);
		frame->addView(v);
		v->forget();
	};
	frame->removeView(panel, true);

	EXPECT_EQ(listener.removedCalls, 1);
	EXPECT_EQ(listener.attachedCalls, 1);
	EXPECT_TRUE(frame->isChild(view, false));
	EXPECT_TRUE(view->isAttached());
	EXPECT_EQ(view->getParentView(), frame.get());
	EXPECT_EQ(view->getFrame(), frame.get());

	frame->removeView(view, false);
	EXPECT_EQ(listener.removedCalls, 2);
	view->unregisterViewListener(&listener);
	view->forget();
}

} // namespace
} // namespace Kavrin::Test
