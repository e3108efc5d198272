// Knobs: a full redraw of a 1000 x 700 panel of 200 vector knobs at 1x and
// 2x, through the frame and, as the baseline, the same shapes drawn on
// Cairo directly with the toolkit's settings; and what one knob's value
// change costs in a real X11 window, from setValue to pixels on the server.
//
// Times on a busy machine swing too much to compare the two panels within a
// few percent; instructions do not. KAVRIN_BENCH_REPAINTS fixes the number
// of repaints, and callgrind counts each side's own function. As one command
// line, then the per-side inclusive counts:
//
//   KAVRIN_BENCH_REPAINTS=10 valgrind --tool=callgrind --collect-atstart=no
//     --toggle-collect='*paintPanelWithToolkit*' --toggle-collect='*drawPanelWithCairo*'
//     --callgrind-out-file=knob.callgrind build/bench/bench/kavrin-bench-knob
//     --benchmark_filter='PanelOf200Knobs/scale:1'
//   callgrind_annotate --inclusive=yes knob.callgrind | grep -E 'paintPanelWithToolkit|drawPanelWithCairo'
//
// and scale:2 for the other resolution.

#include "lib/cframe.h"
#include "lib/controls/cknob.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/x11/x11platform.h"
#include "bench/support/windowharness.h"
#include "tests/support/xvfb.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Kavrin;

namespace {

// 20 x 10 knobs of 40 x 40 in cells of 50 x 70.
constexpr int kColumns = 20;
constexpr int kRows = 10;
constexpr double kSide = 40.;
constexpr double kLineWidth = 3.;
constexpr double kCoronaInset = 3.;
constexpr double kOutlineWidthAdd = 2.;
const CColor kPanelColor {30, 34, 44};
const CColor kCoronaColor {110, 215, 255};
const CColor kShadowColor {12, 24, 48};
const CColor kHandleColor {250, 250, 255};

CRect knobRect(int index)
{
	const double x = 5. + (index % kColumns) * 50.;
	const double y = 15. + (index / kColumns) * 70.;
	return {x, y, x + kSide, y + kSide};
}

float knobValue(int index)
{
	return float((index * 37) % 101) / 100.f;
}

// Fills a frame with the panel's knobs: corona, outline and handle line.
std::vector<CKnob*> addKnobs(CFrame& frame)
{
	frame.setBackgroundColor(kPanelColor);
	std::vector<CKnob*> knobs;
	for (int i = 0; i < kColumns * kRows; ++i)
	{
		auto knob = new CKnob(knobRect(i), nullptr, i, nullptr, nullptr, CPoint(),
		                      CKnob::kCoronaDrawing | CKnob::kCoronaOutline);
		knob->setCoronaColor(kCoronaColor);
		knob->setColorShadowHandle(kShadowColor);
		knob->setColorHandle(kHandleColor);
		knob->setHandleLineWidth(kLineWidth);
		knob->setCoronaInset(kCoronaInset);
		knob->setCoronaOutlineWidthAdd(kOutlineWidthAdd);
		knob->setValue(knobValue(i));
		frame.addView(knob);
		knobs.push_back(knob);
	}
	return knobs;
}

// The panel on the headless platform, painted as a window's expose would.
struct HeadlessPanel
{
	explicit HeadlessPanel(double scale)
	{
		setPlatform(owned(new HeadlessPlatform));
		frame = new CFrame(CRect(0, 0, 1000, 700));
		addKnobs(*frame);
		frame->open(&parent, kHeadless);
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(scale);
		window->invalidRects.clear();
	}
	~HeadlessPanel()
	{
		frame->close();
		setPlatform(nullptr);
	}

	int parent {0};
	CFrame* frame;
	HeadlessFrame* window;
};

void setSource(cairo_t* cr, const CColor& color)
{
	cairo_set_source_rgba(cr, color.red / 255., color.green / 255., color.blue / 255., color.alpha / 255.);
}

// The settings the toolkit draws antialiased shapes with: Cairo's defaults
// at 1x, its fast antialiasing and a coarser tolerance from 2x on.
void applyToolkitSettings(cairo_t* cr, double scale)
{
	cairo_set_antialias(cr, scale >= 2. ? CAIRO_ANTIALIAS_FAST : CAIRO_ANTIALIAS_DEFAULT);
	cairo_set_tolerance(cr, scale >= 2. ? 0.25 : 0.1);
}

// The toolkit's side: the frame repaints the whole panel.
__attribute__((noinline)) void paintPanelWithToolkit(HeadlessPanel& panel)
{
	panel.window->drawRect(CRect(0, 0, 1000, 700));
}

// The same panel with Cairo's own calls: the background, then per knob the
// outline arc, the corona arc and the two handle lines, all with round caps,
// at the knob's default angles.
__attribute__((noinline)) void drawPanelWithCairo(cairo_t* cr)
{
	const double start = 3. * M_PI / 4.;
	const double range = 3. * M_PI / 2.;
	setSource(cr, kPanelColor);
	cairo_paint(cr);
	cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
	for (int i = 0; i < kColumns * kRows; ++i)
	{
		const CRect size = knobRect(i);
		const double cx = size.left + kSide / 2.;
		const double cy = size.top + kSide / 2.;
		const double radius = kSide / 2. - kCoronaInset;
		const double value = knobValue(i);

		cairo_new_path(cr);
		cairo_arc(cr, cx, cy, radius, start, start + range);
		cairo_set_line_width(cr, kLineWidth + kOutlineWidthAdd);
		setSource(cr, kShadowColor);
		cairo_stroke(cr);

		// The knob draws no corona for the minimum.
		cairo_set_line_width(cr, kLineWidth);
		if (value > 0.)
		{
			cairo_arc(cr, cx, cy, radius, start, start + value * range);
			setSource(cr, kCoronaColor);
			cairo_stroke(cr);
		}

		// The handle runs from the rim, 3 units in, to the centre; its
		// highlight one unit right and up of its shadow.
		const double angle = start + value * range;
		const double tipX = size.left - 1. + std::cos(angle) * (kSide / 2. - 3.) + kSide / 2. + 0.5;
		const double tipY = size.top + std::sin(angle) * (kSide / 2. - 3.) + kSide / 2. + 0.5;
		cairo_move_to(cr, tipX, tipY);
		cairo_line_to(cr, cx - 1., cy);
		setSource(cr, kShadowColor);
		cairo_stroke(cr);
		cairo_move_to(cr, tipX + 1., tipY - 1.);
		cairo_line_to(cr, cx, cy - 1.);
		setSource(cr, kHandleColor);
		cairo_stroke(cr);
	}
	cairo_surface_flush(cairo_get_target(cr));
}

using Clock = std::chrono::steady_clock;

template <typename Paint> double secondsOf(Paint&& paint)
{
	const auto begin = Clock::now();
	paint();
	return std::chrono::duration<double>(Clock::now() - begin).count();
}

// Each iteration paints the panel both ways; the iteration's time is the
// toolkit's.
void BM_PanelOf200Knobs(benchmark::State& state)
{
	const double scale = double(state.range(0));
	HeadlessPanel panel(scale);
	cairo_surface_t* surface =
	    cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(1000 * scale), int(700 * scale));
	cairo_surface_set_device_scale(surface, scale, scale);
	cairo_t* cr = cairo_create(surface);
	applyToolkitSettings(cr, scale);

	double toolkitSeconds = 0.;
	double cairoSeconds = 0.;
	bool toolkitFirst = true;
	for (auto _ : state)
	{
		// Each side goes first every other frame: the first one pays about
		// 1.5 % more for what the other one left behind in the caches.
		double toolkit = 0.;
		if (toolkitFirst)
			toolkit = secondsOf([&] { paintPanelWithToolkit(panel); });
		cairoSeconds += secondsOf([&] { drawPanelWithCairo(cr); });
		if (!toolkitFirst)
			toolkit = secondsOf([&] { paintPanelWithToolkit(panel); });
		toolkitFirst = !toolkitFirst;
		toolkitSeconds += toolkit;
		state.SetIterationTime(toolkit);
	}
	const double iterations = double(state.iterations());
	state.counters["toolkit_ms"] = toolkitSeconds * 1000. / iterations;
	state.counters["cairo_ms"] = cairoSeconds * 1000. / iterations;
	state.counters["toolkit/cairo"] = toolkitSeconds / cairoSeconds;
	state.SetLabel("200 knobs, 1000 x 700, per frame");
	cairo_destroy(cr);
	cairo_surface_destroy(surface);
}

// A fixed number of repaints when KAVRIN_BENCH_REPAINTS asks for one, as a
// run under callgrind does.
void repaintsFromEnvironment(benchmark::internal::Benchmark* benchmark)
{
	const char* repaints = std::getenv("KAVRIN_BENCH_REPAINTS");
	const long count = repaints ? std::strtol(repaints, nullptr, 10) : 0;
	if (count > 0)
		benchmark->Iterations(count);
}

BENCHMARK(BM_PanelOf200Knobs)
    ->ArgName("scale")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Apply(repaintsFromEnvironment);

Test::XvfbServer& server()
{
	static Test::XvfbServer xvfb("2048x1536x24");
	return xvfb;
}

// Sets the desktop's dots per inch, from which new X11 platforms take their
// scale factor (dpi / 96); 0 removes the setting.
void setServerDpi(int dpi)
{
	xcb_connection_t* connection = xcb_connect(server().display.c_str(), nullptr);
	if (xcb_connection_has_error(connection))
	{
		xcb_disconnect(connection);
		return;
	}
	xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
	const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
	if (dpi == 0)
		xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
	else
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
		                    uint32(resources.size()), resources.data());
	std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
	xcb_disconnect(connection);
}

// Counts the device pixels the platform asks the frame to paint.
class CountingFrame : public CFrame
{
public:
	using CFrame::CFrame;

	void platformDrawRect(CDrawContext* context, const CRect& rect) override
	{
		const double scale = context ? context->getScaleFactor() : 1.;
		devicePixels += rect.getWidth() * rect.getHeight() * scale * scale;
		CFrame::platformDrawRect(context, rect);
	}

	double devicePixels {0.};
};

// One knob of the panel in a window changes its value: from setValue and
// invalid() to the pixels copied to the server, on a desktop of scale 1 or 2.
void BM_OneKnobChangeInAWindow(benchmark::State& state)
{
	const int scale = int(state.range(0));
	if (server().display.empty())
	{
		state.SkipWithError("Xvfb did not start");
		return;
	}
	setServerDpi(scale == 1 ? 0 : 96 * scale);
	auto platform = X11Platform::create(server().display.c_str());
	if (!platform || platform->getScaleFactor() != scale)
	{
		state.SkipWithError("no X server at that scale");
		setServerDpi(0);
		return;
	}
	auto frame = new CountingFrame(CRect(0, 0, 1000, 700));
	auto knobs = addKnobs(*frame);
	CKnob* knob = knobs[kColumns * 4 + 9];
	{
		Bench::WindowHarness window(platform, frame);
		frame->devicePixels = 0.;
		int step = 0;
		for (auto _ : state)
		{
			knob->setValue(float(step++ % 100) / 100.f);
			knob->invalid();
			window.showChanges();
		}
		state.counters["device_pixels"] = frame->devicePixels / double(state.iterations());
		state.SetLabel("one 40 x 40 knob among 200");
	}
	setServerDpi(0);
}
BENCHMARK(BM_OneKnobChangeInAWindow)->ArgName("scale")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
