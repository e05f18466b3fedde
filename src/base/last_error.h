// SPDX-License-Identifier: GPL-3.0-or-later
// The calling thread's last error: the code a platform call that failed left behind, for
// diagnostics (never shown to the student). Codes are in base/types.h (ERROR_...).
#pragma once

#include "base/types.h"

DWORD GetLastError();
void SetLastError(DWORD code);
