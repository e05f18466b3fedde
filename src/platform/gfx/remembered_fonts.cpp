// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/remembered_fonts.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace gfx {

namespace {

// The file's first line; a file written by another layout version is ignored (and replaced).
constexpr std::string_view kHeader = "tessivo-font-matches 1";
// Bounds on what is read back: far above a real file (a few kilobytes), far below harm.
constexpr std::size_t kMaxFileBytes = std::size_t{256} * 1024;
constexpr std::size_t kMaxEntries = 64;
constexpr std::size_t kMaxInputs = 4096;
constexpr std::int64_t kNsPerSecond = 1000000000;
constexpr mode_t kPrivateFolder = 0700;  // the XDG rule for a cache folder we create
constexpr unsigned char kDelete = 0x7f;
// The name of the file written beside: mkstemp replaces the X's with a random, unused name.
constexpr const char* kTemporarySuffix = ".XXXXXX";

// Every field is one space-free word: bytes that could split a line or a field, and the escape
// itself, are written as %XX.
std::string Escape(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= ' ' || b == '%' || b == kDelete) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xf];
    } else {
      out += c;
    }
  }
  return out.empty() ? "%" : out;  // a lone % stands for the empty text
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(std::string_view word, std::string* out) {
  out->clear();
  if (word == "%") return true;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '%') {
      *out += word[i];
      continue;
    }
    if (i + 2 >= word.size()) return false;
    const int hi = HexDigit(word[i + 1]);
    const int lo = HexDigit(word[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// One line's space-separated words, read in order.
class Words {
 public:
  explicit Words(std::string_view line) : m_rest(line) {}
  bool Take(std::string_view* word) {
    while (!m_rest.empty() && m_rest.front() == ' ') m_rest.remove_prefix(1);
    if (m_rest.empty()) return false;
    const std::size_t end = std::min(m_rest.find(' '), m_rest.size());
    *word = m_rest.substr(0, end);
    m_rest.remove_prefix(end);
    return true;
  }
  template <typename Number>
  bool Take(Number* value) {
    std::string_view word;
    if (!Take(&word)) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *value);
    return error == std::errc() && end == word.data() + word.size();
  }
  bool Text(std::string* text) {
    std::string_view word;
    return Take(&word) && Unescape(word, text);
  }
  bool Done() {
    std::string_view word;
    return !Take(&word);
  }

 private:
  std::string_view m_rest;
};

bool ReadPathState(Words& words, PathState* state) {
  return words.Take(&state->modifiedNs) && words.Take(&state->size) && words.Text(&state->path) &&
         !state->path.empty();
}

void WritePathState(std::string& out, const PathState& state) {
  out += std::to_string(state.modifiedNs) + ' ' + std::to_string(state.size) + ' ' + Escape(state.path);
}

// A descriptor closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return m_fd; }
  // Closes now: false when the data written may not have reached the file.
  bool CloseNow() { return ::close(std::exchange(m_fd, -1)) == 0; }

 private:
  int m_fd;
};

// The whole file, or false when it is missing, unreadable, not a regular file (a FIFO there would
// hold the start up for good: open waits for a writer and restarts after a signal) or larger than
// any file we write. A link is not followed: the file is ours, never somewhere else.
bool ReadWhole(const std::string& path, std::string* text) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat info{};
  if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size > static_cast<off_t>(kMaxFileBytes))
    return false;
  // One byte more than the file's size tells a file that grew while it was read (never one we
  // wrote: ours are replaced whole) from a complete read.
  text->assign(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t done = 0;
  while (done < text->size()) {
    const ssize_t got = ::read(fd.Get(), text->data() + done, text->size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  text->resize(done);
  return done <= static_cast<std::size_t>(info.st_size);
}

bool WriteWhole(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// mkdir -p of the folders above `file`.
void MakeParentFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    ::mkdir(file.substr(0, slash).c_str(), kPrivateFolder);
  }
}

// The state `info` (from stat) describes; nullptr: the path does not exist.
PathState StateFrom(const std::string& path, const struct stat* info) {
  PathState state;
  state.path = path;
  if (info != nullptr) {
    state.modifiedNs = static_cast<std::int64_t>(info->st_mtim.tv_sec) * kNsPerSecond + info->st_mtim.tv_nsec;
    state.size = static_cast<std::int64_t>(info->st_size);
  }
  return state;
}

bool InputsUnchanged(const std::vector<PathState>& inputs) {
  return std::all_of(inputs.begin(), inputs.end(),
                     [](const PathState& was) { return PathState::Of(was.path) == was; });
}

}  // namespace

PathState PathState::Of(const std::string& path) {
  struct stat info{};
  return StateFrom(path, ::stat(path.c_str(), &info) == 0 ? &info : nullptr);
}

RememberedFonts::RememberedFonts(std::string file) : m_file(std::move(file)) {}

std::string RememberedFonts::DefaultFile() {
  const char* remember = std::getenv("TESSIVO_REMEMBER_FONTS");
  if (remember != nullptr && std::string_view(remember) == "0") return {};
  // Relative values are not XDG places and are ignored, as the XDG rules ask.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/tessivo/font-matches";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/tessivo/font-matches";
  return {};
}

std::string RememberedFonts::Environment() {
  // What fontconfig reads from the environment: where its configuration is, where the user's
  // places are, and the language its default substitution adds to every pattern.
  static const char* const kVariables[] = {
      "FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
      "FC_LANG",         "LC_ALL",          "LC_CTYPE",           "LANG"};
  std::string environment;
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    environment += name;
    environment += value != nullptr ? "=" + std::string(value) : std::string("!");
    environment += '\n';
  }
  return environment;
}

std::string RememberedAnswers::Text() const {
  std::string out(kHeader);
  out += "\nenv " + Escape(environment) + '\n';
  for (const PathState& input : inputs) {
    out += "input ";
    WritePathState(out, input);
    out += '\n';
  }
  for (const Answer& answer : answers) {
    out += "match " + Escape(answer.key) + ' ' + std::to_string(answer.match.index) + ' ' +
           std::to_string(answer.match.weight) + ' ' + std::to_string(answer.match.slant) + ' ' +
           Escape(answer.match.family) + ' ';
    WritePathState(out, answer.fontFile);
    out += '\n';
  }
  return out;
}

bool RememberedAnswers::Parse(std::string_view text, RememberedAnswers* out) {
  auto nextLine = [&text](std::string_view* line) {
    if (text.empty()) return false;
    const std::size_t end = std::min(text.find('\n'), text.size());
    *line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return true;
  };
  std::string_view line;
  if (!nextLine(&line) || line != kHeader) return false;
  RememberedAnswers read;
  // Any line this program does not write makes the whole file suspect.
  while (nextLine(&line)) {
    Words words(line);
    std::string_view kind;
    if (!words.Take(&kind)) return false;
    if (kind == "env") {
      if (!words.Text(&read.environment) || !words.Done()) return false;
    } else if (kind == "input") {
      PathState state;
      if (read.inputs.size() >= kMaxInputs || !ReadPathState(words, &state) || !words.Done()) return false;
      read.inputs.push_back(std::move(state));
    } else if (kind == "match") {
      Answer answer;
      if (read.answers.size() >= kMaxEntries || !words.Text(&answer.key) ||
          !words.Take(&answer.match.index) || !words.Take(&answer.match.weight) ||
          !words.Take(&answer.match.slant) || !words.Text(&answer.match.family) ||
          !ReadPathState(words, &answer.fontFile) || !words.Done() || answer.match.index < 0)
        return false;
      answer.match.file = answer.fontFile.path;
      read.answers.push_back(std::move(answer));
    } else {
      return false;
    }
  }
  *out = std::move(read);
  return true;
}

const FontMatch* RememberedFonts::Find(const std::string& key, const std::string& environment) {
  if (!m_loaded || environment != m_answers.environment) Load(environment);
  for (const RememberedAnswers::Answer& answer : m_answers.answers) {
    if (answer.key != key) continue;
    // A font file replaced in place keeps its folder's time: check the file itself. Only a regular
    // file can hold a font; anything else (a FIFO would hold the start up) was not fontconfig's
    // answer, so the question goes to fontconfig again.
    struct stat info{};
    if (::stat(answer.fontFile.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    return StateFrom(answer.fontFile.path, &info) == answer.fontFile ? &answer.match : nullptr;
  }
  return nullptr;
}

void RememberedFonts::Load(const std::string& environment) {
  m_loaded = true;
  m_answers = RememberedAnswers{environment, {}, {}};
  std::string text;
  RememberedAnswers read;
  if (m_file.empty() || !ReadWhole(m_file, &text) || !RememberedAnswers::Parse(text, &read)) return;
  // Answers without recorded inputs cannot be checked, so they are not trusted.
  if (read.environment != environment || read.inputs.empty() || !InputsUnchanged(read.inputs)) return;
  m_answers = std::move(read);
}

void RememberedFonts::Remember(const std::string& key, const std::string& environment, const FontMatch& match,
                               const std::vector<PathState>& inputs) {
  if (!m_loaded || environment != m_answers.environment) Load(environment);
  if (inputs.empty()) return;
  // Answers read from the file were checked against the same configuration fontconfig has just
  // read, so they stay beside the new one.
  m_answers.inputs = inputs;
  std::vector<RememberedAnswers::Answer>& answers = m_answers.answers;
  std::erase_if(answers, [&](const RememberedAnswers::Answer& a) { return a.key == key; });
  if (answers.size() >= kMaxEntries) answers.erase(answers.begin());
  answers.push_back(RememberedAnswers::Answer{key, match, PathState::Of(match.file)});
  Save();
}

void RememberedFonts::Save() const {
  if (m_file.empty()) return;
  const std::string out = m_answers.Text();
  // Written beside and renamed over, so two programs starting together never read half a file.
  // The file beside gets a fresh name of its own, created only if nothing is there (a link planted
  // at a name we would have used could otherwise carry our text into another file), readable by
  // the user alone.
  MakeParentFolders(m_file);
  std::string temporary = m_file + kTemporarySuffix;
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.Get() < 0) return;
  const bool written = WriteWhole(fd.Get(), out);
  if (!fd.CloseNow() || !written || ::rename(temporary.c_str(), m_file.c_str()) != 0) {
    ::unlink(temporary.c_str());
  }
}

}  // namespace gfx
