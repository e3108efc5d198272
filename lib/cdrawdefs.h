#pragma once

#include "lib/kavrintypes.h"

#include <vector>

namespace Kavrin {

enum CDrawStyle : uint32
{
	kDrawStroked = 0,
	kDrawFilled = 1,
	kDrawFilledAndStroked = 2,
};

// Any value other than left and right is drawn centred.
enum CHoriTxtAlign : int32
{
	kLeftText = 0,
	kCenterText = 1,
	kRightText = 2,
};

enum CDrawModeFlags : uint32
{
	kAliasing = 0,
	kAntiAliasing = 1,
	kNonIntegralMode = 0x10000000,
};

// The low 28 bits hold the mode (aliased or antialiased); bit 28 switches
// integral mode off.
class CDrawMode
{
public:
	constexpr CDrawMode(uint32 mode = kAliasing) : mode(mode) {}

	constexpr uint32 modeIgnoringIntegralMode() const { return mode & ~kNonIntegralMode; }
	constexpr bool integralMode() const { return mode < kNonIntegralMode; }
	constexpr bool antialiasing() const { return (mode & 0x0FFFFFFF) == kAntiAliasing; }
	constexpr uint32 value() const { return mode; }

	constexpr bool operator==(const CDrawMode& other) const { return mode == other.mode; }
	constexpr bool operator!=(const CDrawMode& other) const { return mode != other.mode; }

private:
	uint32 mode;
};

// Dash lengths are in multiples of the line width.
class CLineStyle
{
public:
	enum LineCap : int32
	{
		kLineCapButt = 0,
		kLineCapRound,
		kLineCapSquare,
	};
	enum LineJoin : int32
	{
		kLineJoinMiter = 0,
		kLineJoinRound,
		kLineJoinBevel,
	};
	using DashLengths = std::vector<double>;

	CLineStyle(LineCap cap = kLineCapButt, LineJoin join = kLineJoinMiter, double dashPhase = 0.,
	           uint32 dashCount = 0, const double* dashLengths = nullptr);
	CLineStyle(LineCap cap, LineJoin join, double dashPhase, const DashLengths& dashLengths);
	CLineStyle(LineCap cap, LineJoin join, double dashPhase, DashLengths&& dashLengths);

	bool operator==(const CLineStyle& other) const;
	bool operator!=(const CLineStyle& other) const { return !(*this == other); }

	LineCap getLineCap() const { return cap; }
	LineJoin getLineJoin() const { return join; }
	double getDashPhase() const { return dashPhase; }
	uint32 getDashCount() const { return static_cast<uint32>(dashLengths.size()); }
	const DashLengths& getDashLengths() const { return dashLengths; }
	DashLengths& getDashLengths() { return dashLengths; }

	void setLineCap(LineCap newCap) { cap = newCap; }
	void setLineJoin(LineJoin newJoin) { join = newJoin; }
	void setDashPhase(double phase) { dashPhase = phase; }

private:
	LineCap cap;
	LineJoin join;
	double dashPhase;
	DashLengths dashLengths;
};

extern const CLineStyle kLineSolid;
extern const CLineStyle kLineOnOffDash;

} // namespace Kavrin
