#include "lib/genericstringlistdatabrowsersource.h"

#include "lib/assertion.h"
#include "lib/cdatabrowser.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/ckavrintimer.h"
#include "lib/platform/iplatformfont.h"

#include <cctype>
#include <cmath>

namespace Kavrin
{

namespace
{

constexpr int32 kCellSelectedFlag = 1 << 1;

// A selection shown without the focus: the colour faded, by its saturation
// when it has any, else by its alpha.
CColor unfocusedSelection(CColor color)
{
	double hue = 0.;
	double saturation = 0.;
	double value = 0.;
	color.toHSV(hue, saturation, value);
	if (saturation > 0.)
	{
		const uint8 alpha = color.alpha;
		color.fromHSV(hue, saturation / 2., value);
		color.alpha = alpha;
	}
	else
		color.alpha = uint8(color.alpha / 2);
	return color;
}

bool hasFocusWithin(CDataBrowser* browser)
{
	CFrame* frame = browser ? browser->getFrame() : nullptr;
	CView* focus = frame ? frame->getFocusView() : nullptr;
	return focus && (focus == browser || browser->isChild(focus, true));
}

} // namespace

GenericStringListDataBrowserSource::GenericStringListDataBrowserSource(
    const StringVector* stringList, GenericStringListDataBrowserSourceSelectionChanged* callback)
    : stringList(stringList), drawFont(kSystemFont), selectionChangedCallback(callback)
{
}

GenericStringListDataBrowserSource::~GenericStringListDataBrowserSource() noexcept
{
	stopTypeAhead();
}

void GenericStringListDataBrowserSource::setStringList(const StringVector* list)
{
	stringList = list;
	if (dataBrowser)
		dataBrowser->recalculateLayout(false);
}

void GenericStringListDataBrowserSource::setupUI(const CColor& selection, const CColor& font,
                                                 const CColor& rowline, const CColor& rowBack,
                                                 const CColor& rowAlternateBack,
                                                 CFontDesc* fontDesc, int32 height, double inset)
{
	selectionColor = selection;
	fontColor = font;
	rowlineColor = rowline;
	rowBackColor = rowBack;
	rowAlternateBackColor = rowAlternateBack;
	if (fontDesc)
		drawFont = fontDesc;
	rowHeight = height;
	textInset = CPoint(inset, 0.);
	if (dataBrowser)
		dataBrowser->recalculateLayout(true);
}

bool GenericStringListDataBrowserSource::isRowInList(int32 row) const
{
	return stringList && row >= 0 && size_t(row) < stringList->size();
}

int32 GenericStringListDataBrowserSource::dbGetNumRows(CDataBrowser*)
{
	return stringList ? int32(stringList->size()) : 0;
}

int32 GenericStringListDataBrowserSource::dbGetNumColumns(CDataBrowser*)
{
	return 1;
}

double GenericStringListDataBrowserSource::dbGetCurrentColumnWidth(int32, CDataBrowser* browser)
{
	double width = browser->getViewSize().getWidth();
	const bool barTakesSpace = (browser->getActiveScrollbars() & CScrollView::kVerticalActive) &&
	                           !(browser->getStyle() & CScrollView::kOverlayScrollbars);
	if (barTakesSpace)
		width -= browser->getScrollbarWidth();
	return width;
}

double GenericStringListDataBrowserSource::dbGetRowHeight(CDataBrowser*)
{
	if (rowHeight >= 0)
		return rowHeight;
	if (IPlatformFont* font = drawFont ? drawFont->getPlatformFont() : nullptr)
		return std::floor(font->getAscent() + font->getDescent() + font->getLeading() + 2.5);
	return (drawFont ? drawFont->getSize() : 0.) + 2.;
}

bool GenericStringListDataBrowserSource::dbGetLineWidthAndColor(double& width, CColor& color,
                                                                CDataBrowser*)
{
	width = 1.;
	color = rowlineColor;
	return true;
}

void GenericStringListDataBrowserSource::dbAttached(CDataBrowser* browser)
{
	dataBrowser = browser;
}

void GenericStringListDataBrowserSource::dbRemoved(CDataBrowser* browser)
{
	if (dataBrowser == browser)
		dataBrowser = nullptr;
	stopTypeAhead();
}

void GenericStringListDataBrowserSource::dbDrawHeader(CDrawContext*, const CRect&, int32, int32,
                                                      CDataBrowser*)
{
}

void GenericStringListDataBrowserSource::dbDrawCell(CDrawContext* context, const CRect& size,
                                                    int32 row, int32, int32 flags,
                                                    CDataBrowser* browser)
{
	context->setDrawMode(kAntiAliasing);
	context->setFillColor(row % 2 ? rowBackColor : rowAlternateBackColor);
	context->drawRect(size, kDrawFilled);
	if (flags & kCellSelectedFlag)
	{
		context->setFillColor(hasFocusWithin(browser) ? selectionColor
		                                              : unfocusedSelection(selectionColor));
		context->drawRect(size, kDrawFilled);
	}
	// A row the list no longer has (it shrank before the browser heard of
	// it) shows only its background.
	if (!isRowInList(row))
	{
		doAssert("lib/genericstringlistdatabrowsersource", "170", "row outside the string list");
		return;
	}
	CRect textRect(size);
	textRect.inset(textInset.x, textInset.y);
	context->setClipRect(CRect(textRect).bound(size));
	context->setFont(drawFont);
	context->setFontColor(fontColor);
	context->drawString((*stringList)[size_t(row)].get(), textRect, textAlignment, true);
}

CMouseEventResult GenericStringListDataBrowserSource::dbOnMouseDown(const CPoint&,
                                                                    const CButtonState& buttons,
                                                                    int32 row, int32, CDataBrowser*)
{
	if (buttons.isDoubleClick() && selectionChangedCallback)
		selectionChangedCallback->dbRowDoubleClick(row, this);
	return kMouseDownHandledNoMoveOrUp;
}

void GenericStringListDataBrowserSource::dbSelectionChanged(CDataBrowser* browser)
{
	if (selectionChangedCallback)
		selectionChangedCallback->dbSelectionChanged(browser->getSelectedRow(), this);
}

int32 GenericStringListDataBrowserSource::findRowStartingWith(const std::string& prefix) const
{
	if (!stringList)
		return -1;
	for (size_t index = 0; index < stringList->size(); ++index)
	{
		const std::string& entry = (*stringList)[index].getString();
		if (entry.size() < prefix.size())
			continue;
		bool matches = true;
		for (size_t i = 0; i < prefix.size() && matches; ++i)
			matches = std::toupper(static_cast<unsigned char>(entry[i])) ==
			          static_cast<unsigned char>(prefix[i]);
		if (matches)
			return int32(index);
	}
	return -1;
}

int32 GenericStringListDataBrowserSource::dbOnKeyDown(const MoxKeyCode& key, CDataBrowser* browser)
{
	const bool typed =
	    (key.virt == 0 && key.character > 0 && key.character < 0x80) || key.virt == kVKeySpace;
	if (!typed || key.modifier != 0 || !dataBrowser || browser != dataBrowser)
		return kKeyNotHandled;
	SharedPointer<CBaseObject> keepAlive(this);
	if (!timer)
		timer = makeOwned<CKavrinTimer>(this, kTypeAheadResetTime);
	else
	{
		timer->stop();
		timer->start();
	}
	const int character = key.virt == kVKeySpace ? ' ' : std::toupper(key.character);
	keyDownFindString += UTF8String(std::string(1, char(character)));
	const int32 row = findRowStartingWith(keyDownFindString.getString());
	if (row >= 0 && dataBrowser)
		dataBrowser->setSelectedRow(row, true);
	return kKeyHandled;
}

void GenericStringListDataBrowserSource::stopTypeAhead()
{
	if (auto running = std::move(timer))
		running->stop();
	keyDownFindString.clear();
}

NotifyResult GenericStringListDataBrowserSource::notify(CBaseObject* sender, const char* message)
{
	if (message == CKavrinTimer::kMsgTimer && sender == timer)
	{
		stopTypeAhead();
		return kMessageHandled;
	}
	return CBaseObject::notify(sender, message);
}

} // namespace Kavrin
