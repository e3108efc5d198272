// A frame in a real X11 window on a private Xvfb server, driven by real
// input through XTEST.

#include "lib/platform/iplatformframe.h"
#include "lib/platform/x11/x11platform.h"
#include "tests/support/recording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <string>

namespace Kavrin::Test {
namespace {

using X11FrameTest = X11WindowTest;

TEST_F(X11FrameTest, ClickReachesTheViewAtItsLocalPoint)
{
	auto view = new RecordingView(CRect(100, 50, 200, 150));
	std::vector<std::pair<CPoint, CButtonState>> presses;
	view->onDown = [&](CPoint& where, const CButtonState& buttons) {
		presses.emplace_back(where, buttons);
		return kMouseHandled;
	};
	frame->addView(view);
	open();

	click(150, 100);
	ASSERT_TRUE(pumpUntil([&] { return !view->events.empty() && view->events.back() == "up"; }));
	ASSERT_EQ(presses.size(), 1u);
	EXPECT_EQ(presses[0].first, CPoint(150, 100)) << "in the view's parent's coordinates";
	EXPECT_EQ(presses[0].second, CButtonState(kLeftButton));
}

TEST_F(X11FrameTest, SecondClickCarriesDoubleClick)
{
	std::vector<CButtonState> presses;
	auto view = new RecordingView(CRect(0, 0, 300, 200));
	view->onDown = [&](CPoint&, const CButtonState& buttons) {
		presses.push_back(buttons);
		return kMouseHandled;
	};
	frame->addView(view);
	open();

	click(20, 20);
	click(20, 20);
	ASSERT_TRUE(pumpUntil([&] { return presses.size() >= 2; }));
	EXPECT_FALSE(presses[0].isDoubleClick());
	EXPECT_TRUE(presses[1].isDoubleClick());
	EXPECT_TRUE(presses[1].isLeftButton());
}

TEST_F(X11FrameTest, WheelArrivesPerAxis)
{
	auto view = new RecordingView(CRect(0, 0, 300, 200));
	view->wheelResult = true;
	frame->addView(view);
	open();

	fake(XCB_MOTION_NOTIFY, 0, 50, 50);
	fake(XCB_BUTTON_PRESS, 4);
	fake(XCB_BUTTON_RELEASE, 4);
	ASSERT_TRUE(pumpUntil([&] { return !view->events.empty() && view->events.back() == "wheel"; }));
	EXPECT_FLOAT_EQ(view->lastWheelDistance, 1.f);
}

TEST_F(X11FrameTest, InvalidatedPixelsReachTheWindow)
{
	frame->setBackgroundColor(CColor(255, 0, 0));
	open();
	ASSERT_TRUE(pumpUntil([&] { return windowPixel(static_cast<xcb_window_t>(
	                                                   reinterpret_cast<uintptr_t>(
	                                                       frame->getPlatformFrame()->getPlatformRepresentation())),
	                                               10, 10) == 0xFF0000; }));

	frame->setBackgroundColor(CColor(0, 0, 255));
	frame->invalid();
	auto window = static_cast<xcb_window_t>(
	    reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	EXPECT_TRUE(pumpUntil([&] { return windowPixel(window, 10, 10) == 0x0000FF; }));
}

TEST_F(X11FrameTest, ClosingTheFrameDestroysItsWindow)
{
	open();
	auto window = static_cast<xcb_window_t>(
	    reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	std::exchange(frame, nullptr)->close();
	pump(50);
	auto reply = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
	EXPECT_EQ(reply, nullptr) << "the window is gone";
	std::free(reply);
}

// Records the enter and exit notifications the frame's tracking sends.
class TrackingView : public RecordingView
{
public:
	using RecordingView::RecordingView;
	CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override
	{
		log->push_back(name + " entered");
		return RecordingView::onMouseEntered(where, buttons);
	}
	CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override
	{
		log->push_back(name + " exited");
		return RecordingView::onMouseExited(where, buttons);
	}
};

TEST_F(X11FrameTest, EnterAndExitPairUpAsThePointerCrossesViewsAndTheWindow)
{
	EventLog log;
	frame->addView(new TrackingView(CRect(0, 0, 150, 200), "left", &log));
	frame->addView(new TrackingView(CRect(150, 0, 300, 200), "right", &log));
	fake(XCB_MOTION_NOTIFY, 0, 400, 300); // outside the window
	open();
	auto onlyTracking = [&] {
		EventLog tracking;
		for (const auto& entry : log)
			if (entry.find("entered") != std::string::npos || entry.find("exited") != std::string::npos)
				tracking.push_back(entry);
		return tracking;
	};
	for (auto [x, y] : {std::pair<int16, int16> {50, 100}, {60, 110}, {200, 100}, {400, 300}})
	{
		fake(XCB_MOTION_NOTIFY, 0, x, y);
		pump(60);
	}
	EXPECT_EQ(onlyTracking(), (EventLog {"left entered", "left exited", "right entered", "right exited"}));
}

// Closes the frame from inside its own press, as a "close editor" button
// would.
TEST_F(X11FrameTest, AFrameClosedInsideItsOwnPressGoesQuietly)
{
	auto view = new RecordingView(CRect(0, 0, 300, 200));
	bool closed = false;
	view->onDown = [&](CPoint&, const CButtonState&) {
		closed = true;
		std::exchange(frame, nullptr)->close();
		return kMouseHandled;
	};
	frame->addView(view);
	open();
	auto window = xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	click(100, 100);
	ASSERT_TRUE(pumpUntil([&] { return closed; }));
	// The release and anything later find no frame to reach.
	click(120, 100);
	pump(100);
	auto reply = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
	EXPECT_EQ(reply, nullptr) << "the window is gone";
	std::free(reply);
}

} // namespace
} // namespace Kavrin::Test

namespace Kavrin::Test {
namespace {

TEST_F(X11FrameTest, TwoFramesWorkSideBySide)
{
	auto left = new RecordingView(CRect(0, 0, 150, 200));
	frame->addView(left);
	frame->setSize(150, 200);
	open();
	auto second = new CFrame(CRect(150, 0, 300, 200));
	auto right = new RecordingView(CRect(0, 0, 150, 200));
	second->addView(right);
	ASSERT_TRUE(second->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	pump(200);

	click(200, 100);
	ASSERT_TRUE(pumpUntil([&] { return !right->events.empty() && right->events.back() == "up"; }));
	EXPECT_EQ(right->lastPoint, CPoint(50, 100));
	click(50, 100);
	ASSERT_TRUE(pumpUntil([&] { return !left->events.empty() && left->events.back() == "up"; }));
	second->close();
	click(60, 100);
	EXPECT_TRUE(pumpUntil([&] { return left->events.size() >= 4; })) << "the first frame still works";
}

} // namespace
} // namespace Kavrin::Test

namespace Kavrin::Test {
namespace {

void setResources(xcb_connection_t* connection, xcb_window_t root, const std::string& resources)
{
	if (resources.empty())
		xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
	else
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
		                    uint32(resources.size()), resources.data());
	xcb_flush(connection);
}

TEST_F(X11FrameTest, XftDpiOf192GivesScaleTwoWithDoubledPixels)
{
	setResources(connection, root, "Xft.antialias:\t1\nXft.dpi:\t192\n");
	auto scaled = X11Platform::create(server->display.c_str());
	ASSERT_TRUE(scaled);
	EXPECT_EQ(scaled->getScaleFactor(), 2.);
	setPlatform(scaled);

	// The host's window grows with the desktop's scale too.
	const uint32 doubled[] = {600, 400};
	xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, doubled);
	xcb_flush(connection);
	frame->setBackgroundColor(CColor(255, 0, 0));
	auto view = new RecordingView(CRect(100, 50, 200, 150));
	frame->addView(view);
	ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	EXPECT_EQ(frame->getScaleFactor(), 2.);
	auto window = static_cast<xcb_window_t>(
	    reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	auto loop = static_cast<DefaultRunLoop*>(scaled->getRunLoop());
	auto pumpScaled = [&](auto condition) {
		for (int i = 0; i < 400 && !condition(); ++i)
			loop->runOnce(5);
		return condition();
	};
	// The window is 600 x 400 device pixels, all of it painted.
	EXPECT_TRUE(pumpScaled([&] { return windowPixel(window, 595, 395) == 0xFF0000; }));

	// A click at device pixel (300, 200) is logical (150, 100).
	xcb_test_fake_input(scaled->getConnection(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, 300, 200, 0);
	xcb_test_fake_input(scaled->getConnection(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
	xcb_test_fake_input(scaled->getConnection(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
	xcb_flush(scaled->getConnection());
	ASSERT_TRUE(pumpScaled([&] { return !view->events.empty() && view->events.back() == "up"; }));
	EXPECT_EQ(view->lastPoint, CPoint(150, 100));

	std::exchange(frame, nullptr)->close();
	setResources(connection, root, "");
	setPlatform(platform);
}

} // namespace
} // namespace Kavrin::Test
