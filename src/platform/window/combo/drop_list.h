// SPDX-License-Identifier: GPL-3.0-or-later
// The drop-down list of the platform's combo box: a frameless top-level pop-up (class
// "ComboLBox") with a 1-pixel border, one row per item, the highlighted row in the selection
// colours and a vertical scroll bar only when the rows do not fit (internal).
//
// The list draws and scrolls; choosing is the combo box's business: it holds the mouse while the
// list is open and asks the list which row lies under the pointer.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <memory>
#include <vector>

#include "base/types.h"
#include "platform/accessibility.h"
#include "platform/window/combo/combo_internal.h"
#include "platform/window/window_object.h"

namespace combo {

class DropList : public window::WindowObject {
 public:
  // Makes the list window of `combo`, hidden, with its object: `combo` is asked for the colours
  // (WM_CTLCOLORLISTBOX) and owns `items`, and it destroys the list window before it goes itself.
  // nullptr when no window could be made.
  static HWND Create(HWND combo, const std::vector<combo::Item>& items);
  DropList(HWND hwnd, HWND combo, const std::vector<combo::Item>& items);

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

  bool Shown() const { return m_shown; }
  // Shows the list at `screenRect` (border included) with the row `highlight` in view.
  void Show(const RECT& screenRect, HFONT font, int rowHeight, int highlight);
  void Hide();
  // The items changed (added, removed): rows and the scroll bar follow.
  void ItemsChanged();

  HWND Combo() const { return m_combo; }
  int RowHeight() const { return m_rowHeight; }
  int Highlight() const { return m_highlight; }
  void SetHighlight(int index, bool scrollIntoView);
  int TopIndex() const { return m_top; }
  int VisibleRows() const;
  // The row under a screen point: -1 outside the rows (border, scroll bar, elsewhere).
  int RowAt(POINT screenPt) const;
  bool Contains(POINT screenPt) const;
  bool OnScrollBar(POINT screenPt) const;
  void ScrollBy(int rows);

 private:
  void Paint();
  void UpdateScrollBar();
  void SetTop(int top);
  void Scroll(int code, int thumbPos);

  HWND m_combo;
  const std::vector<combo::Item>& m_items;
  HFONT m_font = nullptr;
  int m_rowHeight = 1;
  int m_highlight = -1;
  int m_top = 0;
  bool m_shown = false;
  std::unique_ptr<a11y::Provider> m_access;  // made when a screen reader first asks
};

}  // namespace combo
