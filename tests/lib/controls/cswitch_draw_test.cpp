#include "tests/support/controlframe.h"

#include "lib/controls/cswitch.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace Kavrin::Test {
namespace {

constexpr float kThird = 1.f / 3.f;
constexpr CRect kSwitchRect {40, 20, 80, 120};

class SwitchDrawTest : public ControlFrameTest
{
protected:
	// The colour in the middle of the control.
	CColor middleOf(const CView* view) const
	{
		return pixel(at(view, view->getViewSize().getWidth() / 2., view->getViewSize().getHeight() / 2.));
	}
};

TEST_F(SwitchDrawTest, SwitchShowsTheFrameOfItsPosition)
{
	struct Case
	{
		const char* name;
		float value;
		int frame;
		bool legacy = false;
		bool inverse = false;
	};
	const Case cases[] = {
	    {"minimum", 0.f, 0},
	    {"second position", kThird, 1},
	    {"third position", 2.f * kThird, 2},
	    {"maximum", 1.f, 3},
	    {"between, cut into equal parts", 0.8f, 3},
	    {"between, rounded", 0.8f, 2, true},
	    {"maximum, rounded", 1.f, 3, true},
	    {"just below the second, rounded", 0.3f, 1, true},
	    {"just below the second, cut into equal parts", 0.3f, 1},
	    {"just below a quarter, cut into equal parts", 0.24f, 0},
	    {"inverse at the minimum", 0.f, 3, false, true},
	    {"inverse at the maximum", 1.f, 0, false, true},
	};
	const bool savedRule = CSwitchBase::useLegacyIndexCalculation;
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CSwitchBase::useLegacyIndexCalculation = c.legacy;
		reopenFrame();
		auto control = add(new CVerticalSwitch(kSwitchRect, nullptr, 0, FilmStrip::make(4, 40, 100)));
		control->setInverseBitmap(c.inverse);
		control->setValue(c.value);
		paint();
		EXPECT_EQ(middleOf(control), FilmStrip::frameColor(c.frame));
		EXPECT_EQ(pixel(at(control, 0, 0)), FilmStrip::frameColor(c.frame));
		EXPECT_EQ(pixel(at(control, 39, 99)), FilmStrip::frameColor(c.frame));
		EXPECT_FALSE(control->isDirty());
	}
	CSwitchBase::useLegacyIndexCalculation = savedRule;
}

TEST_F(SwitchDrawTest, HorizontalSwitchShowsTheFrameOfItsPosition)
{
	auto control = add(new CHorizontalSwitch(CRect(40, 20, 160, 50), nullptr, 0, FilmStrip::make(3, 120, 30)));
	for (int frame = 0; frame < 3; ++frame)
	{
		control->setValue(frame / 2.f);
		paint();
		EXPECT_EQ(middleOf(control), FilmStrip::frameColor(frame));
	}
}

// A strip with no frames to pick from, or a value that names none, shows
// the top of the strip rather than whatever lies above or beyond it.
TEST_F(SwitchDrawTest, SwitchWithoutAFrameToPickShowsItsFirst)
{
	struct Case
	{
		const char* name;
		std::function<CSwitchBase*()> make;
		float value;
	};
	const Case cases[] = {
	    {"no frames named", [] { return new CVerticalSwitch(kSwitchRect, nullptr, 0, 0, 100., 0, FilmStrip::make(4, 40, 100)); },
	     1.f},
	    {"no frames named, at the minimum",
	     [] { return new CVerticalSwitch(kSwitchRect, nullptr, 0, 0, 100., 0, FilmStrip::make(4, 40, 100)); }, 0.f},
	    {"a strip shorter than a frame", [] { return new CVerticalSwitch(kSwitchRect, nullptr, 0, FilmStrip::make(1, 40, 60)); },
	     1.f},
	    {"frames of no height", [] { return new CVerticalSwitch(kSwitchRect, nullptr, 0, 4, 0., 4, FilmStrip::make(4, 40, 100)); },
	     1.f},
	    {"a value that is no number",
	     [] { return new CVerticalSwitch(kSwitchRect, nullptr, 0, FilmStrip::make(4, 40, 100)); },
	     std::numeric_limits<float>::quiet_NaN()},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto control = add(c.make());
		control->setValue(c.value);
		paint();
		EXPECT_EQ(pixel(at(control, 20, 5)), FilmStrip::frameColor(0));
	}
}

TEST_F(SwitchDrawTest, RockerShowsItsEndOrItsRest)
{
	struct Case
	{
		const char* name;
		float value;
		int frame;
	};
	const Case cases[] = {
	    {"minimum", -1.f, 0},
	    {"at rest", 0.f, 1},
	    {"maximum", 1.f, 2},
	    {"between rest and an end", 0.4f, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto rocker = add(new CRockerSwitch(CRect(40, 20, 100, 50), nullptr, 0, FilmStrip::make(3, 60, 30)));
		rocker->setValue(c.value);
		paint();
		EXPECT_EQ(middleOf(rocker), FilmStrip::frameColor(c.frame));
	}
}

TEST_F(SwitchDrawTest, RockerHeldDownShowsTheEndItIsPushedTo)
{
	auto rocker = add(new CRockerSwitch(CRect(40, 20, 100, 50), nullptr, 0, FilmStrip::make(3, 60, 30)));
	press(at(rocker, 50, 10));
	paint();
	EXPECT_EQ(middleOf(rocker), FilmStrip::frameColor(2));
	release(at(rocker, 50, 10));
	paint();
	EXPECT_EQ(middleOf(rocker), FilmStrip::frameColor(1));
}

} // namespace
} // namespace Kavrin::Test
