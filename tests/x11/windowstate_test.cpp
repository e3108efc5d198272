// How a frame's window follows its top-level window and an XEmbed embedder:
// keyboard focus, window activation, coming back from the dock.

#include "tests/support/recording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

// Records what the platform tells the frame about its window.
class WindowStateFrame : public CFrame
{
public:
	using CFrame::CFrame;
	void platformOnActivate(bool state) override
	{
		calls.push_back(state ? "activate" : "deactivate");
		CFrame::platformOnActivate(state);
	}
	void platformOnWindowActivate(bool state) override
	{
		calls.push_back(state ? "window active" : "window inactive");
		CFrame::platformOnWindowActivate(state);
	}
	void platformOnDeminiaturize() override
	{
		calls.push_back("deminiaturize");
		CFrame::platformOnDeminiaturize();
	}
	std::vector<std::string> calls;
};

constexpr uint32 kXEmbedEmbeddedNotify = 0;
constexpr uint32 kXEmbedWindowActivate = 1;
constexpr uint32 kXEmbedWindowDeactivate = 2;
constexpr uint32 kXEmbedRequestFocus = 3;
constexpr uint32 kXEmbedFocusIn = 4;
constexpr uint32 kXEmbedFocusOut = 5;

class X11WindowStateTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		frame->forget();
		frame = recorder = new WindowStateFrame(CRect(0, 0, 300, 200));
		frame->addView(new RecordingControl(CRect(0, 0, 300, 200)));
	}

	xcb_window_t frameWindow() const
	{
		return xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}

	void focus(xcb_window_t window)
	{
		xcb_set_input_focus(connection, XCB_INPUT_FOCUS_NONE, window, XCB_CURRENT_TIME);
		xcb_flush(connection);
	}

	// Sends an XEmbed message to the frame's window, as an embedder does.
	void sendXEmbed(uint32 message, uint32 detail = 0, uint32 data1 = 0)
	{
		xcb_client_message_event_t event {};
		event.response_type = XCB_CLIENT_MESSAGE;
		event.format = 32;
		event.window = frameWindow();
		event.type = platform->internAtom("_XEMBED");
		event.data.data32[0] = XCB_CURRENT_TIME;
		event.data.data32[1] = message;
		event.data.data32[2] = detail;
		event.data.data32[3] = data1;
		xcb_send_event(connection, 0, frameWindow(), XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
		xcb_flush(connection);
	}

	bool lastCallIs(const std::string& call)
	{
		return pumpUntil([&] { return !recorder->calls.empty() && recorder->calls.back() == call; });
	}

	WindowStateFrame* recorder {nullptr};
};

TEST_F(X11WindowStateTest, WindowActivationFollowsTheFocusOfTheTopLevel)
{
	open();
	recorder->calls.clear();
	focus(parent);
	EXPECT_TRUE(lastCallIs("window active"));
	// Focus moving down into the frame keeps the window active and
	// activates the frame.
	focus(frameWindow());
	EXPECT_TRUE(lastCallIs("activate"));
	focus(root);
	EXPECT_TRUE(lastCallIs("window inactive"));
	EXPECT_FALSE(frame->isActive());
	EXPECT_EQ(recorder->calls,
	          (std::vector<std::string> {"window active", "activate", "deactivate", "window inactive"}));
}

TEST_F(X11WindowStateTest, AFrameOpenedInAFocusedWindowStartsActive)
{
	focus(parent);
	pump(50);
	open();
	EXPECT_TRUE(lastCallIs("window active"));
}

TEST_F(X11WindowStateTest, TheTopLevelShownAgainDeminiaturizes)
{
	open();
	xcb_unmap_window(connection, parent);
	xcb_flush(connection);
	pump(100);
	EXPECT_TRUE(recorder->calls.empty() || recorder->calls.back() != "deminiaturize");
	xcb_map_window(connection, parent);
	xcb_flush(connection);
	EXPECT_TRUE(lastCallIs("deminiaturize"));
}

TEST_F(X11WindowStateTest, TheWindowAnnouncesXEmbedAndHonoursItsFocusMessages)
{
	open();
	auto info = xcb_get_property_reply(
	    connection,
	    xcb_get_property(connection, 0, frameWindow(), platform->internAtom("_XEMBED_INFO"), XCB_ATOM_ANY, 0, 2),
	    nullptr);
	ASSERT_TRUE(info);
	ASSERT_EQ(xcb_get_property_value_length(info), 8);
	auto words = static_cast<const uint32*>(xcb_get_property_value(info));
	EXPECT_EQ(words[0], 0u) << "version";
	EXPECT_EQ(words[1], 1u) << "mapped";
	std::free(info);

	recorder->calls.clear();
	sendXEmbed(kXEmbedWindowActivate);
	EXPECT_TRUE(lastCallIs("window active"));
	sendXEmbed(kXEmbedFocusIn, 1 /* first */);
	EXPECT_TRUE(lastCallIs("activate"));
	EXPECT_TRUE(frame->isActive());
	sendXEmbed(kXEmbedFocusOut);
	EXPECT_TRUE(lastCallIs("deactivate"));
	sendXEmbed(kXEmbedWindowDeactivate);
	EXPECT_TRUE(lastCallIs("window inactive"));
	EXPECT_EQ(recorder->calls.size(), 4u);
}

TEST_F(X11WindowStateTest, AnEmbeddedWindowAsksItsEmbedderForTheFocus)
{
	std::vector<uint32> requests;
	platform->setOtherWindowEventHandler([&](const xcb_generic_event_t* event) {
		if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
			return;
		auto message = reinterpret_cast<const xcb_client_message_event_t*>(event);
		if (message->window == parent)
			requests.push_back(message->data.data32[1]);
	});
	open();
	sendXEmbed(kXEmbedEmbeddedNotify, 0, parent);
	pump(50);
	click(50, 50);
	ASSERT_TRUE(pumpUntil([&] { return !requests.empty(); }));
	EXPECT_EQ(requests.front(), kXEmbedRequestFocus);
	// The embedder keeps the X focus; it forwards the keys.
	auto focusReply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
	ASSERT_TRUE(focusReply);
	EXPECT_NE(focusReply->focus, frameWindow());
	std::free(focusReply);
	platform->setOtherWindowEventHandler(nullptr);
}

} // namespace
} // namespace Kavrin::Test
