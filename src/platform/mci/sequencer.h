// SPDX-License-Identifier: GPL-3.0-or-later
// The playing cursor over a song: dispatches its events to the synthesizer at the right sample and
// renders the sound between them.
//
// Start and the position setters run on the UI thread while no output is rendering; Render runs on
// the audio thread (or on the UI thread when rendering offline). The position is published through
// an atomic, so the UI thread can read it at any time.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/mci/midi_file.h"
#include "platform/mci/sound_sink.h"

namespace mci {

class Sequencer {
 public:
  Sequencer(SoundSink* engine, std::shared_ptr<const midi::Song> song);

  std::int64_t LengthUs() const { return m_song->lengthUs; }
  const midi::Song& Song() const { return *m_song; }
  int SampleRate() const { return SoundSink::kSampleRate; }

  // UI thread, no output running. Silences the synthesizer, sets the controllers and instruments
  // that the song has set by `fromUs` (so a play from the middle sounds as it would have), and
  // places the cursor; rendering ends at `toUs`.
  void Start(std::int64_t fromUs, std::int64_t toUs);
  // UI thread, no output running: moves the cursor without sound (seek, stop).
  void SetPositionUs(std::int64_t us);
  std::int64_t PositionUs() const { return m_positionUs.load(std::memory_order_acquire); }

  struct Rendered {
    int frames = 0;      // frames written (up to the end of the range)
    bool ended = false;  // the cursor has reached the end of the range
  };
  // Writes up to `frames` frames; the caller fills what is left after an end with silence.
  Rendered Render(float* left, float* right, int frames);

 private:
  std::int64_t FrameOf(std::int64_t us) const;
  std::int64_t UsOf(std::int64_t frame) const;

  SoundSink* m_engine;
  std::shared_ptr<const midi::Song> m_song;
  // Owned by whoever renders while an output runs; set by Start.
  std::size_t m_next = 0;
  std::int64_t m_frame = 0;
  std::int64_t m_endFrame = 0;
  std::int64_t m_endUs = 0;
  std::atomic<std::int64_t> m_positionUs{0};
};

}  // namespace mci
