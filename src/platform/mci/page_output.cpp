// SPDX-License-Identifier: GPL-3.0-or-later
// Built only for the browser (src/CMakeLists.txt): the page's side is page/audio.js.
#include "platform/mci/page_output.h"

#include <emscripten.h>

#include <utility>

#include "base/midi_bytes.h"
#include "platform/mci/synth_engine.h"

// The page's synthesizer, reached through Module.tessivoAudio (page/audio.js).
// clang-format off
EM_JS(int, tessivo_js_audio_offered, (), { return Module.tessivoAudio ? 1 : 0; });
EM_JS(void, tessivo_js_audio_prepare, (double gain), { Module.tessivoAudio.prepare(gain); });
// `words` holds two 32-bit words a message: its frame, then status | data1 << 8 | data2 << 16.
EM_JS(int, tessivo_js_audio_play, (int token, const std::int32_t* words, int count, double endFrame, int rate), {
  return Module.tessivoAudio.play(token, HEAP32.slice(words >> 2, (words >> 2) + count * 2), endFrame, rate) ? 1 : 0;
});
EM_JS(void, tessivo_js_audio_stop, (int token), { Module.tessivoAudio.stop(token); });
// Why the page cannot play, written into `buffer` (UTF-8, cut to `size`).
EM_JS(void, tessivo_js_audio_problem, (char* buffer, int size), {
  stringToUTF8(Module.tessivoAudio.problem(), buffer, size);
});
// clang-format on

namespace mci {
namespace {

namespace bytes = base::midi;
constexpr std::uint8_t kControllerAllSoundOff = 120;
constexpr int kPitchBendCentre = 8192;

class PageOutput;
// The output whose play the page is playing (the synthesizer has one set of voices, so one at a
// time), and the number the page's report names it by: a report of a play since stopped names
// another number and is dropped.
PageOutput* g_playing = nullptr;
int g_lastToken = 0;

class PageOutput final : public AudioOutput {
 public:
  PageOutput(Sequencer* sequencer, OutputFinished finished, std::int64_t endUs)
      : m_sequencer(sequencer), m_finished(std::move(finished)), m_endUs(endUs), m_token(++g_lastToken) {}
  ~PageOutput() override { Stop(); }

  int Token() const { return m_token; }
  void Begin() { g_playing = this; }

  void Stop() override {
    if (g_playing != this) return;
    g_playing = nullptr;
    tessivo_js_audio_stop(m_token);
  }

  // The page has played the whole range (or lost its synthesizer on the way).
  void Ended(bool failed) {
    if (g_playing != this) return;
    g_playing = nullptr;
    // Where a desktop output leaves the cursor at the end; nothing renders this sequencer now.
    if (!failed) m_sequencer->SetPositionUs(m_endUs);
    m_finished(failed ? OutputOutcome::kFailed : OutputOutcome::kEnded);
  }

 private:
  Sequencer* m_sequencer;
  OutputFinished m_finished;
  std::int64_t m_endUs;
  int m_token;
};

}  // namespace

bool PageHasSynth() { return tessivo_js_audio_offered() != 0; }

PageSynth::PageSynth() { tessivo_js_audio_prepare(SynthEngine::kGain); }

void PageSynth::Send(const midi::Event& event) {
  m_noted.push_back({m_frame, event.status, event.data1, event.data2});
}

void PageSynth::SilenceAndReset() {
  m_noted.clear();
  m_frame = 0;
  // The same reset as the desktop's synthesizer's (synth_engine.cpp), as channel messages.
  for (int channel = 0; channel < bytes::kChannelCount; ++channel) {
    const auto control = static_cast<std::uint8_t>(bytes::kControlChange | channel);
    m_noted.push_back({0, control, kControllerAllSoundOff, 0});
    m_noted.push_back({0, control, bytes::kControllerResetAll, 0});
    m_noted.push_back({0, control, bytes::kControllerBank, 0});
    m_noted.push_back({0, control, bytes::kControllerVolume, bytes::kDefaultVolume});
    m_noted.push_back({0, control, bytes::kControllerPan, 64});  // centre
    m_noted.push_back({0, static_cast<std::uint8_t>(bytes::kPitchBend | channel),
                       kPitchBendCentre & bytes::kDataBits, kPitchBendCentre >> 7});
    m_noted.push_back({0, static_cast<std::uint8_t>(bytes::kProgramChange | channel), 0, 0});
  }
}

void PageSynth::Render(float*, float*, int frames) { m_frame += frames; }

std::vector<PageSynth::Noted> PageSynth::Take() {
  m_frame = 0;
  return std::exchange(m_noted, {});
}

std::unique_ptr<AudioOutput> StartPageOutput(PageSynth* synth, Sequencer* sequencer, OutputFinished finished,
                                             std::string* error) {
  // The whole range at once: only the frame counter moves, so even the longest song the reader
  // accepts takes a moment. The cursor goes back to the start afterwards, as no sound was made.
  const std::int64_t fromUs = sequencer->PositionUs();
  constexpr int kBlock = 4096;
  float left[kBlock];
  float right[kBlock];
  while (!sequencer->Render(left, right, kBlock).ended) {
  }
  const std::int64_t endUs = sequencer->PositionUs();
  const std::int64_t endFrame = synth->Frame();
  sequencer->SetPositionUs(fromUs);

  const std::vector<PageSynth::Noted> noted = synth->Take();
  std::vector<std::int32_t> words;
  words.reserve(noted.size() * 2);
  for (const PageSynth::Noted& n : noted) {
    words.push_back(static_cast<std::int32_t>(n.frame));
    words.push_back(n.status | (n.data1 << 8) | (n.data2 << 16));
  }
  auto output = std::make_unique<PageOutput>(sequencer, std::move(finished), endUs);
  if (tessivo_js_audio_play(output->Token(), words.data(), static_cast<int>(noted.size()),
                            static_cast<double>(endFrame), SoundSink::kSampleRate) == 0) {
    char why[512] = {};
    tessivo_js_audio_problem(why, sizeof why);
    *error = std::string("The page cannot play sound: ") + why;
    return nullptr;
  }
  output->Begin();
  return output;
}

}  // namespace mci

// The page's report that the play it was given by `token` has been heard to its end (failed: the
// page lost its synthesizer or its audio device on the way). Called from the page's script on the
// UI thread, while the program's loop waits for the page: the end report it posts wakes that wait.
extern "C" EMSCRIPTEN_KEEPALIVE void tessivo_page_output_ended(int token, int failed) {
  if (mci::g_playing != nullptr && mci::g_playing->Token() == token) mci::g_playing->Ended(failed != 0);
}
