// SPDX-License-Identifier: GPL-3.0-or-later
// Error codes of the sequencer beyond the interface's standard ones, and the texts of all codes
// the service returns.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>

#include "platform/mci.h"
#include "platform/mci/midi_file.h"
#include "platform/mci/synth_engine.h"

namespace mci {

// A malformed MIDI file: the reader's error, one code each.
inline constexpr MCIERROR kMciErrMidiBase = MCIERR_CUSTOM_DRIVER_BASE;
inline constexpr MCIERROR kMciErrSoundfontMissing = MCIERR_CUSTOM_DRIVER_BASE + 64;
inline constexpr MCIERROR kMciErrSoundfontInvalid = MCIERR_CUSTOM_DRIVER_BASE + 65;
inline constexpr MCIERROR kMciErrSynthLibrary = MCIERR_CUSTOM_DRIVER_BASE + 66;
inline constexpr MCIERROR kMciErrSynthFailed = MCIERR_CUSTOM_DRIVER_BASE + 67;
inline constexpr MCIERROR kMciErrAudioNone = MCIERR_CUSTOM_DRIVER_BASE + 68;
inline constexpr MCIERROR kMciErrAudioOutput = MCIERR_CUSTOM_DRIVER_BASE + 69;
inline constexpr MCIERROR kMciErrWavFile = MCIERR_CUSTOM_DRIVER_BASE + 70;
inline constexpr MCIERROR kMciErrTooManyDevices = MCIERR_CUSTOM_DRIVER_BASE + 71;
// A command while no platform runs: the service is the run's (InitPlatform was not called).
inline constexpr MCIERROR kMciErrNoPlatform = MCIERR_CUSTOM_DRIVER_BASE + 72;

MCIERROR MciErrorForRead(midi::ReadError error);
MCIERROR MciErrorForSynth(SynthError error);

// Remembers the particular text of a code's latest occurrence (naming the file or the driver), so
// mciGetErrorString can say more than the code's general text.
void SetMciErrorDetail(MCIERROR code, const std::string& text);

}  // namespace mci
