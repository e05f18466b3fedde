// Timers on the backend's clock. A due timer yields one WM_TIMER when the queue is otherwise
// empty; its next deadline counts from that moment, so a program that falls behind gets one
// message, not a burst.
#include <algorithm>
#include <map>

#include "platform/loop/loop.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

using namespace wincore;

namespace loop {
namespace {

struct Timer {
  HWND hwnd = nullptr;
  std::uintptr_t id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t deadline = 0;
  std::uint64_t order = 0;  // creation order breaks ties between equal deadlines
};

struct Timers {
  std::vector<Timer> list;
  std::uintptr_t nextThreadTimerId = 0x7FF0;
  std::uint64_t nextOrder = 0;
};

Timers& T() {
  static Timers timers;
  return timers;
}

// The shortest period the platform honours; shorter requests are raised to it.
constexpr UINT kMinimumElapse = 10;

std::uint64_t Now() { return CurrentBackend() ? CurrentBackend()->NowMs() : 0; }

bool InFamily(HWND filter, HWND hwnd) {
  if (filter == nullptr) return true;
  return hwnd == filter || IsChild(filter, hwnd);
}

}  // namespace

std::optional<std::uint64_t> NextTimerDeadline() {
  std::optional<std::uint64_t> best;
  for (const Timer& t : T().list) {
    if (!best || t.deadline < *best) best = t.deadline;
  }
  return best;
}

bool TakeDueTimer(HWND filter, MSG* out, bool remove) {
  std::uint64_t now = Now();
  Timer* due = nullptr;
  for (Timer& t : T().list) {
    if (t.deadline > now || !InFamily(filter, t.hwnd)) continue;
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
  out->time = static_cast<DWORD>(now);
  if (remove) due->deadline = now + due->elapse;
  return true;
}

void KillWindowTimers(HWND hwnd) {
  auto& list = T().list;
  list.erase(std::remove_if(list.begin(), list.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
             list.end());
}

void ResetTimers() { T() = Timers{}; }

bool TimerProcValid(HWND hwnd, std::uintptr_t id, TIMERPROC proc) {
  for (const Timer& t : T().list) {
    if (t.hwnd == hwnd && t.id == id && t.proc == proc) return true;
  }
  return false;
}

}  // namespace loop

using namespace loop;

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc) {
  if (!CoreReady()) return 0;
  if (hwnd != nullptr && Find(hwnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  UINT elapse = std::max(elapseMs, kMinimumElapse);
  auto& list = T().list;
  if (hwnd == nullptr) {
    // A timer without a window gets a fresh identifier unless it names one of its own.
    bool exists = std::any_of(list.begin(), list.end(),
                              [&](const Timer& t) { return t.hwnd == nullptr && t.id == id; });
    if (id == 0 || !exists) id = ++T().nextThreadTimerId;
  }
  for (Timer& t : list) {
    if (t.hwnd == hwnd && t.id == id) {
      // Setting an existing timer again restarts it.
      t.elapse = elapse;
      t.proc = proc;
      t.deadline = Now() + elapse;
      return hwnd == nullptr ? id : (id == 0 ? 1 : id);
    }
  }
  Timer t;
  t.hwnd = hwnd;
  t.id = id;
  t.elapse = elapse;
  t.proc = proc;
  t.deadline = Now() + elapse;
  t.order = T().nextOrder++;
  list.push_back(t);
  return hwnd == nullptr ? id : (id == 0 ? 1 : id);
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  auto& list = T().list;
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == list.end()) return FALSE;
  list.erase(it);
  return TRUE;
}
