// The tooltip window of X11 frames, found among the root's children as a
// window manager would see it: placement, size, pixels, the fade and the
// window's end with the frame.

#include "lib/platform/x11/x11frame.h"
#include "lib/platform/x11/x11tooltip.h"
#include "tests/support/printers.h"
#include "tests/support/recording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

class X11TooltipTest : public X11WindowTest
{
protected:
	IPlatformFrame* platformFrame() { return frame->getPlatformFrame(); }

	// The root's override-redirect children, mapped or not.
	std::vector<xcb_window_t> overrideRedirectWindows(bool viewableOnly)
	{
		std::vector<xcb_window_t> found;
		auto tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
		if (!tree)
			return found;
		const xcb_window_t* children = xcb_query_tree_children(tree);
		for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
		{
			auto attributes = xcb_get_window_attributes_reply(
			    connection, xcb_get_window_attributes(connection, children[i]), nullptr);
			if (attributes && attributes->override_redirect &&
			    (!viewableOnly || attributes->map_state == XCB_MAP_STATE_VIEWABLE))
				found.push_back(children[i]);
			std::free(attributes);
		}
		std::free(tree);
		return found;
	}

	// The one tooltip on screen, XCB_NONE when none is.
	xcb_window_t shownTooltip()
	{
		auto shown = overrideRedirectWindows(true);
		EXPECT_LE(shown.size(), 1u);
		return shown.empty() ? XCB_NONE : shown.front();
	}

	bool exists(xcb_window_t window)
	{
		auto reply =
		    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
		std::free(reply);
		return reply != nullptr;
	}

	// In root coordinates, the tooltip being a child of the root.
	CRect geometryOf(xcb_window_t window)
	{
		auto reply = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
		if (!reply)
			return {};
		CRect rect(reply->x, reply->y, reply->x + reply->width, reply->y + reply->height);
		std::free(reply);
		return rect;
	}

	// _NET_WM_WINDOW_OPACITY, 0xFFFFFFFF (opaque) when not set.
	uint32 opacityOf(xcb_window_t window)
	{
		xcb_atom_t atom = platform->internAtom("_NET_WM_WINDOW_OPACITY");
		auto reply = xcb_get_property_reply(
		    connection, xcb_get_property(connection, 0, window, atom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
		uint32 opacity = 0xFFFFFFFF;
		if (reply && xcb_get_property_value_length(reply) == 4)
			opacity = *static_cast<const uint32*>(xcb_get_property_value(reply));
		std::free(reply);
		return opacity;
	}

	// Shows text for a rect and returns the tooltip's window.
	xcb_window_t show(const CRect& rect, const char* text)
	{
		EXPECT_TRUE(platformFrame()->showTooltip(rect, text)) << text;
		return shownTooltip();
	}

	static bool isDark(uint32 pixel)
	{
		return ((pixel >> 16) & 0xFF) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && (pixel & 0xFF) < 0x60;
	}

	// Whether some pixel of the window is dark (text on the light ground).
	bool hasDarkPixel(xcb_window_t window, const CRect& size)
	{
		for (int16 y = 0; y < int16(size.getHeight()); ++y)
			for (int16 x = 0; x < int16(size.getWidth()); ++x)
				if (isDark(windowPixel(window, x, y)))
					return true;
		return false;
	}
};

TEST_F(X11TooltipTest, ShowsAfterTheDelayBelowTheViewAndFadesWhenTheMouseLeaves)
{
	frame->enableTooltips(true, 300);
	auto view = new RecordingView(CRect(100, 50, 200, 150));
	view->setTooltipText("Gain\nin dB");
	frame->addView(view);
	open();

	fake(XCB_MOTION_NOTIFY, 0, 20, 20); // a move even where the last test left the pointer
	fake(XCB_MOTION_NOTIFY, 0, 150, 100);
	pump(100);
	EXPECT_EQ(shownTooltip(), XCB_NONE) << "not before the delay";
	ASSERT_TRUE(pumpUntil([&] { return shownTooltip() != XCB_NONE; }));
	xcb_window_t tooltip = shownTooltip();
	CRect where = geometryOf(tooltip);
	EXPECT_EQ(where.getTopLeft(), CPoint(100, 150)) << "at the view's bottom-left";
	EXPECT_GE(where.getHeight(), 20) << "two lines";
	EXPECT_EQ(opacityOf(tooltip), 0xFFFFFFFFu);

	uint32 border = windowPixel(tooltip, 0, 0);
	uint32 background = windowPixel(tooltip, 2, 2);
	EXPECT_NE(border, background);
	EXPECT_EQ(windowPixel(tooltip, int16(where.getWidth() - 1), int16(where.getHeight() - 1)), border);
	EXPECT_EQ(windowPixel(tooltip, int16(where.getWidth() - 3), int16(where.getHeight() - 3)), background);
	EXPECT_GT(background & 0xFF, 0xC0u) << "a light ground";
	EXPECT_TRUE(hasDarkPixel(tooltip, where)) << "the text";

	// Leaving the view hides it, through partly transparent steps.
	fake(XCB_MOTION_NOTIFY, 0, 20, 20);
	bool sawFadeStep = false;
	ASSERT_TRUE(pumpUntil([&] {
		if (shownTooltip() == XCB_NONE)
			return true;
		uint32 opacity = opacityOf(tooltip);
		sawFadeStep = sawFadeStep || (opacity > 0 && opacity < 0xFFFFFFFFu);
		return false;
	}));
	EXPECT_TRUE(sawFadeStep);
	EXPECT_TRUE(exists(tooltip)) << "kept for the next tooltip";
}

TEST_F(X11TooltipTest, EachLineAddsOneLineHeight)
{
	open();
	const CRect rect(10, 10, 50, 30);
	const CRect oneLine = geometryOf(show(rect, "Gain"));
	const double lineHeight = geometryOf(show(rect, "Gain\nin dB")).getHeight() - oneLine.getHeight();
	EXPECT_GE(lineHeight, 10.);
	EXPECT_GT(oneLine.getHeight(), lineHeight) << "a line and the box around it";

	struct Case
	{
		const char* text;
		int lines;
	};
	const Case cases[] = {{"Gain", 1}, {"a\nb\nc", 3}, {"Gain\n", 2}, {"\n\n\n", 4}, {"Gain\r\nin dB", 2}};
	for (const auto& c : cases)
	{
		CRect size = geometryOf(show(rect, c.text));
		EXPECT_NEAR(size.getHeight(), oneLine.getHeight() + (c.lines - 1) * lineHeight, 1.) << c.text;
	}
	EXPECT_GT(geometryOf(show(rect, "Gain in decibels, before the limiter")).getWidth(), oneLine.getWidth());
}

TEST_F(X11TooltipTest, StaysNextToTheRectAndOnTheScreen)
{
	// The host's window, and so the frame, away from the screen's origin.
	const CPoint origin(40, 30);
	const uint32 position[] = {uint32(origin.x), uint32(origin.y)};
	xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
	open();
	const CPoint screen(640, 480);

	struct Case
	{
		const char* name;
		CRect rect; // in the frame
		std::function<CPoint(const CPoint& size)> topLeft; // on the screen
	};
	const Case cases[] = {
	    {"below the bottom-left", CRect(100, 50, 200, 150), [](const CPoint&) { return CPoint(140, 180); }},
	    {"moved left at the right edge", CRect(580, 50, 600, 70),
	     [&](const CPoint& size) { return CPoint(screen.x - size.x, 100); }},
	    {"above at the bottom edge", CRect(100, 420, 200, 445),
	     [](const CPoint& size) { return CPoint(140, 450 - size.y); }},
	    {"never off the top-left", CRect(-100, -100, -50, -60), [](const CPoint&) { return CPoint(0, 0); }},
	};
	for (const auto& c : cases)
	{
		CRect where = geometryOf(show(c.rect, "Frequency"));
		EXPECT_EQ(where.getTopLeft(), c.topLeft(where.getSize())) << c.name;
	}
}

TEST_F(X11TooltipTest, FollowsTheFramesScale)
{
	open();
	const CRect rect(10, 10, 50, 30);
	const CRect single = geometryOf(show(rect, "Gain"));
	static_cast<X11Frame*>(platformFrame())->setScaleFactor(2.);
	xcb_window_t tooltip = show(rect, "Gain");
	const CRect doubled = geometryOf(tooltip);

	EXPECT_EQ(doubled.getTopLeft(), CPoint(20, 60)) << "the rect in device pixels";
	EXPECT_NEAR(doubled.getWidth(), 2 * single.getWidth(), 4.);
	EXPECT_NEAR(doubled.getHeight(), 2 * single.getHeight(), 4.);
	EXPECT_EQ(windowPixel(tooltip, 1, 1), windowPixel(tooltip, 0, 0)) << "a border two pixels wide";
	EXPECT_NE(windowPixel(tooltip, 3, 3), windowPixel(tooltip, 0, 0));
}

TEST_F(X11TooltipTest, ShowingDuringTheFadeKeepsItShown)
{
	open();
	xcb_window_t tooltip = show(CRect(10, 10, 50, 30), "Gain");
	ASSERT_NE(tooltip, XCB_NONE);
	EXPECT_TRUE(platformFrame()->hideTooltip());
	EXPECT_LT(opacityOf(tooltip), 0xFFFFFFFFu) << "the fade starts at once";

	EXPECT_EQ(show(CRect(10, 10, 50, 30), "Gain"), tooltip);
	pump(X11Tooltip::kFadeSteps * X11Tooltip::kFadeInterval + 200);
	EXPECT_EQ(shownTooltip(), tooltip);
	EXPECT_EQ(opacityOf(tooltip), 0xFFFFFFFFu);
}

TEST_F(X11TooltipTest, ClosingTheFrameDestroysTheTooltipWindowEvenWhileItFades)
{
	for (bool fading : {false, true})
	{
		if (!frame)
			frame = new CFrame(CRect(0, 0, 300, 200));
		open();
		xcb_window_t tooltip = show(CRect(10, 10, 50, 30), "Gain");
		ASSERT_NE(tooltip, XCB_NONE);
		if (fading)
			platformFrame()->hideTooltip();

		std::exchange(frame, nullptr)->close();
		pump(X11Tooltip::kFadeSteps * X11Tooltip::kFadeInterval + 100);
		EXPECT_FALSE(exists(tooltip)) << (fading ? "fading" : "shown");
		EXPECT_TRUE(overrideRedirectWindows(false).empty());
	}
}

} // namespace
} // namespace Kavrin::Test
