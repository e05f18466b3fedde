// SPDX-License-Identifier: GPL-3.0-or-later
// Programs a test needs from the machine beyond the build (a window manager, a sound server, a
// second clipboard client), all of which scripts/install-deps.sh installs. On a developer's
// machine a missing one skips the test with the packages that provide it; under continuous
// integration (CI=true) the install script has run, so a missing one fails the test instead of
// letting it pass unseen.
#pragma once

#include <initializer_list>
#include <string>

namespace testsupport {

// Whether this run is continuous integration: CI=true (or 1) in the environment.
bool UnderContinuousIntegration();

// Ends the test because the machine cannot run it, saying `why`: a skip locally, a fatal failure
// under continuous integration. Call it from the test body or SetUp and return right after.
void CannotRunHere(const std::string& why);

// True when every executable exists; otherwise CannotRunHere, naming the Debian packages.
[[nodiscard]] bool ToolsInstalled(std::initializer_list<const char*> executables,
                                  const std::string& packages);

}  // namespace testsupport
