// SPDX-License-Identifier: GPL-3.0-or-later
// The folder the running program's file lies in, from which it finds what is installed with it
// (its MIDI files, its accessibility module) whatever the prefix.
#pragma once

#include <string>

namespace base {

// The running program's file: /proc/self/exe; in WebAssembly the script that started it. Empty
// when it cannot be read.
std::string ProgramPath();

// The folder of ProgramPath(), without a trailing slash; empty when it cannot be read.
std::string ProgramFolder();

}  // namespace base
