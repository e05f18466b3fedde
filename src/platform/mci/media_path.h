// SPDX-License-Identifier: GPL-3.0-or-later
// Where the multimedia service finds a file named without a directory.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>

namespace mci {

// The directory of the running program file ("" if unknown).
std::string ProgramDirectory();

// A bare name (no '/') is looked for in the current directory, then in `programDir`, then in
// `programDir`/../share/tessivo (the installed layout: bin/ beside share/). The first that exists
// wins; if none does, the name is returned unchanged (and reported missing by the reader). A name
// with a directory is returned as given.
std::string ResolveMediaPath(const std::string& name, const std::string& programDir);

}  // namespace mci
