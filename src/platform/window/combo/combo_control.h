// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's "COMBOBOX" window (drop-down style): the sunken frame with the button at its
// right end, the edit field child, the items and the current item, the drop-down list, and the
// CB_* messages and CBN_* notifications (internal to the platform layer).
//
// While the list is open the combo box holds the mouse capture (and the display's pointer and
// keyboard grabs), so a press anywhere is its to judge: on a row it chooses, on the button it
// closes, anywhere else it only closes the list. The keyboard stays with the field, which hands
// the list keys over (combo::FieldKey).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/accessibility.h"
#include "platform/window/combo/combo_internal.h"
#include "platform/window/combo/combo_items.h"
#include "platform/window/window_object.h"

namespace combo {

class DropList;

class ComboBox : public window::WindowObject {
 public:
  // The frame around the field and the button (a sunken client edge).
  static constexpr int kEdge = 2;
  // Room between the frame and the field, above, below and at the left.
  static constexpr int kFieldInset = 1;
  // A closed drop-down is this much taller than its font's text at 96 pixels per inch; the room
  // grows with the screen's resolution (ClosedExtra), so the field keeps its proportions.
  static constexpr int kClosedExtra = 8;

  // How much taller than its text a closed drop-down is on this screen.
  static int ClosedExtra();

  // The object of a new combo box window (window::ObjectWindowProc).
  static std::unique_ptr<window::WindowObject> Make(HWND hwnd, const CREATESTRUCT* cs);
  // The combo box whose field `field` is; nullptr for any other window.
  static ComboBox* FromField(HWND field);

  ComboBox(HWND hwnd, DWORD style);
  ComboBox(const ComboBox&) = delete;
  ComboBox& operator=(const ComboBox&) = delete;
  // Takes the list window along if WM_DESTROY did not (the list shows this object's items).
  ~ComboBox() override;

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

  bool FieldKey(UINT msg, UINT vk);
  void FieldPressed() { Toggle(); }
  void FieldEdited();
  void FieldFocus(bool gained, HWND other);
  DWORD Style() const { return m_style; }

 private:
  // A screen reader's view reads the items and the state and acts as the keys and clicks do.
  friend class ComboAccess;
  friend class ListAccess;

  LRESULT ListMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool Create(const CREATESTRUCT* cs);
  void SetFont(HFONT font, bool redraw);
  void AdjustPosition(WINDOWPOS* wp);
  void Layout();
  RECT ButtonRect() const;
  bool DropDownStyle() const;
  void Paint();
  void PaintButton(HDC dc, bool enabled);
  void RedrawButton();

  // Items
  int AddItem(const char* text, int index, bool sorted);
  // Makes `index` current (-1: none) and shows its text in the field, all selected.
  void SetCurrent(int index);
  // Only the number of the current item changes (-1: none); a reader hears of another item.
  void CurrentIs(int index);

  // The list. Its window is made at the first opening and destroyed with the combo box; its
  // object belongs to the window, so the list is asked for through the handle each time.
  DropList* List() const;
  // The list, made hidden if it was not yet (a screen reader sees the choices before any
  // opening); nullptr for a style without one or when no window could be made.
  DropList* MadeList();
  void DestroyList();
  void Open();
  // Hides the list and lets go of the mouse and the display grabs; nothing is reported. False
  // when the combo box did not survive letting go of the mouse.
  bool CloseQuietly();
  // Closes and reports `endCode` (CBN_SELENDOK, CBN_SELENDCANCEL or 0), then CBN_CLOSEUP.
  // False when the combo box did not survive the notifications.
  bool Close(int endCode);
  void Toggle();
  // A reader's "press": F4 in the field, the field taking the keyboard first as a click would.
  void PressedByReader();
  // Steps the current item by `delta` (clamped) as a key does, reporting CBN_SELCHANGE.
  void Step(int delta);
  void SelectTo(int index);
  void ChooseRow(int row);
  // Enter, F4 and Alt+arrow while open: the row the pointer made current becomes the choice, as a
  // click would make it; otherwise the list closes on the current item.
  void CloseChoosing();
  RECT ListRect() const;

  // Mouse, in the combo box's client coordinates
  void MouseDown(POINT pt, bool left);
  // A press while the list is open: on the list's scroll bar or a row, or anywhere else (closes).
  void PressWhileOpen(DropList& list, POINT pt, bool left);
  void MouseMove(POINT pt);
  void MouseUp(POINT pt);
  void CaptureLost(HWND newCapture);

  // Sends WM_COMMAND with each code in turn to the parent, stopping when the parent destroyed the
  // combo box: false then, and nothing of this object may be touched any more.
  bool Notify(std::initializer_list<int> codes);
  bool Notify(int code) { return Notify({code}); }

  HWND m_field = nullptr;
  DWORD m_style;
  ComboItems m_items;
  HWND m_listWindow = nullptr;
  int m_current = -1;
  HFONT m_font = nullptr;
  int m_textHeight = 0;
  int m_fieldHeight = 0;  // text height of the field (CB_SETITEMHEIGHT with -1 changes it)
  int m_rowHeight = 0;
  bool m_rowHeightSet = false;
  int m_droppedHeight = 0;  // the whole height while open: closed part plus list
  bool m_dropped = false;
  bool m_pointed = false;         // the open list's highlight is the row the pointer last moved over
  bool m_buttonTracking = false;  // the button was pressed and the mouse is still down
  bool m_listPressed = false;     // a press on a row of the open list is in progress
  bool m_redraw = true;
  bool m_notifyingDropDown = false;
  bool m_focused = false;
  bool m_letGo = false;                      // the combo box itself is releasing the capture
  std::unique_ptr<a11y::Provider> m_access;  // made when a screen reader first asks
};

}  // namespace combo
