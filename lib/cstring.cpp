#include "lib/cstring.h"

#include "lib/platform/iplatformstring.h"

#include <algorithm>
#include <cstring>

namespace Kavrin {

UTF8String::UTF8String(const char* text) : data(text ? text : "")
{
}

UTF8String::UTF8String(const StringType& text) : data(text)
{
}

UTF8String::UTF8String(StringType&& text) noexcept : data(std::move(text))
{
}

UTF8String::UTF8String(const UTF8String& other) = default;

UTF8String::UTF8String(UTF8String&& other) noexcept
: data(std::move(other.data)), platformString(std::move(other.platformString))
{
	other.data.clear();
}

UTF8String::~UTF8String() noexcept = default;

UTF8String& UTF8String::operator=(const UTF8String& other)
{
	if (this != &other)
	{
		data = other.data;
		platformString = other.platformString;
	}
	return *this;
}

UTF8String& UTF8String::operator=(UTF8String&& other) noexcept
{
	if (this != &other)
	{
		data = std::move(other.data);
		platformString = std::move(other.platformString);
		other.data.clear();
	}
	return *this;
}

UTF8String& UTF8String::operator=(const StringType& text)
{
	if (data != text)
	{
		data = text;
		textChanged();
	}
	return *this;
}

UTF8String& UTF8String::operator=(StringType&& text) noexcept
{
	if (data != text)
	{
		data = std::move(text);
		textChanged();
	}
	return *this;
}

void UTF8String::assign(const char* text)
{
	if (!text)
		text = "";
	// Equal text keeps the platform string and the layout it may cache.
	if (data == text)
		return;
	data = text;
	textChanged();
}

void UTF8String::clear() noexcept
{
	data.clear();
	textChanged();
}

void UTF8String::textChanged() noexcept
{
	platformString = nullptr;
}

UTF8String& UTF8String::operator+=(const UTF8String& other)
{
	if (other.data.empty())
		return *this;
	data += other.data;
	textChanged();
	return *this;
}

UTF8String& UTF8String::operator+=(const char* other)
{
	if (!other || !*other)
		return *this;
	data += other;
	textChanged();
	return *this;
}

UTF8String& UTF8String::operator+=(char c)
{
	data += c;
	textChanged();
	return *this;
}

UTF8String UTF8String::operator+(const UTF8String& other) const
{
	return UTF8String(data + other.data);
}

UTF8String UTF8String::operator+(const char* other) const
{
	return other ? UTF8String(data + other) : UTF8String(data);
}

UTF8String UTF8String::operator+(char c) const
{
	return UTF8String(data + c);
}

size_t UTF8String::copy(char* buffer, size_t bufferSize) const
{
	if (!buffer || bufferSize == 0)
		return data.length();
	size_t count = std::min(data.length(), bufferSize - 1);
	if (count < data.length())
	{
		// Cut before a code point that would not fit whole.
		size_t cut = count;
		for (size_t back = 1; back <= 3 && back <= count; ++back)
		{
			size_t start = count - back;
			auto b = static_cast<unsigned char>(data[start]);
			if ((b & 0xC0) == 0x80)
				continue;
			auto it = data.begin() + static_cast<std::ptrdiff_t>(start);
			if (start + CodePointIterator::sequenceLength(it, data.end()) > count)
				cut = start;
			break;
		}
		count = cut;
	}
	std::memcpy(buffer, data.data(), count);
	buffer[count] = 0;
	return data.length();
}

IPlatformString* UTF8String::getPlatformString() const
{
	if (!platformString)
		platformString = IPlatformString::createWithUTF8String(data.c_str());
	return platformString;
}

// ---- String ----

char* String::newWithString(const char* string)
{
	if (!string)
		return nullptr;
	size_t length = std::strlen(string);
	auto copy = new char[length + 1];
	std::memcpy(copy, string, length + 1);
	return copy;
}

void String::free(char* string)
{
	delete[] string;
}

// ---- Code points ----

bool isSpace(char32_t c)
{
	switch (c)
	{
		case 32:
		case 133:
		case 160:
		case 0x202F:
		case 0x205F:
		case 0x3000:
		case 0xFEFF:
			return true;
		default:
			return (c >= 9 && c <= 13) || (c >= 0x2000 && c <= 0x200B);
	}
}

UTF8String trim(const UTF8String& text, const TrimOptions& options)
{
	auto first = text.begin();
	auto last = text.end();
	if (options.trimStart())
	{
		while (first != last && options.test(*first))
			++first;
	}
	if (options.trimEnd())
	{
		while (last != first)
		{
			auto previous = last;
			--previous;
			if (!options.test(*previous))
				break;
			last = previous;
		}
	}
	return UTF8String(std::string(first.base(), last.base()));
}

} // namespace Kavrin
