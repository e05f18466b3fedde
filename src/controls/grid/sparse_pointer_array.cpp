// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/sparse_pointer_array.h"

namespace {

constexpr std::uint16_t kSmallSectionBits = 4;  // 16 slots
constexpr std::uint16_t kLargeSectionBits = 8;  // 256 slots

}  // namespace

TSPAGeometry SparseGeometry(TSPAQuantum quantum) {
  const std::uint16_t shift = quantum == TSPAQuantum::spaLarge ? kLargeSectionBits : kSmallSectionBits;
  const auto size = static_cast<std::uint16_t>(1u << shift);
  return TSPAGeometry{static_cast<std::uint16_t>(size - 1), shift, size};
}
