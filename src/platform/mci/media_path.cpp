// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/media_path.h"

#include <unistd.h>

#include "base/program_folder.h"

namespace mci {

std::string ProgramDirectory() { return base::ProgramFolder(); }

std::string ResolveMediaPath(const std::string& name, const std::string& programDir) {
  if (name.find('/') != std::string::npos) return name;
  const std::string candidates[] = {name, programDir + "/" + name, programDir + "/../share/tessivo/" + name};
  for (const auto& candidate : candidates) {
    if (::access(candidate.c_str(), F_OK) == 0) return candidate;
  }
  return name;
}

}  // namespace mci
