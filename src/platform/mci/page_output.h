// SPDX-License-Identifier: GPL-3.0-or-later
// The browser build's sound: the synthesizer lives in the page (FluidSynth compiled to WebAssembly,
// run in an AudioWorklet by page/audio.js and page/tessivo_worklet.js), not in the program.
//
// The program's own reader and sequencer still decide what sounds when: at play, the sequencer runs
// through the range into a PageSynth, which notes each channel message with the frame it falls on
// instead of rendering; the page output hands that list to the page, whose worklet applies each
// message at its frame while it renders, against the audio device's own clock. So a page in a
// background tab, whose timers the browser slows to one a second, still plays in time and still
// ends: the worklet tells the page when the range has been heard, and the page calls back into the
// program (tessivo_page_output_ended), which reports the end as a desktop output does.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mci/audio_output.h"
#include "platform/mci/sequencer.h"
#include "platform/mci/sound_sink.h"

namespace mci {

// Whether the page the program runs in offers a synthesizer (page/audio.js). A WebAssembly test
// under node has none: its multimedia service then loads FluidSynth as a desktop does, and
// reports it missing.
bool PageHasSynth();

// What the sequencer plays into in the page: each channel message noted at the frame it falls on.
class PageSynth final : public SoundSink {
 public:
  struct Noted {
    std::int64_t frame = 0;  // at SoundSink::kSampleRate, from the start of the play
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
  };

  // Asks the page to load its synthesizer and soundfont, which it does once, in the background.
  PageSynth();

  void Send(const midi::Event& event) override;
  // Starts a new list with the messages that silence every voice and reset every channel: the
  // state a play starts from. (The sound of a stopped play is cut by its output.)
  void SilenceAndReset() override;
  // Only moves the frame the next messages fall on; the buffers are not touched: nothing is heard
  // from the program itself.
  void Render(float* left, float* right, int frames) override;

  std::int64_t Frame() const { return m_frame; }
  // The list since the last reset; the frames count again from 0.
  std::vector<Noted> Take();

 private:
  std::vector<Noted> m_noted;
  std::int64_t m_frame = 0;
};

// Runs `sequencer` (started, no other output running) through its range into `synth` and has the
// page play the list. nullptr with *error when the page cannot play at all.
std::unique_ptr<AudioOutput> StartPageOutput(PageSynth* synth, Sequencer* sequencer, OutputFinished finished,
                                             std::string* error);

}  // namespace mci
