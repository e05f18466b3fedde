// SPDX-License-Identifier: GPL-3.0-or-later
// Message formatting: the placeholders the program's texts use, the fixed-buffer cut-off, the
// refusal of broken patterns, and cp1252 case folding.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/cp1252.h"
#include "core/exceptions.h"
#include "core/format.h"

namespace {

TEST(CoreFormat, FillsTheProgramsMessageTexts) {
  EXPECT_EQ(Format(kSListIndexError, -1), "List index out of bounds (-1)");
  EXPECT_EQ(Format(kSListIndexError, 12), "List index out of bounds (12)");
  EXPECT_EQ(Format("Resource %s not found", "TForm1"), "Resource TForm1 not found");
  EXPECT_EQ(Format("Error reading %s%s%s: %s", "Form1", ".", "Caption", "bad value"),
            "Error reading Form1.Caption: bad value");
  EXPECT_EQ(Format("%s_%s", std::string("EN"), std::string_view("MPPLAY")), "EN_MPPLAY");
  // cp1252 bytes pass through untouched.
  auto keyName = "Fá # Dim."_cp;
  EXPECT_EQ(Format("<%s>", keyName.view()), "<" + keyName.str() + ">");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("no placeholders"), "no placeholders");
  EXPECT_EQ(Format(nullptr), "");
  // Arguments beyond the last placeholder are ignored.
  EXPECT_EQ(Format("%d", 1, 2, "three"), "1");
}

TEST(CoreFormat, IntegersInEveryBase) {
  EXPECT_EQ(Format("%d", 0), "0");
  EXPECT_EQ(Format("%d", INT_MIN), "-2147483648");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%d", UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(Format("%u", 42u), "42");
  // A negative value shows its unsigned bits, as wide as its own type.
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%x", -1), "ffffffff");
  EXPECT_EQ(Format("%X", std::int64_t{-1}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%x %X", 0xBEEF, 0xbeef), "beef BEEF");
  EXPECT_EQ(Format("%d", static_cast<short>(-5)), "-5");
  EXPECT_EQ(Format("%u", static_cast<unsigned char>(200)), "200");
}

TEST(CoreFormat, AddressesAreAtLeastEightUpperCaseHexDigits) {
  EXPECT_EQ(Format("%p", reinterpret_cast<const void*>(0x1234)), "00001234");
  EXPECT_EQ(Format("%p", std::uintptr_t{0xABCDEF}), "00ABCDEF");
  EXPECT_EQ(Format("%p", std::uintptr_t{0xDEADBEEF}), "DEADBEEF");
  EXPECT_EQ(Format("%p", static_cast<const void*>(nullptr)), "00000000");
  // An address that does not fit eight digits is shown whole rather than cut (there are none where
  // addresses are 32 bits wide, as in WebAssembly).
  if constexpr (sizeof(std::uintptr_t) > 4) {
    EXPECT_EQ(Format("%p", static_cast<std::uintptr_t>(0x123456789AULL)), "123456789A");
  }
  EXPECT_EQ(Format("at %p.", std::uintptr_t{0x1000}), "at 00001000.");
}

TEST(CoreFormat, WidthAndPrecision) {
  EXPECT_EQ(Format("[%5d]", 42), "[   42]");
  EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(Format("[%.3d]", 7), "[007]");
  EXPECT_EQ(Format("[%6.3d]", -7), "[  -007]");
  EXPECT_EQ(Format("[%.8X]", 0x2A), "[0000002A]");
  EXPECT_EQ(Format("[%2d]", 12345), "[12345]");  // a width never cuts
  EXPECT_EQ(Format("[%8.3s]", "abcdef"), "[     abc]");
  EXPECT_EQ(Format("[%-4s]", "ab"), "[ab  ]");
  EXPECT_EQ(Format("[%.0s]", "abc"), "[]");
  EXPECT_EQ(Format("[%*d]", 4, 7), "[   7]");
  EXPECT_EQ(Format("[%.*s]", 2, "abcdef"), "[ab]");
  EXPECT_EQ(Format("[%12p]", std::uintptr_t{0x10}), "[    00000010]");
}

TEST(CoreFormat, BrokenPatternsRaiseAConvertErrorNamingThePattern) {
  auto expectRefused = [](auto&& call, const std::string& pattern) {
    try {
      call();
      ADD_FAILURE() << "accepted " << pattern;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Format '" + pattern + "' invalid or incompatible with argument");
    }
  };
  expectRefused([] { Format("%d", "text"); }, "%d");
  expectRefused([] { Format("%s", 5); }, "%s");
  expectRefused([] { Format("%x", static_cast<const void*>(nullptr)); }, "%x");
  expectRefused([] { Format("%p", "text"); }, "%p");
  expectRefused([] { Format("%d and %d", 1); }, "%d and %d");
  expectRefused([] { Format("%q", 1); }, "%q");
  expectRefused([] { Format("ends in %", 1); }, "ends in %");
  expectRefused([] { Format("%99999999d", 1); }, "%99999999d");
  expectRefused([] { Format("%*d", -3, 1); }, "%*d");
  expectRefused([] { Format("%*d", "wide", 1); }, "%*d");
}

TEST(CoreFormat, FixedBufferIsCutAndNeverOverrun) {
  char buffer[16];
  std::memset(buffer, '#', sizeof(buffer));
  // Only the first 8 bytes are offered; the rest must stay untouched.
  std::size_t written = FormatBuf(buffer, 8, "List index out of bounds (%d)", 3);
  EXPECT_EQ(written, 7u);
  EXPECT_STREQ(buffer, "List in");
  for (std::size_t i = 8; i < sizeof(buffer); ++i) EXPECT_EQ(buffer[i], '#') << i;

  EXPECT_EQ(FormatBuf(buffer, sizeof(buffer), "%d", 42), 2u);
  EXPECT_STREQ(buffer, "42");
  EXPECT_EQ(FormatBuf(buffer, 1, "%d", 42), 0u);
  EXPECT_STREQ(buffer, "");

  buffer[0] = '#';
  EXPECT_EQ(FormatBuf(buffer, 0, "%d", 42), 0u);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(FormatBuf(nullptr, 10, "%d", 42), 0u);
}

TEST(CoreFormat, Cp1252CaseFolding) {
  EXPECT_TRUE(SameTextCp1252("Sol Maior", "SOL MAIOR"));
  EXPECT_TRUE(SameTextCp1252("dó maior"_cp.view(), "DÓ MAIOR"_cp.view()));
  EXPECT_TRUE(SameTextCp1252("lá"_cp.view(), "LÁ"_cp.view()));
  EXPECT_TRUE(SameTextCp1252("Šœžÿ"_cp.view(), "šŒŽŸ"_cp.view()));
  EXPECT_TRUE(SameTextCp1252("", ""));
  // The multiplication and division signs sit among the letters but are no case pair.
  EXPECT_FALSE(SameTextCp1252("×"_cp.view(), "÷"_cp.view()));
  EXPECT_FALSE(SameTextCp1252("Sol", "Sol "));
  EXPECT_FALSE(SameTextCp1252("Sol", "Sal"));
  // Only letters fold: "@" (0x40) and "`" (0x60) differ by the case bit but are not letters.
  EXPECT_FALSE(SameTextCp1252("@", "`"));
  EXPECT_EQ(LowerCaseCp1252("FÁ # DIM."_cp.view()), "fá # dim."_cp.str());
}

}  // namespace
