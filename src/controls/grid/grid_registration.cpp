// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/grid_registration.h"

#include "controls/grid/string_grid.h"
#include "core/window_description.h"

void RegisterGridClasses() {
  RegisterComponentClass("TStringGrid", [](TComponent* owner) { return new TStringGrid(owner); });
  RegisterComponentClass("TDrawGrid", [](TComponent* owner) { return new TDrawGrid(owner); });
}
