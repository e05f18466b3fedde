// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/synth_engine.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/midi_bytes.h"
#include "base/translation.h"

namespace mci {

std::vector<std::string> DefaultSoundfontCandidates() {
  return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
          "/usr/share/sounds/sf2/TimGM6mb.sf2"};
}

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A SoundFont 2 file is a RIFF file of form "sfbk". Checked before the synthesizer sees the file:
// its loaders complain about other files on stderr, past its log functions.
bool LooksLikeSoundfont(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  unsigned char head[12] = {};
  const bool complete = std::fread(head, 1, sizeof head, f) == sizeof head;
  std::fclose(f);
  return complete && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

}  // namespace

std::string FindSoundfont(const char* explicitPath, const std::vector<std::string>& candidates) {
  if (explicitPath != nullptr && *explicitPath != '\0') return explicitPath;
  for (const auto& candidate : candidates) {
    if (IsRegularFile(candidate)) return candidate;
  }
  return {};
}

std::unique_ptr<SynthEngine> SynthEngine::Create(SynthError* error, std::string* detail) {
  *error = SynthError::kNone;
  detail->clear();
  std::string loadError;
  const FluidApi* api = LoadFluidApi(&loadError);
  if (api == nullptr) {
    *error = SynthError::kLibraryMissing;
    *detail = loadError;
    return nullptr;
  }
  const char* explicitPath = std::getenv("TESSIVO_SOUNDFONT");
  const std::string path = FindSoundfont(explicitPath, DefaultSoundfontCandidates());
  if (path.empty()) {
    *error = SynthError::kSoundfontMissing;
    *detail = base::Translated(
        "No General MIDI soundfont was found (looked for /usr/share/sounds/sf2/default-GM.sf2, "
        "FluidR3_GM.sf2 and TimGM6mb.sf2); install fluid-soundfont-gm or set TESSIVO_SOUNDFONT.");
    return nullptr;
  }
  if (!IsRegularFile(path)) {
    // Say what is really there: a directory or a device is not a missing file.
    struct stat st{};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    *error = exists ? SynthError::kSoundfontInvalid : SynthError::kSoundfontMissing;
    *detail =
        !exists ? base::TranslatedWith("The soundfont %s named by TESSIVO_SOUNDFONT does not exist.", {path})
        : S_ISDIR(st.st_mode)
            ? base::TranslatedWith(
                  "TESSIVO_SOUNDFONT names the directory %s; it must name a SoundFont 2 file.", {path})
            : base::TranslatedWith("TESSIVO_SOUNDFONT names %s, which is not a regular file.", {path});
    return nullptr;
  }

  if (!LooksLikeSoundfont(path)) {
    *error = SynthError::kSoundfontInvalid;
    *detail = base::TranslatedWith(
        "The file %s is not a SoundFont 2 file, so it cannot be used as the soundfont.", {path});
    return nullptr;
  }

  std::unique_ptr<SynthEngine> engine(new SynthEngine);
  engine->m_api = api;
  engine->m_settings = api->new_fluid_settings();
  if (engine->m_settings == nullptr) {
    *error = SynthError::kSynthFailed;
    *detail = base::Translated("The synthesizer's settings could not be created.");
    return nullptr;
  }
  api->fluid_settings_setnum(engine->m_settings, "synth.sample-rate", kSampleRate);
  api->fluid_settings_setnum(engine->m_settings, "synth.gain", kGain);
  api->fluid_settings_setint(engine->m_settings, "synth.dynamic-sample-loading", 1);
  engine->m_synth = api->new_fluid_synth(engine->m_settings);
  if (engine->m_synth == nullptr) {
    *error = SynthError::kSynthFailed;
    *detail = base::TranslatedWith("The synthesizer could not be created: %s", {TakeFluidLogMessage()});
    return nullptr;
  }
  if (api->fluid_synth_sfload(engine->m_synth, path.c_str(), 1) == FLUID_FAILED) {
    *error = SynthError::kSoundfontInvalid;
    const std::string why = TakeFluidLogMessage();
    *detail = why.empty() ? base::TranslatedWith("The soundfont %s could not be loaded.", {path})
                          : base::TranslatedWith("The soundfont %s could not be loaded: %s", {path, why});
    return nullptr;
  }
  engine->m_soundfontPath = path;
  return engine;
}

SynthEngine::~SynthEngine() {
  if (m_synth != nullptr) m_api->delete_fluid_synth(m_synth);
  if (m_settings != nullptr) m_api->delete_fluid_settings(m_settings);
}

void SynthEngine::Send(const midi::Event& event) {
  namespace bytes = base::midi;
  const int channel = event.status & bytes::kChannelMask;
  switch (event.status & bytes::kKindMask) {
    case bytes::kNoteOff:
      m_api->fluid_synth_noteoff(m_synth, channel, event.data1);
      break;
    case bytes::kNoteOn:
      // A note-on of velocity 0 is a note-off; the synthesizer treats it so too.
      m_api->fluid_synth_noteon(m_synth, channel, event.data1, event.data2);
      break;
    case bytes::kKeyPressure:
      m_api->fluid_synth_key_pressure(m_synth, channel, event.data1, event.data2);
      break;
    case bytes::kControlChange:
      m_api->fluid_synth_cc(m_synth, channel, event.data1, event.data2);
      break;
    case bytes::kProgramChange:
      m_api->fluid_synth_program_change(m_synth, channel, event.data1);
      break;
    case bytes::kChannelPressure:
      m_api->fluid_synth_channel_pressure(m_synth, channel, event.data1);
      break;
    case bytes::kPitchBend:
      m_api->fluid_synth_pitch_bend(m_synth, channel, event.data1 | (event.data2 << 7));
      break;
    default:
      break;
  }
}

void SynthEngine::SilenceAndReset() {
  m_api->fluid_synth_all_sounds_off(m_synth, -1);
  namespace bytes = base::midi;
  for (int channel = 0; channel < bytes::kChannelCount; ++channel) {
    m_api->fluid_synth_cc(m_synth, channel, bytes::kControllerResetAll, 0);
    m_api->fluid_synth_cc(m_synth, channel, bytes::kControllerBank, 0);
    m_api->fluid_synth_cc(m_synth, channel, bytes::kControllerVolume, bytes::kDefaultVolume);
    m_api->fluid_synth_cc(m_synth, channel, bytes::kControllerPan, 64);  // centre
    m_api->fluid_synth_pitch_bend(m_synth, channel, 8192);
    m_api->fluid_synth_program_change(m_synth, channel, 0);
  }
}

void SynthEngine::Render(float* left, float* right, int frames) {
  if (frames <= 0) return;
  m_api->fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1);
}

}  // namespace mci
