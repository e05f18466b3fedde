// SPDX-License-Identifier: GPL-3.0-or-later
// A lost X connection ends the program with a message and exit code 1, and never hangs it; a
// program that finds no display at all says so too.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "platform/backend/x11/x11_backend.h"
#include "platform/module.h"
#include "platform/platform.h"
#include "support/xvfb.h"
#include "x11/x11_test_util.h"

namespace {

constexpr int kExitWaitMs = 10000;

std::unique_ptr<XvfbServer> StartServer() {
  std::string error;
  auto server = XvfbServer::Start({}, &error);
  EXPECT_NE(server, nullptr) << error;
  return server;
}

// Waits until the child shows a window on the server (false if it ends first or never does),
// looking through a connection of our own that is closed again before the server goes away.
bool WaitForWindowOf(const std::string& displayName, x11test::ChildProcess& child) {
  x11test::DisplayPtr peek = x11test::Connect(displayName);
  if (!peek) return false;
  bool shown = false;
  x11test::PumpUntil(
      [&] {
        for (Window w : x11test::WindowsOfProcess(peek.get(), child.Pid())) {
          if (x11test::WindowViewable(peek.get(), w)) shown = true;
        }
        return shown || !child.Running();
      },
      [] { usleep(20000); }, kExitWaitMs);
  return shown;
}

void ExpectLostConnectionExit(x11test::ChildProcess& child) {
  const std::optional<int> status = child.WaitExit(kExitWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running after the server died";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 1);
  EXPECT_NE(child.StandardError().find("lost the connection to the X server"), std::string::npos)
      << child.StandardError();
}

TEST(X11ConnectionTest, BackendInAWaitingLoopExitsWhenTheServerDies) {
  auto server = StartServer();
  ASSERT_NE(server, nullptr);
  const std::string displayName = server->DisplayName();
  auto child = x11test::ChildProcess::Fork([&] {
    auto backend = x11::X11Backend::Open(displayName.c_str());
    if (!backend) return 3;
    InitPlatform(backend.get());
    const HWND hwnd = reinterpret_cast<HWND>(0x7E570001);
    backend::TopLevelProps props;
    props.titleUtf8 = "Tessivo";
    if (!backend->CreateNative(hwnd, RECT{10, 10, 110, 60}, props)) return 4;
    backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
    for (;;) backend->WaitAndDispatch(-1);  // only the lost connection ends this
  });
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(WaitForWindowOf(displayName, *child)) << child->StandardError();
  server->Kill();
  ExpectLostConnectionExit(*child);
}

TEST(X11ConnectionTest, TheProgramExitsWhenTheServerDies) {
  auto server = StartServer();
  ASSERT_NE(server, nullptr);
  auto child =
      x11test::ChildProcess::Spawn({TESSIVO_BINARY_DIR "/tessivo"}, {"DISPLAY=" + server->DisplayName()});
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(WaitForWindowOf(server->DisplayName(), *child)) << child->StandardError();
  server->Kill();
  ExpectLostConnectionExit(*child);
}

TEST(X11ConnectionTest, TheProgramSaysSoWhenThereIsNoDisplay) {
  // A display number nobody serves.
  auto child = x11test::ChildProcess::Spawn({TESSIVO_BINARY_DIR "/tessivo"}, {"DISPLAY=:3999"});
  ASSERT_NE(child, nullptr);
  const std::optional<int> status = child->WaitExit(kExitWaitMs);
  ASSERT_TRUE(status.has_value());
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 1);
  EXPECT_EQ(child->StandardError(), "tessivo: cannot open the X display \":3999\"\n");
  auto unset = x11test::ChildProcess::Spawn({TESSIVO_BINARY_DIR "/tessivo"}, {"DISPLAY="});
  ASSERT_NE(unset, nullptr);
  ASSERT_TRUE(unset->WaitExit(kExitWaitMs).has_value());
  EXPECT_EQ(unset->StandardError(), "tessivo: cannot open the X display: DISPLAY is not set\n");
}

}  // namespace
