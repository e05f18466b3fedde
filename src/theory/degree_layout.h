// SPDX-License-Identifier: GPL-3.0-or-later
// The eight degree cells of the chord grid: the seven degrees of the major scale and the octave,
// each in the column of its distance in semitones above the tonic (columns 0..12; columns 1, 3,
// 6, 8 and 10 stay empty).
//
// A degree's chord is the note-table entry at key index + its note offset: on the circle of fifths
// the fourth degree is entry k, the first k + 1, the fifth k + 2, the second k + 3, the sixth
// k + 4, the third k + 5 and the seventh k + 6, so keys 1..15 use entries 1..21 without wrapping.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace theory {

inline constexpr int kDegreeCount = 8;
inline constexpr int kGridColumns = 13;

enum class Labelling { kFunctionNames, kRomanNumerals };

struct DegreeCell {
  int column;                     // semitones above the tonic
  std::string_view functionName;  // cp1252: "Tônica", "Sensível" ...
  std::string_view romanNumeral;  // "I" ... "vii°" (0xB0)
  int noteOffset;                 // added to the key index to reach the chord's root
  std::string_view chordSuffix;   // " Maior", " Menor", " Dim."
};

// Degrees in grid order: I ii iii IV V vi vii° I.
std::span<const DegreeCell> DegreeLayout();
// The degree (0..7) shown in grid column `column`, -1 for an empty column.
int DegreeForColumn(int column);
// The chord of `degree` (0..7) in key `keyIndex` (1..15): "Ré Menor"; empty outside the ranges.
std::string ChordText(int keyIndex, int degree);
// The header of `degree` (0..7): its function name or its Roman numeral; empty outside.
std::string_view HeaderText(int degree, Labelling labelling);

}  // namespace theory
