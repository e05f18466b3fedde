// SPDX-License-Identifier: GPL-3.0-or-later
// The real program binary on a private X server, looked at through a second connection the way a
// window manager or a screenshot tool would. Every wait is bounded.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/types.h"
#include "support/xvfb.h"
#include "x11/x11_test_util.h"

class ProgramOnXvfb : public ::testing::Test {
 protected:
  static constexpr int kWaitMs = 15000;
  static constexpr useconds_t kSettleUs = 60000;
  // The player's one button, Play, in the main window's client area.
  static constexpr RECT kPlayButton{280, 8, 280 + 29, 8 + 30};

  void SetUp() override;
  // Extra arguments for the server (a later "-screen 0 WxHxD" replaces the default screen).
  virtual std::vector<std::string> ServerArgs() const { return {}; }

  // Starts `program` (the built binary unless given) and waits until its window is viewable.
  void Start(const std::string& program = TESSIVO_BINARY_DIR "/tessivo",
             const std::vector<std::string>& environment = {});
  // What a window manager sends when the user closes the window.
  void CloseLikeAWindowManager();
  void ExpectEndsWithCodeZero();

  Display* Peek() const { return m_peek.get(); }

  // ---- Acting as the user, through XTest --------------------------------------------------------
  // A point of the main window's client area on the root window.
  POINT OnRoot(int x, int y);
  // Clicks at a root point, then gives the program a moment to take the click.
  void ClickAt(POINT root);
  // Presses once the keyboard focus is in one of the program's windows: the program takes the
  // focus when its window is mapped, a moment after the window is viewable, and a key pressed in
  // that moment goes to whatever was focused before (the root), as a user's would.
  void PressKey(KeySym keysym, KeySym modifier = NoSymbol);
  bool ProgramHasFocus();
  bool WaitFor(const std::function<bool()>& done) {
    return x11test::PumpUntil(done, [] { usleep(10000); }, kWaitMs);
  }
  // The main window's pixels in a client rectangle once a frame is whole: two looks a moment apart
  // agree (a look between two puts of one frame would see half of it) and show more than one
  // colour (a window not painted yet is one flat colour; every area the tests look at has text or
  // lines). Empty on timeout.
  std::vector<std::uint32_t> SettledPixels(int x, int y, int width, int height);
  // The viewable override-redirect window (an open drop-down list) and its place on the root.
  std::optional<RECT> OpenList();
  // Play drawn coloured (usable), not greyed.
  bool PlayIsColoured();

  std::unique_ptr<XvfbServer> m_server;
  x11test::DisplayPtr m_peek;
  std::unique_ptr<x11test::ChildProcess> m_program;
  Window m_main = None;
};
