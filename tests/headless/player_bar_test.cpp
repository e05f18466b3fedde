// SPDX-License-Identifier: GPL-3.0-or-later
// The media player's button bar before a device is open: its look, the keyboard, the layout.
#include "player_test_window.h"

namespace playertest {
namespace {

namespace keys = headless::keys;

TEST_F(PlayerWindowTest, BeforeOpenTheButtonShowsTheDisabledGlyphAndIgnoresTheMouse) {
  Show();
  EXPECT_EQ(player->Width(), 29);
  EXPECT_EQ(player->Height(), 30);
  EXPECT_EQ(player->ButtonWidth(), 29);
  // The frame over columns 0..28 and rows 0..29.
  for (int y = 0; y < 30; ++y) {
    EXPECT_EQ(Pixel(0, y), kFrame) << y;
    EXPECT_EQ(Pixel(28, y), kFrame) << y;
  }
  for (int x = 0; x < 29; ++x) {
    EXPECT_EQ(Pixel(x, 0), kFrame) << x;
    EXPECT_EQ(Pixel(x, 29), kFrame) << x;
  }
  // Raised bevel: light top and left, shadow bottom and right.
  EXPECT_EQ(Pixel(1, 15), kLight);
  EXPECT_EQ(Pixel(15, 1), kLight);
  EXPECT_EQ(Pixel(27, 15), kShadow);
  EXPECT_EQ(Pixel(15, 28), kShadow);
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0) << "the disabled Play glyph at (6, 7)";

  Press(14, 15);
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0) << "nothing is drawn pressed";
  EXPECT_EQ(Pixel(1, 15), kLight);
  Release();
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(reported.empty());
}

TEST_F(PlayerWindowTest, SpaceBeforeOpenReportsThatNoDeviceIsOpen) {
  Show();
  player->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), player->Handle());
  std::vector<std::uint32_t> focused;
  for (int x = 3; x < 26; ++x) focused.push_back(Pixel(x, 3));
  SetFocus(nullptr);
  Pump();
  int changed = 0;
  for (int x = 3; x < 26; ++x) {
    EXPECT_EQ(Pixel(x, 3), kFace) << "no focus rectangle without the focus, " << x;
    changed += focused[x - 3] != kFace ? 1 : 0;
  }
  EXPECT_GT(changed, 5) << "the focus rectangle's top edge on row 3";
  EXPECT_EQ(focused[0], focused[2]) << "dotted: every other pixel";
  EXPECT_NE(focused[0], focused[1]);
  player->SetFocus();
  Pump();
  EXPECT_EQ(Pixel(14, 2), kFace) << "nothing above the rectangle";
  for (int x = 3; x < 26; ++x) EXPECT_EQ(Pixel(x, 3), focused[x - 3]) << x;

  // Left and Right have nowhere to go with a single button.
  headless::PressKey(keys::kRight);
  headless::PressKey(keys::kLeft);
  Pump();
  EXPECT_EQ(player->FocusedButton(), TMPBtnType::btPlay);
  EXPECT_EQ(GetFocus(), player->Handle()) << "the arrows stay with the player";

  headless::PressKey(keys::kSpace);
  Pump();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "EMCIDeviceError: No MCI device open");
  EXPECT_EQ(clicks, std::vector<TMPBtnType>{TMPBtnType::btPlay});
  EXPECT_TRUE(postClicks.empty()) << "the raise leaves the click";
  EXPECT_EQ(player->AutoButtons(), 0) << "no automatic update after the raise";
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0);
}

TEST_F(PlayerWindowTest, TheBarNeverShrinksBelowItsButtonMinimum) {
  EXPECT_EQ(player->MinButtonWidth(), 29) << "widest glyph (21) plus 8";
  EXPECT_EQ(player->MinButtonHeight(), 20) << "tallest glyph (16) plus 4";

  auto* nine = new TMediaPlayer(form);
  nine->SetParent(form);
  nine->SetBounds(8, 50, 240, 30);
  EXPECT_EQ(nine->VisibleButtons(), kAllButtons);
  auto* three = new TMediaPlayer(form);
  three->SetParent(form);
  three->SetVisibleButtons(ButtonBit(TMPBtnType::btPlay) | ButtonBit(TMPBtnType::btStop) |
                           ButtonBit(TMPBtnType::btEject));
  three->SetBounds(8, 85, 100, 10);
  Show();
  EXPECT_EQ(nine->Width(), 253);
  EXPECT_EQ(nine->ButtonWidth(), 29);
  // Three buttons of (100 - 1) / 3 + 1 = 34 share borders: 3 * 33 + 1 = 100; the height grows.
  EXPECT_EQ(three->ButtonWidth(), 34);
  EXPECT_EQ(three->Width(), 100);
  EXPECT_EQ(three->Height(), 20);

  // Asking for less afterwards is refused the same way.
  nine->SetBounds(8, 50, 100, 30);
  EXPECT_EQ(nine->Width(), 253);
  three->SetVisibleButtons(0);
  EXPECT_EQ(three->Width(), 34) << "no visible button counts as one";
  EXPECT_EQ(three->ButtonWidth(), 34);
}

TEST_F(PlayerWindowTest, SetsMirrorIntoTheButtonsAndAutoEnableSwitchesTheRule) {
  Show();
  EXPECT_TRUE(player->AutoEnable());
  EXPECT_FALSE(player->ButtonUsable(TMPBtnType::btPlay)) << "nothing is open";
  player->SetAutoEnable(false);
  EXPECT_TRUE(player->ButtonUsable(TMPBtnType::btPlay)) << "EnabledButtons decides now";
  Pump();
  EXPECT_EQ(GlyphMismatches(6, 7, kGreen), 0) << "usable and coloured";
  player->SetColoredButtons(0);
  Pump();
  EXPECT_EQ(GlyphMismatches(6, 7, kFrame), 0) << "usable, plain black fill";
  player->SetEnabledButtons(ButtonBit(TMPBtnType::btStop));
  Pump();
  EXPECT_FALSE(player->ButtonUsable(TMPBtnType::btPlay));
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0);

  // Space is governed by EnabledButtons: with Play left out nothing runs.
  player->SetFocus();
  Pump();
  headless::PressKey(keys::kSpace);
  Pump();
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(reported.empty());
}

}  // namespace
}  // namespace playertest
