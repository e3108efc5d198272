#include "lib/platform/cairo/cairoviewlayer.h"

#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/iplatformframe.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Kavrin {

namespace {

// Beyond this many separate dirty rects a layer redraws their union: one
// pass over its views costs less than many.
constexpr size_t kMaxDirtyRects = 32;
// A layer side beyond this many device pixels is not drawn (the surface
// itself bounds the area).
constexpr double kMaxContentSide = 1 << 16;

bool overlaps(const CRect& a, const CRect& b)
{
	return !CRect(a).bound(b).isEmpty();
}

// The smallest rect of whole units around rect, as the frame's invalid
// rects are.
CRect wholeUnitsAround(const CRect& rect)
{
	return CRect(std::floor(rect.left), std::floor(rect.top), std::ceil(rect.right), std::ceil(rect.bottom));
}

// Edges moved onto the nearest device pixel, as the draw context rounds
// its clip: a layer covers exactly the pixels the views below it fill.
CRect onDevicePixels(const CRect& rect, double scale)
{
	auto round = [scale](double value) { return std::round(value * scale) / scale; };
	return CRect(round(rect.left), round(rect.top), round(rect.right), round(rect.bottom));
}

const CRect kEverywhere(-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                        std::numeric_limits<double>::max(), std::numeric_limits<double>::max());

cairo_surface_t* cairoSurfaceOf(CairoImageSurface& surface)
{
	return static_cast<cairo_surface_t*>(surface.getCairoSurface());
}

} // namespace

// Where a layer's content lies on the frame's device pixels: the surface
// starts on a whole pixel, and the layer's own origin lies phase pixels
// into it.
struct ContentPlacement
{
	double left {0.};
	double top {0.};
	int32 width {0};
	int32 height {0};
	CPoint phase;

	// The same pixels would show the same content. A phase that differs by
	// rounding noise alone (a rect moved by whole units at a zoom) counts as
	// the same.
	bool fits(const ContentPlacement& other) const
	{
		constexpr double kSamePhase = 1e-6;
		return width == other.width && height == other.height &&
		       std::fabs(phase.x - other.phase.x) < kSamePhase && std::fabs(phase.y - other.phase.y) < kSamePhase;
	}
};

struct CairoLayerCompositor::Node : public NonAtomicReferenceCounted
{
	Node(IPlatformViewLayerDelegate* delegate, uint64 sequence)
	: delegate(delegate), surroundings(dynamic_cast<IPlatformViewLayerSurroundings*>(delegate)), sequence(sequence)
	{
	}

	// Null once the layer's owner released it.
	IPlatformViewLayerDelegate* delegate;
	// The same object, when it tells how its surroundings show the layer;
	// null with the delegate.
	IPlatformViewLayerSurroundings* surroundings;
	const uint64 sequence;
	// Not owned; null for a layer over the frame and for one whose parent
	// was released.
	Node* parent {nullptr};
	bool onFrame {false};
	NodeList children;
	// In frame coordinates, or relative to the parent's rect.
	CRect rect;
	uint32 zIndex {0};
	float alpha {1.f};
	SharedPointer<CairoImageSurface> content;
	ContentPlacement placement;
	// In the layer's coordinates.
	std::vector<CRect> dirtyRects;

	bool isPlaced() const { return onFrame || (parent && parent->isPlaced()); }
	// The alpha the layer shows with within its parent (or over the frame):
	// asked anew each time, since hiding or fading the views around it
	// repaints where it lies but tells the layer nothing.
	double shownAlpha() const
	{
		if (!delegate || !(alpha > 0.f))
			return 0.;
		const double around = surroundings ? double(surroundings->getSurroundingAlpha()) : 1.;
		return around > 0. ? std::min(around, 1.) * alpha : 0.;
	}
	bool isShown() const
	{
		if (!(shownAlpha() > 0.))
			return false;
		return onFrame || (parent && parent->isShown());
	}
	CPoint frameOrigin() const
	{
		CPoint origin = rect.getTopLeft();
		if (parent)
			origin += parent->frameOrigin();
		return origin;
	}
	CRect frameRect() const { return CRect(rect).moveTo(frameOrigin()); }
	// Clipped to every parent.
	CRect visibleFrameRect() const
	{
		CRect visible = frameRect();
		for (const Node* up = parent; up; up = up->parent)
			visible.bound(up->frameRect());
		return visible;
	}
	CRect parentVisibleFrameRect() const { return parent ? parent->visibleFrameRect() : kEverywhere; }
	CRect bounds() const { return CRect(rect).originize(); }

	void addDirty(CRect dirty)
	{
		dirty.bound(bounds());
		if (dirty.isEmpty())
			return;
		for (const auto& known : dirtyRects)
		{
			if (known.rectInside(dirty))
				return;
		}
		dirtyRects.erase(std::remove_if(dirtyRects.begin(), dirtyRects.end(),
		                                [&](const CRect& known) { return dirty.rectInside(known); }),
		                 dirtyRects.end());
		dirtyRects.push_back(dirty);
		if (dirtyRects.size() <= kMaxDirtyRects)
			return;
		CRect all = dirtyRects.front();
		for (const auto& known : dirtyRects)
			all.unite(known);
		dirtyRects = {all};
	}
	void markAllDirty()
	{
		dirtyRects.clear();
		if (!bounds().isEmpty())
			dirtyRects.push_back(bounds());
	}
	bool hasShownChild() const
	{
		return std::any_of(children.begin(), children.end(), [](const SharedPointer<Node>& child) {
			return child->content && child->shownAlpha() > 0.;
		});
	}
};

namespace {

template <typename List>
List inZOrder(const List& layers)
{
	List sorted = layers;
	std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
		return a->zIndex != b->zIndex ? a->zIndex < b->zIndex : a->sequence < b->sequence;
	});
	return sorted;
}

// Null when the rect cannot have a surface (empty, not finite or too large).
bool placementFor(const CRect& frameRect, double scale, ContentPlacement& placement)
{
	const double left = std::floor(frameRect.left * scale);
	const double top = std::floor(frameRect.top * scale);
	const double width = std::ceil(frameRect.right * scale) - left;
	const double height = std::ceil(frameRect.bottom * scale) - top;
	if (!(width >= 1. && width <= kMaxContentSide && height >= 1. && height <= kMaxContentSide) ||
	    !std::isfinite(left) || !std::isfinite(top))
		return false;
	placement.left = left;
	placement.top = top;
	placement.width = int32(width);
	placement.height = int32(height);
	placement.phase = CPoint(frameRect.left * scale - left, frameRect.top * scale - top);
	return true;
}

} // namespace

// ---- The layer handed to the toolkit ----

// What the layer's owner holds. Releasing it takes the layer off the frame
// at once, even while the compositor still holds the layer for a paint
// under way.
class CairoViewLayer : public IPlatformViewLayer
{
public:
	using Node = CairoLayerCompositor::Node;

	CairoViewLayer(CairoLayerCompositor* compositor, SharedPointer<Node> node)
	: compositor(compositor), node(std::move(node))
	{
	}
	~CairoViewLayer() noexcept override { compositor->release(*node); }

	void invalidRect(const CRect& rect) override { compositor->invalidRect(*node, rect); }
	void setSize(const CRect& rect) override { compositor->setSize(*node, rect); }
	void setZIndex(uint32 zIndex) override { compositor->setZIndex(*node, zIndex); }
	void setAlpha(float alpha) override { compositor->setAlpha(*node, alpha); }
	void draw(CDrawContext* context, const CRect& updateRect) override
	{
		if (!context || compositor->isOwnContext(context))
			return;
		if (auto cairoContext = dynamic_cast<CairoDrawContext*>(context))
			compositor->drawInto(*node, *cairoContext, updateRect);
	}
	// The content follows the frame's own scale, which the compositor
	// knows: the factor given here also holds the frame's zoom, which the
	// delegate's drawing applies itself.
	void onScaleFactorChanged(double) override { compositor->redrawAll(*node); }

	const CairoLayerCompositor* getCompositor() const { return compositor; }
	Node* getNode() const { return node; }

private:
	SharedPointer<CairoLayerCompositor> compositor;
	SharedPointer<Node> node;
};

// ---- Compositor ----

CairoLayerCompositor::CairoLayerCompositor(IPlatformFrame* frame, double scaleFactor)
: frame(frame), scaleFactor(scaleFactor > 0. ? scaleFactor : 1.)
{
}

CairoLayerCompositor::~CairoLayerCompositor() noexcept
{
	for (const auto& node : topLayers)
		node->onFrame = false;
}

SharedPointer<IPlatformViewLayer> CairoLayerCompositor::createLayer(IPlatformViewLayerDelegate* delegate,
                                                                    IPlatformViewLayer* parentLayer)
{
	if (!delegate || !frame)
		return nullptr;
	auto node = makeOwned<Node>(delegate, nextSequence++);
	auto parentHandle = dynamic_cast<CairoViewLayer*>(parentLayer);
	if (parentHandle && parentHandle->getCompositor() == this && parentHandle->getNode()->delegate)
	{
		node->parent = parentHandle->getNode();
		node->parent->children.push_back(node);
	}
	else
	{
		node->onFrame = true;
		topLayers.push_back(node);
	}
	return makeOwned<CairoViewLayer>(this, node);
}

void CairoLayerCompositor::detach()
{
	frame = nullptr;
}

void CairoLayerCompositor::setScaleFactor(double newScaleFactor)
{
	if (newScaleFactor == scaleFactor || !(newScaleFactor > 0.))
		return;
	// The surfaces no longer fit: each is made anew, and its content
	// redrawn, when next shown.
	scaleFactor = newScaleFactor;
	for (const auto& node : NodeList(topLayers))
		invalidWholeFrameOf(*node);
}

bool CairoLayerCompositor::isOwnContext(const CDrawContext* context) const
{
	return std::find(ownContexts.begin(), ownContexts.end(), context) != ownContexts.end();
}

CairoLayerCompositor::PaintScope::PaintScope(CairoLayerCompositor& compositor, CDrawContext* context)
: compositor(&compositor), context(context)
{
	compositor.ownContexts.push_back(context);
}

CairoLayerCompositor::PaintScope::~PaintScope() noexcept
{
	auto& contexts = compositor->ownContexts;
	auto found = std::find(contexts.rbegin(), contexts.rend(), context);
	if (found != contexts.rend())
		contexts.erase(std::next(found).base());
}

// ---- What the layers ask ----

void CairoLayerCompositor::invalidRect(Node& node, const CRect& layerRect)
{
	node.addDirty(layerRect);
	invalidFrameOf(node, layerRect);
}

void CairoLayerCompositor::redrawAll(Node& node)
{
	node.markAllDirty();
	invalidWholeFrameOf(node);
}

// A move only shows the same content elsewhere; a new size needs it drawn
// anew.
void CairoLayerCompositor::setSize(Node& node, const CRect& rect)
{
	if (rect == node.rect)
		return;
	invalidWholeFrameOf(node);
	const bool resized = rect.getWidth() != node.rect.getWidth() || rect.getHeight() != node.rect.getHeight();
	node.rect = rect;
	if (resized)
		node.markAllDirty();
	invalidWholeFrameOf(node);
}

void CairoLayerCompositor::setZIndex(Node& node, uint32 zIndex)
{
	if (zIndex == node.zIndex)
		return;
	node.zIndex = zIndex;
	invalidWholeFrameOf(node);
}

void CairoLayerCompositor::setAlpha(Node& node, float alpha)
{
	if (!(alpha >= 0.f))
		alpha = 0.f;
	alpha = std::min(alpha, 1.f);
	if (alpha == node.alpha)
		return;
	// Shown before or after: either way the frame shows something else there.
	invalidWholeFrameOf(node);
	node.alpha = alpha;
	invalidWholeFrameOf(node);
}

void CairoLayerCompositor::release(Node& node)
{
	SharedPointer<Node> keepAlive = &node;
	invalidWholeFrameOf(node);
	node.delegate = nullptr;
	node.surroundings = nullptr;
	for (const auto& child : node.children)
		child->parent = nullptr;
	node.children.clear();
	NodeList& list = node.parent ? node.parent->children : topLayers;
	list.erase(std::remove(list.begin(), list.end(), keepAlive), list.end());
	node.parent = nullptr;
	node.onFrame = false;
	node.content = nullptr;
	node.dirtyRects.clear();
}

void CairoLayerCompositor::invalidFrameOf(const Node& node, const CRect& layerRect)
{
	if (!frame || !node.isShown())
		return;
	CRect rect = CRect(layerRect).offset(node.frameOrigin()).bound(node.visibleFrameRect());
	if (!rect.isEmpty())
		frame->invalidRect(wholeUnitsAround(rect));
}

void CairoLayerCompositor::invalidWholeFrameOf(const Node& node)
{
	invalidFrameOf(node, node.bounds());
}

// ---- Content ----

bool CairoLayerCompositor::prepareContent(Node& node)
{
	ContentPlacement placement;
	if (!placementFor(node.frameRect(), scaleFactor, placement))
	{
		node.content = nullptr;
		return false;
	}
	if (node.content && node.content->getScaleFactor() == scaleFactor && node.placement.fits(placement))
	{
		node.placement = placement;
		return true;
	}
	// A new size, scale or position within a device pixel: what was drawn
	// no longer lands on the pixels the views would fill.
	node.content = CairoImageSurface::create(placement.width, placement.height, scaleFactor);
	node.placement = placement;
	node.markAllDirty();
	return node.content != nullptr;
}

bool CairoLayerCompositor::updateContent(Node& node)
{
	if (!node.delegate)
		return false;
	if (!prepareContent(node) || node.dirtyRects.empty())
		return true;
	// Rects invalidated while these are drawn wait for the next paint.
	const auto rects = std::exchange(node.dirtyRects, {});
	const SharedPointer<CairoImageSurface> surface = node.content;
	auto context = makeOwned<CairoDrawContext>(surface.get());
	PaintScope contentPaint(*this, context);
	const double scale = surface->getScaleFactor();
	const auto toContent = CGraphicsTransform::translation(node.placement.phase.x / scale,
	                                                       node.placement.phase.y / scale);
	for (const auto& rect : rects)
	{
		// Released, or given a new surface (which is wholly dirty), by an
		// earlier rect's drawing.
		if (!node.delegate || node.content != surface)
			break;
		context->saveGlobalState();
		{
			CDrawContext::Transform transform(*context, toContent);
			context->setClipRect(rect);
			context->clearBeforeDrawing(rect);
			node.delegate->drawViewLayer(context, rect);
		}
		context->restoreGlobalState();
	}
	context->endDraw();
	return node.delegate != nullptr;
}

void CairoLayerCompositor::updateLayers(const NodeList& layers, const CRect& frameArea)
{
	const NodeList remembered = inZOrder(layers);
	for (const auto& node : remembered)
	{
		// The parent, drawn just before, shows: an offscreen rendering draws
		// it even while it shows nothing on the frame.
		if (!(node->shownAlpha() > 0.) || !overlaps(node->visibleFrameRect(), frameArea))
			continue;
		if (updateContent(*node))
			updateLayers(node->children, frameArea);
	}
}

// ---- Painting ----

void CairoLayerCompositor::paintLayers(void* cairo, const NodeList& layers, const CRect& parentVisible,
                                       double clipScale)
{
	for (const auto& node : inZOrder(layers))
		paintLayer(cairo, *node, parentVisible, clipScale, node->shownAlpha());
}

// Paints the content where it lies in the frame's coordinates; with shown
// children, content and children go into a group first, so that the alpha
// applies to them together.
void CairoLayerCompositor::paintLayer(void* cairo, const Node& node, const CRect& parentVisible,
                                      double clipScale, double alpha)
{
	auto cr = static_cast<cairo_t*>(cairo);
	const CRect frameRect = node.frameRect();
	ContentPlacement placement;
	if (!node.delegate || !(alpha > 0.) || !node.content || !placementFor(frameRect, scaleFactor, placement) ||
	    !node.placement.fits(placement) || node.content->getScaleFactor() != scaleFactor)
		return;
	CRect visible = CRect(frameRect).bound(parentVisible);
	if (clipScale > 0.)
		visible = onDevicePixels(visible, clipScale);
	if (visible.isEmpty())
		return;
	cairo_save(cr);
	cairo_new_path(cr);
	cairo_rectangle(cr, visible.left, visible.top, visible.getWidth(), visible.getHeight());
	cairo_clip(cr);
	const bool group = node.hasShownChild();
	if (group)
		cairo_push_group(cr);
	cairo_set_source_surface(cr, cairoSurfaceOf(*node.content), placement.left / scaleFactor,
	                         placement.top / scaleFactor);
	if (group)
	{
		cairo_paint(cr);
		paintLayers(cr, node.children, visible, clipScale);
		cairo_pop_group_to_source(cr);
	}
	cairo_paint_with_alpha(cr, alpha);
	cairo_restore(cr);
}

void CairoLayerCompositor::composite(CairoDrawContext& context, const CRect& updateRect)
{
	if (!frame || topLayers.empty() || updateRect.isEmpty())
		return;
	SharedPointer<CairoLayerCompositor> keepAlive = this;
	updateLayers(topLayers, updateRect);
	if (!frame || topLayers.empty())
		return;
	context.saveGlobalState();
	context.setClipRect(updateRect);
	if (context.beginDrawing())
	{
		cairo_t* cr = context.getCairo();
		cairo_save(cr);
		cairo_identity_matrix(cr);
		paintLayers(cr, topLayers, onDevicePixels(updateRect, scaleFactor), scaleFactor);
		cairo_restore(cr);
		context.endDrawing();
	}
	context.restoreGlobalState();
}

// Into a context of someone else's (an offscreen rendering): its current
// transform maps the layer's coordinates, its global alpha multiplies the
// layer's.
void CairoLayerCompositor::drawInto(Node& node, CairoDrawContext& context, const CRect& layerRect)
{
	SharedPointer<CairoLayerCompositor> keepAlive = this;
	SharedPointer<Node> keepNode = &node;
	CRect frameArea = CRect(layerRect).offset(node.frameOrigin()).bound(node.visibleFrameRect());
	if (frameArea.isEmpty() || !updateContent(node))
		return;
	updateLayers(node.children, frameArea);
	if (!node.delegate || !context.beginDrawing())
		return;
	cairo_t* cr = context.getCairo();
	cairo_save(cr);
	cairo_new_path(cr);
	cairo_rectangle(cr, layerRect.left, layerRect.top, layerRect.getWidth(), layerRect.getHeight());
	cairo_clip(cr);
	const CPoint origin = node.frameOrigin();
	cairo_translate(cr, -origin.x, -origin.y);
	paintLayer(cr, node, node.parentVisibleFrameRect(), 0., double(node.alpha) * context.getGlobalAlpha());
	cairo_restore(cr);
	context.endDrawing();
}

// ---- Scrolling ----

bool CairoLayerCompositor::declinesScrollOf(const CRect& frameRect)
{
	const bool covered = std::any_of(topLayers.begin(), topLayers.end(), [&](const SharedPointer<Node>& node) {
		return node->isShown() && overlaps(node->visibleFrameRect(), frameRect);
	});
	if (covered)
		markContentWithin(topLayers, frameRect);
	return covered;
}

void CairoLayerCompositor::markContentWithin(const NodeList& layers, const CRect& frameRect)
{
	for (const auto& node : layers)
	{
		CRect within = CRect(frameRect).bound(node->visibleFrameRect());
		if (!node->isShown() || within.isEmpty())
			continue;
		node->addDirty(within.offsetInverse(node->frameOrigin()));
		markContentWithin(node->children, frameRect);
	}
}

} // namespace Kavrin
