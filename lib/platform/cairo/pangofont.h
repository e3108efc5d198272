#pragma once

#include "lib/platform/iplatformfont.h"

#include <pango/pangocairo.h>

#include <string>

namespace Kavrin {

class PangoPlatformString;

// A font loaded through the process's Pango font map, and its own painter.
// Metrics are read once, in logical units.
class PangoPlatformFont : public IPlatformFont, public IFontPainter
{
public:
	static SharedPointer<PangoPlatformFont> create(const std::string& name, double size, int32 style);
	~PangoPlatformFont() noexcept override;

	double getAscent() const override { return ascent; }
	double getDescent() const override { return descent; }
	double getLeading() const override { return leading; }
	double getCapHeight() const override { return capHeight; }
	const IFontPainter* getPainter() const override { return this; }

	// Draws in the context's font colour at its global alpha; only into a
	// Cairo draw context.
	void drawString(CDrawContext* context, IPlatformString* string, const CPoint& baseline,
	                bool antialias = true) const override;
	// 0 for a null string or one that is not a Pango string.
	double getStringWidth(CDrawContext* context, IPlatformString* string,
	                      bool antialias = true) const override;

	double getXHeight() const { return xHeight; }
	// Distance of the underline's top above the baseline (negative below).
	double getUnderlinePosition() const { return underlinePosition; }
	double getUnderlineThickness() const { return underlineThickness; }
	int32 getStyle() const { return style; }
	// What layouts in this font ask for.
	const PangoFontDescription* getDescription() const { return description; }
	// The font fontconfig chose.
	PangoFont* getPangoFont() const { return font; }
	// The family of the font fontconfig chose.
	std::string getResolvedFamily() const;

private:
	PangoPlatformFont(PangoFontDescription* description, PangoFont* font, int32 style);
	void readMetrics();
	void drawLine(cairo_t* cr, double fromX, double toX, double y, bool antialias) const;

	PangoFontDescription* description;
	PangoFont* font;
	int32 style;
	double ascent {0.};
	double descent {0.};
	double leading {0.};
	double capHeight {0.};
	double xHeight {0.};
	double underlinePosition {0.};
	double underlineThickness {1.};
};

} // namespace Kavrin
