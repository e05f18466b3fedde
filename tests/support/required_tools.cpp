// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/required_tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace testsupport {

bool UnderContinuousIntegration() {
  const char* value = std::getenv("CI");
  return value != nullptr && (std::string_view(value) == "true" || std::string_view(value) == "1");
}

void CannotRunHere(const std::string& why) {
  if (UnderContinuousIntegration()) {
    GTEST_FAIL() << why << " (CI=true: scripts/install-deps.sh provides everything the tests use)";
  }
  GTEST_SKIP() << why;
}

bool ToolsInstalled(std::initializer_list<const char*> executables, const std::string& packages) {
  for (const char* executable : executables) {
    if (access(executable, X_OK) != 0) {
      CannotRunHere(std::string(executable) + " is missing; install " + packages +
                    " (scripts/install-deps.sh installs them)");
      return false;
    }
  }
  return true;
}

}  // namespace testsupport
