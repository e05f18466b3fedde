// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop is told about top-level windows (title, taskbar text, frame functions from the
// system menu, dialog and pop-up kinds, icon), and the screen values a test sets.
#include <gmock/gmock.h>

#include "base/cp1252.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

class DesktopProps : public LoggingFixture {
 protected:
  headless::Options SessionOptions() const override {
    headless::Options o;
    o.screenWidth = 1600;
    o.screenHeight = 900;
    o.dpi = 120;
    o.showCommand = SW_SHOWMAXIMIZED;
    return o;
  }
  const backend::TopLevelProps& Props(HWND h) { return Display().Native(h)->props; }
};

TEST_F(DesktopProps, SystemMenuDecidesTheFrameFunctions) {
  // The application window: minimise box, its menu left with Restore, Minimize and Close.
  HWND app = CreateWindowEx(0, "LogWindow", "Abc",
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 800, 450,
                            0, 0, nullptr, nullptr, nullptr, nullptr);
  HMENU menu = GetSystemMenu(app, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 7);
  for (UINT item : {static_cast<UINT>(SC_MAXIMIZE), static_cast<UINT>(SC_SIZE), static_cast<UINT>(SC_MOVE)}) {
    EXPECT_TRUE(DeleteMenu(menu, item, MF_BYCOMMAND));
  }
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
  EXPECT_THAT(ids, ElementsAre(SC_RESTORE, SC_MINIMIZE, 0u, SC_CLOSE));
  EXPECT_TRUE(Props(app).canMinimize);
  EXPECT_FALSE(Props(app).canMove);
  EXPECT_TRUE(Props(app).canClose);
  EXPECT_FALSE(Props(app).skipTaskbar);

  // The dialog frame of the main window: what its creation deletes leaves Move and Close.
  HWND form =
      CreateWindowEx(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, "LogWindow", "Campo Harmônico"_cp.c_str(),
                     WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU, 188, 107, 981,
                     277, app, nullptr, nullptr, nullptr);
  HMENU fm = GetSystemMenu(form, FALSE);
  EXPECT_FALSE(DeleteMenu(fm, SC_TASKLIST, MF_BYCOMMAND));  // not there: refused, nothing changes
  EXPECT_FALSE(DeleteMenu(fm, 7, MF_BYPOSITION));
  EXPECT_TRUE(DeleteMenu(fm, 5, MF_BYPOSITION));
  for (UINT item : {static_cast<UINT>(SC_MAXIMIZE), static_cast<UINT>(SC_MINIMIZE),
                    static_cast<UINT>(SC_SIZE), static_cast<UINT>(SC_RESTORE)}) {
    EXPECT_TRUE(DeleteMenu(fm, item, MF_BYCOMMAND));
  }
  EXPECT_EQ(GetMenuItemCount(fm), 2);
  const backend::TopLevelProps& p = Props(form);
  EXPECT_TRUE(p.canMove);
  EXPECT_TRUE(p.canClose);
  EXPECT_FALSE(p.canMinimize);
  EXPECT_FALSE(p.canMaximize);
  EXPECT_FALSE(p.canResize);
  EXPECT_TRUE(p.fixedSize);
  EXPECT_TRUE(p.hasTitle);
  EXPECT_FALSE(p.popup);
  EXPECT_FALSE(p.dialog);
  EXPECT_TRUE(p.skipTaskbar);
  EXPECT_EQ(p.transientFor, app);
  EXPECT_EQ(p.titleUtf8, "Campo Harmônico");
  // The taskbar shows the application's title; renaming the application renames it everywhere.
  EXPECT_EQ(p.iconNameUtf8, "Abc");
  SetWindowText(app, "Xyz");
  EXPECT_EQ(Props(form).iconNameUtf8, "Xyz");
  // Greying Close takes the close button away.
  EnableMenuItem(fm, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_FALSE(Props(form).canClose);
  GetSystemMenu(form, TRUE);  // back to the standard items
  EXPECT_EQ(GetMenuItemCount(fm), 7);
  EXPECT_TRUE(Props(form).canClose);
}

TEST_F(DesktopProps, KindsOfTopLevelWindows) {
  HWND owner = TopLevel(0, 0, 100, 100);
  HWND list = CreateWindowEx(WS_EX_TOOLWINDOW, "LogWindow", "", WS_POPUP | WS_BORDER, 0, 0, 50, 80, owner,
                             nullptr, nullptr, nullptr);
  EXPECT_TRUE(Props(list).popup);
  EXPECT_TRUE(Props(list).skipTaskbar);
  RECT client;
  GetClientRect(list, &client);
  EXPECT_EQ(client, (RECT{0, 0, 48, 78}));  // a frameless pop-up draws its own border
  // Showing it does not take the activation from the window it belongs to, and its capture
  // grabs the pointer.
  ShowWindow(owner, SW_SHOWNORMAL);
  ShowWindow(list, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), owner);
  SetCapture(list);
  EXPECT_EQ(Display().Grab(), list);
  ReleaseCapture();
  EXPECT_EQ(Display().Grab(), nullptr);
  HWND sizable =
      CreateWindowEx(0, "LogWindow", "",
                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0,
                     0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(Props(sizable).canResize);
  EXPECT_TRUE(Props(sizable).canMaximize);
  EXPECT_FALSE(Props(sizable).fixedSize);
  // Icons set on the window reach the desktop as 32-bit pixels.
  HICON icon = LoadIconById(nullptr, IDI_APPLICATION);
  ASSERT_NE(icon, nullptr);
  SendMessage(sizable, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  const auto& argb = Props(sizable).iconArgb;
  ASSERT_EQ(argb.size(), 2u + 32 * 32);
  EXPECT_EQ(argb[0], 32u);
  EXPECT_EQ(argb[1], 32u);
  EXPECT_EQ(argb[2], 0u);  // transparent corner
  EXPECT_EQ(SendMessage(sizable, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
  // Setting no big icon explicitly means no icon, whatever the class has.
  SendMessage(sizable, WM_SETICON, ICON_BIG, 0);
  EXPECT_TRUE(Props(sizable).iconArgb.empty());
}

TEST_F(DesktopProps, MinimisingTheOwnerTakesItsWindowsAlong) {
  HWND app = TopLevel(800, 450, 0, 0, "Abc", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  HWND form = TopLevel(188, 107, 300, 200, "Form", WS_POPUP | WS_CAPTION | WS_SYSMENU, app);
  SetWindowPos(app, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ShowWindow(form, SW_SHOWNORMAL);
  EXPECT_EQ(GetActiveWindow(), form);
  SendMessage(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(app));
  EXPECT_EQ(Display().Native(app)->state, backend::NativeShowState::Minimized);
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_EQ(Display().Native(form)->state, backend::NativeShowState::Hidden);
  EXPECT_EQ(GetActiveWindow(), nullptr);  // the program went to the taskbar
  SendMessage(app, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(app));
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_EQ(Display().Native(form)->state, backend::NativeShowState::Normal);
  // The close command of the frame closes through WM_CLOSE.
  SendMessage(form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(form));
}

TEST_F(DesktopProps, ScreenValuesComeFromTheDisplay) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1600);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 900);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);  // 16 px at 96 dpi, scaled to 120
  EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 0);  // frames belong to the desktop
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  STARTUPINFO si;
  GetStartupInfo(&si);
  EXPECT_EQ(si.dwFlags & STARTF_USESHOWWINDOW, STARTF_USESHOWWINDOW);
  EXPECT_EQ(si.wShowWindow, SW_SHOWMAXIMIZED);
  // SW_SHOWDEFAULT follows the start-up show command.
  HWND top = TopLevel(0, 0, 100, 100);
  ShowWindow(top, SW_SHOWDEFAULT);
  EXPECT_TRUE(IsZoomed(top));
  EXPECT_EQ(Display().Native(top)->state, backend::NativeShowState::Maximized);
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(top, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcMonitor, (RECT{0, 0, 1600, 900}));
  EXPECT_EQ(MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_NE(MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONEAREST), nullptr);
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_EQ(desk, (RECT{0, 0, 1600, 900}));
}

class MessageBoxes : public LoggingFixture {};

TEST_F(MessageBoxes, ABoxIsRecordedAndAnsweredWithEnter) {
  HWND owner = TopLevel(100, 100, 300, 200);
  ShowWindow(owner, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  int result = MessageBox(owner, "No MCI device open.", "Abc", MB_OK | MB_ICONSTOP);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const auto& box = headless::MessageBoxes()[0];
  EXPECT_EQ(box.text, "No MCI device open.");
  EXPECT_EQ(box.caption, "Abc");
  EXPECT_EQ(box.flags, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(box.owner, owner);
  EXPECT_FALSE(IsWindow(box.box));
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(MessageBoxes, AHandlerSeesTheBoxWhileItIsOpen) {
  HWND owner = TopLevel(100, 100, 300, 200);
  ShowWindow(owner, SW_SHOWNORMAL);
  static bool ownerWasDisabled = false;
  static bool boxWasModal = false;
  headless::SetMessageBoxHandler([](const headless::MessageBoxRecord& r) {
    ownerWasDisabled = !IsWindowEnabled(r.owner);
    const headless::NativeWindow* native = headless::Current().Native(r.box);
    boxWasModal = native != nullptr && native->props.dialog && native->props.modal &&
                  native->props.transientFor == r.owner;
    headless::PressKey(headless::keys::kEscape);
  });
  EXPECT_EQ(MessageBox(owner, "Texto", "Abc", MB_OK), IDOK);
  EXPECT_TRUE(ownerWasDisabled);
  EXPECT_TRUE(boxWasModal);
}

}  // namespace
