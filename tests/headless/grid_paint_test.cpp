// SPDX-License-Identifier: GPL-3.0-or-later
// What the chord grid shows, read from the headless display at exact pixels: its window and
// border, the grid lines, the header cells' raised edges, the white chord cells, the texts, the
// focus rectangle and the highlight, what one cell write repaints, and the scroll bars.
#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "headless/grid_test_window.h"

using namespace gridtest;

namespace {

class GridPaint : public GridWindowTest {};

TEST_F(GridPaint, WindowWithSunkenEdgeAndExactFit) {
  Show();
  HWND h = grid->Handle();
  LONG style = GetWindowLong(h, GWL_STYLE);
  LONG exStyle = GetWindowLong(h, GWL_EXSTYLE);
  EXPECT_TRUE(style & static_cast<LONG>(WS_TABSTOP));
  EXPECT_TRUE(style & static_cast<LONG>(WS_HSCROLL));
  EXPECT_TRUE(style & static_cast<LONG>(WS_VSCROLL));
  EXPECT_FALSE(style & static_cast<LONG>(WS_BORDER));
  EXPECT_TRUE(exStyle & static_cast<LONG>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(GetClassLong(h, GCL_STYLE), CS_DBLCLKS);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

  EXPECT_EQ(grid->ClientRect(), (RECT{0, 0, 961, 49}));
  EXPECT_EQ(grid->VisibleColCount(), 13);
  EXPECT_EQ(grid->VisibleRowCount(), 1);
  // Both bars are hidden: their ranges are empty.
  int lo = -1, hi = -1;
  GetScrollRange(h, SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, hi);
  GetScrollRange(h, SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, hi);
  // The grid is the form's first control in the tab order: the active control from the start.
  EXPECT_EQ(form->ActiveControl(), grid);
  EXPECT_TRUE(grid->CountsAsFocused());
}

TEST_F(GridPaint, WithoutTheThreeDLookTheBorderIsASingleLine) {
  grid->SetCtl3D(false);
  Show();
  HWND h = grid->Handle();
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & static_cast<LONG>(WS_BORDER));
  EXPECT_FALSE(GetWindowLong(h, GWL_EXSTYLE) & static_cast<LONG>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(grid->ClientRect(), (RECT{0, 0, 963, 51}));
  // Changing it back recreates the window with the sunken edge.
  grid->SetCtl3D(true);
  Pump();
  EXPECT_TRUE(GetWindowLong(grid->Handle(), GWL_EXSTYLE) & static_cast<LONG>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(grid->ClientRect(), (RECT{0, 0, 961, 49}));
}

TEST_F(GridPaint, GridLinesAtTheirExactPlaces) {
  Show();
  for (int k = 0; k <= 11; ++k) {
    int x = 73 + 74 * k;
    for (int y : {0, 10, 23, 24}) EXPECT_EQ(GridPixel(x, y), kBlack) << "header line x=" << x << " y=" << y;
    for (int y : {25, 36, 48}) EXPECT_EQ(GridPixel(x, y), kSilver) << "chord line x=" << x << " y=" << y;
  }
  for (int x : {0, 74, 300, 959, 960}) EXPECT_EQ(GridPixel(x, 24), kBlack) << "x=" << x;
  // No line at x = 961 or y = 49: those pixels belong to the sunken edge, not to the grid.
  for (int y : {5, 24, 30, 48}) {
    EXPECT_NE(GridPixel(961, y), kBlack) << y;
    EXPECT_NE(GridPixel(961, y), kSilver) << y;
  }
  for (int x : {10, 73, 500}) {
    EXPECT_NE(GridPixel(x, 49), kSilver) << x;
    EXPECT_NE(GridPixel(x, 49), kBlack) << x;
  }
  // The edge itself is the same on every row: nothing of the grid reaches it.
  EXPECT_EQ(GridPixel(961, 5), GridPixel(961, 30));
  EXPECT_EQ(GridPixel(10, 49), GridPixel(500, 49));
}

TEST_F(GridPaint, HeaderCellsAreRaisedAndChordCellsWhite) {
  Show();
  // Header cell (1, 0), empty, spans x 74..146 and y 0..23.
  EXPECT_EQ(GridPixel(74, 12), kWhite);    // light edge left
  EXPECT_EQ(GridPixel(110, 0), kWhite);    // and top
  EXPECT_EQ(GridPixel(146, 12), kShadow);  // shadow edge right
  EXPECT_EQ(GridPixel(110, 23), kShadow);  // and bottom
  EXPECT_EQ(CountOf({75, 1, 146, 23}, kButtonFace), 71 * 22);
  // Every empty header column looks the same.
  for (int col : {3, 6, 8, 10}) {
    int left = 74 * col;
    EXPECT_EQ(GridPixel(left, 12), kWhite) << col;
    EXPECT_EQ(GridPixel(left + 72, 12), kShadow) << col;
    EXPECT_EQ(CountOf({left + 1, 1, left + 72, 23}, kButtonFace), 71 * 22) << col;
  }
  // The chord cells other than the current one are white, edge to edge.
  for (int col = 1; col < 13; ++col) {
    EXPECT_EQ(CountOf({74 * col, 25, 74 * col + 73, 49}, kWhite), 73 * 24) << col;
  }
}

TEST_F(GridPaint, HeaderTextsStartTwoPixelsInAndAreCutAtTheCellsEdge) {
  Show();
  // "Tônica" in cell (0, 0): dark glyph pixels start at x >= 2, y >= 2.
  EXPECT_EQ(DarkPixels({1, 1, 2, 23}), 0);
  EXPECT_EQ(DarkPixels({1, 1, 72, 2}), 0);
  EXPECT_GT(DarkPixels({2, 2, 72, 23}), 20);
  EXPECT_GT(DarkPixels({2, 2, 5, 23}), 0);  // "T" starts at once
  // Columns 1, 3, 6, 8 and 10 stay empty.
  EXPECT_EQ(DarkPixels({75, 1, 146, 23}), 0);

  // A text wider than its cell stops at the cell's right edge; the next cell stays untouched.
  grid->SetCellText(3, 1, "WWWWWWWWWWWWWWWWWWWWWWWW");
  Pump();
  EXPECT_GT(DarkPixels({222 + 60, 25, 222 + 73, 49}), 0);
  EXPECT_EQ(DarkPixels({222, 25, 224, 49}), 0);
  EXPECT_EQ(GridPixel(295, 36), kSilver);
  EXPECT_EQ(CountOf({296, 25, 369, 49}, kWhite), 73 * 24);
  // The chord text sits two pixels below the cell's top.
  EXPECT_EQ(DarkPixels({222, 25, 295, 27}), 0);
  EXPECT_GT(DarkPixels({222, 27, 295, 35}), 0);
}

TEST_F(GridPaint, FocusRectangleWhileActiveHighlightOtherwise) {
  Show();
  // The current cell (0, 1): window colour with a dotted rectangle drawn by inversion.
  RECT top{0, 25, 73, 26};
  int dots = DarkPixels(top);
  EXPECT_GE(dots, 30);
  EXPECT_LE(dots, 40);
  EXPECT_EQ(CountOf({2, 27, 71, 47}, kWhite), 69 * 20);

  // Tab moves the focus on: the cell now shows the highlight colour, without dots.
  Key(headless::keys::kTab);
  EXPECT_EQ(form->ActiveControl(), other);
  EXPECT_FALSE(grid->CountsAsFocused());
  EXPECT_EQ(CountOf({0, 25, 73, 49}, kHighlight), 73 * 24);

  // Back to the grid: focused look again.
  headless::KeyDown(headless::keys::kShiftL);
  headless::PressKey(headless::keys::kTab);
  headless::KeyUp(headless::keys::kShiftL);
  Pump();
  EXPECT_EQ(form->ActiveControl(), grid);
  EXPECT_EQ(DarkPixels(top), dots);
  EXPECT_EQ(CountOf({0, 25, 73, 49}, kHighlight), 0);
}

TEST_F(GridPaint, SelectedTextIsDrawnInTheHighlightTextColour) {
  grid->SetCellText(1, 1, "Lá Menor"_cp.str());
  grid->SetCellText(2, 1, "Si Menor");
  Show();
  grid->MoveCurrent(0, 1, TAnchorMove::amMove, TShowCell::scNo);
  grid->MoveAnchor({2, 1});
  Pump();
  // Cells 1 and 2 are selected but not current: the highlight colour with light text. Every
  // pixel lies between the highlight colour and white; none is darker than the background.
  RECT cell2{148, 25, 221, 49};
  int light = 0;
  for (std::uint32_t p : GridPixels(cell2)) {
    EXPECT_GE((p >> 16) & 0xFF, 0x0Au);
    EXPECT_GE((p >> 8) & 0xFF, 0x24u);
    EXPECT_GE(p & 0xFF, 0x6Au);
    if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 3 * 160) ++light;
  }
  EXPECT_GT(light, 10);  // the text
  EXPECT_GT(CountOf(cell2, kHighlight), 73 * 24 / 2);
}

TEST_F(GridPaint, ACellWriteInvalidatesThatCellAndItsTrailingLinesOnly) {
  Show();
  HWND h = grid->Handle();
  RECT none{};
  EXPECT_FALSE(GetUpdateRect(h, &none, FALSE));
  grid->SetCellText(3, 1, "Dó Maior"_cp.str());
  RECT update{};
  ASSERT_TRUE(GetUpdateRect(h, &update, FALSE));
  // The cell with its right and bottom lines; the bottom line lies outside the client area.
  EXPECT_EQ(update, (RECT{222, 25, 296, 49}));
  Pump();
  EXPECT_GT(DarkPixels({224, 27, 295, 45}), 10);
  // Writing the empty text paints the cell empty again.
  grid->SetCellText(3, 1, "");
  Pump();
  EXPECT_EQ(CountOf({222, 25, 295, 49}, kWhite), 73 * 24);
  // A write outside the grid is stored but changes nothing on the screen.
  auto before = GridPixels({0, 0, 961, 49});
  grid->SetCellText(13, 1, "fora");
  grid->SetCellText(2, 2, "abaixo");
  Pump();
  EXPECT_EQ(GridPixels({0, 0, 961, 49}), before);
  EXPECT_EQ(grid->CellText(13, 1), "fora");
}

TEST_F(GridPaint, AViewUpdateRepaintsOnceAtItsEnd) {
  Show();
  HWND h = grid->Handle();
  TStrings& chords = grid->Rows(1);
  chords.BeginUpdate();
  chords.Put(0, "Dó Maior"_cp.str());
  chords.Put(2, "Ré Menor"_cp.str());
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(h, &update, FALSE));
  chords.EndUpdate();
  ASSERT_TRUE(GetUpdateRect(h, &update, FALSE));
  EXPECT_EQ(update, (RECT{0, 0, 961, 49}));
  Pump();
  EXPECT_GT(DarkPixels({150, 27, 221, 45}), 10);
}

TEST_F(GridPaint, AHugeGridOfCellsWithoutWidthPaintsAtOnce) {
  Show();
  grid->SetOptions(goFixedHorzLine | goHorzLine | goRangeSelect);
  grid->SetColCount(2000000000);
  grid->SetDefaultColWidth(0);
  Pump();
  // No column takes room: what the cells leave uncovered is filled with the grid's colour. The
  // last column is never fully visible, so the horizontal scroll bar shows.
  RECT client = grid->ClientRect();
  EXPECT_EQ(client.bottom, 49 - GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(CountOf(client, kWhite), client.right * client.bottom);
  Key(headless::keys::kEnd);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{1999999999, 1}));
}

TEST_F(GridPaint, OnePixelNarrowerShowsTheHorizontalScrollBar) {
  grid->SetBounds(8, 160, 964, 53);  // client width 960
  Show();
  HWND h = grid->Handle();
  int lo = -1, hi = -1;
  GetScrollRange(h, SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 127);
  GetScrollRange(h, SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, hi);
  EXPECT_EQ(GetScrollPos(h, SB_HORZ), 0);
  // The bar covers part of the chord row.
  EXPECT_EQ(grid->ClientRect(), (RECT{0, 0, 960, 49 - GetSystemMetrics(SM_CYHSCROLL)}));

  // Scrolling to the end shows the last column fully, with the bar at its end.
  SendMessage(h, WM_HSCROLL, SB_BOTTOM, 0);
  Pump();
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(GetScrollPos(h, SB_HORZ), 127);
  EXPECT_EQ(grid->CellRect(12, 0).right, 887);
  // Widening the grid again hides the bar and brings column 0 back.
  grid->SetBounds(8, 160, 965, 53);
  Pump();
  GetScrollRange(h, SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, hi);
  EXPECT_EQ(grid->LeftCol(), 0);
  EXPECT_EQ(grid->ClientRect(), (RECT{0, 0, 961, 49}));
}

}  // namespace
