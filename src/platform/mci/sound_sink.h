// SPDX-License-Identifier: GPL-3.0-or-later
// What the sequencer plays into: the synthesizer in the program, something that only counts in the
// fuzzer, which runs the sequencer's position arithmetic over every song the reader accepts.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "platform/mci/midi_file.h"

namespace mci {

class SoundSink {
 public:
  static constexpr int kSampleRate = 44100;

  virtual ~SoundSink() = default;
  // Sends one channel message.
  virtual void Send(const midi::Event& event) = 0;
  // Ends every sounding voice at once and resets the channels to their start-up state.
  virtual void SilenceAndReset() = 0;
  // Renders `frames` stereo frames at kSampleRate, overwriting the buffers.
  virtual void Render(float* left, float* right, int frames) = 0;
};

}  // namespace mci
