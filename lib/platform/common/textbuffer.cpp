#include "lib/platform/common/textbuffer.h"

#include "lib/platform/common/singlelinetext.h"

#include <algorithm>
#include <utility>

namespace Kavrin {

namespace {

bool isSpace(char c)
{
	return c == ' ';
}

} // namespace

std::string TextBuffer::selectedText() const
{
	return text.substr(selectionStart(), selectionEnd() - selectionStart());
}

size_t TextBuffer::clamped(size_t offset) const
{
	return SingleLineText::codePointBoundaryBefore(text, offset);
}

void TextBuffer::setText(std::string newText)
{
	text = std::move(newText);
	caret = anchor = text.size();
	undoStack.clear();
	redoStack.clear();
	coalescing = false;
}

void TextBuffer::moveCaret(size_t offset, bool extendSelection)
{
	caret = clamped(offset);
	if (!extendSelection)
		anchor = caret;
	coalescing = false;
}

void TextBuffer::select(size_t newAnchor, size_t newCaret)
{
	anchor = clamped(newAnchor);
	caret = clamped(newCaret);
	coalescing = false;
}

bool TextBuffer::replace(size_t from, size_t to, std::string_view insertion, EditKind kind)
{
	from = clamped(from);
	to = clamped(to);
	if (from > to)
		std::swap(from, to);
	if (from == to && insertion.empty())
		return false;
	Edit edit {from, text.substr(from, to - from), std::string(insertion), caret, anchor, kind};
	text.replace(from, to - from, insertion);
	caret = anchor = from + insertion.size();
	record(std::move(edit));
	return true;
}

bool TextBuffer::replaceSelection(std::string_view insertion, EditKind kind)
{
	return replace(selectionStart(), selectionEnd(), insertion, kind);
}

// Typing joins the run before it while it continues where that one ended,
// up to the first letter after a space: undo takes back a word with the
// spaces typed after it. Deletions join alike, growing their range.
bool TextBuffer::joinsLastEdit(const Edit& edit) const
{
	if (!coalescing || undoStack.empty() || edit.kind == EditKind::kOther)
		return false;
	const Edit& last = undoStack.back();
	if (last.kind != edit.kind)
		return false;
	switch (edit.kind)
	{
		case EditKind::kTyping:
			return edit.removed.empty() && edit.at == last.at + last.inserted.size() &&
			       !(isSpace(last.inserted.back()) && !isSpace(edit.inserted.front()));
		case EditKind::kDeleteBackward:
			return edit.inserted.empty() && edit.at + edit.removed.size() == last.at &&
			       !(!isSpace(last.removed.front()) && isSpace(edit.removed.back()));
		case EditKind::kDeleteForward:
			return edit.inserted.empty() && edit.at == last.at &&
			       !(isSpace(last.removed.back()) && !isSpace(edit.removed.front()));
		default:
			return false;
	}
}

void TextBuffer::record(Edit edit)
{
	redoStack.clear();
	if (joinsLastEdit(edit))
	{
		Edit& last = undoStack.back();
		if (edit.kind == EditKind::kTyping)
			last.inserted += edit.inserted;
		else if (edit.kind == EditKind::kDeleteBackward)
		{
			last.removed.insert(0, edit.removed);
			last.at = edit.at;
		}
		else
			last.removed += edit.removed;
	}
	else
	{
		undoStack.push_back(std::move(edit));
		if (undoStack.size() > kHistoryLimit)
			undoStack.erase(undoStack.begin());
	}
	coalescing = true;
}

bool TextBuffer::undo()
{
	if (undoStack.empty())
		return false;
	Edit edit = std::move(undoStack.back());
	undoStack.pop_back();
	text.replace(edit.at, edit.inserted.size(), edit.removed);
	caret = edit.caretBefore;
	anchor = edit.anchorBefore;
	redoStack.push_back(std::move(edit));
	coalescing = false;
	return true;
}

bool TextBuffer::redo()
{
	if (redoStack.empty())
		return false;
	Edit edit = std::move(redoStack.back());
	redoStack.pop_back();
	text.replace(edit.at, edit.removed.size(), edit.inserted);
	caret = anchor = edit.at + edit.inserted.size();
	undoStack.push_back(std::move(edit));
	coalescing = false;
	return true;
}

} // namespace Kavrin
