// SPDX-License-Identifier: GPL-3.0-or-later
// The grid's layout arithmetic without a window: a grid with no window has a client area equal to
// its bounds, so the chord grid's client area of 961 x 49 (its 965 x 53 less the sunken edge) can
// be laid out directly. Covers the axis layout, hit testing, cell and block rectangles, the
// largest useful top-left cell, the configuration rules and their failure texts.
#include <gtest/gtest.h>

#include <string>

#include "controls/grid/string_grid.h"
#include "core/exceptions.h"

namespace {

// The chord grid as the main window's description configures it, in the description's order,
// with the client area it gets inside its 2-pixel sunken edge.
void ConfigureChordGrid(TStringGrid& grid, int clientWidth = 961, int clientHeight = 49) {
  grid.SetBounds(10, 162, clientWidth, clientHeight);
  grid.SetColCount(13);
  grid.SetDefaultColWidth(73);
  grid.SetFixedCols(0);
  grid.SetRowCount(2);
}

RECT R(int l, int t, int r, int b) { return {l, t, r, b}; }

template <typename E, typename F>
std::string MessageOf(F&& body) {
  try {
    body();
  } catch (const E& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

TEST(GridLayout, DefaultsOfANewGrid) {
  TStringGrid grid(nullptr);
  EXPECT_EQ(grid.ColCount(), 5);
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.DefaultColWidth(), 64);
  EXPECT_EQ(grid.DefaultRowHeight(), 24);
  EXPECT_EQ(grid.GridLineWidth(), 1);
  EXPECT_EQ(grid.Options(), goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect);
  EXPECT_EQ(grid.ScrollBars(), TScrollStyle::ssBoth);
  EXPECT_EQ(grid.BorderStyle(), TGridBorderStyle::bsSingle);
  EXPECT_EQ(grid.Color(), clWindow);
  EXPECT_FALSE(grid.ParentColor());
  EXPECT_EQ(grid.FixedColor(), clBtnFace);
  EXPECT_TRUE(grid.DefaultDrawing());
  EXPECT_TRUE(grid.TabStop());
  EXPECT_EQ(grid.Width(), 320);
  EXPECT_EQ(grid.Height(), 120);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid.TopLeft(), (TGridCoord{1, 1}));
  // The grid raises its click itself; the base must never turn a release into one.
  EXPECT_EQ(grid.ControlStyle() & csClickEvents, 0u);
  EXPECT_NE(grid.ControlStyle() & csCaptureMouse, 0u);
  EXPECT_NE(grid.ControlStyle() & csOpaque, 0u);
  EXPECT_NE(grid.ControlStyle() & csDoubleClicks, 0u);
}

TEST(GridLayout, ChordGridFitsItsClientAreaExactly) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  // Loading leaves the selection on the first chord cell.
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid.TopLeft(), (TGridCoord{0, 1}));

  TGridDrawInfo info;
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.EffectiveLineWidth, 1);
  EXPECT_EQ(info.Horz.FixedBoundary, 0);
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 12);
  EXPECT_EQ(info.Horz.GridBoundary, 962);
  EXPECT_EQ(info.Horz.FullVisBoundary, 962);
  EXPECT_EQ(info.Vert.FixedBoundary, 25);
  EXPECT_EQ(info.Vert.LastFullVisibleCell, 1);
  EXPECT_EQ(info.Vert.GridBoundary, 50);
  EXPECT_EQ(grid.VisibleColCount(), 13);
  EXPECT_EQ(grid.VisibleRowCount(), 1);

  // Column k occupies x = 74k .. 74k + 72; row 0 y = 0 .. 23, row 1 y = 25 .. 48.
  for (int k = 0; k < 13; ++k) {
    EXPECT_EQ(grid.CellRect(k, 0), R(74 * k, 0, 74 * k + 73, 24)) << "column " << k;
    EXPECT_EQ(grid.CellRect(k, 1), R(74 * k, 25, 74 * k + 73, 49)) << "column " << k;
  }
  EXPECT_EQ(grid.CalcMaxTopLeft({12, 1}, info), (TGridCoord{0, 1}));
}

TEST(GridLayout, OnePixelNarrowerLeavesTheLastColumnCutOff) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid, 960, 49);
  TGridDrawInfo info;
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 11);
  EXPECT_EQ(info.Horz.GridBoundary, 960);
  EXPECT_EQ(grid.VisibleColCount(), 12);
  EXPECT_EQ(grid.CalcMaxTopLeft({12, 1}, info), (TGridCoord{1, 1}));
  // The cut-off column still gets a rectangle, ending at the client's edge.
  EXPECT_EQ(grid.CellRect(12, 1), R(888, 25, 960, 49));
}

TEST(GridLayout, HitTestingPutsLinesWithTheCellBefore) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  EXPECT_EQ(grid.MouseCoord(0, 0), (TGridCoord{0, 0}));
  EXPECT_EQ(grid.MouseCoord(72, 23), (TGridCoord{0, 0}));
  EXPECT_EQ(grid.MouseCoord(73, 24), (TGridCoord{0, 0}));  // on both lines
  EXPECT_EQ(grid.MouseCoord(74, 25), (TGridCoord{1, 1}));
  EXPECT_EQ(grid.MouseCoord(3 * 74 + 10, 30), (TGridCoord{3, 1}));
  EXPECT_EQ(grid.MouseCoord(960, 48), (TGridCoord{12, 1}));
  EXPECT_EQ(grid.MouseCoord(961, 49), (TGridCoord{12, 1}));  // the trailing lines, outside
  EXPECT_EQ(grid.MouseCoord(962, 50), (TGridCoord{-1, -1}));
  // Left of the first column there is no column; above the header the walk of the fixed rows
  // still finds row 0.
  EXPECT_EQ(grid.MouseCoord(-1, -1), (TGridCoord{-1, 0}));
}

TEST(GridLayout, BlockRectanglesWithAndWithoutTheirLines) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  EXPECT_EQ(grid.BoxRect({3, 1, 3, 1}, TCellLines::clWith), R(222, 25, 296, 50));
  EXPECT_EQ(grid.BoxRect({2, 1, 5, 1}, TCellLines::clWithout), R(148, 25, 443, 49));
  EXPECT_EQ(grid.BoxRect({0, 0, 12, 1}, TCellLines::clWith), R(0, 0, 962, 50));
  // Reversed blocks and blocks wholly past the visible cells are empty.
  EXPECT_EQ(grid.BoxRect({5, 1, 4, 1}, TCellLines::clWith), R(0, 0, 0, 0));
  EXPECT_EQ(grid.BoxRect({14, 1, 14, 1}, TCellLines::clWith), R(0, 0, 0, 0));
  EXPECT_EQ(grid.BoxRect({0, 3, 0, 3}, TCellLines::clWith), R(0, 0, 0, 0));
}

TEST(GridLayout, ScrolledGridHidesColumnsBeforeTheTopLeft) {
  TStringGrid grid(nullptr);
  grid.SetBounds(0, 0, 200, 100);  // 5 x 5 cells of 64 x 24 with one fixed column and row
  TGridDrawInfo info;
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.FixedBoundary, 65);
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 2);  // 65 + 65 + 65 = 195 <= 201
  EXPECT_EQ(grid.CalcMaxTopLeft({4, 4}, info), (TGridCoord{3, 2}));
  grid.SetTopLeft(3, 2);
  EXPECT_EQ(grid.TopLeft(), (TGridCoord{3, 2}));
  EXPECT_EQ(grid.CellRect(3, 2), R(65, 25, 129, 49));
  EXPECT_EQ(grid.CellRect(1, 1), R(0, 0, 0, 0));     // scrolled away
  EXPECT_EQ(grid.CellRect(0, 2), R(0, 25, 64, 49));  // the fixed column stays
  // A block that starts before the top-left column starts at it.
  EXPECT_EQ(grid.BoxRect({1, 2, 3, 2}, TCellLines::clWithout), R(65, 25, 129, 49));
  EXPECT_EQ(grid.MouseCoord(70, 30), (TGridCoord{3, 2}));
  EXPECT_EQ(grid.MouseCoord(10, 30), (TGridCoord{0, 2}));
  EXPECT_THROW(grid.SetTopLeft(0, 2), EInvalidGridOperation);
}

TEST(GridLayout, WiderLinesAndHiddenLines) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  grid.SetGridLineWidth(3);
  TGridDrawInfo info;
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Vert.FixedBoundary, 27);
  // The chord row no longer fits below the thicker header line: it is cut at the client's edge.
  EXPECT_EQ(grid.CellRect(1, 1), R(76, 27, 149, 49));
  // Without any line options an axis has no line width at all.
  grid.SetOptions(goRangeSelect);
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.EffectiveLineWidth, 0);
  EXPECT_EQ(info.Vert.FixedBoundary, 24);
  EXPECT_EQ(grid.CellRect(1, 1), R(73, 24, 146, 48));
}

TEST(GridLayout, AHugeGridOfCellsWithoutSizeAnswersAtOnce) {
  // Two thousand million columns of no width and no vertical lines: every walk over the columns
  // would take seconds. The answers are those of the cell-by-cell rules.
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  grid.SetOptions(goFixedHorzLine | goHorzLine | goRangeSelect);
  grid.SetColCount(2000000000);
  grid.SetDefaultColWidth(0);
  TGridDrawInfo info;
  grid.CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.EffectiveLineWidth, 0);
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 1999999999);
  EXPECT_EQ(grid.VisibleColCount(), 2000000000);
  EXPECT_EQ(grid.MouseCoord(5, 30), (TGridCoord{-1, 1}));
  EXPECT_EQ(grid.CalcMaxTopLeft({1999999999, 1}, info), (TGridCoord{1999999999, 1}));
  EXPECT_EQ(grid.CellRect(1999999999, 1), R(0, 25, 0, 49));
  grid.FocusCell(1999999999, 1, TAnchorMove::amMove);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{1999999999, 1}));
  // Negative sizes are no better: still no hang.
  grid.SetDefaultColWidth(-5);
  EXPECT_EQ(grid.VisibleColCount(), 2000000000);
  EXPECT_EQ(grid.MouseCoord(5, 30).X, -1);
}

TEST(GridConfiguration, FixedCountsAreCheckedAndKeptOnError) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.SetFixedCols(-1); }), "Grid index out of range");
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.SetFixedCols(13); }),
            "Fixed column count must be less than column count");
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.SetFixedRows(2); }),
            "Fixed row count must be less than row count");
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.SetFixedRows(-3); }), "Grid index out of range");
  EXPECT_EQ(grid.FixedCols(), 0);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{0, 1}));
}

TEST(GridConfiguration, CountsBelowOneBecomeOneAndLowerTheFixedCounts) {
  TStringGrid grid(nullptr);
  grid.SetColCount(0);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.FixedCols(), 0);
  grid.SetRowCount(-4);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{0, 0}));
}

TEST(GridConfiguration, ShrinkingPullsTheCurrentCellInAndTheAnchorAlong) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  grid.MoveCurrent(10, 1, TAnchorMove::amMove, TShowCell::scNo);
  grid.MoveAnchor({4, 1});
  EXPECT_EQ(grid.Selection(), (TGridRect{4, 1, 10, 1}));
  grid.SetColCount(8);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{7, 1}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{7, 1}));
  // Setting the fixed rows again puts top-left, current cell and anchor on the first cell.
  grid.SetRowCount(4);
  grid.SetFixedRows(2);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{0, 2}));
  EXPECT_EQ(grid.TopLeft(), (TGridCoord{0, 2}));
}

// A grid whose layers above refuse some sizes, as one that cannot make room for its rows would.
class TRefusingGrid : public TStringGrid {
 public:
  TRefusingGrid() : TStringGrid(nullptr) {}
  int refuseAbove = 1000;

 protected:
  void SizeChanged(int oldColCount, int oldRowCount) override {
    TStringGrid::SizeChanged(oldColCount, oldRowCount);
    if (ColCount() > refuseAbove) throw EOutOfMemory("no room for the columns");
  }
};

TEST(GridConfiguration, AFailedResizeLeavesTheOldCounts) {
  TRefusingGrid grid;
  ConfigureChordGrid(grid);
  grid.SetColWidth(12, 40);
  grid.refuseAbove = 20;
  EXPECT_EQ(MessageOf<EOutOfMemory>([&] { grid.SetColCount(30); }), "no room for the columns");
  EXPECT_EQ(grid.ColCount(), 13);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.ColWidth(12), 40);
  EXPECT_EQ(grid.VisibleColCount(), 13);
  // A shrink that lowered the fixed count is undone as a whole too.
  grid.SetFixedCols(5);
  grid.refuseAbove = 0;
  EXPECT_THROW(grid.SetColCount(3), EOutOfMemory);
  EXPECT_EQ(grid.ColCount(), 13);
  EXPECT_EQ(grid.FixedCols(), 5);
  grid.refuseAbove = 1000;
  grid.SetColCount(3);
  EXPECT_EQ(grid.FixedCols(), 2);
  EXPECT_EQ(grid.ColWidth(2), 73);
}

TEST(GridConfiguration, MovesOutsideTheGridAreRefused) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  grid.MoveCurrent(3, 1, TAnchorMove::amMove, TShowCell::scNo);
  for (TGridCoord bad : {TGridCoord{13, 1}, TGridCoord{0, 2}, TGridCoord{-1, 1}, TGridCoord{0, -1}}) {
    EXPECT_EQ(MessageOf<EInvalidGridOperation>(
                  [&] { grid.MoveCurrent(bad.X, bad.Y, TAnchorMove::amMove, TShowCell::scYes); }),
              "Grid index out of range");
  }
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{3, 1}));
  EXPECT_EQ(grid.Selection(), (TGridRect{3, 1, 3, 1}));
}

TEST(GridConfiguration, SelectCellEventCanRefuseAMove) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  int clicks = 0;
  grid.OnClick = [&](TComponent*) { ++clicks; };
  grid.OnSelectCell = [](TComponent*, int col, int, bool& canSelect) { canSelect = col != 5; };
  grid.FocusCell(4, 1, TAnchorMove::amMove);
  grid.FocusCell(5, 1, TAnchorMove::amMove);
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{4, 1}));
  // The click event follows a focus move whether or not the cell was accepted.
  EXPECT_EQ(clicks, 2);
}

TEST(GridConfiguration, RangeSelectDecidesWhetherTheAnchorStays) {
  TStringGrid grid(nullptr);
  ConfigureChordGrid(grid);
  grid.MoveCurrent(2, 1, TAnchorMove::amMove, TShowCell::scNo);
  grid.MoveCurrent(5, 1, TAnchorMove::amKeep, TShowCell::scNo);
  EXPECT_EQ(grid.Selection(), (TGridRect{2, 1, 5, 1}));
  grid.SetOptions(grid.Options() & ~goRangeSelect);
  grid.MoveCurrent(6, 1, TAnchorMove::amKeep, TShowCell::scNo);
  EXPECT_EQ(grid.Selection(), (TGridRect{6, 1, 6, 1}));
  // Without range selection, moving the anchor moves the current cell.
  grid.MoveAnchor({8, 1});
  EXPECT_EQ(grid.CurrentCell(), (TGridCoord{8, 1}));
  EXPECT_EQ(grid.Selection(), (TGridRect{8, 1, 8, 1}));
}

}  // namespace
