// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the platform: the program starts it on the x11 backend, a test on the
// headless one. One backend at a time; starting again stops the previous run first.
#pragma once

namespace backend {
class Backend;
}  // namespace backend

// `backend` is not owned and must outlive every window made while it runs.
void InitPlatform(backend::Backend* backend);
// Ends the run's services (the multimedia devices, the bridge to screen readers), destroys every
// window and forgets all state of the run.
void ShutdownPlatform();
