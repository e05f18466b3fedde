// SPDX-License-Identifier: GPL-3.0-or-later
// What the platform's combo box tells a screen reader and lets it do (internal to the platform
// layer). Three objects answer, one for each window:
// - the combo box: a combo box named by the text its field shows, with the action "press" (F4's
//   opening and closing of the list), expandable and expanded or collapsed, focused while its
//   field has the keyboard; its children the field and the list;
// - the field: an editable one-line text, with its caret; a reader's write of the whole text is
//   typing, and the combo box's parent hears of it as of the user's typing;
// - the list: a list whose parent is the combo box (it is a top-level pop-up of its own), one item
//   per choice (ChildId 1 .. n), the current item selected; a reader's choice of an item is a
//   click on its row. It answers while closed too, its items then not showing.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <memory>

#include "base/types.h"
#include "platform/accessibility.h"
#include "platform/window/a11y/platform_events.h"

namespace combo {

class ComboBox;
class DropList;
class EditField;

std::unique_ptr<a11y::Provider> MakeComboAccess(ComboBox& box);
std::unique_ptr<a11y::Provider> MakeFieldAccess(EditField& field);
std::unique_ptr<a11y::Provider> MakeListAccess(DropList& list);

// A window's answer to WM_GETOBJECT: its provider, made by `make` when first asked, for the
// window's own object id; 0 for any other.
template <typename Object>
LRESULT AnswerAccess(std::unique_ptr<a11y::Provider>& provider, LPARAM objectId, Object& object,
                     std::unique_ptr<a11y::Provider> (*make)(Object&)) {
  if (objectId != a11y::kObjectIdClient) return 0;
  if (!provider) provider = make(object);
  return a11y::AnswerGetObject(provider.get());
}

// The changes a reader hears of; each costs one test while nobody listens.
// The list opened or closed.
void TellExpanded(HWND combo, bool expanded);
// The current item is `index` now (-1: none); `list` may be nullptr (no list made yet).
void TellCurrentItem(HWND list, int index);
// Items came or went.
void TellItemsChanged(HWND list);
// The field's text changed (and with it the name of its combo box), leaving the caret at `caret`.
void TellFieldText(HWND field, const a11y::TextEdit& edit, int caret);
void TellFieldCaret(HWND field, int caret);

}  // namespace combo
