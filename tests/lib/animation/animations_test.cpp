// The animation targets driven directly, as an animator would drive them:
// start, ticks at chosen positions, and a natural or canceled end, on views
// in an open headless frame.

#include "lib/animation/animations.h"

#include "lib/animation/animator.h"
#include "lib/animation/timingfunctions.h"

#include "lib/iviewlistener.h"
#include "tests/support/controlframe.h"
#include "tests/support/recording.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace Kavrin::Animation;
using ::testing::Contains;

constexpr const char* kName = "animation";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

class AnimationTargetTest : public ControlFrameTest
{
protected:
	// A view on the page, owned by the page.
	template <typename View>
	View* place(View* view)
	{
		page->addView(view);
		return view;
	}

	static void tick(IAnimationTarget& target, CView* view, std::initializer_list<float> positions)
	{
		for (float pos : positions)
			target.animationTick(view, kName, pos);
	}

	// Where a view in the page shows in the window.
	static CRect inFrame(CRect rect) { return rect.offset(kPageRect.left, kPageRect.top); }
};

using HeldTarget = std::shared_ptr<IAnimationTarget>;

// Released at the end, as an animation releases its target.
template <typename Target>
HeldTarget held(Target* target)
{
	return HeldTarget(target, [](Target* t) { t->forget(); });
}

// A view target seen through the state it changes, with a start state and
// a half-way state and end state that are exact in floating point.
struct ValueTarget
{
	const char* name;
	std::function<CView*()> makeView;
	std::function<HeldTarget(bool forceEndValueOnFinish)> makeTarget;
	std::function<std::vector<double>(CView*)> state;
	std::vector<double> atStart;
	std::vector<double> halfWay;
	std::vector<double> atEnd;
};

std::vector<ValueTarget> valueTargets()
{
	return {
	    {"alpha", [] { return new CView(CRect(0, 0, 40, 20)); },
	     [](bool force) { return held(new AlphaValueAnimation(0.25f, force)); },
	     [](CView* view) { return std::vector<double> {view->getAlphaValue()}; }, {1.}, {0.625}, {0.25}},
	    {"size",
	     [] { return new CView(CRect(0, 0, 40, 20)); },
	     [](bool force) { return held(new ViewSizeAnimation(CRect(20, 10, 100, 60), force)); },
	     [](CView* view) {
		     const CRect r = view->getViewSize();
		     return std::vector<double> {r.left, r.top, r.right, r.bottom};
	     },
	     {0., 0., 40., 20.},
	     {10., 5., 70., 40.},
	     {20., 10., 100., 60.}},
	    {"control value", [] { return new RecordingControl(CRect(0, 0, 40, 20)); },
	     [](bool force) { return held(new ControlValueAnimation(0.5f, force)); },
	     [](CView* view) { return std::vector<double> {static_cast<CControl*>(view)->getValue()}; }, {0.}, {0.25},
	     {0.5}},
	};
}

// ---- The three value targets ----

TEST_F(AnimationTargetTest, ValueTargetsReachTheirEndValueUnlessCanceledWithoutForce)
{
	struct Ending
	{
		const char* name;
		bool wasCanceled;
		bool forceEndValueOnFinish;
		bool reachesEnd;
	};
	const Ending endings[] = {
	    {"natural end", false, false, true},
	    {"natural end, forced", false, true, true},
	    {"canceled", true, false, false},
	    {"canceled, forced", true, true, true},
	};
	for (const auto& target : valueTargets())
	{
		for (const auto& ending : endings)
		{
			SCOPED_TRACE(std::string(target.name) + ": " + ending.name);
			CView* view = place(target.makeView());
			auto animation = target.makeTarget(ending.forceEndValueOnFinish);
			ASSERT_EQ(target.state(view), target.atStart);
			animation->animationStart(view, kName);
			tick(*animation, view, {0.5f});
			EXPECT_EQ(target.state(view), target.halfWay);
			animation->animationFinished(view, kName, ending.wasCanceled);
			EXPECT_EQ(target.state(view), ending.reachesEnd ? target.atEnd : target.halfWay);
		}
	}
}

// A timing function of length 0 divides by zero: its positions are no
// numbers, which no alpha value, control value or coordinate may take on.
TEST_F(AnimationTargetTest, ValueTargetsIgnorePositionsThatAreNoFiniteNumber)
{
	for (const auto& target : valueTargets())
	{
		for (float pos : {kNaN, kInfinity, -kInfinity})
		{
			SCOPED_TRACE(std::string(target.name) + " at " + std::to_string(pos));
			CView* view = place(target.makeView());
			auto animation = target.makeTarget(false);
			animation->animationStart(view, kName);
			tick(*animation, view, {0.5f, pos});
			EXPECT_EQ(target.state(view), target.halfWay);
			animation->animationFinished(view, kName, false);
			EXPECT_EQ(target.state(view), target.atEnd);
		}
	}
}

// ---- AlphaValueAnimation ----

TEST_F(AnimationTargetTest, AlphaValueRunsFromTheAlphaTheViewHasAtTheStart)
{
	struct Case
	{
		const char* name;
		float alphaAtStart;
		float endValue;
		float pos;
		float expected;
	};
	const Case cases[] = {
	    {"at the start", 1.f, 0.f, 0.f, 1.f},
	    {"half way out", 1.f, 0.f, 0.5f, 0.5f},
	    {"a quarter in from 0.2", 0.2f, 1.f, 0.25f, 0.4f},
	    {"at the end", 0.2f, 1.f, 1.f, 1.f},
	    {"past the end", 0.f, 0.8f, 1.25f, 1.f},
	    {"before the start", 0.5f, 1.f, -0.5f, 0.25f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CView* view = place(new CView(CRect(0, 0, 40, 20)));
		auto animation = owned(new AlphaValueAnimation(c.endValue, false));
		// The start value is read when the animation starts, not before.
		view->setAlphaValue(c.alphaAtStart);
		animation->animationStart(view, kName);
		tick(*animation, view, {c.pos});
		EXPECT_FLOAT_EQ(view->getAlphaValue(), c.expected);
	}
}

TEST_F(AnimationTargetTest, AlphaValueTickRedrawsTheView)
{
	CView* view = place(new CView(CRect(20, 30, 60, 50)));
	auto animation = owned(new AlphaValueAnimation(0.f, false));
	animation->animationStart(view, kName);
	window->invalidRects.clear();
	tick(*animation, view, {0.5f});
	EXPECT_THAT(window->invalidRects, Contains(inFrame(view->getViewSize())));
}

// ---- ViewSizeAnimation ----

TEST_F(AnimationTargetTest, ViewSizeEdgesAreTruncatedTowardZero)
{
	struct Case
	{
		const char* name;
		CRect from;
		CRect to;
		float pos;
		CRect expected;
	};
	const Case cases[] = {
	    {"half way", {0, 0, 40, 20}, {20, 10, 100, 60}, 0.5f, {10, 5, 70, 40}},
	    {"fractions drop when growing", {0, 0, 10, 10}, {10, 10, 20, 30}, 0.33f, {3, 3, 13, 16}},
	    {"fractions drop when shrinking", {0, 0, 100, 50}, {0, 0, 51, 20}, 0.25f, {0, 0, 87, 42}},
	    {"below zero they rise", {0, 0, 100, 50}, {-10, -30, 51, 50}, 0.25f, {-2, -7, 87, 50}},
	    {"past the end", {0, 0, 10, 10}, {20, 0, 30, 10}, 1.5f, {30, 0, 40, 10}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CView* view = place(new CView(c.from));
		auto animation = owned(new ViewSizeAnimation(c.to, false));
		animation->animationStart(view, kName);
		tick(*animation, view, {c.pos});
		EXPECT_EQ(view->getViewSize(), c.expected);
		EXPECT_EQ(view->getMouseableArea(), c.expected);
	}
}

TEST_F(AnimationTargetTest, ViewSizeStartsFromTheSizeAtTheStart)
{
	CView* view = place(new CView(CRect(0, 0, 10, 10)));
	auto animation = owned(new ViewSizeAnimation(CRect(100, 0, 110, 10), false));
	view->setViewSize(CRect(50, 0, 60, 10));
	animation->animationStart(view, kName);
	tick(*animation, view, {0.5f});
	EXPECT_EQ(view->getViewSize(), CRect(75, 0, 85, 10));
}

// The view is redrawn where it was and where it is now; a tick that lands
// on the same whole units redraws nothing.
TEST_F(AnimationTargetTest, ViewSizeRedrawsOnlyWhenTheRectChanges)
{
	const CRect from(20, 30, 60, 50);
	CView* view = place(new CView(from));
	auto animation = owned(new ViewSizeAnimation(CRect(24, 30, 64, 50), false));
	animation->animationStart(view, kName);
	window->invalidRects.clear();
	tick(*animation, view, {0.1f, 0.2f});
	EXPECT_TRUE(window->invalidRects.empty());

	tick(*animation, view, {0.5f});
	EXPECT_THAT(window->invalidRects, Contains(inFrame(from)));
	EXPECT_THAT(window->invalidRects, Contains(inFrame(CRect(22, 30, 62, 50))));
}

// ---- ControlValueAnimation ----

TEST_F(AnimationTargetTest, ControlValueIsClampedByTheControlAndRedrawsIt)
{
	auto* control = place(new RecordingControl(CRect(20, 30, 60, 50)));
	control->setValue(0.25f);
	auto animation = owned(new ControlValueAnimation(2.f, false));
	animation->animationStart(control, kName);
	window->invalidRects.clear();
	tick(*animation, control, {0.25f});
	EXPECT_FLOAT_EQ(control->getValue(), 0.6875f);
	EXPECT_THAT(window->invalidRects, Contains(inFrame(control->getViewSize())));
	tick(*animation, control, {1.f});
	EXPECT_EQ(control->getValue(), 1.f);
}

// Anything may be animated under a name; a control value on a view that
// is no control changes nothing about it.
TEST_F(AnimationTargetTest, ControlValueLeavesAViewThatIsNoControlAlone)
{
	const CRect rect(20, 30, 60, 50);
	CView* view = place(new CView(rect));
	auto animation = owned(new ControlValueAnimation(1.f, true));
	animation->animationStart(view, kName);
	tick(*animation, view, {0.5f, 1.f});
	animation->animationFinished(view, kName, true);
	EXPECT_EQ(view->getViewSize(), rect);
	EXPECT_EQ(view->getAlphaValue(), 1.f);
}

// ---- ExchangeViewAnimation ----

// The old view fills D = (20, 30, 120, 90), 100 x 60; the new one is
// 80 x 40 at (5, 7), and keeps that size and its other coordinate.
constexpr CRect kDestination(20, 30, 120, 90);
constexpr CRect kNewViewRect(5, 7, 85, 47);

class ExchangeViewTest : public AnimationTargetTest
{
protected:
	ExchangeViewTest() { arrange(); }

	// The old view on the page, the new one in no container.
	void arrange()
	{
		oldView = place(new CView(kDestination));
		newView = owned(new CView(kNewViewRect));
	}

	SharedPointer<ExchangeViewAnimation> exchange(ExchangeViewAnimation::AnimationStyle style)
	{
		return exchange(oldView, style);
	}
	SharedPointer<ExchangeViewAnimation> exchange(CView* old, ExchangeViewAnimation::AnimationStyle style)
	{
		// A new view in no container is handed over with a reference of
		// its own, as to a container.
		if (newView && !newView->isSubview())
			newView->remember();
		return owned(new ExchangeViewAnimation(old, newView, style));
	}

	// The test's own references, beside the page's.
	SharedPointer<CView> oldView;
	SharedPointer<CView> newView;
};

TEST_F(ExchangeViewTest, PushStylesMoveTheViewsAsTheStyleSays)
{
	using Style = ExchangeViewAnimation::AnimationStyle;
	struct Case
	{
		Style style;
		CRect newAtStart;
		CRect newAtAQuarter;
		CRect oldAtAQuarter;
		CRect newAtEnd;
	};
	const Case cases[] = {
	    {ExchangeViewAnimation::kPushInFromLeft, {-60, 7, 20, 47}, {-40, 7, 40, 47}, kDestination, {20, 7, 100, 47}},
	    {ExchangeViewAnimation::kPushInFromRight, {120, 7, 200, 47}, {100, 7, 180, 47}, kDestination, {40, 7, 120, 47}},
	    {ExchangeViewAnimation::kPushInFromTop, {5, -10, 85, 30}, {5, 0, 85, 40}, kDestination, {5, 30, 85, 70}},
	    {ExchangeViewAnimation::kPushInFromBottom, {5, 90, 85, 130}, {5, 80, 85, 120}, kDestination, {5, 50, 85, 90}},
	    {ExchangeViewAnimation::kPushInOutFromLeft, {-60, 7, 20, 47}, {-40, 7, 40, 47}, {45, 30, 145, 90},
	     {20, 7, 100, 47}},
	    {ExchangeViewAnimation::kPushInOutFromRight, {120, 7, 200, 47}, {100, 7, 180, 47}, {-5, 30, 95, 90},
	     {40, 7, 120, 47}},
	};
	for (const auto& c : cases)
	{
		for (bool canceled : {false, true})
		{
			SCOPED_TRACE("style " + std::to_string(int(c.style)) + (canceled ? ", canceled" : ""));
			reopenFrame();
			arrange();
			auto animation = exchange(c.style);
			EXPECT_TRUE(page->isChild(newView));
			EXPECT_TRUE(newView->isAttached());
			EXPECT_EQ(newView->getViewSize(), c.newAtStart);
			EXPECT_EQ(newView->getMouseableArea(), c.newAtStart);
			EXPECT_EQ(oldView->getViewSize(), kDestination);

			animation->animationStart(page, kName);
			tick(*animation, page, {0.25f});
			EXPECT_EQ(newView->getViewSize(), c.newAtAQuarter);
			EXPECT_EQ(oldView->getViewSize(), c.oldAtAQuarter);
			EXPECT_EQ(oldView->getMouseableArea(), c.oldAtAQuarter);

			// Wherever the last tick left them, the end puts the new view
			// in its place and takes the old one out.
			animation->animationFinished(page, kName, canceled);
			EXPECT_EQ(newView->getViewSize(), c.newAtEnd);
			EXPECT_EQ(newView->getMouseableArea(), c.newAtEnd);
			EXPECT_TRUE(page->isChild(newView));
			EXPECT_FALSE(page->isChild(oldView));
			EXPECT_FALSE(oldView->isAttached());
			animation = nullptr;
			EXPECT_EQ(oldView->getNbReference(), 1);
		}
	}
}

TEST_F(ExchangeViewTest, PositionsThatAreNoFiniteNumberMoveNothing)
{
	for (float pos : {kNaN, kInfinity, -kInfinity})
	{
		SCOPED_TRACE(pos);
		reopenFrame();
		arrange();
		auto animation = exchange(ExchangeViewAnimation::kPushInOutFromRight);
		animation->animationStart(page, kName);
		tick(*animation, page, {0.25f, pos});
		EXPECT_EQ(newView->getViewSize(), CRect(100, 7, 180, 47));
		EXPECT_EQ(oldView->getViewSize(), CRect(-5, 30, 95, 90));

		arrange();
		auto fade = exchange(ExchangeViewAnimation::kAlphaValueFade);
		tick(*fade, page, {0.25f, pos});
		EXPECT_FLOAT_EQ(newView->getAlphaValue(), 0.25f);
		EXPECT_FLOAT_EQ(oldView->getAlphaValue(), 0.75f);
	}
}

TEST_F(ExchangeViewTest, FadeCrossesTheAlphaValues)
{
	oldView->setAlphaValue(0.8f);
	newView->setAlphaValue(0.5f);
	auto animation = exchange(ExchangeViewAnimation::kAlphaValueFade);
	EXPECT_EQ(newView->getAlphaValue(), 0.f);
	EXPECT_EQ(oldView->getAlphaValue(), 0.8f);

	animation->animationStart(page, kName);
	tick(*animation, page, {0.25f});
	EXPECT_FLOAT_EQ(oldView->getAlphaValue(), 0.6f);
	EXPECT_FLOAT_EQ(newView->getAlphaValue(), 0.125f);

	animation->animationFinished(page, kName, false);
	EXPECT_EQ(oldView->getAlphaValue(), 0.f);
	EXPECT_EQ(newView->getAlphaValue(), 0.5f);
	EXPECT_EQ(newView->getViewSize(), kNewViewRect);
	EXPECT_EQ(oldView->getViewSize(), kDestination);
	EXPECT_FALSE(page->isChild(oldView));
	EXPECT_TRUE(page->isChild(newView));
}

TEST_F(ExchangeViewTest, MisplacedViewsAreReportedAndExchangeNothing)
{
	struct Case
	{
		const char* name;
		std::function<void()> misplace;
		std::vector<std::string> lines;
	};
	const Case cases[] = {
	    {"new view already attached", [this] { place(newView.get())->remember(); }, {"107"}},
	    {"old view detached", [this] { page->removeView(oldView); }, {"108"}},
	    {"new view attached, old view detached",
	     [this] {
		     place(newView.get())->remember();
		     page->removeView(oldView);
	     },
	     {"107", "108"}},
	    {"the same view twice", [this] { newView = oldView; }, {"107"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		arrange();
		c.misplace();
		const bool newViewWasInPage = page->isChild(newView);
		const bool oldViewWasInPage = page->isChild(oldView);
		AssertionRecorder assertions;
		auto animation = exchange(ExchangeViewAnimation::kPushInOutFromLeft);
		std::vector<std::string> lines;
		for (const auto& report : assertions.reports)
		{
			EXPECT_EQ(report.file, "lib/animation/animations");
			lines.push_back(report.line);
		}
		EXPECT_EQ(lines, c.lines);

		animation->animationStart(page, kName);
		tick(*animation, page, {0.5f});
		animation->animationFinished(page, kName, false);
		EXPECT_EQ(page->isChild(newView), newViewWasInPage);
		EXPECT_EQ(page->isChild(oldView), oldViewWasInPage);
		EXPECT_EQ(newView->getViewSize(), newView == oldView ? kDestination : kNewViewRect);
		EXPECT_EQ(oldView->getViewSize(), kDestination);
	}
}

TEST_F(ExchangeViewTest, ANullViewIsReportedAndExchangesNothing)
{
	AssertionRecorder assertions;
	auto withoutOld = exchange(nullptr, ExchangeViewAnimation::kPushInFromLeft);
	auto withoutNew = owned(new ExchangeViewAnimation(oldView, nullptr, ExchangeViewAnimation::kPushInFromLeft));
	EXPECT_TRUE(assertions.has("lib/animation/animations", "108"));
	for (auto* animation : {withoutOld.get(), withoutNew.get()})
	{
		animation->animationStart(page, kName);
		tick(*animation, page, {0.5f});
		animation->animationFinished(page, kName, false);
	}
	EXPECT_TRUE(page->isChild(oldView));
	EXPECT_EQ(oldView->getViewSize(), kDestination);
	EXPECT_EQ(newView->getViewSize(), kNewViewRect);
}

// Calls back when a view's size changes, once armed.
class SizeListener : public ViewListenerAdapter
{
public:
	void viewSizeChanged(CView* view, const CRect&) override
	{
		if (auto action = std::exchange(onSizeChanged, nullptr))
			action(view);
	}
	std::function<void(CView*)> onSizeChanged;
};

// Before the end, or during its last moves, a listener takes a view out,
// moves it elsewhere or puts it back; or the page goes. The old view leaves
// only the page it was exchanged in, and once it has left that page it is
// no longer moved; the new view still reaches its place.
TEST_F(ExchangeViewTest, TheOldViewLeavesOnlyThePlaceItHadInTheExchange)
{
	enum Where
	{
		kNowhere,
		kInPage,
		kInOther,
	};
	struct Case
	{
		const char* name;
		std::function<void(CViewContainer* other)> interfere;
		bool duringTheLastMove;
		Where oldViewEndsIn;
		CRect oldViewRectAtEnd;
		bool newViewStaysInPage {true};
	};
	const CRect pushedOut = CRect(kDestination).offset(-100, 0);
	const CRect quarterOut = CRect(kDestination).offset(-25, 0);
	auto removeOld = [this](CViewContainer*) { page->removeView(oldView); };
	auto moveOld = [this](CViewContainer* other) {
		page->removeView(oldView, false);
		other->addView(oldView);
	};
	auto putBackOld = [this](CViewContainer*) {
		page->removeView(oldView, false);
		page->addView(oldView);
	};
	auto dropPage = [this](CViewContainer*) { frame->removeView(page); };
	auto removeNew = [this](CViewContainer*) { page->removeView(newView); };
	const Case cases[] = {
	    {"old view removed", removeOld, false, kNowhere, quarterOut},
	    {"old view moved to another container", moveOld, false, kInOther, quarterOut},
	    {"old view removed and put back", putBackOld, false, kNowhere, pushedOut},
	    {"page removed from the frame and released", dropPage, false, kNowhere, pushedOut},
	    {"old view removed during the last move", removeOld, true, kNowhere, pushedOut},
	    {"old view moved during the last move", moveOld, true, kInOther, pushedOut},
	    {"new view removed", removeNew, false, kNowhere, pushedOut, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto* other = new CViewContainer(CRect(0, 0, 300, 10));
		frame->addView(other);
		arrange();
		SharedPointer<CViewContainer> pageHeld = page;
		auto animation = exchange(ExchangeViewAnimation::kPushInOutFromRight);
		animation->animationStart(page, kName);
		tick(*animation, page, {0.25f});
		SizeListener listener;
		oldView->registerViewListener(&listener);
		if (c.duringTheLastMove)
			listener.onSizeChanged = [&](CView*) { c.interfere(other); };
		else
			c.interfere(other);

		animation->animationFinished(page, kName, false);
		oldView->unregisterViewListener(&listener);
		EXPECT_TRUE(listener.onSizeChanged == nullptr);
		EXPECT_EQ(page->isChild(oldView), c.oldViewEndsIn == kInPage);
		EXPECT_EQ(other->isChild(oldView), c.oldViewEndsIn == kInOther);
		EXPECT_EQ(oldView->getViewSize(), c.oldViewRectAtEnd);
		EXPECT_EQ(newView->getViewSize(), CRect(40, 7, 120, 47));
		EXPECT_EQ(page->isChild(newView), c.newViewStaysInPage);
		animation = nullptr;
		// Ours, and the list's and the creator's in the other container.
		EXPECT_EQ(oldView->getNbReference(), c.oldViewEndsIn == kNowhere ? 1 : 3);
	}
}

TEST_F(AnimationTargetTest, UpdateViewSizeRedrawsTheOldAndTheNewPlace)
{
	const CRect from(20, 30, 60, 50);
	const CRect to(100, 40, 150, 90);
	CView* view = place(new CView(from));
	window->invalidRects.clear();
	ExchangeViewAnimation::updateViewSize(view, to);
	EXPECT_EQ(view->getViewSize(), to);
	EXPECT_EQ(view->getMouseableArea(), to);
	EXPECT_THAT(window->invalidRects, Contains(inFrame(from)));
	EXPECT_THAT(window->invalidRects, Contains(inFrame(to)));
}

// ---- Run by the frame's animator on the virtual clock ----

// A solid panel: over the black frame, its red channel shows its alpha.
CViewContainer* panel(const CRect& rect, const CColor& color)
{
	auto view = new CViewContainer(rect);
	view->setBackgroundColor(color);
	return view;
}

class AnimatedFrameTest : public ExchangeViewTest
{
protected:
	// The animation timer's interval: each step is one tick.
	void step(int ticks = 1) { platform->advance(ticks * Detail::Timer::kInterval); }

	// The red channel the window shows at a point of the page, painted now.
	int redAt(CPoint inPage)
	{
		paint();
		return pixel(inPage + kPageRect.getTopLeft()).red;
	}
};

// A linear fade of 160 ms: started on the first tick, then a tenth further
// on each tick, and drawn so. At its end the view is at its end value, the
// notification has run and no animation timer is left.
TEST_F(AnimatedFrameTest, AFadeReachesTheWindowTickByTick)
{
	const size_t timersBefore = platform->getRunningTimerCount();
	CView* view = place(panel(CRect(20, 30, 60, 50), kWhiteCColor));
	const CPoint inside(40, 40);
	int notified = 0;
	view->addAnimation("fade", new AlphaValueAnimation(0.f, false), new LinearTimingFunction(160),
	                   [&](CView*, const char*, IAnimationTarget*) { ++notified; });
	step();
	EXPECT_EQ(view->getAlphaValue(), 1.f);
	EXPECT_EQ(redAt(inside), 255);
	for (int tick = 1; tick < 10; ++tick)
	{
		SCOPED_TRACE(tick);
		step();
		const float alpha = 1.f - 0.1f * float(tick);
		EXPECT_NEAR(view->getAlphaValue(), alpha, 1e-6);
		EXPECT_NEAR(redAt(inside), 255. * alpha, 1.5);
	}
	EXPECT_EQ(notified, 0);
	step();
	EXPECT_EQ(view->getAlphaValue(), 0.f);
	EXPECT_EQ(redAt(inside), 0);
	EXPECT_EQ(notified, 1);
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
}

TEST_F(AnimatedFrameTest, ARemovedFadeStopsWhereItWasUnlessForced)
{
	struct Case
	{
		const char* name;
		bool forceEndValueOnFinish;
		bool removeAll;
		float expected;
	};
	const Case cases[] = {
	    {"removed by name", false, false, 0.6f},
	    {"removed by name, forced", true, false, 0.f},
	    {"all removed", false, true, 0.6f},
	    {"all removed, forced", true, true, 0.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CView* view = place(panel(CRect(20, 30, 60, 50), kWhiteCColor));
		view->addAnimation("fade", new AlphaValueAnimation(0.f, c.forceEndValueOnFinish),
		                   new LinearTimingFunction(160));
		step(5);
		if (c.removeAll)
			view->removeAllAnimations();
		else
			view->removeAnimation("fade");
		step(10);
		EXPECT_NEAR(view->getAlphaValue(), c.expected, 1e-6);
		EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	}
}

// The new view slides in from the left over the old one: half way, each
// fills half of the old view's place; at the end the new view fills it and
// the old one is gone from the page and released.
TEST_F(AnimatedFrameTest, AnExchangeSlidesTheNewViewOverTheOldOne)
{
	oldView = place(panel(kDestination, kRedCColor));
	newView = owned(panel(CRect(0, 30, 100, 90), kWhiteCColor));
	newView->remember();
	page->addAnimation("exchange",
	                   new ExchangeViewAnimation(oldView, newView, ExchangeViewAnimation::kPushInFromLeft),
	                   new LinearTimingFunction(64));
	const CPoint leftHalf(40, 60);
	const CPoint rightHalf(100, 60);
	step(3);
	EXPECT_EQ(newView->getViewSize(), CRect(-30, 30, 70, 90));
	EXPECT_EQ(redAt(leftHalf), 255);
	EXPECT_EQ(pixel(leftHalf + kPageRect.getTopLeft()), kWhiteCColor);
	EXPECT_EQ(pixel(rightHalf + kPageRect.getTopLeft()), kRedCColor);

	step(2);
	EXPECT_EQ(newView->getViewSize(), kDestination);
	EXPECT_FALSE(page->isChild(oldView));
	EXPECT_EQ(oldView->getNbReference(), 1);
	EXPECT_EQ(redAt(rightHalf), 255);
	EXPECT_EQ(pixel(rightHalf + kPageRect.getTopLeft()), kWhiteCColor);
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
}

// Closing the frame ends its animations: an exchange under way ends as a
// canceled one does, while the page is being taken down.
TEST_F(AnimatedFrameTest, ClosingTheFrameEndsAnExchangeUnderWay)
{
	newView->remember();
	page->addAnimation("exchange",
	                   new ExchangeViewAnimation(oldView, newView, ExchangeViewAnimation::kPushInOutFromRight),
	                   new LinearTimingFunction(160));
	step(3);
	frame->close();
	EXPECT_FALSE(oldView->isAttached());
	EXPECT_FALSE(newView->isAttached());
	EXPECT_EQ(oldView->getNbReference(), 1);
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	step(10);
	openFrame();
}

// The page of an exchange run on the frame is taken out and released half
// way: the exchange goes on in it to its end, and everything is released.
TEST_F(AnimatedFrameTest, AnExchangeOutlivesThePageItTookPlaceIn)
{
	SharedPointer<CViewContainer> pageHeld = page;
	newView->remember();
	frame->addAnimation("exchange",
	                    new ExchangeViewAnimation(oldView, newView, ExchangeViewAnimation::kPushInOutFromRight),
	                    new LinearTimingFunction(64));
	step(3);
	frame->removeView(page);
	step(2);
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
	EXPECT_FALSE(pageHeld->isChild(oldView));
	EXPECT_TRUE(pageHeld->isChild(newView));
	EXPECT_EQ(newView->getViewSize(), CRect(40, 7, 120, 47));
	EXPECT_EQ(oldView->getNbReference(), 1);
}

} // namespace
} // namespace Kavrin::Test
