#include "lib/controls/cparamdisplay.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/cstring.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Kavrin {

namespace {

// printf's fixed-point form of value, measured before it is written, so no
// number of decimals outgrows the text.
std::string formatFixed(double value, int decimals)
{
	const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
	if (length <= 0)
		return {};
	std::vector<char> buffer(size_t(length) + 1);
	std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, value);
	return std::string(buffer.data(), size_t(length));
}

} // namespace

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32 style)
: CControl(size, nullptr, -1, background), style(style | kAntialiasBit), font(kNormalFont)
{
}

CParamDisplay::CParamDisplay(const CParamDisplay& other)
: CControl(other), valueToStringFunction(other.valueToStringFunction), horiTxtAlign(other.horiTxtAlign),
  style(other.style), valuePrecision(other.valuePrecision), font(other.font), fontColor(other.fontColor),
  backColor(other.backColor), frameColor(other.frameColor), shadowColor(other.shadowColor),
  textInset(other.textInset), shadowTextOffset(other.shadowTextOffset), backOffset(other.backOffset),
  roundRectRadius(other.roundRectRadius), frameWidth(other.frameWidth), textRotation(other.textRotation)
{
}

CParamDisplay::~CParamDisplay() noexcept = default;

CView* CParamDisplay::cloneView() const
{
	return new CParamDisplay(*this);
}

// ---- Value as text ----

void CParamDisplay::setValueToStringFunction(const ValueToStringFunction& function)
{
	if (!function)
	{
		valueToStringFunction = nullptr;
		return;
	}
	valueToStringFunction = [function](float value, std::string& result, CParamDisplay* display) {
		char buffer[kValueTextBufferSize] {};
		if (!function(value, buffer, display))
			return false;
		// A function that filled the whole buffer left no terminator.
		result.assign(buffer, strnlen(buffer, kValueTextBufferSize));
		return true;
	};
}

void CParamDisplay::setValueToStringFunction2(const ValueToStringFunction2& function)
{
	valueToStringFunction = function;
}

bool CParamDisplay::convertValueToString(float value, std::string& result)
{
	if (!valueToStringFunction)
		return false;
	// A copy: the function may replace itself.
	auto function = valueToStringFunction;
	return function(value, result, this);
}

std::string CParamDisplay::formatValue(float value) const
{
	return formatFixed(double(value), std::min(valuePrecision, kMaxPrecision));
}

std::string CParamDisplay::valueToText(float value)
{
	std::string text;
	if (convertValueToString(value, text))
		return text;
	return formatValue(value);
}

// ---- Settings ----

void CParamDisplay::setFont(CFontDesc* newFont)
{
	if (!newFont || newFont == font)
		return;
	font = newFont;
	drawStyleChanged();
}

void CParamDisplay::setFontColor(CColor color)
{
	changeDrawStyle(fontColor, color);
}

void CParamDisplay::setBackColor(CColor color)
{
	changeDrawStyle(backColor, color);
}

void CParamDisplay::setFrameColor(CColor color)
{
	changeDrawStyle(frameColor, color);
}

void CParamDisplay::setShadowColor(CColor color)
{
	changeDrawStyle(shadowColor, color);
}

void CParamDisplay::setShadowTextOffset(const CPoint& offset)
{
	changeDrawStyle(shadowTextOffset, offset);
}

void CParamDisplay::setAntialias(bool state)
{
	if (state)
		style |= kAntialiasBit;
	else
		style &= ~kAntialiasBit;
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign align)
{
	changeDrawStyle(horiTxtAlign, align);
}

void CParamDisplay::setTextInset(const CPoint& inset)
{
	changeDrawStyle(textInset, inset);
}

void CParamDisplay::setTextRotation(double angle)
{
	if (!std::isfinite(angle))
		return;
	// One division instead of stepping by whole turns, which would never
	// end for huge angles; 360 itself stays 360.
	if (angle < 0.)
	{
		angle = std::fmod(angle, 360.);
		angle = angle < 0. ? angle + 360. : 0.;
	}
	else if (angle > 360.)
	{
		angle = std::fmod(angle, 360.);
		if (angle == 0.)
			angle = 360.;
	}
	changeDrawStyle(textRotation, angle);
}

void CParamDisplay::setRoundRectRadius(const double& radius)
{
	changeDrawStyle(roundRectRadius, radius);
}

void CParamDisplay::setFrameWidth(const double& width)
{
	changeDrawStyle(frameWidth, width);
}

void CParamDisplay::setStyle(int32 newStyle)
{
	changeDrawStyle(style, (newStyle & ~kAntialiasBit) | (style & kAntialiasBit));
}

void CParamDisplay::setPrecision(uint8 precision)
{
	changeDrawStyle(valuePrecision, precision);
}

void CParamDisplay::setBackOffset(const CPoint& offset)
{
	changeDrawStyle(backOffset, offset);
}

// A background that pictures the whole parent then shows the part under
// the view.
void CParamDisplay::copyBackOffset()
{
	setBackOffset(getViewSize().getTopLeft());
}

void CParamDisplay::drawStyleChanged()
{
	setDirty(true);
}

// ---- Drawing ----

void CParamDisplay::draw(CDrawContext* context)
{
	if (style & kNoDrawStyle)
	{
		// Drawn as nothing: left dirty, it would be asked to draw forever.
		setDirty(false);
		return;
	}
	SharedPointer<CParamDisplay> keepAlive = this;
	const UTF8String text(valueToText(value));
	drawBack(context, nullptr);
	drawPlatformText(context, text.getPlatformString());
	setDirty(false);
}

void CParamDisplay::drawBack(CDrawContext* context, CBitmap* newBack)
{
	context->setDrawMode(kAliasing);
	const double lineWidth = frameWidth < 0. ? context->getHairlineSize() : frameWidth;
	if (CBitmap* back = newBack ? newBack : getDrawBackground())
		back->draw(context, getViewSize(), backOffset, 1.f);
	else if (!getTransparency())
		fillAndFrame(context, lineWidth);
	if (style & (k3DIn | k3DOut))
		drawBevel(context, lineWidth);
}

void CParamDisplay::fillAndFrame(CDrawContext* context, double lineWidth)
{
	const bool framed = !(style & (k3DIn | k3DOut | kNoFrame));
	const CRect& size = getViewSize();
	CRect inner = size;
	inner.inset(lineWidth / 2., lineWidth / 2.);
	context->setFillColor(backColor);
	auto strokeFrame = [&](CGraphicsPath* path) {
		context->setLineStyle(kLineSolid);
		context->setLineWidth(lineWidth);
		context->setFrameColor(frameColor);
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathStroked);
		else
			context->drawRect(inner, kDrawStroked);
	};
	context->setDrawMode(kAntiAliasing);
	SharedPointer<CGraphicsPath> path;
	if (style & kRoundRectStyle)
		path = owned(context->createRoundRectGraphicsPath(inner, roundRectRadius));
	else if ((path = owned(context->createGraphicsPath())))
		path->addRect(framed ? inner : size);
	if (path)
		context->drawGraphicsPath(path, CDrawContext::kPathFilled);
	else
		context->drawRect(size, kDrawFilled);
	if (framed)
		strokeFrame(path);
}

void CParamDisplay::drawBevel(CDrawContext* context, double lineWidth)
{
	CRect r = getViewSize();
	r.inset(lineWidth / 2., lineWidth / 2.);
	context->setDrawMode(kAliasing);
	context->setLineWidth(lineWidth);
	context->setLineStyle(kLineSolid);
	const bool in = (style & k3DIn) != 0;
	auto stroke = [&](CColor color, CPoint a, CPoint b, CPoint c) {
		context->setFrameColor(color);
		if (auto path = owned(context->createGraphicsPath()))
		{
			path->beginSubpath(a);
			path->addLine(b);
			path->addLine(c);
			context->drawGraphicsPath(path, CDrawContext::kPathStroked);
			return;
		}
		context->drawLines({{a, b}, {b, c}});
	};
	stroke(in ? backColor : frameColor, r.getBottomLeft(), r.getTopLeft(), r.getTopRight());
	stroke(in ? frameColor : backColor, r.getTopRight(), r.getBottomRight(), r.getBottomLeft());
}

void CParamDisplay::drawPlatformText(CDrawContext* context, IPlatformString* string)
{
	drawPlatformText(context, string, getViewSize());
}

void CParamDisplay::drawPlatformText(CDrawContext* context, IPlatformString* string, const CRect& rect)
{
	if (style & kNoTextStyle)
		return;
	context->saveGlobalState();
	CRect textRect = rect;
	textRect.inset(textInset.x, textInset.y);
	{
		CDrawContext::ClipScope clip(context, textRect);
		if (!clip.isEmpty())
		{
			CGraphicsTransform rotation;
			if (textRotation != 0.)
			{
				const CPoint centre = textRect.getCenter();
				rotation.translate(-centre.x, -centre.y).rotate(textRotation).translate(centre.x, centre.y);
			}
			CDrawContext::Transform transform(*context, rotation);
			context->setDrawMode(kAntiAliasing);
			context->setFont(font, 0., -1);
			const bool antialias = getAntialias();
			if (style & kShadowText)
			{
				context->setFontColor(shadowColor);
				CRect shadowRect = textRect;
				shadowRect.offset(shadowTextOffset);
				context->drawString(string, shadowRect, horiTxtAlign, antialias);
			}
			context->setFontColor(fontColor);
			context->drawString(string, textRect, horiTxtAlign, antialias);
		}
	}
	context->restoreGlobalState();
}

// ---- Focus ----

bool CParamDisplay::getFocusPath(CGraphicsPath& outPath)
{
	if (!wantsFocus())
		return true;
	const double width = getFrame() ? getFrame()->getFocusWidth() : 2.;
	CRect r = getViewSize();
	if (style & kRoundRectStyle)
	{
		outPath.addRoundRect(r, roundRectRadius);
		r.extend(width, width);
		outPath.addRoundRect(r, roundRectRadius);
	}
	else
	{
		outPath.addRect(r);
		r.extend(width, width);
		outPath.addRect(r);
	}
	return true;
}

} // namespace Kavrin
