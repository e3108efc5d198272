// Routing cost in a large tree: 10,000 views, ten levels deep. Each level is
// a container holding 999 plain views and, at the bottom of its z-order, the
// container of the next level. A press on the deepest view has to pass every
// sibling at every level, so this is the worst case for a tree of that size.

#include "lib/cframe.h"

#include <benchmark/benchmark.h>

using namespace Kavrin;

namespace {

constexpr int kLevels = 10;
constexpr int kLeavesPerLevel = 999;

class Leaf : public CView
{
public:
	using CView::CView;
	CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override { return kMouseHandled; }
	CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override { return kMouseHandled; }
};

struct DeepTree
{
	DeepTree()
	{
		frame = owned(new CFrame(CRect(0, 0, 2000, 2000)));
		CViewContainer* level = frame;
		for (int depth = 0; depth < kLevels; ++depth)
		{
			// The next level sits at the bottom, covering the left half; the
			// leaves fill the right half in a grid.
			auto next = depth + 1 < kLevels ? new CViewContainer(CRect(0, 0, 1000, 1000)) : nullptr;
			if (next)
				level->addView(next);
			for (int i = 0; i < kLeavesPerLevel; ++i)
			{
				double x = 1000 + (i % 40) * 20;
				double y = (i / 40) * 20;
				level->addView(new Leaf(CRect(x, y, x + 18, y + 18)));
			}
			if (next)
			{
				level = next;
				continue;
			}
			deepest = new Leaf(CRect(0, 0, 10, 10));
			level->addView(deepest);
		}
		frame->attached(frame);
	}
	~DeepTree() { frame->removed(frame); }

	SharedPointer<CFrame> frame;
	CView* deepest {nullptr};
};

void BM_PressRouting(benchmark::State& state)
{
	DeepTree tree;
	for (auto _ : state)
	{
		CPoint where(5, 5);
		benchmark::DoNotOptimize(tree.frame->onMouseDown(where, kLeftButton));
		CPoint up(5, 5);
		benchmark::DoNotOptimize(tree.frame->onMouseUp(up, kLeftButton));
	}
	if (tree.frame->getViewAt(CPoint(5, 5), GetViewOptions::kDeep) != tree.deepest)
		state.SkipWithError("the press does not reach the deepest view");
	state.SetItemsProcessed(state.iterations());
	state.SetLabel("press and release, 10,000 views, 10 levels");
}
BENCHMARK(BM_PressRouting);

void BM_GetViewAt(benchmark::State& state)
{
	DeepTree tree;
	const auto options = GetViewOptions().deep().mouseEnabled().includeViewContainer();
	for (auto _ : state)
		benchmark::DoNotOptimize(tree.frame->getViewAt(CPoint(5, 5), options));
	state.SetItemsProcessed(state.iterations());
	state.SetLabel("deepest view, 10,000 views, 10 levels");
}
BENCHMARK(BM_GetViewAt);

} // namespace
