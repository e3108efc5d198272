#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/controls/cscrollbar.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using Direction = CScrollbar::ScrollbarDirection;

constexpr CColor kGround {0, 128, 0, 255};
// The default colours: the track's white at 200 lies over the ground.
constexpr CColor kFrame {0, 0, 0, 255};
constexpr CColor kScroller {0, 0, 255, 255};
constexpr CColor kTrack {200, 228, 200, 255};

// Bars are 100 long from (40, 20) on a 200 x 200 frame, over content of
// 400: a scroller of 25 at the start of the track.
constexpr double kLength = 100.;

CRect barRect(Direction direction, double thickness)
{
	return direction == CScrollbar::kVertical ? CRect(40, 20, 40 + thickness, 20 + kLength)
	                                          : CRect(40, 20, 40 + kLength, 20 + thickness);
}

CRect contentOf(Direction direction, double extent)
{
	return direction == CScrollbar::kVertical ? CRect(0, 0, 10, extent) : CRect(0, 0, extent, 10);
}

const char* nameOf(Direction direction)
{
	return direction == CScrollbar::kVertical ? "vertical" : "horizontal";
}

// Blending may round either way.
bool near(const CColor& a, const CColor& b, int tolerance = 1)
{
	auto close = [tolerance](uint8 x, uint8 y) { return std::abs(int(x) - int(y)) <= tolerance; };
	return close(a.red, b.red) && close(a.green, b.green) && close(a.blue, b.blue) && close(a.alpha, b.alpha);
}

class ScrollbarDrawTest : public PixelFrameTest
{
protected:
	ScrollbarDrawTest() : PixelFrameTest(CRect(0, 0, 200, 200), kGround) {}

	CScrollbar* addBar(Direction direction, double thickness, double contentExtent = 400.)
	{
		auto bar = new CScrollbar(barRect(direction, thickness), nullptr, 0, direction,
		                          contentOf(direction, contentExtent));
		EXPECT_TRUE(frame->addView(bar));
		return bar;
	}

	// The logical pixel's colour: every device pixel it covers must agree,
	// else '?'.
	char symbolAt(int x, int y, double scale) const
	{
		const std::pair<CColor, char> legend[] = {
		    {kGround, 'g'}, {kFrame, 'f'}, {kScroller, 's'}, {kTrack, 't'}};
		const int n = int(scale);
		char found = 0;
		for (int dy = 0; dy < n; ++dy)
		{
			for (int dx = 0; dx < n; ++dx)
			{
				const CColor color = window->getSurface()->getPixel(x * n + dx, y * n + dy);
				char symbol = '?';
				for (const auto& [wanted, c] : legend)
				{
					if (near(color, wanted))
						symbol = c;
				}
				if (found && found != symbol)
					return '?';
				found = symbol;
			}
		}
		return found;
	}
	// The logical pixels from..to (inclusive) along a line: a column at x,
	// or a row at y.
	std::string column(int x, int from, int to, double scale) const
	{
		std::string line;
		for (int y = from; y <= to; ++y)
			line += symbolAt(x, y, scale);
		return line;
	}
	std::string row(int y, int from, int to, double scale) const
	{
		std::string line;
		for (int x = from; x <= to; ++x)
			line += symbolAt(x, y, scale);
		return line;
	}
	// Along the bar through its middle, from 2 before it to 2 after it.
	std::string alongTheMiddle(Direction direction, double thickness, double scale) const
	{
		const int middle = int(thickness) / 2;
		return direction == CScrollbar::kVertical ? column(40 + middle, 18, 121, scale)
		                                          : row(20 + middle, 38, 141, scale);
	}
	// Across the bar, from 2 before it to 2 after it, a distance along it.
	std::string across(Direction direction, double thickness, int at, double scale) const
	{
		const int last = 20 + int(thickness) + 1;
		return direction == CScrollbar::kVertical ? row(20 + at, 38, last + 20, scale)
		                                          : column(40 + at, 18, last, scale);
	}
};

std::string repeat(char c, int n)
{
	return std::string(size_t(n), c);
}

// The track is filled and framed on whole pixels; a thick bar's scroller is
// a rounded rectangle, anti-aliased (its edges blend), a thin bar's a
// framed rectangle on whole pixels.
TEST_F(ScrollbarDrawTest, DefaultColoursPaintTrackFrameAndScroller)
{
	for (double scale : {1., 2.})
	{
		for (Direction direction : {CScrollbar::kHorizontal, CScrollbar::kVertical})
		{
			SCOPED_TRACE(::testing::Message() << nameOf(direction) << " at " << scale << "x");
			{
				SCOPED_TRACE("16 thick: rounded scroller");
				startOver();
				addBar(direction, 16.);
				openAndPaint(scale);
				// Ground, frame, track, the scroller's blended edge, its
				// fill from 2 + 1 to 2 + 25 - 1, its blended edge, track
				// to the end, frame, ground.
				EXPECT_EQ(alongTheMiddle(direction, 16., scale),
				          "ggf??" + repeat('s', 23) + "??" + repeat('t', 71) + "fgg");
				EXPECT_EQ(across(direction, 16., 14, scale), "ggf??" + repeat('s', 10) + "??fgg");
				// The rounded corner leaves the track showing, but for a
				// trace of anti-aliasing, at the scroller's corner pixel.
				const CColor corner = window->getSurface()->getPixel(int(42 * scale), int(22 * scale));
				EXPECT_TRUE(near(corner, kTrack, 16)) << ::testing::PrintToString(corner);
			}
			{
				SCOPED_TRACE("8 thick: square scroller");
				startOver();
				addBar(direction, 8.);
				openAndPaint(scale);
				// The scroller's frame lies on its outer pixels.
				EXPECT_EQ(alongTheMiddle(direction, 8., scale), "ggftf" + repeat('s', 23) + "f" + repeat('t', 72) + "fgg");
				EXPECT_EQ(across(direction, 8., 14, scale), "ggftfssftfgg");
				EXPECT_EQ(symbolAt(42, 22, scale), 'f');
			}
		}
	}
}

// However thick the bar, the scroller's corners are rounded by 4 at most:
// 5 units down from its top its side is straight again.
TEST_F(ScrollbarDrawTest, ScrollerCornersRoundByFourAtMost)
{
	for (Direction direction : {CScrollbar::kHorizontal, CScrollbar::kVertical})
	{
		SCOPED_TRACE(nameOf(direction));
		startOver();
		addBar(direction, 30.);
		openAndPaint();
		// Just inside the scroller's side (at 42 for a vertical bar, 22 for
		// a horizontal one), from 5 after its leading end to 5 before its
		// trailing end (22 to 47, or 42 to 67).
		const std::string side = direction == CScrollbar::kVertical ? column(43, 27, 42, 1.) : row(23, 47, 62, 1.);
		EXPECT_EQ(side, std::string(side.size(), 's'));
	}
}

TEST_F(ScrollbarDrawTest, NothingToScrollDrawsOnlyTheTrack)
{
	for (Direction direction : {CScrollbar::kHorizontal, CScrollbar::kVertical})
	{
		SCOPED_TRACE(nameOf(direction));
		startOver();
		auto bar = addBar(direction, 16., 100.);
		ASSERT_EQ(bar->getScrollerLength(), 0.);
		openAndPaint();
		EXPECT_EQ(alongTheMiddle(direction, 16., 1.), "ggf" + repeat('t', 98) + "fgg");
		EXPECT_FALSE(bar->isDirty());
	}
}

// A drawer of the caller's paints both parts in place of the bar's own
// drawing, with the bar's rectangles.
TEST_F(ScrollbarDrawTest, CustomDrawerPaintsInsteadOfTheBar)
{
	struct Call
	{
		std::string part;
		CRect rect;
		Direction direction;
		CScrollbar* bar;
		bool operator==(const Call& o) const
		{
			return part == o.part && rect == o.rect && direction == o.direction && bar == o.bar;
		}
	};
	struct RecordingDrawer : IScrollbarDrawer
	{
		void drawScrollbarBackground(CDrawContext*, const CRect& size, Direction direction,
		                             CScrollbar* bar) override
		{
			calls.push_back({"background", size, direction, bar});
		}
		void drawScrollbarScroller(CDrawContext* context, const CRect& rect, Direction direction,
		                           CScrollbar* bar) override
		{
			calls.push_back({"scroller", rect, direction, bar});
			context->setFillColor(CColor(255, 0, 0, 255));
			context->drawRect(rect, kDrawFilled);
		}
		std::vector<Call> calls;
	};
	for (double contentExtent : {400., 100.})
	{
		SCOPED_TRACE(contentExtent);
		startOver();
		RecordingDrawer drawer;
		auto bar = addBar(CScrollbar::kVertical, 16., contentExtent);
		bar->setDrawer(&drawer);
		bar->setValue(1.f);
		openAndPaint();
		std::vector<Call> expected {{"background", bar->getViewSize(), CScrollbar::kVertical, bar}};
		if (contentExtent == 400.)
			expected.push_back({"scroller", bar->getScrollerRect(), CScrollbar::kVertical, bar});
		EXPECT_TRUE(drawer.calls == expected) << drawer.calls.size() << " calls";
		// No track or frame of the bar's own: the ground shows, and the
		// drawer's scroller.
		EXPECT_EQ(symbolAt(48, 50, 1.), 'g');
		EXPECT_EQ(symbolAt(40, 50, 1.), 'g');
		const CColor atScroller = window->getSurface()->getPixel(48, 110);
		EXPECT_EQ(atScroller, contentExtent == 400. ? CColor(255, 0, 0, 255) : kGround);
		finish();
	}
}

} // namespace
} // namespace Kavrin::Test
