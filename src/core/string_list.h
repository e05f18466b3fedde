// SPDX-License-Identifier: GPL-3.0-or-later
// String lists: the abstract TStrings that every list of texts in the program presents (the key
// selector's items, the grid's rows and columns, the grid's cell rows), and TStringList, the one
// that keeps its texts itself.
//
// Every entry is a cp1252 text with an attached object reference. The list never owns, frees or
// dereferences the attached objects; it only hands the pointer back.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TObject;
class TStrings;

// The change notification of a list: called with the list that changed.
using TStringsNotifyEvent = std::function<void(TStrings& sender)>;

class TStrings {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  // Replaces the text of an entry; the base version deletes the entry and inserts the new text
  // with the old object at the same place.
  virtual void Put(int index, const std::string& text);
  // The base list carries no objects: every entry reads nil and writes are dropped.
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);

  // Appends a text and returns its index (Insert at Count in the base version).
  virtual int Add(const std::string& text);
  int AddObject(const std::string& text, TObject* object);
  virtual void Insert(int index, const std::string& text) = 0;
  void InsertObject(int index, const std::string& text, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  // Takes the entry at fromIndex out and inserts it, with its object, at toIndex.
  virtual void Move(int fromIndex, int toIndex);

  // The first entry whose text equals text, ignoring cp1252 letter case; -1 when none does.
  virtual int IndexOf(std::string_view text) const;
  int IndexOfObject(const TObject* object) const;

  // Batches of changes. Updates nest; the list is told when the outermost one begins and ends
  // (SetUpdateState), so that a platform list can switch redrawing off, or a list with a change
  // notification can report the whole batch once. An EndUpdate without a BeginUpdate is ignored.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return m_updateCount; }

  // Makes this list a copy of source: texts and objects, in one update.
  virtual void Assign(const TStrings& source);
  // Appends all entries of strings, with their objects, in one update.
  virtual void AddStrings(const TStrings& strings);
  // Same count and the same texts (compared exactly), objects not compared.
  bool Equals(const TStrings& other) const;

  // All texts, each followed by "\r\n".
  std::string GetText() const;
  // Replaces the entries by the lines of text; a line ends at "\r\n", "\r" or "\n".
  void SetText(std::string_view text);

 protected:
  virtual void SetUpdateState(bool updating);

 private:
  int m_updateCount = 0;
};

// Holds one update of a list open for its lifetime, so that an error part-way through a batch
// still closes it.
class TStringsUpdate {
 public:
  explicit TStringsUpdate(TStrings& strings);
  TStringsUpdate(const TStringsUpdate&) = delete;
  TStringsUpdate& operator=(const TStringsUpdate&) = delete;
  // Ending the update may run a change notification, which may raise; while another error is
  // already on its way out that second error is dropped, otherwise it propagates.
  ~TStringsUpdate() noexcept(false);

 private:
  TStrings& m_strings;
  int m_uncaught;
};

// A list that keeps its texts and objects itself, in order. Index errors raise EStringListError
// "List index out of bounds (%d)".
class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override = default;

  int Count() const override { return static_cast<int>(m_items.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;

  // Called before and after every change, each only while no update is open; an update reports
  // OnChanging when it begins and OnChange when it ends.
  void SetOnChange(TStringsNotifyEvent handler) { m_onChange = std::move(handler); }
  void SetOnChanging(TStringsNotifyEvent handler) { m_onChanging = std::move(handler); }

 protected:
  void SetUpdateState(bool updating) override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct TItem {
    std::string text;
    TObject* object = nullptr;
  };

  void CheckIndex(int index) const;

  std::vector<TItem> m_items;
  TStringsNotifyEvent m_onChange;
  TStringsNotifyEvent m_onChanging;
};
