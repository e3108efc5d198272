// A scroll view in a real window, scrolled by real wheel turns and a real
// drag of its scroller through XTEST: the bars' values follow the input,
// and the window then shows exactly what the headless platform renders for
// the same scroll position.

#include "lib/controls/cscrollbar.h"
#include "lib/cscrollview.h"
#include "lib/platform/headless/headlessplatform.h"
#include "tests/support/headlessrendering.h"
#include "tests/support/printers.h"
#include "tests/support/scrolledpattern.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace Kavrin::Test {
namespace {

const CRect kFrameRect(0, 0, 300, 200);
const CRect kContent(0, 0, 600, 1000);
constexpr double kTile = 20.;
constexpr double kBarWidth = 16.;

// A tile whose colour follows its place in the content.
class Tile : public CView
{
public:
	Tile(const CRect& size, int column, int row)
	: CView(size), color(uint8(column * 8), uint8(row * 5), uint8(255 - column * 8))
	{
	}

	void draw(CDrawContext* context) override
	{
		CRect face = getViewSize();
		face.inset(2., 2.);
		context->setFillColor(color);
		context->drawRect(face, kDrawFilled);
		setDirty(false);
	}

private:
	CColor color;
};

// The whole frame: a scroll view with both bars over 1500 tiles, its
// content opaque so that scrolling moves pixels.
CScrollView* buildScene(CFrame& frame)
{
	frame.setBackgroundColor(kBlackCColor);
	auto scrollView = new CScrollView(kFrameRect, kContent,
	                                  CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar |
	                                      CScrollView::kDontDrawFrame,
	                                  kBarWidth);
	scrollView->getScrollContainer()->setTransparency(false);
	scrollView->getScrollContainer()->setBackgroundColor(CColor(30, 30, 40));
	for (int row = 0; row < int(kContent.getHeight() / kTile); ++row)
	{
		for (int column = 0; column < int(kContent.getWidth() / kTile); ++column)
			scrollView->addView(
			    new Tile(CRect(column * kTile, row * kTile, (column + 1) * kTile, (row + 1) * kTile), column, row));
	}
	frame.addView(scrollView);
	return scrollView;
}

void moveBar(CScrollView& scrollView, CScrollbar* bar, float value)
{
	bar->setValue(value);
	scrollView.valueChanged(bar);
}

// The scene at the given bar values, drawn whole on the headless platform.
// Leaves the platform unset.
std::vector<uint32> headlessRendering(float horizontal, float vertical)
{
	CScrollView* scrollView = nullptr;
	return headlessWords(
	    kFrameRect, 1., [&](CFrame& frame) { scrollView = buildScene(frame); },
	    [&](CFrame&) {
		    moveBar(*scrollView, scrollView->getHorizontalScrollbar(), horizontal);
		    moveBar(*scrollView, scrollView->getVerticalScrollbar(), vertical);
	    });
}

class X11ScrollViewTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		scrollView = buildScene(*frame);
	}

	// The window's differences from the headless rendering at the bars'
	// values, once the window had time to show them.
	size_t differencesFromHeadless()
	{
		const auto expected = headlessRendering(scrollView->getHorizontalScrollbar()->getValue(),
		                                        scrollView->getVerticalScrollbar()->getValue());
		setPlatform(platform);
		return differencesOnceShown(*platform, expected);
	}

	void wheel(uint8 button)
	{
		fake(XCB_BUTTON_PRESS, button);
		fake(XCB_BUTTON_RELEASE, button);
	}

	CScrollView* scrollView {nullptr};
};

TEST_F(X11ScrollViewTest, WheelTurnsScrollTheContentAndTheWindowShowsIt)
{
	open();
	CScrollbar* vertical = scrollView->getVerticalScrollbar();
	CScrollbar* horizontal = scrollView->getHorizontalScrollbar();
	ASSERT_TRUE(vertical && horizontal);
	ASSERT_EQ(differencesFromHeadless(), 0u);

	fake(XCB_MOTION_NOTIFY, 0, 150, 100);
	// Two notches down, each a tenth of the way.
	wheel(5);
	wheel(5);
	ASSERT_TRUE(pumpUntil([&] { return vertical->getValue() >= 0.2f - 1e-6f; }));
	EXPECT_FLOAT_EQ(vertical->getValue(), 0.2f);
	const double visibleHeight = scrollView->getScrollContainer()->getViewSize().getHeight();
	EXPECT_EQ(scrollView->getScrollOffset(), CPoint(0, std::floor(0.2 * (kContent.getHeight() - visibleHeight))));
	EXPECT_EQ(differencesFromHeadless(), 0u);

	// One notch right, then one back up.
	wheel(7);
	wheel(4);
	ASSERT_TRUE(pumpUntil([&] { return vertical->getValue() < 0.15f; }));
	EXPECT_FLOAT_EQ(horizontal->getValue(), 0.1f);
	EXPECT_FLOAT_EQ(vertical->getValue(), 0.1f);
	EXPECT_EQ(differencesFromHeadless(), 0u);
}

TEST_F(X11ScrollViewTest, DraggingTheScrollerScrollsTheContentAndTheWindowShowsIt)
{
	open();
	CScrollbar* vertical = scrollView->getVerticalScrollbar();
	ASSERT_TRUE(vertical);
	const CRect scroller = vertical->getScrollerRect();
	ASSERT_GT(scroller.getHeight(), 8.);
	const CPoint grip = scroller.getCenter();
	const double travel = vertical->getScrollerArea().getHeight() - vertical->getScrollerLength();
	constexpr int16 kDrag = 60;

	fake(XCB_MOTION_NOTIFY, 0, int16(grip.x), int16(grip.y));
	fake(XCB_BUTTON_PRESS, 1);
	pump(30);
	for (int16 step = 10; step <= kDrag; step += 10)
	{
		fake(XCB_MOTION_NOTIFY, 0, int16(grip.x), int16(grip.y + step));
		pump(20);
	}
	fake(XCB_BUTTON_RELEASE, 1);
	const float expected = float(kDrag / travel);
	ASSERT_TRUE(pumpUntil([&] { return std::fabs(vertical->getValue() - expected) < 1e-5f; }))
	    << vertical->getValue() << " after the drag, expected " << expected;
	EXPECT_EQ(differencesFromHeadless(), 0u);

	// Past the end: the scroller stops there.
	const CPoint end = vertical->getScrollerRect().getCenter();
	fake(XCB_MOTION_NOTIFY, 0, int16(end.x), int16(end.y));
	fake(XCB_BUTTON_PRESS, 1);
	pump(30);
	fake(XCB_MOTION_NOTIFY, 0, int16(end.x), 199);
	pump(30);
	fake(XCB_BUTTON_RELEASE, 1);
	ASSERT_TRUE(pumpUntil([&] { return vertical->getValue() == 1.f; }));
	EXPECT_EQ(scrollView->getScrollOffset().y, kContent.getHeight() - scrollView->getScrollContainer()->getViewSize().getHeight());
	EXPECT_EQ(differencesFromHeadless(), 0u);
}

} // namespace
} // namespace Kavrin::Test
