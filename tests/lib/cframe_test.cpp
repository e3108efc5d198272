#include "tests/support/recording.h"

#include "lib/iviewlistener.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

// ---- Recording helpers ----

// Counts the destruction of the views that are given a counter.
using DestructionCounts = std::map<std::string, int>;

// A plain view that also logs hover, keys and its own destruction.
class TrackingView : public RecordingView
{
public:
	TrackingView(const CRect& size, std::string name, EventLog* log) : RecordingView(size, std::move(name), log) {}
	~TrackingView() noexcept override
	{
		if (destructions)
			++*destructions;
	}

	CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override
	{
		record("entered", where, buttons);
		if (onEnter)
			onEnter(this);
		return kMouseHandled;
	}
	CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override
	{
		record("exited", where, buttons);
		return kMouseHandled;
	}
	// Hover moves would flood the logs; they are logged on request.
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override
	{
		if (logMoves)
			record("moved", where, buttons);
		lastMovePoint = where;
		lastMoveButtons = buttons;
		return movedResult;
	}
	int32 onKeyDown(MoxKeyCode&) override
	{
		record("key", {}, {});
		return keyResult;
	}
	int32 onKeyUp(MoxKeyCode&) override
	{
		record("keyup", {}, {});
		return keyResult;
	}

	int32 keyResult {kKeyNotHandled};
	std::function<void(CView*)> onEnter;
	bool logMoves {false};
	CPoint lastMovePoint;
	CButtonState lastMoveButtons;
	int* destructions {nullptr};
};

class TrackingContainer : public CViewContainer
{
public:
	TrackingContainer(const CRect& size, std::string name, EventLog* log)
	: CViewContainer(size), name(std::move(name)), log(log)
	{
	}
	~TrackingContainer() noexcept override
	{
		if (destructions)
			++*destructions;
	}

	CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override
	{
		record("entered");
		if (onEnter)
			onEnter(this);
		return kMouseHandled;
	}
	CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override
	{
		record("exited");
		return kMouseHandled;
	}
	int32 onKeyDown(MoxKeyCode&) override
	{
		record("key");
		return keyResult;
	}
	int32 onKeyUp(MoxKeyCode&) override
	{
		record("keyup");
		return keyResult;
	}

	void record(const char* event)
	{
		if (log)
			log->push_back(name + ":" + event);
	}

	std::string name;
	EventLog* log;
	int32 keyResult {kKeyNotHandled};
	int* destructions {nullptr};
	std::function<void(CView*)> onEnter;
};

// A focusable control (a click on a control moves the focus to it).
class TrackingControl : public CControl
{
public:
	TrackingControl(const CRect& size, std::string name, EventLog* log)
	: CControl(size), name(std::move(name)), log(log)
	{
		setWantsFocus(true);
	}
	~TrackingControl() noexcept override
	{
		if (destructions)
			++*destructions;
	}
	CView* cloneView() const override { return nullptr; }
	void draw(CDrawContext*) override { setDirty(false); }

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override
	{
		record("down");
		return onDown ? onDown(where, buttons) : kMouseHandled;
	}
	CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override
	{
		record("up");
		return kMouseHandled;
	}
	int32 onKeyDown(MoxKeyCode&) override
	{
		record("key");
		return keyResult;
	}
	void looseFocus() override
	{
		record("looseFocus");
		if (onLooseFocus)
			onLooseFocus();
		CControl::looseFocus();
	}
	void takeFocus() override
	{
		record("takeFocus");
		CControl::takeFocus();
		if (onTakeFocus)
			onTakeFocus();
	}

	void record(const char* event)
	{
		if (log)
			log->push_back(name + ":" + event);
	}

	std::string name;
	EventLog* log;
	int32 keyResult {kKeyNotHandled};
	int* destructions {nullptr};
	std::function<CMouseEventResult(CPoint&, const CButtonState&)> onDown;
	std::function<void()> onLooseFocus;
	std::function<void()> onTakeFocus;
};

// A view that wants to hear when the window becomes active or inactive.
class WindowStateView : public TrackingView
{
public:
	using TrackingView::TrackingView;
	bool wantsWindowActivation() const override { return true; }
	void windowActivationChanged(bool active) override
	{
		record(active ? "windowActive" : "windowInactive", {}, {});
		if (onChange)
			onChange();
	}

	std::function<void()> onChange;
};

std::string nameOf(CView* view)
{
	if (auto recording = dynamic_cast<RecordingView*>(view))
		return recording->name;
	if (auto container = dynamic_cast<TrackingContainer*>(view))
		return container->name;
	if (auto control = dynamic_cast<TrackingControl*>(view))
		return control->name;
	return "?";
}

// Logs "name:entered:view", "name:exited:view" and "name:down".
class LogObserver : public IMouseObserver
{
public:
	LogObserver(std::string name, EventLog* log) : name(std::move(name)), log(log) {}

	void onMouseEntered(CView* view, CFrame*) override
	{
		log->push_back(name + ":entered:" + nameOf(view));
		if (onEnter)
			onEnter(view);
	}
	void onMouseExited(CView* view, CFrame*) override { log->push_back(name + ":exited:" + nameOf(view)); }
	CMouseEventResult onMouseMoved(CFrame*, const CPoint&, const CButtonState&) override
	{
		return movedResult;
	}
	CMouseEventResult onMouseDown(CFrame*, const CPoint& where, const CButtonState&) override
	{
		log->push_back(name + ":down");
		lastDownPoint = where;
		if (onDown)
			onDown();
		return downResult;
	}

	std::string name;
	EventLog* log;
	CMouseEventResult downResult {kMouseNotHandled};
	CMouseEventResult movedResult {kMouseNotHandled};
	CPoint lastDownPoint;
	std::function<void()> onDown;
	std::function<void(CView*)> onEnter;
};

class LogMouseListener : public ViewMouseListenerAdapter
{
public:
	LogMouseListener(std::string name, EventLog* log) : name(std::move(name)), log(log) {}

	CMouseEventResult viewOnMouseDown(CView* view, CPoint, CButtonState) override
	{
		log->push_back(name + ":down:" + nameOf(view));
		return downResult;
	}
	void viewOnMouseEntered(CView* view) override
	{
		log->push_back(name + ":entered:" + nameOf(view));
		if (onEnter)
			onEnter(view);
	}
	void viewOnMouseExited(CView* view) override { log->push_back(name + ":exited:" + nameOf(view)); }

	std::string name;
	EventLog* log;
	CMouseEventResult downResult {kMouseNotHandled};
	std::function<void(CView*)> onEnter;
};

class LogHook : public IKeyboardHook
{
public:
	LogHook(std::string name, EventLog* log) : name(std::move(name)), log(log) {}

	int32 onKeyDown(const MoxKeyCode&, CFrame*) override { return handle("key"); }
	int32 onKeyUp(const MoxKeyCode&, CFrame*) override { return handle("keyup"); }

	std::string name;
	EventLog* log;
	int32 result {kKeyNotHandled};
	std::function<void()> onKey;

private:
	int32 handle(const char* event)
	{
		log->push_back(name + ":" + event);
		if (onKey)
			onKey();
		return result;
	}
};

// Counts how often the watched view reaches its deletion.
class DeletionWatch : public ViewListenerAdapter
{
public:
	void watch(CView* view) { view->registerViewListener(this); }
	void viewWillDelete(CView* view) override
	{
		++deletions;
		view->unregisterViewListener(this);
	}

	int deletions {0};
};

class RecordingEditor : public KavrinEditorInterface
{
public:
	int32 getKnobMode() const override { return knobMode; }
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState&) override
	{
		log.push_back("editor:down");
		lastPoint = where;
		return downResult;
	}
	CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override
	{
		log.push_back("editor:up");
		return upResult;
	}
	bool approveSizeChange(const CRect&, const CRect&) override { return approvesSize; }

	EventLog log;
	CPoint lastPoint;
	int32 knobMode {-1};
	CMouseEventResult downResult {kMouseHandled};
	CMouseEventResult upResult {kMouseHandled};
	bool approvesSize {true};
};

class FocusLog : public IFocusViewObserver
{
public:
	void onFocusViewChanged(CFrame*, CView* newFocus, CView* oldFocus) override
	{
		changes.emplace_back(newFocus, oldFocus);
		if (auto once = std::exchange(onChangeOnce, nullptr))
			once();
	}

	std::vector<std::pair<CView*, CView*>> changes;
	std::function<void()> onChangeOnce;
};

class ScaleLog : public IScaleFactorChangedListener
{
public:
	void onScaleFactorChanged(CFrame*, double scale) override { scales.push_back(scale); }

	std::vector<double> scales;
};

constexpr MoxKeyCode keyOf(int32 character)
{
	MoxKeyCode code;
	code.character = character;
	return code;
}

constexpr MoxKeyCode tabKey(uint8 modifier = 0)
{
	MoxKeyCode code;
	code.virt = kVKeyTab;
	code.modifier = modifier;
	return code;
}

// ---- Fixture ----

// A real frame on the headless platform, driven the way a window drives it:
// every event arrives through IPlatformFrameCallback.
class FrameTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		platform = owned(new HeadlessPlatform);
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 200, 200));
	}

	void TearDown() override
	{
		closeFrame();
		for (auto& registration : listenerRegistrations)
			registration.view->unregisterViewMouseListener(registration.listener);
		listenerRegistrations.clear();
		for (const auto& report : assertions.reports)
			ADD_FAILURE() << "unexpected assertion " << report.file << " " << report.line << " "
			              << report.description;
		platformFrame = nullptr;
		setPlatform(nullptr);
	}

	// Opens the frame on a dummy parent; what opening invalidated is dropped.
	void open()
	{
		ASSERT_TRUE(frame->open(&windowHandle, kHeadless));
		platformFrame = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		ASSERT_TRUE(platformFrame);
		window = platformFrame->getCallback();
		ASSERT_EQ(window, static_cast<IPlatformFrameCallback*>(frame));
		platformFrame->invalidRects.clear();
	}

	// Replaces the (unopened) frame with one that talks to the given editor.
	void recreateWithEditor(KavrinEditorInterface* frameEditor)
	{
		closeFrame();
		frame = new CFrame(CRect(0, 0, 200, 200), frameEditor);
	}

	// Closing drops the creator's reference, which the fixture holds.
	void closeFrame()
	{
		if (frame)
			std::exchange(frame, nullptr)->close();
	}

	template <typename View>
	View* add(View* view, CViewContainer* container = nullptr)
	{
		EXPECT_TRUE((container ? container : static_cast<CViewContainer*>(frame))->addView(view));
		return view;
	}

	// The fixture keeps the view and unregisters the listener once the frame
	// is closed, so views may leave the tree with their listeners on.
	void listen(CView* view, IViewMouseListener* mouseListener)
	{
		view->registerViewMouseListener(mouseListener);
		listenerRegistrations.push_back({view, mouseListener});
	}

	template <typename View>
	View* counted(View* view, const std::string& name)
	{
		view->destructions = &destroyed[name];
		return view;
	}

	CMouseEventResult press(CPoint where, CButtonState buttons = kLeftButton)
	{
		return window->platformOnMouseDown(where, buttons);
	}
	CMouseEventResult move(CPoint where, CButtonState buttons = {})
	{
		return window->platformOnMouseMoved(where, buttons);
	}
	CMouseEventResult release(CPoint where, CButtonState buttons = kLeftButton)
	{
		return window->platformOnMouseUp(where, buttons);
	}
	CMouseEventResult leave()
	{
		CPoint outside(-1, -1);
		return window->platformOnMouseExited(outside, {});
	}
	bool wheel(CPoint where, float distance = 1.f)
	{
		return window->platformOnMouseWheel(where, kWheelAxisY, distance, {});
	}
	bool keyDown(MoxKeyCode code) { return window->platformOnKeyDown(code); }
	bool keyUp(MoxKeyCode code) { return window->platformOnKeyUp(code); }
	void activate(bool state) { window->platformOnActivate(state); }

	// Container A holding a1 and container B holding b1, side by side.
	struct Nested
	{
		TrackingContainer* A;
		TrackingView* a1;
		TrackingContainer* B;
		TrackingView* b1;
	};
	static constexpr CPoint kOverA1 {20, 20};
	static constexpr CPoint kOverAOnly {80, 80};
	static constexpr CPoint kOverB1 {120, 20};
	static constexpr CPoint kOverFrameOnly {50, 150};

	Nested addNested()
	{
		Nested n {};
		n.A = add(new TrackingContainer(CRect(0, 0, 100, 100), "A", &log));
		n.a1 = add(new TrackingView(CRect(10, 10, 50, 50), "a1", &log), n.A);
		n.B = add(new TrackingContainer(CRect(100, 0, 200, 100), "B", &log));
		n.b1 = add(new TrackingView(CRect(10, 10, 50, 50), "b1", &log), n.B);
		return n;
	}

	struct ListenerRegistration
	{
		SharedPointer<CView> view;
		IViewMouseListener* listener;
	};

	AssertionRecorder assertions;
	EventLog log;
	DestructionCounts destroyed;
	LogObserver observer {"obs", &log};
	LogObserver observer2 {"obs2", &log};
	LogMouseListener listener {"lis", &log};
	LogMouseListener listener2 {"lis2", &log};
	LogHook hook1 {"h1", &log};
	LogHook hook2 {"h2", &log};
	RecordingEditor editor;
	FocusLog focusLog;
	ScaleLog scaleLog;
	DeletionWatch frameWatch;
	std::vector<ListenerRegistration> listenerRegistrations;
	SharedPointer<HeadlessPlatform> platform;
	SharedPointer<HeadlessFrame> platformFrame;
	IPlatformFrameCallback* window {nullptr};
	CFrame* frame {nullptr};
	int windowHandle {0};
};

// ---- Order of dispatch on a press ----

struct PressCase
{
	const char* name;
	CMouseEventResult firstObserver;
	CMouseEventResult secondObserver;
	bool modal;
	bool modalVisible;
	EventLog expected;
	CMouseEventResult result;
};

void PrintTo(const PressCase& c, std::ostream* os)
{
	*os << c.name;
}

class PressDispatch : public FrameTest, public ::testing::WithParamInterface<PressCase>
{
};

// Observers first (all of them; any answer but "not handled" ends the press
// with the last such answer), then the modal view, then the views below.
TEST_P(PressDispatch, ObserversThenModalViewThenRouting)
{
	const auto& c = GetParam();
	open();
	auto below = add(new TrackingView(CRect(0, 0, 200, 200), "below", &log));
	auto dialog = new TrackingView(CRect(50, 50, 150, 150), "dialog", &log);
	frame->registerMouseObserver(&observer);
	frame->registerMouseObserver(&observer2);
	observer.downResult = c.firstObserver;
	observer2.downResult = c.secondObserver;
	if (c.modal)
	{
		ASSERT_TRUE(frame->beginModalViewSession(dialog));
		dialog->setVisible(c.modalVisible);
	}

	EXPECT_EQ(press({100, 100}), c.result);
	EXPECT_EQ(log, c.expected);

	const bool viewTookIt = c.expected.size() == 3;
	CView* dragging = !viewTookIt ? nullptr : (c.modal ? static_cast<CView*>(dialog) : below);
	EXPECT_EQ(frame->getMouseDownView(), dragging);

	frame->clearModalViewSessions();
	dialog->forget();
}

const PressCase kPressCases[] = {
    {"RoutedToTheViewsWhenObserversPass", kMouseNotHandled, kMouseNotHandled, false, true,
     {"obs:down", "obs2:down", "below:down"}, kMouseHandled},
    {"ModalViewInsteadOfTheViewsBelow", kMouseNotHandled, kMouseNotHandled, true, true,
     {"obs:down", "obs2:down", "dialog:down"}, kMouseHandled},
    {"InvisibleModalViewTakesNothingAndShieldsTheViews", kMouseNotHandled, kMouseNotHandled, true,
     false, {"obs:down", "obs2:down"}, kMouseNotHandled},
    {"HandledByAnObserverEveryObserverStillTold", kMouseHandled, kMouseNotHandled, false, true,
     {"obs:down", "obs2:down"}, kMouseHandled},
    {"LastObserverAnswerWins", kMouseHandled, kMouseDownHandledNoMoveOrUp, false, true,
     {"obs:down", "obs2:down"}, kMouseDownHandledNoMoveOrUp},
    {"NotImplementedFromAnObserverIsAnAnswer", kMouseNotImplemented, kMouseNotHandled, false, true,
     {"obs:down", "obs2:down"}, kMouseNotImplemented},
    {"ObserverAnswerKeepsTheModalViewOut", kMouseNotHandled, kMouseHandled, true, true,
     {"obs:down", "obs2:down"}, kMouseHandled},
};

INSTANTIATE_TEST_SUITE_P(Frame, PressDispatch, ::testing::ValuesIn(kPressCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameTest, ModalViewsMouseListenersSeeThePressBeforeTheView)
{
	open();
	auto dialog = new TrackingView(CRect(50, 50, 150, 150), "dialog", &log);
	ASSERT_TRUE(frame->beginModalViewSession(dialog));
	listen(dialog, &listener);
	listen(dialog, &listener2);

	listener.downResult = kMouseHandled;
	EXPECT_EQ(press({100, 100}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"lis2:down:dialog", "lis:down:dialog"}));
	EXPECT_EQ(frame->getMouseDownView(), dialog);

	release({100, 100});
	log.clear();
	listener.downResult = kMouseNotHandled;
	EXPECT_EQ(press({100, 100}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"lis2:down:dialog", "lis:down:dialog", "dialog:down"}));

	frame->clearModalViewSessions();
	dialog->forget();
}

// What the views leave unhandled goes to the plug-in's editor, whose answer
// the platform gets.
TEST_F(FrameTest, EditorGetsThePressesAndReleasesTheViewsLeaveUnhandled)
{
	recreateWithEditor(&editor);
	open();
	add(new TrackingView(CRect(0, 0, 50, 50), "handles", &log));
	auto ignores = add(new TrackingView(CRect(50, 0, 100, 50), "ignores", &log));
	ignores->downResult = kMouseNotImplemented;

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(release({10, 10}), kMouseHandled);
	EXPECT_EQ(editor.log, EventLog {});

	editor.downResult = kMouseDownHandledNoMoveOrUp;
	EXPECT_EQ(press({60, 10}), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(press({150, 150}), kMouseDownHandledNoMoveOrUp);
	EXPECT_EQ(editor.lastPoint, CPoint(150, 150));
	editor.upResult = kMouseNotHandled;
	EXPECT_EQ(release({150, 150}), kMouseNotHandled);
	EXPECT_EQ(editor.log, (EventLog {"editor:down", "editor:down", "editor:up"}));

	// A press an observer answered is not the editor's either.
	frame->registerMouseObserver(&observer);
	observer.downResult = kMouseHandled;
	editor.log.clear();
	EXPECT_EQ(press({150, 150}), kMouseHandled);
	EXPECT_EQ(editor.log, EventLog {});
}

// A press that arrives while a view holds the drag (a second button, a lost
// release) ends that drag with a cancel, unless the view takes the press
// again; the held view never keeps a drag nobody will end.
TEST_F(FrameTest, PressWhileADragIsHeldEndsItUnlessTheSameViewTakesItAgain)
{
	struct Case
	{
		const char* name;
		CPoint second;
		CMouseEventResult heldAnswer; // to the second press
		EventLog expected;
		bool heldKeepsTheDrag;
	};
	const Case cases[] = {
	    {"the same view takes it again", {20, 20}, kMouseHandled, {"held:down", "held:down"}, true},
	    {"the same view declines it", {20, 20}, kMouseNotHandled, {"held:down", "held:down", "held:cancel"}, false},
	    {"another view takes it", {150, 150}, kMouseHandled, {"held:down", "other:down", "held:cancel"}, false},
	    {"nothing is under it", {150, 50}, kMouseHandled, {"held:down", "held:cancel"}, false},
	};
	open();
	auto panel = add(new TrackingContainer(CRect(0, 0, 100, 100), "panel", &log));
	auto held = add(new TrackingView(CRect(10, 10, 50, 50), "held", &log), panel);
	held->cancelResult = kMouseHandled;
	add(new TrackingView(CRect(100, 100, 200, 200), "other", &log));
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		held->downResult = kMouseHandled;
		ASSERT_EQ(press({20, 20}), kMouseHandled);
		held->downResult = c.heldAnswer;
		press(c.second, kLeftButton | kRightButton);
		EXPECT_EQ(log, c.expected);
		EXPECT_EQ(panel->getMouseDownView() == held, c.heldKeepsTheDrag);
		frame->clearMouseDownView();
		panel->clearMouseDownView();
		log.clear();
	}
}

TEST_F(FrameTest, MoveHandledByAnObserverDoesNotReachTheDraggedView)
{
	open();
	auto dragged = add(new TrackingView(CRect(0, 0, 50, 50), "dragged", &log));
	dragged->logMoves = true;
	frame->registerMouseObserver(&observer);
	press({10, 10});

	// Only exactly "handled" counts for an observer's move.
	const std::pair<CMouseEventResult, bool> cases[] = {
	    {kMouseHandled, false},
	    {kMouseNotHandled, true},
	    {kMouseNotImplemented, true},
	    {kMouseMoveHandledNoMore, true},
	};
	for (const auto& [answer, reachesView] : cases)
	{
		SCOPED_TRACE(answer);
		observer.movedResult = answer;
		log.clear();
		EXPECT_EQ(move({20, 20}, kLeftButton), kMouseHandled);
		EXPECT_EQ(log, reachesView ? EventLog {"dragged:moved"} : EventLog {});
	}
}

TEST_F(FrameTest, FrameWithTheMouseDisabledTakesNoEvents)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	view->setWantsFocus(true);
	view->wheelResult = true;
	view->keyResult = kKeyHandled;
	activate(true);
	move({10, 10});
	frame->registerKeyboardHook(&hook1);
	frame->setMouseEnabled(false);
	log.clear();

	EXPECT_EQ(press({10, 10}), kMouseNotHandled);
	EXPECT_EQ(release({10, 10}), kMouseNotHandled);
	EXPECT_EQ(move({20, 20}), kMouseNotHandled);
	EXPECT_EQ(leave(), kMouseNotHandled);
	EXPECT_FALSE(wheel({10, 10}));
	EXPECT_FALSE(keyDown(keyOf('a')));
	EXPECT_FALSE(keyUp(keyOf('a')));
	EXPECT_EQ(log, EventLog {});
}

// ---- Order of dispatch on a key ----

struct HookCase
{
	const char* name;
	int32 lastRegistered;
	int32 firstRegistered;
	EventLog expected;
	bool used;
};

void PrintTo(const HookCase& c, std::ostream* os)
{
	*os << c.name;
}

class HookDispatch : public FrameTest, public ::testing::WithParamInterface<HookCase>
{
};

// Hooks run last registered first while the result is not positive; any
// final result but -1 is returned, and only 1 counts as used.
TEST_P(HookDispatch, HooksBeforeTheFocusView)
{
	const auto& c = GetParam();
	open();
	auto focus = add(new TrackingView(CRect(0, 0, 20, 20), "focus", &log));
	focus->setWantsFocus(true);
	activate(true);
	ASSERT_EQ(frame->getFocusView(), focus);
	frame->registerKeyboardHook(&hook1);
	frame->registerKeyboardHook(&hook2);
	hook2.result = c.lastRegistered;
	hook1.result = c.firstRegistered;
	log.clear();

	EXPECT_EQ(keyDown(keyOf('a')), c.used);
	EXPECT_EQ(log, c.expected);
}

const HookCase kHookCases[] = {
    {"NobodyUsesIt", -1, -1, {"h2:key", "h1:key", "focus:key"}, false},
    {"UsedByTheLastRegisteredHook", 1, -1, {"h2:key"}, true},
    {"ZeroLetsTheNextHookRunAndItsMinusOneReachesTheFocus", 0, -1, {"h2:key", "h1:key", "focus:key"}, false},
    {"ZeroFromTheLastHookCalledIsReturned", -1, 0, {"h2:key", "h1:key"}, false},
    {"PositiveButNotOneStopsButIsNotUsed", 2, -1, {"h2:key"}, false},
    {"UsedByTheFirstRegisteredHook", -1, 1, {"h2:key", "h1:key"}, true},
};

INSTANTIATE_TEST_SUITE_P(Frame, HookDispatch, ::testing::ValuesIn(kHookCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct KeyChainCase
{
	const char* name;
	int32 focusResult;
	int32 parentResult;
	int32 modalResult;
	bool focusMouseEnabled;
	bool keyUp;
	EventLog expected;
	bool used;
};

void PrintTo(const KeyChainCase& c, std::ostream* os)
{
	*os << c.name;
}

class KeyChain : public FrameTest, public ::testing::WithParamInterface<KeyChainCase>
{
};

// After the hooks: the focus view, its ancestors below the frame, then the
// modal view; the first result other than -1 ends it.
TEST_P(KeyChain, FocusViewThenAncestorsThenModalView)
{
	const auto& c = GetParam();
	open();
	auto group = add(new TrackingContainer(CRect(0, 0, 100, 100), "group", &log));
	auto focus = add(new TrackingView(CRect(10, 10, 30, 30), "focus", &log), group);
	focus->setWantsFocus(true);
	auto dialog = new TrackingView(CRect(120, 120, 180, 180), "dialog", &log);
	activate(true);
	ASSERT_TRUE(frame->beginModalViewSession(dialog));
	frame->setFocusView(focus);
	ASSERT_EQ(frame->getFocusView(), focus);
	frame->registerKeyboardHook(&hook1);
	focus->keyResult = c.focusResult;
	focus->setMouseEnabled(c.focusMouseEnabled);
	group->keyResult = c.parentResult;
	dialog->keyResult = c.modalResult;
	log.clear();

	EXPECT_EQ(c.keyUp ? keyUp(keyOf('a')) : keyDown(keyOf('a')), c.used);
	EXPECT_EQ(log, c.expected);

	frame->clearModalViewSessions();
	dialog->forget();
}

const KeyChainCase kKeyChainCases[] = {
    {"NobodyUsesIt", -1, -1, -1, true, false, {"h1:key", "focus:key", "group:key", "dialog:key"}, false},
    {"FocusViewUsesIt", 1, -1, -1, true, false, {"h1:key", "focus:key"}, true},
    {"FocusViewAnswersZero", 0, -1, -1, true, false, {"h1:key", "focus:key"}, false},
    {"ParentUsesIt", -1, 1, -1, true, false, {"h1:key", "focus:key", "group:key"}, true},
    {"ModalViewUsesIt", -1, -1, 1, true, false, {"h1:key", "focus:key", "group:key", "dialog:key"}, true},
    {"DisabledFocusViewIsSkipped", 1, -1, -1, false, false, {"h1:key", "group:key", "dialog:key"}, false},
    {"KeyUpTakesTheSameWay", -1, 1, -1, true, true, {"h1:keyup", "focus:keyup", "group:keyup"}, true},
};

INSTANTIATE_TEST_SUITE_P(Frame, KeyChain, ::testing::ValuesIn(kKeyChainCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Tab traversal is the last step: whoever uses the Tab key first keeps it.
TEST_F(FrameTest, TabMovesTheFocusOnlyWhenNothingEarlierUsedIt)
{
	open();
	auto group = add(new TrackingContainer(CRect(0, 0, 100, 100), "group", &log));
	auto first = add(new TrackingControl(CRect(0, 0, 20, 20), "first", &log), group);
	auto second = add(new TrackingControl(CRect(30, 0, 50, 20), "second", &log), group);
	frame->registerKeyboardHook(&hook1);
	activate(true);

	struct Case
	{
		const char* name;
		int32 hook;
		int32 focus;
		int32 parent;
		CView* focusAfter;
	};
	const Case cases[] = {
	    {"hook uses it", 1, -1, -1, first},
	    {"focus view uses it", -1, 1, -1, first},
	    {"parent uses it", -1, -1, 1, first},
	    {"nobody uses it", -1, -1, -1, second},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		frame->setFocusView(first);
		hook1.result = c.hook;
		first->keyResult = c.focus;
		group->keyResult = c.parent;
		EXPECT_TRUE(keyDown(tabKey()));
		EXPECT_EQ(frame->getFocusView(), c.focusAfter);
	}

	// Releasing Tab moves nothing.
	frame->setFocusView(first);
	EXPECT_FALSE(keyUp(tabKey()));
	EXPECT_EQ(frame->getFocusView(), first);
}

// ---- Focus traversal ----

TEST_F(FrameTest, TabAndShiftTabWalkTheFocusableViewsAcrossContainersAndWrap)
{
	open();
	auto f1 = add(new TrackingControl(CRect(0, 0, 20, 20), "f1", &log));
	auto group = add(new TrackingContainer(CRect(30, 0, 130, 50), "group", &log));
	auto f2 = add(new TrackingControl(CRect(0, 0, 20, 20), "f2", &log), group);
	add(new TrackingView(CRect(30, 0, 50, 20), "plain", &log), group);
	auto f3 = add(new TrackingControl(CRect(60, 0, 80, 20), "f3", &log), group);
	auto f4 = add(new TrackingControl(CRect(150, 0, 170, 20), "f4", &log));
	activate(true);
	ASSERT_EQ(frame->getFocusView(), f1);

	std::vector<CView*> forward;
	for (int i = 0; i < 5; ++i)
	{
		EXPECT_TRUE(keyDown(tabKey()));
		forward.push_back(frame->getFocusView());
	}
	EXPECT_EQ(forward, (std::vector<CView*> {f2, f3, f4, f1, f2}));

	frame->setFocusView(f1);
	std::vector<CView*> backward;
	for (int i = 0; i < 5; ++i)
	{
		EXPECT_TRUE(keyDown(tabKey(kModifierShift)));
		backward.push_back(frame->getFocusView());
	}
	EXPECT_EQ(backward, (std::vector<CView*> {f4, f3, f2, f1, f4}));
}

TEST_F(FrameTest, TabWithAnyModifierButShiftIsNotUsedForTraversal)
{
	open();
	auto f1 = add(new TrackingControl(CRect(0, 0, 20, 20), "f1", &log));
	add(new TrackingControl(CRect(30, 0, 50, 20), "f2", &log));
	activate(true);
	ASSERT_EQ(frame->getFocusView(), f1);

	const std::pair<const char*, uint8> modifiers[] = {
	    {"control", kModifierControl},
	    {"alt", kModifierAlternate},
	    {"command", kModifierCommand},
	    {"shift and control", kModifierShift | kModifierControl},
	    {"shift and alt", kModifierShift | kModifierAlternate},
	};
	for (const auto& [name, modifier] : modifiers)
	{
		SCOPED_TRACE(name);
		EXPECT_FALSE(keyDown(tabKey(modifier)));
		EXPECT_EQ(frame->getFocusView(), f1);
	}
}

TEST_F(FrameTest, TabInsideAModalDialogStaysInsideAndWraps)
{
	open();
	add(new TrackingControl(CRect(150, 150, 170, 170), "outside", &log));
	auto dialog = new TrackingContainer(CRect(0, 0, 100, 100), "dialog", &log);
	auto c1 = add(new TrackingControl(CRect(0, 0, 20, 20), "c1", &log), dialog);
	auto inner = add(new TrackingContainer(CRect(30, 0, 100, 50), "inner", &log), dialog);
	auto c2 = add(new TrackingControl(CRect(0, 0, 20, 20), "c2", &log), inner);
	auto c3 = add(new TrackingControl(CRect(30, 0, 50, 20), "c3", &log), inner);
	activate(true);
	ASSERT_TRUE(frame->beginModalViewSession(dialog));
	ASSERT_EQ(frame->getFocusView(), c1);

	std::vector<CView*> forward;
	for (int i = 0; i < 4; ++i)
	{
		EXPECT_TRUE(keyDown(tabKey()));
		forward.push_back(frame->getFocusView());
	}
	EXPECT_EQ(forward, (std::vector<CView*> {c2, c3, c1, c2}));

	std::vector<CView*> backward;
	for (int i = 0; i < 3; ++i)
	{
		EXPECT_TRUE(keyDown(tabKey(kModifierShift)));
		backward.push_back(frame->getFocusView());
	}
	EXPECT_EQ(backward, (std::vector<CView*> {c1, c3, c2}));

	frame->clearModalViewSessions();
	dialog->forget();
}

// ---- Enter and exit ----

TEST_F(FrameTest, MovingBetweenNestedViewsExitsInnerFirstAndEntersOuterFirst)
{
	open();
	auto n = addNested();
	for (CView* view : {static_cast<CView*>(n.A), static_cast<CView*>(n.a1), static_cast<CView*>(n.B),
	                    static_cast<CView*>(n.b1)})
		listen(view, &listener);
	frame->registerMouseObserver(&observer);

	move(kOverA1);
	EXPECT_EQ(log, (EventLog {"A:entered", "obs:entered:A", "lis:entered:A", "a1:entered", "obs:entered:a1",
	                          "lis:entered:a1"}));

	log.clear();
	move(kOverAOnly);
	EXPECT_EQ(log, (EventLog {"a1:exited", "obs:exited:a1", "lis:exited:a1"}));

	log.clear();
	move(kOverA1);
	EXPECT_EQ(log, (EventLog {"a1:entered", "obs:entered:a1", "lis:entered:a1"}));

	log.clear();
	move(kOverB1);
	EXPECT_EQ(log, (EventLog {"a1:exited", "obs:exited:a1", "lis:exited:a1", "A:exited", "obs:exited:A",
	                          "lis:exited:A", "B:entered", "obs:entered:B", "lis:entered:B", "b1:entered",
	                          "obs:entered:b1", "lis:entered:b1"}));

	log.clear();
	move(kOverB1 + CPoint(1, 1));
	EXPECT_EQ(log, EventLog {});

	log.clear();
	EXPECT_EQ(leave(), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"b1:exited", "obs:exited:b1", "lis:exited:b1", "B:exited", "obs:exited:B",
	                          "lis:exited:B"}));

	log.clear();
	move(kOverA1);
	move(kOverFrameOnly);
	EXPECT_EQ(log, (EventLog {"A:entered", "obs:entered:A", "lis:entered:A", "a1:entered", "obs:entered:a1",
	                          "lis:entered:a1", "a1:exited", "obs:exited:a1", "lis:exited:a1", "A:exited",
	                          "obs:exited:A", "lis:exited:A"}));
}

TEST_F(FrameTest, ObserversAreToldInRegistrationOrderAndListenersLastRegisteredFirst)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 50, 50), "v", &log));
	frame->registerMouseObserver(&observer);
	frame->registerMouseObserver(&observer2);
	listen(view, &listener);
	listen(view, &listener2);

	move({10, 10});
	leave();
	EXPECT_EQ(log, (EventLog {"v:entered", "obs:entered:v", "obs2:entered:v", "lis2:entered:v", "lis:entered:v",
	                          "v:exited", "obs:exited:v", "obs2:exited:v", "lis2:exited:v", "lis:exited:v"}));
}

// Views under the mouse see hover moves innermost first, in their parent's
// coordinates and with the mouse buttons stripped.
TEST_F(FrameTest, HoverMovesReachTheViewsUnderTheMouseWithModifiersOnly)
{
	open();
	auto n = addNested();
	n.b1->logMoves = true;

	move(kOverB1, CButtonState(kLeftButton | kShiftModifier));
	EXPECT_EQ(log, (EventLog {"B:entered", "b1:entered", "b1:moved"}));
	EXPECT_EQ(n.b1->lastMovePoint, CPoint(20, 20));
	EXPECT_EQ(n.b1->lastMoveButtons, CButtonState(kShiftModifier));
}

TEST_F(FrameTest, DragInProgressKeepsTheHoveredViewsAndRefusesTheWheel)
{
	open();
	auto n = addNested();
	n.a1->wheelResult = true;
	move(kOverA1);
	log.clear();

	EXPECT_EQ(press(kOverA1), kMouseHandled);
	EXPECT_EQ(leave(), kMouseHandled);
	EXPECT_FALSE(wheel(kOverA1));
	EXPECT_EQ(move(kOverB1, kLeftButton), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"a1:down"}));

	// Released outside the window: the drag ends and the mouse is out.
	log.clear();
	release({-5, -5});
	EXPECT_EQ(log, (EventLog {"a1:up", "a1:exited", "A:exited"}));

	log.clear();
	EXPECT_TRUE(wheel(kOverA1));
	EXPECT_EQ(log, (EventLog {"a1:wheel", "A:entered", "a1:entered"}));

	// Released over another view: that one is entered, with the modifiers
	// but without the released button.
	press(kOverA1);
	log.clear();
	release(kOverB1, CButtonState(kLeftButton | kShiftModifier));
	EXPECT_EQ(log, (EventLog {"a1:up", "a1:exited", "A:exited", "B:entered", "b1:entered"}));
	EXPECT_EQ(n.b1->lastButtons, CButtonState(kShiftModifier));
}

// ---- Modal sessions ----

TEST_F(FrameTest, StackedModalSessionsEndOnlyFromTheTop)
{
	open();
	auto outside = add(new TrackingControl(CRect(150, 150, 170, 170), "outside", &log));
	auto lower = new TrackingContainer(CRect(0, 0, 100, 100), "lower", &log);
	auto lowerField = add(new TrackingControl(CRect(0, 0, 20, 20), "lowerField", &log), lower);
	auto upper = new TrackingContainer(CRect(50, 50, 150, 150), "upper", &log);
	auto upperField = add(new TrackingControl(CRect(0, 0, 20, 20), "upperField", &log), upper);
	activate(true);
	// The mouse rests over the lower dialog only.
	platformFrame->mousePosition = {30, 30};
	log.clear();

	auto first = frame->beginModalViewSession(lower);
	EXPECT_EQ(first, std::optional<uint32>(1));
	EXPECT_EQ(frame->getFocusView(), lowerField);
	EXPECT_EQ(log, (EventLog {"outside:looseFocus", "lowerField:takeFocus", "lower:entered"}));

	// An attached view cannot be shown modally and uses up no identifier.
	EXPECT_FALSE(frame->beginModalViewSession(outside).has_value());
	EXPECT_FALSE(frame->beginModalViewSession(lower).has_value());

	log.clear();
	auto second = frame->beginModalViewSession(upper);
	EXPECT_EQ(second, std::optional<uint32>(2));
	EXPECT_EQ(frame->getModalView(), upper);
	EXPECT_EQ(frame->getFocusView(), upperField);
	EXPECT_EQ(log, (EventLog {"lower:exited", "lowerField:looseFocus", "upperField:takeFocus"}));

	// The focus cannot leave the top dialog.
	frame->setFocusView(lowerField);
	frame->setFocusView(outside);
	EXPECT_EQ(frame->getFocusView(), upperField);

	EXPECT_FALSE(frame->endModalViewSession(1));
	EXPECT_FALSE(frame->endModalViewSession(7));
	EXPECT_EQ(frame->getModalView(), upper);
	EXPECT_TRUE(lower->isAttached());
	EXPECT_TRUE(upper->isAttached());

	// The session below takes over again, focus and hover included.
	log.clear();
	EXPECT_TRUE(frame->endModalViewSession(2));
	EXPECT_EQ(frame->getModalView(), lower);
	EXPECT_FALSE(upper->isAttached());
	EXPECT_EQ(frame->getFocusView(), lowerField);
	EXPECT_EQ(log, (EventLog {"upperField:looseFocus", "lowerField:takeFocus", "lower:entered"}));
	EXPECT_FALSE(frame->endModalViewSession(2));

	EXPECT_TRUE(frame->endModalViewSession(1));
	EXPECT_EQ(frame->getModalView(), nullptr);
	EXPECT_FALSE(lower->isAttached());

	// Identifiers are never handed out twice.
	EXPECT_EQ(frame->beginModalViewSession(upper), std::optional<uint32>(3));
	EXPECT_TRUE(frame->endModalViewSession(3));

	lower->forget();
	upper->forget();
}

TEST_F(FrameTest, PressOutsideTheModalViewReachesNoOtherView)
{
	open();
	auto below = add(new TrackingView(CRect(0, 0, 200, 200), "below", &log));
	below->wheelResult = true;
	auto dialog = new TrackingView(CRect(50, 50, 150, 150), "dialog", &log);
	dialog->downResult = kMouseNotHandled;
	ASSERT_TRUE(frame->beginModalViewSession(dialog));
	log.clear();

	EXPECT_EQ(press({10, 10}), kMouseNotHandled);
	release({10, 10});
	move({12, 12});
	EXPECT_FALSE(wheel({10, 10}));
	EXPECT_EQ(log, (EventLog {"dialog:down", "dialog:wheel"}));
	EXPECT_EQ(frame->getMouseDownView(), nullptr);

	frame->clearModalViewSessions();
	dialog->forget();
}

TEST_F(FrameTest, LegacyModalViewRules)
{
	open();
	auto legacy = new TrackingView(CRect(0, 0, 50, 50), "legacy", &log);
	auto other = new TrackingView(CRect(50, 50, 100, 100), "other", &log);

	EXPECT_TRUE(frame->setModalView(legacy));
	EXPECT_EQ(frame->getModalView(), legacy);
	EXPECT_FALSE(frame->setModalView(other));

	// Clearing the legacy view while another session sits on top of it is
	// reported and leaves both open.
	auto top = frame->beginModalViewSession(other);
	ASSERT_TRUE(top);
	EXPECT_TRUE(frame->setModalView(nullptr));
	EXPECT_TRUE(assertions.has("lib/cframe", "923"));
	EXPECT_EQ(frame->getModalView(), other);
	EXPECT_TRUE(legacy->isAttached());
	assertions.reports.clear();

	EXPECT_TRUE(frame->endModalViewSession(*top));
	EXPECT_TRUE(frame->setModalView(nullptr));
	EXPECT_TRUE(assertions.reports.empty());
	EXPECT_EQ(frame->getModalView(), nullptr);
	EXPECT_FALSE(legacy->isAttached());

	EXPECT_TRUE(frame->setModalView(nullptr));
	EXPECT_TRUE(assertions.has("lib/cframe", "921"));
	assertions.reports.clear();

	// Any open session refuses a legacy modal view.
	auto session = frame->beginModalViewSession(other);
	ASSERT_TRUE(session);
	EXPECT_FALSE(frame->setModalView(legacy));
	EXPECT_FALSE(legacy->isAttached());
	EXPECT_TRUE(frame->endModalViewSession(*session));

	legacy->forget();
	other->forget();
}

// The session holds the view only while it is open; the creator's reference
// stays the creator's.
TEST_F(FrameTest, ModalViewIsDestroyedOnceWhenItsCreatorForgetsIt)
{
	enum class End
	{
		Session,
		LegacyModalView,
		ClearAll,
	};
	open();
	for (End end : {End::Session, End::LegacyModalView, End::ClearAll})
	{
		const std::string name = "dialog" + std::to_string(static_cast<int>(end));
		SCOPED_TRACE(name);
		auto dialog = counted(new TrackingContainer(CRect(0, 0, 100, 100), name, &log), name);
		if (end == End::LegacyModalView)
		{
			ASSERT_TRUE(frame->setModalView(dialog));
			EXPECT_TRUE(frame->setModalView(nullptr));
		}
		else
		{
			auto id = frame->beginModalViewSession(dialog);
			ASSERT_TRUE(id);
			if (end == End::Session)
				EXPECT_TRUE(frame->endModalViewSession(*id));
			else
				frame->clearModalViewSessions();
		}
		EXPECT_EQ(destroyed[name], 0);
		EXPECT_EQ(dialog->getNbReference(), 1);
		dialog->forget();
		EXPECT_EQ(destroyed[name], 1);
	}
}

TEST_F(FrameTest, OpeningASessionCancelsTheDragAndMovesTheHoverOntoTheDialog)
{
	open();
	auto n = addNested();
	n.a1->cancelResult = kMouseHandled;
	move(kOverA1);
	press(kOverA1);
	log.clear();

	platformFrame->mousePosition = kOverA1;
	auto dialog = new TrackingContainer(CRect(0, 0, 60, 60), "dialog", &log);
	auto id = frame->beginModalViewSession(dialog);
	ASSERT_TRUE(id);
	EXPECT_EQ(log, (EventLog {"a1:cancel", "a1:exited", "A:exited", "dialog:entered"}));
	EXPECT_EQ(frame->getMouseDownView(), nullptr);

	// The release of the cancelled drag goes nowhere.
	log.clear();
	release(kOverA1);
	EXPECT_EQ(log, EventLog {});

	frame->endModalViewSession(*id);
	dialog->forget();
}

TEST_F(FrameTest, SessionBegunInsideAMouseDownHandlerTakesOverFocusAndPresses)
{
	open();
	auto opener = add(new TrackingControl(CRect(10, 10, 60, 60), "opener", &log));
	auto dialog = new TrackingContainer(CRect(0, 0, 100, 100), "dialog", &log);
	auto field = add(new TrackingControl(CRect(10, 10, 30, 30), "field", &log), dialog);
	activate(true);
	ASSERT_EQ(frame->getFocusView(), opener);

	std::optional<uint32> session;
	opener->onDown = [&](CPoint&, const CButtonState&) {
		session = frame->beginModalViewSession(dialog);
		return kMouseHandled;
	};
	platformFrame->mousePosition = {20, 20};
	log.clear();

	EXPECT_EQ(press({20, 20}), kMouseHandled);
	ASSERT_TRUE(session);
	EXPECT_EQ(frame->getModalView(), dialog);
	// The click that opened the dialog does not pull the focus back out.
	EXPECT_EQ(frame->getFocusView(), field);
	EXPECT_EQ(log, (EventLog {"opener:down", "opener:looseFocus", "field:takeFocus", "dialog:entered"}));

	release({20, 20});
	log.clear();
	EXPECT_EQ(press({20, 20}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"field:down"}));

	frame->endModalViewSession(*session);
	dialog->forget();
}

TEST_F(FrameTest, DialogButtonEndingItsOwnSessionDoesNotKeepTheDrag)
{
	open();
	auto below = add(new TrackingView(CRect(0, 0, 200, 200), "below", &log));
	below->wheelResult = true;
	auto dialog = counted(new TrackingContainer(CRect(20, 20, 120, 120), "dialog", &log), "dialog");
	auto button = add(new TrackingControl(CRect(10, 10, 40, 40), "button", &log), dialog);
	auto id = frame->beginModalViewSession(dialog);
	ASSERT_TRUE(id);
	button->onDown = [&](CPoint&, const CButtonState&) {
		EXPECT_TRUE(frame->endModalViewSession(*id));
		return kMouseHandled;
	};
	move({40, 40});
	log.clear();

	EXPECT_EQ(press({40, 40}), kMouseHandled);
	EXPECT_EQ(frame->getModalView(), nullptr);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);

	// Nothing holds the drag: the wheel and the hover reach the views below.
	dialog->forget();
	EXPECT_EQ(destroyed["dialog"], 1);
	EXPECT_TRUE(wheel({40, 40}));
	EXPECT_EQ(log, (EventLog {"button:down", "below:wheel", "below:entered"}));
}

// ---- Invalid rects ----

TEST_F(FrameTest, NestedInvalidRectsCollapseIntoTheLargerWithinOneEvent)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	const CRect small(10, 10, 20, 20);
	const CRect large(0, 0, 50, 50);
	const CRect apart(100, 100, 120, 120);
	const CRect crossing(40, 40, 60, 60);

	struct Case
	{
		const char* name;
		std::vector<CRect> invalidated;
		std::vector<CRect> delivered;
	};
	const Case cases[] = {
	    {"small then large", {small, large}, {large}},
	    {"large then small", {large, small}, {large}},
	    {"same rect twice", {small, small}, {small}},
	    {"apart", {small, apart}, {small, apart}},
	    {"overlapping but neither inside", {large, crossing}, {large, crossing}},
	    {"one rect covering two earlier ones", {small, CRect(30, 30, 40, 40), large}, {large}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		view->onDown = [&](CPoint&, const CButtonState&) {
			for (const auto& rect : c.invalidated)
				frame->invalidRect(rect);
			return kMouseHandled;
		};
		platformFrame->invalidRects.clear();
		press({5, 5});
		release({5, 5});
		EXPECT_EQ(platformFrame->invalidRects, c.delivered);
	}

	// Each event collects on its own.
	platformFrame->invalidRects.clear();
	view->onDown = [&](CPoint&, const CButtonState&) {
		frame->invalidRect(large);
		return kMouseHandled;
	};
	press({5, 5});
	view->onDown = [&](CPoint&, const CButtonState&) {
		frame->invalidRect(small);
		return kMouseHandled;
	};
	press({5, 5});
	EXPECT_EQ(platformFrame->invalidRects, (std::vector<CRect> {large, small}));
}

TEST_F(FrameTest, InvalidRectsReachThePlatformAtEventEndOrOnce17MillisecondsHavePassed)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	const CRect r1(0, 0, 10, 10);
	const CRect r2(20, 0, 30, 10);
	const CRect r3(40, 0, 50, 10);
	const CRect r4(60, 0, 70, 10);
	std::vector<size_t> seen;
	view->onDown = [&](CPoint&, const CButtonState&) {
		frame->invalidRect(r1);
		seen.push_back(platformFrame->invalidRects.size());
		platform->advance(16);
		frame->invalidRect(r2);
		seen.push_back(platformFrame->invalidRects.size());
		platform->advance(1);
		frame->invalidRect(r3);
		seen.push_back(platformFrame->invalidRects.size());
		// The clock starts again with that delivery.
		platform->advance(16);
		frame->invalidRect(r4);
		seen.push_back(platformFrame->invalidRects.size());
		return kMouseHandled;
	};
	platformFrame->invalidRects.clear();

	press({5, 5});
	EXPECT_EQ(seen, (std::vector<size_t> {0, 0, 3, 3}));
	EXPECT_EQ(platformFrame->invalidRects, (std::vector<CRect> {r1, r2, r3, r4}));

	// Outside an event a rect goes out at once.
	platformFrame->invalidRects.clear();
	frame->invalidRect(r1);
	EXPECT_EQ(platformFrame->invalidRects, (std::vector<CRect> {r1}));
}

// An event delivered while another is handled (a nested event loop) hands
// over what the outer one collected so far and collects on its own.
TEST_F(FrameTest, NestedEventFlushesTheOuterRectsAndLeavesTheOuterCollecting)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	view->setWantsFocus(true);
	activate(true);
	const CRect r1(0, 0, 10, 10);
	const CRect r2(20, 0, 30, 10);
	const CRect r3(40, 0, 50, 10);
	view->keyResult = kKeyHandled;
	std::vector<std::vector<CRect>> seen;
	hook1.onKey = [&] {
		frame->invalidRect(r2);
		seen.push_back(platformFrame->invalidRects);
	};
	frame->registerKeyboardHook(&hook1);
	view->onDown = [&](CPoint&, const CButtonState&) {
		frame->invalidRect(r1);
		keyDown(keyOf('a'));
		seen.push_back(platformFrame->invalidRects);
		frame->invalidRect(r3);
		seen.push_back(platformFrame->invalidRects);
		return kMouseHandled;
	};
	platformFrame->invalidRects.clear();

	press({100, 100});
	EXPECT_EQ(seen, (std::vector<std::vector<CRect>> {{r1}, {r1, r2}, {r1, r2}}));
	EXPECT_EQ(platformFrame->invalidRects, (std::vector<CRect> {r1, r2, r3}));
}

TEST_F(FrameTest, HiddenFrameSendsNoInvalidRects)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	view->onDown = [&](CPoint&, const CButtonState&) {
		frame->invalidRect(CRect(0, 0, 10, 10));
		frame->setVisible(false);
		return kMouseHandled;
	};
	platformFrame->invalidRects.clear();

	press({100, 100});
	frame->invalidRect(CRect(20, 0, 30, 10));
	EXPECT_EQ(platformFrame->invalidRects, std::vector<CRect> {});
}

TEST_F(FrameTest, InvalidRectsAreMappedThroughTheZoomAndRoundedHalfUp)
{
	open();
	struct Case
	{
		double zoom;
		CRect rect;
		CRect delivered;
	};
	const Case cases[] = {
	    {1., CRect(0.4, 0.5, 10.49, 10.5), CRect(0, 1, 10, 11)},
	    {1., CRect(-1.5, -0.5, 5, 5), CRect(-1, 0, 5, 5)},
	    {2., CRect(1.2, 1.5, 10.25, 10.74), CRect(2, 3, 21, 21)},
	    {2., CRect(-1.25, -0.75, 5, 5), CRect(-2, -1, 10, 10)},
	    {1.5, CRect(1, 1, 3, 3), CRect(2, 2, 5, 5)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(::testing::PrintToString(c.rect) + " at zoom " + std::to_string(c.zoom));
		frame->setZoom(c.zoom);
		platformFrame->invalidRects.clear();
		frame->invalidRect(c.rect);
		EXPECT_EQ(platformFrame->invalidRects, (std::vector<CRect> {c.delivered}));
	}
}

// ---- Activation ----

TEST_F(FrameTest, DeactivationRemembersTheFocusAndActivationRestoresIt)
{
	open();
	auto f1 = add(new TrackingView(CRect(0, 0, 20, 20), "f1", &log));
	auto f2 = add(new TrackingView(CRect(30, 0, 50, 20), "f2", &log));
	f1->setWantsFocus(true);
	f2->setWantsFocus(true);

	activate(true);
	EXPECT_TRUE(frame->isActive());
	EXPECT_EQ(frame->getFocusView(), f1);
	frame->setFocusView(f2);
	log.clear();

	activate(false);
	EXPECT_FALSE(frame->isActive());
	EXPECT_EQ(frame->getFocusView(), nullptr);
	EXPECT_EQ(log, (EventLog {"f2:looseFocus"}));

	log.clear();
	activate(true);
	EXPECT_EQ(frame->getFocusView(), f2);
	EXPECT_EQ(log, (EventLog {"f2:takeFocus"}));

	// A focus set while inactive waits for the activation.
	activate(false);
	frame->setFocusView(f1);
	EXPECT_EQ(frame->getFocusView(), nullptr);
	log.clear();
	activate(true);
	EXPECT_EQ(frame->getFocusView(), f1);
	EXPECT_EQ(log, (EventLog {"f1:takeFocus"}));
}

// A focus asked for while a focus change runs (here: while f1 lets go on
// the way to f2) waits for that change to end; then the latest request is
// applied, unless its view has left the tree.
TEST_F(FrameTest, FocusRequestedWhileAChangeRunsIsAppliedAfterIt)
{
	struct Case
	{
		const char* what;
		std::function<void(CFrame*, const std::vector<CView*>& f)> whileF1LetsGo;
		int focus; // index into f, -1 for none
		EventLog log;
	};
	const Case cases[] = {
	    {"a request", [](CFrame* frame, auto& f) { frame->setFocusView(f[3]); }, 3,
	     {"f1:looseFocus", "f2:takeFocus", "f2:looseFocus", "f3:takeFocus"}},
	    {"the latest of two requests",
	     [](CFrame* frame, auto& f) {
		     frame->setFocusView(f[3]);
		     frame->setFocusView(f[4]);
	     },
	     4, {"f1:looseFocus", "f2:takeFocus", "f2:looseFocus", "f4:takeFocus"}},
	    {"a request for no focus", [](CFrame* frame, auto&) { frame->setFocusView(nullptr); }, -1,
	     {"f1:looseFocus", "f2:takeFocus", "f2:looseFocus"}},
	    {"a request for a view removed meanwhile",
	     [](CFrame* frame, auto& f) {
		     frame->setFocusView(f[3]);
		     frame->removeView(f[3]);
	     },
	     2, {"f1:looseFocus", "f2:takeFocus"}},
	    {"a request for the view being focused", [](CFrame* frame, auto& f) { frame->setFocusView(f[2]); }, 2,
	     {"f1:looseFocus", "f2:takeFocus"}},
	};
	open();
	activate(true);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		frame->removeAll();
		std::vector<CView*> f {nullptr};
		for (int i = 1; i <= 4; ++i)
			f.push_back(add(new TrackingControl(CRect(30 * i, 0, 30 * i + 20, 20), "f" + std::to_string(i), &log)));
		frame->setFocusView(f[1]);
		static_cast<TrackingControl*>(f[1])->onLooseFocus = [&] { c.whileF1LetsGo(frame, f); };
		log.clear();

		frame->setFocusView(f[2]);
		EXPECT_EQ(frame->getFocusView(), c.focus < 0 ? nullptr : f[size_t(c.focus)]);
		EXPECT_EQ(log, c.log);
		static_cast<TrackingControl*>(f[1])->onLooseFocus = nullptr;
	}
}

// Views that keep taking the focus back from each other do not hang the
// frame: the requests stop after a few rounds, with one of them focused.
TEST_F(FrameTest, ViewsHandingTheFocusBackAndForthSettle)
{
	open();
	auto f1 = add(new TrackingControl(CRect(0, 0, 20, 20), "f1", &log));
	auto f2 = add(new TrackingControl(CRect(30, 0, 50, 20), "f2", &log));
	activate(true);
	f1->onLooseFocus = [&] { frame->setFocusView(f1); };
	f2->onLooseFocus = [&] { frame->setFocusView(f2); };
	log.clear();

	frame->setFocusView(f2);
	CView* focus = frame->getFocusView();
	ASSERT_TRUE(focus == f1 || focus == f2);
	EXPECT_EQ(log.back(), nameOf(focus) + ":takeFocus");
	f1->onLooseFocus = nullptr;
	f2->onLooseFocus = nullptr;
}

// A dialog opened when a view takes the focus (here a second dialog, from a
// field of the first) gets the focus although the change that focused the
// field was still running; the keys go there.
TEST_F(FrameTest, DialogOpenedWhenAViewTakesTheFocusGetsTheFocus)
{
	open();
	activate(true);
	auto firstDialog = new TrackingContainer(CRect(0, 0, 100, 100), "first", &log);
	auto a1 = add(new TrackingControl(CRect(0, 0, 20, 20), "a1", &log), firstDialog);
	auto a2 = add(new TrackingControl(CRect(30, 0, 50, 20), "a2", &log), firstDialog);
	auto secondDialog = new TrackingContainer(CRect(0, 0, 100, 100), "second", &log);
	auto b1 = add(new TrackingControl(CRect(0, 0, 20, 20), "b1", &log), secondDialog);
	b1->keyResult = kKeyHandled;
	a2->keyResult = kKeyHandled;
	auto first = frame->beginModalViewSession(firstDialog);
	ASSERT_TRUE(first);
	ASSERT_EQ(frame->getFocusView(), a1);

	std::optional<uint32> second;
	a2->onTakeFocus = [&] { second = frame->beginModalViewSession(secondDialog); };
	frame->setFocusView(a2);
	a2->onTakeFocus = nullptr;
	ASSERT_TRUE(second);
	EXPECT_EQ(frame->getModalView(), secondDialog);
	EXPECT_EQ(frame->getFocusView(), b1);
	log.clear();
	keyDown(keyOf('x'));
	EXPECT_EQ(log, (EventLog {"b1:key"}));

	frame->endModalViewSession(*second);
	frame->endModalViewSession(*first);
	firstDialog->forget();
	secondDialog->forget();
}

// Deactivation from inside a focus change leaves the frame inactive and
// without a focus; activation brings back the view the change focused.
TEST_F(FrameTest, DeactivationFromAFocusCallbackLeavesNoFocus)
{
	open();
	auto f1 = add(new TrackingControl(CRect(0, 0, 20, 20), "f1", &log));
	auto f2 = add(new TrackingControl(CRect(30, 0, 50, 20), "f2", &log));
	frame->registerFocusViewObserver(&focusLog);
	bool armed = false;
	auto deactivateOnce = [&] {
		if (std::exchange(armed, false))
			activate(false);
	};
	struct Case
	{
		const char* what;
		std::function<void()>& hook;
	};
	const Case cases[] = {
	    {"the old focus lets go", f1->onLooseFocus},
	    {"the new focus takes it", f2->onTakeFocus},
	    {"a focus observer is told", focusLog.onChangeOnce},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		activate(true);
		frame->setFocusView(f1);
		ASSERT_EQ(frame->getFocusView(), f1);
		c.hook = deactivateOnce;
		armed = true;
		log.clear();

		frame->setFocusView(f2);
		c.hook = nullptr;
		EXPECT_FALSE(frame->isActive());
		EXPECT_EQ(frame->getFocusView(), nullptr);
		EXPECT_EQ(log, (EventLog {"f1:looseFocus", "f2:takeFocus", "f2:looseFocus"}));

		log.clear();
		activate(true);
		EXPECT_EQ(frame->getFocusView(), f2);
		EXPECT_EQ(log, (EventLog {"f2:takeFocus"}));
	}
	frame->unregisterFocusViewObserver(&focusLog);
}

TEST_F(FrameTest, WindowActivationReachesTheViewsThatAskForItWhileAttached)
{
	open();
	auto w1 = add(new WindowStateView(CRect(0, 0, 20, 20), "w1", &log));
	add(new TrackingView(CRect(30, 0, 50, 20), "plain", &log));
	auto w2 = counted(add(new WindowStateView(CRect(60, 0, 80, 20), "w2", &log)), "w2");

	window->platformOnWindowActivate(true);
	window->platformOnWindowActivate(true);
	EXPECT_EQ(log, (EventLog {"w1:windowActive", "w2:windowActive"}));

	// A view removed by an earlier one during the walk is not told.
	w1->onChange = [&] { frame->removeView(w2); };
	log.clear();
	window->platformOnWindowActivate(false);
	EXPECT_EQ(log, (EventLog {"w1:windowInactive"}));
	EXPECT_EQ(destroyed["w2"], 1);

	w1->onChange = nullptr;
	log.clear();
	window->platformOnWindowActivate(true);
	EXPECT_EQ(log, (EventLog {"w1:windowActive"}));
}

TEST_F(FrameTest, ActivationWithoutARememberedFocusFocusesTheFirstFocusableView)
{
	open();
	add(new TrackingView(CRect(0, 0, 20, 20), "plain", &log));
	auto group = add(new TrackingContainer(CRect(30, 0, 100, 50), "group", &log));
	auto first = add(new TrackingControl(CRect(0, 0, 20, 20), "first", &log), group);
	add(new TrackingControl(CRect(150, 0, 170, 20), "second", &log));

	activate(true);
	EXPECT_EQ(frame->getFocusView(), first);
}

TEST_F(FrameTest, RememberedFocusRemovedWhileInactiveIsNotRestored)
{
	open();
	auto f1 = add(new TrackingControl(CRect(0, 0, 20, 20), "f1", &log));
	auto f2 = counted(add(new TrackingControl(CRect(30, 0, 50, 20), "f2", &log)), "f2");
	activate(true);
	frame->setFocusView(f2);
	activate(false);

	frame->removeView(f2);
	EXPECT_EQ(destroyed["f2"], 1);
	activate(true);
	EXPECT_EQ(frame->getFocusView(), f1);
}

// ---- Removing views ----

TEST_F(FrameTest, RemovingAViewClearsTheFocusAndTheHoverInsideIt)
{
	open();
	auto n = addNested();
	n.a1->setWantsFocus(true);
	listen(n.A, &listener);
	listen(n.a1, &listener);
	frame->registerMouseObserver(&observer);
	activate(true);
	frame->setFocusView(n.a1);
	move(kOverA1);
	log.clear();

	frame->removeView(n.A);
	EXPECT_EQ(frame->getFocusView(), nullptr);
	EXPECT_EQ(log, (EventLog {"obs:exited:a1", "lis:exited:a1", "a1:looseFocus", "obs:exited:A", "lis:exited:A"}));

	// Nothing of the removed views is left in the frame's bookkeeping.
	log.clear();
	move(kOverB1);
	EXPECT_EQ(log, (EventLog {"B:entered", "obs:entered:B", "b1:entered", "obs:entered:b1"}));
}

// ---- Re-entrancy ----

TEST_F(FrameTest, MouseObserversMayUnregisterThemselvesAndOthersDuringAPress)
{
	open();
	add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	auto doomed = std::make_unique<LogObserver>("doomed", &log);
	observer.onDown = [&] { frame->unregisterMouseObserver(&observer); };
	observer2.onDown = [&] {
		if (doomed)
		{
			frame->unregisterMouseObserver(doomed.get());
			doomed.reset();
		}
	};
	frame->registerMouseObserver(&observer);
	frame->registerMouseObserver(&observer2);
	frame->registerMouseObserver(doomed.get());

	press({10, 10});
	release({10, 10});
	EXPECT_EQ(log, (EventLog {"obs:down", "obs2:down", "v:down", "v:up", "v:entered", "obs2:entered:v"}));

	log.clear();
	press({10, 10});
	EXPECT_EQ(log, (EventLog {"obs2:down", "v:down"}));
	frame->unregisterMouseObserver(&observer2);
}

TEST_F(FrameTest, KeyboardHooksMayUnregisterThemselvesAndOthersDuringAKey)
{
	open();
	auto focus = add(new TrackingView(CRect(0, 0, 20, 20), "focus", &log));
	focus->setWantsFocus(true);
	activate(true);
	auto doomed = std::make_unique<LogHook>("doomed", &log);
	frame->registerKeyboardHook(doomed.get());
	frame->registerKeyboardHook(&hook1);
	frame->registerKeyboardHook(&hook2);
	hook2.onKey = [&] { frame->unregisterKeyboardHook(&hook2); };
	hook1.onKey = [&] {
		if (doomed)
		{
			frame->unregisterKeyboardHook(doomed.get());
			doomed.reset();
		}
	};
	log.clear();

	EXPECT_FALSE(keyDown(keyOf('a')));
	EXPECT_EQ(log, (EventLog {"h2:key", "h1:key", "focus:key"}));

	log.clear();
	EXPECT_FALSE(keyDown(keyOf('a')));
	EXPECT_EQ(log, (EventLog {"h1:key", "focus:key"}));
	frame->unregisterKeyboardHook(&hook1);
}

TEST_F(FrameTest, ViewRemovedByItsOwnPressGetsNeitherFocusNorDrag)
{
	open();
	auto other = add(new TrackingControl(CRect(100, 100, 150, 150), "other", &log));
	auto victim = counted(add(new TrackingControl(CRect(0, 0, 50, 50), "victim", &log)), "victim");
	frame->registerMouseObserver(&observer);
	activate(true);
	ASSERT_EQ(frame->getFocusView(), other);
	move({10, 10});
	victim->onDown = [&](CPoint&, const CButtonState&) {
		frame->removeView(victim);
		return kMouseHandled;
	};
	log.clear();

	EXPECT_EQ(press({10, 10}), kMouseHandled);
	EXPECT_EQ(destroyed["victim"], 1);
	EXPECT_EQ(frame->getMouseDownView(), nullptr);
	EXPECT_EQ(frame->getFocusView(), other);
	EXPECT_EQ(log, (EventLog {"obs:down", "victim:down", "obs:exited:victim"}));

	// Nothing refers to it any more.
	frame->unregisterMouseObserver(&observer);
	log.clear();
	move({12, 12}, kLeftButton);
	EXPECT_FALSE(wheel({12, 12}));
	release({12, 12});
	leave();
	EXPECT_EQ(log, EventLog {});
}

enum class Closer
{
	ViewInTheDialog,
	MouseObserver,
};

class CloseDuringPress : public FrameTest, public ::testing::WithParamInterface<Closer>
{
};

// A press closes the frame while a dialog is open and its slider is being
// dragged; the frame outlives the call for whoever still holds it.
TEST_P(CloseDuringPress, LeavesNoDanglingStateBehind)
{
	open();
	add(new TrackingView(CRect(0, 0, 200, 200), "below", &log));
	auto dialog = counted(new TrackingContainer(CRect(0, 0, 100, 100), "dialog", &log), "dialog");
	counted(add(new TrackingView(CRect(10, 10, 50, 50), "slider", &log), dialog), "slider");
	auto closer = counted(add(new TrackingView(CRect(60, 60, 90, 90), "closer", &log), dialog), "closer");
	activate(true);
	ASSERT_TRUE(frame->beginModalViewSession(dialog));

	SharedPointer<CFrame> holder = frame;
	frameWatch.watch(frame);
	frame->registerMouseObserver(&observer);
	bool armed = false;
	if (GetParam() == Closer::ViewInTheDialog)
		closer->onDown = [&](CPoint&, const CButtonState&) {
			closeFrame();
			return kMouseHandled;
		};
	else
		observer.onDown = [&] {
			if (armed)
				closeFrame();
		};

	move({20, 20});
	EXPECT_EQ(press({20, 20}), kMouseHandled);
	ASSERT_EQ(holder->getMouseDownView(), dialog);

	holder->setCursor(kCursorHand);
	ASSERT_EQ(platformFrame->cursor, kCursorHand);
	armed = true;
	CPoint where(70, 70);
	holder->platformOnMouseDown(where, CButtonState(kLeftButton | kRightButton));

	EXPECT_TRUE(platformFrame->closed);
	EXPECT_EQ(platformFrame->cursor, kCursorDefault);
	EXPECT_EQ(holder->getPlatformFrame(), nullptr);
	EXPECT_EQ(holder->getModalView(), nullptr);
	EXPECT_EQ(holder->getMouseDownView(), nullptr);
	EXPECT_EQ(holder->getFocusView(), nullptr);
	EXPECT_EQ(holder->getNbViews(), 0u);
	EXPECT_FALSE(dialog->isAttached());

	// A platform that still calls in reaches nothing.
	holder->unregisterMouseObserver(&observer);
	const EventLog logAtClose = log;
	const auto rectsAtClose = platformFrame->invalidRects.size();
	IPlatformFrameCallback* late = holder.get();
	EXPECT_EQ(late->platformOnMouseDown(where, kLeftButton), kMouseNotHandled);
	late->platformOnMouseMoved(where, kLeftButton);
	late->platformOnMouseUp(where, kLeftButton);
	late->platformOnMouseExited(where, {});
	EXPECT_FALSE(late->platformOnMouseWheel(where, kWheelAxisY, 1.f, {}));
	MoxKeyCode tab = tabKey();
	EXPECT_FALSE(late->platformOnKeyDown(tab));
	EXPECT_FALSE(late->platformOnKeyUp(tab));
	late->platformOnActivate(false);
	late->platformOnActivate(true);
	late->platformOnWindowActivate(true);
	late->platformOnDeminiaturize();
	late->platformScaleFactorChanged(2.);
	late->platformDrawRect(nullptr, CRect(0, 0, 10, 10));
	EXPECT_EQ(log, logAtClose);
	EXPECT_EQ(platformFrame->invalidRects.size(), rectsAtClose);

	dialog->forget();
	EXPECT_EQ(destroyed["dialog"], 1);
	EXPECT_EQ(destroyed["slider"], 1);
	EXPECT_EQ(destroyed["closer"], 1);
	EXPECT_EQ(frameWatch.deletions, 0);
	holder = nullptr;
	EXPECT_EQ(frameWatch.deletions, 1);
}

INSTANTIATE_TEST_SUITE_P(Frame, CloseDuringPress,
                         ::testing::Values(Closer::ViewInTheDialog, Closer::MouseObserver),
                         [](const auto& info) {
	                         return std::string(info.param == Closer::ViewInTheDialog ? "ViewInTheDialog"
	                                                                                  : "MouseObserver");
                         });

TEST_F(FrameTest, FunctionsDeferredDuringAnEventRunAfterItInOrder)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	std::optional<bool> queuedFromDeferred;
	view->onDown = [&](CPoint&, const CButtonState&) {
		EXPECT_TRUE(frame->inEventProcessing());
		EXPECT_TRUE(frame->doAfterEventProcessing([&] {
			log.push_back("first");
			EXPECT_FALSE(frame->inEventProcessing());
			queuedFromDeferred = frame->doAfterEventProcessing([&] { log.push_back("late"); });
		}));
		EXPECT_TRUE(frame->doAfterEventProcessing([&] { log.push_back("second"); }));
		log.push_back("handler done");
		return kMouseHandled;
	};

	press({10, 10});
	EXPECT_EQ(log, (EventLog {"v:down", "handler done", "first", "second"}));
	EXPECT_EQ(queuedFromDeferred, std::optional<bool>(false));
	EXPECT_FALSE(frame->inEventProcessing());

	// Outside an event the function is dropped, not kept for the next one.
	bool ran = false;
	EXPECT_FALSE(frame->doAfterEventProcessing([&] { ran = true; }));
	view->onDown = nullptr;
	release({10, 10});
	press({10, 10});
	EXPECT_FALSE(ran);
	EXPECT_EQ(std::count(log.begin(), log.end(), "late"), 0);
}

// ---- Drawing lock ----

// While another thread draws, mouse events wait for it; keys do not touch
// the tree's lists and go ahead.
TEST_F(FrameTest, MouseEventsWaitForAnotherThreadsDrawingLockAndKeysDoNot)
{
	open();
	auto view = add(new TrackingView(CRect(0, 0, 200, 200), "v", &log));
	view->setWantsFocus(true);
	activate(true);
	std::optional<bool> lockedDuringKey;
	std::optional<bool> lockedDuringPress;
	view->keyResult = kKeyHandled;
	hook1.onKey = [&] { lockedDuringKey = frame->IsGUIDrawingLocked(); };
	frame->registerKeyboardHook(&hook1);
	view->onDown = [&](CPoint&, const CButtonState&) {
		lockedDuringPress = frame->IsGUIDrawingLocked();
		return kMouseHandled;
	};

	std::promise<void> locked;
	std::thread drawer([&] {
		frame->LockGUIDrawing();
		locked.set_value();
		std::this_thread::sleep_for(std::chrono::milliseconds(300));
		frame->UnLockGUIDrawing();
	});
	locked.get_future().wait();
	keyDown(keyOf('a'));
	press({100, 100});
	drawer.join();

	EXPECT_EQ(lockedDuringKey, std::optional<bool>(true));
	EXPECT_EQ(lockedDuringPress, std::optional<bool>(false));
}

// ---- Zoom and size ----

TEST_F(FrameTest, ZoomScalesTheFrameAndMapsPlatformPointsBack)
{
	open();
	auto target = add(new TrackingView(CRect(15, 15, 25, 25), "target", &log));
	frame->registerMouseObserver(&observer);

	EXPECT_TRUE(frame->setZoom(2.));
	EXPECT_EQ(frame->getZoom(), 2.);
	EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 400, 400));
	EXPECT_EQ(platformFrame->size, CRect(0, 0, 400, 400));

	EXPECT_EQ(press({40, 40}), kMouseHandled);
	EXPECT_EQ(log, (EventLog {"obs:down", "target:down"}));
	EXPECT_EQ(target->lastPoint, CPoint(20, 20));
	EXPECT_EQ(observer.lastDownPoint, CPoint(20, 20));

	platformFrame->mousePosition = {40, 40};
	CPoint location;
	EXPECT_TRUE(frame->getCurrentMouseLocation(location));
	EXPECT_EQ(location, CPoint(80, 80));
}

TEST_F(FrameTest, ZoomSizeFollowsTheUnzoomedSize)
{
	open();
	const std::pair<double, double> steps[] = {{2., 400.}, {1., 200.}, {0.5, 100.}, {1.333, 267.}, {1., 200.}};
	for (const auto& [zoom, side] : steps)
	{
		SCOPED_TRACE(zoom);
		EXPECT_TRUE(frame->setZoom(zoom));
		EXPECT_EQ(frame->getViewSize(), CRect(0, 0, side, side));
	}
}

TEST_F(FrameTest, RefusedZoomLeavesTheMappingAlone)
{
	open();
	auto target = add(new TrackingView(CRect(15, 15, 25, 25), "target", &log));

	EXPECT_FALSE(frame->setZoom(0.));
	// The size would not change, so the resize, and with it the zoom, fails.
	EXPECT_FALSE(frame->setZoom(1.));
	platformFrame->acceptsSize = false;
	EXPECT_FALSE(frame->setZoom(2.));
	EXPECT_EQ(frame->getZoom(), 1.);
	EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 200, 200));

	EXPECT_EQ(press({20, 20}), kMouseHandled);
	EXPECT_EQ(target->lastPoint, CPoint(20, 20));
}

TEST_F(FrameTest, ScaleFactorCombinesZoomAndPlatformScale)
{
	open();
	frame->registerScaleFactorChangedListeneer(&scaleLog);

	window->platformScaleFactorChanged(2.);
	window->platformScaleFactorChanged(2.);
	EXPECT_EQ(frame->getScaleFactor(), 2.);
	EXPECT_TRUE(frame->setZoom(1.5));
	EXPECT_EQ(frame->getScaleFactor(), 3.);
	window->platformScaleFactorChanged(1.);
	EXPECT_EQ(frame->getScaleFactor(), 1.5);
	EXPECT_EQ(scaleLog.scales, (std::vector<double> {2., 3., 1.5}));
	frame->unregisterScaleFactorChangedListeneer(&scaleLog);
}

TEST_F(FrameTest, EditorMayVetoASizeChange)
{
	recreateWithEditor(&editor);
	open();
	editor.approvesSize = false;
	EXPECT_FALSE(frame->setSize(300, 300));
	EXPECT_FALSE(frame->setZoom(2.));
	EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 200, 200));
	EXPECT_EQ(platformFrame->size, CRect(0, 0, 200, 200));

	editor.approvesSize = true;
	EXPECT_TRUE(frame->setSize(300, 250));
	EXPECT_EQ(platformFrame->size, CRect(0, 0, 300, 250));
}

TEST_F(FrameTest, SizeSetBeforeOpeningIsTheSizeOfThePlatformFrame)
{
	EXPECT_TRUE(frame->setSize(300, 250));
	EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 300, 250));
	open();
	EXPECT_EQ(platformFrame->size, CRect(0, 0, 300, 250));
}

} // namespace
} // namespace Kavrin::Test

namespace Kavrin::Test {
namespace {

// ---- Closing from any entry, and closing twice ----

TEST_F(FrameTest, ScaleFactorListenerThatClosesTheFrameIsSafe)
{
	open();
	struct Closer : IScaleFactorChangedListener
	{
		void onScaleFactorChanged(CFrame* closing, double) override { closing->close(); }
	} closer;
	frame->registerScaleFactorChangedListeneer(&closer);
	// The listener drops the creator's reference: the fixture must not.
	CFrame* closing = std::exchange(frame, nullptr);
	window->platformScaleFactorChanged(2.);
	EXPECT_TRUE(platformFrame->closed);
	(void)closing;
}

TEST_F(FrameTest, SecondCloseDoesNothing)
{
	open();
	SharedPointer<CFrame> keep = frame;
	frame->close();
	EXPECT_EQ(keep->getNbReference(), 1);
	keep->close();
	EXPECT_EQ(keep->getNbReference(), 1);
	frame = nullptr;
}

// ---- Focus remembered while inactive ----

TEST_F(FrameTest, InactiveFrameRemembersOnlyViewsOfItsOwnTree)
{
	open();
	auto other = owned(new CFrame(CRect(0, 0, 50, 50)));
	int otherWindow = 0;
	ASSERT_TRUE(other->open(&otherWindow, kHeadless));
	auto foreign = new TrackingControl(CRect(0, 0, 10, 10), "foreign", &log);
	other->addView(foreign);
	auto own = add(new TrackingControl(CRect(0, 0, 10, 10), "own", &log));

	frame->setFocusView(foreign);
	other->removeView(foreign);
	// Activation must not reach the foreign view, which is gone by now.
	window->platformOnActivate(true);
	EXPECT_EQ(frame->getFocusView(), own) << "the first focusable view instead";
	other->remember();
	other->close();
}

// ---- Mouse tracking while handlers change the tree ----

TEST_F(FrameTest, ExitHandlerThatRemovesTheNewViewLeavesNoStaleEntry)
{
	open();
	struct RemovesOnExit : TrackingView
	{
		using TrackingView::TrackingView;
		CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override
		{
			if (victim)
				getParentView()->toViewContainer()->removeView(std::exchange(victim, nullptr));
			return TrackingView::onMouseExited(where, buttons);
		}
		CView* victim {nullptr};
	};
	auto first = add(new RemovesOnExit(CRect(0, 0, 50, 50), "first", &log));
	auto second = add(new TrackingView(CRect(100, 0, 150, 50), "second", &log));
	first->victim = second;

	move({10, 10});
	log.clear();
	move({110, 10});
	EXPECT_EQ(std::count(log.begin(), log.end(), "second:entered"), 0);
	// Nothing stale is left to exit or to move.
	log.clear();
	leave();
	EXPECT_EQ(log, EventLog {});
}

// ---- Enter and exit while handlers remove views ----

// Reads a log of enters and exits ("view:entered" from a view's own
// handler, "listener:entered:view" from observers and mouse listeners) and
// keeps, for every listener and view, whether the mouse is in the view.
struct EnterExitPairs
{
	explicit EnterExitPairs(const EventLog& log)
	{
		for (const auto& entry : log)
		{
			auto first = entry.find(':');
			auto second = entry.find(':', first + 1);
			std::string listener = entry.substr(0, first);
			std::string event = entry.substr(first + 1, second == std::string::npos ? second : second - first - 1);
			std::string view = second == std::string::npos ? listener : entry.substr(second + 1);
			if (event != "entered" && event != "exited")
				continue;
			bool& in = inside[listener + ":" + view];
			bool entered = event == "entered";
			if (in == entered)
				faults.push_back(entry + (entered ? " twice" : " without an enter"));
			in = entered;
		}
	}
	// "listener:view" of the pairs that got an enter and no exit yet.
	std::vector<std::string> open() const
	{
		std::vector<std::string> result;
		for (const auto& [pair, in] : inside)
		{
			if (in)
				result.push_back(pair);
		}
		return result;
	}

	std::map<std::string, bool> inside;
	std::vector<std::string> faults;
};

// A handler removes a view while the mouse enters A > A2 > a3: every
// listener gets one exit for each enter and no exit without an enter, the
// listeners after the remover hear nothing of the view being entered where
// the walk can stop (observers), and nothing of the removed views stays
// in the frame's mouse views.
TEST_F(FrameTest, ViewRemovedWhileTheMouseEntersLeavesEntersAndExitsPaired)
{
	struct Case
	{
		const char* what;
		std::string remover; // "own" for the entered view's own handler
		std::string entered; // whose enter notification removes
		std::string removed;
		std::vector<std::string> silent; // hear nothing of the entered view
	};
	const Case cases[] = {
	    {"its own enter handler", "own", "A2", "A2", {"obs", "obs2", "lis", "lis2"}},
	    {"the first observer", "obs", "A2", "A2", {"obs2", "lis", "lis2"}},
	    {"the second observer", "obs2", "A2", "A2", {"lis", "lis2"}},
	    {"the first listener told", "lis2", "A2", "A2", {}},
	    {"the last listener told", "lis", "A2", "A2", {}},
	    {"an observer, removing an ancestor", "obs", "a3", "A", {"obs2", "lis", "lis2"}},
	    {"an observer, removing an inner view not entered yet", "obs", "A", "a3", {}},
	};
	open();
	frame->registerMouseObserver(&observer);
	frame->registerMouseObserver(&observer2);
	std::map<std::string, std::function<void(CView*)>*> removers {
	    {"obs", &observer.onEnter}, {"obs2", &observer2.onEnter}, {"lis", &listener.onEnter},
	    {"lis2", &listener2.onEnter}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		frame->removeAll();
		auto A = add(new TrackingContainer(CRect(0, 0, 100, 100), "A", &log));
		auto A2 = add(new TrackingContainer(CRect(10, 10, 90, 90), "A2", &log), A);
		auto a3 = add(new TrackingView(CRect(10, 10, 50, 50), "a3", &log), A2);
		auto B = add(new TrackingView(CRect(100, 0, 200, 100), "B", &log));
		std::map<std::string, CView*> views {{"A", A}, {"A2", A2}, {"a3", a3}, {"B", B}};
		for (auto& [name, view] : views)
		{
			listen(view, &listener);
			listen(view, &listener2);
		}
		std::vector<std::string> removedNames {c.removed};
		if (c.removed == "A")
			removedNames = {"A", "A2", "a3"};
		else if (c.removed == "A2")
			removedNames = {"A2", "a3"};

		bool removed = false;
		auto removeOnEnter = [&](CView* view) {
			if (removed || nameOf(view) != c.entered)
				return;
			removed = true;
			CView* victim = views[c.removed];
			victim->getParentView()->toViewContainer()->removeView(victim);
		};
		if (c.remover == "own")
		{
			A->onEnter = A2->onEnter = removeOnEnter;
			a3->onEnter = removeOnEnter;
		}
		else
			*removers.at(c.remover) = removeOnEnter;
		log.clear();

		move({25, 25});
		ASSERT_TRUE(removed);
		for (const auto& name : c.silent)
		{
			for (const char* event : {":entered:", ":exited:"})
				EXPECT_EQ(std::count(log.begin(), log.end(), name + event + c.entered), 0) << name << event;
		}
		const size_t afterRemoval = log.size();
		move({150, 50});
		leave();
		for (size_t i = afterRemoval; i < log.size(); ++i)
		{
			for (const auto& name : removedNames)
				EXPECT_EQ(log[i].find(name + ":"), std::string::npos) << log[i];
		}

		EnterExitPairs pairs(log);
		EXPECT_EQ(pairs.faults, std::vector<std::string> {});
		// Only a removed view's own handler keeps its enter: a view leaving
		// the tree is not called itself.
		for (const auto& pair : pairs.open())
		{
			std::string view = pair.substr(0, pair.find(':'));
			EXPECT_TRUE(pair == view + ":" + view && std::count(removedNames.begin(), removedNames.end(), view))
			    << pair;
		}
		for (auto& [name, remover] : removers)
			*remover = nullptr;
	}
}

} // namespace
} // namespace Kavrin::Test
