// SPDX-License-Identifier: GPL-3.0-or-later
// The message loop's waits and the clipboard's paste on a private Xvfb, measured where the tests
// only check what they do: how long a wait that nothing ends lasts and the processor time it uses,
// how soon a wake from another thread, a wake that came first or events already read end a wait,
// how soon WaitMessage returns after another thread posts, and how long a paste takes when the
// clipboard's owner answers in pieces (refused) or never answers (given up at the time-out).
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/backend/x11/x11_backend.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "support/xvfb.h"

namespace {

using Clock = std::chrono::steady_clock;

// A wait nothing ends, and the delay before another thread wakes or posts.
constexpr int kIdleWaitMs = 300;
// The program's paste waits this long for the clipboard's owner.
constexpr int kPasteTimeoutMs = 1000;
// Far beyond every wait measured here: a wait that reaches it has gone wrong.
constexpr int kPatientMs = 30000;
// More than one request can carry: the owner offers it in pieces (INCR).
constexpr int kPiecewiseBytes = 3000000;

double ThreadCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

HWND FakeHwnd() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7E570001u)); }

// A private server with the backend open on it and the platform started, and a second
// connection of the bench's own; all gone with the object, the platform first.
class Session {
 public:
  Session() {
    std::string error;
    m_server = XvfbServer::Start({}, &error);
    if (m_server == nullptr) return;
    m_other = XOpenDisplay(m_server->DisplayName().c_str());
    m_backend = x11::X11Backend::Open(m_server->DisplayName().c_str());
    if (m_backend != nullptr) InitPlatform(m_backend.get());
  }
  ~Session() {
    if (m_backend != nullptr) ShutdownPlatform();
    m_backend.reset();
    if (m_other != nullptr) XCloseDisplay(m_other);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Ok() const { return m_backend != nullptr && m_other != nullptr; }
  x11::X11Backend& Backend() { return *m_backend; }
  Display* Other() const { return m_other; }
  const std::string& DisplayName() const { return m_server->DisplayName(); }

  // A shown window of the backend's, and every event it brought handed over.
  bool ShowWindow() {
    backend::TopLevelProps props;
    props.titleUtf8 = "bench";
    if (!m_backend->CreateNative(FakeHwnd(), RECT{0, 0, 60, 40}, props)) return false;
    m_backend->SetNativeShowState(FakeHwnd(), backend::NativeShowState::Normal);
    Drain();
    return true;
  }
  void Drain() {
    while (m_backend->WaitAndDispatch(kIdleWaitMs / 3)) {
    }
  }

 private:
  std::unique_ptr<XvfbServer> m_server;
  Display* m_other = nullptr;
  std::unique_ptr<x11::X11Backend> m_backend;
};

// A wait that nothing ends: its length against its timeout, and the processor time it used.
void BM_IdleWait(benchmark::State& state) {
  Session session;
  if (!session.Ok() || !session.ShowWindow()) return state.SkipWithError("no X server");
  double wallMs = 0;
  double cpuMs = 0;
  for (auto _ : state) {
    const double cpuBefore = ThreadCpuMs();
    const auto start = Clock::now();
    session.Backend().WaitAndDispatch(kIdleWaitMs);
    wallMs += MsSince(start);
    cpuMs += ThreadCpuMs() - cpuBefore;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wait_ms"] = wallMs / n;
  state.counters["of_timeout"] = wallMs / n / kIdleWaitMs;
  state.counters["cpu_ms"] = cpuMs / n;
  state.counters["cpu_share"] = cpuMs / wallMs;
}
BENCHMARK(BM_IdleWait)->Unit(benchmark::kMillisecond)->Iterations(5);

// A wait without a timeout that another thread wakes: from the wake to the wait's return, and
// the processor time used while asleep.
void BM_WakeFromAnotherThread(benchmark::State& state) {
  Session session;
  if (!session.Ok() || !session.ShowWindow()) return state.SkipWithError("no X server");
  double latencyMs = 0;
  double wallMs = 0;
  double cpuMs = 0;
  for (auto _ : state) {
    std::atomic<Clock::rep> wokenAt{0};
    const double cpuBefore = ThreadCpuMs();
    const auto start = Clock::now();
    std::thread waker([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(kIdleWaitMs));
      wokenAt = Clock::now().time_since_epoch().count();
      session.Backend().Wake();
    });
    session.Backend().WaitAndDispatch(-1);
    const auto returned = Clock::now();
    cpuMs += ThreadCpuMs() - cpuBefore;
    waker.join();
    wallMs += std::chrono::duration<double, std::milli>(returned - start).count();
    latencyMs += std::chrono::duration<double, std::milli>(returned.time_since_epoch() -
                                                           Clock::duration(wokenAt.load()))
                     .count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wake_to_return_ms"] = latencyMs / n;
  state.counters["cpu_share"] = cpuMs / wallMs;
}
BENCHMARK(BM_WakeFromAnotherThread)->Unit(benchmark::kMillisecond)->Iterations(5);

// A wake that came before the wait: how soon the wait returns.
void BM_WakeBeforeTheWait(benchmark::State& state) {
  Session session;
  if (!session.Ok() || !session.ShowWindow()) return state.SkipWithError("no X server");
  for (auto _ : state) {
    session.Backend().Wake();
    session.Backend().WaitAndDispatch(kPatientMs);
  }
}
BENCHMARK(BM_WakeBeforeTheWait)->Unit(benchmark::kMicrosecond);

// The first wait after a window is shown, which also finishes start-up with the server: how soon
// it hands over the events already read.
void BM_FirstWaitAfterShowing(benchmark::State& state) {
  for (auto _ : state) {
    Session session;
    backend::TopLevelProps props;
    props.titleUtf8 = "bench";
    if (!session.Ok() || !session.Backend().CreateNative(FakeHwnd(), RECT{0, 0, 60, 40}, props)) {
      state.SkipWithError("no X server");
      break;
    }
    session.Backend().SetNativeShowState(FakeHwnd(), backend::NativeShowState::Normal);
    const auto start = Clock::now();
    session.Backend().WaitAndDispatch(kPatientMs);
    state.SetIterationTime(MsSince(start) / 1000);
  }
}
BENCHMARK(BM_FirstWaitAfterShowing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// WaitMessage while another thread posts after a moment: from the post to the return, how often
// the wait returned, and the processor time used while asleep.
void BM_WaitMessageUntilAnotherThreadPosts(benchmark::State& state) {
  Session session;
  if (!session.Ok()) return state.SkipWithError("no X server");
  constexpr UINT kWakeUp = WM_APP + 7;
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "BenchWaitTarget";
  RegisterClass(&wc);
  const HWND target =
      CreateWindowEx(0, "BenchWaitTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  double latencyMs = 0;
  double wallMs = 0;
  double cpuMs = 0;
  int returns = 0;
  for (auto _ : state) {
    std::atomic<Clock::rep> postedAt{0};
    const double cpuBefore = ThreadCpuMs();
    const auto start = Clock::now();
    std::thread poster([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(kIdleWaitMs));
      postedAt = Clock::now().time_since_epoch().count();
      PostMessage(target, kWakeUp, 0, 0);
    });
    bool received = false;
    while (!received) {
      WaitMessage();
      ++returns;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        received = received || msg.message == kWakeUp;
        DispatchMessage(&msg);
      }
    }
    const auto returned = Clock::now();
    cpuMs += ThreadCpuMs() - cpuBefore;
    poster.join();
    wallMs += std::chrono::duration<double, std::milli>(returned - start).count();
    latencyMs += std::chrono::duration<double, std::milli>(returned.time_since_epoch() -
                                                           Clock::duration(postedAt.load()))
                     .count();
  }
  DestroyWindow(target);
  const double n = static_cast<double>(state.iterations());
  state.counters["post_to_return_ms"] = latencyMs / n;
  state.counters["returns_per_wait"] = returns / n;
  state.counters["cpu_share"] = cpuMs / wallMs;
}
BENCHMARK(BM_WaitMessageUntilAnotherThreadPosts)->Unit(benchmark::kMillisecond)->Iterations(5);

// A paste while another program owns the clipboard: argument 0, xclip holding a text too large
// for one request (it answers in pieces, which a paste refuses); 1, a client that takes the
// clipboard and never answers (the paste gives up at its time-out). The time of a paste, and
// its share of the time-out.
void BM_PasteFromAnotherOwner(benchmark::State& state) {
  const bool silent = state.range(0) == 1;
  double totalMs = 0;
  for (auto _ : state) {
    Session session;
    if (!session.Ok()) {
      state.SkipWithError("no X server");
      break;
    }
    Display* other = session.Other();
    const Atom clipboard = XInternAtom(other, "CLIPBOARD", False);
    if (silent) {
      const Window owner = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
      XSetSelectionOwner(other, clipboard, owner, CurrentTime);
      XSync(other, False);
    } else {
      // xclip goes on serving the text in the background until the server ends.
      const std::string command = "head -c " + std::to_string(kPiecewiseBytes) +
                                  " /dev/zero | tr '\\0' a | DISPLAY=" + session.DisplayName() +
                                  " xclip -selection clipboard -i >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) {
        state.SkipWithError("xclip did not run (scripts/install-deps.sh installs it)");
        break;
      }
    }
    const auto waitedFrom = Clock::now();
    while (XGetSelectionOwner(other, clipboard) == None && MsSince(waitedFrom) < kPatientMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto start = Clock::now();
    const bool pasted = session.Backend().ClipboardText(kPasteTimeoutMs).has_value();
    const double ms = MsSince(start);
    state.SetIterationTime(ms / 1000);
    totalMs += ms;
    if (pasted) state.SkipWithError("the paste took a text it should not have");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["paste_ms"] = totalMs / n;
  state.counters["of_timeout"] = totalMs / n / kPasteTimeoutMs;
}
BENCHMARK(BM_PasteFromAnotherOwner)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
