#include "lib/cfont.h"

#include "lib/platform/iplatformfont.h"

#include <array>

namespace Kavrin {

namespace {

// The standard descriptions are made while the library loads and released
// when it unloads; anyone still holding a reference then keeps theirs.
CFontDesc* standardFont(const char* family, double size)
{
	return new CFontDesc(family, size, kNormalFace);
}

} // namespace

const CFontRef kSystemFont = standardFont("Lucida Grande", 12);
const CFontRef kNormalFontVeryBig = standardFont("Arial", 18);
const CFontRef kNormalFontBig = standardFont("Arial", 14);
const CFontRef kNormalFont = standardFont("Arial", 12);
const CFontRef kNormalFontSmall = standardFont("Arial", 11);
const CFontRef kNormalFontSmaller = standardFont("Arial", 10);
const CFontRef kNormalFontVerySmall = standardFont("Arial", 9);
const CFontRef kSymbolFont = standardFont("Symbol", 12);

namespace {

std::array<CFontDesc*, 8> standardFonts()
{
	return {kSystemFont, kNormalFontVeryBig, kNormalFontBig, kNormalFont,
	        kNormalFontSmall, kNormalFontSmaller, kNormalFontVerySmall, kSymbolFont};
}

// Defined after the fonts in this file, so destroyed before their pointers
// could matter to anything constructed earlier.
struct StandardFontRelease
{
	~StandardFontRelease() noexcept
	{
		for (auto font : standardFonts())
			font->forget();
	}
} standardFontRelease;

} // namespace

CFontDesc::CFontDesc(const UTF8String& name, const double& size, int32 style)
: name(name), size(size), style(style)
{
}

CFontDesc::CFontDesc(const CFontDesc& font)
: AtomicReferenceCounted(), name(font.name), size(0.), style(kNormalFace)
{
	setSize(font.size);
	setStyle(font.style);
}

CFontDesc::~CFontDesc() noexcept = default;

void CFontDesc::beforeDelete()
{
	freePlatformFont();
	AtomicReferenceCounted::beforeDelete();
}

void CFontDesc::setName(const UTF8String& newName)
{
	if (name == newName)
		return;
	name = newName;
	freePlatformFont();
}

void CFontDesc::setSize(double newSize)
{
	size = newSize;
	freePlatformFont();
}

void CFontDesc::setStyle(int32 newStyle)
{
	style = newStyle;
	freePlatformFont();
}

IPlatformFont* CFontDesc::getPlatformFont() const
{
	if (!platformFont)
		platformFont = IPlatformFont::create(name, size, style);
	return platformFont;
}

const IFontPainter* CFontDesc::getFontPainter() const
{
	auto font = getPlatformFont();
	return font ? font->getPainter() : nullptr;
}

CFontDesc& CFontDesc::operator=(const CFontDesc& font)
{
	setName(font.name);
	setSize(font.size);
	setStyle(font.style);
	return *this;
}

bool CFontDesc::operator==(const CFontDesc& font) const
{
	return size == font.size && style == font.style && name == font.name;
}

bool CFontDesc::operator!=(const CFontDesc& font) const
{
	return !(*this == font);
}

void CFontDesc::freePlatformFont()
{
	platformFont = nullptr;
}

void CFontDesc::cleanup()
{
	for (auto font : standardFonts())
		font->freePlatformFont();
}

} // namespace Kavrin
