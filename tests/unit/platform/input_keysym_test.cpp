// SPDX-License-Identifier: GPL-3.0-or-later
// X keysyms to virtual keys: the keys of a desktop keyboard, national letters and keys that
// produce no key message.
#include <gtest/gtest.h>

#include "platform/window/window_core.h"

namespace {

using window::KeysymToVk;

TEST(InputKeysym, LettersDigitsAndFunctionKeys) {
  for (std::uint32_t c = 'a'; c <= 'z'; ++c) EXPECT_EQ(KeysymToVk(c), c - 'a' + 'A');
  for (std::uint32_t c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(KeysymToVk(c), c);
  for (std::uint32_t c = '0'; c <= '9'; ++c) EXPECT_EQ(KeysymToVk(c), c);
  for (std::uint32_t i = 0; i < 24; ++i) EXPECT_EQ(KeysymToVk(0xffbe + i), VK_F1 + i);
  for (std::uint32_t i = 0; i < 10; ++i) EXPECT_EQ(KeysymToVk(0xffb0 + i), VK_NUMPAD0 + i);
}

TEST(InputKeysym, NavigationEditingAndModifiers) {
  EXPECT_EQ(KeysymToVk(0xff95), VK_HOME);  // keypad Home (NumLock off)
  EXPECT_EQ(KeysymToVk(0xff9c), VK_END);
  EXPECT_EQ(KeysymToVk(0xff9f), VK_DELETE);
  EXPECT_EQ(KeysymToVk(0xffaf), VK_DIVIDE);
  EXPECT_EQ(KeysymToVk(0xffe2), VK_SHIFT);  // right Shift
  EXPECT_EQ(KeysymToVk(0xffe4), VK_CONTROL);
  EXPECT_EQ(KeysymToVk(0xffea), VK_MENU);  // right Alt
  EXPECT_EQ(KeysymToVk(0xfe20), VK_TAB);   // ISO_Left_Tab
  EXPECT_EQ(KeysymToVk(0xff08), VK_BACK);
  EXPECT_EQ(KeysymToVk(0xff1b), VK_ESCAPE);
}

TEST(InputKeysym, PunctuationMapsToTheKeyThatCarriesIt) {
  EXPECT_EQ(KeysymToVk('='), VK_OEM_PLUS);
  EXPECT_EQ(KeysymToVk('+'), VK_OEM_PLUS);
  EXPECT_EQ(KeysymToVk('<'), VK_OEM_COMMA);
  EXPECT_EQ(KeysymToVk('?'), VK_OEM_2);
  EXPECT_EQ(KeysymToVk('~'), VK_OEM_3);
  EXPECT_EQ(KeysymToVk('|'), VK_OEM_5);
  EXPECT_EQ(KeysymToVk('}'), VK_OEM_6);
  EXPECT_EQ(KeysymToVk('"'), VK_OEM_7);
  EXPECT_EQ(KeysymToVk('@'), static_cast<UINT>('2'));
  EXPECT_EQ(KeysymToVk(')'), static_cast<UINT>('0'));
}

TEST(InputKeysym, NationalLettersStillCountAndDeadKeysDoNot) {
  const UINT cedilla = KeysymToVk(0xe7);  // ccedilla on a Portuguese keyboard
  EXPECT_NE(cedilla, 0u);
  EXPECT_EQ(KeysymToVk(0x010020ac), cedilla);  // a Unicode keysym (EuroSign)
  EXPECT_EQ(KeysymToVk(0xfe52), 0u);           // dead_circumflex: the input method composes
  EXPECT_EQ(KeysymToVk(0xfe03), 0u);           // AltGr itself
  EXPECT_EQ(KeysymToVk(0x1008ff13), 0u);       // a multimedia key
  EXPECT_EQ(KeysymToVk(0), 0u);
}

}  // namespace
