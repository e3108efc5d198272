#include "tests/support/controlframe.h"
#include "tests/support/faketextedit.h"
#include "tests/support/recording.h"

#include "lib/cfont.h"
#include "lib/controls/csearchtextedit.h"
#include "lib/controls/ctextedit.h"
#include "lib/iviewlistener.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kFieldRect {20, 20, 140, 44};

// Reads a number; declines anything else.
bool parseNumber(const char* text, float& value, CTextEdit*)
{
	char* end = nullptr;
	const float parsed = std::strtof(text, &end);
	if (end == text)
		return false;
	value = parsed;
	return true;
}

bool declineToParse(const char*, float&, CTextEdit*)
{
	return false;
}

bool formatWithUnit(float value, std::string& text, CParamDisplay*)
{
	char buffer[32];
	std::snprintf(buffer, sizeof(buffer), "%.1f dB", double(value));
	text = buffer;
	return true;
}

bool declineToFormat(float, std::string&, CParamDisplay*)
{
	return false;
}

// An open frame whose platform hands out fake editors.
class TextEditTest : public ControlFrameTest
{
protected:
	TextEditTest() { useFakeEditors(); }
	// The frame closes before the record of the editors goes.
	~TextEditTest() override { frame->close(); }

	void useFakeEditors() { window->setTextEditFactory(fakeTextEditFactory(editors)); }
	void reopen()
	{
		reopenFrame();
		useFakeEditors();
	}
	template <typename Field = CTextEdit>
	Field* addField(const char* text = "", int32 style = 0)
	{
		return add(new Field(kFieldRect, nullptr, 0, text, nullptr, style));
	}
	// Starts editing with a click, as a user would.
	FakeTextEdit* startEditing(CTextEdit* field)
	{
		click(at(field, 10, 10));
		EXPECT_EQ(frame->getFocusView(), field);
		EXPECT_NE(editors.current, nullptr);
		return editors.current;
	}

	FakeTextEditRecord editors;
};

// ---- Value and text ----

TEST_F(TextEditTest, TextAndValueFollowEachOtherThroughTheConversionFunctions)
{
	using ToValue = CTextEdit::StringToValueFunction;
	using ToString = CParamDisplay::ValueToStringFunction2;
	struct Case
	{
		const char* name;
		ToValue toValue;
		ToString toString;
		std::function<void(CTextEdit*)> act;
		std::string text;
		float value;
	};
	auto typeText = [](const char* t) { return [t](CTextEdit* f) { f->setText(t); }; };
	auto setValue = [](float v) { return [v](CTextEdit* f) { f->setValue(v); }; };
	const Case cases[] = {
	    {"text alone", nullptr, nullptr, typeText("0.3"), "0.3", 0.f},
	    {"text read as a value", parseNumber, nullptr, typeText("0.3"), "0.3", 0.3f},
	    {"text read and shown again", parseNumber, formatWithUnit, typeText("0.3"), "0.3 dB", 0.3f},
	    {"text read beyond the range", parseNumber, formatWithUnit, typeText("7"), "1.0 dB", 1.f},
	    {"text that is no value", parseNumber, formatWithUnit, typeText("loud"), "loud", 0.f},
	    {"reader that declines", declineToParse, formatWithUnit, typeText("0.3"), "0.3", 0.f},
	    {"formatter that declines", parseNumber, declineToFormat, typeText("0.3"), "0.3", 0.3f},
	    {"value alone", nullptr, nullptr, setValue(0.3f), "0.30", 0.3f},
	    {"value formatted", nullptr, formatWithUnit, setValue(0.3f), "0.3 dB", 0.3f},
	    {"value, formatter declines", nullptr, declineToFormat, setValue(0.3f), "0.30", 0.3f},
	    {"value beyond the range", parseNumber, nullptr, setValue(2.f), "1.00", 1.f},
	    {"value shown rounded, kept exact", parseNumber, nullptr, setValue(0.123456f), "0.12", 0.123456f},
	    {"value below the range", nullptr, nullptr, setValue(-5.f), "0.00", 0.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopen();
		auto field = addField("start");
		field->setStringToValueFunction(c.toValue);
		field->setValueToStringFunction2(c.toString);
		c.act(field);
		EXPECT_EQ(field->getText(), c.text);
		EXPECT_FLOAT_EQ(field->getValue(), c.value);
		EXPECT_TRUE(log.empty()) << "setting text or value reports nothing";
	}
}

TEST_F(TextEditTest, ValueTextUsesAtMostNineDecimals)
{
	auto field = addField();
	field->setPrecision(255);
	field->setMax(1e30f);
	field->setValue(1e30f);
	EXPECT_EQ(field->getText(), "1000000015047466219876688855040.000000000");
	field->setValue(0.5f);
	EXPECT_EQ(field->getText(), "0.500000000");
}

TEST_F(TextEditTest, OpenEditorIsGivenEveryNewText)
{
	auto field = addField("start");
	field->setValueToStringFunction2(formatWithUnit);
	FakeTextEdit* editor = startEditing(field);
	ASSERT_NE(editor, nullptr);
	EXPECT_EQ(editor->text, "start");
	field->setValue(0.5f);
	EXPECT_EQ(editor->text, "0.5 dB");
	field->setText("other");
	EXPECT_EQ(editor->text, "other");
}

// ---- Editing ----

TEST_F(TextEditTest, ClickOpensAnEditorOverTheField)
{
	auto field = addField("start");
	EXPECT_TRUE(field->wantsFocus());
	EXPECT_EQ(press(at(field, 10, 10)), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(editors.open(), 1);
	ASSERT_NE(editors.current, nullptr);
	EXPECT_EQ(field->getPlatformTextEdit(), editors.current);
	EXPECT_EQ(editors.current->text, "start");
	const CRect inFrame = CRect(kFieldRect).offset(kPageRect.getTopLeft());
	EXPECT_EQ(field->platformGetSize(), inFrame);
	EXPECT_EQ(field->platformGetVisibleSize(), inFrame);
	EXPECT_EQ(field->platformGetFont(), field->getFont()) << "unscaled, the field's own font";
	EXPECT_TRUE(log.empty());

	CPoint where = kFieldRect.getCenter();
	EXPECT_EQ(field->onMouseDown(where, CButtonState(kLeftButton)), kMouseNotHandled)
	    << "a field already editing leaves clicks to its editor";
	EXPECT_EQ(editors.created, 1);
}

TEST_F(TextEditTest, FieldOutOfTheFocusChainStillEditsWhenClicked)
{
	auto field = addField("start");
	field->setWantsFocus(false);
	EXPECT_EQ(press(at(field, 10, 10)), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(editors.open(), 1);
	EXPECT_EQ(field->getPlatformTextEdit(), editors.current);
}

TEST_F(TextEditTest, ZoomedFrameGivesTheEditorScaledSizeAndFont)
{
	auto field = addField("start");
	field->setFont(owned(new CFontDesc("Sans", 10)));
	ASSERT_TRUE(frame->setZoom(2.));
	frame->setFocusView(field);
	ASSERT_EQ(editors.open(), 1);
	const CRect inFrame = CRect(kFieldRect).offset(kPageRect.getTopLeft());
	EXPECT_EQ(field->platformGetSize(), CRect(inFrame.left * 2, inFrame.top * 2, inFrame.right * 2, inFrame.bottom * 2));
	CFontDesc* scaled = field->platformGetFont();
	ASSERT_NE(scaled, nullptr);
	EXPECT_NE(scaled, field->getFont());
	EXPECT_EQ(scaled->getSize(), 20.);
	EXPECT_EQ(scaled->getName(), field->getFont()->getName());
	EXPECT_EQ(field->platformGetFont(), scaled) << "the scaled copy is kept";
}

TEST_F(TextEditTest, ReturnCommitsTheTypedTextInOneEdit)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	editor->type(" more");
	EXPECT_TRUE(log.empty()) << "nothing is committed while typing";
	EXPECT_TRUE(editor->pressKey(kVKeyReturn));
	EXPECT_EQ(log, bracket(1));
	EXPECT_EQ(field->getText(), "start more");
	EXPECT_TRUE(field->getWasReturnPressed());
	EXPECT_EQ(editors.open(), 0);
	EXPECT_EQ(field->getPlatformTextEdit(), nullptr);
	EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(TextEditTest, ReturnWithTheTextUnchangedReportsNothing)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	editor->type("x");
	editor->erase();
	editor->type("start");
	EXPECT_TRUE(editor->pressKey(kVKeyReturn));
	EXPECT_TRUE(log.empty());
	EXPECT_EQ(editors.open(), 0);
}

TEST_F(TextEditTest, EscapeRestoresTheTextAndReportsNothing)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	editor->type(" more");
	EXPECT_TRUE(editor->pressKey(kVKeyEscape));
	EXPECT_TRUE(log.empty());
	EXPECT_EQ(field->getText(), "start");
	EXPECT_FALSE(field->getWasReturnPressed());
	EXPECT_EQ(editors.open(), 0);
	EXPECT_EQ(frame->getFocusView(), nullptr);
}

// When the frame takes no keys (it is disabled), the field ends the editing
// itself: Return still commits and Escape still drops the typed text.
TEST_F(TextEditTest, EndKeysActTheSameWhenTheFrameTakesNoKeys)
{
	for (uint8 key : {uint8(kVKeyReturn), uint8(kVKeyEscape)})
	{
		const bool isReturn = key == kVKeyReturn;
		SCOPED_TRACE(isReturn ? "Return" : "Escape");
		reopen();
		auto field = addField("start");
		FakeTextEdit* editor = startEditing(field);
		editor->type(" more");
		frame->setMouseEnabled(false);
		EXPECT_TRUE(editor->pressKey(key));
		EXPECT_EQ(log, isReturn ? bracket(1) : ControlLog());
		EXPECT_EQ(field->getText(), isReturn ? "start more" : "start");
		EXPECT_EQ(field->getWasReturnPressed(), isReturn);
		EXPECT_EQ(editors.open(), 0);
		EXPECT_EQ(frame->getFocusView(), nullptr);
		frame->setMouseEnabled(true);
	}
}

TEST_F(TextEditTest, OtherKeysAreLeftToTheEditor)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	for (uint8 key : {uint8(kVKeyLeft), uint8(kVKeyBack), uint8(kVKeyHome), uint8(kVKeySpace)})
		EXPECT_FALSE(editor->pressKey(key)) << int(key);
	EXPECT_EQ(editors.open(), 1);
	MoxKeyCode character;
	character.character = 'a';
	EXPECT_FALSE(editor->callback->platformOnKeyDown(character));
}

TEST_F(TextEditTest, FocusLeavingCommitsTheTypedText)
{
	struct Case
	{
		const char* name;
		std::function<void(FakeTextEdit*, CView* other)> leave;
	};
	const Case cases[] = {
	    {"another view takes the focus", [this](FakeTextEdit*, CView* other) { frame->setFocusView(other); }},
	    {"Tab moves on", [](FakeTextEdit* editor, CView*) { EXPECT_TRUE(editor->pressKey(kVKeyTab)); }},
	    {"the editor lets go", [](FakeTextEdit* editor, CView*) { editor->callback->platformLooseFocus(false); }},
	    {"the window deactivates", [this](FakeTextEdit*, CView*) { frame->platformOnActivate(false); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopen();
		auto field = addField("start");
		auto other = add(new RecordingControl(CRect(20, 80, 60, 100)));
		FakeTextEdit* editor = startEditing(field);
		editor->type(" more");
		c.leave(editor, other);
		EXPECT_EQ(log, bracket(1));
		EXPECT_EQ(field->getText(), "start more");
		EXPECT_FALSE(field->getWasReturnPressed());
		EXPECT_EQ(editors.open(), 0);
	}
}

TEST_F(TextEditTest, ImmediateTextChangeCommitsEveryChange)
{
	auto field = addField("start");
	field->setImmediateTextChange(true);
	FakeTextEdit* editor = startEditing(field);
	editor->type("a");
	editor->type("b");
	EXPECT_EQ(field->getText(), "startab");
	ControlLog twice = bracket(1);
	const ControlLog second = bracket(1);
	twice.insert(twice.end(), second.begin(), second.end());
	EXPECT_EQ(log, twice);
	EXPECT_TRUE(editor->pressKey(kVKeyReturn));
	EXPECT_EQ(log, twice) << "nothing is left to commit";
}

TEST_F(TextEditTest, ResizingTellsTheOpenEditor)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	field->setViewSize(CRect(kFieldRect).setWidth(200));
	EXPECT_EQ(editor->updateSizeCalls, 1);
	field->parentSizeChanged();
	EXPECT_EQ(editor->updateSizeCalls, 2);
}

TEST_F(TextEditTest, CopyHasNoEditor)
{
	auto field = addField("start");
	field->setSecureStyle(true);
	field->setPlaceholderString("name");
	field->setStringToValueFunction(parseNumber);
	startEditing(field);
	auto copy = owned(static_cast<CTextEdit*>(field->cloneView()));
	EXPECT_EQ(copy->getPlatformTextEdit(), nullptr);
	EXPECT_TRUE(copy->getSecureStyle());
	EXPECT_EQ(copy->getPlaceholderString(), "name");
	copy->setText("0.25");
	EXPECT_FLOAT_EQ(copy->getValue(), 0.25f);
}

// ---- Focus granted or refused ----

TEST_F(TextEditTest, EditorOpensOnlyOnceTheFocusIsGranted)
{
	struct Case
	{
		const char* name;
		std::function<void()> refuse;
		std::function<void()> allow;
	};
	SharedPointer<CView> dialog = owned(new CViewContainer(CRect(0, 0, 10, 10)));
	std::optional<uint32> session;
	const Case cases[] = {
	    {"a dialog holds the frame",
	     [&] {
		     session = frame->beginModalViewSession(dialog);
		     ASSERT_TRUE(session);
	     },
	     [&] { frame->endModalViewSession(*session); }},
	    {"the window is inactive", [&] { frame->platformOnActivate(false); },
	     [&] { frame->platformOnActivate(true); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopen();
		editors = {};
		auto field = addField("start");
		c.refuse();
		field->takeFocus();
		EXPECT_NE(frame->getFocusView(), field);
		EXPECT_EQ(field->getPlatformTextEdit(), nullptr);
		EXPECT_EQ(editors.created, 0);
		c.allow();
		field->takeFocus();
		EXPECT_EQ(frame->getFocusView(), field);
		EXPECT_EQ(editors.open(), 1);
	}
}

TEST_F(TextEditTest, ReactivatedWindowReopensTheEditor)
{
	auto field = addField("start");
	startEditing(field);
	frame->platformOnActivate(false);
	EXPECT_EQ(editors.open(), 0);
	frame->platformOnActivate(true);
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(editors.open(), 1);
}

TEST_F(TextEditTest, WithoutAnEditorTheFieldKeepsTheFocus)
{
	window->setTextEditFactory([](IPlatformTextEditCallback*) { return SharedPointer<IPlatformTextEdit>(); });
	auto field = addField("start");
	click(at(field, 10, 10));
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(field->getPlatformTextEdit(), nullptr);
	EXPECT_EQ(keyDown(kVKeyReturn), false) << "no editor, no editing keys";
	EXPECT_EQ(frame->getFocusView(), field);
}

TEST_F(TextEditTest, DoubleClickStyleWantsADoubleClick)
{
	auto field = addField("start", CTextEdit::kDoubleClickStyle);
	EXPECT_FALSE(field->wantsFocus());
	EXPECT_EQ(press(at(field, 10, 10)), kMouseNotHandled);
	EXPECT_EQ(editors.created, 0);
	EXPECT_NE(frame->getFocusView(), field);
	release(at(field, 10, 10));

	EXPECT_EQ(press(at(field, 10, 10), kLeftButton | kDoubleClick), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(editors.open(), 1);
	EXPECT_TRUE(field->wantsFocus());

	ASSERT_NE(editors.current, nullptr);
	editors.current->type("!");
	EXPECT_TRUE(editors.current->pressKey(kVKeyReturn));
	EXPECT_EQ(field->getText(), "start!");
	EXPECT_FALSE(field->wantsFocus());
}

TEST_F(TextEditTest, OtherButtonsDoNotStartEditing)
{
	auto field = addField("start");
	EXPECT_EQ(press(at(field, 10, 10), kRightButton), kMouseNotHandled);
	EXPECT_EQ(editors.created, 0);
}

// ---- Listeners that take the field away ----

TEST_F(TextEditTest, ListenerMayTakeTheFieldAwayAsTheTextIsCommitted)
{
	enum Removal
	{
		kRemoveField,
		kRemovePage,
		kCloseFrame,
	};
	enum Commit
	{
		kOnReturn,
		kOnFocusChange,
		kOnEachChange,
	};
	const std::pair<Removal, const char*> removals[] = {
	    {kRemoveField, "removes and releases the field"},
	    {kRemovePage, "removes the page"},
	    {kCloseFrame, "closes the frame"},
	};
	const std::pair<Commit, const char*> commits[] = {
	    {kOnReturn, "on Return"},
	    {kOnFocusChange, "as the focus moves"},
	    {kOnEachChange, "on each change"},
	};
	for (const auto& [commit, commitName] : commits)
	{
		for (const auto& [removal, removalName] : removals)
		{
			SCOPED_TRACE(std::string(removalName) + " " + commitName);
			reopen();
			auto field = addField("start");
			auto other = add(new RecordingControl(CRect(20, 80, 60, 100)));
			field->setImmediateTextChange(commit == kOnEachChange);
			FakeTextEdit* editor = startEditing(field);
			ASSERT_NE(editor, nullptr);
			if (commit != kOnEachChange)
				editor->type(" more");
			listener.onChanged = [&, removal = removal](CControl* control) {
				listener.onChanged = nullptr;
				if (removal == kRemoveField)
					page->removeView(control);
				else if (removal == kRemovePage)
					frame->removeView(page);
				else
					frame->close();
			};
			if (commit == kOnReturn)
				EXPECT_TRUE(editor->pressKey(kVKeyReturn));
			else if (commit == kOnFocusChange)
				frame->setFocusView(other);
			else
				editor->type("!");
			EXPECT_EQ(log, bracket(1));
			EXPECT_TRUE(bracketsAreWellFormed(log));
			EXPECT_EQ(editors.open(), 0);
			listener.onChanged = nullptr;
		}
	}
}

TEST_F(TextEditTest, ListenerMayRemoveTheFieldAsTheEditBegins)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	editor->type(" more");
	listener.onBegin = [this](CControl* control) {
		listener.onBegin = nullptr;
		page->removeView(control);
	};
	EXPECT_TRUE(editor->pressKey(kVKeyReturn));
	EXPECT_TRUE(bracketsAreWellFormed(log));
	EXPECT_EQ(count("main:changed"), 0u) << "a field gone as the edit began reports no change";
	EXPECT_EQ(count("editor:begin 7"), count("editor:end 7"));
	EXPECT_EQ(editors.open(), 0);
}

// A field that leaves the tree while the frame hands it the focus gets no
// looseFocus; it closes its editor as it leaves.
TEST_F(TextEditTest, FieldRemovedAsItTakesTheFocusClosesItsEditor)
{
	struct RemoveOnFocus : ViewListenerAdapter
	{
		void viewTookFocus(CView* view) override
		{
			view->unregisterViewListener(this);
			if (auto parent = view->getParentView())
				parent->toViewContainer()->removeView(view);
		}
	};
	struct Case
	{
		const char* name;
		std::function<void(CTextEdit*)> focus;
	};
	const Case cases[] = {
	    {"clicked", [this](CTextEdit* field) { click(at(field, 10, 10)); }},
	    {"focused by the frame", [this](CTextEdit* field) { frame->setFocusView(field); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopen();
		editors = {};
		auto field = addField("start");
		SharedPointer<CTextEdit> held = field;
		RemoveOnFocus remover;
		field->registerViewListener(&remover);
		c.focus(field);
		EXPECT_FALSE(field->isAttached());
		EXPECT_EQ(field->getPlatformTextEdit(), nullptr);
		EXPECT_EQ(editors.open(), 0);
		EXPECT_EQ(frame->getFocusView(), nullptr);
	}
}

TEST_F(TextEditTest, RemovingTheFieldWhileEditingCommitsAndClosesTheEditor)
{
	auto field = addField("start");
	SharedPointer<CTextEdit> held = field;
	FakeTextEdit* editor = startEditing(field);
	editor->type(" more");
	page->removeView(field);
	EXPECT_EQ(log, bracket(1));
	EXPECT_EQ(held->getText(), "start more");
	EXPECT_EQ(editors.open(), 0);
	held = nullptr;
}

TEST_F(TextEditTest, ClosingTheFrameWhileEditingClosesTheEditor)
{
	auto field = addField("start");
	FakeTextEdit* editor = startEditing(field);
	editor->type(" more");
	frame->close();
	EXPECT_EQ(editors.open(), 0);
	EXPECT_TRUE(bracketsAreWellFormed(log));
}

// ---- Search field ----

class SearchTextEditTest : public TextEditTest
{
protected:
	CSearchTextEdit* addSearchField(const char* text, CHoriTxtAlign align = kCenterText)
	{
		auto field = addField<CSearchTextEdit>(text);
		field->setHoriAlign(align);
		return field;
	}
	// A point given from the clear mark's top-left corner, in frame coordinates.
	static CPoint onMark(const CSearchTextEdit* field, double x, double y)
	{
		return kPageRect.getTopLeft() + field->getClearMarkRect().getTopLeft() + CPoint(x, y);
	}
};

TEST_F(SearchTextEditTest, ClearMarkSitsAtTheEndAwayFromTheText)
{
	struct Case
	{
		CHoriTxtAlign align;
		CRect mark;
		CRect text;
	};
	const double h = kFieldRect.getHeight();
	const Case cases[] = {
	    {kLeftText, CRect(kFieldRect.right - h + 2, kFieldRect.top + 2, kFieldRect.right - 2, kFieldRect.bottom - 2),
	     CRect(kFieldRect.left, kFieldRect.top, kFieldRect.right - h, kFieldRect.bottom)},
	    {kRightText, CRect(kFieldRect.left + 2, kFieldRect.top + 2, kFieldRect.left + h - 2, kFieldRect.bottom - 2),
	     CRect(kFieldRect.left + h, kFieldRect.top, kFieldRect.right, kFieldRect.bottom)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.align);
		reopen();
		auto field = addSearchField("", c.align);
		EXPECT_EQ(field->getPlaceholderString(), "Search");
		EXPECT_EQ(field->getClearMarkRect(), c.mark);
		EXPECT_EQ(field->getTextRect(), c.text);
		EXPECT_EQ(field->platformGetSize(), CRect(c.text).offset(kPageRect.getTopLeft()))
		    << "the editor never covers the mark";
		EXPECT_EQ(field->platformGetVisibleSize(), CRect(c.text).offset(kPageRect.getTopLeft()));
	}
}

TEST_F(SearchTextEditTest, ClickOnTheMarkEmptiesTheFieldInOneEdit)
{
	struct Case
	{
		const char* name;
		CHoriTxtAlign align;
		double x;
		double y;
		bool clears;
	};
	const double side = kFieldRect.getHeight() - 4.;
	const Case cases[] = {
	    {"in the middle", kLeftText, side / 2, side / 2, true},
	    {"on its top-left corner", kLeftText, 0, 0, true},
	    {"on its right edge", kLeftText, side, side / 2, false},
	    {"on its bottom edge", kLeftText, side / 2, side, false},
	    {"beside it", kLeftText, -3, side / 2, false},
	    {"at the start, right-aligned", kRightText, side / 2, side / 2, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopen();
		auto field = addSearchField("term", c.align);
		EXPECT_EQ(press(onMark(field, c.x, c.y)), kMouseDownHandledNoMoveOrUp);
		EXPECT_EQ(field->getText(), c.clears ? "" : "term");
		EXPECT_EQ(log, c.clears ? bracket(1) : ControlLog());
		// The press hands the field the focus either way, ready for typing.
		EXPECT_EQ(frame->getFocusView(), field);
		ASSERT_NE(editors.current, nullptr);
		EXPECT_EQ(editors.current->text, field->getText());
	}
}

TEST_F(SearchTextEditTest, ClickOnTheMarkOfAnEmptyFieldStartsEditing)
{
	auto field = addSearchField("");
	const double side = kFieldRect.getHeight() - 4.;
	EXPECT_EQ(press(onMark(field, side / 2, side / 2)), kMouseDownHandledNoMoveOrUp);
	EXPECT_TRUE(log.empty());
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(editors.open(), 1);
}

TEST_F(SearchTextEditTest, OnlyAPlainLeftClickClears)
{
	auto field = addSearchField("term");
	const double side = kFieldRect.getHeight() - 4.;
	EXPECT_EQ(press(onMark(field, side / 2, side / 2), kRightButton), kMouseNotHandled);
	EXPECT_EQ(press(onMark(field, side / 2, side / 2), kLeftButton | kRightButton), kMouseDownHandledNoMoveOrUp)
	    << "not a clear: editing starts";
	EXPECT_EQ(field->getText(), "term");
	EXPECT_TRUE(log.empty());
}

TEST_F(SearchTextEditTest, ListenerMayRemoveTheFieldAsItIsCleared)
{
	auto field = addSearchField("term");
	listener.onChanged = [this](CControl* control) {
		listener.onChanged = nullptr;
		page->removeView(control);
	};
	const double side = kFieldRect.getHeight() - 4.;
	press(onMark(field, side / 2, side / 2));
	EXPECT_EQ(log, bracket(1));
	EXPECT_FALSE(page->isChild(field));
}

TEST_F(SearchTextEditTest, TypingShowsAndHidesTheMark)
{
	auto field = addSearchField("");
	FakeTextEdit* editor = startEditing(field);
	window->invalidRects.clear();
	editor->type("a");
	const CRect mark = CRect(field->getClearMarkRect()).offset(kPageRect.getTopLeft());
	bool markInvalidated = false;
	for (const auto& r : window->invalidRects)
		markInvalidated |= r.rectInside(mark);
	EXPECT_TRUE(markInvalidated);
}

} // namespace
} // namespace Kavrin::Test
