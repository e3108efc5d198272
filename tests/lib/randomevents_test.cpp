// Seeded random events against a frame whose listeners rebuild the tree from
// inside every kind of callback, as plug-in editors do. After every step the
// tree must be whole, and once no gesture runs every edit bracket must have
// closed.

#include "lib/cframeobservers.h"
#include "lib/controls/cknob.h"
#include "lib/controls/cslider.h"
#include "lib/iviewlistener.h"
#include "lib/kavrineditorinterface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kFrameSize {0, 0, 300, 200};

// Counts each tag's open brackets as an observer sees them; a begin while one
// is open, or an end without one, is a fault on the spot.
class BracketBook
{
public:
	void begin(int32 tag, const char* who)
	{
		if (open[tag]++ != 0)
			faults.push_back(std::string(who) + ": second begin for tag " + std::to_string(tag));
	}
	void end(int32 tag, const char* who)
	{
		if (open[tag]-- != 1)
			faults.push_back(std::string(who) + ": end without begin for tag " + std::to_string(tag));
	}
	std::vector<int32> stillOpen() const
	{
		std::vector<int32> tags;
		for (const auto& [tag, count] : open)
		{
			if (count != 0)
				tags.push_back(tag);
		}
		return tags;
	}

	std::map<int32, int> open;
	std::vector<std::string> faults;
};

class BracketEditor : public KavrinEditorInterface
{
public:
	void beginEdit(int32 tag) override { book.begin(tag, "editor"); }
	void endEdit(int32 tag) override { book.end(tag, "editor"); }
	BracketBook book;
};

// Plays the plug-in editor: it hears every callback and, now and then,
// changes the tree from inside it.
class Meddler : public IControlListener,
                public ViewListenerAdapter,
                public ViewMouseListenerAdapter,
                public IViewAddedRemovedObserver,
                public IFocusViewObserver
{
public:
	Meddler(uint32 seed, CFrame* frame) : random(seed), frame(frame) {}

	// ---- Control listener ----
	void valueChanged(CControl* control) override { maybeMeddle(control); }
	int32 controlClickedWithModifiers(CControl* control, CButtonState) override
	{
		maybeMeddle(control);
		return chance(0.3) ? 1 : 0;
	}
	void controlBeginEdit(CControl* control) override
	{
		book.begin(control->getTag(), "listener");
		maybeMeddle(control);
	}
	void controlEndEdit(CControl* control) override
	{
		book.end(control->getTag(), "listener");
		maybeMeddle(control);
	}

	// ---- View listener ----
	void viewAttached(CView* view) override { maybeMeddle(view); }
	void viewRemoved(CView* view) override { maybeMeddle(view); }
	void viewTookFocus(CView* view) override { maybeMeddle(view); }
	void viewLostFocus(CView* view) override { maybeMeddle(view); }
	void viewWillDelete(CView* view) override
	{
		view->unregisterViewListener(this);
		view->unregisterViewMouseListener(this);
	}

	// ---- Mouse listener ----
	CMouseEventResult viewOnMouseDown(CView* view, CPoint, CButtonState) override
	{
		maybeMeddle(view);
		return kMouseNotHandled;
	}
	void viewOnMouseEntered(CView* view) override { maybeMeddle(view); }
	void viewOnMouseExited(CView* view) override { maybeMeddle(view); }

	// ---- Frame observers ----
	void onViewAdded(CFrame*, CView* view) override { maybeMeddle(view); }
	void onViewRemoved(CFrame*, CView* view) override { maybeMeddle(view); }
	void onFocusViewChanged(CFrame*, CView* newFocus, CView*) override { maybeMeddle(newFocus); }

	// ---- Building ----

	// A new view of a random kind somewhere inside container, listened to;
	// the caller owns it.
	CView* makeView(CViewContainer* container)
	{
		const CRect bounds = container->getViewSize();
		const double x = pick(0, std::max(0, int(bounds.getWidth()) - 20));
		const double y = pick(0, std::max(0, int(bounds.getHeight()) - 20));
		CView* view = nullptr;
		switch (pick(0, 4))
		{
			case 0:
			case 1:
			{
				auto knob = new CKnob(CRect(x, y, x + 30, y + 30), this, nextTag++);
				knob->setWantsFocus(true);
				view = knob;
				break;
			}
			case 2:
			{
				auto panel = new CViewContainer(CRect(x, y, x + 80, y + 60));
				panel->setTransparency(chance(0.5));
				view = panel;
				break;
			}
			case 3:
			{
				// Any mode, ramps included, whose timer outlives no slider.
				auto slider = chance(0.5) ? static_cast<CSlider*>(new CHorizontalSlider(
				                                CRect(x, y, x + 60, y + 12), this, nextTag++, CPoint(), 59))
				                          : new CVerticalSlider(CRect(x, y, x + 12, y + 60), this, nextTag++,
				                                                CPoint(), 59);
				slider->setSliderMode(CSliderMode(pick(0, 4)));
				view = slider;
				break;
			}
			default:
				view = new RecordingView(CRect(x, y, x + 20, y + 20));
				view->setWantsIdle(chance(0.3));
				break;
		}
		view->registerViewListener(this);
		view->registerViewMouseListener(this);
		return view;
	}

	void populate(CViewContainer* container, int count)
	{
		for (int i = 0; i < count; ++i)
		{
			// Held: the container's handlers may release it while it is added.
			SharedPointer<CView> view = makeView(container);
			container->addView(view);
			if (auto panel = view->toViewContainer())
				populate(panel, 2);
		}
	}

	// ---- Meddling ----

	void maybeMeddle(CView*)
	{
		if (depth >= 2 || !enabled || !chance(0.08))
			return;
		++depth;
		meddle();
		--depth;
	}

	void meddle()
	{
		auto views = treeViews();
		auto containers = treeContainers();
		SharedPointer<CView> view = views.empty() ? nullptr : views[pick(0, int(views.size()) - 1)];
		switch (pick(0, 8))
		{
			case 0: // remove, and release unless it is a dialog, which this keeps
				if (view && isDialog(view))
					view->getParentView()->toViewContainer()->removeView(view, false);
				else if (view)
					removeFromParent(view, true);
				break;
			case 1: // move into another container; dialogs stay in the frame
				if (view && !isDialog(view))
				{
					auto target = containers[pick(0, int(containers.size()) - 1)];
					if (target == view || (view->toViewContainer() &&
					                       view->toViewContainer()->isChild(target, true)))
						break;
					if (!removeFromParent(view, false))
						break;
					if (!view->isSubview())
						target->addView(view);
					view->forget();
				}
				break;
			case 2: // add a new view
			{
				auto container = containers[pick(0, int(containers.size()) - 1)];
				container->addView(makeView(container));
				break;
			}
			case 3:
			case 4:
				frame->setFocusView(chance(0.2) ? nullptr : view.get());
				break;
			case 5: // a dialog, or the end of one
				if (frame->getModalView())
					frame->setModalView(nullptr);
				else
				{
					auto dialog = makeOwned<CViewContainer>(CRect(50, 50, 250, 150));
					populate(dialog, 2);
					dialogs.push_back(dialog);
					frame->setModalView(dialog);
				}
				break;
			case 6:
				if (view)
					view->setWantsIdle(!view->wantsIdle());
				break;
			case 7:
				frame->onActivate(!frame->isActive());
				break;
			default:
				if (view)
					view->setVisible(!view->isVisible());
				break;
		}
	}

	// Takes view out of its container; the view then carries one extra
	// reference (the caller's) unless withForget. False when it had no
	// container.
	bool removeFromParent(const SharedPointer<CView>& view, bool withForget)
	{
		auto parent = view->getParentView() ? view->getParentView()->toViewContainer() : nullptr;
		if (!parent || !parent->isChild(view, false))
			return false;
		if (!withForget)
			view->remember();
		parent->removeView(view, withForget);
		return true;
	}

	bool isDialog(CView* view) const
	{
		return std::find(dialogs.begin(), dialogs.end(), view) != dialogs.end();
	}

	std::vector<SharedPointer<CView>> treeViews() const
	{
		std::vector<SharedPointer<CView>> views;
		collect(frame, views);
		return views;
	}

	std::vector<SharedPointer<CViewContainer>> treeContainers() const
	{
		std::vector<SharedPointer<CViewContainer>> containers {SharedPointer<CViewContainer>(frame)};
		for (const auto& view : treeViews())
		{
			if (auto container = view->toViewContainer())
				containers.emplace_back(container);
		}
		return containers;
	}

	static void collect(CViewContainer* container, std::vector<SharedPointer<CView>>& views)
	{
		for (const auto& child : container->getChildren())
		{
			views.push_back(child);
			if (auto inner = child->toViewContainer())
				collect(inner, views);
		}
	}

	bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; }
	int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

	std::mt19937 random;
	CFrame* frame;
	BracketBook book;
	int32 nextTag {1};
	std::vector<SharedPointer<CView>> dialogs;
	int depth {0};
	bool enabled {true};
};

class RandomEventTest : public ::testing::TestWithParam<uint32>
{
protected:
	void SetUp() override
	{
		platform = owned(new HeadlessPlatform);
		setPlatform(platform);
		assertions = std::make_unique<AssertionRecorder>();
		frame = new CFrame(kFrameSize, &editor);
		meddler = std::make_unique<Meddler>(GetParam(), frame);
		frame->setViewAddedRemovedObserver(meddler.get());
		frame->registerFocusViewObserver(meddler.get());
		frame->setFocusDrawingEnabled(true);
		meddler->populate(frame, 6);
		ASSERT_TRUE(frame->open(&parentHandle, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		frame->platformOnActivate(true);
	}

	void TearDown() override
	{
		if (frame)
		{
			meddler->enabled = false;
			frame->unregisterFocusViewObserver(meddler.get());
			frame->setViewAddedRemovedObserver(nullptr);
			std::exchange(frame, nullptr)->close();
		}
		setPlatform(nullptr);
	}

	// One random input event, timer tick or paint.
	void step()
	{
		CPoint where = randomPoint();
		auto callback = window->getCallback();
		switch (meddler->pick(0, 12))
		{
			case 0:
			case 1:
			{
				uint32 button = meddler->chance(0.7) ? kLeftButton : kRightButton;
				uint32 modifier = 0;
				if (meddler->chance(0.15))
					modifier = meddler->chance(0.5) ? kShiftModifier : kControlModifier;
				held |= button;
				window->mouseButtons = held;
				callback->platformOnMouseDown(where, CButtonState(held | modifier));
				break;
			}
			case 2:
			case 3:
			case 4:
				callback->platformOnMouseMoved(where, CButtonState(held));
				break;
			case 5:
			case 6:
				releaseOne(where);
				break;
			case 7:
				callback->platformOnMouseWheel(where, meddler->chance(0.5) ? kWheelAxisY : kWheelAxisX,
				                               meddler->chance(0.5) ? 1.f : -1.f, CButtonState());
				break;
			case 8:
			{
				MoxKeyCode key {};
				key.virt = static_cast<uint8>(meddler->chance(0.5) ? kVKeyUp : kVKeyTab);
				if (meddler->chance(0.5))
					callback->platformOnKeyDown(key);
				else
					callback->platformOnKeyUp(key);
				break;
			}
			case 9:
				platform->advance(static_cast<uint32>(meddler->pick(1, 700)));
				break;
			case 10:
				window->drawInvalidRects();
				break;
			case 11:
				callback->platformOnMouseExited(where, CButtonState(held));
				break;
			default: // the editor changes the page on its own (a host notification)
				meddler->meddle();
				break;
		}
	}

	// Half the time the middle of a view of the tree, so that most events
	// reach a view.
	CPoint randomPoint()
	{
		auto views = meddler->treeViews();
		if (views.empty() || meddler->chance(0.5))
			return CPoint(meddler->pick(0, 299), meddler->pick(0, 199));
		auto view = views[meddler->pick(0, int(views.size()) - 1)];
		CPoint where = view->getViewSize().getCenter();
		view->getParentView()->localToFrame(where);
		return where;
	}

	void releaseOne(CPoint where)
	{
		if (!held)
			return;
		uint32 button = (held & kLeftButton) ? kLeftButton : kRightButton;
		held &= ~button;
		window->mouseButtons = held;
		window->getCallback()->platformOnMouseUp(where, CButtonState(button));
	}

	// Lets every gesture end: buttons up, wheel edits timed out.
	void settle()
	{
		while (held)
			releaseOne(CPoint(5, 5));
		platform->advance(1000);
	}

	// The tree is whole: each view in one list only, every child of an
	// attached container attached to it, and the focus, mouse-down and
	// modal views are in the tree.
	void checkTree(const std::string& where)
	{
		SCOPED_TRACE(where);
		std::set<CView*> seen;
		checkContainer(frame, seen);
		if (auto focus = frame->getFocusView())
		{
			EXPECT_TRUE(seen.count(focus) && focus->isAttached()) << "focus view outside the tree";
		}
		if (auto modal = frame->getModalView())
		{
			EXPECT_TRUE(seen.count(modal) && modal->isAttached()) << "modal view outside the tree";
		}
		for (CViewContainer* container = frame; container;)
		{
			CView* down = container->getMouseDownView();
			if (!down)
				break;
			EXPECT_TRUE(container->isChild(down, false) && down->isAttached()) << "mouse-down view left";
			container = down->toViewContainer();
		}
	}

	void checkContainer(CViewContainer* container, std::set<CView*>& seen)
	{
		for (const auto& child : container->getChildren())
		{
			EXPECT_TRUE(seen.insert(child).second) << "a view with two parents";
			EXPECT_TRUE(child->isAttached()) << "a child of an attached container is detached";
			EXPECT_EQ(child->getParentView(), container) << "a child that names another parent";
			EXPECT_EQ(child->getFrame(), frame);
			if (auto inner = child->toViewContainer())
				checkContainer(inner, seen);
		}
	}

	void checkBrackets(const std::string& where)
	{
		SCOPED_TRACE(where);
		EXPECT_EQ(editor.book.faults, std::vector<std::string>());
		EXPECT_EQ(meddler->book.faults, std::vector<std::string>());
		EXPECT_EQ(editor.book.stillOpen(), std::vector<int32>()) << "editor brackets left open";
		EXPECT_EQ(meddler->book.stillOpen(), std::vector<int32>()) << "listener brackets left open";
	}

	SharedPointer<HeadlessPlatform> platform;
	std::unique_ptr<AssertionRecorder> assertions;
	BracketEditor editor;
	std::unique_ptr<Meddler> meddler;
	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
	uint32 held {0};
	int parentHandle {0};
};

TEST_P(RandomEventTest, TreeStaysWholeAndEveryBracketCloses)
{
	constexpr int kSteps = 20000;
	constexpr int kSettleEvery = 200;
	for (int i = 1; i <= kSteps; ++i)
	{
		step();
		checkTree("step " + std::to_string(i));
		if (i % kSettleEvery == 0)
		{
			settle();
			checkTree("settled at step " + std::to_string(i));
			checkBrackets("settled at step " + std::to_string(i));
			if (HasFailure())
				return;
			// A tree emptied by the meddling is filled again.
			if (frame->getNbViews() < 3)
				meddler->populate(frame, 4);
		}
	}
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomEventTest, ::testing::Values(1u, 7u, 42u, 1234u, 99991u));

} // namespace
} // namespace Kavrin::Test
