#include "tests/support/recording.h"
#include "tests/support/controlrecording.h"

#include "lib/cgraphicspath.h"
#include "lib/kavrineditorinterface.h"
#include "lib/moxkeycode.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include "tests/support/printers.h"
#include "tests/support/elementpath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32 kTag = 7;

// A control with a main listener, outside any frame.
class ControlTest : public ::testing::Test
{
protected:
	ControlTest() { control->setDefaultValue(0.5f); }

	ControlLog log;
	LoggingListener main {"main", log};
	SharedPointer<RecordingControl> control {owned(new RecordingControl(CRect(10, 10, 50, 30), &main, kTag))};
};

// The same control inside an open frame whose editor records the brackets.
class AttachedControlTest : public ControlTest
{
protected:
	AttachedControlTest()
	{
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 100, 100), &editor);
		frame->addView(control.get());
		control->remember();
		EXPECT_TRUE(frame->open(&parent, kHeadless));
	}
	~AttachedControlTest() override
	{
		frame->close();
		setPlatform(nullptr);
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	LoggingEditor editor {log};
	CFrame* frame {nullptr};
	int parent {0};
};

// ---- Value model ----

TEST_F(ControlTest, SetValueClampsBelowTheMinimumFirstThenAboveTheMaximum)
{
	struct Case
	{
		const char* name;
		float min;
		float max;
		float input;
		float expected;
	};
	const Case cases[] = {
	    {"inside", 0.f, 1.f, 0.25f, 0.25f},
	    {"below", 0.f, 1.f, -0.5f, 0.f},
	    {"above", 0.f, 1.f, 7.f, 1.f},
	    {"negative range, inside", -20.f, -10.f, -12.5f, -12.5f},
	    {"negative range, above", -20.f, -10.f, 0.f, -10.f},
	    {"equal bounds", 3.f, 3.f, 0.f, 3.f},
	    // With the minimum above the maximum only values below the minimum
	    // reach it; every other value lands on the maximum.
	    {"min above max, below both", 1.f, 0.f, -1.f, 1.f},
	    {"min above max, between", 1.f, 0.f, 0.5f, 1.f},
	    {"min above max, on the minimum", 1.f, 0.f, 1.f, 0.f},
	    {"min above max, above both", 1.f, 0.f, 2.f, 0.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		control->setMin(c.min);
		control->setMax(c.max);
		control->setValue(c.input);
		EXPECT_EQ(control->getValue(), c.expected);
	}
}

TEST_F(ControlTest, NormalizedValueMapsOntoTheRangeAndClampsBeyondIt)
{
	struct Case
	{
		const char* name;
		float min;
		float max;
		float normalized;
		float expectedValue;
		float expectedNormalized;
	};
	const Case cases[] = {
	    {"middle", -10.f, 10.f, 0.5f, 0.f, 0.5f},
	    {"quarter", 100.f, 300.f, 0.25f, 150.f, 0.25f},
	    {"above one", -10.f, 10.f, 1.5f, 10.f, 1.f},
	    {"below zero", -10.f, 10.f, -3.f, -10.f, 0.f},
	    // No division by a zero range.
	    {"equal bounds", 4.f, 4.f, 0.7f, 4.f, 0.f},
	    // The minimum itself lies above the maximum and is clamped onto it.
	    {"reversed bounds", 1.f, 0.f, 0.f, 0.f, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		control->setMin(c.min);
		control->setMax(c.max);
		control->setValueNormalized(c.normalized);
		EXPECT_FLOAT_EQ(control->getValue(), c.expectedValue);
		EXPECT_EQ(control->getValueNormalized(), c.expectedNormalized);
	}
}

TEST_F(ControlTest, ValueChangesNotifyNobody)
{
	control->setValue(0.8f);
	control->setValueNormalized(0.1f);
	control->setMin(0.5f);
	control->bounceValue();
	EXPECT_THAT(log, IsEmpty());
}

TEST_F(ControlTest, NewBoundsLeaveTheValueUntilItIsBounced)
{
	control->setValue(0.8f);
	control->setMax(0.5f);
	EXPECT_EQ(control->getValue(), 0.8f) << "the base only stores the bound";
	control->bounceValue();
	EXPECT_EQ(control->getValue(), 0.5f);
	control->setMin(0.6f);
	EXPECT_EQ(control->getValue(), 0.5f);
	control->bounceValue();
	EXPECT_EQ(control->getValue(), 0.6f);
}

// ---- Dirty state ----

TEST_F(ControlTest, MarkingDirtyMakesTheLastDrawnValueDifferFromTheValue)
{
	struct Case
	{
		const char* name;
		float value;
		float expectedOldValue;
	};
	const Case cases[] = {
	    {"ordinary value", 0.3f, -1.f},
	    {"zero", 0.f, -1.f},
	    {"minus one", -1.f, 0.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		control->setMin(-1.f);
		control->setValue(c.value);
		control->setDirty(false);
		ASSERT_FALSE(control->isDirty());
		control->setDirty(true);
		EXPECT_EQ(control->getOldValue(), c.expectedOldValue);
		EXPECT_TRUE(control->isDirty());
		control->setDirty(false);
		EXPECT_EQ(control->getOldValue(), c.value);
		EXPECT_FALSE(control->isDirty());
	}
}

TEST_F(ControlTest, ValueThatDiffersFromTheLastDrawnOneIsDirty)
{
	control->setDirty(false);
	control->setValue(0.9f);
	EXPECT_TRUE(control->isDirty());
	control->setValue(control->getOldValue());
	EXPECT_FALSE(control->isDirty());
}

TEST_F(AttachedControlTest, DirtyControlThatInvalidatesAtOnceStillDiffersFromItsDrawnValue)
{
	CView::kDirtyCallAlwaysOnMainThread = true;
	control->setDirty(false);
	auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	window->invalidRects.clear();
	control->setDirty(true);
	CView::kDirtyCallAlwaysOnMainThread = false;
	EXPECT_FALSE(window->invalidRects.empty()) << "the control's rect is invalidated at once";
	EXPECT_TRUE(control->isDirty()) << "the last drawn value was moved away from the value";
}

// ---- Default-value gesture ----

TEST_F(AttachedControlTest, DefaultValueGestureRestoresTheDefaultInOneEdit)
{
	const ControlLog restored {"main:begin", "editor:begin 7", "main:changed", "editor:end 7", "main:end"};
	struct Case
	{
		const char* name;
		uint32 buttons;
		float value;
		bool gesture;
		ControlLog expected;
	};
	const Case cases[] = {
	    {"left click with control", kLeftButton | kControlModifier, 0.2f, true, restored},
	    {"already at the default", kLeftButton | kControlModifier, 0.5f, true, {}},
	    {"control with shift as well", kLeftButton | kControlModifier | kShiftModifier, 0.2f, false, {}},
	    {"control with alt as well", kLeftButton | kControlModifier | kAltModifier, 0.2f, false, {}},
	    {"left click alone", kLeftButton, 0.2f, false, {}},
	    {"right click with control", kRightButton | kControlModifier, 0.2f, false, {}},
	    {"two buttons with control", kLeftButton | kRightButton | kControlModifier, 0.2f, false, {}},
	    {"double click", kLeftButton | kDoubleClick, 0.2f, true, restored},
	    {"double click with modifiers", kLeftButton | kDoubleClick | kShiftModifier | kAltModifier, 0.2f, true,
	     restored},
	    {"double click of another button", kRightButton | kDoubleClick, 0.2f, true, restored},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		control->setValue(c.value);
		control->setDirty(false);
		log.clear();
		EXPECT_EQ(control->checkDefaultValue(CButtonState(c.buttons)), c.gesture);
		EXPECT_EQ(log, c.expected);
		EXPECT_EQ(control->getValue(), c.gesture ? 0.5f : c.value);
		EXPECT_EQ(control->isDirty(), !c.expected.empty());
		EXPECT_FALSE(control->isEditing());
	}
}

TEST_F(ControlTest, DefaultValueModifierIsAClassWideSetting)
{
	const int32 saved = CControl::kDefaultValueModifier;
	CControl::kDefaultValueModifier = kAltModifier;
	control->setValue(0.2f);
	const bool withControl = control->checkDefaultValue(CButtonState(kLeftButton | kControlModifier));
	const bool withAlt = control->checkDefaultValue(CButtonState(kLeftButton | kAltModifier));
	CControl::kDefaultValueModifier = saved;
	EXPECT_FALSE(withControl);
	EXPECT_TRUE(withAlt);
	EXPECT_EQ(control->getValue(), 0.5f);
}

// ---- Edit bracket ----

TEST_F(AttachedControlTest, NestedEditsReachListenersAndEditorOnceInMirroredOrder)
{
	LoggingListener sub {"sub", log};
	control->registerControlListener(&sub);
	control->beginEdit();
	control->beginEdit();
	EXPECT_TRUE(control->isEditing());
	EXPECT_THAT(log, ElementsAre("main:begin", "sub:begin", "editor:begin 7"));
	log.clear();
	control->endEdit();
	EXPECT_THAT(log, IsEmpty()) << "the inner end closes nothing";
	EXPECT_TRUE(control->isEditing());
	control->endEdit();
	EXPECT_THAT(log, ElementsAre("editor:end 7", "main:end", "sub:end"));
	EXPECT_FALSE(control->isEditing());
	log.clear();
	control->endEdit();
	EXPECT_THAT(log, IsEmpty()) << "an end without a begin is ignored";
	control->beginEdit();
	EXPECT_THAT(log, ElementsAre("main:begin", "sub:begin", "editor:begin 7"))
	    << "the stray end did not leave the count below zero";
	control->endEdit();
}

TEST_F(ControlTest, EditBracketWithoutAFrameReachesOnlyTheListeners)
{
	control->endEdit();
	control->beginEdit();
	control->endEdit();
	EXPECT_THAT(log, ElementsAre("main:begin", "main:end"));
}

TEST_F(AttachedControlTest, ValueChangedIsNotBracketed)
{
	LoggingListener sub {"sub", log};
	control->registerControlListener(&sub);
	control->valueChanged();
	EXPECT_THAT(log, ElementsAre("main:changed", "sub:changed"));
	EXPECT_FALSE(control->isEditing());
}

TEST_F(ControlTest, TagChangeIsAnnouncedToTheMainListenerOnly)
{
	LoggingListener sub {"sub", log};
	control->registerControlListener(&sub);
	control->setTag(12);
	EXPECT_THAT(log, ElementsAre("main:tagWill 7", "main:tagDid 12"));
}

TEST_F(AttachedControlTest, EditorHearsTheTagTheControlHadAtEachEndOfTheBracket)
{
	control->beginEdit();
	control->setTag(9);
	control->endEdit();
	EXPECT_THAT(log, ElementsAre("main:begin", "editor:begin 7", "main:tagWill 7", "main:tagDid 9",
	                             "editor:end 9", "main:end"));
}

TEST_F(AttachedControlTest, ControlLeavingTheTreeClosesItsOpenEdit)
{
	control->beginEdit();
	control->beginEdit();
	log.clear();
	frame->removeView(control.get());
	EXPECT_THAT(log, ElementsAre("editor:end 7", "main:end"));
	EXPECT_FALSE(control->isEditing());
}

// A listener may take the control out of the tree while the edit is still
// beginning: every observer then hears begin and end once each, in that
// order, or nothing at all when the begin never reached it.
TEST(ControlEditBracket, ListenerActingWhileTheEditBeginsLeavesEachObserverABracketOrNothing)
{
	enum Action
	{
		kRemove,
		kRemoveAndRelease,
		kMoveToAnotherContainer,
		kCloseTheFrame,
	};
	enum Actor
	{
		kMainListener,
		kFirstSubListener,
	};
	struct Case
	{
		const char* name;
		Action action;
		Actor actor;
	};
	const Case cases[] = {
	    {"main listener removes it", kRemove, kMainListener},
	    {"main listener removes and releases it", kRemoveAndRelease, kMainListener},
	    {"main listener moves it to another container", kMoveToAnotherContainer, kMainListener},
	    {"main listener closes the frame", kCloseTheFrame, kMainListener},
	    {"sub-listener removes it", kRemove, kFirstSubListener},
	    {"sub-listener removes and releases it", kRemoveAndRelease, kFirstSubListener},
	    {"sub-listener moves it to another container", kMoveToAnotherContainer, kFirstSubListener},
	    {"sub-listener closes the frame", kCloseTheFrame, kFirstSubListener},
	};
	auto platform = owned(new HeadlessPlatform);
	setPlatform(platform);
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		ControlLog log;
		LoggingEditor editor {log};
		LoggingListener main {"main", log};
		LoggingListener first {"first", log};
		LoggingListener second {"second", log};
		// The creator's reference goes with close(); the holder outlives it.
		CFrame* frame = new CFrame(CRect(0, 0, 100, 100), &editor);
		SharedPointer<CFrame> frameHolder = frame;
		auto page = new CViewContainer(CRect(0, 0, 100, 50));
		auto other = new CViewContainer(CRect(0, 50, 100, 100));
		frame->addView(page);
		frame->addView(other);
		auto control = new RecordingControl(CRect(10, 10, 50, 30), &main, kTag);
		page->addView(control);
		control->registerControlListener(&first);
		control->registerControlListener(&second);
		SharedPointer<RecordingControl> held = c.action == kRemoveAndRelease ? nullptr : control;
		int parent = 0;
		ASSERT_TRUE(frame->open(&parent, kHeadless));

		bool acted = false;
		(c.actor == kMainListener ? main : first).onBegin = [&](CControl*) {
			if (std::exchange(acted, true))
				return;
			if (c.action == kCloseTheFrame)
				frame->close();
			else if (c.action == kMoveToAnotherContainer)
			{
				control->remember();
				page->removeView(control);
				other->addView(control);
			}
			else
				page->removeView(control);
		};
		control->beginEdit();
		EXPECT_TRUE(acted);
		if (held)
		{
			EXPECT_FALSE(held->isEditing());
			held->endEdit();
		}
		if (c.actor == kMainListener)
			EXPECT_EQ(log, ControlLog({"main:begin", "main:end"}));
		else
			EXPECT_EQ(log, ControlLog({"main:begin", "first:begin", "main:end", "first:end"}));

		// Moved, the control edits as before.
		if (c.action == kMoveToAnotherContainer)
		{
			log.clear();
			held->beginEdit();
			held->endEdit();
			EXPECT_EQ(log, ControlLog({"main:begin", "first:begin", "second:begin", "editor:begin 7",
			                           "editor:end 7", "main:end", "first:end", "second:end"}));
		}
		frame->close();
	}
	setPlatform(nullptr);
}

TEST_F(ControlTest, ControlReleasedInTheMiddleOfAnEditEndsIt)
{
	LoggingListener sub {"sub", log};
	auto loose = new RecordingControl(CRect(0, 0, 10, 10), &main, kTag);
	loose->registerControlListener(&sub);
	loose->beginEdit();
	loose->beginEdit();
	loose->forget();
	EXPECT_THAT(log, ElementsAre("main:begin", "sub:begin", "main:end", "sub:end"));
}

// ---- Sub-listeners ----

TEST_F(ControlTest, SubListenersMayChangeTheListWhileTheyAreCalled)
{
	// Three sub-listeners a, b and c, and one that is not registered yet.
	struct SubListeners
	{
		IControlListener* a;
		IControlListener* b;
		IControlListener* c;
		IControlListener* late;
	};
	struct Case
	{
		const char* name;
		// What b does on its first call.
		std::function<void(CControl*, const SubListeners&)> action;
		ControlLog firstDispatch;
		ControlLog secondDispatch;
	};
	const Case cases[] = {
	    {"unregisters itself",
	     [](CControl* control, const SubListeners& l) { control->unregisterControlListener(l.b); },
	     {"main:changed", "a:changed", "b:changed", "c:changed"},
	     {"main:changed", "a:changed", "c:changed"}},
	    {"unregisters a later one",
	     [](CControl* control, const SubListeners& l) { control->unregisterControlListener(l.c); },
	     {"main:changed", "a:changed", "b:changed"},
	     {"main:changed", "a:changed", "b:changed"}},
	    {"unregisters an earlier one",
	     [](CControl* control, const SubListeners& l) { control->unregisterControlListener(l.a); },
	     {"main:changed", "a:changed", "b:changed", "c:changed"},
	     {"main:changed", "b:changed", "c:changed"}},
	    {"registers a new one",
	     [](CControl* control, const SubListeners& l) { control->registerControlListener(l.late); },
	     {"main:changed", "a:changed", "b:changed", "c:changed"},
	     {"main:changed", "a:changed", "b:changed", "c:changed", "late:changed"}},
	    {"unregisters all three",
	     [](CControl* control, const SubListeners& l) {
		     control->unregisterControlListener(l.a);
		     control->unregisterControlListener(l.b);
		     control->unregisterControlListener(l.c);
	     },
	     {"main:changed", "a:changed", "b:changed"},
	     {"main:changed"}},
	    {"dispatches again from inside",
	     [](CControl* control, const SubListeners& l) {
		     control->unregisterControlListener(l.b);
		     control->valueChanged();
	     },
	     {"main:changed", "a:changed", "b:changed", "main:changed", "a:changed", "c:changed",
	      "c:changed"},
	     {"main:changed", "a:changed", "c:changed"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto fresh = owned(new RecordingControl(CRect(0, 0, 10, 10), &main, kTag));
		LoggingListener a {"a", log};
		LoggingListener b {"b", log};
		LoggingListener cc {"c", log};
		LoggingListener late {"late", log};
		bool acted = false;
		b.onChanged = [&](CControl* control) {
			if (!std::exchange(acted, true))
				c.action(control, {&a, &b, &cc, &late});
		};
		fresh->registerControlListener(&a);
		fresh->registerControlListener(&b);
		fresh->registerControlListener(&cc);
		log.clear();
		fresh->valueChanged();
		EXPECT_EQ(log, c.firstDispatch);
		log.clear();
		fresh->valueChanged();
		EXPECT_EQ(log, c.secondDispatch);
	}
}

TEST_F(ControlTest, ListenerMayReleaseTheLastReferenceToItsControl)
{
	LoggingListener sub {"sub", log};
	auto doomed = new RecordingControl(CRect(0, 0, 10, 10), &main, kTag);
	doomed->registerControlListener(&sub);
	main.onChanged = [](CControl* sender) { sender->forget(); };
	doomed->remember();
	doomed->valueChanged();
	main.onChanged = nullptr;
	EXPECT_THAT(log, ElementsAre("main:changed", "sub:changed"));
	doomed->forget();
}

TEST_F(ControlTest, MainListenerRegisteredAsSubListenerRaisesTheAssertionAndIsCalledTwice)
{
	AssertionRecorder assertions;
	control->registerControlListener(&main);
	ASSERT_EQ(assertions.reports.size(), 1u);
	EXPECT_EQ(assertions.reports[0].file, "lib/controls/ccontrol");
	EXPECT_EQ(assertions.reports[0].line, "57");
	EXPECT_EQ(assertions.reports[0].description, "the subListener is already the main listener");
	control->valueChanged();
	EXPECT_THAT(log, ElementsAre("main:changed", "main:changed"));
}

TEST_F(ControlTest, CopyKeepsTheValueModelAndMainListenerButNoSubListenersAndNoEdit)
{
	LoggingListener sub {"sub", log};
	control->registerControlListener(&sub);
	control->setMin(-2.f);
	control->setMax(4.f);
	control->setValue(3.f);
	control->setDefaultValue(1.f);
	control->setWheelInc(0.25f);
	control->beginEdit();
	auto copy = owned(static_cast<CControl*>(control->cloneView()));
	EXPECT_EQ(copy->getValue(), 3.f);
	EXPECT_EQ(copy->getMin(), -2.f);
	EXPECT_EQ(copy->getMax(), 4.f);
	EXPECT_EQ(copy->getDefaultValue(), 1.f);
	EXPECT_EQ(copy->getWheelInc(), 0.25f);
	EXPECT_EQ(copy->getTag(), kTag);
	EXPECT_FALSE(copy->isEditing());
	log.clear();
	copy->valueChanged();
	copy->endEdit();
	EXPECT_THAT(log, ElementsAre("main:changed"));
	control->endEdit();
}

// ---- Focus ring ----

TEST_F(AttachedControlTest, FocusPathIsABandOfTheFocusWidthAroundTheVisiblePart)
{
	struct Case
	{
		const char* name;
		CRect size;
		bool wantsFocus;
		double focusWidth; // 0: as it was (the frame's default until a case sets one)
		std::vector<CRect> expected;
	};
	const Case cases[] = {
	    {"default width", CRect(10, 10, 50, 30), true, 0., {CRect(10, 10, 50, 30), CRect(8, 8, 52, 32)}},
	    {"clipped by the frame", CRect(80, 90, 120, 130), true, 0.,
	     {CRect(80, 90, 100, 100), CRect(78, 88, 102, 102)}},
	    {"outside the frame", CRect(120, 10, 150, 30), true, 0., {}},
	    {"empty size", CRect(10, 10, 10, 30), true, 0., {}},
	    {"not wanting focus", CRect(10, 10, 50, 30), false, 0., {}},
	    {"set width", CRect(10, 10, 50, 30), true, 5., {CRect(10, 10, 50, 30), CRect(5, 5, 55, 35)}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		if (c.focusWidth > 0.)
			frame->setFocusWidth(c.focusWidth);
		control->setViewSize(c.size);
		control->setMouseableArea(c.size);
		control->setWantsFocus(c.wantsFocus);
		auto path = owned(new ElementPath);
		EXPECT_TRUE(control->getFocusPath(*path));
		std::vector<CRect> rects;
		for (const auto& element : path->getElements())
		{
			EXPECT_EQ(element.type, CGraphicsPath::Element::kRect);
			rects.push_back(element.rect);
		}
		EXPECT_EQ(rects, c.expected);
		EXPECT_FALSE(control->drawFocusOnTop());
	}
}

TEST_F(ControlTest, FocusPathOfADetachedControlStaysEmpty)
{
	auto path = owned(new ElementPath);
	EXPECT_TRUE(control->getFocusPath(*path));
	EXPECT_THAT(path->getElements(), IsEmpty());
}

// ---- Key modifiers ----

TEST(ControlKeyModifiers, KeyModifierBitsMapOntoButtonStateModifiers)
{
	struct Case
	{
		int32 keyModifiers;
		int32 expected;
	};
	const Case cases[] = {
	    {0, 0},
	    {kModifierShift, kShiftModifier},
	    {kModifierAlternate, kAltModifier},
	    {kModifierCommand, kAppleModifier},
	    {kModifierControl, kControlModifier},
	    {kModifierShift | kModifierControl, kShiftModifier | kControlModifier},
	    {kModifierShift | kModifierAlternate | kModifierCommand | kModifierControl,
	     kShiftModifier | kAltModifier | kAppleModifier | kControlModifier},
	    {0x10, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.keyModifiers);
		EXPECT_EQ(CControl::mapMoxKeyModifier(c.keyModifiers), c.expected);
	}
}

} // namespace
} // namespace Kavrin::Test
