// SPDX-License-Identifier: GPL-3.0-or-later
// Chord grid figures on the headless display: painting the whole grid, repainting the one cell a
// write invalidates, the write itself, and a key choice's eight chord writes with their repaint.
// Each paint includes presenting the changed pixels, as the user would see them.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "platform/headless/headless_driver.h"
#include "platform/window.h"
#include "theory/degree_header.h"
#include "theory/degree_layout.h"

namespace {

// The main window's grid with its header written, shown and painted once.
struct GridScene {
  headless::Session session;
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TStringGrid* grid = nullptr;

  GridScene() {
    form->SetBounds(100, 50, 981, 277);
    grid = new TStringGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(8, 160, 965, 53);
    grid->SetColCount(13);
    grid->SetDefaultColWidth(73);
    grid->SetFixedCols(0);
    grid->SetRowCount(2);
    theory::HeaderCells header{
        [this](int column) { return grid->CellText(column, 0); },
        [this](int column, const std::string& text) { grid->SetCellText(column, 0, text); }};
    theory::ShowFunctionNames(header);
    for (int degree = 0; degree < theory::kDegreeCount; ++degree) {
      grid->SetCellText(theory::DegreeLayout()[static_cast<std::size_t>(degree)].column, 1,
                        theory::ChordText(8, degree));
    }
    form->SetVisible(true);
    headless::PumpUntilIdle();
  }
  ~GridScene() { form.reset(); }
};

void BM_GridPaintWhole(benchmark::State& state) {
  GridScene scene;
  HWND h = scene.grid->Handle();
  for (auto _ : state) {
    InvalidateRect(h, nullptr, FALSE);
    headless::PumpUntilIdle();
  }
}
BENCHMARK(BM_GridPaintWhole)->Unit(benchmark::kMicrosecond);

void BM_GridPaintOneCell(benchmark::State& state) {
  GridScene scene;
  HWND h = scene.grid->Handle();
  RECT cell = scene.grid->BoxRect({3, 1, 3, 1}, TCellLines::clWith);
  for (auto _ : state) {
    InvalidateRect(h, &cell, FALSE);
    headless::PumpUntilIdle();
  }
}
BENCHMARK(BM_GridPaintOneCell)->Unit(benchmark::kMicrosecond);

void BM_GridCellWrite(benchmark::State& state) {
  GridScene scene;
  const std::string texts[2] = {"Dó Maior"_cp.str(), "Sol Maior"};
  int i = 0;
  for (auto _ : state) {
    scene.grid->SetCellText(3, 1, texts[i ^= 1]);
  }
  headless::PumpUntilIdle();
}
BENCHMARK(BM_GridCellWrite)->Unit(benchmark::kNanosecond);

void BM_GridCellRead(benchmark::State& state) {
  GridScene scene;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scene.grid->CellText(7, 1));
  }
}
BENCHMARK(BM_GridCellRead)->Unit(benchmark::kNanosecond);

// What choosing a key costs the grid: the chord row's eight writes and the repaint that follows.
void BM_GridChordRowFill(benchmark::State& state) {
  GridScene scene;
  int key = 1;
  for (auto _ : state) {
    key = key % 15 + 1;
    for (int degree = 0; degree < theory::kDegreeCount; ++degree) {
      scene.grid->SetCellText(theory::DegreeLayout()[static_cast<std::size_t>(degree)].column, 1,
                              theory::ChordText(key, degree));
    }
    headless::PumpUntilIdle();
  }
}
BENCHMARK(BM_GridChordRowFill)->Unit(benchmark::kMicrosecond);

// The header toggle of a click: eight header writes and their repaint.
void BM_GridHeaderToggle(benchmark::State& state) {
  GridScene scene;
  theory::HeaderCells header{
      [&](int column) { return scene.grid->CellText(column, 0); },
      [&](int column, const std::string& text) { scene.grid->SetCellText(column, 0, text); }};
  for (auto _ : state) {
    theory::ToggleHeader(header);
    headless::PumpUntilIdle();
  }
}
BENCHMARK(BM_GridHeaderToggle)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
