#pragma once

#include "lib/cpoint.h"
#include "lib/reference.h"

namespace Kavrin {

struct CGraphicsTransform;

// A vector path. Views use one as an exact hit-test shape; building and
// drawing paths belong to the draw context's back end.
class CGraphicsPath : public AtomicReferenceCounted
{
public:
	~CGraphicsPath() noexcept override = default;

	virtual bool hitTest(const CPoint& where, bool evenOddFilled = false,
	                     CGraphicsTransform* transform = nullptr) = 0;
};

} // namespace Kavrin
