#pragma once

#include "lib/kavrintypes.h"
#include "lib/reference.h"

#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <utility>

namespace Kavrin {

class IPlatformString;

// Walks the code points of a UTF-8 byte range without ever reading outside
// it. A well-formed sequence (a lead byte followed by the continuation bytes
// it announces, all inside the range, encoding a scalar value in its
// shortest form) is one code point; anything else -- a stray continuation
// byte, a lead byte without enough continuation bytes before the end, an
// overlong form, a surrogate, a byte that cannot start a sequence -- is one
// byte that reads as U+FFFD. These are the bytes Pango would reject too.
// Stepping backwards splits the bytes exactly as stepping forwards does.
// Stepping past either end of the range stays at that end.
template <typename BaseIterator>
class CStringIterator
{
public:
	using iterator_category = std::bidirectional_iterator_tag;
	using value_type = char32_t;
	using difference_type = std::ptrdiff_t;
	using pointer = const char32_t*;
	using reference = char32_t;

	static constexpr char32_t kReplacementCharacter = 0xFFFD;

	CStringIterator() = default;
	// Positioned at pos, which must lie within [first, last].
	CStringIterator(BaseIterator pos, BaseIterator first, BaseIterator last)
	: pos(pos), first(first), last(last)
	{
	}

	// The code point starting here; 0 at the end of the range.
	char32_t operator*() const
	{
		if (pos == last)
			return 0;
		auto length = sequenceLength(pos, last);
		auto lead = byte(pos);
		if (length == 1)
			return lead < 0x80 ? lead : kReplacementCharacter;
		char32_t value = length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
		auto it = pos;
		for (size_t i = 1; i < length; ++i)
			value = (value << 6) | (byte(++it) & 0x3F);
		return value;
	}

	CStringIterator& operator++()
	{
		if (pos != last)
			std::advance(pos, sequenceLength(pos, last));
		return *this;
	}
	CStringIterator operator++(int)
	{
		auto previous = *this;
		++*this;
		return previous;
	}
	CStringIterator& operator--()
	{
		if (pos != first)
			std::advance(pos, -static_cast<difference_type>(previousLength(first, pos, last)));
		return *this;
	}
	CStringIterator operator--(int)
	{
		auto previous = *this;
		--*this;
		return previous;
	}

	bool operator==(const CStringIterator& other) const { return pos == other.pos; }
	bool operator!=(const CStringIterator& other) const { return pos != other.pos; }

	// The byte position.
	BaseIterator base() const { return pos; }

	// The number of bytes of the code point starting at pos (1 to 4; 0 at
	// last).
	static size_t sequenceLength(BaseIterator pos, BaseIterator last)
	{
		if (pos == last)
			return 0;
		auto lead = byte(pos);
		if (lead < 0xC2 || lead > 0xF4)
			return 1; // ASCII, a continuation byte, an overlong lead or beyond U+10FFFF
		size_t expected = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
		// The second byte's range also rules out overlong forms, surrogates
		// and code points beyond U+10FFFF.
		char32_t lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
		char32_t highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
		auto it = pos;
		for (size_t i = 1; i < expected; ++i)
		{
			if (++it == last)
				return 1;
			auto b = byte(it);
			if (i == 1 ? (b < lowest || b > highest) : !isContinuation(b))
				return 1;
		}
		return expected;
	}

	// The number of bytes of the code point that ends at pos (0 at first).
	static size_t previousLength(BaseIterator first, BaseIterator pos, BaseIterator last)
	{
		if (pos == first)
			return 0;
		auto it = pos;
		--it;
		if (!isContinuation(byte(it)))
			return 1;
		// Find the nearest non-continuation byte at most three bytes back; the
		// bytes form one code point only when its sequence ends exactly at pos.
		for (size_t distance = 2; distance <= 4 && it != first; ++distance)
		{
			--it;
			if (!isContinuation(byte(it)))
				return sequenceLength(it, last) == distance ? distance : 1;
		}
		return 1;
	}

private:
	static char32_t byte(BaseIterator it) { return static_cast<unsigned char>(*it); }
	static bool isContinuation(char32_t b) { return (b & 0xC0) == 0x80; }

	BaseIterator pos {};
	BaseIterator first {};
	BaseIterator last {};
};

// Text as UTF-8 bytes (the encoding is not validated). The platform string
// used to draw and measure it is made on first use and kept until the text
// changes; copies share it.
class UTF8String
{
public:
	using StringType = std::string;
	using CodePointIterator = CStringIterator<StringType::const_iterator>;

	// Null gives the empty string.
	UTF8String(const char* text = nullptr);
	UTF8String(const StringType& text);
	UTF8String(StringType&& text) noexcept;
	UTF8String(const UTF8String& other);
	UTF8String(UTF8String&& other) noexcept;
	~UTF8String() noexcept;

	UTF8String& operator=(const UTF8String& other);
	UTF8String& operator=(UTF8String&& other) noexcept;
	UTF8String& operator=(const StringType& text);
	UTF8String& operator=(StringType&& text) noexcept;
	UTF8String& operator=(const char* text)
	{
		assign(text);
		return *this;
	}

	// Equal text keeps everything, the platform string included; null
	// stores the empty string.
	void assign(const char* text);
	void clear() noexcept;

	// Byte-wise; a null text is unequal to every string.
	bool operator==(const UTF8String& other) const { return data == other.data; }
	bool operator!=(const UTF8String& other) const { return data != other.data; }
	bool operator==(const StringType& other) const { return data == other; }
	bool operator!=(const StringType& other) const { return data != other; }
	bool operator==(const char* other) const { return other && data == other; }
	bool operator!=(const char* other) const { return !(*this == other); }

	UTF8String& operator+=(const UTF8String& other);
	UTF8String& operator+=(const char* other);
	UTF8String& operator+=(char c);
	UTF8String operator+(const UTF8String& other) const;
	UTF8String operator+(const char* other) const;
	UTF8String operator+(char c) const;

	// Copies at most bufferSize - 1 bytes, never the first part of a code
	// point alone, and terminates the copy when bufferSize > 0. Returns the
	// full length of the text in bytes.
	size_t copy(char* buffer, size_t bufferSize) const;

	// Made from the bytes on first use; null without a platform.
	IPlatformString* getPlatformString() const;

	CodePointIterator begin() const { return {data.begin(), data.begin(), data.end()}; }
	CodePointIterator end() const { return {data.end(), data.begin(), data.end()}; }

	size_t length() const { return data.length(); }
	bool empty() const { return data.empty(); }
	const char* get() const { return data.c_str(); }
	const StringType& getString() const { return data; }
	operator const StringType&() const { return data; }

private:
	void textChanged() noexcept;

	StringType data;
	mutable SharedPointer<IPlatformString> platformString;
};

inline bool operator==(const char* a, const UTF8String& b)
{
	return b == a;
}
inline bool operator!=(const char* a, const UTF8String& b)
{
	return b != a;
}
inline bool operator==(const std::string& a, const UTF8String& b)
{
	return b == a;
}
inline bool operator!=(const std::string& a, const UTF8String& b)
{
	return b != a;
}

// Heap copies of NUL-terminated byte strings.
struct String
{
	// Null for null; release with free().
	static char* newWithString(const char* string);
	// Null is ignored.
	static void free(char* string);
};

// The white space of Unicode, plus the byte order mark.
bool isSpace(char32_t character);

// Which ends of a text trim() removes code points from, and which code
// points it removes.
struct TrimOptions
{
	using CharacterTest = std::function<bool(char32_t)>;

	enum Where : uint32
	{
		kStart = 1 << 0,
		kEnd = 1 << 1,
		kBoth = kStart | kEnd,
	};

	// A null test trims nothing.
	TrimOptions(uint32 where = kBoth, CharacterTest test = isSpace)
	: where(where), test(std::move(test))
	{
	}

	bool trimStart() const { return (where & kStart) != 0 && test; }
	bool trimEnd() const { return (where & kEnd) != 0 && test; }

	uint32 where;
	CharacterTest test;
};

// The text without the leading and/or trailing code points for which the
// test holds.
UTF8String trim(const UTF8String& text, const TrimOptions& options = TrimOptions());

} // namespace Kavrin
