// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/combo/custom_combo_box.h"

#include <algorithm>

#include "controls/combo/combo_box_strings.h"
#include "core/window_description.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/window.h"

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomCombo(owner) { BindItems(); }

TCustomComboBox::~TCustomComboBox() = default;

std::unique_ptr<TCustomComboBoxStrings> TCustomComboBox::CreateItemsObject() {
  return std::make_unique<TComboBoxStrings>();
}

// ---- Properties ------------------------------------------------------------------------------
void TCustomComboBox::SetStyle(TComboBoxStyle style) {
  if (style == m_style) return;
  m_style = style;
  // Only the simple style, whose list is always shown, takes the height it is given.
  if (style == TComboBoxStyle::csSimple) {
    m_controlStyle &= ~csFixedHeight;
  } else {
    m_controlStyle |= csFixedHeight;
  }
  RecreateWnd();
}

void TCustomComboBox::SetSorted(bool sorted) {
  if (sorted == m_sorted) return;
  m_sorted = sorted;
  RecreateWnd();
}

void TCustomComboBox::SetCharCase(TEditCharCase charCase) {
  if (charCase == m_charCase) return;
  m_charCase = charCase;
  RecreateWnd();
}

void TCustomComboBox::SetBevelKind(TBevelKind kind) {
  if (kind == m_bevelKind) return;
  m_bevelKind = kind;
  Invalidate();
}

int TCustomComboBox::GetItemHeight() {
  if (m_style == TComboBoxStyle::csOwnerDrawFixed || m_style == TComboBoxStyle::csOwnerDrawVariable) {
    return m_itemHeight;
  }
  // A control with nowhere to put a window yet reports what it was given.
  if (!HandleAllocated() && !Parent()) return m_itemHeight;
  return static_cast<int>(SendMessage(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

int TCustomComboBox::GetItemCount() { return Items().Count(); }

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TCustomCombo::CreateParams(params);
  switch (m_style) {
    case TComboBoxStyle::csDropDown:
      params.Style |= CBS_DROPDOWN;
      break;
    case TComboBoxStyle::csSimple:
      params.Style |= CBS_SIMPLE;
      break;
    case TComboBoxStyle::csDropDownList:
      params.Style |= CBS_DROPDOWNLIST;
      break;
    case TComboBoxStyle::csOwnerDrawFixed:
      params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
      break;
    case TComboBoxStyle::csOwnerDrawVariable:
      params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE;
      break;
  }
  if (m_sorted) params.Style |= CBS_SORT;
  if (m_charCase == TEditCharCase::ecUpperCase) params.Style |= CBS_UPPERCASE;
  if (m_charCase == TEditCharCase::ecLowerCase) params.Style |= CBS_LOWERCASE;
}

// ---- Typing completion -----------------------------------------------------------------------
void TCustomComboBox::EditSelection(int& start, int& end) {
  auto sel = static_cast<std::uintptr_t>(SendMessage(Handle(), CB_GETEDITSEL, 0, 0));
  start = LOWORD(sel);
  end = HIWORD(sel);
}

void TCustomComboBox::KeyPress(char& key) {
  TCustomCombo::KeyPress(key);
  if (!m_autoComplete || key == 0) return;
  if (HasEditField()) {
    m_filter = GetText();
  } else {
    std::uint32_t now = GetTickCount();
    if (now - m_lastKeyTime >= kCompletionResetMs) m_filter.clear();
    m_lastKeyTime = now;
  }
  switch (key) {
    case '\b':
      Backspace();
      key = 0;
      Change();
      return;
    case '\t':
      if (m_autoDropDown && DroppedDown()) SetDroppedDown(false);
      return;
    case '\x1b':
      return;
    default:
      break;
  }
  if (m_autoDropDown && !DroppedDown()) SetDroppedDown(true);
  int start = 0;
  int end = 0;
  EditSelection(start, end);
  std::string search =
      start < end ? m_filter.substr(0, std::min<std::size_t>(start, m_filter.size())) : m_filter;
  // The character goes at the end whatever the caret's place. A double-byte lead byte never
  // arrives here: cp1252 is single-byte (IsDBCSLeadByte answers false).
  search += key;
  if (SelectItem(search)) key = 0;
}

bool TCustomComboBox::SelectItem(const std::string& search) {
  if (search.empty()) {
    SetItemIndex(-1);
    Change();
    return false;
  }
  auto found = static_cast<int>(SendMessage(Handle(), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(search.c_str())));
  if (found < 0) return false;
  bool changed = found != GetItemIndex();
  if (m_autoCloseUp && Items().IndexOf(search) != -1) SendMessage(Handle(), CB_SHOWDROPDOWN, 0, 0);
  SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  if (HasEditField()) {
    // The typed characters keep the case they were typed in; the rest comes from the item.
    std::string item = Items().Get(found);
    std::string text = search + (item.size() > search.size() ? item.substr(search.size()) : std::string());
    SetText(text);
    SendMessage(Handle(), CB_SETEDITSEL, 0,
                MAKELPARAM(static_cast<int>(search.size()), static_cast<int>(text.size())));
  } else {
    SetItemIndex(found);
    m_filter = search;
  }
  if (changed) {
    Click();
    Select();
  }
  return true;
}

// Backspace never reaches the platform field: the component removes the character (or the
// selection) itself, so that no item stays current, and reports the change.
void TCustomComboBox::Backspace() {
  int start = 0;
  int end = 0;
  EditSelection(start, end);
  std::string text = GetText();
  int length = static_cast<int>(text.size());
  if (start < end && start < length) {
    text.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(std::min(end, length) - start));
    SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetText(text);
    SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(start, start));
  } else if (HasEditField() && !text.empty()) {
    int caret = std::clamp(start, 0, length);
    int at = caret > 0 ? caret - 1 : 0;
    if (caret > 0) text.erase(static_cast<std::size_t>(at), 1);
    SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetText(text);
    SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(at, at));
    m_filter = text;
  } else if (!m_filter.empty()) {
    m_filter.pop_back();
  }
}

// ---- Owner drawing ---------------------------------------------------------------------------
void TCustomComboBox::DrawItem(int index, const RECT& rect, unsigned state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  TCanvas& canvas = Canvas();
  if (!canvas.Handle()) return;
  bool selected = (state & odSelected) != 0;
  canvas.Brush().SetColor(selected ? clHighlight : Color());
  canvas.Font().Assign(Font());
  if (selected) canvas.Font().SetColor(clHighlightText);
  canvas.FillRect(rect);
  if (index >= 0 && index < Items().Count()) canvas.TextOut(rect.left + 2, rect.top, Items().Get(index));
  if (state & odFocused) canvas.DrawFocusRect(rect);
}

void TCustomComboBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

// ---- Messages --------------------------------------------------------------------------------
void TCustomComboBox::WndProc(TMessage& message) {
  TCustomCombo::WndProc(message);
  if (message.Msg != WM_PAINT || m_bevelKind == TBevelKind::bkNone || !HandleAllocated()) return;
  // Bevels on top of the platform's painting: raised inner and lowered outer edges, and a frame
  // around the button.
  HDC dc = GetDC(m_handle);
  if (!dc) return;
  RECT r{};
  GetClientRect(m_handle, &r);
  DrawEdge(dc, &r, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT);
  RECT button{r.right - GetSystemMetrics(SM_CXVSCROLL) - 2, r.top + 2, r.right - 2, r.bottom - 2};
  TBrush frame;
  frame.SetColor(clBtnFace);
  FrameRect(dc, &button, frame.Handle());
  ReleaseDC(m_handle, dc);
}

void TCustomComboBox::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  static const char* const kStyles[] = {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                                        "csOwnerDrawVariable"};
  static const char* const kCases[] = {"ecNormal", "ecUpperCase", "ecLowerCase"};
  static const char* const kBevels[] = {"bkNone", "bkTile", "bkSoft", "bkFlat"};
  static const char* const kDragModes[] = {"dmManual", "dmAutomatic"};
  if (name == "Style") {
    SetStyle(DescEnum<TComboBoxStyle>(value, kStyles));
  } else if (name == "Sorted") {
    SetSorted(DescBoolean(value));
  } else if (name == "CharCase") {
    SetCharCase(DescEnum<TEditCharCase>(value, kCases));
  } else if (name == "AutoComplete") {
    SetAutoComplete(DescBoolean(value));
  } else if (name == "AutoDropDown") {
    SetAutoDropDown(DescBoolean(value));
  } else if (name == "AutoCloseUp") {
    SetAutoCloseUp(DescBoolean(value));
  } else if (name == "BevelKind") {
    SetBevelKind(DescEnum<TBevelKind>(value, kBevels));
  } else if (name == "DragMode") {
    SetDragMode(DescEnum<TDragMode>(value, kDragModes));
  } else {
    TCustomCombo::ReadProperty(name, value, root);
  }
}
