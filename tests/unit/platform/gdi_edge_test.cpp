// SPDX-License-Identifier: GPL-3.0-or-later
// DrawEdge borders and the system colours they are made of (the colours as shown on a window are
// checked in the headless paint tests).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

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

// One DrawEdge call on the rectangle given, and the rectangle it leaves (BF_ADJUST shrinks it).
struct EdgeCall {
  RECT rect;
  UINT edge;
  UINT flags;
  RECT after;
};

struct Pixel {
  int x;
  int y;
  COLORREF colour;
};

// Calls in order on one canvas of paper, then the pixels they leave.
struct EdgeCase {
  const char* name;
  int width;
  int height;
  std::vector<EdgeCall> calls;
  std::vector<Pixel> pixels;
};

void PrintTo(const EdgeCase& edge, std::ostream* out) { *out << edge.name; }

class DrawEdgeCases : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(DrawEdgeCases, DrawsTheLayersOfTheEdgeInTheirColours) {
  const EdgeCase& edge = GetParam();
  Canvas c(edge.width, edge.height);
  for (const EdgeCall& call : edge.calls) {
    RECT r = call.rect;
    ASSERT_TRUE(DrawEdge(c.dc(), &r, call.edge, call.flags));
    EXPECT_EQ(r, call.after);
  }
  for (const Pixel& p : edge.pixels) EXPECT_EQ(c.At(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
}

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(
    DrawEdge, DrawEdgeCases,
    ::testing::Values(
        // Top and left sides stop before the corners the bottom-right colour owns; no BF_MIDDLE
        // leaves the inside untouched, no BF_ADJUST the rectangle.
        EdgeCase{"RaisedInnerIsHighlightTopLeftAndShadowBottomRight",
                 12,
                 10,
                 {{{1, 1, 11, 9}, BDR_RAISEDINNER, BF_RECT, {1, 1, 11, 9}}},
                 {{1, 1, kHighlight},
                  {9, 1, kHighlight},
                  {10, 1, kShadow},
                  {1, 7, kHighlight},
                  {1, 8, kShadow},
                  {10, 8, kShadow},
                  {5, 8, kShadow},
                  {10, 4, kShadow},
                  {2, 2, kPaper},
                  {0, 0, kPaper},
                  {11, 9, kPaper}}},
        // A grid's header cell: right and bottom first, then left and top.
        EdgeCase{"HeaderCellDrawnInTwoCalls",
                 80,
                 30,
                 {{{0, 0, 73, 24}, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM, {0, 0, 73, 24}},
                  {{0, 0, 73, 24}, BDR_RAISEDINNER, BF_LEFT | BF_TOP, {0, 0, 73, 24}}},
                 {{0, 5, kHighlight},
                  {40, 0, kHighlight},
                  {72, 5, kShadow},
                  {40, 23, kShadow},
                  {71, 22, kPaper},
                  {73, 5, kPaper},
                  {40, 24, kPaper}}},
        // Outer layer shadow and highlight, the outer bottom-right owning the top-right corner;
        // inner layer dark and light.
        EdgeCase{"SunkenClientEdgeHasTwoLayers",
                 20,
                 10,
                 {{{0, 0, 20, 10}, EDGE_SUNKEN, BF_RECT, {0, 0, 20, 10}}},
                 {{0, 0, kShadow},
                  {5, 0, kShadow},
                  {19, 0, kHighlight},
                  {0, 9, kHighlight},
                  {19, 9, kHighlight},
                  {1, 1, kDark},
                  {1, 5, kDark},
                  {18, 1, kLight},
                  {5, 8, kLight},
                  {2, 2, kPaper}}},
        EdgeCase{"RaisedEdgeIsTheButtonBorder",
                 20,
                 10,
                 {{{0, 0, 20, 10}, EDGE_RAISED, BF_RECT, {0, 0, 20, 10}}},
                 {{0, 0, kLight},
                  {19, 9, kDark},
                  {0, 9, kDark},
                  {1, 1, kHighlight},
                  {18, 8, kShadow},
                  {1, 8, kShadow}}},
        EdgeCase{"AdjustShrinksByTheLayersOfTheDrawnSides",
                 20,
                 20,
                 {{{2, 2, 18, 18}, EDGE_SUNKEN, BF_RECT | BF_ADJUST, {4, 4, 16, 16}},
                  {{2, 2, 18, 18}, BDR_RAISEDINNER, BF_LEFT | BF_BOTTOM | BF_ADJUST, {3, 2, 18, 17}}},
                 {}},
        EdgeCase{"MiddleFillsTheInside",
                 10,
                 10,
                 {{{0, 0, 10, 10}, EDGE_RAISED, BF_RECT | BF_MIDDLE, {0, 0, 10, 10}}},
                 {{2, 2, kFace}, {7, 7, kFace}, {8, 8, kShadow}}},
        EdgeCase{"MonoMiddleIsWhiteInsideBlack",
                 10,
                 10,
                 {{{0, 0, 10, 10}, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_MONO, {0, 0, 10, 10}}},
                 {{0, 0, kBlack}, {1, 1, kWhite}, {5, 5, kWhite}}},
        EdgeCase{"SoftRaised",
                 10,
                 10,
                 {{{0, 0, 10, 10}, EDGE_RAISED, BF_RECT | BF_SOFT, {0, 0, 10, 10}}},
                 {{0, 3, kHighlight}, {1, 3, kLight}, {9, 3, kDark}}},
        EdgeCase{"SoftSunken",
                 10,
                 10,
                 {{{0, 0, 10, 10}, EDGE_SUNKEN, BF_RECT | BF_SOFT, {0, 0, 10, 10}}},
                 {{0, 3, kDark}, {1, 3, kShadow}}},
        EdgeCase{"FlatSunken",
                 10,
                 10,
                 {{{0, 0, 10, 10}, EDGE_SUNKEN, BF_RECT | BF_FLAT, {0, 0, 10, 10}}},
                 {{0, 3, kShadow}, {9, 3, kShadow}, {1, 3, kFace}, {8, 3, kFace}}},
        EdgeCase{"MonoSunkenOuter",
                 10,
                 10,
                 {{{0, 0, 10, 10}, BDR_SUNKENOUTER, BF_RECT | BF_MONO, {0, 0, 10, 10}}},
                 {{0, 3, kBlack}, {9, 3, kBlack}}}),
    [](const ::testing::TestParamInfo<EdgeCase>& info) { return std::string(info.param.name); });

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
