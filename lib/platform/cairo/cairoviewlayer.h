#pragma once

#include "lib/crect.h"
#include "lib/platform/iplatformviewlayer.h"
#include "lib/reference.h"

#include <vector>

namespace Kavrin {

class CairoDrawContext;
class CDrawContext;
class IPlatformFrame;

// The layers of one frame, shared by the window and the headless platform.
//
// Each layer keeps its content in an image surface at the frame's scale,
// with its origin on a device pixel of the frame, and redraws only what was
// invalidated in it. After the frame has painted its views into an update
// rect, composite() paints the layers within that rect over them, in
// z-order with their alpha; a layer whose content did not change is painted
// from its surface, never redrawn. A nested layer is painted inside its
// parent's, clipped to it, and takes the parent's alpha along. A delegate
// that tells its surroundings (IPlatformViewLayerSurroundings) has its layer
// shown only while they show it, faded by them too.
//
// Layers sit above everything the frame's views draw. The frame keeps the
// compositor; each layer keeps it too, so that a layer released after its
// frame closed finds it (detached: nothing then reaches the frame).
class CairoLayerCompositor : public NonAtomicReferenceCounted
{
public:
	// frame receives the invalidations (not owned; detach() before it goes).
	CairoLayerCompositor(IPlatformFrame* frame, double scaleFactor);
	~CairoLayerCompositor() noexcept override;
	CairoLayerCompositor(const CairoLayerCompositor&) = delete;
	CairoLayerCompositor& operator=(const CairoLayerCompositor&) = delete;

	// A layer over the frame's views or, given one of this compositor's
	// layers, inside it. The caller owns the layer; releasing it takes it
	// off the frame. The delegate must outlive the layer.
	SharedPointer<IPlatformViewLayer> createLayer(IPlatformViewLayerDelegate* delegate,
	                                              IPlatformViewLayer* parentLayer);

	// The frame closes: from now on nothing is invalidated or composited.
	void detach();

	// Device pixels per unit of the frame's back buffer. Every layer's
	// content is redrawn at a new factor.
	void setScaleFactor(double scaleFactor);
	double getScaleFactor() const { return scaleFactor; }

	// For its lifetime, marks context as one of the compositor's own: the
	// frame's paint (layers draw nothing into it, since composite() shows
	// them over it afterwards) or a layer's content being drawn.
	class PaintScope
	{
	public:
		PaintScope(CairoLayerCompositor& compositor, CDrawContext* context);
		~PaintScope() noexcept;
		PaintScope(const PaintScope&) = delete;
		PaintScope& operator=(const PaintScope&) = delete;

	private:
		SharedPointer<CairoLayerCompositor> compositor;
		CDrawContext* context;
	};

	// Brings the content of the layers within updateRect (frame coordinates)
	// up to date and paints them over what the context holds there. Layers
	// of equal z-index keep the order they were created in.
	void composite(CairoDrawContext& context, const CRect& updateRect);

	// Whether the frame must decline to move the back buffer's pixels inside
	// frameRect: a layer shows there, and its pixels would move along. The
	// layers' content there is then redrawn too, since the views that
	// scrolled may be drawn in one of them.
	bool declinesScrollOf(const CRect& frameRect);

	// Whether a paint scope holds the context.
	bool isOwnContext(const CDrawContext* context) const;

private:
	struct Node;
	using NodeList = std::vector<SharedPointer<Node>>;
	friend class CairoViewLayer;

	// What a layer's handle asks.
	void invalidRect(Node& node, const CRect& layerRect);
	void setSize(Node& node, const CRect& rect);
	void setZIndex(Node& node, uint32 zIndex);
	void setAlpha(Node& node, float alpha);
	void redrawAll(Node& node);
	void drawInto(Node& node, CairoDrawContext& context, const CRect& layerRect);
	void release(Node& node);

	// The frame repaints where the node shows.
	void invalidFrameOf(const Node& node, const CRect& layerRect);
	void invalidWholeFrameOf(const Node& node);
	// Has the node's surface match its place and the scale; false when it
	// has none (nothing to show).
	bool prepareContent(Node& node);
	// Draws the node's dirty rects through its delegate; false when the
	// node was released meanwhile.
	bool updateContent(Node& node);
	// Brings the content of the shown layers within frameArea up to date,
	// over copies of the lists: the delegates may change anything.
	void updateLayers(const NodeList& layers, const CRect& frameArea);
	void paintLayers(void* cairo, const NodeList& layers, const CRect& parentVisible, double clipScale);
	void paintLayer(void* cairo, const Node& node, const CRect& parentVisible, double clipScale, double alpha);
	void markContentWithin(const NodeList& layers, const CRect& frameRect);

	IPlatformFrame* frame;
	double scaleFactor;
	uint64 nextSequence {0};
	NodeList topLayers;
	std::vector<const CDrawContext*> ownContexts;
};

} // namespace Kavrin
