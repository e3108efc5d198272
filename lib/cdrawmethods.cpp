#include "lib/cdrawmethods.h"

#include "lib/cbitmap.h"
#include "lib/cdrawcontext.h"
#include "lib/cfont.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformstring.h"

#include <string>

namespace Kavrin {
namespace CDrawMethods {

namespace {

constexpr const char* kPlaceholder = "..";

} // namespace

UTF8String createTruncatedText(TextTruncateMode mode, const UTF8String& text, CFontDesc* font,
                               double maxWidth, const CPoint& textInset, uint32 flags)
{
	if (mode != kTextTruncateHead && mode != kTextTruncateTail)
		return text;
	auto painter = font ? font->getFontPainter() : nullptr;
	auto textString = text.getPlatformString();
	if (!painter || !textString)
		return text;
	const double inset = 2. * textInset.x;
	if (maxWidth >= inset + painter->getStringWidth(nullptr, textString, true))
		return text;

	// One platform string for every candidate: only its text changes.
	auto measured = IPlatformString::createWithUTF8String();
	if (!measured)
		return text;
	using Steps = UTF8String::CodePointIterator;
	const std::string& bytes = text.getString();
	auto first = bytes.begin();
	auto last = bytes.end();
	std::string candidate;
	while (first != last)
	{
		// Every step stays inside what is left, so malformed or cut
		// sequences never lead outside the text.
		if (mode == kTextTruncateTail)
		{
			last -= static_cast<std::ptrdiff_t>(Steps::previousLength(first, last, last));
			candidate.assign(first, last);
			candidate += kPlaceholder;
		}
		else
		{
			first += static_cast<std::ptrdiff_t>(Steps::sequenceLength(first, last));
			candidate = kPlaceholder;
			candidate.append(first, last);
		}
		measured->setUTF8String(candidate.c_str());
		if (inset + painter->getStringWidth(nullptr, measured, true) <= maxWidth)
			break;
	}
	if (first == last && (flags & kReturnEmptyIfAllTruncated))
		return UTF8String();
	return UTF8String(std::move(candidate));
}

void drawIconAndText(CDrawContext* context, CBitmap* icon, IconPosition iconPosition,
                     CHoriTxtAlign textAlignment, double textMargin, CRect rect, const UTF8String& title,
                     CFontDesc* font, CColor textColor, TextTruncateMode mode)
{
	if (!context)
		return;
	const double margin = textMargin;
	const double fontSize = font ? font->getSize() : 0.;
	CRect textRect = rect;
	auto marginOnAlignedSide = [&]() {
		if (textAlignment == kRightText)
			textRect.right -= margin;
		else if (textAlignment == kLeftText)
			textRect.left += margin;
	};
	if (icon)
	{
		const double iconWidth = icon->getWidth();
		const double iconHeight = icon->getHeight();
		const double middleY = rect.top + rect.getHeight() / 2. - iconHeight / 2.;
		const double centreX = rect.left + rect.getWidth() / 2. - iconWidth / 2.;
		CRect iconRect(0., 0., iconWidth, iconHeight);
		switch (iconPosition)
		{
			case kIconLeft:
			default:
				iconRect.offset(rect.left + margin, middleY);
				textRect.left = rect.left + iconWidth + margin;
				textRect.right = rect.right - margin;
				if (textAlignment == kLeftText)
					textRect.left += margin;
				break;
			case kIconRight:
				iconRect.offset(rect.right - iconWidth - margin, middleY);
				textRect.right = iconRect.left;
				textRect.left = rect.left + margin;
				if (textAlignment == kRightText)
					textRect.right -= margin;
				break;
			case kIconCenterAbove:
			case kIconCenterBelow:
				if (title.empty())
				{
					iconRect.offset(centreX, middleY);
					break;
				}
				if (iconPosition == kIconCenterAbove)
				{
					iconRect.offset(centreX, middleY - (fontSize + margin) / 2.);
					textRect.top = iconRect.bottom + margin;
				}
				else
				{
					iconRect.offset(centreX, middleY + (fontSize + margin) / 2.);
					textRect.top = iconRect.top - fontSize - margin;
				}
				textRect.bottom = textRect.top + fontSize;
				marginOnAlignedSide();
				break;
		}
		context->drawBitmap(icon, iconRect, CPoint(), 1.f);
	}
	else
	{
		marginOnAlignedSide();
	}

	if (title.empty())
		return;
	context->setFont(font, 0., -1);
	context->setFontColor(textColor);
	if (mode == kTextTruncateNone)
	{
		context->drawString(title.getPlatformString(), textRect, textAlignment, true);
		return;
	}
	UTF8String truncated =
	    createTruncatedText(mode, title, font, textRect.getWidth(), CPoint(), kReturnEmptyIfAllTruncated);
	if (!truncated.empty())
		context->drawString(truncated.getPlatformString(), textRect, textAlignment, true);
}

} // namespace CDrawMethods
} // namespace Kavrin
