// The demo editor: coloured panels with labels, and a playground where a
// dot follows the mouse and a tooltip explains it. With a display it opens
// in a window until the window is closed; without one (or with --headless)
// it is painted on the headless platform into a PNG, whose path is the
// first other argument (kavrin-demo.png by default).
//
// --first-frame opens the window, waits until the first frame is on the
// screen, prints the time since the process started, and quits.

#include "host/standalonewindow.h"
#include "lib/kavrin.h"
#include "lib/platform/x11/x11frame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace Kavrin;

namespace {

// A line of text drawn with the context.
class Label : public CView
{
public:
	Label(const CRect& size, std::string text, CFontRef font = kNormalFont, CColor color = kWhiteCColor)
	: CView(size), text(std::move(text)), font(font), color(color)
	{
		setMouseEnabled(false);
	}

	void draw(CDrawContext* context) override
	{
		context->setFont(font);
		context->setFontColor(color);
		context->drawString(text.c_str(), getViewSize(), kLeftText);
		setDirty(false);
	}

private:
	std::string text;
	CFontRef font;
	CColor color;
};

// A round swatch in a panel.
class Swatch : public CView
{
public:
	Swatch(const CRect& size, const CColor& color) : CView(size), color(color) {}

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		context->setFrameColor(kWhiteCColor);
		context->setLineWidth(2.);
		CRect r = getViewSize();
		r.inset(2., 2.);
		context->drawEllipse(r, kDrawFilledAndStroked);
		setDirty(false);
	}

private:
	CColor color;
};

CViewContainer* makePanel(const CRect& size, const char* title, const CColor& background, const CColor& swatch)
{
	auto panel = new CViewContainer(size);
	panel->setBackgroundColor(background);
	panel->addView(new Label(CRect(10, 8, size.getWidth() - 10, 28), title, kNormalFontBig));
	for (int i = 0; i < 3; ++i)
		panel->addView(new Swatch(CRect(10 + i * 40, 40, 46 + i * 40, 76), swatch));
	return panel;
}

// The dot that follows the mouse in the playground.
class Dot : public CView
{
public:
	explicit Dot(const CRect& size) : CView(size) { setMouseEnabled(false); }

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(CColor(250, 200, 60));
		context->drawEllipse(getViewSize(), kDrawFilled);
		setDirty(false);
	}
};

// A panel whose dot follows the mouse while it is over it.
class Playground : public CViewContainer
{
public:
	explicit Playground(const CRect& size) : CViewContainer(size)
	{
		setBackgroundColor(CColor(40, 44, 56));
		addView(new Label(CRect(10, 8, size.getWidth() - 10, 28), "Playground: move the mouse here"));
		dot = new Dot(CRect(0, 0, 24, 24));
		addView(dot);
		moveDot(CPoint(size.getWidth() / 2., size.getHeight() / 2.));
		setTooltipText("The dot follows the mouse.\nIt is drawn anew wherever it goes.");
	}

	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override
	{
		CViewContainer::onMouseMoved(where, buttons);
		moveDot(where - getViewSize().getTopLeft());
		return kMouseHandled;
	}

	// Centres the dot on a point of the playground.
	void moveDot(const CPoint& where)
	{
		CRect size = dot->getViewSize();
		size.moveTo(CPoint(where.x - size.getWidth() / 2., where.y - size.getHeight() / 2.));
		dot->invalid();
		dot->setViewSize(size);
		dot->invalid();
	}

private:
	Dot* dot;
};

CFrame* buildDemoFrame()
{
	auto frame = new CFrame(CRect(0, 0, 520, 340));
	frame->setBackgroundColor(CColor(24, 26, 32));
	frame->enableTooltips(true, 600);
	frame->addView(new Label(CRect(20, 12, 500, 36), "Kavrin demo", kNormalFontVeryBig));
	frame->addView(makePanel(CRect(20, 50, 180, 140), "Warm", CColor(120, 50, 40), CColor(240, 130, 70)));
	frame->addView(makePanel(CRect(190, 50, 350, 140), "Cool", CColor(30, 60, 110), CColor(90, 170, 240)));
	frame->addView(makePanel(CRect(360, 50, 500, 140), "Fresh", CColor(30, 90, 60), CColor(120, 210, 130)));
	frame->addView(new Playground(CRect(20, 150, 500, 320)));
	return frame;
}

// Seconds since the process started, from the kernel's record of it.
double secondsSinceProcessStart()
{
	std::ifstream stat("/proc/self/stat");
	std::string line;
	std::getline(stat, line);
	// The start time is the 22nd field; the command name (field 2) may hold
	// spaces, so count from the closing parenthesis.
	auto close = line.rfind(')');
	if (close == std::string::npos)
		return -1.;
	const char* fields = line.c_str() + close + 2;
	unsigned long long start = 0;
	if (std::sscanf(fields, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
	                &start) != 1)
		return -1.;
	timespec now {};
	clock_gettime(CLOCK_BOOTTIME, &now);
	return now.tv_sec + now.tv_nsec / 1e9 - double(start) / double(sysconf(_SC_CLK_TCK));
}

int runInWindow(const SharedPointer<X11Platform>& platform, bool firstFrameOnly)
{
	setPlatform(platform);
	int result = 0;
	{
		StandaloneWindow window(platform, buildDemoFrame(), "Kavrin demo");
		if (!window.isOpen())
		{
			std::fprintf(stderr, "the demo window could not be opened\n");
			result = 1;
		}
		else if (firstFrameOnly)
		{
			auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
			auto platformFrame = static_cast<X11Frame*>(window.getFrame()->getPlatformFrame());
			while (platformFrame->getFramesShown() == 0 && loop->runOnce(100))
			{
			}
			// Once the server answers, it has drawn what came before.
			xcb_connection_t* connection = platform->getConnection();
			std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
			std::printf("first frame on screen %.1f ms after the process started\n",
			            secondsSinceProcessStart() * 1000.);
		}
		else
		{
			std::printf("the demo is open; close its window to quit\n");
			std::fflush(stdout);
			window.run();
		}
	}
	setPlatform(nullptr);
	return result;
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
	// The mouse moves into the playground, as a window would report it.
	CPoint where(380, 260);
	frame->platformOnMouseMoved(where, CButtonState());

	auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	window->drawRect(frame->getViewSize());
	int result = 0;
	if (window->writePNG(snapshot))
		std::printf("painted the demo into %s\n", snapshot);
	else
	{
		std::fprintf(stderr, "could not write %s\n", snapshot);
		result = 1;
	}
	frame->close();
	setPlatform(nullptr);
	return result;
}

} // namespace

int main(int argc, char** argv)
{
	bool headless = false;
	bool firstFrameOnly = false;
	const char* snapshot = "kavrin-demo.png";
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--headless") == 0)
			headless = true;
		else if (std::strcmp(argv[i], "--first-frame") == 0)
			firstFrameOnly = true;
		else
			snapshot = argv[i];
	}
	if (!headless && std::getenv("DISPLAY"))
	{
		if (auto platform = X11Platform::create())
			return runInWindow(platform, firstFrameOnly);
		std::fprintf(stderr, "no X server answers on $DISPLAY; painting headless instead\n");
	}
	return runHeadless(snapshot);
}
