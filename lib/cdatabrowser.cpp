#include "lib/cdatabrowser.h"

#include "lib/cdatabrowserview.h"
#include "lib/cframe.h"
#include "lib/controls/ctextedit.h"
#include "lib/messages.h"

#include <algorithm>
#include <cmath>

namespace Kavrin
{

namespace
{

constexpr CViewAttributeID kEditedRowAttribute = makeViewAttributeID("row ");
constexpr CViewAttributeID kEditedColumnAttribute = makeViewAttributeID("col ");
constexpr int32 kCellViewAutosize = 13;
constexpr int32 kHeaderContainerAutosize = 7;

IReference* asReference(IDataBrowserDelegate* delegate)
{
	return dynamic_cast<IReference*>(delegate);
}

} // namespace

CDataBrowser::CDataBrowser(const CRect& size, IDataBrowserDelegate* delegate, int32 style,
                           double scrollbarWidth, CBitmap* background)
    : CScrollView(size, CRect(0, 0, 0, 0), style, scrollbarWidth, background), db(delegate)
{
	if (auto reference = asReference(db))
		reference->remember();
	setTransparency(true);
	dbView = new CDataBrowserView(CRect(0, 0, 0, 0), this);
	dbView->setAutosizeFlags(kCellViewAutosize);
	addView(dbView);
}

CDataBrowser::~CDataBrowser() noexcept
{
	releaseDelegate();
}

void CDataBrowser::beforeDelete()
{
	if (dbView)
		dbView->detachBrowser();
	if (dbHeader)
		dbHeader->detachBrowser();
	releaseDelegate();
	CScrollView::beforeDelete();
}

void CDataBrowser::releaseDelegate()
{
	if (auto reference = asReference(std::exchange(db, nullptr)))
		reference->forget();
}

// ---- Geometry ----

double CDataBrowser::getRowPitch() const
{
	return rowHeight + ((getStyle() & kDrawRowLines) ? lineWidth : 0.);
}

double CDataBrowser::getHeaderBand() const
{
	return (getStyle() & kDrawHeader) ? headerHeight + lineWidth : 0.;
}

double CDataBrowser::getColumnLeft(int32 column) const
{
	if (column <= 0)
		return 0.;
	const size_t index = std::min(size_t(column), columnLefts.size() - 1);
	return columnLefts[index];
}

CRect CDataBrowser::getCellBounds(const Cell& cell)
{
	if (!cell.isValid() || cell.column + 1 >= int32(columnLefts.size()))
		return {};
	const double pitch = getRowPitch();
	const double columnLine = (getStyle() & kDrawColumnLines) ? lineWidth : 0.;
	const double left = columnLefts[size_t(cell.column)];
	const double right = columnLefts[size_t(cell.column) + 1] - columnLine;
	const double top = cell.row * pitch;
	return CRect(left, top, right, top + rowHeight);
}

CDataBrowser::Cell CDataBrowser::getCellAt(const CPoint& where) const
{
	Cell cell;
	const double pitch = getRowPitch();
	if (!db || pitch <= 0. || where.x < 0. || where.y < 0.)
		return cell;
	const int32 rows = std::max(0, db->dbGetNumRows(const_cast<CDataBrowser*>(this)));
	const auto row = int32(std::floor(where.y / pitch));
	if (row >= rows)
		return cell;
	auto next = std::upper_bound(columnLefts.begin(), columnLefts.end(), where.x);
	if (next == columnLefts.begin() || next == columnLefts.end())
		return cell;
	cell.row = row;
	cell.column = int32(next - columnLefts.begin()) - 1;
	return cell;
}

void CDataBrowser::recalculateLayout(bool rememberSelection)
{
	SharedPointer<CView> keepAlive(this);
	if (!db)
		return;
	CColor color;
	double width = 0.;
	lineWidth = db->dbGetLineWidthAndColor(width, color, this) ? std::max(0., width) : 0.;
	lineColor = color;
	rowHeight = std::max(0., db->dbGetRowHeight(this));
	headerHeight = std::max(0., db->dbGetHeaderHeight(this));
	const int32 rows = std::max(0, db->dbGetNumRows(this));
	const int32 columns = std::max(0, db->dbGetNumColumns(this));
	const double columnLine = (getStyle() & kDrawColumnLines) ? lineWidth : 0.;
	columnLefts.assign(1, 0.);
	for (int32 column = 0; column < columns && db; ++column)
		columnLefts.push_back(columnLefts.back() +
		                      std::max(0., db->dbGetCurrentColumnWidth(column, this)) + columnLine);
	const CRect content(0, 0, columnLefts.back(), rows * getRowPitch());
	const CPoint offset = getScrollOffset();
	dbView->setViewSize(CRect(content).offset(offset.x, -offset.y));
	setContainerSize(content, true);
	recalculateSubViews();
	invalid();
	if (rememberSelection)
		validateSelection();
	else
		unselectAll();
}

void CDataBrowser::recalculateSubViews()
{
	SharedPointer<CView> keepAlive(this);
	CScrollView::recalculateSubViews();
	placeHeader();
}

void CDataBrowser::placeHeader()
{
	CScrollContainer* content = getScrollContainer();
	if (!(getStyle() & kDrawHeader) || !content || !db)
		return;
	const double band = getHeaderBand();
	CRect area = content->getViewSize();
	CRect headerArea(area.left, area.top, area.right, area.top + band);
	if (!dbHeaderContainer)
	{
		dbHeaderContainer = new CViewContainer(headerArea);
		dbHeaderContainer->setTransparency(true);
		dbHeaderContainer->setAutosizeFlags(kHeaderContainerAutosize);
		dbHeader = new CDataBrowserHeader(CRect(0, 0, 0, band), this);
		dbHeaderContainer->addView(dbHeader);
		CViewContainer::addView(dbHeaderContainer);
	}
	else
		dbHeaderContainer->setViewSize(headerArea);
	area.top = std::min(area.bottom, area.top + band);
	if (area != content->getViewSize())
		content->setViewSize(area);
	const double x = getScrollOffset().x;
	dbHeader->setViewSize(CRect(x, 0, x + columnLefts.back(), band));
	dbHeader->invalid();
}

void CDataBrowser::invalidate(const Cell& cell)
{
	if (!dbView)
		return;
	CRect bounds = getCellBounds(cell);
	if (bounds.isEmpty())
		return;
	bounds.offset(dbView->getViewSize().getTopLeft());
	dbView->invalidRect(bounds);
}

void CDataBrowser::invalidateRow(int32 row)
{
	if (!dbView || row < 0)
		return;
	const CRect& size = dbView->getViewSize();
	const double top = size.top + row * getRowPitch();
	dbView->invalidRect(CRect(size.left, top, size.right, top + getRowPitch()));
}

void CDataBrowser::makeRowVisible(int32 row)
{
	CScrollContainer* content = getScrollContainer();
	if (!content || row < 0)
		return;
	const CRect visible = content->getVisibleContentRect();
	const double top = row * getRowPitch();
	makeRectVisible(CRect(visible.left, top, visible.right, top + getRowPitch()));
}

// ---- Selection ----

void CDataBrowser::notifySelectionChanged()
{
	// The delegate may remove rows, or this browser, while it hears of it.
	SharedPointer<CView> keepAlive(this);
	if (db)
		db->dbSelectionChanged(this);
}

int32 CDataBrowser::getSelectedRow() const
{
	return selection.empty() ? -1 : selection.front();
}

void CDataBrowser::setSelectedRow(int32 row, bool makeVisible)
{
	SharedPointer<CView> keepAlive(this);
	if (row >= 0 && db)
		row = std::min(row, db->dbGetNumRows(this) - 1);
	if (row < 0 || !db)
	{
		unselectAll();
		return;
	}
	bool changed = false;
	auto found = std::find(selection.begin(), selection.end(), row);
	if (found != selection.end())
	{
		selection.erase(found);
		changed = !selection.empty();
	}
	else
	{
		invalidateRow(row);
		changed = true;
	}
	for (int32 other : selection)
		invalidateRow(other);
	selection.assign(1, row);
	if (changed)
		notifySelectionChanged();
	if (makeVisible)
		makeRowVisible(row);
}

void CDataBrowser::selectRow(int32 row)
{
	if (!db || row < 0 || row >= db->dbGetNumRows(this))
		return;
	if (std::find(selection.begin(), selection.end(), row) != selection.end())
		return;
	if (!(getStyle() & kMultiSelectionStyle))
	{
		setSelectedRow(row, false);
		return;
	}
	selection.push_back(row);
	invalidateRow(row);
	notifySelectionChanged();
}

void CDataBrowser::unselectRow(int32 row)
{
	auto found = std::find(selection.begin(), selection.end(), row);
	if (found == selection.end())
		return;
	if (!(getStyle() & kMultiSelectionStyle))
	{
		unselectAll();
		return;
	}
	selection.erase(found);
	invalidateRow(row);
	notifySelectionChanged();
}

void CDataBrowser::unselectAll()
{
	if (selection.empty())
		return;
	for (int32 row : selection)
		invalidateRow(row);
	selection.clear();
	notifySelectionChanged();
}

void CDataBrowser::validateSelection()
{
	const int32 rows = db ? std::max(0, db->dbGetNumRows(this)) : 0;
	auto beyond = std::remove_if(selection.begin(), selection.end(),
	                             [rows](int32 row) { return row >= rows; });
	if (beyond == selection.end())
		return;
	selection.erase(beyond, selection.end());
	notifySelectionChanged();
}

// ---- Editing ----

CTextEdit* CDataBrowser::beginTextEdit(const Cell& cell, const char* initialText)
{
	SharedPointer<CView> keepAlive(this);
	CScrollContainer* content = getScrollContainer();
	if (!db || !content || !cell.isValid() || getCellBounds(cell).isEmpty())
		return nullptr;
	makeRowVisible(cell.row);
	CRect bounds = getCellBounds(cell);
	bounds.offset(dbView->getViewSize().getTopLeft());
	SharedPointer<CTextEdit> textEdit = owned(new CTextEdit(bounds, nullptr, -1, initialText));
	textEdit->setAttributeValue(kEditedRowAttribute, cell.row);
	textEdit->setAttributeValue(kEditedColumnAttribute, cell.column);
	db->dbCellSetupTextEdit(cell.row, cell.column, textEdit, this);
	// The delegate may have removed this browser while setting the field up.
	if (!db || !isAttached() || !getScrollContainer() || !getScrollContainer()->addView(textEdit))
		return nullptr;
	textEdit->remember();
	if (CFrame* frame = getFrame())
		frame->setFocusView(textEdit);
	return textEdit->getParentView() ? textEdit.get() : nullptr;
}

NotifyResult CDataBrowser::notify(CBaseObject* sender, const char* message)
{
	if (message != kMsgLooseFocus)
		return CScrollView::notify(sender, message);
	auto textEdit = dynamic_cast<CTextEdit*>(sender);
	Cell cell;
	if (!textEdit || !textEdit->getAttributeValue(kEditedRowAttribute, cell.row) ||
	    !textEdit->getAttributeValue(kEditedColumnAttribute, cell.column))
		return CScrollView::notify(sender, message);
	SharedPointer<CView> keepAlive(this);
	SharedPointer<CTextEdit> keepEdit(textEdit);
	if (db)
		db->dbCellTextChanged(cell.row, cell.column, textEdit->getText().get(), this);
	if (auto parent = textEdit->getParentView(); parent && parent == getScrollContainer())
		getScrollContainer()->removeView(textEdit);
	if (CFrame* frame = getFrame(); frame && dbView && dbView->isAttached())
		frame->setFocusView(dbView);
	return kMessageHandled;
}

// ---- Forwarding ----

void CDataBrowser::setViewSize(const CRect& size, bool invalid)
{
	SharedPointer<CView> keepAlive(this);
	const bool resized = size != getViewSize();
	CScrollView::setViewSize(size, invalid);
	if (resized && isAttached())
		recalculateLayout(true);
}

void CDataBrowser::setAutosizeFlags(int32 flags)
{
	CScrollView::setAutosizeFlags(flags);
}

void CDataBrowser::setWantsFocus(bool state)
{
	if (dbView)
		dbView->setWantsFocus(state);
}

bool CDataBrowser::wantsFocus() const
{
	return dbView && dbView->wantsFocus();
}

bool CDataBrowser::attached(CView* parent)
{
	SharedPointer<CView> keepAlive(this);
	if (!CScrollView::attached(parent))
		return false;
	if (db)
		db->dbAttached(this);
	if (isAttached())
		recalculateLayout(true);
	return true;
}

bool CDataBrowser::removed(CView* parent)
{
	SharedPointer<CView> keepAlive(this);
	if (!CScrollView::removed(parent))
		return false;
	if (db)
		db->dbRemoved(this);
	return true;
}

int32 CDataBrowser::onKeyDown(MoxKeyCode& keyCode)
{
	return CScrollView::onKeyDown(keyCode);
}

CMouseEventResult CDataBrowser::onMouseDown(CPoint& where, const CButtonState& buttons)
{
	return CScrollView::onMouseDown(where, buttons);
}

void CDataBrowser::valueChanged(CControl* control)
{
	SharedPointer<CView> keepAlive(this);
	CScrollView::valueChanged(control);
	if (dbHeader)
	{
		const double x = getScrollOffset().x;
		dbHeader->setViewSize(CRect(x, 0, x + columnLefts.back(), getHeaderBand()));
		dbHeader->invalid();
	}
	// The content moved under a still pointer: the cell under it changed.
	CFrame* frame = getFrame();
	if (!frame || !dbView || !db)
		return;
	CPoint where;
	frame->getCurrentMouseLocation(where);
	dbView->frameToLocal(where);
	if (dbView->getViewSize().pointInside(where))
		dbView->onMouseMoved(where, frame->getCurrentMouseButtons());
}

} // namespace Kavrin
