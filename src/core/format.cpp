// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/format.h"

#include <algorithm>
#include <cstring>

#include "core/exceptions.h"

namespace {

// A width or precision above this is a broken pattern, not a layout wish: refuse it rather than
// allocate megabytes of padding.
constexpr long kMaxFieldWidth = 65536;

[[noreturn]] void RaiseBadFormat(const char* pattern) {
  throw EConvertError(Format(kSInvalidFormat, pattern));
}

std::string Digits(std::uint64_t value, unsigned base, bool upperCase) {
  const char* digitSet = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  char buffer[24];
  std::size_t pos = sizeof(buffer);
  do {
    buffer[--pos] = digitSet[value % base];
    value /= base;
  } while (value != 0);
  return std::string(buffer + pos, sizeof(buffer) - pos);
}

// The unsigned bits of an integer argument as its own type holds them: -1 passed as a 32-bit int
// shows as FFFFFFFF, as a 64-bit one as sixteen Fs.
std::uint64_t UnsignedBits(const TFormatArg& arg) {
  if (arg.GetKind() == TFormatArg::Kind::fkSigned) {
    auto bits = static_cast<std::uint64_t>(arg.Signed());
    return arg.Bits() == 32 ? (bits & 0xFFFFFFFFu) : bits;
  }
  return arg.Unsigned();
}

bool IsInteger(const TFormatArg& arg) {
  return arg.GetKind() == TFormatArg::Kind::fkSigned || arg.GetKind() == TFormatArg::Kind::fkUnsigned;
}

class TFormatter {
 public:
  TFormatter(const char* pattern, std::initializer_list<TFormatArg> args)
      : m_pattern(pattern), m_args(args) {}

  std::string Run() {
    const char* p = m_pattern;
    while (*p != '\0') {
      if (*p != '%') {
        m_out.push_back(*p++);
        continue;
      }
      ++p;
      if (*p == '%') {
        m_out.push_back('%');
        ++p;
        continue;
      }
      p = Placeholder(p);
    }
    return std::move(m_out);
  }

 private:
  // Parses and expands one placeholder; p points just after the '%'.
  const char* Placeholder(const char* p) {
    bool leftJustify = false;
    if (*p == '-') {
      leftJustify = true;
      ++p;
    }
    long width = -1;
    p = Number(p, &width);
    long precision = -1;
    if (*p == '.') {
      ++p;
      p = Number(p, &precision);
      if (precision < 0) precision = 0;  // "%.d": a precision of zero, as printf reads it
    }
    const char type = *p;
    if (type == '\0') RaiseBadFormat(m_pattern);
    ++p;

    const TFormatArg& arg = NextArg();
    std::string field;
    switch (type) {
      case 'd':
      case 'D': {
        if (!IsInteger(arg)) RaiseBadFormat(m_pattern);
        bool negative = arg.GetKind() == TFormatArg::Kind::fkSigned && arg.Signed() < 0;
        std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(arg.Signed()) : UnsignedBits(arg);
        field = ZeroPad(Digits(magnitude, 10, false), precision);
        if (negative) field.insert(field.begin(), '-');
        break;
      }
      case 'u':
      case 'U':
        if (!IsInteger(arg)) RaiseBadFormat(m_pattern);
        field = ZeroPad(Digits(UnsignedBits(arg), 10, false), precision);
        break;
      case 'x':
      case 'X':
        if (!IsInteger(arg)) RaiseBadFormat(m_pattern);
        field = ZeroPad(Digits(UnsignedBits(arg), 16, type == 'X'), precision);
        break;
      case 'p':
      case 'P':
        // Addresses and module offsets; integers are accepted so that an offset computed as a
        // number can be shown the same way.
        if (arg.GetKind() != TFormatArg::Kind::fkPointer && !IsInteger(arg)) {
          RaiseBadFormat(m_pattern);
        }
        field = ZeroPad(Digits(UnsignedBits(arg), 16, true), 8);
        break;
      case 's':
      case 'S': {
        if (arg.GetKind() != TFormatArg::Kind::fkText) RaiseBadFormat(m_pattern);
        std::string_view text = arg.Text();
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) {
          text = text.substr(0, static_cast<std::size_t>(precision));
        }
        field.assign(text);
        break;
      }
      default:
        RaiseBadFormat(m_pattern);
    }

    if (width > 0 && static_cast<std::size_t>(width) > field.size()) {
      std::size_t padding = static_cast<std::size_t>(width) - field.size();
      if (leftJustify) {
        field.append(padding, ' ');
      } else {
        field.insert(0, padding, ' ');
      }
    }
    m_out += field;
    return p;
  }

  // Reads a decimal number or '*' (the next argument, which must be a non-negative integer).
  const char* Number(const char* p, long* value) {
    if (*p == '*') {
      const TFormatArg& arg = NextArg();
      if (!IsInteger(arg)) RaiseBadFormat(m_pattern);
      const bool isSigned = arg.GetKind() == TFormatArg::Kind::fkSigned;
      if (isSigned ? (arg.Signed() < 0 || arg.Signed() > kMaxFieldWidth)
                   : arg.Unsigned() > static_cast<std::uint64_t>(kMaxFieldWidth)) {
        RaiseBadFormat(m_pattern);
      }
      *value = isSigned ? static_cast<long>(arg.Signed()) : static_cast<long>(arg.Unsigned());
      return p + 1;
    }
    if (*p < '0' || *p > '9') return p;
    long n = 0;
    while (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p - '0');
      if (n > kMaxFieldWidth) RaiseBadFormat(m_pattern);
      ++p;
    }
    *value = n;
    return p;
  }

  const TFormatArg& NextArg() {
    if (m_next >= m_args.size()) RaiseBadFormat(m_pattern);
    return m_args.begin()[m_next++];
  }

  static std::string ZeroPad(std::string digits, long minimumDigits) {
    if (minimumDigits > 0 && static_cast<std::size_t>(minimumDigits) > digits.size()) {
      digits.insert(0, static_cast<std::size_t>(minimumDigits) - digits.size(), '0');
    }
    return digits;
  }

  const char* m_pattern;
  std::initializer_list<TFormatArg> m_args;
  std::size_t m_next = 0;
  std::string m_out;
};

}  // namespace

std::string FormatArgs(const char* pattern, std::initializer_list<TFormatArg> args) {
  if (pattern == nullptr) return {};
  return TFormatter(pattern, args).Run();
}

std::size_t FormatBufArgs(char* buffer, std::size_t bufferSize, const char* pattern,
                          std::initializer_list<TFormatArg> args) {
  if (buffer == nullptr || bufferSize == 0) return 0;
  std::string text = FormatArgs(pattern, args);
  std::size_t length = std::min(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

unsigned char LowerCaseCp1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:  // S with caron
    case 0x8C:  // OE ligature
    case 0x8E:  // Z with caron
      return static_cast<unsigned char>(c + 0x10);
    case 0x9F:  // Y with diaeresis
      return 0xFF;
    default:
      return c;
  }
}

std::string LowerCaseCp1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(LowerCaseCp1252(static_cast<unsigned char>(c)));
  return out;
}

bool SameTextCp1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerCaseCp1252(static_cast<unsigned char>(a[i])) !=
        LowerCaseCp1252(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}
