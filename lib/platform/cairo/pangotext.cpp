#include "lib/platform/cairo/pangotext.h"

#include "lib/cfont.h"
#include "lib/platform/cairo/cairographicspath.h"
#include "lib/platform/cairo/pangofont.h"
#include "lib/platform/cairo/pangofontsystem.h"
#include "lib/platform/cairo/pangostring.h"

#include <algorithm>
#include <list>
#include <string>
#include <vector>

namespace Kavrin {

SharedPointer<IPlatformFont> createPangoFont(const std::string& name, double size, int32 style)
{
	return PangoPlatformFont::create(name, size, style);
}

CGraphicsPath* createPangoTextPath(CFontDesc* fontDesc, const char* text)
{
	auto font = fontDesc ? dynamic_cast<PangoPlatformFont*>(fontDesc->getPlatformFont()) : nullptr;
	if (!font || !text)
		return nullptr;
	auto path = new CairoGraphicsPath();
	if (!*text)
		return path;

	PangoLayout* layout = PangoPlatformString::createLayout(text, font->getDescription(), true);
	cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
	cairo_t* cr = cairo_create(scratch);
	cairo_move_to(cr, 0., font->getCapHeight());
	pango_cairo_layout_line_path(cr, pango_layout_get_line_readonly(layout, 0));
	cairo_path_t* outline = cairo_copy_path(cr);
	for (int i = 0; i < outline->num_data; i += outline->data[i].header.length)
	{
		const cairo_path_data_t* data = &outline->data[i];
		switch (data->header.type)
		{
			case CAIRO_PATH_MOVE_TO:
				path->beginSubpath(CPoint(data[1].point.x, data[1].point.y));
				break;
			case CAIRO_PATH_LINE_TO:
				path->addLine(CPoint(data[1].point.x, data[1].point.y));
				break;
			case CAIRO_PATH_CURVE_TO:
				path->addBezierCurve(CPoint(data[1].point.x, data[1].point.y),
				                     CPoint(data[2].point.x, data[2].point.y),
				                     CPoint(data[3].point.x, data[3].point.y));
				break;
			case CAIRO_PATH_CLOSE_PATH:
				path->closeSubpath();
				break;
		}
	}
	cairo_path_destroy(outline);
	cairo_destroy(cr);
	cairo_surface_destroy(scratch);
	g_object_unref(layout);
	return path;
}

bool IPlatformFont::getAllPlatformFontFamilies(std::list<std::string>& families)
{
	PangoFontFamily** list = nullptr;
	int count = 0;
	pango_font_map_list_families(PangoFontSystem::instance().getFontMap(), &list, &count);
	std::vector<std::string> names;
	for (int i = 0; i < count; ++i)
	{
		if (const char* name = pango_font_family_get_name(list[i]))
			names.emplace_back(name);
	}
	g_free(list);
	std::sort(names.begin(), names.end());
	families.assign(names.begin(), names.end());
	return !families.empty();
}

SharedPointer<IPlatformString> createPangoString(const char* utf8String)
{
	return makeOwned<PangoPlatformString>(utf8String);
}

} // namespace Kavrin
