// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a key in the whole program, as a student does it with the key selector: the chord row
// shows the key's chords, the Play button becomes usable and plays the key's file; a key file
// that cannot be opened or a sound output that cannot start is said in the error box, and the
// program goes on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "platform/combo_box.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/midi_file_builder.h"
#include "support/stderr_capture.h"

namespace {

using apptest::RunOptions;
using apptest::RunProgram;
namespace keys = headless::keys;

// The form's client area is at 188, 107 on the headless screen.
constexpr POINT kField{188 + 72 + 40, 107 + 16 + 10};
constexpr POINT kPlay{188 + 280 + 14, 107 + 8 + 15};
const int kChordColumns[] = {0, 2, 4, 5, 7, 9, 11, 12};

std::vector<std::string> ChordRow() {
  std::vector<std::string> row;
  for (int column = 0; column < 13; ++column)
    row.push_back(text::Cp1252ToUtf8(Form1->StringGrid1->CellText(column, 1)));
  return row;
}

std::vector<std::string> Expected(std::initializer_list<const char*> chords) {
  std::vector<std::string> row(13);
  int i = 0;
  for (const char* chord : chords) row[static_cast<std::size_t>(kChordColumns[i++])] = chord;
  return row;
}

bool PlayUsable() { return Form1->MediaPlayer1->ButtonUsable(TMPBtnType::btPlay); }

const std::vector<std::string> kDo = Expected(
    {"Dó Maior", "Ré Menor", "Mi Menor", "Fá Maior", "Sol Maior", "Lá Menor", "Si Dim.", "Dó Maior"});
const std::vector<std::string> kDoFlat = Expected({"Dó b Maior", "Ré b Menor", "Mi b Menor", "Fá b Maior",
                                                   "Sol b Maior", "Lá b Menor", "Si b Dim.", "Dó b Maior"});

TEST(AppKeySelection, ChoosingKeysFillsTheChordRowAndLoadsTheirFiles) {
  std::vector<std::string> header;
  MCIDEVICEID firstDevice = 0;
  auto result = RunProgram(
      {}, {
              [] {
                headless::Click(kField.x, kField.y);
                headless::PressKey(keys::kBackSpace);  // no key chosen yet: nothing to show or open
              },
              [] {
                EXPECT_EQ(ChordRow(), std::vector<std::string>(13));
                EXPECT_EQ(Form1->MediaPlayer1->FileName(), "");
                EXPECT_FALSE(PlayUsable());
                headless::PressKey(keys::kDown);  // the first key
              },
              [&] {
                EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 0);
                EXPECT_EQ(ChordRow(), kDo);
                EXPECT_EQ(Form1->MediaPlayer1->FileName(), "do maior.MID");
                EXPECT_TRUE(PlayUsable());
                firstDevice = Form1->MediaPlayer1->DeviceId();
                // The header switches to Roman numerals; choosing keys leaves it so.
                const POINT cell = apptest::GridCellPoint(1, 1);
                headless::Click(cell.x, cell.y);
                headless::Click(kField.x, kField.y);
                headless::PressKey(keys::kBackSpace);  // no list item: the same key again
              },
              [&] {
                EXPECT_EQ(Form1->ComboBox1->ItemIndex(), -1);
                EXPECT_EQ(ChordRow(), kDo);
                EXPECT_NE(Form1->MediaPlayer1->DeviceId(), firstDevice) << "the file is opened again";
                EXPECT_EQ(Form1->MediaPlayer1->FileName(), "do maior.MID");
                headless::PressKey(keys::kF4);
                headless::PressKey(keys::kEnd);
                headless::PressKey(keys::kReturn);
              },
              [&] {
                EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 14);
                EXPECT_EQ(ChordRow(), kDoFlat);
                EXPECT_EQ(Form1->MediaPlayer1->FileName(), "dobem maior.MID");
                EXPECT_TRUE(PlayUsable());
                for (int column = 0; column < 13; ++column)
                  header.push_back(Form1->StringGrid1->CellText(column, 0));
                apptest::RequestCloseOf(Form1->Handle());
              },
          });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  ASSERT_EQ(header.size(), 13u);
  EXPECT_EQ(header[0], "I") << "the header keeps the labelling the user chose";
  EXPECT_EQ(result.stepsLeft, 0u);
}

// Play plays the key's file: the button is unusable while it plays and usable again at its end;
// Space on the focused button plays too; Tab goes around the three controls.
TEST(AppKeySelection, PlayIsUnusableWhileTheKeyPlaysAndTabGoesAroundTheControls) {
  std::vector<std::string> focusOrder;
  auto focused = [] {
    const HWND f = GetFocus();
    if (f == Form1->StringGrid1->Handle()) return std::string("grid");
    if (f == Form1->MediaPlayer1->Handle()) return std::string("play");
    return GetParent(f) == Form1->ComboBox1->Handle() || f == Form1->ComboBox1->Handle() ? std::string("keys")
                                                                                         : std::string("?");
  };
  auto result = RunProgram({}, {
                                   [&] {
                                     focusOrder.push_back(focused());
                                     headless::PressKey(keys::kTab);
                                   },
                                   [&] {
                                     focusOrder.push_back(focused());
                                     headless::PressKey(keys::kDown);  // the first key, from the keyboard
                                     headless::PressKey(keys::kTab);
                                   },
                                   [&] {
                                     focusOrder.push_back(focused());
                                     EXPECT_TRUE(PlayUsable());
                                     headless::PressKey(keys::kSpace);
                                   },
                                   [&] {
                                     EXPECT_FALSE(PlayUsable()) << "usable while the key plays";
                                     EXPECT_EQ(Form1->MediaPlayer1->Mode(), TMPModes::mpPlaying);
                                     headless::AdvanceClock(Form1->MediaPlayer1->Length() + 1000);
                                   },
                                   [&] {
                                     EXPECT_EQ(Form1->MediaPlayer1->Mode(), TMPModes::mpStopped);
                                     EXPECT_TRUE(PlayUsable()) << "usable again after the end";
                                     headless::Click(kPlay.x, kPlay.y);
                                   },
                                   [&] {
                                     EXPECT_FALSE(PlayUsable());
                                     headless::PressKey(keys::kTab);
                                   },
                                   [&] {
                                     focusOrder.push_back(focused());
                                     headless::KeyDown(keys::kShiftL);
                                     headless::PressKey(keys::kIsoLeftTab);
                                     headless::KeyUp(keys::kShiftL);
                                   },
                                   [&] {
                                     focusOrder.push_back(focused());
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(focusOrder, (std::vector<std::string>{"grid", "keys", "play", "grid", "play"}));
}

// No sound output: Play says why in the error box, with the multimedia service's text, and stays
// usable; nothing is written on standard error.
TEST(AppKeySelection, PlayThatCannotStartSaysWhyAndStaysUsable) {
  setenv("TESSIVO_AUDIO", "none", 1);
  StderrCapture capture;
  bool usableAfter = false;
  auto result = RunProgram({}, {
                                   [] {
                                     headless::Click(kField.x, kField.y);
                                     headless::PressKey(keys::kDown);
                                   },
                                   [] { headless::Click(kPlay.x, kPlay.y); },
                                   [&] {
                                     usableAfter = PlayUsable();
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  const std::string printed = capture.Finish();
  unsetenv("TESSIVO_AUDIO");
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text,
            "Sound output is turned off (TESSIVO_AUDIO=none), so the MIDI file cannot be played.");
  EXPECT_TRUE(usableAfter);
  EXPECT_EQ(printed, "");
}

// A key file that cannot be read (found first in the current folder): the chord row already shows
// the key's chords, the error box says what is wrong with the file, Play stays unusable, and the
// next key, whose file is sound, loads and plays.
TEST(AppKeySelection, AHostileKeyFileIsSaidInTheErrorBoxAndTheNextKeyPlays) {
  using midi_test::Bytes;
  const std::vector<Bytes> hostile = {
      {},
      {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0},
      midi_test::Concat({midi_test::Header(0, 1, 96), {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0, 0x90}}),
      midi_test::Concat({midi_test::Header(0, 1, 96), midi_test::Track({0, 0x3C, 0x40, 0, 0xFF, 0x2F, 0})}),
      midi_test::Concat(
          {midi_test::Header(0, 1, 0), midi_test::Track({0, 0x90, 0x3C, 0x40, 0, 0xFF, 0x2F, 0})}),
      midi_test::Concat(
          {midi_test::Header(0, 1, 96), midi_test::Track({0, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F})}),
      midi_test::TempoOverflowSong(),
  };
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tessivo-hostile-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    SCOPED_TRACE(i);
    midi_test::WriteFile((dir / "do maior.MID").string(), hostile[i]);
    bool usableAfterError = true;
    std::vector<std::string> rowAfterError;
    bool usableAfterNext = false;
    bool playsNext = false;
    auto result =
        RunProgram({}, {
                           [] {
                             headless::Click(kField.x, kField.y);
                             headless::PressKey(keys::kDown);  // "do maior.MID": the hostile file
                           },
                           [&] {
                             usableAfterError = PlayUsable();
                             rowAfterError = ChordRow();
                             headless::Click(kField.x, kField.y);
                             headless::PressKey(keys::kDown);  // "sol maior.MID", beside the program
                           },
                           [&] {
                             usableAfterNext = PlayUsable();
                             headless::Click(kPlay.x, kPlay.y);
                           },
                           [&] {
                             playsNext = Form1->MediaPlayer1->Mode() == TMPModes::mpPlaying;
                             apptest::RequestCloseOf(Form1->Handle());
                           },
                       });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(playsNext) << "the next key does not play";
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_NE(result.boxes[0].text.find("MIDI"), std::string::npos) << result.boxes[0].text;
    EXPECT_FALSE(usableAfterError);
    EXPECT_EQ(rowAfterError, kDo);
    EXPECT_TRUE(usableAfterNext);
  }
  std::filesystem::current_path(saved);
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// Choosing another key while one plays stops it (its device is closed) and loads the new key, ready
// to play.
TEST(AppKeySelection, ChoosingAKeyWhileOnePlaysStopsItAndLoadsTheNewOne) {
  MCIDEVICEID playing = 0;
  auto result = RunProgram({}, {
                                   [] {
                                     headless::Click(kField.x, kField.y);
                                     headless::PressKey(keys::kDown);
                                   },
                                   [] { headless::Click(kPlay.x, kPlay.y); },
                                   [&] {
                                     ASSERT_EQ(Form1->MediaPlayer1->Mode(), TMPModes::mpPlaying);
                                     playing = Form1->MediaPlayer1->DeviceId();
                                     headless::Click(kField.x, kField.y);
                                     headless::PressKey(keys::kDown);
                                   },
                                   [&] {
                                     EXPECT_NE(Form1->MediaPlayer1->DeviceId(), playing);
                                     EXPECT_EQ(Form1->MediaPlayer1->FileName(), "sol maior.MID");
                                     EXPECT_EQ(Form1->MediaPlayer1->Mode(), TMPModes::mpStopped);
                                     EXPECT_TRUE(PlayUsable());
                                     MCI_STATUS_PARMS status{};
                                     status.dwItem = MCI_STATUS_MODE;
                                     EXPECT_NE(mciSendCommand(playing, MCI_STATUS, MCI_STATUS_ITEM,
                                                              reinterpret_cast<DWORD_PTR>(&status)),
                                               0u)
                                         << "the playing device is closed";
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
}

}  // namespace

namespace {

// An error while the key list is open (a key file that cannot be read, chosen with the arrow keys
// in the open list): the list closes first, and while the error box is up Tab, typing and clicks
// on the main window do nothing to the controls behind it; answering the box gives the focus back
// to the key selector.
TEST(AppKeySelection, TheErrorBoxComesFirstAndTheOpenListClosesForIt) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tessivo-first-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  midi_test::WriteFile((dir / "do maior.MID").string(), {});
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::vector<headless::MessageBoxRecord> open;
  RunOptions options;
  options.boxHandler = [&](const headless::MessageBoxRecord& r) { open.push_back(r); };
  HWND field = nullptr;
  std::string fieldText;
  auto text = [] {
    char buffer[128] = {};
    GetWindowText(Form1->ComboBox1->Handle(), buffer, sizeof buffer);
    return std::string(buffer);
  };
  auto result = RunProgram(
      options, {
                   [&] {
                     headless::Click(kField.x, kField.y);
                     field =
                         GetWindow(Form1->ComboBox1->Handle(), GW_CHILD);  // the key selector's edit field
                     headless::PressKey(keys::kF4);
                     headless::PressKey(keys::kDown);  // "do maior.MID", unreadable
                   },
                   [&] {
                     ASSERT_EQ(open.size(), 1u);
                     EXPECT_EQ(SendMessage(Form1->ComboBox1->Handle(), CB_GETDROPPEDSTATE, 0, 0), 0)
                         << "the list is still open";
                     EXPECT_EQ(GetActiveWindow(), open[0].box);
                     fieldText = text();
                     headless::PressKey(keys::kTab);
                     headless::TypeText("x");
                     const POINT cell = apptest::GridCellPoint(1, 1);
                     headless::Click(cell.x, cell.y);
                   },
                   [&] {
                     EXPECT_EQ(text(), fieldText) << "typing reached the field behind the box";
                     EXPECT_EQ(text::Cp1252ToUtf8(Form1->StringGrid1->CellText(0, 0)), "Tônica")
                         << "the click reached the grid";
                     EXPECT_EQ(open.size(), 1u);
                     headless::KeyDown(keys::kReturn, "\r");
                     headless::KeyUp(keys::kReturn);
                   },
                   [&] {
                     EXPECT_FALSE(IsWindow(open[0].box));
                     EXPECT_EQ(GetFocus(), field) << "the focus is back in the key selector";
                     EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 0);
                     apptest::RequestCloseOf(Form1->Handle());
                   },
               });
  std::filesystem::current_path(saved);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

}  // namespace
