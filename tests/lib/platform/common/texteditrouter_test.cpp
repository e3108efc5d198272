// How a platform frame routes to its text editors: keys and presses reach
// the editor before the frame, a press that opens an editor places its
// caret, the editors are drawn over the views, the I-beam shows over them,
// and a closing frame leaves them inert.

#include "tests/support/texteditframe.h"

#include "lib/cview.h"
#include "lib/cviewcontainer.h"

#include <gtest/gtest.h>

namespace Kavrin::Test {
namespace {

// Opens the control's editor when pressed, as a text control taking the
// focus does, and hears the keys that reach the frame's focus.
class FieldView : public CView
{
public:
	FieldView(const CRect& size, TextEditCallback& control) : CView(size), control(control) { setWantsFocus(true); }

	CMouseEventResult onMouseDown(CPoint&, const CButtonState& buttons) override
	{
		if (!buttons.isLeftButton())
			return kMouseNotHandled;
		control.open(getFrame()->getPlatformFrame());
		return kMouseDownHandledNoMoveOrUp;
	}
	int32 onKeyDown(MoxKeyCode& key) override
	{
		keys.push_back(key);
		return kKeyHandled;
	}
	void draw(CDrawContext* context) override
	{
		context->setFillColor(CColor(0, 0, 255));
		context->drawRect(getViewSize(), kDrawFilled);
		setDirty(false);
	}

	TextEditCallback& control;
	std::vector<MoxKeyCode> keys;
};

class TextEditRouterTest : public TextEditFrameTest
{
protected:
	TextEditRouterTest()
	{
		field = new FieldView(control.size, control);
		frame->addView(field);
		frame->platformOnActivate(true);
	}

	double caretXBefore(const std::string& text, size_t offset)
	{
		open(text);
		window->keyDown({0, kVKeyHome, 0});
		while (editor()->getCaret() < offset)
			window->keyDown({0, kVKeyRight, 0});
		double x = editor()->getCaretRect().left;
		control.editor = nullptr;
		return x;
	}

	FieldView* field {nullptr};
};

TEST_F(TextEditRouterTest, ThePressThatOpensAnEditorPlacesItsCaretAndDrags)
{
	const double x = caretXBefore("abcdef", 3);
	const double end = caretXBefore("abcdef", 6);
	ASSERT_EQ(editor(), nullptr);
	control.text = "abcdef";
	EXPECT_TRUE(window->mouseDown(CPoint(x, 25), kLeftButton));
	ASSERT_NE(editor(), nullptr);
	EXPECT_EQ(editor()->getAnchor(), 3u) << "not the selection a keyboard user gets";
	EXPECT_EQ(editor()->getCaret(), 3u);
	window->mouseMoved(CPoint(end, 25), kLeftButton);
	window->mouseUp(CPoint(end, 25), kLeftButton);
	EXPECT_EQ(editor()->getCaret(), 6u);
	EXPECT_EQ(window->primaryText, "def");
}

// A window that is given the keyboard focus by the click itself opens the
// editor a moment after the press, when the frame grants the focus.
TEST_F(TextEditRouterTest, AnEditorOpenedJustAfterAPressUnderItPlacesItsCaretThere)
{
	const double x = caretXBefore("abcdef", 3);
	struct Case
	{
		const char* name;
		uint32 delay;
		bool keyBetween;
		size_t anchor;
		size_t caret;
	};
	const Case cases[] = {
	    {"opened at once", 0, false, 3, 3},
	    {"opened within the delay", TextEditRouter::kPressOpensEditorTime, false, 3, 3},
	    // As a keyboard user finds it: everything selected.
	    {"opened too late", TextEditRouter::kPressOpensEditorTime + 1, false, 0, 6},
	    {"a key came between", 0, true, 0, 6},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		field->setMouseEnabled(false); // the frame takes the press, opening nothing
		window->mouseDown(CPoint(x, 25), kLeftButton);
		window->mouseUp(CPoint(x, 25), kLeftButton);
		platform->advance(c.delay);
		if (c.keyBetween)
			window->keyDown({0, kVKeyF5, 0});
		open("abcdef");
		EXPECT_EQ(editor()->getAnchor(), c.anchor);
		EXPECT_EQ(editor()->getCaret(), c.caret);
		// The release came before: nothing drags.
		window->mouseMoved(CPoint(200, 25), kLeftButton);
		EXPECT_EQ(editor()->getCaret(), c.caret);
		control.editor = nullptr;
		platform->advance(1000); // no double click with the next case
	}
}

TEST_F(TextEditRouterTest, KeysReachTheFrameOnlyWhenTheEditorLeavesThem)
{
	frame->setFocusView(field);
	EXPECT_TRUE(window->keyDown({'a', 0, 0}, "a"));
	EXPECT_EQ(field->keys.size(), 1u) << "no editor: the frame's focus hears it";

	open("");
	window->keyDown({'a', 0, 0}, "a");
	window->keyDown({0, kVKeyLeft, 0});
	EXPECT_EQ(field->keys.size(), 1u);
	EXPECT_EQ(text(), "a");
	window->keyDown({0, kVKeyTab, 0}, "\t");
	EXPECT_EQ(field->keys.size(), 2u) << "the editor has no use for Tab";
}

TEST_F(TextEditRouterTest, EditorsAreDrawnOverTheViews)
{
	control.fontColor = CColor(255, 0, 0);
	open("");
	paint();
	const CRect caret = editor()->getCaretRect();
	const int middle = int((caret.top + caret.bottom) / 2);
	EXPECT_EQ(pixel(int(caret.left), middle), CColor(255, 0, 0));
	EXPECT_EQ(pixel(int(caret.left) + 5, middle), CColor(0, 0, 255));
	// A repaint of a part of the field draws the editor there too.
	window->drawRect(CRect(caret.left - 2, caret.top, caret.left + 3, caret.bottom));
	EXPECT_EQ(pixel(int(caret.left), middle), CColor(255, 0, 0));
}

TEST_F(TextEditRouterTest, TheIBeamShowsOverTheEditor)
{
	open("abc");
	window->mouseMoved(CPoint(50, 25), {});
	EXPECT_EQ(window->cursor, kCursorIBeam);
	window->mouseMoved(CPoint(250, 80), {});
	EXPECT_EQ(window->cursor, kCursorDefault);
	const int32 calls = window->setCursorCalls;
	window->mouseMoved(CPoint(251, 80), {});
	EXPECT_EQ(window->setCursorCalls, calls) << "set only when it changes";
}

TEST_F(TextEditRouterTest, AClosingFrameLeavesItsEditorsInert)
{
	open("abc");
	auto editor = control.editor.cast<GenericTextEdit>();
	ASSERT_TRUE(editor->isBlinking());
	frame->close();
	EXPECT_FALSE(editor->isOpen());
	EXPECT_FALSE(editor->isBlinking());
	EXPECT_EQ(window->getFocusedTextEdit(), nullptr);
	EXPECT_FALSE(editor->onKeyDown({'x', 0, 0}, "x"));
	EXPECT_EQ(editor->getText(), "abc");
	// A closed frame makes no more editors.
	EXPECT_EQ(window->createPlatformTextEdit(&control), nullptr);
}

TEST_F(TextEditRouterTest, AnEditorOutlivingItsPlatformFrameStaysInert)
{
	open("abc");
	auto editor = control.editor.cast<GenericTextEdit>();
	frame->close();
	window = nullptr; // the last reference to the platform frame
	EXPECT_FALSE(editor->isOpen());
	editor->setWindowFocused(true);
	editor->updateSize();
	EXPECT_TRUE(editor->setText("new"));
	EXPECT_EQ(editor->getText(), "new");
}

} // namespace
} // namespace Kavrin::Test
