#include "lib/cdrawcontext.h"

#include "lib/assertion.h"
#include "lib/cbitmap.h"
#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformstring.h"

#include <algorithm>

namespace Kavrin {

namespace {

CRect normalized(CRect rect)
{
	return rect.normalize();
}

} // namespace

// ---- Guards ----

CDrawContext::Transform::Transform(CDrawContext& context, const CGraphicsTransform& transform)
: context(context), transform(transform)
{
	if (!transform.isInvariant())
		context.pushTransform(transform);
}

CDrawContext::Transform::~Transform() noexcept
{
	if (!transform.isInvariant())
		context.popTransform();
}

CDrawContext::ClipScope::ClipScope(CDrawContext* context, const CRect& clip) : context(context)
{
	if (!context)
		return;
	context->getClipRect(previousClip);
	CRect newClip = normalized(clip);
	newClip.left = std::max(newClip.left, previousClip.left);
	newClip.top = std::max(newClip.top, previousClip.top);
	newClip.right = std::max(newClip.left, std::min(newClip.right, previousClip.right));
	newClip.bottom = std::max(newClip.top, std::min(newClip.bottom, previousClip.bottom));
	context->setClipRect(newClip);
	empty = newClip.left >= newClip.right || newClip.top >= newClip.bottom;
}

CDrawContext::ClipScope::~ClipScope() noexcept
{
	if (context)
		context->setClipRect(previousClip);
}

// ---- Construction ----

CDrawContext::CDrawContext(const CRect& surfaceRect) : surfaceRect(surfaceRect)
{
	transformStack.push(CGraphicsTransform());
}

CDrawContext::~CDrawContext() noexcept = default;

void CDrawContext::init()
{
	setFrameColor(kWhiteCColor);
	setLineStyle(kLineSolid);
	setLineWidth(1.);
	setFillColor(kBlackCColor);
	setFontColor(kWhiteCColor);
	setFont(kSystemFont, 0., -1);
	setDrawMode(kAliasing);
	setClipRect(surfaceRect);
}

// ---- State ----

void CDrawContext::setBitmapInterpolationQuality(BitmapInterpolationQuality quality)
{
	currentState.bitmapQuality = quality;
}

void CDrawContext::setLineStyle(const CLineStyle& style)
{
	currentState.lineStyle = style;
}

void CDrawContext::setLineWidth(double width)
{
	currentState.frameWidth = width;
}

void CDrawContext::setDrawMode(CDrawMode mode)
{
	currentState.drawMode = mode;
}

void CDrawContext::setClipRect(const CRect& clip)
{
	const auto& transform = getCurrentTransform();
	CPoint topLeft = transform.transformed(clip.getTopLeft());
	CPoint bottomRight = transform.transformed(clip.getBottomRight());
	currentState.clipRect = normalized(CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y));
}

CRect& CDrawContext::getClipRect(CRect& clip) const
{
	const auto inverse = getCurrentTransform().inverse();
	const auto& stored = currentState.clipRect;
	CPoint topLeft = inverse.transformed(stored.getTopLeft());
	CPoint bottomRight = inverse.transformed(stored.getBottomRight());
	clip = normalized(CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y));
	return clip;
}

void CDrawContext::resetClipRect()
{
	currentState.clipRect = surfaceRect;
}

void CDrawContext::setFillColor(const CColor& color)
{
	currentState.fillColor = color;
}

void CDrawContext::setFrameColor(const CColor& color)
{
	currentState.frameColor = color;
}

void CDrawContext::setFontColor(const CColor& color)
{
	currentState.fontColor = color;
}

void CDrawContext::setFont(CFontDesc* font, const double& size, const int& style)
{
	if (!font)
		return;
	bool keepsSize = size <= 0. || size == font->getSize();
	bool keepsStyle = style == -1 || style == font->getStyle();
	if (keepsSize && keepsStyle)
	{
		currentState.font = font;
		return;
	}
	auto copy = makeOwned<CFontDesc>(*font);
	if (size > 0.)
		copy->setSize(size);
	if (style != -1)
		copy->setStyle(style);
	currentState.font = copy;
}

void CDrawContext::setGlobalAlpha(float newAlpha)
{
	currentState.globalAlpha = newAlpha;
}

void CDrawContext::saveGlobalState()
{
	globalStatesStack.push(currentState);
}

void CDrawContext::restoreGlobalState()
{
	if (globalStatesStack.empty())
		return;
	currentState = std::move(globalStatesStack.top());
	globalStatesStack.pop();
}

double CDrawContext::getScaleFactor() const
{
	return 1.;
}

// ---- Transforms ----

void CDrawContext::pushTransform(const CGraphicsTransform& transformation)
{
	if (transformStack.empty())
	{
		doAssert("lib/cdrawcontext", "356");
		transformStack.push(CGraphicsTransform());
	}
	transformStack.push(transformStack.top() * transformation);
}

void CDrawContext::popTransform()
{
	if (transformStack.size() <= 1)
	{
		doAssert("lib/cdrawcontext", "365");
		return;
	}
	transformStack.pop();
}

const CGraphicsTransform& CDrawContext::getCurrentTransform() const
{
	return transformStack.top();
}

double CDrawContext::getHairlineSize() const
{
	return 1. / (getScaleFactor() * getCurrentTransform().m11);
}

// ---- Text ----

IPlatformString* CDrawContext::getDrawString(const char* string)
{
	if (!drawStringHelper)
		drawStringHelper = IPlatformString::createWithUTF8String(string);
	else
		drawStringHelper->setUTF8String(string);
	return drawStringHelper;
}

void CDrawContext::clearDrawString()
{
	if (drawStringHelper)
		drawStringHelper->setUTF8String(nullptr);
}

double CDrawContext::getStringWidth(IPlatformString* string)
{
	auto font = getFont();
	auto painter = font ? font->getFontPainter() : nullptr;
	if (!string || !painter)
		return -1.;
	return painter->getStringWidth(this, string, true);
}

double CDrawContext::getStringWidth(const char* string)
{
	if (!string)
		return -1.;
	double width = getStringWidth(getDrawString(string));
	clearDrawString();
	return width;
}

void CDrawContext::drawString(IPlatformString* string, const CPoint& baseline, bool antialias)
{
	auto font = getFont();
	auto painter = font ? font->getFontPainter() : nullptr;
	if (string && painter)
		painter->drawString(this, string, baseline, antialias);
}

void CDrawContext::drawString(IPlatformString* string, const CRect& rect, CHoriTxtAlign align,
                              bool antialias)
{
	auto font = getFont();
	auto painter = font ? font->getFontPainter() : nullptr;
	if (!string || !painter)
		return;
	double halfHeight = (rect.bottom - rect.top) * 0.5;
	auto platformFont = font->getPlatformFont();
	double capHeight = platformFont ? platformFont->getCapHeight() : 0.;
	double fromBottom = capHeight > 0. ? halfHeight - 0.5 * capHeight
	                                   : halfHeight - 0.5 * font->getSize() + 1.;
	double x = rect.left;
	if (align != kLeftText)
	{
		double width = painter->getStringWidth(this, string, antialias);
		x = align == kRightText ? rect.right - width
		                        : rect.left + (rect.right - rect.left) * 0.5 - width * 0.5;
	}
	painter->drawString(this, string, CPoint(x, rect.bottom - fromBottom), antialias);
}

void CDrawContext::drawString(const char* string, const CPoint& baseline, bool antialias)
{
	if (!string)
		return;
	drawString(getDrawString(string), baseline, antialias);
	clearDrawString();
}

void CDrawContext::drawString(const char* string, const CRect& rect, CHoriTxtAlign align, bool antialias)
{
	if (!string)
		return;
	drawString(getDrawString(string), rect, align, antialias);
	clearDrawString();
}

// ---- Bitmaps and paths ----

void CDrawContext::fillRectWithBitmap(CBitmap* bitmap, const CRect& srcRect, const CRect& dstRect,
                                      float alpha)
{
	if (srcRect.isEmpty() || dstRect.isEmpty())
		return;
	const double tileWidth = srcRect.getWidth();
	const double tileHeight = srcRect.getHeight();
	const CPoint offset = srcRect.getTopLeft();
	for (double y = dstRect.top; y < dstRect.bottom; y += tileHeight)
	{
		for (double x = dstRect.left; x < dstRect.right; x += tileWidth)
		{
			CRect tile(x, y, std::min(x + tileWidth, dstRect.right), std::min(y + tileHeight, dstRect.bottom));
			drawBitmap(bitmap, tile, offset, alpha);
		}
	}
}

namespace {

// The three spans along one axis of a nine-part grid: [outer0, inner1],
// [inner1, inner2], [inner2, outer1], each clamped so that an outer span
// never runs past its inner line.
struct GridSpans
{
	double start[3];
	double end[3];
};

GridSpans gridSpans(double outer0, double outer1, double innerA, double innerB)
{
	double inner1 = std::min(innerA, innerB);
	double inner2 = std::max(innerA, innerB);
	return {{std::min(outer0, inner1), inner1, std::min(inner2, outer1)},
	        {std::max(outer0, inner1), inner2, std::max(inner2, outer1)}};
}

} // namespace

void CDrawContext::drawBitmapNinePartTiled(CBitmap* bitmap, const CRect& dest,
                                           const CNinePartTiledDescription& desc, float alpha)
{
	if (!bitmap)
		return;
	const double width = bitmap->getWidth();
	const double height = bitmap->getHeight();
	auto srcX = gridSpans(0., width, desc.left, width - desc.right);
	auto srcY = gridSpans(0., height, desc.top, height - desc.bottom);
	auto dstX = gridSpans(dest.left, dest.right, dest.left + desc.left, dest.right - desc.right);
	auto dstY = gridSpans(dest.top, dest.bottom, dest.top + desc.top, dest.bottom - desc.bottom);
	for (int row = 0; row < 3; ++row)
	{
		for (int column = 0; column < 3; ++column)
		{
			CRect source(srcX.start[column], srcY.start[row], srcX.end[column], srcY.end[row]);
			CRect target(dstX.start[column], dstY.start[row], dstX.end[column], dstY.end[row]);
			fillRectWithBitmap(bitmap, source, target, alpha);
		}
	}
}

CGraphicsPath* CDrawContext::createRoundRectGraphicsPath(const CRect& size, double radius)
{
	CGraphicsPath* path = createGraphicsPath();
	if (path)
		path->addRoundRect(size, radius);
	return path;
}

// ---- Offscreen ----

COffscreenContext::COffscreenContext(CBitmap* bitmap)
: CDrawContext(CRect(0., 0., bitmap ? bitmap->getWidth() : 0., bitmap ? bitmap->getHeight() : 0.)),
  bitmap(bitmap)
{
}

COffscreenContext::~COffscreenContext() noexcept = default;

double COffscreenContext::getWidth() const
{
	return bitmap ? bitmap->getWidth() : 0.;
}

double COffscreenContext::getHeight() const
{
	return bitmap ? bitmap->getHeight() : 0.;
}

void COffscreenContext::copyFrom(CDrawContext* target, CRect destRect, CPoint srcOffset)
{
	if (bitmap && target)
		bitmap->draw(target, destRect, srcOffset, 1.f);
}

SharedPointer<COffscreenContext> COffscreenContext::create(CFrame* frame, double width, double height,
                                                           double scaleFactor)
{
	if (!frame || width < 1. || height < 1.)
		return nullptr;
	auto platformFrame = frame->getPlatformFrame();
	if (!platformFrame)
		return nullptr;
	return platformFrame->createOffscreenContext(width, height, scaleFactor);
}

} // namespace Kavrin
