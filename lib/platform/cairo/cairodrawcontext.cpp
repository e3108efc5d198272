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

void concatTransform(cairo_t* cr, const CGraphicsTransform& t)
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
	flushPendingClear();
	cairo_destroy(cr);
}

void CairoDrawContext::init()
{
	tolerance = scaleFactor >= 2. ? kHighResolutionTolerance : kDefaultTolerance;
	cairo_set_tolerance(cr, tolerance);
	CDrawContext::init();
}

double CairoDrawContext::getScaleFactor() const
{
	return scaleFactor;
}

void CairoDrawContext::endDraw()
{
	flushPendingClear();
}

// ---- Preparing a call ----

bool CairoDrawContext::prepareDrawing()
{
	CRect clip = getAbsoluteClipRect();
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
	if (!(clip.left < clip.right) || !(clip.top < clip.bottom) || !std::isfinite(clip.left) ||
	    !std::isfinite(clip.top) || !std::isfinite(clip.right) || !std::isfinite(clip.bottom))
		return false;
	drawingClip = clip;
	drawingTransform = transform;
	if (transform != appliedTransform)
		applyTransform(transform);
	if (lineStyleChanged)
		applyLineStyle();
	if (drawModeChanged)
		applyAntialias();
	return true;
}

void CairoDrawContext::applyTransform(const CGraphicsTransform& t)
{
	cairo_matrix_t matrix;
	cairo_matrix_init(&matrix, t.m11, t.m21, t.m12, t.m22, t.dx, t.dy);
	cairo_set_matrix(cr, &matrix);
	appliedTransform = t;
}

namespace {

// Device pixels that Cairo, working in 1/256 of a pixel, rounds onto a whole
// one count as whole.
constexpr double kPixelSnap = 1. / 1024.;

// The device pixels lying whole inside a rect of device coordinates.
CRect innerPixels(const CRect& device)
{
	return CRect(std::ceil(device.left - kPixelSnap), std::ceil(device.top - kPixelSnap),
	             std::floor(device.right + kPixelSnap), std::floor(device.bottom + kPixelSnap));
}

bool onWholePixels(const CRect& device)
{
	auto whole = [](double value) { return std::fabs(value - std::round(value)) < kPixelSnap; };
	return whole(device.left) && whole(device.top) && whole(device.right) && whole(device.bottom);
}

bool isFinite(const CRect& r)
{
	return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
}

CRect scaled(CRect r, double factor)
{
	return CRect(r.left * factor, r.top * factor, r.right * factor, r.bottom * factor);
}

} // namespace

void CairoDrawContext::clipUnlessInside(const CRect* userBounds, double surfaceMargin)
{
	flushPendingClear();
	bool needed = !drawingClip.rectInside(getSurfaceRect());
	if (needed && userBounds && isFinite(*userBounds))
	{
		CRect device = drawingTransform.transformed(*userBounds);
		device.extend(surfaceMargin, surfaceMargin);
		needed = !innerPixels(scaled(drawingClip, scaleFactor)).rectInside(scaled(device, scaleFactor));
	}
	if (!needed)
	{
		if (clipApplied)
			cairo_reset_clip(cr);
		clipApplied = false;
		return;
	}
	if (clipApplied && appliedClip == drawingClip)
		return;
	// The clip is kept in surface coordinates.
	cairo_reset_clip(cr);
	cairo_new_path(cr);
	cairo_identity_matrix(cr);
	cairo_rectangle(cr, drawingClip.left, drawingClip.top, drawingClip.getWidth(), drawingClip.getHeight());
	cairo_clip(cr);
	applyTransform(appliedTransform);
	clipApplied = true;
	appliedClip = drawingClip;
}

bool CairoDrawContext::beginDrawing()
{
	if (!prepareDrawing())
		return false;
	clipUnlessInside(nullptr);
	cairo_new_path(cr);
	return true;
}

void CairoDrawContext::endDrawing()
{
	cairo_new_path(cr);
}

CRect CairoDrawContext::strokeBounds(const CRect& userBounds, Joins joins) const
{
	double reach = 1.;
	if (getLineStyle().getLineCap() == CLineStyle::kLineCapSquare)
		reach = M_SQRT2;
	if (getLineStyle().getLineJoin() == CLineStyle::kLineJoinMiter)
	{
		if (joins == Joins::kRightAngles)
			reach = M_SQRT2;
		else if (joins == Joins::kSharp)
			reach = std::max(reach, cairo_get_miter_limit(cr));
	}
	reach *= appliedLineWidth / 2.;
	return CRect(userBounds).normalize().extend(reach, reach);
}

// ---- Clearing ----

bool CairoDrawContext::uprightDeviceRect(const CRect& userRect, CRect& device) const
{
	const auto& t = drawingTransform;
	if (t.m12 != 0. || t.m21 != 0. || !isFinite(userRect))
		return false;
	device = scaled(t.transformed(userRect), scaleFactor);
	return true;
}

void CairoDrawContext::clearBeforeDrawing(const CRect& rect)
{
	flushPendingClear();
	if (!prepareDrawing())
		return;
	// Only a clear of whole pixels is certain to be undone by whole pixels.
	CRect device;
	const CRect clip = scaled(drawingClip, scaleFactor);
	if (!uprightDeviceRect(alignedRect(rect), device) || !onWholePixels(device) || !onWholePixels(clip))
	{
		clearRect(rect);
		return;
	}
	pendingClear = innerPixels(device).bound(innerPixels(clip));
	clearPending = !pendingClear.isEmpty();
}

// An opaque rect over every pixel of the pending clear leaves exactly what
// the clear and then the rect would have left. Aliased drawing writes each
// pixel whole or not at all, and a filled rect with a solid, mitred stroke
// of the same opacity reaches half the line width beyond its fill;
// antialiased edges are whole only on whole pixels.
void CairoDrawContext::forgetClearCoveredBy(const CRect& userFill, CDrawStyle style)
{
	if (!clearPending || style == kDrawStroked || getFillColor().alpha != 255 || getGlobalAlpha() != 1.f ||
	    !(userFill.left < userFill.right && userFill.top < userFill.bottom))
		return;
	const bool aliased = !getDrawMode().antialiasing();
	CRect shape = userFill;
	if (style == kDrawFilledAndStroked)
	{
		if (!aliased || getFrameColor().alpha != 255 || !(appliedLineWidth > 0.) ||
		    !appliedLineStyle.getDashLengths().empty() ||
		    appliedLineStyle.getLineJoin() != CLineStyle::kLineJoinMiter || cairo_get_miter_limit(cr) < M_SQRT2)
			return;
		shape.extend(appliedLineWidth / 2., appliedLineWidth / 2.);
	}
	CRect device;
	const CRect clip = scaled(drawingClip, scaleFactor);
	if (!uprightDeviceRect(shape, device) || (!aliased && !(onWholePixels(device) && onWholePixels(clip))))
		return;
	if (innerPixels(device).bound(innerPixels(clip)).rectInside(pendingClear))
		clearPending = false;
}

void CairoDrawContext::flushPendingClear()
{
	if (!clearPending)
		return;
	clearPending = false;
	if (clipApplied)
		cairo_reset_clip(cr);
	clipApplied = false;
	cairo_new_path(cr);
	cairo_identity_matrix(cr);
	const CRect area = scaled(pendingClear, 1. / scaleFactor);
	cairo_rectangle(cr, area.left, area.top, area.getWidth(), area.getHeight());
	cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
	cairo_fill(cr);
	cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
	applyTransform(appliedTransform);
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
	lineStyleChanged = false;
	const auto& style = getLineStyle();
	const double width = std::isfinite(getLineWidth()) ? std::max(getLineWidth(), 0.) : 0.;
	if (width == appliedLineWidth && style == appliedLineStyle)
		return;
	appliedLineWidth = width;
	appliedLineStyle = style;
	static const cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
	static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
	                                          CAIRO_LINE_JOIN_BEVEL};
	cairo_set_line_cap(cr, caps[std::clamp<int32>(style.getLineCap(), 0, 2)]);
	cairo_set_line_join(cr, joins[std::clamp<int32>(style.getLineJoin(), 0, 2)]);
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
	drawModeChanged = false;
	cairo_antialias_t mode = CAIRO_ANTIALIAS_NONE;
	if (getDrawMode().antialiasing())
		mode = scaleFactor >= 2. ? CAIRO_ANTIALIAS_FAST : CAIRO_ANTIALIAS_DEFAULT;
	if (mode == cairo_get_antialias(cr))
		return;
	cairo_set_antialias(cr, mode);
}

void CairoDrawContext::setLineStyle(const CLineStyle& style)
{
	if (style == getLineStyle())
		return;
	COffscreenContext::setLineStyle(style);
	lineStyleChanged = true;
}

void CairoDrawContext::setLineWidth(double width)
{
	if (width == getLineWidth())
		return;
	COffscreenContext::setLineWidth(width);
	lineStyleChanged = true;
}

void CairoDrawContext::setDrawMode(CDrawMode mode)
{
	if (mode == getDrawMode())
		return;
	COffscreenContext::setDrawMode(mode);
	drawModeChanged = true;
}

void CairoDrawContext::setGlobalAlpha(float newAlpha)
{
	if (newAlpha == getGlobalAlpha())
		return;
	COffscreenContext::setGlobalAlpha(newAlpha);
}

// The line state and draw mode may come back changed; they are compared
// with what Cairo has when something is drawn next.
void CairoDrawContext::restoreGlobalState()
{
	COffscreenContext::restoreGlobalState();
	lineStyleChanged = true;
	drawModeChanged = true;
}

// ---- Primitives ----

// The smallest rect around points and rects; unknown once anything that
// was added is not finite.
class CairoDrawContext::Extent
{
public:
	void add(const CPoint& p)
	{
		finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
		box.left = std::min(box.left, p.x);
		box.top = std::min(box.top, p.y);
		box.right = std::max(box.right, p.x);
		box.bottom = std::max(box.bottom, p.y);
	}
	void add(const CRect& r)
	{
		add(r.getTopLeft());
		add(r.getBottomRight());
	}
	// Null when nothing finite was added.
	const CRect* known() const
	{
		return finite && box.left <= box.right && box.top <= box.bottom ? &box : nullptr;
	}

private:
	CRect box {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
	bool finite {true};
};

// Cairo computes a stroke's outline from points it has rounded to 1/256 of
// a device pixel.
double CairoDrawContext::strokeSlack() const
{
	return 1. / (64. * scaleFactor);
}

void CairoDrawContext::drawLine(const std::pair<CPoint, CPoint>& line)
{
	strokeLines(&line, 1);
}

void CairoDrawContext::drawLines(const std::vector<std::pair<CPoint, CPoint>>& lines)
{
	strokeLines(lines.data(), lines.size());
}

// Each line is a path of its own: no joins.
void CairoDrawContext::strokeLines(const std::pair<CPoint, CPoint>* lines, size_t count)
{
	if (count == 0 || !prepareDrawing())
		return;
	const double shift = strokeShift();
	auto endpoint = [&](const CPoint& p) {
		CPoint q = integralMode() ? pixelAligned(p) : p;
		return CPoint(q.x + shift, q.y + shift);
	};
	Extent extent;
	for (size_t i = 0; i < count; ++i)
	{
		extent.add(endpoint(lines[i].first));
		extent.add(endpoint(lines[i].second));
	}
	clipUnlessInsideShape(extent.known(), kDrawStroked, Joins::kNone, 0.);
	for (size_t i = 0; i < count; ++i)
	{
		CPoint a = endpoint(lines[i].first);
		CPoint b = endpoint(lines[i].second);
		cairo_move_to(cr, a.x, a.y);
		cairo_line_to(cr, b.x, b.y);
	}
	setSourceColor(getFrameColor());
	cairo_stroke(cr);
	endDrawing();
}

void CairoDrawContext::drawPolygon(const std::vector<CPoint>& polygon, CDrawStyle style)
{
	if (polygon.empty() || !prepareDrawing())
		return;
	auto vertex = [&](const CPoint& p) { return integralMode() ? pixelAligned(p) : p; };
	Extent extent;
	for (const auto& point : polygon)
		extent.add(vertex(point));
	clipUnlessInsideShape(extent.known(), style, Joins::kSharp, 0.);
	bool first = true;
	for (const auto& point : polygon)
	{
		CPoint p = vertex(point);
		if (first)
			cairo_move_to(cr, p.x, p.y);
		else
			cairo_line_to(cr, p.x, p.y);
		first = false;
	}
	fillAndStroke(style);
	endDrawing();
}

// A filled shape covers no more than its outline's extent, plus the error
// of its curves; a stroked one reaches out by the pen.
void CairoDrawContext::clipUnlessInsideShape(const CRect* extent, CDrawStyle style, Joins joins,
                                             double curveError)
{
	if (!extent)
		return clipUnlessInside(nullptr);
	if (style == kDrawFilled)
		return clipUnlessInside(extent, curveError);
	const CRect bounds = strokeBounds(*extent, joins);
	clipUnlessInside(&bounds, curveError + strokeSlack());
}

void CairoDrawContext::drawRect(const CRect& rect, CDrawStyle style)
{
	if (!prepareDrawing())
		return;
	CRect r = shapeRect(rect, style);
	forgetClearCoveredBy(r, style);
	clipUnlessInsideShape(&r, style, Joins::kRightAngles, 0.);
	cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawEllipse(const CRect& rect, CDrawStyle style)
{
	if (!prepareDrawing())
		return;
	CRect r = shapeRect(rect, style);
	clipUnlessInsideShape(&r, style, Joins::kSmooth, arcDeviation(r, drawingTransform, tolerance));
	appendEllipse(cr, r);
	fillAndStroke(style);
	endDrawing();
}

void CairoDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, CDrawStyle style)
{
	if (!prepareDrawing())
		return;
	// An arc lies on the ellipse inscribed in its rect, stroked or not.
	CRect r = alignedRect(rect);
	if (style != kDrawFilled)
		r.offset(strokeShift(), strokeShift());
	clipUnlessInsideShape(&r, style, Joins::kSmooth, arcDeviation(r, drawingTransform, tolerance));
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
	flushPendingClear();
	if (!prepareDrawing())
		return;
	CRect r = alignedRect(rect);
	clipUnlessInside(&r);
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
	if (!cairoPath || path->getElements().empty() || (transformation && !isDrawableTransform(*transformation)))
		return false;
	if (transformation)
		concatTransform(cr, *transformation);
	cairoPath->appendTo(cr);
	if (transformation)
		applyTransform(appliedTransform);
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

namespace {

CRect mapped(const CRect& r, const CGraphicsTransform* transformation)
{
	return transformation ? transformation->transformed(r) : r;
}

CPoint mapped(const CPoint& p, const CGraphicsTransform* transformation)
{
	return transformation ? transformation->transformed(p) : p;
}

} // namespace

// Where a path's elements lie in user space, through its own transform,
// how far what is drawn may stray beyond that on the surface (its points
// rounded, its arcs drawn as Bézier pieces), and how its pieces meet: a
// single arc or ellipse is one smooth curve.
CairoDrawContext::Joins CairoDrawContext::measurePath(const CGraphicsPath::ElementList& elements,
                                                      const CGraphicsTransform* transformation,
                                                      Extent& extent, double& curveError) const
{
	using Element = CGraphicsPath::Element;
	const CGraphicsTransform pathToSurface =
	    transformation ? drawingTransform * *transformation : drawingTransform;
	double arcError = 0.;
	for (const auto& element : elements)
	{
		switch (element.type)
		{
			case Element::kArc:
			case Element::kEllipse:
				arcError = std::max(arcError, pathArcDeviation(element.rect, pathToSurface));
				extent.add(mapped(element.rect, transformation));
				break;
			case Element::kRect:
				extent.add(mapped(element.rect, transformation));
				break;
			case Element::kBezierCurve:
				extent.add(mapped(element.control1, transformation));
				extent.add(mapped(element.control2, transformation));
				extent.add(mapped(element.point, transformation));
				break;
			case Element::kLine:
			case Element::kBeginSubpath:
				extent.add(mapped(element.point, transformation));
				break;
			case Element::kCloseSubpath:
				break;
		}
	}
	curveError = pathPointDeviation(pathToSurface) + arcError;
	if (elements.size() != 1)
		return Joins::kSharp;
	switch (elements.front().type)
	{
		case Element::kArc:
		case Element::kEllipse:
			return Joins::kSmooth;
		case Element::kRect:
			return Joins::kRightAngles;
		default:
			return Joins::kSharp;
	}
}

void CairoDrawContext::drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode,
                                        CGraphicsTransform* transformation)
{
	if (!path || !prepareDrawing())
		return;
	// Aliased points move onto pixels after the path is built.
	if (getDrawMode().value() == kAliasing)
		clipUnlessInside(nullptr);
	else
	{
		Extent extent;
		double curveError = 0.;
		const Joins joins = measurePath(path->getElements(), transformation, extent, curveError);
		clipUnlessInsideShape(extent.known(), mode == kPathStroked ? kDrawStroked : kDrawFilled, joins,
		                      curveError);
	}
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
