#include "app/program.h"

#include "app/main_form.h"

int RunTessivo() {
  RegisterMainWindowClasses();
  return RunMainSequence(Form1);
}
