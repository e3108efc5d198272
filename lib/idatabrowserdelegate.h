#pragma once

#include "lib/cbuttonstate.h"
#include "lib/ccolor.h"
#include "lib/crect.h"
#include "lib/dragging.h"
#include "lib/kavrintypes.h"
#include "lib/moxkeycode.h"

namespace Kavrin
{

class CDataBrowser;
class CDrawContext;
class CTextEdit;
class IDataPackage;

// Everything a data browser shows and does comes from its delegate. Row and
// column indices are those of the browser's cells; -1 means none.
class IDataBrowserDelegate
{
public:
	virtual ~IDataBrowserDelegate() noexcept = default;

	virtual int32 dbGetNumRows(CDataBrowser* browser) = 0;
	virtual int32 dbGetNumColumns(CDataBrowser* browser) = 0;
	virtual bool dbGetColumnDescription(int32 index, double& minWidth, double& maxWidth,
	                                    CDataBrowser* browser) = 0;
	virtual double dbGetCurrentColumnWidth(int32 index, CDataBrowser* browser) = 0;
	virtual void dbSetCurrentColumnWidth(int32 index, const double& width,
	                                     CDataBrowser* browser) = 0;
	virtual double dbGetRowHeight(CDataBrowser* browser) = 0;
	virtual double dbGetHeaderHeight(CDataBrowser* browser) = 0;
	virtual bool dbGetLineWidthAndColor(double& width, CColor& color, CDataBrowser* browser) = 0;
	virtual void dbAttached(CDataBrowser* browser) = 0;
	virtual void dbRemoved(CDataBrowser* browser) = 0;
	virtual void dbDrawHeader(CDrawContext* context, const CRect& size, int32 column, int32 flags,
	                          CDataBrowser* browser) = 0;
	virtual void dbDrawCell(CDrawContext* context, const CRect& size, int32 row, int32 column,
	                        int32 flags, CDataBrowser* browser) = 0;
	virtual CMouseEventResult dbOnMouseDown(const CPoint& where, const CButtonState& buttons,
	                                        int32 row, int32 column, CDataBrowser* browser) = 0;
	virtual CMouseEventResult dbOnMouseMoved(const CPoint& where, const CButtonState& buttons,
	                                         int32 row, int32 column, CDataBrowser* browser) = 0;
	virtual CMouseEventResult dbOnMouseUp(const CPoint& where, const CButtonState& buttons,
	                                      int32 row, int32 column, CDataBrowser* browser) = 0;
	virtual void dbOnDragEnterBrowser(IDataPackage* drag, CDataBrowser* browser) = 0;
	virtual void dbOnDragExitBrowser(IDataPackage* drag, CDataBrowser* browser) = 0;
	virtual DragOperation dbOnDragEnterCell(int32 row, int32 column, const CPoint& where,
	                                        IDataPackage* drag, CDataBrowser* browser) = 0;
	virtual DragOperation dbOnDragMoveInCell(int32 row, int32 column, const CPoint& where,
	                                         IDataPackage* drag, CDataBrowser* browser) = 0;
	virtual void dbOnDragExitCell(int32 row, int32 column, IDataPackage* drag,
	                              CDataBrowser* browser) = 0;
	virtual bool dbOnDropInCell(int32 row, int32 column, const CPoint& where, IDataPackage* drag,
	                            CDataBrowser* browser) = 0;
	virtual void dbSelectionChanged(CDataBrowser* browser) = 0;
	virtual void dbCellTextChanged(int32 row, int32 column, const char* newText,
	                               CDataBrowser* browser) = 0;
	virtual void dbCellSetupTextEdit(int32 row, int32 column, CTextEdit* textEdit,
	                                 CDataBrowser* browser) = 0;
	virtual int32 dbOnKeyDown(const MoxKeyCode& key, CDataBrowser* browser) = 0;
};

// A delegate with the usual answers for everything a simple list does not
// care about; the rest must still be given.
class DataBrowserDelegateAdapter : public IDataBrowserDelegate
{
public:
	int32 dbGetNumColumns(CDataBrowser*) override { return 1; }
	bool dbGetColumnDescription(int32, double&, double&, CDataBrowser*) override { return false; }
	void dbSetCurrentColumnWidth(int32, const double&, CDataBrowser*) override {}
	double dbGetHeaderHeight(CDataBrowser* browser) override { return dbGetRowHeight(browser); }
	CMouseEventResult dbOnMouseMoved(const CPoint&, const CButtonState&, int32, int32,
	                                 CDataBrowser*) override
	{
		return kMouseNotHandled;
	}
	CMouseEventResult dbOnMouseUp(const CPoint&, const CButtonState&, int32, int32,
	                              CDataBrowser*) override
	{
		return kMouseNotHandled;
	}
	void dbOnDragEnterBrowser(IDataPackage*, CDataBrowser*) override {}
	void dbOnDragExitBrowser(IDataPackage*, CDataBrowser*) override {}
	DragOperation dbOnDragEnterCell(int32, int32, const CPoint&, IDataPackage*,
	                                CDataBrowser*) override
	{
		return DragOperation::None;
	}
	DragOperation dbOnDragMoveInCell(int32, int32, const CPoint&, IDataPackage*,
	                                 CDataBrowser*) override
	{
		return DragOperation::None;
	}
	void dbOnDragExitCell(int32, int32, IDataPackage*, CDataBrowser*) override {}
	bool dbOnDropInCell(int32, int32, const CPoint&, IDataPackage*, CDataBrowser*) override
	{
		return false;
	}
	void dbCellTextChanged(int32, int32, const char*, CDataBrowser*) override {}
	void dbCellSetupTextEdit(int32, int32, CTextEdit*, CDataBrowser*) override {}
};

} // namespace Kavrin
