#pragma once

// Readable failure output for the toolkit's value types.

#include "lib/ccolor.h"
#include "lib/cgraphicstransform.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/moxkeycode.h"

#include <ostream>

namespace Kavrin {

inline void PrintTo(const CPoint& p, std::ostream* out)
{
	*out << "CPoint(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const CRect& r, std::ostream* out)
{
	*out << "CRect(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

inline void PrintTo(const CColor& c, std::ostream* out)
{
	*out << "CColor(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ", " << int(c.alpha) << ")";
}

inline void PrintTo(const CGraphicsTransform& t, std::ostream* out)
{
	*out << "CGraphicsTransform(" << t.m11 << ", " << t.m12 << ", " << t.m21 << ", " << t.m22 << ", " << t.dx
	     << ", " << t.dy << ")";
}

inline void PrintTo(const MoxKeyCode& k, std::ostream* out)
{
	*out << "MoxKeyCode(character " << k.character << ", virt " << int(k.virt) << ", modifier "
	     << int(k.modifier) << ")";
}

} // namespace Kavrin
