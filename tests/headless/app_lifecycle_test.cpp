// SPDX-License-Identifier: GPL-3.0-or-later
// The program's life in whole-program runs with a test window: its controls go in the right order
// at the end, the whole program minimises and comes back with the focus where it was, the
// application window hands the focus on, the mouse's comings and goings are told to the controls,
// and a failing show handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "core/exceptions.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"

namespace {

using apptest::RunOptions;

const char* const kBoxes =
    "control TTestBox Box1\n  Left 10\n  Top 10\n  Width 100\n  Height 30\n  TabOrder 0\n"
    "control TTestBox Box2\n  Left 10\n  Top 50\n  Width 100\n  Height 30\n  TabOrder 1\n"
    "control TTestBox Box3\n  Left 10\n  Top 90\n  Width 100\n  Height 30\n  TabOrder 2\n";

RunOptions Options(apptest::ResourceSwap& swap, const std::string& windowExtra = {}) {
  RunOptions options;
  std::string description = apptest::TestFormDescription(kBoxes);
  if (!windowExtra.empty()) description = apptest::InsertAfter(description, "OnCreate", windowExtra);
  options.resources = swap.SetDescription("TTESTFORM", description).Set();
  return options;
}

TEST(AppLifecycle, AtTheEndTheControlsGoLastCreatedFirstAfterTheLoop) {
  apptest::ResourceSwap swap;
  struct Gone {
    std::string name;
    bool applicationAlive;
    bool loopRunning;
  };
  std::vector<Gone> gone;
  TTestBox::s_onDestroy = [&](TTestBox* box) {
    gone.push_back({box->Name(), Application != nullptr, Application && Application->LoopRunning()});
  };
  auto result = apptest::RunWithForm(Options(swap), {[] { apptest::RequestCloseOf(TestForm->Handle()); }},
                                     apptest::RunTestFormSequence);
  TTestBox::s_onDestroy = nullptr;
  ASSERT_EQ(gone.size(), 3u);
  EXPECT_EQ(gone[0].name, "Box3");
  EXPECT_EQ(gone[1].name, "Box2");
  EXPECT_EQ(gone[2].name, "Box1");
  for (const Gone& g : gone) {
    EXPECT_TRUE(g.applicationAlive) << g.name << ": the window goes before the application object";
    EXPECT_FALSE(g.loopRunning) << g.name << ": the window goes after the loop ended";
  }
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppLifecycle, MinimisingAndRestoringTheProgramKeepsTheFocusedControl) {
  apptest::ResourceSwap swap;
  std::vector<std::string> checked;
  auto result = apptest::RunWithForm(
      Options(swap),
      {
          [] { headless::PressKey(headless::keys::kTab); },  // Box1 -> Box2
          [&] {
            EXPECT_EQ(GetFocus(), TestForm->Box("Box2")->Handle());
            // The taskbar button's click while the program is active.
            PostMessage(Application->AppWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
          },
          [&] {
            EXPECT_TRUE(IsIconic(Application->AppWindow()));
            EXPECT_FALSE(IsWindowVisible(TestForm->Handle())) << "the window goes with the program";
            checked.push_back("minimised");
            // Minimising again changes nothing.
            PostMessage(Application->AppWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
          },
          [&] {
            EXPECT_TRUE(IsIconic(Application->AppWindow()));
            PostMessage(Application->AppWindow(), WM_SYSCOMMAND, SC_RESTORE, 0);
          },
          [&] {
            EXPECT_FALSE(IsIconic(Application->AppWindow()));
            EXPECT_TRUE(IsWindowVisible(TestForm->Handle()));
            EXPECT_EQ(GetActiveWindow(), TestForm->Handle());
            EXPECT_EQ(GetFocus(), TestForm->Box("Box2")->Handle());
            RECT r{};
            GetWindowRect(TestForm->Handle(), &r);
            EXPECT_EQ(r.left, 188);
            EXPECT_EQ(r.top, 107);
            RECT app{};
            GetWindowRect(Application->AppWindow(), &app);
            EXPECT_EQ(app.left, 640) << "the application window is back at the screen's centre";
            EXPECT_EQ(app.top, 512);
            EXPECT_EQ(app.right - app.left, 0);
            EXPECT_EQ(app.bottom - app.top, 0);
            checked.push_back("restored");
            apptest::RequestCloseOf(TestForm->Handle());
          },
      },
      apptest::RunTestFormSequence);
  EXPECT_EQ(checked, (std::vector<std::string>{"minimised", "restored"}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

TEST(AppLifecycle, TheApplicationWindowHandsTheFocusToTheWindowsActiveControl) {
  apptest::ResourceSwap swap;
  HWND focusAfter = nullptr;
  HWND expected = nullptr;
  auto result = apptest::RunWithForm(Options(swap),
                                     {
                                         [] { headless::PressKey(headless::keys::kTab); },
                                         [&] {
                                           expected = TestForm->Box("Box2")->Handle();
                                           SetFocus(Application->AppWindow());
                                         },
                                         [&] {
                                           focusAfter = GetFocus();
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  EXPECT_NE(expected, nullptr);
  EXPECT_EQ(focusAfter, expected);
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppLifecycle, TheControlUnderTheMouseIsToldWhenItComesAndGoes) {
  apptest::ResourceSwap swap;
  std::vector<std::string> box1;
  std::vector<std::string> box2;
  auto result = apptest::RunWithForm(Options(swap),
                                     {
                                         [] {
                                           POINT p = TestForm->Box("Box1")->ClientToScreen({5, 5});
                                           headless::MouseMove(p.x, p.y);
                                         },
                                         [] {
                                           POINT p = TestForm->Box("Box2")->ClientToScreen({5, 5});
                                           headless::MouseMove(p.x, p.y);
                                         },
                                         [] {
                                           // Off the window entirely.
                                           headless::MouseMove(1100, 900);
                                         },
                                         [&] {
                                           box1 = TestForm->Box("Box1")->MouseVisits();
                                           box2 = TestForm->Box("Box2")->MouseVisits();
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  EXPECT_EQ(box1, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(box2, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppLifecycle, AFailingShowHandlerIsShownAndTheWindowStillShows) {
  apptest::ResourceSwap swap;
  int shows = 0;
  TTestForm::s_onShow = [&](TTestForm*) {
    ++shows;
    throw Exception("Falha ao mostrar");
  };
  bool shown = false;
  auto result = apptest::RunWithForm(Options(swap, "  OnShow FormShow"),
                                     {
                                         [&] {
                                           shown = IsWindowVisible(TestForm->Handle());
                                           EXPECT_EQ(GetFocus(), TestForm->Box("Box1")->Handle());
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  TTestForm::s_onShow = nullptr;
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(shown);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Falha ao mostrar.");
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppLifecycle, ChangingVisibleInsideTheShowHandlerIsRefused) {
  apptest::ResourceSwap swap;
  TTestForm::s_onShow = [](TTestForm* form) { form->SetVisible(false); };
  bool shown = false;
  auto result = apptest::RunWithForm(Options(swap, "  OnShow FormShow"),
                                     {
                                         [&] {
                                           shown = IsWindowVisible(TestForm->Handle());
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  TTestForm::s_onShow = nullptr;
  EXPECT_TRUE(shown);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Cannot change Visible in OnShow or OnHide.");
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppLifecycle, TheWindowAgreesToEndTheSession) {
  apptest::ResourceSwap swap;
  LRESULT answer = -1;
  auto result = apptest::RunWithForm(Options(swap),
                                     {
                                         [&] {
                                           answer = SendMessage(TestForm->Handle(), WM_QUERYENDSESSION, 0, 0);
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(result.exitCode, 0);
}

// A window whose description says Visible shows itself once created, before the loop, and only
// once.
TEST(AppLifecycle, AStoredVisibleShowsTheWindowOnceBeforeTheLoop) {
  apptest::ResourceSwap swap;
  std::vector<bool> loopRunningAtShow;
  TTestForm::s_onShow = [&](TTestForm*) { loopRunningAtShow.push_back(Application->LoopRunning()); };
  bool shown = false;
  auto result = apptest::RunWithForm(Options(swap, "  OnShow FormShow\n  Visible true"),
                                     {
                                         [&] {
                                           shown = IsWindowVisible(TestForm->Handle());
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  TTestForm::s_onShow = nullptr;
  EXPECT_TRUE(shown);
  EXPECT_EQ(loopRunningAtShow, std::vector<bool>{false});
  EXPECT_EQ(result.exitCode, 0);
}

// A centred window is placed once, at its first showing.
TEST(AppLifecycle, AScreenCentredWindowIsPlacedInTheMiddleOfTheScreen) {
  apptest::ResourceSwap swap;
  RECT first{};
  RECT afterRestore{};
  auto result =
      apptest::RunWithForm(Options(swap, "  Position poScreenCenter"),
                           {
                               [&] {
                                 GetWindowRect(TestForm->Handle(), &first);
                                 PostMessage(Application->AppWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
                               },
                               [&] { PostMessage(Application->AppWindow(), WM_SYSCOMMAND, SC_RESTORE, 0); },
                               [&] {
                                 GetWindowRect(TestForm->Handle(), &afterRestore);
                                 EXPECT_EQ(TestForm->Position(), TPosition::poDesigned) << "placed only once";
                                 apptest::RequestCloseOf(TestForm->Handle());
                               },
                           },
                           apptest::RunTestFormSequence);
  const int width = first.right - first.left;
  const int height = first.bottom - first.top;
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 200);
  EXPECT_EQ(first.left, (1280 - width) / 2);
  EXPECT_EQ(first.top, (1024 - height) / 2);
  EXPECT_EQ(afterRestore.left, first.left);
  EXPECT_EQ(afterRestore.top, first.top);
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
