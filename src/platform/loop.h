// SPDX-License-Identifier: GPL-3.0-or-later
// The message loop and the process's termination signals.
#pragma once

// SIGTERM, SIGINT and SIGHUP end the run as a quit request would: the message loop gets WM_QUIT,
// so the program closes its windows and devices on its way out. A second such signal, if the
// first one's way out hangs, ends the process at once. Call once, after InitPlatform.
void CatchTerminationSignals();
// The signal that asked the program to end, or 0. A process ended by one exits with 128 + it.
int TerminationSignal();
