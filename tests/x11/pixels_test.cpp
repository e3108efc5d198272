// The pixels a window shows are the pixels the headless platform renders
// for the same tree: one back end draws both, and the copy to the server
// (shared memory or put-image) changes none of them.

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "tests/support/headlessrendering.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <vector>

namespace Kavrin::Test {
namespace {

// Shapes at odd and even widths, antialiased curves and text: everything
// whose rounding could differ between two renderings.
class SceneView : public CView
{
public:
	using CView::CView;
	void draw(CDrawContext* context) override
	{
		CRect r = getViewSize();
		context->setDrawMode(kAntiAliasing | kNonIntegralMode);
		context->setFillColor(CColor(30, 120, 200));
		context->drawRect(CRect(r.left + 5, r.top + 5, r.left + 60, r.top + 40), kDrawFilled);
		context->setFrameColor(kBlackCColor);
		context->setLineWidth(1.);
		context->drawLine({CPoint(r.left + 10, r.top + 50), CPoint(r.left + 90, r.top + 55)});
		context->setLineWidth(3.);
		context->drawEllipse(CRect(r.left + 70, r.top + 5, r.left + 120, r.top + 45), kDrawStroked);
		context->setDrawMode(kAliasing);
		context->setLineWidth(1.);
		context->drawLine({CPoint(r.left + 10, r.top + 70), CPoint(r.left + 110, r.top + 70)});
		context->setFont(kNormalFont);
		context->setFontColor(CColor(20, 20, 20));
		context->drawString("Kavrin 0123 ÄÖÜ", CPoint(r.left + 8, r.top + 95));
	}
};

const CRect kLateView(20, 140, 150, 195);

// The scene, with the view a test adds later or without it.
void buildScene(CFrame* frame, bool withLateView = false)
{
	frame->setBackgroundColor(CColor(250, 240, 220));
	auto panel = new CViewContainer(CRect(20, 20, 160, 130));
	panel->setBackgroundColor(CColor(200, 230, 200));
	panel->addView(new SceneView(CRect(0, 0, 140, 110)));
	frame->addView(panel);
	frame->addView(new SceneView(CRect(165, 60, 295, 170)));
	if (withLateView)
		frame->addView(new SceneView(kLateView));
}

// The scene on the headless platform, as 0x00RRGGBB words. Leaves the
// platform unset.
std::vector<uint32> headlessRendering(double scale, bool withLateView = false)
{
	return headlessWords(CRect(0, 0, 300, 200), scale,
	                         [withLateView](CFrame& frame) { buildScene(&frame, withLateView); });
}

struct Rendering
{
	const char* name;
	double scale;
	bool sharedMemory;
};

class X11PixelsTest : public X11WindowTest, public ::testing::WithParamInterface<Rendering>
{
};

TEST_P(X11PixelsTest, TheWindowShowsTheHeadlessRendering)
{
	const Rendering rendering = GetParam();
	const auto expected = headlessRendering(rendering.scale);
	const auto width = uint16(300 * rendering.scale);
	const auto height = uint16(200 * rendering.scale);
	ASSERT_EQ(expected.size(), size_t(width) * height);

	auto windowPlatform = makeScaledPlatform(rendering.scale, rendering.sharedMemory);
	ASSERT_TRUE(windowPlatform) << "Xvfb offers the scale and MIT-SHM";

	buildScene(frame);
	ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	EXPECT_EQ(differencesOnceShown(*windowPlatform, expected, rendering.scale), 0u);

	// A view added afterwards reaches the window the same way.
	const auto expectedAfter = headlessRendering(rendering.scale, true);
	setPlatform(windowPlatform);
	frame->addView(new SceneView(kLateView));
	EXPECT_EQ(differencesOnceShown(*windowPlatform, expectedAfter, rendering.scale), 0u);

	std::exchange(frame, nullptr)->close();
	setPlatform(platform);
	setDpi(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Copies, X11PixelsTest,
                         ::testing::Values(Rendering {"SharedMemory", 1., true}, Rendering {"PutImage", 1., false},
                                           Rendering {"SharedMemoryAt2x", 2., true},
                                           Rendering {"PutImageAt2x", 2., false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace Kavrin::Test
