// Starting and stopping the platform: the program starts it on the x11 backend, a test on the
// headless one. One backend at a time; starting again stops the previous run first.
#pragma once

class Backend;

// `backend` is not owned and must outlive every window made while it runs.
void InitPlatform(Backend* backend);
// Closes the multimedia devices, destroys every window and forgets all state of the run.
void ShutdownPlatform();
