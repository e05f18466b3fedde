// The UI thread's message queue: posted and input messages in arrival order, then (only when
// nothing else waits) the quit message, paints and timers.
//
// Input events are stored as they came from the backend and turned into messages only when they
// reach the front, so the capture, focus and window under the pointer are those at the time the
// program reads the message, as a user expects after a press that set the capture.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/loop/loop.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

using namespace wincore;

namespace loop {
namespace {

struct Item {
  bool raw = false;
  MSG msg;
  platform_events::InputEvent input;
};

struct Queue {
  std::deque<Item> items;  // UI thread only
  std::uint64_t arrived = 0;  // items ever queued
  std::uint64_t seen = 0;     // `arrived` when the queue was last searched completely
  bool quitPosted = false;
  int quitCode = 0;
  DWORD lastTime = 0;
  POINT lastPt;
};

Queue& Q() {
  static Queue q;
  return q;
}

// Messages posted from other threads wait here until the UI thread picks them up. The queue is open
// to them (g_ready) only between SetUiThread and ResetQueue.
std::mutex g_incomingMutex;
std::vector<MSG> g_incoming;
std::atomic<bool> g_ready{false};
std::thread::id g_uiThread;
DWORD g_uiThreadId = 0;

thread_local DWORD t_lastError = 0;

void Drain() {
  std::vector<MSG> incoming;
  {
    std::lock_guard<std::mutex> lock(g_incomingMutex);
    incoming.swap(g_incoming);
  }
  for (const MSG& m : incoming) {
    Item item;
    item.msg = m;
    Q().items.push_back(item);
    ++Q().arrived;
  }
}

bool InRange(UINT message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  return message >= min && message <= max;
}

bool Matches(const MSG& m, HWND hwnd, UINT min, UINT max) {
  if (!InRange(m.message, min, max)) return false;
  if (hwnd == nullptr) return true;
  return m.hwnd == hwnd || IsChild(hwnd, m.hwnd);
}

DWORD Now() {
  Backend* b = CurrentBackend();
  return b ? static_cast<DWORD>(b->NowMs()) : 0;
}

struct DispatchScope {
  DispatchScope() { EnterDispatch(); }
  ~DispatchScope() { LeaveDispatch(); }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};

}  // namespace

void SetUiThread() {
  g_uiThread = std::this_thread::get_id();
  g_uiThreadId = static_cast<DWORD>(::syscall(SYS_gettid));
  std::lock_guard<std::mutex> lock(g_incomingMutex);
  g_ready = true;
}

bool OnUiThread() { return std::this_thread::get_id() == g_uiThread; }
DWORD UiThreadId() { return g_uiThreadId; }

void QueueInputEvent(const platform_events::InputEvent& event) {
  Item item;
  item.raw = true;
  item.input = event;
  Q().items.push_back(std::move(item));
  ++Q().arrived;
}

void PostFront(const MSG& msg) {
  Item item;
  item.msg = msg;
  Q().items.push_front(item);
  ++Q().arrived;
}

void ResetQueue() {
  {
    std::lock_guard<std::mutex> lock(g_incomingMutex);
    g_ready = false;
    g_incoming.clear();
  }
  Q() = Queue{};
}


}  // namespace loop

using namespace loop;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

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
  if (!g_ready) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (hwnd != nullptr && !IsLiveHandle(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  if (OnUiThread()) {
    Item item;
    item.msg = m;
    Q().items.push_back(item);
    ++Q().arrived;
    return TRUE;
  }
  // Under the lock the queue stays open, and so the backend stays set, until the wake is done:
  // ShutdownPlatform closes the queue before it lets the backend go.
  std::lock_guard<std::mutex> lock(g_incomingMutex);
  if (!g_ready) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  g_incoming.push_back(m);
  CurrentBackend()->Wake();
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != g_uiThreadId) return FALSE;
  return PostMessage(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  Q().quitPosted = true;
  Q().quitCode = exitCode;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!CoreReady() || msg == nullptr) return FALSE;
  ReleaseParked();
  CurrentBackend()->WaitAndDispatch(0);
  Drain();
  if (TakeTerminationRequest()) PostQuitMessage(0);
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  Queue& q = Q();

  for (std::size_t i = 0; i < q.items.size(); ++i) {
    if (q.items[i].raw) {
      // Taken out while it is converted: converting may send messages, and a nested loop must
      // not see the same event twice.
      platform_events::InputEvent event = std::move(q.items[i].input);
      q.items.erase(q.items.begin() + static_cast<std::ptrdiff_t>(i));
      MSG converted;
      if (!ConvertInput(event, &converted)) {
        --i;
        continue;
      }
      Item item;
      item.msg = converted;
      std::size_t at = std::min(i, q.items.size());
      q.items.insert(q.items.begin() + static_cast<std::ptrdiff_t>(at), item);
      i = at;
    }
    MSG& m = q.items[i].msg;
    if (m.hwnd != nullptr && Find(m.hwnd) == nullptr) {
      // The window was destroyed after the message was posted.
      q.items.erase(q.items.begin() + static_cast<std::ptrdiff_t>(i));
      --i;
      continue;
    }
    if (!Matches(m, hwnd, filterMin, filterMax)) continue;
    if (m.time == 0) m.time = Now();
    *msg = m;
    if (remove) {
      q.items.erase(q.items.begin() + static_cast<std::ptrdiff_t>(i));
      q.lastTime = msg->time;
      q.lastPt = msg->pt;
    }
    return TRUE;
  }
  q.seen = q.arrived;

  if (q.quitPosted && hwnd == nullptr && InRange(WM_QUIT, filterMin, filterMax)) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = static_cast<WPARAM>(q.quitCode);
    msg->time = Now();
    if (remove) q.quitPosted = false;
    return TRUE;
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
  if (InRange(WM_TIMER, filterMin, filterMax) && TakeDueTimer(hwnd, msg, remove)) {
    if (remove) q.lastTime = msg->time;
    return TRUE;
  }
  // An idle point: whatever was drawn since the last one reaches the display now.
  if (hwnd == nullptr && filterMin == 0 && filterMax == 0) FlushPresents();
  return FALSE;
}

BOOL WaitMessage() {
  if (!CoreReady()) return FALSE;
  Drain();
  Queue& q = Q();
  if (q.arrived != q.seen || q.quitPosted) return TRUE;
  if (FindPaintWindow(nullptr) != nullptr) return TRUE;
  auto deadline = NextTimerDeadline();
  std::uint64_t now = CurrentBackend()->NowMs();
  if (deadline && *deadline <= now) return TRUE;
  FlushPresents();
  int timeout = -1;
  if (deadline) {
    std::uint64_t wait = *deadline - now;
    timeout = static_cast<int>(std::min<std::uint64_t>(wait, 0x7FFFFFFF));
  }
  CurrentBackend()->WaitAndDispatch(timeout);
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
    PostFront(c);
  }
  return TRUE;
}


LRESULT DispatchMessage(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (!TimerProcValid(msg->hwnd, msg->wParam, proc)) return 0;
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

BOOL InSendMessage() { return FALSE; }
DWORD GetMessageTime() { return Q().lastTime; }

DWORD GetTickCount() { return Now(); }

UINT RegisterWindowMessage(const char* name) {
  static std::mutex mutex;
  static std::map<std::string, UINT> names;
  if (name == nullptr || *name == '\0') return 0;
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::lock_guard<std::mutex> lock(mutex);
  auto it = names.find(key);
  if (it != names.end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(names.size());
  names[key] = id;
  return id;
}
