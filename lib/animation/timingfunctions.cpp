#include "lib/animation/timingfunctions.h"

#include "lib/animation/ownership.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Kavrin::Animation {

namespace {

constexpr float kEndPosition = 1.f;

// Targets multiply by the position: a NaN or an infinity would reach the
// views' sizes and alpha values.
float finiteOrEnd(float pos)
{
	return std::isfinite(pos) ? pos : kEndPosition;
}

float fractionOf(uint32 milliseconds, uint32 length)
{
	return static_cast<float>(milliseconds) / static_cast<float>(length);
}

} // namespace

// ---- Linear and power ----

float LinearTimingFunction::getPosition(uint32 milliseconds)
{
	if (length == 0)
		return kEndPosition;
	return std::min(1.f, fractionOf(milliseconds, length));
}

float PowerTimingFunction::getPosition(uint32 milliseconds)
{
	if (length == 0)
		return kEndPosition;
	float pos = std::pow(fractionOf(milliseconds, length), factor);
	return finiteOrEnd(std::clamp(pos, 0.f, 1.f));
}

// ---- Interpolation ----

InterpolationTimingFunction::InterpolationTimingFunction(uint32 length, float startPos, float endPos)
: TimingFunctionBase(length)
{
	points[0] = startPos;
	// With a length of 0 both ends share one time: the end wins.
	points[length] = endPos;
}

void InterpolationTimingFunction::addPoint(float time, float pos)
{
	if (!std::isfinite(time) || !std::isfinite(pos))
		return;
	// In float, as callers give their times: 0.90909094 of 1100 is 1000.
	float milliseconds = std::clamp(time, 0.f, 1.f) * static_cast<float>(length);
	auto key = static_cast<uint32>(std::min(milliseconds, static_cast<float>(length)));
	points[key] = pos;
}

float InterpolationTimingFunction::getPosition(uint32 milliseconds)
{
	points.try_emplace(length, 0.f);
	// Walking down from the latest point, (after, afterPos) is the point
	// that follows the one looked at.
	uint32 after = length;
	float afterPos = points[length];
	for (auto it = points.rbegin(); it != points.rend(); ++it)
	{
		const auto [time, pos] = *it;
		if (milliseconds == time)
			return finiteOrEnd(pos);
		if (time <= milliseconds && milliseconds < after)
		{
			float progress = fractionOf(milliseconds - time, after - time);
			return finiteOrEnd(pos + (afterPos - pos) * progress);
		}
		after = time;
		afterPos = pos;
	}
	return kEndPosition;
}

// ---- Cubic Bezier ----

CubicBezierTimingFunction::CubicBezierTimingFunction(uint32 length, const CPoint& p1, const CPoint& p2)
: TimingFunctionBase(length), p1(p1), p2(p2)
{
}

CubicBezierTimingFunction* CubicBezierTimingFunction::easy(uint32 length)
{
	return new CubicBezierTimingFunction(length, CPoint(0.25, 0.1), CPoint(0.25, 1.0));
}

CubicBezierTimingFunction* CubicBezierTimingFunction::easyIn(uint32 length)
{
	return new CubicBezierTimingFunction(length, CPoint(0.42, 0.0), CPoint(1.0, 1.0));
}

CubicBezierTimingFunction* CubicBezierTimingFunction::easyOut(uint32 length)
{
	return new CubicBezierTimingFunction(length, CPoint(0.0, 0.0), CPoint(0.58, 1.0));
}

CubicBezierTimingFunction* CubicBezierTimingFunction::easyInOut(uint32 length)
{
	return new CubicBezierTimingFunction(length, CPoint(0.42, 0.0), CPoint(0.58, 1.0));
}

CPoint CubicBezierTimingFunction::lerp(const CPoint& a, const CPoint& b, float t)
{
	return CPoint(a.x * (1. - t) + b.x * t, a.y * (1. - t) + b.y * t);
}

float CubicBezierTimingFunction::getPosition(uint32 milliseconds)
{
	if (length == 0)
		return kEndPosition;
	const double t = fractionOf(milliseconds, length);
	const double u = 1. - t;
	const double y = 3. * u * u * t * p1.y + 3. * u * t * t * p2.y + t * t * t;
	return finiteOrEnd(static_cast<float>(y));
}

// ---- Repeat ----

RepeatTimingFunction::RepeatTimingFunction(TimingFunctionBase* tf, int32 repeatCount, bool autoReverse)
: tf(tf), repeatCount(repeatCount), autoReverse(autoReverse)
{
}

RepeatTimingFunction::~RepeatTimingFunction() noexcept
{
	Detail::releaseOwned(tf);
}

uint32 RepeatTimingFunction::withinRun(uint32 milliseconds) const
{
	const uint64 runsBefore = uint64(uint32(runCounter)) * tf->getLength();
	// Asked about a moment before the current run: its start.
	return runsBefore >= milliseconds ? 0 : static_cast<uint32>(milliseconds - runsBefore);
}

float RepeatTimingFunction::getPosition(uint32 milliseconds)
{
	if (!tf)
		return kEndPosition;
	float pos = tf->getPosition(withinRun(milliseconds));
	return isReverse ? 1.f - pos : pos;
}

bool RepeatTimingFunction::isDone(uint32 milliseconds)
{
	if (!tf)
		return true;
	if (!tf->isDone(withinRun(milliseconds)))
		return false;
	// A run of length 0 ends on every call: the count stops short of
	// overflowing instead.
	if (runCounter < std::numeric_limits<int32>::max())
		++runCounter;
	if (autoReverse)
		isReverse = !isReverse;
	// Unsigned, so that a negative count never ends.
	return uint32(runCounter) >= uint32(repeatCount);
}

} // namespace Kavrin::Animation
