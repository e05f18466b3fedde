// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under a real, reparenting window manager (openbox) on a private X server:
// framed where it asked to be, minimised, restored and closed through the frame.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/required_tools.h"
#include "x11/program_on_xvfb.h"
#include "x11/sound_check.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

// The program under a real, reparenting window manager, operated the way a user would through
// the frame and the taskbar.
class X11ProgramUnderWindowManagerTest : public ProgramOnXvfb {
 protected:
  void SetUp() override {
    if (!testsupport::ToolsInstalled({"/usr/bin/openbox"}, "openbox")) return;
    ProgramOnXvfb::SetUp();
    if (HasFatalFailure()) return;
    std::string error;
    m_wm = x11test::StartWindowManager(Peek(), m_server->DisplayName(), &error, kWaitMs);
    ASSERT_NE(m_wm, nullptr) << error;
    m_program = x11test::ChildProcess::Spawn(ProgramCommand(), {"DISPLAY=" + m_server->DisplayName()});
    ASSERT_NE(m_program, nullptr);
    // Managed: the manager framed it and published the frame's size.
    ASSERT_TRUE(x11test::PumpUntil(
        [&] {
          for (Window w : x11test::WindowsOfProcess(Peek(), m_program->Pid())) {
            if (x11test::ReadLongs(Peek(), w, "_NET_FRAME_EXTENTS").size() == 4 &&
                x11test::WindowViewable(Peek(), w)) {
              m_main = w;
            }
          }
          return m_main != None || !m_program->Running();
        },
        [] { usleep(20000); }, kWaitMs))
        << "program: " << m_program->StandardError() << "\nwindow manager ("
        << (m_wm->Running() ? "running" : "ended") << "): " << m_wm->StandardError();
    ASSERT_NE(m_main, None) << m_program->StandardError();
  }

  void TearDown() override {
    m_program.reset();
    m_wm.reset();
    m_peek.reset();
    m_server.reset();
  }

  // How the program is started: the built binary, in the build folder beside its key files.
  virtual std::vector<std::string> ProgramCommand() { return {TESSIVO_BINARY_DIR "/tessivo"}; }

  // What a taskbar or a frame button sends to the manager about a window.
  void AskManager(const char* type, long a0, long a1 = 0, long a2 = 0) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_main;
    event.xclient.message_type = XInternAtom(Peek(), type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = a0;
    event.xclient.data.l[1] = a1;
    event.xclient.data.l[2] = a2;
    XSendEvent(Peek(), DefaultRootWindow(Peek()), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XSync(Peek(), False);
  }

  long WmState() {
    const std::vector<long> state = x11test::ReadLongs(Peek(), m_main, "WM_STATE");
    return state.empty() ? -1 : state[0];
  }

  bool Painted() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(Peek(), m_main, &attributes);
    const std::vector<std::uint32_t> pixels = x11test::ReadPixels(Peek(), m_main, 0, 0, 981, 277);
    std::size_t dark = 0;
    for (std::uint32_t p : pixels) dark += p < 0x303030u ? 1 : 0;
    m_lastLook = "window " + std::to_string(attributes.width) + "x" + std::to_string(attributes.height) +
                 ", corner pixel " + (pixels.empty() ? std::string("none") : std::to_string(pixels.front())) +
                 ", dark pixels " + std::to_string(dark);
    return pixels.size() == 981u * 277u && pixels.front() == 0xD4D0C8u && dark > 100;
  }
  std::string m_lastLook;

  std::unique_ptr<x11test::ChildProcess> m_wm;
};

TEST_F(X11ProgramUnderWindowManagerTest, FramedAtItsPlaceMinimisedRestoredAndClosed) {
  // The frame's corner is where the program put its window.
  const std::vector<long> frame = x11test::ReadLongs(Peek(), m_main, "_NET_FRAME_EXTENTS");
  int x = 0;
  int y = 0;
  Window child = None;
  ASSERT_TRUE(XTranslateCoordinates(Peek(), m_main, DefaultRootWindow(Peek()), 0, 0, &x, &y, &child));
  EXPECT_EQ(x - frame[0], 188);
  EXPECT_EQ(y - frame[2], 107);
  ASSERT_TRUE(x11test::PumpUntil([&] { return Painted(); }, [] { usleep(20000); }, kWaitMs)) << m_lastLook;

  // Minimised from the frame (ICCCM iconify request), then restored from the taskbar.
  XIconifyWindow(Peek(), m_main, DefaultScreen(Peek()));
  XSync(Peek(), False);
  ASSERT_TRUE(x11test::PumpUntil([&] { return WmState() == IconicState; }, [] { usleep(20000); }, kWaitMs));
  AskManager("_NET_ACTIVE_WINDOW", 2, CurrentTime);
  ASSERT_TRUE(
      x11test::PumpUntil([&] { return WmState() == NormalState && x11test::WindowViewable(Peek(), m_main); },
                         [] { usleep(20000); }, kWaitMs));
  EXPECT_TRUE(x11test::PumpUntil([&] { return Painted(); }, [] { usleep(20000); }, kWaitMs))
      << "the restored window was not shown again: " << m_lastLook;
  EXPECT_TRUE(m_program->Running());

  // Closed with the frame's close button: the program ends normally.
  AskManager("_NET_CLOSE_WINDOW", CurrentTime, 2);
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running after the close button";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0) << m_program->StandardError();
}

// The program copied alone into a folder with one key file, "sol maior.MID", and started there:
// every other key's file is missing.
class X11ProgramMissingKeyFiles : public X11ProgramUnderWindowManagerTest {
 protected:
  std::vector<std::string> ProgramCommand() override {
    m_dir = std::filesystem::temp_directory_path() / ("tessivo-alone-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_dir);
    std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo", m_dir / "tessivo",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(TESSIVO_BINARY_DIR "/sol maior.MID", m_dir / "sol maior.MID",
                               std::filesystem::copy_options::overwrite_existing);
    return {"/bin/sh", "-c", "cd '" + m_dir.string() + "' && exec ./tessivo"};
  }
  void TearDown() override {
    X11ProgramUnderWindowManagerTest::TearDown();
    std::filesystem::remove_all(m_dir);
  }

  // The window manager's frame around `w`: its ancestor that is a child of the root.
  Window Frame(Window w) {
    for (;;) {
      Window root = None, parent = None, *children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(Peek(), w, &root, &parent, &children, &count)) return None;
      if (children) XFree(children);
      if (parent == root) return w;
      w = parent;
    }
  }
  // Whether `a`'s frame is stacked above `b`'s.
  bool StackedAbove(Window a, Window b) {
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(Peek(), DefaultRootWindow(Peek()), &root, &parent, &children, &count)) return false;
    int at = -1, bt = -1;
    for (unsigned i = 0; i < count; ++i) {
      if (children[i] == Frame(a)) at = static_cast<int>(i);
      if (children[i] == Frame(b)) bt = static_cast<int>(i);
    }
    if (children) XFree(children);
    return at > bt && bt >= 0;
  }
  // The program's error box: its viewable dialog window.
  Window ErrorBox() {
    for (Window w : x11test::WindowsOfProcess(Peek(), m_program->Pid())) {
      if (w != m_main && x11test::WindowViewable(Peek(), w) &&
          !x11test::ReadAtomNames(Peek(), w, "_NET_WM_WINDOW_TYPE").empty() &&
          x11test::ReadAtomNames(Peek(), w, "_NET_WM_WINDOW_TYPE")[0] == "_NET_WM_WINDOW_TYPE_DIALOG") {
        return w;
      }
    }
    return None;
  }
  Window ActiveWindow() {
    const std::vector<long> active =
        x11test::ReadLongs(Peek(), DefaultRootWindow(Peek()), "_NET_ACTIVE_WINDOW");
    return active.empty() ? None : static_cast<Window>(active[0]);
  }

  std::filesystem::path m_dir;
};

// A key whose file is missing: the error box appears transient for the main window; a click on the
// disabled main window, which the window manager raises, brings the box forward again with the
// focus, so the program never looks frozen; once answered, a key whose file is there loads.
TEST_F(X11ProgramMissingKeyFiles, TheErrorBoxStaysInFrontOfTheWindowTheUserClicks) {
  ASSERT_TRUE(x11test::PumpUntil([&] { return Painted(); }, [] { usleep(20000); }, kWaitMs)) << m_lastLook;
  PressKey(XK_Tab);   // grid -> key selector
  PressKey(XK_Down);  // "do maior.MID", missing
  Window box = None;
  ASSERT_TRUE(WaitFor([&] { return (box = ErrorBox()) != None; })) << m_program->StandardError();
  const std::vector<long> transient = x11test::ReadLongs(Peek(), box, "WM_TRANSIENT_FOR");
  ASSERT_EQ(transient.size(), 1u);
  EXPECT_EQ(static_cast<Window>(transient[0]), m_main) << "the box belongs to the window the user sees";
  EXPECT_TRUE(WaitFor([&] { return StackedAbove(box, m_main); }));

  ClickAt(OnRoot(400, 200));  // on the disabled main window's grid
  EXPECT_TRUE(WaitFor([&] { return StackedAbove(box, m_main) && ActiveWindow() == box; }))
      << "the box stayed hidden behind the main window";

  PressKey(XK_Return);  // the user answers the box
  ASSERT_TRUE(WaitFor([&] { return ErrorBox() == None; }));
  PressKey(XK_Down);  // "sol maior.MID", beside the program
  EXPECT_TRUE(WaitFor([&] { return ErrorBox() == None && m_program->Running(); }));
  // Loaded once Play is coloured, and no box came with it.
  constexpr RECT kPlayButton{280, 8, 280 + 29, 8 + 30};
  EXPECT_TRUE(WaitFor([&] {
    return soundcheck::HasColour(x11test::ReadPixels(Peek(), m_main, kPlayButton.left, kPlayButton.top,
                                                     kPlayButton.right - kPlayButton.left,
                                                     kPlayButton.bottom - kPlayButton.top));
  })) << "the key did not load";
  EXPECT_EQ(ErrorBox(), None) << "the key whose file is there loads without an error";
  AskManager("_NET_CLOSE_WINDOW", CurrentTime, 2);
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(WEXITSTATUS(*status), 0) << m_program->StandardError();
}

}  // namespace
