#pragma once

#include "lib/cdatabrowser.h"
#include "lib/cview.h"
#include "lib/dragging.h"

namespace Kavrin
{

// The cell area of a data browser: draws the cells and the grid through the
// delegate, selects by mouse and keys, and forwards input and drags.
class CDataBrowserView : public CView
{
public:
	CDataBrowserView(const CRect& size, CDataBrowser* browser);

	void draw(CDrawContext* context) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	SharedPointer<IDropTarget> getDropTarget() override;

	DragOperation onDragEnter(DragEventData data);
	DragOperation onDragMove(DragEventData data);
	void onDragLeave(DragEventData data);
	bool onDrop(DragEventData data);

	// The cell at where (the parent's coordinates); invalid outside all cells.
	CDataBrowser::Cell getCell(const CPoint& where) const;
	// Dropped as the browser goes, so nothing calls back into it.
	void detachBrowser() { browser = nullptr; }

private:
	using CellMouseCall = CMouseEventResult (IDataBrowserDelegate::*)(const CPoint&, const CButtonState&, int32,
	                                                                  int32, CDataBrowser*);

	void selectOnClick(int32 row, const CButtonState& buttons);
	// A move or release over a cell goes to the delegate with the cell.
	CMouseEventResult forwardToCell(CellMouseCall call, const CPoint& where, const CButtonState& buttons);
	CDataBrowser::Cell dragCell;
	CDataBrowser* browser;
};

// The header band: draws column headers through the delegate and resizes
// columns by dragging their right edges.
class CDataBrowserHeader : public CView
{
public:
	// How near an edge the pointer must be to grab it.
	static constexpr double kEdgeGrip = 3.;

	CDataBrowserHeader(const CRect& size, CDataBrowser* browser);

	void draw(CDrawContext* context) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseCancel() override;

	// The column whose right edge lies under where (parent coordinates), or -1.
	int32 columnEdgeAt(const CPoint& where) const;
	void detachBrowser() { browser = nullptr; }

private:
	void setResizeCursor(bool state);
	CDataBrowser* browser;
	int32 resizingColumn{-1};
	double dragStartX{0.};
	double startWidth{0.};
};

} // namespace Kavrin
