// The platform's input method against a real one (fcitx5 with Anthy, on a
// private Xvfb): keys pressed through XTEST go to it while a client has
// the focus, and what it composes, commits and sends back reaches that
// client. The parts that depend on no server are checked on their own.

#include "lib/platform/x11/x11inputmethod.h"
#include "tests/support/inputmethodserver.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb-imdkit/ximproto.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

// What the input method did to one window's editor.
class RecordingClient : public X11InputMethod::Client
{
public:
	void inputMethodCommit(std::string_view utf8) override { commits.emplace_back(utf8); }
	void inputMethodPreedit(std::string_view utf8, int32 caretByte) override
	{
		preedits.emplace_back(utf8);
		ASSERT_GE(caretByte, 0);
		ASSERT_LE(size_t(caretByte), utf8.size());
	}
	void inputMethodKey(const xcb_key_press_event_t& event) override { usualPath(event); }

	// A key that goes the way keys go without an input method.
	void usualPath(const xcb_key_press_event_t& event)
	{
		if ((event.response_type & 0x7F) == XCB_KEY_PRESS)
			keys.push_back(event.detail);
	}
	std::string lastPreedit() const { return preedits.empty() ? std::string() : preedits.back(); }
	// What happened, for failure messages.
	std::string trace() const
	{
		std::string text = "preedits:";
		for (const auto& preedit : preedits)
			text += " [" + preedit + "]";
		text += " commits:";
		for (const auto& commit : commits)
			text += " [" + commit + "]";
		text += " keys:";
		for (uint8 key : keys)
			text += " " + std::to_string(key);
		return text;
	}

	std::vector<std::string> commits;
	std::vector<std::string> preedits;
	std::vector<uint8> keys; // the presses, by keycode
};

// Key events of windows that are no frame's reach the platform's handler
// for other windows: there they take the path a frame gives them.
class InputMethodFixture : public X11WindowTest
{
protected:
	// The XMODIFIERS the platform starts with (null: none).
	virtual const char* modifiers() const = 0;

	void SetUp() override
	{
		if (modifiers())
			::setenv("XMODIFIERS", modifiers(), 1);
		else
			::unsetenv("XMODIFIERS");
		X11WindowTest::SetUp();
		::unsetenv("XMODIFIERS");
		inputMethod = platform->getInputMethod();
		listenToKeys(parent);
		platform->setOtherWindowEventHandler([this](const xcb_generic_event_t* event) {
			const uint8 type = event->response_type & 0x7F;
			if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
				return;
			auto key = reinterpret_cast<const xcb_key_press_event_t*>(event);
			if (inputMethod && inputMethod->forwardKey(*key))
				return;
			if (RecordingClient* client = clientOf(key->event))
				client->usualPath(*key);
		});
		focusWindow(parent);
	}

	void TearDown() override
	{
		if (platform)
			platform->setOtherWindowEventHandler(nullptr);
		X11WindowTest::TearDown();
	}

	void listenToKeys(xcb_window_t window)
	{
		const uint32 mask[] = {XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
		xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, mask);
	}

	// The window gets the keyboard focus, and the client its keys.
	void focusWindow(xcb_window_t window)
	{
		xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
		xcb_flush(connection);
		focused = window;
	}

	RecordingClient* clientOf(xcb_window_t window)
	{
		if (window == parent)
			return &client;
		if (window == second)
			return &secondClient;
		return nullptr;
	}

	// Taps each key (by its unshifted keysym) through XTEST.
	void type(std::initializer_list<xcb_keysym_t> keysyms)
	{
		for (xcb_keysym_t keysym : keysyms)
		{
			uint8 keycode = keycodeOf(keysym);
			ASSERT_NE(keycode, 0) << "no key gives keysym 0x" << std::hex << keysym;
			fake(XCB_KEY_PRESS, keycode);
			fake(XCB_KEY_RELEASE, keycode);
		}
	}

	X11InputMethod* inputMethod {nullptr};
	RecordingClient client;
	RecordingClient secondClient;
	xcb_window_t second {XCB_NONE};
	xcb_window_t focused {XCB_NONE};
};

class X11InputMethodTest : public WithInputMethodServer<InputMethodFixture>
{
protected:
	const char* modifiers() const override { return "@im=fcitx"; }

	void SetUp() override
	{
		ASSERT_TRUE(imServer->start()) << "fcitx5 did not start";
		InputMethodFixture::SetUp();
		ASSERT_TRUE(inputMethod);
		ASSERT_TRUE(pumpUntil([&] { return inputMethod->isReady(); })) << "the input method did not answer";
	}

	// Focuses the window's client and waits until its context exists: the
	// first key after that goes to the input method.
	void focusIn(xcb_window_t window, RecordingClient& recording)
	{
		inputMethod->focusIn(window, &recording);
		ASSERT_TRUE(pumpUntil([&] { return inputMethod->takesKeysOf(window); }));
	}
};

// "nihongo" is composed in the editor as かな, a space turns it into
// kanji, still composed, and Return commits it: the composed text is gone
// and the commit is all that stays.
TEST_F(X11InputMethodTest, ComposedTextIsShownThenReplacedByTheCommit)
{
	focusIn(parent, client);
	type({XKB_KEY_n, XKB_KEY_i, XKB_KEY_h, XKB_KEY_o, XKB_KEY_n, XKB_KEY_g, XKB_KEY_o});
	ASSERT_TRUE(pumpUntil([&] { return client.lastPreedit() == "にほんご"; })) << client.trace();
	EXPECT_TRUE(client.commits.empty());
	type({XKB_KEY_space});
	ASSERT_TRUE(pumpUntil([&] { return client.lastPreedit() == "日本語"; })) << client.trace();
	type({XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return !client.commits.empty(); })) << client.trace();
	pump(50);
	EXPECT_EQ(client.commits, std::vector<std::string>({"日本語"}));
	EXPECT_EQ(client.lastPreedit(), "");
	// Every press was the input method's.
	EXPECT_TRUE(client.keys.empty());
}

// Keys the input method has no use for come back and go the usual way, in
// order; keys of a window without a focused client never go to it.
TEST_F(X11InputMethodTest, KeysTheInputMethodDoesNotTakeGoTheUsualWay)
{
	type({XKB_KEY_a});
	ASSERT_TRUE(pumpUntil([&] { return client.keys.size() == 1; })) << client.trace();
	EXPECT_EQ(client.keys.back(), keycodeOf(XKB_KEY_a));
	EXPECT_TRUE(client.preedits.empty());
	client.keys.clear();

	focusIn(parent, client);
	type({XKB_KEY_BackSpace, XKB_KEY_Left, XKB_KEY_Return, XKB_KEY_Delete});
	ASSERT_TRUE(pumpUntil([&] { return client.keys.size() == 4; })) << client.trace();
	EXPECT_EQ(client.keys, std::vector<uint8>({keycodeOf(XKB_KEY_BackSpace), keycodeOf(XKB_KEY_Left),
	                                           keycodeOf(XKB_KEY_Return), keycodeOf(XKB_KEY_Delete)}));
	EXPECT_TRUE(client.commits.empty());
}

// What was being composed when the editor lost the focus is dropped: it
// neither reaches the editor later nor prefixes the next commit.
TEST_F(X11InputMethodTest, LosingTheFocusDropsTheComposition)
{
	focusIn(parent, client);
	type({XKB_KEY_k, XKB_KEY_a});
	ASSERT_TRUE(pumpUntil([&] { return client.lastPreedit() == "か"; })) << client.trace();
	inputMethod->focusOut(parent);
	// Whatever the server sends for the lost focus arrives before the
	// next focus.
	pump(500);
	client = RecordingClient();
	focusIn(parent, client);
	type({XKB_KEY_i, XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return !client.commits.empty(); })) << client.trace();
	pump(50);
	EXPECT_EQ(client.commits, std::vector<std::string>({"い"}));
}

// Two windows, each with its own context: a commit reaches the window
// that had the focus when it was typed.
TEST_F(X11InputMethodTest, EachWindowHasItsOwnContext)
{
	second = xcb_generate_id(connection);
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, second, root, 0, 250, 100, 100, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
	xcb_map_window(connection, second);
	listenToKeys(second);

	focusIn(parent, client);
	type({XKB_KEY_a, XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return !client.commits.empty(); })) << client.trace();
	inputMethod->focusOut(parent);

	focusWindow(second);
	focusIn(second, secondClient);
	type({XKB_KEY_i, XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return !secondClient.commits.empty(); })) << secondClient.trace();
	pump(50);
	EXPECT_EQ(client.commits, std::vector<std::string>({"あ"}));
	EXPECT_EQ(secondClient.commits, std::vector<std::string>({"い"}));

	// A window that goes away takes its context along; the others go on.
	inputMethod->removeWindow(second);
	xcb_destroy_window(connection, second);
	focusWindow(parent);
	focusIn(parent, client);
	type({XKB_KEY_u, XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return client.commits.size() == 2; })) << client.trace();
	EXPECT_EQ(client.commits.back(), "う");
}

// When the input method goes away, keys go the usual way at once; when it
// comes back, the focused client's context is made again by itself.
TEST_F(X11InputMethodTest, KeysKeepTypingWhileTheInputMethodIsAway)
{
	focusIn(parent, client);
	imServer->stop();
	ASSERT_TRUE(pumpUntil([&] { return !inputMethod->isReady(); }));
	type({XKB_KEY_a, XKB_KEY_b});
	ASSERT_TRUE(pumpUntil([&] { return client.keys.size() == 2; })) << client.trace();
	EXPECT_TRUE(client.preedits.empty());
	client.keys.clear();

	ASSERT_TRUE(imServer->start());
	ASSERT_TRUE(pumpUntil([&] { return inputMethod->isReady(); }));
	focusIn(parent, client);
	type({XKB_KEY_a, XKB_KEY_Return});
	ASSERT_TRUE(pumpUntil([&] { return !client.commits.empty(); })) << client.trace();
	EXPECT_EQ(client.commits, std::vector<std::string>({"あ"}));
}

// Without XMODIFIERS there is no input method at all; one that names a
// server that is not running costs a connection that never answers, and
// every key goes the usual way without waiting.
class X11AbsentInputMethodTest : public InputMethodFixture,
                                 public ::testing::WithParamInterface<const char*>
{
protected:
	const char* modifiers() const override { return GetParam(); }
};

TEST_P(X11AbsentInputMethodTest, KeysGoTheUsualWay)
{
	if (!GetParam() || X11InputMethod::serverNameFromModifiers(GetParam()).empty())
	{
		EXPECT_EQ(inputMethod, nullptr);
		return;
	}
	ASSERT_NE(inputMethod, nullptr);
	inputMethod->focusIn(parent, &client);
	pump(100);
	EXPECT_FALSE(inputMethod->isReady());
	auto start = std::chrono::steady_clock::now();
	type({XKB_KEY_a});
	ASSERT_TRUE(pumpUntil([&] { return client.keys.size() == 1; })) << client.trace();
	EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
	inputMethod->focusOut(parent);
}

INSTANTIATE_TEST_SUITE_P(Modifiers, X11AbsentInputMethodTest,
                         ::testing::Values(nullptr, "@im=none", "@im=", "@im=nobody-runs-this"));

// ---- Without a server ----

TEST(X11InputMethodText, ServerNamesComeFromXModifiers)
{
	struct Case
	{
		const char* modifiers;
		std::string name;
	} cases[] = {
	    {nullptr, ""},
	    {"", ""},
	    {"@im=fcitx", "fcitx"},
	    {"@im=ibus", "ibus"},
	    {"@im=none", ""},
	    {"@im=", ""},
	    {"@im=kinput2@foo=bar", "kinput2"},
	    {"@foo=bar@im=xim", "xim"},
	    {"im=fcitx", ""},
	};
	for (const auto& c : cases)
		EXPECT_EQ(X11InputMethod::serverNameFromModifiers(c.modifiers), c.name)
		    << (c.modifiers ? c.modifiers : "(null)");
}

TEST(X11InputMethodText, TheEditorsPreferredStyleIsChosen)
{
	const uint32 onTheSpot = XCB_IM_PreeditCallbacks | XCB_IM_StatusNothing;
	const uint32 onTheSpotWithStatus = XCB_IM_PreeditCallbacks | XCB_IM_StatusCallbacks;
	const uint32 overTheSpot = XCB_IM_PreeditPosition | XCB_IM_StatusNothing;
	const uint32 overTheSpotInArea = XCB_IM_PreeditPosition | XCB_IM_StatusArea;
	const uint32 root = XCB_IM_PreeditNothing | XCB_IM_StatusNothing;
	const uint32 offTheSpot = XCB_IM_PreeditArea | XCB_IM_StatusArea;
	struct Case
	{
		const char* what;
		std::vector<uint32> offered;
		uint32 chosen;
	} cases[] = {
	    {"fcitx5 on the spot", {overTheSpot, onTheSpot, root, 0x204, 0x202, 0x208}, onTheSpot},
	    {"fcitx5 over the spot", {overTheSpotInArea, overTheSpot, 0x804, root, 0x808}, overTheSpot},
	    {"status through callbacks only", {onTheSpotWithStatus, root}, onTheSpotWithStatus},
	    {"root window", {root, offTheSpot}, root},
	    {"areas of the window only", {offTheSpot, overTheSpotInArea}, 0},
	    {"nothing", {}, 0},
	};
	for (const auto& c : cases)
		EXPECT_EQ(X11InputMethod::chooseStyle(c.offered), c.chosen) << c.what;
}

TEST(X11InputMethodText, PreeditDrawsReplaceCharactersNotBytes)
{
	struct Case
	{
		const char* what;
		std::string preedit;
		uint32 first;
		uint32 length;
		std::string replacement;
		std::string result;
	} cases[] = {
	    {"first draw", "", 0, 0, "にh", "にh"},
	    {"replace the end", "にh", 1, 1, "ほ", "にほ"},
	    {"replace all", "にほんご", 0, 4, "日本語", "日本語"},
	    {"erase", "日本語", 0, 3, "", ""},
	    {"insert in the middle", "ab", 1, 0, "é", "aéb"},
	    {"range past the end", "ab", 1, 100, "c", "ac"},
	    {"start past the end", "ab", 7, 3, "c", "abc"},
	    {"largest values", "ab", UINT32_MAX, UINT32_MAX, "c", "abc"},
	    {"broken replacement", "a", 1, 0, "\xE3\x81", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
	};
	for (const auto& c : cases)
		EXPECT_EQ(X11InputMethod::applyPreeditDraw(c.preedit, c.first, c.length, c.replacement), c.result)
		    << c.what;
	EXPECT_EQ(X11InputMethod::byteOffsetOfCharacter("にほ", 1), 3u);
	EXPECT_EQ(X11InputMethod::byteOffsetOfCharacter("にほ", 9), 6u);
}

} // namespace
} // namespace Kavrin::Test
