#pragma once

#include "lib/ccolor.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/cresourcedescription.h"
#include "lib/platform/iplatformbitmap.h"
#include "lib/reference.h"

#include <vector>

namespace Kavrin {

class CDrawContext;

// Where a nine-part bitmap is cut: the widths of the left and right columns
// and the heights of the top and bottom rows, in logical units.
struct CNinePartTiledDescription
{
	double left {0.};
	double top {0.};
	double right {0.};
	double bottom {0.};
};

// An image with one platform bitmap per scale factor, all of the same
// logical size; the first defines the size. Shared by reference. A bitmap
// that failed to load has no platform bitmap, size 0 x 0, and draws nothing.
class CBitmap : public AtomicReferenceCounted
{
public:
	using PlatformBitmapList = std::vector<SharedPointer<IPlatformBitmap>>;

	CBitmap();
	explicit CBitmap(const CResourceDescription& desc);
	// Transparent pixels of exactly width x height, scale factor 1.
	CBitmap(double width, double height);
	// size x scaleFactor pixels (rounded), carrying that scale factor.
	CBitmap(const CPoint& size, double scaleFactor);
	explicit CBitmap(const SharedPointer<IPlatformBitmap>& platformBitmap);
	~CBitmap() noexcept override;

	// Draws through the context, clipped to rect; the bitmap point offset
	// lands at rect's top-left.
	virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
	                  float alpha = 1.f);

	// Logical size of the first platform bitmap; 0 without one.
	double getWidth() const;
	double getHeight() const;
	CPoint getSize() const { return {getWidth(), getHeight()}; }

	IPlatformBitmap* getPlatformBitmap() const;
	void setPlatformBitmap(const SharedPointer<IPlatformBitmap>& bitmap);
	// Adds another resolution of the same logical size; a wrong size or a
	// scale factor already present is reported and refused.
	bool addBitmap(const SharedPointer<IPlatformBitmap>& bitmap);
	// The exact scale factor, else the closest (ties go to the larger).
	SharedPointer<IPlatformBitmap> getBestPlatformBitmapForScaleFactor(double scaleFactor) const;
	const PlatformBitmapList& getPlatformBitmaps() const { return bitmaps; }
	const CResourceDescription& getResourceDescription() const { return resourceDesc; }

protected:
	CResourceDescription resourceDesc;
	PlatformBitmapList bitmaps;
};

// A bitmap drawn in nine parts: the corners as they are, edges and centre
// tiled to fill the destination.
class CNinePartTiledBitmap : public CBitmap
{
public:
	CNinePartTiledBitmap(const CResourceDescription& desc, const CNinePartTiledDescription& offsets);
	CNinePartTiledBitmap(const SharedPointer<IPlatformBitmap>& bitmap,
	                     const CNinePartTiledDescription& offsets);

	void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
	          float alpha = 1.f) override;

	const CNinePartTiledDescription& getPartOffsets() const { return offsets; }
	void setPartOffsets(const CNinePartTiledDescription& newOffsets) { offsets = newOffsets; }

private:
	CNinePartTiledDescription offsets;
};

// Reads and writes a bitmap's pixels one at a time, in the platform's own
// pixel order. Holds the platform's pixel lock until released; the bitmap
// must outlive it.
class CBitmapPixelAccess : public AtomicReferenceCounted
{
public:
	// Null for a null or empty bitmap, pixels that cannot be locked or an
	// unknown pixel format.
	static CBitmapPixelAccess* create(CBitmap* bitmap, bool alphaPremultiplied = true);

	virtual void getColor(CColor& color) const = 0;
	virtual void setColor(const CColor& color) = 0;

	// False, and the position unchanged, outside the bitmap.
	bool setPosition(uint32 x, uint32 y);
	// Moves to the next pixel, row by row; false at the last one.
	bool operator++();
	uint32 getX() const { return x; }
	uint32 getY() const { return y; }
	uint32 getBitmapWidth() const { return maxX + 1; }
	uint32 getBitmapHeight() const { return maxY + 1; }
	IPlatformBitmapPixelAccess::PixelFormat getPixelFormat() const;

protected:
	CBitmapPixelAccess() = default;
	void init(CBitmap* bitmap, const SharedPointer<IPlatformBitmapPixelAccess>& access);

	CBitmap* bitmap {nullptr};
	SharedPointer<IPlatformBitmapPixelAccess> pixelAccess;
	uint8* currentPos {nullptr};
	uint8* address {nullptr};
	uint32 bytesPerRow {0};
	uint32 maxX {0};
	uint32 maxY {0};
	uint32 x {0};
	uint32 y {0};
};

// Pixel access for one byte order: R, G, B and A are the byte positions of
// the components within a 4-byte pixel.
template <int R, int G, int B, int A>
class CBitmapPixelAccessOrder : public CBitmapPixelAccess
{
public:
	void getColor(CColor& color) const override
	{
		color.red = currentPos[R];
		color.green = currentPos[G];
		color.blue = currentPos[B];
		color.alpha = currentPos[A];
	}
	void setColor(const CColor& color) override
	{
		currentPos[R] = color.red;
		currentPos[G] = color.green;
		currentPos[B] = color.blue;
		currentPos[A] = color.alpha;
	}

private:
	friend class CBitmapPixelAccess;
	CBitmapPixelAccessOrder() = default;
};

} // namespace Kavrin
