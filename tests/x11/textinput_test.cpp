// Typing into a text field of a frame in a real X11 window, with real key
// presses through XTEST on a private Xvfb: the US international keymap
// (dead keys on the apostrophe key, Compose on the right Control key), a
// real input method, and the PRIMARY selection exchanged with xclip.

#include "lib/controls/ctextedit.h"
#include "lib/platform/x11/x11clipboard.h"
#include "lib/platform/x11/x11inputmethod.h"
#include "tests/support/inputmethodserver.h"
#include "tests/support/peerprocess.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace Kavrin::Test {
namespace {

// Runs a tool on the display to its end while the loop serves the frame.
std::string runTool(X11Platform& platform, const std::string& display, std::vector<std::string> arguments,
                    std::string input = {})
{
	PeerProcess tool(display, std::move(arguments));
	tool.input = std::move(input);
	auto loop = static_cast<DefaultRunLoop*>(platform.getRunLoop());
	EXPECT_TRUE(tool.runToEnd([&] { loop->runOnce(2); })) << tool.output;
	return tool.output;
}

size_t codePoints(const std::string& utf8)
{
	return size_t(std::count_if(utf8.begin(), utf8.end(), [](char byte) { return (byte & 0xC0) != 0x80; }));
}

// A frame with one text field whose typed text, once committed, sets its
// value to the number of characters typed.
class TextFieldFixture : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		field = new CTextEdit(CRect(20, 20, 280, 50));
		field->setMax(1000.f);
		field->setStringToValueFunction([this](const char* text, float& value, CTextEdit*) {
			committed.push_back(text);
			value = float(codePoints(text));
			return true;
		});
		frame->addView(field);
		open();
	}

	// Clicks the field and waits for its editor.
	void startEditing()
	{
		click(150, 35);
		ASSERT_TRUE(pumpUntil([&] { return field->getPlatformTextEdit() != nullptr; }));
	}
	std::string editorText() const
	{
		IPlatformTextEdit* editor = field->getPlatformTextEdit();
		return editor ? editor->getText().getString() : std::string();
	}

	// A key by the first keysym of its first level.
	uint8 key(xcb_keysym_t keysym)
	{
		uint8 keycode = keycodeOf(keysym);
		EXPECT_NE(keycode, 0) << "no key gives keysym 0x" << std::hex << keysym;
		return keycode;
	}
	void tap(xcb_keysym_t keysym, std::initializer_list<xcb_keysym_t> modifiers = {})
	{
		for (auto modifier : modifiers)
			fake(XCB_KEY_PRESS, key(modifier));
		fake(XCB_KEY_PRESS, key(keysym));
		fake(XCB_KEY_RELEASE, key(keysym));
		for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
			fake(XCB_KEY_RELEASE, key(*modifier));
	}
	void typeLetters(const std::string& letters)
	{
		for (char letter : letters)
			tap(letter == ' ' ? xcb_keysym_t(XKB_KEY_space) : xcb_keysym_t(letter));
	}

	CTextEdit* field {nullptr};
	std::vector<std::string> committed;
};

class X11TextInputTest : public TextFieldFixture
{
protected:
	// Dead keys on the apostrophe key, AltGr on the right Alt key, the
	// Compose key on the right Control key.
	static void SetUpTestSuite()
	{
		X11WindowTest::SetUpTestSuite();
		PeerProcess setxkbmap(server->display, {"setxkbmap", "-layout", "us", "-variant", "intl", "-option",
		                                        "compose:rctrl"});
		setxkbmap.runToEnd([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
		keymapLoaded = setxkbmap.exited && WIFEXITED(setxkbmap.status) && WEXITSTATUS(setxkbmap.status) == 0;
	}

	void SetUp() override
	{
		ASSERT_TRUE(keymapLoaded) << "setxkbmap failed";
		TextFieldFixture::SetUp();
	}

	std::string primaryText()
	{
		return runTool(*platform, server->display, {"xclip", "-o", "-selection", "primary"});
	}

	static inline bool keymapLoaded {false};
};

// é from a dead key and the letter after it, ö from a Compose sequence
// whose last character needs AltGr and Shift; Return commits the text in
// one edit and the value follows it.
TEST_F(X11TextInputTest, DeadKeysAndComposeSequencesTypeIntoTheField)
{
	ASSERT_NE(keycodeOf(XKB_KEY_dead_acute), 0) << "the keymap has no dead keys";
	startEditing();
	tap(XKB_KEY_h);
	tap(XKB_KEY_dead_acute);
	tap(XKB_KEY_e);
	typeLetters("llo w");
	tap(XKB_KEY_Multi_key);
	tap(XKB_KEY_o);
	tap(XKB_KEY_dead_acute, {XKB_KEY_ISO_Level3_Shift, XKB_KEY_Shift_L}); // quotedbl on the fourth level
	typeLetters("rld");
	ASSERT_TRUE(pumpUntil([&] { return editorText() == "héllo wörld"; })) << editorText();
	EXPECT_TRUE(committed.empty());
	tap(XKB_KEY_Return);
	ASSERT_TRUE(pumpUntil([&] { return field->getPlatformTextEdit() == nullptr; }));
	EXPECT_EQ(committed, std::vector<std::string>({"héllo wörld"}));
	EXPECT_EQ(field->getText().getString(), "héllo wörld");
	EXPECT_EQ(field->getValue(), 11.f);
}

// A sequence the table does not know ends with nothing typed, neither the
// dead key's accent nor the key that broke it; the next key types again.
TEST_F(X11TextInputTest, AnUnknownSequenceTypesNothing)
{
	startEditing();
	typeLetters("a");
	tap(XKB_KEY_dead_acute);
	tap(XKB_KEY_q);
	typeLetters("b");
	ASSERT_TRUE(pumpUntil([&] { return editorText() == "ab"; })) << editorText();
}

// Text selected in the field is PRIMARY for other programs; what another
// program holds as PRIMARY is pasted where the middle button clicks.
TEST_F(X11TextInputTest, PrimarySelectionGoesBothWays)
{
	startEditing();
	typeLetters("selected");
	ASSERT_TRUE(pumpUntil([&] { return editorText() == "selected"; }));
	tap(XKB_KEY_a, {XKB_KEY_Control_L});
	pump(50);
	EXPECT_EQ(primaryText(), "selected");
	// The clipboard is another selection: selecting copies nothing there.
	EXPECT_EQ(runTool(*platform, server->display, {"xclip", "-o", "-selection", "clipboard"}), "");

	PeerProcess owner(server->display, {"xclip", "-quiet", "-i", "-selection", "primary"});
	owner.input = " pasted";
	auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
	while (platform->getPrimarySelection().ownsSelection() && std::chrono::steady_clock::now() < end)
	{
		owner.step();
		pump(5);
	}
	ASSERT_FALSE(platform->getPrimarySelection().ownsSelection()) << "xclip did not take PRIMARY";
	// Past the end of the text: the caret goes there.
	fake(XCB_MOTION_NOTIFY, 0, 270, 35);
	fake(XCB_BUTTON_PRESS, 2);
	fake(XCB_BUTTON_RELEASE, 2);
	ASSERT_TRUE(pumpUntil([&] {
		owner.step();
		return editorText() == "selected pasted";
	})) << editorText();
}

// Through a real input method: the composed text shows in the field and
// the commit replaces it; Return, which the input method has no use for
// once nothing is composed, then ends the editing.
class X11TextInputMethodTest : public WithInputMethodServer<TextFieldFixture>
{
protected:
	void SetUp() override
	{
		ASSERT_TRUE(imServer->start()) << "fcitx5 did not start";
		::setenv("XMODIFIERS", "@im=fcitx", 1);
		TextFieldFixture::SetUp();
		::unsetenv("XMODIFIERS");
		ASSERT_TRUE(platform->getInputMethod());
		ASSERT_TRUE(pumpUntil([&] { return platform->getInputMethod()->isReady(); }));
	}
};

TEST_F(X11TextInputMethodTest, ComposedTextIsCommittedIntoTheField)
{
	startEditing();
	ASSERT_TRUE(pumpUntil([&] {
		return platform->getInputMethod()->takesKeysOf(static_cast<xcb_window_t>(
		    reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation())));
	}));
	typeLetters("nihongo");
	tap(XKB_KEY_space);
	pump(300);
	// Composed text is not the field's text yet.
	EXPECT_EQ(editorText(), "");
	tap(XKB_KEY_Return);
	ASSERT_TRUE(pumpUntil([&] { return editorText() == "日本語"; })) << editorText();
	tap(XKB_KEY_Return);
	ASSERT_TRUE(pumpUntil([&] { return field->getPlatformTextEdit() == nullptr; }));
	EXPECT_EQ(committed, std::vector<std::string>({"日本語"}));
	EXPECT_EQ(field->getValue(), 3.f);
}

} // namespace
} // namespace Kavrin::Test
