#pragma once

// A private Xvfb server and a fixture for window tests: a frame in a real
// X11 window, driven by real input through XTEST.

#include "lib/cframe.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/x11/x11platform.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace Kavrin::Test {

// A frame of 300 x 200 over a parent window of the same size at the
// origin of a private server's screen, with helpers to send input and read
// pixels back.
class X11WindowTest : public ::testing::Test
{
protected:
	static void SetUpTestSuite() { server = new XvfbServer(); }
	static void TearDownTestSuite()
	{
		delete server;
		server = nullptr;
	}

	void SetUp() override
	{
		ASSERT_FALSE(server->display.empty()) << "Xvfb did not start";
		platform = X11Platform::create(server->display.c_str());
		ASSERT_TRUE(platform);
		setPlatform(platform);
		connection = platform->getConnection();
		root = platform->getScreen()->root;
		parent = xcb_generate_id(connection);
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, parent, root, 0, 0, 300, 200, 0,
		                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
		xcb_map_window(connection, parent);
		xcb_flush(connection);
	}

	void TearDown() override
	{
		if (frame)
			frame->close();
		if (platform)
		{
			xcb_destroy_window(connection, parent);
			xcb_flush(connection);
		}
		setPlatform(nullptr);
		platform = nullptr;
	}

	void open()
	{
		ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
		pump(300);
	}

	// Puts the frame's parent at a point of the screen.
	void moveParent(int16 x, int16 y)
	{
		const uint32 origin[] = {uint32(int32(x)), uint32(int32(y))};
		xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, origin);
	}

	// Runs the platform's loop for a while.
	void pump(int milliseconds)
	{
		auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
		auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
		while (std::chrono::steady_clock::now() < end)
			loop->runOnce(5);
	}

	// Runs the loop until the condition holds (two seconds at most). Other
	// clients of the test act after each turn, as separate programs would.
	template <typename Condition>
	bool pumpUntil(Condition condition, int milliseconds = 2000, const std::function<void()>& others = {})
	{
		auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
		auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
		while (!condition() && std::chrono::steady_clock::now() < end)
		{
			loop->runOnce(5);
			if (others)
				others();
		}
		return condition();
	}

	void fake(uint8 type, uint8 detail, int16 x = 0, int16 y = 0)
	{
		xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, root, x, y, 0);
		xcb_flush(connection);
	}

	void click(int16 x, int16 y)
	{
		fake(XCB_MOTION_NOTIFY, 0, x, y);
		fake(XCB_BUTTON_PRESS, 1);
		fake(XCB_BUTTON_RELEASE, 1);
	}

	// The first key code whose keysyms (one per level) pass the test,
	// searching from the highest code when fromTop; 0 when none does.
	template <typename Test>
	uint8 findKeycode(Test test, bool fromTop = false)
	{
		const xcb_setup_t* setup = xcb_get_setup(connection);
		const int count = setup->max_keycode - setup->min_keycode + 1;
		auto reply = xcb_get_keyboard_mapping_reply(
		    connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8(count)), nullptr);
		if (!reply)
			return 0;
		const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
		const int perKeycode = reply->keysyms_per_keycode;
		uint8 found = 0;
		for (int i = 0; i < count && !found; ++i)
		{
			int k = fromTop ? count - 1 - i : i;
			if (test(syms + k * perKeycode, perKeycode))
				found = uint8(setup->min_keycode + k);
		}
		std::free(reply);
		return found;
	}

	// The key code that produces the keysym unshifted (0 when none does).
	uint8 keycodeOf(xcb_keysym_t wanted)
	{
		return findKeycode([wanted](const xcb_keysym_t* syms, int) { return syms[0] == wanted; });
	}

	uint32 windowPixel(xcb_window_t window, int16 x, int16 y)
	{
		auto reply = xcb_get_image_reply(
		    connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr);
		if (!reply)
			return 0;
		uint32 pixel = 0;
		if (xcb_get_image_data_length(reply) >= 4)
			std::memcpy(&pixel, xcb_get_image_data(reply), 4);
		std::free(reply);
		return pixel & 0xFFFFFF;
	}

	static inline XvfbServer* server {nullptr};
	SharedPointer<X11Platform> platform;
	xcb_connection_t* connection {nullptr};
	xcb_window_t root {XCB_NONE};
	xcb_window_t parent {XCB_NONE};
	CFrame* frame {new CFrame(CRect(0, 0, 300, 200))};
};


} // namespace Kavrin::Test
