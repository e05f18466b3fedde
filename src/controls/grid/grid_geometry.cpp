// SPDX-License-Identifier: GPL-3.0-or-later
// Layout arithmetic of the grid: the per-axis layout, hit testing, line positions, rectangles of
// blocks of cells, the largest useful top-left cell, and the scroll bars that follow from them.
// Nothing here is cached: every use lays the axes out again, in time proportional to the cells.
#include "controls/grid/custom_grid.h"

#include <algorithm>
#include <climits>

#include "platform/window.h"

namespace {

constexpr int kScrollRange = 127;

RECT EmptyRect() { return {0, 0, 0, 0}; }

}  // namespace

// ---- Axis layout ------------------------------------------------------------------------------
void TCustomGrid::FillAxis(TGridAxisDrawInfo& axis, TGridAxis kind, int extent) const {
  const bool horizontal = kind == TGridAxis::gaColumns;
  TGridOptions lineOptions = horizontal ? (goFixedVertLine | goVertLine) : (goFixedHorzLine | goHorzLine);
  axis.EffectiveLineWidth = (m_options & lineOptions) ? m_gridLineWidth : 0;
  axis.FixedCellCount = horizontal ? m_fixedCols : m_fixedRows;
  axis.FirstGridCell = horizontal ? m_topLeft.X : m_topLeft.Y;
  axis.GridCellCount = horizontal ? m_colCount : m_rowCount;
  axis.DefaultExtent = horizontal ? m_defaultColWidth : m_defaultRowHeight;
  const std::vector<int>& table = horizontal ? m_colWidths : m_rowHeights;
  axis.Extents = table.empty() ? nullptr : &table;
  axis.FixedBoundary = 0;
  for (int i = 0; i < axis.FixedCellCount; ++i) {
    axis.FixedBoundary += axis.Extent(i) + axis.EffectiveLineWidth;
  }
  CalcAxis(axis, extent);
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& axis, int extent) const {
  axis.GridExtent = extent;
  axis.GridBoundary = axis.FixedBoundary;
  axis.FullVisBoundary = axis.FixedBoundary;
  axis.LastFullVisibleCell = axis.FirstGridCell;
  if (axis.Degenerate()) {
    // No cell takes room, so either the first one already overflows or every one fits.
    if (axis.FirstGridCell >= axis.GridCellCount) return;
    if (axis.FixedBoundary + axis.Step() > extent + axis.EffectiveLineWidth) {
      axis.GridBoundary = extent;
      return;
    }
    axis.LastFullVisibleCell = axis.GridCellCount - 1;
    long long end =
        axis.FixedBoundary + static_cast<long long>(axis.GridCellCount - axis.FirstGridCell) * axis.Step();
    axis.GridBoundary = static_cast<int>(std::max<long long>(end, INT_MIN));
    axis.FullVisBoundary = axis.GridBoundary;
    return;
  }
  for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
    axis.GridBoundary += axis.Extent(i) + axis.EffectiveLineWidth;
    // A cell whose trailing line alone falls outside still counts as fully visible.
    if (axis.GridBoundary > extent + axis.EffectiveLineWidth) {
      axis.GridBoundary = extent;
      break;
    }
    axis.LastFullVisibleCell = i;
    axis.FullVisBoundary = axis.GridBoundary;
  }
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) const {
  RECT client = ClientRect();
  CalcDrawInfoXY(info, client.right - client.left, client.bottom - client.top);
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) const {
  FillAxis(info.Horz, TGridAxis::gaColumns, width);
  FillAxis(info.Vert, TGridAxis::gaRows, height);
}

int TCustomGrid::VisibleColCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Horz.LastFullVisibleCell - m_topLeft.X + 1;
}

int TCustomGrid::VisibleRowCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Vert.LastFullVisibleCell - m_topLeft.Y + 1;
}

// ---- Hit testing ------------------------------------------------------------------------------
namespace {

// The cell of one axis at coordinate n; a point on a line belongs to the cell before it.
int AxisCellAt(const TGridAxisDrawInfo& axis, int n) {
  int first = 0;
  int last = axis.FixedCellCount - 1;
  int pos = 0;
  if (n >= axis.FixedBoundary) {
    first = axis.FirstGridCell;
    last = axis.GridCellCount - 1;
    pos = axis.FixedBoundary;
  }
  if (axis.Degenerate()) {
    // Positions never grow: only the first cell can hold the point.
    return first <= last && n < pos + axis.Step() ? first : -1;
  }
  for (int i = first; i <= last; ++i) {
    pos += axis.Extent(i) + axis.EffectiveLineWidth;
    if (n < pos) return i;
  }
  return -1;
}

}  // namespace

TGridCoord TCustomGrid::CalcCoordFromPoint(int x, int y, const TGridDrawInfo& info) const {
  return {AxisCellAt(info.Horz, x), AxisCellAt(info.Vert, y)};
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return CalcCoordFromPoint(x, y, info);
}

// ---- Rectangles -------------------------------------------------------------------------------
int TCustomGrid::LinePos(const TGridAxisDrawInfo& axis, int line) const {
  int start = 0;
  int pos = 0;
  if (line >= axis.FixedCellCount) {
    start = axis.FirstGridCell;
    pos = line >= axis.FirstGridCell ? axis.FixedBoundary : 0;
  }
  if (axis.Degenerate() && line > start) {
    // Positions never grow: the first step decides whether the cell is off-screen.
    if (pos + axis.Step() > axis.GridExtent) return 0;
    long long end = pos + static_cast<long long>(line - start) * axis.Step();
    return static_cast<int>(std::max<long long>(end, INT_MIN));
  }
  for (int i = start; i < line; ++i) {
    pos += axis.Extent(i) + axis.EffectiveLineWidth;
    if (pos > axis.GridExtent) return 0;  // off-screen
  }
  return pos;
}

namespace {

struct TSpan {
  int start = 0;
  int end = 0;
};

}  // namespace

RECT TCustomGrid::BoxRect(const TGridRect& cells, TCellLines lines) const {
  if (cells.Left > cells.Right || cells.Top > cells.Bottom) return EmptyRect();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (cells.Left > info.Horz.LastFullVisibleCell + 1 || cells.Top > info.Vert.LastFullVisibleCell + 1) {
    return EmptyRect();
  }
  auto span = [&](const TGridAxisDrawInfo& axis, int low, int high, TSpan& out) {
    if (low >= axis.FixedCellCount && low < axis.FirstGridCell) {
      if (high < axis.FirstGridCell) return false;
      low = axis.FirstGridCell;
    }
    if (high > axis.LastFullVisibleCell) {
      high = axis.LastFullVisibleCell;
      if (high < axis.GridCellCount - 1) ++high;
      if (LinePos(axis, high) == 0) --high;
    }
    out.start = LinePos(axis, low);
    out.end = LinePos(axis, high);
    if (out.end == 0) {
      out.end = out.start + axis.Extent(low);
    } else {
      out.end += axis.Extent(high);
    }
    out.end = std::min(out.end, axis.GridExtent);
    if (lines == TCellLines::clWith) out.end += axis.EffectiveLineWidth;
    return true;
  };
  TSpan h;
  TSpan v;
  if (!span(info.Horz, cells.Left, cells.Right, h) || !span(info.Vert, cells.Top, cells.Bottom, v)) {
    return EmptyRect();
  }
  return {h.start, v.start, h.end, v.end};
}

RECT TCustomGrid::CellRect(int col, int row) const {
  return BoxRect({col, row, col, row}, TCellLines::clWithout);
}

// ---- Largest top-left -------------------------------------------------------------------------
namespace {

int AxisMaxTopLeft(const TGridAxisDrawInfo& axis, int last) {
  // Cells without extent are passed over; when no cell has any, the last one stays the answer.
  if (axis.Uniform() && axis.DefaultExtent <= 0) return last;
  int line = axis.GridExtent + axis.EffectiveLineWidth;
  int result = last;
  for (int i = last; i >= axis.FixedCellCount; --i) {
    int extent = axis.Extent(i);
    if (extent <= 0) continue;
    line -= extent + axis.EffectiveLineWidth;
    if (line < axis.FixedBoundary) {
      if (result == last && axis.Extent(last) <= 0) result = i;
      break;
    }
    result = i;
  }
  return result;
}

}  // namespace

TGridCoord TCustomGrid::CalcMaxTopLeft(TGridCoord last, const TGridDrawInfo& info) const {
  return {AxisMaxTopLeft(info.Horz, last.X), AxisMaxTopLeft(info.Vert, last.Y)};
}

// ---- Scrolling --------------------------------------------------------------------------------
bool TCustomGrid::AllowScrollBar(int bar) const {
  if (bar == SB_HORZ) {
    return m_scrollBars == TScrollStyle::ssHorizontal || m_scrollBars == TScrollStyle::ssBoth;
  }
  return m_scrollBars == TScrollStyle::ssVertical || m_scrollBars == TScrollStyle::ssBoth;
}

bool TCustomGrid::ScrollBarVisible(int bar) const {
  int minPos = 0;
  int maxPos = 0;
  if (!GetScrollRange(m_handle, bar, &minPos, &maxPos)) return false;
  return minPos != maxPos;
}

void TCustomGrid::UpdateScrollRange() {
  if (m_scrollBars == TScrollStyle::ssNone || !HandleAllocated() || !Showing()) return;
  RECT client = ClientRect();
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  // Extents as if no scroll bar took room: a bar shown now gives its room back.
  if (ScrollBarVisible(SB_HORZ)) height += GetSystemMetrics(SM_CYHSCROLL);
  if (ScrollBarVisible(SB_VERT)) width += GetSystemMetrics(SM_CXVSCROLL);
  TScrollStyle saved = m_scrollBars;
  // Showing or hiding a bar resizes the client area, which comes back here; the grid counts as
  // having no scroll bars until the ranges are set, so that does not recurse.
  m_scrollBars = TScrollStyle::ssNone;
  struct TRestore {
    TScrollStyle& target;
    TScrollStyle value;
    ~TRestore() { target = value; }
  } restore{m_scrollBars, saved};

  auto updateHorz = [&](int widthExtent) {
    if (!(saved == TScrollStyle::ssHorizontal || saved == TScrollStyle::ssBoth)) return;
    if (m_colCount > 1) {
      TGridDrawInfo info;
      CalcDrawInfoXY(info, widthExtent, height);
      TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
      SetScrollRange(m_handle, SB_HORZ, 0, maxTopLeft.X > m_fixedCols ? kScrollRange : 0, TRUE);
      if (m_topLeft.X > maxTopLeft.X) {
        Update();
        MoveTopLeft(maxTopLeft.X, m_topLeft.Y);
      }
    } else {
      RECT now = ClientRect();
      int range = std::max(ColWidth(0) - (now.right - now.left), 0);
      SetScrollRange(m_handle, SB_HORZ, 0, range, TRUE);
    }
  };
  auto updateVert = [&](int widthExtent, int heightExtent) {
    if (!(saved == TScrollStyle::ssVertical || saved == TScrollStyle::ssBoth)) return;
    if (m_rowCount > 1) {
      TGridDrawInfo info;
      CalcDrawInfoXY(info, widthExtent, heightExtent);
      TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
      SetScrollRange(m_handle, SB_VERT, 0, maxTopLeft.Y > m_fixedRows ? kScrollRange : 0, TRUE);
      if (m_topLeft.Y > maxTopLeft.Y) {
        Update();
        MoveTopLeft(m_topLeft.X, maxTopLeft.Y);
      }
    } else {
      SetScrollRange(m_handle, SB_VERT, 0, 0, TRUE);
    }
  };

  updateHorz(width);
  height = ClientRect().bottom;
  updateVert(width, height);
  // The vertical bar came or went: the columns have another width to fit into.
  if (ClientRect().right != width) updateHorz(ClientRect().right);
  m_scrollBars = saved;
  UpdateScrollPos();
}

void TCustomGrid::UpdateScrollPos() {
  if (!HandleAllocated() || m_scrollBars == TScrollStyle::ssNone) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
  auto position = [](int topLeft, int fixed, int maximum) {
    if (maximum <= fixed) return 0;
    return (topLeft - fixed) * kScrollRange / (maximum - fixed);
  };
  if (AllowScrollBar(SB_HORZ) && ScrollBarVisible(SB_HORZ)) {
    int pos = m_colCount == 1 ? m_colOffset : position(m_topLeft.X, m_fixedCols, maxTopLeft.X);
    SetScrollPos(m_handle, SB_HORZ, pos, TRUE);
  }
  if (AllowScrollBar(SB_VERT) && ScrollBarVisible(SB_VERT)) {
    SetScrollPos(m_handle, SB_VERT, position(m_topLeft.Y, m_fixedRows, maxTopLeft.Y), TRUE);
  }
}

void TCustomGrid::MoveTopLeft(int col, int row) {
  if (col == m_topLeft.X && row == m_topLeft.Y) return;
  m_topLeft = {col, row};
  // The cells move as a whole: repaint them rather than shift pixels, the grid is small.
  InvalidateGrid();
  UpdateScrollPos();
  TopLeftChanged();
}

void TCustomGrid::ClampInView(TGridCoord cell) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (cell.X >= m_topLeft.X && cell.X <= info.Horz.LastFullVisibleCell && cell.Y >= m_topLeft.Y &&
      cell.Y <= info.Vert.LastFullVisibleCell) {
    return;
  }
  Update();  // let pending paints complete before the cells move
  TGridCoord maxTopLeft = CalcMaxTopLeft(cell, info);
  TGridCoord newTopLeft = m_topLeft;
  if (cell.X >= m_fixedCols && cell.X < m_topLeft.X) {
    newTopLeft.X = cell.X;
  } else if (cell.X > info.Horz.LastFullVisibleCell) {
    newTopLeft.X = maxTopLeft.X;
  }
  if (cell.Y >= m_fixedRows && cell.Y < m_topLeft.Y) {
    newTopLeft.Y = cell.Y;
  } else if (cell.Y > info.Vert.LastFullVisibleCell) {
    newTopLeft.Y = maxTopLeft.Y;
  }
  MoveTopLeft(newTopLeft.X, newTopLeft.Y);
}

void TCustomGrid::ModifyScrollBar(int bar, int scrollCode, int pos) {
  if (!AllowScrollBar(bar)) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
  bool horz = bar == SB_HORZ;
  int fixed = horz ? m_fixedCols : m_fixedRows;
  int current = horz ? m_topLeft.X : m_topLeft.Y;
  int maximum = horz ? maxTopLeft.X : maxTopLeft.Y;
  int page = std::max(1, (horz ? info.Horz.LastFullVisibleCell : info.Vert.LastFullVisibleCell) - current);
  int next = current;
  switch (scrollCode) {
    case SB_LINEUP:
      next = current - 1;
      break;
    case SB_LINEDOWN:
      next = current + 1;
      break;
    case SB_PAGEUP:
      next = current - page;
      break;
    case SB_PAGEDOWN:
      next = current + page;
      break;
    case SB_TOP:
      next = fixed;
      break;
    case SB_BOTTOM:
      next = maximum;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      if (scrollCode == SB_THUMBTRACK && !(m_options & goThumbTracking)) return;
      next = fixed + pos * (maximum - fixed) / kScrollRange;
      break;
    default:
      return;
  }
  next = std::clamp(next, fixed, std::max(fixed, maximum));
  if (horz) {
    MoveTopLeft(next, m_topLeft.Y);
  } else {
    MoveTopLeft(m_topLeft.X, next);
  }
}
