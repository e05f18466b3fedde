// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the UI thread's queue as messages for windows: posted and input messages in arrival
// order, then (only when nothing else waits) the quit message, paints and timers; sending,
// posting, translating and dispatching; and the timers' calls.
//
// Input events are stored as they came from the backend and turned into messages only when they
// reach the front, so the capture, focus and window under the pointer are those at the time the
// program reads the message, as a user expects after a press that set the capture.
#include <unistd.h>

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/loop/signals.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

bool InRange(UINT message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  return message >= min && message <= max;
}

bool InFamily(HWND filter, HWND hwnd) { return filter == nullptr || hwnd == filter || IsChild(filter, hwnd); }

bool Matches(const MSG& m, HWND hwnd, UINT min, UINT max) {
  return InRange(m.message, min, max) && InFamily(hwnd, m.hwnd);
}

DWORD Now() { return static_cast<DWORD>(State().backend.NowMs()); }

// A message being handled: records of windows destroyed meanwhile stay allocated until it ends.
class DispatchScope {
 public:
  DispatchScope() { State().windows.EnterDispatch(); }
  ~DispatchScope() { State().windows.LeaveDispatch(); }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};

// Walks the queue from the front for the first message that matches; raw input is converted on
// the way (and dropped when nobody takes it), messages of destroyed windows are dropped.
bool TakeQueued(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
  loop::MessageQueue& queue = State().queue;
  auto& items = queue.Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].raw) {
      // Taken out while it is converted: converting may send messages, and a nested loop must
      // not see the same event twice.
      backend::InputEvent event = std::move(items[i].input);
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
      MSG converted;
      if (!ConvertInput(event, &converted)) {
        --i;
        continue;
      }
      loop::QueuedItem item;
      item.msg = converted;
      const std::size_t at = std::min(i, items.size());
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), item);
      i = at;
    }
    MSG& m = items[i].msg;
    if (m.hwnd != nullptr && Find(m.hwnd) == nullptr) {
      // The window was destroyed after the message was posted.
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
      --i;
      continue;
    }
    if (!Matches(m, hwnd, filterMin, filterMax)) continue;
    if (m.time == 0) m.time = Now();
    *msg = m;
    if (remove) items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  queue.MarkAllSeen();
  return false;
}

}  // namespace
}  // namespace window

using namespace window;

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::gettid()); }

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || rec->proc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  WNDPROC proc = rec->proc;
  DispatchScope scope;
  return proc(hwnd, msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  PlatformState* running = RunningPlatform();
  if (running != nullptr && running->queue.OnUiThread()) {
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    running->queue.Append(m);
    return TRUE;
  }
  // Another thread (the audio thread's end of play): the platform may be stopping meanwhile, so
  // it is reached only while it holds still.
  if ((hwnd != nullptr && !IsLiveHandle(hwnd)) || !PostFromOtherThread(m)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  PlatformState* running = RunningPlatform();
  if (running == nullptr || threadId != running->queue.UiThreadId()) return FALSE;
  return PostMessage(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  if (PlatformState* running = RunningPlatform()) running->queue.PostQuit(exitCode);
}

namespace {

// The backend's wait, with the services' descriptors in it; whoever watches a ready one is called
// after the wait, from the loop, where it may send messages and answer requests as any handler.
void WaitWatching(PlatformState& state, int timeoutMs) {
  std::vector<pollfd>& extra = state.backend.ExtraDescriptors();
  extra.clear();
  for (const PlatformState::DescriptorWatch& w : state.descriptorWatches)
    extra.push_back({w.fd, w.events, 0});
  state.backend.WaitAndDispatch(timeoutMs);
  // Copied: a watcher may stop watching (its bus went away) or watch anew while called.
  const std::vector<pollfd> ready = extra;
  for (const pollfd& p : ready) {
    if (p.revents == 0) continue;
    auto& watches = state.descriptorWatches;
    auto it = std::find_if(watches.begin(), watches.end(), [&](const auto& w) { return w.fd == p.fd; });
    if (it != watches.end()) it->ready(it->context, p.revents);
  }
}

// The first time the loop would sleep with a window on the display, the services that wait for
// the first frame start. True when they ran, so the caller looks at the queue again first.
bool RunFirstIdleHooks(PlatformState& state) {
  if (state.firstIdleDone || state.firstIdleHooks.empty()) return false;
  bool shown = false;
  for (HWND top = GetTopWindow(nullptr); top != nullptr && !shown; top = GetWindow(top, GW_HWNDNEXT)) {
    shown = IsWindowVisible(top) != FALSE;
  }
  if (!shown) return false;
  state.firstIdleDone = true;
  for (void (*hook)() : std::vector<void (*)()>(state.firstIdleHooks)) hook();
  return true;
}

}  // namespace

void window::WatchDescriptor(int fd, short events, void (*ready)(void* context, short revents),
                             void* context) {
  PlatformState& state = State();
  UnwatchDescriptor(fd);
  state.descriptorWatches.push_back({fd, events, ready, context});
}

void window::UnwatchDescriptor(int fd) {
  if (PlatformState* running = RunningPlatform()) {
    std::erase_if(running->descriptorWatches, [fd](const auto& w) { return w.fd == fd; });
  }
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!CoreReady() || msg == nullptr) return FALSE;
  PlatformState& state = State();
  state.windows.ReleaseParked();
  WaitWatching(state, 0);
  state.queue.TakeIncoming();
  if (loop::TakeTerminationRequest()) PostQuitMessage(0);
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  if (TakeQueued(msg, hwnd, filterMin, filterMax, remove)) return TRUE;

  if (hwnd == nullptr && InRange(WM_QUIT, filterMin, filterMax)) {
    if (std::optional<int> code = state.queue.Quit(remove)) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(*code);
      msg->time = Now();
      return TRUE;
    }
  }
  if (InRange(WM_PAINT, filterMin, filterMax)) {
    if (HWND p = FindPaintWindow(hwnd)) {
      *msg = MSG{};
      msg->hwnd = p;
      msg->message = WM_PAINT;
      msg->time = Now();
      return TRUE;
    }
  }
  if (InRange(WM_TIMER, filterMin, filterMax) &&
      state.timers.TakeDue([hwnd](HWND owner) { return InFamily(hwnd, owner); }, state.backend.NowMs(),
                           remove, msg)) {
    return TRUE;
  }
  // An idle point: whatever was drawn since the last one reaches the display now.
  if (hwnd == nullptr && filterMin == 0 && filterMax == 0) FlushPresents();
  return FALSE;
}

BOOL WaitMessage() {
  if (!CoreReady()) return FALSE;
  PlatformState& state = State();
  state.queue.TakeIncoming();
  if (state.queue.HasUnseen() || state.queue.Quit(false)) return TRUE;
  if (FindPaintWindow(nullptr) != nullptr) return TRUE;
  const std::optional<std::uint64_t> deadline = state.timers.NextDeadline();
  const std::uint64_t now = state.backend.NowMs();
  if (deadline && *deadline <= now) return TRUE;
  FlushPresents();
  if (RunFirstIdleHooks(state)) return TRUE;
  constexpr std::uint64_t kLongestWait = 0x7FFFFFFF;  // what the backend's int time-out holds
  const int timeout = deadline ? static_cast<int>(std::min(*deadline - now, kLongestWait)) : -1;
  WaitWatching(state, timeout);
  return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!CoreReady() || msg == nullptr) return -1;
  while (!PeekMessage(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
    WaitMessage();
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  std::string chars;
  if (!KeyText(*msg, &chars) || chars.empty()) return FALSE;
  const UINT charMsg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  // The characters go ahead of everything queued after the key (its release included), as the
  // program reads a key's characters before its release.
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
    MSG c = *msg;
    c.message = charMsg;
    c.wParam = static_cast<unsigned char>(*it);
    State().queue.PushFront(c);
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (!State().timers.ProcValid(msg->hwnd, msg->wParam, proc)) return 0;
    DispatchScope scope;
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  WindowRecord* rec = Find(msg->hwnd);
  if (rec == nullptr) return 0;
  if (msg->message == WM_PAINT) {
    LRESULT r = SendMessage(msg->hwnd, WM_PAINT, msg->wParam, msg->lParam);
    // A window procedure that does not validate its update would be asked forever; each pending
    // update yields exactly one WM_PAINT.
    if (Find(msg->hwnd) != nullptr) ValidateRect(msg->hwnd, nullptr);
    return r;
  }
  return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetTickCount() {
  PlatformState* running = RunningPlatform();
  return running != nullptr ? static_cast<DWORD>(running->backend.NowMs()) : 0;
}

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc) {
  if (!CoreReady()) return 0;
  if (hwnd != nullptr && Find(hwnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  PlatformState& state = State();
  return state.timers.Set(hwnd, id, elapseMs, proc, state.backend.NowMs());
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  PlatformState* running = RunningPlatform();
  return running != nullptr && running->timers.Kill(hwnd, id) ? TRUE : FALSE;
}
