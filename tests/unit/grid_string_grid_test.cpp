// SPDX-License-Identifier: GPL-3.0-or-later
// The string grid's cell texts and its row and column views, on the real sparse store, without a
// window: what reads back, what the store keeps, which errors come out and with which texts.
#include <gtest/gtest.h>

#include <string>

#include "base/cp1252.h"
#include "controls/grid/grid_registration.h"
#include "controls/grid/string_grid.h"
#include "controls/grid/string_sparse_list.h"
#include "core/exceptions.h"
#include "core/window_description.h"

namespace {

template <typename E, typename F>
std::string MessageOf(F&& body) {
  try {
    body();
  } catch (const E& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

const TStringSparseList* DataRow(const TStringGrid& grid, int row) { return grid.DataRows().Get(row); }

TEST(StringGridCells, TextsReadBackAndEmptyTextsRemoveTheirEntry) {
  TStringGrid grid(nullptr);
  grid.SetColCount(13);
  grid.SetRowCount(2);
  EXPECT_EQ(grid.CellText(0, 0), "");
  EXPECT_EQ(grid.DataRows().Count(), 0);  // reading makes nothing

  grid.SetCellText(0, 0, "Tônica"_cp.str());
  grid.SetCellText(12, 0, "Tônica"_cp.str());
  grid.SetCellText(4, 1, "Mi Menor");
  EXPECT_EQ(grid.CellText(0, 0), "Tônica"_cp.str());
  EXPECT_EQ(grid.CellText(12, 0), "Tônica"_cp.str());
  EXPECT_EQ(grid.CellText(4, 1), "Mi Menor");
  EXPECT_EQ(grid.CellText(1, 0), "");
  EXPECT_EQ(grid.DataRows().Count(), 2);
  EXPECT_EQ(DataRow(grid, 0)->Count(), 13);

  grid.SetCellText(12, 0, "");
  EXPECT_EQ(grid.CellText(12, 0), "");
  EXPECT_EQ(DataRow(grid, 0)->Count(), 1);  // only column 0 is left
  // A second write replaces, whatever it held.
  grid.SetCellText(4, 1, "Fá # Dim."_cp.str());
  EXPECT_EQ(grid.CellText(4, 1), "Fá # Dim."_cp.str());
}

TEST(StringGridCells, TextsOutsideTheGridAreKept) {
  TStringGrid grid(nullptr);
  grid.SetColCount(13);
  grid.SetRowCount(2);
  grid.SetCellText(13, 1, "fora");
  grid.SetCellText(2, 2, "abaixo");
  EXPECT_EQ(grid.CellText(13, 1), "fora");
  EXPECT_EQ(grid.CellText(2, 2), "abaixo");
}

TEST(StringGridCells, NegativeIndexesRaiseTheListErrorAndChangeNothing) {
  TStringGrid grid(nullptr);
  grid.SetCellText(1, 1, "x");
  EXPECT_EQ(MessageOf<EListError>([&] { grid.SetCellText(0, -1, "y"); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { grid.SetCellText(-2, 3, "y"); }), "List index out of bounds (-2)");
  EXPECT_EQ(MessageOf<EListError>([&] { (void)grid.CellText(0, -7); }), "List index out of bounds (-7)");
  EXPECT_EQ(MessageOf<EListError>([&] { (void)grid.CellText(-1, 1); }), "List index out of bounds (-1)");
  EXPECT_EQ(grid.DataRows().Count(), 2);  // rows 0 and 2..3 were never made
  EXPECT_EQ(grid.DataRows().Get(3), nullptr);
  EXPECT_EQ(grid.RowViews().Count(), 2);
}

TEST(StringGridCells, NewRowsTakeTheLargeSectionsOnlyInWideGrids) {
  TStringGrid grid(nullptr);
  grid.SetCellText(0, 0, "a");
  EXPECT_EQ(DataRow(grid, 0)->List().Quantum(), TSPAQuantum::spaSmall);
  grid.SetColCount(513);
  grid.SetCellText(0, 1, "b");
  EXPECT_EQ(DataRow(grid, 1)->List().Quantum(), TSPAQuantum::spaLarge);
  EXPECT_EQ(DataRow(grid, 0)->List().Quantum(), TSPAQuantum::spaSmall);
  EXPECT_EQ(grid.DataRows().Quantum(), TSPAQuantum::spaSmall);
  EXPECT_EQ(grid.ColumnViews().Quantum(), TSPAQuantum::spaSmall);
}

TEST(StringGridViews, EveryWriteMakesTheViewsOfItsRowAndColumn) {
  TStringGrid grid(nullptr);
  grid.SetColCount(13);
  grid.SetRowCount(2);
  grid.SetCellText(5, 0, "Subdominante");
  const TStringGridStrings* col5 = grid.ColumnViews().Get(5);
  const TStringGridStrings* row0 = grid.RowViews().Get(0);
  ASSERT_NE(col5, nullptr);
  ASSERT_NE(row0, nullptr);
  EXPECT_EQ(col5->IndexCode().Code(), -6);
  EXPECT_EQ(row0->IndexCode().Code(), 1);
  EXPECT_EQ(grid.ColumnViews().Get(4), nullptr);
  // An emptying write still makes them.
  grid.SetCellText(7, 1, "");
  EXPECT_NE(grid.ColumnViews().Get(7), nullptr);
  EXPECT_NE(grid.RowViews().Get(1), nullptr);
  EXPECT_EQ(&grid.Cols(5), col5);  // the same view is handed out again
}

TEST(StringGridViews, RowsAndColumnsReadAndWriteTheCells) {
  TStringGrid grid(nullptr);
  grid.SetColCount(13);
  grid.SetRowCount(2);
  TStrings& header = grid.Rows(0);
  TStrings& column4 = grid.Cols(4);
  EXPECT_EQ(header.Count(), 13);
  EXPECT_EQ(column4.Count(), 2);
  header.Put(2, "Sobretônica"_cp.str());
  column4.Put(1, "Mi Menor");
  EXPECT_EQ(grid.CellText(2, 0), "Sobretônica"_cp.str());
  EXPECT_EQ(grid.CellText(4, 1), "Mi Menor");
  EXPECT_EQ(grid.Rows(1).Get(4), "Mi Menor");
  EXPECT_EQ(column4.Get(0), "");
  // The counts follow the grid's.
  grid.SetColCount(8);
  EXPECT_EQ(header.Count(), 8);
}

TEST(StringGridViews, AddFillsTheFirstEmptyEntry) {
  TStringGrid grid(nullptr);
  grid.SetColCount(3);
  grid.SetRowCount(2);
  TStrings& row = grid.Rows(1);
  grid.SetCellText(0, 1, "a");
  EXPECT_EQ(row.Add("b"), 1);
  EXPECT_EQ(row.Add(""), 2);
  EXPECT_EQ(grid.CellText(2, 1), " ");  // an empty text is stored as a space
  EXPECT_EQ(row.Add("c"), -1);          // nothing empty is left
  EXPECT_EQ(grid.CellText(1, 1), "b");
}

TEST(StringGridViews, InsertAndDeleteAreRefused) {
  TStringGrid grid(nullptr);
  grid.SetCellText(1, 1, "x");
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.Rows(1).Insert(0, "y"); }),
            "Cannot insert or delete rows from grid");
  EXPECT_EQ(MessageOf<EInvalidGridOperation>([&] { grid.Cols(1).Delete(0); }),
            "Cannot insert or delete rows from grid");
  EXPECT_EQ(grid.CellText(1, 1), "x");
  grid.Rows(1).Clear();
  EXPECT_EQ(grid.CellText(1, 1), "");
}

// A bare window to read a description into.
class TDescriptionRoot : public TWinControl {
 public:
  TDescriptionRoot() : TWinControl(nullptr) {}
  const char* ClassName() const override { return "TGridTestWindow"; }
  TNotifyEvent FindMethod(const std::string& name) override {
    if (name == "StringGrid1Click") return [this](TComponent*) { ++clicks; };
    return {};
  }
  int clicks = 0;
};

TEST(StringGridDescription, ReadsTheChordGridInItsOrder) {
  RegisterGridClasses();
  TDescriptionRoot root;
  ReadWindowText(&root,
                 "window TGridTestWindow Window1\n"
                 "control TStringGrid StringGrid1\n"
                 "  Left 8\n  Top 160\n  Width 965\n  Height 53\n  ColCount 13\n"
                 "  Ctl3D true\n  DefaultColWidth 73\n  FixedCols 0\n  RowCount 2\n"
                 "  ParentCtl3D false\n  TabOrder 0\n  OnClick StringGrid1Click\n",
                 "TGRIDTESTWINDOW");
  auto* grid = dynamic_cast<TStringGrid*>(root.FindComponent("StringGrid1"));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->Parent(), &root);
  EXPECT_EQ(grid->BoundsRect(), (RECT{8, 160, 973, 213}));
  EXPECT_EQ(grid->ColCount(), 13);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->FixedCols(), 0);
  EXPECT_EQ(grid->FixedRows(), 1);
  EXPECT_EQ(grid->DefaultColWidth(), 73);
  EXPECT_TRUE(grid->Ctl3D());
  EXPECT_FALSE(grid->ParentCtl3D());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{0, 1}));
  EXPECT_EQ(grid->TopLeft(), (TGridCoord{0, 1}));
  ASSERT_TRUE(grid->OnClick);
  grid->OnClick(grid);
  EXPECT_EQ(root.clicks, 1);
}

TEST(StringGridDescription, ReadsTheOtherStoredProperties) {
  RegisterGridClasses();
  TDescriptionRoot root;
  ReadWindowText(&root,
                 "window TGridTestWindow Window1\n"
                 "control TStringGrid Grid\n"
                 "  FixedRows 0\n  DefaultRowHeight 18\n  GridLineWidth 2\n"
                 "  Options {goFixedVertLine, goVertLine, goRowSelect, goAlwaysShowEditor}\n"
                 "  ScrollBars ssVertical\n  BorderStyle bsNone\n  FixedColor clSilver\n"
                 "  DefaultDrawing false\n",
                 "TGRIDTESTWINDOW");
  auto* grid = dynamic_cast<TStringGrid*>(root.FindComponent("Grid"));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->FixedRows(), 0);
  EXPECT_EQ(grid->DefaultRowHeight(), 18);
  EXPECT_EQ(grid->GridLineWidth(), 2);
  // Row selection takes the always-shown editor away.
  EXPECT_EQ(grid->Options(), goFixedVertLine | goVertLine | goRowSelect);
  EXPECT_EQ(grid->ScrollBars(), TScrollStyle::ssVertical);
  EXPECT_EQ(grid->BorderStyle(), TGridBorderStyle::bsNone);
  EXPECT_EQ(grid->FixedColor(), clSilver);
  EXPECT_FALSE(grid->DefaultDrawing());

  TDescriptionRoot other;
  EXPECT_THROW(ReadWindowText(&other,
                              "window TGridTestWindow Window1\n"
                              "control TStringGrid Grid\n  Options {goSideways}\n",
                              "TGRIDTESTWINDOW"),
               EReadError);
  TDescriptionRoot third;
  EXPECT_THROW(ReadWindowText(&third,
                              "window TGridTestWindow Window1\n"
                              "control TStringGrid Grid\n  FixedCols 5\n",
                              "TGRIDTESTWINDOW"),
               Exception);
}

}  // namespace
