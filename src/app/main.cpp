// SPDX-License-Identifier: GPL-3.0-or-later
// Program start: open the display, install the program's resources, run.
#include <cstdio>
#include <cstdlib>

#include "app/program.h"
#include "base/translation.h"
#include "platform/backend/x11/x11_backend.h"
#include "platform/loop.h"
#include "platform/module.h"
#include "platform/platform.h"

constexpr int kSignalExitBase = 128;

int main() {
  auto backend = x11::X11Backend::Open();
  if (!backend) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
      std::fprintf(stderr, "tessivo: %s\n",
                   base::Translated("cannot open the X display: DISPLAY is not set"));
    } else {
      std::fprintf(stderr, "tessivo: %s\n",
                   base::TranslatedWith("cannot open the X display \"%s\"", {display}).c_str());
    }
    return 1;
  }
  InitPlatform(backend.get());
  CatchTerminationSignals();
  SetModuleResources(TessivoResources());
  int exitCode = RunTessivo();
  ShutdownPlatform();
  // Ended by a signal: say so the conventional way, as a shell reports a process the signal killed.
  if (const int signal = TerminationSignal()) return kSignalExitBase + signal;
  return exitCode;
}
