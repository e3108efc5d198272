// Sliders in a real X11 window moved by real input through XTEST: a drag
// in each kind of mode, and a press held while the value ramps. The value
// lands where the pointer says, the window shows the value bar reaching
// it, and one edit bracket reaches the editor.

#include "lib/controls/cslider.h"
#include "tests/support/controlrecording.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <cmath>
#include <ostream>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr int32 kTag = 7;
constexpr float kStartValue = 0.2f;
constexpr uint32 kBackPixel = 0x202040;
constexpr uint32 kValuePixel = 0x00FF00;

struct Pixel
{
	int16 x;
	int16 y;
};

struct DragCase
{
	const char* name;
	bool horizontal;
	CSliderMode mode;
	// The press, then the moves; the release is where the last one is.
	std::vector<Pixel> path;
	float expected;
	// Behind the value bar after the drag, not before.
	Pixel sample;
};

void PrintTo(const DragCase& drag, std::ostream* out)
{
	*out << drag.name;
}

// A horizontal slider across the middle of the window, from x = 50 to 250,
// or a vertical one down its middle with its minimum at the bottom; no
// handle bitmap, so the handle is one pixel and the travel 199 pixels. Both
// draw a value bar over their back.
class X11SliderTest : public X11WindowTest
{
protected:
	void makeSlider(bool horizontal, CSliderMode mode)
	{
		// The fixture's frame has no editor; this one records the brackets.
		frame->forget();
		frame = new CFrame(CRect(0, 0, 300, 200), &editor);
		frame->setBackgroundColor(kBlackCColor);
		if (horizontal)
			slider = new CHorizontalSlider(CRect(50, 90, 250, 110), nullptr, kTag, CPoint(), 199);
		else
			slider = new CVerticalSlider(CRect(140, 0, 160, 200), nullptr, kTag, CPoint(), 199);
		slider->setDrawStyle(CSlider::kDrawBack | CSlider::kDrawValue);
		slider->setBackColor(CColor(0x20, 0x20, 0x40));
		slider->setValueColor(CColor(0, 255, 0));
		slider->setSliderMode(mode);
		slider->setValue(kStartValue);
		frame->addView(slider);
	}

	xcb_window_t window() const
	{
		return xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}
	bool shows(Pixel where, uint32 pixel)
	{
		return pumpUntil([&] { return windowPixel(window(), where.x, where.y) == pixel; });
	}

	ControlLog log;
	LoggingEditor editor {log};
	CSlider* slider {nullptr};
};

class X11SliderDragTest : public X11SliderTest, public ::testing::WithParamInterface<DragCase>
{
};

TEST_P(X11SliderDragTest, DragMovesTheValueAndTheWindowShowsIt)
{
	const DragCase& drag = GetParam();
	makeSlider(drag.horizontal, drag.mode);
	open();
	ASSERT_TRUE(shows(drag.sample, kBackPixel));

	fake(XCB_MOTION_NOTIFY, 0, drag.path[0].x, drag.path[0].y);
	fake(XCB_BUTTON_PRESS, 1);
	pump(30);
	for (size_t i = 1; i < drag.path.size(); ++i)
	{
		fake(XCB_MOTION_NOTIFY, 0, drag.path[i].x, drag.path[i].y);
		pump(30);
	}
	fake(XCB_BUTTON_RELEASE, 1);
	ASSERT_TRUE(pumpUntil([&] { return log.size() >= 2; }));

	EXPECT_NEAR(slider->getValueNormalized(), drag.expected, 1e-4f);
	EXPECT_EQ(log, ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_TRUE(shows(drag.sample, kValuePixel)) << "the value bar reaches past the sample";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, X11SliderDragTest,
    ::testing::Values(
        // The handle's centre (half a pixel, less one) follows the pointer:
        // at x = 200 the value is (200 - 49.5) / 199.
        DragCase {"FreeClickFollowsThePointer", true, CSliderMode::kFreeClickMode,
                  {{80, 100}, {120, 100}, {160, 104}, {200, 100}}, 150.5f / 199.f, {190, 100}},
        // The handle starts 159 pixels down (0.2 from the bottom) and rises
        // with the pointer by 100.
        DragCase {"RelativeTouchOnAVerticalSliderMovesAsFarAsThePointer", false, CSliderMode::kRelativeTouchMode,
                  {{150, 180}, {150, 150}, {146, 110}, {150, 80}}, 1.f - 59.f / 199.f, {150, 100}}),
    [](const ::testing::TestParamInfo<DragCase>& info) { return info.param.name; });

TEST_F(X11SliderTest, HeldPressRampsTheValueToThePointer)
{
	makeSlider(true, CSliderMode::kRampMode);
	// Steps of 0.05 a tick.
	slider->setWheelInc(0.5f);
	open();
	const Pixel sample {190, 100};
	ASSERT_TRUE(shows(sample, kBackPixel));
	const float target = (200.f - 49.5f) / 199.f;

	fake(XCB_MOTION_NOTIFY, 0, 200, 100);
	fake(XCB_BUTTON_PRESS, 1);
	EXPECT_TRUE(pumpUntil([&] { return slider->getValueNormalized() > kStartValue; })) << "the ramp starts";
	EXPECT_TRUE(pumpUntil([&] { return std::fabs(slider->getValueNormalized() - target) < 1e-6f; }))
	    << "and stops on the pointer";
	EXPECT_TRUE(shows(sample, kValuePixel));
	fake(XCB_BUTTON_RELEASE, 1);
	ASSERT_TRUE(pumpUntil([&] { return log.size() >= 2; }));
	EXPECT_EQ(log, ControlLog({"editor:begin 7", "editor:end 7"}));
	EXPECT_NEAR(slider->getValueNormalized(), target, 1e-6f);
}

} // namespace
} // namespace Kavrin::Test
