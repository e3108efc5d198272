#include "lib/platform/x11/x11dataconversion.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace Kavrin::X11DataConversion {

namespace {

int hexValue(char c)
{
	constexpr std::string_view digits = "0123456789abcdef";
	size_t at = digits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
	return at == std::string_view::npos ? -1 : int(at);
}

// False on a cut or non-hex escape and on a NUL, escaped or not, which
// no path can hold.
bool percentDecode(std::string_view text, std::string& decoded)
{
	decoded.clear();
	for (size_t i = 0; i < text.size(); ++i)
	{
		if (text[i] == '\0')
			return false;
		if (text[i] != '%')
		{
			decoded += text[i];
			continue;
		}
		if (i + 2 >= text.size())
			return false;
		int high = hexValue(text[i + 1]);
		int low = hexValue(text[i + 2]);
		if (high < 0 || low < 0 || (high == 0 && low == 0))
			return false;
		decoded += static_cast<char>(high * 16 + low);
		i += 2;
	}
	return true;
}

bool isUnreserved(unsigned char c)
{
	return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
	       c == '_' || c == '~' || c == '/';
}

// The local path of one URI, or empty.
std::string localPath(std::string_view uri)
{
	constexpr std::string_view scheme = "file://";
	if (uri.size() < scheme.size())
		return {};
	for (size_t i = 0; i < scheme.size(); ++i)
		if (std::tolower(static_cast<unsigned char>(uri[i])) != scheme[i])
			return {};
	uri.remove_prefix(scheme.size());
	size_t slash = uri.find('/');
	if (slash == std::string_view::npos)
		return {};
	std::string_view host = uri.substr(0, slash);
	if (!host.empty() && host != "localhost")
		return {};
	std::string path;
	if (!percentDecode(uri.substr(slash), path))
		return {};
	return path;
}

// The length of the valid UTF-8 sequence at the start of bytes, 0 when
// there is none.
size_t validSequenceLength(std::string_view bytes)
{
	auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
	unsigned char lead = byte(0);
	if (lead < 0x80)
		return 1;
	size_t length;
	uint32 lowest;
	uint32 value;
	if ((lead & 0xE0) == 0xC0)
		length = 2, lowest = 0x80, value = lead & 0x1F;
	else if ((lead & 0xF0) == 0xE0)
		length = 3, lowest = 0x800, value = lead & 0x0F;
	else if ((lead & 0xF8) == 0xF0)
		length = 4, lowest = 0x10000, value = lead & 0x07;
	else
		return 0;
	if (bytes.size() < length)
		return 0;
	for (size_t i = 1; i < length; ++i)
	{
		if ((byte(i) & 0xC0) != 0x80)
			return 0;
		value = (value << 6) | (byte(i) & 0x3F);
	}
	if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
		return 0;
	return length;
}

} // namespace

std::vector<std::string> parseUriList(std::string_view list)
{
	std::vector<std::string> paths;
	while (!list.empty())
	{
		size_t end = list.find('\n');
		std::string_view line = list.substr(0, end);
		list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
		if (!line.empty() && line.back() == '\r')
			line.remove_suffix(1);
		if (line.empty() || line.front() == '#')
			continue;
		std::string path = localPath(line);
		if (!path.empty())
			paths.push_back(std::move(path));
	}
	return paths;
}

std::string encodeUriList(const std::vector<std::string>& paths)
{
	static const char digits[] = "0123456789ABCDEF";
	std::string list;
	for (const auto& path : paths)
	{
		list += "file://";
		for (unsigned char c : path)
		{
			if (isUnreserved(c))
				list += static_cast<char>(c);
			else
			{
				list += '%';
				list += digits[c >> 4];
				list += digits[c & 0xF];
			}
		}
		list += "\r\n";
	}
	return list;
}

bool isValidUtf8(std::string_view bytes)
{
	while (!bytes.empty())
	{
		size_t length = validSequenceLength(bytes);
		if (length == 0)
			return false;
		bytes.remove_prefix(length);
	}
	return true;
}

std::string repairUtf8(std::string_view bytes)
{
	std::string repaired;
	repaired.reserve(bytes.size());
	while (!bytes.empty())
	{
		size_t length = validSequenceLength(bytes);
		if (length == 0)
		{
			repaired += "\xEF\xBF\xBD";
			length = 1;
		}
		else
			repaired.append(bytes.data(), length);
		bytes.remove_prefix(length);
	}
	return repaired;
}

bool utf8ToLatin1(std::string_view utf8, std::string& latin1)
{
	if (!isValidUtf8(utf8))
		return false;
	std::string converted;
	converted.reserve(utf8.size());
	for (size_t i = 0; i < utf8.size(); ++i)
	{
		auto lead = static_cast<unsigned char>(utf8[i]);
		if (lead < 0x80)
			converted += static_cast<char>(lead);
		else if (lead == 0xC2 || lead == 0xC3)
			converted += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
		else
			return false;
	}
	latin1 = std::move(converted);
	return true;
}

std::string latin1ToUtf8(std::string_view latin1)
{
	std::string utf8;
	utf8.reserve(latin1.size());
	for (unsigned char c : latin1)
	{
		if (c < 0x80)
			utf8 += static_cast<char>(c);
		else
		{
			utf8 += static_cast<char>(0xC0 | (c >> 6));
			utf8 += static_cast<char>(0x80 | (c & 0x3F));
		}
	}
	return utf8;
}

std::string colorToText(const uint8* bytes, size_t size)
{
	if (!bytes || size < 4 * sizeof(uint16))
		return {};
	uint16 components[4];
	std::memcpy(components, bytes, sizeof(components));
	char text[10];
	auto scaled = [&](int i) { return static_cast<unsigned>(uint32(components[i]) * 255u / 65535u); };
	std::snprintf(text, sizeof(text), "#%02x%02x%02x%02x", scaled(0), scaled(1), scaled(2), scaled(3));
	return text;
}

std::string incomingTextToUtf8(std::string_view bytes, IncomingText kind)
{
	switch (kind)
	{
		case IncomingText::Latin1:
			return latin1ToUtf8(bytes);
		case IncomingText::Utf8:
		case IncomingText::Unknown:
			break;
	}
	return repairUtf8(bytes);
}

} // namespace Kavrin::X11DataConversion
