#include "lib/platform/cairo/pangofont.h"

#include "lib/cfont.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/pangofontsystem.h"
#include "lib/platform/cairo/pangostring.h"

#include <hb-ot.h>

#include <algorithm>
#include <cmath>

namespace Kavrin {

namespace {

double fromPango(int units)
{
	return static_cast<double>(units) / PANGO_SCALE;
}

// A vertical metric from the font's OS/2 table, in logical units; 0 when the
// font does not carry it.
double tableMetric(PangoFont* font, hb_ot_metrics_tag_t tag, double size)
{
	hb_font_t* pangoHbFont = pango_font_get_hb_font(font);
	if (!pangoHbFont)
		return 0.;
	// A font of our own at the face's design units, whatever scale Pango
	// chose for its one.
	hb_face_t* face = hb_font_get_face(pangoHbFont);
	unsigned int unitsPerEm = hb_face_get_upem(face);
	hb_font_t* designFont = hb_font_create(face);
	hb_position_t position = 0;
	bool found = hb_ot_metrics_get_position(designFont, tag, &position);
	hb_font_destroy(designFont);
	if (!found || unitsPerEm == 0 || position <= 0)
		return 0.;
	return position * size / unitsPerEm;
}

// The ink height above the baseline of a letter, for fonts without the
// table entry.
double inkHeight(const PangoFontDescription* description, const char* letter)
{
	PangoLayout* layout = PangoPlatformString::createLayout(letter, description, true);
	PangoRectangle ink;
	pango_layout_get_extents(layout, &ink, nullptr);
	double height = fromPango(pango_layout_get_baseline(layout) - ink.y);
	g_object_unref(layout);
	return std::max(0., height);
}

} // namespace

SharedPointer<PangoPlatformFont> PangoPlatformFont::create(const std::string& name, double size, int32 style)
{
	if (name.empty() || !(size > 0.) || !std::isfinite(size))
		return nullptr;
	auto& system = PangoFontSystem::instance();
	PangoFontDescription* description = pango_font_description_new();
	pango_font_description_set_family(description, name.c_str());
	// Absolute sizes are in device units of the context, which are logical
	// units here: one point of the description is one unit on screen.
	pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
	if (style & kBoldFace)
		pango_font_description_set_weight(description, PANGO_WEIGHT_BOLD);
	if (style & kItalicFace)
		pango_font_description_set_style(description, PANGO_STYLE_ITALIC);
	PangoFont* font = pango_font_map_load_font(system.getFontMap(), system.getContext(true), description);
	if (!font)
	{
		pango_font_description_free(description);
		return nullptr;
	}
	return SharedPointer<PangoPlatformFont>(new PangoPlatformFont(description, font, style), false);
}

PangoPlatformFont::PangoPlatformFont(PangoFontDescription* description, PangoFont* font, int32 style)
: description(description), font(font), style(style)
{
	readMetrics();
}

PangoPlatformFont::~PangoPlatformFont() noexcept
{
	g_object_unref(font);
	pango_font_description_free(description);
}

void PangoPlatformFont::readMetrics()
{
	PangoFontMetrics* metrics = pango_font_get_metrics(font, nullptr);
	ascent = fromPango(pango_font_metrics_get_ascent(metrics));
	descent = fromPango(pango_font_metrics_get_descent(metrics));
	leading = std::max(0., fromPango(pango_font_metrics_get_height(metrics)) - ascent - descent);
	underlinePosition = fromPango(pango_font_metrics_get_underline_position(metrics));
	underlineThickness = fromPango(pango_font_metrics_get_underline_thickness(metrics));
	if (underlineThickness <= 0.)
		underlineThickness = 1.;
	pango_font_metrics_unref(metrics);

	double size = fromPango(pango_font_description_get_size(description));
	capHeight = tableMetric(font, HB_OT_METRICS_TAG_CAP_HEIGHT, size);
	if (capHeight <= 0.)
		capHeight = inkHeight(description, "H");
	xHeight = tableMetric(font, HB_OT_METRICS_TAG_X_HEIGHT, size);
	if (xHeight <= 0.)
		xHeight = inkHeight(description, "x");
}

std::string PangoPlatformFont::getResolvedFamily() const
{
	PangoFontDescription* resolved = pango_font_describe(font);
	const char* family = pango_font_description_get_family(resolved);
	std::string name = family ? family : "";
	pango_font_description_free(resolved);
	return name;
}

double PangoPlatformFont::getStringWidth(CDrawContext*, IPlatformString* string, bool antialias) const
{
	auto pangoString = dynamic_cast<PangoPlatformString*>(string);
	if (!pangoString || pangoString->getText().empty())
		return 0.;
	PangoRectangle logical;
	pango_layout_get_extents(pangoString->getLayout(*this, antialias), nullptr, &logical);
	return fromPango(logical.width);
}

void PangoPlatformFont::drawString(CDrawContext* context, IPlatformString* string, const CPoint& baseline,
                                   bool antialias) const
{
	auto cairoContext = dynamic_cast<CairoDrawContext*>(context);
	auto pangoString = dynamic_cast<PangoPlatformString*>(string);
	if (!cairoContext || !pangoString || pangoString->getText().empty())
		return;
	PangoLayout* layout = pangoString->getLayout(*this, antialias);
	if (!cairoContext->beginDrawing())
		return;
	cairo_t* cr = cairoContext->getCairo();
	CPoint origin = baseline;
	if (cairoContext->integralMode())
		origin.y = cairoContext->pixelAligned(baseline).y;
	cairoContext->setSourceColor(cairoContext->getFontColor());
	cairo_move_to(cr, origin.x, origin.y);
	pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));

	if (style & (kUnderlineFace | kStrikethroughFace))
	{
		PangoRectangle logical;
		pango_layout_get_extents(layout, nullptr, &logical);
		double endX = origin.x + fromPango(logical.width);
		// One unit further from the baseline than the font says, so that the
		// line clears the letters' feet.
		if (style & kUnderlineFace)
			drawLine(cr, origin.x, endX, origin.y - underlinePosition + 1., antialias);
		if (style & kStrikethroughFace)
			drawLine(cr, origin.x, endX, origin.y - xHeight / 2., antialias);
	}
	cairoContext->endDrawing();
}

// A horizontal line of the underline's thickness in the current source.
void PangoPlatformFont::drawLine(cairo_t* cr, double fromX, double toX, double y, bool antialias) const
{
	// The context keeps its line state applied between calls.
	cairo_save(cr);
	cairo_set_antialias(cr, antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
	cairo_set_line_width(cr, underlineThickness);
	cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
	cairo_set_dash(cr, nullptr, 0, 0.);
	cairo_new_path(cr);
	cairo_move_to(cr, fromX, y);
	cairo_line_to(cr, toX, y);
	cairo_stroke(cr);
	cairo_restore(cr);
}

} // namespace Kavrin
