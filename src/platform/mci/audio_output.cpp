// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/audio_output.h"

#include <algorithm>
#include <cstring>

namespace mci {

AudioChoice ParseAudioChoice(const char* setting) {
  AudioChoice choice;
  if (setting == nullptr || *setting == '\0' || std::strcmp(setting, "auto") == 0) return choice;
  if (std::strcmp(setting, "none") == 0) {
    choice.kind = AudioChoice::Kind::kNone;
  } else if (std::strncmp(setting, "wav:", 4) == 0) {
    choice.kind = AudioChoice::Kind::kWav;
    choice.value = setting + 4;
  } else {
    choice.kind = AudioChoice::Kind::kDriver;
    choice.value = setting;
  }
  return choice;
}

// ---- Sound card ------------------------------------------------------------------------------
namespace {

class DriverOutput final : public AudioOutput {
 public:
  DriverOutput(SynthEngine* engine, Sequencer* sequencer, OutputFinished finished)
      : m_engine(engine), m_sequencer(sequencer), m_finished(std::move(finished)) {}
  ~DriverOutput() override { Stop(); }

  bool Open(const std::string& driverName) {
    const FluidApi& api = m_engine->Api();
    api.fluid_settings_setstr(m_engine->Settings(), "audio.driver", driverName.c_str());
    m_driver = api.new_fluid_audio_driver2(m_engine->Settings(), &DriverOutput::Callback, this);
    return m_driver != nullptr;
  }

  void Stop() override {
    // Deleting the driver joins its thread: no callback runs after this.
    if (m_driver != nullptr) {
      m_engine->Api().delete_fluid_audio_driver(m_driver);
      m_driver = nullptr;
    }
  }

 private:
  static int Callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    (void)nfx;
    (void)fx;
    auto* self = static_cast<DriverOutput*>(data);
    if (nout < 2 || len <= 0) return FLUID_OK;
    const Sequencer::Rendered r = self->m_sequencer->Render(out[0], out[1], len);
    if (r.frames < len) {
      std::fill(out[0] + r.frames, out[0] + len, 0.0f);
      std::fill(out[1] + r.frames, out[1] + len, 0.0f);
    }
    if (r.ended && !self->m_finishedCalled.exchange(true)) self->m_finished(OutputOutcome::kEnded);
    return FLUID_OK;
  }

  SynthEngine* m_engine;
  Sequencer* m_sequencer;
  OutputFinished m_finished;
  fluid_audio_driver_t* m_driver = nullptr;
  std::atomic<bool> m_finishedCalled{false};
};

}  // namespace

std::unique_ptr<AudioOutput> StartDriverOutput(SynthEngine* engine, const std::string& driverName,
                                               Sequencer* sequencer, OutputFinished finished,
                                               std::string* error) {
  std::vector<std::string> names;
  if (!driverName.empty()) {
    names.push_back(driverName);
  } else {
    char* byDefault = nullptr;
    if (engine->Api().fluid_settings_getstr_default(engine->Settings(), "audio.driver", &byDefault) ==
            FLUID_OK &&
        byDefault != nullptr && *byDefault != '\0') {
      names.emplace_back(byDefault);
    }
    for (const char* fallback : {"pulseaudio", "alsa"}) {
      if (std::find(names.begin(), names.end(), fallback) == names.end()) names.emplace_back(fallback);
    }
  }
  TakeFluidLogMessage();
  std::string tried;
  for (const auto& name : names) {
    auto output = std::make_unique<DriverOutput>(engine, sequencer, finished);
    if (output->Open(name)) return output;
    tried += (tried.empty() ? "" : ", ") + name;
  }
  const std::string why = TakeFluidLogMessage();
  *error = "No sound output could be opened (tried " + tried + ")" + (why.empty() ? "." : ": " + why);
  return nullptr;
}

// ---- Offline, on the virtual clock -------------------------------------------------------------
OfflineOutput::OfflineOutput(VirtualClock* clock, Sequencer* sequencer, OutputFinished finished,
                             std::shared_ptr<std::vector<float>> capture)
    : m_clock(clock), m_sequencer(sequencer), m_finished(std::move(finished)), m_capture(std::move(capture)) {
  m_startMs = m_clock->NowMs();
  m_clock->AddClockListener(this);
  m_listening = true;
}

OfflineOutput::~OfflineOutput() { Stop(); }

void OfflineOutput::Stop() {
  if (m_listening) {
    m_clock->RemoveClockListener(this);
    m_listening = false;
  }
  m_ended = true;
}

void OfflineOutput::ClockAdvanced(std::uint64_t nowMs) {
  if (m_ended || nowMs <= m_startMs) return;
  const std::int64_t target =
      static_cast<std::int64_t>((nowMs - m_startMs) * m_sequencer->SampleRate() / 1000);
  RenderFrames(target - m_framesDone);
}

void OfflineOutput::RunToEnd() {
  while (!m_ended) RenderFrames(m_sequencer->SampleRate());
}

void OfflineOutput::RenderFrames(std::int64_t frames) {
  constexpr int kBlock = 4096;
  float left[kBlock];
  float right[kBlock];
  while (frames > 0 && !m_ended) {
    const int n = static_cast<int>(std::min<std::int64_t>(frames, kBlock));
    const Sequencer::Rendered r = m_sequencer->Render(left, right, n);
    for (int i = 0; i < r.frames; ++i) {
      m_capture->push_back(left[i]);
      m_capture->push_back(right[i]);
    }
    m_framesDone += r.frames;
    frames -= n;
    if (r.ended) {
      // The listener stays registered until the device stops it: removing it here would change
      // the backend's list while it is walking it.
      m_ended = true;
      m_finished(OutputOutcome::kEnded);
    }
  }
}

}  // namespace mci
