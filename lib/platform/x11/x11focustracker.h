#pragma once

#include "lib/kavrintypes.h"

#include <utility>

namespace Kavrin {

// Whether the keyboard focus is inside a window (the window itself or one
// of its descendants), from the focus events the window receives. Focus
// passing between the window and its descendants keeps it inside; grabs
// (a menu or a drag holding the keyboard for a moment) change nothing, and
// neither do the events the server sends to the window under the pointer.
class X11FocusTracker
{
public:
	// X11's detail and mode fields of FocusIn and FocusOut.
	enum Detail : uint8
	{
		kAncestor = 0,
		kVirtual = 1,
		kInferior = 2,
		kNonlinear = 3,
		kNonlinearVirtual = 4,
		kPointer = 5,
		kPointerRoot = 6,
		kNone = 7,
	};
	enum Mode : uint8
	{
		kNormal = 0,
		kGrab = 1,
		kUngrab = 2,
		kWhileGrabbed = 3,
	};

	// True when the event changed whether the focus is inside.
	bool focusEvent(bool focusIn, uint8 detail, uint8 mode);
	bool isInside() const { return inside; }
	// True when the state changed.
	bool setInside(bool state) { return std::exchange(inside, state) != state; }

private:
	bool inside {false};
};

// The map state of a top-level window: a window mapped again after it was
// unmapped (iconified, or hidden by its host) comes back.
class X11MapTracker
{
public:
	// True when a map follows an unmap.
	bool mapEvent(bool mapped);

private:
	bool unmapped {false};
};

} // namespace Kavrin
