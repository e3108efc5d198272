// The pixels a window shows are the pixels the headless platform renders
// for the same tree: one back end draws both, and the copy to the server
// (shared memory or put-image) changes none of them.

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
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
	auto headless = owned(new HeadlessPlatform);
	setPlatform(headless);
	auto frame = new CFrame(CRect(0, 0, 300, 200));
	buildScene(frame, withLateView);
	int parentHandle = 0;
	std::vector<uint32> pixels;
	if (frame->open(&parentHandle, kHeadless))
	{
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(scale);
		window->drawRect(CRect(0, 0, 300, 200));
		auto surface = window->getSurface();
		for (int32 y = 0; y < surface->getPixelHeight(); ++y)
			for (int32 x = 0; x < surface->getPixelWidth(); ++x)
				pixels.push_back(surface->getPixelWord(x, y) & 0xFFFFFF);
	}
	frame->close();
	setPlatform(nullptr);
	return pixels;
}

std::vector<uint32> windowContents(xcb_connection_t* connection, xcb_window_t window, uint16 width, uint16 height)
{
	std::vector<uint32> pixels;
	auto reply = xcb_get_image_reply(
	    connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, width, height, ~0u),
	    nullptr);
	if (!reply)
		return pixels;
	if (xcb_get_image_data_length(reply) == int(width) * height * 4)
	{
		auto words = reinterpret_cast<const uint32*>(xcb_get_image_data(reply));
		for (int i = 0; i < int(width) * height; ++i)
			pixels.push_back(words[i] & 0xFFFFFF);
	}
	std::free(reply);
	return pixels;
}

size_t differingPixels(const std::vector<uint32>& a, const std::vector<uint32>& b)
{
	if (a.size() != b.size())
		return std::max(a.size(), b.size());
	size_t count = 0;
	for (size_t i = 0; i < a.size(); ++i)
		count += a[i] != b[i];
	return count;
}

void setDpi(xcb_connection_t* connection, xcb_window_t root, const char* resources)
{
	if (!resources)
		xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
	else
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
		                    uint32(std::strlen(resources)), resources);
	xcb_flush(connection);
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

	// A platform of the wanted scale, from the desktop's Xft.dpi.
	setDpi(connection, root, rendering.scale == 2. ? "Xft.dpi:\t192\n" : nullptr);
	auto windowPlatform = X11Platform::create(server->display.c_str());
	ASSERT_TRUE(windowPlatform);
	ASSERT_EQ(windowPlatform->getScaleFactor(), rendering.scale);
	windowPlatform->setUseSharedMemory(rendering.sharedMemory);
	ASSERT_EQ(windowPlatform->canUseSharedMemory(), rendering.sharedMemory) << "Xvfb offers MIT-SHM";
	setPlatform(windowPlatform);
	const uint32 size[] = {width, height};
	xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
	xcb_flush(connection);

	buildScene(frame);
	ASSERT_TRUE(frame->open(reinterpret_cast<void*>(uintptr_t(parent)), kX11Window));
	auto window = xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	// Runs the loop until the window shows the pixels (a second at most).
	auto loop = static_cast<DefaultRunLoop*>(windowPlatform->getRunLoop());
	auto differencesOnceShown = [&](const std::vector<uint32>& expected) {
		size_t differences = expected.size();
		for (int i = 0; i < 200 && differences; ++i)
		{
			loop->runOnce(5);
			differences = differingPixels(windowContents(windowPlatform->getConnection(), window, width, height),
			                              expected);
		}
		return differences;
	};
	EXPECT_EQ(differencesOnceShown(expected), 0u);

	// A view added afterwards reaches the window the same way.
	const auto expectedAfter = headlessRendering(rendering.scale, true);
	setPlatform(windowPlatform);
	frame->addView(new SceneView(kLateView));
	EXPECT_EQ(differencesOnceShown(expectedAfter), 0u);

	std::exchange(frame, nullptr)->close();
	setPlatform(platform);
	setDpi(connection, root, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Copies, X11PixelsTest,
                         ::testing::Values(Rendering {"SharedMemory", 1., true}, Rendering {"PutImage", 1., false},
                                           Rendering {"SharedMemoryAt2x", 2., true},
                                           Rendering {"PutImageAt2x", 2., false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace Kavrin::Test
