#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Kavrin {

// What a one-line text field accepts. Text reaching it from keys, input
// methods and the clipboard is untrusted bytes; what it stores is always
// valid UTF-8 without control characters.
namespace SingleLineText {

enum class Source
{
	// Typed or committed by an input method: control characters (Tab,
	// Return and the like among them) are dropped, as their keys have
	// meanings of their own.
	kTyped,
	// Pasted: line and paragraph breaks (CR, LF, CRLF as one, NEL, VT, FF,
	// U+2028, U+2029) and tabs become one space each, so the words stay
	// apart; other control characters are dropped.
	kPasted,
};

// Valid UTF-8 from any bytes: each byte that does not belong to a
// well-formed sequence reads as U+FFFD.
std::string sanitized(std::string_view bytes, Source source);
bool isValidUTF8(std::string_view bytes);
// The largest code point boundary of valid UTF-8 text at or before offset
// (the text's length when offset lies beyond it).
size_t codePointBoundaryBefore(std::string_view text, size_t offset);

} // namespace SingleLineText
} // namespace Kavrin
