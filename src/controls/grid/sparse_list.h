// A list with a count on top of one sparse pointer array: index checking, insertion and deletion
// for the grid's rows of cells and its lists of rows and views.
//
// Count rules. The count is one more than the highest index in use as Put, Insert and Delete keep
// it: Put sets it to the array's high bound + 1 (so storing nil at the top shrinks it); Insert at
// or beyond the end extends it to index + 1, and within the list grows it by one; Delete takes
// one off when it removes a position below the count.
//
// The list refers to its items and never frees them; whoever stores them owns them.
#pragma once

#include <memory>

#include "controls/grid/sparse_pointer_array.h"

class TSparseList {
 public:
  explicit TSparseList(TSPAQuantum quantum);
  TSparseList(const TSparseList&) = delete;
  TSparseList& operator=(const TSparseList&) = delete;
  ~TSparseList();

  // Index errors raise EListError "List index out of bounds (%d)" and leave the list unchanged:
  // a negative index for Get, Put, Insert and Exchange; for a store, an index at or beyond
  // Capacity(). An Insert into a list that already reaches Capacity() raises EListError "List
  // capacity out of bounds (%d)" with the count.
  void* Get(int index) const;
  void Put(int index, void* item);
  // Moves the items at index and above up by one and stores item at index.
  void Insert(int index, void* item);
  // Moves the items above index down by one. Does nothing unless 0 <= index < Count().
  void Delete(int index);
  void Exchange(int index1, int index2);
  // Takes the item at fromIndex out and inserts it at toIndex (Delete then Insert).
  void Move(int fromIndex, int toIndex);
  // Forgets every item (they are not freed) and starts a fresh array of the same quantum.
  void Clear();
  int ForAll(const TSPAVisitor& visitor) const;

  int Count() const { return m_count; }
  TSPAQuantum Quantum() const { return m_quantum; }
  int Capacity() const { return m_array->Capacity(); }
  // The array underneath, for measuring what the list costs.
  const TSparsePointerArray& Array() const { return *m_array; }

 private:
  void CheckIndex(int index) const;

  std::unique_ptr<TSparsePointerArray> m_array;
  int m_count = 0;
  TSPAQuantum m_quantum;
};
