// SPDX-License-Identifier: GPL-3.0-or-later
// Configuration, window and state of the grid. Geometry, painting and input live in
// grid_geometry.cpp, grid_paint.cpp and grid_input.cpp.
#include "controls/grid/custom_grid.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/mul_div.h"
#include "controls/grid/grid_errors.h"
#include "core/window_description.h"
#include "platform/window.h"

bool IdentToGridOption(const std::string& ident, TGridOptions* option) {
  static const char* const kNames[] = {
      "goFixedVertLine",     "goFixedHorzLine", "goVertLine",  "goHorzLine",         "goRangeSelect",
      "goDrawFocusSelected", "goRowSizing",     "goColSizing", "goRowMoving",        "goColMoving",
      "goEditing",           "goTabs",          "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"};
  for (unsigned i = 0; i < std::size(kNames); ++i) {
    if (ident == kNames[i]) {
      *option = 1u << i;
      return true;
    }
  }
  return false;
}

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
  // The grid raises its click event itself (at the release that ends a selection, and at key
  // moves), so the base must not turn a button release into a click.
  m_controlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  SetParentColor(false);  // the cells' white comes from the grid's own Color, clWindow
  SetColor(clWindow);
  SetTabStop(true);
  SetWidth(m_colCount * m_defaultColWidth);
  SetHeight(m_rowCount * m_defaultRowHeight);
  InitializeSelection();
}

TCustomGrid::~TCustomGrid() {
  if (HandleAllocated()) KillTimer(m_handle, 1);
}

// ---- Configuration ----------------------------------------------------------------------------
void TCustomGrid::SetColCount(int value) {
  if (value == m_colCount) return;
  ChangeSize(value, m_rowCount);
}

void TCustomGrid::SetRowCount(int value) {
  if (value == m_rowCount) return;
  ChangeSize(m_colCount, value);
}

void TCustomGrid::ChangeSize(int newColCount, int newRowCount) {
  newColCount = std::max(newColCount, 1);
  newRowCount = std::max(newRowCount, 1);
  const int oldColCount = m_colCount;
  const int oldRowCount = m_rowCount;
  const int oldFixedCols = m_fixedCols;
  const int oldFixedRows = m_fixedRows;
  if (m_fixedCols >= newColCount) m_fixedCols = newColCount - 1;
  if (m_fixedRows >= newRowCount) m_fixedRows = newRowCount - 1;
  try {
    m_colCount = newColCount;
    m_rowCount = newRowCount;
    if (!m_colWidths.empty()) {
      m_colWidths.resize(static_cast<std::size_t>(newColCount), m_defaultColWidth);
    }
    if (!m_rowHeights.empty()) {
      m_rowHeights.resize(static_cast<std::size_t>(newRowCount), m_defaultRowHeight);
    }
    // The current cell stays inside the grid; the anchor joins it.
    m_current.X = std::min(m_current.X, newColCount - 1);
    m_current.Y = std::min(m_current.Y, newRowCount - 1);
    m_anchor = m_current;
    if (m_options & goRowSelect) m_anchor.X = newColCount - 1;
    m_topLeft.X = std::clamp(m_topLeft.X, m_fixedCols, newColCount - 1);
    m_topLeft.Y = std::clamp(m_topLeft.Y, m_fixedRows, newRowCount - 1);
    SizeChanged(oldColCount, oldRowCount);
  } catch (...) {
    // A grid that could not take the new counts goes back to the old ones, whole.
    m_colCount = oldColCount;
    m_rowCount = oldRowCount;
    m_fixedCols = oldFixedCols;
    m_fixedRows = oldFixedRows;
    if (!m_colWidths.empty()) {
      m_colWidths.resize(static_cast<std::size_t>(oldColCount), m_defaultColWidth);
    }
    if (!m_rowHeights.empty()) {
      m_rowHeights.resize(static_cast<std::size_t>(oldRowCount), m_defaultRowHeight);
    }
    InvalidateGrid();
    UpdateScrollRange();
    throw;
  }
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::InitializeSelection() {
  m_current = {m_fixedCols, m_fixedRows};
  m_anchor = m_current;
  if (m_options & goRowSelect) m_anchor.X = m_colCount - 1;
  m_topLeft = m_current;
}

void TCustomGrid::SetFixedCols(int value) {
  if (value == m_fixedCols) return;
  if (value < 0) RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  if (value >= m_colCount) RaiseGridError(kSFixedColTooBigId, kSFixedColTooBig);
  m_fixedCols = value;
  InitializeSelection();
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetFixedRows(int value) {
  if (value == m_fixedRows) return;
  if (value < 0) RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  if (value >= m_rowCount) RaiseGridError(kSFixedRowTooBigId, kSFixedRowTooBig);
  m_fixedRows = value;
  InitializeSelection();
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetDefaultColWidth(int value) {
  if (value == m_defaultColWidth && m_colWidths.empty()) return;
  m_defaultColWidth = value;
  m_colWidths.clear();
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
  if (value == m_defaultRowHeight && m_rowHeights.empty()) return;
  m_defaultRowHeight = value;
  m_rowHeights.clear();
  InvalidateGrid();
  UpdateScrollRange();
}

namespace {

// Cell sizes scaled by their edges, as the form scales its controls: each cell (with the grid line
// after it) ends where its designed end lands after scaling, so the cells still fill exactly what
// the scaled grid offers and no rounding piles up into an empty band after the last one.
// Far beyond any grid a screen can show; keeps MulDiv's arguments in range for absurd sizes.
constexpr std::int64_t kMaxScaledEdge = 1 << 24;

std::vector<int> ScaledSizes(int count, int lineWidth, int m, int d, const std::function<int(int)>& size) {
  std::vector<int> scaled(static_cast<std::size_t>(std::max(count, 0)));
  std::int64_t end = 0;
  int scaledEnd = 0;
  for (int i = 0; i < count; ++i) {
    end += size(i) + lineWidth;
    const int next = d > 0 ? MulDiv(static_cast<int>(std::min<std::int64_t>(end, kMaxScaledEdge)), m, d)
                           : static_cast<int>(std::min<std::int64_t>(end, kMaxScaledEdge));
    scaled[static_cast<std::size_t>(i)] = std::max(next - scaledEnd - lineWidth, 0);
    scaledEnd = next;
  }
  return scaled;
}

// The table a grid keeps for sizes: none while every size is the default.
std::vector<int> TableUnlessAll(std::vector<int> sizes, int defaultSize) {
  for (int s : sizes) {
    if (s != defaultSize) return sizes;
  }
  return {};
}

}  // namespace

void TCustomGrid::ChangeScale(int m, int d) {
  if (m == d) {
    TCustomControl::ChangeScale(m, d);
    return;
  }
  // The cells grow with the grid: kept at their designed sizes, the larger text of a finer screen
  // would be cut at the cells' edges and the grid would leave an empty band beside its last column.
  // They scale by the ratio of what they fill: the client area and the one grid line that may lie
  // beyond it (the frame around the client area keeps its size, so that ratio is a little above
  // the bounds' one). Cells that filled the design's grid then fill the scaled one exactly.
  const int line = m_gridLineWidth;
  const SIZE before = CellArea();
  TCustomControl::ChangeScale(m, d);
  const SIZE after = CellArea();
  const int toX = after.cx + line;
  const int fromX = before.cx + line;
  const int toY = after.cy + line;
  const int fromY = before.cy + line;
  const auto scale = [line](int size, int to, int from) {
    return from > 0 ? std::max(MulDiv(size + line, to, from) - line, 0) : size;
  };
  auto widths = ScaledSizes(m_colCount, line, toX, fromX, [this](int c) { return ColWidth(c); });
  auto heights = ScaledSizes(m_rowCount, line, toY, fromY, [this](int r) { return RowHeight(r); });
  m_defaultColWidth = scale(m_defaultColWidth, toX, fromX);
  m_defaultRowHeight = scale(m_defaultRowHeight, toY, fromY);
  m_colWidths = TableUnlessAll(std::move(widths), m_defaultColWidth);
  m_rowHeights = TableUnlessAll(std::move(heights), m_defaultRowHeight);
  InvalidateGrid();
  UpdateScrollRange();
}

// The client area the bounds give, whether or not the window exists yet: the bounds less the frame
// that the window's styles draw.
SIZE TCustomGrid::CellArea() {
  TCreateParams params;
  CreateParams(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return {Width() - (frame.right - frame.left), Height() - (frame.bottom - frame.top)};
}

int TCustomGrid::ColWidth(int col) const {
  if (col >= 0 && col < static_cast<int>(m_colWidths.size())) {
    return m_colWidths[static_cast<std::size_t>(col)];
  }
  return m_defaultColWidth;
}

int TCustomGrid::RowHeight(int row) const {
  if (row >= 0 && row < static_cast<int>(m_rowHeights.size())) {
    return m_rowHeights[static_cast<std::size_t>(row)];
  }
  return m_defaultRowHeight;
}

void TCustomGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= m_colCount) RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  if (m_colWidths.empty()) {
    m_colWidths.assign(static_cast<std::size_t>(m_colCount), m_defaultColWidth);
  }
  if (m_colWidths[static_cast<std::size_t>(col)] == width) return;
  m_colWidths[static_cast<std::size_t>(col)] = width;
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetRowHeight(int row, int height) {
  if (row < 0 || row >= m_rowCount) RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  if (m_rowHeights.empty()) {
    m_rowHeights.assign(static_cast<std::size_t>(m_rowCount), m_defaultRowHeight);
  }
  if (m_rowHeights[static_cast<std::size_t>(row)] == height) return;
  m_rowHeights[static_cast<std::size_t>(row)] = height;
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetGridLineWidth(int value) {
  if (value == m_gridLineWidth) return;
  m_gridLineWidth = std::max(value, 0);
  InvalidateGrid();
  UpdateScrollRange();
}

void TCustomGrid::SetOptions(TGridOptions value) {
  if (value & goRowSelect) value &= ~goAlwaysShowEditor;
  if (value == m_options) return;
  m_options = value;
  if (m_options & goRowSelect) m_anchor.X = m_colCount - 1;
  InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
  if (value == m_scrollBars) return;
  m_scrollBars = value;
  RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TGridBorderStyle value) {
  if (value == m_borderStyle) return;
  m_borderStyle = value;
  RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor value) {
  if (value == m_fixedColor) return;
  m_fixedColor = value;
  InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool value) {
  if (value == m_defaultDrawing) return;
  m_defaultDrawing = value;
  InvalidateGrid();
}

// ---- Selection state --------------------------------------------------------------------------
TGridRect TCustomGrid::Selection() const {
  return {std::min(m_current.X, m_anchor.X), std::min(m_current.Y, m_anchor.Y),
          std::max(m_current.X, m_anchor.X), std::max(m_current.Y, m_anchor.Y)};
}

void TCustomGrid::SetTopLeft(int col, int row) {
  if (col < m_fixedCols || col >= m_colCount || row < m_fixedRows || row >= m_rowCount) {
    RaiseGridError(kSGridIndexOutOfRangeId, kSGridIndexOutOfRange);
  }
  MoveTopLeft(col, row);
}

bool TCustomGrid::SelectCell(int col, int row) {
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
  return canSelect;
}

void TCustomGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

bool TCustomGrid::CountsAsFocused() const {
  TFocusHost* host = FocusHost();
  if (host && static_cast<const void*>(host) != static_cast<const void*>(this)) {
    return host->ActiveControl() == this;
  }
  if (!HandleAllocated()) return false;
  HWND focus = GetFocus();
  return focus && (focus == m_handle || IsChild(m_handle, focus));
}

// ---- Invalidation -----------------------------------------------------------------------------
void TCustomGrid::InvalidateCell(int col, int row) { InvalidateCells({col, row, col, row}); }

void TCustomGrid::InvalidateCells(const TGridRect& cells) {
  if (!HandleAllocated()) return;
  RECT r = BoxRect(cells, TCellLines::clWith);
  if (r.left >= r.right || r.top >= r.bottom) return;
  ::InvalidateRect(m_handle, &r, FALSE);
}

void TCustomGrid::InvalidateGrid() { Invalidate(); }

// ---- Window -----------------------------------------------------------------------------------
void TCustomGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (m_scrollBars == TScrollStyle::ssVertical || m_scrollBars == TScrollStyle::ssBoth) {
    params.Style |= WS_VSCROLL;
  }
  if (m_scrollBars == TScrollStyle::ssHorizontal || m_scrollBars == TScrollStyle::ssBoth) {
    params.Style |= WS_HSCROLL;
  }
  // Double clicks arrive as double-click messages; a size change does not repaint everything.
  params.WindowClass.style = CS_DBLCLKS;
  if (m_borderStyle == TGridBorderStyle::bsSingle) {
    if (Ctl3D()) {
      params.Style &= ~WS_BORDER;
      params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

void TCustomGrid::Resized() {
  TCustomControl::Resized();
  UpdateScrollRange();
}

void TCustomGrid::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DialogCode();
      return;
    case WM_TIMER:
      if (message.WParam == 1) {
        TimedScroll();
        return;
      }
      break;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      CancelMode();
      break;
    case WM_SETFOCUS:
      TCustomControl::WndProc(message);
      FocusGained();
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(message);
      FocusLost();
      return;
    case WM_MOUSEWHEEL: {
      // One step per whole wheel notch; finer turns add up until they make one.
      m_wheelAccumulator += GET_WHEEL_DELTA_WPARAM(message.WParam);
      POINT pos = ScreenToClient({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      TShiftState shift = ShiftStateFromKeys(message.WParam & 0xFFFF);
      while (m_wheelAccumulator >= WHEEL_DELTA || m_wheelAccumulator <= -WHEEL_DELTA) {
        int step = m_wheelAccumulator > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
        m_wheelAccumulator -= step;
        bool handled = false;
        MouseWheel(step, shift, pos, handled);
      }
      message.Result = 1;
      return;
    }
    case WM_HSCROLL:
      ModifyScrollBar(SB_HORZ, static_cast<int>(message.WParam & 0xFFFF),
                      static_cast<int>((message.WParam >> 16) & 0xFFFF));
      return;
    case WM_VSCROLL:
      ModifyScrollBar(SB_VERT, static_cast<int>(message.WParam & 0xFFFF),
                      static_cast<int>((message.WParam >> 16) & 0xFFFF));
      return;
    case CM_CTL3DCHANGED:
      TCustomControl::WndProc(message);
      RecreateWnd();
      return;
    case CM_SHOWINGCHANGED:
      TCustomControl::WndProc(message);
      UpdateScrollRange();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

// ---- Window description -----------------------------------------------------------------------
void TCustomGrid::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "ColCount") {
    SetColCount(DescInteger(value));
  } else if (name == "RowCount") {
    SetRowCount(DescInteger(value));
  } else if (name == "FixedCols") {
    SetFixedCols(DescInteger(value));
  } else if (name == "FixedRows") {
    SetFixedRows(DescInteger(value));
  } else if (name == "DefaultColWidth") {
    SetDefaultColWidth(DescInteger(value));
  } else if (name == "DefaultRowHeight") {
    SetDefaultRowHeight(DescInteger(value));
  } else if (name == "GridLineWidth") {
    SetGridLineWidth(DescInteger(value));
  } else if (name == "Options") {
    TGridOptions options = 0;
    for (const std::string& member : DescSet(value)) {
      TGridOptions bit = 0;
      if (!IdentToGridOption(member, &bit)) InvalidPropertyValue();
      options |= bit;
    }
    SetOptions(options);
  } else if (name == "ScrollBars") {
    std::string id = DescIdentifier(value);
    if (id == "ssNone")
      SetScrollBars(TScrollStyle::ssNone);
    else if (id == "ssHorizontal")
      SetScrollBars(TScrollStyle::ssHorizontal);
    else if (id == "ssVertical")
      SetScrollBars(TScrollStyle::ssVertical);
    else if (id == "ssBoth")
      SetScrollBars(TScrollStyle::ssBoth);
    else
      InvalidPropertyValue();
  } else if (name == "BorderStyle") {
    std::string id = DescIdentifier(value);
    if (id == "bsNone")
      SetBorderStyle(TGridBorderStyle::bsNone);
    else if (id == "bsSingle")
      SetBorderStyle(TGridBorderStyle::bsSingle);
    else
      InvalidPropertyValue();
  } else if (name == "FixedColor") {
    TColor color = 0;
    if (value.kind == TDescValue::Kind::Integer) {
      color = static_cast<TColor>(value.integer);
    } else if (!IdentToColor(DescIdentifier(value), &color)) {
      InvalidPropertyValue();
    }
    SetFixedColor(color);
  } else if (name == "DefaultDrawing") {
    SetDefaultDrawing(DescBoolean(value));
  } else if (name == "OnTopLeftChanged") {
    std::string handler = DescIdentifier(value);
    TNotifyEvent event = root ? root->FindMethod(handler) : TNotifyEvent{};
    if (!event) throw TPropertyError{"Invalid property value: no handler " + handler};
    OnTopLeftChanged = event;
  } else {
    TCustomControl::ReadProperty(name, value, root);
  }
}
