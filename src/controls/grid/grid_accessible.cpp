// SPDX-License-Identifier: GPL-3.0-or-later
// What the grid tells a screen reader: a table of RowCount x ColCount cells, each a part of the
// grid's window numbered 1 + its row-major index, the fixed rows' cells being column headers;
// the current cell is the part that holds the focus, and its moves are told as they happen.
#include <optional>

#include "controls/grid/custom_grid.h"
#include "core/control_accessible.h"
#include "core/event_boundary.h"
#include "platform/window.h"

namespace {

using a11y::ChildId;
using a11y::ObjectRef;
using a11y::Role;
using a11y::State;
using a11y::StateSet;

bool Inside(const TGridRect& cells, TGridCoord cell) {
  return cell.X >= cells.Left && cell.X <= cells.Right && cell.Y >= cells.Top && cell.Y <= cells.Bottom;
}

class TGridAccessible : public TWinControlAccessible {
 public:
  explicit TGridAccessible(TCustomGrid& grid) : TWinControlAccessible(grid), m_grid(grid) {}

  Role RoleOf(ChildId child) const override {
    if (child == a11y::kSelf) return Role::kTable;
    const std::optional<TGridCoord> cell = CellOfPart(child);
    if (!cell) return Role::kInvalid;
    return IsHeader(*cell) ? Role::kColumnHeader : Role::kTableCell;
  }

  std::string NameOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::NameOf(child);
    const std::optional<TGridCoord> cell = CellOfPart(child);
    return cell ? m_grid.CellDisplayText(cell->X, cell->Y) : std::string();
  }

  std::optional<std::string> TextOf(ChildId child) const override {
    if (child == a11y::kSelf) return std::nullopt;
    const std::optional<TGridCoord> cell = CellOfPart(child);
    if (!cell) return std::nullopt;
    return m_grid.CellDisplayText(cell->X, cell->Y);
  }

  StateSet StatesOf(ChildId child) const override {
    if (child == a11y::kSelf) {
      return WindowStates().Set(State::kManagesDescendants).Set(State::kFocusable);
    }
    const std::optional<TGridCoord> cell = CellOfPart(child);
    if (!cell) return {State::kDefunct};
    StateSet states;
    const RECT rect = m_grid.CellRect(cell->X, cell->Y);
    const bool inView =
        IsWindowVisible(Window()) != FALSE && rect.left < rect.right && rect.top < rect.bottom;
    states.Set(State::kVisible, inView).Set(State::kShowing, inView);
    const bool enabled = IsWindowEnabled(Window()) != FALSE;
    states.Set(State::kEnabled, enabled).Set(State::kSensitive, enabled);
    if (IsHeader(*cell) || cell->X < m_grid.FixedCols()) return states;
    states.Set(State::kSelectable).Set(State::kFocusable);
    if (Inside(m_grid.Selection(), *cell)) states.Set(State::kSelected);
    if (*cell == m_grid.CurrentCell() && m_grid.Focused()) states.Set(State::kFocused);
    return states;
  }

  RECT BoundsOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::BoundsOf(child);
    const std::optional<TGridCoord> cell = CellOfPart(child);
    if (!cell) return {};
    const RECT rect = m_grid.CellRect(cell->X, cell->Y);
    if (rect.left >= rect.right || rect.top >= rect.bottom) return {};
    return ClientToScreenRect(rect);
  }

  std::vector<ObjectRef> ChildrenOf(ChildId child) const override {
    std::vector<ObjectRef> cells;
    if (child != a11y::kSelf) return cells;
    for (int row = 0; row < m_grid.RowCount(); ++row) {
      for (int col = 0; col < m_grid.ColCount(); ++col) cells.push_back(m_grid.CellRef(col, row));
    }
    return cells;
  }

  ChildId FocusedChild() const override {
    const TGridCoord current = m_grid.CurrentCell();
    return m_grid.CellRef(current.X, current.Y).child;
  }

  bool Exists(ChildId child) const override { return child == a11y::kSelf || CellOfPart(child).has_value(); }

  std::optional<a11y::TableShape> TableOf(ChildId child) const override {
    if (child != a11y::kSelf) return std::nullopt;
    return Shape();
  }

  ObjectRef CellAt(ChildId table, int row, int column) const override {
    return table == a11y::kSelf ? m_grid.CellRef(column, row) : ObjectRef{};
  }

  ObjectRef ColumnHeaderOf(ChildId table, int column) const override {
    if (table != a11y::kSelf || m_grid.FixedRows() == 0) return {};
    return m_grid.CellRef(column, 0);
  }

  std::optional<a11y::CellPosition> CellOf(ChildId child) const override {
    const std::optional<TGridCoord> cell = CellOfPart(child);
    if (!cell) return std::nullopt;
    return a11y::CellPosition{{Window(), a11y::kSelf}, cell->Y, cell->X};
  }

  // The focus on a white cell makes it the current cell, as a keyboard move does (the grid's
  // click event included); on a header cell or on the table it only focuses the grid.
  void GrabFocus(ChildId child) override {
    if (!m_grid.CanFocus()) return;
    const std::optional<TGridCoord> cell = CellOfPart(child);
    RunAtBoundary(&m_grid, [&] {
      if (!m_grid.Focused()) m_grid.SetFocus();
      if (cell && !IsHeader(*cell) && cell->X >= m_grid.FixedCols() && *cell != m_grid.CurrentCell()) {
        m_grid.FocusCell(cell->X, cell->Y, TAnchorMove::amMove);
      }
    });
  }

 private:
  a11y::TableShape Shape() const { return {m_grid.RowCount(), m_grid.ColCount()}; }

  std::optional<TGridCoord> CellOfPart(ChildId child) const {
    if (child <= a11y::kSelf) return std::nullopt;
    const int index = child - 1;
    const int row = a11y::RowOfIndex(Shape(), index);
    const int col = a11y::ColumnOfIndex(Shape(), index);
    if (row < 0 || col < 0) return std::nullopt;
    return TGridCoord{col, row};
  }

  bool IsHeader(TGridCoord cell) const { return cell.Y < m_grid.FixedRows(); }

  TCustomGrid& m_grid;
};

}  // namespace

std::unique_ptr<a11y::Provider> TCustomGrid::CreateAccessible() {
  return std::make_unique<TGridAccessible>(*this);
}

ObjectRef TCustomGrid::CellRef(int col, int row) const {
  const int index = a11y::CellIndex({m_rowCount, m_colCount}, row, col);
  if (index < 0 || !HandleAllocated()) return {};
  return {m_handle, index + 1};
}

void TCustomGrid::TellCurrentCellMoved() const {
  if (!a11y::Listening()) return;
  const ObjectRef cell = CellRef(m_current.X, m_current.Y);
  if (cell.hwnd == nullptr) return;
  a11y::Event event;
  if (Focused()) {
    event.kind = a11y::EventKind::kFocus;
    event.source = cell;
    a11y::NotifyEvent(event);
  }
  event.kind = a11y::EventKind::kActiveDescendantChanged;
  event.source = {m_handle, a11y::kSelf};
  event.other = cell;
  a11y::NotifyEvent(event);
}
