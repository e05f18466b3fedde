// The whole program on a private X server, used as a student uses it: Play is greyed until a key
// is chosen; a key chosen from the open list with the mouse shows its chords and makes Play
// coloured; Play plays the key's file (written to a WAV file here, as a sound card would hear it),
// is greyed while it plays and coloured again at the end. What was heard is checked by its pitch
// classes against the key's scale, and by its length against the file's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "support/app_run.h"
#include "x11/program_on_xvfb.h"

#include <X11/keysym.h>

namespace {

constexpr RECT kPlayButton{280, 8, 280 + 29, 8 + 30};
constexpr POINT kComboButton{72 + 185 - 8, 16 + 10};
constexpr RECT kChordRow{8 + 2, 160 + 2 + 25, 8 + 2 + 961, 160 + 2 + 25 + 24};
constexpr int kSolMaiorItem = 1;
// G major: G A B C D E F#, as pitch classes (C = 0).
const std::vector<int> kSolMaiorScale = {7, 9, 11, 0, 2, 4, 6};

// A glyph in colour, not in the greys of a disabled one.
bool HasColour(const std::vector<std::uint32_t>& pixels) {
  constexpr int kSaturation = 40;
  for (std::uint32_t p : pixels) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (std::abs(r - g) > kSaturation || std::abs(g - b) > kSaturation || std::abs(r - b) > kSaturation) {
      return true;
    }
  }
  return false;
}

struct Recording {
  int rate = 0;
  std::vector<float> mono;
};

// A 16-bit stereo PCM WAV file as its mono mix; empty when it is no such file.
Recording ReadWav(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Recording r;
  if (b.size() < 44) return r;
  auto le32 = [&](std::size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24; };
  r.rate = static_cast<int>(le32(24));
  const std::size_t bytes = std::min<std::size_t>(le32(40), b.size() - 44);
  for (std::size_t i = 44; i + 3 < 44 + bytes; i += 4) {
    const auto left = static_cast<std::int16_t>(b[i] | b[i + 1] << 8);
    const auto right = static_cast<std::int16_t>(b[i + 2] | b[i + 3] << 8);
    r.mono.push_back((left + right) / 65536.0f);
  }
  return r;
}

// The energy of each pitch class over the recording: Goertzel filters on every semitone from C2 to
// C7, in blocks, summed by pitch class.
std::vector<double> PitchClassEnergy(const Recording& r) {
  constexpr int kLowestNote = 36;
  constexpr int kHighestNote = 96;
  constexpr std::size_t kBlock = 8192;
  std::vector<double> energy(12, 0.0);
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / r.rate);
    for (std::size_t start = 0; start + kBlock <= r.mono.size(); start += kBlock) {
      double s1 = 0, s2 = 0;
      for (std::size_t i = start; i < start + kBlock; ++i) {
        const double s = r.mono[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
      }
      energy[static_cast<std::size_t>(note % 12)] += s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    }
  }
  return energy;
}

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
  auto reference = apptest::RunProgram({}, {
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
  EXPECT_FALSE(HasColour(Area(kPlayButton))) << "Play is greyed before a key is chosen";

  ClickAt(OnRoot(kComboButton.x, kComboButton.y));
  ASSERT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "the button opened no list";
  const RECT list = *OpenList();
  ClickAt({list.left + 30, list.top + 1 + kSolMaiorItem * 13 + 6});
  PressKey(XK_Tab);
  EXPECT_TRUE(WaitFor([&] { return Area(kChordRow) == expectedRow; })) << "the chord row of Sol Maior";
  EXPECT_TRUE(WaitFor([&] { return HasColour(Area(kPlayButton)); })) << "Play is coloured once a key is loaded";

  ClickAt(OnRoot((kPlayButton.left + kPlayButton.right) / 2, (kPlayButton.top + kPlayButton.bottom) / 2));
  EXPECT_TRUE(WaitFor([&] { return !HasColour(Area(kPlayButton)); })) << "Play is greyed while it plays";
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(x11test::PumpUntil([&] { return HasColour(Area(kPlayButton)); }, [] { usleep(50000); },
                                 static_cast<int>(lengthMs) + kWaitMs))
      << "Play never came back";
  const double playedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GT(playedMs, lengthMs * 0.9) << "played faster than the file";

  const Recording heard = ReadWav(wav.string());
  ASSERT_GT(heard.rate, 0) << "no WAV written";
  EXPECT_NEAR(heard.mono.size() * 1000.0 / heard.rate, static_cast<double>(lengthMs), 50.0);
  const std::vector<double> energy = PitchClassEnergy(heard);
  double weakestInScale = 1e300;
  double strongestOutside = 0;
  for (int pc = 0; pc < 12; ++pc) {
    const bool inScale = std::find(kSolMaiorScale.begin(), kSolMaiorScale.end(), pc) != kSolMaiorScale.end();
    (inScale ? weakestInScale : strongestOutside) =
        inScale ? std::min(weakestInScale, energy[static_cast<std::size_t>(pc)])
                : std::max(strongestOutside, energy[static_cast<std::size_t>(pc)]);
  }
  EXPECT_GT(weakestInScale, strongestOutside) << "the recording is not in G major";
  std::filesystem::remove(wav);
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

}  // namespace
