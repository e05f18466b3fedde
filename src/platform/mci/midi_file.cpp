// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/midi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/midi_bytes.h"
#include "base/translation.h"

namespace mci::midi {

namespace bytes = base::midi;

const char* ReadErrorText(ReadError error) {
  switch (error) {
    case ReadError::kNone:
      return base::Translated("The MIDI file was read without error.");
    case ReadError::kFileNotFound:
      return base::Translated("The MIDI file does not exist.");
    case ReadError::kNotRegularFile:
      return base::Translated("The name given as a MIDI file is a directory or a device, not a file.");
    case ReadError::kUnreadable:
      return base::Translated("The MIDI file exists but cannot be read.");
    case ReadError::kTooLarge:
      return base::Translated("The MIDI file is too large to be a song this program plays.");
    case ReadError::kEmpty:
      return base::Translated("The MIDI file is empty.");
    case ReadError::kNotMidi:
      return base::Translated("The file is not a MIDI file: it does not begin with a MIDI header.");
    case ReadError::kTruncatedHeader:
      return base::Translated("The MIDI file ends inside its header.");
    case ReadError::kBadHeaderLength:
      return base::Translated("The MIDI file's header has a wrong length.");
    case ReadError::kUnsupportedFormat:
      return base::Translated(
          "The MIDI file has a format other than 0 or 1, which the sequencer cannot play.");
    case ReadError::kNoTracks:
      return base::Translated("The MIDI file has no tracks.");
    case ReadError::kBadDivision:
      return base::Translated("The MIDI file's time division is zero or unknown.");
    case ReadError::kChunkPastEnd:
      return base::Translated("A chunk length in the MIDI file points past the end of the file.");
    case ReadError::kMissingTracks:
      return base::Translated("The MIDI file holds fewer tracks than its header announces.");
    case ReadError::kVarLenTooLong:
      return base::Translated("The MIDI file holds a variable-length number longer than four bytes.");
    case ReadError::kTruncatedEvent:
      return base::Translated("An event in the MIDI file runs past the end of its track.");
    case ReadError::kNoRunningStatus:
      return base::Translated("The MIDI file holds data bytes with no status byte before them.");
    case ReadError::kBadDataByte:
      return base::Translated("A MIDI event in the file is missing one of its data bytes.");
    case ReadError::kBadStatusByte:
      return base::Translated("A track of the MIDI file holds a status byte that has no place in a file.");
    case ReadError::kBadTempo:
      return base::Translated("The MIDI file holds a tempo of zero or a malformed tempo event.");
    case ReadError::kUnterminatedSysEx:
      return base::Translated("A system exclusive message in the MIDI file is not terminated.");
    case ReadError::kTooLong:
      return base::Translated("The MIDI file's times add up to more than four hours.");
    case ReadError::kTooManyEvents:
      return base::Translated("The MIDI file holds too many events.");
  }
  return base::Translated("The MIDI file cannot be read.");
}

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Le32(const std::uint8_t* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

// A channel event before the tempo map is applied.
struct TickEvent {
  std::uint64_t tick;
  std::uint32_t order;  // file order, for a stable merge of equal ticks
  std::uint8_t status, data1, data2;
};

// Any time past the length limit is as good as another: the file is refused.
constexpr std::int64_t kBeyondLimit = kMaxLengthUs + 1;

// ticks × numerator / denominator in microseconds, saturating at kBeyondLimit. Ticks reach 2^40 and
// a tempo 2^24, so the plain product would pass 2^63 and wrap negative; the whole quotients are
// checked against the limit before they are multiplied, and the remainders stay small.
std::int64_t ScaleSaturated(std::uint64_t ticks, std::uint64_t numerator, std::uint64_t denominator) {
  const std::uint64_t limit = static_cast<std::uint64_t>(kBeyondLimit);
  const std::uint64_t whole = ticks / denominator;
  const std::uint64_t rest = ticks % denominator;
  if (numerator != 0 && whole > limit / numerator) return kBeyondLimit;
  const std::uint64_t us = whole * numerator + rest * numerator / denominator;
  return static_cast<std::int64_t>(std::min(us, limit));
}

struct TempoChange {
  std::uint64_t tick;
  std::uint32_t order;
  std::uint32_t usPerQuarter;
};

// Ticks can run ahead of the length cap only so far before the cap is hit; this bound keeps the
// sums below overflow whatever the tempo.
constexpr std::uint64_t kMaxTicks = std::uint64_t{1} << 40;

class TrackReader {
 public:
  TrackReader(std::span<const std::uint8_t> data, std::vector<TickEvent>* events,
              std::vector<TempoChange>* tempos, std::uint32_t* order)
      : m_data(data), m_events(events), m_tempos(tempos), m_order(order) {}

  ReadError Read(std::uint64_t* endTick) {
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    bool sysExOpen = false;
    while (m_pos < m_data.size()) {
      std::uint32_t delta = 0;
      if (ReadError e = ReadVarLen(&delta); e != ReadError::kNone) return e;
      tick += delta;
      if (tick > kMaxTicks) return ReadError::kTooLong;
      if (m_pos >= m_data.size()) return ReadError::kTruncatedEvent;
      std::uint8_t status = m_data[m_pos];
      if (status < bytes::kStatusBit) {
        if (runningStatus == 0) return ReadError::kNoRunningStatus;
        status = runningStatus;
      } else {
        ++m_pos;
      }
      if (status < bytes::kFirstSystem) {
        runningStatus = status;
        const std::uint8_t kind = status & bytes::kKindMask;
        const int dataBytes = (kind == bytes::kProgramChange || kind == bytes::kChannelPressure) ? 1 : 2;
        if (m_data.size() - m_pos < static_cast<std::size_t>(dataBytes)) {
          return ReadError::kTruncatedEvent;
        }
        std::uint8_t d1 = m_data[m_pos];
        std::uint8_t d2 = dataBytes == 2 ? m_data[m_pos + 1] : 0;
        if (d1 >= bytes::kStatusBit || d2 >= bytes::kStatusBit) return ReadError::kBadDataByte;
        m_pos += dataBytes;
        if (m_events->size() >= kMaxEvents) return ReadError::kTooManyEvents;
        m_events->push_back({tick, (*m_order)++, status, d1, d2});
        continue;
      }
      // Meta and SysEx events cancel running status.
      runningStatus = 0;
      if (status == bytes::kMeta) {
        if (m_pos >= m_data.size()) return ReadError::kTruncatedEvent;
        const std::uint8_t type = m_data[m_pos++];
        std::uint32_t length = 0;
        if (ReadError e = ReadVarLen(&length); e != ReadError::kNone) return e;
        if (m_data.size() - m_pos < length) return ReadError::kTruncatedEvent;
        const std::uint8_t* body = m_data.data() + m_pos;
        m_pos += length;
        if (type == bytes::kMetaTempo) {
          if (length != 3) return ReadError::kBadTempo;
          const std::uint32_t us = (std::uint32_t{body[0]} << 16) | (body[1] << 8) | body[2];
          if (us == 0) return ReadError::kBadTempo;
          m_tempos->push_back({tick, (*m_order)++, us});
        } else if (type == bytes::kMetaEndOfTrack) {
          if (sysExOpen) return ReadError::kUnterminatedSysEx;
          *endTick = tick;
          return ReadError::kNone;  // bytes after the end of track are ignored
        }
      } else if (status == bytes::kSysEx || status == bytes::kSysExEnd) {
        std::uint32_t length = 0;
        if (ReadError e = ReadVarLen(&length); e != ReadError::kNone) return e;
        if (m_data.size() - m_pos < length) return ReadError::kUnterminatedSysEx;
        // A SysEx message may be split into an F0 packet and F7 continuation packets; it is
        // complete when a packet ends with F7. A lone F7 packet (an escape) needs no terminator.
        const bool endsWithF7 = length > 0 && m_data[m_pos + length - 1] == bytes::kSysExEnd;
        if (status == bytes::kSysEx) {
          sysExOpen = !endsWithF7;
        } else if (sysExOpen && endsWithF7) {
          sysExOpen = false;
        }
        m_pos += length;
      } else {
        return ReadError::kBadStatusByte;
      }
    }
    // No end-of-track event: the track ends with its chunk.
    if (sysExOpen) return ReadError::kUnterminatedSysEx;
    *endTick = tick;
    return ReadError::kNone;
  }

 private:
  ReadError ReadVarLen(std::uint32_t* value) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      if (m_pos >= m_data.size()) return ReadError::kTruncatedEvent;
      const std::uint8_t b = m_data[m_pos++];
      v = (v << 7) | (b & bytes::kDataBits);
      if ((b & bytes::kVarLenMore) == 0) {
        *value = v;
        return ReadError::kNone;
      }
    }
    return ReadError::kVarLenTooLong;
  }

  std::span<const std::uint8_t> m_data;
  std::size_t m_pos = 0;
  std::vector<TickEvent>* m_events;
  std::vector<TempoChange>* m_tempos;
  std::uint32_t* m_order;
};

// Unwraps a RIFF "RMID" file to the Standard MIDI File in its "data" chunk.
bool UnwrapRmid(std::span<const std::uint8_t>* bytes) {
  auto b = *bytes;
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "RMID", 4) != 0) {
    return false;
  }
  std::size_t pos = 12;
  while (b.size() - pos >= 8) {
    const std::uint32_t length = Le32(b.data() + pos + 4);
    if (std::memcmp(b.data() + pos, "data", 4) == 0) {
      const std::size_t available = b.size() - pos - 8;
      *bytes = b.subspan(pos + 8, std::min<std::size_t>(length, available));
      return true;
    }
    // Chunks are padded to an even length; the padding byte may be missing at the very end.
    if (b.size() - pos - 8 < std::size_t{length} + (length & 1)) break;
    pos += 8 + std::size_t{length} + (length & 1);
  }
  *bytes = {};
  return true;
}

}  // namespace

namespace {

ReadError ParseSongUnchecked(std::span<const std::uint8_t> bytes, Song* song) {
  if (bytes.empty()) return ReadError::kEmpty;
  if (bytes.size() > kMaxFileBytes) return ReadError::kTooLarge;
  if (UnwrapRmid(&bytes) && bytes.empty()) return ReadError::kNotMidi;
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
    return bytes.size() < 4 && std::memcmp(bytes.data(), "MThd", bytes.size()) == 0
               ? ReadError::kTruncatedHeader
               : ReadError::kNotMidi;
  }
  if (bytes.size() < 8) return ReadError::kTruncatedHeader;
  const std::uint32_t headerLength = Be32(bytes.data() + 4);
  if (headerLength < 6) return ReadError::kBadHeaderLength;
  if (bytes.size() - 8 < 6) return ReadError::kTruncatedHeader;
  if (bytes.size() - 8 < headerLength) return ReadError::kChunkPastEnd;
  const int format = Be16(bytes.data() + 8);
  const int trackCount = Be16(bytes.data() + 10);
  const std::uint16_t division = Be16(bytes.data() + 12);
  if (format > 1) return ReadError::kUnsupportedFormat;
  if (trackCount == 0) return ReadError::kNoTracks;

  // Microseconds per tick: from the tempo for metrical time, fixed for SMPTE time.
  bool smpte = (division & 0x8000) != 0;
  std::uint32_t ticksPerQuarter = 0;
  std::uint64_t smpteTicksPerSecond = 0;
  if (smpte) {
    const int fps = -static_cast<std::int8_t>(division >> 8);
    const int ticksPerFrame = division & 0xFF;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticksPerFrame == 0) {
      return ReadError::kBadDivision;
    }
    smpteTicksPerSecond = static_cast<std::uint64_t>(fps) * ticksPerFrame;
  } else {
    ticksPerQuarter = division;
    if (ticksPerQuarter == 0) return ReadError::kBadDivision;
  }

  std::vector<TickEvent> events;
  std::vector<TempoChange> tempos;
  std::uint32_t order = 0;
  std::uint64_t endTick = 0;
  int tracksRead = 0;
  std::size_t pos = 8 + headerLength;
  while (tracksRead < trackCount) {
    if (pos == bytes.size()) return ReadError::kMissingTracks;
    if (bytes.size() - pos < 8) return ReadError::kChunkPastEnd;
    const std::uint32_t length = Be32(bytes.data() + pos + 4);
    if (bytes.size() - pos - 8 < length) return ReadError::kChunkPastEnd;
    const auto body = bytes.subspan(pos + 8, length);
    const bool isTrack = std::memcmp(bytes.data() + pos, "MTrk", 4) == 0;
    pos += 8 + static_cast<std::size_t>(length);
    if (!isTrack) continue;  // unknown chunks are skipped, as the file format asks
    TrackReader reader(body, &events, &tempos, &order);
    std::uint64_t trackEnd = 0;
    if (ReadError e = reader.Read(&trackEnd); e != ReadError::kNone) return e;
    endTick = std::max(endTick, trackEnd);
    ++tracksRead;
  }

  // Apply the tempo map: walk events and tempo changes together in tick order.
  auto byTick = [](const auto& a, const auto& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  };
  std::sort(events.begin(), events.end(), byTick);
  std::sort(tempos.begin(), tempos.end(), byTick);
  std::uint64_t segmentTick = 0;        // tick at which the current tempo began
  std::int64_t segmentUs = 0;           // its time, never beyond kBeyondLimit
  std::uint64_t usPerQuarter = 500000;  // the file format's default tempo
  std::size_t nextTempo = 0;
  auto timeOf = [&](std::uint64_t tick) -> std::int64_t {
    if (smpte) return ScaleSaturated(tick, 1000000, smpteTicksPerSecond);
    while (nextTempo < tempos.size() && tempos[nextTempo].tick <= tick) {
      const auto& t = tempos[nextTempo++];
      segmentUs += ScaleSaturated(t.tick - segmentTick, usPerQuarter, ticksPerQuarter);
      segmentTick = t.tick;
      usPerQuarter = t.usPerQuarter;
      if (segmentUs > kMaxLengthUs) return kBeyondLimit;
    }
    return std::min(segmentUs + ScaleSaturated(tick - segmentTick, usPerQuarter, ticksPerQuarter),
                    kBeyondLimit);
  };
  song->events.reserve(events.size());
  for (const auto& e : events) {
    const std::int64_t us = timeOf(e.tick);
    if (us > kMaxLengthUs) return ReadError::kTooLong;
    song->events.push_back({us, e.status, e.data1, e.data2});
  }
  song->lengthUs = timeOf(endTick);
  if (song->lengthUs > kMaxLengthUs) return ReadError::kTooLong;
  song->format = format;
  song->trackCount = trackCount;
  return ReadError::kNone;
}

}  // namespace

ReadError ParseSong(std::span<const std::uint8_t> bytes, Song* song) {
  *song = Song{};
  const ReadError error = ParseSongUnchecked(bytes, song);
  if (error != ReadError::kNone) *song = Song{};
  return error;
}

ReadError ReadSongFile(const std::string& path, Song* song) {
  *song = Song{};
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) return ReadError::kFileNotFound;
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return ReadError::kNotRegularFile;
    return ReadError::kUnreadable;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st{};
  if (::fstat(fd, &st) != 0) return ReadError::kUnreadable;
  if (!S_ISREG(st.st_mode)) return ReadError::kNotRegularFile;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) return ReadError::kTooLarge;
  // Read what is there, whatever the size said (files can change under us); never past the cap.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (bytes.size() > kMaxFileBytes) return ReadError::kTooLarge;
      bytes.resize(std::min(bytes.size() * 2, kMaxFileBytes + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadError::kUnreadable;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return ParseSong(bytes, song);
}

}  // namespace mci::midi
