#include "lib/platform/cairo/cairographicspath.h"

#include "lib/cgraphicstransform.h"

#include <cmath>

namespace Kavrin {

namespace {

// A context for building and querying paths away from any drawing; one per
// thread, since paths may be used on several.
cairo_t* scratchContext()
{
	struct Scratch
	{
		Scratch()
		{
			surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
			cr = cairo_create(surface);
		}
		~Scratch()
		{
			cairo_destroy(cr);
			cairo_surface_destroy(surface);
		}
		cairo_surface_t* surface;
		cairo_t* cr;
	};
	thread_local Scratch scratch;
	return scratch.cr;
}

double radians(double degrees)
{
	return degrees * M_PI / 180.;
}

// For an ellipse, the angle on the unit circle whose point lands on the
// ellipse at the given angle.
double correctedAngle(double angle, double rx, double ry)
{
	if (rx == ry)
		return angle;
	return std::atan2(std::sin(angle) * rx, std::cos(angle) * ry);
}

} // namespace

void appendArc(cairo_t* cr, const CRect& rect, double startDegrees, double endDegrees, bool clockwise)
{
	double rx = rect.getWidth() / 2.;
	double ry = rect.getHeight() / 2.;
	if (rx == 0. || ry == 0. || !std::isfinite(rx) || !std::isfinite(ry) || !std::isfinite(rect.left) ||
	    !std::isfinite(rect.top))
		return;
	double start = correctedAngle(radians(startDegrees), rx, ry);
	double end = correctedAngle(radians(endDegrees), rx, ry);
	cairo_save(cr);
	cairo_translate(cr, rect.left + rx, rect.top + ry);
	cairo_scale(cr, rx, ry);
	if (clockwise)
		cairo_arc(cr, 0., 0., 1., start, end);
	else
		cairo_arc_negative(cr, 0., 0., 1., start, end);
	cairo_restore(cr);
}

void appendEllipse(cairo_t* cr, const CRect& rect)
{
	double rx = rect.getWidth() / 2.;
	double ry = rect.getHeight() / 2.;
	if (rx == 0. || ry == 0. || !std::isfinite(rx) || !std::isfinite(ry) || !std::isfinite(rect.left) ||
	    !std::isfinite(rect.top))
		return;
	cairo_save(cr);
	cairo_translate(cr, rect.left + rx, rect.top + ry);
	cairo_scale(cr, rx, ry);
	cairo_new_sub_path(cr);
	cairo_arc(cr, 0., 0., 1., 0., 2. * M_PI);
	cairo_close_path(cr);
	cairo_restore(cr);
}

void appendElementsTo(cairo_t* cr, const CGraphicsPath::ElementList& elements)
{
	using Element = CGraphicsPath::Element;
	for (const auto& element : elements)
	{
		switch (element.type)
		{
			case Element::kArc:
				appendArc(cr, element.rect, element.startAngle, element.endAngle, element.clockwise);
				break;
			case Element::kEllipse:
				appendEllipse(cr, element.rect);
				break;
			case Element::kRect:
				cairo_rectangle(cr, element.rect.left, element.rect.top, element.rect.getWidth(),
				                element.rect.getHeight());
				break;
			case Element::kLine:
				cairo_line_to(cr, element.point.x, element.point.y);
				break;
			case Element::kBezierCurve:
				cairo_curve_to(cr, element.control1.x, element.control1.y, element.control2.x,
				               element.control2.y, element.point.x, element.point.y);
				break;
			case Element::kBeginSubpath:
				cairo_move_to(cr, element.point.x, element.point.y);
				break;
			case Element::kCloseSubpath:
				cairo_close_path(cr);
				break;
		}
	}
}

CairoGraphicsPath::CairoGraphicsPath() = default;

CairoGraphicsPath::~CairoGraphicsPath() noexcept
{
	dirty();
}

CGradient* CairoGraphicsPath::createGradient(double color1Start, double color2Start,
                                             const CColor& color1, const CColor& color2)
{
	CGradient::ColorStopMap stops;
	stops.emplace(color1Start, color1);
	stops.emplace(color2Start, color2);
	return new CGradient(stops);
}

void CairoGraphicsPath::dirty()
{
	if (cairoPath)
	{
		cairo_path_destroy(cairoPath);
		cairoPath = nullptr;
	}
}

const cairo_path_t* CairoGraphicsPath::getCairoPath()
{
	if (!cairoPath)
	{
		cairo_t* cr = scratchContext();
		cairo_identity_matrix(cr);
		cairo_new_path(cr);
		appendElementsTo(cr, elements);
		cairoPath = cairo_copy_path(cr);
		cairo_new_path(cr);
	}
	return cairoPath;
}

void CairoGraphicsPath::appendTo(cairo_t* cr)
{
	auto path = getCairoPath();
	if (path && path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0)
		cairo_append_path(cr, path);
}

namespace {

void applyTransform(cairo_t* cr, const CGraphicsTransform& t)
{
	cairo_matrix_t matrix;
	cairo_matrix_init(&matrix, t.m11, t.m21, t.m12, t.m22, t.dx, t.dy);
	cairo_transform(cr, &matrix);
}

} // namespace

bool CairoGraphicsPath::hitTest(const CPoint& where, bool evenOddFilled, CGraphicsTransform* transform)
{
	if (elements.empty())
		return false;
	if (transform && !(std::isfinite(transform->determinant()) && transform->determinant() != 0.))
		return false;
	// Build the cached path first: building resets the scratch matrix.
	getCairoPath();
	cairo_t* cr = scratchContext();
	cairo_identity_matrix(cr);
	cairo_new_path(cr);
	if (transform)
		applyTransform(cr, *transform);
	appendTo(cr);
	cairo_identity_matrix(cr);
	cairo_set_fill_rule(cr, evenOddFilled ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
	bool inside = cairo_in_fill(cr, where.x, where.y);
	cairo_new_path(cr);
	return inside;
}

CPoint CairoGraphicsPath::getCurrentPosition()
{
	cairo_t* cr = scratchContext();
	cairo_identity_matrix(cr);
	cairo_new_path(cr);
	appendTo(cr);
	CPoint position;
	if (cairo_has_current_point(cr))
		cairo_get_current_point(cr, &position.x, &position.y);
	cairo_new_path(cr);
	return position;
}

CRect CairoGraphicsPath::getBoundingBox()
{
	if (elements.empty())
		return {};
	cairo_t* cr = scratchContext();
	cairo_identity_matrix(cr);
	cairo_new_path(cr);
	appendTo(cr);
	CRect box;
	cairo_path_extents(cr, &box.left, &box.top, &box.right, &box.bottom);
	cairo_new_path(cr);
	return box;
}

} // namespace Kavrin
