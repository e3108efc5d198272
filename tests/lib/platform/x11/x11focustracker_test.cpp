#include "lib/platform/x11/x11focustracker.h"

#include <gtest/gtest.h>

namespace Kavrin::Test {
namespace {

using Tracker = X11FocusTracker;

// Each step is one focus event on the window, and whether the focus is
// inside afterwards.
TEST(X11FocusTrackerTest, FollowsTheFocusIntoAndOutOfTheWindow)
{
	struct Step
	{
		const char* what;
		bool focusIn;
		uint8 detail;
		uint8 mode;
		bool insideAfter;
		bool changed;
	};
	const Step steps[] = {
	    {"the window gets the focus", true, Tracker::kNonlinear, Tracker::kNormal, true, true},
	    {"it passes to a child window", false, Tracker::kInferior, Tracker::kNormal, true, false},
	    {"the window hears it pass through", true, Tracker::kVirtual, Tracker::kNormal, true, false},
	    {"a menu grabs the keyboard", false, Tracker::kNonlinear, Tracker::kGrab, true, false},
	    {"the grab ends", true, Tracker::kNonlinear, Tracker::kUngrab, true, false},
	    {"the pointer's window is told", false, Tracker::kPointer, Tracker::kNormal, true, false},
	    {"another window takes it", false, Tracker::kNonlinearVirtual, Tracker::kNormal, false, true},
	    {"focus follows the pointer root", true, Tracker::kPointerRoot, Tracker::kNormal, false, false},
	    {"an ancestor gives it back", true, Tracker::kAncestor, Tracker::kWhileGrabbed, true, true},
	    {"it moves to an ancestor", false, Tracker::kAncestor, Tracker::kNormal, false, true},
	};
	Tracker tracker;
	for (const auto& step : steps)
	{
		EXPECT_EQ(tracker.focusEvent(step.focusIn, step.detail, step.mode), step.changed) << step.what;
		EXPECT_EQ(tracker.isInside(), step.insideAfter) << step.what;
	}
}

TEST(X11MapTrackerTest, AMapAfterAnUnmapComesBack)
{
	X11MapTracker tracker;
	EXPECT_FALSE(tracker.mapEvent(true)) << "the first map";
	EXPECT_FALSE(tracker.mapEvent(false));
	EXPECT_FALSE(tracker.mapEvent(false));
	EXPECT_TRUE(tracker.mapEvent(true)) << "shown again";
	EXPECT_FALSE(tracker.mapEvent(true)) << "only once";
}

} // namespace
} // namespace Kavrin::Test
