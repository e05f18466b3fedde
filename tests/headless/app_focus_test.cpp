// SPDX-License-Identifier: GPL-3.0-or-later
// Focus and the dialog keys in a whole-program run, with a window of three windowed boxes: the first
// focus, Tab and Shift+Tab in tab order, the keys that must not move the focus, and the focus
// coming back when the window is activated again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/label.h"
#include "app/main_form.h"
#include "platform/backend/backend_events.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"

namespace {

using apptest::RunOptions;
using apptest::RunWithForm;
namespace keys = headless::keys;

// Created in the order Box1, Box2, Box3, with the tab order stored the other way round, so the
// focus order can only come from the stored TabOrder values.
const char* const kThreeBoxes =
    "control TTestBox Box1\n"
    "  Left 10\n  Top 10\n  Width 100\n  Height 30\n  TabOrder 2\n"
    "control TTestBox Box2\n"
    "  Left 10\n  Top 50\n  Width 100\n  Height 30\n  TabOrder 1\n"
    "control TTestBox Box3\n"
    "  Left 10\n  Top 90\n  Width 100\n  Height 30\n  TabOrder 0\n"
    "control TLabel Label1\n"
    "  Left 200\n  Top 10\n  Caption \"Rótulo\"\n";

RunOptions WithBoxes(apptest::ResourceSwap& swap, const std::string& controls) {
  RunOptions options;
  options.resources = swap.SetDescription("TTESTFORM", apptest::TestFormDescription(controls)).Set();
  return options;
}

HWND FocusOf(const char* name) {
  TTestBox* box = TestForm ? TestForm->Box(name) : nullptr;
  return box ? box->Handle() : nullptr;
}

std::string FocusedName() {
  if (!TestForm) return "(no window)";
  HWND focus = GetFocus();
  if (focus == nullptr) return "(none)";
  if (focus == TestForm->Handle()) return "(the window)";
  for (const char* name : {"Box1", "Box2", "Box3", "Box4"}) {
    if (FocusOf(name) == focus) return name;
  }
  return "(another window)";
}

void Tab() { headless::PressKey(keys::kTab); }
void ShiftTab() {
  headless::KeyDown(keys::kShiftL);
  headless::PressKey(keys::kIsoLeftTab);
  headless::KeyUp(keys::kShiftL);
}
void CtrlTab() {
  headless::KeyDown(keys::kControlL);
  headless::PressKey(keys::kTab);
  headless::KeyUp(keys::kControlL);
}

TEST(AppFocus, TabAndShiftTabFollowTheStoredTabOrder) {
  apptest::ResourceSwap swap;
  std::vector<std::string> seen;
  auto look = [&] { seen.push_back(FocusedName()); };
  auto result = RunWithForm(WithBoxes(swap, kThreeBoxes),
                            {
                                [&] { look(), Tab(); },
                                [&] { look(), Tab(); },
                                [&] { look(), Tab(); },
                                [&] { look(), ShiftTab(); },
                                [&] { look(), ShiftTab(); },
                                [&] { look(), ShiftTab(); },
                                [&] { look(), apptest::RequestCloseOf(TestForm->Handle()); },
                            },
                            apptest::RunTestFormSequence);
  std::vector<std::string> expected{"Box3", "Box2", "Box1", "Box3", "Box1", "Box2", "Box3"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(result.stepsLeft, 0u);
}

TEST(AppFocus, KeysThatMustNotMoveTheFocusReachTheFocusedControl) {
  apptest::ResourceSwap swap;
  std::vector<std::string> seen;
  auto look = [&] { seen.push_back(FocusedName()); };
  auto result = RunWithForm(WithBoxes(swap, kThreeBoxes),
                            {
                                [&] { look(), CtrlTab(); },
                                [&] {
                                  look();
                                  // The boxes keep the arrows, as every focusable control of the main window
                                  // does.
                                  for (auto k : {keys::kLeft, keys::kRight, keys::kUp, keys::kDown})
                                    headless::PressKey(k);
                                },
                                [&] {
                                  look();
                                  // No default or cancel button: Enter and Escape are ordinary keys of the
                                  // control.
                                  headless::PressKey(keys::kReturn);
                                  headless::PressKey(keys::kEscape);
                                },
                                [&] {
                                  look();
                                  // A label never takes the focus.
                                  TControl* label = TestForm->Control("Label1");
                                  ASSERT_NE(label, nullptr);
                                  POINT p = label->ClientToScreen({3, 3});
                                  headless::Click(p.x, p.y);
                                },
                                [&] {
                                  look();
                                  ASSERT_NE(TestForm, nullptr);
                                  EXPECT_TRUE(IsWindowVisible(TestForm->Handle()))
                                      << "Escape does not close the window";
                                  TTestBox* box = TestForm->Box("Box3");
                                  // Tab with Ctrl is no dialog key the window handles: the control gets it as
                                  // input.
                                  std::vector<WORD> expected{VK_CONTROL, VK_TAB,  VK_LEFT,   VK_RIGHT,
                                                             VK_UP,      VK_DOWN, VK_RETURN, VK_ESCAPE};
                                  EXPECT_EQ(box->KeysDown(), expected);
                                  EXPECT_EQ(box->Characters(), "\t\r\x1b");
                                  for (const char* other : {"Box1", "Box2"})
                                    EXPECT_TRUE(TestForm->Box(other)->KeysDown().empty());
                                  apptest::RequestCloseOf(TestForm->Handle());
                                },
                            },
                            apptest::RunTestFormSequence);
  std::vector<std::string> expected{"Box3", "Box3", "Box3", "Box3", "Box3"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty()) << result.boxes.front().text;
  EXPECT_EQ(result.stepsLeft, 0u);
}

// With Alt held, Tab and the arrows are no dialog keys the window handles, even for controls that
// do not want the arrows.
TEST(AppFocus, AltKeepsTabAndArrowsFromMovingTheFocus) {
  const std::string boxes =
      "control TTestBox Box1\n  Left 10\n  Top 10\n  WantArrows false\n  TabOrder 0\n"
      "control TTestBox Box2\n  Left 10\n  Top 40\n  WantArrows false\n  TabOrder 1\n";
  apptest::ResourceSwap swap;
  std::vector<std::string> seen;
  auto look = [&] { seen.push_back(FocusedName()); };
  auto withAlt = [](std::uint32_t key) {
    headless::KeyDown(keys::kAltL);
    headless::PressKey(key);
    headless::KeyUp(keys::kAltL);
  };
  auto result = RunWithForm(WithBoxes(swap, boxes),
                            {
                                [&] { look(), withAlt(keys::kTab); },
                                [&] { look(), withAlt(keys::kRight); },
                                [&] { look(), withAlt(keys::kDown); },
                                [&] { look(), apptest::RequestCloseOf(TestForm->Handle()); },
                            },
                            apptest::RunTestFormSequence);
  EXPECT_EQ(seen, (std::vector<std::string>{"Box1", "Box1", "Box1", "Box1"}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
}

// Arrow keys that the control does not want move among its siblings, tab stop or not; Tab skips a
// control without a tab stop, a disabled one and a hidden one.
TEST(AppFocus, ArrowsMoveAmongSiblingsAndTabSkipsWhatCannotTakeIt) {
  const std::string boxes =
      "control TTestBox Box1\n  Left 10\n  Top 10\n  WantArrows false\n  TabOrder 0\n"
      "control TTestBox Box2\n  Left 10\n  Top 40\n  WantArrows false\n  TabStop false\n  TabOrder 1\n"
      "control TTestBox Box3\n  Left 10\n  Top 70\n  WantArrows false\n  Enabled false\n  TabOrder 2\n"
      "control TTestBox Box4\n  Left 10\n  Top 100\n  WantArrows false\n  TabOrder 3\n";
  apptest::ResourceSwap swap;
  std::vector<std::string> seen;
  auto look = [&] { seen.push_back(FocusedName()); };
  auto result = RunWithForm(WithBoxes(swap, boxes),
                            {
                                [&] { look(), Tab(); },                             // Box1 -> Box4
                                [&] { look(), Tab(); },                             // Box4 -> Box1
                                [&] { look(), headless::PressKey(keys::kRight); },  // -> Box2
                                [&] { look(), headless::PressKey(keys::kDown); },   // -> Box4
                                [&] { look(), headless::PressKey(keys::kUp); },     // -> Box2
                                [&] { look(), headless::PressKey(keys::kLeft); },   // -> Box1
                                [&] { look(), headless::PressKey(keys::kLeft); },   // wraps -> Box4
                                [&] { look(), apptest::RequestCloseOf(TestForm->Handle()); },
                            },
                            apptest::RunTestFormSequence);
  std::vector<std::string> expected{"Box1", "Box4", "Box1", "Box2", "Box4", "Box2", "Box1", "Box4"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

TEST(AppFocus, ComesBackToTheSameControlWhenTheWindowIsActivatedAgain) {
  apptest::ResourceSwap swap;
  std::vector<std::string> seen;
  auto look = [&] { seen.push_back(FocusedName()); };
  auto result = RunWithForm(WithBoxes(swap, kThreeBoxes),
                            {
                                [&] {
                                  look();
                                  // A click gives a box the focus.
                                  POINT p = TestForm->Box("Box1")->ClientToScreen({5, 5});
                                  headless::Click(p.x, p.y);
                                },
                                [&] {
                                  look();
                                  // Another program takes the focus, then the user comes back.
                                  headless::Events().FocusChanged(TestForm->Handle(), false);
                                },
                                [&] {
                                  EXPECT_NE(GetActiveWindow(), TestForm->Handle());
                                  headless::Events().FocusChanged(TestForm->Handle(), true);
                                },
                                [&] {
                                  look();
                                  EXPECT_EQ(GetActiveWindow(), TestForm->Handle());
                                  EXPECT_EQ(TestForm->ActiveControl(), TestForm->Box("Box1"));
                                  // Focusing the window itself passes the focus on to its active control.
                                  SetFocus(TestForm->Handle());
                                },
                                [&] { look(), apptest::RequestCloseOf(TestForm->Handle()); },
                            },
                            apptest::RunTestFormSequence);
  std::vector<std::string> expected{"Box3", "Box1", "Box1", "Box1"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

// The real main window: Tab and Shift+Tab go round its windowed controls in their design order
// (grid, key selector, media player, as many of them as the window has), arrows, Enter and Escape
// never move the focus or close the window.
TEST(AppFocus, TheMainWindowTabsThroughItsControlsInDesignOrder) {
  std::vector<std::string> order;
  std::vector<std::string> seen;
  auto focusedName = [] {
    for (int i = 0; i < Form1->ControlCount(); ++i) {
      auto* win = dynamic_cast<TWinControl*>(Form1->Controls(i));
      if (win && win->HandleAllocated() &&
          (GetFocus() == win->Handle() || IsChild(win->Handle(), GetFocus()))) {
        return win->Name();
      }
    }
    return std::string(GetFocus() == Form1->Handle() ? "(the window)" : "(elsewhere)");
  };
  std::vector<apptest::Step> steps;
  steps.push_back([&] {
    for (const char* name : {"StringGrid1", "ComboBox1", "MediaPlayer1"}) {
      if (Form1->FindComponent(name)) order.push_back(name);
    }
    seen.push_back(focusedName());
    Tab();
  });
  for (int i = 0; i < 3; ++i) steps.push_back([&] { seen.push_back(focusedName()), Tab(); });
  for (int i = 0; i < 4; ++i) steps.push_back([&] { seen.push_back(focusedName()), ShiftTab(); });
  steps.push_back([&] {
    seen.push_back(focusedName());
    for (auto k : {keys::kLeft, keys::kRight, keys::kUp, keys::kDown, keys::kReturn, keys::kEscape}) {
      headless::PressKey(k);
    }
  });
  steps.push_back([&] {
    seen.push_back(focusedName());
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    apptest::RequestCloseOf(Form1->Handle());
  });
  auto result = apptest::RunProgram({}, steps);
  ASSERT_FALSE(order.empty()) << "the main window has no windowed control";
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[1], "ComboBox1") << "the key selector comes after the grid";
  const std::size_t n = order.size();
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < 4; ++i) expected.push_back(order[i % n]);
  // Four Tabs forward from the first control, then four Shift+Tabs back to it; the other keys
  // leave the focus there.
  for (std::size_t i = 0; i < 4; ++i) expected.push_back(order[(4 - i) % n]);
  expected.push_back(order[0]);
  expected.push_back(order[0]);
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

}  // namespace
