#include "lib/cdrawdefs.h"

namespace Kavrin {

namespace {
const double kOnOff[] = {1., 1.};
}

const CLineStyle kLineSolid;
const CLineStyle kLineOnOffDash(CLineStyle::kLineCapButt, CLineStyle::kLineJoinMiter, 0., 2, kOnOff);

CLineStyle::CLineStyle(LineCap cap, LineJoin join, double dashPhase, uint32 dashCount,
                       const double* lengths)
: cap(cap), join(join), dashPhase(dashPhase)
{
	if (dashCount && lengths)
		dashLengths.assign(lengths, lengths + dashCount);
}

CLineStyle::CLineStyle(LineCap cap, LineJoin join, double dashPhase, const DashLengths& lengths)
: cap(cap), join(join), dashPhase(dashPhase), dashLengths(lengths)
{
}

CLineStyle::CLineStyle(LineCap cap, LineJoin join, double dashPhase, DashLengths&& lengths)
: cap(cap), join(join), dashPhase(dashPhase), dashLengths(std::move(lengths))
{
}

bool CLineStyle::operator==(const CLineStyle& other) const
{
	return cap == other.cap && join == other.join && dashPhase == other.dashPhase &&
	       dashLengths == other.dashLengths;
}

} // namespace Kavrin
