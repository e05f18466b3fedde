// SPDX-License-Identifier: GPL-3.0-or-later
// Every test process keeps the font answers it remembers in a folder of its own under
// build/test-cache, chosen when the process starts and removed when it ends; the programs a test
// starts inherit it. So whether a test asks fontconfig or takes a remembered answer depends on the
// test alone, never on which tests ran before it, and the user's own cache is never touched.
#pragma once

#include <string>

// The folder ($XDG_CACHE_HOME of this process and of the programs it starts).
std::string TestCacheFolder();
