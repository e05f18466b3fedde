// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/media_path.h"

#include <unistd.h>

#include <climits>

namespace mci {

std::string ProgramDirectory() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, static_cast<std::size_t>(n));
  const auto slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

std::string ResolveMediaPath(const std::string& name, const std::string& programDir) {
  if (name.find('/') != std::string::npos) return name;
  const std::string candidates[] = {name, programDir + "/" + name, programDir + "/../share/tessivo/" + name};
  for (const auto& candidate : candidates) {
    if (::access(candidate.c_str(), F_OK) == 0) return candidate;
  }
  return name;
}

}  // namespace mci
