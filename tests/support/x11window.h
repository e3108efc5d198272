#pragma once

// A private Xvfb server and a fixture for window tests: a frame in a real
// X11 window, driven by real input through XTEST.

#include "lib/cframe.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/x11/x11platform.h"
#include "tests/support/surfacepixels.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {

// What a window shows, as 0x00RRGGBB words row by row; empty when the
// server does not answer with a 32-bit image.
inline std::vector<uint32> windowWords(xcb_connection_t* connection, xcb_window_t window, uint16 width,
                                       uint16 height)
{
	std::vector<uint32> words;
	auto reply = xcb_get_image_reply(
	    connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, width, height, ~0u),
	    nullptr);
	if (!reply)
		return words;
	if (xcb_get_image_data_length(reply) == int(width) * height * 4)
	{
		auto data = reinterpret_cast<const uint32*>(xcb_get_image_data(reply));
		for (int i = 0; i < int(width) * height; ++i)
			words.push_back(data[i] & 0xFFFFFF);
	}
	std::free(reply);
	return words;
}

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

	// Sets the desktop's resources (Xft.dpi) that platforms created next
	// read their scale from; null removes them.
	void setDpi(const char* resources)
	{
		if (!resources)
			xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
		else
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING,
			                    8, uint32(std::strlen(resources)), resources);
		xcb_flush(connection);
	}

	// A platform of scale 1 or 2 (from Xft.dpi), copying with or without
	// shared memory, made the current one, with the parent sized for the
	// frame at that scale. Null when the server cannot give it.
	SharedPointer<X11Platform> makeScaledPlatform(double scale, bool sharedMemory)
	{
		setDpi(scale == 2. ? "Xft.dpi:\t192\n" : nullptr);
		auto scaled = X11Platform::create(server->display.c_str());
		if (!scaled || scaled->getScaleFactor() != scale)
			return nullptr;
		scaled->setUseSharedMemory(sharedMemory);
		if (scaled->canUseSharedMemory() != sharedMemory)
			return nullptr;
		setPlatform(scaled);
		const CRect size = frame->getViewSize();
		const uint32 pixels[] = {uint32(size.getWidth() * scale), uint32(size.getHeight() * scale)};
		xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, pixels);
		xcb_flush(connection);
		return scaled;
	}

	// Runs the loop of the platform until the frame's window shows the
	// expected words (a second at most); the differences left.
	size_t differencesOnceShown(X11Platform& windowPlatform, const std::vector<uint32>& expected, double scale = 1.)
	{
		auto window = xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
		const CRect size = frame->getViewSize();
		const auto width = uint16(size.getWidth() * scale);
		const auto height = uint16(size.getHeight() * scale);
		auto loop = static_cast<DefaultRunLoop*>(windowPlatform.getRunLoop());
		size_t differences = expected.size();
		for (int i = 0; i < 200 && differences; ++i)
		{
			loop->runOnce(5);
			differences = differingWords(windowWords(windowPlatform.getConnection(), window, width, height), expected);
		}
		return differences;
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
