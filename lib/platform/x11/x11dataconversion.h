#pragma once

#include "lib/kavrintypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace Kavrin::X11DataConversion {

// Clipboard data of other clients is untrusted: every reader here accepts
// any bytes and returns something well-formed.

// The local paths of a text/uri-list: lines end in CRLF (a lone LF is
// accepted), '#' starts a comment. Only file URIs with no host or
// "localhost" count; entries with a broken escape, a NUL (escaped or
// not) or a relative path are dropped.
std::vector<std::string> parseUriList(std::string_view list);
// The paths as file URIs, each byte outside the unreserved set and '/'
// escaped, one per CRLF-terminated line.
std::string encodeUriList(const std::vector<std::string>& paths);

// The text as Latin-1; false when it holds a character Latin-1 lacks or is
// not valid UTF-8.
bool utf8ToLatin1(std::string_view utf8, std::string& latin1);
std::string latin1ToUtf8(std::string_view latin1);
// Valid UTF-8 unchanged; each invalid sequence (overlong forms, surrogates,
// values beyond U+10FFFF, cut sequences) becomes U+FFFD.
std::string repairUtf8(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

// application/x-color holds four 16-bit values in the client's byte order:
// red, green, blue, alpha. "#rrggbbaa", each component scaled to 0..255 and
// truncated; empty when there are fewer than eight bytes.
std::string colorToText(const uint8* bytes, size_t size);

// How incoming bytes were labelled by their owner.
enum class IncomingText
{
	Utf8,
	Latin1,
	Unknown, // TEXT or COMPOUND_TEXT converted to an unexpected type
};
// The text of an incoming property as valid UTF-8.
std::string incomingTextToUtf8(std::string_view bytes, IncomingText kind);

} // namespace Kavrin::X11DataConversion
