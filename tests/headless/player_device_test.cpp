// SPDX-License-Identifier: GPL-3.0-or-later
// The media player driving the real sequencer: open, play by click, the end-of-play notification,
// a press held and dragged, a file that cannot be opened or found, and destruction with a device
// open.
#include <filesystem>

#include "player_test_window.h"
#include "support/program_file.h"

namespace playertest {
namespace {

TEST_F(PlayerWindowTest, OpenThenClickPlaysUntilTheDeviceReportsTheEnd) {
  Show();
  OpenKey();
  ASSERT_NE(player->DeviceId(), 0u);
  EXPECT_EQ(player->ErrorCode(), 0u);
  EXPECT_EQ(player->AutoButtons(),
            ButtonBit(TMPBtnType::btPlay) | ButtonBit(TMPBtnType::btNext) | ButtonBit(TMPBtnType::btPrev));
  EXPECT_EQ(GlyphMismatches(6, 7, kGreen), 0) << "the coloured glyph after Open";
  const DWORD length = player->Length();
  ASSERT_GT(length, 0u);

  Click(14, 15);
  EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(clicks, std::vector<TMPBtnType>{TMPBtnType::btPlay});
  EXPECT_EQ(postClicks, std::vector<TMPBtnType>{TMPBtnType::btPlay});
  EXPECT_FALSE(player->ButtonUsable(TMPBtnType::btPlay));
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0) << "disabled while playing";
  Click(14, 15);
  EXPECT_EQ(clicks.size(), 1u) << "a disabled button ignores the mouse";

  headless::AdvanceClock(length + 500);
  Pump();
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(player->NotifyResult(), TMPNotifyValues::nvSuccessful);
  EXPECT_GE(notifies, 1);
  EXPECT_TRUE(player->ButtonUsable(TMPBtnType::btPlay));
  EXPECT_EQ(GlyphMismatches(6, 7, kGreen), 0) << "usable again";

  // A second click at the end plays again from the start.
  Click(14, 15);
  EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);
  EXPECT_LT(player->Position(), length / 2);
  EXPECT_TRUE(reported.empty());
}

TEST_F(PlayerWindowTest, AHeldPressDrawsPressedAndOnlyAReleaseInsidePlays) {
  Show();
  OpenKey();
  Press(14, 15);
  EXPECT_EQ(Pixel(1, 15), kShadow) << "pressed bevel";
  EXPECT_EQ(Pixel(15, 1), kShadow);
  EXPECT_EQ(Pixel(27, 15), kFace);
  EXPECT_EQ(GlyphMismatches(7, 8, kGreen), 0) << "glyph one pixel right and down";

  MoveTo(40, 15);  // out of the button
  EXPECT_EQ(Pixel(1, 15), kLight);
  EXPECT_EQ(GlyphMismatches(6, 7, kGreen), 0);
  MoveTo(10, 10);  // back in
  EXPECT_EQ(GlyphMismatches(7, 8, kGreen), 0);
  MoveTo(14, 45);
  Release();
  EXPECT_TRUE(clicks.empty()) << "released outside";
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(GlyphMismatches(6, 7, kGreen), 0);

  // OnClick refusing the default stops the action and the post-click event.
  allowDefault = false;
  Click(14, 15);
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_TRUE(postClicks.empty());
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
}

TEST_F(PlayerWindowTest, AFileThatCannotOpenRaisesTheServicesTextAndLeavesPlayDisabled) {
  Show();
  player->SetFileName(MidiPath("nenhuma tonalidade.MID"));
  std::string message;
  try {
    player->Open();
  } catch (const EMCIDeviceError& e) {
    message = e.Message();
  }
  ASSERT_NE(player->ErrorCode(), 0u);
  char text[4096];
  ASSERT_TRUE(mciGetErrorString(player->ErrorCode(), text, sizeof text));
  EXPECT_EQ(message, text);
  EXPECT_EQ(player->ErrorText(), text);
  EXPECT_EQ(player->DeviceId(), 0u);
  EXPECT_FALSE(player->ButtonUsable(TMPBtnType::btPlay));
  Pump();
  EXPECT_EQ(GlyphMismatches(6, 7, kFace), 0);
  Click(14, 15);
  EXPECT_TRUE(clicks.empty());
  EXPECT_THROW(player->Play(), EMCIDeviceError);
}

// A key's file named without a folder and found nowhere (an installation that lost its MIDI
// files): after the service's text, the message names the folders looked in, the installed one
// (share/tessivo beside the program's folder) last.
TEST_F(PlayerWindowTest, AMissingBareFileNameSaysWhereItWasLookedFor) {
  Show();
  player->SetFileName("nenhuma tonalidade.MID");
  std::string message;
  try {
    player->Open();
  } catch (const EMCIDeviceError& e) {
    message = e.Message();
  }
  ASSERT_EQ(player->ErrorCode(), MCIERR_FILE_NOT_FOUND);
  const std::filesystem::path bin =
      std::filesystem::canonical(testsupport::RunningProgramFile()).parent_path();
  EXPECT_EQ(message, player->ErrorText() +
                         "\n\"nenhuma tonalidade.MID\" was looked for in the current folder (" +
                         std::filesystem::current_path().string() + "), in " + bin.string() + " and in " +
                         (bin.parent_path() / "share" / "tessivo").string() + ".");
  EXPECT_EQ(player->DeviceId(), 0u);
  EXPECT_FALSE(player->ButtonUsable(TMPBtnType::btPlay));
}

TEST_F(PlayerWindowTest, OpeningAnotherFileClosesTheFirstAndDestructionClosesTheLast) {
  Show();
  OpenKey();
  const MCIDEVICEID first = player->DeviceId();
  Click(14, 15);
  player->SetFileName(MidiPath("dobem maior.MID"));
  player->Open();
  Pump();
  const MCIDEVICEID second = player->DeviceId();
  EXPECT_NE(second, first);
  EXPECT_TRUE(player->ButtonUsable(TMPBtnType::btPlay)) << "the new device stands stopped";
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  EXPECT_EQ(
      mciSendCommand(first, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
      MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(
      mciSendCommand(second, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
      0u);

  delete player;
  player = nullptr;
  EXPECT_EQ(
      mciSendCommand(second, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
      MCIERR_INVALID_DEVICE_ID);
}

TEST_F(PlayerWindowTest, TheDescriptionReaderBuildsAPlayerFromItsProperties) {
  RegisterPlayerClasses();
  auto* read = new TMediaPlayer(form);
  read->SetParent(form);
  TDescValue set;
  set.kind = TDescValue::Kind::Set;
  set.items = {"btPlay", "btStop"};
  read->ReadProperty("VisibleButtons", set, form);
  EXPECT_EQ(read->VisibleButtons(), ButtonBit(TMPBtnType::btPlay) | ButtonBit(TMPBtnType::btStop));
  TDescValue no;
  no.kind = TDescValue::Kind::Identifier;
  no.text = "false";
  read->ReadProperty("AutoEnable", no, form);
  EXPECT_FALSE(read->AutoEnable());
  set.items = {"btPlay", "btNoSuchButton"};
  EXPECT_THROW(read->ReadProperty("EnabledButtons", set, form), TPropertyError);
}

}  // namespace
}  // namespace playertest
