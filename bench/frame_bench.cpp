// A mouse move through the frame in a tree of 10,100 views: 100 containers
// in a 10 x 10 grid, each holding 100 views in a 10 x 10 grid. Every move
// lands on another view, so each event exits one view (and, every tenth,
// its container) and enters the next.

#include "lib/cframe.h"
#include "lib/platform/headless/headlessplatform.h"

#include <benchmark/benchmark.h>

using namespace Kavrin;

namespace {

class Tracked : public CView
{
public:
	using CView::CView;
	CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override
	{
		++entered;
		return kMouseHandled;
	}
	CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override
	{
		++exited;
		return kMouseHandled;
	}
	static inline long entered = 0;
	static inline long exited = 0;
};

void BM_MouseMoveWithTracking(benchmark::State& state)
{
	setPlatform(owned(new HeadlessPlatform));
	auto frame = new CFrame(CRect(0, 0, 1000, 1000));
	for (int c = 0; c < 100; ++c)
	{
		double cx = (c % 10) * 100.;
		double cy = (c / 10) * 100.;
		auto container = new CViewContainer(CRect(cx, cy, cx + 100, cy + 100));
		for (int v = 0; v < 100; ++v)
		{
			double x = (v % 10) * 10.;
			double y = (v / 10) * 10.;
			container->addView(new Tracked(CRect(x, y, x + 10, y + 10)));
		}
		frame->addView(container);
	}
	int parent = 0;
	frame->open(&parent, kHeadless);

	long step = 0;
	Tracked::entered = Tracked::exited = 0;
	for (auto _ : state)
	{
		// Walks the whole surface row by row, one view per move.
		long cell = step++ % 10000;
		CPoint where(5. + (cell % 100) * 10., 5. + (cell / 100) * 10.);
		benchmark::DoNotOptimize(frame->platformOnMouseMoved(where, {}));
	}
	state.SetItemsProcessed(state.iterations());
	state.counters["enters_per_move"] = double(Tracked::entered) / double(state.iterations());
	state.SetLabel("10,100 views, each move enters a new view");
	frame->close();
	setPlatform(nullptr);
}
BENCHMARK(BM_MouseMoveWithTracking);

} // namespace
