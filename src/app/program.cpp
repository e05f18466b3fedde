#include "app/program.h"

#include <exception>

#include "app/application.h"
#include "app/main_form.h"
#include "app/screen.h"

int RunTessivo() {
  RegisterMainWindowClasses();
  Screen = new TScreen;
  int exitCode = 0;
  try {
    new TApplication;  // becomes Application
    Application->LaunchForm(Form1);
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
  Form1 = nullptr;
  delete Screen;
  Screen = nullptr;
  return exitCode;
}
