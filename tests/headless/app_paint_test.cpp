// SPDX-License-Identifier: GPL-3.0-or-later
// How a window paints in whole-program runs: its background in its colour, its own painting kept
// off the labels that paint their whole rectangle, the labels drawn over it in their places, and
// the windowed controls left to themselves.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/gdi.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"

namespace {

const char* const kControls =
    "control TLabel Label1\n  Left 20\n  Top 20\n  Caption \"Rótulo\"\n"
    "control TTestBox Box1\n  Left 200\n  Top 100\n  Width 80\n  Height 40\n  TabOrder 0\n";

struct Picture {
  RECT label{};
  RECT box{};
  int outsideNotColour = -1;
  int boxNotWhite = -1;
  bool labelAsDrawn = false;
};

// Runs the test window (with `extra` window lines) and reads its picture.
Picture Paint(const std::string& extra, std::uint32_t expectedBackground) {
  apptest::ResourceSwap swap;
  apptest::RunOptions options;
  std::string description = apptest::TestFormDescription(kControls);
  if (!extra.empty()) description = apptest::InsertAfter(description, "OnCreate", extra);
  options.resources = swap.SetDescription("TTESTFORM", description).Set();
  Picture p;
  auto result = apptest::RunWithForm(
      options,
      {
          [&] {
            HWND form = TestForm->Handle();
            p.label = TestForm->Control("Label1")->BoundsRect();
            p.box = TestForm->Box("Box1")->BoundsRect();
            p.outsideNotColour = 0;
            for (int y = 0; y < 200; ++y) {
              for (int x = 0; x < 400; ++x) {
                auto in = [&](const RECT& r) {
                  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                };
                if (!in(p.label) && !in(p.box) && apptest::Pixel(form, x, y) != expectedBackground)
                  ++p.outsideNotColour;
              }
            }
            p.boxNotWhite = apptest::CountOtherThan(form, p.box, 0xFFFFFF);
            const int w = p.label.right - p.label.left;
            const int h = p.label.bottom - p.label.top;
            p.labelAsDrawn = apptest::PresentedArea(form, p.label) ==
                             apptest::ReferenceText(TestForm->Control("Label1")->Caption(), "MS Sans Serif",
                                                    -11, w, h, 0x000000, apptest::ButtonFace());
            if (p.outsideNotColour != 0 || !p.labelAsDrawn || p.boxNotWhite != 0) {
              std::printf("box pixel %06x, paints %d: %s\n",
                          apptest::Pixel(form, p.box.left + 5, p.box.top + 5),
                          TestForm->Box("Box1")->Paints(), apptest::SavePicture(form, "window").c_str());
            }
            apptest::RequestCloseOf(form);
          },
      },
      apptest::RunTestFormSequence);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  return p;
}

TEST(AppPaint, TheBackgroundIsTheWindowsColour) {
  Picture p = Paint("", apptest::ButtonFace());
  EXPECT_EQ(p.outsideNotColour, 0);
  EXPECT_TRUE(p.labelAsDrawn);
  EXPECT_EQ(p.boxNotWhite, 0) << "the box paints itself";
}

TEST(AppPaint, AnotherWindowColourFillsTheBackgroundAndTheLabelsFollowIt) {
  // A label takes its colour from the window: silver behind its text too.
  apptest::ResourceSwap swap;
  apptest::RunOptions options;
  options.resources =
      swap.SetDescription("TTESTFORM", apptest::InsertAfter(apptest::TestFormDescription(kControls), "Color",
                                                            "  Color clSilver"))
          .Set();
  bool labelOnSilver = false;
  int outside = -1;
  auto result = apptest::RunWithForm(
      options,
      {
          [&] {
            HWND form = TestForm->Handle();
            RECT label = TestForm->Control("Label1")->BoundsRect();
            RECT box = TestForm->Box("Box1")->BoundsRect();
            outside = 0;
            for (int y = 0; y < 200; ++y) {
              for (int x = 0; x < 400; ++x) {
                auto in = [&](const RECT& r) {
                  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                };
                if (!in(label) && !in(box) && apptest::Pixel(form, x, y) != 0xC0C0C0u) ++outside;
              }
            }
            labelOnSilver = apptest::PresentedArea(form, label) ==
                            apptest::ReferenceText(TestForm->Control("Label1")->Caption(), "MS Sans Serif",
                                                   -11, label.right - label.left, label.bottom - label.top,
                                                   0x000000, 0xC0C0C0);
            apptest::RequestCloseOf(form);
          },
      },
      apptest::RunTestFormSequence);
  EXPECT_EQ(outside, 0);
  EXPECT_TRUE(labelOnSilver);
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppPaint, TheWindowsOwnPaintingStaysOffTheLabels) {
  TTestForm::s_onPaint = [](TTestForm* form) {
    RECT all{0, 0, 400, 200};
    form->Canvas().Brush().SetColor(clRed);
    form->Canvas().FillRect(all);
  };
  Picture p = Paint("  OnPaint FormPaint", 0xFF0000);
  TTestForm::s_onPaint = nullptr;
  EXPECT_EQ(p.outsideNotColour, 0) << "the window's own painting covers the rest";
  EXPECT_TRUE(p.labelAsDrawn) << "the label is drawn on its own colour, not on the window's painting";
  EXPECT_EQ(p.boxNotWhite, 0) << "the window's painting stays out of its windowed controls";
}

}  // namespace
