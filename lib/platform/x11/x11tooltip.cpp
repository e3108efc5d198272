#include "lib/platform/x11/x11tooltip.h"

#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/x11/x11backbuffer.h"
#include "lib/platform/x11/x11platform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Kavrin {

namespace {

constexpr double kBorder = 1.;  // logical units
constexpr double kPadding = 4.; // between the border and the text
constexpr CColor kBackgroundColor {255, 255, 225};
constexpr CColor kBorderColor {118, 118, 118};
constexpr CColor kTextColor {0, 0, 0};
constexpr uint32 kOpaque = 0xFFFFFFFF;

CFontDesc* tooltipFont()
{
	return kNormalFontSmall;
}

uint32 opacityAfter(uint32 step)
{
	return uint32(uint64(kOpaque) * (X11Tooltip::kFadeSteps - step) / X11Tooltip::kFadeSteps);
}

std::vector<std::string> splitLines(const char* utf8Text)
{
	std::vector<std::string> lines;
	const char* start = utf8Text;
	while (true)
	{
		const char* end = std::strchr(start, '\n');
		size_t length = end ? size_t(end - start) : std::strlen(start);
		if (length > 0 && start[length - 1] == '\r')
			--length;
		lines.emplace_back(start, length);
		if (!end)
			break;
		start = end + 1;
	}
	return lines;
}

int32 pixelSide(double logical, double scaleFactor, int32 limit)
{
	return std::clamp(int32(std::ceil(logical * scaleFactor)), 1, std::max(1, limit));
}

} // namespace

X11Tooltip::X11Tooltip(X11Platform* platform) : platform(platform)
{
	fadeTimer = platform->createTimer(this);
}

X11Tooltip::~X11Tooltip() noexcept
{
	if (fadeTimer)
	{
		fadeTimer->stop();
		fadeTimer = nullptr;
	}
	if (window == XCB_NONE)
		return;
	xcb_connection_t* connection = platform->getConnection();
	xcb_free_gc(connection, gc);
	xcb_destroy_window(connection, window);
	xcb_flush(connection);
}

CRect X11Tooltip::place(const CRect& anchor, const CPoint& size, const CRect& screen)
{
	double left = std::max(screen.left, std::min(anchor.left, screen.right - size.x));
	double top = anchor.bottom;
	if (top + size.y > screen.bottom)
		top = anchor.top - size.y;
	top = std::max(screen.top, top);
	return CRect(left, top, left + size.x, top + size.y);
}

bool X11Tooltip::show(xcb_window_t frameWindow, double scaleFactor, const CRect& rect, const char* utf8Text)
{
	if (!utf8Text || !*utf8Text || !(scaleFactor > 0.))
		return false;
	auto image = render(splitLines(utf8Text), scaleFactor);
	if (!image)
		return false;
	xcb_connection_t* connection = platform->getConnection();
	xcb_screen_t* screen = platform->getScreen();
	auto origin = xcb_translate_coordinates_reply(
	    connection, xcb_translate_coordinates(connection, frameWindow, screen->root, 0, 0), nullptr);
	if (!origin)
		return false;
	CRect anchor(std::floor(rect.left * scaleFactor), std::floor(rect.top * scaleFactor),
	             std::ceil(rect.right * scaleFactor), std::ceil(rect.bottom * scaleFactor));
	anchor.offset(origin->dst_x, origin->dst_y);
	std::free(origin);
	CRect where = place(anchor, CPoint(image->getPixelWidth(), image->getPixelHeight()),
	                    CRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
	if (window == XCB_NONE && !makeWindow())
		return false;

	if (fadeTimer)
		fadeTimer->stop();
	fadeStep = 0;
	setOpacity(kOpaque);
	const uint32 geometry[] = {uint32(int32(where.left)), uint32(int32(where.top)),
	                           uint32(image->getPixelWidth()), uint32(image->getPixelHeight()),
	                           XCB_STACK_MODE_ABOVE};
	xcb_configure_window(connection, window,
	                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
	                         XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
	                     geometry);
	setBackground(image);
	xcb_map_window(connection, window);
	xcb_flush(connection);
	visible = true;
	return true;
}

void X11Tooltip::hide()
{
	if (!visible || fadeStep > 0)
		return;
	// The first step at once, so that hiding shows without delay.
	fadeStep = 1;
	setOpacity(opacityAfter(fadeStep));
	if (!fadeTimer || !fadeTimer->start(kFadeInterval))
		unmap();
	xcb_flush(platform->getConnection());
}

void X11Tooltip::fire()
{
	if (fadeStep == 0)
	{
		fadeTimer->stop();
		return;
	}
	if (++fadeStep >= kFadeSteps)
	{
		unmap();
		return;
	}
	setOpacity(opacityAfter(fadeStep));
	xcb_flush(platform->getConnection());
}

void X11Tooltip::unmap()
{
	if (fadeTimer)
		fadeTimer->stop();
	fadeStep = 0;
	visible = false;
	xcb_unmap_window(platform->getConnection(), window);
	xcb_flush(platform->getConnection());
}

void X11Tooltip::setOpacity(uint32 opacity)
{
	if (opacityAtom == XCB_NONE)
		return;
	xcb_change_property(platform->getConnection(), XCB_PROP_MODE_REPLACE, window, opacityAtom,
	                    XCB_ATOM_CARDINAL, 32, 1, &opacity);
}

// Lines at the tooltip font, one under the other, in a bordered box; the
// box is bounded by the screen (longer text is cut off).
SharedPointer<CairoImageSurface> X11Tooltip::render(const std::vector<std::string>& lines,
                                                    double scaleFactor) const
{
	CFontDesc* font = tooltipFont();
	double textWidth = 0.;
	{
		auto measure = CairoImageSurface::create(1, 1, scaleFactor);
		if (!measure)
			return nullptr;
		auto context = owned(measure->createDrawContext());
		context->setFont(font);
		for (const auto& line : lines)
		{
			if (line.empty())
				continue;
			double width = context->getStringWidth(line.c_str());
			if (width < 0.)
				return nullptr;
			textWidth = std::max(textWidth, width);
		}
	}
	IPlatformFont* platformFont = font->getPlatformFont();
	double ascent = platformFont ? platformFont->getAscent() : font->getSize();
	double lineHeight = platformFont ? ascent + platformFont->getDescent() + platformFont->getLeading()
	                                 : font->getSize() * 1.25;
	const double inset = kBorder + kPadding;
	const xcb_screen_t* screen = platform->getScreen();
	auto image = CairoImageSurface::create(
	    pixelSide(std::ceil(textWidth) + 2. * inset, scaleFactor, screen->width_in_pixels),
	    pixelSide(std::ceil(lineHeight * double(lines.size())) + 2. * inset, scaleFactor,
	              screen->height_in_pixels),
	    scaleFactor);
	if (!image)
		return nullptr;
	auto context = owned(image->createDrawContext());
	CRect box = image->getLogicalRect();
	context->setFillColor(kBorderColor);
	context->drawRect(box, kDrawFilled);
	context->setFillColor(kBackgroundColor);
	context->drawRect(box.inset(kBorder, kBorder), kDrawFilled);
	context->setFont(font);
	context->setFontColor(kTextColor);
	for (size_t i = 0; i < lines.size(); ++i)
		context->drawString(lines[i].c_str(), CPoint(inset, inset + ascent + lineHeight * double(i)));
	return image;
}

bool X11Tooltip::makeWindow()
{
	xcb_connection_t* connection = platform->getConnection();
	xcb_screen_t* screen = platform->getScreen();
	xcb_window_t newWindow = xcb_generate_id(connection);
	// Kept from the window manager, and what it covers is kept by the
	// server, so that showing and hiding cost the windows below nothing.
	const uint32 values[] = {1, 1};
	auto cookie = xcb_create_window_checked(connection, XCB_COPY_FROM_PARENT, newWindow, screen->root, 0, 0, 1,
	                                        1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
	                                        XCB_CW_OVERRIDE_REDIRECT | XCB_CW_SAVE_UNDER, values);
	if (xcb_generic_error_t* error = xcb_request_check(connection, cookie))
	{
		std::free(error);
		return false;
	}
	window = newWindow;
	gc = xcb_generate_id(connection);
	xcb_create_gc(connection, gc, window, 0, nullptr);
	opacityAtom = platform->internAtom("_NET_WM_WINDOW_OPACITY");
	xcb_atom_t typeAtom = platform->internAtom("_NET_WM_WINDOW_TYPE");
	xcb_atom_t tooltipType = platform->internAtom("_NET_WM_WINDOW_TYPE_TOOLTIP");
	if (typeAtom != XCB_NONE && tooltipType != XCB_NONE)
		xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, typeAtom, XCB_ATOM_ATOM, 32, 1,
		                    &tooltipType);
	return true;
}

// Copies the image into a pixmap of the window's depth and makes it the
// window's background. The server
// keeps the pixmap for as long as the window uses it.
void X11Tooltip::setBackground(CairoImageSurface* image)
{
	xcb_connection_t* connection = platform->getConnection();
	const uint8 depth = platform->getScreen()->root_depth;
	const int32 width = image->getPixelWidth();
	const int32 height = image->getPixelHeight();
	xcb_pixmap_t pixmap = xcb_generate_id(connection);
	xcb_create_pixmap(connection, depth, pixmap, window, uint16(width), uint16(height));

	putImage(connection, pixmap, gc, depth, *image, 0, 0, width, height);
	const uint32 values[] = {pixmap};
	xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, values);
	xcb_free_pixmap(connection, pixmap);
	xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
}

} // namespace Kavrin
