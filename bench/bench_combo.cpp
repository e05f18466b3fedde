// SPDX-License-Identifier: GPL-3.0-or-later
// Key selector figures on the headless display: opening the list of fifteen keys (the pop-up made,
// sized, painted and presented) and one typed completion step (the key found, the field completed
// and selected, the change event run, the field repainted and presented).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/form.h"
#include "controls/combo/custom_combo_box.h"
#include "platform/headless/headless_driver.h"
#include "platform/window.h"
#include "theory/key_table.h"

namespace {

// The main window's key selector: 72, 16, 185 x 21, fifteen keys, DropDownCount 15, focused.
struct ComboScene {
  headless::Session session;
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TComboBox* combo = nullptr;
  int changes = 0;

  ComboScene() {
    form->SetBounds(100, 50, 400, 120);
    combo = new TComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(72, 16, 185, 21);
    combo->SetDropDownCount(15);
    combo->SetText("Armadura");
    for (int i = 0; i < theory::kKeyCount; ++i) combo->Items().Add(std::string(theory::KeyItemText(i)));
    combo->OnChange = [this](TComponent*) { ++changes; };
    form->SetVisible(true);
    headless::PumpUntilIdle();
    combo->SetFocus();
    headless::PumpUntilIdle();
  }
  ~ComboScene() { form.reset(); }
};

void BM_ComboOpenList(benchmark::State& state) {
  ComboScene scene;
  for (auto _ : state) {
    headless::PressKey(headless::keys::kF4);
    headless::PumpUntilIdle();
    state.PauseTiming();
    if (!scene.combo->DroppedDown()) state.SkipWithError("F4 did not open the list");
    headless::PressKey(headless::keys::kEscape);
    headless::PumpUntilIdle();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ComboOpenList)->Unit(benchmark::kMicrosecond);

void BM_ComboTypedCompletion(benchmark::State& state) {
  ComboScene scene;
  // "S" and "M" complete to different keys, so every step changes the current item.
  const char* letters[2] = {"S", "M"};
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    scene.combo->SelectAll();
    state.ResumeTiming();
    headless::TypeText(letters[i ^= 1]);
    headless::PumpUntilIdle();
  }
  if (scene.changes != static_cast<int>(state.iterations())) state.SkipWithError("a step fired no OnChange");
}
BENCHMARK(BM_ComboTypedCompletion)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
