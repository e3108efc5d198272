#pragma once

#include "lib/platform/iplatformbitmap.h"

namespace Kavrin {

class CairoImageSurface;

// A platform bitmap of the Cairo back end: a 32-bit premultiplied image
// surface in native byte order (blue, green, red, alpha in memory on
// little-endian machines), which is the pixel format it reports. Straight-
// alpha access unpremultiplies on lock and premultiplies again on release.
class CairoBitmap : public IPlatformBitmap
{
public:
	CairoBitmap();
	explicit CairoBitmap(const SharedPointer<CairoImageSurface>& surface);
	~CairoBitmap() noexcept override;

	bool load(const CResourceDescription& desc) override;
	const CPoint& getSize() const override;
	SharedPointer<IPlatformBitmapPixelAccess> lockPixels(bool alphaPremultiplied) override;
	void setScaleFactor(double factor) override;
	double getScaleFactor() const override;
	void drawScaled(const SharedPointer<IPlatformBitmap>& source,
	                const SharedPointer<IPlatformBitmap>& destination) override;
	const uint8* getBytes() override;
	void setDisplayScale(double factor, uint32 widthMultiple, uint32 heightMultiple) override;
	void resetDisplayScale() override;
	bool hasDisplayScale() const override;
	double getDisplayScale() const override;
	uint32 getDisplayScaleWidthMultiple() const override;
	uint32 getDisplayScaleHeightMultiple() const override;

	// Null for a bitmap not yet loaded.
	CairoImageSurface* getSurface() const;

	static SharedPointer<IPlatformBitmap> create(CPoint* size);
	static SharedPointer<IPlatformBitmap> createFromPath(const char* absolutePath);
	static SharedPointer<IPlatformBitmap> createFromMemory(const void* data, uint32 size);
	static std::vector<uint8> createMemoryPNGRepresentation(const SharedPointer<IPlatformBitmap>& bitmap);

private:
	void setSurface(const SharedPointer<CairoImageSurface>& newSurface);

	SharedPointer<CairoImageSurface> surface;
	CPoint size;
	double scaleFactor {1.};
	bool displayScaleOn {false};
	double displayScale {1.};
	uint32 widthMultiple {1};
	uint32 heightMultiple {1};
};

} // namespace Kavrin
