#include "lib/platform/common/singlelinetext.h"

#include "lib/cstring.h"

namespace Kavrin::SingleLineText {

namespace {

using Iterator = CStringIterator<std::string_view::const_iterator>;

bool isLineBreak(char32_t c)
{
	return c == '\n' || c == '\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isControl(char32_t c)
{
	return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void appendUTF8(std::string& out, char32_t c)
{
	if (c < 0x80)
	{
		out += char(c);
	}
	else if (c < 0x800)
	{
		out += char(0xC0 | (c >> 6));
		out += char(0x80 | (c & 0x3F));
	}
	else if (c < 0x10000)
	{
		out += char(0xE0 | (c >> 12));
		out += char(0x80 | ((c >> 6) & 0x3F));
		out += char(0x80 | (c & 0x3F));
	}
	else
	{
		out += char(0xF0 | (c >> 18));
		out += char(0x80 | ((c >> 12) & 0x3F));
		out += char(0x80 | ((c >> 6) & 0x3F));
		out += char(0x80 | (c & 0x3F));
	}
}

} // namespace

std::string sanitized(std::string_view bytes, Source source)
{
	std::string out;
	out.reserve(bytes.size());
	Iterator it(bytes.begin(), bytes.begin(), bytes.end());
	const Iterator end(bytes.end(), bytes.begin(), bytes.end());
	char32_t previous = 0;
	for (; it != end; ++it)
	{
		char32_t c = *it;
		if (source == Source::kPasted && (isLineBreak(c) || c == '\t'))
		{
			// CRLF is one break.
			if (!(c == '\n' && previous == '\r'))
				out += ' ';
		}
		else if (!isControl(c))
		{
			appendUTF8(out, c);
		}
		previous = c;
	}
	return out;
}

bool isValidUTF8(std::string_view bytes)
{
	Iterator it(bytes.begin(), bytes.begin(), bytes.end());
	const Iterator end(bytes.end(), bytes.begin(), bytes.end());
	for (; it != end; ++it)
	{
		// A replacement character is valid only when it is spelled out.
		if (*it == Iterator::kReplacementCharacter)
		{
			auto at = it.base() - bytes.begin();
			if (bytes.substr(size_t(at), 3) != "\xEF\xBF\xBD")
				return false;
		}
	}
	return true;
}

size_t codePointBoundaryBefore(std::string_view text, size_t offset)
{
	if (offset >= text.size())
		return text.size();
	while (offset > 0 && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80)
		--offset;
	return offset;
}

} // namespace Kavrin::SingleLineText
