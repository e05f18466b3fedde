// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11/program_on_xvfb.h"

#include "x11/sound_check.h"

#include <algorithm>
#include <functional>
#include <utility>

#include <X11/extensions/XTest.h>

#include <sys/wait.h>
#include <unistd.h>

void ProgramOnXvfb::SetUp() {
  std::string error;
  m_server = XvfbServer::Start(ServerArgs(), &error);
  ASSERT_NE(m_server, nullptr) << error;
  m_peek = x11test::Connect(m_server->DisplayName());
  ASSERT_NE(m_peek, nullptr);
  // The user's clicks and keys come through XTest.
  int event = 0, errorBase = 0, major = 0, minor = 0;
  ASSERT_TRUE(XTestQueryExtension(Peek(), &event, &errorBase, &major, &minor));
}

void ProgramOnXvfb::Start(const std::string& program, const std::vector<std::string>& environment) {
  std::vector<std::string> env = environment;
  env.push_back("DISPLAY=" + m_server->DisplayName());
  m_main = None;  // a test may start the program again: wait for the new window, not the last one
  m_program = x11test::ChildProcess::Spawn({program}, env);
  ASSERT_NE(m_program, nullptr);
  ASSERT_TRUE(x11test::PumpUntil(
      [&] {
        for (Window w : x11test::WindowsOfProcess(Peek(), m_program->Pid())) {
          if (x11test::WindowViewable(Peek(), w)) m_main = w;
        }
        return m_main != None || !m_program->Running();
      },
      [] { usleep(20000); }, kWaitMs));
  ASSERT_NE(m_main, None) << "no window shown; the program said: " << m_program->StandardError();
}

void ProgramOnXvfb::CloseLikeAWindowManager() {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = m_main;
  event.xclient.message_type = XInternAtom(Peek(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(Peek(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  ASSERT_TRUE(XSendEvent(Peek(), m_main, False, NoEventMask, &event));
  XSync(Peek(), False);
}

void ProgramOnXvfb::ExpectEndsWithCodeZero() {
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running after the close request";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by a signal: " << m_program->StandardError();
  EXPECT_EQ(WEXITSTATUS(*status), 0) << m_program->StandardError();
}

std::vector<std::uint32_t> ProgramOnXvfb::SettledPixels(int x, int y, int width, int height) {
  std::vector<std::uint32_t> last;
  std::vector<std::uint32_t> now;
  const bool settled = WaitFor([&] {
    last = std::exchange(now, x11test::ReadPixels(Peek(), m_main, x, y, width, height));
    return now == last && std::adjacent_find(now.begin(), now.end(), std::not_equal_to<>()) != now.end();
  });
  return settled ? now : std::vector<std::uint32_t>();
}

POINT ProgramOnXvfb::OnRoot(int x, int y) {
  int rx = 0, ry = 0;
  Window child = None;
  XTranslateCoordinates(Peek(), m_main, DefaultRootWindow(Peek()), x, y, &rx, &ry, &child);
  return {rx, ry};
}

void ProgramOnXvfb::ClickAt(POINT root) {
  XTestFakeMotionEvent(Peek(), -1, root.x, root.y, CurrentTime);
  XTestFakeButtonEvent(Peek(), 1, True, CurrentTime);
  XTestFakeButtonEvent(Peek(), 1, False, CurrentTime);
  XSync(Peek(), False);
  usleep(kSettleUs);  // the program takes the click before the next input
}

bool ProgramOnXvfb::ProgramHasFocus() {
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(Peek(), &focus, &revertTo);
  const std::vector<Window> own = x11test::WindowsOfProcess(Peek(), m_program->Pid());
  return std::find(own.begin(), own.end(), focus) != own.end();
}

void ProgramOnXvfb::PressKey(KeySym keysym, KeySym modifier) {
  EXPECT_TRUE(WaitFor([&] { return ProgramHasFocus(); })) << "the program never took the keyboard focus";
  const KeyCode mod = modifier == NoSymbol ? 0 : XKeysymToKeycode(Peek(), modifier);
  const KeyCode code = XKeysymToKeycode(Peek(), keysym);
  if (mod) XTestFakeKeyEvent(Peek(), mod, True, CurrentTime);
  XTestFakeKeyEvent(Peek(), code, True, CurrentTime);
  XTestFakeKeyEvent(Peek(), code, False, CurrentTime);
  if (mod) XTestFakeKeyEvent(Peek(), mod, False, CurrentTime);
  XSync(Peek(), False);
}

std::optional<RECT> ProgramOnXvfb::OpenList() {
  Window root = DefaultRootWindow(Peek()), parent = None, *children = nullptr;
  unsigned count = 0;
  std::optional<RECT> found;
  if (!XQueryTree(Peek(), root, &root, &parent, &children, &count)) return found;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(Peek(), children[i], &a)) continue;
    if (a.override_redirect && a.map_state == IsViewable && a.width > 1) {
      found = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
    }
  }
  if (children) XFree(children);
  return found;
}

bool ProgramOnXvfb::PlayIsColoured() {
  const RECT& r = kPlayButton;
  return soundcheck::HasColour(
      x11test::ReadPixels(Peek(), m_main, r.left, r.top, r.right - r.left, r.bottom - r.top));
}
