// SPDX-License-Identifier: GPL-3.0-or-later
// Selection and input of the grid: moving the current cell and the anchor, repainting exactly
// what a selection change touches, the mouse (press, drag with the 60 ms auto-extend timer,
// release), cancel mode, focus changes, keys and the wheel, and when the click event fires.
#include "controls/grid/custom_grid.h"

#include <algorithm>

#include "controls/grid/grid_errors.h"
#include "platform/window.h"

namespace {

// Identifier and period of the timer that extends a mouse selection past the grid's edges.
constexpr std::uintptr_t kSelectTimerId = 1;
constexpr UINT kSelectTimerMs = 60;

bool RectsIntersect(const RECT& a, const RECT& b, RECT* out) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return false;
  *out = r;
  return true;
}

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// Inclusive of the edges: a point on the right or bottom edge still counts.
bool PointIn(POINT p, const RECT& r) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

}  // namespace

// ---- Moving the current cell and the anchor ---------------------------------------------------
void TCustomGrid::MoveCurrent(int col, int row, TAnchorMove anchor, TShowCell show) {
  if (col < 0 || row < 0 || col >= m_colCount || row >= m_rowCount) {
    RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  }
  if (!SelectCell(col, row)) return;
  TGridRect oldSel = Selection();
  TGridCoord oldCurrent = m_current;
  m_current = {col, row};
  if (!(m_options & goAlwaysShowEditor)) m_editorMode = false;
  if (anchor == TAnchorMove::amMove || !(m_options & goRangeSelect)) {
    m_anchor = m_current;
    if (m_options & goRowSelect) m_anchor.X = m_colCount - 1;
  }
  if (m_options & goRowSelect) m_current.X = m_fixedCols;
  if (show == TShowCell::scYes) ClampInView(m_current);
  InvalidateSelection(oldSel);
  // Also a move onto the cell already current repaints it.
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(m_current.X, m_current.Y);
  if (m_current != oldCurrent) TellCurrentCellMoved();
}

void TCustomGrid::MoveAnchor(TGridCoord cell) {
  if ((m_options & goRangeSelect) && !(m_options & goEditing)) {
    TGridRect oldSel = Selection();
    m_anchor = cell;
    if (m_options & goRowSelect) m_anchor.X = m_colCount - 1;
    ClampInView(cell);
    InvalidateSelection(oldSel);
  } else {
    MoveCurrent(cell.X, cell.Y, TAnchorMove::amMove, TShowCell::scYes);
  }
}

void TCustomGrid::FocusCell(int col, int row, TAnchorMove anchor) {
  MoveCurrent(col, row, anchor, TShowCell::scYes);
  UpdateEditor();
  Click();
}

// Repaints what differs between the old selection and the new one: both rectangles when they are
// apart, else up to four strips of their union around their intersection.
void TCustomGrid::InvalidateSelection(const TGridRect& oldSel) {
  if (!HandleAllocated()) return;
  RECT r1 = BoxRect(oldSel, TCellLines::clWith);
  RECT r2 = BoxRect(Selection(), TCellLines::clWith);
  auto invalidate = [this](const RECT& r) {
    if (!IsEmpty(r)) ::InvalidateRect(m_handle, &r, FALSE);
  };
  RECT in{};
  if (!RectsIntersect(r1, r2, &in)) {
    invalidate(r1);
    invalidate(r2);
    return;
  }
  RECT un{std::min(r1.left, r2.left), std::min(r1.top, r2.top), std::max(r1.right, r2.right),
          std::max(r1.bottom, r2.bottom)};
  auto counts = [&](POINT p) { return PointIn(p, r1) || PointIn(p, r2); };
  auto strip = [&](POINT p1, POINT p2, POINT p3, RECT* out) {
    if (counts(p1)) {
      POINT far = counts(p3) ? p3 : p2;
      *out = {p1.x, p1.y, far.x, far.y};
      return true;
    }
    if (counts(p2)) {
      *out = {p2.x, p2.y, p3.x, p3.y};
      return true;
    }
    return false;
  };
  RECT s{};
  if (strip({un.left, un.top}, {un.left, in.top}, {un.left, in.bottom}, &s)) {
    s.right = in.left;
    invalidate(s);
  }
  if (strip({in.left, un.top}, {in.right, un.top}, {un.right, un.top}, &s)) {
    s.bottom = in.top;
    invalidate(s);
  }
  if (strip({un.right, in.top}, {un.right, in.bottom}, {un.right, un.bottom}, &s)) {
    s.left = in.right;
    invalidate(s);
  }
  if (strip({un.left, un.bottom}, {in.left, un.bottom}, {in.right, un.bottom}, &s)) {
    s.top = in.bottom;
    invalidate(s);
  }
}

// ---- Mouse ------------------------------------------------------------------------------------
// Mouse selection, in m_gridState (the platform captures the mouse from the press to the release):
//
//   state        event                                  what happens                    next
//   -----------  -------------------------------------  ------------------------------  -----------
//   gsNormal     left press on a white cell             current cell (or, with Shift,   gsSelecting
//                                                       the anchor) moves there; the
//                                                       60 ms scroll timer starts
//   gsNormal     left press on a header cell, other     nothing                         gsNormal
//                button, second press of a double       (a double click: OnDblClick)
//                click, or the focus was refused
//   gsSelecting  move over a visible white cell         the anchor follows              gsSelecting
//   gsSelecting  timer, pointer beyond the cells        the anchor steps one cell that  gsSelecting
//                                                       way
//   gsSelecting  release (any button)                   last move, timer stops, Click   gsNormal
//                                                       (OnClick)
//   gsSelecting  cancel mode (focus or capture lost)    timer stops, no Click           gsNormal
//   any          release, even when a handler raises    the interaction ends            gsNormal
void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  HideEditor();
  if ((CanFocus() || !FocusHost()) && !Focused()) SetFocus();
  if (!CountsAsFocused()) {
    // The focus went elsewhere (an exit handler refused it): no selection, no event.
    if (CaptureControl() == this) SetCaptureControl(nullptr);
    return;
  }
  if (button == TMouseButton::mbLeft && (shift & ssDouble)) {
    // The second press of a double click: the first one already selected and clicked.
    if (OnDblClick) OnDblClick(this);
  } else if (button == TMouseButton::mbLeft) {
    // Row and column sizing would be tested here; the grid offers neither.
    TGridCoord hit = MouseCoord(x, y);
    if (hit.X >= m_fixedCols && hit.Y >= m_fixedRows) {
      if (m_options & goEditing) {
        if (hit != m_current) {
          MoveCurrent(hit.X, hit.Y, TAnchorMove::amMove, TShowCell::scYes);
          UpdateEditor();
        }
        Click();
      } else {
        m_gridState = TGridState::gsSelecting;
        SetTimer(m_handle, kSelectTimerId, kSelectTimerMs, nullptr);
        if (shift & ssShift) {
          MoveAnchor(hit);
        } else {
          MoveCurrent(hit.X, hit.Y, TAnchorMove::amMove, TShowCell::scYes);
        }
      }
    }
    // A press on a fixed cell would start moving a row or column; the grid offers neither.
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::DblClick() {
  // OnDblClick is raised by the press itself, before OnMouseDown.
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  if (m_gridState == TGridState::gsSelecting) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridCoord hit = CalcCoordFromPoint(x, y, info);
    if (hit.X >= m_fixedCols && hit.Y >= m_fixedRows && hit.X <= info.Horz.LastFullVisibleCell + 1 &&
        hit.Y <= info.Vert.LastFullVisibleCell + 1 && hit != m_anchor) {
      MoveAnchor(hit);
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  // Whatever happens below, the interaction ends with this release.
  struct TEndInteraction {
    TGridState& state;
    ~TEndInteraction() { state = TGridState::gsNormal; }
  } endInteraction{m_gridState};
  if (m_gridState == TGridState::gsSelecting) {
    MouseMove(shift, x, y);
    if (HandleAllocated()) KillTimer(m_handle, kSelectTimerId);
    UpdateEditor();
    Click();
  } else if (m_gridState == TGridState::gsNormal) {
    UpdateEditor();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomGrid::TimedScroll() {
  if (m_gridState != TGridState::gsSelecting) return;
  POINT pt{};
  GetCursorPos(&pt);
  pt = ScreenToClient(pt);
  TGridDrawInfo info;
  CalcDrawInfo(info);
  int dx = 0;
  int dy = 0;
  if (pt.x < info.Horz.FixedBoundary) {
    dx = -1;
  } else if (pt.x > info.Horz.FullVisBoundary) {
    dx = 1;
  }
  if (pt.y < info.Vert.FixedBoundary) {
    dy = -1;
  } else if (pt.y > info.Vert.FullVisBoundary) {
    dy = 1;
  }
  if (dx == 0 && dy == 0) return;
  TGridCoord next = m_anchor;
  if (dx < 0 && next.X > m_fixedCols) --next.X;
  if (dx > 0 && next.X < m_colCount - 1) ++next.X;
  if (dy < 0 && next.Y > m_fixedRows) --next.Y;
  if (dy > 0 && next.Y < m_rowCount - 1) ++next.Y;
  if (next != m_anchor) MoveAnchor(next);
}

void TCustomGrid::CancelMode() {
  if (m_gridState == TGridState::gsSelecting && HandleAllocated()) {
    KillTimer(m_handle, kSelectTimerId);
  }
  m_gridState = TGridState::gsNormal;
}

// ---- Focus ------------------------------------------------------------------------------------
void TCustomGrid::FocusGained() {
  InvalidateCells(Selection());
  UpdateEditor();
}

void TCustomGrid::FocusLost() {
  InvalidateCells(Selection());
  HideEditor();
}

// ---- Keyboard ---------------------------------------------------------------------------------
LRESULT TCustomGrid::DialogCode() const {
  if (m_options & goRowSelect) return DLGC_WANTARROWS;
  LRESULT code = DLGC_WANTARROWS;
  if (m_options & goTabs) code |= DLGC_WANTTAB;
  if (m_options & goEditing) code |= DLGC_WANTCHARS;
  return code;
}

// With Ctrl: Up and Down scroll a row, Left and Right move a page sideways, Page Up and Page Down
// go to the first or last full row in view, Home and End to the grid's corners.
void TCustomGrid::CtrlKeyMove(WORD key, const TGridDrawInfo& info, TKeyMove& move) const {
  const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - m_topLeft.X);
  const bool rowSelect = (m_options & goRowSelect) != 0;
  switch (key) {
    case VK_UP:
      --move.topLeft.Y;
      break;
    case VK_DOWN:
      ++move.topLeft.Y;
      break;
    case VK_LEFT:
      if (!rowSelect) {
        move.current.X -= pageWidth;
        move.topLeft.X -= pageWidth;
      }
      break;
    case VK_RIGHT:
      if (!rowSelect) {
        move.current.X += pageWidth;
        move.topLeft.X += pageWidth;
      }
      break;
    case VK_PRIOR:
      move.current.Y = m_topLeft.Y;
      break;
    case VK_NEXT:
      move.current.Y = info.Vert.LastFullVisibleCell;
      break;
    case VK_HOME:
      move.current = {m_fixedCols, m_fixedRows};
      break;
    case VK_END:
      move.current = {m_colCount - 1, m_rowCount - 1};
      break;
    default:
      break;
  }
}

// A key alone moves the current cell: by one, by a page, to the row's or the grid's ends, or with
// Tab (when the grid takes it) to the next cell round the grid; F2 starts editing.
void TCustomGrid::PlainKeyMove(WORD key, TShiftState shift, const TGridDrawInfo& info, TKeyMove& move) {
  const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - m_topLeft.Y);
  const bool rowSelect = (m_options & goRowSelect) != 0;
  switch (key) {
    case VK_UP:
      --move.current.Y;
      break;
    case VK_DOWN:
      ++move.current.Y;
      break;
    case VK_LEFT:
      if (rowSelect)
        --move.current.Y;
      else
        --move.current.X;
      break;
    case VK_RIGHT:
      if (rowSelect)
        ++move.current.Y;
      else
        ++move.current.X;
      break;
    case VK_NEXT:
      move.current.Y += pageHeight;
      move.topLeft.Y += pageHeight;
      break;
    case VK_PRIOR:
      move.current.Y -= pageHeight;
      move.topLeft.Y -= pageHeight;
      break;
    case VK_HOME:
      if (rowSelect)
        move.current.Y = m_fixedRows;
      else
        move.current.X = m_fixedCols;
      break;
    case VK_END:
      if (rowSelect)
        move.current.Y = m_rowCount - 1;
      else
        move.current.X = m_colCount - 1;
      break;
    case VK_TAB:
      if ((m_options & goTabs) && !(shift & ssAlt)) {
        // Next (or with Shift previous) cell, wrapping to the next row and round the grid.
        int step = (shift & ssShift) ? -1 : 1;
        move.current.X += step;
        if (move.current.X >= m_colCount) {
          move.current.X = m_fixedCols;
          if (++move.current.Y >= m_rowCount) move.current.Y = m_fixedRows;
        } else if (move.current.X < m_fixedCols) {
          move.current.X = m_colCount - 1;
          if (--move.current.Y < m_fixedRows) move.current.Y = m_rowCount - 1;
        }
        move.anchor = TAnchorMove::amMove;
      }
      break;
    case VK_F2:
      m_editorMode = true;
      break;
    default:
      break;
  }
}

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  // OnKeyDown has already had its say (the windowed control raises it before this).
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TKeyMove move{m_current, m_topLeft, (shift & ssShift) ? TAnchorMove::amKeep : TAnchorMove::amMove};
  if (shift & ssCtrl) {
    CtrlKeyMove(key, info, move);
  } else {
    PlainKeyMove(key, shift, info, move);
  }
  TGridCoord newCurrent = move.current;
  TGridCoord newTopLeft = move.topLeft;
  const TAnchorMove anchor = move.anchor;
  TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
  newTopLeft.X = std::max(m_fixedCols, std::min(newTopLeft.X, maxTopLeft.X));
  newTopLeft.Y = std::max(m_fixedRows, std::min(newTopLeft.Y, maxTopLeft.Y));
  if (newTopLeft != m_topLeft) MoveTopLeft(newTopLeft.X, newTopLeft.Y);
  newCurrent.X = std::clamp(newCurrent.X, m_fixedCols, m_colCount - 1);
  newCurrent.Y = std::clamp(newCurrent.Y, m_fixedRows, m_rowCount - 1);
  if (newCurrent != m_current) FocusCell(newCurrent.X, newCurrent.Y, anchor);
}

void TCustomGrid::KeyPress(char& key) {
  // OnKeyPress has already had its say. Enter switches the editor mode.
  if (!(m_options & goAlwaysShowEditor) && key == '\r') {
    m_editorMode = !m_editorMode;
    key = 0;
  }
}

void TCustomGrid::MouseWheel(int delta, TShiftState shift, POINT pos, bool& handled) {
  if (delta < 0) {
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, pos, handled);
    if (!handled && m_current.Y < m_rowCount - 1) {
      FocusCell(m_current.X, m_current.Y + 1, TAnchorMove::amMove);
    }
  } else if (delta > 0) {
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, pos, handled);
    if (!handled && m_current.Y > m_fixedRows) {
      FocusCell(m_current.X, m_current.Y - 1, TAnchorMove::amMove);
    }
  }
}
