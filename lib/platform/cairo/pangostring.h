#pragma once

#include "lib/platform/iplatformstring.h"

#include <pango/pangocairo.h>

#include <string>

namespace Kavrin {

class PangoPlatformFont;

// A string's text and the one-line layout last made for it. The layout is
// reused while the font description and the antialiasing it was made for
// are unchanged; the colour is not part of it (it is the Cairo source when
// drawing), so recolouring a label needs no new layout.
class PangoPlatformString : public IPlatformString
{
public:
	explicit PangoPlatformString(const char* utf8String = nullptr);
	~PangoPlatformString() noexcept override;

	// Equal text keeps the layout.
	void setUTF8String(const char* utf8String) override;

	const std::string& getText() const { return text; }
	// The layout of the text in font, made on the shared Pango context for
	// the antialiasing; owned by the string, valid until the next call.
	PangoLayout* getLayout(const PangoPlatformFont& font, bool antialias) const;

	// A new one-line layout of text (bytes Pango would reject become U+FFFD);
	// the caller owns it.
	static PangoLayout* createLayout(const std::string& text, const PangoFontDescription* description,
	                                 bool antialias);

private:
	void dropLayout() const;

	std::string text;
	mutable PangoLayout* layout {nullptr};
	mutable PangoFontDescription* layoutDescription {nullptr};
	mutable bool layoutAntialias {true};
};

} // namespace Kavrin
