// SPDX-License-Identifier: GPL-3.0-or-later
// Scaling by a ratio, as the windowing service's MulDiv does it: fonts from points to pixels, the
// form's controls from the resolution they were designed at to the screen's.
#pragma once

// number * numerator / denominator, with the product taken in 64 bits and the quotient rounded to
// the nearest integer, halves away from zero. -1 when the denominator is 0 or when the result does
// not fit an int: the service's callers know that value as "no answer", so a scale gone wild
// never wraps round to a plausible size.
int MulDiv(int number, int numerator, int denominator);
