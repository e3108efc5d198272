#include "tests/support/controlframe.h"
#include "tests/support/elementpath.h"

#include "lib/cfont.h"
#include "lib/controls/cbuttons.h"
#include "lib/platform/iplatformfont.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::IsEmpty;

constexpr CRect kButtonRect {40, 20, 100, 50};
constexpr CRect kCheckBoxRect {40, 60, 200, 80};

class ButtonTest : public ControlFrameTest
{
protected:
	COnOffButton* addOnOff() { return add(new COnOffButton(kButtonRect)); }
	CKickButton* addKick() { return add(new CKickButton(kButtonRect)); }
	CCheckBox* addCheckBox(int32 style = 0) { return add(new CCheckBox(kCheckBoxRect, nullptr, 0, "Bypass", nullptr, style)); }
	// At a value in a range, drawn, with nothing heard yet.
	void drawnAt(CControl* control, float value, float min = 0.f, float max = 1.f)
	{
		control->setMin(min);
		control->setMax(max);
		control->setValue(value);
		paint();
		log.clear();
		reported.clear();
	}
};

double titleWidth(const char* title)
{
	return kSystemFont->getFontPainter()->getStringWidth(nullptr, UTF8String(title).getPlatformString(), true);
}

// ---- On/off button ----

// A click released on either turns it on from below its maximum (from
// anything else, for the on/off button) and off from it.
TEST_F(ButtonTest, ClickReleasedOnOnOffOrCheckBoxToggles)
{
	struct Case
	{
		const char* name;
		bool checkBox;
		float min;
		float max;
		float start;
		float expected;
	};
	const Case cases[] = {
	    {"on/off, off", false, 0.f, 1.f, 0.f, 1.f},
	    {"on/off, on", false, 0.f, 1.f, 1.f, 0.f},
	    {"on/off, between", false, 0.f, 1.f, 0.5f, 1.f},
	    {"on/off, other range, on", false, -5.f, 5.f, 5.f, -5.f},
	    {"on/off, other range, at rest", false, -5.f, 5.f, 0.f, 5.f},
	    {"check box, off", true, 0.f, 1.f, 0.f, 1.f},
	    {"check box, on", true, 0.f, 1.f, 1.f, 0.f},
	    {"check box, mixed", true, 0.f, 1.f, 0.5f, 1.f},
	    {"check box, other range", true, -1.f, 1.f, 0.f, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CControl* control = c.checkBox ? static_cast<CControl*>(addCheckBox()) : addOnOff();
		drawnAt(control, c.start, c.min, c.max);
		// Far from a check box's box, on its title: the whole view takes it.
		click(at(control, 59, 19));
		EXPECT_EQ(control->getValue(), c.expected);
		EXPECT_EQ(log, bracket(1));
	}
}

TEST_F(ButtonTest, OnOffPressReleasedOffTheButtonChangesNothing)
{
	struct Case
	{
		const char* name;
		CPoint releasedAt;
	};
	const Case cases[] = {
	    {"below", {10, 40}},
	    {"on the right edge", {60, 10}},
	    {"on the bottom edge", {10, 30}},
	    {"left of it", {-1, 10}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		COnOffButton* button = addOnOff();
		press(at(button, 10, 10));
		move(at(button, c.releasedAt.x, c.releasedAt.y));
		release(at(button, c.releasedAt.x, c.releasedAt.y));
		EXPECT_EQ(button->getValue(), 0.f);
		EXPECT_EQ(log, bracket(0)) << "the press is an edit that changes nothing";
	}
}

TEST_F(ButtonTest, OnlyALeftPressClicksOnOffOrKick)
{
	const std::pair<std::function<CControl*()>, const char*> makers[] = {
	    {[this] { return addOnOff(); }, "on/off"}, {[this] { return addKick(); }, "kick"}};
	for (const auto& [make, name] : makers)
	{
		for (uint32 buttons : {uint32(kRightButton), uint32(kMiddleButton)})
		{
			SCOPED_TRACE(std::string(name) + " with buttons " + std::to_string(buttons));
			reopenFrame();
			CControl* control = make();
			click(at(control, 10, 10));
			press(at(control, 10, 10), buttons);
			release(at(control, 10, 10), buttons);
			EXPECT_EQ(frame->getMouseDownView(), nullptr);
			EXPECT_EQ(count("main:begin"), 1u) << "only the left click";
		}
	}
}

TEST_F(ButtonTest, ReturnTogglesOnOffAndCheckBoxEachInAnEditOfItsOwn)
{
	struct Case
	{
		const char* name;
		uint8 virt;
		uint8 modifier;
		float start;
		float expected;
	};
	const Case cases[] = {
	    {"return turns on", kVKeyReturn, 0, 0.f, 1.f},
	    {"return turns off", kVKeyReturn, 0, 1.f, 0.f},
	    {"return from between", kVKeyReturn, 0, 0.5f, 1.f},
	    {"shift return", kVKeyReturn, kModifierShift, 0.f, 0.f},
	    {"enter", kVKeyEnter, 0, 0.f, 0.f},
	    {"space", kVKeySpace, 0, 0.f, 0.f},
	};
	const std::pair<std::function<CControl*()>, const char*> makers[] = {
	    {[this] { return addOnOff(); }, "on/off"}, {[this] { return addCheckBox(); }, "check box"}};
	for (const auto& [make, name] : makers)
	{
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(name) + ": " + c.name);
			reopenFrame();
			CControl* control = make();
			focus(control);
			drawnAt(control, c.start);
			const bool toggles = c.expected != c.start;
			EXPECT_EQ(keyDown(c.virt, c.modifier), toggles);
			EXPECT_EQ(control->getValue(), c.expected);
			EXPECT_EQ(log, toggles ? bracket(1) : ControlLog());
		}
	}
}

TEST_F(ButtonTest, SizeToFitTakesTheBitmapsWidthAndOneFrame)
{
	const CRect size {30, 40, 50, 60};
	expectSizesToFit({
	    {"on/off: two frames", [&] { return new COnOffButton(size, nullptr, 0, FilmStrip::make(2, 36, 14)); }, true,
	     {30, 40, 66, 54}},
	    {"on/off without a bitmap", [&] { return new COnOffButton(size); }, false, size},
	    {"kick", [&] { return new CKickButton(size, nullptr, 0, 16., FilmStrip::make(2, 36, 16)); }, true,
	     {30, 40, 66, 56}},
	    {"kick without a bitmap", [&] { return new CKickButton(size); }, false, size},
	});
}

// ---- Check box ----

TEST_F(ButtonTest, CheckBoxDraggedOffAndReleasedThereKeepsItsValue)
{
	struct Case
	{
		const char* name;
		std::vector<CPoint> path;
		float expected;
	};
	const Case cases[] = {
	    {"released outside", {{5, 5}, {5, 40}}, 0.f},
	    {"released on the right edge", {{5, 5}, {160, 5}}, 0.f},
	    {"out and back in", {{5, 5}, {5, 40}, {30, 10}}, 1.f},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CCheckBox* box = addCheckBox();
		press(at(box, c.path.front().x, c.path.front().y));
		for (const CPoint& where : c.path)
			move(at(box, where.x, where.y));
		release(at(box, c.path.back().x, c.path.back().y));
		EXPECT_EQ(box->getValue(), c.expected);
		EXPECT_EQ(log, bracket(c.expected != 0.f ? 1 : 0));
	}
}

TEST_F(ButtonTest, CheckBoxTakesOnlyAPlainLeftClick)
{
	const std::pair<uint32, const char*> presses[] = {
	    {kRightButton, "right button"},
	    {kLeftButton | kShiftModifier, "shift click"},
	    {kLeftButton | kDoubleClick, "second click of a double click"},
	};
	for (const auto& [buttons, name] : presses)
	{
		SCOPED_TRACE(name);
		reopenFrame();
		CCheckBox* box = addCheckBox();
		EXPECT_EQ(press(at(box, 5, 5), buttons), kMouseDownHandledNoMoveOrUp);
		release(at(box, 5, 5), buttons);
		EXPECT_EQ(box->getValue(), 0.f);
		EXPECT_THAT(log, IsEmpty());
	}
}

TEST_F(ButtonTest, CancelledCheckBoxClickChangesNothing)
{
	CCheckBox* box = addCheckBox();
	press(at(box, 5, 5));
	interruptWithADialog();
	release(at(box, 5, 5));
	EXPECT_EQ(box->getValue(), 0.f);
	EXPECT_EQ(log, bracket(0));
}

TEST_F(ButtonTest, CheckBoxBoxFollowsTheTitlesCapitalsOrTheBitmap)
{
	CCheckBox* box = addCheckBox();
	IPlatformFont* font = kSystemFont->getPlatformFont();
	ASSERT_TRUE(font);
	ASSERT_GT(font->getCapHeight(), 0.);
	const double side = std::floor(font->getCapHeight() + 2.5);
	const double top = kCheckBoxRect.top + std::ceil((kCheckBoxRect.getHeight() - side) / 2.);
	EXPECT_EQ(box->getCheckBoxRect(), CRect(41, top, 41 + side, top + side));

	box->setBackground(FilmStrip::make(6, 14, 14));
	EXPECT_EQ(box->getCheckBoxRect(), CRect(40, 60, 54, 74));
}

TEST_F(ButtonTest, CheckBoxSizeToFitTakesTheBoxAndTheTitle)
{
	const double bypass = titleWidth("Bypass");
	ASSERT_GT(bypass, 0.);
	struct Case
	{
		const char* name;
		std::function<CCheckBox*()> make;
		bool fits;
		CRect expected;
	};
	const CRect size {30, 40, 50, 60};
	const Case cases[] = {
	    {"no title", [&] { return new CCheckBox(size); }, false, size},
	    {"a title", [&] { return new CCheckBox(size, nullptr, 0, "Bypass"); }, true,
	     {30, 40, 30 + 20 + 5 + bypass, 60}},
	    {"a title and a bitmap", [&] { return new CCheckBox(size, nullptr, 0, "Bypass", FilmStrip::make(6, 12, 12)); },
	     true, {30, 40, 30 + 12 + 5 + bypass, 52}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto box = owned(c.make());
		EXPECT_EQ(box->sizeToFit(), c.fits);
		EXPECT_EQ(box->getViewSize(), c.expected);
	}
}

TEST_F(ButtonTest, AutoSizedCheckBoxFollowsItsTitleFontAndBitmap)
{
	const CRect size {30, 40, 50, 60};
	auto box = owned(new CCheckBox(size, nullptr, 0, "Bypass", nullptr, CCheckBox::kAutoSizeToFit));
	EXPECT_DOUBLE_EQ(box->getViewSize().getWidth(), 25. + titleWidth("Bypass"));
	box->setTitle("Phase invert");
	EXPECT_DOUBLE_EQ(box->getViewSize().getWidth(), 25. + titleWidth("Phase invert"));
	auto big = owned(new CFontDesc("Sans", 30));
	box->setFont(big);
	const double bigWidth = big->getFontPainter()->getStringWidth(nullptr, UTF8String("Phase invert").getPlatformString());
	EXPECT_DOUBLE_EQ(box->getViewSize().getWidth(), 25. + bigWidth);
	box->setBackground(FilmStrip::make(6, 12, 12));
	EXPECT_EQ(box->getViewSize(), CRect(30, 40, 47 + bigWidth, 52));

	auto plain = owned(new CCheckBox(size, nullptr, 0, "Bypass"));
	EXPECT_EQ(plain->getViewSize(), size);
	plain->setStyle(CCheckBox::kAutoSizeToFit | CCheckBox::kDrawCrossBox);
	EXPECT_DOUBLE_EQ(plain->getViewSize().getWidth(), 25. + titleWidth("Bypass"));
}

// A title or font changed on a check box that does not size itself still
// has to show.
TEST_F(ButtonTest, NewTitleOrFontRedrawsTheCheckBox)
{
	CCheckBox* box = addCheckBox();
	const std::pair<std::function<void()>, const char*> changes[] = {
	    {[&] { box->setTitle("Mute"); }, "title"},
	    {[&] { box->setFont(kNormalFontBig); }, "font"},
	};
	for (const auto& [change, name] : changes)
	{
		SCOPED_TRACE(name);
		paint();
		window->invalidRects.clear();
		change();
		EXPECT_FALSE(window->invalidRects.empty());
	}
	EXPECT_EQ(box->getViewSize(), kCheckBoxRect);
}

TEST_F(ButtonTest, CheckBoxFocusBandSurroundsTheBox)
{
	CCheckBox* box = addCheckBox();
	box->setBackground(FilmStrip::make(6, 14, 14));
	ElementPath path;
	EXPECT_TRUE(box->getFocusPath(path));
	ASSERT_EQ(path.getElements().size(), 2u);
	EXPECT_EQ(path.getElements()[0].rect, CRect(40, 60, 54, 74));
	EXPECT_EQ(path.getElements()[1].rect, CRect(38, 58, 56, 76));

	box->setWantsFocus(false);
	ElementPath none;
	EXPECT_TRUE(box->getFocusPath(none));
	EXPECT_THAT(none.getElements(), IsEmpty());
}

// ---- Kick button ----

TEST_F(ButtonTest, KickReportsMaxThenMinInOneEditWhenReleasedOnIt)
{
	struct Case
	{
		const char* name;
		float min;
		float max;
		std::vector<CPoint> path;
		std::vector<float> heard;
	};
	const Case cases[] = {
	    {"clicked", 0.f, 1.f, {{10, 10}}, {1.f, 0.f}},
	    {"released on the far corner", 0.f, 1.f, {{10, 10}, {60, 30}}, {1.f, 0.f}},
	    {"released outside", 0.f, 1.f, {{10, 10}, {10, 31}}, {0.f}},
	    {"out and back in", 0.f, 1.f, {{10, 10}, {61, 10}, {30, 20}}, {1.f, 0.f}},
	    {"a range below 0, clicked", -1.f, 0.f, {{10, 10}}, {0.f, -1.f}},
	    {"a range above 0, released outside", 2.f, 5.f, {{10, 10}, {-5, 10}}, {2.f}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CKickButton* kick = addKick();
		drawnAt(kick, c.min, c.min, c.max);
		auto& heard = recordValues();
		press(at(kick, c.path.front().x, c.path.front().y));
		for (const CPoint& where : c.path)
		{
			move(at(kick, where.x, where.y));
			paint();
		}
		EXPECT_THAT(heard, IsEmpty()) << "pressing and moving tells nobody";
		release(at(kick, c.path.back().x, c.path.back().y));
		listener.onChanged = nullptr;
		EXPECT_EQ(heard, c.heard);
		EXPECT_EQ(log, bracket(c.heard.size()));
		EXPECT_EQ(kick->getValue(), c.min);
	}
}

TEST_F(ButtonTest, CancelledKickIsLetGo)
{
	CKickButton* kick = addKick();
	auto& heard = recordValues();
	press(at(kick, 10, 10));
	paint();
	interruptWithADialog();
	listener.onChanged = nullptr;
	EXPECT_EQ(kick->getValue(), 0.f);
	EXPECT_EQ(heard, std::vector<float>({0.f}));
	EXPECT_EQ(log, bracket(1));
}

TEST_F(ButtonTest, ReturnHoldsTheKickButtonDownUntilItIsLetGo)
{
	CKickButton* kick = addKick();
	focus(kick);
	auto& heard = recordValues();
	EXPECT_FALSE(keyDown(kVKeyReturn, kModifierShift));
	EXPECT_FALSE(keyUp(kVKeyReturn, kModifierShift));
	EXPECT_FALSE(keyDown(kVKeySpace));
	EXPECT_THAT(log, IsEmpty());
	EXPECT_TRUE(keyUp(kVKeyReturn)) << "a let-go that was never pressed";
	EXPECT_THAT(log, IsEmpty());

	EXPECT_TRUE(keyDown(kVKeyReturn));
	EXPECT_EQ(kick->getValue(), 1.f);
	// The key repeats while it is held.
	EXPECT_TRUE(keyDown(kVKeyReturn));
	EXPECT_TRUE(keyDown(kVKeyReturn));
	EXPECT_EQ(heard, std::vector<float>({1.f}));
	EXPECT_TRUE(keyUp(kVKeyReturn));
	listener.onChanged = nullptr;
	EXPECT_EQ(kick->getValue(), 0.f);
	EXPECT_EQ(heard, std::vector<float>({1.f, 0.f}));
	EXPECT_EQ(log, bracket(2));
}

// Return let go while another view has the focus never reaches the kick.
TEST_F(ButtonTest, KickHeldByReturnIsLetGoWhenTheFocusMoves)
{
	CKickButton* kick = addKick();
	CCheckBox* box = addCheckBox();
	log.clear();
	focus(kick);
	keyDown(kVKeyReturn);
	focus(box);
	EXPECT_EQ(kick->getValue(), 0.f);
	EXPECT_EQ(log, bracket(2));
	keyUp(kVKeyReturn);
	EXPECT_EQ(log, bracket(2));
	EXPECT_EQ(box->getValue(), 0.f);
}

TEST_F(ButtonTest, CopiesStartOutsideAnyGesture)
{
	CKickButton* kick = addKick();
	press(at(kick, 10, 10));
	auto kickCopy = owned(static_cast<CKickButton*>(kick->cloneView()));
	EXPECT_EQ(kickCopy->getValue(), 0.f);
	EXPECT_FALSE(kickCopy->isEditing());
	release(at(kick, 10, 10));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));

	CCheckBox* box = addCheckBox(CCheckBox::kDrawCrossBox);
	box->setCheckMarkColor(kBlueCColor);
	box->setRoundRectRadius(3.);
	box->setFrameWidth(-1.);
	press(at(box, 5, 5));
	auto boxCopy = owned(static_cast<CCheckBox*>(box->cloneView()));
	EXPECT_FALSE(boxCopy->isEditing());
	EXPECT_EQ(boxCopy->getTitle(), "Bypass");
	EXPECT_EQ(boxCopy->getStyle(), CCheckBox::kDrawCrossBox);
	EXPECT_EQ(boxCopy->getCheckMarkColor(), kBlueCColor);
	EXPECT_EQ(boxCopy->getRoundRectRadius(), 3.);
	EXPECT_EQ(boxCopy->getFrameWidth(), -1.);
	CPoint where(45, 65);
	EXPECT_EQ(boxCopy->onMouseMoved(where, CButtonState(kLeftButton)), kMouseNotHandled);
	release(at(box, 5, 5));
	EXPECT_EQ(editorLog(), ControlLog({"editor:begin 7", "editor:end 7"}));
}

// ---- Leaving the tree ----

TEST_F(ButtonTest, LeavingTheTreeMidGestureClosesItsEdit)
{
	auto click = [this](CControl* control) { press(at(control, 5, 5)); };
	auto letGo = [this](CPoint origin) { release(origin + CPoint(5, 5)); };
	const Gesture gestures[] = {
	    {"on/off click", [this] { return addOnOff(); }, click, letGo},
	    {"check box click", [this] { return addCheckBox(); }, click, letGo},
	    {"kick click", [this] { return addKick(); }, click, letGo},
	    {"kick held by Return", [this] { return addKick(); },
	     [this](CControl* control) {
		     focus(control);
		     keyDown(kVKeyReturn);
	     },
	     [this](CPoint) { keyUp(kVKeyReturn); }},
	};
	for (const auto& gesture : gestures)
		expectRemovalMidGestureClosesIt(gesture);
}

} // namespace
} // namespace Kavrin::Test
