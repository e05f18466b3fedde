// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/program_folder.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace base {

std::string ProgramPath() {
#ifdef __EMSCRIPTEN__
  // /proc/self/exe would name node (or nothing, in a page): the program's file is the script that
  // was started, which emscripten keeps as thisProgram (node's first argument, or what the page
  // sets as Module.thisProgram).
  char* path = reinterpret_cast<char*>(EM_ASM_INT({ return allocateUTF8(thisProgram); }));
  if (path == nullptr) return {};
  std::string program(path);
  std::free(path);
  return program;
#else
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, static_cast<std::size_t>(n));
#endif
}

std::string ProgramFolder() {
  const std::string program = ProgramPath();
  const auto slash = program.find_last_of('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

}  // namespace base
