// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one UTF-8 decoder and encoder. Everything that reads UTF-8 (the desktop's
// clipboard and window names, an input method's characters, program texts at compile time)
// reads it here, so ill-formed input is treated one way everywhere:
//
// A sequence is ill-formed when its first byte cannot start a character (a stray continuation
// byte, C0, C1, F5..FF), when it is cut short, when it is an overlong form, when it encodes a
// surrogate (U+D800..U+DFFF) or a value above U+10FFFF. Each ill-formed stretch is one maximal
// subpart: the lead byte and as many following bytes as could still have begun a well-formed
// character, never the byte that shows the sequence broken. So one bad byte never swallows the
// character after it, and a caller that replaces ill-formed stretches puts one replacement per
// stretch, as other UTF-8 readers on the desktop do.
//
// The decoder never guesses: what an ill-formed stretch becomes (nothing, U+FFFD, or an error)
// is the caller's choice, named where it calls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';
inline constexpr char32_t kLastCodePoint = U'\U0010FFFF';

// One character read from UTF-8 text.
struct Utf8Char {
  char32_t codePoint = kReplacementCharacter;  // kReplacementCharacter when ill-formed
  std::size_t length = 0;                      // bytes read, at least 1
  bool wellFormed = false;
};

// What a loop over UTF-8 text does with an ill-formed stretch.
enum class IllFormedUtf8 {
  kSkip,     // it stands for nothing
  kReplace,  // it stands for one kReplacementCharacter
};

namespace detail {

inline constexpr unsigned char kContinuationLow = 0x80;
inline constexpr unsigned char kContinuationHigh = 0xBF;
inline constexpr unsigned char kContinuationPayload = 0x3F;
inline constexpr int kContinuationBits = 6;

// The well-formed byte sequences, by their lead bytes: how many continuation bytes follow, the
// range the first of them must lie in (which is where overlong forms, surrogates and values above
// U+10FFFF are shut out), and the bits of the lead that carry the character. A byte in no row
// cannot start a character.
inline constexpr int kNotALead = -1;
struct LeadBytes {
  unsigned char first = 0;
  unsigned char last = 0;
  int following = kNotALead;
  unsigned char secondLow = 0;
  unsigned char secondHigh = 0;
  unsigned char payload = 0;
};

inline constexpr LeadBytes kLeadTable[] = {
    {0x00, 0x7F, 0, 0, 0, 0x7F},
    {0xC2, 0xDF, 1, kContinuationLow, kContinuationHigh, 0x1F},
    {0xE0, 0xE0, 2, 0xA0, kContinuationHigh, 0x0F},  // a lower second byte: overlong
    {0xE1, 0xEC, 2, kContinuationLow, kContinuationHigh, 0x0F},
    {0xED, 0xED, 2, kContinuationLow, 0x9F, 0x0F},  // a higher second byte: a surrogate
    {0xEE, 0xEF, 2, kContinuationLow, kContinuationHigh, 0x0F},
    {0xF0, 0xF0, 3, 0x90, kContinuationHigh, 0x07},  // a lower second byte: overlong
    {0xF1, 0xF3, 3, kContinuationLow, kContinuationHigh, 0x07},
    {0xF4, 0xF4, 3, kContinuationLow, 0x8F, 0x07},  // a higher second byte: beyond U+10FFFF
};

// The row of `lead`, or a row whose `following` is kNotALead. A copy, not a pointer into the
// table: in the sanitizer build, comparing that pointer with null is no constant expression.
constexpr LeadBytes FindLead(unsigned char lead) {
  for (const LeadBytes& row : kLeadTable) {
    if (lead >= row.first && lead <= row.last) return row;
  }
  return {};
}

}  // namespace detail

// The character that starts at byte `at` of `utf8` (at < utf8.size()).
constexpr Utf8Char DecodeUtf8Char(std::string_view utf8, std::size_t at) {
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  Utf8Char result;
  result.length = 1;
  const detail::LeadBytes lead = detail::FindLead(byteAt(at));
  if (lead.following == detail::kNotALead) return result;
  char32_t codePoint = byteAt(at) & lead.payload;
  for (int k = 1; k <= lead.following; ++k) {
    const std::size_t i = at + static_cast<std::size_t>(k);
    const unsigned char low = k == 1 ? lead.secondLow : detail::kContinuationLow;
    const unsigned char high = k == 1 ? lead.secondHigh : detail::kContinuationHigh;
    if (i >= utf8.size() || byteAt(i) < low || byteAt(i) > high) return result;
    codePoint = (codePoint << detail::kContinuationBits) | (byteAt(i) & detail::kContinuationPayload);
    result.length = static_cast<std::size_t>(k) + 1;
  }
  result.codePoint = codePoint;
  result.wellFormed = true;
  return result;
}

// Calls visit(codePoint) for each character of `utf8` in order; an ill-formed stretch is handled
// as `illFormed` says.
template <typename Visit>
constexpr void ForEachCodePoint(std::string_view utf8, IllFormedUtf8 illFormed, Visit&& visit) {
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Char c = DecodeUtf8Char(utf8, at);
    at += c.length;
    if (c.wellFormed || illFormed == IllFormedUtf8::kReplace) visit(c.codePoint);
  }
}

// Appends the UTF-8 form of `codePoint`; a surrogate or a value above U+10FFFF, which UTF-8
// cannot carry, is written as U+FFFD, so the output is always well-formed.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace text
