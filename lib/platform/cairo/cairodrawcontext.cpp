#include "lib/platform/cairo/cairodrawcontext.h"

#include "lib/cbitmap.h"
#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/cairographicspath.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/pangotext.h"

#include <cmath>

namespace Kavrin {

namespace {

// Curve tolerance in device pixels.
constexpr double kDefaultTolerance = 0.1;
constexpr double kHighResolutionTolerance = 0.25;

// Cairo refuses singular and non-finite matrices by putting the whole
// context into a lasting error state; such a transform draws nothing.
bool isDrawableTransform(const CGraphicsTransform& t)
{
	return std::isfinite(t.m11) && std::isfinite(t.m12) && std::isfinite(t.m21) && std::isfinite(t.m22) &&
	       std::isfinite(t.dx) && std::isfinite(t.dy) && t.determinant() != 0.;
}

void applyTransform(cairo_t* cr, const CGraphicsTransform& t)
{
	cairo_matrix_t matrix;
	cairo_matrix_init(&matrix, t.m11, t.m21, t.m12, t.m22, t.dx, t.dy);
	cairo_transform(cr, &matrix);
}

bool isOddWholeNumber(double value)
{
	return value == std::floor(value) && std::fmod(std::fabs(value), 2.) == 1.;
}

} // namespace

namespace {

cairo_t* createCairo(CairoImageSurface* surface)
{
	// Without a surface, a context on nothing: Cairo draws nothing into it.
	if (!surface)
		return cairo_create(nullptr);
	return cairo_create(static_cast<cairo_surface_t*>(surface->getCairoSurface()));
}

CairoImageSurface* surfaceOf(CBitmap* bitmap)
{
	auto platformBitmap = bitmap ? dynamic_cast<CairoBitmap*>(bitmap->getPlatformBitmap()) : nullptr;
	return platformBitmap ? platformBitmap->getSurface() : nullptr;
}

} // namespace

CairoDrawContext::CairoDrawContext(CairoImageSurface* surface)
: COffscreenContext(surface ? surface->getLogicalRect() : CRect()), surface(surface),
  cr(createCairo(surface)), scaleFactor(surface ? surface->getScaleFactor() : 1.)
{
	init();
}

CairoDrawContext::CairoDrawContext(CBitmap* bitmap)
: COffscreenContext(bitmap), surface(surfaceOf(bitmap)), cr(createCairo(surface)),
  scaleFactor(surface ? surface->getScaleFactor() : 1.)
{
	init();
}

CairoDrawContext::~CairoDrawContext() noexcept
{
	closeDrawingLevel();
	cairo_destroy(cr);
}

void CairoDrawContext::init()
{
	cairo_set_tolerance(cr, scaleFactor >= 2. ? kHighResolutionTolerance : kDefaultTolerance);
	CDrawContext::init();
	applyLineStyle();
	applyAntialias();
}

double CairoDrawContext::getScaleFactor() const
{
	return scaleFactor;
}

// ---- Preparing a call ----

bool CairoDrawContext::beginDrawing()
{
	CRect clip = getAbsoluteClipRect();
	if (!(clip.left < clip.right) || !(clip.top < clip.bottom) || !std::isfinite(clip.left) ||
	    !std::isfinite(clip.top) || !std::isfinite(clip.right) || !std::isfinite(clip.bottom))
		return false;
	CGraphicsTransform transform = getCurrentTransform();
	if (!isDrawableTransform(transform))
		return false;
	if (integralMode())
	{
		auto round = [this](double value) { return std::round(value * scaleFactor) / scaleFactor; };
		double left = round(clip.left);
		double top = round(clip.top);
		clip = CRect(left, top, left + round(clip.getWidth()), top + round(clip.getHeight()));
		transform.dx = round(transform.dx);
		transform.dy = round(transform.dy);
	}
	if (drawingLevelOpen && clip == appliedClip && transform == appliedTransform)
	{
		cairo_new_path(cr);
		return true;
	}
	closeDrawingLevel();
	cairo_save(cr);
	drawingLevelOpen = true;
	appliedClip = clip;
	appliedTransform = transform;
	cairo_new_path(cr);
	// A clip that covers the whole surface clips nothing and would only
	// slow Cairo's compositing down.
	if (!clip.rectInside(getSurfaceRect()))
	{
		cairo_rectangle(cr, clip.left, clip.top, clip.getWidth(), clip.getHeight());
		cairo_clip(cr);
	}
	if (!transform.isInvariant())
		applyTransform(cr, transform);
	return true;
}

void CairoDrawContext::endDrawing()
{
	cairo_new_path(cr);
}

void CairoDrawContext::closeDrawingLevel()
{
	if (!drawingLevelOpen)
		return;
	drawingLevelOpen = false;
	cairo_new_path(cr);
	cairo_restore(cr);
}

// Cairo's device space here is the surface's logical space (the surface's
// own scale maps it onto pixels), so the scale factor takes it the rest of
// the way to device pixels.
CPoint CairoDrawContext::pixelAligned(const CPoint& point) const
{
	double x = point.x;
	double y = point.y;
	cairo_user_to_device(cr, &x, &y);
	x = std::round(x * scaleFactor) / scaleFactor;
	y = std::round(y * scaleFactor) / scaleFactor;
	cairo_device_to_user(cr, &x, &y);
	return {x, y};
}

CRect CairoDrawContext::alignedRect(const CRect& rect) const
{
	if (!integralMode())
		return rect;
	CPoint origin = pixelAligned(rect.getTopLeft());
	double width = rect.getWidth();
	double height = rect.getHeight();
	cairo_user_to_device_distance(cr, &width, &height);
	width = std::round(width * scaleFactor) / scaleFactor;
	height = std::round(height * scaleFactor) / scaleFactor;
	cairo_device_to_user_distance(cr, &width, &height);
	return CRect(origin.x, origin.y, origin.x + width, origin.y + height);
}

// Stroked rects and ellipses are one unit smaller, from the same origin,
// shifted onto whole pixels for odd widths.
CRect CairoDrawContext::shapeRect(const CRect& rect, CDrawStyle style) const
{
	CRect r = alignedRect(rect);
	if (style == kDrawFilled)
		return r;
	double shift = strokeShift();
	return CRect(r.left + shift, r.top + shift, r.right - 1. + shift, r.bottom - 1. + shift);
}

double CairoDrawContext::strokeShift() const
{
	return integralMode() && isOddWholeNumber(getLineWidth()) ? 0.5 : 0.;
}

void CairoDrawContext::setSourceColor(const CColor& color)
{
	cairo_set_source_rgba(cr, color.red / 255., color.green / 255., color.blue / 255.,
	                      color.alpha / 255. * getGlobalAlpha());
}

void CairoDrawContext::fillAndStroke(CDrawStyle style)
{
	if (style == kDrawFilled || style == kDrawFilledAndStroked)
	{
		cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
		setSourceColor(getFillColor());
		if (style == kDrawFilledAndStroked)
			cairo_fill_preserve(cr);
		else
			cairo_fill(cr);
	}
	if (style == kDrawStroked || style == kDrawFilledAndStroked)
	{
		setSourceColor(getFrameColor());
		cairo_stroke(cr);
	}
}

// ---- State ----

void CairoDrawContext::applyLineStyle()
{
	closeDrawingLevel();
	const auto& style = getLineStyle();
	static const cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
	static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
	                                          CAIRO_LINE_JOIN_BEVEL};
	cairo_set_line_cap(cr, caps[std::clamp<int32>(style.getLineCap(), 0, 2)]);
	cairo_set_line_join(cr, joins[std::clamp<int32>(style.getLineJoin(), 0, 2)]);
	const double width = std::isfinite(getLineWidth()) ? std::max(getLineWidth(), 0.) : 0.;
	cairo_set_line_width(cr, width);
	// Dash lengths are in multiples of the line width. Dashes Cairo would
	// refuse (nothing positive, a negative length, a zero width) draw solid
	// rather than leaving the context unable to draw at all.
	std::vector<double> dashes(style.getDashLengths());
	double total = 0.;
	bool valid = std::isfinite(style.getDashPhase());
	for (auto& dash : dashes)
	{
		dash *= width;
		valid = valid && std::isfinite(dash) && dash >= 0.;
		total += dash;
	}
	if (dashes.empty() || !valid || !(total > 0.))
		cairo_set_dash(cr, nullptr, 0, 0.);
	else
		cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), style.getDashPhase());
}

void CairoDrawContext::applyAntialias()
{
	closeDrawingLevel();
	cairo_antialias_t mode = CAIRO_ANTIALIAS_NONE;
	if (getDrawMode().antialiasing())
		mode = scaleFactor >= 2. ? CAIRO_ANTIALIAS_FAST : CAIRO_ANTIALIAS_DEFAULT;
	cairo_set_antialias(cr, mode);
}

void CairoDrawContext::setLineStyle(const CLineStyle& style)
{
	if (style == getLineStyle())
		return;
	COffscreenContext::setLineStyle(style);
	applyLineStyle();
}

void CairoDrawContext::setLineWidth(double width)
{
	if (width == getLineWidth())
		return;
	COffscreenContext::setLineWidth(width);
	applyLineStyle();
}

void CairoDrawContext::setDrawMode(CDrawMode mode)
{
	if (mode == getDrawMode())
		return;
	COffscreenContext::setDrawMode(mode);
	applyAntialias();
}

void CairoDrawContext::setGlobalAlpha(float newAlpha)
{
	if (newAlpha == getGlobalAlpha())
		return;
	COffscreenContext::setGlobalAlpha(newAlpha);
}

void CairoDrawContext::saveGlobalState()
{
	COffscreenContext::saveGlobalState();
	closeDrawingLevel();
	cairo_save(cr);
	++savedStates;
}

void CairoDrawContext::restoreGlobalState()
{
	if (savedStates == 0)
		return;
	--savedStates;
	COffscreenContext::restoreGlobalState();
	closeDrawingLevel();
	cairo_restore(cr);
}

// ---- Primitives ----

void CairoDrawContext::drawLine(const std::pair<CPoint, CPoint>& line)
{
	drawLines({line});
}

void CairoDrawContext::drawLines(const std::vector<std::pair<CPoint, CPoint>>& lines)
{
	if (lines.empty() || !beginDrawing())
		return;
	const double shift = strokeShift();
	for (const auto& [from, to] : lines)
	{
		CPoint a = integralMode() ? pixelAligned(from) : from;
		CPoint b = integralMode() ? pixelAligned(to) : to;
		cairo_move_to(cr, a.x + shift, a.y + shift);
		cairo_line_to(cr, b.x + shift, b.y + shift);
	}
	setSourceColor(getFrameColor());
	cairo_stroke(cr);
	endDrawing();
}

void CairoDrawContext::drawPolygon(const std::vector<CPoint>& polygon, CDrawStyle style)
{
	if (polygon.empty() || !beginDrawing())
		return;
	bool first = true;
	for (const auto& point : polygon)
	{
		CPoint p = integralMode() ? pixelAligned(point) : point;
		if (first)
			cairo_move_to(cr, p.x, p.y);
		else
			cairo_line_to(cr, p.x, p.y);
		first = false;
	}
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawRect(const CRect& rect, CDrawStyle style)
{
	if (!beginDrawing())
		return;
	CRect r = shapeRect(rect, style);
	cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawEllipse(const CRect& rect, CDrawStyle style)
{
	if (!beginDrawing())
		return;
	appendEllipse(cr, shapeRect(rect, style));
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, CDrawStyle style)
{
	if (!beginDrawing())
		return;
	// An arc lies on the ellipse inscribed in its rect, stroked or not.
	CRect r = alignedRect(rect);
	if (style != kDrawFilled)
		r.offset(strokeShift(), strokeShift());
	appendArc(cr, r, startAngle, endAngle, true);
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawPoint(const CPoint& point, const CColor& color)
{
	saveGlobalState();
	setLineWidth(1.);
	setFrameColor(color);
	drawLine({point, CPoint(point.x + 1., point.y)});
	restoreGlobalState();
}

void CairoDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float alpha)
{
	if (!bitmap || alpha <= 0.f)
		return;
	// The resolution that suits the surface and a uniform zoom.
	double scale = scaleFactor;
	const auto& t = getCurrentTransform();
	if (t.m11 == t.m22 && t.m12 == 0. && t.m21 == 0.)
		scale *= t.m11;
	auto platformBitmap = bitmap->getBestPlatformBitmapForScaleFactor(scale).cast<CairoBitmap>();
	if (!platformBitmap || !platformBitmap->getSurface() || !beginDrawing())
		return;
	auto image = static_cast<cairo_surface_t*>(platformBitmap->getSurface()->getCairoSurface());
	CRect target = dest;
	CPoint from = offset;
	if (integralMode())
	{
		// Origin on a device pixel, sizes and offsets in whole units, so
		// that a bitmap of the surface's scale maps one to one onto pixels.
		CPoint origin = pixelAligned(dest.getTopLeft());
		target = CRect(origin.x, origin.y, origin.x + std::trunc(dest.getWidth()),
		               origin.y + std::trunc(dest.getHeight()));
		from = CPoint(std::trunc(offset.x), std::trunc(offset.y));
	}
	cairo_save(cr);
	cairo_rectangle(cr, target.left, target.top, target.getWidth(), target.getHeight());
	cairo_clip(cr);
	cairo_set_source_surface(cr, image, target.left - from.x, target.top - from.y);
	static const cairo_filter_t filters[] = {CAIRO_FILTER_NEAREST, CAIRO_FILTER_FAST, CAIRO_FILTER_GOOD,
	                                         CAIRO_FILTER_BEST};
	auto quality = std::clamp<int32>(getBitmapInterpolationQuality(), 0, 3);
	cairo_pattern_set_filter(cairo_get_source(cr), filters[quality]);
	cairo_paint_with_alpha(cr, double(getGlobalAlpha()) * alpha);
	cairo_restore(cr);
	endDrawing();
}

void CairoDrawContext::clearRect(const CRect& rect)
{
	if (!beginDrawing())
		return;
	CRect r = alignedRect(rect);
	cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
	cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
	cairo_fill(cr);
	cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
	endDrawing();
}

// ---- Paths and gradients ----

CGraphicsPath* CairoDrawContext::createGraphicsPath()
{
	return new CairoGraphicsPath();
}

CGraphicsPath* CairoDrawContext::createTextPath(CFontDesc* font, const char* text)
{
	return createPangoTextPath(font, text);
}

// Adds the path under its optional transform; in aliased integral mode
// every point is first moved onto a whole device pixel (shifted by half a
// unit for strokes of odd whole widths). False when there is nothing to draw.
bool CairoDrawContext::addPathForFill(CGraphicsPath* path, CGraphicsTransform* transformation, bool shift)
{
	auto cairoPath = dynamic_cast<CairoGraphicsPath*>(path);
	if (!cairoPath || path->getElements().empty() ||
	    (transformation && !isDrawableTransform(*transformation)))
		return false;
	cairo_save(cr);
	if (transformation)
		applyTransform(cr, *transformation);
	cairoPath->appendTo(cr);
	cairo_restore(cr);
	if (getDrawMode().value() != kAliasing)
		return true;

	cairo_path_t* copy = cairo_copy_path(cr);
	const double offset = shift ? strokeShift() : 0.;
	for (int i = 0; i < copy->num_data; i += copy->data[i].header.length)
	{
		auto& header = copy->data[i].header;
		for (int p = 1; p < header.length; ++p)
		{
			auto& point = copy->data[i + p].point;
			CPoint aligned = pixelAligned({point.x + offset, point.y + offset});
			point.x = aligned.x;
			point.y = aligned.y;
		}
	}
	cairo_new_path(cr);
	cairo_append_path(cr, copy);
	cairo_path_destroy(copy);
	return true;
}

void CairoDrawContext::drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode,
                                        CGraphicsTransform* transformation)
{
	if (!path || !beginDrawing())
		return;
	if (addPathForFill(path, transformation, mode == kPathStroked))
	{
		if (mode == kPathStroked)
		{
			setSourceColor(getFrameColor());
			cairo_stroke(cr);
		}
		else
		{
			cairo_set_fill_rule(cr, mode == kPathFilledEvenOdd ? CAIRO_FILL_RULE_EVEN_ODD
			                                                   : CAIRO_FILL_RULE_WINDING);
			setSourceColor(getFillColor());
			cairo_fill(cr);
		}
	}
	endDrawing();
}

void CairoDrawContext::fillGradient(CGraphicsPath* path, cairo_pattern_t* pattern, bool evenOdd,
                                    CGraphicsTransform* transformation)
{
	if (path && beginDrawing())
	{
		if (addPathForFill(path, transformation, false))
		{
			// The path clip must not outlive the call.
			cairo_save(cr);
			cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
			cairo_clip(cr);
			cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
			cairo_set_source(cr, pattern);
			cairo_paint(cr);
			cairo_restore(cr);
		}
		endDrawing();
	}
	cairo_pattern_destroy(pattern);
}

namespace {

void addStops(cairo_pattern_t* pattern, const CGradient& gradient, double alpha)
{
	for (const auto& [offset, color] : gradient.getColorStops())
		cairo_pattern_add_color_stop_rgba(pattern, offset, color.red / 255., color.green / 255.,
		                                  color.blue / 255., color.alpha / 255. * alpha);
}

} // namespace

void CairoDrawContext::fillLinearGradient(CGraphicsPath* path, const CGradient& gradient,
                                          const CPoint& startPoint, const CPoint& endPoint, bool evenOdd,
                                          CGraphicsTransform* transformation)
{
	auto pattern = cairo_pattern_create_linear(startPoint.x, startPoint.y, endPoint.x, endPoint.y);
	addStops(pattern, gradient, getGlobalAlpha());
	fillGradient(path, pattern, evenOdd, transformation);
}

void CairoDrawContext::fillRadialGradient(CGraphicsPath* path, const CGradient& gradient,
                                          const CPoint& center, double radius, const CPoint& originOffset,
                                          bool evenOdd, CGraphicsTransform* transformation)
{
	auto pattern = cairo_pattern_create_radial(center.x + originOffset.x, center.y + originOffset.y, 0.,
	                                           center.x, center.y, radius);
	addStops(pattern, gradient, getGlobalAlpha());
	fillGradient(path, pattern, evenOdd, transformation);
}

} // namespace Kavrin
