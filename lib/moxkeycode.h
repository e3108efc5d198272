#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// Virtual keys as the platform layer produces them. Values not listed are
// never produced and stay reserved.
enum MoxVirtualKey : uint8
{
	kVKeyBack = 1,
	kVKeyTab,
	kVKeyClear,
	kVKeyReturn,
	kVKeyPause,
	kVKeyEscape,
	kVKeySpace,
	kVKeyNext,
	kVKeyEnd,
	kVKeyHome,
	kVKeyLeft,
	kVKeyUp,
	kVKeyRight,
	kVKeyDown,
	kVKeyPageUp,
	kVKeyPageDown,
	kVKeySelect,
	kVKeyPrint,
	kVKeyEnter,
	kVKeyInsert = 21,
	kVKeyDelete,
	kVKeyHelp,
	kVKeyNumpad0,
	kVKeyNumpad1,
	kVKeyNumpad2,
	kVKeyNumpad3,
	kVKeyNumpad4,
	kVKeyNumpad5,
	kVKeyNumpad6,
	kVKeyNumpad7,
	kVKeyNumpad8,
	kVKeyNumpad9,
	kVKeyMultiply,
	kVKeyAdd,
	kVKeySubtract = 37,
	kVKeyDecimal,
	kVKeyDivide,
	kVKeyF1,
	kVKeyF2,
	kVKeyF3,
	kVKeyF4,
	kVKeyF5,
	kVKeyF6,
	kVKeyF7,
	kVKeyF8,
	kVKeyF9,
	kVKeyF10,
	kVKeyF11,
	kVKeyF12,
};

// Key modifier bits of MoxKeyCode::modifier.
enum MoxModifierKey : uint8
{
	kModifierShift = 1,
	kModifierAlternate = 2,
	kModifierCommand = 4,
	kModifierControl = 8,
};

// A key event. Either a character (lower-cased) or a virtual key is set.
struct MoxKeyCode
{
	int32 character {0};
	uint8 virt {0};
	uint8 modifier {0};

	constexpr bool operator==(const MoxKeyCode& o) const
	{
		return character == o.character && virt == o.virt && modifier == o.modifier;
	}
	constexpr bool operator!=(const MoxKeyCode& o) const { return !(*this == o); }
};

// Key handlers answer 1 when they used the key and -1 when they did not.
constexpr int32 kKeyHandled = 1;
constexpr int32 kKeyNotHandled = -1;

} // namespace Kavrin
