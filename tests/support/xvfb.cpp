// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

long long MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits for `pid` to end for at most `timeoutMs`; true when it was reaped.
bool ReapWithin(pid_t pid, int timeoutMs) {
  const long long deadline = MonotonicMs() + timeoutMs;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (MonotonicMs() >= deadline) return false;
    usleep(5000);
  }
}

bool SocketAccepts(const std::string& number) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%s", number.c_str());
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

std::unique_ptr<XvfbServer> XvfbServer::Start(const std::vector<std::string>& extraArgs, std::string* error,
                                              int timeoutMs) {
  std::unique_ptr<XvfbServer> server(new XvfbServer());
  char logTemplate[] = "/tmp/tessivo-xvfb-XXXXXX";
  const int logFd = mkostemp(logTemplate, O_CLOEXEC);
  if (logFd < 0) {
    *error = "cannot create the Xvfb log file";
    return nullptr;
  }
  server->m_logPath = logTemplate;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    close(logFd);
    *error = "cannot create a pipe";
    return nullptr;
  }
  // The write end is handed to the server under a fixed number, without close-on-exec.
  constexpr int kDisplayFd = 3;
  std::vector<std::string> args = {"Xvfb",      "-displayfd", std::to_string(kDisplayFd),
                                   "-screen",   "0",          "1280x1024x24",
                                   "-nolisten", "tcp",        "-noreset"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    close(logFd);
    close(pipeFds[0]);
    close(pipeFds[1]);
    *error = "fork failed";
    return nullptr;
  }
  if (pid == 0) {
    // The server must not outlive a test that crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);
    // Out of the way first, so that no dup2 below overwrites a descriptor still needed.
    const int displayFd = fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 10);
    const int logCopy = fcntl(logFd, F_DUPFD_CLOEXEC, 10);
    if (displayFd < 0 || logCopy < 0) _exit(127);
    dup2(logCopy, STDERR_FILENO);
    dup2(logCopy, STDOUT_FILENO);
    dup2(displayFd, kDisplayFd);  // the copy does not close on exec
    const int nullFd = open("/dev/null", O_RDONLY);
    if (nullFd >= 0) dup2(nullFd, STDIN_FILENO);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp("Xvfb", argv.data());
    _exit(127);
  }
  close(logFd);
  close(pipeFds[1]);
  server->m_pid = pid;

  // The server writes its display number once it listens.
  std::string number;
  const long long deadline = MonotonicMs() + timeoutMs;
  bool complete = false;
  while (!complete) {
    const long long left = deadline - MonotonicMs();
    if (left <= 0) break;
    pollfd fd{pipeFds[0], POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[32];
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0) break;  // the server exited before saying anything
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        complete = true;
        break;
      }
      number += buffer[i];
    }
  }
  close(pipeFds[0]);
  if (!complete || number.empty()) {
    *error = "Xvfb did not report a display within the time limit; its log:\n" + server->Log();
    return nullptr;  // the destructor stops the process
  }
  server->m_displayName = ":" + number;
  while (!SocketAccepts(number)) {
    if (MonotonicMs() >= deadline) {
      *error = "Xvfb " + server->m_displayName + " does not accept connections; its log:\n" + server->Log();
      return nullptr;
    }
    usleep(10000);
  }
  return server;
}

XvfbServer::~XvfbServer() {
  Stop();
  if (!m_logPath.empty()) unlink(m_logPath.c_str());
}

void XvfbServer::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  if (!ReapWithin(m_pid, 5000)) {
    kill(m_pid, SIGKILL);
    ReapWithin(m_pid, 5000);
  }
  m_pid = -1;
}

void XvfbServer::Kill() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  ReapWithin(m_pid, 5000);
  m_pid = -1;
  // The lock and socket it leaves behind are not removed here: the next server to pick this
  // display number finds the lock's process gone and takes both over, and removing them now
  // could delete the fresh ones of a server that another test just started on the same number.
}

std::string XvfbServer::Log() const {
  std::ifstream file(m_logPath);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}
