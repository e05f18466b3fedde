// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/dbus_api.h"

#include "base/runtime_library.h"

namespace atspi {

const DbusApi* LoadDbusApi(std::string* error) {
  static DbusApi api;
  static bool loaded = false;
  static std::string loadError;
  if (loaded) return &api;
  if (!loadError.empty()) {
    *error = loadError;
    return nullptr;
  }
  base::RuntimeLibrary library{"libdbus-1.so.3"};
  if (!library.IsLoaded()) {
    loadError = "the D-Bus library (libdbus-1.so.3) cannot be loaded: " + library.Error();
    *error = loadError;
    return nullptr;
  }
  DbusApi candidate;
#define TESSIVO_DBUS_SLOT(name) base::FunctionSlot(#name, &candidate.name),
  const base::FunctionSlot slots[] = {TESSIVO_DBUS_FUNCTIONS(TESSIVO_DBUS_SLOT)};
#undef TESSIVO_DBUS_SLOT
  if (const char* missing = library.Bind(slots)) {
    loadError = std::string("the D-Bus library lacks the function ") + missing;
    *error = loadError;
    return nullptr;
  }
  // Once a connection was made the library keeps process-wide state (its thread locks, the
  // connections' shared tables); it stays for the rest of the run.
  library.KeepForProcess();
  api = candidate;
  loaded = true;
  return &api;
}

}  // namespace atspi
