// SPDX-License-Identifier: GPL-3.0-or-later
// Timers on the backend's clock. A due timer yields one WM_TIMER when the queue is otherwise
// empty; its next deadline counts from that moment, so a program that falls behind gets one
// message, not a burst. Which windows a filter covers is the caller's to say: the list knows
// handles, not windows.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/types.h"

namespace loop {

class TimerList {
 public:
  // The shortest period honoured; shorter requests are raised to it.
  static constexpr UINT kMinimumElapse = 10;

  // Sets (or restarts) the timer; the identifier SetTimer returns.
  std::uintptr_t Set(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc, std::uint64_t nowMs);
  bool Kill(HWND hwnd, std::uintptr_t id);
  void KillWindowTimers(HWND hwnd);
  std::optional<std::uint64_t> NextDeadline() const;
  // The due timer (earliest deadline, then creation order) among those whose window `covers`
  // accepts, as a WM_TIMER message; `remove` restarts its period from `nowMs`.
  bool TakeDue(const std::function<bool(HWND)>& covers, std::uint64_t nowMs, bool remove, MSG* out);
  bool ProcValid(HWND hwnd, std::uintptr_t id, TIMERPROC proc) const;

 private:
  struct Timer {
    HWND hwnd = nullptr;
    std::uintptr_t id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    std::uint64_t deadline = 0;
    std::uint64_t order = 0;  // creation order breaks ties between equal deadlines
  };
  // Timers without a window are numbered from here, apart from the small numbers windows use.
  static constexpr std::uintptr_t kFirstThreadTimerId = 0x7FF0;

  std::vector<Timer> m_list;
  std::uintptr_t m_lastThreadTimerId = kFirstThreadTimerId;
  std::uint64_t m_nextOrder = 0;
};

}  // namespace loop
