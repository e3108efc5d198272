// A window composites layers exactly as the headless platform does: two
// overlapping layered containers, one faded, show the same pixels in both,
// before and after the faded one changes its alpha.

#include "lib/cdrawcontext.h"
#include "lib/clayeredviewcontainer.h"
#include "lib/platform/headless/headlessplatform.h"
#include "tests/support/headlessrendering.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <vector>

namespace Kavrin::Test {
namespace {

class DiscView : public CView
{
public:
	DiscView(const CRect& size, const CColor& color) : CView(size), color(color) {}
	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		context->drawEllipse(getViewSize(), kDrawFilled);
		setDirty(false);
	}
	CColor color;
};

struct Scene
{
	CLayeredViewContainer* lower;
	CLayeredViewContainer* upper;
};

// The upper container is added first and lies above through its z-index.
Scene buildScene(CFrame* frame, float upperAlpha)
{
	frame->setBackgroundColor(CColor(250, 240, 220));
	auto upper = new CLayeredViewContainer(CRect(90, 50, 230, 170));
	upper->setBackgroundColor(CColor(30, 120, 200));
	upper->addView(new DiscView(CRect(10, 10, 90, 90), CColor(255, 255, 255)));
	upper->setZIndex(2);
	upper->setAlphaValue(upperAlpha);
	auto lower = new CLayeredViewContainer(CRect(20, 20, 160, 140));
	lower->setBackgroundColor(CColor(200, 60, 40));
	lower->addView(new DiscView(CRect(40, 30, 130, 110), CColor(20, 160, 60)));
	lower->setZIndex(1);
	frame->addView(upper);
	frame->addView(lower);
	return {lower, upper};
}

// The scene on the headless platform, as 0x00RRGGBB words. Leaves the
// platform unset.
std::vector<uint32> headlessRendering(double scale, float upperAlpha)
{
	return headlessWords(CRect(0, 0, 300, 200), scale,
	                         [upperAlpha](CFrame& frame) { buildScene(&frame, upperAlpha); });
}

class X11LayersTest : public X11WindowTest, public ::testing::WithParamInterface<double>
{
};

TEST_P(X11LayersTest, TheWindowShowsTheHeadlessCompositing)
{
	const double scale = GetParam();
	const auto expected = headlessRendering(scale, 0.6f);
	auto windowPlatform = makeScaledPlatform(scale, true);
	ASSERT_TRUE(windowPlatform) << "Xvfb offers the scale and MIT-SHM";

	Scene scene = buildScene(frame, 0.6f);
	ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	ASSERT_TRUE(scene.upper->getPlatformLayer());
	EXPECT_EQ(differencesOnceShown(*windowPlatform, expected, scale), 0u);

	// A new alpha reaches the window through the compositing alone.
	const auto expectedAfter = headlessRendering(scale, 0.3f);
	setPlatform(windowPlatform);
	scene.upper->setAlphaValue(0.3f);
	EXPECT_EQ(differencesOnceShown(*windowPlatform, expectedAfter, scale), 0u);

	std::exchange(frame, nullptr)->close();
	setPlatform(platform);
	setDpi(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Scales, X11LayersTest, ::testing::Values(1., 2.),
                         [](const auto& info) { return info.param == 1. ? "At1x" : "At2x"; });

} // namespace
} // namespace Kavrin::Test
