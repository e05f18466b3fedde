// SPDX-License-Identifier: GPL-3.0-or-later
// A private Xvfb server for one test: started on a free display number (the server picks it and
// writes it to a pipe), stopped when the object goes. Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

class XvfbServer {
 public:
  // Starts `Xvfb -displayfd N -screen 0 1280x1024x24 -nolisten tcp` plus `extraArgs` and waits
  // until it accepts connections. nullptr and `error` set when it does not within `timeoutMs`.
  static std::unique_ptr<XvfbServer> Start(const std::vector<std::string>& extraArgs, std::string* error,
                                           int timeoutMs = 15000);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", for XOpenDisplay or DISPLAY.
  const std::string& DisplayName() const { return m_displayName; }
  pid_t Pid() const { return m_pid; }
  // Kills the server at once (SIGKILL) and reaps it: the connection-lost case.
  void Kill();
  // What the server wrote on its standard error, for failure messages.
  std::string Log() const;

 private:
  XvfbServer() = default;
  void Stop();

  pid_t m_pid = -1;
  std::string m_displayName;
  std::string m_logPath;
};
