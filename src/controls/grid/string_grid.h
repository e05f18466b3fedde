// SPDX-License-Identifier: GPL-3.0-or-later
// TStringGrid: a drawn grid whose cells hold texts (and optional object references), kept in the
// sparse cell store: one TStringSparseList per row that ever received a text, in a TSparseList
// by row number. Each row and column can also be seen as a string list (TStringGridStrings).
#pragma once

#include <string>

#include "controls/grid/draw_grid.h"
#include "controls/grid/grid_index_code.h"
#include "controls/grid/sparse_list.h"
#include "core/string_list.h"

class TStringGrid;
class TStringSparseList;

// One row or one column of a string grid presented as a string list. Entry i of the view of row r
// is cell (i, r); of column c, cell (c, i). A detached view reads as empty.
class TStringGridStrings : public TStrings {
 public:
  TStringGridStrings(TStringGrid* grid, TGridIndexCode code);
  ~TStringGridStrings() override = default;

  TGridIndexCode IndexCode() const { return m_code; }

  int Count() const override;
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  // Puts text into the first empty entry (an empty text is stored as " ") and returns its number;
  // -1 when no entry is empty.
  int Add(const std::string& text) override;
  // A grid's rows and columns keep their number: both raise EInvalidGridOperation.
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  // Empties every entry, in one update of the grid.
  void Clear() override;

 protected:
  void SetUpdateState(bool updating) override;

 private:
  TStringGrid* m_grid;
  TGridIndexCode m_code;
};

class TStringGrid : public TDrawGrid {
 public:
  explicit TStringGrid(TComponent* owner);
  ~TStringGrid() override;
  const char* ClassName() const override { return "TStringGrid"; }

  // The text of a cell; empty for a cell never written. A negative column or row raises
  // EListError "List index out of bounds (%d)". Columns and rows are not limited to the counts:
  // a text stored outside the grid reads back but is never shown.
  std::string CellText(int col, int row) const;
  // Stores the text (the empty text removes the entry) and invalidates the cell's rectangle with
  // its right and bottom lines, without erasing; inside an update of a view it only notes that
  // the grid needs repainting.
  void SetCellText(int col, int row, const std::string& text);
  TObject* CellObject(int col, int row) const;
  void SetCellObject(int col, int row, TObject* object);

  // The views of a row and of a column, made on first use and kept for the grid's life.
  TStringGridStrings& Rows(int row);
  TStringGridStrings& Cols(int col);

  // Batches of writes through a view: the grid repaints once, at the end, if anything changed.
  void SetUpdateState(bool updating);

  std::string CellDisplayText(int col, int row) const override { return CellText(col, row); }

  // What the store holds, for tests and measurements.
  const TSparseList<TStringSparseList>& DataRows() const { return m_data; }
  const TSparseList<TStringGridStrings>& RowViews() const { return m_rows; }
  const TSparseList<TStringGridStrings>& ColumnViews() const { return m_cols; }

 protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override;

 private:
  TStringSparseList* DataRow(int row) const;
  TStringSparseList* EnsureDataRow(int row);
  TStringGridStrings* EnsureColView(int col);
  TStringGridStrings* EnsureRowView(int row);
  void CellChanged(int col, int row);

  TSparseList<TStringSparseList> m_data;   // the cell texts, one list per row
  TSparseList<TStringGridStrings> m_rows;  // the view of each row
  TSparseList<TStringGridStrings> m_cols;  // the view of each column
  bool m_updating = false;
  bool m_needsUpdating = false;
  int m_editUpdate = 0;
};
