// SPDX-License-Identifier: GPL-3.0-or-later
// Rectangle lists of update, visible and dirty regions: they cover exactly the union asked for,
// and never twice (a focus rectangle inverted through an overlapping list would vanish).
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/window/window_core.h"

namespace {

using window::AddRect;
using window::BoundingBox;
using window::IntersectList;
using window::SubtractRect;

// Every pixel of a small canvas: how many list rectangles cover it.
std::vector<int> Coverage(const std::vector<RECT>& list, int size) {
  std::vector<int> cover(static_cast<std::size_t>(size * size), 0);
  for (const RECT& r : list) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        if (x >= 0 && y >= 0 && x < size && y < size) ++cover[static_cast<std::size_t>(y * size + x)];
      }
    }
  }
  return cover;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST(WindowRects, RandomUnionsAndDifferencesStayExactAndDisjoint) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> coord(0, 40);
  constexpr int kSize = 48;
  for (int round = 0; round < 200; ++round) {
    std::vector<RECT> list;
    std::vector<bool> truth(kSize * kSize, false);
    for (int step = 0; step < 12; ++step) {
      RECT r{coord(rng), coord(rng), coord(rng), coord(rng)};
      if (r.left > r.right) std::swap(r.left, r.right);
      if (r.top > r.bottom) std::swap(r.top, r.bottom);
      const bool add = (rng() % 3) != 0;
      if (add) {
        AddRect(list, r);
      } else {
        SubtractRect(list, r);
      }
      for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
          if (Inside(r, x, y)) truth[static_cast<std::size_t>(y * kSize + x)] = add;
        }
      }
    }
    auto cover = Coverage(list, kSize);
    for (std::size_t i = 0; i < cover.size(); ++i) {
      ASSERT_LE(cover[i], 1) << "round " << round << ": a pixel is covered twice";
      ASSERT_EQ(cover[i] == 1, truth[i]) << "round " << round << " pixel " << i;
    }
    for (const RECT& r : list) EXPECT_TRUE(r.left < r.right && r.top < r.bottom);
  }
}

TEST(WindowRects, ContainedAndEmptyRectanglesAddNothing) {
  std::vector<RECT> list;
  AddRect(list, {0, 0, 10, 10});
  AddRect(list, {2, 2, 5, 5});
  AddRect(list, {5, 5, 5, 9});  // empty
  AddRect(list, {9, 9, 3, 3});  // backwards
  EXPECT_EQ(list.size(), 1u);
  AddRect(list, {-5, -5, 20, 20});  // swallows the first
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], (RECT{-5, -5, 20, 20}));
}

TEST(WindowRects, IntersectAndBoundingBox) {
  std::vector<RECT> list;
  AddRect(list, {0, 0, 10, 10});
  AddRect(list, {20, 0, 30, 10});
  EXPECT_EQ(BoundingBox(list), (RECT{0, 0, 30, 10}));
  IntersectList(list, {5, 5, 25, 8});
  EXPECT_EQ(BoundingBox(list), (RECT{5, 5, 25, 8}));
  auto cover = Coverage(list, 32);
  int total = 0;
  for (int c : cover) total += c;
  EXPECT_EQ(total, 5 * 3 * 2);
  IntersectList(list, {100, 100, 200, 200});
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(BoundingBox(list), (RECT{}));
}

TEST(WindowRects, ManyPiecesCollapseToTheirBoundingBox) {
  std::vector<RECT> list;
  for (int i = 0; i < 200; ++i) AddRect(list, {i * 3, 0, i * 3 + 1, 1});
  EXPECT_LE(list.size(), 65u);
  RECT box = BoundingBox(list);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 199 * 3 + 1);
  // Still disjoint and still covering every piece added.
  auto cover = Coverage(list, 600);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(cover[static_cast<std::size_t>(i * 3)], 1);
}

}  // namespace
