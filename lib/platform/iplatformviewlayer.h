#pragma once

#include "lib/crect.h"
#include "lib/reference.h"

namespace Kavrin {

class CDrawContext;

class IPlatformViewLayerDelegate
{
public:
	virtual void drawViewLayer(CDrawContext* context, const CRect& dirtyRect) = 0;

protected:
	~IPlatformViewLayerDelegate() noexcept = default;
};

// A compositing layer of a platform frame.
class IPlatformViewLayer : public AtomicReferenceCounted
{
public:
	~IPlatformViewLayer() noexcept override = default;

	virtual void invalidRect(const CRect& size) = 0;
	virtual void setSize(const CRect& size) = 0;
	virtual void setZIndex(uint32 zIndex) = 0;
	virtual void setAlpha(float alpha) = 0;
	virtual void draw(CDrawContext* context, const CRect& updateRect) = 0;
	virtual void onScaleFactorChanged(double newScaleFactor) = 0;
};

} // namespace Kavrin
