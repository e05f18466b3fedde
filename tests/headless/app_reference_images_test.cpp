// The whole main window as the user sees it on the headless display, compared pixel for pixel
// with the reference images in tests/reference/: at start, after a click on a white grid cell
// switches the header row's labels, and inactive behind an error box.
//
// When a change to the window's look is meant, rewrite the references and look at them before
// committing them:
//   TESSIVO_UPDATE_REFERENCES=1 ctest -R AppReferenceImages
// On a mismatch the picture shown and a difference picture (changed pixels in red) are written to
// reference-output/ in the build directory; the failure names them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
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

}  // namespace
