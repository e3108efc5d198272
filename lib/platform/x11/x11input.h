#pragma once

#include "lib/cbuttonstate.h"
#include "lib/moxkeycode.h"

#include <cstddef>

namespace Kavrin {

// How X11 input maps onto the toolkit's records. Plain functions of the
// event fields, so they are tested without a server.
//
// Buttons 1, 2, 3 are the left, middle and right buttons, 8 and 9 the fourth
// and fifth; 4 to 7 are the wheel. Shift, Control (in the command key's
// role), Alt and Super give the four modifier bits.
namespace X11Input {

// X11 key and button masks of an event's state field.
enum StateMask : uint16
{
	kShiftMask = 1 << 0,
	kLockMask = 1 << 1,
	kControlMask = 1 << 2,
	kMod1Mask = 1 << 3, // Alt
	kMod4Mask = 1 << 6, // Super
	kButton1Mask = 1 << 8,
	kButton2Mask = 1 << 9,
	kButton3Mask = 1 << 10,
};

// The modifiers and the buttons held, from an event's state field.
CButtonState buttonStateFromState(uint16 state);
// The button of a press or release (0 for the wheel and unknown buttons).
CButtonState buttonFromDetail(uint8 detail);
// For buttons 4 to 7: the axis and one notch of distance (positive up and
// left, as the platforms' wheels report it). False for other buttons.
bool wheelFromDetail(uint8 detail, CMouseWheelAxis& axis, float& distance);
// Key modifier bits: 1 Shift, 2 Alt, 4 Super, 8 Control.
uint8 keyModifiersFromState(uint16 state);
// A key event: a virtual key from the keysym table (keypad keys by their
// keypad keysyms: digits with Num Lock, the navigation keys without), else
// the character the key produces, lower-cased.
// character is the key's Unicode code point (0 when it produces none).
MoxKeyCode keyCodeFromKeysym(uint32 keysym, uint32 character, uint16 state);
// True for the keysyms of modifier and lock keys (Shift, Control, Caps Lock,
// Meta, Alt, Super, Hyper, the ISO level and group keys, Mode switch, Num
// Lock): pressed alone they are no key, their modifiers come with the next
// key or mouse event.
bool isModifierKeysym(uint32 keysym);
// The keysym of a key under the core protocol's rules, from the key's
// keysyms in the core keyboard mapping: group 2 while the Mode switch
// modifier is on, the second keysym of a group with Shift, upper case with
// Lock (as Caps Lock), and with Num Lock on keypad keys give their second
// keysym unless Shift is held. The masks are the modifier bits of Num Lock
// and Mode switch (0 when no key has them).
uint32 keysymFromCoreMapping(const uint32* keysyms, size_t count, uint16 state, uint16 numLockMask,
                             uint16 modeSwitchMask);

} // namespace X11Input
} // namespace Kavrin
