#pragma once

// A real input method on a private display: fcitx5 through its XIM
// frontend, with the Japanese engine Anthy on from the start and the
// composed text drawn by the client (on the spot). It lives in a home of
// its own, so its dictionary learns nothing from one test to the next.

#include "tests/support/peerprocess.h"
#include "tests/support/tempfolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin::Test {

class InputMethodServer
{
public:
	// The name clients find it by, as in XMODIFIERS=@im=fcitx.
	static constexpr const char* kName = "fcitx";

	explicit InputMethodServer(std::string display) : display(std::move(display))
	{
		writeConfiguration();
		start();
	}
	~InputMethodServer() { stop(); }
	InputMethodServer(const InputMethodServer&) = delete;
	InputMethodServer& operator=(const InputMethodServer&) = delete;

	// Starts the server and waits until clients can find it; false when it
	// did not come up within a few seconds.
	bool start()
	{
		if (server)
			return true;
		const std::string home = folder.path;
		PeerSetup setup;
		setup.environment = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
		                     "XDG_DATA_HOME=" + home + "/.local/share", "XDG_CACHE_HOME=" + home + "/.cache",
		                     "LANG=C.UTF-8"};
		setup.detached = true;
		// Only the X11 frontends, the keyboard and Anthy: no bus, no panel.
		server = std::make_unique<PeerProcess>(
		    display, std::vector<std::string> {"fcitx5", "--disable=all", "--enable=xcb,xim,keyboard,anthy"},
		    std::move(setup));
		if (server->pid <= 0)
			server.reset();
		return server && waitUntilRegistered(true);
	}

	// Ends the server and waits until clients see it gone.
	void stop()
	{
		if (!server)
			return;
		server->stop(SIGTERM);
		server.reset();
		waitUntilRegistered(false);
	}

	bool isRunning() const { return server != nullptr; }

private:
	void writeConfiguration()
	{
		auto text = [](const std::string& content) { return std::vector<uint8>(content.begin(), content.end()); };
		folder.write(".config/fcitx5/profile", text("[Groups/0]\n"
		                                             "Name=Default\n"
		                                             "Default Layout=us\n"
		                                             "DefaultIM=anthy\n"
		                                             "\n"
		                                             "[Groups/0/Items/0]\n"
		                                             "Name=keyboard-us\n"
		                                             "Layout=\n"
		                                             "\n"
		                                             "[Groups/0/Items/1]\n"
		                                             "Name=anthy\n"
		                                             "Layout=\n"
		                                             "\n"
		                                             "[GroupOrder]\n"
		                                             "0=Default\n"));
		folder.write(".config/fcitx5/config", text("[Behavior]\nActiveByDefault=True\n"));
		folder.write(".config/fcitx5/conf/xim.conf", text("UseOnTheSpot=True\n"));
	}

	// Clients find the server by the owner of its selection.
	bool isRegistered(xcb_connection_t* connection)
	{
		const std::string name = std::string("@server=") + kName;
		auto atomReply = xcb_intern_atom_reply(
		    connection, xcb_intern_atom(connection, 0, uint16(name.size()), name.c_str()), nullptr);
		if (!atomReply)
			return false;
		auto owner =
		    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atomReply->atom), nullptr);
		bool registered = owner && owner->owner != XCB_NONE;
		std::free(owner);
		std::free(atomReply);
		return registered;
	}

	bool waitUntilRegistered(bool registered)
	{
		xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
		auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		bool reached = false;
		while (!xcb_connection_has_error(connection) && std::chrono::steady_clock::now() < end)
		{
			if ((reached = isRegistered(connection) == registered))
				break;
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
		}
		xcb_disconnect(connection);
		return reached;
	}

	std::string display;
	TempFolder folder {"kavrin-im"};
	std::unique_ptr<PeerProcess> server;
};

// A window fixture whose suite shares one server on the fixture's display:
// it comes up once for the suite rather than for every test.
template <typename Fixture>
class WithInputMethodServer : public Fixture
{
protected:
	static void SetUpTestSuite()
	{
		Fixture::SetUpTestSuite();
		imServer = new InputMethodServer(Fixture::server->display);
	}
	static void TearDownTestSuite()
	{
		delete imServer;
		imServer = nullptr;
		Fixture::TearDownTestSuite();
	}

	// The server answers late on a loaded machine (Anthy loads its
	// dictionary on the first key): waits on it get a longer bound.
	template <typename Condition>
	bool pumpUntil(Condition condition, int milliseconds = 10000)
	{
		return Fixture::pumpUntil(condition, milliseconds);
	}

	static inline InputMethodServer* imServer {nullptr};
};

} // namespace Kavrin::Test
