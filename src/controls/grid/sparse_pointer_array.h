// SPDX-License-Identifier: GPL-3.0-or-later
// A two-level array of owned objects indexed by a non-negative integer: the bottom layer of the
// grid's cell store. Index i lives in section i >> shift, slot i & mask; a section (16 or 256
// slots, by the quantum) is made on the first write into it and kept until the array is
// destroyed, so a grid whose cells are mostly empty costs one small section per row.
//
// The array owns what it holds: an item stored over another frees the other, and the array's end
// frees every item. Readers get plain pointers that stay valid until the item is replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/exceptions.h"

// Section size of a sparse array: small 16 slots, large 256 slots.
enum class TSPAQuantum { spaSmall, spaLarge };

// Called by ForAll for every non-nil slot in ascending index order; a non-zero result stops the
// walk and becomes ForAll's result.
template <typename T>
using TSPAVisitor = std::function<int(int index, T* item)>;

// How an index splits into section number and slot for a quantum.
struct TSPAGeometry {
  std::uint16_t indexMask;
  std::uint16_t sectionShift;
  std::uint16_t sectionSize;
};
TSPAGeometry SparseGeometry(TSPAQuantum quantum);

template <typename T>
class TSparsePointerArray {
 public:
  using TItem = std::unique_ptr<T>;

  // Section numbers are 16-bit and the directory's length must fit 16 bits too, so there are at
  // most 65,535 sections: indexes stay below 65,535 * section size.
  static constexpr int kMaxSections = 65535;

  explicit TSparsePointerArray(TSPAQuantum quantum) : m_geometry(SparseGeometry(quantum)) {}
  TSparsePointerArray(const TSparsePointerArray&) = delete;
  TSparsePointerArray& operator=(const TSparsePointerArray&) = delete;

  // The item at index; nil for every index never written, negative or out of range.
  // Repeated reads of one index are served from a one-entry cache.
  T* Get(int index) const {
    if (index == m_cachedIndex) return m_cachedValue;
    TItem* slot = FindSlot(index);
    T* value = slot ? slot->get() : nullptr;
    m_cachedIndex = index;
    m_cachedValue = value;
    return value;
  }

  // The slot for index, making its section (and growing the directory) as needed. Raises
  // EListError "List index out of bounds (%d)" for an index below 0 or beyond Capacity(). The
  // slot stays where it is for the array's life, but a store into it bypasses the read cache and
  // the high bound: use Put unless the slot is written at once.
  TItem* MakeSlot(int index) {
    if (index < 0 || index >= Capacity()) RaiseFmt<EListError>(kSListIndexError, index);
    auto sectionNumber = static_cast<std::uint32_t>(index) >> m_geometry.sectionShift;
    if (sectionNumber >= m_directory.size()) m_directory.resize(sectionNumber + 1);
    TSection& section = m_directory[sectionNumber];
    if (!section) section = std::make_unique<TItem[]>(m_geometry.sectionSize);  // all nil
    if (index > m_highBound) m_highBound = index;
    // The cache must not outlive a write; an empty cache also reads nil, so a read of index -1
    // (the empty marker) still answers nil.
    ForgetCache();
    return &section[static_cast<std::uint32_t>(index) & m_geometry.indexMask];
  }

  // Stores item at index, freeing what was there. Storing nil into an empty slot makes nothing;
  // storing nil into a used slot keeps its section and recomputes the high bound. A refused
  // index frees the item and changes nothing.
  void Put(int index, TItem item) {
    if (item == nullptr && Get(index) == nullptr) return;
    const bool clearing = item == nullptr;
    // The old item goes only once the array is consistent again, whatever its end does.
    TItem old = std::exchange(*MakeSlot(index), std::move(item));
    if (clearing) RecomputeHighBound();
  }

  // Takes the item at index out, leaving its slot empty (its section stays); nil when empty.
  TItem Take(int index) {
    TItem* slot = FindSlot(index);
    if (slot == nullptr || *slot == nullptr) return nullptr;
    TItem item = std::move(*slot);
    ForgetCache();
    RecomputeHighBound();
    return item;
  }

  // Moves the item at `from` to `to`, freeing what `to` held and leaving `from` empty. Sections
  // are made as Put(to, Take(from)) would make them; no walk is needed when `to` lies above.
  void MoveItem(int from, int to) {
    if (from == to) return;
    TItem* source = FindSlot(from);
    if (source == nullptr || *source == nullptr) {
      Put(to, nullptr);
      return;
    }
    TItem* target = MakeSlot(to);  // sections never move, so `source` stays valid
    TItem old = std::exchange(*target, std::move(*source));
    RecomputeHighBound();
  }

  int ForAll(const TSPAVisitor<T>& visitor) const {
    for (std::size_t sectionNumber = 0; sectionNumber < m_directory.size(); ++sectionNumber) {
      // Sections never move or go away while the array lives, so holding the raw section keeps
      // the walk sound even when the visitor stores into the array and the directory grows.
      const TItem* section = m_directory[sectionNumber].get();
      if (section == nullptr) continue;
      for (int slot = 0; slot < m_geometry.sectionSize; ++slot) {
        if (section[slot] == nullptr) continue;
        const int index = (static_cast<int>(sectionNumber) << m_geometry.sectionShift) + slot;
        if (int result = visitor(index, section[slot].get()); result != 0) return result;
      }
    }
    return 0;
  }

  // Highest index holding an item, -1 when none does.
  int HighBound() const { return m_highBound; }
  int SectionSize() const { return m_geometry.sectionSize; }
  // One past the highest index the array can hold: 65,535 sections.
  int Capacity() const { return kMaxSections * m_geometry.sectionSize; }
  // The directory and which of its sections exist; the cell store's memory use in numbers.
  int DirectoryLength() const { return static_cast<int>(m_directory.size()); }
  bool HasSection(int sectionNumber) const {
    return sectionNumber >= 0 && static_cast<std::size_t>(sectionNumber) < m_directory.size() &&
           m_directory[static_cast<std::size_t>(sectionNumber)] != nullptr;
  }
  int SectionCount() const {
    int count = 0;
    for (const TSection& section : m_directory) count += section ? 1 : 0;
    return count;
  }

 private:
  using TSection = std::unique_ptr<TItem[]>;

  // The slot for index when its section exists, else nullptr; touches neither cache nor bounds.
  TItem* FindSlot(int index) const {
    // A negative index becomes a huge unsigned section number and so finds no section.
    const auto sectionNumber = static_cast<std::uint32_t>(index) >> m_geometry.sectionShift;
    if (sectionNumber >= m_directory.size()) return nullptr;
    const TSection& section = m_directory[sectionNumber];
    if (!section) return nullptr;
    return &section[static_cast<std::uint32_t>(index) & m_geometry.indexMask];
  }

  void ForgetCache() {
    m_cachedIndex = -1;
    m_cachedValue = nullptr;
  }

  // After a slot was emptied: the largest index at or below the old high bound that still holds
  // an item. The slot at the high bound still holding its item means a lower slot was emptied,
  // and the walk would end at that same slot, so it is skipped.
  void RecomputeHighBound() {
    if (m_highBound >= 0) {
      TItem* top = FindSlot(m_highBound);
      if (top != nullptr && *top != nullptr) return;
    }
    const int oldHighBound = m_highBound;
    int last = -1;
    ForAll([oldHighBound, &last](int index, T* /*item*/) {
      if (index > oldHighBound) return 1;
      last = index;
      return 0;
    });
    m_highBound = last;
  }

  TSPAGeometry m_geometry;
  std::vector<TSection> m_directory;  // its size is the directory length, at most kMaxSections
  int m_highBound = -1;
  mutable int m_cachedIndex = -1;
  mutable T* m_cachedValue = nullptr;
};
