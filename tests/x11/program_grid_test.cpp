// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private X server, used as a student would: a click on a white cell of the
// chord grid switches the header row between function names and Roman numerals, a second click
// switches it back, and the Right arrow key does the same. Checked on the window's pixels as the
// X server shows them.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/window.h"
#include "x11/program_on_xvfb.h"

#include <X11/keysym.h>

namespace {

// The grid's client area inside the window: the grid at 8, 160 plus its 2-pixel sunken edge.
constexpr int kGridX = 8 + 2;
constexpr int kGridY = 160 + 2;
// The header row: columns 0..12 of 73 pixels with 1-pixel lines, rows 0..23.
constexpr int kHeaderWidth = 961;
constexpr int kHeaderHeight = 24;
// How much later than the double-click time the second of two clicks comes.
constexpr unsigned kBeyondDoubleClickMs = 100;

class ProgramGrid : public ProgramOnXvfb {
 protected:
  void SetUp() override {
    ProgramOnXvfb::SetUp();
    if (HasFatalFailure()) return;
    Start();
    if (HasFatalFailure()) return;
    // Painted: the black line after column 0 of the header is at x = 73.
    ASSERT_TRUE(WaitFor([&] { return HeaderPixel(73, 10) == 0x000000u; })) << "the grid was not painted";
  }

  std::uint32_t HeaderPixel(int x, int y) {
    std::vector<std::uint32_t> p = x11test::ReadPixels(Peek(), m_main, kGridX + x, kGridY + y, 1, 1);
    return p.empty() ? 0xFFFFFFFFu : p[0];
  }

  std::vector<std::uint32_t> Header() {
    return x11test::ReadPixels(Peek(), m_main, kGridX, kGridY, kHeaderWidth, kHeaderHeight);
  }

  // A click in the chord row (row 1), inside the column's cell.
  void ClickChordCell(int column) { ClickAt(OnRoot(kGridX + 74 * column + 30, kGridY + 25 + 10)); }
};

TEST_F(ProgramGrid, ClicksOnAWhiteCellAndTheRightKeyToggleTheHeaderRow) {
  const std::vector<std::uint32_t> functionNames = SettledPixels(kGridX, kGridY, kHeaderWidth, kHeaderHeight);
  ASSERT_EQ(functionNames.size(), static_cast<std::size_t>(kHeaderWidth * kHeaderHeight));

  ClickChordCell(3);
  ASSERT_TRUE(WaitFor([&] { return Header() != functionNames; })) << "a click on cell (3, 1) changed nothing";
  const std::vector<std::uint32_t> romanNumerals = SettledPixels(kGridX, kGridY, kHeaderWidth, kHeaderHeight);

  // A second click after the double-click time (a quicker one would be a double click, which
  // toggles only once).
  usleep((GetDoubleClickTime() + kBeyondDoubleClickMs) * 1000);
  ClickChordCell(3);
  EXPECT_TRUE(WaitFor([&] { return Header() == functionNames; }))
      << "a second click did not bring the function names back";

  // The grid has the focus since the click; Right moves the current cell and toggles once more.
  PressKey(XK_Right);
  EXPECT_TRUE(WaitFor([&] { return Header() == romanNumerals; }))
      << "Right did not switch to the Roman numerals";
  EXPECT_TRUE(m_program->Running()) << m_program->StandardError();
}

}  // namespace
