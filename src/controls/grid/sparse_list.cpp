#include "controls/grid/sparse_list.h"

#include "core/exceptions.h"

TSparseList::TSparseList(TSPAQuantum quantum)
    : m_array(std::make_unique<TSparsePointerArray>(quantum)), m_quantum(quantum) {}

TSparseList::~TSparseList() = default;

void TSparseList::CheckIndex(int index) const {
  if (index < 0) RaiseFmt<EListError>(kSListIndexError, index);
}

void* TSparseList::Get(int index) const {
  CheckIndex(index);
  return m_array->Get(index);
}

void TSparseList::Put(int index, void* item) {
  CheckIndex(index);
  m_array->Put(index, item);
  m_count = m_array->HighBound() + 1;
}

void TSparseList::Insert(int index, void* item) {
  CheckIndex(index);
  // Checked before anything moves, so a refused insert leaves every item where it was.
  if (index >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index);
  if (m_count >= Capacity()) RaiseFmt<EListError>(kSListCapacityError, m_count);
  for (int i = m_count - 1; i >= index; --i) m_array->Put(i + 1, m_array->Get(i));
  m_array->Put(index, item);
  if (m_count < index) m_count = index;
  ++m_count;
}

void TSparseList::Delete(int index) {
  if (index < 0 || index >= m_count) return;
  for (int i = index; i < m_count; ++i) m_array->Put(i, m_array->Get(i + 1));
  // Position count holds nil already (nothing lies at or above the count), so this never makes
  // a section; it keeps the rule that the vacated top position ends up empty.
  m_array->Put(m_count, nullptr);
  --m_count;
}

void TSparseList::Exchange(int index1, int index2) {
  void* item1 = Get(index1);
  void* item2 = Get(index2);
  // Both stores are checked first, so a refused exchange changes neither position.
  if (item2 != nullptr && index1 >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index1);
  if (item1 != nullptr && index2 >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index2);
  Put(index1, item2);
  Put(index2, item1);
}

void TSparseList::Move(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  void* item = Get(fromIndex);
  CheckIndex(toIndex);
  if (toIndex >= Capacity()) RaiseFmt<EListError>(kSListIndexError, toIndex);
  Delete(fromIndex);
  Insert(toIndex, item);
}

void TSparseList::Clear() {
  m_array = std::make_unique<TSparsePointerArray>(m_quantum);
  m_count = 0;
}

int TSparseList::ForAll(const TSPAVisitor& visitor) const { return m_array->ForAll(visitor); }
