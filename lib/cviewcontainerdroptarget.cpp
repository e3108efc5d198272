#include "lib/cviewcontainerdroptarget.h"

#include "lib/cviewcontainer.h"

#include <utility>

namespace Kavrin
{

CViewContainerDropTarget::CViewContainerDropTarget(CViewContainer* container) : container(container)
{
}

CViewContainerDropTarget::~CViewContainerDropTarget() noexcept = default;

DragEventData CViewContainerDropTarget::toChildren(DragEventData data) const
{
	container->mapToChildren(data.pos);
	return data;
}

// The references are taken out before the target is told, so that a handler
// that starts, moves or ends a drag from inside its own call finds this
// target in a state of its own and not in one about to be cleared.
void CViewContainerDropTarget::leaveCurrent(const DragEventData& childData)
{
	auto target = std::move(currentDragTarget);
	auto view = std::move(currentDragView);
	if (target && view)
		target->onDragLeave(childData);
}

DragOperation CViewContainerDropTarget::onDragEnter(DragEventData data)
{
	return onDragMove(data);
}

DragOperation CViewContainerDropTarget::onDragMove(DragEventData data)
{
	SharedPointer<CView> found =
	    container->getViewAt(data.pos, GetViewOptions().mouseEnabled().includeViewContainer());
	auto childData = toChildren(data);
	if (found == currentDragView)
	{
		auto target = currentDragTarget;
		return target ? target->onDragMove(childData) : DragOperation::None;
	}
	leaveCurrent(childData);
	if (!found)
		return DragOperation::None;
	auto target = found->getDropTarget();
	currentDragView = found;
	currentDragTarget = target;
	if (!target)
		return DragOperation::None;
	target->onDragEnter(childData);
	// A handler that ended this drag (or moved it elsewhere) while it was
	// being entered must not see a move without an enter.
	if (currentDragTarget != target)
		return DragOperation::None;
	return target->onDragMove(childData);
}

void CViewContainerDropTarget::onDragLeave(DragEventData data)
{
	leaveCurrent(toChildren(data));
}

bool CViewContainerDropTarget::onDrop(DragEventData data)
{
	auto target = std::move(currentDragTarget);
	auto view = std::move(currentDragView);
	if (!target)
		return false;
	return target->onDrop(toChildren(data));
}

} // namespace Kavrin
