// The demo editor: a gallery of knobs in every style and mode, and a
// playground where a dot follows the mouse and a tooltip explains it. With
// a display it opens in a window until the window is closed; without one
// (or with --headless) it is painted on the headless platform into a PNG,
// whose path is the last other argument (kavrin-demo.png by default).
//
// --screenshot=PATH paints it headless into PATH even with a display.
// --scale=N paints the headless picture at N device pixels per unit.
// --first-frame opens the window, waits until the first frame is on the
// screen, prints the time since the process started, and quits.
// --page=NAME shows that page of the gallery first (knobs, sliders,
// switches, text, dragdrop, animation).

#include "examples/demo/demoeditor.h"
#include "examples/demo/gallery.h"
#include "host/standalonewindow.h"
#include "lib/kavrin.h"
#include "lib/platform/x11/x11frame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace Kavrin;

namespace {

struct Options
{
	bool headless {false};
	bool firstFrameOnly {false};
	std::string snapshot {"kavrin-demo.png"};
	std::string screenshot;
	double scale {1.};
	std::string page {"knobs"};
};

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

int runInWindow(const SharedPointer<X11Platform>& platform, const Options& options)
{
	setPlatform(platform);
	int result = 0;
	{
		Demo::DemoEditor editor;
		StandaloneWindow window(platform, Demo::buildGallery(editor, options.page), "Kavrin demo");
		if (!window.isOpen())
		{
			std::fprintf(stderr, "the demo window could not be opened\n");
			result = 1;
		}
		else if (options.firstFrameOnly)
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

int runHeadless(const std::string& snapshot, const Options& options)
{
	setPlatform(owned(new HeadlessPlatform));
	int result = 0;
	{
		Demo::DemoEditor editor;
		auto frame = Demo::buildGallery(editor, options.page);
		int parent = 0;
		if (!frame->open(&parent, kHeadless))
		{
			std::fprintf(stderr, "the frame could not be opened\n");
			frame->forget();
			setPlatform(nullptr);
			return 1;
		}
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(options.scale);
		// The mouse moves into the playground, as a window would report it.
		CPoint where(800, 430);
		frame->platformOnMouseMoved(where, CButtonState());

		window->drawRect(frame->getViewSize());
		if (window->writePNG(snapshot))
			std::printf("painted the demo into %s\n", snapshot.c_str());
		else
		{
			std::fprintf(stderr, "could not write %s\n", snapshot.c_str());
			result = 1;
		}
		frame->close();
	}
	setPlatform(nullptr);
	return result;
}

bool parse(int argc, char** argv, Options& options)
{
	for (int i = 1; i < argc; ++i)
	{
		const std::string argument = argv[i];
		if (argument == "--headless")
			options.headless = true;
		else if (argument == "--first-frame")
			options.firstFrameOnly = true;
		else if (argument.rfind("--screenshot=", 0) == 0)
		{
			options.screenshot = argument.substr(std::strlen("--screenshot="));
			if (options.screenshot.empty())
			{
				std::fprintf(stderr, "--screenshot wants a path\n");
				return false;
			}
		}
		else if (argument.rfind("--scale=", 0) == 0)
		{
			char* end = nullptr;
			options.scale = std::strtod(argument.c_str() + std::strlen("--scale="), &end);
			if (*end != '\0' || !(options.scale >= 1. && options.scale <= 4.))
			{
				std::fprintf(stderr, "--scale wants a number from 1 to 4\n");
				return false;
			}
		}
		else if (argument.rfind("--page=", 0) == 0)
		{
			options.page = argument.substr(std::strlen("--page="));
			const auto names = Demo::galleryPageNames();
			if (std::find(names.begin(), names.end(), options.page) == names.end())
			{
				std::string known;
				for (const auto& name : names)
					known += (known.empty() ? "" : ", ") + name;
				std::fprintf(stderr, "--page wants one of: %s\n", known.c_str());
				return false;
			}
		}
		else if (argument.rfind("--", 0) == 0)
		{
			std::fprintf(stderr, "unknown option %s\n", argument.c_str());
			return false;
		}
		else
			options.snapshot = argument;
	}
	return true;
}

} // namespace

int main(int argc, char** argv)
{
	Options options;
	if (!parse(argc, argv, options))
		return 2;
	if (!options.screenshot.empty())
		return runHeadless(options.screenshot, options);
	if (!options.headless && std::getenv("DISPLAY"))
	{
		if (auto platform = X11Platform::create())
			return runInWindow(platform, options);
		std::fprintf(stderr, "no X server answers on $DISPLAY; painting headless instead\n");
	}
	return runHeadless(options.snapshot, options);
}
