// SPDX-License-Identifier: GPL-3.0-or-later
// What the platform itself tells a screen reader of its windows (internal to the platform layer):
// the keyboard focus moving, top-level windows shown, activated and destroyed, a part's state
// turning, and the edits of a text with the caret after them. Each costs one test while nobody
// listens.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>
#include <string_view>

#include "platform/accessibility.h"

namespace a11y {

// The window took the keyboard focus: the part of it that holds the focus (its provider's
// FocusedChild) turns focused and takes the focus.
void TellFocusGained(HWND hwnd);
// The window lost the keyboard focus: the part last told focused is focused no longer.
void TellFocusLost(HWND hwnd);

enum class Activation { kActivated, kDeactivated };
void TellActivation(HWND top, Activation activation);
// A top-level window appeared on the screen (kWindowCreated) or is being destroyed.
void TellShown(HWND top);
void TellDestroyed(HWND top);

// An event of `kind` about `source`, the rest of it as it defaults.
inline Event EventOf(EventKind kind, ObjectRef source) {
  Event event;
  event.kind = kind;
  event.source = source;
  return event;
}

void TellState(ObjectRef source, State state, bool on);

// One change of a text: `removed` gave way to `inserted` at `offset`.
struct TextEdit {
  int offset = 0;
  std::string removed;
  std::string inserted;
};

// The change that turned `before` into `after`, the user's edit having begun at `editStart`:
// the text both share around it stays out of the change, and where a repeated letter leaves the
// place open, the change is put where the user made it.
TextEdit EditBetween(std::string_view before, std::string_view after, int editStart);
// The whole text replaced (a program writing it): all of it removed, then the new inserted.
inline TextEdit WholeText(std::string_view before, std::string_view after) {
  return {0, std::string(before), std::string(after)};
}
// Tells of the change, removal first, and of the caret where the change left it.
void TellTextEdit(ObjectRef source, const TextEdit& edit, int caret);
void TellCaret(ObjectRef source, int caret);

}  // namespace a11y
