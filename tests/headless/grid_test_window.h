// SPDX-License-Identifier: GPL-3.0-or-later
// A window like the main window as far as the chord grid is concerned: a form at (100, 50) with
// 981 x 277 client pixels holding the chord grid at 8, 160, 965 x 53 (first in the tab order) and
// a second control that takes the focus on Tab. The grid's click event switches the header row,
// as the main window binds it. Keyboard messages go through the same routing step as in the
// program's loop, so Tab reaches the form and the arrows reach the grid.
#pragma once

#include <string>
#include <vector>

#include "app/form.h"
#include "controls/grid/string_grid.h"
#include "core/win_control.h"
#include "platform/gdi.h"
#include "platform/headless/headless_driver.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/program_loop.h"
#include "theory/degree_header.h"

namespace gridtest {

// Colours as the display shows them (0x00RRGGBB).
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kSilver = 0xC0C0C0;
inline constexpr std::uint32_t kButtonFace = 0xD4D0C8;
inline constexpr std::uint32_t kShadow = 0x808080;
inline constexpr std::uint32_t kHighlight = 0x0A246A;

// Another focusable control: where Tab takes the focus.
class TOtherControl : public TCustomControl {
 public:
  explicit TOtherControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  const char* ClassName() const override { return "TGridTestOther"; }

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(clBtnFace);
    Canvas().FillRect(ClientRect());
  }
};

// The chord grid as the main window's description configures it, in the description's order:
// bounds, counts, look, fixed columns, rows, tab order.
inline TStringGrid* AddChordGrid(TWinControl* parent) {
  auto* grid = new TStringGrid(parent);
  grid->SetParent(parent);
  grid->SetBounds(8, 160, 965, 53);
  grid->SetColCount(13);
  grid->SetCtl3D(true);
  grid->SetDefaultColWidth(73);
  grid->SetFixedCols(0);
  grid->SetRowCount(2);
  grid->SetParentCtl3D(false);
  grid->SetTabOrder(0);
  return grid;
}

class GridWindowTest : public HeadlessFixture {
 protected:
  static constexpr int kFormLeft = 100;
  static constexpr int kFormTop = 50;
  // The grid's client area inside the form: its bounds plus the 2-pixel sunken edge.
  static constexpr int kGridClientX = 8 + 2;
  static constexpr int kGridClientY = 160 + 2;

  void SetUp() override {
    HeadlessFixture::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(kFormLeft, kFormTop, 981, 277);
    grid = AddChordGrid(form);
    header.read = [this](int column) { return grid->CellText(column, 0); };
    header.write = [this](int column, const std::string& text) { grid->SetCellText(column, 0, text); };
    grid->OnClick = [this](TComponent* sender) {
      clickSenders.push_back(sender);
      theory::ToggleHeader(header);
    };
    other = new TOtherControl(form);
    other->SetParent(form);
    other->SetBounds(8, 230, 100, 21);
    other->SetTabOrder(1);
    // Written before the window exists, as the main window's creation handler does.
    theory::ShowFunctionNames(header);
  }

  void TearDown() override {
    delete form;
    form = nullptr;
    HeadlessFixture::TearDown();
  }

  void Show() {
    form->SetVisible(true);
    Pump();
  }

  static void Pump() { apptest::PumpLikeTheProgram(); }

  static void Key(std::uint32_t keysym) {
    headless::PressKey(keysym);
    Pump();
  }
  static void KeyWith(std::uint32_t modifier, std::uint32_t keysym) {
    headless::KeyDown(modifier);
    headless::PressKey(keysym);
    headless::KeyUp(modifier);
    Pump();
  }

  // Screen point of a grid client point.
  POINT GridScreen(int x, int y) const { return {kFormLeft + kGridClientX + x, kFormTop + kGridClientY + y}; }
  // Screen point in the middle of a cell.
  POINT CellScreen(int col, int row) const { return GridScreen(74 * col + 36, row == 0 ? 12 : 37); }
  // A single click: the clock first moves past the double-click time of any earlier press.
  void ClickCell(int col, int row) {
    headless::AdvanceClock(600);
    POINT p = CellScreen(col, row);
    headless::Click(p.x, p.y);
    Pump();
  }

  // The pixel the window shows at a grid client point.
  std::uint32_t GridPixel(int x, int y) const {
    return headless::PresentedPixel(form->Handle(), kGridClientX + x, kGridClientY + y) & 0xFFFFFF;
  }

  // The pixels of a rectangle of the grid's client area, row by row.
  std::vector<std::uint32_t> GridPixels(const RECT& r) const {
    std::vector<std::uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) out.push_back(GridPixel(x, y));
    }
    return out;
  }

  // Pixels of a rectangle that are dark (text or focus dots on a light cell).
  int DarkPixels(const RECT& r) const {
    int n = 0;
    for (std::uint32_t p : GridPixels(r)) {
      int sum =
          static_cast<int>((p >> 16) & 0xFF) + static_cast<int>((p >> 8) & 0xFF) + static_cast<int>(p & 0xFF);
      if (sum < 3 * 128) ++n;
    }
    return n;
  }
  int CountOf(const RECT& r, std::uint32_t colour) const {
    int n = 0;
    for (std::uint32_t p : GridPixels(r)) n += p == colour ? 1 : 0;
    return n;
  }

  std::vector<std::string> HeaderRow() const {
    std::vector<std::string> row;
    for (int c = 0; c < 13; ++c) row.push_back(grid->CellText(c, 0));
    return row;
  }

  TForm* form = nullptr;
  TStringGrid* grid = nullptr;
  TOtherControl* other = nullptr;
  theory::HeaderCells header;
  std::vector<TComponent*> clickSenders;
};

}  // namespace gridtest
