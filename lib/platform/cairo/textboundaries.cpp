#include "lib/platform/cairo/textboundaries.h"

#include <pango/pango.h>

#include <algorithm>

namespace Kavrin {

TextBoundaries::TextBoundaries()
{
	setText({});
}

void TextBoundaries::setText(const std::string& text)
{
	positions.clear();
	stops.clear();
	const glong characters = g_utf8_strlen(text.data(), static_cast<gssize>(text.size()));
	std::vector<PangoLogAttr> attrs(size_t(characters) + 1);
	pango_get_log_attrs(text.data(), static_cast<int>(text.size()), -1, pango_language_get_default(),
	                    attrs.data(), static_cast<int>(attrs.size()));
	positions.reserve(attrs.size());
	const char* start = text.data();
	const char* at = start;
	for (size_t i = 0; i < attrs.size(); ++i)
	{
		const PangoLogAttr& attr = attrs[i];
		const bool atEnd = i + 1 == attrs.size();
		// The text's ends are stops whatever the attributes say.
		positions.push_back({size_t(at - start), attr.is_cursor_position || i == 0 || atEnd,
		                     bool(attr.is_word_start), bool(attr.is_word_end),
		                     bool(attr.backspace_deletes_character)});
		if (positions.back().cursorStop)
			stops.push_back(positions.back().offset);
		if (!atEnd)
			at = g_utf8_next_char(at);
	}
}

size_t TextBoundaries::indexAt(size_t offset) const
{
	auto after = std::upper_bound(positions.begin(), positions.end(), offset,
	                              [](size_t value, const Position& p) { return value < p.offset; });
	return after == positions.begin() ? 0 : size_t(after - positions.begin()) - 1;
}

size_t TextBoundaries::nextCursorStop(size_t offset) const
{
	auto next = std::upper_bound(stops.begin(), stops.end(), offset);
	return next == stops.end() ? getTextLength() : *next;
}

size_t TextBoundaries::previousCursorStop(size_t offset) const
{
	auto at = std::lower_bound(stops.begin(), stops.end(), offset);
	return at == stops.begin() ? 0 : *(at - 1);
}

size_t TextBoundaries::snapToCursorStop(size_t offset) const
{
	auto after = std::upper_bound(stops.begin(), stops.end(), offset);
	return after == stops.begin() ? 0 : *(after - 1);
}

size_t TextBoundaries::previousWordStart(size_t offset) const
{
	size_t i = indexAt(offset);
	if (positions.empty() || i == 0)
		return 0;
	if (positions[i].offset == offset)
		--i;
	while (i > 0 && !positions[i].wordStart)
		--i;
	return positions[i].offset;
}

size_t TextBoundaries::nextWordEnd(size_t offset) const
{
	for (size_t i = indexAt(offset) + 1; i < positions.size(); ++i)
	{
		if (positions[i].wordEnd)
			return positions[i].offset;
	}
	return getTextLength();
}

std::pair<size_t, size_t> TextBoundaries::wordAt(size_t offset) const
{
	if (positions.empty())
		return {0, 0};
	const size_t at = indexAt(offset);
	std::pair<size_t, size_t> endingHere {0, 0};
	bool foundEnding = false;
	for (size_t start = 0; start < positions.size(); ++start)
	{
		if (!positions[start].wordStart)
			continue;
		size_t end = start + 1;
		while (end < positions.size() && !positions[end].wordEnd)
			++end;
		if (end == positions.size())
			break;
		if (start <= at && at < end)
			return {positions[start].offset, positions[end].offset};
		if (end == at)
		{
			endingHere = {positions[start].offset, positions[end].offset};
			foundEnding = true;
		}
		start = end - 1;
	}
	if (foundEnding)
		return endingHere;
	size_t gapStart = at;
	while (gapStart > 0 && !positions[gapStart].wordEnd)
		--gapStart;
	size_t gapEnd = at;
	while (gapEnd + 1 < positions.size() && !positions[gapEnd].wordStart)
		++gapEnd;
	return {positions[gapStart].offset, positions[gapEnd].offset};
}

size_t TextBoundaries::backspaceStart(size_t offset) const
{
	size_t i = indexAt(offset);
	if (i == 0 || positions.empty())
		return 0;
	if (positions[i].offset != offset)
		return positions[i].offset;
	if (positions[i].backspaceDeletesCharacter)
		return positions[i - 1].offset;
	return previousCursorStop(offset);
}

size_t TextBoundaries::graphemesBefore(size_t offset) const
{
	auto after = std::upper_bound(stops.begin(), stops.end(), offset);
	return after == stops.begin() ? 0 : size_t(after - stops.begin()) - 1;
}

size_t TextBoundaries::offsetAfterGraphemes(size_t count) const
{
	if (stops.empty())
		return 0;
	return stops[std::min(count, stops.size() - 1)];
}

} // namespace Kavrin
