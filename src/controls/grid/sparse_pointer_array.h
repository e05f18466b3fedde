// A two-level array of pointers indexed by a non-negative integer: the bottom layer of the grid's
// cell store. Index i lives in section i >> shift, slot i & mask; a section (16 or 256 slots,
// by the quantum) is made on the first write into it and kept until the array is destroyed, so a
// grid whose cells are mostly empty costs one small section per row.
//
// The array refers to the pointed-to objects and never owns them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Section size of a sparse array: small 16 slots, large 256 slots.
enum class TSPAQuantum { spaSmall, spaLarge };

// Called by ForAll for every non-nil slot in ascending index order; a non-zero result stops the
// walk and becomes ForAll's result.
using TSPAVisitor = std::function<int(int index, void* item)>;

class TSparsePointerArray {
 public:
  // Section numbers are 16-bit and the directory's length must fit 16 bits too, so there are at
  // most 65,535 sections: indexes stay below 65,535 * section size.
  static constexpr int kMaxSections = 65535;

  explicit TSparsePointerArray(TSPAQuantum quantum);
  TSparsePointerArray(const TSparsePointerArray&) = delete;
  TSparsePointerArray& operator=(const TSparsePointerArray&) = delete;
  ~TSparsePointerArray();

  // The pointer at index; nil for every index never written, negative or out of range.
  // Repeated reads of one index are served from a one-entry cache.
  void* Get(int index) const;
  // The address of the slot for index, making its section (and growing the directory) as
  // needed. Raises EListError "List index out of bounds (%d)" for an index below 0 or beyond
  // Capacity(). The address stays valid for the array's life, but a store through it bypasses
  // the read cache and the high bound: use Put unless the slot is written at once.
  void** MakeSlot(int index);
  // Stores item at index. Storing nil into an empty slot makes nothing; storing nil into a used
  // slot keeps its section and recomputes the high bound.
  void Put(int index, void* item);
  int ForAll(const TSPAVisitor& visitor) const;

  // Highest index holding a non-nil pointer, -1 when none does.
  int HighBound() const { return m_highBound; }
  int SectionSize() const { return m_sectionSize; }
  // One past the highest index the array can hold: 65,535 sections.
  int Capacity() const { return kMaxSections * m_sectionSize; }
  // The directory and which of its sections exist; the cell store's memory use in numbers.
  int DirectoryLength() const { return static_cast<int>(m_directory.size()); }
  bool HasSection(int sectionNumber) const;
  int SectionCount() const;

 private:
  using TSection = std::unique_ptr<void*[]>;

  // The slot for index when its section exists, else nullptr; touches neither cache nor bounds.
  void** FindSlot(int index) const;
  // The largest index at or below the old high bound that still holds a pointer, after a nil
  // was stored: walks the used slots in ascending order and keeps the last one not above it.
  void RecomputeHighBound();

  std::vector<TSection> m_directory;  // its size is the directory length, at most kMaxSections
  std::uint16_t m_indexMask;
  std::uint16_t m_sectionShift;
  int m_highBound = -1;
  std::uint16_t m_sectionSize;
  mutable int m_cachedIndex = -1;
  mutable void* m_cachedValue = nullptr;
};
