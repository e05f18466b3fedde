// SPDX-License-Identifier: GPL-3.0-or-later
// The UI thread's message queue: what was posted and what the display reported, in arrival order,
// and the quit request. It knows nothing of windows: turning raw input into a window's message,
// and making WM_PAINT and WM_TIMER when nothing else waits, is the window core's reading of it
// (window/messages.cpp).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/types.h"
#include "platform/backend/backend_events.h"

namespace backend {
class WaitConcern;
}  // namespace backend

namespace loop {

// A queued message, or an input event that becomes one only when it reaches the front, so that
// the capture, focus and window under the pointer are those at the time the program reads it.
struct QueuedItem {
  bool raw = false;
  MSG msg;
  backend::InputEvent input;
};

class MessageQueue {
 public:
  // `waiter` is woken when another thread posts. The queue starts closed to other threads.
  explicit MessageQueue(backend::WaitConcern& waiter);
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // ---- UI thread ----
  void Append(const MSG& msg);
  void AppendInput(const backend::InputEvent& event);
  // Ahead of everything else (the characters of a key go before its release).
  void PushFront(const MSG& msg);
  // What the reader walks, converts and removes from.
  std::deque<QueuedItem>& Items() { return m_items; }
  // Whether something arrived since the reader last went through the whole queue.
  bool HasUnseen() const { return m_arrived != m_seen; }
  void MarkAllSeen() { m_seen = m_arrived; }
  void PostQuit(int exitCode);
  // The pending quit request's exit code; `take` clears it.
  std::optional<int> Quit(bool take);

  // Moves what other threads posted to the end of the queue.
  void TakeIncoming();

  // ---- The UI thread, and other threads ----
  // Opens the queue to other threads and makes the calling thread the UI thread; Close shuts
  // it again (later posts from other threads fail) and drops what they posted.
  void Open();
  void Close();
  // From a thread other than the UI thread: queues the message and wakes the loop. False when
  // the queue is closed.
  bool PostFromOtherThread(const MSG& msg);
  bool OnUiThread() const { return std::this_thread::get_id() == m_uiThread; }
  DWORD UiThreadId() const { return m_uiThreadId; }

 private:
  backend::WaitConcern& m_waiter;
  std::deque<QueuedItem> m_items;  // UI thread only
  std::uint64_t m_arrived = 0;     // items ever queued
  std::uint64_t m_seen = 0;        // `m_arrived` when the queue was last searched completely
  std::optional<int> m_quitCode;

  std::mutex m_incomingMutex;
  std::vector<MSG> m_incoming;  // posted by other threads, under the mutex
  bool m_open = false;          // under the mutex
  std::thread::id m_uiThread;
  DWORD m_uiThreadId = 0;
};

}  // namespace loop
