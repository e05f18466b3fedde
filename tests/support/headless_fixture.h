// SPDX-License-Identifier: GPL-3.0-or-later
// A test that runs on the headless display: the platform is started before each test and shut
// down after it. When a test fails, what every window showed is written to PNG files.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/headless_driver.h"

class HeadlessFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Override to start the display with other settings.
  virtual headless::Options SessionOptions() const { return {}; }
  headless::HeadlessBackend& Display() { return m_session->Backend(); }

 private:
  std::unique_ptr<headless::Session> m_session;
};
