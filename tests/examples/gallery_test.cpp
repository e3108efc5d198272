// The gallery as a user meets it: every page opens, paints at 1x and 2x,
// and takes a press on each of its buttons, with whatever those start
// (animations, clipboard, exchanges of views) run to their end. An idle
// gallery keeps no timer.

#include "examples/demo/gallery.h"
#include "examples/demo/labels.h"
#include "lib/platform/headless/headlessplatform.h"

#include <gtest/gtest.h>

#include <vector>

namespace Kavrin::Test {
namespace {

// The buttons a user can see: those in visible containers only.
void collectVisibleButtons(CViewContainer& container, std::vector<SharedPointer<Demo::ActionButton>>& buttons)
{
	for (uint32 i = 0; i < container.getNbViews(); ++i)
	{
		CView* child = container.getView(i);
		if (!child || !child->isVisible())
			continue;
		if (auto button = dynamic_cast<Demo::ActionButton*>(child))
			buttons.emplace_back(button);
		else if (auto inner = child->toViewContainer())
			collectVisibleButtons(*inner, buttons);
	}
}

class GalleryTest : public ::testing::TestWithParam<std::string>
{
protected:
	void SetUp() override { setPlatform(platform); }
	void TearDown() override { setPlatform(nullptr); }

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
};

TEST_P(GalleryTest, PageOpensPaintsAndTakesEveryButton)
{
	Demo::DemoEditor editor;
	// The frame's own reference goes with close().
	CFrame* frame = Demo::buildGallery(editor, GetParam());
	int parent = 0;
	if (!frame->open(&parent, kHeadless))
	{
		frame->forget();
		FAIL() << "the frame could not be opened";
	}
	auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	for (double scale : {1., 2.})
	{
		window->setScaleFactor(scale);
		window->drawRect(frame->getViewSize());
	}

	std::vector<SharedPointer<Demo::ActionButton>> buttons;
	collectVisibleButtons(*frame, buttons);
	if (GetParam() == "animation" || GetParam() == "dragdrop")
	{
		EXPECT_FALSE(buttons.empty()) << "the page's buttons are found";
	}
	// Twice round: the second press undoes or repeats what the first did.
	for (int round = 0; round < 2; ++round)
	{
		for (const auto& button : buttons)
		{
			if (!button->isAttached())
				continue;
			CPoint where = button->getViewSize().getCenter();
			button->localToFrame(where);
			CPoint down = where, up = where;
			frame->platformOnMouseDown(down, CButtonState(kLeftButton));
			frame->platformOnMouseUp(up, CButtonState(kLeftButton));
			// Halfway through whatever it started, the page still paints.
			platform->advance(120);
			window->drawRect(frame->getViewSize());
			platform->advance(3000);
			window->drawRect(frame->getViewSize());
		}
	}
	EXPECT_EQ(platform->getRunningTimerCount(), 0u) << "an idle gallery keeps no timer";
	frame->close();
}

INSTANTIATE_TEST_SUITE_P(Pages, GalleryTest, ::testing::ValuesIn(Demo::galleryPageNames()),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace Kavrin::Test
