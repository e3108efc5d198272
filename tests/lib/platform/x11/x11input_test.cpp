#include "lib/platform/x11/x11input.h"

#include <gtest/gtest.h>
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

} // namespace
} // namespace Kavrin::Test
