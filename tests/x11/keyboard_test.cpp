// Key input of X11 frames: real key presses through XTEST on a private Xvfb,
// turned into key codes by the platform's keyboard.

#include "lib/platform/x11/x11input.h"
#include "lib/platform/x11/x11keyboard.h"
#include "tests/support/printers.h"
#include "tests/support/recording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace Kavrin::Test {
namespace {

using X11Input::kControlMask;
using X11Input::kLockMask;
using X11Input::kShiftMask;
constexpr uint16 kNumLockMask = 1 << 4; // Mod2, where Xvfb's keymap puts Num Lock

MoxKeyCode character(int32 c, uint8 modifier = 0)
{
	return {c, 0, modifier};
}

MoxKeyCode virtualKey(uint8 virt, uint8 modifier = 0)
{
	return {0, virt, modifier};
}

// Records the keys that reach it as the focus view, but not empty ones.
// With declineTab the frame gets Tab to move the focus.
class KeyView : public RecordingControl
{
public:
	using RecordingControl::RecordingControl;
	int32 onKeyDown(MoxKeyCode& code) override
	{
		if (code.character == 0 && code.virt == 0)
			return kKeyNotHandled;
		keys.push_back(code);
		return declineTab && code.virt == kVKeyTab ? kKeyNotHandled : kKeyHandled;
	}
	std::vector<MoxKeyCode> keys;
	bool declineTab {false};
};

// Every key that reaches it, pressed and released, whatever it holds.
struct KeyTrace
{
	std::vector<MoxKeyCode> downs;
	std::vector<MoxKeyCode> ups;
};

class TracingKeyView : public RecordingControl
{
public:
	using RecordingControl::RecordingControl;
	int32 onKeyDown(MoxKeyCode& code) override
	{
		trace.downs.push_back(code);
		return kKeyHandled;
	}
	int32 onKeyUp(MoxKeyCode& code) override
	{
		trace.ups.push_back(code);
		return kKeyHandled;
	}
	KeyTrace trace;
};

class TracingHook : public IKeyboardHook
{
public:
	int32 onKeyDown(const MoxKeyCode& code, CFrame*) override
	{
		trace.downs.push_back(code);
		return kKeyNotHandled;
	}
	int32 onKeyUp(const MoxKeyCode& code, CFrame*) override
	{
		trace.ups.push_back(code);
		return kKeyNotHandled;
	}
	KeyTrace trace;
};

// Keys pressed through XTEST; whatever is still down when the scope ends
// is released, so that a failing test leaves the keyboard as it found it.
class HeldKeys
{
public:
	explicit HeldKeys(xcb_connection_t* connection) : connection(connection) {}
	~HeldKeys()
	{
		while (!down.empty())
			release(down.back());
	}
	HeldKeys(const HeldKeys&) = delete;
	HeldKeys& operator=(const HeldKeys&) = delete;

	void press(uint8 keycode)
	{
		send(XCB_KEY_PRESS, keycode);
		down.push_back(keycode);
	}
	void release(uint8 keycode)
	{
		send(XCB_KEY_RELEASE, keycode);
		down.erase(std::find(down.begin(), down.end(), keycode));
	}
	void tap(uint8 keycode)
	{
		press(keycode);
		release(keycode);
	}

private:
	void send(uint8 type, uint8 keycode)
	{
		xcb_test_fake_input(connection, type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
		xcb_flush(connection);
	}

	xcb_connection_t* connection;
	std::vector<uint8> down;
};

// Sets a key's keysyms for a scope, then takes them away again.
class Remap
{
public:
	Remap(xcb_connection_t* connection, uint8 keycode, std::vector<xcb_keysym_t> keysyms)
	: connection(connection), keycode(keycode)
	{
		set(keysyms);
	}
	~Remap() { set({XKB_KEY_NoSymbol}); }

private:
	void set(const std::vector<xcb_keysym_t>& keysyms)
	{
		xcb_change_keyboard_mapping(connection, 1, keycode, uint8(keysyms.size()), keysyms.data());
		xcb_flush(connection);
	}

	xcb_connection_t* connection;
	uint8 keycode;
};

struct Disconnect
{
	void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

class X11KeyboardTest : public X11WindowTest
{
protected:
	// The frame open with a focused key view over all of it.
	KeyView* openWithKeyView()
	{
		auto view = new KeyView(CRect(0, 0, 300, 200));
		frame->addView(view);
		open();
		click(50, 50); // the press gives the frame the keyboard focus and the view the frame's
		EXPECT_TRUE(pumpUntil([&] { return frame->getFocusView() == view; }));
		return view;
	}

	uint8 key(xcb_keysym_t keysym)
	{
		uint8 keycode = keycodeOf(keysym);
		EXPECT_NE(keycode, 0) << "no key gives keysym 0x" << std::hex << keysym;
		return keycode;
	}

	struct KeyCase
	{
		const char* what;
		xcb_keysym_t key; // by its unshifted keysym
		std::vector<xcb_keysym_t> modifiers; // held around the key
		MoxKeyCode expected;
	};

	// Presses each case's key with its modifiers held; the view gets the
	// expected key code.
	void expectKeys(KeyView* view, const std::vector<KeyCase>& cases)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.what);
			HeldKeys held(connection);
			for (auto modifier : c.modifiers)
				held.press(key(modifier));
			size_t before = view->keys.size();
			held.tap(key(c.key));
			ASSERT_TRUE(pumpUntil([&] { return view->keys.size() > before; }));
			EXPECT_EQ(view->keys.back(), c.expected);
		}
	}

	// The modifier and button mask the server has now.
	uint16 serverState()
	{
		auto reply = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
		uint16 mask = reply ? reply->mask : 0;
		std::free(reply);
		return mask;
	}

	// A keycode no keysym is mapped to.
	uint8 spareKeycode()
	{
		return findKeycode(
		    [](const xcb_keysym_t* syms, int count) {
			    return std::all_of(syms, syms + count, [](xcb_keysym_t s) { return s == XKB_KEY_NoSymbol; });
		    },
		    true);
	}

	// Num Lock on for a scope: the guard locks it and unlocks it at the end.
	class NumLockOn
	{
	public:
		explicit NumLockOn(X11KeyboardTest& test) : test(test), held(test.connection)
		{
			if (!isOn())
				toggle();
		}
		~NumLockOn()
		{
			if (isOn())
				toggle();
		}
		bool isOn() { return test.serverState() & kNumLockMask; }

	private:
		// Taps Num Lock and waits for the server to have taken it.
		void toggle()
		{
			bool was = isOn();
			held.tap(test.keycodeOf(XKB_KEY_Num_Lock));
			auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
			while (isOn() == was && std::chrono::steady_clock::now() < end)
				continue;
		}

		X11KeyboardTest& test;
		HeldKeys held;
	};
};

TEST_F(X11KeyboardTest, KeysArriveAsCharactersAndVirtualKeys)
{
	KeyView* view = openWithKeyView();
	std::vector<KeyCase> cases = {
	    {"letter", XKB_KEY_a, {}, character('a')},
	    {"shifted letter stays lower-case", XKB_KEY_q, {XKB_KEY_Shift_L}, character('q', kModifierShift)},
	    {"right shift", XKB_KEY_z, {XKB_KEY_Shift_R}, character('z', kModifierShift)},
	    {"digit", XKB_KEY_7, {}, character('7')},
	    {"shifted digit gives its symbol", XKB_KEY_1, {XKB_KEY_Shift_L}, character('!', kModifierShift)},
	    {"punctuation", XKB_KEY_comma, {}, character(',')},
	    {"Return", XKB_KEY_Return, {}, virtualKey(kVKeyReturn)},
	    {"Escape", XKB_KEY_Escape, {}, virtualKey(kVKeyEscape)},
	    {"Tab", XKB_KEY_Tab, {}, virtualKey(kVKeyTab)},
	    {"Shift-Tab", XKB_KEY_Tab, {XKB_KEY_Shift_L}, virtualKey(kVKeyTab, kModifierShift)},
	    {"space", XKB_KEY_space, {}, virtualKey(kVKeySpace)},
	    {"BackSpace", XKB_KEY_BackSpace, {}, virtualKey(kVKeyBack)},
	    {"Delete", XKB_KEY_Delete, {}, virtualKey(kVKeyDelete)},
	    {"Insert", XKB_KEY_Insert, {}, virtualKey(kVKeyInsert)},
	    {"Home", XKB_KEY_Home, {}, virtualKey(kVKeyHome)},
	    {"End", XKB_KEY_End, {}, virtualKey(kVKeyEnd)},
	    {"Page Up", XKB_KEY_Page_Up, {}, virtualKey(kVKeyPageUp)},
	    {"Page Down", XKB_KEY_Page_Down, {}, virtualKey(kVKeyPageDown)},
	    {"Left", XKB_KEY_Left, {}, virtualKey(kVKeyLeft)},
	    {"Up", XKB_KEY_Up, {}, virtualKey(kVKeyUp)},
	    {"Right", XKB_KEY_Right, {}, virtualKey(kVKeyRight)},
	    {"Down", XKB_KEY_Down, {}, virtualKey(kVKeyDown)},
	    {"keypad Enter", XKB_KEY_KP_Enter, {}, virtualKey(kVKeyEnter)},
	    {"Control", XKB_KEY_c, {XKB_KEY_Control_L}, character('c', kModifierControl)},
	    {"Alt", XKB_KEY_x, {XKB_KEY_Alt_L}, character('x', kModifierAlternate)},
	    {"Super", XKB_KEY_s, {XKB_KEY_Super_L}, character('s', kModifierCommand)},
	    {"Control and Shift", XKB_KEY_Left, {XKB_KEY_Control_L, XKB_KEY_Shift_L},
	     virtualKey(kVKeyLeft, kModifierControl | kModifierShift)},
	    {"all four", XKB_KEY_F5, {XKB_KEY_Shift_L, XKB_KEY_Alt_L, XKB_KEY_Super_L, XKB_KEY_Control_L},
	     virtualKey(kVKeyF5, kModifierShift | kModifierAlternate | kModifierCommand | kModifierControl)},
	};
	for (uint8 i = 0; i < 12; ++i)
		cases.push_back({"function key", xcb_keysym_t(XKB_KEY_F1 + i), {}, virtualKey(uint8(kVKeyF1 + i))});
	expectKeys(view, cases);
}

// Xvfb's keypad gives the navigation keysyms (KP_Insert, KP_Left, ...)
// without Num Lock and the digits with it. Its keypad type only knows Num
// Lock: Shift alone does not give the digits, and Shift undoes Num Lock.
TEST_F(X11KeyboardTest, KeypadGivesNavigationKeysWithoutNumLockAndDigitsWithIt)
{
	KeyView* view = openWithKeyView();
	ASSERT_FALSE(serverState() & kNumLockMask);
	expectKeys(view, {
	                     {"0", XKB_KEY_KP_Insert, {}, virtualKey(kVKeyInsert)},
	                     {"1", XKB_KEY_KP_End, {}, virtualKey(kVKeyEnd)},
	                     {"4", XKB_KEY_KP_Left, {}, virtualKey(kVKeyLeft)},
	                     {"8", XKB_KEY_KP_Up, {}, virtualKey(kVKeyUp)},
	                     {"9", XKB_KEY_KP_Prior, {}, virtualKey(kVKeyPageUp)},
	                     {"decimal", XKB_KEY_KP_Delete, {}, virtualKey(kVKeyDelete)},
	                     {"Shift keeps the navigation key", XKB_KEY_KP_Left, {XKB_KEY_Shift_L},
	                      virtualKey(kVKeyLeft, kModifierShift)},
	                     {"Enter", XKB_KEY_KP_Enter, {}, virtualKey(kVKeyEnter)},
	                     {"add", XKB_KEY_KP_Add, {}, virtualKey(kVKeyAdd)},
	                 });

	NumLockOn numLock(*this);
	ASSERT_TRUE(numLock.isOn());
	const xcb_keysym_t digitKeys[] = {XKB_KEY_KP_Insert, XKB_KEY_KP_End,  XKB_KEY_KP_Down, XKB_KEY_KP_Next,
	                                  XKB_KEY_KP_Left,   XKB_KEY_KP_Begin, XKB_KEY_KP_Right, XKB_KEY_KP_Home,
	                                  XKB_KEY_KP_Up,     XKB_KEY_KP_Prior};
	std::vector<KeyCase> cases;
	for (uint8 digit = 0; digit < 10; ++digit)
		cases.push_back(
		    {"digit with Num Lock", digitKeys[digit], {}, virtualKey(uint8(kVKeyNumpad0 + digit))});
	cases.push_back({"decimal with Num Lock", XKB_KEY_KP_Delete, {}, virtualKey(kVKeyDecimal)});
	cases.push_back({"Shift undoes Num Lock", XKB_KEY_KP_Left, {XKB_KEY_Shift_L},
	                 virtualKey(kVKeyLeft, kModifierShift)});
	cases.push_back({"Enter with Num Lock", XKB_KEY_KP_Enter, {}, virtualKey(kVKeyEnter)});
	cases.push_back({"Num Lock is no modifier bit", XKB_KEY_a, {}, character('a')});
	expectKeys(view, cases);
}

// A modifier or lock key pressed and released alone is no key: neither the
// focus view nor a keyboard hook sees it, and what it holds arrives with the
// next key.
TEST_F(X11KeyboardTest, ModifierKeysAloneReachNoViewNorHook)
{
	auto view = new TracingKeyView(CRect(0, 0, 300, 200));
	frame->addView(view);
	TracingHook hook;
	frame->registerKeyboardHook(&hook);
	open();
	click(50, 50);
	ASSERT_TRUE(pumpUntil([&] { return frame->getFocusView() == view; }));

	// Each entry's keys go down in order and come up in reverse; the locks
	// go twice, to leave them as they were.
	const std::vector<std::vector<xcb_keysym_t>> alone = {
	    {XKB_KEY_Shift_L},
	    {XKB_KEY_Shift_R},
	    {XKB_KEY_Control_L},
	    {XKB_KEY_Control_R},
	    {XKB_KEY_Alt_L},
	    {XKB_KEY_Shift_L, XKB_KEY_Alt_L}, // Meta
	    {XKB_KEY_Super_L},
	    {XKB_KEY_ISO_Level3_Shift},
	    {XKB_KEY_Mode_switch},
	    {XKB_KEY_Control_L, XKB_KEY_Shift_L},
	    {XKB_KEY_Caps_Lock},
	    {XKB_KEY_Caps_Lock},
	    {XKB_KEY_Num_Lock},
	    {XKB_KEY_Num_Lock},
	};
	HeldKeys held(connection);
	for (const auto& keys : alone)
	{
		for (auto keysym : keys)
			held.press(key(keysym));
		for (auto keysym = keys.rbegin(); keysym != keys.rend(); ++keysym)
			held.release(key(*keysym));
	}
	held.press(key(XKB_KEY_Shift_L));
	held.tap(key(XKB_KEY_a));
	held.release(key(XKB_KEY_Shift_L));
	held.tap(key(XKB_KEY_b));
	ASSERT_TRUE(pumpUntil([&] { return !view->trace.ups.empty() && view->trace.ups.back() == character('b'); }));
	frame->unregisterKeyboardHook(&hook);

	const std::vector<MoxKeyCode> keys = {character('a', kModifierShift), character('b')};
	for (const KeyTrace* trace : {&view->trace, &hook.trace})
	{
		SCOPED_TRACE(trace == &hook.trace ? "hook" : "focus view");
		EXPECT_EQ(trace->downs, keys);
		EXPECT_EQ(trace->ups, keys);
	}
}

TEST_F(X11KeyboardTest, TabAndShiftTabMoveTheFocus)
{
	auto first = new KeyView(CRect(10, 10, 90, 90));
	auto second = new KeyView(CRect(110, 10, 190, 90));
	auto third = new KeyView(CRect(210, 10, 290, 90));
	for (auto view : {first, second, third})
	{
		view->declineTab = true;
		frame->addView(view);
	}
	open();
	click(50, 50);
	ASSERT_TRUE(pumpUntil([&] { return frame->getFocusView() == first; }));

	HeldKeys held(connection);
	held.tap(key(XKB_KEY_Tab));
	ASSERT_TRUE(pumpUntil([&] { return frame->getFocusView() == second; }));
	held.tap(key(XKB_KEY_Tab));
	ASSERT_TRUE(pumpUntil([&] { return frame->getFocusView() == third; }));
	held.press(key(XKB_KEY_Shift_L));
	held.tap(key(XKB_KEY_Tab));
	ASSERT_TRUE(pumpUntil([&] { return frame->getFocusView() == second; }));
	ASSERT_FALSE(third->keys.empty());
	EXPECT_EQ(third->keys.back(), virtualKey(kVKeyTab, kModifierShift)) << "the focus view saw it first";
}

// The keymap follows the server: a key given keysyms while the frame is
// open produces them.
TEST_F(X11KeyboardTest, RemappedKeyReachesTheView)
{
	KeyView* view = openWithKeyView();
	X11Keyboard& keyboard = platform->getKeyboard();
	ASSERT_TRUE(keyboard.usesXkb());
	uint8 spare = spareKeycode();
	ASSERT_NE(spare, 0);
	EXPECT_EQ(keyboard.keysym(spare, 0), uint32(XKB_KEY_NoSymbol));

	Remap remap(connection, spare, {XKB_KEY_eacute, XKB_KEY_Eacute});
	ASSERT_TRUE(pumpUntil([&] { return keyboard.keysym(spare, 0) == XKB_KEY_eacute; }));
	HeldKeys held(connection);
	held.tap(spare);
	held.press(key(XKB_KEY_Shift_L));
	held.tap(spare);
	ASSERT_TRUE(pumpUntil([&] { return view->keys.size() >= 2; }));
	EXPECT_EQ(view->keys[0], character(0xE9));
	EXPECT_EQ(view->keys[1], character(0xE9, kModifierShift)) << "É lower-cased";
}

// What keys type into an editor. Spare keys stand in for a dead key and
// the Compose key; the sequences come from the compose table of the
// locale (the default table has both).
TEST_F(X11KeyboardTest, TypedTextGoesThroughDeadKeysAndComposeSequences)
{
	X11Keyboard& keyboard = platform->getKeyboard();
	const uint8 deadAcute = spareKeycode();
	Remap deadKey(connection, deadAcute, {XKB_KEY_dead_acute, XKB_KEY_dead_acute});
	const uint8 compose = spareKeycode();
	Remap composeKey(connection, compose, {XKB_KEY_Multi_key, XKB_KEY_Multi_key});
	ASSERT_TRUE(pumpUntil([&] {
		return keyboard.keysym(deadAcute, 0) == XKB_KEY_dead_acute && keyboard.keysym(compose, 0) == XKB_KEY_Multi_key;
	}));

	struct Press
	{
		uint8 keycode;
		uint16 state;
		const char* text;
		bool swallowed;
		MoxKeyCode code;
	};
	struct Case
	{
		const char* what;
		std::vector<Press> presses;
	};
	const uint8 a = key(XKB_KEY_a), e = key(XKB_KEY_e), o = key(XKB_KEY_o), q = key(XKB_KEY_q);
	const uint8 quote = key(XKB_KEY_apostrophe);
	const MoxKeyCode none {};
	const std::vector<Case> cases = {
	    {"letter", {{a, 0, "a", false, character('a')}}},
	    {"Shift gives the capital, the code stays lower-case",
	     {{a, kShiftMask, "A", false, character('a', kModifierShift)}}},
	    {"Caps Lock", {{a, kLockMask, "A", false, character('a')}}},
	    {"Control types nothing", {{a, kControlMask, "", false, character('a', kModifierControl)}}},
	    {"Alt types nothing", {{a, X11Input::kMod1Mask, "", false, character('a', kModifierAlternate)}}},
	    {"space", {{key(XKB_KEY_space), 0, " ", false, virtualKey(kVKeySpace)}}},
	    {"Return is no text", {{key(XKB_KEY_Return), 0, "", false, virtualKey(kVKeyReturn)}}},
	    {"BackSpace is no text", {{key(XKB_KEY_BackSpace), 0, "", false, virtualKey(kVKeyBack)}}},
	    {"Delete is no text", {{key(XKB_KEY_Delete), 0, "", false, virtualKey(kVKeyDelete)}}},
	    {"dead key then letter", {{deadAcute, 0, "", true, none}, {e, 0, "é", false, character(0xE9)}}},
	    {"dead key then capital",
	     {{deadAcute, 0, "", true, none}, {e, kShiftMask, "É", false, character(0xE9, kModifierShift)}}},
	    {"Compose sequence",
	     {{compose, 0, "", true, none},
	      {o, 0, "", true, none},
	      {quote, kShiftMask, "ö", false, character(0xF6, kModifierShift)}}},
	    {"unknown sequence types nothing",
	     {{deadAcute, 0, "", true, none}, {q, 0, "", true, none}, {a, 0, "a", false, character('a')}}},
	    {"a modifier leaves the sequence going",
	     {{deadAcute, 0, "", true, none},
	      {key(XKB_KEY_Shift_L), 0, "", false, none},
	      {e, 0, "é", false, character(0xE9)}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		for (size_t i = 0; i < c.presses.size(); ++i)
		{
			const Press& press = c.presses[i];
			X11Keyboard::TypedKey typed = keyboard.type(press.keycode, press.state);
			EXPECT_EQ(typed.text, press.text) << "press " << i;
			EXPECT_EQ(typed.swallowed, press.swallowed) << "press " << i;
			if (!press.swallowed && press.code != none)
			{
				EXPECT_EQ(typed.code, press.code) << "press " << i;
			}
		}
		keyboard.cancelCompose();
	}

	// A sequence given up (the editor lost the focus) leaves the next key
	// as it is.
	EXPECT_TRUE(keyboard.type(deadAcute, 0).swallowed);
	keyboard.cancelCompose();
	EXPECT_EQ(keyboard.type(e, 0).text, "e");
	// Keys for the views are not composed.
	EXPECT_EQ(keyboard.translate(deadAcute, 0), none);
	EXPECT_EQ(keyboard.translate(e, 0), character('e'));
}

TEST_F(X11KeyboardTest, HeldModifiersFollowTheServer)
{
	X11Keyboard& keyboard = platform->getKeyboard();
	ASSERT_TRUE(keyboard.usesXkb());
	EXPECT_EQ(keyboard.heldModifiers(), 0);
	{
		HeldKeys held(connection);
		held.press(key(XKB_KEY_Shift_L));
		held.press(key(XKB_KEY_Control_L));
		EXPECT_TRUE(pumpUntil(
		    [&] { return keyboard.heldModifiers() == (kModifierShift | kModifierControl); }));
		held.release(key(XKB_KEY_Shift_L));
		EXPECT_TRUE(pumpUntil([&] { return keyboard.heldModifiers() == kModifierControl; }));
	}
	EXPECT_TRUE(pumpUntil([&] { return keyboard.heldModifiers() == 0; }));
}

// A key event's own state chooses the level, whatever the keyboard holds
// when the event is read; the core mapping reads it the same way.
TEST_F(X11KeyboardTest, TheEventsStateChoosesTheKeysym)
{
	X11Keyboard core(connection, false);
	ASSERT_FALSE(core.usesXkb());
	struct Case
	{
		const char* what;
		xcb_keysym_t key;
		uint16 state;
		MoxKeyCode expected;
	};
	const Case cases[] = {
	    {"plain", XKB_KEY_1, 0, character('1')},
	    {"Shift", XKB_KEY_1, kShiftMask, character('!', kModifierShift)},
	    {"Caps Lock", XKB_KEY_a, kLockMask, character('a')},
	    {"Control keeps the character", XKB_KEY_a, kControlMask, character('a', kModifierControl)},
	    {"Num Lock", XKB_KEY_KP_Left, kNumLockMask, virtualKey(kVKeyNumpad4)},
	    {"Num Lock and Shift", XKB_KEY_KP_Left, kNumLockMask | kShiftMask,
	     virtualKey(kVKeyLeft, kModifierShift)},
	};
	for (X11Keyboard* keyboard : {&platform->getKeyboard(), &core})
	{
		SCOPED_TRACE(keyboard->usesXkb() ? "XKB" : "core mapping");
		for (const auto& c : cases)
			EXPECT_EQ(keyboard->translate(key(c.key), c.state), c.expected) << c.what;
	}
}

// The core mapping stands in for XKB on every key of Xvfb's keymap, but for
// the key types the core rules cannot express: the keypad's (Shift alone
// keeps the navigation keys), Print's (Sys_Req with Alt, not Shift) and
// Pause's (Break with Control, not Shift).
TEST_F(X11KeyboardTest, CoreMappingAgreesWithXkbOnOrdinaryKeys)
{
	X11Keyboard& xkb = platform->getKeyboard();
	ASSERT_TRUE(xkb.usesXkb());
	X11Keyboard core(connection, false);
	std::vector<uint8> beyondCore;
	for (xcb_keysym_t keysym :
	     {XKB_KEY_KP_Home, XKB_KEY_KP_Up, XKB_KEY_KP_Prior, XKB_KEY_KP_Left, XKB_KEY_KP_Begin,
	      XKB_KEY_KP_Right, XKB_KEY_KP_End, XKB_KEY_KP_Down, XKB_KEY_KP_Next, XKB_KEY_KP_Insert,
	      XKB_KEY_KP_Delete, XKB_KEY_Print, XKB_KEY_Pause})
		beyondCore.push_back(key(keysym));
	const xcb_setup_t* setup = xcb_get_setup(connection);
	const uint16 states[] = {0, kShiftMask, kLockMask, kLockMask | kShiftMask, kControlMask, kNumLockMask,
	                         kNumLockMask | kShiftMask};
	int compared = 0;
	for (uint16 state : states)
	{
		for (int keycode = setup->min_keycode; keycode <= setup->max_keycode; ++keycode)
		{
			bool exception = std::count(beyondCore.begin(), beyondCore.end(), keycode) > 0;
			if (exception && (state & (kShiftMask | kControlMask)))
				continue;
			++compared;
			EXPECT_EQ(core.translate(uint8(keycode), state), xkb.translate(uint8(keycode), state))
			    << "keycode " << keycode << ", state 0x" << std::hex << state;
		}
	}
	EXPECT_GT(compared, 1000);
}

// Without XKB the mapping is read once and again when the server says it
// changed.
TEST_F(X11KeyboardTest, CoreMappingFollowsMappingNotify)
{
	Connection own(xcb_connect(server->display.c_str(), nullptr));
	ASSERT_FALSE(xcb_connection_has_error(own.get()));
	X11Keyboard keyboard(own.get(), false);
	uint8 spare = spareKeycode();
	ASSERT_NE(spare, 0);
	EXPECT_EQ(keyboard.keysym(spare, 0), uint32(XKB_KEY_NoSymbol));

	Remap remap(connection, spare, {XKB_KEY_eacute, XKB_KEY_Eacute});
	bool notified = false;
	auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
	while (!notified && std::chrono::steady_clock::now() < end)
	{
		while (xcb_generic_event_t* event = xcb_poll_for_event(own.get()))
		{
			notified |= (event->response_type & 0x7F) == XCB_MAPPING_NOTIFY;
			EXPECT_FALSE(keyboard.handleEvent(event)) << "others may want mapping notifies too";
			std::free(event);
		}
	}
	ASSERT_TRUE(notified);
	EXPECT_EQ(keyboard.keysym(spare, 0), uint32(XKB_KEY_eacute));
	EXPECT_EQ(keyboard.translate(spare, kShiftMask), character(0xE9, kModifierShift));
}

TEST_F(X11KeyboardTest, AFailedConnectionGivesEmptyKeys)
{
	Connection broken(xcb_connect("not a display", nullptr));
	ASSERT_TRUE(xcb_connection_has_error(broken.get()));
	X11Keyboard keyboard(broken.get());
	EXPECT_FALSE(keyboard.usesXkb());
	EXPECT_EQ(keyboard.translate(38, kShiftMask), character(0, kModifierShift));
	xcb_mapping_notify_event_t notify {};
	notify.response_type = XCB_MAPPING_NOTIFY;
	notify.request = XCB_MAPPING_KEYBOARD;
	EXPECT_FALSE(keyboard.handleEvent(reinterpret_cast<xcb_generic_event_t*>(&notify)));
	EXPECT_EQ(keyboard.heldModifiers(), 0);
}

} // namespace
} // namespace Kavrin::Test
