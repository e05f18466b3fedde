// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program as a screen reader meets it, through the providers its windows answer with
// and the events they send: the frame and its labels, the chord table with its headers and
// cells, the player's button; the current cell's moves and the cells renamed by a key choice or
// the header toggle; Play pressed through its action.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "platform/accessibility.h"
#include "support/app_run.h"

namespace {

using a11y::EventKind;
using a11y::ObjectRef;
using a11y::Role;
using a11y::State;
namespace keys = headless::keys;

constexpr a11y::ChildId kSelf = a11y::kSelf;
// The form's client area is at 188, 107 on the headless screen.
constexpr POINT kField{188 + 72 + 40, 107 + 16 + 10};
const int kChordColumns[] = {0, 2, 4, 5, 7, 9, 11, 12};
constexpr std::uint64_t kRequestWaitMs = 50;

class Recorder : public a11y::EventSink {
 public:
  void Send(const a11y::Event& event) override { events.push_back(event); }
  std::vector<a11y::Event> Of(EventKind kind, HWND hwnd) const {
    std::vector<a11y::Event> found;
    std::copy_if(events.begin(), events.end(), std::back_inserter(found),
                 [&](const a11y::Event& e) { return e.kind == kind && e.source.hwnd == hwnd; });
    return found;
  }
  std::vector<a11y::Event> events;
};

// What a reader hears: the program's cp1252 in UTF-8, as the bridge hands it on.
std::string Heard(const std::string& cp1252) { return text::Cp1252ToUtf8(cp1252); }
a11y::Provider& Asked(ObjectRef object) { return *a11y::ProviderOf(object.hwnd); }
a11y::StateSet StatesOf(ObjectRef object) { return Asked(object).StatesOf(object.child); }
std::string NameOf(ObjectRef object) { return Heard(Asked(object).NameOf(object.child)); }

const char* const kFunctionNames[13] = {"Tônica",    "", "Sobretônica", "", "Mediante", "Subdominante", "",
                                        "Dominante", "", "Submediante", "", "Sensível", "Tônica"};
// The texts of the chord columns: the header's Roman numerals, the chords of the first key.
const char* const kRomanNumerals[8] = {"I", "ii", "iii", "IV", "V", "vi", "vii°", "I"};
const char* const kDoChords[8] = {"Dó Maior",  "Ré Menor", "Mi Menor", "Fá Maior",
                                  "Sol Maior", "Lá Menor", "Si Dim.",  "Dó Maior"};
std::vector<std::pair<int, std::string>> AtChordColumns(const char* const (&texts)[8]) {
  std::vector<std::pair<int, std::string>> cells;
  for (int i = 0; i < 8; ++i) cells.emplace_back(kChordColumns[i], texts[i]);
  return cells;
}

// An object as a reader lists it: role, name and text (when it has one).
std::string Seen(ObjectRef object) {
  const a11y::Provider& provider = Asked(object);
  const std::optional<std::string> text = provider.TextOf(object.child);
  return std::to_string(static_cast<int>(provider.RoleOf(object.child))) + "|" + NameOf(object) +
         (text ? "|" + Heard(*text) : "");
}
std::string Said(Role role, const std::string& name, bool withText = true) {
  return std::to_string(static_cast<int>(role)) + "|" + name + (withText ? "|" + name : "");
}

TEST(AppAccessibility, AReaderWalksFromTheFrameThroughLabelsTableAndPlayer) {
  const char* const labels[7] = {"Desenvolvido por Orvandel - Fevereiro 2010",
                                 "Escolha o campo harmônico",
                                 "Aperte o play",
                                 "Clique em um retângulo branco",
                                 "Software didático e livre",
                                 "Comentários e sugestões: www.lumarest.com.br",
                                 "Lumarest"};
  auto walk = [&] {
    const ObjectRef frame{Form1->Handle(), kSelf};
    EXPECT_EQ(Seen(frame), Said(Role::kFrame, "Tessivo - Versão 1.0", false));
    EXPECT_TRUE(StatesOf(frame).Has(State::kActive) && StatesOf(frame).Has(State::kShowing));
    const std::vector<ObjectRef> children = Asked(frame).ChildrenOf(kSelf);
    ASSERT_EQ(children.size(), 10u) << "seven labels, the grid, the key selector, the player";
    for (std::size_t i = 0; i < 7; ++i) {
      EXPECT_EQ(Seen(children[i]), Said(Role::kLabel, labels[i]));
      EXPECT_EQ(a11y::ParentRef(children[i]), frame);
    }
    const RECT label2 = Asked(children[1]).BoundsOf(children[1].child);
    EXPECT_EQ((std::pair{label2.left, label2.top}), (std::pair{188 + 88, 107 + 48}));
    EXPECT_EQ(children[8].hwnd, Form1->ComboBox1->Handle());

    const ObjectRef table = children[7];
    a11y::Provider& grid = Asked(table);
    ASSERT_EQ(table.hwnd, Form1->StringGrid1->Handle());
    EXPECT_EQ(Seen(table), Said(Role::kTable, "", false));
    const a11y::TableShape shape = grid.TableOf(kSelf).value_or(a11y::TableShape{});
    EXPECT_EQ((std::pair{shape.rows, shape.columns}), (std::pair{2, 13}));
    EXPECT_TRUE(StatesOf(table).Has(State::kManagesDescendants) && StatesOf(table).Has(State::kFocusable));
    const std::vector<ObjectRef> cells = grid.ChildrenOf(kSelf);
    ASSERT_EQ(cells.size(), 26u);
    std::vector<std::string> chords(13);
    for (const auto& [column, chord] : AtChordColumns(kDoChords))
      chords[static_cast<std::size_t>(column)] = chord;
    for (std::size_t column = 0; column < 13; ++column) {
      const ObjectRef header = grid.ColumnHeaderOf(kSelf, static_cast<int>(column));
      const ObjectRef cell = grid.CellAt(kSelf, 1, static_cast<int>(column));
      EXPECT_EQ(Seen(header), Said(Role::kColumnHeader, kFunctionNames[column]));
      EXPECT_EQ(Seen(cell), Said(Role::kTableCell, chords[column]));
      EXPECT_TRUE(header == cells[column] && cell == cells[13 + column]) << "in row order: " << column;
      const a11y::CellPosition at = grid.CellOf(cell.child).value_or(a11y::CellPosition{});
      EXPECT_TRUE(at.table == table && at.row == 1 && at.column == static_cast<int>(column)) << column;
    }
    const RECT cell5 = grid.BoundsOf(grid.CellAt(kSelf, 1, 5).child);
    const POINT inside = apptest::GridCellPoint(5, 1);
    EXPECT_TRUE(inside.x >= cell5.left && inside.x < cell5.right && inside.y >= cell5.top &&
                inside.y < cell5.bottom);
    const ObjectRef current{table.hwnd, grid.FocusedChild()};
    EXPECT_EQ(current, grid.CellAt(kSelf, 1, 0));
    EXPECT_TRUE(StatesOf(current).Has(State::kSelected) && StatesOf(current).Has(State::kSelectable));
    EXPECT_FALSE(StatesOf(current).Has(State::kFocused)) << "the key selector has the focus, not the grid";

    const std::vector<ObjectRef> buttons = Asked(children[9]).ChildrenOf(kSelf);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(Seen(buttons[0]), Said(Role::kPushButton, "Play", false));
    EXPECT_EQ(Asked(buttons[0]).ActionsOf(buttons[0].child), std::vector<std::string>{"click"});
    EXPECT_TRUE(StatesOf(buttons[0]).Has(State::kEnabled) && StatesOf(buttons[0]).Has(State::kSensitive));

    // A label's prefix markers are not shown, so they are not read either.
    Form1->Label5->SetCaption("Software &didático && livre&"_cp.str());
    EXPECT_EQ(NameOf(children[4]), "Software didático & livre");
    apptest::RequestCloseOf(Form1->Handle());
  };
  auto result = apptest::RunProgram({}, {[] {
                                           headless::Click(kField.x, kField.y);
                                           headless::PressKey(keys::kDown);  // the first key
                                         },
                                         walk});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
}

// The current cell's moves, the cells a header toggle or a key choice renames (and only those),
// and Play pressed through its action, which does what a click does and no more.
TEST(AppAccessibility, ReadersHearTheChangesAndPlayThroughItsActionDoesWhatAClickDoes) {
  Recorder recorder;
  HWND grid = nullptr;
  ObjectRef play;
  auto cell = [&](int row, int column) { return ObjectRef{grid, 1 + row * 13 + column}; };
  auto renamed = [&](int row) {
    std::vector<std::pair<int, std::string>> seen;
    for (const a11y::Event& e : recorder.Of(EventKind::kNameChanged, grid)) {
      EXPECT_EQ(NameOf(e.source), Heard(e.text)) << "the event and a fresh question agree";
      seen.emplace_back(e.source.child - cell(row, 0).child, Heard(e.text));
    }
    return seen;
  };
  auto playStates = [&] {
    std::vector<std::pair<State, bool>> changes;
    for (const a11y::Event& e : recorder.Of(EventKind::kStateChanged, play.hwnd))
      changes.emplace_back(e.state, e.on);
    recorder.events.clear();
    return changes;
  };
  using Changes = std::vector<std::pair<State, bool>>;
  const Changes usable{{State::kEnabled, true}, {State::kSensitive, true}};
  const Changes unusable{{State::kEnabled, false}, {State::kSensitive, false}};
  // A reader's request waits for the loop's timers, which run when the virtual clock moves.
  auto pressPlay = [&] {
    a11y::Request(play, a11y::RequestKind::kDoAction, 0);
    headless::AdvanceClock(kRequestWaitMs);
  };
  TMediaPlayer* player = nullptr;
  auto result = apptest::RunProgram(
      {},
      {[&] {
         a11y::SetEventSink(&recorder);
         grid = Form1->StringGrid1->Handle();
         player = Form1->MediaPlayer1;
         play = a11y::ProviderOf(player->Handle())->ChildrenOf(kSelf).at(0);
         EXPECT_TRUE(StatesOf(cell(1, 0)).Has(State::kFocused));
         EXPECT_FALSE(StatesOf(play).Has(State::kEnabled));
         pressPlay();  // no key chosen: Play is not usable and the press does nothing
         EXPECT_EQ(player->DeviceId(), 0u);
         headless::PressKey(keys::kRight);
       },
       [&] {
         const auto focus = recorder.Of(EventKind::kFocus, grid);
         const auto active = recorder.Of(EventKind::kActiveDescendantChanged, grid);
         ASSERT_EQ(focus.size(), 1u);
         ASSERT_EQ(active.size(), 1u);
         EXPECT_EQ(focus[0].source, cell(1, 1));
         EXPECT_EQ(active[0].source, (ObjectRef{grid, kSelf}));
         EXPECT_EQ(active[0].other, cell(1, 1));
         EXPECT_TRUE(StatesOf(cell(1, 1)).Has(State::kFocused) && !StatesOf(cell(1, 0)).Has(State::kFocused));
         EXPECT_EQ(renamed(0), AtChordColumns(kRomanNumerals)) << "the move toggled the header";
         recorder.events.clear();
         headless::PressKey(keys::kTab);   // to the key selector
         headless::PressKey(keys::kDown);  // the first key
       },
       [&] {
         EXPECT_EQ(renamed(1), AtChordColumns(kDoChords)) << "the chord cells, and not the empty ones";
         EXPECT_TRUE(recorder.Of(EventKind::kFocus, grid).empty());
         EXPECT_FALSE(StatesOf(cell(1, 1)).Has(State::kFocused)) << "the grid no longer has the focus";
         EXPECT_EQ(playStates(), usable) << "the key's file is open: Play is usable";
         pressPlay();
         EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);
         EXPECT_EQ(playStates(), unusable);
         EXPECT_FALSE(StatesOf(play).Has(State::kEnabled) || StatesOf(play).Has(State::kSensitive));
         pressPlay();  // while it plays Play is not usable: nothing happens
         EXPECT_EQ(playStates(), Changes{});
         headless::AdvanceClock(player->Length() + 1000);
       },
       [&] {
         EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
         EXPECT_EQ(playStates(), usable) << "usable again when the play ends";
         a11y::SetEventSink(nullptr);
         apptest::RequestCloseOf(Form1->Handle());
       }});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(result.stepsLeft, 0u);
}

}  // namespace
