#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Kavrin::Test {

// How a peer is started beyond its display and command line.
struct PeerSetup
{
	// Its errors on the test's own, rather than nowhere.
	bool showErrors {false};
	// NAME=value entries beside the display and the path.
	std::vector<std::string> environment;
	// For a peer that runs beside the test and is neither fed nor read (a
	// server): input and output on /dev/null, so that what it prints never
	// fills a pipe that nobody reads.
	bool detached {false};
};

// A program run as a separate process on a display, with its input and
// output through pipes; its errors go nowhere unless shown.
class PeerProcess
{
public:
	PeerProcess(const std::string& display, std::vector<std::string> arguments, bool showErrors = false)
	    : PeerProcess(display, std::move(arguments), PeerSetup {showErrors, {}, false})
	{
	}
	PeerProcess(const std::string& display, std::vector<std::string> arguments, PeerSetup setup)
	{
		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		int input[2] {-1, -1}, output[2] {-1, -1};
		if (setup.detached)
		{
			posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
			posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
		}
		else if (::pipe2(input, O_CLOEXEC) == 0 && ::pipe2(output, O_CLOEXEC) == 0)
		{
			posix_spawn_file_actions_adddup2(&actions, input[0], 0);
			posix_spawn_file_actions_adddup2(&actions, output[1], 1);
		}
		else
		{
			closeAll(input, output);
			posix_spawn_file_actions_destroy(&actions);
			return;
		}
		if (!setup.showErrors)
			posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
		setup.environment.push_back("DISPLAY=" + display);
		setup.environment.push_back("PATH=/usr/bin:/bin");
		spawn(arguments, setup.environment, actions);
		posix_spawn_file_actions_destroy(&actions);
		toPeer = input[1];
		fromPeer = output[0];
		input[1] = output[0] = -1;
		closeAll(input, output);
		if (toPeer >= 0)
			::fcntl(toPeer, F_SETFL, O_NONBLOCK);
		if (fromPeer >= 0)
			::fcntl(fromPeer, F_SETFL, O_NONBLOCK);
	}
	~PeerProcess()
	{
		if (pid > 0 && !exited)
		{
			// A stopped peer would otherwise take the kill only once resumed.
			::kill(pid, SIGCONT);
			stop(SIGKILL);
		}
		closeInput();
		if (fromPeer >= 0)
			::close(fromPeer);
	}
	PeerProcess(const PeerProcess&) = delete;
	PeerProcess& operator=(const PeerProcess&) = delete;

	// Moves the pipes along; true once the peer is not running: it has
	// exited, or it never started.
	bool step()
	{
		if (toPeer >= 0)
		{
			ssize_t written = inputOffset < input.size()
			                      ? ::write(toPeer, input.data() + inputOffset, input.size() - inputOffset)
			                      : 0;
			if (written > 0)
				inputOffset += size_t(written);
			if (inputOffset == input.size() && closesInputWhenWritten)
				closeInput();
		}
		char buffer[65536];
		ssize_t count;
		while (fromPeer >= 0 && (count = ::read(fromPeer, buffer, sizeof(buffer))) > 0)
			output.append(buffer, size_t(count));
		if (!exited && pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid)
			exited = true;
		return exited || pid <= 0;
	}

	// Steps the peer until it exits or the time is up, serving the test's
	// side between steps (a peer may wait on the test's window); true when
	// it exited. Without input its input is closed at once.
	template <typename Serve>
	bool runToEnd(Serve serve, std::chrono::seconds timeout = std::chrono::seconds(10))
	{
		if (input.empty())
			closeInput();
		const auto end = std::chrono::steady_clock::now() + timeout;
		while (!step() && std::chrono::steady_clock::now() < end)
			serve();
		return exited;
	}

	// Sends the signal (SIGTERM lets a server clean up after itself) and
	// waits until the peer has gone.
	void stop(int signal)
	{
		if (pid <= 0 || exited)
			return;
		::kill(pid, signal);
		if (::waitpid(pid, &status, 0) == pid)
			exited = true;
	}

	void closeInput()
	{
		if (toPeer >= 0)
			::close(toPeer);
		toPeer = -1;
	}

	pid_t pid {-1};
	std::string input;
	// Off: the input stays open (for a peer that runs until it closes)
	// until closeInput.
	bool closesInputWhenWritten {true};
	std::string output;
	bool exited {false};
	int status {0};

private:
	void spawn(std::vector<std::string>& arguments, std::vector<std::string>& environment,
	           const posix_spawn_file_actions_t& actions)
	{
		std::vector<char*> argv, envp;
		for (auto& argument : arguments)
			argv.push_back(argument.data());
		argv.push_back(nullptr);
		for (auto& entry : environment)
			envp.push_back(entry.data());
		envp.push_back(nullptr);
		if (arguments.empty() || posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
			pid = -1;
	}
	static void closeAll(int (&input)[2], int (&output)[2])
	{
		for (int descriptor : {input[0], input[1], output[0], output[1]})
			if (descriptor >= 0)
				::close(descriptor);
	}

	int toPeer {-1};
	int fromPeer {-1};
	size_t inputOffset {0};
};

} // namespace Kavrin::Test
