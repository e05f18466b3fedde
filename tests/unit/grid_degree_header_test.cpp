// SPDX-License-Identifier: GPL-3.0-or-later
// The degree header row on a real string grid's cells: what it writes at start, how each click
// switches the labelling, and that the labelling is read back from cell (0, 0) alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "theory/degree_header.h"

namespace {

class DegreeHeaderTest : public ::testing::Test {
 protected:
  DegreeHeaderTest() : grid(nullptr) {
    grid.SetColCount(13);
    grid.SetDefaultColWidth(73);
    grid.SetFixedCols(0);
    grid.SetRowCount(2);
    cells.read = [this](int column) { return grid.CellText(column, 0); };
    cells.write = [this](int column, const std::string& text) {
      ++writes;
      grid.SetCellText(column, 0, text);
    };
  }

  std::vector<std::string> HeaderRow() const {
    std::vector<std::string> row;
    for (int c = 0; c < 13; ++c) row.push_back(grid.CellText(c, 0));
    return row;
  }

  TStringGrid grid;
  theory::HeaderCells cells;
  int writes = 0;
};

std::vector<std::string> FunctionNames() {
  return {"Tônica"_cp.str(), "", "Sobretônica"_cp.str(), "", "Mediante",          "Subdominante",   "",
          "Dominante",       "", "Submediante",          "", "Sensível"_cp.str(), "Tônica"_cp.str()};
}

std::vector<std::string> RomanNumerals() {
  return {"I", "", "ii", "", "iii", "IV", "", "V", "", "vi", "", "vii°"_cp.str(), "I"};
}

TEST_F(DegreeHeaderTest, StartShowsTheFunctionNamesInTheDegreeColumns) {
  theory::ShowFunctionNames(cells);
  EXPECT_EQ(HeaderRow(), FunctionNames());
  EXPECT_EQ(writes, 8);
  EXPECT_EQ(theory::ShownLabelling(cells), theory::Labelling::kFunctionNames);
}

TEST_F(DegreeHeaderTest, EachClickSwitchesToTheOtherLabelling) {
  theory::ShowFunctionNames(cells);
  EXPECT_EQ(theory::ToggleHeader(cells), theory::Labelling::kRomanNumerals);
  EXPECT_EQ(HeaderRow(), RomanNumerals());
  EXPECT_EQ(theory::ToggleHeader(cells), theory::Labelling::kFunctionNames);
  EXPECT_EQ(HeaderRow(), FunctionNames());
  // The chord row is never touched.
  for (int c = 0; c < 13; ++c) EXPECT_EQ(grid.CellText(c, 1), "");
}

TEST_F(DegreeHeaderTest, OnlyAnExactCapitalIInColumnZeroCountsAsRomanNumerals) {
  theory::ShowFunctionNames(cells);
  for (const char* text : {"i", "I ", " I", "II", ""}) {
    grid.SetCellText(0, 0, text);
    theory::ToggleHeader(cells);
    EXPECT_EQ(HeaderRow(), RomanNumerals()) << "cell (0, 0) held \"" << text << "\"";
  }
  // The other header cells are not consulted: "I" in column 0 alone decides.
  theory::ShowFunctionNames(cells);
  grid.SetCellText(0, 0, "I");
  theory::ToggleHeader(cells);
  EXPECT_EQ(HeaderRow(), FunctionNames());
}

TEST_F(DegreeHeaderTest, ClicksBeforeAnyTextToggleJustTheSame) {
  // A grid whose header was never written reads "" in column 0: the first click shows numerals.
  theory::ToggleHeader(cells);
  EXPECT_EQ(HeaderRow(), RomanNumerals());
}

}  // namespace
