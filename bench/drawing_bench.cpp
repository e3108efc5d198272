// Drawing costs of the Cairo back end.
//
// Scene: 500 mixed antialiased primitives (filled and stroked rects,
// ellipses, arcs, lines, polygons) on an 800 x 600 surface, drawn through the
// draw context and, as the baseline, with the same calls made on Cairo
// directly. The ratio of the two is the context's overhead.

#include "lib/cdrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <vector>

using namespace Kavrin;

namespace {

struct Shape
{
	int kind;
	CRect rect;
	CColor color;
};

std::vector<Shape> makeScene()
{
	std::vector<Shape> shapes;
	for (int i = 0; i < 500; ++i)
	{
		double x = (i * 37) % 760;
		double y = (i * 53) % 560;
		double w = 10 + (i * 7) % 30;
		double h = 10 + (i * 11) % 30;
		CColor color(uint8(i * 3), uint8(i * 5), uint8(i * 7), 255);
		shapes.push_back({i % 6, CRect(x, y, x + w, y + h), color});
	}
	return shapes;
}

void drawSceneWithContext(CDrawContext& context, const std::vector<Shape>& shapes)
{
	context.setDrawMode(kAntiAliasing | kNonIntegralMode);
	context.setLineWidth(2.);
	for (const auto& shape : shapes)
	{
		const CRect& r = shape.rect;
		switch (shape.kind)
		{
			case 0:
				context.setFillColor(shape.color);
				context.drawRect(r, kDrawFilled);
				break;
			case 1:
				context.setFrameColor(shape.color);
				context.drawRect(r, kDrawStroked);
				break;
			case 2:
				context.setFillColor(shape.color);
				context.drawEllipse(r, kDrawFilled);
				break;
			case 3:
				context.setFrameColor(shape.color);
				context.drawArc(r, 135.f, 45.f, kDrawStroked);
				break;
			case 4:
				context.setFrameColor(shape.color);
				context.drawLine({r.getTopLeft(), r.getBottomRight()});
				break;
			default:
				context.setFillColor(shape.color);
				context.drawPolygon({r.getTopLeft(), r.getTopRight(), r.getBottomLeft()}, kDrawFilled);
				break;
		}
	}
}

void setColor(cairo_t* cr, const CColor& c)
{
	cairo_set_source_rgba(cr, c.red / 255., c.green / 255., c.blue / 255., c.alpha / 255.);
}

// The same shapes with Cairo's own calls. Stroked rects and arcs keep the
// context's rule of one unit less in width and height, so both draw the
// same pixels.
void drawSceneWithCairo(cairo_t* cr, const std::vector<Shape>& shapes)
{
	cairo_set_line_width(cr, 2.);
	for (const auto& shape : shapes)
	{
		const CRect& r = shape.rect;
		setColor(cr, shape.color);
		switch (shape.kind)
		{
			case 0:
				cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
				cairo_fill(cr);
				break;
			case 1:
				cairo_rectangle(cr, r.left, r.top, r.getWidth() - 1, r.getHeight() - 1);
				cairo_stroke(cr);
				break;
			case 2:
				cairo_save(cr);
				cairo_translate(cr, r.left + r.getWidth() / 2, r.top + r.getHeight() / 2);
				cairo_scale(cr, r.getWidth() / 2, r.getHeight() / 2);
				cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
				cairo_restore(cr);
				cairo_fill(cr);
				break;
			case 3:
			{
				double rx = (r.getWidth() - 1) / 2, ry = (r.getHeight() - 1) / 2;
				auto corrected = [&](double degrees) {
					double a = degrees * M_PI / 180.;
					return std::atan2(std::sin(a) * rx, std::cos(a) * ry);
				};
				cairo_save(cr);
				cairo_translate(cr, r.left + rx, r.top + ry);
				cairo_scale(cr, rx, ry);
				cairo_arc(cr, 0, 0, 1, corrected(135), corrected(45));
				cairo_restore(cr);
				cairo_stroke(cr);
				break;
			}
			case 4:
				cairo_move_to(cr, r.left, r.top);
				cairo_line_to(cr, r.right, r.bottom);
				cairo_stroke(cr);
				break;
			default:
				cairo_move_to(cr, r.left, r.top);
				cairo_line_to(cr, r.right, r.top);
				cairo_line_to(cr, r.left, r.bottom);
				cairo_fill(cr);
				break;
		}
	}
}

void BM_SceneThroughContext(benchmark::State& state)
{
	const double scale = state.range(0);
	auto surface = CairoImageSurface::create(int32(800 * scale), int32(600 * scale), scale);
	auto context = owned(surface->createDrawContext());
	auto shapes = makeScene();
	for (auto _ : state)
		drawSceneWithContext(*context, shapes);
	state.SetItemsProcessed(state.iterations() * 500);
	state.SetLabel("500 primitives");
}
BENCHMARK(BM_SceneThroughContext)->Arg(1)->Arg(2);

// Cairo at the settings the context chooses for the scale (its default
// antialiasing and tolerance 0.1 at 1x, fast antialiasing and 0.25 at 2x).
void BM_SceneOnCairoDirectly(benchmark::State& state)
{
	const double scale = state.range(0);
	auto surface = CairoImageSurface::create(int32(800 * scale), int32(600 * scale), scale);
	cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface->getCairoSurface()));
	cairo_set_antialias(cr, scale >= 2 ? CAIRO_ANTIALIAS_FAST : CAIRO_ANTIALIAS_DEFAULT);
	cairo_set_tolerance(cr, scale >= 2 ? 0.25 : 0.1);
	auto shapes = makeScene();
	for (auto _ : state)
		drawSceneWithCairo(cr, shapes);
	cairo_destroy(cr);
	state.SetItemsProcessed(state.iterations() * 500);
	state.SetLabel("500 primitives");
}
BENCHMARK(BM_SceneOnCairoDirectly)->Arg(1)->Arg(2);

// Cairo at its own defaults, for the choice of settings per scale.
void BM_SceneOnCairoDefaults(benchmark::State& state)
{
	const double scale = state.range(0);
	auto surface = CairoImageSurface::create(int32(800 * scale), int32(600 * scale), scale);
	cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface->getCairoSurface()));
	auto shapes = makeScene();
	for (auto _ : state)
		drawSceneWithCairo(cr, shapes);
	cairo_destroy(cr);
	state.SetItemsProcessed(state.iterations() * 500);
	state.SetLabel("500 primitives, Cairo defaults");
}
BENCHMARK(BM_SceneOnCairoDefaults)->Arg(1)->Arg(2);

} // namespace
