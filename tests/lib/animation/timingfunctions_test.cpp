#include "lib/animation/timingfunctions.h"
#include "lib/cbaseobject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace Kavrin::Animation;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::unique_ptr<ITimingFunction> interpolation(uint32 length, std::function<void(InterpolationTimingFunction&)> setUp)
{
	auto tf = std::make_unique<InterpolationTimingFunction>(length);
	setUp(*tf);
	return tf;
}

struct PositionCase
{
	const char* what;
	std::function<std::unique_ptr<ITimingFunction>()> make;
	uint32 milliseconds;
	float pos;
	bool done;
};

TEST(TimingFunctionTest, PositionsAndEndsOfTheStatelessFunctions)
{
	using TF = std::unique_ptr<ITimingFunction>;
	auto linear = [](uint32 length) { return [=] { return TF(new LinearTimingFunction(length)); }; };
	auto power = [](uint32 length, float factor) {
		return [=] { return TF(new PowerTimingFunction(length, factor)); };
	};
	auto cubic = [](uint32 length, double y1, double y2) {
		return [=] { return TF(new CubicBezierTimingFunction(length, CPoint(0.3, y1), CPoint(0.7, y2))); };
	};
	const PositionCase cases[] = {
	    {"linear at its start", linear(200), 0, 0.f, false},
	    {"linear halfway", linear(200), 100, 0.5f, false},
	    {"linear just before its end", linear(200), 199, 0.995f, false},
	    {"linear at its end", linear(200), 200, 1.f, true},
	    {"linear past its end", linear(200), 250, 1.f, true},
	    {"linear of length 0", linear(0), 0, 1.f, true},
	    {"power 2 halfway", power(100, 2.f), 50, 0.25f, false},
	    {"power 0.5 at a quarter", power(100, 0.5f), 25, 0.5f, false},
	    {"power past its end", power(100, 2.f), 200, 1.f, true},
	    {"power with a negative factor at its start", power(100, -1.f), 0, 1.f, false},
	    {"power of length 0", power(0, 2.f), 0, 1.f, true},
	    {"power whose factor is no number", power(100, kNaN), 50, 1.f, false},
	    {"easy halfway", [] { return TF(CubicBezierTimingFunction::easy(200)); }, 100, 0.5375f, false},
	    {"easyIn halfway", [] { return TF(CubicBezierTimingFunction::easyIn(200)); }, 100, 0.5f, false},
	    {"easyOut halfway", [] { return TF(CubicBezierTimingFunction::easyOut(200)); }, 100, 0.5f, false},
	    {"easyInOut halfway", [] { return TF(CubicBezierTimingFunction::easyInOut(200)); }, 100, 0.5f, false},
	    {"easy at its start", [] { return TF(CubicBezierTimingFunction::easy(200)); }, 0, 0.f, false},
	    {"easy at its end", [] { return TF(CubicBezierTimingFunction::easy(200)); }, 200, 1.f, true},
	    {"bezier below 0, unclamped", cubic(100, -1., 2.), 25, -0.125f, false},
	    {"bezier above 1, unclamped", cubic(100, -1., 2.), 75, 1.125f, false},
	    {"bezier of length 0", cubic(0, 0.1, 1.), 0, 1.f, true},
	    {"bezier with a control value that is no number", cubic(100, double(kNaN), 1.), 50, 1.f, false},
	    {"bezier with an infinite control value", cubic(100, double(kInfinity), 1.), 50, 1.f, false},
	    {"interpolation without points", [] { return interpolation(100, [](auto&) {}); }, 50, 0.5f, false},
	    {"interpolation before a point",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(0.5f, 0.8f); }); }, 25, 0.4f, false},
	    {"interpolation at a point",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(0.5f, 0.8f); }); }, 50, 0.8f, false},
	    {"interpolation after a point",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(0.5f, 0.8f); }); }, 75, 0.9f, false},
	    {"interpolation at its end",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(0.5f, 0.8f); }); }, 100, 1.f, true},
	    {"interpolation, a point replaced",
	     [] {
		     return interpolation(100, [](auto& tf) {
			     tf.addPoint(0.5f, 0.8f);
			     tf.addPoint(0.5f, 0.2f);
		     });
	     },
	     50, 0.2f, false},
	    // A scroll bar's fade: it holds still until 1000 ms, then runs to 1.
	    {"interpolation flat until 1000 ms",
	     [] { return interpolation(1100, [](auto& tf) { tf.addPoint(0.90909094f, 0.f); }); }, 1000, 0.f, false},
	    {"interpolation after the flat part",
	     [] { return interpolation(1100, [](auto& tf) { tf.addPoint(0.90909094f, 0.f); }); }, 1050, 0.5f,
	     false},
	    {"interpolation of length 0 ends at its end position",
	     [] { return TF(new InterpolationTimingFunction(0, 0.2f, 0.7f)); }, 0, 0.7f, true},
	    {"interpolation, a point at a time that is no number is ignored",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(kNaN, 0.9f); }); }, 50, 0.5f, false},
	    {"interpolation, a position that is no number is ignored",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(0.5f, kNaN); }); }, 50, 0.5f, false},
	    {"interpolation, a point far past the end lands on the end",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(1e12f, 0.3f); }); }, 100, 0.3f, true},
	    {"interpolation, a point before the start lands on the start",
	     [] { return interpolation(100, [](auto& tf) { tf.addPoint(-1e12f, 0.3f); }); }, 0, 0.3f, false},
	    {"interpolation from a start that is no number",
	     [] { return TF(new InterpolationTimingFunction(100, kNaN, 1.f)); }, 0, 1.f, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		auto tf = c.make();
		EXPECT_NEAR(tf->getPosition(c.milliseconds), c.pos, 1e-6f);
		EXPECT_EQ(tf->isDone(c.milliseconds), c.done);
	}
}

TEST(TimingFunctionTest, LerpMixesBothCoordinates)
{
	EXPECT_EQ(CubicBezierTimingFunction::lerp(CPoint(0, 0), CPoint(10, 20), 0.25f), CPoint(2.5, 5));
	EXPECT_EQ(CubicBezierTimingFunction::lerp(CPoint(4, 8), CPoint(10, 20), 0.f), CPoint(4, 8));
}

// The animator asks for the position and then whether the run is done, once
// per tick, with the milliseconds since the start.
struct RepeatStep
{
	uint32 milliseconds;
	float pos;
	bool done;
};

struct RepeatCase
{
	const char* what;
	std::function<RepeatTimingFunction*()> make;
	std::vector<RepeatStep> steps;
};

TEST(TimingFunctionTest, RepeatRunsItsFunctionAgainAndBackwards)
{
	const RepeatCase cases[] = {
	    {"twice with auto reverse",
	     [] { return new RepeatTimingFunction(new LinearTimingFunction(100), 2, true); },
	     {{0, 0.f, false}, {50, 0.5f, false}, {100, 1.f, false}, {150, 0.5f, false}, {175, 0.25f, false},
	      {200, 0.f, true}}},
	    {"three times forwards",
	     [] { return new RepeatTimingFunction(new LinearTimingFunction(100), 3, false); },
	     {{0, 0.f, false}, {100, 1.f, false}, {150, 0.5f, false}, {200, 1.f, false}, {250, 0.5f, false},
	      {300, 1.f, true}}},
	    {"once",
	     [] { return new RepeatTimingFunction(new LinearTimingFunction(100), 1, true); },
	     {{50, 0.5f, false}, {100, 1.f, true}}},
	    {"runs of length 0 are counted",
	     [] { return new RepeatTimingFunction(new LinearTimingFunction(0), 3, false); },
	     {{0, 1.f, false}, {16, 1.f, false}, {32, 1.f, true}}},
	    {"without a function",
	     [] { return new RepeatTimingFunction(nullptr, 3, false); },
	     {{0, 1.f, true}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		std::unique_ptr<RepeatTimingFunction> tf(c.make());
		for (const auto& step : c.steps)
		{
			SCOPED_TRACE(step.milliseconds);
			EXPECT_NEAR(tf->getPosition(step.milliseconds), step.pos, 1e-6f);
			EXPECT_EQ(tf->isDone(step.milliseconds), step.done);
		}
	}
}

TEST(TimingFunctionTest, RepeatWithANegativeCountNeverEnds)
{
	RepeatTimingFunction tf(new LinearTimingFunction(10), -1, true);
	for (uint32 run = 1; run <= 1000; ++run)
		ASSERT_FALSE(tf.isDone(run * 10)) << run;
}

// A timing function that is also reference counted.
class CountedTimingFunction : public LinearTimingFunction, public CBaseObject
{
public:
	using LinearTimingFunction::LinearTimingFunction;
};

TEST(TimingFunctionTest, RepeatReleasesAReferenceCountedFunction)
{
	auto inner = new CountedTimingFunction(100);
	SharedPointer<CBaseObject> kept = static_cast<CBaseObject*>(inner);
	ASSERT_EQ(inner->getNbReference(), 2);
	delete new RepeatTimingFunction(inner, 2);
	EXPECT_EQ(inner->getNbReference(), 1);
}

} // namespace
} // namespace Kavrin::Test
