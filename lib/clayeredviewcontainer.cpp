#include "lib/clayeredviewcontainer.h"

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/platform/iplatformframe.h"

#include <utility>

namespace Kavrin {

namespace {

// One container's step from its children's space into its parent's
// coordinates; the frame is the root and has no offset of its own.
CGraphicsTransform childrenToParent(const CViewContainer& container)
{
	if (static_cast<const CView*>(container.getFrame()) == &container)
		return container.getTransform();
	const CRect& size = container.getViewSize();
	return CGraphicsTransform::translation(size.left, size.top) * container.getTransform();
}

CRect boundsInParent(const CViewContainer& container)
{
	CRect bounds = container.getViewSize();
	if (static_cast<const CView*>(container.getFrame()) == &container)
		bounds.originize();
	return bounds;
}

// The ancestors whose coordinates a view's place goes through, nearest
// first, up to and including the frame.
template <typename Func>
void forEachAncestorContainer(const CView& view, Func&& func)
{
	const CFrame* frame = view.getFrame();
	for (CView* ancestor = view.getParentView(); ancestor; ancestor = ancestor->getParentView())
	{
		auto container = ancestor->toViewContainer();
		if (!container)
			return;
		func(*container);
		if (ancestor == static_cast<const CView*>(frame))
			return;
	}
}

} // namespace

CLayeredViewContainer::CLayeredViewContainer(const CRect& size) : CViewContainer(size) {}

CLayeredViewContainer::~CLayeredViewContainer() noexcept = default;

// ---- Geometry ----

CGraphicsTransform CLayeredViewContainer::parentToFrame() const
{
	CGraphicsTransform result;
	forEachAncestorContainer(*this, [&](const CViewContainer& container) {
		result = childrenToParent(container) * result;
	});
	return result;
}

CRect CLayeredViewContainer::visibleRectInFrame() const
{
	CRect visible = getViewSize();
	forEachAncestorContainer(*this, [&](const CViewContainer& container) {
		childrenToParent(container).transform(visible);
		visible.bound(boundsInParent(container));
	});
	return visible;
}

CGraphicsTransform CLayeredViewContainer::parentToLayer() const
{
	const CRect visible = visibleRectInFrame();
	return CGraphicsTransform::translation(-visible.left, -visible.top) * parentToFrame();
}

CGraphicsTransform CLayeredViewContainer::getDrawTransform() const
{
	return parentToLayer() * childrenToParent(*this);
}

// The layer lies within the parent layer, which already clips it to the
// ancestors above that one.
void CLayeredViewContainer::updateLayerSize()
{
	if (!layer)
		return;
	CRect rect = visibleRectInFrame();
	if (parentLayerView && parentLayerView->layer)
	{
		const CRect parentVisible = parentLayerView->visibleRectInFrame();
		rect.bound(parentVisible);
		rect.offset(-parentVisible.left, -parentVisible.top);
	}
	layer->setSize(rect);
	const CGraphicsTransform transform = getDrawTransform();
	if (transform != contentTransform)
	{
		contentTransform = transform;
		invalid();
	}
}

// ---- Attachment ----

// The layer is made before the children are attached, so that a layered
// child finds it and nests its own layer inside.
bool CLayeredViewContainer::attached(CView* parent)
{
	if (isAttached())
		return false;
	if (!parent)
		return CViewContainer::attached(parent);
	setParentFrame(parent->getFrame());
	if (!CView::attached(parent))
		return false;
	// A handler may remove, and release, the container at any step below.
	SharedPointer<CView> self = this;
	// A listener told of the attachment may have removed the container, or
	// removed it and added it again: that attachment made the layer.
	if (!isAttached() || layer)
		return true;
	createLayer();
	if (isAttached())
		attachChildren();
	return true;
}

void CLayeredViewContainer::createLayer()
{
	parentLayerView = nullptr;
	for (CView* ancestor = getParentView(); ancestor && ancestor != getFrame(); ancestor = ancestor->getParentView())
	{
		if ((parentLayerView = dynamic_cast<CLayeredViewContainer*>(ancestor)))
			break;
	}
	CFrame* frame = getFrame();
	IPlatformFrame* platformFrame = frame ? frame->getPlatformFrame() : nullptr;
	if (!platformFrame)
		return;
	layer = platformFrame->createPlatformViewLayer(this, parentLayerView ? parentLayerView->layer.get() : nullptr);
	if (!layer)
		return;
	layer->setZIndex(zIndex);
	layer->setAlpha(layerAlpha());
	contentTransform = getDrawTransform();
	updateLayerSize();
	registerListeners(true);
}

bool CLayeredViewContainer::removed(CView* parent)
{
	if (!isAttached())
		return false;
	SharedPointer<CView> self = this;
	// Before the container's own removal: a removal handler that adds it
	// elsewhere attaches it again, with a new layer.
	dropLayer();
	return CViewContainer::removed(parent);
}

void CLayeredViewContainer::dropLayer()
{
	registerListeners(false);
	parentLayerView = nullptr;
	layer = nullptr;
}

void CLayeredViewContainer::registerListeners(bool state)
{
	if (!state)
	{
		for (CViewContainer* container : std::exchange(observedContainers, {}))
			container->unregisterViewContainerListener(this);
		if (auto frame = std::exchange(observedFrame, nullptr))
			frame->unregisterScaleFactorChangedListeneer(this);
		return;
	}
	registerListeners(false);
	forEachAncestorContainer(*this, [&](CViewContainer& container) {
		container.registerViewContainerListener(this);
		observedContainers.push_back(&container);
	});
	if ((observedFrame = getFrame()))
		observedFrame->registerScaleFactorChangedListeneer(this);
}

// ---- Invalidation ----

void CLayeredViewContainer::invalid()
{
	if (!layer)
	{
		CViewContainer::invalid();
		return;
	}
	invalidRect(getTransform().inverse().transformed(CRect(getViewSize()).originize()));
}

// With a layer, a hidden or transparent container still keeps the layer's
// content current: the layer shows it again as soon as it is visible.
void CLayeredViewContainer::invalidRect(const CRect& rect)
{
	if (!layer)
	{
		CViewContainer::invalidRect(rect);
		return;
	}
	if (isAttached())
		layer->invalidRect(getDrawTransform().transformed(rect));
}

// ---- Changes ----

// With a layer, moving and resizing repaint through the layer, which
// redraws the content only when its size or its mapping changed.
void CLayeredViewContainer::setViewSize(const CRect& rect, bool invalidate)
{
	CViewContainer::setViewSize(rect, invalidate && !layer);
	updateLayerSize();
}

void CLayeredViewContainer::parentSizeChanged()
{
	CViewContainer::parentSizeChanged();
	updateLayerSize();
}

void CLayeredViewContainer::viewContainerTransformChanged(CViewContainer*)
{
	updateLayerSize();
}

void CLayeredViewContainer::setAlphaValue(float alpha)
{
	if (!layer)
	{
		CViewContainer::setAlphaValue(alpha);
		return;
	}
	const bool wasShown = isVisible();
	setAlphaValueNoInvalidate(alpha);
	layer->setAlpha(layerAlpha());
	if (!wasShown)
		askForDirtyChildren();
}

void CLayeredViewContainer::setVisible(bool state)
{
	if (!layer)
	{
		CViewContainer::setVisible(state);
		return;
	}
	if (hasViewFlag(kVisible) == state)
		return;
	setViewFlag(kVisible, state);
	layer->setAlpha(layerAlpha());
	if (state)
		askForDirtyChildren();
}

// The layer is composited apart from the views' drawing, which skips the
// container below a hidden ancestor and multiplies the ancestors' alphas:
// hiding or fading an ancestor repaints where the layer lies, and the
// compositor asks again.
float CLayeredViewContainer::getSurroundingAlpha() const
{
	const CView* stop = parentLayerView && parentLayerView->layer ? static_cast<const CView*>(parentLayerView)
	                                                               : static_cast<const CView*>(getFrame());
	float alpha = 1.f;
	for (const CView* ancestor = getParentView(); ancestor && ancestor != stop; ancestor = ancestor->getParentView())
	{
		if (!ancestor->isVisible())
			return 0.f;
		alpha *= ancestor->getAlphaValue();
	}
	return alpha;
}

float CLayeredViewContainer::layerAlpha() const
{
	return hasViewFlag(kVisible) ? getAlphaValue() : 0.f;
}

void CLayeredViewContainer::askForDirtyChildren()
{
	if (CFrame* frame = getFrame(); frame && isVisible() && isDirty())
		frame->requestIdle();
}

void CLayeredViewContainer::setZIndex(uint32 newZIndex)
{
	if (zIndex == newZIndex)
		return;
	zIndex = newZIndex;
	if (layer)
		layer->setZIndex(zIndex);
}

void CLayeredViewContainer::onScaleFactorChanged(CFrame*, double newScaleFactor)
{
	if (layer)
		layer->onScaleFactorChanged(newScaleFactor);
}

// ---- Drawing ----

// The layer shows the content itself; drawn elsewhere (an offscreen
// rendering of the views), it paints the content there with its own alpha,
// which replaces the one the parent applied for the container.
void CLayeredViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
	if (!layer || !context)
	{
		CViewContainer::drawRect(context, updateRect);
		return;
	}
	SharedPointer<IPlatformViewLayer> keepLayer = layer;
	const CGraphicsTransform toLayer = parentToLayer();
	context->saveGlobalState();
	const float alpha = getAlphaValue();
	if (alpha > 0.f && alpha < 1.f)
		context->setGlobalAlpha(context->getGlobalAlpha() / alpha);
	{
		CDrawContext::Transform transform(*context, toLayer.inverse());
		keepLayer->draw(context, toLayer.transformed(updateRect));
	}
	context->restoreGlobalState();
}

void CLayeredViewContainer::drawViewLayer(CDrawContext* context, const CRect& dirtyRect)
{
	if (!context)
		return;
	// A child's drawing may remove, and release, the container.
	SharedPointer<CView> self = this;
	const CGraphicsTransform toLayer = parentToLayer();
	CDrawContext::Transform transform(*context, toLayer);
	CViewContainer::drawRect(context, toLayer.inverse().transformed(dirtyRect));
}

} // namespace Kavrin
