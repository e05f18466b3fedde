// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the X11 end-to-end tests: a second X connection that looks at the program's windows
// the way a window manager or a screenshot tool would, and child processes with bounded waits.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace x11test {

struct DisplayCloser {
  void operator()(Display* display) const {
    if (display != nullptr) XCloseDisplay(display);
  }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr Connect(const std::string& displayName);

// The window's pixels as 0x00RRGGBB, row by row, read back from the server.
std::vector<std::uint32_t> ReadPixels(Display* display, Window window, int x, int y, int width, int height);
bool WindowViewable(Display* display, Window window);

// Properties, as a window manager reads them. Empty / nullopt when absent or of another type.
std::optional<std::string> ReadBytes(Display* display, Window window, const char* property, const char* type);
std::vector<long> ReadLongs(Display* display, Window window, const char* property);
std::vector<std::string> ReadAtomNames(Display* display, Window window, const char* property);
std::string AtomName(Display* display, Atom atom);

// Calls `step` until `done` holds or `timeoutMs` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs);

// Top-level windows whose _NET_WM_PID is `pid` (found inside window manager frames too).
std::vector<Window> WindowsOfProcess(Display* display, pid_t pid);

long long MonotonicMs();

// A keycode carrying `keysym`, made by remapping an unused keycode when the server's keymap has
// none (Xvfb's US map has no dead keys); 0 when no keycode is free.
KeyCode KeycodeFor(Display* display, KeySym keysym);

// Changes this process's environment: "NAME=value" sets a variable, a bare "NAME" removes it.
// The strings must outlive the environment's use of them (as putenv's do).
void ApplyEnvironment(std::vector<std::string>& entries);

// A child process whose standard error is captured. Killed and reaped if still running when
// the object goes.
class ChildProcess {
 public:
  // What the test reads of the child's output: its standard error always, its standard output
  // too when asked (else that goes where the test's own goes).
  enum class Output { kStandardError, kBoth };
  // Runs a program with the environment changed by `environment` (ApplyEnvironment).
  static std::unique_ptr<ChildProcess> Spawn(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& environment,
                                             Output output = Output::kStandardError);
  // Runs `body` in a forked copy of this process; its return value is the exit code.
  static std::unique_ptr<ChildProcess> Fork(const std::function<int()>& body);
  ~ChildProcess();

  pid_t Pid() const { return m_pid; }
  // The wait status once the child ended within `timeoutMs`, nullopt otherwise.
  std::optional<int> WaitExit(int timeoutMs);
  bool Running();
  // Everything the child wrote to standard error so far.
  std::string StandardError();
  // Everything it wrote to standard output so far (Output::kBoth).
  std::string StandardOutput();

 private:
  ChildProcess() = default;
  void Drain();

  pid_t m_pid = -1;
  int m_stderrFd = -1;
  int m_stdoutFd = -1;
  std::optional<int> m_status;
  std::string m_stderr;
  std::string m_stdout;
};

// Starts openbox on the display (a real, reparenting window manager) and waits until it frames
// windows; nullptr with `error` set when it does not within `timeoutMs`.
std::unique_ptr<ChildProcess> StartWindowManager(Display* display, const std::string& displayName,
                                                 std::string* error, int timeoutMs);

}  // namespace x11test
