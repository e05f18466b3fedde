// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/cp1252.h"

namespace text {

namespace {

// Code points of bytes 0x80..0x9F. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control with the same number, so every byte round-trips.
constexpr char32_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool UnicodeToCp1252(char32_t cp, unsigned char* byte) {
  unsigned char out = 0;
  if (!detail::Cp1252Upper(cp, &out)) return false;
  if (byte) *byte = out;
  return true;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char c : cp1252) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

namespace {

// Decodes UTF-8; `replacement` (0: none) stands for each character outside cp1252 and, when
// given, for each ill-formed stretch too.
std::string DecodeUtf8(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  const IllFormedUtf8 illFormed = replacement != 0 ? IllFormedUtf8::kReplace : IllFormedUtf8::kSkip;
  ForEachCodePoint(utf8, illFormed, [&](char32_t codePoint) {
    unsigned char byte = 0;
    if (UnicodeToCp1252(codePoint, &byte)) {
      out.push_back(static_cast<char>(byte));
    } else if (replacement != 0) {
      out.push_back(replacement);
    }
  });
  return out;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) { return DecodeUtf8(utf8, 0); }

std::string Utf8ToCp1252Replacing(std::string_view utf8, char replacement) {
  return DecodeUtf8(utf8, replacement);
}

unsigned char UpperCp1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;  // s caron
    case 0x9C:
      return 0x8C;  // oe
    case 0x9E:
      return 0x8E;  // z caron
    case 0xFF:
      return 0x9F;  // y diaeresis
    default:
      return c;
  }
}

unsigned char LowerCp1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

}  // namespace text
