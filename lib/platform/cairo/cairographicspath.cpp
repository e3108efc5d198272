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

// How far at most a Bézier piece standing for a turn of the unit circle
// strays from it, with its inner control points 4/3 tan(turn / 4) out along
// the tangents.
double pieceError(double turn)
{
	return 2.0 / 27.0 * std::pow(std::sin(turn / 4), 6) / std::pow(std::cos(turn / 4), 2);
}

// The most a single piece may turn for an error below the tolerance
// relative to the radius, as Cairo chooses it, and that piece's error.
struct PieceLimit
{
	double turn;
	double error;
};

PieceLimit pieceLimitFor(double relativeTolerance)
{
	static const PieceLimit table[] = {
	    {M_PI / 1.0, 0.0185185185185185036127},   {M_PI / 2.0, 0.000272567143730179811158},
	    {M_PI / 3.0, 2.38647043651461047433e-05}, {M_PI / 4.0, 4.2455377443222443279e-06},
	    {M_PI / 5.0, 1.11281001494389081528e-06}, {M_PI / 6.0, 3.72662000942734705475e-07},
	    {M_PI / 7.0, 1.47783685574284411325e-07}, {M_PI / 8.0, 6.63240432022601149057e-08},
	    {M_PI / 9.0, 3.2715520137536980553e-08},  {M_PI / 10.0, 1.73863223499021216974e-08},
	    {M_PI / 11.0, 9.81410988043554039085e-09},
	};
	for (const auto& entry : table)
		if (entry.error < relativeTolerance)
			return entry;
	int pieces = int(sizeof table / sizeof table[0]) + 1;
	PieceLimit limit;
	do
	{
		limit.turn = M_PI / pieces++;
		limit.error = pieceError(limit.turn);
	} while (limit.error > relativeTolerance && pieces < 1000);
	return limit;
}

// The longer half axis of the unit circle under the matrix, which sets the
// number of pieces; Cairo counts a matrix that keeps areas (to 1/256) and
// is upright or a quarter turn as no stretch at all.
double majorAxis(const CGraphicsTransform& t)
{
	constexpr double kEpsilon = 1. / 256.;
	const double determinant = t.m11 * t.m22 - t.m21 * t.m12;
	if (std::fabs(determinant * determinant - 1.) < kEpsilon &&
	    ((std::fabs(t.m12) < kEpsilon && std::fabs(t.m21) < kEpsilon) ||
	     (std::fabs(t.m11) < kEpsilon && std::fabs(t.m22) < kEpsilon)))
		return 1.;
	const double i = t.m11 * t.m11 + t.m21 * t.m21;
	const double j = t.m12 * t.m12 + t.m22 * t.m22;
	const double f = 0.5 * (i + j);
	const double g = 0.5 * (i - j);
	const double h = t.m11 * t.m12 + t.m21 * t.m22;
	// hypot(g, 0) is |g|, which spares the call for upright matrices.
	return std::sqrt(f + (h == 0. ? std::fabs(g) : std::hypot(g, h)));
}

// The factor by which the matrix stretches lengths most.
double largestStretch(const CGraphicsTransform& t)
{
	const double half = (t.m11 * t.m11 + t.m12 * t.m12 + t.m21 * t.m21 + t.m22 * t.m22) / 2.;
	const double determinant = t.determinant();
	return std::sqrt(half + std::sqrt(std::max(half * half - determinant * determinant, 0.)));
}

constexpr double kPathTolerance = 0.1;
// Cairo keeps path points in fixed point with 8 bits of fraction.
constexpr double kPathGrid = 256.;

// The half axes of the ellipse inscribed in rect; false when it has no area
// or does not lie anywhere.
bool halfAxes(const CRect& rect, double& rx, double& ry)
{
	rx = rect.getWidth() / 2.;
	ry = rect.getHeight() / 2.;
	return rx != 0. && ry != 0. && std::isfinite(rx) && std::isfinite(ry) && std::isfinite(rect.left) &&
	       std::isfinite(rect.top);
}

} // namespace

double arcDeviation(const CRect& rect, const CGraphicsTransform& userToTarget, double tolerance)
{
	const auto unitCircleToTarget =
	    userToTarget * CGraphicsTransform::scaling(rect.getWidth() / 2., rect.getHeight() / 2.);
	return pieceLimitFor(tolerance / majorAxis(unitCircleToTarget)).error * largestStretch(unitCircleToTarget);
}

double pathPointDeviation(const CGraphicsTransform& pathToTarget)
{
	return M_SQRT2 / (2. * kPathGrid) * largestStretch(pathToTarget);
}

// A path's arcs are worked out in its own space.
double pathArcDeviation(const CRect& rect, const CGraphicsTransform& pathToTarget)
{
	const auto unitCircleToPath = CGraphicsTransform::scaling(rect.getWidth() / 2., rect.getHeight() / 2.);
	return pieceLimitFor(kPathTolerance / majorAxis(unitCircleToPath)).error *
	       largestStretch(pathToTarget * unitCircleToPath);
}

void appendArc(cairo_t* cr, const CRect& rect, double startDegrees, double endDegrees, bool clockwise)
{
	double rx;
	double ry;
	if (!halfAxes(rect, rx, ry))
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
	double rx;
	double ry;
	if (!halfAxes(rect, rx, ry))
		return;
	cairo_save(cr);
	cairo_translate(cr, rect.left + rx, rect.top + ry);
	cairo_scale(cr, rx, ry);
	cairo_new_sub_path(cr);
	cairo_arc(cr, 0., 0., 1., 0., 2. * M_PI);
	cairo_close_path(cr);
	cairo_restore(cr);
}

namespace {

// Writes a path's elements into a context's path with every point where
// Cairo puts it when it builds the path in the path's own coordinates:
// there it keeps points in fixed point, to 1/256 of a unit. A path then draws
// the same at every scale and under every transform whether it is written
// straight into the drawing context or appended from its cached form.
//
// Arcs follow Cairo's own construction for a unit circle scaled to the
// ellipse at the default tolerance: at most a half turn per run, split into
// equal Bézier pieces few enough for the tolerance.
class PathWriter
{
public:
	explicit PathWriter(cairo_t* cr) : cr(cr) {}

	void moveTo(double x, double y) { cairo_move_to(cr, onGrid(x), onGrid(y)); }
	void lineTo(double x, double y) { cairo_line_to(cr, onGrid(x), onGrid(y)); }
	void curveTo(const CPoint& c1, const CPoint& c2, const CPoint& end)
	{
		cairo_curve_to(cr, onGrid(c1.x), onGrid(c1.y), onGrid(c2.x), onGrid(c2.y), onGrid(end.x),
		               onGrid(end.y));
	}
	void closePath() { cairo_close_path(cr); }

	// Corners from the rounded origin and the rounded size.
	void rect(const CRect& r)
	{
		const double x = onGrid(r.left);
		const double y = onGrid(r.top);
		const double width = onGrid(r.getWidth());
		const double height = onGrid(r.getHeight());
		cairo_move_to(cr, x, y);
		cairo_line_to(cr, x + width, y);
		cairo_line_to(cr, x + width, y + height);
		cairo_line_to(cr, x, y + height);
		cairo_close_path(cr);
	}

	void arc(const CRect& rect, double startDegrees, double endDegrees, bool clockwise)
	{
		if (!setEllipse(rect))
			return;
		double start = correctedAngle(radians(startDegrees), rx, ry);
		double end = correctedAngle(radians(endDegrees), rx, ry);
		if (clockwise)
		{
			if (end < start)
			{
				end = std::fmod(end - start, 2. * M_PI);
				if (end < 0.)
					end += 2. * M_PI;
				end += start;
			}
			unitLineTo(start);
			arcRun(start, end, true);
		}
		else
		{
			if (end > start)
			{
				end = std::fmod(end - start, 2. * M_PI);
				if (end > 0.)
					end -= 2. * M_PI;
				end += start;
			}
			unitLineTo(start);
			arcRun(end, start, false);
		}
	}

	void ellipse(const CRect& rect)
	{
		if (!setEllipse(rect))
			return;
		cairo_new_sub_path(cr);
		unitLineTo(0.);
		arcRun(0., 2. * M_PI, true);
		cairo_close_path(cr);
	}

private:
	static double onGrid(double value) { return std::nearbyint(value * kPathGrid) / kPathGrid; }

	bool setEllipse(const CRect& rect)
	{
		if (!halfAxes(rect, rx, ry))
			return false;
		cx = rect.left + rx;
		cy = rect.top + ry;
		return true;
	}

	// A point of the unit circle, on the ellipse.
	CPoint mapped(double x, double y) const { return {rx * x + cx, ry * y + cy}; }
	void unitLineTo(double angle)
	{
		CPoint p = mapped(std::cos(angle), std::sin(angle));
		lineTo(p.x, p.y);
	}

	int piecesFor(double turn) const
	{
		const double major = majorAxis(CGraphicsTransform::scaling(rx, ry));
		return int(std::ceil(std::fabs(turn) / pieceLimitFor(kPathTolerance / major).turn));
	}

	void arcRun(double from, double to, bool forward)
	{
		if (to - from > 2. * M_PI * kMaxFullTurns)
		{
			to = std::fmod(to - from, 2. * M_PI);
			from = std::fmod(from, 2. * M_PI);
			to += from + 2. * M_PI * kMaxFullTurns;
		}
		if (to - from > M_PI)
		{
			const double middle = from + (to - from) / 2.0;
			if (forward)
			{
				arcRun(from, middle, forward);
				arcRun(middle, to, forward);
			}
			else
			{
				arcRun(middle, to, forward);
				arcRun(from, middle, forward);
			}
			return;
		}
		if (to == from)
		{
			unitLineTo(from);
			return;
		}
		int pieces = piecesFor(to - from);
		double step = (to - from) / pieces;
		--pieces;
		if (!forward)
		{
			std::swap(from, to);
			step = -step;
		}
		unitLineTo(from);
		for (int i = 0; i < pieces; ++i, from += step)
			arcPiece(from, from + step);
		arcPiece(from, to);
	}

	void arcPiece(double a, double b)
	{
		const double sinA = std::sin(a);
		const double cosA = std::cos(a);
		const double sinB = std::sin(b);
		const double cosB = std::cos(b);
		const double h = 4.0 / 3.0 * std::tan((b - a) / 4.0);
		curveTo(mapped(cosA - h * sinA, sinA + h * cosA), mapped(cosB + h * sinB, sinB - h * cosB),
		        mapped(cosB, sinB));
	}

	static constexpr double kMaxFullTurns = 65536.;

	cairo_t* cr;
	double rx {0.};
	double ry {0.};
	double cx {0.};
	double cy {0.};
};

} // namespace

void appendElementsTo(cairo_t* cr, const CGraphicsPath::ElementList& elements)
{
	using Element = CGraphicsPath::Element;
	PathWriter writer(cr);
	for (const auto& element : elements)
	{
		switch (element.type)
		{
			case Element::kArc:
				writer.arc(element.rect, element.startAngle, element.endAngle, element.clockwise);
				break;
			case Element::kEllipse:
				writer.ellipse(element.rect);
				break;
			case Element::kRect:
				writer.rect(element.rect);
				break;
			case Element::kLine:
				writer.lineTo(element.point.x, element.point.y);
				break;
			case Element::kBezierCurve:
				writer.curveTo(element.control1, element.control2, element.point);
				break;
			case Element::kBeginSubpath:
				writer.moveTo(element.point.x, element.point.y);
				break;
			case Element::kCloseSubpath:
				writer.closePath();
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

// A path drawn once is written straight into the drawing context; one
// queried or drawn from its cached form costs no second working out of its
// arcs.
void CairoGraphicsPath::appendTo(cairo_t* cr)
{
	if (cairoPath)
		appendCachedTo(cr);
	else
		appendElementsTo(cr, elements);
}

void CairoGraphicsPath::appendCachedTo(cairo_t* cr)
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
	appendCachedTo(cr);
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
	appendCachedTo(cr);
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
	appendCachedTo(cr);
	CRect box;
	cairo_path_extents(cr, &box.left, &box.top, &box.right, &box.bottom);
	cairo_new_path(cr);
	return box;
}

} // namespace Kavrin
