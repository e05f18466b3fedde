// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_errors.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "base/translation.h"

namespace x11 {
namespace {

// Traps are used on the UI thread only, like every Xlib call of the backend.
ErrorTrap* g_activeTrap = nullptr;
std::atomic<unsigned long> g_reportedErrors{0};

int OnProtocolError(Display* display, XErrorEvent* error) {
  for (ErrorTrap* trap = g_activeTrap; trap != nullptr; trap = trap->Previous()) {
    if (trap->Catches(display)) {
      trap->Record(error->error_code);
      return 0;
    }
  }
  char text[160] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "tessivo: the X server refused a request: %s (request %d.%d, resource 0x%lx)\n", text,
               error->request_code, error->minor_code, error->resourceid);
  g_reportedErrors.fetch_add(1);
  return 0;
}

[[noreturn]] int OnConnectionLost(Display* display) {
  const char* name = display != nullptr ? DisplayString(display) : "";
  std::fprintf(
      stderr, "tessivo: %s\n",
      base::TranslatedWith("lost the connection to the X server %s; exiting", {name != nullptr ? name : ""})
          .c_str());
  std::fflush(stderr);
  // No destructors: they would talk to the server that is gone, and Xlib must not be re-entered.
  _exit(1);
}

}  // namespace

void EndForDestroyedWindow(Display* display) {
  const char* name = display != nullptr ? DisplayString(display) : "";
  std::fprintf(stderr, "tessivo: %s\n",
               base::TranslatedWith("another program destroyed its window on the X server %s; exiting",
                                    {name != nullptr ? name : ""})
                   .c_str());
  std::fflush(stderr);
  // As for a lost connection: the audio thread may be writing, and the windows' state is broken.
  _exit(1);
}

void InstallErrorHandlers() {
  XSetErrorHandler(OnProtocolError);
  XSetIOErrorHandler(OnConnectionLost);
  // A write to a server that has gone away must fail with EPIPE and reach OnConnectionLost, which
  // says why the program ends; the default SIGPIPE action would kill it without a word.
  std::signal(SIGPIPE, SIG_IGN);
}

unsigned long ProtocolErrorCount() { return g_reportedErrors.load(); }

ErrorTrap::ErrorTrap(Display* display) : m_display(display), m_previous(g_activeTrap) {
  // Errors of earlier requests belong to whoever made them, not to this trap.
  XSync(m_display, False);
  g_activeTrap = this;
}

ErrorTrap::~ErrorTrap() {
  XSync(m_display, False);
  g_activeTrap = m_previous;
}

bool ErrorTrap::Failed() {
  XSync(m_display, False);
  return m_errorCode != 0;
}

}  // namespace x11
