// SPDX-License-Identifier: GPL-3.0-or-later
// Termination signals as quit requests (CatchTerminationSignals in platform/loop.h). The
// handler only records the signal and wakes the loop; the loop turns the record into WM_QUIT the
// next time it looks at its queue, on the UI thread, where closing windows and devices is allowed.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

namespace backend {
class WaitConcern;
}  // namespace backend

namespace loop {

// A termination signal wakes `waiter` (its Wake() is async-signal-safe) while this lives: the
// running platform's state owns one, made after its queue and gone before it.
class SignalWake {
 public:
  explicit SignalWake(backend::WaitConcern& waiter);
  ~SignalWake();
  SignalWake(const SignalWake&) = delete;
  SignalWake& operator=(const SignalWake&) = delete;
};
// True once after a termination signal arrived: the caller posts the quit request.
bool TakeTerminationRequest();

}  // namespace loop
