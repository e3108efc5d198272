#include "examples/demo/knobbitmaps.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Kavrin::Demo::KnobBitmaps {

namespace {

// The knobs' default geometry: the minimum at 135 degrees (lower left), the
// range sweeping 270 degrees clockwise on screen.
constexpr double kStartAngle = 3. * M_PI / 4.;
constexpr double kRangeAngle = 3. * M_PI / 2.;
// Curves and strokes away from the pixel grid.
constexpr CDrawMode kSmooth {kAntiAliasing | kNonIntegralMode};

// The whole scale at or above a context's, so that art is never stretched
// up; at most 4.
double wholeScale(double scaleFactor)
{
	return std::clamp(std::ceil(scaleFactor - 0.001), 1., 4.);
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

} // namespace

LazyArt::LazyArt(CFrame* frame, const CPoint& frameSize, int32 frames, FramePainter painter,
                 double maxScale)
: CBitmap(frameSize.x, frameSize.y * std::max(frames, 1)), frame(frame), frameSize(frameSize),
  frames(std::max(frames, 1)), painter(std::move(painter)), maxScale(maxScale)
{
}

CBitmap* LazyArt::frameAt(int32 index, double scale)
{
	const auto key = std::make_pair(index, scale);
	if (auto known = painted.find(key); known != painted.end())
		return known->second;
	auto context = COffscreenContext::create(frame, frameSize.x, frameSize.y, scale);
	if (!context)
		return nullptr;
	context->beginDraw();
	context->setDrawMode(kSmooth);
	const double position = frames > 1 ? double(index) / (frames - 1) : 0.;
	painter(*context, CRect(0., 0., frameSize.x, frameSize.y), position);
	context->endDraw();
	return painted.emplace(key, context->getBitmap()).first->second;
}

// Draws each frame the rect shows of the strip, from the strip point
// offset down.
void LazyArt::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha)
{
	if (!context || frameSize.y <= 0.)
		return;
	const double scale = std::min(wholeScale(context->getScaleFactor()), maxScale);
	const double stripTop = offset.y;
	const double stripBottom = offset.y + rect.getHeight();
	for (int32 index = std::max(0, int32(std::floor(stripTop / frameSize.y)));
	     index < frames && index * frameSize.y < stripBottom; ++index)
	{
		const double frameTop = index * frameSize.y;
		CRect part(rect.left, std::max(rect.top, rect.top + frameTop - stripTop), rect.right,
		           std::min(rect.bottom, rect.top + frameTop + frameSize.y - stripTop));
		if (part.isEmpty())
			continue;
		if (CBitmap* bitmap = frameAt(index, scale))
			bitmap->draw(context, part, CPoint(offset.x, std::max(0., stripTop - frameTop)), alpha);
	}
}

SharedPointer<LazyArt> makePointerStrip(CFrame* frame, double side, int32 frames,
                                        double maxScale)
{
	return makeOwned<LazyArt>(frame, CPoint(side, side), frames, pointerFrame, maxScale);
}

SharedPointer<LazyArt> makeLightRingStrip(CFrame* frame, double side, int32 frames)
{
	return makeOwned<LazyArt>(frame, CPoint(side, side), frames, lightRingFrame);
}

SharedPointer<LazyArt> makeFace(CFrame* frame, double side)
{
	auto painter = [side](CDrawContext& context, const CRect&, double) {
		const CPoint centre(side / 2., side / 2.);
		context.setFillColor(CColor(14, 15, 20));
		context.drawEllipse(around(centre, side / 2. - 1.), kDrawFilled);
		shadedDisc(context, centre, side / 2. - 3., CColor(150, 110, 80), CColor(60, 38, 28));
		// A recess the handle runs round.
		shadedDisc(context, centre, side / 2. - 13., CColor(55, 35, 26), CColor(130, 95, 70));
	};
	return makeOwned<LazyArt>(frame, CPoint(side, side), 1, painter);
}

SharedPointer<LazyArt> makeHandle(CFrame* frame, double side)
{
	auto painter = [side](CDrawContext& context, const CRect&, double) {
		const CPoint centre(side / 2., side / 2.);
		context.setFillColor(CColor(30, 20, 16, 160));
		context.drawEllipse(around(centre, side / 2.), kDrawFilled);
		shadedDisc(context, centre, side / 2. - 1., CColor(255, 240, 200), CColor(220, 150, 60));
	};
	return makeOwned<LazyArt>(frame, CPoint(side, side), 1, painter);
}

SharedPointer<CBitmap> paintArt(CFrame* frame, const CPoint& size, std::initializer_list<double> scales,
                                const Painter& painter)
{
	SharedPointer<CBitmap> bitmap;
	for (double scale : scales)
	{
		auto context = COffscreenContext::create(frame, size.x, size.y, scale);
		if (!context)
			continue;
		context->beginDraw();
		context->setDrawMode(kAntiAliasing | kNonIntegralMode);
		painter(*context);
		context->endDraw();
		if (!bitmap)
			bitmap = context->getBitmap();
		else
			bitmap->addBitmap(context->getBitmap()->getPlatformBitmap());
	}
	return bitmap;
}

} // namespace Kavrin::Demo::KnobBitmaps
