// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the platform: the program starts it on the x11 backend, a test on the
// headless one. One backend at a time; starting again stops the previous run first.
#pragma once

class Backend;

// `backend` is not owned and must outlive every window made while it runs.
void InitPlatform(Backend* backend);
// Runs the services' shutdown hooks, destroys every window and forgets all state of the run.
void ShutdownPlatform();
// For a service that holds threads or devices during a run (the multimedia service): `hook` runs
// at the start of ShutdownPlatform, before any window goes, latest registered first; registering
// the same hook again in one run changes nothing. Ignored when no platform runs.
void AtPlatformShutdown(void (*hook)());

// SIGTERM, SIGINT and SIGHUP end the run as a quit request would: the message loop gets WM_QUIT,
// so the program closes its windows and devices on its way out. A second such signal, if the
// first one's way out hangs, ends the process at once. Call once, after InitPlatform.
void CatchTerminationSignals();
// The signal that asked the program to end, or 0. A process ended by one exits with 128 + it.
int TerminationSignal();
