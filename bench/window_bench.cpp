// The X11 platform on a private Xvfb server: how long the demo takes to put
// its first frame on the screen, and what one small repaint costs from
// invalid() to pixels copied to the server.

#include "lib/kavrin.h"
#include "lib/platform/x11/x11frame.h"
#include "bench/support/windowharness.h"
#include "tests/support/xvfb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

using namespace Kavrin;

namespace {

Test::XvfbServer& server()
{
	static Test::XvfbServer xvfb("1280x800x24");
	return xvfb;
}

#ifdef KAVRIN_DEMO_PATH
// From spawning the demo to its report that the first frame is on the
// screen; the process's own start-up (loading, fonts, connecting) included.
void BM_DemoFirstFrame(benchmark::State& state)
{
	if (server().display.empty())
	{
		state.SkipWithError("Xvfb did not start");
		return;
	}
	const std::string display = "DISPLAY=" + server().display;
	char* environment[] = {const_cast<char*>(display.c_str()), nullptr};
	for (auto _ : state)
	{
		int output[2];
		if (::pipe(output) != 0)
		{
			state.SkipWithError("no pipe");
			return;
		}
		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		posix_spawn_file_actions_adddup2(&actions, output[1], 1);
		posix_spawn_file_actions_addclose(&actions, output[0]);
		char* arguments[] = {const_cast<char*>(KAVRIN_DEMO_PATH), const_cast<char*>("--first-frame"), nullptr};
		auto start = std::chrono::steady_clock::now();
		pid_t pid = -1;
		int spawned = posix_spawn(&pid, KAVRIN_DEMO_PATH, &actions, nullptr, arguments, environment);
		posix_spawn_file_actions_destroy(&actions);
		::close(output[1]);
		// The report is the first line the demo writes.
		std::string line;
		char c;
		while (spawned == 0 && ::read(output[0], &c, 1) == 1 && c != '\n')
			line += c;
		auto shown = std::chrono::steady_clock::now();
		::close(output[0]);
		if (spawned != 0 || line.find("first frame") == std::string::npos)
		{
			state.SkipWithError("the demo did not report its first frame");
			break;
		}
		state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
		int status = 0;
		::waitpid(pid, &status, 0);
	}
}
BENCHMARK(BM_DemoFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
#endif

// A 1000 x 700 editor with one 32 x 32 view repainted each iteration.
class Marker : public CView
{
public:
	using CView::CView;
	void draw(CDrawContext* context) override
	{
		context->setFillColor(flip ? CColor(200, 40, 40) : CColor(40, 200, 40));
		context->drawRect(getViewSize(), kDrawFilled);
		flip = !flip;
	}
	bool flip {false};
};

void BM_RepaintOneView(benchmark::State& state)
{
	const bool sharedMemory = state.range(0) != 0;
	auto platform = X11Platform::create(server().display.c_str());
	if (!platform)
	{
		state.SkipWithError("no X server");
		return;
	}
	platform->setUseSharedMemory(sharedMemory);
	if (platform->canUseSharedMemory() != sharedMemory)
	{
		state.SkipWithError("the server lacks MIT-SHM");
		return;
	}
	auto frame = new CFrame(CRect(0, 0, 1000, 700));
	frame->setBackgroundColor(CColor(30, 30, 40));
	auto marker = new Marker(CRect(500, 300, 532, 332));
	frame->addView(marker);
	Bench::WindowHarness window(platform, frame);
	for (auto _ : state)
	{
		marker->invalid();
		window.showChanges();
	}
	state.counters["device pixels"] = 32 * 32;
}
BENCHMARK(BM_RepaintOneView)->ArgName("shm")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace
