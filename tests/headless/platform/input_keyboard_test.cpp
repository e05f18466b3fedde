// SPDX-License-Identifier: GPL-3.0-or-later
// Keys as the user types them: virtual-key codes from X keysyms, characters in the program's
// code page (cp1252), system keys with Alt, and the key state the program can ask for.
#include <gmock/gmock.h>

#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class KeyboardInput : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    m_top = TopLevel(0, 0, 200, 100);
    m_field = Child(m_top, 10, 10, 100, 20);
    ShowWindow(m_top, SW_SHOWNORMAL);
    SetFocus(m_field);
    headless::PumpUntilIdle();
    TheLog().Clear();
  }
  std::vector<WPARAM> Params(UINT msg) const {
    std::vector<WPARAM> out;
    for (const auto& e : TheLog().Of(msg)) out.push_back(e.wParam);
    return out;
  }
  HWND m_top = nullptr;
  HWND m_field = nullptr;
};

TEST_F(KeyboardInput, KeysymsBecomeVirtualKeys) {
  using namespace headless::keys;
  const std::pair<std::uint32_t, UINT> cases[] = {
      {'a', 'A'},
      {'Z', 'Z'},
      {'7', '7'},
      {kF1, VK_F1},
      {0xffc9, VK_F12},
      {kLeft, VK_LEFT},
      {kUp, VK_UP},
      {kRight, VK_RIGHT},
      {kDown, VK_DOWN},
      {kHome, VK_HOME},
      {kEnd, VK_END},
      {kPageUp, VK_PRIOR},
      {kPageDown, VK_NEXT},
      {kTab, VK_TAB},
      {kReturn, VK_RETURN},
      {kEscape, VK_ESCAPE},
      {kBackSpace, VK_BACK},
      {kDelete, VK_DELETE},
      {kInsert, VK_INSERT},
      {kSpace, VK_SPACE},
      {0xffb3, VK_NUMPAD0 + 3},
      {0xff8d, VK_RETURN},
      {0xffab, VK_ADD},
      {',', VK_OEM_COMMA},
      {'-', VK_OEM_MINUS},
      {'.', VK_OEM_PERIOD},
      {';', VK_OEM_1},
      {'/', VK_OEM_2},
      {'[', VK_OEM_4},
      {'\'', VK_OEM_7},
      {'!', '1'},
  };
  for (const auto& [keysym, vk] : cases) {
    TheLog().Clear();
    headless::KeyDown(keysym);
    headless::KeyUp(keysym);
    headless::PumpUntilIdle();
    ASSERT_EQ(TheLog().Count(WM_KEYDOWN, m_field), 1) << std::hex << keysym;
    EXPECT_EQ(TheLog().Of(WM_KEYDOWN)[0].wParam, vk) << std::hex << keysym;
    ASSERT_EQ(TheLog().Count(WM_KEYUP, m_field), 1) << std::hex << keysym;
    EXPECT_EQ(TheLog().Of(WM_KEYUP)[0].wParam, vk) << std::hex << keysym;
    // Transition bit set on the release only.
    EXPECT_EQ(TheLog().Of(WM_KEYDOWN)[0].lParam & (1L << 31), 0);
    EXPECT_NE(TheLog().Of(WM_KEYUP)[0].lParam & static_cast<LPARAM>(1UL << 31), 0);
  }
}

TEST_F(KeyboardInput, TypedCharactersArriveInTheProgramsCodePage) {
  headless::TypeText("Aô€x");
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_CHAR), ElementsAre('A', 0xF4, 0x80, 'x'));
  // Each character comes right after its key-down, before the key's release.
  EXPECT_THAT(TheLog().Messages(m_field),
              ElementsAre(WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR,
                          WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP));
}

TEST_F(KeyboardInput, CharactersOutsideTheCodePageAreDropped) {
  headless::KeyDown(0x01006c34, "氷");  // a CJK character the code page cannot hold
  headless::KeyUp(0x01006c34);
  headless::KeyDown('e', "e\xE2\x82\xAC\xE6\xB0\xB7");  // an input method giving three at once
  headless::KeyUp('e');
  headless::KeyDown('a', "ф");  // a Latin key in a Cyrillic layout: no 'a' is made up for it
  headless::KeyUp('a');
  headless::PumpUntilIdle();
  // The key itself is still reported; only the character that cannot be held is gone.
  EXPECT_EQ(TheLog().Count(WM_KEYDOWN), 3);
  EXPECT_THAT(Params(WM_CHAR), ElementsAre('e', 0x80));
}

TEST_F(KeyboardInput, ComposedCharacterWithoutAKeysymStillArrives) {
  // A dead-key composition: the input method reports the result with no key of its own.
  headless::KeyDown(0, "ô");
  headless::KeyUp(0);
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_CHAR), ElementsAre(0xF4));
}

TEST_F(KeyboardInput, ShiftStateAndShiftTab) {
  headless::KeyDown(headless::keys::kShiftL);
  headless::PumpUntilIdle();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_THAT(Params(WM_KEYDOWN), ElementsAre(VK_SHIFT));
  headless::KeyUp(headless::keys::kShiftL);
  headless::PumpUntilIdle();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  // ISO_Left_Tab is what X reports for Shift+Tab: the program sees Tab with Shift down.
  TheLog().Clear();
  TheLog().handlers[WM_KEYDOWN] = [](HWND, WPARAM wParam, LPARAM, LRESULT* r) {
    if (wParam == VK_TAB)
      TheLog().entries.push_back({nullptr, WM_USER, static_cast<WPARAM>(GetKeyState(VK_SHIFT) < 0), 0});
    *r = 0;
    return true;
  };
  headless::KeyDown(headless::keys::kIsoLeftTab, "\t");
  headless::KeyUp(headless::keys::kIsoLeftTab);
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_KEYDOWN), ElementsAre(VK_TAB));
  ASSERT_EQ(TheLog().Of(WM_USER).size(), 1u);
  EXPECT_EQ(TheLog().Of(WM_USER)[0].wParam, 1u);
}

TEST_F(KeyboardInput, AltMakesSystemKeysAndAltF4Closes) {
  headless::KeyDown(headless::keys::kAltL);
  headless::PressKey('x');
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_SYSKEYDOWN), ElementsAre(VK_MENU, 'X'));
  EXPECT_THAT(Params(WM_SYSCHAR), ElementsAre('x'));
  EXPECT_EQ(TheLog().Count(WM_KEYDOWN), 0);
  auto sys = TheLog().Of(WM_SYSKEYDOWN);
  EXPECT_NE(sys[1].lParam & (1L << 29), 0);  // context bit: Alt is down
  headless::PressKey(headless::keys::kF4);
  headless::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(m_top));
}

TEST_F(KeyboardInput, ControlLettersAndRepeatFlag) {
  headless::KeyDown(headless::keys::kControlL);
  headless::PressKey('c');
  headless::KeyUp(headless::keys::kControlL);
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_KEYDOWN), ElementsAre(VK_CONTROL, 'C'));
  EXPECT_THAT(Params(WM_CHAR), ElementsAre(3));  // Ctrl+C
  TheLog().Clear();
  headless::KeyDown(headless::keys::kRight);
  headless::KeyDown(headless::keys::kRight);  // auto-repeat
  headless::KeyUp(headless::keys::kRight);
  headless::PumpUntilIdle();
  auto downs = TheLog().Of(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].lParam & (1L << 30), 0);
  EXPECT_NE(downs[1].lParam & (1L << 30), 0);
}

TEST_F(KeyboardInput, KeysGoToTheFocusWindowOnly) {
  HWND second = Child(m_top, 10, 40, 100, 20);
  headless::PressKey('a');
  SetFocus(second);
  headless::PressKey('b');
  headless::PumpUntilIdle();
  // The focus moved before the program read the first key: keys follow the focus at the time
  // the message is read, as keyboard input always reaches the window that has the focus.
  EXPECT_EQ(TheLog().Count(WM_CHAR, m_field), 0);
  EXPECT_EQ(TheLog().Count(WM_CHAR, second), 2);
  // A WM_KEYDOWN the program posts itself is translated from its key code.
  TheLog().Clear();
  MSG m{second, WM_KEYDOWN, 'Q', 1, 0, {}};
  TranslateMessage(&m);
  headless::PumpUntilIdle();
  EXPECT_THAT(Params(WM_CHAR), ElementsAre('q'));
}

}  // namespace
