// The shadow container painted in a headless window: where its shadow
// lies and how strong it is, how far the blur spreads it at 1x and 2x, and
// when the shadow image is made again.

#include "lib/cshadowviewcontainer.h"

#include "lib/cdrawcontext.h"
#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

namespace Kavrin::Test {
namespace {

// Fills its rect with black and counts how often it is drawn.
class FillView : public CView
{
public:
	using CView::CView;
	void draw(CDrawContext* context) override
	{
		++draws;
		context->setFillColor(kBlackCColor);
		context->drawRect(getViewSize(), kDrawFilled);
		setDirty(false);
	}
	int draws {0};
};

// A 100 x 60 white window holding an 80 x 40 shadow container at (10, 10),
// with a 20 x 20 black child at (10, 10) in it: the child covers (20, 20)
// to (40, 40) of the window.
class ShadowViewContainerTest : public PixelFrameTest
{
protected:
	static constexpr CPoint kOrigin {10, 10};

	ShadowViewContainerTest() : PixelFrameTest(CRect(0, 0, 100, 60), kWhiteCColor) { addShadow(); }

	void addShadow()
	{
		shadow = new CShadowViewContainer(CRect(10, 10, 90, 50));
		child = new FillView(CRect(10, 10, 30, 30));
		shadow->addView(child);
		frame->addView(shadow);
	}
	void startOverWithShadow()
	{
		startOver();
		addShadow();
	}
	// The grey of one device pixel of the window (red of a grey pixel).
	int grey(int x, int y) const { return pixel(x, y).red; }

	CShadowViewContainer* shadow {nullptr};
	FillView* child {nullptr};
};

// Without blur the shadow is the child's own shape moved by the offset and
// laid under it at the intensity: black at 0.5 over white is mid grey.
TEST_F(ShadowViewContainerTest, ShadowLiesAtTheOffsetFadedByTheIntensity)
{
	struct Case
	{
		const char* name;
		CPoint offset;
		float intensity;
		CPoint inShadow; // a window pixel the shadow covers and the child does not
		int expectedGrey;
		CPoint opposite; // a window pixel beside the child, away from the offset
	};
	const Case cases[] = {
	    {"right, half", {30, 0}, 0.5f, {60, 30}, 128, {15, 30}},
	    {"down, half", {0, 15}, 0.5f, {30, 45}, 128, {30, 15}},
	    {"up and left, a quarter", {-5, -5}, 0.25f, {17, 25}, 191, {42, 42}},
	    {"right, full", {30, 0}, 1.f, {60, 30}, 0, {15, 30}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOverWithShadow();
		shadow->setShadowBlurSize(0.);
		shadow->setShadowOffset(c.offset);
		shadow->setShadowIntensity(c.intensity);
		openAndPaint();
		EXPECT_NEAR(grey(int(c.inShadow.x), int(c.inShadow.y)), c.expectedGrey, 2);
		EXPECT_EQ(pixel(30, 30), kBlackCColor) << "the child over its shadow";
		EXPECT_EQ(pixel(int(c.opposite.x), int(c.opposite.y)), kWhiteCColor) << "away from the offset";
	}
}

// The box blur spreads the shadow by half the blur size on each side of
// its edge, in units at any scale: the pixels there are partly covered,
// those beyond are not. A blur size below 2 leaves the edge sharp.
TEST_F(ShadowViewContainerTest, BlurSpreadsTheShadowByHalfTheBlurSize)
{
	struct Case
	{
		double scale;
		double blurSize;
		int spread; // device pixels partly covered outside the edge
	};
	const Case cases[] = {
	    {1., 4., 2},
	    {1., 8., 4},
	    {2., 4., 4},
	    {1., 1.5, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE("scale " + std::to_string(c.scale) + ", blur " + std::to_string(c.blurSize));
		startOverWithShadow();
		shadow->setShadowOffset(CPoint(30, 0));
		shadow->setShadowIntensity(1.f);
		shadow->setShadowBlurSize(c.blurSize);
		openAndPaint(c.scale);
		// The shadow's left edge is at 50 in the window, its middle row at 30.
		const int edge = int(50 * c.scale);
		const int row = int(30 * c.scale);
		for (int outside = 1; outside <= c.spread; ++outside)
		{
			const int value = grey(edge - outside, row);
			EXPECT_GT(value, 0) << outside << " pixels outside";
			EXPECT_LT(value, 255) << outside << " pixels outside";
		}
		EXPECT_EQ(grey(edge - c.spread - 1, row), 255) << "beyond the blur";
		EXPECT_EQ(grey(int(60 * c.scale), row), 0) << "the shadow's middle";
		if (c.spread > 0)
		{
			EXPECT_GT(grey(edge, row), 0) << "the edge's inside is softened too";
		}
	}
}

TEST_F(ShadowViewContainerTest, OutlandishBlurSizesStillPaint)
{
	const double sizes[] = {1e9, 1e300, std::numeric_limits<double>::infinity(),
	                        std::numeric_limits<double>::quiet_NaN(), -10.};
	for (double size : sizes)
	{
		SCOPED_TRACE(std::to_string(size));
		startOverWithShadow();
		shadow->setShadowOffset(CPoint(30, 0));
		shadow->setShadowBlurSize(size);
		openAndPaint();
		EXPECT_EQ(pixel(30, 30), kBlackCColor);
		EXPECT_EQ(child->draws, 2);
	}
}

// The children are drawn into the shadow image once; later paints reuse it
// until a change to what it shows makes the next paint draw it again.
TEST_F(ShadowViewContainerTest, ShadowImageIsReusedUntilWhatItShowsChanges)
{
	struct Case
	{
		const char* name;
		std::function<void()> change;
		bool redrawsShadow;
	};
	const Case cases[] = {
	    {"nothing", [] {}, false},
	    {"intensity", [this] { shadow->setShadowIntensity(0.8f); }, false},
	    {"container moved", [this] { shadow->setViewSize(CRect(12, 12, 92, 52)); }, false},
	    {"offset", [this] { shadow->setShadowOffset(CPoint(3, 3)); }, true},
	    {"same offset", [this] { shadow->setShadowOffset(CPoint()); }, false},
	    {"blur size", [this] { shadow->setShadowBlurSize(6.); }, true},
	    {"invalidated", [this] { shadow->invalidateShadow(); }, true},
	    {"child added", [this] { shadow->addView(new CView(CRect(0, 0, 5, 5))); }, true},
	    {"child removed",
	     [this] {
		     auto extra = new CView(CRect(0, 0, 5, 5));
		     shadow->addView(extra);
		     paintAll();
		     child->draws = 1;
		     shadow->removeView(extra);
	     },
	     true},
	    {"children reordered",
	     [this] {
		     shadow->addView(new CView(CRect(0, 0, 5, 5)));
		     paintAll();
		     child->draws = 1;
		     shadow->changeViewZOrder(child, 1);
	     },
	     true},
	    {"child resized", [this] { child->setViewSize(CRect(10, 10, 35, 30)); }, true},
	    {"container resized", [this] { shadow->setViewSize(CRect(10, 10, 85, 50)); }, true},
	    {"scale changed and back",
	     [this] {
		     window->setScaleFactor(2.);
		     window->setScaleFactor(1.);
	     },
	     true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOverWithShadow();
		openAndPaint();
		ASSERT_EQ(child->draws, 2) << "once into the shadow, once over it";
		paintAll();
		EXPECT_EQ(child->draws, 3);
		c.change();
		child->draws = 0;
		paintAll();
		EXPECT_EQ(child->draws, c.redrawsShadow ? 2 : 1);
	}
}

// A container that leaves the window stops listening to its scale changes:
// a change after it is gone reaches nothing.
TEST_F(ShadowViewContainerTest, ARemovedContainerHearsNoMoreScaleChanges)
{
	openAndPaint();
	frame->removeView(shadow);
	window->setScaleFactor(2.);
	paintAll();
	EXPECT_EQ(pixel(60, 60), kWhiteCColor);
}

} // namespace
} // namespace Kavrin::Test
