// SPDX-License-Identifier: GPL-3.0-or-later
// A test on a real X server: a private Xvfb, the X11 backend connected to it with the platform
// started on it, and a second connection that looks at the windows and types and clicks through
// XTest the way a window manager, a screenshot tool or a user would. Everything goes when the
// test ends, the platform first.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/x11/x11_backend.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "support/xvfb.h"
#include "x11/x11_test_util.h"

#include <X11/extensions/XTest.h>
#include <unistd.h>

class X11Fixture : public ::testing::Test {
 protected:
  // Starts the server with `serverArgs`, connects the looking connection, calls BeforeOpen, then
  // opens the backend and starts the platform on it. A failure is fatal for the test: callers in
  // SetUp check HasFatalFailure().
  void StartAndOpen(const std::vector<std::string>& serverArgs = {}) {
    std::string error;
    m_server = XvfbServer::Start(serverArgs, &error);
    ASSERT_NE(m_server, nullptr) << error;
    m_peek = x11test::Connect(m_server->DisplayName());
    ASSERT_NE(m_peek, nullptr);
    BeforeOpen();
    m_backend = x11::X11Backend::Open(m_server->DisplayName().c_str());
    ASSERT_NE(m_backend, nullptr);
    InitPlatform(m_backend.get());
    m_platformUp = true;
  }
  // What the server must hold before the program connects (resources, keymaps ...).
  virtual void BeforeOpen() {}
  // The program's windows go before the platform; the default has none of its own.
  virtual void DestroyWindows() {}

  void TearDown() override {
    if (m_platformUp) {
      DestroyWindows();
      ShutdownPlatform();
    }
    m_backend.reset();
    m_peek.reset();
    m_server.reset();
  }

  Display* Peek() const { return m_peek.get(); }
  Window Xid(HWND hwnd) const { return static_cast<Window>(m_backend->NativeWindowId(hwnd)); }

  // Runs the message loop until `done` holds or `timeoutMs` has passed. A message `Route` takes
  // is not translated or dispatched (the controls' keyboard routing). Waits block unless
  // m_neverWait; a timer on one of the windows (kPumpTimer) keeps every wait bounded.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const long long deadline = x11test::MonotonicMs() + timeoutMs;
    for (;;) {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (Route(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      if (done()) return true;
      if (x11test::MonotonicMs() >= deadline) return false;
      if (m_neverWait) {
        usleep(2000);
      } else {
        WaitMessage();
      }
    }
  }
  virtual bool Route(const MSG&) { return false; }

  // A press and release of `button` at a screen point, through XTest.
  void Click(POINT screen, unsigned button = 1) {
    XTestFakeMotionEvent(Peek(), -1, screen.x, screen.y, CurrentTime);
    XTestFakeButtonEvent(Peek(), button, True, CurrentTime);
    XTestFakeButtonEvent(Peek(), button, False, CurrentTime);
    XSync(Peek(), False);
  }
  // A press and release of the key, through XTest.
  void TypeKeycode(KeyCode code) {
    XTestFakeKeyEvent(Peek(), code, True, CurrentTime);
    XTestFakeKeyEvent(Peek(), code, False, CurrentTime);
    XSync(Peek(), False);
  }

  static constexpr std::uintptr_t kPumpTimer = 77;
  std::unique_ptr<XvfbServer> m_server;
  x11test::DisplayPtr m_peek;
  std::unique_ptr<x11::X11Backend> m_backend;
  bool m_platformUp = false;
  // Pump without ever blocking: the program never goes idle as far as the backend can tell.
  bool m_neverWait = false;
};
