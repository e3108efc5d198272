#include "lib/cframe.h"

#include "tests/support/dragframe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

namespace Kavrin::Test
{
namespace
{

using ::testing::ElementsAre;

using FrameDragTest = DragFrameTest;

class EndRecorder : public IDragCallback, public NonAtomicReferenceCounted
{
public:
	void dragWillBegin(IDraggingSession*, const CPoint&) override {}
	void dragMoved(IDraggingSession*, const CPoint&) override {}
	void dragEnded(IDraggingSession*, const CPoint&, DragOperation operation) override
	{
		result = operation;
	}
	std::optional<DragOperation> result;
};

// A view that starts a drag as soon as the mouse moves with the button held.
class DragStarter : public RecordingView
{
public:
	using RecordingView::RecordingView;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override
	{
		record("moved", where, buttons);
		DragDescription description{package, nullptr, CPoint(-3, -4)};
		started = doDrag(description, callback);
		return kMouseHandled;
	}
	SharedPointer<IDataPackage> package{CDropSource::create("x", 1, IDataPackage::kText)};
	SharedPointer<IDragCallback> callback{owned(new EndRecorder)};
	bool started{false};
};

TEST_F(FrameDragTest, AStartedDragTakesThePressAwayFromTheViewThatStartedIt)
{
	auto container = new CViewContainer(CRect(0, 0, 100, 100));
	frame->addView(container);
	auto starter = new DragStarter(CRect(10, 10, 40, 40), "starter", &log);
	container->addView(starter);
	container->addView(new RecordingView(CRect(50, 10, 90, 40), "other", &log));

	CPoint where(20, 20);
	frame->platformOnMouseDown(where, kLeftButton);
	where(25, 25);
	frame->platformOnMouseMoved(where, kLeftButton);
	ASSERT_TRUE(starter->started);
	ASSERT_EQ(window->startedDrags.size(), 1u);
	EXPECT_EQ(window->startedDrags[0].data, starter->package);
	EXPECT_EQ(window->startedDrags[0].bitmapOffset, CPoint(-3, -4));
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	EXPECT_EQ(container->getMouseDownView(), nullptr);

	// Neither the release of this press nor a later press on a sibling ends it.
	frame->platformOnMouseUp(where, kLeftButton);
	where(60, 20);
	frame->platformOnMouseDown(where, kLeftButton);
	frame->platformOnMouseUp(where, kLeftButton);
	EXPECT_THAT(log, ElementsAre("starter:down", "starter:moved", "other:down", "other:up"));

	EXPECT_TRUE(window->endDrag(DragOperation::Move));
	EXPECT_EQ(starter->callback.cast<EndRecorder>()->result, DragOperation::Move);
}

TEST_F(FrameDragTest, ARefusedDragLeavesThePressWhereItWas)
{
	window->acceptsDrags = false;
	auto starter = new DragStarter(CRect(10, 10, 40, 40), "starter", &log);
	frame->addView(starter);
	CPoint where(20, 20);
	frame->platformOnMouseDown(where, kLeftButton);
	frame->platformOnMouseMoved(where, kLeftButton);
	EXPECT_FALSE(starter->started);
	EXPECT_EQ(frame->getMouseDownView(), starter);
}

TEST_F(FrameDragTest, ViewsWithoutAPlatformFrameCannotDrag)
{
	CView loose(CRect(0, 0, 10, 10));
	EXPECT_FALSE(loose.doDrag(DragDescription{package, nullptr, {}}, nullptr));
	EXPECT_EQ(loose.doDrag(package.get(), CPoint(1, 2)), -1);

	auto view = new CView(CRect(0, 0, 10, 10));
	frame->addView(view);
	window->legacyDragResult = 7;
	EXPECT_EQ(view->doDrag(package.get(), CPoint(1, 2)), 7);
	EXPECT_EQ(window->legacyDragData, package);
	EXPECT_EQ(window->legacyDragOffset, CPoint(1, 2));
}

TEST_F(FrameDragTest, ClipboardGoesThroughThePlatformFrame)
{
	frame->setClipboard(package);
	auto content = frame->getClipboard();
	ASSERT_TRUE(content);
	EXPECT_EQ(content->getDataType(0), IDataPackage::kText);
	EXPECT_EQ(content->getDataSize(0), 4u);
	frame->setClipboard(nullptr);
	EXPECT_EQ(frame->getClipboard(), nullptr);

	auto unopened = new CFrame(CRect(0, 0, 10, 10));
	unopened->setClipboard(package);
	EXPECT_EQ(unopened->getClipboard(), nullptr);
	unopened->close();
}

} // namespace
} // namespace Kavrin::Test
