// A string list whose entries live in a sparse list: one row of the grid's cell texts. Only
// entries that hold a text or an object cost anything; the count follows the highest such entry.
#pragma once

#include <memory>
#include <string>

#include "controls/grid/sparse_list.h"
#include "core/string_list.h"

class TStringSparseList : public TStrings {
 public:
  explicit TStringSparseList(TSPAQuantum quantum);
  // Frees every entry; the change notification is not raised while the list goes away.
  ~TStringSparseList() override;

  int Count() const override { return m_list.Count(); }
  // The entry's text; empty for an entry never written or emptied. A negative index raises
  // EListError "List index out of bounds (%d)", as do the other operations below.
  std::string Get(int index) const override;
  TObject* GetObject(int index) const override;
  // Writing the empty string to an entry that carries no object removes the entry.
  void Put(int index, const std::string& text) override;
  // An entry that exists keeps existing even when both its text and object become empty; a nil
  // object written where there is no entry makes none.
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  // Swaps two entries without raising the change notification.
  void Exchange(int index1, int index2) override;
  void Clear() override;

  // Raised after Put, PutObject, Insert, Delete and Clear, once per change outside an update and
  // once at the end of an update.
  void SetOnChange(TStringsNotifyEvent handler) { m_onChange = std::move(handler); }

  // The sparse list underneath, for measuring what the row costs.
  const TSparseList& List() const { return m_list; }

 protected:
  void SetUpdateState(bool updating) override;

 private:
  // One non-empty entry, allocated and freed by this list alone.
  struct TStrItem {
    TObject* object = nullptr;
    std::string text;
  };

  TStrItem* ItemAt(int index) const { return static_cast<TStrItem*>(m_list.Get(index)); }
  void FreeAllItems();
  void Changed();

  TSparseList m_list;
  TStringsNotifyEvent m_onChange;
};
