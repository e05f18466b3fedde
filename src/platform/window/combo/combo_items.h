// SPDX-License-Identifier: GPL-3.0-or-later
// The items of a combo box: their texts and data, the folded order of a sorted list and the
// case-insensitive searches (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>
#include <vector>

#include "base/types.h"
#include "platform/window/combo/combo_internal.h"

namespace combo {

class ComboItems {
 public:
  static constexpr int kMaxItems = 32767;

  const std::vector<combo::Item>& All() const { return m_items; }
  int Count() const { return static_cast<int>(m_items.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  const std::string& Text(int index) const { return m_items[static_cast<std::size_t>(index)].text; }
  LPARAM Data(int index) const { return m_items[static_cast<std::size_t>(index)].data; }
  void SetData(int index, LPARAM data) { m_items[static_cast<std::size_t>(index)].data = data; }

  // Inserts at `index` (-1: at the end), or where the folded order puts it when `sorted`.
  // The index it went to; CB_ERR for an index past the end, CB_ERRSPACE when the list is full.
  int Insert(const char* text, int index, bool sorted);
  void Erase(int index);
  void Clear() { m_items.clear(); }
  // The first item after `start` (-1: from the top), wrapping, that begins with `text` (or equals
  // it when `exact`), ignoring case with cp1252's accented letters folded; CB_ERR when none.
  int Find(const char* text, int start, bool exact) const;

 private:
  std::vector<combo::Item> m_items;
};

}  // namespace combo
