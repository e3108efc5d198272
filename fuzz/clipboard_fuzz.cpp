// Feeds arbitrary bytes to the conversions of data other X11 clients put
// on the clipboard: text/uri-list, text in UTF-8, Latin-1 or an unknown
// encoding, and application/x-color. The first byte picks the conversion.
// Every result must be well-formed: valid UTF-8 text, absolute paths
// without NUL that survive encoding and parsing again, a colour in the
// "#rrggbbaa" form. The corpus holds one small input of each kind.

#include "lib/platform/x11/x11dataconversion.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace Kavrin::X11DataConversion;

void check(bool condition)
{
	if (!condition)
		__builtin_trap();
}

void fuzzUriList(std::string_view bytes)
{
	auto paths = parseUriList(bytes);
	for (const auto& path : paths)
		check(!path.empty() && path.front() == '/' && path.find('\0') == std::string::npos);
	check(parseUriList(encodeUriList(paths)) == paths);
}

void fuzzText(std::string_view bytes, IncomingText kind)
{
	std::string text = incomingTextToUtf8(bytes, kind);
	check(isValidUtf8(text));
	if (kind != IncomingText::Latin1 && isValidUtf8(bytes))
		check(text == bytes);
	std::string latin1;
	if (utf8ToLatin1(text, latin1))
		check(latin1ToUtf8(latin1) == text);
}

void fuzzColor(std::string_view bytes)
{
	std::string text = colorToText(reinterpret_cast<const Kavrin::uint8*>(bytes.data()), bytes.size());
	check(text.empty() == (bytes.size() < 8));
	check(text.empty() || (text.size() == 9 && text.front() == '#'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if (size == 0)
		return 0;
	std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
	switch (data[0] % 5)
	{
		case 0:
			fuzzUriList(bytes);
			break;
		case 1:
			fuzzText(bytes, IncomingText::Utf8);
			break;
		case 2:
			fuzzText(bytes, IncomingText::Latin1);
			break;
		case 3:
			fuzzText(bytes, IncomingText::Unknown);
			break;
		default:
			fuzzColor(bytes);
			break;
	}
	return 0;
}
