// SPDX-License-Identifier: GPL-3.0-or-later
// Focus, activation and capture: the order of notifications that the form's focus handling and
// the controls' mouse handling rely on.
#include <gmock/gmock.h>

#include "platform/backend/backend_events.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class FocusActivation : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    m_first = TopLevel(0, 0, 200, 200, "First");
    m_a = Child(m_first, 0, 0, 50, 50);
    m_b = Child(m_first, 60, 0, 50, 50);
    m_second = TopLevel(300, 0, 200, 200, "Second");
    m_c = Child(m_second, 0, 0, 50, 50);
    ShowWindow(m_first, SW_SHOWNOACTIVATE);
    ShowWindow(m_second, SW_SHOWNOACTIVATE);
    headless::PumpUntilIdle();
    TheLog().Clear();
  }
  std::vector<std::pair<HWND, UINT>> Focusing() const {
    std::vector<std::pair<HWND, UINT>> out;
    for (const auto& e : TheLog().entries) {
      switch (e.msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ACTIVATE:
        case WM_NCACTIVATE:
        case WM_ACTIVATEAPP:
          out.push_back({e.hwnd, e.msg});
          break;
        default:
          break;
      }
    }
    return out;
  }
  HWND m_first = nullptr, m_a = nullptr, m_b = nullptr, m_second = nullptr, m_c = nullptr;
};

TEST_F(FocusActivation, FirstFocusActivatesTheProgram) {
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(SetFocus(m_a), nullptr);
  EXPECT_EQ(GetFocus(), m_a);
  EXPECT_EQ(GetActiveWindow(), m_first);
  // The activation's default handling first gives the focus to the window itself; then it moves
  // on to the child that asked for it.
  EXPECT_THAT(Focusing(), ElementsAre(std::pair{m_second, WM_ACTIVATEAPP}, std::pair{m_first, WM_ACTIVATEAPP},
                                      std::pair{m_first, WM_NCACTIVATE}, std::pair{m_first, WM_ACTIVATE},
                                      std::pair{m_first, WM_SETFOCUS}, std::pair{m_first, WM_KILLFOCUS},
                                      std::pair{m_a, WM_SETFOCUS}));
  EXPECT_EQ(Display().ActiveNative(), m_first);
}

TEST_F(FocusActivation, MovingFocusSendsKillThenSet) {
  SetFocus(m_a);
  TheLog().Clear();
  EXPECT_EQ(SetFocus(m_b), m_a);
  auto kill = TheLog().Of(WM_KILLFOCUS);
  auto set = TheLog().Of(WM_SETFOCUS);
  ASSERT_EQ(kill.size(), 1u);
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(kill[0].hwnd, m_a);
  EXPECT_EQ(kill[0].wParam, reinterpret_cast<WPARAM>(m_b));
  EXPECT_EQ(set[0].hwnd, m_b);
  EXPECT_EQ(set[0].wParam, reinterpret_cast<WPARAM>(m_a));
  EXPECT_THAT(Focusing(), ElementsAre(std::pair{m_a, WM_KILLFOCUS}, std::pair{m_b, WM_SETFOCUS}));
  // Setting the same focus again changes nothing.
  TheLog().Clear();
  SetFocus(m_b);
  EXPECT_TRUE(Focusing().empty());
}

TEST_F(FocusActivation, SwitchingTopLevelWindowsOrder) {
  SetFocus(m_a);
  TheLog().Clear();
  SetFocus(m_c);
  EXPECT_EQ(GetActiveWindow(), m_second);
  EXPECT_EQ(GetFocus(), m_c);
  EXPECT_THAT(Focusing(), ElementsAre(std::pair{m_first, WM_NCACTIVATE}, std::pair{m_first, WM_ACTIVATE},
                                      std::pair{m_second, WM_NCACTIVATE}, std::pair{m_second, WM_ACTIVATE},
                                      std::pair{m_a, WM_KILLFOCUS}, std::pair{m_second, WM_SETFOCUS},
                                      std::pair{m_second, WM_KILLFOCUS}, std::pair{m_c, WM_SETFOCUS}));
  auto act = TheLog().Of(WM_ACTIVATE);
  EXPECT_EQ(LOWORD(act[0].wParam), WA_INACTIVE);
  EXPECT_EQ(act[0].lParam, reinterpret_cast<LPARAM>(m_second));
  EXPECT_EQ(LOWORD(act[1].wParam), WA_ACTIVE);
  EXPECT_EQ(act[1].lParam, reinterpret_cast<LPARAM>(m_first));
}

TEST_F(FocusActivation, DesktopTakingTheFocusDeactivatesTheProgram) {
  SetFocus(m_a);
  TheLog().Clear();
  headless::Events().FocusChanged(m_first, false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_THAT(Focusing(), ElementsAre(std::pair{m_first, WM_NCACTIVATE}, std::pair{m_first, WM_ACTIVATE},
                                      std::pair{m_first, WM_ACTIVATEAPP}, std::pair{m_second, WM_ACTIVATEAPP},
                                      std::pair{m_a, WM_KILLFOCUS}));
  EXPECT_EQ(TheLog().Of(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(FALSE));
  // The desktop gives it back: the window is active again and has the focus itself.
  TheLog().Clear();
  headless::Events().FocusChanged(m_first, true);
  EXPECT_EQ(GetActiveWindow(), m_first);
  EXPECT_EQ(GetFocus(), m_first);
  EXPECT_EQ(TheLog().Of(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(TRUE));
}

TEST_F(FocusActivation, DisabledWindowsRefuseTheFocus) {
  SetFocus(m_a);
  EnableWindow(m_b, FALSE);
  EXPECT_EQ(SetFocus(m_b), nullptr);
  EXPECT_EQ(GetFocus(), m_a);
  // Disabling the window with the focus takes the focus away.
  EnableWindow(m_first, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(m_a), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(FocusActivation, CaptureChangesAreAnnounced) {
  EXPECT_EQ(SetCapture(m_a), nullptr);
  EXPECT_EQ(GetCapture(), m_a);
  EXPECT_EQ(SetCapture(m_b), m_a);
  auto changed = TheLog().Of(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, m_a);
  EXPECT_EQ(changed[0].lParam, reinterpret_cast<LPARAM>(m_b));
  // WM_CANCELMODE's default handling releases the capture of the window that has it.
  SendMessage(m_b, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(TheLog().Count(WM_CAPTURECHANGED, m_b), 1);
  // Destroying or hiding the capture window ends the capture too.
  SetCapture(m_c);
  ShowWindow(m_c, SW_HIDE);
  EXPECT_EQ(GetCapture(), nullptr);
  SetCapture(m_b);
  DestroyWindow(m_b);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FocusActivation, LosingActivationCancelsTheMouseOperation) {
  SetFocus(m_a);
  SetCapture(m_a);
  TheLog().Clear();
  headless::Events().FocusChanged(m_first, false);
  ASSERT_GE(TheLog().entries.size(), 1u);
  EXPECT_EQ(TheLog().entries[0].hwnd, m_a);
  EXPECT_EQ(TheLog().entries[0].msg, static_cast<UINT>(WM_CANCELMODE));
  EXPECT_EQ(GetCapture(), nullptr);
  // Moving the focus inside the active window leaves a capture alone.
  headless::Events().FocusChanged(m_first, true);
  SetCapture(m_a);
  TheLog().Clear();
  SetFocus(m_b);
  EXPECT_EQ(TheLog().Count(WM_CANCELMODE), 0);
  EXPECT_EQ(GetCapture(), m_a);
  // Another of the program's windows becoming active cancels it.
  SetFocus(m_c);
  EXPECT_EQ(TheLog().Count(WM_CANCELMODE, m_a), 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FocusActivation, DestroyingTheActiveWindowActivatesItsOwner) {
  HWND owned = TopLevel(50, 50, 50, 50, "Owned", WS_POPUP | WS_CAPTION, m_first);
  ShowWindow(owned, SW_SHOWNORMAL);
  EXPECT_EQ(GetActiveWindow(), owned);
  DestroyWindow(owned);
  EXPECT_EQ(GetActiveWindow(), m_first);
  EXPECT_EQ(GetFocus(), m_first);
}

TEST_F(FocusActivation, DesktopCloseAndMoveRequests) {
  ShowWindow(m_first, SW_SHOWNORMAL);
  headless::Events().Moved(m_first, 40, 30);
  RECT r;
  GetWindowRect(m_a, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  auto moves = TheLog().Of(WM_MOVE);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().lParam, MAKELPARAM(40, 30));
  // The close button becomes SC_CLOSE and, by default, WM_CLOSE and destruction.
  headless::Events().CloseRequested(m_first);
  headless::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(m_first));
  // Without Close in its system menu a window cannot be closed from the frame.
  DeleteMenu(GetSystemMenu(m_second, FALSE), SC_CLOSE, MF_BYCOMMAND);
  headless::Events().CloseRequested(m_second);
  headless::PumpUntilIdle();
  EXPECT_TRUE(IsWindow(m_second));
}

TEST_F(FocusActivation, IconicStateFromTheDesktop) {
  HWND owned = TopLevel(50, 50, 50, 50, "Owned", WS_POPUP | WS_CAPTION, m_first);
  ShowWindow(owned, SW_SHOWNOACTIVATE);
  headless::Events().ShowStateChanged(m_first, true);
  EXPECT_TRUE(IsIconic(m_first));
  EXPECT_FALSE(IsWindowVisible(owned));  // owned windows go with their owner
  auto sizes = TheLog().Of(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().wParam, SIZE_MINIMIZED);
  headless::Events().ShowStateChanged(m_first, false);
  EXPECT_FALSE(IsIconic(m_first));
  EXPECT_TRUE(IsWindowVisible(owned));
  EXPECT_EQ(TheLog().Of(WM_SIZE).back().wParam, SIZE_RESTORED);
}

}  // namespace
