// SPDX-License-Identifier: GPL-3.0-or-later
// The one MulDiv that fonts and the form's scaling share: halves round away from zero, and a zero
// divisor or a result beyond an int gives -1 instead of a wrapped size.
#include <gtest/gtest.h>

#include <climits>

#include "base/mul_div.h"

namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(8, 96, 72), 11);   // 10.67
  EXPECT_EQ(MulDiv(8, 120, 72), 13);  // 13.33
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(-3, -1, 2), 2);
  EXPECT_EQ(MulDiv(5, 1, 4), 1);       // 1.25
  EXPECT_EQ(MulDiv(-11, 72, 96), -8);  // -8.25
}

TEST(MulDiv, MultipliesInSixtyFourBits) {
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(1 << 24, 1000, 2000), 1 << 23);
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
}

TEST(MulDiv, GivesMinusOneForNoAnswer) {
  EXPECT_EQ(MulDiv(5, 7, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
  EXPECT_EQ(MulDiv(1 << 24, 1 << 24, 3), -1);
}

}  // namespace
