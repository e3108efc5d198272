#include "lib/platform/cairo/pangofontsystem.h"

#include "lib/platform/bundle.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(__SANITIZE_ADDRESS__)
#define KAVRIN_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVRIN_LEAK_CHECKER 1
#endif
#endif

#if defined(KAVRIN_LEAK_CHECKER)
#include <sanitizer/lsan_interface.h>
#endif

namespace Kavrin {

namespace {

bool isFontFile(const std::filesystem::path& path)
{
	std::string extension = path.extension().string();
	std::transform(extension.begin(), extension.end(), extension.begin(),
	               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
	return extension == ".ttf" || extension == ".ttc" || extension == ".otf";
}

// Drops this library's hold on the configuration when it unloads. The
// registered files stay: they are registered for the life of the process,
// and clearing the application fonts would take the host's and other
// plug-ins' fonts with them.
struct RegisteredFontsRelease
{
	~RegisteredFontsRelease() noexcept
	{
		if (config)
			FcConfigDestroy(config);
	}
	FcConfig* config {nullptr};
};

RegisteredFontsRelease& registeredFontsRelease()
{
	static RegisteredFontsRelease release;
	return release;
}

// Loads fontconfig's process-wide configuration, which lives as long as the
// process and is shared with everyone else in it. Its patterns keep their
// parts as offsets from themselves, which a leak checker cannot follow, so
// the configuration is hidden from it.
void loadFontConfiguration()
{
#if defined(KAVRIN_LEAK_CHECKER)
	__lsan_disable();
#endif
	FcInit();
#if defined(KAVRIN_LEAK_CHECKER)
	__lsan_enable();
#endif
}

PangoContext* createContext(PangoFontMap* fontMap, bool antialias)
{
	PangoContext* context = pango_font_map_create_context(fontMap);
	cairo_font_options_t* options = cairo_font_options_create();
	cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
	cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
	cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
	pango_cairo_context_set_font_options(context, options);
	cairo_font_options_destroy(options);
	// Whole-unit glyph positions would make widths depend on rounding
	// rather than on the font.
	pango_context_set_round_glyph_positions(context, FALSE);
	return context;
}

// Lets the unloading thread wait until the font map is finalized, on
// whatever thread that happens. Static and without destructors, so that a
// notification after the wait gave up still finds it. (Object data is
// released at the very end of finalization; weak references are told
// before it starts.)
GMutex finalizeMutex;
GCond finalizeCondition;
bool fontMapFinalized = false;

void notifyFinalized(gpointer)
{
	g_mutex_lock(&finalizeMutex);
	fontMapFinalized = true;
	g_cond_signal(&finalizeCondition);
	g_mutex_unlock(&finalizeMutex);
}

void waitForFinalize(gint64 timeout)
{
	gint64 endTime = g_get_monotonic_time() + timeout;
	g_mutex_lock(&finalizeMutex);
	while (!fontMapFinalized && g_cond_wait_until(&finalizeCondition, &finalizeMutex, endTime))
	{
	}
	g_mutex_unlock(&finalizeMutex);
}

} // namespace

std::vector<std::string> registerFontFolder(const std::string& folder)
{
	std::vector<std::string> files;
	std::error_code error;
	for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
	{
		if (it->is_regular_file(error) && isFontFile(it->path()))
			files.push_back(it->path().string());
	}
	std::sort(files.begin(), files.end());

	std::vector<std::string> registered;
	if (files.empty())
		return registered;
	FcConfig* config = FcConfigGetCurrent();
	if (!config)
	{
		std::fprintf(stderr, "Kavrin: no fontconfig configuration; the fonts in %s are not available\n",
		             folder.c_str());
		return registered;
	}
	// The registered fonts join the process-wide configuration for the life
	// of the process and are kept, like it, as offsets a leak checker
	// cannot follow.
#if defined(KAVRIN_LEAK_CHECKER)
	__lsan_disable();
#endif
	for (const auto& file : files)
	{
		if (FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str())))
			registered.push_back(file);
		else
			std::fprintf(stderr, "Kavrin: cannot register the font file %s\n", file.c_str());
	}
#if defined(KAVRIN_LEAK_CHECKER)
	__lsan_enable();
#endif
	if (!registered.empty())
	{
		auto& release = registeredFontsRelease();
		if (!release.config)
			release.config = FcConfigReference(config);
	}
	return registered;
}

PangoFontSystem& PangoFontSystem::instance()
{
	static PangoFontSystem system;
	return system;
}

PangoFontSystem::~PangoFontSystem() noexcept
{
	g_object_unref(smoothContext);
	g_object_unref(aliasedContext);
	// Pango matches and sorts fonts on worker threads that hold the font map
	// until they finish; wait (half a second at most) for the last of them,
	// so that the font map and what it caches are gone before the library
	// is. Layouts still alive elsewhere keep it, and then the wait runs out.
	g_object_set_data_full(G_OBJECT(fontMap), "kavrin-finalize-notify", &fontMapFinalized, notifyFinalized);
	g_object_unref(fontMap);
	waitForFinalize(G_TIME_SPAN_SECOND / 2);
}

PangoFontSystem::PangoFontSystem()
{
	loadFontConfiguration();
	// The bundle's fonts must be in the configuration before the font map
	// reads its font list.
	if (gBundleRef && *gBundleRef)
		registeredFiles = registerFontFolder(std::string(gBundleRef) + "/Fonts");
	fontMap = pango_cairo_font_map_new();
	smoothContext = createContext(fontMap, true);
	aliasedContext = createContext(fontMap, false);
}

} // namespace Kavrin
