// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/bus_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace atspi {

namespace {

// ---- Addresses --------------------------------------------------------------------------------

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Address values escape bytes as %xx.
std::optional<std::string> Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      out += value[i];
      continue;
    }
    if (i + 2 >= value.size()) return std::nullopt;
    const int hi = HexValue(value[i + 1]);
    const int lo = HexValue(value[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

struct UnixEndpoint {
  std::string path;
  bool abstract = false;
};

// The first unix-socket endpoint of an address list ("unix:path=...,guid=...;tcp:...").
std::optional<UnixEndpoint> FirstUnixEndpoint(std::string_view addresses) {
  while (!addresses.empty()) {
    const std::size_t end = addresses.find(';');
    std::string_view one = addresses.substr(0, end);
    addresses = end == std::string_view::npos ? std::string_view{} : addresses.substr(end + 1);
    constexpr std::string_view kUnix = "unix:";
    if (one.substr(0, kUnix.size()) != kUnix) continue;
    one.remove_prefix(kUnix.size());
    while (!one.empty()) {
      const std::size_t comma = one.find(',');
      const std::string_view pair = one.substr(0, comma);
      one = comma == std::string_view::npos ? std::string_view{} : one.substr(comma + 1);
      const std::size_t eq = pair.find('=');
      if (eq == std::string_view::npos) continue;
      const std::string_view key = pair.substr(0, eq);
      if (key != "path" && key != "abstract") continue;
      std::optional<std::string> value = Unescape(pair.substr(eq + 1));
      if (!value || value->empty()) break;
      return UnixEndpoint{*value, key == "abstract"};
    }
  }
  return std::nullopt;
}

// ---- Messages ---------------------------------------------------------------------------------
// Just enough of the wire format for two method calls to the bus and their replies, little-endian.

constexpr std::uint8_t kMethodCall = 1;
constexpr std::uint8_t kMethodReturn = 2;
constexpr std::uint8_t kProtocolVersion = 1;
constexpr std::uint8_t kFieldPath = 1;
constexpr std::uint8_t kFieldInterface = 2;
constexpr std::uint8_t kFieldMember = 3;
constexpr std::uint8_t kFieldReplySerial = 5;
constexpr std::uint8_t kFieldDestination = 6;
constexpr std::uint8_t kFieldSignature = 8;
constexpr std::size_t kHeaderAlign = 8;
constexpr std::size_t kFixedHeader = 16;  // up to the header fields' array length
// Far more than a reply to these calls needs; anything longer is not what was asked for.
constexpr std::size_t kLargestReply = std::size_t{64} * 1024;

class Marshal {
 public:
  void Pad(std::size_t align) {
    while (m_bytes.size() % align != 0) m_bytes.push_back('\0');
  }
  void Byte(std::uint8_t b) { m_bytes.push_back(static_cast<char>(b)); }
  void U32(std::uint32_t v) {
    Pad(4);
    for (int i = 0; i < 4; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void String(std::string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    m_bytes.append(s);
    m_bytes.push_back('\0');
  }
  void Signature(std::string_view s) {
    Byte(static_cast<std::uint8_t>(s.size()));
    m_bytes.append(s);
    m_bytes.push_back('\0');
  }
  void Field(std::uint8_t code, char type, std::string_view value) {
    Pad(kHeaderAlign);
    Byte(code);
    Signature(std::string_view(&type, 1));
    if (type == 'g') {
      Signature(value);
    } else {
      String(value);
    }
  }
  std::string& Bytes() { return m_bytes; }

 private:
  std::string m_bytes;
};

std::string MethodCall(std::uint32_t serial, std::string_view member, std::string_view stringArg) {
  Marshal body;
  if (!stringArg.empty()) body.String(stringArg);
  Marshal m;
  m.Byte('l');
  m.Byte(kMethodCall);
  m.Byte(0);
  m.Byte(kProtocolVersion);
  m.U32(static_cast<std::uint32_t>(body.Bytes().size()));
  m.U32(serial);
  Marshal fields;
  fields.Field(kFieldPath, 'o', "/org/freedesktop/DBus");
  fields.Field(kFieldInterface, 's', "org.freedesktop.DBus");
  fields.Field(kFieldMember, 's', member);
  fields.Field(kFieldDestination, 's', "org.freedesktop.DBus");
  if (!stringArg.empty()) fields.Field(kFieldSignature, 'g', "s");
  m.U32(static_cast<std::uint32_t>(fields.Bytes().size()));
  m.Pad(kHeaderAlign);
  m.Bytes() += fields.Bytes();
  m.Pad(kHeaderAlign);
  m.Bytes() += body.Bytes();
  return m.Bytes();
}

std::uint32_t ReadU32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

std::size_t Align(std::size_t at, std::size_t align) { return (at + align - 1) / align * align; }

struct Reply {
  std::uint8_t type = 0;
  std::uint32_t replySerial = 0;
  std::string body;
};

// One whole message from the front of `buffer` (removed from it); nothing when more bytes are
// needed; `malformed` when the bytes cannot be a message this probe understands.
std::optional<Reply> TakeMessage(std::string& buffer, bool* malformed) {
  if (buffer.size() < kFixedHeader) return std::nullopt;
  if (buffer[0] != 'l') {  // the bus answers in the byte order it was spoken to
    *malformed = true;
    return std::nullopt;
  }
  const std::size_t bodyLength = ReadU32(buffer, 4);
  const std::size_t fieldsLength = ReadU32(buffer, 12);
  if (bodyLength > kLargestReply || fieldsLength > kLargestReply) {
    *malformed = true;
    return std::nullopt;
  }
  const std::size_t fieldsEnd = kFixedHeader + fieldsLength;
  const std::size_t total = Align(fieldsEnd, kHeaderAlign) + bodyLength;
  if (buffer.size() < total) return std::nullopt;
  Reply reply;
  reply.type = static_cast<std::uint8_t>(buffer[1]);
  std::size_t at = kFixedHeader;
  while (at < fieldsEnd) {
    at = Align(at, kHeaderAlign);
    if (at + 3 > fieldsEnd) break;
    const auto code = static_cast<std::uint8_t>(buffer[at]);
    const auto sigLength = static_cast<std::uint8_t>(buffer[at + 1]);
    if (sigLength != 1 || at + 4 > fieldsEnd) {
      *malformed = true;
      return std::nullopt;
    }
    const char type = buffer[at + 2];
    at += 4;
    if (type == 'u') {
      at = Align(at, 4);
      if (at + 4 > fieldsEnd) break;
      if (code == kFieldReplySerial) reply.replySerial = ReadU32(buffer, at);
      at += 4;
    } else if (type == 's' || type == 'o') {
      at = Align(at, 4);
      if (at + 4 > fieldsEnd) break;
      at += 4 + ReadU32(buffer, at) + 1;
    } else if (type == 'g') {
      at += static_cast<unsigned char>(buffer[at]) + 2U;
    } else {
      *malformed = true;
      return std::nullopt;
    }
  }
  reply.body = buffer.substr(Align(fieldsEnd, kHeaderAlign), bodyLength);
  buffer.erase(0, total);
  return reply;
}

// ---- The conversation -------------------------------------------------------------------------

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  constexpr std::int64_t kMsPerS = 1000;
  constexpr std::int64_t kNsPerMs = 1000000;
  return static_cast<std::int64_t>(ts.tv_sec) * kMsPerS + ts.tv_nsec / kNsPerMs;
}

class Socket {
 public:
  explicit Socket(int fd) : m_fd(fd) {}
  ~Socket() {
    if (m_fd >= 0) close(m_fd);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int Fd() const { return m_fd; }

 private:
  int m_fd;
};

bool WaitFor(int fd, short events, std::int64_t deadline) {
  for (;;) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready > 0) return (p.revents & events) != 0;
    if (ready < 0 && errno != EINTR) return false;
  }
}

bool SendAll(int fd, std::string_view bytes, std::int64_t deadline) {
  while (!bytes.empty()) {
    const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, deadline)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Reads what is there into `buffer`, waiting for some; false on end, error or time-out.
bool ReadSome(int fd, std::string& buffer, std::int64_t deadline) {
  constexpr std::size_t kChunk = 4096;
  char chunk[kChunk];
  for (;;) {
    const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
    if (got > 0) {
      buffer.append(chunk, static_cast<std::size_t>(got));
      return buffer.size() <= kLargestReply * 2;
    }
    if (got == 0) return false;
    if (errno != EAGAIN && errno != EINTR) return false;
    if (!WaitFor(fd, POLLIN, deadline)) return false;
  }
}

}  // namespace

std::optional<std::string> SessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
    return std::string(address);
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return std::nullopt;
  const std::string socketPath = std::string(runtime) + "/bus";
  struct stat st{};
  if (stat(socketPath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
  return "unix:path=" + socketPath;
}

NameOwner AskNameHasOwner(const std::string& address, const std::string& name, int timeoutMs) {
  const std::optional<UnixEndpoint> endpoint = FirstUnixEndpoint(address);
  if (!endpoint) return NameOwner::kUnknown;
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  // An abstract name starts with a zero byte; a path must leave room for its terminator.
  const std::size_t offset = endpoint->abstract ? 1 : 0;
  if (endpoint->path.size() + offset >= sizeof sa.sun_path) return NameOwner::kUnknown;
  std::memcpy(sa.sun_path + offset, endpoint->path.data(), endpoint->path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                             endpoint->path.size() + (endpoint->abstract ? 0 : 1));

  Socket sock(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (sock.Fd() < 0) return NameOwner::kUnknown;
  const std::int64_t deadline = NowMs() + timeoutMs;
  if (connect(sock.Fd(), reinterpret_cast<const sockaddr*>(&sa), length) != 0) {
    if (errno != EINPROGRESS && errno != EAGAIN) return NameOwner::kUnknown;
    if (!WaitFor(sock.Fd(), POLLOUT, deadline)) return NameOwner::kUnknown;
  }
  // Authentication as this user (the credentials travel with the socket), then the two calls:
  // Hello must come first on a bus connection.
  std::string uid = std::to_string(getuid());
  std::string hexUid;
  constexpr char kHex[] = "0123456789abcdef";
  for (unsigned char c : uid) {
    hexUid += kHex[c >> 4];
    hexUid += kHex[c & 0xF];
  }
  const std::string auth = std::string(1, '\0') + "AUTH EXTERNAL " + hexUid + "\r\n";
  if (!SendAll(sock.Fd(), auth, deadline)) return NameOwner::kUnknown;
  std::string buffer;
  while (buffer.find("\r\n") == std::string::npos) {
    if (!ReadSome(sock.Fd(), buffer, deadline)) return NameOwner::kUnknown;
  }
  if (buffer.rfind("OK ", 0) != 0) return NameOwner::kUnknown;
  buffer.erase(0, buffer.find("\r\n") + 2);
  constexpr std::uint32_t kHelloSerial = 1;
  constexpr std::uint32_t kAskSerial = 2;
  const std::string calls =
      "BEGIN\r\n" + MethodCall(kHelloSerial, "Hello", {}) + MethodCall(kAskSerial, "NameHasOwner", name);
  if (!SendAll(sock.Fd(), calls, deadline)) return NameOwner::kUnknown;
  for (;;) {
    bool malformed = false;
    while (std::optional<Reply> reply = TakeMessage(buffer, &malformed)) {
      if (reply->replySerial != kAskSerial) continue;  // Hello's answer, or the bus's NameAcquired
      if (reply->type != kMethodReturn || reply->body.size() < 4) return NameOwner::kUnknown;
      return ReadU32(reply->body, 0) != 0 ? NameOwner::kOwned : NameOwner::kNotOwned;
    }
    if (malformed || !ReadSome(sock.Fd(), buffer, deadline)) return NameOwner::kUnknown;
  }
}

}  // namespace atspi
