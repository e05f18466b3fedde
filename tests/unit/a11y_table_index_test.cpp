// SPDX-License-Identifier: GPL-3.0-or-later
// The table numbering a screen reader and the grid share: a cell's index and its row and column
// undo each other for every cell, and anything outside the table is "none".
#include <gtest/gtest.h>

#include "platform/accessibility.h"

TEST(A11yTableIndex, IndexAndRowAndColumnAreInverseAndOutsideIsNone) {
  for (const a11y::TableShape shape :
       {a11y::TableShape{2, 13}, a11y::TableShape{1, 1}, a11y::TableShape{4, 3}}) {
    const int cells = shape.rows * shape.columns;
    for (int index = 0; index < cells; ++index) {
      const int row = a11y::RowOfIndex(shape, index);
      const int column = a11y::ColumnOfIndex(shape, index);
      EXPECT_TRUE(row >= 0 && row < shape.rows && column >= 0 && column < shape.columns) << index;
      EXPECT_EQ(a11y::CellIndex(shape, row, column), index);
    }
    EXPECT_EQ(a11y::RowOfIndex(shape, cells), -1);
    EXPECT_EQ(a11y::ColumnOfIndex(shape, -1), -1);
    EXPECT_EQ(a11y::CellIndex(shape, shape.rows, 0), -1);
    EXPECT_EQ(a11y::CellIndex(shape, 0, shape.columns), -1);
    EXPECT_EQ(a11y::CellIndex(shape, -1, 0), -1);
  }
}
