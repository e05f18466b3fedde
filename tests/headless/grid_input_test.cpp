// SPDX-License-Identifier: GPL-3.0-or-later
// The chord grid driven as the user drives it, with injected mouse and keyboard input on the
// headless display: which cell becomes current, where the anchor goes, and exactly when the
// click event (and with it the header toggle) happens.
#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "core/exceptions.h"
#include "headless/grid_test_window.h"

using namespace gridtest;
namespace keys = headless::keys;

namespace {

class GridInput : public GridWindowTest {
 protected:
  void SetUp() override {
    GridWindowTest::SetUp();
    Show();
  }
  int Clicks() const { return static_cast<int>(clickSenders.size()); }
  bool ShowsNumerals() const { return grid->CellText(0, 0) == "I"; }
};

TEST_F(GridInput, AClickOnAWhiteCellSelectsItAndTogglesOnceOnRelease) {
  POINT p = CellScreen(3, 1);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{3, 1}));
  EXPECT_EQ(grid->State(), TGridState::gsSelecting);
  EXPECT_EQ(Clicks(), 0);  // not yet: the release raises it
  headless::MouseUp();
  Pump();
  EXPECT_EQ(grid->State(), TGridState::gsNormal);
  EXPECT_EQ(grid->Selection(), (TGridRect{3, 1, 3, 1}));
  ASSERT_EQ(Clicks(), 1);
  EXPECT_EQ(clickSenders[0], grid);
  EXPECT_TRUE(ShowsNumerals());
  EXPECT_EQ(grid->CellText(11, 0), "vii°"_cp.str());

  // The cell already current toggles just the same.
  ClickCell(3, 1);
  EXPECT_EQ(Clicks(), 2);
  EXPECT_EQ(grid->CellText(0, 0), "Tônica"_cp.str());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{3, 1}));
}

TEST_F(GridInput, TheHeaderRowRepaintsWithEachToggle) {
  RECT cell0{2, 2, 72, 23};
  std::vector<std::uint32_t> names = GridPixels(cell0);
  ClickCell(3, 1);
  std::vector<std::uint32_t> numerals = GridPixels(cell0);
  EXPECT_NE(numerals, names);
  EXPECT_LT(DarkPixels(cell0), 30);  // "I" is much smaller than "Tônica"
  ClickCell(3, 1);
  EXPECT_EQ(GridPixels(cell0), names);
  // The focus rectangle followed the current cell to (3, 1).
  EXPECT_GE(DarkPixels({222, 25, 295, 26}), 30);
  EXPECT_EQ(DarkPixels({0, 25, 73, 26}), 0);
}

TEST_F(GridInput, ReleasingOutsideTheGridStillClicks) {
  POINT p = CellScreen(5, 1);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  headless::MouseMove(p.x, p.y + 400);  // far below the window
  headless::MouseUp();
  Pump();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{5, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{5, 1}));
}

TEST_F(GridInput, ADoubleClickTogglesOnce) {
  POINT p = CellScreen(7, 1);
  headless::DoubleClick(p.x, p.y);
  Pump();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_TRUE(ShowsNumerals());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{7, 1}));
  int doubles = 0;
  grid->OnDblClick = [&](TComponent*) { ++doubles; };
  headless::AdvanceClock(1000);
  headless::DoubleClick(p.x, p.y);
  Pump();
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(Clicks(), 2);
}

TEST_F(GridInput, APressOnAHeaderCellFocusesAndChangesNothing) {
  Key(keys::kTab);
  ASSERT_EQ(form->ActiveControl(), other);
  ClickCell(3, 0);
  EXPECT_EQ(form->ActiveControl(), grid);
  EXPECT_EQ(GetFocus(), grid->Handle());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(Clicks(), 0);
  EXPECT_EQ(grid->CellText(0, 0), "Tônica"_cp.str());
  // Right and middle buttons focus too, and select nothing.
  Key(keys::kTab);
  POINT p = CellScreen(6, 1);
  headless::Click(p.x, p.y, 3);
  headless::Click(p.x, p.y, 2);
  Pump();
  EXPECT_EQ(form->ActiveControl(), grid);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(Clicks(), 0);
}

TEST_F(GridInput, APressWhileAnotherControlIsFocusedMovesTheFocusFirst) {
  Key(keys::kTab);
  ASSERT_EQ(CountOf({0, 25, 73, 49}, kHighlight), 73 * 24);
  ClickCell(4, 1);
  EXPECT_EQ(form->ActiveControl(), grid);
  EXPECT_EQ(Clicks(), 1);
  // The old current cell lost its highlight; the pressed one shows the focus rectangle.
  EXPECT_EQ(CountOf({0, 25, 73, 49}, kWhite), 73 * 24);
  EXPECT_GE(DarkPixels({296, 25, 369, 26}), 30);
}

TEST_F(GridInput, DraggingMovesTheAnchorAndHighlightsTheSpan) {
  POINT from = CellScreen(2, 1);
  POINT to = CellScreen(5, 1);
  headless::MouseMove(from.x, from.y);
  headless::MouseDown();
  headless::MouseMove(to.x, to.y);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{5, 1}));
  EXPECT_EQ(Clicks(), 0);
  headless::MouseUp();
  Pump();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 1, 5, 1}));
  for (int col : {3, 4, 5}) {
    EXPECT_EQ(CountOf({74 * col, 25, 74 * col + 73, 49}, kHighlight), 73 * 24) << col;
  }
  EXPECT_GE(DarkPixels({148, 25, 221, 26}), 30);  // cell 2: focus rectangle
  EXPECT_EQ(CountOf({148, 25, 221, 49}, kHighlight), 0);
  EXPECT_EQ(CountOf({74 * 6, 25, 74 * 6 + 73, 49}, kWhite), 73 * 24);
  // Dragging back shrinks the highlight again.
  ClickCell(2, 1);
  EXPECT_EQ(CountOf({74 * 4, 25, 74 * 4 + 73, 49}, kWhite), 73 * 24);
}

TEST_F(GridInput, TheTimerExtendsTheSelectionPastTheEdges) {
  POINT p = CellScreen(10, 1);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  Pump();
  POINT right = GridScreen(970, 37);  // beyond the last column's line at 962
  headless::MouseMove(right.x, right.y);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{10, 1}));  // outside the cells: the move itself does nothing
  headless::AdvanceClock(60);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{11, 1}));
  headless::AdvanceClock(60);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{12, 1}));
  headless::AdvanceClock(600);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{12, 1}));
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{10, 1}));

  POINT left = GridScreen(-20, 37);
  headless::MouseMove(left.x, left.y);
  Pump();
  headless::AdvanceClock(59);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{12, 1}));  // no tick yet
  headless::AdvanceClock(60 * 3);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{9, 1}));
  headless::AdvanceClock(60 * 20);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{0, 1}));
  EXPECT_EQ(Clicks(), 0);
  headless::MouseUp();
  Pump();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(grid->Selection(), (TGridRect{0, 1, 10, 1}));
  // The timer ended with the release.
  headless::MouseMove(right.x, right.y);
  headless::AdvanceClock(600);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{0, 1}));
}

TEST_F(GridInput, CancelModeEndsASelectionWithoutAClick) {
  POINT p = CellScreen(6, 1);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  Pump();
  ASSERT_EQ(grid->State(), TGridState::gsSelecting);
  SendMessage(grid->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->State(), TGridState::gsNormal);
  headless::MouseUp();
  Pump();
  EXPECT_EQ(Clicks(), 0);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{6, 1}));
}

TEST_F(GridInput, ShiftWithAClickKeepsTheAnchorOfTheCurrentCell) {
  ClickCell(1, 1);
  POINT p = CellScreen(4, 1);
  headless::KeyDown(keys::kShiftL);
  headless::Click(p.x, p.y);
  headless::KeyUp(keys::kShiftL);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{4, 1}));
  EXPECT_EQ(Clicks(), 2);
}

TEST_F(GridInput, LeftRightHomeEndMoveAlongTheRowAndToggle) {
  Key(keys::kLeft);  // already at column 0: nothing
  EXPECT_EQ(Clicks(), 0);
  Key(keys::kRight);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{1, 1}));
  EXPECT_EQ(Clicks(), 1);
  EXPECT_TRUE(ShowsNumerals());
  Key(keys::kRight);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 1}));
  EXPECT_FALSE(ShowsNumerals());  // two toggles: back to the names
  Key(keys::kLeft);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{1, 1}));
  Key(keys::kEnd);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{12, 1}));
  EXPECT_EQ(Clicks(), 4);
  Key(keys::kRight);  // the row's end: nothing
  Key(keys::kEnd);
  EXPECT_EQ(Clicks(), 4);
  Key(keys::kHome);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  KeyWith(keys::kControlL, keys::kRight);  // a page: 12 columns
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{12, 1}));
  KeyWith(keys::kControlL, keys::kLeft);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  KeyWith(keys::kControlL, keys::kEnd);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{12, 1}));
  KeyWith(keys::kControlL, keys::kHome);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(Clicks(), 9);
  EXPECT_EQ(grid->Selection(), (TGridRect{0, 1, 0, 1}));
  EXPECT_EQ(grid->LeftCol(), 0);
}

TEST_F(GridInput, ShiftWithArrowsKeepsTheAnchor) {
  KeyWith(keys::kShiftL, keys::kRight);
  KeyWith(keys::kShiftL, keys::kRight);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid->Selection(), (TGridRect{0, 1, 2, 1}));
  EXPECT_EQ(Clicks(), 2);
  for (int col : {0, 1}) {
    EXPECT_EQ(CountOf({74 * col, 25, 74 * col + 73, 49}, kHighlight), 73 * 24) << col;
  }
  // A plain move collapses the selection onto the new cell.
  Key(keys::kRight);
  EXPECT_EQ(grid->Selection(), (TGridRect{3, 1, 3, 1}));
}

TEST_F(GridInput, VerticalKeysAndTheWheelChangeNothing) {
  ClickCell(4, 1);
  ASSERT_EQ(Clicks(), 1);
  for (std::uint32_t k : {keys::kUp, keys::kDown, keys::kPageUp, keys::kPageDown}) {
    Key(k);
    KeyWith(keys::kControlL, k);
  }
  POINT p = CellScreen(4, 1);
  headless::MouseMove(p.x, p.y);
  headless::Wheel(-3);
  headless::Wheel(2);
  Pump();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{4, 1}));
  EXPECT_EQ(grid->TopLeft(), (TGridCoord{0, 1}));
  EXPECT_EQ(form->ActiveControl(), grid);
}

TEST_F(GridInput, WithMoreRowsTheSameKeysAndWheelMoveAndScroll) {
  // Two more chord rows below the visible one: now the vertical keys and the wheel have somewhere
  // to go, and the grid scrolls to keep the current cell in view.
  grid->SetRowCount(4);
  Pump();
  EXPECT_EQ(grid->VisibleRowCount(), 1);
  POINT p = CellScreen(4, 1);
  headless::MouseMove(p.x, p.y);
  headless::Wheel(-1);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 2}));
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(Clicks(), 1);
  headless::Wheel(-2);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 3}));  // the last row stops it
  EXPECT_EQ(Clicks(), 2);
  headless::Wheel(5);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(Clicks(), 4);
  // A wheel handler that takes the turn keeps the grid from moving.
  grid->OnMouseWheelDown = [](TComponent*, TShiftState, POINT, bool& handled) { handled = true; };
  headless::Wheel(-1);
  Pump();
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  Key(keys::kDown);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 2}));
  Key(keys::kPageDown);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 3}));
  KeyWith(keys::kControlL, keys::kPageUp);  // to the top row shown
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 3}));
  Key(keys::kUp);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 2}));
  EXPECT_EQ(grid->TopRow(), 2);
  KeyWith(keys::kControlL, keys::kUp);  // scrolls without moving the current cell
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 2}));
  EXPECT_EQ(Clicks(), 7);
}

TEST_F(GridInput, TabLeavesTheGridWithoutAClick) {
  ClickCell(2, 1);
  Key(keys::kTab);
  EXPECT_EQ(form->ActiveControl(), other);
  EXPECT_EQ(GetFocus(), other->Handle());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 1}));
  EXPECT_EQ(Clicks(), 1);
  // Arrows while the other control has the focus do not reach the grid.
  Key(keys::kEnd);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 1}));
}

TEST_F(GridInput, AnErrorInTheClickHandlerLeavesTheGridUsable) {
  grid->OnClick = [](TComponent*) { throw EInvalidOperation("the handler failed"); };
  ClickCell(3, 1);
  EXPECT_EQ(grid->State(), TGridState::gsNormal);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{3, 1}));
  grid->OnClick = [this](TComponent* sender) { clickSenders.push_back(sender); };
  ClickCell(5, 1);
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{5, 1}));
  // The failed release stopped the timer too: a wait past the edge moves nothing.
  POINT right = GridScreen(970, 37);
  headless::MouseMove(right.x, right.y);
  headless::AdvanceClock(300);
  Pump();
  EXPECT_EQ(grid->Anchor(), (TGridCoord{5, 1}));
}

}  // namespace
