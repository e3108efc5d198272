#pragma once

#include "lib/platform/platformtypes.h"

#include <array>
#include <xcb/xcb.h>

struct xcb_cursor_context_t;

namespace Kavrin {

// The mouse cursors of one connection, one per CCursorType, made on first
// use and freed with the cache. A cursor comes from the desktop's cursor
// theme through xcb-cursor, under the names themes give that shape; when
// the theme has none of them, or there is no theme, it is a glyph of the
// server's core cursor font, so that every type keeps a shape of its own.
class X11Cursors
{
public:
	// Without the theme only the core glyphs are used. The connection must
	// stay open for the cache's lifetime.
	X11Cursors(xcb_connection_t* connection, xcb_screen_t* screen, bool useTheme = true);
	~X11Cursors() noexcept;
	X11Cursors(const X11Cursors&) = delete;
	X11Cursors& operator=(const X11Cursors&) = delete;

	// The cursor of a type. kCursorWait and values outside the enumeration
	// get the arrow. XCB_CURSOR_NONE only when the server made no cursor;
	// a later call tries again.
	xcb_cursor_t get(CCursorType type);

	static constexpr int32 kTypeCount = kCursorCrosshair + 1;

private:
	xcb_cursor_t load(int32 type);
	xcb_cursor_t loadGlyph(uint16 glyph);

	xcb_connection_t* connection;
	xcb_cursor_context_t* theme {nullptr};
	xcb_font_t cursorFont {XCB_NONE};
	bool cursorFontFailed {false};
	std::array<xcb_cursor_t, kTypeCount> cursors {};
};

} // namespace Kavrin
