// SPDX-License-Identifier: GPL-3.0-or-later
// The drawn grid: TCustomDrawGrid hands every cell to its drawing event after the grid's own
// background; TDrawGrid is the one that is placed on windows.
#pragma once

#include <functional>

#include "controls/grid/custom_grid.h"

using TDrawCellEvent =
    std::function<void(TComponent* sender, int col, int row, const RECT& rect, TGridDrawState state)>;

class TCustomDrawGrid : public TCustomGrid {
 public:
  explicit TCustomDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
  const char* ClassName() const override { return "TCustomDrawGrid"; }

  // Called for every painted cell with the canvas set up for it (font, brush, clip).
  TDrawCellEvent OnDrawCell;

 protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override {
    if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
  }
};

class TDrawGrid : public TCustomDrawGrid {
 public:
  explicit TDrawGrid(TComponent* owner) : TCustomDrawGrid(owner) {}
  const char* ClassName() const override { return "TDrawGrid"; }
};
