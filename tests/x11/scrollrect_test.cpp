// A scroll moves the pixels that stay in view within the back buffer and
// paints only what the move uncovered; the window then shows what the
// headless platform renders for the scrolled content.

#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/x11/x11frame.h"
#include "tests/support/printers.h"
#include "tests/support/scrolledpattern.h"
#include "tests/support/x11window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::UnorderedElementsAreArray;

const CRect kFrameSize(0, 0, 300, 200);
const CRect kView(20, 20, 280, 180);

struct Scroll
{
	const char* name;
	double scale;
	bool sharedMemory;
	std::vector<CPoint> distances;
	// What the view draws after the scrolls, in the frame's coordinates.
	std::vector<CRect> drawn;
	// Cells (content coordinates) that turn white and wait to be drawn
	// when the scrolls come.
	std::optional<CRect> waitingHighlight {};
};

void PrintTo(const Scroll& scroll, std::ostream* out)
{
	*out << scroll.name;
}

// The pattern on the headless platform. Leaves the platform unset.
std::vector<uint32> headlessRendering(const PatternState& state)
{
	setPlatform(owned(new HeadlessPlatform));
	auto words = freshPatternRendering(kFrameSize, state);
	setPlatform(nullptr);
	return words;
}

class X11ScrollRectTest : public X11WindowTest, public ::testing::WithParamInterface<Scroll>
{
};

TEST_P(X11ScrollRectTest, TheWindowShowsTheScrolledContentAfterDrawingOnlyTheUncoveredStrip)
{
	const Scroll& scroll = GetParam();
	PatternState before {kView, {}, {}, scroll.scale};
	PatternState after = before;
	for (const auto& distance : scroll.distances)
		after.offset += distance;
	if (scroll.waitingHighlight)
		after.highlight = *scroll.waitingHighlight;
	const auto expectedBefore = headlessRendering(before);
	const auto expectedAfter = headlessRendering(after);
	const auto width = uint16(kFrameSize.getWidth() * scroll.scale);
	const auto height = uint16(kFrameSize.getHeight() * scroll.scale);
	ASSERT_EQ(expectedAfter.size(), size_t(width) * height);

	auto windowPlatform = makeScaledPlatform(scroll.scale, scroll.sharedMemory);
	ASSERT_TRUE(windowPlatform) << "Xvfb offers the scale and MIT-SHM";

	auto view = addScrolledPattern(*frame, kView);
	ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	auto window = static_cast<X11Frame*>(frame->getPlatformFrame());
	auto loop = static_cast<DefaultRunLoop*>(windowPlatform->getRunLoop());
	ASSERT_EQ(differencesOnceShown(*windowPlatform, expectedBefore, scroll.scale), 0u);
	// Late exposes of the first map draw before the scroll, not after.
	for (int i = 0; i < 20; ++i)
		loop->runOnce(5);
	view->drawnRects.clear();
	const uint32 framesBefore = window->getFramesShown();

	if (scroll.waitingHighlight)
	{
		view->highlight = *scroll.waitingHighlight;
		frame->invalidRect(CRect(*scroll.waitingHighlight).offset(view->contentOrigin()).bound(kView));
	}
	for (const auto& distance : scroll.distances)
	{
		view->offset += distance;
		frame->scrollRect(kView, distance);
	}
	EXPECT_EQ(differencesOnceShown(*windowPlatform, expectedAfter, scroll.scale), 0u);
	EXPECT_THAT(view->drawnRects, UnorderedElementsAreArray(scroll.drawn));
	EXPECT_EQ(window->getFramesShown(), framesBefore + 1);

	std::exchange(frame, nullptr)->close();
	setPlatform(platform);
	setDpi(nullptr);
}

// Asks the window to scroll from inside its own paint.
class ScrollingWhileDrawn : public CView
{
public:
	using CView::CView;
	void draw(CDrawContext*) override
	{
		if (CFrame* frame = getFrame(); frame && frame->getPlatformFrame())
			answers.push_back(frame->getPlatformFrame()->scrollRect(getViewSize(), CPoint(0, 10)));
		setDirty(false);
	}
	std::vector<bool> answers;
};

using X11ScrollWhilePaintingTest = X11WindowTest;

// Mid-paint the back buffer holds a half-drawn picture, which must not move.
TEST_F(X11ScrollWhilePaintingTest, AScrollAskedForWhileTheFramePaintsIsDeclined)
{
	auto view = new ScrollingWhileDrawn(CRect(20, 20, 120, 120));
	frame->addView(view);
	open();
	ASSERT_TRUE(pumpUntil([&] { return !view->answers.empty(); }));
	EXPECT_EQ(view->answers, std::vector<bool>(view->answers.size(), false));
	EXPECT_TRUE(frame->getPlatformFrame()->scrollRect(view->getViewSize(), CPoint(0, 10)));
}

INSTANTIATE_TEST_SUITE_P(
    Scrolls, X11ScrollRectTest,
    ::testing::Values(Scroll {"UpWithSharedMemory", 1., true, {{0, -40}}, {{20, 140, 280, 180}}},
                      Scroll {"UpWithPutImage", 1., false, {{0, -40}}, {{20, 140, 280, 180}}},
                      Scroll {"DiagonallyWithSharedMemory",
                              1.,
                              true,
                              {{-30, 25}},
                              {{20, 20, 280, 45}, {250, 45, 280, 180}}},
                      Scroll {"DownAt2xWithSharedMemory", 2., true, {{0, 40}}, {{20, 20, 280, 60}}},
                      Scroll {"LeftAt2xWithPutImage", 2., false, {{-24, 0}}, {{256, 20, 280, 180}}},
                      // The first strip waits when the second scroll comes: it
                      // moves along.
                      Scroll {"TwiceBeforeAPaint",
                              1.,
                              true,
                              {{0, -40}, {0, -20}},
                              {{20, 140, 280, 180}, {20, 120, 280, 160}, {20, 160, 280, 180}}},
                      // A waiting rect is drawn where it was and where its
                      // pixels went.
                      Scroll {"WithAWaitingRect",
                              1.,
                              false,
                              {{0, -40}},
                              {{60, 60, 100, 80}, {60, 20, 100, 40}, {20, 140, 280, 180}},
                              CRect(40, 40, 80, 60)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace Kavrin::Test
