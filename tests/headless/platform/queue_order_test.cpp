// SPDX-License-Identifier: GPL-3.0-or-later
// The message queue: order of posted, input, quit, paint and timer messages; filters; posts from
// another thread waking a waiting loop.
#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class Queue : public LoggingFixture {
 protected:
  headless::Options SessionOptions() const override {
    headless::Options o;
    o.stallTimeoutMs = 5000;  // a lost wake-up fails the test within seconds instead of hanging
    return o;
  }
  void SetUp() override {
    LoggingFixture::SetUp();
    m_win = TopLevel(0, 0, 50, 50);
    ShowWindow(m_win, SW_SHOWNOACTIVATE);
    headless::PumpUntilIdle();
    TheLog().Clear();
  }
  HWND m_win = nullptr;
};

TEST_F(Queue, PostedThenQuitThenPaintThenTimer) {
  SetTimer(m_win, 1, 10, nullptr);
  headless::Current().SetNow(headless::Now() + 10);
  InvalidateRect(m_win, nullptr, FALSE);
  PostQuitMessage(3);
  PostMessage(m_win, WM_USER + 1, 0, 0);
  PostMessage(m_win, WM_USER + 2, 0, 0);
  std::vector<UINT> order;
  MSG msg;
  for (int i = 0; i < 5 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    order.push_back(msg.message);
    if (msg.message == WM_QUIT) {
      EXPECT_EQ(msg.wParam, 3u);
    }
    DispatchMessage(&msg);
  }
  EXPECT_THAT(order, ElementsAre(WM_USER + 1, WM_USER + 2, WM_QUIT, WM_PAINT, WM_TIMER));
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, FiltersAndPeekingWithoutRemoving) {
  HWND other = TopLevel(0, 0, 10, 10);
  PostMessage(other, WM_USER + 1, 0, 0);
  PostMessage(m_win, WM_USER + 2, 0, 0);
  PostMessage(m_win, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, m_win, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  // A message to no window is the thread's own.
  EXPECT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_APP, 7, 0));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Queue, WaitMessageIsWokenByAPostFromAnotherThread) {
  std::atomic<bool> posted{false};
  HWND target = m_win;
  std::thread watchdog([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    posted = PostMessage(target, WM_USER + 9, 11, 22) != FALSE;
  });
  const auto start = std::chrono::steady_clock::now();
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));  // blocks until the other thread posts
  const auto waited = std::chrono::steady_clock::now() - start;
  watchdog.join();
  EXPECT_TRUE(posted);
  EXPECT_EQ(msg.hwnd, m_win);
  EXPECT_EQ(msg.message, WM_USER + 9);
  EXPECT_EQ(msg.wParam, 11u);
  EXPECT_EQ(msg.lParam, 22);
  EXPECT_GE(waited, std::chrono::milliseconds(40));
}

TEST_F(Queue, ManyPostsFromOtherThreadsArriveInOrderPerThread) {
  constexpr int kEach = 500;
  HWND target = m_win;
  auto sender = [target](UINT msg) {
    for (int i = 0; i < kEach; ++i) PostMessage(target, msg, static_cast<WPARAM>(i), 0);
  };
  std::thread a(sender, WM_USER + 1);
  std::thread b(sender, WM_USER + 2);
  int seenA = 0;
  int seenB = 0;
  bool ordered = true;
  MSG msg;
  while (seenA + seenB < 2 * kEach && GetMessage(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_USER + 1) ordered &= msg.wParam == static_cast<WPARAM>(seenA++);
    if (msg.message == WM_USER + 2) ordered &= msg.wParam == static_cast<WPARAM>(seenB++);
  }
  a.join();
  b.join();
  EXPECT_EQ(seenA, kEach);
  EXPECT_EQ(seenB, kEach);
  EXPECT_TRUE(ordered);
}

TEST_F(Queue, WaitReturnsAtOnceWhenSomethingIsDue) {
  // A pending paint, a posted message or a due timer never lets the loop block.
  InvalidateRect(m_win, nullptr, TRUE);
  EXPECT_TRUE(WaitMessage());
  headless::PumpUntilIdle();
  PostMessage(m_win, WM_USER, 0, 0);
  EXPECT_TRUE(WaitMessage());
  headless::PumpUntilIdle();
  SetTimer(m_win, 1, 10, nullptr);
  headless::Current().SetNow(headless::Now() + 10);
  EXPECT_TRUE(WaitMessage());
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
}

class QueueWithRunningClock : public Queue {
 protected:
  headless::Options SessionOptions() const override {
    headless::Options o = Queue::SessionOptions();
    o.idleAdvancesClock = true;
    return o;
  }
};

TEST_F(QueueWithRunningClock, WaitingForATimerMovesTheClockToIt) {
  const std::uint64_t t0 = headless::Now();
  SetTimer(m_win, 5, 250, nullptr);
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(headless::Now(), t0 + 250);
}

TEST_F(Queue, QuitEndsGetMessage) {
  PostMessage(m_win, WM_USER, 0, 0);
  PostQuitMessage(0);
  MSG msg;
  EXPECT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_QUIT);
  // The helper loop reports the quit too.
  PostQuitMessage(4);
  headless::PumpUntilIdle();
  EXPECT_TRUE(headless::QuitReceived());
  EXPECT_EQ(headless::QuitCode(), 4);
}

}  // namespace
