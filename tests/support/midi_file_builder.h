// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers to write Standard MIDI Files byte by byte in tests, so each test shows exactly the
// bytes it feeds the reader.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace midi_test {

using Bytes = std::vector<std::uint8_t>;

inline void AppendBe32(Bytes* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(v >> shift));
}

// "MThd", length 6, format, track count, division.
inline Bytes Header(int format, int tracks, int division) {
  Bytes out = {'M', 'T', 'h', 'd'};
  AppendBe32(&out, 6);
  for (int v : {format, tracks, division}) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

// "MTrk" with its true length around `events`.
inline Bytes Track(const Bytes& events) {
  Bytes out = {'M', 'T', 'r', 'k'};
  AppendBe32(&out, static_cast<std::uint32_t>(events.size()));
  out.insert(out.end(), events.begin(), events.end());
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A format-0 file that plays middle C (then E, G) for `beats` beats each at 120 bpm, 96 ticks
// per beat: `notes` notes, then the end of track.
inline Bytes SimpleSong(int notes, int beats) {
  Bytes events = {0x00, 0xC0, 0x00};
  const std::uint8_t pitches[] = {60, 64, 67, 72};
  const int ticks = 96 * beats;
  for (int i = 0; i < notes; ++i) {
    const std::uint8_t p = pitches[i % 4];
    events.insert(events.end(), {0x00, 0x90, p, 100});
    // ticks as a two-byte variable-length number
    events.insert(events.end(), {static_cast<std::uint8_t>(0x80 | (ticks >> 7)),
                                 static_cast<std::uint8_t>(ticks & 0x7F), 0x80, p, 0});
  }
  events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
  return Concat({Header(0, 1, 96), Track(events)});
}

// A hostile file: one tick per quarter note at the slowest tempo, then about 2,050 empty meta
// events each at the largest delta, then a note. Ticks × tempo passes 2^63: arithmetic that
// multiplies first wraps to a negative length (about 14 KB).
inline Bytes TempoOverflowSong() {
  Bytes events = {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF};
  constexpr int kMetaEvents = 2050;
  for (int i = 0; i < kMetaEvents; ++i) {
    events.insert(events.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
  }
  events.insert(events.end(), {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
  return Concat({Header(0, 1, 1), Track(events)});
}

}  // namespace midi_test
