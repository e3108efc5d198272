#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin {

// Where the caret may stop and where words begin and end in a valid UTF-8
// text, by Pango's reading of Unicode: a grapheme (a letter with its
// combining marks, an emoji sequence joined by ZWJ) is one stop. Offsets
// are bytes; an offset between stops counts as the stop before it.
class TextBoundaries
{
public:
	TextBoundaries();
	void setText(const std::string& text);

	size_t getTextLength() const { return positions.empty() ? 0 : positions.back().offset; }
	// The neighbouring caret stops; the text's ends stay where they are.
	size_t nextCursorStop(size_t offset) const;
	size_t previousCursorStop(size_t offset) const;
	size_t snapToCursorStop(size_t offset) const;
	// The start of the word at or before offset (0 when none); the end of
	// the word at or after it (the text's end when none).
	size_t previousWordStart(size_t offset) const;
	size_t nextWordEnd(size_t offset) const;
	// The word offset lies in or ends at; between words, the gap.
	std::pair<size_t, size_t> wordAt(size_t offset) const;
	// Where Backspace at offset deletes from: the grapheme before, or only
	// its last character in scripts whose marks are typed one by one.
	size_t backspaceStart(size_t offset) const;

	size_t getGraphemeCount() const { return stops.empty() ? 0 : stops.size() - 1; }
	// The number of graphemes before offset, and the offset after count
	// graphemes.
	size_t graphemesBefore(size_t offset) const;
	size_t offsetAfterGraphemes(size_t count) const;

private:
	struct Position
	{
		size_t offset;
		bool cursorStop;
		bool wordStart;
		bool wordEnd;
		bool backspaceDeletesCharacter;
	};

	// The index of the last position at or before offset.
	size_t indexAt(size_t offset) const;

	std::vector<Position> positions; // one before each character, one at the end
	std::vector<size_t> stops;       // offsets of the caret stops, ascending
};

} // namespace Kavrin
