// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/output_guard.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace mci {

// ---- RenderFeed --------------------------------------------------------------------------------
RenderFeed::RenderFeed(Sequencer* sequencer, OutputFinished finished)
    : m_sequencer(sequencer), m_finished(std::move(finished)) {}

Sequencer::Rendered RenderFeed::Render(float* left, float* right, int frames) {
  if (m_renderThread.load(std::memory_order_relaxed) == 0) {
    m_renderThread.store(::gettid(), std::memory_order_release);
  }
  Sequencer::Rendered r;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_retired) r = m_sequencer->Render(left, right, frames);
  }
  std::fill(left + r.frames, left + frames, 0.0f);
  std::fill(right + r.frames, right + frames, 0.0f);
  m_frames.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_release);
  return r;
}

void RenderFeed::Finish(OutputOutcome outcome) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_retired || m_reported) return;
  m_reported = true;
  m_over.store(true, std::memory_order_release);
  m_finished(outcome);
}

bool RenderFeed::RenderThreadGone() const {
  const pid_t thread = m_renderThread.load(std::memory_order_acquire);
  if (thread == 0) return false;
  const std::string task = "/proc/self/task/" + std::to_string(thread);
  return ::access(task.c_str(), F_OK) != 0 && errno == ENOENT;
}

void RenderFeed::Retire() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_retired = true;
  m_over.store(true, std::memory_order_release);
}

// ---- StallWatchdog -----------------------------------------------------------------------------
namespace {

// How often the watchdog looks: a thread that has ended is seen within this, a stall soon after
// its limit.
constexpr std::chrono::milliseconds kLookPeriod{100};

}  // namespace

StallWatchdog::StallWatchdog(std::shared_ptr<RenderFeed> feed) : m_feed(std::move(feed)) {
  m_thread = std::thread([this] { Run(); });
}

StallWatchdog::~StallWatchdog() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_quit = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void StallWatchdog::Run() {
  std::uint64_t lastFrames = m_feed->Frames();
  auto lastMoved = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(m_lock);
  while (!m_wake.wait_for(lock, kLookPeriod, [this] { return m_quit; })) {
    if (m_feed->Over()) return;
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t frames = m_feed->Frames();
    const auto limit = frames > kOutputFlowingFrames ? kOutputStallLimit : kOutputStartLimit;
    if (frames != lastFrames) {
      lastFrames = frames;
      lastMoved = now;
    }
    if (m_feed->RenderThreadGone() || now - lastMoved >= limit) {
      m_feed->Finish(OutputOutcome::kFailed);
      return;
    }
  }
}

// ---- BoundedThread -----------------------------------------------------------------------------
BoundedThread::BoundedThread(std::function<void()> body) : m_done(std::make_shared<Done>()) {
  m_thread = std::thread([done = m_done, body = std::move(body)] {
    body();
    std::lock_guard<std::mutex> lock(done->lock);
    done->done = true;
    done->changed.notify_all();
  });
}

BoundedThread::~BoundedThread() {
  if (m_thread.joinable()) m_thread.detach();
}

bool BoundedThread::JoinWithin(std::chrono::milliseconds limit) {
  if (!m_thread.joinable()) return true;
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(m_done->lock);
    ended = m_done->changed.wait_for(lock, limit, [this] { return m_done->done; });
  }
  if (ended) {
    m_thread.join();
  } else {
    m_thread.detach();
  }
  return ended;
}

}  // namespace mci
