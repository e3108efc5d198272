#pragma once

// An open frame on the headless platform for control tests: its editor and
// a main listener write into one log, and a page offset from the frame's
// origin holds the controls. Input goes through the frame's platform entry
// points, as a window would send it; the virtual clock drives the timers.

#include "tests/support/controlrecording.h"
#include "tests/support/printers.h"

#include "lib/cbitmap.h"
#include "lib/cframe.h"
#include "lib/controls/ccontrol.h"
#include "lib/cviewcontainer.h"
#include "lib/moxkeycode.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {

class ControlFrameTest : public ::testing::Test
{
protected:
	static constexpr int32 kTag = 7;
	static constexpr CRect kFrameRect {0, 0, 300, 200};
	// The page's place in the frame: controls sit in page coordinates.
	static constexpr CRect kPageRect {10, 20, 290, 190};

	ControlFrameTest()
	{
		setPlatform(platform);
		openFrame();
	}
	~ControlFrameTest() override
	{
		frame->close();
		setPlatform(nullptr);
	}

	// The creator's reference goes with close(), which a listener may call;
	// the holder keeps the frame until the next one replaces it.
	void openFrame()
	{
		frame = new CFrame(kFrameRect, &editor);
		frameHolder = frame;
		frame->setBackgroundColor(kBlackCColor);
		addPage();
		EXPECT_TRUE(frame->open(&parent, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		frame->platformOnActivate(true);
	}
	void reopenFrame()
	{
		frame->close();
		openFrame();
	}
	void addPage()
	{
		page = new CViewContainer(kPageRect);
		page->setTransparency(true);
		frame->addView(page);
	}

	// Puts the control on the page with the main listener and the tag, then
	// draws the frame and starts a fresh log.
	template <typename Control>
	Control* add(Control* control)
	{
		control->setListener(&listener);
		control->setTag(kTag);
		page->addView(control);
		paint();
		log.clear();
		return control;
	}

	// A point given from a control's top-left corner, in frame coordinates.
	static CPoint at(const CView* view, double x, double y)
	{
		return kPageRect.getTopLeft() + view->getViewSize().getTopLeft() + CPoint(x, y);
	}

	CMouseEventResult press(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseDown(where, CButtonState(buttons));
	}
	CMouseEventResult move(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseMoved(where, CButtonState(buttons));
	}
	CMouseEventResult release(CPoint where, uint32 buttons = kLeftButton)
	{
		return frame->platformOnMouseUp(where, CButtonState(buttons));
	}
	void click(CPoint where)
	{
		press(where);
		release(where);
	}
	bool wheel(CPoint where, float distance, uint32 buttons = 0)
	{
		return frame->platformOnMouseWheel(where, kWheelAxisY, distance, CButtonState(buttons));
	}
	bool keyDown(uint8 virt, uint8 modifier = 0)
	{
		MoxKeyCode code;
		code.virt = virt;
		code.modifier = modifier;
		return frame->platformOnKeyDown(code);
	}
	bool keyUp(uint8 virt, uint8 modifier = 0)
	{
		MoxKeyCode code;
		code.virt = virt;
		code.modifier = modifier;
		return frame->platformOnKeyUp(code);
	}
	void focus(CView* view)
	{
		frame->setFocusView(view);
		ASSERT_EQ(frame->getFocusView(), view);
	}
	// A dialog takes the mouse away from a drag, and closes again.
	void interruptWithADialog()
	{
		auto dialog = owned(new CView(CRect(0, 0, 10, 10)));
		auto session = frame->beginModalViewSession(dialog);
		ASSERT_TRUE(session);
		frame->endModalViewSession(*session);
	}

	// Draws the whole window, as an expose would.
	void paint() { window->drawRect(kFrameRect); }
	CColor pixel(CPoint where) const { return window->getSurface()->getPixel(int(where.x), int(where.y)); }

	size_t count(const std::string& entry) const { return size_t(std::count(log.begin(), log.end(), entry)); }
	// The editor's part of the log.
	ControlLog editorLog() const
	{
		ControlLog result;
		std::copy_if(log.begin(), log.end(), std::back_inserter(result),
		             [](const std::string& entry) { return entry.rfind("editor:", 0) == 0; });
		return result;
	}
	// The values the main listener heard, in order.
	std::vector<float>& recordValues()
	{
		reported.clear();
		listener.onChanged = [this](CControl* control) { reported.push_back(control->getValue()); };
		return reported;
	}

	// One whole bracket, with the changes the listener heard inside it.
	static ControlLog bracket(size_t changes)
	{
		ControlLog result {"main:begin", "editor:begin 7"};
		result.insert(result.end(), changes, "main:changed");
		result.insert(result.end(), {"editor:end 7", "main:end"});
		return result;
	}

	// A gesture that holds an edit open: start opens it, finish is its
	// natural end as the window or the clock sends it (from the control's
	// top-left corner in frame coordinates; the control may be gone). A
	// control taken out of the tree mid-gesture ends at its value at rest.
	struct Gesture
	{
		const char* name;
		std::function<CControl*()> make;
		std::function<void(CControl*)> start;
		std::function<void(CPoint origin)> finish;
		float valueAtRest {0.f};
	};

	// Takes the control out of the tree in the middle of the gesture, in
	// every way a page switch or a listener would: each observer hears one
	// whole bracket or none, the window's later input reaches nothing, and
	// no timer is left running.
	void expectRemovalMidGestureClosesIt(const Gesture& gesture)
	{
		enum Removal
		{
			kControlFromPage,
			kPageFromFrame,
			kByListenerAsTheEditBegins,
			kByListenerOnAChange,
			kByListenerAsTheEditEnds,
		};
		const std::pair<Removal, const char*> removals[] = {
		    {kControlFromPage, "control removed from its page"},
		    {kPageFromFrame, "page removed from the frame"},
		    {kByListenerAsTheEditBegins, "listener removes and releases it as the edit begins"},
		    {kByListenerOnAChange, "listener removes and releases it on a change"},
		    {kByListenerAsTheEditEnds, "listener removes and releases it as the edit ends"},
		};
		for (const auto& [removal, removalName] : removals)
		{
			SCOPED_TRACE(std::string(gesture.name) + ": " + removalName);
			reopenFrame();
			CControl* control = gesture.make();
			const CPoint origin = at(control, 0, 0);
			const size_t timersBefore = platform->getRunningTimerCount();
			const bool direct = removal == kControlFromPage || removal == kPageFromFrame;
			SharedPointer<CControl> held = direct ? control : nullptr;
			bool removed = false;
			auto remove = [&, removal = removal] {
				if (std::exchange(removed, true))
					return;
				if (removal == kPageFromFrame)
					frame->removeView(page);
				else
					page->removeView(control);
			};
			if (removal == kByListenerAsTheEditBegins)
				listener.onBegin = [&](CControl*) { remove(); };
			else if (removal == kByListenerOnAChange)
				listener.onChanged = [&](CControl*) { remove(); };
			else if (removal == kByListenerAsTheEditEnds)
				listener.onEnd = [&](CControl*) { remove(); };

			gesture.start(control);
			if (direct)
				remove();
			else
				gesture.finish(origin);
			listener.onBegin = nullptr;
			listener.onChanged = nullptr;
			listener.onEnd = nullptr;
			EXPECT_TRUE(removed);
			EXPECT_TRUE(bracketsAreWellFormed(log));
			EXPECT_LE(count("main:begin"), 1u);
			if (direct)
			{
				EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
				EXPECT_FALSE(held->isEditing());
				EXPECT_EQ(held->getValue(), gesture.valueAtRest);
			}
			else
				EXPECT_EQ(count("editor:begin 7"), count("editor:end 7"));

			const ControlLog before = log;
			gesture.finish(origin);
			move(origin + CPoint(2, 2));
			release(origin + CPoint(2, 2));
			wheel(origin + CPoint(2, 2), 1.f);
			keyUp(kVKeyReturn);
			keyUp(kVKeyLeft);
			platform->advance(2000);
			EXPECT_EQ(log, before);
			EXPECT_EQ(platform->getRunningTimerCount(), timersBefore);
		}
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	ControlLog log;
	LoggingEditor editor {log};
	LoggingListener listener {"main", log};
	std::vector<float> reported;
	CFrame* frame {nullptr};
	SharedPointer<CFrame> frameHolder;
	CViewContainer* page {nullptr};
	HeadlessFrame* window {nullptr};
	int parent {0};
};

// A control sized to its bitmap: it keeps its top-left corner, and the
// mouse follows the new size; without a bitmap it keeps its size.
struct SizeToFitCase
{
	const char* name;
	std::function<CControl*()> make;
	bool fits;
	CRect expected;
};

inline void expectSizesToFit(const std::vector<SizeToFitCase>& cases)
{
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto control = owned(c.make());
		EXPECT_EQ(control->sizeToFit(), c.fits);
		EXPECT_EQ(control->getViewSize(), c.expected);
		EXPECT_EQ(control->getMouseableArea(), c.expected);
	}
}

// Film strips for pixel tests: frames of solid colours, each telling which
// frame it is.
namespace FilmStrip {

inline CColor frameColor(int index)
{
	return CColor(uint8(40 + index * 50), uint8(200 - index * 40), uint8(index * 30), 255);
}

// A strip of frames of width x frameHeight, frame i filled with
// frameColor(i); one scale factor.
inline SharedPointer<CBitmap> make(int frames, int width, int frameHeight)
{
	auto bitmap = owned(new CBitmap(width, frames * frameHeight));
	auto access = owned(CBitmapPixelAccess::create(bitmap));
	EXPECT_TRUE(access);
	if (!access)
		return bitmap;
	do
		access->setColor(frameColor(int(access->getY()) / frameHeight));
	while (++*access);
	return bitmap;
}

} // namespace FilmStrip

} // namespace Kavrin::Test
