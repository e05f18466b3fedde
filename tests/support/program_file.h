// SPDX-License-Identifier: GPL-3.0-or-later
// The running test program's file as the system tells it, for the tests of what the program takes
// from its own file (its title, its folder, the module its errors name): /proc/self/exe, or in
// WebAssembly the script node was started with.
#pragma once

#include <filesystem>
#include <string>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <cstdlib>
#else
#include <unistd.h>

#include <climits>
#endif

namespace testsupport {

// What a test program's file name ends in: nothing on Linux, the script's ".js" in WebAssembly.
#ifdef __EMSCRIPTEN__
inline constexpr char kProgramSuffix[] = ".js";
#else
inline constexpr char kProgramSuffix[] = "";
#endif

inline std::filesystem::path RunningProgramFile() {
#ifdef __EMSCRIPTEN__
  char* path = reinterpret_cast<char*>(EM_ASM_INT({ return allocateUTF8(process.argv[1]); }));
  std::string file(path);
  std::free(path);
  return file;
#else
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
#endif
}

}  // namespace testsupport
