// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11/accessibility_session.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace x11test {

namespace {

constexpr const char* kSessionBusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kBusCall = "/usr/bin/dbus-send";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kClient = TESSIVO_SOURCE_DIR "/tests/x11/atspi_client.py";
// How long a process that was asked to end may take before it is killed.
constexpr int kStopMs = 3000;
constexpr int kBusCallMs = 2000;
constexpr useconds_t kPollUs = 20000;
constexpr int kCannotRun = 127;

// The number of a display name ":N" or ":N.S".
std::string DisplayNumber(const std::string& displayName) {
  const std::size_t colon = displayName.rfind(':');
  const std::string rest = colon == std::string::npos ? displayName : displayName.substr(colon + 1);
  return rest.substr(0, rest.find('.'));
}

// A field of /proc/PID/stat after the command name (which may hold spaces): 0 is the state.
std::string StatField(pid_t pid, int index) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = all.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream fields(all.substr(close + 1));
  std::string field;
  for (int i = 0; i <= index && fields >> field; ++i) {
  }
  return field;
}

bool Gone(pid_t pid) {
  // A process that ended but was not reaped (its parent is gone too) is as good as gone.
  return kill(pid, 0) != 0 || StatField(pid, 0) == "Z";
}

std::vector<pid_t> Processes() {
  std::vector<pid_t> pids;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return pids;
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid > 0 && *end == '\0') pids.push_back(static_cast<pid_t>(pid));
  }
  closedir(proc);
  return pids;
}

// Asks the child to end, then kills it if it does not within kStopMs.
void Stop(std::unique_ptr<ChildProcess>& child) {
  if (child == nullptr) return;
  if (child->Running()) {
    kill(child->Pid(), SIGTERM);
    child->WaitExit(kStopMs);
  }
  child.reset();  // kills and reaps it if still running
}

}  // namespace

std::unique_ptr<AccessibilitySession> AccessibilitySession::Start(Display* display,
                                                                  const std::string& displayName,
                                                                  const std::string& folder,
                                                                  std::string* error, int timeoutMs) {
  for (const char* tool : {kSessionBusDaemon, kBusLauncher, kBusCall, kPython}) {
    if (access(tool, X_OK) != 0) {
      *error = std::string(tool) + " is missing";
      return nullptr;
    }
  }
  std::unique_ptr<AccessibilitySession> session(new AccessibilitySession());
  session->m_displayName = displayName;
  session->m_folder = folder;
  session->m_home = folder + "/home";
  session->m_runtimeDir = folder + "/runtime";
  // The accessibility bus's socket lies in the runtime folder: a folder too deep for a socket's
  // path goes to the temporary folder instead.
  const std::string socketPath = session->m_runtimeDir + "/at-spi/bus_" + DisplayNumber(displayName);
  if (socketPath.size() >= sizeof(sockaddr_un::sun_path)) {
    char pattern[] = "/tmp/tessivo-a11y-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      *error = "cannot make a runtime folder";
      return nullptr;
    }
    session->m_runtimeDir = pattern;
  }
  std::error_code ec;
  std::filesystem::create_directories(session->m_home, ec);
  std::filesystem::create_directories(session->m_runtimeDir, ec);
  chmod(session->m_runtimeDir.c_str(), S_IRWXU);  // as the desktop makes it: the user's alone

  session->m_windowManager = StartWindowManager(display, displayName, error, timeoutMs);
  if (session->m_windowManager == nullptr) return nullptr;

  // The session bus says its address on its standard error (descriptor 2) once it listens.
  session->m_sessionBus =
      ChildProcess::Spawn({kSessionBusDaemon, "--session", "--nofork", "--print-address=2"},
                          session->Environment(), ChildProcess::Output::kBoth);
  if (session->m_sessionBus == nullptr) {
    *error = "cannot start the session bus";
    return nullptr;
  }
  PumpUntil(
      [&] {
        std::istringstream lines(session->m_sessionBus->StandardError());
        for (std::string line; std::getline(lines, line);) {
          if (line.starts_with("unix:") && !lines.eof()) session->m_sessionBusAddress = line;
        }
        return !session->m_sessionBusAddress.empty() || !session->m_sessionBus->Running();
      },
      [] { usleep(kPollUs); }, timeoutMs);
  if (session->m_sessionBusAddress.empty()) {
    *error = "the session bus gave no address: " + session->m_sessionBus->StandardError();
    return nullptr;
  }

  // The accessibility bus, switched on as a desktop's accessibility setting does. Ready once its
  // launcher owns its name on the session bus. Should this process die, the launcher is asked to
  // end rather than killed, so that it ends its bus daemon too (which nothing else would end).
  std::vector<std::string> environment = session->Environment();
  session->m_busLauncher = ChildProcess::Fork([&environment] {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(STDERR_FILENO, STDOUT_FILENO);  // what the bus and its registry say goes with its errors
    ApplyEnvironment(environment);
    execl(kBusLauncher, kBusLauncher, "--launch-immediately", "--a11y=1", static_cast<char*>(nullptr));
    return kCannotRun;
  });
  if (session->m_busLauncher == nullptr) {
    *error = "cannot start the accessibility bus";
    return nullptr;
  }
  const bool owned = PumpUntil(
      [&] {
        auto ask = ChildProcess::Spawn(
            {kBusCall, "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"},
            session->Environment(), ChildProcess::Output::kBoth);
        if (ask == nullptr || !ask->WaitExit(kBusCallMs)) return false;
        if (ask->StandardOutput().find("boolean true") != std::string::npos) return true;
        usleep(kPollUs);
        return !session->m_busLauncher->Running();
      },
      [] {}, timeoutMs);
  if (!owned || !session->m_busLauncher->Running()) {
    *error = "the accessibility bus did not come up: " + session->m_busLauncher->StandardError();
    return nullptr;
  }
  return session;
}

AccessibilitySession::~AccessibilitySession() {
  Stop(m_busLauncher);
  Stop(m_sessionBus);
  Stop(m_windowManager);
  EndStrays();
  std::error_code ec;
  if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ec);
  if (m_runtimeDir.starts_with("/tmp/")) std::filesystem::remove_all(m_runtimeDir, ec);
}

std::vector<std::string> AccessibilitySession::Environment() const {
  return {
      "DISPLAY=" + m_displayName,
      m_sessionBusAddress.empty() ? "DBUS_SESSION_BUS_ADDRESS"
                                  : "DBUS_SESSION_BUS_ADDRESS=" + m_sessionBusAddress,
      "XDG_RUNTIME_DIR=" + m_runtimeDir,
      "HOME=" + m_home,
      "XDG_CONFIG_HOME=" + m_home + "/.config",
      "XDG_DATA_HOME=" + m_home + "/.local/share",
      "XDG_STATE_HOME=" + m_home + "/.local/state",
      "GSETTINGS_BACKEND=memory",
      "AT_SPI_BUS_ADDRESS",
      "NO_AT_BRIDGE",
      "SESSION_MANAGER",
  };
}

AccessibilitySession::ClientRun AccessibilitySession::RunClient(const std::vector<std::string>& args,
                                                                int timeoutMs) const {
  ClientRun run;
  std::unique_ptr<ChildProcess> client = StartClient(args);
  if (client == nullptr) return run;
  const std::optional<int> status = client->WaitExit(timeoutMs);
  run.ended = status.has_value();
  run.exitCode = status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  run.output = client->StandardOutput();
  run.errors = client->StandardError();
  return run;
}

std::unique_ptr<ChildProcess> AccessibilitySession::StartClient(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {kPython, kClient};
  argv.insert(argv.end(), args.begin(), args.end());
  return ChildProcess::Spawn(argv, Environment(), ChildProcess::Output::kBoth);
}

bool AccessibilitySession::KillAccessibilityBus() {
  if (m_busLauncher == nullptr || !m_busLauncher->Running()) return false;
  const std::string launcher = std::to_string(m_busLauncher->Pid());
  bool killed = false;
  for (pid_t pid : Processes()) {
    if (StatField(pid, 1) == launcher && kill(pid, SIGKILL) == 0) killed = true;
  }
  return killed;
}

std::vector<pid_t> ProcessesWithEnvironment(const std::string& wanted) {
  std::vector<pid_t> found;
  for (pid_t pid : Processes()) {
    if (pid == getpid() || Gone(pid)) continue;
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ");
    for (std::string entry; std::getline(in, entry, '\0');) {
      if (entry == wanted) {
        found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

void AccessibilitySession::EndStrays() const {
  const std::vector<pid_t> strays = ProcessesWithEnvironment("XDG_RUNTIME_DIR=" + m_runtimeDir);
  for (pid_t pid : strays) kill(pid, SIGTERM);
  PumpUntil(
      [&] {
        for (pid_t pid : strays) {
          if (!Gone(pid)) return false;
        }
        return true;
      },
      [] { usleep(kPollUs); }, kStopMs);
  for (pid_t pid : strays) {
    if (!Gone(pid)) kill(pid, SIGKILL);
  }
}

std::vector<ClientFields> ParseClientLines(const std::string& output) {
  std::vector<ClientFields> objects;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    ClientFields fields;
    std::istringstream parts(line);
    for (std::string part; std::getline(parts, part, '\t');) {
      const std::size_t equals = part.find('=');
      if (equals == std::string::npos) continue;
      std::string value;
      for (std::size_t i = equals + 1; i < part.size(); ++i) {
        if (part[i] == '\\' && i + 1 < part.size()) {
          const char escaped = part[++i];
          value += escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
        } else {
          value += part[i];
        }
      }
      fields[part.substr(0, equals)] = value;
    }
    if (!fields.empty()) objects.push_back(std::move(fields));
  }
  return objects;
}

std::string Field(const ClientFields& fields, const std::string& name) {
  const auto found = fields.find(name);
  return found == fields.end() ? std::string() : found->second;
}

std::vector<std::string> ListField(const ClientFields& fields, const std::string& name) {
  // Every item, an empty one at the end too ("a,," is three items); an empty field has none.
  std::vector<std::string> items;
  const std::string value = Field(fields, name);
  if (value.empty()) return items;
  std::size_t start = 0;
  for (std::size_t comma = value.find(','); comma != std::string::npos; comma = value.find(',', start)) {
    items.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  items.push_back(value.substr(start));
  return items;
}

}  // namespace x11test
