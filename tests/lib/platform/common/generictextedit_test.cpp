// The editor the toolkit draws itself over a text control: what keys, the
// clipboard and the mouse do to its text, caret and selection; its undo
// history; password fields; controls that close it from inside their
// callbacks; and the caret's blinking on the virtual clock.

#include "tests/support/texteditframe.h"

#include "lib/platform/common/singlelinetext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr const char* kAcuteE = "e\xCC\x81";                                // e + U+0301
constexpr const char* kWomanTechnologist = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"; // ZWJ sequence
constexpr const char* kShalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";         // Hebrew, 4 letters

std::string operator""_s(const char* text, size_t length)
{
	return std::string(text, length);
}

using GenericTextEditTest = TextEditFrameTest;

struct EditCase
{
	const char* name;
	std::string initial;
	std::vector<KeyStep> steps;
	std::string text;
	size_t anchor;
	size_t caret;
};

TEST_F(GenericTextEditTest, KeysEditTextCaretAndSelection)
{
	const std::string acuteEX = kAcuteE + "x"_s;
	const std::string emoji = "a"_s + kWomanTechnologist + "b"; // a, 11 bytes, b
	const EditCase cases[] = {
	    {"typing into an empty field", "", {typeText("hello")}, "hello", 5, 5},
	    {"typing replaces the text selected on opening", "old", {typeText("new")}, "new", 3, 3},
	    {"Left collapses the selection to its start", "abcd", {press(kVKeyLeft)}, "abcd", 0, 0},
	    {"Right collapses the selection to its end", "abcd", {press(kVKeyRight)}, "abcd", 4, 4},
	    {"Left steps over a combining mark", acuteEX, {press(kVKeyEnd), press(kVKeyLeft), press(kVKeyLeft)},
	     acuteEX, 0, 0},
	    {"Right steps over a combining mark", acuteEX, {press(kVKeyHome), press(kVKeyRight)}, acuteEX, 3, 3},
	    {"Backspace deletes a letter with its mark", "x"_s + kAcuteE, {press(kVKeyEnd), press(kVKeyBack)}, "x", 1,
	     1},
	    {"Delete removes a letter with its mark", acuteEX, {press(kVKeyHome), press(kVKeyDelete)}, "x", 0, 0},
	    {"Left steps over an emoji sequence", emoji, {press(kVKeyEnd), press(kVKeyLeft), press(kVKeyLeft)},
	     emoji, 1, 1},
	    {"Backspace deletes a whole emoji sequence", emoji,
	     {press(kVKeyEnd), press(kVKeyLeft), press(kVKeyBack)}, "ab", 1, 1},
	    {"Delete removes a whole emoji sequence", emoji, {press(kVKeyHome), press(kVKeyRight), press(kVKeyDelete)},
	     "ab", 1, 1},
	    {"Hebrew letters are stops of their own", kShalom, {press(kVKeyEnd), press(kVKeyLeft)}, kShalom, 6, 6},
	    {"Backspace in Hebrew deletes one letter", kShalom, {press(kVKeyEnd), press(kVKeyBack)},
	     std::string(kShalom, 6), 6, 6},
	    {"Shift extends from the anchor", "hello",
	     {press(kVKeyEnd), pressWithShift(kVKeyLeft), pressWithShift(kVKeyLeft)}, "hello", 5, 3},
	    {"typing replaces a selection", "hello",
	     {press(kVKeyEnd), pressWithShift(kVKeyLeft), pressWithShift(kVKeyLeft), typeText("X")}, "helX", 4, 4},
	    {"Shift+Home selects to the start", "abc", {press(kVKeyEnd), pressWithShift(kVKeyHome)}, "abc", 3, 0},
	    {"Control+Left goes to word starts", "hello big world",
	     {press(kVKeyEnd), pressWithControl(kVKeyLeft), pressWithControl(kVKeyLeft)}, "hello big world", 6, 6},
	    {"Control+Right goes to word ends", "hello big world",
	     {press(kVKeyHome), pressWithControl(kVKeyRight), pressWithControl(kVKeyRight)}, "hello big world", 9,
	     9},
	    {"Control+Shift+Right selects a word", "hello big world",
	     {press(kVKeyHome), pressWithControl(kVKeyRight, kModifierShift)}, "hello big world", 0, 5},
	    {"Control+Backspace deletes the word before", "hello big world",
	     {press(kVKeyEnd), pressWithControl(kVKeyBack)}, "hello big ", 10, 10},
	    {"Control+Delete deletes to the word's end", "hello big world",
	     {press(kVKeyHome), pressWithControl(kVKeyDelete)}, " big world", 0, 0},
	    {"Control+A selects everything", "abc", {press(kVKeyEnd), withControl('a')}, "abc", 0, 3},
	    {"Backspace at the start and Delete at the end change nothing", "ab",
	     {press(kVKeyHome), press(kVKeyBack), press(kVKeyEnd), press(kVKeyDelete)}, "ab", 2, 2},
	    {"control characters are not typed", "", {typeText("a\x01\tb\x7F")}, "ab", 2, 2},
	    {"invalid UTF-8 is typed repaired", "", {typeText("\xFF"), typeText("\xC3")}, "\xEF\xBF\xBD\xEF\xBF\xBD",
	     6, 6},
	    {"a letter with Control held types nothing", "", {withControl('b'), withControl('q')}, "", 0, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		ASSERT_TRUE(open(c.initial));
		run(c.steps);
		EXPECT_EQ(text(), c.text);
		EXPECT_EQ(editor()->getAnchor(), c.anchor);
		EXPECT_EQ(editor()->getCaret(), c.caret);
		EXPECT_TRUE(SingleLineText::isValidUTF8(text()));
	}
}

TEST_F(GenericTextEditTest, TheControlHearsEveryKeyFirst)
{
	open("abc");
	control.onKey = [](const MoxKeyCode& key) { return key.virt == kVKeyBack; };
	EXPECT_TRUE(window->keyDown({0, kVKeyBack, 0}));
	EXPECT_EQ(text(), "abc") << "the control took Backspace";
	ASSERT_EQ(control.keys.size(), 1u);
	EXPECT_EQ(control.keys[0].virt, kVKeyBack);

	// What neither the control nor the editor uses reaches the frame.
	EXPECT_FALSE(window->keyDown({0, kVKeyTab, 0}, "\t"));
	EXPECT_FALSE(window->keyDown({0, kVKeyF5, 0}));
	EXPECT_FALSE(window->keyDown({'q', 0, kModifierControl}, "q"));
	EXPECT_EQ(text(), "abc");
	EXPECT_EQ(control.keys.size(), 4u);
	EXPECT_EQ(control.textChanges, 0);
}

TEST_F(GenericTextEditTest, EachChangeTellsTheControl)
{
	open("");
	window->typeText("ab");
	EXPECT_EQ(control.textChanges, 2);
	window->keyDown({0, kVKeyLeft, 0});
	EXPECT_EQ(control.textChanges, 2) << "moving the caret changes no text";
	window->keyDown({0, kVKeyBack, 0});
	EXPECT_EQ(control.textChanges, 3);
	window->keyDown({'z', 0, kModifierControl}, "z");
	EXPECT_EQ(control.textChanges, 4);
	EXPECT_TRUE(editor()->setText("set"));
	EXPECT_EQ(control.textChanges, 4) << "the control's own text is no change to report";
	EXPECT_EQ(text(), "set");
}

TEST_F(GenericTextEditTest, UndoTakesTypingBackAWordAtATime)
{
	open("");
	window->typeText("hello world");
	run({withControl('z')});
	EXPECT_EQ(text(), "hello ");
	run({withControl('z')});
	EXPECT_EQ(text(), "");
	run({withControl('z', kModifierShift)});
	EXPECT_EQ(text(), "hello ");
	run({withControl('y')});
	EXPECT_EQ(text(), "hello world");
	EXPECT_EQ(editor()->getCaret(), 11u);
	run({withControl('y')});
	EXPECT_EQ(text(), "hello world") << "nothing left to redo";

	for (int i = 0; i < 7; ++i)
		run({press(kVKeyBack)});
	EXPECT_EQ(text(), "hell");
	run({withControl('z')});
	EXPECT_EQ(text(), "hello ");
	run({withControl('z')});
	EXPECT_EQ(text(), "hello world");

	// A caret move ends a run of typing.
	run({press(kVKeyEnd), typeText("ab"), press(kVKeyLeft), press(kVKeyRight), typeText("cd"), withControl('z')});
	EXPECT_EQ(text(), "hello worldab");
}

TEST_F(GenericTextEditTest, UndoRestoresTheSelectionAnEditReplaced)
{
	open("old");
	window->typeText("n");
	run({withControl('z')});
	EXPECT_EQ(text(), "old");
	EXPECT_EQ(editor()->getAnchor(), 0u);
	EXPECT_EQ(editor()->getCaret(), 3u);
}

TEST_F(GenericTextEditTest, PastedLineBreaksBecomeSpaces)
{
	struct Case
	{
		std::string clipboard;
		std::string pasted;
	};
	const Case cases[] = {
	    {"a\r\nb", "a b"},
	    {"a\nb\rc", "a b c"},
	    {"a\n\nb", "a  b"},
	    {"a\xE2\x80\xA8" "b\xE2\x80\xA9" "c", "a b c"},
	    {"a\xC2\x85" "b", "a b"},
	    {"a\tb\x0B" "c\x0C" "d", "a b c d"},
	    {"a\x01\x1B\x7F" "b", "ab"},
	    {"a\xC2\x9B" "b", "ab"},
	    {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},
	    {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},
	    {std::string("a\0b", 3), "ab"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.pasted);
		open("");
		window->clipboard = TextEditRouter::packageWithText(c.clipboard);
		run({withControl('v')});
		EXPECT_EQ(text(), c.pasted);
		// Shift+Insert pastes too.
		open("");
		run({pressWithShift(kVKeyInsert)});
		EXPECT_EQ(text(), c.pasted);
	}
}

TEST_F(GenericTextEditTest, CopyAndCutPutTheSelectionOnTheClipboard)
{
	open("hello world");
	run({press(kVKeyHome), pressWithControl(kVKeyRight, kModifierShift), withControl('c')});
	EXPECT_EQ(TextEditRouter::textIn(window->clipboard), "hello");
	EXPECT_EQ(text(), "hello world");
	run({press(kVKeyEnd), pressWithControl(kVKeyLeft, kModifierShift), withControl('x')});
	EXPECT_EQ(TextEditRouter::textIn(window->clipboard), "world");
	EXPECT_EQ(text(), "hello ");
	run({press(kVKeyHome), withControl('v')});
	EXPECT_EQ(text(), "worldhello ");
	run({withControl('z')});
	EXPECT_EQ(text(), "hello ") << "a paste undoes as one step";

	// Without a selection there is nothing to copy or cut.
	window->clipboard = TextEditRouter::packageWithText("kept");
	run({press(kVKeyEnd), withControl('c'), withControl('x')});
	EXPECT_EQ(TextEditRouter::textIn(window->clipboard), "kept");
	EXPECT_EQ(text(), "hello ");
}

TEST_F(GenericTextEditTest, AHugePasteIsCutToTheLimitOnACodePoint)
{
	open("ab");
	std::string huge;
	while (huge.size() < 3 * GenericTextEdit::kMaxTextBytes)
		huge += "\xE2\x82\xAC"; // the euro sign, three bytes
	window->clipboard = TextEditRouter::packageWithText(huge);
	run({press(kVKeyEnd), withControl('v')});
	EXPECT_LE(text().size(), GenericTextEdit::kMaxTextBytes);
	EXPECT_GT(text().size(), GenericTextEdit::kMaxTextBytes - 3);
	EXPECT_TRUE(SingleLineText::isValidUTF8(text()));
	EXPECT_EQ(text().substr(0, 2), "ab");
	const std::string full = text();
	run({typeText("\xE2\x82\xAC\xE2\x82\xAC")});
	EXPECT_EQ(text(), full) << "a full field takes no more";
}

TEST_F(GenericTextEditTest, APasswordNeverReachesTheClipboardOrThePrimarySelection)
{
	control.secure = true;
	open("");
	window->typeText("secret");
	window->clipboard = TextEditRouter::packageWithText("kept");
	window->primaryText = "kept";
	run({withControl('a'), withControl('c'), withControl('x'), pressWithControl(kVKeyInsert), pressWithShift(kVKeyDelete)});
	EXPECT_EQ(TextEditRouter::textIn(window->clipboard), "kept");
	EXPECT_EQ(window->primaryText, "kept");
	EXPECT_EQ(text(), "secret") << "a cut that cannot copy deletes nothing";

	// Pasting into it works as anywhere.
	run({withControl('v')});
	EXPECT_EQ(text(), "kept");
}

// One bullet stands for each grapheme: a letter with its mark is one, as
// is an emoji sequence, whatever their bytes.
TEST_F(GenericTextEditTest, APasswordShowsOneBulletPerGrapheme)
{
	const std::string bullet = "\xE2\x80\xA2";
	control.text = bullet + bullet + bullet;
	control.open(window);
	run({press(kVKeyEnd)});
	const CRect threeBullets = editor()->getCaretRect();
	run({press(kVKeyHome)});
	const double start = editor()->getCaretRect().left;
	run({press(kVKeyRight)});
	const double oneBullet = editor()->getCaretRect().left - start;
	ASSERT_GT(oneBullet, 2.);
	ASSERT_DOUBLE_EQ(threeBullets.left, start + 3 * oneBullet);

	control.secure = true;
	control.text = kAcuteE + std::string(kWomanTechnologist) + "x";
	control.open(window);
	run({press(kVKeyEnd)});
	EXPECT_EQ(editor()->getCaretRect(), threeBullets);
	run({press(kVKeyLeft), press(kVKeyLeft)});
	EXPECT_EQ(editor()->getCaret(), 3u);
	EXPECT_DOUBLE_EQ(editor()->getCaretRect().left, threeBullets.left - 2 * oneBullet);
}

// ---- Controls that close the editor from inside their callbacks ----

// A control that is deleted while it closes its editor, as a control
// removed by its own listener is.
struct DisposableControl
{
	TextEditCallback* control {new TextEditCallback};
	void dispose()
	{
		auto dying = std::exchange(control, nullptr);
		dying->editor = nullptr;
		delete dying;
	}
	~DisposableControl() { delete control; }
};

TEST_F(GenericTextEditTest, AControlDroppingTheEditorInItsKeyHandlerEndsTheKey)
{
	open("abc");
	control.onKey = [this](const MoxKeyCode&) {
		control.editor = nullptr;
		return false;
	};
	EXPECT_FALSE(window->keyDown({0, kVKeyBack, 0}));
	EXPECT_EQ(editor(), nullptr);
	EXPECT_EQ(control.textChanges, 0);
}

TEST_F(GenericTextEditTest, AControlThatGoesAwayInsideACallbackIsNeverCalledAgain)
{
	struct Case
	{
		const char* name;
		bool inKeyHandler;
	};
	for (const Case& c : {Case {"in its key handler", true}, Case {"when told of a change", false}})
	{
		SCOPED_TRACE(c.name);
		DisposableControl disposable;
		auto* dying = disposable.control;
		dying->text = "abc";
		dying->open(window);
		// Someone else holds the editor across the calls, as an input
		// method might: the control's drop must show all the same.
		SharedPointer<GenericTextEdit> held = window->getFocusedTextEdit();
		ASSERT_TRUE(held);
		if (c.inKeyHandler)
			dying->onKey = [&](const MoxKeyCode&) {
				disposable.dispose();
				return false;
			};
		else
			dying->onTextChange = [&] { disposable.dispose(); };
		window->typeText("xyz");
		EXPECT_FALSE(held->isOpen());
		EXPECT_EQ(window->getFocusedTextEdit(), nullptr);
		// Whatever reaches the editor now finds it inert.
		held->onKeyDown({0, kVKeyBack, 0}, {});
		held->commitText("q");
		held->setPreedit("q", 1);
		held->onMouseDown(CPoint(20, 20), kLeftButton);
		held->updateSize();
		paint();
		EXPECT_TRUE(SingleLineText::isValidUTF8(held->getText().getString()));
	}
}

TEST_F(GenericTextEditTest, AControlClosingTheFrameInsideACallbackLeavesTheEditorInert)
{
	struct Case
	{
		const char* name;
		bool inKeyHandler;
	};
	for (const Case& c : {Case {"in its key handler", true}, Case {"when told of a change", false}})
	{
		SCOPED_TRACE(c.name);
		open("abc");
		SharedPointer<HeadlessFrame> closing = window;
		if (c.inKeyHandler)
			control.onKey = [&](const MoxKeyCode&) {
				frame->close();
				return false;
			};
		else
			control.onTextChange = [&] { frame->close(); };
		EXPECT_NO_FATAL_FAILURE(closing->typeText("xy"));
		EXPECT_EQ(closing->getFocusedTextEdit(), nullptr);
		ASSERT_TRUE(control.editor);
		auto editor = control.editor.cast<GenericTextEdit>();
		EXPECT_FALSE(editor->isOpen());
		EXPECT_FALSE(editor->isBlinking());
		EXPECT_EQ(platform->getRunningTimerCount(), 0u);
		control.onKey = nullptr;
		control.onTextChange = nullptr;
		control.editor = nullptr;
		// The next case gets a fresh frame.
		frame = new CFrame(kFrameRect);
		frameHolder = frame;
		ASSERT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	}
}

TEST_F(GenericTextEditTest, TheNewestEditorHasTheFocusAndAGoneOneIsForgotten)
{
	TextEditCallback other;
	open("first");
	auto first = editor();
	other.text = "second";
	other.open(window);
	auto second = editor();
	EXPECT_NE(first, second);
	window->typeText("2");
	EXPECT_EQ(other.editor->getText(), "2");
	EXPECT_EQ(control.editor->getText(), "first");
	EXPECT_FALSE(first->isCaretVisible());

	other.editor = nullptr;
	EXPECT_EQ(editor(), first);
	window->typeText("1");
	EXPECT_EQ(control.editor->getText(), "1");
	control.editor = nullptr;
	EXPECT_EQ(editor(), nullptr);
	EXPECT_FALSE(window->keyDown({'a', 0, 0}, "a")) << "the frame hears keys again";
}

// ---- Caret blinking ----

TEST_F(GenericTextEditTest, TheCaretBlinksThenRestsWithNoTimerLeft)
{
	const size_t timersBefore = platform->getRunningTimerCount();
	open("");
	EXPECT_TRUE(editor()->isCaretVisible());
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore + 1);

	platform->advance(GenericTextEdit::kBlinkInterval - 1);
	EXPECT_TRUE(editor()->isCaretVisible());
	window->invalidRects.clear();
	platform->advance(1);
	EXPECT_FALSE(editor()->isCaretVisible());
	ASSERT_EQ(window->invalidRects.size(), 1u) << "only the caret is repainted";
	EXPECT_TRUE(CRect(window->invalidRects[0]).bound(editor()->getCaretRect()) == editor()->getCaretRect());
	EXPECT_LE(window->invalidRects[0].getWidth(), 4.);
	platform->advance(GenericTextEdit::kBlinkInterval);
	EXPECT_TRUE(editor()->isCaretVisible());

	// Input shows the caret solid and starts the blinking over.
	platform->advance(GenericTextEdit::kBlinkInterval);
	EXPECT_FALSE(editor()->isCaretVisible());
	window->typeText("a");
	EXPECT_TRUE(editor()->isCaretVisible());
	platform->advance(GenericTextEdit::kBlinkInterval - 1);
	EXPECT_TRUE(editor()->isCaretVisible());
	platform->advance(1);
	EXPECT_FALSE(editor()->isCaretVisible());

	// Some ten seconds after the last input it stops, shown, and nothing
	// wakes any more.
	platform->advance(GenericTextEdit::kBlinkTimeout);
	EXPECT_TRUE(editor()->isCaretVisible());
	EXPECT_FALSE(editor()->isBlinking());
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	window->invalidRects.clear();
	platform->advance(60000);
	EXPECT_TRUE(window->invalidRects.empty());

	window->keyDown({0, kVKeyLeft, 0});
	EXPECT_TRUE(editor()->isBlinking()) << "input wakes it";
}

TEST_F(GenericTextEditTest, TheCaretBlinksOnlyWhileTheWindowHasTheFocus)
{
	const size_t timersBefore = platform->getRunningTimerCount();
	open("");
	window->setWindowFocused(false);
	EXPECT_FALSE(editor()->isCaretVisible());
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	window->typeText("a");
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore) << "keys forwarded by a host wake nothing";
	window->setWindowFocused(true);
	EXPECT_TRUE(editor()->isCaretVisible());
	EXPECT_TRUE(editor()->isBlinking());
}

TEST_F(GenericTextEditTest, ASelectionHidesTheCaret)
{
	open("abc");
	EXPECT_FALSE(editor()->isCaretVisible());
	run({press(kVKeyEnd)});
	EXPECT_TRUE(editor()->isCaretVisible());
}

// ---- Input methods ----

TEST_F(GenericTextEditTest, PreeditShowsAtTheCaretUntilCommitted)
{
	open("ab");
	run({press(kVKeyEnd), press(kVKeyLeft)});
	const CRect before = editor()->getCaretRect();
	editor()->setPreedit("xy", 1);
	EXPECT_EQ(text(), "ab") << "composition is not text yet";
	EXPECT_GT(editor()->getCaretRect().left, before.left);
	EXPECT_EQ(window->textEditCaret, editor()->getCaretRect());
	editor()->commitText("\xE6\x97\xA5");
	EXPECT_EQ(text(), "a\xE6\x97\xA5" "b");
	EXPECT_EQ(editor()->getPreedit(), "");
	EXPECT_EQ(editor()->getCaret(), 4u);
	editor()->setPreedit("\xFF\x01z", 99);
	EXPECT_EQ(editor()->getPreedit(), "\xEF\xBF\xBDz");
	editor()->commitText("");
	EXPECT_EQ(text(), "a\xE6\x97\xA5" "b");
}

// ---- Mouse ----

class GenericTextEditMouseTest : public TextEditFrameTest
{
protected:
	// The caret's x before the byte at offset.
	double caretX(size_t offset)
	{
		run({press(kVKeyHome)});
		while (editor()->getCaret() < offset)
			run({press(kVKeyRight)});
		return editor()->getCaretRect().left;
	}
	CPoint at(double x) const { return CPoint(x, 25.); }
	void click(double x, CButtonState buttons = kLeftButton)
	{
		window->mouseDown(at(x), buttons);
		window->mouseUp(at(x), buttons);
	}
};

TEST_F(GenericTextEditMouseTest, AClickPlacesTheCaretAtTheNearestStop)
{
	open("abcdef");
	const double c = caretX(3);
	for (double dx : {-1., 0., 1.})
	{
		run({press(kVKeyHome)});
		click(c + dx);
		EXPECT_EQ(editor()->getCaret(), 3u) << dx;
		EXPECT_EQ(editor()->getAnchor(), 3u) << dx;
	}
	click(11.);
	EXPECT_EQ(editor()->getCaret(), 0u) << "left of the text";
	click(200.);
	EXPECT_EQ(editor()->getCaret(), 6u) << "right of the text";
}

TEST_F(GenericTextEditMouseTest, ADragSelectsAndOffersThePrimarySelection)
{
	open("abcdef");
	const double c = caretX(3);
	window->mouseDown(at(11.), kLeftButton);
	window->mouseMoved(at(c), kLeftButton);
	EXPECT_EQ(editor()->getAnchor(), 0u);
	EXPECT_EQ(editor()->getCaret(), 3u);
	EXPECT_EQ(window->primaryText, "") << "offered once the drag ends";
	window->mouseMoved(at(250.), kLeftButton);
	EXPECT_EQ(editor()->getCaret(), 6u) << "a drag beyond the field keeps going";
	window->mouseUp(at(250.), kLeftButton);
	EXPECT_EQ(window->primaryText, "abcdef");
}

TEST_F(GenericTextEditMouseTest, DoubleAndTripleClicksSelectAWordAndEverything)
{
	open("hello big world");
	const double inBig = (caretX(7) + caretX(8)) / 2.;
	window->mouseDown(at(inBig), kLeftButton);
	window->mouseUp(at(inBig), kLeftButton);
	window->mouseDown(at(inBig), CButtonState(kLeftButton | kDoubleClick));
	window->mouseUp(at(inBig), kLeftButton);
	EXPECT_EQ(editor()->getAnchor(), 6u);
	EXPECT_EQ(editor()->getCaret(), 9u);
	EXPECT_EQ(window->primaryText, "big");

	platform->advance(100);
	window->mouseDown(at(inBig + 1), kLeftButton);
	window->mouseUp(at(inBig + 1), kLeftButton);
	EXPECT_EQ(editor()->getAnchor(), 0u);
	EXPECT_EQ(editor()->getCaret(), 15u);

	// Too late for a triple click: a single one.
	window->mouseDown(at(inBig), CButtonState(kLeftButton | kDoubleClick));
	window->mouseUp(at(inBig), kLeftButton);
	platform->advance(GenericTextEdit::kTripleClickTime + 1);
	click(inBig);
	EXPECT_EQ(editor()->getAnchor(), editor()->getCaret());
}

TEST_F(GenericTextEditMouseTest, ADragAfterADoubleClickGrowsByWords)
{
	open("hello big world");
	const double inBig = (caretX(7) + caretX(8)) / 2.;
	const double inWorld = (caretX(12) + caretX(13)) / 2.;
	window->mouseDown(at(inBig), CButtonState(kLeftButton | kDoubleClick));
	window->mouseMoved(at(inWorld), kLeftButton);
	window->mouseUp(at(inWorld), kLeftButton);
	EXPECT_EQ(editor()->getAnchor(), 6u);
	EXPECT_EQ(editor()->getCaret(), 15u);
}

TEST_F(GenericTextEditMouseTest, AShiftClickExtendsTheSelection)
{
	open("abcdef");
	const double c = caretX(4);
	run({press(kVKeyHome), press(kVKeyRight)});
	click(c, CButtonState(kLeftButton | kShiftModifier));
	EXPECT_EQ(editor()->getAnchor(), 1u);
	EXPECT_EQ(editor()->getCaret(), 4u);
}

TEST_F(GenericTextEditMouseTest, AMiddleClickPastesThePrimarySelectionWhereItClicks)
{
	open("abcdef");
	const double c = caretX(3);
	window->primaryText = "X\nY";
	click(c, kMiddleButton);
	EXPECT_EQ(text(), "abcX Ydef");
	EXPECT_EQ(control.textChanges, 1);
}

TEST_F(GenericTextEditMouseTest, APressOutsideTheEditorGoesToTheFrame)
{
	open("abc");
	EXPECT_FALSE(window->mouseDown(CPoint(250, 80), kLeftButton));
	EXPECT_FALSE(window->mouseUp(CPoint(250, 80), kLeftButton));
	EXPECT_EQ(editor()->getAnchor(), 0u) << "the selection stays";
	EXPECT_EQ(editor()->getCaret(), 3u);
}

} // namespace
} // namespace Kavrin::Test
