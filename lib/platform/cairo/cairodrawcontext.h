#pragma once

#include "lib/cdrawcontext.h"
#include "lib/cgraphicspath.h"

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
//
// Cairo's own state is never saved and restored with the context's: it
// mirrors the context state and is brought up to date when something is
// drawn, so that a change of line width or a saved state costs no
// re-established clip, and a run of primitives under one clip and
// transform pays for them once.
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
	void endDraw() override;
	void init() override;

	// The same pixels as clearRect(rect), left until something is drawn: a
	// fully opaque fill that covers every pixel of it makes the clear
	// unnecessary, so that a frame painting an opaque background over its
	// repainted rects writes each pixel once.
	void clearBeforeDrawing(const CRect& rect);

	cairo_t* getCairo() const { return cr; }

	// Begins a drawing call: false (and nothing to end) when the clip is
	// empty; otherwise the clip, the current transform (both rounded to
	// device pixels in integral mode) and the line state are applied.
	bool beginDrawing();
	void endDrawing();
	bool integralMode() const { return getDrawMode().integralMode(); }
	// Rounds a point of the current user space to a whole device pixel.
	CPoint pixelAligned(const CPoint& point) const;
	void setSourceColor(const CColor& color);

private:
	// How a shape's pieces meet, which decides how far its stroke reaches
	// beyond the path: half the line width for round and bevel joins and for
	// round and butt caps, further for square caps and miter joins.
	enum class Joins
	{
		kNone,        // separate segments
		kSmooth,      // one curve whose pieces meet at a tangent
		kRightAngles, // the corners of a rect
		kSharp,
	};
	class Extent;

	// Brings transform and line state up to date and works out the clip of
	// the call: false when nothing can be drawn.
	bool prepareDrawing();
	// Applies the clip unless everything drawn lies within userBounds (in
	// user space) widened by surfaceMargin (in surface units), on pixels
	// the clip covers whole: there it would change no pixel and only slow
	// Cairo down. Draws a pending clear first.
	void clipUnlessInside(const CRect* userBounds, double surfaceMargin = 0.);
	// The same for a shape filled or stroked over an extent (null when
	// unknown), whose curves may lie curveError beyond it.
	void clipUnlessInsideShape(const CRect* extent, CDrawStyle style, Joins joins, double curveError);
	// userBounds widened by the reach of the current pen.
	CRect strokeBounds(const CRect& userBounds, Joins joins) const;
	double strokeSlack() const;
	Joins measurePath(const CGraphicsPath::ElementList& elements, const CGraphicsTransform* transformation,
	                  Extent& extent, double& curveError) const;
	void strokeLines(const std::pair<CPoint, CPoint>* lines, size_t count);
	CRect alignedRect(const CRect& rect) const;
	CRect shapeRect(const CRect& rect, CDrawStyle style) const;
	// Half a unit when strokes of the current width must be shifted onto
	// whole pixels (integral mode and an odd whole width).
	double strokeShift() const;
	void applyLineStyle();
	void applyAntialias();
	void applyTransform(const CGraphicsTransform& transform);
	void fillAndStroke(CDrawStyle style);
	bool addPathForFill(CGraphicsPath* path, CGraphicsTransform* transformation, bool shift);
	void fillGradient(CGraphicsPath* path, cairo_pattern_t* pattern, bool evenOdd,
	                  CGraphicsTransform* transformation);

	// Drops the pending clear when a rect drawn over userFill in the style
	// certainly covers it.
	void forgetClearCoveredBy(const CRect& userFill, CDrawStyle style);
	void flushPendingClear();
	// A rect in device pixels; false unless the transform keeps rects
	// upright.
	bool uprightDeviceRect(const CRect& userRect, CRect& device) const;

	SharedPointer<CairoImageSurface> surface;
	cairo_t* cr;
	double scaleFactor;
	double tolerance {0.};

	// The clip and transform of the call being drawn.
	CRect drawingClip;
	CGraphicsTransform drawingTransform;

	// What Cairo has applied.
	bool clipApplied {false};
	CRect appliedClip;
	CGraphicsTransform appliedTransform;
	bool lineStyleChanged {true};
	bool drawModeChanged {true};
	double appliedLineWidth {-1.};
	CLineStyle appliedLineStyle;

	bool clearPending {false};
	CRect pendingClear;
};

} // namespace Kavrin
