#pragma once

#include "lib/crect.h"
#include "lib/reference.h"

namespace Kavrin {

class CDrawContext;

// Draws a layer's content when the layer asks: context and dirtyRect are in
// the layer's coordinates (origin at the top-left of its rect), the context
// clipped to the rect.
class IPlatformViewLayerDelegate
{
public:
	virtual void drawViewLayer(CDrawContext* context, const CRect& dirtyRect) = 0;

protected:
	~IPlatformViewLayerDelegate() noexcept = default;
};

// What a delegate may add when its layer belongs to something the views
// around it can hide or fade (a layered container among ordinary ones): the
// layer then shows only while they show it, with its own alpha times theirs.
class IPlatformViewLayerSurroundings
{
public:
	// The product of the alphas the surroundings give the layer's content
	// (1 when nothing fades it), 0 while one of them is hidden.
	virtual float getSurroundingAlpha() const = 0;

protected:
	~IPlatformViewLayerSurroundings() noexcept = default;
};

// A compositing layer of a platform frame, shown over the frame's drawing.
// Its owner releases it to take it away. Rects are in the layer's
// coordinates except setSize's: in frame coordinates for a layer over the
// frame, relative to the parent layer's rect for a nested one.
class IPlatformViewLayer : public AtomicReferenceCounted
{
public:
	~IPlatformViewLayer() noexcept override = default;

	virtual void invalidRect(const CRect& size) = 0;
	virtual void setSize(const CRect& size) = 0;
	virtual void setZIndex(uint32 zIndex) = 0;
	virtual void setAlpha(float alpha) = 0;
	// Into the frame's own paint: nothing, the frame shows the layer over
	// it. Into any other context (an offscreen rendering), whose current
	// transform maps the layer's coordinates: the content with the layer's
	// alpha times the context's.
	virtual void draw(CDrawContext* context, const CRect& updateRect) = 0;
	virtual void onScaleFactorChanged(double newScaleFactor) = 0;
};

} // namespace Kavrin
