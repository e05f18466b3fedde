// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program on a private X server, used as a student uses it: Play is greyed until a key
// is chosen; a key chosen from the open list with the mouse shows its chords and makes Play
// coloured; Play plays the key's file (written to a WAV file here, as a sound card would hear it),
// is greyed while it plays and coloured again at the end. What was heard is checked by its pitch
// classes against the key's scale, and by its length against the file's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "support/app_run.h"
#include "x11/program_on_xvfb.h"
#include "x11/sound_check.h"

#include <X11/keysym.h>

namespace {

using soundcheck::InScaleOnly;
using soundcheck::ReadWav;
using soundcheck::Recording;

constexpr POINT kComboButton{72 + 185 - 8, 16 + 10};
constexpr RECT kChordRow{8 + 2, 160 + 2 + 25, 8 + 2 + 961, 160 + 2 + 25 + 24};
constexpr int kSolMaiorItem = 1;
// G major: G A B C D E F#, as pitch classes (C = 0).
const std::vector<int> kSolMaiorScale = {7, 9, 11, 0, 2, 4, 6};

class ProgramPlay : public ProgramOnXvfb {
 protected:
  std::vector<std::uint32_t> Area(const RECT& r) {
    auto pixels = x11test::ReadPixels(Peek(), m_main, r.left, r.top, r.right - r.left, r.bottom - r.top);
    for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
  }
};

TEST_F(ProgramPlay, AChosenKeyShowsItsChordsAndPlaysItsScale) {
  // What the headless display shows and knows once the same key is chosen: the chord row's
  // pixels (the program's own font drawing the key's chords) and the file's length.
  std::vector<std::uint32_t> expectedRow;
  DWORD lengthMs = 0;
  auto reference = apptest::RunProgram(
      {}, {
              [] {
                headless::Click(188 + 100, 107 + 25);
                for (int i = 0; i <= kSolMaiorItem; ++i) headless::PressKey(headless::keys::kDown);
                headless::PressKey(headless::keys::kTab);  // on to Play, as the mouse choice leaves it
              },
              [&] {
                expectedRow = apptest::PresentedArea(Form1->Handle(), kChordRow);
                lengthMs = Form1->MediaPlayer1->Length();
                apptest::RequestCloseOf(Form1->Handle());
              },
          });
  ASSERT_EQ(reference.exitCode, 0);
  ASSERT_GT(lengthMs, 0u);

  const std::filesystem::path wav =
      std::filesystem::temp_directory_path() / ("tessivo-play-" + std::to_string(getpid()) + ".wav");
  Start(TESSIVO_BINARY_DIR "/tessivo", {"TESSIVO_AUDIO=wav:" + wav.string()});
  ASSERT_TRUE(WaitFor([&] { return !Area(kPlayButton).empty(); }));
  EXPECT_FALSE(PlayIsColoured()) << "Play is greyed before a key is chosen";

  ClickAt(OnRoot(kComboButton.x, kComboButton.y));
  ASSERT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "the button opened no list";
  const RECT list = *OpenList();
  ClickAt({list.left + 30, list.top + 1 + kSolMaiorItem * 13 + 6});
  PressKey(XK_Tab);
  EXPECT_TRUE(WaitFor([&] { return Area(kChordRow) == expectedRow; })) << "the chord row of Sol Maior";
  EXPECT_TRUE(WaitFor([&] { return PlayIsColoured(); })) << "Play is coloured once a key is loaded";

  ClickAt(OnRoot((kPlayButton.left + kPlayButton.right) / 2, (kPlayButton.top + kPlayButton.bottom) / 2));
  EXPECT_TRUE(WaitFor([&] { return !PlayIsColoured(); })) << "Play is greyed while it plays";
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(x11test::PumpUntil([&] { return PlayIsColoured(); }, [] { usleep(50000); },
                                 static_cast<int>(lengthMs) + kWaitMs))
      << "Play never came back";
  const double playedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GT(playedMs, lengthMs * 0.9) << "played faster than the file";

  const Recording heard = ReadWav(wav.string());
  ASSERT_GT(heard.rate, 0) << "no WAV written";
  EXPECT_NEAR(heard.mono.size() * 1000.0 / heard.rate, static_cast<double>(lengthMs), 50.0);
  EXPECT_TRUE(InScaleOnly(heard, kSolMaiorScale)) << "the recording is not in G major";
  std::filesystem::remove(wav);
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

}  // namespace

namespace {

// Closing the window while a key plays silences it and ends the program with code 0 and a
// readable recording of what was played so far. How soon it ends is measured by bench_audio.
TEST_F(ProgramPlay, ClosingWhilePlayingEndsAtOnce) {
  // The length of the key chosen below, as the program on the headless display knows it.
  DWORD lengthMs = 0;
  auto reference = apptest::RunProgram({}, {
                                               [] {
                                                 headless::PressKey(headless::keys::kTab);
                                                 headless::PressKey(headless::keys::kDown);
                                               },
                                               [&] {
                                                 lengthMs = Form1->MediaPlayer1->Length();
                                                 apptest::RequestCloseOf(Form1->Handle());
                                               },
                                           });
  ASSERT_EQ(reference.exitCode, 0);
  ASSERT_GT(lengthMs, 0u);

  const std::filesystem::path wav =
      std::filesystem::temp_directory_path() / ("tessivo-close-" + std::to_string(getpid()) + ".wav");
  Start(TESSIVO_BINARY_DIR "/tessivo", {"TESSIVO_AUDIO=wav:" + wav.string()});
  PressKey(XK_Tab);
  PressKey(XK_Down);
  ASSERT_TRUE(WaitFor([&] { return PlayIsColoured(); })) << "no key loaded";
  ClickAt(OnRoot(kPlayButton.left + 14, kPlayButton.top + 15));
  ASSERT_TRUE(WaitFor([&] { return !PlayIsColoured(); })) << "not playing";
  // A quarter of a second of 16-bit stereo sound after the WAV header.
  constexpr std::uintmax_t kQuarterSecondBytes = 44 + 44100 * 4 / 4;
  ASSERT_TRUE(WaitFor([&] {
    std::error_code error;
    return std::filesystem::file_size(wav, error) > kQuarterSecondBytes && !error;
  })) << "nothing recorded";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
  const Recording heard = ReadWav(wav.string());
  ASSERT_GT(heard.rate, 0);
  EXPECT_GT(heard.mono.size(), static_cast<std::size_t>(heard.rate / 4));
  EXPECT_LT(heard.mono.size() * 1000.0 / heard.rate, static_cast<double>(lengthMs))
      << "played on after the close";
  std::filesystem::remove(wav);
}

}  // namespace
