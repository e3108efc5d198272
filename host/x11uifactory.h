#pragma once

#include "host/pluginguieditor.h"
#include "lib/platform/x11/x11platform.h"

#include <functional>
#include <memory>

namespace Kavrin {

// The window a host embeds: a child of the host's parent window that
// opens the editor into itself and takes the size of the editor's frame at
// the origin. Destroying it closes the editor once, and disposes of the
// editor when no owner holds it any more.
class X11EditorWindow
{
public:
	// No window (isValid false) when the editor is null, the parent does not
	// exist or the editor cannot open there; the editor then stays with the
	// caller, unopened.
	X11EditorWindow(X11Platform* platform, xcb_window_t parent, PluginGUIEditor* editor, const CPoint& preferredSize);
	~X11EditorWindow() noexcept;
	X11EditorWindow(const X11EditorWindow&) = delete;
	X11EditorWindow& operator=(const X11EditorWindow&) = delete;

	bool isValid() const { return window != XCB_NONE && editor != nullptr; }
	xcb_window_t getWindow() const { return window; }
	PluginGUIEditor* getEditor() const { return editor; }
	// The window's size in logical units.
	CRect getSize() const { return size; }
	// The host resized the window: the frame follows.
	void setSize(const CRect& newSize);

private:
	SharedPointer<X11Platform> platform;
	PluginGUIEditor* editor {nullptr};
	xcb_window_t window {XCB_NONE};
	CRect size;
};

// Where a host asks for the plug-in's editor window.
class OlvexX11UIFactory
{
public:
	// Hands over the plug-in's editor; false when the plug-in has none to
	// give (nothing is created then).
	using EditorLookup = std::function<bool(PluginGUIEditor*& editor)>;

	static uint32 interfaceVersion() { return 0; }
	static const char* description() { return "OlvexCocoaUI"; }
	// A window under the parent showing the editor, or null (an editor that
	// was handed over then stays with its plug-in). The preferred size plays
	// no part in the window's size.
	static std::unique_ptr<X11EditorWindow> uiViewForParent(X11Platform* platform, xcb_window_t parent,
	                                                        const EditorLookup& lookup,
	                                                        const CPoint& preferredSize);
};

} // namespace Kavrin
