// A check box in a real X11 window clicked through XTEST: it turns on in
// one edit bracket that reaches the editor, and the window shows its mark;
// a second click turns it off and the mark goes.

#include "lib/cfont.h"
#include "lib/controls/cbuttons.h"
#include "tests/support/controlrecording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

namespace Kavrin::Test {
namespace {

constexpr int32 kTag = 9;
constexpr uint32 kBoxFillPixel = 0xFFFFFF;

bool isMark(uint32 pixel)
{
	const uint32 red = (pixel >> 16) & 0xFF;
	const uint32 green = (pixel >> 8) & 0xFF;
	const uint32 blue = pixel & 0xFF;
	return green > 180 && red < 100 && blue < 100;
}

class X11CheckBoxTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (HasFatalFailure())
			return;
		// The fixture's frame has no editor; this one records the brackets.
		frame->forget();
		frame = new CFrame(CRect(0, 0, 300, 200), &editor);
		frame->setBackgroundColor(CColor(0x1E, 0x1E, 0x3C));
		box = new CCheckBox(CRect(50, 50, 250, 100), nullptr, kTag, "Bypass", nullptr, CCheckBox::kDrawCrossBox);
		box->setFont(font);
		box->setCheckMarkColor(CColor(0, 255, 0));
		frame->addView(box);
	}

	xcb_window_t window() const
	{
		return xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}
	uint32 boxCentrePixel()
	{
		const CPoint centre = box->getCheckBoxRect().getCenter();
		return windowPixel(window(), int16(centre.x), int16(centre.y));
	}

	ControlLog log;
	LoggingEditor editor {log};
	SharedPointer<CFontDesc> font {owned(new CFontDesc("Sans", 30))};
	CCheckBox* box {nullptr};
};

TEST_F(X11CheckBoxTest, ClickTurnsTheBoxOnInOneEditAndTheWindowShowsTheMark)
{
	open();
	ASSERT_TRUE(pumpUntil([&] { return boxCentrePixel() == kBoxFillPixel; })) << "an empty white box";
	const CPoint centre = box->getCheckBoxRect().getCenter();

	click(int16(centre.x), int16(centre.y));
	ASSERT_TRUE(pumpUntil([&] { return log.size() >= 2; }));
	EXPECT_EQ(box->getValue(), 1.f);
	EXPECT_EQ(log, ControlLog({"editor:begin 9", "editor:end 9"}));
	EXPECT_TRUE(pumpUntil([&] { return isMark(boxCentrePixel()); })) << "the cross runs through the middle";

	// Well away from the first click, so that it makes no double click.
	pump(600);
	click(int16(centre.x + 60), int16(centre.y));
	ASSERT_TRUE(pumpUntil([&] { return log.size() >= 4; }));
	EXPECT_EQ(box->getValue(), 0.f);
	EXPECT_TRUE(pumpUntil([&] { return boxCentrePixel() == kBoxFillPixel; }));
}

} // namespace
} // namespace Kavrin::Test
