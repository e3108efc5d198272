#pragma once

// Content that a test scrolls: a pattern of cells whose colours follow their
// place in the content, shown moved by an offset as a scroll view shows its
// content. Any pixel moved to the wrong place, or left stale, differs from a
// fresh rendering at the new offset.

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cview.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "tests/support/surfacepixels.h"

#include <cmath>
#include <vector>

namespace Kavrin::Test {

class ScrolledPatternView : public CView
{
public:
	static constexpr double kCell = 5.;

	using CView::CView;

	void drawRect(CDrawContext* context, const CRect& updateRect) override
	{
		drawnRects.push_back(updateRect);
		const CRect visible = CRect(updateRect).bound(getViewSize());
		const CPoint origin = contentOrigin();
		context->setDrawMode(kAliasing);
		const auto firstColumn = int32(std::floor((visible.left - origin.x) / kCell));
		const auto firstRow = int32(std::floor((visible.top - origin.y) / kCell));
		for (int32 row = firstRow; origin.y + row * kCell < visible.bottom; ++row)
		{
			for (int32 column = firstColumn; origin.x + column * kCell < visible.right; ++column)
			{
				const CRect cell(origin.x + column * kCell, origin.y + row * kCell, origin.x + (column + 1) * kCell,
				                 origin.y + (row + 1) * kCell);
				context->setFillColor(colourOf(column, row));
				context->drawRect(cell, kDrawFilled);
			}
		}
		setDirty(false);
	}

	// Where the content's origin shows, in the parent's coordinates.
	CPoint contentOrigin() const { return getViewSize().getTopLeft() + offset; }
	CColor colourOf(int32 column, int32 row) const
	{
		const CPoint cellOrigin(column * kCell, row * kCell);
		if (highlight.pointInside(cellOrigin))
			return kWhiteCColor;
		return CColor(uint8(uint32(column) * 37u), uint8(uint32(row) * 53u), uint8(uint32(column + row) * 11u));
	}

	// How far the content is moved from the view's top left.
	CPoint offset;
	// Cells whose origin lies here (content coordinates) show white.
	CRect highlight;
	// Every update rect asked of the view, in the parent's coordinates.
	std::vector<CRect> drawnRects;
};

// A frame with a background and one pattern view.
inline ScrolledPatternView* addScrolledPattern(CFrame& frame, const CRect& viewRect)
{
	frame.setBackgroundColor(CColor(250, 240, 220));
	auto view = new ScrolledPatternView(viewRect);
	frame.addView(view);
	return view;
}

struct PatternState
{
	CRect viewRect;
	CPoint offset;
	CRect highlight;
	double scale {1.};
	double zoom {1.};
};

// A fresh rendering of the pattern on a headless frame of frameSize, which
// the current platform (a headless one) opens.
inline std::vector<uint32> freshPatternRendering(const CRect& frameSize, const PatternState& state)
{
	auto frame = new CFrame(frameSize);
	auto view = addScrolledPattern(*frame, state.viewRect);
	view->offset = state.offset;
	view->highlight = state.highlight;
	std::vector<uint32> words;
	int parent = 0;
	if (frame->open(&parent, kHeadless))
	{
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(state.scale);
		if (state.zoom != 1.)
			frame->setZoom(state.zoom);
		window->invalidRects.clear();
		window->drawRect(CRect(frame->getViewSize()).originize());
		words = surfaceWords(*window->getSurface());
	}
	frame->close();
	return words;
}

} // namespace Kavrin::Test
