// SPDX-License-Identifier: GPL-3.0-or-later
// A grid that does not lie on a form: it counts as focused exactly while the keyboard focus is
// in its window, takes the focus itself on a press, and paints its current cell accordingly.
#include <gtest/gtest.h>

#include "controls/grid/string_grid.h"
#include "core/win_control.h"
#include "platform/headless/headless_driver.h"
#include "platform/window.h"
#include "support/bare_window.h"
#include "support/headless_fixture.h"

namespace {

class GridWithoutForm : public HeadlessFixture {
 protected:
  void SetUp() override {
    HeadlessFixture::SetUp();
    window = std::make_unique<TBareWindow>();
    window->SetBounds(200, 100, 400, 200);
    grid = new TStringGrid(nullptr);
    grid->SetParent(window.get());
    grid->SetBounds(10, 10, 300, 120);
    grid->OnClick = [this](TComponent*) { ++clicks; };
    window->UpdateShowing();  // visible from the start: make the windows now
    ShowWindow(window->Handle(), SW_SHOWNORMAL);
    headless::PumpUntilIdle();
  }
  void TearDown() override {
    delete grid;
    window.reset();
    HeadlessFixture::TearDown();
  }
  // A grid client pixel: its window sits at 10, 10 inside a 2-pixel sunken edge.
  std::uint32_t Pixel(int x, int y) const {
    return headless::PresentedPixel(window->Handle(), 12 + x, 12 + y) & 0xFFFFFF;
  }

  std::unique_ptr<TBareWindow> window;
  TStringGrid* grid = nullptr;
  int clicks = 0;
};

TEST_F(GridWithoutForm, CountsAsFocusedWhileTheFocusIsInIt) {
  EXPECT_EQ(grid->FocusHost(), nullptr);
  SetFocus(window->Handle());
  headless::PumpUntilIdle();
  EXPECT_FALSE(grid->CountsAsFocused());
  // The current cell (1, 1) at x 65..128, y 25..48 shows the highlight colour.
  EXPECT_EQ(Pixel(90, 30), 0x0A246Au);

  // A press on an ordinary cell focuses the grid and selects the cell.
  headless::Click(200 + 12 + 65 * 2 + 30, 100 + 12 + 25 * 2 + 10);
  headless::PumpUntilIdle();
  EXPECT_EQ(GetFocus(), grid->Handle());
  EXPECT_TRUE(grid->CountsAsFocused());
  EXPECT_EQ(grid->CurrentCell(), (TGridCoord{2, 2}));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Pixel(90, 30), 0xFFFFFFu);   // the old cell: plain again
  EXPECT_EQ(Pixel(160, 60), 0xFFFFFFu);  // the new one: window colour inside its focus dots

  SetFocus(window->Handle());
  headless::PumpUntilIdle();
  EXPECT_FALSE(grid->CountsAsFocused());
  EXPECT_EQ(Pixel(160, 60), 0x0A246Au);
}

}  // namespace
