// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/program_folder.h"

#include <unistd.h>

#include <climits>

namespace base {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(n));
  const auto slash = program.find_last_of('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

}  // namespace base
