// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program.h"

#include "app/main_form.h"

int RunTessivo() {
  RegisterMainWindowClasses();
  return RunMainSequence(Form1);
}
