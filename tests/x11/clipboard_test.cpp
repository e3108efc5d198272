// The clipboard of a frame in a real X11 window, against clipboard tools
// we did not write (xclip, xsel) and small hand-made peers that misbehave:
// an owner that never answers and one that stops in the middle of a large
// transfer. The loop is driven while a peer runs, as a host would.

#include "lib/platform/x11/x11clipboard.h"
#include "lib/platform/x11/x11datapackage.h"
#include "tests/support/peerprocess.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <thread>
#include <vector>

extern char** environ;

namespace Kavrin::Test {
namespace {

// Owns CLIPBOARD from a connection of its own and answers no request.
class SilentOwner
{
public:
	explicit SilentOwner(const std::string& display) : connection(xcb_connect(display.c_str(), nullptr))
	{
		xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
		window = xcb_generate_id(connection);
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
		                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
		xcb_set_selection_owner(connection, window, atom(connection, "CLIPBOARD"), XCB_CURRENT_TIME);
		std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
	}
	~SilentOwner() { xcb_disconnect(connection); }

	static xcb_atom_t atom(xcb_connection_t* connection, const char* name)
	{
		auto reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name),
		                                   nullptr);
		xcb_atom_t result = reply ? reply->atom : XCB_NONE;
		std::free(reply);
		return result;
	}

	// Tells the requestor its data is in the property it named.
	void answer(const xcb_selection_request_event_t& request)
	{
		xcb_selection_notify_event_t notify {};
		notify.response_type = XCB_SELECTION_NOTIFY;
		notify.requestor = request.requestor;
		notify.selection = request.selection;
		notify.target = request.target;
		notify.property = request.property;
		xcb_send_event(connection, 0, request.requestor, 0, reinterpret_cast<const char*>(&notify));
		xcb_flush(connection);
	}

	xcb_connection_t* connection;
	xcb_window_t window {XCB_NONE};
};

// Offers UTF8_STRING, starts an INCR transfer, sends one chunk and then
// falls silent.
class StallingOwner : public SilentOwner
{
public:
	explicit StallingOwner(const std::string& display) : SilentOwner(display)
	{
		thread = std::thread([this] { serve(); });
	}
	~StallingOwner()
	{
		stop = true;
		thread.join();
	}

private:
	void serve()
	{
		const xcb_atom_t targets = atom(connection, "TARGETS");
		const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
		const xcb_atom_t incr = atom(connection, "INCR");
		xcb_window_t requestor = XCB_NONE;
		xcb_atom_t property = XCB_NONE;
		bool chunkSent = false;
		while (!stop)
		{
			xcb_generic_event_t* event = xcb_poll_for_event(connection);
			if (!event)
			{
				std::this_thread::sleep_for(std::chrono::milliseconds(2));
				continue;
			}
			if ((event->response_type & 0x7F) == XCB_SELECTION_REQUEST)
			{
				auto request = reinterpret_cast<xcb_selection_request_event_t*>(event);
				if (request->target == targets)
				{
					const xcb_atom_t offered[] = {targets, utf8};
					xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
					                    XCB_ATOM_ATOM, 32, 2, offered);
				}
				else
				{
					const uint32 values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
					xcb_change_window_attributes(connection, request->requestor, XCB_CW_EVENT_MASK, values);
					const uint32 size = 1 << 20;
					xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
					                    incr, 32, 1, &size);
					requestor = request->requestor;
					property = request->property;
				}
				answer(*request);
			}
			else if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY && !chunkSent)
			{
				auto change = reinterpret_cast<xcb_property_notify_event_t*>(event);
				if (change->window == requestor && change->atom == property && change->state == XCB_PROPERTY_DELETE)
				{
					xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, utf8, 8, 7,
					                    "partial");
					xcb_flush(connection);
					chunkSent = true;
				}
			}
			std::free(event);
		}
	}

	std::atomic<bool> stop {false};
	std::thread thread;
};

std::string itemText(IDataPackage& package, uint32 index)
{
	const void* bytes = nullptr;
	IDataPackage::Type type = IDataPackage::kError;
	uint32 size = package.getData(index, bytes, type);
	return size ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

SharedPointer<IDataPackage> packageOf(std::initializer_list<std::pair<std::string, IDataPackage::Type>> items)
{
	auto package = makeOwned<X11DataPackage>();
	for (const auto& [bytes, type] : items)
		package->addItem(bytes, type);
	return package;
}

class X11ClipboardTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		open();
	}

	// Runs the peer to its end while the loop serves the clipboard.
	std::string run(std::vector<std::string> arguments, std::string input = {}, int seconds = 10)
	{
		const std::string name = arguments.empty() ? std::string() : arguments[0];
		PeerProcess peer(server->display, std::move(arguments));
		peer.input = std::move(input);
		auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
		EXPECT_TRUE(peer.runToEnd([&] { loop->runOnce(2); }, std::chrono::seconds(seconds)))
		    << name << " did not finish";
		return peer.output;
	}

	// Starts a peer that owns the clipboard until it is killed, and waits
	// until it does.
	std::unique_ptr<PeerProcess> startOwner(std::vector<std::string> arguments, std::string input)
	{
		xcb_window_t before = owner();
		auto peer = std::make_unique<PeerProcess>(server->display, std::move(arguments));
		peer->input = std::move(input);
		auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		while (std::chrono::steady_clock::now() < end)
		{
			peer->step();
			xcb_window_t now = owner();
			if (now != XCB_NONE && now != before)
				break;
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
		}
		EXPECT_NE(owner(), before);
		return peer;
	}

	// Asked on a connection of the test's own, so that the replies leave
	// no events of the platform's connection in its queue.
	xcb_window_t owner()
	{
		xcb_connection_t* observer = observing.connection;
		auto reply = xcb_get_selection_owner_reply(
		    observer, xcb_get_selection_owner(observer, SilentOwner::atom(observer, "CLIPBOARD")), nullptr);
		xcb_window_t window = reply ? reply->owner : XCB_NONE;
		std::free(reply);
		return window;
	}

	struct Observer
	{
		xcb_connection_t* connection {xcb_connect(server->display.c_str(), nullptr)};
		~Observer() { xcb_disconnect(connection); }
	} observing;
	const std::vector<std::string> xclipOut {"xclip", "-o", "-selection", "clipboard"};
	const std::vector<std::string> xclipIn {"xclip", "-quiet", "-i", "-selection", "clipboard"};
};

TEST_F(X11ClipboardTest, TextSetByTheToolkitIsReadByOtherClients)
{
	const std::string text = "caf\xC3\xA9 \xE2\x82\xAC 1";
	frame->setClipboard(packageOf({{text, IDataPackage::kText}}));
	EXPECT_EQ(run(xclipOut), text);
	EXPECT_EQ(run({"xsel", "-b", "-o"}), text);
	std::string targets = run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"});
	EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
	EXPECT_NE(targets.find("text/plain;charset=utf-8"), std::string::npos) << targets;
	// The euro sign is not in Latin-1.
	EXPECT_EQ(targets.find("\nSTRING\n"), std::string::npos) << targets;

	frame->setClipboard(packageOf({{"caf\xC3\xA9", IDataPackage::kText}}));
	targets = run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"});
	EXPECT_NE(targets.find("\nSTRING\n"), std::string::npos) << targets;
	EXPECT_EQ(run({"xclip", "-o", "-selection", "clipboard", "-t", "STRING"}), "caf\xE9");
}

TEST_F(X11ClipboardTest, WhatIsOfferedFollowsTheItemOrder)
{
	struct Case
	{
		SharedPointer<IDataPackage> package;
		const char* target;
		std::string served;
	};
	const Case cases[] = {
	    {packageOf({{"first", IDataPackage::kText}, {"second", IDataPackage::kText}}), "UTF8_STRING", "first"},
	    {packageOf({{"/tmp/a", IDataPackage::kFilePath}, {"text", IDataPackage::kText}}), "UTF8_STRING", "text"},
	    {packageOf({{"/tmp/a b", IDataPackage::kFilePath}, {"/x/\xC3\xA9", IDataPackage::kFilePath}}),
	     "text/uri-list", "file:///tmp/a%20b\r\nfile:///x/%C3%A9\r\n"},
	    {packageOf({{std::string("\0\1\2", 3), IDataPackage::kBinary}, {"text", IDataPackage::kText}}),
	     X11Clipboard::kBinaryTarget, std::string("\0\1\2", 3)},
	    {packageOf({{"", IDataPackage::kText}, {"second", IDataPackage::kText}}), "UTF8_STRING", "second"},
	};
	for (const auto& c : cases)
	{
		frame->setClipboard(c.package);
		EXPECT_EQ(run({"xclip", "-o", "-selection", "clipboard", "-t", c.target}), c.served) << c.target;
	}
}

TEST_F(X11ClipboardTest, NullPackageGivesTheSelectionUp)
{
	frame->setClipboard(packageOf({{"text", IDataPackage::kText}}));
	EXPECT_NE(owner(), xcb_window_t(XCB_NONE));
	frame->setClipboard(nullptr);
	EXPECT_EQ(owner(), xcb_window_t(XCB_NONE));
	EXPECT_FALSE(platform->getClipboard().ownsSelection());
	EXPECT_EQ(frame->getClipboard()->getCount(), 0u);
}

TEST_F(X11ClipboardTest, OwnContentIsAnsweredFromThePackage)
{
	auto package = packageOf({{"first", IDataPackage::kText}, {"second", IDataPackage::kText}});
	frame->setClipboard(package);
	EXPECT_EQ(frame->getClipboard(), package);
}

TEST_F(X11ClipboardTest, DataSetByOtherClientsIsRead)
{
	struct Case
	{
		std::vector<std::string> arguments;
		std::string input;
		std::vector<std::pair<std::string, IDataPackage::Type>> items;
	};
	const std::string fullRed("\xFF\xFF\0\0\0\0\0\x80", 8);
	const Case cases[] = {
	    {{}, "plain \xC3\xA9", {{"plain \xC3\xA9", IDataPackage::kText}}},
	    {{"-t", "text/uri-list"},
	     "file:///tmp/a%20b.wav\r\n# comment\r\nfile:///x\r\n",
	     {{std::string("/tmp/a b.wav\0", 13), IDataPackage::kFilePath}, {std::string("/x\0", 3), IDataPackage::kFilePath}}},
	    {{"-t", "application/x-color"}, fullRed, {{"#ff00007f", IDataPackage::kText}}},
	    // Invalid UTF-8 from the owner is repaired, not passed on.
	    {{}, "bad \xFF\xC3", {{"bad \xEF\xBF\xBD\xEF\xBF\xBD", IDataPackage::kText}}},
	    // A list naming no local file falls through to the raw data.
	    {{"-t", "text/uri-list"}, "http://x/\r\nfile:///%zz\r\n", {{"http://x/\r\nfile:///%zz\r\n", IDataPackage::kBinary}}},
	};
	for (const auto& c : cases)
	{
		auto arguments = xclipIn;
		arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
		auto peer = startOwner(arguments, c.input);
		EXPECT_FALSE(platform->getClipboard().ownsSelection());
		auto package = frame->getClipboard();
		ASSERT_TRUE(package);
		ASSERT_EQ(package->getCount(), c.items.size()) << c.input;
		for (uint32 i = 0; i < c.items.size(); ++i)
		{
			EXPECT_EQ(itemText(*package, i), c.items[i].first) << c.input;
			EXPECT_EQ(package->getDataType(i), c.items[i].second) << c.input;
		}
	}
}

TEST_F(X11ClipboardTest, OwnershipTakenByAnotherClientIsNoticed)
{
	frame->setClipboard(packageOf({{"ours", IDataPackage::kText}}));
	EXPECT_TRUE(platform->getClipboard().ownsSelection());
	{
		auto peer = startOwner(xclipIn, "theirs");
		EXPECT_TRUE(pumpUntil([&] { return !platform->getClipboard().ownsSelection(); }));
	}
	// Read before the notice of the new owner is handled.
	frame->setClipboard(packageOf({{"ours", IDataPackage::kText}}));
	auto peer = startOwner(xclipIn, "theirs");
	auto package = frame->getClipboard();
	ASSERT_EQ(package->getCount(), 1u);
	EXPECT_EQ(itemText(*package, 0), "theirs");
	EXPECT_FALSE(platform->getClipboard().ownsSelection());
}

TEST_F(X11ClipboardTest, LargeTextGoesBothWaysInChunks)
{
	std::string text(5 << 20, 'x');
	for (size_t i = 0; i < text.size(); i += 997)
		text[i] = char('a' + i % 26);
	frame->setClipboard(packageOf({{text, IDataPackage::kText}}));
	EXPECT_TRUE(run(xclipOut, {}, 30) == text);

	auto peer = startOwner(xclipIn, text + "!");
	auto package = frame->getClipboard();
	ASSERT_EQ(package->getCount(), 1u);
	std::string read = itemText(*package, 0);
	EXPECT_EQ(read.size(), text.size() + 1);
	EXPECT_TRUE(read == text + "!");
}

TEST_F(X11ClipboardTest, SeveralRequestorsAreServedAtOnce)
{
	std::string text(3 << 20, 'y');
	frame->setClipboard(packageOf({{text, IDataPackage::kText}}));
	PeerProcess first(server->display, xclipOut), second(server->display, {"xsel", "-b", "-o"});
	first.closeInput();
	second.closeInput();
	auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
	auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
	while (!(first.step() & second.step()) && std::chrono::steady_clock::now() < end)
		loop->runOnce(2);
	EXPECT_TRUE(first.output == text);
	EXPECT_TRUE(second.output == text);
}

TEST_F(X11ClipboardTest, SilentOwnersGiveAnEmptyPackageInBoundedTime)
{
	{
		SilentOwner silent(server->display);
		auto start = std::chrono::steady_clock::now();
		auto package = frame->getClipboard();
		ASSERT_TRUE(package);
		EXPECT_EQ(package->getCount(), 0u);
		EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
	}
	{
		// A tool stopped while it owns the selection.
		auto peer = startOwner(xclipIn, "stopped");
		::kill(peer->pid, SIGSTOP);
		auto package = frame->getClipboard();
		ASSERT_TRUE(package);
		EXPECT_EQ(package->getCount(), 0u);
	}
}

TEST_F(X11ClipboardTest, TransferStoppingMidwayKeepsWhatCame)
{
	StallingOwner stalling(server->display);
	auto package = frame->getClipboard();
	ASSERT_TRUE(package);
	ASSERT_LE(package->getCount(), 1u);
	if (package->getCount() == 1)
	{
		EXPECT_EQ(itemText(*package, 0), "partial");
	}
}

// PRIMARY is a selection of its own: owning one leaves the other alone,
// and giving PRIMARY up leaves no owner.
TEST_F(X11ClipboardTest, PrimaryIsASelectionOfItsOwn)
{
	X11Clipboard& primary = platform->getPrimarySelection();
	frame->setClipboard(packageOf({{"copied", IDataPackage::kText}}));
	primary.setText("sel\xC3\xA9" "cted");
	EXPECT_EQ(run({"xclip", "-o", "-selection", "primary"}), "sel\xC3\xA9" "cted");
	EXPECT_EQ(run(xclipOut), "copied");
	EXPECT_EQ(run({"xclip", "-o", "-selection", "primary", "-t", "STRING"}), "sel\xE9" "cted");
	EXPECT_EQ(primary.getText(), "sel\xC3\xA9" "cted");

	primary.setText("");
	EXPECT_FALSE(primary.ownsSelection());
	EXPECT_EQ(run({"xclip", "-o", "-selection", "primary"}), "");
	EXPECT_EQ(primary.getText(), "");
	EXPECT_EQ(run(xclipOut), "copied");
}

TEST_F(X11ClipboardTest, ContentOutlivesTheFrameThatSetIt)
{
	frame->setClipboard(packageOf({{"kept", IDataPackage::kText}}));
	frame->close();
	frame = nullptr;
	pump(50);
	EXPECT_EQ(run(xclipOut), "kept");
}

// Owns CLIPBOARD_MANAGER; asked to save the targets, it reads the
// clipboard's text as a manager would, then answers.
class ClipboardManager : public SilentOwner
{
public:
	explicit ClipboardManager(const std::string& display) : SilentOwner(display)
	{
		xcb_set_selection_owner(connection, window, atom(connection, "CLIPBOARD_MANAGER"), XCB_CURRENT_TIME);
		// Undo the CLIPBOARD ownership of the base.
		xcb_set_selection_owner(connection, XCB_NONE, atom(connection, "CLIPBOARD"), XCB_CURRENT_TIME);
		std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
		thread = std::thread([this] { serve(); });
	}
	~ClipboardManager() { finish(); }

	// Waits until the manager answered (or gave up).
	void finish()
	{
		if (thread.joinable())
			thread.join();
	}

	std::string saved;

private:
	xcb_generic_event_t* waitFor(uint8 type)
	{
		auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
		while (std::chrono::steady_clock::now() < end)
		{
			if (xcb_generic_event_t* event = xcb_poll_for_event(connection))
			{
				if ((event->response_type & 0x7F) == type)
					return event;
				std::free(event);
			}
			else
				std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		return nullptr;
	}

	void serve()
	{
		auto request = reinterpret_cast<xcb_selection_request_event_t*>(waitFor(XCB_SELECTION_REQUEST));
		if (!request)
			return;
		const xcb_atom_t property = atom(connection, "SAVED");
		xcb_convert_selection(connection, window, atom(connection, "CLIPBOARD"), atom(connection, "UTF8_STRING"),
		                      property, XCB_CURRENT_TIME);
		xcb_flush(connection);
		std::free(waitFor(XCB_SELECTION_NOTIFY));
		auto reply = xcb_get_property_reply(
		    connection, xcb_get_property(connection, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
		if (reply)
			saved.assign(static_cast<const char*>(xcb_get_property_value(reply)),
			             size_t(xcb_get_property_value_length(reply)));
		std::free(reply);
		answer(*request);
		std::free(request);
	}

	std::thread thread;
};

TEST_F(X11ClipboardTest, ClosingTheLastFrameHandsTheContentToAManager)
{
	ClipboardManager manager(server->display);
	frame->setClipboard(packageOf({{"keep me", IDataPackage::kText}}));
	auto start = std::chrono::steady_clock::now();
	frame->close();
	frame = nullptr;
	EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
	manager.finish();
	EXPECT_EQ(manager.saved, "keep me");
}

TEST_F(X11ClipboardTest, EventsArrivingDuringAReadAreNotLost)
{
	SilentOwner silent(server->display);
	// Property changes on the parent arrive while the read waits.
	xcb_window_t watched = xcb_generate_id(connection);
	const uint32 mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, watched, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
	                  XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, mask);
	std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
	int seen = 0;
	platform->setOtherWindowEventHandler([&](const xcb_generic_event_t* event) {
		if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
		    reinterpret_cast<const xcb_property_notify_event_t*>(event)->window == watched)
			++seen;
	});
	xcb_change_property(silent.connection, XCB_PROP_MODE_REPLACE, watched, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 1,
	                    "a");
	xcb_flush(silent.connection);
	frame->getClipboard();
	EXPECT_TRUE(pumpUntil([&] { return seen == 1; }));
	platform->setOtherWindowEventHandler(nullptr);
	xcb_destroy_window(connection, watched);
}

} // namespace
} // namespace Kavrin::Test
