// The gain example in a real LV2 host: jalv.gtk3 on a private Xvfb, with a
// dummy JACK server of its own. The editor has to show up inside the host's
// window, a real drag on a knob has to reach the plug-in as the host sees
// it, and closing the host's window as a window manager would has to close
// the editor cleanly: the host exits 0 with no X error and, in a sanitized
// build, no leak from the editor's code.

#include "examples/lv2gain/gain.h"
#include "tests/support/tempfolder.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <link.h>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using namespace KavrinGain;

// Polls the condition every few milliseconds until it holds or the time
// is up.
bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& condition)
{
	const auto end = Clock::now() + timeout;
	while (!condition())
	{
		if (Clock::now() >= end)
			return false;
		std::this_thread::sleep_for(3ms);
	}
	return true;
}

// The program's full path on the search path, or empty.
std::string findProgram(const std::string& program, const std::string& path)
{
	if (program.find('/') != std::string::npos)
		return program;
	std::stringstream folders(path);
	std::string folder;
	while (std::getline(folders, folder, ':'))
		if (::access((folder + "/" + program).c_str(), X_OK) == 0)
			return folder + "/" + program;
	return {};
}

std::string searchPath()
{
	const char* path = std::getenv("PATH");
	return path ? path : "/usr/bin:/bin";
}

// A child process whose standard output and error are collected as they
// come. The output goes through a pseudo-terminal, so that the program
// flushes it line by line as on a console.
class Process
{
public:
	Process() = default;
	Process(const Process&) = delete;
	Process& operator=(const Process&) = delete;
	// A process still running is asked to end, and made to after a while:
	// a JACK client that just vanishes holds its server up for seconds.
	~Process()
	{
		if (pid > 0 && !hasExited())
		{
			::kill(pid, SIGTERM);
			if (!waitFor(5s, [&] { return hasExited(); }))
			{
				::kill(pid, SIGKILL);
				::waitpid(pid, nullptr, 0);
			}
		}
		if (reader.joinable())
			reader.join();
	}

	// The program is looked up on the PATH given in the environment. The
	// child ends with the test process, even when that is killed.
	bool start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
	{
		std::string path = "/usr/bin:/bin";
		for (const auto& variable : environment)
			if (variable.rfind("PATH=", 0) == 0)
				path = variable.substr(5);
		const std::string program = findProgram(arguments.at(0), path);
		if (program.empty())
			return false;

		int terminal = -1;
		int terminalChild = -1;
		int errors[2];
		if (::openpty(&terminal, &terminalChild, nullptr, nullptr, nullptr) != 0)
			return false;
		termios mode {};
		::tcgetattr(terminalChild, &mode);
		::cfmakeraw(&mode);
		::tcsetattr(terminalChild, TCSANOW, &mode);
		::fcntl(terminal, F_SETFD, FD_CLOEXEC);
		::fcntl(terminalChild, F_SETFD, FD_CLOEXEC);
		if (::pipe2(errors, O_CLOEXEC) != 0)
		{
			::close(terminal);
			::close(terminalChild);
			return false;
		}
		// Everything the child needs is made before the fork: after it only
		// async-signal-safe calls are allowed.
		std::vector<char*> argv;
		for (const auto& argument : arguments)
			argv.push_back(const_cast<char*>(argument.c_str()));
		argv.push_back(nullptr);
		std::vector<char*> envp;
		for (const auto& variable : environment)
			envp.push_back(const_cast<char*>(variable.c_str()));
		envp.push_back(nullptr);
		const pid_t parent = ::getpid();
		pid = ::fork();
		if (pid == 0)
		{
			::prctl(PR_SET_PDEATHSIG, SIGKILL);
			if (::getppid() != parent)
				::_exit(127);
			const int nothing = ::open("/dev/null", O_RDONLY);
			::dup2(nothing, 0);
			::dup2(terminalChild, 1);
			::dup2(errors[1], 2);
			::execve(program.c_str(), argv.data(), envp.data());
			::_exit(127);
		}
		::close(terminalChild);
		::close(errors[1]);
		if (pid < 0)
		{
			::close(terminal);
			::close(errors[0]);
			return false;
		}
		reader = std::thread([this, terminal, error = errors[0]] { collect(terminal, error); });
		return true;
	}

	std::string output() const
	{
		std::lock_guard<std::mutex> lock(mutex);
		return out;
	}
	std::string errors() const
	{
		std::lock_guard<std::mutex> lock(mutex);
		return err;
	}

	// Whether the process has ended; its status is kept.
	bool hasExited()
	{
		if (!exited && pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid)
			exited = true;
		return exited;
	}

	// The exit status (as waitpid gives it), or nothing when the process
	// is still running after the timeout.
	std::optional<int> waitForExit(std::chrono::milliseconds timeout)
	{
		if (pid <= 0 || !waitFor(timeout, [&] { return hasExited(); }))
			return std::nullopt;
		// The output is complete once the reader has seen both ends close.
		if (reader.joinable())
			reader.join();
		return status;
	}

	pid_t pid {-1};

private:
	void collect(int terminal, int error)
	{
		pollfd fds[2] = {{terminal, POLLIN, 0}, {error, POLLIN, 0}};
		std::string* targets[2] = {&out, &err};
		int open = 2;
		char buffer[4096];
		while (open > 0)
		{
			if (::poll(fds, 2, -1) < 0)
			{
				if (errno == EINTR)
					continue;
				break;
			}
			for (int i = 0; i < 2; ++i)
			{
				if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
					continue;
				const ssize_t count = ::read(fds[i].fd, buffer, sizeof(buffer));
				if (count > 0)
				{
					std::lock_guard<std::mutex> lock(mutex);
					targets[i]->append(buffer, size_t(count));
					continue;
				}
				// The terminal reports EIO once the last writer closed it.
				::close(fds[i].fd);
				fds[i].fd = -1;
				--open;
			}
		}
	}

	std::thread reader;
	mutable std::mutex mutex;
	std::string out;
	std::string err;
	bool exited {false};
	int status {0};
};

// A JACK server with the dummy back end, named for these tests so that a
// user's own server is left alone. Servers of one user share JACK's
// registry of shared memory: one starting or stopping while another serves
// makes clients of either fail to connect now and then, and the registry
// has room for eight names, of which it only reclaims a dead server's when
// a server of the same name starts. So test processes take turns through
// a lock file for as long as their server runs, and always use one name.
class JackServer
{
public:
	explicit JackServer(const std::string& folder)
	: name("kavrin-test")
	{
		turn = ::open("/tmp/kavrin-jack-tests.lock", O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
		if (turn < 0 || !waitFor(120s, [&] { return ::flock(turn, LOCK_EX | LOCK_NB) == 0; }))
			return;
		std::vector<std::string> environment = {"PATH=" + searchPath(),
		                                        "HOME=" + folder, "JACK_NO_AUDIO_RESERVATION=1"};
		if (!server.start({"jackd", "--no-realtime", "--name", name, "-d", "dummy", "-r", "48000", "-p", "256"},
		                  environment))
			return;
		// jack_wait connects as a client, so the server is really serving
		// once it succeeds.
		Process wait;
		environment.push_back("JACK_NO_START_SERVER=1");
		if (!wait.start({"jack_wait", "--wait", "--timeout", "10", "--server", name}, environment))
			return;
		auto status = wait.waitForExit(12s);
		running = status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
	}
	~JackServer()
	{
		// The server leaves its files behind when it is killed.
		if (server.pid > 0)
		{
			::kill(server.pid, SIGTERM);
			if (!server.waitForExit(10s))
				::kill(server.pid, SIGKILL);
		}
		if (turn >= 0)
			::close(turn);
	}

	std::string name;
	bool running {false};
	Process server;

private:
	int turn {-1};
};

// Reads the X server's window tree, pixels and properties, and sends input
// and client messages as a user and a window manager would.
class Desktop
{
public:
	explicit Desktop(const std::string& name) : connection(xcb_connect(name.c_str(), nullptr))
	{
		if (xcb_connection_has_error(connection))
			return;
		root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
		pidAtom = atom("_NET_WM_PID");
		protocolsAtom = atom("WM_PROTOCOLS");
		deleteAtom = atom("WM_DELETE_WINDOW");
	}
	~Desktop() { xcb_disconnect(connection); }

	bool isOpen() const { return root != XCB_NONE; }

	xcb_atom_t atom(const char* name)
	{
		auto reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
		                                   nullptr);
		xcb_atom_t result = reply ? reply->atom : XCB_NONE;
		std::free(reply);
		return result;
	}

	std::vector<xcb_window_t> children(xcb_window_t window)
	{
		std::vector<xcb_window_t> result;
		if (auto reply = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr))
		{
			auto list = xcb_query_tree_children(reply);
			result.assign(list, list + xcb_query_tree_children_length(reply));
			std::free(reply);
		}
		return result;
	}

	bool isViewable(xcb_window_t window)
	{
		auto reply = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
		                                             nullptr);
		const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
		std::free(reply);
		return viewable;
	}

	// Width and height, or 0 x 0 for a window that is gone.
	std::pair<int, int> size(xcb_window_t window)
	{
		auto reply = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
		std::pair<int, int> result {reply ? reply->width : 0, reply ? reply->height : 0};
		std::free(reply);
		return result;
	}

	// The window's top left on the screen.
	std::pair<int, int> origin(xcb_window_t window)
	{
		auto reply = xcb_translate_coordinates_reply(
		    connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr);
		std::pair<int, int> result {reply ? reply->dst_x : 0, reply ? reply->dst_y : 0};
		std::free(reply);
		return result;
	}

	std::optional<uint32_t> cardinal(xcb_window_t window, xcb_atom_t property)
	{
		auto reply = xcb_get_property_reply(
		    connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_CARDINAL, 0, 1), nullptr);
		std::optional<uint32_t> result;
		if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
			result = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
		std::free(reply);
		return result;
	}

	// The process's top-level window that a user sees (GTK also keeps
	// unmapped leader windows).
	xcb_window_t topLevelOf(pid_t pid)
	{
		for (xcb_window_t window : children(root))
			if (cardinal(window, pidAtom) == uint32_t(pid) && isViewable(window))
				return window;
		return XCB_NONE;
	}

	// The deepest viewable window under the top level with the given size.
	xcb_window_t findBySize(xcb_window_t top, int width, int height)
	{
		xcb_window_t found = XCB_NONE;
		for (xcb_window_t child : children(top))
		{
			if (!isViewable(child))
				continue;
			if (xcb_window_t deeper = findBySize(child, width, height))
				return deeper;
			if (size(child) == std::make_pair(width, height))
				found = child;
		}
		return found;
	}

	// A pixel of the window as 0xRRGGBB; nothing when the window is gone.
	std::optional<uint32_t> pixel(xcb_window_t window, int x, int y)
	{
		auto reply = xcb_get_image_reply(
		    connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(x), int16_t(y), 1, 1, ~0u),
		    nullptr);
		std::optional<uint32_t> result;
		if (reply && xcb_get_image_data_length(reply) >= 4)
		{
			uint32_t value;
			std::memcpy(&value, xcb_get_image_data(reply), 4);
			result = value & 0xFFFFFF;
		}
		std::free(reply);
		return result;
	}

	// The pointer's position in the window.
	std::pair<int, int> pointerIn(xcb_window_t window)
	{
		auto reply = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr);
		std::pair<int, int> result {reply ? reply->win_x : -1, reply ? reply->win_y : -1};
		std::free(reply);
		return result;
	}

	void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0)
	{
		xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, root, int16_t(x), int16_t(y), 0);
		xcb_flush(connection);
	}

	// What a window manager sends when the user closes the window.
	void requestClose(xcb_window_t window)
	{
		xcb_client_message_event_t message {};
		message.response_type = XCB_CLIENT_MESSAGE;
		message.format = 32;
		message.window = window;
		message.type = protocolsAtom;
		message.data.data32[0] = deleteAtom;
		message.data.data32[1] = XCB_CURRENT_TIME;
		xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
		xcb_flush(connection);
	}

	xcb_connection_t* connection;
	xcb_window_t root {XCB_NONE};
	xcb_atom_t pidAtom {XCB_NONE};
	xcb_atom_t protocolsAtom {XCB_NONE};
	xcb_atom_t deleteAtom {XCB_NONE};
};

// Where a pointer at this angle (degrees clockwise from the right, as on
// screen) and distance from a knob's centre is, in editor pixels.
std::pair<int, int> aroundKnob(uint32_t parameter, double degrees, double radius)
{
	const double angle = degrees * M_PI / 180.;
	return {int(std::lround(Layout::knobCentreX(parameter) + radius * std::cos(angle))),
	        int(std::lround(Layout::knobCentreY() + radius * std::sin(angle)))};
}

// The value the knob's default geometry (minimum at 135 degrees, a 270
// degree sweep) gives a point, in the parameter's range.
float knobValueAt(uint32_t parameter, std::pair<int, int> point)
{
	double degrees = std::atan2(point.second - Layout::knobCentreY(), point.first - Layout::knobCentreX(parameter)) *
	                 180. / M_PI;
	if (degrees < 90.)
		degrees += 360.;
	const Range& range = kRanges[parameter];
	return range.min + float((degrees - 135.) / 270.) * (range.max - range.min);
}

// The last value the host printed for a port symbol ("gain = -6.000000").
std::optional<float> lastPrinted(const std::string& output, const std::string& symbol)
{
	std::optional<float> value;
	const std::string prefix = symbol + " = ";
	std::istringstream lines(output);
	std::string line;
	while (std::getline(lines, line))
	{
		const auto at = line.find(prefix);
		if (at == 0 || (at != std::string::npos && line[at - 1] == 'm')) // after a colour escape
			value = std::strtof(line.c_str() + at + prefix.size(), nullptr);
	}
	return value;
}

// The leak reports in LeakSanitizer's output whose allocation passed
// through the editor's code: a frame in this source tree, in the UI module,
// or in a module that is gone (a UI module the host unloaded). Suppressing
// the host's libraries instead would not do: a suppression matches its
// library anywhere in the stack, and jalv, suil and GLib's main loop are
// in the stack of everything the editor allocates.
std::vector<std::string> leaksOfTheEditor(const std::string& errors, size_t* hostLeaks)
{
	const std::string file = __FILE__;
	const std::vector<std::string> marks = {file.substr(0, file.rfind("/tests/lv2/") + 1), "kavrin-gain-ui",
	                                        "<unknown module>"};
	std::vector<std::string> found;
	*hostLeaks = 0;
	std::istringstream lines(errors);
	std::string line;
	std::string report;
	auto finish = [&] {
		if (report.empty())
			return;
		bool ours = false;
		for (const auto& mark : marks)
			ours = ours || report.find(mark) != std::string::npos;
		if (ours)
			found.push_back(report);
		else
			++*hostLeaks;
		report.clear();
	};
	while (std::getline(lines, line))
	{
		if (line.rfind("Direct leak", 0) == 0 || line.rfind("Indirect leak", 0) == 0)
		{
			finish();
			report = line + "\n";
		}
		else if (!report.empty() && line.rfind("    #", 0) == 0)
			report += line + "\n";
		else
			finish();
	}
	finish();
	return found;
}

// The path of the ASan runtime this process runs with, when it has one: a
// sanitized build's UI module needs it loaded first in the host too.
std::string asanRuntime()
{
	std::string path;
	dl_iterate_phdr(
	    [](dl_phdr_info* info, size_t, void* data) {
		    if (info->dlpi_name && std::strstr(info->dlpi_name, "libasan.so"))
			    *static_cast<std::string*>(data) = info->dlpi_name;
		    return 0;
	    },
	    &path);
	return path;
}

class JalvTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
#ifndef KAVRIN_LV2_DIR
		GTEST_SKIP() << "the LV2 example is not part of this build";
#endif
		for (const char* program : {"jalv.gtk3", "jackd", "jack_wait"})
			ASSERT_FALSE(findProgram(program, searchPath()).empty()) << program << " is missing; scripts/install-deps.sh installs it";
		ASSERT_FALSE(folder.path.empty());
		ASSERT_FALSE(xvfb.display.empty()) << "Xvfb did not start";
		jack = std::make_unique<JackServer>(folder.path);
		ASSERT_TRUE(jack->running) << "the dummy JACK server did not start:\n"
		                           << jack->server.output() << jack->server.errors()
		                           << "\n(\"Too many servers\": servers killed earlier left their names in "
		                              "/dev/shm/jack-shm-registry; with no JACK server running, remove "
		                              "/dev/shm/jack-* and /dev/shm/jack_*)";
		desktop = std::make_unique<Desktop>(xvfb.display);
		ASSERT_TRUE(desktop->isOpen());
	}

	std::vector<std::string> hostEnvironment()
	{
		std::vector<std::string> environment = {
		    "PATH=" + searchPath(),
		    "HOME=" + folder.path,
		    "XDG_RUNTIME_DIR=" + folder.path,
		    "DISPLAY=" + xvfb.display,
#ifdef KAVRIN_LV2_DIR
		    "LV2_PATH=" KAVRIN_LV2_DIR,
#endif
		    "JACK_DEFAULT_SERVER=" + jack->name,
		    "JACK_NO_START_SERVER=1",
		    // No accessibility bus, session bus or settings daemon: nothing
		    // outside the test for GTK to wait for or to start.
		    "NO_AT_BRIDGE=1",
		    "GSETTINGS_BACKEND=memory",
		    "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder.file("no-bus"),
		    "GDK_BACKEND=x11",
		};
		const std::string runtime = asanRuntime();
		if (!runtime.empty())
		{
			std::string preload = "LD_PRELOAD=" + runtime;
#ifdef KAVRIN_ASAN_FIRST
			preload += " " KAVRIN_ASAN_FIRST;
#endif
			environment.push_back(preload);
			// Every leak is reported but none changes the exit status: the
			// test sorts the editor's from the host's (see leaksOfTheEditor).
			// Full stacks, since GTK and its libraries keep no frame
			// pointers; an error still aborts.
			environment.push_back("ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:exitcode=0:abort_on_error=1");
			environment.push_back("UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1");
		}
		return environment;
	}

	// The host starts with the gain at -12 dB rather than its default, so
	// that the editor has to show a value it only heard from the host.
	bool startHost()
	{
		spawned = Clock::now();
		return host.start({"jalv.gtk3", "--dump", "--print-controls", "--control", "gain=-12",
		                   "--display=" + xvfb.display, kPluginURI},
		                  hostEnvironment());
	}

	std::string hostOutput() const
	{
		return "--- jalv stdout (tail) ---\n" + tail(host.output()) + "\n--- jalv stderr (tail) ---\n" +
		       tail(host.errors());
	}

	static std::string tail(const std::string& text, size_t length = 4000)
	{
		return text.size() > length ? "..." + text.substr(text.size() - length) : text;
	}

	// Moves the pointer to a point of the editor; false when it is not
	// there afterwards.
	bool pointAt(xcb_window_t editor, std::pair<int, int> point)
	{
		const auto [x, y] = desktop->origin(editor);
		desktop->fake(XCB_MOTION_NOTIFY, 0, x + point.first, y + point.second);
		return desktop->pointerIn(editor) == point;
	}

	// Whether the knob's corona covers the angle: some pixel on the ray
	// across its stroke has the corona's colour.
	bool coronaAt(xcb_window_t editor, uint32_t parameter, double degrees)
	{
		for (double radius = 24.; radius <= 32.; radius += 1.)
		{
			const auto [x, y] = aroundKnob(parameter, degrees, radius);
			if (desktop->pixel(editor, x, y) == Layout::kCoronaRGB)
				return true;
		}
		return false;
	}

	TempFolder folder {"kavrin-jalv"};
	XvfbServer xvfb {"800x600x24"};
	std::unique_ptr<JackServer> jack;
	std::unique_ptr<Desktop> desktop;
	Process host;
	Clock::time_point spawned;
};

TEST_F(JalvTest, EditorShowsInTheHostTakesADragAndClosesWithTheWindow)
{
	ASSERT_TRUE(startHost());

	// (1) The editor appears inside the host's window. Polled every few
	// milliseconds from the spawn: the first frame is the first time the
	// editor's pixels (its background and a knob's corona) are on the
	// screen.
	xcb_window_t top = XCB_NONE;
	xcb_window_t editor = XCB_NONE;
	Clock::time_point windowShown;
	bool painted = false;
	waitFor(20s, [&] {
		if (!top && (top = desktop->topLevelOf(host.pid)))
			windowShown = Clock::now();
		if (top && !editor)
			editor = desktop->findBySize(top, Layout::kWidth, Layout::kHeight);
		painted = editor && desktop->pixel(editor, 4, 4) == Layout::kBackgroundRGB && coronaAt(editor, kGain, 180.);
		// No need to wait for an editor the host could not make.
		return painted || host.hasExited() || host.errors().find("Failed to instantiate") != std::string::npos;
	});
	const auto firstFrame = Clock::now();
	ASSERT_TRUE(painted) << "top-level " << top << ", editor " << editor << "\n" << hostOutput();
	const auto milliseconds = [](Clock::duration d) {
		return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
	};
	std::printf("first frame of the editor inside jalv: %lld ms after spawning the host, %lld ms after the host's "
	            "window appeared\n",
	            static_cast<long long>(milliseconds(firstFrame - spawned)),
	            static_cast<long long>(milliseconds(firstFrame - windowShown)));
	RecordProperty("first_frame_ms", int(milliseconds(firstFrame - spawned)));

	// The host's own window shows the editor's pixels where the editor
	// sits: it is embedded, not a window of its own.
	const auto [topX, topY] = desktop->origin(top);
	const auto [editorX, editorY] = desktop->origin(editor);
	EXPECT_EQ(desktop->pixel(top, editorX - topX + 4, editorY - topY + 4), Layout::kBackgroundRGB);
	EXPECT_EQ(desktop->size(editor), std::make_pair(Layout::kWidth, Layout::kHeight));
	// The host's -12 dB reaches the knob: its corona runs from 135 to 225
	// degrees (the editor's own default, 0 dB, would reach 315).
	EXPECT_TRUE(waitFor(2s, [&] { return coronaAt(editor, kGain, 200.) && !coronaAt(editor, kGain, 250.); }));
	EXPECT_FALSE(coronaAt(editor, kGain, 300.));
	ASSERT_TRUE(waitFor(5s, [&] { return lastPrinted(host.output(), "level").has_value(); })) << hostOutput();
	EXPECT_NEAR(*lastPrinted(host.output(), "level"), -12.f, 0.01f);

	// (2) A drag round the gain knob from 180 to 270 degrees (-18 to -6 dB),
	// in steps the editor sees one by one. The host may still be laying its
	// window out after the editor's first frame, so the drag waits until
	// the editor has stayed put for a moment.
	auto where = desktop->origin(editor);
	auto still = Clock::now();
	waitFor(3s, [&] {
		if (const auto now = desktop->origin(editor); now != where)
		{
			where = now;
			still = Clock::now();
		}
		return Clock::now() - still > 150ms;
	});
	std::vector<std::pair<int, int>> path;
	for (double degrees : {180., 202.5, 225., 247.5, 270.})
		path.push_back(aroundKnob(kGain, degrees, 20.));
	const float expected = knobValueAt(kGain, path.back());
	ASSERT_TRUE(pointAt(editor, path[0]));
	desktop->fake(XCB_BUTTON_PRESS, 1);
	for (size_t i = 1; i < path.size(); ++i)
	{
		std::this_thread::sleep_for(50ms);
		EXPECT_TRUE(pointAt(editor, path[i])) << "step " << i;
	}
	std::this_thread::sleep_for(50ms);
	desktop->fake(XCB_BUTTON_RELEASE, 1);

	// The plug-in reports the gain it applies on its output port, so this
	// is the value that reached the DSP through the host; its ramp ends
	// on the value exactly.
	const bool applied = waitFor(5s, [&] {
		auto level = lastPrinted(host.output(), "level");
		return level && std::fabs(*level - expected) < 0.05f;
	});
	EXPECT_TRUE(applied) << "expected about " << expected << " dB\n" << hostOutput();
	// The editor redrew the knob: its corona reaches 270 degrees now.
	EXPECT_TRUE(waitFor(2s, [&] { return coronaAt(editor, kGain, 250.); }));
	EXPECT_FALSE(coronaAt(editor, kGain, 300.));

	// (3) Closing the host's window as a window manager would.
	desktop->requestClose(top);
	const auto status = host.waitForExit(15s);
	ASSERT_TRUE(status.has_value()) << "jalv did not exit after its window was closed\n" << hostOutput();
	const std::string errors = host.errors();
	for (const char* sign : {"X Error", "BadWindow", "BadDrawable", "BadMatch", "ERROR: AddressSanitizer",
	                         "runtime error:"})
		EXPECT_EQ(errors.find(sign), std::string::npos) << sign << " in jalv's errors:\n" << tail(errors, 12000);
	EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
	    << "jalv's exit status " << *status << "\n"
	    << hostOutput();
	size_t hostLeaks = 0;
	const auto leaks = leaksOfTheEditor(errors, &hostLeaks);
	std::string shown;
	for (size_t i = 0; i < leaks.size() && i < 5; ++i)
		shown += leaks[i] + "\n";
	EXPECT_TRUE(leaks.empty()) << leaks.size() << " leaks through the editor's code, the first:\n" << shown;
	if (hostLeaks > 0)
		std::printf("%zu leak reports from the host's own libraries, ignored\n", hostLeaks);
}

} // namespace
} // namespace Kavrin::Test
