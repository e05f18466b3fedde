// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's combo box on a real X server: the open list is an override-redirect window under
// the field holding the pointer, and the clipboard travels to and from other programs (xclip).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <string>

#include "base/cp1252.h"
#include "platform/backend/x11/x11_backend.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "support/xvfb.h"
#include "x11/x11_test_util.h"

namespace {

constexpr int kFormX = 100;
constexpr int kFormY = 100;
constexpr std::uintptr_t kPumpTimer = 77;

LRESULT FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && HIWORD(wParam) == CBN_DROPDOWN) {
    // The key selector's sizing of the open list: 15 rows of 13 under a 21-pixel field.
    SetWindowPos(reinterpret_cast<HWND>(lParam), nullptr, 0, 0, 185, 15 * 13 + 21 + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class X11ComboTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    m_server = XvfbServer::Start({}, &error);
    ASSERT_NE(m_server, nullptr) << error;
    m_peek = x11test::Connect(m_server->DisplayName());
    ASSERT_NE(m_peek, nullptr);
    m_backend = x11::X11Backend::Open(m_server->DisplayName().c_str());
    ASSERT_NE(m_backend, nullptr);
    InitPlatform(m_backend.get());
    WNDCLASS wc{};
    if (!GetClassInfo(nullptr, "X11ComboForm", &wc)) {
      wc.lpfnWndProc = FormProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1));
      wc.lpszClassName = "X11ComboForm";
      RegisterClass(&wc);
    }
    m_form = CreateWindowEx(0, "X11ComboForm", "Form", WS_POPUP | WS_CAPTION | WS_SYSMENU, kFormX, kFormY,
                            400, 300, nullptr, nullptr, nullptr, nullptr);
    m_combo = CreateWindowEx(0, kComboBoxClass, "",
                             CBS_DROPDOWN | WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL,
                             72, 16, 185, 21, m_form, nullptr, nullptr, nullptr);
    LOGFONT lf{};
    lf.lfHeight = -11;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "MS Sans Serif");
    m_font = CreateFontIndirect(&lf);
    SendMessage(m_combo, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    for (int i = 0; i < 15; ++i) {
      const std::string item = "Key " + std::to_string(i);
      SendMessage(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    ShowWindow(m_form, SW_SHOWNORMAL);
    SetFocus(m_combo);
    SetTimer(m_form, kPumpTimer, 20, nullptr);  // keeps every wait below bounded
    ASSERT_TRUE(Pump([&] { return x11test::WindowViewable(Peek(), Xid(m_form)); }, 5000));
  }

  void TearDown() override {
    if (m_backend) ShutdownPlatform();
    if (m_font) DeleteObject(m_font);
    m_backend.reset();
    m_peek.reset();
    m_server.reset();
  }

  bool Pump(const std::function<bool()>& done, int timeoutMs) {
    const long long deadline = x11test::MonotonicMs() + timeoutMs;
    for (;;) {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      if (done()) return true;
      if (x11test::MonotonicMs() >= deadline) return false;
      WaitMessage();
    }
  }

  Display* Peek() const { return m_peek.get(); }
  Window Xid(HWND hwnd) const { return static_cast<Window>(m_backend->NativeWindowId(hwnd)); }

  void Click(int x, int y) {
    XTestFakeMotionEvent(Peek(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(Peek(), 1, True, CurrentTime);
    XTestFakeButtonEvent(Peek(), 1, False, CurrentTime);
    XSync(Peek(), False);
  }

  // A shell command with DISPLAY set, run while the loop keeps answering the server.
  std::string RunWhilePumping(const std::string& command) {
    const std::string full = "export DISPLAY=" + m_server->DisplayName() + "; " + command;
    auto output = std::async(std::launch::async, [full] {
      std::string out;
      FILE* pipe = popen(full.c_str(), "r");
      if (pipe == nullptr) return out;
      char buffer[256];
      std::size_t n = 0;
      while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
      pclose(pipe);
      return out;
    });
    Pump([&] { return output.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }, 10000);
    return output.get();
  }

  std::string Text() {
    char buffer[256] = {};
    GetWindowText(m_combo, buffer, sizeof buffer);
    return buffer;
  }

  std::unique_ptr<XvfbServer> m_server;
  x11test::DisplayPtr m_peek;
  std::unique_ptr<x11::X11Backend> m_backend;
  HWND m_form = nullptr;
  HWND m_combo = nullptr;
  HFONT m_font = nullptr;
};

HWND ShownList() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM out) {
        char name[32] = {};
        GetClassName(hwnd, name, sizeof name);
        if (std::strcmp(name, "ComboLBox") == 0 && IsWindowVisible(hwnd))
          *reinterpret_cast<HWND*>(out) = hwnd;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST_F(X11ComboTest, TheOpenListIsAnOverrideRedirectWindowUnderTheFieldHoldingThePointer) {
  Click(kFormX + 72 + 185 - 10, kFormY + 16 + 10);  // the button
  ASSERT_TRUE(Pump([] { return ShownList() != nullptr; }, 3000));
  HWND list = ShownList();
  ASSERT_TRUE(Pump([&] { return x11test::WindowViewable(Peek(), Xid(list)); }, 3000));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), Xid(list), &attributes));
  EXPECT_TRUE(attributes.override_redirect);
  int x = 0;
  int y = 0;
  Window child = None;
  XTranslateCoordinates(Peek(), Xid(list), DefaultRootWindow(Peek()), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, kFormX + 72);
  EXPECT_EQ(y, kFormY + 16 + 21);
  EXPECT_EQ(attributes.width, 185);
  EXPECT_EQ(attributes.height, 197);
  // Another client cannot take the pointer while the list is open.
  EXPECT_EQ(XGrabPointer(Peek(), DefaultRootWindow(Peek()), False, ButtonPressMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime),
            AlreadyGrabbed);
  // A click on the fifth row chooses it and lets the pointer go.
  Click(x + 40, y + 1 + 4 * 13 + 6);
  ASSERT_TRUE(Pump([] { return ShownList() == nullptr; }, 3000));
  EXPECT_EQ(SendMessage(m_combo, CB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(Text(), "Key 4");
  m_backend->Sync();
  EXPECT_EQ(XGrabPointer(Peek(), DefaultRootWindow(Peek()), False, ButtonPressMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime),
            GrabSuccess);
  XUngrabPointer(Peek(), CurrentTime);
}

TEST_F(X11ComboTest, CopiedTextReachesOtherProgramsAsUtf8AndLatin1) {
  const std::string text = text::Utf8ToCp1252("Lá Maior");
  SetWindowText(m_combo, text.c_str());
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  SendMessage(m_combo, WM_COPY, 0, 0);
  EXPECT_EQ(RunWhilePumping("xclip -selection clipboard -o"), "Lá Maior");
  EXPECT_EQ(RunWhilePumping("xclip -selection clipboard -o -t STRING"), "L\xE1 Maior");
  EXPECT_NE(RunWhilePumping("xclip -selection clipboard -o -t TARGETS").find("UTF8_STRING"),
            std::string::npos);
  // Pasting what we own ourselves needs no round trip.
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(-1, 0));
  SendMessage(m_combo, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), text + text);
  // Once another program copies, the clipboard is its text, not ours any more.
  const Atom clipboard = XInternAtom(Peek(), "CLIPBOARD", False);
  const Window ours = XGetSelectionOwner(Peek(), clipboard);
  ASSERT_NE(ours, None);
  RunWhilePumping("printf 'Mi' | xclip -selection clipboard -i >/dev/null 2>&1");
  ASSERT_TRUE(Pump([&] { return XGetSelectionOwner(Peek(), clipboard) != ours; }, 3000));
  SetWindowText(m_combo, "");
  SendMessage(m_combo, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), "Mi");
}

TEST_F(X11ComboTest, TextCopiedByAnotherProgramIsPastedWithQuestionMarksForTheRest) {
  // xclip stays in the background serving the text; its output must not hold our pipe open.
  RunWhilePumping("printf 'Sol \\342\\231\\257 Dó' | xclip -selection clipboard -i >/dev/null 2>&1");
  const Atom clipboard = XInternAtom(Peek(), "CLIPBOARD", False);
  ASSERT_TRUE(Pump([&] { return XGetSelectionOwner(Peek(), clipboard) != None; }, 3000));
  SendMessage(m_combo, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), text::Utf8ToCp1252("Sol ? Dó"));
}

// How long the pastes below take is measured by bench_x11_wait.
TEST_F(X11ComboTest, ATextTooLargeToCopyInOnePieceIsRefusedWithoutWaiting) {
  // Far beyond one request: the owner offers it in pieces (INCR), which a paste does not follow.
  // xclip answers no other request until such a transfer ends, so each paste gets a new owner.
  const Atom clipboard = XInternAtom(Peek(), "CLIPBOARD", False);
  auto offerInPieces = [&] {
    const Window before = XGetSelectionOwner(Peek(), clipboard);
    RunWhilePumping("head -c 3000000 /dev/zero | tr '\\0' a | xclip -selection clipboard -i >/dev/null 2>&1");
    return Pump([&] { return XGetSelectionOwner(Peek(), clipboard) != before; }, 3000);
  };
  ASSERT_TRUE(offerInPieces());
  SetWindowText(m_combo, "Mi");
  SendMessage(m_combo, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), "Mi");
  // Asked with a time-out no answer in pieces could ever need, the refusal still comes first.
  ASSERT_TRUE(offerInPieces());
  constexpr int kPatientMs = 30000;
  const long long start = x11test::MonotonicMs();
  EXPECT_EQ(m_backend->ClipboardText(kPatientMs), std::nullopt);
  EXPECT_LT(x11test::MonotonicMs() - start, kPatientMs) << "the paste waited for the pieces";
}

TEST_F(X11ComboTest, AnOwnerThatNeverAnswersLeavesTheFieldAsItWas) {
  // A client that takes the clipboard and then ignores every request for it.
  const Window silent = XCreateSimpleWindow(Peek(), DefaultRootWindow(Peek()), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(Peek(), XInternAtom(Peek(), "CLIPBOARD", False), silent, CurrentTime);
  XSync(Peek(), False);
  SetWindowText(m_combo, "Mi");
  const long long start = x11test::MonotonicMs();
  SendMessage(m_combo, WM_PASTE, 0, 0);
  const long long took = x11test::MonotonicMs() - start;
  EXPECT_EQ(Text(), "Mi");
  EXPECT_GE(took, 900);  // it did wait for the owner
  // The program goes on: the field still takes keys afterwards.
  SendMessage(GetWindow(m_combo, GW_CHILD), WM_CHAR, 'x', 0);
  EXPECT_EQ(Text(), "xMi");
}

}  // namespace
