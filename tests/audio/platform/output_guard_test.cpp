// SPDX-License-Identifier: GPL-3.0-or-later
// The watchdog that ends a play whose output stops taking sound, driven the way a sound server
// drives an output: a burst that fills the device's buffer, a pause while the server starts, then a
// period at a time as it plays.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "platform/mci/output_guard.h"

using namespace mci;
using namespace std::chrono_literals;

namespace {

// The sound itself does not matter here, only when it is asked for.
class Silence final : public SoundSink {
 public:
  void Send(const midi::Event&) override {}
  void SilenceAndReset() override {}
  void Render(float* left, float* right, int frames) override {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
  }
};

constexpr int kPeriod = 2048;
constexpr auto kPeriodTime = 46ms;
// PulseAudio's null sink holds the writes for this long after the first burst.
constexpr auto kServerStart = 1500ms;
constexpr int kNoOutcome = -1;

TEST(OutputGuard, AServerThatHoldsTheFirstWritesKeepsThePlayAndOneThatStopsTakingSoundFailsIt) {
  Silence sink;
  auto song = std::make_shared<midi::Song>();
  song->lengthUs = 60'000'000;
  Sequencer sequencer(&sink, song);
  sequencer.Start(0, song->lengthUs);
  std::atomic<int> outcome{kNoOutcome};
  auto feed =
      std::make_shared<RenderFeed>(&sequencer, [&](OutputOutcome o) { outcome = static_cast<int>(o); });
  StallWatchdog watchdog(feed);

  float left[kPeriod];
  float right[kPeriod];
  for (int i = 0; i < 4; ++i) feed->Render(left, right, kPeriod);
  std::this_thread::sleep_for(kServerStart);
  for (const auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < 1s;) {
    feed->Render(left, right, kPeriod);
    std::this_thread::sleep_for(kPeriodTime);
  }
  EXPECT_EQ(outcome, kNoOutcome) << "a server that was starting was taken for a lost one";

  // Once sound flows, a server that takes nothing more is lost: the play ends with failure.
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (outcome == kNoOutcome && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(outcome, static_cast<int>(OutputOutcome::kFailed));
}

}  // namespace
