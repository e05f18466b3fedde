// SPDX-License-Identifier: GPL-3.0-or-later
#include "theory/degree_header.h"

namespace theory {

namespace {

constexpr std::string_view kFirstRoman = "I";

}  // namespace

void ShowHeader(const HeaderCells& cells, Labelling labelling) {
  const auto layout = DegreeLayout();
  for (int degree = 0; degree < static_cast<int>(layout.size()); ++degree) {
    cells.write(layout[static_cast<std::size_t>(degree)].column, std::string(HeaderText(degree, labelling)));
  }
}

void ShowFunctionNames(const HeaderCells& cells) { ShowHeader(cells, Labelling::kFunctionNames); }

void ShowRomanNumerals(const HeaderCells& cells) { ShowHeader(cells, Labelling::kRomanNumerals); }

Labelling ShownLabelling(const HeaderCells& cells) {
  return cells.read(0) == kFirstRoman ? Labelling::kRomanNumerals : Labelling::kFunctionNames;
}

Labelling ToggleHeader(const HeaderCells& cells) {
  if (ShownLabelling(cells) == Labelling::kRomanNumerals) {
    ShowFunctionNames(cells);
    return Labelling::kFunctionNames;
  }
  ShowRomanNumerals(cells);
  return Labelling::kRomanNumerals;
}

}  // namespace theory
