// How the rest of the platform reaches the message loop: the queue of messages and raw input,
// the UI thread, and the timers (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <optional>

#include "base/types.h"
#include "platform/backend/backend_events.h"

namespace loop {

// ---- Queue (message_queue.cpp) ----------------------------------------------------------------
void QueueInputEvent(const platform_events::InputEvent& event);
void PostFront(const MSG& msg);
void ResetQueue();
void SetUiThread();
bool OnUiThread();
DWORD UiThreadId();

// ---- Timers (timers.cpp) ----------------------------------------------------------------------
std::optional<std::uint64_t> NextTimerDeadline();
// A due timer of `filter` (or of any window when nullptr) as a WM_TIMER message.
bool TakeDueTimer(HWND filter, MSG* out, bool remove);
void KillWindowTimers(HWND hwnd);
bool TimerProcValid(HWND hwnd, std::uintptr_t id, TIMERPROC proc);
void ResetTimers();

// ---- Termination signals (signals.cpp) ------------------------------------------------------
// True once after a termination signal arrived: the caller posts the quit request.
bool TakeTerminationRequest();

}  // namespace loop
