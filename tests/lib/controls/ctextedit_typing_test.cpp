// The text field with the toolkit's own editor, driven through the window
// as a user would: clicks open it, keys go to it first.

#include "tests/support/controlframe.h"
#include "tests/support/recording.h"

#include "lib/controls/ctextedit.h"
#include "lib/platform/common/generictextedit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace Kavrin::Test {
namespace {

constexpr CRect kFieldRect {20, 20, 160, 44};

class TextEditTypingTest : public ControlFrameTest
{
protected:
	CTextEdit* addField(const char* text)
	{
		auto field = add(new CTextEdit(kFieldRect, nullptr, 0, text));
		field->setStringToValueFunction([](const char* typed, float& value, CTextEdit*) {
			char* end = nullptr;
			const float parsed = std::strtof(typed, &end);
			if (end == typed)
				return false;
			value = parsed;
			return true;
		});
		field->setValueToStringFunction2([](float value, std::string& shown, CParamDisplay*) {
			char buffer[32];
			std::snprintf(buffer, sizeof(buffer), "%.1f dB", double(value));
			shown = buffer;
			return true;
		});
		return field;
	}
	// A click through the window: the frame opens the field's editor.
	void clickThroughWindow(CPoint where)
	{
		window->mouseDown(where, CButtonState(kLeftButton));
		window->mouseUp(where, CButtonState(kLeftButton));
	}
	bool pressKey(uint8 virt)
	{
		MoxKeyCode key;
		key.virt = virt;
		return window->keyDown(key);
	}
	void startEditing(CTextEdit* field)
	{
		clickThroughWindow(at(field, 10, 10));
		ASSERT_EQ(frame->getFocusView(), field);
		ASSERT_NE(window->getFocusedTextEdit(), nullptr);
		ASSERT_EQ(window->getFocusedTextEdit(), field->getPlatformTextEdit());
	}
};

TEST_F(TextEditTypingTest, TypedValueIsCommittedByReturnInOneEdit)
{
	auto field = addField("");
	startEditing(field);
	window->typeText("0.3");
	EXPECT_TRUE(log.empty()) << "nothing is committed while typing";
	EXPECT_EQ(field->getPlatformTextEdit()->getText(), "0.3");
	EXPECT_TRUE(pressKey(kVKeyReturn));
	EXPECT_EQ(log, bracket(1));
	EXPECT_FLOAT_EQ(field->getValue(), 0.3f);
	EXPECT_EQ(field->getText(), "0.3 dB");
	EXPECT_TRUE(field->getWasReturnPressed());
	EXPECT_EQ(window->getFocusedTextEdit(), nullptr);
	EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(TextEditTypingTest, EscapeRestoresTheText)
{
	auto field = addField("0.5 dB");
	field->setValue(0.5f);
	log.clear();
	startEditing(field);
	window->typeText("123");
	EXPECT_NE(field->getPlatformTextEdit()->getText(), "0.5 dB");
	EXPECT_TRUE(pressKey(kVKeyEscape));
	EXPECT_TRUE(log.empty());
	EXPECT_EQ(field->getText(), "0.5 dB");
	EXPECT_FLOAT_EQ(field->getValue(), 0.5f);
	EXPECT_FALSE(field->getWasReturnPressed());
	EXPECT_EQ(window->getFocusedTextEdit(), nullptr);
}

TEST_F(TextEditTypingTest, TabCommitsAndMovesOn)
{
	auto field = addField("");
	auto next = add(new RecordingControl(CRect(20, 80, 60, 100)));
	startEditing(field);
	window->typeText("0.7");
	EXPECT_TRUE(pressKey(kVKeyTab));
	EXPECT_EQ(log, bracket(1));
	EXPECT_FLOAT_EQ(field->getValue(), 0.7f);
	EXPECT_EQ(frame->getFocusView(), next);
	EXPECT_EQ(window->getFocusedTextEdit(), nullptr);
}

TEST_F(TextEditTypingTest, ListenerMayRemoveTheFieldOrCloseTheFrameOnReturn)
{
	for (bool closeFrame : {false, true})
	{
		SCOPED_TRACE(closeFrame ? "closes the frame" : "removes the field");
		reopenFrame();
		auto field = addField("");
		startEditing(field);
		window->typeText("0.4");
		listener.onChanged = [&](CControl* control) {
			listener.onChanged = nullptr;
			if (closeFrame)
				frame->close();
			else
				page->removeView(control);
		};
		SharedPointer<HeadlessFrame> keepWindow = window;
		EXPECT_TRUE(pressKey(kVKeyReturn));
		EXPECT_EQ(log, bracket(1));
		EXPECT_EQ(keepWindow->getFocusedTextEdit(), nullptr);
		listener.onChanged = nullptr;
	}
}

} // namespace
} // namespace Kavrin::Test
