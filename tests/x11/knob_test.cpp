// A knob in a real X11 window turned by a real drag through XTEST: its
// value follows the frame's knob mode, the window shows the new value, and
// one edit bracket reaches the editor.

#include "lib/controls/cknob.h"
#include "lib/kavrineditorinterface.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr int32 kTag = 7;
constexpr float kStartValue = 0.2f;
constexpr uint32 kBackgroundPixel = 0x1E1E3C;
constexpr uint32 kCoronaPixel = 0x00FF00;
constexpr xcb_keysym_t kAltKeysym = 0xFFE9; // Alt_L
// The knob's centre, in frame (and window) pixels.
constexpr double kCentreX = 150.;
constexpr double kCentreY = 100.;

// Answers the knob mode it is given and records the edit brackets that
// reach it.
class KnobEditor : public KavrinEditorInterface
{
public:
	int32 getKnobMode() const override { return mode; }
	void beginEdit(int32 tag) override { log.push_back("begin " + std::to_string(tag)); }
	void endEdit(int32 tag) override { log.push_back("end " + std::to_string(tag)); }

	int32 mode {-1};
	std::vector<std::string> log;
};

struct Pixel
{
	int16 x;
	int16 y;
};

// The whole pixel at an angle (degrees clockwise from the right, as on
// screen) and a distance from the knob's centre.
Pixel around(double degrees, double radius)
{
	const double angle = degrees * M_PI / 180.;
	return {int16(std::floor(kCentreX + radius * std::cos(angle))),
	        int16(std::floor(kCentreY + radius * std::sin(angle)))};
}

// The normalized value the default angles give the pointer at a pixel: 0
// at 135 degrees, 1 at 405 (45) degrees.
float circularValue(Pixel point)
{
	double degrees = std::atan2(point.y - kCentreY, point.x - kCentreX) * 180. / M_PI;
	if (degrees < 90.)
		degrees += 360.;
	return float((degrees - 135.) / 270.);
}

struct DragCase
{
	const char* name;
	int32 editorMode;
	bool altHeld;
	bool linear;
};

void PrintTo(const DragCase& drag, std::ostream* out)
{
	*out << drag.name;
}

class X11KnobDragTest : public X11WindowTest, public ::testing::WithParamInterface<DragCase>
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (HasFatalFailure())
			return;
		// The fixture's frame has no editor; this one asks ours for the mode.
		frame->forget();
		frame = new CFrame(CRect(0, 0, 300, 200), &editor);
		frame->setBackgroundColor(CColor(0x1E, 0x1E, 0x3C));
		knob = new CKnob(CRect(100, 50, 200, 150), nullptr, kTag, nullptr, nullptr, CPoint(),
		                 CKnob::kCoronaDrawing);
		knob->setCoronaColor(CColor(0, 255, 0));
		knob->setHandleLineWidth(8.);
		// The corona's stroke runs 38 to 46 pixels from the centre.
		knob->setCoronaInset(8.);
		knob->setValue(kStartValue);
		frame->addView(knob);
	}

	xcb_window_t window() const
	{
		return xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
	}

	KnobEditor editor;
	CKnob* knob {nullptr};
};

// A quarter-turn and a half round the knob from its minimum, in five steps
// a little inside its edge; it rises by 64 pixels on the way.
TEST_P(X11KnobDragTest, DragTurnsTheKnobAsTheModeSaysAndTheWindowShowsIt)
{
	const DragCase& drag = GetParam();
	editor.mode = drag.editorMode;
	open();
	// Between the start value (189 degrees) and either end of the drag.
	const Pixel sample = around(240., 42.);
	ASSERT_TRUE(pumpUntil([&] { return windowPixel(window(), sample.x, sample.y) == kBackgroundPixel; }));

	const std::vector<Pixel> path {around(135., 45.), around(180., 45.), around(225., 45.), around(270., 45.),
	                               around(315., 45.)};
	uint8 alt = 0;
	if (drag.altHeld)
	{
		alt = keycodeOf(kAltKeysym);
		ASSERT_NE(alt, 0) << "the server's keymap has no Alt key";
		fake(XCB_KEY_PRESS, alt);
	}
	fake(XCB_MOTION_NOTIFY, 0, path[0].x, path[0].y);
	fake(XCB_BUTTON_PRESS, 1);
	pump(30);
	for (size_t i = 1; i < path.size(); ++i)
	{
		fake(XCB_MOTION_NOTIFY, 0, path[i].x, path[i].y);
		pump(30);
	}
	fake(XCB_BUTTON_RELEASE, 1);
	if (alt)
		fake(XCB_KEY_RELEASE, alt);
	ASSERT_TRUE(pumpUntil([&] { return editor.log.size() >= 2; }));

	const float expected = drag.linear ? kStartValue + float(path.front().y - path.back().y) / 200.f
	                                   : circularValue(path.back());
	EXPECT_NEAR(knob->getValue(), expected, 0.002f);
	EXPECT_EQ(editor.log, (std::vector<std::string> {"begin 7", "end 7"}));
	EXPECT_TRUE(pumpUntil([&] { return windowPixel(window(), sample.x, sample.y) == kCoronaPixel; }))
	    << "the corona reaches past 240 degrees on the screen";
}

INSTANTIATE_TEST_SUITE_P(Modes, X11KnobDragTest,
                         ::testing::Values(DragCase {"DefaultModeIsCircular", -1, false, false},
                                           DragCase {"LinearModeFollowsTheHeight", 2, false, true},
                                           DragCase {"AltMakesCircularModeLinear", 0, true, true},
                                           DragCase {"AltMakesLinearModeCircular", 2, true, false}),
                         [](const ::testing::TestParamInfo<DragCase>& info) { return info.param.name; });

} // namespace
} // namespace Kavrin::Test
