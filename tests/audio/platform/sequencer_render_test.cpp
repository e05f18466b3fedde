// SPDX-License-Identifier: GPL-3.0-or-later
// The sequencer and the synthesizer on their own: the key files rendered offline through
// FluidSynth with the system's soundfont, listened to by measuring the signal.
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/platform/audio_test_support.h"
#include "platform/mci/midi_file.h"
#include "platform/mci/sequencer.h"
#include "platform/mci/synth_engine.h"

using namespace mci;

using audio_test::KeyFile;
using audio_test::Peak;
using audio_test::Rms;

namespace {

class SequencerRender : public ::testing::Test {
 protected:
  void SetUp() override {
    SynthError error;
    std::string detail;
    m_engine = SynthEngine::Create(&error, &detail);
    ASSERT_NE(m_engine, nullptr) << detail;
  }

  std::shared_ptr<const midi::Song> Load(const std::string& name) {
    auto song = std::make_shared<midi::Song>();
    EXPECT_EQ(midi::ReadSongFile(KeyFile(name), song.get()), midi::ReadError::kNone) << name;
    return song;
  }

  // Renders `frames` frames (or to the end) and returns the interleaved signal.
  static std::vector<float> RenderFrames(Sequencer& sequencer, std::int64_t frames, bool* ended) {
    std::vector<float> out;
    float left[1000];
    float right[1000];
    *ended = false;
    while (frames > 0 && !*ended) {
      const int n = static_cast<int>(std::min<std::int64_t>(frames, 1000));
      const Sequencer::Rendered r = sequencer.Render(left, right, n);
      for (int i = 0; i < r.frames; ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
      }
      frames -= r.frames;
      *ended = r.ended;
      if (r.frames == 0) break;
    }
    return out;
  }

  std::unique_ptr<SynthEngine> m_engine;
};

}  // namespace

TEST_F(SequencerRender, KeyFileSoundsForItsWholeLengthAtAHealthyLevel) {
  auto song = Load("do maior.MID");
  Sequencer sequencer(m_engine.get(), song);
  sequencer.Start(0, song->lengthUs);
  bool ended = false;
  const std::vector<float> signal = RenderFrames(sequencer, 3600LL * 44100, &ended);
  ASSERT_TRUE(ended);
  const double seconds = static_cast<double>(signal.size() / 2) / SynthEngine::kSampleRate;
  EXPECT_NEAR(seconds, static_cast<double>(song->lengthUs) / 1e6, 0.001);
  EXPECT_EQ(sequencer.PositionUs(), song->lengthUs);
  // Clearly audible and far from clipping.
  const float peak = Peak(signal);
  EXPECT_GT(peak, 0.2f) << "barely audible";
  EXPECT_LT(peak, 0.85f) << "too close to clipping";
  // Sound in every second of the file: the scale and the chords leave no silent gap.
  for (std::size_t s = 0; s + 1 < signal.size() / 2 / 44100; ++s) {
    EXPECT_GT(Rms(signal, s * 88200, (s + 1) * 88200), 0.005) << "second " << s;
  }
}

TEST_F(SequencerRender, StartInTheMiddleAndStopAtAnEarlierEnd) {
  auto song = Load("sol maior.MID");
  Sequencer sequencer(m_engine.get(), song);
  sequencer.Start(2000000, 3000000);
  EXPECT_EQ(sequencer.PositionUs(), 2000000);
  bool ended = false;
  const std::vector<float> signal = RenderFrames(sequencer, 10 * 44100, &ended);
  EXPECT_TRUE(ended);
  EXPECT_EQ(signal.size(), 2u * 44100);
  EXPECT_EQ(sequencer.PositionUs(), 3000000);
  EXPECT_GT(Rms(signal), 0.01);
  // A range past the end is clamped to the song.
  sequencer.Start(song->lengthUs + 5000000, song->lengthUs + 9000000);
  EXPECT_EQ(sequencer.PositionUs(), song->lengthUs);
  EXPECT_TRUE(RenderFrames(sequencer, 100, &ended).empty());
  EXPECT_TRUE(ended);
}

TEST_F(SequencerRender, SilencingEndsTheNotesAtOnce) {
  auto song = Load("do maior.MID");
  // Start on the first chord after six seconds, play a quarter of a second of it.
  std::int64_t chord = 0;
  for (const auto& e : song->events) {
    if ((e.status & 0xF0) == 0x90 && e.data2 > 0 && e.timeUs >= 6000000) {
      chord = e.timeUs;
      break;
    }
  }
  ASSERT_GT(chord, 0);
  Sequencer sequencer(m_engine.get(), song);
  sequencer.Start(chord, song->lengthUs);
  bool ended = false;
  const std::vector<float> playing = RenderFrames(sequencer, 44100 / 4, &ended);
  ASSERT_GT(Rms(playing), 0.02);
  m_engine->SilenceAndReset();
  // What follows holds nothing of the notes: only the reverb's short tail, far below them.
  std::vector<float> left(4410), right(4410);
  m_engine->Render(left.data(), right.data(), 4410);
  EXPECT_LT(Rms(left), Rms(playing) * 0.2) << "notes still sounding after the silence";
}

TEST_F(SequencerRender, EnharmonicKeysSoundTheSameAndOtherKeysDiffer) {
  auto render = [&](const std::string& name) {
    // A fresh synthesizer for each, so both start from the same state (effects run free).
    SynthError error;
    std::string detail;
    m_engine = SynthEngine::Create(&error, &detail);
    auto song = Load(name);
    Sequencer sequencer(m_engine.get(), song);
    sequencer.Start(0, 4000000);
    bool ended = false;
    return RenderFrames(sequencer, 4 * 44100, &ended);
  };
  const std::vector<float> cFlat = render("dobem maior.MID");
  const std::vector<float> b = render("si maior.MID");
  const std::vector<float> c = render("do maior.MID");
  ASSERT_EQ(cFlat.size(), b.size());
  double diffSame = 0;
  double diffOther = 0;
  for (std::size_t i = 0; i < cFlat.size(); ++i) {
    diffSame = std::max(diffSame, double{std::fabs(cFlat[i] - b[i])});
    diffOther = std::max(diffOther, double{std::fabs(cFlat[i] - c[i])});
  }
  EXPECT_LT(diffSame, 0.02);
  EXPECT_GT(diffOther, 0.1);
}

// The browser build's soundfont, TimGM6mb cut to the key files' instruments at build time
// (tools/soundfont_cutter.cpp), plays every key file sample for sample as the whole TimGM6mb does.
TEST_F(SequencerRender, TheCutSoundfontPlaysEveryKeyFileAsTheWholeOneDoes) {
  const std::string cut = std::string(TESSIVO_BINARY_DIR) + "/tessivo_keys.sf2";
  const std::string whole = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  auto render = [&](const std::string& soundfont, const std::string& name) {
    setenv("TESSIVO_SOUNDFONT", soundfont.c_str(), 1);
    SynthError error;
    std::string detail;
    m_engine = SynthEngine::Create(&error, &detail);
    unsetenv("TESSIVO_SOUNDFONT");
    EXPECT_NE(m_engine, nullptr) << detail;
    if (m_engine == nullptr) return std::vector<float>{};
    Sequencer sequencer(m_engine.get(), Load(name));
    sequencer.Start(0, sequencer.LengthUs());
    bool ended = false;
    return RenderFrames(sequencer, sequencer.LengthUs() * 44100 / 1000000 + 44100, &ended);
  };
  for (const char* name :
       {"do maior.MID", "sol maior.MID", "re maior.MID", "la maior.MID", "mi maior.MID", "si maior.MID",
        "fasus maior.MID", "dosus maior.MID", "fa maior.MID", "sibem maior.MID", "mibem maior.MID",
        "labem maior.MID", "rebem maior.MID", "solbem maior.MID", "dobem maior.MID"}) {
    const std::vector<float> fromWhole = render(whole, name);
    const std::vector<float> fromCut = render(cut, name);
    EXPECT_GT(Peak(fromWhole), 0.1f) << name;
    EXPECT_TRUE(fromWhole == fromCut) << name << " sounds differently from the cut soundfont";
  }
  const auto size = [](const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
  };
  // What the page downloads: a small part of the whole.
  EXPECT_LT(size(cut) * 20, size(whole));
}
