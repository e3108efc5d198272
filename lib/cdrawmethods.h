#pragma once

#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/cstring.h"

namespace Kavrin {

class CBitmap;
class CDrawContext;
class CFontDesc;

// Text and icon helpers built on the draw context.
namespace CDrawMethods {

enum TextTruncateMode : int32
{
	kTextTruncateNone = 0,
	kTextTruncateHead,
	kTextTruncateTail,
};

enum CreateTextTruncateFlags : uint32
{
	kReturnEmptyIfAllTruncated = 1 << 0,
};

enum IconPosition : int32
{
	kIconLeft = 0,
	kIconCenterAbove,
	kIconCenterBelow,
	kIconRight,
};

// The text, shortened by whole code points at its start (head) or end
// (tail) and marked with ".." where it was cut, so that it fits maxWidth
// together with textInset.x on both sides, measured in font. The text
// itself when it fits, when mode is kTextTruncateNone, or when font has no
// painter. When nothing of the text is left the result is ".." alone, or
// the empty string with kReturnEmptyIfAllTruncated.
UTF8String createTruncatedText(TextTruncateMode mode, const UTF8String& text, CFontDesc* font,
                               double maxWidth, const CPoint& textInset = CPoint(), uint32 flags = 0);

// Lays out an icon and a one-line title in rect: the icon beside the text
// (kIconLeft, kIconRight) or centred above or below it, textMargin between
// them and towards the side the text is aligned to. The title is drawn in
// font and textColor, truncated to the room it gets unless mode is
// kTextTruncateNone; the context's font and font colour are left set to
// them. Either part may be missing.
void drawIconAndText(CDrawContext* context, CBitmap* icon, IconPosition iconPosition,
                     CHoriTxtAlign textAlignment, double textMargin, CRect rect, const UTF8String& title,
                     CFontDesc* font, CColor textColor, TextTruncateMode mode = kTextTruncateNone);

} // namespace CDrawMethods
} // namespace Kavrin
