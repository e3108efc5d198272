#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Kavrin {

// The text of a one-line editor with its caret, selection and undo history.
// Offsets are in bytes of the UTF-8 text; whoever moves the caret chooses
// the stops (graphemes, words). Offsets given that fall inside a code point
// are moved back to its start, so valid text stays valid.
class TextBuffer
{
public:
	// How an edit joins the one before it in the undo history: typing runs
	// and runs of deletions in one direction undo together, a word (with the
	// spaces after it) at a time; everything else undoes alone.
	enum class EditKind
	{
		kTyping,
		kDeleteBackward,
		kDeleteForward,
		kOther,
	};

	static constexpr size_t kHistoryLimit = 200;

	const std::string& getText() const { return text; }
	size_t getCaret() const { return caret; }
	// Where the selection started; equal to the caret without a selection.
	size_t getAnchor() const { return anchor; }
	bool hasSelection() const { return caret != anchor; }
	size_t selectionStart() const { return caret < anchor ? caret : anchor; }
	size_t selectionEnd() const { return caret < anchor ? anchor : caret; }
	std::string selectedText() const;

	// Replaces everything and forgets the history; the caret goes to the end.
	void setText(std::string newText);
	// Moves the caret; the anchor follows unless the selection is extended.
	// Ends a run of typing.
	void moveCaret(size_t offset, bool extendSelection = false);
	void select(size_t newAnchor, size_t newCaret);

	// Replaces [from, to) (in either order) by insertion and leaves the caret
	// after it. False when nothing changed.
	bool replace(size_t from, size_t to, std::string_view insertion, EditKind kind);
	bool replaceSelection(std::string_view insertion, EditKind kind);

	bool canUndo() const { return !undoStack.empty(); }
	bool canRedo() const { return !redoStack.empty(); }
	// Restore the text, caret and selection of before (after) the last
	// edit; false when there is none.
	bool undo();
	bool redo();
	// The next edit starts an undo step of its own.
	void endCoalescing() { coalescing = false; }

private:
	struct Edit
	{
		size_t at;
		std::string removed;
		std::string inserted;
		size_t caretBefore;
		size_t anchorBefore;
		EditKind kind;
	};

	size_t clamped(size_t offset) const;
	bool joinsLastEdit(const Edit& edit) const;
	void record(Edit edit);

	std::string text;
	size_t caret {0};
	size_t anchor {0};
	std::vector<Edit> undoStack;
	std::vector<Edit> redoStack;
	bool coalescing {false};
};

} // namespace Kavrin
