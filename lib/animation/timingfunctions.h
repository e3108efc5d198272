#pragma once

#include "lib/animation/itimingfunction.h"
#include "lib/cpoint.h"

#include <map>

namespace Kavrin::Animation {

// Every timing function here answers a finite position: a length of 0 ends
// at once at the end position, and a computation that gives no number (a
// control value that is not finite) reads as the end position 1.

// A timing function that runs for length milliseconds.
class TimingFunctionBase : public ITimingFunction
{
public:
	explicit TimingFunctionBase(uint32 length) : length(length) {}

	uint32 getLength() const { return length; }
	bool isDone(uint32 milliseconds) override { return length <= milliseconds; }

protected:
	uint32 length;
};

// From 0 to 1 in even steps.
class LinearTimingFunction : public TimingFunctionBase
{
public:
	explicit LinearTimingFunction(uint32 length) : TimingFunctionBase(length) {}

	float getPosition(uint32 milliseconds) override;
};

// The linear position raised to factor, kept within [0, 1]: above 1 it
// starts slowly, below 1 quickly.
class PowerTimingFunction : public TimingFunctionBase
{
public:
	PowerTimingFunction(uint32 length, float factor) : TimingFunctionBase(length), factor(factor) {}

	float getPosition(uint32 milliseconds) override;

private:
	float factor;
};

// Straight lines between points of (time, position), from startPos at 0 to
// endPos at the length.
class InterpolationTimingFunction : public TimingFunctionBase
{
public:
	InterpolationTimingFunction(uint32 length, float startPos = 0.f, float endPos = 1.f);

	// time is a fraction of the length; a point at a time already given
	// replaces it. A time outside [0, 1] lands on the nearer end; a point
	// whose time or position is not finite is ignored.
	void addPoint(float time, float pos);

	float getPosition(uint32 milliseconds) override;

private:
	std::map<uint32, float> points;
};

// The y coordinate of the cubic Bezier curve from (0, 0) through p1 and p2 to
// (1, 1), at the parameter milliseconds / length. Only the y coordinates of
// the control points count, and nothing is clamped: control points outside
// [0, 1] overshoot.
class CubicBezierTimingFunction : public TimingFunctionBase
{
public:
	CubicBezierTimingFunction(uint32 length, const CPoint& p1, const CPoint& p2);

	static CubicBezierTimingFunction* easy(uint32 length);
	static CubicBezierTimingFunction* easyIn(uint32 length);
	static CubicBezierTimingFunction* easyOut(uint32 length);
	static CubicBezierTimingFunction* easyInOut(uint32 length);

	static CPoint lerp(const CPoint& a, const CPoint& b, float t);

	float getPosition(uint32 milliseconds) override;

private:
	CPoint p1;
	CPoint p2;
};

// Runs tf (owned) repeatCount times, each run backwards after a forward one
// when autoReverse. A negative count never ends. Without tf it is done at
// once at position 1.
class RepeatTimingFunction : public ITimingFunction
{
public:
	RepeatTimingFunction(TimingFunctionBase* tf, int32 repeatCount, bool autoReverse = false);
	~RepeatTimingFunction() noexcept override;
	RepeatTimingFunction(const RepeatTimingFunction&) = delete;
	RepeatTimingFunction& operator=(const RepeatTimingFunction&) = delete;

	float getPosition(uint32 milliseconds) override;
	bool isDone(uint32 milliseconds) override;

private:
	// The milliseconds into the run now going on.
	uint32 withinRun(uint32 milliseconds) const;

	TimingFunctionBase* tf;
	int32 repeatCount;
	int32 runCounter {0};
	bool autoReverse;
	bool isReverse {false};
};

} // namespace Kavrin::Animation
