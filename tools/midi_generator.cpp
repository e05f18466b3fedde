// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fifteen key files ("do maior.MID" ... "dobem maior.MID") into the directory given as
// the only argument, from the program's own key and degree tables.
//
// Each file is a Standard MIDI File of format 1 (a tempo track and a piano track, written with
// running status) that plays the key's major scale upwards in quarter notes, rests one beat, then
// the eight chords of the grid row in order (I ii iii IV V vi vii° I) as block triads with the root
// doubled an octave below in the bass: half notes, the last one a whole note.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/midi_bytes.h"
#include "theory/degree_layout.h"
#include "theory/key_table.h"
#include "theory/note_table.h"

namespace {

namespace bytes = base::midi;

constexpr int kTicksPerQuarter = 480;
constexpr std::uint32_t kMicrosecondsPerQuarter = 625000;  // 96 beats per minute
constexpr int kScaleVelocity = 84;
constexpr int kChordVelocity = 76;

class TrackWriter {
 public:
  void VarLen(std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    groups[n++] = value & bytes::kDataBits;
    while ((value >>= 7) != 0) groups[n++] = bytes::kVarLenMore | (value & bytes::kDataBits);
    while (n > 0) m_bytes.push_back(groups[--n]);
  }
  void Delta(std::uint32_t tick) {
    VarLen(tick - m_tick);
    m_tick = tick;
  }
  // A channel message, with running status when the status repeats.
  void Channel(std::uint32_t tick, std::uint8_t status, std::uint8_t d1, std::uint8_t d2,
               bool twoData = true) {
    Delta(tick);
    if (status != m_runningStatus) m_bytes.push_back(status);
    m_runningStatus = status;
    m_bytes.push_back(d1);
    if (twoData) m_bytes.push_back(d2);
  }
  void Meta(std::uint32_t tick, std::uint8_t type, const std::vector<std::uint8_t>& data) {
    Delta(tick);
    m_bytes.push_back(bytes::kMeta);
    m_bytes.push_back(type);
    VarLen(static_cast<std::uint32_t>(data.size()));
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    m_runningStatus = 0;
  }
  void Text(std::uint32_t tick, std::uint8_t type, const std::string& text) {
    Meta(tick, type, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::uint32_t m_tick = 0;
  std::uint8_t m_runningStatus = 0;
};

void PutBe32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutBe16(std::vector<std::uint8_t>* out, std::uint16_t v) {
  out->push_back(static_cast<std::uint8_t>(v >> 8));
  out->push_back(static_cast<std::uint8_t>(v));
}
void PutChunk(std::vector<std::uint8_t>* out, const char* type, const std::vector<std::uint8_t>& body) {
  out->insert(out->end(), type, type + 4);
  PutBe32(out, static_cast<std::uint32_t>(body.size()));
  out->insert(out->end(), body.begin(), body.end());
}

struct Note {
  std::uint32_t on, off;
  int pitch, velocity;
};

std::vector<std::uint8_t> KeyFile(int keyIndex) {
  // The tonic in the octave around middle C (F# below it up to F above), so no key lies far from
  // the others and enharmonic keys (C flat and B, ...) get the very same notes.
  const int pitchClass = theory::NotePitchClass(keyIndex + 1);
  const int tonic = pitchClass <= 5 ? 60 + pitchClass : 48 + pitchClass;

  // The scale over two octaves from the grid's columns, which are the degrees' semitone steps.
  std::vector<int> scale;
  for (int octave = 0; octave < 3; ++octave) {
    for (const auto& cell : theory::DegreeLayout()) {
      if (cell.column < 12) scale.push_back(tonic + 12 * octave + cell.column);
    }
  }

  std::vector<Note> notes;
  std::uint32_t tick = 0;
  for (int i = 0; i <= 7; ++i) {
    notes.push_back({tick, tick + kTicksPerQuarter - 24, scale[i], kScaleVelocity});
    tick += kTicksPerQuarter;
  }
  tick += kTicksPerQuarter;  // a beat of rest between the scale and the chords
  for (int degree = 0; degree < theory::kDegreeCount; ++degree) {
    const int step = degree;  // grid order is scale order: I ii iii IV V vi vii° I(8ve)
    const bool last = degree == theory::kDegreeCount - 1;
    const std::uint32_t length = last ? 4 * kTicksPerQuarter : 2 * kTicksPerQuarter;
    const int root = scale[step];
    for (int pitch : {root - 12, root, scale[step + 2], scale[step + 4]}) {
      notes.push_back({tick, tick + length - 60, pitch, kChordVelocity});
    }
    tick += length;
  }
  const std::uint32_t endTick = tick + kTicksPerQuarter;  // room for the last chord's release

  // Events in time order; at equal times note-offs come first.
  struct Message {
    std::uint32_t tick;
    bool on;
    int pitch, velocity;
  };
  std::vector<Message> messages;
  for (const auto& n : notes) {
    messages.push_back({n.on, true, n.pitch, n.velocity});
    messages.push_back({n.off, false, n.pitch, 0});
  }
  std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) {
    return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
  });

  TrackWriter tempo;
  tempo.Text(0, bytes::kMetaTrackName, "Tessivo");
  tempo.Meta(0, bytes::kMetaTimeSignature, {4, 2, 24, 8});  // 4/4
  tempo.Meta(0, bytes::kMetaTempo,
             {static_cast<std::uint8_t>(kMicrosecondsPerQuarter >> 16),
              static_cast<std::uint8_t>(kMicrosecondsPerQuarter >> 8),
              static_cast<std::uint8_t>(kMicrosecondsPerQuarter)});
  tempo.Meta(endTick, bytes::kMetaEndOfTrack, {});

  TrackWriter piano;
  piano.Text(0, bytes::kMetaTrackName, "Piano");
  piano.Channel(0, bytes::kProgramChange, 0, 0, false);  // Acoustic Grand Piano
  piano.Channel(0, bytes::kControlChange, bytes::kControllerVolume, bytes::kDefaultVolume);
  // Note-offs are written as note-ons of velocity 0, so the whole track runs on one status.
  for (const auto& m : messages) piano.Channel(m.tick, bytes::kNoteOn, m.pitch, m.velocity);
  piano.Meta(endTick, bytes::kMetaEndOfTrack, {});

  std::vector<std::uint8_t> file;
  std::vector<std::uint8_t> header;
  PutBe16(&header, 1);
  PutBe16(&header, 2);
  PutBe16(&header, kTicksPerQuarter);
  PutChunk(&file, "MThd", header);
  PutChunk(&file, "MTrk", tempo.Bytes());
  PutChunk(&file, "MTrk", piano.Bytes());
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: midi_generator OUTPUT_DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (const auto& key : theory::KeyTable()) {
    const std::string path = dir + "/" + std::string(key.midiFileName);
    const std::vector<std::uint8_t> bytes = KeyFile(key.keyIndex);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
      std::fprintf(stderr, "midi_generator: cannot write %s\n", path.c_str());
      return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
      std::fprintf(stderr, "midi_generator: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
