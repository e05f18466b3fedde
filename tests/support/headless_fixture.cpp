// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/headless_fixture.h"

#include <cstdio>
#include <filesystem>
#include <string>

void HeadlessFixture::SetUp() { m_session = std::make_unique<headless::Session>(SessionOptions()); }

void HeadlessFixture::TearDown() {
  if (HasFailure() && m_session) {
    // Pictures of what the user would have seen help more than a pixel value.
    std::error_code ec;
    auto dir = std::filesystem::temp_directory_path(ec) / "tessivo-test-output";
    std::filesystem::create_directories(dir, ec);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string base = std::string(info->test_suite_name()) + "." + info->name();
    int n = 0;
    for (HWND h : Display().Stacking()) {
      auto path = dir / (base + "." + std::to_string(n++) + ".png");
      if (headless::WritePng(h, path.string())) std::fprintf(stderr, "window picture: %s\n", path.c_str());
    }
  }
  m_session.reset();
}
