// SPDX-License-Identifier: GPL-3.0-or-later
// Termination signals as quit requests (CatchTerminationSignals in platform/platform.h). The
// handler only records the signal and wakes the loop; the loop turns the record into WM_QUIT the
// next time it looks at its queue, on the UI thread, where closing windows and devices is allowed.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

class Backend;

namespace loop {

// The backend a signal wakes (its Wake() must be async-signal-safe); nullptr while no platform
// runs. Set when the platform starts and cleared before its backend goes.
void WakeOnSignal(Backend* backend);
// True once after a termination signal arrived: the caller posts the quit request.
bool TakeTerminationRequest();

}  // namespace loop
