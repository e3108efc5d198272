// Drags from other programs into a frame in a real X11 window. The other
// program is a small XDND source on a connection of its own, acting in
// turn with the frame's loop as a separate client would.

#include "lib/platform/x11/x11clientmessage.h"
#include "lib/platform/x11/x11dragdrop.h"
#include "lib/platform/x11/x11frame.h"
#include "tests/support/dragframe.h"
#include "tests/support/x11client.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace Kavrin::Test {
namespace {

struct Reply
{
	bool accept {false};
	xcb_atom_t action {XCB_NONE};
};

// The source side of XDND: owns XdndSelection, sends the messages and
// serves the data, and keeps the target's replies.
class XdndSource : public X11Client
{
public:
	explicit XdndSource(const std::string& display) : X11Client(display)
	{
		window = xcb_generate_id(connection);
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen()->root, -10, -10, 1, 1, 0,
		                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
		xcb_set_selection_owner(connection, window, atom("XdndSelection"), XCB_CURRENT_TIME);
		xcb_flush(connection);
	}
	~XdndSource() { destroyWindow(); }

	void offer(const char* type, std::string bytes) { data[atom(type)] = std::move(bytes); }

	// Up to three types travel in the message, more in XdndTypeList.
	void enter(xcb_window_t target, const std::vector<std::string>& types)
	{
		std::vector<xcb_atom_t> atoms;
		for (const auto& type : types)
			atoms.push_back(atom(type.c_str()));
		uint32 flags = 5u << 24;
		uint32 inMessage[3] = {};
		if (atoms.size() > 3)
		{
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("XdndTypeList"), XCB_ATOM_ATOM, 32,
			                    uint32(atoms.size()), atoms.data());
			flags |= 1;
		}
		else
			std::copy(atoms.begin(), atoms.end(), inMessage);
		send(target, "XdndEnter", flags, inMessage[0], inMessage[1], inMessage[2]);
	}
	void position(xcb_window_t target, int16 rootX, int16 rootY, const char* action = "XdndActionCopy")
	{
		send(target, "XdndPosition", 0, uint32(uint16(rootX)) << 16 | uint16(rootY), XCB_CURRENT_TIME,
		     atom(action));
	}
	void leave(xcb_window_t target) { send(target, "XdndLeave", 0); }
	void drop(xcb_window_t target) { send(target, "XdndDrop", 0, XCB_CURRENT_TIME); }

	void destroyWindow()
	{
		if (window == XCB_NONE)
			return;
		xcb_destroy_window(connection, window);
		xcb_flush(connection);
		window = XCB_NONE;
	}

	// Answers requests and collects replies.
	void handleEvent(const xcb_generic_event_t& event) override
	{
		const uint8 type = event.response_type & 0x7F;
		if (type == XCB_SELECTION_REQUEST)
			serve(reinterpret_cast<const xcb_selection_request_event_t&>(event));
		else if (type == XCB_CLIENT_MESSAGE)
			keep(reinterpret_cast<const xcb_client_message_event_t&>(event));
		else if (type == XCB_PROPERTY_NOTIFY)
			sendPiece(reinterpret_cast<const xcb_property_notify_event_t&>(event));
	}

	xcb_window_t window {XCB_NONE};
	std::map<xcb_atom_t, std::string> data;
	bool answers {true};
	// Data longer than this goes in pieces of this size (0: in one piece).
	size_t pieceSize {0};
	int requests {0};
	std::vector<Reply> statuses;
	std::optional<Reply> finished;

private:
	void send(xcb_window_t target, const char* type, uint32 data1, uint32 data2 = 0, uint32 data3 = 0,
	          uint32 data4 = 0)
	{
		sendClientMessage(connection, target, atom(type), {window, data1, data2, data3, data4});
		xcb_flush(connection);
	}

	void serve(const xcb_selection_request_event_t& request)
	{
		++requests;
		if (!answers)
			return;
		xcb_selection_notify_event_t notify {};
		notify.response_type = XCB_SELECTION_NOTIFY;
		notify.time = request.time;
		notify.requestor = request.requestor;
		notify.selection = request.selection;
		notify.target = request.target;
		auto offered = data.find(request.target);
		if (offered != data.end() && pieceSize > 0 && offered->second.size() > pieceSize)
		{
			const uint32 events[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
			xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, events);
			const uint32 size = uint32(offered->second.size());
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property, atom("INCR"),
			                    32, 1, &size);
			transfer = Transfer {request.requestor, request.property, request.target, offered->second, 0};
			notify.property = request.property;
		}
		else if (offered != data.end())
		{
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
			                    request.target, 8, uint32(offered->second.size()), offered->second.data());
			notify.property = request.property;
		}
		xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
		               reinterpret_cast<const char*>(&notify));
		xcb_flush(connection);
	}

	// The requestor took the last piece: the next follows, an empty one
	// after the last.
	void sendPiece(const xcb_property_notify_event_t& notify)
	{
		if (!transfer || notify.window != transfer->requestor || notify.atom != transfer->property ||
		    notify.state != XCB_PROPERTY_DELETE)
			return;
		const size_t length = std::min(pieceSize, transfer->bytes.size() - transfer->offset);
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer->requestor, transfer->property,
		                    transfer->type, 8, uint32(length), transfer->bytes.data() + transfer->offset);
		transfer->offset += length;
		if (length == 0)
			transfer.reset();
		xcb_flush(connection);
	}

	struct Transfer
	{
		xcb_window_t requestor;
		xcb_atom_t property;
		xcb_atom_t type;
		std::string bytes;
		size_t offset;
	};
	std::optional<Transfer> transfer;

	void keep(const xcb_client_message_event_t& message)
	{
		Reply reply {(message.data.data32[1] & 1) != 0, XCB_NONE};
		if (message.type == atom("XdndStatus"))
		{
			reply.action = message.data.data32[4];
			statuses.push_back(reply);
		}
		else if (message.type == atom("XdndFinished"))
		{
			reply.action = message.data.data32[2];
			finished = reply;
		}
	}
};

// The frame's parent sits at (40, 30) on the screen; the left half of the
// frame is a view with a drop target, the right half one without.
class X11DropTest : public X11WindowTest
{
protected:
	static constexpr int16 kLeft = 40;
	static constexpr int16 kTop = 30;

	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (HasFatalFailure())
			return;
		moveParent(kLeft, kTop);
		auto view = new CView(CRect(0, 0, 150, 200));
		target = owned(new LoggingDropTarget("target", log));
		target->logPositions = true;
		target->onDropHook = [this] { dropped = describe(target->lastPackage); };
		view->setDropTarget(target);
		frame->addView(view);
		frame->addView(new CView(CRect(150, 0, 300, 200)));
		open();
		frameWindow = xcb_window_t(reinterpret_cast<uintptr_t>(frame->getPlatformFrame()->getPlatformRepresentation()));
		source = std::make_unique<XdndSource>(server->display);
	}

	void TearDown() override
	{
		source.reset();
		X11WindowTest::TearDown();
	}

	// Runs the frame's loop and lets the source answer, until the condition
	// holds or the time is up.
	template <typename Condition>
	bool drive(Condition condition, int milliseconds = 2000)
	{
		return pumpUntil(condition, milliseconds, [this] { source->service(); });
	}
	void settle() { drive([] { return false; }, 150); }

	// Moves the drag to a point of the frame and waits for the answer.
	void moveTo(int16 x, int16 y)
	{
		const size_t answered = source->statuses.size();
		source->position(frameWindow, kLeft + x, kTop + y);
		ASSERT_TRUE(drive([&] { return source->statuses.size() > answered; }));
	}

	static std::vector<std::string> describe(IDataPackage* package)
	{
		std::vector<std::string> items;
		for (uint32 index = 0; package && index < package->getCount(); ++index)
		{
			const void* bytes = nullptr;
			IDataPackage::Type type = IDataPackage::kError;
			uint32 size = package->getData(index, bytes, type);
			items.push_back(std::to_string(type) + ":" + std::string(static_cast<const char*>(bytes), size));
		}
		return items;
	}

	xcb_atom_t atom(const char* name) { return source->atom(name); }

	EventLog log;
	SharedPointer<LoggingDropTarget> target;
	std::optional<std::vector<std::string>> dropped;
	xcb_window_t frameWindow {XCB_NONE};
	std::unique_ptr<XdndSource> source;
};

TEST_F(X11DropTest, WindowAnnouncesVersionFive)
{
	auto reply = xcb_get_property_reply(
	    connection, xcb_get_property(connection, 0, frameWindow, atom("XdndAware"), XCB_ATOM_ATOM, 0, 1), nullptr);
	ASSERT_NE(reply, nullptr);
	ASSERT_EQ(xcb_get_property_value_length(reply), 4);
	EXPECT_EQ(*static_cast<uint32*>(xcb_get_property_value(reply)), 5u);
	std::free(reply);
}

struct DropCase
{
	const char* name;
	std::vector<std::string> types;
	const char* servedType;
	std::string served;
	DragOperation answer;
	const char* action;
	std::vector<std::string> items;
};

TEST_F(X11DropTest, DropDeliversThePackageAtFramePositions)
{
	const std::string text = std::to_string(IDataPackage::kText) + ":";
	const std::string file = std::to_string(IDataPackage::kFilePath) + ":";
	const DropCase cases[] = {
	    {"utf-8 text", {"UTF8_STRING", "STRING"}, "UTF8_STRING", "h\xC3\xA9llo", DragOperation::Copy,
	     "XdndActionCopy", {text + "h\xC3\xA9llo"}},
	    {"text among more than three types",
	     {"text/html", "image/png", "application/x-other", "text/plain;charset=utf-8"},
	     "text/plain;charset=utf-8", "listed", DragOperation::Copy, "XdndActionCopy", {text + "listed"}},
	    {"text preferred to files", {"text/uri-list", "UTF8_STRING"}, "UTF8_STRING", "words", DragOperation::Copy,
	     "XdndActionCopy", {text + "words"}},
	    {"text in pieces", {"UTF8_STRING"}, "UTF8_STRING", std::string(10000, 'x'), DragOperation::Copy,
	     "XdndActionCopy", {text + std::string(10000, 'x')}},
	    {"file list moved", {"text/uri-list"}, "text/uri-list", "file:///tmp/a%20b\r\n# note\r\nfile:///etc/x\r\n",
	     DragOperation::Move, "XdndActionMove", {file + std::string("/tmp/a b\0", 9), file + std::string("/etc/x\0", 7)}},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		log.clear();
		dropped.reset();
		source = std::make_unique<XdndSource>(server->display);
		source->offer(test.servedType, test.served);
		source->pieceSize = 4096;
		target->answer = test.answer;

		source->enter(frameWindow, test.types);
		ASSERT_NO_FATAL_FAILURE(moveTo(20, 30));
		ASSERT_NO_FATAL_FAILURE(moveTo(60, 70));
		source->drop(frameWindow);
		ASSERT_TRUE(drive([&] { return source->finished.has_value(); }));

		EXPECT_EQ(log, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:move 60,70 0",
		                          "target:drop 60,70 0"}));
		ASSERT_TRUE(dropped.has_value());
		EXPECT_EQ(*dropped, test.items);
		for (const Reply& status : source->statuses)
		{
			EXPECT_TRUE(status.accept);
			EXPECT_EQ(status.action, atom(test.action));
		}
		EXPECT_TRUE(source->finished->accept);
		EXPECT_EQ(source->finished->action, atom(test.action));
	}
}

TEST_F(X11DropTest, FramePositionsFollowTheScale)
{
	static_cast<X11Frame*>(frame->getPlatformFrame())->setScaleFactor(2.);
	source->offer("UTF8_STRING", "x");
	source->enter(frameWindow, {"UTF8_STRING"});
	ASSERT_NO_FATAL_FAILURE(moveTo(100, 60));
	EXPECT_EQ(log, (EventLog {"target:enter 50,30 0", "target:move 50,30 0"}));
}

TEST_F(X11DropTest, ViewWithoutDropTargetRefusesAndGetsNoDrop)
{
	source->offer("UTF8_STRING", "text");
	source->enter(frameWindow, {"UTF8_STRING"});
	ASSERT_NO_FATAL_FAILURE(moveTo(20, 30));
	ASSERT_NO_FATAL_FAILURE(moveTo(200, 30));
	source->drop(frameWindow);
	ASSERT_TRUE(drive([&] { return source->finished.has_value(); }));
	settle();

	EXPECT_TRUE(source->statuses[0].accept);
	EXPECT_FALSE(source->statuses[1].accept);
	EXPECT_EQ(source->statuses[1].action, xcb_atom_t(XCB_NONE));
	EXPECT_FALSE(source->finished->accept);
	EXPECT_EQ(source->requests, 0);
	EXPECT_FALSE(dropped.has_value());
	EXPECT_EQ(log, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:leave 200,30 0"}));
}

// However the source's drag ends without a drop, the target hears a leave.
TEST_F(X11DropTest, DragEndingWithoutDropLeaves)
{
	struct Ending
	{
		const char* name;
		std::function<void()> end;
	};
	const Ending endings[] = {
	    {"leave message", [this] { source->leave(frameWindow); }},
	    {"source window destroyed", [this] { source->destroyWindow(); }},
	    {"new drag without leave", [this] { source->enter(frameWindow, {"UTF8_STRING"}); }},
	};
	for (const auto& ending : endings)
	{
		SCOPED_TRACE(ending.name);
		log.clear();
		source = std::make_unique<XdndSource>(server->display);
		source->enter(frameWindow, {"UTF8_STRING"});
		ASSERT_NO_FATAL_FAILURE(moveTo(20, 30));
		ending.end();
		ASSERT_TRUE(drive([&] { return log.size() == 3; }));
		settle();
		EXPECT_EQ(log, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:leave 20,30 0"}));
		EXPECT_FALSE(dropped.has_value());
	}
}

TEST_F(X11DropTest, FrameClosedByTheDropStillAnswersTheSource)
{
	target->onDropHook = [this] { std::exchange(frame, nullptr)->close(); };
	source->offer("UTF8_STRING", "bye");
	source->enter(frameWindow, {"UTF8_STRING"});
	source->position(frameWindow, kLeft + 20, kTop + 30);
	source->drop(frameWindow);
	ASSERT_TRUE(drive([&] { return source->finished.has_value(); }));
	EXPECT_TRUE(source->finished->accept);
	EXPECT_EQ(log, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:drop 20,30 0"}));
	settle();
}

TEST_F(X11DropTest, FrameClosedByTheEnterRefusesTheDrag)
{
	uint32 itemsAfterClose = 0;
	target->onEnterHook = [&] {
		IDataPackage* package = target->lastPackage;
		std::exchange(frame, nullptr)->close();
		itemsAfterClose = package->getCount();
	};
	source->enter(frameWindow, {"UTF8_STRING"});
	ASSERT_NO_FATAL_FAILURE(moveTo(20, 30));
	EXPECT_FALSE(source->statuses[0].accept);
	EXPECT_EQ(itemsAfterClose, 1u);
	settle();
}

TEST_F(X11DropTest, SilentSourceEndsTheDropAndTheFrameKeepsWorking)
{
	source->answers = false;
	source->enter(frameWindow, {"UTF8_STRING"});
	ASSERT_NO_FATAL_FAILURE(moveTo(20, 30));
	source->drop(frameWindow);
	// Within the bounded wait and a margin.
	ASSERT_TRUE(drive([&] { return source->finished.has_value(); }, int(X11DropTarget::kDataTimeoutMilliseconds) + 2000));
	EXPECT_EQ(source->requests, 1);
	EXPECT_FALSE(source->finished->accept);
	EXPECT_FALSE(dropped.has_value());
	EXPECT_EQ(log, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:leave 20,30 0"}));

	log.clear();
	source = std::make_unique<XdndSource>(server->display);
	source->offer("UTF8_STRING", "again");
	source->enter(frameWindow, {"UTF8_STRING"});
	source->position(frameWindow, kLeft + 20, kTop + 30);
	source->drop(frameWindow);
	ASSERT_TRUE(drive([&] { return source->finished.has_value(); }));
	EXPECT_TRUE(source->finished->accept);
	ASSERT_TRUE(dropped.has_value());
	EXPECT_EQ(*dropped, (std::vector<std::string> {std::to_string(IDataPackage::kText) + ":again"}));
}

} // namespace
} // namespace Kavrin::Test
