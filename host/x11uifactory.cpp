#include "host/x11uifactory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Kavrin {

namespace {

uint16 deviceSide(double logical, double scale)
{
	return uint16(std::clamp(std::ceil(logical * scale), 1., 32767.));
}

// Destroys a window that the host may already have destroyed with its
// parent: the error is taken here rather than left on the connection.
void destroyQuietly(xcb_connection_t* connection, xcb_window_t window)
{
	std::free(xcb_request_check(connection, xcb_destroy_window_checked(connection, window)));
}

} // namespace

X11EditorWindow::X11EditorWindow(X11Platform* platform, xcb_window_t parent, PluginGUIEditor* editorToShow,
                                 const CPoint&)
: platform(platform)
{
	if (!platform || !editorToShow)
		return;
	xcb_connection_t* connection = platform->getConnection();
	// A provisional size; the editor's frame decides.
	xcb_window_t newWindow = xcb_generate_id(connection);
	// The host's window may have a visual of its own (a toolkit's plug
	// window often has): this one brings the screen's depth and colormap
	// with the root visual, rather than copying what would not match.
	xcb_screen_t* screen = platform->getScreen();
	const uint32 attributes[] = {0, screen->default_colormap};
	xcb_generic_error_t* error = xcb_request_check(
	    connection, xcb_create_window_checked(connection, screen->root_depth, newWindow, parent, 0, 0, 100, 100, 0,
	                                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
	                                          XCB_CW_BORDER_PIXEL | XCB_CW_COLORMAP, attributes));
	if (error)
	{
		std::free(error);
		return;
	}
	if (!editorToShow->open(reinterpret_cast<void*>(uintptr_t(newWindow))) || !editorToShow->getFrame())
	{
		editorToShow->close();
		destroyQuietly(connection, newWindow);
		return;
	}
	window = newWindow;
	editor = editorToShow;
	const CRect& frameSize = editor->getFrame()->getViewSize();
	size = CRect(0, 0, frameSize.getWidth(), frameSize.getHeight());
	setSize(size);
	xcb_map_window(connection, window);
	xcb_flush(connection);
}

X11EditorWindow::~X11EditorWindow() noexcept
{
	if (editor)
	{
		editor->close();
		// An editor its plug-in still holds stays with the plug-in.
		if (!editor->getOwner())
			editor->dispose();
		editor = nullptr;
	}
	if (window != XCB_NONE)
		destroyQuietly(platform->getConnection(), window);
}

void X11EditorWindow::setSize(const CRect& newSize)
{
	if (window == XCB_NONE)
		return;
	size = CRect(0, 0, newSize.getWidth(), newSize.getHeight());
	const double scale = platform->getScaleFactor();
	const uint32 values[] = {0, 0, deviceSide(size.getWidth(), scale), deviceSide(size.getHeight(), scale)};
	xcb_configure_window(platform->getConnection(), window,
	                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
	                         XCB_CONFIG_WINDOW_HEIGHT,
	                     values);
	xcb_flush(platform->getConnection());
}

std::unique_ptr<X11EditorWindow> OlvexX11UIFactory::uiViewForParent(X11Platform* platform, xcb_window_t parent,
                                                                    const EditorLookup& lookup,
                                                                    const CPoint& preferredSize)
{
	PluginGUIEditor* editor = nullptr;
	if (!lookup || !lookup(editor) || !editor)
		return nullptr;
	auto window = std::make_unique<X11EditorWindow>(platform, parent, editor, preferredSize);
	if (!window->isValid())
		return nullptr;
	return window;
}

} // namespace Kavrin
