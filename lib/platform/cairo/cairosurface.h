#pragma once

#include "lib/ccolor.h"
#include "lib/crect.h"
#include "lib/reference.h"

#include <string>

namespace Kavrin {

class CDrawContext;

// A 32-bit premultiplied image surface of the Cairo back end, in device
// pixels, with the scale factor that maps logical units onto them. Pixels
// are native-endian 0xAARRGGBB words.
class CairoImageSurface : public AtomicReferenceCounted
{
public:
	// Null when the surface cannot be made (a side below 1 or too large).
	static SharedPointer<CairoImageSurface> create(int32 pixelWidth, int32 pixelHeight,
	                                               double scaleFactor = 1.);
	// Whether create accepts a surface of this many device pixels.
	static bool isAllowedSize(int32 pixelWidth, int32 pixelHeight);
	// Takes over a cairo_surface_t of format ARGB32 (its reference).
	static SharedPointer<CairoImageSurface> adopt(void* cairoImageSurface);
	~CairoImageSurface() noexcept override;

	int32 getPixelWidth() const;
	int32 getPixelHeight() const;
	double getScaleFactor() const;
	// Logical size: the pixel size divided by the scale factor.
	CRect getLogicalRect() const;
	// The device pixels a paint of a logical rect touches, every one it
	// covers even in part (not clipped to any surface).
	static CRect devicePixelsCovering(const CRect& logical, double scaleFactor);

	// A draw context over the whole surface (the caller owns it).
	CDrawContext* createDrawContext();
	// The premultiplied word at a device pixel; 0 outside the surface.
	uint32 getPixelWord(int32 x, int32 y) const;
	// The straight-alpha colour at a device pixel.
	CColor getPixel(int32 x, int32 y) const;
	void clear();
	// Moves the pixels inside the rect (device pixels, clipped to the
	// surface) by dx, dy: what leaves the rect is dropped, and what the move
	// uncovers keeps its old pixels. False, with nothing changed, when no
	// pixel of the rect stays inside it.
	bool scrollPixels(int32 left, int32 top, int32 right, int32 bottom, int32 dx, int32 dy);
	bool writePNG(const std::string& path) const;

	// The cairo_surface_t, for the back end's own use.
	void* getCairoSurface() const;

private:
	explicit CairoImageSurface(void* surface);
	void* surface;
};

} // namespace Kavrin
