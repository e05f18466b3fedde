// SPDX-License-Identifier: GPL-3.0-or-later
// Program start in the browser: the page is the display, the program's resources are installed,
// and the program runs until its window is closed (the page then says so).
#include "app/program.h"
#include "platform/backend/web/web_backend.h"
#include "platform/module.h"
#include "platform/platform.h"

int main() {
  web::WebBackend backend;
  InitPlatform(&backend);
  SetModuleResources(TessivoResources());
  const int exitCode = RunTessivo();
  ShutdownPlatform();
  return exitCode;
}
