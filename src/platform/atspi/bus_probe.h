// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the desktop runs an accessibility bus, found without the D-Bus library.
//
// Most programs run where no screen reader is: they must not pay for loading libdbus to learn
// that. The accessibility bus is announced by AT_SPI_BUS_ADDRESS, by the AT_SPI_BUS property of
// the X root window, or by an owner of the name org.a11y.Bus on the session bus; the last is asked
// here with a few bytes of the bus protocol (NameHasOwner, which never starts the service), so the
// library is loaded only when a bus is there (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <optional>
#include <string>

namespace atspi {

// The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the user's bus socket under
// XDG_RUNTIME_DIR when there is one; nothing when neither.
std::optional<std::string> SessionBusAddress();

enum class NameOwner { kOwned, kNotOwned, kUnknown };
// Asks the bus at `address` whether `name` has an owner, waiting at most `timeoutMs` in all.
// kUnknown when the bus cannot be reached or does not answer in time.
NameOwner AskNameHasOwner(const std::string& address, const std::string& name, int timeoutMs);

}  // namespace atspi
