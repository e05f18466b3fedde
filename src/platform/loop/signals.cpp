// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/loop/signals.h"

#include <atomic>
#include <csignal>

#include "platform/backend/backend.h"
#include "platform/loop.h"

namespace loop {
namespace {

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_taken = 0;
// The running platform's wait (SignalWake); read by the handler, so lock-free.
std::atomic<backend::WaitConcern*> g_wake{nullptr};
static_assert(std::atomic<backend::WaitConcern*>::is_always_lock_free);

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnTerminationSignal(int signal) {
  if (g_signal != 0) {
    // Asked twice: the first request's way out is taking too long; end now, as the signal would.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  g_signal = signal;
  if (backend::WaitConcern* waiter = g_wake.load()) waiter->Wake();
}

}  // namespace

SignalWake::SignalWake(backend::WaitConcern& waiter) { g_wake = &waiter; }
SignalWake::~SignalWake() { g_wake = nullptr; }

bool TakeTerminationRequest() {
  if (g_signal == 0 || g_taken != 0) return false;
  g_taken = 1;
  return true;
}

}  // namespace loop

void CatchTerminationSignals() {
  struct sigaction action{};
  action.sa_handler = loop::OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : loop::kTerminationSignals) sigaction(signal, &action, nullptr);
}

int TerminationSignal() { return loop::g_signal; }
