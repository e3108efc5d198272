#include "lib/platform/cairo/pangostring.h"

#include "lib/platform/cairo/pangofont.h"
#include "lib/platform/cairo/pangofontsystem.h"

namespace Kavrin {

namespace {

// Pango warns about, and mangles, bytes that are not UTF-8; give it U+FFFD
// for each such byte instead.
std::string validUTF8(const std::string& text)
{
	const char* end = nullptr;
	if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end))
		return text;
	std::string valid;
	valid.reserve(text.size() + 8);
	const char* start = text.data();
	const char* stop = text.data() + text.size();
	while (start < stop)
	{
		g_utf8_validate(start, stop - start, &end);
		valid.append(start, end);
		if (end == stop)
			break;
		valid += "\xEF\xBF\xBD";
		start = end + 1;
	}
	return valid;
}

} // namespace

PangoPlatformString::PangoPlatformString(const char* utf8String) : text(utf8String ? utf8String : "")
{
}

PangoPlatformString::~PangoPlatformString() noexcept
{
	dropLayout();
}

void PangoPlatformString::setUTF8String(const char* utf8String)
{
	if (!utf8String)
		utf8String = "";
	if (text == utf8String)
		return;
	text = utf8String;
	dropLayout();
}

void PangoPlatformString::dropLayout() const
{
	if (layout)
		g_object_unref(layout);
	layout = nullptr;
	if (layoutDescription)
		pango_font_description_free(layoutDescription);
	layoutDescription = nullptr;
}

PangoLayout* PangoPlatformString::getLayout(const PangoPlatformFont& font, bool antialias) const
{
	if (layout && layoutAntialias == antialias &&
	    pango_font_description_equal(layoutDescription, font.getDescription()))
		return layout;
	dropLayout();
	layout = createLayout(text, font.getDescription(), antialias);
	layoutDescription = pango_font_description_copy(font.getDescription());
	layoutAntialias = antialias;
	return layout;
}

PangoLayout* PangoPlatformString::createLayout(const std::string& text,
                                               const PangoFontDescription* description, bool antialias)
{
	PangoLayout* layout = pango_layout_new(PangoFontSystem::instance().getContext(antialias));
	// One line whatever the text holds.
	pango_layout_set_single_paragraph_mode(layout, TRUE);
	pango_layout_set_font_description(layout, description);
	std::string valid = validUTF8(text);
	pango_layout_set_text(layout, valid.data(), static_cast<int>(valid.size()));
	return layout;
}

} // namespace Kavrin
