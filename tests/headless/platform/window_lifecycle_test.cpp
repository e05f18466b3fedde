// SPDX-License-Identifier: GPL-3.0-or-later
// Creating, destroying and arranging windows, and what happens with handles that are not (or no
// longer) windows.
#include <gmock/gmock.h>

#include <cstdint>
#include <vector>

#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class WindowLifecycle : public LoggingFixture {};

TEST_F(WindowLifecycle, CreationSendsNcCreateCalcSizeCreateSizeMoveInOrder) {
  HWND top = TopLevel(100, 50, 300, 200);
  ASSERT_NE(top, nullptr);
  EXPECT_THAT(TheLog().Messages(top), ElementsAre(WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE));
  auto size = TheLog().Of(WM_SIZE);
  EXPECT_EQ(LOWORD(size[0].lParam), 300);
  EXPECT_EQ(HIWORD(size[0].lParam), 200);
  char text[16];
  EXPECT_EQ(GetWindowText(top, text, sizeof text), 3);
  EXPECT_STREQ(text, "Top");
  // A top-level window gets its native window at once, hidden until shown.
  const headless::NativeWindow* native = Display().Native(top);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->state, backend::NativeShowState::Hidden);
  EXPECT_EQ(native->rect, (RECT{100, 50, 400, 250}));
  EXPECT_EQ(native->props.titleUtf8, "Top");
}

TEST_F(WindowLifecycle, RefusedCreationLeavesNoWindow) {
  TheLog().handlers[WM_NCCREATE] = [](HWND, WPARAM, LPARAM, LRESULT* r) {
    *r = 0;
    return true;
  };
  EXPECT_EQ(TopLevel(0, 0, 10, 10), nullptr);
  TheLog().handlers.clear();
  TheLog().handlers[WM_CREATE] = [](HWND, WPARAM, LPARAM, LRESULT* r) {
    *r = -1;
    return true;
  };
  HWND parent = nullptr;
  EXPECT_EQ(TopLevel(0, 0, 10, 10), nullptr);
  TheLog().handlers.clear();
  // The half-made window got its destruction messages and is gone.
  EXPECT_EQ(TheLog().Count(WM_NCDESTROY), 2);
  EXPECT_EQ(GetTopWindow(parent), nullptr);
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  // A child without a real parent cannot be made.
  EXPECT_EQ(CreateWindowEx(0, "LogWindow", "", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(0x7777), nullptr,
                           nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WindowLifecycle, DestroyNotifiesParentFirstThenFinishesChildrenFirst) {
  HWND top = TopLevel(0, 0, 200, 200);
  HWND child = Child(top, 10, 10, 50, 50);
  HWND grandChild = Child(child, 1, 1, 5, 5);
  TheLog().Clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> seen;
  for (const auto& e : TheLog().entries) {
    if (e.msg == WM_DESTROY || e.msg == WM_NCDESTROY) seen.push_back({e.hwnd, e.msg});
  }
  EXPECT_THAT(seen, ElementsAre(std::pair{top, WM_DESTROY}, std::pair{child, WM_DESTROY},
                                std::pair{grandChild, WM_DESTROY}, std::pair{grandChild, WM_NCDESTROY},
                                std::pair{child, WM_NCDESTROY}, std::pair{top, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(grandChild));
  EXPECT_EQ(Display().Native(top), nullptr);
}

TEST_F(WindowLifecycle, OwnedWindowsGoBeforeTheirOwner) {
  HWND owner = TopLevel(0, 0, 100, 100, "Owner");
  HWND owned = TopLevel(10, 10, 50, 50, "Owned", WS_POPUP | WS_CAPTION, owner);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner);
  TheLog().Clear();
  DestroyWindow(owner);
  auto destroys = TheLog().Of(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].hwnd, owned);
  EXPECT_EQ(destroys[1].hwnd, owner);
}

TEST_F(WindowLifecycle, AWindowCanDestroyItselfFromItsOwnProcedure) {
  HWND top = TopLevel(0, 0, 100, 100);
  HWND child = Child(top, 0, 0, 100, 100);
  ShowWindow(top, SW_SHOW);
  headless::PumpUntilIdle();
  TheLog().handlers[WM_LBUTTONDOWN] = [](HWND hwnd, WPARAM, LPARAM, LRESULT* r) {
    PostMessage(hwnd, WM_USER + 5, 0, 0);  // still queued when the window goes
    DestroyWindow(GetParent(hwnd));        // takes this very window with it
    *r = 0;
    return true;
  };
  headless::Click(20, 20);
  headless::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(top));
  // The message posted before the destruction was dropped, not delivered to a dead window.
  EXPECT_EQ(TheLog().Count(WM_USER + 5), 0);
  // And the default close handling destroys from inside the procedure too.
  TheLog().handlers.clear();
  HWND other = TopLevel(0, 0, 10, 10);
  SendMessage(other, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(other));
}

TEST_F(WindowLifecycle, PostingToADestroyedWindowFailsAndNothingArrives) {
  HWND top = TopLevel(0, 0, 10, 10);
  DestroyWindow(top);
  EXPECT_FALSE(PostMessage(top, WM_USER, 1, 2));
  TheLog().Clear();
  headless::PumpUntilIdle();
  EXPECT_EQ(TheLog().Count(WM_USER), 0);
  // Handles are never handed out again: a new window does not answer to the old number.
  HWND next = TopLevel(0, 0, 10, 10);
  EXPECT_NE(next, top);
  EXPECT_FALSE(IsWindow(top));
}

TEST_F(WindowLifecycle, MadeUpHandlesFailCleanly) {
  HWND bogus = reinterpret_cast<HWND>(0x12345678);
  EXPECT_FALSE(IsWindow(bogus));
  EXPECT_EQ(SendMessage(bogus, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessage(bogus, WM_USER, 0, 0));
  EXPECT_FALSE(SetWindowPos(bogus, nullptr, 0, 0, 10, 10, SWP_NOZORDER));
  EXPECT_EQ(GetDC(bogus), nullptr);
  EXPECT_EQ(GetWindowDC(bogus), nullptr);
  EXPECT_FALSE(DestroyWindow(bogus));
  EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
  EXPECT_FALSE(InvalidateRect(bogus, nullptr, TRUE));
  EXPECT_EQ(SetFocus(bogus), nullptr);
  EXPECT_EQ(SetCapture(bogus), nullptr);
  EXPECT_EQ(GetWindowLongPtr(bogus, GWL_STYLE), 0);
  EXPECT_EQ(SetTimer(bogus, 1, 100, nullptr), 0u);
  RECT r{1, 2, 3, 4};
  EXPECT_FALSE(GetWindowRect(bogus, &r));
  EXPECT_FALSE(GetClientRect(nullptr, &r));
  char text[8] = "x";
  EXPECT_EQ(GetWindowText(bogus, text, sizeof text), 0);
  EXPECT_STREQ(text, "");
  POINT p{1, 1};
  EXPECT_FALSE(ScreenToClient(bogus, &p));
  EXPECT_EQ(GetSystemMenu(bogus, FALSE), nullptr);
  PAINTSTRUCT ps;
  EXPECT_EQ(BeginPaint(bogus, &ps), nullptr);
  EXPECT_EQ(ReleaseDC(bogus, reinterpret_cast<HDC>(0x999)), 0);
}

TEST_F(WindowLifecycle, ZeroAndNegativeSizesAreEmptyRectangles) {
  HWND top = TopLevel(5, 5, -20, 0);
  ASSERT_NE(top, nullptr);
  RECT r;
  GetClientRect(top, &r);
  EXPECT_EQ(r, (RECT{0, 0, 0, 0}));
  HWND child = Child(top, 0, 0, -5, -5, WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
  ASSERT_NE(child, nullptr);
  GetClientRect(child, &r);
  EXPECT_EQ(r, (RECT{0, 0, 0, 0}));
  SetWindowPos(top, nullptr, 0, 0, -1, -1, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(top, &r);
  EXPECT_EQ(r, (RECT{5, 5, 5, 5}));
  ShowWindow(top, SW_SHOW);
  // Absurd sizes and positions are cut to what the platform can hold, never allocated.
  HWND huge = TopLevel(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX);
  ASSERT_NE(huge, nullptr);
  GetClientRect(huge, &r);
  EXPECT_EQ(r, (RECT{0, 0, 8192, 8192}));
  SetWindowPos(child, nullptr, INT32_MIN, 5, INT32_MAX, 7, SWP_NOZORDER);
  RECT cr;
  GetClientRect(child, &cr);
  EXPECT_GT(cr.right, 1000);
  EXPECT_EQ(cr.bottom, 1);  // 7 less the border and the edge on both sides
  RECT backwards{50, 50, 10, 10};
  EXPECT_TRUE(InvalidateRect(child, &backwards, TRUE));
  headless::PumpUntilIdle();
  EXPECT_TRUE(IsWindow(child));
}

TEST_F(WindowLifecycle, ChildrenKeepCreationOrderAsZOrder) {
  HWND top = TopLevel(0, 0, 100, 100);
  HWND a = Child(top, 0, 0, 10, 10, WS_VISIBLE, 0, "LogWindow", 1);
  HWND b = Child(top, 0, 0, 10, 10, WS_VISIBLE, 0, "LogWindow", 2);
  HWND c = Child(top, 0, 0, 10, 10, WS_VISIBLE, 0, "LogWindow", 3);
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDLAST), c);
  EXPECT_EQ(GetWindowLong(b, GWL_ID), 2);
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(top, GW_CHILD), c);
  SetWindowPos(c, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), c);
  EXPECT_TRUE(IsChild(top, c));
  EXPECT_FALSE(IsChild(c, top));
  std::vector<HWND> listed;
  EnumChildWindows(
      top,
      [](HWND h, LPARAM lp) {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&listed));
  EXPECT_THAT(listed, ElementsAre(a, c, b));
}

TEST_F(WindowLifecycle, SubclassingAndUserData) {
  HWND top = TopLevel(0, 0, 10, 10);
  static WNDPROC original = nullptr;
  static int seen = 0;
  seen = 0;
  original = reinterpret_cast<WNDPROC>(GetWindowLongPtr(top, GWL_WNDPROC));
  ASSERT_EQ(original, &LoggingProc);
  WNDPROC sub = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 1) return 42;
    ++seen;
    return CallWindowProc(original, h, m, w, l);
  };
  EXPECT_EQ(SetWindowLongPtr(top, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(sub)),
            reinterpret_cast<std::intptr_t>(&LoggingProc));
  EXPECT_EQ(SendMessage(top, WM_USER + 1, 0, 0), 42);
  SendMessage(top, WM_USER + 2, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(TheLog().Count(WM_USER + 2), 1);
  SetWindowLongPtr(top, GWL_USERDATA, 0x5150);
  EXPECT_EQ(GetWindowLongPtr(top, GWL_USERDATA), 0x5150);
  // Text set through the default handling, read back with truncation.
  SetWindowText(top, "Harmonia");
  char small[5];
  EXPECT_EQ(GetWindowText(top, small, sizeof small), 4);
  EXPECT_STREQ(small, "Harm");
  EXPECT_EQ(GetWindowTextLength(top), 8);
  EXPECT_EQ(Display().Native(top)->props.titleUtf8, "Harmonia");
}

// What each hook saw, through its value.
struct HookSeen {
  std::vector<int> order;  // the hooks' numbers, in the order they got messages
  int ncDestroys = 0;
  bool removeOther = false;  // removes hook 1 before passing a message on
  bool destroyWindow = false;
};

LRESULT RecordingHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t id,
                      std::uintptr_t refData) {
  auto& seen = *reinterpret_cast<HookSeen*>(refData);
  seen.order.push_back(static_cast<int>(id));
  if (msg == WM_NCDESTROY) ++seen.ncDestroys;
  if (msg == WM_USER + 1 && seen.removeOther) RemoveWindowSubclass(hwnd, &RecordingHook, 1);
  if (msg == WM_USER + 1 && seen.destroyWindow) DestroyWindow(hwnd);
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(WindowLifecycle, HooksGetMessagesNewestFirstAndPassThemOnToTheWindowsOwnProcedure) {
  HWND top = TopLevel(0, 0, 10, 10);
  HookSeen seen;
  const auto value = reinterpret_cast<std::uintptr_t>(&seen);
  ASSERT_TRUE(SetWindowSubclass(top, &RecordingHook, 1, value));
  ASSERT_TRUE(SetWindowSubclass(top, &RecordingHook, 2, 0));
  ASSERT_TRUE(SetWindowSubclass(top, &RecordingHook, 2, value));  // only the value changes
  std::uintptr_t read = 0;
  EXPECT_TRUE(GetWindowSubclass(top, &RecordingHook, 2, &read));
  EXPECT_EQ(read, value);
  EXPECT_FALSE(GetWindowSubclass(top, &RecordingHook, 3, &read));
  EXPECT_EQ(read, 0u);
  TheLog().Clear();
  SendMessage(top, WM_USER + 2, 0, 0);
  EXPECT_THAT(seen.order, ElementsAre(2, 1));
  EXPECT_EQ(TheLog().Count(WM_USER + 2), 1);
  // Outside the hooks, DefSubclassProc goes straight to the window's own procedure.
  seen.order.clear();
  DefSubclassProc(top, WM_USER + 3, 0, 0);
  EXPECT_TRUE(seen.order.empty());
  EXPECT_EQ(TheLog().Count(WM_USER + 3), 1);
  // A hook removed while a message is on its way gets no part of it; the message goes on.
  seen.removeOther = true;
  SendMessage(top, WM_USER + 1, 0, 0);
  EXPECT_THAT(seen.order, ElementsAre(2));
  EXPECT_EQ(TheLog().Count(WM_USER + 1), 1);
  EXPECT_FALSE(GetWindowSubclass(top, &RecordingHook, 1, nullptr));
  // The last hook gone, the window's own procedure takes its messages again.
  EXPECT_TRUE(RemoveWindowSubclass(top, &RecordingHook, 2));
  EXPECT_EQ(GetWindowLongPtr(top, GWL_WNDPROC), reinterpret_cast<std::intptr_t>(&LoggingProc));
}

// A window destroyed inside its own hook: the hook still gets WM_NCDESTROY, its DefSubclassProc
// afterwards reaches nothing that is gone, and the hooks go with the window, as do a child's.
TEST_F(WindowLifecycle, AWindowDestroyedInsideItsHookTakesItsHooksAlong) {
  HWND top = TopLevel(0, 0, 10, 10);
  HWND child = Child(top, 0, 0, 5, 5);
  HookSeen seen;
  HookSeen childSeen;
  seen.destroyWindow = true;
  SetWindowSubclass(top, &RecordingHook, 1, reinterpret_cast<std::uintptr_t>(&seen));
  SetWindowSubclass(child, &RecordingHook, 1, reinterpret_cast<std::uintptr_t>(&childSeen));
  TheLog().Clear();
  SendMessage(top, WM_USER + 1, 0, 0);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_EQ(seen.ncDestroys, 1);
  EXPECT_EQ(childSeen.ncDestroys, 1);
  EXPECT_EQ(TheLog().Count(WM_USER + 1), 0);
  EXPECT_FALSE(GetWindowSubclass(top, &RecordingHook, 1, nullptr));
  EXPECT_FALSE(GetWindowSubclass(child, &RecordingHook, 1, nullptr));
  EXPECT_FALSE(RemoveWindowSubclass(top, &RecordingHook, 1));
}

TEST_F(WindowLifecycle, SetWindowPosReportsSizeAndMove) {
  HWND top = TopLevel(0, 0, 300, 300);
  HWND child = Child(top, 10, 20, 50, 60);
  TheLog().Clear();
  SetWindowPos(child, nullptr, 30, 40, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_THAT(TheLog().Messages(child), ElementsAre(WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE));
  EXPECT_EQ(TheLog().Of(WM_MOVE)[0].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(TheLog().Of(WM_SIZE)[0].lParam, MAKELPARAM(70, 80));
  TheLog().Clear();
  MoveWindow(child, 31, 40, 70, 80, TRUE);
  EXPECT_THAT(TheLog().Messages(child), ElementsAre(WM_WINDOWPOSCHANGED, WM_MOVE));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r, (RECT{31, 40, 101, 120}));
  // The top-level window's native window follows its bounds.
  ShowWindow(top, SW_SHOWNA);
  SetWindowPos(top, nullptr, 200, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(Display().Native(top)->rect, (RECT{200, 100, 500, 400}));
  GetWindowRect(child, &r);
  EXPECT_EQ(r, (RECT{231, 140, 301, 220}));
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p, (POINT{231, 140}));
  EXPECT_EQ(WindowFromPoint({240, 150}), child);
  EXPECT_EQ(ChildWindowFromPoint(top, {35, 45}), child);
  EXPECT_EQ(ChildWindowFromPoint(top, {5, 5}), top);
}

TEST_F(WindowLifecycle, ShowingEnablingAndMinimising) {
  HWND top = TopLevel(0, 0, 100, 100);
  TheLog().Clear();
  EXPECT_FALSE(ShowWindow(top, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_EQ(Display().Native(top)->state, backend::NativeShowState::Normal);
  EXPECT_EQ(GetActiveWindow(), top);  // showing it activated it
  EXPECT_EQ(TheLog().Messages(top).front(), WM_SHOWWINDOW);
  TheLog().Clear();
  EXPECT_TRUE(EnableWindow(top, FALSE) == FALSE);
  EXPECT_FALSE(IsWindowEnabled(top));
  ASSERT_EQ(TheLog().Of(WM_ENABLE).size(), 1u);
  EXPECT_EQ(TheLog().Of(WM_ENABLE)[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_TRUE(EnableWindow(top, TRUE));
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  EXPECT_EQ(Display().Native(top)->state, backend::NativeShowState::Minimized);
  ShowWindow(top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(top));
  EXPECT_EQ(Display().Native(top)->state, backend::NativeShowState::Normal);
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  EXPECT_EQ(Display().Native(top)->state, backend::NativeShowState::Hidden);
}

}  // namespace
