#pragma once

#include "lib/cdrawcontext.h"

#include <cairo.h>

namespace Kavrin {

class CairoImageSurface;

// The draw context of the Cairo back end, drawing into an image surface
// whose device scale maps logical units onto device pixels. Shared by the
// window and the headless platform, so both show the same pixels.
//
// Antialiased drawing uses Cairo's fast antialiasing and a coarser curve
// tolerance on surfaces of scale 2 or more, where the difference cannot be
// seen, and its default antialiasing and tolerance at scale 1.
class CairoDrawContext : public COffscreenContext
{
public:
	explicit CairoDrawContext(CairoImageSurface* surface);
	// Renders into the bitmap (which the context keeps) at its scale factor.
	explicit CairoDrawContext(CBitmap* bitmap);
	~CairoDrawContext() noexcept override;

	void drawLine(const std::pair<CPoint, CPoint>& line) override;
	void drawLines(const std::vector<std::pair<CPoint, CPoint>>& lines) override;
	void drawPolygon(const std::vector<CPoint>& polygon, CDrawStyle style = kDrawStroked) override;
	void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked) override;
	void drawArc(const CRect& rect, float startAngle, float endAngle,
	             CDrawStyle style = kDrawStroked) override;
	void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked) override;
	void drawPoint(const CPoint& point, const CColor& color) override;
	void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(),
	                float alpha = 1.f) override;
	void clearRect(const CRect& rect) override;
	void setLineStyle(const CLineStyle& style) override;
	void setLineWidth(double width) override;
	void setDrawMode(CDrawMode mode) override;
	void setGlobalAlpha(float newAlpha) override;
	void saveGlobalState() override;
	void restoreGlobalState() override;
	double getScaleFactor() const override;
	CGraphicsPath* createGraphicsPath() override;
	CGraphicsPath* createTextPath(CFontDesc* font, const char* text) override;
	void drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode = kPathFilled,
	                      CGraphicsTransform* transformation = nullptr) override;
	void fillLinearGradient(CGraphicsPath* path, const CGradient& gradient, const CPoint& startPoint,
	                        const CPoint& endPoint, bool evenOdd = false,
	                        CGraphicsTransform* transformation = nullptr) override;
	void fillRadialGradient(CGraphicsPath* path, const CGradient& gradient, const CPoint& center,
	                        double radius, const CPoint& originOffset = CPoint(), bool evenOdd = false,
	                        CGraphicsTransform* transformation = nullptr) override;
	void init() override;

	cairo_t* getCairo() const { return cr; }

	// Begins a drawing call: false (and nothing to end) when the clip is
	// empty; otherwise the clip and the current transform are applied,
	// rounded to device pixels in integral mode. They stay applied across
	// calls until they change or the Cairo state is saved or changed, so
	// that a run of primitives under one clip pays for it once.
	bool beginDrawing();
	void endDrawing();
	bool integralMode() const { return getDrawMode().integralMode(); }
	// Rounds a point of the current user space to a whole device pixel.
	CPoint pixelAligned(const CPoint& point) const;
	void setSourceColor(const CColor& color);

private:
	CRect alignedRect(const CRect& rect) const;
	CRect shapeRect(const CRect& rect, CDrawStyle style) const;
	// Half a unit when strokes of the current width must be shifted onto
	// whole pixels (integral mode and an odd whole width).
	double strokeShift() const;
	void applyLineStyle();
	void applyAntialias();
	void fillAndStroke(CDrawStyle style);
	bool addPathForFill(CGraphicsPath* path, CGraphicsTransform* transformation, bool shift);
	void fillGradient(CGraphicsPath* path, cairo_pattern_t* pattern, bool evenOdd,
	                  CGraphicsTransform* transformation);

	// Leaves the level that holds the applied clip and transform.
	void closeDrawingLevel();

	SharedPointer<CairoImageSurface> surface;
	cairo_t* cr;
	double scaleFactor;
	int savedStates {0};
	bool drawingLevelOpen {false};
	CRect appliedClip;
	CGraphicsTransform appliedTransform;
};

} // namespace Kavrin
