// SPDX-License-Identifier: GPL-3.0-or-later
// The chord grid on a real X server: the form with the grid shown on a private Xvfb, clicked and
// typed at through XTest, and looked at through a second connection like a screenshot tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "headless/grid_test_window.h"
#include "platform/backend/x11/x11_backend.h"
#include "platform/module.h"
#include "platform/platform.h"
#include "support/program_loop.h"
#include "support/x11_fixture.h"
#include "theory/degree_header.h"
#include "x11/x11_test_util.h"

#include <X11/keysym.h>

namespace {

class GridOnX11 : public X11Fixture {
 protected:
  static constexpr int kGridX = 8 + 2;  // the grid's client area inside the form
  static constexpr int kGridY = 160 + 2;

  void SetUp() override {
    StartAndOpen();
    if (HasFatalFailure()) return;

    m_form = new TForm(nullptr);
    m_form->SetBounds(100, 50, 981, 277);
    m_grid = gridtest::AddChordGrid(m_form);
    m_header.read = [this](int column) { return m_grid->CellText(column, 0); };
    m_header.write = [this](int column, const std::string& text) { m_grid->SetCellText(column, 0, text); };
    m_grid->OnClick = [this](TComponent*) {
      ++m_clicks;
      theory::ToggleHeader(m_header);
    };
    theory::ShowFunctionNames(m_header);
    m_form->SetVisible(true);
    // Keeps every wait of the pumps below bounded.
    SetTimer(m_form->Handle(), kPumpTimer, 20, nullptr);
    ASSERT_TRUE(PumpUntil([this] { return GridPixel(73, 10) == gridtest::kBlack; }, 5000))
        << "the grid was not painted";
  }

  void DestroyWindows() override {
    delete m_form;
    m_form = nullptr;
  }

  // The program's loop: keyboard messages pass the controls' routing first.
  bool Route(const MSG& msg) override { return apptest::RoutedToControls(msg); }

  Window FormXid() const { return Xid(m_form->Handle()); }

  // What the server shows of the grid's client area, row by row (961 x 49).
  std::vector<std::uint32_t> GridArea() {
    m_backend->Sync();
    return x11test::ReadPixels(Peek(), FormXid(), kGridX, kGridY, 961, 49);
  }
  std::uint32_t GridPixel(int x, int y) {
    m_backend->Sync();
    auto p = x11test::ReadPixels(Peek(), FormXid(), kGridX + x, kGridY + y, 1, 1);
    return p.empty() ? 0xFFFFFFFFu : p[0] & 0xFFFFFF;
  }

  void ClickGrid(int x, int y) {
    POINT pt{kGridX + x, kGridY + y};
    ClientToScreen(m_form->Handle(), &pt);
    Click(pt);
  }

  void PressKey(KeySym keysym) { TypeKeycode(XKeysymToKeycode(Peek(), keysym)); }

  static std::uint32_t At(const std::vector<std::uint32_t>& area, int x, int y) {
    return area[static_cast<std::size_t>(y) * 961 + static_cast<std::size_t>(x)] & 0xFFFFFF;
  }
  // The header row's pixels, where the degree names are written.
  std::vector<std::uint32_t> HeaderPixels() {
    auto area = GridArea();
    return {area.begin(), area.begin() + 961 * 24};
  }

  TForm* m_form = nullptr;
  TStringGrid* m_grid = nullptr;
  theory::HeaderCells m_header;
  int m_clicks = 0;
};

TEST_F(GridOnX11, TheServerShowsTheLinesEdgesAndCells) {
  auto area = GridArea();
  ASSERT_EQ(area.size(), 961u * 49u);
  for (int k = 0; k <= 11; ++k) {
    int x = 73 + 74 * k;
    EXPECT_EQ(At(area, x, 5), gridtest::kBlack) << x;
    EXPECT_EQ(At(area, x, 24), gridtest::kBlack) << x;
    EXPECT_EQ(At(area, x, 40), gridtest::kSilver) << x;
  }
  EXPECT_EQ(At(area, 500, 24), gridtest::kBlack);
  // Header cell (1, 0): light edge left and top, shadow right and bottom, button face inside.
  EXPECT_EQ(At(area, 74, 12), gridtest::kWhite);
  EXPECT_EQ(At(area, 110, 0), gridtest::kWhite);
  EXPECT_EQ(At(area, 146, 12), gridtest::kShadow);
  EXPECT_EQ(At(area, 110, 23), gridtest::kShadow);
  EXPECT_EQ(At(area, 110, 12), gridtest::kButtonFace);
  // The white chord cells, and the names in the header.
  EXPECT_EQ(At(area, 5 * 74 + 30, 37), gridtest::kWhite);
  int dark = 0;
  for (int y = 2; y < 20; ++y) {
    for (int x = 2; x < 72; ++x) dark += At(area, x, y) < 0x404040u ? 1 : 0;
  }
  EXPECT_GT(dark, 20) << "no \"Tônica\" in cell (0, 0)";
  // Nothing of the grid at x = 961 or y = 49: the sunken edge is there.
  auto edge = x11test::ReadPixels(Peek(), FormXid(), kGridX + 961, kGridY, 1, 50);
  ASSERT_EQ(edge.size(), 50u);
  for (std::uint32_t p : edge) EXPECT_EQ(p & 0xFFFFFF, edge[0] & 0xFFFFFF);
}

TEST_F(GridOnX11, AClickOnCellThreeOneTogglesTheHeaderAndASecondRestoresIt) {
  std::vector<std::uint32_t> names = HeaderPixels();
  ClickGrid(3 * 74 + 30, 37);
  ASSERT_TRUE(PumpUntil([this, &names] { return m_clicks == 1 && HeaderPixels() != names; }, 5000));
  EXPECT_EQ(m_grid->CellText(0, 0), "I");
  EXPECT_EQ(m_grid->CurrentCell(), (TGridCoord{3, 1}));
  std::vector<std::uint32_t> numerals = HeaderPixels();
  // A second click, far enough from the first not to make a double click.
  ClickGrid(3 * 74 + 60, 30);
  ASSERT_TRUE(PumpUntil([this, &names] { return m_clicks == 2 && HeaderPixels() == names; }, 5000));
  EXPECT_EQ(m_grid->CellText(0, 0), "Tônica"_cp.str());
  // Right moves the current cell and toggles again.
  PressKey(XK_Right);
  ASSERT_TRUE(PumpUntil([this, &numerals] { return m_clicks == 3 && HeaderPixels() == numerals; }, 5000));
  EXPECT_EQ(m_grid->CurrentCell(), (TGridCoord{4, 1}));
  // The grid is the active control: the focus rectangle's dots mark cell (4, 1).
  auto area = GridArea();
  int dots = 0;
  for (int x = 4 * 74; x < 4 * 74 + 73; ++x) dots += At(area, x, 25) == gridtest::kBlack ? 1 : 0;
  EXPECT_GE(dots, 30);
}

}  // namespace
