#pragma once

#include "lib/cstring.h"
#include "lib/reference.h"

namespace Kavrin {

class IFontPainter;
class IPlatformFont;

enum CTxtFace : int32
{
	kNormalFace = 0,
	kBoldFace = 1 << 1,
	kItalicFace = 1 << 2,
	kUnderlineFace = 1 << 3,
	kStrikethroughFace = 1 << 4,
};

// A font description: family name, size in points and style bits. The
// platform font is made on demand and dropped when any of them is set; a
// failed creation is not remembered, so the next request tries again. The
// family is a request: the platform may resolve it to another family.
class CFontDesc : public AtomicReferenceCounted
{
public:
	CFontDesc(const UTF8String& name = {}, const double& size = 0., int32 style = kNormalFace);
	// Copies the name (and the platform string it caches), not the
	// platform font.
	CFontDesc(const CFontDesc& font);
	~CFontDesc() noexcept override;

	// An equal name keeps the platform font.
	virtual void setName(const UTF8String& newName);
	virtual void setSize(double newSize);
	virtual void setStyle(int32 newStyle);
	// Null when the platform has no such font.
	virtual IPlatformFont* getPlatformFont() const;
	virtual const IFontPainter* getFontPainter() const;
	virtual CFontDesc& operator=(const CFontDesc& font);
	// Equal names (byte-wise), sizes and styles.
	virtual bool operator==(const CFontDesc& font) const;
	virtual bool operator!=(const CFontDesc& font) const;
	virtual void freePlatformFont();

	void beforeDelete() override;

	const UTF8String& getName() const { return name; }
	double getSize() const { return size; }
	int32 getStyle() const { return style; }

	// Drops the platform fonts of the eight standard descriptions.
	static void cleanup();

private:
	UTF8String name;
	double size;
	int32 style;
	mutable SharedPointer<IPlatformFont> platformFont;
};

using CFontRef = CFontDesc*;

extern const CFontRef kSystemFont;
extern const CFontRef kNormalFontVeryBig;
extern const CFontRef kNormalFontBig;
extern const CFontRef kNormalFont;
extern const CFontRef kNormalFontSmall;
extern const CFontRef kNormalFontSmaller;
extern const CFontRef kNormalFontVerySmall;
extern const CFontRef kSymbolFont;

} // namespace Kavrin
