// SPDX-License-Identifier: GPL-3.0-or-later
// Not built into any test program: a layer above the platform reaching into its window core. The
// build check in tests/CMakeLists.txt compiles it and expects the platform's guard to stop it.
#include "platform/window/window_core.h"
