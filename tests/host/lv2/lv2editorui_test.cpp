// An editor behind LV2's X11 UI descriptor, driven as a host drives it:
// instantiated with the host's parent window and features, fed port
// events, idled, resized and cleaned up.

#include "host/lv2/lv2editorui.h"
#include "lib/controls/cknob.h"
#include "lib/platform/bundle.h"
#include "lib/platform/x11/x11frame.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Counts the program's allocations through operator new, so that a test can
// tell a call that allocates nothing.
namespace {
std::atomic<size_t> allocations {0};
}

void* operator new(std::size_t size)
{
	++allocations;
	if (void* memory = std::malloc(size ? size : 1))
		return memory;
	throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
	std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
	std::free(memory);
}

namespace Kavrin::Test {
namespace {

constexpr uint32 kGainPort = 2;
constexpr const char* kUri = "urn:kavrin:test#ui";

// A 200 x 100 editor with one knob on the gain port.
class GainEditor : public PluginGUIEditor
{
public:
	GainEditor() : PluginGUIEditor(ERect {0, 0, 100, 200}) { ++alive; }
	~GainEditor() noexcept override { --alive; }
	bool open(void* parent) override
	{
		if (!PluginGUIEditor::open(parent))
			return false;
		knob = new CKnob(CRect(10, 10, 90, 90), this, int32(kGainPort));
		frame->addView(knob);
		last = this;
		return true;
	}
	CKnob* knob {nullptr};
	static inline int alive {0};
	static inline GainEditor* last {nullptr};
};

// The host's side: what the UI wrote, touched and asked for.
struct Host
{
	std::vector<std::pair<uint32, float>> writes;
	std::vector<std::pair<uint32, bool>> touches;
	std::vector<std::pair<int, int>> sizes;
};

void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
	if (format == 0 && size == sizeof(float))
		static_cast<Host*>(controller)->writes.emplace_back(port, *static_cast<const float*>(buffer));
}

void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
{
	static_cast<Host*>(handle)->touches.emplace_back(port, grabbed);
}

int resize(LV2UI_Feature_Handle handle, int width, int height)
{
	static_cast<Host*>(handle)->sizes.emplace_back(width, height);
	return 0;
}

class LV2EditorUITest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		std::exchange(frame, nullptr)->forget();
		// The UI connects to the display of the environment, as in a host.
		::setenv("DISPLAY", server->display.c_str(), 1);
		descriptor = LV2::editorUIDescriptor(kUri, [] { return static_cast<PluginGUIEditor*>(new GainEditor); });
		idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
	}

	void TearDown() override
	{
		X11WindowTest::TearDown();
		EXPECT_EQ(GainEditor::alive, 0) << "every editor is disposed of";
	}

	struct Instance
	{
		LV2UI_Handle handle {nullptr};
		xcb_window_t widget {XCB_NONE};
	};

	Instance instantiate(Host& host, xcb_window_t under, bool withParent = true)
	{
		// The host keeps its features for as long as the UI lives.
		auto& resizeFeature = *resizeFeatures.emplace_back(std::make_unique<LV2UI_Resize>(LV2UI_Resize {&host, resize}));
		auto& touchFeature = *touchFeatures.emplace_back(std::make_unique<LV2UI_Touch>(LV2UI_Touch {&host, touch}));
		LV2_Feature parentFeature {LV2_UI__parent, reinterpret_cast<void*>(uintptr_t(under))};
		LV2_Feature resizeEntry {LV2_UI__resize, &resizeFeature};
		LV2_Feature touchEntry {LV2_UI__touch, &touchFeature};
		const LV2_Feature* features[] = {withParent ? &parentFeature : &touchEntry, &resizeEntry, &touchEntry,
		                                 nullptr};
		Instance instance;
		LV2UI_Widget widget = nullptr;
		instance.handle = descriptor->instantiate(descriptor, "urn:kavrin:test", "/tmp/kavrin-test.lv2/", write,
		                                          &host, &widget, features);
		instance.widget = xcb_window_t(reinterpret_cast<uintptr_t>(widget));
		return instance;
	}

	// The host's idle calls, every 10 ms, for a while.
	void idleFor(std::vector<LV2UI_Handle> handles, int milliseconds)
	{
		for (int elapsed = 0; elapsed < milliseconds; elapsed += 10)
		{
			for (auto handle : handles)
				EXPECT_EQ(idleInterface->idle(handle), 0);
			::usleep(10000);
		}
	}

	const LV2UI_Descriptor* descriptor {nullptr};
	const LV2UI_Idle_Interface* idleInterface {nullptr};
	std::vector<std::unique_ptr<LV2UI_Resize>> resizeFeatures;
	std::vector<std::unique_ptr<LV2UI_Touch>> touchFeatures;
};

TEST_F(LV2EditorUITest, TheEditorOpensInTheHostsWindowAndTalksThroughItsFeatures)
{
	ASSERT_TRUE(idleInterface);
	ASSERT_TRUE(descriptor->extension_data(LV2_UI__resize));
	EXPECT_EQ(descriptor, LV2::editorUIDescriptor(kUri, nullptr)) << "one descriptor per URI";
	Host host;
	auto instance = instantiate(host, parent);
	ASSERT_TRUE(instance.handle);
	EXPECT_STREQ(gBundleRef, "/tmp/kavrin-test.lv2/");
	EXPECT_EQ(host.sizes, (std::vector<std::pair<int, int>> {{200, 100}})) << "the host learns the size";
	auto tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, instance.widget), nullptr);
	ASSERT_TRUE(tree);
	EXPECT_EQ(tree->parent, parent);
	std::free(tree);

	// The host's value shows, and is not written back.
	const float hostValue = 0.8f;
	descriptor->port_event(instance.handle, kGainPort, sizeof(float), 0, &hostValue);
	EXPECT_FLOAT_EQ(GainEditor::last->knob->getValue(), 0.8f);
	EXPECT_TRUE(host.writes.empty());

	// A drag by real input, with only the host's idle calls driving the UI:
	// the port is written, inside one touch gesture.
	idleFor({instance.handle}, 100);
	fake(XCB_MOTION_NOTIFY, 0, 50, 70);
	fake(XCB_BUTTON_PRESS, 1);
	idleFor({instance.handle}, 40);
	fake(XCB_MOTION_NOTIFY, 0, 50, 30);
	idleFor({instance.handle}, 40);
	fake(XCB_BUTTON_RELEASE, 1);
	idleFor({instance.handle}, 60);
	ASSERT_FALSE(host.writes.empty());
	EXPECT_EQ(host.writes.back().first, kGainPort);
	EXPECT_FLOAT_EQ(host.writes.back().second, GainEditor::last->knob->getValue());
	EXPECT_EQ(host.touches, (std::vector<std::pair<uint32, bool>> {{kGainPort, true}, {kGainPort, false}}));

	// The host resizes the UI: the window and the frame follow, without a
	// request back to the host.
	auto resizeInterface = static_cast<const LV2UI_Resize*>(descriptor->extension_data(LV2_UI__resize));
	EXPECT_EQ(resizeInterface->ui_resize(instance.handle, 260, 140), 0);
	idleFor({instance.handle}, 30);
	auto geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, instance.widget), nullptr);
	ASSERT_TRUE(geometry);
	EXPECT_EQ(geometry->width, 260);
	EXPECT_EQ(geometry->height, 140);
	std::free(geometry);
	EXPECT_EQ(GainEditor::last->getFrame()->getViewSize(), CRect(0, 0, 260, 140));
	EXPECT_EQ(host.sizes.size(), 1u);

	descriptor->cleanup(instance.handle);
}

// Nothing polls: a host's value reaches the window on the next idle call,
// and an idle call with nothing to do neither paints nor allocates.
TEST_F(LV2EditorUITest, IdleCallsDoWhatWasAskedForAndNothingElse)
{
	Host host;
	auto instance = instantiate(host, parent);
	ASSERT_TRUE(instance.handle);
	idleFor({instance.handle}, 100);
	auto window = static_cast<X11Frame*>(
	    static_cast<CFrame*>(GainEditor::last->getFrame())->getPlatformFrame());
	const uint32 shown = window->getFramesShown();

	const size_t before = allocations;
	for (int call = 0; call < 100; ++call)
		EXPECT_EQ(idleInterface->idle(instance.handle), 0);
	EXPECT_EQ(allocations - before, 0u) << "idle calls with nothing to do";
	EXPECT_EQ(window->getFramesShown(), shown);

	const float hostValue = 0.2f;
	descriptor->port_event(instance.handle, kGainPort, sizeof(float), 0, &hostValue);
	EXPECT_EQ(idleInterface->idle(instance.handle), 0);
	EXPECT_EQ(window->getFramesShown(), shown + 1) << "painted by the first idle call after it";

	descriptor->cleanup(instance.handle);
}

TEST_F(LV2EditorUITest, WithoutAParentWindowThereIsNoUI)
{
	Host host;
	auto instance = instantiate(host, parent, false);
	EXPECT_FALSE(instance.handle);
}

TEST_F(LV2EditorUITest, InstancesOpenAndCloseInAnyOrderAndSurviveTheirWindowsGoingFirst)
{
	struct Case
	{
		const char* name;
		bool firstCleanedUpFirst;
		bool parentsDestroyedFirst;
	};
	for (auto c : {Case {"first, then second", true, false}, Case {"second, then first", false, false},
	               Case {"parents destroyed before clean-up", true, true}})
	{
		SCOPED_TRACE(c.name);
		xcb_window_t hosts[2];
		for (auto& window : hosts)
		{
			window = xcb_generate_id(connection);
			xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 200, 100, 0,
			                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
			xcb_map_window(connection, window);
		}
		xcb_flush(connection);
		Host host[2];
		Instance instances[2] = {instantiate(host[0], hosts[0]), instantiate(host[1], hosts[1])};
		ASSERT_TRUE(instances[0].handle && instances[1].handle);
		idleFor({instances[0].handle, instances[1].handle}, 50);
		if (c.parentsDestroyedFirst)
		{
			for (auto window : hosts)
				xcb_destroy_window(connection, window);
			xcb_flush(connection);
			idleFor({instances[0].handle, instances[1].handle}, 50);
		}
		const int first = c.firstCleanedUpFirst ? 0 : 1;
		descriptor->cleanup(instances[first].handle);
		// The other keeps working: it still shows the host's values.
		const float value = 0.3f;
		descriptor->port_event(instances[1 - first].handle, kGainPort, sizeof(float), 0, &value);
		idleFor({instances[1 - first].handle}, 30);
		descriptor->cleanup(instances[1 - first].handle);
		EXPECT_EQ(GainEditor::alive, 0);
		if (!c.parentsDestroyedFirst)
			for (auto window : hosts)
				xcb_destroy_window(connection, window);
		xcb_flush(connection);
	}
}

} // namespace
} // namespace Kavrin::Test
