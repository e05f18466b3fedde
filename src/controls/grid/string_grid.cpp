// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/string_grid.h"

#include "controls/grid/grid_errors.h"
#include "controls/grid/string_sparse_list.h"
#include "core/exceptions.h"

// ---- TStringGridStrings -----------------------------------------------------------------------
TStringGridStrings::TStringGridStrings(TStringGrid* grid, TGridIndexCode code) : m_grid(grid), m_code(code) {}

int TStringGridStrings::Count() const {
  if (!m_grid) return 0;
  return m_code.EntryCount(m_grid->ColCount(), m_grid->RowCount());
}

std::string TStringGridStrings::Get(int index) const {
  if (!m_grid || m_code.IsDetached()) return {};
  TGridIndexCode::TCell cell = m_code.CellOfEntry(index);
  return m_grid->CellText(cell.column, cell.row);
}

void TStringGridStrings::Put(int index, const std::string& text) {
  if (!m_grid || m_code.IsDetached()) return;
  TGridIndexCode::TCell cell = m_code.CellOfEntry(index);
  m_grid->SetCellText(cell.column, cell.row, text);
}

TObject* TStringGridStrings::GetObject(int index) const {
  if (!m_grid || m_code.IsDetached()) return nullptr;
  TGridIndexCode::TCell cell = m_code.CellOfEntry(index);
  return m_grid->CellObject(cell.column, cell.row);
}

void TStringGridStrings::PutObject(int index, TObject* object) {
  if (!m_grid || m_code.IsDetached()) return;
  TGridIndexCode::TCell cell = m_code.CellOfEntry(index);
  m_grid->SetCellObject(cell.column, cell.row, object);
}

int TStringGridStrings::Add(const std::string& text) {
  int count = Count();
  for (int i = 0; i < count; ++i) {
    if (Get(i).empty()) {
      Put(i, text.empty() ? std::string(" ") : text);
      return i;
    }
  }
  return -1;
}

void TStringGridStrings::Insert(int, const std::string&) {
  RaiseGridError(kSTooManyDeletedId, kSTooManyDeleted);
}

void TStringGridStrings::Delete(int) { RaiseGridError(kSTooManyDeletedId, kSTooManyDeleted); }

void TStringGridStrings::Clear() {
  if (!m_grid || m_code.IsDetached()) return;
  TStringsUpdate update(*this);
  int count = Count();
  for (int i = 0; i < count; ++i) {
    Put(i, std::string());
    PutObject(i, nullptr);
  }
}

void TStringGridStrings::SetUpdateState(bool updating) {
  if (m_grid) m_grid->SetUpdateState(updating);
}

// ---- TStringGrid ------------------------------------------------------------------------------
TStringGrid::TStringGrid(TComponent* owner)
    : TDrawGrid(owner),
      m_data(RowListQuantum(RowCount())),
      m_rows(RowListQuantum(RowCount())),
      m_cols(ColumnViewQuantum(ColCount())) {}

TStringGrid::~TStringGrid() = default;

TStringSparseList* TStringGrid::DataRow(int row) const { return m_data.Get(row); }

TStringSparseList* TStringGrid::EnsureDataRow(int row) {
  TStringSparseList* data = DataRow(row);
  if (!data) {
    auto fresh = std::make_unique<TStringSparseList>(CellRowQuantum(ColCount()));
    data = fresh.get();
    m_data.Put(row, std::move(fresh));
  }
  return data;
}

TStringGridStrings* TStringGrid::EnsureColView(int col) {
  TStringGridStrings* view = m_cols.Get(col);
  if (!view) {
    auto fresh = std::make_unique<TStringGridStrings>(this, TGridIndexCode::ForColumn(col));
    view = fresh.get();
    m_cols.Put(col, std::move(fresh));
  }
  return view;
}

TStringGridStrings* TStringGrid::EnsureRowView(int row) {
  TStringGridStrings* view = m_rows.Get(row);
  if (!view) {
    auto fresh = std::make_unique<TStringGridStrings>(this, TGridIndexCode::ForRow(row));
    view = fresh.get();
    m_rows.Put(row, std::move(fresh));
  }
  return view;
}

TStringGridStrings& TStringGrid::Rows(int row) { return *EnsureRowView(row); }

TStringGridStrings& TStringGrid::Cols(int col) { return *EnsureColView(col); }

std::string TStringGrid::CellText(int col, int row) const {
  TStringSparseList* data = DataRow(row);
  if (!data) return {};
  return data->Get(col);
}

TObject* TStringGrid::CellObject(int col, int row) const {
  TStringSparseList* data = DataRow(row);
  if (!data) return nullptr;
  return data->GetObject(col);
}

void TStringGrid::SetCellText(int col, int row, const std::string& text) {
  // Checked before a row is made for it, so a rejected write leaves the store as it was.
  if (col < 0) RaiseFmt<EListError>(kSListIndexError, col);
  // A reader hears a cell's new text (a key chosen, the header switched) as its new name.
  const a11y::ObjectRef cell = a11y::Listening() ? CellRef(col, row) : a11y::ObjectRef{};
  const bool renamed = cell.hwnd != nullptr && CellText(col, row) != text;
  EnsureDataRow(row)->Put(col, text);
  CellChanged(col, row);
  if (renamed) {
    a11y::Event event;
    event.kind = a11y::EventKind::kNameChanged;
    event.source = cell;
    event.text = text;
    a11y::NotifyEvent(event);
  }
}

void TStringGrid::SetCellObject(int col, int row, TObject* object) {
  if (col < 0) RaiseFmt<EListError>(kSListIndexError, col);
  EnsureDataRow(row)->PutObject(col, object);
  CellChanged(col, row);
}

void TStringGrid::CellChanged(int col, int row) {
  EnsureColView(col);
  EnsureRowView(row);
  if (m_updating) {
    m_needsUpdating = true;
  } else {
    InvalidateCell(col, row);
  }
  if (col == Col() && row == Row() && m_editUpdate == 0) UpdateEditor();
}

void TStringGrid::SetUpdateState(bool updating) {
  m_updating = updating;
  if (!updating && m_needsUpdating) {
    m_needsUpdating = false;
    InvalidateGrid();
  }
}

void TStringGrid::DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
  if (DefaultDrawing()) {
    Canvas().TextRect(rect, rect.left + 2, rect.top + 2, CellText(col, row));
  }
  TDrawGrid::DrawCell(col, row, rect, state);
}
