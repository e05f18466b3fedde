// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse input as the user makes it: presses at screen pixels reach the right window with the
// right client coordinates; capture, double clicks and disabled windows behave as expected.
#include <gmock/gmock.h>

#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using namespace testwin;

namespace {

class MouseInput : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    // A window at (100, 100), 400 x 300, with a bordered panel holding a button-sized child.
    m_top = TopLevel(100, 100, 400, 300);
    m_panel = Child(m_top, 50, 40, 200, 150, WS_VISIBLE | WS_BORDER);
    m_button = Child(m_panel, 10, 20, 80, 30);
    ShowWindow(m_top, SW_SHOWNORMAL);
    headless::PumpUntilIdle();
    TheLog().Clear();
  }
  HWND m_top = nullptr;
  HWND m_panel = nullptr;
  HWND m_button = nullptr;
};

TEST_F(MouseInput, PressReachesTheDeepestWindowInItsClientCoordinates) {
  // Screen pixel of the button's client (5, 7): top 100 + panel 50 + border 1 + button 10.
  headless::Click(100 + 50 + 1 + 10 + 5, 100 + 40 + 1 + 20 + 7);
  headless::PumpUntilIdle();
  auto downs = TheLog().Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, m_button);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 7);
  EXPECT_EQ(downs[0].wParam & MK_LBUTTON, MK_LBUTTON);
  auto ups = TheLog().Of(WM_LBUTTONUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].hwnd, m_button);
  EXPECT_EQ(ups[0].wParam & MK_LBUTTON, 0u);

  // Just beside the button, the panel gets it; on the panel's border, nobody's client does.
  TheLog().Clear();
  headless::Click(100 + 50 + 1 + 95, 100 + 40 + 1 + 25);
  headless::Click(100 + 50, 100 + 40);
  headless::PumpUntilIdle();
  downs = TheLog().Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, m_panel);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 95);
}

TEST_F(MouseInput, RightAndMiddleButtonsAndModifierFlags) {
  headless::KeyDown(headless::keys::kShiftL);
  headless::Click(170, 170, 3);
  headless::KeyUp(headless::keys::kShiftL);
  headless::Click(170, 170, 2);
  headless::PumpUntilIdle();
  auto right = TheLog().Of(WM_RBUTTONDOWN);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].wParam, MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(TheLog().Count(WM_RBUTTONUP), 1);
  ASSERT_EQ(TheLog().Count(WM_MBUTTONDOWN), 1);
  EXPECT_EQ(TheLog().Of(WM_MBUTTONDOWN)[0].wParam, MK_MBUTTON);
}

TEST_F(MouseInput, CaptureKeepsTheMouseOutsideTheWindow) {
  TheLog().handlers[WM_LBUTTONDOWN] = [](HWND hwnd, WPARAM, LPARAM, LRESULT* r) {
    SetCapture(hwnd);
    *r = 0;
    return true;
  };
  TheLog().handlers[WM_LBUTTONUP] = [](HWND, WPARAM, LPARAM, LRESULT* r) {
    ReleaseCapture();
    *r = 0;
    return true;
  };
  headless::MouseMove(170, 170);  // inside the button
  headless::MouseDown();
  headless::PumpUntilIdle();
  ASSERT_EQ(GetCapture(), m_button);
  // Far outside the button, even outside the whole window.
  headless::MouseMove(20, 30);
  headless::MouseUp();
  headless::PumpUntilIdle();
  auto moves = TheLog().Of(WM_MOUSEMOVE);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().hwnd, m_button);
  // Button client origin on screen is (161, 161).
  EXPECT_EQ(GET_X_LPARAM(moves.back().lParam), 20 - 161);
  EXPECT_EQ(GET_Y_LPARAM(moves.back().lParam), 30 - 161);
  ASSERT_EQ(TheLog().Of(WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(TheLog().Of(WM_LBUTTONUP)[0].hwnd, m_button);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(TheLog().Count(WM_CAPTURECHANGED, m_button), 1);
}

TEST_F(MouseInput, RoutingIsDecidedWhenTheMessageIsRead) {
  // Press and release are queued together; the press sets the capture, so the release outside
  // still reaches the pressed window.
  TheLog().handlers[WM_LBUTTONDOWN] = [](HWND hwnd, WPARAM, LPARAM, LRESULT* r) {
    SetCapture(hwnd);
    *r = 0;
    return true;
  };
  headless::MouseMove(170, 170);
  headless::MouseDown();
  headless::MouseMove(400, 350);  // over the top-level's client, not the button
  headless::MouseUp();
  headless::PumpUntilIdle();
  ASSERT_EQ(TheLog().Of(WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(TheLog().Of(WM_LBUTTONUP)[0].hwnd, m_button);
}

TEST_F(MouseInput, AReleaseOverAnotherWindowWithoutCaptureGoesToThatWindow) {
  HWND other = TopLevel(600, 100, 100, 100, "Other");
  ShowWindow(other, SW_SHOWNOACTIVATE);
  headless::PumpUntilIdle();
  TheLog().Clear();
  headless::MouseMove(170, 170);
  headless::MouseDown();
  headless::MouseMove(650, 150);  // the display still reports it to the pressed window
  headless::MouseUp();
  headless::PumpUntilIdle();
  ASSERT_EQ(TheLog().Of(WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(TheLog().Of(WM_LBUTTONUP)[0].hwnd, other);
  EXPECT_EQ(TheLog().Of(WM_LBUTTONUP)[0].lParam, MAKELPARAM(50, 50));
  // Over the bare desktop it reaches nobody.
  TheLog().Clear();
  headless::MouseMove(170, 170);
  headless::MouseDown();
  headless::MouseMove(1000, 900);
  headless::MouseUp();
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_LBUTTONUP), 0);
}

TEST_F(MouseInput, DoubleClickWithinTimeAndDistance) {
  headless::Click(170, 170);
  headless::AdvanceClock(500);
  headless::Click(174, 166);  // 4 px away each way, 500 ms later: still a double click
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, m_button), 1);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDBLCLK, m_button), 1);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONUP, m_button), 2);
  // A third click right after is a new single click, not another double click.
  headless::Click(174, 166);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, m_button), 2);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDBLCLK, m_button), 1);
}

TEST_F(MouseInput, NoDoubleClickTooLateTooFarOrWithoutTheClassStyle) {
  headless::Click(170, 170);
  headless::AdvanceClock(501);
  headless::Click(170, 170);
  headless::AdvanceClock(1000);
  headless::Click(170, 170);
  headless::AdvanceClock(100);
  headless::Click(175, 170);  // 5 px away
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, m_button), 4);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDBLCLK), 0);

  HWND plain = Child(m_top, 300, 200, 50, 50, WS_VISIBLE, 0, "LogPlain");
  headless::PumpUntilIdle();
  TheLog().Clear();
  headless::DoubleClick(420, 320);
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, plain), 2);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDBLCLK), 0);
}

TEST_F(MouseInput, DisabledWindowsTakeNoInput) {
  EnableWindow(m_button, FALSE);
  headless::Click(170, 170);
  headless::PumpUntilIdle();
  // A disabled child lets the click through to its parent.
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, m_button), 0);
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN, m_panel), 1);
  // A disabled top-level (as while a modal box is open) takes nothing at all.
  EnableWindow(m_button, TRUE);
  EnableWindow(m_top, FALSE);
  TheLog().Clear();
  headless::Click(170, 170);
  headless::Wheel(1);
  headless::PressKey('a');
  headless::PumpUntilIdle();
  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_MOUSEWHEEL, WM_KEYDOWN, WM_CHAR}) {
    EXPECT_EQ(TheLog().Count(m), 0) << "message " << m;
  }
}

TEST_F(MouseInput, WheelGoesToTheFocusWindow) {
  SetFocus(m_panel);
  headless::MouseMove(450, 350);  // pointer elsewhere
  headless::Wheel(-2);
  headless::PumpUntilIdle();
  auto wheel = TheLog().Of(WM_MOUSEWHEEL);
  // The panel leaves it to the default handling, which hands it up to the parent.
  ASSERT_EQ(wheel.size(), 2u);
  EXPECT_EQ(wheel[0].hwnd, m_panel);
  EXPECT_EQ(wheel[1].hwnd, m_top);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), -2 * WHEEL_DELTA);
  EXPECT_EQ(GET_X_LPARAM(wheel[0].lParam), 450);  // screen coordinates
}

TEST_F(MouseInput, ClickActivatesAnInactiveWindow) {
  HWND other = TopLevel(600, 100, 100, 100, "Other");
  ShowWindow(other, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  ASSERT_EQ(GetActiveWindow(), other);
  TheLog().Clear();
  headless::Click(170, 170);
  headless::PumpUntilIdle();
  EXPECT_EQ(GetActiveWindow(), m_top);
  auto activate = TheLog().Of(WM_ACTIVATE);
  ASSERT_EQ(activate.size(), 2u);
  EXPECT_EQ(activate[1].hwnd, m_top);
  EXPECT_EQ(LOWORD(activate[1].wParam), WA_CLICKACTIVE);
  EXPECT_EQ(Display().ActiveNative(), m_top);
}

}  // namespace
