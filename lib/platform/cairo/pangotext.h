#pragma once

#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformstring.h"
#include "lib/reference.h"

#include <string>

namespace Kavrin {

class CFontDesc;
class CGraphicsPath;

// Text of the Linux back ends, laid out by Pango on fonts found by
// fontconfig. Any platform that draws with the Cairo context makes its fonts
// and strings here.

// Null for an empty name, a size that is not positive, or when fontconfig
// has no font at all. The family is a request: fontconfig resolves a family
// it does not have to its best substitute.
SharedPointer<IPlatformFont> createPangoFont(const std::string& name, double size, int32 style);
// Null gives a string without text.
SharedPointer<IPlatformString> createPangoString(const char* utf8String);
// The glyph outlines of text on one line in the font, with the baseline at
// y = the font's cap height, so that capitals start at y = 0. Null without a
// Pango platform font or text; the caller owns the path.
CGraphicsPath* createPangoTextPath(CFontDesc* font, const char* text);

} // namespace Kavrin
