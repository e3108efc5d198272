#include "lib/controls/ctextedit.h"

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/messages.h"
#include "lib/platform/iplatformframe.h"

#include <algorithm>
#include <string>
#include <utility>

namespace Kavrin {

CTextEdit::CTextEdit(const CRect& size, IControlListener* listener, int32 tag, const char* txt, CBitmap* background,
                     int32 style)
: CTextLabel(size, txt, background, style)
{
	this->listener = listener;
	this->tag = tag;
	setWantsFocus(true);
}

CTextEdit::CTextEdit(const CTextEdit& other)
: CTextLabel(other), IPlatformTextEditCallback(other), bWasReturnPressed(other.bWasReturnPressed),
  stringToValueFunction(other.stringToValueFunction), immediateTextChange(other.immediateTextChange),
  secureStyle(other.secureStyle), platformFont(other.platformFont), placeholderString(other.placeholderString)
{
}

CTextEdit::~CTextEdit() noexcept = default;

CView* CTextEdit::cloneView() const
{
	return new CTextEdit(*this);
}

// ---- Value and text ----

void CTextEdit::setValue(float newValue)
{
	SharedPointer<CTextEdit> keepAlive = this;
	CTextLabel::setValue(newValue);
	std::string converted;
	if (convertValueToString(value, converted))
	{
		CTextLabel::setText(UTF8String(std::move(converted)));
		if (auto editor = platformTextEdit)
			editor->setText(text);
		return;
	}
	const float exact = value;
	setText(UTF8String(formatValue(value)));
	// Reading the shown text back must not round the value to the decimals
	// shown: a host that sets 0.123456 gets 0.123456 back.
	CTextLabel::setValue(exact);
}

void CTextEdit::setText(const UTF8String& newText)
{
	SharedPointer<CTextEdit> keepAlive = this;
	UTF8String shown = newText;
	// A copy: the function may replace itself.
	if (auto toValue = stringToValueFunction)
	{
		float newValue = value;
		if (toValue(newText.get(), newValue, this))
		{
			CTextLabel::setValue(newValue);
			std::string converted;
			if (convertValueToString(value, converted))
				shown = UTF8String(std::move(converted));
		}
	}
	CTextLabel::setText(shown);
	if (auto editor = platformTextEdit)
		editor->setText(text);
}

void CTextEdit::valueChanged()
{
	if (stringToValueFunction)
		CTextLabel::valueChanged();
	else
		CParamDisplay::valueChanged();
}

void CTextEdit::updateText(IPlatformTextEdit* editor)
{
	SharedPointer<CTextEdit> keepAlive = this;
	SharedPointer<IPlatformTextEdit> keepEditor = editor;
	UTF8String newText = editor->getText();
	if (newText == text)
		return;
	EditGuard edit(this);
	setText(newText);
	// A listener that took the field away as the edit began hears no change.
	if (edit.isOpen())
		valueChanged();
}

void CTextEdit::setStringToValueFunction(const StringToValueFunction& function)
{
	stringToValueFunction = function;
}

void CTextEdit::setSecureStyle(bool state)
{
	if (secureStyle == state)
		return;
	secureStyle = state;
	drawStyleChanged();
}

void CTextEdit::setImmediateTextChange(bool state)
{
	immediateTextChange = state;
}

void CTextEdit::setPlaceholderString(const UTF8String& placeholder)
{
	if (placeholderString == placeholder)
		return;
	placeholderString = placeholder;
	drawStyleChanged();
}

// ---- Focus and editing ----

bool CTextEdit::wantsFocus() const
{
	if ((getStyle() & kDoubleClickStyle) && !platformTextEdit && !focusRequested)
		return false;
	return CTextLabel::wantsFocus();
}

CMouseEventResult CTextEdit::onMouseDown(CPoint&, const CButtonState& buttons)
{
	CFrame* frame = getFrame();
	if (!buttons.isLeftButton() || !frame || frame->getFocusView() == this)
		return kMouseNotHandled;
	if ((getStyle() & kDoubleClickStyle) && !buttons.isDoubleClick())
		return kMouseNotHandled;
	takeFocus();
	return kMouseDownHandledNoMoveOrUp;
}

// The frame refuses the focus during a modal session elsewhere or while it
// is inactive: the editor opens only over a field that has the focus. When
// the frame grants it, it calls takeFocus again, as the focus view.
void CTextEdit::takeFocus()
{
	SharedPointer<CFrame> frame = getFrame();
	if (!frame)
		return;
	SharedPointer<CTextEdit> keepAlive = this;
	if (frame->getFocusView() != this)
	{
		focusRequested = true;
		frame->setFocusView(this);
		focusRequested = false;
		if (frame->getFocusView() != this)
		{
			dropPlatformTextEdit();
			return;
		}
		// The frame calls back only a view that wants the focus; a field
		// kept out of the focus chain still edits when it is clicked.
		if (platformTextEdit || !isAttached())
			return;
	}
	if (!platformTextEdit)
	{
		bWasReturnPressed = false;
		platformTextEdit = createPlatformTextEdit();
	}
	CTextLabel::takeFocus();
	invalid();
}

SharedPointer<IPlatformTextEdit> CTextEdit::createPlatformTextEdit()
{
	CFrame* frame = getFrame();
	IPlatformFrame* platformFrame = frame ? frame->getPlatformFrame() : nullptr;
	return platformFrame ? platformFrame->createPlatformTextEdit(this) : nullptr;
}

void CTextEdit::dropPlatformTextEdit()
{
	if (auto editor = std::move(platformTextEdit))
		invalid();
}

void CTextEdit::looseFocus()
{
	SharedPointer<CTextEdit> keepAlive = this;
	SharedPointer<IPlatformTextEdit> editor = std::move(platformTextEdit);
	if (!editor)
	{
		CTextLabel::looseFocus();
		return;
	}
	updateText(editor);
	// The first owner that answers drops whatever focus it gave the field.
	for (SharedPointer<CView> parent = getParentView(); parent; parent = parent->getParentView())
	{
		if (parent->notify(this, kMsgLooseFocus) == kMessageHandled)
			break;
	}
	CTextLabel::looseFocus();
	invalid();
}

bool CTextEdit::isEditingEndKey(const MoxKeyCode& key)
{
	return key.virt == kVKeyReturn || key.virt == kVKeyEscape;
}

int32 CTextEdit::onKeyDown(MoxKeyCode& keyCode)
{
	if (!platformTextEdit || !isEditingEndKey(keyCode))
		return kKeyNotHandled;
	SharedPointer<CTextEdit> keepAlive = this;
	bWasReturnPressed = keyCode.virt == kVKeyReturn;
	if (!bWasReturnPressed)
	{
		SharedPointer<IPlatformTextEdit> editor = platformTextEdit;
		editor->setText(text);
	}
	if (CFrame* frame = getFrame(); frame && frame->getFocusView() == this)
		frame->setFocusView(nullptr);
	// The frame has closed the editor unless it could not move the focus.
	if (platformTextEdit)
		looseFocus();
	return kKeyHandled;
}

bool CTextEdit::platformOnKeyDown(const MoxKeyCode& key)
{
	// The key may end the editing: the field and its editor stay alive
	// until the editor's call returns, whatever listeners do meanwhile.
	SharedPointer<CTextEdit> keepAlive = this;
	SharedPointer<IPlatformTextEdit> keepEditor = platformTextEdit;
	if (SharedPointer<CFrame> frame = getFrame())
	{
		MoxKeyCode frameKey = key;
		if (frame->platformOnKeyDown(frameKey))
			return true;
	}
	if (!isEditingEndKey(key))
		return false;
	// Escape drops the typed text on this path too.
	if (key.virt == kVKeyEscape && platformTextEdit)
		platformTextEdit->setText(text);
	platformLooseFocus(key.virt == kVKeyReturn);
	return true;
}

void CTextEdit::platformLooseFocus(bool returnPressed)
{
	SharedPointer<CTextEdit> keepAlive = this;
	SharedPointer<IPlatformTextEdit> keepEditor = platformTextEdit;
	bWasReturnPressed = returnPressed;
	if (CFrame* frame = getFrame(); frame && frame->getFocusView() == this)
		frame->setFocusView(nullptr);
}

void CTextEdit::platformTextDidChange()
{
	if (!platformTextEdit || !immediateTextChange)
		return;
	SharedPointer<IPlatformTextEdit> editor = platformTextEdit;
	updateText(editor);
}

bool CTextEdit::removed(CView* parent)
{
	SharedPointer<CTextEdit> keepAlive = this;
	const bool result = CTextLabel::removed(parent);
	// The frame commits and closes the editor as the focus leaves; this
	// closes one left behind when the field left during a focus change.
	dropPlatformTextEdit();
	return result;
}

// ---- Geometry ----

void CTextEdit::setViewSize(const CRect& rect, bool invalid)
{
	CTextLabel::setViewSize(rect, invalid);
	if (auto editor = platformTextEdit)
		editor->updateSize();
}

void CTextEdit::parentSizeChanged()
{
	CTextLabel::parentSizeChanged();
	if (auto editor = platformTextEdit)
		editor->updateSize();
}

CRect CTextEdit::toFrameRect(const CRect& rect) const
{
	const CGraphicsTransform transform = getGlobalTransform();
	const CPoint a = transform.transformed(rect.getTopLeft());
	const CPoint b = transform.transformed(rect.getBottomRight());
	return CRect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
}

// ---- The editor's callback ----

CColor CTextEdit::platformGetBackColor() const
{
	return backColor;
}

CColor CTextEdit::platformGetFontColor() const
{
	return fontColor;
}

CFontDesc* CTextEdit::platformGetFont() const
{
	const double size = font->getSize() * getGlobalTransform().m11;
	if (size == font->getSize())
		return font;
	if (!platformFont || platformFont->getSize() != size || platformFont->getName() != font->getName() ||
	    platformFont->getStyle() != font->getStyle())
	{
		platformFont = owned(new CFontDesc(*font));
		platformFont->setSize(size);
	}
	return platformFont;
}

CHoriTxtAlign CTextEdit::platformGetHoriTxtAlign() const
{
	return horiTxtAlign;
}

const UTF8String& CTextEdit::platformGetText() const
{
	return text;
}

const UTF8String& CTextEdit::platformGetPlaceholderText() const
{
	return placeholderString;
}

CRect CTextEdit::platformGetSize() const
{
	return toFrameRect(getViewSize());
}

CRect CTextEdit::platformGetVisibleSize() const
{
	return toFrameRect(getVisibleViewSize());
}

CPoint CTextEdit::platformGetTextInset() const
{
	return textInset;
}

bool CTextEdit::platformIsSecureTextEdit()
{
	return secureStyle;
}

// ---- Drawing ----

UTF8String CTextEdit::getCurrentText() const
{
	return platformTextEdit ? platformTextEdit->getText() : text;
}

UTF8String CTextEdit::getBullets() const
{
	std::string bullets;
	bullets.reserve(text.length() * 3);
	for (size_t i = 0; i < text.length(); ++i)
		bullets += "\xE2\x80\xA2";
	return UTF8String(std::move(bullets));
}

void CTextEdit::drawPlaceholder(CDrawContext* context, const CRect& rect)
{
	context->saveGlobalState();
	context->setGlobalAlpha(context->getGlobalAlpha() * 0.5f);
	drawPlatformText(context, placeholderString.getPlatformString(), rect);
	context->restoreGlobalState();
}

void CTextEdit::draw(CDrawContext* context)
{
	if (style & kNoDrawStyle)
	{
		setDirty(false);
		return;
	}
	drawBack(context, nullptr);
	if (platformTextEdit)
	{
		// The editor draws the text; a placeholder only when it draws none.
		if (!platformTextEdit->drawsPlaceholder() && !placeholderString.empty() &&
		    platformTextEdit->getText().empty())
			drawPlaceholder(context, getViewSize());
	}
	else if (text.empty() && !placeholderString.empty())
		drawPlaceholder(context, getViewSize());
	else if (secureStyle)
		drawPlatformText(context, getBullets().getPlatformString());
	else
		drawPlatformText(context, (truncatedText.empty() ? text : truncatedText).getPlatformString());
	setDirty(false);
}

} // namespace Kavrin
