// SPDX-License-Identifier: GPL-3.0-or-later
// The real program's key selector on a private X server, used as a student would: "Armadura" in
// the field at 72, 16; the button opens the list of keys in a pop-up window right under the field,
// a click on a row puts the key's name in the field; F4, Alt+Down, Escape and Enter open and
// close the list from the keyboard. Checked on what the X server shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "support/app_run.h"
#include "x11/program_on_xvfb.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr int kComboX = 72;
constexpr int kComboY = 16;
constexpr int kComboWidth = 185;
constexpr int kComboHeight = 21;
// The field's text area: inside the 2-pixel frame, left of the button.
constexpr int kFieldX = kComboX + 2;
constexpr int kFieldY = kComboY + 2;
constexpr int kFieldWidth = 140;
constexpr int kFieldHeight = kComboHeight - 4;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The pixels of the text on white, cut to the box of those clearly darker than white (the faintest
// edge of anti-aliasing left out, as the display may show it as white), empty when none.
std::vector<std::uint32_t> Ink(const std::vector<std::uint32_t>& pixels, int width, int height,
                               std::uint32_t background, int* inkWidth) {
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
      if (p == background || ((p >> 16) & 0xFF) >= 0xE0) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
      bottom = std::max(bottom, y);
    }
  }
  std::vector<std::uint32_t> out;
  *inkWidth = right < left ? 0 : right - left + 1;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x)
      out.push_back(pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF);
  }
  return out;
}

class ProgramCombo : public ProgramOnXvfb {
 protected:
  void SetUp() override {
    ProgramOnXvfb::SetUp();
    if (HasFatalFailure()) return;
    Start();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitFor([&] { return FieldShows("Armadura"); }))
        << "the field never showed Armadura: " << m_lastLook;
  }

  // The field's text, black on white, compared with the program's font drawing the expected text.
  bool FieldShows(const std::string& utf8) {
    auto shown = x11test::ReadPixels(Peek(), m_main, kFieldX, kFieldY, kFieldWidth, kFieldHeight);
    if (shown.size() != static_cast<std::size_t>(kFieldWidth * kFieldHeight)) return false;
    auto reference = apptest::ReferenceText(text::Utf8ToCp1252(utf8), "MS Sans Serif", -11, kFieldWidth,
                                            kFieldHeight, 0x000000, kWhite);
    int shownWidth = 0, referenceWidth = 0;
    auto a = Ink(shown, kFieldWidth, kFieldHeight, kWhite, &shownWidth);
    auto b = Ink(reference, kFieldWidth, kFieldHeight, kWhite, &referenceWidth);
    m_lastLook = "shown ink " + std::to_string(shownWidth) + " px wide (" + std::to_string(a.size()) +
                 " px), expected " + std::to_string(referenceWidth) + " (" + std::to_string(b.size()) + ")";
    return shownWidth == referenceWidth && a == b && !a.empty();
  }
  std::string m_lastLook;
};

TEST_F(ProgramCombo, TheButtonOpensTheListUnderTheFieldAndARowPutsItsKeyInTheField) {
  ClickAt(OnRoot(kComboX + kComboWidth - 8, kComboY + 10));
  ASSERT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "the button opened no list";
  const RECT list = *OpenList();
  POINT under = OnRoot(kComboX, kComboY + kComboHeight);
  EXPECT_EQ(list.right - list.left, 185);
  EXPECT_EQ(list.bottom - list.top, 197) << "fifteen rows of 13 pixels and the list's border";
  EXPECT_EQ(list.left, under.x);
  EXPECT_EQ(list.top, under.y) << "directly under the field";

  // Row 4, "Mi Maior - 4 Sustenidos": 13 pixels a row below the list's 1-pixel border.
  ClickAt({list.left + 30, list.top + 1 + 4 * 13 + 6});
  ASSERT_TRUE(WaitFor([&] { return !OpenList().has_value(); })) << "the choice closed the list";
  // The focus moves on, so the field shows its text without the selection's highlight.
  PressKey(XK_Tab);
  EXPECT_TRUE(WaitFor([&] { return FieldShows("Mi Maior - 4 Sustenidos"); }));
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

TEST_F(ProgramCombo, F4AndAltDownOpenTheListEscapeAndEnterCloseIt) {
  PressKey(XK_Tab);  // from the grid to the key selector
  PressKey(XK_F4);
  EXPECT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "F4 opened no list";
  PressKey(XK_Escape);
  EXPECT_TRUE(WaitFor([&] { return !OpenList().has_value(); })) << "Escape did not close the list";
  PressKey(XK_Down, XK_Alt_L);
  EXPECT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "Alt+Down opened no list";
  PressKey(XK_Return);
  EXPECT_TRUE(WaitFor([&] { return !OpenList().has_value(); })) << "Enter did not close the list";
  PressKey(XK_Tab);  // the field shows its text unselected again
  EXPECT_TRUE(WaitFor([&] { return FieldShows("Armadura"); })) << "neither key changed the field";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// A dead key then a letter (an accent typed the way a Portuguese keyboard types it) completes a
// key name with an accented letter: "L", then acute and "a", finds "Lá Maior - 3 Sustenidos".
// Without the input method's composing, "La" would begin no key name and stay a hand edit.
TEST_F(ProgramCombo, ADeadKeyThenALetterCompletesAnAccentedKeyName) {
  const KeyCode acute = x11test::KeycodeFor(Peek(), XK_dead_acute);
  ASSERT_NE(acute, 0) << "no keycode free for the dead key";
  PressKey(XK_Tab);  // from the grid to the key selector, its text all selected
  PressKey(XK_l, XK_Shift_L);
  XTestFakeKeyEvent(Peek(), acute, True, CurrentTime);
  XTestFakeKeyEvent(Peek(), acute, False, CurrentTime);
  PressKey(XK_a);
  PressKey(XK_Tab);  // the field shows its text unselected
  EXPECT_TRUE(WaitFor([&] { return FieldShows("Lá Maior - 3 Sustenidos"); })) << m_lastLook;
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

}  // namespace
