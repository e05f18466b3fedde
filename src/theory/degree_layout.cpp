// SPDX-License-Identifier: GPL-3.0-or-later
#include "theory/degree_layout.h"

#include <array>

#include "theory/cp1252_text.h"
#include "theory/key_table.h"
#include "theory/note_table.h"

namespace theory {
namespace {

struct DegreeRow {
  int column;
  Cp1252Literal functionName;
  Cp1252Literal romanNumeral;
  int noteOffset;
  Cp1252Literal chordSuffix;
};

constexpr DegreeRow kRows[kDegreeCount] = {
    {0, "Tônica", "I", 1, " Maior"},      {2, "Sobretônica", "ii", 3, " Menor"},
    {4, "Mediante", "iii", 5, " Menor"},  {5, "Subdominante", "IV", 0, " Maior"},
    {7, "Dominante", "V", 2, " Maior"},   {9, "Submediante", "vi", 4, " Menor"},
    {11, "Sensível", "vii°", 6, " Dim."}, {12, "Tônica", "I", 1, " Maior"},
};

constexpr std::array<DegreeCell, kDegreeCount> MakeCells() {
  std::array<DegreeCell, kDegreeCount> cells{};
  for (int i = 0; i < kDegreeCount; ++i) {
    cells[i] = {kRows[i].column, kRows[i].functionName.View(), kRows[i].romanNumeral.View(),
                kRows[i].noteOffset, kRows[i].chordSuffix.View()};
  }
  return cells;
}

constexpr std::array<DegreeCell, kDegreeCount> kCells = MakeCells();

}  // namespace

std::span<const DegreeCell> DegreeLayout() { return kCells; }

int DegreeForColumn(int column) {
  for (int i = 0; i < kDegreeCount; ++i) {
    if (kCells[i].column == column) return i;
  }
  return -1;
}

std::string ChordText(int keyIndex, int degree) {
  if (keyIndex < 1 || keyIndex > kKeyCount || degree < 0 || degree >= kDegreeCount) return {};
  std::string text(NoteName(keyIndex + kCells[degree].noteOffset));
  text += kCells[degree].chordSuffix;
  return text;
}

std::string_view HeaderText(int degree, Labelling labelling) {
  if (degree < 0 || degree >= kDegreeCount) return {};
  return labelling == Labelling::kFunctionNames ? kCells[degree].functionName : kCells[degree].romanNumeral;
}

}  // namespace theory
