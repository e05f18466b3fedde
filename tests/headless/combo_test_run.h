// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-program runs with the key selector as the main window places it: a window of the tests'
// own (TTestForm) whose description holds ComboBox1 at 72, 16, 185 x 21, DropDownCount 15,
// ItemHeight 13, Text "Armadura", the fifteen key names and OnChange bound to ComboBox1Change.
// The handler records ItemIndex and Text as it reads them inside the event, and OnClick is
// recorded the same way, so a test sees the order of events and what each handler saw.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1252.h"
#include "controls/combo/custom_combo_box.h"
#include "platform/combo_box.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"
#include "theory/key_table.h"

namespace combotest {

namespace keys = headless::keys;

// What a handler saw: "change" or "click", with ItemIndex and Text read inside it (Text as UTF-8).
struct Seen {
  std::string event;
  int index = -2;
  std::string text;
  bool operator==(const Seen&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << s.event << "(" << s.index << ", \"" << s.text << "\")";
}

// What the field showed after a step: text, selection, ItemIndex, and how many events had fired.
struct Typed {
  std::string field;
  std::pair<int, int> selection;
  int index = -2;
  std::size_t events = 0;
};

inline std::string Utf8(const std::string& cp1252) { return text::Cp1252ToUtf8(cp1252); }
inline std::string KeyName(int item) { return Utf8(std::string(theory::KeyItemText(item))); }

inline std::string ComboDescription(const std::string& extra = {}) {
  std::string d =
      "control TComboBox ComboBox1\n"
      "  Left 72\n  Top 16\n  Width 185\n  Height 21\n"
      "  DropDownCount 15\n  ItemHeight 13\n  TabOrder 0\n"
      "  Text \"Armadura\"\n"
      "  OnChange ComboBox1Change\n" +
      extra + "  Items [\n";
  for (int i = 0; i < theory::kKeyCount; ++i) d += "    \"" + KeyName(i) + "\"\n";
  return d + "  ]\n";
}

inline TComboBox* Combo() {
  return TestForm ? dynamic_cast<TComboBox*>(TestForm->Control("ComboBox1")) : nullptr;
}

inline std::string FieldText() { return Combo() ? Utf8(Combo()->GetText()) : "(no control)"; }

// The field's selection as (start, end).
inline std::pair<int, int> Selection() {
  auto sel = static_cast<std::uintptr_t>(SendMessage(Combo()->Handle(), CB_GETEDITSEL, 0, 0));
  return {LOWORD(sel), HIWORD(sel)};
}

// The visible drop-down list window (a frameless pop-up of the platform), or nullptr.
inline HWND DropList() {
  struct Search {
    HWND found = nullptr;
  } search;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        char name[64] = {};
        GetClassName(hwnd, name, sizeof name);
        if (std::string(name) == "ComboLBox" && IsWindowVisible(hwnd)) {
          reinterpret_cast<Search*>(lParam)->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline RECT ScreenRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

// Screen points a user aims at: the button at the field's right end, a place in the field, a row
// of the open list.
inline POINT ButtonPoint() { return Combo()->ClientToScreen({Combo()->Width() - 8, Combo()->Height() / 2}); }
inline POINT FieldPoint(int x) { return Combo()->ClientToScreen({x, Combo()->Height() / 2}); }
inline POINT RowPoint(int row) {
  POINT p{20, row * 13 + 6};
  ClientToScreen(DropList(), &p);
  return p;
}

inline void ClickAt(POINT p) {
  headless::AdvanceClock(600);  // never a double click with an earlier press
  headless::Click(p.x, p.y);
}

class ComboRun : public ::testing::Test {
 protected:
  void TearDown() override {
    TTestForm::s_onComboBox1Change = nullptr;
    TTestForm::s_onCreate = nullptr;
  }

  // Runs the window with `steps`, recording every OnChange (and OnClick) into `seen`; the window
  // is closed after the last step. `onChange` runs inside the handler after the recording.
  apptest::RunResult Run(std::vector<apptest::Step> steps, std::function<void()> onChange = {},
                         const std::string& extra = {}) {
    TTestForm::s_onComboBox1Change = [this, onChange](TComponent* sender) {
      auto* combo = dynamic_cast<TComboBox*>(sender);
      seen.push_back({"change", combo ? combo->ItemIndex() : -3, combo ? Utf8(combo->GetText()) : ""});
      if (onChange) onChange();
    };
    TTestForm::s_onCreate = [this](TTestForm*) {
      if (TComboBox* combo = Combo()) {
        combo->OnClick = [this](TComponent*) {
          seen.push_back({"click", Combo()->ItemIndex(), FieldText()});
        };
      }
    };
    steps.push_back([] { apptest::RequestCloseOf(TestForm->Handle()); });
    apptest::RunOptions options;
    options.resources =
        m_swap.SetDescription("TTESTFORM", apptest::TestFormDescription(ComboDescription(extra))).Set();
    return apptest::RunWithForm(options, std::move(steps), apptest::RunTestFormSequence);
  }

  std::vector<Seen> seen;

 private:
  apptest::ResourceSwap m_swap;
};

}  // namespace combotest
