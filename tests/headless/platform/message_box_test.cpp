// SPDX-License-Identifier: GPL-3.0-or-later
// The modal message box: what it records and shows, how the user answers it, and that the program
// keeps running (paints, timers, posted messages) while its owner refuses input.
#include <gmock/gmock.h>

#include <string>

#include "platform/accessibility.h"
#include "platform/backend/backend_events.h"
#include "platform/gdi.h"
#include "platform/loop/timer_list.h"
#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/event_recorder.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using namespace testwin;

namespace {

class MessageBoxTest : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    m_owner = TopLevel(100, 100, 400, 300, "Owner");
    ShowWindow(m_owner, SW_SHOWNORMAL);
    headless::PumpUntilIdle();
    TheLog().Clear();
  }

  // The box's client rectangle on the screen.
  RECT BoxRect(HWND box) {
    const headless::NativeWindow* native = Display().Native(box);
    return native ? native->rect : RECT{};
  }
  // The centre of the OK button: bottom-centre of the box, 12 px margin, 75 x 23.
  POINT ButtonCentre(HWND box) {
    RECT r = BoxRect(box);
    return {(r.left + r.right) / 2, r.bottom - 12 - 23 / 2};
  }

  HWND m_owner = nullptr;
};

TEST_F(MessageBoxTest, RecordsTextCaptionFlagsAndDisablesItsOwnerWhileOpen) {
  bool ownerEnabledInside = true;
  bool boxIsModalDialog = false;
  HWND transientFor = nullptr;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    ownerEnabledInside = IsWindowEnabled(m_owner);
    const headless::NativeWindow* native = Display().Native(box.box);
    ASSERT_NE(native, nullptr);
    boxIsModalDialog = native->props.dialog && native->props.modal;
    transientFor = native->props.transientFor;
    headless::PressKey(headless::keys::kReturn);
  });
  int result = MessageBox(m_owner, "No MCI device open.", "tessivo", MB_OK | MB_ICONSTOP);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const auto& record = headless::MessageBoxes()[0];
  EXPECT_EQ(record.text, "No MCI device open.");
  EXPECT_EQ(record.caption, "tessivo");
  EXPECT_EQ(record.flags, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(record.owner, m_owner);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(boxIsModalDialog);
  EXPECT_EQ(transientFor, m_owner);
  // Afterwards the owner takes input again and the box is gone.
  EXPECT_TRUE(IsWindowEnabled(m_owner));
  EXPECT_FALSE(IsWindow(record.box));
}

TEST_F(MessageBoxTest, EnterSpaceAndEscapeEachAnswerOk) {
  for (std::uint32_t key : {headless::keys::kReturn, headless::keys::kSpace, headless::keys::kEscape}) {
    headless::SetMessageBoxHandler([key](const headless::MessageBoxRecord&) { headless::PressKey(key); });
    EXPECT_EQ(MessageBox(m_owner, "x", "y", MB_OK), IDOK) << "keysym " << key;
  }
  EXPECT_EQ(headless::MessageBoxes().size(), 3u);
}

TEST_F(MessageBoxTest, TheOkButtonAnswersOnlyWhenReleasedOverIt) {
  int step = 0;
  bool stillOpenAfterReleaseOutside = false;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    POINT ok = ButtonCentre(box.box);
    RECT r = BoxRect(box.box);
    // Press on OK, drag off the box, release: no answer.
    headless::MouseMove(ok.x, ok.y);
    headless::MouseDown();
    headless::MouseMove(r.left + 5, r.top + 5);
    headless::MouseUp();
    headless::PumpUntilIdle();
    stillOpenAfterReleaseOutside = IsWindow(box.box) != 0;
    step = 1;
    // A real click on OK answers.
    headless::Click(ok.x, ok.y);
  });
  EXPECT_EQ(MessageBox(m_owner, "Clique em OK", "Tessivo", MB_OK), IDOK);
  EXPECT_EQ(step, 1);
  EXPECT_TRUE(stillOpenAfterReleaseOutside);
}

TEST_F(MessageBoxTest, TheProgramKeepsRunningWhileTheBoxIsOpenButTheOwnerTakesNoInput) {
  SetTimer(m_owner, 7, 50, nullptr);
  HWND other = TopLevel(600, 100, 100, 100, "Other");
  int timersInside = 0;
  int postedInside = 0;
  int paintsInside = 0;
  int clicksOnOwner = 0;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord&) {
    PostMessage(other, WM_USER + 5, 0, 0);
    InvalidateRect(m_owner, nullptr, TRUE);
    headless::AdvanceClock(120);
    headless::Click(150, 150);  // on the owner, which is disabled
    headless::PumpUntilIdle();
    timersInside = TheLog().Count(WM_TIMER, m_owner);
    postedInside = TheLog().Count(WM_USER + 5, other);
    paintsInside = TheLog().Count(WM_PAINT, m_owner);
    clicksOnOwner = TheLog().Count(WM_LBUTTONDOWN, m_owner);
    headless::PressKey(headless::keys::kEscape);
  });
  MessageBox(m_owner, "Enquanto isso...", "Tessivo", MB_OK);
  KillTimer(m_owner, 7);
  EXPECT_EQ(timersInside, 2);
  EXPECT_EQ(postedInside, 1);
  EXPECT_GE(paintsInside, 1);
  EXPECT_EQ(clicksOnOwner, 0);
}

TEST_F(MessageBoxTest, TheStopIconShowsOnlyForTheStopFlag) {
  std::uint32_t discWithIcon = 0;
  std::uint32_t discWithout = 0;
  std::uint32_t face = PixelFromColor(GetSysColor(COLOR_BTNFACE));
  auto probe = [&](std::uint32_t* out) {
    return [&, out](const headless::MessageBoxRecord& box) {
      headless::PumpUntilIdle();
      // Left of the disc's centre, inside the red part (the icon is 32 x 32 at 12, 12).
      *out = headless::PresentedPixel(box.box, 12 + 5, 12 + 16);
      headless::PressKey(headless::keys::kReturn);
    };
  };
  headless::SetMessageBoxHandler(probe(&discWithIcon));
  MessageBox(m_owner, "Erro", "Tessivo", MB_OK | MB_ICONSTOP);
  headless::SetMessageBoxHandler(probe(&discWithout));
  MessageBox(m_owner, "Aviso", "Tessivo", MB_OK);
  EXPECT_EQ(discWithIcon, 0xFF0000u);
  EXPECT_EQ(discWithout, face);
}

TEST_F(MessageBoxTest, LongTextIsWrappedToASensibleWidth) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "palavra ";
  RECT shortBox{};
  RECT longBox{};
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    (box.text.size() > 20 ? longBox : shortBox) = BoxRect(box.box);

    headless::PressKey(headless::keys::kReturn);
  });
  MessageBox(m_owner, "Curto", "Tessivo", MB_OK | MB_ICONSTOP);
  MessageBox(m_owner, text.c_str(), "Tessivo", MB_OK | MB_ICONSTOP);
  // On one line the text would be well over 1000 px wide; wrapped, it is a few lines of 13 px.
  int longWidth = longBox.right - longBox.left;
  EXPECT_LE(longWidth, 520);
  EXPECT_GE(longBox.bottom - longBox.top, shortBox.bottom - shortBox.top + 13);
  // Centred on the screen (1280 x 1024).
  EXPECT_NEAR((longBox.left + longBox.right) / 2, 640, 1);
}

TEST_F(MessageBoxTest, AQuitRequestClosesTheBoxAndIsLeftForTheOuterLoop) {
  headless::SetMessageBoxHandler([](const headless::MessageBoxRecord&) { PostQuitMessage(3); });
  MessageBox(m_owner, "Saindo", "Tessivo", MB_OK);
  EXPECT_TRUE(IsWindowEnabled(m_owner));
  MSG msg{};
  bool sawQuit = false;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      sawQuit = true;
      EXPECT_EQ(msg.wParam, 3u);
    }
  }
  EXPECT_TRUE(sawQuit);
}

// The box can go under its own loop: its owner destroyed takes it along, and a stopped platform
// takes every window. The loop then ends at once, as if OK was chosen, and waits for nothing more.
TEST_F(MessageBoxTest, ABoxDestroyedUnderItsLoopEndsTheLoop) {
  HWND shown = nullptr;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    shown = box.box;
    DestroyWindow(m_owner);
    // Should the loop wait on for the gone box, this step ends it another way.
    headless::SetIdleScript({[] { PostQuitMessage(0); }});
  });
  EXPECT_EQ(MessageBox(m_owner, "Sem dono", "Tessivo", MB_OK), IDOK);
  EXPECT_EQ(Display().IdleStepsLeft(), 1u);
  headless::SetIdleScript({});
  EXPECT_FALSE(IsWindow(shown));

  headless::SetMessageBoxHandler([](const headless::MessageBoxRecord&) { ShutdownPlatform(); });
  EXPECT_EQ(MessageBox(nullptr, "Parando", "Tessivo", MB_OK | MB_TASKMODAL), IDOK);
}

TEST_F(MessageBoxTest, ATaskModalBoxWithoutOwnerDisablesEveryWindow) {
  bool ownerEnabledInside = true;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord&) {
    ownerEnabledInside = IsWindowEnabled(m_owner);
    headless::PressKey(headless::keys::kReturn);
  });
  MessageBox(nullptr, "Fatal", "Application Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(m_owner));
}

// A screen reader hears the box appear (shown, then activated, then the focus on its OK button),
// reads an alert with the message and the button where they are drawn, and the button's "click",
// asked for as a reader asks, answers the box as OK does: the box goes without the loop idling.
TEST_F(MessageBoxTest, AScreenReaderReadsTheAlertAndItsClickAnswersAsOkDoes) {
  using enum a11y::State;
  const a11ytest::EventRecorder heard;
  HWND shown = nullptr;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    shown = box.box;
    a11y::Provider& alert = *a11y::ProviderOf(box.box);
    EXPECT_EQ(alert.RoleOf(a11y::kSelf), a11y::Role::kAlert);
    EXPECT_EQ(alert.NameOf(a11y::kSelf), "Tessivo");
    EXPECT_TRUE(
        a11ytest::HasStates(alert.StatesOf(a11y::kSelf), {kModal, kActive, kShowing, kVisible, kEnabled}));
    const std::vector<a11y::ObjectRef> parts = alert.ChildrenOf(a11y::kSelf);
    ASSERT_EQ(parts.size(), 2u);
    const a11y::ChildId message = parts[0].child;
    const a11y::ChildId ok = parts[1].child;
    EXPECT_EQ(alert.RoleOf(message), a11y::Role::kLabel);
    EXPECT_EQ(alert.NameOf(message), "No MCI device open.");
    EXPECT_EQ(alert.TextOf(message), "No MCI device open.");
    EXPECT_EQ(alert.RoleOf(ok), a11y::Role::kPushButton);
    EXPECT_EQ(alert.NameOf(ok), "OK");
    EXPECT_THAT(alert.ActionsOf(ok), ::testing::ElementsAre("click"));
    EXPECT_TRUE(alert.StatesOf(ok).Has(kFocused));
    // The button's bounds hold the point a click aims at, and their corner is its black frame.
    const RECT button = alert.BoundsOf(ok);
    const POINT centre = ButtonCentre(box.box);
    EXPECT_TRUE(centre.x > button.left && centre.x < button.right && centre.y > button.top &&
                centre.y < button.bottom);
    POINT corner{button.left, button.top};
    ScreenToClient(box.box, &corner);
    EXPECT_EQ(headless::PresentedPixel(box.box, corner.x, corner.y), 0x000000u);
    const int created = heard.IndexOf(a11y::EventKind::kWindowCreated, {box.box, a11y::kSelf});
    const int activated = heard.IndexOf(a11y::EventKind::kWindowActivated, {box.box, a11y::kSelf});
    const int focused = heard.IndexOf(a11y::EventKind::kFocus, {box.box, ok});
    EXPECT_TRUE(created >= 0 && created < activated && activated < focused);
    EXPECT_GE(heard.IndexOf(a11y::EventKind::kWindowDeactivated, {m_owner, a11y::kSelf}), 0);
    // The request runs from the loop at the timers' shortest delay. Should it not have answered,
    // the box's loop idles and this step ends the box another way.
    a11y::Request({box.box, ok}, a11y::RequestKind::kDoAction, 0);
    headless::AdvanceClock(loop::TimerList::kMinimumElapse);
    headless::SetIdleScript({[] { PostQuitMessage(0); }});
  });
  EXPECT_EQ(MessageBox(m_owner, "No MCI device open.", "Tessivo", MB_OK | MB_ICONSTOP), IDOK);
  EXPECT_EQ(Display().IdleStepsLeft(), 1u);
  headless::SetIdleScript({});
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_GE(heard.IndexOf(a11y::EventKind::kWindowDestroyed, {shown, a11y::kSelf}), 0);
  EXPECT_EQ(GetActiveWindow(), m_owner);
}

}  // namespace

// The program's error box is owned by the hidden application window and disables the main window,
// which it does not own. It still belongs to the window the user sees (the desktop keeps it above
// that one), and reaching for the disabled main window, by the desktop's focus or a click, brings
// the box forward with the focus.
TEST_F(MessageBoxTest, ABoxOfTheHiddenApplicationWindowComesForwardWhenTheUserReachesForTheMainWindow) {
  const HWND app = TopLevel(640, 512, 0, 0, "App", WS_POPUP | WS_CAPTION | WS_SYSMENU);
  const HWND main = TopLevel(600, 100, 300, 200, "Main", WS_POPUP | WS_CAPTION | WS_SYSMENU, app);
  ShowWindow(main, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  HWND transientFor = nullptr;
  HWND activeAfterFocus = nullptr;
  HWND activeAfterClick = nullptr;
  int clicksOnMain = 0;
  headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box) {
    transientFor = Display().Native(box.box)->props.transientFor;
    // The user turns to the owner window of the test fixture, then back to the main window.
    SetActiveWindow(m_owner);
    headless::Events().FocusChanged(main, true);
    headless::PumpUntilIdle();
    activeAfterFocus = GetActiveWindow();
    SetActiveWindow(m_owner);
    headless::Click(700, 150);  // on the disabled main window
    headless::PumpUntilIdle();
    activeAfterClick = GetActiveWindow();
    clicksOnMain = TheLog().Count(WM_LBUTTONDOWN, main);
    SetActiveWindow(box.box);
    headless::PressKey(headless::keys::kReturn);
  });
  EnableWindow(main, FALSE);  // as the application's error display does with every window
  MessageBox(app, "No MCI device open.", "Tessivo", MB_OK | MB_ICONSTOP);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const HWND box = headless::MessageBoxes()[0].box;
  EXPECT_EQ(transientFor, main);
  EXPECT_EQ(activeAfterFocus, box);
  EXPECT_EQ(activeAfterClick, box);
  EXPECT_EQ(clicksOnMain, 0);
}
