// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/combo_items.h"

#include <algorithm>
#include <string_view>

#include "base/cp1252.h"
#include "platform/combo_box.h"

namespace combo {
namespace {

// Compares the first `length` characters ignoring case, accented letters folded too; a text that
// ends first sorts first.
int CompareFolded(std::string_view a, std::string_view b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (i >= a.size() || i >= b.size())
      return static_cast<int>(a.size() > i) - static_cast<int>(b.size() > i);
    const unsigned char x = text::UpperCp1252(static_cast<unsigned char>(a[i]));
    const unsigned char y = text::UpperCp1252(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace

int ComboItems::Insert(const char* text, int index, bool sorted) {
  if (Count() >= kMaxItems) return static_cast<int>(CB_ERRSPACE);
  combo::Item item{text != nullptr ? text : "", 0};
  const int count = Count();
  if (sorted) {
    index = count;
    for (int i = 0; i < count; ++i) {
      const std::string& other = Text(i);
      if (CompareFolded(item.text, other, std::max(item.text.size(), other.size()) + 1) < 0) {
        index = i;
        break;
      }
    }
  } else if (index < 0) {
    index = count;
  } else if (index > count) {
    return static_cast<int>(CB_ERR);
  }
  m_items.insert(m_items.begin() + index, std::move(item));
  return index;
}

void ComboItems::Erase(int index) {
  if (Valid(index)) m_items.erase(m_items.begin() + index);
}

int ComboItems::Find(const char* text, int start, bool exact) const {
  const std::string_view wanted = text != nullptr ? text : "";
  const int count = Count();
  if (count == 0) return static_cast<int>(CB_ERR);
  if (start < -1 || start >= count) start = -1;
  for (int k = 1; k <= count; ++k) {
    const int i = (start + k) % count;
    const std::string& item = Text(i);
    const bool sizeFits = exact ? item.size() == wanted.size() : item.size() >= wanted.size();
    if (sizeFits && CompareFolded(item, wanted, wanted.size()) == 0) return i;
  }
  return static_cast<int>(CB_ERR);
}

}  // namespace combo
