#include "lib/platform/common/generictextedit.h"

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/platform/cairo/textboundaries.h"
#include "lib/platform/cairo/texteditlayout.h"
#include "lib/platform/common/singlelinetext.h"
#include "lib/platform/common/texteditrouter.h"
#include "lib/platform/iplatformframe.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

namespace {

constexpr const char* kBullet = "\xE2\x80\xA2"; // U+2022
constexpr size_t kBulletBytes = 3;
constexpr double kCaretWidth = 1.;
// The selection shows the text's own colour at this share over what is
// below, so that it reads on any background the control has.
constexpr double kSelectionOpacity = 0.3;

std::string bullets(size_t count)
{
	std::string text;
	text.reserve(count * kBulletBytes);
	for (size_t i = 0; i < count; ++i)
		text += kBullet;
	return text;
}

size_t codePointCount(std::string_view text)
{
	return size_t(std::count_if(text.begin(), text.end(),
	                            [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool hasCommandModifier(const MoxKeyCode& key)
{
	return (key.modifier & (kModifierControl | kModifierCommand)) != 0;
}

} // namespace

// Keeps the editor alive for a call from outside and counts the calls in
// progress, so that a drop by the control shows in the reference count.
class GenericTextEdit::CallGuard
{
public:
	explicit CallGuard(GenericTextEdit* editor) : editor(editor), keepAlive(editor) { ++editor->callDepth; }
	~CallGuard() noexcept { --editor->callDepth; }
	CallGuard(const CallGuard&) = delete;
	CallGuard& operator=(const CallGuard&) = delete;

private:
	GenericTextEdit* editor;
	SharedPointer<GenericTextEdit> keepAlive;
};

// ---- Life ----

GenericTextEdit::GenericTextEdit(IPlatformTextEditCallback* callback, ITextEditHost* host)
: callback(callback), host(host), boundaries(std::make_unique<TextBoundaries>()),
  layout(std::make_unique<TextEditLayout>()), placeholderLayout(std::make_unique<TextEditLayout>())
{
	if (!callback || !host)
	{
		detached = true;
		return;
	}
	readGeometry();
	std::string text = SingleLineText::sanitized(callback->platformGetText().getString(),
	                                             SingleLineText::Source::kPasted);
	text.resize(SingleLineText::codePointBoundaryBefore(text, kMaxTextBytes));
	buffer.setText(std::move(text));
	// Keyboard users who reach a field expect to type over its value; a
	// click that opened it places the caret instead.
	buffer.select(0, buffer.getText().size());
	boundaries->setText(buffer.getText());
	layOut();
	invalidate();
	restartBlink();
}

GenericTextEdit::~GenericTextEdit() noexcept
{
	stopBlinking();
	if (router)
		std::exchange(router, nullptr)->remove(this);
}

bool GenericTextEdit::isOpen() const
{
	return !detached && callback && host;
}

bool GenericTextEdit::stillOpen(int32 referencesBefore)
{
	if (!detached && getNbReference() >= referencesBefore && getNbReference() > callDepth)
		return true;
	close();
	return false;
}

void GenericTextEdit::close()
{
	if (detached)
		return;
	invalidate();
	detached = true;
	dragMode = DragMode::kNone;
	stopBlinking();
	callback = nullptr;
	host = nullptr;
	if (router)
		std::exchange(router, nullptr)->remove(this);
}

void GenericTextEdit::detachHost()
{
	if (detached)
		return;
	host = nullptr; // the frame is going: nothing to repaint
	close();
}

// ---- The control's operations ----

UTF8String GenericTextEdit::getText()
{
	return UTF8String(buffer.getText());
}

bool GenericTextEdit::setText(const UTF8String& text)
{
	std::string clean = SingleLineText::sanitized(text.getString(), SingleLineText::Source::kPasted);
	clean.resize(SingleLineText::codePointBoundaryBefore(clean, kMaxTextBytes));
	if (clean == buffer.getText())
		return true;
	buffer.setText(std::move(clean));
	boundaries->setText(buffer.getText());
	if (!isOpen())
		return true;
	invalidate();
	layOut();
	invalidate();
	return true;
}

void GenericTextEdit::updateSize()
{
	if (!isOpen())
		return;
	invalidate();
	readGeometry();
	layOut();
	invalidate();
}

bool GenericTextEdit::drawsPlaceholder() const
{
	return true;
}

void GenericTextEdit::readGeometry()
{
	size = callback->platformGetSize();
	visibleSize = callback->platformGetVisibleSize();
	textInset = callback->platformGetTextInset();
	alignment = callback->platformGetHoriTxtAlign();
	secure = callback->platformIsSecureTextEdit();
	font = callback->platformGetFont();
	layout->setFont(font);
	placeholderLayout->setFont(font);
}

// ---- Keys ----

bool GenericTextEdit::onKeyDown(const MoxKeyCode& key, std::string_view text)
{
	CallGuard guard(this);
	if (!isOpen())
		return false;
	const int32 references = getNbReference();
	const bool takenByControl = callback->platformOnKeyDown(key);
	if (!stillOpen(references) || takenByControl)
		return takenByControl;
	if (handleEditingKey(key))
		return true;
	if (hasCommandModifier(key))
		return handleShortcut(key);
	return insertText(text, false);
}

bool GenericTextEdit::handleEditingKey(const MoxKeyCode& key)
{
	const bool shift = key.modifier & kModifierShift;
	const bool byWord = hasCommandModifier(key);
	switch (key.virt)
	{
		case kVKeyLeft:
		case kVKeyRight:
			moveCaret(key.virt == kVKeyRight, byWord, shift);
			return true;
		case kVKeyHome:
		case kVKeyEnd:
			buffer.moveCaret(key.virt == kVKeyHome ? 0 : buffer.getText().size(), shift);
			selectionDidChange(shift);
			return true;
		case kVKeyBack:
			deleteBackward(byWord);
			return true;
		case kVKeyDelete:
			if (shift && !byWord)
				cut();
			else
				deleteForward(byWord);
			return true;
		case kVKeyInsert:
			if (byWord)
				copy();
			else if (shift)
				paste();
			return byWord || shift;
		default:
			return false;
	}
}

bool GenericTextEdit::handleShortcut(const MoxKeyCode& key)
{
	const bool shift = key.modifier & kModifierShift;
	switch (key.character)
	{
		case 'a':
			selectAll();
			return true;
		case 'c':
			copy();
			return true;
		case 'x':
			cut();
			return true;
		case 'v':
			paste();
			return true;
		case 'z':
			undo(shift);
			return true;
		case 'y':
			undo(true);
			return true;
		default:
			return false;
	}
}

// Without Shift, an arrow first collapses a selection to the side it points
// to; with it the selection grows or shrinks from its anchor.
void GenericTextEdit::moveCaret(bool forward, bool byWord, bool extend)
{
	size_t target;
	if (buffer.hasSelection() && !extend && !byWord)
		target = forward ? buffer.selectionEnd() : buffer.selectionStart();
	else if (byWord)
		target = forward ? boundaries->nextWordEnd(buffer.getCaret())
		                 : boundaries->previousWordStart(buffer.getCaret());
	else
		target = forward ? boundaries->nextCursorStop(buffer.getCaret())
		                 : boundaries->previousCursorStop(buffer.getCaret());
	buffer.moveCaret(target, extend);
	selectionDidChange(extend);
}

bool GenericTextEdit::deleteBackward(bool byWord)
{
	if (buffer.hasSelection())
		return replace(buffer.selectionStart(), buffer.selectionEnd(), {}, TextBuffer::EditKind::kOther);
	const size_t caret = buffer.getCaret();
	if (byWord)
		return replace(boundaries->previousWordStart(caret), caret, {}, TextBuffer::EditKind::kOther);
	return replace(boundaries->backspaceStart(caret), caret, {}, TextBuffer::EditKind::kDeleteBackward);
}

bool GenericTextEdit::deleteForward(bool byWord)
{
	if (buffer.hasSelection())
		return replace(buffer.selectionStart(), buffer.selectionEnd(), {}, TextBuffer::EditKind::kOther);
	const size_t caret = buffer.getCaret();
	if (byWord)
		return replace(caret, boundaries->nextWordEnd(caret), {}, TextBuffer::EditKind::kOther);
	return replace(caret, boundaries->nextCursorStop(caret), {}, TextBuffer::EditKind::kDeleteForward);
}

// Typed text that holds nothing to insert (Tab, Escape and other control
// keys) is left to the frame.
bool GenericTextEdit::insertText(std::string_view bytes, bool pasted)
{
	std::string clean = SingleLineText::sanitized(
	    bytes, pasted ? SingleLineText::Source::kPasted : SingleLineText::Source::kTyped);
	if (clean.empty())
		return pasted;
	replace(buffer.selectionStart(), buffer.selectionEnd(), clean,
	        pasted ? TextBuffer::EditKind::kOther : TextBuffer::EditKind::kTyping);
	return true;
}

void GenericTextEdit::selectAll()
{
	buffer.select(0, buffer.getText().size());
	selectionDidChange(true);
}

// A password stays where it is: neither the clipboard nor the selection
// that other programs read gets it.
void GenericTextEdit::copy()
{
	if (secure || !buffer.hasSelection() || !isOpen())
		return;
	host->setClipboardText(buffer.selectedText());
}

bool GenericTextEdit::cut()
{
	if (secure || !buffer.hasSelection())
		return false;
	copy();
	return replace(buffer.selectionStart(), buffer.selectionEnd(), {}, TextBuffer::EditKind::kOther);
}

bool GenericTextEdit::paste()
{
	if (!isOpen())
		return false;
	std::string text = host->getClipboardText();
	if (!isOpen())
		return false;
	return insertText(text, true);
}

bool GenericTextEdit::undo(bool redo)
{
	if (!(redo ? buffer.redo() : buffer.undo()))
		return false;
	return textDidChange();
}

// ---- Mouse ----

int32 GenericTextEdit::countClick(const CPoint& where, const CButtonState& buttons)
{
	const uint32 now = IPlatformFrame::getTicks();
	const bool nearLast = now - lastPressTime <= kTripleClickTime &&
	                      std::fabs(where.x - lastPressPosition.x) <= kTripleClickDistance &&
	                      std::fabs(where.y - lastPressPosition.y) <= kTripleClickDistance;
	int32 count = 1;
	if (buttons.isDoubleClick())
		count = 2;
	else if (nearLast && lastClickCount == 2)
		count = 3;
	lastPressTime = now;
	lastPressPosition = where;
	lastClickCount = count;
	return count;
}

bool GenericTextEdit::onMouseDown(const CPoint& where, const CButtonState& buttons)
{
	CallGuard guard(this);
	if (!isOpen() || !getVisibleRect().pointInside(where))
		return false;
	if (buttons & kMiddleButton)
	{
		pastePrimaryAt(where);
		return true;
	}
	if (!buttons.isLeftButton())
		return false;
	const size_t offset = offsetAt(where);
	switch (countClick(where, buttons))
	{
		case 1:
			buffer.moveCaret(offset, buttons & kShiftModifier);
			dragMode = DragMode::kCharacters;
			break;
		case 2:
			dragOrigin = boundaries->wordAt(offset);
			buffer.select(dragOrigin.first, dragOrigin.second);
			dragMode = DragMode::kWords;
			break;
		default:
			buffer.select(0, buffer.getText().size());
			dragMode = DragMode::kAll;
			break;
	}
	selectionDidChange(false);
	return true;
}

void GenericTextEdit::onMouseMoved(const CPoint& where, const CButtonState&)
{
	if (!isOpen() || dragMode == DragMode::kNone)
		return;
	dragTo(offsetAt(where));
}

// A drag that began with a double click grows the selection by whole words.
void GenericTextEdit::dragTo(size_t offset)
{
	switch (dragMode)
	{
		case DragMode::kCharacters:
			buffer.moveCaret(offset, true);
			break;
		case DragMode::kWords:
		{
			auto word = boundaries->wordAt(offset);
			if (offset < dragOrigin.first)
				buffer.select(dragOrigin.second, word.first);
			else
				buffer.select(dragOrigin.first, std::max(word.second, dragOrigin.second));
			break;
		}
		default:
			return;
	}
	selectionDidChange(false);
}

void GenericTextEdit::onMouseUp(const CPoint&, const CButtonState&)
{
	if (dragMode == DragMode::kNone)
		return;
	dragMode = DragMode::kNone;
	if (isOpen())
		offerSelectionAsPrimary();
}

// X11 habit: the middle button inserts the primary selection where it
// clicks, leaving any selection of the field alone.
bool GenericTextEdit::pastePrimaryAt(const CPoint& where)
{
	std::string text = host->getPrimaryText();
	if (!isOpen())
		return false;
	std::string clean = SingleLineText::sanitized(text, SingleLineText::Source::kPasted);
	if (clean.empty())
		return false;
	const size_t offset = offsetAt(where);
	buffer.moveCaret(offset);
	return replace(offset, offset, clean, TextBuffer::EditKind::kOther);
}

size_t GenericTextEdit::offsetAt(const CPoint& where) const
{
	return fromDisplay(layout->getOffsetAtX(where.x - lineOrigin().x));
}

// ---- Input methods ----

void GenericTextEdit::commitText(std::string_view utf8)
{
	CallGuard guard(this);
	if (!isOpen())
		return;
	const bool hadPreedit = !preedit.empty();
	preedit.clear();
	preeditCaret = 0;
	if (!insertText(utf8, false) && hadPreedit)
		selectionDidChange(false);
}

void GenericTextEdit::setPreedit(std::string_view utf8, int32 caretByte)
{
	if (!isOpen())
		return;
	std::string clean = SingleLineText::sanitized(utf8, SingleLineText::Source::kTyped);
	if (clean == preedit && size_t(std::max(caretByte, 0)) == preeditCaret)
		return;
	preedit = std::move(clean);
	preeditCaret = SingleLineText::codePointBoundaryBefore(preedit, size_t(std::max(caretByte, 0)));
	invalidate();
	layOut();
	invalidate();
	restartBlink();
	host->textEditCaretMoved(getCaretRect());
}

// ---- State changes ----

bool GenericTextEdit::replace(size_t from, size_t to, std::string_view insertion, TextBuffer::EditKind kind)
{
	if (from > to)
		std::swap(from, to);
	to = std::min(to, buffer.getText().size());
	from = std::min(from, to);
	const size_t room = kMaxTextBytes - std::min(kMaxTextBytes, buffer.getText().size() - (to - from));
	if (insertion.size() > room)
		insertion = insertion.substr(0, SingleLineText::codePointBoundaryBefore(insertion, room));
	if (!buffer.replace(from, to, insertion, kind))
		return false;
	return textDidChange();
}

bool GenericTextEdit::textDidChange()
{
	boundaries->setText(buffer.getText());
	invalidate();
	layOut();
	invalidate();
	restartBlink();
	host->textEditCaretMoved(getCaretRect());
	const int32 references = getNbReference();
	callback->platformTextDidChange();
	return stillOpen(references);
}

void GenericTextEdit::selectionDidChange(bool offerAsPrimary)
{
	invalidate();
	layOut();
	invalidate();
	restartBlink();
	host->textEditCaretMoved(getCaretRect());
	if (offerAsPrimary)
		offerSelectionAsPrimary();
}

void GenericTextEdit::offerSelectionAsPrimary()
{
	if (!secure && buffer.hasSelection() && host)
		host->setPrimaryText(buffer.selectedText());
}

void GenericTextEdit::invalidate()
{
	if (host)
		host->invalidTextEditRect(visibleSize);
}

// ---- Layout ----

std::string GenericTextEdit::displayedPreedit() const
{
	return secure ? bullets(codePointCount(preedit)) : preedit;
}

void GenericTextEdit::layOut()
{
	const std::string& text = buffer.getText();
	const size_t at = buffer.getCaret();
	std::string display;
	if (secure)
		display = bullets(boundaries->graphemesBefore(at)) + displayedPreedit() +
		          bullets(boundaries->getGraphemeCount() - boundaries->graphemesBefore(at));
	else
		display = text.substr(0, at) + preedit + text.substr(at);
	layout->setText(display);
	scrollToCaret();
}

// The preedit text sits at the caret: what follows it moves along.
size_t GenericTextEdit::toDisplay(size_t offset) const
{
	size_t shown = secure ? kBulletBytes * boundaries->graphemesBefore(offset) : offset;
	if (!preedit.empty() && offset > buffer.getCaret())
		shown += displayedPreedit().size();
	return shown;
}

size_t GenericTextEdit::fromDisplay(size_t shown) const
{
	if (!preedit.empty())
	{
		const size_t preeditStart = toDisplay(buffer.getCaret());
		const size_t preeditLength = displayedPreedit().size();
		if (shown > preeditStart && shown < preeditStart + preeditLength)
			return buffer.getCaret();
		if (shown >= preeditStart + preeditLength)
			shown -= preeditLength;
	}
	if (secure)
		return boundaries->offsetAfterGraphemes(shown / kBulletBytes);
	return boundaries->snapToCursorStop(shown);
}

size_t GenericTextEdit::caretDisplayOffset() const
{
	size_t shown = toDisplay(buffer.getCaret());
	if (!preedit.empty())
		shown += secure ? kBulletBytes * codePointCount(std::string_view(preedit).substr(0, preeditCaret))
		                : preeditCaret;
	return shown;
}

CRect GenericTextEdit::textArea() const
{
	CRect area = size;
	area.inset(textInset.x, textInset.y);
	return area;
}

// The text never runs over the control's horizontal insets (where its frame
// is drawn), but its descenders may reach into the vertical ones.
CRect GenericTextEdit::clipArea() const
{
	CRect area(size.left + textInset.x, size.top, size.right - textInset.x, size.bottom);
	return area.bound(visibleSize);
}

// Placed as the control places its label: vertically centred on the
// capitals, aligned as it says while the text fits, scrolled with the
// caret once it does not.
GenericTextEdit::LineOrigin GenericTextEdit::lineOrigin() const
{
	const CRect area = textArea();
	const double baseline = area.top + area.getHeight() / 2. + layout->getCapHeight() / 2.;
	const double room = area.getWidth() - kCaretWidth;
	const double width = layout->getWidth();
	if (width > room)
		return {area.left - scrollOffset, baseline};
	switch (alignment)
	{
		case kLeftText:
			return {area.left, baseline};
		case kRightText:
			return {area.left + room - width, baseline};
		default:
			return {area.left + (room - width) / 2., baseline};
	}
}

void GenericTextEdit::scrollToCaret()
{
	const CRect area = textArea();
	const double room = std::max(0., area.getWidth() - kCaretWidth);
	const double width = layout->getWidth();
	if (width <= room)
	{
		scrollOffset = 0.;
		return;
	}
	const double caretX = layout->getCaretX(caretDisplayOffset());
	if (caretX < scrollOffset)
		scrollOffset = caretX;
	else if (caretX > scrollOffset + room)
		scrollOffset = caretX - room;
	scrollOffset = std::clamp(scrollOffset, 0., width - room);
}

CRect GenericTextEdit::getVisibleRect() const
{
	return visibleSize;
}

CRect GenericTextEdit::getCaretRect() const
{
	const LineOrigin origin = lineOrigin();
	const double x = std::round(origin.x + layout->getCaretX(caretDisplayOffset()));
	return CRect(x, std::floor(origin.baseline - layout->getAscent()), x + kCaretWidth,
	             std::ceil(origin.baseline + layout->getDescent()));
}

// ---- Caret blinking ----

bool GenericTextEdit::isCaretActive() const
{
	return isOpen() && focused && windowFocused;
}

bool GenericTextEdit::isCaretVisible() const
{
	return isCaretActive() && caretOn && !buffer.hasSelection();
}

void GenericTextEdit::setFocused(bool newFocused)
{
	if (focused == newFocused)
		return;
	focused = newFocused;
	restartBlink();
	invalidate();
}

void GenericTextEdit::setWindowFocused(bool newFocused)
{
	if (windowFocused == newFocused)
		return;
	windowFocused = newFocused;
	restartBlink();
	invalidate();
}

// Every input shows the caret solid again and starts its blinking over;
// the timer lives only while the caret blinks.
void GenericTextEdit::restartBlink()
{
	lastInputTime = IPlatformFrame::getTicks();
	if (!caretOn)
	{
		caretOn = true;
		invalidateCaret();
	}
	if (!isCaretActive())
	{
		stopBlinking();
		return;
	}
	if (blinkTimer)
		return;
	blinkTimer = IPlatformTimer::create(this);
	if (blinkTimer && !blinkTimer->start(kBlinkInterval))
		blinkTimer = nullptr;
}

void GenericTextEdit::stopBlinking()
{
	if (auto timer = std::move(blinkTimer))
		timer->stop();
}

void GenericTextEdit::fire()
{
	SharedPointer<GenericTextEdit> keepAlive = this;
	const bool idle = IPlatformFrame::getTicks() - lastInputTime >= kBlinkTimeout;
	if (!isCaretActive() || idle)
	{
		stopBlinking();
		if (caretOn)
			return;
		caretOn = true;
	}
	else
	{
		caretOn = !caretOn;
	}
	invalidateCaret();
}

void GenericTextEdit::invalidateCaret()
{
	if (!host)
		return;
	CRect caret = getCaretRect();
	caret.inset(-1., -1.);
	host->invalidTextEditRect(caret);
}

// ---- Drawing ----

void GenericTextEdit::draw(CDrawContext* context)
{
	if (!context || !isOpen())
		return;
	context->saveGlobalState();
	{
		CDrawContext::ClipScope clip(context, clipArea());
		if (clip.isEmpty())
		{
			context->restoreGlobalState();
			return;
		}
		const CColor fontColor = callback->platformGetFontColor();
		const LineOrigin origin = lineOrigin();
		if (buffer.getText().empty() && preedit.empty())
			drawPlaceholder(context, fontColor);
		drawSelection(context, origin, fontColor);
		layout->draw(context, CPoint(origin.x, origin.baseline), fontColor);
		drawPreeditUnderline(context, origin, fontColor);
		if (isCaretVisible())
		{
			context->setFillColor(fontColor);
			context->drawRect(getCaretRect(), kDrawFilled);
		}
	}
	context->restoreGlobalState();
}

void GenericTextEdit::drawSelection(CDrawContext* context, const LineOrigin& origin, const CColor& fontColor)
{
	if (!buffer.hasSelection())
		return;
	CColor selection = fontColor;
	selection.alpha = static_cast<uint8>(std::lround(fontColor.alpha * kSelectionOpacity));
	context->setFillColor(selection);
	const CRect caret = getCaretRect();
	for (const auto& span : layout->getSpans(toDisplay(buffer.selectionStart()), toDisplay(buffer.selectionEnd())))
		context->drawRect(CRect(std::round(origin.x + span.first), caret.top, std::round(origin.x + span.second),
		                        caret.bottom),
		                  kDrawFilled);
}

// One unit below the baseline, one unit thick, as far as the composed text
// reaches.
void GenericTextEdit::drawPreeditUnderline(CDrawContext* context, const LineOrigin& origin,
                                           const CColor& fontColor)
{
	if (preedit.empty())
		return;
	const size_t start = toDisplay(buffer.getCaret());
	const double y = std::round(origin.baseline) + 1.;
	context->setFillColor(fontColor);
	for (const auto& span : layout->getSpans(start, start + displayedPreedit().size()))
		context->drawRect(CRect(std::round(origin.x + span.first), y, std::round(origin.x + span.second), y + 1.),
		                  kDrawFilled);
}

void GenericTextEdit::drawPlaceholder(CDrawContext* context, const CColor& fontColor)
{
	const UTF8String& placeholder = callback->platformGetPlaceholderText();
	if (placeholder.empty())
		return;
	placeholderLayout->setText(
	    SingleLineText::sanitized(placeholder.getString(), SingleLineText::Source::kPasted));
	const CRect area = textArea();
	const double room = area.getWidth() - kCaretWidth;
	const double width = placeholderLayout->getWidth();
	double x = area.left;
	if (width < room && alignment == kRightText)
		x += room - width;
	else if (width < room && alignment == kCenterText)
		x += (room - width) / 2.;
	const float alpha = context->getGlobalAlpha();
	context->setGlobalAlpha(alpha * 0.5f);
	placeholderLayout->draw(context, CPoint(x, lineOrigin().baseline), fontColor);
	context->setGlobalAlpha(alpha);
}

} // namespace Kavrin
