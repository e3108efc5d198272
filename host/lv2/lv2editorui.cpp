#include "host/lv2/lv2editorui.h"

#include "host/x11uifactory.h"
#include "lib/platform/bundle.h"
#include "lib/platform/x11/x11platform.h"

#include <cstring>
#include <deque>
#include <memory>
#include <string>

namespace Kavrin::LV2 {

namespace {

// One connection for every editor of the process: the platform is shared,
// and released with the last editor.
class SharedPlatform
{
public:
	static SharedPointer<X11Platform> acquire()
	{
		if (!platform)
		{
			platform = X11Platform::create();
			if (!platform)
				return nullptr;
			setPlatform(platform);
		}
		++users;
		return platform;
	}

	static void release()
	{
		if (users == 0 || --users != 0)
			return;
		setPlatform(nullptr);
		platform = nullptr;
	}

private:
	static inline SharedPointer<X11Platform> platform;
	static inline int users {0};
};

// The bundle folder, kept for the lifetime of the process: the toolkit
// looks resources up under it.
const char* rememberBundle(const char* path)
{
	static std::deque<std::string> bundles;
	for (const auto& known : bundles)
		if (known == path)
			return known.c_str();
	bundles.emplace_back(path);
	return bundles.back().c_str();
}

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri)
{
	for (auto feature = features; feature && *feature; ++feature)
		if (std::strcmp((*feature)->URI, uri) == 0)
			return *feature;
	return nullptr;
}

// One instance of the UI: the editor in its window under the host's parent,
// talking to the host through the features it offered.
class EditorUI : public IEditorHost
{
public:
	EditorUI(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_Feature* const* features)
	: write(write), controller(controller)
	{
		if (auto feature = findFeature(features, LV2_UI__parent))
			parent = xcb_window_t(reinterpret_cast<uintptr_t>(feature->data));
		if (auto feature = findFeature(features, LV2_UI__resize))
			hostResize = static_cast<const LV2UI_Resize*>(feature->data);
		if (auto feature = findFeature(features, LV2_UI__touch))
			touch = static_cast<const LV2UI_Touch*>(feature->data);
	}

	~EditorUI() noexcept override
	{
		if (window)
		{
			window.reset(); // closes the editor; disposes of it, as it has no owner
			platform->processEvents();
		}
		else if (editor)
			editor->dispose();
		if (platform)
		{
			platform = nullptr;
			SharedPlatform::release();
		}
	}

	// Opens the editor in the host's window; false without a parent, a
	// display or an editor.
	bool open(PluginGUIEditor* newEditor)
	{
		editor = newEditor;
		if (!editor || parent == XCB_NONE)
			return false;
		platform = SharedPlatform::acquire();
		if (!platform)
			return false;
		editor->setEditorHost(this);
		window = OlvexX11UIFactory::uiViewForParent(
		    platform, parent,
		    [this](PluginGUIEditor*& handedOver) {
			    handedOver = editor;
			    return true;
		    },
		    CPoint());
		if (!window)
			return false;
		const CRect size = window->getSize();
		if (hostResize)
			hostResize->ui_resize(hostResize->handle, int(size.getWidth() * platform->getScaleFactor()),
			                      int(size.getHeight() * platform->getScaleFactor()));
		platform->processEvents();
		return true;
	}

	xcb_window_t getWindow() const { return window ? window->getWindow() : XCB_NONE; }

	void portEvent(uint32 port, uint32 size, uint32 format, const void* buffer)
	{
		if (!window || format != 0 || size != sizeof(float) || !buffer)
			return;
		float value;
		std::memcpy(&value, buffer, sizeof(value));
		editor->setParameter(int32(port), value);
	}

	// Handles what the X server sent, what is due and what was asked for
	// (dirty views, invalidations), without waiting. A call with nothing
	// to do is one poll(2): no round trip, no allocation.
	int idle()
	{
		if (!platform)
			return 1;
		if (auto loop = dynamic_cast<DefaultRunLoop*>(platform->getRunLoop()))
			loop->runOnce(0);
		else
			platform->processEvents();
		// The host's own calls may have waited for replies, which leaves
		// their events where the descriptor does not show them.
		platform->processQueuedEvents();
		return 0;
	}

	// The host resized the UI: the window and the frame follow, without
	// asking the host again.
	int hostResized(int width, int height)
	{
		if (!window || width <= 0 || height <= 0)
			return 1;
		const double scale = platform->getScaleFactor();
		CRect size(0, 0, width / scale, height / scale);
		window->setSize(size);
		resizingForHost = true;
		if (auto frame = dynamic_cast<CFrame*>(editor->getFrame()))
			frame->setSize(size.getWidth(), size.getHeight());
		resizingForHost = false;
		return 0;
	}

	// IEditorHost
	void beginEdit(int32 tag) override
	{
		if (touch && tag >= 0)
			touch->touch(touch->handle, uint32(tag), true);
	}
	void endEdit(int32 tag) override
	{
		if (touch && tag >= 0)
			touch->touch(touch->handle, uint32(tag), false);
	}
	void parameterChanged(int32 tag, float value) override
	{
		if (write && tag >= 0)
			write(controller, uint32(tag), sizeof(value), 0, &value);
	}
	bool requestResize(int32 width, int32 height) override
	{
		if (resizingForHost || !platform)
			return true;
		if (window)
			window->setSize(CRect(0, 0, width, height));
		if (!hostResize)
			return true;
		const double scale = platform->getScaleFactor();
		return hostResize->ui_resize(hostResize->handle, int(width * scale), int(height * scale)) == 0;
	}

private:
	LV2UI_Write_Function write;
	LV2UI_Controller controller;
	xcb_window_t parent {XCB_NONE};
	const LV2UI_Resize* hostResize {nullptr};
	const LV2UI_Touch* touch {nullptr};
	SharedPointer<X11Platform> platform;
	PluginGUIEditor* editor {nullptr};
	std::unique_ptr<X11EditorWindow> window;
	bool resizingForHost {false};
};

// The descriptors the program asked for, with their editors' factories.
struct Registration
{
	LV2UI_Descriptor descriptor;
	std::string uri;
	EditorFactory factory;
};

std::deque<Registration>& registrations()
{
	static std::deque<Registration> all;
	return all;
}

EditorFactory factoryOf(const LV2UI_Descriptor* descriptor)
{
	for (const auto& registration : registrations())
		if (&registration.descriptor == descriptor)
			return registration.factory;
	return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor* descriptor, const char*, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
	EditorFactory factory = factoryOf(descriptor);
	if (!factory || !widget)
		return nullptr;
	if (bundlePath)
		gBundleRef = rememberBundle(bundlePath);
	auto ui = std::make_unique<EditorUI>(write, controller, features);
	if (!ui->open(factory()))
		return nullptr;
	*widget = reinterpret_cast<LV2UI_Widget>(uintptr_t(ui->getWindow()));
	return ui.release();
}

void cleanup(LV2UI_Handle handle)
{
	delete static_cast<EditorUI*>(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
	if (handle)
		static_cast<EditorUI*>(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle)
{
	return handle ? static_cast<EditorUI*>(handle)->idle() : 1;
}

int resize(LV2UI_Feature_Handle handle, int width, int height)
{
	return handle ? static_cast<EditorUI*>(handle)->hostResized(width, height) : 1;
}

const void* extensionData(const char* uri)
{
	static const LV2UI_Idle_Interface idleInterface {idle};
	static const LV2UI_Resize resizeInterface {nullptr, resize};
	if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
		return &idleInterface;
	if (std::strcmp(uri, LV2_UI__resize) == 0)
		return &resizeInterface;
	return nullptr;
}

} // namespace

const LV2UI_Descriptor* editorUIDescriptor(const char* uri, EditorFactory factory)
{
	for (const auto& registration : registrations())
		if (registration.uri == uri)
			return &registration.descriptor;
	auto& registration = registrations().emplace_back();
	registration.uri = uri;
	registration.factory = factory;
	registration.descriptor = {registration.uri.c_str(), instantiate, cleanup, portEvent, extensionData};
	return &registration.descriptor;
}

} // namespace Kavrin::LV2
