// SPDX-License-Identifier: GPL-3.0-or-later
// The real program's chord grid and its degree header row, as the student meets them: function
// names at start with an empty chord row, each click on a white cell (or keyboard move of the
// current cell) switching to the other labelling, a click on a header cell changing nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "platform/window.h"
#include "support/app_run.h"

namespace {

using apptest::GridCellPoint;

std::vector<std::string> HeaderRow() {
  std::vector<std::string> texts;
  for (int column = 0; column < 13; ++column) texts.push_back(Form1->StringGrid1->CellText(column, 0));
  return texts;
}

const std::vector<std::string> kFunctionNames = {
    "Tônica"_cp.str(),    "", "Sobretônica"_cp.str(), "", "Mediante"_cp.str(), "Subdominante"_cp.str(), "",
    "Dominante"_cp.str(), "", "Submediante"_cp.str(), "", "Sensível"_cp.str(), "Tônica"_cp.str()};
const std::vector<std::string> kRomanNumerals = {"I", "", "ii", "", "iii",           "IV", "",
                                                 "V", "", "vi", "", "vii°"_cp.str(), "I"};

TEST(AppHeaderRow, ClicksAndKeysSwitchTheLabellingWhileTheChordRowStaysEmpty) {
  std::vector<std::vector<std::string>> seen;
  std::vector<std::string> chordRow;
  auto look = [&] { seen.push_back(HeaderRow()); };
  auto click = [](int column, int row) {
    return [column, row] {
      POINT p = GridCellPoint(column, row);
      headless::Click(p.x, p.y);
    };
  };
  auto result =
      apptest::RunProgram({}, {
                                  look,  // 0: at start
                                  click(3, 1),
                                  look,  // 1: a white cell
                                  click(3, 0),
                                  look,  // 2: a header cell: nothing
                                  // 3: the white cell again; the header click in between (25 px away) keeps
                                  // this press from making a double click with the first.
                                  click(3, 1),
                                  look,
                                  [] { headless::PressKey(headless::keys::kRight); },
                                  look,  // 4: Right
                                  [] { headless::PressKey(headless::keys::kEnd); },
                                  look,  // 5: End
                                  [] { headless::PressKey(headless::keys::kRight); },
                                  look,  // 6: Right at the end
                                  [&] {
                                    for (int column = 0; column < 13; ++column) {
                                      chordRow.push_back(Form1->StringGrid1->CellText(column, 1));
                                    }
                                    apptest::RequestCloseOf(Form1->Handle());
                                  },
                              });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(seen.size(), 7u);
  EXPECT_EQ(seen[0], kFunctionNames);
  EXPECT_EQ(seen[1], kRomanNumerals);
  EXPECT_EQ(seen[2], kRomanNumerals) << "a click on a header cell toggles nothing";
  EXPECT_EQ(seen[3], kFunctionNames);
  EXPECT_EQ(seen[4], kRomanNumerals);
  EXPECT_EQ(seen[5], kFunctionNames);
  EXPECT_EQ(seen[6], kFunctionNames) << "Right at column 12 moves nothing and toggles nothing";
  EXPECT_EQ(chordRow, std::vector<std::string>(13)) << "no key chosen: the chord row stays empty";
  EXPECT_TRUE(result.boxes.empty());
}

}  // namespace
