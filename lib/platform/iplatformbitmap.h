#pragma once

#include "lib/cpoint.h"
#include "lib/cresourcedescription.h"
#include "lib/reference.h"

#include <vector>

namespace Kavrin {

class IPlatformBitmapPixelAccess;

// The platform's image: pixel storage of its own size in device pixels and
// a scale factor; its logical size is the pixel size divided by the scale.
class IPlatformBitmap : public AtomicReferenceCounted
{
public:
	// With a size, transparent pixels of that size; with null, an empty
	// bitmap to load. Null without a platform.
	static SharedPointer<IPlatformBitmap> create(CPoint* size = nullptr);
	// Decoded images (PNG, JPEG); null when the data cannot be decoded, is
	// empty, or claims a size the platform refuses to allocate.
	static SharedPointer<IPlatformBitmap> createFromPath(const char* absolutePath);
	static SharedPointer<IPlatformBitmap> createFromMemory(const void* data, uint32 size);
	// The PNG encoding, recording 72 x scale factor dots per inch; empty on
	// failure.
	static std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap);

	~IPlatformBitmap() noexcept override = default;

	virtual bool load(const CResourceDescription& desc) = 0;
	virtual const CPoint& getSize() const = 0;
	// Null when the bitmap has no pixels.
	virtual SharedPointer<IPlatformBitmapPixelAccess> lockPixels(bool alphaPremultiplied) = 0;
	virtual void setScaleFactor(double factor) = 0;
	virtual double getScaleFactor() const = 0;
	virtual void drawScaled(const SharedPointer<IPlatformBitmap>& source,
	                        const SharedPointer<IPlatformBitmap>& destination) = 0;
	virtual const uint8* getBytes() = 0;
	virtual void setDisplayScale(double factor, uint32 widthMultiple, uint32 heightMultiple) = 0;
	virtual void resetDisplayScale() = 0;
	virtual bool hasDisplayScale() const = 0;
	virtual double getDisplayScale() const = 0;
	virtual uint32 getDisplayScaleWidthMultiple() const = 0;
	virtual uint32 getDisplayScaleHeightMultiple() const = 0;
};

// Byte-level access to a platform bitmap's pixels. Releasing it ends the
// access and marks the bitmap's drawable image stale.
class IPlatformBitmapPixelAccess : public AtomicReferenceCounted
{
public:
	enum PixelFormat : int32
	{
		kARGB = 0, // alpha, red, green, blue in memory
		kRGBA = 1,
		kABGR = 2,
		kBGRA = 3,
	};

	~IPlatformBitmapPixelAccess() noexcept override = default;

	virtual uint8* getAddress() const = 0;
	virtual uint32 getBytesPerRow() const = 0;
	virtual PixelFormat getPixelFormat() const = 0;
};

} // namespace Kavrin
