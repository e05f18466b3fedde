#include "controls/grid/string_sparse_list.h"

TStringSparseList::TStringSparseList(TSPAQuantum quantum) : m_list(quantum) {}

TStringSparseList::~TStringSparseList() { FreeAllItems(); }

std::string TStringSparseList::Get(int index) const {
  TStrItem* item = ItemAt(index);
  return item ? item->text : std::string();
}

TObject* TStringSparseList::GetObject(int index) const {
  TStrItem* item = ItemAt(index);
  return item ? item->object : nullptr;
}

void TStringSparseList::Put(int index, const std::string& text) {
  TStrItem* old = ItemAt(index);
  std::unique_ptr<TStrItem> replacement;
  if (!text.empty() || (old != nullptr && old->object != nullptr)) {
    replacement = std::make_unique<TStrItem>(TStrItem{old ? old->object : nullptr, text});
  }
  // A refused store raises here: the replacement is freed and the old entry stays.
  m_list.Put(index, replacement.get());
  replacement.release();  // now owned through the list
  delete old;
  Changed();
}

void TStringSparseList::PutObject(int index, TObject* object) {
  if (TStrItem* item = ItemAt(index)) {
    item->object = object;
  } else if (object != nullptr) {
    auto created = std::make_unique<TStrItem>(TStrItem{object, std::string()});
    m_list.Put(index, created.get());
    created.release();
  }
  Changed();
}

void TStringSparseList::Insert(int index, const std::string& text) {
  auto created = std::make_unique<TStrItem>(TStrItem{nullptr, text});
  m_list.Insert(index, created.get());
  created.release();
  Changed();
}

void TStringSparseList::Delete(int index) {
  std::unique_ptr<TStrItem> removed(ItemAt(index));
  m_list.Delete(index);
  Changed();
}

void TStringSparseList::Exchange(int index1, int index2) { m_list.Exchange(index1, index2); }

void TStringSparseList::Clear() {
  FreeAllItems();
  Changed();
}

void TStringSparseList::FreeAllItems() {
  m_list.ForAll([](int /*index*/, void* item) {
    delete static_cast<TStrItem*>(item);
    return 0;
  });
  m_list.Clear();
}

void TStringSparseList::SetUpdateState(bool updating) {
  if (!updating) Changed();
}

void TStringSparseList::Changed() {
  if (UpdateCount() == 0 && m_onChange) m_onChange(*this);
}
