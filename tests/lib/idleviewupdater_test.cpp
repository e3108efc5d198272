#include "tests/support/recording.h"

#include "lib/idleviewupdater.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using CViewInternal::IdleViewUpdater;

// Runs its hook on every idle call and then logs its name, so a view that
// left the tree (or lost its last owner) inside the hook is still touched.
class IdleView : public CView
{
public:
	IdleView(std::string name, EventLog& log, bool wantsIdle = true)
	    : CView(CRect(0, 0, 10, 10)), name(std::move(name)), log(log)
	{
		setWantsIdle(wantsIdle);
	}

	void onIdle() override
	{
		if (hook)
			hook();
		log.push_back(name);
	}

	std::string name;
	EventLog& log;
	std::function<void()> hook;
};

// An open frame on a headless platform; nothing is registered for idle
// when the test begins, and nothing may be when it ends.
class IdleTest : public ::testing::Test
{
protected:
	IdleTest()
	{
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 200, 200));
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	}
	~IdleTest() override
	{
		if (frame)
			frame->close();
		EXPECT_EQ(platform->getRunningTimerCount(), 0u) << "the updater outlived its views";
		setPlatform(nullptr);
	}

	IdleView* addIdleView(const std::string& name, CViewContainer* parentView = nullptr)
	{
		auto view = new IdleView(name, log);
		(parentView ? parentView : frame)->addView(view);
		return view;
	}

	// Advances by whole idle periods.
	void idle(uint32 periods = 1) { platform->advance(periods * CView::idleRate); }

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	int parent {0};
	CFrame* frame {nullptr};
	EventLog log;
};

TEST_F(IdleTest, AttachedViewsGetIdleEveryIdleRateInRegistrationOrder)
{
	ASSERT_GT(CView::idleRate, 1u);
	// Registration order differs from tree order: c joins the idle list last.
	auto c = new IdleView("c", log, false);
	frame->addView(c);
	addIdleView("a");
	auto container = new CViewContainer(CRect(0, 0, 100, 100));
	frame->addView(container);
	addIdleView("b", container);
	c->setWantsIdle(true);
	EXPECT_TRUE(IdleViewUpdater::isRegistered(c));
	EXPECT_EQ(platform->getRunningTimerCount(), 1u) << "one timer for all views";

	platform->advance(CView::idleRate - 1);
	EXPECT_THAT(log, IsEmpty());
	platform->advance(1);
	EXPECT_THAT(log, ElementsAre("a", "b", "c"));
	log.clear();
	idle(2);
	EXPECT_THAT(log, ElementsAre("a", "b", "c", "a", "b", "c"));
}

TEST_F(IdleTest, ViewWantingIdleIsCalledOnlyWhileAttached)
{
	SharedPointer<IdleView> view = owned(new IdleView("v", log));
	EXPECT_FALSE(IdleViewUpdater::isRegistered(view));
	idle(3);
	EXPECT_THAT(log, IsEmpty());
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);

	frame->addView(view);
	idle();
	EXPECT_THAT(log, ElementsAre("v"));
	frame->removeView(view, false);
	EXPECT_FALSE(IdleViewUpdater::isRegistered(view));
	idle(3);
	EXPECT_THAT(log, ElementsAre("v"));
	EXPECT_TRUE(view->wantsIdle()) << "leaving the tree does not change the wish";
}

// Views a, b and c are registered; b leaves in the given way between two
// ticks. When b is the only view, the updater and its timer go with it.
TEST_F(IdleTest, LeavingViewIsNotCalledAndTheLastOneTakesTheTimerWithIt)
{
	struct Case
	{
		const char* name;
		std::function<void(IdleView* view, CViewContainer* container)> leave;
	};
	const std::vector<Case> cases {
	    {"removed from its parent",
	     [](IdleView* view, CViewContainer* container) { container->removeView(view); }},
	    {"no longer wants idle",
	     [](IdleView* view, CViewContainer*) { view->setWantsIdle(false); }},
	    {"its parent is removed",
	     [this](IdleView*, CViewContainer* container) { frame->removeView(container); }},
	};
	for (const auto& c : cases)
	{
		for (bool alone : {false, true})
		{
			SCOPED_TRACE(std::string(c.name) + (alone ? ", alone" : ", among others"));
			log.clear();
			frame->removeAll();
			ASSERT_EQ(platform->getRunningTimerCount(), 0u);
			if (!alone)
				addIdleView("a");
			auto container = new CViewContainer(CRect(0, 0, 100, 100));
			frame->addView(container);
			auto b = addIdleView("b", container);
			if (!alone)
				addIdleView("c");
			idle();

			c.leave(b, container);
			EXPECT_EQ(platform->getRunningTimerCount(), alone ? 0u : 1u);
			idle(2);
			const EventLog expected =
			    alone ? EventLog {"b"} : EventLog {"a", "b", "c", "a", "c", "a", "c"};
			EXPECT_EQ(log, expected);
		}
	}
	frame->removeAll();
}

TEST_F(IdleTest, UpdaterComesBackForTheNextView)
{
	auto first = addIdleView("first");
	idle();
	first->setWantsIdle(false);
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	idle(2);

	addIdleView("second");
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	idle(2);
	first->setWantsIdle(true);
	idle();
	EXPECT_THAT(log, ElementsAre("first", "second", "second", "second", "first"));
}

// Views a, b and c, each called in turn; on the first tick the actor's hook
// makes a view (or several) leave the tree, which releases them.
TEST_F(IdleTest, ViewsMayLeaveTheTreeFromInsideOnIdle)
{
	struct Case
	{
		const char* name;
		int actor;
		std::vector<int> leaving;
		EventLog expected; // two ticks
	};
	const std::vector<Case> cases {
	    {"a view removes itself", 1, {1}, {"a", "b", "c", "a", "c"}},
	    {"a view removes a later one", 0, {2}, {"a", "b", "a", "b"}},
	    {"a view removes an earlier one", 2, {0}, {"a", "b", "c", "b", "c"}},
	    {"a view removes everyone", 1, {0, 1, 2}, {"a", "b"}},
	    {"the last view called removes everyone", 2, {2, 1, 0}, {"a", "b", "c"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		log.clear();
		std::vector<IdleView*> views {addIdleView("a"), addIdleView("b"), addIdleView("c")};
		bool acted = false;
		views[c.actor]->hook = [&]
		{
			if (std::exchange(acted, true))
				return;
			for (int index : c.leaving)
				frame->removeView(views[index]);
		};
		idle(2);
		EXPECT_EQ(log, c.expected);
		const bool allGone = c.leaving.size() == views.size();
		EXPECT_EQ(platform->getRunningTimerCount(), allGone ? 0u : 1u);
		frame->removeAll();
	}
}

TEST_F(IdleTest, ContainerRemovedFromInsideAChildsOnIdleTakesItsIdleViewsAlong)
{
	auto container = new CViewContainer(CRect(0, 0, 100, 100));
	frame->addView(container);
	auto inner = addIdleView("inner", container);
	addIdleView("sibling", container);
	addIdleView("outer");
	inner->hook = [&] { frame->removeView(container); };

	idle(2);
	EXPECT_THAT(log, ElementsAre("inner", "outer", "outer"));
}

// The view is held only by the tree; it drops out and its last reference
// goes while its own onIdle runs.
TEST_F(IdleTest, ViewReleasedInsideItsOwnOnIdleLivesUntilTheCallReturns)
{
	auto view = addIdleView("gone");
	addIdleView("stays");
	view->hook = [&]
	{
		frame->removeView(view);
		// Still usable here: the updater holds it for the tick.
		EXPECT_FALSE(view->isAttached());
		EXPECT_EQ(view->name, "gone");
	};
	idle(2);
	EXPECT_THAT(log, ElementsAre("gone", "stays", "stays"));
}

TEST_F(IdleTest, ClosingTheFrameFromInsideOnIdleEndsIdleCalls)
{
	auto first = addIdleView("first");
	addIdleView("second");
	first->hook = [&]
	{
		frame->close();
		frame = nullptr;
	};
	idle(3);
	EXPECT_THAT(log, ElementsAre("first"));
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
}

} // namespace
} // namespace Kavrin::Test

namespace Kavrin::Test {
namespace {

// A nested event loop inside onIdle fires the idle timer again; the inner
// fire must not end the updater under the outer one.
TEST_F(IdleTest, NestedFireInsideOnIdleKeepsTheOuterWalkSafe)
{
	auto first = addIdleView("first");
	auto second = addIdleView("second");
	bool nested = false;
	first->hook = [&] {
		if (nested)
			return;
		nested = true;
		frame->removeView(second);
		idle();
		frame->removeView(first);
	};
	idle();
	EXPECT_THAT(log, ElementsAre("first", "first"));
	EXPECT_FALSE(IdleViewUpdater::isRegistered(first));
}

} // namespace
} // namespace Kavrin::Test
