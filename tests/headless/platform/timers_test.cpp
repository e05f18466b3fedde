// SPDX-License-Identifier: GPL-3.0-or-later
// Timers on the virtual clock: they fire when the clock reaches them, in deadline order, once
// per expiry, and never before.
#include <gmock/gmock.h>

#include "platform/backend/backend.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class Timers : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    m_win = TopLevel(0, 0, 10, 10);
    TheLog().Clear();
  }
  // (timer id, clock time) of every WM_TIMER so far.
  std::vector<std::pair<WPARAM, std::uint64_t>> Fired() const {
    std::vector<std::pair<WPARAM, std::uint64_t>> out;
    for (const auto& e : TheLog().entries) {
      if (e.msg == WM_USER) out.push_back({e.wParam, static_cast<std::uint64_t>(e.lParam)});
    }
    return out;
  }
  void RecordTimerTimes() {
    TheLog().handlers[WM_TIMER] = [](HWND, WPARAM id, LPARAM, LRESULT* r) {
      TheLog().entries.push_back({nullptr, WM_USER, id, static_cast<LPARAM>(headless::Now())});
      *r = 0;
      return true;
    };
  }
  HWND m_win = nullptr;
};

TEST_F(Timers, FireInDeadlineOrderAndNotBefore) {
  RecordTimerTimes();
  const std::uint64_t t0 = headless::Now();
  SetTimer(m_win, 1, 60, nullptr);
  SetTimer(m_win, 2, 25, nullptr);
  headless::AdvanceClock(24);
  EXPECT_TRUE(Fired().empty());
  headless::AdvanceClock(1);
  EXPECT_THAT(Fired(), ElementsAre(std::pair{WPARAM{2}, t0 + 25}));
  headless::AdvanceClock(100);
  // Timer 2 every 25 ms, timer 1 every 60 ms, each at its own deadline.
  EXPECT_THAT(Fired(), ElementsAre(std::pair{WPARAM{2}, t0 + 25}, std::pair{WPARAM{2}, t0 + 50},
                                   std::pair{WPARAM{1}, t0 + 60}, std::pair{WPARAM{2}, t0 + 75},
                                   std::pair{WPARAM{2}, t0 + 100}, std::pair{WPARAM{1}, t0 + 120},
                                   std::pair{WPARAM{2}, t0 + 125}));
}

TEST_F(Timers, KillResetAndWindowDestruction) {
  RecordTimerTimes();
  const std::uint64_t t0 = headless::Now();
  SetTimer(m_win, 7, 60, nullptr);
  headless::AdvanceClock(50);
  SetTimer(m_win, 7, 60, nullptr);  // set again: counts from now
  headless::AdvanceClock(60);
  EXPECT_THAT(Fired(), ElementsAre(std::pair{WPARAM{7}, t0 + 110}));
  EXPECT_TRUE(KillTimer(m_win, 7));
  EXPECT_FALSE(KillTimer(m_win, 7));
  headless::AdvanceClock(500);
  EXPECT_EQ(Fired().size(), 1u);
  SetTimer(m_win, 8, 10, nullptr);
  DestroyWindow(m_win);
  headless::AdvanceClock(100);
  EXPECT_EQ(Fired().size(), 1u);
}

TEST_F(Timers, ALateLoopGetsOneMessagePerTimer) {
  RecordTimerTimes();
  SetTimer(m_win, 3, 10, nullptr);
  // The clock jumps past several periods without the loop running.
  Display().SetNow(headless::Now() + 95);
  headless::PumpUntilIdle();
  EXPECT_EQ(Fired().size(), 1u);
}

TEST_F(Timers, TimerProcedureAndThreadTimers) {
  static std::vector<std::uintptr_t> calls;
  calls.clear();
  TIMERPROC proc = [](HWND, UINT msg, std::uintptr_t id, DWORD) {
    if (msg == WM_TIMER) calls.push_back(id);
  };
  std::uintptr_t id = SetTimer(nullptr, 0, 30, proc);
  EXPECT_NE(id, 0u);
  SetTimer(m_win, 4, 30, proc);
  headless::AdvanceClock(30);
  EXPECT_THAT(calls, ElementsAre(id, std::uintptr_t{4}));
  // With a procedure, the window procedure does not see the timer.
  EXPECT_EQ(TheLog().Count(WM_TIMER), 0);
  KillTimer(nullptr, id);
  headless::AdvanceClock(30);
  EXPECT_EQ(calls.size(), 3u);
  // A forged WM_TIMER with a procedure address that is no timer's is not called.
  MSG forged{m_win, WM_TIMER, 99, reinterpret_cast<LPARAM>(proc), 0, {}};
  DispatchMessage(&forged);
  EXPECT_EQ(calls.size(), 3u);
}

TEST_F(Timers, ClockListenersHearEveryStep) {
  struct Listener : ClockListener {
    std::vector<std::uint64_t> steps;
    void ClockAdvanced(std::uint64_t now) override { steps.push_back(now); }
  } listener;
  Display().AddClockListener(&listener);
  const std::uint64_t t0 = headless::Now();
  SetTimer(m_win, 1, 40, nullptr);
  headless::AdvanceClock(100);
  Display().RemoveClockListener(&listener);
  EXPECT_THAT(listener.steps, ElementsAre(t0 + 40, t0 + 80, t0 + 100));
  EXPECT_EQ(GetTickCount(), static_cast<DWORD>(t0 + 100));
}

}  // namespace
