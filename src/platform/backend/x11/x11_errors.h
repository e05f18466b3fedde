// SPDX-License-Identifier: GPL-3.0-or-later
// What happens when the X server refuses a request or the connection breaks.
//
// A protocol error (a window destroyed behind our back, a grab refused) is reported on standard
// error and the program goes on: nothing the server refuses is worth losing the student's work
// over. A lost connection cannot be recovered from: the program says so on standard error and
// exits with code 1 at once instead of hanging in a read that will never complete.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

namespace x11 {

// Installs the process-wide handlers. Idempotent.
void InstallErrorHandlers();

// Another client destroyed one of the program's windows: like a lost connection, the program cannot
// go on without it (nothing would ever end it), so it says so on standard error and exits with
// code 1 at once.
[[noreturn]] void EndForDestroyedWindow(Display* display);

// Protocol errors reported (not trapped) so far in this process.
unsigned long ProtocolErrorCount();

// Catches the protocol errors of the requests made on `display` while it lives, instead of
// reporting them: for requests that are allowed to fail (attaching shared memory the server
// cannot reach, focusing a window that is not viewable yet).
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to answer every request made so far; true when one of them failed.
  bool Failed();
  // Called by the handler.
  bool Catches(Display* display) const { return display == m_display; }
  ErrorTrap* Previous() const { return m_previous; }
  void Record(int errorCode) {
    if (m_errorCode == 0) m_errorCode = errorCode;
  }

 private:
  Display* m_display;
  ErrorTrap* m_previous;
  int m_errorCode = 0;
};

}  // namespace x11
