#pragma once

// Shared fixtures: a view that records what reaches it, a frame that records
// the invalid rects that reach the root, and a scope that records assertions.

#include "lib/assertion.h"
#include "lib/cframe.h"
#include "lib/controls/ccontrol.h"
#include "lib/cview.h"
#include "lib/cviewcontainer.h"

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {

// Appends "name:event" to a shared log, so tests can assert on the order in
// which several views were reached.
using EventLog = std::vector<std::string>;

class RecordingView : public CView
{
public:
	explicit RecordingView(const CRect& size, std::string name = {}, EventLog* log = nullptr)
	: CView(size), name(std::move(name)), log(log)
	{
	}

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override
	{
		record("down", where, buttons);
		if (onDown)
			return onDown(where, buttons);
		return downResult;
	}
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override
	{
		record("moved", where, buttons);
		return movedResult;
	}
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override
	{
		record("up", where, buttons);
		return upResult;
	}
	CMouseEventResult onMouseCancel() override
	{
		record("cancel", {}, {});
		return cancelResult;
	}
	bool onWheel(const CPoint& where, const CMouseWheelAxis&, const float& distance,
	             const CButtonState& buttons) override
	{
		record("wheel", where, buttons);
		lastWheelDistance = distance;
		return wheelResult;
	}
	void invalidRect(const CRect& rect) override
	{
		++invalidRectCalls;
		CView::invalidRect(rect);
	}
	void draw(CDrawContext* context) override
	{
		++drawCalls;
		CView::draw(context);
	}
	void looseFocus() override
	{
		record("looseFocus", {}, {});
		CView::looseFocus();
	}
	void takeFocus() override
	{
		record("takeFocus", {}, {});
		CView::takeFocus();
	}

	void record(const char* event, const CPoint& where, const CButtonState& buttons)
	{
		lastPoint = where;
		lastButtons = buttons;
		events.push_back(event);
		if (log)
			log->push_back(name + ":" + event);
	}

	std::string name;
	EventLog* log;
	std::vector<std::string> events;
	CPoint lastPoint;
	CButtonState lastButtons;
	float lastWheelDistance {0.f};
	int invalidRectCalls {0};
	int drawCalls {0};
	CMouseEventResult downResult {kMouseHandled};
	CMouseEventResult movedResult {kMouseHandled};
	CMouseEventResult upResult {kMouseHandled};
	CMouseEventResult cancelResult {kMouseNotImplemented};
	bool wheelResult {false};
	std::function<CMouseEventResult(CPoint&, const CButtonState&)> onDown;
};

// A control that records presses; draws nothing.
class RecordingControl : public CControl
{
public:
	explicit RecordingControl(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0)
	: CControl(size, listener, tag)
	{
		setWantsFocus(true);
	}
	CView* cloneView() const override { return new RecordingControl(*this); }
	void draw(CDrawContext*) override { setDirty(false); }
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override
	{
		++mouseDowns;
		if (onDown)
			return onDown(where, buttons);
		return kMouseHandled;
	}
	CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override
	{
		++mouseUps;
		return kMouseHandled;
	}

	int mouseDowns {0};
	int mouseUps {0};
	std::function<CMouseEventResult(CPoint&, const CButtonState&)> onDown;
};

// A frame that records every rect invalidated at the root, in the frame's
// coordinates.
class RecordingFrame : public CFrame
{
public:
	explicit RecordingFrame(const CRect& size) : CFrame(size) {}

	void invalidRect(const CRect& rect) override
	{
		if (isVisible())
			invalidRects.push_back(rect);
	}

	// Attaches the frame and its tree, as opening it on a window would, as
	// the active keyboard target. It is activated first, so that no view
	// takes the focus on activation.
	void attach()
	{
		onActivate(true);
		attached(this);
	}

	std::vector<CRect> invalidRects;
};

// Records every assertion raised during its lifetime.
class AssertionRecorder
{
public:
	struct Report
	{
		std::string file;
		std::string line;
		std::string description;
	};

	AssertionRecorder()
	{
		setAssertionHandler([this](const char* file, const char* line, const char* description) {
			reports.push_back({file ? file : "", line ? line : "", description ? description : ""});
		});
	}
	~AssertionRecorder() { setAssertionHandler(nullptr); }

	bool has(const std::string& file, const std::string& line) const
	{
		for (const auto& report : reports)
		{
			if (report.file == file && report.line == line)
				return true;
		}
		return false;
	}

	std::vector<Report> reports;
};

} // namespace Kavrin::Test
