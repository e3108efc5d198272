#include "tests/support/controlframe.h"

#include "lib/controls/cscrollbar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using Direction = CScrollbar::ScrollbarDirection;

// Bars are 100 long and 16 thick on the page: their track, inset by 2, is
// 96 long.
constexpr CRect kVerticalRect {100, 10, 116, 110};
constexpr CRect kHorizontalRect {10, 100, 110, 116};
constexpr double kTrack = 96.;

CRect barRect(Direction direction)
{
	return direction == CScrollbar::kVertical ? kVerticalRect : kHorizontalRect;
}

// Content of the given extent along the bar, and much wider across it (which
// must not count).
CRect contentAlong(Direction direction, double extent)
{
	return direction == CScrollbar::kVertical ? CRect(0, 0, 5000, extent) : CRect(0, 0, extent, 5000);
}

const char* nameOf(Direction direction)
{
	return direction == CScrollbar::kVertical ? "vertical" : "horizontal";
}

constexpr Direction kDirections[] = {CScrollbar::kHorizontal, CScrollbar::kVertical};

class ScrollbarTest : public ControlFrameTest
{
protected:
	// A bar on the page with content of the given extent along it, at the
	// value, drawn, with an empty log.
	CScrollbar* addBar(Direction direction, double contentExtent, float value = 0.f)
	{
		auto bar = new CScrollbar(barRect(direction), nullptr, 0, direction, contentAlong(direction, contentExtent));
		bar->setValue(value);
		return add(bar);
	}
	// A point in the frame a distance along the bar from its start, in the
	// middle across it.
	static CPoint along(const CScrollbar* bar, double distance)
	{
		return bar->getDirection() == CScrollbar::kVertical ? at(bar, 8, distance) : at(bar, distance, 8);
	}
	bool wheelOn(const CScrollbar* bar, CMouseWheelAxis axis, float distance, uint32 buttons = 0)
	{
		return frame->platformOnMouseWheel(along(bar, 50), axis, distance, CButtonState(buttons));
	}
	// The bar's share of a page: one track press moves the value by this.
	static double pageStep(const CScrollbar* bar) { return bar->getScrollerLength() / kTrack; }
};

// ---- Geometry ----

TEST_F(ScrollbarTest, ScrollerLengthShowsTheShareOfTheContentInView)
{
	struct Case
	{
		const char* name;
		double contentExtent;
		double length;
	};
	const Case cases[] = {
	    {"a tenth in view", 1000., 10.},
	    {"a quarter in view", 400., 25.},
	    {"a hundredth in view: raised to the minimum", 10000., 8.},
	    {"all in view", 100., 0.},
	    {"content smaller than the view", 50., 0.},
	    {"no content", 0., 0.},
	    {"content of negative extent", -300., 0.},
	    {"content that is no number", std::nan(""), 0.},
	};
	for (Direction direction : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(nameOf(direction)) + ": " + c.name);
			auto bar = owned(new CScrollbar(barRect(direction), nullptr, 0, direction, contentAlong(direction, 200.)));
			bar->setScrollSize(contentAlong(direction, c.contentExtent));
			EXPECT_EQ(bar->getScrollerLength(), c.length);
			auto built = owned(
			    new CScrollbar(barRect(direction), nullptr, 0, direction, contentAlong(direction, c.contentExtent)));
			EXPECT_EQ(built->getScrollerLength(), c.length);
		}
	}
}

TEST_F(ScrollbarTest, NewSizeMovesTheTrackAndRefitsTheScroller)
{
	for (Direction direction : kDirections)
	{
		SCOPED_TRACE(nameOf(direction));
		CScrollbar* bar = addBar(direction, 1000.);
		const CRect longer = direction == CScrollbar::kVertical ? CRect(50, 20, 66, 220) : CRect(20, 50, 220, 66);
		bar->setViewSize(longer);
		EXPECT_EQ(bar->getScrollerArea(), CRect(longer).inset(2, 2));
		EXPECT_EQ(bar->getScrollerLength(), 40.);
		EXPECT_TRUE(bar->isDirty());
		page->removeView(bar);
	}
}

TEST_F(ScrollbarTest, ScrollerRunsAlongTheTrackWithTheValue)
{
	// Content of 400 gives a scroller of 25 and 71 units of travel.
	struct Case
	{
		float value;
		double leading;
	};
	const Case cases[] = {{0.f, 0.}, {0.5f, 35.5}, {1.f, 71.}, {-0.5f, 0.}};
	for (Direction direction : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(::testing::Message() << nameOf(direction) << " at " << c.value);
			auto bar = owned(new CScrollbar(barRect(direction), nullptr, 0, direction, contentAlong(direction, 400.)));
			bar->setMin(-1.f);
			bar->setValue(c.value);
			const CRect area = bar->getScrollerArea();
			const CRect expected = direction == CScrollbar::kVertical
			                           ? CRect(area.left, area.top + c.leading, area.right, area.top + c.leading + 25.)
			                           : CRect(area.left + c.leading, area.top, area.left + c.leading + 25., area.bottom);
			EXPECT_EQ(bar->getScrollerRect(), expected);
		}
	}
}

// Content barely larger than the view makes a scroller longer than the
// track: it fills the track rather than sticking out of the bar, and
// dragging it moves nothing rather than running the value backwards or
// making it no number.
TEST_F(ScrollbarTest, ScrollerLongerThanItsTrackStaysWithinIt)
{
	for (Direction direction : kDirections)
	{
		SCOPED_TRACE(nameOf(direction));
		reopenFrame();
		CScrollbar* bar = addBar(direction, 101.);
		ASSERT_GT(bar->getScrollerLength(), kTrack);
		for (float value : {0.f, 0.5f, 1.f})
		{
			bar->setValue(value);
			EXPECT_EQ(bar->getScrollerRect(), bar->getScrollerArea());
		}
		bar->setValue(0.5f);
		press(along(bar, 50));
		move(along(bar, 80));
		move(along(bar, 10));
		release(along(bar, 10));
		EXPECT_EQ(bar->getValue(), 0.5f);
		EXPECT_EQ(count("main:changed"), 0u);
	}
}

// ---- Track presses ----

// A press on the track pages towards it at once, again after 250 ms and
// then every 80 ms while held, until the scroller reaches the pointer or
// the end; the release stops it.
TEST_F(ScrollbarTest, HeldTrackPressPagesOnATimer)
{
	struct Case
	{
		const char* name;
		float startValue;
		double pressAlong;
		// +1 towards the end, -1 towards the start.
		int sign;
		// Pages until the scroller covers the pointer or reaches the end.
		int pages;
	};
	// Content of 1000: a scroller of 10, each page a step of 10 / 96.
	const Case cases[] = {
	    {"after the scroller, from the start", 0.f, 95., 1, 10},
	    {"before the scroller, from the end", 1.f, 5., -1, 10},
	    {"after the scroller, until it covers the pointer", 0.f, 40., 1, 4},
	    {"before the scroller, from the middle", 0.5f, 5., -1, 5},
	};
	// Milliseconds after the press, and the pages done by then.
	const std::pair<uint32, int> timeline[] = {{0, 1},   {249, 1}, {250, 2}, {329, 2}, {330, 3},
	                                           {410, 4}, {490, 5}, {570, 6}, {2000, 100}};
	for (Direction direction : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(nameOf(direction)) + ": " + c.name);
			reopenFrame();
			CScrollbar* bar = addBar(direction, 1000.);
			bar->setValue(c.startValue);
			const double step = pageStep(bar);
			std::vector<float> expected;
			float next = c.startValue;
			for (int i = 0; i < c.pages; ++i)
				expected.push_back(next = float(std::clamp(double(next) + c.sign * step, 0., 1.)));
			auto& values = recordValues();

			press(along(bar, c.pressAlong));
			EXPECT_TRUE(bar->isStepping());
			uint32 elapsed = 0;
			for (const auto& [time, pages] : timeline)
			{
				SCOPED_TRACE(::testing::Message() << time << " ms");
				platform->advance(time - elapsed);
				elapsed = time;
				const size_t done = size_t(std::min(pages, c.pages));
				EXPECT_EQ(values, std::vector<float>(expected.begin(), expected.begin() + long(done)));
			}
			release(along(bar, c.pressAlong));
			EXPECT_FALSE(bar->isStepping());
		}
	}
}

TEST_F(ScrollbarTest, SteppingEndsWithThePress)
{
	struct Case
	{
		const char* name;
		std::function<void(CScrollbar*)> end;
	};
	const Case cases[] = {
	    {"release", [this](CScrollbar* bar) { release(along(bar, 90)); }},
	    {"cancel", [this](CScrollbar*) { interruptWithADialog(); }},
	    {"bar removed from its page", [this](CScrollbar* bar) { page->removeView(bar); }},
	    {"page removed from the frame", [this](CScrollbar*) { frame->removeView(page); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CScrollbar* bar = addBar(CScrollbar::kVertical, 1000.);
		SharedPointer<CScrollbar> held = bar;
		SharedPointer<CViewContainer> heldPage = page;
		const size_t timersBefore = platform->getRunningTimerCount();
		press(along(bar, 90));
		platform->advance(250);
		ASSERT_EQ(count("main:changed"), 2u);
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore + 1);

		c.end(bar);
		EXPECT_FALSE(held->isStepping());
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		platform->advance(2000);
		EXPECT_EQ(count("main:changed"), 2u);
	}
}

// Moving while the press is held takes the paging point along: past the
// scroller it pages the other way.
TEST_F(ScrollbarTest, HeldPressFollowsThePointer)
{
	CScrollbar* bar = addBar(CScrollbar::kVertical, 1000., 0.5f);
	auto& values = recordValues();
	press(along(bar, 95));
	const float afterPress = bar->getValue();
	EXPECT_GT(afterPress, 0.5f);
	move(along(bar, 5));
	EXPECT_LT(bar->getValue(), afterPress);
	const size_t changes = values.size();
	platform->advance(250);
	EXPECT_EQ(values.size(), changes + 1);
	EXPECT_LT(values.back(), values[changes - 1]);
	release(along(bar, 5));
}

// A listener may take the bar out of the tree, and release it, while it
// hears a page: no timer stays behind, and nothing touches the bar again.
TEST_F(ScrollbarTest, ListenerRemovingTheBarWhilePagingStopsIt)
{
	struct Case
	{
		const char* name;
		// The change the listener acts on: 1 is the press's own page.
		size_t onChange;
		bool closeFrame;
		// The listener keeps the bar alive out of the tree.
		bool keepsIt;
	};
	const Case cases[] = {
	    {"removed on the press's page", 1, false, false},
	    {"removed on the first timed page", 2, false, false},
	    {"removed on a later page", 4, false, false},
	    {"removed and kept on the press's page", 1, false, true},
	    {"removed and kept on a timed page", 3, false, true},
	    {"frame closed on the press's page", 1, true, false},
	    {"frame closed on a timed page", 3, true, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CScrollbar* bar = addBar(CScrollbar::kVertical, 1000.);
		const size_t timersBefore = c.closeFrame ? 0u : platform->getRunningTimerCount();
		size_t changes = 0;
		SharedPointer<CControl> kept;
		listener.onChanged = [&](CControl* control) {
			if (++changes != c.onChange)
				return;
			if (c.keepsIt)
				kept = control;
			if (c.closeFrame)
				frame->close();
			else
				page->removeView(control);
		};
		const CPoint where = along(bar, 95);
		press(where);
		platform->advance(2000);
		release(where);
		listener.onChanged = nullptr;
		EXPECT_EQ(changes, c.onChange);
		EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		if (kept)
		{
			EXPECT_FALSE(static_cast<CScrollbar*>(kept.get())->isStepping());
		}
		if (c.closeFrame)
			openFrame();
	}
}

// ---- Dragging the scroller ----

TEST_F(ScrollbarTest, DraggedScrollerFollowsThePointerWithinTheTrack)
{
	// Content of 400: a scroller of 25 with 71 units of travel, grabbed 10
	// into it.
	struct Case
	{
		const char* name;
		float startValue;
		double by;
		float value;
	};
	const Case cases[] = {
	    {"halfway", 0.f, 35.5, 0.5f},
	    {"past the end", 0.f, 500., 1.f},
	    {"back before the start", 1.f, -500., 0.f},
	    {"back to the start exactly", 1.f, -71., 0.f},
	    {"not at all", 0.5f, 0., 0.5f},
	};
	for (Direction direction : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(nameOf(direction)) + ": " + c.name);
			reopenFrame();
			CScrollbar* bar = addBar(direction, 400., c.startValue);
			const double grab = 2. + 71. * double(c.startValue) + 10.;
			EXPECT_EQ(press(along(bar, grab)), kMouseHandled);
			EXPECT_FALSE(bar->isStepping());
			EXPECT_EQ(bar->getValue(), c.startValue);
			move(along(bar, grab + c.by / 2.));
			move(along(bar, grab + c.by));
			EXPECT_FLOAT_EQ(bar->getValue(), c.value);
			release(along(bar, grab + c.by));
			EXPECT_EQ(count("main:changed") > 0, c.value != c.startValue);
			EXPECT_EQ(log, ControlLog(log.size(), "main:changed")) << "no edit brackets";
		}
	}
}

// Only a plain left press on a bar with something to scroll starts a
// gesture.
TEST_F(ScrollbarTest, OtherPressesStartNothing)
{
	struct Case
	{
		const char* name;
		double contentExtent;
		uint32 buttons;
	};
	const Case cases[] = {
	    {"right button", 1000., kRightButton},
	    {"left with shift", 1000., kLeftButton | kShiftModifier},
	    {"left, nothing to scroll", 100., kLeftButton},
	    {"right button, double click", 1000., kRightButton | kDoubleClick},
	    {"left with shift, double click", 1000., kLeftButton | kShiftModifier | kDoubleClick},
	    {"left, double click, nothing to scroll", 100., kLeftButton | kDoubleClick},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CScrollbar* bar = addBar(CScrollbar::kVertical, c.contentExtent);
		press(along(bar, 90), c.buttons);
		EXPECT_FALSE(bar->isStepping());
		platform->advance(1000);
		move(along(bar, 50), c.buttons);
		release(along(bar, 50), c.buttons);
		EXPECT_EQ(bar->getValue(), 0.f);
		EXPECT_TRUE(log.empty()) << ::testing::PrintToString(log);
	}
}

// A quick second press comes marked as a double click: it is a press like
// the first, so fast clicks on the track each page, and the scroller can
// be grabbed again at once.
TEST_F(ScrollbarTest, ASecondQuickPressActsLikeTheFirst)
{
	struct Case
	{
		const char* name;
		double contentExtent;
		double pressAlong;
		// Where the second press drags to; no move when it stays.
		double dragTo;
		float value;
		size_t changes;
	};
	const Case cases[] = {
	    // Content of 1000: a scroller of 10, each page a step of 10 / 96.
	    {"on the track: each click pages", 1000., 90., 90., float(20. / 96.), 2},
	    // Content of 400: a scroller of 25 with 71 units of travel.
	    {"on the scroller: the second press drags it", 400., 12., 47.5, 0.5f, 1},
	};
	for (Direction direction : kDirections)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(nameOf(direction)) + ": " + c.name);
			reopenFrame();
			CScrollbar* bar = addBar(direction, c.contentExtent);
			click(along(bar, c.pressAlong));
			EXPECT_EQ(press(along(bar, c.pressAlong), kLeftButton | kDoubleClick), kMouseHandled);
			if (c.dragTo != c.pressAlong)
				move(along(bar, c.dragTo));
			release(along(bar, c.dragTo));
			EXPECT_FLOAT_EQ(bar->getValue(), c.value);
			EXPECT_EQ(count("main:changed"), c.changes);
		}
	}
}

// ---- Wheel ----

TEST_F(ScrollbarTest, WheelScrollsAlongTheBarsOwnAxis)
{
	struct Case
	{
		const char* name;
		Direction direction;
		CMouseWheelAxis axis;
		float distance;
		uint32 buttons;
		float value;
		bool handled;
	};
	const Case cases[] = {
	    {"vertical bar, vertical wheel", CScrollbar::kVertical, kWheelAxisY, 1.f, 0, 0.4f, true},
	    {"vertical bar, wheel the other way", CScrollbar::kVertical, kWheelAxisY, -2.f, 0, 0.7f, true},
	    {"horizontal bar, horizontal wheel", CScrollbar::kHorizontal, kWheelAxisX, 1.f, 0, 0.4f, true},
	    {"vertical bar, horizontal wheel", CScrollbar::kVertical, kWheelAxisX, 1.f, 0, 0.5f, false},
	    {"horizontal bar, vertical wheel", CScrollbar::kHorizontal, kWheelAxisY, 1.f, 0, 0.5f, false},
	    {"shift: a tenth", CScrollbar::kVertical, kWheelAxisY, 1.f, kShiftModifier, 0.49f, true},
	    {"inverted", CScrollbar::kVertical, kWheelAxisY, 1.f, kWheelInverted, 0.6f, true},
	    {"inverted with shift", CScrollbar::kHorizontal, kWheelAxisX, 1.f, kWheelInverted | kShiftModifier, 0.51f,
	     true},
	    {"past the start", CScrollbar::kVertical, kWheelAxisY, 10.f, 0, 0.f, true},
	    {"past the end", CScrollbar::kVertical, kWheelAxisY, -10.f, 0, 1.f, true},
	    {"with the left button held", CScrollbar::kVertical, kWheelAxisY, 1.f, kLeftButton, 0.5f, false},
	    {"with control", CScrollbar::kVertical, kWheelAxisY, 1.f, kControlModifier, 0.5f, false},
	    {"with alt", CScrollbar::kVertical, kWheelAxisY, 1.f, kAltModifier, 0.5f, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CScrollbar* bar = addBar(c.direction, 1000., 0.5f);
		EXPECT_EQ(wheelOn(bar, c.axis, c.distance, c.buttons), c.handled);
		EXPECT_FLOAT_EQ(bar->getValue(), c.value);
		EXPECT_EQ(count("main:changed"), c.value != 0.5f ? 1u : 0u);
	}
}

TEST_F(ScrollbarTest, WheelPassesOverABarThatCannotScroll)
{
	struct Case
	{
		const char* name;
		double contentExtent;
		bool mouseEnabled;
		float distance;
	};
	const Case cases[] = {
	    {"nothing to scroll", 100., true, 1.f},
	    {"mouse disabled", 1000., false, 1.f},
	    {"a distance that is no number", 1000., true, std::nanf("")},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto bar = owned(new CScrollbar(kVerticalRect, &listener, 0, CScrollbar::kVertical,
		                                contentAlong(CScrollbar::kVertical, c.contentExtent)));
		bar->setValue(0.5f);
		bar->setMouseEnabled(c.mouseEnabled);
		EXPECT_FALSE(bar->onWheel(CPoint(108, 50), kWheelAxisY, c.distance, CButtonState()));
		EXPECT_EQ(bar->getValue(), 0.5f);
	}
	EXPECT_TRUE(log.empty());
}

// ---- Overlay bars ----

class OverlayScrollbarTest : public ScrollbarTest
{
protected:
	OverlayScrollbarTest()
	{
		bar = addBar(CScrollbar::kVertical, 1000., 0.5f);
		bar->setOverlayStyle(true);
	}

	void hover() { move(along(bar, 50), 0); }
	void leave() { move(CPoint(5, 5), 0); }
	// The alpha at milliseconds after an animation started: animations
	// start on the first 16 ms animation tick after they are added, and
	// tick every 16 ms.
	float alphaAt(uint32 sinceStart)
	{
		platform->advance(16 + sinceStart - elapsed);
		elapsed = 16 + sinceStart;
		return bar->getAlphaValue();
	}
	// A fade's alpha at a position, from start to end.
	static float faded(float start, float end, float position) { return start + (end - start) * position; }

	CScrollbar* bar {nullptr};
	uint32 elapsed {0};
};

TEST_F(OverlayScrollbarTest, StyleHidesAndShowsTheBar)
{
	EXPECT_FLOAT_EQ(bar->getAlphaValue(), 0.001f);
	bar->setOverlayStyle(false);
	EXPECT_EQ(bar->getAlphaValue(), 1.f);
	bar->setOverlayStyle(true);
	EXPECT_FLOAT_EQ(bar->getAlphaValue(), 0.001f);
}

// Each step of a fade, in milliseconds after the animation started, and
// the alpha then.
struct FadeCase
{
	const char* name;
	std::function<void()> start;
	std::vector<std::pair<uint32, float>> alphas;
};

TEST_F(OverlayScrollbarTest, FadesInAndOutAtTheirPace)
{
	const float kFaded = 0.001f;
	// Where a fade in stands 48 ms into it.
	const float halfShown = faded(kFaded, 1.f, 0.48f);
	const FadeCase cases[] = {
	    {"a visual change shows it for a second, then fades in 100 ms",
	     [this] { bar->onVisualChange(); },
	     {{0, 1.f}, {992, 1.f}, {1056, faded(1.f, kFaded, 0.56f)}, {1104, kFaded}}},
	    {"a wheel turn handed on from elsewhere (the content) is a visual change",
	     [this] { bar->onWheel(CPoint(), kWheelAxisY, 1.f, CButtonState()); },
	     {{0, 1.f}, {992, 1.f}, {1104, kFaded}}},
	    {"a wheel turn over the bar shows it while the pointer stays",
	     [this] { wheelOn(bar, kWheelAxisY, 1.f); },
	     {{0, 1.f}, {1104, 1.f}, {3000, 1.f}}},
	    {"hovering fades in over 100 ms", [this] { hover(); },
	     {{0, kFaded}, {48, faded(kFaded, 1.f, 0.48f)}, {112, 1.f}}},
	    {"leaving a shown bar fades it out in 300 ms", [this] {
		     hover();
		     platform->advance(200);
		     leave();
	     },
	     {{144, faded(1.f, kFaded, 0.48f)}, {304, kFaded}, {416, kFaded}}},
	    {"leaving a half shown bar fades it out in 100 ms", [this] {
		     hover();
		     platform->advance(64);
		     leave();
	     },
	     {{48, faded(halfShown, kFaded, 0.48f)}, {112, kFaded}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		bar = addBar(CScrollbar::kVertical, 1000., 0.5f);
		bar->setOverlayStyle(true);
		elapsed = 0;
		c.start();
		// The start's own time counts from here.
		elapsed = 0;
		for (const auto& [time, alpha] : c.alphas)
		{
			if (time == 0)
			{
				EXPECT_FLOAT_EQ(bar->getAlphaValue(), alpha);
				continue;
			}
			EXPECT_NEAR(alphaAt(time), alpha, 1e-4) << time << " ms";
		}
	}
}

// A visual change shows nothing when nothing can scroll, nor while the
// pointer is over the bar, nor for a classic bar.
TEST_F(OverlayScrollbarTest, VisualChangeLeavesTheBarAloneWhenItShouldNotShow)
{
	struct Case
	{
		const char* name;
		std::function<void()> before;
		float alpha;
	};
	const Case cases[] = {
	    {"nothing to scroll: hidden, its fade stopped",
	     [this] {
		     bar->onVisualChange();
		     platform->advance(1050);
		     bar->setScrollSize(contentAlong(CScrollbar::kVertical, 50.));
	     },
	     0.f},
	    {"pointer over it", [this] {
		     hover();
		     platform->advance(500);
	     },
	     1.f},
	    {"classic bar", [this] { bar->setOverlayStyle(false); }, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		bar = addBar(CScrollbar::kVertical, 1000., 0.5f);
		bar->setOverlayStyle(true);
		c.before();
		bar->onVisualChange();
		EXPECT_EQ(bar->getAlphaValue(), c.alpha);
		platform->advance(3000);
		EXPECT_EQ(bar->getAlphaValue(), c.alpha);
	}
}

// Turning a fading bar classic stops the fade: the bar stays shown.
TEST_F(OverlayScrollbarTest, ClassicStyleStopsAFade)
{
	bar->onVisualChange();
	platform->advance(1050);
	bar->setOverlayStyle(false);
	platform->advance(1000);
	EXPECT_EQ(bar->getAlphaValue(), 1.f);
}

// A scroll view lays its bars out again on every resize: setting the style
// it already has must not hide a bar the pointer is over.
TEST_F(OverlayScrollbarTest, SameStyleAgainKeepsTheAlpha)
{
	hover();
	platform->advance(500);
	ASSERT_EQ(bar->getAlphaValue(), 1.f);
	bar->setOverlayStyle(true);
	EXPECT_EQ(bar->getAlphaValue(), 1.f);
}

TEST_F(OverlayScrollbarTest, HoveringABarWithNothingToScrollShowsNothing)
{
	bar->setScrollSize(contentAlong(CScrollbar::kVertical, 50.));
	hover();
	platform->advance(500);
	EXPECT_FLOAT_EQ(bar->getAlphaValue(), 0.001f);
}

// ---- Copies ----

TEST_F(ScrollbarTest, CopyTakesTheSettingsButNotTheGesture)
{
	struct NoDrawer : IScrollbarDrawer
	{
		void drawScrollbarBackground(CDrawContext*, const CRect&, Direction, CScrollbar*) override {}
		void drawScrollbarScroller(CDrawContext*, const CRect&, Direction, CScrollbar*) override {}
	} drawer;
	CScrollbar* bar = addBar(CScrollbar::kHorizontal, 400.);
	bar->setDrawer(&drawer);
	bar->setScrollerColor(CColor(1, 2, 3, 4));
	bar->setStepValue(0.25f);
	press(along(bar, 90));
	ASSERT_TRUE(bar->isStepping());
	auto copy = owned(static_cast<CScrollbar*>(bar->cloneView()));
	EXPECT_FALSE(copy->isStepping());
	EXPECT_EQ(copy->getDrawer(), nullptr);
	EXPECT_EQ(copy->getDirection(), CScrollbar::kHorizontal);
	EXPECT_EQ(copy->getScrollerLength(), 25.);
	EXPECT_EQ(copy->getScrollerArea(), bar->getScrollerArea());
	EXPECT_EQ(copy->getScrollerColor(), CColor(1, 2, 3, 4));
	EXPECT_EQ(copy->getStepValue(), 0.25f);
	release(along(bar, 90));
	bar->setDrawer(nullptr);
}

} // namespace
} // namespace Kavrin::Test
