#include "examples/demo/knobbitmaps.h"

#include <cmath>
#include <functional>

namespace Kavrin::Demo::KnobBitmaps {

namespace {

// The knobs' default geometry: the minimum at 135 degrees (lower left), the
// range sweeping 270 degrees clockwise on screen.
constexpr double kStartAngle = 3. * M_PI / 4.;
constexpr double kRangeAngle = 3. * M_PI / 2.;
// Curves and strokes away from the pixel grid.
constexpr CDrawMode kSmooth {kAntiAliasing | kNonIntegralMode};

using Painter = std::function<void(CDrawContext& context)>;

// Paints the same logical picture at every scale into one bitmap.
SharedPointer<CBitmap> paint(CFrame* frame, const CPoint& size, const std::vector<double>& scales,
                             const Painter& painter)
{
	SharedPointer<CBitmap> bitmap;
	for (double scale : scales)
	{
		auto context = COffscreenContext::create(frame, size.x, size.y, scale);
		if (!context)
			continue;
		context->beginDraw();
		context->setDrawMode(kSmooth);
		painter(*context);
		context->endDraw();
		if (!bitmap)
			bitmap = context->getBitmap();
		else
			bitmap->addBitmap(context->getBitmap()->getPlatformBitmap());
	}
	return bitmap;
}

CPoint onCircle(const CPoint& centre, double radius, double angle)
{
	return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

CRect around(const CPoint& centre, double radius)
{
	return {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
}

// A disc lit from above: lighter at the top, darker at the bottom.
void shadedDisc(CDrawContext& context, const CPoint& centre, double radius, const CColor& top,
                const CColor& bottom)
{
	auto path = owned(context.createGraphicsPath());
	if (!path)
		return;
	path->addEllipse(around(centre, radius));
	if (auto gradient = owned(CGradient::create(0., 1., top, bottom)))
		context.fillLinearGradient(path, *gradient, CPoint(centre.x, centre.y - radius),
		                           CPoint(centre.x, centre.y + radius));
}

void pointerFrame(CDrawContext& context, const CRect& cell, double position)
{
	const CPoint centre = cell.getCenter();
	const double radius = cell.getWidth() / 2.;
	context.setFillColor(CColor(14, 15, 20));
	context.drawEllipse(around(centre, radius - 1.), kDrawFilled);
	shadedDisc(context, centre, radius - 3., CColor(128, 134, 150), CColor(40, 43, 52));
	context.setFrameColor(CColor(190, 196, 210, 110));
	context.setLineWidth(1.);
	context.drawEllipse(around(centre, radius - 3.5), kDrawStroked);

	const double angle = kStartAngle + position * kRangeAngle;
	context.setLineStyle(CLineStyle(CLineStyle::kLineCapRound));
	context.setLineWidth(3.);
	context.setFrameColor(CColor(20, 20, 24, 140));
	context.drawLine({onCircle(centre + CPoint(0., 1.), radius * 0.25, angle),
	                  onCircle(centre + CPoint(0., 1.), radius - 8., angle)});
	context.setFrameColor(CColor(250, 250, 245));
	context.drawLine({onCircle(centre, radius * 0.25, angle), onCircle(centre, radius - 8., angle)});
}

void lightRingFrame(CDrawContext& context, const CRect& cell, double position)
{
	constexpr int lights = 15;
	const CPoint centre = cell.getCenter();
	const double radius = cell.getWidth() / 2.;
	shadedDisc(context, centre, radius * 0.5, CColor(70, 60, 52), CColor(28, 24, 22));
	const int lit = int(std::lround(position * lights));
	for (int k = 0; k < lights; ++k)
	{
		const CPoint at = onCircle(centre, radius - 5., kStartAngle + kRangeAngle * k / (lights - 1));
		if (k < lit)
		{
			context.setFillColor(CColor(255, 150, 40, 70));
			context.drawEllipse(around(at, 4.), kDrawFilled);
			context.setFillColor(CColor(255, 190, 90));
		}
		else
			context.setFillColor(CColor(80, 62, 50));
		context.drawEllipse(around(at, 2.2), kDrawFilled);
	}
}

SharedPointer<CBitmap> strip(CFrame* frame, double side, int32 frames, const std::vector<double>& scales,
                             void (*paintFrame)(CDrawContext&, const CRect&, double))
{
	return paint(frame, CPoint(side, side * frames), scales, [&](CDrawContext& context) {
		for (int32 i = 0; i < frames; ++i)
			paintFrame(context, CRect(0., i * side, side, (i + 1) * side), frames > 1 ? double(i) / (frames - 1) : 0.);
	});
}

} // namespace

const std::vector<double>& bothScales()
{
	static const std::vector<double> scales {1., 2.};
	return scales;
}

const std::vector<double>& onlyOneX()
{
	static const std::vector<double> scales {1.};
	return scales;
}

SharedPointer<CBitmap> makePointerStrip(CFrame* frame, double side, int32 frames, const std::vector<double>& scales)
{
	return strip(frame, side, frames, scales, pointerFrame);
}

SharedPointer<CBitmap> makeLightRingStrip(CFrame* frame, double side, int32 frames,
                                          const std::vector<double>& scales)
{
	return strip(frame, side, frames, scales, lightRingFrame);
}

SharedPointer<CBitmap> makeFace(CFrame* frame, double side, const std::vector<double>& scales)
{
	return paint(frame, CPoint(side, side), scales, [side](CDrawContext& context) {
		const CPoint centre(side / 2., side / 2.);
		context.setFillColor(CColor(14, 15, 20));
		context.drawEllipse(around(centre, side / 2. - 1.), kDrawFilled);
		shadedDisc(context, centre, side / 2. - 3., CColor(150, 110, 80), CColor(60, 38, 28));
		// A recess the handle runs round.
		shadedDisc(context, centre, side / 2. - 13., CColor(55, 35, 26), CColor(130, 95, 70));
	});
}

SharedPointer<CBitmap> makeHandle(CFrame* frame, double side, const std::vector<double>& scales)
{
	return paint(frame, CPoint(side, side), scales, [side](CDrawContext& context) {
		const CPoint centre(side / 2., side / 2.);
		context.setFillColor(CColor(30, 20, 16, 160));
		context.drawEllipse(around(centre, side / 2.), kDrawFilled);
		shadedDisc(context, centre, side / 2. - 1., CColor(255, 240, 200), CColor(220, 150, 60));
	});
}

} // namespace Kavrin::Demo::KnobBitmaps
