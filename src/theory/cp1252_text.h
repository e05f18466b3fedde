// Program texts of the theory tables in the program's 8-bit code page, converted at compile time.
//
// The tables hold Portuguese names ("Dó", "Tônica", "vii°"); source files are UTF-8 and every text
// the program shows is Windows-1252. This layer stands on nothing else, so it carries its own tiny
// converter; every character it meets lies in the Latin-1 part of the code page, where the byte is
// the code point. Anything else stops the build.
#pragma once

#include <cstddef>
#include <string_view>

namespace theory {

class Cp1252Literal {
 public:
  consteval Cp1252Literal(const char* utf8) {
    std::size_t i = 0;
    while (utf8[i] != '\0') {
      const auto c = static_cast<unsigned char>(utf8[i]);
      unsigned char out = 0;
      if (c < 0x80) {
        out = c;
        i += 1;
      } else if ((c == 0xC2 || c == 0xC3) && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
        out = static_cast<unsigned char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        i += 2;
      } else {
        throw "a theory text holds a character outside Latin-1";
      }
      if (m_size + 1 >= kCapacity) throw "a theory text is too long";
      m_data[m_size++] = static_cast<char>(out);
    }
  }
  constexpr std::string_view View() const { return {m_data, m_size}; }

 private:
  static constexpr std::size_t kCapacity = 40;
  char m_data[kCapacity] = {};
  std::size_t m_size = 0;
};

}  // namespace theory
