// SPDX-License-Identifier: GPL-3.0-or-later
// The labels of the real main window when their captions, fonts and states change while the
// program runs: auto size, the "&" prefix, line breaks, the disabled look, and what is left on the
// window where a label used to be.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/app_run.h"

namespace {

using apptest::RunProgram;

constexpr const char* kFace = "MS Sans Serif";

// Runs the program, lets `change` act on Label1 once the window is up, then hands the window and
// the label to `look` after the window has repainted.
void WithLabel1(const std::function<void(TLabel*)>& change, const std::function<void(HWND, TLabel*)>& look) {
  bool looked = false;
  auto result = RunProgram({}, {
                                   [&] { change(Form1->Label1); },
                                   [&] {
                                     look(Form1->Handle(), Form1->Label1);
                                     looked = true;
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  EXPECT_TRUE(looked);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
}

TEST(AppLabel, ANewCaptionGetsItsOwnExtentAndWhatItLeftIsRepainted) {
  const RECT before{712, 232, 712 + 250, 232 + 13};
  WithLabel1([](TLabel* label) { label->SetCaption("Curto"); },
             [&](HWND form, TLabel* label) {
               SIZE extent = apptest::MeasureCaption("Curto", kFace, -11);
               EXPECT_EQ(label->Left(), 712);
               EXPECT_EQ(label->Top(), 232);
               EXPECT_EQ(label->Width(), extent.cx);
               EXPECT_EQ(label->Height(), 13);
               RECT r = label->BoundsRect();
               EXPECT_EQ(apptest::PresentedArea(form, r),
                         apptest::ReferenceText("Curto", kFace, -11, r.right - r.left, r.bottom - r.top,
                                                0x000000, apptest::ButtonFace()));
               // The old caption's place beyond the new one shows the window's face again.
               RECT rest{r.right, before.top, before.right, before.bottom};
               EXPECT_EQ(apptest::CountOtherThan(form, rest, apptest::ButtonFace()), 0)
                   << apptest::SavePicture(form, "rest");
             });
}

TEST(AppLabel, AnEmptyCaptionIsStillOneLineHighAndShowsNothing) {
  WithLabel1([](TLabel* label) { label->SetCaption(""); },
             [](HWND form, TLabel* label) {
               SIZE blank = apptest::MeasureCaption(" ", kFace, -11);
               EXPECT_EQ(label->Width(), blank.cx);
               EXPECT_EQ(label->Height(), 13);
               EXPECT_EQ(
                   apptest::CountOtherThan(form, {712, 232, 712 + 250, 232 + 13}, apptest::ButtonFace()), 0);
             });
}

TEST(AppLabel, ALineBreakStartsASecondLine) {
  WithLabel1([](TLabel* label) { label->SetCaption("Linha um\nLinha dois"); },
             [](HWND form, TLabel* label) {
               EXPECT_EQ(label->Height(), 26);
               EXPECT_EQ(label->Width(), apptest::MeasureCaption("Linha dois", kFace, -11).cx);
               // Ink on both lines.
               RECT first = label->BoundsRect();
               first.bottom = first.top + 13;
               RECT second = label->BoundsRect();
               second.top += 13;
               EXPECT_GT(apptest::CountOtherThan(form, first, apptest::ButtonFace()), 10);
               EXPECT_GT(apptest::CountOtherThan(form, second, apptest::ButtonFace()), 10);
             });
}

TEST(AppLabel, AmpersandsMarkThePrefix) {
  // "&&" shows one "&".
  WithLabel1([](TLabel* label) { label->SetCaption(text::Utf8ToCp1252("Dó && Ré")); },
             [](HWND form, TLabel* label) {
               const std::string shown = text::Utf8ToCp1252("Dó & Ré");
               SIZE extent = apptest::MeasureCaption(shown, kFace, -11, DT_NOPREFIX);
               EXPECT_EQ(label->Width(), extent.cx);
               RECT r = label->BoundsRect();
               EXPECT_EQ(apptest::PresentedArea(form, r),
                         apptest::ReferenceText(shown, kFace, -11, r.right - r.left, r.bottom - r.top,
                                                0x000000, apptest::ButtonFace(), DT_NOPREFIX));
             });
  // "&" before a letter underlines it: the same letters, plus a line under the first one only.
  WithLabel1([](TLabel* label) { label->SetCaption("&Nota"); },
             [](HWND form, TLabel* label) {
               RECT r = label->BoundsRect();
               const int w = r.right - r.left;
               const int h = r.bottom - r.top;
               EXPECT_EQ(w, apptest::MeasureCaption("Nota", kFace, -11, DT_NOPREFIX).cx);
               auto shown = apptest::PresentedArea(form, r);
               auto plain = apptest::ReferenceText("Nota", kFace, -11, w, h, 0x000000, apptest::ButtonFace(),
                                                   DT_NOPREFIX);
               const int letterWidth = apptest::MeasureCaption("N", kFace, -11).cx;
               int differing = 0;
               int outsideTheLetter = 0;
               for (int y = 0; y < h; ++y) {
                 for (int x = 0; x < w; ++x) {
                   if (shown[y * w + x] == plain[y * w + x]) continue;
                   ++differing;
                   if (x >= letterWidth) ++outsideTheLetter;
                 }
               }
               EXPECT_GT(differing, 2) << "no underline";
               EXPECT_EQ(outsideTheLetter, 0) << "the underline runs past the marked letter";
             });
}

// The caption drawn twice: in the highlight colour one pixel right and down, then in the shadow
// colour on top, on the window's face.
std::vector<std::uint32_t> Embossed(const std::string& caption, int width, int height) {
  const std::uint32_t face = apptest::ButtonFace();
  std::vector<std::uint32_t> fill(static_cast<std::size_t>(width) * height, face);
  HBITMAP bitmap = CreateBitmapFromPixels(width, height, fill.data());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  LOGFONT lf{};
  lf.lfHeight = -11;
  lf.lfWeight = FW_NORMAL;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", kFace);
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT shifted{1, 1, width + 1, height + 1};
  SetTextColor(dc, RGB(255, 255, 255));
  DrawText(dc, caption.data(), static_cast<int>(caption.size()), &shifted, DT_LEFT | DT_EXPANDTABS);
  RECT r{0, 0, width, height};
  SetTextColor(dc, RGB(128, 128, 128));
  DrawText(dc, caption.data(), static_cast<int>(caption.size()), &r, DT_LEFT | DT_EXPANDTABS);
  std::vector<std::uint32_t> out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(PixelFromColor(GetPixel(dc, x, y)));
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

TEST(AppLabel, ADisabledLabelIsEmbossed) {
  WithLabel1([](TLabel* label) { label->SetEnabled(false); },
             [](HWND form, TLabel* label) {
               RECT r = label->BoundsRect();
               EXPECT_EQ(apptest::PresentedArea(form, r),
                         Embossed(label->Caption(), r.right - r.left, r.bottom - r.top))
                   << apptest::SavePicture(form, "disabled");
             });
}

TEST(AppLabel, AFontChangeMeasuresTheCaptionAgain) {
  WithLabel1([](TLabel* label) { label->Font().SetHeight(-19); },
             [](HWND form, TLabel* label) {
               const std::string caption = label->Caption();
               SIZE extent = apptest::MeasureCaption(caption, kFace, -19);
               EXPECT_EQ(label->Width(), extent.cx);
               EXPECT_EQ(label->Height(), extent.cy);
               EXPECT_FALSE(label->ParentFont()) << "the label has a font of its own now";
               RECT r = label->BoundsRect();
               r.right = std::min<LONG>(r.right, 981);
               r.bottom = std::min<LONG>(r.bottom, 277);
               auto expected = apptest::ReferenceText(caption, kFace, -19, label->Width(), label->Height(),
                                                      0x000000, apptest::ButtonFace());
               auto shown = apptest::PresentedArea(form, r);
               // Compare what fits in the window.
               int mismatches = 0;
               for (int y = 0; y < r.bottom - r.top; ++y) {
                 for (int x = 0; x < r.right - r.left; ++x) {
                   if (shown[y * (r.right - r.left) + x] != expected[y * label->Width() + x]) ++mismatches;
                 }
               }
               EXPECT_EQ(mismatches, 0) << apptest::SavePicture(form, "bigger");
             });
}

TEST(AppLabel, AHiddenLabelLeavesTheFaceBehind) {
  WithLabel1([](TLabel* label) { label->SetVisible(false); },
             [](HWND form, TLabel*) {
               EXPECT_EQ(
                   apptest::CountOtherThan(form, {712, 232, 712 + 250, 232 + 13}, apptest::ButtonFace()), 0);
             });
}

}  // namespace
