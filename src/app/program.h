// SPDX-License-Identifier: GPL-3.0-or-later
// The program's main sequence on whatever platform backend is in place: the screen and application
// objects, the main window, the event loop, and the end of the program.
#pragma once

#include <exception>

#include "app/application.h"
#include "app/screen.h"

// Runs Tessivo to its end and returns the exit code: 0 after a normal close, 1 after an error that
// escaped the start-up sequence (shown in the fatal box first).
int RunTessivo();

// The main sequence with the main window of class F in `formVariable`: RunTessivo uses TForm1; a
// test runs the same sequence with a window class of its own. The classes the window's description
// names must be registered before.
template <typename F>
int RunMainSequence(F*& formVariable) {
  Screen = new TScreen;
  int exitCode = 0;
  try {
    new TApplication;  // becomes Application
    Application->LaunchForm(formVariable);
    Application->RunLoop();
  } catch (...) {
    TApplication::ShowFatalError(std::current_exception());
    exitCode = 1;
  }
  // End of program: the forms and their controls go first (EndApplication), then the application
  // object with its window, then the screen object.
  if (Application) {
    Application->EndApplication();
    delete Application;
  }
  formVariable = nullptr;
  delete Screen;
  Screen = nullptr;
  return exitCode;
}
