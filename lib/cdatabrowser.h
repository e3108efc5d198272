#pragma once

#include "lib/cscrollview.h"
#include "lib/idatabrowserdelegate.h"

#include <vector>

namespace Kavrin
{

class CDataBrowserView;
class CDataBrowserHeader;
class CTextEdit;

// A scrolling table whose content comes entirely from a delegate: sizes,
// drawing, input, drag and drop, selection notices and in-place editing.
// The scroll content holds the cell view; with kDrawHeader a header band
// above it follows the horizontal scroll offset.
class CDataBrowser : public CScrollView
{
public:
	enum CDataBrowserStyle : int32
	{
		kDrawRowLines = 1 << 7,
		kDrawColumnLines = 1 << 8,
		kDrawHeader = 1 << 9,
		kMultiSelectionStyle = 1 << 10,
	};

	struct Cell
	{
		int32 row{-1};
		int32 column{-1};

		bool isValid() const { return row >= 0 && column >= 0; }
		bool operator==(const Cell& other) const
		{
			return row == other.row && column == other.column;
		}
		bool operator!=(const Cell& other) const { return !(*this == other); }
	};

	using Selection = std::vector<int32>;

	// A reference-counted delegate is retained.
	CDataBrowser(const CRect& size, IDataBrowserDelegate* delegate, int32 style = 0,
	             double scrollbarWidth = 16., CBitmap* background = nullptr);
	~CDataBrowser() noexcept override;

	virtual int32 getSelectedRow() const;
	virtual void setSelectedRow(int32 row, bool makeVisible = false);
	virtual void selectRow(int32 row);
	virtual void unselectRow(int32 row);
	virtual void unselectAll();
	virtual void validateSelection();
	const Selection& getSelection() const { return selection; }

	// In the cell view's own coordinates (the content's).
	virtual CRect getCellBounds(const Cell& cell);
	virtual Cell getCellAt(const CPoint& where) const;
	virtual void makeRowVisible(int32 row);
	virtual void invalidate(const Cell& cell);
	virtual void invalidateRow(int32 row);
	// Asks the delegate for every size again; without rememberSelection the
	// selection is dropped, with it only rows now beyond the end are.
	virtual void recalculateLayout(bool rememberSelection = false);

	// Opens a field over the cell; the delegate hears its text when it
	// closes. Null when the cell does not exist or the browser went.
	virtual CTextEdit* beginTextEdit(const Cell& cell, const char* initialText);

	IDataBrowserDelegate* getDelegate() const { return db; }
	CDataBrowserView* getCellView() const { return dbView; }
	CDataBrowserHeader* getHeaderView() const { return dbHeader; }

	// Column widths may follow the browser's width: the layout is redone.
	void setViewSize(const CRect& size, bool invalid = true) override;
	void setAutosizeFlags(int32 flags) override;
	void setWantsFocus(bool state) override;
	bool wantsFocus() const override;
	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	int32 onKeyDown(MoxKeyCode& keyCode) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	void valueChanged(CControl* control) override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	void recalculateSubViews() override;
	void beforeDelete() override;

	// The pitch of a row and the line under it (0 without kDrawRowLines).
	double getRowPitch() const;
	double getLineWidth() const { return lineWidth; }
	const CColor& getLineColor() const { return lineColor; }
	// The header band's height (0 without kDrawHeader).
	double getHeaderBand() const;
	// The column's left edge in content coordinates, column count for the end.
	double getColumnLeft(int32 column) const;

	// Tells the delegate the selection changed; it may remove rows or this
	// browser meanwhile.
	void notifySelectionChanged();

private:
	void placeHeader();
	void releaseDelegate();

	IDataBrowserDelegate* db{nullptr};
	CDataBrowserView* dbView{nullptr};
	CDataBrowserHeader* dbHeader{nullptr};
	CViewContainer* dbHeaderContainer{nullptr};
	Selection selection;
	double lineWidth{0.};
	CColor lineColor;
	double rowHeight{0.};
	double headerHeight{0.};
	std::vector<double> columnLefts{0.};
};

} // namespace Kavrin
