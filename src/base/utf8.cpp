// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/utf8.h"

#include <iterator>

namespace text {
namespace {

inline constexpr char32_t kFirstSurrogate = 0xD800;
inline constexpr char32_t kLastSurrogate = 0xDFFF;
// The largest character each length of sequence holds: one, two, three bytes (four hold the rest).
inline constexpr char32_t kLastOfLength[] = {0x7F, 0x7FF, 0xFFFF};
// The marker bits of a lead byte, by how many continuation bytes follow it.
inline constexpr unsigned char kLeadMarker[] = {0x00, 0xC0, 0xE0, 0xF0};

}  // namespace

void AppendUtf8(std::string& out, char32_t codePoint) {
  if ((codePoint >= kFirstSurrogate && codePoint <= kLastSurrogate) || codePoint > kLastCodePoint) {
    codePoint = kReplacementCharacter;
  }
  constexpr int kLengths = static_cast<int>(std::size(kLastOfLength));
  int following = 0;
  while (following < kLengths && codePoint > kLastOfLength[following]) ++following;
  const int leadShift = detail::kContinuationBits * following;
  out.push_back(static_cast<char>(kLeadMarker[following] | (codePoint >> leadShift)));
  for (int k = following - 1; k >= 0; --k) {
    const char32_t bits = (codePoint >> (detail::kContinuationBits * k)) & detail::kContinuationPayload;
    out.push_back(static_cast<char>(detail::kContinuationLow | bits));
  }
}

}  // namespace text
