// SPDX-License-Identifier: GPL-3.0-or-later
// The platform core on the real display: a top-level window with child windows, driven through
// XTest like a user would, looked at through a second X connection like a screenshot tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "base/cp1252.h"
#include "platform/backend/x11/x11_backend.h"
#include "platform/gdi.h"
#include "platform/headless/headless_driver.h"
#include "platform/module.h"
#include "platform/platform.h"
#include "support/x11_fixture.h"
#include "x11/fake_window_manager.h"
#include "x11/scene.h"
#include "x11/x11_test_util.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

namespace {

using scene::Log;

class X11PlatformTest : public X11Fixture {
 protected:
  void SetUp() override {
    StartAndOpen();
    if (HasFatalFailure()) return;
    scene::Reset();
    m_scene = scene::Create();
    ASSERT_NE(m_scene.top, nullptr);
    // Keeps every wait of the pumps below bounded.
    SetTimer(m_scene.top, kPumpTimer, 20, nullptr);
    ASSERT_TRUE(PumpUntil([] { return scene::FullyPainted(); }, 5000)) << "the scene was not painted";
    Settle();
  }

  void DestroyWindows() override {
    if (IsWindow(m_scene.top)) DestroyWindow(m_scene.top);
  }

  // Lets everything in flight arrive: a round trip on each connection brings every event the
  // server has made so far into the program, whose loop then handles them until none is left.
  void Settle() {
    PumpUntil(
        [&] {
          XSync(Peek(), False);
          m_backend->Sync();
          MSG msg;
          return !PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
        },
        5000);
  }

  Window TopXid() const { return Xid(m_scene.top); }

  POINT ScreenPoint(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    return pt;
  }

  scene::Windows m_scene;
};

TEST_F(X11PlatformTest, TheSameSceneGivesTheSamePixelsOnTheServerAndHeadless) {
  m_backend->Sync();
  const std::vector<std::uint32_t> onServer =
      x11test::ReadPixels(Peek(), TopXid(), 0, 0, scene::kClientWidth, scene::kClientHeight);
  ASSERT_EQ(onServer.size(), static_cast<std::size_t>(scene::kClientWidth * scene::kClientHeight));
  auto at = [](const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<std::size_t>(y) * scene::kClientWidth + x];
  };
  // What the scene draws, where it draws it (top-level client coordinates).
  EXPECT_EQ(at(onServer, 2, 2), 0xD4D0C8u);                         // the class background
  EXPECT_EQ(at(onServer, 12, 12), 0xFFFFFFu);                       // the fills child's white
  EXPECT_EQ(at(onServer, 25, 25), 0xC81E28u);                       // its red rectangle
  EXPECT_EQ(at(onServer, 80, 20), 0x000080u);                       // the navy frame of the yellow rectangle
  EXPECT_EQ(at(onServer, 90, 40), 0xFADC00u);                       // and its inside
  EXPECT_EQ(at(onServer, 5, scene::kClientHeight - 6), 0x000000u);  // the top-level's own line
  int dark = 0;
  for (int y = 100 + 2 + 36; y < 100 + 2 + 50; ++y) {
    for (int x = 12; x < 120; ++x) dark += at(onServer, x, y) < 0x404040u ? 1 : 0;
  }
  EXPECT_GT(dark, 20) << "no text where the text child writes";

  // The same scene on the in-memory display, in the same process after a restart.
  DestroyWindow(m_scene.top);
  ShutdownPlatform();
  m_platformUp = false;
  std::vector<std::uint32_t> headlessPixels;
  {
    headless::Session session;
    scene::Reset();
    const scene::Windows again = scene::Create();
    ASSERT_NE(again.top, nullptr);
    headless::PumpUntilIdle();
    ASSERT_TRUE(scene::FullyPainted());
    const headless::NativeWindow* native = session.Backend().Native(again.top);
    ASSERT_NE(native, nullptr);
    ASSERT_EQ(native->presented.Width(), scene::kClientWidth);
    ASSERT_EQ(native->presented.Height(), scene::kClientHeight);
    for (int y = 0; y < scene::kClientHeight; ++y) {
      for (int x = 0; x < scene::kClientWidth; ++x) {
        headlessPixels.push_back(native->presented.Pixel(x, y) & 0xFFFFFFu);
      }
    }
    DestroyWindow(again.top);
  }
  int differing = 0;
  int firstX = -1;
  int firstY = -1;
  for (int y = 0; y < scene::kClientHeight; ++y) {
    for (int x = 0; x < scene::kClientWidth; ++x) {
      if (at(onServer, x, y) != at(headlessPixels, x, y)) {
        if (differing++ == 0) {
          firstX = x;
          firstY = y;
        }
      }
    }
  }
  EXPECT_EQ(differing, 0) << "first difference at " << firstX << "," << firstY;
}

TEST_F(X11PlatformTest, AClickReachesTheChildUnderThePointerInItsClientCoordinates) {
  Click(ScreenPoint(m_scene.lines, 37, 21), 1);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 0; }, 5000));
  const std::vector<testwin::Logged> downs = Log().Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, m_scene.lines);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 37);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 21);
  const std::vector<testwin::Logged> ups = Log().Of(WM_LBUTTONUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].hwnd, m_scene.lines);
  const std::vector<testwin::Logged> moves = Log().Of(WM_MOUSEMOVE);
  ASSERT_FALSE(moves.empty()) << "the pointer's arrival was not reported";
  EXPECT_EQ(moves.back().hwnd, m_scene.lines);
  EXPECT_EQ(moves.back().lParam, MAKELPARAM(37, 21));
  EXPECT_TRUE(ups[0].wParam == 0) << "no button held after the release";
  EXPECT_EQ(downs[0].wParam & MK_LBUTTON, MK_LBUTTON);

  // The right button on another child, near its far corner.
  RECT client{};
  GetClientRect(m_scene.text, &client);
  Click(ScreenPoint(m_scene.text, client.right - 1, client.bottom - 1), 3);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_RBUTTONUP) > 0; }, 5000));
  const std::vector<testwin::Logged> rights = Log().Of(WM_RBUTTONDOWN);
  ASSERT_EQ(rights.size(), 1u);
  EXPECT_EQ(rights[0].hwnd, m_scene.text);
  EXPECT_EQ(GET_X_LPARAM(rights[0].lParam), client.right - 1);
  EXPECT_EQ(GET_Y_LPARAM(rights[0].lParam), client.bottom - 1);

  // Between the children: the top-level itself.
  Click(ScreenPoint(m_scene.top, 5, 5), 1);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 1; }, 5000));
  const std::vector<testwin::Logged> topDowns = Log().Of(WM_LBUTTONDOWN);
  ASSERT_EQ(topDowns.size(), 2u);
  EXPECT_EQ(topDowns[1].hwnd, m_scene.top);
  EXPECT_EQ(topDowns[1].lParam, MAKELPARAM(5, 5));
}

// How the keyboard reaches the program: through the locale's own input method, through it
// when XMODIFIERS names an input method server that is not running, or with no input method.
enum class Keyboard { LocaleMethod, MissingServer, NoMethod, MethodOpenedByInput };

class X11KeyboardTest : public X11PlatformTest, public ::testing::WithParamInterface<Keyboard> {
 protected:
  void BeforeOpen() override {
    unsetenv("TESSIVO_NO_XIM");
    unsetenv("XMODIFIERS");
    if (GetParam() == Keyboard::MissingServer) setenv("XMODIFIERS", "@im=tessivo-absent", 1);
    if (GetParam() == Keyboard::NoMethod) setenv("TESSIVO_NO_XIM", "1", 1);
    // The input method is opened lazily; here by the first keyboard event, not by idleness.
    if (GetParam() == Keyboard::MethodOpenedByInput) m_neverWait = true;
  }
  void TearDown() override {
    unsetenv("TESSIVO_NO_XIM");
    unsetenv("XMODIFIERS");
    X11PlatformTest::TearDown();
  }
};

TEST_P(X11KeyboardTest, ADeadKeyThenALetterTypesTheAccentedCharacter) {
  SetFocus(m_scene.text);
  // The pointer inside the window, as a user's would be.
  Click(ScreenPoint(m_scene.text, 4, 4), 1);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 0; }, 5000));
  const KeyCode dead = x11test::KeycodeFor(Peek(), XK_dead_circumflex);
  ASSERT_NE(dead, 0) << "no keycode free for the dead key";
  const KeyCode o = x11test::KeycodeFor(Peek(), XK_o);
  const KeyCode a = x11test::KeycodeFor(Peek(), XK_a);
  ASSERT_NE(o, 0);
  ASSERT_NE(a, 0);
  Settle();  // the program sees the new keyboard map before the keys
  Log().Clear();

  TypeKeycode(dead);
  TypeKeycode(o);
  TypeKeycode(a);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_CHAR) >= 2; }, 5000));
  Settle();
  std::vector<testwin::Logged> chars = Log().Of(WM_CHAR);
  if (GetParam() == Keyboard::NoMethod) {
    // Nothing composes: the dead key types its accent on its own, then the plain letter.
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('^'));
    EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>('o'));
    chars.erase(chars.begin());
  } else {
    ASSERT_EQ(chars.size(), 2u) << "the dead key typed something of its own";
    EXPECT_EQ(chars[0].wParam, 0xF4u);  // ô in the program's code page
  }
  EXPECT_EQ(chars[0].hwnd, m_scene.text);
  EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>('a'));
  EXPECT_GE(Log().Count(WM_KEYDOWN), 2);

  // Shift gives the capital letter, and a character outside the code page types nothing.
  Log().Clear();
  const KeyCode shift = x11test::KeycodeFor(Peek(), XK_Shift_L);
  const KeyCode euroSign = x11test::KeycodeFor(Peek(), XK_EuroSign);
  const KeyCode cyrillic = x11test::KeycodeFor(Peek(), XK_Cyrillic_zhe);
  ASSERT_NE(shift, 0);
  ASSERT_NE(euroSign, 0);
  ASSERT_NE(cyrillic, 0);
  Settle();
  XTestFakeKeyEvent(Peek(), shift, True, CurrentTime);
  TypeKeycode(a);
  XTestFakeKeyEvent(Peek(), shift, False, CurrentTime);
  TypeKeycode(cyrillic);
  TypeKeycode(euroSign);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_CHAR) >= 2; }, 5000));
  Settle();
  const std::vector<testwin::Logged> more = Log().Of(WM_CHAR);
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(more[1].wParam, 0x80u);  // the euro sign's place in the code page
}

// The input method costs memory (its compose table) that a user who only clicks never needs: it
// is not opened by showing, painting, waiting or clicking, only by the first key.
TEST_P(X11KeyboardTest, TheInputMethodWaitsForTheFirstKey) {
  SetFocus(m_scene.text);
  Click(ScreenPoint(m_scene.text, 4, 4), 1);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 0; }, 5000));
  Settle();
  EXPECT_FALSE(m_backend->InputMethodOpen());
  const KeyCode a = x11test::KeycodeFor(Peek(), XK_a);
  ASSERT_NE(a, 0);
  Log().Clear();
  TypeKeycode(a);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_CHAR) >= 1; }, 5000));
  EXPECT_EQ(Log().Of(WM_CHAR).front().wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(m_backend->InputMethodOpen(), GetParam() != Keyboard::NoMethod);
}

INSTANTIATE_TEST_SUITE_P(Keyboards, X11KeyboardTest,
                         ::testing::Values(Keyboard::LocaleMethod, Keyboard::MissingServer,
                                           Keyboard::NoMethod, Keyboard::MethodOpenedByInput),
                         [](const ::testing::TestParamInfo<Keyboard>& info) {
                           switch (info.param) {
                             case Keyboard::LocaleMethod:
                               return std::string("LocaleMethod");
                             case Keyboard::MissingServer:
                               return std::string("MissingServer");
                             case Keyboard::NoMethod:
                               return std::string("NoMethod");
                             case Keyboard::MethodOpenedByInput:
                               return std::string("MethodOpenedByInput");
                           }
                           return std::string();
                         });

TEST_F(X11PlatformTest, ADragKeepsPressMovesAndReleaseInTheirOrder) {
  const POINT a = ScreenPoint(m_scene.lines, 20, 20);
  const POINT b = ScreenPoint(m_scene.lines, 60, 40);
  const POINT c = ScreenPoint(m_scene.lines, 90, 50);
  XTestFakeMotionEvent(Peek(), -1, a.x, a.y, CurrentTime);
  XTestFakeButtonEvent(Peek(), 1, True, CurrentTime);
  XTestFakeMotionEvent(Peek(), -1, b.x, b.y, CurrentTime);
  XTestFakeMotionEvent(Peek(), -1, c.x, c.y, CurrentTime);
  XTestFakeButtonEvent(Peek(), 1, False, CurrentTime);
  XSync(Peek(), False);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 0; }, 5000));
  // The messages of the lines child, in arrival order, reduced to kind and position.
  std::vector<std::pair<UINT, LPARAM>> seen;
  std::vector<testwin::Logged> all = Log().entries;
  for (const testwin::Logged& m : all) {
    if (m.hwnd == m_scene.lines) seen.emplace_back(m.msg, m.lParam);
  }
  const auto down =
      std::find_if(seen.begin(), seen.end(), [](const auto& e) { return e.first == WM_LBUTTONDOWN; });
  ASSERT_NE(down, seen.end());
  EXPECT_EQ(down->second, MAKELPARAM(20, 20));
  ASSERT_NE(down, seen.begin());
  EXPECT_EQ(std::prev(down)->first, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(std::prev(down)->second, MAKELPARAM(20, 20)) << "a later move overtook the press";
  const auto up = std::find_if(down, seen.end(), [](const auto& e) { return e.first == WM_LBUTTONUP; });
  ASSERT_NE(up, seen.end());
  EXPECT_EQ(up->second, MAKELPARAM(90, 50));
  ASSERT_NE(std::prev(up), down) << "the moves of the drag were lost";
  EXPECT_EQ(std::prev(up)->second, MAKELPARAM(90, 50));
}

TEST_F(X11PlatformTest, TheWheelTurnsIntoWheelMessagesForTheFocusWindow) {
  SetFocus(m_scene.text);
  Click(ScreenPoint(m_scene.text, 10, 10), 4);  // away from the user
  Click(ScreenPoint(m_scene.text, 10, 10), 5);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_MOUSEWHEEL) >= 2; }, 5000));
  const std::vector<testwin::Logged> wheels = Log().Of(WM_MOUSEWHEEL);
  EXPECT_EQ(wheels[0].hwnd, m_scene.text);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), WHEEL_DELTA);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[1].wParam), -WHEEL_DELTA);
  EXPECT_EQ(Log().Count(WM_LBUTTONDOWN), 0);
}

TEST_F(X11PlatformTest, TheWindowManagersCloseRequestArrivesAsWmClose) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = TopXid();
  event.xclient.message_type = XInternAtom(Peek(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(Peek(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  ASSERT_TRUE(XSendEvent(Peek(), TopXid(), False, NoEventMask, &event));
  XSync(Peek(), False);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_CLOSE) > 0; }, 5000));
  const std::vector<testwin::Logged> closes = Log().Of(WM_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].hwnd, m_scene.top);
  EXPECT_TRUE(IsWindow(m_scene.top)) << "the scene's handler keeps the window";
}

TEST_F(X11PlatformTest, AHeldKeyRepeatsPressesButIsReleasedOnce) {
  SetFocus(m_scene.text);
  Click(ScreenPoint(m_scene.text, 4, 4), 1);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_LBUTTONUP) > 0; }, 5000));
  XkbSetAutoRepeatRate(Peek(), XkbUseCoreKbd, 100, 20);  // first repeat after 100 ms
  XAutoRepeatOn(Peek());
  const KeyCode b = x11test::KeycodeFor(Peek(), XK_b);
  ASSERT_NE(b, 0);
  Settle();
  Log().Clear();
  XTestFakeKeyEvent(Peek(), b, True, CurrentTime);
  XSync(Peek(), False);
  // Held until it has repeated twice.
  PumpUntil([] { return Log().Count(WM_KEYDOWN) >= 3; }, 5000);
  XTestFakeKeyEvent(Peek(), b, False, CurrentTime);
  XSync(Peek(), False);
  ASSERT_TRUE(PumpUntil([] { return Log().Count(WM_KEYUP) > 0; }, 5000));
  Settle();
  EXPECT_GE(Log().Count(WM_KEYDOWN), 3) << "the key did not repeat";
  EXPECT_EQ(Log().Count(WM_CHAR), Log().Count(WM_KEYDOWN));
  EXPECT_EQ(Log().Count(WM_KEYUP), 1) << "each repeat came with a release";
  for (const testwin::Logged& m : Log().Of(WM_CHAR)) EXPECT_EQ(m.wParam, static_cast<WPARAM>('b'));
}

TEST_F(X11PlatformTest, AnUncoveredPartIsShownAgainFromTheSurface) {
  m_backend->Sync();
  const std::vector<std::uint32_t> before =
      x11test::ReadPixels(Peek(), TopXid(), 0, 0, scene::kClientWidth, scene::kClientHeight);
  // Another program's window covers part of ours for a moment.
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(Peek(), DefaultScreen(Peek()));
  const Window cover = XCreateWindow(Peek(), DefaultRootWindow(Peek()), scene::kLeft + 30, scene::kTop + 40,
                                     200, 120, 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(Peek(), cover);
  XSync(Peek(), False);
  Settle();
  const std::vector<std::uint32_t> covered =
      x11test::ReadPixels(Peek(), TopXid(), 0, 0, scene::kClientWidth, scene::kClientHeight);
  EXPECT_NE(covered, before);
  XDestroyWindow(Peek(), cover);
  XSync(Peek(), False);
  Settle();
  m_backend->Sync();
  const std::vector<std::uint32_t> after =
      x11test::ReadPixels(Peek(), TopXid(), 0, 0, scene::kClientWidth, scene::kClientHeight);
  EXPECT_EQ(after, before);
}

TEST_F(X11PlatformTest, TheDesktopMovingFocusingAndIconifyingReachesTheWindow) {
  // Moved: the window's rectangle follows.
  XMoveWindow(Peek(), TopXid(), 400, 300);
  XSync(Peek(), False);
  ASSERT_TRUE(PumpUntil(
      [&] {
        RECT r{};
        GetWindowRect(m_scene.top, &r);
        return r.left == 400 && r.top == 300;
      },
      5000));
  RECT child{};
  GetWindowRect(m_scene.lines, &child);
  EXPECT_EQ(child.left, 400 + 140);
  EXPECT_EQ(child.top, 300 + 10);

  // Focus taken away and given back: the window is deactivated and activated.
  ASSERT_EQ(GetActiveWindow(), m_scene.top);
  XSetInputFocus(Peek(), None, RevertToNone, CurrentTime);
  XSync(Peek(), False);
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == nullptr; }, 5000));
  XSetInputFocus(Peek(), TopXid(), RevertToNone, CurrentTime);
  XSync(Peek(), False);
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == m_scene.top; }, 5000));

  // A window manager iconifies it (WM_STATE becomes iconic, the window is unmapped) and
  // restores it.
  const Atom wmState = XInternAtom(Peek(), "WM_STATE", False);
  auto setState = [&](long state) {
    const long value[2] = {state, static_cast<long>(None)};
    XChangeProperty(Peek(), TopXid(), wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), 2);
  };
  setState(IconicState);
  XUnmapWindow(Peek(), TopXid());
  XSync(Peek(), False);
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(m_scene.top) != FALSE; }, 5000));
  setState(NormalState);
  XMapWindow(Peek(), TopXid());
  XSync(Peek(), False);
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(m_scene.top) == FALSE; }, 5000));
}

TEST_F(X11PlatformTest, MinimiseAndRestoreGoThroughTheWindowManager) {
  auto wm = x11test::FakeWindowManager::Start(m_server->DisplayName());
  ASSERT_NE(wm, nullptr);
  const Window xid = TopXid();
  ShowWindow(m_scene.top, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil(
      [&] {
        wm->Process();
        return !wm->RequestsOf("WM_CHANGE_STATE").empty() && !x11test::WindowViewable(Peek(), xid);
      },
      5000));
  const auto change = wm->RequestsOf("WM_CHANGE_STATE");
  EXPECT_EQ(change[0].window, xid);
  EXPECT_EQ(change[0].data[0], IconicState);
  EXPECT_TRUE(IsIconic(m_scene.top));

  ShowWindow(m_scene.top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(m_scene.top));
  ASSERT_TRUE(PumpUntil(
      [&] {
        wm->Process();
        // What the manager said about the minimised window before must not minimise it again.
        EXPECT_FALSE(IsIconic(m_scene.top));
        return x11test::WindowViewable(Peek(), xid);
      },
      5000));
  Settle();
  EXPECT_FALSE(IsIconic(m_scene.top));
  // Activation is asked of the manager rather than taken.
  SetActiveWindow(nullptr);
  SetForegroundWindow(m_scene.top);
  ASSERT_TRUE(PumpUntil(
      [&] {
        wm->Process();
        return !wm->RequestsOf("_NET_ACTIVE_WINDOW").empty();
      },
      5000));
  const auto activate = wm->RequestsOf("_NET_ACTIVE_WINDOW");
  EXPECT_EQ(activate.back().window, xid);
  EXPECT_EQ(activate.back().data[0], 1) << "the request comes from an application";
}

// How soon the wait returns and what processor time it uses is measured by bench_x11_wait.
TEST_F(X11PlatformTest, WaitMessageSleepsUntilAnotherThreadPosts) {
  Settle();
  KillTimer(m_scene.top, kPumpTimer);
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);

  constexpr UINT kWakeUp = WM_APP + 7;
  std::atomic<bool> posted{false};
  const long long start = x11test::MonotonicMs();
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    posted = true;
    PostMessage(m_scene.top, kWakeUp, 1, 2);
  });
  int wakeUps = 0;
  bool received = false;
  while (!received && x11test::MonotonicMs() - start < 5000) {
    WaitMessage();
    ++wakeUps;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kWakeUp) received = true;
      DispatchMessage(&msg);
    }
  }
  const long long elapsed = x11test::MonotonicMs() - start;
  poster.join();
  ASSERT_TRUE(received);
  EXPECT_TRUE(posted.load());
  EXPECT_GE(elapsed, 290);
  EXPECT_LE(wakeUps, 2) << "the wait kept returning with nothing to do";
}

}  // namespace
