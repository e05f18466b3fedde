// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/loop/timer_list.h"

#include <algorithm>

namespace loop {

std::uintptr_t TimerList::Set(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc,
                              std::uint64_t nowMs) {
  const UINT elapse = std::max(elapseMs, kMinimumElapse);
  if (hwnd == nullptr) {
    // A timer without a window gets a fresh identifier unless it names one of its own.
    const bool exists = std::any_of(m_list.begin(), m_list.end(),
                                    [&](const Timer& t) { return t.hwnd == nullptr && t.id == id; });
    if (id == 0 || !exists) id = ++m_lastThreadTimerId;
  }
  const std::uintptr_t returned = hwnd == nullptr ? id : (id == 0 ? 1 : id);
  for (Timer& t : m_list) {
    if (t.hwnd == hwnd && t.id == id) {
      // Setting an existing timer again restarts it.
      t.elapse = elapse;
      t.proc = proc;
      t.deadline = nowMs + elapse;
      return returned;
    }
  }
  Timer t;
  t.hwnd = hwnd;
  t.id = id;
  t.elapse = elapse;
  t.proc = proc;
  t.deadline = nowMs + elapse;
  t.order = m_nextOrder++;
  m_list.push_back(t);
  return returned;
}

bool TimerList::Kill(HWND hwnd, std::uintptr_t id) {
  auto it = std::find_if(m_list.begin(), m_list.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == m_list.end()) return false;
  m_list.erase(it);
  return true;
}

void TimerList::KillWindowTimers(HWND hwnd) {
  m_list.erase(std::remove_if(m_list.begin(), m_list.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
               m_list.end());
}

std::optional<std::uint64_t> TimerList::NextDeadline() const {
  std::optional<std::uint64_t> best;
  for (const Timer& t : m_list) {
    if (!best || t.deadline < *best) best = t.deadline;
  }
  return best;
}

bool TimerList::TakeDue(const std::function<bool(HWND)>& covers, std::uint64_t nowMs, bool remove, MSG* out) {
  Timer* due = nullptr;
  for (Timer& t : m_list) {
    if (t.deadline > nowMs || !covers(t.hwnd)) continue;
    if (due == nullptr || t.deadline < due->deadline ||
        (t.deadline == due->deadline && t.order < due->order)) {
      due = &t;
    }
  }
  if (due == nullptr) return false;
  *out = MSG{};
  out->hwnd = due->hwnd;
  out->message = WM_TIMER;
  out->wParam = due->id;
  out->lParam = reinterpret_cast<LPARAM>(due->proc);
  out->time = static_cast<DWORD>(nowMs);
  if (remove) due->deadline = nowMs + due->elapse;
  return true;
}

bool TimerList::ProcValid(HWND hwnd, std::uintptr_t id, TIMERPROC proc) const {
  return std::any_of(m_list.begin(), m_list.end(),
                     [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && t.proc == proc; });
}

}  // namespace loop
