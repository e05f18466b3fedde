// SPDX-License-Identifier: GPL-3.0-or-later
// The one synthesizer of the sequencer: FluidSynth's settings, synth and General MIDI soundfont.
//
// Created at the first open of a MIDI device and kept for the run, so the soundfont (large: the
// FluidR3 set is 140 MB) is read once; dynamic sample loading keeps only the samples of the
// instruments in use in memory. Every device renders through it, one at a time.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mci/fluid_api.h"
#include "platform/mci/midi_file.h"
#include "platform/mci/sound_sink.h"

namespace mci {

enum class SynthError {
  kNone,
  kLibraryMissing,    // libfluidsynth cannot be loaded
  kSoundfontMissing,  // no soundfont file where one was looked for
  kSoundfontInvalid,  // a file was found but the synthesizer refused it
  kSynthFailed,       // the synthesizer itself could not be made
};

// Where the soundfont is looked for when TESSIVO_SOUNDFONT is not set, in order.
std::vector<std::string> DefaultSoundfontCandidates();

// The soundfont to load: `explicitPath` if given (even when missing: a wrong setting is reported,
// not silently replaced), else the first existing candidate. Empty when there is none.
std::string FindSoundfont(const char* explicitPath, const std::vector<std::string>& candidates);

class SynthEngine final : public SoundSink {
 public:
  // Output level, measured on the program's key files (block triads on piano): peaks of about
  // 0.51 of full scale with FluidR3_GM and 0.32 with TimGM6mb (the library's default gain of 0.2
  // gives 0.07 and 0.04: barely audible). Clearly audible, far from clipping.
  static constexpr float kGain = 1.4f;

  // Loads the library and the soundfont (TESSIVO_SOUNDFONT or the candidates). On failure returns
  // nullptr and sets *error and *detail (an English sentence naming the file or the reason).
  static std::unique_ptr<SynthEngine> Create(SynthError* error, std::string* detail);
  ~SynthEngine() override;
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  const FluidApi& Api() const { return *m_api; }
  fluid_settings_t* Settings() const { return m_settings; }
  const std::string& SoundfontPath() const { return m_soundfontPath; }

  // Sends one channel message to the synthesizer.
  void Send(const midi::Event& event) override;
  // Ends every sounding voice at once (no release tail) and resets the channels to their start-up
  // controllers and instrument, so a new play starts from a known state.
  void SilenceAndReset() override;
  // Renders `frames` stereo frames (effects included), overwriting the buffers.
  void Render(float* left, float* right, int frames) override;

 private:
  SynthEngine() = default;

  const FluidApi* m_api = nullptr;
  fluid_settings_t* m_settings = nullptr;
  fluid_synth_t* m_synth = nullptr;
  std::string m_soundfontPath;
};

}  // namespace mci
