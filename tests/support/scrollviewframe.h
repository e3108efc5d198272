#pragma once

// An open headless frame with a scroll view on its page, content that paints
// a pattern of its own coordinates, and a check that what scrolling leaves
// on the window is exactly what a full repaint would show.

#include "tests/support/controlframe.h"

#include "lib/cdrawcontext.h"
#include "lib/controls/cscrollbar.h"
#include "lib/cscrollview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace Kavrin::Test {

// Fills its rect with cells of 10 x 10, each of a colour of its own place
// in the view, so that any shift of the pixels shows.
class PatternView : public CView
{
public:
	static constexpr double kCell = 10.;

	explicit PatternView(const CRect& size) : CView(size) {}

	static CColor cellColor(int column, int row)
	{
		return CColor(uint8(40 + (column * 37) % 200), uint8(30 + (row * 53) % 210),
		              uint8((column * 11 + row * 29) % 256), 255);
	}

	void draw(CDrawContext* context) override
	{
		const CRect& size = getViewSize();
		CRect clip;
		context->getClipRect(clip);
		clip.bound(size);
		const int firstColumn = int(std::floor((clip.left - size.left) / kCell));
		const int lastColumn = int(std::ceil((clip.right - size.left) / kCell));
		const int firstRow = int(std::floor((clip.top - size.top) / kCell));
		const int lastRow = int(std::ceil((clip.bottom - size.top) / kCell));
		for (int row = firstRow; row < lastRow; ++row)
		{
			for (int column = firstColumn; column < lastColumn; ++column)
			{
				CRect cell(size.left + column * kCell, size.top + row * kCell,
				           size.left + (column + 1) * kCell, size.top + (row + 1) * kCell);
				context->setFillColor(cellColor(column, row));
				context->drawRect(cell, kDrawFilled);
			}
		}
		setDirty(false);
	}
};

class ScrollViewFrameTest : public ControlFrameTest
{
protected:
	// The scroll view's place on the page.
	static constexpr CRect kViewRect {10, 10, 210, 110};

	// Puts a scroll view on the page, the content given filled with a
	// pattern, and paints.
	CScrollView* addScrollView(const CRect& content, int32 style, double barWidth = 16.)
	{
		scrollView = new CScrollView(kViewRect, content, style, barWidth);
		scrollView->setBackgroundColor(CColor(250, 250, 250, 255));
		pattern = new PatternView(content);
		scrollView->addView(pattern);
		page->addView(scrollView);
		paint();
		return scrollView;
	}

	// A point given in the scroll view's own coordinates, in the frame's
	// (the view may be gone).
	static CPoint atView(double x, double y)
	{
		return kPageRect.getTopLeft() + kViewRect.getTopLeft() + CPoint(x, y);
	}

	// The bar moved to value, as a drag of its scroller would leave it.
	// A listener may release the scroll view and with it the bar.
	void scrollTo(CScrollbar* bar, float value)
	{
		ASSERT_NE(bar, nullptr);
		SharedPointer<CScrollbar> keepAlive = bar;
		bar->setValue(value);
		bar->valueChanged();
		bar->invalid();
	}

	bool wheelOn(CPoint where, CMouseWheelAxis axis, float distance, uint32 buttons = 0)
	{
		return frame->platformOnMouseWheel(where, axis, distance, CButtonState(buttons));
	}

	std::vector<uint32> windowPixels() const
	{
		auto surface = window->getSurface();
		std::vector<uint32> pixels;
		for (int32 y = 0; y < surface->getPixelHeight(); ++y)
			for (int32 x = 0; x < surface->getPixelWidth(); ++x)
				pixels.push_back(surface->getPixelWord(x, y));
		return pixels;
	}

	// Runs the idle pass and paints what was invalidated, as a window's run
	// loop would, then checks the window against a full repaint of the same
	// tree: moved pixels and redrawn strips must add up to the picture.
	void expectWindowAsRepainted()
	{
		window->runPendingIdle();
		window->drawInvalidRects();
		const auto afterUpdate = windowPixels();
		window->drawRect(window->getSurface()->getLogicalRect());
		const auto repainted = windowPixels();
		ASSERT_EQ(afterUpdate.size(), repainted.size());
		const int32 width = window->getSurface()->getPixelWidth();
		size_t differences = 0;
		for (size_t i = 0; i < repainted.size(); ++i)
		{
			if (afterUpdate[i] == repainted[i])
				continue;
			if (differences++ == 0)
				ADD_FAILURE() << "first differing pixel at " << int32(i) % width << ", "
				              << int32(i) / width;
		}
		EXPECT_EQ(differences, 0u);
	}

	CScrollView* scrollView {nullptr};
	PatternView* pattern {nullptr};
};

} // namespace Kavrin::Test
