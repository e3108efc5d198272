// Builds a small view tree. With a display it opens the tree in a window
// until the window is closed; without one (or with --headless) it opens it
// on the headless platform, sends it a few presses as a window would,
// prints what each view received and paints the frame into a PNG (the path
// is the first other argument, or kavrin-demo.png).

#include "host/standalonewindow.h"
#include "lib/kavrin.h"

#include <cstdlib>
#include <cstring>

#include <cstdio>
#include <string>

using namespace Kavrin;

namespace {

class Pad : public CView
{
public:
	Pad(const CRect& size, std::string name, const CColor& color, bool transparent = false)
	: CView(size), name(std::move(name)), color(color)
	{
		setTransparency(transparent);
	}

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		context->setFrameColor(kWhiteCColor);
		context->drawEllipse(getViewSize(), getTransparency() ? kDrawStroked : kDrawFilledAndStroked);
		context->setFont(kNormalFont);
		context->setFontColor(getTransparency() ? kWhiteCColor : kBlackCColor);
		context->drawString(name.c_str(), getViewSize(), kCenterText);
		setDirty(false);
	}

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse down at (%g, %g)%s\n", name.c_str(), where.x, where.y,
		            getTransparency() ? ", transparent: passes it on" : "");
		return getTransparency() ? kMouseNotHandled : kMouseHandled;
	}
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse moved to (%g, %g)\n", name.c_str(), where.x, where.y);
		return kMouseHandled;
	}
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse up at (%g, %g)\n", name.c_str(), where.x, where.y);
		return kMouseHandled;
	}

private:
	std::string name;
	CColor color;
};

void press(CFrame& frame, CPoint where)
{
	std::printf("press at (%g, %g):\n", where.x, where.y);
	CPoint p = where;
	if (frame.platformOnMouseDown(p, kLeftButton) != kMouseHandled)
	{
		std::printf("  nothing took it\n");
		return;
	}
	p = where + CPoint(3., 2.);
	frame.platformOnMouseMoved(p, kLeftButton);
	frame.platformOnMouseUp(p, kLeftButton);
}

} // namespace

CFrame* buildDemoFrame()
{
	auto frame = new CFrame(CRect(0, 0, 400, 300));
	frame->setBackgroundColor(CColor(30, 32, 38));
	auto panel = new CViewContainer(CRect(50, 50, 350, 250));
	panel->setBackgroundColor(CColor(60, 64, 76));
	panel->addView(new Pad(CRect(10, 10, 110, 110), "left pad", CColor(230, 120, 60)));
	panel->addView(new Pad(CRect(150, 10, 250, 110), "right pad", CColor(80, 170, 230)));
	panel->addView(new Pad(CRect(0, 0, 300, 200), "glass", CColor(255, 255, 255, 40), true));
	frame->addView(panel);
	frame->addView(new Pad(CRect(0, 0, 40, 40), "corner", CColor(120, 200, 120)));
	return frame;
}

int runInWindow(const SharedPointer<X11Platform>& platform)
{
	setPlatform(platform);
	{
		StandaloneWindow window(platform, buildDemoFrame(), "Kavrin demo");
		if (!window.isOpen())
		{
			std::fprintf(stderr, "the demo window could not be opened\n");
			return 1;
		}
		std::printf("the demo is open; close its window to quit\n");
		std::fflush(stdout);
		window.run();
	}
	setPlatform(nullptr);
	return 0;
}

int runHeadless(const char* snapshot)
{
	setPlatform(owned(new HeadlessPlatform));
	auto frame = buildDemoFrame();
	int parent = 0;
	if (!frame->open(&parent, kHeadless))
	{
		std::fprintf(stderr, "the frame could not be opened\n");
		return 1;
	}

	press(*frame, {20, 20});
	press(*frame, {70, 70});
	press(*frame, {220, 100});
	press(*frame, {380, 280});

	auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	window->drawRect(CRect(0, 0, 400, 300));
	if (window->writePNG(snapshot))
		std::printf("painted the frame into %s\n", snapshot);
	else
		std::fprintf(stderr, "could not write %s\n", snapshot);

	frame->close();
	setPlatform(nullptr);
	return 0;
}

int main(int argc, char** argv)
{
	bool headless = false;
	const char* snapshot = "kavrin-demo.png";
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--headless") == 0)
			headless = true;
		else
			snapshot = argv[i];
	}
	if (!headless && std::getenv("DISPLAY"))
	{
		if (auto platform = X11Platform::create())
			return runInWindow(platform);
		std::fprintf(stderr, "no X server answers on $DISPLAY; painting headless instead\n");
	}
	return runHeadless(snapshot);
}
