// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop session of its own on a private X server, as a screen reader's user has one: openbox,
// a session bus (dbus-daemon), the desktop's accessibility bus (at-spi-bus-launcher, switched on,
// with its registry started on demand), and private XDG_RUNTIME_DIR and HOME with in-memory
// GSettings, so that nothing of the user's own desktop is read or written. Programs run in it with
// Environment(); the screen-reader client (atspi_client.py, run by the system's python3) with
// RunClient or StartClient. Every wait is bounded, and whatever was started in the session, the
// processes the buses started on their own included, is ended when the object goes.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "x11/x11_test_util.h"

namespace x11test {

class AccessibilitySession {
 public:
  // Starts the session on `displayName` (whose looking connection is `display`), its private
  // folders under `folder`. nullptr with `error` set when a part does not come up within
  // `timeoutMs`.
  static std::unique_ptr<AccessibilitySession> Start(Display* display, const std::string& displayName,
                                                     const std::string& folder, std::string* error,
                                                     int timeoutMs);
  ~AccessibilitySession();
  AccessibilitySession(const AccessibilitySession&) = delete;
  AccessibilitySession& operator=(const AccessibilitySession&) = delete;

  // For ChildProcess::Spawn: the display, the session bus, the private folders, and no inherited
  // accessibility bus address, so a program finds the accessibility bus as a desktop's would.
  std::vector<std::string> Environment() const;

  struct ClientRun {
    bool ended = false;  // false: still running at the time limit, and killed
    int exitCode = -1;
    std::string output;
    std::string errors;
  };
  // Runs the client with `args` to its end, for at most `timeoutMs`.
  ClientRun RunClient(const std::vector<std::string>& args, int timeoutMs) const;
  // Starts the client and leaves it running (its events are read from StandardOutput()).
  std::unique_ptr<ChildProcess> StartClient(const std::vector<std::string>& args) const;

  // Kills the accessibility bus's daemon at once, as a crash would; false when it was not found.
  bool KillAccessibilityBus();
  // The private runtime folder: every process of the session has it as XDG_RUNTIME_DIR.
  const std::string& RuntimeFolder() const { return m_runtimeDir; }

 private:
  AccessibilitySession() = default;
  // Ends every process still running with this session's runtime folder in its environment.
  void EndStrays() const;

  std::string m_displayName;
  std::string m_folder;
  std::string m_runtimeDir;
  std::string m_home;
  std::string m_sessionBusAddress;
  std::unique_ptr<ChildProcess> m_windowManager;
  std::unique_ptr<ChildProcess> m_sessionBus;
  std::unique_ptr<ChildProcess> m_busLauncher;
};

// The running processes whose environment holds `entry` ("NAME=value"), this one left out.
std::vector<pid_t> ProcessesWithEnvironment(const std::string& entry);

// One line of the client's output: its NAME=VALUE fields, the escapes undone. Lines without
// fields ("ready") are left out.
using ClientFields = std::map<std::string, std::string>;
std::vector<ClientFields> ParseClientLines(const std::string& output);
// A field's value, empty when the line has none.
std::string Field(const ClientFields& fields, const std::string& name);
// A comma-separated list field ("states", "actions") as its items.
std::vector<std::string> ListField(const ClientFields& fields, const std::string& name);

}  // namespace x11test
