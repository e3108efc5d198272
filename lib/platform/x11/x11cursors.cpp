#include "lib/platform/x11/x11cursors.h"

#include <cstdlib>
#include <xcb/xcb_cursor.h>

namespace Kavrin {

namespace {

// Theme names in the order tried (the CSS names first, then the older X11
// ones that themes still carry) and the core cursor font's glyph.
struct CursorShape
{
	const char* names[5];
	uint16 glyph;
};

// Glyph numbers of the core "cursor" font.
constexpr uint16 kGlyphBottomLeftCorner = 12;
constexpr uint16 kGlyphBottomRightCorner = 14;
constexpr uint16 kGlyphCircle = 24;
constexpr uint16 kGlyphCrosshair = 34;
constexpr uint16 kGlyphFleur = 52;
constexpr uint16 kGlyphHand2 = 60;
constexpr uint16 kGlyphLeftPtr = 68;
constexpr uint16 kGlyphPlus = 90;
constexpr uint16 kGlyphHorizontalArrows = 108;
constexpr uint16 kGlyphVerticalArrows = 116;
constexpr uint16 kGlyphXterm = 152;

// Indexed by CCursorType. The wait cursor is shown as the arrow: get() takes
// the default's entry for it, and its row only keeps the indices. The core
// font has no copy or open-hand glyph; plus and the pointing hand come
// closest. Not-allowed takes the circle rather than X_cursor, which a bare
// server shows where no cursor is set.
const CursorShape kShapes[X11Cursors::kTypeCount] = {
    {{"default", "left_ptr"}, kGlyphLeftPtr},
    {{"default", "left_ptr"}, kGlyphLeftPtr},
    {{"ew-resize", "col-resize", "sb_h_double_arrow", "h_double_arrow"}, kGlyphHorizontalArrows},
    {{"ns-resize", "row-resize", "sb_v_double_arrow", "v_double_arrow"}, kGlyphVerticalArrows},
    {{"all-scroll", "move", "fleur", "size_all"}, kGlyphFleur},
    {{"nesw-resize", "size_bdiag", "bottom_left_corner"}, kGlyphBottomLeftCorner},
    {{"nwse-resize", "size_fdiag", "bottom_right_corner"}, kGlyphBottomRightCorner},
    {{"copy", "dnd-copy"}, kGlyphPlus},
    {{"not-allowed", "crossed_circle", "no-drop"}, kGlyphCircle},
    {{"grab", "openhand", "pointer", "hand2"}, kGlyphHand2},
    {{"text", "xterm"}, kGlyphXterm},
    {{"crosshair", "cross"}, kGlyphCrosshair},
};

} // namespace

X11Cursors::X11Cursors(xcb_connection_t* connection, xcb_screen_t* screen, bool useTheme)
: connection(connection)
{
	if (useTheme && xcb_cursor_context_new(connection, screen, &theme) < 0)
		theme = nullptr;
}

X11Cursors::~X11Cursors() noexcept
{
	for (xcb_cursor_t cursor : cursors)
		if (cursor != XCB_CURSOR_NONE)
			xcb_free_cursor(connection, cursor);
	if (cursorFont != XCB_NONE)
		xcb_close_font(connection, cursorFont);
	if (theme)
		xcb_cursor_context_free(theme);
	xcb_flush(connection);
}

xcb_cursor_t X11Cursors::get(CCursorType type)
{
	int32 index = type;
	if (index < 0 || index >= kTypeCount || index == kCursorWait)
		index = kCursorDefault;
	if (cursors[size_t(index)] == XCB_CURSOR_NONE)
		cursors[size_t(index)] = load(index);
	return cursors[size_t(index)];
}

xcb_cursor_t X11Cursors::load(int32 type)
{
	const CursorShape& shape = kShapes[type];
	if (theme)
	{
		for (const char* name : shape.names)
		{
			if (!name)
				break;
			xcb_cursor_t cursor = xcb_cursor_load_cursor(theme, name);
			if (cursor != XCB_CURSOR_NONE)
				return cursor;
		}
	}
	return loadGlyph(shape.glyph);
}

// Checked requests: a server without the cursor font must give no cursor
// rather than an id that fails later on the window.
xcb_cursor_t X11Cursors::loadGlyph(uint16 glyph)
{
	if (cursorFontFailed)
		return XCB_CURSOR_NONE;
	if (cursorFont == XCB_NONE)
	{
		xcb_font_t font = xcb_generate_id(connection);
		static constexpr char kFontName[] = "cursor";
		if (xcb_generic_error_t* error = xcb_request_check(
		        connection, xcb_open_font_checked(connection, font, sizeof(kFontName) - 1, kFontName)))
		{
			std::free(error);
			cursorFontFailed = true;
			return XCB_CURSOR_NONE;
		}
		cursorFont = font;
	}
	xcb_cursor_t cursor = xcb_generate_id(connection);
	// Black on white, the mask being the glyph that follows.
	auto cookie = xcb_create_glyph_cursor_checked(connection, cursor, cursorFont, cursorFont, glyph,
	                                              uint16(glyph + 1), 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF);
	if (xcb_generic_error_t* error = xcb_request_check(connection, cookie))
	{
		std::free(error);
		return XCB_CURSOR_NONE;
	}
	return cursor;
}

} // namespace Kavrin
