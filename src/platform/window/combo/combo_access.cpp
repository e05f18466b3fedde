// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/combo_access.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window/a11y/default_provider.h"
#include "platform/window/combo/combo_control.h"
#include "platform/window/combo/drop_list.h"
#include "platform/window/combo/edit_field.h"
#include "platform/window/window_object.h"

namespace combo {

using a11y::ChildId;
using a11y::ObjectRef;
using a11y::Role;
using a11y::State;
using a11y::StateSet;

namespace {

constexpr char kPressAction[] = "press";

// Items are numbered from 1, the list itself being 0.
ChildId ItemPart(int index) { return index + 1; }
int ItemIndex(ChildId child) { return child - 1; }

}  // namespace

// ---- The combo box ---------------------------------------------------------------------------

class ComboAccess : public a11y::Provider {
 public:
  explicit ComboAccess(ComboBox& box) : m_box(box) {}

  Role RoleOf(ChildId child) const override {
    return child == a11y::kSelf ? Role::kComboBox : Role::kInvalid;
  }
  // What the field shows: the chosen item, or what the user typed.
  std::string NameOf(ChildId child) const override {
    return child == a11y::kSelf ? a11y::WindowTextOf(m_box.m_field) : std::string();
  }

  StateSet StatesOf(ChildId child) const override {
    if (child != a11y::kSelf) return {};
    StateSet states = a11y::WindowStates(m_box.Window());
    states.Set(State::kFocusable);
    if (m_box.DropDownStyle()) {
      states.Set(State::kExpandable).Set(m_box.m_dropped ? State::kExpanded : State::kCollapsed);
    }
    if (m_box.m_field != nullptr && GetFocus() == m_box.m_field) states.Set(State::kFocused);
    return states;
  }

  RECT BoundsOf(ChildId child) const override {
    return child == a11y::kSelf ? a11y::WindowScreenRect(m_box.Window()) : RECT{};
  }

  std::vector<ObjectRef> ChildrenOf(ChildId child) const override {
    std::vector<ObjectRef> children;
    if (child != a11y::kSelf) return children;
    if (m_box.m_field != nullptr) children.push_back({m_box.m_field, a11y::kSelf});
    if (const DropList* list = m_box.MadeList()) children.push_back({list->Window(), a11y::kSelf});
    return children;
  }

  std::vector<std::string> ActionsOf(ChildId child) const override {
    if (child != a11y::kSelf || !m_box.DropDownStyle()) return {};
    return {kPressAction};
  }
  void DoAction(ChildId child, int index) override {
    if (child == a11y::kSelf && index == 0) m_box.PressedByReader();
  }

  void GrabFocus(ChildId /*child*/) override {
    // As Tab does: the combo box hands the keyboard to its field with the text selected.
    if (IsWindowVisible(m_box.Window()) && IsWindowEnabled(m_box.Window())) SetFocus(m_box.Window());
  }

 private:
  ComboBox& m_box;
};

// ---- The field -------------------------------------------------------------------------------

class FieldAccess : public a11y::Provider {
 public:
  explicit FieldAccess(EditField& field) : m_field(field) {}

  Role RoleOf(ChildId child) const override { return child == a11y::kSelf ? Role::kText : Role::kInvalid; }
  std::string NameOf(ChildId /*child*/) const override { return {}; }

  StateSet StatesOf(ChildId child) const override {
    if (child != a11y::kSelf) return {};
    StateSet states = a11y::WindowStates(m_field.Window());
    states.Set(State::kFocusable).Set(State::kSingleLine).Set(State::kSelectableText);
    states.Set(State::kEditable, m_field.TakesTyping());
    return states;
  }

  RECT BoundsOf(ChildId child) const override {
    return child == a11y::kSelf ? a11y::WindowScreenRect(m_field.Window()) : RECT{};
  }
  std::vector<ObjectRef> ChildrenOf(ChildId /*child*/) const override { return {}; }

  std::optional<std::string> TextOf(ChildId child) const override {
    if (child != a11y::kSelf) return std::nullopt;
    return m_field.Content().Text();
  }
  int CaretOf(ChildId child) const override { return child == a11y::kSelf ? m_field.Content().Caret() : -1; }
  bool EditableText(ChildId child) const override { return child == a11y::kSelf && m_field.TakesTyping(); }
  void SetTextContents(ChildId child, const std::string& text) override {
    if (child == a11y::kSelf) m_field.TypeOver(text);
  }

  void GrabFocus(ChildId /*child*/) override {
    if (IsWindowVisible(m_field.Window()) && IsWindowEnabled(m_field.Window())) SetFocus(m_field.Window());
  }

 private:
  EditField& m_field;
};

// ---- The list --------------------------------------------------------------------------------

class ListAccess : public a11y::Provider {
 public:
  explicit ListAccess(DropList& list) : m_list(list) {}

  Role RoleOf(ChildId child) const override {
    if (child == a11y::kSelf) return Role::kList;
    return Exists(child) ? Role::kListItem : Role::kInvalid;
  }

  std::string NameOf(ChildId child) const override {
    const ComboBox* box = Box();
    if (box == nullptr || child == a11y::kSelf || !Exists(child)) return {};
    return box->m_items.Text(ItemIndex(child));
  }

  StateSet StatesOf(ChildId child) const override {
    if (child == a11y::kSelf) return a11y::WindowStates(m_list.Window());
    const ComboBox* box = Box();
    if (box == nullptr || !Exists(child)) return {};
    const bool open = m_list.Shown();
    const bool current = ItemIndex(child) == box->m_current;
    StateSet states{State::kSelectable, State::kEnabled, State::kSensitive};
    states.Set(State::kSelected, current).Set(State::kShowing, open).Set(State::kVisible, open);
    states.Set(State::kFocused, current && open);
    return states;
  }

  // A row's place on the screen while the list shows; an item of the closed list has none.
  RECT BoundsOf(ChildId child) const override {
    if (child == a11y::kSelf) return a11y::WindowScreenRect(m_list.Window());
    if (!Exists(child) || !m_list.Shown()) return {};
    POINT origin{0, 0};
    ClientToScreen(m_list.Window(), &origin);
    RECT client{};
    GetClientRect(m_list.Window(), &client);
    const int top = origin.y + (ItemIndex(child) - m_list.TopIndex()) * m_list.RowHeight();
    return {origin.x, top, origin.x + client.right, top + m_list.RowHeight()};
  }

  std::vector<ObjectRef> ChildrenOf(ChildId child) const override {
    std::vector<ObjectRef> items;
    const ComboBox* box = Box();
    if (child != a11y::kSelf || box == nullptr) return items;
    for (int i = 0; i < box->m_items.Count(); ++i) items.push_back({m_list.Window(), ItemPart(i)});
    return items;
  }

  // Shown apart from its combo box, the list still belongs to it.
  ObjectRef ParentOf(ChildId child) const override {
    if (child != a11y::kSelf || !IsWindow(m_list.Combo())) return {};
    return {m_list.Combo(), a11y::kSelf};
  }

  bool Exists(ChildId child) const override {
    const ComboBox* box = Box();
    return child == a11y::kSelf || (box != nullptr && box->m_items.Valid(ItemIndex(child)));
  }

  bool HasSelection(ChildId child) const override { return child == a11y::kSelf; }
  std::vector<ObjectRef> SelectedChildrenOf(ChildId child) const override {
    const ComboBox* box = Box();
    if (child != a11y::kSelf || box == nullptr || !box->m_items.Valid(box->m_current)) return {};
    return {{m_list.Window(), ItemPart(box->m_current)}};
  }
  // A reader's choice is the user's: as a click on the row, the list closing if open.
  void SelectChild(ChildId child, int index) override {
    ComboBox* box = Box();
    if (child == a11y::kSelf && box != nullptr && box->m_items.Valid(index)) box->ChooseRow(index);
  }

 private:
  ComboBox* Box() const { return window::ObjectOf<ComboBox>(m_list.Combo()); }

  DropList& m_list;
};

std::unique_ptr<a11y::Provider> MakeComboAccess(ComboBox& box) { return std::make_unique<ComboAccess>(box); }
std::unique_ptr<a11y::Provider> MakeFieldAccess(EditField& field) {
  return std::make_unique<FieldAccess>(field);
}
std::unique_ptr<a11y::Provider> MakeListAccess(DropList& list) { return std::make_unique<ListAccess>(list); }

// ---- What a reader hears ---------------------------------------------------------------------

void TellExpanded(HWND combo, bool expanded) {
  a11y::TellState({combo, a11y::kSelf}, State::kExpanded, expanded);
}

void TellCurrentItem(HWND list, int index) {
  // Without a list window no reader has met the items yet.
  if (list == nullptr || !a11y::Listening()) return;
  const ObjectRef source{list, a11y::kSelf};
  a11y::NotifyEvent(a11y::EventOf(a11y::EventKind::kSelectionChanged, source));
  if (index >= 0) {
    a11y::Event event = a11y::EventOf(a11y::EventKind::kActiveDescendantChanged, source);
    event.other = {list, ItemPart(index)};
    a11y::NotifyEvent(event);
  }
}

void TellItemsChanged(HWND list) {
  if (a11y::Listening())
    a11y::NotifyEvent(a11y::EventOf(a11y::EventKind::kChildrenChanged, {list, a11y::kSelf}));
}

void TellFieldText(HWND field, const a11y::TextEdit& edit, int caret) {
  if (!a11y::Listening()) return;
  a11y::TellTextEdit({field, a11y::kSelf}, edit, caret);
  if (ComboBox::FromField(field) != nullptr) {
    a11y::NotifyEvent(a11y::EventOf(a11y::EventKind::kNameChanged, {GetParent(field), a11y::kSelf}));
  }
}

void TellFieldCaret(HWND field, int caret) { a11y::TellCaret({field, a11y::kSelf}, caret); }

}  // namespace combo
