// SPDX-License-Identifier: GPL-3.0-or-later
// The screen-reader session itself, proved on a program whose toolkit is known to speak AT-SPI2 (a
// GTK dialog): the client reads its tree, hears the focus move on Tab and presses its button through
// the button's action; and nothing started in the session outlives it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/required_tools.h"
#include "support/test_cache_folder.h"
#include "support/xvfb.h"
#include "x11/accessibility_session.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using x11test::ClientFields;
using x11test::Field;

constexpr int kWaitMs = 15000;
constexpr const char* kMessage = "Olá, leitor";

const ClientFields* Find(const std::vector<ClientFields>& tree, const std::string& role,
                         const std::string& name) {
  const auto found = std::find_if(tree.begin(), tree.end(), [&](const ClientFields& o) {
    return Field(o, "role") == role && Field(o, "name") == name;
  });
  return found == tree.end() ? nullptr : &*found;
}

TEST(AccessibilitySession, AGtkDialogIsReadHeardAndAnswered) {
  if (!testsupport::ToolsInstalled(
          {"/usr/bin/openbox", "/usr/bin/dbus-daemon", "/usr/libexec/at-spi-bus-launcher", "/usr/bin/python3",
           "/usr/bin/zenity"},
          "openbox dbus at-spi2-core python3-gi gir1.2-atspi-2.0 zenity")) {
    return;
  }
  std::string error;
  auto server = XvfbServer::Start({}, &error);
  ASSERT_NE(server, nullptr) << error;
  x11test::DisplayPtr peek = x11test::Connect(server->DisplayName());
  ASSERT_NE(peek, nullptr);
  auto session = x11test::AccessibilitySession::Start(peek.get(), server->DisplayName(),
                                                      TestCacheFolder() + "/session", &error, kWaitMs);
  ASSERT_NE(session, nullptr) << error;
  const std::string runtime = "XDG_RUNTIME_DIR=" + session->RuntimeFolder();
  auto dialog = x11test::ChildProcess::Spawn({"/usr/bin/zenity", "--info", std::string("--text=") + kMessage},
                                             session->Environment(), x11test::ChildProcess::Output::kBoth);
  ASSERT_NE(dialog, nullptr);

  const auto run = session->RunClient({"--seconds", "10", "tree", "zenity"}, kWaitMs);
  ASSERT_TRUE(run.ended && run.exitCode == 0) << run.errors;
  const std::vector<ClientFields> tree = x11test::ParseClientLines(run.output);
  const ClientFields* label = Find(tree, "label", kMessage);
  ASSERT_NE(label, nullptr) << run.output;
  EXPECT_EQ(Field(*label, "text"), kMessage);
  const ClientFields* ok = Find(tree, "push button", "OK");
  ASSERT_NE(ok, nullptr) << run.output;
  EXPECT_EQ(Field(*ok, "actions"), "click");

  auto events =
      session->StartClient({"--seconds", "20", "--app", "zenity", "events", "object:state-changed:focused"});
  ASSERT_NE(events, nullptr);
  ASSERT_TRUE(x11test::PumpUntil([&] { return events->StandardOutput().starts_with("ready\n"); },
                                 [] { usleep(10000); }, kWaitMs))
      << events->StandardError();
  const KeyCode tab = XKeysymToKeycode(peek.get(), XK_Tab);
  XTestFakeKeyEvent(peek.get(), tab, True, CurrentTime);
  XTestFakeKeyEvent(peek.get(), tab, False, CurrentTime);
  XSync(peek.get(), False);
  EXPECT_TRUE(x11test::PumpUntil(
      [&] {
        for (const ClientFields& e : x11test::ParseClientLines(events->StandardOutput())) {
          if (Field(e, "role") == "label" && Field(e, "detail1") == "1") return true;
        }
        return false;
      },
      [] { usleep(10000); }, kWaitMs))
      << "Tab's focus on the label was not heard: " << events->StandardOutput();

  const auto click =
      session->RunClient({"--seconds", "10", "do-action", "zenity", "push button:OK", "click"}, kWaitMs);
  EXPECT_TRUE(click.ended && click.exitCode == 0) << click.errors;
  const std::optional<int> status = dialog->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "the button's action did not answer the dialog";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);

  events.reset();
  session.reset();
  EXPECT_EQ(x11test::ProcessesWithEnvironment(runtime).size(), 0u) << "processes of the session outlived it";
}

}  // namespace
