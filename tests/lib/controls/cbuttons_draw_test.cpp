#include "tests/support/controlframe.h"

#include "lib/cfont.h"
#include "lib/controls/cbuttons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace Kavrin::Test {
namespace {

constexpr CRect kCheckBoxRect {20, 20, 260, 70};
constexpr CRect kButtonRect {40, 20, 100, 50};

bool isMark(const CColor& c)
{
	return c.red > 150 && c.green < 110 && c.blue < 110;
}

bool isBright(const CColor& c)
{
	return c.red > 120 && c.green > 120 && c.blue > 120;
}

class ButtonDrawTest : public ControlFrameTest
{
protected:
	// A check box with a large title, so that its box is large too.
	CCheckBox* addCheckBox(int32 style, const char* title = "Bypass")
	{
		auto box = add(new CCheckBox(kCheckBoxRect, nullptr, 0, title, nullptr, style));
		box->setFont(font);
		paint();
		return box;
	}
	// How many pixels of a rect (frame coordinates) match.
	int countPixels(const CRect& r, const std::function<bool(const CColor&)>& match) const
	{
		int n = 0;
		for (int y = int(r.top); y < int(r.bottom); ++y)
		{
			for (int x = int(r.left); x < int(r.right); ++x)
				n += match(pixel(CPoint(x, y))) ? 1 : 0;
		}
		return n;
	}
	// A rect within the box, in fractions of its size, in frame coordinates.
	static CRect partOf(const CRect& box, double left, double top, double right, double bottom)
	{
		const CPoint origin = kPageRect.getTopLeft() + box.getTopLeft();
		return CRect(origin.x + box.getWidth() * left, origin.y + box.getHeight() * top,
		             origin.x + box.getWidth() * right, origin.y + box.getHeight() * bottom);
	}

	SharedPointer<CFontDesc> font {owned(new CFontDesc("Sans", 30))};
};

TEST_F(ButtonDrawTest, CheckBoxShowsItsMarkOnlyWhenOnAndADashWhenMixed)
{
	struct Case
	{
		const char* name;
		int32 style;
		float value;
		bool mark;
		bool inTheMiddle;
		bool inTheCorner;
	};
	const Case cases[] = {
	    {"off", 0, 0.f, false, false, false},
	    {"mixed", 0, 0.5f, true, true, false},
	    {"on", 0, 1.f, true, false, false},
	    {"nearly on", 0, 0.9f, true, false, false},
	    {"nearly mixed", 0, 0.49f, false, false, false},
	    {"crossed off", CCheckBox::kDrawCrossBox, 0.f, false, false, false},
	    {"crossed mixed", CCheckBox::kDrawCrossBox, 0.5f, true, true, false},
	    {"crossed on", CCheckBox::kDrawCrossBox, 1.f, true, true, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		CCheckBox* box = addCheckBox(c.style);
		box->setValue(c.value);
		paint();
		const CRect inside = box->getCheckBoxRect();
		ASSERT_GT(inside.getWidth(), 16.);
		EXPECT_EQ(countPixels(partOf(inside, -0.1, -0.1, 1.1, 1.1), isMark) > 0, c.mark);
		EXPECT_EQ(countPixels(partOf(inside, 0.4, 0.4, 0.6, 0.6), isMark) > 0, c.inTheMiddle);
		EXPECT_EQ(countPixels(partOf(inside, 0.1, 0.1, 0.25, 0.25), isMark) > 0, c.inTheCorner);
		if (c.value == 1.f && !(c.style & CCheckBox::kDrawCrossBox))
		{
			EXPECT_GT(countPixels(partOf(inside, 0.4, 0.75, 0.6, 0.95), isMark), 0) << "the tick's point";
		}
		EXPECT_GT(countPixels(partOf(inside, 0.05, 0.8, 0.2, 0.95), isBright), 0) << "the white box";
	}
}

TEST_F(ButtonDrawTest, CheckBoxTitleStandsRightOfTheBox)
{
	for (const char* title : {"Bypass", ""})
	{
		SCOPED_TRACE(std::string("title \"") + title + "\"");
		reopenFrame();
		CCheckBox* box = addCheckBox(0, title);
		const CRect inside = box->getCheckBoxRect();
		const CPoint origin = kPageRect.getTopLeft();
		const CRect right(origin.x + inside.right + 3, origin.y + kCheckBoxRect.top, origin.x + kCheckBoxRect.right,
		                  origin.y + kCheckBoxRect.bottom);
		EXPECT_EQ(countPixels(right, isBright) > 0, *title != 0);
	}
}

TEST_F(ButtonDrawTest, BitmapCheckBoxShowsTheFrameOfItsStateAndPress)
{
	struct Case
	{
		const char* name;
		float value;
		bool pressed;
		int frame;
	};
	const Case cases[] = {
	    {"off", 0.f, false, 0}, {"mixed", 0.5f, false, 1}, {"on", 1.f, false, 2}, {"nearly on", 0.7f, false, 2},
	    {"off, pressed", 0.f, true, 3}, {"mixed, pressed", 0.5f, true, 4}, {"on, pressed", 1.f, true, 5},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto box = add(new CCheckBox(kCheckBoxRect, nullptr, 0, "", FilmStrip::make(6, 16, 16)));
		box->setValue(c.value);
		if (c.pressed)
			press(at(box, 100, 10));
		paint();
		EXPECT_EQ(pixel(at(box, 8, 8)), FilmStrip::frameColor(c.frame));
		EXPECT_EQ(pixel(at(box, 20, 8)), kBlackCColor) << "the bitmap fills only the box";
		if (c.pressed)
			release(at(box, 400, 10));
	}
}

TEST_F(ButtonDrawTest, OnOffAndKickShowTheFrameOfTheirState)
{
	auto onOff = add(new COnOffButton(kButtonRect, nullptr, 0, FilmStrip::make(2, 60, 30)));
	auto kick = add(new CKickButton(CRect(120, 20, 180, 50), nullptr, 0, FilmStrip::make(2, 60, 30)));
	auto middleOf = [this](CView* view) { return pixel(at(view, 30, 15)); };
	EXPECT_EQ(middleOf(onOff), FilmStrip::frameColor(0));
	EXPECT_EQ(middleOf(kick), FilmStrip::frameColor(0));

	click(at(onOff, 10, 10));
	paint();
	EXPECT_EQ(middleOf(onOff), FilmStrip::frameColor(1));
	onOff->setValue(0.5f);
	paint();
	EXPECT_EQ(middleOf(onOff), FilmStrip::frameColor(0)) << "only the maximum is on";

	press(at(kick, 10, 10));
	paint();
	EXPECT_EQ(middleOf(kick), FilmStrip::frameColor(1));
	move(at(kick, 10, 40));
	paint();
	EXPECT_EQ(middleOf(kick), FilmStrip::frameColor(0));
	release(at(kick, 10, 40));
}

} // namespace
} // namespace Kavrin::Test
