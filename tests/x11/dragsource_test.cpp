// Drags out of a frame in a real X11 window, through XDND, started by real
// input: a press on a view that asks for a drag. The targets are a small
// scripted XDND target on a connection of its own, a frame of the same
// process, and a frame of another program (tests/x11/dndpeer.cpp).

#include "lib/cdropsource.h"
#include "lib/platform/x11/x11clientmessage.h"
#include "lib/platform/x11/x11dragsource.h"
#include "lib/platform/x11/x11frame.h"
#include "lib/platform/x11/x11reply.h"
#include "lib/platform/x11/x11selectionserver.h"
#include "tests/support/dragframe.h"
#include "tests/support/paintedbitmaps.h"
#include "tests/support/peerprocess.h"
#include "tests/support/tempfolder.h"
#include "tests/support/x11client.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr xcb_keysym_t kEscapeKeysym = 0xFF1B;

std::string operationName(DragOperation operation)
{
	switch (operation)
	{
		case DragOperation::Copy:
			return "copy";
		case DragOperation::Move:
			return "move";
		default:
			return "none";
	}
}

std::string at(const CPoint& point)
{
	std::ostringstream text;
	text << point.x << "," << point.y;
	return text.str();
}

// Logs "begin X,Y", "move X,Y" and "end X,Y OPERATION"; hooks run after.
class RecordingDragCallback : public IDragCallback, public NonAtomicReferenceCounted
{
public:
	void dragWillBegin(IDraggingSession* session, const CPoint& pos) override
	{
		log.push_back("begin " + at(pos));
		if (onBegin)
			onBegin(session);
	}
	void dragMoved(IDraggingSession* session, const CPoint& pos) override
	{
		log.push_back("move " + at(pos));
		++moves;
		if (onMoved)
			onMoved(session);
	}
	void dragEnded(IDraggingSession* session, const CPoint& pos, DragOperation result) override
	{
		log.push_back("end " + at(pos) + " " + operationName(result));
		++ends;
		if (onEnded)
			onEnded(session);
	}

	EventLog log;
	int moves {0};
	int ends {0};
	std::function<void(IDraggingSession*)> onBegin, onMoved, onEnded;
};

// Asks for a drag from its press, or from its first move with the left
// button held.
class DragStartView : public CView
{
public:
	using CView::CView;

	CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override
	{
		if (startOnPress)
			start();
		return kMouseHandled;
	}
	CMouseEventResult onMouseMoved(CPoint&, const CButtonState& buttons) override
	{
		if (!startOnPress && buttons.isLeftButton() && !attempted)
			start();
		return kMouseHandled;
	}
	void start()
	{
		attempted = true;
		if (olderForm)
			started = doDrag(description.data, description.bitmapOffset, description.bitmap) == 0;
		else
			started = doDrag(description, callback);
	}

	DragDescription description;
	SharedPointer<IDragCallback> callback;
	bool startOnPress {true};
	bool olderForm {false};
	bool attempted {false};
	bool started {false};
};

// The target side of XDND on a connection of its own: a top-level window
// that announces a version (itself or through a proxy), answers each
// position as told, and on a drop reads the data under the asked targets
// (large data in pieces) before it says it is done.
class XdndTarget : public X11Client
{
public:
	struct Position
	{
		int16 x;
		int16 y;
		std::string action;
	};

	XdndTarget(const std::string& display, int16 x, int16 y, uint32 version = 5, bool viaProxy = false)
	: X11Client(display)
	{
		window = xcb_generate_id(connection);
		const uint32 events[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen()->root, x, y, 300, 200, 0,
		                  XCB_WINDOW_CLASS_INPUT_OUTPUT, screen()->root_visual, XCB_CW_EVENT_MASK, events);
		xcb_window_t aware = window;
		if (viaProxy)
		{
			proxy = xcb_generate_id(connection);
			xcb_create_window(connection, XCB_COPY_FROM_PARENT, proxy, screen()->root, -10, -10, 1, 1, 0,
			                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("XdndProxy"), XCB_ATOM_WINDOW, 32, 1,
			                    &proxy);
			xcb_change_property(connection, XCB_PROP_MODE_REPLACE, proxy, atom("XdndProxy"), XCB_ATOM_WINDOW, 32, 1,
			                    &proxy);
			aware = proxy;
		}
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, aware, atom("XdndAware"), XCB_ATOM_ATOM, 32, 1,
		                    &version);
		xcb_map_window(connection, window);
		sync();
	}
	~XdndTarget() { destroyWindow(); }

	void answerPosition()
	{
		X11Reply<xcb_get_geometry_reply_t> area(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
		const uint32 origin = uint32(uint16(area->x)) << 16 | uint16(area->y);
		const uint32 size = uint32(area->width) << 16 | area->height;
		reply("XdndStatus", (accept ? 1u : 0u) | (wantsEveryPosition ? 2u : 0u), origin, size,
		      accept ? atom(action.c_str()) : XCB_NONE);
	}

	void destroyWindow()
	{
		if (window == XCB_NONE)
			return;
		xcb_destroy_window(connection, window);
		if (proxy != XCB_NONE)
			xcb_destroy_window(connection, proxy);
		sync();
		window = proxy = XCB_NONE;
	}

	// Whether some client holds the pointer (false grabs it and lets go).
	bool pointerIsGrabbed()
	{
		X11Reply<xcb_grab_pointer_reply_t> reply(xcb_grab_pointer_reply(
		    connection,
		    xcb_grab_pointer(connection, 0, window, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
		                     XCB_CURRENT_TIME),
		    nullptr));
		if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS)
		{
			xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
			xcb_flush(connection);
			return false;
		}
		return true;
	}

	void handleEvent(const xcb_generic_event_t& event) override
	{
		const uint8 type = event.response_type & 0x7F;
		if (type == XCB_CLIENT_MESSAGE)
			handleMessage(reinterpret_cast<const xcb_client_message_event_t&>(event));
		else if (type == XCB_SELECTION_NOTIFY)
			dataArrived(reinterpret_cast<const xcb_selection_notify_event_t&>(event));
		else if (type == XCB_PROPERTY_NOTIFY)
			pieceArrived(reinterpret_cast<const xcb_property_notify_event_t&>(event));
	}

	// What it answers.
	bool accept {true};
	std::string action {"XdndActionCopy"};
	std::string finishedAction; // empty: the status's action
	bool finishesWithAcceptBit {true};
	bool answersPositions {true};
	// Off: no positions wanted while the pointer stays over the window.
	bool wantsEveryPosition {true};
	// What it reads on a drop; empty: the first type offered.
	std::vector<std::string> readOnDrop;

	// What it saw.
	xcb_window_t window {XCB_NONE};
	xcb_window_t proxy {XCB_NONE};
	EventLog log;
	uint32 enterVersion {0};
	bool typesInList {false};
	std::vector<std::string> types;
	std::vector<Position> positions;
	// The window each message named.
	std::vector<xcb_window_t> named;
	std::map<std::string, std::string> received;
	std::vector<std::string> refused;
	bool finished {false};

private:
	void handleMessage(const xcb_client_message_event_t& message)
	{
		const std::string type = atomName(message.type);
		named.push_back(message.window);
		if (type == "XdndEnter")
			entered(message);
		else if (type == "XdndPosition")
		{
			positions.push_back({int16(message.data.data32[2] >> 16), int16(message.data.data32[2] & 0xFFFF),
			                     atomName(message.data.data32[4])});
			log.push_back("position");
			if (answersPositions)
				answerPosition();
		}
		else if (type == "XdndLeave")
			log.push_back("leave");
		else if (type == "XdndDrop")
		{
			log.push_back("drop");
			dropTime = message.data.data32[2];
			pending.assign(readOnDrop.begin(), readOnDrop.end());
			if (pending.empty() && !types.empty())
				pending.push_back(types.front());
			readNext();
		}
	}

	void entered(const xcb_client_message_event_t& message)
	{
		log.push_back("enter");
		source = message.data.data32[0];
		enterVersion = message.data.data32[1] >> 24;
		typesInList = message.data.data32[1] & 1;
		types.clear();
		std::vector<xcb_atom_t> atoms;
		if (typesInList)
		{
			X11Reply<xcb_get_property_reply_t> list(xcb_get_property_reply(
			    connection, xcb_get_property(connection, 0, source, atom("XdndTypeList"), XCB_ATOM_ATOM, 0, 64),
			    nullptr));
			if (list)
			{
				auto values = static_cast<const xcb_atom_t*>(xcb_get_property_value(list.get()));
				atoms.assign(values, values + xcb_get_property_value_length(list.get()) / 4);
			}
		}
		else
			for (int index = 2; index < 5; ++index)
				if (message.data.data32[index] != XCB_NONE)
					atoms.push_back(message.data.data32[index]);
		for (xcb_atom_t type : atoms)
			types.push_back(atomName(type));
	}

	void readNext()
	{
		if (pending.empty())
		{
			const std::string done = finishedAction.empty() ? action : finishedAction;
			reply("XdndFinished", accept && finishesWithAcceptBit ? 1u : 0u, accept ? atom(done.c_str()) : XCB_NONE);
			finished = true;
			return;
		}
		reading = atom(pending.front().c_str());
		xcb_delete_property(connection, window, atom("TEST_DATA"));
		xcb_convert_selection(connection, window, atom("XdndSelection"), reading, atom("TEST_DATA"), dropTime);
		xcb_flush(connection);
	}

	void dataArrived(const xcb_selection_notify_event_t& notify)
	{
		if (pending.empty() || notify.target != reading)
			return;
		if (notify.property == XCB_NONE)
		{
			refused.push_back(pending.front());
			pending.pop_front();
			readNext();
			return;
		}
		xcb_atom_t type = XCB_NONE;
		std::string bytes = takeProperty(type);
		if (type == atom("INCR"))
		{
			// Taking the announcement asked for the first piece.
			incremental = true;
			pieces.clear();
			return;
		}
		received[pending.front()] = bytes;
		pending.pop_front();
		readNext();
	}

	void pieceArrived(const xcb_property_notify_event_t& notify)
	{
		if (!incremental || notify.window != window || notify.atom != atom("TEST_DATA") ||
		    notify.state != XCB_PROPERTY_NEW_VALUE)
			return;
		xcb_atom_t type = XCB_NONE;
		std::string piece = takeProperty(type);
		if (!piece.empty())
		{
			pieces += piece;
			return;
		}
		incremental = false;
		received[pending.front()] = std::move(pieces);
		pending.pop_front();
		readNext();
	}

	std::string takeProperty(xcb_atom_t& type)
	{
		X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
		    connection,
		    xcb_get_property(connection, 1, window, atom("TEST_DATA"), XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 24),
		    nullptr));
		if (!reply)
			return {};
		type = reply->type;
		xcb_flush(connection);
		return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
		                   size_t(xcb_get_property_value_length(reply.get())));
	}

	void reply(const char* type, uint32 data1, uint32 data2 = 0, uint32 data3 = 0, uint32 data4 = 0)
	{
		sendClientMessage(connection, source, atom(type), {window, data1, data2, data3, data4});
		xcb_flush(connection);
	}

	xcb_window_t source {XCB_NONE};
	xcb_timestamp_t dropTime {XCB_CURRENT_TIME};
	std::deque<std::string> pending;
	xcb_atom_t reading {XCB_NONE};
	bool incremental {false};
	std::string pieces;
};

SharedPointer<IDataPackage> textPackage(const std::string& text)
{
	return CDropSource::create(text.data(), uint32(text.size()), IDataPackage::kText);
}

using Items = std::vector<std::pair<std::string, IDataPackage::Type>>;

SharedPointer<IDataPackage> packageOf(const Items& items)
{
	auto package = makeOwned<CDropSource>();
	for (const auto& [bytes, type] : items)
		package->add(bytes.data(), uint32(bytes.size()), type);
	return package;
}

// The frame's parent sits at (20, 10) on the screen; the view at the
// frame's top-left starts drags. Scripted targets sit at (320, 0).
class X11DragSourceTest : public X11WindowTest
{
protected:
	static constexpr int16 kLeft = 20;
	static constexpr int16 kTop = 10;
	static constexpr int16 kTargetLeft = 320;
	static constexpr int16 kTargetTop = 0;

	void SetUp() override
	{
		X11WindowTest::SetUp();
		if (HasFatalFailure())
			return;
		moveParent(kLeft, kTop);
		view = new DragStartView(CRect(0, 0, 100, 100));
		keptView = view;
		view->callback = callback;
		view->description.data = textPackage("hello");
		frame->addView(view);
		open();
	}

	void TearDown() override
	{
		if (buttonDown)
			fake(XCB_BUTTON_RELEASE, 1);
		target.reset();
		peer.reset();
		X11WindowTest::TearDown();
	}

	// Runs the frame's loop and lets the other clients act, until the
	// condition holds or the time is up.
	template <typename Condition>
	bool drive(Condition condition, int milliseconds = 2000)
	{
		return pumpUntil(condition, milliseconds, [this] {
			if (target)
				target->service();
			if (peer)
				peer->step();
		});
	}
	void settle() { drive([] { return false; }, 40); }

	// Presses the left button at a point of the frame: the view asks for a drag.
	void press(int16 x, int16 y)
	{
		view->attempted = false;
		fake(XCB_MOTION_NOTIFY, 0, kLeft + x, kTop + y);
		fake(XCB_BUTTON_PRESS, 1);
		buttonDown = true;
		ASSERT_TRUE(drive([&] { return view->attempted; }));
		settle();
	}
	// Moves the pointer to a point of the screen and waits for the drag to
	// hear of it, and a target under it to answer.
	void moveTo(int16 x, int16 y)
	{
		const size_t positions = target ? target->positions.size() : 0;
		const int moves = callback->moves;
		fake(XCB_MOTION_NOTIFY, 0, x, y);
		ASSERT_TRUE(drive([&] { return callback->moves > moves || (target && target->positions.size() > positions); }));
		settle();
	}
	void release()
	{
		fake(XCB_BUTTON_RELEASE, 1);
		buttonDown = false;
	}
	// Releases and waits for the drag to end.
	void drop()
	{
		release();
		ASSERT_TRUE(drive([&] { return callback->ends > 0; }));
		settle();
	}
	// Presses on the view, moves through points of the screen, and drops.
	void dragThrough(const std::vector<std::pair<int16, int16>>& points)
	{
		ASSERT_NO_FATAL_FAILURE(press(30, 40));
		ASSERT_TRUE(view->started);
		for (const auto& [x, y] : points)
			ASSERT_NO_FATAL_FAILURE(moveTo(x, y));
		ASSERT_NO_FATAL_FAILURE(drop());
	}
	void pressKey(xcb_keysym_t keysym)
	{
		const uint8 code = keycodeOf(keysym);
		ASSERT_NE(code, 0);
		fake(XCB_KEY_PRESS, code);
		fake(XCB_KEY_RELEASE, code);
	}

	void startTarget(uint32 version = 5, bool viaProxy = false)
	{
		target = std::make_unique<XdndTarget>(server->display, kTargetLeft, kTargetTop, version, viaProxy);
	}
	// A fresh callback and view state for the next drag.
	void renew()
	{
		callback = makeOwned<RecordingDragCallback>();
		view->callback = callback;
		view->attempted = view->started = false;
	}

	X11DragSession* session() const { return platform->getDragSession(); }

	struct Geometry
	{
		int32 x, y, width, height;
		bool operator==(const Geometry& other) const
		{
			return x == other.x && y == other.y && width == other.width && height == other.height;
		}
	};
	Geometry geometryOf(xcb_window_t window)
	{
		X11Reply<xcb_get_geometry_reply_t> reply(
		    xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
		return reply ? Geometry {reply->x, reply->y, reply->width, reply->height} : Geometry {0, 0, 0, 0};
	}

	DragStartView* view {nullptr};
	// The view outlives a frame that a listener closes.
	SharedPointer<CView> keptView;
	SharedPointer<RecordingDragCallback> callback {makeOwned<RecordingDragCallback>()};
	std::unique_ptr<XdndTarget> target;
	std::unique_ptr<PeerProcess> peer;
	bool buttonDown {false};
};

// ---- What the target is offered and served ----

struct OfferCase
{
	const char* name;
	Items items;
	std::vector<std::string> types;
	std::map<std::string, std::string> served;
	std::vector<std::string> refused;
};

TEST_F(X11DragSourceTest, TargetIsOfferedThePackageTypesAndServedTheirData)
{
	using Type = IDataPackage::Type;
	const std::string latin1Types[] = {"UTF8_STRING", "text/plain;charset=utf-8", "TEXT", "STRING"};
	const std::string large(600000, 'x');
	const std::string binary("\0\1\xFFkav", 6);
	const OfferCase cases[] = {
	    {"latin-1 text, four types in the list",
	     {{"h\xC3\xA9llo", Type::kText}},
	     {latin1Types[0], latin1Types[1], latin1Types[2], latin1Types[3]},
	     {{"UTF8_STRING", "h\xC3\xA9llo"},
	      {"text/plain;charset=utf-8", "h\xC3\xA9llo"},
	      {"TEXT", "h\xC3\xA9llo"},
	      {"STRING", "h\xE9llo"}},
	     {"text/uri-list", "application/x-kavrin-binary"}},
	    {"text beyond latin-1, three types in the message",
	     {{"5 \xE2\x82\xAC", Type::kText}},
	     {"UTF8_STRING", "text/plain;charset=utf-8", "TEXT"},
	     {{"UTF8_STRING", "5 \xE2\x82\xAC"}},
	     {"STRING"}},
	    {"every file path",
	     {{std::string("/tmp/a b\0", 9), Type::kFilePath}, {std::string("/etc/x\0", 7), Type::kFilePath}},
	     {"text/uri-list"},
	     {{"text/uri-list", "file:///tmp/a%20b\r\nfile:///etc/x\r\n"}},
	     {"UTF8_STRING", "STRING"}},
	    {"binary", {{binary, Type::kBinary}}, {"application/x-kavrin-binary"}, {{"application/x-kavrin-binary", binary}}, {"UTF8_STRING"}},
	    {"the first text, the paths and the first binary item",
	     {{"one", Type::kText},
	      {std::string("/a\0", 3), Type::kFilePath},
	      {"bin", Type::kBinary},
	      {"two", Type::kText},
	      {"", Type::kText}},
	     {latin1Types[0], latin1Types[1], latin1Types[2], latin1Types[3], "text/uri-list",
	      "application/x-kavrin-binary"},
	     {{"UTF8_STRING", "one"}, {"text/uri-list", "file:///a\r\n"}, {"application/x-kavrin-binary", "bin"}},
	     {}},
	    {"large text in pieces",
	     {{large, Type::kText}},
	     {latin1Types[0], latin1Types[1], latin1Types[2], latin1Types[3]},
	     {{"UTF8_STRING", large}},
	     {}},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		renew();
		view->description.data = packageOf(test.items);
		startTarget();
		target->readOnDrop = {"TARGETS", "TIMESTAMP"};
		for (const auto& [type, bytes] : test.served)
			target->readOnDrop.push_back(type);
		target->readOnDrop.insert(target->readOnDrop.end(), test.refused.begin(), test.refused.end());

		ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + 20, 30}}));

		EXPECT_EQ(target->types, test.types);
		EXPECT_EQ(target->typesInList, test.types.size() > 3);
		EXPECT_EQ(target->log, (EventLog {"enter", "position", "drop"}));
		ASSERT_TRUE(target->finished);
		for (const auto& [type, bytes] : test.served)
			EXPECT_EQ(target->received[type], bytes) << type;
		EXPECT_EQ(target->refused, test.refused);
		// The conventions' own targets, then the data's.
		std::vector<std::string> targets;
		const std::string& list = target->received["TARGETS"];
		for (size_t offset = 0; offset + 4 <= list.size(); offset += 4)
			targets.push_back(target->atomName(*reinterpret_cast<const xcb_atom_t*>(list.data() + offset)));
		std::vector<std::string> expected {"TARGETS", "TIMESTAMP"};
		expected.insert(expected.end(), test.types.begin(), test.types.end());
		EXPECT_EQ(targets, expected);
		// Owned since the press, not since whenever the server got to it.
		ASSERT_EQ(target->received["TIMESTAMP"].size(), 4u);
		EXPECT_NE(*reinterpret_cast<const uint32*>(target->received["TIMESTAMP"].data()), 0u);
		EXPECT_EQ(callback->log.back(), "end 320,20 copy");
	}
}

// ---- Positions and operations ----

struct OperationCase
{
	const char* name;
	uint32 version;
	const char* statusAction;
	const char* finishedAction;
	std::string result;
	bool acceptBit {true};
};

TEST_F(X11DragSourceTest, PositionsReachBothSidesAndTheTargetChoosesTheOperation)
{
	const OperationCase cases[] = {
	    {"copy", 5, "XdndActionCopy", "XdndActionCopy", "copy"},
	    {"move", 5, "XdndActionMove", "XdndActionMove", "move"},
	    {"the end names what was done", 5, "XdndActionCopy", "XdndActionMove", "move"},
	    {"an action of no operation of ours", 5, "XdndActionLink", "XdndActionLink", "none"},
	    {"before version 5 the last status says", 4, "XdndActionMove", "XdndActionLink", "move"},
	    {"the oldest version spoken", 3, "XdndActionCopy", "XdndActionCopy", "copy"},
	    {"an end that names its action without the accept bit", 5, "XdndActionCopy", "XdndActionCopy", "copy", false},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		renew();
		startTarget(test.version);
		target->action = test.statusAction;
		target->finishedAction = test.finishedAction;
		target->finishesWithAcceptBit = test.acceptBit;

		ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + 20, 30}, {kTargetLeft + 30, 50}}));

		EXPECT_EQ(target->enterVersion, test.version);
		ASSERT_EQ(target->positions.size(), 2u);
		EXPECT_EQ(target->positions[0].x, kTargetLeft + 20);
		EXPECT_EQ(target->positions[0].y, 30);
		EXPECT_EQ(target->positions[1].x, kTargetLeft + 30);
		EXPECT_EQ(target->positions[1].y, 50);
		for (const auto& position : target->positions)
			EXPECT_EQ(position.action, "XdndActionCopy");
		// The mouse in the frame's coordinates, where the frame is at (20, 10).
		EXPECT_EQ(callback->log,
		          (EventLog {"begin 30,40", "move 320,20", "move 330,40", "end 330,40 " + test.result}));
	}
}

TEST_F(X11DragSourceTest, FramePositionsAndTheImageFollowTheScale)
{
	static_cast<X11Frame*>(frame->getPlatformFrame())->setScaleFactor(2.);
	settle();
	view->description.bitmap = solidBitmap(10, 6, kRedCColor);
	view->description.bitmapOffset = CPoint(-3, 4);
	startTarget();
	ASSERT_NO_FATAL_FAILURE(press(30, 40)); // device pixels: (15, 20) in the frame
	ASSERT_NE(session(), nullptr);
	ASSERT_NE(session()->getImageWindow(), xcb_window_t(XCB_NONE));
	EXPECT_EQ(geometryOf(session()->getImageWindow()), (Geometry {kLeft + 30 - 6, kTop + 40 + 8, 20, 12}));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 30));
	ASSERT_NO_FATAL_FAILURE(drop());
	EXPECT_EQ(callback->log, (EventLog {"begin 15,20", "move 160,10", "end 160,10 copy"}));
}

// One position at a time: while the target has not answered, the drag
// keeps only the latest; inside the area where the target wants no more,
// none.
TEST_F(X11DragSourceTest, PositionsWaitForTheTargetsAnswerAndSkipItsQuietArea)
{
	startTarget();
	target->answersPositions = false;
	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 10, 10));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 20));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 30, 30));
	settle();
	ASSERT_EQ(target->positions.size(), 1u);
	target->answersPositions = true;
	target->answerPosition();
	target->wantsEveryPosition = false;
	ASSERT_TRUE(drive([&] { return target->positions.size() == 2; }));
	EXPECT_EQ(target->positions[1].x, kTargetLeft + 30);
	EXPECT_EQ(target->positions[1].y, 30);

	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 40, 40));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 50, 50));
	ASSERT_NO_FATAL_FAILURE(drop());
	EXPECT_EQ(target->positions.size(), 2u);
	EXPECT_EQ(target->log, (EventLog {"enter", "position", "position", "drop"}));
	EXPECT_EQ(callback->log.back(), "end 350,40 copy");
}

// Messages go to the proxy the target names, and still name the target.
TEST_F(X11DragSourceTest, TargetProxyReceivesTheMessages)
{
	startTarget(5, true);
	ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + 20, 30}}));
	EXPECT_EQ(target->log, (EventLog {"enter", "position", "drop"}));
	EXPECT_EQ(target->received["UTF8_STRING"], "hello");
	for (xcb_window_t named : target->named)
		EXPECT_EQ(named, target->window);
	EXPECT_EQ(callback->log.back(), "end 320,20 copy");
}

// ---- Ends without a drop ----

TEST_F(X11DragSourceTest, DragsEndingWithoutADropEndWithNone)
{
	struct Ending
	{
		const char* name;
		std::function<void()> end;
	};
	const Ending endings[] = {
	    {"refusing target",
	     [this] {
		     target->accept = false;
		     moveTo(kTargetLeft + 30, 40);
		     drop();
	     }},
	    {"escape",
	     [this] {
		     pressKey(kEscapeKeysym);
		     ASSERT_TRUE(drive([&] { return callback->ends > 0; }));
		     release();
	     }},
	    {"release over no target",
	     [this] {
		     moveTo(10, 400);
		     drop();
	     }},
	};
	for (const auto& ending : endings)
	{
		SCOPED_TRACE(ending.name);
		renew();
		view->description.bitmap = solidBitmap(8, 8, kBlueCColor);
		startTarget();
		ASSERT_NO_FATAL_FAILURE(press(30, 40));
		ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 30));
		ASSERT_TRUE(target->pointerIsGrabbed());
		ASSERT_NO_FATAL_FAILURE(ending.end());
		ASSERT_TRUE(drive([&] { return target->log.back() == "leave"; }));

		ASSERT_GE(target->log.size(), 3u);
		EXPECT_EQ(target->log.back(), "leave");
		EXPECT_EQ(std::count(target->log.begin(), target->log.end(), "drop"), 0);
		EXPECT_TRUE(target->received.empty());
		EXPECT_EQ(callback->ends, 1);
		EXPECT_EQ(callback->log.back().substr(callback->log.back().rfind(' ')), " none");
		// The grab, the image and the drag are gone.
		EXPECT_FALSE(target->pointerIsGrabbed());
		EXPECT_EQ(session(), nullptr);
	}
}

// A target that goes away before the drop ends the drag at once, not after
// the wait for an answer.
TEST_F(X11DragSourceTest, TargetGoneBeforeTheDropEndsTheDragAtOnce)
{
	startTarget();
	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 30));
	target->destroyWindow();
	const auto released = std::chrono::steady_clock::now();
	ASSERT_NO_FATAL_FAILURE(drop());
	EXPECT_LT(std::chrono::steady_clock::now() - released,
	          std::chrono::milliseconds(X11DragSession::kReplyTimeoutMilliseconds / 2));
	EXPECT_EQ(callback->log.back(), "end 320,20 none");
	EXPECT_EQ(session(), nullptr);
}

// ---- Starting ----

TEST_F(X11DragSourceTest, DragStartsOnlyFromALeftPressOrDrag)
{
	// Asked for outside any event of the mouse.
	view->start();
	EXPECT_FALSE(view->started);
	EXPECT_EQ(session(), nullptr);

	struct StartCase
	{
		const char* name;
		bool onPress;
		uint8 button;
		bool starts;
	};
	const StartCase cases[] = {
	    {"left press", true, 1, true},
	    {"move with the left button held", false, 1, true},
	    {"right press", true, 3, false},
	    {"move with the right button held", false, 3, false},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		renew();
		view->startOnPress = test.onPress;
		fake(XCB_MOTION_NOTIFY, 0, kLeft + 30, kTop + 40);
		fake(XCB_BUTTON_PRESS, test.button);
		fake(XCB_MOTION_NOTIFY, 0, kLeft + 35, kTop + 45);
		settle();
		if (test.button == 1)
		{
			ASSERT_TRUE(drive([&] { return view->attempted; }));
		}
		EXPECT_EQ(view->started, test.starts);
		EXPECT_EQ(session() != nullptr, test.starts);
		fake(XCB_BUTTON_RELEASE, test.button);
		ASSERT_TRUE(drive([&] { return session() == nullptr; }));
		settle();
		EXPECT_EQ(callback->ends, test.starts ? 1 : 0);
	}
}

// The release came before the drag could take the pointer: no drag is
// left holding it.
TEST_F(X11DragSourceTest, ClickQuickerThanTheLoopStartsNoDrag)
{
	fake(XCB_MOTION_NOTIFY, 0, kLeft + 30, kTop + 40);
	fake(XCB_BUTTON_PRESS, 1);
	fake(XCB_BUTTON_RELEASE, 1);
	ASSERT_TRUE(drive([&] { return view->attempted; }));
	settle();
	EXPECT_FALSE(view->started);
	EXPECT_EQ(session(), nullptr);
	startTarget();
	EXPECT_FALSE(target->pointerIsGrabbed());
	EXPECT_TRUE(callback->log.empty());
}

TEST_F(X11DragSourceTest, OlderFormStartsTheSameDragWithoutACallback)
{
	view->olderForm = true;
	view->start();
	EXPECT_FALSE(view->started);

	startTarget();
	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	ASSERT_TRUE(view->started);
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 30));
	release();
	ASSERT_TRUE(drive([&] { return target->finished && session() == nullptr; }));
	EXPECT_EQ(target->received["UTF8_STRING"], "hello");
	EXPECT_TRUE(callback->log.empty());
}

TEST_F(X11DragSourceTest, PackageWithNothingToOfferStartsNoDrag)
{
	view->description.data = makeOwned<CDropSource>();
	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	EXPECT_FALSE(view->started);
	EXPECT_EQ(session(), nullptr);
}

// ---- The image ----

TEST_F(X11DragSourceTest, ImageShowsTheFirstResolutionAndSetBitmapReplacesIt)
{
	// A second, sharper resolution in another colour: the first is shown.
	auto bitmap = solidBitmap(20, 20, kRedCColor);
	auto sharper = owned(new CBitmap(CPoint(20, 20), 2.));
	paintPixels(*sharper, [](uint32, uint32) { return kBlueCColor; });
	ASSERT_TRUE(bitmap->addBitmap(sharper->getPlatformBitmaps().front()));
	view->description.bitmap = bitmap;
	view->description.bitmapOffset = CPoint(-5, -8);
	bool replaced = false;
	bool replacedAfterEnd = true;
	callback->onMoved = [&](IDraggingSession* session) {
		if (!replaced)
			replaced = session->setBitmap(solidBitmap(30, 10, kGreenCColor), CPoint(4, 6));
	};
	callback->onEnded = [&](IDraggingSession* session) {
		replacedAfterEnd = session->setBitmap(solidBitmap(4, 4, kBlackCColor), CPoint());
	};

	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	ASSERT_NE(session(), nullptr);
	const xcb_window_t image = session()->getImageWindow();
	ASSERT_NE(image, xcb_window_t(XCB_NONE));
	EXPECT_EQ(geometryOf(image), (Geometry {kLeft + 30 - 5, kTop + 40 - 8, 20, 20}));
	EXPECT_EQ(windowPixel(image, 10, 10), 0xFF0000u);

	ASSERT_NO_FATAL_FAILURE(moveTo(200, 300));
	EXPECT_TRUE(replaced);
	EXPECT_EQ(geometryOf(image), (Geometry {204, 306, 30, 10}));
	EXPECT_EQ(windowPixel(image, 15, 5), 0x00FF00u);

	ASSERT_NO_FATAL_FAILURE(drop());
	EXPECT_FALSE(replacedAfterEnd);
	X11Reply<xcb_get_window_attributes_reply_t> gone(
	    xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, image), nullptr));
	EXPECT_FALSE(gone);
}

// The image lies right under the pointer; the target is found below it.
TEST_F(X11DragSourceTest, ImageUnderThePointerIsNotTheTarget)
{
	view->description.bitmap = solidBitmap(40, 40, kRedCColor);
	view->description.bitmapOffset = CPoint(-20, -20);
	startTarget();
	ASSERT_NO_FATAL_FAILURE(press(30, 40));
	ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 50, 50));
	ASSERT_NE(session(), nullptr);
	EXPECT_EQ(geometryOf(session()->getImageWindow()), (Geometry {kTargetLeft + 30, 30, 40, 40}));
	EXPECT_EQ(target->log, (EventLog {"enter", "position"}));
	ASSERT_NO_FATAL_FAILURE(drop());
	EXPECT_EQ(callback->log.back(), "end 350,40 copy");
}

// ---- Listeners that close the frame ----

TEST_F(X11DragSourceTest, ClosingTheFrameEndsTheDragOnce)
{
	struct CloseCase
	{
		const char* name;
		bool inBegin;
		bool inMove;
		EventLog expected;
	};
	const CloseCase cases[] = {
	    {"in dragWillBegin", true, false, {"begin 30,40", "end 30,40 none"}},
	    {"in dragMoved", false, true, {"begin 30,40", "move 320,20", "end 320,20 none"}},
	    {"between events", false, false, {"begin 30,40", "move 320,20", "end 320,20 none"}},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		if (!frame)
		{
			frame = new CFrame(CRect(0, 0, 300, 200));
			view = new DragStartView(CRect(0, 0, 100, 100));
			keptView = view;
			view->description.data = textPackage("hello");
			frame->addView(view);
			open();
		}
		renew();
		view->description.bitmap = solidBitmap(8, 8, kBlueCColor);
		auto closeFrame = [this](IDraggingSession*) {
			if (frame)
				std::exchange(frame, nullptr)->close();
		};
		if (test.inBegin)
			callback->onBegin = closeFrame;
		if (test.inMove)
			callback->onMoved = closeFrame;
		startTarget();

		ASSERT_NO_FATAL_FAILURE(press(30, 40));
		if (!test.inBegin)
		{
			ASSERT_NO_FATAL_FAILURE(moveTo(kTargetLeft + 20, 30));
		}
		if (frame && !test.inMove && !test.inBegin)
			closeFrame(nullptr);
		ASSERT_TRUE(drive([&] { return callback->ends > 0; }));
		release();
		settle();

		EXPECT_EQ(callback->log, test.expected);
		EXPECT_EQ(session(), nullptr);
		EXPECT_FALSE(target->pointerIsGrabbed());
		if (!test.inBegin)
		{
			EXPECT_TRUE(drive([&] { return target->log.back() == "leave"; }));
			EXPECT_EQ(target->log, (EventLog {"enter", "position", "leave"}));
		}
	}
}

// ---- Frames of this process and of another ----

// A drag onto a frame of the same process, with data large enough to come
// in pieces: the frame that takes it keeps hearing its own input after.
TEST_F(X11DragSourceTest, FrameOfTheSameProcessTakesTheDropAndKeepsItsInput)
{
	const xcb_window_t otherParent = xcb_generate_id(connection);
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, otherParent, root, kTargetLeft, kTargetTop, 300, 200, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
	xcb_map_window(connection, otherParent);
	auto other = new CFrame(CRect(0, 0, 300, 200));
	EventLog drops;
	EventLog clicks;
	auto receiver = new RecordingView(CRect(0, 0, 150, 200), "receiver", &clicks);
	auto dropTarget = owned(new LoggingDropTarget("target", drops));
	dropTarget->logPositions = true;
	std::string dropped;
	dropTarget->onDropHook = [&] {
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		const uint32 size = dropTarget->lastPackage->getData(0, bytes, type);
		dropped.assign(static_cast<const char*>(bytes), size);
	};
	receiver->setDropTarget(dropTarget);
	other->addView(receiver);
	ASSERT_TRUE(other->open(reinterpret_cast<void*>(uintptr_t(otherParent)), kX11Window));
	settle();

	const std::string large(600000, 'y');
	view->description.data = textPackage(large);
	ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + 20, 30}, {kTargetLeft + 40, 60}}));

	EXPECT_EQ(drops, (EventLog {"target:enter 20,30 0", "target:move 20,30 0", "target:move 40,60 0",
	                            "target:drop 40,60 0"}));
	EXPECT_EQ(dropped.size(), large.size());
	EXPECT_TRUE(dropped == large);
	EXPECT_EQ(callback->log.back(), "end 340,50 copy");

	click(kTargetLeft + 50, 50);
	EXPECT_TRUE(drive([&] { return std::count(clicks.begin(), clicks.end(), "receiver:down") == 1; }));
	other->close();
	xcb_destroy_window(connection, otherParent);
}

// Another program's frame takes drops on its left half and none on its
// right; it says what its drop target hears, in its own coordinates.
TEST_F(X11DragSourceTest, RoundTripWithAFrameOfAnotherProgram)
{
	peer = std::make_unique<PeerProcess>(server->display,
	                                     std::vector<std::string> {KAVRIN_DNDPEER, std::to_string(kTargetLeft),
	                                                               std::to_string(kTargetTop)},
	                                     true);
	ASSERT_GT(peer->pid, 0);
	peer->closesInputWhenWritten = false;
	ASSERT_TRUE(drive([&] { return peer->output.find("ready\n") != std::string::npos; }, 5000));
	auto linesSince = [this](size_t start) {
		EventLog lines;
		std::istringstream text(peer->output.substr(start));
		for (std::string line; std::getline(text, line);)
			lines.push_back(line);
		return lines;
	};

	struct PeerCase
	{
		const char* name;
		Items items;
		int16 x;
		EventLog heard;
		std::string result;
	};
	const PeerCase cases[] = {
	    {"text",
	     {{"hello world", IDataPackage::kText}},
	     20,
	     {"enter 20,30 text", "move 20,30", "move 40,60", "drop 40,60 text:hello%20world"},
	     "copy"},
	    {"file paths, moved",
	     {{std::string("/tmp/a b\0", 9), IDataPackage::kFilePath}, {std::string("/etc/x\0", 7), IDataPackage::kFilePath}},
	     20,
	     {"enter 20,30 file", "move 20,30", "move 40,60", "drop 40,60 file:/tmp/a%20b file:/etc/x"},
	     "move"},
	    {"a view without a drop target", {{"refused", IDataPackage::kText}}, 200, {}, "none"},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		renew();
		view->description.data = packageOf(test.items);
		const size_t start = peer->output.size();
		ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + test.x, 30}, {kTargetLeft + test.x + 20, 60}}));
		drive([&] { return linesSince(start).size() >= test.heard.size(); });

		EXPECT_EQ(linesSince(start), test.heard);
		const std::string frameX = std::to_string(kTargetLeft + test.x + 20 - kLeft);
		EXPECT_EQ(callback->log, (EventLog {"begin 30,40", "move " + std::to_string(kTargetLeft + test.x - kLeft) + ",20",
		                                    "move " + frameX + ",50", "end " + frameX + ",50 " + test.result}));
	}

	peer->closeInput();
	ASSERT_TRUE(drive([&] { return peer->exited; }, 5000));
	EXPECT_TRUE(WIFEXITED(peer->status) && WEXITSTATUS(peer->status) == 0) << peer->status;
}

// Tk's drag and drop extension (tkdnd), a target we did not write, in a
// window at (320, 0): it says what it takes, and how.
TEST_F(X11DragSourceTest, TkDndTakesTextAndFiles)
{
	const std::string script = R"(package require tkdnd
wm geometry . 300x200+320+0
wm overrideredirect . 1
tkdnd::drop_target register . {DND_Text DND_Files}
bind . <<DropEnter>> {puts "enter %X,%Y"; flush stdout; return copy}
bind . <<Drop:DND_Text>> {puts "text [list %D] %A"; flush stdout; return copy}
bind . <<Drop:DND_Files>> {puts "files [list %D] %A"; flush stdout; return copy}
update
puts ready
flush stdout
fileevent stdin readable {if {[gets stdin line] < 0} exit}
)";
	TempFolder folder;
	const std::string path = folder.write("target.tcl", std::vector<uint8>(script.begin(), script.end()));
	peer = std::make_unique<PeerProcess>(server->display, std::vector<std::string> {"wish", path});
	peer->closesInputWhenWritten = false;
	if (!drive([&] { return peer->output.find("ready\n") != std::string::npos; }, 5000))
		GTEST_SKIP() << "no wish with tkdnd";

	struct TkCase
	{
		const char* name;
		Items items;
		std::string heard;
	};
	const TkCase cases[] = {
	    {"text", {{"hello world", IDataPackage::kText}}, "text {hello world} copy"},
	    {"file paths",
	     {{std::string("/tmp/a b\0", 9), IDataPackage::kFilePath}, {std::string("/etc/x\0", 7), IDataPackage::kFilePath}},
	     "files {{/tmp/a b} /etc/x} copy"},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(test.name);
		renew();
		view->description.data = packageOf(test.items);
		const size_t start = peer->output.size();
		ASSERT_NO_FATAL_FAILURE(dragThrough({{kTargetLeft + 20, 30}, {kTargetLeft + 40, 60}}));
		drive([&] { return peer->output.find(test.heard, start) != std::string::npos; });

		EXPECT_EQ(peer->output.substr(start), "enter 340,30\n" + test.heard + "\n");
		EXPECT_EQ(callback->log.back(), "end 340,50 copy");
	}
	peer->closeInput();
	EXPECT_TRUE(drive([&] { return peer->exited; }));
}

} // namespace
} // namespace Kavrin::Test
