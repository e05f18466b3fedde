// SPDX-License-Identifier: GPL-3.0-or-later
// Message formatting and cp1252 text comparison for the program's own texts.
//
// The error texts of the program come from its string table with printf-like placeholders
// ("List index out of bounds (%d)", "Exception %s in module %s at %p.\r\n%s%s\r\n"). Format
// fills them in with type-checked arguments: a placeholder that does not fit its argument, or a
// missing argument, raises EConvertError instead of reading garbage off the stack.
//
// Placeholders: %[-][width][.precision]type, width and precision may be '*' (taken from the next
// integer argument).
//   %d  signed decimal            %u  unsigned decimal (a negative value as its unsigned bits)
//   %x  lower-case hexadecimal    %X  upper-case hexadecimal
//   %s  text                      %p  address or offset: upper-case hexadecimal, at least 8 digits
//   %%  a percent sign
// Width pads with spaces (on the left, or on the right after '-'). Precision is the minimum
// number of digits for the numeric types (zero-padded) and the maximum number of characters for
// %s. Arguments beyond the last placeholder are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of Format, captured by value with its kind. Built implicitly from the argument
// types the program passes; anything else does not compile.
class TFormatArg {
 public:
  enum class Kind { fkSigned, fkUnsigned, fkText, fkPointer };

  template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
  TFormatArg(T value)  // NOLINT(google-explicit-constructor): arguments convert implicitly
      : m_kind(std::is_signed_v<T> ? Kind::fkSigned : Kind::fkUnsigned), m_bits(sizeof(T) > 4 ? 64 : 32) {
    if constexpr (std::is_signed_v<T>) {
      m_signed = static_cast<std::int64_t>(value);
    } else {
      m_unsigned = static_cast<std::uint64_t>(value);
    }
  }
  TFormatArg(const char* value) : m_kind(Kind::fkText), m_text(value ? value : "") {}
  TFormatArg(const std::string& value) : m_kind(Kind::fkText), m_text(value) {}
  TFormatArg(std::string_view value) : m_kind(Kind::fkText), m_text(value) {}
  TFormatArg(const void* value)
      : m_kind(Kind::fkPointer), m_unsigned(reinterpret_cast<std::uintptr_t>(value)) {}

  Kind GetKind() const { return m_kind; }
  // Width of the argument's integer type (32 or 64); decides how %u and %x show negatives.
  int Bits() const { return m_bits; }
  std::int64_t Signed() const { return m_signed; }
  std::uint64_t Unsigned() const { return m_unsigned; }
  std::string_view Text() const { return m_text; }

 private:
  Kind m_kind;
  int m_bits = 64;
  std::int64_t m_signed = 0;
  std::uint64_t m_unsigned = 0;
  std::string_view m_text;
};

// The formatting itself; the templates below only collect the arguments. A null pattern is
// treated as an empty one.
std::string FormatArgs(const char* pattern, std::initializer_list<TFormatArg> args);

template <typename... Args>
std::string Format(const char* pattern, const Args&... args) {
  return FormatArgs(pattern, {TFormatArg(args)...});
}

// Formats into a fixed buffer of bufferSize bytes, as the program does for texts with a length
// limit: the result is cut to bufferSize - 1 characters and always terminated. Returns the number
// of characters written (without the terminator). A zero-size buffer receives nothing.
std::size_t FormatBufArgs(char* buffer, std::size_t bufferSize, const char* pattern,
                          std::initializer_list<TFormatArg> args);

template <typename... Args>
std::size_t FormatBuf(char* buffer, std::size_t bufferSize, const char* pattern, const Args&... args) {
  return FormatBufArgs(buffer, bufferSize, pattern, {TFormatArg(args)...});
}

// cp1252 case folding: ASCII letters and the accented letters of the code page (upper 0xC0..0xDE
// except 0xD7, with 0x8A, 0x8C, 0x8E, 0x9F) map to their lower-case partners.
unsigned char LowerCaseCp1252(unsigned char c);
std::string LowerCaseCp1252(std::string_view text);
// Equality ignoring letter case, as the program's list searches compare item texts.
bool SameTextCp1252(std::string_view a, std::string_view b);
