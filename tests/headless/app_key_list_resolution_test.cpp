// SPDX-License-Identifier: GPL-3.0-or-later
// The key selector of the real main window with its list open on screens of 96, 120, 144 and 192
// pixels per inch: the whole window as the user sees it (the list pop-up laid over it) compared
// with a reference image per resolution, and the field and every row at least as tall as the text
// they show, with all fifteen keys in the list.
//
// The pictures are rewritten on purpose like the other references:
//   TESSIVO_UPDATE_REFERENCES=1 ctest -R AppKeyListResolution
#include <gtest/gtest.h>

#include <string>

#include "app/main_form.h"
#include "combo_test_run.h"
#include "controls/combo/custom_combo_box.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/reference_image.h"

namespace {

using testpng::Image;

// The height of a line of text in the selector's own font, measured apart from the selector.
int TextHeightOf(TFont& font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.Handle());
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return tm.tmHeight;
}

// `top` drawn over `below` with its top-left corner at (x, y) of `below`.
void Lay(Image& below, const Image& top, int x, int y) {
  for (int row = 0; row < top.height; ++row) {
    for (int column = 0; column < top.width; ++column) {
      const int bx = x + column;
      const int by = y + row;
      if (bx < 0 || by < 0 || bx >= below.width || by >= below.height) continue;
      below.pixels[static_cast<std::size_t>(by) * below.width + bx] =
          top.pixels[static_cast<std::size_t>(row) * top.width + column];
    }
  }
}

class AppKeyListResolution : public ::testing::TestWithParam<int> {};

TEST_P(AppKeyListResolution, TheOpenListShowsEveryKeyWholeAtTheScreensResolution) {
  const int dpi = GetParam();
  Image shown;
  int textHeight = 0;
  RECT field{};
  int rowHeight = 0;
  RECT listClient{};
  int keys = 0;
  apptest::RunOptions options;
  options.display.dpi = dpi;
  auto result = apptest::RunProgram(
      options, {
                   [] {
                     RECT combo = combotest::ScreenRect(Form1->ComboBox1->Handle());
                     headless::Click(combo.right - 8, (combo.top + combo.bottom) / 2);
                   },
                   [&] {
                     HWND list = combotest::DropList();
                     ASSERT_NE(list, nullptr) << "the button opened no list";
                     HWND selector = Form1->ComboBox1->Handle();
                     textHeight = TextHeightOf(Form1->ComboBox1->Font());
                     GetClientRect(GetWindow(selector, GW_CHILD), &field);
                     rowHeight = static_cast<int>(SendMessage(selector, CB_GETITEMHEIGHT, 0, 0));
                     keys = static_cast<int>(SendMessage(selector, CB_GETCOUNT, 0, 0));
                     GetClientRect(list, &listClient);
                     shown = testpng::Presented(Form1->Handle());
                     POINT origin{0, 0};
                     ClientToScreen(Form1->Handle(), &origin);
                     const RECT at = combotest::ScreenRect(list);
                     Lay(shown, testpng::Presented(list), at.left - origin.x, at.top - origin.y);
                     headless::PressKey(headless::keys::kEscape);
                   },
                   [] { apptest::RequestCloseOf(Form1->Handle()); },
               });
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_GE(field.bottom, textHeight) << "the field cuts its text at " << dpi;
  EXPECT_GE(rowHeight, textHeight) << "a row cuts its text at " << dpi;
  EXPECT_GE(listClient.bottom, keys * rowHeight) << "the list hides keys at " << dpi;
  EXPECT_TRUE(testpng::MatchesReference(shown, "main_window_key_list_open_at_" + std::to_string(dpi)));
}

INSTANTIATE_TEST_SUITE_P(Screens, AppKeyListResolution, ::testing::Values(96, 120, 144, 192));

}  // namespace
