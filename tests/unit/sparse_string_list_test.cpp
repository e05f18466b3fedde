// SPDX-License-Identifier: GPL-3.0-or-later
// One row of the grid's cell texts: entries that exist only while they hold something, the
// change notification, and the index errors; plus the view index codes and quantum rules the
// grid builds on top of these lists. Runs under the address sanitizer to catch leaked or twice
// freed entries.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "controls/grid/grid_index_code.h"
#include "controls/grid/string_sparse_list.h"
#include "core/exceptions.h"
#include "core/string_list.h"

namespace {

TObject* Obj(int& anchor) { return reinterpret_cast<TObject*>(&anchor); }

std::vector<std::string> Texts(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

TEST(SparseStringList, AnEmptiedEntryDisappears) {
  TStringSparseList row(TSPAQuantum::spaSmall);
  EXPECT_EQ(row.Get(12), "");
  row.Put(12, "Dó Maior"_cp.str());
  EXPECT_EQ(row.Count(), 13);
  EXPECT_EQ(row.Get(12), "Dó Maior"_cp.str());
  EXPECT_EQ(row.Get(11), "");
  // A row that holds any text costs one directory and one 16-slot section.
  EXPECT_EQ(row.List().Array().DirectoryLength(), 1);
  EXPECT_EQ(row.List().Array().SectionCount(), 1);
  row.Put(12, "");
  EXPECT_EQ(row.Count(), 0);
  EXPECT_EQ(row.Get(12), "");

  row.Put(0, "Tônica"_cp.str());
  row.Put(7, "Dominante");
  row.Put(7, "");
  EXPECT_EQ(row.Count(), 1);
  row.Put(5, "");  // emptying what was never written stores nothing
  EXPECT_EQ(row.Count(), 1);
}

TEST(SparseStringList, EntriesWithAnObjectStay) {
  TStringSparseList row(TSPAQuantum::spaSmall);
  int a = 0, b = 0;
  row.PutObject(4, nullptr);  // nil where there is no entry: nothing made
  EXPECT_EQ(row.Count(), 0);
  EXPECT_EQ(row.List().Array().SectionCount(), 0);

  row.PutObject(3, Obj(a));
  EXPECT_EQ(row.Count(), 4);
  EXPECT_EQ(row.Get(3), "");
  EXPECT_EQ(row.GetObject(3), Obj(a));
  row.Put(3, "Sol");
  EXPECT_EQ(row.GetObject(3), Obj(a));  // a new text keeps the object
  row.Put(3, "");
  EXPECT_EQ(row.Count(), 4);  // the object keeps the entry
  EXPECT_EQ(row.GetObject(3), Obj(a));
  row.PutObject(3, nullptr);
  EXPECT_EQ(row.Count(), 4);  // an entry, once there, stays even when all is empty
  EXPECT_EQ(row.GetObject(3), nullptr);
  row.PutObject(3, Obj(b));
  EXPECT_EQ(row.GetObject(3), Obj(b));
  row.PutObject(3, nullptr);
  row.Put(3, "");  // now empty text and no object: the entry goes
  EXPECT_EQ(row.Count(), 0);
}

TEST(SparseStringList, InsertDeleteExchangeMoveKeepObjectsWithTheirTexts) {
  TStringSparseList row(TSPAQuantum::spaSmall);
  int a = 0;
  row.Put(0, "I");
  row.Put(1, "ii");
  row.PutObject(1, Obj(a));
  row.Insert(1, "X");
  EXPECT_EQ(Texts(row), (std::vector<std::string>{"I", "X", "ii"}));
  EXPECT_EQ(row.GetObject(2), Obj(a));
  row.Insert(5, "");  // an inserted empty text still makes an entry
  EXPECT_EQ(row.Count(), 6);
  row.Delete(1);
  EXPECT_EQ(Texts(row), (std::vector<std::string>{"I", "ii", "", "", ""}));
  EXPECT_EQ(row.GetObject(1), Obj(a));
  row.Delete(9);  // beyond the count: nothing
  EXPECT_EQ(row.Count(), 5);
  row.Exchange(0, 1);
  EXPECT_EQ(row.Get(0), "ii");
  EXPECT_EQ(row.GetObject(0), Obj(a));
  EXPECT_EQ(row.Get(1), "I");
  row.Move(0, 2);
  EXPECT_EQ(Texts(row), (std::vector<std::string>{"I", "", "ii", "", ""}));
  EXPECT_EQ(row.GetObject(2), Obj(a));
  EXPECT_EQ(row.IndexOf("II"), 2);
  row.Clear();
  EXPECT_EQ(row.Count(), 0);
  EXPECT_EQ(row.Get(2), "");
  EXPECT_EQ(row.GetObject(2), nullptr);
}

TEST(SparseStringList, ChangeNotificationFollowsEveryChangeButExchange) {
  TStringSparseList row(TSPAQuantum::spaSmall);
  int calls = 0;
  TStrings* sender = nullptr;
  row.SetOnChange([&](TStrings& list) {
    ++calls;
    sender = &list;
  });
  int a = 0;
  struct Step {
    const char* name;
    std::function<void()> run;
    int notifications;
  };
  const std::vector<Step> steps = {
      {"put", [&] { row.Put(0, "a"); }, 1},
      {"put object", [&] { row.PutObject(0, Obj(a)); }, 1},
      {"insert", [&] { row.Insert(0, "b"); }, 1},
      {"exchange", [&] { row.Exchange(0, 1); }, 0},
      {"delete", [&] { row.Delete(0); }, 1},
      {"clear", [&] { row.Clear(); }, 1},
      {"put empty on nothing", [&] { row.Put(4, ""); }, 1},
  };
  for (const Step& step : steps) {
    calls = 0;
    step.run();
    EXPECT_EQ(calls, step.notifications) << step.name;
  }
  EXPECT_EQ(sender, &row);

  calls = 0;
  row.BeginUpdate();
  row.Put(0, "x");
  row.Put(1, "y");
  row.Delete(0);
  EXPECT_EQ(calls, 0);
  row.EndUpdate();
  EXPECT_EQ(calls, 1);
}

TEST(SparseStringList, BadIndexesRaiseAndChangeNothing) {
  TStringSparseList row(TSPAQuantum::spaSmall);
  row.Put(2, "kept");
  int calls = 0;
  row.SetOnChange([&](TStrings&) { ++calls; });
  int a = 0;
  const std::vector<std::function<void()>> callsWithMinusOne = {
      [&] { row.Get(-1); },         [&] { row.GetObject(-1); },
      [&] { row.Put(-1, "x"); },    [&] { row.PutObject(-1, Obj(a)); },
      [&] { row.Insert(-1, "x"); }, [&] { row.Delete(-1); },
      [&] { row.Exchange(2, -1); },
  };
  for (const auto& call : callsWithMinusOne) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
    }
  }
  // Beyond the range of the small quantum: refused, the old entry untouched.
  const int capacity = row.List().Capacity();
  EXPECT_THROW(row.Put(capacity, "x"), EListError);
  EXPECT_THROW(row.PutObject(capacity, Obj(a)), EListError);
  EXPECT_THROW(row.Insert(capacity, "x"), EListError);
  EXPECT_EQ(row.Get(capacity), "");
  EXPECT_EQ(Texts(row), (std::vector<std::string>{"", "", "kept"}));
  EXPECT_EQ(calls, 0);
}

TEST(SparseStringList, CopiesToAndFromAKeptList) {
  TStringList kept;
  int a = 0;
  kept.Add("Tônica"_cp.str());
  kept.Add("");
  kept.AddObject("Dominante", Obj(a));
  TStringSparseList row(TSPAQuantum::spaLarge);
  row.Put(40, "old");
  row.Assign(kept);
  EXPECT_EQ(Texts(row), Texts(kept));
  EXPECT_EQ(row.GetObject(2), Obj(a));
  TStringList back;
  back.Assign(row);
  EXPECT_TRUE(back.Equals(kept));
}

TEST(SparseIndexCode, RowsColumnsAndDetachedViews) {
  TGridIndexCode detached;
  EXPECT_TRUE(detached.IsDetached());
  EXPECT_EQ(detached.Code(), 0);
  EXPECT_EQ(detached.EntryCount(13, 2), 0);
  EXPECT_EQ(detached.CellOfEntry(3), (TGridIndexCode::TCell{-1, -1}));

  TGridIndexCode row0 = TGridIndexCode::ForRow(0);
  TGridIndexCode row1 = TGridIndexCode::ForRow(1);
  EXPECT_EQ(row0.Code(), 1);
  EXPECT_EQ(row1.Code(), 2);
  EXPECT_EQ(row1.GetKind(), TGridIndexCode::Kind::gkRow);
  EXPECT_EQ(row1.Row(), 1);
  EXPECT_EQ(row1.Column(), -1);
  EXPECT_EQ(row1.EntryCount(13, 2), 13);
  EXPECT_EQ(row1.CellOfEntry(4), (TGridIndexCode::TCell{4, 1}));

  TGridIndexCode column0 = TGridIndexCode::ForColumn(0);
  TGridIndexCode column12 = TGridIndexCode::ForColumn(12);
  EXPECT_EQ(column0.Code(), -1);
  EXPECT_EQ(column12.Code(), -13);
  EXPECT_EQ(column12.GetKind(), TGridIndexCode::Kind::gkColumn);
  EXPECT_EQ(column12.Column(), 12);
  EXPECT_EQ(column12.Row(), -1);
  EXPECT_EQ(column12.EntryCount(13, 2), 2);
  EXPECT_EQ(column12.CellOfEntry(1), (TGridIndexCode::TCell{12, 1}));

  // Codes read back into the same views, up to the extremes of the integer range.
  EXPECT_EQ(TGridIndexCode::FromCode(-13), column12);
  EXPECT_EQ(TGridIndexCode::FromCode(2), row1);
  EXPECT_EQ(TGridIndexCode::ForColumn(INT_MAX).Code(), INT_MIN);
  EXPECT_EQ(TGridIndexCode::FromCode(INT_MIN).Column(), INT_MAX);
  EXPECT_EQ(TGridIndexCode::ForRow(INT_MAX - 1).Code(), INT_MAX);

  for (const std::function<void()>& bad : std::vector<std::function<void()>>{
           [] { TGridIndexCode::ForRow(-1); }, [] { TGridIndexCode::ForColumn(-1); },
           [] { TGridIndexCode::ForRow(INT_MAX); }}) {
    try {
      bad();
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGridOperation& e) {
      EXPECT_EQ(e.Message(), "Grid index out of range");
    }
  }
}

TEST(SparseIndexCode, QuantumRulesOfTheGridsStores) {
  EXPECT_EQ(ColumnViewQuantum(5), TSPAQuantum::spaSmall);
  EXPECT_EQ(ColumnViewQuantum(512), TSPAQuantum::spaSmall);
  EXPECT_EQ(ColumnViewQuantum(513), TSPAQuantum::spaLarge);
  EXPECT_EQ(CellRowQuantum(13), TSPAQuantum::spaSmall);
  EXPECT_EQ(CellRowQuantum(513), TSPAQuantum::spaLarge);
  EXPECT_EQ(RowListQuantum(2), TSPAQuantum::spaSmall);
  EXPECT_EQ(RowListQuantum(256), TSPAQuantum::spaSmall);
  EXPECT_EQ(RowListQuantum(257), TSPAQuantum::spaLarge);
}

}  // namespace
