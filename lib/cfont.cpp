#include "lib/cfont.h"

#include "lib/platform/iplatformfont.h"

namespace Kavrin {

namespace {

// The standard descriptions live for the whole process.
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

CFontDesc::CFontDesc(const std::string& name, double size, int32 style)
: name(name), size(size), style(style)
{
}

CFontDesc::CFontDesc(const CFontDesc& font)
: AtomicReferenceCounted(), name(font.name), size(font.size), style(font.style)
{
}

CFontDesc::~CFontDesc() noexcept = default;

void CFontDesc::beforeDelete()
{
	freePlatformFont();
	AtomicReferenceCounted::beforeDelete();
}

void CFontDesc::setName(const std::string& newName)
{
	if (name == newName)
		return;
	name = newName;
	freePlatformFont();
}

void CFontDesc::setSize(double newSize)
{
	if (size == newSize)
		return;
	size = newSize;
	freePlatformFont();
}

void CFontDesc::setStyle(int32 newStyle)
{
	if (style == newStyle)
		return;
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
	if (this != &font)
	{
		name = font.name;
		size = font.size;
		style = font.style;
		freePlatformFont();
	}
	return *this;
}

bool CFontDesc::operator==(const CFontDesc& font) const
{
	return name == font.name && size == font.size && style == font.style;
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
	for (auto font : {kSystemFont, kNormalFontVeryBig, kNormalFontBig, kNormalFont, kNormalFontSmall,
	                  kNormalFontSmaller, kNormalFontVerySmall, kSymbolFont})
		font->freePlatformFont();
}

} // namespace Kavrin
