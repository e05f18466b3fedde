// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/string_sparse_list.h"

#include "core/exceptions.h"

TStringSparseList::TStringSparseList(TSPAQuantum quantum) : m_list(quantum) {}

TStringSparseList::~TStringSparseList() = default;

std::string TStringSparseList::Get(int index) const {
  TStrItem* item = ItemAt(index);
  return item ? item->text : std::string();
}

TObject* TStringSparseList::GetObject(int index) const {
  TStrItem* item = ItemAt(index);
  return item ? item->object : nullptr;
}

void TStringSparseList::Put(int index, const std::string& text) {
  const TStrItem* old = ItemAt(index);
  std::unique_ptr<TStrItem> replacement;
  if (!text.empty() || (old != nullptr && old->object != nullptr)) {
    replacement = std::make_unique<TStrItem>(TStrItem{old ? old->object : nullptr, text});
  }
  // A refused store raises here: the replacement is freed and the old entry stays.
  m_list.Put(index, std::move(replacement));
  Changed();
}

void TStringSparseList::PutObject(int index, TObject* object) {
  if (TStrItem* item = ItemAt(index)) {
    item->object = object;
  } else if (object != nullptr) {
    m_list.Put(index, std::make_unique<TStrItem>(TStrItem{object, std::string()}));
  }
  Changed();
}

void TStringSparseList::Insert(int index, const std::string& text) {
  m_list.Insert(index, std::make_unique<TStrItem>(TStrItem{nullptr, text}));
  Changed();
}

void TStringSparseList::Delete(int index) {
  // The list ignores a negative index on Delete; a string list refuses it, as it does elsewhere.
  if (index < 0) RaiseFmt<EListError>(kSListIndexError, index);
  m_list.Delete(index);
  Changed();
}

void TStringSparseList::Exchange(int index1, int index2) { m_list.Exchange(index1, index2); }

void TStringSparseList::Clear() {
  m_list.Clear();
  Changed();
}

void TStringSparseList::SetUpdateState(bool updating) {
  if (!updating) Changed();
}

void TStringSparseList::Changed() {
  if (UpdateCount() == 0 && m_onChange) m_onChange(*this);
}
