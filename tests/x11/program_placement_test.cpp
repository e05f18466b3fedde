// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on the small screens schools have (netbooks at 1024x600, old monitors at
// 800x600 and 1024x768), under a reparenting window manager (openbox) and with none: the main
// window, frame included, lies whole on the screen where it can, else its caption and left edge
// do; the error box lies whole on the screen; the key list opens above the field when the window
// has been dragged down to the screen's foot. On a large screen the window is where it asked to be.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "support/required_tools.h"
#include "x11/program_on_xvfb.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

namespace {

constexpr POINT kDesignedCorner{188, 107};
constexpr POINT kKeyField{72, 16};  // the key selector in the main window's client area

struct Screen {
  int width;
  int height;
  bool windowManager;
  int panelWidth = 0;  // a panel down the screen's left side, announced in _NET_WORKAREA
};

// Named in the test's name already: gtest's byte dump of the value would only clutter it.
void PrintTo(const Screen& screen, std::ostream* out) { *out << screen.width << "x" << screen.height; }

std::string ScreenName(const ::testing::TestParamInfo<Screen>& info) {
  return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) +
         (info.param.windowManager ? "UnderOpenbox" : "WithoutWindowManager") +
         (info.param.panelWidth > 0 ? "BesideAPanel" : "");
}

class ProgramPlacement : public ProgramOnXvfb, public ::testing::WithParamInterface<Screen> {
 protected:
  std::vector<std::string> ServerArgs() const override {
    return {"-screen", "0",
            std::to_string(GetParam().width) + "x" + std::to_string(GetParam().height) + "x24"};
  }

  void SetUp() override {
    if (GetParam().windowManager && !testsupport::ToolsInstalled({"/usr/bin/openbox"}, "openbox")) return;
    ProgramOnXvfb::SetUp();
    if (HasFatalFailure()) return;
    // The box and the list come and go while the test looks at them: a window gone between the
    // request that found it and the one that reads it is not an error here.
    m_previousHandler = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (GetParam().windowManager) {
      std::string error;
      m_wm = x11test::StartWindowManager(Peek(), m_server->DisplayName(), &error, kWaitMs);
      ASSERT_NE(m_wm, nullptr) << error;
    }
    if (GetParam().panelWidth > 0) {
      // What a panel's desktop announces: the work area beside the panel.
      const long area[] = {GetParam().panelWidth, 0, GetParam().width - GetParam().panelWidth,
                           GetParam().height};
      XChangeProperty(Peek(), DefaultRootWindow(Peek()), XInternAtom(Peek(), "_NET_WORKAREA", False),
                      XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(area), 4);
      XSync(Peek(), False);
    }
    // The program alone in a folder: every key's file is missing, so a key gives the error box.
    m_dir = std::filesystem::temp_directory_path() / ("tessivo-placement-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_dir);
    std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo", m_dir / "tessivo",
                               std::filesystem::copy_options::overwrite_existing);
  }

  void TearDown() override {
    m_program.reset();
    m_wm.reset();
    if (m_previousHandler != nullptr) XSetErrorHandler(m_previousHandler);
    std::error_code ec;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
  }

  // The window's whole rectangle on the root: its client area and the frame the manager says it
  // put around it (none without a manager).
  RECT Outer(Window w) {
    int x = 0, y = 0;
    Window child = None;
    XWindowAttributes a{};
    if (!XTranslateCoordinates(Peek(), w, DefaultRootWindow(Peek()), 0, 0, &x, &y, &child) ||
        !XGetWindowAttributes(Peek(), w, &a)) {
      return {};
    }
    std::vector<long> frame = x11test::ReadLongs(Peek(), w, "_NET_FRAME_EXTENTS");  // left right top bottom
    if (frame.size() != 4) frame.assign(4, 0);
    return RECT{static_cast<LONG>(x - frame[0]), static_cast<LONG>(y - frame[2]),
                static_cast<LONG>(x + a.width + frame[1]), static_cast<LONG>(y + a.height + frame[3])};
  }
  bool Framed(Window w) {
    return !GetParam().windowManager || x11test::ReadLongs(Peek(), w, "_NET_FRAME_EXTENTS").size() == 4;
  }
  std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + " on " + std::to_string(GetParam().width) + "x" +
           std::to_string(GetParam().height);
  }
  bool OnScreen(const RECT& r) {
    return r.left >= 0 && r.top >= 0 && r.right <= GetParam().width && r.bottom <= GetParam().height;
  }
  Window ErrorBox() {
    for (Window w : x11test::WindowsOfProcess(Peek(), m_program->Pid())) {
      if (w != m_main && x11test::WindowViewable(Peek(), w)) return w;
    }
    return None;
  }

  std::unique_ptr<x11test::ChildProcess> m_wm;
  std::filesystem::path m_dir;
  XErrorHandler m_previousHandler = nullptr;
};

TEST_P(ProgramPlacement, TheWindowAndItsBoxAndListStayWithinTheScreen) {
  const Screen screen = GetParam();
  Start((m_dir / "tessivo").string(), {"TESSIVO_AUDIO=none"});
  if (HasFatalFailure()) return;

  // Where the user finds the window once the manager has framed it: where it asked to be when the
  // whole of it fits there; moved left by just what puts its right edge on the work area's when it
  // fits the width; at the work area's left edge when it is wider than the work area. Its top stays.
  RECT outer{};
  const LONG workLeft = screen.panelWidth;
  const auto placedAsExpected = [&] {
    if (!Framed(m_main)) return false;
    outer = Outer(m_main);
    const LONG width = outer.right - outer.left;
    const LONG left =
        width > screen.width - workLeft ? workLeft : std::min<LONG>(kDesignedCorner.x, screen.width - width);
    return outer.left == left && outer.top == kDesignedCorner.y;
  };
  EXPECT_TRUE(WaitFor(placedAsExpected)) << "the window's frame lies at " << Describe(outer);
  // Where it fits, all of it, the frame's buttons and the seventh degree included, can be seen.
  if (outer.right - outer.left <= screen.width - workLeft) {
    EXPECT_TRUE(OnScreen(outer)) << Describe(outer);
  }

  // A key whose file is missing: the error box, centred on the screen, is whole on it too.
  PressKey(XK_Tab);   // grid -> key selector
  PressKey(XK_Down);  // "do maior.MID", missing
  Window box = None;
  ASSERT_TRUE(WaitFor([&] { return (box = ErrorBox()) != None && Framed(box); }))
      << m_program->StandardError();
  EXPECT_TRUE(OnScreen(Outer(box))) << "the error box lies at " << Describe(Outer(box));
  PressKey(XK_Return);
  ASSERT_TRUE(WaitFor([&] { return ErrorBox() == None; }));

  // The user drags the window down to the screen's foot: the key list has no room below the
  // field there, so it opens above it.
  const int clientTop = screen.height - 60;
  XMoveWindow(Peek(), m_main, 0, clientTop);
  XSync(Peek(), False);
  // The server reports the move to the program before the key that follows it.
  ASSERT_TRUE(WaitFor([&] { return OnRoot(0, 0).y >= clientTop; })) << "the window was not moved";
  PressKey(XK_F4);
  ASSERT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "F4 opened no list";
  const RECT list = *OpenList();
  EXPECT_LE(list.bottom, OnRoot(kKeyField.x, kKeyField.y).y) << "the list lies at " << Describe(list);
  EXPECT_GE(list.top, 0) << Describe(list);
  PressKey(XK_Escape);
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

INSTANTIATE_TEST_SUITE_P(SmallAndLargeScreens, ProgramPlacement,
                         ::testing::Values(Screen{1024, 768, true}, Screen{1024, 600, true},
                                           Screen{800, 600, true}, Screen{1280, 1024, true},
                                           Screen{1024, 768, false}, Screen{1024, 600, false},
                                           Screen{800, 600, false}, Screen{1280, 1024, false},
                                           Screen{1024, 768, false, 100}),
                         ScreenName);

}  // namespace
