// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/audio_output.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <utility>

#include "base/translation.h"
#include "platform/mci/output_guard.h"

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

// The driver's period: the synthesizer renders this many frames per call, and PulseAudio's driver
// asks its server for a buffer of exactly one period. The library's default of 64 frames (1.5 ms)
// turns every wake-up of the output's threads that comes a millisecond late into a gap in the
// sound; on a busy desktop the key then crackles and stretches. 46 ms lets a late wake-up pass
// unheard, and the play's position runs ahead of what the student hears by no more than the
// device's buffer (a period on PulseAudio, the periods below on ALSA).
constexpr int kDriverPeriodFrames = 2048;
// How many periods ALSA's buffer holds (93 ms). When the driver asks for a period, the device may
// still hold that many besides the one just written: so the end is reported only once one more than
// that many periods of silence have followed the song's last one, and the device has played the
// last notes before Stop closes it.
constexpr int kDriverPeriods = 2;

// A driver and what it is made from, deleted by whichever thread lets go of it last: the output,
// the thread that opens it, or the one that closes it. The settings are the driver's own, so a
// driver whose opening was left behind never reads settings the program has deleted since.
struct DriverParts {
  DriverParts(const FluidApi* fluid, std::shared_ptr<RenderFeed> renderFeed)
      : api(fluid), settings(fluid->new_fluid_settings()), feed(std::move(renderFeed)) {}
  ~DriverParts() {
    // Deleting the driver joins its thread: no callback into the feed runs after this.
    if (driver != nullptr) api->delete_fluid_audio_driver(driver);
    if (settings != nullptr) api->delete_fluid_settings(settings);
  }
  DriverParts(const DriverParts&) = delete;
  DriverParts& operator=(const DriverParts&) = delete;

  const FluidApi* api;
  fluid_settings_t* settings;
  std::shared_ptr<RenderFeed> feed;
  std::mutex lock;  // the opener stores the driver while the output may be looking
  fluid_audio_driver_t* driver = nullptr;
  int blocksAfterEnd = 0;  // the driver's thread only
};

// The synthesizer's driver thread calls back for every period, in its own thread. A driver whose
// server is lost ends that thread, or blocks in its write for good, without telling anyone; the
// watchdog sees the callbacks stop and fails the play. Opening a driver connects to the server
// and deleting one joins its thread, and either can block for as long as a hung server does; so
// both run on a thread of their own, waited for within a bound, then left behind with the driver's
// parts and the feed. The feed is retired first, so a thread left behind can only ever render
// silence and never reaches the sequencer or the play; the library stays loaded for the whole run,
// so the code such a thread runs never goes away under it.
class DriverOutput final : public AudioOutput {
 public:
  DriverOutput(SynthEngine* engine, Sequencer* sequencer, OutputFinished finished)
      : m_engine(engine), m_feed(std::make_shared<RenderFeed>(sequencer, std::move(finished))) {}
  ~DriverOutput() override { Stop(); }

  enum class Opened { kYes, kNo, kNoAnswer };
  Opened Open(const std::string& driverName, std::chrono::milliseconds limit) {
    const FluidApi* api = &m_engine->Api();
    auto parts = std::make_shared<DriverParts>(api, m_feed);
    if (parts->settings == nullptr) return Opened::kNo;
    api->fluid_settings_setnum(parts->settings, "synth.sample-rate", SoundSink::kSampleRate);
    api->fluid_settings_setint(parts->settings, "audio.period-size", kDriverPeriodFrames);
    api->fluid_settings_setint(parts->settings, "audio.periods", kDriverPeriods);
    api->fluid_settings_setstr(parts->settings, "audio.driver", driverName.c_str());
    BoundedThread opener([parts]() {
      fluid_audio_driver_t* driver =
          parts->api->new_fluid_audio_driver2(parts->settings, &DriverOutput::Callback, parts.get());
      std::lock_guard<std::mutex> lock(parts->lock);
      parts->driver = driver;
    });
    const bool answered = opener.JoinWithin(limit);
    {
      std::lock_guard<std::mutex> lock(parts->lock);
      if (parts->driver == nullptr) return answered ? Opened::kNo : Opened::kNoAnswer;
    }
    m_parts = std::move(parts);
    m_watchdog = std::make_unique<StallWatchdog>(m_feed);
    return Opened::kYes;
  }

  void Stop() override {
    m_watchdog.reset();
    m_feed->Retire();
    if (m_parts == nullptr) return;
    BoundedThread release([parts = std::move(m_parts)]() mutable { parts.reset(); });
    release.JoinWithin(kOutputReleaseLimit);
  }

 private:
  static int Callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    (void)nfx;
    (void)fx;
    auto* parts = static_cast<DriverParts*>(data);
    if (nout < 2 || len <= 0) return FLUID_OK;
    if (parts->feed->Render(out[0], out[1], len).ended && ++parts->blocksAfterEnd > kDriverPeriods + 1) {
      parts->feed->Finish(OutputOutcome::kEnded);
    }
    return FLUID_OK;
  }

  SynthEngine* m_engine;
  std::shared_ptr<RenderFeed> m_feed;
  std::shared_ptr<DriverParts> m_parts;
  std::unique_ptr<StallWatchdog> m_watchdog;
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
  const auto deadline = std::chrono::steady_clock::now() + kOutputOpenLimit;
  for (const auto& name : names) {
    tried += (tried.empty() ? "" : ", ") + name;
    auto output = std::make_unique<DriverOutput>(engine, sequencer, finished);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const DriverOutput::Opened opened = output->Open(name, std::max(left, std::chrono::milliseconds(0)));
    if (opened == DriverOutput::Opened::kYes) return output;
    // The next driver would most likely reach the same server (ALSA's default device is often the
    // sound server's), and the student has waited long enough.
    if (opened == DriverOutput::Opened::kNoAnswer) {
      TakeFluidLogMessage();
      *error = base::TranslatedWith(
          "The sound output did not answer (tried %s); the sound server may have stopped.", {tried});
      return nullptr;
    }
  }
  const std::string why = TakeFluidLogMessage();
  *error = why.empty() ? base::TranslatedWith("No sound output could be opened (tried %s).", {tried})
                       : base::TranslatedWith("No sound output could be opened (tried %s): %s", {tried, why});
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
