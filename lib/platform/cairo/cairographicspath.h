#pragma once

#include "lib/cgradient.h"
#include "lib/cgraphicspath.h"

#include <cairo.h>

namespace Kavrin {

// A path of the Cairo back end. The Cairo path is built from the element
// list on first use (in the path's own coordinates) and kept until the
// list changes.
class CairoGraphicsPath : public CGraphicsPath
{
public:
	CairoGraphicsPath();
	~CairoGraphicsPath() noexcept override;

	CGradient* createGradient(double color1Start, double color2Start, const CColor& color1,
	                          const CColor& color2) override;
	bool hitTest(const CPoint& where, bool evenOddFilled = false,
	             CGraphicsTransform* transform = nullptr) override;
	CPoint getCurrentPosition() override;
	CRect getBoundingBox() override;
	void dirty() override;

	// Appends the path to cr's current path under cr's current matrix.
	void appendTo(cairo_t* cr);

private:
	const cairo_path_t* getCairoPath();
	void appendCachedTo(cairo_t* cr);
	cairo_path_t* cairoPath {nullptr};
};

// Builds the elements into cr's current path under cr's current matrix,
// every point where building them in their own coordinates would put it.
void appendElementsTo(cairo_t* cr, const CGraphicsPath::ElementList& elements);
// An arc of the ellipse inscribed in rect, angles in degrees, with the
// angle correction for non-circular ellipses; joined to the current point.
void appendArc(cairo_t* cr, const CRect& rect, double startDegrees, double endDegrees, bool clockwise);
// A closed subpath of the ellipse inscribed in rect.
void appendEllipse(cairo_t* cr, const CRect& rect);

// How far the Bézier pieces that stand for an arc of the ellipse inscribed
// in rect may stray from it, in the units of the space userToTarget maps
// into: for an arc appended under that transform at the tolerance, and for
// an arc element of a path drawn through pathToTarget.
double arcDeviation(const CRect& rect, const CGraphicsTransform& userToTarget, double tolerance);
double pathArcDeviation(const CRect& rect, const CGraphicsTransform& pathToTarget);
// How far rounding moves a path's points, in the same units.
double pathPointDeviation(const CGraphicsTransform& pathToTarget);

} // namespace Kavrin
