// SPDX-License-Identifier: GPL-3.0-or-later
// The sequencer's MIDI file reader on valid files (formats, running status, tempo map) and on
// malformed and hostile ones, which must each end in their own error, never a crash or a hang.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/mci/midi_file.h"
#include "support/midi_file_builder.h"

using namespace mci;

using midi::ReadError;

namespace mci::midi {
// Failures name the error, not its number.
void PrintTo(ReadError error, std::ostream* os) { *os << ReadErrorText(error); }
}  // namespace mci::midi
using midi_test::Bytes;
using midi_test::Concat;
using midi_test::Header;
using midi_test::Track;

namespace {

ReadError Parse(const Bytes& bytes, midi::Song* song = nullptr) {
  midi::Song local;
  return midi::ParseSong(bytes, song != nullptr ? song : &local);
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/tessivo-midi-XXXXXX";
    m_path = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
  }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

}  // namespace

TEST(MidiReaderValid, FormatZeroGivesEventsInMillisecondsAndLengthAtEndOfTrack) {
  // 96 ticks per quarter at the default 120 bpm: one tick is 5208.33 us.
  const Bytes file = Concat({Header(0, 1, 96), Track({0x00, 0xC0, 0x05,            //
                                                      0x00, 0x90, 0x3C, 0x64,      //
                                                      0x60, 0x80, 0x3C, 0x40,      // 96 ticks
                                                      0x60, 0xFF, 0x2F, 0x00})});  // 192
  midi::Song song;
  ASSERT_EQ(Parse(file, &song), ReadError::kNone);
  EXPECT_EQ(song.format, 0);
  EXPECT_EQ(song.trackCount, 1);
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_EQ(song.events[0].status, 0xC0);
  EXPECT_EQ(song.events[0].data1, 0x05);
  EXPECT_EQ(song.events[1].status, 0x90);
  EXPECT_EQ(song.events[1].timeUs, 0);
  EXPECT_EQ(song.events[2].status, 0x80);
  EXPECT_EQ(song.events[2].timeUs, 500000);
  EXPECT_EQ(song.lengthUs, 1000000);
}

TEST(MidiReaderValid, FormatOneMergesTracksInTimeOrderWithTheTempoOfTheFirstTrack) {
  const Bytes tempoTrack = Track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1 s per quarter
                                  0x00, 0xFF, 0x2F, 0x00});
  const Bytes a = Track({0x81, 0x00, 0x91, 0x40, 0x50,  // tick 128 on channel 1
                         0x00, 0xFF, 0x2F, 0x00});
  const Bytes b = Track({0x40, 0x92, 0x30, 0x50,        // tick 64 on channel 2
                         0x81, 0x00, 0x82, 0x30, 0x00,  // tick 192
                         0x00, 0xFF, 0x2F, 0x00});
  midi::Song song;
  ASSERT_EQ(Parse(Concat({Header(1, 3, 128), tempoTrack, a, b}), &song), ReadError::kNone);
  EXPECT_EQ(song.format, 1);
  EXPECT_EQ(song.trackCount, 3);
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_EQ(song.events[0].status, 0x92);
  EXPECT_EQ(song.events[0].timeUs, 500000);
  EXPECT_EQ(song.events[1].status, 0x91);
  EXPECT_EQ(song.events[1].timeUs, 1000000);
  EXPECT_EQ(song.events[2].status, 0x82);
  EXPECT_EQ(song.events[2].timeUs, 1500000);
  EXPECT_EQ(song.lengthUs, 1500000);
}

TEST(MidiReaderValid, RunningStatusRepeatsTheLastChannelStatusAcrossMessageKinds) {
  const Bytes file = Concat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x40,  //
                                                      0x00, 0x40, 0x40,        // running 0x90
                                                      0x00, 0xC3, 0x07,        //
                                                      0x00, 0x08,              // running 0xC3
                                                      0x10, 0x80, 0x3C, 0x00,  //
                                                      0x00, 0x40, 0x00,        // running 0x80
                                                      0x00, 0xFF, 0x2F, 0x00})});
  midi::Song song;
  ASSERT_EQ(Parse(file, &song), ReadError::kNone);
  ASSERT_EQ(song.events.size(), 6u);
  const std::uint8_t statuses[] = {0x90, 0x90, 0xC3, 0xC3, 0x80, 0x80};
  const std::uint8_t firstData[] = {0x3C, 0x40, 0x07, 0x08, 0x3C, 0x40};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(song.events[i].status, statuses[i]) << i;
    EXPECT_EQ(song.events[i].data1, firstData[i]) << i;
  }
}

TEST(MidiReaderValid, TempoChangeMidSongChangesTheLengthInMilliseconds) {
  // 480 ticks per quarter; 120 bpm until tick 960, then 240 bpm.
  const Bytes file = Concat({Header(0, 1, 480), Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 us
                                                       0x00, 0x90, 0x3C, 0x40, 0x87, 0x40, 0xFF,
                                                       0x51, 0x03, 0x03, 0xD0, 0x90,      // +960: 250000 us
                                                       0x87, 0x40, 0x80, 0x3C, 0x00,      // +960: tick 1920
                                                       0x83, 0x60, 0xFF, 0x2F, 0x00})});  // +480: tick 2400
  midi::Song song;
  ASSERT_EQ(Parse(file, &song), ReadError::kNone);
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_EQ(song.events[1].timeUs, 1500000);  // 1 s at 120 bpm + 0.5 s at 240 bpm
  EXPECT_EQ(song.lengthUs, 1750000);
}

TEST(MidiReaderValid, MetaAndSysExEventsAreSkippedAndCancelRunningStatus) {
  const Bytes file =
      Concat({Header(0, 1, 96), Track({0x00, 0xFF, 0x03, 0x04, 'N',  'a',  'm',  'e',   // track name
                                       0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,  // GM on, one packet
                                       0x00, 0xF0, 0x02, 0x43, 0x10, 0x00, 0xF7, 0x01,
                                       0xF7,                          // split SysEx, closed by F7 packet
                                       0x00, 0xF7, 0x02, 0xF8, 0xFA,  // escape packet
                                       0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00,  // empty text
                                       0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00})});
  midi::Song song;
  ASSERT_EQ(Parse(file, &song), ReadError::kNone);
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_EQ(song.events[0].status, 0x90);
  EXPECT_EQ(song.events[1].timeUs, 500000);

  // A data byte right after a meta event has no running status to use.
  const Bytes afterMeta = Concat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x40,  //
                                                           0x00, 0xFF, 0x01, 0x00,  //
                                                           0x00, 0x3E, 0x40})});
  EXPECT_EQ(Parse(afterMeta), ReadError::kNoRunningStatus);
}

TEST(MidiReaderValid, SmpteDivisionAndRmidWrapperAndMissingEndOfTrack) {
  // 25 frames of 40 ticks: 1000 ticks per second. No end-of-track event: the chunk ends the track.
  const std::uint16_t division = static_cast<std::uint16_t>((0x100 - 25) << 8 | 40);
  const Bytes smf = Concat({Header(0, 1, division), Track({0x00, 0x90, 0x3C, 0x40,  //
                                                           0x83, 0x74, 0x80, 0x3C, 0x00})});
  midi::Song song;
  ASSERT_EQ(Parse(smf, &song), ReadError::kNone);
  EXPECT_EQ(song.events[1].timeUs, 500000);
  EXPECT_EQ(song.lengthUs, 500000);

  Bytes rmid = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
  const auto n = static_cast<std::uint32_t>(smf.size());
  rmid.insert(rmid.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0});
  rmid.insert(rmid.end(), smf.begin(), smf.end());
  ASSERT_EQ(Parse(rmid, &song), ReadError::kNone);
  EXPECT_EQ(song.lengthUs, 500000);
}

// ---- Malformed and hostile files ------------------------------------------------------------

TEST(MidiReaderHostile, HeaderFaults) {
  EXPECT_EQ(Parse({}), ReadError::kEmpty);
  EXPECT_EQ(Parse({'M', 'T', 'h'}), ReadError::kTruncatedHeader);
  EXPECT_EQ(Parse({'M', 'T', 'h', 'd', 0, 0}), ReadError::kTruncatedHeader);
  EXPECT_EQ(Parse({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0}), ReadError::kTruncatedHeader);
  EXPECT_EQ(Parse({'R', 'I', 'F', 'F', 'x', 'x', 'x', 'x', 'W', 'A', 'V', 'E'}), ReadError::kNotMidi);
  EXPECT_EQ(Parse({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}), ReadError::kNotMidi);
  Bytes shortHeader = {'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 0, 0, 1, 0, 96};
  EXPECT_EQ(Parse(shortHeader), ReadError::kBadHeaderLength);
  Bytes hugeHeader = {'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1, 0, 96};
  EXPECT_EQ(Parse(hugeHeader), ReadError::kChunkPastEnd);
  const Bytes track = Track({0x00, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(Parse(Concat({Header(2, 1, 96), track})), ReadError::kUnsupportedFormat);
  EXPECT_EQ(Parse(Concat({Header(7, 1, 96), track})), ReadError::kUnsupportedFormat);
  EXPECT_EQ(Parse(Concat({Header(0, 0, 96), track})), ReadError::kNoTracks);
  EXPECT_EQ(Parse(Concat({Header(0, 1, 0), track})), ReadError::kBadDivision);
  EXPECT_EQ(Parse(Concat({Header(0, 1, 0xE600 | 10), track})), ReadError::kBadDivision);  // 26 fps
  EXPECT_EQ(Parse(Concat({Header(0, 1, 0xE700), track})), ReadError::kBadDivision);       // 0 per frame
}

TEST(MidiReaderHostile, RmidWrapperWithAnOddChunkAtTheEnd) {
  // Found by the fuzzer: a RIFF chunk of odd length whose padding byte would lie past the end.
  const Bytes file = {'R',  'I',  'F',  'F',  0xC8, 0x25, 0x00, 0x9D, 'R',  'M', 'I',
                      'D',  0x01, 0xFF, 0x00, 0x14, 0x13, 0x00, 0x00, 0x00, 'I', 'D',
                      0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 'M',  'k'};
  EXPECT_EQ(Parse(file), ReadError::kNotMidi);
  Bytes noData = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D',
                  'L', 'I', 'S', 'T', 3, 0, 0, 0, 1,   2,   3};
  EXPECT_EQ(Parse(noData), ReadError::kNotMidi);
}

TEST(MidiReaderHostile, ChunkLengthsThatLie) {
  Bytes pastEnd = Concat({Header(0, 1, 96),
                          {'M', 'T', 'r', 'k', 0, 0, 0x03, 0xE8},
                          {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
  EXPECT_EQ(Parse(pastEnd), ReadError::kChunkPastEnd);
  Bytes maxLength = Concat({Header(0, 1, 96), {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF}});
  EXPECT_EQ(Parse(maxLength), ReadError::kChunkPastEnd);
  Bytes halfChunkHeader = Concat({Header(0, 1, 96), {'M', 'T', 'r'}});
  EXPECT_EQ(Parse(halfChunkHeader), ReadError::kChunkPastEnd);
  const Bytes track = Track({0x00, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(Parse(Concat({Header(1, 3, 96), track, track})), ReadError::kMissingTracks);
  // An unknown chunk is skipped, but it does not count as a track.
  Bytes alien = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};
  EXPECT_EQ(Parse(Concat({Header(0, 1, 96), alien, track})), ReadError::kNone);
  EXPECT_EQ(Parse(Concat({Header(0, 1, 96), alien})), ReadError::kMissingTracks);
  // A track chunk shorter than the event inside it.
  EXPECT_EQ(Parse(Concat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C})})), ReadError::kTruncatedEvent);
  EXPECT_EQ(Parse(Concat({Header(0, 1, 96), Track({0x00, 0xFF, 0x03, 0x10, 'a'})})),
            ReadError::kTruncatedEvent);
  EXPECT_EQ(Parse(Concat({Header(0, 1, 96), Track({0x81})})), ReadError::kTruncatedEvent);
}

TEST(MidiReaderHostile, EventFaults) {
  auto file = [](const Bytes& events) { return Concat({Header(0, 1, 96), Track(events)}); };
  EXPECT_EQ(Parse(file({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})), ReadError::kVarLenTooLong);
  EXPECT_EQ(Parse(file({0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x01})), ReadError::kVarLenTooLong);
  EXPECT_EQ(Parse(file({0x00, 0x3C, 0x40})), ReadError::kNoRunningStatus);
  EXPECT_EQ(Parse(file({0x00, 0x90, 0x3C, 0x90})), ReadError::kBadDataByte);
  EXPECT_EQ(Parse(file({0x00, 0xF2, 0x00, 0x00})), ReadError::kBadStatusByte);
  EXPECT_EQ(Parse(file({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00})), ReadError::kBadTempo);
  EXPECT_EQ(Parse(file({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})), ReadError::kBadTempo);
  EXPECT_EQ(Parse(file({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0x00, 0x00, 0xFF, 0x2F, 0x00})),
            ReadError::kUnterminatedSysEx);
  EXPECT_EQ(Parse(file({0x00, 0xF0, 0x7F, 0x7E, 0x7F})), ReadError::kUnterminatedSysEx);
  EXPECT_EQ(Parse(file({0x00, 0xF0, 0x02, 0x7E, 0x7F})), ReadError::kUnterminatedSysEx);
}

TEST(MidiReaderHostile, HugeDeltaTimesEndInAnErrorNotInHoursOfSilence) {
  // 0x0FFFFFFF ticks at one tick per quarter note is centuries; so is a long chain of them.
  const Bytes one = Concat({Header(0, 1, 1), Track({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})});
  EXPECT_EQ(Parse(one), ReadError::kTooLong);
  Bytes chain;
  for (int i = 0; i < 5000; ++i) chain.insert(chain.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
  EXPECT_EQ(Parse(Concat({Header(0, 1, 0x7FFF), Track(chain)})), ReadError::kTooLong);
  // Ticks within the reader's tick bound, but at the slowest tempo ticks × tempo passes 2^63.
  EXPECT_EQ(Parse(midi_test::TempoOverflowSong()), ReadError::kTooLong);
  // Just under the cap is still a song: 3 hours 59 minutes at 96 ticks per second.
  const Bytes endOnly = Concat({Header(0, 1, 0xE800 | 4), Track({0xD4, 0x83, 0x00, 0xFF, 0x2F, 0x00})});
  midi::Song song;
  ASSERT_EQ(Parse(endOnly, &song), ReadError::kNone);
  EXPECT_GT(song.lengthUs, 3LL * 3600 * 1000000);
}

TEST(MidiReaderHostile, EveryTruncationAndEveryRandomCorruptionOfARealFileIsHandled) {
  const Bytes good = midi_test::SimpleSong(8, 1);
  for (std::size_t n = 0; n < good.size(); ++n) {
    const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(Parse(prefix), ReadError::kNone) << "prefix of " << n << " bytes";
  }
  std::mt19937 random(1234);
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    Bytes mutated = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      mutated[random() % mutated.size()] = static_cast<std::uint8_t>(random());
    }
    midi::Song song;
    if (Parse(mutated, &song) == ReadError::kNone) {
      ++accepted;
      EXPECT_LE(song.lengthUs, midi::kMaxLengthUs);
      for (std::size_t i = 1; i < song.events.size(); ++i) {
        ASSERT_LE(song.events[i - 1].timeUs, song.events[i].timeUs);
      }
    } else {
      EXPECT_TRUE(song.events.empty());
    }
  }
  EXPECT_GT(accepted, 0);  // some corruptions only change notes
}

TEST(MidiReaderFiles, FileSystemFaults) {
  TempDir dir;
  midi::Song song;
  EXPECT_EQ(midi::ReadSongFile(dir.File("missing.mid"), &song), ReadError::kFileNotFound);
  ::mkdir(dir.File("folder.mid").c_str(), 0755);
  EXPECT_EQ(midi::ReadSongFile(dir.File("folder.mid"), &song), ReadError::kNotRegularFile);
  // A pipe with no writer must not block the reader.
  ASSERT_EQ(::mkfifo(dir.File("pipe.mid").c_str(), 0644), 0);
  EXPECT_EQ(midi::ReadSongFile(dir.File("pipe.mid"), &song), ReadError::kNotRegularFile);
  // A regular file whose reading fails.
  EXPECT_EQ(midi::ReadSongFile("/proc/self/mem", &song), ReadError::kUnreadable);
  midi_test::WriteFile(dir.File("locked.mid"), midi_test::SimpleSong(1, 1));
  ::chmod(dir.File("locked.mid").c_str(), 0);
  if (::geteuid() != 0) {  // the superuser reads it anyway
    EXPECT_EQ(midi::ReadSongFile(dir.File("locked.mid"), &song), ReadError::kUnreadable);
  }
  midi_test::WriteFile(dir.File("empty.mid"), {});
  EXPECT_EQ(midi::ReadSongFile(dir.File("empty.mid"), &song), ReadError::kEmpty);
  // A file larger than any song: sparse, so the test costs no disk.
  {
    const int fd = ::open(dir.File("huge.mid").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1LL << 32), 0);
    ::close(fd);
  }
  EXPECT_EQ(midi::ReadSongFile(dir.File("huge.mid"), &song), ReadError::kTooLarge);
  midi_test::WriteFile(dir.File("ok.mid"), midi_test::SimpleSong(3, 2));
  ASSERT_EQ(midi::ReadSongFile(dir.File("ok.mid"), &song), ReadError::kNone);
  EXPECT_EQ(song.lengthUs, 3000000);
}

TEST(MidiReaderFiles, EveryErrorHasItsOwnEnglishSentence) {
  std::set<std::string> texts;
  for (int e = static_cast<int>(ReadError::kNone); e <= static_cast<int>(ReadError::kTooManyEvents); ++e) {
    const std::string text = midi::ReadErrorText(static_cast<ReadError>(e));
    EXPECT_GT(text.size(), 15u) << e;
    EXPECT_EQ(text.back(), '.') << e;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(ReadError::kTooManyEvents) + 1);
}
