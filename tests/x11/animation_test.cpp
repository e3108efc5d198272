// A fade run by the animation timer in a real X11 window: the window's
// pixels follow the view's alpha value, at states the test holds the
// animation in and at the natural end of a timed one.

#include "lib/animation/animations.h"
#include "lib/animation/animator.h"
#include "lib/animation/timingfunctions.h"
#include "lib/cviewcontainer.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace Kavrin::Test {
namespace {

using namespace Kavrin::Animation;

// Where a timing function stands; the test moves it.
struct Hold
{
	float position {0.f};
	bool done {false};
};

// A timing function that stays where the test holds it, however much time
// passes, and ends when the test says.
class HeldTimingFunction : public ITimingFunction
{
public:
	explicit HeldTimingFunction(std::shared_ptr<Hold> hold) : hold(std::move(hold)) {}
	float getPosition(uint32) override { return hold->position; }
	bool isDone(uint32) override { return hold->done; }

private:
	std::shared_ptr<Hold> hold;
};

// A white panel in the middle of a black frame: the window shows the
// panel's alpha value as a grey of 255 times the alpha in each channel.
class X11AnimationTest : public X11WindowTest
{
protected:
	static constexpr int16 kSampleX = 150;
	static constexpr int16 kSampleY = 100;

	void SetUp() override
	{
		X11WindowTest::SetUp();
		frame->setBackgroundColor(kBlackCColor);
		fading = new CViewContainer(CRect(100, 50, 200, 150));
		fading->setBackgroundColor(kWhiteCColor);
		frame->addView(fading);
	}

	xcb_window_t window() const
	{
		return xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}

	static uint32 grey(float alpha)
	{
		const auto channel = uint32(std::lround(255.f * alpha));
		return (channel << 16) | (channel << 8) | channel;
	}
	static bool isNear(uint32 pixel, uint32 expected)
	{
		for (int shift : {0, 8, 16})
		{
			const int a = int((pixel >> shift) & 0xFF);
			const int b = int((expected >> shift) & 0xFF);
			if (std::abs(a - b) > 2)
				return false;
		}
		return true;
	}
	// Runs the loop until the window shows the panel at that alpha value.
	::testing::AssertionResult showsAlpha(float alpha)
	{
		uint32 pixel = 0;
		if (pumpUntil([&] { return isNear(pixel = windowPixel(window(), kSampleX, kSampleY), grey(alpha)); }))
			return ::testing::AssertionSuccess();
		char text[64];
		std::snprintf(text, sizeof text, "shows %06x, not %06x", pixel, grey(alpha));
		return ::testing::AssertionFailure() << text;
	}

	CViewContainer* fading {nullptr};
	int finished {0};
	DoneFunction countFinished {[this](CView*, const char*, IAnimationTarget*) { ++finished; }};
};

// Each state the animation is held in reaches the window; once let go, it
// ends at its end value, drawn so, and the animation timer goes.
TEST_F(X11AnimationTest, HeldStatesOfAFadeReachTheWindow)
{
	open();
	ASSERT_TRUE(showsAlpha(1.f));
	auto hold = std::make_shared<Hold>();
	fading->addAnimation("fade", new AlphaValueAnimation(0.2f, false), new HeldTimingFunction(hold), countFinished);

	const struct
	{
		float position;
		float alpha;
	} states[] = {{0.25f, 0.8f}, {0.5f, 0.6f}, {0.75f, 0.4f}};
	for (const auto& state : states)
	{
		SCOPED_TRACE(state.position);
		hold->position = state.position;
		ASSERT_TRUE(pumpUntil([&] { return std::abs(fading->getAlphaValue() - state.alpha) < 1e-6f; }));
		EXPECT_TRUE(showsAlpha(state.alpha));
	}

	hold->position = 1.f;
	hold->done = true;
	ASSERT_TRUE(pumpUntil([&] { return finished == 1; }));
	EXPECT_EQ(fading->getAlphaValue(), 0.2f);
	EXPECT_TRUE(showsAlpha(0.2f));
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
}

TEST_F(X11AnimationTest, ATimedFadeEndsOnTheWindow)
{
	open();
	ASSERT_TRUE(showsAlpha(1.f));
	fading->addAnimation("fade", new AlphaValueAnimation(0.4f, false), new LinearTimingFunction(300),
	                     countFinished);
	ASSERT_TRUE(pumpUntil([&] { return finished == 1; }, 5000));
	EXPECT_EQ(fading->getAlphaValue(), 0.4f);
	EXPECT_TRUE(showsAlpha(0.4f));
	EXPECT_EQ(Detail::Timer::gInstance, nullptr);
}

} // namespace
} // namespace Kavrin::Test
