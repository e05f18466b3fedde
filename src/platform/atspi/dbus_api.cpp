// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/dbus_api.h"

#include <vector>

#include "base/runtime_library.h"

namespace atspi {

const DbusApi* LoadDbusApi(std::string* error) {
  // Once a connection was made the library keeps process-wide state (its thread locks, the
  // connections' shared tables); it stays for the rest of the run.
  static const base::KeptLibrary<DbusApi> library(
      {"the D-Bus library", "libdbus-1.so.3", ""}, [](DbusApi& api) {
#define TESSIVO_DBUS_SLOT(name) base::FunctionSlot(#name, &api.name),
        return std::vector<base::FunctionSlot>{TESSIVO_DBUS_FUNCTIONS(TESSIVO_DBUS_SLOT)};
#undef TESSIVO_DBUS_SLOT
      });
  return library.Get(error);
}

}  // namespace atspi
