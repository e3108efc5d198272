#include "lib/cbitmap.h"

#include "lib/assertion.h"
#include "lib/cdrawcontext.h"

#include <cmath>

namespace Kavrin {

// ---- Construction ----

CBitmap::CBitmap() = default;

CBitmap::CBitmap(const CResourceDescription& desc) : resourceDesc(desc)
{
	auto platformBitmap = IPlatformBitmap::create(nullptr);
	if (platformBitmap && platformBitmap->load(desc))
		bitmaps.push_back(platformBitmap);
}

CBitmap::CBitmap(double width, double height)
{
	CPoint size(width, height);
	if (auto platformBitmap = IPlatformBitmap::create(&size))
		bitmaps.push_back(platformBitmap);
}

CBitmap::CBitmap(const CPoint& size, double scaleFactor)
{
	CPoint pixels(std::floor(size.x * scaleFactor + 0.5), std::floor(size.y * scaleFactor + 0.5));
	if (auto platformBitmap = IPlatformBitmap::create(&pixels))
	{
		platformBitmap->setScaleFactor(scaleFactor);
		bitmaps.push_back(platformBitmap);
	}
}

CBitmap::CBitmap(const SharedPointer<IPlatformBitmap>& platformBitmap)
{
	if (platformBitmap)
		bitmaps.push_back(platformBitmap);
}

CBitmap::~CBitmap() noexcept = default;

// ---- Size and resolutions ----

namespace {

double logicalExtent(const IPlatformBitmap& bitmap, double pixels, uint32 multiple)
{
	double scale = bitmap.getScaleFactor();
	double factor = bitmap.getDisplayScale();
	if (bitmap.hasDisplayScale() && factor != 1.)
	{
		auto extent = static_cast<uint32>(std::floor(factor * pixels));
		if (multiple >= 2 && extent - extent % multiple != 0)
			extent -= extent % multiple;
		return extent / scale;
	}
	return pixels / scale;
}

} // namespace

double CBitmap::getWidth() const
{
	if (bitmaps.empty())
		return 0.;
	const auto& first = *bitmaps.front();
	return logicalExtent(first, first.getSize().x, first.getDisplayScaleWidthMultiple());
}

double CBitmap::getHeight() const
{
	if (bitmaps.empty())
		return 0.;
	const auto& first = *bitmaps.front();
	return logicalExtent(first, first.getSize().y, first.getDisplayScaleHeightMultiple());
}

IPlatformBitmap* CBitmap::getPlatformBitmap() const
{
	return bitmaps.empty() ? nullptr : bitmaps.front().get();
}

void CBitmap::setPlatformBitmap(const SharedPointer<IPlatformBitmap>& bitmap)
{
	if (!bitmap)
		return;
	if (bitmaps.empty())
		bitmaps.push_back(bitmap);
	else if (bitmaps.front() != bitmap)
		bitmaps.front() = bitmap;
}

bool CBitmap::addBitmap(const SharedPointer<IPlatformBitmap>& bitmap)
{
	if (!bitmap)
		return false;
	double scale = bitmap->getScaleFactor();
	if (bitmap->getSize().x / scale != getWidth() || bitmap->getSize().y / scale != getHeight())
	{
		doAssert("lib/cbitmap", "188", "wrong bitmap size");
		return false;
	}
	for (const auto& existing : bitmaps)
	{
		if (existing->getScaleFactor() == scale || existing == bitmap)
		{
			doAssert("lib/cbitmap", "195");
			return false;
		}
	}
	bitmaps.push_back(bitmap);
	return true;
}

SharedPointer<IPlatformBitmap> CBitmap::getBestPlatformBitmapForScaleFactor(double scaleFactor) const
{
	if (bitmaps.empty())
		return nullptr;
	SharedPointer<IPlatformBitmap> best = bitmaps.front();
	double bestDiff = std::fabs(scaleFactor - best->getScaleFactor());
	for (const auto& bitmap : bitmaps)
	{
		double scale = bitmap->getScaleFactor();
		if (scale == scaleFactor)
			return bitmap;
		double diff = std::fabs(scaleFactor - scale);
		if (diff <= bestDiff && scale > best->getScaleFactor())
		{
			best = bitmap;
			bestDiff = diff;
		}
	}
	return best;
}

// ---- Drawing ----

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha)
{
	if (!context)
		return;
	CDrawContext::ClipScope clip(context, rect);
	if (!clip.isEmpty())
		context->drawBitmap(this, rect, offset, alpha);
}

CNinePartTiledBitmap::CNinePartTiledBitmap(const CResourceDescription& desc,
                                           const CNinePartTiledDescription& offsets)
: CBitmap(desc), offsets(offsets)
{
}

CNinePartTiledBitmap::CNinePartTiledBitmap(const SharedPointer<IPlatformBitmap>& bitmap,
                                           const CNinePartTiledDescription& offsets)
: CBitmap(bitmap), offsets(offsets)
{
}

void CNinePartTiledBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint&, float alpha)
{
	if (context)
		context->drawBitmapNinePartTiled(this, rect, offsets, alpha);
}

// ---- Pixel access ----

CBitmapPixelAccess* CBitmapPixelAccess::create(CBitmap* bitmap, bool alphaPremultiplied)
{
	auto platformBitmap = bitmap ? bitmap->getPlatformBitmap() : nullptr;
	if (!platformBitmap)
		return nullptr;
	auto access = platformBitmap->lockPixels(alphaPremultiplied);
	if (!access || !access->getAddress())
		return nullptr;
	CBitmapPixelAccess* result = nullptr;
	switch (access->getPixelFormat())
	{
		case IPlatformBitmapPixelAccess::kARGB:
			result = new CBitmapPixelAccessOrder<1, 2, 3, 0>();
			break;
		case IPlatformBitmapPixelAccess::kRGBA:
			result = new CBitmapPixelAccessOrder<0, 1, 2, 3>();
			break;
		case IPlatformBitmapPixelAccess::kABGR:
			result = new CBitmapPixelAccessOrder<3, 2, 1, 0>();
			break;
		case IPlatformBitmapPixelAccess::kBGRA:
			result = new CBitmapPixelAccessOrder<2, 1, 0, 3>();
			break;
	}
	if (result)
		result->init(bitmap, access);
	return result;
}

void CBitmapPixelAccess::init(CBitmap* accessed, const SharedPointer<IPlatformBitmapPixelAccess>& access)
{
	bitmap = accessed;
	pixelAccess = access;
	address = currentPos = access->getAddress();
	bytesPerRow = access->getBytesPerRow();
	const CPoint& size = accessed->getPlatformBitmap()->getSize();
	maxX = size.x >= 1. ? static_cast<uint32>(size.x) - 1 : 0;
	maxY = size.y >= 1. ? static_cast<uint32>(size.y) - 1 : 0;
	x = y = 0;
}

bool CBitmapPixelAccess::setPosition(uint32 newX, uint32 newY)
{
	if (newX > maxX || newY > maxY)
		return false;
	x = newX;
	y = newY;
	currentPos = address + y * bytesPerRow + x * 4;
	return true;
}

bool CBitmapPixelAccess::operator++()
{
	if (x < maxX)
	{
		++x;
		currentPos += 4;
		return true;
	}
	if (y < maxY)
	{
		++y;
		x = 0;
		currentPos = address + y * bytesPerRow;
		return true;
	}
	return false;
}

IPlatformBitmapPixelAccess::PixelFormat CBitmapPixelAccess::getPixelFormat() const
{
	return pixelAccess->getPixelFormat();
}

} // namespace Kavrin
