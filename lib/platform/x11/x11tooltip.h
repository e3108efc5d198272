#pragma once

#include "lib/crect.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/reference.h"

#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace Kavrin {

class CairoImageSurface;
class X11Platform;

// A frame's tooltip: an override-redirect window on the root, drawn with
// the frame's back end (background, a one-unit border, the text's lines)
// at the frame's scale and placed next to the rect it explains. The drawn
// image becomes the window's background, so the server repaints exposed
// parts itself. Hiding fades the window out through _NET_WM_WINDOW_OPACITY
// (which compositors honour) on a platform timer and then unmaps it; a show
// during the fade cancels it. The window and the timer live until the
// tooltip is released; no timer call arrives after that.
class X11Tooltip : public AtomicReferenceCounted, private IPlatformTimerCallback
{
public:
	explicit X11Tooltip(X11Platform* platform);
	~X11Tooltip() noexcept override;
	X11Tooltip(const X11Tooltip&) = delete;
	X11Tooltip& operator=(const X11Tooltip&) = delete;

	// Shows the text (lines split at "\n") next to rect, which is in logical
	// units of frameWindow, scaleFactor device pixels each. False when the
	// text is empty, cannot be measured or frameWindow is gone.
	bool show(xcb_window_t frameWindow, double scaleFactor, const CRect& rect, const char* utf8Text);
	// Starts the fade; nothing when hidden or already fading.
	void hide();

	xcb_window_t getWindow() const { return window; }
	bool isVisible() const { return visible; }

	// Where a tooltip of a size goes, in device pixels: its top-left at the
	// anchor's bottom-left, moved left to fit the screen's width, above the
	// anchor when it does not fit below, and never off the top-left.
	static CRect place(const CRect& anchor, const CPoint& size, const CRect& screen);

	static constexpr uint32 kFadeSteps = 8;
	static constexpr uint32 kFadeInterval = 20; // milliseconds per step

private:
	void fire() override;
	SharedPointer<CairoImageSurface> render(const std::vector<std::string>& lines, double scaleFactor) const;
	bool makeWindow();
	void setBackground(CairoImageSurface* image);
	void setOpacity(uint32 opacity);
	void unmap();

	SharedPointer<X11Platform> platform;
	xcb_window_t window {XCB_NONE};
	xcb_gcontext_t gc {XCB_NONE};
	xcb_atom_t opacityAtom {XCB_NONE};
	SharedPointer<IPlatformTimer> fadeTimer;
	uint32 fadeStep {0}; // 0 while no fade runs
	bool visible {false};
};

} // namespace Kavrin
