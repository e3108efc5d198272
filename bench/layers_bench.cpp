// Layers: a panel of 200 vector knobs (1000 x 700) under a small badge whose
// alpha changes every frame, on the headless platform. A frame is the alpha
// change and the paint of what it invalidated.
//
// With both in layered containers, the fade only recomposites: no knob is
// drawn (knob_draws counts the knob draws per frame, and must be 0). The
// same panel and badge in ordinary containers, as the baseline, draw the
// knobs under the badge again on every frame.

#include "lib/cframe.h"
#include "lib/clayeredviewcontainer.h"
#include "lib/controls/cknob.h"
#include "lib/platform/headless/headlessplatform.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace Kavrin;

namespace {

// 20 x 10 knobs of 40 x 40 in cells of 50 x 70, as in the knob benchmark.
constexpr int kColumns = 20;
constexpr int kRows = 10;
constexpr double kSide = 40.;
const CColor kPanelColor {30, 34, 44};
const CColor kBadgeColor {240, 80, 60};
// Over four knobs of the second row and the panel around them.
const CRect kBadgeRect {180, 70, 330, 130};

int gKnobDraws = 0;

class CountedKnob : public CKnob
{
public:
	using CKnob::CKnob;
	void draw(CDrawContext* context) override
	{
		++gKnobDraws;
		CKnob::draw(context);
	}
};

CRect knobRect(int index)
{
	const double x = 5. + (index % kColumns) * 50.;
	const double y = 15. + (index / kColumns) * 70.;
	return {x, y, x + kSide, y + kSide};
}

CViewContainer* makePanel(bool layered)
{
	const CRect size(0, 0, 1000, 700);
	auto panel = layered ? new CLayeredViewContainer(size) : new CViewContainer(size);
	panel->setBackgroundColor(kPanelColor);
	for (int i = 0; i < kColumns * kRows; ++i)
	{
		auto knob = new CountedKnob(knobRect(i), nullptr, i, nullptr, nullptr, CPoint(),
		                            CKnob::kCoronaDrawing | CKnob::kCoronaOutline);
		knob->setCoronaColor(CColor(110, 215, 255));
		knob->setColorShadowHandle(CColor(12, 24, 48));
		knob->setColorHandle(CColor(250, 250, 255));
		knob->setHandleLineWidth(3.);
		knob->setValue(float((i * 37) % 101) / 100.f);
		panel->addView(knob);
	}
	return panel;
}

struct FadingBadgePanel
{
	FadingBadgePanel(bool layered, double scale)
	{
		setPlatform(owned(new HeadlessPlatform));
		frame = new CFrame(CRect(0, 0, 1000, 700));
		frame->setBackgroundColor(kPanelColor);
		frame->addView(makePanel(layered));
		badge = layered ? new CLayeredViewContainer(kBadgeRect) : new CViewContainer(kBadgeRect);
		badge->setBackgroundColor(kBadgeColor);
		frame->addView(badge);
		frame->open(&parent, kHeadless);
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(scale);
		window->invalidRects.clear();
		window->drawRect(CRect(0, 0, 1000, 700));
	}
	~FadingBadgePanel()
	{
		frame->close();
		setPlatform(nullptr);
	}

	int parent {0};
	CFrame* frame;
	CViewContainer* badge;
	HeadlessFrame* window;
};

long gFramesInProcess = 0;

// One frame: the badge's alpha changes and the frame paints what that
// invalidated. Not inlined, so that an instruction count (valgrind
// --tool=callgrind --toggle-collect=*fadeOneFrame*) sees exactly this, to
// be divided by frames_in_process.
__attribute__((noinline)) void fadeOneFrame(FadingBadgePanel& panel, float alpha)
{
	++gFramesInProcess;
	panel.badge->setAlphaValue(alpha);
	panel.window->drawInvalidRects();
}

void BM_FadingBadgeOver200Knobs(benchmark::State& state)
{
	const bool layered = state.range(0) != 0;
	const double scale = double(state.range(1));
	FadingBadgePanel panel(layered, scale);
	gKnobDraws = 0;
	int frame = 0;
	for (auto _ : state)
	{
		// A slow pulse between 0.2 and 1, never repeating the last value.
		const float alpha = 0.6f + 0.4f * float(std::sin(0.1 * ++frame));
		fadeOneFrame(panel, alpha);
	}
	state.counters["knob_draws"] =
	    benchmark::Counter(double(gKnobDraws) / double(state.iterations()));
	state.counters["frames_in_process"] = double(gFramesInProcess);
	state.SetLabel(layered ? "layered" : "ordinary containers");
}

BENCHMARK(BM_FadingBadgeOver200Knobs)
    ->ArgNames({"layers", "scale"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 2})
    ->Args({0, 2})
    ->Unit(benchmark::kMicrosecond);

} // namespace
