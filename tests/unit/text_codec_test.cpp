// The cp1252 code page: conversions to and from Unicode and UTF-8, and letter case folding.
#include <gtest/gtest.h>

#include <string>

#include "base/cp1252.h"

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
  EXPECT_EQ(text::Utf8ToCp1252("Coment\xC3\xA1rios e sugest\xC3\xB5" "es \xE2\x82\xAC"),
            "Coment\xE1rios e sugest\xF5" "es \x80");
  unsigned char b = 0;
  EXPECT_FALSE(text::UnicodeToCp1252(0x263A, &b));
  EXPECT_FALSE(text::UnicodeToCp1252(0x100, &b));
  EXPECT_TRUE(text::UnicodeToCp1252(0x2026, &b));
  EXPECT_EQ(b, 0x85);
}

TEST(TextCodec, CharactersOutsideTheCodePageAndMalformedBytesAreDropped) {
  EXPECT_EQ(text::Utf8ToCp1252("a\xE6\x97\xA5" "b"), "ab");        // a CJK character
  EXPECT_EQ(text::Utf8ToCp1252("a\xF0\x9F\x8E\xB5" "b"), "ab");    // a musical note emoji
  EXPECT_EQ(text::Utf8ToCp1252("a\xC3"), "a");                     // truncated at the end
  EXPECT_EQ(text::Utf8ToCp1252("a\xC3" "b"), "ab");                // lead without continuation
  EXPECT_EQ(text::Utf8ToCp1252("a\x80" "b"), "ab");                // stray continuation
  EXPECT_EQ(text::Utf8ToCp1252("a\xC0\xAF" "b"), "ab");            // overlong '/'
  EXPECT_EQ(text::Utf8ToCp1252("a\xED\xA0\x80" "b"), "ab");        // a surrogate
  EXPECT_EQ(text::Utf8ToCp1252("a\xF5\x80\x80\x80" "b"), "ab");    // beyond Unicode
  EXPECT_EQ(text::Utf8ToCp1252(""), "");
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
