#pragma once

#include "lib/crect.h"
#include "lib/reference.h"

namespace Kavrin {

// The abstract drawing surface every view draws through. The drawing
// operations arrive with the drawing back end.
class CDrawContext : public AtomicReferenceCounted
{
public:
	explicit CDrawContext(const CRect& surfaceRect) : surfaceRect(surfaceRect) {}
	~CDrawContext() noexcept override = default;

	const CRect& getSurfaceRect() const { return surfaceRect; }

private:
	CRect surfaceRect;
};

// A draw context that renders into a bitmap.
class COffscreenContext : public CDrawContext
{
public:
	using CDrawContext::CDrawContext;
};

} // namespace Kavrin
