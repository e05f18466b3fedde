// SPDX-License-Identifier: GPL-3.0-or-later
// The synthesizer library, loaded on demand.
//
// Linking the library would load it (and its sixty-odd dependencies: sound servers, SDL, glib ...)
// at every program start, before the student has chosen a key. So the program links nothing of it:
// the first MCI_OPEN loads it with dlopen and takes the few functions the sequencer calls. The
// library's own headers still give the types, so every call is checked by the compiler.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <fluidsynth.h>

#include <string>

namespace mci {

// clang-format off
#define TESSIVO_FLUID_FUNCTIONS(X) \
  X(fluid_set_log_function) \
  X(new_fluid_settings) \
  X(delete_fluid_settings) \
  X(fluid_settings_setint) \
  X(fluid_settings_setnum) \
  X(fluid_settings_setstr) \
  X(fluid_settings_getnum) \
  X(fluid_settings_getint) \
  X(new_fluid_synth) \
  X(delete_fluid_synth) \
  X(fluid_synth_sfload) \
  X(fluid_synth_noteon) \
  X(fluid_synth_noteoff) \
  X(fluid_synth_cc) \
  X(fluid_synth_program_change) \
  X(fluid_synth_pitch_bend) \
  X(fluid_synth_channel_pressure) \
  X(fluid_synth_key_pressure) \
  X(fluid_synth_all_sounds_off) \
  X(fluid_synth_system_reset) \
  X(fluid_synth_write_float) \
  X(fluid_synth_set_gain) \
  X(new_fluid_audio_driver2) \
  X(delete_fluid_audio_driver) \
  X(fluid_settings_getstr_default)
// clang-format on

struct FluidApi {
#define TESSIVO_FLUID_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  TESSIVO_FLUID_FUNCTIONS(TESSIVO_FLUID_POINTER)
#undef TESSIVO_FLUID_POINTER
};

// Loads the library once and silences its logging (its messages are kept for error texts instead
// of being printed on stderr). Returns nullptr, with a reason in *error, when it cannot be loaded.
// Called on the UI thread.
const FluidApi* LoadFluidApi(std::string* error);

// The latest error or warning the library logged (else its latest note; empty if none), then
// forgets it. Thread-safe.
std::string TakeFluidLogMessage();

}  // namespace mci
