// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a key in the whole program on the headless display: ComboBox1Change writing the chord
// row, the repaint and present of the changed cells, and the key's MIDI file opened. The first
// choice of a run also loads the synthesizer and its soundfont; it is reported on its own. A soak
// run chooses keys 10,000 times and plays and stops 1,000 times, and reports how much the resident
// memory grew.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "app/main_form.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/player/media_player.h"
#include "support/app_run.h"

namespace {

constexpr int kSoakChoices = 10000;
constexpr int kSoakPlays = 1000;

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Chooses list item `item` as the key selector's change event does, and lets the window repaint.
void Choose(int item) {
  Form1->ComboBox1->SetItemIndex(item);
  Form1->ComboBox1Change(Form1->ComboBox1);
  headless::PumpUntilIdle();
}

void BM_ChooseKey(benchmark::State& state) {
  double firstMs = 0;
  apptest::RunProgram(
      {}, {[&] {
        const auto start = std::chrono::steady_clock::now();
        Choose(0);
        firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        int item = 1;
        for (auto _ : state) {
          Choose(item);
          item = (item + 1) % 15;
        }
        apptest::RequestCloseOf(Form1->Handle());
      }});
  state.counters["first_choice_ms"] = firstMs;
}
BENCHMARK(BM_ChooseKey)->Unit(benchmark::kMicrosecond);

// Plays go to a real output (a WAV writer into /dev/null), not the headless display's offline
// renderer, which keeps every frame it renders for the tests to listen to.
void BM_SoakChooseAndPlay(benchmark::State& state) {
  setenv("TESSIVO_AUDIO", "wav:/dev/null", 1);
  long choiceGrowth = 0;
  long playGrowth = 0;
  for (auto _ : state) {
    apptest::RunProgram({}, {[&] {
                          Choose(0);  // the synthesizer and soundfont are loaded before the measure starts
                          Form1->MediaPlayer1->Play();
                          Form1->MediaPlayer1->Stop();
                          headless::PumpUntilIdle();
                          const long before = ResidentKiB();
                          for (int i = 0; i < kSoakChoices; ++i) Choose(i % 15);
                          const long afterChoices = ResidentKiB();
                          choiceGrowth = afterChoices - before;
                          for (int i = 0; i < kSoakPlays; ++i) {
                            Form1->MediaPlayer1->Play();
                            headless::AdvanceClock(10);
                            Form1->MediaPlayer1->Stop();
                            headless::PumpUntilIdle();
                          }
                          playGrowth = ResidentKiB() - afterChoices;
                          apptest::RequestCloseOf(Form1->Handle());
                        }});
  }
  unsetenv("TESSIVO_AUDIO");
  state.counters["choices_rss_growth_kib"] = static_cast<double>(choiceGrowth);
  state.counters["plays_rss_growth_kib"] = static_cast<double>(playGrowth);
}
BENCHMARK(BM_SoakChooseAndPlay)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
