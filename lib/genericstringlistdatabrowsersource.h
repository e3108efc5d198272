#pragma once

#include "lib/cbaseobject.h"
#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/cfont.h"
#include "lib/cpoint.h"
#include "lib/cstring.h"
#include "lib/idatabrowserdelegate.h"

#include <string>
#include <vector>

namespace Kavrin
{

class CKavrinTimer;
class GenericStringListDataBrowserSource;

// Hears which row a string list selects and which it double-clicks.
class GenericStringListDataBrowserSourceSelectionChanged
{
public:
	virtual ~GenericStringListDataBrowserSourceSelectionChanged() noexcept = default;
	virtual void dbSelectionChanged(int32 selectedRow,
	                                GenericStringListDataBrowserSource* source) = 0;
	virtual void dbRowDoubleClick(int32 row, GenericStringListDataBrowserSource* source) = 0;
};

// Shows a list of strings (not owned) in one column, with type-ahead
// selection: letters typed within a second of each other find the first
// entry that starts with them.
class GenericStringListDataBrowserSource : public DataBrowserDelegateAdapter, public CBaseObject
{
public:
	using StringVector = std::vector<UTF8String>;

	// How long a pause ends a type-ahead search, in milliseconds.
	static constexpr uint32 kTypeAheadResetTime = 1000;

	explicit GenericStringListDataBrowserSource(
	    const StringVector* stringList,
	    GenericStringListDataBrowserSourceSelectionChanged* callback = nullptr);
	~GenericStringListDataBrowserSource() noexcept override;

	void setStringList(const StringVector* stringList);
	const StringVector* getStringList() const { return stringList; }
	void setupUI(const CColor& selectionColor, const CColor& fontColor, const CColor& rowlineColor,
	             const CColor& rowBackColor, const CColor& rowAlternateBackColor,
	             CFontDesc* font = nullptr, int32 rowHeight = -1, double textInset = 2.);
	void setTextAlignment(CHoriTxtAlign alignment) { textAlignment = alignment; }
	const UTF8String& getTypeAheadString() const { return keyDownFindString; }

	int32 dbGetNumRows(CDataBrowser* browser) override;
	int32 dbGetNumColumns(CDataBrowser* browser) override;
	double dbGetCurrentColumnWidth(int32 index, CDataBrowser* browser) override;
	double dbGetRowHeight(CDataBrowser* browser) override;
	bool dbGetLineWidthAndColor(double& width, CColor& color, CDataBrowser* browser) override;
	void dbAttached(CDataBrowser* browser) override;
	void dbRemoved(CDataBrowser* browser) override;
	void dbDrawHeader(CDrawContext* context, const CRect& size, int32 column, int32 flags,
	                  CDataBrowser* browser) override;
	void dbDrawCell(CDrawContext* context, const CRect& size, int32 row, int32 column, int32 flags,
	                CDataBrowser* browser) override;
	CMouseEventResult dbOnMouseDown(const CPoint& where, const CButtonState& buttons, int32 row,
	                                int32 column, CDataBrowser* browser) override;
	void dbSelectionChanged(CDataBrowser* browser) override;
	int32 dbOnKeyDown(const MoxKeyCode& key, CDataBrowser* browser) override;

	NotifyResult notify(CBaseObject* sender, const char* message) override;

private:
	bool isRowInList(int32 row) const;
	void stopTypeAhead();
	int32 findRowStartingWith(const std::string& prefix) const;

	const StringVector* stringList;
	int32 rowHeight{-1};
	CColor fontColor{255, 255, 255, 255};
	CColor selectionColor{0, 0, 255, 255};
	CColor rowlineColor{127, 127, 127, 255};
	CColor rowBackColor{255, 255, 255, 0};
	CColor rowAlternateBackColor{255, 255, 255, 0};
	CPoint textInset{2., 0.};
	CHoriTxtAlign textAlignment{kLeftText};
	SharedPointer<CFontDesc> drawFont;
	CDataBrowser* dataBrowser{nullptr};
	GenericStringListDataBrowserSourceSelectionChanged* selectionChangedCallback;
	SharedPointer<CKavrinTimer> timer;
	UTF8String keyDownFindString;
};

} // namespace Kavrin
