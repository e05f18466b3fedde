// SPDX-License-Identifier: GPL-3.0-or-later
// The degree header row of the chord grid: row 0 labels the eight degree columns either with the
// degrees' function names ("Tônica" ...) or with their Roman numerals ("I" ... "vii°").
//
// The labelling in force is stored nowhere but in the grid itself: the toggle reads it back from
// the header cell of column 0. The grid is reached through two callbacks, so this layer knows
// nothing of controls.
#pragma once

#include <functional>
#include <string>

#include "theory/degree_layout.h"

namespace theory {

// Read and write access to the header cell (row 0) of one grid column; texts are cp1252.
struct HeaderCells {
  std::function<std::string(int column)> read;
  std::function<void(int column, const std::string& text)> write;
};

// Writes the eight header cells in column order 0, 2, 4, 5, 7, 9, 11, 12.
void ShowHeader(const HeaderCells& cells, Labelling labelling);
void ShowFunctionNames(const HeaderCells& cells);
void ShowRomanNumerals(const HeaderCells& cells);

// The labelling the header shows now: Roman numerals exactly when the cell of column 0 holds "I"
// (the whole text, byte for byte); anything else counts as function names.
Labelling ShownLabelling(const HeaderCells& cells);

// The grid's click handler: switches to the other labelling and returns the one now shown.
// Which cell was clicked, the chord row and the chosen key play no part.
Labelling ToggleHeader(const HeaderCells& cells);

}  // namespace theory
