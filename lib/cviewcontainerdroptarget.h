#pragma once

#include "lib/dragging.h"

namespace Kavrin
{

class CView;
class CViewContainer;

// Routes a drag entering a container to the drop target of the child under
// the mouse, one level at a time: a child container routes it further with
// its own drop target.
class CViewContainerDropTarget : public IDropTarget, public NonAtomicReferenceCounted
{
public:
	// The container is not retained: the frame caches its own target, and a
	// child container is kept alive by its parent's target while a drag is
	// over it.
	explicit CViewContainerDropTarget(CViewContainer* container);
	~CViewContainerDropTarget() noexcept override;

	DragOperation onDragEnter(DragEventData data) override;
	DragOperation onDragMove(DragEventData data) override;
	void onDragLeave(DragEventData data) override;
	bool onDrop(DragEventData data) override;

	CView* getCurrentDragView() const { return currentDragView; }
	IDropTarget* getCurrentDragTarget() const { return currentDragTarget; }

private:
	// From the container's parent's coordinates into its children's space.
	DragEventData toChildren(DragEventData data) const;
	// Tells the current target the drag left it and lets go of it and its view.
	void leaveCurrent(const DragEventData& childData);

	CViewContainer* container;
	SharedPointer<IDropTarget> currentDragTarget;
	SharedPointer<CView> currentDragView;
};

} // namespace Kavrin
