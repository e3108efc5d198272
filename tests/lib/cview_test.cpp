#include "tests/support/recording.h"

#include "lib/cbitmap.h"
#include "lib/cgraphicspath.h"
#include "lib/dragging.h"
#include "lib/iviewlistener.h"
#include "lib/messages.h"

#include "tests/support/printers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CViewAttributeID kTestAttribute = makeViewAttributeID("test");
constexpr CViewAttributeID kOtherTestAttribute = makeViewAttributeID("tst2");

// Logs "name:event" for every call; the hook runs after the entry is logged,
// so it may change the view's listener list in the middle of a dispatch.
class LoggingViewListener : public IViewListener
{
public:
	LoggingViewListener(std::string name, EventLog& log) : name(std::move(name)), log(log) {}

	void viewSizeChanged(CView* view, const CRect& oldSize) override
	{
		lastOldSize = oldSize;
		sizeDuringCall = view->getViewSize();
		handle("sizeChanged", view);
	}
	void viewAttached(CView* view) override { handle("attached", view); }
	void viewRemoved(CView* view) override { handle("removed", view); }
	void viewLostFocus(CView* view) override { handle("lostFocus", view); }
	void viewTookFocus(CView* view) override { handle("tookFocus", view); }
	void viewWillDelete(CView* view) override { handle("willDelete", view); }

	std::function<void(const std::string& event, CView* view)> hook;
	CRect lastOldSize;
	CRect sizeDuringCall;

private:
	void handle(const std::string& event, CView* view)
	{
		log.push_back(name + ":" + event);
		if (hook)
			hook(event, view);
	}

	std::string name;
	EventLog& log;
};

// Answers every mouse call with a fixed result and logs "name:event".
class LoggingMouseListener : public IViewMouseListener
{
public:
	LoggingMouseListener(std::string name, EventLog& log, CMouseEventResult answer = kMouseNotHandled)
	: answer(answer), name(std::move(name)), log(log)
	{
	}

	CMouseEventResult viewOnMouseDown(CView* view, CPoint pos, CButtonState buttons) override
	{
		return handle("down", view, pos, buttons);
	}
	CMouseEventResult viewOnMouseUp(CView* view, CPoint pos, CButtonState buttons) override
	{
		return handle("up", view, pos, buttons);
	}
	CMouseEventResult viewOnMouseMoved(CView* view, CPoint pos, CButtonState buttons) override
	{
		return handle("moved", view, pos, buttons);
	}
	CMouseEventResult viewOnMouseCancel(CView* view) override { return handle("cancel", view, {}, {}); }
	void viewOnMouseEntered(CView* view) override { handle("entered", view, {}, {}); }
	void viewOnMouseExited(CView* view) override { handle("exited", view, {}, {}); }
	void viewOnMouseEnabled(CView* view, bool state) override
	{
		handle(state ? "enabled" : "disabled", view, {}, {});
	}

	CMouseEventResult answer;
	std::function<void(CView* view)> hook;
	CView* lastView {nullptr};
	CPoint lastPos;
	CButtonState lastButtons;

private:
	CMouseEventResult handle(const std::string& event, CView* view, CPoint pos, CButtonState buttons)
	{
		log.push_back(name + ":" + event);
		lastView = view;
		lastPos = pos;
		lastButtons = buttons;
		if (hook)
			hook(view);
		return answer;
	}

	std::string name;
	EventLog& log;
};

// A hit-test shape that answers a fixed value and remembers where it was asked.
class FakePath : public CGraphicsPath
{
public:
	bool hitTest(const CPoint& where, bool, CGraphicsTransform*) override
	{
		asked.push_back(where);
		return answer;
	}
	CGradient* createGradient(double, double, const CColor&, const CColor&) override { return nullptr; }
	CPoint getCurrentPosition() override { return {}; }
	CRect getBoundingBox() override { return {}; }
	void dirty() override {}

	bool answer {true};
	std::vector<CPoint> asked;
};

class FakeDropTarget : public IDropTarget, public AtomicReferenceCounted
{
public:
	DragOperation onDragEnter(DragEventData) override { return DragOperation::None; }
	DragOperation onDragMove(DragEventData) override { return DragOperation::None; }
	void onDragLeave(DragEventData) override {}
	bool onDrop(DragEventData) override { return false; }
};

// A container that records the messages its children send it.
class NotifyRecordingContainer : public CViewContainer
{
public:
	NotifyRecordingContainer(const CRect& size, EventLog* log = nullptr) : CViewContainer(size), log(log) {}

	NotifyResult notify(CBaseObject* sender, const char* message) override
	{
		received.emplace_back(sender, message);
		if (log && message == kMsgViewSizeChanged)
			log->push_back("parent:sizeChanged");
		return CViewContainer::notify(sender, message);
	}

	std::vector<std::pair<CBaseObject*, const char*>> received;
	EventLog* log;
};

// A frame (0, 0, 100, 100) holding one recording view, attached, with the
// invalid rects of the attachment cleared. Detaches the frame when it goes.
struct AttachedTree
{
	explicit AttachedTree(const CRect& viewSize = CRect(10, 10, 30, 30))
	{
		view = new RecordingView(viewSize, "view");
		frame->addView(view);
		frame->attach();
		frame->invalidRects.clear();
	}
	~AttachedTree() { frame->removed(frame); }

	SharedPointer<RecordingFrame> frame {owned(new RecordingFrame(CRect(0, 0, 100, 100)))};
	RecordingView* view {nullptr};
};

// Makes setDirty(true) on attached views invalidate at once for one scope.
class DirtyCallsAlwaysOnMainThread
{
public:
	DirtyCallsAlwaysOnMainThread() { CView::kDirtyCallAlwaysOnMainThread = true; }
	~DirtyCallsAlwaysOnMainThread() { CView::kDirtyCallAlwaysOnMainThread = false; }
};

using ReportList = std::vector<std::vector<std::string>>;

ReportList reportsOf(const AssertionRecorder& recorder)
{
	ReportList list;
	for (const auto& report : recorder.reports)
		list.push_back({report.file, report.line, report.description});
	return list;
}

// ---- Attribute store ----

TEST(CViewAttributesTest, SetAttributeRefusesZeroSizeOrNullDataAndKeepsExistingBytes)
{
	const uint32 payload = 0xCAFEF00D;
	struct Case
	{
		const char* name;
		uint32 size;
		const void* data;
	};
	const Case cases[] = {
	    {"zero size", 0, &payload},
	    {"null data", sizeof(payload), nullptr},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		uint32 size = 0;
		EXPECT_FALSE(view->setAttribute(kTestAttribute, c.size, c.data));
		EXPECT_FALSE(view->getAttributeSize(kTestAttribute, size));

		const uint32 stored = 0x01020304;
		ASSERT_TRUE(view->setAttributeValue(kTestAttribute, stored));
		EXPECT_FALSE(view->setAttribute(kTestAttribute, c.size, c.data));
		uint32 value = 0;
		EXPECT_TRUE(view->getAttributeValue(kTestAttribute, value));
		EXPECT_EQ(value, stored);
	}
}

TEST(CViewAttributesTest, SetAttributeReplacesBytesOfAnotherSize)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	uint32 size = 0;

	ASSERT_TRUE(view->setAttributeValue(kTestAttribute, uint32(0xAABBCCDD)));
	ASSERT_TRUE(view->getAttributeSize(kTestAttribute, size));
	EXPECT_EQ(size, 4u);

	const uint64 wide = 0x1122334455667788ull;
	ASSERT_TRUE(view->setAttributeValue(kTestAttribute, wide));
	ASSERT_TRUE(view->getAttributeSize(kTestAttribute, size));
	EXPECT_EQ(size, 8u);
	uint64 wideOut = 0;
	EXPECT_TRUE(view->getAttributeValue(kTestAttribute, wideOut));
	EXPECT_EQ(wideOut, wide);

	ASSERT_TRUE(view->setAttributeValue(kTestAttribute, uint16(0x4242)));
	ASSERT_TRUE(view->getAttributeSize(kTestAttribute, size));
	EXPECT_EQ(size, 2u);
	uint16 narrowOut = 0;
	EXPECT_TRUE(view->getAttributeValue(kTestAttribute, narrowOut));
	EXPECT_EQ(narrowOut, 0x4242);
}

TEST(CViewAttributesTest, GetAttributeFailsForMissingIdOrTooSmallBuffer)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	uint8 buffer[16] {};
	uint32 outSize = 0;
	EXPECT_FALSE(view->getAttribute(kTestAttribute, sizeof(buffer), buffer, outSize));
	EXPECT_FALSE(view->getAttributeSize(kTestAttribute, outSize));

	const uint64 stored = 0x1122334455667788ull;
	ASSERT_TRUE(view->setAttributeValue(kTestAttribute, stored));

	// Exactly four bytes: a copy past them would be caught by the sanitizer.
	uint32 small = 0xAAAAAAAA;
	EXPECT_FALSE(view->getAttribute(kTestAttribute, sizeof(small), &small, outSize));
	EXPECT_EQ(small, 0xAAAAAAAAu);
	EXPECT_FALSE(view->getAttributeValue(kTestAttribute, small));

	ASSERT_TRUE(view->getAttribute(kTestAttribute, sizeof(buffer), buffer, outSize));
	EXPECT_EQ(outSize, sizeof(stored));
	EXPECT_EQ(std::memcmp(buffer, &stored, sizeof(stored)), 0);
}

TEST(CViewAttributesTest, RemoveAttributeDropsOnlyThatIdAndOnlyOnce)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	EXPECT_FALSE(view->removeAttribute(kTestAttribute));

	ASSERT_TRUE(view->setAttributeValue(kTestAttribute, uint32(1)));
	ASSERT_TRUE(view->setAttributeValue(kOtherTestAttribute, uint32(2)));
	EXPECT_TRUE(view->removeAttribute(kTestAttribute));
	EXPECT_FALSE(view->removeAttribute(kTestAttribute));

	uint32 value = 0;
	EXPECT_FALSE(view->getAttributeSize(kTestAttribute, value));
	EXPECT_TRUE(view->getAttributeValue(kOtherTestAttribute, value));
	EXPECT_EQ(value, 2u);
}

// ---- Flags ----

TEST(CViewTest, NewViewIsOnlyMouseEnabledAndVisible)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	for (int bit = 0; bit < 16; ++bit)
	{
		const int32 flag = 1 << bit;
		SCOPED_TRACE(flag);
		EXPECT_EQ(view->hasViewFlag(flag), (flag & 0x11) != 0);
	}
	EXPECT_EQ(view->getAutosizeFlags(), 0);
	EXPECT_EQ(view->getNbReference(), 1);
	EXPECT_EQ(view->getParentView(), nullptr);
	EXPECT_EQ(view->getFrame(), nullptr);
}

TEST(CViewTest, SetSubviewStateToTheCurrentStateAssertsAndStillApplies)
{
	struct Case
	{
		bool start;
		bool requested;
		bool asserts;
	};
	const Case cases[] = {
	    {false, false, true},
	    {false, true, false},
	    {true, true, true},
	    {true, false, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "from " << c.start << " to " << c.requested);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		if (c.start)
			view->setSubviewState(true);
		AssertionRecorder asserts;
		view->setSubviewState(c.requested);
		EXPECT_EQ(asserts.has("lib/cview", "413"), c.asserts);
		EXPECT_EQ(view->isSubview(), c.requested);
	}
}

// ---- Invalidation ----

TEST(CViewInvalidationTest, InvalidRectOnDetachedOrInvisibleViewDoesNothing)
{
	struct Case
	{
		const char* name;
		std::function<void(RecordingFrame&, CView&)> prepare;
	};
	const Case cases[] = {
	    {"in a frame never attached", [](RecordingFrame&, CView&) {}},
	    {"after the frame was detached",
	     [](RecordingFrame& frame, CView&) {
		     frame.attach();
		     frame.removed(&frame);
	     }},
	    {"hidden while attached",
	     [](RecordingFrame& frame, CView& view) {
		     frame.attach();
		     view.setVisible(false);
	     }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		AssertionRecorder asserts;
		auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
		auto view = new RecordingView(CRect(10, 10, 30, 30));
		frame->addView(view);
		c.prepare(*frame, *view);
		frame->invalidRects.clear();

		view->invalidRect(CRect(12, 12, 14, 14));
		EXPECT_TRUE(frame->invalidRects.empty());
		EXPECT_TRUE(asserts.reports.empty());
		frame->removed(frame);
	}
}

TEST(CViewInvalidationTest, InvalidRectOnAttachedVisibleViewReachesTheParent)
{
	AttachedTree tree;
	tree.view->invalidRect(CRect(12, 13, 14, 15));
	EXPECT_EQ(tree.frame->invalidRects, (std::vector<CRect> {CRect(12, 13, 14, 15)}));
}

TEST(CViewInvalidationTest, InvalidClearsDirtyAndInvalidatesTheWholeView)
{
	AttachedTree tree;
	tree.view->setDirty(true);
	ASSERT_TRUE(tree.view->isDirty());
	tree.view->invalid();
	EXPECT_FALSE(tree.view->isDirty());
	EXPECT_EQ(tree.frame->invalidRects, (std::vector<CRect> {CRect(10, 10, 30, 30)}));
}

TEST(CViewInvalidationTest, ChangingVisibilityRepaintsTheViewArea)
{
	// Hiding must invalidate before the flag goes, showing after it is set:
	// an invisible view cannot invalidate.
	for (bool show : {false, true})
	{
		SCOPED_TRACE(show ? "show" : "hide");
		AttachedTree tree;
		if (show)
		{
			tree.view->setVisible(false);
			tree.frame->invalidRects.clear();
		}
		tree.view->setVisible(show);
		EXPECT_EQ(tree.view->hasViewFlag(CView::kVisible), show);
		EXPECT_EQ(tree.frame->invalidRects, (std::vector<CRect> {CRect(10, 10, 30, 30)}));
	}
}

TEST(CViewInvalidationTest, SetDirtyInvalidatesAtOnceOnlyWhenAttachedAndDirtyCallsGoToMainThread)
{
	DirtyCallsAlwaysOnMainThread mode;
	AttachedTree tree;
	tree.view->setDirty(true);
	EXPECT_FALSE(tree.view->isDirty());
	EXPECT_EQ(tree.frame->invalidRects, (std::vector<CRect> {CRect(10, 10, 30, 30)}));

	auto loose = owned(new CView(CRect(0, 0, 10, 10)));
	loose->setDirty(true);
	EXPECT_TRUE(loose->isDirty());
}

TEST(CViewInvalidationTest, SetViewSizeRepaintsOldAndNewAreaWhenDirtyCallsGoToMainThread)
{
	DirtyCallsAlwaysOnMainThread mode;
	AttachedTree tree;
	tree.view->setViewSize(CRect(40, 40, 60, 60));
	EXPECT_EQ(tree.frame->invalidRects,
	          (std::vector<CRect> {CRect(10, 10, 30, 30), CRect(40, 40, 60, 60)}));
	EXPECT_FALSE(tree.view->isDirty());
}

// ---- Size ----

// frame -> recording container (0, 0, 100, 100) -> view (10, 10, 30, 30)
struct SizingTree
{
	SizingTree()
	{
		container = new NotifyRecordingContainer(CRect(0, 0, 100, 100), &log);
		view = new CView(CRect(10, 10, 30, 30));
		container->addView(view);
		frame->addView(container);
		frame->attach();
		container->received.clear();
		view->registerViewListener(&listener);
	}
	~SizingTree()
	{
		view->unregisterViewListener(&listener);
		frame->removed(frame);
	}

	EventLog log;
	LoggingViewListener listener {"listener", log};
	SharedPointer<RecordingFrame> frame {owned(new RecordingFrame(CRect(0, 0, 100, 100)))};
	NotifyRecordingContainer* container {nullptr};
	CView* view {nullptr};
};

TEST(CViewSizeTest, SetViewSizeToTheSameRectNotifiesNobody)
{
	SizingTree tree;
	tree.view->setViewSize(CRect(10, 10, 30, 30));
	EXPECT_TRUE(tree.container->received.empty());
	EXPECT_TRUE(tree.log.empty());
	EXPECT_FALSE(tree.view->isDirty());
}

TEST(CViewSizeTest, SetViewSizeNotifiesParentThenListenersWithTheOldSize)
{
	SizingTree tree;
	tree.view->setViewSize(CRect(20, 20, 50, 60));

	ASSERT_EQ(tree.container->received.size(), 1u);
	EXPECT_EQ(tree.container->received[0].first, tree.view);
	// Messages are compared by pointer: the constant itself must arrive.
	EXPECT_EQ(tree.container->received[0].second, kMsgViewSizeChanged);
	EXPECT_EQ(tree.log, (EventLog {"parent:sizeChanged", "listener:sizeChanged"}));
	EXPECT_EQ(tree.listener.lastOldSize, CRect(10, 10, 30, 30));
	EXPECT_EQ(tree.listener.sizeDuringCall, CRect(20, 20, 50, 60));
}

TEST(CViewSizeTest, SetViewSizeMarksDirtyOnlyWhenAskedTo)
{
	for (bool invalidate : {true, false})
	{
		SCOPED_TRACE(invalidate);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		view->setViewSize(CRect(0, 0, 20, 20), invalidate);
		EXPECT_EQ(view->getViewSize(), CRect(0, 0, 20, 20));
		EXPECT_EQ(view->isDirty(), invalidate);
	}
}

// ---- Alpha and visibility ----

TEST(CViewAlphaTest, SetAlphaValueOneRemovesTheStoredValue)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	uint32 size = 0;
	view->setAlphaValue(0.25f);
	EXPECT_FLOAT_EQ(view->getAlphaValue(), 0.25f);
	EXPECT_TRUE(view->hasViewFlag(CView::kHasAlpha));
	EXPECT_TRUE(view->getAttributeSize(kCViewAlphaValueAttribute, size));

	view->setAlphaValue(1.f);
	EXPECT_FLOAT_EQ(view->getAlphaValue(), 1.f);
	EXPECT_FALSE(view->hasViewFlag(CView::kHasAlpha));
	EXPECT_FALSE(view->getAttributeSize(kCViewAlphaValueAttribute, size));
}

TEST(CViewAlphaTest, AlphaChangeInvalidatesTheViewInItsParent)
{
	using Step = std::function<void(CView&)>;
	struct Case
	{
		const char* name;
		Step before;
		Step change;
		float alphaAfter;
		bool invalidates;
	};
	const Case cases[] = {
	    {"first change", [](CView&) {}, [](CView& v) { v.setAlphaValue(0.5f); }, 0.5f, true},
	    {"same value again", [](CView& v) { v.setAlphaValue(0.5f); },
	     [](CView& v) { v.setAlphaValue(0.5f); }, 0.5f, false},
	    {"back to opaque", [](CView& v) { v.setAlphaValue(0.5f); },
	     [](CView& v) { v.setAlphaValue(1.f); }, 1.f, true},
	    {"to fully transparent", [](CView&) {}, [](CView& v) { v.setAlphaValue(0.f); }, 0.f, true},
	    {"without invalidation", [](CView&) {},
	     [](CView& v) { v.setAlphaValueNoInvalidate(0.5f); }, 0.5f, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		AttachedTree tree;
		c.before(*tree.view);
		tree.frame->invalidRects.clear();
		c.change(*tree.view);
		EXPECT_FLOAT_EQ(tree.view->getAlphaValue(), c.alphaAfter);
		const std::vector<CRect> expected =
		    c.invalidates ? std::vector<CRect> {CRect(10, 10, 30, 30)} : std::vector<CRect> {};
		EXPECT_EQ(tree.frame->invalidRects, expected);
	}
}

TEST(CViewAlphaTest, IsVisibleNeedsTheFlagAndAlphaAboveZero)
{
	struct Case
	{
		bool flag;
		float alpha;
		bool visible;
	};
	const Case cases[] = {
	    {true, 1.f, true},
	    {true, 0.01f, true},
	    {true, 0.f, false},
	    {false, 1.f, false},
	    {false, 0.f, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "flag " << c.flag << " alpha " << c.alpha);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		view->setVisible(c.flag);
		view->setAlphaValue(c.alpha);
		EXPECT_EQ(view->isVisible(), c.visible);
		EXPECT_EQ(view->hasViewFlag(CView::kVisible), c.flag);
	}
}

TEST(CViewAlphaTest, PressOnViewWithZeroAlphaGoesToTheViewBelow)
{
	EventLog log;
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto below = new RecordingView(CRect(0, 0, 50, 50), "below", &log);
	auto top = new RecordingView(CRect(0, 0, 50, 50), "top", &log);
	frame->addView(below);
	frame->addView(top);
	frame->attach();

	top->setAlphaValue(0.f);
	CPoint where(10, 10);
	frame->onMouseDown(where, kLeftButton);
	frame->onMouseUp(where, kLeftButton);
	EXPECT_EQ(log, (EventLog {"below:down", "below:up"}));

	log.clear();
	top->setAlphaValue(1.f);
	frame->onMouseDown(where, kLeftButton);
	frame->onMouseUp(where, kLeftButton);
	EXPECT_EQ(log, (EventLog {"top:down", "top:up"}));
	frame->removed(frame);
}

// ---- Mouseable area and hit test ----

TEST(CViewHitTestTest, MouseableAreaIsStoredOnlyWhenItDiffersFromTheViewSize)
{
	auto view = owned(new CView(CRect(10, 10, 50, 50)));
	uint32 size = 0;
	view->setMouseableArea(CRect(10, 10, 50, 50));
	EXPECT_FALSE(view->hasViewFlag(CView::kHasMouseableArea));
	EXPECT_FALSE(view->getAttributeSize(kCViewMouseableAreaAttribute, size));
	EXPECT_EQ(view->getMouseableArea(), CRect(10, 10, 50, 50));

	view->setMouseableArea(CRect(0, 0, 20, 20));
	EXPECT_TRUE(view->hasViewFlag(CView::kHasMouseableArea));
	EXPECT_TRUE(view->getAttributeSize(kCViewMouseableAreaAttribute, size));
	EXPECT_EQ(view->getMouseableArea(), CRect(0, 0, 20, 20));

	view->setMouseableArea(CRect(10, 10, 50, 50));
	EXPECT_FALSE(view->hasViewFlag(CView::kHasMouseableArea));
	EXPECT_FALSE(view->getAttributeSize(kCViewMouseableAreaAttribute, size));
	EXPECT_EQ(view->getMouseableArea(), CRect(10, 10, 50, 50));

	// Without a stored area the view's size is the area, wherever it moves.
	view->setViewSize(CRect(60, 60, 70, 70));
	EXPECT_EQ(view->getMouseableArea(), CRect(60, 60, 70, 70));
}

TEST(CViewHitTestTest, HitTestUsesTheMouseableArea)
{
	struct Case
	{
		const char* name;
		bool withArea;
		CPoint where;
		bool hit;
	};
	// View (10, 10, 50, 50); the stored area is (0, 0, 20, 20).
	const Case cases[] = {
	    {"top-left corner of the size", false, {10, 10}, true},
	    {"just inside the bottom-right", false, {49.5, 49.5}, true},
	    {"on the right edge", false, {50, 20}, false},
	    {"on the bottom edge", false, {20, 50}, false},
	    {"in the area, outside the size", true, {5, 5}, true},
	    {"in the size, outside the area", true, {30, 30}, false},
	    {"on the area's right edge", true, {20, 15}, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = owned(new CView(CRect(10, 10, 50, 50)));
		if (c.withArea)
			view->setMouseableArea(CRect(0, 0, 20, 20));
		EXPECT_EQ(view->hitTest(c.where), c.hit);
	}
}

TEST(CViewHitTestTest, HitTestPathDecidesInTheViewsOwnCoordinates)
{
	auto path = owned(new FakePath);
	auto view = owned(new CView(CRect(10, 20, 50, 60)));
	view->setMouseableArea(CRect(0, 0, 5, 5));
	view->setHitTestPath(path);

	// Outside the mouseable area, but the path says yes.
	EXPECT_TRUE(view->hitTest(CPoint(15, 27)));
	EXPECT_EQ(path->asked, (std::vector<CPoint> {CPoint(5, 7)}));

	// Inside the mouseable area, but the path says no.
	path->answer = false;
	EXPECT_FALSE(view->hitTest(CPoint(1, 1)));
}

// ---- Backgrounds ----

TEST(CViewBackgroundTest, DrawBackgroundChoosesTheDisabledOneOnlyWhileMouseIsDisabled)
{
	enum Expected
	{
		None,
		Normal,
		Disabled
	};
	struct Case
	{
		bool withBackground;
		bool withDisabled;
		bool mouseEnabled;
		Expected expected;
	};
	const Case cases[] = {
	    {true, true, true, Normal},      {true, true, false, Disabled}, {true, false, false, Normal},
	    {false, true, true, None},       {false, true, false, Disabled}, {false, false, false, None},
	};
	auto normal = owned(new CBitmap);
	auto disabled = owned(new CBitmap);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "background " << c.withBackground << " disabled "
		                                << c.withDisabled << " mouse " << c.mouseEnabled);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		if (c.withBackground)
			view->setBackground(normal);
		if (c.withDisabled)
			view->setDisabledBackground(disabled);
		view->setMouseEnabled(c.mouseEnabled);
		CBitmap* expected = c.expected == Normal ? normal.get() : c.expected == Disabled ? disabled.get() : nullptr;
		EXPECT_EQ(view->getDrawBackground(), expected);
	}
}

TEST(CViewBackgroundTest, StateChangesMarkTheViewDirty)
{
	auto bitmap = owned(new CBitmap);
	using Step = std::function<void(CView&)>;
	struct Case
	{
		const char* name;
		Step before;
		Step change;
		bool dirty;
	};
	const Case cases[] = {
	    {"mouse disabled with a disabled background",
	     [&](CView& v) { v.setDisabledBackground(bitmap); }, [](CView& v) { v.setMouseEnabled(false); },
	     true},
	    {"mouse enabled with a disabled background",
	     [&](CView& v) {
		     v.setDisabledBackground(bitmap);
		     v.setMouseEnabled(false);
	     },
	     [](CView& v) { v.setMouseEnabled(true); }, true},
	    {"mouse disabled with only a background", [&](CView& v) { v.setBackground(bitmap); },
	     [](CView& v) { v.setMouseEnabled(false); }, false},
	    {"mouse set to its current state", [&](CView& v) { v.setDisabledBackground(bitmap); },
	     [](CView& v) { v.setMouseEnabled(true); }, false},
	    {"transparency switched on", [](CView&) {}, [](CView& v) { v.setTransparency(true); }, true},
	    {"transparency set to its current state", [](CView&) {},
	     [](CView& v) { v.setTransparency(false); }, false},
	    {"background set", [](CView&) {}, [&](CView& v) { v.setBackground(bitmap); }, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		c.before(*view);
		view->setDirty(false);
		c.change(*view);
		EXPECT_EQ(view->isDirty(), c.dirty);
	}
}

TEST(CViewBackgroundTest, SetMouseEnabledTellsEveryMouseListener)
{
	EventLog log;
	LoggingMouseListener first("first", log);
	LoggingMouseListener second("second", log);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	view->registerViewMouseListener(&first);
	view->registerViewMouseListener(&second);

	view->setMouseEnabled(false);
	EXPECT_THAT(log, testing::UnorderedElementsAre("first:disabled", "second:disabled"));
	EXPECT_EQ(first.lastView, view.get());

	log.clear();
	view->setMouseEnabled(true);
	EXPECT_THAT(log, testing::UnorderedElementsAre("first:enabled", "second:enabled"));

	view->unregisterViewMouseListener(&first);
	view->unregisterViewMouseListener(&second);
}

// Background, disabled background, hit-test path and drop target are held by
// reference: each setter remembers the new object and forgets the old one, and
// the view's deletion forgets what it still holds.
TEST(CViewBackgroundTest, ReferencedAttributesAreRememberedAndReleased)
{
	using Object = AtomicReferenceCounted;
	struct Slot
	{
		const char* name;
		std::function<Object*()> make;
		std::function<void(CView&, Object*)> set;
		std::function<Object*(CView&)> get;
		int32 flag;
	};
	const Slot slots[] = {
	    {"background", [] { return static_cast<Object*>(new CBitmap); },
	     [](CView& v, Object* o) { v.setBackground(static_cast<CBitmap*>(o)); },
	     [](CView& v) { return static_cast<Object*>(v.getBackground()); }, CView::kHasBackground},
	    {"disabled background", [] { return static_cast<Object*>(new CBitmap); },
	     [](CView& v, Object* o) { v.setDisabledBackground(static_cast<CBitmap*>(o)); },
	     [](CView& v) { return static_cast<Object*>(v.getDisabledBackground()); },
	     CView::kHasDisabledBackground},
	    {"hit-test path", [] { return static_cast<Object*>(new FakePath); },
	     [](CView& v, Object* o) { v.setHitTestPath(static_cast<FakePath*>(o)); },
	     [](CView& v) { return static_cast<Object*>(static_cast<FakePath*>(v.getHitTestPath())); }, 0},
	    {"drop target", [] { return static_cast<Object*>(new FakeDropTarget); },
	     [](CView& v, Object* o) { v.setDropTarget(SharedPointer<IDropTarget>(static_cast<FakeDropTarget*>(o))); },
	     [](CView& v) {
		     auto target = v.getDropTarget();
		     return static_cast<Object*>(dynamic_cast<FakeDropTarget*>(target.get()));
	     },
	     0},
	};
	for (const auto& slot : slots)
	{
		SCOPED_TRACE(slot.name);
		auto a = owned(slot.make());
		auto b = owned(slot.make());
		{
			auto view = owned(new CView(CRect(0, 0, 10, 10)));
			slot.set(*view, a);
			EXPECT_EQ(a->getNbReference(), 2);
			EXPECT_EQ(slot.get(*view), a.get());
			if (slot.flag)
			{
				EXPECT_TRUE(view->hasViewFlag(slot.flag));
			}

			slot.set(*view, a);
			EXPECT_EQ(a->getNbReference(), 2);

			slot.set(*view, b);
			EXPECT_EQ(a->getNbReference(), 1);
			EXPECT_EQ(b->getNbReference(), 2);
			EXPECT_EQ(slot.get(*view), b.get());

			slot.set(*view, nullptr);
			EXPECT_EQ(b->getNbReference(), 1);
			EXPECT_EQ(slot.get(*view), nullptr);
			if (slot.flag)
			{
				EXPECT_FALSE(view->hasViewFlag(slot.flag));
			}

			slot.set(*view, a);
			EXPECT_EQ(a->getNbReference(), 2);
		}
		EXPECT_EQ(a->getNbReference(), 1);
	}
}

// ---- Attach and remove ----

TEST(CViewTreeTest, AttachAndRemoveTellListenersWhileTheViewIsInTheTree)
{
	struct Seen
	{
		std::string event;
		CView* parent;
		CFrame* frame;
		bool attached;
	};
	std::vector<Seen> seen;
	EventLog log;
	LoggingViewListener listener("listener", log);
	listener.hook = [&](const std::string& event, CView* view) {
		seen.push_back({event, view->getParentView(), view->getFrame(), view->isAttached()});
	};

	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto container = new CViewContainer(CRect(10, 10, 90, 90));
	auto view = new CView(CRect(0, 0, 10, 10));
	container->addView(view);
	frame->addView(container);
	view->registerViewListener(&listener);

	frame->attach();
	ASSERT_EQ(seen.size(), 1u);
	EXPECT_EQ(seen[0].event, "attached");
	EXPECT_EQ(seen[0].parent, container);
	EXPECT_EQ(seen[0].frame, frame.get());
	EXPECT_TRUE(seen[0].attached);

	frame->removed(frame);
	ASSERT_EQ(seen.size(), 2u);
	EXPECT_EQ(seen[1].event, "removed");
	EXPECT_EQ(seen[1].parent, container);
	EXPECT_EQ(seen[1].frame, frame.get());
	EXPECT_TRUE(seen[1].attached);

	EXPECT_EQ(view->getParentView(), nullptr);
	EXPECT_EQ(view->getFrame(), nullptr);
	EXPECT_FALSE(view->isAttached());
	view->unregisterViewListener(&listener);
}

TEST(CViewTreeTest, AttachingTwiceOrRemovingTwiceIsRefused)
{
	EventLog log;
	LoggingViewListener listener("listener", log);
	AttachedTree tree;
	tree.view->registerViewListener(&listener);

	EXPECT_FALSE(tree.view->attached(tree.frame));
	EXPECT_TRUE(log.empty());

	EXPECT_TRUE(tree.view->removed(tree.frame));
	EXPECT_FALSE(tree.view->removed(tree.frame));
	EXPECT_EQ(log, (EventLog {"listener:removed"}));
	tree.view->unregisterViewListener(&listener);
}

TEST(CViewTreeTest, AttachingToAViewThatIsNoContainerAsserts)
{
	AssertionRecorder asserts;
	auto plain = owned(new CView(CRect(0, 0, 100, 100)));
	auto child = owned(new CView(CRect(0, 0, 10, 10)));
	child->attached(plain);
	EXPECT_TRUE(asserts.has("lib/cview", "426"));
	child->removed(plain);
}

TEST(CViewTreeTest, RemovingTheFocusViewFromTheTreeClearsTheFrameFocus)
{
	AttachedTree tree;
	tree.frame->setFocusView(tree.view);
	ASSERT_EQ(tree.frame->getFocusView(), tree.view);
	tree.frame->removeView(tree.view);
	EXPECT_EQ(tree.frame->getFocusView(), nullptr);
}

TEST(CViewTreeTest, TakeAndLooseFocusTellViewListeners)
{
	EventLog log;
	LoggingViewListener listener("listener", log);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	view->registerViewListener(&listener);
	view->takeFocus();
	view->looseFocus();
	EXPECT_EQ(log, (EventLog {"listener:tookFocus", "listener:lostFocus"}));
	view->unregisterViewListener(&listener);
}

// ---- Deletion ----

TEST(CViewDeletionTest, ListenersAreToldBeforeLeftoversAreChecked)
{
	AssertionRecorder asserts;
	EventLog log;
	LoggingViewListener listener("listener", log);
	auto view = new CView(CRect(0, 0, 10, 10));
	view->registerViewListener(&listener);
	listener.hook = [&](const std::string& event, CView* v) {
		if (event == "willDelete")
			v->unregisterViewListener(&listener);
	};
	view->forget();
	EXPECT_EQ(log, (EventLog {"listener:willDelete"}));
	EXPECT_TRUE(asserts.reports.empty());
}

TEST(CViewDeletionTest, LeftoversAreReportedInOrderAndTheDeletionStillReleasesEverything)
{
	AssertionRecorder asserts;
	EventLog log;
	size_t reportsWhenToldOfDeletion = 99;
	LoggingViewListener listener("listener", log);
	listener.hook = [&](const std::string& event, CView*) {
		if (event == "willDelete")
			reportsWhenToldOfDeletion = asserts.reports.size();
	};
	LoggingMouseListener mouseListener("mouse", log);
	auto background = owned(new CBitmap);
	auto disabled = owned(new CBitmap);
	auto path = owned(new FakePath);
	auto target = owned(new FakeDropTarget);
	auto container = owned(new CViewContainer(CRect(0, 0, 100, 100)));

	auto view = new CView(CRect(0, 0, 10, 10));
	view->setBackground(background);
	view->setDisabledBackground(disabled);
	view->setHitTestPath(path);
	view->setDropTarget(SharedPointer<IDropTarget>(target.get()));
	view->setTooltipText("tip");
	view->registerViewListener(&listener);
	view->registerViewMouseListener(&mouseListener);
	view->attached(container);
	ASSERT_TRUE(asserts.reports.empty());

	view->forget();
	EXPECT_EQ(reportsWhenToldOfDeletion, 0u);
	EXPECT_EQ(reportsOf(asserts), (ReportList {{"lib/cview", "237", "View listeners not empty"},
	                                           {"lib/cview", "241", "View mouse listeners not empty"},
	                                           {"lib/cview", "244", "View is still attached"}}));
	EXPECT_EQ(background->getNbReference(), 1);
	EXPECT_EQ(disabled->getNbReference(), 1);
	EXPECT_EQ(path->getNbReference(), 1);
	EXPECT_EQ(target->getNbReference(), 1);
}

// ---- Copy ----

TEST(CViewCopyTest, CopySharesReferencedAttributesAndCopiesTheBytesOfTheRest)
{
	auto background = owned(new CBitmap);
	auto disabled = owned(new CBitmap);
	auto path = owned(new FakePath);
	AttachedTree tree(CRect(10, 10, 50, 50));
	CView* source = tree.view;
	source->setBackground(background);
	source->setDisabledBackground(disabled);
	source->setHitTestPath(path);
	source->setTooltipText("tip");
	source->setAlphaValueNoInvalidate(0.5f);
	source->setMouseableArea(CRect(0, 0, 20, 20));
	source->setAutosizeFlags(kAutosizeAll);
	source->setTransparency(true);
	source->setWantsFocus(true);
	source->setAttributeValue(kTestAttribute, uint32(0xC0FFEE));

	auto copy = owned(new CView(*source));
	EXPECT_EQ(copy->getNbReference(), 1);
	EXPECT_EQ(copy->getViewSize(), CRect(10, 10, 50, 50));
	EXPECT_EQ(copy->getBackground(), background.get());
	EXPECT_EQ(copy->getDisabledBackground(), disabled.get());
	EXPECT_EQ(copy->getHitTestPath(), path.get());
	EXPECT_EQ(background->getNbReference(), 3);
	EXPECT_EQ(disabled->getNbReference(), 3);
	EXPECT_EQ(path->getNbReference(), 3);
	EXPECT_TRUE(copy->hasViewFlag(CView::kHasBackground | CView::kHasDisabledBackground));

	ASSERT_NE(copy->getTooltipText(), nullptr);
	EXPECT_STREQ(copy->getTooltipText(), "tip");
	EXPECT_NE(copy->getTooltipText(), source->getTooltipText());
	EXPECT_FLOAT_EQ(copy->getAlphaValue(), 0.5f);
	EXPECT_EQ(copy->getMouseableArea(), CRect(0, 0, 20, 20));
	EXPECT_EQ(copy->getAutosizeFlags(), kAutosizeAll);
	EXPECT_TRUE(copy->getTransparency());
	EXPECT_TRUE(copy->wantsFocus());
	uint32 custom = 0;
	EXPECT_TRUE(copy->getAttributeValue(kTestAttribute, custom));
	EXPECT_EQ(custom, 0xC0FFEEu);

	// Each copy holds its own attribute bytes.
	copy->setTooltipText("changed");
	EXPECT_STREQ(source->getTooltipText(), "tip");

	copy = nullptr;
	EXPECT_EQ(background->getNbReference(), 2);
	EXPECT_EQ(disabled->getNbReference(), 2);
	EXPECT_EQ(path->getNbReference(), 2);
}

TEST(CViewCopyTest, CopyOfAnAttachedViewIsDetachedAndCanJoinAnotherTree)
{
	AssertionRecorder asserts;
	AttachedTree tree;
	CView* copy = tree.view->cloneView();
	ASSERT_NE(copy, nullptr);
	EXPECT_FALSE(copy->isAttached());
	EXPECT_FALSE(copy->isSubview());
	EXPECT_EQ(copy->getParentView(), nullptr);
	EXPECT_EQ(copy->getFrame(), nullptr);

	auto other = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	other->attach();
	EXPECT_TRUE(other->addView(copy));
	EXPECT_TRUE(copy->isAttached());
	EXPECT_EQ(copy->getParentView(), other.get());
	EXPECT_TRUE(asserts.reports.empty());
	other->removed(other);
}

TEST(CViewCopyTest, CopyDoesNotTakeOverTheDropTarget)
{
	auto target = owned(new FakeDropTarget);
	auto source = owned(new CView(CRect(0, 0, 10, 10)));
	source->setDropTarget(SharedPointer<IDropTarget>(target.get()));
	ASSERT_EQ(target->getNbReference(), 2);

	auto copy = owned(new CView(*source));
	EXPECT_EQ(copy->getDropTarget(), nullptr);
	EXPECT_EQ(target->getNbReference(), 2);

	// Deleting the copy must not forget a reference it never took.
	copy = nullptr;
	EXPECT_EQ(target->getNbReference(), 2);
	EXPECT_EQ(source->getDropTarget().get(), static_cast<IDropTarget*>(target.get()));
}

// ---- Listener lists changing during dispatch ----

TEST(CViewListenerTest, ListenerUnregisteringItselfDuringSizeChangeDoesNotDisturbOthers)
{
	EventLog log;
	LoggingViewListener a("a", log), b("b", log), c("c", log);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	for (auto listener : {&a, &b, &c})
		view->registerViewListener(listener);
	b.hook = [&](const std::string&, CView* v) { v->unregisterViewListener(&b); };

	view->setViewSize(CRect(0, 0, 20, 20));
	EXPECT_EQ(log, (EventLog {"a:sizeChanged", "b:sizeChanged", "c:sizeChanged"}));
	log.clear();
	view->setViewSize(CRect(0, 0, 30, 30));
	EXPECT_EQ(log, (EventLog {"a:sizeChanged", "c:sizeChanged"}));

	view->unregisterViewListener(&a);
	view->unregisterViewListener(&c);
}

TEST(CViewListenerTest, ListenerUnregisteringALaterOneDuringSizeChangeSkipsIt)
{
	EventLog log;
	LoggingViewListener a("a", log), b("b", log), c("c", log);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	for (auto listener : {&a, &b, &c})
		view->registerViewListener(listener);
	a.hook = [&](const std::string&, CView* v) { v->unregisterViewListener(&c); };

	view->setViewSize(CRect(0, 0, 20, 20));
	EXPECT_EQ(log, (EventLog {"a:sizeChanged", "b:sizeChanged"}));
	log.clear();
	view->setViewSize(CRect(0, 0, 30, 30));
	EXPECT_EQ(log, (EventLog {"a:sizeChanged", "b:sizeChanged"}));

	view->unregisterViewListener(&a);
	view->unregisterViewListener(&b);
}

TEST(CViewListenerTest, ListenersUnregisteringDuringWillDeleteLeaveNothingToReport)
{
	AssertionRecorder asserts;
	EventLog log;
	LoggingViewListener a("a", log), b("b", log), c("c", log);
	auto view = new CView(CRect(0, 0, 10, 10));
	for (auto listener : {&a, &b, &c})
		view->registerViewListener(listener);
	// a takes itself and c out; b takes itself out; c is never told.
	a.hook = [&](const std::string&, CView* v) {
		v->unregisterViewListener(&a);
		v->unregisterViewListener(&c);
	};
	b.hook = [&](const std::string&, CView* v) { v->unregisterViewListener(&b); };

	view->forget();
	EXPECT_EQ(log, (EventLog {"a:willDelete", "b:willDelete"}));
	EXPECT_TRUE(asserts.reports.empty());
}

TEST(CViewListenerTest, MouseListenerUnregisteringItselfDuringCallLetsTheNextOneAnswer)
{
	EventLog log;
	LoggingMouseListener first("first", log, kMouseHandled);
	LoggingMouseListener last("last", log, kMouseNotHandled);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	view->registerViewMouseListener(&first);
	view->registerViewMouseListener(&last);
	last.hook = [&](CView* v) { v->unregisterViewMouseListener(&last); };

	EXPECT_EQ(view->callMouseListener(CView::MouseListenerCall::MouseDown, {1, 1}, kLeftButton),
	          kMouseHandled);
	EXPECT_EQ(log, (EventLog {"last:down", "first:down"}));
	log.clear();
	EXPECT_EQ(view->callMouseListener(CView::MouseListenerCall::MouseDown, {1, 1}, kLeftButton),
	          kMouseHandled);
	EXPECT_EQ(log, (EventLog {"first:down"}));
	view->unregisterViewMouseListener(&first);
}

// ---- Mouse listeners ----

TEST(CViewMouseListenerTest, LastRegisteredIsAskedFirstAndTheFirstHandledAnswerWins)
{
	struct Case
	{
		const char* name;
		CMouseEventResult answers[3]; // in registration order
		EventLog asked;
		CMouseEventResult result;
	};
	const Case cases[] = {
	    {"nobody handles",
	     {kMouseNotHandled, kMouseNotHandled, kMouseNotHandled},
	     {"l2:down", "l1:down", "l0:down"},
	     kMouseNotHandled},
	    {"not implemented counts as not handled",
	     {kMouseNotImplemented, kMouseNotImplemented, kMouseNotImplemented},
	     {"l2:down", "l1:down", "l0:down"},
	     kMouseNotHandled},
	    {"middle one handles",
	     {kMouseHandled, kMouseDownHandledNoMoveOrUp, kMouseNotImplemented},
	     {"l2:down", "l1:down"},
	     kMouseDownHandledNoMoveOrUp},
	    {"last registered handles",
	     {kMouseHandled, kMouseHandled, kMouseMoveHandledNoMore},
	     {"l2:down"},
	     kMouseMoveHandledNoMore},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		EventLog log;
		LoggingMouseListener l0("l0", log, c.answers[0]), l1("l1", log, c.answers[1]),
		    l2("l2", log, c.answers[2]);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		for (auto listener : {&l0, &l1, &l2})
			view->registerViewMouseListener(listener);
		EXPECT_EQ(view->callMouseListener(CView::MouseListenerCall::MouseDown, {1, 1}, kLeftButton),
		          c.result);
		EXPECT_EQ(log, c.asked);
		for (auto listener : {&l0, &l1, &l2})
			view->unregisterViewMouseListener(listener);
	}
}

TEST(CViewMouseListenerTest, EachCallReachesItsOwnHandlerWithPositionAndButtons)
{
	struct Case
	{
		CView::MouseListenerCall call;
		const char* event;
		bool passesPosition;
	};
	const Case cases[] = {
	    {CView::MouseListenerCall::MouseDown, "l:down", true},
	    {CView::MouseListenerCall::MouseMoved, "l:moved", true},
	    {CView::MouseListenerCall::MouseUp, "l:up", true},
	    {CView::MouseListenerCall::MouseCancel, "l:cancel", false},
	};
	const CButtonState buttons(kLeftButton | kShiftModifier);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.event);
		EventLog log;
		LoggingMouseListener listener("l", log, kMouseHandled);
		auto view = owned(new CView(CRect(0, 0, 10, 10)));
		view->registerViewMouseListener(&listener);
		EXPECT_EQ(view->callMouseListener(c.call, {3, 4}, buttons), kMouseHandled);
		EXPECT_EQ(log, (EventLog {c.event}));
		EXPECT_EQ(listener.lastView, view.get());
		if (c.passesPosition)
		{
			EXPECT_EQ(listener.lastPos, CPoint(3, 4));
			EXPECT_EQ(listener.lastButtons, buttons);
		}
		view->unregisterViewMouseListener(&listener);
	}
}

TEST(CViewMouseListenerTest, EnteredAndExitedReachEveryMouseListener)
{
	EventLog log;
	LoggingMouseListener first("first", log, kMouseHandled);
	LoggingMouseListener second("second", log, kMouseHandled);
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	view->registerViewMouseListener(&first);
	view->registerViewMouseListener(&second);

	view->callMouseListenerEnteredExited(true);
	EXPECT_THAT(log, testing::UnorderedElementsAre("first:entered", "second:entered"));
	log.clear();
	view->callMouseListenerEnteredExited(false);
	EXPECT_THAT(log, testing::UnorderedElementsAre("first:exited", "second:exited"));

	view->unregisterViewMouseListener(&first);
	view->unregisterViewMouseListener(&second);
}

// ---- Coordinates ----

// frame (0, 0, 400, 400) -> outer (10, 20, 210, 220) -> inner (5, 5, 55, 55) -> view (1, 1, 11, 11)
struct NestedTree
{
	NestedTree()
	{
		outer = new CViewContainer(CRect(10, 20, 210, 220));
		inner = new CViewContainer(CRect(5, 5, 55, 55));
		view = new RecordingView(CRect(1, 1, 11, 11), "view");
		inner->addView(view);
		outer->addView(inner);
		frame->addView(outer);
		frame->attach();
	}
	~NestedTree() { frame->removed(frame); }

	SharedPointer<RecordingFrame> frame {owned(new RecordingFrame(CRect(0, 0, 400, 400)))};
	CViewContainer* outer {nullptr};
	CViewContainer* inner {nullptr};
	RecordingView* view {nullptr};
};

TEST(CViewCoordinatesTest, FrameToLocalAndBackAddUpTheOffsetsOfEveryContainer)
{
	NestedTree tree;
	CPoint point(3, 4);
	tree.view->localToFrame(point);
	EXPECT_EQ(point, CPoint(18, 29));
	tree.view->frameToLocal(point);
	EXPECT_EQ(point, CPoint(3, 4));
}

TEST(CViewCoordinatesTest, DetachedViewHasNoMappingAndNoVisibleArea)
{
	struct Case
	{
		const char* name;
		bool wasInTree;
	};
	for (const auto& c : {Case {"never attached", false}, Case {"taken out of a tree", true}})
	{
		SCOPED_TRACE(c.name);
		auto loose = owned(new CView(CRect(1, 1, 11, 11)));
		NestedTree tree;
		CView* view = loose;
		if (c.wasInTree)
		{
			tree.frame->removed(tree.frame);
			view = tree.view;
		}
		CPoint point(3, 4);
		view->frameToLocal(point);
		EXPECT_EQ(point, CPoint(3, 4));
		view->localToFrame(point);
		EXPECT_EQ(point, CPoint(3, 4));
		EXPECT_TRUE(view->getGlobalTransform().isInvariant());
		EXPECT_TRUE(view->getVisibleViewSize().isEmpty());
	}
}

TEST(CViewCoordinatesTest, GlobalTransformAppliesInnerOffsetsBeforeOuterScales)
{
	NestedTree tree;
	tree.outer->setTransform(CGraphicsTransform::scaling(2, 2));
	tree.frame->setTransform(CGraphicsTransform::scaling(3, 3));

	// (1, 1) + inner (5, 5) = (6, 6); scaled by outer = (12, 12); + outer
	// (10, 20) = (22, 32); the frame's zoom makes (66, 96).
	EXPECT_EQ(tree.view->getGlobalTransform(true).transformed(CPoint(1, 1)), CPoint(22, 32));
	EXPECT_EQ(tree.view->getGlobalTransform(false).transformed(CPoint(1, 1)), CPoint(66, 96));
	EXPECT_EQ(tree.view->translateToGlobal(CPoint(1, 1)), CPoint(66, 96));
	EXPECT_EQ(tree.view->translateToLocal(CPoint(66, 96)), CPoint(1, 1));

	// A press at that frame point is routed to the view at the same local point.
	CPoint where(66, 96);
	tree.frame->onMouseDown(where, kLeftButton);
	ASSERT_EQ(tree.view->events, (std::vector<std::string> {"down"}));
	EXPECT_EQ(tree.view->lastPoint, CPoint(1, 1));
	tree.frame->onMouseUp(where, kLeftButton);
}

TEST(CViewCoordinatesTest, GlobalTransformOfAContainerEndsWithItsOwnTransform)
{
	NestedTree tree;
	tree.outer->setTransform(CGraphicsTransform::scaling(2, 2));
	tree.frame->setTransform(CGraphicsTransform::scaling(3, 3));
	EXPECT_EQ(tree.outer->getGlobalTransform(true).transformed(CPoint(1, 1)), CPoint(2, 2));
	EXPECT_EQ(tree.outer->getGlobalTransform(false).transformed(CPoint(1, 1)), CPoint(6, 6));
	EXPECT_EQ(tree.inner->getGlobalTransform(true).transformed(CPoint(1, 1)), CPoint(12, 22));
}

TEST(CViewCoordinatesTest, VisibleViewSizeIsClippedByEveryAncestor)
{
	// frame (0, 0, 100, 100) -> container (50, 50, 150, 150) sticking out of it.
	auto frame = owned(new RecordingFrame(CRect(0, 0, 100, 100)));
	auto container = new CViewContainer(CRect(50, 50, 150, 150));
	auto inside = new CView(CRect(0, 0, 20, 20));
	auto across = new CView(CRect(10, 10, 90, 90));
	auto outside = new CView(CRect(60, 60, 80, 80));
	container->addView(inside);
	container->addView(across);
	container->addView(outside);
	frame->addView(container);
	frame->attach();

	EXPECT_EQ(inside->getVisibleViewSize(), CRect(0, 0, 20, 20));
	EXPECT_EQ(across->getVisibleViewSize(), CRect(10, 10, 50, 50));
	EXPECT_TRUE(outside->getVisibleViewSize().isEmpty());
	frame->removed(frame);
}

// ---- Tooltip ----

TEST(CViewTooltipTest, TooltipTextIsCopiedReplacedAndRemovedWithNull)
{
	auto view = owned(new CView(CRect(0, 0, 10, 10)));
	EXPECT_EQ(view->getTooltipText(), nullptr);

	char text[] = "first";
	view->setTooltipText(text);
	text[0] = 'X';
	ASSERT_NE(view->getTooltipText(), nullptr);
	EXPECT_STREQ(view->getTooltipText(), "first");

	view->setTooltipText("a longer tip");
	EXPECT_STREQ(view->getTooltipText(), "a longer tip");
	uint32 size = 0;
	EXPECT_TRUE(view->getAttributeSize(kCViewTooltipAttribute, size));
	EXPECT_EQ(size, sizeof("a longer tip"));

	view->setTooltipText(nullptr);
	EXPECT_EQ(view->getTooltipText(), nullptr);
	EXPECT_FALSE(view->getAttributeSize(kCViewTooltipAttribute, size));
}

} // namespace
} // namespace Kavrin::Test
