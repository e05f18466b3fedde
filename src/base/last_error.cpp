// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/last_error.h"

namespace {

// Per thread, as a failed call's caller reads it right after the call, whatever other threads do.
thread_local DWORD t_lastError = 0;

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }
