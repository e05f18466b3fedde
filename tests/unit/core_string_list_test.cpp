// SPDX-License-Identifier: GPL-3.0-or-later
// String lists: the kept list's contents, index errors and change notifications, and the
// generic operations every list gets from TStrings (checked on a minimal list that only stores
// texts, as the platform-backed lists do).
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "core/exceptions.h"
#include "core/string_list.h"

namespace {

TObject* Obj(int& anchor) { return reinterpret_cast<TObject*>(&anchor); }

std::vector<std::string> Texts(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

void ExpectListIndexError(const std::function<void()>& call, int index) {
  try {
    call();
    ADD_FAILURE() << "no error for index " << index;
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
  }
}

// Records the notifications of a TStringList in order: '<' for changing, '>' for changed.
struct Recorder {
  std::string events;
  void Attach(TStringList& list) {
    list.SetOnChanging([this](TStrings&) { events += '<'; });
    list.SetOnChange([this](TStrings&) { events += '>'; });
  }
};

TEST(CoreStringList, KeepsTextsAndObjectsInOrder) {
  TStringList list;
  int a = 0, b = 0;
  EXPECT_EQ(list.Add("Dó Maior"_cp.str()), 0);
  EXPECT_EQ(list.AddObject("Sol Maior", Obj(a)), 1);
  list.Insert(0, "Fá Maior"_cp.str());
  list.InsertObject(3, "Ré Maior"_cp.str(), Obj(b));  // at the end
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Fá Maior"_cp.str(), "Dó Maior"_cp.str(), "Sol Maior",
                                                   "Ré Maior"_cp.str()}));
  EXPECT_EQ(list.GetObject(2), Obj(a));
  EXPECT_EQ(list.GetObject(0), nullptr);
  EXPECT_EQ(list.IndexOfObject(Obj(b)), 3);

  list.Put(2, "Sol");
  EXPECT_EQ(list.Get(2), "Sol");
  EXPECT_EQ(list.GetObject(2), Obj(a));  // a new text keeps the object
  list.Delete(0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(0), "Dó Maior"_cp.str());
  list.Exchange(0, 2);
  EXPECT_EQ(list.Get(0), "Ré Maior"_cp.str());
  EXPECT_EQ(list.GetObject(0), Obj(b));
  list.Move(0, 2);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Sol", "Dó Maior"_cp.str(), "Ré Maior"_cp.str()}));
  EXPECT_EQ(list.GetObject(2), Obj(b));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(CoreStringList, IndexOfIgnoresCp1252LetterCase) {
  TStringList list;
  list.Add("Sol Maior - 1 Sustenido");
  list.Add("Fá Maior - 1 Bemol"_cp.str());
  EXPECT_EQ(list.IndexOf("SOL MAIOR - 1 SUSTENIDO"), 0);
  EXPECT_EQ(list.IndexOf("FÁ MAIOR - 1 BEMOL"_cp.view()), 1);
  EXPECT_EQ(list.IndexOf("Fa Maior - 1 Bemol"), -1);  // an accent is not a case
  EXPECT_EQ(list.IndexOf("Sol Maior"), -1);           // whole texts only
}

TEST(CoreStringList, BadIndexesRaiseAndChangeNothing) {
  TStringList list;
  list.Add("a");
  list.Add("b");
  Recorder recorder;
  recorder.Attach(list);
  ExpectListIndexError([&] { list.Get(2); }, 2);
  ExpectListIndexError([&] { list.Get(-1); }, -1);
  ExpectListIndexError([&] { list.Put(5, "x"); }, 5);
  ExpectListIndexError([&] { list.GetObject(2); }, 2);
  ExpectListIndexError([&] { list.PutObject(-3, nullptr); }, -3);
  ExpectListIndexError([&] { list.Insert(3, "x"); }, 3);  // one past the end
  ExpectListIndexError([&] { list.Insert(-1, "x"); }, -1);
  ExpectListIndexError([&] { list.Delete(2); }, 2);
  ExpectListIndexError([&] { list.Exchange(0, 2); }, 2);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(recorder.events, "");
  list.Insert(2, "c");  // at the end is fine
  EXPECT_EQ(list.Get(2), "c");
}

TEST(CoreStringList, ChangeNotificationsAndNestedUpdates) {
  TStringList list;
  Recorder recorder;
  recorder.Attach(list);
  list.Add("a");
  list.Put(0, "b");
  list.PutObject(0, nullptr);
  list.Delete(0);
  EXPECT_EQ(recorder.events, "<><><><>");
  list.Clear();  // nothing to clear: no notification
  EXPECT_EQ(recorder.events, "<><><><>");

  recorder.events.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("x");
  list.Add("y");
  list.EndUpdate();
  EXPECT_EQ(list.UpdateCount(), 1);
  EXPECT_EQ(recorder.events, "<");  // only the outermost begin is reported so far
  list.EndUpdate();
  EXPECT_EQ(recorder.events, "<>");
  EXPECT_EQ(list.UpdateCount(), 0);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(recorder.events, "<>");
}

TEST(CoreStringList, AssignAndAddStringsCopyTextsAndObjectsInOneUpdate) {
  TStringList source;
  int a = 0;
  source.Add("one");
  source.AddObject("two", Obj(a));

  TStringList target;
  target.Add("old");
  Recorder recorder;
  recorder.Attach(target);
  target.Assign(source);
  EXPECT_EQ(Texts(target), Texts(source));
  EXPECT_EQ(target.GetObject(1), Obj(a));
  EXPECT_TRUE(target.Equals(source));
  EXPECT_EQ(recorder.events, "<>");

  target.Assign(target);  // assigning a list to itself keeps it
  EXPECT_EQ(Texts(target), (std::vector<std::string>{"one", "two"}));
  target.AddStrings(target);  // each entry once more, not forever
  EXPECT_EQ(Texts(target), (std::vector<std::string>{"one", "two", "one", "two"}));
  EXPECT_EQ(target.GetObject(3), Obj(a));
  EXPECT_FALSE(target.Equals(source));
}

TEST(CoreStringList, TextIsSplitAtEveryKindOfLineBreak) {
  TStringList list;
  list.SetText("Dó\r\nRé\nMi\rFá"_cp.view());
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Dó"_cp.str(), "Ré"_cp.str(), "Mi", "Fá"_cp.str()}));
  EXPECT_EQ(list.GetText(), "Dó\r\nRé\r\nMi\r\nFá\r\n"_cp.str());
  list.SetText("a\r\n\r\nb\r\n");
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "", "b"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

// Keeps only texts, like the platform-backed lists: everything else comes from TStrings.
class TextOnlyList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(m_texts.size()); }
  std::string Get(int index) const override { return m_texts.at(static_cast<size_t>(index)); }
  void Insert(int index, const std::string& text) override { m_texts.insert(m_texts.begin() + index, text); }
  void Delete(int index) override { m_texts.erase(m_texts.begin() + index); }
  void Clear() override { m_texts.clear(); }
  std::vector<bool> updateStates;
  bool failGets = false;

 protected:
  void SetUpdateState(bool updating) override { updateStates.push_back(updating); }

 private:
  std::vector<std::string> m_texts;
};

TEST(CoreStringList, GenericOperationsOnAListThatOnlyStoresTexts) {
  TextOnlyList list;
  int a = 0;
  EXPECT_EQ(list.Add("c"), 0);
  EXPECT_EQ(list.AddObject("a", Obj(a)), 1);  // the object is dropped
  EXPECT_EQ(list.GetObject(1), nullptr);
  list.Put(0, "b");
  list.Exchange(0, 1);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b"}));
  list.Add("c");
  list.Move(2, 0);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(list.IndexOf("B"), 2);
  // Put, Exchange and Move each ran as one update: begin and end reported once per call.
  EXPECT_EQ(list.updateStates, (std::vector<bool>{true, false, true, false, true, false}));
}

// A source whose reads fail part-way through a copy.
class FailingSource : public TextOnlyList {
 public:
  std::string Get(int index) const override {
    if (index == 1) throw std::runtime_error("read failed");
    return TextOnlyList::Get(index);
  }
};

TEST(CoreStringList, AnErrorInsideACopyStillEndsTheUpdate) {
  FailingSource source;
  source.Add("first");
  source.Add("second");
  TStringList target;
  Recorder recorder;
  recorder.Attach(target);
  EXPECT_THROW(target.Assign(source), std::runtime_error);
  EXPECT_EQ(target.UpdateCount(), 0);
  EXPECT_EQ(Texts(target), (std::vector<std::string>{"first"}));  // what was done stays done
  EXPECT_EQ(recorder.events, "<>");

  // A change handler that raises when the update ends reports its own error.
  target.SetOnChange([](TStrings&) { throw EListError("handler failed"); });
  target.BeginUpdate();
  EXPECT_THROW(target.EndUpdate(), EListError);
  EXPECT_EQ(target.UpdateCount(), 0);
}

}  // namespace
