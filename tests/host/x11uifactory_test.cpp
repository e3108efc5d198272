// The window a host embeds: it takes the editor's size, closes the editor
// once and disposes of it only when no owner holds it, and survives hosts
// that destroy their windows first or open several editors at once.

#include "host/x11uifactory.h"
#include "lib/controls/cknob.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using Log = std::vector<std::string>;

// An editor with one knob (tag 3) that logs its open, close and dispose.
class TestEditor : public PluginGUIEditor
{
public:
	TestEditor(Log& log, void* owner = nullptr, int16 width = 240, int16 height = 120)
	: PluginGUIEditor(ERect {0, 0, height, width}, owner), log(log)
	{
	}
	~TestEditor() noexcept override { log.push_back("destroyed"); }

	void dispose() override
	{
		log.push_back("dispose");
		PluginGUIEditor::dispose();
	}
	bool open(void* parent) override
	{
		log.push_back("open");
		if (!PluginGUIEditor::open(parent))
			return false;
		knob = new CKnob(CRect(20, 20, 100, 100), this, 3);
		knob->setDefaultValue(0.25f);
		frame->addView(knob);
		return true;
	}
	void close() override
	{
		if (isOpen())
			log.push_back("close");
		PluginGUIEditor::close();
	}

	Log& log;
	CKnob* knob {nullptr};
};

// What the plug-in hears from its editor.
class RecordingHost : public IEditorHost
{
public:
	void beginEdit(int32 tag) override { log.push_back("begin " + std::to_string(tag)); }
	void endEdit(int32 tag) override { log.push_back("end " + std::to_string(tag)); }
	void parameterChanged(int32 tag, float value) override
	{
		log.push_back("changed " + std::to_string(tag));
		lastValue = value;
	}
	bool requestResize(int32 width, int32 height) override
	{
		log.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
		return acceptResize;
	}

	Log log;
	float lastValue {0.f};
	bool acceptResize {true};
};

class X11UIFactoryTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		std::exchange(frame, nullptr)->forget(); // the editors bring their own
	}

	std::unique_ptr<X11EditorWindow> makeWindow(PluginGUIEditor* editor, xcb_window_t under = XCB_NONE,
	                                             CPoint preferred = CPoint(500, 500))
	{
		return OlvexX11UIFactory::uiViewForParent(
		    platform, under == XCB_NONE ? parent : under,
		    [editor](PluginGUIEditor*& handedOver) {
			    handedOver = editor;
			    return true;
		    },
		    preferred);
	}

	struct Geometry
	{
		int x, y, width, height;
	};
	Geometry geometryOf(xcb_window_t window)
	{
		auto reply = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
		Geometry result {-1, -1, -1, -1};
		if (reply)
		{
			result = {reply->x, reply->y, reply->width, reply->height};
			std::free(reply);
		}
		return result;
	}

	int childrenOf(xcb_window_t window)
	{
		auto reply = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
		int count = reply ? xcb_query_tree_children_length(reply) : -1;
		std::free(reply);
		return count;
	}

	// Drags a knob of an editor window upwards from its centre by real input.
	void dragUp(int16 x, int16 y, int16 distance)
	{
		fake(XCB_MOTION_NOTIFY, 0, x, y);
		fake(XCB_BUTTON_PRESS, 1);
		for (int16 step = 1; step <= 4; ++step)
		{
			fake(XCB_MOTION_NOTIFY, 0, x, int16(y - distance * step / 4));
			pump(20);
		}
		fake(XCB_BUTTON_RELEASE, 1);
		pump(50);
	}
};

TEST_F(X11UIFactoryTest, AnyPreferredSizeGivesAWindowOfTheFramesSizeAtTheOrigin)
{
	EXPECT_EQ(OlvexX11UIFactory::interfaceVersion(), 0u);
	EXPECT_STREQ(OlvexX11UIFactory::description(), "OlvexCocoaUI");
	for (CPoint preferred : {CPoint(0, 0), CPoint(50, 20), CPoint(2000, 1500), CPoint(-5, -5)})
	{
		SCOPED_TRACE(preferred.x);
		Log log;
		auto window = makeWindow(new TestEditor(log), parent, preferred);
		ASSERT_TRUE(window);
		pump(20);
		auto geometry = geometryOf(window->getWindow());
		EXPECT_EQ(geometry.x, 0);
		EXPECT_EQ(geometry.y, 0);
		EXPECT_EQ(geometry.width, 240);
		EXPECT_EQ(geometry.height, 120);
		EXPECT_EQ(window->getSize(), CRect(0, 0, 240, 120));
	}
}

TEST_F(X11UIFactoryTest, DestroyingTheWindowClosesOnceAndDisposesOnlyWithoutAnOwner)
{
	struct Case
	{
		const char* name;
		bool owned;
		Log expected;
	};
	int plugin = 0;
	const Case cases[] = {
	    {"an editor no one else holds", false, {"open", "close", "dispose", "destroyed"}},
	    {"an editor its plug-in holds", true, {"open", "close"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		Log log;
		auto editor = new TestEditor(log, c.owned ? &plugin : nullptr);
		auto window = makeWindow(editor);
		ASSERT_TRUE(window);
		window.reset();
		EXPECT_EQ(log, c.expected);
		if (c.owned)
		{
			// The plug-in still has it, closed, and may open it again.
			EXPECT_FALSE(editor->isOpen());
			editor->setOwner(nullptr);
			editor->dispose();
		}
	}
}

TEST_F(X11UIFactoryTest, NoEditorGivesNoWindowAndCreatesNothing)
{
	Log log;
	auto editor = new TestEditor(log);
	auto failing = OlvexX11UIFactory::uiViewForParent(
	    platform, parent, [](PluginGUIEditor*&) { return false; }, CPoint(100, 100));
	EXPECT_FALSE(failing);
	auto nullEditor = OlvexX11UIFactory::uiViewForParent(
	    platform, parent,
	    [](PluginGUIEditor*& handedOver) {
		    handedOver = nullptr;
		    return true;
	    },
	    CPoint(100, 100));
	EXPECT_FALSE(nullEditor);
	// A parent that does not exist: the editor is not opened and stays with
	// the plug-in.
	auto orphan = makeWindow(editor, xcb_generate_id(connection));
	EXPECT_FALSE(orphan);
	pump(20);
	EXPECT_EQ(childrenOf(parent), 0);
	EXPECT_EQ(log, Log {});
	editor->dispose();
}

TEST_F(X11UIFactoryTest, EditsAndChangesReachThePlugInAndTheHostsValuesAreNotSentBack)
{
	Log log;
	RecordingHost host;
	auto editor = new TestEditor(log);
	editor->setEditorHost(&host);
	auto window = makeWindow(editor);
	ASSERT_TRUE(window);
	pump(100);
	// The knob's centre is at (60, 60) of the editor, which sits at the
	// parent's origin.
	dragUp(60, 60, 40);
	ASSERT_FALSE(host.log.empty());
	EXPECT_EQ(host.log.front(), "begin 3");
	EXPECT_EQ(host.log.back(), "end 3");
	EXPECT_NE(std::find(host.log.begin(), host.log.end(), "changed 3"), host.log.end());
	EXPECT_FLOAT_EQ(host.lastValue, editor->knob->getValue());

	host.log.clear();
	editor->setParameter(3, 0.75f);
	EXPECT_FLOAT_EQ(editor->knob->getValue(), 0.75f);
	EXPECT_TRUE(host.log.empty()) << "the host's own change is not sent back";

	// A size change asks the host; a refusal keeps the frame's size.
	auto frame = static_cast<CFrame*>(editor->getFrame());
	host.acceptResize = false;
	EXPECT_FALSE(frame->setSize(300, 150));
	EXPECT_EQ(frame->getViewSize().getWidth(), 240.);
	host.acceptResize = true;
	EXPECT_TRUE(frame->setSize(300, 150));
	EXPECT_EQ(host.log, (Log {"resize 300x150", "resize 300x150"}));
	editor->setEditorHost(nullptr);
}

TEST_F(X11UIFactoryTest, AParentDestroyedFirstLeavesAQuietClose)
{
	Log log;
	RecordingHost host;
	auto editor = new TestEditor(log);
	editor->setEditorHost(&host);
	auto window = makeWindow(editor);
	ASSERT_TRUE(window);
	pump(50);
	// The host tears its window down, the editor's with it, mid-drag.
	fake(XCB_MOTION_NOTIFY, 0, 60, 60);
	fake(XCB_BUTTON_PRESS, 1);
	pump(50);
	xcb_destroy_window(connection, parent);
	xcb_flush(connection);
	pump(100);
	fake(XCB_BUTTON_RELEASE, 1);
	pump(50);
	window.reset();
	pump(50);
	EXPECT_EQ(log, (Log {"open", "close", "dispose", "destroyed"}));
	EXPECT_EQ(host.log.front(), "begin 3");
	EXPECT_EQ(host.log.back(), "end 3") << "the gesture does not stay open";
	// The connection still works.
	EXPECT_FALSE(xcb_connection_has_error(connection));
	auto reply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
	EXPECT_TRUE(reply);
	std::free(reply);
	parent = xcb_generate_id(connection); // for the fixture's tear-down
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, parent, root, 0, 0, 10, 10, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
}

TEST_F(X11UIFactoryTest, TwoEditorsSideBySideOpenAndCloseInEitherOrder)
{
	for (bool firstClosesFirst : {true, false})
	{
		SCOPED_TRACE(firstClosesFirst ? "first closes first" : "second closes first");
		// Two host windows side by side, an editor in each.
		xcb_window_t hosts[2];
		for (int i = 0; i < 2; ++i)
		{
			hosts[i] = xcb_generate_id(connection);
			xcb_create_window(connection, XCB_COPY_FROM_PARENT, hosts[i], root, int16(i * 300), 250, 260, 140, 0,
			                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
			xcb_map_window(connection, hosts[i]);
		}
		Log logs[2];
		TestEditor* editors[2] = {new TestEditor(logs[0]), new TestEditor(logs[1])};
		std::unique_ptr<X11EditorWindow> windows[2] = {makeWindow(editors[0], hosts[0]),
		                                               makeWindow(editors[1], hosts[1])};
		ASSERT_TRUE(windows[0] && windows[1]);
		pump(100);
		const int closing = firstClosesFirst ? 0 : 1;
		const int staying = 1 - closing;
		windows[closing].reset();
		pump(50);
		// The other still takes input and draws.
		const float before = editors[staying]->knob->getValue();
		dragUp(int16(staying * 300 + 60), 310, 40);
		EXPECT_NE(editors[staying]->knob->getValue(), before);
		windows[staying].reset();
		for (const auto& log : logs)
			EXPECT_EQ(log, (Log {"open", "close", "dispose", "destroyed"}));
		for (auto window : hosts)
			xcb_destroy_window(connection, window);
		xcb_flush(connection);
	}
}

} // namespace
} // namespace Kavrin::Test
