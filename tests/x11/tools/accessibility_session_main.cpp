// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a command inside a desktop session of its own: a private X server, openbox, a session bus
// and the accessibility bus, as the end-to-end screen-reader tests have them. For looking at a
// program with the screen-reader client or with Orca by hand, and for tests/x11/orca_speech.sh.
//
//   accessibility_session COMMAND [ARGS...]
//
// The command runs with the session's environment (DISPLAY, DBUS_SESSION_BUS_ADDRESS, the private
// XDG_RUNTIME_DIR and HOME) and ATSPI_CLIENT naming the client. When it ends, or when this program
// gets SIGINT, SIGTERM or SIGHUP, everything in the session ends with it (the command runs in a
// process group of its own, which is ended too). The exit code is the command's (125 when the
// session could not start).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_cache_folder.h"
#include "support/xvfb.h"
#include "x11/accessibility_session.h"

namespace {

constexpr int kStartMs = 20000;
constexpr int kStopMs = 3000;
constexpr int kCannotStart = 125;
constexpr useconds_t kPollUs = 20000;

volatile std::sig_atomic_t g_stopRequested = 0;

void RequestStop(int) { g_stopRequested = 1; }

// Waits for the command; asks it to end (then kills it) once a stop is requested.
int WaitForCommand(pid_t pid) {
  long long stopDeadline = -1;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 && errno != EINTR) return kCannotStart;
    if (g_stopRequested && stopDeadline < 0) {
      kill(pid, SIGTERM);
      stopDeadline = x11test::MonotonicMs() + kStopMs;
    }
    if (stopDeadline >= 0 && x11test::MonotonicMs() >= stopDeadline) kill(pid, SIGKILL);
    usleep(kPollUs);
  }
}

// Ends what the command left running in its process group: a browser rewrites its processes'
// environment for their titles, so the session's own sweep by environment cannot find them, and a
// process still holding the test's output would keep the test from ending.
void EndProcessGroup(pid_t group) {
  if (kill(-group, SIGTERM) != 0) return;
  const long long deadline = x11test::MonotonicMs() + kStopMs;
  while (kill(-group, 0) == 0 && x11test::MonotonicMs() < deadline) usleep(kPollUs);
  kill(-group, SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
    return kCannotStart;
  }
  struct sigaction stop{};
  stop.sa_handler = RequestStop;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &stop, nullptr);

  std::string error;
  std::unique_ptr<XvfbServer> server = XvfbServer::Start({}, &error);
  if (server == nullptr) {
    std::fprintf(stderr, "accessibility_session: %s\n", error.c_str());
    return kCannotStart;
  }
  x11test::DisplayPtr display = x11test::Connect(server->DisplayName());
  std::unique_ptr<x11test::AccessibilitySession> session =
      display == nullptr
          ? nullptr
          : x11test::AccessibilitySession::Start(display.get(), server->DisplayName(),
                                                 TestCacheFolder() + "/session", &error, kStartMs);
  if (session == nullptr) {
    std::fprintf(stderr, "accessibility_session: %s\n", error.c_str());
    return kCannotStart;
  }

  std::vector<std::string> environment = session->Environment();
  environment.push_back("ATSPI_CLIENT=" TESSIVO_SOURCE_DIR "/tests/x11/atspi_client.py");
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(kCannotStart);
    x11test::ApplyEnvironment(environment);
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(kCannotStart);
  }
  if (pid < 0) return kCannotStart;
  setpgid(pid, pid);  // as the child does, whichever runs first
  const int status = WaitForCommand(pid);
  EndProcessGroup(pid);
  return status;
}
