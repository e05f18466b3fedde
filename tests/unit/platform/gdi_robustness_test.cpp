// SPDX-License-Identifier: GPL-3.0-or-later
// Every primitive, called with random and extreme arguments, keeps inside the clip: pixels outside
// the clip rectangle never change, nothing crashes, nothing hangs.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr COLORREF kPaper = RGB(1, 2, 3);

int RandomCoord(std::mt19937& random) {
  static const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000, -65, -1, 0, 1, INT_MAX - 1, INT_MAX};
  std::uniform_int_distribution<int> choice(0, 9);
  const int c = choice(random);
  if (c == 0) {
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(extremes)) - 1);
    return extremes[pick(random)];
  }
  std::uniform_int_distribution<int> near(-20, kWidth + 20);
  return near(random);
}

TEST(GdiRobustness, RandomCallsNeverDrawOutsideTheClip) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, kWidth, kHeight);
  HGDIOBJ oldBitmap = SelectObject(dc, bmp);
  HDC reader = CreateCompatibleDC(nullptr);  // reads the same bitmap without the clip
  HBRUSH paper = CreateSolidBrush(kPaper);
  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, paper);

  const RECT clip{10, 8, 50, 40};
  IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  LOGBRUSH lb{BS_SOLID, RGB(200, 10, 10), 0};
  HGDIOBJ pens[] = {CreatePen(PS_SOLID, 1, RGB(0, 0, 200)),
                    CreatePen(PS_DOT, 1, 0),
                    CreatePen(PS_SOLID, 7, RGB(0, 150, 0)),
                    ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, &lb, 0, nullptr),
                    ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, 3, &lb, 0, nullptr),
                    CreatePen(PS_INSIDEFRAME, 4, RGB(9, 9, 9)),
                    GetStockObject(NULL_PEN)};
  HGDIOBJ brushes[] = {GetStockObject(BLACK_BRUSH), GetStockObject(NULL_BRUSH), paper};
  const std::uint32_t glyphPixels[6] = {0x808000, 0xFF, 0x808000, 0, 0xFFFFFF, 0x123456};
  HBITMAP glyph = CreateBitmapFromPixels(3, 2, glyphPixels);
  HDC source = CreateCompatibleDC(nullptr);
  HBITMAP sourceBmp = CreateCompatibleBitmap(source, 20, 20);
  SelectObject(source, sourceBmp);

  std::mt19937 random(1010);
  std::uniform_int_distribution<int> op(0, 17);
  std::uniform_int_distribution<int> small(0, 6);
  for (int step = 0; step < 4000; ++step) {
    SelectObject(dc, pens[small(random) % std::size(pens)]);
    SelectObject(dc, brushes[small(random) % std::size(brushes)]);
    const int x0 = RandomCoord(random), y0 = RandomCoord(random);
    const int x1 = RandomCoord(random), y1 = RandomCoord(random);
    RECT r{x0, y0, x1, y1};
    POINT pts[5] = {{x0, y0}, {x1, y1}, {x1, y0}, {RandomCoord(random), RandomCoord(random)}, {x0, y1}};
    DWORD counts[2] = {2, 3};
    switch (op(random)) {
      case 0:
        FillRect(dc, &r, paper);
        break;
      case 1:
        FrameRect(dc, &r, GetStockObject(BLACK_BRUSH));
        break;
      case 2:
        InvertRect(dc, &r);
        break;
      case 3:
        Rectangle(dc, x0, y0, x1, y1);
        break;
      case 4:
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
        break;
      case 5:
        Polyline(dc, pts, 5);
        break;
      case 6:
        PolyPolyline(dc, pts, counts, 2);
        break;
      case 7:
        Polygon(dc, pts, 5);
        break;
      case 8:
        SetPixel(dc, x0, y0, RGB(5, 5, 5));
        break;
      case 9:
        PatBlt(dc, x0, y0, x1, y1, small(random) % 2 ? PATCOPY : DSTINVERT);
        break;
      case 10:
        BitBlt(dc, x0, y0, x1, y1, source, RandomCoord(random), RandomCoord(random), SRCCOPY);
        break;
      case 11:
        StretchBlt(dc, x0, y0, x1, y1, source, 0, 0, 20, 20, SRCCOPY);
        break;
      case 12:
        DrawBitmapKeyed(dc, x0, y0, glyph, RGB(128, 128, 0));
        break;
      case 13:
        DrawEdge(dc, &r, EDGE_SUNKEN + small(random), BF_RECT | BF_MIDDLE | BF_ADJUST);
        break;
      case 14:
        DrawFocusRect(dc, &r);
        break;
      case 15:
        ExtTextOut(dc, x0, y0, ETO_OPAQUE, &r, "Tessivo", 7, nullptr);
        break;
      case 16:
        DrawText(dc, "Sol &maior\tL\r\na", -1, &r, DT_EXPANDTABS | DT_WORDBREAK | DT_NOCLIP);
        break;
      case 17: {
        // Origins move the drawing, never the clip.
        SetViewportOrgEx(dc, RandomCoord(random) / 4, RandomCoord(random) / 4, nullptr);
        SetWindowOrgEx(dc, small(random), small(random), nullptr);
        break;
      }
    }
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, oldBitmap);
  SelectObject(reader, bmp);
  int outsideChanged = 0, insideChanged = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
      const bool changed = GetPixel(reader, x, y) != kPaper;
      (inside ? insideChanged : outsideChanged) += changed;
    }
  EXPECT_EQ(outsideChanged, 0);
  EXPECT_GT(insideChanged, 0);
  for (HGDIOBJ p : pens) DeleteObject(p);
  DeleteObject(paper);
  DeleteObject(glyph);
  DeleteDC(source);
  DeleteObject(sourceBmp);
  DeleteDC(reader);
  DeleteDC(dc);
  DeleteObject(bmp);
}

}  // namespace
