// SPDX-License-Identifier: GPL-3.0-or-later
// The accessibility bridge's parts that need no screen reader: the objects' paths a reader may
// send back in any shape, which events a listener's pattern asks for, and the question put to the
// session bus before libdbus is loaded.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "platform/atspi/bridge.h"
#include "platform/atspi/bus_probe.h"
#include "platform/atspi/object_server.h"
#include "support/required_tools.h"

namespace {

constexpr int kProbeTimeoutMs = 2000;

TEST(AtspiPaths, AnObjectComesBackFromItsPathAndStrangePathsNameNothing) {
  const a11y::ObjectRef cell{reinterpret_cast<HWND>(std::uintptr_t{65544}), 27};
  EXPECT_EQ(atspi::ObjectOfPath(atspi::PathOf(cell)), cell);
  EXPECT_EQ(atspi::ObjectOfPath(atspi::PathOf({})), a11y::ObjectRef{});  // the application
  for (const char* stranger :
       {"/org/a11y/atspi/accessible/abc", "/org/a11y/atspi/accessible/12", "/org/a11y/atspi/accessible/_3",
        "/org/a11y/atspi/accessible/0_0", "/org/a11y/atspi/accessible/12_3x",
        "/org/a11y/atspi/accessible/999999999999999999999999_1", "/org/a11y/atspi/accessible/12_99999999999",
        "/org/a11y/atspi/cache", "/elsewhere/12_3", ""}) {
    EXPECT_FALSE(atspi::ObjectOfPath(stranger)) << stranger;
  }
}

TEST(AtspiEvents, AListenersPatternCoversTheEventsBelowIt) {
  EXPECT_TRUE(atspi::EventPatternCovers("object:state-changed:focused", "object:state-changed:focused"));
  EXPECT_TRUE(atspi::EventPatternCovers("object:state-changed:", "object:state-changed:focused"));
  // The registry hands listeners on in the bus's own spelling.
  EXPECT_TRUE(atspi::EventPatternCovers("Object:StateChanged:Focused", "object:state-changed:focused"));
  EXPECT_TRUE(atspi::EventPatternCovers("Object:PropertyChange:AccessibleName",
                                        "object:property-change:accessible-name"));
  EXPECT_FALSE(atspi::EventPatternCovers("Object:StateChanged:Focused", "object:state-changed:showing"));
  EXPECT_TRUE(atspi::EventPatternCovers("object:text-changed", "object:text-changed:insert"));
  EXPECT_TRUE(atspi::EventPatternCovers("object:", "object:property-change:accessible-name"));
  EXPECT_TRUE(atspi::EventPatternCovers("", "window:activate"));
  EXPECT_FALSE(atspi::EventPatternCovers("window:activate", "window:deactivate"));
  EXPECT_FALSE(atspi::EventPatternCovers("object:state-changed:focused", "object:state-changed:showing"));
  EXPECT_FALSE(atspi::EventPatternCovers("object:state-changed:focused", "object:state-changed"));
  EXPECT_FALSE(atspi::EventPatternCovers("focus:", "object:state-changed:focused"));
}

TEST(AtspiBusProbe, AsksARealSessionBusWhoOwnsANameWithoutStartingIt) {
  if (!testsupport::ToolsInstalled({"/usr/bin/dbus-daemon"}, "dbus")) return;
  FILE* daemon = popen("/usr/bin/dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
  ASSERT_NE(daemon, nullptr);
  char address[512] = {};
  long pid = 0;
  const bool read = std::fscanf(daemon, "%511s %ld", address, &pid) == 2;
  pclose(daemon);
  ASSERT_TRUE(read);
  EXPECT_EQ(atspi::AskNameHasOwner(address, "org.freedesktop.DBus", kProbeTimeoutMs),
            atspi::NameOwner::kOwned);
  // The accessibility bus's name has a service file on this machine: asking must not start it.
  EXPECT_EQ(atspi::AskNameHasOwner(address, "org.a11y.Bus", kProbeTimeoutMs), atspi::NameOwner::kNotOwned);
  EXPECT_EQ(atspi::AskNameHasOwner(address, "org.a11y.Bus", kProbeTimeoutMs), atspi::NameOwner::kNotOwned);
  kill(static_cast<pid_t>(pid), SIGTERM);
}

TEST(AtspiBusProbe, ABusThatIsNotThereOrNeverAnswersIsUnknown) {
  EXPECT_EQ(atspi::AskNameHasOwner("unix:path=/nonexistent/bus", "org.a11y.Bus", kProbeTimeoutMs),
            atspi::NameOwner::kUnknown);
  EXPECT_EQ(atspi::AskNameHasOwner("tcp:host=localhost,port=1", "org.a11y.Bus", kProbeTimeoutMs),
            atspi::NameOwner::kUnknown);
  // A socket that takes the connection and never says a word: the probe gives up at its time-out.
  const std::string path = testing::TempDir() + "silent-bus-" + std::to_string(getpid());
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  std::snprintf(sa.sun_path, sizeof sa.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  constexpr int kShortTimeoutMs = 200;
  EXPECT_EQ(atspi::AskNameHasOwner("unix:path=" + path, "org.a11y.Bus", kShortTimeoutMs),
            atspi::NameOwner::kUnknown);
  close(listener);
  unlink(path.c_str());
}

}  // namespace
