#pragma once

#include "lib/ccolor.h"
#include "lib/cpoint.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin {

class CDrawContext;
class CFontDesc;

// One line of text laid out by Pango for an editor: how wide it is, where
// the caret goes for a byte offset, which offset lies under an x, and the
// drawing. x is measured from the line's left end, in logical units; bytes
// are of the text given.
class TextEditLayout
{
public:
	TextEditLayout();
	~TextEditLayout() noexcept;
	TextEditLayout(const TextEditLayout&) = delete;
	TextEditLayout& operator=(const TextEditLayout&) = delete;

	// The font's Pango face; without one (no font, or another back end's),
	// a sans-serif face of the font's size.
	void setFont(CFontDesc* font);
	// Valid UTF-8; anything else shows as U+FFFD.
	void setText(const std::string& text);

	double getWidth() const;
	double getAscent() const { return ascent; }
	double getDescent() const { return descent; }
	double getCapHeight() const { return capHeight; }

	// Where the caret before the byte at offset stands (the strong cursor
	// for text of both directions).
	double getCaretX(size_t offset) const;
	// The spans covering [from, to), left to right: one for text of one
	// direction, more where directions mix.
	std::vector<std::pair<double, double>> getSpans(size_t from, size_t to) const;
	// The caret stop nearest x.
	size_t getOffsetAtX(double x) const;

	// Draws the line with its left end at x and its baseline at y, in the
	// colour at the context's global alpha; only into a Cairo draw context.
	void draw(CDrawContext* context, const CPoint& leftBaseline, const CColor& color) const;

private:
	struct Impl;

	std::unique_ptr<Impl> impl;
	std::string text;
	double ascent {0.};
	double descent {0.};
	double capHeight {0.};
};

} // namespace Kavrin
