// SPDX-License-Identifier: GPL-3.0-or-later
// The counted sparse list: its count rules, shifting on insert and delete, exchange, move,
// clear, its index errors, and its ownership of the items.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "controls/grid/sparse_list.h"
#include "core/exceptions.h"

namespace {

using List = TSparseList<int>;

// Items told apart by their value; kNil stands for an empty position.
constexpr int kNil = -1;
std::unique_ptr<int> P(int n) { return n == kNil ? nullptr : std::make_unique<int>(n); }
int V(const int* item) { return item != nullptr ? *item : kNil; }

// The list's positions 0..Count()-1, nil included.
std::vector<int> Items(const List& list) {
  std::vector<int> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(V(list.Get(i)));
  return items;
}

void ExpectListError(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error, expected " << message;
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(SparseList, PutSetsTheCountFromTheHighestItem) {
  List list(TSPAQuantum::spaSmall);
  EXPECT_EQ(list.Count(), 0);
  list.Put(3, P(0));
  EXPECT_EQ(list.Count(), 4);
  list.Put(9, P(1));
  EXPECT_EQ(list.Count(), 10);
  list.Put(9, nullptr);
  EXPECT_EQ(list.Count(), 4);
  list.Put(3, nullptr);
  EXPECT_EQ(list.Count(), 0);
  // Put follows the items alone: it also drops positions that an insert added as nil.
  list.Insert(5, P(2));
  list.Insert(9, nullptr);
  EXPECT_EQ(list.Count(), 10);
  list.Put(0, P(3));
  EXPECT_EQ(list.Count(), 6);
}

TEST(SparseList, InsertShiftsUpAndExtendsTheCount) {
  List list(TSPAQuantum::spaSmall);
  list.Insert(5, P(0));
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(Items(list), (std::vector<int>{kNil, kNil, kNil, kNil, kNil, 0}));

  list.Insert(0, P(1));  // the nil positions move up with the item
  EXPECT_EQ(list.Count(), 7);
  EXPECT_EQ(V(list.Get(0)), 1);
  EXPECT_EQ(list.Get(5), nullptr);
  EXPECT_EQ(V(list.Get(6)), 0);

  list.Insert(6, P(2));  // in the middle of the items
  EXPECT_EQ(Items(list), (std::vector<int>{1, kNil, kNil, kNil, kNil, kNil, 2, 0}));
  list.Insert(8, P(3));  // exactly at the end
  EXPECT_EQ(list.Count(), 9);
  EXPECT_EQ(V(list.Get(8)), 3);
  list.Insert(2, nullptr);  // a nil insert still opens a position
  EXPECT_EQ(list.Count(), 10);
  EXPECT_EQ(V(list.Get(9)), 3);
  EXPECT_EQ(list.Get(2), nullptr);

  // Across a section boundary of the large quantum.
  List large(TSPAQuantum::spaLarge);
  large.Put(255, P(4));
  large.Insert(0, P(5));
  EXPECT_EQ(V(large.Get(256)), 4);
  EXPECT_EQ(large.Get(255), nullptr);
  EXPECT_EQ(large.Count(), 257);
  EXPECT_EQ(large.Array().DirectoryLength(), 2);
}

TEST(SparseList, DeleteShiftsDownOnlyBelowTheCount) {
  List list(TSPAQuantum::spaSmall);
  list.Insert(0, P(0));
  list.Insert(1, P(1));
  list.Insert(2, P(2));
  list.Delete(1);
  EXPECT_EQ(Items(list), (std::vector<int>{0, 2}));
  EXPECT_EQ(list.Get(2), nullptr);  // the vacated top position is empty
  list.Delete(2);                   // at the count: nothing
  list.Delete(50);                  // beyond: nothing
  list.Delete(-1);                  // negative: nothing, and no error
  EXPECT_EQ(Items(list), (std::vector<int>{0, 2}));
  list.Delete(1);  // the last one
  EXPECT_EQ(Items(list), (std::vector<int>{0}));
  EXPECT_EQ(list.Array().HighBound(), 0);

  // Nil positions that inserts opened are deleted like any other.
  List holes(TSPAQuantum::spaSmall);
  holes.Insert(5, P(3));
  holes.Delete(0);
  EXPECT_EQ(holes.Count(), 5);
  EXPECT_EQ(V(holes.Get(4)), 3);
  EXPECT_EQ(holes.Get(5), nullptr);
  holes.Delete(4);
  EXPECT_EQ(holes.Count(), 4);
  EXPECT_EQ(holes.Array().HighBound(), -1);
}

TEST(SparseList, ExchangeAndMove) {
  List list(TSPAQuantum::spaSmall);
  for (int i = 0; i < 4; ++i) list.Insert(i, P(i));
  list.Exchange(0, 3);
  EXPECT_EQ(Items(list), (std::vector<int>{3, 1, 2, 0}));
  list.Exchange(1, 1);
  EXPECT_EQ(Items(list), (std::vector<int>{3, 1, 2, 0}));

  list.Move(0, 2);
  EXPECT_EQ(Items(list), (std::vector<int>{1, 2, 3, 0}));
  list.Move(3, 0);
  EXPECT_EQ(Items(list), (std::vector<int>{0, 1, 2, 3}));
  list.Move(2, 2);
  EXPECT_EQ(Items(list), (std::vector<int>{0, 1, 2, 3}));

  // Exchanging with an empty position beyond the end moves the item there; the count follows
  // the highest item.
  List pair(TSPAQuantum::spaSmall);
  pair.Put(0, P(4));
  pair.Exchange(0, 6);
  EXPECT_EQ(pair.Get(0), nullptr);
  EXPECT_EQ(V(pair.Get(6)), 4);
  EXPECT_EQ(pair.Count(), 7);
  pair.Exchange(6, 0);
  EXPECT_EQ(pair.Count(), 1);
}

TEST(SparseList, ClearForgetsEverythingAndKeepsTheQuantum) {
  List list(TSPAQuantum::spaLarge);
  list.Put(300, P(0));
  list.Insert(0, P(1));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.Get(301), nullptr);
  EXPECT_EQ(list.Array().DirectoryLength(), 0);
  EXPECT_EQ(list.Quantum(), TSPAQuantum::spaLarge);
  list.Put(255, P(2));
  EXPECT_EQ(list.Array().DirectoryLength(), 1);  // still 256-slot sections
  int visits = list.ForAll([](int, int*) { return 0; });
  EXPECT_EQ(visits, 0);
}

TEST(SparseList, NegativeIndexesRaiseAndLeaveTheListUnchanged) {
  List list(TSPAQuantum::spaSmall);
  list.Put(2, P(0));
  ExpectListError([&] { list.Get(-1); }, "List index out of bounds (-1)");
  ExpectListError([&] { list.Put(-2, P(1)); }, "List index out of bounds (-2)");
  ExpectListError([&] { list.Put(-2, nullptr); }, "List index out of bounds (-2)");
  ExpectListError([&] { list.Insert(-3, P(1)); }, "List index out of bounds (-3)");
  ExpectListError([&] { list.Exchange(2, -4); }, "List index out of bounds (-4)");
  ExpectListError([&] { list.Move(-5, 0); }, "List index out of bounds (-5)");
  ExpectListError([&] { list.Move(2, -6); }, "List index out of bounds (-6)");
  EXPECT_EQ(Items(list), (std::vector<int>{kNil, kNil, 0}));
}

TEST(SparseList, TheRangeLimitIsRefusedBeforeAnythingMoves) {
  List list(TSPAQuantum::spaSmall);
  const int capacity = list.Capacity();
  ASSERT_EQ(capacity, 1048560);
  ExpectListError([&] { list.Put(capacity, P(0)); },
                  "List index out of bounds (" + std::to_string(capacity) + ")");
  ExpectListError([&] { list.Insert(capacity, P(0)); },
                  "List index out of bounds (" + std::to_string(capacity) + ")");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Array().DirectoryLength(), 0);

  // A full list cannot shift its top item past the limit.
  list.Put(capacity - 1, P(1));
  list.Put(0, P(2));
  EXPECT_EQ(list.Count(), capacity);
  ExpectListError([&] { list.Insert(0, P(3)); },
                  "List capacity out of bounds (" + std::to_string(capacity) + ")");
  ExpectListError([&] { list.Exchange(capacity - 1, capacity); },
                  "List index out of bounds (" + std::to_string(capacity) + ")");
  EXPECT_EQ(V(list.Get(0)), 2);
  EXPECT_EQ(list.Get(1), nullptr);
  EXPECT_EQ(V(list.Get(capacity - 1)), 1);
  EXPECT_EQ(list.Count(), capacity);
  // Moving within the list is still fine: the delete makes room first.
  list.Move(0, 1);
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(V(list.Get(1)), 2);
  EXPECT_EQ(V(list.Get(capacity - 1)), 1);
}

// An item that counts how many of its kind are alive, so a test sees what the list frees.
struct Counted {
  explicit Counted(int& alive) : m_alive(alive) { ++m_alive; }
  ~Counted() { --m_alive; }
  int& m_alive;
};

TEST(SparseList, OwnsItsItemsAndFreesEachOneItRemovesOnce) {
  int alive = 0;
  auto make = [&] { return std::make_unique<Counted>(alive); };
  {
    TSparseList<Counted> list(TSPAQuantum::spaSmall);
    list.Put(0, make());
    list.Put(0, make());  // the item it replaces goes
    EXPECT_EQ(alive, 1);
    list.Insert(0, make());
    list.Insert(5, make());
    list.Exchange(0, 40);
    list.Move(1, 3);
    EXPECT_EQ(alive, 3) << "moving items frees none of them";
    EXPECT_NE(list.Get(3), nullptr);
    list.Delete(3);
    EXPECT_EQ(alive, 2);
    EXPECT_THROW(list.Put(list.Capacity(), make()), EListError);
    EXPECT_EQ(alive, 2) << "a refused item is freed at once";
    list.Put(list.Count() - 1, nullptr);  // the top item, moved down by the delete
    EXPECT_EQ(alive, 1);
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.Put(7, make());
  }
  EXPECT_EQ(alive, 0) << "the list's end frees what it still holds";
}

// A dense reference: a plain vector of item values whose positions at and above the count are
// all nil.
class DenseList {
 public:
  int Get(int i) const { return i < Size() ? m_items[static_cast<size_t>(i)] : kNil; }
  void Put(int i, int item) {
    Grow(i + 1);
    m_items[static_cast<size_t>(i)] = item;
    m_count = 0;
    for (int k = 0; k < Size(); ++k) {
      if (Get(k) != kNil) m_count = k + 1;
    }
  }
  void Insert(int i, int item) {
    Grow(i);
    m_items.insert(m_items.begin() + i, item);
    m_count = std::max(m_count, i) + 1;
  }
  void Delete(int i) {
    if (i < 0 || i >= m_count) return;
    if (i < Size()) m_items.erase(m_items.begin() + i);
    --m_count;
  }
  int Count() const { return m_count; }

 private:
  int Size() const { return static_cast<int>(m_items.size()); }
  void Grow(int size) {
    if (Size() < size) m_items.resize(static_cast<size_t>(size), kNil);
  }
  std::vector<int> m_items;
  int m_count = 0;
};

TEST(SparseList, RandomOperationsAgreeWithADenseList) {
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  List list(TSPAQuantum::spaSmall);
  DenseList dense;
  for (int step = 0; step < 3000; ++step) {
    int i = pick(40);
    int j = pick(40);
    const int item = pick(3) == 0 ? kNil : pick(8);
    switch (pick(5)) {
      case 0:
        list.Put(i, P(item));
        dense.Put(i, item);
        break;
      case 1:
        list.Insert(i, P(item));
        dense.Insert(i, item);
        break;
      case 2:
        list.Delete(i);
        dense.Delete(i);
        break;
      case 3: {
        list.Exchange(i, j);
        const int a = dense.Get(i);
        const int b = dense.Get(j);
        dense.Put(i, b);
        dense.Put(j, a);
        break;
      }
      default:
        list.Move(i, j);
        if (i != j) {
          const int moved = dense.Get(i);
          dense.Delete(i);
          dense.Insert(j, moved);
        }
        break;
    }
    ASSERT_EQ(list.Count(), dense.Count()) << "step " << step;
    int highest = -1;
    for (int k = 0; k < 100; ++k) {
      ASSERT_EQ(V(list.Get(k)), dense.Get(k)) << "step " << step << " position " << k;
      if (dense.Get(k) != kNil) highest = k;
    }
    ASSERT_EQ(list.Array().HighBound(), highest) << "step " << step;
    // Keep the lists short enough for the index range above.
    if (list.Count() > 60) {
      list.Clear();
      dense = DenseList();
    }
  }
}

}  // namespace
