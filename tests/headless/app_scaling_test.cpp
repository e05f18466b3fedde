// SPDX-License-Identifier: GPL-3.0-or-later
// Load-time scaling of the main window in whole-program runs on screens of 96 and 120 pixels per
// inch: the font, the controls' edges, the client size, the labels' own fonts, and the window's
// place, which never moves; and a window that asks not to be scaled.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/grid/string_grid.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "support/app_run.h"

namespace {

using apptest::RunOptions;
using apptest::RunProgram;
using apptest::Scale;

struct LabelDesign {
  int left;
  int top;
  bool large;
};

// Label1 .. Label7 as designed at 96 pixels per inch.
const LabelDesign kDesign[] = {{712, 232, false}, {88, 48, true},    {88, 80, true}, {88, 112, true},
                               {808, 40, false},  {648, 256, false}, {363, 8, true}};

TLabel* LabelOf(int index) {
  TLabel* labels[] = {Form1->Label1, Form1->Label2, Form1->Label3, Form1->Label4,
                      Form1->Label5, Form1->Label6, Form1->Label7};
  return labels[index];
}

// The height of "0" in the window's font at that height, measured apart from the window.
int HeightOfZero(int fontHeight) {
  HDC dc = CreateCompatibleDC(nullptr);
  LOGFONT lf{};
  lf.lfHeight = fontHeight;
  lf.lfWeight = FW_NORMAL;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "MS Sans Serif");
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32(dc, "0", 1, &size);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return size.cy;
}

// The windowed controls of the main window as designed: name, left, top, width, height.
struct WindowedDesign {
  const char* name;
  int left;
  int top;
  int width;
  int height;
};
const WindowedDesign kWindowed[] = {
    {"StringGrid1", 8, 160, 965, 53}, {"ComboBox1", 72, 16, 185, 21}, {"MediaPlayer1", 280, 8, 29, 30}};

struct Layout {
  int clientWidth = 0;
  int clientHeight = 0;
  int left = 0;
  int top = 0;
  int fontHeight = 0;
  int pixelsPerInch = 0;
  std::vector<RECT> labels;
  std::vector<int> labelFontHeights;
  std::vector<std::string> captions;
  std::vector<std::pair<std::string, RECT>> windowed;  // the windowed controls present
  int strayPixels = -1;
  int wrongLabelPictures = -1;
};

// Everything the user sees of the layout, read in the first idle moment of a run.
Layout ReadLayout() {
  Layout l;
  HWND form = Form1->Handle();
  RECT client{};
  GetClientRect(form, &client);
  l.clientWidth = client.right;
  l.clientHeight = client.bottom;
  RECT window{};
  GetWindowRect(form, &window);
  l.left = window.left;
  l.top = window.top;
  l.fontHeight = Form1->Font().Height();
  l.pixelsPerInch = Form1->PixelsPerInch();
  const std::uint32_t face = apptest::ButtonFace();
  l.wrongLabelPictures = 0;
  for (int i = 0; i < 7; ++i) {
    TLabel* label = LabelOf(i);
    RECT r = label->BoundsRect();
    l.labels.push_back(r);
    l.labelFontHeights.push_back(label->Font().Height());
    l.captions.push_back(label->Caption());
    auto shown = apptest::PresentedArea(form, r);
    auto expected = apptest::ReferenceText(label->Caption(), "MS Sans Serif", label->Font().Height(),
                                           r.right - r.left, r.bottom - r.top, 0x000000, face);
    if (shown != expected) {
      ++l.wrongLabelPictures;
      ADD_FAILURE() << "Label" << i + 1 << " " << apptest::SavePicture(form, "label" + std::to_string(i + 1));
    }
  }
  for (int i = 0; i < Form1->ControlCount(); ++i) {
    TControl* c = Form1->Controls(i);
    if (c->IsWindowed()) l.windowed.emplace_back(c->Name(), c->BoundsRect());
  }
  l.strayPixels = 0;
  for (int y = 0; y < l.clientHeight; ++y) {
    for (int x = 0; x < l.clientWidth; ++x) {
      bool inLabel = false;
      for (const RECT& r : l.labels) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) inLabel = true;
      }
      for (const auto& [name, r] : l.windowed) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) inLabel = true;
      }
      if (!inLabel && apptest::Pixel(form, x, y) != face) ++l.strayPixels;
    }
  }
  return l;
}

Layout RunAndRead(const RunOptions& options) {
  Layout layout;
  auto result = RunProgram(options, {
                                        [&] {
                                          layout = ReadLayout();
                                          apptest::RequestCloseOf(Form1->Handle());
                                        },
                                    });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  return layout;
}

// Every windowed control present lies where its design puts it, its edges scaled by m / d (the
// key selector's height comes from its font, so only its top edge is checked).
void ExpectWindowedEdges(const Layout& l, int m, int d) {
  for (const auto& [name, r] : l.windowed) {
    const WindowedDesign* design = nullptr;
    for (const WindowedDesign& w : kWindowed) {
      if (name == w.name) design = &w;
    }
    if (design == nullptr) {
      ADD_FAILURE() << "an unknown windowed control " << name;
      continue;
    }
    SCOPED_TRACE(name);
    EXPECT_EQ(r.left, Scale(design->left, m, d));
    EXPECT_EQ(r.top, Scale(design->top, m, d));
    if (name == "MediaPlayer1") {
      // Its width comes from its buttons: loading left it 0 until its first layout (its visible
      // buttons were set before any button had a width), so scaling has no width to scale and
      // the layout then gives it one button of the glyphs' minimum width.
      EXPECT_EQ(r.right - r.left, design->width);
    } else {
      EXPECT_EQ(r.right, Scale(design->left + design->width, m, d));
    }
    if (name != "ComboBox1") {
      EXPECT_EQ(r.bottom, Scale(design->top + design->height, m, d));
    }
  }
}

void ExpectDesignLayout(const Layout& l, int fontHeight) {
  EXPECT_EQ(l.clientWidth, 981);
  EXPECT_EQ(l.clientHeight, 277);
  EXPECT_EQ(l.left, 188);
  EXPECT_EQ(l.top, 107);
  EXPECT_EQ(l.fontHeight, fontHeight);
  ASSERT_EQ(l.labels.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE("Label" + std::to_string(i + 1));
    EXPECT_EQ(l.labels[i].left, kDesign[i].left);
    EXPECT_EQ(l.labels[i].top, kDesign[i].top);
    EXPECT_EQ(l.labelFontHeights[i], kDesign[i].large ? -19 : fontHeight);
  }
  ExpectWindowedEdges(l, 13, 13);
  EXPECT_EQ(l.strayPixels, 0);
  EXPECT_EQ(l.wrongLabelPictures, 0);
}

TEST(AppScaling, NothingChangesAt96PixelsPerInch) {
  ASSERT_EQ(HeightOfZero(-11), 13) << "the substitute font must keep the design's text height";
  Layout l = RunAndRead({});
  ExpectDesignLayout(l, -11);
  EXPECT_EQ(l.pixelsPerInch, 96);
}

TEST(AppScaling, At120PixelsPerInchTheLayoutFollowsTheMeasuredTextHeight) {
  RunOptions options;
  options.display.dpi = 120;
  // A screen as wide as 120 pixels per inch screens are: the scaled window fits at its place, which
  // a narrower one would move it from to keep it whole.
  options.display.screenWidth = 1600;
  options.display.screenHeight = 1200;
  Layout l = RunAndRead(options);
  // The font first: 8 points at 120 pixels per inch.
  EXPECT_EQ(l.fontHeight, -14);
  EXPECT_EQ(l.pixelsPerInch, 120);
  const int n = HeightOfZero(-14);
  RecordProperty("MeasuredTextHeight", n);
  EXPECT_EQ(l.left, 188) << "the window's place is never scaled";
  EXPECT_EQ(l.top, 107);
  ASSERT_EQ(l.labels.size(), 7u);
  if (n == 13) {
    // Same text height: the edges stay, only the fonts follow the screen.
    EXPECT_EQ(l.clientWidth, 981);
    EXPECT_EQ(l.clientHeight, 277);
  } else {
    EXPECT_EQ(l.clientWidth, Scale(981, n, 13));
    EXPECT_EQ(l.clientHeight, Scale(277, n, 13));
  }
  // A label's own font: its size in points (at the screen's resolution) times the same ratio.
  const int largePoints = Scale(19, 72, 120);
  const int largeHeight = n == 13 ? -19 : -Scale(Scale(largePoints, n, 13), 120, 72);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE("Label" + std::to_string(i + 1));
    EXPECT_EQ(l.labels[i].left, Scale(kDesign[i].left, n, 13));
    EXPECT_EQ(l.labels[i].top, Scale(kDesign[i].top, n, 13));
    EXPECT_EQ(l.labelFontHeights[i], kDesign[i].large ? largeHeight : -14);
    // Auto size: the caption's extent in the label's scaled font.
    SIZE extent = apptest::MeasureCaption(l.captions[i], "MS Sans Serif", l.labelFontHeights[i]);
    EXPECT_EQ(l.labels[i].right - l.labels[i].left, extent.cx);
    EXPECT_EQ(l.labels[i].bottom - l.labels[i].top, extent.cy);
    EXPECT_LE(l.labels[i].right, l.clientWidth) << "still inside the window";
    EXPECT_LE(l.labels[i].bottom, l.clientHeight);
  }
  ExpectWindowedEdges(l, n, 13);
  EXPECT_EQ(l.strayPixels, 0);
  EXPECT_EQ(l.wrongLabelPictures, 0);
}

// On finer screens the grid's cells grow with the window: the 13 columns and their lines still fill
// the grid's client area (no empty band at its right, no scroll bar taking room), and the texts
// that the designed 73-pixel columns cut there (a header's "Sobretônica", a chord's "Fá # Menor")
// show whole.
TEST(AppScaling, TheGridsCellsGrowWithTheWindowOnFinerScreens) {
  for (int dpi : {120, 192}) {
    SCOPED_TRACE(dpi);
    RunOptions options;
    options.display.dpi = dpi;
    int fontHeight = 0;
    int columnsEnd = 0;
    int narrowest = 0;
    RECT grid{};
    RECT client{};
    std::uint32_t rightEdge = 0;
    auto result = RunProgram(options, {
                                          [&] {
                                            TStringGrid* g = Form1->StringGrid1;
                                            fontHeight = g->Font().Height();
                                            narrowest = g->ColWidth(0);
                                            for (int c = 0; c < 13; ++c) {
                                              columnsEnd += g->ColWidth(c) + g->GridLineWidth();
                                              narrowest = std::min(narrowest, g->ColWidth(c));
                                            }
                                            grid = g->BoundsRect();
                                            GetClientRect(g->Handle(), &client);
                                            rightEdge = apptest::Pixel(Form1->Handle(), grid.right - 3,
                                                                       grid.top + 2 + g->RowHeight(0) / 2);
                                            apptest::RequestCloseOf(Form1->Handle());
                                          },
                                      });
    EXPECT_EQ(result.exitCode, 0);
    const int n = HeightOfZero(fontHeight);
    ASSERT_NE(n, 13) << "the window must scale at this resolution";
    EXPECT_EQ(client.right, grid.right - grid.left - 4) << "a scroll bar takes room";
    EXPECT_EQ(client.bottom, grid.bottom - grid.top - 4);
    EXPECT_GE(columnsEnd, client.right) << "the columns stop short of the grid's edge";
    EXPECT_LE(columnsEnd, client.right + 1) << "only the last grid line may fall outside";
    EXPECT_NE(rightEdge, 0xFFFFFFu) << "an empty band beside the last column";
    for (const char* text : {"Sobretônica", "Mediante", "Fá # Menor"}) {
      const SIZE extent = apptest::MeasureCaption(text::Utf8ToCp1252(text), "MS Sans Serif", fontHeight);
      EXPECT_LE(extent.cx + 2, narrowest) << text << " is cut at its cell's edge";
    }
  }
}

// A window that stores no pixels per inch (Scaled false) keeps its design on any screen.
TEST(AppScaling, WithScaledFalseNothingScalesAt120PixelsPerInch) {
  apptest::ResourceSwap swap;
  RunOptions options;
  options.display.dpi = 120;
  options.resources = swap.SetDescription("TFORM1", apptest::InsertAfter(apptest::MainWindowDescription(),
                                                                         "OldCreateOrder", "  Scaled false"))
                          .Set();
  Layout l = RunAndRead(options);
  ExpectDesignLayout(l, -11);
  EXPECT_EQ(l.pixelsPerInch, 0);
}

// Without a stored text height there is nothing to measure against: nothing scales, not even the
// font.
TEST(AppScaling, WithoutAStoredTextHeightNothingScales) {
  std::string description = apptest::MainWindowDescription();
  std::size_t at = description.find("  TextHeight 13\n");
  ASSERT_NE(at, std::string::npos);
  description.erase(at, std::string("  TextHeight 13\n").size());
  apptest::ResourceSwap swap;
  RunOptions options;
  options.display.dpi = 120;
  options.resources = swap.SetDescription("TFORM1", description).Set();
  Layout l = RunAndRead(options);
  ExpectDesignLayout(l, -11);
}

}  // namespace
