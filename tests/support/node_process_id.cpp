// SPDX-License-Identifier: GPL-3.0-or-later
// The WebAssembly test programs only (tests/CMakeLists.txt): emscripten's C library gives every
// process the same id, so two test programs running side by side under node would share the
// temporary files and folders the tests name after it. The id is node's process's own.
#include <emscripten.h>
#include <sys/types.h>

extern "C" pid_t getpid() {
  return EM_ASM_INT({ return process.pid; });
}
