// SPDX-License-Identifier: GPL-3.0-or-later
// Lines, rectangles, pens, pixels and blits on memory DCs, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/window.h"
#include "support/canvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);

using testgdi::Canvas;

// Selects a pen for the life of the object and deletes it afterwards.
class PenScope {
 public:
  PenScope(HDC dc, HPEN pen) : m_dc(dc), m_pen(pen), m_old(SelectObject(dc, pen)) {}
  ~PenScope() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_pen);
  }

 private:
  HDC m_dc;
  HPEN m_pen;
  HGDIOBJ m_old;
};

TEST(GdiFill, CoversLeftAndTopEdgesButNotRightAndBottom) {
  Canvas c(12, 10);
  c.Fill(RECT{2, 3, 7, 6}, kRed);
  EXPECT_EQ(c.At(2, 3), kRed);
  EXPECT_EQ(c.At(6, 5), kRed);
  EXPECT_EQ(c.At(7, 5), kWhite);
  EXPECT_EQ(c.At(6, 6), kWhite);
  EXPECT_EQ(c.At(1, 3), kWhite);
  EXPECT_EQ(c.At(2, 2), kWhite);
  EXPECT_EQ(c.Count(kRed), 5 * 3);
}

TEST(GdiFill, EmptyAndInvertedRectanglesDrawNothing) {
  Canvas c(12, 10);
  c.Fill(RECT{5, 5, 5, 9}, kRed);
  c.Fill(RECT{7, 7, 3, 3}, kRed);
  c.Fill(RECT{-100, -100, -50, -50}, kRed);
  EXPECT_EQ(c.Count(kRed), 0);
  // Partly outside the bitmap: only the inside part is drawn.
  c.Fill(RECT{-5, -5, 2, 2}, kRed);
  EXPECT_EQ(c.Count(kRed), 4);
}

TEST(GdiFill, SystemColourIndexPlusOneIsABrush) {
  Canvas c(4, 4);
  RECT r{0, 0, 4, 4};
  FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(c.At(3, 3), RGB(212, 208, 200));
  EXPECT_EQ(FillRect(c.dc(), &r, GetStockObject(NULL_BRUSH)), 1);  // hollow: succeeds, no change
  EXPECT_EQ(c.At(0, 0), RGB(212, 208, 200));
}

TEST(GdiFill, FrameAndInvert) {
  Canvas c(10, 10);
  RECT r{1, 1, 6, 5};
  HBRUSH red = CreateSolidBrush(kRed);
  FrameRect(c.dc(), &r, red);
  DeleteObject(red);
  EXPECT_EQ(c.Count(kRed), 2 * 5 + 2 * 2);
  EXPECT_EQ(c.At(5, 4), kRed);
  EXPECT_EQ(c.At(2, 2), kWhite);
  RECT inv{0, 0, 2, 2};
  InvertRect(c.dc(), &inv);
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(1, 1), RGB(0, 255, 255));
}

TEST(GdiLine, EndPointIsNotDrawnInAnyDirection) {
  Canvas c(10, 10);
  MoveToEx(c.dc(), 1, 1, nullptr);
  LineTo(c.dc(), 6, 1);
  for (int x = 1; x <= 5; ++x) EXPECT_EQ(c.At(x, 1), kBlack) << x;
  EXPECT_EQ(c.At(6, 1), kWhite);
  EXPECT_EQ(c.At(0, 1), kWhite);

  MoveToEx(c.dc(), 6, 3, nullptr);
  LineTo(c.dc(), 1, 3);  // right to left
  EXPECT_EQ(c.At(6, 3), kBlack);
  EXPECT_EQ(c.At(2, 3), kBlack);
  EXPECT_EQ(c.At(1, 3), kWhite);

  MoveToEx(c.dc(), 8, 8, nullptr);
  LineTo(c.dc(), 8, 4);  // bottom to top
  EXPECT_EQ(c.At(8, 8), kBlack);
  EXPECT_EQ(c.At(8, 5), kBlack);
  EXPECT_EQ(c.At(8, 4), kWhite);

  POINT pos;
  GetCurrentPositionEx(c.dc(), &pos);
  EXPECT_EQ(pos, (POINT{8, 4}));
}

TEST(GdiLine, DiagonalStopsBeforeItsEnd) {
  Canvas c(10, 10);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 4, 4);
  EXPECT_EQ(c.Count(kBlack), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(c.At(i, i), kBlack);
  EXPECT_EQ(c.At(4, 4), kWhite);
}

TEST(GdiLine, ShallowLineHasOnePixelPerColumnNearTheIdealLine) {
  Canvas c(40, 20);
  MoveToEx(c.dc(), 2, 3, nullptr);
  LineTo(c.dc(), 31, 14);
  int previousY = 3;
  for (int x = 2; x < 31; ++x) {
    int found = -1, count = 0;
    for (int y = 0; y < 20; ++y)
      if (c.At(x, y) == kBlack) found = y, ++count;
    ASSERT_EQ(count, 1) << "column " << x;
    const double ideal = 3 + (x - 2) * 11.0 / 29.0;
    EXPECT_LE(std::abs(found - ideal), 0.5 + 1e-9) << x;
    EXPECT_GE(found, previousY);
    previousY = found;
  }
  EXPECT_EQ(c.At(31, 14), kWhite);
}

TEST(GdiLine, ButtonBevelStrokesMeetAtTheCorner) {
  // Two LineTo calls sharing a point: the shared corner is drawn by the second line.
  Canvas c(29, 30, RGB(212, 208, 200));
  PenScope pen(c.dc(), CreatePen(PS_SOLID, 1, kWhite));
  MoveToEx(c.dc(), 1, 28, nullptr);
  LineTo(c.dc(), 1, 1);
  LineTo(c.dc(), 28, 1);
  EXPECT_EQ(c.At(1, 28), kWhite);
  EXPECT_EQ(c.At(1, 1), kWhite);
  EXPECT_EQ(c.At(27, 1), kWhite);
  EXPECT_EQ(c.At(28, 1), RGB(212, 208, 200));
  EXPECT_EQ(c.Count(kWhite), 27 + 27);
}

TEST(GdiLine, DottedPenAlternatesRunsOfThree) {
  Canvas c(30, 4);
  PenScope pen(c.dc(), CreatePen(PS_DOT, 1, kBlack));
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 24, 1);
  for (int x = 0; x < 24; ++x) EXPECT_EQ(c.At(x, 1) == kBlack, (x / 3) % 2 == 0) << x;
}

TEST(GdiLine, NullPenDrawsNothingButMoves) {
  Canvas c(10, 10);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  MoveToEx(c.dc(), 0, 0, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), 9, 9));
  EXPECT_EQ(c.Count(kWhite), 100);
  POINT pos;
  GetCurrentPositionEx(c.dc(), &pos);
  EXPECT_EQ(pos, (POINT{9, 9}));
}

TEST(GdiRectangle, ClearBrushDrawsOnlyTheOutline) {
  Canvas c(40, 40, kGreen);
  SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  PenScope pen(c.dc(), CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME)));
  Rectangle(c.dc(), 0, 0, 29, 30);
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(28, 0), kBlack);
  EXPECT_EQ(c.At(0, 29), kBlack);
  EXPECT_EQ(c.At(28, 29), kBlack);
  EXPECT_EQ(c.At(29, 0), kGreen);
  EXPECT_EQ(c.At(0, 30), kGreen);
  EXPECT_EQ(c.At(1, 1), kGreen);
  EXPECT_EQ(c.At(27, 28), kGreen);
  EXPECT_EQ(c.Count(kBlack), 2 * 29 + 2 * 28);
}

TEST(GdiRectangle, SolidBrushFillsInsideTheOutline) {
  Canvas c(40, 40, kGreen);
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldBrush = SelectObject(c.dc(), face);
  Rectangle(c.dc(), 5, 0, 34, 30);
  EXPECT_EQ(c.At(5, 0), kBlack);
  EXPECT_EQ(c.At(6, 1), RGB(212, 208, 200));
  EXPECT_EQ(c.At(32, 28), RGB(212, 208, 200));
  EXPECT_EQ(c.At(33, 29), kBlack);
  EXPECT_EQ(c.At(34, 29), kGreen);
  EXPECT_EQ(c.Count(RGB(212, 208, 200)), 27 * 28);
  SelectObject(c.dc(), oldBrush);
  DeleteObject(face);
}

TEST(GdiRectangle, NullPenFillStopsShortOfRightAndBottom) {
  Canvas c(10, 10);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc(), red);
  Rectangle(c.dc(), 2, 2, 6, 6);
  EXPECT_EQ(c.Count(kRed), 9);
  EXPECT_EQ(c.Bounds(kRed), (RECT{2, 2, 5, 5}));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiPolyPolyline, GridLinesAreOneStrokePerPair) {
  Canvas c(160, 30);
  // Vertical lines at 73 + 74k from 0 to 24, as a grid's header row draws them.
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  for (int k = 0; k < 2; ++k) {
    points.push_back({73 + 74 * k, 0});
    points.push_back({73 + 74 * k, 24});
    counts.push_back(2);
  }
  ASSERT_TRUE(PolyPolyline(c.dc(), points.data(), counts.data(), static_cast<DWORD>(counts.size())));
  EXPECT_EQ(c.Count(kBlack), 2 * 24);
  EXPECT_EQ(c.At(73, 0), kBlack);
  EXPECT_EQ(c.At(147, 23), kBlack);
  EXPECT_EQ(c.At(73, 24), kWhite);
  EXPECT_EQ(c.At(72, 10), kWhite);
  EXPECT_EQ(c.At(74, 10), kWhite);
}

TEST(GdiPolyPolyline, RejectsBadCountsWithoutDrawing) {
  Canvas c(10, 10);
  POINT pts[3] = {{0, 0}, {5, 0}, {5, 5}};
  DWORD one[1] = {1};
  EXPECT_FALSE(PolyPolyline(c.dc(), pts, one, 1));
  EXPECT_FALSE(PolyPolyline(c.dc(), pts, nullptr, 1));
  EXPECT_FALSE(PolyPolyline(c.dc(), nullptr, one, 1));
  EXPECT_FALSE(Polyline(c.dc(), pts, 1));
  EXPECT_EQ(c.Count(kWhite), 100);
}

HPEN GeometricPen(int width, COLORREF color, DWORD join = PS_JOIN_MITER) {
  LOGBRUSH lb{BS_SOLID, color, 0};
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | join, static_cast<DWORD>(width), &lb, 0,
                      nullptr);
}

TEST(GdiWidePen, FlatStrokeCoversExactlyItsRectangle) {
  Canvas c(30, 30);
  PenScope pen(c.dc(), GeometricPen(3, kRed));
  MoveToEx(c.dc(), 10, 2, nullptr);
  LineTo(c.dc(), 10, 22);
  EXPECT_EQ(c.Bounds(kRed), (RECT{9, 2, 12, 22}));
  EXPECT_EQ(c.Count(kRed), 3 * 20);
}

TEST(GdiWidePen, EvenWidthLeansTowardsTopAndLeft) {
  Canvas c(30, 30);
  PenScope pen(c.dc(), GeometricPen(2, kRed));
  POINT pts[4] = {{0, 10}, {20, 10}, {25, 0}, {25, 8}};
  DWORD counts[2] = {2, 2};
  PolyPolyline(c.dc(), pts, counts, 2);
  EXPECT_EQ(c.At(0, 9), kRed);
  EXPECT_EQ(c.At(19, 10), kRed);
  EXPECT_EQ(c.At(20, 10), kWhite);
  EXPECT_EQ(c.At(0, 11), kWhite);
  EXPECT_EQ(c.At(24, 0), kRed);
  EXPECT_EQ(c.At(25, 7), kRed);
  EXPECT_EQ(c.At(26, 4), kWhite);
  EXPECT_EQ(c.Count(kRed), 2 * 20 + 2 * 8);
}

TEST(GdiWidePen, MitreJoinFillsTheOuterCornerAndBevelCutsIt) {
  POINT pts[3] = {{5, 5}, {15, 5}, {15, 15}};
  Canvas mitre(30, 30);
  {
    PenScope pen(mitre.dc(), GeometricPen(3, kRed, PS_JOIN_MITER));
    Polyline(mitre.dc(), pts, 3);
  }
  EXPECT_EQ(mitre.Bounds(kRed), (RECT{5, 4, 17, 15}));
  EXPECT_EQ(mitre.At(16, 4), kRed);
  EXPECT_EQ(mitre.Count(kRed), 60);

  Canvas bevel(30, 30);
  {
    PenScope pen(bevel.dc(), GeometricPen(3, kRed, PS_JOIN_BEVEL));
    Polyline(bevel.dc(), pts, 3);
  }
  EXPECT_EQ(bevel.At(16, 4), kWhite);
  EXPECT_EQ(bevel.At(15, 4), kRed);
  EXPECT_EQ(bevel.Count(kRed), 59);
}

TEST(GdiWidePen, CreatePenWidePensHaveRoundEnds) {
  Canvas c(40, 20);
  PenScope pen(c.dc(), CreatePen(PS_SOLID, 3, kRed));
  MoveToEx(c.dc(), 10, 10, nullptr);
  LineTo(c.dc(), 20, 10);
  EXPECT_EQ(c.At(9, 10), kRed);
  EXPECT_EQ(c.At(21, 10), kRed);
  EXPECT_EQ(c.At(8, 10), kWhite);
  EXPECT_EQ(c.At(22, 10), kWhite);
  EXPECT_EQ(c.Bounds(kRed), (RECT{9, 9, 22, 12}));
}

TEST(GdiWidePen, RectangleWithWidePenFramesAroundTheOutline) {
  Canvas c(30, 30);
  PenScope pen(c.dc(), GeometricPen(3, kRed));
  SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(c.dc(), 5, 5, 20, 15);
  EXPECT_EQ(c.Bounds(kRed), (RECT{4, 4, 21, 16}));
  EXPECT_EQ(c.At(7, 7), kWhite);
  EXPECT_EQ(c.At(6, 6), kRed);
}

TEST(GdiPolygon, FillsLikeTheRectangleOfItsCorners) {
  Canvas c(20, 20);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  POINT square[4] = {{2, 3}, {12, 3}, {12, 9}, {2, 9}};
  Polygon(c.dc(), square, 4);
  EXPECT_EQ(c.Bounds(kBlack), (RECT{2, 3, 12, 9}));
  EXPECT_EQ(c.Count(kBlack), 60);
}

TEST(GdiPixels, SetAndGetInsideAndOutside) {
  Canvas c(5, 5);
  EXPECT_EQ(SetPixel(c.dc(), 2, 3, kRed), kRed);
  EXPECT_EQ(c.At(2, 3), kRed);
  EXPECT_EQ(SetPixel(c.dc(), 5, 0, kRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc(), -1, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc(), 0, 5), CLR_INVALID);
}

TEST(GdiBlit, PatBltOperations) {
  Canvas c(10, 10);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc(), red);
  PatBlt(c.dc(), 6, 6, -4, -2, PATCOPY);  // negative sizes extend up and left
  EXPECT_EQ(c.Bounds(kRed), (RECT{2, 4, 6, 6}));
  PatBlt(c.dc(), 0, 0, 3, 1, DSTINVERT);
  EXPECT_EQ(c.At(2, 0), kBlack);
  PatBlt(c.dc(), 0, 9, 10, 1, BLACKNESS);
  EXPECT_EQ(c.At(9, 9), kBlack);
  EXPECT_FALSE(PatBlt(c.dc(), 0, 0, 1, 1, 0x12345678));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiBlit, CopiesBetweenDcsAndSkipsSourceOutsideItsBitmap) {
  Canvas src(4, 4, kRed);
  src.Fill(RECT{0, 0, 1, 1}, kGreen);
  Canvas dst(10, 10);
  EXPECT_TRUE(BitBlt(dst.dc(), 3, 2, 6, 6, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(3, 2), kGreen);
  EXPECT_EQ(dst.At(6, 5), kRed);
  EXPECT_EQ(dst.At(7, 5), kWhite);  // beyond the 4x4 source
  EXPECT_EQ(dst.Count(kRed), 15);
  EXPECT_TRUE(BitBlt(dst.dc(), 3, 2, 1, 1, src.dc(), 1, 1, SRCINVERT));
  EXPECT_EQ(dst.At(3, 2), RGB(255, 128, 0));  // green xor red
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, reinterpret_cast<HDC>(0x7777), 0, 0, SRCCOPY));
}

TEST(GdiBlit, OverlappingCopyWithinOneBitmapReadsTheOldPixels) {
  Canvas c(10, 1);
  for (int x = 0; x < 10; ++x) SetPixel(c.dc(), x, 0, RGB(x * 20, 0, 0));
  BitBlt(c.dc(), 2, 0, 6, 1, c.dc(), 0, 0, SRCCOPY);
  for (int x = 2; x < 8; ++x) EXPECT_EQ(c.At(x, 0), RGB((x - 2) * 20, 0, 0)) << x;
}

TEST(GdiBlit, StretchDoublesPixels) {
  Canvas src(2, 1, kRed);
  SetPixel(src.dc(), 1, 0, kGreen);
  Canvas dst(8, 2);
  EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(dst.At(1, 1), kRed);
  EXPECT_EQ(dst.At(2, 0), kGreen);
  EXPECT_EQ(dst.At(3, 1), kGreen);
  EXPECT_EQ(dst.At(4, 0), kWhite);
  EXPECT_FALSE(StretchBlt(dst.dc(), 0, 0, -4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
}

TEST(GdiKeyedCopy, KeyColourBecomesTheBrushColour) {
  constexpr std::uint32_t olive = 0x808000, blue = 0x0000FF, black = 0;
  const std::uint32_t pixels[6] = {olive, blue, olive, black, olive, blue};
  HBITMAP glyph = CreateBitmapFromPixels(3, 2, pixels);
  ASSERT_NE(glyph, nullptr);
  Canvas c(10, 10, kGreen);
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  SelectObject(c.dc(), face);
  ASSERT_TRUE(DrawBitmapKeyed(c.dc(), 6, 7, glyph, RGB(128, 128, 0)));
  EXPECT_EQ(c.At(6, 7), RGB(212, 208, 200));
  EXPECT_EQ(c.At(7, 7), RGB(0, 0, 255));
  EXPECT_EQ(c.At(8, 7), RGB(212, 208, 200));
  EXPECT_EQ(c.At(6, 8), kBlack);
  EXPECT_EQ(c.At(7, 8), RGB(212, 208, 200));
  EXPECT_EQ(c.At(8, 8), RGB(0, 0, 255));
  EXPECT_EQ(c.At(5, 7), kGreen);
  EXPECT_EQ(c.At(9, 7), kGreen);
  EXPECT_EQ(c.At(6, 9), kGreen);

  // With a hollow brush the key colour lets the background show through.
  Canvas d(4, 4, kGreen);
  SelectObject(d.dc(), GetStockObject(NULL_BRUSH));
  DrawBitmapKeyed(d.dc(), 0, 0, glyph, RGB(128, 128, 0));
  EXPECT_EQ(d.At(0, 0), kGreen);
  EXPECT_EQ(d.At(1, 0), RGB(0, 0, 255));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(face);
  DeleteObject(glyph);
  EXPECT_FALSE(DrawBitmapKeyed(c.dc(), 0, 0, glyph, 0));  // deleted handle
}

TEST(GdiFocusRect, DrawingTwiceRestoresEveryPixel) {
  Canvas c(29, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 29; ++x) SetPixel(c.dc(), x, y, RGB(x * 8, y * 8, (x * y) & 0xFF));
  const std::vector<COLORREF> before = c.Snapshot();
  RECT r{3, 3, 26, 27};
  DrawFocusRect(c.dc(), &r);
  const std::vector<COLORREF> once = c.Snapshot();
  int changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != once[i];
  // The outline has 2 * 23 + 2 * 22 pixels; every other one is inverted.
  EXPECT_EQ(changed, (2 * 23 + 2 * 22) / 2);
  EXPECT_EQ(c.At(3, 3), before[3 * 29 + 3] ^ 0xFFFFFF);
  EXPECT_EQ(c.At(4, 3), before[3 * 29 + 4]);
  EXPECT_EQ(c.At(5, 3), before[3 * 29 + 5] ^ 0xFFFFFF);
  EXPECT_EQ(c.At(3, 4), before[4 * 29 + 3]);
  EXPECT_EQ(c.At(10, 10), before[10 * 29 + 10]);
  DrawFocusRect(c.dc(), &r);
  EXPECT_EQ(c.Snapshot(), before);
}

TEST(GdiFocusRect, HugeRectangleIsCheapAndSafe) {
  Canvas c(20, 20);
  RECT huge{-2000000000, -2000000000, 2000000000, 2000000000};
  EXPECT_TRUE(DrawFocusRect(c.dc(), &huge));
  EXPECT_EQ(c.Count(kWhite), 400);  // the outline lies far outside
}

TEST(GdiIcon, AlphaBlendsOntoTheBackground) {
  const std::uint32_t argb[3] = {0x00FF0000, 0xFFFF0000, 0x80FF0000};
  HICON icon = gfx::CreateIconFromArgb(3, 1, argb);
  ASSERT_NE(icon, nullptr);
  Canvas c(5, 2, kWhite);
  ASSERT_TRUE(DrawIconAt(c.dc(), 1, 1, icon));
  EXPECT_EQ(c.At(1, 1), kWhite);
  EXPECT_EQ(c.At(2, 1), kRed);
  EXPECT_EQ(c.At(3, 1), RGB(255, 127, 127));
  EXPECT_TRUE(gfx::DestroyIconImage(icon));
  EXPECT_FALSE(DrawIconAt(c.dc(), 1, 1, icon));
  EXPECT_EQ(gfx::CreateIconFromArgb(0, 5, argb), nullptr);
}

}  // namespace
