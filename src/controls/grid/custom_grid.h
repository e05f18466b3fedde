// SPDX-License-Identifier: GPL-3.0-or-later
// TCustomGrid: the table control under the chord grid. It owns the geometry (an axis layout
// recomputed on every use, hit testing, cell and block rectangles, the largest useful top-left
// cell, the scroll bars), the painting of lines, cells, header edges, highlight and focus
// rectangle, and the selection with its mouse and keyboard input. What a cell shows is left to
// the layers above (DrawCell).
//
// The code is split by concern: custom_grid.cpp (configuration, window, state),
// grid_geometry.cpp (layout arithmetic and scrolling), grid_paint.cpp (painting),
// grid_input.cpp (selection, mouse, keys, timer, focus).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/win_control.h"

// ---- Options ----------------------------------------------------------------------------------
// A set of grid options, one bit each, in the order the window description names them.
using TGridOptions = unsigned;
inline constexpr TGridOptions goFixedVertLine = 1u << 0;
inline constexpr TGridOptions goFixedHorzLine = 1u << 1;
inline constexpr TGridOptions goVertLine = 1u << 2;
inline constexpr TGridOptions goHorzLine = 1u << 3;
inline constexpr TGridOptions goRangeSelect = 1u << 4;
inline constexpr TGridOptions goDrawFocusSelected = 1u << 5;
inline constexpr TGridOptions goRowSizing = 1u << 6;
inline constexpr TGridOptions goColSizing = 1u << 7;
inline constexpr TGridOptions goRowMoving = 1u << 8;
inline constexpr TGridOptions goColMoving = 1u << 9;
inline constexpr TGridOptions goEditing = 1u << 10;
inline constexpr TGridOptions goTabs = 1u << 11;
inline constexpr TGridOptions goRowSelect = 1u << 12;
inline constexpr TGridOptions goAlwaysShowEditor = 1u << 13;
inline constexpr TGridOptions goThumbTracking = 1u << 14;
inline constexpr TGridOptions kDefaultGridOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

// The option's bit from its identifier ("goRangeSelect"); false when unknown.
bool IdentToGridOption(const std::string& ident, TGridOptions* option);

// Draw state of one cell.
using TGridDrawState = unsigned;
inline constexpr TGridDrawState gdSelected = 0x1;
inline constexpr TGridDrawState gdFocused = 0x2;
inline constexpr TGridDrawState gdFixed = 0x4;

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TGridBorderStyle { bsNone, bsSingle };
enum class TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
// Whether a move of the current cell also moves the anchor (a plain move) or keeps it (Shift).
enum class TAnchorMove { amKeep, amMove };
// Whether a move of the current cell scrolls it into view.
enum class TShowCell { scNo, scYes };
// Whether a rectangle of cells includes the lines after its last column and row.
enum class TCellLines { clWithout, clWith };
// The axis of a layout: columns are laid out horizontally, rows vertically.
enum class TGridAxis { gaColumns, gaRows };

struct TGridCoord {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// Columns Left..Right, rows Top..Bottom, inclusive.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// Layout of one axis (columns or rows) for a client extent; see CalcAxis.
struct TGridAxisDrawInfo {
  int EffectiveLineWidth = 0;
  int FixedBoundary = 0;
  int GridBoundary = 0;
  int GridExtent = 0;
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;
  int FixedCellCount = 0;
  int FirstGridCell = 0;
  int GridCellCount = 0;
  int DefaultExtent = 0;
  const std::vector<int>* Extents = nullptr;  // per-cell table, or nullptr

  // Cells all of one size: no table. With a size and line width that add up to nothing or less,
  // the cells take no room and the walks below have shortcuts, so that a huge count with such
  // sizes cannot keep the grid busy.
  bool Uniform() const { return Extents == nullptr; }
  int Step() const { return DefaultExtent + EffectiveLineWidth; }
  bool Degenerate() const { return Uniform() && Step() <= 0; }

  // The width or height of cell i: its table entry if there is one, else the default.
  int Extent(int i) const {
    if (Extents && i >= 0 && i < static_cast<int>(Extents->size()) && i < GridCellCount) {
      return (*Extents)[static_cast<std::size_t>(i)];
    }
    return DefaultExtent;
  }
};

struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

using TSelectCellEvent = std::function<void(TComponent* sender, int col, int row, bool& canSelect)>;
using TMouseWheelUpDownEvent =
    std::function<void(TComponent* sender, TShiftState shift, POINT mousePos, bool& handled)>;

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* owner);
  ~TCustomGrid() override;
  const char* ClassName() const override { return "TCustomGrid"; }

  // ---- Configuration ----
  int ColCount() const { return m_colCount; }
  void SetColCount(int value);
  int RowCount() const { return m_rowCount; }
  void SetRowCount(int value);
  int FixedCols() const { return m_fixedCols; }
  void SetFixedCols(int value);
  int FixedRows() const { return m_fixedRows; }
  void SetFixedRows(int value);
  int DefaultColWidth() const { return m_defaultColWidth; }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return m_defaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);
  int RowHeight(int row) const;
  void SetRowHeight(int row, int height);
  int GridLineWidth() const { return m_gridLineWidth; }
  void SetGridLineWidth(int value);
  TGridOptions Options() const { return m_options; }
  void SetOptions(TGridOptions value);
  TScrollStyle ScrollBars() const { return m_scrollBars; }
  void SetScrollBars(TScrollStyle value);
  TGridBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TGridBorderStyle value);
  TColor FixedColor() const { return m_fixedColor; }
  void SetFixedColor(TColor value);
  bool DefaultDrawing() const { return m_defaultDrawing; }
  void SetDefaultDrawing(bool value);

  // ---- Selection ----
  int Col() const { return m_current.X; }
  int Row() const { return m_current.Y; }
  void SetCol(int col) { FocusCell(col, m_current.Y, TAnchorMove::amMove); }
  void SetRow(int row) { FocusCell(m_current.X, row, TAnchorMove::amMove); }
  TGridCoord CurrentCell() const { return m_current; }
  TGridCoord Anchor() const { return m_anchor; }
  TGridRect Selection() const;
  int LeftCol() const { return m_topLeft.X; }
  int TopRow() const { return m_topLeft.Y; }
  TGridCoord TopLeft() const { return m_topLeft; }
  void SetTopLeft(int col, int row);
  TGridState State() const { return m_gridState; }
  bool EditorMode() const { return m_editorMode; }
  void SetEditorMode(bool value) { m_editorMode = value; }

  // ---- Geometry ----
  int VisibleColCount() const;
  int VisibleRowCount() const;
  // The cell's rectangle in client pixels, without its lines; empty when not shown.
  RECT CellRect(int col, int row) const;
  // The cell under a client point; -1 on an axis where the point lies past the last cell.
  TGridCoord MouseCoord(int x, int y) const;
  // Both axes laid out for the current client area (or for the given extents).
  void CalcDrawInfo(TGridDrawInfo& info) const;
  void CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) const;
  // The smallest top-left cell at which `last` is still fully visible, per axis.
  TGridCoord CalcMaxTopLeft(TGridCoord last, const TGridDrawInfo& info) const;
  // The screen rectangle of a block of cells, with or without its trailing lines.
  RECT BoxRect(const TGridRect& cells, TCellLines lines) const;

  // Whether the grid paints itself as focused: it is its form's active control, or, without a
  // form, the focus window is the grid or lies inside it.
  bool CountsAsFocused() const;

  // ---- What a screen reader is told (grid_accessible.cpp) ----
  // A cell's part of the grid's window (numbered 1 + its row-major index); a null window for a
  // cell outside the grid or while the grid has no window.
  a11y::ObjectRef CellRef(int col, int row) const;
  // The text a cell shows; a drawn grid's cells have none the grid knows.
  virtual std::string CellDisplayText(int col, int row) const {
    (void)col;
    (void)row;
    return {};
  }

  // ---- Events besides OnClick (all optional) ----
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;

  void WndProc(TMessage& message) override;
  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;

  // ---- Operations of the selection (grid_input.cpp) ----
  void MoveCurrent(int col, int row, TAnchorMove anchor, TShowCell show);
  void MoveAnchor(TGridCoord cell);
  void FocusCell(int col, int row, TAnchorMove anchor);

 protected:
  // ---- Hooks for the layers above ----
  virtual void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) = 0;
  virtual bool SelectCell(int col, int row);
  virtual void SizeChanged(int oldColCount, int oldRowCount) {
    (void)oldColCount;
    (void)oldRowCount;
  }
  virtual void TopLeftChanged();
  // The in-place editor is never built here; these keep the points where it would be kept in step.
  virtual void UpdateEditor() {}
  virtual void HideEditor() {}

  void CreateParams(TCreateParams& params) override;
  std::unique_ptr<a11y::Provider> CreateAccessible() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  // Load-time scaling: the bounds as for every control, and the cell sizes with them.
  void ChangeScale(int m, int d) override;
  SIZE CellArea();
  void KeyPress(char& key) override;
  void Resized() override;

  // Invalidation of cells: each with its trailing lines, never erasing.
  void InvalidateCell(int col, int row);
  void InvalidateCells(const TGridRect& cells);
  void InvalidateGrid();
  void InvalidateEditor() {}

 private:
  // Where a key moves the current cell and the top-left cell in view, and how the selection's
  // anchor follows.
  struct TKeyMove {
    TGridCoord current;
    TGridCoord topLeft;
    TAnchorMove anchor;
  };
  void CtrlKeyMove(WORD key, const TGridDrawInfo& info, TKeyMove& move) const;
  void PlainKeyMove(WORD key, TShiftState shift, const TGridDrawInfo& info, TKeyMove& move);
  friend class TGridTestAccess;

  // geometry
  void CalcAxis(TGridAxisDrawInfo& axis, int extent) const;
  void FillAxis(TGridAxisDrawInfo& axis, TGridAxis kind, int extent) const;
  int LinePos(const TGridAxisDrawInfo& axis, int line) const;
  TGridCoord CalcCoordFromPoint(int x, int y, const TGridDrawInfo& info) const;
  void UpdateScrollRange();
  void UpdateScrollPos();
  void ModifyScrollBar(int bar, int scrollCode, int pos);
  void MoveTopLeft(int col, int row);
  void ClampInView(TGridCoord cell);
  bool ScrollBarVisible(int bar) const;

  // Tells a reader that the current cell moved (grid_accessible.cpp).
  void TellCurrentCellMoved() const;

  // state
  void ChangeSize(int newColCount, int newRowCount);
  void InitializeSelection();
  void InvalidateSelection(const TGridRect& oldSel);
  void TimedScroll();
  void CancelMode();
  void FocusGained();
  void FocusLost();
  void MouseWheel(int delta, TShiftState shift, POINT pos, bool& handled);
  LRESULT DialogCode() const;
  bool AllowScrollBar(int bar) const;

  // painting
  struct TLineBuffers;
  void DrawLines(TLineBuffers& buffers, const TGridDrawInfo& info, int x0, int y0, int x1, int y1,
                 int firstCol, int firstRow, TGridOptions vertOption, TGridOptions horzOption, TColor onColor,
                 TColor offColor);
  void DrawLineSet(TLineBuffers& buffers, const TGridAxisDrawInfo& axis, int startBound, int endBound,
                   int crossStart, int crossEnd, int firstCell, TGridAxis kind, TColor color);
  void DrawCells(const TGridDrawInfo& info, const RECT& clip, bool focused, int firstCol, int firstRow,
                 int startX, int startY, int stopX, int stopY, TColor color, TGridDrawState base);

  int m_colCount = 5;
  int m_rowCount = 5;
  int m_fixedCols = 1;
  int m_fixedRows = 1;
  int m_defaultColWidth = 64;
  int m_defaultRowHeight = 24;
  int m_gridLineWidth = 1;
  std::vector<int> m_colWidths;  // empty: every column has the default width
  std::vector<int> m_rowHeights;
  TGridOptions m_options = kDefaultGridOptions;
  TScrollStyle m_scrollBars = TScrollStyle::ssBoth;
  TGridBorderStyle m_borderStyle = TGridBorderStyle::bsSingle;
  TColor m_fixedColor = clBtnFace;
  bool m_defaultDrawing = true;

  TGridCoord m_current{1, 1};
  TGridCoord m_anchor{1, 1};
  TGridCoord m_topLeft{1, 1};
  TGridState m_gridState = TGridState::gsNormal;
  bool m_editorMode = false;
  int m_colOffset = 0;         // pixel scrolling of a grid with a single column
  int m_wheelAccumulator = 0;  // wheel turns short of a whole step, kept for the next turn
};
