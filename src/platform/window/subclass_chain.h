// SPDX-License-Identifier: GPL-3.0-or-later
// The procedures hooked in front of a window's own (SetWindowSubclass), kept in the window's
// record, so they go with the window and no table outlives it (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <vector>

#include "base/types.h"
#include "platform/window.h"

namespace window {

struct SubclassChain {
  struct Hook {
    SUBCLASSPROC proc = nullptr;
    std::uintptr_t id = 0;
    std::uintptr_t refData = 0;
    std::uint64_t order = 0;  // grows with each hook set: a hook is called before every older one
  };
  std::vector<Hook> hooks;  // oldest first
  // Each message on its way through the hooks, innermost last: the order of the hook it reached,
  // which tells DefSubclassProc where the message goes next. Orders rather than places, so a hook
  // removed while messages run does not move the others.
  std::vector<std::uint64_t> calls;
  WNDPROC own = nullptr;  // the window's procedure before the first hook came
  std::uint64_t nextOrder = 1;
};

}  // namespace window
