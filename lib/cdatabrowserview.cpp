#include "lib/cdatabrowserview.h"

#include "lib/cdrawcontext.h"
#include "lib/cframe.h"

#include <algorithm>
#include <cmath>

namespace Kavrin
{

namespace
{

constexpr int32 kCellSelectedFlag = 1 << 1;

bool isSelected(const CDataBrowser& browser, int32 row)
{
	const auto& selection = browser.getSelection();
	return std::find(selection.begin(), selection.end(), row) != selection.end();
}

} // namespace

// ---- Cell view ----

CDataBrowserView::CDataBrowserView(const CRect& size, CDataBrowser* browser)
    : CView(size), browser(browser)
{
	setWantsFocus(true);
	setDropTarget(makeOwned<DropTargetAdapter<CDataBrowserView>>(this));
}

SharedPointer<IDropTarget> CDataBrowserView::getDropTarget()
{
	return CView::getDropTarget();
}

CDataBrowser::Cell CDataBrowserView::getCell(const CPoint& where) const
{
	if (!browser)
		return {};
	return browser->getCellAt(where - getViewSize().getTopLeft());
}

void CDataBrowserView::draw(CDrawContext* context)
{
	setDirty(false);
	SharedPointer<CDataBrowser> keep(browser);
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db)
		return;
	const CRect& size = getViewSize();
	CRect clip;
	context->getClipRect(clip);
	clip.bound(size);
	const double pitch = browser->getRowPitch();
	const int32 rows = std::max(0, db->dbGetNumRows(browser));
	const int32 columns = std::max(0, db->dbGetNumColumns(browser));
	if (pitch <= 0. || rows == 0 || clip.isEmpty())
		return;
	const auto firstRow = std::max(0, int32(std::floor((clip.top - size.top) / pitch)));
	const auto lastRow = std::min(rows, int32(std::ceil((clip.bottom - size.top) / pitch)));
	const bool rowLines = browser->getStyle() & CDataBrowser::kDrawRowLines;
	const bool columnLines = browser->getStyle() & CDataBrowser::kDrawColumnLines;
	for (int32 row = firstRow; row < lastRow; ++row)
	{
		const int32 flags = isSelected(*browser, row) ? kCellSelectedFlag : 0;
		for (int32 column = 0; column < columns; ++column)
		{
			CRect cell = browser->getCellBounds({row, column});
			if (cell.isEmpty())
				continue;
			cell.offset(size.getTopLeft());
			if (!cell.rectOverlap(clip))
				continue;
			context->saveGlobalState();
			context->setClipRect(CRect(cell).bound(clip));
			db->dbDrawCell(context, cell, row, column, flags, browser);
			context->restoreGlobalState();
		}
	}
	const double lineWidth = browser->getLineWidth();
	if (lineWidth <= 0. || !(rowLines || columnLines))
		return;
	context->saveGlobalState();
	context->setClipRect(clip);
	context->setFillColor(browser->getLineColor());
	if (rowLines)
	{
		for (int32 row = firstRow; row < lastRow; ++row)
		{
			const double bottom = size.top + row * pitch + pitch;
			context->drawRect(CRect(size.left, bottom - lineWidth, size.right, bottom),
			                  kDrawFilled);
		}
	}
	if (columnLines)
	{
		for (int32 column = 1; column <= columns; ++column)
		{
			const double right = size.left + browser->getColumnLeft(column);
			context->drawRect(CRect(right - lineWidth, size.top, right, size.bottom), kDrawFilled);
		}
	}
	context->restoreGlobalState();
}

void CDataBrowserView::selectOnClick(int32 row, const CButtonState& buttons)
{
	const uint32 modifiers = buttons.getModifierState();
	if (browser->getStyle() & CDataBrowser::kMultiSelectionStyle)
	{
		if (modifiers == kShiftModifier)
		{
			const auto& selection = browser->getSelection();
			const int32 from = selection.empty() ? -1 : selection.back();
			const int32 step = row >= from ? 1 : -1;
			// Each notice may change the rows or end the browser's delegate.
			for (int32 each = from; browser->getDelegate(); each += step)
			{
				browser->selectRow(each);
				if (each == row)
					break;
			}
		}
		else if (modifiers == kControlModifier)
		{
			if (isSelected(*browser, row))
				browser->unselectRow(row);
			else
				browser->selectRow(row);
		}
		else
			browser->setSelectedRow(row, false);
		return;
	}
	if (!isSelected(*browser, row))
	{
		browser->invalidateRow(row);
		browser->invalidateRow(browser->getSelectedRow());
		browser->setSelectedRow(row, false);
	}
}

CMouseEventResult CDataBrowserView::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CDataBrowser> keepBrowser(browser);
	if (CFrame* frame = getFrame(); frame && wantsFocus())
		frame->setFocusView(this);
	const CDataBrowser::Cell cell = getCell(where);
	if (!browser || !cell.isValid())
		return kMouseHandled;
	selectOnClick(cell.row, buttons);
	// A selection notice may have taken the delegate, the rows or the view.
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db || !isAttached() || cell.row >= db->dbGetNumRows(browser))
		return kMouseHandled;
	return db->dbOnMouseDown(where, buttons, cell.row, cell.column, browser);
}

CMouseEventResult CDataBrowserView::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	return forwardToCell(&IDataBrowserDelegate::dbOnMouseMoved, where, buttons);
}

CMouseEventResult CDataBrowserView::onMouseUp(CPoint& where, const CButtonState& buttons)
{
	return forwardToCell(&IDataBrowserDelegate::dbOnMouseUp, where, buttons);
}

CMouseEventResult CDataBrowserView::forwardToCell(CellMouseCall call, const CPoint& where,
                                                  const CButtonState& buttons)
{
	SharedPointer<CDataBrowser> keepBrowser(browser);
	const CDataBrowser::Cell cell = getCell(where);
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db || !cell.isValid())
		return kMouseNotHandled;
	return (db->*call)(where, buttons, cell.row, cell.column, browser);
}

int32 CDataBrowserView::onKeyDown(MoxKeyCode& keyCode)
{
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CDataBrowser> keepBrowser(browser);
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db)
		return kKeyNotHandled;
	const int32 result = db->dbOnKeyDown(keyCode, browser);
	if (result != kKeyNotHandled)
		return result;
	if (keyCode.modifier != 0 || !browser->getDelegate())
		return kKeyNotHandled;
	const double pitch = browser->getRowPitch();
	const CScrollContainer* content = browser->getScrollContainer();
	const int32 page =
	    (pitch > 0. && content) ? int32(content->getViewSize().getHeight() / pitch) : 1;
	int32 step = 0;
	switch (keyCode.virt)
	{
	case kVKeyUp:
		step = -1;
		break;
	case kVKeyDown:
		step = 1;
		break;
	case kVKeyPageUp:
		step = -page;
		break;
	case kVKeyPageDown:
		step = page;
		break;
	default:
		return kKeyNotHandled;
	}
	const int32 selected = browser->getSelectedRow();
	const int32 rows = browser->getDelegate()->dbGetNumRows(browser);
	const int32 row = std::max(0, std::min(selected + step, rows));
	if (row == selected)
		return kKeyHandled;
	browser->invalidateRow(selected);
	browser->invalidateRow(row);
	browser->setSelectedRow(row, true);
	return kKeyHandled;
}

DragOperation CDataBrowserView::onDragEnter(DragEventData data)
{
	SharedPointer<CDataBrowser> keepBrowser(browser);
	dragCell = {};
	if (browser && browser->getDelegate())
		browser->getDelegate()->dbOnDragEnterBrowser(data.drag, browser);
	return onDragMove(data);
}

DragOperation CDataBrowserView::onDragMove(DragEventData data)
{
	SharedPointer<CDataBrowser> keepBrowser(browser);
	const CDataBrowser::Cell cell = getCell(data.pos);
	const CDataBrowser::Cell previous = dragCell;
	dragCell = cell;
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db)
		return DragOperation::None;
	if (previous.isValid() && previous != cell)
		db->dbOnDragExitCell(previous.row, previous.column, data.drag, browser);
	if (!cell.isValid() || !(db = browser->getDelegate()))
		return DragOperation::None;
	const CPoint where = data.pos - getViewSize().getTopLeft();
	if (previous != cell)
		return db->dbOnDragEnterCell(cell.row, cell.column, where, data.drag, browser);
	return db->dbOnDragMoveInCell(cell.row, cell.column, where, data.drag, browser);
}

void CDataBrowserView::onDragLeave(DragEventData data)
{
	SharedPointer<CDataBrowser> keepBrowser(browser);
	const CDataBrowser::Cell previous = std::exchange(dragCell, CDataBrowser::Cell{});
	if (!browser || !browser->getDelegate())
		return;
	if (previous.isValid())
		browser->getDelegate()->dbOnDragExitCell(previous.row, previous.column, data.drag, browser);
	if (browser->getDelegate())
		browser->getDelegate()->dbOnDragExitBrowser(data.drag, browser);
}

bool CDataBrowserView::onDrop(DragEventData data)
{
	SharedPointer<CDataBrowser> keepBrowser(browser);
	const CDataBrowser::Cell cell = getCell(data.pos);
	dragCell = {};
	bool result = false;
	if (browser && browser->getDelegate() && cell.isValid())
		result = browser->getDelegate()->dbOnDropInCell(
		    cell.row, cell.column, data.pos - getViewSize().getTopLeft(), data.drag, browser);
	if (browser && browser->getDelegate())
		browser->getDelegate()->dbOnDragExitBrowser(data.drag, browser);
	return result;
}

// ---- Header ----

CDataBrowserHeader::CDataBrowserHeader(const CRect& size, CDataBrowser* browser)
    : CView(size), browser(browser)
{
}

void CDataBrowserHeader::draw(CDrawContext* context)
{
	setDirty(false);
	SharedPointer<CDataBrowser> keep(browser);
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db)
		return;
	const CRect& size = getViewSize();
	const int32 columns = std::max(0, db->dbGetNumColumns(browser));
	const double lineWidth = browser->getLineWidth();
	const double columnLine =
	    (browser->getStyle() & CDataBrowser::kDrawColumnLines) ? lineWidth : 0.;
	const double bottom = size.bottom - lineWidth;
	for (int32 column = 0; column < columns && browser->getDelegate(); ++column)
	{
		CRect cell(size.left + browser->getColumnLeft(column), size.top,
		           size.left + browser->getColumnLeft(column + 1) - columnLine, bottom);
		context->saveGlobalState();
		context->setClipRect(cell);
		browser->getDelegate()->dbDrawHeader(context, cell, column, 0, browser);
		context->restoreGlobalState();
	}
	if (lineWidth <= 0.)
		return;
	context->setFillColor(browser->getLineColor());
	context->drawRect(CRect(size.left, bottom, size.right, size.bottom), kDrawFilled);
	for (int32 column = 1; columnLine > 0. && column <= columns; ++column)
	{
		const double right = size.left + browser->getColumnLeft(column);
		context->drawRect(CRect(right - columnLine, size.top, right, bottom), kDrawFilled);
	}
}

int32 CDataBrowserHeader::columnEdgeAt(const CPoint& where) const
{
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (!db)
		return -1;
	const double x = where.x - getViewSize().left;
	const int32 columns = std::max(0, db->dbGetNumColumns(browser));
	for (int32 column = 0; column < columns; ++column)
	{
		if (std::abs(browser->getColumnLeft(column + 1) - x) <= kEdgeGrip)
			return column;
	}
	return -1;
}

void CDataBrowserHeader::setResizeCursor(bool state)
{
	if (CFrame* frame = getFrame())
		frame->setCursor(state ? kCursorHSize : kCursorDefault);
}

CMouseEventResult CDataBrowserHeader::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	if (!buttons.isLeftButton())
		return kMouseNotHandled;
	resizingColumn = columnEdgeAt(where);
	if (resizingColumn < 0)
		return kMouseNotHandled;
	dragStartX = where.x;
	startWidth = browser->getDelegate()->dbGetCurrentColumnWidth(resizingColumn, browser);
	setResizeCursor(true);
	return kMouseHandled;
}

CMouseEventResult CDataBrowserHeader::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CDataBrowser> keepBrowser(browser);
	IDataBrowserDelegate* db = browser ? browser->getDelegate() : nullptr;
	if (resizingColumn < 0 || !buttons.isLeftButton() || !db)
	{
		setResizeCursor(columnEdgeAt(where) >= 0);
		return kMouseHandled;
	}
	double width = std::max(0., startWidth + where.x - dragStartX);
	double minWidth = 0.;
	double maxWidth = 0.;
	if (db->dbGetColumnDescription(resizingColumn, minWidth, maxWidth, browser))
		width = std::max(minWidth, std::min(maxWidth, width));
	if (width != db->dbGetCurrentColumnWidth(resizingColumn, browser))
	{
		db->dbSetCurrentColumnWidth(resizingColumn, width, browser);
		if (browser && browser->getDelegate())
			browser->recalculateLayout(true);
	}
	return kMouseHandled;
}

CMouseEventResult CDataBrowserHeader::onMouseUp(CPoint& where, const CButtonState&)
{
	resizingColumn = -1;
	setResizeCursor(columnEdgeAt(where) >= 0);
	return kMouseHandled;
}

CMouseEventResult CDataBrowserHeader::onMouseExited(CPoint&, const CButtonState&)
{
	if (resizingColumn < 0)
		setResizeCursor(false);
	return kMouseHandled;
}

CMouseEventResult CDataBrowserHeader::onMouseCancel()
{
	resizingColumn = -1;
	setResizeCursor(false);
	return kMouseHandled;
}

} // namespace Kavrin
