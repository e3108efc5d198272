#pragma once

#include "lib/controls/ctextlabel.h"
#include "lib/platform/iplatformtextedit.h"

#include <functional>

namespace Kavrin {

// An editable single-line text field. Idle, it is a label that draws its
// text itself; while it has the focus, an editor made by the platform frame
// sits over it and does the typing, and the field is that editor's
// callback. The typed text is committed, in one edit, when the editor goes
// (the focus moves on, Return); Escape drops it. A string-to-value function
// lets the text drive the value.
//
// The field owns the editor while it is open; the editor holds the field
// only as its callback, and hears nothing more from it once dropped.
class CTextEdit : public CTextLabel, public IPlatformTextEditCallback
{
public:
	enum Style : int32
	{
		// A single click does not start editing; a double click does.
		kDoubleClickStyle = 1 << 8,
	};

	// Reads a value from typed text; false leaves the value alone and shows
	// the text as typed.
	using StringToValueFunction = std::function<bool(const char* text, float& value, CTextEdit* textEdit)>;

	CTextEdit(const CRect& size, IControlListener* listener = nullptr, int32 tag = -1, const char* txt = nullptr,
	          CBitmap* background = nullptr, int32 style = 0);
	// Copies every setting; the copy has no editor open.
	CTextEdit(const CTextEdit& other);
	~CTextEdit() noexcept override;

	CView* cloneView() const override;
	// The text follows: the conversion function's text, else the value
	// with the display's decimals.
	void setValue(float value) override;
	// With a string-to-value function, the text sets the value.
	void setText(const UTF8String& newText) override;
	void valueChanged() override;
	void draw(CDrawContext* context) override;
	// A left click starts editing (a double click with kDoubleClickStyle).
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	// While editing: Return commits, Escape drops the typed text; both end
	// the editing.
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	// Asks the frame for the focus; the editor opens once it is granted.
	void takeFocus() override;
	// Commits the typed text and closes the editor.
	void looseFocus() override;
	bool wantsFocus() const override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	void parentSizeChanged() override;
	// A field taken out of the tree while editing closes its editor.
	bool removed(CView* parent) override;

	// Commits on every change the editor reports.
	virtual void setImmediateTextChange(bool state);
	// Shown, at half alpha, while the text is empty.
	virtual void setPlaceholderString(const UTF8String& placeholder);

	// IPlatformTextEditCallback
	CColor platformGetBackColor() const override;
	CColor platformGetFontColor() const override;
	// The font scaled as the view is on screen.
	CFontDesc* platformGetFont() const override;
	CHoriTxtAlign platformGetHoriTxtAlign() const override;
	const UTF8String& platformGetText() const override;
	const UTF8String& platformGetPlaceholderText() const override;
	// In frame coordinates.
	CRect platformGetSize() const override;
	CRect platformGetVisibleSize() const override;
	CPoint platformGetTextInset() const override;
	void platformLooseFocus(bool returnPressed) override;
	// The frame's keyboard handling sees the key first; Return and Escape
	// end the editing. True when the key was taken.
	bool platformOnKeyDown(const MoxKeyCode& key) override;
	void platformTextDidChange() override;
	bool platformIsSecureTextEdit() override;

	void setStringToValueFunction(const StringToValueFunction& function);
	// Draws one bullet per byte of the text instead of the text.
	void setSecureStyle(bool state);
	bool getSecureStyle() const { return secureStyle; }
	bool getImmediateTextChange() const { return immediateTextChange; }
	const UTF8String& getPlaceholderString() const { return placeholderString; }
	// Whether the last editing ended with Return.
	bool getWasReturnPressed() const { return bWasReturnPressed; }
	// The open editor, or null.
	IPlatformTextEdit* getPlatformTextEdit() const { return platformTextEdit; }

protected:
	// Asks the platform frame for an editor; null when it has none.
	SharedPointer<IPlatformTextEdit> createPlatformTextEdit();
	// Commits the editor's text, in one edit, when it differs from the
	// label's.
	void updateText(IPlatformTextEdit* editor);
	// What the user sees: the open editor's text, else the label's.
	UTF8String getCurrentText() const;
	// The placeholder, at half alpha, in rect.
	void drawPlaceholder(CDrawContext* context, const CRect& rect);
	// One bullet for each byte of the text, which the secure style shows.
	UTF8String getBullets() const;
	// A rect in the parent's coordinates, in the frame's.
	CRect toFrameRect(const CRect& rect) const;

	bool bWasReturnPressed {false};
	SharedPointer<IPlatformTextEdit> platformTextEdit;
	StringToValueFunction stringToValueFunction;
	bool immediateTextChange {false};
	bool secureStyle {false};
	mutable SharedPointer<CFontDesc> platformFont;
	UTF8String placeholderString;

private:
	// Takes the editor from the field without committing.
	void dropPlatformTextEdit();
	static bool isEditingEndKey(const MoxKeyCode& key);

	// Set while the field asks the frame for the focus, so that the frame
	// treats it as a view that wants it (kDoubleClickStyle says no until
	// an editor is open).
	bool focusRequested {false};
};

} // namespace Kavrin
