// SPDX-License-Identifier: GPL-3.0-or-later
// The Standard MIDI File reader of the sequencer.
//
// Reads formats 0 and 1 (and the same data wrapped in a RIFF "RMID" file) into one list of channel
// events on a timeline in microseconds, with the tempo map applied. Meta events other than tempo
// and end of track, and SysEx packets, are skipped. The reader trusts nothing in the file: every
// length is checked against the bytes that are really there, counts claimed by the file never size
// an allocation, and the song's length is capped, so a malformed or hostile file ends in one of the
// ReadError codes below, never in a crash, a hang or a huge allocation.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mci::midi {

enum class ReadError {
  kNone = 0,
  kFileNotFound,
  kNotRegularFile,  // a directory, a device, a pipe
  kUnreadable,      // the file exists but cannot be read
  kTooLarge,
  kEmpty,
  kNotMidi,  // no "MThd" (and no RMID wrapper)
  kTruncatedHeader,
  kBadHeaderLength,
  kUnsupportedFormat,  // format 2, or an unknown format number
  kNoTracks,
  kBadDivision,      // zero ticks per quarter note or an unknown frame rate
  kChunkPastEnd,     // a chunk length points past the end of the file
  kMissingTracks,    // fewer track chunks than the header announces
  kVarLenTooLong,    // a variable-length number of more than four bytes
  kTruncatedEvent,   // an event runs past the end of its track
  kNoRunningStatus,  // a data byte where a status byte is needed
  kBadDataByte,      // a status byte where a data byte is needed
  kBadStatusByte,    // a system common or real-time byte inside a track
  kBadTempo,         // a tempo event of the wrong size, or a tempo of 0
  kUnterminatedSysEx,
  kTooLong,  // the song lasts longer than the sequencer plays (huge delta times)
  kTooManyEvents,
};

// The English text of an error, one sentence.
const char* ReadErrorText(ReadError error);

// A channel voice message at its time on the timeline.
struct Event {
  std::int64_t timeUs = 0;
  std::uint8_t status = 0;  // 0x80..0xEF
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;  // 0 for program change and channel pressure
};

struct Song {
  int format = 0;
  int trackCount = 0;
  std::vector<Event> events;  // in time order; equal times keep file order (track by track)
  std::int64_t lengthUs = 0;  // the latest end of track
};

// Limits that keep a hostile file harmless. Real files are far below them.
inline constexpr std::size_t kMaxFileBytes = 8u << 20;
inline constexpr std::size_t kMaxEvents = 1u << 20;
inline constexpr std::int64_t kMaxLengthUs = 4LL * 3600 * 1000 * 1000;  // four hours

ReadError ParseSong(std::span<const std::uint8_t> bytes, Song* song);
// Reads `path` (a file system path, UTF-8) and parses it. Opening never blocks: a pipe or a
// device in place of the file is kNotRegularFile.
ReadError ReadSongFile(const std::string& path, Song* song);

}  // namespace mci::midi
