#include "tests/support/recording.h"

#include <gtest/gtest.h>

namespace Kavrin::Test {
namespace {

TEST(CViewContainerTest, PressOnTransparentChildFallsThroughToTheOneBelow)
{
	EventLog log;
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto below = new RecordingView(CRect(0, 0, 50, 50), "below", &log);
	auto glass = new RecordingView(CRect(0, 0, 50, 50), "glass", &log);
	glass->setTransparency(true);
	glass->downResult = kMouseNotHandled;
	frame->addView(below);
	frame->addView(glass);
	frame->attach();

	CPoint where(10, 10);
	EXPECT_EQ(frame->onMouseDown(where, kLeftButton), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"glass:down", "below:down"}));
	EXPECT_EQ(frame->getMouseDownView(), below);
	frame->removed(frame);
}

} // namespace
} // namespace Kavrin::Test
