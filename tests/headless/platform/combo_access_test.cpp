// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in the platform's combo box and hears from it: the combo box with its
// editable field and the list of its choices, the list opened and closed by the reader's press as
// by F4, a choice made through the list as a click on its row makes it, and the field's edits by
// typing and by a reader's write, which the parent hears of alike.
#include <gmock/gmock.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "headless/platform/combo_box_support.h"
#include "platform/accessibility.h"
#include "platform/headless/headless_driver.h"
#include "platform/loop/timer_list.h"
#include "support/event_recorder.h"

using namespace combotest;
using a11y::EventKind;
using a11y::ObjectRef;
using a11ytest::HasStates;
using ::testing::ElementsAre;
using enum a11y::State;

namespace {

constexpr ObjectRef Self(HWND hwnd) { return {hwnd, a11y::kSelf}; }
a11y::Provider& Reader(HWND hwnd) { return *a11y::ProviderOf(hwnd); }

// What a reader asks for, run as the loop runs it.
void Ask(ObjectRef target, a11y::RequestKind kind, int index = 0, std::string text = {}) {
  a11y::Request(target, kind, index, std::move(text));
  headless::AdvanceClock(loop::TimerList::kMinimumElapse);
}

class ComboAccessTest : public ComboFixture {
 protected:
  void SetUp() override {
    ComboFixture::SetUp();
    m_heard.emplace();
    m_field = GetWindow(m_combo, GW_CHILD);
    const std::vector<ObjectRef> parts = Reader(m_combo).ChildrenOf(a11y::kSelf);
    ASSERT_EQ(parts.size(), 2u);
    m_list = parts[1].hwnd;
  }
  // The list's opening (true) and closing (false) as heard of the combo box.
  std::vector<bool> ExpandedHeard() const {
    std::vector<bool> heard;
    for (const a11y::Event& e : m_heard->Of(EventKind::kStateChanged, Self(m_combo))) {
      if (e.state == kExpanded) heard.push_back(e.on);
    }
    return heard;
  }
  // The field's edits and caret as heard: "+offset:text", "-offset:text", "^caret".
  std::vector<std::string> FieldHeard() const {
    std::vector<std::string> heard;
    for (const a11y::Event& e : m_heard->Events()) {
      const std::string at = e.source == Self(m_field) ? std::to_string(e.offset) : std::string();
      if (at.empty()) continue;
      if (e.kind == EventKind::kTextInserted) heard.push_back("+" + at + ":" + e.text);
      if (e.kind == EventKind::kTextRemoved) heard.push_back("-" + at + ":" + e.text);
      if (e.kind == EventKind::kCaretMoved) heard.push_back("^" + at);
    }
    return heard;
  }

  std::optional<a11ytest::EventRecorder> m_heard;  // made once the platform runs
  HWND m_field = nullptr;
  HWND m_list = nullptr;
};

TEST_F(ComboAccessTest, TheComboBoxReadsWithItsEditableFieldAndTheListOfItsChoices) {
  SendMessage(m_combo, CB_SETCURSEL, 2, 0);
  a11y::Provider& box = Reader(m_combo);
  EXPECT_EQ(box.RoleOf(a11y::kSelf), a11y::Role::kComboBox);
  EXPECT_EQ(box.NameOf(a11y::kSelf), KeyNames()[2]);
  EXPECT_THAT(box.ActionsOf(a11y::kSelf), ElementsAre("press"));
  EXPECT_TRUE(
      HasStates(box.StatesOf(a11y::kSelf), {kExpandable, kCollapsed, kFocusable, kEnabled, kShowing}));
  EXPECT_FALSE(box.StatesOf(a11y::kSelf).Has(kFocused));
  a11y::Provider& field = Reader(m_field);
  EXPECT_EQ(field.RoleOf(a11y::kSelf), a11y::Role::kText);
  EXPECT_EQ(field.TextOf(a11y::kSelf), KeyNames()[2]);
  EXPECT_TRUE(field.EditableText(a11y::kSelf));
  EXPECT_TRUE(HasStates(field.StatesOf(a11y::kSelf), {kEditable, kSingleLine, kSelectableText}));
  EXPECT_EQ(a11y::ParentRef(Self(m_field)), Self(m_combo));

  // The list answers while closed: its items are the choices, the current one selected.
  a11y::Provider& list = Reader(m_list);
  EXPECT_EQ(list.RoleOf(a11y::kSelf), a11y::Role::kList);
  EXPECT_EQ(a11y::ParentRef(Self(m_list)), Self(m_combo));
  EXPECT_TRUE(list.HasSelection(a11y::kSelf));
  const std::vector<ObjectRef> items = list.ChildrenOf(a11y::kSelf);
  ASSERT_EQ(items.size(), KeyNames().size());
  EXPECT_THAT(list.SelectedChildrenOf(a11y::kSelf), ElementsAre(items[2]));
  EXPECT_EQ(list.RoleOf(items[2].child), a11y::Role::kListItem);
  EXPECT_EQ(list.NameOf(items[2].child), KeyNames()[2]);
  EXPECT_TRUE(HasStates(list.StatesOf(items[2].child), {kSelectable, kSelected}));
  EXPECT_FALSE(list.StatesOf(items[2].child).Has(kShowing));

  // Tab's way in: the focus is heard on the field, and the combo box counts as focused.
  SetFocus(m_combo);
  headless::PumpUntilIdle();
  EXPECT_TRUE(box.StatesOf(a11y::kSelf).Has(kFocused));
  EXPECT_EQ(m_heard->Of(EventKind::kFocus, Self(m_field)).size(), 1u);
  EXPECT_TRUE(m_heard->Of(EventKind::kFocus, Self(m_combo)).empty());
}

TEST_F(ComboAccessTest, TheReadersPressOpensAndClosesTheListAsF4Does) {
  SendMessage(m_combo, CB_SETCURSEL, 4, 0);
  SetFocus(m_combo);
  headless::PumpUntilIdle();
  m_notes.clear();
  Key(headless::keys::kF4);
  Key(headless::keys::kF4);
  const std::vector<int> byKeys = m_notes;
  EXPECT_THAT(ExpandedHeard(), ElementsAre(true, false));
  m_notes.clear();
  m_heard->Clear();

  Ask(Self(m_combo), a11y::RequestKind::kDoAction);
  EXPECT_EQ(ShownList(), m_list);
  EXPECT_TRUE(HasStates(Reader(m_combo).StatesOf(a11y::kSelf), {kExpanded}));
  EXPECT_FALSE(Reader(m_combo).StatesOf(a11y::kSelf).Has(kCollapsed));
  // The current item shows, focused, where its row is drawn highlighted.
  const a11y::ChildId current = 5;
  EXPECT_TRUE(HasStates(Reader(m_list).StatesOf(current), {kShowing, kVisible, kFocused}));
  const RECT row = Reader(m_list).BoundsOf(current);
  const RECT shown = Display().Native(m_list)->rect;
  const int x = row.right - shown.left - 20;
  EXPECT_EQ(Colour(headless::PresentedPixel(m_list, x, row.top - shown.top)), RGB(10, 36, 106));
  EXPECT_EQ(Colour(headless::PresentedPixel(m_list, x, row.bottom - shown.top)), RGB(255, 255, 255));

  Ask(Self(m_combo), a11y::RequestKind::kDoAction);
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_EQ(m_notes, byKeys);
  EXPECT_THAT(ExpandedHeard(), ElementsAre(true, false));
}

TEST_F(ComboAccessTest, AChoiceThroughTheListIsTheUsersAsAClickOnItsRow) {
  SendMessage(m_combo, CB_SETCURSEL, 1, 0);
  Click(ButtonCentre());
  ASSERT_EQ(ShownList(), m_list);
  m_notes.clear();
  m_heard->Clear();

  Ask(Self(m_list), a11y::RequestKind::kSelectChild, 4);
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP));
  EXPECT_EQ(CurSel(), 4);
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_THAT(ExpandedHeard(), ElementsAre(false));
  EXPECT_EQ(m_heard->Of(EventKind::kSelectionChanged, Self(m_list)).size(), 1u);
  const std::vector<a11y::Event> active = m_heard->Of(EventKind::kActiveDescendantChanged, Self(m_list));
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(active[0].other, (ObjectRef{m_list, 5}));
  // The field's whole text replaced, all of it selected, and the combo box renamed with it.
  const std::string chosen = KeyNames()[4];
  EXPECT_THAT(FieldHeard(),
              ElementsAre("-0:" + KeyNames()[1], "+0:" + chosen, "^0", "^" + std::to_string(chosen.size())));
  EXPECT_FALSE(m_heard->Of(EventKind::kNameChanged, Self(m_combo)).empty());
  EXPECT_EQ(Reader(m_combo).NameOf(a11y::kSelf), chosen);

  // Closed, the list takes a choice all the same, and stays closed.
  m_notes.clear();
  Ask(Self(m_list), a11y::RequestKind::kSelectChild, 0);
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP));
  EXPECT_EQ(CurSel(), 0);
  EXPECT_EQ(ShownList(), nullptr);
}

TEST_F(ComboAccessTest, TypingAndAReadersWriteAreHeardAsEditsAndReachTheParentAlike) {
  SetWindowText(m_combo, "Sol Maior");
  SetFocus(m_combo);
  headless::PumpUntilIdle();
  m_notes.clear();
  m_heard->Clear();
  Key(headless::keys::kHome);
  Key(headless::keys::kRight);
  headless::TypeText("o");  // beside another "o": heard where it was typed
  Key(headless::keys::kBackSpace);
  Ask(Self(m_field), a11y::RequestKind::kSetText, 0, Cp("Lá"));
  EXPECT_EQ(Text(), Cp("Lá"));
  EXPECT_THAT(m_notes, ElementsAre(CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE,
                                   CBN_EDITUPDATE, CBN_EDITCHANGE));
  EXPECT_THAT(FieldHeard(),
              ElementsAre("^0", "^1", "+1:o", "^2", "-1:o", "^1", "-0:Sol Maior", "+0:" + Cp("Lá"), "^2"));
  EXPECT_EQ(Reader(m_combo).NameOf(a11y::kSelf), Cp("Lá"));
  EXPECT_EQ(m_heard->Of(EventKind::kNameChanged, Self(m_combo)).size(), 3u);
}

}  // namespace
