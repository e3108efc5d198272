#include "lib/platform/x11/x11backbuffer.h"

#include "lib/platform/x11/x11platform.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <vector>
#include <xcb/shm.h>

namespace Kavrin {

namespace {

constexpr int64 kSmallCopy = 128 * 128; // device pixels

} // namespace

X11BackBuffer::X11BackBuffer(X11Platform* platform, int32 pixelWidth, int32 pixelHeight, double scaleFactor)
: platform(platform)
{
	if (platform->canUseSharedMemory() && attachSharedMemory(pixelWidth, pixelHeight, scaleFactor))
		return;
	surface = CairoImageSurface::create(pixelWidth, pixelHeight, scaleFactor);
}

X11BackBuffer::~X11BackBuffer() noexcept
{
	if (!segment)
		return;
	// The server may still be reading the last copy.
	waitForCopy();
	surface = nullptr;
	xcb_shm_detach(platform->getConnection(), segment);
	xcb_flush(platform->getConnection());
	::shmdt(sharedPixels);
}

bool X11BackBuffer::attachSharedMemory(int32 pixelWidth, int32 pixelHeight, double scaleFactor)
{
	// The same bounds as any image surface of the back end.
	if (!CairoImageSurface::isAllowedSize(pixelWidth, pixelHeight))
		return false;
	const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, pixelWidth);
	if (stride <= 0)
		return false;
	const size_t bytes = size_t(stride) * size_t(pixelHeight);
	int id = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
	if (id < 0)
		return false;
	void* pixels = ::shmat(id, nullptr, 0);
	if (pixels == reinterpret_cast<void*>(-1))
	{
		::shmctl(id, IPC_RMID, nullptr);
		return false;
	}
	xcb_connection_t* connection = platform->getConnection();
	uint32 newSegment = xcb_generate_id(connection);
	xcb_generic_error_t* error =
	    xcb_request_check(connection, xcb_shm_attach_checked(connection, newSegment, uint32(id), 0));
	// Once both sides are attached the segment can be marked for removal: it
	// then goes away with the last detach, even if the process dies.
	::shmctl(id, IPC_RMID, nullptr);
	if (error)
	{
		// A server on another machine cannot see the segment.
		std::free(error);
		::shmdt(pixels);
		return false;
	}
	std::memset(pixels, 0, bytes);
	cairo_surface_t* cairoSurface = cairo_image_surface_create_for_data(
	    static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight, stride);
	cairo_surface_set_device_scale(cairoSurface, scaleFactor, scaleFactor);
	surface = CairoImageSurface::adopt(cairoSurface);
	if (!surface)
	{
		xcb_shm_detach(connection, newSegment);
		::shmdt(pixels);
		return false;
	}
	segment = newSegment;
	sharedPixels = pixels;
	return true;
}

void X11BackBuffer::waitForCopy()
{
	if (!copyPending)
		return;
	copyPending = false;
	// The server handles requests in order: once a later request is
	// answered, the copy has been read out of the segment.
	xcb_connection_t* connection = platform->getConnection();
	std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void X11BackBuffer::copyTo(xcb_window_t window, xcb_gcontext_t gc, int32 left, int32 top, int32 right,
                           int32 bottom)
{
	if (!surface)
		return;
	left = std::clamp(left, 0, surface->getPixelWidth());
	right = std::clamp(right, 0, surface->getPixelWidth());
	top = std::clamp(top, 0, surface->getPixelHeight());
	bottom = std::clamp(bottom, 0, surface->getPixelHeight());
	if (right <= left || bottom <= top)
		return;
	cairo_surface_flush(static_cast<cairo_surface_t*>(surface->getCairoSurface()));
	// A small rect goes faster in the request itself: the server reads it
	// at once, and the next paint need not wait for it.
	if (!segment || int64(right - left) * (bottom - top) < kSmallCopy)
	{
		putImage(platform->getConnection(), window, gc, platform->getScreen()->root_depth, *surface, left, top,
		         right - left, bottom - top);
		return;
	}
	xcb_shm_put_image(platform->getConnection(), window, gc, uint16(surface->getPixelWidth()),
	                  uint16(surface->getPixelHeight()), uint16(left), uint16(top), uint16(right - left),
	                  uint16(bottom - top), int16(left), int16(top), platform->getScreen()->root_depth,
	                  XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment, 0);
	copyPending = true;
}

void putImage(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8 depth,
              const CairoImageSurface& image, int32 left, int32 top, int32 width, int32 height)
{
	auto cairoSurface = static_cast<cairo_surface_t*>(image.getCairoSurface());
	cairo_surface_flush(cairoSurface);
	const unsigned char* data = cairo_image_surface_get_data(cairoSurface);
	const int32 stride = cairo_image_surface_get_stride(cairoSurface);
	const uint32 maxBytes = xcb_get_maximum_request_length(connection) * 4 - 64;
	const int32 rowsPerRequest = std::max<int32>(1, int32(maxBytes / uint32(width * 4)));
	std::vector<uint32> pixels;
	for (int32 y = top; y < top + height; y += rowsPerRequest)
	{
		int32 rows = std::min(rowsPerRequest, top + height - y);
		pixels.resize(size_t(width) * size_t(rows));
		for (int32 row = 0; row < rows; ++row)
			std::memcpy(&pixels[size_t(row) * size_t(width)], data + (y + row) * stride + left * 4,
			            size_t(width) * 4);
		xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, uint16(width), uint16(rows),
		              int16(left), int16(y), 0, depth, uint32(pixels.size() * 4),
		              reinterpret_cast<const uint8_t*>(pixels.data()));
	}
}

} // namespace Kavrin
