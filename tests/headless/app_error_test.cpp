// SPDX-License-Identifier: GPL-3.0-or-later
// The error display in whole-program runs: what the user sees when a handler fails (the message
// with the period rule, the program's title, the stop icon and OK), what the window looks like
// afterwards, and a failing creation handler.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "core/control.h"
#include "core/exceptions.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"
#include "support/program_file.h"

namespace {

using apptest::ClickFailingLabel;
using apptest::RunOptions;
using apptest::RunProgram;

struct PeriodCase {
  const char* messageUtf8;
  const char* shownUtf8;
};

// A period is added exactly when the last character's code is above that of ".".
const PeriodCase kPeriodCases[] = {
    {"No MCI device open", "No MCI device open."},
    {"Arquivo não encontrado.", "Arquivo não encontrado."},
    {"Termina com espaço ", "Termina com espaço "},
    {"Pronto!", "Pronto!"},
    {"Entre parênteses (nota)", "Entre parênteses (nota)"},
    {"Quebra de linha\r\n", "Quebra de linha\r\n"},
    {"Quebra\n", "Quebra\n"},
    {"Pergunta?", "Pergunta?."},
    {"List index out of bounds (5", "List index out of bounds (5."},
    {"Índice 7", "Índice 7."},
    {"Termina em acento é", "Termina em acento é."},
    {"Sensível Dim°", "Sensível Dim°."},
    {"vírgula,", "vírgula,"},
    {"hífen -", "hífen -"},
    {"barra /", "barra /."},
    {"dois pontos:", "dois pontos:."},
    {"", ""},
};

TEST(AppErrorDisplay, AFailingHandlerShowsItsMessageByThePeriodRule) {
  std::vector<apptest::Step> steps;
  for (const PeriodCase& c : kPeriodCases) {
    std::string message = text::Utf8ToCp1252(c.messageUtf8);
    steps.push_back([message] { ClickFailingLabel([message] { throw Exception(message); }); });
  }
  bool stillRunning = false;
  steps.push_back([&] {
    stillRunning = Form1 != nullptr && IsWindowVisible(Form1->Handle());
    apptest::RequestCloseOf(Form1->Handle());
  });
  HWND appWindow = nullptr;
  steps.insert(steps.begin(), [&] { appWindow = Application->AppWindow(); });
  auto result = RunProgram({}, steps);
  EXPECT_TRUE(stillRunning) << "an error never ends the program";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
  ASSERT_EQ(result.boxes.size(), std::size(kPeriodCases));
  for (std::size_t i = 0; i < result.boxes.size(); ++i) {
    const auto& box = result.boxes[i];
    SCOPED_TRACE(kPeriodCases[i].messageUtf8);
    EXPECT_EQ(box.text, text::Utf8ToCp1252(kPeriodCases[i].shownUtf8));
    EXPECT_EQ(box.caption, "headless_tests") << "the program's title";
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(box.owner, appWindow) << "owned by the application window";
  }
}

// The same box for errors of the program's own kinds raised the usual ways.
TEST(AppErrorDisplay, ShowsEveryKindOfTheProgramsErrors) {
  auto result = RunProgram(
      {},
      {
          [] {
            ClickFailingLabel([] { Raise<EInvalidOperation>("Cannot change Visible in OnShow or OnHide"); });
          },
          [] { ClickFailingLabel([] { RaiseFmt<EListError>("List index out of bounds (%d)", 15); }); },
          [] { ClickFailingLabel([] { throw EOutOfResources("Error creating window class"); }); },
          [] { apptest::RequestCloseOf(Form1->Handle()); },
      });
  ASSERT_EQ(result.boxes.size(), 3u);
  EXPECT_EQ(result.boxes[0].text, "Cannot change Visible in OnShow or OnHide.");
  EXPECT_EQ(result.boxes[1].text, "List index out of bounds (15)") << "\")\" lies below \".\"";
  EXPECT_EQ(result.boxes[2].text, "Error creating window class.");
  EXPECT_EQ(result.exitCode, 0);
}

// An error object that is not one of the program's is shown in the fatal box's words, and the
// program goes on.
TEST(AppErrorDisplay, AForeignErrorIsShownAsAnApplicationErrorAndTheProgramGoesOn) {
  bool stillRunning = false;
  auto result = RunProgram({}, {
                                   [] { ClickFailingLabel([] { throw std::runtime_error("externo"); }); },
                                   [&] {
                                     stillRunning = Form1 != nullptr && IsWindowVisible(Form1->Handle());
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].caption, "Application Error");
  // The object's class, the program's own file, no address, and no message of the program's.
  EXPECT_EQ(result.boxes[0].text, std::string("Exception std::runtime_error in module headless_tests") +
                                      testsupport::kProgramSuffix + " at 00000000.\r\n\r\n");
  EXPECT_EQ(result.boxes[0].flags & (MB_OK | MB_ICONSTOP), static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

// While the box is open the window takes no input; afterwards it is active again and the control
// that had the focus has it again.
TEST(AppErrorDisplay, AfterTheBoxTheWindowIsActiveWithTheSameControlFocused) {
  apptest::ResourceSwap swap;
  RunOptions options;
  options.resources =
      swap.SetDescription("TTESTFORM", apptest::TestFormDescription(
                                           "control TTestBox Box1\n  Left 10\n  Top 10\n  TabOrder 0\n"
                                           "control TTestBox Box2\n  Left 10\n  Top 50\n  TabOrder 1\n"
                                           "control TTestBox Box3\n  Left 10\n  Top 90\n  TabOrder 2\n"))
          .Set();
  std::vector<headless::MessageBoxRecord> open;
  options.boxHandler = [&](const headless::MessageBoxRecord& r) { open.push_back(r); };
  HWND box2 = nullptr;
  std::vector<std::string> checked;
  auto result =
      apptest::RunWithForm(options,
                           {
                               [&] {
                                 ASSERT_NE(TestForm, nullptr);
                                 box2 = TestForm->Box("Box2")->Handle();
                                 TestForm->Box("Box2")->OnKeyDown = [](TComponent*, WORD& key, TShiftState) {
                                   if (key == 'X') throw Exception("Tecla proibida");
                                 };
                                 headless::PressKey(headless::keys::kTab);  // Box1 -> Box2
                               },
                               [&] {
                                 EXPECT_EQ(GetFocus(), box2);
                                 headless::PressKey('x');
                               },
                               [&] {
                                 // The box's own loop is running: the box is active, the window disabled.
                                 ASSERT_EQ(open.size(), 1u);
                                 EXPECT_EQ(GetActiveWindow(), open[0].box);
                                 EXPECT_FALSE(IsWindowEnabled(TestForm->Handle()));
                                 EXPECT_FALSE(IsWindowEnabled(Application->AppWindow())) << "the box's owner";
                                 // A click on another box goes nowhere.
                                 POINT p = TestForm->Box("Box3")->ClientToScreen({5, 5});
                                 headless::Click(p.x, p.y);
                                 checked.push_back("during");
                               },
                               [&] {
                                 EXPECT_NE(GetFocus(), TestForm->Box("Box3")->Handle());
                                 // The user answers the box.
                                 headless::KeyDown(headless::keys::kReturn, "\r");
                                 headless::KeyUp(headless::keys::kReturn);
                               },
                               [&] {
                                 EXPECT_FALSE(IsWindow(open[0].box)) << "the box is gone";
                                 EXPECT_TRUE(IsWindowEnabled(TestForm->Handle()));
                                 EXPECT_EQ(GetActiveWindow(), TestForm->Handle());
                                 EXPECT_EQ(GetFocus(), box2);
                                 EXPECT_EQ(TestForm->ActiveControl(), TestForm->Box("Box2"));
                                 checked.push_back("after");
                                 // The program goes on as before: Tab still moves on from the same place.
                                 headless::PressKey(headless::keys::kTab);
                               },
                               [&] {
                                 EXPECT_EQ(GetFocus(), TestForm->Box("Box3")->Handle());
                                 apptest::RequestCloseOf(TestForm->Handle());
                               },
                           },
                           apptest::RunTestFormSequence);
  EXPECT_EQ(checked, (std::vector<std::string>{"during", "after"}));
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Tecla proibida.");
  EXPECT_EQ(result.boxes[0].caption, "headless_tests");
  EXPECT_EQ(result.boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

// A press on a label that fails while the label holds the mouse: the capture ends before the box,
// so the box and the window take the mouse normally afterwards.
TEST(AppErrorDisplay, APressThatFailsEndsTheMouseCaptureBeforeTheBox) {
  HWND captureDuringBox = reinterpret_cast<HWND>(1);
  TControl* captureControlDuringBox = reinterpret_cast<TControl*>(1);
  HWND form = nullptr;
  int clicks = 0;
  RunOptions options;
  options.boxHandler = [&](const headless::MessageBoxRecord&) {
    captureDuringBox = GetCapture();
    captureControlDuringBox = CaptureControl();
    // The user presses Enter in the box.
    headless::KeyDown(headless::keys::kReturn, "\r");
    headless::KeyUp(headless::keys::kReturn);
  };
  auto result = RunProgram(options, {
                                        [&] {
                                          form = Form1->Handle();
                                          Form1->Label3->OnMouseDown = [](TComponent*, TMouseButton,
                                                                          TShiftState, int, int) {
                                            throw Exception("Falha ao pressionar");
                                          };
                                          POINT p = Form1->Label3->ClientToScreen({4, 4});
                                          headless::MouseMove(p.x, p.y);
                                          headless::MouseDown();
                                        },
                                        [&] { headless::MouseUp(); },
                                        [&] {
                                          EXPECT_EQ(GetCapture(), nullptr);
                                          EXPECT_EQ(CaptureControl(), nullptr);
                                          // The next press and release on a label is an ordinary click.
                                          Form1->Label3->OnMouseDown = nullptr;
                                          Form1->Label5->OnClick = [&](TComponent*) { ++clicks; };
                                          POINT p = Form1->Label5->ClientToScreen({4, 4});
                                          headless::Click(p.x, p.y);
                                        },
                                        [&] { apptest::RequestCloseOf(Form1->Handle()); },
                                    });
  EXPECT_NE(form, nullptr);
  EXPECT_NE(captureDuringBox, form) << "the window still held the mouse while the box was open";
  EXPECT_EQ(captureControlDuringBox, nullptr) << "the label still held the mouse while the box was open";
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Falha ao pressionar.");
  EXPECT_EQ(result.exitCode, 0);
}

// The creation handler fails: the box comes before the window appears, and the window still
// appears, complete, with its first control focused.
TEST(AppErrorDisplay, AFailingCreationHandlerIsShownBeforeTheWindowWhichStillAppears) {
  apptest::ResourceSwap swap;
  RunOptions options;
  options.resources =
      swap.SetDescription("TTESTFORM", apptest::TestFormDescription(
                                           "control TTestBox Box1\n  Left 10\n  Top 10\n  TabOrder 0\n"
                                           "control TTestBox Box2\n  Left 10\n  Top 50\n  TabOrder 1\n"))
          .Set();
  struct Seen {
    bool ran = false;
    bool complete = false;
    bool visibleAtBox = true;
    bool boxBeforeLoop = false;
  } seen;
  TTestForm::s_onCreate = [&](TTestForm* form) {
    seen.ran = true;
    // Runs after the whole window has been built.
    seen.complete = form->Box("Box1") && form->Box("Box2") && form->ClientWidth() == 400 &&
                    form->ClientHeight() == 200 && TestForm == form;
    throw Exception(text::Utf8ToCp1252("Falha na criação"));
  };
  options.boxHandler = [&](const headless::MessageBoxRecord&) {
    seen.visibleAtBox = TestForm && TestForm->HandleAllocated() && IsWindowVisible(TestForm->Handle());
    seen.boxBeforeLoop = Application && !Application->LoopRunning();
    headless::KeyDown(headless::keys::kReturn, "\r");
    headless::KeyUp(headless::keys::kReturn);
  };
  bool appeared = false;
  auto result = apptest::RunWithForm(options,
                                     {
                                         [&] {
                                           ASSERT_NE(TestForm, nullptr);
                                           appeared = IsWindowVisible(TestForm->Handle());
                                           EXPECT_EQ(GetActiveWindow(), TestForm->Handle());
                                           EXPECT_EQ(GetFocus(), TestForm->Box("Box1")->Handle());
                                           RECT r{};
                                           GetWindowRect(TestForm->Handle(), &r);
                                           EXPECT_EQ(r.left, 188);
                                           EXPECT_EQ(r.top, 107);
                                           apptest::RequestCloseOf(TestForm->Handle());
                                         },
                                     },
                                     apptest::RunTestFormSequence);
  TTestForm::s_onCreate = nullptr;
  EXPECT_TRUE(seen.ran);
  EXPECT_TRUE(seen.complete);
  EXPECT_FALSE(seen.visibleAtBox);
  EXPECT_TRUE(seen.boxBeforeLoop);
  EXPECT_TRUE(appeared);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, text::Utf8ToCp1252("Falha na criação."));
  EXPECT_EQ(result.boxes[0].caption, "headless_tests");
  EXPECT_EQ(result.boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

// The loop's own idle work fails (the control under the mouse is told it arrived, and fails): the
// loop shows the error and goes on.
TEST(AppErrorDisplay, AnErrorInTheLoopsIdleWorkIsShownAndTheLoopGoesOn) {
  apptest::ResourceSwap swap;
  RunOptions options;
  options.resources =
      swap.SetDescription("TTESTFORM", apptest::TestFormDescription(
                                           "control TTestBox Box1\n  Left 10\n  Top 10\n  TabOrder 0\n"))
          .Set();
  bool goesOn = false;
  auto result = apptest::RunWithForm(
      options,
      {
          [] {
            TestForm->Box("Box1")->OnMouseArrives = [] { throw Exception("Falha ao chegar"); };
            POINT p = TestForm->Box("Box1")->ClientToScreen({5, 5});
            headless::MouseMove(p.x, p.y);
          },
          [&] {
            goesOn = IsWindowVisible(TestForm->Handle()) && GetActiveWindow() == TestForm->Handle();
            apptest::RequestCloseOf(TestForm->Handle());
          },
      },
      apptest::RunTestFormSequence);
  EXPECT_TRUE(goesOn);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Falha ao chegar.");
  EXPECT_EQ(result.boxes[0].caption, "headless_tests");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

}  // namespace
