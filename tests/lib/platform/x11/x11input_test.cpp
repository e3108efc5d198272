#include "lib/platform/x11/x11input.h"

#include <gtest/gtest.h>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace Kavrin::Test {
namespace {

using namespace X11Input;

TEST(X11InputTest, ButtonsAndWheelByDetail)
{
	struct Case
	{
		uint8 detail;
		uint32 button;
	};
	for (auto c : {Case {1, kLeftButton}, Case {2, kMiddleButton}, Case {3, kRightButton}, Case {8, kButton4},
	               Case {9, kButton5}, Case {4, 0}, Case {10, 0}})
		EXPECT_EQ(buttonFromDetail(c.detail).getButtonState(), c.button) << int(c.detail);

	struct WheelCase
	{
		uint8 detail;
		CMouseWheelAxis axis;
		float distance;
	};
	for (auto c : {WheelCase {4, kWheelAxisY, 1.f}, WheelCase {5, kWheelAxisY, -1.f},
	               WheelCase {6, kWheelAxisX, 1.f}, WheelCase {7, kWheelAxisX, -1.f}})
	{
		CMouseWheelAxis axis = kWheelAxisX;
		float distance = 0.f;
		ASSERT_TRUE(wheelFromDetail(c.detail, axis, distance)) << int(c.detail);
		EXPECT_EQ(axis, c.axis);
		EXPECT_EQ(distance, c.distance);
	}
	CMouseWheelAxis axis;
	float distance;
	EXPECT_FALSE(wheelFromDetail(1, axis, distance));
}

TEST(X11InputTest, StateGivesHeldButtonsAndModifiers)
{
	EXPECT_EQ(buttonStateFromState(kButton1Mask | kShiftMask).getButtonState(), uint32(kLeftButton | kShiftModifier));
	EXPECT_EQ(buttonStateFromState(kControlMask | kMod1Mask | kMod4Mask).getButtonState(),
	          uint32(kControlModifier | kAltModifier | kAppleModifier));
	EXPECT_EQ(buttonStateFromState(kButton2Mask | kButton3Mask | kLockMask).getButtonState(),
	          uint32(kMiddleButton | kRightButton)) << "caps lock is no modifier";
	EXPECT_EQ(keyModifiersFromState(kShiftMask | kMod1Mask | kMod4Mask | kControlMask), 1 + 2 + 4 + 8);
	EXPECT_EQ(keyModifiersFromState(kLockMask), 0);
}

TEST(X11InputTest, KeysMapToVirtualKeysOrLowerCasedCharacters)
{
	struct Case
	{
		uint32 keysym;
		uint32 character;
		uint16 state;
		int32 expectedCharacter;
		uint8 expectedVirt;
		uint8 expectedModifier;
	};
	const Case cases[] = {
	    {XKB_KEY_a, 'a', 0, 'a', 0, 0},
	    {XKB_KEY_A, 'A', kShiftMask, 'a', 0, kModifierShift},
	    {XKB_KEY_5, '5', 0, '5', 0, 0},
	    {XKB_KEY_Return, '\r', 0, 0, kVKeyReturn, 0},
	    {XKB_KEY_Escape, 27, 0, 0, kVKeyEscape, 0},
	    {XKB_KEY_Tab, '\t', 0, 0, kVKeyTab, 0},
	    {XKB_KEY_ISO_Left_Tab, 0, kShiftMask, 0, kVKeyTab, kModifierShift},
	    {XKB_KEY_space, ' ', 0, 0, kVKeySpace, 0},
	    {XKB_KEY_BackSpace, 8, 0, 0, kVKeyBack, 0},
	    {XKB_KEY_Delete, 127, 0, 0, kVKeyDelete, 0},
	    {XKB_KEY_Left, 0, 0, 0, kVKeyLeft, 0},
	    {XKB_KEY_Up, 0, kControlMask, 0, kVKeyUp, kModifierControl},
	    {XKB_KEY_Right, 0, 0, 0, kVKeyRight, 0},
	    {XKB_KEY_Down, 0, 0, 0, kVKeyDown, 0},
	    {XKB_KEY_Page_Up, 0, 0, 0, kVKeyPageUp, 0},
	    {XKB_KEY_Page_Down, 0, 0, 0, kVKeyPageDown, 0},
	    {XKB_KEY_Home, 0, 0, 0, kVKeyHome, 0},
	    {XKB_KEY_End, 0, 0, 0, kVKeyEnd, 0},
	    {XKB_KEY_KP_0, '0', 0, 0, kVKeyNumpad0, 0},
	    {XKB_KEY_KP_9, '9', 0, 0, kVKeyNumpad9, 0},
	    {XKB_KEY_KP_Enter, '\r', 0, 0, kVKeyEnter, 0},
	    {XKB_KEY_KP_Add, '+', 0, 0, kVKeyAdd, 0},
	    {XKB_KEY_KP_Subtract, '-', 0, 0, kVKeySubtract, 0},
	    {XKB_KEY_KP_Multiply, '*', 0, 0, kVKeyMultiply, 0},
	    {XKB_KEY_KP_Divide, '/', 0, 0, kVKeyDivide, 0},
	    {XKB_KEY_KP_Decimal, '.', 0, 0, kVKeyDecimal, 0},
	    {XKB_KEY_KP_Insert, 0, 0, 0, kVKeyInsert, 0},
	    {XKB_KEY_KP_Delete, 0, 0, 0, kVKeyDelete, 0},
	    {XKB_KEY_KP_Home, 0, 0, 0, kVKeyHome, 0},
	    {XKB_KEY_KP_End, 0, 0, 0, kVKeyEnd, 0},
	    {XKB_KEY_KP_Left, 0, kShiftMask, 0, kVKeyLeft, kModifierShift},
	    {XKB_KEY_KP_Up, 0, 0, 0, kVKeyUp, 0},
	    {XKB_KEY_KP_Right, 0, 0, 0, kVKeyRight, 0},
	    {XKB_KEY_KP_Down, 0, 0, 0, kVKeyDown, 0},
	    {XKB_KEY_KP_Page_Up, 0, 0, 0, kVKeyPageUp, 0},
	    {XKB_KEY_KP_Page_Down, 0, 0, 0, kVKeyPageDown, 0},
	    {XKB_KEY_KP_Begin, 0, 0, 0, 0, 0},
	    {XKB_KEY_F1, 0, 0, 0, kVKeyF1, 0},
	    {XKB_KEY_F12, 0, kMod1Mask, 0, kVKeyF12, kModifierAlternate},
	    {XKB_KEY_Eacute, 0xC9, kShiftMask, 0xE9, 0, kModifierShift},
	    {XKB_KEY_multiply, 0xD7, 0, 0xD7, 0, 0},
	};
	for (const auto& c : cases)
	{
		MoxKeyCode code = keyCodeFromKeysym(c.keysym, c.character, c.state);
		EXPECT_EQ(code.character, c.expectedCharacter) << std::hex << c.keysym;
		EXPECT_EQ(code.virt, c.expectedVirt) << std::hex << c.keysym;
		EXPECT_EQ(code.modifier, c.expectedModifier) << std::hex << c.keysym;
	}
}

TEST(X11InputTest, ModifierAndLockKeysAreToldApartFromKeys)
{
	const uint32 modifiers[] = {
	    XKB_KEY_Shift_L,          XKB_KEY_Shift_R,          XKB_KEY_Control_L, XKB_KEY_Control_R,
	    XKB_KEY_Caps_Lock,        XKB_KEY_Shift_Lock,       XKB_KEY_Meta_L,    XKB_KEY_Meta_R,
	    XKB_KEY_Alt_L,            XKB_KEY_Alt_R,            XKB_KEY_Super_L,   XKB_KEY_Super_R,
	    XKB_KEY_Hyper_L,          XKB_KEY_Hyper_R,          XKB_KEY_ISO_Lock,  XKB_KEY_ISO_Level3_Shift,
	    XKB_KEY_ISO_Level3_Latch, XKB_KEY_ISO_Level5_Shift, XKB_KEY_ISO_Next_Group,
	    XKB_KEY_ISO_Level5_Lock,  XKB_KEY_Mode_switch,      XKB_KEY_Num_Lock,
	};
	for (uint32 keysym : modifiers)
		EXPECT_TRUE(isModifierKeysym(keysym)) << std::hex << keysym;
	// Their neighbours in the keysym table are keys.
	const uint32 keys[] = {
	    XKB_KEY_NoSymbol, XKB_KEY_a,         XKB_KEY_Shift_L - 1, XKB_KEY_Hyper_R + 1,
	    XKB_KEY_F1,       XKB_KEY_KP_Enter,  XKB_KEY_ISO_Left_Tab, XKB_KEY_Scroll_Lock,
	    XKB_KEY_Multi_key, XKB_KEY_Delete,   XKB_KEY_KP_Space,    XKB_KEY_Mode_switch - 1,
	};
	for (uint32 keysym : keys)
		EXPECT_FALSE(isModifierKeysym(keysym)) << std::hex << keysym;
}

TEST(X11InputTest, CoreMappingPicksTheKeysymByShiftLockNumLockAndModeSwitch)
{
	constexpr uint16 kNumLock = 1 << 4; // Mod2
	constexpr uint16 kModeSwitch = 1 << 7; // Mod5
	constexpr uint32 kNone = XKB_KEY_NoSymbol;
	struct Case
	{
		const char* what;
		std::vector<uint32> keysyms;
		uint16 state;
		uint32 expected;
	};
	const Case cases[] = {
	    {"plain", {XKB_KEY_1, XKB_KEY_exclam}, 0, XKB_KEY_1},
	    {"shifted", {XKB_KEY_1, XKB_KEY_exclam}, kShiftMask, XKB_KEY_exclam},
	    {"lock leaves non-letters", {XKB_KEY_1, XKB_KEY_exclam}, kLockMask, XKB_KEY_1},
	    {"lock upper-cases", {XKB_KEY_a, XKB_KEY_A}, kLockMask, XKB_KEY_A},
	    {"shift and lock", {XKB_KEY_a, XKB_KEY_A}, kShiftMask | kLockMask, XKB_KEY_A},
	    {"one keysym, cased", {XKB_KEY_b}, kShiftMask, XKB_KEY_B},
	    {"one upper-case keysym", {XKB_KEY_B}, 0, XKB_KEY_b},
	    {"one keysym, uncased", {XKB_KEY_Return}, kShiftMask, XKB_KEY_Return},
	    {"trailing NoSymbols", {XKB_KEY_Tab, XKB_KEY_ISO_Left_Tab, kNone, kNone}, kShiftMask,
	     XKB_KEY_ISO_Left_Tab},
	    {"first NoSymbol", {kNone, XKB_KEY_Alt_L}, 0, kNone},
	    {"first NoSymbol, shifted", {kNone, XKB_KEY_Alt_L}, kShiftMask, XKB_KEY_Alt_L},
	    {"keypad without Num Lock", {XKB_KEY_KP_Left, XKB_KEY_KP_4}, 0, XKB_KEY_KP_Left},
	    {"keypad with Num Lock", {XKB_KEY_KP_Left, XKB_KEY_KP_4}, kNumLock, XKB_KEY_KP_4},
	    {"keypad, Shift undoes Num Lock", {XKB_KEY_KP_Left, XKB_KEY_KP_4}, kNumLock | kShiftMask,
	     XKB_KEY_KP_Left},
	    {"keypad, Shift alone", {XKB_KEY_KP_Left, XKB_KEY_KP_4}, kShiftMask, XKB_KEY_KP_4},
	    {"Num Lock leaves other keys", {XKB_KEY_a, XKB_KEY_A}, kNumLock, XKB_KEY_a},
	    {"group 2", {XKB_KEY_a, XKB_KEY_A, XKB_KEY_Greek_alpha, XKB_KEY_Greek_ALPHA}, kModeSwitch,
	     XKB_KEY_Greek_alpha},
	    {"group 2, shifted", {XKB_KEY_a, XKB_KEY_A, XKB_KEY_Greek_alpha, XKB_KEY_Greek_ALPHA},
	     kModeSwitch | kShiftMask, XKB_KEY_Greek_ALPHA},
	    {"group 2 of one keysym", {XKB_KEY_a, XKB_KEY_A, XKB_KEY_Greek_alpha}, kModeSwitch | kShiftMask,
	     XKB_KEY_Greek_ALPHA},
	    {"a pair serves both groups", {XKB_KEY_a, XKB_KEY_A}, kModeSwitch | kShiftMask, XKB_KEY_A},
	    {"empty group 2 gives group 1", {XKB_KEY_a, XKB_KEY_A, kNone, kNone, XKB_KEY_x}, kModeSwitch,
	     XKB_KEY_a},
	    {"no keysyms", {kNone, kNone}, kShiftMask, kNone},
	};
	for (const auto& c : cases)
		EXPECT_EQ(keysymFromCoreMapping(c.keysyms.data(), c.keysyms.size(), c.state, kNumLock, kModeSwitch),
		          c.expected)
		    << c.what;
	// Without a key holding Num Lock or Mode switch their bits mean nothing.
	const uint32 keypad[] = {XKB_KEY_KP_Left, XKB_KEY_KP_4};
	EXPECT_EQ(keysymFromCoreMapping(keypad, 2, kNumLock, 0, 0), uint32(XKB_KEY_KP_Left));
	const uint32 twoGroups[] = {XKB_KEY_a, XKB_KEY_A, XKB_KEY_Greek_alpha, XKB_KEY_Greek_ALPHA};
	EXPECT_EQ(keysymFromCoreMapping(twoGroups, 4, kModeSwitch, 0, 0), uint32(XKB_KEY_a));
}

} // namespace
} // namespace Kavrin::Test
