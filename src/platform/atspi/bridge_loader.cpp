// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/bridge_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "base/program_folder.h"
#include "base/runtime_library.h"
#include "platform/atspi/bus_probe.h"
#include "platform/backend/backend.h"
#include "platform/window/platform_state.h"

namespace atspi {

namespace {

// The session bus answers at once when it is there; a probe that waits longer only delays the
// program, once, after its first frame.
constexpr int kProbeTimeoutMs = 250;

}  // namespace

void StartWhenIdle() {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr || !running->backend.WaitsOnDescriptors()) return;
  const char* setting = std::getenv("TESSIVO_A11Y");
  if (setting != nullptr && std::strcmp(setting, "0") == 0) return;
  const Mode mode =
      setting != nullptr && std::strcmp(setting, "1") == 0 ? Mode::kForcedOn : Mode::kFollowSwitch;

  // Where the bus is, cheapest question first; nothing is loaded until one is known.
  std::optional<std::string> busAddress;
  if (const char* env = std::getenv("AT_SPI_BUS_ADDRESS"); env != nullptr && *env != '\0') busAddress = env;
  if (!busAddress) busAddress = running->backend.AccessibilityBusProperty();
  const std::optional<std::string> session = SessionBusAddress();
  if (!busAddress &&
      (!session || AskNameHasOwner(*session, kBusName, kProbeTimeoutMs) != NameOwner::kOwned)) {
    return;
  }

  // The installed layout first (the module under the library folder, found from the program's
  // own folder so that any prefix works), then the build tree, where it lies beside the program.
  const std::string folder = base::ProgramFolder() + "/";
  const std::string installed = folder + TESSIVO_ATSPI_MODULE_FROM_PROGRAM + "/" + kModuleFileName;
  const std::string beside = folder + kModuleFileName;
  base::RuntimeLibrary module({installed.c_str(), beside.c_str()}, base::Binding::kAllAtLoad);
  ModuleStart* start = nullptr;
  const base::FunctionSlot slots[] = {{kModuleStartName, &start}};
  const char* missing = module.IsLoaded() ? module.Bind(slots) : nullptr;
  if (!module.IsLoaded() || missing != nullptr) {
    std::fprintf(
        stderr, "tessivo: accessibility: %s; going on without it\n",
        module.IsLoaded() ? (module.Soname() + " has no " + missing).c_str() : module.Error().c_str());
    return;
  }
  // The bridge's timers, watches and shutdown hook point into the module for the rest of the run.
  module.KeepForProcess();
  start(mode, busAddress ? busAddress->c_str() : nullptr, session ? session->c_str() : nullptr);
}

}  // namespace atspi
