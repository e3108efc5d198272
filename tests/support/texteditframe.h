#pragma once

// An open frame on the headless platform with a text control stand-in
// whose editor the frame makes: input goes through the frame's entry
// points as a window would send it, and the virtual clock drives the caret.

#include "tests/support/printers.h"
#include "tests/support/texteditcallback.h"

#include "lib/cframe.h"
#include "lib/idatapackage.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/common/generictextedit.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {

// One key press for a table of editing cases: typed text (one press per
// character) or a key with modifiers.
struct KeyStep
{
	MoxKeyCode key;
	std::string text;
	bool typing {false};
};

inline KeyStep typeText(std::string text)
{
	return {{}, std::move(text), true};
}
inline KeyStep press(uint8 virt, uint8 modifiers = 0, std::string text = {})
{
	return {{0, virt, modifiers}, std::move(text)};
}
inline KeyStep pressWithShift(uint8 virt)
{
	return press(virt, kModifierShift);
}
inline KeyStep pressWithControl(uint8 virt, uint8 more = 0)
{
	return press(virt, uint8(kModifierControl | more));
}
// Control and a letter, which also types the letter as X11 reports it.
inline KeyStep withControl(char letter, uint8 more = 0)
{
	return {{letter, 0, uint8(kModifierControl | more)}, std::string(1, letter)};
}

class TextEditFrameTest : public ::testing::Test
{
protected:
	static constexpr CRect kFrameRect {0, 0, 300, 100};

	TextEditFrameTest()
	{
		setPlatform(platform);
		frame = new CFrame(kFrameRect);
		frameHolder = frame;
		frame->setBackgroundColor(kBlackCColor);
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	}
	~TextEditFrameTest() override
	{
		frame->close();
		control.editor = nullptr;
		setPlatform(nullptr);
	}

	// Opens an editor over the control with the control's text.
	GenericTextEdit* open(const std::string& text = {})
	{
		control.text = text;
		control.open(window);
		return editor();
	}
	GenericTextEdit* editor() const { return window->getFocusedTextEdit(); }
	std::string text() const { return editor() ? editor()->getText().getString() : "(closed)"; }

	void run(const std::vector<KeyStep>& steps)
	{
		for (const auto& step : steps)
		{
			if (step.typing)
				window->typeText(step.text);
			else
				window->keyDown(step.key, step.text);
		}
	}

	// Paints the whole window, views first, the editor over them.
	void paint()
	{
		window->invalidRects.clear();
		window->drawRect(kFrameRect);
	}
	CColor pixel(int x, int y) const { return window->getSurface()->getPixel(x, y); }

	SharedPointer<HeadlessPlatform> platform {makeOwned<HeadlessPlatform>()};
	int parent {0};
	CFrame* frame {nullptr};
	// A test may close the frame; this keeps it until the fixture ends.
	SharedPointer<CFrame> frameHolder;
	SharedPointer<HeadlessFrame> window;
	TextEditCallback control;
};

} // namespace Kavrin::Test
