// SPDX-License-Identifier: GPL-3.0-or-later
// A list with a count on top of one sparse array: index checking, insertion and deletion for the
// grid's rows of cells and its lists of rows and views.
//
// Count rules. The count is one more than the highest index in use as Put, Insert and Delete keep
// it: Put sets it to the array's high bound + 1 (so storing nil at the top shrinks it); Insert at
// or beyond the end extends it to index + 1, and within the list grows it by one; Delete takes
// one off when it removes a position below the count.
//
// The list owns its items, as the array under it does: Put over an item, Delete and Clear free
// what they remove.
#pragma once

#include <memory>
#include <utility>

#include "controls/grid/sparse_pointer_array.h"
#include "core/exceptions.h"

template <typename T>
class TSparseList {
 public:
  using TItem = std::unique_ptr<T>;

  explicit TSparseList(TSPAQuantum quantum)
      : m_array(std::make_unique<TSparsePointerArray<T>>(quantum)), m_quantum(quantum) {}
  TSparseList(const TSparseList&) = delete;
  TSparseList& operator=(const TSparseList&) = delete;

  // Index errors raise EListError "List index out of bounds (%d)" and leave the list unchanged
  // (an item offered to a refused store is freed): a negative index for Get, Put, Insert and
  // Exchange; for a store, an index at or beyond Capacity(). An Insert into a list that already
  // reaches Capacity() raises EListError "List capacity out of bounds (%d)" with the count.
  T* Get(int index) const {
    CheckIndex(index);
    return m_array->Get(index);
  }

  void Put(int index, TItem item) {
    CheckIndex(index);
    m_array->Put(index, std::move(item));
    m_count = m_array->HighBound() + 1;
  }

  // Moves the items at index and above up by one and stores item at index.
  void Insert(int index, TItem item) {
    CheckIndex(index);
    // Checked before anything moves, so a refused insert leaves every item where it was.
    if (index >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index);
    if (m_count >= Capacity()) RaiseFmt<EListError>(kSListCapacityError, m_count);
    for (int i = m_count - 1; i >= index; --i) m_array->MoveItem(i, i + 1);
    m_array->Put(index, std::move(item));
    if (m_count < index) m_count = index;
    ++m_count;
  }

  // Frees the item at index and moves the items above it down by one. Does nothing unless
  // 0 <= index < Count().
  void Delete(int index) {
    if (index < 0 || index >= m_count) return;
    // Each move leaves its source empty, so the vacated top position ends up empty.
    for (int i = index; i < m_count; ++i) m_array->MoveItem(i + 1, i);
    --m_count;
  }

  void Exchange(int index1, int index2) {
    const T* item1 = Get(index1);
    const T* item2 = Get(index2);
    // Both stores are checked first, so a refused exchange changes neither position.
    if (item2 != nullptr && index1 >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index1);
    if (item1 != nullptr && index2 >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index2);
    TItem taken1 = m_array->Take(index1);
    TItem taken2 = m_array->Take(index2);
    Put(index1, std::move(taken2));
    Put(index2, std::move(taken1));
  }

  // Takes the item at fromIndex out and inserts it at toIndex (Delete then Insert).
  void Move(int fromIndex, int toIndex) {
    if (fromIndex == toIndex) return;
    CheckIndex(fromIndex);
    CheckIndex(toIndex);
    if (toIndex >= Capacity()) RaiseFmt<EListError>(kSListIndexError, toIndex);
    TItem item = m_array->Take(fromIndex);
    Delete(fromIndex);
    Insert(toIndex, std::move(item));
  }

  // Frees every item and starts a fresh array of the same quantum.
  void Clear() {
    m_array = std::make_unique<TSparsePointerArray<T>>(m_quantum);
    m_count = 0;
  }

  int ForAll(const TSPAVisitor<T>& visitor) const { return m_array->ForAll(visitor); }

  int Count() const { return m_count; }
  TSPAQuantum Quantum() const { return m_quantum; }
  int Capacity() const { return m_array->Capacity(); }
  // The array underneath, for measuring what the list costs.
  const TSparsePointerArray<T>& Array() const { return *m_array; }

 private:
  static void CheckIndex(int index) {
    if (index < 0) RaiseFmt<EListError>(kSListIndexError, index);
  }

  std::unique_ptr<TSparsePointerArray<T>> m_array;
  int m_count = 0;
  TSPAQuantum m_quantum;
};
