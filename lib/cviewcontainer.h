#pragma once

#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/cview.h"

#include <list>
#include <vector>

namespace Kavrin {

constexpr CViewAttributeID kCViewContainerMouseDownViewAttribute = makeViewAttributeID("vcmd");
constexpr CViewAttributeID kCViewContainerLastDrawnFocusAttribute = makeViewAttributeID("vclf");
constexpr CViewAttributeID kCViewContainerDropTargetAttribute = makeViewAttributeID("vcdt");
constexpr CViewAttributeID kCViewContainerBackgroundOffsetAttribute = makeViewAttributeID("vcbo");

// Autosize flags. On a child: which edges follow the container's resizing.
// On the container: distribute width or height changes over the children.
enum CViewAutosizing : int32
{
	kAutosizeNone = 0,
	kAutosizeLeft = 1 << 0,   // left edge fixed
	kAutosizeTop = 1 << 1,    // top edge fixed
	kAutosizeRight = 1 << 2,  // follows the right edge
	kAutosizeBottom = 1 << 3, // follows the bottom edge
	kAutosizeColumn = 1 << 4,
	kAutosizeRow = 1 << 5,
	kAutosizeAll = kAutosizeLeft | kAutosizeTop | kAutosizeRight | kAutosizeBottom,
};

// Options of the lookups getViewAt, getContainerAt and getViewsAt.
class GetViewOptions
{
public:
	enum : uint32
	{
		kNone = 0,
		kDeep = 1 << 0,                 // descend into child containers
		kMouseEnabled = 1 << 1,         // skip views whose mouse is disabled
		kIncludeViewContainer = 1 << 2, // a container may itself be the answer
		kIncludeInvisible = 1 << 3,     // do not skip invisible views
	};

	constexpr GetViewOptions(uint32 flags = kNone) : flags(flags) {}

	constexpr GetViewOptions& deep(bool state = true) { return set(kDeep, state); }
	constexpr GetViewOptions& mouseEnabled(bool state = true) { return set(kMouseEnabled, state); }
	constexpr GetViewOptions& includeViewContainer(bool state = true)
	{
		return set(kIncludeViewContainer, state);
	}
	constexpr GetViewOptions& includeInvisible(bool state = true)
	{
		return set(kIncludeInvisible, state);
	}

	constexpr bool getDeep() const { return flags & kDeep; }
	constexpr bool getMouseEnabled() const { return flags & kMouseEnabled; }
	constexpr bool getIncludeViewContainer() const { return flags & kIncludeViewContainer; }
	constexpr bool getIncludeInvisible() const { return flags & kIncludeInvisible; }

private:
	constexpr GetViewOptions& set(uint32 bit, bool state)
	{
		flags = state ? (flags | bit) : (flags & ~bit);
		return *this;
	}
	uint32 flags;
};

// A view that owns an ordered list of children (first = bottom, last = top).
// It holds one reference on each child. Routing operations take points in
// the container's parent's coordinates and map them into the children's
// space: minus the container's top-left, then through the inverse transform.
class CViewContainer : public CView
{
public:
	using ViewList = std::vector<SharedPointer<CView>>;

	explicit CViewContainer(const CRect& size);
	// Copies the view part, transform and background settings, then adds a
	// clone of every child of the source, in order.
	CViewContainer(const CViewContainer& other);
	~CViewContainer() noexcept override;

	CView* cloneView() const override;

	// A freshly created view (one reference) handed over here becomes the
	// container's: removeView(view, true) and removeAll(true) release it.
	virtual bool addView(CView* view, CView* before = nullptr);
	virtual bool removeView(CView* view, bool withForget = true);
	virtual bool removeAll(bool withForget = true);
	virtual bool isChild(CView* view, bool deep = false) const;
	virtual bool hasChildren() const;
	virtual uint32 getNbViews() const;
	virtual CView* getView(uint32 index) const;
	virtual CView* getViewAt(const CPoint& where, const GetViewOptions& options = {}) const;
	virtual CViewContainer* getContainerAt(const CPoint& where,
	                                       const GetViewOptions& options = GetViewOptions::kDeep) const;
	virtual bool getViewsAt(const CPoint& where, std::list<SharedPointer<CView>>& views,
	                        const GetViewOptions& options = GetViewOptions::kDeep) const;
	virtual bool changeViewZOrder(CView* view, uint32 newIndex);
	virtual bool hitTestSubViews(const CPoint& where, const CButtonState& buttons = CButtonState());
	virtual void setAutosizingEnabled(bool state);
	virtual void setBackgroundColor(const CColor& color);
	virtual CColor getBackgroundColor() const;
	virtual void setBackgroundOffset(const CPoint& offset);
	virtual CPoint getBackgroundOffset() const;
	virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);
	virtual void setBackgroundColorDrawStyle(CDrawStyle style);
	virtual bool advanceNextFocusView(CView* current, bool reverse = false);
	virtual void invalidateDirtyViews();
	// Maps rect from the children's space up to the frame, clipping it to
	// every container on the way, and back.
	virtual CRect getVisibleSize(const CRect& rect) const;
	virtual bool checkUpdateRect(CView* view, const CRect& rect);

	// The older form: sets the child's mouseable area and mouse state first.
	bool addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
	const ViewList& getChildren() const;
	bool getAutosizingEnabled() const;
	CDrawStyle getBackgroundColorDrawStyle() const;

	// The child that owns the current drag (not an extra reference).
	CView* getMouseDownView() const;
	// Ends the drag of another holder first: a container is told to let go,
	// a plain view is cancelled, or sent a release when it has no cancel.
	// Only a child still in its place can take the drag.
	void setMouseDownView(CView* view);
	void clearMouseDownView();

	CRect getLastDrawnFocus() const;
	void setLastDrawnFocus(const CRect& rect);

	// From the container's parent's coordinates into the children's space.
	CPoint& mapToChildren(CPoint& point) const;

	const CGraphicsTransform& getTransform() const;
	void setTransform(const CGraphicsTransform& transform);

	void registerViewContainerListener(IViewContainerListener* listener);
	void unregisterViewContainerListener(IViewContainerListener* listener);

	// Overrides of CView.
	void draw(CDrawContext* context) override;
	// updateRect is in the container's parent's coordinates. Children draw
	// first to last, each clipped to its size, with its alpha and under the
	// container's transform.
	void drawRect(CDrawContext* context, const CRect& updateRect) override;
	bool isDirty() const override;
	void invalid() override;
	void invalidRect(const CRect& rect) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;
	bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
	             const CButtonState& buttons) override;
	bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState()) override;
	// The frame answers with its own cached router; another container with
	// the target set on it, else a new router over its children.
	SharedPointer<IDropTarget> getDropTarget() override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	void parentSizeChanged() override;
	CPoint& frameToLocal(CPoint& point) const override;
	CPoint& localToFrame(CPoint& point) const override;
	bool sizeToFit() override;
	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	void beforeDelete() override;
	CViewContainer* toViewContainer() override;
	const CViewContainer* toViewContainer() const override;

protected:
	// The container's rect in the space its children's space maps into: the
	// view size, or for the frame, which is the root, its own bounds at 0, 0.
	CRect getBoundsInParentSpace() const;
	// From the children's space into the container's parent's coordinates.
	CRect& mapFromChildren(CRect& rect) const;
	bool isFrameRoot() const;
	// Whether child is still in the list, looked for first at the index a
	// walk over a copy of the list expects it at.
	bool holdsChild(CView* child, size_t expectedIndex) const;
	// Ends the drag a view holds: a container lets go of its own holder, a
	// plain view is cancelled, or sent a release when it has no cancel.
	static void endDragOf(CView* holder);
	// Attach or detach every child, over a remembered copy of the list so that
	// a child's handler that adds or removes siblings cannot make the walk
	// skip or repeat one.
	void attachChildren();
	void detachChildren();

private:
	void releaseCachedDropTarget();
	// The focus child this container draws a ring for, or null.
	CView* focusChildToDraw() const;
	void drawFocus(CDrawContext* context, CView* focusView);
	void detachChild(CView* view, bool withForget);
	// Maps the point into the children's space and asks the drag holder's
	// mouse listeners, then, unless one handled it, the holder (moves and
	// releases only).
	CMouseEventResult forwardToMouseDownView(CView* view, MouseListenerCall call,
	                                         const CPoint& where, const CButtonState& buttons);
	// Whether a child reached by a press still takes part in it: still in
	// the list and, for a press that began in the tree, still attached. A
	// handler may have removed it, moved it elsewhere, or taken this
	// container or an ancestor out of the tree.
	bool keepsItsPlace(CView* child, bool inTree) const;
	// The child's mouse listeners, then the child, each only while the child
	// keeps its place. local is in the children's space.
	CMouseEventResult pressChild(CView* child, CPoint& local, const CButtonState& buttons, bool inTree);
	void dispatchContainerListeners(void (IViewContainerListener::*call)(CViewContainer*, CView*),
	                                CView* view);

	struct Impl;
	std::unique_ptr<Impl> impl;
};

} // namespace Kavrin
