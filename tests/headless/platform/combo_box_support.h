// SPDX-License-Identifier: GPL-3.0-or-later
// A form with the platform's combo box as the main window has it: 185 x 21 at (72, 16) in the
// main window's font, fifteen items, and the parent's CBN_DROPDOWN handling that sizes the open
// list the way the key selector does. Every WM_COMMAND notification is recorded in order.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

namespace combotest {

inline constexpr int kFormX = 100;
inline constexpr int kFormY = 100;
inline constexpr int kComboX = 72;
inline constexpr int kComboY = 16;
inline constexpr int kComboWidth = 185;
inline constexpr int kComboHeight = 21;
inline constexpr int kRow = 13;
inline constexpr int kComboId = 7;
inline constexpr DWORD kComboStyle =
    CBS_DROPDOWN | WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;

inline std::string Cp(const char* utf8) { return text::Utf8ToCp1252(utf8); }

inline std::vector<std::string> KeyNames() {
  const char* names[] = {"Dó Maior",
                         "Sol Maior - 1 Sustenido",
                         "Ré Maior - 2 Sustenidos",
                         "Lá Maior - 3 Sustenidos",
                         "Mi Maior - 4 Sustenidos",
                         "Si Maior - 5 Sustenidos",
                         "Fá# Maior - 6 Sustenidos",
                         "Dó# Maior - 7 Sustenidos",
                         "Fá Maior - 1 Bemol",
                         "Si b Maior - 2 Bemóis",
                         "Mi b Maior - 3 Bemóis",
                         "Lá b Maior - 4 Bemóis",
                         "Ré b Maior - 5 Bemóis",
                         "Sol b Maior - 6 Bemóis",
                         "Dó b Maior - 7 Bemóis"};
  std::vector<std::string> out;
  for (const char* n : names) out.push_back(Cp(n));
  return out;
}

inline COLORREF Colour(std::uint32_t pixel) {
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

class ComboFixture : public HeadlessFixture {
 protected:
  void SetUp() override {
    HeadlessFixture::SetUp();
    testwin::RegisterClasses();
    m_form = testwin::TopLevel(kFormX, kFormY, 400, 300, "Form");
    LOGFONT lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "MS Sans Serif");
    m_font = CreateFontIndirect(&lf);
    m_combo = CreateWindowEx(0, kComboBoxClass, "", kComboStyle, kComboX, kComboY, kComboWidth, kComboHeight,
                             m_form, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kComboId)), nullptr,
                             nullptr);
    SendMessage(m_combo, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    SetItems(KeyNames());
    testwin::TheLog().handlers[WM_COMMAND] = [this](HWND, WPARAM wParam, LPARAM lParam, LRESULT*) {
      if (reinterpret_cast<HWND>(lParam) != m_combo) return false;
      m_notes.push_back(HIWORD(wParam));
      if (HIWORD(wParam) == CBN_DROPDOWN) SizeOpenList();
      if (m_onNote) m_onNote(HIWORD(wParam));
      return true;
    };
    ShowWindow(m_form, SW_SHOWNORMAL);
    headless::PumpUntilIdle();
    m_notes.clear();
  }
  void TearDown() override {
    testwin::TheLog() = testwin::Log{};
    HeadlessFixture::TearDown();
    DeleteObject(m_font);
  }

  void SetItems(const std::vector<std::string>& items) {
    SendMessage(m_combo, CB_RESETCONTENT, 0, 0);
    for (const auto& s : items) SendMessage(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  }

  // What the key selector does when the list opens: rows = items, at most m_dropRows.
  void SizeOpenList() {
    const int count = static_cast<int>(SendMessage(m_combo, CB_GETCOUNT, 0, 0));
    const int rows = std::max(1, std::min(count, m_dropRows));
    const int rowHeight = static_cast<int>(SendMessage(m_combo, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(m_combo, nullptr, 0, 0, kComboWidth, rows * rowHeight + kComboHeight + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    SetWindowPos(m_combo, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }

  // Twenty items in a list sized for eight rows, opened by its button: more rows than fit, so
  // the list has a scroll bar. The list shown, or nullptr.
  HWND OpenTwentyItemsInEightRows() {
    std::vector<std::string> twenty;
    for (int i = 0; i < kManyItems; ++i) twenty.push_back("Item " + std::to_string(i));
    SetItems(twenty);
    m_dropRows = kFewRows;
    Click(ButtonCentre());
    return ShownList();
  }
  static constexpr int kManyItems = 20;
  static constexpr int kFewRows = 8;

  // Screen point of a spot of the combo box (combo client coordinates).
  static POINT OnCombo(int x, int y) { return {kFormX + kComboX + x, kFormY + kComboY + y}; }
  static POINT ButtonCentre() { return OnCombo(kComboWidth - 2 - 8, kComboHeight / 2); }

  // The pop-up list showing on the display, if any.
  HWND ShownList() {
    for (HWND h : Display().Stacking()) {
      const headless::NativeWindow* w = Display().Native(h);
      if (w != nullptr && w->props.popup && w->state != backend::NativeShowState::Hidden) return h;
    }
    return nullptr;
  }

  COLORREF FormPixel(int comboX, int comboY) {
    return Colour(headless::PresentedPixel(m_form, kComboX + comboX, kComboY + comboY));
  }

  std::string Text() {
    char buffer[40000] = {};
    GetWindowText(m_combo, buffer, sizeof buffer);
    return buffer;
  }

  void Click(POINT p) {
    headless::Click(p.x, p.y);
    headless::PumpUntilIdle();
  }
  void Key(std::uint32_t keysym, std::uint32_t modifier = 0) {
    if (modifier != 0) headless::KeyDown(modifier);
    headless::PressKey(keysym);
    if (modifier != 0) headless::KeyUp(modifier);
    headless::PumpUntilIdle();
  }
  int CurSel() { return static_cast<int>(SendMessage(m_combo, CB_GETCURSEL, 0, 0)); }
  std::pair<int, int> EditSel() {
    DWORD start = 0;
    DWORD end = 0;
    SendMessage(m_combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
  }

  HWND m_form = nullptr;
  HWND m_combo = nullptr;
  HFONT m_font = nullptr;
  int m_dropRows = 15;
  std::vector<int> m_notes;
  std::function<void(int)> m_onNote;  // the parent's own reaction to a notification
};

}  // namespace combotest
