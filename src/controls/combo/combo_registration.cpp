// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/combo/custom_combo_box.h"
#include "core/window_description.h"

void RegisterComboClasses() {
  RegisterComponentClass("TComboBox", [](TComponent* owner) { return new TComboBox(owner); });
}
