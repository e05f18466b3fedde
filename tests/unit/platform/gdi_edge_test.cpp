// DrawEdge borders and the system colours they are made of (the colours as shown on a window are
// checked in the headless paint tests).
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/window.h"
#include "support/canvas.h"

namespace {

constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kLight = RGB(212, 208, 200);
constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDark = RGB(64, 64, 64);
constexpr COLORREF kPaper = RGB(0, 0, 255);  // background no border colour uses

// A canvas on paper no border colour uses.
class Canvas : public testgdi::Canvas {
 public:
  Canvas(int width, int height) : testgdi::Canvas(width, height, kPaper) {}
};

TEST(SystemColors, BrushesAreStockAndMatchTheColours) {
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
  EXPECT_TRUE(DeleteObject(face));  // ignored for stock objects
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(face, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(212, 208, 200));
  EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST(DrawEdge, RaisedInnerIsHighlightTopLeftAndShadowBottomRight) {
  Canvas c(12, 10);
  RECT r{1, 1, 11, 9};
  ASSERT_TRUE(DrawEdge(c.dc(), &r, BDR_RAISEDINNER, BF_RECT));
  // Top and left sides stop before the corners the bottom-right colour owns.
  EXPECT_EQ(c.At(1, 1), kHighlight);
  EXPECT_EQ(c.At(9, 1), kHighlight);
  EXPECT_EQ(c.At(10, 1), kShadow);
  EXPECT_EQ(c.At(1, 7), kHighlight);
  EXPECT_EQ(c.At(1, 8), kShadow);
  EXPECT_EQ(c.At(10, 8), kShadow);
  EXPECT_EQ(c.At(5, 8), kShadow);
  EXPECT_EQ(c.At(10, 4), kShadow);
  EXPECT_EQ(c.At(2, 2), kPaper);  // no BF_MIDDLE: inside untouched
  EXPECT_EQ(c.At(0, 0), kPaper);
  EXPECT_EQ(c.At(11, 9), kPaper);
  EXPECT_EQ(r, (RECT{1, 1, 11, 9}));  // no BF_ADJUST
}

TEST(DrawEdge, HeaderCellDrawnInTwoCalls) {
  // Right and bottom first, then left and top, on one cell: light inside at left and top, shadow
  // at right and bottom.
  Canvas c(80, 30);
  RECT a{0, 0, 73, 24};
  DrawEdge(c.dc(), &a, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
  RECT b{0, 0, 73, 24};
  DrawEdge(c.dc(), &b, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
  EXPECT_EQ(c.At(0, 5), kHighlight);
  EXPECT_EQ(c.At(40, 0), kHighlight);
  EXPECT_EQ(c.At(72, 5), kShadow);
  EXPECT_EQ(c.At(40, 23), kShadow);
  EXPECT_EQ(c.At(71, 22), kPaper);
  EXPECT_EQ(c.At(73, 5), kPaper);
  EXPECT_EQ(c.At(40, 24), kPaper);
}

TEST(DrawEdge, SunkenClientEdgeHasTwoLayers) {
  Canvas c(20, 10);
  RECT r{0, 0, 20, 10};
  DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT);
  EXPECT_EQ(c.At(0, 0), kShadow);      // outer top-left
  EXPECT_EQ(c.At(5, 0), kShadow);
  EXPECT_EQ(c.At(19, 0), kHighlight);  // outer bottom-right owns the top-right corner
  EXPECT_EQ(c.At(0, 9), kHighlight);
  EXPECT_EQ(c.At(19, 9), kHighlight);
  EXPECT_EQ(c.At(1, 1), kDark);        // inner top-left
  EXPECT_EQ(c.At(1, 5), kDark);
  EXPECT_EQ(c.At(18, 1), kLight);      // inner bottom-right
  EXPECT_EQ(c.At(5, 8), kLight);
  EXPECT_EQ(c.At(2, 2), kPaper);
}

TEST(DrawEdge, RaisedEdgeIsTheButtonBorder) {
  Canvas c(20, 10);
  RECT r{0, 0, 20, 10};
  DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT);
  EXPECT_EQ(c.At(0, 0), kLight);
  EXPECT_EQ(c.At(19, 9), kDark);
  EXPECT_EQ(c.At(0, 9), kDark);
  EXPECT_EQ(c.At(1, 1), kHighlight);
  EXPECT_EQ(c.At(18, 8), kShadow);
  EXPECT_EQ(c.At(1, 8), kShadow);
}

TEST(DrawEdge, AdjustShrinksByTheLayersOfTheDrawnSides) {
  Canvas c(20, 20);
  RECT r{2, 2, 18, 18};
  DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, (RECT{4, 4, 16, 16}));
  RECT s{2, 2, 18, 18};
  DrawEdge(c.dc(), &s, BDR_RAISEDINNER, BF_LEFT | BF_BOTTOM | BF_ADJUST);
  EXPECT_EQ(s, (RECT{3, 2, 18, 17}));
}

TEST(DrawEdge, MiddleFillsTheInside) {
  Canvas c(10, 10);
  RECT r{0, 0, 10, 10};
  DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  EXPECT_EQ(c.At(2, 2), kFace);
  EXPECT_EQ(c.At(7, 7), kFace);
  EXPECT_EQ(c.At(8, 8), kShadow);
  RECT m{0, 0, 10, 10};
  DrawEdge(c.dc(), &m, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_MONO);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
}

TEST(DrawEdge, SoftFlatAndMonoVariants) {
  Canvas c(10, 10);
  RECT r{0, 0, 10, 10};
  DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_SOFT);
  EXPECT_EQ(c.At(0, 3), kHighlight);
  EXPECT_EQ(c.At(1, 3), kLight);
  EXPECT_EQ(c.At(9, 3), kDark);
  DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_SOFT);
  EXPECT_EQ(c.At(0, 3), kDark);
  EXPECT_EQ(c.At(1, 3), kShadow);
  DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_FLAT);
  EXPECT_EQ(c.At(0, 3), kShadow);
  EXPECT_EQ(c.At(9, 3), kShadow);
  EXPECT_EQ(c.At(1, 3), kFace);
  EXPECT_EQ(c.At(8, 3), kFace);
  DrawEdge(c.dc(), &r, BDR_SUNKENOUTER, BF_RECT | BF_MONO);
  EXPECT_EQ(c.At(0, 3), RGB(0, 0, 0));
  EXPECT_EQ(c.At(9, 3), RGB(0, 0, 0));
}

TEST(DrawEdge, BadArgumentsFailOrDrawNothing) {
  Canvas c(10, 10);
  EXPECT_FALSE(DrawEdge(c.dc(), nullptr, EDGE_RAISED, BF_RECT));
  RECT r{0, 0, 10, 10};
  EXPECT_FALSE(DrawEdge(reinterpret_cast<HDC>(0x1234), &r, EDGE_RAISED, BF_RECT));
  RECT empty{5, 5, 5, 5};
  EXPECT_TRUE(DrawEdge(c.dc(), &empty, EDGE_RAISED, BF_RECT | BF_MIDDLE));
  RECT inverted{8, 8, 2, 2};
  EXPECT_TRUE(DrawEdge(c.dc(), &inverted, EDGE_RAISED, BF_RECT | BF_MIDDLE));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(c.At(x, y), kPaper) << x << "," << y;
}

}  // namespace
