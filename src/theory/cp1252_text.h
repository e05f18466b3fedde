// SPDX-License-Identifier: GPL-3.0-or-later
// Program texts of the theory tables in the program's 8-bit code page, converted at compile time.
//
// The tables hold Portuguese names ("Dó", "Tônica", "vii°") in fixed-size entries, so their texts
// cannot be the sized literals of base/cp1252.h; they go through the same compile-time converter.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/cp1252.h"

namespace theory {

class Cp1252Literal {
 public:
  consteval Cp1252Literal(const char* utf8) {
    m_size = text::detail::DecodeProgramText(utf8, m_data, kCapacity - 1);
  }
  constexpr std::string_view View() const { return {m_data, m_size}; }

 private:
  static constexpr std::size_t kCapacity = 40;
  char m_data[kCapacity] = {};
  std::size_t m_size = 0;
};

}  // namespace theory
