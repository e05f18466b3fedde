// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/string_list.h"

#include <exception>
#include <utility>

#include "core/exceptions.h"
#include "core/format.h"

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::Put(int index, const std::string& text) {
  TObject* object = GetObject(index);
  TStringsUpdate update(*this);
  Delete(index);
  InsertObject(index, text, object);
}

TObject* TStrings::GetObject(int /*index*/) const { return nullptr; }

void TStrings::PutObject(int /*index*/, TObject* /*object*/) {}

int TStrings::Add(const std::string& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const std::string& text, TObject* object) {
  int index = Add(text);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
  Insert(index, text);
  PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
  TStringsUpdate update(*this);
  std::string text1 = Get(index1);
  TObject* object1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, text1);
  PutObject(index2, object1);
}

void TStrings::Move(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  TStringsUpdate update(*this);
  std::string text = Get(fromIndex);
  TObject* object = GetObject(fromIndex);
  Delete(fromIndex);
  InsertObject(toIndex, text, object);
}

int TStrings::IndexOf(std::string_view text) const {
  int count = Count();
  for (int i = 0; i < count; ++i) {
    if (SameTextCp1252(Get(i), text)) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  int count = Count();
  for (int i = 0; i < count; ++i) {
    if (GetObject(i) == object) return i;
  }
  return -1;
}

void TStrings::BeginUpdate() {
  if (m_updateCount == 0) SetUpdateState(true);
  ++m_updateCount;
}

void TStrings::EndUpdate() {
  if (m_updateCount == 0) return;
  --m_updateCount;
  if (m_updateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool /*updating*/) {}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  TStringsUpdate update(*this);
  Clear();
  AddStrings(source);
}

void TStrings::AddStrings(const TStrings& strings) {
  TStringsUpdate update(*this);
  // Taken once: adding a list to itself copies its entries once instead of forever.
  int count = strings.Count();
  for (int i = 0; i < count; ++i) AddObject(strings.Get(i), strings.GetObject(i));
}

bool TStrings::Equals(const TStrings& other) const {
  int count = Count();
  if (count != other.Count()) return false;
  for (int i = 0; i < count; ++i) {
    if (Get(i) != other.Get(i)) return false;
  }
  return true;
}

std::string TStrings::GetText() const {
  std::string text;
  int count = Count();
  for (int i = 0; i < count; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  TStringsUpdate update(*this);
  Clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      Add(std::string(text.substr(pos)));
      break;
    }
    Add(std::string(text.substr(pos, end - pos)));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
}

// ---------------------------------------------------------------------------------------------
// TStringsUpdate

TStringsUpdate::TStringsUpdate(TStrings& strings)
    : m_strings(strings), m_uncaught(std::uncaught_exceptions()) {
  m_strings.BeginUpdate();
}

TStringsUpdate::~TStringsUpdate() noexcept(false) {
  if (std::uncaught_exceptions() > m_uncaught) {
    try {
      m_strings.EndUpdate();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the first error is the one to report
    }
  } else {
    m_strings.EndUpdate();
  }
}

// ---------------------------------------------------------------------------------------------
// TStringList

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseFmt<EStringListError>(kSListIndexError, index);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return m_items[static_cast<std::size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& text) {
  CheckIndex(index);
  Changing();
  m_items[static_cast<std::size_t>(index)].text = text;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return m_items[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  m_items[static_cast<std::size_t>(index)].object = object;
  Changed();
}

void TStringList::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) RaiseFmt<EStringListError>(kSListIndexError, index);
  Changing();
  m_items.insert(m_items.begin() + index, TItem{text, nullptr});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  m_items.erase(m_items.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (m_items.empty()) return;
  Changing();
  m_items.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(m_items[static_cast<std::size_t>(index1)], m_items[static_cast<std::size_t>(index2)]);
  Changed();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
  } else {
    Changed();
  }
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && m_onChanging) m_onChanging(*this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && m_onChange) m_onChange(*this);
}
