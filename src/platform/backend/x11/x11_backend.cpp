// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_backend.h"

#include <X11/XKBlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/rect.h"
#include "platform/backend/x11/x11_atoms.h"
#include "platform/backend/x11/x11_clipboard.h"
#include "platform/backend/x11/x11_errors.h"
#include "platform/backend/x11/x11_input_method.h"
#include "platform/backend/x11/x11_presenter.h"
#include "platform/backend/x11/x11_props.h"
#include "platform/backend/x11/x11_top_level.h"

namespace x11 {

namespace {

constexpr int kDefaultDpi = 96;

// Xft.dpi from the resource database the desktop loaded into the server; 96 when unset or not a
// plausible screen resolution.
int ReadXftDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (resources == nullptr) return kDefaultDpi;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (database == nullptr) return kDefaultDpi;
  int dpi = kDefaultDpi;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
    char* end = nullptr;
    const double parsed = std::strtod(value.addr, &end);
    if (end != value.addr && std::isfinite(parsed) && parsed >= 24 && parsed <= 960) {
      dpi = static_cast<int>(std::lround(parsed));
    }
  }
  XrmDestroyDatabase(database);
  return dpi;
}

std::string ResourceName() {
  // ICCCM: -name is not supported, RESOURCE_NAME is; the program's name otherwise.
  const char* fromEnvironment = std::getenv("RESOURCE_NAME");
  if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') return fromEnvironment;
  return "tessivo";
}

// X window geometry is 16-bit: positions are INT16, sizes CARD16 and never 0. What the program
// asks for is cut to that, so no request can fail on it.
RECT ToXBounds(const RECT& screenRect) {
  auto clamp = [](std::int64_t v, std::int64_t low, std::int64_t high) {
    return static_cast<LONG>(std::min(std::max(v, low), high));
  };
  const LONG left = clamp(screenRect.left, -32768, 32767);
  const LONG top = clamp(screenRect.top, -32768, 32767);
  const LONG width = clamp(static_cast<std::int64_t>(screenRect.right) - screenRect.left, 1, 32767);
  const LONG height = clamp(static_cast<std::int64_t>(screenRect.bottom) - screenRect.top, 1, 32767);
  return RECT{left, top, left + width, top + height};
}

constexpr long kWindowEvents = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask |
                               ExposureMask | StructureNotifyMask | PropertyChangeMask;

}  // namespace

std::unique_ptr<X11Backend> X11Backend::Open() { return Open(nullptr); }

std::unique_ptr<X11Backend> X11Backend::Open(const char* displayName) {
  std::unique_ptr<X11Backend> backend(new X11Backend());
  if (!backend->Connect(displayName)) return nullptr;
  return backend;
}

bool X11Backend::Connect(const char* displayName) {
  x11::InstallErrorHandlers();
  m_display = XOpenDisplay(displayName);
  if (m_display == nullptr) return false;
  m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_wakeFd < 0) return false;
  m_screen = DefaultScreen(m_display);
  m_root = RootWindow(m_display, m_screen);
  m_atoms = std::make_unique<X11Atoms>(X11Atoms::Intern(m_display));
  const std::string selection = "WM_S" + std::to_string(m_screen);
  m_wmSelection = XInternAtom(m_display, selection.c_str(), False);
  m_resourceName = ResourceName();
  m_dpi = ReadXftDpi(m_display);
  // Holding a key gives repeated presses without the release the server would otherwise send
  // before each of them.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(m_display, True, &detectable);
  m_presenter = std::make_unique<X11Presenter>(m_display, m_screen, SharedMemoryUse::Auto);
  m_clipboard = std::make_unique<X11Clipboard>(m_display, m_root, [this] { return NowMs(); });
  // The input method is opened once the program first waits or a key arrives, not here: reading
  // the locale's compose table takes several milliseconds the first frame need not wait for.
  return true;
}

X11Backend::~X11Backend() {
  if (m_display != nullptr) {
    if (m_grab != nullptr) XUngrabPointer(m_display, CurrentTime);
    if (m_keyboardGrab != nullptr) XUngrabKeyboard(m_display, CurrentTime);
    m_clipboard.reset();
    for (auto& [hwnd, window] : m_windows) {
      if (XIC context = ContextOf(*window)) XDestroyIC(context);
      if (!window->gone) XDestroyWindow(m_display, window->xid);
    }
    m_windows.clear();
    m_byXid.clear();
    m_presenter.reset();
    m_inputMethod.reset();
    XCloseDisplay(m_display);
  }
  if (m_wakeFd >= 0) close(m_wakeFd);
}

// ---- Screen and clock -----------------------------------------------------------------------

int X11Backend::ScreenWidth() { return DisplayWidth(m_display, m_screen); }
int X11Backend::ScreenHeight() { return DisplayHeight(m_display, m_screen); }
int X11Backend::PixelsPerInch() { return m_dpi; }

std::optional<RECT> X11Backend::WorkArea() {
  // Asked when a window is placed, not kept: panels come and go while the program runs.
  return x11::ReadWorkArea(m_display, *m_atoms, m_root, ScreenWidth(), ScreenHeight());
}

STARTUPINFO X11Backend::StartupInfo() {
  // No launcher on this desktop passes a show command.
  STARTUPINFO info;
  info.dwFlags = 0;
  info.wShowWindow = SW_SHOWDEFAULT;
  return info;
}

std::uint64_t X11Backend::NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

unsigned long X11Backend::NativeWindowId(HWND hwnd) const {
  X11TopLevel* window = Find(hwnd);
  return window != nullptr ? window->xid : 0;
}

void X11Backend::Sync() { XSync(m_display, False); }

bool X11Backend::UsesSharedMemory() const { return m_presenter->UsesSharedMemory(); }

bool X11Backend::InputMethodOpen() const { return m_inputMethod && m_inputMethod->IsOpen(); }

std::string X11Backend::DisplayName() const {
  const char* name = DisplayString(m_display);
  return name != nullptr ? name : "";
}

X11TopLevel* X11Backend::Find(HWND hwnd) const {
  auto it = m_windows.find(hwnd);
  return it != m_windows.end() && !it->second->gone ? it->second.get() : nullptr;
}

XIC X11Backend::ContextOf(X11TopLevel& window) const {
  if (!m_inputMethod || window.contextGeneration != m_inputMethod->Generation()) {
    window.inputContext = nullptr;
  }
  return window.inputContext;
}

void X11Backend::AttachContext(X11TopLevel& window) {
  window.inputContext = m_inputMethod->CreateContext(window.xid);
  window.contextGeneration = m_inputMethod->Generation();
  if (window.inputContext == nullptr) return;
  XSelectInput(m_display, window.xid, kWindowEvents | X11InputMethod::FilterEvents(window.inputContext));
  if (window.focused) XSetICFocus(window.inputContext);
}

void X11Backend::EnsureInputMethod() {
  if (m_inputMethod) return;
  PrepareXlibLocale();
  m_inputMethod = std::make_unique<X11InputMethod>(m_display);
  for (auto& entry : m_windows) {
    if (!entry.second->gone) AttachContext(*entry.second);
  }
}

X11TopLevel* X11Backend::FindByXid(unsigned long xid) const {
  auto it = m_byXid.find(xid);
  return it != m_byXid.end() ? it->second : nullptr;
}

bool X11Backend::WindowManagerRunning() { return XGetSelectionOwner(m_display, m_wmSelection) != None; }

// ---- Top-level windows ----------------------------------------------------------------------

bool X11Backend::CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) {
  if (hwnd == nullptr || m_windows.count(hwnd) != 0) return false;
  const RECT bounds = ToXBounds(screenRect);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  XSetWindowAttributes attributes{};
  // No background: the window shows nothing of its own before the first present, so nothing
  // flickers; every exposed part is presented again from the surface.
  attributes.background_pixmap = None;
  attributes.bit_gravity = NorthWestGravity;
  attributes.override_redirect = props.popup ? True : False;
  attributes.event_mask = kWindowEvents;
  attributes.colormap = DefaultColormap(m_display, m_screen);
  const Window xid = XCreateWindow(
      m_display, m_root, bounds.left, bounds.top, static_cast<unsigned>(width), static_cast<unsigned>(height),
      0, DefaultDepth(m_display, m_screen), InputOutput, DefaultVisual(m_display, m_screen),
      CWBackPixmap | CWBitGravity | CWOverrideRedirect | CWEventMask | CWColormap, &attributes);
  if (xid == None) return false;

  auto window = std::make_unique<X11TopLevel>();
  window->hwnd = hwnd;
  window->xid = xid;
  window->bounds = bounds;
  window->empty = rect::IsEmpty(screenRect);
  if (m_inputMethod) AttachContext(*window);
  x11::WriteIdentity(m_display, *m_atoms, xid, m_resourceName);
  x11::WriteWmHints(m_display, xid, NormalState);
  X11TopLevel& ref = *window;
  m_byXid[xid] = window.get();
  m_windows[hwnd] = std::move(window);
  ApplyProps(ref, props, true);
  return true;
}

void X11Backend::DestroyNative(HWND hwnd) {
  auto it = m_windows.find(hwnd);
  if (it == m_windows.end()) return;
  X11TopLevel& window = *it->second;
  if (m_grab == hwnd) {
    XUngrabPointer(m_display, CurrentTime);
    m_grab = nullptr;
  }
  if (m_keyboardGrab == hwnd) {
    XUngrabKeyboard(m_display, CurrentTime);
    m_keyboardGrab = nullptr;
  }
  if (XIC context = ContextOf(window)) XDestroyIC(context);
  m_presenter->Forget(window.xid);
  if (!window.gone) XDestroyWindow(m_display, window.xid);
  m_byXid.erase(window.xid);
  m_windows.erase(it);
  XFlush(m_display);
}

void X11Backend::SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) {
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  ApplyProps(*window, props, false);
  if (window->empty) ReapplyOwned(hwnd);
}

void X11Backend::ReapplyOwned(HWND owner) {
  for (auto& entry : m_windows) {
    X11TopLevel& other = *entry.second;
    if (other.props.transientFor == owner && !other.gone) ApplyProps(other, other.props, false);
  }
}

void X11Backend::ApplyProps(X11TopLevel& window, const backend::TopLevelProps& props, bool initial) {
  const backend::TopLevelProps old = window.props;
  window.props = props;
  const Window xid = window.xid;
  if (initial || old.titleUtf8 != props.titleUtf8 || old.iconNameUtf8 != props.iconNameUtf8) {
    x11::WriteNames(m_display, *m_atoms, xid, props);
  }
  const int width = window.bounds.right - window.bounds.left;
  const int height = window.bounds.bottom - window.bounds.top;
  x11::WriteNormalHints(m_display, xid, props, window.bounds.left, window.bounds.top, width, height);
  x11::WriteMotifHints(m_display, *m_atoms, xid, props);
  x11::WriteWindowType(m_display, *m_atoms, xid, props);
  // A window without area is never mapped, so it cannot carry the program's taskbar entry: a
  // window it owns is shown to the desktop as a window of its own, with the entry.
  X11TopLevel* owner = Find(props.transientFor);
  const bool ownerShown = owner != nullptr && !owner->empty;
  const bool ownerHidden = owner != nullptr && owner->empty;
  x11::WriteTransientFor(m_display, xid, ownerShown ? owner->xid : None);
  // Standing in for an owner that cannot be shown, the window shows its icon too.
  const std::vector<std::uint32_t>& icon =
      props.iconArgb.empty() && ownerHidden ? owner->props.iconArgb : props.iconArgb;
  if (initial || icon != window.shownIcon) {
    x11::WriteIcon(m_display, *m_atoms, xid, icon);
    window.shownIcon = icon;
  }
  if (initial || old.popup != props.popup) {
    // Takes effect at the next map: a drop-down is shown without a frame and outside the
    // window manager's placement.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = props.popup ? True : False;
    XChangeWindowAttributes(m_display, xid, CWOverrideRedirect, &attributes);
  }
  x11::NetWmState state = window.netState;
  state.modal = props.modal;
  state.skipTaskbar = props.skipTaskbar && !ownerHidden;
  if (initial || !(state == window.netState)) {
    // Once asked to map, the window manager may have read the property already: from then on
    // changes are requests to it.
    if (window.mapRequested || window.mapped) {
      x11::RequestNetWmState(m_display, *m_atoms, m_root, xid, window.netState, state);
    } else {
      x11::WriteNetWmState(m_display, *m_atoms, xid, state);
    }
    window.netState = state;
  }
}

void X11Backend::SetNativeBounds(HWND hwnd, const RECT& screenRect) {
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  const RECT bounds = ToXBounds(screenRect);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  const RECT old = window->bounds;
  window->bounds = bounds;
  const bool wasEmpty = window->empty;
  window->empty = rect::IsEmpty(screenRect);
  // The size rules first: a window manager would refuse a fixed-size window its new size.
  x11::WriteNormalHints(m_display, window->xid, window->props, bounds.left, bounds.top, width, height);
  if (bounds.left != old.left || bounds.top != old.top) {
    // With north-west gravity the window manager puts its frame's corner at the point asked
    // for, while `screenRect` places the client area: the frame is taken off, or every move
    // would shift the window by the frame's width.
    const POINT frame =
        window->props.popup ? POINT{} : x11::ReadFrameOffset(m_display, *m_atoms, window->xid);
    XMoveResizeWindow(m_display, window->xid, bounds.left - frame.x, bounds.top - frame.y,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
  } else if (width != old.right - old.left || height != old.bottom - old.top) {
    XResizeWindow(m_display, window->xid, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }
  if (wasEmpty != window->empty) {
    // What the windows it owns tell the desktop depends on whether this one can be shown.
    ReapplyOwned(hwnd);
  }
  if (wasEmpty != window->empty && window->requested != backend::NativeShowState::Hidden) {
    // It can be shown now, or must not be any longer.
    const backend::NativeShowState state = window->requested;
    window->requested = backend::NativeShowState::Hidden;
    SetNativeShowState(hwnd, window->empty ? backend::NativeShowState::Hidden : state);
    window->requested = state;
  }
  XFlush(m_display);
}

RECT X11Backend::FrameExtents(HWND hwnd) {
  X11TopLevel* window = Find(hwnd);
  // A drop-down list is never framed, whatever a window manager once said of its window.
  if (window == nullptr || window->props.popup) return {};
  return x11::ReadFrameExtents(m_display, *m_atoms, window->xid);
}

void X11Backend::MapWindow(X11TopLevel& window) {
  window.mapRequested = true;
  if (window.props.popup) {
    XMapRaised(m_display, window.xid);
  } else {
    XMapWindow(m_display, window.xid);
  }
}

void X11Backend::SetNativeShowState(HWND hwnd, backend::NativeShowState state) {
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  const backend::NativeShowState previous = window->requested;
  window->requested = state;
  if (window->empty && state != backend::NativeShowState::Hidden) {
    // A window without area (a zero-size owner that only carries the program's identity) has
    // nothing to show; X would show a one-pixel speck with a frame around it.
    return;
  }
  const bool managed = !window->props.popup && WindowManagerRunning();
  x11::NetWmState net = window->netState;
  net.maximized = state == backend::NativeShowState::Maximized ||
                  (state == backend::NativeShowState::Minimized && window->netState.maximized);
  if (!(net == window->netState)) {
    if (window->mapRequested || window->mapped) {
      x11::RequestNetWmState(m_display, *m_atoms, m_root, window->xid, window->netState, net);
    } else {
      x11::WriteNetWmState(m_display, *m_atoms, window->xid, net);
    }
    window->netState = net;
  }
  switch (state) {
    case backend::NativeShowState::Hidden:
      window->pending = X11TopLevel::Pending::Nothing;
      if (window->mapRequested || previous != backend::NativeShowState::Hidden) {
        // Withdraws properly: the window manager is told even if the window is iconic.
        XWithdrawWindow(m_display, window->xid, m_screen);
        window->mapRequested = false;
      }
      break;
    case backend::NativeShowState::Normal:
    case backend::NativeShowState::Maximized:
      // Whatever the server last said: mapping a mapped window does nothing, and what we know
      // of an iconified one may be behind the window manager.
      if (!window->everMapped) x11::WriteWmHints(m_display, window->xid, NormalState);
      if (!window->mapRequested) {
        // A window manager drops _NET_WM_STATE when a window is withdrawn: say it again.
        x11::WriteNetWmState(m_display, *m_atoms, window->xid, window->netState);
      }
      if (previous == backend::NativeShowState::Minimized || window->reportedMinimized) {
        window->pending = X11TopLevel::Pending::Restore;
      }
      MapWindow(*window);  // also de-iconifies an iconic window
      break;
    case backend::NativeShowState::Minimized:
      if (!window->reportedMinimized) window->pending = X11TopLevel::Pending::Minimize;
      if (managed) {
        if (!window->mapRequested && !window->everMapped) {
          // Starts iconic.
          x11::WriteWmHints(m_display, window->xid, IconicState);
          MapWindow(*window);
        } else {
          XIconifyWindow(m_display, window->xid, m_screen);
        }
      } else if (window->mapRequested) {
        // Nobody to keep an icon: the window simply goes away until it is restored.
        XUnmapWindow(m_display, window->xid);
        window->mapRequested = false;
      } else {
        ReportMinimized(*window, true);
      }
      break;
  }
  XFlush(m_display);
}

void X11Backend::ActivateNative(HWND hwnd) {
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  if (!window->props.popup && WindowManagerRunning()) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window->xid;
    event.xclient.message_type = m_atoms->netActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // from an application
    event.xclient.data.l[1] = static_cast<long>(m_lastEventTime);
    event.xclient.data.l[2] = 0;
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_display);
    return;
  }
  if (window->mapped) {
    FocusNow(*window);
  } else {
    window->focusOnMap = true;
  }
}

void X11Backend::FocusNow(X11TopLevel& window) {
  window.focusOnMap = false;
  XRaiseWindow(m_display, window.xid);
  // The window may have been unmapped meanwhile: a refused focus is not worth a report.
  x11::ErrorTrap trap(m_display);
  XSetInputFocus(m_display, window.xid, RevertToParent, CurrentTime);
}

void X11Backend::GrabPointer(HWND hwnd) {
  if (hwnd == nullptr) {
    if (m_grab != nullptr) XUngrabPointer(m_display, CurrentTime);
    m_grab = nullptr;
    XFlush(m_display);
    return;
  }
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  m_grab = hwnd;
  if (window->mapped) {
    GrabNow(*window);
  } else {
    window->grabOnMap = true;
  }
}

void X11Backend::GrabNow(X11TopLevel& window) {
  window.grabOnMap = false;
  const int result = XGrabPointer(
      m_display, window.xid, True,
      ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask,
      GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (result != GrabSuccess) {
    std::fprintf(stderr, "tessivo: the pointer could not be grabbed (status %d)\n", result);
  }
}

void X11Backend::GrabKeyboard(HWND hwnd) {
  if (hwnd == nullptr) {
    if (m_keyboardGrab != nullptr) XUngrabKeyboard(m_display, CurrentTime);
    m_keyboardGrab = nullptr;
    XFlush(m_display);
    return;
  }
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  m_keyboardGrab = hwnd;
  if (window->mapped) {
    GrabKeyboardNow(*window);
  } else {
    window->keyboardGrabOnMap = true;
  }
}

void X11Backend::GrabKeyboardNow(X11TopLevel& window) {
  window.keyboardGrabOnMap = false;
  // Owner events: keys keep going to our window that has the focus; the grab only keeps the
  // desktop from taking them while the list is open.
  const int result = XGrabKeyboard(m_display, window.xid, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (result != GrabSuccess) {
    std::fprintf(stderr, "tessivo: the keyboard could not be grabbed (status %d)\n", result);
  }
}

void X11Backend::SetClipboardText(const std::string& utf8) {
  m_clipboard->SetText(utf8, m_lastEventTime != 0 ? m_lastEventTime : CurrentTime);
  XFlush(m_display);
}

std::optional<std::string> X11Backend::ClipboardText(int timeoutMs) {
  return m_clipboard->Text(timeoutMs, m_lastEventTime != 0 ? m_lastEventTime : CurrentTime);
}

POINT X11Backend::CursorPos() {
  Window rootReturn = None;
  Window childReturn = None;
  int rootX = 0;
  int rootY = 0;
  int winX = 0;
  int winY = 0;
  unsigned int mask = 0;
  POINT pt;
  if (XQueryPointer(m_display, m_root, &rootReturn, &childReturn, &rootX, &rootY, &winX, &winY, &mask)) {
    pt.x = rootX;
    pt.y = rootY;
  }
  return pt;
}

void X11Backend::WarpCursor(POINT screenPt) {
  XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, screenPt.x, screenPt.y);
  XFlush(m_display);
}

void X11Backend::Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) {
  X11TopLevel* window = Find(hwnd);
  if (window == nullptr) return;
  m_presenter->Present(window->xid, surface, dirty);
  XFlush(m_display);
}

// ---- The wait -------------------------------------------------------------------------------

void X11Backend::Wake() {
  const std::uint64_t one = 1;
  // A full counter (never in practice) still leaves the descriptor readable, which is all a wake
  // needs; so a failed write is harmless.
  [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

bool X11Backend::WaitAndDispatch(int timeoutMs) {
  bool arrived = false;
  // Everything asked of the server goes out before sleeping, or its answers would never come.
  XFlush(m_display);
  // The display and the wake-up first, then the services' descriptors, whose readiness is handed
  // back through ExtraDescriptors.
  std::vector<pollfd>& extra = ExtraDescriptors();
  m_pollSet.assign({{ConnectionNumber(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}});
  m_pollSet.insert(m_pollSet.end(), extra.begin(), extra.end());
  // Nothing may read from the connection between this check and poll(2). With events already
  // read, the other descriptors are only looked at, not waited on.
  const bool queued = XEventsQueued(m_display, QueuedAfterReading) != 0;
  const int waitMs = queued ? 0 : timeoutMs;
  const std::uint64_t start = NowMs();
  for (;;) {
    int wait = waitMs;
    if (waitMs > 0) {
      const std::uint64_t elapsed = NowMs() - start;
      wait = elapsed >= static_cast<std::uint64_t>(waitMs) ? 0 : waitMs - static_cast<int>(elapsed);
    }
    const int ready = poll(m_pollSet.data(), m_pollSet.size(), wait);
    if (ready >= 0 || errno != EINTR) {
      if (ready < 0) {
        for (pollfd& p : m_pollSet) p.revents = 0;
      }
      break;
    }
  }
  for (std::size_t i = 0; i < extra.size(); ++i) {
    extra[i].revents = m_pollSet[i + kOwnDescriptors].revents;
    if (extra[i].revents != 0) arrived = true;
  }
  if (m_pollSet[1].revents & POLLIN) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(m_wakeFd, &count, sizeof count);
    arrived = true;
  }
  // A hang-up or error on the connection is found by XPending, which then ends the program
  // through the connection-lost handler.
  while (XPending(m_display) > 0) {
    XEvent event;
    XNextEvent(m_display, &event);
    arrived = true;
    // The input method (with its compose table, most of the program's heap) is opened when the
    // first key arrives, not at start: a user who only clicks never pays for it. Opened here,
    // before the filter below, it still composes that first key if it is a dead key. Events it
    // reads from the server meanwhile wait in Xlib's queue, which this loop goes on to empty.
    if (!m_inputMethod && (event.type == KeyPress || event.type == KeyRelease)) {
      EnsureInputMethod();
    }
    // The input method sees every event first: it swallows dead keys and hands back the
    // composed character as a key press of its own.
    if (XFilterEvent(&event, None)) continue;
    HandleEvent(event);
  }
  return arrived;
}

}  // namespace x11

namespace x11 {

std::optional<std::string> X11Backend::AccessibilityBusProperty() {
  // Asked once, after the first frame: the atom is looked up without creating it, so a display
  // that never had an accessibility bus gains nothing.
  const Atom property = XInternAtom(m_display, "AT_SPI_BUS", True);
  if (property == None) return std::nullopt;
  constexpr long kLongestAddress = 1024;  // in 32-bit units, far more than any bus address
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(m_display, m_root, property, 0, kLongestAddress, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) != Success) {
    return std::nullopt;
  }
  std::optional<std::string> address;
  if (data != nullptr && format == 8 && count > 0)
    address = std::string(reinterpret_cast<char*>(data), count);
  if (data != nullptr) XFree(data);
  return address;
}

}  // namespace x11
