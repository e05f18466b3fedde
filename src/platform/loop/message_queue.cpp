// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/loop/message_queue.h"

#include <unistd.h>

#include "platform/backend/backend.h"

namespace loop {

MessageQueue::MessageQueue(backend::WaitConcern& waiter) : m_waiter(waiter) {}

void MessageQueue::Append(const MSG& msg) {
  QueuedItem item;
  item.msg = msg;
  m_items.push_back(item);
  ++m_arrived;
}

void MessageQueue::AppendInput(const backend::InputEvent& event) {
  QueuedItem item;
  item.raw = true;
  item.input = event;
  m_items.push_back(std::move(item));
  ++m_arrived;
}

void MessageQueue::PushFront(const MSG& msg) {
  QueuedItem item;
  item.msg = msg;
  m_items.push_front(item);
  ++m_arrived;
}

void MessageQueue::PostQuit(int exitCode) { m_quitCode = exitCode; }

std::optional<int> MessageQueue::Quit(bool take) {
  std::optional<int> code = m_quitCode;
  if (take) m_quitCode.reset();
  return code;
}

void MessageQueue::TakeIncoming() {
  std::vector<MSG> incoming;
  {
    std::lock_guard<std::mutex> lock(m_incomingMutex);
    incoming.swap(m_incoming);
  }
  for (const MSG& m : incoming) Append(m);
}

void MessageQueue::Open() {
  m_uiThread = std::this_thread::get_id();
  m_uiThreadId = static_cast<DWORD>(::gettid());
  std::lock_guard<std::mutex> lock(m_incomingMutex);
  m_open = true;
}

void MessageQueue::Close() {
  std::lock_guard<std::mutex> lock(m_incomingMutex);
  m_open = false;
  m_incoming.clear();
}

bool MessageQueue::PostFromOtherThread(const MSG& msg) {
  // Under the lock the queue stays open, and so the backend stays set, until the wake is done.
  std::lock_guard<std::mutex> lock(m_incomingMutex);
  if (!m_open) return false;
  m_incoming.push_back(msg);
  m_waiter.Wake();
  return true;
}

}  // namespace loop
