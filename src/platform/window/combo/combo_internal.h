// SPDX-License-Identifier: GPL-3.0-or-later
// How the parts of the platform's combo box reach each other: the combo box window, its edit
// field child and its drop-down list (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>

#include "base/types.h"
#include "platform/window.h"

namespace combo {

inline constexpr char kEditClass[] = "Edit";
inline constexpr char kDropListClass[] = "ComboLBox";
// The edit field's child identifier inside its combo box.
inline constexpr int kEditId = 1001;

// A paint of one of these windows: BeginPaint when made, EndPaint when it goes, so every way out
// of the paint ends it. Dc() is nullptr when there is nothing to paint on.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
  ~PaintScope() { EndPaint(m_hwnd, &m_ps); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return m_dc; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps{};
  HDC m_dc;
};

struct Item {
  std::string text;  // cp1252
  LPARAM data = 0;
};

// Registers "COMBOBOX", "Edit" and "ComboLBox" for a run of the platform (InitPlatform).
void RegisterClasses();

// ---- The field tells its combo box (combo_control.cpp) --------------------------------------
// A key the open or closed list may want (arrows, pages, F4, Alt+arrows, Enter and Escape while
// open). True when the combo box took it; the field then does nothing with it.
bool FieldKey(HWND field, UINT msg, UINT vk);
// A press on the field of a list-only combo box (CBS_DROPDOWNLIST), which takes no editing: it
// opens or closes the list.
void FieldPressed(HWND field);
// The user changed the field's text (typing, deleting, cut, paste).
void FieldEdited(HWND field);
// The field gained or lost the keyboard focus; `other` is the window losing or getting it.
void FieldFocus(HWND field, bool gained, HWND other);
// The combo box's style bits (case conversion), 0 when the field stands alone.
DWORD FieldOwnerStyle(HWND field);

}  // namespace combo
