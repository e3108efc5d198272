#pragma once

// A stand-in for a text control while a platform text editor sits over it:
// it answers the editor's questions from plain fields, records what the
// editor tells it, and can do anything a control may do from inside a
// callback (drop the editor, close the frame, go away itself).

#include "lib/ccolor.h"
#include "lib/cfont.h"
#include "lib/cstring.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformtextedit.h"

#include <functional>
#include <vector>

namespace Kavrin::Test {

class TextEditCallback : public IPlatformTextEditCallback
{
public:
	CColor platformGetBackColor() const override { return backColor; }
	CColor platformGetFontColor() const override { return fontColor; }
	CFontDesc* platformGetFont() const override { return font; }
	CHoriTxtAlign platformGetHoriTxtAlign() const override { return alignment; }
	const UTF8String& platformGetText() const override { return text; }
	const UTF8String& platformGetPlaceholderText() const override { return placeholder; }
	CRect platformGetSize() const override { return size; }
	CRect platformGetVisibleSize() const override { return visibleSize; }
	CPoint platformGetTextInset() const override { return textInset; }
	void platformLooseFocus(bool returnPressed) override { lostFocus.push_back(returnPressed); }
	bool platformOnKeyDown(const MoxKeyCode& key) override
	{
		keys.push_back(key);
		return onKey ? onKey(key) : false;
	}
	void platformTextDidChange() override
	{
		++textChanges;
		if (onTextChange)
			onTextChange();
	}
	bool platformIsSecureTextEdit() override { return secure; }

	// Opens an editor over the control, as a control taking the focus does.
	IPlatformTextEdit* open(IPlatformFrame* frame)
	{
		editor = frame->createPlatformTextEdit(this);
		return editor;
	}

	CColor backColor {kBlackCColor};
	CColor fontColor {kWhiteCColor};
	SharedPointer<CFontDesc> font {makeOwned<CFontDesc>("DejaVu Sans", 12.)};
	CHoriTxtAlign alignment {kLeftText};
	UTF8String text;
	UTF8String placeholder;
	CRect size {10, 10, 210, 40};
	CRect visibleSize {10, 10, 210, 40};
	CPoint textInset {2, 2};
	bool secure {false};

	// The control's reference to its editor; dropping it closes the editor.
	SharedPointer<IPlatformTextEdit> editor;
	// Runs for each key the control hears first; its answer says whether
	// the control took the key.
	std::function<bool(const MoxKeyCode&)> onKey;
	std::function<void()> onTextChange;

	std::vector<MoxKeyCode> keys;
	std::vector<bool> lostFocus;
	int textChanges {0};
};

} // namespace Kavrin::Test
