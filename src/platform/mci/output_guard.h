// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps a real-time output that stops working from holding a play, a thread or the program.
//
// A sound server that dies, a device that is unplugged or a file that cannot grow shows itself in
// one of three ways: the output reports an error, its thread quietly stops asking for sound (the
// synthesizer's drivers end their thread on a write error and tell nobody), or its write blocks
// (a server that stopped answering). So no output is trusted to report: the feed counts the frames
// that are asked for, and a watchdog fails the play when the count stands still. And no thread that
// may hang is joined without a bound: the feed can be retired, after which the thread renders only
// silence and never touches the sequencer or the play again, so it can be left behind safely.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <sys/types.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/mci/audio_output.h"

namespace mci {

// How long an output may stop asking for sound before its play ends with a failure: far beyond
// any scheduling delay of a working output (which asks every few milliseconds) and short enough
// that Play comes back within about a second of a server that hangs.
inline constexpr std::chrono::milliseconds kOutputStallLimit{800};
// The same before sound has begun to flow: a sound server may hold the first writes until its sink
// asks for data (a second and a half on PulseAudio's null sink), after the output has filled the
// device's buffer in a burst.
inline constexpr std::chrono::milliseconds kOutputStartLimit{5000};
// Sound flows once an output has asked for more than any device holds before it plays (the sound
// card's buffer is under a tenth of a second): by then the device is taking sound as it plays it.
inline constexpr std::uint64_t kOutputFlowingFrames = SoundSink::kSampleRate / 2;
// How long opening an output may take before the play is refused: connecting to a working server
// takes milliseconds, so only a server that has stopped answering makes Play wait this long.
inline constexpr std::chrono::milliseconds kOutputOpenLimit{2000};
// How long stopping waits for an output's thread to end before leaving it behind: a working driver
// ends its thread within one period (milliseconds), so only a thread stuck in a write waits this long.
inline constexpr std::chrono::milliseconds kOutputReleaseLimit{250};

// Between a rendering thread and the sequencer. Shared (shared_ptr) by the output and by whatever
// thread may outlive it.
class RenderFeed {
 public:
  RenderFeed(Sequencer* sequencer, OutputFinished finished);

  // Rendering thread: fills all `frames` of both buffers (silence after the end of the range or
  // once retired) and counts them. Returns what the sequencer rendered (nothing once retired).
  Sequencer::Rendered Render(float* left, float* right, int frames);
  // Any thread: the play is over with `outcome`; reported once, and never after Retire.
  void Finish(OutputOutcome outcome);
  // Waits for a block being rendered, then cuts the feed off: no more rendering, no report.
  void Retire();

  // Frames asked for so far, silence included.
  std::uint64_t Frames() const { return m_frames.load(std::memory_order_acquire); }
  // The thread that renders has ended (a driver gives up its thread on a write error and tells
  // nobody); false while it runs or before it first rendered.
  bool RenderThreadGone() const;
  // Ended, failed or retired: nothing to watch any more.
  bool Over() const { return m_over.load(std::memory_order_acquire); }

 private:
  Sequencer* m_sequencer;
  OutputFinished m_finished;
  std::mutex m_lock;  // held while rendering and reporting, so Retire knows both are done
  bool m_retired = false;
  bool m_reported = false;
  std::atomic<bool> m_over{false};
  std::atomic<std::uint64_t> m_frames{0};
  std::atomic<pid_t> m_renderThread{0};
};

// Fails a feed whose thread has ended, or whose frame count stands still past the limit above
// while its play goes on. Its own thread, which only waits on its own condition, so the destructor
// returns at once.
class StallWatchdog {
 public:
  explicit StallWatchdog(std::shared_ptr<RenderFeed> feed);
  ~StallWatchdog();
  StallWatchdog(const StallWatchdog&) = delete;
  StallWatchdog& operator=(const StallWatchdog&) = delete;

 private:
  void Run();

  std::shared_ptr<RenderFeed> m_feed;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_quit = false;
  std::thread m_thread;
};

// A thread that may get stuck: joined when it ends within a bound, else left to end on its own.
// Whatever the body uses must be owned by the body (captured shared_ptr), since it may outlive
// everything else.
class BoundedThread {
 public:
  explicit BoundedThread(std::function<void()> body);
  // Detaches a thread still running (see JoinWithin).
  ~BoundedThread();
  BoundedThread(const BoundedThread&) = delete;
  BoundedThread& operator=(const BoundedThread&) = delete;

  // True when the body ended within `limit` (the thread is joined); false when it is left behind.
  bool JoinWithin(std::chrono::milliseconds limit);

 private:
  struct Done {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
  };
  std::shared_ptr<Done> m_done;
  std::thread m_thread;
};

}  // namespace mci
