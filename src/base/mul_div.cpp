// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/mul_div.h"

#include <climits>
#include <cstdlib>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  // Two ints multiply to at most 2^62 in size, so neither the product nor the rounding below can
  // overflow 64 bits.
  const long long product = static_cast<long long>(number) * numerator;
  const long long divisor = std::llabs(static_cast<long long>(denominator));
  const long long magnitude = (std::llabs(product) + divisor / 2) / divisor;
  const long long quotient = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
  if (quotient < INT_MIN || quotient > INT_MAX) return -1;
  return static_cast<int>(quotient);
}
