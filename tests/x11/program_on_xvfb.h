// The real program binary on a private X server, looked at through a second connection the way a
// window manager or a screenshot tool would. Every wait is bounded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/xvfb.h"
#include "x11/x11_test_util.h"

class ProgramOnXvfb : public ::testing::Test {
 protected:
  static constexpr int kWaitMs = 15000;

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

  std::unique_ptr<XvfbServer> m_server;
  x11test::DisplayPtr m_peek;
  std::unique_ptr<x11test::ChildProcess> m_program;
  Window m_main = None;
};
