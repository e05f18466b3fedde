// SPDX-License-Identifier: GPL-3.0-or-later
// The rule for tests that need a program from the machine: under continuous integration a missing
// one is a failure that names the packages, never a skip that passes unseen.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/required_tools.h"

TEST(RequiredTools, AMissingProgramFailsUnderContinuousIntegration) {
  setenv("CI", "true", 1);
  EXPECT_FATAL_FAILURE(
      (void)testsupport::ToolsInstalled({"/usr/bin/sh", "/nonexistent/tessivo-tool"}, "tessivo-tool-package"),
      "install tessivo-tool-package");
  EXPECT_TRUE(testsupport::ToolsInstalled({"/usr/bin/sh"}, "dash"));
  unsetenv("CI");
}
