#include "controls/grid/sparse_pointer_array.h"

#include "core/exceptions.h"

TSparsePointerArray::TSparsePointerArray(TSPAQuantum quantum)
    : m_indexMask(quantum == TSPAQuantum::spaLarge ? 255 : 15),
      m_sectionShift(quantum == TSPAQuantum::spaLarge ? 8 : 4),
      m_sectionSize(static_cast<std::uint16_t>(m_indexMask + 1)) {}

TSparsePointerArray::~TSparsePointerArray() = default;

void** TSparsePointerArray::FindSlot(int index) const {
  // A negative index becomes a huge unsigned section number and so finds no section.
  std::uint32_t sectionNumber = static_cast<std::uint32_t>(index) >> m_sectionShift;
  if (sectionNumber >= m_directory.size()) return nullptr;
  const TSection& section = m_directory[sectionNumber];
  if (!section) return nullptr;
  return &section[static_cast<std::uint32_t>(index) & m_indexMask];
}

void* TSparsePointerArray::Get(int index) const {
  if (index == m_cachedIndex) return m_cachedValue;
  void** slot = FindSlot(index);
  void* value = slot ? *slot : nullptr;
  m_cachedIndex = index;
  m_cachedValue = value;
  return value;
}

void** TSparsePointerArray::MakeSlot(int index) {
  if (index < 0 || index >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index);
  auto sectionNumber = static_cast<std::uint32_t>(index) >> m_sectionShift;
  if (sectionNumber >= m_directory.size()) m_directory.resize(sectionNumber + 1);
  TSection& section = m_directory[sectionNumber];
  if (!section) section = std::make_unique<void*[]>(m_sectionSize);  // zero-filled
  if (index > m_highBound) m_highBound = index;
  // The cache must not outlive a write; an empty cache also reads nil, so a read of index -1
  // (the empty marker) still answers nil.
  m_cachedIndex = -1;
  m_cachedValue = nullptr;
  return &section[static_cast<std::uint32_t>(index) & m_indexMask];
}

void TSparsePointerArray::Put(int index, void* item) {
  if (item == nullptr && Get(index) == nullptr) return;
  *MakeSlot(index) = item;
  if (item == nullptr) RecomputeHighBound();
}

void TSparsePointerArray::RecomputeHighBound() {
  // The slot at the high bound still holding its pointer means a lower slot was cleared: the
  // walk below would end at that same slot, so it can be skipped.
  if (m_highBound >= 0) {
    void** top = FindSlot(m_highBound);
    if (top != nullptr && *top != nullptr) return;
  }
  const int oldHighBound = m_highBound;
  int last = -1;
  ForAll([oldHighBound, &last](int index, void* /*item*/) {
    if (index > oldHighBound) return 1;
    last = index;
    return 0;
  });
  m_highBound = last;
}

int TSparsePointerArray::ForAll(const TSPAVisitor& visitor) const {
  for (std::size_t sectionNumber = 0; sectionNumber < m_directory.size(); ++sectionNumber) {
    // Sections never move or go away while the array lives, so holding the raw section keeps
    // the walk sound even when the visitor stores into the array and the directory grows.
    void** section = m_directory[sectionNumber].get();
    if (section == nullptr) continue;
    for (int slot = 0; slot < m_sectionSize; ++slot) {
      if (section[slot] == nullptr) continue;
      int index = (static_cast<int>(sectionNumber) << m_sectionShift) + slot;
      if (int result = visitor(index, section[slot]); result != 0) return result;
    }
  }
  return 0;
}

bool TSparsePointerArray::HasSection(int sectionNumber) const {
  return sectionNumber >= 0 && static_cast<std::size_t>(sectionNumber) < m_directory.size() &&
         m_directory[static_cast<std::size_t>(sectionNumber)] != nullptr;
}

int TSparsePointerArray::SectionCount() const {
  int count = 0;
  for (const TSection& section : m_directory) count += section ? 1 : 0;
  return count;
}
