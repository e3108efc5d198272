#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/reference.h"

namespace Kavrin {

class CBitmap;
class IDataPackage;

enum class DragOperation : int32
{
	Copy = 0,
	Move = 1,
	None = 2,
};

// What a drop target receives. pos is in the coordinates of the receiver's
// parent when it reaches a view's drop target.
struct DragEventData
{
	IDataPackage* drag {nullptr};
	CPoint pos;
	CButtonState modifiers;
};

// What a view hands over to start a drag.
struct DragDescription
{
	SharedPointer<IDataPackage> data;
	SharedPointer<CBitmap> bitmap;
	CPoint bitmapOffset;
};

class IDraggingSession
{
public:
	virtual ~IDraggingSession() noexcept = default;
	virtual bool setBitmap(const SharedPointer<CBitmap>& bitmap, const CPoint& offset) = 0;
};

// Follows a drag the toolkit started.
class IDragCallback : virtual public IReference
{
public:
	~IDragCallback() noexcept override = default;
	virtual void dragWillBegin(IDraggingSession* session, const CPoint& pos) = 0;
	virtual void dragMoved(IDraggingSession* session, const CPoint& pos) = 0;
	virtual void dragEnded(IDraggingSession* session, const CPoint& pos, DragOperation result) = 0;
};

// A view's receiver for drags. A view stores its drop target by reference.
class IDropTarget : virtual public IReference
{
public:
	~IDropTarget() noexcept override = default;
	virtual DragOperation onDragEnter(DragEventData data) = 0;
	virtual DragOperation onDragMove(DragEventData data) = 0;
	virtual void onDragLeave(DragEventData data) = 0;
	virtual bool onDrop(DragEventData data) = 0;
};

// Lets a view class be its own drop target: each call goes to the view's
// handler of the same name. The view is not retained: it holds the adapter
// as its drop target, and a reference back would keep both alive for ever.
template <typename View>
class DropTargetAdapter : public IDropTarget, public NonAtomicReferenceCounted
{
public:
	explicit DropTargetAdapter(View* view) : view(view) {}

	DragOperation onDragEnter(DragEventData data) override { return view->onDragEnter(data); }
	DragOperation onDragMove(DragEventData data) override { return view->onDragMove(data); }
	void onDragLeave(DragEventData data) override { view->onDragLeave(data); }
	bool onDrop(DragEventData data) override { return view->onDrop(data); }

private:
	View* view;
};

} // namespace Kavrin
