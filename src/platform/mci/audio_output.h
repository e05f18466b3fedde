// SPDX-License-Identifier: GPL-3.0-or-later
// Where a playing sequencer's sound goes: the sound card through a FluidSynth driver, a WAV file
// written in real time, or (tests on the headless backend) a buffer filled as the virtual clock
// advances.
//
// An output renders through the Sequencer on its own thread (the offline one on the UI thread)
// from the moment it is started until Stop or the end of the range. At the end, or when the output
// fails (an error, or no sound asked for within a bound: see output_guard.h), it calls its
// `finished` function once, from the rendering thread or a watchdog's; that function may only post
// a message.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/mci/sequencer.h"
#include "platform/mci/synth_engine.h"
#include "platform/virtual_clock.h"

namespace mci {

enum class OutputOutcome { kEnded, kFailed };
using OutputFinished = std::function<void(OutputOutcome)>;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // When Stop returns nothing renders any more and `finished` will not be called. Idempotent, and
  // bounded: a thread stuck in a write is left behind rather than waited for.
  virtual void Stop() = 0;
  // For a play that waits for its end: renders the rest at once if this output renders on the
  // caller's thread (offline); real-time outputs do nothing and the caller waits for the end.
  virtual void RunToEnd() {}
};

// What TESSIVO_AUDIO asks for.
struct AudioChoice {
  enum class Kind { kAuto, kDriver, kWav, kNone };
  Kind kind = Kind::kAuto;
  std::string value;  // the driver name or the WAV path
};
// nullptr, "" and "auto" are kAuto; "none" is kNone; "wav:PATH" is kWav (an empty path is kNone's
// error path: see the service); anything else is a driver name.
AudioChoice ParseAudioChoice(const char* setting);

// Opens a FluidSynth audio driver whose callback renders the sequencer. `driverName` empty: the
// library's default driver, then pulseaudio, then alsa. nullptr with *error on failure.
std::unique_ptr<AudioOutput> StartDriverOutput(SynthEngine* engine, const std::string& driverName,
                                               Sequencer* sequencer, OutputFinished finished,
                                               std::string* error);

// Writes the sequencer's sound to a 16-bit stereo WAV file at the pace of the wall clock, from a
// thread of its own; the file is complete (its header sizes filled in) before `finished` is called
// and after Stop. A write error or a removed file ends the output with kFailed, the file cut back to
// the samples its header describes.
std::unique_ptr<AudioOutput> StartWavOutput(const std::string& path, Sequencer* sequencer,
                                            OutputFinished finished, std::string* error);

// Renders on the UI thread as a virtual clock advances, appending interleaved stereo
// frames to `capture`; never faster than the clock, so a test sees exactly the sound of the time
// it let pass.
class OfflineOutput final : public AudioOutput, private ClockListener {
 public:
  OfflineOutput(VirtualClock* clock, Sequencer* sequencer, OutputFinished finished,
                std::shared_ptr<std::vector<float>> capture);
  ~OfflineOutput() override;
  void Stop() override;
  // Renders everything left at once (a play that waits for its end).
  void RunToEnd() override;

 private:
  void ClockAdvanced(std::uint64_t nowMs) override;
  void RenderFrames(std::int64_t frames);

  VirtualClock* m_clock;
  Sequencer* m_sequencer;
  OutputFinished m_finished;
  std::shared_ptr<std::vector<float>> m_capture;
  std::uint64_t m_startMs = 0;
  std::int64_t m_framesDone = 0;
  bool m_listening = false;
  bool m_ended = false;
};

}  // namespace mci
