#pragma once

#include "lib/cpoint.h"
#include "lib/reference.h"

#include <list>
#include <string>

namespace Kavrin {

class CDrawContext;
class IPlatformString;

// Draws and measures strings in one platform font. Owned by its font.
class IFontPainter
{
public:
	virtual ~IFontPainter() noexcept = default;
	virtual void drawString(CDrawContext* context, IPlatformString* string, const CPoint& baseline,
	                        bool antialias = true) const = 0;
	virtual double getStringWidth(CDrawContext* context, IPlatformString* string,
	                              bool antialias = true) const = 0;
};

// A platform font made from a family name, size and style bits.
class IPlatformFont : public AtomicReferenceCounted
{
public:
	// Null when the platform has no such font (or there is no platform).
	static SharedPointer<IPlatformFont> create(const std::string& name, const double& size,
	                                           const int32& style);
	// The names of the font families the font system offers (the plug-in's
	// own fonts included), sorted; false when there are none.
	static bool getAllPlatformFontFamilies(std::list<std::string>& families);

	~IPlatformFont() noexcept override = default;

	virtual double getAscent() const = 0;
	virtual double getDescent() const = 0;
	virtual double getLeading() const = 0;
	virtual double getCapHeight() const = 0;
	virtual const IFontPainter* getPainter() const = 0;
};

} // namespace Kavrin
