#pragma once

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace Kavrin::Test {

// Starts a private Xvfb, which picks a free display itself (several test
// processes may start theirs at once), and stops it at the end.
class XvfbServer
{
public:
	explicit XvfbServer(const char* screen = "640x480x24")
	{
		int fds[2];
		if (::pipe(fds) != 0)
			return;
		pid = ::fork();
		if (pid == 0)
		{
			::close(fds[0]);
			std::string fd = std::to_string(fds[1]);
			// -noreset: between two tests no client is connected, and a server
			// that resets then drops the next test's connection.
			::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
			         "-noreset", static_cast<char*>(nullptr));
			::_exit(127);
		}
		::close(fds[1]);
		// The server writes its display number once it accepts connections.
		std::string number;
		char c;
		while (::read(fds[0], &c, 1) == 1 && c != '\n')
			number += c;
		::close(fds[0]);
		if (!number.empty())
			display = ":" + number;
	}
	~XvfbServer()
	{
		if (pid > 0)
		{
			::kill(pid, SIGTERM);
			::waitpid(pid, nullptr, 0);
		}
	}

	std::string display;
	pid_t pid {-1};
};

} // namespace Kavrin::Test
