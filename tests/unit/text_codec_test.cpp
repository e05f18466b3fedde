// SPDX-License-Identifier: GPL-3.0-or-later
// The cp1252 code page: conversions to and from Unicode and UTF-8, and letter case folding; the
// UTF-8 codec under them, with its one rule for ill-formed input.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/cp1252.h"
#include "base/utf8.h"

namespace {

TEST(TextCodec, HighHalfMapsToItsUnicodeCharacters) {
  EXPECT_EQ(text::Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(text::Cp1252ToUnicode(0x85), U'\u2026');
  EXPECT_EQ(text::Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(text::Cp1252ToUnicode(0xE3), U'\u00E3');
  EXPECT_EQ(text::Cp1252ToUnicode('A'), U'A');
  // The five undefined bytes stand for the C1 controls of the same number.
  for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(text::Cp1252ToUnicode(b), b);
}

TEST(TextCodec, EveryByteRoundTripsThroughUnicodeAndUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    unsigned char back = 0;
    ASSERT_TRUE(text::UnicodeToCp1252(text::Cp1252ToUnicode(static_cast<unsigned char>(b)), &back)) << b;
    EXPECT_EQ(back, b);
    all.push_back(static_cast<char>(b));
  }
  EXPECT_EQ(text::Utf8ToCp1252(text::Cp1252ToUtf8(all)), all);
}

TEST(TextCodec, Utf8ConversionOfProgramTexts) {
  EXPECT_EQ(text::Cp1252ToUtf8("Vers\xE3o 1.0"), "Versão 1.0");
  EXPECT_EQ(text::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(text::Utf8ToCp1252("Coment\xC3\xA1rios e sugest\xC3\xB5"
                               "es \xE2\x82\xAC"),
            "Coment\xE1rios e sugest\xF5"
            "es \x80");
  unsigned char b = 0;
  EXPECT_FALSE(text::UnicodeToCp1252(0x263A, &b));
  EXPECT_FALSE(text::UnicodeToCp1252(0x100, &b));
  EXPECT_TRUE(text::UnicodeToCp1252(0x2026, &b));
  EXPECT_EQ(b, 0x85);
}

TEST(TextCodec, CharactersOutsideTheCodePageAndMalformedBytesAreDropped) {
  EXPECT_EQ(text::Utf8ToCp1252("a\xE6\x97\xA5"
                               "b"),
            "ab");  // a CJK character
  EXPECT_EQ(text::Utf8ToCp1252("a\xF0\x9F\x8E\xB5"
                               "b"),
            "ab");                              // a musical note emoji
  EXPECT_EQ(text::Utf8ToCp1252("a\xC3"), "a");  // truncated at the end
  EXPECT_EQ(text::Utf8ToCp1252("a\xC3"
                               "b"),
            "ab");  // lead without continuation
  EXPECT_EQ(text::Utf8ToCp1252("a\x80"
                               "b"),
            "ab");  // stray continuation
  EXPECT_EQ(text::Utf8ToCp1252("a\xC0\xAF"
                               "b"),
            "ab");  // overlong '/'
  EXPECT_EQ(text::Utf8ToCp1252("a\xED\xA0\x80"
                               "b"),
            "ab");  // a surrogate
  EXPECT_EQ(text::Utf8ToCp1252("a\xF5\x80\x80\x80"
                               "b"),
            "ab");  // beyond Unicode
  EXPECT_EQ(text::Utf8ToCp1252(""), "");
}

TEST(TextCodec, EachIllFormedStretchIsReadAsOneMaximalSubpart) {
  struct Case {
    const char* utf8;
    const char* replaced;  // each ill-formed stretch as "?"
    std::size_t firstLength;
  };
  const Case cases[] = {
      {"\x80"
       "A",
       "?A", 1},                        // a stray continuation byte
      {"\xC0\xAF", "??", 1},            // overlong "/": C0 starts nothing
      {"\xE0\x80\xAF", "???", 1},       // overlong three-byte form
      {"\xF0\x8F\xBF\xBF", "????", 1},  // overlong four-byte form
      {"\xED\xA0\x80", "???", 1},       // a surrogate
      {"\xF4\x90\x80\x80", "????", 1},  // beyond U+10FFFF
      {"\xF5\x80", "??", 1},            // a lead byte no character has
      {"\xE2\x82"
       "A",
       "?A", 2},                 // cut short: the next character survives
      {"\xF0\x9F\x8E", "?", 3},  // cut short by the end
  };
  for (const Case& c : cases) {
    const text::Utf8Char first = text::DecodeUtf8Char(c.utf8, 0);
    EXPECT_EQ(first.length, c.firstLength) << c.replaced;
    EXPECT_FALSE(first.wellFormed) << c.replaced;
    EXPECT_EQ(text::Utf8ToCp1252Replacing(c.utf8, '?'), c.replaced);
  }
}

TEST(TextCodec, EveryCharacterRoundTripsAndTheEncoderWritesOnlyWellFormedUtf8) {
  constexpr char32_t kFirstSurrogate = 0xD800;
  constexpr char32_t kLastSurrogate = 0xDFFF;
  std::string utf8;
  for (char32_t cp = 0; cp <= text::kLastCodePoint + 1; ++cp) {
    utf8.clear();
    text::AppendUtf8(utf8, cp);
    const text::Utf8Char back = text::DecodeUtf8Char(utf8, 0);
    const auto where = static_cast<std::uint32_t>(cp);
    ASSERT_TRUE(back.wellFormed) << where;
    ASSERT_EQ(back.length, utf8.size()) << where;
    const bool surrogate = cp >= kFirstSurrogate && cp <= kLastSurrogate;
    const bool encodable = cp <= text::kLastCodePoint && !surrogate;
    ASSERT_EQ(back.codePoint, encodable ? cp : text::kReplacementCharacter) << where;
  }
}

TEST(TextCodec, CaseFoldingCoversAccentedLetters) {
  EXPECT_EQ(text::UpperCp1252('a'), 'A');
  EXPECT_EQ(text::UpperCp1252(0xE3), 0xC3);  // ã
  EXPECT_EQ(text::UpperCp1252(0xE7), 0xC7);  // ç
  EXPECT_EQ(text::UpperCp1252(0xF4), 0xD4);  // ô
  EXPECT_EQ(text::UpperCp1252(0x9A), 0x8A);  // š
  EXPECT_EQ(text::UpperCp1252(0x9C), 0x8C);  // œ
  EXPECT_EQ(text::UpperCp1252(0x9E), 0x8E);  // ž
  EXPECT_EQ(text::UpperCp1252(0xFF), 0x9F);  // ÿ
  EXPECT_EQ(text::UpperCp1252(0xF7), 0xF7);  // division sign is no letter
  EXPECT_EQ(text::UpperCp1252(0xDF), 0xDF);  // ß has no capital here
  EXPECT_EQ(text::UpperCp1252('1'), '1');
  EXPECT_EQ(text::LowerCp1252(0xD7), 0xD7);  // multiplication sign
  for (int c = 0; c < 256; ++c) {
    const auto u = text::UpperCp1252(static_cast<unsigned char>(c));
    if (u != c) {
      EXPECT_EQ(text::LowerCp1252(u), c) << c;
    }
    const auto l = text::LowerCp1252(static_cast<unsigned char>(c));
    if (l != c) {
      EXPECT_EQ(text::UpperCp1252(l), c) << c;
    }
  }
}

TEST(TextCodec, CompileTimeLiteral) {
  constexpr auto version = "Versão"_cp;
  EXPECT_EQ(version.view(), std::string_view("Vers\xE3o"));
  EXPECT_EQ(version.size, 6u);
  EXPECT_EQ(("€ …"_cp).view(), std::string_view("\x80 \x85"));
}

}  // namespace
