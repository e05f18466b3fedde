// SPDX-License-Identifier: GPL-3.0-or-later
// The two-level pointer array under the grid's cell store: sections made on demand, the high
// bound, the read cache, the walk, and the edges of its index range.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "controls/grid/sparse_pointer_array.h"
#include "core/exceptions.h"

namespace {

using Array = TSparsePointerArray<int>;

// Items told apart by their value; kNil stands for an empty slot.
constexpr int kNil = -1;
std::unique_ptr<int> P(int n) { return std::make_unique<int>(n); }
int V(const int* item) { return item != nullptr ? *item : kNil; }

std::vector<std::pair<int, int>> Walk(const Array& array) {
  std::vector<std::pair<int, int>> visited;
  array.ForAll([&](int index, int* item) {
    visited.emplace_back(index, *item);
    return 0;
  });
  return visited;
}

TEST(SparsePointerArray, NewArrayIsEmptyAndNilStoresMakeNothing) {
  for (TSPAQuantum quantum : {TSPAQuantum::spaSmall, TSPAQuantum::spaLarge}) {
    Array array(quantum);
    EXPECT_EQ(array.HighBound(), -1);
    for (int index : {0, 1, 15, 16, 1000, 1048559, -1, INT_MIN, INT_MAX}) {
      EXPECT_EQ(array.Get(index), nullptr) << index;
    }
    array.Put(5, nullptr);
    array.Put(100000, nullptr);
    array.Put(INT_MAX, nullptr);  // nil out of range: nothing to store, nothing refused
    EXPECT_EQ(array.DirectoryLength(), 0);
    EXPECT_EQ(array.HighBound(), -1);
    EXPECT_EQ(array.ForAll([](int, int*) { return 1; }), 0);
  }
}

TEST(SparsePointerArray, OnlyTheWrittenSectionIsMade) {
  Array array(TSPAQuantum::spaSmall);
  array.Put(20, P(0));
  EXPECT_EQ(array.DirectoryLength(), 2);
  EXPECT_FALSE(array.HasSection(0));
  EXPECT_TRUE(array.HasSection(1));
  EXPECT_EQ(array.SectionCount(), 1);
  EXPECT_EQ(array.Get(5), nullptr);
  EXPECT_EQ(V(array.Get(20)), 0);
  EXPECT_EQ(array.HighBound(), 20);
  // A lower write fills in its section without growing the directory.
  array.Put(3, P(1));
  EXPECT_EQ(array.DirectoryLength(), 2);
  EXPECT_EQ(array.SectionCount(), 2);
  EXPECT_EQ(array.HighBound(), 20);
}

TEST(SparsePointerArray, SectionBoundariesOfBothQuanta) {
  Array small(TSPAQuantum::spaSmall);
  EXPECT_EQ(small.SectionSize(), 16);
  small.Put(15, P(0));
  EXPECT_EQ(small.DirectoryLength(), 1);
  small.Put(16, P(1));
  EXPECT_EQ(small.DirectoryLength(), 2);
  small.Put(4095, P(2));
  EXPECT_EQ(small.DirectoryLength(), 256);
  small.Put(4096, P(3));
  EXPECT_EQ(small.DirectoryLength(), 257);
  EXPECT_EQ(small.SectionCount(), 4);
  EXPECT_EQ(Walk(small), (std::vector<std::pair<int, int>>{{15, 0}, {16, 1}, {4095, 2}, {4096, 3}}));

  Array large(TSPAQuantum::spaLarge);
  EXPECT_EQ(large.SectionSize(), 256);
  large.Put(255, P(0));
  EXPECT_EQ(large.DirectoryLength(), 1);
  large.Put(256, P(1));
  EXPECT_EQ(large.DirectoryLength(), 2);
  large.Put(4096, P(2));
  EXPECT_EQ(large.DirectoryLength(), 17);
  EXPECT_EQ(large.SectionCount(), 3);
  EXPECT_EQ(large.Get(254), nullptr);
  EXPECT_EQ(V(large.Get(255)), 0);
  EXPECT_EQ(V(large.Get(256)), 1);
  EXPECT_EQ(large.Get(257), nullptr);
  EXPECT_EQ(large.HighBound(), 4096);
}

TEST(SparsePointerArray, HighBoundFollowsNilWritesAndSectionsStay) {
  Array array(TSPAQuantum::spaSmall);
  array.Put(3, P(0));
  array.Put(9, P(1));
  array.Put(9, nullptr);
  EXPECT_EQ(array.HighBound(), 3);
  array.Put(3, nullptr);
  EXPECT_EQ(array.HighBound(), -1);
  EXPECT_EQ(array.SectionCount(), 1);  // writing nil never frees a section
  EXPECT_TRUE(Walk(array).empty());

  // Across sections: clearing below the top keeps it; clearing the top finds the next one down.
  array.Put(3, P(0));
  array.Put(17, P(1));
  array.Put(40, P(2));
  array.Put(3, nullptr);
  EXPECT_EQ(array.HighBound(), 40);
  array.Put(40, nullptr);
  EXPECT_EQ(array.HighBound(), 17);
  array.Put(5, P(3));
  array.Put(17, nullptr);
  EXPECT_EQ(array.HighBound(), 5);
  EXPECT_EQ(array.SectionCount(), 3);
}

TEST(SparsePointerArray, ReadCacheNeverServesAStaleValue) {
  Array array(TSPAQuantum::spaSmall);
  EXPECT_EQ(array.Get(7), nullptr);  // nil is now cached for 7
  array.Put(7, P(0));
  EXPECT_EQ(V(array.Get(7)), 0);
  EXPECT_EQ(V(array.Get(7)), 0);  // served from the cache
  array.Put(7, P(1));
  EXPECT_EQ(V(array.Get(7)), 1);
  array.Put(7, nullptr);
  EXPECT_EQ(array.Get(7), nullptr);

  // A write elsewhere empties the cache too; the empty cache answers nil for -1.
  array.Put(8, P(2));
  EXPECT_EQ(V(array.Get(8)), 2);
  array.Put(9, P(3));
  EXPECT_EQ(array.Get(-1), nullptr);
  EXPECT_EQ(V(array.Get(8)), 2);

  // A store through a made slot is seen by the next read.
  EXPECT_EQ(array.Get(30), nullptr);
  *array.MakeSlot(30) = P(4);
  EXPECT_EQ(V(array.Get(30)), 4);
  EXPECT_EQ(array.HighBound(), 30);
}

TEST(SparsePointerArray, WalkIsAscendingAndStopsOnRequest) {
  Array array(TSPAQuantum::spaSmall);
  array.Put(100, P(0));
  array.Put(2, P(1));
  array.Put(33, P(2));
  array.Put(31, P(3));
  EXPECT_EQ(Walk(array), (std::vector<std::pair<int, int>>{{2, 1}, {31, 3}, {33, 2}, {100, 0}}));
  std::vector<int> seen;
  int result = array.ForAll([&](int index, int*) {
    seen.push_back(index);
    return index == 31 ? 42 : 0;
  });
  EXPECT_EQ(result, 42);
  EXPECT_EQ(seen, (std::vector<int>{2, 31}));
}

TEST(SparsePointerArray, IndexesBeyondTheRangeAreRefusedCleanly) {
  struct Case {
    TSPAQuantum quantum;
    int capacity;
  };
  for (Case c : {Case{TSPAQuantum::spaSmall, 1048560}, Case{TSPAQuantum::spaLarge, 16776960}}) {
    Array array(c.quantum);
    EXPECT_EQ(array.Capacity(), c.capacity);
    array.Put(c.capacity - 1, P(0));  // the last index that fits
    EXPECT_EQ(array.DirectoryLength(), 65535);
    EXPECT_EQ(V(array.Get(c.capacity - 1)), 0);
    for (int bad : {c.capacity, c.capacity + 1, INT_MAX, -1, INT_MIN}) {
      try {
        array.Put(bad, P(1));
        ADD_FAILURE() << "stored at " << bad;
      } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
      }
      EXPECT_THROW(array.MakeSlot(bad), EListError);
      EXPECT_EQ(array.Get(bad), nullptr);
    }
    // Nothing changed: the range limit wraps no section number onto a real one.
    EXPECT_EQ(array.DirectoryLength(), 65535);
    EXPECT_EQ(array.SectionCount(), 1);
    EXPECT_EQ(array.HighBound(), c.capacity - 1);
    EXPECT_EQ(array.Get(0), nullptr);
  }
}

}  // namespace
