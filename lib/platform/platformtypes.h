#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// The kind of native parent handle passed to CFrame::open.
enum PlatformType : int32
{
	kHeadless = 0, // no native parent: an in-memory surface for tests and snapshots
	kX11Window = 1, // an X11 window id (xcb_window_t), passed as its value cast to void*
};

// Platform-specific options passed through CFrame::open to the frame
// factory, which may test it for its own derived type and ignores others.
class IPlatformFrameConfig
{
public:
	virtual ~IPlatformFrameConfig() noexcept = default;
};

// The cursor shown by IPlatformFrame::setMouseCursor. Values outside the
// list show the arrow.
enum CCursorType : int32
{
	kCursorDefault = 0,
	kCursorWait = 1, // shown as the arrow
	kCursorHSize = 2,
	kCursorVSize = 3,
	kCursorSizeAll = 4,
	kCursorNESWSize = 5,
	kCursorNWSESize = 6,
	kCursorCopy = 7,
	kCursorNotAllowed = 8,
	kCursorHand = 9,
	kCursorIBeam = 10,
	kCursorCrosshair = 11,
};

} // namespace Kavrin
