// SPDX-License-Identifier: GPL-3.0-or-later
// The whole main window as the user sees it on the headless display, compared pixel for pixel
// with the reference images in tests/reference/: at start, after a click on a white grid cell
// switches the header row's labels, and inactive behind an error box; and the error box itself at
// 96 and at 192 pixels per inch.
//
// When a change to the window's look is meant, rewrite the references and look at them before
// committing them:
//   TESSIVO_UPDATE_REFERENCES=1 ctest -R AppReferenceImages
// On a mismatch the picture shown and a difference picture (changed pixels in red) are written to
// reference-output/ in the build directory; the failure names them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "core/exceptions.h"
#include "platform/accessibility.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/reference_image.h"

namespace {

using testpng::Image;
using testpng::MatchesReference;
using testpng::Presented;

using apptest::GridCellPoint;

TEST(AppReferenceImages, MainWindowAtStart) {
  Image shown;
  auto result = apptest::RunProgram({}, {[&] {
                                      shown = Presented(Form1->Handle());
                                      apptest::RequestCloseOf(Form1->Handle());
                                    }});
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_TRUE(MatchesReference(shown, "main_window_at_start"));
}

TEST(AppReferenceImages, MainWindowAfterAHeaderToggle) {
  Image shown;
  std::string firstHeader;
  auto result = apptest::RunProgram({}, {
                                            [] {
                                              const POINT p = GridCellPoint(3, 1);
                                              headless::Click(p.x, p.y);
                                            },
                                            [&] {
                                              firstHeader = Form1->StringGrid1->CellText(0, 0);
                                              shown = Presented(Form1->Handle());
                                              apptest::RequestCloseOf(Form1->Handle());
                                            },
                                        });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(firstHeader, "I") << "the click did not switch the header row to numerals";
  EXPECT_TRUE(MatchesReference(shown, "main_window_after_header_toggle"));
}

TEST(AppReferenceImages, MainWindowInactiveBehindAnErrorBox) {
  Image shown;
  bool disabledWhileBoxUp = false;
  apptest::RunOptions options;
  options.boxHandler = [&](const headless::MessageBoxRecord&) {
    // Everything the box's arrival made the main window repaint is presented before looking.
    headless::PumpUntilIdle();
    disabledWhileBoxUp = !IsWindowEnabled(Form1->Handle()) && GetActiveWindow() != Form1->Handle();
    shown = Presented(Form1->Handle());
    headless::PressKey(headless::keys::kReturn);
  };
  auto result = apptest::RunProgram(
      options, {
                   [] { apptest::ClickFailingLabel([] { throw std::runtime_error("falha"); }); },
                   [] { apptest::RequestCloseOf(Form1->Handle()); },
               });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_TRUE(disabledWhileBoxUp) << "the main window was still enabled or active behind the box";
  EXPECT_TRUE(MatchesReference(shown, "main_window_inactive_behind_error_box"));
}

// The chord grid once Sol Maior is chosen in the open list with the mouse: the grid alone, which
// the browser build's test compares its own grid with.
TEST(AppReferenceImages, TheChordGridAfterSolMaiorIsChosenWithTheMouse) {
  Image grid;
  auto result = apptest::RunProgram({}, {
                                            [] { headless::Click(434, 133); },  // the list's button
                                            [] { headless::Click(300, 164); },  // its second row
                                            [&] {
                                              const RECT r = Form1->StringGrid1->BoundsRect();
                                              const Image all = Presented(Form1->Handle());
                                              grid.width = r.right - r.left;
                                              grid.height = r.bottom - r.top;
                                              for (int y = r.top; y < r.bottom; ++y) {
                                                for (int x = r.left; x < r.right; ++x) {
                                                  grid.pixels.push_back(all.At(x, y));
                                                }
                                              }
                                              apptest::RequestCloseOf(Form1->Handle());
                                            },
                                        });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_TRUE(result.boxes.empty()) << result.boxes.front().text;
  EXPECT_TRUE(MatchesReference(grid, "chord_grid_sol_maior"));
}

// The error box follows the screen's pixels per inch: at 192 it is the 96-dpi box twice as large.
// Where a screen reader is told the OK button lies is where it is drawn: the corners of those
// bounds are the button's black frame, the pixels just outside them the box's face.
TEST(AppReferenceImages, TheErrorBoxAt96And192PixelsPerInch) {
  for (const int dpi : {96, 192}) {
    SCOPED_TRACE(dpi);
    Image shown;
    std::array<std::uint32_t, 4> aroundButton{};
    apptest::RunOptions options;
    options.display.dpi = dpi;
    options.boxHandler = [&](const headless::MessageBoxRecord& box) {
      headless::PumpUntilIdle();
      shown = Presented(box.box);
      const a11y::Provider& alert = *a11y::ProviderOf(box.box);
      const RECT button = alert.BoundsOf(alert.ChildrenOf(a11y::kSelf).back().child);
      POINT inner[2] = {{button.left, button.top}, {button.right - 1, button.bottom - 1}};
      ScreenToClient(box.box, &inner[0]);
      ScreenToClient(box.box, &inner[1]);
      aroundButton = {headless::PresentedPixel(box.box, inner[0].x, inner[0].y),
                      headless::PresentedPixel(box.box, inner[1].x, inner[1].y),
                      headless::PresentedPixel(box.box, inner[0].x - 1, inner[0].y - 1),
                      headless::PresentedPixel(box.box, inner[1].x + 1, inner[1].y + 1)};
      headless::PressKey(headless::keys::kReturn);
    };
    auto result = apptest::RunProgram(
        options, {
                     [] { apptest::ClickFailingLabel([] { throw Exception("No MCI device open."); }); },
                     [] { apptest::RequestCloseOf(Form1->Handle()); },
                 });
    ASSERT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.boxes.size(), 1u);
    const std::uint32_t face = apptest::ButtonFace();
    EXPECT_EQ(aroundButton, (std::array<std::uint32_t, 4>{0x000000u, 0x000000u, face, face}));
    EXPECT_TRUE(MatchesReference(shown, "error_box_at_" + std::to_string(dpi) + "_dpi"));
  }
}

}  // namespace
