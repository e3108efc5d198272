#pragma once

#include "lib/platform/cairo/cairosurface.h"

#include <xcb/xcb.h>

namespace Kavrin {

class X11Platform;

// Copies a rect of an image's device pixels to the same place in a
// drawable of the screen's depth, in requests small enough for the server.
void putImage(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8 depth,
              const CairoImageSurface& image, int32 left, int32 top, int32 width, int32 height);

// The image a frame paints into, in device pixels, and its copy to the
// window. Where the server offers MIT-SHM the pixels live in a segment both
// share and copying a large rect is one small request; small rects, and all
// of them without shared memory, go out with put-image in requests the
// server accepts.
class X11BackBuffer
{
public:
	// Null surface (isValid false) when the size cannot be allocated.
	X11BackBuffer(X11Platform* platform, int32 pixelWidth, int32 pixelHeight, double scaleFactor);
	~X11BackBuffer() noexcept;
	X11BackBuffer(const X11BackBuffer&) = delete;
	X11BackBuffer& operator=(const X11BackBuffer&) = delete;

	bool isValid() const { return surface != nullptr; }
	bool usesSharedMemory() const { return segment != 0; }
	CairoImageSurface* getSurface() const { return surface.get(); }

	// Waits until the server has read the last copy, so that the pixels may
	// be drawn again. Only shared memory needs it.
	void waitForCopy();
	// Copies a rect of device pixels (clipped to the buffer) to the window.
	void copyTo(xcb_window_t window, xcb_gcontext_t gc, int32 left, int32 top, int32 right, int32 bottom);

private:
	bool attachSharedMemory(int32 pixelWidth, int32 pixelHeight, double scaleFactor);

	X11Platform* platform;
	SharedPointer<CairoImageSurface> surface;
	uint32 segment {0}; // the server's name for the shared segment; 0 without
	void* sharedPixels {nullptr};
	bool copyPending {false};
};

} // namespace Kavrin
