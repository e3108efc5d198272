#pragma once

// A headless frame of 200 x 200 that tests drive drags through, and a drop
// target that logs what reaches it.

#include "lib/cdropsource.h"
#include "lib/cframe.h"
#include "lib/dragging.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>

namespace Kavrin::Test
{

// Logs "name:enter x,y mods" and so on; a hook may run after each call.
class LoggingDropTarget : public IDropTarget, public NonAtomicReferenceCounted
{
public:
	LoggingDropTarget(std::string name, EventLog& log) : name(std::move(name)), log(log) {}

	DragOperation onDragEnter(DragEventData data) override
	{
		record("enter", data);
		run(onEnterHook);
		return answer;
	}
	DragOperation onDragMove(DragEventData data) override
	{
		record("move", data);
		run(onMoveHook);
		return answer;
	}
	void onDragLeave(DragEventData data) override
	{
		record("leave", data);
		run(onLeaveHook);
	}
	bool onDrop(DragEventData data) override
	{
		record("drop", data);
		run(onDropHook);
		return dropAnswer;
	}

	std::string name;
	EventLog& log;
	DragOperation answer{DragOperation::Copy};
	bool dropAnswer{true};
	bool logPositions{false};
	IDataPackage* lastPackage{nullptr};
	std::function<void()> onEnterHook, onMoveHook, onLeaveHook, onDropHook;

private:
	void record(const char* event, const DragEventData& data)
	{
		lastPackage = data.drag;
		std::ostringstream entry;
		entry << name << ":" << event;
		if (logPositions)
			entry << " " << data.pos.x << "," << data.pos.y << " "
			      << data.modifiers.getButtonState();
		log.push_back(entry.str());
	}
	static void run(const std::function<void()>& hook)
	{
		if (hook)
			hook();
	}
};

class DragFrameTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		setPlatform(owned(new HeadlessPlatform));
		frame = new CFrame(CRect(0, 0, 200, 200));
		ASSERT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	}
	void TearDown() override
	{
		closeFrame();
		window = nullptr;
		setPlatform(nullptr);
	}
	void closeFrame()
	{
		if (frame)
			std::exchange(frame, nullptr)->close();
	}

	// A view with a logging drop target, added to container (the frame when null).
	LoggingDropTarget* addTarget(const std::string& viewName, const CRect& size,
	                             CViewContainer* container = nullptr)
	{
		auto view = new CView(size);
		auto target = owned(new LoggingDropTarget(viewName, log));
		view->setDropTarget(target);
		(container ? container : frame)->addView(view);
		return target;
	}

	SharedPointer<IDataPackage> package{CDropSource::create("text", 4, IDataPackage::kText)};
	EventLog log;
	CFrame* frame{nullptr};
	SharedPointer<HeadlessFrame> window;
	int parent{0};
};

} // namespace Kavrin::Test
