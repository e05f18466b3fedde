// SPDX-License-Identifier: GPL-3.0-or-later
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
  // The entries go with the list; the change notification is not raised while it goes away.
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
  const auto& List() const { return m_list; }

 protected:
  void SetUpdateState(bool updating) override;

 private:
  // One non-empty entry, owned by the sparse list. The object is only referred to.
  struct TStrItem {
    TObject* object = nullptr;
    std::string text;
  };

  TStrItem* ItemAt(int index) const { return m_list.Get(index); }
  void Changed();

  TSparseList<TStrItem> m_list;
  TStringsNotifyEvent m_onChange;
};
