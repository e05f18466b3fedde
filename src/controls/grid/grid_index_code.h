// SPDX-License-Identifier: GPL-3.0-or-later
// Which row or column of the grid a string-list view presents, packed into one integer the way
// the grid keeps it: 0 for a detached view, r + 1 for row r, the bitwise complement of c (that
// is -(c + 1)) for column c. Plus the rules by which the grid picks the quantum of its stores.
#pragma once

#include "controls/grid/sparse_pointer_array.h"

class TGridIndexCode {
 public:
  enum class Kind { gkDetached, gkRow, gkColumn };

  // A cell of the grid as (column, row).
  struct TCell {
    int column;
    int row;
    bool operator==(const TCell&) const = default;
  };

  TGridIndexCode() = default;
  // A negative row or column, or one whose code would not fit, raises EInvalidGridOperation
  // "Grid index out of range".
  static TGridIndexCode ForRow(int row);
  static TGridIndexCode ForColumn(int column);
  // Any integer is a valid code.
  static TGridIndexCode FromCode(int code) { return TGridIndexCode(code); }

  int Code() const { return m_code; }
  Kind GetKind() const {
    return m_code == 0 ? Kind::gkDetached : (m_code > 0 ? Kind::gkRow : Kind::gkColumn);
  }
  bool IsDetached() const { return m_code == 0; }
  // The row of a row view, the column of a column view; -1 for the other kinds.
  int Row() const { return m_code > 0 ? m_code - 1 : -1; }
  int Column() const { return m_code < 0 ? ~m_code : -1; }

  // The cell behind entry i of the view: (i, r) for row r, (c, i) for column c. A detached view
  // has no cells and answers (-1, -1).
  TCell CellOfEntry(int entry) const;
  // The view's number of entries: the grid's column count for a row view, its row count for a
  // column view, 0 when detached.
  int EntryCount(int colCount, int rowCount) const;

  bool operator==(const TGridIndexCode&) const = default;

 private:
  explicit TGridIndexCode(int code) : m_code(code) {}
  int m_code = 0;
};

// The grid's stores start small and switch to the large quantum only for wide or tall grids:
// the column-view list past 512 columns, the row-view list and the data-row list past 256 rows,
// and a new cell row (created at the first write into it) past 512 columns at that moment.
inline TSPAQuantum ColumnViewQuantum(int colCount) {
  return colCount > 512 ? TSPAQuantum::spaLarge : TSPAQuantum::spaSmall;
}
inline TSPAQuantum RowListQuantum(int rowCount) {
  return rowCount > 256 ? TSPAQuantum::spaLarge : TSPAQuantum::spaSmall;
}
inline TSPAQuantum CellRowQuantum(int colCount) { return ColumnViewQuantum(colCount); }
