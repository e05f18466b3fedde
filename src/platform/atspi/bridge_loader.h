// SPDX-License-Identifier: GPL-3.0-or-later
// Where the accessibility bridge comes from (internal to the platform layer).
//
// The bridge (bridge.h) is a module of its own, tessivo-atspi.so, installed beside the program's
// libraries. The program itself keeps only the question whether the desktop has an accessibility
// bus (bus_probe.h) and the few lines that load the module when it has one: the kernel maps
// nearly all of a program's code when it starts, so code linked in is resident memory for every
// user, and most users have no screen reader.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

namespace atspi {

// Whether the bridge follows the desktop's switch (org.a11y.Status) or registers whatever it says
// (TESSIVO_A11Y=1).
enum class Mode : int { kFollowSwitch, kForcedOn };

// The module's one exported function: starts the bridge on the running platform. `busAddress` is
// the accessibility bus when already known (nullptr: ask the session bus for it), `sessionAddress`
// the session bus (nullptr: there is none). It says at most one line on stderr when it cannot.
using ModuleStart = void(Mode mode, const char* busAddress, const char* sessionAddress);
inline constexpr const char* kModuleStartName = "tessivo_atspi_start";
inline constexpr const char* kModuleFileName = "tessivo-atspi.so";

// The name the accessibility bus's launcher owns on the session bus.
inline constexpr const char* kBusName = "org.a11y.Bus";

// The platform's first-idle hook: looks for a bus and, when there is one, loads the module and
// starts it.
void StartWhenIdle();

}  // namespace atspi
