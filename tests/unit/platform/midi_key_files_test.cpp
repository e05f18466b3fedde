// SPDX-License-Identifier: GPL-3.0-or-later
// The fifteen generated key files, read back with the program's own reader and compared with the
// key table's chord texts: the key's scale, then its eight grid chords in order.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/mci/midi_file.h"
#include "theory/degree_layout.h"
#include "theory/key_table.h"
#include "theory/note_table.h"

using namespace mci;

namespace {

struct Onset {
  std::int64_t timeUs;
  std::vector<int> pitches;  // rising
};

// Note-ons grouped by time; also checks that every note ends and all is played on piano.
std::vector<Onset> ReadOnsets(int keyIndex, midi::Song* songOut = nullptr) {
  const std::string path =
      std::string(TESSIVO_BINARY_DIR) + "/" + std::string(theory::MidiFileNameForKey(keyIndex));
  midi::Song song;
  EXPECT_EQ(midi::ReadSongFile(path, &song), midi::ReadError::kNone) << path;
  std::map<std::int64_t, std::vector<int>> byTime;
  std::map<int, int> sounding;
  bool piano = false;
  for (const auto& e : song.events) {
    EXPECT_EQ(e.status & 0x0F, 0) << "everything on the first channel";
    const int kind = e.status & 0xF0;
    if (kind == 0xC0) piano = e.data1 == 0 && byTime.empty();
    if (kind == 0x90 && e.data2 > 0) {
      byTime[e.timeUs].push_back(e.data1);
      ++sounding[e.data1];
    } else if (kind == 0x80 || kind == 0x90) {
      EXPECT_GT(sounding[e.data1]--, 0) << "a note ends that never began";
    }
  }
  for (const auto& [pitch, count] : sounding) EXPECT_EQ(count, 0) << "note " << pitch << " never ends";
  EXPECT_TRUE(piano) << "the piano is chosen before the first note";
  std::vector<Onset> onsets;
  for (auto& [time, pitches] : byTime) {
    std::sort(pitches.begin(), pitches.end());
    onsets.push_back({time, pitches});
  }
  if (songOut != nullptr) *songOut = song;
  return onsets;
}

// What the key table says a degree's chord is: its root's pitch class and its intervals.
struct ExpectedChord {
  int rootPitchClass;
  int third;
  int fifth;
};

ExpectedChord FromChordText(const std::string& text) {
  const auto blank = text.rfind(' ');
  const int root = theory::NoteIndexOfName(text.substr(0, blank));
  EXPECT_NE(root, 0) << text;
  const std::string quality = text.substr(blank + 1);
  if (quality == "Maior") return {theory::NotePitchClass(root), 4, 7};
  if (quality == "Menor") return {theory::NotePitchClass(root), 3, 7};
  EXPECT_EQ(quality, "Dim.") << text;
  return {theory::NotePitchClass(root), 3, 6};
}

}  // namespace

TEST(MidiKeyFiles, TheBuildWritesExactlyTheFilesOfTheKeyTable) {
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(TESSIVO_BINARY_DIR)) {
    if (entry.path().extension() == ".MID") written.insert(entry.path().filename().string());
  }
  std::set<std::string> expected;
  for (const auto& key : theory::KeyTable()) expected.insert(std::string(key.midiFileName));
  EXPECT_EQ(written, expected);
}

TEST(MidiKeyFiles, EachFileHoldsTheScaleAndTheEightChordsOfItsKey) {
  for (int k = 1; k <= theory::kKeyCount; ++k) {
    SCOPED_TRACE(std::string(theory::MidiFileNameForKey(k)));
    midi::Song song;
    const std::vector<Onset> onsets = ReadOnsets(k, &song);
    EXPECT_EQ(song.format, 1);
    ASSERT_EQ(onsets.size(), 16u);
    // The scale: eight single notes rising by a major scale's steps from the tonic.
    const int steps[] = {2, 2, 1, 2, 2, 2, 1};
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(onsets[i].pitches.size(), 1u) << "scale note " << i;
      const ExpectedChord degree = FromChordText(theory::ChordText(k, i));
      EXPECT_EQ(onsets[i].pitches[0] % 12, degree.rootPitchClass) << "scale note " << i;
      if (i > 0) {
        EXPECT_EQ(onsets[i].pitches[0] - onsets[i - 1].pitches[0], steps[i - 1]);
      }
    }
    // Moderate tempo: a scale note every 0.5 to 0.8 seconds (75 to 120 beats a minute).
    const std::int64_t beat = onsets[1].timeUs - onsets[0].timeUs;
    EXPECT_GE(beat, 500000);
    EXPECT_LE(beat, 800000);
    // The chords: I ii iii IV V vi vii° I, each a root-position triad over its root an octave down.
    for (int d = 0; d < theory::kDegreeCount; ++d) {
      const Onset& chord = onsets[8 + d];
      const std::string text = theory::ChordText(k, d);
      ASSERT_EQ(chord.pitches.size(), 4u) << text;
      const ExpectedChord expected = FromChordText(text);
      const int bass = chord.pitches[0];
      const int root = chord.pitches[1];
      EXPECT_EQ(root - bass, 12) << text;
      EXPECT_EQ(root % 12, expected.rootPitchClass) << text;
      EXPECT_EQ(chord.pitches[2] - root, expected.third) << text;
      EXPECT_EQ(chord.pitches[3] - root, expected.fifth) << text;
      EXPECT_EQ(root, onsets[d].pitches[0]) << "the chord is built on the scale's degree " << d;
      EXPECT_GT(chord.timeUs, onsets[7].timeUs);
    }
    EXPECT_GT(song.lengthUs, onsets.back().timeUs + beat) << "the last chord is held";
    EXPECT_LT(song.lengthUs, 30000000);
  }
}

TEST(MidiKeyFiles, EnharmonicKeysHoldTheSameNotesAndEveryOtherPairDiffers) {
  std::vector<std::vector<Onset>> files(theory::kKeyCount + 1);
  for (int k = 1; k <= theory::kKeyCount; ++k) files[k] = ReadOnsets(k);
  auto same = [&](int a, int b) {
    if (files[a].size() != files[b].size()) return false;
    for (std::size_t i = 0; i < files[a].size(); ++i) {
      if (files[a][i].timeUs != files[b][i].timeUs || files[a][i].pitches != files[b][i].pitches) {
        return false;
      }
    }
    return true;
  };
  // C flat / B, G flat / F sharp, D flat / C sharp: twelve key indexes apart on the circle.
  const std::set<std::pair<int, int>> enharmonic = {{1, 13}, {2, 14}, {3, 15}};
  for (int a = 1; a <= theory::kKeyCount; ++a) {
    for (int b = a + 1; b <= theory::kKeyCount; ++b) {
      EXPECT_EQ(same(a, b), enharmonic.count({a, b}) == 1)
          << theory::MidiFileNameForKey(a) << " and " << theory::MidiFileNameForKey(b);
    }
  }
}
