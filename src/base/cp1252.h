// SPDX-License-Identifier: GPL-3.0-or-later
// The program's text is 8-bit Windows-1252 everywhere above the display backend. Source files are
// UTF-8; texts written in the code go through the _cp literal at compile time, so no hand-written
// byte escapes are scattered through the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/utf8.h"

namespace text {

// Unicode code point of a cp1252 byte (undefined bytes map to themselves, as the Unicode mapping of
// the code page's best-fit table does).
char32_t Cp1252ToUnicode(unsigned char byte);
// cp1252 byte of a code point; false when the code page cannot hold it.
bool UnicodeToCp1252(char32_t cp, unsigned char* byte);

std::string Cp1252ToUtf8(std::string_view cp1252);
// Characters that cp1252 cannot hold are dropped, and so is each ill-formed UTF-8 stretch: for
// text that must not gain characters nobody wrote (what a key typed, names shown in messages).
std::string Utf8ToCp1252(std::string_view utf8);
// The same, but a character that cp1252 cannot hold becomes `replacement`, and so does each
// ill-formed UTF-8 stretch (read as U+FFFD), so pasted text keeps its shape and shows where
// something was lost instead of closing up around it.
std::string Utf8ToCp1252Replacing(std::string_view utf8, char replacement);

// cp1252 letter folding used by case-insensitive searches: upper-cases ASCII and the accented
// letters of the code page (0xE0..0xFE except 0xF7; 0x9A, 0x9C, 0x9E, 0xFF).
unsigned char UpperCp1252(unsigned char c);
unsigned char LowerCp1252(unsigned char c);

namespace detail {

constexpr bool Cp1252Upper(char32_t cp, unsigned char* out) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    *out = static_cast<unsigned char>(cp);
    return true;
  }
  constexpr char32_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) {
      *out = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

// Decodes the UTF-8 program text `utf8` (up to its terminator) into cp1252 bytes at `out`, which
// has room for `capacity` bytes, and returns their number. Called only at compile time: a text
// that is not UTF-8, holds a character outside the code page or does not fit stops the build.
constexpr std::size_t DecodeProgramText(const char* utf8, char* out, std::size_t capacity) {
  const std::string_view text(utf8);
  std::size_t length = 0;
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Char c = DecodeUtf8Char(text, at);
    if (!c.wellFormed) throw "malformed UTF-8 in a program text";
    at += c.length;
    unsigned char byte = 0;
    if (!Cp1252Upper(c.codePoint, &byte)) throw "character outside the cp1252 code page";
    if (length >= capacity) throw "a program text is too long for its place";
    out[length++] = static_cast<char>(byte);
  }
  return length;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N] = {};
  std::size_t length = 0;  // length of the cp1252 text
  consteval Utf8Literal(const char (&s)[N]) { length = DecodeProgramText(s, bytes, N); }
};

}  // namespace detail

template <std::size_t N>
struct Cp1252Text {
  char data[N] = {};
  std::size_t size = 0;
  constexpr const char* c_str() const { return data; }
  constexpr std::string_view view() const { return {data, size}; }
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(data, size); }
};

}  // namespace text

// "Versão"_cp is the cp1252 text of a UTF-8 literal, converted at compile time.
template <text::detail::Utf8Literal S>
consteval auto operator""_cp() {
  text::Cp1252Text<sizeof(S.bytes)> out{};
  for (std::size_t i = 0; i < S.length; ++i) out.data[i] = S.bytes[i];
  out.size = S.length;
  return out;
}
