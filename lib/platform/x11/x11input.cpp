#include "lib/platform/x11/x11input.h"

#include <algorithm>
#include <xkbcommon/xkbcommon.h>

namespace Kavrin::X11Input {

namespace {

struct VirtualKey
{
	uint32 keysym;
	MoxVirtualKey virt;
};

constexpr VirtualKey kVirtualKeys[] = {
    {XKB_KEY_BackSpace, kVKeyBack},
    {XKB_KEY_Tab, kVKeyTab},
    {XKB_KEY_ISO_Left_Tab, kVKeyTab},
    {XKB_KEY_Clear, kVKeyClear},
    {XKB_KEY_Return, kVKeyReturn},
    {XKB_KEY_Pause, kVKeyPause},
    {XKB_KEY_Escape, kVKeyEscape},
    {XKB_KEY_space, kVKeySpace},
    {XKB_KEY_End, kVKeyEnd},
    {XKB_KEY_Home, kVKeyHome},
    {XKB_KEY_Left, kVKeyLeft},
    {XKB_KEY_Up, kVKeyUp},
    {XKB_KEY_Right, kVKeyRight},
    {XKB_KEY_Down, kVKeyDown},
    {XKB_KEY_Page_Up, kVKeyPageUp},
    {XKB_KEY_Page_Down, kVKeyPageDown},
    {XKB_KEY_Select, kVKeySelect},
    {XKB_KEY_Print, kVKeyPrint},
    {XKB_KEY_KP_Enter, kVKeyEnter},
    // The keypad's other sides, without Num Lock.
    {XKB_KEY_KP_Tab, kVKeyTab},
    {XKB_KEY_KP_Space, kVKeySpace},
    {XKB_KEY_KP_Home, kVKeyHome},
    {XKB_KEY_KP_End, kVKeyEnd},
    {XKB_KEY_KP_Left, kVKeyLeft},
    {XKB_KEY_KP_Up, kVKeyUp},
    {XKB_KEY_KP_Right, kVKeyRight},
    {XKB_KEY_KP_Down, kVKeyDown},
    {XKB_KEY_KP_Page_Up, kVKeyPageUp},
    {XKB_KEY_KP_Page_Down, kVKeyPageDown},
    {XKB_KEY_KP_Insert, kVKeyInsert},
    {XKB_KEY_KP_Delete, kVKeyDelete},
    {XKB_KEY_Insert, kVKeyInsert},
    {XKB_KEY_Delete, kVKeyDelete},
    {XKB_KEY_Help, kVKeyHelp},
    {XKB_KEY_KP_0, kVKeyNumpad0},
    {XKB_KEY_KP_1, kVKeyNumpad1},
    {XKB_KEY_KP_2, kVKeyNumpad2},
    {XKB_KEY_KP_3, kVKeyNumpad3},
    {XKB_KEY_KP_4, kVKeyNumpad4},
    {XKB_KEY_KP_5, kVKeyNumpad5},
    {XKB_KEY_KP_6, kVKeyNumpad6},
    {XKB_KEY_KP_7, kVKeyNumpad7},
    {XKB_KEY_KP_8, kVKeyNumpad8},
    {XKB_KEY_KP_9, kVKeyNumpad9},
    {XKB_KEY_KP_Multiply, kVKeyMultiply},
    {XKB_KEY_KP_Add, kVKeyAdd},
    {XKB_KEY_KP_Subtract, kVKeySubtract},
    {XKB_KEY_KP_Decimal, kVKeyDecimal},
    {XKB_KEY_KP_Divide, kVKeyDivide},
};

uint32 lowerCased(uint32 character)
{
	if (character >= 'A' && character <= 'Z')
		return character + ('a' - 'A');
	// Latin-1 capitals, except the multiplication sign.
	if (character >= 0xC0 && character <= 0xDE && character != 0xD7)
		return character + 0x20;
	return character;
}

bool isKeypadKeysym(uint32 keysym)
{
	return (keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal) ||
	       (keysym >= 0x11000000 && keysym <= 0x1100FFFF); // vendor keypad keysyms
}

} // namespace

CButtonState buttonStateFromState(uint16 state)
{
	uint32 buttons = 0;
	if (state & kButton1Mask)
		buttons |= kLeftButton;
	if (state & kButton2Mask)
		buttons |= kMiddleButton;
	if (state & kButton3Mask)
		buttons |= kRightButton;
	if (state & kShiftMask)
		buttons |= kShiftModifier;
	if (state & kControlMask)
		buttons |= kControlModifier;
	if (state & kMod1Mask)
		buttons |= kAltModifier;
	if (state & kMod4Mask)
		buttons |= kAppleModifier;
	return buttons;
}

CButtonState buttonFromDetail(uint8 detail)
{
	switch (detail)
	{
		case 1:
			return kLeftButton;
		case 2:
			return kMiddleButton;
		case 3:
			return kRightButton;
		case 8:
			return kButton4;
		case 9:
			return kButton5;
		default:
			return CButtonState();
	}
}

bool wheelFromDetail(uint8 detail, CMouseWheelAxis& axis, float& distance)
{
	switch (detail)
	{
		case 4:
			axis = kWheelAxisY;
			distance = 1.f;
			return true;
		case 5:
			axis = kWheelAxisY;
			distance = -1.f;
			return true;
		case 6:
			axis = kWheelAxisX;
			distance = 1.f;
			return true;
		case 7:
			axis = kWheelAxisX;
			distance = -1.f;
			return true;
		default:
			return false;
	}
}

uint8 keyModifiersFromState(uint16 state)
{
	uint8 modifiers = 0;
	if (state & kShiftMask)
		modifiers |= kModifierShift;
	if (state & kMod1Mask)
		modifiers |= kModifierAlternate;
	if (state & kMod4Mask)
		modifiers |= kModifierCommand;
	if (state & kControlMask)
		modifiers |= kModifierControl;
	return modifiers;
}

MoxKeyCode keyCodeFromKeysym(uint32 keysym, uint32 character, uint16 state)
{
	MoxKeyCode code;
	code.modifier = keyModifiersFromState(state);
	if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F12)
	{
		code.virt = static_cast<uint8>(kVKeyF1 + (keysym - XKB_KEY_F1));
		return code;
	}
	for (const auto& key : kVirtualKeys)
	{
		if (key.keysym == keysym)
		{
			code.virt = key.virt;
			return code;
		}
	}
	code.character = static_cast<int32>(lowerCased(character));
	return code;
}

bool isModifierKeysym(uint32 keysym)
{
	return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
	       (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock) ||
	       keysym == XKB_KEY_Mode_switch || keysym == XKB_KEY_Num_Lock;
}

uint32 keysymFromCoreMapping(const uint32* keysyms, size_t count, uint16 state, uint16 numLockMask,
                             uint16 modeSwitchMask)
{
	// Trailing NoSymbols do not count. One keysym K reads as "K NoSymbol K
	// NoSymbol", a pair is repeated for group 2.
	while (count > 0 && keysyms[count - 1] == XKB_KEY_NoSymbol)
		--count;
	if (count == 0)
		return XKB_KEY_NoSymbol;
	uint32 list[4] = {};
	std::copy(keysyms, keysyms + std::min<size_t>(count, 4), list);
	if (count <= 2)
	{
		list[2] = list[0];
		list[3] = list[1];
	}
	bool group2 =
	    (state & modeSwitchMask) && (list[2] != XKB_KEY_NoSymbol || list[3] != XKB_KEY_NoSymbol);
	uint32 first = list[group2 ? 2 : 0];
	uint32 second = list[group2 ? 3 : 1];
	// A group of one keysym stands for its lower and upper case, if it has
	// them, else for itself twice.
	if (second == XKB_KEY_NoSymbol)
	{
		uint32 lower = xkb_keysym_to_lower(first);
		uint32 upper = xkb_keysym_to_upper(first);
		first = lower;
		second = lower != upper ? upper : first;
	}
	bool shift = state & kShiftMask;
	if ((state & numLockMask) && isKeypadKeysym(second))
		return shift ? first : second;
	uint32 keysym = shift ? second : first;
	return (state & kLockMask) ? xkb_keysym_to_upper(keysym) : keysym;
}

} // namespace Kavrin::X11Input
