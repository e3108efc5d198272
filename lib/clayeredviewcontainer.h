#pragma once

#include "lib/cframeobservers.h"
#include "lib/cviewcontainer.h"
#include "lib/iviewcontainerlistener.h"
#include "lib/platform/iplatformviewlayer.h"

#include <vector>

namespace Kavrin {

// A container drawn into a platform layer of its own, shown above the
// frame's other drawing with a z-index and the layer's alpha. Changing the
// alpha, the z-index or the place only recomposites: the children are
// redrawn where they were invalidated, and nowhere else.
//
// A layered container inside another draws into a layer within the outer
// one's layer, clipped to it and faded with it. Like any container, it
// shows nothing while an ancestor is hidden and fades with its ancestors.
// Without a platform layer (the frame offers none) it is an ordinary
// container.
class CLayeredViewContainer : public CViewContainer,
                              public ViewContainerListenerAdapter,
                              public IPlatformViewLayerDelegate,
                              public IPlatformViewLayerSurroundings,
                              public IScaleFactorChangedListener
{
public:
	explicit CLayeredViewContainer(const CRect& size = CRect());
	~CLayeredViewContainer() noexcept override;

	void setZIndex(uint32 zIndex);
	uint32 getZIndex() const { return zIndex; }
	// Places the layer over the container's visible part.
	virtual void updateLayerSize();
	// dirtyRect in the layer's coordinates.
	void drawViewLayer(CDrawContext* context, const CRect& dirtyRect) override;
	// The ancestors' part in how the layer shows, up to the frame or to the
	// parent layer (which brings the rest).
	float getSurroundingAlpha() const override;
	// From the children's space into the layer's coordinates (origin at the
	// top-left of the container's visible part in the frame).
	virtual CGraphicsTransform getDrawTransform() const;

	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	void invalid() override;
	void invalidRect(const CRect& rect) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	void parentSizeChanged() override;
	void setAlphaValue(float alpha) override;
	void drawRect(CDrawContext* context, const CRect& updateRect) override;
	void onScaleFactorChanged(CFrame* frame, double newScaleFactor) override;
	void viewContainerTransformChanged(CViewContainer* container) override;
	// A hidden container's layer shows nothing.
	void setVisible(bool state) override;

	IPlatformViewLayer* getPlatformLayer() const { return layer; }
	CLayeredViewContainer* getParentLayerView() const { return parentLayerView; }

private:
	void createLayer();
	void dropLayer();
	void registerListeners(bool state);
	// What the layer shows the container with: its alpha, or 0 while hidden.
	float layerAlpha() const;
	// Dirty children skipped while the container was not shown are turned
	// into invalidations by the frame's next idle pass.
	void askForDirtyChildren();
	// The container's visible part and the mapping of its parent's
	// coordinates, both in frame coordinates.
	CRect visibleRectInFrame() const;
	CGraphicsTransform parentToFrame() const;
	// From the container's parent's coordinates into the layer's.
	CGraphicsTransform parentToLayer() const;

	SharedPointer<IPlatformViewLayer> layer;
	CLayeredViewContainer* parentLayerView {nullptr};
	uint32 zIndex {0};
	// What the layer's content was last drawn through: when the mapping
	// changes (the container moves within a clipping ancestor), the content
	// must be drawn anew.
	CGraphicsTransform contentTransform;
	// Observed while attached (not owned).
	std::vector<CViewContainer*> observedContainers;
	CFrame* observedFrame {nullptr};
};

} // namespace Kavrin
