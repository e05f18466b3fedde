// SPDX-License-Identifier: GPL-3.0-or-later
// Clipping, origins, SaveDC/RestoreDC, regions, surface DCs and handle safety.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/region.h"
#include "platform/window.h"
#include "support/canvas.h"

using gfx::Region;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

using testgdi::Canvas;

TEST(GdiRegion, CombineModesAndCanonicalTypes) {
  HRGN left = CreateRectRgn(0, 0, 10, 10);
  HRGN right = CreateRectRgn(10, 0, 20, 10);
  HRGN dest = CreateRectRgn(0, 0, 0, 0);
  RECT box;
  // Two touching halves make one rectangle again.
  EXPECT_EQ(CombineRgn(dest, left, right, RGN_OR), SIMPLEREGION);
  EXPECT_EQ(GetRgnBox(dest, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 20, 10}));
  EXPECT_EQ(CombineRgn(dest, left, right, RGN_AND), NULLREGION);
  HRGN middle = CreateRectRgn(5, 5, 15, 15);
  EXPECT_EQ(CombineRgn(dest, left, middle, RGN_DIFF), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(dest, 2, 8));
  EXPECT_FALSE(PtInRegion(dest, 7, 7));
  GetRgnBox(dest, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
  EXPECT_EQ(CombineRgn(dest, left, middle, RGN_XOR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(dest, 12, 12));
  EXPECT_FALSE(PtInRegion(dest, 6, 6));
  EXPECT_TRUE(PtInRegion(dest, 1, 1));
  // Undoing the xor restores the rectangle.
  EXPECT_EQ(CombineRgn(dest, dest, middle, RGN_XOR), SIMPLEREGION);
  GetRgnBox(dest, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
  EXPECT_EQ(CombineRgn(dest, middle, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(OffsetRgn(dest, 100, 0), SIMPLEREGION);
  RECT probe{104, 0, 106, 6};
  EXPECT_TRUE(RectInRegion(dest, &probe));
  EXPECT_EQ(CombineRgn(dest, left, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(CombineRgn(dest, left, right, 42), ERROR);
  for (HRGN r : {left, right, dest, middle}) EXPECT_TRUE(DeleteObject(r));
  EXPECT_EQ(GetRgnBox(left, &box), ERROR);
}

// The rectangle lists against a plain pixel set: random combinations of random rectangles must
// cover exactly the pixels the set says, with disjoint rectangles, and equal areas must have equal
// lists however they were built.
TEST(GdiRegion, RandomCombinationsMatchAPixelModel) {
  constexpr int kSize = 24;
  using Pixels = std::array<std::array<bool, kSize>, kSize>;
  std::mt19937 random(20100201);
  std::uniform_int_distribution<int> coord(-2, kSize + 2);
  std::uniform_int_distribution<int> pickOp(0, 3);
  auto randomRect = [&] {
    return RECT{coord(random), coord(random), coord(random), coord(random)};  // may be empty
  };
  auto paint = [](Pixels& p, const RECT& r, Region::Op op) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        bool& v = p[y][x];
        switch (op) {
          case Region::Op::And:
            v = v && in;
            break;
          case Region::Op::Or:
            v = v || in;
            break;
          case Region::Op::Diff:
            v = v && !in;
            break;
          case Region::Op::Xor:
            v = v != in;
            break;
        }
      }
  };
  const RECT world{0, 0, kSize, kSize};
  for (int round = 0; round < 200; ++round) {
    Region region;
    Pixels model{};
    for (int step = 0; step < 8; ++step) {
      const RECT r = rect::Intersect(randomRect(), world);
      const auto op = static_cast<Region::Op>(pickOp(random));
      region = Region::Combine(region, Region(r), op);
      paint(model, r, op);
    }
    Region rebuilt;  // the same pixels, one pixel at a time
    int pixels = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        ASSERT_EQ(region.Contains(x, y), model[y][x]) << "round " << round << " at " << x << "," << y;
        if (model[y][x]) {
          rebuilt.UnionRect(RECT{x, y, x + 1, y + 1});
          ++pixels;
        }
      }
    int area = 0;
    const auto& rects = region.Rects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
      ASSERT_FALSE(rect::IsEmpty(rects[i]));
      area += (rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
      for (std::size_t j = i + 1; j < rects.size(); ++j)
        ASSERT_TRUE(rect::IsEmpty(rect::Intersect(rects[i], rects[j])));
    }
    EXPECT_EQ(area, pixels);
    EXPECT_EQ(rebuilt, region) << "round " << round;
  }
}

TEST(GdiClip, IntersectAndExclude) {
  Canvas c(20, 20);
  IntersectClipRect(c.dc(), 2, 2, 12, 12);
  EXPECT_EQ(ExcludeClipRect(c.dc(), 4, 4, 8, 8), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{2, 2, 12, 12}));
  c.FillAll(kRed);
  EXPECT_EQ(c.Count(kRed), 100 - 16);
  EXPECT_EQ(c.At(5, 5), kWhite);
  EXPECT_EQ(c.At(2, 2), kRed);
  EXPECT_EQ(c.At(12, 11), kWhite);
  RECT inHole{5, 5, 7, 7}, crossing{0, 0, 3, 3};
  EXPECT_FALSE(RectVisible(c.dc(), &inHole));
  EXPECT_TRUE(RectVisible(c.dc(), &crossing));
  EXPECT_EQ(IntersectClipRect(c.dc(), 30, 30, 40, 40), NULLREGION);
  EXPECT_EQ(GetClipBox(c.dc(), &box), NULLREGION);
}

TEST(GdiClip, ChildPaintingWithSaveOriginClipRestore) {
  // How a form paints a windowless child: save, move the origin to the child, clip to its size,
  // paint, restore.
  Canvas c(40, 30);
  const int saved = SaveDC(c.dc());
  EXPECT_EQ(saved, 1);
  SetViewportOrgEx(c.dc(), 10, 5, nullptr);
  IntersectClipRect(c.dc(), 0, 0, 4, 3);
  c.FillAll(kRed);
  EXPECT_EQ(c.Count(kRed), 12);
  EXPECT_EQ(c.At(10, 5), kRed);
  EXPECT_EQ(c.At(13, 7), kRed);
  EXPECT_EQ(c.At(14, 7), kWhite);
  RECT box;
  GetClipBox(c.dc(), &box);
  EXPECT_EQ(box, (RECT{0, 0, 4, 3}));
  ASSERT_TRUE(RestoreDC(c.dc(), -1));
  POINT org;
  GetViewportOrgEx(c.dc(), &org);
  EXPECT_EQ(org, (POINT{0, 0}));
  c.FillAll(RGB(0, 0, 255));
  EXPECT_EQ(c.Count(RGB(0, 0, 255)), 40 * 30);
}

TEST(GdiClip, RestoreLevels) {
  Canvas c(10, 10);
  SetTextColor(c.dc(), RGB(1, 1, 1));
  EXPECT_EQ(SaveDC(c.dc()), 1);
  SetTextColor(c.dc(), RGB(2, 2, 2));
  EXPECT_EQ(SaveDC(c.dc()), 2);
  SetTextColor(c.dc(), RGB(3, 3, 3));
  EXPECT_EQ(SaveDC(c.dc()), 3);
  EXPECT_FALSE(RestoreDC(c.dc(), 0));
  EXPECT_FALSE(RestoreDC(c.dc(), 4));
  EXPECT_FALSE(RestoreDC(c.dc(), -4));
  EXPECT_TRUE(RestoreDC(c.dc(), -2));  // back to the state saved second
  EXPECT_EQ(GetTextColor(c.dc()), RGB(2, 2, 2));
  EXPECT_TRUE(RestoreDC(c.dc(), 1));
  EXPECT_EQ(GetTextColor(c.dc()), RGB(1, 1, 1));
  EXPECT_FALSE(RestoreDC(c.dc(), -1));  // nothing left
}

TEST(GdiClip, SelectClipRgnTakesLogicalCoordinatesAndNullResets) {
  Canvas c(20, 20);
  SetWindowOrgEx(c.dc(), -5, -5, nullptr);  // logical (0, 0) at bitmap (5, 5)
  HRGN rgn = CreateRectRgn(0, 0, 2, 2);
  EXPECT_EQ(SelectClipRgn(c.dc(), rgn), SIMPLEREGION);
  DeleteObject(rgn);  // the DC keeps its own copy
  c.FillAll(kRed);
  EXPECT_EQ(c.Count(kRed), 4);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(6, 6), kRed);
  EXPECT_EQ(SelectClipRgn(c.dc(), nullptr), SIMPLEREGION);
  c.FillAll(kRed);
  EXPECT_EQ(c.Count(kRed), 400);
  EXPECT_EQ(SelectClipRgn(c.dc(), reinterpret_cast<HRGN>(0xdead0)), ERROR);
}

TEST(GdiClip, OffsetViewportAccumulates) {
  Canvas c(10, 10);
  POINT old;
  OffsetViewportOrgEx(c.dc(), 2, 3, &old);
  OffsetViewportOrgEx(c.dc(), 1, 1, &old);
  EXPECT_EQ(old, (POINT{2, 3}));
  SetPixel(c.dc(), 0, 0, kRed);
  EXPECT_EQ(c.At(3, 4), kRed);
}

TEST(GdiSurfaceDc, DrawsOnlyInsideTheVisibleRectanglesAndReportsWhatItTouched) {
  Surface surface(50, 40, 0xFFFFFF);
  HWND owner = reinterpret_cast<HWND>(0x5000);
  HDC dc = gfx::CreateSurfaceDC(owner, &surface, POINT{10, 5}, {RECT{10, 5, 30, 25}, RECT{35, 5, 40, 10}});
  ASSERT_NE(dc, nullptr);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{0, 0, 100, 100};
  FillRect(dc, &all, red);
  int redCount = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) redCount += surface.Pixel(x, y) == 0xFF0000;
  EXPECT_EQ(redCount, 20 * 20 + 5 * 5);
  EXPECT_EQ(surface.Pixel(10, 5), 0xFF0000u);
  EXPECT_EQ(surface.Pixel(9, 5), 0xFFFFFFu);
  EXPECT_EQ(surface.Pixel(32, 6), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);  // logical (0, 0) is surface (10, 5)
  EXPECT_EQ(gfx::DestroySurfaceDC(dc), (RECT{10, 5, 40, 25}));

  HDC idle = gfx::CreateSurfaceDC(owner, &surface, POINT{0, 0}, {RECT{0, 0, 50, 40}});
  EXPECT_EQ(gfx::DestroySurfaceDC(idle), RECT{});  // nothing drawn
  DeleteObject(red);
}

TEST(GdiSurfaceDc, DetachedDcsFailQuietlyAndOthersKeepWorking) {
  Surface surface(10, 10, 0);
  Surface other(10, 10, 0);
  HWND a = reinterpret_cast<HWND>(0x6000), b = reinterpret_cast<HWND>(0x7000);
  HDC dcA = gfx::CreateSurfaceDC(a, &surface, POINT{}, {RECT{0, 0, 10, 10}});
  HDC dcB = gfx::CreateSurfaceDC(b, &other, POINT{}, {RECT{0, 0, 10, 10}});
  SetPixel(dcA, 1, 1, kRed);
  gfx::DetachSurfaceDCs(a);
  RECT r{0, 0, 5, 5};
  EXPECT_EQ(FillRect(dcA, &r, GetStockObject(WHITE_BRUSH)), 0);
  EXPECT_EQ(SetPixel(dcA, 2, 2, kRed), CLR_INVALID);
  EXPECT_EQ(SaveDC(dcA), 0);
  EXPECT_EQ(surface.Pixel(2, 2), 0u);
  EXPECT_EQ(SetPixel(dcB, 2, 2, kRed), kRed);
  EXPECT_EQ(other.Pixel(2, 2), 0xFF0000u);
  EXPECT_EQ(gfx::DestroySurfaceDC(dcA), RECT{});
  EXPECT_EQ(gfx::DestroySurfaceDC(dcB), (RECT{2, 2, 3, 3}));
  EXPECT_EQ(gfx::DestroySurfaceDC(dcA), RECT{});  // already gone
}

TEST(GdiHandles, MadeUpAndStaleHandlesFailWithoutCrashing) {
  HDC bogus = reinterpret_cast<HDC>(0x1234568);
  HGDIOBJ junk = reinterpret_cast<HGDIOBJ>(0x7654320);
  RECT r{0, 0, 10, 10};
  POINT pts[2] = {{0, 0}, {5, 5}};
  DWORD counts[1] = {2};
  SIZE size;
  TEXTMETRIC tm;
  EXPECT_EQ(FillRect(bogus, &r, GetStockObject(BLACK_BRUSH)), 0);
  EXPECT_FALSE(Rectangle(bogus, 0, 0, 5, 5));
  EXPECT_FALSE(LineTo(bogus, 1, 1));
  EXPECT_FALSE(PolyPolyline(bogus, pts, counts, 1));
  EXPECT_FALSE(DrawFocusRect(bogus, &r));
  EXPECT_FALSE(TextOut(bogus, 0, 0, "x", 1));
  EXPECT_EQ(DrawText(bogus, "x", 1, &r, DT_CALCRECT), 0);
  EXPECT_FALSE(GetTextExtentPoint32(bogus, "x", 1, &size));
  EXPECT_FALSE(GetTextMetrics(bogus, &tm));
  EXPECT_EQ(SelectObject(bogus, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(SaveDC(bogus), 0);
  EXPECT_FALSE(RestoreDC(bogus, -1));
  EXPECT_FALSE(DeleteDC(bogus));
  EXPECT_FALSE(DeleteDC(nullptr));
  EXPECT_EQ(GetDeviceCaps(bogus, LOGPIXELSY), 0);
  EXPECT_EQ(CreateCompatibleDC(bogus), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(bogus, 5, 5), nullptr);
  EXPECT_FALSE(DeleteObject(junk));
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(GetObject(junk, 0, nullptr), 0);
  EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
  EXPECT_EQ(GetClipBox(bogus, &r), ERROR);
  EXPECT_EQ(gfx::DestroySurfaceDC(bogus), RECT{});

  Canvas c(5, 5);
  EXPECT_EQ(SelectObject(c.dc(), junk), nullptr);
  EXPECT_EQ(SelectObject(c.dc(), nullptr), nullptr);
  EXPECT_EQ(GetObject(junk, 0, nullptr), 0);
  // Selecting a bitmap into a window DC is refused.
  Surface surface(4, 4, 0);
  HDC window = gfx::CreateSurfaceDC(nullptr, &surface, POINT{}, {RECT{0, 0, 4, 4}});
  HBITMAP bmp = CreateCompatibleBitmap(c.dc(), 2, 2);
  EXPECT_EQ(SelectObject(window, bmp), nullptr);
  EXPECT_FALSE(DeleteDC(window));  // window DCs end through the window code
  gfx::DestroySurfaceDC(window);
  DeleteObject(bmp);
}

TEST(GdiHandles, BadSizesAndExtremeCoordinates) {
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
  EXPECT_EQ(CreateBitmapFromPixels(0, 3, nullptr), nullptr);
  HBITMAP empty = CreateCompatibleBitmap(nullptr, 0, 0);
  ASSERT_NE(empty, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObject(empty, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  DeleteObject(empty);

  Canvas c(10, 10);
  SetViewportOrgEx(c.dc(), INT_MAX, INT_MIN, nullptr);
  RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  HBRUSH red = CreateSolidBrush(kRed);
  FillRect(c.dc(), &huge, red);
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  FillRect(c.dc(), &huge, red);
  EXPECT_EQ(c.Count(kRed), 100);
  MoveToEx(c.dc(), INT_MIN, INT_MIN, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), INT_MAX, INT_MAX));
  EXPECT_TRUE(Rectangle(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(IntersectClipRect(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX), SIMPLEREGION);
  DeleteObject(red);
}

TEST(GdiObjects, DeletingASelectedObjectKeepsTheDcDrawing) {
  Canvas c(10, 10);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ old = SelectObject(c.dc(), pen);
  EXPECT_EQ(old, GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));  // the handle is gone at once
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 3, 0);
  EXPECT_EQ(c.At(1, 0), kRed);  // but the DC still draws with the pen
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_PEN), pen);
  EXPECT_EQ(SelectObject(c.dc(), old), pen);
  EXPECT_EQ(SelectObject(c.dc(), pen), nullptr);
}

TEST(GdiObjects, StockObjectsSurviveDeleteAndHandlesAreNeverReused) {
  HGDIOBJ black = GetStockObject(BLACK_PEN);
  EXPECT_TRUE(DeleteObject(black));
  LOGPEN lp;
  ASSERT_EQ(GetObject(black, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnColor, RGB(0, 0, 0));
  EXPECT_EQ(GetStockObject(BLACK_PEN), black);
  EXPECT_EQ(GetStockObject(99), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);

  HBRUSH first = CreateSolidBrush(kRed);
  DeleteObject(first);
  HBRUSH second = CreateSolidBrush(kRed);
  EXPECT_NE(first, second);
  DeleteObject(second);
}

TEST(GdiObjects, GetObjectDescribesEachKind) {
  HPEN pen = CreatePen(PS_DOT, 1, RGB(1, 2, 3));
  LOGPEN lp;
  EXPECT_EQ(GetObject(pen, 0, nullptr), static_cast<int>(sizeof lp));
  EXPECT_EQ(GetObject(pen, 1, &lp), 0);  // too small
  GetObject(pen, sizeof lp, &lp);
  EXPECT_EQ(lp.lopnStyle, PS_DOT);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  LOGBRUSH lb{BS_NULL, 0, 0};
  HBRUSH hollow = CreateBrushIndirect(&lb);
  LOGBRUSH back;
  GetObject(hollow, sizeof back, &back);
  EXPECT_EQ(back.lbStyle, BS_NULL);
  LOGBRUSH hatched{3, 0, 0};
  EXPECT_EQ(CreateBrushIndirect(&hatched), nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(nullptr, 7, 3);
  BITMAP bm;
  GetObject(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 7);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(CreatePen(PS_SOLID, 1, 0) != nullptr, true);
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  LOGBRUSH solid{BS_SOLID, 0, 0};
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 3, &solid, 0, nullptr), nullptr);
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, nullptr, 0, nullptr), nullptr);
  for (HGDIOBJ o : {pen, hollow, bmp}) DeleteObject(o);
}

TEST(GdiDeviceCaps, PixelsPerInchAndDepth) {
  Canvas c(3, 2);
  EXPECT_GT(GetDeviceCaps(c.dc(), LOGPIXELSY), 0);
  EXPECT_EQ(GetDeviceCaps(c.dc(), LOGPIXELSY), GetDeviceCaps(c.dc(), LOGPIXELSX));
  EXPECT_EQ(GetDeviceCaps(c.dc(), BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(c.dc(), HORZRES), 3);
  EXPECT_EQ(GetDeviceCaps(c.dc(), 12345), 0);
}

}  // namespace
