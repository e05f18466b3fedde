// SPDX-License-Identifier: GPL-3.0-or-later
// The grid's failure texts. They live in the program's string table; the literal beside each
// number is what a build without the table (a unit test) shows, and is the same text.
#pragma once

#include <string>

#include "base/types.h"

inline constexpr UINT kSGridIndexOutOfRangeId = 65220;
inline constexpr UINT kSFixedColTooBigId = 65221;
inline constexpr UINT kSFixedRowTooBigId = 65222;
inline constexpr UINT kSTooManyDeletedId = 65223;

inline constexpr const char* kSGridIndexOutOfRange = "Grid index out of range";
inline constexpr const char* kSFixedColTooBig = "Fixed column count must be less than column count";
inline constexpr const char* kSFixedRowTooBig = "Fixed row count must be less than row count";
inline constexpr const char* kSTooManyDeleted = "Cannot insert or delete rows from grid";

// The string table's text for id, or `fallback` when the table has none.
std::string GridErrorText(UINT id, const char* fallback);

// Raises EInvalidGridOperation with the text of id.
[[noreturn]] void RaiseGridError(UINT id, const char* fallback);
