// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up probe: launches a program on the current X display and measures the time from launch to
// its first drawn frame (the first XDamage report on its first mapped top-level window), and its
// resident memory at that moment and once settled (one second later, when a program has finished
// what it does after its first frame). Used by scripts/bench-startup.sh to compare Tessivo with
// xmessage (the plain-Xlib floor) and a GTK dialog in one run.
//
//   startup_probe RUNS COMMAND [ARGS...]
//
// Prints one line per run: "<milliseconds> <resident KiB at first frame> <resident KiB settled>",
// then "median <ms> <KiB> <KiB>" (each column's own median).
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Fields 14 and 15 of /proc/PID/stat, in clock ticks; the command name (field 2) may hold
// spaces, so counting starts after its closing parenthesis.
long ProcessorMs(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  constexpr int kUserTimeField = 14;
  constexpr int kFirstFieldAfterName = 3;
  long user = 0;
  long system = 0;
  for (int i = kFirstFieldAfterName; i < kUserTimeField && fields >> field; ++i) {
  }
  if (!(fields >> user >> system)) return -1;
  constexpr long kMsPerS = 1000;
  return (user + system) * kMsPerS / sysconf(_SC_CLK_TCK);
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

struct Result {
  double ms = -1;
  long kib = -1;
  long settledKib = -1;
  long settledCpuMs = -1;  // processor time (user + system) the program used until settled
};

constexpr auto kSettleTime = std::chrono::seconds(1);

// One launch: watch the root for new windows, follow the first one that maps, report its first
// damage. Gives up after 20 seconds.
Result RunOnce(Display* dpy, int damageEvent, char** argv) {
  Window root = DefaultRootWindow(dpy);
  XSelectInput(dpy, root, SubstructureNotifyMask);
  XSync(dpy, True);
  Clock::time_point start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv);
    _exit(127);
  }
  Result result;
  Damage damage = 0;
  auto deadline = start + std::chrono::seconds(20);
  pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
  while (Clock::now() < deadline && result.ms < 0) {
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == MapNotify && !damage && ev.xmap.event == root) {
        damage = XDamageCreate(dpy, ev.xmap.window, XDamageReportNonEmpty);
      } else if (ev.type == damageEvent + XDamageNotify && damage) {
        result.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        result.kib = ResidentKiB(pid);
        break;
      }
    }
    if (result.ms < 0) poll(&pfd, 1, 50);
  }
  if (result.ms >= 0) {
    // Keep reading events meanwhile so the program is never held up by a full connection.
    const auto settled = Clock::now() + kSettleTime;
    while (Clock::now() < settled) {
      while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
      }
      poll(&pfd, 1, 20);
    }
    result.settledKib = ResidentKiB(pid);
    result.settledCpuMs = ProcessorMs(pid);
  }
  if (damage) XDamageDestroy(dpy, damage);
  XSelectInput(dpy, root, NoEventMask);
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 40 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(50000);
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  XSync(dpy, True);
  return result;
}

// A window may be gone (and its damage object with it) by the time we let go of it.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_probe RUNS COMMAND [ARGS...]\n");
    return 2;
  }
  int runs = std::max(1, std::atoi(argv[1]));
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "startup_probe: no X display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXError);
  int damageEvent = 0;
  int damageError = 0;
  if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
    std::fprintf(stderr, "startup_probe: the X server has no DAMAGE extension\n");
    return 1;
  }
  std::vector<Result> results;
  for (int i = 0; i < runs; ++i) {
    Result r = RunOnce(dpy, damageEvent, argv + 2);
    if (r.ms < 0) {
      std::fprintf(stderr, "startup_probe: %s drew nothing within 20 s\n", argv[2]);
      return 1;
    }
    std::printf("%.1f %ld %ld %ld\n", r.ms, r.kib, r.settledKib, r.settledCpuMs);
    results.push_back(r);
  }
  std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) { return a.ms < b.ms; });
  auto medianOf = [&results](long Result::* field) {
    std::vector<long> values;
    for (const Result& r : results) values.push_back(r.*field);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::printf("median %.1f %ld %ld %ld\n", results[results.size() / 2].ms, medianOf(&Result::kib),
              medianOf(&Result::settledKib), medianOf(&Result::settledCpuMs));
  XCloseDisplay(dpy);
  return 0;
}
