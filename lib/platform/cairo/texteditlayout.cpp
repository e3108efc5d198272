#include "lib/platform/cairo/texteditlayout.h"

#include "lib/cfont.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/pangofont.h"
#include "lib/platform/cairo/pangostring.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace Kavrin {

namespace {

constexpr double kFallbackSize = 12.;

double fromPango(int units)
{
	return static_cast<double>(units) / PANGO_SCALE;
}

int toPango(double value)
{
	const double limit = 1e6; // far beyond any field, well inside Pango's range
	return static_cast<int>(std::clamp(value, -limit, limit) * PANGO_SCALE);
}

} // namespace

struct TextEditLayout::Impl
{
	SharedPointer<PangoPlatformFont> font;
	PangoLayout* layout {nullptr};

	~Impl() noexcept { dropLayout(); }
	void dropLayout()
	{
		if (layout)
			g_object_unref(layout);
		layout = nullptr;
	}
	PangoLayoutLine* line() const { return pango_layout_get_line_readonly(layout, 0); }
};

TextEditLayout::TextEditLayout() : impl(std::make_unique<Impl>())
{
	setFont(nullptr);
}

TextEditLayout::~TextEditLayout() noexcept = default;

void TextEditLayout::setFont(CFontDesc* font)
{
	SharedPointer<PangoPlatformFont> pangoFont;
	if (font)
		pangoFont = SharedPointer<IPlatformFont>(font->getPlatformFont()).cast<PangoPlatformFont>();
	if (!pangoFont)
	{
		double size = font && font->getSize() > 0. ? font->getSize() : kFallbackSize;
		pangoFont = PangoPlatformFont::create("Sans", size, font ? font->getStyle() : 0);
	}
	if (!pangoFont)
		return;
	impl->font = pangoFont;
	ascent = pangoFont->getAscent();
	descent = pangoFont->getDescent();
	capHeight = pangoFont->getCapHeight();
	impl->dropLayout();
	setText(text);
}

void TextEditLayout::setText(const std::string& newText)
{
	if (impl->layout && newText == text)
		return;
	text = newText;
	impl->dropLayout();
	if (impl->font)
		impl->layout = PangoPlatformString::createLayout(text, impl->font->getDescription(), true);
}

double TextEditLayout::getWidth() const
{
	if (!impl->layout)
		return 0.;
	PangoRectangle logical;
	pango_layout_get_extents(impl->layout, nullptr, &logical);
	return fromPango(logical.width);
}

double TextEditLayout::getCaretX(size_t offset) const
{
	if (!impl->layout)
		return 0.;
	PangoRectangle strong;
	pango_layout_get_cursor_pos(impl->layout, static_cast<int>(std::min(offset, text.size())), &strong,
	                            nullptr);
	return fromPango(strong.x);
}

std::vector<std::pair<double, double>> TextEditLayout::getSpans(size_t from, size_t to) const
{
	std::vector<std::pair<double, double>> spans;
	if (!impl->layout || from >= to)
		return spans;
	int* ranges = nullptr;
	int count = 0;
	pango_layout_line_get_x_ranges(impl->line(), static_cast<int>(std::min(from, text.size())),
	                               static_cast<int>(std::min(to, text.size())), &ranges, &count);
	for (int i = 0; i < count; ++i)
		spans.emplace_back(fromPango(ranges[2 * i]), fromPango(ranges[2 * i + 1]));
	g_free(ranges);
	std::sort(spans.begin(), spans.end());
	return spans;
}

size_t TextEditLayout::getOffsetAtX(double x) const
{
	if (!impl->layout || text.empty())
		return 0;
	int index = 0;
	int trailing = 0;
	pango_layout_line_x_to_index(impl->line(), toPango(x), &index, &trailing);
	// trailing counts the characters of the grapheme when x lies in its
	// second half: the stop after it.
	const char* at = text.data() + std::clamp(index, 0, static_cast<int>(text.size()));
	const char* end = text.data() + text.size();
	for (; trailing > 0 && at < end; --trailing)
		at = g_utf8_next_char(at);
	return size_t(std::min(at, end) - text.data());
}

void TextEditLayout::draw(CDrawContext* context, const CPoint& leftBaseline, const CColor& color) const
{
	auto cairoContext = dynamic_cast<CairoDrawContext*>(context);
	if (!cairoContext || !impl->layout || text.empty())
		return;
	if (!cairoContext->beginDrawing())
		return;
	cairo_t* cr = cairoContext->getCairo();
	CPoint origin = leftBaseline;
	if (cairoContext->integralMode())
		origin.y = cairoContext->pixelAligned(leftBaseline).y;
	cairoContext->setSourceColor(color);
	cairo_move_to(cr, origin.x, origin.y);
	pango_cairo_show_layout_line(cr, impl->line());
	cairoContext->endDrawing();
}

} // namespace Kavrin
