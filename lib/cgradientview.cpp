#include "lib/cgradientview.h"

#include "lib/cdrawcontext.h"
#include "lib/cgradient.h"
#include "lib/cgraphicspath.h"

#include <algorithm>
#include <cmath>

namespace Kavrin {

namespace {

constexpr double kPi = 3.14159265358979323846;

CPoint onEllipse(const CRect& rect, double degrees)
{
	const double radians = degrees * kPi / 180.;
	const CPoint middle = rect.getCenter();
	return {middle.x + std::cos(radians) * rect.getWidth() / 2.,
	        middle.y + std::sin(radians) * rect.getHeight() / 2.};
}

} // namespace

CGradientView::CGradientView(const CRect& size) : CView(size) {}

CGradientView::~CGradientView() noexcept = default;

void CGradientView::setGradientStyle(GradientStyle style)
{
	if (gradientStyle == style)
		return;
	gradientStyle = style;
	attributeChanged();
}

void CGradientView::setGradient(CGradient* newGradient)
{
	if (gradient == newGradient)
		return;
	gradient = newGradient;
	attributeChanged();
}

void CGradientView::setFrameColor(const CColor& color)
{
	if (frameColor == color)
		return;
	frameColor = color;
	attributeChanged();
}

void CGradientView::setGradientAngle(double angle)
{
	if (gradientAngle == angle)
		return;
	gradientAngle = angle;
	attributeChanged();
}

void CGradientView::setRoundRectRadius(double radius)
{
	if (roundRectRadius == radius)
		return;
	roundRectRadius = radius;
	dropPath();
	attributeChanged();
}

void CGradientView::setFrameWidth(double width)
{
	if (frameWidth == width)
		return;
	frameWidth = width;
	dropPath();
	attributeChanged();
}

void CGradientView::setDrawAntialiased(bool state)
{
	if (drawAntialiased == state)
		return;
	drawAntialiased = state;
	attributeChanged();
}

void CGradientView::setRadialCenter(const CPoint& center)
{
	if (radialCenter == center)
		return;
	radialCenter = center;
	attributeChanged();
}

void CGradientView::setRadialRadius(double radius)
{
	if (radialRadius == radius)
		return;
	radialRadius = radius;
	attributeChanged();
}

void CGradientView::attributeChanged()
{
	invalid();
}

void CGradientView::setViewSize(const CRect& rect, bool invalid)
{
	if (rect != getViewSize())
		dropPath();
	CView::setViewSize(rect, invalid);
}

void CGradientView::dropPath()
{
	path = nullptr;
}

CGraphicsPath* CGradientView::outlineFor(CDrawContext* context, double lineWidth)
{
	if (path && pathLineWidth == lineWidth)
		return path;
	path = owned(context->createGraphicsPath());
	pathLineWidth = lineWidth;
	if (path)
	{
		const double inset = std::max(lineWidth, 0.) / 2.;
		path->addRoundRect(CRect(getViewSize()).inset(inset, inset), roundRectRadius);
	}
	return path;
}

void CGradientView::fillGradient(CDrawContext* context, CGraphicsPath* outline)
{
	const CRect& size = getViewSize();
	if (gradientStyle == kRadialGradient)
	{
		const CPoint center(size.left + radialCenter.x * size.getWidth(),
		                    size.top + radialCenter.y * size.getHeight());
		const double radius = std::max(size.getWidth(), size.getHeight()) * radialRadius;
		context->fillRadialGradient(outline, *gradient, center, radius);
		return;
	}
	context->fillLinearGradient(outline, *gradient, onEllipse(size, gradientAngle - 90.),
	                            onEllipse(size, gradientAngle + 90.));
}

// One device pixel for a negative width. A mirrored drawing still has
// pixels one unit wide; one scaled to nothing has none to stroke.
double CGradientView::lineWidthIn(CDrawContext* context) const
{
	const double width = frameWidth < 0. ? std::abs(context->getHairlineSize()) : frameWidth;
	return std::isfinite(width) ? width : 0.;
}

void CGradientView::draw(CDrawContext* context)
{
	const double lineWidth = lineWidthIn(context);
	if (CGraphicsPath* outline = outlineFor(context, lineWidth))
	{
		context->saveGlobalState();
		context->setDrawMode(drawAntialiased ? kAntiAliasing : kAliasing);
		if (gradient)
			fillGradient(context, outline);
		if (lineWidth > 0. && frameColor.alpha != 0)
		{
			context->setLineWidth(lineWidth);
			context->setFrameColor(frameColor);
			context->setLineStyle(kLineSolid);
			context->drawGraphicsPath(outline, CDrawContext::kPathStroked);
		}
		context->restoreGlobalState();
	}
	setDirty(false);
}

} // namespace Kavrin
