// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 backend on its own, against a private Xvfb: what it writes on its windows, what it
// presents, how it waits and how it survives errors. The platform core is initialised so that
// the events the backend reports have somewhere to go; the windows here are the backend's only.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/backend/x11/x11_backend.h"
#include "platform/backend/x11/x11_errors.h"
#include "platform/module.h"
#include "platform/platform.h"
#include "support/x11_fixture.h"
#include "x11/fake_window_manager.h"
#include "x11/x11_test_util.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace {

HWND FakeHwnd(std::uintptr_t n) { return reinterpret_cast<HWND>(0x7E570000u + n); }

std::uint32_t Pattern(int x, int y, int seed) {
  return (static_cast<std::uint32_t>((x * 7 + seed) & 0xFF) << 16) |
         (static_cast<std::uint32_t>((y * 13 + seed * 3) & 0xFF) << 8) |
         static_cast<std::uint32_t>(((x ^ y) + seed) & 0xFF);
}

void Paint(Surface& surface, int seed) {
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) surface.Row(y)[x] = Pattern(x, y, seed);
  }
}

backend::TopLevelProps MainWindowProps() {
  backend::TopLevelProps props;
  props.titleUtf8 = "Tessivo - Versão 1.0";
  props.iconNameUtf8 = "Tessivo";
  props.className = "TForm1";
  // Two sizes of the icon, as the program offers them: the desktop picks the one it shows.
  props.iconArgb = {2, 2, 0xFF102030, 0xFF405060, 0x80708090, 0x00A0B0C0, 1, 1, 0xFF112233};
  return props;
}

class X11BackendTest : public X11Fixture {
 protected:
  // A wait's timeout far beyond any delay of a loaded machine: a wait that returns before it
  // was ended by what it waited for, not by the clock.
  static constexpr int kPatientMs = 30000;

  bool ShowAndWait(HWND hwnd) {
    m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
    return x11test::PumpUntil([&] { return x11test::WindowViewable(Peek(), Xid(hwnd)); },
                              [&] { m_backend->WaitAndDispatch(20); }, 5000);
  }
};

// ---- Screen facts ---------------------------------------------------------------------------

TEST_F(X11BackendTest, ReportsScreenSizeDefaultDpiAndStartupShowCommand) {
  StartAndOpen();
  EXPECT_EQ(m_backend->ScreenWidth(), 1280);
  EXPECT_EQ(m_backend->ScreenHeight(), 1024);
  EXPECT_EQ(m_backend->PixelsPerInch(), 96);  // no Xft.dpi on a bare server
  EXPECT_EQ(m_backend->StartupInfo().wShowWindow, SW_SHOWDEFAULT);
  // The clock counts milliseconds: no fewer than slept, no more than this thread saw pass.
  const auto outerStart = std::chrono::steady_clock::now();
  const std::uint64_t a = m_backend->NowMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::uint64_t b = m_backend->NowMs();
  const auto outer =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - outerStart);
  EXPECT_GE(b - a, 29u);
  EXPECT_LE(b - a, static_cast<std::uint64_t>(outer.count()) + 1);
}

class X11DpiTest : public X11BackendTest, public ::testing::WithParamInterface<std::pair<const char*, int>> {
 protected:
  void BeforeOpen() override {
    // What xrdb would have loaded into the server before the program starts.
    const std::string resources = GetParam().first;
    XChangeProperty(Peek(), DefaultRootWindow(Peek()), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(Peek(), False);
  }
};

TEST_P(X11DpiTest, TakesPixelsPerInchFromXftDpi) {
  StartAndOpen();
  EXPECT_EQ(m_backend->PixelsPerInch(), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(Resources, X11DpiTest,
                         ::testing::Values(std::pair<const char*, int>{"Xft.dpi:\t120\n", 120},
                                           std::pair<const char*, int>{"Xft.antialias: 1\nXft.dpi: 143.6\n",
                                                                       144},
                                           std::pair<const char*, int>{"*background: grey\n", 96},
                                           std::pair<const char*, int>{"Xft.dpi: lots\n", 96},
                                           std::pair<const char*, int>{"Xft.dpi: -5\n", 96},
                                           std::pair<const char*, int>{"Xft.dpi: 1e308\n", 96}));

// ---- Properties -----------------------------------------------------------------------------

TEST_F(X11BackendTest, DescribesTheMainWindowToTheWindowManager) {
  StartAndOpen();
  const HWND main = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(main, RECT{188, 107, 188 + 981, 107 + 277}, MainWindowProps()));
  m_backend->Sync();
  const Window xid = Xid(main);
  ASSERT_NE(xid, 0u);

  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "_NET_WM_NAME", "UTF8_STRING"), "Tessivo - Versão 1.0");
  // WM_NAME in the ICCCM encoding: Latin-1 holds this title.
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "WM_NAME", "STRING"), "Tessivo - Vers\xE3o 1.0");
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "_NET_WM_ICON_NAME", "UTF8_STRING"), "Tessivo");
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "WM_ICON_NAME", "STRING"), "Tessivo");
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "WM_CLASS", "STRING"), std::string("tessivo\0Tessivo\0", 16));
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "WM_CLIENT_MACHINE", "STRING"), std::string(host));
  EXPECT_EQ(x11test::ReadLongs(Peek(), xid, "_NET_WM_PID"), std::vector<long>{getpid()});
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), xid, "WM_PROTOCOLS"),
            std::vector<std::string>{"WM_DELETE_WINDOW"});
  EXPECT_EQ(x11test::ReadLongs(Peek(), xid, "_NET_WM_ICON"),
            (std::vector<long>{2, 2, 0xFF102030, 0xFF405060, 0x80708090, 0x00A0B0C0, 1, 1, 0xFF112233}));
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), xid, "_NET_WM_WINDOW_TYPE"),
            std::vector<std::string>{"_NET_WM_WINDOW_TYPE_NORMAL"});

  // Fixed size and the program's own position, the frame's corner landing on it.
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(Peek(), xid, &hints, &supplied));
  EXPECT_TRUE(hints.flags & PMinSize);
  EXPECT_TRUE(hints.flags & PMaxSize);
  EXPECT_EQ(hints.min_width, 981);
  EXPECT_EQ(hints.max_width, 981);
  EXPECT_EQ(hints.min_height, 277);
  EXPECT_EQ(hints.max_height, 277);
  EXPECT_TRUE(hints.flags & USPosition);
  EXPECT_TRUE(hints.flags & PWinGravity);
  EXPECT_EQ(hints.win_gravity, NorthWestGravity);

  // A dialog frame offering only move and close.
  const std::vector<long> motif = x11test::ReadLongs(Peek(), xid, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_EQ(motif[0], 3);           // functions and decorations given
  EXPECT_EQ(motif[1], 4 | 32);      // MOVE | CLOSE
  EXPECT_EQ(motif[2], 2 | 8 | 16);  // BORDER | TITLE | MENU

  XWMHints* wmHints = XGetWMHints(Peek(), xid);
  ASSERT_NE(wmHints, nullptr);
  EXPECT_TRUE(wmHints->flags & InputHint);
  EXPECT_TRUE(wmHints->input);
  EXPECT_EQ(wmHints->initial_state, NormalState);
  XFree(wmHints);

  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), xid, &attributes));
  EXPECT_EQ(attributes.x, 188);
  EXPECT_EQ(attributes.y, 107);
  EXPECT_EQ(attributes.width, 981);
  EXPECT_EQ(attributes.height, 277);
  EXPECT_FALSE(attributes.override_redirect);
}

TEST_F(X11BackendTest, FollowsChangedPropsAndBounds) {
  StartAndOpen();
  const HWND main = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(main, RECT{10, 20, 110, 70}, MainWindowProps()));
  backend::TopLevelProps props = MainWindowProps();
  props.titleUtf8 = "Escalas — maior";  // the dash is not Latin-1
  props.iconNameUtf8.clear();
  props.canMinimize = true;
  props.fixedSize = false;
  props.canResize = true;
  props.userPosition = false;
  props.iconArgb = {1, 1, 0xFF000000, 3, 1, 1, 2};  // a second size with too few pixels: not an icon
  m_backend->SetNativeProps(main, props);
  m_backend->SetNativeBounds(main, RECT{30, 40, 230, 140});
  m_backend->Sync();
  const Window xid = Xid(main);

  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "_NET_WM_NAME", "UTF8_STRING"), "Escalas — maior");
  EXPECT_EQ(x11test::ReadBytes(Peek(), xid, "_NET_WM_ICON_NAME", "UTF8_STRING"),
            "Escalas — maior");  // no application title: the window's own
  XTextProperty name{};
  ASSERT_TRUE(XGetWMName(Peek(), xid, &name));
  EXPECT_EQ(x11test::AtomName(Peek(), name.encoding), "COMPOUND_TEXT");
  XFree(name.value);
  EXPECT_TRUE(x11test::ReadLongs(Peek(), xid, "_NET_WM_ICON").empty());

  const std::vector<long> motif = x11test::ReadLongs(Peek(), xid, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_EQ(motif[1], 2 | 4 | 8 | 32);  // RESIZE | MOVE | MINIMIZE | CLOSE
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(Peek(), xid, &hints, &supplied));
  EXPECT_FALSE(hints.flags & PMinSize);
  EXPECT_FALSE(hints.flags & PMaxSize);
  EXPECT_FALSE(hints.flags & USPosition);
  EXPECT_TRUE(hints.flags & PPosition);

  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), xid, &attributes));
  EXPECT_EQ(attributes.x, 30);
  EXPECT_EQ(attributes.y, 40);
  EXPECT_EQ(attributes.width, 200);
  EXPECT_EQ(attributes.height, 100);
}

TEST_F(X11BackendTest, CutsAbsurdBoundsToWhatXCanHold) {
  StartAndOpen();
  const unsigned long errorsBefore = x11::ProtocolErrorCount();
  const HWND hwnd = FakeHwnd(1);
  constexpr LONG kMin = std::numeric_limits<LONG>::min();
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{kMin, 5, kMax, 200000}, MainWindowProps()));
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  m_backend->Sync();
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), Xid(hwnd), &attributes));
  EXPECT_EQ(attributes.x, -32768);
  EXPECT_EQ(attributes.y, 5);
  EXPECT_EQ(attributes.width, 32767);
  EXPECT_EQ(attributes.height, 32767);
  m_backend->SetNativeBounds(hwnd, RECT{70000, -70000, 69999, -69000});
  m_backend->Sync();
  ASSERT_TRUE(XGetWindowAttributes(Peek(), Xid(hwnd), &attributes));
  EXPECT_EQ(attributes.x, 32767);
  EXPECT_EQ(attributes.y, -32768);
  EXPECT_EQ(attributes.width, 1);
  EXPECT_EQ(attributes.height, 1000);
  m_backend->WaitAndDispatch(20);
  EXPECT_EQ(x11::ProtocolErrorCount(), errorsBefore);
}

TEST_F(X11BackendTest, MarksMessageBoxesAndDropDowns) {
  StartAndOpen();
  const HWND main = FakeHwnd(1);
  const HWND box = FakeHwnd(2);
  const HWND list = FakeHwnd(3);
  ASSERT_TRUE(m_backend->CreateNative(main, RECT{100, 100, 500, 300}, MainWindowProps()));
  backend::TopLevelProps boxProps;
  boxProps.titleUtf8 = "Erro";
  boxProps.transientFor = main;
  boxProps.dialog = true;
  boxProps.modal = true;
  boxProps.skipTaskbar = true;
  ASSERT_TRUE(m_backend->CreateNative(box, RECT{200, 150, 400, 250}, boxProps));
  backend::TopLevelProps listProps;
  listProps.popup = true;
  listProps.transientFor = main;
  listProps.hasTitle = false;
  ASSERT_TRUE(m_backend->CreateNative(list, RECT{120, 200, 260, 300}, listProps));
  EXPECT_FALSE(m_backend->CreateNative(list, RECT{0, 0, 10, 10}, listProps))
      << "a second native window for one top-level";
  m_backend->Sync();

  const Window mainXid = Xid(main);
  const Window boxXid = Xid(box);
  const Window listXid = Xid(list);
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), boxXid, "_NET_WM_WINDOW_TYPE"),
            std::vector<std::string>{"_NET_WM_WINDOW_TYPE_DIALOG"});
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), boxXid, "_NET_WM_STATE"),
            (std::vector<std::string>{"_NET_WM_STATE_MODAL", "_NET_WM_STATE_SKIP_TASKBAR"}));
  Window owner = None;
  ASSERT_TRUE(XGetTransientForHint(Peek(), boxXid, &owner));
  EXPECT_EQ(owner, mainXid);
  EXPECT_TRUE(x11test::ReadAtomNames(Peek(), mainXid, "_NET_WM_STATE").empty());

  EXPECT_EQ(x11test::ReadAtomNames(Peek(), listXid, "_NET_WM_WINDOW_TYPE"),
            std::vector<std::string>{"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"});
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), listXid, &attributes));
  EXPECT_TRUE(attributes.override_redirect);

  // The owner goes away: the box no longer names it.
  boxProps.transientFor = nullptr;
  m_backend->SetNativeProps(box, boxProps);
  m_backend->DestroyNative(list);
  m_backend->Sync();
  EXPECT_FALSE(XGetTransientForHint(Peek(), boxXid, &owner));
  EXPECT_EQ(m_backend->NativeWindowId(list), 0u);
}

TEST_F(X11BackendTest, AWindowOwnedByAZeroSizeWindowCarriesTheTaskbarEntry) {
  StartAndOpen();
  const HWND owner = FakeHwnd(1);
  const HWND form = FakeHwnd(2);
  backend::TopLevelProps ownerProps;
  ownerProps.titleUtf8 = "tessivo";
  ownerProps.iconArgb = {1, 1, 0xFF00FF00};
  ASSERT_TRUE(m_backend->CreateNative(owner, RECT{640, 512, 640, 512}, ownerProps));
  backend::TopLevelProps formProps = MainWindowProps();
  formProps.transientFor = owner;
  formProps.skipTaskbar = true;  // the owner would carry the entry, but it cannot be shown
  formProps.iconArgb.clear();
  ASSERT_TRUE(m_backend->CreateNative(form, RECT{100, 100, 300, 200}, formProps));
  m_backend->Sync();
  const Window formXid = Xid(form);
  Window transientFor = None;
  EXPECT_FALSE(XGetTransientForHint(Peek(), formXid, &transientFor));
  EXPECT_TRUE(x11test::ReadAtomNames(Peek(), formXid, "_NET_WM_STATE").empty());
  EXPECT_EQ(x11test::ReadLongs(Peek(), formXid, "_NET_WM_ICON"),
            (std::vector<long>{1, 1, 0xFF00FF00}));  // the owner's, as it stands in for it
  ownerProps.iconArgb = {1, 1, 0xFFFF0000};
  m_backend->SetNativeProps(owner, ownerProps);
  m_backend->Sync();
  EXPECT_EQ(x11test::ReadLongs(Peek(), formXid, "_NET_WM_ICON"), (std::vector<long>{1, 1, 0xFFFF0000}));

  // Once the owner has an area it is shown and owns the form as usual.
  m_backend->SetNativeBounds(owner, RECT{0, 0, 50, 20});
  m_backend->Sync();
  ASSERT_TRUE(XGetTransientForHint(Peek(), formXid, &transientFor));
  EXPECT_EQ(transientFor, Xid(owner));
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), formXid, "_NET_WM_STATE"),
            std::vector<std::string>{"_NET_WM_STATE_SKIP_TASKBAR"});
  EXPECT_TRUE(x11test::ReadLongs(Peek(), formXid, "_NET_WM_ICON").empty());
}

TEST_F(X11BackendTest, AsksTheWindowManagerForStateChangesOnceMapped) {
  StartAndOpen();
  auto wm = x11test::FakeWindowManager::Start(m_server->DisplayName());
  ASSERT_NE(wm, nullptr);
  const HWND hwnd = FakeHwnd(1);
  backend::TopLevelProps props = MainWindowProps();
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{50, 50, 250, 150}, props));
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  const Window xid = Xid(hwnd);
  ASSERT_TRUE(x11test::PumpUntil(
      [&] {
        wm->Process();
        return x11test::WindowViewable(Peek(), xid);
      },
      [&] { m_backend->WaitAndDispatch(20); }, 5000));
  for (int i = 0; i < 3; ++i) m_backend->WaitAndDispatch(10);

  props.modal = true;
  m_backend->SetNativeProps(hwnd, props);
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Maximized);
  m_backend->Sync();
  wm->Process();
  const auto requests = wm->RequestsOf("_NET_WM_STATE");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].window, xid);
  EXPECT_EQ(requests[0].data[0], 1);  // add
  EXPECT_EQ(x11test::AtomName(Peek(), static_cast<Atom>(requests[0].data[1])), "_NET_WM_STATE_MODAL");
  EXPECT_EQ(requests[1].data[0], 1);
  EXPECT_EQ(x11test::AtomName(Peek(), static_cast<Atom>(requests[1].data[1])),
            "_NET_WM_STATE_MAXIMIZED_VERT");
  EXPECT_EQ(x11test::AtomName(Peek(), static_cast<Atom>(requests[1].data[2])),
            "_NET_WM_STATE_MAXIMIZED_HORZ");
  // The property itself belongs to the manager now.
  EXPECT_TRUE(x11test::ReadAtomNames(Peek(), xid, "_NET_WM_STATE").empty());

  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  m_backend->Sync();
  wm->Process();
  const auto again = wm->RequestsOf("_NET_WM_STATE");
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again[2].data[0], 0);  // remove the maximised state
}

TEST_F(X11BackendTest, MovesTheClientAreaNotTheFrameToTheAskedPoint) {
  StartAndOpen();
  auto wm = x11test::FakeWindowManager::Start(m_server->DisplayName());
  ASSERT_NE(wm, nullptr);
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{100, 100, 300, 200}, MainWindowProps()));
  m_backend->Sync();
  const Window xid = Xid(hwnd);
  // The manager framed the window: 5 pixels left, 3 right, 22 above, 4 below.
  const long extents[4] = {5, 3, 22, 4};
  XChangeProperty(Peek(), xid, XInternAtom(Peek(), "_NET_FRAME_EXTENTS", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(extents), 4);
  XSync(Peek(), False);

  // Same place, new size: a resize only, the position is not asked again.
  m_backend->SetNativeBounds(hwnd, RECT{100, 100, 320, 210});
  m_backend->Sync();
  wm->Process();
  ASSERT_EQ(wm->Configures().size(), 1u);
  EXPECT_EQ(wm->Configures()[0].mask & (CWX | CWY), 0u);
  EXPECT_EQ(wm->Configures()[0].width, 220);
  EXPECT_EQ(wm->Configures()[0].height, 110);

  // A new place for the client area: the frame's corner is asked for.
  m_backend->SetNativeBounds(hwnd, RECT{400, 300, 620, 410});
  m_backend->Sync();
  wm->Process();
  ASSERT_EQ(wm->Configures().size(), 2u);
  EXPECT_EQ(wm->Configures()[1].mask & (CWX | CWY), static_cast<unsigned long>(CWX | CWY));
  EXPECT_EQ(wm->Configures()[1].x, 395);
  EXPECT_EQ(wm->Configures()[1].y, 278);

  // Nothing changed: nothing asked.
  m_backend->SetNativeBounds(hwnd, RECT{400, 300, 620, 410});
  m_backend->Sync();
  wm->Process();
  EXPECT_EQ(wm->Configures().size(), 2u);
}

TEST_F(X11BackendTest, ShowsItsStateAgainAfterBeingWithdrawn) {
  StartAndOpen();
  const HWND box = FakeHwnd(1);
  backend::TopLevelProps props;
  props.titleUtf8 = "Erro";
  props.dialog = true;
  props.modal = true;
  ASSERT_TRUE(m_backend->CreateNative(box, RECT{10, 10, 210, 110}, props));
  ASSERT_TRUE(ShowAndWait(box));
  const Window xid = Xid(box);
  m_backend->SetNativeShowState(box, backend::NativeShowState::Hidden);
  ASSERT_TRUE(x11test::PumpUntil([&] { return !x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
  // What a window manager does with a withdrawn window's state.
  XDeleteProperty(Peek(), xid, XInternAtom(Peek(), "_NET_WM_STATE", False));
  XSync(Peek(), False);
  ASSERT_TRUE(ShowAndWait(box));
  EXPECT_EQ(x11test::ReadAtomNames(Peek(), xid, "_NET_WM_STATE"),
            std::vector<std::string>{"_NET_WM_STATE_MODAL"});
}

TEST_F(X11BackendTest, APointerGrabHoldsThePointerUntilReleased) {
  StartAndOpen();
  const HWND list = FakeHwnd(1);
  backend::TopLevelProps props;
  props.popup = true;
  ASSERT_TRUE(m_backend->CreateNative(list, RECT{100, 100, 200, 200}, props));
  // Asked before the drop-down is on screen: taken as soon as it is.
  m_backend->GrabPointer(list);
  ASSERT_TRUE(ShowAndWait(list));
  auto otherGrabs = [&] {
    const int status = XGrabPointer(Peek(), DefaultRootWindow(Peek()), False, ButtonPressMask, GrabModeAsync,
                                    GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(Peek(), CurrentTime);
    XSync(Peek(), False);
    return status;
  };
  EXPECT_TRUE(x11test::PumpUntil([&] { return otherGrabs() == AlreadyGrabbed; },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
  m_backend->GrabPointer(nullptr);
  m_backend->Sync();
  EXPECT_EQ(otherGrabs(), GrabSuccess);
}

// ---- Presenting -----------------------------------------------------------------------------

enum class Path { SharedMemory, NoShmByEnvironment, ServerWithoutShm, Depth16 };

class X11PresentTest : public X11BackendTest, public ::testing::WithParamInterface<Path> {
 protected:
  void BeforeOpen() override {
    if (GetParam() == Path::NoShmByEnvironment) {
      setenv("TESSIVO_NO_SHM", "1", 1);
    } else {
      unsetenv("TESSIVO_NO_SHM");
    }
  }
  void TearDown() override {
    unsetenv("TESSIVO_NO_SHM");
    X11BackendTest::TearDown();
  }
};

TEST_P(X11PresentTest, ShowsExactlyTheDirtyRectanglesOfTheSurface) {
  std::vector<std::string> serverArgs;
  if (GetParam() == Path::ServerWithoutShm) serverArgs = {"-extension", "MIT-SHM"};
  if (GetParam() == Path::Depth16) serverArgs = {"-screen", "0", "1280x1024x16"};
  StartAndOpen(serverArgs);
  // What the server keeps of a surface pixel: all of it at depth 24, 5-6-5 bits at depth 16.
  const bool depth16 = GetParam() == Path::Depth16;
  ASSERT_EQ(DefaultDepth(Peek(), 0), depth16 ? 16 : 24);
  auto Shown = [depth16](int x, int y, int seed) -> std::uint32_t {
    const std::uint32_t p = Pattern(x, y, seed);
    if (!depth16) return p;
    return (((p >> 19) & 0x1F) << 11) | (((p >> 10) & 0x3F) << 5) | ((p >> 3) & 0x1F);
  };
  EXPECT_EQ(m_backend->UsesSharedMemory(), GetParam() == Path::SharedMemory);
  const unsigned long errorsBefore = x11::ProtocolErrorCount();
  const HWND hwnd = FakeHwnd(1);
  constexpr int kWidth = 240;
  constexpr int kHeight = 150;
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{40, 30, 40 + kWidth, 30 + kHeight}, MainWindowProps()));
  ASSERT_TRUE(ShowAndWait(hwnd));
  const Window xid = Xid(hwnd);

  Surface surface(kWidth, kHeight);
  Paint(surface, 1);
  const RECT all{0, 0, kWidth, kHeight};
  m_backend->Present(hwnd, surface, std::span<const RECT>(&all, 1));
  m_backend->Sync();
  std::vector<std::uint32_t> shown = x11test::ReadPixels(Peek(), xid, 0, 0, kWidth, kHeight);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth * kHeight));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_EQ(shown[y * kWidth + x], Shown(x, y, 1)) << "at " << x << "," << y;
    }
  }

  // Everything changes in the surface, but only two rectangles are said to be dirty; one of
  // them reaches past the surface and one lies wholly outside it.
  Paint(surface, 2);
  const RECT dirty[] = {{10, 5, 60, 25}, {200, 120, 400, 400}, {-50, -50, -10, -10}, {30, 30, 30, 90}};
  m_backend->Present(hwnd, surface, dirty);
  m_backend->Sync();
  shown = x11test::ReadPixels(Peek(), xid, 0, 0, kWidth, kHeight);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth * kHeight));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool inDirty = (x >= 10 && x < 60 && y >= 5 && y < 25) || (x >= 200 && y >= 120);
      ASSERT_EQ(shown[y * kWidth + x], Shown(x, y, inDirty ? 2 : 1)) << "at " << x << "," << y;
    }
  }

  // A surface that grew with the window is presented in full too (a new shared image).
  m_backend->SetNativeBounds(hwnd, RECT{40, 30, 40 + kWidth + 60, 30 + kHeight + 20});
  surface.Resize(kWidth + 60, kHeight + 20);
  Paint(surface, 3);
  const RECT grown{0, 0, kWidth + 60, kHeight + 20};
  m_backend->Present(hwnd, surface, std::span<const RECT>(&grown, 1));
  m_backend->Sync();
  shown = x11test::ReadPixels(Peek(), xid, 0, 0, kWidth + 60, kHeight + 20);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>((kWidth + 60) * (kHeight + 20)));
  EXPECT_EQ(shown.front(), Shown(0, 0, 3));
  EXPECT_EQ(shown.back(), Shown(kWidth + 59, kHeight + 19, 3));
  EXPECT_EQ(x11::ProtocolErrorCount(), errorsBefore);
  EXPECT_EQ(m_backend->UsesSharedMemory(), GetParam() == Path::SharedMemory)
      << "the server refused the shared images";
}

// The shared memory segments this process made that still exist (attached by us or the server).
int OurSharedSegments() {
  std::ifstream table("/proc/sysvipc/shm");
  std::string line;
  std::getline(table, line);  // the heading
  int count = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    long key = 0, id = 0, perms = 0, size = 0, creator = 0;
    fields >> key >> id >> perms >> size >> creator;
    if (fields && creator == getpid()) ++count;
  }
  return count;
}

// With MIT-SHM the pixels exist once: the surface's own memory is the image the server reads.
// Every segment goes away with the window and the surface, also after a resize.
TEST_P(X11PresentTest, KeepsOneCopyOfThePixelsAndNoSegmentOutlivesItsSurface) {
  std::vector<std::string> serverArgs;
  if (GetParam() == Path::ServerWithoutShm) serverArgs = {"-extension", "MIT-SHM"};
  if (GetParam() == Path::Depth16) serverArgs = {"-screen", "0", "1280x1024x16"};
  StartAndOpen(serverArgs);
  const bool shared = GetParam() == Path::SharedMemory;
  const int segmentsBefore = OurSharedSegments();
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{40, 30, 240, 130}, MainWindowProps()));
  ASSERT_TRUE(ShowAndWait(hwnd));
  {
    auto surface = std::make_unique<Surface>(200, 100);
    Paint(*surface, 1);
    const RECT all{0, 0, 200, 100};
    m_backend->Present(hwnd, *surface, std::span<const RECT>(&all, 1));
    m_backend->Sync();
    EXPECT_EQ(surface->Storage() != nullptr, shared);
    EXPECT_EQ(OurSharedSegments() - segmentsBefore, shared ? 1 : 0);
    // A copy is the caller's own: drawing on it leaves the presented surface alone.
    Surface copy = *surface;
    EXPECT_EQ(copy.Storage(), nullptr);
    copy.Row(0)[0] = 0x123456;
    EXPECT_EQ(surface->Row(0)[0], Pattern(0, 0, 1));

    m_backend->SetNativeBounds(hwnd, RECT{40, 30, 280, 150});
    surface->Resize(240, 120);
    EXPECT_EQ(surface->Storage(), nullptr) << "a resized surface keeps an image of the old size";
    EXPECT_EQ(surface->Row(0)[0], Pattern(0, 0, 1));
    const RECT grown{0, 0, 240, 120};
    m_backend->Present(hwnd, *surface, std::span<const RECT>(&grown, 1));
    m_backend->Sync();
    EXPECT_EQ(surface->Storage() != nullptr, shared);
    EXPECT_EQ(OurSharedSegments() - segmentsBefore, shared ? 1 : 0) << "the old image is left";

    // The window goes first, as when the program closes it; the surface still holds its pixels.
    m_backend->DestroyNative(hwnd);
    m_backend->Sync();
    EXPECT_EQ(surface->Row(119)[239], 0u);
    surface.reset();
  }
  m_backend->Sync();
  EXPECT_EQ(OurSharedSegments(), segmentsBefore);
}

// Drawing that starts right after a present never reaches the frame being presented: the
// server has copied the frame before the surface changes, on every path.
TEST_P(X11PresentTest, DrawingAfterAPresentLeavesThePresentedFrameWhole) {
  std::vector<std::string> serverArgs;
  if (GetParam() == Path::ServerWithoutShm) serverArgs = {"-extension", "MIT-SHM"};
  if (GetParam() == Path::Depth16) serverArgs = {"-screen", "0", "1280x1024x16"};
  StartAndOpen(serverArgs);
  const HWND hwnd = FakeHwnd(1);
  constexpr int kWidth = 400;
  constexpr int kHeight = 300;
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{40, 30, 40 + kWidth, 30 + kHeight}, MainWindowProps()));
  ASSERT_TRUE(ShowAndWait(hwnd));
  const Window xid = Xid(hwnd);
  Surface surface(kWidth, kHeight, 0x000000);
  const RECT all{0, 0, kWidth, kHeight};
  for (int frame = 1; frame <= 5; ++frame) {
    for (int y = 0; y < kHeight; ++y) std::fill_n(surface.Row(y), kWidth, 0xFFFFFF);
    m_backend->Present(hwnd, surface, std::span<const RECT>(&all, 1));
    // The next frame begins at once, the way drawing code does: asking first.
    surface.BeforeWrite();
    for (int y = 0; y < kHeight; ++y) std::fill_n(surface.Row(y), kWidth, 0x000000);
    m_backend->Sync();
    const std::vector<std::uint32_t> shown = x11test::ReadPixels(Peek(), xid, 0, 0, kWidth, kHeight);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth * kHeight));
    const std::uint32_t white = GetParam() == Path::Depth16 ? 0xFFFFu : 0xFFFFFFu;
    const auto dark =
        std::count_if(shown.begin(), shown.end(), [white](std::uint32_t p) { return p != white; });
    ASSERT_EQ(dark, 0) << "frame " << frame << " was shown half drawn over";
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, X11PresentTest,
                         ::testing::Values(Path::SharedMemory, Path::NoShmByEnvironment,
                                           Path::ServerWithoutShm, Path::Depth16),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           switch (info.param) {
                             case Path::SharedMemory:
                               return std::string("SharedMemory");
                             case Path::NoShmByEnvironment:
                               return std::string("NoShmByEnv");
                             case Path::ServerWithoutShm:
                               return std::string("ServerWithoutShm");
                             case Path::Depth16:
                               return std::string("Depth16");
                           }
                           return std::string();
                         });

// ---- The wait -------------------------------------------------------------------------------

// How long the waits take and what processor time they use is measured by bench_x11_wait.
TEST_F(X11BackendTest, SleepsUntilTimeoutOrWake) {
  StartAndOpen();
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{0, 0, 50, 50}, MainWindowProps()));
  ASSERT_TRUE(ShowAndWait(hwnd));
  while (m_backend->WaitAndDispatch(50)) {
  }

  // Nothing happens: the wait lasts its whole timeout and reports nothing.
  const long long start = x11test::MonotonicMs();
  EXPECT_FALSE(m_backend->WaitAndDispatch(300));
  EXPECT_GE(x11test::MonotonicMs() - start, 295);

  // Waiting forever ends when another thread wakes the loop, and not before.
  std::atomic<bool> woken{false};
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    woken = true;
    m_backend->Wake();
  });
  EXPECT_TRUE(m_backend->WaitAndDispatch(-1));
  EXPECT_TRUE(woken.load()) << "the wait ended before the wake";
  waker.join();

  // A wake that comes first makes the next wait return, woken, and only that one.
  m_backend->Wake();
  EXPECT_TRUE(m_backend->WaitAndDispatch(kPatientMs));
  EXPECT_FALSE(m_backend->WaitAndDispatch(50));
}

TEST_F(X11BackendTest, TheFirstWaitDoesNotSleepOverEventsAlreadyRead) {
  StartAndOpen();
  // The first wait also finishes start-up, talking to the server; the map's events arrive
  // meanwhile and must be handed over at once, not after the timeout.
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{0, 0, 60, 40}, MainWindowProps()));
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  const long long start = x11test::MonotonicMs();
  EXPECT_TRUE(m_backend->WaitAndDispatch(kPatientMs));
  EXPECT_LT(x11test::MonotonicMs() - start, kPatientMs) << "the events waited for the timeout";
}

// ---- Errors ---------------------------------------------------------------------------------

// Another client destroys a window of the program's: nothing could ever end the program without
// its window, so the backend ends the process the way a lost connection does, saying why.
TEST_F(X11BackendTest, AWindowDestroyedBehindItsBackEndsTheProcess) {
  StartAndOpen();
  const std::string displayName = m_server->DisplayName();
  auto child = x11test::ChildProcess::Fork([&] {
    auto backend = x11::X11Backend::Open(displayName.c_str());
    if (!backend) return 3;
    const HWND hwnd = FakeHwnd(1);
    if (!backend->CreateNative(hwnd, RECT{0, 0, 80, 60}, MainWindowProps())) return 4;
    backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
    for (;;) backend->WaitAndDispatch(-1);  // only the destruction ends this
  });
  ASSERT_NE(child, nullptr);
  Window xid = None;
  ASSERT_TRUE(x11test::PumpUntil(
      [&] {
        for (Window w : x11test::WindowsOfProcess(Peek(), child->Pid())) {
          if (x11test::WindowViewable(Peek(), w)) xid = w;
        }
        return xid != None;
      },
      [] { usleep(20000); }, 5000))
      << child->StandardError();
  XDestroyWindow(Peek(), xid);
  XSync(Peek(), False);
  const std::optional<int> status = child->WaitExit(5000);
  ASSERT_TRUE(status.has_value()) << "still running without its window";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 1);
  EXPECT_NE(child->StandardError().find("destroyed its window"), std::string::npos) << child->StandardError();
}

TEST_F(X11BackendTest, MinimisesAndRestoresWithoutAWindowManager) {
  StartAndOpen();
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{5, 5, 85, 65}, MainWindowProps()));
  ASSERT_TRUE(ShowAndWait(hwnd));
  const Window xid = Xid(hwnd);
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Minimized);
  EXPECT_TRUE(x11test::PumpUntil([&] { return !x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  EXPECT_TRUE(x11test::PumpUntil([&] { return x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Hidden);
  EXPECT_TRUE(x11test::PumpUntil([&] { return !x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
}

TEST_F(X11BackendTest, ShowsAZeroSizeWindowOnlyOnceItHasAnArea) {
  StartAndOpen();
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{640, 512, 640, 512}, MainWindowProps()));
  const Window xid = Xid(hwnd);
  m_backend->SetNativeShowState(hwnd, backend::NativeShowState::Normal);
  for (int i = 0; i < 5; ++i) m_backend->WaitAndDispatch(10);
  m_backend->Sync();
  EXPECT_FALSE(x11test::WindowViewable(Peek(), xid));
  m_backend->SetNativeBounds(hwnd, RECT{600, 500, 700, 540});
  EXPECT_TRUE(x11test::PumpUntil([&] { return x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
  m_backend->SetNativeBounds(hwnd, RECT{600, 500, 600, 540});
  EXPECT_TRUE(x11test::PumpUntil([&] { return !x11test::WindowViewable(Peek(), xid); },
                                 [&] { m_backend->WaitAndDispatch(20); }, 5000));
}

TEST_F(X11BackendTest, ActivationFocusesTheWindowAndWarpMovesThePointer) {
  StartAndOpen();
  const HWND hwnd = FakeHwnd(1);
  ASSERT_TRUE(m_backend->CreateNative(hwnd, RECT{300, 200, 400, 300}, MainWindowProps()));
  // Asked before the window can take it: done once it is mapped.
  m_backend->ActivateNative(hwnd);
  ASSERT_TRUE(ShowAndWait(hwnd));
  const Window xid = Xid(hwnd);
  EXPECT_TRUE(x11test::PumpUntil(
      [&] {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(Peek(), &focus, &revert);
        return focus == xid;
      },
      [&] { m_backend->WaitAndDispatch(20); }, 5000));

  m_backend->WarpCursor(POINT{333, 244});
  EXPECT_EQ(m_backend->CursorPos(), (POINT{333, 244}));
}

}  // namespace
