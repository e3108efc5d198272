#include "tests/support/controlframe.h"
#include "tests/support/faketextedit.h"

#include "lib/assertion.h"
#include "lib/cdatabrowser.h"
#include "lib/cdatabrowserview.h"
#include "lib/controls/ctextedit.h"
#include "lib/genericstringlistdatabrowsersource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test
{
namespace
{

using Selection = CDataBrowser::Selection;

// Ten rows of 19 units and a line of 1: a pitch of 20, four rows in view.
constexpr CRect kBrowserRect{10, 10, 110, 90};
constexpr double kPitch = 20.;
constexpr int32 kPlain =
    CScrollView::kVerticalScrollbar | CScrollView::kDontDrawFrame | CDataBrowser::kDrawRowLines;

std::vector<UTF8String> names()
{
	return {"Alpha", "Beta",    "Bravo", "Charlie", "Delta",
	        "Echo",  "Foxtrot", "Golf",  "Hotel",   "India"};
}

// The string-list source with hooks for what the browser tells it.
class HookedSource : public GenericStringListDataBrowserSource
{
public:
	using GenericStringListDataBrowserSource::GenericStringListDataBrowserSource;

	void dbSelectionChanged(CDataBrowser* browser) override
	{
		++selectionNotices;
		GenericStringListDataBrowserSource::dbSelectionChanged(browser);
		if (onSelectionChanged)
			onSelectionChanged(browser);
	}
	CMouseEventResult dbOnMouseDown(const CPoint& where, const CButtonState& buttons, int32 row,
	                                int32 column, CDataBrowser* browser) override
	{
		if (buttons.isDoubleClick() && editOnDoubleClick)
		{
			browser->beginTextEdit({row, column}, (*list)[size_t(row)].get());
			return kMouseDownHandledNoMoveOrUp;
		}
		return GenericStringListDataBrowserSource::dbOnMouseDown(where, buttons, row, column,
		                                                         browser);
	}
	void dbCellTextChanged(int32 row, int32, const char* text, CDataBrowser* browser) override
	{
		(*list)[size_t(row)] = text;
		if (onTextChanged)
			onTextChanged(browser);
	}

	std::vector<UTF8String>* list{nullptr};
	int selectionNotices{0};
	bool editOnDoubleClick{false};
	std::function<void(CDataBrowser*)> onSelectionChanged;
	std::function<void(CDataBrowser*)> onTextChanged;
};

class DataBrowserTest : public ControlFrameTest
{
protected:
	DataBrowserTest() { window->setTextEditFactory(fakeTextEditFactory(editors)); }
	~DataBrowserTest() override { frame->close(); }

	CDataBrowser* addBrowser(int32 style = kPlain)
	{
		source = makeOwned<HookedSource>(&list);
		source->list = &list;
		source->setupUI(CColor(0, 0, 255, 255), kWhiteCColor, kGreyCColor, kBlackCColor,
		                kBlackCColor, nullptr, 19, 2.);
		browser = new CDataBrowser(kBrowserRect, source, style, 10.);
		page->addView(browser);
		paint();
		return browser;
	}
	CPoint atRow(int32 row, double x = 20.) const
	{
		return at(browser, x, row * kPitch + 5. - browser->getScrollOffset().y);
	}
	void clickWith(CPoint where, uint32 modifiers)
	{
		press(where, kLeftButton | modifiers);
		release(where, kLeftButton | modifiers);
	}
	double firstVisibleRow() const { return browser->getScrollOffset().y / kPitch; }

	std::vector<UTF8String> list = names();
	SharedPointer<HookedSource> source;
	CDataBrowser* browser{nullptr};
	FakeTextEditRecord editors;
};

TEST_F(DataBrowserTest, LaysOutRowsFromTheDelegate)
{
	addBrowser();
	EXPECT_EQ(browser->getContainerSize(), CRect(0, 0, 90, 10 * kPitch));
	EXPECT_EQ(browser->getCellBounds({2, 0}), CRect(0, 40, 90, 59));
	EXPECT_EQ(browser->getCellAt(CPoint(5, 45)), (CDataBrowser::Cell{2, 0}));
	EXPECT_FALSE(browser->getCellAt(CPoint(5, 10 * kPitch + 1)).isValid());
	EXPECT_FALSE(browser->getCellAt(CPoint(95, 5)).isValid());
}

TEST_F(DataBrowserTest, ClicksSelectWithShiftAndTheCommandModifier)
{
	struct Case
	{
		const char* name;
		int32 style;
		std::vector<std::pair<int32, uint32>> clicks;
		Selection expected;
	};
	const int32 multi = kPlain | CDataBrowser::kMultiSelectionStyle;
	const Case cases[] = {
	    {"a plain click", kPlain, {{3, 0}}, {3}},
	    {"a second click moves it", kPlain, {{3, 0}, {1, 0}}, {1}},
	    {"shift without multi-selection", kPlain, {{1, 0}, {3, kShiftModifier}}, {3}},
	    {"shift from 0 to 3 in order", multi, {{0, 0}, {3, kShiftModifier}}, {0, 1, 2, 3}},
	    {"shift upwards", multi, {{3, 0}, {1, kShiftModifier}}, {3, 2, 1}},
	    {"command adds", multi, {{1, 0}, {3, kControlModifier}}, {1, 3}},
	    {"command toggles off", multi, {{1, 0}, {3, kControlModifier}, {1, kControlModifier}}, {3}},
	    {"a plain click drops the rest", multi, {{1, 0}, {3, kControlModifier}, {2, 0}}, {2}},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		reopenFrame();
		window->setTextEditFactory(fakeTextEditFactory(editors));
		addBrowser(test.style);
		for (auto [row, modifiers] : test.clicks)
			clickWith(atRow(row), modifiers);
		EXPECT_EQ(browser->getSelection(), test.expected);
		EXPECT_EQ(frame->getFocusView(), browser->getCellView());
	}
}

TEST_F(DataBrowserTest, SelectingTheOnlySelectedRowAgainReportsNoChange)
{
	addBrowser();
	browser->setSelectedRow(2);
	const int before = source->selectionNotices;
	browser->setSelectedRow(2);
	EXPECT_EQ(browser->getSelection(), Selection{2});
	EXPECT_EQ(source->selectionNotices, before);
}

TEST_F(DataBrowserTest, KeysMoveTheSelectionAndTheViewFollows)
{
	addBrowser();
	clickWith(atRow(0), 0);
	struct Step
	{
		uint8 key;
		int32 row;
		double firstVisible;
	};
	const Step steps[] = {
	    {kVKeyDown, 1, 0}, {kVKeyPageDown, 5, 2}, {kVKeyPageDown, 9, 6}, {kVKeyDown, 9, 6},
	    {kVKeyUp, 8, 6},   {kVKeyPageUp, 4, 4},   {kVKeyPageUp, 0, 0},   {kVKeyUp, 0, 0},
	};
	for (const auto& step : steps)
	{
		SCOPED_TRACE(int(step.key));
		EXPECT_TRUE(keyDown(step.key));
		EXPECT_EQ(browser->getSelectedRow(), step.row);
		EXPECT_EQ(firstVisibleRow(), step.firstVisible);
	}
	// End and Home scroll without moving the selection.
	keyDown(kVKeyEnd);
	EXPECT_EQ(firstVisibleRow(), 6);
	keyDown(kVKeyHome);
	EXPECT_EQ(firstVisibleRow(), 0);
	EXPECT_EQ(browser->getSelectedRow(), 0);
}

TEST_F(DataBrowserTest, TypeAheadFindsARowAndStartsAgainAfterASecond)
{
	const size_t timersBefore = platform->getRunningTimerCount();
	addBrowser();
	focus(browser->getCellView());
	auto type = [&](char letter)
	{
		MoxKeyCode code;
		code.character = letter;
		return frame->platformOnKeyDown(code);
	};
	EXPECT_TRUE(type('b'));
	EXPECT_EQ(browser->getSelectedRow(), 1);
	platform->advance(900);
	EXPECT_TRUE(type('R'));
	EXPECT_EQ(browser->getSelectedRow(), 2);
	EXPECT_EQ(source->getTypeAheadString(), UTF8String("BR"));
	platform->advance(1001);
	EXPECT_EQ(source->getTypeAheadString(), UTF8String(""));
	EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
	EXPECT_TRUE(type('h'));
	EXPECT_EQ(browser->getSelectedRow(), 8);
	EXPECT_EQ(firstVisibleRow(), 5);
}

TEST_F(DataBrowserTest, DoubleClickEditsACellReturnCommitsEscapeDiscards)
{
	addBrowser();
	source->editOnDoubleClick = true;
	for (bool commit : {true, false})
	{
		SCOPED_TRACE(commit ? "Return" : "Escape");
		list = names();
		press(atRow(1));
		release(atRow(1));
		press(atRow(1), kLeftButton | kDoubleClick);
		release(atRow(1));
		auto edit = dynamic_cast<CTextEdit*>(frame->getFocusView());
		ASSERT_NE(edit, nullptr);
		ASSERT_NE(editors.current, nullptr);
		editors.current->type("X");
		editors.current->pressKey(commit ? kVKeyReturn : kVKeyEscape);
		EXPECT_EQ(list[1], UTF8String(commit ? "BetaX" : "Beta"));
		EXPECT_EQ(frame->getFocusView(), browser->getCellView());
		EXPECT_EQ(browser->getScrollContainer()->getNbViews(), 1u);
		EXPECT_EQ(editors.open(), 0);
	}
}

TEST_F(DataBrowserTest, AnEditCallbackMayRemoveRowsOrTheBrowser)
{
	for (bool removeBrowser : {false, true})
	{
		SCOPED_TRACE(removeBrowser ? "browser removed" : "rows removed");
		reopenFrame();
		window->setTextEditFactory(fakeTextEditFactory(editors));
		list = names();
		addBrowser();
		source->onTextChanged = [&](CDataBrowser* b)
		{
			if (removeBrowser)
				page->removeView(b);
			else
			{
				list.resize(1);
				b->recalculateLayout(true);
			}
		};
		browser->beginTextEdit({2, 0}, "Bravo");
		ASSERT_NE(editors.current, nullptr);
		editors.current->type("!");
		editors.current->pressKey(kVKeyReturn);
		source->onTextChanged = nullptr;
		EXPECT_EQ(list[removeBrowser ? 2 : 0], UTF8String(removeBrowser ? "Bravo!" : "Alpha"));
		EXPECT_EQ(editors.open(), 0);
		paint();
	}
}

// Two resizable columns with a header.
class ColumnSource : public DataBrowserDelegateAdapter, public NonAtomicReferenceCounted
{
public:
	int32 dbGetNumRows(CDataBrowser*) override { return 3; }
	int32 dbGetNumColumns(CDataBrowser*) override { return 2; }
	bool dbGetColumnDescription(int32, double& minWidth, double& maxWidth, CDataBrowser*) override
	{
		minWidth = 10.;
		maxWidth = 60.;
		return true;
	}
	double dbGetCurrentColumnWidth(int32 index, CDataBrowser*) override
	{
		return widths[size_t(index)];
	}
	void dbSetCurrentColumnWidth(int32 index, const double& width, CDataBrowser*) override
	{
		widths[size_t(index)] = width;
	}
	double dbGetRowHeight(CDataBrowser*) override { return 10.; }
	bool dbGetLineWidthAndColor(double& width, CColor& color, CDataBrowser*) override
	{
		width = 1.;
		color = kGreyCColor;
		return true;
	}
	void dbAttached(CDataBrowser*) override {}
	void dbRemoved(CDataBrowser*) override {}
	void dbDrawHeader(CDrawContext*, const CRect&, int32, int32, CDataBrowser*) override {}
	void dbDrawCell(CDrawContext*, const CRect&, int32, int32, int32, CDataBrowser*) override {}
	CMouseEventResult dbOnMouseDown(const CPoint&, const CButtonState&, int32, int32,
	                                CDataBrowser*) override
	{
		return kMouseHandled;
	}
	void dbSelectionChanged(CDataBrowser*) override {}
	int32 dbOnKeyDown(const MoxKeyCode&, CDataBrowser*) override { return kKeyNotHandled; }

	std::vector<double> widths{30., 40.};
};

TEST_F(DataBrowserTest, DraggingAHeaderEdgeResizesItsColumnWithinItsLimits)
{
	auto columns = makeOwned<ColumnSource>();
	const int32 style =
	    CScrollView::kDontDrawFrame | CDataBrowser::kDrawHeader | CDataBrowser::kDrawColumnLines;
	browser = new CDataBrowser(kBrowserRect, columns, style);
	page->addView(browser);
	paint();
	// The header band is 10 + 1 high; the first column's edge is at 31.
	ASSERT_NE(browser->getHeaderView(), nullptr);
	EXPECT_EQ(browser->getCellBounds({0, 1}).left, 31.);
	move(at(browser, 31, 5), 0);
	EXPECT_EQ(window->cursor, kCursorHSize);
	press(at(browser, 31, 5));
	move(at(browser, 41, 5));
	EXPECT_EQ(columns->widths[0], 40.);
	EXPECT_EQ(browser->getCellBounds({0, 1}).left, 41.);
	move(at(browser, 100, 5));
	EXPECT_EQ(columns->widths[0], 60.);
	move(at(browser, 0, 5));
	EXPECT_EQ(columns->widths[0], 10.);
	release(at(browser, 0, 5));
	move(at(browser, 30, 5), 0);
	EXPECT_EQ(window->cursor, kCursorDefault);
	// A click in the cells below the band selects.
	click(at(browser, 5, 11 + 15));
	EXPECT_EQ(browser->getSelectedRow(), 1);
}

// Logs the drag operations it hears, by cell.
class DragLoggingSource : public ColumnSource
{
public:
	void dbOnDragEnterBrowser(IDataPackage*, CDataBrowser*) override
	{
		log.push_back("enter browser");
	}
	void dbOnDragExitBrowser(IDataPackage*, CDataBrowser*) override
	{
		log.push_back("exit browser");
	}
	DragOperation dbOnDragEnterCell(int32 row, int32 column, const CPoint&, IDataPackage*,
	                                CDataBrowser*) override
	{
		log.push_back("enter " + cell(row, column));
		return DragOperation::Copy;
	}
	DragOperation dbOnDragMoveInCell(int32 row, int32 column, const CPoint&, IDataPackage*,
	                                 CDataBrowser*) override
	{
		log.push_back("move " + cell(row, column));
		return DragOperation::Move;
	}
	void dbOnDragExitCell(int32 row, int32 column, IDataPackage*, CDataBrowser*) override
	{
		log.push_back("exit " + cell(row, column));
	}
	bool dbOnDropInCell(int32 row, int32 column, const CPoint& where, IDataPackage*,
	                    CDataBrowser*) override
	{
		log.push_back("drop " + cell(row, column) + " at " + std::to_string(int(where.x)) + "," +
		              std::to_string(int(where.y)));
		return true;
	}
	static std::string cell(int32 row, int32 column)
	{
		return std::to_string(row) + "/" + std::to_string(column);
	}

	std::vector<std::string> log;
};

TEST_F(DataBrowserTest, DragsAreForwardedToTheDelegateByCell)
{
	auto dragSource = makeOwned<DragLoggingSource>();
	browser = new CDataBrowser(kBrowserRect, dragSource, CScrollView::kDontDrawFrame);
	page->addView(browser);
	paint();
	auto drag = [&](CPoint where) { return DragEventData{nullptr, where, CButtonState()}; };
	// Entering a cell answers with the delegate's entering operation, moving
	// within it with its moving one; below the three rows the drag has left.
	EXPECT_EQ(frame->platformOnDragEnter(drag(at(browser, 5, 5))), DragOperation::Move);
	EXPECT_EQ(frame->platformOnDragMove(drag(at(browser, 35, 75))), DragOperation::None);
	EXPECT_EQ(frame->platformOnDragMove(drag(at(browser, 35, 15))), DragOperation::Move);
	EXPECT_EQ(frame->platformOnDragMove(drag(at(browser, 35, 25))), DragOperation::Copy);
	EXPECT_TRUE(frame->platformOnDrop(drag(at(browser, 35, 25))));
	// Repeated moves within one cell say nothing new.
	std::vector<std::string> transitions;
	for (const auto& entry : dragSource->log)
	{
		if (transitions.empty() || transitions.back() != entry)
			transitions.push_back(entry);
	}
	const std::vector<std::string> expected{
	    "enter browser", "enter 0/0", "move 0/0", "exit 0/0",  "exit browser",      "enter browser",
	    "enter 1/1",     "move 1/1",  "exit 1/1", "enter 2/1", "drop 2/1 at 35,25", "exit browser",
	};
	EXPECT_EQ(transitions, expected);
}

TEST_F(DataBrowserTest, RowsAddedAndRemovedWhileScrolled)
{
	addBrowser();
	browser->setSelectedRow(9, true);
	EXPECT_EQ(firstVisibleRow(), 6);
	list.resize(5);
	browser->recalculateLayout(true);
	EXPECT_TRUE(browser->getSelection().empty());
	EXPECT_EQ(firstVisibleRow(), 1);
	paint();
	list = names();
	list.push_back("Juliett");
	browser->recalculateLayout(true);
	browser->setSelectedRow(10, true);
	EXPECT_EQ(firstVisibleRow(), 7);
	paint();
}

TEST_F(DataBrowserTest, TheStringListColumnFollowsTheBrowsersWidth)
{
	addBrowser();
	browser->setViewSize(CRect(kBrowserRect).setWidth(150.));
	// The vertical bar, 10 wide, takes its part.
	EXPECT_EQ(browser->getCellBounds({0, 0}).getWidth(), 140.);
}

// Claims two rows more than the string list behind it has, as a list that
// shrank before its browser heard of it does.
class StaleRowsDelegate : public DataBrowserDelegateAdapter, public NonAtomicReferenceCounted
{
public:
	explicit StaleRowsDelegate(GenericStringListDataBrowserSource* source) : source(source) {}

	int32 dbGetNumRows(CDataBrowser* browser) override { return source->dbGetNumRows(browser) + 2; }
	double dbGetCurrentColumnWidth(int32 index, CDataBrowser* browser) override
	{
		return source->dbGetCurrentColumnWidth(index, browser);
	}
	double dbGetRowHeight(CDataBrowser* browser) override
	{
		return source->dbGetRowHeight(browser);
	}
	bool dbGetLineWidthAndColor(double& width, CColor& color, CDataBrowser* browser) override
	{
		return source->dbGetLineWidthAndColor(width, color, browser);
	}
	void dbAttached(CDataBrowser* browser) override { source->dbAttached(browser); }
	void dbRemoved(CDataBrowser* browser) override { source->dbRemoved(browser); }
	void dbDrawHeader(CDrawContext*, const CRect&, int32, int32, CDataBrowser*) override {}
	void dbDrawCell(CDrawContext* context, const CRect& size, int32 row, int32 column, int32 flags,
	                CDataBrowser* browser) override
	{
		source->dbDrawCell(context, size, row, column, flags, browser);
	}
	CMouseEventResult dbOnMouseDown(const CPoint&, const CButtonState&, int32, int32,
	                                CDataBrowser*) override
	{
		return kMouseHandled;
	}
	void dbSelectionChanged(CDataBrowser*) override {}
	int32 dbOnKeyDown(const MoxKeyCode&, CDataBrowser*) override { return kKeyNotHandled; }

	SharedPointer<GenericStringListDataBrowserSource> source;
};

TEST_F(DataBrowserTest, AStringListRowOutsideTheListDrawsOnlyItsBackground)
{
	std::vector<UTF8String> shortList{"One", "Two"};
	auto stringSource = makeOwned<GenericStringListDataBrowserSource>(&shortList);
	const CColor background(10, 200, 30, 255);
	stringSource->setupUI(kBlueCColor, kWhiteCColor, kGreyCColor, background, background, nullptr,
	                      19, 2.);
	browser =
	    new CDataBrowser(kBrowserRect, makeOwned<StaleRowsDelegate>(stringSource), kPlain, 10.);
	std::vector<std::string> asserted;
	setAssertionHandler([&](const char* file, const char* line, const char*)
	                    { asserted.push_back(std::string(file) + ":" + line); });
	page->addView(browser);
	paint();
	setAssertionHandler({});
	const std::vector<std::string> expected(2, "lib/genericstringlistdatabrowsersource:170");
	EXPECT_EQ(asserted, expected);
	EXPECT_EQ(pixel(at(browser, 40, 3 * kPitch + 5)), background);
}

TEST_F(DataBrowserTest, ASelectionNoticeMayRemoveRowsOrTheBrowser)
{
	struct Case
	{
		const char* name;
		std::function<void(bool& acting)> act;
	};
	const int32 multi = kPlain | CDataBrowser::kMultiSelectionStyle;
	const Case cases[] = {
	    {"click",
	     [this](bool& acting)
	     {
		     acting = true;
		     clickWith(atRow(3), 0);
	     }},
	    {"shift-click",
	     [this](bool& acting)
	     {
		     browser->setSelectedRow(0);
		     const CPoint where = atRow(3);
		     acting = true;
		     clickWith(where, kShiftModifier);
	     }},
	    {"key",
	     [this](bool& acting)
	     {
		     focus(browser->getCellView());
		     acting = true;
		     keyDown(kVKeyDown);
	     }},
	};
	for (bool removeBrowser : {false, true})
	{
		for (const auto& test : cases)
		{
			SCOPED_TRACE(std::string(test.name) +
			             (removeBrowser ? ": browser removed" : ": rows removed"));
			reopenFrame();
			window->setTextEditFactory(fakeTextEditFactory(editors));
			list = names();
			addBrowser(multi);
			bool acting = false;
			source->onSelectionChanged = [&](CDataBrowser* b)
			{
				if (!acting)
					return;
				acting = false;
				if (removeBrowser)
					page->removeView(b);
				else
				{
					list.resize(1);
					b->recalculateLayout(true);
				}
			};
			test.act(acting);
			source->onSelectionChanged = nullptr;
			paint();
			if (!removeBrowser)
			{
				EXPECT_LE(browser->getSelection().size(), 1u);
			}
		}
	}
}

} // namespace
} // namespace Kavrin::Test
