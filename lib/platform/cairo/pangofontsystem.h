#pragma once

#include <pango/pangocairo.h>

#include <string>
#include <vector>

namespace Kavrin {

// The process's one Pango font map and the two contexts every layout is
// made on. Measuring without a draw context and drawing use the same
// contexts, so a width measured anywhere is the width drawn: hinting and
// metric hinting are off, glyph positions are not rounded, and sizes are
// absolute (one point is one logical unit). The contexts differ only in
// antialiasing (gray or none).
//
// Created on first use, which first registers the font files of the
// plug-in's resource folder (gBundleRef) with fontconfig; those stay
// registered until the library unloads. Released when the library unloads;
// fonts and layouts still alive then keep what they use, but nothing may
// create fonts or layouts after that.
class PangoFontSystem
{
public:
	static PangoFontSystem& instance();

	PangoFontMap* getFontMap() const { return fontMap; }
	PangoContext* getContext(bool antialias) const { return antialias ? smoothContext : aliasedContext; }
	// The font files registered from the resource folder, sorted.
	const std::vector<std::string>& getRegisteredFontFiles() const { return registeredFiles; }

	PangoFontSystem(const PangoFontSystem&) = delete;
	PangoFontSystem& operator=(const PangoFontSystem&) = delete;

private:
	PangoFontSystem();
	~PangoFontSystem() noexcept;

	std::vector<std::string> registeredFiles;
	PangoFontMap* fontMap {nullptr};
	PangoContext* smoothContext {nullptr};
	PangoContext* aliasedContext {nullptr};
};

// Registers the .ttf, .ttc and .otf files of folder (not its subfolders)
// with fontconfig's current configuration, for this process. Files that
// fontconfig refuses are reported on stderr. Returns the files registered.
std::vector<std::string> registerFontFolder(const std::string& folder);

} // namespace Kavrin
