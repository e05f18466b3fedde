// SPDX-License-Identifier: GPL-3.0-or-later
// Painting as the user sees it: what reaches the display is read back from the headless display,
// so a missing paint or a missing present shows up as a wrong pixel.
#include <gmock/gmock.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "platform/backend/backend_events.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using namespace testwin;

namespace {

std::map<HWND, COLORREF>& Colors() {
  static std::map<HWND, COLORREF> colors;
  return colors;
}

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr std::uint32_t kWhitePixel = 0xFFFFFF;

class Painting : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    Colors().clear();
    // Windows with a colour fill their whole client area with it when asked to paint.
    TheLog().handlers[WM_PAINT] = [](HWND hwnd, WPARAM, LPARAM, LRESULT* r) {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      auto it = Colors().find(hwnd);
      if (it != Colors().end()) {
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(it->second);
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
      }
      EndPaint(hwnd, &ps);
      *r = 0;
      return true;
    };
    m_top = TopLevel(100, 100, 200, 150);
  }
  std::uint32_t Shown(int x, int y) const { return headless::PresentedPixel(m_top, x, y); }
  int Presents() { return Display().Native(m_top)->presentCount; }
  HWND m_top = nullptr;
};

TEST_F(Painting, OneWmPaintPerPendingUpdateParentsFirst) {
  HWND child = Child(m_top, 10, 10, 50, 50);
  ShowWindow(m_top, SW_SHOWNORMAL);
  InvalidateRect(m_top, nullptr, TRUE);
  InvalidateRect(m_top, nullptr, TRUE);
  // A peek without removing sees the same paint each time; it stays pending until painted.
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, m_top);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT, m_top), 1);
  EXPECT_EQ(TheLog().Count(WM_PAINT, child), 1);
  auto order = TheLog().Messages();
  auto parentAt = std::find(order.begin(), order.end(), static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(TheLog().Of(WM_PAINT)[0].hwnd, m_top);
  EXPECT_NE(parentAt, order.end());
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT), 2);  // nothing new to paint, no new WM_PAINT
}

TEST_F(Painting, OnlyTheInvalidatedPartIsPaintedAndPresented) {
  Colors()[m_top] = kRed;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(0, 0), PixelFromColor(kRed));
  EXPECT_EQ(Shown(199, 149), PixelFromColor(kRed));
  const int before = Presents();

  Colors()[m_top] = kBlue;
  RECT part{10, 20, 30, 40};
  InvalidateRect(m_top, &part, FALSE);
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(10, 20), PixelFromColor(kBlue));
  EXPECT_EQ(Shown(29, 39), PixelFromColor(kBlue));
  EXPECT_EQ(Shown(30, 39), PixelFromColor(kRed));
  EXPECT_EQ(Shown(9, 20), PixelFromColor(kRed));
  // One present for the idle point, covering only the changed rectangle.
  EXPECT_EQ(Presents(), before + 1);
  const auto& rects = Display().Native(m_top)->lastPresent;
  ASSERT_FALSE(rects.empty());
  for (const RECT& r : rects) {
    EXPECT_GE(r.left, 10);
    EXPECT_GE(r.top, 20);
    EXPECT_LE(r.right, 30);
    EXPECT_LE(r.bottom, 40);
  }
}

TEST_F(Painting, DrawingOutsidePaintReachesTheDisplayAtTheNextIdlePoint) {
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  HDC hdc = GetDC(m_top);
  RECT r{50, 50, 60, 60};
  HBRUSH brush = CreateSolidBrush(kGreen);
  FillRect(hdc, &r, brush);
  DeleteObject(brush);
  ReleaseDC(m_top, hdc);
  // Not yet on the display: nothing is presented until the loop is idle.
  EXPECT_NE(Shown(55, 55), PixelFromColor(kGreen));
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(55, 55), PixelFromColor(kGreen));
}

TEST_F(Painting, EraseUsesTheClassBrush) {
  // The logging class has the window colour (white) as its background brush.
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(100, 100), kWhitePixel);
  EXPECT_GE(TheLog().Count(WM_ERASEBKGND, m_top), 1);
  // Without erase, the background is left alone.
  TheLog().Clear();
  InvalidateRect(m_top, nullptr, FALSE);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_ERASEBKGND, m_top), 0);
  EXPECT_EQ(TheLog().Count(WM_PAINT, m_top), 1);
}

TEST_F(Painting, ClipChildrenKeepsChildPixelsWhenTheParentPaints) {
  SetWindowLongPtr(m_top, GWL_STYLE, GetWindowLongPtr(m_top, GWL_STYLE) | WS_CLIPCHILDREN);
  HWND child = Child(m_top, 20, 20, 40, 40);
  Colors()[m_top] = kRed;
  Colors()[child] = kGreen;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(30, 30), PixelFromColor(kGreen));
  TheLog().Clear();
  InvalidateRect(m_top, nullptr, TRUE);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT, child), 0);
  EXPECT_EQ(Shown(30, 30), PixelFromColor(kGreen));  // the parent's fill went around it
  EXPECT_EQ(Shown(10, 10), PixelFromColor(kRed));

  // Without the style the parent paints over the child, so the child paints again after it.
  SetWindowLongPtr(m_top, GWL_STYLE, GetWindowLongPtr(m_top, GWL_STYLE) & ~WS_CLIPCHILDREN);
  TheLog().Clear();
  InvalidateRect(m_top, nullptr, TRUE);
  headless::PumpUntilIdle();
  ASSERT_EQ(TheLog().Count(WM_PAINT, child), 1);
  EXPECT_EQ(TheLog().Of(WM_PAINT)[0].hwnd, m_top);
  EXPECT_EQ(Shown(30, 30), PixelFromColor(kGreen));
}

TEST_F(Painting, SiblingsAreClippedWhenTheyAskForIt) {
  HWND lower = Child(m_top, 0, 0, 100, 100, WS_VISIBLE | WS_CLIPSIBLINGS);
  HWND upper = Child(m_top, 50, 50, 100, 100, WS_VISIBLE | WS_CLIPSIBLINGS);
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Colors()[lower] = kRed;
  Colors()[upper] = kBlue;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  InvalidateRect(lower, nullptr, FALSE);  // the lower one paints again, alone
  headless::PumpUntilIdle();
  EXPECT_EQ(Shown(75, 75), PixelFromColor(kBlue));
  EXPECT_EQ(Shown(25, 25), PixelFromColor(kRed));
}

TEST_F(Painting, HiddenWindowsDoNotPaintAndUpdateWindowPaintsAtOnce) {
  HWND child = Child(m_top, 0, 0, 10, 10, 0);  // not visible
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  InvalidateRect(child, nullptr, TRUE);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT, child), 0);
  TheLog().Clear();
  InvalidateRect(m_top, nullptr, TRUE);
  UpdateWindow(m_top);
  EXPECT_EQ(TheLog().Count(WM_PAINT, m_top), 1);  // without running the loop
  RECT r;
  EXPECT_FALSE(GetUpdateRect(m_top, &r, FALSE));
  // ValidateRect withdraws a pending update.
  InvalidateRect(m_top, nullptr, TRUE);
  RECT upd;
  EXPECT_TRUE(GetUpdateRect(m_top, &upd, FALSE));
  EXPECT_EQ(upd, (RECT{0, 0, 200, 150}));
  ValidateRect(m_top, nullptr);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT, m_top), 1);
}

TEST_F(Painting, ExposeShowsTheSurfaceAgainWithoutPainting) {
  Colors()[m_top] = kRed;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  const int presents = Presents();
  TheLog().Clear();
  headless::Events().Expose(m_top, {5, 5, 15, 25});
  EXPECT_EQ(Presents(), presents + 1);
  EXPECT_EQ(Display().Native(m_top)->lastPresent, (std::vector<RECT>{{5, 5, 15, 25}}));
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_PAINT), 0);
}

TEST_F(Painting, ResizingATopLevelRepaintsAndPresentsAll) {
  Colors()[m_top] = kRed;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  Colors()[m_top] = kBlue;
  SetWindowPos(m_top, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  headless::PumpUntilIdle();
  const Surface* shown = headless::PresentedSurface(m_top);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Width(), 300);
  EXPECT_EQ(Shown(0, 0), PixelFromColor(kBlue));
  EXPECT_EQ(Shown(299, 199), PixelFromColor(kBlue));
}

}  // namespace

namespace {

TEST_F(Painting, WhatTheWindowShowsCanBeSavedAsPng) {
  Colors()[m_top] = kRed;
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  const std::string path = ::testing::TempDir() + "tessivo_paint_test.png";
  ASSERT_TRUE(headless::WritePng(m_top, path));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char header[24] = {};
  ASSERT_EQ(std::fread(header, 1, sizeof header, f), sizeof header);
  std::fclose(f);
  std::remove(path.c_str());
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(std::memcmp(header, signature, 8), 0);
  // The image header carries the window's size (big-endian width and height).
  EXPECT_EQ((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19], 200);
  EXPECT_EQ((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23], 150);
  EXPECT_FALSE(headless::WritePng(m_top, "/nonexistent-dir/x.png"));
  EXPECT_FALSE(headless::WritePng(reinterpret_cast<HWND>(0x4242), path));
}

// The classic scheme as the user sees it: each index's brush fills a square of a window, and the
// pixel read back from the display is the scheme's colour for that index.
class SystemColors : public LoggingFixture {};

TEST_F(SystemColors, ClassicSchemeValues) {
  struct Shade {
    int index;
    COLORREF color;
  };
  static const Shade kScheme[] = {
      {COLOR_BTNFACE, RGB(212, 208, 200)},      {COLOR_3DLIGHT, RGB(212, 208, 200)},
      {COLOR_SCROLLBAR, RGB(212, 208, 200)},    {COLOR_WINDOW, RGB(255, 255, 255)},
      {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)}, {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
      {COLOR_WINDOWTEXT, RGB(0, 0, 0)},         {COLOR_BTNTEXT, RGB(0, 0, 0)},
      {COLOR_WINDOWFRAME, RGB(0, 0, 0)},        {COLOR_BTNSHADOW, RGB(128, 128, 128)},
      {COLOR_GRAYTEXT, RGB(128, 128, 128)},     {COLOR_3DDKSHADOW, RGB(64, 64, 64)},
      {COLOR_HIGHLIGHT, RGB(10, 36, 106)},
  };
  constexpr int kSquare = 8;
  constexpr COLORREF kPaper = RGB(1, 2, 3);  // no index has it: an unfilled square shows it
  TheLog().handlers[WM_PAINT] = [](HWND hwnd, WPARAM, LPARAM, LRESULT* r) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH paper = CreateSolidBrush(kPaper);
    FillRect(dc, &client, paper);
    DeleteObject(paper);
    for (std::size_t i = 0; i < std::size(kScheme); ++i) {
      const int left = static_cast<int>(i) * kSquare;
      RECT square{left, 0, left + kSquare, kSquare};
      FillRect(dc, &square, GetSysColorBrush(kScheme[i].index));
    }
    EndPaint(hwnd, &ps);
    *r = 0;
    return true;
  };
  HWND top = TopLevel(100, 100, 200, 40);
  ShowWindow(top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  for (std::size_t i = 0; i < std::size(kScheme); ++i) {
    const int middle = static_cast<int>(i) * kSquare + kSquare / 2;
    EXPECT_EQ(headless::PresentedPixel(top, middle, kSquare / 2) & 0xFFFFFF, PixelFromColor(kScheme[i].color))
        << "colour index " << kScheme[i].index;
  }
  EXPECT_EQ(headless::PresentedPixel(top, 150, 20) & 0xFFFFFF, PixelFromColor(kPaper));
  // Indices outside the scheme have no colour.
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(COLOR_MAX + 1), 0u);
}

}  // namespace
