// Text fields in a real X11 window, driven by real input through XTEST: a
// click lands the caret between the characters it falls between, text
// copied in one field pastes into another and reaches clipboard tools we
// did not write (xclip) and back, and a field left alone with the focus
// blinks its caret for some ten seconds and then wakes nothing.

#include "lib/controls/ctextedit.h"
#include "lib/platform/common/generictextedit.h"
#include "lib/platform/x11/x11frame.h"
#include "tests/support/peerprocess.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace Kavrin::Test {
namespace {

class X11TextEditTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		first = new CTextEdit(CRect(10, 10, 210, 40), nullptr, 1, "abcdef");
		second = new CTextEdit(CRect(10, 60, 210, 90), nullptr, 2, "");
		frame->addView(first);
		frame->addView(second);
		open();
	}

	GenericTextEdit* editor() const
	{
		auto x11Frame = static_cast<X11Frame*>(frame->getPlatformFrame());
		return x11Frame ? x11Frame->getTextEdits().getFocused() : nullptr;
	}
	std::string editedText() const { return editor() ? editor()->getText().getString() : "(none)"; }

	// Clicks and waits until the field's editor is open and the window has
	// the keyboard focus.
	void clickInto(CTextEdit* field, int16 x)
	{
		const CRect size = field->getViewSize();
		click(x, int16((size.top + size.bottom) / 2));
		ASSERT_TRUE(pumpUntil([&] { return field->getPlatformTextEdit() && editor() && editor()->isCaretVisible(); }))
		    << "the click opened no editor with a caret";
	}

	uint8 key(xcb_keysym_t keysym)
	{
		uint8 keycode = keycodeOf(keysym);
		EXPECT_NE(keycode, 0) << "no key gives keysym 0x" << std::hex << keysym;
		return keycode;
	}
	void tap(xcb_keysym_t keysym, bool withControl = false)
	{
		const uint8 control = key(XKB_KEY_Control_L);
		if (withControl)
			fake(XCB_KEY_PRESS, control);
		fake(XCB_KEY_PRESS, key(keysym));
		fake(XCB_KEY_RELEASE, key(keysym));
		if (withControl)
			fake(XCB_KEY_RELEASE, control);
		pump(30);
	}

	// Runs xclip to its end while the loop serves the clipboard.
	std::string runXclip(std::vector<std::string> arguments)
	{
		arguments.insert(arguments.begin(), "xclip");
		PeerProcess xclip(server->display, std::move(arguments));
		auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
		EXPECT_TRUE(xclip.runToEnd([&] { loop->runOnce(2); })) << "xclip did not finish";
		return xclip.output;
	}

	CTextEdit* first {nullptr};
	CTextEdit* second {nullptr};
};

TEST_F(X11TextEditTest, AClickLandsTheCaretBetweenTheRightCharacters)
{
	clickInto(first, 200);
	// Where the caret stands between c and d, from the editor's own layout.
	editor()->onKeyDown({0, kVKeyHome, 0}, {});
	for (int i = 0; i < 3; ++i)
		editor()->onKeyDown({0, kVKeyRight, 0}, {});
	const CRect caret = editor()->getCaretRect();
	editor()->onKeyDown({0, kVKeyEnd, 0}, {});

	// Apart in time, so that no click makes a double click with the last.
	for (int dx : {-1, 1})
	{
		pump(600);
		click(int16(caret.left + dx), int16((caret.top + caret.bottom) / 2));
		EXPECT_TRUE(pumpUntil([&] { return editor()->getCaret() == 3u; })) << dx;
		editor()->onKeyDown({0, kVKeyEnd, 0}, {});
	}
	// Typing goes in there.
	pump(600);
	click(int16(caret.left + 1), int16((caret.top + caret.bottom) / 2));
	pump(50);
	tap(XKB_KEY_x);
	EXPECT_TRUE(pumpUntil([&] { return editedText() == "abcxdef"; })) << editedText();
}

TEST_F(X11TextEditTest, TextCopiedInOneFieldPastesIntoAnotherAndReachesXclip)
{
	clickInto(first, 100);
	tap(XKB_KEY_a, true);
	tap(XKB_KEY_c, true);
	EXPECT_EQ(runXclip({"-o", "-selection", "clipboard"}), "abcdef");

	clickInto(second, 100);
	tap(XKB_KEY_v, true);
	EXPECT_TRUE(pumpUntil([&] { return editedText() == "abcdef"; })) << editedText();
	tap(XKB_KEY_v, true);
	EXPECT_TRUE(pumpUntil([&] { return editedText() == "abcdefabcdef"; })) << editedText();

	// The first field committed its text when it lost the focus, unchanged.
	EXPECT_EQ(first->getText(), "abcdef");
}

TEST_F(X11TextEditTest, TextSetByXclipIsPastedIntoTheField)
{
	// xclip owns the clipboard until it is killed at the end.
	PeerProcess owner(server->display, {"xclip", "-quiet", "-i", "-selection", "clipboard"});
	owner.input = "from\r\nxclip \xC3\xA9";
	owner.step(); // the input goes in and is closed: xclip then takes the clipboard
	std::this_thread::sleep_for(std::chrono::milliseconds(300));
	ASSERT_FALSE(owner.step()) << "xclip stopped early";
	clickInto(second, 100);
	tap(XKB_KEY_v, true);
	EXPECT_TRUE(pumpUntil([&] { return editedText() == "from xclip \xC3\xA9"; })) << editedText();
}

// The figure of wake-ups an idle focused field costs: the caret blinks
// (one timer fire and one paint of its rect per half period) for some ten
// seconds after the last input, then no timer is left and nothing is
// painted. Printed for the record.
TEST_F(X11TextEditTest, AnIdleFocusedFieldBlinksForTenSecondsThenWakesNothing)
{
	auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
	auto x11Frame = static_cast<X11Frame*>(frame->getPlatformFrame());
	clickInto(first, 100);
	pump(200); // the release and the focus events settle
	std::vector<uint32> paintsPerSecond;
	uint32 shown = x11Frame->getFramesShown();
	const auto start = std::chrono::steady_clock::now();
	for (int second = 0; second < 12; ++second)
	{
		pump(1000);
		paintsPerSecond.push_back(x11Frame->getFramesShown() - shown);
		shown = x11Frame->getFramesShown();
	}
	const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

	std::cout << "[ figure   ] paints per second of an idle focused field:";
	for (auto paints : paintsPerSecond)
		std::cout << ' ' << paints;
	std::cout << " (over " << elapsed << " s); timers left: " << loop->getTimerCount() << '\n';

	for (int second = 0; second < 9; ++second)
	{
		EXPECT_GE(paintsPerSecond[second], 1u) << "second " << second;
		EXPECT_LE(paintsPerSecond[second], 3u) << "second " << second;
	}
	EXPECT_EQ(paintsPerSecond[11], 0u);
	EXPECT_FALSE(editor()->isBlinking());
	EXPECT_EQ(loop->getTimerCount(), 0u);
	EXPECT_TRUE(editor()->isCaretVisible()) << "it rests shown";

	// A key wakes it again.
	tap(XKB_KEY_End);
	EXPECT_TRUE(editor()->isBlinking());
}

} // namespace
} // namespace Kavrin::Test
