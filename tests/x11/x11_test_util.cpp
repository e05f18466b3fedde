// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11/x11_test_util.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace x11test {

DisplayPtr Connect(const std::string& displayName) { return DisplayPtr(XOpenDisplay(displayName.c_str())); }

std::vector<std::uint32_t> ReadPixels(Display* display, Window window, int x, int y, int width, int height) {
  std::vector<std::uint32_t> pixels;
  XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFFu);
    }
  }
  XDestroyImage(image);
  return pixels;
}

bool WindowViewable(Display* display, Window window) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return false;
  return attributes.map_state == IsViewable;
}

namespace {

struct Property {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned char* data = nullptr;
  ~Property() {
    if (data != nullptr) XFree(data);
  }
};

bool Read(Display* display, Window window, const char* name, Property* out) {
  const Atom property = XInternAtom(display, name, True);
  if (property == None) return false;
  unsigned long remaining = 0;
  return XGetWindowProperty(display, window, property, 0, 1 << 20, False, AnyPropertyType, &out->type,
                            &out->format, &out->count, &remaining, &out->data) == Success &&
         out->type != None;
}

}  // namespace

std::optional<std::string> ReadBytes(Display* display, Window window, const char* property,
                                     const char* type) {
  Property p;
  if (!Read(display, window, property, &p) || p.format != 8) return std::nullopt;
  if (AtomName(display, p.type) != type) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(p.data), p.count);
}

std::vector<long> ReadLongs(Display* display, Window window, const char* property) {
  Property p;
  if (!Read(display, window, property, &p) || p.format != 32) return {};
  // Xlib widens the 32-bit items to long with their sign; CARDINAL and ATOM are unsigned.
  const long* values = reinterpret_cast<const long*>(p.data);
  std::vector<long> result;
  for (unsigned long i = 0; i < p.count; ++i) result.push_back(values[i] & 0xFFFFFFFFL);
  return result;
}

std::vector<std::string> ReadAtomNames(Display* display, Window window, const char* property) {
  std::vector<std::string> names;
  for (long value : ReadLongs(display, window, property)) {
    names.push_back(AtomName(display, static_cast<Atom>(value)));
  }
  return names;
}

std::string AtomName(Display* display, Atom atom) {
  if (atom == None) return "";
  char* name = XGetAtomName(display, atom);
  std::string result = name != nullptr ? name : "";
  if (name != nullptr) XFree(name);
  return result;
}

bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs) {
  const long long deadline = MonotonicMs() + timeoutMs;
  while (!done()) {
    if (MonotonicMs() >= deadline) return false;
    step();
  }
  return true;
}

namespace {

void CollectWindowsOf(Display* display, Window parent, pid_t pid, int depth, std::vector<Window>* found) {
  Window rootReturn = None;
  Window parentReturn = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) {
    const std::vector<long> pids = ReadLongs(display, children[i], "_NET_WM_PID");
    if (!pids.empty() && pids[0] == pid) {
      found->push_back(children[i]);
    } else if (depth > 0) {
      CollectWindowsOf(display, children[i], pid, depth - 1, found);
    }
  }
  if (children != nullptr) XFree(children);
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::vector<Window> WindowsOfProcess(Display* display, pid_t pid) {
  // A reparenting window manager puts each window inside a frame or two; windows come and go
  // while the tree is walked, so a window gone between two requests is not an error here.
  XSync(display, False);
  const XErrorHandler previous = XSetErrorHandler(IgnoreError);
  std::vector<Window> found;
  CollectWindowsOf(display, DefaultRootWindow(display), pid, 3, &found);
  XSync(display, False);
  XSetErrorHandler(previous);
  return found;
}

long long MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// ---- Child processes -------------------------------------------------------------------------

namespace {

// Starts the child with its standard error, and its standard output when `stdoutOut` is given,
// each into a pipe whose reading end the test gets, not blocking.
bool Launch(const std::function<void()>& inChild, pid_t* pidOut, int* stderrOut, int* stdoutOut = nullptr) {
  int fds[2];
  int outFds[2] = {-1, -1};
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  if (stdoutOut != nullptr && pipe2(outFds, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {fds[0], fds[1], outFds[0], outFds[1]}) {
      if (fd >= 0) close(fd);
    }
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(fds[1], STDERR_FILENO);
    if (outFds[1] >= 0) dup2(outFds[1], STDOUT_FILENO);
    inChild();
    _exit(127);
  }
  close(fds[1]);
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  *pidOut = pid;
  *stderrOut = fds[0];
  if (stdoutOut != nullptr) {
    close(outFds[1]);
    fcntl(outFds[0], F_SETFL, O_NONBLOCK);
    *stdoutOut = outFds[0];
  }
  return true;
}

}  // namespace

KeyCode KeycodeFor(Display* display, KeySym keysym) {
  KeyCode code = XKeysymToKeycode(display, keysym);
  if (code != 0) return code;
  int minCode = 0;
  int maxCode = 0;
  XDisplayKeycodes(display, &minCode, &maxCode);
  int perCode = 0;
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
  for (int k = maxCode; k >= minCode && code == 0; --k) {
    bool unused = true;
    for (int j = 0; j < perCode; ++j) {
      if (map[(k - minCode) * perCode + j] != NoSymbol) unused = false;
    }
    if (unused) code = static_cast<KeyCode>(k);
  }
  XFree(map);
  if (code == 0) return 0;
  KeySym symbols[1] = {keysym};
  XChangeKeyboardMapping(display, code, 1, symbols, 1);
  XSync(display, False);
  return code;
}

void ApplyEnvironment(std::vector<std::string>& entries) {
  for (std::string& entry : entries) {
    if (entry.find('=') == std::string::npos) {
      unsetenv(entry.c_str());
    } else {
      putenv(entry.data());
    }
  }
}

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const std::vector<std::string>& argv,
                                                  const std::vector<std::string>& environment,
                                                  Output output) {
  std::unique_ptr<ChildProcess> child(new ChildProcess());
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environment;
  if (!Launch(
          [&] {
            ApplyEnvironment(env);
            std::vector<char*> raw;
            for (std::string& a : args) raw.push_back(a.data());
            raw.push_back(nullptr);
            execv(raw[0], raw.data());
          },
          &child->m_pid, &child->m_stderrFd, output == Output::kBoth ? &child->m_stdoutFd : nullptr)) {
    return nullptr;
  }
  return child;
}

std::unique_ptr<ChildProcess> ChildProcess::Fork(const std::function<int()>& body) {
  std::unique_ptr<ChildProcess> child(new ChildProcess());
  if (!Launch([&] { _exit(body()); }, &child->m_pid, &child->m_stderrFd)) return nullptr;
  return child;
}

ChildProcess::~ChildProcess() {
  if (!m_status && m_pid > 0) {
    kill(m_pid, SIGKILL);
    WaitExit(5000);
  }
  if (m_stderrFd >= 0) close(m_stderrFd);
  if (m_stdoutFd >= 0) close(m_stdoutFd);
}

void ChildProcess::Drain() {
  char buffer[4096];
  for (auto [fd, text] : {std::pair{m_stderrFd, &m_stderr}, std::pair{m_stdoutFd, &m_stdout}}) {
    if (fd < 0) continue;
    for (;;) {
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      text->append(buffer, static_cast<std::size_t>(got));
    }
  }
}

std::optional<int> ChildProcess::WaitExit(int timeoutMs) {
  const long long deadline = MonotonicMs() + timeoutMs;
  while (!m_status) {
    Drain();
    int status = 0;
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) {
      m_status = status;
      break;
    }
    if (done < 0 && errno != EINTR) break;
    if (MonotonicMs() >= deadline) break;
    usleep(5000);
  }
  Drain();
  return m_status;
}

bool ChildProcess::Running() { return !WaitExit(0).has_value(); }

std::string ChildProcess::StandardError() {
  Drain();
  return m_stderr;
}

std::string ChildProcess::StandardOutput() {
  Drain();
  return m_stdout;
}

std::unique_ptr<ChildProcess> StartWindowManager(Display* display, const std::string& displayName,
                                                 std::string* error, int timeoutMs) {
  auto manager =
      ChildProcess::Spawn({"/usr/bin/openbox", "--sm-disable"},
                          {"DISPLAY=" + displayName, "HOME=/nonexistent", "XDG_CONFIG_HOME=/nonexistent"},
                          ChildProcess::Output::kBoth);
  if (manager == nullptr) {
    *error = "cannot start openbox";
    return nullptr;
  }
  const Atom selection = XInternAtom(display, "WM_S0", False);
  if (!PumpUntil([&] { return XGetSelectionOwner(display, selection) != None || !manager->Running(); },
                 [] { usleep(20000); }, timeoutMs) ||
      !manager->Running()) {
    *error = "openbox never took the screen: " + manager->StandardError();
    return nullptr;
  }
  // Owning the selection is not yet managing windows (requests made during the manager's
  // start-up can be lost): a probe window that gets framed shows it is ready, as a desktop's
  // manager is long before any program starts.
  constexpr int kProbeSize = 10;
  constexpr long long kAskAgainMs = 250;
  const Window probe =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kProbeSize, kProbeSize, 0, 0, 0);
  long long nextMap = 0;
  const bool framed = PumpUntil(
      [&] {
        if (MonotonicMs() >= nextMap) {
          // Asked again until the manager answers: a request it got while starting is lost.
          XUnmapWindow(display, probe);
          XMapWindow(display, probe);
          XSync(display, False);
          nextMap = MonotonicMs() + kAskAgainMs;
        }
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, probe, &root, &parent, &children, &count)) return false;
        if (children != nullptr) XFree(children);
        return parent != root;
      },
      [] { usleep(20000); }, timeoutMs);
  XDestroyWindow(display, probe);
  XSync(display, False);
  if (!framed) {
    *error = "the window manager never framed a window: " + manager->StandardError();
    return nullptr;
  }
  return manager;
}

}  // namespace x11test
