#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// Mouse buttons and modifier keys of an input event.
enum CButton : uint32
{
	kLeftButton = 1 << 1,
	kMiddleButton = 1 << 2,
	kRightButton = 1 << 3,
	kShiftModifier = 1 << 4,
	kControlModifier = 1 << 5, // the platform's command key (Control on Linux)
	kAltModifier = 1 << 6,
	kAppleModifier = 1 << 7, // the platform's secondary control key (Super on Linux)
	kButton4 = 1 << 8,
	kButton5 = 1 << 9,
	kDoubleClick = 1 << 10,
	kWheelInverted = 1 << 11,
};

constexpr uint32 kMouseButtonMask = kLeftButton | kMiddleButton | kRightButton | kButton4 | kButton5;
constexpr uint32 kModifierMask = kShiftModifier | kControlModifier | kAltModifier | kAppleModifier;

class CButtonState
{
public:
	constexpr CButtonState(uint32 state = 0) : state(state) {}

	constexpr uint32 getButtonState() const { return state; }
	constexpr uint32 getModifierState() const { return state & kModifierMask; }
	constexpr CButtonState modifiersOnly() const { return state & kModifierMask; }

	constexpr bool isLeftButton() const { return (state & kLeftButton) != 0; }
	constexpr bool isRightButton() const { return (state & kRightButton) != 0; }
	constexpr bool isDoubleClick() const { return (state & kDoubleClick) != 0; }
	constexpr bool hasAny(uint32 bits) const { return (state & bits) != 0; }
	// Right button, any modifier or any higher bit: containers first offer
	// such a press to the control's listener as a modifier click.
	constexpr bool isModifierClick() const { return state > 7; }

	constexpr uint32 operator&(uint32 mask) const { return state & mask; }
	constexpr uint32 operator|(uint32 bits) const { return state | bits; }
	constexpr CButtonState& operator|=(uint32 bits)
	{
		state |= bits;
		return *this;
	}
	constexpr CButtonState& operator&=(uint32 mask)
	{
		state &= mask;
		return *this;
	}
	constexpr bool operator==(const CButtonState& other) const { return state == other.state; }
	constexpr bool operator!=(const CButtonState& other) const { return state != other.state; }
	constexpr bool operator==(uint32 other) const { return state == other; }
	constexpr bool operator!=(uint32 other) const { return state != other; }

private:
	uint32 state;
};

enum CMouseEventResult : int32
{
	kMouseNotImplemented = 0,    // no handler; treated like not handled
	kMouseHandled = 1,           // handled; a press makes the view the mouse-down view
	kMouseNotHandled = 2,        // not handled; the next candidate gets the event
	kMouseDownHandledNoMoveOrUp = 3, // handled; no moves or release follow
	kMouseMoveHandledNoMore = 4, // handled; the mouse-down view is released
};

// Neither "not implemented" nor "not handled".
constexpr bool isMouseHandled(CMouseEventResult result)
{
	return result != kMouseNotImplemented && result != kMouseNotHandled;
}

enum CMouseWheelAxis : int32
{
	kWheelAxisX = 0,
	kWheelAxisY = 1,
};

} // namespace Kavrin
